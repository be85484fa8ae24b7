// Replaces operator new and operator new[] for the suites that link it: each forwards to the one it
// replaces (the sanitizer's, or the C++ library's), unless its thread was told to fail.
#include <dlfcn.h>

#include <cstddef>
#include <new>

#include "FaultInjection.h"

namespace {

thread_local bool tFail = false;

using TAllocate = void* (*)(std::size_t);

// The replaced function of that mangled name, looked up once (dlsym allocates with malloc only).
TAllocate Replaced(const char* name) {
  TAllocate next = reinterpret_cast<TAllocate>(dlsym(RTLD_NEXT, name));
  return next;
}

void* Allocate(std::size_t size, TAllocate next) {
  if (tFail || !next) throw std::bad_alloc();
  return next(size);
}

}  // namespace

namespace testsupport {
void FailAllocationsOnThisThread(bool fail) {
  tFail = fail;
}
}  // namespace testsupport

void* operator new(std::size_t size) {
  static const TAllocate next = Replaced("_Znwm");
  return Allocate(size, next);
}

void* operator new[](std::size_t size) {
  static const TAllocate next = Replaced("_Znam");
  return Allocate(size, next);
}
