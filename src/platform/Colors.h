// Colours as the program stores them: 32-bit values 0x00BBGGRR. The high byte 0xFF marks a
// system colour whose index (0..24) is in the low byte; it is resolved to the desktop's current
// value before any colour arithmetic. clNone means "no colour", clDefault "the control's default".
// Qt conversions live in platform/qt/QtColors.h.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

using TColor = std::uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours: 0xFF000000 + the window system's colour index.
constexpr TColor kSysColorFlag = 0xFF000000;
constexpr int kSysColorCount = 25;
enum SysColorIndex : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
};

constexpr TColor clScrollBar = kSysColorFlag | COLOR_SCROLLBAR;
constexpr TColor clBackground = kSysColorFlag | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = kSysColorFlag | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = kSysColorFlag | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = kSysColorFlag | COLOR_MENU;
constexpr TColor clWindow = kSysColorFlag | COLOR_WINDOW;
constexpr TColor clWindowFrame = kSysColorFlag | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = kSysColorFlag | COLOR_MENUTEXT;
constexpr TColor clWindowText = kSysColorFlag | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = kSysColorFlag | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = kSysColorFlag | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = kSysColorFlag | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = kSysColorFlag | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = kSysColorFlag | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = kSysColorFlag | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = kSysColorFlag | COLOR_BTNFACE;
constexpr TColor clBtnShadow = kSysColorFlag | COLOR_BTNSHADOW;
constexpr TColor clGrayText = kSysColorFlag | COLOR_GRAYTEXT;
constexpr TColor clBtnText = kSysColorFlag | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = kSysColorFlag | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = kSysColorFlag | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = kSysColorFlag | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = kSysColorFlag | COLOR_3DLIGHT;
constexpr TColor clInfoText = kSysColorFlag | COLOR_INFOTEXT;
constexpr TColor clInfoBk = kSysColorFlag | COLOR_INFOBK;

// The sixteen fixed colours, 0x00BBGGRR.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr std::uint8_t GetRValue(TColor c) {
  return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t GetGValue(TColor c) {
  return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(TColor c) {
  return std::uint8_t((c >> 16) & 0xFF);
}

constexpr bool IsSysColor(TColor c) {
  return (c & 0xFF000000u) == kSysColorFlag;
}
constexpr int SysColorIndexOf(TColor c) {
  return int(c & 0xFF);
}

// The desktop's current value of a system colour (0x00BBGGRR), from the application palette
// when a GUI application runs, else the classic value. An index outside 0..24 gives black.
TColor SysColor(int index);
// The classic fixed value of each index (also the answer where the palette has no role).
TColor ClassicSysColor(int index);

// Resolves a system colour to its current value; clNone and clDefault are returned unchanged
// (callers decide what "no colour" means); any other value loses its high byte.
TColor ColorToRGB(TColor c);

// Tests can pin the system colours; an empty function restores the normal lookup.
void SetSysColorResolver(std::function<TColor(int index)> resolver);

}  // namespace platform
