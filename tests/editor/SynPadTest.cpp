// The editor control on a recording window with fixed 8 x 16 cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <random>

#include "SynPadChecks.h"
#include "SynPadFixtures.h"
#include "SynPadRecordingHost.h"
#include "editor/SynPad.h"

namespace {

TEST(SynPad, DefaultsAndClamps) {
  Pad p;
  TSynPad& e = p.ed;
  EXPECT_EQ(e.Options(), 0x026C0192u);
  EXPECT_EQ(e.TabWidth(), 8);
  EXPECT_EQ(e.MaxScrollWidth(), 1024);
  EXPECT_EQ(e.RightEdge(), 80);
  EXPECT_EQ(e.RightEdgeColor(), 0xC0C0C0u);
  EXPECT_EQ(e.ActiveLineColor(), 0x1FFFFFFFu);
  EXPECT_EQ(e.InsertCaret(), ctVerticalLine);
  EXPECT_EQ(e.OverwriteCaret(), ctBlock);
  EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(e.TopLine(), 1);
  EXPECT_EQ(e.LeftChar(), 1);
  EXPECT_EQ(e.MaxUndo(), 1024);
  EXPECT_EQ(e.GutterWidth(), 30);
  EXPECT_EQ(e.CharWidth(), 8);
  EXPECT_EQ(e.LineHeight(), 16);
  const std::pair<int, int> tabs[] = {{0, 1}, {1000, 256}, {-5, 1}, {3, 3}};
  for (auto [in, out] : tabs) {
    e.SetTabWidth(in);
    EXPECT_EQ(e.TabWidth(), out) << in;
  }
  e.SetMaxScrollWidth(0);
  EXPECT_EQ(e.MaxScrollWidth(), 1);
  e.SetMaxScrollWidth(INT_MAX);
  EXPECT_EQ(e.MaxScrollWidth(), 2147483646);
}

TEST(SynPad, CaretClampsToTheText) {
  Pad p(u"a\nbb\n0123456789");
  TSynPad& e = p.ed;
  struct Case {
    bool pastEol;
    TBufferCoord in, out;
  } cases[] = {
      {false, {500, 3}, {11, 3}}, {true, {500, 3}, {500, 3}}, {true, {5000, 3}, {1025, 3}},
      {false, {1, 99}, {1, 3}},   {false, {4, 0}, {1, 1}},    {false, {-7, 2}, {1, 2}},
  };
  for (const Case& c : cases) {
    e.SetOptions(c.pastEol ? (e.Options() | SynOpt(eoScrollPastEol)) : (e.Options() & ~SynOpt(eoScrollPastEol)));
    e.SetCaretXY(c.in);
    EXPECT_EQ(e.GetCaretXY(), c.out) << c.in.Char << "," << c.in.Line;
  }
  // Both options leave the caret free of MaxScrollWidth, but never unbounded: a stored column of
  // two thousand million stays a cheap, finite position.
  e.SetOptions(e.Options() | SynOpt(eoScrollPastEol) | SynOpt(eoAutoSizeMaxScrollWidth));
  e.SetCaretXY(TBufferCoord{2147483000, 2});
  EXPECT_EQ(e.CaretX(), 1 << 20);
  EXPECT_EQ(e.BufferToDisplayPos(TBufferCoord{2147483000, 2}).Column, 2147483000);
  EXPECT_GT(e.LeftChar(), 1);
  int x = 0, y = 0;
  e.RowColumnToPixels(e.GetDisplayXY(), x, y);
  EXPECT_GE(x, 0);
  // A column selection whose ends share a Char selects nothing.
  e.SetSelectionMode(smColumn);
  e.SetBlockBegin(TBufferCoord{5, 1});
  e.SetBlockEnd(TBufferCoord{5, 3});
  EXPECT_FALSE(e.SelAvail());
  EXPECT_FALSE(e.IsPointInSelection(TBufferCoord{5, 2}));
}

TEST(SynPad, StatusChangesAreBatchedUnderTheLock) {
  Pad p(u"hello\nworld");
  TSynPad& e = p.ed;
  std::vector<TSynStatusChanges> calls;
  e.OnStatusChange = [&](TCustomSynPad*, TSynStatusChanges c) { calls.push_back(c); };
  e.BeginUpdate();
  e.SetCaretXY(TBufferCoord{3, 2});
  e.SetBlockBegin(TBufferCoord{1, 1});
  e.SetBlockEnd(TBufferCoord{3, 2});
  e.SetInsertMode(false);
  EXPECT_TRUE(calls.empty());
  e.EndUpdate();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], SynSC(scCaretX) | SynSC(scCaretY) | SynSC(scSelection) | SynSC(scInsertMode));
  try {
    e.EndUpdate();
    FAIL() << "EndUpdate without BeginUpdate";
  } catch (const Exception& ex) {
    EXPECT_NE(std::string(ex.what()).find("Assertion failure"), std::string::npos);
  }
  // Special characters repaint without touching the scroll bars.
  p.host.Invalidated.clear();
  const int bars = p.host.ScrollBarCalls;
  e.SetOptions(e.Options() | SynOpt(eoShowSpecialChars));
  EXPECT_EQ(p.host.ScrollBarCalls, bars);
  EXPECT_FALSE(p.host.Invalidated.empty());
}

