// Mailbox files: naming, the next number, ids, renumbering and the id line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
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

// The number the old one-name-at-a-time probe gave: the reference the
// folder listing must agree with.
int64_t ProbedNextNumber(const std::string& Folder, const std::string& User) {
    int64_t n = 0;
    while (netunit::WideFileExists(MailboxFileName(Folder, User, n))) ++n;
    return n;
}

TEST(MailboxListing, NextNumberAgreesWithProbingEachName) {
    enum Kind { File, Folder, DanglingLink, LinkToFile, LinkToFolder };
    struct Entry {
        const char* name;
        Kind kind;
    };
    struct Row {
        const char* what;
        std::vector<Entry> entries;
        int64_t next;
    };
    const Row rows[] = {
        {"empty mailbox", {}, 0},
        {"no gaps", {{"bob^0", File}, {"bob^1", File}, {"bob^2", File}}, 3},
        {"a gap is the next number", {{"bob^0", File}, {"bob^1", File}, {"bob^3", File}}, 2},
        {"nothing at 0", {{"bob^1", File}, {"bob^2", File}}, 0},
        {"names sort as numbers: 10 is no 2", {{"bob^0", File}, {"bob^1", File}, {"bob^10", File}}, 2},
        {"a folder named like a message is no message", {{"bob^0", File}, {"bob^1", Folder}, {"bob^2", File}}, 1},
        {"a dangling link counts", {{"bob^0", DanglingLink}, {"bob^1", File}}, 2},
        {"a link to a file counts", {{"bob^0", LinkToFile}}, 1},
        {"a link to a folder does not", {{"bob^0", File}, {"bob^1", LinkToFolder}}, 1},
        {"names that are no message numbers",
         {{"bob^0", File}, {"bob^01", File}, {"bob^1.tmp", File}, {"bob^1x", File}, {"BOB^1", File},
          {"bobby^1", File}, {"bob^", File}},
         1},
        {"other mailboxes", {{"amy^0", File}, {"amy^1", File}, {"bo^0", File}}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        dir.Write("elsewhere/file", "x");
        std::filesystem::create_directory(dir / "elsewhere/folder");
        for (const Entry& entry : row.entries) {
            const std::string path = dir / entry.name;
            switch (entry.kind) {
                case File: dir.Write(entry.name, "1\r\n"); break;
                case Folder: std::filesystem::create_directory(path); break;
                case DanglingLink: std::filesystem::create_symlink(dir / "nowhere", path); break;
                case LinkToFile: std::filesystem::create_symlink(dir / "elsewhere/file", path); break;
                case LinkToFolder: std::filesystem::create_directory_symlink(dir / "elsewhere/folder", path); break;
            }
        }
        EXPECT_EQ(NextMessageNumber(dir.Path(), "bob"), row.next);
        EXPECT_EQ(ProbedNextNumber(dir.Path(), "bob"), row.next);
        EXPECT_EQ(MailboxCount(dir.Path(), "bob"), row.next);
        const std::vector<tmessagefile> files = ListMailbox(dir.Path(), "bob");
        EXPECT_TRUE(std::is_sorted(files.begin(), files.end(),
                                   [](const tmessagefile& a, const tmessagefile& b) { return a.Number < b.Number; }));
    }
}

TEST(MailboxListing, AMissingFolderHasNoMessages) {
    TempDir dir;
    EXPECT_TRUE(ListMailbox(dir / "missing/", "bob").empty());
    EXPECT_EQ(NextMessageNumber(dir / "missing/", "bob"), 0);
    tmailboxids known;
    std::vector<std::string> ids{"stale"};
    int64_t next = -1;
    EXPECT_TRUE(known.Read(dir / "missing/", "bob", ids, next));
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(next, 0);
}

// The known ids after a change made outside between two reads must be what a
// fresh read of the folder gives.
TEST(MailboxIdCache, AgreesWithAFreshReadAfterChangesOutside) {
    using Change = std::function<void(TempDir&)>;
    const auto put = [](int64_t n, const std::string& id) {
        return [=](TempDir& dir) { dir.Write("bob^" + std::to_string(n), id + "\r\nbody\r\n.\r\n"); };
    };
    // A new file moved over the old one, as a program that rewrites files safely does.
    const auto replace = [](int64_t n, const std::string& id) {
        return [=](TempDir& dir) {
            dir.Write("new", id + "\r\n");
            std::filesystem::rename(dir / "new", dir / ("bob^" + std::to_string(n)));
        };
    };
    const auto remove = [](int64_t n) {
        return [=](TempDir& dir) { std::filesystem::remove(dir / ("bob^" + std::to_string(n))); };
    };
    const auto move = [](int64_t from, int64_t to) {
        return [=](TempDir& dir) {
            std::filesystem::rename(dir / ("bob^" + std::to_string(from)), dir / ("bob^" + std::to_string(to)));
        };
    };
    struct Row {
        const char* what;
        std::vector<Change> changes;
        std::vector<std::string> ids;
        int64_t next;
    };
    const Row rows[] = {
        {"nothing changed", {}, {"10", "11", "13"}, 2},
        {"new files beside the known ones", {put(2, "12"), put(4, "14")}, {"10", "11", "12", "13", "14"}, 5},
        {"a file replaced under its name is read again", {replace(1, "21")}, {"10", "21", "13"}, 2},
        {"a removed file drops out", {remove(0)}, {"11", "13"}, 0},
        {"renumbered after a deletion", {remove(0), move(1, 0), move(3, 1)}, {"11", "13"}, 2},
        {"every file removed", {remove(0), remove(1), remove(3)}, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        for (const Change& change : std::initializer_list<Change>{put(0, "10"), put(1, "11"), put(3, "13")})
            change(dir);
        tmailboxids known;
        std::vector<std::string> ids;
        int64_t next = -1;
        ASSERT_TRUE(known.Read(dir.Path(), "bob", ids, next));
        EXPECT_EQ(known.Size(), 3u);
        for (const Change& change : row.changes) change(dir);
        ASSERT_TRUE(known.Read(dir.Path(), "bob", ids, next));
        EXPECT_EQ(ids, row.ids);
        EXPECT_EQ(next, row.next);
        // It keeps what the folder holds and no more.
        EXPECT_EQ(known.Size(), row.ids.size());
        std::vector<std::string> fresh;
        ASSERT_TRUE(ReadMailboxIds(dir.Path(), "bob", fresh));
        EXPECT_EQ(ids, fresh);
        // A new id is unique against the known files and the new ones alike.
        for (const std::string& id : ids) EXPECT_NE(std::to_string(PickMessageId(std::stoll(id), ids)), id);
    }
}

TEST(MailboxIdCache, KnownFilesAreNotOpenedAgain) {
    TempDir dir;
    dir.Write("bob^0", "10\r\n");
    tmailboxids known;
    std::vector<std::string> ids;
    int64_t next = 0;
    ASSERT_TRUE(known.Read(dir.Path(), "bob", ids, next));
    // A file held open for writing here cannot be opened for reading: the
    // second read only succeeds if it takes the id it knows.
    netunit::tfilehandle writer;
    ASSERT_TRUE(netunit::FileOpenForAppend(writer, dir / "bob^0", 0));
    EXPECT_TRUE(known.Read(dir.Path(), "bob", ids, next));
    EXPECT_EQ(ids, std::vector<std::string>{"10"});
    EXPECT_FALSE(ReadMailboxIds(dir.Path(), "bob", ids));
    netunit::FileCloseHandle(writer);
}

TEST(MailboxIdCache, AFileThatCouldNotBeReadIsTriedAgain) {
    TempDir dir;
    dir.Write("bob^0", "10\r\n");
    dir.Write("bob^1", "11\r\n");
    netunit::tfilehandle writer;
    ASSERT_TRUE(netunit::FileOpenForAppend(writer, dir / "bob^1", 0));
    tmailboxids known;
    std::vector<std::string> ids;
    int64_t next = 0;
    EXPECT_FALSE(known.Read(dir.Path(), "bob", ids, next));
    EXPECT_FALSE(known.Read(dir.Path(), "bob", ids, next));
    netunit::FileCloseHandle(writer);
    EXPECT_TRUE(known.Read(dir.Path(), "bob", ids, next));
    EXPECT_EQ(ids, (std::vector<std::string>{"10", "11"}));
}

TEST(MailboxIdCache, MailboxesAreKeptApart) {
    TempDir dir;
    dir.Write("bob^0", "10\r\n");
    dir.Write("amy^0", "20\r\n");
    tmailboxids known;
    std::vector<std::string> ids;
    int64_t next = 0;
    ASSERT_TRUE(known.Read(dir.Path(), "bob", ids, next));
    EXPECT_EQ(ids, std::vector<std::string>{"10"});
    ASSERT_TRUE(known.Read(dir.Path(), "amy", ids, next));
    EXPECT_EQ(ids, std::vector<std::string>{"20"});
    EXPECT_EQ(known.Size(), 2u);
    known.Clear();
    EXPECT_EQ(known.Size(), 0u);
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
    // A message past a gap moves up when the mailbox is renumbered: its id
    // is taken too.
    Put(3, "19\r\n.\r\n");
    NewMessageId(dir_.Path(), "bob", ids);
    EXPECT_EQ(ids, (std::vector<std::string>{"17", "18", "19"}));
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
