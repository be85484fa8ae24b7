// The editor's drawing surface and font measuring over Qt: fonts from their descriptions (the
// program's "Courier New" is the desktop's monospace font), integer metrics with full hinting,
// and text put on the caller's grid as glyph runs at explicit positions (no kerning, no shaping);
// a character the face lacks is drawn alone from a fallback font at its grid position.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRawFont>

#include <memory>
#include <string>
#include <unordered_map>

#include "editor/SynCanvas.h"

class TSynQtFontMeasurer : public ISynFontMeasurer {
 public:
  TSynTextMetrics Metrics(const TSynFontDesc& Font) override;
  int CharWidth(const TSynFontDesc& Font, char16_t Ch) override;
  bool CharABC(const TSynFontDesc& Font, char16_t Ch, TSynABC& Result) override;
  void TextExtent(const TSynFontDesc& Font, std::u16string_view Text, int& Width, int& Height) override;

  struct Entry {
    QFont Font;
    QFontMetrics Metrics;
    QRawFont Raw;
    int Ascent;
    // Advance of each UTF-16 unit, -1 until measured.
    mutable std::vector<int> Advances;
    int Advance(char16_t Ch) const;
  };
  const Entry& Get(const TSynFontDesc& Font);

 private:
  std::unordered_map<std::string, std::unique_ptr<Entry>> fCache;
};

// The measurer the editors of this process share (so they share their font records).
TSynQtFontMeasurer& SynQtFontMeasurer();
QFont SynQtFont(const TSynFontDesc& Font);

class TSynQtCanvas : public ISynCanvas {
 public:
  TSynQtCanvas(QPainter& Painter, TSynQtFontMeasurer& Measurer);
  ISynFontMeasurer& Measurer() override { return fMeasurer; }
  void SetFont(const TSynFontDesc& Font) override;
  void FillRect(const TSynRect& R, TColor Color) override;
  void Line(int X1, int Y1, int X2, int Y2, TColor Color) override;
  void TextOut(int X, int Y, std::u16string_view Text, TColor Fg, TColor Bg) override;
  void ExtTextOut(int X, int Y, unsigned Options, const TSynRect& R, std::u16string_view Text, const int* Advances,
                  TColor Fg, TColor Bg) override;
  void DrawBitmap(const TSynBitmap& Bitmap, const TSynImagePlacement& Place, TColor Mask) override;

 private:
  QPainter& fPainter;
  TSynQtFontMeasurer& fMeasurer;
  // Draws Text as one glyph run at the given positions; units the face lacks are drawn alone.
  void DrawRun(int X, int Baseline, const QChar* Chars, int N, const int* Advances);
  const TSynQtFontMeasurer::Entry* fFont = nullptr;
  TSynFontDesc fDesc;
  // The fonts this paint has used, so a style switch needs no lookup by name.
  std::vector<std::pair<TSynFontDesc, const TSynQtFontMeasurer::Entry*>> fRecent;
  std::vector<int> fTextAdvances;
  QVector<quint32> fGlyphs;
  QVector<QPointF> fPositions;
};
