#include "platform/SharedWork.h"

#include <algorithm>
#include <exception>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

std::size_t SharedWorkThreads() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

std::size_t SharedWorkShares(TWorkSize work) {
  // A thread costs tens of microseconds to start and join, more on a busy machine; a share this
  // large takes a millisecond or more.
  constexpr std::size_t kNodesPerShare = 8192;
  constexpr std::size_t kBytesPerShare = std::size_t{2} << 20;
  const std::size_t worth = std::max(work.Nodes / kNodesPerShare, work.Bytes / kBytesPerShare);
  return std::clamp<std::size_t>(worth, 1, SharedWorkThreads());
}

void RunShared(std::size_t count, const std::function<void(std::size_t)>& work) {
  if (count == 0) return;
  std::vector<std::future<void>> helpers;
  helpers.reserve(count - 1);
  std::size_t started = 1;
  try {
    for (; started < count; ++started) helpers.push_back(std::async(std::launch::async, work, started));
  } catch (const std::system_error&) {
    // No thread to be had: the shares not started run here.
  }
  std::exception_ptr failure;
  auto here = [&](std::size_t k) {
    try {
      work(k);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  here(0);
  for (std::size_t k = started; k < count; ++k) here(k);
  for (std::future<void>& helper : helpers) {
    try {
      helper.get();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace platform
