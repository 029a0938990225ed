#include "widgets/shell/fileuri.h"

namespace shell {

namespace {

constexpr std::string_view kFileScheme = "file:";
constexpr std::string_view kLocalHost = "localhost";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool PercentDecode(std::string_view text, std::string& bytes) {
    bytes.clear();
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (text.size() - i < 3) return false;
        const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string FileUriOf(const std::string& path) { return "file://" + PercentEncodePath(path); }

bool PathOfFileUri(std::string_view uri, std::string& path) {
    path.clear();
    if (uri.size() < kFileScheme.size() || !EqualNoCase(uri.substr(0, kFileScheme.size()), kFileScheme)) return false;
    std::string_view rest = uri.substr(kFileScheme.size());
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return false;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !EqualNoCase(host, kLocalHost)) return false;
        rest.remove_prefix(slash);
    }
    // A query or fragment is no part of a file's name.
    if (rest.find_first_of("?#") != std::string_view::npos) return false;
    std::string bytes;
    if (!PercentDecode(rest, bytes) || bytes.empty() || bytes[0] != '/' ||
        bytes.find('\0') != std::string::npos)
        return false;
    path = std::move(bytes);
    return true;
}

std::string UriListText(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& p : paths) list += FileUriOf(p) + "\r\n";
    return list;
}

std::vector<std::string> PathsOfUriList(std::string_view text) {
    std::vector<std::string> paths;
    if (text.size() > kMaxUriListBytes) return paths;
    size_t pos = 0;
    while (pos < text.size() && paths.size() < kMaxUriListPaths) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == '#') continue;
        std::string path;
        if (PathOfFileUri(line, path)) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace shell
