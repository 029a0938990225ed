#include "netunit/datetime.h"

#include <cmath>

namespace netunit {
namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;

// The civil date of a count of days from 1970-01-01.
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

int64_t EpochOfDayNumbers() { return DaysFromCivil(1899, 12, 30); }

}  // namespace

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool LocalDayNumber(time_t t, double& out) {
    struct tm local {};
    if (::localtime_r(&t, &local) == nullptr) return false;
    const int64_t days = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                       static_cast<unsigned>(local.tm_mday)) -
                         EpochOfDayNumbers();
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    out = static_cast<double>(days) + seconds / kSecondsPerDay;
    return true;
}

double NowDayNumber() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    double days = 0;
    if (!LocalDayNumber(ts.tv_sec, days)) return 0;
    return days + (static_cast<double>(ts.tv_nsec) / 1e9) / kSecondsPerDay;
}

tdatefields DecodeDayNumber(double days) {
    if (!std::isfinite(days)) days = 0;
    // A number before the epoch keeps its time of day as the fraction's size
    // (-1.25 is 1899-12-29 06:00), as the stored records were written.
    const auto ms = std::llround(std::fabs(days) * static_cast<double>(kMillisecondsPerDay));
    const int64_t day = (days < 0 ? -1 : 1) * (ms / kMillisecondsPerDay);
    const int64_t rest = ms % kMillisecondsPerDay;
    tdatefields f;
    CivilFromDays(day + EpochOfDayNumbers(), f.Year, f.Month, f.Day);
    const auto seconds = static_cast<int>(rest / 1000);
    f.Hour = seconds / 3600;
    f.Minute = seconds / 60 % 60;
    f.Second = seconds % 60;
    return f;
}

}  // namespace netunit
