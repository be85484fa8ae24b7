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
    slot = std::make_unique<Entry>(Entry{f, fm, QRawFont::fromFont(f), fm.ascent(), std::vector<int>(65536, -1)});
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

int TSynQtFontMeasurer::Entry::Advance(char16_t Ch) const {
  int& a = Advances[Ch];
  // A lone surrogate has no advance of its own; the pair is drawn at its first unit.
  if (a < 0) a = (Ch >= 0xD800 && Ch <= 0xDFFF) ? 0 : Metrics.horizontalAdvance(QChar(Ch));
  return a;
}

int TSynQtFontMeasurer::CharWidth(const TSynFontDesc& Font, char16_t Ch) { return Get(Font).Advance(Ch); }

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
  // Unshaped, as the text is drawn: the sum of the units' advances.
  Width = 0;
  for (char16_t c : Text) Width += e.Advance(c);
  Height = e.Metrics.height();
}

// ---- canvas ----

TSynQtCanvas::TSynQtCanvas(QPainter& Painter, TSynQtFontMeasurer& Measurer) : fPainter(Painter), fMeasurer(Measurer) {}

void TSynQtCanvas::SetFont(const TSynFontDesc& Font) {
  if (fFont && Font == fDesc) return;
  fDesc = Font;
  fFont = nullptr;
  for (const auto& [desc, entry] : fRecent)
    if (desc == Font) fFont = entry;
  if (!fFont) {
    fFont = &fMeasurer.Get(Font);
    fRecent.emplace_back(Font, fFont);
  }
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
  const int n = static_cast<int>(Text.size());
  fTextAdvances.resize(static_cast<size_t>(n));
  int width = 0;
  for (int i = 0; i < n; ++i) width += fTextAdvances[static_cast<size_t>(i)] = fFont->Advance(Text[static_cast<size_t>(i)]);
  if (Bg != platform::clNone) fPainter.fillRect(QRect(X, Y, width, fFont->Metrics.height()), platform::ToQColor(Bg));
  fPainter.setPen(platform::ToQColor(Fg));
  DrawRun(X, Y + fFont->Ascent, reinterpret_cast<const QChar*>(Text.data()), n, fTextAdvances.data());
}

void TSynQtCanvas::ExtTextOut(int X, int Y, unsigned Options, const TSynRect& R, std::u16string_view Text,
                              const int* Advances, TColor Fg, TColor Bg) {
  if (!fFont) SetFont(fDesc);
  const QRect rect(R.Left, R.Top, R.Width(), R.Height());
  if ((Options & ETO_OPAQUE) && !R.Empty()) fPainter.fillRect(rect, platform::ToQColor(Bg));
  if (Text.empty()) return;
  const int n = static_cast<int>(Text.size());
  long long right = X;
  for (int i = 0; i < n; ++i) right += Advances[i];
  // Clipping costs a painter state; only text that reaches out of the rectangle needs it.
  const bool clipped = (Options & ETO_CLIPPED) != 0 &&
                       (X < R.Left || right > R.Right || Y < R.Top || Y + fFont->Metrics.height() > R.Bottom);
  if (clipped) {
    fPainter.save();
    fPainter.setClipRect(rect, Qt::IntersectClip);
  }
  fPainter.setPen(platform::ToQColor(Fg));
  DrawRun(X, Y + fFont->Ascent, reinterpret_cast<const QChar*>(Text.data()), n, Advances);
  if (clipped) fPainter.restore();
}

void TSynQtCanvas::DrawRun(int X, int Baseline, const QChar* Chars, int N, const int* Advances) {
  fGlyphs.resize(N);
  fPositions.resize(N);
  bool careful = !fFont->Raw.isValid();
  for (int i = 0; i < N && !careful; ++i) careful = Chars[i].isSurrogate();
  int count = 0;
  long long x = X;
  auto fallback = [&](int at, int len, long long px) {
    fPainter.drawText(QPointF(static_cast<qreal>(px), Baseline), QString(Chars + at, len));
  };
  if (!careful) {
    int got = N;
    fFont->Raw.glyphIndexesForChars(Chars, N, fGlyphs.data(), &got);
    careful = got != N;
    for (int i = 0; i < N && !careful; ++i) {
      if (fGlyphs[i] != 0) {
        fGlyphs[count] = fGlyphs[i];
        fPositions[count] = QPointF(static_cast<qreal>(x), Baseline);
        ++count;
      } else if (Chars[i].unicode() > 0x20) {
        fallback(i, 1, x);
      }
      x += Advances[i];
    }
  }
  if (careful) {
    count = 0;
    x = X;
    for (int i = 0; i < N; ++i) {
      const int len = (Chars[i].isHighSurrogate() && i + 1 < N && Chars[i + 1].isLowSurrogate()) ? 2 : 1;
      quint32 glyph = 0;
      int got = 1;
      if (fFont->Raw.isValid() && !Chars[i].isSurrogate()) fFont->Raw.glyphIndexesForChars(Chars + i, 1, &glyph, &got);
      if (glyph != 0) {
        fGlyphs[count] = glyph;
        fPositions[count] = QPointF(static_cast<qreal>(x), Baseline);
        ++count;
      } else if (len == 2 || (!Chars[i].isSurrogate() && Chars[i].unicode() > 0x20)) {
        fallback(i, len, x);
      }
      x += Advances[i];
      if (len == 2) x += Advances[++i];
    }
  }
  if (count == 0) return;
  fGlyphs.resize(count);
  fPositions.resize(count);
  QGlyphRun run;
  run.setRawFont(fFont->Raw);
  run.setGlyphIndexes(fGlyphs);
  run.setPositions(fPositions);
  run.setUnderline(fDesc.Underline);
  run.setStrikeOut(fDesc.StrikeOut);
  fPainter.drawGlyphRun(QPointF(0, 0), run);
}

void TSynQtCanvas::DrawBitmap(const TSynBitmap& Bitmap, const TSynImagePlacement& P, TColor Mask) {
  if (Bitmap.Empty() || P.Width <= 0 || P.Height <= 0) return;
  const QImage image = SynBitmapToImage(Bitmap, Mask);
  const int s = Bitmap.Scale();
  fPainter.drawImage(QRectF(P.DestX, P.DestY, P.Width, P.Height), image,
                     QRectF(P.SrcX * s, P.SrcY * s, P.Width * s, P.Height * s));
}
