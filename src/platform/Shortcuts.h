// The order in which a key press is offered, so that a window's commands and an embedded editor's
// keys do not swallow each other:
//   1. keys the focused control reserves: for a text-editing control, typing and the plain editing
//      and caret keys (no Ctrl, Alt or Meta: letters, Delete, Backspace, arrows, Home, End, Enter,
//      Tab, ...) stay with the control even when a window command uses the same key;
//   2. an enabled command (action) of the focused control's window whose shortcut is the key;
//   3. the focused control's own key table (an editor's commands);
//   4. the control's default handling.
#pragma once

namespace platform {

enum class KeyRoute { FocusedControl, WindowAction, ControlKeyTable, Default };

constexpr KeyRoute RouteKey(bool reservedByControl, bool windowActionClaims, bool controlTableClaims) {
  if (reservedByControl) return KeyRoute::FocusedControl;
  if (windowActionClaims) return KeyRoute::WindowAction;
  if (controlTableClaims) return KeyRoute::ControlKeyTable;
  return KeyRoute::Default;
}

}  // namespace platform
