#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

void EndChildProcess(tchildprocess& child) {
    if (child.OutputRead >= 0) close(child.OutputRead);
    if (child.InputWrite >= 0) close(child.InputWrite);
    child.OutputRead = child.InputWrite = -1;
    if (child.Pid > 0) {
        kill(-child.Pid, SIGKILL);
        kill(child.Pid, SIGKILL);
        while (waitpid(child.Pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    child.Pid = -1;
}

}  // namespace platform
