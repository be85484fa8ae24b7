#include "ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

TElidedLabel::TElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode_(mode) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QString TElidedLabel::ShownText() const {
  const int room = contentsRect().width() - 2 * margin();
  return fontMetrics().elidedText(text(), mode_, std::max(0, room));
}

QSize TElidedLabel::minimumSizeHint() const {
  const QMargins m = contentsMargins();
  return {fontMetrics().horizontalAdvance(QStringLiteral("\u2026")) + m.left() + m.right() + 2 * margin(),
          QLabel::minimumSizeHint().height()};
}

void TElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  style()->drawItemText(&painter, room, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                        isEnabled(), ShownText(), foregroundRole());
}
