// Placing received mail: temporary names, renames that never replace, and
// durable copies.
#include <gtest/gtest.h>

#include <string>

#include "mail/mailbox.h"
#include "mail/mailstore.h"
#include "netunit/files.h"
#include "netunit/tempdir.h"

namespace mail {
namespace {

TEST(MailStore, TemporaryNamesAreFree) {
    TempDir dir;
    EXPECT_EQ(FreeTempName(dir / "bob^", 3, ""), dir / "bob^3.tmp");
    dir.Write("bob^3.tmp", "being received");
    EXPECT_EQ(FreeTempName(dir / "bob^", 3, ""), dir / "bob^4.tmp");
    EXPECT_EQ(FreeTempName(dir.Path(), 0, ".m"), dir / "0.m.tmp");
}

TEST(MailStore, TwoMessagesCompletingAtOnceKeepTheirOwnNumbers) {
    TempDir dir;
    dir.Write("bob^0", "old");
    // Both were started while number 1 was the next free one.
    const std::string first = dir.Write("bob^1.tmp", "first");
    const std::string second = dir.Write("bob^2.tmp", "second");
    std::string placedFirst, placedSecond;
    ASSERT_TRUE(PlaceInMailbox(first, dir.Path(), "bob", placedFirst));
    ASSERT_TRUE(PlaceInMailbox(second, dir.Path(), "bob", placedSecond));
    EXPECT_EQ(placedFirst, dir / "bob^1");
    EXPECT_EQ(placedSecond, dir / "bob^2");
    EXPECT_EQ(TempDir::Read(dir / "bob^0"), "old");
    EXPECT_EQ(TempDir::Read(dir / "bob^1"), "first");
    EXPECT_EQ(TempDir::Read(dir / "bob^2"), "second");
}

TEST(MailStore, PlacementAsksAgainWhenTheNameIsTaken) {
    TempDir dir;
    const std::string temp = dir.Write("t.tmp", "new");
    dir.Write("taken", "old");
    int asked = 0;
    std::string placed;
    ASSERT_TRUE(PlaceWithoutReplacing(temp, [&] { return dir / (asked++ == 0 ? "taken" : "free"); }, placed));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(placed, dir / "free");
    EXPECT_EQ(TempDir::Read(dir / "taken"), "old");
    EXPECT_EQ(TempDir::Read(dir / "free"), "new");
}

TEST(MailStore, PlacementFailsWithoutLoopingOnOtherErrors) {
    TempDir dir;
    const std::string temp = dir.Write("t.tmp", "new");
    std::string placed;
    int asked = 0;
    EXPECT_FALSE(PlaceWithoutReplacing(temp, [&] { ++asked; return dir / "missing-folder/x"; }, placed));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(TempDir::Read(temp), "new");
}

TEST(MailStore, CopiesWholeFiles) {
    TempDir dir;
    std::string big;
    for (int i = 0; i < 100000; ++i) big += static_cast<char>(i * 7);
    const std::string from = dir.Write("from", big);
    ASSERT_TRUE(CopyFileDurably(from, dir / "to"));
    EXPECT_EQ(TempDir::Read(dir / "to"), big);
    EXPECT_FALSE(CopyFileDurably(dir / "missing", dir / "to2"));
    EXPECT_FALSE(netunit::WideFileExists(dir / "to2"));
}

}  // namespace
}  // namespace mail

namespace mail {
namespace {

TEST(UnfinishedMessages, NamesOfMessagesBeingWritten) {
    struct Row {
        const char* name;
        bool relay;
        bool unfinished;
    };
    const Row rows[] = {
        {"bob^0.tmp", false, true},
        {"bob^12.tmp", false, true},
        {"bob^3.tmp4711-2", false, true},
        {"a^b^3.tmp", false, true},
        {"bob^0", false, false},
        {"bob^x.tmp", false, false},
        {"bob^.tmp", false, false},
        {"^0.tmp", false, false},
        {"bob^0.tmpx", false, false},
        {"bob^0.tmp12", false, false},
        {"notes.tmp", false, false},
        {"relay", false, false},
        {"0.m.tmp", true, true},
        {"7.m.tmp99-0", true, true},
        {"7.r.tmp99-0", true, true},
        {"7.r.tmp", true, false},
        {"7.m", true, false},
        {"7.r", true, false},
        {"x.m.tmp", true, false},
        {"bob^0.tmp", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsUnfinishedMessageName(row.name, row.relay), row.unfinished);
    }
}

}  // namespace
}  // namespace mail

namespace mail {
namespace {

TEST(MailStore, CopyCanGiveTheMessageAnotherId) {
    TempDir dir;
    const std::string big(200000, 'x');
    dir.Write("m", "123\r\nSubject: s\r\n\r\n" + big + "\r\n.\r\n");
    ASSERT_TRUE(CopyFileDurably(dir / "m", dir / "same"));
    ASSERT_TRUE(CopyFileDurably(dir / "m", dir / "other", "124"));
    EXPECT_EQ(TempDir::Read(dir / "same"), TempDir::Read(dir / "m"));
    EXPECT_EQ(TempDir::Read(dir / "other"), "124\r\nSubject: s\r\n\r\n" + big + "\r\n.\r\n");
}

}  // namespace
}  // namespace mail
