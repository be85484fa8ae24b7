// typing_through_focus BANK SETTINGS LAYERS: the program started as its main() starts it, on the X
// server named by DISPLAY (bench/typing_autosave gives it Xvfb and a window manager), with BANK open
// and the auto-save period of SETTINGS. A record is opened, its code clicked into with the mouse, and
// xdotool types a key every 5 ms for several seconds while the auto-save timer saves the databank
// (LAYERS: "plain" or "enciphered+compressed"). The keys go through the X server and the keyboard
// focus, as a person's do. Prints the longest time between two keys reaching the code editor, the
// keys that never reached it, the saves written meanwhile, and the resident memory: once the
// databank is open and shown, and the most it reached while the keys were typed and saved (the
// peak is taken afresh from the moment of the first figure, and the resident size sampled every
// millisecond besides). For the longest gap it tells how long the window's thread ran in it and how
// long it waited for a processor (the system's account of that thread, read every millisecond by
// another thread): work of the program's own, or a busy machine. While the keys are typed the
// window's thread sleeps between events as the program's own loop does: every figure of the typing
// (the account, the resident size, the file's time) is sampled by that other thread, so the
// measuring does not keep the window's thread busy and make the system treat it as a busy one.
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../canonical_bank.h"
#include "app/UMain.h"
#include "app/uProgramEntry.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/UIServices.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtUIServices.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Records when each key press reaches the watched widget from the window system.
class KeyArrivals : public QObject {
 public:
  explicit KeyArrivals(QWidget* watched) : watched_(watched) {}
  std::vector<Clock::time_point> Times;
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && event->spontaneous() && receiver == watched_)
      Times.push_back(Clock::now());
    return false;
  }

 private:
  QWidget* watched_;
};

