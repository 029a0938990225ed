// A child program with its pipes, standing in for a process started with
// redirected standard handles. The server must never wait on a child: our
// pipe ends are non-blocking, input the child has not taken yet waits in a
// buffer of ours, and the child's exit is polled.
//
// The child runs in a session and process group of its own, so that it has
// no controlling terminal (an interactive shell on the pipes then does no job
// control and keeps what it starts in its group) and so that ending it ends
// everything it started. A small supervisor of ours leads that group between
// the server and the program: when the server dies, however it dies, the
// supervisor ends the whole group. The record's Pid names the supervisor,
// whose exit status is the program's.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct tchildprocess {
    pid_t Pid = -1;        // the child's supervisor (and its process group) until it is reaped
    int OutputRead = -1;   // our end of the child's standard output and error
    int InputWrite = -1;   // our end of the child's standard input; -1 when closed
    std::string PendingInput;  // taken for the child's input, not yet written
    bool Exited = false;
    int ExitCode = 0;  // the exit status, or 128 + the signal that ended it
};

// ReadChildOutput's answer when the pipe is empty but still open.
constexpr int kChildNoOutput = -2;

// Starts Arguments[0] with the arguments given (no shell; a name without "/"
// is searched in PATH), in WorkingDir (the server's own folder when empty),
// with exactly the Environment given ("NAME=value" entries). Its standard
// output and error go to one pipe; its standard input is a pipe when
// WithInput, else /dev/null. Signal dispositions and the signal mask are the
// defaults. False, with the record untouched, when the program cannot start.
// The child and all it started are killed when the server dies, however it
// dies; call this from the main thread only, since the supervisor's
// parent-death signal follows the thread that started it.
bool SpawnChildProcess(tchildprocess& child, const std::vector<std::string>& Arguments,
                       const std::string& WorkingDir, const std::vector<std::string>& Environment,
                       bool WithInput);

// The bytes waiting in the output pipe (FIONREAD); -1 on failure.
int ChildOutputWaiting(const tchildprocess& child);

// Reads up to Size bytes of output without waiting: the count, 0 once every
// writer has closed the pipe, kChildNoOutput when nothing is there yet, -1 on
// failure.
int ReadChildOutput(tchildprocess& child, char* Buffer, int Size);

// Queues bytes for the child's input and writes what the pipe takes now.
// False when the child's input is closed (the bytes are dropped).
bool WriteChildInput(tchildprocess& child, std::string_view Bytes);

// Writes what the pipe takes of the queued input. False when the child no
// longer reads its input (the queue is dropped).
bool FlushChildInput(tchildprocess& child);

// Closes our end of the child's input, so that it reads the end of its input;
// whatever is still queued is dropped.
void CloseChildInput(tchildprocess& child);

// True once the child has exited; the first call that sees the exit also ends
// what the child left running in its group and reaps it. The output pipe
// stays open so that what the child wrote before it exited can still be read.
bool ChildExited(tchildprocess& child);

// Ends the child's process group, reaps it and closes both pipe ends. Safe on
// a record that holds no child, and on one whose child has exited.
void EndChildProcess(tchildprocess& child);

}  // namespace platform
