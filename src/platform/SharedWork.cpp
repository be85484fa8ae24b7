#include "platform/SharedWork.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

std::size_t SharedWorkThreads() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

std::size_t SharedSearchThreads() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
}

std::size_t SharedWorkShares(TWorkSize work) {
  // A thread costs tens of microseconds to start and join, more on a busy machine; a share this
  // large takes a millisecond or more.
  constexpr std::size_t kNodesPerShare = 8192;
  constexpr std::size_t kBytesPerShare = std::size_t{2} << 20;
  const std::size_t worth = std::max(work.Nodes / kNodesPerShare, work.Bytes / kBytesPerShare);
  return std::clamp<std::size_t>(worth, 1, work.ScalesWithThreads ? SharedSearchThreads() : SharedWorkThreads());
}

void YieldProcessorsToTheWindow() {
#ifdef __linux__
  // On Linux the nice value is the thread's own, and a thread takes over that of the thread that
  // starts it. Ten steps: a processor wanted by both goes to the window about nine times in ten.
  constexpr int kSteps = 10;
  const auto self = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, self);
  if (errno == 0 && now < 19) ::setpriority(PRIO_PROCESS, self, std::min(now + kSteps, 19));
#endif
}

namespace {

// What the threads of one RunShared share: the next share to take, how many have ended, the first
// failure. Kept alive by every thread that holds it, so that a helper the system starts late, after
// the caller has returned, finds everything taken and ends without touching the work.
struct TShares {
  explicit TShares(std::size_t count) : Count(count) {}
  const std::size_t Count;
  std::atomic<std::size_t> Next{1};  // share 0 is the caller's
  std::mutex Mutex;
  std::condition_variable Ended;
  std::size_t Done = 0;
  std::exception_ptr Failure;

  // Runs shares until none is left to take.
  void Take(const std::function<void(std::size_t)>& work) {
    for (std::size_t k; (k = Next.fetch_add(1)) < Count;) Run(work, k);
  }
  void Run(const std::function<void(std::size_t)>& work, std::size_t k) {
    std::exception_ptr failure;
    try {
      work(k);
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(Mutex);
    if (failure && !Failure) Failure = failure;
    if (++Done == Count) Ended.notify_all();
  }
};

}  // namespace

void RunShared(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (count == 0) return;
  if (count == 1) {
    work(0);
    return;
  }
  // Each helper, and this thread once its own share is done, takes the next share not yet taken: a
  // helper the busy system does not run soon leaves its shares to the others, this thread included,
  // rather than holding it up.
  auto shares = std::make_shared<TShares>(count);
  try {
    for (std::size_t i = 1; i < count; ++i) std::thread([shares, &work] { shares->Take(work); }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the shares not taken run here.
  }
  shares->Run(work, 0);
  shares->Take(work);
  std::unique_lock<std::mutex> lock(shares->Mutex);
  shares->Ended.wait(lock, [&] { return shares->Done == count; });
  if (shares->Failure) std::rethrow_exception(shares->Failure);
}

}  // namespace platform
