// The shared font stock and the drawer's grid.
#include <gtest/gtest.h>

#include "SynPadRecordingHost.h"
#include "editor/SynTextDrawer.h"

namespace {

TEST(SynTextDrawer, FontRecordsAreSharedAndCounted) {
  TSynFixedCanvas m;
  TSynFontDesc plain;
  const TSynFontDesc italic = SynFontWithStyle(plain, syn::fsItalic);
  const TSynFontDesc bold = SynFontWithStyle(plain, syn::fsBold);
  const int before = GetFontsInfoManager().Count();
  {
    TheTextDrawer a(0, &plain, m), b(0, &italic, m), c(0, &bold, m);
    EXPECT_EQ(a.Stock().FontsInfo(), b.Stock().FontsInfo());  // italic is not part of the key
    EXPECT_NE(a.Stock().FontsInfo(), c.Stock().FontsInfo());  // weight is
    EXPECT_EQ(a.Stock().FontsInfo()->RefCount, 2);
    a.ReleaseTemporaryResources();
    const int advance = a.Stock().GetCharAdvance();
    a.SetStyle(syn::fsBold);
    a.SetStyle(0);
    EXPECT_EQ(a.Stock().GetCharAdvance(), advance);
    EXPECT_THROW(a.Stock().SetStyle(16), EheFontStockException);
    EXPECT_THROW(a.SetBaseFont(nullptr), EheTextDrawerException);
  }
  EXPECT_EQ(GetFontsInfoManager().Count(), before);
}

TEST(SynTextDrawer, GridAdvancesAndEmptyRuns) {
  TSynFixedCanvas m;
  TSynFontDesc f;
  TheTextDrawer d(0, &f, m);
  TSynRecordingCanvas c;
  d.BeginDrawing(&c);
  d.BeginDrawing(&c);
  TSynRecordingCanvas other;
  EXPECT_THROW(d.BeginDrawing(&other), EheTextDrawerException);
  d.SetBackColor(0x123456);
  // Wide glyphs take two cells; zero-width units, a surrogate or a combining mark, one.
  c.Calls.clear();
  d.ExtTextOut(0, 0, platform::kTextOpaque, TSynRect{0, 0, 100, 16}, u"a\u4E2D\u0301\xD83D\xDE00");
  ASSERT_EQ(c.CallsOf("text").size(), 1u);
  EXPECT_EQ(c.CallsOf("text")[0].advances, (std::vector<int>{8, 16, 8, 8, 8}));
  // No text: the band alone, nothing read past the text.
  c.Calls.clear();
  d.ExtTextOut(0, 16, platform::kTextOpaque | platform::kTextClipped, TSynRect{0, 16, 40, 32}, u"");
  ASSERT_EQ(c.Calls.size(), 1u);
  EXPECT_EQ(c.Calls[0].op, "fill");
  EXPECT_EQ(c.Calls[0].color, 0x123456u);
  d.EndDrawing();
  EXPECT_TRUE(d.Drawing());
  d.EndDrawing();
  EXPECT_FALSE(d.Drawing());
}

}  // namespace
