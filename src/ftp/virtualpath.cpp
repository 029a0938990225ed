#include "ftp/virtualpath.h"

namespace ftp {
namespace {

bool IsRootOrUnder(const std::string& path, const std::string& root) {
    return path == root || path.compare(0, root.size() + 1, root + "/") == 0;
}

}  // namespace

int VirtualRootOf(const std::string& path) {
    if (IsRootOrUnder(path, "/anonymous")) return kRootAnonymous;
    if (IsRootOrUnder(path, "/home")) return kRootHome;
    if (IsRootOrUnder(path, "/shared")) return kRootShared;
    if (IsRootOrUnder(path, "/super")) return kRootSuper;
    return kRootNone;
}

std::string ParentVirtualDir(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return path;
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string ResolveVirtualPath(const std::string& currentDir, const std::string& argument) {
    std::string result = !argument.empty() && argument[0] == '/' ? "/" : currentDir;
    std::string component;
    auto complete = [&] {
        if (component == "..")
            result = ParentVirtualDir(result);
        else if (component != ".")
            result += (result == "/" ? "" : "/") + component;
        component.clear();
    };
    for (size_t i = 0; i < argument.size(); ++i) {
        const char c = argument[i];
        if (c == '\\') break;
        const bool last = i + 1 == argument.size();
        if (c == '/') {
            complete();
            continue;
        }
        component += c;
        if (last) complete();
    }
    return result;
}

bool RefusedPathArgument(const std::string& argument) {
    if (argument.find("...") != std::string::npos) return true;
    for (unsigned char c : argument)
        if (c < 0x20) return true;
    return false;
}

}  // namespace ftp
