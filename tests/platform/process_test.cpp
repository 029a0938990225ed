// Child programs on pipes: started without a shell in their own session and
// group, never able to block us, drained after they exit, and gone with
// everything they started when they are ended.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"

extern char** environ;

namespace {

// The server ignores SIGPIPE (a write to a pipe whose reader has gone must
// fail, not end the program); these tests run under the same rule.
const bool kPipeSignalIgnored = (std::signal(SIGPIPE, SIG_IGN), true);

using Clock = std::chrono::steady_clock;
using platform::tchildprocess;

std::vector<std::string> OurEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    return env;
}

bool Spawn(tchildprocess& child, const std::vector<std::string>& args, bool withInput = false,
           const std::string& dir = "", const std::vector<std::string>& env = OurEnvironment()) {
    return platform::SpawnChildProcess(child, args, dir, env, withInput);
}

// Everything the child writes until it has exited and the pipe is empty.
std::string OutputUntilExit(tchildprocess& child, int ms = 5000) {
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    while (Clock::now() < deadline) {
        const bool exited = platform::ChildExited(child);
        const int n = platform::ReadChildOutput(child, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (exited && (n == 0 || platform::ChildOutputWaiting(child) == 0)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return out;
}

// The state letter of /proc/<pid>/stat; 0 when there is no such process.
char ProcessState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return 0;
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    const size_t close = all.rfind(')');
    return close == std::string::npos || close + 2 >= all.size() ? 0 : all[close + 2];
}

// Our own children must be reaped, so for them a zombie still counts. What a
// child started goes to the system's reaper once it dies, which may be slow
// to collect it: for those, dead is enough.
bool ProcessGone(pid_t pid, bool deadIsEnough = false, int ms = 3000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const char state = ProcessState(pid);
        if (state == 0 || (deadIsEnough && (state == 'Z' || state == 'X'))) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Fields of /proc/<pid>/stat after the command name: state, ppid, pgrp, session.
std::vector<long> StatFields(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string state;
    long ppid = 0, pgrp = 0, session = 0;
    rest >> state >> ppid >> pgrp >> session;
    return {ppid, pgrp, session};
}

std::string StatusLine(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0) return line.substr(key.size() + 1);
    return {};
}

TEST(ChildProcess, OutputAndErrorShareOnePipeAndTheExitCodeIsKept) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/sh", "-c", "printf 'out\\n'; printf 'err\\n' >&2; exit 3"}));
    EXPECT_EQ(child.InputWrite, -1) << "without input the child reads /dev/null";
    EXPECT_EQ(OutputUntilExit(child), "out\nerr\n");
    EXPECT_TRUE(child.Exited);
    EXPECT_EQ(child.ExitCode, 3);
    platform::EndChildProcess(child);
    EXPECT_EQ(child.OutputRead, -1);
}

TEST(ChildProcess, OutputLeftInThePipeIsStillReadAfterTheExit) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/sh", "-c", "head -c 60000 /dev/zero"}));
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!platform::ChildExited(child) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(child.Exited);
    EXPECT_EQ(platform::ChildOutputWaiting(child), 60000);
    EXPECT_EQ(OutputUntilExit(child).size(), 60000u);
    platform::EndChildProcess(child);
}

TEST(ChildProcess, WithoutInputTheChildReadsAnEmptyInput) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"cat"}));
    EXPECT_EQ(OutputUntilExit(child), "");
    EXPECT_EQ(child.ExitCode, 0);
    platform::EndChildProcess(child);
}

