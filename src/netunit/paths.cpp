#include "netunit/paths.h"

#include <algorithm>
#include <vector>

namespace netunit {
namespace {

std::string AsciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The path's components with "." and empty ones dropped and each ".." taking
// the one before it away (never above the root).
std::vector<std::string> NormalComponents(const std::string& path) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= path.size()) {
        size_t end = path.find(kPathDelimiter, at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        at = end + 1;
    }
    return parts;
}

}  // namespace

std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == kPathDelimiter) return path;
    return path + kPathDelimiter;
}

std::string FromFolder(const std::string& base, const std::string& path) {
    return path.empty() || path.front() == kPathDelimiter ? path : base + path;
}

std::string RemoveBackslash(const std::string& path) {
    if (!path.empty() && path.back() == kPathDelimiter) return path.substr(0, path.size() - 1);
    return path;
}

std::string WideExtractPath(const std::string& name) {
    const size_t slash = name.rfind(kPathDelimiter);
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string WideExtractExt(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsReservedDeviceName(const std::string& name) {
    if (name.size() < 3) return false;
    const std::string upper = AsciiUpper(name);
    static const char* const kWholeNames[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2",
                                              "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8",
                                              "LPT9", "AUX"};
    for (const char* device : kWholeNames)
        if (upper == device) return true;
    if (upper.size() >= 5) {
        const std::string stem = upper.substr(upper.size() - 5, 4);
        const char last = upper.back();
        if (stem == "/COM" && last >= '1' && last <= '4') return true;
        if (stem == "/LPT" && last >= '1' && last <= '9') return true;
    }
    return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, "/AUX") == 0;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::vector<std::string> inner = NormalComponents(path), outer = NormalComponents(folder);
    return inner.size() >= outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

}  // namespace netunit
