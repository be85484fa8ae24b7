#include "platform/qt/QtDragManager.h"

#include <QApplication>
#include <QGuiApplication>

namespace platform {

TDragManager& TDragManager::Instance() {
  static TDragManager manager;
  return manager;
}

void TDragManager::Begin(QWidget* Source) {
  if (Active()) Cancel();
  fSource = Source;
  fTargetWidget = nullptr;
  fAccepted = false;
}

IDragTarget* TDragManager::TargetAt(QPoint Global, QWidget** Widget) const {
  for (QWidget* w = QApplication::widgetAt(Global); w; w = w->parentWidget()) {
    if (auto* target = dynamic_cast<IDragTarget*>(w)) {
      *Widget = w;
      return target;
    }
    if (w->isWindow()) break;
  }
  *Widget = nullptr;
  return nullptr;
}

void TDragManager::SetCursor(bool Accepted, Qt::KeyboardModifiers Modifiers) {
  const QCursor cursor(!Accepted                           ? Qt::ForbiddenCursor
                       : (Modifiers & Qt::ControlModifier) ? Qt::DragCopyCursor
                                                           : Qt::DragMoveCursor);
  if (fCursorSet) {
    QGuiApplication::changeOverrideCursor(cursor);
  } else {
    QGuiApplication::setOverrideCursor(cursor);
    fCursorSet = true;
  }
}

void TDragManager::Move(QPoint Global, Qt::KeyboardModifiers Modifiers) {
  if (!Active()) return;
  QWidget* widget = nullptr;
  IDragTarget* target = TargetAt(Global, &widget);
  if (widget != fTargetWidget) {
    if (auto* old = fTargetWidget ? dynamic_cast<IDragTarget*>(fTargetWidget.data()) : nullptr)
      old->DragOver(fSource, Global, TDragPhase::Leave, Modifiers);
    fTargetWidget = widget;
    fAccepted = target && target->DragOver(fSource, Global, TDragPhase::Enter, Modifiers);
  } else if (target) {
    fAccepted = target->DragOver(fSource, Global, TDragPhase::Move, Modifiers);
  }
  SetCursor(fAccepted, Modifiers);
}

bool TDragManager::Drop(QPoint Global, Qt::KeyboardModifiers Modifiers) {
  if (!Active()) return false;
  Move(Global, Modifiers);
  auto* target = fTargetWidget && fAccepted ? dynamic_cast<IDragTarget*>(fTargetWidget.data()) : nullptr;
  QPointer<QWidget> source = fSource;
  End();
  if (!target) return false;
  target->DragDrop(source, Global, Modifiers);
  return true;
}

void TDragManager::Cancel() {
  if (!Active()) return;
  if (auto* target = fTargetWidget ? dynamic_cast<IDragTarget*>(fTargetWidget.data()) : nullptr)
    target->DragOver(fSource, QPoint(), TDragPhase::Leave, Qt::NoModifier);
  End();
}

void TDragManager::End() {
  fSource = nullptr;
  fTargetWidget = nullptr;
  fAccepted = false;
  if (fCursorSet) {
    QGuiApplication::restoreOverrideCursor();
    fCursorSet = false;
  }
}

}  // namespace platform
