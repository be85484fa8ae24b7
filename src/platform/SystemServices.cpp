#include "platform/SystemServices.h"

namespace platform {

namespace {
TSystemServices& Table() {
  static TSystemServices table;
  return table;
}
}  // namespace

const TSystemServices& SystemServices() {
  return Table();
}

TSystemServices InstallSystemServices(const TSystemServices& services) {
  TSystemServices previous = Table();
  Table() = services;
  return previous;
}

}  // namespace platform
