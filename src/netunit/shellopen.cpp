#include "netunit/shellopen.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace netunit {
namespace {

std::mutex programMutex;
std::string shellOpenProgram = "xdg-open";

std::string Program() {
    std::lock_guard<std::mutex> lock(programMutex);
    return shellOpenProgram;
}

}  // namespace

void SetShellOpenProgram(const std::string& program) {
    std::lock_guard<std::mutex> lock(programMutex);
    shellOpenProgram = program;
}

void ShellOpen(forms::TComponent* /*window*/, const std::string& target) { StartShellOpen(target); }

bool StartShellOpen(const std::string& target) {
    const std::string program = Program();
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                            nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    if (::posix_spawn_file_actions_init(&actions) != 0) return false;
    if (::posix_spawnattr_init(&attr) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    // Nothing to read: the handler must not take the server's input. Its own
    // process group keeps our terminal signals away from it.
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&attr, 0);

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    ::posix_spawnattr_destroy(&attr);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;

    // The handler may live as long as it likes; a waiter of its own reaps it
    // so that no zombie is left behind.
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace netunit
