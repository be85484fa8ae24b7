// The editor control on its real window, rendered offscreen with DejaVu Sans Mono 10.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <QThread>
#include <cmath>
#include <random>

#include "SynPadChecks.h"
#include "TestSupport.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColors.h"

using namespace testsupport;

namespace {

struct Window {
  TSynPadWidget w;
  TSynMemo& e = w.Editor();
  Window(int width, int height) {
    platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
    w.setFrameShape(QFrame::NoFrame);
    e.SetScrollBars(ssNone);
    w.resize(width, height);
    w.show();
    QApplication::processEvents();
    w.SetRenderFocused(true);
    e.SetFont(TSynFont("Courier New", 10));
  }
  int X(int col) {
    int x = 0, y = 0;
    e.RowColumnToPixels(TDisplayCoord{col, 1}, x, y);
    return x;
  }
  int Y(int row) { return (row - e.TopLine()) * e.LineHeight(); }
  static bool Dark(QRgb p) { return qGray(p) < 110; }
  // Leftmost and rightmost dark pixel of row in [x0, x1).
  static std::pair<int, int> Ink(const QImage& img, int x0, int x1, int y0, int y1) {
    int lo = INT_MAX, hi = INT_MIN;
    for (int y = y0; y < y1; ++y)
      for (int x = std::max(0, x0); x < std::min(x1, img.width()); ++x)
        if (Dark(img.pixel(x, y))) {
          lo = std::min(lo, x);
          hi = std::max(hi, x);
        }
    return {lo, hi};
  }
};

// Counts the paints of the widget it filters.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// The window with its scroll bars, shown, holding Text.
struct BarsWindow {
  TSynPadWidget w;
  TSynMemo& e = w.Editor();
  BarsWindow(int Width, const std::u16string& Text) {
    w.resize(Width, 200);
    w.show();
    QApplication::processEvents();
    e.SetText(Text);
  }
};

std::u16string Repeated(std::u16string_view Line, int Count) {
  std::u16string text;
  for (int i = 0; i < Count; ++i) text += Line;
  return text;
}

TEST(SynPadWidget, GridCaretEdgeAndGutterInPixels) {
  Window win(420, 120);
  TSynMemo& e = win.e;
  e.Gutter().SetShowLineNumbers(true);
  e.SetRightEdge(30);
  e.SetText(u"int x;\n\t\u4E2Dx\U0001F600y\nend");
  e.SetBlockBegin(TBufferCoord{2, 1});
  e.SetBlockEnd(TBufferCoord{5, 1});
  e.SetCaretXYEx(false, TBufferCoord{3, 2});
  const QImage img = win.w.RenderToImage();
  img.save(QString::fromStdString(ArtifactDir() + "/synpad_grid.png"));
  const int cw = e.CharWidth(), lh = e.LineHeight();
  ASSERT_GT(cw, 4);
  // Right edge in silver below the text; the gutter border in its two colours.
  const int edge = 30 * cw + e.TextOffset();
  EXPECT_EQ(img.pixel(edge, 3 * lh + 5), QColor(0xC0, 0xC0, 0xC0).rgb());
  const int g = e.GutterWidth();
  EXPECT_EQ(img.pixel(g - 2, 100), platform::ToQColor(e.Gutter().BorderColor()).rgb());
  EXPECT_EQ(img.pixel(g - 1, 100), platform::ToQColor(e.Gutter().Color()).rgb());
  EXPECT_NE(Window::Ink(img, 0, g - 2, 0, lh).first, INT_MAX) << "line number 1";
  // Selected cells carry the highlight colour, the cell before them does not.
  const QRgb hl = platform::ToQColor(e.SelectedColor().Background()).rgb();
  EXPECT_EQ(img.pixel(win.X(2) + 1, 1), hl);
  EXPECT_NE(img.pixel(win.X(1) + 1, 1), hl);
  // The wide glyph fills columns 9-10 (after the tab), the caret stands at column 11 and 'x' is
  // drawn right of it: where the caret goes is where the text after the glyph is.
  EXPECT_EQ(e.GetDisplayXY(), (TDisplayCoord{11, 2}));
  const auto wide = Window::Ink(img, win.X(9), win.X(11) - 1, lh, 2 * lh);
  EXPECT_GE(wide.first, win.X(9));
  EXPECT_LT(wide.second, win.X(11) - 1);
  const auto x = Window::Ink(img, win.X(11) + 1, win.X(12), lh, 2 * lh);
  EXPECT_GE(x.first, win.X(11) + 1);
  EXPECT_LT(x.second, win.X(12));
  // The emoji takes two cells (one per unit of its pair); 'y' follows in column 14.
  EXPECT_EQ(e.BufferToDisplayPos(TBufferCoord{6, 2}).Column, 14);
  const auto y = Window::Ink(img, win.X(14), win.X(15), lh, 2 * lh);
  EXPECT_NE(y.first, INT_MAX);
  // Sharp at twice the resolution: the edge is still one solid column, two device pixels wide.
  const QImage hi = win.w.RenderToImage(2.0);
  hi.save(QString::fromStdString(ArtifactDir() + "/synpad_grid@2x.png"));
  EXPECT_EQ(hi.pixel(2 * edge, 2 * (3 * lh + 5)), QColor(0xC0, 0xC0, 0xC0).rgb());
}

TEST(SynPadWidget, AnIdleFocusedEditorPaintsOnlyToBlinkItsCaret) {
  Window win(300, 120);
  win.e.SetText(u"int x;\nreturn x;");
  win.e.SetCaretXY(TBufferCoord{4, 2});
  PaintCounter counter;
  win.w.viewport()->installEventFilter(&counter);
  QApplication::processEvents();
  const int half = QGuiApplication::styleHints()->cursorFlashTime() / 2;
  ASSERT_GT(half, 0);
  const QImage first = win.w.RenderToImage();
  counter.paints = 0;
  bool changed = false, back = false;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 3 * half) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
    const bool same = win.w.RenderToImage() == first;
    changed = changed || !same;
    back = back || (changed && same);
  }
  // One paint per blink, give or take the one under way.
  EXPECT_LE(counter.paints, 3 + 2);
  EXPECT_TRUE(changed && back) << "the caret blinks";
  // Typing shows the caret at once and moves it, and the editor goes quiet again.
  win.w.setFocus();
  win.e.CommandProcessor(ecChar, u'y');
  QApplication::processEvents();
  counter.paints = 0;
  clock.restart();
  while (clock.elapsed() < half / 2) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_LE(counter.paints, 2);
}

