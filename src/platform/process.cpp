#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace platform {
namespace {

// How long ending a child may wait for the killed process to be reaped before
// a waiter thread takes over (a process stuck in the kernel must not stall us).
constexpr auto kReapWait = std::chrono::milliseconds(200);
constexpr auto kReapPoll = std::chrono::milliseconds(2);

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

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    bool attrReady = false;
    bool actionsReady = false;

    SpawnSetup() {
        attrReady = posix_spawnattr_init(&attr) == 0;
        actionsReady = posix_spawn_file_actions_init(&actions) == 0;
    }
    ~SpawnSetup() {
        if (attrReady) posix_spawnattr_destroy(&attr);
        if (actionsReady) posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

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

    SpawnSetup setup;
    if (!setup.attrReady || !setup.actionsReady) {
        closeAll();
        return false;
    }
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    // The server ignores SIGPIPE and may block signals; the child starts with
    // the defaults, as a program started from a shell would.
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setsigdefault(&setup.attr, &all);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (WithInput)
        posix_spawn_file_actions_adddup2(&setup.actions, input[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, output[1], STDERR_FILENO);
    if (!WorkingDir.empty()) posix_spawn_file_actions_addchdir_np(&setup.actions, WorkingDir.c_str());

    std::vector<char*> argv;
    for (const std::string& a : Arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : Environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    const bool searchPath = Arguments[0].find('/') == std::string::npos;
    const int rc = searchPath ? posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), envp.data())
                              : posix_spawn(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), envp.data());
    CloseFd(output[1]);
    CloseFd(input[0]);
    if (rc != 0) {
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
