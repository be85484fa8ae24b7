// faultshim: failures of the system, injected into a real process with LD_PRELOAD (see
// testsupport::FaultShimPreload). Each is switched on by an environment variable of the process:
//   TESSARYN_FAIL_THREADS=1            every pthread_create fails with EAGAIN, as when the system or
//                                      a limit on processes has no thread to give
//   TESSARYN_FAIL_READ=OFFSET:PATH     reads of the file PATH fail with EIO from byte OFFSET on (a
//                                      read across OFFSET comes short at it), as a failing disk does
//   TESSARYN_INTERRUPT_READ=PATH       every other read of the file PATH is interrupted (EINTR)
//                                      before it has read anything
// Without them every call goes to the system as it is. Built without the sanitizers and without the
// C++ library: it sits between the sanitizer's runtime (first in LD_PRELOAD) and the C library.
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The system's function of that name, looked up on first use (no C++ runtime: no guarded statics).
template <class T>
T Next(T& cache, const char* name) {
  T next = __atomic_load_n(&cache, __ATOMIC_ACQUIRE);
  if (!next) {
    next = reinterpret_cast<T>(dlsym(RTLD_NEXT, name));
    __atomic_store_n(&cache, next, __ATOMIC_RELEASE);
  }
  return next;
}

// True when fd is the file at path.
bool IsFile(int fd, const char* path) {
  char link[64], target[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  return strcmp(target, path) == 0;
}

unsigned gInterruptCalls = 0;

// What happens to a read of count bytes at offset of fd: -1 with errno set when it fails, else the
// count it may read (shortened to end at the failing offset).
ssize_t Judge(int fd, off_t offset, size_t count) {
  const char* interrupt = getenv("TESSARYN_INTERRUPT_READ");
  if (interrupt && IsFile(fd, interrupt) && __atomic_fetch_add(&gInterruptCalls, 1, __ATOMIC_RELAXED) % 2 == 0) {
    errno = EINTR;
    return -1;
  }
  const char* fail = getenv("TESSARYN_FAIL_READ");
  const char* colon = fail ? strchr(fail, ':') : nullptr;
  if (colon && IsFile(fd, colon + 1)) {
    const off_t from = static_cast<off_t>(strtoll(fail, nullptr, 10));
    if (offset >= from) {
      errno = EIO;
      return -1;
    }
    if (static_cast<off_t>(count) > from - offset) return static_cast<ssize_t>(from - offset);
  }
  return static_cast<ssize_t>(count);
}

bool Injecting() {
  return getenv("TESSARYN_FAIL_READ") || getenv("TESSARYN_INTERRUPT_READ");
}

using TCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
using TRead = ssize_t (*)(int, void*, size_t);
using TPositionedRead = ssize_t (*)(int, void*, size_t, off_t);
TCreate gCreate = nullptr;
TRead gRead = nullptr;
TPositionedRead gPread = nullptr, gPread64 = nullptr;

ssize_t PositionedRead(TPositionedRead next, int fd, void* buffer, size_t count, off_t offset) {
  if (Injecting()) {
    const ssize_t allowed = Judge(fd, offset, count);
    if (allowed < 0) return -1;
    count = static_cast<size_t>(allowed);
  }
  return next(fd, buffer, count, offset);
}

}  // namespace

extern "C" {

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  const char* fail = getenv("TESSARYN_FAIL_THREADS");
  if (fail && strcmp(fail, "1") == 0) return EAGAIN;
  return Next(gCreate, "pthread_create")(thread, attr, start, arg);
}

ssize_t read(int fd, void* buffer, size_t count) {
  const TRead next = Next(gRead, "read");
  if (Injecting()) {
    const ssize_t allowed = Judge(fd, lseek(fd, 0, SEEK_CUR), count);
    if (allowed < 0) return -1;
    count = static_cast<size_t>(allowed);
  }
  return next(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  return PositionedRead(Next(gPread, "pread"), fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
  return PositionedRead(Next(gPread64, "pread64"), fd, buffer, count, offset);
}

}  // extern "C"