TEST(SynPad, ConversionEdgeCases) {
  Pad p(u"\tab\n\u4E2Dx\nab\ncd");
  TSynPad& e = p.ed;
  EXPECT_EQ(e.BufferToDisplayPos(TBufferCoord{2, 1}), (TDisplayCoord{9, 1}));
  for (int col = 1; col <= 8; ++col) EXPECT_EQ(e.DisplayToBufferPos(TDisplayCoord{col, 1}).Char, 1) << col;
  EXPECT_EQ(e.DisplayToBufferPos(TDisplayCoord{9, 1}).Char, 2);
  EXPECT_EQ(e.BufferToDisplayPos(TBufferCoord{2, 2}).Column, 3);  // after the wide glyph
  EXPECT_EQ(e.DisplayToBufferPos(TDisplayCoord{2, 2}).Char, 1);
  EXPECT_EQ(e.BufferToDisplayPos(TBufferCoord{5, 3}).Column, 5);
  EXPECT_EQ(e.DisplayToBufferPos(TDisplayCoord{7, 3}).Char, 7);  // past the end: one column each
  EXPECT_EQ(e.RowColToCharIndex(TBufferCoord{1, 4}), 13);
  const std::pair<int, TBufferCoord> idx[] = {{9, {1, 3}},  {11, {3, 3}}, {12, {4, 3}},
                                              {13, {1, 4}}, {16, {4, 4}}, {17, {1, 5}}};
  for (auto [i, rc] : idx) EXPECT_EQ(e.CharIndexToRowCol(i), rc) << i;
  // Gutter 30, cells 8: nearest rounds half to even, the plain hit test truncates.
  for (int x = 32; x <= 44; ++x) {
    const int nearest = x <= 36 ? 1 : x <= 43 ? 2 : 3;
    EXPECT_EQ(e.PixelsToNearestRowColumn(x, 0).Column, nearest) << x;
  }
  for (int x = 32; x <= 47; ++x) EXPECT_EQ(e.PixelsToRowColumn(x, 0).Column, x < 40 ? 1 : 2) << x;
  // Selection as character indexes; SetSelStart past the end lands in column 1 of the last line.
  EXPECT_EQ(e.GetSelStart(), 0);
  e.SetSelStart(1000);
  EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{1, 4}));
  EXPECT_EQ(e.GetSelStart(), e.GetSelEnd());
}

TEST(SynPad, ConversionsRoundTripOnRandomLines) {
  std::mt19937 rng(7);
  const char16_t alphabet[] = {u'a', u'b', u' ', u'\t', 0x4E2D, 0xAC00, 0xD83D, 0xDE00, 0x0301, u'z', 0x0007};
  for (int round = 0; round < 30; ++round) {
    Pad p(SynRandomText(rng, alphabet, 6, 40), 30 + 2 + 8 * 13);
    p.ed.SetTabWidth(2 + static_cast<int>(rng() % 7));
    for (bool wrap : {false, true}) {
      p.ed.SetWordWrap(wrap);
      EXPECT_EQ(SynCheckRoundTrips(p.ed), "") << "round " << round;
    }
  }
}

