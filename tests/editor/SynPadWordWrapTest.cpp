#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynPadWordWrap.h"

namespace {

// The editor side of word wrap, over a real line buffer: wide glyphs are the CJK block (2 cells) and
// U+FF01..U+FF5E (3 cells, to exercise more than one filler).
class TestHost : public ISynWordWrapHost {
 public:
  TSynPadStringList lines;
  int cols = 20;
  std::uint32_t version = 0;
  int wideCells = 2;
  int WrapCharsInWindow() const override { return cols; }
  bool WrapIsWordBreakChar(char16_t c) const override { return IsSynWordBreakChar(c); }
  int WrapLineCount() const override { return lines.Count(); }
  std::u16string WrapExpandedLine(int i) const override {
    return const_cast<TSynPadStringList&>(lines).ExpandedStrings(i);
  }
  int WrapTabWidth() const override { return lines.TabWidth(); }
  int WrapCharCells(char16_t c) const override {
    if (c >= 0x4E00 && c <= 0x9FFF) return wideCells;
    if (c >= 0xFF01 && c <= 0xFF5E) return 3;
    return 1;
  }
  std::uint32_t WrapCellsVersion() const override { return version; }
};

std::vector<int> Rows(const TSynWordWrapPlugin& w, int line) {
  std::vector<int> out;
  const int first = w.LineRowStart(line);
  for (int r = first; r < first + w.LineRowCount(line); ++r) out.push_back(w.GetRowLength(r));
  return out;
}

std::vector<int> AllRows(const TSynWordWrapPlugin& w) {
  std::vector<int> out;
  for (int r = 1; r <= w.RowCount(); ++r) out.push_back(w.GetRowLength(r));
  return out;
}

}  // namespace

TEST(WordWrap, BreaksAfterWordsAndCutsLongWords) {
  TestHost host;
  host.lines.Add(u"alpha beta gamma delta epsilon");
  host.lines.Add(std::u16string(50, u'x'));
  host.lines.Add(u"");
  host.lines.Add(std::u16string(20, u'y'));
  host.lines.Add(std::u16string(18, u'z') + u"      w");
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(w.MaxRowLength(), 20);
  EXPECT_EQ(w.MinRowLength(), 14);
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{17, 13}));
  EXPECT_EQ(Rows(w, 2), (std::vector<int>{20, 20, 10}));
  EXPECT_EQ(Rows(w, 3), (std::vector<int>{0}));
  EXPECT_EQ(Rows(w, 4), (std::vector<int>{20}));
  EXPECT_EQ(Rows(w, 5), (std::vector<int>{24, 1}));  // the blanks hang past the width
  EXPECT_EQ(w.RowCount(), 9);
  try {
    w.GetRowLength(10);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (10)");
  }
  EXPECT_THROW(w.GetRowLength(0), EListError);
}

TEST(WordWrap, OwnerRequiredAndZeroColumns) {
  try {
    TSynWordWrapPlugin w(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TSynWordWrapPlugin must be owned by TCustomSynPad");
  }
  TestHost host;
  host.lines.Add(u"abc");
  host.cols = 0;
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(w.RowCount(), 0);
  EXPECT_EQ(w.LinesInserted(0, 1), 0);
  host.cols = -1;
  EXPECT_THROW(w.Reset(), EAssertionFailed);
  host.cols = 3;
  w.DisplayChanged();
  EXPECT_EQ(w.MinRowLength(), 2);
  EXPECT_EQ(w.RowCount(), 1);
  host.cols = 1;
  w.Reset();
  EXPECT_EQ(w.MinRowLength(), 1);
  EXPECT_EQ(w.RowCount(), 3);
  EXPECT_THROW(w.BufferToDisplayPos({0, 1}), EAssertionFailed);
  EXPECT_THROW(w.DisplayToBufferPos({1, 0}), EAssertionFailed);
}

TEST(WordWrap, WideWidthsAndTabs) {
  TestHost host;
  host.cols = 300;  // more than a row can hold
  host.lines.Add(std::u16string(600, u'q'));
  host.lines.SetTabWidth(4);
  host.lines.Add(std::u16string(252, u'a') + u"\t\t\tb");
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(w.MaxRowLength(), 255);
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{255, 255, 90}));
  // Line 2 expands to 252 a, 12 tab cells, b (265): the tab run is cut at 255 and stepped back by at
  // most 255 mod 4 = 3 tab cells.
  EXPECT_EQ(Rows(w, 2), (std::vector<int>{252, 13}));
  for (int r : AllRows(w)) EXPECT_LE(r, 255);
}

