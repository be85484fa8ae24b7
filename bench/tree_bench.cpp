// The databank window at scale, on Qt's offscreen platform: the canonical databank (canonical_bank.h)
// opened into the window until its first painted frame; the tree commands in a folder of 10,000
// records (the canonical databank plus one such folder); selecting the last record by its ID; and the
// peak memory of the open window as a multiple of the file's size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "canonical_bank.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "window_bench_support.h"
#include "xml/uXMLBase2.h"

namespace {

constexpr int kBigFolder = 10000;

struct Files {
  canonical::TBenchDir dir{"tree_bench"};
  std::string canonical, withBigFolder;
  std::int64_t canonicalSize = 0;
  Files() {
    auto write = [&](const std::string& name, int big) {
      TXMLDataBase2 db;
      canonical::Fill(db, big);
      std::ofstream(dir.File(name), std::ios::binary) << db.EncodedXML();
      return dir.File(name);
    };
    canonical = write("canonical.xdb2", 0);
    withBigFolder = write("big.xdb2", kBigFolder);
    canonicalSize = static_cast<std::int64_t>(std::filesystem::file_size(canonical));
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

using windowbench::Paint;
using windowbench::Seconds;
using windowbench::TheUI;

// ---- peak memory ----

using canonical::ReadStatusKb;

void BM_TreeWindowPeakMemory(benchmark::State& state) {
  Files& files = TheFiles();
  double ratio = -1;
  for (auto _ : state) {
    ratio = windowbench::MeasureInChild<1>([&]() -> std::array<double, 1> {
      const long before = ReadStatusKb("VmRSS:");
      NeedBenchApplication();
      TheUI();
      TXMLTreeForm* form = platform::Construct<TXMLTreeForm>(nullptr, files.canonical);
      Paint(form);
      const long peak = ReadStatusKb("VmHWM:");
      return {(peak - before) * 1024.0 / static_cast<double>(files.canonicalSize)};
    })[0];
  }
  state.counters["peak_x_file"] = ratio;
  state.counters["file_MB"] = static_cast<double>(files.canonicalSize) / 1e6;
}

// ---- opening ----

void BM_TreeOpenToFirstPaint(benchmark::State& state) {
  Files& files = TheFiles();
  NeedBenchApplication();
  TheUI();
  const bool withWindow = state.range(0) == 1;
  for (auto _ : state) {
    TXMLTreeForm* form = withWindow ? nullptr : platform::Construct<TXMLTreeForm>(nullptr, std::string());
    if (form) Paint(form);
    const auto start = std::chrono::steady_clock::now();
    if (withWindow)
      form = platform::Construct<TXMLTreeForm>(nullptr, files.canonical);
    else
      form->Session().OpenBank(files.canonical);
    Paint(form);
    state.SetIterationTime(Seconds(start));
    if (form->NodeMap().Size() != canonical::kRecords + 1250) std::abort();
    platform::Destroy(form);
  }
  state.SetLabel(withWindow ? "window made, then open" : "open into a shown window");
}

// ---- commands in a folder of 10,000 records ----

struct BigWindow {
  TXMLTreeForm* form;
  TxevXMLNode2* big;
  BigWindow() {
    NeedBenchApplication();
    TheUI();
    form = platform::Construct<TXMLTreeForm>(nullptr, TheFiles().withBigFolder);
    Paint(form);
    big = nullptr;
    for (TxevXMLNode2* child : form->Bank()->Root()->Children())
      if (child->Text() == "Big") big = child;
    if (!big) std::abort();
  }
  TxevXMLNode2* Middle() const { return big->Children().Items(big->Children().Count() / 2); }
  void Select(TxevXMLNode2* node) {
    form->Tree->setFocus();
    form->Tree->Select(form->ItemOf(node));
    QApplication::processEvents();
    form->UpdateActions();
  }
  void EndLabelEdit() {
    if (QLineEdit* editor = form->Tree->IsEditing() ? form->Tree->viewport()->findChild<QLineEdit*>() : nullptr) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(editor, &escape);
    }
    QApplication::processEvents();
  }
};

BigWindow& TheBigWindow() {
  static BigWindow window;
  return window;
}

enum Command { cNewFolder, cNewRecord, cMoveUp, cMoveDown, cPaste, cDelete };
const char* const kCommandNames[] = {"New Folder", "New Record", "Move Up", "Move Down", "Paste", "Delete"};

void BM_TreeCommandInBigFolder(benchmark::State& state) {
  BigWindow& w = TheBigWindow();
  const auto command = static_cast<Command>(state.range(0));
  using A = TTreeAction;
  for (auto _ : state) {
    // Set-up, not timed: the selection the command starts from.
    if (command == cNewFolder) {
      w.Select(w.big);
    } else if (command == cPaste) {
      w.Select(w.Middle());
      w.form->Action(A::CopyNode)->trigger();
      w.form->UpdateActions();
    } else {
      w.Select(w.Middle());
    }
    const A action = command == cNewFolder   ? A::NewFolder
                     : command == cNewRecord ? A::NewItem
                     : command == cMoveUp    ? A::MoveItemUp
                     : command == cMoveDown  ? A::MoveItemDown
                     : command == cPaste     ? A::PasteNode
                                             : A::DeleteItem;
    if (!w.form->Action(action)->isEnabled()) std::abort();
    const auto start = std::chrono::steady_clock::now();
    w.form->Action(action)->trigger();
    QApplication::processEvents();  // the changed rows laid out and painted
    state.SetIterationTime(Seconds(start));
    w.EndLabelEdit();
  }
  state.counters["folder_items"] = w.big->Children().Count();
  state.SetLabel(kCommandNames[command]);
}

// ---- selecting by ID ----

void BM_SelectNodeByIDLastRecord(benchmark::State& state) {
  BigWindow& w = TheBigWindow();
  // The last record of the canonical part, at the end of a chain of closed folders.
  TxevXMLNode2* last = nullptr;
  for (TxevXMLNode2* child : w.form->Bank()->Root()->Children())
    if (bank::IsFolder(child) && child != w.big) last = child;
  std::vector<TxevXMLNode2*> above;
  for (; bank::IsFolder(last); last = last->Children().Last()) above.push_back(last);
  const int id = bank::NodeID(last);
  for (auto _ : state) {
    w.Select(w.form->Bank()->Root()->Children().First());
    for (auto it = above.rbegin(); it != above.rend(); ++it) w.form->Tree->SetExpanded(w.form->ItemOf(*it), false);
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    w.form->SelectNodeByID(id);
    state.SetIterationTime(Seconds(start));
    if (w.form->SelectedNode() != last) std::abort();
  }
  state.counters["closed_folders_above"] = double(above.size());
  state.SetLabel("opens the closed folders above it");
}

}  // namespace

BENCHMARK(BM_TreeWindowPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeOpenToFirstPaint)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeCommandInBigFolder)->DenseRange(0, 5)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectNodeByIDLastRecord)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);