TEST(SynPad, LongLineCaretAndConversionsStayCheap) {
  std::u16string line(100000, u'x');
  for (size_t i = 0; i < line.size(); i += 7) line[i] = u'\t';
  Pad p(line);
  TSynPad& e = p.ed;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    e.SetCaretXY(TBufferCoord{100001 - i, 1});
    const TDisplayCoord d = e.BufferToDisplayPos(e.GetCaretXY());
    ASSERT_EQ(e.DisplayToBufferPos(d), e.GetCaretXY());
  }
  const double perCall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 20;
  // A walk of the line per call is expected (tens of milliseconds in a sanitizer build on a busy
  // machine); this only catches work that grows faster than the line. The benchmark holds the
  // real figure.
  EXPECT_LT(perCall, 0.5);
}

TEST(SynPad, PaintsSpecialCharactersOnTheGrid) {
  Pad p(u"a\tb c");
  TSynPad& e = p.ed;
  e.SetTabWidth(4);
  e.SetOptions(e.Options() | SynOpt(eoShowSpecialChars));
  TSynRecordingCanvas c = p.Paint();
  EXPECT_EQ(p.At(c, 1, 1), u'a');
  EXPECT_EQ(p.At(c, 3, 1), SynTabGlyph);
  EXPECT_EQ(p.At(c, 5, 1), u'b');
  EXPECT_EQ(p.At(c, 6, 1), SynSpaceGlyph);
  EXPECT_EQ(p.At(c, 8, 1), SynLineBreakGlyph);
  // A four-cell tab's mark is centred on the boundary of its second and third cells.
  Pad q(u"\tx");
  q.ed.SetTabWidth(4);
  q.ed.SetOptions(q.ed.Options() | SynOpt(eoShowSpecialChars));
  TSynRecordingCanvas c2 = q.Paint();
  const int x2 = q.ed.TextOffset() + 8;  // left edge of the second cell
  const std::pair<int, char16_t> probes[] = {
      {x2 + 3, u' '}, {x2 + 4, SynTabGlyph}, {x2 + 11, SynTabGlyph}, {x2 + 12, u' '}};
  for (auto [x, ch] : probes) EXPECT_EQ(c2.CharAt(x, 1), ch) << x;
  // Under word wrap, with and without a highlighter, on rows that do not begin at a tab stop: every
  // character stays visible in its cell, and each tab gets one mark in the middle of its own cells.
  struct WrapCase {
    const char16_t* text;
    int tabWidth, columns;
  } wrapped[] = {
      {u"abcde\tXYZ", 4, 10},
      {u"ab cdefg\t\tXY\tZ", 4, 10},
      {u"a\tbb ccc\tddd\t\te", 3, 7},
      {u"wordy\t\u4E2Dx\tq", 5, 9},
  };
  TWordSyn hl;
  for (const WrapCase& k : wrapped) {
    for (bool highlighted : {false, true}) {
      Pad w(u"", 30 + 2 + 8 * k.columns, 200);
      TSynPad& e = w.ed;
      e.SetHighlighter(highlighted ? &hl : nullptr);
      e.SetTabWidth(k.tabWidth);
      e.SetOptions(e.Options() | SynOpt(eoShowSpecialChars));
      e.SetText(k.text);
      e.SetWordWrap(true);
      TSynRecordingCanvas c = w.Paint();
      const std::u16string_view line = e.LineText(1);
      int tabs = 0;
      for (int ch = 1; ch <= static_cast<int>(line.size()); ++ch) {
        const TDisplayCoord d = e.BufferToDisplayPos(TBufferCoord{ch, 1});
        const char16_t at = line[static_cast<size_t>(ch - 1)];
        if (at != u'\t') {
          EXPECT_EQ(w.At(c, d.Column, d.Row), at == u' ' ? SynSpaceGlyph : at)
              << "char " << ch << " highlighted " << highlighted;
          continue;
        }
        // Blanks that hang past the last column of a wrapped row are not painted.
        if (d.Column > e.CharsInWindow()) continue;
        ++tabs;
        // The tab's cells run from its own column to the next stop, on its row.
        const TDisplayCoord next = e.BufferToDisplayPos(TBufferCoord{ch + 1, 1});
        const int cells = next.Row == d.Row ? next.Column - d.Column : e.CharsInWindow() + 1 - d.Column;
        int x = 0, y = 0;
        e.RowColumnToPixels(d, x, y);
        const int mid = x + cells * 8 / 2;
        EXPECT_EQ(c.CharAt(mid, y + 1), SynTabGlyph) << "tab " << ch << " highlighted " << highlighted;
      }
      int marks = 0;
      for (const auto& call : c.CallsOf("text"))
        marks += static_cast<int>(std::count(call.text.begin(), call.text.end(), SynTabGlyph));
      EXPECT_EQ(marks, tabs) << "highlighted " << highlighted;
      e.SetHighlighter(nullptr);
    }
  }
}

