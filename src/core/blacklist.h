// Bans and trigger lines. A ban refuses an address pattern on every service;
// a trigger line bans whoever sends a request that matches it. The window's
// BanList and TriggerList hold them; IsBlacklisted is a window method.
#pragma once

#include <cstdint>
#include <string>

#include "core/records.h"

class Tquillnestform;

// True when a trigger of Service matches Text (case ignored, "*" wildcards):
// its sender's Address is then banned for the trigger's duration (the ban
// reaches the file with the next settings save). Empty Text never matches.
// HTTP asks with core::TriggerService::Http for the request line.
bool CheckTriggers(Tquillnestform* form, core::TriggerService Service, const std::string& Text,
                   const std::string& Address);

// Ban durations by index: 0 to 9 are lengths in days, 10 is for ever.
constexpr int32_t kBanDurationCount = 11;
constexpr int32_t kBanForever = 10;

// The length of a ban in days (infinite for kBanForever). An index outside the
// table counts as the shortest length, so that a damaged record never reads
// beyond the table.
double BanDurationDays(int32_t DurationIndex);

// True when the ban has run out at Now (a day number); a ban for ever never does.
bool BanExpired(const core::tban& Ban, double Now);

// The line a ban or trigger shows in its list box: description + " (" +
// pattern + ")", or the pattern alone when the description is empty.
std::string BanListLine(const core::tban& Ban);
std::string TriggerListLine(const core::ttrigger& Trigger);
