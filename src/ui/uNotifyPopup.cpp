#include "ui/uNotifyPopup.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"
#include "ui/BaseForm.h"
#include "ui/ImgList_Override.h"

using namespace platform;

TNotifyPopup::TNotifyPopup(QWidget* target)
    : QWidget(target),
      target_(target),
      color_(clInfoBk),
      fontColor_(clInfoText),
      timers_(std::make_unique<TTimerSet>()) {
  setObjectName(QStringLiteral("NotifyPopup"));
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  resize(200, 10);
  hide();
  timers_->OnTimer = [this](int id) { OnTimer(id); };
}

TNotifyPopup::~TNotifyPopup() {
  if (timers_) timers_->KillAll();
}

void TNotifyPopup::SetText(const QString& text) {
  text_ = text;
  update();
}

void TNotifyPopup::SetColor(TColor color) {
  color_ = color;
  update();
}

void TNotifyPopup::SetFontColor(TColor color) {
  fontColor_ = color;
  update();
}

bool TNotifyPopup::ImageShown() const {
  return Images && ImageIndex >= 0;
}

QSize TNotifyPopup::SizeForText() const {
  int w = width();
  if (ImageShown()) w -= Images->Width() + Padding;
  QRect r(0, 0, w - 2 * Padding, 1);
  CalcTextRect(fontMetrics(), text_, r, DT_CALCRECT | DT_NOPREFIX | DT_VCENTER);
  int tw = r.width(), th = r.height();
  if (ImageShown()) {
    tw += Images->Width() + Padding;
    th = std::max(th, Images->Height());
  }
  return QSize(2 * Padding + tw, 2 * Padding + th);
}

void TNotifyPopup::AutoSizeToText() {
  resize(SizeForText());
  if (customAligned_) {
    if (auto* form = qobject_cast<TfrmBaseForm*>(parentWidget()))
      form->CustomAlignPosition(this);
    else if (parentWidget())
      AlignIn(parentWidget()->rect());
  }
}

void TNotifyPopup::AlignIn(const QRect& alignRect) {
  if (!customAligned_) return;
  const int right = alignRect.left() + alignRect.width();
  const int bottom = alignRect.top() + alignRect.height();
  RestLeft = right - MarginX - width();
  RestTop = bottom - MarginY - height();
  move(RestLeft, y());
}

void TNotifyPopup::ParentResized(QResizeEvent* event) {
  if (customAligned_) {
    if (auto* form = qobject_cast<TfrmBaseForm*>(parentWidget()))
      form->CustomAlignPosition(this);
    else if (parentWidget())
      AlignIn(parentWidget()->rect());
    return;
  }
  // Anchored top and right: the distance to the right edge stays.
  if (event && event->oldSize().isValid()) move(x() + event->size().width() - event->oldSize().width(), y());
}

void TNotifyPopup::MoveBelowRest() {
  customAligned_ = false;
  move(x(), RestTop + height() + MarginY);
}

void TNotifyPopup::StartSlide() {
  Step = 10;
  state_ = State::Sliding;
  timers_->SetTimer(kSlideTimer, kSlideInterval);
}

void TNotifyPopup::SlideStep() {
  const int next = y() - Step;
  if (next > RestTop) {
    move(x(), next);
  } else {
    move(x(), RestTop);
    StartDwell();
  }
}

void TNotifyPopup::StartDwell() {
  timers_->KillTimer(kSlideTimer);
  state_ = State::Resting;
  if (DisplayTime >= 1) timers_->SetTimer(kDwellTimer, DisplayTime);
}

void TNotifyPopup::DwellTimeout() {
  timers_->KillTimer(kDwellTimer);
  HideAndRelease();
}

void TNotifyPopup::HideAndRelease() {
  timers_->KillTimer(kSlideTimer);
  timers_->KillTimer(kDwellTimer);
  hide();
  state_ = State::Hidden;
  timers_->SetTimer(kReleaseTimer, kReleaseInterval);
}

void TNotifyPopup::Popup() {
  if (target_ && parentWidget() != target_) setParent(target_);
  customAligned_ = true;
  AutoSizeToText();
  MoveBelowRest();
  show();
  raise();
  StartSlide();
}

void TNotifyPopup::Click() {
  if (OnClick) RunGuarded(OnClick);
  HideAndRelease();
}

int TNotifyPopup::SlideTicks(int height, int marginY, int step) {
  if (step <= 0) return 0;
  const int distance = height + marginY;
  return distance <= 0 ? 1 : (distance + step - 1) / step;
}

void TNotifyPopup::OnTimer(int id) {
  switch (id) {
    case kSlideTimer:
      SlideStep();
      break;
    case kDwellTimer:
      DwellTimeout();
      break;
    case kReleaseTimer: {
      timers_->KillTimer(kReleaseTimer);
      // Freed from the event loop, never inside this timer's own handler.
      QPointer<TNotifyPopup> self(this);
      PostCall([self] { delete self.data(); });
      break;
    }
    default:
      break;
  }
}

void TNotifyPopup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  p.setBrush(ToQColor(color_, palette().color(QPalette::ToolTipBase)));
  p.setPen(QPen(ToQColor(BorderColor, Qt::darkGray), 1));
  // The classic frame covers left..right-1 and top..bottom-1 of the rectangle.
  if (Radius >= 1)
    p.drawRoundedRect(QRectF(r.adjusted(0, 0, -1, -1)), Radius / 2.0, Radius / 2.0);
  else
    p.drawRect(r.adjusted(0, 0, -1, -1));
  r.adjust(Padding, Padding, -Padding, -Padding);
  if (ImageShown()) {
    Images->Draw(p, r.left(), r.top() + (r.height() - Images->Height()) / 2, ImageIndex, true);
    r.setLeft(r.left() + Images->Width() + Padding);
  }
  p.setPen(ToQColor(fontColor_, palette().color(QPalette::ToolTipText)));
  p.setFont(font());
  DrawText(p, text_, r, DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER);
}

void TNotifyPopup::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
}

void TNotifyPopup::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) Click();
}
