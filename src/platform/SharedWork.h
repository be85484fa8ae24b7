// Work on a large databank shared among a few threads: reading its file, parsing it, freezing it for a
// save, walking it for the tree. Such work waits mostly for memory, so a few threads overlap the
// waits; more would only wait for the same memory.
#pragma once

#include <cstddef>
#include <functional>

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
};
// The one place that decides whether work is worth sharing: how many shares work of that size is
// split into. One (no helper thread) unless every share gets at least what pays for starting a
// thread (about 8,192 nodes or 2 MB); never more than SharedWorkThreads(), or for work that scales
// with threads, than SharedSearchThreads().
std::size_t SharedWorkShares(TWorkSize work);

// Makes the calling thread, and every thread it starts from now on (the helpers of its shares among
// them), give way to the window's thread and to the display whenever both want a processor: for work
// nobody waits for, such as a background save. A busy machine then slows that work, not the window.
// Where the system has no such thing, nothing changes.
void YieldProcessorsToTheWindow();

// Runs work(0) .. work(count - 1): work(0) on this thread, the others on helper threads, each helper
// and this thread (once work(0) is done) taking the next share nobody took yet; so a helper a busy
// system does not run soon leaves its share to this thread instead of holding it up. Returns once
// every share has ended, and then throws again the failure of a share, if one failed (the shares
// must not depend on each other, nor on running on a thread of their own).
void RunShared(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace platform
