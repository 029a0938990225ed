#include "http/mimetypes.h"

#include "netunit/textutil.h"
#include "http/urlpath.h"

namespace http {
namespace {
constexpr char kAnyType[] = "*/*";
}  // namespace

bool MimeTypeOfExt(const std::vector<std::string>& MimeTypes, const std::string& Extension, std::string& Type) {
    bool found = false;
    // A blank line names no extension, so a name without one matches nothing.
    if (Extension.empty()) return false;
    for (const std::string& line : MimeTypes) {
        if (netunit::NthWordView(line, 1) != Extension) continue;
        Type = netunit::NthWordView(line, 2);
        found = true;
    }
    return found;
}

std::string ContentTypeOf(const std::vector<std::string>& MimeTypes, const std::string& FileName) {
    std::string extension = LowerExtension(FileName);
    if (!extension.empty()) extension.erase(0, 1);
    std::string type;
    return MimeTypeOfExt(MimeTypes, extension, type) ? type : kAnyType;
}

}  // namespace http