TEST(SynPad, EmptyBufferAndActiveLine) {
  Pad p(u"", 200, 100);
  TSynPad& e = p.ed;
  e.SetOptions(e.Options() | SynOpt(eoShowSpecialChars));
  e.SetActiveLineColor(0x00FFFF);
  e.SetColor(0x112233);
  TSynRecordingCanvas c = p.Paint();
  EXPECT_EQ(p.At(c, 1, 1), SynLineBreakGlyph);
  EXPECT_EQ(c.BackAt(40, 8), 0x00FFFFu);   // the caret's row
  EXPECT_EQ(c.BackAt(150, 8), 0x00FFFFu);  // ... to the end of the row
  EXPECT_EQ(c.BackAt(40, 40), 0x112233u);  // below the text never
  EXPECT_EQ(c.BackAt(31, 8), 0x112233u);   // nor the strip beside the gutter
}

TEST(SynPad, SelectionModesPaintTheirCells) {
  Pad p(u"abcdef\nabcdef\nabcdef");
  TSynPad& e = p.ed;
  e.SelectedColor().SetBackground(0x0000FF);
  auto selected = [&](TSynRecordingCanvas& c, int col, int row) {
    int x = 0, y = 0;
    e.RowColumnToPixels(TDisplayCoord{col, row}, x, y);
    return c.BackAt(x + 1, y + 1) == 0x0000FF;
  };
  struct Case {
    TSynSelectionMode mode;
    const char* rows[3];  // per row, '#' selected columns 1..8
  } cases[] = {
      {smNormal, {"--######", "########", "###-----"}},
      {smColumn, {"--#-----", "--#-----", "--#-----"}},
      {smLine, {"########", "########", "########"}},
  };
  for (const Case& k : cases) {
    e.SetSelectionMode(k.mode);
    e.SetBlockBegin(TBufferCoord{3, 1});
    e.SetBlockEnd(TBufferCoord{4, 3});
    TSynRecordingCanvas c = p.Paint();
    for (int row = 1; row <= 3; ++row)
      for (int col = 1; col <= 8; ++col)
        EXPECT_EQ(selected(c, col, row), k.rows[row - 1][col - 1] == '#') << int(k.mode) << " " << col << "," << row;
  }
  // A line selection under word wrap takes every row of its lines, whatever rows its ends are on.
  e.SetText(u"aaa bbb ccc\nddd eee fff\nggg");
  e.SetWordWrap(true);
  p.host.Width = 30 + 2 + 8 * 4;
  e.Resize();
  ASSERT_EQ(e.DisplayRowCount(), 7);
  e.SetSelectionMode(smLine);
  e.SetBlockBegin(TBufferCoord{6, 1});
  e.SetBlockEnd(TBufferCoord{2, 2});
  {
    TSynRecordingCanvas c = p.Paint();
    for (int row = 1; row <= 7; ++row) EXPECT_EQ(selected(c, 2, row), row <= 6) << "row " << row;
  }
  e.SetWordWrap(false);
  p.host.Width = 640;
  e.Resize();
  e.SetText(u"abcdef\nabcdef\nabcdef");
  // Under a highlighter the same cells are selected.
  TWordSyn hl;
  e.SetHighlighter(&hl);
  e.SetSelectionMode(smColumn);
  e.SetBlockBegin(TBufferCoord{3, 1});
  e.SetBlockEnd(TBufferCoord{4, 3});
  TSynRecordingCanvas c = p.Paint();
  for (int col = 1; col <= 8; ++col) EXPECT_EQ(selected(c, col, 2), col == 3) << col;
  e.SetHighlighter(nullptr);
  // A column block covers the same screen columns on every line, double-width glyphs and the two
  // cells of a pair taken whole, with or without a highlighter: the rows show what a copy takes.
  e.SetText(u"ab\u6f22\u5b57cd\nabcdefgh\na\U0001F600bcdefg\nab");
  e.SetSelectionMode(smColumn);
  const char* rows[] = {"--####--", "--####--", "-#####--", "--####--"};
  for (TSynCustomHighlighter* h :
       {static_cast<TSynCustomHighlighter*>(&hl), static_cast<TSynCustomHighlighter*>(nullptr)}) {
    e.SetHighlighter(h);
    e.SetBlockBegin(TBufferCoord{3, 1});
    e.SetBlockEnd(TBufferCoord{7, 4});  // screen column 7, past the short line's end
    TSynRecordingCanvas wide = p.Paint();
    for (int row = 1; row <= 4; ++row)
      for (int col = 1; col <= 8; ++col)
        EXPECT_EQ(selected(wide, col, row), rows[row - 1][col - 1] == '#')
            << col << "," << row << " " << (h != nullptr);
  }
  e.SetHighlighter(nullptr);
}

