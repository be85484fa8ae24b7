#include "editor/gui/SynPadWidget.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "platform/RecordingCanvas.h"
#include "platform/UIServices.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtKeys.h"

namespace {

TSynMouseButton ButtonOf(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

QString ToQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

std::u16string ToU16(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

// The one hint window every editor shares while its thumb is dragged.
QLabel& ScrollHint() {
  static QPointer<QLabel> hint;
  if (!hint) {
    hint = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    hint->setMargin(2);
    hint->setWordWrap(true);
    hint->setAutoFillBackground(true);
    qAddPostRoutine([] { delete hint.data(); });
  }
  return *hint;
}

}  // namespace

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

int TSynPadWidget::PixelsPerInch() const {
  return logicalDpiY();
}

TSynPadWidget::TSynPadWidget(QWidget* Parent) : QAbstractScrollArea(Parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Opaque bars: a bar whose range follows the text (the longest line grows with each key typed into
  // it) repaints itself alone, not the frame around it as well.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) bar->setAutoFillBackground(true);
  resize(200, 150);
  fEditor = std::make_unique<TSynMemo>(this);
  setFrameShape(fEditor->BorderStyle() == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  // Scroll-bar actions become the control's scroll requests; the bar then shows what the control chose.
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int a) { ScrollBarAction(sbVertical, a); });
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int a) { ScrollBarAction(sbHorizontal, a); });
  // A value set from elsewhere (not through an action) is a thumb position.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { ScrollBarValue(sbVertical, v); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) { ScrollBarValue(sbHorizontal, v); });
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
          [this] { platform::RunGuarded([&] { fEditor->WMVScroll(SB_ENDSCROLL, 0); }); });
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

bool TSynPadWidget::Focused() const {
  return fRenderFocused || hasFocus();
}

int TSynPadWidget::ClientWidth() const {
  return viewport()->width();
}
int TSynPadWidget::ClientHeight() const {
  return viewport()->height();
}

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

// The control hides the caret while it paints and places it once at the end of the paint. The
// caret is drawn by the paint itself, so what the control does to it in between asks for no new
// paint and leaves the blink where it was; a paint that moved it repaints the cells it left.
bool TSynPadWidget::ShowCaret() {
  if (!fCaretCreated) return false;
  if (fCaretShown) return true;
  fCaretShown = true;
  if (fPainting) return true;
  RestartBlink();
  viewport()->update(CaretRect());
  return true;
}

bool TSynPadWidget::HideCaret() {
  if (!fCaretCreated) return false;
  if (!fCaretShown) return true;
  fCaretShown = false;
  if (fPainting) return true;
  fBlink.stop();
  viewport()->update(CaretRect());
  return true;
}

void TSynPadWidget::SetCaretPos(int X, int Y) {
  if (X == fCaretX && Y == fCaretY) return;
  if (fCaretShown && !fPainting) viewport()->update(CaretRect());
  fCaretX = X;
  fCaretY = Y;
  if (fCaretShown && !fPainting) {
    // A caret that moves is shown at once.
    RestartBlink();
    viewport()->update(CaretRect());
  }
}

void TSynPadWidget::RestartBlink() {
  fBlinkOn = true;
  if (fBlink.interval() > 0) fBlink.start();
}

