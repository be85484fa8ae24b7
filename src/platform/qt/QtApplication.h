// The Qt side of the application object: minimising, restoring and hiding the program's windows,
// watching the main window's state so that the minimise and restore events follow what the user
// did at the frame, keeping secondary windows from minimising alone, giving the keyboard back to
// the control that had it when a modal window closes, and the end of the desktop session. GUI
// code only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/Application.h"

namespace platform {

class QtApplicationBackend : public QObject, public IApplicationBackend {
  Q_OBJECT

 public:
  explicit QtApplicationBackend(QObject* parent = nullptr);
  ~QtApplicationBackend() override;

  // The window whose minimised state is the program's.
  void SetMainWindow(QWidget* window);
  QWidget* MainWindow() const { return main_; }
  // A secondary top-level window: when the window system minimises it, it is restored and the
  // whole program minimises instead (there is one taskbar entry to minimise, the main window's).
  void WatchSecondaryWindow(QWidget* window);

  // Runs once when the desktop session ends (log-out) or the application is about to quit, so the
  // main window can run its real close path (nothing may be lost); the main window sets it.
  std::function<void()> OnSessionEnd;

  void MinimizeWindows() override;
  void RestoreWindows() override;
  void HideWindows() override;
  void ShowWindows() override;
  void ProcessMessages() override;
  void Terminate() override;

  // Runs the session-end handler now (also what the session signals call). Before any handler is
  // set (a box of the start-up is up, the main window is not made yet), the end is kept: the
  // program's boxes close and EndedBeforeMainWindow() tells the start-up to make no window.
  void EndSession();
  bool EndedBeforeMainWindow() const { return endedBeforeMainWindow_; }
  // The end came from the system (a signal, the session manager), not from the user: nobody may be
  // there to answer a box any more.
  void EndSessionBySystem();
  bool EndedBySystem() const { return endedBySystem_; }

  // Closes every modal window (message boxes, file, print and password dialogs, the program's own
  // dialogs) as cancelled, and every popup menu; from then on each modal window that shows is
  // closed the same way. For the end of the session: nobody is there to answer.
  void CloseModalWindows();
  // Runs fn once the steps that were waiting in modal windows have ended: from the outermost event
  // loop (or from none), with no modal window or popup up. Now, when that holds already.
  void WhenNoModalWindow(std::function<void()> fn);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TModalWatcher;
  // A modal window shown, and where the keyboard was when it came.
  struct TModalReturn {
    QPointer<QWidget> Modal;
    QPointer<QWidget> Window;
    QPointer<QWidget> Focus;
  };
  void ModalShown(QWidget* modal);
  void ModalHidden(QWidget* modal);
  // True while a modal window, a popup or a nested event loop is up.
  static bool ModalWindowUp();
  // Each time the event loop has nothing left to do: the calls waiting for no modal window are
  // posted once none is up.
  void LoopIdle();

  QPointer<QWidget> main_;
  std::vector<QPointer<QWidget>> hidden_;
  std::vector<TModalReturn> modalReturns_;
  bool sessionEnding_ = false;
  bool sessionHandled_ = false;
  bool endedBeforeMainWindow_ = false;
  bool endedBySystem_ = false;
  bool restoringSecondary_ = false;
  bool closingModals_ = false;  // CloseModalWindows ran: modal windows shown from now on close too
  std::vector<std::function<void()>> noModalWaiting_;
  QMetaObject::Connection idleWatch_;  // LoopIdle, while a call waits
};

// The backend installed into TApplication, created on first use (needs a QApplication).
QtApplicationBackend& QtApplication();

// From now on SIGTERM, SIGINT and SIGHUP (the system shutting down without a session manager, Ctrl+C
// in the terminal that started the program, that terminal closing) end the session as a log-out
// does: the main window runs its close path, then the program quits. A second signal, of any of the
// three kinds, ends the program at once. Needs a QApplication; call once.
void EndSessionOnSignals();

}  // namespace platform
