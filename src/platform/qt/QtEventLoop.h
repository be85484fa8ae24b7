// The Qt event loop behind platform::EventLoop(): QTimer timers and queued calls on the
// application object. Installed implicitly whenever a Qt application object exists.
#pragma once

#include "platform/Timers.h"

namespace platform {

class QtEventLoop : public IEventLoop {
 public:
  std::int64_t NowMs() const override;
  std::unique_ptr<ITimer> CreateTimer() override;
  void Post(std::function<void()> fn) override;
};

}  // namespace platform
