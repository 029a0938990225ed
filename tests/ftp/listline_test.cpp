// The fixed part of FTP listing lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>

#include "../netunit/tempdir.h"
#include "ftp/listline.h"
#include "platform/programdir.h"

namespace ftp {
namespace {

TEST(ListLinePadding, Table) {
    EXPECT_EQ(SpacePad(5, 11), "          5");
    EXPECT_EQ(SpacePad(123456789012, 11), "123456789012");  // longer numbers are not cut
    EXPECT_EQ(SpacePad(7, 2), " 7");
    EXPECT_EQ(ZeroPad(8, 2), "08");
    EXPECT_EQ(ZeroPad(0, 2), "00");
    EXPECT_EQ(ZeroPad(59, 2), "59");
}

TEST(MonthAbbrev, EveryMonthAndOutOfRange) {
    const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 1; m <= 12; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(MonthAbbrev(m), names[m - 1]);
    }
    EXPECT_EQ(MonthAbbrev(0), "");
    EXPECT_EQ(MonthAbbrev(13), "");
}

TEST(ListLineFixedPart, PrefixesByKindAndWritability) {
    netunit::tdatefields t;
    t.Month = 3;
    t.Day = 5;
    t.Hour = 9;
    t.Minute = 7;
    EXPECT_EQ(ListLineFixedPart(false, false, 1234, t) + "notes.txt",
              "-rw-------  1 user  user        1234 Mar  5 09:07 notes.txt");
    EXPECT_EQ(ListLineFixedPart(false, true, 0, t).substr(0, 25), "-r--------  1 user  user ");
    EXPECT_EQ(ListLineFixedPart(true, false, 0, t).substr(0, 25), "drw-------  1 user  user ");
    EXPECT_EQ(ListLineFixedPart(true, true, 0, t).substr(0, 25), "dr--------  1 user  user ");
}

class FormatListLineTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetProgramDir(dir_.Path()); }
    void TearDown() override { platform::SetProgramDir(""); }

    // Sets a file's modification time to a local wall-clock time.
    static void Touch(const std::string& path, int year, int month, int day, int hour, int minute) {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_isdst = -1;
        const time_t t = std::mktime(&local);
        utimbuf times{t, t};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }

    TempDir dir_;
};

TEST_F(FormatListLineTest, FiveByteFileOnSeventhOfJanuary) {
    const std::string file = dir_.Write("a.txt", "12345");
    Touch(file, 2024, 1, 7, 8, 5);
    EXPECT_EQ(FormatListLine(file, false) + "a.txt", "-rw-------  1 user  user           5 Jan  7 08:05 a.txt");
    EXPECT_EQ(FormatListLine(file, true).substr(0, 10), "-r--------");
}

TEST_F(FormatListLineTest, MissingEntryHasNoFixedPart) { EXPECT_EQ(FormatListLine(dir_ / "none", false), ""); }

TEST_F(FormatListLineTest, DotEntriesShowTheProgramFolderReadOnly) {
    const std::string sub = dir_.Write("sub/x", "x");
    const std::string dot = FormatListLine(dir_ / "sub/.", false);
    ASSERT_FALSE(dot.empty());
    EXPECT_EQ(dot.substr(0, 10), "dr--------");
    EXPECT_EQ(dot, FormatListLine(dir_ / "sub/..", false));
    EXPECT_EQ(dot, VirtualEntryFixedPart(true));
    EXPECT_EQ(VirtualEntryFixedPart(false).substr(0, 10), "drw-------");
}

}  // namespace
}  // namespace ftp
