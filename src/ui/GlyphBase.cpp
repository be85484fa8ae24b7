#include "ui/GlyphBase.h"

TColor PixelToColor(QRgb pixel) {
  return platform::RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

QRgb ColorToPixel(TColor color, int alpha) {
  return qRgba(platform::GetRValue(color), platform::GetGValue(color), platform::GetBValue(color), alpha);
}

QRgb GlyphTransparentPixel(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return 0;
  return image.pixel(0, image.height() - 1);
}

void GrayBitmap(QImage& bitmap) {
  if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0) return;
  if (bitmap.format() != QImage::Format_ARGB32) bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
  const QRgb transparent = GlyphTransparentPixel(bitmap);
  const int w = bitmap.width();
  for (int y = 0; y < bitmap.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const QRgb p = line[x];
      if (IsGlyphTransparent(p, transparent)) continue;
      line[x] = ColorToPixel(GrayColor(PixelToColor(p)), qAlpha(p));
    }
  }
}
