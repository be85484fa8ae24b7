#include <gtest/gtest.h>

#include "ui/ColorTools.h"

using namespace platform;

namespace {
// Pins the system colours to distinct known values for a test.
struct PinnedSysColors {
  PinnedSysColors() {
    SetSysColorResolver([](int index) -> TColor { return RGB(std::uint8_t(index * 10), 0x40, 0x80); });
  }
  ~PinnedSysColors() { SetSysColorResolver({}); }
};
}  // namespace

TEST(ColorTools, GrayColorEdgesAndFormula) {
  EXPECT_EQ(GrayColor(clBlack), RGB(126, 126, 126));
  EXPECT_EQ(GrayColor(clWhite), RGB(154, 154, 154));
  // Channel weights differ, so a BGR/RGB swap shows: pure red s = 255*32 = 8160 -> 27 -> 154/3=51 -> 135.
  EXPECT_EQ(GrayColor(clRed), RGB(135, 135, 135));
  // Pure blue s = 255*28 = 7140 -> 23 -> 150/3 = 50 -> 134.
  EXPECT_EQ(GrayColor(clBlue), RGB(134, 134, 134));
  // Pure green s = 10200 -> 34 -> 161/3 = 53 -> 137.
  EXPECT_EQ(GrayColor(clLime), RGB(137, 137, 137));
}

TEST(ColorTools, SystemColoursAreResolvedBeforeArithmetic) {
  PinnedSysColors pin;
  const TColor face = SysColor(COLOR_BTNFACE);
  EXPECT_EQ(face, RGB(150, 0x40, 0x80));
  EXPECT_EQ(GrayColor(clBtnFace), GrayColor(face));
  EXPECT_EQ(LightenColor(clBtnFace), LightenColor(face));
  EXPECT_EQ(ImageListGrayColor(clHighlight), ImageListGrayColor(SysColor(COLOR_HIGHLIGHT)));
  // No colour, default and unknown system indices never index outside the table: black.
  EXPECT_EQ(ResolveColor(clNone), clBlack);
  EXPECT_EQ(ResolveColor(clDefault), clBlack);
  EXPECT_EQ(ResolveColor(0xFF0000FF), clBlack);
  EXPECT_EQ(GrayColor(clNone), RGB(126, 126, 126));
}

TEST(ColorTools, BlendRoundsHalfToEven) {
  EXPECT_EQ(BlendColors(clBlack, clWhite, 0.0), clBlack);
  EXPECT_EQ(BlendColors(clBlack, clWhite, 1.0), clWhite);
  // 0.5 * 255 = 127.5 -> 128 (even); 0.5 * 1 = 0.5 -> 0; 0.5 * 3 = 1.5 -> 2.
  EXPECT_EQ(BlendColors(clBlack, RGB(255, 1, 3), 0.5), RGB(128, 0, 2));
  // Channels stay apart: only red moves.
  EXPECT_EQ(BlendColors(RGB(0, 10, 20), RGB(100, 10, 20), 0.25), RGB(25, 10, 20));
}

TEST(ColorTools, LightenIsThirtyPercentTowardsWhite) {
  // grey 128: 255*0.3 + 128*0.7 = 76.5 + 89.6 = 166.1 -> 166 (within one of the exact value).
  const TColor c = LightenColor(clGray);
  EXPECT_NEAR(GetRValue(c), 166, 1);
  EXPECT_EQ(GetRValue(c), GetGValue(c));
  EXPECT_EQ(GetGValue(c), GetBValue(c));
  EXPECT_EQ(LightenColor(clWhite), clWhite);
  const TColor navy = LightenColor(clNavy);  // (0,0,128) -> (76.5, 76.5, 166.1)
  EXPECT_NEAR(GetRValue(navy), 76, 1);
  EXPECT_NEAR(GetBValue(navy), 166, 1);
}

TEST(ColorTools, ImageListGrayRange) {
  EXPECT_EQ(ImageListGrayColor(clBlack), RGB(126, 126, 126));
  EXPECT_EQ(ImageListGrayColor(clWhite), RGB(211, 211, 211));
  // a = 100: t = 13, v = (113*2)/3 + 84 = 75 + 84 = 159.
  EXPECT_EQ(ImageListGrayColor(RGB(100, 100, 100)), RGB(159, 159, 159));
  // a = 200: t = (127-200)/2 = -36 (truncating towards zero, not -37), v = (164*2)/3 + 84 = 109 + 84 = 193.
  EXPECT_EQ(ImageListGrayColor(RGB(200, 200, 200)), RGB(193, 193, 193));
  int lo = 255, hi = 0;
  for (int a = 0; a < 256; ++a) {
    const int v = GetRValue(ImageListGrayColor(RGB(std::uint8_t(a), std::uint8_t(a), std::uint8_t(a))));
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  EXPECT_EQ(lo, 126);
  EXPECT_EQ(hi, 211);
}
