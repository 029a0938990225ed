#include "widgets/unicode/unistrutils.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRect>
#include <QWidget>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "netunit/sharing.h"
#include "netunit/utf16.h"
#include "widgets/unicode/unicodepages.h"
#include "widgets/unicode/unisysutils.h"

namespace uni {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
// The most characters a loaded string resource may have.
constexpr int kResStringMax = 4096;

// --- UTF-7 character classes (RFC 2152) ---

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kSetD = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
constexpr std::string_view kSetO = "!\"#$%&*;<=>@[]^_`{|}";
constexpr std::string_view kWhite = "\t\r\n ";

struct Utf7Tables {
    std::array<bool, 128> direct{};
    std::array<int8_t, 128> base64{};
    Utf7Tables() {
        base64.fill(-1);
        for (std::string_view set : {kSetD, kSetO, kWhite})
            for (char c : set) direct[static_cast<unsigned char>(c)] = true;
        for (size_t i = 0; i < kBase64.size(); ++i) base64[static_cast<unsigned char>(kBase64[i])] = static_cast<int8_t>(i);
    }
};

const Utf7Tables& Tables() {
    static const Utf7Tables tables;
    return tables;
}

bool IsDirect(char16_t c) { return c < 128 && Tables().direct[c]; }
int Base64Value(unsigned char c) { return c < 128 ? Tables().base64[c] : -1; }

// --- UTF-8 ---

// The sequence length a lead byte announces and the range its second byte
// must fall in (RFC 3629's table, which excludes overlong forms, surrogates
// and values above U+10FFFF); 0 for a byte that leads nothing.
struct Lead {
    int length;
    unsigned char low, high;
};

Lead LeadOf(unsigned char b) {
    if (b < 0x80) return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b >= 0xE1 && b <= 0xEC) return {3, 0x80, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xEE && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// --- resources ---

TResStringLoader& Loader() {
    static TResStringLoader loader;
    return loader;
}

const std::map<uintptr_t, std::u16string>& ResStrings() {
    static const std::map<uintptr_t, std::u16string> table = {
        {SUniListIndexError, u"List index out of bounds (%d)"},
        {SUniSortedListError, u"Operation not allowed on sorted string list"},
        {SUniDuplicateString, u"String list does not allow duplicates"},
        {SUniListCapacityError, u"List capacity out of bounds (%d)"},
    };
    return table;
}

const std::u16string* FindResString(uintptr_t id) {
    const auto& table = ResStrings();
    auto it = table.find(id);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace

// --- wide buffers ---

char16_t* WideBufferAlloc(int n) {
    if (n < 0) n = 0;
    const uint32_t bytes = static_cast<uint32_t>(n) * 2 + 4;
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &bytes, sizeof bytes);
    return reinterpret_cast<char16_t*>(block + 4);
}

void WideBufferFree(char16_t* p) {
    if (p) std::free(reinterpret_cast<unsigned char*>(p) - 4);
}

char16_t* WideBufferCopy(char16_t* dest, const char16_t* src, int n) {
    if (n > 0) std::memmove(dest, src, static_cast<size_t>(n) * sizeof(char16_t));
    return dest;
}

char16_t* WideBufferDup(const char16_t* src) {
    if (!src) return nullptr;
    const int len = WideBufferLen(src);
    char16_t* p = WideBufferAlloc(len + 1);
    return WideBufferCopy(p, src, len + 1);
}

int WideBufferLen(const char16_t* p) {
    int n = 0;
    while (p[n]) ++n;
    return n;
}

char16_t* WideBufferEnd(char16_t* p) { return p + WideBufferLen(p); }

char16_t* WideBufferLCopy(char16_t* dest, const char16_t* src, int n) {
    if (n < 0) return dest;
    int i = 0;
    while (i < n && src[i]) {
        dest[i] = src[i];
        ++i;
    }
    dest[i] = 0;
    return dest;
}

char16_t* WideBufferScan(char16_t* p, char16_t c) {
    for (; *p; ++p)
        if (*p == c) return p;
    return c == 0 ? p : nullptr;
}

void SwapWideBytes16(char16_t* buffer) {
    for (; *buffer; ++buffer) *buffer = static_cast<char16_t>(*buffer << 8 | *buffer >> 8);
}

// --- conversions ---

std::string WideToUtf8(const std::u16string& Text) {
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        char32_t c = Text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        netunit::AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToWide(const std::string& Text) {
    std::u16string out;
    out.reserve(Text.size());
    const size_t n = Text.size();
    size_t i = 0;
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(Text[i]);
        const Lead lead = LeadOf(b0);
        if (lead.length == 1) {
            out += static_cast<char16_t>(b0);
            ++i;
            continue;
        }
        if (lead.length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        char32_t c = b0 & (0xFF >> (lead.length + 1));
        size_t k = 1;
        bool whole = true;
        for (; k < static_cast<size_t>(lead.length); ++k) {
            if (i + k >= n) {
                whole = false;
                break;
            }
            const auto b = static_cast<unsigned char>(Text[i + k]);
            const unsigned char low = k == 1 ? lead.low : 0x80;
            const unsigned char high = k == 1 ? lead.high : 0xBF;
            if (b < low || b > high) {
                whole = false;
                break;
            }
            c = c << 6 | (b & 0x3F);
        }
        if (whole) {
            netunit::AppendUtf16(out, c);
        } else {
            // The valid start of a sequence that breaks off is one character.
            out += kReplacement;
        }
        i += k;
    }
    return out;
}

std::string WideToUtf7(const std::u16string& Text) {
    std::string out;
    uint32_t bits = 0;
    int bitCount = 0;
    bool shifted = false;
    auto flush = [&](size_t next) {
        if (bitCount > 0) {
            out += kBase64[(bits << (6 - bitCount)) & 0x3F];
            bitCount = 0;
            bits = 0;
        }
        // "-" is needed only where the next character would read as part of
        // the run.
        if (next < Text.size()) {
            const char16_t c = Text[next];
            if (c == u'-' || (c < 128 && Base64Value(static_cast<unsigned char>(c)) >= 0)) out += '-';
        }
        shifted = false;
    };
    for (size_t i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i];
        const bool direct = c == u'+' || IsDirect(c);
        if (direct) {
            if (shifted) flush(i);
            if (c == u'+')
                out += "+-";
            else
                out += static_cast<char>(c);
            continue;
        }
        if (!shifted) {
            out += '+';
            shifted = true;
        }
        bits = bits << 16 | c;
        bitCount += 16;
        while (bitCount >= 6) {
            bitCount -= 6;
            out += kBase64[(bits >> bitCount) & 0x3F];
        }
        bits &= (1u << bitCount) - 1;
    }
    if (shifted) flush(Text.size());
    return out;
}

std::u16string Utf7ToWide(const std::string& Text) {
    std::u16string out;
    bool malformed = false;
    const size_t n = Text.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(Text[i]);
        if (c != '+') {
            if (c > 127) malformed = true;
            out += static_cast<char16_t>(c);
            ++i;
            continue;
        }
        ++i;
        if (i < n && Text[i] == '-') {
            out += u'+';
            ++i;
            continue;
        }
        uint32_t bits = 0;
        int bitCount = 0;
        bool produced = false;
        while (i < n) {
            const int v = Base64Value(static_cast<unsigned char>(Text[i]));
            if (v < 0) break;
            bits = (bits << 6 | static_cast<uint32_t>(v)) & 0x3FFFFF;
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                out += static_cast<char16_t>(bits >> bitCount);
                bits &= (1u << bitCount) - 1;
                produced = true;
            }
            ++i;
        }
        if (!produced || (bits & ((1u << bitCount) - 1)) != 0) malformed = true;
        // "+" belongs to the base-64 alphabet, so only "-" can end a run
        // as a mark of its own.
        if (i < n && Text[i] == '-') ++i;
    }
    if (malformed) throw EUniGeneralError("Invalid UTF-7 text.");
    return out;
}

