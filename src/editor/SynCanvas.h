// What the editor's text drawer and painting need of a drawing surface and of font measuring, as
// plain C++: fonts are described, not created; text goes out at explicit per-character advances,
// so the character grid is ours and never the font engine's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/SynPadMiscClasses.h"
#include "editor/SynPadTypes.h"

// A rectangle with exclusive right and bottom edges.
struct TSynRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TSynRect&, const TSynRect&) = default;
};

inline TSynRect SynRect(int L, int T, int R, int B) { return TSynRect{L, T, R, B}; }
// The smallest rectangle holding both (an empty one counts as nothing).
TSynRect UnionSynRect(const TSynRect& A, const TSynRect& B);
TSynRect IntersectSynRect(const TSynRect& A, const TSynRect& B);

// A logical font: the family asked for, its size (points; a negative value is a pixel height),
// weight (400 normal, 700 bold), the other style flags and whether fixed pitch is requested.
struct TSynFontDesc {
  std::string Name = "Courier New";
  int Size = 10;
  int Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool FixedPitch = false;
  friend bool operator==(const TSynFontDesc&, const TSynFontDesc&) = default;
};

// Integer metrics of a font as the screen shows it.
struct TSynTextMetrics {
  int Ascent = 0;
  int Descent = 0;
  int Height = 0;         // ascent + descent: the cell height
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  bool FixedPitch = true;  // what the face really is, not what was asked
  bool IsTrueType = true;
  int Overhang = 0;
};

// The advance of a glyph split into left bearing (A), ink (B) and right bearing (C); negative
// bearings overhang.
struct TSynABC {
  int A = 0;
  int B = 0;
  int C = 0;
};

// Measuring without a surface (the screen's font metrics).
class ISynFontMeasurer {
 public:
  virtual ~ISynFontMeasurer() = default;
  virtual TSynTextMetrics Metrics(const TSynFontDesc& Font) = 0;
  // Pixel advance of one UTF-16 unit measured alone (a lone surrogate or a combining mark may be 0).
  virtual int CharWidth(const TSynFontDesc& Font, char16_t Ch) = 0;
  // False when the font cannot tell.
  virtual bool CharABC(const TSynFontDesc& Font, char16_t Ch, TSynABC& Result) = 0;
  // Width and height of a whole string.
  virtual void TextExtent(const TSynFontDesc& Font, std::u16string_view Text, int& Width, int& Height) = 0;
};

// Text-out options.
inline constexpr unsigned ETO_OPAQUE = 2;
inline constexpr unsigned ETO_CLIPPED = 4;

// A surface the editor paints on.
class ISynCanvas {
 public:
  virtual ~ISynCanvas() = default;
  virtual ISynFontMeasurer& Measurer() = 0;
  virtual void SetFont(const TSynFontDesc& Font) = 0;
  virtual void FillRect(const TSynRect& R, TColor Color) = 0;
  // A one-pixel line; like the classic line-to, the end point itself is not drawn.
  virtual void Line(int X1, int Y1, int X2, int Y2, TColor Color) = 0;
  // Text with its cell's top-left at (X, Y), at the font's own advances; Bg clNone is transparent.
  virtual void TextOut(int X, int Y, std::u16string_view Text, TColor Fg, TColor Bg) = 0;
  // Text on a grid: character i starts at X + the sum of Advances[0 .. i-1]. ETO_OPAQUE fills R in
  // Bg first; ETO_CLIPPED clips the text to R. A surrogate pair is one glyph at its first unit.
  virtual void ExtTextOut(int X, int Y, unsigned Options, const TSynRect& R, std::u16string_view Text,
                          const int* Advances, TColor Fg, TColor Bg) = 0;
  // Part of a bitmap at the placement; pixels of Mask (unless clNone) stay transparent.
  virtual void DrawBitmap(const TSynBitmap& Bitmap, const TSynImagePlacement& Place, TColor Mask) = 0;
};
