#include "platform/qt/QtCanvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"

namespace platform {

QFont ToQFont(const TCanvasFont& logical, int devicePixelsPerInch) {
  QFont f = MapFont(logical.Name);
  const int ppi = logical.PixelsPerInch > 0 ? logical.PixelsPerInch : std::max(1, devicePixelsPerInch);
  f.setPixelSize(std::max(1, int(std::lround(double(std::max(1, logical.Size)) * ppi / 72.0))));
  f.setBold(logical.Style & kFontBold);
  f.setItalic(logical.Style & kFontItalic);
  f.setUnderline(logical.Style & kFontUnderline);
  f.setStrikeOut(logical.Style & kFontStrikeOut);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferFullHinting);
  if (logical.FixedPitch) {
    f.setFixedPitch(true);
    f.setStyleHint(QFont::Monospace);
  }
  return f;
}

// The Qt objects of one logical font at one resolution. Made once per process: a canvas lives for
// one paint, and the editor paints often.
struct TQtCanvas::FontEntry {
  explicit FontEntry(const QFont& f) : font(f), metrics(f), raw(QRawFont::fromFont(f)) {
    fixedPitch = QFontInfo(f).fixedPitch();
  }
  // The advance of one UTF-16 unit (not a surrogate), measured once.
  int Advance(char16_t u) const {
    if (advances.empty()) advances.assign(65536, -1);
    int& a = advances[u];
    if (a < 0) a = metrics.horizontalAdvance(QChar(u));
    return a;
  }
  QFont font;
  QFontMetrics metrics;
  QRawFont raw;
  bool fixedPitch = false;
  mutable std::vector<int> advances;
};

