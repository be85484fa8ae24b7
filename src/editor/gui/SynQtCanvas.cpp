#include "editor/gui/SynQtCanvas.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>

#include "editor/gui/SynPadGlyphPainter.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"

QFont SynQtFont(const TSynFontDesc& Font) {
  QFont f;
  if (platform::IsMonospaceName(Font.Name)) {
    f = platform::MapFont(Font.Name, Font.Size);
  } else {
    f = QFont(QString::fromStdString(Font.Name));
    if (Font.Size < 0)
      f.setPixelSize(-Font.Size);
    else if (Font.Size > 0)
      f.setPointSize(Font.Size);
  }
  f.setWeight(Font.Weight >= 600 ? QFont::Bold : QFont::Normal);
  f.setItalic(Font.Italic);
  f.setUnderline(Font.Underline);
  f.setStrikeOut(Font.StrikeOut);
  if (Font.FixedPitch) {
    f.setFixedPitch(true);
    f.setStyleHint(QFont::Monospace, QFont::PreferDefault);
  }
  // Whole-pixel cells as on the classic desktop, and glyphs on our grid only.
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
  return f;
}

namespace {

std::string KeyOf(const TSynFontDesc& F) {
  return F.Name + '\x1f' + std::to_string(F.Size) + '\x1f' + std::to_string(F.Weight) + (F.Italic ? "i" : "-") +
         (F.Underline ? "u" : "-") + (F.StrikeOut ? "s" : "-") + (F.FixedPitch ? "f" : "-");
}

}  // namespace

const TSynQtFontMeasurer::Entry& TSynQtFontMeasurer::Get(const TSynFontDesc& Font) {
  auto& slot = fCache[KeyOf(Font)];
  if (!slot) {
    QFont f = SynQtFont(Font);
    QFontMetrics fm(f);
    slot = std::make_unique<Entry>(Entry{f, fm, QRawFont::fromFont(f), fm.ascent()});
  }
  return *slot;
}

TSynQtFontMeasurer& SynQtFontMeasurer() {
  static TSynQtFontMeasurer measurer;
  return measurer;
}

TSynTextMetrics TSynQtFontMeasurer::Metrics(const TSynFontDesc& Font) {
  const Entry& e = Get(Font);
  TSynTextMetrics m;
  m.Ascent = e.Metrics.ascent();
  m.Descent = e.Metrics.descent();
  m.Height = e.Metrics.height();
  m.AveCharWidth = e.Metrics.horizontalAdvance(QLatin1Char('M'));
  // maxWidth() covers every glyph of the face and would call true monospace faces proportional.
  m.FixedPitch = QFontInfo(e.Font).fixedPitch();
  m.MaxCharWidth = m.FixedPitch ? m.AveCharWidth : e.Metrics.maxWidth();
  m.IsTrueType = true;
  m.Overhang = 0;
  return m;
}

int TSynQtFontMeasurer::CharWidth(const TSynFontDesc& Font, char16_t Ch) {
  // A lone surrogate has no advance of its own; the pair is drawn at its first unit.
  if (Ch >= 0xD800 && Ch <= 0xDFFF) return 0;
  return Get(Font).Metrics.horizontalAdvance(QChar(Ch));
}

bool TSynQtFontMeasurer::CharABC(const TSynFontDesc& Font, char16_t Ch, TSynABC& Result) {
  if (Ch >= 0xD800 && Ch <= 0xDFFF) {
    Result = TSynABC{};
    return true;
  }
  const QFontMetrics& fm = Get(Font).Metrics;
  const QChar c(Ch);
  const int adv = fm.horizontalAdvance(c);
  Result.A = fm.leftBearing(c);
  Result.C = fm.rightBearing(c);
  Result.B = adv - Result.A - Result.C;
  return true;
}

void TSynQtFontMeasurer::TextExtent(const TSynFontDesc& Font, std::u16string_view Text, int& Width, int& Height) {
  const Entry& e = Get(Font);
  Width = e.Metrics.horizontalAdvance(QString::fromUtf16(Text.data(), static_cast<qsizetype>(Text.size())));
  Height = e.Metrics.height();
}

// ---- canvas ----

TSynQtCanvas::TSynQtCanvas(QPainter& Painter, TSynQtFontMeasurer& Measurer) : fPainter(Painter), fMeasurer(Measurer) {}

void TSynQtCanvas::SetFont(const TSynFontDesc& Font) {
  if (fFont && Font == fDesc) return;
  fDesc = Font;
  fFont = &fMeasurer.Get(Font);
  fPainter.setFont(fFont->Font);
}

void TSynQtCanvas::FillRect(const TSynRect& R, TColor Color) {
  if (R.Empty()) return;
  fPainter.fillRect(QRect(R.Left, R.Top, R.Width(), R.Height()), platform::ToQColor(Color));
}

