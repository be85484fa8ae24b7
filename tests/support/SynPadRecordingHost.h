// A window for the editor control without a window system: fixed metrics (8 x 16 cells at 10
// points, scaled with the size), a client area of a given size, and a record of what the control
// asked of the window (invalidated rectangles, scrolls, caret, scroll bars). Drawing is recorded
// by the platform's recording canvas. Header-only, so probes and fuzz targets can use it.
//
// Cells of one UTF-16 unit under these metrics: East Asian wide and full-width characters two;
// controls, combining marks, zero-width characters and each surrogate measure nothing and so take
// one cell, as every unit does at least.
#pragma once

#include <string>
#include <vector>

#include "editor/SynPad.h"
#include "platform/RecordingCanvas.h"

inline bool SynFixedWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
}
inline bool SynFixedZeroWidth(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0xD800 && c <= 0xDFFF);
}

// A recording canvas with the metrics above.
class TSynFixedCanvas : public platform::TRecordingCanvas {
 public:
  TSynFixedCanvas() {
    Ascent = 12;
    Descent = 4;
    ScaleWithSize = true;
    WideChars = SynFixedWide;
    ZeroWidthChars = SynFixedZeroWidth;
  }
  // The character drawn at pixel (X, Y), later calls over earlier ones (0 where none is).
  char16_t CharAt(int X, int Y) const {
    char16_t found = 0;
    auto inside = [&](const platform::TCanvasRect& r) {
      return X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom;
    };
    for (const Call& c : Calls) {
      if (c.op == "fill" && inside(c.rect)) found = 0;
      if (c.op != "text") continue;
      if ((c.options & platform::kTextOpaque) && inside(c.rect)) found = 0;
      if (Y < c.y || Y >= c.y + 16 || ((c.options & platform::kTextClipped) && !inside(c.rect))) continue;
      int x = c.x;
      for (size_t i = 0; i < c.text.size(); ++i) {
        if (X >= x && X < x + c.advances[i]) found = c.text[i];
        x += c.advances[i];
      }
    }
    return found;
  }
  // The background painted at pixel (X, Y) by fills and opaque text.
  TColor BackAt(int X, int Y) const {
    TColor bg = platform::clNone;
    for (const Call& c : Calls)
      if (X >= c.rect.Left && X < c.rect.Right && Y >= c.rect.Top && Y < c.rect.Bottom) {
        if (c.op == "fill") bg = c.color;
        if (c.op == "text" && (c.options & platform::kTextOpaque)) bg = c.back;
      }
    return bg;
  }
};

class TSynRecordingHost : public ISynPadHost {
 public:
  bool Handle = true;
  bool HasFocus = true;
  bool IsVisible = true;
  int Width = 640;
  int Height = 480;

  std::vector<TSynRect> Invalidated;
  struct Scroll {
    int DX, DY;
    TSynRect Area;
  };
  std::vector<Scroll> Scrolls;
  int CaretW = 0, CaretH = 0, CaretX = 0, CaretY = 0;
  bool CaretCreated = false, CaretShown = false;
  TSynScrollInfo Bars[2];
  bool BarShown[2] = {false, false};
  int ScrollBarCalls = 0;
  bool DropsAccepted = false;
  struct TMeasuringCanvas : TSynFixedCanvas {
    TMeasuringCanvas() { Record = false; }
  } Metrics;

  bool HandleAllocated() const override { return Handle; }
  bool Focused() const override { return HasFocus; }
  bool Visible() const override { return IsVisible; }
  int ClientWidth() const override { return Width; }
  int ClientHeight() const override { return Height; }
  void InvalidateRect(const TSynRect& R) override { Invalidated.push_back(R); }
  void ScrollWindow(int DX, int DY, const TSynRect& Area) override { Scrolls.push_back(Scroll{DX, DY, Area}); }
  void CreateCaret(int W, int H) override {
    CaretW = W;
    CaretH = H;
    CaretCreated = true;
    CaretShown = false;
  }
  void DestroyCaret() override { CaretCreated = CaretShown = false; }
  bool ShowCaret() override {
    if (!CaretCreated) return false;
    CaretShown = true;
    return true;
  }
  bool HideCaret() override {
    if (!CaretCreated) return false;
    CaretShown = false;
    return true;
  }
  void SetCaretPos(int X, int Y) override {
    CaretX = X;
    CaretY = Y;
  }
  void SetScrollBar(TSynScrollBarKind Kind, const TSynScrollInfo& Info) override {
    ++ScrollBarCalls;
    Bars[Kind] = Info;
    BarShown[Kind] = true;
  }
  void HideScrollBar(TSynScrollBarKind Kind) override {
    ++ScrollBarCalls;
    BarShown[Kind] = false;
  }
  void RegisterFileDrops(bool Accept) override { DropsAccepted = Accept; }
  // Measuring sets a font for every new character, for as long as the control lives (the control
  // keeps this canvas, so clearing it here when asked for it did not bound it); nobody reads those
  // calls, so they are not kept.
  platform::ICanvas& MeasuringCanvas() override { return Metrics; }
};

using TSynRecordingCanvas = TSynFixedCanvas;