void TSynPadWidget::SetCompositionPos(int X, int Y) {
  fComposition = QPoint(X, Y);
  if (hasFocus() && QGuiApplication::inputMethod()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

QVariant TSynPadWidget::inputMethodQuery(Qt::InputMethodQuery Query) const {
  if (Query == Qt::ImCursorRectangle)
    return QRect(viewport()->mapTo(this, fComposition), QSize(std::max(1, fCaretW), fEditor->LineHeight()));
  if (Query == Qt::ImEnabled) return !fEditor->ReadOnly();
  if (Query == Qt::ImFont) return platform::ToQFont(fEditor->TextDrawer().BaseFont(), logicalDpiY());
  return QAbstractScrollArea::inputMethodQuery(Query);
}

void TSynPadWidget::SetScrollBar(TSynScrollBarKind Kind, const TSynScrollInfo& Info) {
  QScrollBar* bar = Kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  fSettingBars = true;
  // A classic range [min, max] with a page p is a Qt range [min, max - p + 1] with that page.
  bar->setRange(Info.Min, std::max(Info.Min, Info.Max - std::max(Info.Page, 1) + 1));
  bar->setPageStep(std::max(1, Info.Page));
  bar->setSingleStep(1);
  SetBarValue(*bar, Info.Pos);
  // One arrow alone cannot be disabled here; the bar is disabled when both are.
  bar->setEnabled(Info.LeftUpArrow || Info.RightDownArrow);
  fSettingBars = false;
  SetBarPolicy(Kind, Qt::ScrollBarAlwaysOn);
}

void TSynPadWidget::SetBarValue(QScrollBar& Bar, int Value) {
  // The thumb moves only where it shows: in a million lines a page moves it a twentieth of a
  // pixel, and repainting a bar that looks the same cost as much as painting the page. The value
  // stays within half a pixel of the control's position, and is exact at either end and while the
  // bar is hidden.
  const double units = static_cast<double>(Bar.maximum()) - Bar.minimum() + Bar.pageStep();
  const int length = Bar.orientation() == Qt::Vertical ? Bar.height() : Bar.width();
  const double pixels = std::abs(static_cast<double>(Value) - Bar.value()) * length / std::max(1.0, units);
  if (!Bar.isVisible() || pixels >= 0.5 || Value <= Bar.minimum() || Value >= Bar.maximum()) Bar.setValue(Value);
}

void TSynPadWidget::HideScrollBar(TSynScrollBarKind Kind) {
  SetBarPolicy(Kind, Qt::ScrollBarAlwaysOff);
}

void TSynPadWidget::SetBarPolicy(TSynScrollBarKind Kind, Qt::ScrollBarPolicy Policy) {
  // Setting a policy lays the bars and the viewport out again and repaints both bars, even when it
  // is the policy they have: every keystroke would repaint them.
  if (Kind == sbVertical) {
    if (verticalScrollBarPolicy() != Policy) setVerticalScrollBarPolicy(Policy);
  } else if (horizontalScrollBarPolicy() != Policy) {
    setHorizontalScrollBarPolicy(Policy);
  }
}

void TSynPadWidget::ScrollBarValue(TSynScrollBarKind Kind, int Value) {
  if (fSettingBars || Value == fEditor->ScrollInfo(Kind).Pos) return;
  platform::RunGuarded([&] {
    if (Kind == sbVertical)
      fEditor->WMVScroll(SB_THUMBPOSITION, Value);
    else
      fEditor->WMHScroll(SB_THUMBPOSITION, Value);
  });
}

void TSynPadWidget::ScrollBarAction(TSynScrollBarKind Kind, int Action) {
  if (fSettingBars) return;
  QScrollBar* bar = Kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  int request = -1;
  switch (Action) {
    case QAbstractSlider::SliderSingleStepSub:
      request = SB_LINEUP;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      request = SB_LINEDOWN;
      break;
    case QAbstractSlider::SliderPageStepSub:
      request = SB_PAGEUP;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      request = SB_PAGEDOWN;
      break;
    case QAbstractSlider::SliderMove:
      request = SB_THUMBTRACK;
      break;
    case QAbstractSlider::SliderToMinimum:
      request = SB_TOP;
      break;
    case QAbstractSlider::SliderToMaximum:
      request = SB_BOTTOM;
      break;
    default:
      return;
  }
  const int thumb = bar->sliderPosition();
  platform::RunGuarded([&] {
    if (Kind == sbVertical)
      fEditor->WMVScroll(request, thumb);
    else
      fEditor->WMHScroll(request, thumb);
  });
  // The bar shows where the control went (a thumb being dragged stays under the pointer).
  if (Action != QAbstractSlider::SliderMove) bar->setSliderPosition(fEditor->ScrollInfo(Kind).Pos);
}

void TSynPadWidget::RegisterFileDrops(bool Accept) {
  setAcceptDrops(Accept);
}

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
  const bool wasShown = fCaretShown;
  const QRect was = CaretRect();
  fPainting = true;
  // A handler that raises while painting (OnPaint, OnGutterGetText ...) is shown, not fatal.
  platform::RunGuarded([&] { fEditor->Paint(canvas, TSynRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}); });
  fPainting = false;
  PaintPreedit(painter);
  PaintCaret(painter);
  // Only a caret the paint moved, showed or hid outside what it painted asks for more.
  if (wasShown != fCaretShown || was != CaretRect()) {
    if (wasShown && !Event->region().contains(was)) viewport()->update(was);
    if (fCaretShown && !Event->region().contains(CaretRect())) viewport()->update(CaretRect());
    if (fCaretShown && !wasShown) RestartBlink();
  }
  if (!fCaretShown) fBlink.stop();
}

