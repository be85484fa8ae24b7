// The window of the editor control: a scroll area whose viewport the control paints, with its
// own blinking caret (drawn inverting, so a block caret shows the character beneath) and the
// control's scroll-bar arithmetic mapped onto the Qt scroll bars.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>

#include <memory>

#include "editor/SynMemo.h"
#include "platform/Canvas.h"

class TSynPadWidget : public QAbstractScrollArea, public ISynPadHost {
  Q_OBJECT
 public:
  explicit TSynPadWidget(QWidget* Parent = nullptr);
  ~TSynPadWidget() override;

  TSynMemo& Editor() { return *fEditor; }
  // Acts as the focused window without being the active one (off-screen rendering).
  void SetRenderFocused(bool Value);
  // The client area as an image at the given device pixel ratio, caret included when shown.
  QImage RenderToImage(qreal DevicePixelRatio = 1.0);

  // ISynPadHost
  bool HandleAllocated() const override { return fCreated; }
  bool Focused() const override;
  bool Visible() const override { return fCreated && (isVisible() || fRenderFocused); }
  int ClientWidth() const override;
  int ClientHeight() const override;
  void InvalidateRect(const TSynRect& R) override;
  void ScrollWindow(int DX, int DY, const TSynRect& Area) override;
  void CreateCaret(int Width, int Height) override;
  void DestroyCaret() override;
  bool ShowCaret() override;
  bool HideCaret() override;
  void SetCaretPos(int X, int Y) override;
  void SetCompositionPos(int X, int Y) override;
  void SetScrollBar(TSynScrollBarKind Kind, const TSynScrollInfo& Info) override;
  void HideScrollBar(TSynScrollBarKind Kind) override;
  void RegisterFileDrops(bool Accept) override;
  void RecreateWindow() override;
  platform::ICanvas& MeasuringCanvas() override;
  int PixelsPerInch() const override;

  QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void scrollContentsBy(int, int) override {}

 private:
  void EnsureCreated();
  void ScrollBarMoved(TSynScrollBarKind Kind, int Value);
  void PaintCaret(QPainter& Painter) const;
  QRect CaretRect() const { return QRect(fCaretX, fCaretY, fCaretW, fCaretH); }

  std::unique_ptr<TSynMemo> fEditor;
  bool fCreated = false;
  bool fRenderFocused = false;
  bool fSettingBars = false;
  bool fCaretCreated = false;
  bool fCaretShown = false;
  bool fBlinkOn = true;
  int fCaretX = 0, fCaretY = 0, fCaretW = 0, fCaretH = 0;
  QPoint fComposition;
  QTimer fBlink;
};