void TSynQtCanvas::Line(int X1, int Y1, int X2, int Y2, TColor Color) {
  // The end point is not drawn, as with the classic line-to.
  if (X1 == X2 && Y1 == Y2) return;
  int ex = X2, ey = Y2;
  if (X1 == X2)
    ey += (Y2 > Y1) ? -1 : 1;
  else if (Y1 == Y2)
    ex += (X2 > X1) ? -1 : 1;
  fPainter.save();
  fPainter.setRenderHint(QPainter::Antialiasing, false);
  fPainter.setPen(QPen(platform::ToQColor(Color), 0));
  fPainter.drawLine(X1, Y1, ex, ey);
  fPainter.restore();
}

void TSynQtCanvas::TextOut(int X, int Y, std::u16string_view Text, TColor Fg, TColor Bg) {
  if (!fFont) SetFont(fDesc);
  const QString s = QString::fromUtf16(Text.data(), static_cast<qsizetype>(Text.size()));
  if (Bg != platform::clNone)
    fPainter.fillRect(QRect(X, Y, fFont->Metrics.horizontalAdvance(s), fFont->Metrics.height()), platform::ToQColor(Bg));
  fPainter.setPen(platform::ToQColor(Fg));
  fPainter.drawText(QPoint(X, Y + fFont->Ascent), s);
}

void TSynQtCanvas::ExtTextOut(int X, int Y, unsigned Options, const TSynRect& R, std::u16string_view Text,
                              const int* Advances, TColor Fg, TColor Bg) {
  if (!fFont) SetFont(fDesc);
  const QRect rect(R.Left, R.Top, R.Width(), R.Height());
  if ((Options & ETO_OPAQUE) && !R.Empty()) fPainter.fillRect(rect, platform::ToQColor(Bg));
  if (Text.empty()) return;
  const bool clipped = (Options & ETO_CLIPPED) != 0;
  if (clipped) {
    fPainter.save();
    fPainter.setClipRect(rect, Qt::IntersectClip);
  }
  fPainter.setPen(platform::ToQColor(Fg));
  const int n = static_cast<int>(Text.size());
  const QChar* chars = reinterpret_cast<const QChar*>(Text.data());
  const int baseline = Y + fFont->Ascent;
  fGlyphs.resize(n);
  fPositions.resize(n);
  bool hasSurrogates = false;
  for (int i = 0; i < n; ++i)
    if (chars[i].isSurrogate()) hasSurrogates = true;
  int count = 0;
  long long x = X;
  auto fallback = [&](int at, int len, long long px) {
    fPainter.drawText(QPointF(static_cast<qreal>(px), baseline), QString(chars + at, len));
  };
  if (!hasSurrogates && fFont->Raw.isValid()) {
    int got = n;
    fFont->Raw.glyphIndexesForChars(chars, n, fGlyphs.data(), &got);
    if (got != n) hasSurrogates = true;  // let the careful path below handle it
    else {
      for (int i = 0; i < n; ++i) {
        if (fGlyphs[i] != 0) {
          fGlyphs[count] = fGlyphs[i];
          fPositions[count] = QPointF(static_cast<qreal>(x), baseline);
          ++count;
        } else if (chars[i].unicode() > 0x20) {
          fallback(i, 1, x);
        }
        x += Advances[i];
      }
    }
  }
  if (hasSurrogates || !fFont->Raw.isValid()) {
    count = 0;
    x = X;
    for (int i = 0; i < n; ++i) {
      const int len = (chars[i].isHighSurrogate() && i + 1 < n && chars[i + 1].isLowSurrogate()) ? 2 : 1;
      quint32 glyph = 0;
      int got = 1;
      if (fFont->Raw.isValid() && !chars[i].isSurrogate()) fFont->Raw.glyphIndexesForChars(chars + i, 1, &glyph, &got);
      if (glyph != 0) {
        fGlyphs[count] = glyph;
        fPositions[count] = QPointF(static_cast<qreal>(x), baseline);
        ++count;
      } else if (len == 2 || (!chars[i].isSurrogate() && chars[i].unicode() > 0x20)) {
        fallback(i, len, x);
      }
      x += Advances[i];
      if (len == 2) x += Advances[++i];
    }
  }
  if (count > 0) {
    QGlyphRun run;
    run.setRawFont(fFont->Raw);
    run.setGlyphIndexes(QVector<quint32>(fGlyphs.begin(), fGlyphs.begin() + count));
    run.setPositions(QVector<QPointF>(fPositions.begin(), fPositions.begin() + count));
    run.setUnderline(fDesc.Underline);
    run.setStrikeOut(fDesc.StrikeOut);
    fPainter.drawGlyphRun(QPointF(0, 0), run);
  }
  if (clipped) fPainter.restore();
}

void TSynQtCanvas::DrawBitmap(const TSynBitmap& Bitmap, const TSynImagePlacement& P, TColor Mask) {
  if (Bitmap.Empty() || P.Width <= 0 || P.Height <= 0) return;
  const QImage image = SynBitmapToImage(Bitmap, Mask);
  const int s = Bitmap.Scale();
  fPainter.drawImage(QRectF(P.DestX, P.DestY, P.Width, P.Height), image,
                     QRectF(P.SrcX * s, P.SrcY * s, P.Width * s, P.Height * s));
}