TEST(SynPadWidget, ConversionsRoundTripWithTheDesktopFonts) {
  // CJK from the fallback face, emoji as surrogate pairs, combining marks and tabs, measured by
  // the real font engine.
  Window win(30 + 2 + 8 * 17, 200);
  std::mt19937 rng(3);
  const char16_t alphabet[] = {u'a', u'W', u' ', u'\t', 0x4E2D, 0x6587, 0xAC00, 0xD83D, 0xDE00, 0x0301, 0xFF21, u'i'};
  for (int round = 0; round < 10; ++round) {
    win.e.SetWordWrap(false);
    win.e.SetText(SynRandomText(rng, alphabet, 5, 50));
    win.e.SetTabWidth(2 + static_cast<int>(rng() % 7));
    for (bool wrap : {false, true}) {
      win.e.SetWordWrap(wrap);
      EXPECT_EQ(SynCheckRoundTrips(win.e), "") << "round " << round;
    }
  }
  // The fallback CJK glyph is wider than a cell, so it takes two.
  EXPECT_EQ(win.e.CharCells(0x4E2D), 2);
}

TEST(SynPadWidget, ScrollBarsFollowTheModelAndBack) {
  BarsWindow win(300, Repeated(u"line\n", 100));
  TSynPadWidget& w = win.w;
  TSynMemo& e = win.e;
  e.SetTopLine(40);
  QScrollBar* v = w.verticalScrollBar();
  EXPECT_EQ(v->value(), 40);
  EXPECT_EQ(v->pageStep(), e.LinesInWindow());
  EXPECT_EQ(v->maximum(), e.ScrollInfo(sbVertical).Max - e.LinesInWindow() + 1);
  v->setValue(12);
  EXPECT_EQ(e.TopLine(), 12);
  // A proportional face comes back with fixed pitch requested.
  e.SetFont(TSynFont("DejaVu Sans", 10));
  const QFont f = platform::ToQFont(e.TextDrawer().BaseFont(), 96);
  EXPECT_TRUE(f.fixedPitch());
  EXPECT_EQ(f.family(), QString("DejaVu Sans"));
  EXPECT_EQ(e.Font().Name(), "DejaVu Sans");
  EXPECT_EQ(e.Font().Size(), 10);
}

// Keys through the real window with both bars showing, as a user has them: a bar is painted
// again only when something about it changed (each key once repainted both, as setting a bar's
// policy lays the scroll area out again even when the policy is the same).
TEST(SynPadWidget, KeysRepaintAScrollBarOnlyWhenItChanged) {
  BarsWindow win(400, std::u16string(300, u'x') + u"\n" + Repeated(u"int value = 0;\n", 400));
  TSynPadWidget& w = win.w;
  win.e.SetCaretXY(TBufferCoord{5, 200});
  w.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(w.verticalScrollBar()->isVisible() && w.horizontalScrollBar()->isVisible());
  PaintCounter vertical, horizontal;
  w.verticalScrollBar()->installEventFilter(&vertical);
  w.horizontalScrollBar()->installEventFilter(&horizontal);
  struct Case {
    const char* name;
    Qt::Key key;
    int verticalPaints;  // at most, for ten keys
  };
  const Case cases[] = {
      {"a character", Qt::Key_A, 0},
      {"Right", Qt::Key_Right, 0},
      {"Backspace", Qt::Key_Backspace, 0},
      {"Page Down", Qt::Key_PageDown, 10},  // the thumb moves: one paint a page
  };
  for (const Case& c : cases) {
    vertical.paints = horizontal.paints = 0;
    for (int i = 0; i < 10; ++i) {
      QTest::keyClick(&w, c.key);
      QApplication::processEvents();
    }
    EXPECT_LE(vertical.paints, c.verticalPaints) << c.name;
    EXPECT_EQ(horizontal.paints, 0) << c.name;
  }
}

