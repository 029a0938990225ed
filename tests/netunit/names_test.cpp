#include "netunit/names.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "netunit/paths.h"
#include "netunit/tempdir.h"

using namespace netunit;

// Files, reserved names, a folder and links of each kind.
void MakeEntriesOfEveryKind(const TempDir& dir) {
    dir.Write("file.txt", "x");
    dir.Write("COM5", "x");
    dir.Write("CON.txt", "x");
    dir.Write("COM1", "x");
    dir.Write("empty", "");
    dir.Write("a*b?", "x");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_directory_symlink(dir / "folder", dir / "folderlink");
}

TEST(FileLayerFolders, ExistenceOfFoldersAndFiles) {
    TempDir dir;
    MakeEntriesOfEveryKind(dir);
    ASSERT_TRUE(std::filesystem::is_directory(dir / "folder"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct Row {
        std::string name;
        bool isFolder;
        bool isFile;
    };
    const Row rows[] = {
        {"/", true, false},
        {dir.Path(), true, false},
        {RemoveBackslash(dir.Path()), true, false},
        {dir / "folder", true, false},
        {dir / "folder/", true, false},
        {dir / "file.txt", false, true},
        {dir / "COM5", false, true},
        {dir / "CON.txt", false, true},
        {dir / "COM1", false, false},  // a reserved name is never a file
        {dir / "empty", false, true},
        {dir / "missing", false, false},
        {dir / "*", false, false},      // a pattern names no file
        {dir / "file.*", false, false},
        {dir / "a*b?", false, true},    // but a name may hold the characters
        {dir / "dangling", false, true},  // a link to nothing is still an entry
        {dir / "folderlink", true, false},
        {dir / "fifo", false, true},
        {"", false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(WideDirectoryExists(r.name), r.isFolder);
        EXPECT_EQ(WideFileExists(r.name), r.isFile);
        const tnamekind kind = WideNameKind(r.name);
        EXPECT_EQ(kind.Folder, r.isFolder) << "in one look";
        EXPECT_EQ(kind.File, r.isFile) << "in one look";
    }
}

// Listing a folder answers "is it a file" as WideFileExists does, whether the
// file system gives each entry's type or leaves it unknown.
TEST(FileLayerFolders, ListingAgreesWithTheExistenceTest) {
    TempDir dir;
    MakeEntriesOfEveryKind(dir);
    dir.Write("LPT12", "x");
    std::filesystem::create_symlink(dir / "file.txt", dir / "filelink");
    const std::map<std::string, bool> expected = {
        {"file.txt", true}, {"COM5", true},     {"CON.txt", true},    {"COM1", false},
        {"empty", true},    {"a*b?", true},     {"folder", false},    {"dangling", true},
        {"folderlink", false}, {"LPT12", true}, {"filelink", true},
    };
    std::map<std::string, bool> listed, unknownType;
    std::map<std::string, uint64_t> inodes;
    ASSERT_TRUE(ForEachFolderEntry(dir.Path(), [&](const tfolderentry& entry) {
        const std::string name(entry.Name);
        listed[name] = FolderEntryIsFile(dir.Path(), entry);
        tfolderentry unknown = entry;
        unknown.Type = DT_UNKNOWN;
        unknownType[name] = FolderEntryIsFile(dir.Path(), unknown);
        inodes[name] = entry.Inode;
    }));
    EXPECT_EQ(listed, expected) << "no \".\" or \"..\", every other name once";
    EXPECT_EQ(unknownType, expected);
    for (const auto& [name, isFile] : expected) EXPECT_EQ(WideFileExists(dir / name), isFile) << name;
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "file.txt").c_str(), &st), 0);
    EXPECT_EQ(inodes["file.txt"], st.st_ino);
    EXPECT_FALSE(ForEachFolderEntry(dir / "missing", [](const tfolderentry&) {}));
    EXPECT_FALSE(ForEachFolderEntry(dir / "file.txt", [](const tfolderentry&) {}));
}

TEST(FileLayerFolders, ForceDirectoriesCreatesFromTheTopDown) {
    TempDir dir;
    EXPECT_TRUE(WideForceDirectories(dir / "one/two/three"));
    EXPECT_TRUE(WideDirectoryExists(dir / "one/two/three"));
    EXPECT_TRUE(WideForceDirectories(dir / "one/two/three"));  // already there
    EXPECT_TRUE(WideForceDirectories(dir / "x/y/"));           // trailing "/"
    EXPECT_TRUE(WideDirectoryExists(dir / "x/y"));

    dir.Write("blocker", "a file where a folder would go");
    EXPECT_FALSE(WideForceDirectories(dir / "blocker/sub/deeper"));
    EXPECT_FALSE(WideForceDirectories(""));
}

TEST(FileLayerFolders, RemoveDirectoryOnlyWhenEmpty) {
    TempDir dir;
    ASSERT_TRUE(WideForceDirectories(dir / "full/inner"));
    EXPECT_FALSE(WideRemoveDirectory(dir / "full"));
    EXPECT_TRUE(WideRemoveDirectory(dir / "full/inner"));
    EXPECT_TRUE(WideRemoveDirectory(dir / "full"));
    EXPECT_FALSE(WideDirectoryExists(dir / "full"));
}

TEST(FileLayerFolders, FileSizeByName) {
    TempDir dir;
    dir.Write("five", "12345");
    dir.Write("empty", "");
    ASSERT_TRUE(std::filesystem::create_directory(dir / "folder"));
    EXPECT_EQ(FileSizeByName(dir / "five"), 5);
    EXPECT_EQ(FileSizeByName(dir / "empty"), -1);
    EXPECT_EQ(FileSizeByName(dir / "missing"), -1);
    EXPECT_EQ(FileSizeByName(dir / "folder"), -1);
    EXPECT_EQ(FileSizeByName(dir / "f*"), -1) << "no pattern: five is not the file named f*";
}

// Links are followed as far as the path exists; what is missing is folded by
// name; so the containment test sees where a name really leads.
TEST(FileLayerNames, ResolvedPathFollowsLinksAsFarAsThePathExists) {
    TempDir dir;
    dir.Write("scripts/sub/run.sh", "x");
    std::filesystem::create_directory_symlink(dir / "scripts", dir / "link");
    std::filesystem::create_symlink(dir / "scripts/sub/run.sh", dir / "file.sh");
    const std::string real = ResolvedPath(dir / "scripts");
    struct Row {
        std::string name;
        bool inside;
    } rows[] = {
        {dir / "link/sub/run.sh", true},
        {dir / "link/", true},
        {dir / "file.sh", true},
        {dir / "link/missing/more", true},
        {dir / "link/../scripts/sub", true},  // ".." after a link leaves the link's target
        {dir / "scripts/../file.sh", true},
        {dir / "scriptsx", false},
        {dir / "link/../other", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(IsInsideFolder(ResolvedPath(r.name), real), r.inside);
    }
    EXPECT_EQ(ResolvedPath(dir / "scripts//sub/./run.sh"), real + "/sub/run.sh");
}
