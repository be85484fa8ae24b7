// A window for the editor control without a window system: fixed metrics (8 x 16 cells at 10
// points), a client area of a given size, and a record of what the control asked of the window
// (invalidated rectangles, scrolls, caret, scroll bars). A recording canvas keeps every drawing
// call. Header-only, so probes and fuzz targets can use it without the test library.
#pragma once

#include <string>
#include <vector>

#include "editor/SynPad.h"

class TSynRecordingHost : public ISynPadHost {
 public:
  bool Handle = true;
  bool HasFocus = true;
  bool IsVisible = true;
  int Width = 640;
  int Height = 480;
  TSynFixedFontMeasurer FixedMetrics;

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
  ISynFontMeasurer& Measurer() override { return FixedMetrics; }
};

class TSynRecordingCanvas : public ISynCanvas {
 public:
  enum Kind { opFill, opLine, opText, opExtText, opBitmap };
  struct Op {
    Kind K;
    TSynRect R;
    int X = 0, Y = 0, X2 = 0, Y2 = 0;
    std::u16string Text;
    std::vector<int> Advances;
    TColor Fg = 0, Bg = 0;
    unsigned Options = 0;
    TSynFontDesc Font;
  };
  std::vector<Op> Ops;
  TSynFixedFontMeasurer FixedMetrics;
  TSynFontDesc Font;

  ISynFontMeasurer& Measurer() override { return FixedMetrics; }
  void SetFont(const TSynFontDesc& F) override { Font = F; }
  void FillRect(const TSynRect& R, TColor C) override { Ops.push_back(Op{opFill, R, 0, 0, 0, 0, {}, {}, 0, C, 0, Font}); }
  void Line(int X1, int Y1, int X2, int Y2, TColor C) override {
    Ops.push_back(Op{opLine, {}, X1, Y1, X2, Y2, {}, {}, C, 0, 0, Font});
  }
  void TextOut(int X, int Y, std::u16string_view T, TColor Fg, TColor Bg) override {
    Ops.push_back(Op{opText, {}, X, Y, 0, 0, std::u16string(T), {}, Fg, Bg, 0, Font});
  }
  void ExtTextOut(int X, int Y, unsigned Options, const TSynRect& R, std::u16string_view T, const int* Adv, TColor Fg,
                  TColor Bg) override {
    Ops.push_back(Op{opExtText, R, X, Y, 0, 0, std::u16string(T), std::vector<int>(Adv, Adv + T.size()), Fg, Bg, Options, Font});
  }
  void DrawBitmap(const TSynBitmap&, const TSynImagePlacement& P, TColor) override {
    Ops.push_back(Op{opBitmap, TSynRect{P.DestX, P.DestY, P.DestX + P.Width, P.DestY + P.Height}, P.DestX, P.DestY, 0, 0, {}, {}, 0, 0, 0, Font});
  }
  // The character drawn at pixel column X of the text row at Y (0 when none): where the grid
  // puts each character of every text-out, later calls over earlier ones.
  char16_t CharAt(int X, int Y) const {
    char16_t found = 0;
    for (const Op& op : Ops) {
      if (op.K == opFill && X >= op.R.Left && X < op.R.Right && Y >= op.R.Top && Y < op.R.Bottom) found = 0;
      if (op.K != opExtText || Y < op.R.Top || Y >= op.R.Bottom) continue;
      if ((op.Options & ETO_OPAQUE) && X >= op.R.Left && X < op.R.Right) found = 0;
      int x = op.X;
      for (size_t i = 0; i < op.Text.size(); ++i) {
        if (X >= x && X < x + op.Advances[i] && X >= op.R.Left && X < op.R.Right) found = op.Text[i];
        x += op.Advances[i];
      }
    }
    return found;
  }
};
