#include "platform/Canvas.h"

#include <cstdlib>

#include "platform/SystemServices.h"

namespace platform {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long num = static_cast<long long>(a) * b;
  const bool negative = (num < 0) != (c < 0);
  const long long n = std::llabs(num), d = std::llabs(static_cast<long long>(c));
  const long long q = (n + d / 2) / d;  // half away from zero
  return static_cast<int>(negative ? -q : q);
}

std::unique_ptr<ICanvas> CreateMeasuringCanvas() {
  auto create = SystemServices().CreateMeasuringCanvas;
  return std::unique_ptr<ICanvas>(create ? create() : nullptr);
}

}  // namespace platform
