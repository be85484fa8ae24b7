// The record editor's window as the databank window drives it: opening a record from its XML node
// into the frame and painting the frame, storing it back into the node, and switching between two
// records (commit the open one, clear, open the other, paint). C++ records (the editor benchmarks'
// text), the C/C++ highlighter, a 1000 x 700 frame offscreen.
#include <benchmark/benchmark.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "editor_bench_common.h"
#include "recordeditor/gui/uEditorFrameWidget.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

namespace {

struct FrameFixture {
  TdmHighLighters set{THighlighterSetRole::Primary,
                      (std::filesystem::temp_directory_path() / "tessaryn_bench_no_plugins").string()};
  TXMLDataBase2 bank;
  std::unique_ptr<TEditorFrameWidget> window;

  explicit FrameFixture(int lines) {
    NeedBenchApplication();
    TxevXMLNode2* root = bank.Root();
    XMLPathWriteString(root, "HighLight", "4");
    for (int id = 1; id <= 2; ++id) {
      TxevXMLNode2* rec = root->AddChild("record");
      rec->SetText("record " + std::to_string(id));
      rec->SetAttribute("ID", std::to_string(id));
      bank::SetRecordData(rec, CppText(lines + id - 1));
      bank::SetRecordComments(rec, "Comments of record " + std::to_string(id));
    }
    window = std::make_unique<TEditorFrameWidget>(set);
    window->resize(1000, 700);
    window->show();
    QApplication::processEvents();
  }
  ~FrameFixture() { window.reset(); }
  TxevXMLNode2* Record(int id) { return bank::FindNodeByID(bank.Root(), id); }
  TEditorFrame& Frame() { return window->Frame(); }
  // Paints the code editor as the window system asks it to after a change.
  void Paint() { benchmark::DoNotOptimize(window->MemoWindow->RenderToImage().constBits()); }
};

void BM_OpenRecordAndPaint(benchmark::State& state) {
  FrameFixture f(int(state.range(0)));
  for (auto _ : state) {
    f.Frame().OpenRecord(f.Record(1));
    f.Frame().SetEditorEnabled(true);
    f.Paint();
    state.PauseTiming();
    f.Frame().ClearEditor();
    f.Frame().DetachRecord();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bank::RecordData(f.Record(1)).size()));
}
BENCHMARK(BM_OpenRecordAndPaint)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_StoreRecord(benchmark::State& state) {
  FrameFixture f(int(state.range(0)));
  f.Frame().OpenRecord(f.Record(1));
  for (auto _ : state) f.Frame().StoreRecord();
  state.SetBytesProcessed(state.iterations() * int64_t(bank::RecordData(f.Record(1)).size()));
}
BENCHMARK(BM_StoreRecord)->Arg(100000)->Unit(benchmark::kMillisecond);

// What selecting the other record does: the open one is committed (modified or not, it is written
// back), the editor cleared and detached, the other opened, enabled and painted.
void BM_SwitchBetweenRecords(benchmark::State& state) {
  FrameFixture f(int(state.range(0)));
  int open = 1;
  f.Frame().OpenRecord(f.Record(open));
  for (auto _ : state) {
    TEditorFrame& frame = f.Frame();
    benchmark::DoNotOptimize(frame.IsModified());
    frame.StoreRecord();
    frame.SetEditorEnabled(false);
    frame.ClearEditor();
    frame.DetachRecord();
    open = 3 - open;
    frame.OpenRecord(f.Record(open));
    frame.SetEditorEnabled(true);
    f.Paint();
  }
}
BENCHMARK(BM_SwitchBetweenRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
