// The one drawing surface of the program's own drawing code: the editor's text drawer and painter,
// the print engine and the print preview draw through ICanvas, never through a window-system
// painter. It is deliberately small and classic: a current font, text and background colours, a
// brush and a pen, text at explicit positions (every character at its own advance, so text lands
// on a grid of cells), rectangles, lines, pictures, clipping, the device's resolution and a
// scale-and-offset mapping from logical units to device pixels.
//
// Coordinates are integers in logical units; rectangles are half-open (Right and Bottom are not
// covered). Without a mapping one logical unit is one device pixel. Colours are 0x00BBGGRR with the
// platform's system colours (Colors.h), resolved by the canvas.
//
// The Qt implementation is platform/qt/QtCanvas.h (over a QPainter on a widget, an image or a
// printer); tests use TRecordingCanvas (RecordingCanvas.h), which has fixed metrics and records
// every call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Colors.h"

namespace platform {

struct TCanvasRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TCanvasRect&, const TCanvasRect&) = default;
};

// Font style bits as the program stores them.
enum : unsigned { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };

// A logical font. The names the program's settings use stand for the desktop's fonts (a
// fixed-pitch name such as "Courier New" for the desktop's monospace font, see MapFont in
// platform/qt/Drawing.h). Size is in points at PixelsPerInch; PixelsPerInch 0 means the canvas's
// own vertical resolution, so the same font measures alike on a screen canvas that lays out for a
// printer (the print preview gives the printer's resolution here).
struct TCanvasFont {
  std::string Name = "Courier New";
  int Size = 10;
  unsigned Style = 0;        // kFont* bits
  TColor Color = clDefault;  // the text colour drawn with this font; clDefault keeps the canvas's
  int PixelsPerInch = 0;
  bool FixedPitch = false;  // ask the desktop for a fixed-pitch face of the family
  friend bool operator==(const TCanvasFont&, const TCanvasFont&) = default;
};

// Integer metrics of the current font in device pixels.
struct TCanvasFontMetrics {
  int Ascent = 0;
  int Descent = 0;
  int Height = 0;           // Ascent + Descent: one line of text
  int ExternalLeading = 0;  // extra space the font suggests between lines
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  bool FixedPitch = false;  // every glyph of the face has the same advance
};

// The three parts of a glyph's width: A (space before the ink, negative when the ink overhangs on
// the left), B (the ink) and C (space after, negative when it overhangs on the right).
struct TCharABC {
  int A = 0, B = 0, C = 0;
  int Advance() const { return A + B + C; }
};

// A picture as plain pixels: 0xAARRGGBB, not premultiplied, row by row from the top.
struct TCanvasImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0 || Pixels.size() != std::size_t(Width) * Height; }
};

// Options of TextOutAt.
enum : unsigned {
  kTextOpaque = 2,   // fill the rectangle with the background colour first
  kTextClipped = 4,  // draw nothing outside the rectangle
};

enum class TBrushStyle { Solid, Clear };

class ICanvas {
 public:
  virtual ~ICanvas() = default;

  // ---- device ----
  // Device pixels per inch (the printer's, or the screen's logical resolution).
  virtual int PixelsPerInchX() const = 0;
  virtual int PixelsPerInchY() const = 0;
  // The device pixels a canvas covers (the page of a printer, the client area of a window).
  virtual TCanvasRect DeviceRect() const = 0;

  // ---- mapping ----
  // Logical point p goes to device point (p - WindowOrigin) * ViewportExtent / WindowExtent +
  // ViewportOrigin on each axis, independently (anisotropic). Reset restores one unit per pixel.
  virtual void SetMapping(int windowOriginX, int windowOriginY, int windowExtentX, int windowExtentY,
                          int viewportOriginX, int viewportOriginY, int viewportExtentX, int viewportExtentY) = 0;
  virtual void ResetMapping() = 0;

  // ---- state ----
  // Saves font, colours, brush, pen, clip and mapping; Restore puts back the last saved state.
  virtual void Save() = 0;
  virtual void Restore() = 0;

  // ---- font and text ----
  virtual void SetFont(const TCanvasFont& font) = 0;
  virtual const TCanvasFont& Font() const = 0;
  virtual TCanvasFontMetrics FontMetrics() = 0;
  // Advance width of the text in the current font, in logical units (characters the face lacks are
  // measured in the font the desktop falls back to).
  virtual int TextWidth(std::u16string_view text) = 0;
  // The A, B and C widths of one character (a UTF-16 unit or, for a surrogate pair, the code point);
  // false when the face cannot tell.
  virtual bool CharABC(char32_t ch, TCharABC& abc) = 0;
  virtual void SetTextColor(TColor color) = 0;
  virtual void SetBackColor(TColor color) = 0;
  // Draws text with the top-left of its first cell at (x, y), character i at x plus the sum of the
  // advances before it (advances: one per UTF-16 unit of text; nullptr: the font's own advances).
  // With kTextOpaque the rectangle is first filled with the background colour; with kTextClipped
  // nothing is drawn outside it (rect may be null without either option). Empty text with
  // kTextOpaque only fills. Without kTextOpaque the background stays as it is.
  virtual void TextOutAt(int x, int y, unsigned options, const TCanvasRect* rect, std::u16string_view text,
                         const int* advances = nullptr) = 0;

  // ---- shapes ----
  virtual void SetBrush(TColor color, TBrushStyle style = TBrushStyle::Solid) = 0;
  virtual void SetPen(TColor color, int width = 1) = 0;
  // Fills r with color (the brush is untouched).
  virtual void FillRect(const TCanvasRect& r, TColor color) = 0;
  // A rectangle outlined with the pen and filled with the brush (nothing filled with a clear brush).
  virtual void Rectangle(const TCanvasRect& r) = 0;
  // A line from (x1, y1) towards (x2, y2) with the pen; the end point itself is not drawn.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // Draws the part src of image with its top-left at (x, y) (src in image pixels; one image pixel
  // per logical unit). Alpha blends.
  virtual void DrawImage(int x, int y, const TCanvasImage& image, const TCanvasRect& src) = 0;

  // ---- clipping ----
  // Limits drawing to r (intersected with the clip so far); Save/Restore bracket it.
  virtual void IntersectClip(const TCanvasRect& r) = 0;
  virtual void ResetClip() = 0;
};

// Saves the canvas state for a scope.
class TCanvasStateSaver {
 public:
  explicit TCanvasStateSaver(ICanvas& canvas) : canvas_(canvas) { canvas_.Save(); }
  ~TCanvasStateSaver() { canvas_.Restore(); }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

 private:
  ICanvas& canvas_;
};

// A canvas that only measures (text widths and font metrics at the screen's resolution), for layout
// done before anything is drawn; nullptr when no desktop runs.
std::unique_ptr<ICanvas> CreateMeasuringCanvas();

// MulDiv as the classic drawing arithmetic uses it: a * b / c in 64 bits, rounded half away from
// zero; c == 0 gives -1.
int MulDiv(int a, int b, int c);

}  // namespace platform
