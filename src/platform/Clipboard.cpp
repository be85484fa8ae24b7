#include "platform/Clipboard.h"

#include "platform/SystemServices.h"

namespace platform {

namespace {
IClipboard* g_clipboard = nullptr;
}  // namespace

IClipboard& Clipboard() {
  if (g_clipboard) return *g_clipboard;
  if (auto desktop = SystemServices().FormatClipboard)
    if (IClipboard* clipboard = desktop()) return *clipboard;
  static MemoryClipboard memory;
  return memory;
}

IClipboard* SetClipboard(IClipboard* clipboard) {
  IClipboard* previous = g_clipboard;
  g_clipboard = clipboard;
  return previous;
}

}  // namespace platform
