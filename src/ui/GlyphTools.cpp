#include "ui/GlyphTools.h"

#include <QPainter>

#include "ui/GlyphBase.h"
#include "ui/ImgList_Override.h"

void MakeDisabledGlyph(QImage& glyph) {
  if (glyph.isNull() || glyph.width() <= 0 || glyph.height() <= 0) return;
  const QImage src = glyph.convertToFormat(QImage::Format_ARGB32);
  const int w = src.width();
  QImage pair(w * 2, src.height(), QImage::Format_ARGB32);
  const QRgb transparent = GlyphTransparentPixel(src);
  for (int y = 0; y < src.height(); ++y) {
    const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    auto* d = reinterpret_cast<QRgb*>(pair.scanLine(y));
    for (int x = 0; x < w; ++x) {
      d[x] = s[x];
      d[w + x] = IsGlyphTransparent(s[x], transparent) ? transparent
                                                       : ColorToPixel(GrayColor(PixelToColor(s[x])), qAlpha(s[x]));
    }
  }
  glyph = pair;
}

namespace {
void MakeButtonDisabledGlyph(IGlyphButton& button) {
  if (button.NumGlyphs() != 1) return;
  QImage glyph = button.Glyph();
  MakeDisabledGlyph(glyph);
  button.SetGlyph(glyph);
  if (!glyph.isNull()) button.SetNumGlyphs(2);
}
}  // namespace

void MakeBitBtnDisabledGlyph(IGlyphButton& button) {
  MakeButtonDisabledGlyph(button);
}
void MakeSpeedButtonDisabledGlyph(IGlyphButton& button) {
  MakeButtonDisabledGlyph(button);
}

void MakeDisabledImageList(const TImageList& source, TImageList& dest) {
  dest.BeginUpdate();
  dest.Clear();
  dest.SetSize(source.Width(), source.Height());
  constexpr TColor kMask = 0xFF00FF;
  for (int i = 0; i < source.Count(); ++i) {
    QImage bmp(source.Width(), source.Height(), QImage::Format_ARGB32);
    bmp.fill(ColorToPixel(kMask));
    {
      QPainter p(&bmp);
      source.Draw(p, 0, 0, i, true);
    }
    GrayBitmap(bmp);
    dest.AddMasked(bmp, kMask);
  }
  dest.EndUpdate();
}
