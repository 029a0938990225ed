#include "ui/accountrules.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "netunit/textutil.h"

namespace accountrules {
namespace {

constexpr const char* kNumberExitDefault = "10";
constexpr const char* kNegativeExit = "0";
constexpr int32_t kWholeExitDefault = 10;
constexpr double kDecimalExitDefault = 10;

bool Utf8Lead(unsigned char c) { return (c & 0xC0) != 0x80; }

}  // namespace

bool UserNameChar(unsigned char c) {
    return (c >= 'A' && c <= '~' && c != '^') || (c >= '0' && c <= '9') || c == '.';
}

std::string FilterUserName(const std::string& Text, int& Caret) {
    std::string out;
    int position = 0;  // characters of Text seen so far
    const int caret = Caret;
    for (size_t i = 0; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        const bool lead = Utf8Lead(c);
        if (UserNameChar(c)) {
            out += Text[i];
        } else if (lead && position < caret && Caret > 0) {
            --Caret;
        }
        if (lead) ++position;
    }
    return out;
}

bool ParseWhole(const std::string& Text, int64_t& Value) {
    const std::string t = netunit::TrimSpaces(Text);
    if (t.empty()) return false;
    const char* first = t.data();
    if (*first == '+') ++first;
    int64_t v = 0;
    const auto [end, error] = std::from_chars(first, t.data() + t.size(), v);
    if (error != std::errc() || end != t.data() + t.size()) return false;
    Value = v;
    return true;
}

bool ParseDecimal(const std::string& Text, double& Value) {
    const std::string t = netunit::TrimSpaces(Text);
    if (t.empty()) return false;
    double v = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return false;
    Value = v;
    return true;
}

std::string ExitWhole(const std::string& Text) {
    int64_t v = 0;
    if (!ParseWhole(Text, v) || v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
        return kNumberExitDefault;
    return v < 0 ? kNegativeExit : Text;
}

std::string ExitDecimal(const std::string& Text) {
    double v = 0;
    if (!ParseDecimal(Text, v)) return kNumberExitDefault;
    return v < 0 ? kNegativeExit : Text;
}

int32_t StoredWhole(const std::string& Text) {
    int64_t v = 0;
    if (!ParseWhole(Text, v) || v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
        return kWholeExitDefault;
    return static_cast<int32_t>(std::max<int64_t>(v, 0));
}

double StoredDecimal(const std::string& Text) {
    double v = 0;
    if (!ParseDecimal(Text, v)) return kDecimalExitDefault;
    return std::max(v, 0.0);
}

std::string DecimalText(double Value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, Value);
    return error == std::errc() ? std::string(buffer, end) : kNumberExitDefault;
}

std::string LastPathComponent(const std::string& Path) {
    std::string p = Path;
    if (!p.empty() && p.back() == '/') p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool ValidAlias(const std::string& Alias) {
    return !Alias.empty() && Alias != "." && Alias != ".." && Alias.find('/') == std::string::npos;
}

}  // namespace accountrules
