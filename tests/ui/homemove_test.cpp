// Moving the home folder's entries: nothing replaced, what stays is listed,
// and a copy across file systems removes the original only when whole.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "netunit/treecopy.h"
#include "ui/homemove.h"

namespace {

std::string Read(const std::string& p) {
    std::ifstream f(p);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool Exists(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

TEST(HomeMove, MovesEntriesReplacesNothingAndListsWhatStayed) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string oldHome = root + "/old/", newHome = root + "/new/";
    for (const std::string& d : {oldHome, newHome, oldHome + "alice", oldHome + "bob", newHome + "bob"})
        ASSERT_EQ(::mkdir(d.c_str(), 0755), 0) << d;
    std::ofstream(oldHome + "alice/mail.txt") << "alice";
    std::ofstream(oldHome + "bob/old.txt") << "old bob";
    std::ofstream(newHome + "bob/new.txt") << "new bob";
    std::ofstream(oldHome + "note") << "a file";
    const std::vector<std::string> stayed = homemove::MoveHomeContents(oldHome, newHome);
    EXPECT_EQ(stayed, std::vector<std::string>{"bob"});
    EXPECT_EQ(Read(newHome + "alice/mail.txt"), "alice");
    EXPECT_EQ(Read(newHome + "note"), "a file");
    EXPECT_FALSE(Exists(oldHome + "alice"));
    EXPECT_EQ(Read(newHome + "bob/new.txt"), "new bob");
    EXPECT_EQ(Read(oldHome + "bob/old.txt"), "old bob");
    EXPECT_FALSE(Exists(newHome + "bob/old.txt"));
}

// Stopped by the program's end before it began: no entry is begun, every
// one is listed, and each stays whole where it was.
TEST(HomeMove, AStoppedMoveBeginsNoEntry) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string oldHome = root + "/old/", newHome = root + "/new/";
    for (const std::string& d : {oldHome, newHome, oldHome + "alice"}) ASSERT_EQ(::mkdir(d.c_str(), 0755), 0) << d;
    std::ofstream(oldHome + "alice/mail.txt") << "alice";
    std::ofstream(oldHome + "note") << "a file";
    netunit::TCopyProgress progress;
    progress.Cancelled = true;
    std::vector<std::string> stayed = homemove::MoveHomeContents(oldHome, newHome, &progress);
    std::sort(stayed.begin(), stayed.end());
    EXPECT_EQ(stayed, (std::vector<std::string>{"alice", "note"}));
    EXPECT_EQ(Read(oldHome + "alice/mail.txt"), "alice");
    EXPECT_EQ(Read(oldHome + "note"), "a file");
    EXPECT_FALSE(Exists(newHome + "alice"));
    EXPECT_FALSE(Exists(newHome + "note"));
}

TEST(HomeMove, TheCopierKeepsLinksAndModesAndRemovesAPartialCopy) {
    std::string problem;
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    ASSERT_EQ(::mkdir((root + "/a").c_str(), 0750), 0);
    ASSERT_EQ(::mkdir((root + "/a/sub").c_str(), 0755), 0);
    std::ofstream(root + "/a/sub/f") << "data";
    ::chmod((root + "/a/sub/f").c_str(), 0640);
    ASSERT_EQ(::symlink("sub/f", (root + "/a/l").c_str()), 0);
    ASSERT_TRUE(netunit::CopyTree(root + "/a", root + "/b", problem));
    EXPECT_EQ(Read(root + "/b/sub/f"), "data");
    char target[64] = {};
    ASSERT_GT(::readlink((root + "/b/l").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "sub/f");
    struct stat st {};
    ASSERT_EQ(::stat((root + "/b/sub/f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(netunit::CopyTree(root + "/a", root + "/b", problem)) << "never over an existing name";

    // A pipe cannot be copied: the copy is incomplete and goes again.
    ASSERT_EQ(::mkfifo((root + "/a/sub/pipe").c_str(), 0600), 0);
    EXPECT_FALSE(netunit::CopyTree(root + "/a", root + "/c", problem));
    EXPECT_FALSE(Exists(root + "/c"));
    EXPECT_TRUE(Exists(root + "/a/sub/f"));
}

}  // namespace