TEST(ChildProcess, InputReachesTheChildWholeAndInOrder) {
    std::string input(300 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : input) c = static_cast<char>(random());
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"cat"}, true));
    ASSERT_TRUE(platform::WriteChildInput(child, input));
    std::string out;
    char buffer[4096];
    bool closed = false;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        platform::FlushChildInput(child);
        if (!closed && child.PendingInput.empty()) {
            platform::CloseChildInput(child);
            closed = true;
        }
        const int n = platform::ReadChildOutput(child, buffer, sizeof buffer);
        if (n > 0) out.append(buffer, static_cast<size_t>(n));
        if (n == 0) break;
        if (n == platform::kChildNoOutput) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(out == input) << "got " << out.size() << " of " << input.size() << " bytes";
    const pid_t pid = child.Pid;
    const auto exitDeadline = Clock::now() + std::chrono::seconds(3);
    while (!platform::ChildExited(child) && Clock::now() < exitDeadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(child.Exited) << "cat ends at the end of its input";
    EXPECT_TRUE(ProcessGone(pid));
    platform::EndChildProcess(child);
}

TEST(ChildProcess, AChildThatNeverReadsCannotBlockTheWriter) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"sleep", "30"}, true));
    const pid_t pid = child.Pid;
    const std::string megabyte(1024 * 1024, 'x');
    const auto started = Clock::now();
    EXPECT_TRUE(platform::WriteChildInput(child, megabyte));
    EXPECT_TRUE(platform::FlushChildInput(child));
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_GT(child.PendingInput.size(), 0u) << "what the pipe cannot take waits with us";
    EXPECT_LE(child.PendingInput.size(), megabyte.size());
    EXPECT_EQ(platform::ReadChildOutput(child, nullptr, 0), -1);
    char byte;
    EXPECT_EQ(platform::ReadChildOutput(child, &byte, 1), platform::kChildNoOutput);
    EXPECT_FALSE(platform::ChildExited(child));
    platform::EndChildProcess(child);
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_TRUE(child.PendingInput.empty());
}

TEST(ChildProcess, InputToAChildThatClosedItIsDropped) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/sh", "-c", "exec 0<&-; sleep 30"}, true));
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    bool refused = false;
    while (!refused && Clock::now() < deadline) {
        refused = !platform::WriteChildInput(child, "data\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(child.PendingInput.empty());
    EXPECT_EQ(child.InputWrite, -1);
    platform::EndChildProcess(child);
}

TEST(ChildProcess, WorkingFolderAndEnvironmentAreExactlyThoseGiven) {
    char tmpl[] = "/tmp/quillnest-child-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(dir.c_str(), resolved), nullptr);
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/pwd", "-P"}, false, dir));
    EXPECT_EQ(OutputUntilExit(child), std::string(resolved) + "\n");
    platform::EndChildProcess(child);

    ASSERT_TRUE(Spawn(child, {"/usr/bin/env"}, false, "", {"A=1", "B=two words"}));
    EXPECT_EQ(OutputUntilExit(child), "A=1\nB=two words\n");
    platform::EndChildProcess(child);
    rmdir(dir.c_str());
}

TEST(ChildProcess, ProgramsThatCannotStartFailAndLeaveTheRecordAlone) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string dir;
    };
    const std::vector<Case> cases = {
        {"no arguments", {}, ""},
        {"an empty program name", {""}, ""},
        {"a missing program path", {"/nonexistent/program"}, ""},
        {"a name not found in PATH", {"quillnest-no-such-program"}, ""},
        {"a file that is not executable", {"/etc/hostname"}, ""},
        {"a missing working folder", {"/bin/true"}, "/nonexistent/folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tchildprocess child;
        EXPECT_FALSE(Spawn(child, c.args, true, c.dir));
        EXPECT_EQ(child.Pid, -1);
        EXPECT_EQ(child.OutputRead, -1);
        EXPECT_EQ(child.InputWrite, -1);
    }
}

