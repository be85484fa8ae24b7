// The program's application object: every event is delivered inside a guard, so an exception that
// escapes an event handler is shown by the error handler (UI().ShowException) and the program goes
// on, instead of ending inside the event loop.
#pragma once

#include <QApplication>
#include <functional>

namespace platform {

class TGuardedApplication : public QApplication {
 public:
  TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

// Runs one delivery; an escaping exception is shown and the event counts as not handled.
bool DeliverGuarded(const std::function<bool()>& deliver);

}  // namespace platform
