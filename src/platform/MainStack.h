// Room on the main thread's stack for deep trees. Our own walks over a tree are iterative, but Qt's
// tree view lays out an expanded branch recursively, one call per level, so a databank nested tens of
// thousands of folders deep would run the default 8 MiB stack out when it is fully expanded.
#pragma once

namespace platform {

// The stack the main thread may grow to (a limit of address space: pages are used only when touched).
inline constexpr unsigned long long kMainStackBytes = 1ull << 30;
// The default stack of every other thread, as the usual limit gives it.
inline constexpr unsigned long long kThreadStackBytes = 8ull << 20;

// Called first in main(): when the stack limit is below kMainStackBytes and may be raised, raises it
// and starts the program again in place (the kernel places a stack's room at the start), with the
// same arguments and environment. Returns when the limit is high enough already (other threads then
// get kThreadStackBytes by default), when it cannot be raised, or when starting again fails; the
// program then runs with the stack it has.
void EnsureMainStack(char** argv);

}  // namespace platform
