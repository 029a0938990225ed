// The tree copier: a whole copy counts what it made; a copy that fails says
// why and leaves nothing of its own behind, never touching what held the
// name before; a file the file layer has open for writing is not copied.
#include "netunit/treecopy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

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

}  // namespace
