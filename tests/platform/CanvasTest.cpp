#include <gtest/gtest.h>

#include "platform/RecordingCanvas.h"

using namespace platform;

TEST(Canvas, MulDivRoundsHalfAwayFromZeroIn64Bits) {
  struct {
    int a, b, c, want;
  } cases[] = {{5, 1, 2, 3},
               {-5, 1, 2, -3},
               {5, -1, 2, -3},
               {7, 3, 2, 11},
               {1, 1, 3, 0},
               {2, 1, 3, 1},
               {-2, 1, 3, -1},
               {1, 1, 0, -1},
               {2000000000, 3, 4, 1500000000},
               {32767, 32767, 32767, 32767}};
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

TEST(RecordingCanvas, MappingClipAndSavedStateReachTheRecord) {
  TRecordingCanvas cv;
  cv.SetMapping(100, 0, 10, 10, 5, 5, 20, 30);  // x: (x-100)*2+5, y: y*3+5
  cv.FillRect({100, 0, 110, 10}, clRed);
  EXPECT_EQ(cv.Calls.back().rect, (TCanvasRect{5, 5, 25, 35}));
  cv.Save();
  cv.IntersectClip({100, 0, 105, 5});
  cv.IntersectClip({102, 2, 120, 20});
  EXPECT_EQ(cv.Clip(), (TCanvasRect{9, 11, 15, 20}));
  cv.SetTextColor(clBlue);
  cv.Restore();
  EXPECT_FALSE(cv.HasClip());
  EXPECT_EQ(cv.TextColor(), clWindowText);
  cv.ResetMapping();
  cv.TextOutAt(3, 4, kTextOpaque, nullptr, u"a\u4E2D\U0001F600\u0301");
  const auto& t = cv.Calls.back();
  EXPECT_EQ(t.x, 3);
  // Narrow, wide, a surrogate pair counted on its first unit, and a zero-width mark.
  EXPECT_EQ(t.advances, (std::vector<int>{8, 16, 16, 0, 0}));
  EXPECT_EQ(cv.TextWidth(u"a\u4E2D\U0001F600\u0301"), 40);
}
