#include "ui/trackingsince.h"

#include <cstdio>

namespace {
constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
}

std::string TrackingSince(const std::tm& local) {
    const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    char buf[96];
    std::snprintf(buf, sizeof buf, "Tracking since %s %d, %04d at %02d:%02d:%02d", kMonths[month], local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

std::string TrackingSinceNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TrackingSince(local);
}
