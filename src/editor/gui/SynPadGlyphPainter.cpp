#include "editor/gui/SynPadGlyphPainter.h"

#include "editor/SynPadMiscProcs.h"
#include "platform/Colors.h"

QImage SynBitmapToImage(const TSynBitmap& Bitmap, TColor MaskColor) {
  if (Bitmap.Empty()) return {};
  QImage image(Bitmap.Width(), Bitmap.Height(), QImage::Format_ARGB32);
  const bool masked = MaskColor != syn::clNone;
  const TColor mask = masked ? platform::ColorToRGB(MaskColor) : 0;
  // 0x00BBGGRR as 0xRRGGBB, to compare with the pixels.
  const std::uint32_t maskRgb = (platform::GetRValue(mask) << 16) | (platform::GetGValue(mask) << 8) |
                                platform::GetBValue(mask);
  for (int y = 0; y < Bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < Bitmap.Width(); ++x) {
      const std::uint32_t p = Bitmap.Pixel(x, y);
      line[x] = (masked && (p & 0xFFFFFF) == maskRgb) ? 0u : p;
    }
  }
  image.setDevicePixelRatio(Bitmap.Scale());
  return image;
}

namespace {

void DrawPart(QPainter& canvas, const QImage& image, int scale, const TSynImagePlacement& p) {
  if (p.Width <= 0 || p.Height <= 0) return;
  const QRectF target(p.DestX, p.DestY, p.Width, p.Height);
  const QRectF source(p.SrcX * scale, p.SrcY * scale, p.Width * scale, p.Height * scale);
  canvas.drawImage(target, image, source);
}

}  // namespace

void DrawSynGlyph(QPainter& Canvas, const TSynGlyph& Glyph, int X, int Y, int LineHeight) {
  TColor mask = syn::clNone;
  const TSynBitmap* bitmap = Glyph.ImageToDraw(mask);
  if (!bitmap) return;
  DrawPart(Canvas, SynBitmapToImage(*bitmap, mask), bitmap->Scale(), Glyph.Placement(X, Y, LineHeight));
}

void DrawSynInternalImage(QPainter& Canvas, const TSynInternalImage& Images, int Index, int X, int Y,
                          int LineHeight) {
  TSynImagePlacement p{};
  if (!Images.Placement(Index, X, Y, LineHeight, p)) return;
  DrawPart(Canvas, SynBitmapToImage(Images.Images()), Images.Images().Scale(), p);
}

void SynDrawGradient(QPainter& Canvas, TColor StartColor, TColor EndColor, int Steps, const QRect& Rect,
                     bool Horizontal) {
  for (const TSynGradientBand& b :
       SynGradientBands(StartColor, EndColor, Steps, Rect.left(), Rect.top(), Rect.left() + Rect.width(),
                        Rect.top() + Rect.height(), Horizontal)) {
    Canvas.fillRect(QRect(b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top),
                    QColor(platform::GetRValue(b.Color), platform::GetGValue(b.Color), platform::GetBValue(b.Color)));
  }
}