TEST(ChildProcess, TheProgramRunsInASessionAndGroupOfItsOwnWithDefaultSignals) {
    // The server ignores SIGPIPE and may block signals; the child must not inherit either.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &block, &old);

    tchildprocess child;
    const bool started = Spawn(child, {"sleep", "30"}, true);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    sigaction(SIGPIPE, &previous, nullptr);
    ASSERT_TRUE(started);
    // Give exec a moment so that /proc shows the program, not the fork.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The supervisor leads the session and group; the program runs in them.
    std::ifstream children("/proc/" + std::to_string(child.Pid) + "/task/" + std::to_string(child.Pid) + "/children");
    pid_t program = 0;
    ASSERT_TRUE(children >> program);
    EXPECT_NE(StatusLine(program, "Name").find("sleep"), std::string::npos);
    for (const pid_t pid : {child.Pid, program}) {
        const std::vector<long> fields = StatFields(pid);
        EXPECT_EQ(fields[1], child.Pid) << "process group";
        EXPECT_EQ(fields[2], child.Pid) << "session";
    }
    // Signals 1 to 31; above them the C library keeps its own.
    const auto standard = [](const std::string& mask) { return std::stoull(mask, nullptr, 16) & 0x7fffffffULL; };
    EXPECT_EQ(standard(StatusLine(program, "SigIgn")), 0u);
    EXPECT_EQ(standard(StatusLine(program, "SigBlk")), 0u);
    platform::EndChildProcess(child);
}

TEST(ChildProcess, PipeEndsOfOneChildDoNotLeakIntoAnother) {
    tchildprocess first, second;
    ASSERT_TRUE(Spawn(first, {"cat"}, true));
    ASSERT_TRUE(Spawn(second, {"sleep", "30"}, true));
    // cat ends only when every write end of its input is closed: one held by
    // the second child would keep it waiting.
    platform::CloseChildInput(first);
    EXPECT_EQ(OutputUntilExit(first, 3000), "");
    EXPECT_TRUE(first.Exited);
    platform::EndChildProcess(first);
    platform::EndChildProcess(second);
}

// The supervisor is a copy of the server: it must hold none of its sockets,
// files or pipes, or a connection the server closes would stay open.
TEST(ChildProcess, TheSupervisorHoldsNoDescriptor) {
    const int held = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"sleep", "30"}, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::filesystem::path fds = "/proc/" + std::to_string(child.Pid) + "/fd";
    EXPECT_TRUE(std::filesystem::is_empty(fds));
    platform::EndChildProcess(child);
    close(held);
}

// Reads the number a child prints on its first line.
pid_t FirstNumber(tchildprocess& child) {
    std::string out;
    char buffer[256];
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (out.find('\n') == std::string::npos && Clock::now() < deadline) {
        const int n = platform::ReadChildOutput(child, buffer, sizeof buffer);
        if (n > 0) out.append(buffer, static_cast<size_t>(n));
        if (n == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return static_cast<pid_t>(std::atol(out.c_str()));
}

TEST(ChildProcess, EndingAChildEndsEverythingItStartedAndReapsIt) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/sh", "-c", "sleep 300 & echo $!; wait"}));
    const pid_t pid = child.Pid;
    const pid_t grandchild = FirstNumber(child);
    ASSERT_GT(grandchild, 0);
    platform::EndChildProcess(child);
    EXPECT_EQ(child.Pid, -1);
    EXPECT_TRUE(ProcessGone(pid)) << "the child is reaped, not left a zombie";
    EXPECT_TRUE(ProcessGone(grandchild, true));
    platform::EndChildProcess(child);  // a second end is harmless
}

TEST(ChildProcess, WhatAnExitedChildLeftInItsGroupIsEnded) {
    tchildprocess child;
    ASSERT_TRUE(Spawn(child, {"/bin/sh", "-c", "sleep 300 & echo $!"}));
    const pid_t grandchild = FirstNumber(child);
    ASSERT_GT(grandchild, 0);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!platform::ChildExited(child) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(child.Exited);
    EXPECT_EQ(child.ExitCode, 0);
    EXPECT_TRUE(ProcessGone(grandchild, true));
    platform::EndChildProcess(child);
}

}  // namespace
