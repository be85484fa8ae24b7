// The checked-list dialog: one line per choice, each with a check box and a picture, and flat
// buttons that check or uncheck every line at once.
#pragma once

#include <QListWidget>
#include <QPushButton>

#include "ui/UYNForm.h"

class TfrmSelection : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmSelection(QWidget* owner = nullptr);

  QListWidget* ListView;
  QPushButton* btnSelectAll;
  QPushButton* btnDeselectAll;

  // Checks or unchecks every line, in one update of the list.
  void CheckAll(bool checked);
  // Appends a line.
  QListWidgetItem* AddItem(const QString& caption, const QIcon& icon, bool checked);
  bool IsChecked(int row) const;

 protected:
  // The area below the list, for descendants' controls.
  QWidget* Extra() const { return extra_; }

 private:
  QWidget* extra_;
};