void TSynPadWidget::PaintPreedit(QPainter& Painter) const {
  if (fPreedit.isEmpty()) return;
  // The text being composed stands at the caret, underlined, over what lies there.
  const QFont font = platform::ToQFont(fEditor->TextDrawer().BaseFont(), logicalDpiY());
  Painter.save();
  Painter.setFont(font);
  const QFontMetrics fm(font);
  const QRect box(fComposition.x(), fComposition.y(), fm.horizontalAdvance(fPreedit) + 2, fEditor->LineHeight());
  Painter.fillRect(box, platform::ToQColor(fEditor->Color()));
  Painter.setPen(Qt::black);
  Painter.drawText(box.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, fPreedit);
  Painter.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
  Painter.restore();
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
  // A context menu does not take the focus from the text.
  if (Event->reason() == Qt::PopupFocusReason && fCaretCreated) return;
  platform::RunGuarded([&] { fEditor->FocusIn(); });
}

void TSynPadWidget::focusOutEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusOutEvent(Event);
  if (Event->reason() == Qt::PopupFocusReason) return;
  fPreedit.clear();
  platform::RunGuarded([&] {
    fEditor->CaptureLost();
    fEditor->FocusOut();
  });
  DestroyCaret();
}

bool TSynPadWidget::focusNextPrevChild(bool Next) {
  // Tab belongs to the text when the control wants tabs.
  if (fEditor->WantTabs()) return false;
  return QAbstractScrollArea::focusNextPrevChild(Next);
}

void TSynPadWidget::keyPressEvent(QKeyEvent* Event) {
  if (platform::TDragManager::Instance().Source() == this && Event->key() == Qt::Key_Escape) {
    platform::TDragManager::Instance().Cancel();
    fEditor->DragCanceled();
    return;
  }
  if (!fEditor->WantReturns() && (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter)) {
    // A dialog's default button gets it.
    Event->ignore();
    return;
  }
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers());
  // A key without a virtual key of its own (a symbol of another layout) still goes through the key
  // step, so that it ends what the last key started.
  std::uint16_t key = platform::VirtualKeyOf(*Event);
  if (key == 0) key = 0xFF;
  platform::RunGuarded([&] {
    fEditor->KeyDown(key, shift);
    // Characters come from keys without Alt (AltGr is no Alt); the control drops control characters.
    const QString text = Event->text();
    if (!text.isEmpty() && !(Event->modifiers() & Qt::AltModifier)) fEditor->TextInput(ToU16(text));
  });
  Event->accept();
}

void TSynPadWidget::keyReleaseEvent(QKeyEvent* Event) {
  if (Event->isAutoRepeat()) return;
  std::uint16_t key = platform::VirtualKeyOf(*Event);
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers());
  platform::RunGuarded([&] {
    if (key != 0) fEditor->KeyUp(key, shift);
  });
  Event->accept();
}

