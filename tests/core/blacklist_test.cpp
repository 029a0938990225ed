// Bans and trigger lines: the duration rules, and the blacklist over its own
// lists: the ban test, trigger matching and expiry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/bans.h"
#include "core/blacklist.h"
#include "core/recordfiles.h"
#include "forms/forms.h"
#include "netunit/datetime.h"

namespace {

constexpr double kMinute = 1.0 / 1440;

TEST(BanRules, DurationsByIndex) {
    struct Row {
        int32_t index;
        double days;
        const char* what;
    } rows[] = {
        {0, 0.0104, "15 minutes is the decimal value, not 1/96"},
        {1, 0.0208, "30 minutes"},
        {2, 0.0313, "45 minutes"},
        {3, 0.0417, "1 hour"},
        {4, 0.25, "6 hours"},
        {5, 0.5, "12 hours"},
        {6, 1, "1 day"},
        {7, 7, "1 week"},
        {8, 14, "2 weeks"},
        {9, 30, "1 month"},
        {11, 0.0104, "above the table: the shortest, never beyond the table"},
        {-1, 0.0104, "below the table: the shortest"},
        {1000000, 0.0104, "far outside: the shortest"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_DOUBLE_EQ(BanDurationDays(r.index), r.days);
    }
    EXPECT_GT(BanDurationDays(kBanForever), 1e300);
}

TEST(BanRules, ExpiryAgainstNow) {
    const double now = 45000.5;
    struct Row {
        core::tban ban;
        bool expired;
        const char* what;
    } rows[] = {
        {Ban("a", now - 0.011, 0), true, "15-minute ban made 0.011 days ago"},
        {Ban("a", now - 0.0103, 0), false, "15-minute ban made just under its length ago"},
        {Ban("a", now - 15 * kMinute, 0), true, "made 15 minutes ago: 0.0104 days is 14:58.56"},
        {Ban("a", now - 60 * kMinute, 3), false, "1-hour ban lasts 0.0417 days, a little over an hour"},
        {Ban("a", now - 0.042, 3), true, "1-hour ban after 0.042 days"},
        {Ban("a", now - 29.9, 9), false, "a month is 30 days"},
        {Ban("a", now - 100000, kBanForever), false, "for ever never expires"},
        {Ban("a", now - 0.011, 12), true, "index above the table after 0.011 days: expired as the shortest"},
        {Ban("a", now - 0.005, 12), false, "index above the table is not gone at the next check"},
        {Ban("a", now - 0.005, -3), false, "negative index: the shortest"},
        {Ban("a", now + 1, 0), false, "made in the future (clock put back)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(BanExpired(r.ban, now), r.expired);
    }
}

TEST(BanRules, ListLines) {
    EXPECT_EQ(BanListLine(Ban("10.0.0.*", 0, 0, "office")), "office (10.0.0.*)");
    EXPECT_EQ(BanListLine(Ban("10.0.0.*", 0, 0)), "10.0.0.*");
    core::ttrigger t;
    t.Description = "worm";
    t.Pattern = "*cmd.exe*";
    EXPECT_EQ(TriggerListLine(t), "worm (*cmd.exe*)");
    t.Description.clear();
    EXPECT_EQ(TriggerListLine(t), "*cmd.exe*");
}

// The blacklist over its own lists and lines, with no window: the ban test,
// the ban a trigger adds, and the expiry that keeps the lines in step.
TEST(BlacklistLists, BanTriggerAndExpiryKeepListAndLinesInStep) {
    core::RecordList<core::tban> bans;
    core::RecordList<core::ttrigger> triggers;
    forms::TStringList lines;
    auto trigger = std::make_unique<core::ttrigger>();
    trigger->Description = "probe";
    trigger->Service = static_cast<int32_t>(core::TriggerService::Http);
    trigger->Pattern = "*cmd.exe*";
    trigger->DurationIndex = 0;
    triggers.push_back(std::move(trigger));
    tblacklist blacklist{bans, triggers, &lines, true};

    EXPECT_FALSE(CheckTriggers(blacklist, core::TriggerService::Ftp, "GET /cmd.exe", "10.0.0.1")) << "other service";
    EXPECT_FALSE(CheckTriggers(blacklist, core::TriggerService::Http, "", "10.0.0.1")) << "empty text";
    EXPECT_TRUE(CheckTriggers(blacklist, core::TriggerService::Http, "GET /CMD.EXE", "10.0.0.1"));
    ASSERT_EQ(bans.size(), 1u);
    EXPECT_EQ(lines.ToVector(), std::vector<std::string>{"probe (10.0.0.1)"});
    EXPECT_TRUE(IsBanned(blacklist, "10.0.0.1"));
    EXPECT_FALSE(IsBanned(blacklist, "10.0.0.2"));
    blacklist.On = false;
    EXPECT_FALSE(IsBanned(blacklist, "10.0.0.1")) << "the switch is off";
    EXPECT_TRUE(CheckTriggers(blacklist, core::TriggerService::Http, "GET /cmd.exe", "10.0.0.1"));
    EXPECT_EQ(bans.size(), 1u) << "while off, one ban per address";

    bans.push_back(std::make_unique<core::tban>(Ban("10.0.0.3", bans[0]->Time, kBanForever)));
    lines.Add(BanListLine(*bans[1]));
    RemoveExpiredBans(blacklist, bans[0]->Time + 1);
    ASSERT_EQ(bans.size(), 1u);
    EXPECT_EQ(bans[0]->Pattern, "10.0.0.3");
    EXPECT_EQ(lines.ToVector(), std::vector<std::string>{"10.0.0.3"});
}

}  // namespace
