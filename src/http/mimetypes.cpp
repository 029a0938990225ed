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

namespace {
// The file's lower-cased extension without its dot; empty when it has none.
std::string ExtensionOf(const std::string& FileName) {
    std::string extension = LowerExtension(FileName);
    if (!extension.empty()) extension.erase(0, 1);
    return extension;
}
}  // namespace

std::string ContentTypeOf(const std::vector<std::string>& MimeTypes, const std::string& FileName) {
    std::string type;
    return MimeTypeOfExt(MimeTypes, ExtensionOf(FileName), type) ? type : kAnyType;
}

const tmimeindex& tmimeindex::Of(const tmimelist& MimeTypes) {
    if (source_ == &MimeTypes && version_ == MimeTypes.Version()) return *this;
    source_ = &MimeTypes;
    version_ = MimeTypes.Version();
    types_.clear();
    // Walked in order, so a later line for the same extension replaces an
    // earlier one, as in MimeTypeOfExt.
    for (const std::string& line : MimeTypes.Lines()) {
        const std::string_view extension = netunit::NthWordView(line, 1);
        if (!extension.empty()) types_[std::string(extension)] = netunit::NthWordView(line, 2);
    }
    return *this;
}

std::string tmimeindex::ContentTypeOf(const std::string& FileName) const {
    const auto found = types_.find(ExtensionOf(FileName));
    return found != types_.end() ? found->second : kAnyType;
}

}  // namespace http
