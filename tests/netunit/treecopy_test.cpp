// The tree copier: a whole copy counts what it made; a copy that fails says
// why and leaves nothing of its own behind, never touching what held the
// name before; a file the file layer has open for writing is not copied.
#include "netunit/treecopy.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "netunit/files.h"
#include "netunit/opengate.h"
#include "netunit/tempdir.h"

using namespace netunit;

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

TEST(TreeCopy, AWholeCopyCountsEveryEntryAndKeepsLinksAsLinks) {
    TempDir dir;
    dir.Write("a/sub/f", "data");
    ASSERT_EQ(::symlink("/nowhere", (dir / "a/dangling").c_str()), 0);
    TCopyProgress progress;
    std::string problem;
    ASSERT_TRUE(CopyTree(dir / "a", dir / "b", problem, nullptr, &progress)) << problem;
    EXPECT_EQ(progress.Copied.load(), 4);  // a, sub, f, dangling
    EXPECT_EQ(progress.Total.load(), 4) << "counted before";
    EXPECT_EQ(TempDir::Read(dir / "b/sub/f"), "data");
    char target[32] = {};
    ASSERT_GT(::readlink((dir / "b/dangling").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/nowhere");
}

TEST(TreeCopy, AFailedCopySaysWhyAndLeavesNothingOfItsOwn) {
    TempDir dir;
    dir.Write("a/keep", "data");
    ASSERT_EQ(::mkfifo((dir / "a/pipe").c_str(), 0600), 0);
    dir.Write("taken", "someone's");
    dir.Write("busy/f", "being written");
    tfilehandle writer;
    ASSERT_TRUE(FileOpenForAppend(writer, dir / "busy/f", 0));
    const struct {
        std::string from, to, problem;
        bool toStays;
    } cases[] = {
        {dir / "a", dir / "b", "Cannot copy \"" + dir / "a/pipe" + "\": it is no file, folder or link", false},
        {dir / "a/keep", dir / "taken", "Cannot write \"" + dir / "taken" + "\": File exists", true},
        {dir / "busy", dir / "c", "Cannot read \"" + dir / "busy/f" + "\": Device or resource busy", false},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_FALSE(CopyTree(c.from, c.to, problem)) << c.to;
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(Exists(c.to), c.toStays) << c.to;
    }
    EXPECT_EQ(TempDir::Read(dir / "taken"), "someone's");
    FileCloseHandle(writer);
    std::string problem;
    EXPECT_TRUE(CopyTree(dir / "busy", dir / "c", problem)) << problem;
}


// What happens to the source while it is copied: a file that grows while it
// is read is named, and a stop asked for between files undoes the copy in
// hand and leaves the source as it was. Holding the copy at a file takes the
// administrator's rights.
TEST(TreeCopy, NamesAFileThatGrewWhileReadAndStopsBetweenFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "holding a copy at a file's open needs root";
    TempDir dir;
    dir.Write("a/log.txt", "first line\n");
    dir.Write("a/z.txt", "zzz\n");
    {
        // Appended to at its first read: the copy holds what was read, and says so.
        TTreeCopy copy;
        TOpenGate gate({dir / "a/log.txt"}, 1, [](const std::string& f) {
            std::ofstream(f, std::ios::binary | std::ios::app) << "second line\n";
        }, FAN_ACCESS_PERM);
        ASSERT_TRUE(gate.Armed());
        std::string problem;
        ASSERT_TRUE(CopyTree(dir / "a", dir / "b", problem, &copy)) << problem;
        EXPECT_TRUE(gate.Acted());
        EXPECT_EQ(copy.Changed, std::vector<std::string>{dir / "a/log.txt"});
        EXPECT_EQ(copy.Entries.size(), 3u);
        EXPECT_EQ(copy.Entries.back().Path, dir / "a") << "a folder after what it holds";
    }
    {
        // Stopped at the second file's open: that file is copied whole, the
        // third is not begun, and the copy goes again.
        dir.Write("a/y.txt", "yyy\n");
        TCopyProgress progress;
        TOpenGate gate({dir / "a/log.txt", dir / "a/z.txt", dir / "a/y.txt"}, 2,
                       [&](const std::string&) { progress.Cancelled = true; });
        ASSERT_TRUE(gate.Armed());
        std::string problem;
        EXPECT_FALSE(CopyTree(dir / "a", dir / "c", problem, nullptr, &progress));
        EXPECT_EQ(problem.rfind("The copy of \"" + dir / "a/", 0), 0u) << problem;
        EXPECT_NE(problem.find(".txt\" was cancelled"), std::string::npos) << problem;
        EXPECT_EQ(progress.Copied.load(), 2) << "two files copied whole before the stop";
        EXPECT_FALSE(Exists(dir / "c")) << "nothing half made stays";
        EXPECT_EQ(TempDir::Read(dir / "a/log.txt"), "first line\nsecond line\n");
        EXPECT_EQ(TempDir::Read(dir / "a/z.txt"), "zzz\n");
        EXPECT_EQ(TempDir::Read(dir / "a/y.txt"), "yyy\n");
    }
}

// The program's end and a kill half way through a file. Both hold the copy
// at a read of a large file, which takes the administrator's rights.
constexpr size_t kBigBytes = 4 * 1024 * 1024;  // many reads of the copier's buffer

std::string BigBytes() {
    std::string bytes(kBigBytes, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
    return bytes;
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TreeCopyStop, TheEndStopsAMoveOnAWorkerAndWaitsForItsUndo) {
    if (::geteuid() != 0) GTEST_SKIP() << "holding a copy at a file's open needs root";
    TempDir dir;
    const std::string big = BigBytes();
    dir.Write("a/x", "x\n");
    dir.Write("a/y", big);
    dir.Write("a/z", "z\n");
    ASSERT_TRUE(std::filesystem::create_directory(dir / "to"));

    auto worker = std::make_unique<TCopyWorker>();
    TCopyProgress& progress = worker->Progress;
    std::future<bool> stopped;
    // At the second file's open the end begins; the open goes on only once
    // the stop has reached the copy.
    TOpenGate gate({dir / "a/x", dir / "a/y", dir / "a/z"}, 2, [&](const std::string&) {
        stopped = std::async(std::launch::async, [] { return StopCopyWorkers(std::chrono::seconds(20)); });
        while (!progress.Cancelled) std::this_thread::yield();
    });
    ASSERT_TRUE(gate.Armed());

    bool moved = true;
    std::string problem;
    std::thread copier([&] {
        std::vector<TStayed> stayed;
        moved = MoveTree(dir / "a", dir / "to/a", problem, stayed, &progress);
        worker->Finish();
    });
    copier.join();
    ASSERT_TRUE(gate.Acted());
    EXPECT_TRUE(stopped.get()) << "the end waited for the worker";
    EXPECT_FALSE(moved);
    EXPECT_EQ(problem.rfind("The copy of \"" + dir / "a/", 0), 0u) << problem;
    EXPECT_NE(problem.find("\" was cancelled"), std::string::npos) << problem;
    EXPECT_EQ(progress.Copied.load(), 2) << "the file in hand was finished, the third not begun";
    EXPECT_EQ(NamesIn(dir / "to"), std::vector<std::string>{}) << "nothing half made stays at the target";
    EXPECT_EQ(NamesIn(dir / "a"), (std::vector<std::string>{"x", "y", "z"})) << "nothing left the source";
    EXPECT_TRUE(TempDir::Read(dir / "a/y") == big);
}

TEST(TreeCopyStop, TheEndDoesNotWaitWhenNoCopyRuns) {
    EXPECT_TRUE(StopCopyWorkers(std::chrono::milliseconds(0)));
    TCopyWorker finished;
    finished.Finish();
    EXPECT_TRUE(StopCopyWorkers(std::chrono::milliseconds(0)));
    EXPECT_FALSE(finished.Progress.Cancelled) << "a finished copy is no longer the end's to stop";
}

// A copy killed half way through a file leaves that file only under a name
// that is plainly a temporary; every file under its own name is whole.
TEST(TreeCopyStop, AKilledCopyLeavesNoShortFileUnderItsOwnName) {
    if (::geteuid() != 0) GTEST_SKIP() << "holding a copy at a read needs root";
    TempDir dir;
    const std::string big = BigBytes();
    dir.Write("a/1-small", "small\n");
    dir.Write("a/2-big", big);
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char byte;
        (void)!::read(go[0], &byte, 1);
        std::string problem;
        CopyTree(dir / "a", dir / "b", problem);
        ::_exit(0);
    }
    {
        TOpenGate gate({dir / "a/2-big"}, 3, [&](const std::string&) { ::kill(child, SIGKILL); }, FAN_ACCESS_PERM);
        ASSERT_TRUE(gate.Armed());
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "killed half way";
        EXPECT_TRUE(gate.Acted());
    }
    ::close(go[0]);
    ::close(go[1]);
    // Whatever order the copy took: the small file is whole or absent, and
    // the big one, killed at its third read, is there only as a temporary.
    bool temporary = false;
    for (const std::string& name : NamesIn(dir / "b")) {
        const std::string path = dir / "b/" + name;
        if (name == "1-small") {
            EXPECT_EQ(TempDir::Read(path), "small\n");
        } else {
            EXPECT_EQ(name.rfind(".quillnest-part-" + std::to_string(child) + "-", 0), 0u) << name;
            EXPECT_LT(std::filesystem::file_size(path), kBigBytes);
            temporary = true;
        }
    }
    EXPECT_TRUE(temporary) << "killed half way through the big file";
    EXPECT_FALSE(Exists(dir / "b/2-big"));
}

}  // namespace