void TSynPadWidget::inputMethodEvent(QInputMethodEvent* Event) {
  const QString commit = Event->commitString();
  fPreedit = Event->preeditString();
  platform::RunGuarded([&] {
    if (!commit.isEmpty()) fEditor->ImeComposition(ToU16(commit));
  });
  viewport()->update();
  Event->accept();
}

void TSynPadWidget::mousePressEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers(), Event->buttons());
  platform::RunGuarded([&] { fEditor->MouseDown(ButtonOf(Event->button()), shift, p.x(), p.y()); });
}

void TSynPadWidget::mouseDoubleClickEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers(), Event->buttons()) | vk::ssDouble;
  platform::RunGuarded([&] {
    fEditor->MouseDown(ButtonOf(Event->button()), shift, p.x(), p.y());
    if (Event->button() == Qt::LeftButton) fEditor->DblClick();
  });
}

void TSynPadWidget::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  if (platform::TDragManager::Instance().Source() == this) {
    platform::RunGuarded(
        [&] { platform::TDragManager::Instance().Move(Event->globalPosition().toPoint(), Event->modifiers()); });
    return;
  }
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers(), Event->buttons());
  platform::RunGuarded([&] {
    fEditor->MouseMove(shift, p.x(), p.y());
    if (platform::TDragManager::Instance().Source() != this) fEditor->UpdateMouseCursor(p.x(), p.y());
  });
}

void TSynPadWidget::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers(), Event->buttons());
  platform::RunGuarded([&] {
    if (platform::TDragManager::Instance().Source() == this) {
      if (!platform::TDragManager::Instance().Drop(Event->globalPosition().toPoint(), Event->modifiers()))
        fEditor->DragCanceled();
    }
    fEditor->MouseUp(ButtonOf(Event->button()), shift, p.x(), p.y());
    fEditor->UpdateMouseCursor(p.x(), p.y());
  });
}

void TSynPadWidget::wheelEvent(QWheelEvent* Event) {
  const int delta = Event->angleDelta().y();
  if (delta == 0) {
    QAbstractScrollArea::wheelEvent(Event);
    return;
  }
  const vk::TShiftState shift = platform::ShiftStateOf(Event->modifiers());
  platform::RunGuarded([&] { fEditor->MouseWheel(delta, shift); });
  Event->accept();
}

void TSynPadWidget::enterEvent(QEnterEvent* Event) {
  QAbstractScrollArea::enterEvent(Event);
  const QPoint p = viewport()->mapFromGlobal(Event->globalPosition().toPoint());
  platform::RunGuarded([&] { fEditor->UpdateMouseCursor(p.x(), p.y()); });
}

bool TSynPadWidget::DragOver(QWidget* Source, QPoint Global, platform::TDragPhase Phase,
                             Qt::KeyboardModifiers Modifiers) {
  auto* source = qobject_cast<TSynPadWidget*>(Source);
  const QPoint p = viewport()->mapFromGlobal(Global);
  const TSynDragState state = Phase == platform::TDragPhase::Enter   ? dsDragEnter
                              : Phase == platform::TDragPhase::Leave ? dsDragLeave
                                                                     : dsDragMove;
  bool accept = false;
  platform::RunGuarded([&] {
    fEditor->DragOver(source ? &source->Editor() : nullptr, p.x(), p.y(), state, platform::ShiftStateOf(Modifiers),
                      accept);
  });
  return accept;
}

void TSynPadWidget::DragDrop(QWidget* Source, QPoint Global, Qt::KeyboardModifiers Modifiers) {
  auto* source = qobject_cast<TSynPadWidget*>(Source);
  if (!source) return;
  const QPoint p = viewport()->mapFromGlobal(Global);
  platform::RunGuarded([&] { fEditor->DragDrop(&source->Editor(), p.x(), p.y(), platform::ShiftStateOf(Modifiers)); });
  setFocus(Qt::MouseFocusReason);
}

