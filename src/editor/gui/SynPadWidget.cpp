#include "editor/gui/SynPadWidget.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include "platform/RecordingCanvas.h"
#include "platform/UIServices.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColors.h"

platform::ICanvas& TSynPadWidget::MeasuringCanvas() {
  // Fonts are measured at the screen's resolution, between paints as during them; one canvas for
  // every editor, so they share their font records. It lives for the rest of the process, as the
  // canvas's own font cache does.
  static platform::ICanvas* canvas = [] {
    platform::ICanvas* c = platform::CreateMeasuringCanvas().release();
    // Without the desktop's services the window still lays out, on fixed metrics.
    return c ? c : new platform::TRecordingCanvas;
  }();
  return *canvas;
}

int TSynPadWidget::PixelsPerInch() const { return logicalDpiY(); }

TSynPadWidget::TSynPadWidget(QWidget* Parent) : QAbstractScrollArea(Parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  resize(200, 150);
  fEditor = std::make_unique<TSynMemo>(this);
  setFrameShape(fEditor->BorderStyle() == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { ScrollBarMoved(sbVertical, v); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { ScrollBarMoved(sbHorizontal, v); });
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (flash > 0) {
    fBlink.setInterval(flash / 2);
    connect(&fBlink, &QTimer::timeout, this, [this] {
      fBlinkOn = !fBlinkOn;
      if (fCaretShown) viewport()->update(CaretRect());
    });
  }
}

TSynPadWidget::~TSynPadWidget() {
  fEditor->SetHost(nullptr);
  fEditor.reset();
}

void TSynPadWidget::EnsureCreated() {
  if (fCreated) return;
  fCreated = true;
  fEditor->CreateWnd();
  fEditor->Loaded();
}

void TSynPadWidget::SetRenderFocused(bool Value) {
  fRenderFocused = Value;
  EnsureCreated();
  if (Value) fEditor->InitializeCaret();
}

bool TSynPadWidget::Focused() const { return fRenderFocused || hasFocus(); }

int TSynPadWidget::ClientWidth() const { return viewport()->width(); }
int TSynPadWidget::ClientHeight() const { return viewport()->height(); }

void TSynPadWidget::InvalidateRect(const TSynRect& R) {
  viewport()->update(QRect(R.Left, R.Top, R.Width(), R.Height()));
}

void TSynPadWidget::ScrollWindow(int DX, int DY, const TSynRect& Area) {
  viewport()->scroll(DX, DY, QRect(Area.Left, Area.Top, Area.Width(), Area.Height()));
}

void TSynPadWidget::CreateCaret(int Width, int Height) {
  if (fCaretShown) viewport()->update(CaretRect());
  fCaretW = Width;
  fCaretH = Height;
  fCaretCreated = true;
  fCaretShown = false;
}

void TSynPadWidget::DestroyCaret() {
  if (fCaretShown) viewport()->update(CaretRect());
  fCaretCreated = fCaretShown = false;
  fBlink.stop();
}

bool TSynPadWidget::ShowCaret() {
  if (!fCaretCreated) return false;
  fCaretShown = true;
  fBlinkOn = true;
  if (fBlink.interval() > 0) fBlink.start();
  viewport()->update(CaretRect());
  return true;
}

bool TSynPadWidget::HideCaret() {
  if (!fCaretCreated) return false;
  if (fCaretShown) viewport()->update(CaretRect());
  fCaretShown = false;
  fBlink.stop();
  return true;
}

void TSynPadWidget::SetCaretPos(int X, int Y) {
  if (fCaretShown) viewport()->update(CaretRect());
  fCaretX = X;
  fCaretY = Y;
  fBlinkOn = true;
  if (fCaretShown) viewport()->update(CaretRect());
}

void TSynPadWidget::SetCompositionPos(int X, int Y) {
  fComposition = QPoint(X, Y);
  if (hasFocus() && QGuiApplication::inputMethod()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

QVariant TSynPadWidget::inputMethodQuery(Qt::InputMethodQuery Query) const {
  if (Query == Qt::ImCursorRectangle)
    return QRect(viewport()->mapTo(this, fComposition), QSize(std::max(1, fCaretW), fEditor->LineHeight()));
  return QAbstractScrollArea::inputMethodQuery(Query);
}

void TSynPadWidget::SetScrollBar(TSynScrollBarKind Kind, const TSynScrollInfo& Info) {
  QScrollBar* bar = Kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  fSettingBars = true;
  // A classic range [min, max] with a page p is a Qt range [min, max - p + 1] with that page.
  bar->setRange(Info.Min, std::max(Info.Min, Info.Max - std::max(Info.Page, 1) + 1));
  bar->setPageStep(std::max(1, Info.Page));
  bar->setSingleStep(1);
  bar->setValue(Info.Pos);
  // One arrow alone cannot be disabled here; the bar is disabled when both are.
  bar->setEnabled(Info.LeftUpArrow || Info.RightDownArrow);
  fSettingBars = false;
  if (Kind == sbVertical)
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  else
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TSynPadWidget::HideScrollBar(TSynScrollBarKind Kind) {
  if (Kind == sbVertical)
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  else
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TSynPadWidget::ScrollBarMoved(TSynScrollBarKind Kind, int Value) {
  if (fSettingBars) return;
  const TSynScrollInfo& si = fEditor->ScrollInfo(Kind);
  // A scaled bar (range 0 .. 32767) maps back onto the real range.
  long long pos = Value;
  if (si.Min == 0 && si.Max == 32767) {
    const long long real =
        Kind == sbVertical
            ? fEditor->DisplayRowCount() + (fEditor->HasOption(eoScrollPastEof) ? fEditor->LinesInWindow() - 1 : 0)
            : (fEditor->HasOption(eoScrollPastEol) ? fEditor->MaxScrollWidth() : fEditor->Lines().LengthOfLongestLine());
    pos = Value * real / 32767;
  }
  platform::RunGuarded([&] {
    if (Kind == sbVertical)
      fEditor->SetTopLine(static_cast<int>(pos));
    else
      fEditor->SetLeftChar(static_cast<int>(pos));
  });
}

void TSynPadWidget::RegisterFileDrops(bool Accept) { setAcceptDrops(Accept); }

void TSynPadWidget::RecreateWindow() {
  setFrameShape(fEditor->BorderStyle() == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TSynPadWidget::PaintCaret(QPainter& Painter) const {
  if (!fCaretShown || !fBlinkOn || fCaretW <= 0 || fCaretH <= 0) return;
  Painter.save();
  Painter.setCompositionMode(QPainter::CompositionMode_Difference);
  Painter.fillRect(CaretRect(), Qt::white);
  Painter.restore();
}

void TSynPadWidget::paintEvent(QPaintEvent* Event) {
  EnsureCreated();
  QPainter painter(viewport());
  platform::TQtCanvas canvas(painter);
  const QRect r = Event->rect();
  // A handler that raises while painting (OnPaint, OnGutterGetText ...) is shown, not fatal.
  platform::RunGuarded([&] { fEditor->Paint(canvas, TSynRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}); });
  PaintCaret(painter);
}

void TSynPadWidget::resizeEvent(QResizeEvent* Event) {
  QAbstractScrollArea::resizeEvent(Event);
  if (fEditor) platform::RunGuarded([&] { fEditor->Resize(); });
}

void TSynPadWidget::showEvent(QShowEvent* Event) {
  QAbstractScrollArea::showEvent(Event);
  EnsureCreated();
}

void TSynPadWidget::focusInEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusInEvent(Event);
  fEditor->InitializeCaret();
  if (fEditor->HideSelection() && fEditor->SelAvail()) fEditor->InvalidateSelection();
}

void TSynPadWidget::focusOutEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusOutEvent(Event);
  fEditor->HideCaret();
  DestroyCaret();
  if (fEditor->HideSelection() && fEditor->SelAvail()) fEditor->InvalidateSelection();
}

QImage TSynPadWidget::RenderToImage(qreal DevicePixelRatio) {
  EnsureCreated();
  QImage image(viewport()->size() * DevicePixelRatio, QImage::Format_RGB32);
  image.setDevicePixelRatio(DevicePixelRatio);
  image.fill(Qt::white);
  QPainter painter(&image);
  platform::TQtCanvas canvas(painter);
  fEditor->Paint(canvas, TSynRect{0, 0, ClientWidth(), ClientHeight()});
  PaintCaret(painter);
  painter.end();
  return image;
}
