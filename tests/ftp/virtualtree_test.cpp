// Mapping virtual paths to local folders with their permissions.
#include <gtest/gtest.h>

#include <memory>

#include "../netunit/tempdir.h"
#include "ftp/virtualtree.h"

namespace ftp {
namespace {

core::tftppath Path(const std::string& local, const std::string& alias, const std::string& owner, bool write,
                    bool list) {
    core::tftppath p;
    p.LocalDir = local;
    p.Alias = alias;
    p.Owner = owner;
    p.FileRead = true;
    p.FileWrite = write;
    p.DirList = list;
    return p;
}

class VirtualTreeTest : public ::testing::Test {
public:  // the case table names the accounts by member
    void SetUp() override {
        dir_.Write("home/ann/a.txt", "a");
        dir_.Write("home/bob/x", "x");
        dir_.Write("home/root/r", "r");
        dir_.Write("pub/readme.txt", "r");
        dir_.Write("pub/file.zip", "z");
        dir_.Write("pub/sub/x", "x");
        dir_.Write("staff/s.txt", "s");
        dir_.Write("all/a.txt", "a");
        dir_.Write("annshare/a.txt", "a");
        dir_.Write("tools/t", "t");
        Add(anonymous_, Path(dir_ / "pub", "pub", "", false, true));
        Add(anonymous_, Path(dir_ / "pub/", "flat", "", true, false));
        Add(shared_, Path(dir_ / "all", "docs", "<All Accounts>", false, true));
        Add(shared_, Path(dir_ / "annshare", "docs", "ann", true, true));
        Add(shared_, Path(dir_ / "staff", "team", "<Group: Staff>", true, true));
        Add(shared_, Path(dir_ / "all", "common", "<All Accounts>", false, true));
        Add(super_, Path(dir_ / "tools", "tools", "", true, true));
        // A record whose local folder was left empty.
        Add(anonymous_, Path("", "blank", "", true, true));
        Add(shared_, Path("", "blank", "<All Accounts>", true, true));

        ann_.UserName = "ann";
        ann_.Group = "staff";
        ann_.AllAccountsShared = true;
        bob_.UserName = "bob";
        root_.UserName = "root";
        root_.Superuser = true;
        anonymous_account_.UserName = "anonymous";
    }

    static void Add(core::FtpPathList& list, const core::tftppath& p) {
        list.push_back(std::make_unique<core::tftppath>(p));
    }

    VirtualTree Tree(const core::tuseraccount& account) const {
        VirtualTree t;
        t.HomeDir = dir_ / "home/";
        t.AnonymousOn = true;
        t.SharedOn = true;
        t.SuperOn = true;
        t.AnonymousPublished = true;
        t.SuperPublished = true;
        t.AnonymousPaths = &anonymous_;
        t.SharedPaths = &shared_;
        t.SuperuserPaths = &super_;
        t.Account = &account;
        return t;
    }

