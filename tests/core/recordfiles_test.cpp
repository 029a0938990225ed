#include "core/recordfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace core {
namespace {

// Record bytes built from the stored layout, independent of the codec.
std::string Text(const std::string& s, std::size_t capacity) {
    std::string field(capacity + 1, '\0');
    field[0] = static_cast<char>(s.size());
    field.replace(1, s.size(), s);
    return field;
}

std::string NewFtpPath(const std::string& dir, const std::string& alias, const std::string& owner,
                       const std::string& flags) {
    return Text(dir, 255) + Text(alias, 255) + Text(owner, 255) + flags;
}

std::string OldFtpPath(const std::string& dir, const std::string& alias, const std::string& owner,
                       bool readOnly) {
    return Text(dir, 255) + Text(alias, 255) + Text(owner, 255) + std::string(1, readOnly ? '\1' : '\0');
}

const std::string kAllOn(7, '\1');

class RecordFiles : public ::testing::Test {
protected:
    RecordFiles() {
        char name[] = "/tmp/qn-records-XXXXXX";
        dir_ = ::mkdtemp(name);
    }
    ~RecordFiles() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

    static std::vector<std::string> Aliases(const FtpPathList& list) {
        std::vector<std::string> aliases;
        for (const auto& p : list) aliases.push_back(p->Alias);
        return aliases;
    }

