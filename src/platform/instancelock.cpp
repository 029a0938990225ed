#include "platform/instancelock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string InstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0' && access(runtime, W_OK) == 0)
        return std::string(runtime) + "/quillnest.lock";
    return "/tmp/quillnest-" + std::to_string(getuid()) + ".lock";
}

bool AcquireInstanceLock() {
    // The descriptor stays open (and locked) until the process ends.
    int fd = open(InstanceLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    bool held = errno == EWOULDBLOCK;
    close(fd);
    return !held;
}

}  // namespace platform
