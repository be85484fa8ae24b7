// What the print preview control decides, without a window: the size and place of the sheet at
// each scale, the scroll positions and bars, page stepping, the wheel, and the painting of the
// sheet with one page of the print engine on it (drawn in printer pixels through a
// scale-and-offset mapping). The control (printing/gui/SynPadPrintPreview.h) only forwards its
// events here and carries out what the host interface asks.
#pragma once

#include <functional>
#include <string>

#include "platform/Canvas.h"
#include "printing/SynPadPrint.h"

enum TSynPreviewScale { pscWholePage, pscPageWidth, pscUserScaled };

// A scroll bar as the model sets it: positions Min..Max of which Page are in view; a bar whose
// page covers its whole range is shown disabled.
struct TSynScrollBarInfo {
  bool Visible = true;
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  bool Enabled() const { return Visible && Page <= Max - Min; }
  friend bool operator==(const TSynScrollBarInfo&, const TSynScrollBarInfo&) = default;
};

// Scroll requests of a bar (line and page steps, the thumb, the ends, the end of a drag).
enum TSynPreviewScrollRequest {
  srLineUp,
  srLineDown,
  srPageUp,
  srPageDown,
  srThumbPosition,
  srThumbTrack,
  srTop,
  srBottom,
  srEndScroll
};

class ISynPreviewHost {
 public:
  virtual ~ISynPreviewHost() = default;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual int ScreenPixelsPerInchX() const = 0;
  virtual int ScreenPixelsPerInchY() const = 0;
  virtual void Invalidate() = 0;
  // Moves what the window shows by (dx, dy) and paints the strip that comes into view.
  virtual void ScrollWindow(int dx, int dy) = 0;
  virtual void SetScrollBar(bool Horizontal, const TSynScrollBarInfo& Info) = 0;
  // The "Page: n" hint near the top right corner while the page thumb is dragged.
  virtual void ShowScrollHint(const std::string& Text) = 0;
  virtual void HideScrollHint() = 0;
};

struct TSynPoint2 {
  int x = 0;
  int y = 0;
  friend bool operator==(const TSynPoint2&, const TSynPoint2&) = default;
};

class TSynPadPrintPreviewModel {
 public:
  // Room around the sheet: 12 pixels before it, 26 in all.
  static constexpr int kMargin = 12;
  static constexpr int kRoom = 26;
  static constexpr int kWheelDelta = 120;

  explicit TSynPadPrintPreviewModel(ISynPreviewHost* Host = nullptr) : fHost(Host) {}

  // ---- properties ----
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  TColor PageBGColor() const { return fPageBGColor; }
  void SetPageBGColor(TColor Value);
  // The engine shown; not owned (clear it before the engine goes).
  TSynPadPrint* SynPadPrint() const { return fPrint; }
  void SetSynPadPrint(TSynPadPrint* Value);
  TSynPreviewScale ScaleMode() const { return fScaleMode; }
  void SetScaleMode(TSynPreviewScale Value);
  int ScalePercent() const { return fScalePercent; }
  // Switches to pscUserScaled.
  void SetScalePercent(int Value);
  bool ShowScrollHint() const { return fShowScrollHint; }
  void SetShowScrollHint(bool Value) { fShowScrollHint = Value; }
  int PageNumber() const { return fPageNumber; }

  std::function<void(int PageNumber)> OnPreviewPage;
  std::function<void()> OnScaleChange;

  // ---- state ----
  TSynPoint2 PageSize() const { return fPageSize; }
  TSynPoint2 VirtualSize() const { return fVirtualSize; }
  TSynPoint2 VirtualOffset() const { return fVirtualOffset; }
  TSynPoint2 ScrollPosition() const { return fScrollPosition; }
  // The sheet as Paint draws it, in client pixels.
  platform::TCanvasRect SheetRect() const;

  // ---- operations ----
  void FirstPage();
  void LastPage();
  void NextPage();
  void PreviousPage();
  // Lays the engine's pages out again on Canvas (a measuring canvas of the screen) and keeps the
  // shown page within them. A layout that cannot be made raises; the preview then shows the sheet
  // alone.
  void UpdatePreview(platform::ICanvas& Canvas);
  void ScrollHorzFor(int Delta) { ScrollHorzTo(fScrollPosition.x + Delta); }
  void ScrollVertFor(int Delta) { ScrollVertTo(fScrollPosition.y + Delta); }
  virtual void ScrollHorzTo(int X);
  virtual void ScrollVertTo(int Y);
  virtual void UpdateScrollbars();
  virtual void SizeChanged();
  virtual ~TSynPadPrintPreviewModel() = default;

  // ---- events of the control ----
  void HorzScroll(TSynPreviewScrollRequest Request, int ThumbPos);
  void VertScroll(TSynPreviewScrollRequest Request, int ThumbPos);
  void MouseWheel(int Delta);
  // Paints what lies in Clip (client pixels); never lays out.
  void Paint(platform::ICanvas& Canvas, const platform::TCanvasRect& Clip);

  // The sheet's proportions from the engine's paper (141:100 without an engine).
  int HeightFromWidth(int Width) const;
  int WidthFromHeight(int Height) const;

 private:
  int EnginePages() const;
  void ScrollOnAxis(bool Horizontal, TSynPreviewScrollRequest Request, int ThumbPos);
  void PageChanged();
  void Invalidate() {
    if (fHost) fHost->Invalidate();
  }

  ISynPreviewHost* fHost;
  TColor fColor = syn::clAppWorkSpace;
  TColor fPageBGColor = syn::clWhite;
  TSynPadPrint* fPrint = nullptr;
  TSynPreviewScale fScaleMode = pscUserScaled;
  int fScalePercent = 100;
  bool fShowScrollHint = true;
  TSynPoint2 fPageSize;
  TSynPoint2 fVirtualSize;
  TSynPoint2 fVirtualOffset;
  TSynPoint2 fScrollPosition;
  int fPageNumber = 1;
  int fWheelAccumulator = 0;
};
