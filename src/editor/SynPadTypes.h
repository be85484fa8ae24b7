// Small shared vocabulary of the editor family: positions, colours, font styles, the common base of
// objects that send change notifications, and the notify-event type.
#pragma once

#include <cstdint>
#include <functional>

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

inline TBufferCoord BufferCoord(int AChar, int ALine) { return TBufferCoord{AChar, ALine}; }
inline TDisplayCoord DisplayCoord(int AColumn, int ARow) { return TDisplayCoord{AColumn, ARow}; }

// A (column, line) pair as used by the older point-based routines.
struct TSynPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TSynPoint&, const TSynPoint&) = default;
};

// Colours are 0x00BBGGRR; the high byte 0xFF marks a system colour whose index is the low byte.
using TColor = std::uint32_t;

// Font style set in one byte.
using TFontStyles = std::uint8_t;

namespace syn {

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colour indexes in the low byte, 0xFF in the high byte.
inline constexpr TColor clSystemColor = 0xFF000000;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clHighlightText = 0xFF00000E;
inline constexpr TColor clBtnFace = 0xFF00000F;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == clSystemColor; }

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
