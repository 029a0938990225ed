// Transfer accounting: the rate arithmetic and its texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/accounting.h"
#include "core/session.h"
#include "netunit/datetime.h"

namespace {

TEST(Accounting, FormatKilobytesRoundsUp) {
    struct Row {
        int64_t bytes;
        const char* text;
    } rows[] = {
        {0, "0k"},        {1, "1k"},           {1023, "1k"},
        {1024, "1k"},     {1025, "2k"},        {1048576, "1024k"},
        {1048577, "1025k"}, {std::numeric_limits<int64_t>::max(), "9007199254740992k"},
        {-1, "0k"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bytes);
        EXPECT_EQ(FormatKilobytes(r.bytes), r.text);
    }
}

TEST(Accounting, AverageSpeedOverTheCountedSeconds) {
    struct Row {
        std::vector<int32_t> seconds;  // counters, oldest first; the last is the second in progress
        int32_t blockSize;
        const char* rate;
        const char* what;
    } rows[] = {
        {{10}, 4096, "40", "10 blocks of 4096 in one second"},
        {{1, 2}, 4096, "6", "a mean of 1.5 blocks"},
        {{1}, 1460, "1.4", "1460 / 102.4 = 14.26 tenths"},
        {{0}, 4096, "0", "nothing yet"},
        {{3, 0, 0}, 1000, "1", "one block a second over three: 9.77 tenths round to 10"},
        {{1}, 65536, "64", "a large block"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        tsession s;
        s.SampleCount = static_cast<int32_t>(r.seconds.size());
        std::copy(r.seconds.begin(), r.seconds.end(), s.Samples.end() - static_cast<std::ptrdiff_t>(r.seconds.size()));
        EXPECT_EQ(FormatRate(AverageSpeed(&s, r.blockSize)), r.rate);
    }
    tsession none;
    EXPECT_EQ(AverageSpeed(&none, 4096), 0) << "no counted second divides by nothing";
}

TEST(Accounting, FormatRateIsPlainDecimal) {
    EXPECT_EQ(FormatRate(40.0L), "40");
    EXPECT_EQ(FormatRate(12.3L), "12.3");
    EXPECT_EQ(FormatRate(0.1L), "0.1");
    EXPECT_EQ(FormatRate(123456.7L), "123456.7");
}

TEST(Accounting, TransferTimeIsMonthFirst) {
    const double when = static_cast<double>(netunit::DaysFromCivil(2007, 3, 5) - netunit::DaysFromCivil(1899, 12, 30)) +
                        (14 * 3600 + 3 * 60 + 9) / 86400.0;
    EXPECT_EQ(FormatTransferTime(when), "03/05/2007 14:03:09");
    EXPECT_EQ(FormatTransferTime(0), "12/30/1899 00:00:00");
}

}  // namespace
