// ICanvas over a QPainter (a widget's paint event, an image, a printer page). GUI code only.
//
// Text goes on the grid it is given: each character at its own advance, no kerning and no
// shaping across characters. Characters the face has are drawn as one glyph run per call; a
// character the face lacks is drawn alone in the font the desktop falls back to, at its position.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRawFont>
#include <memory>
#include <vector>

#include "platform/Canvas.h"

namespace platform {

// The QFont that stands for a logical font at a resolution (pixels per inch; the font's own
// PixelsPerInch wins when set). Sizes become whole pixels, hinted fully, kerning off.
QFont ToQFont(const TCanvasFont& font, int devicePixelsPerInch);

class TQtCanvas : public ICanvas {
 public:
  // The painter must be active; the canvas does not own it. Resolution and size are the painter's
  // device's.
  explicit TQtCanvas(QPainter& painter);
  ~TQtCanvas() override;

  QPainter& Painter() { return painter_; }

  int PixelsPerInchX() const override;
  int PixelsPerInchY() const override;
  TCanvasRect DeviceRect() const override;
  void SetMapping(int wox, int woy, int wex, int wey, int vox, int voy, int vex, int vey) override;
  void ResetMapping() override;
  void Save() override;
  void Restore() override;
  void SetFont(const TCanvasFont& font) override;
  const TCanvasFont& Font() const override { return state_.font; }
  TCanvasFontMetrics FontMetrics() override;
  int TextWidth(std::u16string_view text) override;
  bool CharABC(char32_t ch, TCharABC& abc) override;
  void SetTextColor(TColor color) override;
  void SetBackColor(TColor color) override;
  void TextOutAt(int x, int y, unsigned options, const TCanvasRect* rect, std::u16string_view text,
                 const int* advances = nullptr) override;
  void SetBrush(TColor color, TBrushStyle style = TBrushStyle::Solid) override;
  void SetPen(TColor color, int width = 1) override;
  void FillRect(const TCanvasRect& r, TColor color) override;
  void Rectangle(const TCanvasRect& r) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void DrawImage(int x, int y, const TCanvasImage& image, const TCanvasRect& src) override;
  void IntersectClip(const TCanvasRect& r) override;
  void ResetClip() override;

 private:
  struct FontEntry;
  struct State {
    TCanvasFont font;
    // Shared with the process-wide cache: an entry the cache lets go of stays alive while a canvas,
    // or a state it saved, still draws with it.
    std::shared_ptr<const FontEntry> entry;
    TColor textColor = clWindowText;
    TColor backColor = clWindow;
    TColor brush = clWhite;
    TBrushStyle brushStyle = TBrushStyle::Solid;
    TColor pen = clBlack;
    int penWidth = 1;
  };
  const FontEntry& Entry();

  QPainter& painter_;
  State state_;
  std::vector<State> saved_;
  // Reused for every text run, so drawing allocates nothing per call.
  QList<quint32> glyphs_;
  QList<QPointF> positions_;
};

}  // namespace platform
