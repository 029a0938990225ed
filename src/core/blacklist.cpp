// The ban test of every accept, the trigger lines, and the expiry of bans.
#include "core/blacklist.h"

#include <array>
#include <limits>
#include <memory>
#include <utility>

#include "core/textcut.h"
#include "forms/forms.h"
#include "netunit/datetime.h"
#include "netunit/utf16.h"
#include "netunit/wildcard.h"

namespace {

// Lengths in days of durations 0 to 9. The short ones are these decimal values,
// not exact fractions of a day: stored bans were made with them.
constexpr std::array<double, kBanForever> kBanDurationDays = {
    0.0104,  // 15 minutes
    0.0208,  // 30 minutes
    0.0313,  // 45 minutes
    0.0417,  // 1 hour
    0.25,    // 6 hours
    0.5,     // 12 hours
    1,       // 1 day
    7,       // 1 week
    14,      // 2 weeks
    30,      // 1 month
};

bool PatternMatches(const std::string& pattern, const std::string& text) {
    return netunit::WildcardMatch(netunit::Utf8ToWide(pattern), netunit::Utf8ToWide(text));
}

std::string ListLine(const std::string& description, const std::string& pattern) {
    return description.empty() ? pattern : description + " (" + pattern + ")";
}

bool HasBanFor(const core::RecordList<core::tban>& bans, const std::string& pattern) {
    for (const auto& ban : bans)
        if (ban->Pattern == pattern) return true;
    return false;
}

}  // namespace

double BanDurationDays(int32_t DurationIndex) {
    if (DurationIndex == kBanForever) return std::numeric_limits<double>::infinity();
    if (DurationIndex < 0 || DurationIndex > kBanForever) return kBanDurationDays[0];
    return kBanDurationDays[static_cast<size_t>(DurationIndex)];
}

bool BanExpired(const core::tban& Ban, double Now) { return Ban.Time + BanDurationDays(Ban.DurationIndex) < Now; }

std::string BanListLine(const core::tban& Ban) { return ListLine(Ban.Description, Ban.Pattern); }

std::string TriggerListLine(const core::ttrigger& Trigger) { return ListLine(Trigger.Description, Trigger.Pattern); }

bool IsBanned(const tblacklist& Blacklist, const std::string& Address) {
    if (!Blacklist.On) return false;
    for (const auto& ban : Blacklist.Bans)
        if (PatternMatches(ban->Pattern, Address)) return true;
    return false;
}

bool CheckTriggers(tblacklist& Blacklist, core::TriggerService Service, const std::string& Text,
                   const std::string& Address) {
    if (Text.empty()) return false;
    for (const auto& trigger : Blacklist.Triggers) {
        if (trigger->Service != static_cast<int32_t>(Service) || !PatternMatches(trigger->Pattern, Text)) continue;
        const std::string pattern = CutToCapacity(Address, core::kTextCapacity);
        // While the blacklist is off a ban does not keep its sender out, so
        // every request could add another; one ban per address is enough.
        if (!Blacklist.On && HasBanFor(Blacklist.Bans, pattern)) return true;
        auto ban = std::make_unique<core::tban>();
        ban->Description = trigger->Description;
        ban->Pattern = pattern;
        ban->Time = netunit::NowDayNumber();
        ban->DurationIndex = trigger->DurationIndex;
        Blacklist.BanLines->Add(BanListLine(*ban));
        Blacklist.Bans.push_back(std::move(ban));
        return true;
    }
    return false;
}

void RemoveExpiredBans(tblacklist& Blacklist, double Now) {
    auto& bans = Blacklist.Bans;
    for (size_t i = 0; i < bans.size();) {
        if (!BanExpired(*bans[i], Now)) {
            ++i;
            continue;
        }
        const int line = static_cast<int>(i);
        if (line < Blacklist.BanLines->Count()) Blacklist.BanLines->Delete(line);
        bans.erase(bans.begin() + static_cast<std::ptrdiff_t>(i));
    }
}