    TempDir dir_;
    core::FtpPathList anonymous_, shared_, super_;
    core::tuseraccount ann_, bob_, root_, anonymous_account_;
};

struct MapCase {
    const char* what;
    const core::tuseraccount VirtualTreeTest::*account;
    const char* path;
    const char* local;  // below the temp folder; nullptr maps to nothing
    bool write;
    bool remove;
};

TEST_F(VirtualTreeTest, MappingTable) {
    const MapCase cases[] = {
        {"own file", &VirtualTreeTest::ann_, "/home/ann/a.txt", "home/ann/a.txt", true, true},
        {"own home", &VirtualTreeTest::ann_, "/home/ann", "home/ann", true, true},
        {"home root, read only", &VirtualTreeTest::ann_, "/home", "home", false, false},
        {"another user's home", &VirtualTreeTest::ann_, "/home/bob", nullptr, false, false},
        {"another user's file", &VirtualTreeTest::ann_, "/home/bob/x", nullptr, false, false},
        {"name prefix is not the home", &VirtualTreeTest::ann_, "/home/annx", nullptr, false, false},
        {"user name is exact", &VirtualTreeTest::ann_, "/home/Ann", nullptr, false, false},
        {"superuser in another home", &VirtualTreeTest::root_, "/home/bob/x", "home/bob/x", false, false},
        {"superuser in own home", &VirtualTreeTest::root_, "/home/root", "home/root", true, true},
        {"anonymous has no home", &VirtualTreeTest::anonymous_account_, "/home/anonymous/x", nullptr, false, false},
        {"anonymous file", &VirtualTreeTest::anonymous_account_, "/anonymous/pub/readme.txt", "pub/readme.txt",
         false, false},
        {"alias prefix does not match", &VirtualTreeTest::anonymous_account_, "/anonymous/pubx", nullptr, false,
         false},
        {"anonymous root itself", &VirtualTreeTest::anonymous_account_, "/anonymous", nullptr, false, false},
        {"flat alias itself", &VirtualTreeTest::anonymous_account_, "/anonymous/flat", "pub", true, false},
        {"flat alias file", &VirtualTreeTest::anonymous_account_, "/anonymous/flat/file.zip", "pub/file.zip", true,
         false},
        {"flat alias folder", &VirtualTreeTest::anonymous_account_, "/anonymous/flat/sub", nullptr, false, false},
        {"flat alias below a folder", &VirtualTreeTest::anonymous_account_, "/anonymous/flat/sub/x", nullptr, false,
         false},
        {"flat alias missing file", &VirtualTreeTest::anonymous_account_, "/anonymous/flat/none", nullptr, false,
         false},
        {"anonymous cannot use shared", &VirtualTreeTest::anonymous_account_, "/shared/docs", nullptr, false, false},
        {"own shared path before all accounts", &VirtualTreeTest::ann_, "/shared/docs/a.txt", "annshare/a.txt",
         true, false},
        {"group path, group in other case", &VirtualTreeTest::ann_, "/shared/team/s.txt", "staff/s.txt", true,
         false},
        {"group path without a group", &VirtualTreeTest::bob_, "/shared/team", nullptr, false, false},
        {"all accounts needs the switch", &VirtualTreeTest::bob_, "/shared/common", nullptr, false, false},
        {"all accounts with the switch", &VirtualTreeTest::ann_, "/shared/common", "all", false, false},
        {"super path for a superuser", &VirtualTreeTest::root_, "/super/tools/t", "tools/t", true, false},
        {"super path for a user", &VirtualTreeTest::ann_, "/super/tools", nullptr, false, false},
        {"empty local folder, shared", &VirtualTreeTest::ann_, "/shared/blank/accounts23.dat", nullptr, false, false},
        {"empty local folder itself", &VirtualTreeTest::ann_, "/shared/blank", nullptr, false, false},
        {"empty local folder, anonymous", &VirtualTreeTest::anonymous_account_, "/anonymous/blank/options.ini",
         nullptr, false, false},
        {"the root", &VirtualTreeTest::ann_, "/", nullptr, false, false},
        {"unknown root", &VirtualTreeTest::ann_, "/etc/passwd", nullptr, false, false},
        {"empty path", &VirtualTreeTest::ann_, "", nullptr, false, false},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.what);
        const LocalMapping m = LocalPathTrimmed(Tree(this->*c.account), c.path);
        if (c.local == nullptr) {
            EXPECT_EQ(m.Path, "");
            EXPECT_EQ(m.Permissions, FtpPermissions{});
            continue;
        }
        EXPECT_EQ(m.Path, dir_ / c.local);
        EXPECT_TRUE(m.Permissions.FileRead);
        EXPECT_EQ(m.Permissions.FileWrite, c.write);
        EXPECT_EQ(m.Permissions.FileDelete, c.remove);
        EXPECT_EQ(m.Permissions.DirDelete, c.remove);
    }
}

// The folder a record publishes is where its rights apply, not something
// they let a client remove or rename.
TEST_F(VirtualTreeTest, PublishedRootIsMarked) {
    const struct {
        const char* what;
        const core::tuseraccount VirtualTreeTest::*account;
        const char* path;
        bool root;
    } cases[] = {
        {"shared alias", &VirtualTreeTest::ann_, "/shared/docs", true},
        {"shared alias, trailing slashes", &VirtualTreeTest::ann_, "/shared/docs//", true},
        {"inside the shared alias", &VirtualTreeTest::ann_, "/shared/docs/a.txt", false},
        {"anonymous alias", &VirtualTreeTest::anonymous_account_, "/anonymous/pub", true},
        {"folder inside the anonymous alias", &VirtualTreeTest::anonymous_account_, "/anonymous/pub/sub", false},
        {"alias without list-subdirectories", &VirtualTreeTest::anonymous_account_, "/anonymous/flat", true},
        {"super alias", &VirtualTreeTest::root_, "/super/tools", true},
        {"own home", &VirtualTreeTest::ann_, "/home/ann", true},
        {"own home, trailing slash", &VirtualTreeTest::ann_, "/home/ann/", true},
        {"inside the own home", &VirtualTreeTest::ann_, "/home/ann/a.txt", false},
        {"the home folder", &VirtualTreeTest::ann_, "/home", true},
        {"another's home, for a superuser", &VirtualTreeTest::root_, "/home/bob", true},
        {"maps nothing", &VirtualTreeTest::ann_, "/shared/none", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LocalPathTrimmed(Tree(this->*c.account), c.path).PublishedRoot, c.root);
    }
}

TEST_F(VirtualTreeTest, DirectoryFormEndsWithSlash) {
    EXPECT_EQ(VirtualToLocalPath(Tree(ann_), "/home/ann").Path, dir_ / "home/ann/");
    EXPECT_EQ(VirtualToLocalPath(Tree(ann_), "/home").Path, dir_ / "home/");
    EXPECT_EQ(VirtualToLocalPath(Tree(ann_), "/home/bob").Path, "");
}

TEST_F(VirtualTreeTest, RootsAllowed) {
    VirtualTree t = Tree(ann_);
    EXPECT_TRUE(VirtualRootAllowed(t, 1));
    EXPECT_TRUE(VirtualRootAllowed(t, 2));
    EXPECT_TRUE(VirtualRootAllowed(t, 3));
    EXPECT_FALSE(VirtualRootAllowed(t, 4));
    EXPECT_FALSE(VirtualRootAllowed(t, 0));
    EXPECT_TRUE(VirtualRootAllowed(Tree(root_), 4));
    t = Tree(anonymous_account_);
    EXPECT_FALSE(VirtualRootAllowed(t, 2));
    EXPECT_FALSE(VirtualRootAllowed(t, 3));
    t.AnonymousOn = false;
    EXPECT_FALSE(VirtualRootAllowed(t, 1));
}

TEST_F(VirtualTreeTest, SwitchedOffRootsVanish) {
    VirtualTree t = Tree(root_);
    t.SuperOn = false;
    EXPECT_EQ(LocalPathTrimmed(t, "/super/tools").Path, "");
    EXPECT_FALSE(IsVirtualDir(t, "/super"));
    t = Tree(root_);
    t.SuperPublished = false;  // the window's list shows no alias
    EXPECT_EQ(LocalPathTrimmed(t, "/super/tools").Path, "");
}

TEST_F(VirtualTreeTest, IsVirtualDir) {
    EXPECT_TRUE(IsVirtualDir(Tree(ann_), "/"));
    EXPECT_TRUE(IsVirtualDir(Tree(ann_), "/shared"));
    EXPECT_TRUE(IsVirtualDir(Tree(ann_), "/anonymous"));
    EXPECT_FALSE(IsVirtualDir(Tree(ann_), "/super"));
    EXPECT_TRUE(IsVirtualDir(Tree(ann_), "/home"));
    EXPECT_TRUE(IsVirtualDir(Tree(ann_), "/home/ann"));
    EXPECT_FALSE(IsVirtualDir(Tree(ann_), "/home/ann/a.txt"));
    EXPECT_FALSE(IsVirtualDir(Tree(ann_), "/home/bob"));
    EXPECT_TRUE(IsVirtualDir(Tree(root_), "/home/bob"));
    EXPECT_FALSE(IsVirtualDir(Tree(anonymous_account_), "/home"));
    EXPECT_FALSE(IsVirtualDir(Tree(anonymous_account_), "/shared"));
    EXPECT_TRUE(IsVirtualDir(Tree(anonymous_account_), "/anonymous/pub/sub"));
    EXPECT_FALSE(IsVirtualDir(Tree(anonymous_account_), "/anonymous/flat/sub"));
}

}  // namespace
}  // namespace ftp
