// Failures of the system injected into a test: allocations that fail on one thread of the test
// process, and a shim that a started program loads (LD_PRELOAD) to fail thread creation or reads.
#pragma once

#include <string>

namespace testsupport {

// While switched on for the calling thread, every operator new on it throws std::bad_alloc; the
// other threads allocate as usual. Only in the suites that link the library
// tessaryn_test_failing_allocations (which replaces operator new and operator new[]).
void FailAllocationsOnThisThread(bool fail);

// The LD_PRELOAD value that puts the fault shim into a started program (the sanitizer's runtime first
// when the tests run with it). The shim's switches are environment variables of that program:
//   TESSARYN_FAIL_THREADS=1          every pthread_create fails with EAGAIN
//   TESSARYN_FAIL_READ=OFFSET:PATH   reads of PATH fail with EIO from byte OFFSET on
//   TESSARYN_INTERRUPT_READ=PATH     every other read of PATH is interrupted (EINTR)
std::string FaultShimPreload();

}  // namespace testsupport
