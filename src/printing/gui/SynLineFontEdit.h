// A small multi-line editor in which every line has its own font: the header and footer editors of
// the page setup. Each line is a one-line edit; Enter splits a line, Backspace at a line's start and
// Delete at its end join lines, Up and Down move between lines. There is always at least one line.
#pragma once

#include <QScrollArea>
#include <vector>

#include "printing/SynPageSetupModel.h"

class QLineEdit;
class QVBoxLayout;

class TLineFontEdit : public QScrollArea {
  Q_OBJECT

 public:
  explicit TLineFontEdit(Qt::Alignment Alignment, QWidget* parent = nullptr);

  // The lines with their fonts (an editor showing one empty line gives one empty line).
  TFontLines Lines() const;
  // Empties the editor: one empty line in the default font.
  void Clear();
  // Adds a line at the end; the empty line of an empty editor takes it instead.
  void AppendLine(const TFontLine& Line);
  // The font of the editor: lines added without one, and the empty line of an empty editor.
  void SetDefaultFont(const TSynFont& Font);

  int LineCount() const { return static_cast<int>(rows_.size()); }
  // The line and column (from 0) of the caret, in the line that last had the focus.
  int CaretLine() const { return caretLine_; }
  int CaretColumn() const;
  bool HasFocusedLine() const;
  // Replaces the selection of the caret's line (or inserts at the caret) and keeps the focus there.
  void ReplaceSelection(const std::u16string& Text);
  TSynFont LineFont(int Line) const { return fonts_.at(static_cast<size_t>(Line)); }
  void SetLineFont(int Line, const TSynFont& Font);
  QLineEdit* Row(int Line) const { return rows_.at(static_cast<size_t>(Line)); }

 signals:
  // A line got the focus.
  void Entered();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* InsertRow(int Index, const TFontLine& Line);
  void RemoveRow(int Index);
  void FocusRow(int Index, int Column);
  void ApplyFont(int Index);
  int IndexOf(QObject* row) const;

  Qt::Alignment alignment_;
  QWidget* box_;
  QVBoxLayout* layout_;
  std::vector<QLineEdit*> rows_;
  std::vector<TSynFont> fonts_;
  TSynFont defaultFont_{"Arial", 10};
  int caretLine_ = 0;
};
