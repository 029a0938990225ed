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
