// Editor foundations: loading a large text into the line buffer, the longest line after a one-line
// edit, word-wrapping a million lines, and the undo list.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynPadWordWrap.h"
#include "platform/CodePage.h"

namespace {

constexpr int kLines = 1000000;

// About 50 MB of Windows-1252 text in 1,000,000 CR LF lines of words, tabs and punctuation.
const std::string& BigText() {
  static const std::string text = [] {
    std::mt19937 rng(1);
    std::string t;
    t.reserve(52 * 1000 * 1000);
    for (int i = 0; i < kLines; ++i) {
      const int len = 20 + static_cast<int>(rng() % 60);
      for (int k = 0; k < len; ++k) {
        const unsigned r = rng() % 16;
        t.push_back(r == 0 ? ' ' : r == 1 ? '\t' : r == 2 ? '.' : static_cast<char>('a' + rng() % 26));
      }
      t += "\r\n";
    }
    return t;
  }();
  return text;
}

void BM_EditorLoadLineBuffer(benchmark::State& state) {
  const std::string& text = BigText();
  TMemoryStream stream(text);
  for (auto _ : state) {
    auto lines = std::make_unique<TSynPadStringList>();
    stream.SetPosition(0);
    lines->LoadFromStream(stream);
    benchmark::DoNotOptimize(lines->Count());
    // Freeing a million lines is not part of loading them.
    state.PauseTiming();
    lines.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EditorLoadLineBuffer)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: only the code-page conversion of the same bytes.
void BM_EditorLoadBaselineConvert(benchmark::State& state) {
  const std::string& text = BigText();
  for (auto _ : state) {
    std::u16string wide = codepage::Cp1252ToUtf16(text);
    benchmark::DoNotOptimize(wide.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EditorLoadBaselineConvert)->Unit(benchmark::kMillisecond)->Iterations(3);

TSynPadStringList& LoadedBuffer() {
  static const std::unique_ptr<TSynPadStringList> lines = [] {
    auto l = std::make_unique<TSynPadStringList>();
    TMemoryStream stream(BigText());
    l->LoadFromStream(stream);
    return l;
  }();
  return *lines;
}

void BM_EditorLongestLineAfterEdit(benchmark::State& state) {
  TSynPadStringList& lines = LoadedBuffer();
  const int longest = lines.LengthOfLongestLine();
  std::mt19937 rng(3);
  for (auto _ : state) {
    const int at = static_cast<int>(rng() % kLines);
    lines.Put(at, std::u16string(rng() % 40, u'x'));
    benchmark::DoNotOptimize(lines.LengthOfLongestLine());
  }
  benchmark::DoNotOptimize(longest);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EditorLongestLineAfterEdit);

// Baseline: what one full rescan of the cached lengths costs.
void BM_EditorLongestLineFullRescan(benchmark::State& state) {
  TSynPadStringList& lines = LoadedBuffer();
  for (auto _ : state) {
    int best = 0;
    for (int i = 0; i < lines.Count(); ++i) best = std::max(best, lines.ExpandedStringLengths(i));
    benchmark::DoNotOptimize(best);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EditorLongestLineFullRescan)->Unit(benchmark::kMillisecond);

class BenchHost : public ISynWordWrapHost {
 public:
  explicit BenchHost(TSynPadStringList& l) : lines(l) {}
  int WrapCharsInWindow() const override { return 80; }
  bool WrapIsWordBreakChar(char16_t c) const override { return IsSynWordBreakChar(c); }
  int WrapLineCount() const override { return lines.Count(); }
  std::u16string WrapExpandedLine(int i) const override { return lines.ExpandedStrings(i); }
  int WrapTabWidth() const override { return lines.TabWidth(); }
  int WrapCharCells(char16_t) const override { return 1; }
  TSynPadStringList& lines;
};

void BM_EditorWordWrapMillionLines(benchmark::State& state) {
  TSynPadStringList& lines = LoadedBuffer();
  BenchHost host(lines);
  TSynWordWrapPlugin wrap(&host);
  for (auto _ : state) {
    wrap.Reset();
    benchmark::DoNotOptimize(wrap.RowCount());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * lines.Count());
  state.counters["rows"] = wrap.RowCount();
}
BENCHMARK(BM_EditorWordWrapMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EditorUndoPushPop(benchmark::State& state) {
  const int limit = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TSynPadUndoList undo;
    undo.SetMaxUndoActions(limit);
    for (int i = 0; i < kLines; ++i) undo.AddChange(crInsert, {i % 80 + 1, 1}, {i % 80 + 2, 1}, u"", smNormal);
    while (auto item = undo.PopItem()) benchmark::DoNotOptimize(item.get());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLines);
}
BENCHMARK(BM_EditorUndoPushPop)->Arg(1024)->Arg(kLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
