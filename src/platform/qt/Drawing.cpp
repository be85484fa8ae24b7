#include "platform/qt/Drawing.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cctype>

#include "platform/Colors.h"
#include "platform/qt/QtColors.h"

namespace platform {

namespace {

// One side pair of an edge: top-left colour and bottom-right colour.
void DrawBorder(QPainter& p, QRect& r, const QColor& tl, const QColor& br, unsigned flags) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const int x0 = r.left(), y0 = r.top(), x1 = r.left() + r.width() - 1, y1 = r.top() + r.height() - 1;
  if (flags & BF_TOP) p.fillRect(QRect(x0, y0, r.width(), 1), tl);
  if (flags & BF_LEFT) p.fillRect(QRect(x0, y0, 1, r.height()), tl);
  if (flags & BF_BOTTOM) p.fillRect(QRect(x0, y1, r.width(), 1), br);
  if (flags & BF_RIGHT) p.fillRect(QRect(x1, y0, 1, r.height()), br);
  int l = (flags & BF_LEFT) ? 1 : 0, t = (flags & BF_TOP) ? 1 : 0;
  int rr = (flags & BF_RIGHT) ? 1 : 0, b = (flags & BF_BOTTOM) ? 1 : 0;
  r.adjust(l, t, -rr, -b);
}

QString StripPrefix(const QString& s, int* underline) {
  QString out;
  out.reserve(s.size());
  if (underline) *underline = -1;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'&') {
      if (i + 1 < s.size()) {
        ++i;
        if (s[i] != u'&' && underline && *underline < 0) *underline = int(out.size());
        out += s[i];
      }
      // A trailing lone "&" is dropped.
    } else {
      out += s[i];
    }
  }
  return out;
}

QString ExpandTabs(const QFontMetrics& fm, const QString& line) {
  if (!line.contains(u'\t')) return line;
  const int tabWidth = std::max(1, fm.averageCharWidth() * 8);
  QString out;
  for (QChar c : line) {
    if (c == u'\t') {
      int w = fm.horizontalAdvance(out);
      int target = (w / tabWidth + 1) * tabWidth;
      const int space = std::max(1, fm.horizontalAdvance(QChar(u' ')));
      int spaces = std::max(1, (target - w + space - 1) / space);
      out += QString(spaces, u' ');
    } else {
      out += c;
    }
  }
  return out;
}

// Greedy word wrap: breaks after blanks; a word wider than the width stands alone on its line.
void WrapLine(const QFontMetrics& fm, const QString& line, int width, QStringList& out) {
  if (line.isEmpty() || fm.horizontalAdvance(line) <= width) {
    out << line;
    return;
  }
  qsizetype start = 0;
  const qsizetype n = line.size();
  while (start < n) {
    qsizetype lastBreak = -1;
    qsizetype i = start;
    for (; i < n; ++i) {
      if (line[i] == u' ') lastBreak = i;
      if (fm.horizontalAdvance(line.mid(start, i - start + 1)) > width && i > start) break;
    }
    if (i >= n) {
      out << line.mid(start);
      return;
    }
    qsizetype end = lastBreak >= start ? lastBreak : -1;
    if (end < 0) {
      // No blank: the word runs on to its end (classic wrap never splits a word).
      qsizetype sp = line.indexOf(u' ', i);
      end = sp < 0 ? n : sp;
    }
    out << line.mid(start, end - start);
    start = end;
    while (start < n && line[start] == u' ') ++start;
  }
}

QString s_uiFamily;
QString s_monoFamily;

}  // namespace

