#include "printing/SynPadPrintPreviewModel.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

using platform::MulDiv;
using platform::TCanvasRect;

int TSynPadPrintPreviewModel::EnginePages() const {
  return fPrint ? fPrint->LaidOutPageCount() : 0;
}

void TSynPadPrintPreviewModel::SetColor(TColor Value) {
  if (fColor == Value) return;
  fColor = Value;
  Invalidate();
}

void TSynPadPrintPreviewModel::SetPageBGColor(TColor Value) {
  if (fPageBGColor == Value) return;
  fPageBGColor = Value;
  Invalidate();
}

void TSynPadPrintPreviewModel::SetSynPadPrint(TSynPadPrint* Value) {
  fPrint = Value;
  SizeChanged();
  Invalidate();
}

void TSynPadPrintPreviewModel::SetScaleMode(TSynPreviewScale Value) {
  if (fScaleMode == Value) return;
  fScaleMode = Value;
  fScrollPosition = {};
  SizeChanged();
  if (OnScaleChange) OnScaleChange();
  Invalidate();
}

void TSynPadPrintPreviewModel::SetScalePercent(int Value) {
  if (fScalePercent != Value) {
    fScaleMode = pscUserScaled;
    fScrollPosition = {};
    fScalePercent = Value;
    SizeChanged();
    Invalidate();
  } else {
    SetScaleMode(pscUserScaled);
  }
  if (OnScaleChange) OnScaleChange();
}

int TSynPadPrintPreviewModel::HeightFromWidth(int Width) const {
  if (!fPrint) return MulDiv(Width, 141, 100);
  return MulDiv(Width, fPrint->PrinterInfo().PhysicalHeight(), fPrint->PrinterInfo().PhysicalWidth());
}

int TSynPadPrintPreviewModel::WidthFromHeight(int Height) const {
  if (!fPrint) return MulDiv(Height, 100, 141);
  return MulDiv(Height, fPrint->PrinterInfo().PhysicalWidth(), fPrint->PrinterInfo().PhysicalHeight());
}

void TSynPadPrintPreviewModel::SizeChanged() {
  if (!fHost || !fPrint) return;
  const int cw = fHost->ClientWidth(), ch = fHost->ClientHeight();
  TSynPadPrinterInfo& info = fPrint->PrinterInfo();
  switch (fScaleMode) {
    case pscWholePage: {
      const int width = cw - kRoom, height = ch - kRoom;
      const int fitting = WidthFromHeight(height);
      if (fitting >= width)
        fPageSize = {width, HeightFromWidth(width)};
      else
        fPageSize = {fitting, height};
      break;
    }
    case pscPageWidth:
      fPageSize = {cw - kRoom, HeightFromWidth(cw - kRoom)};
      break;
    case pscUserScaled: {
      const int w100 = MulDiv(info.PhysicalWidth(), fHost->ScreenPixelsPerInchX(), info.XPixPerInch());
      const int h100 = MulDiv(info.PhysicalHeight(), fHost->ScreenPixelsPerInchY(), info.YPixPerInch());
      fPageSize = {MulDiv(w100, fScalePercent, 100), MulDiv(h100, fScalePercent, 100)};
      break;
    }
  }
  fPageSize = {std::max(0, fPageSize.x), std::max(0, fPageSize.y)};
  fVirtualSize = {fPageSize.x + kRoom, fPageSize.y + kRoom};
  fVirtualOffset = {kMargin + (cw > fVirtualSize.x ? (cw - fVirtualSize.x) / 2 : 0),
                    kMargin + (ch > fVirtualSize.y ? (ch - fVirtualSize.y) / 2 : 0)};
  UpdateScrollbars();
  fScrollPosition = {};
}

void TSynPadPrintPreviewModel::UpdateScrollbars() {
  if (!fHost) return;
  const int cw = fHost->ClientWidth(), ch = fHost->ClientHeight();
  TSynScrollBarInfo horz, vert;
  switch (fScaleMode) {
    case pscWholePage:
      horz.Visible = false;
      vert = {true, 1, std::max(1, EnginePages()), 1, fPrint ? fPageNumber : 1};
      break;
    case pscPageWidth:
      horz.Visible = false;
      vert = {true, 0, fVirtualSize.y, ch, -fScrollPosition.y};
      break;
    case pscUserScaled:
      horz = {true, 0, fVirtualSize.x, cw, -fScrollPosition.x};
      vert = {true, 0, fVirtualSize.y, ch, -fScrollPosition.y};
      break;
  }
  fHost->SetScrollBar(true, horz);
  fHost->SetScrollBar(false, vert);
}

