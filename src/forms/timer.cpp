#include "forms/timer.h"

#include <QTimer>
#include <algorithm>
#include <climits>

#include "forms/internal.h"

namespace forms {

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { detail::Fire(OnTimer, this); });
    Update();
}

TTimer::~TTimer() { delete timer_; }

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
        timer_->start(static_cast<int>(std::min<unsigned>(interval_, INT_MAX)));
    else
        timer_->stop();
}

}  // namespace forms
