#include <gtest/gtest.h>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadMiscProcs.h"

TEST(MiscProcs, ClampSwapMinPoint) {
  EXPECT_EQ(MinMax(5, 1, 3), 3);
  EXPECT_EQ(MinMax(-5, 1, 3), 1);
  EXPECT_EQ(MinMax(5, 7, 3), 7);  // limited to max, then raised to min
  int a = 1, b = 2;
  SwapInt(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(MinPoint({5, 1}, {1, 2}), (TSynPoint{5, 1}));
  EXPECT_EQ(MinPoint({5, 2}, {1, 2}), (TSynPoint{1, 2}));
}

TEST(MiscProcs, TabExpansionVariants) {
  bool tabs = false;
  EXPECT_EQ(ConvertTabs2nEx(u"a\tb", 4, tabs), u"a\t\t\tb");
  EXPECT_TRUE(tabs);
  EXPECT_EQ(ConvertTabsEx(u"a\tb", 3, tabs), u"a\t\tb");
  EXPECT_EQ(ConvertTabsEx(u"abc\t", 3, tabs), u"abc\t\t\t");
  EXPECT_EQ(ConvertTabs1Ex(u"\ta\t", 1, tabs), u" a ");
  EXPECT_EQ(ConvertTabs2nEx(u"none", 4, tabs), u"none");
  EXPECT_FALSE(tabs);
  EXPECT_EQ(SelectConvertTabsProcEx(0), &ConvertTabs1Ex);
  EXPECT_EQ(SelectConvertTabsProcEx(8), &ConvertTabs2nEx);
  EXPECT_EQ(SelectConvertTabsProcEx(6), &ConvertTabsEx);
  EXPECT_EQ(SelectConvertTabsProc(2), &ConvertTabs2n);
  EXPECT_TRUE(IsPowerOfTwo(65536));
  EXPECT_FALSE(IsPowerOfTwo(131072));
  EXPECT_FALSE(IsPowerOfTwo(1));
  EXPECT_FALSE(IsPowerOfTwo(12));
  // Every variant agrees with the general length rule.
  for (int w = 1; w <= 9; ++w) {
    const std::u16string line = u"\tab\t\tcdefg\th\t";
    EXPECT_EQ(static_cast<int>(SelectConvertTabsProc(w)(line, w).size()), GetExpandedLength(line, w)) << w;
  }
  int before = -1;
  EXPECT_TRUE(GetHasTabs(u"ab\tc", before));
  EXPECT_EQ(before, 2);
  EXPECT_FALSE(GetHasTabs(u"", before));
  EXPECT_EQ(before, 0);
}

TEST(MiscProcs, CharIndexToCaretPos) {
  EXPECT_EQ(CharIndex2CaretPos(3, 4, u"\tx"), 6);
  EXPECT_EQ(CharIndex2CaretPos(1, 4, u"\tx"), 1);
  EXPECT_EQ(CharIndex2CaretPos(0, 4, u"\tx"), 1);
  EXPECT_EQ(CharIndex2CaretPos(3, 4, u"ab\t"), 3);  // not past the first tab
  EXPECT_EQ(CharIndex2CaretPos(4, 4, u"ab\t"), 5);
  EXPECT_EQ(CharIndex2CaretPos(7, 4, u"ab\t"), 8);  // beyond the end: one column each
  EXPECT_EQ(CharIndex2CaretPos(5, 1, u"\t\t\t"), 5);
  EXPECT_EQ(CharIndex2CaretPos(5, 8, u"abcd"), 5);
}

TEST(MiscProcs, ScansAndEol) {
  auto isBlank = [](char16_t c) { return c == u' '; };
  EXPECT_EQ(StrScanForCharInSet(u"ab cd e", 1, isBlank), 3);
  EXPECT_EQ(StrScanForCharInSet(u"ab cd e", 4, isBlank), 6);
  EXPECT_EQ(StrScanForCharInSet(u"ab cd e", 7, isBlank), 0);
  EXPECT_EQ(StrScanForCharInSet(u"ab", 0, isBlank), 0);
  EXPECT_EQ(StrScanForCharInSet(u"ab", 3, isBlank), 0);
  EXPECT_EQ(StrRScanForCharInSet(u"ab cd e", 5, isBlank), 3);
  EXPECT_EQ(StrRScanForCharInSet(u"ab cd e", 2, isBlank), 0);
  EXPECT_EQ(GetEOL(u"abc\r\n"), 3);
  EXPECT_EQ(GetEOL(u"abc"), 3);
  EXPECT_EQ(GetEOL(std::u16string(u"a\0b", 3)), 1);
}

namespace {

class TSynCppSyn : public TSynCustomHighlighter {
 public:
  TSynCppSyn() {
    AddAttribute("Comment", u"Comment");
    AddAttribute("Space", u"Space");
  }
  std::string ClassName() const override { return "TSynCppSyn"; }
  TSynHighlighterAttributes* GetDefaultAttribute(int) const override { return nullptr; }
  bool GetEol() const override { return true; }
  TSynHighlighterAttributes* GetTokenAttribute() const override { return nullptr; }
  int GetTokenKind() const override { return 0; }
};

class TSynMultiSyn : public TSynCustomHighlighter, public ISynMultiHighlighterEnum {
 public:
  TSynMultiSyn() { AddAttribute("Marker", u"Marker"); }
  std::string ClassName() const override { return "TSynMultiSyn"; }
  TSynHighlighterAttributes* GetDefaultAttribute(int) const override { return nullptr; }
  bool GetEol() const override { return true; }
  TSynHighlighterAttributes* GetTokenAttribute() const override { return nullptr; }
  int GetTokenKind() const override { return 0; }
  TSynCustomHighlighter* EnumDefaultHighlighter() const override { return def; }
  int EnumSchemeCount() const override { return static_cast<int>(schemes.size()); }
  TSynHighlighterAttributes* EnumSchemeMarkerAttri(int) const override { return GetAttribute(0); }
  TSynCustomHighlighter* EnumSchemeHighlighter(int i) const override { return schemes[i]; }
  TSynCustomHighlighter* def = nullptr;
  std::vector<TSynCustomHighlighter*> schemes;
};

}  // namespace

TEST(MiscProcs, EnumHighlighterAttributesUniqueNames) {
  EXPECT_EQ(HighlighterClassNameBase("TSynCppSyn"), "Cpp");
  EXPECT_EQ(HighlighterClassNameBase("tsynxmlSYN"), "xml");
  EXPECT_EQ(HighlighterClassNameBase("TFoo"), "Foo");
  EXPECT_EQ(HighlighterClassNameBase("Bar"), "Bar");
  TSynCppSyn a, b;
  TSynMultiSyn multi;
  multi.def = &a;
  multi.schemes = {&b, &a};
  std::vector<std::string> names;
  auto collect = [&](TSynCustomHighlighter*, TSynHighlighterAttributes*, const std::string& n, void*) {
    names.push_back(n);
    return true;
  };
  EXPECT_TRUE(EnumHighlighterAttributes(&multi, true, collect, nullptr));
  EXPECT_EQ(names, (std::vector<std::string>{"Cpp1.Comment", "Cpp1.Space", "Multi1.Marker0", "Cpp2.Comment",
                                             "Cpp2.Space", "Multi1.Marker1"}));
  names.clear();
  EXPECT_TRUE(EnumHighlighterAttributes(&multi, false, collect, nullptr));
  EXPECT_EQ(names.size(), 8u);
  EXPECT_EQ(names.back(), "Cpp1.Space");
  int calls = 0;
  EXPECT_FALSE(EnumHighlighterAttributes(
      &multi, true, [&](auto*, auto*, const std::string&, void*) { return ++calls < 3; }, nullptr));
  EXPECT_EQ(calls, 3);
}

TEST(MiscProcs, GradientBands) {
  auto bands = SynGradientBands(0x000000, 0x0000FF, 1, 0, 0, 10, 4, true);
  ASSERT_EQ(bands.size(), 2u);  // steps raised to 2
  EXPECT_EQ(bands[0].Right, 5);
  EXPECT_EQ(bands[0].Color, 0x000000u);
  EXPECT_EQ(bands[1].Color, 0x0000FFu);
  bands = SynGradientBands(0x00FF00, 0x000000, 1000, 0, 0, 2, 300, false);
  ASSERT_EQ(bands.size(), 256u);
  EXPECT_EQ(bands[0].Top, 0);
  EXPECT_EQ(bands[255].Bottom, 300);
  EXPECT_EQ(bands[1].Top, 1);  // 1 * 300 / 256
  EXPECT_EQ(bands[128].Color, platform::RGB(0, 255 + 128 * -255 / 255, 0));
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].Top, bands[i - 1].Bottom);
  EXPECT_TRUE(SynGradientBands(0, 0, 10, 5, 5, 5, 9, true).empty());
}

