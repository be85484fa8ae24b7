#include <gtest/gtest.h>

#include "TestSupport.h"
#include "editor/SynPadMiscClasses.h"
#include "editor/SynUnicode.h"
#include "platform/EditorServices.h"

TEST(Gutter, DefaultsAndClamps) {
  TSynGutter g;
  int changes = 0;
  g.OnChange = [&](TSynPersistent*) { ++changes; };
  EXPECT_EQ(g.Font().Name(), "Courier New");
  EXPECT_EQ(g.Font().Size(), 8);
  EXPECT_EQ(g.Color(), 0xFF00000Fu);
  EXPECT_EQ(g.BorderColor(), 0xFF000005u);
  EXPECT_EQ(g.Width(), 30);
  EXPECT_EQ(g.DigitCount(), 4);
  EXPECT_EQ(g.LeftOffset(), 16);
  EXPECT_EQ(g.RightOffset(), 2);
  EXPECT_EQ(g.BorderStyle(), gbsMiddle);
  EXPECT_EQ(g.GradientSteps(), 48);
  EXPECT_EQ(g.GradientStartColor(), 0xFF000005u);
  EXPECT_EQ(g.GradientEndColor(), 0xFF00000Fu);
  EXPECT_TRUE(g.Visible());
  EXPECT_TRUE(g.UseFontStyle());
  g.SetDigitCount(20);
  EXPECT_EQ(g.DigitCount(), 12);
  g.SetDigitCount(1);
  EXPECT_EQ(g.DigitCount(), 2);
  g.SetWidth(-5);
  EXPECT_EQ(g.Width(), 0);
  g.SetGradientSteps(1);
  EXPECT_EQ(g.GradientSteps(), 2);
  changes = 0;
  g.SetWidth(0);
  EXPECT_EQ(changes, 0);
  g.SetBorderStyle(gbsMiddle);
  EXPECT_EQ(changes, 1);  // fires even unchanged
  g.Font().SetSize(10);
  EXPECT_EQ(changes, 2);
  g.SetLineNumberStart(0);
  EXPECT_TRUE(g.ZeroStart());
  g.SetLineNumberStart(-3);
  EXPECT_EQ(g.LineNumberStart(), 0);
  TSynGutter copy;
  int copyChanges = 0;
  copy.OnChange = [&](TSynPersistent*) { ++copyChanges; };
  copy.Assign(g);
  EXPECT_EQ(copyChanges, 1);
  EXPECT_EQ(copy.Font().Size(), 10);
  EXPECT_TRUE(copy.ZeroStart());
}

TEST(Gutter, LineNumbersAndWidth) {
  TSynGutter g;
  g.SetDigitCount(4);
  g.SetLeadingZeros(true);
  EXPECT_EQ(g.FormatLineNumber(7), "0007");
  g.SetZeroStart(true);
  EXPECT_EQ(g.FormatLineNumber(7), "0006");
  g.SetZeroStart(false);
  g.SetLeadingZeros(false);
  EXPECT_EQ(g.FormatLineNumber(7), "   7");
  g.SetLineNumberStart(100);
  EXPECT_EQ(g.FormatLineNumber(7), " 106");
  EXPECT_EQ(g.RealGutterWidth(8), 30);
  g.SetShowLineNumbers(true);
  EXPECT_EQ(g.RealGutterWidth(8), 16 + 2 + 4 * 8 + 2);
  g.SetAutoSize(true);
  g.AutoSizeDigitCount(99950);  // shows up to 100049
  EXPECT_EQ(g.AutoSizeDigits(), 6);
  EXPECT_EQ(g.FormatLineNumber(1), "   100");
  g.SetVisible(false);
  EXPECT_EQ(g.RealGutterWidth(8), 0);
  g.AutoSizeDigitCount(10);
  EXPECT_EQ(g.AutoSizeDigits(), 4);
}

TEST(OptionObjects, SelectedColorBookmarksGlyph) {
  TSynSelectedColor sc;
  int n = 0;
  sc.OnChange = [&](TSynPersistent*) { ++n; };
  EXPECT_EQ(sc.Background(), 0xFF00000Du);
  EXPECT_EQ(sc.Foreground(), 0xFF00000Eu);
  sc.SetBackground(0xFF00000D);
  EXPECT_EQ(n, 0);
  sc.SetBackground(syn::clRed);
  EXPECT_EQ(n, 1);
  TSynBookMarkOpt b;
  EXPECT_TRUE(b.DrawBookmarksFirst());
  EXPECT_TRUE(b.EnableKeys);
  EXPECT_TRUE(b.GlyphsVisible());
  EXPECT_EQ(b.LeftMargin(), 2);
  EXPECT_EQ(b.Xoffset(), 12);
  TSynGlyph none("", syn::clLime);
  EXPECT_EQ(none.Width(), 0);
  TColor mask;
  EXPECT_EQ(none.ImageToDraw(mask), nullptr);
  EXPECT_EQ(none.InternalMaskColor(), syn::clNone);
  TSynBitmap user(7, 30);
  none.SetGlyph(user);
  EXPECT_EQ(none.Width(), 7);
  const TSynImagePlacement p = none.Placement(5, 100, 16);  // taller than the line: middle part
  EXPECT_EQ(p.SrcY, 7);
  EXPECT_EQ(p.Height, 16);
  EXPECT_EQ(p.DestY, 100);
  const TSynImagePlacement q = PlaceImageInLine(0, 10, 10, 0, 50, 17);
  EXPECT_EQ(q.DestY, 53);
  EXPECT_EQ(q.Height, 10);
}
