// The window system's services as the plain half of the platform reaches them. The plain half
// builds and runs without Qt (headless libraries, their tests and the command-line probes link
// only it); when a Qt application object starts, the Qt half (platform/qt/) fills this table, and
// the plain functions that need a desktop (the event loop, clipboard text, the editor's bitmaps,
// opening links, the keyboard state) go through it. An empty entry gives the documented headless
// answer of each function.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class IEventLoop;
class ICanvas;
class IPrinter;
class IClipboard;

struct TSystemServices {
  // The loop of the running application, or nullptr when there is none (any more).
  IEventLoop* (*EventLoop)() = nullptr;
  bool (*ClipboardHasText)() = nullptr;
  std::u16string (*ReadClipboardText)() = nullptr;
  void (*WriteClipboardText)(std::u16string_view text) = nullptr;
  // Text together with private formats (MIME type, bytes), put on the clipboard in one step (the
  // formats are read back through FormatClipboard).
  void (*WriteClipboardTextAndData)(std::u16string_view text,
                                    const std::vector<std::pair<std::string, std::string>>& data) = nullptr;
  // See editorservices::LoadEditorBitmap.
  bool (*LoadEditorBitmap)(const std::string& name, int& scale, int& width, int& height,
                           std::vector<std::uint32_t>& pixels) = nullptr;
  bool (*OpenUrl)(std::u16string_view url) = nullptr;
  bool (*IsControlKeyDown)() = nullptr;
  // The desktop palette's value of system colour `index` (0x00BBGGRR); false when it has none.
  bool (*PaletteSysColor)(int index, std::uint32_t& rgb) = nullptr;
  // A canvas that only measures text, at the screen's resolution; the caller owns it.
  ICanvas* (*CreateMeasuringCanvas)() = nullptr;
  // The desktop's printer (a system printer or a PDF file).
  IPrinter* (*Printer)() = nullptr;
  // The desktop's clipboard under private formats (see platform/Clipboard.h), or nullptr.
  IClipboard* (*FormatClipboard)() = nullptr;
};

// The table in use (all entries empty until the Qt half installs its own).
const TSystemServices& SystemServices();
// Replaces the table; returns the previous one.
TSystemServices InstallSystemServices(const TSystemServices& services);

}  // namespace platform
