// How much memory the process can still take, so that work whose size is known before it starts (a
// databank file to read, a zip entry to unpack) can be refused with a reason instead of failing
// half-way when the allocator gives up.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Bytes the process can still allocate, as far as the system tells: the smaller of the memory the
// system has available (MemAvailable plus free swap) and the room left under the process's
// address-space and data limits (ulimit -v, ulimit -d). UINT64_MAX when nothing can be read.
std::uint64_t MemoryAvailable();

// A byte count as a person reads it in a message: "512 KB", "37 MB", "4.0 GB".
std::string MemorySizeText(std::uint64_t bytes);

}  // namespace platform
