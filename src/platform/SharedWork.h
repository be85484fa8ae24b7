// Work on a large databank shared among a few threads: reading its file, parsing it, freezing it for a
// save, walking it for the tree. Such work waits mostly for memory, so a few threads overlap the
// waits; more would only wait for the same memory.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// How many threads a large piece of work is shared among: the processors there are, at most four.
std::size_t SharedWorkThreads();

// Runs work(0) .. work(count - 1): work(0) on this thread, each other share on a thread of its own,
// or on this thread after work(0) when no thread can be had. Returns once every share has ended, and
// then throws again the failure of a share, if one failed (the shares must not depend on each other).
void RunShared(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace platform
