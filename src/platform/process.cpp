#include "platform/process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <csignal>
#include <thread>

namespace platform {
namespace {

// How long ending a child may wait for the killed process to be reaped before
// a waiter thread takes over (a process stuck in the kernel must not stall us).
constexpr auto kReapWait = std::chrono::milliseconds(200);
constexpr auto kReapPoll = std::chrono::milliseconds(2);
// The exit code of a child that could not start its program.
constexpr int kChildFailed = 127;
// What the supervisor of a child is told when the server has gone (its
// parent-death signal): one the programs' groups are not sent otherwise.
constexpr int kServerGone = SIGUSR1;
// The search path when the server has none.
constexpr const char* kDefaultSearchPath = "/bin:/usr/bin";

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 0;
}

// Reaps a process that has been killed: briefly here, then on a thread of its
// own, so that no zombie is left and the main thread never waits for long.
void ReapKilled(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kReapWait;
    for (;;) {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kReapPoll);
    }
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Where a program name without "/" is found: the first folder of the
// server's PATH that holds an executable of that name, as a shell finds it.
std::string ProgramPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* searched = getenv("PATH");
    const std::string folders = searched != nullptr && *searched != '\0' ? searched : kDefaultSearchPath;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end >= folders.size()) return {};
        start = end + 1;
    }
}

// In the child: puts fd on target and leaves it open across the exec.
bool MoveTo(int fd, int target) {
    if (fd != target) return dup2(fd, target) == target;
    const int flags = fcntl(fd, F_GETFD);
    return flags >= 0 && fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC) == 0;
}

