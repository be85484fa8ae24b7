// The editor control against a QPlainTextEdit with a minimal keyword-colouring
// QSyntaxHighlighter (the peer; it lives only here), on the same 1,000,000-line C++ text in a
// 1600 x 1000 window with DejaVu Sans Mono 10, line numbers and the scroll bars a user has: load and
// first paint, full repaints at the start and the end, memory, caret work on a 100,000-character
// line and switching word wrap on (at 100 columns, and at 40 where most lines wrap), the paints of
// an idle focused editor over 2 s, a keystroke in the middle of the text with the repaint it brings
// (the scroll bars' included), keys that make a line the longest of the text, and the CPU per page
// while PageDown is held. Every figure is measured beside the peer's in the same run. The last three
// are the user's case on a real X server: bench/editor_keys runs them under Xvfb (elsewhere they run
// on the offscreen platform).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QStyleHints>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>

#include "editor/gui/SynPadWidget.h"
#include "editor_bench_common.h"
#include "highlighters/SynHighlighterCpp.h"
#include "platform/CodePage.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtCanvas.h"

namespace {

constexpr int kLines = 1000000;
constexpr int kWidth = 1600, kHeight = 1000;

const std::string& BigCpp() {
  return CppText(kLines);
}
using Ours = OursWindow;
using Peer = PeerWindow;

QImage& Target() {
  static QImage image(kWidth, kHeight, QImage::Format_RGB32);
  return image;
}

void PaintOurs(Ours& o) {
  QPainter p(&Target());
  platform::TQtCanvas canvas(p);
  o.e.Paint(canvas, TSynRect{0, 0, kWidth, kHeight});
}

void PaintPeer(Peer& p) {
  p.w.viewport()->render(&Target());
}

size_t HeapInUse() {
  return mallinfo2().uordblks + mallinfo2().hblkhd;
}

// ---- load and first screen ----

void PaintFirst(Ours& o) {
  PaintOurs(o);
}
void PaintFirst(Peer& p) {
  PaintPeer(p);
}

// Loading and the first paint are timed; making the window and freeing the text are not.
template <class Editor>
void LoadAndFirstPaint(benchmark::State& state) {
  NeedBenchApplication();
  const std::string& text = BigCpp();
  for (auto _ : state) {
    state.PauseTiming();
    auto e = std::make_unique<Editor>();
    const size_t before = HeapInUse();
    state.ResumeTiming();
    e->Load(text);
    PaintFirst(*e);
    state.PauseTiming();
    state.counters["heap_MB"] = static_cast<double>(HeapInUse() - before) / 1e6;
    state.counters["heap_x_text"] = static_cast<double>(HeapInUse() - before) / static_cast<double>(text.size());
    e.reset();
    state.ResumeTiming();
  }
  state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_SynPadLoadAndFirstPaint_Ours(benchmark::State& state) {
  LoadAndFirstPaint<Ours>(state);
}
BENCHMARK(BM_SynPadLoadAndFirstPaint_Ours)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_SynPadLoadAndFirstPaint_Peer(benchmark::State& state) {
  LoadAndFirstPaint<Peer>(state);
}
BENCHMARK(BM_SynPadLoadAndFirstPaint_Peer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// ---- repaint of the whole window, at the start and at the end ----

Ours& LoadedOurs() {
  static Ours* o = [] {
    auto* x = new Ours();
    x->Load(BigCpp());
    return x;
  }();
  return *o;
}

Peer& LoadedPeer() {
  static Peer* p = [] {
    auto* x = new Peer();
    x->Load(BigCpp());
    return x;
  }();
  return *p;
}

void BM_SynPadRepaint_Ours(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  o.e.SetTopLine(state.range(0) ? o.e.LineCount() : 1);
  for (auto _ : state) PaintOurs(o);
  state.counters["top"] = o.e.TopLine();
}
BENCHMARK(BM_SynPadRepaint_Ours)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SynPadRepaint_Peer(benchmark::State& state) {
  NeedBenchApplication();
  Peer& p = LoadedPeer();
  QScrollBar* bar = p.w.verticalScrollBar();
  bar->setValue(state.range(0) ? bar->maximum() : 0);
  QApplication::processEvents();
  for (auto _ : state) PaintPeer(p);
  state.counters["top"] = p.w.cursorForPosition(QPoint(0, 0)).blockNumber() + 1;
}
BENCHMARK(BM_SynPadRepaint_Peer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both repaints alternately in one loop, so a machine busy with other work slows both alike.
void BM_SynPadRepaintSideBySide(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  Peer& p = LoadedPeer();
  const bool end = state.range(0) != 0;
  o.e.SetTopLine(end ? o.e.LineCount() : 1);
  QScrollBar* bar = p.w.verticalScrollBar();
  bar->setValue(end ? bar->maximum() : 0);
  QApplication::processEvents();
  double ours = 0, peer = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    PaintOurs(o);
    const auto t1 = std::chrono::steady_clock::now();
    PaintPeer(p);
    const auto t2 = std::chrono::steady_clock::now();
    ours += std::chrono::duration<double, std::milli>(t1 - t0).count();
    peer += std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = ours / n;
  state.counters["peer_ms"] = peer / n;
  state.counters["peer_over_ours"] = peer / ours;
}
BENCHMARK(BM_SynPadRepaintSideBySide)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- word wrap on for the million lines at 100 columns ----

void BM_SynPadWordWrapOn_Ours(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  const int cols = static_cast<int>(state.range(0));
  o.w.resize(o.e.GutterWidth() + 2 + cols * o.e.CharWidth(), kHeight);
  QApplication::processEvents();
  for (auto _ : state) {
    o.e.SetWordWrap(true);
    state.PauseTiming();
    state.counters["rows"] = o.e.DisplayRowCount();
    o.e.SetWordWrap(false);
    state.ResumeTiming();
  }
  o.w.resize(kWidth, kHeight);
  QApplication::processEvents();
}
BENCHMARK(BM_SynPadWordWrapOn_Ours)->Arg(100)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SynPadWordWrapOn_Peer(benchmark::State& state) {
  NeedBenchApplication();
  Peer& p = LoadedPeer();
  const int cw = QFontMetrics(p.w.font()).horizontalAdvance(QLatin1Char('M'));
  const int cols = static_cast<int>(state.range(0));
  p.w.resize(cols * cw + 2 * static_cast<int>(p.w.document()->documentMargin()) + 4, kHeight);
  QApplication::processEvents();
  for (auto _ : state) {
    p.w.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    PaintPeer(p);  // the peer lays out lazily; the first screen forces what it needs
    state.PauseTiming();
    p.w.setLineWrapMode(QPlainTextEdit::NoWrap);
    state.ResumeTiming();
  }
  p.w.resize(kWidth, kHeight);
}
BENCHMARK(BM_SynPadWordWrapOn_Peer)->Arg(100)->Arg(40)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- caret work on a 100,000-character line ----

std::string LongLine() {
  std::string s;
  std::mt19937 rng(5);
  while (s.size() < 100000) {
    const unsigned r = rng() % 20;
    s += r == 0 ? "\t" : r == 1 ? "\xE4\xB8\xAD" : std::string(1, static_cast<char>('a' + rng() % 26));
  }
  return s + "\nshort\n";
}

void BM_SynPadLongLineCaret_Ours(benchmark::State& state) {
  NeedBenchApplication();
  Ours o;
  o.Load(LongLine());
  const int len = static_cast<int>(o.e.LineText(1).size());
  std::mt19937 rng(9);
  for (auto _ : state) {
    const int ch = 1 + static_cast<int>(rng() % static_cast<unsigned>(len));
    o.e.SetCaretXY(TBufferCoord{ch, 1});
    const TDisplayCoord d = o.e.BufferToDisplayPos(o.e.GetCaretXY());
    benchmark::DoNotOptimize(o.e.DisplayToBufferPos(d));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynPadLongLineCaret_Ours)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SynPadLongLineCaret_Peer(benchmark::State& state) {
  NeedBenchApplication();
  Peer p;
  p.Load(LongLine());
  const int len = p.w.document()->firstBlock().length() - 1;
  std::mt19937 rng(9);
  QTextCursor c(p.w.document());
  for (auto _ : state) {
    c.setPosition(1 + static_cast<int>(rng() % static_cast<unsigned>(len)));
    p.w.setTextCursor(c);
    benchmark::DoNotOptimize(p.w.cursorRect());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynPadLongLineCaret_Peer)->Unit(benchmark::kMicrosecond)->UseRealTime();

// ---- the focused editor at rest, and PageDown held ----

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct PaintCounter : QObject {
  int paints = 0;
  double pixels = 0;  // the painted area, summed
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& r : static_cast<QPaintEvent*>(Event)->region()) pixels += double(r.width()) * r.height();
    }
    return false;
  }
};

// Gives the window the keyboard focus (offscreen too); the control also stands in as focused where
// the platform gives no focus, so that its caret runs either way.
bool Focus(QWidget& w) {
  w.activateWindow();
  w.setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  return w.hasFocus();
}
bool FocusEditor(Ours& o) {
  const bool real = Focus(o.w);
  if (!real) o.w.SetRenderFocused(true);
  return real;
}
bool FocusEditor(Peer& p) {
  return Focus(p.w);
}
QWidget* Viewport(Ours& o) {
  return o.w.viewport();
}
QWidget* Viewport(Peer& p) {
  return p.w.viewport();
}
QWidget* KeyTarget(Ours& o) {
  return &o.w;
}
QWidget* KeyTarget(Peer& p) {
  return &p.w;
}
void ToStart(Ours& o) {
  o.e.SetCaretXY(TBufferCoord{1, 1});
  o.e.SetTopLine(1);
}
void ToStart(Peer& p) {
  p.w.moveCursor(QTextCursor::Start);
}

// Runs the event loop for Ms milliseconds of real time.
void RunFor(int Ms) {
  QEventLoop loop;
  QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Paints of the focused editor at rest over 2 s, and the CPU it takes; at most one paint per half
// blink period is the mark.
template <class Editor>
void IdlePaints(benchmark::State& state, Editor& e) {
  NeedBenchApplication();
  const double focused = FocusEditor(e) ? 1 : 0;
  PaintCounter counter;
  Viewport(e)->installEventFilter(&counter);
  RunFor(300);
  const int half = std::max(1, QGuiApplication::styleHints()->cursorFlashTime() / 2);
  double paints = 0, cpu = 0;
  for (auto _ : state) {
    counter.paints = 0;
    const double c0 = CpuMs();
    RunFor(2000);
    cpu += CpuMs() - c0;
    paints += counter.paints;
  }
  Viewport(e)->removeEventFilter(&counter);
  const double n = static_cast<double>(state.iterations());
  state.counters["paints_2s"] = paints / n;
  state.counters["paints_per_half_blink"] = paints / n / (2000.0 / half);
  state.counters["cpu_pct"] = cpu / n / 2000.0 * 100.0;
  state.counters["focused"] = focused;
}

void BM_SynPadIdlePaints_Ours(benchmark::State& state) {
  NeedBenchApplication();
  Ours o(800, 600);
  o.Load(CppText(2000));
  IdlePaints(state, o);
}
BENCHMARK(BM_SynPadIdlePaints_Ours)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SynPadIdlePaints_Peer(benchmark::State& state) {
  NeedBenchApplication();
  Peer p(800, 600);
  p.Load(CppText(2000));
  IdlePaints(state, p);
}
BENCHMARK(BM_SynPadIdlePaints_Peer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// PageDown held from the start of the million lines: a key press every 33 ms (a keyboard's repeat
// rate) for 3 s, the event loop running between them as it does for a person holding the key, so
// each page is painted whole, scroll bars included, as the window asks. Times the CPU of the whole
// process per page, the idle time between presses included; ours and the peer's one after the other
// in each round, so a busy machine weighs on both.
struct TPageFigures {
  double cpuMs = 0, textPaints = 0, barPaints = 0;  // per page
};

QScrollBar* VerticalBar(Ours& o) {
  return o.w.verticalScrollBar();
}
QScrollBar* VerticalBar(Peer& p) {
  return p.w.verticalScrollBar();
}

template <class Editor>
TPageFigures HoldPageDown(Editor& e) {
  constexpr int kPages = 90;
  FocusEditor(e);
  ToStart(e);
  RunFor(100);
  PaintCounter text, bar;
  Viewport(e)->installEventFilter(&text);
  VerticalBar(e)->installEventFilter(&bar);
  int pages = 0;
  QTimer repeat;
  repeat.setInterval(33);
  QObject::connect(&repeat, &QTimer::timeout, [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), pages > 0);
    QApplication::sendEvent(KeyTarget(e), &press);
    ++pages;
  });
  const double c0 = CpuMs();
  repeat.start();
  while (pages < kPages) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  repeat.stop();
  RunFor(33);  // the last page's paint
  const double cpu = CpuMs() - c0;
  Viewport(e)->removeEventFilter(&text);
  VerticalBar(e)->removeEventFilter(&bar);
  return TPageFigures{cpu / kPages, static_cast<double>(text.paints) / kPages,
                      static_cast<double>(bar.paints) / kPages};
}

void BM_SynPadHoldPageDown(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  Peer& p = LoadedPeer();
  TPageFigures ours, peer;
  for (auto _ : state) {
    for (auto [e, sum] : {std::pair<TPageFigures, TPageFigures*>{HoldPageDown(o), &ours}, {HoldPageDown(p), &peer}}) {
      sum->cpuMs += e.cpuMs;
      sum->textPaints += e.textPaints;
      sum->barPaints += e.barPaints;
    }
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_cpu_ms_per_page"] = ours.cpuMs / n;
  state.counters["peer_cpu_ms_per_page"] = peer.cpuMs / n;
  state.counters["ours_over_peer"] = ours.cpuMs / peer.cpuMs;  // the mark: at most 0.6
  state.counters["ours_paints_per_page"] = ours.textPaints / n;
  state.counters["ours_bar_paints_per_page"] = ours.barPaints / n;
  state.counters["peer_paints_per_page"] = peer.textPaints / n;
  state.counters["peer_bar_paints_per_page"] = peer.barPaints / n;
  state.counters["top"] = o.e.TopLine();
}
BENCHMARK(BM_SynPadHoldPageDown)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// A key typed in the middle of the million lines and the repaint it brings: the key event, then the
// window's pending paints (the text's and, where something about them changed, the scroll bars')
// before the next key, as the event loop does between a person's keys. Rounds of 20 keys, ours and
// the peer's alternately, so a busy machine slows both alike. Times wall clock per key. Ours colours
// C++; the peer is the plain QPlainTextEdit (its highlighter would cost it 4-7 ms a key here).
void TypeRound(QWidget& Target, int& Next) {
  // A statement a line, as a person types code.
  static const QString kTyped = QStringLiteral("total += compute(value, index) * 2;\r");
  for (int i = 0; i < 20; ++i, ++Next) {
    const QChar c = kTyped[Next % kTyped.size()];
    const int key = c == u'\r'     ? Qt::Key_Return
                    : c.isLetter() ? Qt::Key_A + (c.toLower().unicode() - u'a')
                                   : c.unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&Target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&Target, &release);
    QApplication::processEvents();
  }
}

// The peer without a highlighter, loaded with the same text, made once.
Peer& PlainPeer() {
  static Peer* plain = [] {
    auto* x = new Peer(kWidth, kHeight, false);
    x->Load(BigCpp());
    return x;
  }();
  return *plain;
}

void BM_SynPadKeystrokeInTheMiddle(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  Peer& p = PlainPeer();
  constexpr int kMiddle = kLines / 2, kRounds = 25;
  o.e.SetCaretXY(TBufferCoord{1, kMiddle});
  o.e.EnsureCursorPosVisibleEx(true);
  p.w.setTextCursor(QTextCursor(p.w.document()->findBlockByNumber(kMiddle - 1)));
  p.w.centerCursor();
  FocusEditor(o);
  QApplication::processEvents();
  double ours = 0, peer = 0;
  int oursNext = 0, peerNext = 0;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      const auto t0 = std::chrono::steady_clock::now();
      TypeRound(o.w, oursNext);
      const auto t1 = std::chrono::steady_clock::now();
      TypeRound(p.w, peerNext);
      const auto t2 = std::chrono::steady_clock::now();
      ours += std::chrono::duration<double, std::milli>(t1 - t0).count();
      peer += std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
  }
  const double keys = static_cast<double>(state.iterations()) * kRounds * 20;
  state.counters["ours_ms_per_key"] = ours / keys;
  state.counters["peer_ms_per_key"] = peer / keys;
  state.counters["ours_over_peer"] = ours / peer;  // the mark: at most 1
  state.counters["line"] = o.e.CaretY();
}
BENCHMARK(BM_SynPadKeystrokeInTheMiddle)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Keys that make a line the longest of the text: 400 keys typed at the end of a short line in the
// middle of the million lines, with no line break, while another line, out of view, is 240
// characters long (so the horizontal scroll bar shows from the start): the typed line outgrows it
// about halfway, and from there on the bar's range follows the line key by key (the keystroke
// benchmark above types a line break every 36 characters and never meets this). As there: each key
// event, then the window's pending paints before the next key; rounds of 20 keys, ours and the
// peer's alternately; wall clock per key. Besides the time, the paints of the text area, of the
// horizontal scroll bar and of the editor's frame (the scroll area around them) over the 400 keys,
// for both. Each iteration starts from the same short line, the keys of the one before taken out
// again untimed; the long line is made before and taken back after, untimed too.
struct TLongestFigures {
  double ms = 0, text = 0, bar = 0, frame = 0;  // sums over the keys
  double textPixels = 0, framePixels = 0;
};

void TypeChars(QWidget& Target, int& Next, int Count) {
  static const QString kTyped = QStringLiteral("total + compute(value, index) * 2; ");
  for (int i = 0; i < Count; ++i, ++Next) {
    const QChar c = kTyped[Next % kTyped.size()];
    const int key = c.isLetter() ? Qt::Key_A + (c.toLower().unicode() - u'a') : c.unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&Target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&Target, &release);
    QApplication::processEvents();
  }
}

QWidget& Frame(Ours& o) {
  return o.w;
}
QWidget& Frame(Peer& p) {
  return p.w;
}
QScrollBar* HorizontalBar(Ours& o) {
  return o.w.horizontalScrollBar();
}
QScrollBar* HorizontalBar(Peer& p) {
  return p.w.horizontalScrollBar();
}

// Counts the paints of the text area, the horizontal bar and the frame while Type runs.
template <class Editor, class Typing>
void CountPaints(Editor& e, TLongestFigures& sum, Typing&& Type) {
  PaintCounter text, bar, frame;
  Viewport(e)->installEventFilter(&text);
  HorizontalBar(e)->installEventFilter(&bar);
  Frame(e).installEventFilter(&frame);
  const auto t0 = std::chrono::steady_clock::now();
  Type();
  sum.ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  Viewport(e)->removeEventFilter(&text);
  HorizontalBar(e)->removeEventFilter(&bar);
  Frame(e).removeEventFilter(&frame);
  sum.text += text.paints;
  sum.bar += bar.paints;
  sum.frame += frame.paints;
  sum.textPixels += text.pixels;
  sum.framePixels += frame.pixels;
}

void BM_SynPadKeysMakeLongestLine(benchmark::State& state) {
  NeedBenchApplication();
  Ours& o = LoadedOurs();
  Peer& p = PlainPeer();
  constexpr int kLine = kLines / 2 + 2000, kLongLine = kLines / 2 - 3000, kKeys = 400, kRound = 20;
  const int shortLength = static_cast<int>(o.e.LineText(kLine).size());
  // Text of this many characters appended to the line kLongLine, and taken out again.
  auto appendTo = [&](int Line, const std::u16string& Text) {
    o.e.SetCaretXY(TBufferCoord{static_cast<int>(o.e.LineText(Line).size()) + 1, Line});
    o.e.SetSelText(Text);
    QTextCursor c(p.w.document()->findBlockByNumber(Line - 1));
    c.movePosition(QTextCursor::EndOfBlock);
    c.insertText(QString::fromStdU16String(Text));
  };
  auto cutBack = [&](int Line, int Length) {
    o.e.SetBlockBegin(TBufferCoord{Length + 1, Line});
    o.e.SetBlockEnd(TBufferCoord{static_cast<int>(o.e.LineText(Line).size()) + 1, Line});
    o.e.SetSelText(u"");
    QTextCursor c(p.w.document()->findBlockByNumber(Line - 1));
    c.setPosition(c.block().position() + Length);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  };
  const int longLength = static_cast<int>(o.e.LineText(kLongLine).size());
  appendTo(kLongLine, std::u16string(static_cast<size_t>(std::max(0, 240 - longLength)), u'x'));
  const int longestBefore = o.e.Lines().LengthOfLongestLine();
  TLongestFigures ours, peer;
  int longestAfter = 0;
  for (auto _ : state) {
    // Both carets at the end of the line, the line in view.
    o.e.SetCaretXY(TBufferCoord{shortLength + 1, kLine});
    o.e.EnsureCursorPosVisibleEx(true);
    QTextCursor c(p.w.document()->findBlockByNumber(kLine - 1));
    c.movePosition(QTextCursor::EndOfBlock);
    p.w.setTextCursor(c);
    p.w.centerCursor();
    FocusEditor(o);
    RunFor(100);
    int oursNext = 0, peerNext = 0;
    for (int typed = 0; typed < kKeys; typed += kRound) {
      CountPaints(o, ours, [&] { TypeChars(o.w, oursNext, kRound); });
      CountPaints(p, peer, [&] { TypeChars(p.w, peerNext, kRound); });
    }
    longestAfter = o.e.Lines().LengthOfLongestLine();
    cutBack(kLine, shortLength);
    QApplication::processEvents();
  }
  cutBack(kLongLine, longLength);
  QApplication::processEvents();
  const double keys = static_cast<double>(state.iterations()) * kKeys;
  state.counters["ours_ms_per_key"] = ours.ms / keys;
  state.counters["peer_ms_per_key"] = peer.ms / keys;
  state.counters["ours_over_peer"] = ours.ms / peer.ms;  // the mark: at most 1
  state.counters["ours_bar_paints"] = ours.bar / static_cast<double>(state.iterations());
  state.counters["ours_frame_paints"] = ours.frame / static_cast<double>(state.iterations());
  state.counters["ours_text_paints"] = ours.text / static_cast<double>(state.iterations());
  state.counters["peer_bar_paints"] = peer.bar / static_cast<double>(state.iterations());
  state.counters["peer_frame_paints"] = peer.frame / static_cast<double>(state.iterations());
  state.counters["peer_text_paints"] = peer.text / static_cast<double>(state.iterations());
  state.counters["ours_text_kpx"] = ours.textPixels / keys / 1000;
  state.counters["peer_text_kpx"] = peer.textPixels / keys / 1000;
  state.counters["ours_frame_kpx"] = ours.framePixels / keys / 1000;
  state.counters["peer_frame_kpx"] = peer.framePixels / keys / 1000;
  state.counters["longest_before"] = longestBefore;
  state.counters["longest_after"] = longestAfter;
}
BENCHMARK(BM_SynPadKeysMakeLongestLine)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
