// What the probes that start a Qt application share. Header-only.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// Qt wants a private runtime folder and says so on every start without one; a probe gets its own.
inline void ProbeRuntimeDir(const char* name) {
  if (std::getenv("XDG_RUNTIME_DIR")) return;
  const std::string dir = std::string("/tmp/") + name + "-runtime-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}
