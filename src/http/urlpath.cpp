#include "http/urlpath.h"

#include <algorithm>
#include <string_view>

#include "core/filesizes.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"
#include "netunit/urlencode.h"

namespace http {
namespace {
// An absolute URL's path starts after "scheme://host/".
constexpr int kSlashesBeforeAbsolutePath = 3;
}  // namespace

std::string EncodeUrlPath(const std::string& Path) {
    std::string encoded;
    size_t at = 0;
    for (;;) {
        const size_t slash = Path.find('/', at);
        encoded += netunit::PercentEncode(Path.substr(at, slash - at));
        if (slash == std::string::npos) return encoded;
        encoded += '/';
        at = slash + 1;
    }
}

bool IsSafePath(const std::string& Path) { return IsSafePath(Path, Path.find('?')); }

bool IsSafePath(const std::string& Path, size_t QueryAt) {
    if (Path.find('\\') < QueryAt) return false;
    if (Path.find("..") != std::string::npos || Path.find("/./") != std::string::npos) return false;
    if (Path.find('~') != std::string::npos) return false;
    for (char c : Path)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    if (IsDeviceName(Path)) return false;
    if (!Path.empty()) {
        const char last = Path.back();
        // A final "?" of a name (sent as %3F) is no empty query.
        if (last == '.' || last == ' ' || (last == '?' && QueryAt != std::string::npos)) return false;
    }
    return !(Path.size() >= 2 && Path.compare(Path.size() - 2, 2, "./") == 0);
}

std::string LowerExtension(const std::string& Name) {
    const size_t dot = Name.rfind('.');
    if (dot == std::string::npos) return {};
    const size_t slash = Name.rfind(netunit::kPathDelimiter);
    if (slash != std::string::npos && slash > dot) return {};
    return netunit::AsciiLowerCase(Name.substr(dot));
}

std::string RelativePathOf(const std::string& Url) {
    if (!Url.empty() && Url[0] == '/') return Url.substr(1);
    size_t at = std::string::npos;
    for (int i = 0; i < kSlashesBeforeAbsolutePath; ++i) {
        at = Url.find('/', at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) return {};
    }
    return Url.substr(at + 1);
}

bool CanonicalRelativePath(const std::string& Url, std::string& Relative) {
    const std::string relative = RelativePathOf(Url);
    std::string canonical;
    canonical.reserve(relative.size());
    size_t at = 0;
    while (at < relative.size()) {
        size_t end = relative.find('/', at);
        if (end == std::string::npos) end = relative.size();
        const std::string_view segment(relative.data() + at, end - at);
        if (segment == "." || segment == "..") {
            Relative = relative;
            return false;
        }
        if (!segment.empty()) {
            canonical += segment;
            if (end < relative.size()) canonical += '/';
        }
        at = end + 1;
    }
    for (const char c : canonical) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) {
            Relative = relative;
            return false;
        }
    }
    Relative = std::move(canonical);
    return true;
}

std::string FolderRedirectUrl(const std::string& Relative) {
    const size_t query = std::min(Relative.find('?'), Relative.size());
    return FolderRedirectUrl(Relative.substr(0, query), Relative.substr(query));
}

std::string FolderRedirectUrl(const std::string& RelativePath, const std::string& QueryPart) {
    return "/" + EncodeUrlPath(RelativePath) + "/" + QueryPart;
}

bool FirstComponent(const std::string& Path, std::string& Component) {
    const size_t slash = Path.find(netunit::kPathDelimiter);
    Component = slash == std::string::npos ? std::string() : Path.substr(0, slash);
    return slash != std::string::npos;
}

bool SameFolder(const std::string& A, const std::string& B) {
    return netunit::AddBackslash(A) == netunit::AddBackslash(B);
}

}  // namespace http
