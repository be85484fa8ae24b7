// The program as a whole, on Qt's offscreen platform, with the canonical databank (canonical_bank.h):
// - (saving at several sizes: save_bench.cpp; typing while an auto-save runs goes through the real
//   keyboard focus: bench/typing_autosave);
// - start (the entry's first step) to the first painted main window, without a databank and with
//   the canonical one; quitting with it open (auto-save off, nothing modified);
// - the memory opening the databank takes, as a multiple of the file's size.
#include <benchmark/benchmark.h>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/UMain.h"
#include "app/uProgramEntry.h"
#include "canonical_bank.h"
#include "shown_program.h"
#include "window_bench_support.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "xml/uXMLBase2.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double, std::milli>(to - from).count(); }

struct Files {
  canonical::TBenchDir dir{"program_bench"};
  std::string canonical;
  std::int64_t size = 0;
  Files() {
    TXMLDataBase2 db;
    canonical::Fill(db);
    canonical = dir.File("canonical.xdb2");
    std::ofstream(canonical, std::ios::binary) << db.EncodedXML();
    size = static_cast<std::int64_t>(std::filesystem::file_size(canonical));
  }
  // A settings file of its own for each run: auto-save as asked, never a first run.
  std::string Settings(bool autoSave) const {
    const std::string path = dir.File(autoSave ? "on.xdb" : "off.xdb");
    std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\"?>\r\n<dataroot><AutoSave>" << (autoSave ? 1 : 0)
                                          << "</AutoSave><MakeBackup>0</MakeBackup></dataroot>";
    return path;
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

// Every question is answered Yes; nothing waits for a person.
void NeedApplication() {
  NeedBenchApplication();
  windowbench::TheUI();
}

// Runs the entry up to the shown main window; the window has painted when this returns.
struct Program : windowbench::ShownProgram {
  explicit Program(const std::string& bank, bool autoSave = true)
      : ShownProgram(TheFiles().Settings(autoSave), bank, TheFiles().dir.File("no-plugins")) {}
};

// ---- start and quit ----

// Watches for the first paint of a widget.
class FirstPaint : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted = true;
    return false;
  }
};

void BM_StartToFirstPaint(benchmark::State& state) {
  NeedApplication();
  const std::string bank = state.range(0) ? TheFiles().canonical : std::string();
  for (auto _ : state) {
    const auto start = Clock::now();
    TProgramOptions o;
    o.SettingsFile = TheFiles().Settings(true);
    o.CommandLineFile = bank;
    o.PluginFolder = TheFiles().dir.File("no-plugins");
    TProgramEntry entry(o);
    entry.InitializeUnits();
    entry.InitializeApplication();
    entry.CreateHighlighters();
    entry.CreateMainForm();
    FirstPaint watch;
    entry.MainForm()->installEventFilter(&watch);
    entry.ShowMainForm();
    while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
    state.SetIterationTime(Ms(start, Clock::now()) / 1000);
    entry.MainForm()->removeEventFilter(&watch);
    TheFiles().Settings(true);
    entry.MainForm()->Session().CloseBank();  // not saved: the next run starts from the same file
    entry.Finish();
  }
  state.SetLabel(bank.empty() ? "no databank" : "canonical databank");
}

void BM_QuitWithCanonicalOpen(benchmark::State& state) {
  NeedApplication();
  for (auto _ : state) {
    auto program = std::make_unique<Program>(TheFiles().canonical, false);
    const auto start = Clock::now();
    program->Form()->actnExit->trigger();
    while (!program->Form()->CloseAccepted()) QApplication::processEvents(QEventLoop::AllEvents, 1);
    program->entry.Finish();
    state.SetIterationTime(Ms(start, Clock::now()) / 1000);
    program.reset();
  }
  state.SetLabel("auto-save off, nothing modified");
}

// ---- memory ----

// What opening the canonical databank adds to the program's resident memory (the whole running
// program is measured by bench/program_start, which starts the real one).
void BM_ProgramMemoryWithCanonicalOpen(benchmark::State& state) {
  Files& files = TheFiles();
  double growth = -1;
  for (auto _ : state) {
    growth = windowbench::MeasureInChild<1>([&]() -> std::array<double, 1> {
      NeedApplication();
      Program empty(std::string{});
      const long before = canonical::ReadStatusKb("VmRSS:");
      empty.Form()->Session().OpenBank(files.canonical);
      QApplication::processEvents();
      benchmark::DoNotOptimize(empty.Form()->grab());
      const long after = canonical::ReadStatusKb("VmRSS:");
      return {(after - before) * 1024.0 / static_cast<double>(files.size)};
    })[0];
  }
  state.counters["opened_x_file"] = growth;
  state.counters["file_MB"] = static_cast<double>(files.size) / 1e6;
}

}  // namespace

BENCHMARK(BM_ProgramMemoryWithCanonicalOpen)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToFirstPaint)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuitWithCanonicalOpen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
