// Day numbers: days since 1899-12-30 in local time, the fraction the time of day.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "netunit/datetime.h"

namespace {

using netunit::DaysFromCivil;
using netunit::DecodeDayNumber;

double DayNumber(int y, unsigned m, unsigned d, int hh = 0, int mm = 0, int ss = 0) {
    return static_cast<double>(DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30)) +
           (hh * 3600 + mm * 60 + ss) / netunit::kSecondsPerDay;
}

TEST(DayNumbers, DecodeGivesTheCivilDateAndTime) {
    struct Row {
        double days;
        netunit::tdatefields want;
        const char* what;
    } rows[] = {
        {0, {1899, 12, 30, 0, 0, 0}, "the epoch"},
        {2, {1900, 1, 1, 0, 0, 0}, "two days on"},
        {DayNumber(2007, 3, 5, 14, 3, 9), {2007, 3, 5, 14, 3, 9}, "an afternoon"},
        {DayNumber(2024, 2, 29, 23, 59, 59), {2024, 2, 29, 23, 59, 59}, "leap day, last second"},
        {DayNumber(2000, 1, 1) - 1e-9, {2000, 1, 1, 0, 0, 0}, "a hair before midnight rounds to it"},
        {-1.25, {1899, 12, 29, 6, 0, 0}, "before the epoch the fraction is the time of day"},
        {std::numeric_limits<double>::quiet_NaN(), {1899, 12, 30, 0, 0, 0}, "not a number counts as 0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const netunit::tdatefields f = DecodeDayNumber(r.days);
        EXPECT_EQ(f.Year, r.want.Year);
        EXPECT_EQ(f.Month, r.want.Month);
        EXPECT_EQ(f.Day, r.want.Day);
        EXPECT_EQ(f.Hour, r.want.Hour);
        EXPECT_EQ(f.Minute, r.want.Minute);
        EXPECT_EQ(f.Second, r.want.Second);
    }
}

TEST(DayNumbers, NowIsTheLocalClock) {
    const time_t t = std::time(nullptr);
    double whole = 0;
    ASSERT_TRUE(netunit::LocalDayNumber(t, whole));
    const double now = netunit::NowDayNumber();
    EXPECT_GE(now, whole);
    EXPECT_LT(now - whole, 2.0 / netunit::kSecondsPerDay);
    struct tm local {};
    localtime_r(&t, &local);
    const netunit::tdatefields f = DecodeDayNumber(whole);
    EXPECT_EQ(f.Year, local.tm_year + 1900);
    EXPECT_EQ(f.Month, local.tm_mon + 1);
    EXPECT_EQ(f.Day, local.tm_mday);
    EXPECT_EQ(f.Hour, local.tm_hour);
    EXPECT_EQ(f.Minute, local.tm_min);
    EXPECT_EQ(f.Second, local.tm_sec);
}

}  // namespace
