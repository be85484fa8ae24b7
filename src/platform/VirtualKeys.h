// Virtual-key codes (their documented values), the shift-state set and the packed shortcut form in
// which key tables store a key with its modifiers, with the English display text of a shortcut.
// Plain C++: the mapping from the window system's key events to these codes lives with the widgets.
#pragma once

#include <cstdint>
#include <string>

namespace vk {

// Shift state: bit 0 Shift, bit 1 Alt, bit 2 Ctrl.
using TShiftState = std::uint8_t;
inline constexpr TShiftState ssNone = 0;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;
// Mouse events also carry the buttons held and the double-click state.
inline constexpr TShiftState ssLeft = 8;
inline constexpr TShiftState ssRight = 16;
inline constexpr TShiftState ssMiddle = 32;
inline constexpr TShiftState ssDouble = 64;
// The modifier keys alone.
inline constexpr TShiftState ssModifiers = ssShift | ssAlt | ssCtrl;

inline constexpr std::uint16_t VK_BACK = 0x08;
inline constexpr std::uint16_t VK_TAB = 0x09;
inline constexpr std::uint16_t VK_CLEAR = 0x0C;
inline constexpr std::uint16_t VK_RETURN = 0x0D;
inline constexpr std::uint16_t VK_SHIFT = 0x10;
inline constexpr std::uint16_t VK_CONTROL = 0x11;
inline constexpr std::uint16_t VK_MENU = 0x12;
inline constexpr std::uint16_t VK_PAUSE = 0x13;
inline constexpr std::uint16_t VK_ESCAPE = 0x1B;
inline constexpr std::uint16_t VK_SPACE = 0x20;
inline constexpr std::uint16_t VK_PRIOR = 0x21;
inline constexpr std::uint16_t VK_NEXT = 0x22;
inline constexpr std::uint16_t VK_END = 0x23;
inline constexpr std::uint16_t VK_HOME = 0x24;
inline constexpr std::uint16_t VK_LEFT = 0x25;
inline constexpr std::uint16_t VK_UP = 0x26;
inline constexpr std::uint16_t VK_RIGHT = 0x27;
inline constexpr std::uint16_t VK_DOWN = 0x28;
inline constexpr std::uint16_t VK_INSERT = 0x2D;
inline constexpr std::uint16_t VK_DELETE = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
inline constexpr std::uint16_t VK_NUMPAD0 = 0x60;  // VK_NUMPAD0 + n, n = 0..9
inline constexpr std::uint16_t VK_NUMPAD9 = 0x69;
inline constexpr std::uint16_t VK_MULTIPLY = 0x6A;
inline constexpr std::uint16_t VK_ADD = 0x6B;
inline constexpr std::uint16_t VK_SUBTRACT = 0x6D;
inline constexpr std::uint16_t VK_DECIMAL = 0x6E;
inline constexpr std::uint16_t VK_DIVIDE = 0x6F;
inline constexpr std::uint16_t VK_F1 = 0x70;  // F1..F24 are 0x70..0x87

// Packed shortcut: the key in the low byte, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
inline constexpr std::uint16_t scShift = 0x2000;
inline constexpr std::uint16_t scCtrl = 0x4000;
inline constexpr std::uint16_t scAlt = 0x8000;

// 0 for a key outside 1..255.
std::uint16_t ShortCut(std::uint16_t Key, TShiftState Shift);
void ShortCutToKey(std::uint16_t ShortCut, std::uint16_t& Key, TShiftState& Shift);
// "Shift+Ctrl+Alt+Key" with English key names ("Ctrl+C", "Shift+Del", "F1"); empty for 0.
std::string ShortCutToText(std::uint16_t ShortCut);

}  // namespace vk
