#include "forms/timer.h"

#include <QTimer>
#include <chrono>
#include <set>
#include <unordered_map>
#include <utility>

#include "forms/internal.h"

namespace forms {

// The one schedule of all timers: entries ordered by deadline, one Qt timer
// armed for the earliest.
class TimerSchedule {
public:
    static TimerSchedule& Instance() {
        static TimerSchedule schedule;
        return schedule;
    }

    uint64_t Register(TTimer* timer) {
        uint64_t id = ++last_id_;
        timers_.emplace(id, timer);
        return id;
    }

    void Unregister(TTimer* timer) {
        Remove(timer);
        timers_.erase(timer->id_);
    }

    void Start(TTimer* timer) {
        Schedule(timer);
        if (!armed_ || timer->deadline_ < armedFor_) ArmFor(timer->deadline_);
    }

    // The Qt timer is left as it is: at worst it fires early, finds nothing
    // due and is armed for what is due then.
    void Remove(TTimer* timer) { Unschedule(timer); }

private:
    TimerSchedule() {
        qt_timer_.setSingleShot(true);
        qt_timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&qt_timer_, &QTimer::timeout, [this] { FireDue(); });
    }

    static int64_t Now() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    void Schedule(TTimer* timer) {
        Unschedule(timer);
        timer->deadline_ = Now() + static_cast<int64_t>(timer->interval_) * 1000000;
        timer->scheduled_ = true;
        due_.emplace(timer->deadline_, timer->id_);
    }

    void Unschedule(TTimer* timer) {
        if (!timer->scheduled_) return;
        due_.erase({timer->deadline_, timer->id_});
        timer->scheduled_ = false;
    }

    // Restarting the Qt timer costs more than the schedule's own update, and
    // every session restarts its idle timer on each sign of activity; so the
    // Qt timer is restarted only when a deadline comes before the one it is
    // armed for.
    void ArmFor(int64_t deadline) {
        int64_t wait_ns = deadline - Now();
        int wait_ms = wait_ns <= 0 ? 0 : static_cast<int>((wait_ns + 999999) / 1000000);
        qt_timer_.start(wait_ms);
        armed_ = true;
        armedFor_ = deadline;
    }

    void ArmEarliest() {
        if (!due_.empty()) {
            ArmFor(due_.begin()->first);
        } else if (armed_) {
            qt_timer_.stop();
            armed_ = false;
        }
    }

    // Fires every timer due now, one at a time; the schedule is consistent
    // before each handler runs, since a handler may open a nested loop, stop
    // or delete timers, or start new ones.
    //
    // The Qt timer is started afresh before each handler: a Qt timer whose
    // own timeout is being handled does not fire again, so a nested loop that
    // a handler opens would otherwise see no timer at all.
    void FireDue() {
        armed_ = false;  // single-shot: it has just fired
        const int64_t now = Now();
        while (!due_.empty() && due_.begin()->first <= now) {
            auto [deadline, id] = *due_.begin();
            auto it = timers_.find(id);
            if (it == timers_.end()) {
                due_.erase(due_.begin());
                continue;
            }
            TTimer* timer = it->second;
            Schedule(timer);  // periodic: the next countdown starts as this one fires
            ArmEarliest();
            detail::Fire(timer->OnTimer, timer);
        }
        if (!armed_) ArmEarliest();
    }

    QTimer qt_timer_;
    bool armed_ = false;
    int64_t armedFor_ = 0;  // the deadline the Qt timer is armed for
    std::set<std::pair<int64_t, uint64_t>> due_;
    std::unordered_map<uint64_t, TTimer*> timers_;
    uint64_t last_id_ = 0;
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), id_(TimerSchedule::Instance().Register(this)) {
    Update();
}

TTimer::~TTimer() { TimerSchedule::Instance().Unregister(this); }

void TTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Update();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void TTimer::Update() {
    if (enabled_ && interval_ > 0)
        TimerSchedule::Instance().Start(this);
    else
        TimerSchedule::Instance().Remove(this);
}

}  // namespace forms
