// Editing in the editor control: typing at the end of a 100,000-line C++ text (the control alone,
// and with every keystroke painted beside the QPlainTextEdit peer), replacing every match of a
// one-character pattern in 10 MB and undoing it, and pasting 10 MB.
#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QKeyEvent>
#include <chrono>
#include <memory>

#include "editor/SynPadSearch.h"
#include "editor_bench_common.h"

namespace {

constexpr int kTypingLines = 100000;
constexpr int kTyped = 10000;

// What a person types: a statement a line, keys and their characters as the window system sends them.
const std::u16string& TypedText() {
  static const std::u16string text = [] {
    std::u16string t;
    const std::u16string line = u"total += compute(value, index) * 2;  // keep";
    while (t.size() < kTyped) {
      t += line;
      t += u'\r';
    }
    t.resize(kTyped);
    return t;
  }();
  return text;
}

void SendKey(QWidget& w, char16_t c) {
  const bool enter = c == u'\r';
  const int key = enter ? Qt::Key_Return : (c >= u'a' && c <= u'z') ? Qt::Key_A + (c - u'a') : c;
  const QString text = enter ? QStringLiteral("\r") : QString(QChar(c));
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &release);
}

OursWindow& TypingOurs() {
  static OursWindow* o = [] {
    auto* x = new OursWindow();
    x->Load(CppText(kTypingLines));
    return x;
  }();
  return *o;
}

PeerWindow& TypingPeer() {
  static PeerWindow* p = [] {
    auto* x = new PeerWindow();
    x->Load(CppText(kTypingLines));
    return x;
  }();
  return *p;
}

// Each round starts from the loaded text with the caret at its end.
void ResetOurs(OursWindow& o) {
  o.Load(CppText(kTypingLines));
  o.e.ExecuteCommand(ecEditorBottom, 0);
  QApplication::processEvents();
}

void ResetPeer(PeerWindow& p) {
  p.Load(CppText(kTypingLines));
  p.w.moveCursor(QTextCursor::End);
  QApplication::processEvents();
}

// The control alone: keys through the window's key handling, nothing painted.
void BM_SynPadTyping_NoPaint(benchmark::State& state) {
  NeedBenchApplication();
  OursWindow& o = TypingOurs();
  const std::u16string& typed = TypedText();
  double us = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetOurs(o);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    for (char16_t c : typed) SendKey(o.w, c);
    us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["us_per_char"] = us / (static_cast<double>(state.iterations()) * kTyped);
  state.counters["lines"] = o.e.LineCount();
}
BENCHMARK(BM_SynPadTyping_NoPaint)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Every keystroke painted (the window's pending paints, scroll bars included, done before the next
// key, as the event loop does), beside the peer doing the same, alternately, so a busy machine slows
// both alike. Times wall clock per character.
void BM_SynPadTyping_Painted(benchmark::State& state) {
  NeedBenchApplication();
  OursWindow& o = TypingOurs();
  PeerWindow& p = TypingPeer();
  const std::u16string typed = TypedText().substr(0, 2000);
  double ours = 0, peer = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetOurs(o);
    ResetPeer(p);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    for (char16_t c : typed) {
      SendKey(o.w, c);
      QApplication::processEvents();
    }
    const auto t1 = std::chrono::steady_clock::now();
    for (char16_t c : typed) {
      SendKey(p.w, c);
      QApplication::processEvents();
    }
    const auto t2 = std::chrono::steady_clock::now();
    ours += std::chrono::duration<double, std::micro>(t1 - t0).count();
    peer += std::chrono::duration<double, std::micro>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations()) * static_cast<double>(typed.size());
  state.counters["ours_us_per_char"] = ours / n;
  state.counters["peer_us_per_char"] = peer / n;
  state.counters["peer_over_ours"] = peer / ours;
}
BENCHMARK(BM_SynPadTyping_Painted)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// ---- 10 MB: one match every ten characters ----

std::u16string MatchText(int Megabytes) {
  std::u16string t;
  const std::u16string line =
      u"abcdefghqabcdefghqabcdefghqabcdefghqabcdefghqabcdefghqabcdefghqabcdefghqabcdefghqabcdefghq";
  const size_t size = static_cast<size_t>(Megabytes) * 1000 * 1000;
  while (t.size() < size) {
    t += line;
    t += u"\r\n";
  }
  return t;
}

// Replaces every "q" of a text of STATE's megabytes by WITH, then undoes it.
void ReplaceAllAndUndo(benchmark::State& state, const std::u16string& With) {
  NeedBenchApplication();
  OursWindow o;
  TSynPadSearch engine;
  o.e.SetSearchEngine(&engine);
  const std::u16string text = MatchText(static_cast<int>(state.range(0)));
  double replaceMs = 0, undoMs = 0;
  int matches = 0;
  for (auto _ : state) {
    state.PauseTiming();
    o.e.SetText(text);
    QApplication::processEvents();
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    matches = o.e.SearchReplace(u"q", With, ssoMatchCase | ssoEntireScope | ssoReplaceAll);
    QApplication::processEvents();
    const auto t1 = std::chrono::steady_clock::now();
    o.e.Undo();
    QApplication::processEvents();
    const auto t2 = std::chrono::steady_clock::now();
    replaceMs += std::chrono::duration<double, std::milli>(t1 - t0).count();
    undoMs += std::chrono::duration<double, std::milli>(t2 - t1).count();
    if (o.e.GetText() != text) state.SkipWithError("undo did not give the text back");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["replace_ms"] = replaceMs / n;
  state.counters["undo_ms"] = undoMs / n;
  state.counters["matches"] = matches;
  state.counters["MB"] = static_cast<double>(state.range(0));
}

void BM_SynPadReplaceAllAndUndo(benchmark::State& state) {
  ReplaceAllAndUndo(state, u"QQ");
}
BENCHMARK(BM_SynPadReplaceAllAndUndo)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// Every replacement breaks its line: a line of the text becomes ten.
void BM_SynPadReplaceAllBreaksAndUndo(benchmark::State& state) {
  ReplaceAllAndUndo(state, u"q\n");
}
BENCHMARK(BM_SynPadReplaceAllBreaksAndUndo)
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

void BM_SynPadPaste10MB(benchmark::State& state) {
  NeedBenchApplication();
  OursWindow o;
  const std::u16string text = MatchText(10);
  QApplication::clipboard()->setText(
      QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
  for (auto _ : state) {
    state.PauseTiming();
    o.e.SetText(u"// pasted below\n");
    o.e.ExecuteCommand(ecEditorBottom, 0);
    QApplication::processEvents();
    state.ResumeTiming();
    o.e.CommandProcessor(ecPaste, 0);
    QApplication::processEvents();
  }
  state.counters["lines"] = o.e.LineCount();
}
BENCHMARK(BM_SynPadPaste10MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
