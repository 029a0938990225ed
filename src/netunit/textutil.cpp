#include "netunit/textutil.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace netunit {
namespace {

template <typename Text>
Text Left(const Text& s, int n) {
    return n <= 0 ? Text() : s.substr(0, static_cast<size_t>(n));
}

// Positions below 1 count from the first character.
template <typename Text>
Text Range(const Text& s, int i, int j) {
    if (i < 1) i = 1;
    if (j < i || static_cast<size_t>(i) > s.size()) return Text();
    return s.substr(static_cast<size_t>(i - 1), static_cast<size_t>(j - i + 1));
}

template <typename Text>
int FindFrom(const Text& sub, const Text& s, int start) {
    if (sub.empty()) return 0;
    if (start < 1) start = 1;
    if (static_cast<size_t>(start) > s.size()) return 0;
    const size_t at = s.find(sub, static_cast<size_t>(start - 1));
    return at == Text::npos ? 0 : static_cast<int>(at) + 1;
}

template <typename Text>
int FindLast(const Text& sub, const Text& s) {
    if (sub.empty() || sub.size() > s.size()) return 0;
    const size_t at = s.rfind(sub);
    return at == Text::npos ? 0 : static_cast<int>(at) + 1;
}

template <typename Text>
Text TrimBlanksThenCR(const Text& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    while (b < e && s[b] == '\r') ++b;
    while (e > b && s[e - 1] == '\r') --e;
    return s.substr(b, e - b);
}

// Upper-casing follows the Unicode tables, never the user's locale.
locale_t UnicodeLocale() {
    static const locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

char16_t UpperUnit(char16_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 'a' + 'A') : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const locale_t loc = UnicodeLocale();
    if (loc == static_cast<locale_t>(nullptr)) return c;
    const wint_t upper = ::towupper_l(static_cast<wint_t>(c), loc);
    // A unit whose capital lies outside the basic plane keeps its form, so the
    // length never changes.
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

}  // namespace

std::string CopyLeft(const std::string& s, int n) { return Left(s, n); }
std::string CopyToEnd(const std::string& s, int i) { return Range(s, i, static_cast<int>(s.size())); }
std::string CopyRange(const std::string& s, int i, int j) { return Range(s, i, j); }
int PosFrom(const std::string& sub, const std::string& s, int start) { return FindFrom(sub, s, start); }
int LastPos(const std::string& sub, const std::string& s) { return FindLast(sub, s); }

std::string ReplaceAll(const std::string& s, const std::string& find, const std::string& replacement) {
    if (find.empty()) return s;
    std::string out;
    size_t from = 0;
    for (size_t at = s.find(find); at != std::string::npos; at = s.find(find, from)) {
        out.append(s, from, at - from);
        out += replacement;
        from = at + find.size();
    }
    out.append(s, from, std::string::npos);
    return out;
}

std::string StripUnquotedSpaces(const std::string& s) {
    std::string out;
    bool quoted = false;
    for (char c : s) {
        if (c == '"') quoted = !quoted;
        if (c == ' ' && !quoted) continue;
        out += c;
    }
    return out;
}

std::string GetField(const std::string& s, int n, char delimiter) {
    if (n < 1) return std::string();
    const std::string text = TrimSpacesCR(s);
    size_t start = 0;
    for (int field = 1;; ++field) {
        const size_t end = text.find(delimiter, start);
        if (field == n) return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos) return std::string();
        start = end + 1;
    }
}

std::string Int64ToStr(int64_t value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

bool TryStrToInt64(const std::string& s, int64_t& value) {
    const char* first = s.data();
    const char* last = first + s.size();
    // Blanks before the number are taken, as a hand-edited "key = 80" has them.
    while (first != last && *first == ' ') ++first;
    // from_chars takes "-" but not "+"; a "+" must still be followed by a digit.
    if (first != last && *first == '+') {
        ++first;
        if (first == last || *first < '0' || *first > '9') return false;
    }
    int64_t parsed = 0;
    const auto r = std::from_chars(first, last, parsed);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = parsed;
    return true;
}

int64_t ParseInt64(const std::string& s) {
    int64_t value = -1;
    return TryStrToInt64(s, value) ? value : -1;
}

std::string AsciiLowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string AsciiUpperCase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string TrimSpacesCR(const std::string& s) { return TrimBlanksThenCR(s); }
std::u16string TrimSpacesCR(const std::u16string& s) { return TrimBlanksThenCR(s); }

std::u16string WideUpper(const std::u16string& s) {
    std::u16string out(s);
    for (char16_t& c : out) c = UpperUnit(c);
    return out;
}

std::u16string WideCopyLeft(const std::u16string& s, int n) { return Left(s, n); }
std::u16string WideCopyToEnd(const std::u16string& s, int i) {
    return Range(s, i, static_cast<int>(s.size()));
}
std::u16string WideCopyRange(const std::u16string& s, int i, int j) { return Range(s, i, j); }
int WidePos(const std::u16string& sub, const std::u16string& s) { return FindFrom(sub, s, 1); }
int WidePosFrom(const std::u16string& sub, const std::u16string& s, int start) {
    return FindFrom(sub, s, start);
}
int WideLastPos(const std::u16string& sub, const std::u16string& s) { return FindLast(sub, s); }

std::string_view NthWordView(std::string_view Text, int N) {
    int current = 1;
    size_t i = 0;
    while (i < Text.size()) {
        if (Text[i] == ' ') {
            ++current;
            while (i < Text.size() && Text[i] == ' ') ++i;
            continue;
        }
        if (current > N) break;
        const size_t end = std::min(Text.find(' ', i), Text.size());
        if (current == N) return Text.substr(i, end - i);
        i = end;
    }
    return {};
}

std::string NthWord(const std::string& Text, int N) { return std::string(NthWordView(Text, N)); }

std::string CommandArgument(const std::string& Text) {
    size_t i = Text.find(' ');
    if (i == std::string::npos) return std::string();
    while (i < Text.size() && Text[i] == ' ') ++i;
    return Text.substr(i);
}

std::string FirstLine(const std::string& Text) { return Text.substr(0, Text.find('\r')); }

int CountLF(const std::string& Text) { return static_cast<int>(std::count(Text.begin(), Text.end(), '\n')); }

std::string TrimSpaces(const std::string& Text) {
    const size_t first = Text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return Text.substr(first, Text.find_last_not_of(' ') - first + 1);
}

std::string CopyFrom(const std::string& Text, int Index) { return CopyToEnd(Text, Index); }

int MinInt(int A, int B) { return A < B ? A : B; }

void PrependToBuffer(const std::string& Text, char* Buffer, size_t Count) {
    std::memmove(Buffer + Text.size(), Buffer, Count);
    std::memcpy(Buffer, Text.data(), Text.size());
}

void CopyIntoBuffer(const std::string& Text, char* Buffer, size_t Offset) {
    std::memcpy(Buffer + Offset, Text.data(), Text.size());
}

}  // namespace netunit
