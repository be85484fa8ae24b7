// The program's version, compiled in from the build's project version ("major.minor.patch" or
// with a fourth number).
#pragma once

#include <string>

namespace platform {

std::string ProgramVersion();

}  // namespace platform
