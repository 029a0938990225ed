// Timer rules on the main loop.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "forms/forms.h"
#include "forms_test_util.h"
#include "platform/guard.h"

using namespace forms;
using formstest::Pump;
using formstest::WaitFor;

namespace {

// Each row changes a running 150 ms timer 100 ms in and says when it must
// fire next, counted from the start.
TEST(FormsTimer, RestartRules) {
    struct Row {
        const char* what;
        std::function<void(TTimer&)> change;
        int earliestMs;  // the first tick must not come before this
        bool fires;
    };
    const Row rows[] = {
        {"untouched timer fires on its first countdown", [](TTimer&) {}, 140, true},
        {"off and on restarts the countdown", [](TTimer& t) { t.SetEnabled(false); t.SetEnabled(true); }, 240, true},
        {"setting the same interval changes nothing", [](TTimer& t) { t.SetInterval(150); }, 140, true},
        {"a new interval restarts it", [](TTimer& t) { t.SetInterval(160); }, 250, true},
        {"switched on again while on changes nothing", [](TTimer& t) { t.SetEnabled(true); }, 140, true},
        {"off twice stays off", [](TTimer& t) { t.SetEnabled(false); t.SetEnabled(false); }, 0, false},
        {"interval 0 stops it", [](TTimer& t) { t.SetInterval(0); }, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TTimer t(nullptr);
        t.SetInterval(150);
        QElapsedTimer clock;
        qint64 firstTick = -1;
        t.OnTimer = [&](TObject*) {
            if (firstTick < 0) firstTick = clock.elapsed();
        };
        clock.start();
        Pump(100);
        r.change(t);
        if (r.fires) {
            ASSERT_TRUE(WaitFor([&] { return firstTick >= 0; }));
            EXPECT_GE(firstTick, r.earliestMs);
        } else {
            Pump(300);
            EXPECT_EQ(firstTick, -1);
        }
    }
}

TEST(FormsTimer, DisabledTimerSwitchedOnFiresAndHandlerErrorsAreContained) {
    std::string reported;
    platform::SetErrorReporter([&](const std::string& m) { reported = m; });
    TTimer t(nullptr);
    t.SetEnabled(false);
    t.SetInterval(20);
    int ticks = 0;
    t.OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, &t);
        ++ticks;
        throw std::runtime_error("boom in timer");
    };
    Pump(60);
    EXPECT_EQ(ticks, 0);
    t.SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 2; })) << "a throwing handler does not stop the timer";
    EXPECT_NE(reported.find("boom in timer"), std::string::npos);
    platform::SetErrorReporter(nullptr);
}

}  // namespace
