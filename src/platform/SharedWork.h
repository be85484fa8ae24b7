// Work on a large databank shared among a few threads: reading its file, parsing it, freezing it for a
// save, walking it for the tree. Such work waits mostly for memory, so a few threads overlap the
// waits; more would only wait for the same memory.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// How many threads a large piece of work is shared among: the processors there are, at most four.
std::size_t SharedWorkThreads();
// How many threads a search through a large databank is shared among: the processors there are, at
// most eight. A search waits for each node after the one that leads to it, not for the memory's
// throughput, so every thread's waits overlap the others'.
std::size_t SharedSearchThreads();

// What a piece of work is made of, as far as its caller knows before it starts.
struct TWorkSize {
  std::size_t Nodes = 0;  // elements of a tree, items of a list
  std::size_t Bytes = 0;  // bytes of a file or of a text
  // Work each thread of which waits for its own processor or its own chain of memory rather than for
  // the memory's throughput: parsing a text into memory the system has yet to hand out (each page of
  // it costs the system work of its own), compressing, walking a tree node after node. Every thread
  // added takes its part of the time off.
  bool ScalesWithThreads = false;
  // Subtrees a search goes through, each share with a matcher of its own (the record filter): a
  // matcher's test of a node costs what a walk over thousands of nodes does, so a search is worth
  // sharing from a handful of subtrees on, among as many threads as a search takes.
  std::size_t Searched = 0;
};
// The one place that decides whether work is worth sharing: how many shares work of that size is
// split into. One (no helper thread) unless every share gets at least what pays for starting a
// thread (about 8,192 nodes or 2 MB) or the work is a search through 8 subtrees or more; never more
// than SharedWorkThreads(), or for work that scales with threads (a search does), than
// SharedSearchThreads().
std::size_t SharedWorkShares(TWorkSize work);

// Makes the calling thread, and every share and job it hands to helper threads from now on, give way
// to the window's thread and to the display whenever both want a processor: for work nobody waits
// for, such as a background save. A busy machine then slows that work, not the window. Where the
// system has no such thing, nothing changes.
void YieldProcessorsToTheWindow();

// Helper threads started once and reused. Shares and jobs run at the priority of the thread that
// handed them over: the pool keeps a set of threads per priority it has been asked for (a thread may
// give way, but it may not take back what it gave), each set started as the first work of that
// priority arrives and never larger than the pool's size. A thread that cannot be had is tried again
// with the next work; until then its part runs on the caller (shares) or waits (jobs).
class TWorkPool {
 public:
  // threads: helpers per priority (at least one for jobs to run beside the caller).
  explicit TWorkPool(std::size_t threads);
  // Waits for the jobs handed over, then ends the threads.
  ~TWorkPool();
  TWorkPool(const TWorkPool&) = delete;
  TWorkPool& operator=(const TWorkPool&) = delete;

  // As platform::RunShared, with this pool's threads.
  void RunShared(std::size_t count, const std::function<void(std::size_t)>& work);
  // Runs job on a helper thread and returns at once. A failure the job lets through is thrown again
  // from the window's event loop (a posted call), where the program reports what it cannot handle.
  void RunBeside(std::function<void()> job);

  std::size_t Size() const { return size_; }
  // Threads this pool has started so far, over its whole life.
  std::size_t ThreadsStarted() const;

 private:
  struct TJob;
  struct TGroup;
  TGroup& GroupOfThisThread();                    // holding mutex_
  void Wake(TGroup& group, std::size_t helpers);  // holding mutex_
  void Serve(TGroup& group);
  void Withdraw(const std::shared_ptr<TJob>& job);

  const std::size_t size_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<TGroup>> groups_;
  std::size_t started_ = 0;
  bool ending_ = false;
};

// The program's pool: one helper per processor beside the caller, up to seven (as many threads as a
// search is shared among), started once and kept until the program ends.
TWorkPool& SharedWorkPool();

// Runs work(0) .. work(count - 1): work(0) on this thread, the others on the pool's helpers, each
// helper and this thread (once work(0) is done) taking the next share nobody took yet; so a helper a
// busy system does not run soon leaves its share to this thread instead of holding it up. Returns
// once every share has ended, and then throws again the failure of a share, if one failed (the
// shares must not depend on each other, nor on running on a thread of their own). Work may call
// RunShared again, to any depth: a caller waits only for shares a helper is running, never for a
// helper to come free.
void RunShared(std::size_t count, const std::function<void(std::size_t)>& work);

// Runs job on one of the pool's helpers (SharedWorkPool().RunBeside): work beside the window, which
// posts its completion to the window's event loop itself.
void RunBeside(std::function<void()> job);

}  // namespace platform
