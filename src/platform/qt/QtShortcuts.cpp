#include "platform/qt/QtShortcuts.h"

#include <QAction>
#include <QKeySequence>

namespace platform {

bool IsReservedEditingKey(const QKeyEvent& e) {
  const Qt::KeyboardModifiers mods = e.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (mods != Qt::NoModifier) return false;
  switch (e.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Insert:
      return true;
    default:
      break;
  }
  // Anything that types a character.
  const QString text = e.text();
  return !text.isEmpty() && text.at(0).isPrint();
}

bool WindowActionClaims(QWidget* focus, QKeyCombination key) {
  if (!focus) return false;
  QWidget* window = focus->window();
  const QKeySequence seq(key);
  auto matches = [&](QAction* a) {
    if (!a->isEnabled() || a->shortcutContext() == Qt::WidgetShortcut) return false;
    for (const QKeySequence& s : a->shortcuts())
      if (s.matches(seq) == QKeySequence::ExactMatch) return true;
    return false;
  };
  for (QAction* a : window->findChildren<QAction*>())
    if (matches(a)) return true;
  for (QAction* a : window->actions())
    if (matches(a)) return true;
  for (QWidget* w : window->findChildren<QWidget*>())
    for (QAction* a : w->actions())
      if (matches(a)) return true;
  return false;
}

KeyRoute HandleShortcutOverride(QWidget* control, QKeyEvent* e, bool textEditing, bool controlTableClaims) {
  const bool reserved = textEditing && IsReservedEditingKey(*e);
  const KeyRoute route =
      RouteKey(reserved, !reserved && WindowActionClaims(control, e->keyCombination()), controlTableClaims);
  if (route == KeyRoute::FocusedControl || route == KeyRoute::ControlKeyTable) e->accept();
  return route;
}

}  // namespace platform
