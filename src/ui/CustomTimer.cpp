#include "ui/CustomTimer.h"

#include <climits>

#include "platform/UIServices.h"

TCustomTimer::TCustomTimer() : timer_(platform::EventLoop().CreateTimer()) {
  timer_->OnTimer = [this] { platform::RunGuarded([this] { Timer(); }); };
}

TCustomTimer::~TCustomTimer() {
  enabled_ = false;
  if (timer_) timer_->SetEnabled(false);
}

void TCustomTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  UpdateTimer();
}

void TCustomTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TCustomTimer::SetOnTimer(std::function<void(TCustomTimer*)> handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TCustomTimer::UpdateTimer() {
  timer_->SetEnabled(false);
  if (interval_ != 0 && enabled_ && onTimer_) {
    timer_->SetInterval(interval_ > unsigned(INT_MAX) ? INT_MAX : int(interval_));
    timer_->SetEnabled(true);
  }
}

void TCustomTimer::Timer() {
  if (onTimer_) onTimer_(this);
}
