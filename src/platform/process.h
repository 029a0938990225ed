// A child program with its pipes, standing in for a process started with
// redirected standard handles. The child runs in its own process group so
// that ending it ends whatever it started.
#pragma once

#include <sys/types.h>

namespace platform {

struct tchildprocess {
    pid_t Pid = -1;        // the child (and its process group); -1 when none
    int OutputRead = -1;   // our end of the child's standard output
    int InputWrite = -1;   // our end of the child's standard input
};

// Ends the child's process group, reaps it and closes both pipe ends. Safe on
// a record that holds no child.
void EndChildProcess(tchildprocess& child);

}  // namespace platform