TEST(SynPad, AColumnBlockWhoseColumnsChangeRepaintsAllItsLines) {
  // The moving corner keeps its Char on a line that begins with a tab: the block's columns widen on
  // every line, those the corner never crossed too.
  Pad p(u"abcdefghij\nabcdefghij\nabcdefghij\n\tabcdefghij", 300, 160);
  TSynPad& e = p.ed;
  e.SetSelectionMode(smColumn);
  e.SetBlockBegin(TBufferCoord{2, 1});
  e.SetBlockEnd(TBufferCoord{3, 3});
  auto repainted = [&](int line) {
    const int top = (line - 1) * e.LineHeight();
    return std::any_of(p.host.Invalidated.begin(), p.host.Invalidated.end(), [&](const TSynRect& r) {
      return r.Top <= top && r.Bottom >= top + e.LineHeight() && r.Left <= e.GutterWidth() && r.Right >= 300;
    });
  };
  p.host.Invalidated.clear();
  e.SetBlockEnd(TBufferCoord{3, 4});
  for (int line = 1; line <= 4; ++line) EXPECT_TRUE(repainted(line)) << line;
  // Back onto a line without the tab: the columns narrow again.
  p.host.Invalidated.clear();
  e.SetBlockEnd(TBufferCoord{3, 3});
  for (int line = 1; line <= 4; ++line) EXPECT_TRUE(repainted(line)) << line;
}

TEST(SynPad, HighlightedRowsUnderWordWrapNeverLoseCharacters) {
  // Tokens that start right after a row break used to get a negative length.
  TWordSyn hl;
  Pad p(u"", 30 + 2 + 8 * 5);
  TSynPad& e = p.ed;
  e.SetHighlighter(&hl);
  e.SetText(u"abcd(x(y(z)q)r)s /* c\nstill */ e");
  e.SetWordWrap(true);
  TSynRecordingCanvas c = p.Paint();
  for (int row = 1; row <= e.DisplayRowCount(); ++row) {
    for (int col = 1; col <= 5; ++col) {
      const TBufferCoord b = e.DisplayToBufferPos(TDisplayCoord{col, row});
      const char16_t ch = p.At(c, col, row);
      if (b.Char <= static_cast<int>(e.LineText(b.Line).size()) && e.BufferToDisplayPos(b).Row == row) {
        EXPECT_EQ(ch, e.LineText(b.Line)[static_cast<size_t>(b.Char - 1)]) << col << "," << row;
      }
    }
  }
  // The comment opened on line 1 colours line 2 from its start.
  bool green = false;
  for (const auto& call : c.CallsOf("text"))
    if (call.text.find(u"still") != std::u16string::npos) green = call.color == 0x008000;
  EXPECT_TRUE(green);
  e.SetHighlighter(nullptr);
}

