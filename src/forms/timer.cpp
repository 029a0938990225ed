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
        Remove(timer);
        timer->deadline_ = Now() + static_cast<int64_t>(timer->interval_) * 1000000;
        timer->scheduled_ = true;
        due_.emplace(timer->deadline_, timer->id_);
        Arm();
    }

    void Remove(TTimer* timer) {
        if (!timer->scheduled_) return;
        due_.erase({timer->deadline_, timer->id_});
        timer->scheduled_ = false;
        Arm();
    }

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

    void Arm() {
        if (due_.empty()) {
            qt_timer_.stop();
            return;
        }
        int64_t wait_ns = due_.begin()->first - Now();
        int wait_ms = wait_ns <= 0 ? 0 : static_cast<int>((wait_ns + 999999) / 1000000);
        qt_timer_.start(wait_ms);
    }

    // Fires every timer due now, one at a time; the schedule is consistent
    // before each handler runs, since a handler may open a nested loop, stop
    // or delete timers, or start new ones.
    void FireDue() {
        const int64_t now = Now();
        while (!due_.empty() && due_.begin()->first <= now) {
            auto [deadline, id] = *due_.begin();
            auto it = timers_.find(id);
            if (it == timers_.end()) {
                due_.erase(due_.begin());
                continue;
            }
            TTimer* timer = it->second;
            Start(timer);  // periodic: the next countdown starts as this one fires
            detail::Fire(timer->OnTimer, timer);
        }
        Arm();
    }

    QTimer qt_timer_;
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
