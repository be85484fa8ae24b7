// Probes that open a real X display: the system's D-Bus library keeps a buffer for the life of the
// process, which LeakSanitizer would report as ours and turn into a failing exit code. Include this
// in exactly one source file of such a probe.
#pragma once

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