TEST(SynPad, ScrollBarArithmetic) {
  Pad p(std::u16string(40000, u'x'), 32 + 80 * 8, 160);
  TSynPad& e = p.ed;
  e.SetOptions(e.Options() & ~SynOpt(eoScrollPastEol));
  e.UpdateScrollBars();
  const TSynScrollInfo& h = e.ScrollInfo(sbHorizontal);
  EXPECT_EQ(h.Min, 0);
  EXPECT_EQ(h.Max, 32767);
  EXPECT_EQ(h.Page, 66);
  EXPECT_EQ(h.Pos, 1);
  e.SetWordWrap(true);
  EXPECT_FALSE(p.host.BarShown[sbHorizontal]);
  // Everything visible: hidden with eoHideShowScrollbars, else shown with both arrows off.
  Pad q(u"short\ntext");
  q.ed.SetOptions((q.ed.Options() & ~SynOpt(eoScrollPastEol)) | SynOpt(eoHideShowScrollbars));
  EXPECT_FALSE(q.host.BarShown[sbHorizontal]);
  EXPECT_FALSE(q.host.BarShown[sbVertical]);
  q.ed.SetOptions(q.ed.Options() & ~SynOpt(eoHideShowScrollbars));
  for (auto k : {sbHorizontal, sbVertical}) {
    EXPECT_TRUE(q.host.BarShown[k]);
    EXPECT_TRUE(q.host.Bars[k].DisableNoScroll);
    EXPECT_FALSE(q.host.Bars[k].LeftUpArrow || q.host.Bars[k].RightDownArrow);
  }
}

TEST(SynPad, GutterBorderMarksAndInvalidation) {
  Pad p(u"1\n2\n3\n4", 300, 160);
  TSynPad& e = p.ed;
  e.Gutter().SetBorderColor(0x0000FF);
  e.Gutter().SetColor(0x00FF00);
  for (auto style : {gbsMiddle, gbsRight}) {
    e.Gutter().SetBorderStyle(style);
    TSynRecordingCanvas c = p.Paint();
    std::vector<std::pair<int, TColor>> lines;
    for (const auto& call : c.CallsOf("line"))
      if (call.x < 30) lines.push_back({call.x, call.color});
    if (style == gbsMiddle)
      EXPECT_EQ(lines, (std::vector<std::pair<int, TColor>>{{28, 0x0000FF}, {29, 0x00FF00}}));
    else
      EXPECT_EQ(lines, (std::vector<std::pair<int, TColor>>{{29, 0x0000FF}}));
  }
  // Two bookmarks on one line with the internal glyphs: one image, the next offset reported.
  SetSynBitmapLoader([](const std::string&) { return TSynBitmap(120, 12); });
  for (int n : {0, 1}) {
    auto m = std::make_unique<TSynPadMark>();
    m->Line = 2;
    m->BookmarkNumber = n;
    m->ImageIndex = n;
    m->InternalImage = true;
    e.Marks().push_back(std::move(m));
  }
  std::vector<std::pair<int, int>> painted;
  e.OnGutterPaint = [&](TCustomSynPad*, int line, int x, int) { painted.push_back({line, x}); };
  TSynRecordingCanvas c = p.Paint();
  EXPECT_EQ(c.CallsOf("image").size(), 1u);
  EXPECT_EQ(painted[1], (std::pair<int, int>{2, 2 * e.BookMarkOptions().Xoffset()}));
  SetSynBitmapLoader(nullptr);
  // A last line at or past the end repaints to the bottom of the window.
  p.host.Invalidated.clear();
  e.InvalidateLines(2, 4);
  ASSERT_EQ(p.host.Invalidated.size(), 1u);
  EXPECT_EQ(p.host.Invalidated[0], (TSynRect{30, 16, 300, (e.LinesInWindow() + 1) * 16}));
}

TEST(SynPad, CaretPlacementAndFont) {
  Pad p(u"0123456789abcdefghij");
  TSynPad& e = p.ed;
  e.InitializeCaret();
  e.UpdateCaret();
  EXPECT_EQ(p.host.CaretX, 31);
  EXPECT_EQ(p.host.CaretY, 0);
  EXPECT_EQ(p.host.CaretW, 2);
  EXPECT_EQ(p.host.CaretH, 14);
  EXPECT_TRUE(p.host.CaretShown);
  e.SetLeftChar(10);
  EXPECT_FALSE(p.host.CaretShown);
  EXPECT_LT(p.host.CaretX, 30);
  // The cell follows the font.
  e.SetFont(TSynFont("Courier New", 20));
  EXPECT_EQ(e.CharWidth(), 16);
  EXPECT_EQ(e.LineHeight(), 32);
}