// Runs xdotool with args, the event loop going on meanwhile; false when it failed.
bool Xdotool(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral("xdotool"), args);
  if (!p.waitForStarted(10000)) return false;
  while (p.state() != QProcess::NotRunning) {
    QApplication::processEvents(QEventLoop::AllEvents, 2);
    p.waitForFinished(1);
  }
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void Settle(int ms) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: typing_through_focus BANK SETTINGS plain|enciphered+compressed\n");
    return 2;
  }
  const std::string bank = argv[1], layers = argv[3];
  TProgramOptions options;
  options.CommandLineFile = bank;
  options.SettingsFile = argv[2];
  options.PluginFolder = (std::filesystem::path(argv[2]).parent_path() / "no-plugins").string();
  TProgramEntry entry(options);
  entry.InitializeUnits();
  int qtArgc = 1;
  platform::TGuardedApplication app(qtArgc, argv);
  platform::QtUIServices ui;
  platform::ScopedUIServices useUi(ui);
  entry.InitializeApplication();
  entry.CreateHighlighters();
  entry.CreateMainForm();
  entry.ShowMainForm();
  TfrmMain* form = entry.MainForm();
  const bool layered = layers != "plain";
  form->Session().SetCompress(layered);
  form->Session().SetPassword(layered ? "secret" : "");
  Settle(1500);  // shown, placed and given the focus by the window manager

  // A record of the first folder, opened from the tree; then the mouse clicks into its code.
  form->Tree->setFocus();
  form->Tree->Select(form->ItemOf(form->FindNodeByID(2)));
  Settle(300);
  QWidget* memo = form->CodeFrame->MemoWindow;
  const QPoint at = memo->mapToGlobal(memo->rect().center());
  if (!Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"})) {
    std::fprintf(stderr, "xdotool could not click into the code\n");
    return 1;
  }
  Settle(300);
  if (QApplication::focusWidget() != memo) {
    std::fprintf(stderr, "the click did not give the code editor the focus\n");
    return 1;
  }
  const std::u16string before = form->CodeFrame->Frame().Memo.GetText();
  Settle(1000);  // what the open left to do (the tree's pictures, freeing its buffers) is done
  const long openedKb = canonical::ReadStatusKb("VmRSS:");
  // The peak resident size from here on (the open's own peak is not the typing's).
  std::ofstream("/proc/self/clear_refs") << "5";
  long peakKb = openedKb;

  // The window's thread as the system accounts for it: time run and time waited for a processor.
  struct Account {
    Clock::time_point at;
    long long ranNs, waitedNs;
  };
  std::vector<Account> accounts;
  accounts.reserve(1 << 16);
  std::atomic<bool> accounting{true};
  // The resident size at its most and the saves written (the file's time changing), sampled there too.
  std::atomic<long> peakSeen{openedKb};
  std::atomic<int> savesSeen{0};
  std::thread accountant([&, path = "/proc/self/task/" + std::to_string(syscall(SYS_gettid)) + "/schedstat"] {
    std::error_code ec;
    auto lastWrite = std::filesystem::last_write_time(bank, ec);
    while (accounting) {
      Account a{Clock::now(), 0, 0};
      std::ifstream(path) >> a.ranNs >> a.waitedNs;
      accounts.push_back(a);
      peakSeen = std::max(peakSeen.load(), canonical::ReadStatusKb("VmRSS:"));
      if (const auto t = std::filesystem::last_write_time(bank, ec); !ec && t != lastWrite) {
        lastWrite = t;
        ++savesSeen;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  KeyArrivals arrivals(memo);
  app.installEventFilter(&arrivals);
  constexpr int kKeys = 1200;  // about six seconds at 5 ms a key
  QProcess typist;
  typist.start(QStringLiteral("xdotool"), {"type", "--delay", "5", QString(kKeys, QLatin1Char('a'))});
  typist.waitForStarted(10000);
  const auto begin = Clock::now();
  // Typing, then until every key that is coming has come (or ten quiet seconds). The loop waits for
  // events; a slow timer wakes it now and then to look at the clock.
  QTimer look;
  look.start(50);
  while (typist.state() != QProcess::NotRunning ||
         (arrivals.Times.size() < size_t(kKeys) &&
          Ms(arrivals.Times.empty() ? begin : arrivals.Times.back(), Clock::now()) < 10000))
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  look.stop();
  const int saves = savesSeen;  // while the keys were typed
  form->Session().WaitForSave();
  peakKb = std::max({peakKb, canonical::ReadStatusKb("VmRSS:"), canonical::ReadStatusKb("VmHWM:")});
  app.removeEventFilter(&arrivals);

  accounting = false;
  accountant.join();
  peakKb = std::max(peakKb, peakSeen.load());
  double gap = 0;
  size_t longest = 0;
  for (size_t i = 1; i < arrivals.Times.size(); ++i)
    if (Ms(arrivals.Times[i - 1], arrivals.Times[i]) > gap) {
      gap = Ms(arrivals.Times[i - 1], arrivals.Times[i]);
      longest = i;
    }
  double ran = 0, waited = 0;
  if (longest > 0) {
    const Account* first = nullptr;
    const Account* last = nullptr;
    for (const Account& a : accounts) {
      if (a.at >= arrivals.Times[longest - 1] && !first) first = &a;
      if (a.at <= arrivals.Times[longest]) last = &a;
    }
    if (first && last && last >= first) {
      ran = double(last->ranNs - first->ranNs) / 1e6;
      waited = double(last->waitedNs - first->waitedNs) / 1e6;
    }
  }
  const std::u16string after = form->CodeFrame->Frame().Memo.GetText();
  const long typed =
      long(std::count(after.begin(), after.end(), u'a') - std::count(before.begin(), before.end(), u'a'));
  std::printf(
      "typing through the focus during auto-saves (%s): longest gap between keys %.1f ms (the window's thread ran "
      "%.1f ms of it, waited %.1f ms for a processor), keys lost %ld of %d (%zu reached the editor), saves %d, %.1f s "
      "of typing; resident memory %.0f MB once open, at most %.0f MB while typing and saving (%.2fx)\n",
      layers.c_str(), gap, ran, waited, long(kKeys) - typed, kKeys, arrivals.Times.size(), saves,
      arrivals.Times.empty() ? 0.0 : Ms(arrivals.Times.front(), arrivals.Times.back()) / 1000, openedKb / 1024.0,
      peakKb / 1024.0, openedKb > 0 ? double(peakKb) / double(openedKb) : 0.0);
  std::fflush(stdout);
  std::_Exit(0);  // the databank stays as it was saved; no need to close the window
}
