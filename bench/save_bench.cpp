// Saving and opening at scale, on Qt's offscreen platform, with the canonical databank
// (canonical_bank.h) at 10,000, 50,000 and 200,000 records (its folders repeated):
// - the document written to bytes (in the Windows-1252 of the file);
// - how long a save holds the window: Save pressed in the main window until the window handles
//   events again, for each layer combination, with the whole save (until the file is written);
// - opening from the file to the shown tree, the databank beside its ASCII twin (the same structure
//   and file size) in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/UMain.h"
#include "app/uProgramEntry.h"
#include "canonical_bank.h"
#include "databank/gui/uXMLTreeForm.h"
#include "platform/Lifecycle.h"
#include "shown_program.h"
#include "window_bench_support.h"
#include "xml/uXMLBase2.h"

namespace {

using Clock = std::chrono::steady_clock;
using canonical::TText;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

const char* const kLayerNames[] = {"plain", "compressed", "enciphered", "enciphered+compressed"};

struct Files {
  canonical::TBenchDir dir{"save_bench"};
  std::map<std::pair<int, TText>, std::string> banks;

  // The databank of that many thousand records, written once.
  const std::string& Bank(int thousands, TText text) {
    std::string& path = banks[{thousands, text}];
    if (path.empty()) {
      TXMLDataBase2 db;
      canonical::Fill(db, 0, text, thousands);
      path = dir.File(std::to_string(thousands) + (text == TText::Ascii ? "k-ascii.xdb2" : "k.xdb2"));
      std::ofstream(path, std::ios::binary) << db.EncodedXML();
    }
    return path;
  }
  std::string Settings() const {
    const std::string path = dir.File("settings.xdb");
    std::ofstream(path, std::ios::binary)
        << "<?xml version=\"1.0\"?>\r\n<dataroot><AutoSave>1</AutoSave><MakeBackup>0</MakeBackup></dataroot>";
    return path;
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

// The program up to its shown main window, with a databank open.
struct Program : windowbench::ShownProgram {
  explicit Program(const std::string& bank)
      : ShownProgram(TheFiles().Settings(), bank, TheFiles().dir.File("no-plugins")) {}
  ~Program() {
    entry.MainForm()->Session().CloseBank();  // not saved: nothing of it is needed again
    entry.Finish();
  }
};

void BM_SaveDocumentToBytes(benchmark::State& state) {
  const int thousands = static_cast<int>(state.range(0));
  TXMLDataBase2 bank;
  if (!bank.LoadFromFile(TheFiles().Bank(thousands, TText::NonAscii))) std::abort();
  size_t bytes = 0;
  for (auto _ : state) {
    std::string xml = bank.EncodedXML();
    bytes = xml.size();
    benchmark::DoNotOptimize(xml);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["records"] = thousands * 1000;
}

void BM_SaveWindowBlocked(benchmark::State& state) {
  const int layers = static_cast<int>(state.range(0));
  const int thousands = static_cast<int>(state.range(1));
  NeedBenchApplication();
  windowbench::TheUI();
  // A copy of its own: the saves below rewrite it with their layers.
  const std::string work = TheFiles().dir.File("work.xdb2");
  std::filesystem::copy_file(TheFiles().Bank(thousands, TText::NonAscii), work,
                             std::filesystem::copy_options::overwrite_existing);
  Program program(work);
  TfrmMain* form = program.Form();
  form->Session().SetCompress(layers == 1 || layers == 3);
  form->Session().SetPassword(layers >= 2 ? "secret" : "");
  double worst = 0, whole = 0;
  for (auto _ : state) {
    form->SetModified();
    form->UpdateActions();
    const auto start = Clock::now();
    form->Action(TTreeAction::SaveBase)->trigger();
    QApplication::processEvents();
    const double ms = Ms(start, Clock::now());
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    form->Session().WaitForSave();
    whole = std::max(whole, Ms(start, Clock::now()));
    if (form->Session().Modified()) std::abort();  // the save failed
  }
  state.counters["worst_ms"] = worst;
  state.counters["whole_save_ms"] = whole;
  state.counters["records"] = thousands * 1000;
  state.SetLabel(kLayerNames[layers]);
}

// Both databanks opened into a shown tree window in every iteration; each keeps its best time.
void BM_OpenFileToTree(benchmark::State& state) {
  NeedBenchApplication();
  windowbench::TheUI();
  const int thousands = static_cast<int>(state.range(0));
  const std::string files[2] = {TheFiles().Bank(thousands, TText::Ascii), TheFiles().Bank(thousands, TText::NonAscii)};
  double best[2] = {1e9, 1e9};
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      TXMLTreeForm* form = platform::Construct<TXMLTreeForm>(nullptr, std::string());
      windowbench::Paint(form);
      const auto start = Clock::now();
      form->Session().OpenBank(files[k]);
      windowbench::Paint(form);
      const double ms = Ms(start, Clock::now());
      best[k] = std::min(best[k], ms);
      if (k == 1) state.SetIterationTime(ms / 1000);
      if (static_cast<long long>(form->NodeMap().Size()) != thousands * 1025LL) std::abort();
      platform::Destroy(form);
    }
  }
  state.counters["ascii_ms"] = best[0];
  state.counters["non_ascii_ms"] = best[1];
  state.counters["x_ascii"] = best[1] / best[0];
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(files[1])) / 1e6;
}

}  // namespace

BENCHMARK(BM_SaveDocumentToBytes)->Arg(10)->Arg(50)->Arg(200)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWindowBlocked)
    ->ArgsProduct({{0, 1, 2, 3}, {10, 50, 200}})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFileToTree)->Arg(10)->Arg(50)->Arg(200)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
