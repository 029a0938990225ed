// Mailbox files: naming, the next number, ids, renumbering and the id line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "mail/mailbox.h"
#include "netunit/files.h"
#include "netunit/tempdir.h"

namespace mail {
namespace {

TEST(Mailbox, ParsesOnlyPlainNumbers) {
    struct Row {
        const char* name;
        bool ok;
        int64_t n;
    };
    const Row rows[] = {
        {"bob^0", true, 0},     {"bob^12", true, 12}, {"bob^012", false, 0}, {"bob^1.tmp", false, 0},
        {"bob^", false, 0},     {"bob^-1", false, 0}, {"bob^+1", false, 0},  {"BOB^1", false, 0},
        {"bobby^1", false, 0},  {"bob^1 ", false, 0}, {"bob^9999999999999999999", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int64_t n = -1;
        EXPECT_EQ(ParseMailboxNumber(row.name, "bob", n), row.ok);
        if (row.ok) {
            EXPECT_EQ(n, row.n);
        }
    }
}

TEST(Mailbox, PicksAFreeId) {
    struct Row {
        const char* what;
        int64_t drawn;
        std::vector<std::string> ids;
        int64_t id;
    };
    const Row rows[] = {
        {"empty mailbox", 42, {}, 42},
        {"free", 42, {"7", "9"}, 42},
        {"taken: the next", 42, {"42"}, 43},
        {"taken twice", 42, {"43", "42", "x"}, 44},
        {"the range's end itself may be used", kMessageIdRange - 1, {std::to_string(kMessageIdRange - 1)},
         kMessageIdRange},
        {"past the end wraps to 0", kMessageIdRange, {std::to_string(kMessageIdRange), "0"}, 1},
        {"texts that are no numbers never match", 5, {"five", "5 ", "5.0"}, 5},
        {"blanks before a number still make that number", 5, {" 5"}, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(PickMessageId(row.drawn, row.ids), row.id);
    }
}

TEST(Mailbox, DrawsWithinTheRange) {
    for (int i = 0; i < 1000; ++i) {
        const int64_t id = DrawMessageId();
        ASSERT_GE(id, 0);
        ASSERT_LT(id, kMessageIdRange);
    }
}

class MailboxFiles : public ::testing::Test {
protected:
    void Put(int64_t n, const std::string& bytes) { dir_.Write("bob^" + std::to_string(n), bytes); }
    std::vector<std::string> Contents() {
        std::vector<std::string> all;
        for (int64_t n = 0; n < MailboxCount(dir_.Path(), "bob"); ++n)
            all.push_back(TempDir::Read(MailboxFileName(dir_.Path(), "bob", n)));
        return all;
    }
    TempDir dir_;
};

TEST_F(MailboxFiles, NextNumberAndCountIgnoreTemporaryFiles) {
    EXPECT_EQ(NextMessageFile(dir_.Path(), "bob"), dir_ / "bob^0");
    Put(0, "1\r\n.\r\n");
    dir_.Write("bob^1.tmp", "partial");
    EXPECT_EQ(NextMessageFile(dir_.Path(), "bob"), dir_ / "bob^1");
    EXPECT_EQ(MailboxCount(dir_.Path(), "bob"), 1);
    EXPECT_EQ(MailboxCount(dir_.Path(), "amy"), 0);
}

TEST_F(MailboxFiles, NewIdAvoidsTheIdsOfTheMailbox) {
    std::vector<std::string> ids;
    const int64_t first = NewMessageId(dir_.Path(), "bob", ids);
    EXPECT_TRUE(ids.empty());
    EXPECT_GE(first, 0);
    Put(0, "17\r\nx\r\n.\r\n");
    Put(1, "18\r\n.\r\n");
    NewMessageId(dir_.Path(), "bob", ids);
    EXPECT_EQ(ids, (std::vector<std::string>{"17", "18"}));
}

TEST_F(MailboxFiles, NewIdFailsWhenAMessageCannotBeRead) {
    Put(0, "17\r\n.\r\n");
    ::mkdir((dir_ / "bob^1").c_str(), 0755);  // not a file: never opened
    Put(2, "x");
    std::vector<std::string> ids;
    // A folder of that number is no message file: the mailbox ends before it.
    EXPECT_GE(NewMessageId(dir_.Path(), "bob", ids), 0);
    ::rmdir((dir_ / "bob^1").c_str());
    Put(1, "18\r\n");
    if (::geteuid() != 0) {
        ::chmod((dir_ / "bob^1").c_str(), 0);
        EXPECT_EQ(NewMessageId(dir_.Path(), "bob", ids), -1);
    }
    netunit::tfilehandle writer;
    ASSERT_TRUE(netunit::FileOpenForAppend(writer, dir_ / "bob^2", 0));
    // A file held open for writing here is not opened again.
    EXPECT_EQ(NewMessageId(dir_.Path(), "bob", ids), -1);
    netunit::FileCloseHandle(writer);
}

TEST_F(MailboxFiles, RenumberClosesGapsInOrder) {
    struct Row {
        const char* what;
        std::vector<int64_t> numbers;
    };
    const Row rows[] = {
        {"0, 2, 5", {0, 2, 5}},
        {"names sort as text: 2 and 10", {0, 2, 10}},
        {"nothing at 0", {3, 4}},
        {"no gaps", {0, 1, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        std::vector<std::string> expected;
        for (int64_t n : row.numbers) {
            dir.Write("bob^" + std::to_string(n), "message " + std::to_string(n));
            expected.push_back("message " + std::to_string(n));
        }
        dir.Write("bob^1.tmp", "partial");
        dir.Write("bob^x", "other");
        dir.Write("bob^07", "zero-padded");
        RenumberMailbox(dir.Path(), "bob");
        std::vector<std::string> got;
        for (int64_t n = 0; n < MailboxCount(dir.Path(), "bob"); ++n)
            got.push_back(TempDir::Read(MailboxFileName(dir.Path(), "bob", n)));
        EXPECT_EQ(got, expected);
        EXPECT_EQ(TempDir::Read(dir / "bob^1.tmp"), "partial");
        EXPECT_EQ(TempDir::Read(dir / "bob^x"), "other");
        EXPECT_EQ(TempDir::Read(dir / "bob^07"), "zero-padded");
    }
}

TEST_F(MailboxFiles, RenumberStopsAtARefusedRename) {
    Put(0, "a");
    Put(3, "b");
    Put(5, "c");
    netunit::tfilehandle reader;
    ASSERT_TRUE(netunit::FileOpenForRead(reader, dir_ / "bob^3"));  // an open file is not renamed
    RenumberMailbox(dir_.Path(), "bob");
    netunit::FileCloseHandle(reader);
    EXPECT_TRUE(netunit::WideFileExists(dir_ / "bob^3"));
    EXPECT_TRUE(netunit::WideFileExists(dir_ / "bob^5"));
    RenumberMailbox(dir_.Path(), "bob");
    EXPECT_EQ(Contents(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(MailboxFiles, ReadsTheIdLine) {
    Put(0, "123\r\nSubject: x\r\n.\r\n");
    Put(1, "");
    EXPECT_EQ(ReadMessageId(dir_.Path(), "bob", 0), "123");
    EXPECT_EQ(ReadMessageId(dir_.Path(), "bob", 1), "-1");
    EXPECT_EQ(ReadMessageId(dir_.Path(), "bob", 2), "-1");
}

}  // namespace
}  // namespace mail
