// The namespace over a folder tree of the test's own: the desktop's first
// level, paths to lists and back, attributes, the mount table, the folder
// locator with its streamed bytes and the namespace object.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

#include "widgets/shell/mounttable.h"
#include "widgets/shell/namespaceobj.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shelllocator.h"
#include "widgets/shell/shellroutines.h"

using namespace shell;

namespace {

void MakeDir(const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0) << p; }
void MakeFile(const std::string& p, size_t size) { std::ofstream(p) << std::string(size, 'x'); }

// HOME with a Desktop folder named by user-dirs.dirs, and a mount table of
// our own: "/" (ext4), the test folder's "net" as NFS, and /proc.
class ShellTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        home = root + "/home";
        MakeDir(home);
        MakeDir(home + "/.config");
        MakeDir(home + "/Desktop");
        MakeDir(home + "/Desktop/project");
        MakeDir(home + "/Desktop/project/sub");
        MakeDir(home + "/Desktop/.dot");
        MakeDir(home + "/leaf");
        MakeFile(home + "/leaf/file.txt", 10);
        MakeDir(root + "/net");
        std::ofstream(home + "/.config/user-dirs.dirs") << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n";
        std::ofstream(root + "/mountinfo")
            << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
               "23 22 0:5 / /proc rw - proc proc rw\n"
               "24 22 0:40 / " << root << "/net rw - nfs4 server:/export rw\n"
               "25 22 0:41 / /media/usb\\040key rw - vfat /dev/sdb1 rw\n";
        saveHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        saveConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        SetMountInfoPath(root + "/mountinfo");
    }
    void TearDown() override {
        SetMountInfoPath("");
        setenv("HOME", saveHome.c_str(), 1);
        if (!saveConfig.empty()) setenv("XDG_CONFIG_HOME", saveConfig.c_str(), 1);
    }
    PidlPtr Parse(const std::string& path) {
        PItemIDList l = nullptr;
        EXPECT_TRUE(SUCCEEDED(PidlFromPath(path, l))) << path;
        return PidlPtr(l);
    }
    std::vector<std::string> Names(const ShellFolderPtr& f, uint32_t flags) {
        std::unique_ptr<IEnumIDList> e;
        EXPECT_EQ(f->EnumObjects(0, flags, e), S_OK);
        std::vector<std::string> out;
        PItemIDList item = nullptr;
        while (e && e->Next(item) == S_OK) {
            out.push_back(DisplayNameOf(f.get(), item, dnkInFolder));
            ShellFree(item);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    QTemporaryDir dir;
    std::string root, home, saveHome, saveConfig;
};

}  // namespace

TEST_F(ShellTree, DesktopIsTheXdgDesktopFolderElseHome) {
    EXPECT_EQ(DesktopDirectory(), home + "/Desktop");
    EXPECT_EQ(PathFromPidl(PidlPtr(PidlFromBytes({})).get()), home + "/Desktop");
    std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/missing\"\n";
    EXPECT_EQ(DesktopDirectory(), home);
}

TEST_F(ShellTree, FirstLevelHoldsHomeComputerTrashAndTheDesktopsFolders) {
    EXPECT_EQ(Names(DesktopFolder(), SHCONTF_FOLDERS),
              (std::vector<std::string>{"Computer", "Home", "Trash", "project"}));
    EXPECT_EQ(Names(DesktopFolder(), SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN),
              (std::vector<std::string>{".dot", "Computer", "Home", "Trash", "project"}));
    // The Trash is a virtual folder: neither in the file system nor above it.
    PidlPtr trash(PidlFromBytes(MakeSegment(skTrash, {})));
    uint32_t a = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER;
    ASSERT_EQ(DesktopFolder()->GetAttributesOf(trash.get(), a), S_OK);
    EXPECT_EQ(a, SFGAO_FOLDER);
    EXPECT_EQ(PathFromPidl(trash.get()), "");
}

TEST_F(ShellTree, ComputerListsRootAndMountsWithEscapesDecoded) {
    ShellFolderPtr computer;
    PidlPtr c(PidlFromBytes(MakeSegment(skComputer, {})));
    ASSERT_EQ(BindFolderOfPidl(c.get(), computer), S_OK);
    EXPECT_EQ(Names(computer, SHCONTF_FOLDERS),
              (std::vector<std::string>{"/", "/media/usb key", root + "/net"}));
}

