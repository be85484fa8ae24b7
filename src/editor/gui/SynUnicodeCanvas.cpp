#include "editor/gui/SynUnicodeCanvas.h"

#include <QFontMetrics>
#include <QString>

namespace {

QString ToQString(const char16_t* p, int n) {
  return n > 0 ? QString(reinterpret_cast<const QChar*>(p), n) : QString();
}

}  // namespace

QSize GetTextSize(const QPainter& Canvas, const char16_t* P, int N) {
  const QFontMetrics fm(Canvas.font());
  return QSize(N > 0 ? fm.horizontalAdvance(ToQString(P, N)) : 0, fm.height());
}

int WideCanvasTextWidth(const QPainter& Canvas, std::u16string_view S) {
  return GetTextSize(Canvas, S.data(), static_cast<int>(S.size())).width();
}

int WideCanvasTextHeight(const QPainter& Canvas, std::u16string_view S) {
  return GetTextSize(Canvas, S.data(), static_cast<int>(S.size())).height();
}

int WideCanvasTextOut(QPainter& Canvas, int X, int Y, std::u16string_view S) {
  const int width = WideCanvasTextWidth(Canvas, S);
  if (Canvas.layoutDirection() == Qt::RightToLeft) X += width + 1;
  if (!S.empty())
    Canvas.drawText(X, Y + QFontMetrics(Canvas.font()).ascent(), ToQString(S.data(), static_cast<int>(S.size())));
  return X + width;
}