std::string WideToAnsi(const std::u16string& Text) { return WideToUtf8(Text); }
std::u16string AnsiToWide(const std::string& Text) { return Utf8ToWide(Text); }

std::u16string CodePageToWide(const std::string& Text, unsigned CodePage) {
    switch (const unsigned page = ResolveCodePage(CodePage)) {
        case CP_UTF7: return Utf7ToWide(Text);
        case CP_UTF8:
        case CP_ACP: return Utf8ToWide(Text);
        default: return IconvToWide(Text, page);
    }
}

std::string WideToCodePage(const std::u16string& Text, unsigned CodePage) {
    switch (const unsigned page = ResolveCodePage(CodePage)) {
        case CP_UTF7: return WideToUtf7(Text);
        case CP_UTF8:
        case CP_ACP: return WideToUtf8(Text);
        default: return IconvFromWide(Text, page);
    }
}

// --- string resources ---

void SetWideResStringLoader(TResStringLoader L) { Loader() = std::move(L); }

bool IsResourceIdentifier(uintptr_t Value) { return (Value >> 16) == 0; }

std::u16string WideLoadResString(const TResStringRec* Rec) {
    if (Rec && Loader()) {
        TResStringLoader loader = Loader();
        if (auto text = loader(*Rec)) return *text;
    }
    if (!Rec) return {};
    if (!IsResourceIdentifier(Rec->Identifier)) {
        const std::string text(reinterpret_cast<const char*>(Rec->Identifier));
        if (text.size() > 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToWide(text.substr(3));
        return AnsiToWide(text);
    }
    std::u16string buffer(kResStringMax + 1, u'\0');
    const int n = WideLoadString(Rec->Identifier, buffer.data(), kResStringMax + 1);
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

int WideLoadString(uintptr_t Identifier, char16_t* Buffer, int BufferMax) {
    const std::u16string* entry = FindResString(Identifier);
    if (!entry) return 0;
    if (!Buffer) return static_cast<int>(entry->size());
    if (BufferMax <= 0) return 0;
    const int n = std::min(static_cast<int>(entry->size()), BufferMax - 1);
    WideBufferCopy(Buffer, entry->data(), n);
    Buffer[n] = 0;
    return n;
}

// --- text routines ---

void WideSetWindowText(QWidget* Window, const std::u16string& Text) {
    const QString text = QString::fromStdU16String(Text);
    if (auto* edit = qobject_cast<QLineEdit*>(Window))
        edit->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(Window))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(Window))
        label->setText(text);
    else if (Window)
        Window->setWindowTitle(text);
}

