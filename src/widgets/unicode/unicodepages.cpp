#include "widgets/unicode/unicodepages.h"

#include <iconv.h>

#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

namespace uni {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kNoFit = u'?';

struct PseudoPage {
    unsigned page;
    unsigned meaning;
};

constexpr PseudoPage kPseudoPages[] = {
    {CP_OEMCP, CP_UTF8},
    {CP_MACCP, 10000},
    {CP_THREAD_ACP, CP_UTF8},
};

// Pages with something of their own: an iconv name that is not "CP" and
// the number; bytes (`passed`) that are undefined in the page and pass
// through as U+0080 + n, as the system's own tables have them; or a decoder
// that holds a base character back until it knows whether a combining mark
// follows (`holdsBack`), which must be flushed before anything else is put
// on the output.
struct PageName {
    unsigned page;
    const char* name;
    std::string_view passed = {};
    bool holdsBack = false;
};

constexpr PageName kPageNames[] = {
    {1252, "CP1252", "\x81\x8D\x8F\x90\x9D"},
    {1255, "CP1255", {}, true},
    {1258, "CP1258", {}, true},
    {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"},
    {20127, "US-ASCII"},
    {20866, "KOI8-R"},
    {20932, "EUC-JP"},
    {20936, "GB2312"},
    {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"},
    {51932, "EUC-JP"},
    {51949, "EUC-KR"},
    {54936, "GB18030"},
};

const PageName* FindPage(unsigned page) {
    for (const PageName& p : kPageNames)
        if (p.page == page) return &p;
    return nullptr;
}

std::string ToUtf16Le(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

std::u16string FromUtf16Le(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

// One iconv conversion, closed when it goes.
class Conversion {
public:
    Conversion(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Conversion() {
        if (ok()) iconv_close(cd_);
    }
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts what it can of [src, src + left) onto out; stops at the end
    // or at a sequence it cannot convert (false, src at that sequence).
    bool Run(const char*& src, size_t& left, std::string& out) {
        std::array<char, 4096> chunk;
        for (;;) {
            char* dst = chunk.data();
            size_t room = chunk.size();
            char* in = const_cast<char*>(src);
            const size_t r = src ? iconv(cd_, &in, &left, &dst, &room) : iconv(cd_, nullptr, nullptr, &dst, &room);
            if (src) src = in;
            out.append(chunk.data(), chunk.size() - room);
            if (r != static_cast<size_t>(-1)) return true;
            if (errno != E2BIG) return false;
        }
    }

    // Converts the one character c onto out; false, with nothing written,
    // when the page cannot hold it.
    bool RunOne(char16_t c, std::string& out) {
        const std::string bytes = ToUtf16Le(std::u16string_view(&c, 1));
        const char* src = bytes.data();
        size_t left = bytes.size();
        std::string converted;
        if (!Run(src, left, converted)) return false;
        out += converted;
        return true;
    }

    // Ends a shifted state (for pages such as ISO-2022-JP) and writes what
    // the converter still holds back; the converter starts afresh.
    void Finish(std::string& out) {
        const char* none = nullptr;
        size_t left = 0;
        Run(none, left, out);
    }

private:
    iconv_t cd_;
};

[[noreturn]] void UnknownPage(unsigned page) {
    throw EUniGeneralError("Code page " + std::to_string(page) + " is not supported.");
}

std::string NameOrFail(unsigned page) {
    std::string name = IconvCodePageName(page);
    if (name.empty()) UnknownPage(page);
    return name;
}

// The one character a character's compatibility decomposition leaves once
// its accents are dropped ("A" for U+0100), or 0 when there is none.
char16_t BestFit(char16_t c) {
    const QString decomposed = QString(QChar(c)).normalized(QString::NormalizationForm_KD);
    QString base;
    for (QChar d : decomposed)
        if (!d.isMark()) base += d;
    return base.size() == 1 && base[0].unicode() != c ? base[0].unicode() : 0;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

unsigned ResolveCodePage(unsigned CodePage) {
    for (const PseudoPage& p : kPseudoPages)
        if (p.page == CodePage) return p.meaning;
    return CodePage;
}

std::string IconvCodePageName(unsigned CodePage) {
    if (const PageName* known = FindPage(CodePage)) return known->name;
    // glibc knows most of the system's other pages as "CP" and the number.
    std::string name = "CP" + std::to_string(CodePage);
    return Conversion("UTF-16LE", name).ok() ? name : std::string();
}

std::u16string IconvToWide(const std::string& Text, unsigned CodePage) {
    Conversion conv("UTF-16LE", NameOrFail(CodePage));
    if (!conv.ok()) UnknownPage(CodePage);
    const PageName* page = FindPage(CodePage);
    const std::string_view passed = page ? page->passed : std::string_view();
    const bool holdsBack = page && page->holdsBack;
    std::string out;
    const char* src = Text.data();
    size_t left = Text.size();
    while (!conv.Run(src, left, out)) {
        // The character held back came before the byte in its way.
        if (holdsBack) conv.Finish(out);
        // An undefined byte, or a sequence broken off at the end.
        const auto b = static_cast<unsigned char>(*src);
        const char16_t c = passed.find(static_cast<char>(b)) != std::string_view::npos ? b : kReplacement;
        out += ToUtf16Le(std::u16string_view(&c, 1));
        ++src;
        --left;
    }
    // The last character may still be held back.
    conv.Finish(out);
    return FromUtf16Le(out);
}

std::string IconvFromWide(const std::u16string& Text, unsigned CodePage) {
    Conversion conv(NameOrFail(CodePage), "UTF-16LE");
    if (!conv.ok()) UnknownPage(CodePage);
    const PageName* page = FindPage(CodePage);
    const std::string_view passed = page ? page->passed : std::string_view();
    const std::string bytes = ToUtf16Le(Text);
    std::string out;
    const char* src = bytes.data();
    size_t left = bytes.size();
    while (!conv.Run(src, left, out)) {
        const size_t at = static_cast<size_t>(src - bytes.data()) / 2;
        const char16_t c = Text[at];
        const bool pair = IsHighSurrogate(c) && at + 1 < Text.size() && IsLowSurrogate(Text[at + 1]);
        const size_t skip = pair ? 4 : 2;
        src += std::min(skip, left);
        left -= std::min(skip, left);
        if (c >= 0x80 && c <= 0xFF && passed.find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
            continue;
        }
        // The stand-in goes through the converter too, so that a page with
        // shifted states (ISO-2022-JP) is back in the state that holds it.
        const char16_t fit = pair ? 0 : BestFit(c);
        if (!(fit && conv.RunOne(fit, out)) && !conv.RunOne(kNoFit, out)) out += static_cast<char>(kNoFit);
    }
    conv.Finish(out);
    return out;
}

}  // namespace uni