void TSynPadWidget::dragEnterEvent(QDragEnterEvent* Event) {
  if (fEditor->HasOption(eoDropFiles) && Event->mimeData()->hasUrls())
    Event->acceptProposedAction();
  else
    Event->ignore();
}

void TSynPadWidget::dragMoveEvent(QDragMoveEvent* Event) {
  if (fEditor->HasOption(eoDropFiles) && Event->mimeData()->hasUrls()) Event->acceptProposedAction();
}

void TSynPadWidget::dropEvent(QDropEvent* Event) {
  std::vector<std::string> files;
  for (const QUrl& url : Event->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  const QPoint p = Event->position().toPoint();
  platform::RunGuarded([&] { fEditor->DropFiles(p.x(), p.y(), files); });
  Event->acceptProposedAction();
}

// ---- host services of the input ----

void TSynPadWidget::SetCursor(int Cursor) {
  Qt::CursorShape shape = Qt::ArrowCursor;
  switch (Cursor) {
    case crIBeam:
      shape = Qt::IBeamCursor;
      break;
    case crDrag:
      shape = Qt::DragMoveCursor;
      break;
    case crMultiDrag:
      shape = Qt::DragCopyCursor;
      break;
    case crHandPoint:
      shape = Qt::PointingHandCursor;
      break;
    default:
      shape = Qt::ArrowCursor;
      break;
  }
  if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void TSynPadWidget::SetFocus() {
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
}

bool TSynPadWidget::CursorPos(int& X, int& Y) const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  X = p.x();
  Y = p.y();
  return true;
}

vk::TShiftState TSynPadWidget::KeyboardShift() const {
  return platform::ShiftStateOf(QGuiApplication::queryKeyboardModifiers());
}

int TSynPadWidget::DragDistance() const {
  return QApplication::startDragDistance();
}

int TSynPadWidget::WheelScrollLines() const {
  return QApplication::wheelScrollLines();
}

void TSynPadWidget::BeginDrag() {
  platform::TDragManager::Instance().Begin(this);
}

void TSynPadWidget::MeasureScrollHint(const std::u16string& Text, int MaxWidth, int& Width, int& Height) const {
  const QLabel& hint = ScrollHint();
  const QRect r = hint.fontMetrics().boundingRect(QRect(0, 0, MaxWidth, 10000), Qt::TextWordWrap, ToQString(Text));
  Width = r.width() + 2 * hint.margin() + 2;
  Height = r.height() + 2 * hint.margin() + 2;
}

void TSynPadWidget::ShowScrollHint(const std::u16string& Text, int X, int Y, TColor Color) {
  QLabel& hint = ScrollHint();
  QPalette pal = hint.palette();
  pal.setColor(QPalette::Window, platform::ToQColor(Color));
  hint.setPalette(pal);
  hint.setText(ToQString(Text));
  int w = 0, h = 0;
  MeasureScrollHint(Text, 200, w, h);
  hint.resize(w, h);
  hint.move(viewport()->mapToGlobal(QPoint(X, Y)));
  hint.show();
}

void TSynPadWidget::HideScrollHint() {
  ScrollHint().hide();
}

int TSynPadWidget::ScrollArrowHeight() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QImage TSynPadWidget::RenderToImage(qreal DevicePixelRatio) {
  EnsureCreated();
  QImage image(viewport()->size() * DevicePixelRatio, QImage::Format_RGB32);
  image.setDevicePixelRatio(DevicePixelRatio);
  image.fill(Qt::white);
  QPainter painter(&image);
  platform::TQtCanvas canvas(painter);
  fPainting = true;
  try {
    fEditor->Paint(canvas, TSynRect{0, 0, ClientWidth(), ClientHeight()});
  } catch (...) {
    fPainting = false;
    throw;
  }
  fPainting = false;
  PaintPreedit(painter);
  PaintCaret(painter);
  painter.end();
  return image;
}