void TSynPadPrintPreviewModel::ScrollHorzTo(int X) {
  if (!fHost) return;
  const int cw = fHost->ClientWidth();
  // A window that holds the whole sheet never scrolls it.
  X = std::clamp(X, std::min(0, cw - fVirtualSize.x), 0);
  if (fScaleMode == pscWholePage) X = 0;
  if (X == fScrollPosition.x) return;
  const int delta = X - fScrollPosition.x;
  fScrollPosition.x = X;
  UpdateScrollbars();
  if (std::abs(delta) <= cw / 2)
    fHost->ScrollWindow(delta, 0);
  else
    Invalidate();
}

void TSynPadPrintPreviewModel::ScrollVertTo(int Y) {
  if (!fHost) return;
  // In whole-page mode the vertical bar picks pages; the window always holds the sheet.
  if (fScaleMode == pscWholePage) return;
  const int ch = fHost->ClientHeight();
  Y = std::clamp(Y, std::min(0, ch - fVirtualSize.y), 0);
  if (Y == fScrollPosition.y) return;
  const int delta = Y - fScrollPosition.y;
  fScrollPosition.y = Y;
  UpdateScrollbars();
  if (std::abs(delta) <= ch / 2)
    fHost->ScrollWindow(0, delta);
  else
    Invalidate();
}

void TSynPadPrintPreviewModel::ScrollOnAxis(bool Horizontal, TSynPreviewScrollRequest Request, int ThumbPos) {
  // W is what the window shows of the axis, V what there is of it.
  const int w = Horizontal ? fHost->ClientWidth() : fHost->ClientHeight();
  const int v = Horizontal ? fVirtualSize.x : fVirtualSize.y;
  const int pos = Horizontal ? fScrollPosition.x : fScrollPosition.y;
  int to = pos;
  switch (Request) {
    case srLineUp:
      to = pos + w / 10;
      break;
    case srLineDown:
      to = pos - w / 10;
      break;
    case srPageUp:
      to = pos + w / 2;
      break;
    case srPageDown:
      to = pos - w / 2;
      break;
    case srThumbPosition:
    case srThumbTrack:
      to = -ThumbPos;
      break;
    case srTop:
      to = 0;
      break;
    case srBottom:
      to = -v;
      break;
    case srEndScroll:
      return;
  }
  if (Horizontal)
    ScrollHorzTo(to);
  else
    ScrollVertTo(to);
}

void TSynPadPrintPreviewModel::HorzScroll(TSynPreviewScrollRequest Request, int ThumbPos) {
  if (fHost && fScaleMode != pscWholePage) ScrollOnAxis(true, Request, ThumbPos);
}

void TSynPadPrintPreviewModel::VertScroll(TSynPreviewScrollRequest Request, int ThumbPos) {
  if (!fHost) return;
  if (fScaleMode != pscWholePage) {
    ScrollOnAxis(false, Request, ThumbPos);
    return;
  }
  if (!fPrint) return;
  const int pages = std::max(1, EnginePages());
  switch (Request) {
    case srLineUp:
    case srPageUp:
      fPageNumber = std::max(1, fPageNumber - 1);
      break;
    case srLineDown:
    case srPageDown:
      fPageNumber = std::min(pages, fPageNumber + 1);
      break;
    case srThumbPosition:
    case srThumbTrack:
      fPageNumber = std::clamp(ThumbPos, 1, pages);
      if (fShowScrollHint) fHost->ShowScrollHint("Page: " + std::to_string(fPageNumber));
      break;
    case srTop:
      fPageNumber = 1;
      break;
    case srBottom:
      fPageNumber = pages;
      break;
    case srEndScroll:
      if (fShowScrollHint) fHost->HideScrollHint();
      break;
  }
  // A page count kept in a pixel field: Paint ignores it in this mode.
  fScrollPosition.y = -(fPageNumber - 1);
  UpdateScrollbars();
  if (OnPreviewPage) OnPreviewPage(fPageNumber);
  Invalidate();
}

void TSynPadPrintPreviewModel::MouseWheel(int Delta) {
  fWheelAccumulator += Delta;
  while (std::abs(fWheelAccumulator) >= kWheelDelta) {
    const bool forward = fWheelAccumulator > 0;
    fWheelAccumulator += forward ? -kWheelDelta : kWheelDelta;
    ScrollVertFor(forward ? kWheelDelta : -kWheelDelta);
  }
}

