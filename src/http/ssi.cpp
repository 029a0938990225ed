#include "http/ssi.h"

#include "netunit/paths.h"
#include "netunit/textutil.h"

namespace http {
namespace {

constexpr char kIncludeCommand[] = "include";
// The key starts after "include" and the character behind it.
constexpr int kKeyPosition = 9;

bool MayLeaveFolder(const std::string& Value) {
    return Value.find("..") != std::string::npos || Value.find('\0') != std::string::npos;
}

}  // namespace

IncludeDirective ParseDirective(const std::string& Directive) {
    IncludeDirective result;
    if (netunit::AsciiLowerCase(netunit::NthWord(Directive, 1)) != kIncludeCommand) return result;
    result.Include = true;
    const std::string setting = netunit::StripUnquotedSpaces(netunit::CopyToEnd(Directive, kKeyPosition));
    const size_t equals = setting.find('=');
    result.Key = netunit::AsciiLowerCase(setting.substr(0, equals));
    if (equals == std::string::npos) return result;
    std::string value = setting.substr(equals + 1);
    if (!value.empty() && value.front() == '"') {
        value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
        value = netunit::TrimSpaces(value);
    }
    result.Value = value;
    return result;
}

std::string IncludePath(const IncludeDirective& Directive, const std::string& PageFolder,
                        const std::string& DocumentRoot) {
    const std::string& value = Directive.Value;
    if (!Directive.Include || value.empty() || MayLeaveFolder(value)) return {};
    if (Directive.Key == "file") {
        if (value.front() == netunit::kPathDelimiter || PageFolder.empty()) return {};
        return netunit::AddBackslash(PageFolder) + value;
    }
    if (Directive.Key == "virtual") {
        // The value names a path from the root, with or without its first "/".
        const size_t start = value.find_first_not_of(netunit::kPathDelimiter);
        if (DocumentRoot.empty() || start == std::string::npos) return {};
        return netunit::AddBackslash(DocumentRoot) + value.substr(start);
    }
    return {};
}

}  // namespace http
