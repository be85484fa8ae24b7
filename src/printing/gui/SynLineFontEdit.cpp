#include "printing/gui/SynLineFontEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColors.h"
#include "ui/StoredText.h"

namespace {
QString Q(const std::u16string& s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}
std::u16string U(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}
}  // namespace

TLineFontEdit::TLineFontEdit(Qt::Alignment Alignment, QWidget* parent) : QScrollArea(parent), alignment_(Alignment) {
  box_ = new QWidget(this);
  layout_ = new QVBoxLayout(box_);
  layout_->setContentsMargins(1, 1, 1, 1);
  layout_->setSpacing(0);
  layout_->addStretch(1);
  setWidget(box_);
  setWidgetResizable(true);
  // Each line scrolls its own text, so the lines always fit the width (a right-aligned text stays in
  // view); the bar for lines shows only when there are more than fit.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // At least three lines of the editor's font show.
  setMinimumHeight(3 * QLineEdit().sizeHint().height() + 2 * frameWidth() + 2);
  setBackgroundRole(QPalette::Base);
  box_->setBackgroundRole(QPalette::Base);
  box_->setAutoFillBackground(true);
  Clear();
}

TFontLines TLineFontEdit::Lines() const {
  TFontLines lines;
  for (size_t i = 0; i < rows_.size(); ++i) {
    TFontLine line;
    line.Text = U(rows_[i]->text());
    line.Font.Assign(fonts_[i]);
    lines.push_back(std::move(line));
  }
  return lines;
}

void TLineFontEdit::Clear() {
  while (!rows_.empty()) RemoveRow(static_cast<int>(rows_.size()) - 1);
  TFontLine empty;
  empty.Font.Assign(defaultFont_);
  InsertRow(0, empty);
  caretLine_ = 0;
}

void TLineFontEdit::AppendLine(const TFontLine& Line) {
  if (rows_.size() == 1 && rows_[0]->text().isEmpty()) {
    rows_[0]->setText(Q(Line.Text));
    SetLineFont(0, Line.Font);
    return;
  }
  InsertRow(static_cast<int>(rows_.size()), Line);
}

void TLineFontEdit::SetDefaultFont(const TSynFont& Font) {
  defaultFont_.Assign(Font);
  if (rows_.size() == 1 && rows_[0]->text().isEmpty()) SetLineFont(0, Font);
}

int TLineFontEdit::CaretColumn() const {
  if (caretLine_ < 0 || caretLine_ >= LineCount()) return 0;
  return rows_[static_cast<size_t>(caretLine_)]->cursorPosition();
}

bool TLineFontEdit::HasFocusedLine() const {
  return std::any_of(rows_.begin(), rows_.end(), [](QLineEdit* r) { return r->hasFocus(); });
}

void TLineFontEdit::ReplaceSelection(const std::u16string& Text) {
  QLineEdit* row = rows_.at(static_cast<size_t>(std::clamp(caretLine_, 0, LineCount() - 1)));
  row->insert(Q(Text));
  row->setFocus();
}

void TLineFontEdit::SetLineFont(int Line, const TSynFont& Font) {
  fonts_.at(static_cast<size_t>(Line)).Assign(Font);
  ApplyFont(Line);
}

void TLineFontEdit::ApplyFont(int Index) {
  QLineEdit* row = rows_[static_cast<size_t>(Index)];
  const TSynFont& f = fonts_[static_cast<size_t>(Index)];
  row->setFont(platform::ToQFont(PrintFontDesc(f, 0), logicalDpiY()));
  QPalette pal = row->palette();
  pal.setColor(QPalette::Text, platform::ToQColor(f.Color(), Qt::black));
  row->setPalette(pal);
}

QLineEdit* TLineFontEdit::InsertRow(int Index, const TFontLine& Line) {
  auto* row = new QLineEdit(box_);
  LiftLengthLimit(row);
  row->setFrame(false);
  row->setAlignment(alignment_ | Qt::AlignVCenter);
  row->setText(Q(Line.Text));
  row->installEventFilter(this);
  layout_->insertWidget(Index, row);
  // Shown at once (a layout shows new children only later), so it can take the focus now.
  if (box_->isVisible()) row->show();
  rows_.insert(rows_.begin() + Index, row);
  fonts_.insert(fonts_.begin() + Index, TSynFont("Arial", 10));
  fonts_[static_cast<size_t>(Index)].Assign(Line.Font);
  ApplyFont(Index);
  connect(row, &QLineEdit::cursorPositionChanged, this, [this, row](int, int) {
    const int line = IndexOf(row);
    if (line < 0 || !row->hasFocus()) return;
    caretLine_ = line;
  });
  return row;
}

void TLineFontEdit::RemoveRow(int Index) {
  QLineEdit* row = rows_[static_cast<size_t>(Index)];
  rows_.erase(rows_.begin() + Index);
  fonts_.erase(fonts_.begin() + Index);
  row->removeEventFilter(this);
  row->hide();
  row->deleteLater();
}

int TLineFontEdit::IndexOf(QObject* row) const {
  const auto it = std::find(rows_.begin(), rows_.end(), row);
  return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

void TLineFontEdit::FocusRow(int Index, int Column) {
  QLineEdit* row = rows_[static_cast<size_t>(Index)];
  row->setFocus();
  row->setCursorPosition(std::clamp(Column, 0, static_cast<int>(row->text().size())));
  caretLine_ = Index;
  ensureWidgetVisible(row);
}

bool TLineFontEdit::eventFilter(QObject* watched, QEvent* event) {
  const int index = IndexOf(watched);
  if (index < 0) return QScrollArea::eventFilter(watched, event);
  QLineEdit* row = rows_[static_cast<size_t>(index)];
  if (event->type() == QEvent::FocusIn) {
    caretLine_ = index;
    emit Entered();
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const int pos = row->cursorPosition();
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      // The rest of the line goes to a new line below, in the same font.
      TFontLine rest;
      rest.Text = U(row->text().mid(pos));
      rest.Font.Assign(fonts_[static_cast<size_t>(index)]);
      row->setText(row->text().left(pos));
      InsertRow(index + 1, rest);
      FocusRow(index + 1, 0);
      return true;
    }
    case Qt::Key_Backspace:
      if (pos == 0 && !row->hasSelectedText() && index > 0) {
        QLineEdit* prev = rows_[static_cast<size_t>(index - 1)];
        const int join = static_cast<int>(prev->text().size());
        prev->setText(prev->text() + row->text());
        RemoveRow(index);
        FocusRow(index - 1, join);
        return true;
      }
      return false;
    case Qt::Key_Delete:
      if (pos == row->text().size() && !row->hasSelectedText() && index + 1 < LineCount()) {
        row->setText(row->text() + rows_[static_cast<size_t>(index + 1)]->text());
        RemoveRow(index + 1);
        FocusRow(index, pos);
        return true;
      }
      return false;
    case Qt::Key_Up:
      if (index > 0) FocusRow(index - 1, pos);
      return true;
    case Qt::Key_Down:
      if (index + 1 < LineCount()) FocusRow(index + 1, pos);
      return true;
    default:
      return false;
  }
}
