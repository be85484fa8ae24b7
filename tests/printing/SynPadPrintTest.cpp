// The print engine on a fake printer whose pages are recording canvases with fixed metrics:
// pagination, wrapping, line numbers, copies and ranges, colours, selections, and a property run
// over random texts and geometries that checks every character is printed once, inside the margins.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "FakePrinter.h"
#include "SynPadRecordingHost.h"
#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "highlighters/SynHighlighterCpp.h"
#include "printing/SynPadPrint.h"

namespace {

using Op = platform::TRecordingCanvas::Call;

std::u16string U(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}
std::string A(const std::u16string& s) {
  return std::string(s.begin(), s.end());
}

// Courier New 10 points at 300 dpi on the recording canvas: 42-pixel font, 25-pixel cells, 50-pixel lines.
struct Rig {
  platform::FakePrinter printer{300};
  platform::ScopedPrinter scoped{printer};
  TSynPadPrint print;
  platform::TRecordingCanvas screen;

  explicit Rig(std::vector<std::string> lines = {}) {
    platform::FakePrinter::UsePrintMetrics(screen);
    std::vector<std::u16string> wide;
    for (auto& l : lines) wide.push_back(U(l));
    print.SetLines(wide);
  }
  void Layout() { print.PrepareCanvas(screen); }
  // Body text operations of every printed page (header and footer drawn outside the text area).
  std::vector<std::vector<Op>> BodyOps() {
    std::vector<std::vector<Op>> pages;
    for (int p = 0; p < printer.PageCount(); ++p) {
      pages.emplace_back();
      for (auto& op : printer.PageCalls(p, "text"))
        if (op.y >= print.Margins().PTop && op.y < print.Margins().PBottom) pages.back().push_back(op);
    }
    return pages;
  }
};

std::vector<std::string> Numbered(int n) {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

TEST(SynPadPrint, CopiesOfARangeWithLineNumbersAndHeader) {
  Rig rig(Numbered(200));
  rig.print.SetLineNumbers(true);
  rig.print.Header().Add(u"$PAGENUM$/$PAGECOUNT$", nullptr, hfaRight, 1);
  rig.print.SetTitle(u"Record");
  rig.print.SetCopies(2);
  rig.print.PrintRange(1, 3);
  ASSERT_TRUE(rig.printer.ended);
  EXPECT_EQ(rig.printer.jobTitle, "Record");
  ASSERT_EQ(rig.printer.PageCount(), 6);
  const int count = rig.print.PageCount();
  EXPECT_EQ(count, 4);  // 58 lines of 50 pixels per page
  const int perPage = rig.print.PageFirstLine(2);
  EXPECT_EQ(perPage, 58);

  for (int p = 0; p < 6; ++p) {
    std::vector<std::string> texts;
    for (const auto& t : rig.printer.PageTexts(p)) texts.push_back(A(t));
    const int page = static_cast<int>(p % 3) + 1;
    // Header first, then number and text of each line of the page, in order.
    ASSERT_EQ(texts.size(), 1u + 2u * perPage) << p;
    EXPECT_EQ(texts[0], std::to_string(page) + "/4");
    for (int k = 0; k < perPage; ++k) {
      const int line = (page - 1) * perPage + k + 1;
      EXPECT_EQ(texts[1 + 2 * k], std::to_string(line) + ": ");
      EXPECT_EQ(texts[2 + 2 * k], "line " + std::to_string(line));
    }
  }
  // The number ends at the left text edge, which moved right by the room of "200: ".
  const TSynPadPrintMargins& m = rig.print.Margins();
  EXPECT_EQ(m.PLeft, 295 + 5 * 25);
  const Op number = rig.printer.PageCalls(0, "text")[1];
  ASSERT_EQ(A(number.text), "1: ");
  EXPECT_EQ(number.x + 3 * 25, m.PLeft);
  EXPECT_EQ(number.color, syn::clBlack);

  // DocTitle names the job when it is set; offsets shift the numbers shown.
  rig.print.SetDocTitle(u"Job");
  rig.print.SetCopies(1);
  rig.print.SetLineOffset(10);
  rig.print.SetPageOffset(4);
  rig.print.PrintRange(2, 2);
  EXPECT_EQ(rig.printer.jobTitle, "Job");
  ASSERT_EQ(rig.printer.PageCount(), 1);
  const auto texts = rig.printer.PageTexts(0);
  auto text = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), U(t)) != texts.end(); };
  EXPECT_TRUE(text("6/4"));
  EXPECT_TRUE(text("69: "));
}

