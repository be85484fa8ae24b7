// Saving and opening at scale, on Qt's offscreen platform, with the canonical databank
// (canonical_bank.h) at 10,000, 50,000 and 200,000 records (its folders repeated):
// - the document written to bytes (in the Windows-1252 of the file);
// - the snapshot a save takes on the window's thread after one record was typed into;
// - how long auto-saves block the window while a user types (lone saves and saves that queue behind
//   the one being written), plain and enciphered+compressed, timed from a thread outside the window's,
//   beside the same typing without auto-save in the same run;
// - how long Export (of every top-level folder, with a password and compression) and Duplicate Node
//   (of a folder of 60,000 records) block the window, timed the same way;
// - opening from the file to the shown tree, the databank beside its ASCII twin (the same structure
//   and file size) in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "app/UMain.h"
#include "app/uProgramEntry.h"
#include "canonical_bank.h"
#include "databank/gui/uSelectNodesForExport.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
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
  // The canonical databank of that many thousand records and one more top-level folder "Big"
  // holding big thousand records, written once.
  const std::string& BankWithBigFolder(int thousands, int big) {
    std::string& path = banks[{thousands * 1000 + big, TText::NonAscii}];
    if (path.empty()) {
      TXMLDataBase2 db;
      canonical::Fill(db, big * 1000, TText::NonAscii, thousands);
      path = dir.File(std::to_string(thousands) + "k-big" + std::to_string(big) + "k.xdb2");
      std::ofstream(path, std::ios::binary) << db.EncodedXML();
    }
    return path;
  }
  std::string Settings() const {
    const std::string path = dir.File("settings.xdb");
    std::ofstream(path, std::ios::binary) << "<?xml "
                                             "version=\"1.0\"?>\r\n<dataroot><AutoSave>1</AutoSave><AutoSavePeriod>1</"
                                             "AutoSavePeriod><MakeBackup>0</MakeBackup></dataroot>";
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

// The databank of that many thousand records, read from its file.
void LoadBank(TXMLDataBase2& bank, int thousands) {
  if (!bank.LoadFromFile(TheFiles().Bank(thousands, TText::NonAscii))) std::abort();
}

void BM_SaveDocumentToBytes(benchmark::State& state) {
  const int thousands = static_cast<int>(state.range(0));
  TXMLDataBase2 bank;
  LoadBank(bank, thousands);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string xml = bank.EncodedXML();
    bytes = xml.size();
    benchmark::DoNotOptimize(xml);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["records"] = thousands * 1000;
}

// The snapshot a background save takes on the window's thread. Opening freezes the whole document
// (freeze_ms, on a few threads, as the open does); a save after one record was typed into then
// freezes only what changed since the last snapshot: the record and the elements above it (the time
// reported). free_ms: the longest that dropping a replaced snapshot took (the writer's threads do it).
void BM_SaveSnapshot(benchmark::State& state) {
  const int thousands = static_cast<int>(state.range(0));
  TXMLDataBase2 bank;
  TheFiles().Bank(thousands, TText::NonAscii);
  auto start = Clock::now();
  LoadBank(bank, thousands);
  const double load = Ms(start, Clock::now());
  start = Clock::now();
  bank.PrepareSnapshots();
  const double freeze = Ms(start, Clock::now());
  std::vector<TxevXMLNode2*> data;
  bank::ForEachTreeNode(bank.Root(), [&](TxevXMLNode2* n, int) {
    if (bank::IsRecord(n)) data.push_back(n->FindNode(bank::xnData));
  });
  std::unique_ptr<const TXMLDataBase2Snapshot> last = bank.Snapshot();
  double freeing = 0;
  size_t typed = 0;
  for (auto _ : state) {
    TxevXMLNode2* record = data[(typed * 7919) % data.size()];
    record->SetText(record->Text() + "a");
    ++typed;
    start = Clock::now();
    std::unique_ptr<const TXMLDataBase2Snapshot> snapshot = bank.Snapshot();
    state.SetIterationTime(Ms(start, Clock::now()) / 1000);
    const auto freed = Clock::now();
    last = std::move(snapshot);
    freeing = std::max(freeing, Ms(freed, Clock::now()));
  }
  state.counters["freeze_ms"] = freeze;
  state.counters["load_ms"] = load;
  state.counters["free_ms"] = freeing;
  state.counters["records"] = thousands * 1000;
}

// Typing while auto-save runs every second, as a user meets it at 200,000 records: a helper thread
// (outside the window's thread) posts a key into the open record's code every 50 ms and a probe event
// every 2 ms, and notes how late each probe is handled; a save blocks the window for the longest
// lateness of a probe posted in the second around its start (from 250 ms before). The writer takes
// longer than a second for such a file, so saves queue behind the one being written. Reported: the
// worst of 20 saves (worst_ms, the iteration's time), of those that queued (queued_worst_ms) and of
// lone ones (lone_worst_ms), their median (median_ms), how many queued, and the last whole save
// (until the file is written), the longest auto-save tick as the window's thread ran it (tick_worst_ms);
// and, as the reference of the same run, the worst lateness of any probe while the same keys are
// typed for ten seconds with the auto-save timer doing nothing (reference_worst_ms).
class TWindowProbe : public QObject {
 public:
  struct Late {
    Clock::time_point posted, handled;
  };
  std::vector<Late> Probes;  // the window's thread only
  bool event(QEvent* e) override {
    if (e->type() != kProbe) return QObject::event(e);
    Probes.push_back({static_cast<Stamp*>(e)->posted, Clock::now()});
    return true;
  }
  static constexpr QEvent::Type kProbe = static_cast<QEvent::Type>(QEvent::User + 38);
  struct Stamp : QEvent {
    Clock::time_point posted = Clock::now();
    Stamp() : QEvent(kProbe) {}
  };
};

// A thread outside the window's that posts a probe every 2 ms and, given a target, an "a" key to it
// every 50 ms, until stopped.
class TProber {
 public:
  explicit TProber(TWindowProbe& probe, QObject* keysTo = nullptr)
      : thread_([this, &probe, keysTo] {
          for (int tick = 0; !stop_; ++tick) {
            QCoreApplication::postEvent(&probe, new TWindowProbe::Stamp);
            if (keysTo && tick % 25 == 0)
              QCoreApplication::postEvent(keysTo, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~TProber() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_SaveWindowBlocked(benchmark::State& state) {
  const int layers = static_cast<int>(state.range(0));
  const int thousands = static_cast<int>(state.range(1));
  constexpr int kSaves = 20;
  NeedBenchApplication();
  windowbench::TheUI();
  // A copy of its own: the saves below rewrite it with their layers.
  const std::string work = TheFiles().dir.File("work.xdb2");
  std::filesystem::copy_file(TheFiles().Bank(thousands, TText::NonAscii), work,
                             std::filesystem::copy_options::overwrite_existing);
  Program program(work);
  TfrmMain* form = program.Form();
  TBankSession& session = form->Session();
  session.SetCompress(layers == 1 || layers == 3);
  session.SetPassword(layers >= 2 ? "secret" : "");
  form->Tree->Select(form->ItemOf(form->FindNodeByID(2)));  // a record open in the code editor
  QApplication::processEvents();
  QWidget* memo = form->CodeFrame->MemoWindow;
  const std::u16string before = form->CodeFrame->Frame().Memo.GetText();
  // Each save's start, and whether one was being written then (it queues behind it).
  struct Save {
    Clock::time_point at;
    bool queued;
  };
  std::vector<Save> saves;
  // Keys are made on the typist's thread; the keyboard they name is made once here, on the window's.
  { QKeyEvent warm(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"); }
  // The auto-save's own time on the window's thread, tick by tick.
  double tickWorst = 0;
  const auto autoSave = session.AutoSaveTimer().OnTimer;
  session.AutoSaveTimer().OnTimer = [&] {
    const auto at = Clock::now();
    autoSave();
    tickWorst = std::max(tickWorst, Ms(at, Clock::now()));
  };
  const auto writeState = session.Hooks.WriteState;
  session.Hooks.WriteState = [&] {
    saves.push_back({Clock::now(), session.SaveInFlight()});
    if (writeState)
      writeState();
    else
      session.WriteBankState();
  };
  for (auto _ : state) {
    saves.clear();
    TWindowProbe probe;
    TProber typist(probe, memo);
    const auto start = Clock::now();
    QEventLoop loop;  // the program's own loop, asleep between events
    QTimer poll;
    poll.callOnTimeout([&] {
      if (saves.size() >= kSaves + 1 || Ms(start, Clock::now()) > 120000) loop.quit();
    });
    poll.start(50);
    loop.exec();
    const auto end = Clock::now();
    typist.Stop();
    QApplication::processEvents();
    session.WaitForSave();
    const double whole = Ms(saves.empty() ? start : saves.back().at, Clock::now());
    if (saves.size() < kSaves + 1 || session.Modified()) std::abort();  // no auto-save, or a save failed
    // The first save finds the writer idle and the window at rest; the next 20 are the ones counted.
    double worst = 0, queuedWorst = 0, loneWorst = 0;
    std::vector<double> blocks;
    int queued = 0;
    for (size_t i = 1; i < saves.size(); ++i) {
      double blocked = 0;
      // The probes posted in the second around the save's start (saves come a second apart).
      for (const TWindowProbe::Late& p : probe.Probes)
        if (Ms(p.posted, saves[i].at) < 250 && Ms(saves[i].at, p.posted) < 750)
          blocked = std::max(blocked, Ms(p.posted, p.handled));
      worst = std::max(worst, blocked);
      blocks.push_back(blocked);
      (saves[i].queued ? queuedWorst : loneWorst) = std::max(saves[i].queued ? queuedWorst : loneWorst, blocked);
      queued += saves[i].queued;
    }
    state.SetIterationTime(worst / 1000);
    state.counters["worst_ms"] = worst;
    std::nth_element(blocks.begin(), blocks.begin() + kSaves / 2, blocks.end());
    state.counters["median_ms"] = blocks[kSaves / 2];  // of the 20: what a loaded machine leaves of it
    state.counters["queued_worst_ms"] = queuedWorst;
    state.counters["lone_worst_ms"] = loneWorst;
    state.counters["queued"] = queued;
    state.counters["last_whole_save_ms"] = whole;
    double any = 0;
    for (const TWindowProbe::Late& p : probe.Probes) any = std::max(any, Ms(p.posted, p.handled));
    state.counters["window_worst_ms"] = any;      // whatever blocked it, saves or not
    state.counters["tick_worst_ms"] = tickWorst;  // the longest auto-save tick itself
    state.counters["typing_s"] = Ms(start, end) / 1000;
  }
  {
    // The reference: the same typing without saves.
    session.AutoSaveTimer().OnTimer = [] {};
    TWindowProbe probe;
    TProber typist(probe, memo);
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    typist.Stop();
    QApplication::processEvents();
    double reference = 0;
    for (const TWindowProbe::Late& p : probe.Probes) reference = std::max(reference, Ms(p.posted, p.handled));
    state.counters["reference_worst_ms"] = reference;
    session.AutoSaveTimer().OnTimer = autoSave;
  }
  session.Hooks.WriteState = writeState;
  const std::u16string after = form->CodeFrame->Frame().Memo.GetText();
  if (after.size() <= before.size()) std::abort();  // the keys never reached the editor
  state.counters["records"] = thousands * 1000;
  state.SetLabel(kLayerNames[layers]);
}

// A command of the tree window as a user meets it in a large databank, timed from outside the
// window's thread: a helper thread posts a probe event every 2 ms and notes how late each is handled;
// the command blocks the window for the longest lateness of a probe posted from the command's start
// until its work is done (the exported file written, the duplicate shown) and a second after.
// - Export: the first top-level folder selected, the selection dialog answered as a user does (Select
//   All, "Lock with password" with a typed password, "Compress data", OK), of the canonical databank
//   of 200,000 records; done once the file is written.
// - Duplicate Node of the top-level folder "Big" of 60,000 (or, second argument, 400,000) records
//   beside the canonical 50,000; done once the duplicate is in the tree and the window has handled
//   what the command left for its loop.
// - Paste Node of that folder, copied before (untimed), into the first top-level folder; done as
//   the duplicate is.
// Reported: the longest block (the iteration's time) and the command's whole time (whole_ms).
// With BENCH_BUSY_LOOPS=N in the environment, N busy loops per processor run beside the command
// (counter busy_loops).
void BM_CommandWindowBlocked(benchmark::State& state) {
  const bool exporting = state.range(0) == 0;
  const bool pasting = state.range(0) == 2;
  const int big = static_cast<int>(state.range(1));
  NeedBenchApplication();
  windowbench::TheUI();
  const std::string work = TheFiles().dir.File("command.xdb2");
  std::filesystem::copy_file(exporting ? TheFiles().Bank(200, TText::NonAscii) : TheFiles().BankWithBigFolder(50, big),
                             work, std::filesystem::copy_options::overwrite_existing);
  Program program(work);
  TfrmMain* form = program.Form();
  const std::string exported = TheFiles().dir.File("exported.xdb2");
  for (auto _ : state) {
    TxevXMLNode2* target = nullptr;
    for (TxevXMLNode2* node : form->Session().Bank()->Root()->Children())
      if (bank::IsFolder(node) && (exporting || node->Text() == "Big")) {
        target = node;
        break;
      }
    if (!target) std::abort();
    form->Tree->Select(form->ItemOf(target));
    QApplication::processEvents();
    if (pasting) {
      form->Action(TTreeAction::CopyNode)->trigger();
      form->Tree->Select(form->ItemOf(form->Session().Bank()->Root()->FindNode(bank::xnFolder)));
      QApplication::processEvents();
    }
    std::filesystem::remove(exported);
    TWindowProbe probe;
    TProber prober(probe);
    // The selection dialog, answered once it shows.
    QTimer answer;
    answer.callOnTimeout([&] {
      auto* dialog = qobject_cast<TfrmSelectExport*>(QApplication::activeModalWidget());
      if (!dialog) return;
      answer.stop();
      dialog->btnSelectAll->click();
      dialog->chLock->setChecked(true);
      dialog->UpdateControls();
      dialog->chCurrentPass->setChecked(false);
      dialog->UpdateControls();
      dialog->ePassword->setText(QStringLiteral("secret"));
      dialog->chCompress->setChecked(true);
      dialog->btnOk->click();
    });
    answer.start(5);
    windowbench::BusyLoops busy(windowbench::BusyLoops::FromEnvironment());
    const auto start = Clock::now();
    const size_t before = form->NodeMap().Size();
    if (exporting) {
      if (!form->ExportFile(exported)) std::abort();
    } else {
      form->Action(pasting ? TTreeAction::PasteNode : TTreeAction::DuplicateNode)->trigger();
    }
    QApplication::processEvents();
    // The window's own loop runs while the file is written, or the copy made.
    while (form->Session().SaveInFlight() || form->PasteInFlight())
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const auto done = Clock::now();
    // A second more for what the command left behind.
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    // Probes posted from here on wait for the prober's end, not for the command.
    const auto end = Clock::now();
    prober.Stop();
    QApplication::processEvents();
    double worst = 0;
    for (const TWindowProbe::Late& p : probe.Probes)
      if (p.posted >= start && p.posted < end) worst = std::max(worst, Ms(p.posted, p.handled));
    state.SetIterationTime(worst / 1000);
    state.counters["worst_ms"] = worst;
    state.counters["whole_ms"] = Ms(start, done);
    state.counters["busy_loops"] =
        windowbench::BusyLoops::FromEnvironment() * double(std::thread::hardware_concurrency());
    if (exporting && !std::filesystem::exists(exported)) std::abort();
    if (!exporting && form->NodeMap().Size() != before + size_t(big) * 1000 + 1) std::abort();  // no copy in the tree
  }
  const std::string records = std::to_string(big) + ",000 records";
  state.SetLabel(exporting ? "export 200,000 records, password and compression"
                 : pasting ? "paste " + records
                           : "duplicate " + records);
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
BENCHMARK(BM_SaveSnapshot)->Arg(50)->Arg(200)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveWindowBlocked)
    ->ArgsProduct({{0, 3}, {50, 200}})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandWindowBlocked)
    ->Args({0, 0})
    ->Args({1, 60})
    ->Args({2, 60})
    ->Args({1, 400})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFileToTree)->Arg(10)->Arg(50)->Arg(200)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