void DrawEdge(QPainter& p, QRect& r, unsigned edge, unsigned flags) {
  QRect work = r;
  const QColor hilight = ToQColor(clBtnHighlight), light = ToQColor(cl3DLight);
  const QColor shadow = ToQColor(clBtnShadow), dark = ToQColor(cl3DDkShadow);
  const QColor face = ToQColor(clBtnFace);
  const bool flat = flags & (BF_FLAT | BF_MONO);
  // Outer border.
  if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
    if (flat)
      DrawBorder(p, work, (flags & BF_MONO) ? Qt::black : shadow, (flags & BF_MONO) ? Qt::black : shadow, flags);
    else if (edge & BDR_RAISEDOUTER)
      DrawBorder(p, work, (flags & BF_SOFT) ? hilight : light, dark, flags);
    else
      DrawBorder(p, work, shadow, hilight, flags);
  }
  if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
    if (flat)
      DrawBorder(p, work, face, face, flags);
    else if (edge & BDR_RAISEDINNER)
      DrawBorder(p, work, (flags & BF_SOFT) ? light : hilight, shadow, flags);
    else
      DrawBorder(p, work, dark, light, flags);
  }
  if ((flags & BF_MIDDLE) && work.width() > 0 && work.height() > 0) p.fillRect(work, face);
  if (flags & BF_ADJUST) r = work;
}

void FrameRect(QPainter& p, const QRect& r, const QColor& color) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

void DrawFocusRect(QPainter& p, const QRect& r) {
  QPen pen(ToQColor(clWindowText));
  pen.setStyle(Qt::DotLine);
  p.save();
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.restore();
}

int PrefixCharIndex(const QString& text) {
  int idx;
  StripPrefix(text, &idx);
  return idx;
}

QStringList TextLines(const QFontMetrics& fm, const QString& text, int width, unsigned flags) {
  QString t = (flags & DT_NOPREFIX) ? text : StripPrefix(text, nullptr);
  QStringList raw;
  if (flags & DT_SINGLELINE) {
    QString one = t;
    one.replace(u'\r', u' ').replace(u'\n', u' ');
    raw << one;
  } else {
    QString cur;
    for (qsizetype i = 0; i < t.size(); ++i) {
      if (t[i] == u'\r') {
        raw << cur;
        cur.clear();
        if (i + 1 < t.size() && t[i + 1] == u'\n') ++i;
      } else if (t[i] == u'\n') {
        raw << cur;
        cur.clear();
      } else {
        cur += t[i];
      }
    }
    raw << cur;
  }
  QStringList lines;
  for (QString& l : raw) {
    if (flags & DT_EXPANDTABS) l = ExpandTabs(fm, l);
    if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE))
      WrapLine(fm, l, std::max(1, width), lines);
    else
      lines << l;
  }
  return lines;
}

int CalcTextRect(const QFontMetrics& fm, const QString& text, QRect& r, unsigned flags) {
  const QStringList lines = TextLines(fm, text, r.width(), flags);
  int w = 0;
  for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
  const int h = int(lines.size()) * fm.height();
  if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) w = std::max(w, r.width());
  r.setWidth(w);
  r.setHeight(h);
  return h;
}

int DrawText(QPainter& p, const QString& text, QRect& r, unsigned flags) {
  const QFontMetrics fm = p.fontMetrics();
  if (flags & DT_CALCRECT) return CalcTextRect(fm, text, r, flags);
  int underline = -1;
  if (!(flags & (DT_NOPREFIX | DT_HIDEPREFIX))) StripPrefix(text, &underline);
  const QStringList lines = TextLines(fm, text, r.width(), flags);
  const int lh = fm.height();
  const int total = int(lines.size()) * lh;
  int y = r.top();
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER)
      y = r.top() + (r.height() - lh) / 2;
    else if (flags & DT_BOTTOM)
      y = r.top() + r.height() - lh;
  }
  p.save();
  if (!(flags & DT_NOCLIP)) p.setClipRect(r, Qt::IntersectClip);
  int consumed = 0;  // characters before the current line, for the underline
  for (const QString& line0 : lines) {
    QString line = line0;
    if ((flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) && fm.horizontalAdvance(line) > r.width())
      line = fm.elidedText(line, (flags & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight, r.width());
    const int lw = fm.horizontalAdvance(line);
    int x = r.left();
    if (flags & DT_CENTER)
      x = r.left() + (r.width() - lw) / 2;
    else if (flags & DT_RIGHT)
      x = r.left() + r.width() - lw;
    p.drawText(QPoint(x, y + fm.ascent()), line);
    if (underline >= consumed && underline < consumed + line0.size() && line == line0) {
      const int ux = x + fm.horizontalAdvance(line.left(underline - consumed));
      const int uw = fm.horizontalAdvance(line.mid(underline - consumed, 1));
      p.fillRect(QRect(ux, y + fm.ascent() + fm.underlinePos(), uw, std::max(1, fm.lineWidth())), p.pen().color());
    }
    consumed += int(line0.size()) + 1;
    y += lh;
  }
  p.restore();
  return total;
}

