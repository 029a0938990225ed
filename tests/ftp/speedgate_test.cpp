// The arithmetic of the FTP speed gate.
#include <gtest/gtest.h>

#include "core/session.h"
#include "ftp/speedgate.h"

namespace ftp {
namespace {

struct GateCase {
    const char* what;
    std::vector<int32_t> samples;  // oldest first; the last is the second in progress
    int32_t block;
    long double limit;
    bool passes;
};

TEST(CheckFtpSpeed, Table) {
    const GateCase cases[] = {
        // One 4096-byte block a second is 4.0 kB/s (4096 / 102.4 = 40 tenths).
        {"first block of a second within 4.0", {0}, 4096, 4.0L, true},
        {"first block over 3.9", {0}, 4096, 3.9L, false},
        // One block sent and one to come in the same second: 8.0 kB/s.
        {"second block within 8.0", {1}, 4096, 8.0L, true},
        {"second block over 7.9", {1}, 4096, 7.9L, false},
        // (2 + 1) / 3 seconds = 1 block a second.
        {"averaged over three seconds", {1, 1, 0}, 4096, 4.0L, true},
        // At 10 kB/s: four blocks in one second are too many, three in two are not.
        {"paused while the mean is high", {3}, 4096, 10.0L, false},
        {"passes once the mean has fallen", {2, 0}, 4096, 10.0L, true},
        // One 65536-byte upload block a second is 64.0 kB/s.
        {"upload block", {0}, 65536, 64.0L, true},
        {"upload block over 63.9", {0}, 65536, 63.9L, false},
        // 1460 / 102.4 = 14.26 tenths, rounded to 14: 1.4 kB/s.
        {"rounded to one decimal", {0}, 1460, 1.4L, true},
        {"rounded, limit 1.3", {0}, 1460, 1.3L, false},
    };
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.what);
        tsession s;
        s.SampleCount = static_cast<int32_t>(c.samples.size());
        std::copy(c.samples.begin(), c.samples.end(), s.Samples.end() - static_cast<long>(c.samples.size()));
        EXPECT_EQ(CheckFtpSpeed(s, c.block, c.limit), c.passes);
    }
}

TEST(CheckFtpSpeed, OnlyTheLastSampledSecondsCount) {
    tsession s;
    s.Samples.fill(0);
    s.Samples[0] = 1000;  // outside the two seconds sampled
    s.SampleCount = 2;
    EXPECT_TRUE(CheckFtpSpeed(s, 4096, 2.0L));
}

}  // namespace
}  // namespace ftp
