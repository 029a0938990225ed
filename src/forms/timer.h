// A countdown timer on the main loop.
#pragma once

#include "forms/classes.h"

class QTimer;

namespace forms {

//  - switching Enabled off and on restarts the countdown; a disabled timer
//    switched off again stays off;
//  - setting Interval on an enabled timer restarts it; setting the same value
//    again does nothing; an interval of 0 stops it (as the class library does);
//  - OnTimer runs inside the exception guard; a timer keeps firing inside
//    modal dialogs and message boxes.
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
    void Update();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    QTimer* timer_;
};

}  // namespace forms
