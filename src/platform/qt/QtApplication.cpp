#include "platform/qt/QtApplication.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <cerrno>
#include <csignal>

#include "platform/UIServices.h"

namespace platform {

namespace {

// A dialog ends as cancelled even where its own close handling would keep it (it is done, hidden
// and its loop left); any other window is closed.
void CloseAsCancelled(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
    if (dialog->isVisible()) dialog->done(QDialog::Rejected);
  } else {
    window->close();
  }
}

}  // namespace

// Sees the showing and hiding of every window of the program (an object of its own: the backend's
// own filter watches only the windows it was given).
class QtApplicationBackend::TModalWatcher : public QObject {
 public:
  explicit TModalWatcher(QtApplicationBackend* backend) : QObject(backend), backend_(backend) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()) {
      auto* w = static_cast<QWidget*>(watched);
      if (w->isWindow() && w->isModal() && w->windowType() != Qt::Popup) {
        if (event->type() == QEvent::Show)
          backend_->ModalShown(w);
        else
          backend_->ModalHidden(w);
      }
      // Once the session ends nobody answers: a window that asks is closed as soon as it shows.
      if (backend_->closingModals_ && event->type() == QEvent::Show && w->isWindow() &&
          (w->isModal() || w->windowType() == Qt::Popup)) {
        QPointer<QWidget> later(w);
        QTimer::singleShot(0, backend_, [later] {
          if (later && later->isVisible()) CloseAsCancelled(later);
        });
      }
    }
    return false;
  }

 private:
  QtApplicationBackend* backend_;
};

QtApplicationBackend::QtApplicationBackend(QObject* parent) : QObject(parent) {
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { EndSessionBySystem(); });
    connect(gui, &QCoreApplication::aboutToQuit, this, [this] { EndSession(); });
  }
  // Every modal window of the program passes here, whoever shows it (our forms, message boxes,
  // file dialogs).
  if (qobject_cast<QApplication*>(QCoreApplication::instance()))
    QCoreApplication::instance()->installEventFilter(new TModalWatcher(this));
}

QtApplicationBackend::~QtApplicationBackend() {
  if (TApplication::Instance().Backend() == this) TApplication::Instance().SetBackend(nullptr);
}

void QtApplicationBackend::SetMainWindow(QWidget* window) {
  if (main_) main_->removeEventFilter(this);
  main_ = window;
  if (main_) main_->installEventFilter(this);
}

void QtApplicationBackend::WatchSecondaryWindow(QWidget* window) {
  if (window && window != main_) window->installEventFilter(this);
}

void QtApplicationBackend::MinimizeWindows() {
  if (main_) main_->setWindowState(main_->windowState() | Qt::WindowMinimized);
}

void QtApplicationBackend::RestoreWindows() {
  ShowWindows();
  if (!main_) return;
  main_->setWindowState((main_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  main_->show();
  main_->raise();
  main_->activateWindow();
}

void QtApplicationBackend::HideWindows() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && !w->isHidden()) {
      hidden_.emplace_back(w);
      w->hide();
    }
  }
}

void QtApplicationBackend::ShowWindows() {
  auto windows = std::move(hidden_);
  hidden_.clear();
  for (auto& w : windows)
    if (w) w->show();
}

void QtApplicationBackend::ProcessMessages() {
  QCoreApplication::processEvents();
}

void QtApplicationBackend::Terminate() {
  QCoreApplication::quit();
}

void QtApplicationBackend::EndSessionBySystem() {
  endedBySystem_ = true;
  EndSession();
}

void QtApplicationBackend::EndSession() {
  sessionEnding_ = true;
  if (sessionHandled_) return;
  if (!OnSessionEnd) {
    // Nothing is open yet that could be lost: the box waiting for an answer goes at once.
    endedBeforeMainWindow_ = true;
    CloseModalWindows();
    return;
  }
  sessionHandled_ = true;
  RunGuarded(OnSessionEnd);
}

void QtApplicationBackend::CloseModalWindows() {
  closingModals_ = true;
  // Innermost first; each one closed uncovers the next. The bound only guards against a window
  // that comes back as soon as it is closed.
  for (int i = 0; i < 64; ++i) {
    QWidget* window = QApplication::activePopupWidget();
    if (!window) window = QApplication::activeModalWidget();
    if (!window) break;
    CloseAsCancelled(window);
  }
}

