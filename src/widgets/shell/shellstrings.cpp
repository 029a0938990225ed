#include "widgets/shell/shellstrings.h"

#include <sys/stat.h>

#include <QLocale>
#include <cstring>

#include "widgets/shell/pidl.h"
#include "widgets/unicode/unistrutils.h"

namespace shell {

void SwapWideBytes(char16_t* text) {
    if (text) uni::SwapWideBytes16(text);
}

void WideMove(char16_t* dest, const char16_t* source, size_t count) {
    if (count) std::memmove(dest, source, count * sizeof(char16_t));
}

const char16_t* WideStrRScan(const char16_t* text, char16_t c) {
    if (!text) return nullptr;
    const char16_t* found = nullptr;
    for (const char16_t* p = text; *p; ++p)
        if (*p == c) found = p;
    return found;
}

const char16_t* WideStrPos(const char16_t* text, const char16_t* sub) {
    if (!text || !sub || !*sub) return nullptr;
    const std::u16string_view t(text), s(sub);
    if (s.size() > t.size()) return nullptr;
    const size_t at = t.find(s);
    return at == std::u16string_view::npos ? nullptr : text + at;
}

int WideDriveSeparatorPos(const std::u16string& text) {
    const size_t at = text.find(u":/");
    return at == std::u16string::npos ? 0 : static_cast<int>(at) + 1;
}

void WideExtractDrive(const std::u16string& path, std::u16string& drive) {
    drive.clear();
    const int at = WideDriveSeparatorPos(path);
    if (at > 0) drive = path.substr(0, at);
}

void WideExtractFileExt(const std::u16string& path, std::u16string& ext) {
    // Only the last element counts: a dot in a folder's name is no extension.
    const size_t slash = path.rfind(u'/');
    const size_t start = slash == std::u16string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind(u'.');
    if (dot == std::u16string::npos || dot < start) return;
    ext = path.substr(dot);
}

bool WideDirectoryExists(const char16_t* path) {
    if (!path) return false;
    struct stat st;
    return ::stat(uni::WideToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void WideInsert(const std::u16string& sub, std::u16string& text, int index) {
    if (index >= 0 && index <= static_cast<int>(text.size())) text.insert(static_cast<size_t>(index), sub);
}

void WideAddThousandSeparators(const std::u16string& digits, std::u16string& out) {
    const std::u16string sep = QLocale().groupSeparator().toStdU16String();
    out.clear();
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        // A separator before each group of three counted from the right,
        // never before the first digit or after the last.
        if (i > 0 && (n - i) % 3 == 0) out += sep;
        out += digits[i];
    }
}

void WideIntToStr(int32_t value, std::u16string& out) {
    const std::string s = std::to_string(value);
    out.assign(s.begin(), s.end());
}

void StrRetToWide(STRRET ret, PCItemIDList list, std::u16string& out) {
    switch (ret.uType) {
    case STRRET_WSTR:
        out = ret.pOleStr ? std::u16string(ret.pOleStr) : std::u16string();
        ShellFree(ret.pOleStr);
        break;
    case STRRET_OFFSET:
        if (!list) {
            out.clear();
        } else {
            const uint32_t size = PidlSize(list);
            const char* base = reinterpret_cast<const char*>(list);
            out = ret.uOffset < size ? uni::Utf8ToWide(std::string(base + ret.uOffset, strnlen(base + ret.uOffset, size - ret.uOffset)))
                                     : std::u16string();
        }
        break;
    case STRRET_CSTR:
        out = uni::Utf8ToWide(std::string(ret.cStr, strnlen(ret.cStr, sizeof ret.cStr)));
        break;
    default:
        break;
    }
}

}  // namespace shell
