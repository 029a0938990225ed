#include "platform/programdir.h"

#include <climits>
#include <unistd.h>

#include "netunit/paths.h"

namespace platform {

namespace {
std::string& Override() {
    static std::string dir;
    return dir;
}
}  // namespace

void SetProgramDir(const std::string& dir) { Override() = dir.empty() || dir.back() == '/' ? dir : dir + "/"; }

namespace {
// The executable's path as the system reports it; empty when it does not.
std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

constexpr const char* kExecutableName = "quillnest";
}  // namespace

std::string ProgramDir() {
    if (!Override().empty()) return Override();
    const std::string path = ExecutablePath();
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string InProgramDir(const std::string& folder) { return netunit::FromFolder(ProgramDir(), folder); }

std::string ProgramPath() {
    if (!Override().empty()) return Override() + kExecutableName;
    const std::string path = ExecutablePath();
    return path.empty() ? std::string("./") + kExecutableName : path;
}

}  // namespace platform