    std::string dir_;
};

TEST_F(RecordFiles, FileReadAndWrittenAgainIsByteIdentical) {
    std::string bytes;
    for (const char* name : {"a", "b", "c"}) {
        std::string record = Text(name, 255) + Text("*", 255) + std::string(8, '\x40') +
                             std::string(4, '\x02') + std::string(260, '\x9C');
        bytes += record;
    }
    Write(kBansFile, bytes);
    RecordList<tban> bans;
    ASSERT_EQ(LoadRecordFile(Path(kBansFile), bans), LoadResult::Loaded);
    ASSERT_EQ(bans.size(), 3u);
    EXPECT_EQ(bans[1]->Description, "b");
    EXPECT_EQ(bans[2]->DurationIndex, 0x02020202);
    ASSERT_TRUE(SaveRecordFile(Path("copy.dat"), bans));
    EXPECT_EQ(Read("copy.dat"), bytes);
}

TEST_F(RecordFiles, MissingFileLeavesTheListAlone) {
    RecordList<tmaildomain> list;
    list.push_back(std::make_unique<tmaildomain>());
    EXPECT_EQ(LoadRecordFile(Path(kMailDomainsFile), list), LoadResult::Missing);
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(RecordFiles, FileThatExistsButCannotBeReadIsFailedAndNoted) {
    // A FIFO (or a folder) by the file's name cannot be read, even by root.
    ASSERT_EQ(::mkfifo(Path(kBansFile).c_str(), 0600), 0);
    std::filesystem::create_directory(Path(kTriggersFile));
    RecordList<tban> bans;
    bans.push_back(std::make_unique<tban>());
    EXPECT_EQ(LoadRecordFile(Path(kBansFile), bans), LoadResult::Failed);
    EXPECT_EQ(bans.size(), 1u);
    RecordList<ttrigger> triggers;
    EXPECT_EQ(LoadRecordFile(Path(kTriggersFile), triggers), LoadResult::Failed);
}

TEST_F(RecordFiles, LoadAppendsAndEmptyListWritesEmptyFile) {
    Write(kForwardsFile, Text("to", 255) + Text("from", 255) + std::string(10, 'z'));
    RecordList<tmailforward> list;
    list.push_back(std::make_unique<tmailforward>());
    ASSERT_EQ(LoadRecordFile(Path(kForwardsFile), list), LoadResult::Loaded);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->Forwarded, "from");

    RecordList<tmailforward> none;
    ASSERT_TRUE(SaveRecordFile(Path(kForwardsFile), none));
    EXPECT_TRUE(Exists(kForwardsFile));
    EXPECT_EQ(Read(kForwardsFile), "");
}

TEST_F(RecordFiles, SaveIntoMissingFolderFailsAndWritesNothing) {
    RecordList<ttrigger> list;
    list.push_back(std::make_unique<ttrigger>());
    EXPECT_FALSE(SaveRecordFile(Path("no/such/triggers23.dat"), list));
}

TEST_F(RecordFiles, FtpPathsFromTheNewFiles) {
    Write(kSuperuserPathsFile, NewFtpPath("/", "root", "", kAllOn));
    Write(kAnonymousPathsFile, NewFtpPath("/pub", "pub", "", std::string("\1\0\0\0\1\0\0", 7)));
    Write(kSharedPathsFile, NewFtpPath("/s", "s1", "<All Accounts>", kAllOn) +
                                NewFtpPath("/t", "s2", "bob", kAllOn));
    // Present but ignored while the new shared file exists.
    Write(kOldSharedPathsFile, OldFtpPath("/old", "old", "", false));

    FtpPathList su, an, sh;
    su.push_back(std::make_unique<tftppath>());  // emptied first
    LoadFtpPaths(dir_, su, an, sh);
    EXPECT_EQ(Aliases(su), (std::vector<std::string>{"root"}));
    EXPECT_EQ(Aliases(an), (std::vector<std::string>{"pub"}));
    EXPECT_EQ(Aliases(sh), (std::vector<std::string>{"s1", "s2"}));
    EXPECT_TRUE(an[0]->FileRead);
    EXPECT_FALSE(an[0]->FileWrite);
    EXPECT_TRUE(an[0]->DirList);
    EXPECT_EQ(sh[1]->Owner, "bob");
}

TEST_F(RecordFiles, OlderFtpPathFilesAreConvertedWhileTheNewSharedFileIsMissing) {
    Write(kSuperuserPathsFile, NewFtpPath("/", "new-su", "", kAllOn));
    Write(kAnonymousPathsFile, NewFtpPath("/pub", "new-an", "", kAllOn));
    Write(kOldSuperuserPathsFile, OldFtpPath("/o1", "old-su", "", false) + std::string(5, 'x'));
    Write(kOldAnonymousPathsFile, OldFtpPath("/o2", "old-an", "", true));
    Write(kOldSharedPathsFile, OldFtpPath("/o3", "old-sh", "<Group: staff>", true) +
                                   OldFtpPath("/o4", "old-sh2", "bob", false));

    FtpPathList su, an, sh;
    LoadFtpPaths(dir_ + "/", su, an, sh);
    EXPECT_EQ(Aliases(su), (std::vector<std::string>{"new-su", "old-su"}));
    EXPECT_EQ(Aliases(an), (std::vector<std::string>{"new-an", "old-an"}));
    EXPECT_EQ(Aliases(sh), (std::vector<std::string>{"old-sh", "old-sh2"}));
    EXPECT_EQ(sh[0]->LocalDir, "/o3");
    EXPECT_EQ(sh[0]->Owner, "<Group: staff>");

    struct Row {
        const char* what;
        const tftppath* path;
        std::string flags;  // read write delete append list make deldir
    };
    const Row rows[] = {
        {"writable old record: everything on", su[1].get(), "1111111"},
        {"read-only old record: read and list", an[1].get(), "1000100"},
        {"read-only shared record", sh[0].get(), "1000100"},
        {"writable shared record", sh[1].get(), "1111111"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const tftppath& p = *row.path;
        std::string flags;
        for (bool f : {p.FileRead, p.FileWrite, p.FileDelete, p.FileAppend, p.DirList, p.DirMake, p.DirDelete})
            flags += f ? '1' : '0';
        EXPECT_EQ(flags, row.flags);
    }

    // The next save writes the new layout; the older files stay as they were.
    const std::string oldShared = Read(kOldSharedPathsFile);
    ASSERT_TRUE(SaveFtpPaths(dir_, su, an, sh));
    EXPECT_EQ(Read(kSharedPathsFile), NewFtpPath("/o3", "old-sh", "<Group: staff>", std::string("\1\0\0\0\1\0\0", 7)) +
                                          NewFtpPath("/o4", "old-sh2", "bob", kAllOn));
    EXPECT_EQ(Read(kSuperuserPathsFile).size(), 2 * tftppath::RecordSize);
    EXPECT_EQ(Read(kOldSharedPathsFile), oldShared);

    FtpPathList su2, an2, sh2;
    LoadFtpPaths(dir_, su2, an2, sh2);
    EXPECT_EQ(Aliases(su2), Aliases(su));
    EXPECT_EQ(Aliases(sh2), Aliases(sh));
}

TEST_F(RecordFiles, NoFtpPathFilesGiveEmptyLists) {
    FtpPathList su, an, sh;
    LoadFtpPaths(dir_, su, an, sh);
    EXPECT_TRUE(su.empty() && an.empty() && sh.empty());
}

std::string Account(const std::string& name, const std::string& password) {
    std::string r(1392, '\0');
    r.replace(0, 21, Text(name, 20));
    r.replace(42, 21, Text(password, 20));
    return r;
}

TEST_F(RecordFiles, AccountsFileWholeRecordsOnly) {
    Write(kAccountsFile, Account("bob", "x") + Account("amy", "y") + std::string(700, 'p'));
    const AccountList accounts = LoadAccounts(dir_);
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0]->UserName, "bob");
    EXPECT_EQ(accounts[1]->Password, "y");
}

