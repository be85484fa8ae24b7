// A one-line label for a narrow place: it shows as much of its text as fits, shortened with "…"
// where its mode says (at the end, or in the middle so that both ends stay readable). text() stays
// the whole text; a layout sizes the label by it and may give it less, down to the room of the "…".
#pragma once

#include <QLabel>

class TElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

  // What the label shows at its present width.
  QString ShownText() const;

  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::TextElideMode mode_;
};