// Reports a start failure through the status pipe and ends.
[[noreturn]] void FailStart(int statusFd, int error) {
    while (write(statusFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    _exit(kChildFailed);
}

// The program, forked by its supervisor. Signal dispositions and the mask
// are the defaults, as for a program started from a shell.
[[noreturn]] void RunProgram(const char* program, char* const* argv, char* const* envp, const char* workingDir,
                             int statusFd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Should the supervisor itself be killed, the program goes with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (*workingDir != '\0' && chdir(workingDir) != 0) FailStart(statusFd, errno);
    execve(program, argv, envp);
    FailStart(statusFd, errno);
}

// Closes every descriptor from `from` on but `keep`: the supervisor is a copy
// of the server and would otherwise hold its sockets and files open.
void CloseAllBut(unsigned from, unsigned keep) {
    if (from < keep) syscall(SYS_close_range, from, keep - 1, 0U);
    syscall(SYS_close_range, std::max(from, keep + 1), ~0U, 0U);
}

// The child of the server: it leads the session and process group of the
// program it starts, and ends the whole group when the server goes, however
// the server ends. The parent-death signal reaches only a direct child, so
// it is this supervisor's: it stays between the server and the program, as
// the subreaper that the program's orphans come to, and leaves with the
// program's exit status once the program has ended (the server then ends
// what is left in the group, as it did before). Only calls that are safe
// after a fork of a threaded process: everything it needs was prepared by the
// parent. On any failure before the exec the error number goes back through
// the status pipe, which the exec closes.
[[noreturn]] void RunChild(pid_t server, const char* program, char* const* argv, char* const* envp,
                           const char* workingDir, int stdinFd, int outputFd, int statusFd) {
    // The server ignores SIGPIPE and may block signals; the program starts
    // with the defaults.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &defaults, nullptr);
    sigset_t watched;
    sigemptyset(&watched);
    sigaddset(&watched, SIGCHLD);
    sigaddset(&watched, kServerGone);
    sigprocmask(SIG_SETMASK, &watched, nullptr);
    setsid();
    prctl(PR_SET_PDEATHSIG, kServerGone);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // The server may have died before the signal was asked for.
    if (getppid() != server) _exit(kChildFailed);
    if (!MoveTo(stdinFd, STDIN_FILENO) || !MoveTo(outputFd, STDOUT_FILENO) || !MoveTo(outputFd, STDERR_FILENO))
        FailStart(statusFd, errno);
    CloseAllBut(STDERR_FILENO + 1, static_cast<unsigned>(statusFd));
    const pid_t pid = fork();
    if (pid == 0) RunProgram(program, argv, envp, workingDir, statusFd);
    if (pid < 0) FailStart(statusFd, errno);
    // The pipes are the program's alone: their ends close when it ends.
    syscall(SYS_close_range, 0U, ~0U, 0U);
    for (;;) {
        siginfo_t info{};
        if (sigwaitinfo(&watched, &info) < 0) continue;
        if (info.si_signo == kServerGone) {
            if (getppid() == server) continue;  // sent by someone else
            kill(0, SIGKILL);                   // the group, this supervisor too
        }
        int status = 0;
        for (pid_t ended; (ended = waitpid(-1, &status, WNOHANG)) > 0;)
            if (ended == pid) _exit(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status));
    }
}

// The child's error number from the status pipe, 0 once it has started the
// program (the pipe closes on exec).
int ChildStartError(int statusFd) {
    int error = 0;
    ssize_t n;
    while ((n = read(statusFd, &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

bool SpawnChildProcess(tchildprocess& child, const std::vector<std::string>& Arguments,
                       const std::string& WorkingDir, const std::vector<std::string>& Environment,
                       bool WithInput) {
    if (Arguments.empty() || Arguments[0].empty()) return false;
    // Every end is close-on-exec; the child's own ends reach it through dup2,
    // which clears the flag on the copy.
    int output[2] = {-1, -1};
    int input[2] = {-1, -1};
    auto closeAll = [&] {
        for (int* fd : {&output[0], &output[1], &input[0], &input[1]}) CloseFd(*fd);
    };
    if (pipe2(output, O_CLOEXEC) != 0) return false;
    if (WithInput && pipe2(input, O_CLOEXEC) != 0) {
        closeAll();
        return false;
    }
    if (!SetNonBlocking(output[0]) || (WithInput && !SetNonBlocking(input[1]))) {
        closeAll();
        return false;
    }

    const std::string program = ProgramPath(Arguments[0]);
    int devnull = -1;
    if (!WithInput) devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int status[2] = {-1, -1};
    if (program.empty() || (!WithInput && devnull < 0) || pipe2(status, O_CLOEXEC) != 0) {
        CloseFd(devnull);
        closeAll();
        return false;
    }

    std::vector<char*> argv;
    for (const std::string& a : Arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : Environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const pid_t server = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        RunChild(server, program.c_str(), argv.data(), envp.data(), WorkingDir.c_str(),
                 WithInput ? input[0] : devnull, output[1], status[1]);
    CloseFd(status[1]);
    CloseFd(devnull);
    CloseFd(output[1]);
    CloseFd(input[0]);
    const int startError = pid < 0 ? errno : ChildStartError(status[0]);
    CloseFd(status[0]);
    if (pid < 0 || startError != 0) {
        if (pid > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        closeAll();
        return false;
    }
    child = tchildprocess{};
    child.Pid = pid;
    child.OutputRead = output[0];
    child.InputWrite = input[1];
    return true;
}

int ChildOutputWaiting(const tchildprocess& child) {
    int waiting = 0;
    if (child.OutputRead < 0 || ioctl(child.OutputRead, FIONREAD, &waiting) != 0) return -1;
    return waiting;
}

int ReadChildOutput(tchildprocess& child, char* Buffer, int Size) {
    if (child.OutputRead < 0 || Size <= 0) return -1;
    for (;;) {
        const ssize_t n = read(child.OutputRead, Buffer, static_cast<size_t>(Size));
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? kChildNoOutput : -1;
    }
}

bool FlushChildInput(tchildprocess& child) {
    if (child.InputWrite < 0) {
        child.PendingInput.clear();
        return false;
    }
    size_t written = 0;
    while (written < child.PendingInput.size()) {
        const ssize_t n = write(child.InputWrite, child.PendingInput.data() + written,
                                child.PendingInput.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // The child closed its input (EPIPE; SIGPIPE is ignored here).
        CloseChildInput(child);
        return false;
    }
    child.PendingInput.erase(0, written);
    return true;
}

bool WriteChildInput(tchildprocess& child, std::string_view Bytes) {
    if (child.InputWrite < 0) return false;
    child.PendingInput.append(Bytes);
    return FlushChildInput(child);
}

void CloseChildInput(tchildprocess& child) {
    CloseFd(child.InputWrite);
    child.PendingInput.clear();
}

bool ChildExited(tchildprocess& child) {
    if (child.Exited) return true;
    if (child.Pid <= 0) return false;
    siginfo_t info{};
    // Look without reaping: while the child is a zombie its number, and that of
    // its group, cannot go to another process, so the group kill below can
    // only reach what the child left behind.
    if (waitid(P_PID, static_cast<id_t>(child.Pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != ECHILD) return false;
        child.Pid = -1;
        child.Exited = true;
        return true;
    }
    if (info.si_pid == 0) return false;
    kill(-child.Pid, SIGKILL);
    int status = 0;
    while (waitpid(child.Pid, &status, 0) < 0 && errno == EINTR) {
    }
    child.ExitCode = ExitCodeOf(status);
    child.Exited = true;
    child.Pid = -1;
    return true;
}

void EndChildProcess(tchildprocess& child) {
    CloseFd(child.OutputRead);
    CloseChildInput(child);
    if (child.Pid > 0) {
        // Not reaped yet, so the number still names our child and its group.
        kill(-child.Pid, SIGKILL);
        kill(child.Pid, SIGKILL);
        ReapKilled(child.Pid);
    }
    child.Pid = -1;
}

}  // namespace platform