TEST(MiscProcs, CellRule) {
  EXPECT_EQ(SynCellsOfWidth(0, 8), 1);  // zero-width
  EXPECT_EQ(SynCellsOfWidth(8, 8), 1);
  EXPECT_EQ(SynCellsOfWidth(9, 8), 2);   // just over one cell
  EXPECT_EQ(SynCellsOfWidth(12, 8), 2);  // 1.5 cells: ceiling, not round-half-even
  EXPECT_EQ(SynCellsOfWidth(16, 8), 2);
  EXPECT_EQ(SynCellsOfWidth(17, 8), 3);
  EXPECT_EQ(SynCellsOfWidth(5, 0), 1);
}

// Positions from 1 on "a😀b": 1 and 2 stand before a and the pair, 3 between its halves, 4 and 5
// before b and at the end. A lone half is a character of its own; positions outside the line pass.
TEST(MiscProcs, WholeCharacters) {
  const std::u16string_view s = u"a\U0001F600b";
  const struct {
    int Char;
    bool Splits;
    int Back, Forward;
  } positions[] = {{0, false, 0, 0}, {1, false, 1, 1}, {2, false, 2, 2}, {3, true, 2, 4},
                   {4, false, 4, 4}, {5, false, 5, 5}, {9, false, 9, 9}};
  for (const auto& p : positions) {
    EXPECT_EQ(SplitsSurrogatePair(s, p.Char), p.Splits) << p.Char;
    EXPECT_EQ(SnapToCharBoundary(s, p.Char, TSynCharSnap::Backward), p.Back) << p.Char;
    EXPECT_EQ(SnapToCharBoundary(s, p.Char, TSynCharSnap::Forward), p.Forward) << p.Char;
  }
  EXPECT_TRUE(SplitsSurrogatePair(u"\U0001F600", 2));  // a pair that is the whole line
  for (const std::u16string_view lone : {u"\xD83D"
                                         u"a",
                                         u"\xDE00"
                                         u"a",
                                         u"a\xD83D", u"\xDE00\xD83D"})
    for (int c = 1; c <= 3; ++c) EXPECT_FALSE(SplitsSurrogatePair(lone, c)) << c;
  // Ranges widen outward; an empty one inside the pair stays empty, before it.
  const struct {
    int From, To, WideFrom, WideTo;
  } ranges[] = {{1, 3, 1, 4}, {3, 4, 2, 4}, {3, 3, 2, 2}, {2, 4, 2, 4}, {4, 5, 4, 5}};
  for (const auto& r : ranges) {
    int from = r.From, to = r.To;
    WidenToWholeCharacters(s, from, to);
    EXPECT_EQ(std::pair(from, to), std::pair(r.WideFrom, r.WideTo)) << r.From << ".." << r.To;
  }
  EXPECT_EQ(CharsForward(s, 1, 2), 4);
  EXPECT_EQ(CharsForward(s, 2, 9), 5);
  EXPECT_EQ(CharacterCount(s), 3);
  EXPECT_EQ(CharacterCount(u"\xDE00\xD83D"), 2);
}
