// The key order of platform/Shortcuts.h on Qt widgets. A text-editing control calls
// HandleShortcutOverride from its event() for QEvent::ShortcutOverride: when the key belongs to
// the control (rule 1, or rule 3 when no window command claims it) the event is accepted and the
// key arrives as a key press; otherwise the window's command runs.
#pragma once

#include <QKeyCombination>
#include <QKeyEvent>
#include <QWidget>

#include "platform/Shortcuts.h"

namespace platform {

// Typing and the plain editing/caret keys of a text control (rule 1).
bool IsReservedEditingKey(const QKeyEvent& e);
// Whether an enabled, visible-or-hidden action of the widget's window has this shortcut (actions
// of the window and of every widget in it, with window or application context).
bool WindowActionClaims(QWidget* focus, QKeyCombination key);
// Decides the route for a ShortcutOverride event and accepts it when the control takes the key.
KeyRoute HandleShortcutOverride(QWidget* control, QKeyEvent* e, bool textEditing, bool controlTableClaims);

}  // namespace platform