TEST_F(ShellTree, PathsRoundTripThroughTheirLists) {
    struct Row {
        std::string path;
        int items;  // how the path is routed
    } rows[] = {
        {home + "/Desktop", 0},
        {home + "/Desktop/project/sub", 2},
        {home, 1},
        {home + "/leaf/file.txt", 3},
        {"/", 2},
        {root + "/net/not/looked/at", 5},  // a network mount is not stat'ed
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        PidlPtr l = Parse(r.path);
        ASSERT_TRUE(l);
        EXPECT_EQ(PidlCount(l.get()), r.items);
        EXPECT_EQ(PathFromPidl(l.get()), r.path);
    }
    PItemIDList l = nullptr;
    EXPECT_TRUE(FAILED(PidlFromPath(home + "/nothing", l)));
    EXPECT_TRUE(FAILED(PidlFromPath("relative/path", l)));
}

TEST_F(ShellTree, LongPathsAreNotCut) {
    std::string path = home;
    while (path.size() < 400) {
        path += "/" + std::string(50, 'd');
        MakeDir(path);
    }
    PidlPtr l = Parse(path);
    EXPECT_EQ(PathFromPidl(l.get()), path);
    TScShellLocator loc;
    loc.SetPath(path);
    EXPECT_EQ(loc.Path(), path);
}

TEST_F(ShellTree, AttributesFromTheFileSystem) {
    ::symlink((home + "/leaf").c_str(), (home + "/Desktop/link").c_str());
    struct Row {
        std::string path;
        uint32_t set, clear;
    } rows[] = {
        {home + "/Desktop/project", SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER, SFGAO_GHOSTED | SFGAO_LINK},
        {home + "/Desktop/project/sub", SFGAO_FOLDER, SFGAO_HASSUBFOLDER},
        {home + "/Desktop/.dot", SFGAO_FOLDER | SFGAO_GHOSTED, 0},
        {home + "/Desktop/link", SFGAO_FOLDER | SFGAO_LINK, SFGAO_HASSUBFOLDER},
        {home + "/leaf/file.txt", SFGAO_FILESYSTEM, SFGAO_FOLDER},
        {root + "/net/x", SFGAO_FOLDER | SFGAO_HASSUBFOLDER, 0},  // assumed, never scanned
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        const uint32_t a = FileSystemAttributes(r.path, skFolder, 0xFFFFFFFF);
        EXPECT_EQ(a & r.set, r.set);
        EXPECT_EQ(a & r.clear, 0u);
    }
}

TEST_F(ShellTree, ComparisonIsAStrictWeakOrder) {
    ShellFolderPtr d = DesktopFolder();
    std::vector<std::string> items = {MakeSegment(skHome, {}), MakeSegment(skComputer, {}),
                                      MakeSegment(skFolder, "b"), MakeSegment(skFolder, "B"),
                                      MakeSegment(skFolder, "a"), MakeSegment(skFile, "a")};
    for (const std::string& x : items)
        for (const std::string& y : items) {
            PidlPtr a(PidlFromBytes(x)), b(PidlFromBytes(y));
            const int ab = CompareResultOf(d->CompareIDs(0, a.get(), b.get()));
            const int ba = CompareResultOf(d->CompareIDs(0, b.get(), a.get()));
            EXPECT_EQ(ab, -ba);
            EXPECT_EQ(ab == 0, x == y);
        }
}

TEST_F(ShellTree, RenameNeverReplaces) {
    PidlPtr parent = Parse(home + "/Desktop");
    ShellFolderPtr f;
    ASSERT_EQ(BindFolderOfPidl(parent.get(), f), S_OK);
    PidlPtr item(PidlFromBytes(MakeSegment(skFolder, "project")));
    MakeDir(home + "/Desktop/taken");
    PItemIDList out = nullptr;
    EXPECT_TRUE(FAILED(f->SetNameOf(0, item.get(), u"taken", 0, out)));
    ASSERT_EQ(f->SetNameOf(0, item.get(), u"renamed", 0, out), S_OK);
    EXPECT_EQ(ItemName(out), "renamed");
    ShellFree(out);
    struct stat st;
    EXPECT_EQ(::stat((home + "/Desktop/renamed/sub").c_str(), &st), 0);
}

