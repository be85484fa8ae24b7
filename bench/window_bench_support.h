// What the benchmarks of the databank window share besides the application (bench_app.h): UI
// services that answer every question Yes, and timing until a window has painted.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "ScriptedUIServices.h"
#include "bench_app.h"
#include "platform/UIServices.h"

namespace windowbench {

// Answers every question Yes (the delete question).
class YesUI : public platform::ScriptedUIServices {
 public:
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    PushMessageResult(platform::mrYes);
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
};

inline YesUI& TheUI() {
  static YesUI ui;
  static platform::ScopedUIServices use(ui);
  return ui;
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Busy loops beside the measurement, perLoops per processor (a load like a parallel build's),
// from construction to destruction; none when perLoops is 0.
class BusyLoops {
 public:
  explicit BusyLoops(int perProcessor) {
    const int count = perProcessor * int(std::thread::hardware_concurrency());
    for (int i = 0; i < count; ++i)
      threads_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
    if (count > 0) std::this_thread::sleep_for(std::chrono::milliseconds(300));  // all of them running
  }
  ~BusyLoops() {
    stop_ = true;
    for (std::thread& t : threads_) t.join();
  }
  BusyLoops(const BusyLoops&) = delete;
  BusyLoops& operator=(const BusyLoops&) = delete;
  // BENCH_BUSY_LOOPS from the environment, 0 when unset.
  static int FromEnvironment() {
    const char* value = std::getenv("BENCH_BUSY_LOOPS");
    return value ? std::atoi(value) : 0;
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// Runs until the window has painted a frame.
inline void Paint(QWidget* window) {
  QApplication::processEvents();
  benchmark::DoNotOptimize(window->grab());
}

// Runs measure in a forked child that starts with a clean slate of memory (what the parent freed but
// still holds would otherwise be reused unseen, and its peak counts from here), and gives back the
// N figures it returned; -1 each when the child failed.
template <size_t N>
std::array<double, N> MeasureInChild(const std::function<std::array<double, N>()>& measure) {
  std::array<double, N> figures;
  figures.fill(-1);
  int fds[2];
  if (::pipe(fds) != 0) return figures;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::array<double, N> r = measure();
    if (::write(fds[1], r.data(), sizeof r) != static_cast<ssize_t>(sizeof r)) std::_Exit(4);
    std::_Exit(0);
  }
  ::close(fds[1]);
  if (pid > 0 && ::read(fds[0], figures.data(), sizeof figures) != static_cast<ssize_t>(sizeof figures))
    figures.fill(-1);
  ::close(fds[0]);
  int status = 0;
  if (pid > 0) ::waitpid(pid, &status, 0);
  return figures;
}

}  // namespace windowbench
