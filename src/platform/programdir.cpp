#include "platform/programdir.h"

#include <climits>
#include <unistd.h>

namespace platform {

namespace {
std::string& Override() {
    static std::string dir;
    return dir;
}
}  // namespace

void SetProgramDir(const std::string& dir) { Override() = dir.empty() || dir.back() == '/' ? dir : dir + "/"; }

std::string ProgramDir() {
    if (!Override().empty()) return Override();
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace platform