TEST(SynPadPrint, RangeFollowsThePrintersOwnLayout) {
  Rig rig(Numbered(100));
  rig.print.SetCopies(3);
  rig.print.PrintRange(2, 9);  // two pages exist
  EXPECT_TRUE(rig.printer.ended);
  EXPECT_EQ(rig.printer.PageCount(), 3);
  EXPECT_THROW(rig.print.PrintRange(5, 6), ESynPrintError);
  EXPECT_TRUE(rig.printer.aborted);
  EXPECT_FALSE(rig.printer.Printing());

  // A listener stopping the job discards it; no end is reported.
  std::vector<TSynPrintStatus> seen;
  rig.print.OnPrintStatus = [&](TSynPadPrint*, TSynPrintStatus s, int page, bool& abort) {
    seen.push_back(s);
    abort = s == psNewPage && page == 2;
  };
  rig.print.Print();
  EXPECT_TRUE(rig.printer.aborted);
  EXPECT_EQ(seen, (std::vector<TSynPrintStatus>{psBegin, psNewPage, psNewPage}));

  EXPECT_THROW(rig.print.RenderPageOnCanvas(rig.screen, 3), EStringListError);
}

TEST(SynPadPrint, ImpossibleGeometryIsRefusedWithAMessage) {
  for (auto [left, right, top] :
       {std::tuple{100.0, 108.0, 25.0}, std::tuple{25.0, 15.0, 280.0}, std::tuple{200.0, 200.0, 25.0}}) {
    Rig rig(Numbered(3));
    rig.print.Margins().SetLeft(left);
    rig.print.Margins().SetRight(right);
    rig.print.Margins().SetTop(top);
    try {
      rig.Layout();
      ADD_FAILURE() << "laid out " << left << " " << right << " " << top;
    } catch (const ESynPrintError& e) {
      EXPECT_NE(std::string(e.what()).find("Nothing fits between the margins"), std::string::npos);
    }
  }
  // One cell of room still lays out, one character per line.
  Rig rig({"abc"});
  rig.print.Margins().SetLeft(100);
  rig.print.Margins().SetRight(210 - 100 - 25.0 / 300 * 25.4 - 0.01);
  rig.Layout();
  EXPECT_EQ(rig.print.MaxCol(), 1);
  EXPECT_EQ(rig.print.WrapPositions(u"abc").size(), 2u);
}

TEST(SynPadPrint, WrapTiersAndPageBreaksBetweenSourceLines) {
  Rig rig;
  rig.Layout();
  ASSERT_EQ(rig.print.MaxCol(), 80);
  const std::u16string a(70, u'a');
  auto breaks = [&](const std::u16string& line) {
    std::vector<int> out;
    for (auto w : rig.print.WrapPositions(line)) out.push_back(w.Index);
    return out;
  };
  // The first tier wins over the full stop; a piece longer than the line is cut after its last
  // break character that fits, else where its cells run out, so nothing is lost at the right edge.
  EXPECT_EQ(breaks(a + u"." + a + u", " + a), (std::vector<int>{71, 142}));
  EXPECT_EQ(breaks(u"," + std::u16string(100, u'x') + u", " + a), (std::vector<int>{1, 81, 102}));
  EXPECT_EQ(breaks(a + u"," + a), (std::vector<int>{71}));
  EXPECT_EQ(breaks(a + u")" + a + a), (std::vector<int>{71, 151}));  // second tier only without the first
  EXPECT_EQ(breaks(std::u16string(200, u'x')), (std::vector<int>{80, 160}));
  EXPECT_TRUE(breaks(std::u16string(80, u'x')).empty());
  // Wide glyphs take two cells: 41 of them need a second line.
  EXPECT_EQ(breaks(std::u16string(41, u'\u4E2D')), (std::vector<int>{40}));

  // 57 short lines, then one of three rows: its first row ends page 1, the others begin page 2.
  std::vector<std::u16string> lines(57, u"x");
  lines.push_back(std::u16string(200, u'y'));
  lines.push_back(u"z");
  rig.print.SetLines(lines);
  rig.Layout();
  EXPECT_EQ(rig.print.PageCount(), 2);
  EXPECT_EQ(rig.print.PageFirstLine(2), 57);
  EXPECT_EQ(rig.print.PageFirstRow(2), 1);
  rig.print.Print();
  ASSERT_EQ(rig.printer.PageCount(), 2);
  EXPECT_EQ(rig.printer.PageTexts(0).back(), std::u16string(80, u'y'));
  EXPECT_EQ(rig.printer.PageTexts(1),
            (std::vector<std::u16string>{std::u16string(80, u'y'), std::u16string(40, u'y'), u"z"}));
  // A line of more rows than a page holds fills whole pages.
  rig.print.SetLines(std::vector<std::u16string>{std::u16string(80 * 58 * 2 + 1, u'q')});
  rig.Layout();
  EXPECT_EQ(rig.print.PageCount(), 3);
  EXPECT_EQ(rig.print.PageFirstRow(3), 116);

  // A CJK character is drawn with two cells of advance.
  rig.print.SetLines(std::vector<std::u16string>{u"a\u4E2Db"});
  rig.print.Print();
  auto body = rig.BodyOps();
  ASSERT_EQ(body.size(), 1u);
  ASSERT_EQ(body[0].size(), 1u);
  EXPECT_EQ(body[0][0].advances, (std::vector<int>{25, 50, 25}));
}

