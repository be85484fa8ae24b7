// Dragging between the program's own widgets, as the desktop's drag and drop cannot: the source
// keeps the mouse while a button is held and hands its moves and its release to the manager, which
// finds the widget under the pointer and asks it whether it takes the drop. Widgets that take drops
// implement IDragTarget. Nothing runs a loop of its own, so tests drive a drag with plain events.
#pragma once

#include <QPointer>
#include <QWidget>

namespace platform {

enum class TDragPhase { Enter, Move, Leave };

class IDragTarget {
 public:
  virtual ~IDragTarget() = default;
  // Whether the target takes what Source drags, at a global position.
  virtual bool DragOver(QWidget* Source, QPoint Global, TDragPhase Phase, Qt::KeyboardModifiers Modifiers) = 0;
  virtual void DragDrop(QWidget* Source, QPoint Global, Qt::KeyboardModifiers Modifiers) = 0;
};

class TDragManager {
 public:
  static TDragManager& Instance();
  // Source starts dragging (it holds the mouse); a drag already running is cancelled first.
  void Begin(QWidget* Source);
  bool Active() const { return !fSource.isNull(); }
  QWidget* Source() const { return fSource; }
  // The source's mouse moved / was released, at a global position.
  void Move(QPoint Global, Qt::KeyboardModifiers Modifiers);
  // Drops on the target under the pointer when it takes the drop; false when nothing took it.
  bool Drop(QPoint Global, Qt::KeyboardModifiers Modifiers);
  void Cancel();

 private:
  IDragTarget* TargetAt(QPoint Global, QWidget** Widget) const;
  void SetCursor(bool Accepted, Qt::KeyboardModifiers Modifiers);
  void End();

  QPointer<QWidget> fSource;
  QPointer<QWidget> fTargetWidget;
  bool fAccepted = false;
  bool fCursorSet = false;
};

}  // namespace platform
