// How much memory the process can still take, so that work whose size is known before it starts (a
// databank file to read, a zip entry to unpack) can be refused with a reason instead of failing
// half-way when the allocator gives up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Bytes the process can still allocate, as far as the system tells: the smaller of the memory the
// system has available (MemAvailable plus free swap) and the room left under the process's
// address-space and data limits (ulimit -v, ulimit -d). UINT64_MAX when nothing can be read.
std::uint64_t MemoryAvailable();

// Gives the calling helper thread's part of the heap room for about `bytes` of small allocations it
// is about to make (a part of a parse: its nodes and strings). The C library grows such a part a page
// at a time, each step a call that takes the process's lock on its memory map, which the other
// threads' steps and page faults then wait for: threads parsing side by side spent much of their time
// in those waits. Grown here in steps of 64 KB, the part keeps that room once the blocks are freed (the
// memory itself goes back to the system until it is used). Nothing on the main thread, whose heap
// grows in larger steps, nor under a sanitizer's allocator.
void ReserveThreadHeap(std::size_t bytes);

// A byte count as a person reads it in a message: "512 KB", "37 MB", "4.0 GB".
std::string MemorySizeText(std::uint64_t bytes);

}  // namespace platform
