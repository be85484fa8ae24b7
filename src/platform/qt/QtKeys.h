// The virtual-key codes (platform/VirtualKeys.h) of Qt key events, which key tables and the
// editor's keyboard rules are written in.
#pragma once

#include <QKeyEvent>
#include <cstdint>

#include "platform/VirtualKeys.h"

namespace platform {

// The virtual key of a key event, 0 for a key that has none. Letters and digits resolve to their
// Latin key on any keyboard layout (by the key's position), so Ctrl+C stays Ctrl+C; keypad keys
// pressed with Alt are the keypad digits whatever Num Lock says, as Alt + keypad codes need.
std::uint16_t VirtualKeyOf(const QKeyEvent& Event);
// The virtual key of a Qt key alone (Keypad: the key came from the keypad).
std::uint16_t VirtualKeyOf(int QtKey, bool Keypad);
// Shift, Alt and Ctrl of Qt's modifiers (AltGr is not Alt).
vk::TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers);
// The same plus the mouse buttons held.
vk::TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

}  // namespace platform