TEST_F(RecordFiles, OlderAccountsAreConvertedOnlyWhenTheNewFileIsMissing) {
    // An old record: the first 333 bytes of the new layout, then padding that
    // must not leak into the new fields.
    std::string old = Account("carol", "pw").substr(0, 333);
    old[63] = 1;                                 // superuser
    old[68] = 10;                                // quota
    old.replace(73, 256, Text("/pub", 255));     // FTP initial path
    old[331] = 1;                                // FTP allowed
    old[332] = 1;                                // shared paths of all accounts
    old += std::string(352 - 333, '\xEE');
    Write(kOldAccountsFile, old + old.substr(0, 100));

    AccountList accounts = LoadAccounts(dir_);
    ASSERT_EQ(accounts.size(), 1u);
    const tuseraccount& a = *accounts[0];
    EXPECT_EQ(a.UserName, "carol");
    EXPECT_EQ(a.Password, "pw");
    EXPECT_TRUE(a.Superuser);
    EXPECT_EQ(a.Quota, 10);
    EXPECT_EQ(a.FtpInitialPath, "/pub");
    EXPECT_TRUE(a.FtpAllowed);
    EXPECT_TRUE(a.AllAccountsShared);
    EXPECT_FALSE(a.ConnectionLimit);
    EXPECT_FALSE(a.SpeedLimit);
    EXPECT_EQ(a.MaxFtpConnections, 0);
    EXPECT_EQ(a.MaxSpeed, 0.0);
    EXPECT_EQ(a.EmailAddress, "");
    EXPECT_EQ(a.WebSite, "");
    EXPECT_EQ(a.Group, "");

    ASSERT_TRUE(SaveAccounts(dir_, accounts));
    std::string expected = old.substr(0, 333);
    expected.resize(1392, '\0');
    EXPECT_EQ(Read(kAccountsFile), expected);

    // From now on the new file wins.
    Write(kOldAccountsFile, Account("dave", "").substr(0, 352));
    const AccountList again = LoadAccounts(dir_);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0]->UserName, "carol");
}

TEST_F(RecordFiles, NoAccountFilesGiveNoAccounts) {
    EXPECT_TRUE(LoadAccounts(dir_).empty());
}

TEST_F(RecordFiles, UnreadableNewFilesKeepTheOlderFilesFromTakingTheirPlace) {
    Write(kOldAccountsFile, Account("old", "pw").substr(0, 352));
    ASSERT_EQ(::mkfifo(Path(kAccountsFile).c_str(), 0600), 0);
    Write(kOldSharedPathsFile, OldFtpPath("/o", "old", "", false));
    Write(kSuperuserPathsFile, NewFtpPath("/", "root", "", kAllOn));
    ASSERT_EQ(::mkfifo(Path(kSharedPathsFile).c_str(), 0600), 0);

    std::vector<std::string> unread;
    EXPECT_TRUE(LoadAccounts(dir_, &unread).empty());
    FtpPathList su, an, sh;
    LoadFtpPaths(dir_, su, an, sh, &unread);
    EXPECT_EQ(Aliases(su), (std::vector<std::string>{"root"}));
    EXPECT_TRUE(sh.empty());
    EXPECT_EQ(unread, (std::vector<std::string>{Path(kAccountsFile), Path(kSharedPathsFile)}));
}

TEST(HomeFolderNames, OnlySingleSafeFolderNames) {
    AccountList accounts;
    for (const std::string& name : {std::string("bob"), std::string(".."), std::string("a/b"),
                                    std::string(""), std::string("."), std::string("Mixed Case"),
                                    std::string("nul\0x", 5), std::string("..."),
                                    std::string("line\nbreak"), std::string("tab\there"),
                                    std::string("del\x7F")}) {
        accounts.push_back(std::make_unique<tuseraccount>());
        accounts.back()->UserName = name;
    }
    EXPECT_EQ(HomeFolderNames(accounts), (std::vector<std::string>{"bob", "Mixed Case", "..."}));
}

}  // namespace
}  // namespace core