namespace {

// The full path of a name: relative to the working folder, "." and ".."
// resolved by the text alone, as the system's full-path call does; a
// trailing "/" is kept.
std::u16string FullPathOf(const std::u16string& FileName) {
    std::string name = WideToUtf8(FileName);
    if (name.empty() || name[0] != '/') {
        std::vector<char> cwd(4096);
        while (!getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE || cwd.size() > (1u << 20)) return FileName;
            cwd.resize(cwd.size() * 2);
        }
        name = std::string(cwd.data()) + "/" + name;
    }
    std::vector<std::string> parts;
    size_t pos = 1;
    while (pos <= name.size()) {
        size_t slash = name.find('/', pos);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    if (full.empty() || (name.back() == '/' && !parts.empty())) full += "/";
    return Utf8ToWide(full);
}

}  // namespace

int WideGetFullPathName(const std::u16string& FileName, int BufferLength, char16_t* Buffer, char16_t** FilePart) {
    if (FileName.empty()) return 0;
    const std::u16string full = FullPathOf(FileName);
    const int needed = static_cast<int>(full.size()) + 1;
    if (!Buffer || BufferLength < needed) return needed;
    WideBufferCopy(Buffer, full.data(), needed - 1);
    Buffer[needed - 1] = 0;
    if (FilePart) {
        const size_t slash = full.rfind(u'/');
        *FilePart = Buffer + (slash == std::u16string::npos ? 0 : slash + 1);
    }
    return needed - 1;
}

int WideCreateFile(const std::u16string& FileName, unsigned Access, unsigned Share, bool Create) {
    const std::string name = WideToUtf8(FileName);
    const int flags = (Access & 3) == 1 ? O_WRONLY : (Access & 3) == 2 ? O_RDWR : O_RDONLY;
    // The in-process sharing table knows readers and writers; a file open
    // for writing is never opened again, whatever the sharing asked for.
    (void)Share;
    if (Create) return netunit::OpenShared(name, O_RDWR | O_CREAT, netunit::ShareMode::Write, true);
    return netunit::OpenShared(name, flags, flags == O_RDONLY ? netunit::ShareMode::Read : netunit::ShareMode::Write);
}

int WideDrawText(QPainter& Painter, const char16_t* Text, int Length, const QRect& Rect, int Flags) {
    if (!Text) return 0;
    const int n = Length < 0 ? WideBufferLen(Text) : Length;
    const QString text = QString::fromUtf16(Text, n);
    QRect drawn;
    Painter.drawText(Rect, Flags, text, &drawn);
    return drawn.height();
}

}  // namespace uni