bool QtApplicationBackend::ModalWindowUp() {
  // A nested loop still running means that the step which opened a window (now closed) has not
  // returned yet: what it works on must stay until it has. The main loop is the first one.
  return QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
         QThread::currentThread()->loopLevel() > 1;
}

void QtApplicationBackend::WhenNoModalWindow(std::function<void()> fn) {
  if (!ModalWindowUp()) {
    RunGuarded(fn);
    return;
  }
  noModalWaiting_.push_back(std::move(fn));
  // Looked at whenever the loop has nothing left to do (a window closed and its loop ended are
  // events it has done by then), not on a clock.
  if (!idleWatch_)
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
      idleWatch_ = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { LoopIdle(); });
}

void QtApplicationBackend::LoopIdle() {
  if (noModalWaiting_.empty() || ModalWindowUp()) return;
  disconnect(idleWatch_);
  idleWatch_ = {};
  // Run from the loop, not from inside its wait.
  QMetaObject::invokeMethod(
      this,
      [this, calls = std::move(noModalWaiting_)] {
        for (const std::function<void()>& fn : calls) WhenNoModalWindow(fn);
      },
      Qt::QueuedConnection);
  noModalWaiting_.clear();
}

void QtApplicationBackend::ModalShown(QWidget* modal) {
  for (const TModalReturn& r : modalReturns_)
    if (r.Modal == modal) return;
  QWidget* focus = QApplication::focusWidget();
  QWidget* window = QApplication::activeWindow();
  if (!window && focus) window = focus->window();
  if (window == modal) return;
  modalReturns_.push_back({modal, window, focus});
}

// Without a window manager nobody gives the keyboard back when a modal window goes, and with one
// the window comes back but the control may not: the window that was active is activated again
// and the control that had the focus gets it back. Code that runs after the modal window closed
// may still move the focus where it wants.
void QtApplicationBackend::ModalHidden(QWidget* modal) {
  auto it =
      std::find_if(modalReturns_.begin(), modalReturns_.end(), [&](const TModalReturn& r) { return r.Modal == modal; });
  if (it == modalReturns_.end()) return;
  const TModalReturn back = *it;
  modalReturns_.erase(it);
  std::erase_if(modalReturns_, [](const TModalReturn& r) { return !r.Modal; });
  QWidget* window = back.Window;
  if (!window || !window->isVisible() || (window->windowState() & Qt::WindowMinimized)) return;
  if (QWidget* other = QApplication::activeModalWidget(); other && other != window) return;
  if (back.Focus && back.Focus->window() == window && back.Focus->isVisible() && back.Focus->isEnabled())
    back.Focus->setFocus(Qt::OtherFocusReason);
  window->activateWindow();
}

bool QtApplicationBackend::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w == main_) {
      if (w->windowState() & Qt::WindowMinimized)
        TApplication::Instance().NotifyMinimized();
      else
        TApplication::Instance().NotifyRestored();
    } else if (w && (w->windowState() & Qt::WindowMinimized) && !restoringSecondary_) {
      restoringSecondary_ = true;
      w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
      restoringSecondary_ = false;
      TApplication::Instance().Minimize();
    }
  }
  return QObject::eventFilter(watched, event);
}

QtApplicationBackend& QtApplication() {
  static QPointer<QtApplicationBackend> backend;
  if (!backend) {
    backend = new QtApplicationBackend(QCoreApplication::instance());
    TApplication::Instance().SetBackend(backend);
  }
  return *backend;
}

namespace {

int gSignalPipe[2] = {-1, -1};

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only what is safe in a signal handler: one byte into the pipe, and the default action back for
// the next signal of any of the kinds, so that a second one ends the program at once.
void OnEndSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] ssize_t written = ::write(gSignalPipe[1], &byte, 1);
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  for (int kind : kEndSignals) ::sigaction(kind, &plain, nullptr);
  errno = saved;
}

}  // namespace

void EndSessionOnSignals() {
  if (gSignalPipe[0] >= 0 || ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char bytes[16];
    while (::read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
    }
    QtApplication().EndSessionBySystem();
  });
  struct sigaction action {};
  action.sa_handler = &OnEndSignal;
  // The others wait while the handler runs (in this thread), so that the first one sets them all
  // back before a second one is handled.
  sigemptyset(&action.sa_mask);
  for (int signal : kEndSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESTART;
  for (int signal : kEndSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace platform