// Keys that lengthen the longest line, at its end out to the right of the window: the horizontal bar
// follows (its range the line's length without scrolling past the line ends, its thumb the view
// scrolled along with the caret with it) and is painted for it alone; the frame around it, whose
// paint spreads to the windows around, is not (a bar that let the frame show through repainted it
// with every key).
TEST(SynPadWidget, TheHorizontalBarFollowsTheLongestLineWithoutTheFrame) {
  for (const bool pastEol : {false, true}) {
    BarsWindow win(
        400, Repeated(u"int value = 0;\n", 50) + std::u16string(60, u'x') + u"\n" + Repeated(u"int value = 0;\n", 50));
    TSynPadWidget& w = win.w;
    TSynMemo& e = win.e;
    w.setFrameShape(QFrame::StyledPanel);
    e.SetOptions(pastEol ? e.Options() | SynOpt(eoScrollPastEol) : e.Options() & ~SynOpt(eoScrollPastEol));
    e.SetCaretXY(TBufferCoord{61, 51});
    w.setFocus();
    QApplication::processEvents();
    QScrollBar* h = w.horizontalScrollBar();
    ASSERT_TRUE(h->isVisible());
    PaintCounter frame, bar;
    w.installEventFilter(&frame);
    h->installEventFilter(&bar);
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(&w, Qt::Key_A);
      QApplication::processEvents();
    }
    EXPECT_EQ(e.Lines().LengthOfLongestLine(), 80);
    const TSynScrollInfo& info = e.ScrollInfo(sbHorizontal);
    EXPECT_EQ(info.Max, pastEol ? e.MaxScrollWidth() : 80);
    EXPECT_EQ(h->maximum(), info.Max - info.Page + 1) << pastEol;
    EXPECT_EQ(h->value(), std::min(e.LeftChar(), h->maximum())) << pastEol;
    EXPECT_GT(bar.paints, 0) << pastEol;
    EXPECT_EQ(frame.paints, 0) << pastEol;
  }
}

// In a long text a page moves the thumb a small part of a pixel: the bar is not painted again for
// it, its value stays within half a pixel of the control's position, and is exact at the ends.
TEST(SynPadWidget, TheThumbMovesOnlyWhereItShows) {
  BarsWindow win(400, Repeated(u"x\n", 200000));
  TSynPadWidget& w = win.w;
  TSynMemo& e = win.e;
  w.setFocus();
  QApplication::processEvents();
  QScrollBar* bar = w.verticalScrollBar();
  PaintCounter counter;
  bar->installEventFilter(&counter);
  const double pixel = (static_cast<double>(bar->maximum()) - bar->minimum() + bar->pageStep()) / bar->height();
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(&w, Qt::Key_PageDown);
    QApplication::processEvents();
    EXPECT_LE(std::abs(bar->value() - e.ScrollInfo(sbVertical).Pos), pixel / 2) << i;
  }
  EXPECT_EQ(counter.paints, 0);
  EXPECT_GT(e.TopLine(), 10 * (e.LinesInWindow() - 1));
  QTest::keyClick(&w, Qt::Key_End, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(bar->value(), e.ScrollInfo(sbVertical).Pos);
  QTest::keyClick(&w, Qt::Key_Home, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), e.ScrollInfo(sbVertical).Pos);
  EXPECT_GE(counter.paints, 2);
}

TEST(SynPadWidget, HighlightedCppThroughTheProbe) {
  const std::string dir = ArtifactDir();
  const std::string src = dir + "/synpad_sample.cpp";
  WriteFile(
      src,
      "// Sample \xE4\xB8\xAD\n#include <vector>\nint main(int argc, char** argv) {\n\tstd::vector<int> v{1, 2};\n"
      "  /* multi\n     line */ return argc > 1 ? 0 : 1;\n}\n");
  const char* modes[] = {"normal", "column", "line"};
  for (const char* mode : modes) {
    const std::string png = dir + "/synpad_cpp_" + mode + ".png";
    const std::string script = std::string("option ShowLineNumbers on\noption eoShowSpecialChars on\nsel 3 3 9 5 ") +
                               mode + "\npng " + png + "\n";
    const ProcessResult r =
        RunProcess(ProbePath("editprobe"), {"--highlighter", "TSynCppSyn", "--size", "720x160", src}, script);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QImage img(QString::fromStdString(png));
    ASSERT_FALSE(img.isNull()) << png;
    EXPECT_EQ(img.size(), QSize(720, 160));
    int selected = 0, colours = 0;
    QSet<QRgb> seen;
    const QRgb hl = platform::ToQColor(platform::clHighlight).rgb();
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        selected += img.pixel(x, y) == hl;
        seen.insert(img.pixel(x, y));
      }
    colours = seen.size();
    EXPECT_GT(selected, 100) << mode;
    EXPECT_GT(colours, 6) << mode;  // keywords, comments, numbers, gutter, selection ...
  }
}

}  // namespace
