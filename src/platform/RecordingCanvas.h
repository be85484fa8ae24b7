// A canvas for tests: fixed, predictable metrics and a record of every drawing call, so layout and
// painting code can be checked without a window system.
//
// Metrics: every character is CellWidth pixels wide and LineHeight high (Ascent + Descent), with
// these exceptions: a character listed in WideChars (default: CJK ideographs U+4E00..U+9FFF, Hangul
// U+AC00..U+D7A3 and the full-width forms U+FF01..U+FF60) is twice as wide; a character listed in
// ZeroWidthChars (default: combining marks U+0300..U+036F and U+200B..U+200D) has no width; a
// surrogate pair is one wide character (both units measured together, the first unit carrying the
// width). Bold adds BoldExtra to every advance. Sizes do not scale with the font's point size
// unless ScaleWithSize is set (then CellWidth and LineHeight are for 10 points).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace platform {

class TRecordingCanvas : public ICanvas {
 public:
  struct Call {
    std::string op;             // "text", "fill", "rect", "line", "image", "clip", "resetclip", "font",
                                // "textcolor", "backcolor", "brush", "pen", "save", "restore", "map", "resetmap"
    TCanvasRect rect;           // fill/rect/clip: the rectangle (device units); text: the clip or opaque rectangle
    int x = 0, y = 0;           // text/image: position (device units); line: start
    int x2 = 0, y2 = 0;         // line: end
    unsigned options = 0;       // text options
    std::u16string text;        // text drawn
    std::vector<int> advances;  // text: the advance of every unit (device units)
    TColor color = clNone;      // fill: colour; text: text colour; backcolor/textcolor/brush/pen: colour
    TColor back = clNone;       // text: background colour at the time of the call
    TCanvasFont font;           // text/font: the font in use
  };

  TRecordingCanvas();

  // Metrics (set before drawing).
  int CellWidth = 8;
  int Ascent = 13;
  int Descent = 3;
  int ExternalLeading = 0;
  int BoldExtra = 0;
  bool ScaleWithSize = false;
  int DpiX = 96, DpiY = 96;
  TCanvasRect Device{0, 0, 640, 480};
  std::function<bool(char32_t)> WideChars;
  std::function<bool(char32_t)> ZeroWidthChars;

  std::vector<Call> Calls;
  // Off for a canvas that only measures: its calls are then not kept (a measuring canvas lives as
  // long as its control, and measuring sets a font for every new character).
  bool Record = true;
  // The calls of one kind, in order.
  std::vector<Call> CallsOf(const std::string& op) const;

  // The width in pixels the metrics give one code point in the current font.
  int CharPixels(char32_t ch) const;

  int PixelsPerInchX() const override { return DpiX; }
  int PixelsPerInchY() const override { return DpiY; }
  TCanvasRect DeviceRect() const override { return Device; }
  void SetMapping(int wox, int woy, int wex, int wey, int vox, int voy, int vex, int vey) override;
  void ResetMapping() override;
  void Save() override;
  void Restore() override;
  void SetFont(const TCanvasFont& font) override;
  const TCanvasFont& Font() const override { return state_.font; }
  TCanvasFontMetrics FontMetrics() override;
  int TextWidth(std::u16string_view text) override;
  bool CharABC(char32_t ch, TCharABC& abc) override;
  void SetTextColor(TColor color) override;
  void SetBackColor(TColor color) override;
  void TextOutAt(int x, int y, unsigned options, const TCanvasRect* rect, std::u16string_view text,
                 const int* advances = nullptr) override;
  void SetBrush(TColor color, TBrushStyle style = TBrushStyle::Solid) override;
  void SetPen(TColor color, int width = 1) override;
  void FillRect(const TCanvasRect& r, TColor color) override;
  void Rectangle(const TCanvasRect& r) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void DrawImage(int x, int y, const TCanvasImage& image, const TCanvasRect& src) override;
  void IntersectClip(const TCanvasRect& r) override;
  void ResetClip() override;

  // Logical to device, through the current mapping.
  int ToDeviceX(int x) const;
  int ToDeviceY(int y) const;
  TCanvasRect ToDevice(const TCanvasRect& r) const;
  // The clip in device units; nullptr-like empty optional when none is set.
  bool HasClip() const { return state_.hasClip; }
  TCanvasRect Clip() const { return state_.clip; }
  TColor TextColor() const { return state_.textColor; }
  TColor BackColor() const { return state_.backColor; }

 private:
  struct Mapping {
    int wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
  };
  struct State {
    TCanvasFont font;
    TColor textColor = clWindowText;
    TColor backColor = clWindow;
    TColor brush = clWhite;
    TBrushStyle brushStyle = TBrushStyle::Solid;
    TColor pen = clBlack;
    int penWidth = 1;
    bool hasClip = false;
    TCanvasRect clip;
    Mapping map;
  };
  Call& Add(const char* op);
  Call scratch_;  // what Add fills when nothing is recorded
  int ScaledCell() const;
  int ScaledHeight() const;
  std::vector<State> saved_;
  State state_;
};

}  // namespace platform