TEST(SynPad, ModifiedFollowsTheUndoList) {
  Pad p(u"abc");
  TSynPad& e = p.ed;
  e.SetCaretXY(TBufferCoord{4, 1});
  e.SetSelTextExternal(u"x");  // then "a" deleted: two changes, of two reasons
  e.SetBlockBegin(TBufferCoord{1, 1});
  e.SetBlockEnd(TBufferCoord{2, 1});
  e.SetSelTextExternal(u"");
  e.Undo();
  e.Undo();
  ASSERT_TRUE(e.CanRedo());
  e.Redo();
  EXPECT_TRUE(e.Modified());
  EXPECT_TRUE(e.CanRedo());  // a redo keeps what is left to redo ...
  e.SetSelTextExternal(u"z");
  EXPECT_FALSE(e.CanRedo());  // ... a new edit drops it
  e.SetModified(false);
  EXPECT_TRUE(e.UndoList().GetInitialState());
  e.SetText(u"new text");
  EXPECT_FALSE(e.Modified());
  EXPECT_TRUE(e.UndoList().GetInitialState());
  // Loading a text after an edit starts a new, unmodified state with nothing to undo.
  e.SetCaretXY(TBufferCoord{4, 1});
  e.SetSelTextExternal(u"!");
  e.SetBookMark(1, 1, 1);
  ASSERT_TRUE(e.Modified());
  ASSERT_TRUE(e.CanUndo());
  e.LoadText(u"one\ntwo");
  EXPECT_EQ(e.GetText(), u"one\r\ntwo");
  EXPECT_FALSE(e.Modified());
  EXPECT_FALSE(e.CanUndo());
  EXPECT_TRUE(e.UndoList().GetInitialState());
  int x = 0, y = 0;
  EXPECT_FALSE(e.GetBookMark(1, x, y));
  // So does a text set where the old one had no lines left (nothing to clear in the list): a
  // change recorded there is not undone or redone on the new text.
  for (const bool undone : {false, true}) {
    e.SetText(u"");
    ASSERT_EQ(e.LineCount(), 0);
    e.SetSelTextExternal(u"a");
    if (undone) e.Undo();
    ASSERT_TRUE(e.CanUndo() || e.CanRedo());
    e.SetText(u"x");
    EXPECT_FALSE(e.CanUndo());
    EXPECT_FALSE(e.CanRedo());
    EXPECT_EQ(e.GetText(), u"x");
  }
}

TEST(SynPad, WordWrapKeepsTheTopLineAndRanges) {
  std::u16string text;
  for (int i = 0; i < 50; ++i) text += u"word word word word word word word word\n";
  Pad p(text, 30 + 2 + 8 * 12, 160);
  TSynPad& e = p.ed;
  e.SetTopLine(20);
  e.SetCaretXY(TBufferCoord{1, 20});
  e.SetWordWrap(true);
  EXPECT_EQ(e.LineOfRow(e.TopLine()), 20);
  EXPECT_EQ(e.FirstRowOfLine(20), e.TopLine());
  EXPECT_EQ(e.LeftChar(), 1);
  e.SetWordWrap(false);
  EXPECT_EQ(e.TopLine(), 20);
  // Ranges are kept incrementally: a comment opened on line 3 reaches the lines below.
  TWordSyn hl;
  e.SetHighlighter(&hl);
  e.SetBlockBegin(TBufferCoord{1, 3});
  e.SetBlockEnd(TBufferCoord{static_cast<int>(e.LineText(3).size()) + 1, 3});
  e.SetSelText(u"x /* open");
  ASSERT_EQ(e.LineText(3), u"x /* open");
  EXPECT_EQ(e.Lines().GetRange(2), 1);
  EXPECT_EQ(e.Lines().GetRange(49), 1);
  std::u16string token;
  TSynHighlighterAttributes* attr = nullptr;
  int kind = 0, start = 0;
  ASSERT_TRUE(e.GetTokenAtRowCol(TBufferCoord{3, 10}, token, kind, start, attr));
  EXPECT_EQ(attr, hl.fComment);
  EXPECT_FALSE(e.GetTokenAtRowCol(TBufferCoord{0, 10}, token, kind, start, attr));
  EXPECT_FALSE(e.GetTokenAtRowCol(TBufferCoord{41, 10}, token, kind, start, attr));
  // A highlighter destroyed while assigned leaves the control without one, not with a dangling one.
  auto gone = std::make_unique<TWordSyn>();
  e.SetHighlighter(gone.get());
  gone.reset();
  EXPECT_EQ(e.Highlighter(), nullptr);
  p.Paint();
}

}  // namespace
