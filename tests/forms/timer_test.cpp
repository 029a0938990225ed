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

// Timers share one schedule; these rows change one timer and check that the
// others still fire when they are due, neither late nor early.
TEST(FormsTimer, SharedScheduleKeepsEveryTimersTime) {
    QElapsedTimer clock;
    clock.start();
    TTimer later(nullptr);
    later.SetInterval(120);
    qint64 laterTick = -1;
    later.OnTimer = [&](TObject*) {
        if (laterTick < 0) laterTick = clock.elapsed();
    };
    TTimer early(nullptr);
    early.SetInterval(40);
    int earlyTicks = 0;
    early.OnTimer = [&](TObject*) { ++earlyTicks; };
    // The earliest timer stops before it is due: the later one must not fire
    // at the stopped one's time.
    Pump(10);
    early.SetEnabled(false);
    ASSERT_TRUE(WaitFor([&] { return laterTick >= 0; }));
    EXPECT_GE(laterTick, 115);
    EXPECT_EQ(earlyTicks, 0);

    // A timer that starts earlier than the one the schedule waits for fires
    // at its own time.
    TTimer slow(nullptr);
    slow.SetInterval(400);
    TTimer quick(nullptr);
    quick.SetInterval(0);
    qint64 quickTick = -1;
    quick.OnTimer = [&](TObject*) {
        if (quickTick < 0) quickTick = clock.elapsed();
    };
    const qint64 quickStart = clock.elapsed();
    quick.SetInterval(30);
    ASSERT_TRUE(WaitFor([&] { return quickTick >= 0; }));
    EXPECT_LT(quickTick - quickStart, 300) << "waited for the slow timer";
}

// A handler that runs a nested loop (a modal dialog, say) must not stop the
// other timers, nor its own.
TEST(FormsTimer, TimersFireInsideALoopThatAHandlerRuns) {
    TTimer ticking(nullptr);
    ticking.SetInterval(20);
    int ticks = 0;
    ticking.OnTimer = [&](TObject*) { ++ticks; };
    TTimer modal(nullptr);
    modal.SetInterval(30);
    int modalCalls = 0, ticksInside = 0, selfInside = 0;
    modal.OnTimer = [&](TObject*) {
        if (++modalCalls != 1) return;
        const int before = ticks;
        Pump(250);
        ticksInside = ticks - before;
        selfInside = modalCalls - 1;
    };
    ASSERT_TRUE(WaitFor([&] { return modalCalls >= 1 && ticksInside > 0; }));
    EXPECT_GE(ticksInside, 5);
    EXPECT_GE(selfInside, 3);
}

}  // namespace
