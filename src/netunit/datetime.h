// Dates and times as the server stores them: local wall-clock time as a day
// number, days since 1899-12-30 with the time of day as the fraction.
#pragma once

#include <cstdint>
#include <ctime>

namespace netunit {

constexpr double kSecondsPerDay = 86400.0;

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

// The local time of t as a day number; false when the system cannot convert it.
bool LocalDayNumber(time_t t, double& out);

// The local time now, to the millisecond.
double NowDayNumber();

struct tdatefields {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0;
};

// The civil date and time of a day number (to the second, rounded to the
// nearest millisecond first so that 0.99999 of a second does not show as the
// second before). A number that is not finite counts as 0.
tdatefields DecodeDayNumber(double days);

}  // namespace netunit
