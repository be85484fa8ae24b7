// Small shared vocabulary of the editor family: positions, colours, font styles, the common base of
// objects that send change notifications, and the notify-event type.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Colors.h"

// Buffer position: Char (UTF-16 code units) and Line, both from 1.
struct TBufferCoord {
  int Char = 0;
  int Line = 0;
  friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
};

// Display position: Column and Row, both from 1, after tab and wide-glyph expansion and word wrap.
struct TDisplayCoord {
  int Column = 0;
  int Row = 0;
  friend bool operator==(const TDisplayCoord&, const TDisplayCoord&) = default;
};

inline TBufferCoord BufferCoord(int AChar, int ALine) {
  return TBufferCoord{AChar, ALine};
}
inline TDisplayCoord DisplayCoord(int AColumn, int ARow) {
  return TDisplayCoord{AColumn, ARow};
}

// A (column, line) pair as used by the older point-based routines.
struct TSynPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TSynPoint&, const TSynPoint&) = default;
};

// Colours (0x00BBGGRR, system colours with 0xFF in the high byte) are the platform's.
using TColor = platform::TColor;

// Font style set in one byte.
using TFontStyles = std::uint8_t;

namespace syn {

// The colour constants of the platform, reachable as syn::clNone, syn::clWindow, syn::clNavy ...
using namespace platform;

inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

}  // namespace syn

// Base of the editor family's objects that are passed as the sender of a notification.
class TSynPersistent {
 public:
  virtual ~TSynPersistent() = default;
};

// A notify event: called with the object that changed (or another sender the caller chooses).
using TSynNotifyEvent = std::function<void(TSynPersistent* Sender)>;
