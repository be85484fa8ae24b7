#include "platform/Clipboard.h"

namespace platform {

// Provided by the Qt half of this library: the desktop's clipboard when a Qt application exists.
IClipboard* QtClipboardIfAvailable();

namespace {
IClipboard* g_clipboard = nullptr;
}  // namespace

IClipboard& Clipboard() {
  if (g_clipboard) return *g_clipboard;
  if (IClipboard* qt = QtClipboardIfAvailable()) return *qt;
  static MemoryClipboard memory;
  return memory;
}

IClipboard* SetClipboard(IClipboard* clipboard) {
  IClipboard* previous = g_clipboard;
  g_clipboard = clipboard;
  return previous;
}

}  // namespace platform
