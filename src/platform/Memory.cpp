#include "platform/Memory.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <vector>

namespace platform {

namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// The value in kB of "Key:" lines of a /proc file, in bytes; kUnknown when a key is missing.
std::uint64_t ProcKilobytes(const char* file, const char* key) {
  std::ifstream in(file);
  const std::string wanted = std::string(key) + ":";
  std::string name;
  std::uint64_t kb = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    if (fields >> name >> kb && name == wanted) return kb * 1024;
  }
  return kUnknown;
}

// The room left under a resource limit, given what the process uses of it now.
std::uint64_t RoomUnder(int resource, std::uint64_t used) {
  rlimit limit{};
  if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || used == kUnknown) return kUnknown;
  const std::uint64_t cap = limit.rlim_cur;
  return cap > used ? cap - used : 0;
}

}  // namespace

std::uint64_t MemoryAvailable() {
  std::uint64_t room = kUnknown;
  const std::uint64_t available = ProcKilobytes("/proc/meminfo", "MemAvailable");
  if (available != kUnknown) {
    const std::uint64_t swap = ProcKilobytes("/proc/meminfo", "SwapFree");
    room = available + (swap == kUnknown ? 0 : swap);
  }
  room = std::min(room, RoomUnder(RLIMIT_AS, ProcKilobytes("/proc/self/status", "VmSize")));
  room = std::min(room, RoomUnder(RLIMIT_DATA, ProcKilobytes("/proc/self/status", "VmData")));
  return room;
}

std::string MemorySizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kKB = 1024, kMB = kKB * 1024, kGB = kMB * 1024;
  char text[48];
  if (bytes >= 10 * kGB)
    std::snprintf(text, sizeof text, "%llu GB", static_cast<unsigned long long>(bytes / kGB));
  else if (bytes >= kGB)
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / kGB);
  else if (bytes >= kMB)
    std::snprintf(text, sizeof text, "%llu MB", static_cast<unsigned long long>(bytes / kMB));
  else
    std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((bytes + kKB - 1) / kKB));
  return text;
}

void ReserveThreadHeap(std::size_t bytes) {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  if (static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid()) return;
  // Below the size the library maps on its own (128 KB unless raised), so the blocks come from the
  // thread's part of the heap.
  constexpr std::size_t kBlock = std::size_t{64} << 10;
  try {
    std::vector<void*> blocks;
    blocks.reserve(bytes / kBlock + 1);
    for (std::size_t got = 0; got < bytes; got += kBlock) {
      void* block = std::malloc(kBlock);
      if (!block) break;
      blocks.push_back(block);
    }
    for (void* block : blocks) std::free(block);
  } catch (const std::bad_alloc&) {
    // No room for the list: the heap grows as it did.
  }
#else
  (void)bytes;
#endif
}

}  // namespace platform
