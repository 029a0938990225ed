// A countdown timer on the main loop.
#pragma once

#include <cstdint>

#include "forms/classes.h"

namespace forms {

//  - switching Enabled off and on restarts the countdown; a disabled timer
//    switched off again stays off;
//  - setting Interval on an enabled timer restarts it; setting the same value
//    again does nothing; an interval of 0 stops it (as the class library does);
//  - OnTimer runs inside the exception guard; a timer keeps firing inside
//    modal dialogs and message boxes.
// Every session carries an idle timer that is restarted on each sign of
// activity, so timers are kept in one ordered schedule behind a single Qt
// timer: a restart costs a logarithmic update, and thousands of idle timers
// cost the event loop nothing until the earliest one is due.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    TNotifyEvent OnTimer;

private:
    friend class TimerSchedule;
    void Update();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    uint64_t id_;           // never reused, so a late schedule entry finds nothing
    int64_t deadline_ = 0;  // steady-clock nanoseconds while scheduled
    bool scheduled_ = false;
};

}  // namespace forms