void DrawDisabledText(QPainter& p, const QString& text, QRect r, unsigned flags) {
  p.save();
  QRect shifted = r.translated(1, 1);
  p.setPen(ToQColor(clBtnHighlight));
  DrawText(p, text, shifted, flags & ~DT_CALCRECT);
  p.setPen(ToQColor(clBtnShadow));
  DrawText(p, text, r, flags & ~DT_CALCRECT);
  p.restore();
}

QSize DialogBaseUnits(const QFont& font) {
  QFontMetrics fm(font);
  const int w = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return QSize((w / 26 + 1) / 2, fm.height());
}

namespace {
int MulDiv(int a, int b, int c) {
  long long v = (long long)a * b;
  // Rounded to nearest, halves away from zero.
  return int(v >= 0 ? (v + c / 2) / c : (v - c / 2) / c);
}
}  // namespace

int DluToPixelsX(const QFont& font, int dlu) {
  return MulDiv(dlu, DialogBaseUnits(font).width(), 4);
}
int DluToPixelsY(const QFont& font, int dlu) {
  return MulDiv(dlu, DialogBaseUnits(font).height(), 8);
}

QRect DluToPixels(const QFont& font, const QRect& dlu) {
  const QSize base = DialogBaseUnits(font);
  return QRect(MulDiv(dlu.x(), base.width(), 4), MulDiv(dlu.y(), base.height(), 8),
               MulDiv(dlu.width(), base.width(), 4), MulDiv(dlu.height(), base.height(), 8));
}

bool IsMonospaceName(const std::string& name) {
  std::string n;
  for (char c : name) n += char(std::tolower((unsigned char)c));
  return n == "courier new" || n == "courier" || n == "fixedsys" || n == "terminal" || n == "lucida console" ||
         n == "consolas" || n == "monospace";
}

namespace {
// The proportional names of the program's forms, which stand for the desktop's interface font even
// where a font of that name happens to be installed.
bool IsWindowsFontName(const std::string& name) {
  std::string n;
  for (char c : name) n += char(std::tolower((unsigned char)c));
  return n.empty() || n == "ms sans serif" || n == "ms shell dlg" || n == "ms shell dlg 2" || n == "arial" ||
         n == "tahoma" || n == "verdana" || n == "segoe ui" || n == "times new roman" || n == "small fonts" ||
         n == "system" || n == "default";
}
}  // namespace

void SetFontSubstitutes(const QString& uiFamily, const QString& monoFamily) {
  s_uiFamily = uiFamily;
  s_monoFamily = monoFamily;
}

QFont MapFont(const std::string& name, int height) {
  QFont f;
  if (IsMonospaceName(name)) {
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!s_monoFamily.isEmpty()) f.setFamily(s_monoFamily);
    f.setStyleHint(QFont::Monospace);
  } else if (!IsWindowsFontName(name) && QFontDatabase::hasFamily(QString::fromStdString(name))) {
    // A family the user chose from the desktop's fonts (the font dialog) is taken as it is.
    f = QApplication::font();
    f.setFamily(QString::fromStdString(name));
  } else {
    f = QApplication::font();
    if (!s_uiFamily.isEmpty()) f.setFamily(s_uiFamily);
  }
  if (height < 0)
    f.setPixelSize(-height);
  else if (height > 0)
    f.setPointSize(height);
  return f;
}

}  // namespace platform
