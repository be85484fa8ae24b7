// The window of the editor control: a scroll area whose viewport the control paints, with its
// own blinking caret (drawn inverting, so a block caret shows the character beneath) and the
// control's scroll-bar arithmetic mapped onto the Qt scroll bars. Keys, characters, input-method
// text, the mouse, the wheel, scroll-bar actions and drops become calls of the control; what they
// do is decided there.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <memory>

#include "editor/SynMemo.h"
#include "platform/Canvas.h"
#include "platform/qt/QtDragManager.h"

class QScrollBar;

class TSynPadWidget : public QAbstractScrollArea, public ISynPadHost, public platform::IDragTarget {
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
  void SetCursor(int Cursor) override;
  void SetFocus() override;
  bool CursorPos(int& X, int& Y) const override;
  vk::TShiftState KeyboardShift() const override;
  int DragDistance() const override;
  int WheelScrollLines() const override;
  void BeginDrag() override;
  void MeasureScrollHint(const std::u16string& Text, int MaxWidth, int& Width, int& Height) const override;
  void ShowScrollHint(const std::u16string& Text, int X, int Y, TColor Color) override;
  void HideScrollHint() override;
  int ScrollArrowHeight() const override;

  // platform::IDragTarget
  bool DragOver(QWidget* Source, QPoint Global, platform::TDragPhase Phase, Qt::KeyboardModifiers Modifiers) override;
  void DragDrop(QWidget* Source, QPoint Global, Qt::KeyboardModifiers Modifiers) override;

  QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
  // The input method's text still being composed, shown at the caret.
  const QString& Preedit() const { return fPreedit; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void scrollContentsBy(int, int) override {}
  bool focusNextPrevChild(bool Next) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;
  void inputMethodEvent(QInputMethodEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

 private:
  void EnsureCreated();
  void ScrollBarAction(TSynScrollBarKind Kind, int Action);
  void ScrollBarValue(TSynScrollBarKind Kind, int Value);
  void SetBarPolicy(TSynScrollBarKind Kind, Qt::ScrollBarPolicy Policy);
  static void SetBarValue(QScrollBar& Bar, int Value);
  void PaintPreedit(QPainter& Painter) const;
  void PaintCaret(QPainter& Painter) const;
  QRect CaretRect() const { return QRect(fCaretX, fCaretY, fCaretW, fCaretH); }
  // The caret shows from now on and blinks a full period from here.
  void RestartBlink();

  std::unique_ptr<TSynMemo> fEditor;
  bool fCreated = false;
  bool fRenderFocused = false;
  bool fSettingBars = false;
  bool fCaretCreated = false;
  bool fCaretShown = false;
  bool fBlinkOn = true;
  bool fPainting = false;  // inside the control's Paint
  int fCaretX = 0, fCaretY = 0, fCaretW = 0, fCaretH = 0;
  QPoint fComposition;
  QTimer fBlink;
  QString fPreedit;
};
