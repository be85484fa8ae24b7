#include "platform/SharedWork.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Timers.h"

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
  constexpr std::size_t kSearchedWorthSharing = 8;
  if (work.Searched >= kSearchedWorthSharing) return SharedSearchThreads();
  const std::size_t worth = std::max(work.Nodes / kNodesPerShare, work.Bytes / kBytesPerShare);
  return std::clamp<std::size_t>(worth, 1, work.ScalesWithThreads ? SharedSearchThreads() : SharedWorkThreads());
}

namespace {

// The nice value of the calling thread (0 where the system keeps none per thread).
int ThreadNice() {
#ifdef __linux__
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
  if (errno == 0) return nice;
#endif
  return 0;
}

// Sets the calling thread's nice value; false when the system refuses (a thread may raise its own,
// lowering it takes a privilege).
bool SetThreadNice(int nice) {
#ifdef __linux__
  if (ThreadNice() == nice) return true;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), nice);
  return ThreadNice() == nice;
#else
  return nice == 0;
#endif
}

}  // namespace

void YieldProcessorsToTheWindow() {
#ifdef __linux__
  // On Linux the nice value is the thread's own; the pool hands this thread's shares to helpers of
  // the same value. Ten steps: a processor wanted by both goes to the window about nine times in ten.
  constexpr int kSteps = 10;
  const int now = ThreadNice();
  if (now < 19) SetThreadNice(std::min(now + kSteps, 19));
#endif
}

// What the threads of one RunShared (or one job run beside) share: the next share to take, how many
// have ended, the first failure. Kept alive by every thread that holds it, so that a helper that
// comes to it after the caller has returned finds everything taken and never touches the work.
struct TWorkPool::TJob {
  TJob(std::size_t count, std::size_t first, const std::function<void(std::size_t)>* work)
      : Count(count), Next(first), Work(work) {}
  const std::size_t Count;
  std::atomic<std::size_t> Next;
  const std::function<void(std::size_t)>* Work;  // the caller's, alive until every share has ended
  std::function<void()> Beside;                  // a job of its own instead
  TGroup* Group = nullptr;
  std::mutex Mutex;
  std::condition_variable Ended;
  std::size_t Done = 0;
  std::exception_ptr Failure;

  bool Taken() const { return Next.load() >= Count; }
  // Runs shares until none is left to take.
  void Take() {
    for (std::size_t k; (k = Next.fetch_add(1)) < Count;) Run(k);
  }
  void Run(std::size_t k) {
    std::exception_ptr failure;
    try {
      if (Beside)
        Beside();
      else
        (*Work)(k);
    } catch (...) {
      failure = std::current_exception();
    }
    // Nobody waits for a job beside: what it let through goes where the window reports failures.
    if (Beside && failure) PostCall([failure] { std::rethrow_exception(failure); });
    std::lock_guard<std::mutex> lock(Mutex);
    if (failure && !Failure) Failure = failure;
    if (++Done == Count) Ended.notify_all();
  }
};

// The helpers of one priority and the work waiting for them, oldest first.
struct TWorkPool::TGroup {
  explicit TGroup(int nice) : Nice(nice) {}
  const int Nice;
  std::vector<std::thread> Threads;
  std::size_t Live = 0;  // threads serving
  std::deque<std::shared_ptr<TJob>> Queue;
  std::condition_variable Wake;
};

TWorkPool::TWorkPool(std::size_t threads) : size_(std::max<std::size_t>(threads, 1)) {}

TWorkPool::~TWorkPool() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    for (auto& group : groups_) {
      group->Wake.notify_all();
      for (std::thread& t : group->Threads) threads.push_back(std::move(t));
    }
  }
  for (std::thread& t : threads) t.join();
}

std::size_t TWorkPool::ThreadsStarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

TWorkPool::TGroup& TWorkPool::GroupOfThisThread() {
  const int nice = ThreadNice();
  for (auto& group : groups_)
    if (group->Nice == nice) return *group;
  groups_.push_back(std::make_unique<TGroup>(nice));
  return *groups_.back();
}

void TWorkPool::Wake(TGroup& group, std::size_t helpers) {
  // Started here, by a thread of the group's priority, which each new thread takes over.
  while (group.Live < size_) {
    try {
      group.Threads.emplace_back([this, &group] { Serve(group); });
    } catch (const std::system_error&) {
      break;  // tried again with the next work
    }
    ++group.Live;
    ++started_;
  }
  for (std::size_t i = 0; i < std::min(helpers, group.Live); ++i) group.Wake.notify_one();
}

void TWorkPool::Serve(TGroup& group) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    group.Wake.wait(lock, [&] { return ending_ || !group.Queue.empty(); });
    if (group.Queue.empty()) return;  // ending, and nothing is left to do
    std::shared_ptr<TJob> job = group.Queue.front();
    if (job->Taken()) {
      group.Queue.pop_front();
      continue;
    }
    lock.unlock();
    job->Take();
    // Work that gave way on this thread has given it for that work only; a thread that cannot
    // take it back leaves its place to a new one.
    const bool kept = SetThreadNice(group.Nice);
    lock.lock();
    if (!kept) {
      --group.Live;
      return;
    }
  }
}

void TWorkPool::Withdraw(const std::shared_ptr<TJob>& job) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& queue = job->Group->Queue;
  queue.erase(std::remove(queue.begin(), queue.end(), job), queue.end());
}

void TWorkPool::RunShared(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (count == 0) return;
  if (count == 1) {
    work(0);
    return;
  }
  // Each helper, and this thread once its own share is done, takes the next share not yet taken: a
  // helper the busy system does not run soon, or one busy with other work, leaves its shares to the
  // others, this thread included. So this thread waits only for shares being run, and RunShared
  // nested in a share can never wait for a helper that waits for it.
  auto job = std::make_shared<TJob>(count, 1, &work);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    TGroup& group = GroupOfThisThread();
    job->Group = &group;
    group.Queue.push_back(job);
    Wake(group, count - 1);
  }
  job->Run(0);
  job->Take();
  Withdraw(job);
  std::unique_lock<std::mutex> lock(job->Mutex);
  job->Ended.wait(lock, [&] { return job->Done == count; });
  if (job->Failure) std::rethrow_exception(job->Failure);
}

void TWorkPool::RunBeside(std::function<void()> job) {
  if (!job) return;
  auto queued = std::make_shared<TJob>(1, 0, nullptr);
  queued->Beside = std::move(job);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    TGroup& group = GroupOfThisThread();
    queued->Group = &group;
    Wake(group, 0);
    if (group.Live > 0) {
      group.Queue.push_back(queued);
      group.Wake.notify_one();
      return;
    }
  }
  queued->Take();  // no thread to be had: made here
}

TWorkPool& SharedWorkPool() {
  // Never destroyed: threads that static destruction does not wait for (a writer ending with the
  // program) may still hand it work.
  static TWorkPool* const pool = new TWorkPool(std::max<std::size_t>(SharedSearchThreads(), 2) - 1);
  return *pool;
}

void RunShared(std::size_t count, const std::function<void(std::size_t)>& work) {
  SharedWorkPool().RunShared(count, work);
}

void RunBeside(std::function<void()> job) {
  SharedWorkPool().RunBeside(std::move(job));
}

}  // namespace platform
