// A ban as the blacklist tests write them: pattern, time, duration index.
#pragma once

#include <cstdint>
#include <string>

#include "core/records.h"

inline core::tban Ban(const std::string& pattern, double time, int32_t duration, const std::string& description = "") {
    core::tban b;
    b.Description = description;
    b.Pattern = pattern;
    b.Time = time;
    b.DurationIndex = duration;
    return b;
}
