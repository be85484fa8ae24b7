// Greying of glyph bitmaps. A glyph's transparent colour is the colour of its lower left pixel;
// in an image with an alpha channel, fully transparent pixels count as transparent as well.
#pragma once

#include <QImage>

#include "ui/ColorTools.h"

// 0xAARRGGBB pixel <-> 0x00BBGGRR colour.
TColor PixelToColor(QRgb pixel);
QRgb ColorToPixel(TColor color, int alpha = 255);

// The transparent pixel value of a glyph: its lower left pixel (0 for an empty image).
QRgb GlyphTransparentPixel(const QImage& image);
// Whether pixel is transparent in a glyph whose lower left pixel is lowerLeft. When that corner is
// itself fully transparent the image carries real transparency, and only alpha 0 counts (a black
// outline must not vanish because unused pixels happen to be transparent black).
inline bool IsGlyphTransparent(QRgb pixel, QRgb lowerLeft) {
  if (qAlpha(lowerLeft) == 0) return qAlpha(pixel) == 0;
  return pixel == lowerLeft || qAlpha(pixel) == 0;
}

// Replaces every pixel that is not transparent by GrayColor of it (alpha kept); transparent
// pixels stay. An empty bitmap is left alone. The image becomes ARGB32.
void GrayBitmap(QImage& bitmap);
