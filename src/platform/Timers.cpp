#include "platform/Timers.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/SystemServices.h"

namespace platform {

namespace {

// Stand-in before any loop exists (a headless tool without a Qt application): timers keep their
// settings but never fire, posted calls are kept and never run.
class InertEventLoop : public IEventLoop {
 public:
  class InertTimer : public ITimer {
   public:
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void SetEnabled(bool e) override { enabled_ = e; }
    bool Enabled() const override { return enabled_; }

   private:
    int interval_ = 0;
    bool enabled_ = false;
  };
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  std::unique_ptr<ITimer> CreateTimer() override { return std::make_unique<InertTimer>(); }
  void Post(std::function<void()>) override {}
};

// Read by threads beside the loop too, when they post a completion.
std::atomic<IEventLoop*> g_loop{nullptr};

}  // namespace

IEventLoop& EventLoop() {
  if (IEventLoop* loop = g_loop.load()) return *loop;
  if (auto system = SystemServices().EventLoop)
    if (IEventLoop* loop = system()) return *loop;
  static InertEventLoop inert;
  return inert;
}

IEventLoop* SetEventLoop(IEventLoop* loop) {
  return g_loop.exchange(loop);
}

void PostCall(std::function<void()> fn) {
  if (fn) EventLoop().Post(std::move(fn));
}

void PostCall(std::weak_ptr<void> guard, std::function<void()> fn) {
  if (!fn) return;
  EventLoop().Post([guard = std::move(guard), fn = std::move(fn)] {
    if (auto alive = guard.lock()) fn();
  });
}

// ---- TTimerSet ----

TTimerSet::TTimerSet(IEventLoop* loop) : loop_(loop ? loop : &EventLoop()) {}

TTimerSet::~TTimerSet() {
  KillAll();
}

void TTimerSet::SetTimer(int id, int intervalMs) {
  if (intervalMs <= 0) {
    KillTimer(id);
    return;
  }
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    auto timer = loop_->CreateTimer();
    timer->OnTimer = [this, id] {
      if (OnTimer) OnTimer(id);
    };
    it = timers_.emplace(id, std::move(timer)).first;
  }
  // Setting a running timer again restarts its period, as a window timer does.
  it->second->SetEnabled(false);
  it->second->SetInterval(intervalMs);
  it->second->SetEnabled(true);
}

void TTimerSet::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->SetEnabled(false);
}

void TTimerSet::KillAll() {
  for (auto& [id, timer] : timers_) timer->SetEnabled(false);
}

bool TTimerSet::IsActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->Running();
}

int TTimerSet::Interval(int id) const {
  return IsActive(id) ? timers_.at(id)->Interval() : 0;
}

std::size_t TTimerSet::ActiveCount() const {
  std::size_t n = 0;
  for (const auto& [id, timer] : timers_)
    if (timer->Running()) ++n;
  return n;
}

// ---- FakeEventLoop ----

class FakeEventLoop::FakeTimer : public ITimer {
 public:
  FakeTimer(FakeEventLoop* loop, std::weak_ptr<bool> alive) : loop_(loop), alive_(std::move(alive)) {}
  ~FakeTimer() override {
    if (!alive_.expired()) loop_->Unschedule(this);
  }
  void SetInterval(int ms) override {
    interval_ = ms;
    Restart();
  }
  int Interval() const override { return interval_; }
  void SetEnabled(bool e) override {
    if (e == enabled_) return;
    enabled_ = e;
    Restart();
  }
  bool Enabled() const override { return enabled_; }

 private:
  void Restart() {
    if (alive_.expired()) return;
    loop_->Unschedule(this);
    if (Running()) loop_->Schedule(this);
  }
  FakeEventLoop* loop_;
  std::weak_ptr<bool> alive_;
  int interval_ = 0;
  bool enabled_ = false;
};

FakeEventLoop::FakeEventLoop() : alive_(std::make_shared<bool>(true)) {}
FakeEventLoop::~FakeEventLoop() = default;

std::unique_ptr<ITimer> FakeEventLoop::CreateTimer() {
  return std::make_unique<FakeTimer>(this, alive_);
}

void FakeEventLoop::Post(std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(postMutex_);
  posted_.push_back(std::move(fn));
}

std::size_t FakeEventLoop::PendingPosts() const {
  std::lock_guard<std::mutex> lock(postMutex_);
  return posted_.size();
}

std::size_t FakeEventLoop::ProcessPosted(std::size_t maxCalls) {
  std::size_t ran = 0;
  while (ran < maxCalls) {
    std::function<void()> fn;
    {
      std::lock_guard<std::mutex> lock(postMutex_);
      if (posted_.empty()) break;
      fn = std::move(posted_.front());
      posted_.erase(posted_.begin());
    }
    ++ran;
    if (fn) fn();
  }
  return ran;
}

void FakeEventLoop::Schedule(FakeTimer* t) {
  scheduled_.push_back(Entry{t, now_ + t->Interval(), nextOrder_++});
}

void FakeEventLoop::Unschedule(FakeTimer* t) {
  scheduled_.erase(std::remove_if(scheduled_.begin(), scheduled_.end(), [t](const Entry& e) { return e.timer == t; }),
                   scheduled_.end());
}

std::size_t FakeEventLoop::RunningTimers() const {
  return scheduled_.size();
}

std::size_t FakeEventLoop::Advance(std::int64_t ms) {
  const std::int64_t end = now_ + std::max<std::int64_t>(ms, 0);
  std::size_t fired = 0;
  ProcessPosted();
  for (;;) {
    auto next = std::min_element(scheduled_.begin(), scheduled_.end(), [](const Entry& a, const Entry& b) {
      return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (next == scheduled_.end() || next->due > end) break;
    now_ = next->due;
    FakeTimer* t = next->timer;
    // The next period starts now; the handler may stop, restart or destroy the timer.
    next->due = now_ + t->Interval();
    next->order = nextOrder_++;
    ++fired;
    if (t->OnTimer) {
      auto handler = t->OnTimer;  // the handler may destroy the timer that holds it
      handler();
    }
    ProcessPosted();
  }
  now_ = end;
  ProcessPosted();
  return fired;
}

}  // namespace platform