void TSynPadPrintPreviewModel::PageChanged() {
  if (fScaleMode == pscWholePage) UpdateScrollbars();
  if (OnPreviewPage) OnPreviewPage(fPageNumber);
  Invalidate();
}

void TSynPadPrintPreviewModel::FirstPage() {
  fPageNumber = 1;
  PageChanged();
}

void TSynPadPrintPreviewModel::LastPage() {
  if (fPrint) fPageNumber = std::max(1, EnginePages());
  PageChanged();
}

void TSynPadPrintPreviewModel::NextPage() {
  ++fPageNumber;
  if (fPrint) fPageNumber = std::min(fPageNumber, std::max(1, EnginePages()));
  PageChanged();
}

void TSynPadPrintPreviewModel::PreviousPage() {
  fPageNumber = std::max(1, fPageNumber - 1);
  PageChanged();
}

void TSynPadPrintPreviewModel::UpdatePreview(platform::ICanvas& Canvas) {
  const TSynPreviewScale mode = fScaleMode;
  const int percent = fScalePercent;
  fScalePercent = 100;
  std::exception_ptr error;
  try {
    if (fPrint) fPrint->PrepareCanvas(Canvas);
  } catch (...) {
    error = std::current_exception();
  }
  // Whatever the layout gave, the page shown is one of its pages and the scale comes back.
  fPageNumber = std::clamp(fPageNumber, 1, std::max(1, EnginePages()));
  SizeChanged();
  Invalidate();
  SetScaleMode(mode);
  if (mode == pscUserScaled) SetScalePercent(percent);
  if (OnPreviewPage) OnPreviewPage(fPageNumber);
  if (error) std::rethrow_exception(error);
}

TCanvasRect TSynPadPrintPreviewModel::SheetRect() const {
  const int left = fVirtualOffset.x + fScrollPosition.x;
  const int top = fVirtualOffset.y + (fScaleMode == pscWholePage ? 0 : fScrollPosition.y);
  return {left, top, left + fPageSize.x, top + fPageSize.y};
}

void TSynPadPrintPreviewModel::Paint(platform::ICanvas& Canvas, const TCanvasRect& Clip) {
  if (Clip.IsEmpty()) return;
  if (!fPrint) {
    Canvas.FillRect(Clip, fColor);
    Canvas.FillRect(TCanvasRect{12, 12, 55, 42}, fPageBGColor);
    return;
  }
  const TCanvasRect sheet = SheetRect();
  // The work space around the sheet, in four bands so the sheet is painted once.
  Canvas.FillRect(TCanvasRect{Clip.Left, Clip.Top, Clip.Right, sheet.Top}, fColor);
  Canvas.FillRect(TCanvasRect{Clip.Left, sheet.Bottom, Clip.Right, Clip.Bottom}, fColor);
  Canvas.FillRect(TCanvasRect{Clip.Left, sheet.Top, sheet.Left, sheet.Bottom}, fColor);
  Canvas.FillRect(TCanvasRect{sheet.Right, sheet.Top, Clip.Right, sheet.Bottom}, fColor);
  Canvas.SetPen(syn::clBlack);
  for (int d = 1; d <= 2; ++d) {
    Canvas.Line(sheet.Left + d, sheet.Bottom + d - 1, sheet.Right + d, sheet.Bottom + d - 1);
    Canvas.Line(sheet.Right + d - 1, sheet.Top + d, sheet.Right + d - 1, sheet.Bottom + d);
  }
  platform::TCanvasStateSaver saved(Canvas);
  Canvas.IntersectClip(sheet);
  Canvas.SetBrush(fPageBGColor);
  Canvas.Rectangle(sheet);
  const int page = fPageNumber;
  if (page < 1 || page > EnginePages() || sheet.IsEmpty()) return;
  TSynPadPrinterInfo& info = fPrint->PrinterInfo();
  const int pw = std::max(1, info.PhysicalWidth()), ph = std::max(1, info.PhysicalHeight());
  Canvas.SetMapping(0, 0, pw, ph, sheet.Left + MulDiv(info.LeftGutter(), fPageSize.x, pw),
                    sheet.Top + MulDiv(info.TopGutter(), fPageSize.y, ph), fPageSize.x, fPageSize.y);
  Canvas.IntersectClip(TCanvasRect{0, 0, info.PrintableWidth(), info.PrintableHeight()});
  fPrint->RenderPageOnCanvas(Canvas, page);
}
