#include "netunit/paths.h"

#include <gtest/gtest.h>

using namespace netunit;

TEST(FileLayerPaths, NameRoutinesAsATable) {
    struct Row {
        const char* input;
        const char* added;
        const char* removed;
        const char* path;
        const char* ext;
    };
    const Row rows[] = {
        {"", "", "", "", ""},
        {"/", "/", "", "/", ""},
        {"/srv/www", "/srv/www/", "/srv/www", "/srv/", ""},
        {"/srv/www/", "/srv/www/", "/srv/www", "/srv/www/", ""},
        {"/srv/www//", "/srv/www//", "/srv/www/", "/srv/www//", ""},  // one slash only
        {"index.html", "index.html/", "index.html", "", ".html"},
        {"/a.d/file", "/a.d/file/", "/a.d/file", "/a.d/", ".d/file"},  // the dot may sit in a folder
        {"/a/archive.tar.gz", "/a/archive.tar.gz/", "/a/archive.tar.gz", "/a/", ".gz"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.input);
        EXPECT_EQ(AddBackslash(r.input), r.added);
        EXPECT_EQ(RemoveBackslash(r.input), r.removed);
        EXPECT_EQ(WideExtractPath(r.input), r.path);
        EXPECT_EQ(WideExtractExt(r.input), r.ext);
    }
}

TEST(FileLayerPaths, ReservedDeviceNames) {
    struct Row {
        const char* name;
        bool reserved;
    };
    const Row rows[] = {
        {"COM1", true},       {"lpt9", true},        {"Aux", true},         {"/srv/x/Com3", true},
        {"/srv/aux", true},   {"/x/LPT1", true},     {"COM5", false},       {"/srv/com5", false},
        {"CON", false},       {"PRN", false},        {"NUL", false},        {"CON.txt", false},
        {"COM1.txt", false},  {"AB", false},         {"", false},           {"/srv/xcom1", false},
        {"/srv/COM0", false}, {"xaux", false},       {"/LPT0", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(IsReservedDeviceName(r.name), r.reserved);
    }
}

// Whole components, bytes compared, dot segments and doubled "/" folded.
TEST(FileLayerPaths, InsideFolderTable) {
    struct Row {
        const char *path, *folder;
        bool inside;
    } rows[] = {
        {"/srv/home/alice/x/", "/srv/home/", true},
        {"/srv/home/", "/srv/home/", true},
        {"/srv/home", "/srv/home/", true},
        {"/srv/home/", "/srv/home", true},
        {"/srv/homes/", "/srv/home/", false},
        {"/srv/", "/srv/home/", false},
        {"/other/", "/srv/home/", false},
        {"/srv/www/scripts/hello.sh", "/srv/www/scripts", true},
        {"/srv/www//scripts/./sub/../hello.sh", "/srv/www/scripts/", true},
        {"/srv/www/scripts/../index.html", "/srv/www/scripts", false},
        {"/srv/www/Scripts/hello.sh", "/srv/www/scripts", false},  // case counts
        {"/srv/www/scripts\\x", "/srv/www/scripts", false},
        {"/anything", "/", true},
        {"", "/srv/home", false},
        {"/srv/home", "", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " in " + r.folder);
        EXPECT_EQ(IsInsideFolder(r.path, r.folder), r.inside);
    }
}
