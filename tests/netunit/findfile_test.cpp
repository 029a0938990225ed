#include "netunit/findfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

using namespace netunit;

namespace {

std::vector<std::string> Names(const std::string& pattern) {
    std::vector<std::string> names;
    tfinddata rec;
    for (bool found = WideFindFirst(rec, pattern); found; found = WideFindNext(rec)) names.push_back(rec.Name);
    WideFindClose(rec);
    return names;
}

using List = std::vector<std::string>;

}  // namespace

TEST(FileLayerFind, DotsFirstThenNamesIgnoringCase) {
    TempDir dir;
    for (const char* name : {"beta.txt", "Alpha.txt", "alpha2.TXT", "Gamma", "_under", "B", "a"})
        dir.Write(name, "x");
    ASSERT_TRUE(std::filesystem::create_directory(dir / "Delta"));
    EXPECT_EQ(Names(dir / "*"),
              (List{".", "..", "_under", "a", "Alpha.txt", "alpha2.TXT", "B", "beta.txt", "Delta", "Gamma"}));
}

TEST(FileLayerFind, NamesThatDifferOnlyInCaseKeepAFixedOrder) {
    TempDir dir;
    for (const char* name : {"readme", "README", "ReadMe"}) dir.Write(name, "x");
    EXPECT_EQ(Names(dir / "*"), (List{".", "..", "README", "ReadMe", "readme"}));
}

TEST(FileLayerFind, WildcardsOnTheLastComponent) {
    TempDir dir;
    for (const char* name : {"bob^0", "bob^1", "bob^12", "bobby^3", "alice^0", "notes.txt", "noext", "a.b.c",
                             "ü.txt"})
        dir.Write(name, "x");
    struct Row {
        const char* mask;
        List expected;
    };
    const Row rows[] = {
        {"bob^*", {"bob^0", "bob^1", "bob^12"}},
        {"bob^?", {"bob^0", "bob^1"}},
        {"*.txt", {"notes.txt", "ü.txt"}},
        {"?.txt", {"ü.txt"}},  // "?" is one character, not one byte
        {"*.*", {".", "..", "a.b.c", "alice^0", "bob^0", "bob^1", "bob^12", "bobby^3", "noext", "notes.txt",
                 "ü.txt"}},
        {"noext.*", {"noext"}},
        {"*.c", {"a.b.c"}},
        {"NOTES.TXT", {}},  // names are case-sensitive here
        {"notes.txt", {"notes.txt"}},
        {"*z*", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        EXPECT_EQ(Names(dir / r.mask), r.expected);
    }
}

TEST(FileLayerFind, EntryFields) {
    TempDir dir;
    const std::string file = dir.Write("data.bin", std::string(1234, 'x'));
    ASSERT_TRUE(std::filesystem::create_directory(dir / "sub"));
    dir.Write("sub/inner", std::string(99, 'y'));
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);

    tfinddata rec;
    ASSERT_TRUE(WideFindFirst(rec, file));
    EXPECT_EQ(rec.Name, "data.bin");
    EXPECT_EQ(rec.Size, 1234);
    EXPECT_FALSE(rec.Directory);
    EXPECT_EQ(rec.Attributes, faArchive | faReadOnly);
    // The day number of now, in local time, within a minute.
    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    const double today = static_cast<double>(
        std::chrono::sys_days(std::chrono::year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday)
            .time_since_epoch()
            .count() +
        25569);  // 1899-12-30 to 1970-01-01
    const double nowDays = today + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
    EXPECT_NEAR(rec.LastWriteTime, nowDays, 60 / 86400.0);
    EXPECT_NEAR(rec.LastAccessTime, nowDays, 60 / 86400.0);
    EXPECT_NEAR(rec.CreationTime, nowDays, 60 / 86400.0);
    WideFindClose(rec);
    EXPECT_EQ(rec.FindHandle, nullptr);

    ASSERT_TRUE(WideFindFirst(rec, dir / "sub"));
    EXPECT_EQ(rec.Name, "sub");
    EXPECT_TRUE(rec.Directory);
    EXPECT_EQ(rec.Size, 0) << "folders have size 0";
    EXPECT_EQ(rec.Attributes & faDirectory, faDirectory);
    WideFindClose(rec);
}

TEST(FileLayerFind, NothingFound) {
    TempDir dir;
    tfinddata rec;
    EXPECT_FALSE(WideFindFirst(rec, dir / "missing"));
    EXPECT_FALSE(WideFindFirst(rec, dir / "nofolder/*"));
    EXPECT_FALSE(WideFindFirst(rec, dir.Path()));  // a name ending in "/" names no entry
    EXPECT_FALSE(WideFindNext(rec));
    WideFindClose(rec);
    WideFindClose(rec);  // twice is harmless
}

TEST(FileLayerFind, EntriesRemovedDuringTheWalkArePassedOver) {
    TempDir dir;
    for (const char* name : {"a", "b", "c"}) dir.Write(name, "x");
    tfinddata rec;
    ASSERT_TRUE(WideFindFirst(rec, dir / "?"));  // "." is one character too
    EXPECT_EQ(rec.Name, ".");
    ASSERT_TRUE(WideFindNext(rec));
    EXPECT_EQ(rec.Name, "a");
    std::filesystem::remove(dir / "b");
    ASSERT_TRUE(WideFindNext(rec));
    EXPECT_EQ(rec.Name, "c");
    EXPECT_FALSE(WideFindNext(rec));
    WideFindClose(rec);
}
