#include "platform/qt/QtKeys.h"

namespace platform {

namespace {

// X11 key codes (evdev + 8) of the Latin letter and digit keys of a standard keyboard, by position.
std::uint16_t KeyOfPosition(quint32 keycode) {
  static const char* const rows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static const quint32 first[] = {10, 24, 38, 52};
  for (int r = 0; r < 4; ++r) {
    const quint32 n = static_cast<quint32>(std::char_traits<char>::length(rows[r]));
    if (keycode >= first[r] && keycode < first[r] + n) return static_cast<std::uint16_t>(rows[r][keycode - first[r]]);
  }
  return 0;
}

}  // namespace

std::uint16_t VirtualKeyOf(int key, bool keypad) {
  using namespace vk;
  if (keypad) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(VK_NUMPAD0 + (key - Qt::Key_0));
    switch (key) {
      case Qt::Key_Asterisk:
        return VK_MULTIPLY;
      case Qt::Key_Plus:
        return VK_ADD;
      case Qt::Key_Minus:
        return VK_SUBTRACT;
      case Qt::Key_Period:
      case Qt::Key_Comma:
        return VK_DECIMAL;
      case Qt::Key_Slash:
        return VK_DIVIDE;
      case Qt::Key_Clear:
        return VK_CLEAR;
      default:
        break;
    }
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint16_t>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<std::uint16_t>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Clear:
      return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_CapsLock:
      return 0x14;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Print:
      return 0x2C;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Meta:
      return 0x5B;
    case Qt::Key_Menu:
      return 0x5D;
    case Qt::Key_NumLock:
      return 0x90;
    case Qt::Key_ScrollLock:
      return 0x91;
    case Qt::Key_Semicolon:
      return 0xBA;
    case Qt::Key_Equal:
      return 0xBB;
    case Qt::Key_Comma:
      return 0xBC;
    case Qt::Key_Minus:
      return 0xBD;
    case Qt::Key_Period:
      return 0xBE;
    case Qt::Key_Slash:
      return 0xBF;
    case Qt::Key_QuoteLeft:
      return 0xC0;
    case Qt::Key_BracketLeft:
      return 0xDB;
    case Qt::Key_Backslash:
      return 0xDC;
    case Qt::Key_BracketRight:
      return 0xDD;
    case Qt::Key_Apostrophe:
      return 0xDE;
    // Shifted symbols of a US keyboard are their keys.
    case Qt::Key_Colon:
      return 0xBA;
    case Qt::Key_Plus:
      return 0xBB;
    case Qt::Key_Less:
      return 0xBC;
    case Qt::Key_Underscore:
      return 0xBD;
    case Qt::Key_Greater:
      return 0xBE;
    case Qt::Key_Question:
      return 0xBF;
    case Qt::Key_AsciiTilde:
      return 0xC0;
    case Qt::Key_BraceLeft:
      return 0xDB;
    case Qt::Key_Bar:
      return 0xDC;
    case Qt::Key_BraceRight:
      return 0xDD;
    case Qt::Key_QuoteDbl:
      return 0xDE;
    case Qt::Key_Exclam:
      return '1';
    case Qt::Key_At:
      return '2';
    case Qt::Key_NumberSign:
      return '3';
    case Qt::Key_Dollar:
      return '4';
    case Qt::Key_Percent:
      return '5';
    case Qt::Key_AsciiCircum:
      return '6';
    case Qt::Key_Ampersand:
      return '7';
    case Qt::Key_Asterisk:
      return '8';
    case Qt::Key_ParenLeft:
      return '9';
    case Qt::Key_ParenRight:
      return '0';
    default:
      return 0;
  }
}

std::uint16_t VirtualKeyOf(const QKeyEvent& Event) {
  const bool keypad = Event.modifiers() & Qt::KeypadModifier;
  const int key = Event.key();
  if (keypad && (Event.modifiers() & Qt::AltModifier)) {
    // Without Num Lock the keypad sends navigation keys; with Alt held they are its digits.
    static const int navigation[] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Left,
                                     Qt::Key_Clear,  Qt::Key_Right, Qt::Key_Home, Qt::Key_Up,       Qt::Key_PageUp};
    for (int digit = 0; digit < 10; ++digit)
      if (key == navigation[digit]) return static_cast<std::uint16_t>(vk::VK_NUMPAD0 + digit);
  }
  std::uint16_t vk = VirtualKeyOf(key, keypad);
  if (vk == 0 || !(key < 0x80)) {
    // A letter of another alphabet: the Latin key at the same place on the keyboard.
    const std::uint16_t byPosition = KeyOfPosition(Event.nativeScanCode());
    if (byPosition != 0 && (vk == 0 || key >= 0x80)) vk = byPosition;
  }
  return vk;
}

vk::TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers) {
  vk::TShiftState s = 0;
  if (Modifiers & Qt::ShiftModifier) s |= vk::ssShift;
  if (Modifiers & Qt::AltModifier) s |= vk::ssAlt;
  if (Modifiers & Qt::ControlModifier) s |= vk::ssCtrl;
  return s;
}

vk::TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  vk::TShiftState s = ShiftStateOf(Modifiers);
  if (Buttons & Qt::LeftButton) s |= vk::ssLeft;
  if (Buttons & Qt::RightButton) s |= vk::ssRight;
  if (Buttons & Qt::MiddleButton) s |= vk::ssMiddle;
  return s;
}

}  // namespace platform
