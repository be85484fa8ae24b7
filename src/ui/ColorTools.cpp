#include "ui/ColorTools.h"

#include <cmath>

using namespace platform;

TColor ResolveColor(TColor color) {
  if (color <= 0xFFFFFF) return color;
  if (IsSysColor(color)) return SysColor(SysColorIndexOf(color));  // out-of-range index: black
  return 0;
}

TColor GrayColor(TColor color) {
  const TColor c = ResolveColor(color);
  const int s = GetRValue(c) * 32 + GetGValue(c) * 40 + GetBValue(c) * 28;
  const int v = ((s / 300) + 127) / 3 + 84;
  return RGB(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
}

namespace {
std::uint8_t BlendChannel(int c1, int c2, double alpha) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double v = std::nearbyint(c2 * alpha + c1 * (1.0 - alpha));
  return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}
}  // namespace

TColor BlendColors(TColor color1, TColor color2, double alpha) {
  const TColor a = ResolveColor(color1);
  const TColor b = ResolveColor(color2);
  return RGB(BlendChannel(GetRValue(a), GetRValue(b), alpha), BlendChannel(GetGValue(a), GetGValue(b), alpha),
             BlendChannel(GetBValue(a), GetBValue(b), alpha));
}

TColor LightenColor(TColor color) {
  return BlendColors(color, clWhite, 0.3);
}

TColor ImageListGrayColor(TColor color) {
  const TColor c = ResolveColor(color);
  const int a = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
  const int t = (127 - a) / 2;  // C++ division truncates towards zero, as wanted
  const int v = ((a + t) * 2) / 3 + 84;
  return RGB(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
}
