// The single-instance guard: an exclusive lock on a file in the user's runtime
// folder. A second copy finds it held and ends at once.
#pragma once

#include <string>

namespace platform {

// The lock file's path: $XDG_RUNTIME_DIR/quillnest.lock, else /tmp/quillnest-<uid>.lock.
std::string InstanceLockPath();

// Takes the lock for the life of the process. Returns false only when another
// process holds it; any other failure (no folder, no permission) lets the
// program run, as a missing guard must not keep the server down.
bool AcquireInstanceLock();

}  // namespace platform
