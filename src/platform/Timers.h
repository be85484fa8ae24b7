// Timers and posted calls, as headless code sees them. All work arrives through the one event loop
// of the GUI thread: timers fire from it and posted calls run from it, never inside the call that
// started or posted them. The program installs the Qt loop; tests install FakeEventLoop and move
// its clock by hand.
//
// Interval rule of the program's window timers: an interval of 0 or less means off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// One repeating timer. It fires OnTimer every Interval() milliseconds while enabled and its
// interval is above 0. Changing the interval or enabling it again restarts the period.
class ITimer {
 public:
  virtual ~ITimer() = default;
  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // True while the timer is really counting: enabled and the interval above 0.
  bool Running() const { return Enabled() && Interval() > 0; }
  std::function<void()> OnTimer;
};

class IEventLoop {
 public:
  virtual ~IEventLoop() = default;
  // Milliseconds of a monotonic clock.
  virtual std::int64_t NowMs() const = 0;
  // A new timer: disabled, interval 0.
  virtual std::unique_ptr<ITimer> CreateTimer() = 0;
  // Runs fn later from the loop, after everything already waiting (a posted message). Any thread may
  // post.
  virtual void Post(std::function<void()> fn) = 0;
};

// The loop in use. Never null: before anything is installed a loop that only queues (nothing
// fires until someone calls its ProcessPending) stands in, so headless tools never crash.
IEventLoop& EventLoop();
// Installs a loop (not owned); nullptr restores the stand-in. Returns the previous one. Timers
// already created stay with the loop that made them.
IEventLoop* SetEventLoop(IEventLoop* loop);

class ScopedEventLoop {
 public:
  explicit ScopedEventLoop(IEventLoop& loop) : previous_(SetEventLoop(&loop)) {}
  ~ScopedEventLoop() { SetEventLoop(previous_); }
  ScopedEventLoop(const ScopedEventLoop&) = delete;
  ScopedEventLoop& operator=(const ScopedEventLoop&) = delete;

 private:
  IEventLoop* previous_;
};

// Posts fn to the current loop. A call posted with a guard is dropped when the guard has expired
// by the time it would run (the object it belongs to was destroyed meanwhile).
void PostCall(std::function<void()> fn);
void PostCall(std::weak_ptr<void> guard, std::function<void()> fn);

// Window timers by id, as a window owns them: SetTimer(id, interval) starts or restarts timer id,
// an interval of 0 or less stops it; KillTimer stops it. OnTimer receives the id.
class TTimerSet {
 public:
  explicit TTimerSet(IEventLoop* loop = nullptr);  // nullptr: the current loop
  ~TTimerSet();
  TTimerSet(const TTimerSet&) = delete;
  TTimerSet& operator=(const TTimerSet&) = delete;

  void SetTimer(int id, int intervalMs);
  void KillTimer(int id);
  void KillAll();
  bool IsActive(int id) const;
  int Interval(int id) const;  // 0 when the timer is not active
  std::size_t ActiveCount() const;

  std::function<void(int id)> OnTimer;

 private:
  IEventLoop* loop_;
  std::map<int, std::unique_ptr<ITimer>> timers_;
};

// A loop for tests: a clock that moves only through Advance, timers that fire in time order as the
// clock passes their due time, and posted calls that run in ProcessPosted (Advance runs them too,
// before and after each timer tick, as a real loop would). Post may come from any thread; everything
// else belongs to the test's thread.
class FakeEventLoop : public IEventLoop {
 public:
  FakeEventLoop();
  ~FakeEventLoop() override;

  std::int64_t NowMs() const override { return now_; }
  std::unique_ptr<ITimer> CreateTimer() override;
  void Post(std::function<void()> fn) override;

  // Runs the posted calls, including those posted meanwhile; returns how many ran. Stops after
  // maxCalls so that a call that always posts itself again cannot hang a test.
  std::size_t ProcessPosted(std::size_t maxCalls = 100000);
  // Moves the clock by ms, firing due timers in order of due time (ties: the one whose current
  // period began first).
  // Returns the number of timer ticks fired.
  std::size_t Advance(std::int64_t ms);
  // Number of timers running now.
  std::size_t RunningTimers() const;
  std::size_t PendingPosts() const;

 private:
  class FakeTimer;
  friend class FakeTimer;
  struct Entry {
    FakeTimer* timer;
    std::int64_t due;
    std::uint64_t order;  // start order, for ties
  };
  void Schedule(FakeTimer* t);
  void Unschedule(FakeTimer* t);

  std::int64_t now_ = 0;
  std::uint64_t nextOrder_ = 0;
  std::vector<Entry> scheduled_;
  mutable std::mutex postMutex_;  // work done beside the loop posts its completion from its own thread
  std::vector<std::function<void()>> posted_;
  std::shared_ptr<bool> alive_;
};

}  // namespace platform
