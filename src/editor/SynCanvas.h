// The editor draws through the program's drawing surface (platform/Canvas.h); these are the few
// helpers it adds on top: rectangles under the editor's name and their union and intersection.
#pragma once

#include "platform/Canvas.h"

using TSynRect = platform::TCanvasRect;
// Fonts are logical fonts of the canvas; the style bits are the editor's font style bits.
using TSynFontDesc = platform::TCanvasFont;

inline TSynRect SynRect(int L, int T, int R, int B) {
  return TSynRect{L, T, R, B};
}
// The smallest rectangle holding both (an empty one counts as nothing).
TSynRect UnionSynRect(const TSynRect& A, const TSynRect& B);
TSynRect IntersectSynRect(const TSynRect& A, const TSynRect& B);
