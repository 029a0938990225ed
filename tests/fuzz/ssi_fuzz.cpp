// Feeds arbitrary bytes to the include-page parser as page text, walking its
// directives as the page step does. Whatever the page says, an include names
// a file in the page's own folder ("file") or below the site's root
// ("virtual"), never one above them, and never a name with a NUL.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "http/ssi.h"

namespace {

using fuzz::Check;

constexpr char kPageFolder[] = "/srv/site/www/sub/";
constexpr char kRoot[] = "/srv/site/www";

bool HasUpperCase(const std::string& text) {
    for (const char c : text)
        if (c >= 'A' && c <= 'Z') return true;
    return false;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

void CheckInclude(const std::string& directive, const std::string& folder, const std::string& root) {
    const http::IncludeDirective parsed = http::ParseDirective(directive);
    Check(!HasUpperCase(parsed.Key));
    if (!parsed.Include) Check(parsed.Key.empty() && parsed.Value.empty());

    const std::string path = http::IncludePath(parsed, folder, root);
    if (path.empty()) return;
    Check(parsed.Include);
    Check(path.find("..") == std::string::npos && path.find('\0') == std::string::npos);
    if (parsed.Key == "file") {
        const std::string base = folder.back() == '/' ? folder : folder + "/";
        Check(StartsWith(path, base) && path.size() > base.size() && path[base.size()] != '/');
        Check(path.substr(base.size()) == parsed.Value);
    } else {
        Check(parsed.Key == "virtual");
        const std::string base = root.back() == '/' ? root : root + "/";
        Check(StartsWith(path, base) && path.size() > base.size() && path[base.size()] != '/');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the folders' spellings: with or without their
    // closing "/", or missing.
    const std::string folder = data[0] & 1 ? std::string(kPageFolder) : std::string(kPageFolder, sizeof kPageFolder - 2);
    const std::string root = data[0] & 2 ? std::string(kRoot) + "/" : std::string(kRoot);
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Every directive of the page, as the page step finds them.
    size_t from = 0;
    while (from < page.size()) {
        const size_t start = page.find(http::kDirectiveStart, from);
        if (start == std::string::npos) break;
        const size_t after = start + http::kDirectiveStartLength;
        const size_t end = page.find(http::kDirectiveEnd, after);
        if (end == std::string::npos || end - after > http::kDirectiveSearchLimit) break;
        const std::string directive = page.substr(after, end - after);
        Check(directive.find(http::kDirectiveEnd) == std::string::npos);
        CheckInclude(directive, folder, root);
        if (data[0] & 4) CheckInclude(directive, "", "");
        from = end + http::kDirectiveEndLength;
    }
    // The whole text as one directive, so that the parser is reached on
    // every input and not only behind a "<!--#".
    CheckInclude(page, folder, root);
    return 0;
}
