// A component that raises OnTimer at a fixed interval from the program's event loop.
#pragma once

#include <functional>
#include <memory>

#include "platform/Timers.h"

class TCustomTimer {
 public:
  TCustomTimer();
  virtual ~TCustomTimer();
  TCustomTimer(const TCustomTimer&) = delete;
  TCustomTimer& operator=(const TCustomTimer&) = delete;

  // Milliseconds; 0 stops the timer.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The timer only runs while an OnTimer handler is set.
  const std::function<void(TCustomTimer*)>& OnTimer() const { return onTimer_; }
  void SetOnTimer(std::function<void(TCustomTimer*)> handler);

  // True while the timer is really counting.
  bool TimerRunning() const { return timer_ && timer_->Running(); }

 protected:
  // One tick: calls OnTimer. Exceptions raised here go to the application's error handler.
  virtual void Timer();

 private:
  void UpdateTimer();

  unsigned interval_ = 1000;
  bool enabled_ = true;
  std::function<void(TCustomTimer*)> onTimer_;
  std::unique_ptr<platform::ITimer> timer_;
};