namespace {

// Whether two logical fonts give the same Qt font: the colour is the canvas's business, not the face's.
bool SameFace(const TCanvasFont& a, const TCanvasFont& b) {
  return a.Name == b.Name && a.Size == b.Size && a.Style == b.Style && a.PixelsPerInch == b.PixelsPerInch &&
         a.FixedPitch == b.FixedPitch;
}

struct FontKey {
  TCanvasFont logical;
  int ppi;
  bool operator==(const FontKey& o) const { return ppi == o.ppi && SameFace(logical, o.logical); }
};

constexpr std::size_t kMaxFonts = 64;

QRect ToQRect(const TCanvasRect& r) {
  return QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

bool IsLead(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsTrail(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

TQtCanvas::TQtCanvas(QPainter& painter) : painter_(painter) {}

TQtCanvas::~TQtCanvas() {
  while (!saved_.empty()) Restore();
}

int TQtCanvas::PixelsPerInchX() const {
  return painter_.device() ? painter_.device()->logicalDpiX() : 96;
}
int TQtCanvas::PixelsPerInchY() const {
  return painter_.device() ? painter_.device()->logicalDpiY() : 96;
}

TCanvasRect TQtCanvas::DeviceRect() const {
  const QPaintDevice* d = painter_.device();
  return d ? TCanvasRect{0, 0, d->width(), d->height()} : TCanvasRect{};
}

void TQtCanvas::SetMapping(int wox, int woy, int wex, int wey, int vox, int voy, int vex, int vey) {
  // Logical p maps to (p - wo) * ve / we + vo; Qt's window rectangle (wo, we) onto the viewport
  // rectangle (vo, ve) is the same mapping.
  painter_.setViewTransformEnabled(true);
  painter_.setWindow(wox, woy, wex == 0 ? 1 : wex, wey == 0 ? 1 : wey);
  painter_.setViewport(vox, voy, vex, vey);
}

void TQtCanvas::ResetMapping() {
  painter_.setViewTransformEnabled(false);
  if (const QPaintDevice* d = painter_.device()) {
    painter_.setWindow(0, 0, d->width(), d->height());
    painter_.setViewport(0, 0, d->width(), d->height());
  }
}

void TQtCanvas::Save() {
  saved_.push_back(state_);
  painter_.save();
}

void TQtCanvas::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  painter_.restore();
}

const TQtCanvas::FontEntry& TQtCanvas::Entry() {
  if (state_.entry) return *state_.entry;
  static std::vector<std::pair<FontKey, std::shared_ptr<const FontEntry>>> cache;
  const FontKey key{state_.font, PixelsPerInchY()};
  for (auto& [k, e] : cache)
    if (k == key) return *(state_.entry = e);
  if (cache.size() >= kMaxFonts) cache.erase(cache.begin());
  cache.emplace_back(key, std::make_shared<const FontEntry>(ToQFont(state_.font, key.ppi)));
  return *(state_.entry = cache.back().second);
}

void TQtCanvas::SetFont(const TCanvasFont& font) {
  if (font.Color != clDefault) state_.textColor = font.Color;
  // The editor switches styles for every token, the printer colours too: a font that differs at
  // most in colour keeps its entry.
  if (state_.entry && SameFace(font, state_.font)) {
    state_.font.Color = font.Color;
    return;
  }
  state_.font = font;
  state_.entry.reset();
}

TCanvasFontMetrics TQtCanvas::FontMetrics() {
  const FontEntry& e = Entry();
  TCanvasFontMetrics m;
  m.Ascent = e.metrics.ascent();
  m.Descent = e.metrics.descent();
  m.Height = m.Ascent + m.Descent;
  m.ExternalLeading = std::max(0, e.metrics.leading());
  m.AveCharWidth = e.metrics.averageCharWidth();
  m.MaxCharWidth = e.metrics.maxWidth();
  m.FixedPitch = e.fixedPitch;
  return m;
}

int TQtCanvas::TextWidth(std::u16string_view text) {
  if (text.empty()) return 0;
  // As TextOutAt puts text without advances: each character at its own advance, no shaping.
  const FontEntry& e = Entry();
  int width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsLead(u) && i + 1 < text.size() && IsTrail(text[i + 1])) {
      width += e.metrics.horizontalAdvance(QString(reinterpret_cast<const QChar*>(text.data() + i), 2));
      ++i;
    } else if (!IsLead(u) && !IsTrail(u)) {
      width += e.Advance(u);
    }
  }
  return width;
}

bool TQtCanvas::CharABC(char32_t ch, TCharABC& abc) {
  const FontEntry& e = Entry();
  if (ch > 0xFFFF) {
    const QString s = QString::fromUcs4(&ch, 1);
    abc = {0, e.metrics.horizontalAdvance(s), 0};
    return true;
  }
  const QChar c(static_cast<char16_t>(ch));
  const int advance = e.metrics.horizontalAdvance(c);
  abc.A = e.metrics.leftBearing(c);
  abc.C = e.metrics.rightBearing(c);
  abc.B = advance - abc.A - abc.C;
  return true;
}

void TQtCanvas::SetTextColor(TColor color) {
  state_.textColor = color;
}
void TQtCanvas::SetBackColor(TColor color) {
  state_.backColor = color;
}

void TQtCanvas::TextOutAt(int x, int y, unsigned options, const TCanvasRect* rect, std::u16string_view text,
                          const int* advances) {
  if (rect && (options & kTextOpaque)) painter_.fillRect(ToQRect(*rect), ToQColor(state_.backColor));
  if (text.empty()) return;
  const bool clipped = rect && (options & kTextClipped);
  if (clipped) {
    painter_.save();
    painter_.setClipRect(ToQRect(*rect), Qt::IntersectClip);
  }
  const FontEntry& e = Entry();
  painter_.setPen(ToQColor(state_.textColor, Qt::black));
  const qreal baseline = y + e.metrics.ascent();
  const int n = static_cast<int>(text.size());
  const QChar* chars = reinterpret_cast<const QChar*>(text.data());
  bool fontSet = false;
  auto fallback = [&](int at, int units, int pen) {
    if (!fontSet) {
      painter_.setFont(e.font);
      fontSet = true;
    }
    painter_.drawText(QPointF(pen, baseline), QString(chars + at, units));
  };

  // One glyph run for every character the face has; the rest one by one with fallback.
  glyphs_.resize(n);
  positions_.resize(n);
  int count = 0;
  bool surrogates = false;
  for (int i = 0; i < n && !surrogates; ++i) surrogates = chars[i].isSurrogate();
  int pen = x;
  if (!surrogates && e.raw.isValid()) {
    // Plain text: every unit one character, looked up in one call.
    int got = n;
    e.raw.glyphIndexesForChars(chars, n, glyphs_.data(), &got);
    for (int i = 0; i < n; ++i) {
      const char16_t u = text[i];
      const int advance = advances ? advances[i] : e.Advance(u);
      if (u != u' ' && u != u'\t') {
        if (i < got && glyphs_[i] != 0) {
          glyphs_[count] = glyphs_[i];
          positions_[count] = QPointF(pen, baseline);
          ++count;
        } else {
          fallback(i, 1, pen);
        }
      }
      pen += advance;
    }
  } else {
    for (int i = 0; i < n;) {
      const int units = (IsLead(text[i]) && i + 1 < n && IsTrail(text[i + 1])) ? 2 : 1;
      int advance = 0;
      for (int k = 0; k < units; ++k) advance += advances ? advances[i + k] : 0;
      if (!advances) advance = units == 2 ? e.metrics.horizontalAdvance(QString(chars + i, 2)) : e.Advance(text[i]);
      const char16_t u = text[i];
      if (!(u == u' ' || u == u'\t' || (units == 1 && (IsLead(u) || IsTrail(u))))) {
        quint32 glyph = 0;
        int got = 1;
        if (e.raw.isValid() && e.raw.glyphIndexesForChars(chars + i, units, &glyph, &got) && got == 1 && glyph != 0) {
          glyphs_[count] = glyph;
          positions_[count] = QPointF(pen, baseline);
          ++count;
        } else {
          fallback(i, units, pen);
        }
      }
      pen += advance;
      i += units;
    }
  }
  if (count > 0) {
    glyphs_.resize(count);
    positions_.resize(count);
    QGlyphRun run;
    run.setRawFont(e.raw);
    run.setGlyphIndexes(glyphs_);
    run.setPositions(positions_);
    run.setUnderline(e.font.underline());
    run.setStrikeOut(e.font.strikeOut());
    painter_.drawGlyphRun(QPointF(0, 0), run);
  }
  if (clipped) painter_.restore();
}

void TQtCanvas::SetBrush(TColor color, TBrushStyle style) {
  state_.brush = color;
  state_.brushStyle = style;
}

void TQtCanvas::SetPen(TColor color, int width) {
  state_.pen = color;
  state_.penWidth = width;
}

void TQtCanvas::FillRect(const TCanvasRect& r, TColor color) {
  if (r.IsEmpty()) return;
  painter_.fillRect(ToQRect(r), ToQColor(color));
}

void TQtCanvas::Rectangle(const TCanvasRect& r) {
  if (r.IsEmpty()) return;
  if (state_.brushStyle == TBrushStyle::Solid) painter_.fillRect(ToQRect(r), ToQColor(state_.brush));
  QPen pen(ToQColor(state_.pen, Qt::black));
  pen.setWidth(std::max(1, state_.penWidth));
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TQtCanvas::Line(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return;
  QPen pen(ToQColor(state_.pen, Qt::black));
  pen.setWidth(std::max(1, state_.penWidth));
  pen.setCapStyle(Qt::FlatCap);
  painter_.setPen(pen);
  // A flat cap leaves the end point itself undrawn, as the classic line does.
  painter_.drawLine(x1, y1, x2, y2);
}

void TQtCanvas::DrawImage(int x, int y, const TCanvasImage& image, const TCanvasRect& src) {
  if (image.Empty() || src.IsEmpty()) return;
  const QImage img(reinterpret_cast<const uchar*>(image.Pixels.data()), image.Width, image.Height, image.Width * 4,
                   QImage::Format_ARGB32);
  painter_.drawImage(QPoint(x, y), img, ToQRect(src));
}

void TQtCanvas::IntersectClip(const TCanvasRect& r) {
  painter_.setClipRect(ToQRect(r), Qt::IntersectClip);
}

void TQtCanvas::ResetClip() {
  painter_.setClipping(false);
}

}  // namespace platform
