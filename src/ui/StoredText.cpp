#include "ui/StoredText.h"

#include <QComboBox>
#include <QLineEdit>
#include <limits>

void LiftLengthLimit(QLineEdit* edit) {
  if (edit) edit->setMaxLength(std::numeric_limits<int>::max());
}

void LiftLengthLimit(QComboBox* combo) {
  if (combo) LiftLengthLimit(combo->lineEdit());
}

void TShownText::Show(QLineEdit* edit, std::string stored) {
  stored_ = std::move(stored);
  shown_ = QString::fromStdString(stored_);
  if (!edit) return;
  LiftLengthLimit(edit);
  edit->setText(shown_);
}

bool TShownText::Changed(const QLineEdit* edit) const {
  return edit && edit->text() != shown_;
}

std::string TShownText::Text(const QLineEdit* edit) const {
  if (!edit || !Changed(edit)) return stored_;
  return edit->text().toStdString();
}

void TShownText::Stored(const QLineEdit* edit) {
  if (!edit || !Changed(edit)) return;
  shown_ = edit->text();
  stored_ = shown_.toStdString();
}
