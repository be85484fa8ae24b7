#include "platform/Colors.h"

#include <utility>

#include "platform/SystemServices.h"

namespace platform {

namespace {

// Classic desktop values of the 25 indices (0x00BBGGRR).
constexpr TColor kClassic[kSysColorCount] = {
    RGB(212, 208, 200),  // scroll bar
    RGB(58, 110, 165),   // background (desktop)
    RGB(10, 36, 106),    // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(212, 208, 200),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(212, 208, 200),  // active border
    RGB(212, 208, 200),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(10, 36, 106),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(212, 208, 200),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(212, 208, 200),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(64, 64, 64),     // 3D dark shadow
    RGB(212, 208, 200),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
};

std::function<TColor(int)>& Resolver() {
  static std::function<TColor(int)> resolver;
  return resolver;
}

}  // namespace

TColor ClassicSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return clBlack;
  return kClassic[index];
}

TColor SysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return clBlack;
  if (Resolver()) return Resolver()(index) & 0x00FFFFFF;
  std::uint32_t c = 0;
  if (auto palette = SystemServices().PaletteSysColor)
    if (palette(index, c)) return TColor(c);
  return kClassic[index];
}

TColor ColorToRGB(TColor c) {
  if (c == clNone || c == clDefault) return c;
  if (IsSysColor(c)) return SysColor(SysColorIndexOf(c));
  return c & 0x00FFFFFF;
}

void SetSysColorResolver(std::function<TColor(int index)> resolver) {
  Resolver() = std::move(resolver);
}

}  // namespace platform
