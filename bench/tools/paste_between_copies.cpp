// paste_between_copies THOUSANDS: a folder of THOUSANDS thousand records copied in one running copy of
// the program (its whole window, as the program's entry makes it) and pasted into another, both on
// the X server named by DISPLAY (bench/paste_between_copies gives them Xvfb), so the node's block
// goes through the desktop's clipboard from one program to the other. A thread outside each window's
// posts an event to it every 2 ms; prints the longest any of them waited, in the pasting window from
// the Paste until the copy is in its tree, and in the copying window over the same time (it hands its
// block out meanwhile), with the whole time of the paste.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../bench_app.h"
#include "../canonical_bank.h"
#include "../shown_program.h"
#include "app/UMain.h"
#include "databank/uDataBankContent.h"
#include "databank/uNodeClipboard.h"
#include "xml/uXMLBase2.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The longest wait of the events a thread outside the window's posts to it every 2 ms.
class TBlockProbe : public QObject {
 public:
  TBlockProbe()
      : thread_([this] {
          while (!stop_) {
            QCoreApplication::postEvent(this, new Stamp);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~TBlockProbe() override { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  double WorstMs(Clock::time_point from) const {
    double worst = 0;
    for (const auto& [posted, handled] : probes_)
      if (posted >= from) worst = std::max(worst, Ms(posted, handled));
    return worst;
  }
  bool event(QEvent* e) override {
    if (e->type() != kProbe) return QObject::event(e);
    probes_.emplace_back(static_cast<Stamp*>(e)->posted, Clock::now());
    return true;
  }

 private:
  static constexpr QEvent::Type kProbe = static_cast<QEvent::Type>(QEvent::User + 39);
  struct Stamp : QEvent {
    Clock::time_point posted = Clock::now();
    Stamp() : QEvent(kProbe) {}
  };
  std::vector<std::pair<Clock::time_point, Clock::time_point>> probes_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string WriteBank(const canonical::TBenchDir& dir, const std::string& name, int bigRecords) {
  TXMLDataBase2 db;
  canonical::Fill(db, bigRecords, canonical::TText::NonAscii, 1);
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary) << db.EncodedXML();
  return path;
}

std::string WriteSettings(const canonical::TBenchDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary)
      << "<?xml version=\"1.0\"?>\r\n<dataroot><AutoSave>0</AutoSave><MakeBackup>0</MakeBackup></dataroot>";
  return path;
}

// The first top-level folder whose title starts with prefix, once the databank is open and shown.
TxevXMLNode2* TopFolder(TfrmMain* form, const std::string& prefix) {
  const auto start = Clock::now();
  while (Ms(start, Clock::now()) < 120000) {
    if (TXMLDataBase2* bank = form->Session().Bank())
      for (TxevXMLNode2* node : bank->Root()->Children())
        if (bank::IsFolder(node) && node->Text().rfind(prefix, 0) == 0 && form->ItemOf(node)) return node;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  std::fprintf(stderr, "the databank did not open\n");
  std::exit(1);
}

// Waits until fd has something to read, running the window's events meanwhile.
void RunUntilReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, 0) == 0) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
  const int thousands = argc > 1 ? std::atoi(argv[1]) : 100;
  canonical::TBenchDir dir{"paste_between_copies"};
  const std::string ownerBank = WriteBank(dir, "owner.xdb2", thousands * 1000);
  const std::string pasterBank = WriteBank(dir, "paster.xdb2", 0);
  int ready[2], done[2], result[2];
  if (::pipe(ready) != 0 || ::pipe(done) != 0 || ::pipe(result) != 0) return 1;
  const pid_t owner = ::fork();
  if (owner == 0) {
    NeedBenchApplication();
    {
      windowbench::ShownProgram program(WriteSettings(dir, "owner.xdb"), ownerBank, dir.File("no-plugins"));
      TfrmMain* form = program.Form();
      form->Tree->Select(form->ItemOf(TopFolder(form, "Big")));
      QApplication::processEvents();
      form->Action(TTreeAction::CopyNode)->trigger();
      QApplication::processEvents();
      TBlockProbe probe;
      const auto from = Clock::now();
      (void)!::write(ready[1], "r", 1);
      RunUntilReadable(done[0]);
      probe.Stop();
      const double worst = probe.WorstMs(from);
      (void)!::write(result[1], &worst, sizeof worst);
      form->Session().CloseBank();
      program.entry.Finish();
    }
    std::fflush(nullptr);
    ::_exit(0);
  }
  char byte;
  if (::read(ready[0], &byte, 1) != 1) return 1;
  NeedBenchApplication();
  double worstPaster = 0, whole = 0;
  bool pasted = false;
  {
    windowbench::ShownProgram program(WriteSettings(dir, "paster.xdb"), pasterBank, dir.File("no-plugins"));
    TfrmMain* form = program.Form();
    form->Tree->Select(form->ItemOf(TopFolder(form, "")));
    QApplication::processEvents();
    const size_t before = form->NodeMap().Size();
    TBlockProbe probe;
    const auto start = Clock::now();
    form->Action(TTreeAction::PasteNode)->trigger();
    while ((form->PasteInFlight() || form->NodeMap().Size() == before) && Ms(start, Clock::now()) < 120000)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    whole = Ms(start, Clock::now());
    pasted = form->NodeMap().Size() == before + size_t(thousands) * 1000 + 1;
    probe.Stop();
    worstPaster = probe.WorstMs(start);
    form->Session().CloseBank();
    program.entry.Finish();
  }
  (void)!::write(done[1], "d", 1);
  double worstOwner = -1;
  if (::read(result[0], &worstOwner, sizeof worstOwner) != sizeof worstOwner) worstOwner = -1;
  ::waitpid(owner, nullptr, 0);
  std::ifstream load("/proc/loadavg");
  std::string loadavg;
  std::getline(load, loadavg);
  std::printf(
      "paste %d,000 records from another copy: %s; pasting window blocked %.0f ms at most, copying window "
      "%.0f ms; whole paste %.0f ms (load %s)\n",
      thousands, pasted ? "pasted" : "NOT PASTED", worstPaster, worstOwner, whole, loadavg.c_str());
  return pasted ? 0 : 1;
}