TEST(SynPadPrint, EmptyTextPrintsOnePageWithHeaderAndFooter) {
  Rig rig;
  rig.print.Header().Add(u"Head", nullptr, hfaLeft, 1);
  rig.print.Footer().Add(u"$PAGENUM$", nullptr, hfaCenter, 1);
  rig.print.Print();
  EXPECT_EQ(rig.print.PageCount(), 1);
  ASSERT_EQ(rig.printer.PageCount(), 1);
  EXPECT_EQ(rig.printer.PageTexts(0), (std::vector<std::u16string>{u"Head", u"1"}));
}

TEST(SynPadPrint, ColoursFollowTheOptionStylesAlwaysFollowAttributes) {
  TSynCppSyn cpp;
  cpp.CommentAttri->SetForeground(syn::clGreen);
  for (bool colors : {false, true}) {
    Rig rig({"int x; // note"});
    rig.print.SetHighlighter(&cpp);
    rig.print.SetColors(colors);
    rig.print.Print();
    std::map<std::string, Op> byText;
    const auto body = rig.BodyOps();
    for (const Op& op : body[0]) byText[A(op.text)] = op;
    ASSERT_TRUE(byText.count("int") && byText.count("// note"));
    EXPECT_TRUE(byText["int"].font.Style & syn::fsBold);
    EXPECT_EQ(byText["int"].x, rig.print.Margins().PLeft);
    EXPECT_EQ(byText["// note"].x, rig.print.Margins().PLeft + 7 * 25);
    if (colors) {
      EXPECT_EQ(byText["// note"].color, cpp.CommentAttri->Foreground());
    } else {
      for (auto& [text, op] : byText) EXPECT_EQ(op.color, syn::clBlack) << text;
    }
  }
}

