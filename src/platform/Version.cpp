#include "platform/Version.h"

#ifndef TESSARYN_VERSION
#define TESSARYN_VERSION ""
#endif

namespace platform {

std::string ProgramVersion() {
  return TESSARYN_VERSION;
}

}  // namespace platform
