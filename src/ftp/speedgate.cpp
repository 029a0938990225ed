#include "ftp/speedgate.h"

#include <algorithm>

#include "core/accounting.h"
#include "core/session.h"

namespace ftp {

bool CheckFtpSpeed(const tsession& session, int32_t blockSize, long double limit) {
    const int32_t seconds = std::clamp(session.SampleCount, 0, kSampleSeconds);
    long double sum = 0;
    for (auto it = session.Samples.end() - seconds; it != session.Samples.end(); ++it) sum += *it;
    // The one added stands for the block about to move.
    return AverageSpeedOf(sum + 1.0L, seconds, blockSize) <= limit;
}

}  // namespace ftp