TEST(MountTable, EscapesAndDriveTypes) {
    EXPECT_EQ(DecodeMountEscapes("/a\\040b\\011c\\134d\\12"), "/a b\tc\\d\\12");
    EXPECT_EQ(DriveTypeOfFs("tmpfs"), DRIVE_RAMDISK);
    EXPECT_EQ(DriveTypeOfFs("nfs"), DRIVE_REMOTE);
    EXPECT_EQ(DriveTypeOfFs("cifs"), DRIVE_REMOTE);
    EXPECT_EQ(DriveTypeOfFs("fuse.sshfs"), DRIVE_REMOTE);
    EXPECT_EQ(DriveTypeOfFs("ext4"), DRIVE_FIXED);
    const auto t = ParseMountInfo("bad line\n36 35 98:0 /mnt1 /mnt/a\\040b rw,noatime master:1 - ext3 /dev/root rw\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].MountPoint, "/mnt/a b");
    EXPECT_EQ(t[0].FsType, "ext3");
    EXPECT_EQ(t[0].Major, 98u);
}

// --- the folder locator ---

TEST_F(ShellTree, LocatorChangeEvents) {
    TScShellLocator loc;
    int changes = 0;
    loc.OnChange = [&](TScShellLocator*) { ++changes; };
    loc.SetPath(home + "/Desktop/project");
    EXPECT_EQ(changes, 1);
    loc.SetPath(home + "/Desktop/project");  // the same list again
    EXPECT_EQ(changes, 1);
    loc.SetPath(home + "/nothing");  // names the desktop now
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(loc.HoldsList());
    loc.SetPath(home + "/nothing");  // already the desktop
    EXPECT_EQ(changes, 2);
    PidlPtr empty(PidlFromBytes({}));
    loc.SetIdList(empty.get());  // the desktop's empty list is stored as nil
    EXPECT_FALSE(loc.HoldsList());
    EXPECT_EQ(changes, 2);

    loc.SetSpecialFolder(CSIDL_DRIVES);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(ItemKind(loc.IdList()), skComputer);
    PidlPtr computer(PidlFromBytes(MakeSegment(skComputer, {})));
    loc.SetIdList(computer.get());  // same folder, but the kind changes
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(loc.Kind(), TScShellLocator::lkIdList);
}

TEST_F(ShellTree, LocatorAssignAndEquals) {
    TScShellLocator a, b;
    int changes = 0;
    b.OnChange = [&](TScShellLocator*) { ++changes; };
    a.SetPath(home + "/Desktop/project");
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(b.Equals(&a));
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    b.Assign(nullptr);
    EXPECT_EQ(changes, 2);
    b.Assign(nullptr);  // nothing held any more
    EXPECT_EQ(changes, 2);
}

TEST_F(ShellTree, LocatorStreamedBytesTable) {
    const std::string item = MakeSegment(skFolder, "project");
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    {
        TScShellLocator loc;
        EXPECT_FALSE(loc.HasStoredData());  // the desktop writes nothing
        PidlPtr l(PidlFromBytes(item));
        loc.SetIdList(l.get());
        EXPECT_EQ(loc.WritePidl(), std::string(1, '\0') + le32(item.size() + 2) + item + std::string(2, '\0'));
        TScShellLocator back;
        ASSERT_TRUE(back.ReadPidl(loc.WritePidl()));
        EXPECT_TRUE(back.Equals(&loc));
    }
    {
        TScShellLocator loc;
        loc.SetSpecialFolder(CSIDL_DRIVES);
        EXPECT_EQ(loc.WritePidl(), std::string("\x01\x11", 2));
    }
    struct Row {
        const char* what;
        std::string bytes;
        bool ok;
        TScShellLocator::TKind kind;
        int folder;
        bool list;
    } rows[] = {
        {"kind 0, size 0: the desktop as folder 0", std::string(1, '\0') + le32(0), true,
         TScShellLocator::lkSpecialFolder, 0, false},
        {"kind 1 and a folder number", std::string("\x01\x11", 2), true, TScShellLocator::lkSpecialFolder, 17, false},
        {"a list", std::string(1, '\0') + le32(item.size() + 2) + item + std::string(2, '\0'), true,
         TScShellLocator::lkIdList, 0, true},
        {"size beyond the bytes", std::string(1, '\0') + le32(400) + item, false, TScShellLocator::lkSpecialFolder, 0,
         false},
        {"item count past the end", std::string(1, '\0') + le32(6) + std::string("\x09\x00\x10\x00\x00\x00", 6),
         false, TScShellLocator::lkSpecialFolder, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TScShellLocator loc;
        EXPECT_EQ(loc.ReadPidl(r.bytes), r.ok);
        EXPECT_EQ(loc.Kind(), r.kind);
        if (r.kind == TScShellLocator::lkSpecialFolder) { EXPECT_EQ(loc.SpecialFolder(), r.folder); }
        EXPECT_EQ(loc.HoldsList(), r.list);
    }
}

// --- the namespace object ---

TEST_F(ShellTree, NamespaceObjectAnswersForAFile) {
    MakeFile(home + "/leaf/big.dat", 5000000);
    PidlPtr l = Parse(home + "/leaf/big.dat");
    TNamespace ns(PidlCopy(nullptr, l.get()), nullptr);
    EXPECT_FALSE(ns.IsFolder());
    EXPECT_TRUE(ns.FileSystem());
    EXPECT_EQ(ns.NameInFolder(), u"big.dat");
    EXPECT_EQ(ns.SizeOfFileInt64(), 5000000);
    EXPECT_EQ(ns.FileType(), u"DAT File");
    EXPECT_EQ(ns.DetailsColumnTitle(-1), u"Name");
    EXPECT_EQ(ns.DetailsColumnTitle(3), u"Modified");
    EXPECT_EQ(ns.DetailsOf(0), u"big.dat");
    EXPECT_FALSE(ns.LastWriteTime().empty());

    PidlPtr folder = Parse(home + "/leaf");
    TNamespace nf(PidlCopy(nullptr, folder.get()), nullptr);
    EXPECT_TRUE(nf.IsFolder());
    EXPECT_EQ(nf.SizeOfFileKB(), u"");
    EXPECT_FALSE(nf.SubFolders());
    EXPECT_TRUE(nf.HasChildren());

    PidlPtr computer(PidlFromBytes(MakeSegment(skComputer, {})));
    TNamespace nc(PidlCopy(nullptr, computer.get()), nullptr);
    EXPECT_EQ(nc.NameInFolder(), u"Computer");
    EXPECT_EQ(nc.DetailsOf(2), u"System Folder");
    EXPECT_EQ(nc.AttributesString(false), u"");
}

TEST_F(ShellTree, SpecialFoldersWithoutCounterpartHaveNoLocation) {
    for (int folder : {CSIDL_PRINTERS, CSIDL_HISTORY, CSIDL_CONTROLS, CSIDL_NETWORK, CSIDL_FAVORITES}) {
        SCOPED_TRACE(folder);
        PItemIDList l = nullptr;
        EXPECT_EQ(SpecialFolderLocation(0, folder, l), E_FAIL);
        EXPECT_EQ(l, nullptr);
    }
    EXPECT_EQ(SpecialFolderPath(0, CSIDL_DESKTOPDIRECTORY), home + "/Desktop");
    PidlPtr project = Parse(home + "/Desktop/project");
    EXPECT_EQ(SpecialFolderOfPidl(project.get()), CSIDL_NONE);
    PidlPtr computer(PidlFromBytes(MakeSegment(skComputer, {})));
    EXPECT_EQ(SpecialFolderOfPidl(computer.get()), CSIDL_DRIVES);
    EXPECT_EQ(AddTrailingChar("/a", '/'), "/a/");
    EXPECT_EQ(AddTrailingChar("/a/", '/'), "/a/");
    EXPECT_EQ(AddTrailingChar("", '/'), "");
}
