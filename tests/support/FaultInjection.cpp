#include "FaultInjection.h"

#include <fstream>

namespace testsupport {

std::string FaultShimPreload() {
  std::string preload;
  // A program built with AddressSanitizer wants its runtime loaded before any other library.
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    const size_t at = line.find('/');
    if (at != std::string::npos && line.find("/libasan.so", at) != std::string::npos) {
      preload = line.substr(at) + " ";
      break;
    }
  }
  return preload + TESSARYN_BINARY_DIR "/probes/faultshim.so";
}

}  // namespace testsupport
