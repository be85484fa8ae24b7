#include "ui/ToolbarPanel.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>

#include "platform/qt/QtColors.h"
#include "ui/mxXPButton.h"

using namespace platform;

// ---- TToolbarPanel ----

TToolbarPanel::TToolbarPanel(QWidget* parent) : QWidget(parent), color_(clBtnFace) {
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TToolbarPanel::SetBorderWidth(int w) {
  borderWidth_ = std::max(0, w);
  setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
}

void TToolbarPanel::SetParentBackground(bool on) {
  if (on == parentBackground_) return;
  parentBackground_ = on;
  update();
}

void TToolbarPanel::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void TToolbarPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!parentBackground_) {
    if (ThemesEnabled()) {
      QStyleOption opt;
      opt.initFrom(this);
      style()->drawPrimitive(QStyle::PE_PanelToolBar, &opt, &p, this);
    } else {
      p.fillRect(rect(), ToQColor(color_));
    }
  }
  if (OnAfterPaint) OnAfterPaint(this, p);
}

// ---- TSimplePanel ----

TSimplePanel::TSimplePanel(QWidget* parent) : QWidget(parent) {}

void TSimplePanel::SetBorderWidth(int w) {
  borderWidth_ = std::max(0, w);
  setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
}

void TSimplePanel::paintEvent(QPaintEvent* ev) {
  if (!OnPaint) {
    QWidget::paintEvent(ev);
    return;
  }
  QPainter p(this);
  OnPaint(this, p);
}

// ---- TStatusPanel ----

bool StatusSizeGripValid(bool windowSizeable, QPoint barBottomRightExclusive, QSize windowClient) {
  return windowSizeable && barBottomRightExclusive == QPoint(windowClient.width(), windowClient.height());
}

QString StatusWindowText(const QString& simpleText, bool rightToLeft) {
  return rightToLeft ? QStringLiteral("\t\t") + simpleText : simpleText;
}

namespace {
bool WindowSizeable(const QWidget* w) {
  if (!w) return false;
  if (w->windowFlags() & Qt::MSWindowsFixedSizeDialogHint) return false;
  return w->minimumSize() != w->maximumSize();
}
}  // namespace

TStatusPanel::TStatusPanel(QWidget* parent) : QWidget(parent), color_(clBtnFace) {
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  grip_ = new QSizeGrip(this);
  grip_->hide();
  ApplySystemFont();
  WatchWindow();
  UpdateSizeGripValid();
}

TStatusPanel::~TStatusPanel() {
  if (watched_) watched_->removeEventFilter(this);
}

void TStatusPanel::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  update();  // the text stays; only the look changes
}

void TStatusPanel::SetSimpleText(const QString& text) {
  if (text == simpleText_) return;
  simpleText_ = text;
  update();
}

QString TStatusPanel::WindowText() const {
  return StatusWindowText(simpleText_, layoutDirection() == Qt::RightToLeft);
}

void TStatusPanel::SetSizeGrip(bool on) {
  if (on == sizeGrip_) return;
  sizeGrip_ = on;
  UpdateSizeGripValid();
  PlaceGrip();
}

bool TStatusPanel::GripShown() const {
  return grip_ && !grip_->isHidden();
}

void TStatusPanel::SetUseSystemFont(bool on) {
  if (on == useSystemFont_) return;
  useSystemFont_ = on;
  if (on) {
    parentFont_ = false;
    ApplySystemFont();
  }
}

void TStatusPanel::SetParentFont(bool on) {
  if (on == parentFont_) return;
  parentFont_ = on;
  if (on) {
    useSystemFont_ = false;
    applyingFont_ = true;
    setFont(QFont());  // inherit the parent's font again
    setAttribute(Qt::WA_SetFont, false);
    applyingFont_ = false;
  }
}

void TStatusPanel::ApplySystemFont() {
  if (!useSystemFont_) return;
  applyingFont_ = true;
  setFont(QToolTip::font());
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, ToQColor(clBtnText));
  setPalette(pal);
  applyingFont_ = false;
  update();
}

