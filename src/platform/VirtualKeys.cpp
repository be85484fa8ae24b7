#include "platform/VirtualKeys.h"

namespace vk {

std::uint16_t ShortCut(std::uint16_t Key, TShiftState Shift) {
  if (Key == 0 || Key > 0xFF) return 0;
  std::uint16_t result = Key;
  if (Shift & ssShift) result |= scShift;
  if (Shift & ssCtrl) result |= scCtrl;
  if (Shift & ssAlt) result |= scAlt;
  return result;
}

void ShortCutToKey(std::uint16_t ShortCut, std::uint16_t& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = ssNone;
  if (ShortCut & scShift) Shift |= ssShift;
  if (ShortCut & scCtrl) Shift |= ssCtrl;
  if (ShortCut & scAlt) Shift |= ssAlt;
}

namespace {

std::string KeyName(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key < VK_F1 + 24) return "F" + std::to_string(key - VK_F1 + 1);
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return "Num " + std::to_string(key - VK_NUMPAD0);
  switch (key) {
    case VK_BACK:
      return "BkSp";
    case VK_TAB:
      return "Tab";
    case VK_CLEAR:
      return "Clear";
    case VK_RETURN:
      return "Enter";
    case VK_PAUSE:
      return "Pause";
    case VK_ESCAPE:
      return "Esc";
    case VK_SPACE:
      return "Space";
    case VK_PRIOR:
      return "PgUp";
    case VK_NEXT:
      return "PgDn";
    case VK_END:
      return "End";
    case VK_HOME:
      return "Home";
    case VK_LEFT:
      return "Left";
    case VK_UP:
      return "Up";
    case VK_RIGHT:
      return "Right";
    case VK_DOWN:
      return "Down";
    case VK_INSERT:
      return "Ins";
    case VK_DELETE:
      return "Del";
    case VK_MULTIPLY:
      return "Num *";
    case VK_ADD:
      return "Num +";
    case VK_SUBTRACT:
      return "Num -";
    case VK_DECIMAL:
      return "Num Del";
    case VK_DIVIDE:
      return "Num /";
    default:
      break;
  }
  static const char hex[] = "0123456789ABCDEF";
  return std::string("Key $") + hex[(key >> 4) & 15] + hex[key & 15];
}

}  // namespace

std::string ShortCutToText(std::uint16_t ShortCut) {
  const std::uint16_t key = ShortCut & 0xFF;
  if (key == 0) return {};
  std::string text;
  if (ShortCut & scShift) text += "Shift+";
  if (ShortCut & scCtrl) text += "Ctrl+";
  if (ShortCut & scAlt) text += "Alt+";
  return text + KeyName(key);
}

}  // namespace vk
