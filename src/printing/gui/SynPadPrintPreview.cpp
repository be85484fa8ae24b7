#include "printing/gui/SynPadPrintPreview.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColors.h"

namespace {

QPointer<QLabel>& SharedHint() {
  static QPointer<QLabel> hint;
  return hint;
}

TSynPreviewScrollRequest RequestOf(int action, bool& known) {
  known = true;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      return srLineDown;
    case QAbstractSlider::SliderSingleStepSub:
      return srLineUp;
    case QAbstractSlider::SliderPageStepAdd:
      return srPageDown;
    case QAbstractSlider::SliderPageStepSub:
      return srPageUp;
    case QAbstractSlider::SliderToMinimum:
      return srTop;
    case QAbstractSlider::SliderToMaximum:
      return srBottom;
    case QAbstractSlider::SliderMove:
      return srThumbTrack;
    default:
      known = false;
      return srEndScroll;
  }
}

}  // namespace

TSynPadPrintPreview::TSynPadPrintPreview(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  resize(200, 120);
  for (bool horizontal : {true, false}) {
    QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, horizontal](int action) { BarAction(horizontal, action); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this, horizontal] {
      if (horizontal)
        fModel.HorzScroll(srEndScroll, 0);
      else
        fModel.VertScroll(srEndScroll, 0);
    });
  }
}

TSynPadPrintPreview::~TSynPadPrintPreview() {
  HideScrollHint();
}

QLabel* TSynPadPrintPreview::HintWindow() {
  return SharedHint().data();
}

void TSynPadPrintPreview::UpdatePreview() {
  std::unique_ptr<platform::ICanvas> canvas = platform::CreateMeasuringCanvas();
  if (canvas) fModel.UpdatePreview(*canvas);
}

void TSynPadPrintPreview::BarAction(bool Horizontal, int Action) {
  bool known = false;
  const TSynPreviewScrollRequest request = RequestOf(Action, known);
  if (!known) return;
  QScrollBar* bar = Horizontal ? horizontalScrollBar() : verticalScrollBar();
  const int thumb = bar->sliderPosition();
  if (Horizontal)
    fModel.HorzScroll(request, thumb);
  else
    fModel.VertScroll(request, thumb);
  // The model decides where the bar stands, not the bar.
  bar->setSliderPosition((Horizontal ? fHorz : fVert).Pos);
}

void TSynPadPrintPreview::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  platform::TQtCanvas canvas(painter);
  const QRect r = event->rect();
  fModel.Paint(canvas, platform::TCanvasRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
}

void TSynPadPrintPreview::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // A bar shown or hidden while the model sets the bars resizes the client area under it; the
  // model sizes the sheet again once it is done.
  if (fSettingBars)
    QMetaObject::invokeMethod(
        this, [this] { fModel.SizeChanged(); }, Qt::QueuedConnection);
  else
    fModel.SizeChanged();
}

void TSynPadPrintPreview::wheelEvent(QWheelEvent* event) {
  fModel.MouseWheel(event->angleDelta().y());
  event->accept();
}

void TSynPadPrintPreview::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event->button());
  QAbstractScrollArea::mousePressEvent(event);
}

// The model moves the content itself.
void TSynPadPrintPreview::scrollContentsBy(int, int) {}

int TSynPadPrintPreview::ClientWidth() const {
  return viewport()->width();
}
int TSynPadPrintPreview::ClientHeight() const {
  return viewport()->height();
}
int TSynPadPrintPreview::ScreenPixelsPerInchX() const {
  return logicalDpiX();
}
int TSynPadPrintPreview::ScreenPixelsPerInchY() const {
  return logicalDpiY();
}
void TSynPadPrintPreview::Invalidate() {
  viewport()->update();
}
void TSynPadPrintPreview::ScrollWindow(int dx, int dy) {
  viewport()->scroll(dx, dy);
}

void TSynPadPrintPreview::SetScrollBar(bool Horizontal, const TSynScrollBarInfo& Info) {
  (Horizontal ? fHorz : fVert) = Info;
  QScrollBar* bar = Horizontal ? horizontalScrollBar() : verticalScrollBar();
  // Showing or hiding a bar resizes the client area; that size change is the caller's own.
  fSettingBars = true;
  const Qt::ScrollBarPolicy policy = Info.Visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (Horizontal && horizontalScrollBarPolicy() != policy) setHorizontalScrollBarPolicy(policy);
  if (!Horizontal && verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
  fSettingBars = false;
  const QSignalBlocker block(bar);
  bar->setRange(Info.Min, std::max(Info.Min, Info.Max - Info.Page + 1));
  bar->setPageStep(std::max(1, Info.Page));
  bar->setSingleStep(1);
  bar->setValue(Info.Pos);
  bar->setEnabled(Info.Enabled());
}

void TSynPadPrintPreview::ShowScrollHint(const std::string& Text) {
  QPointer<QLabel>& hint = SharedHint();
  if (!hint) {
    hint = new QLabel(nullptr, Qt::ToolTip);
    hint->setAttribute(Qt::WA_DeleteOnClose, false);
    hint->setMargin(2);
    QPalette pal = hint->palette();
    pal.setColor(QPalette::Window, platform::ToQColor(syn::clInfoBk));
    pal.setColor(QPalette::WindowText, platform::ToQColor(syn::clInfoText));
    hint->setPalette(pal);
    hint->setAutoFillBackground(true);
    hint->setFrameStyle(QFrame::Box | QFrame::Plain);
  }
  hint->setText(QString::fromStdString(Text));
  // Measured within 200 pixels, 10 below the top and 4 from the right edge.
  const QRect text = hint->fontMetrics().boundingRect(QRect(0, 0, 200, 0), Qt::TextWordWrap, hint->text());
  hint->resize(text.width() + 8, text.height() + 6);
  hint->move(mapToGlobal(QPoint(width() - hint->width() - 4, 10)));
  if (!hint->isVisible()) hint->show();
}

void TSynPadPrintPreview::HideScrollHint() {
  if (QLabel* hint = SharedHint().data()) hint->hide();
}