TEST(WordWrap, WideGlyphsStayWithTheirFillers) {
  TestHost host;
  host.cols = 5;
  // x x x x, then a 2-cell glyph: 4 + filler would end a row between the filler and its glyph.
  host.lines.Add(u"xxxx\u4E00yy");
  host.lines.Add(u"\uFF01\uFF01");  // 3-cell glyphs: rows 3 and 3
  host.cols = 2;
  host.lines.Add(u"\uFF01");  // a glyph wider than the row is kept whole
  host.cols = 5;
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{4, 4}));
  EXPECT_EQ(Rows(w, 2), (std::vector<int>{3, 3}));
  host.cols = 2;
  w.DisplayChanged();
  EXPECT_EQ(Rows(w, 3), (std::vector<int>{3}));
  EXPECT_EQ(ExpandAtWideGlyphs(u"a\u4E00", [&](char16_t c) { return host.WrapCharCells(c); }), u"a\uE000\u4E00");
}

TEST(WordWrap, PositionConversions) {
  TestHost host;
  host.lines.Add(u"alpha beta gamma delta epsilon");
  host.lines.Add(u"");
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(w.BufferToDisplayPos({1, 1}), (TDisplayCoord{1, 1}));
  EXPECT_EQ(w.BufferToDisplayPos({17, 1}), (TDisplayCoord{17, 1}));
  EXPECT_EQ(w.BufferToDisplayPos({18, 1}), (TDisplayCoord{1, 2}));
  EXPECT_EQ(w.BufferToDisplayPos({31, 1}), (TDisplayCoord{14, 2}));  // after the end
  EXPECT_EQ(w.BufferToDisplayPos({35, 1}), (TDisplayCoord{18, 2}));
  EXPECT_EQ(w.BufferToDisplayPos({1, 2}), (TDisplayCoord{1, 3}));
  EXPECT_EQ(w.BufferToDisplayPos({4, 5}), (TDisplayCoord{4, 6}));  // beyond the text
  EXPECT_EQ(w.DisplayToBufferPos({1, 2}), (TBufferCoord{18, 1}));
  EXPECT_EQ(w.DisplayToBufferPos({30, 1}), (TBufferCoord{18, 1}));  // inner row: one past its text
  EXPECT_EQ(w.DisplayToBufferPos({30, 2}), (TBufferCoord{38, 1}));  // last row: up to max + 1
  EXPECT_EQ(w.DisplayToBufferPos({5, 3}), (TBufferCoord{5, 2}));
  EXPECT_EQ(w.DisplayToBufferPos({5, 7}), (TBufferCoord{5, 6}));
}

