// Bans and trigger lines. A ban refuses an address pattern on every service;
// a trigger line bans whoever sends a request that matches it. The window's
// BanList and TriggerList hold them, and its ban list box shows a line for
// each ban; the window's side is in ui/blacklistwindow.h.
#pragma once

#include <cstdint>
#include <string>

#include "core/recordfiles.h"
#include "core/records.h"

namespace forms {
class TStrings;
}  // namespace forms

// The bans and triggers, and the lines shown for the bans (one per ban, in
// the same order). On is the blacklist's switch.
struct tblacklist {
    core::RecordList<core::tban>& Bans;
    const core::RecordList<core::ttrigger>& Triggers;
    forms::TStrings* BanLines;
    bool On;
};

// True when a ban's pattern matches Address while the blacklist is on.
bool IsBanned(const tblacklist& Blacklist, const std::string& Address);

// True when a trigger of Service matches Text (case ignored, "*" wildcards):
// its sender's Address is then banned for the trigger's duration (the caller
// stores the new ban). Empty Text never matches.
// HTTP asks with core::TriggerService::Http for the request line.
bool CheckTriggers(tblacklist& Blacklist, core::TriggerService Service, const std::string& Text,
                   const std::string& Address);

// Removes the bans that have run out at Now, with their lines.
void RemoveExpiredBans(tblacklist& Blacklist, double Now);

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