TEST(SynPadPrint, SelectedOnlyPrintsTheSelectedParts) {
  TWideStringList source;
  for (const char16_t* l : {u"line one", u"line two", u"\tthird", u"fourth line", u"fifth line", u"sixth"})
    source.Add(l);
  Rig rig;
  rig.print.SetLines(source);
  rig.print.SetSelectedOnly(true);
  rig.print.Print();  // no selection: no job
  EXPECT_EQ(rig.printer.PageCount(), 0);

  std::vector<int> printedLines;
  rig.print.OnPrintLine = [&](TSynPadPrint*, int line, int) { printedLines.push_back(line); };
  // From line 3 char 2 (after the tab) to line 5 char 4, as an editor hands it over.
  TSynPadPrintSource editor;
  editor.Lines = &source;
  editor.SelAvail = true;
  editor.BlockBegin = {2, 3};
  editor.BlockEnd = {4, 5};
  rig.print.SetSynPad(editor);
  rig.print.Print();
  std::vector<std::string> texts;
  auto body = rig.BodyOps();
  for (const Op& op : body[0]) texts.push_back(A(op.text));
  EXPECT_EQ(texts, (std::vector<std::string>{"third", "fourth line", "fif"}));
  EXPECT_EQ(printedLines, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(rig.print.PageFirstLine(1), 0);

  // Column mode with the columns given backwards and past the line ends is clamped.
  rig.print.SetSelection(true, {30, 1}, {6, 2}, psmColumn, &source);
  rig.print.Print();
  texts.clear();
  body = rig.BodyOps();
  for (const Op& op : body[0]) texts.push_back(A(op.text));
  EXPECT_EQ(texts, (std::vector<std::string>{"one", "two"}));

  // A column block takes the same buffer characters of every line, wherever tabs put them.
  TWideStringList tabbed;
  for (const char16_t* l : {u"ab\tcd", u"abcdefghij", u"\t\tx"}) tabbed.Add(l);
  rig.print.SetTabWidth(4);
  rig.print.SetLines(tabbed);
  rig.print.SetSelection(true, {2, 1}, {5, 3}, psmColumn, &tabbed);
  rig.print.Print();
  texts.clear();
  body = rig.BodyOps();
  for (const Op& op : body[0]) texts.push_back(A(op.text));
  EXPECT_EQ(texts, (std::vector<std::string>{"b  c", "bcd", "    x"}));

  // Handed over by the editor control, a column block prints what it copies: the same screen
  // columns of every line, double-width glyphs and pairs whole.
  TSynRecordingHost host;
  TSynPad pad(&host);
  pad.Resize();
  pad.SetText(u"ab\u6f22\u5b57cd\nabcdefgh\na\U0001F600bcde");
  pad.SetSelectionMode(smColumn);
  pad.SetBlockBegin(TBufferCoord{3, 1});
  pad.SetBlockEnd(TBufferCoord{7, 3});
  rig.print.SetSynPad(pad);
  rig.print.Print();
  std::vector<std::u16string> wide;
  body = rig.BodyOps();
  for (const Op& op : body[0]) wide.push_back(op.text);
  std::vector<std::u16string> copied;
  const std::u16string selected = pad.GetSelText();
  for (std::u16string_view piece : SplitIntoLines(selected)) copied.emplace_back(piece);
  EXPECT_EQ(wide, copied);
  EXPECT_EQ(wide, (std::vector<std::u16string>{u"\u6f22\u5b57", u"cdef", u"\U0001F600bcd"}));
}

// What the editor shows is what prints: a control character is one blank cell, and the room for
// line numbers fits the widest of them, "-4: " with a negative offset.
TEST(SynPadPrint, ControlCharactersAndNegativeLineNumbers) {
  Rig rig(
      {"a\x01"
       "b\x7F"
       "c",
       "plain"});
  rig.print.Print();
  auto body = rig.BodyOps();
  ASSERT_EQ(body[0].size(), 2u);
  EXPECT_EQ(body[0][0].text, u"a b c");
  EXPECT_EQ(body[0][0].advances, (std::vector<int>(5, 25)));

  struct Case {
    int lines, offset;
    std::string widest;
  } cases[] = {{10, -5, "-4: "}, {10, -9, "-8: "}, {3, -200, "-199: "}, {120, -5, "115: "}, {9, 0, "9: "}};
  for (const Case& c : cases) {
    Rig numbered(Numbered(c.lines));
    numbered.print.SetLineNumbers(true);
    numbered.print.SetLineOffset(c.offset);
    numbered.print.Print();
    const TSynPadPrintMargins& m = numbered.print.Margins();
    const int margin = numbered.print.PrinterInfo().PixFromLeft(25);
    EXPECT_EQ(m.PLeft - margin, static_cast<int>(c.widest.size()) * 25) << c.widest;
    for (const Op& op : numbered.printer.PageCalls(0, "text")) EXPECT_GE(op.x, margin) << A(op.text);
  }
}

TEST(SynPadPrint, HeaderLinesPackAndMirror) {
  Rig rig({"x"});
  THeader& h = rig.print.Header();
  h.Add(u"L5", nullptr, hfaLeft, 5);
  h.Add(u"R2", nullptr, hfaRight, 2);
  h.SetMirrorPosition(true);
  h.SetFrameTypes(ftLine | ftBox);
  rig.print.SetCopies(1);
  rig.print.Print();
  rig.print.PrintRange(1, 1);
  EXPECT_EQ(h.LineInfos().size(), 2u);
  EXPECT_EQ(h.Get(0).Text, u"R2");
  EXPECT_EQ(h.Get(1).LineNumber, 2);
  const TSynPadPrintMargins& m = rig.print.Margins();
  std::map<std::string, Op> byText;
  for (const Op& op : rig.printer.PageCalls(0, "text")) byText[A(op.text)] = op;
  EXPECT_EQ(rig.printer.PageCalls(0, "line").size(), 1u);
  EXPECT_EQ(rig.printer.PageCalls(0, "rect").size(), 1u);
  EXPECT_EQ(byText["L5"].x, m.PLeftHFTextIndent);
  EXPECT_EQ(byText["L5"].y - byText["R2"].y, 50);  // adjacent lines
  EXPECT_LT(byText["L5"].y, m.PHeader);
  EXPECT_EQ(h.FrameHeight(), 2 * 50 + 2 * m.PHFInternalMargin);

  // Even pages swap left and right.
  rig.print.SetPageOffset(1);
  rig.print.Print();
  for (const Op& op : rig.printer.PageCalls(0, "text"))
    if (A(op.text) == "L5") {
      EXPECT_EQ(op.x + 2 * 25, m.PRightHFTextIndent);
    }

  // A header without items draws nothing.
  h.Clear();
  rig.print.Print();
  for (const Op& op : rig.printer.PageCalls(0))
    if (op.op == "text" || op.op == "line" || op.op == "rect") {
      EXPECT_GE(op.y, m.PTop) << op.op;
    }
}

// Random texts and geometries: layout ends, every character is printed once and in order (blanks
// that hang past a row's end print nothing), as many pages as the layout counted, and nothing is
// drawn past the right edge of the text area or below its bottom edge.
TEST(SynPadPrint, RandomLayoutsPrintEveryCharacterInsideTheMargins) {
  std::mt19937 rng(19);
  const std::u16string alphabet = u"abcdefghij     ,-.;)\t\u4E2D\u00E9W";
  auto noBlanks = [](std::u16string s) {
    s.erase(std::remove(s.begin(), s.end(), u' '), s.end());
    return s;
  };
  int checkedRounds = 0, splitLines = 0;
  for (int round = 0; round < 60; ++round) {
    Rig rig;
    std::vector<std::u16string> lines;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      std::u16string line;
      const int len = static_cast<int>(rng() % (rng() % 5 == 0 ? 900 : 90));
      for (int k = 0; k < len; ++k) line += alphabet[rng() % alphabet.size()];
      lines.push_back(line);
    }
    rig.print.SetTabWidth(static_cast<int>(rng() % 9));
    rig.print.SetLines(lines);
    rig.print.SetFont(TSynFont("Courier New", 6 + static_cast<int>(rng() % 30)));
    rig.print.Margins().SetLeft(rng() % 90);
    rig.print.Margins().SetRight(rng() % 90);
    rig.print.Margins().SetBottom(rng() % 150);
    rig.print.SetLineNumbers(rng() % 2);
    try {
      rig.print.Print();
    } catch (const ESynPrintError&) {
      continue;  // too narrow for this font: refused, never a hang
    }
    const TSynPadPrintMargins& m = rig.print.Margins();
    const int right = m.PLeft + rig.print.MaxWidth();
    ASSERT_EQ(rig.printer.PageCount(), rig.print.PageCount());
    for (int p = 2; p <= rig.print.PageCount(); ++p) splitLines += rig.print.PageFirstRow(p) > 0;
    std::u16string printed, expected;
    for (int p = 0; p < rig.printer.PageCount(); ++p)
      for (const Op& op : rig.printer.PageCalls(p, "text")) {
        EXPECT_GE(op.y, m.PTop) << "round " << round;
        EXPECT_LE(op.y + rig.print.LineHeight(), m.PBottom) << "round " << round;
        if (op.x < m.PLeft) continue;  // a line number
        printed += op.text;
        int end = op.x;
        for (int a : op.advances) end += a;
        EXPECT_LE(end, right);
      }
    for (int i = 0; i < rig.print.Lines().Count(); ++i) expected += rig.print.Lines().StringRef(i);
    EXPECT_EQ(noBlanks(printed), noBlanks(expected)) << "round " << round;
    ++checkedRounds;
  }
  EXPECT_GT(checkedRounds, 40);
  EXPECT_GT(splitLines, 5);
}

}  // namespace