// Random lines (tabs, wide glyphs, long words, 300-character runs): every line wraps by the rules,
// conversions agree both ways, and incremental insert/delete/put give the rows of a full rewrap.
TEST(WordWrapProperty, RulesConversionsAndIncrementalUpdates) {
  std::mt19937 rng(7);
  auto randomLine = [&]() {
    std::u16string s;
    const int kind = rng() % 8;
    if (kind == 0) return std::u16string(300, char16_t(u'a' + rng() % 26));
    if (kind == 1) {
      // A run of characters beyond U+FFFF after a letter or two: rows cut it anywhere.
      s.assign(rng() % 3, u'b');
      for (int i = 0; i < 150; ++i) s += u"\U0001F600";
      return s;
    }
    const int n = rng() % 90;
    for (int i = 0; i < n; ++i) {
      const int r = rng() % 20;
      if (r == 0)
        s.push_back(u'\t');
      else if (r <= 3)
        s.push_back(u' ');
      else if (r == 4)
        s.push_back(char16_t(0x4E00 + rng() % 100));
      else if (r == 5)
        s.push_back(char16_t(0xFF01 + rng() % 10));
      else if (r == 6)
        s.push_back(u'.');
      else if (r == 7)
        s += {char16_t(0xD83D), char16_t(0xDE00 + rng() % 64)};  // beyond U+FFFF: a pair, one cell each
      else
        s.push_back(char16_t(u'a' + rng() % 26));
    }
    return s;
  };
  for (int round = 0; round < 12; ++round) {
    TestHost host;
    host.cols = 1 + rng() % 120;
    host.lines.SetTabWidth(1 + rng() % 8);
    for (int i = 0, n = 1 + rng() % 30; i < n; ++i) host.lines.Add(randomLine());
    TSynWordWrapPlugin w(&host);
    for (int step = 0; step < 60; ++step) {
      const int n = host.lines.Count();
      const int op = rng() % 3;
      int delta = 0;
      if (op == 0) {
        const int at = rng() % (n + 1), k = 1 + rng() % 4;
        host.lines.InsertLines(at, k);
        for (int i = 0; i < k; ++i) host.lines.Put(at + i, randomLine());
        delta = w.LinesInserted(at, k);
      } else if (op == 1 && n > 1) {
        const int at = rng() % n, k = 1 + rng() % std::min(3, n - at);
        const int before = w.RowCount();
        host.lines.DeleteLines(at, k);
        delta = w.LinesDeleted(at, k);
        ASSERT_LE(delta, 0);
        ASSERT_EQ(w.RowCount(), before + delta);
        continue;
      } else if (n > 0) {
        const int at = rng() % n;
        host.lines.Put(at, randomLine());
        delta = w.LinesPutted(at, 1);
      }
      (void)delta;
      TSynWordWrapPlugin full(&host);
      ASSERT_EQ(AllRows(w), AllRows(full)) << round << "/" << step;
      ASSERT_EQ(w.LineCount(), host.lines.Count());
    }
    // Rules and conversions on the final text.
    const int maxR = w.MaxRowLength();
    for (int line = 1; line <= host.lines.Count(); ++line) {
      std::u16string text = host.lines.ExpandedStrings(line - 1);
      text = ExpandAtWideGlyphs(text, [&](char16_t c) { return host.WrapCharCells(c); });
      const std::vector<int> rows = Rows(w, line);
      ASSERT_EQ(std::accumulate(rows.begin(), rows.end(), 0), static_cast<int>(text.size()));
      int pos = 0;
      for (size_t r = 0; r < rows.size(); ++r) {
        const int len = rows[r];
        ASSERT_LE(len, 255);
        if (!text.empty()) {
          ASSERT_GT(len, 0);
        }
        const int end = pos + len;
        if (len > maxR) {
          // Only trailing blanks/tabs or one whole character (a glyph with its fillers, a pair) may
          // hang over.
          bool allBlankAfter = true;
          for (int i = pos + maxR; i < end; ++i)
            if (text[i] != u' ' && text[i] != u'\t') allBlankAfter = false;
          bool glyph = true;
          const int last = end - 2 >= pos && SplitsSurrogatePair(text, end) ? end - 2 : end - 1;
          for (int i = pos; i < last; ++i)
            if (text[i] != SynWrapFiller) glyph = false;
          ASSERT_TRUE(allBlankAfter || glyph) << line << " row " << r;
        }
        if (r + 1 < rows.size()) {
          ASSERT_NE(text[end - 1], SynWrapFiller) << "glyph split from its fillers";
          ASSERT_FALSE(SplitsSurrogatePair(text, end + 1))
              << "a pair split between rows, line " << line << " row " << r;
        }
        pos = end;
      }
      // Buffer -> display -> buffer for every position of the line and one beyond.
      for (int ch = 1; ch <= static_cast<int>(text.size()) + 2; ++ch) {
        const TDisplayCoord d = w.BufferToDisplayPos({ch, line});
        ASSERT_GE(d.Column, 1);
        ASSERT_GE(d.Row, w.LineRowStart(line));
        ASSERT_LT(d.Row, w.LineRowStart(line) + w.LineRowCount(line));
        const TBufferCoord b = w.DisplayToBufferPos(d);
        if (ch <= static_cast<int>(text.size()) + 1 || d.Column <= std::max(maxR, rows.back()) + 1) {
          ASSERT_EQ(b, (TBufferCoord{ch, line})) << "line " << line << " ch " << ch;
        }
      }
    }
  }
}

TEST(WordWrap, RewrapsWhenCellsChange) {
  TestHost host;
  host.cols = 10;
  host.lines.Add(u"\u4E00\u4E00\u4E00\u4E00\u4E00\u4E00");  // 12 cells
  TSynWordWrapPlugin w(&host);
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{10, 2}));
  // The font changes so that the glyphs take one cell: same column count, new measurement.
  host.wideCells = 1;
  w.DisplayChanged();
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{10, 2}));  // nothing told it the cells changed
  host.version = 1;
  w.DisplayChanged();
  EXPECT_EQ(Rows(w, 1), (std::vector<int>{6}));
}
