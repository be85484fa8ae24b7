// The application object: the program's title, its minimised state with the minimise and restore
// events, hiding the whole program (minimise to the notification area) and the error handler.
// The decisions are plain code; the windows are moved by a backend that the GUI installs
// (platform/qt/QtApplication.h), so tests drive the object without a window.
#pragma once

#include <functional>
#include <string>

namespace platform {

class IApplicationBackend {
 public:
  virtual ~IApplicationBackend() = default;
  virtual void MinimizeWindows() = 0;  // minimise the main window (owned windows follow it)
  virtual void RestoreWindows() = 0;   // bring it back to its normal or maximised state, in front
  virtual void HideWindows() = 0;      // hide every top-level window of the program
  virtual void ShowWindows() = 0;      // show them again
  virtual void ProcessMessages() = 0;  // run what is waiting in the event loop
  virtual void Terminate() = 0;        // end the event loop
};

class TApplication {
 public:
  static TApplication& Instance();

  std::string Title = "Tessaryn";
  // The main window is shown when the loop starts (cleared when the program starts minimised).
  bool ShowMainForm = true;

  // Raised when the program becomes minimised and when it comes back (once per change).
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;

  void Minimize();  // minimise the program; OnMinimize follows
  void Restore();   // restore it; OnRestore follows
  void Hide();      // hide every window (the program then lives in the notification area)
  void Show();
  void ProcessMessages();
  void Terminate();

  bool Minimized() const { return minimized_; }
  bool Hidden() const { return hidden_; }

  // Called by the GUI when the window system changed the main window's state on its own (the user
  // minimised it from the frame or the taskbar); raises the matching event once.
  void NotifyMinimized();
  void NotifyRestored();

  // The error handler: shows the message of an exception that escaped a handler.
  void ShowException(const std::string& message);

  // Installs the backend (not owned); nullptr leaves only the state changes and events.
  void SetBackend(IApplicationBackend* backend) { backend_ = backend; }
  IApplicationBackend* Backend() const { return backend_; }

  // Back to the start state, for tests.
  void Reset();

 private:
  TApplication() = default;
  IApplicationBackend* backend_ = nullptr;
  bool minimized_ = false;
  bool hidden_ = false;
  bool terminated_ = false;
};

inline TApplication& Application() {
  return TApplication::Instance();
}

}  // namespace platform
