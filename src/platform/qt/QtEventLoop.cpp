#include "platform/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

namespace platform {

namespace {

class QtTimer : public ITimer {
 public:
  QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (OnTimer) {
        auto handler = OnTimer;  // the handler may destroy this timer
        handler();
      }
    });
  }
  void SetInterval(int ms) override {
    interval_ = ms;
    Apply();
  }
  int Interval() const override { return interval_; }
  void SetEnabled(bool e) override {
    if (e == enabled_) return;
    enabled_ = e;
    Apply();
  }
  bool Enabled() const override { return enabled_; }

 private:
  void Apply() {
    if (enabled_ && interval_ > 0)
      timer_.start(interval_);  // restarts the period
    else
      timer_.stop();
  }
  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
};

}  // namespace

std::int64_t QtEventLoop::NowMs() const {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

std::unique_ptr<ITimer> QtEventLoop::CreateTimer() {
  return std::make_unique<QtTimer>();
}

void QtEventLoop::Post(std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !fn) return;
  QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

}  // namespace platform