void TStatusPanel::WatchWindow() {
  QWidget* w = window();
  if (w == watched_) return;
  if (watched_) watched_->removeEventFilter(this);
  watched_ = w != this ? w : nullptr;
  if (watched_) watched_->installEventFilter(this);
}

void TStatusPanel::UpdateSizeGripValid() {
  WatchWindow();
  QWidget* w = window();
  bool valid = false;
  if (w && w != this) {
    const QPoint br = mapTo(w, QPoint(width(), height()));
    valid = StatusSizeGripValid(WindowSizeable(w), br, w->size());
  }
  if (valid != sizeGripValid_) sizeGripValid_ = valid;
  PlaceGrip();
}

void TStatusPanel::PlaceGrip() {
  if (!grip_) return;
  const bool show = sizeGrip_ && sizeGripValid_;
  const QSize s = grip_->sizeHint();
  grip_->setGeometry(layoutDirection() == Qt::RightToLeft ? 0 : width() - s.width(), height() - s.height(), s.width(),
                     s.height());
  grip_->setVisible(show);
}

void TStatusPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  if (OnDrawPanel) {
    OnDrawPanel(this, p, r);
  } else if (ThemesEnabled()) {
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &opt, &p, this);
  } else {
    p.fillRect(r, ToQColor(color_));
  }
  // The text: leading tabs choose the alignment as the status window does (one: centred, two:
  // right-aligned).
  QString text = WindowText();
  int tabs = 0;
  while (tabs < 2 && tabs < text.size() && text[tabs] == QLatin1Char('\t')) ++tabs;
  text = text.mid(tabs);
  Qt::Alignment align = Qt::AlignVCenter | (tabs == 2 ? Qt::AlignRight : tabs == 1 ? Qt::AlignHCenter : Qt::AlignLeft);
  QRect tr = r.adjusted(3, 0, -3, 0);
  if (GripShown()) {
    if (layoutDirection() == Qt::RightToLeft)
      tr.setLeft(tr.left() + grip_->width());
    else
      tr.setRight(tr.right() - grip_->width());
  }
  p.setPen(palette().color(QPalette::WindowText));
  p.setFont(font());
  p.drawText(tr, int(align) | Qt::TextSingleLine,
             QFontMetrics(font()).elidedText(text, Qt::ElideRight, std::max(0, tr.width())));
  if (OnAfterPaint) OnAfterPaint(this, p, r);
}

void TStatusPanel::resizeEvent(QResizeEvent* ev) {
  QWidget::resizeEvent(ev);
  UpdateSizeGripValid();
}

void TStatusPanel::moveEvent(QMoveEvent* ev) {
  QWidget::moveEvent(ev);
  UpdateSizeGripValid();
}

void TStatusPanel::showEvent(QShowEvent* ev) {
  QWidget::showEvent(ev);
  UpdateSizeGripValid();  // geometry set while hidden reaches us only now
}

void TStatusPanel::changeEvent(QEvent* ev) {
  switch (ev->type()) {
    case QEvent::FontChange:
      // A font taken over from the parent switches the system font off.
      if (!applyingFont_ && parentFont_) useSystemFont_ = false;
      break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
      update();
      break;
    case QEvent::LayoutDirectionChange:
      PlaceGrip();
      update();
      break;
    case QEvent::ParentChange:
      UpdateSizeGripValid();
      break;
    default:
      break;
  }
  QWidget::changeEvent(ev);
}

bool TStatusPanel::eventFilter(QObject* watched, QEvent* ev) {
  if (watched == watched_ && (ev->type() == QEvent::Resize || ev->type() == QEvent::LayoutRequest))
    UpdateSizeGripValid();
  return QWidget::eventFilter(watched, ev);
}

bool TStatusPanel::event(QEvent* ev) {
  if (ev->type() == QEvent::ApplicationFontChange) ApplySystemFont();
  if (ev->type() == QEvent::ApplicationPaletteChange) {
    ApplySystemFont();
    update();
  }
  return QWidget::event(ev);
}
