#include "platform/qt/GuardedApplication.h"

#include "platform/UIServices.h"

namespace platform {

bool DeliverGuarded(const std::function<bool()>& deliver) {
  bool handled = false;
  RunGuarded([&] { handled = deliver(); });
  return handled;
}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
  return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

}  // namespace platform
