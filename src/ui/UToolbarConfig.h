// The toolbar-configuration dialog: one row per section of the layout and one per toolbar button,
// checked while the button is shown. Unchecking a button's row hides it and the layout closes the
// gap at once; section rows and fixed buttons (tag -1) cannot be unchecked.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <vector>

#include "ui/uToolbarLayout.h"

class TImageList;
class TmxXPButton;

// One row of the dialog.
struct TToolbarConfigRow {
  QString caption;
  int imageIndex = -1;
  bool checked = true;
  QString hint;
  TmxXPButton* button = nullptr;  // the button the row controls; nullptr for sections and fixed buttons
};

// The rows for a layout: "- Section g -" for each group, then its buttons.
std::vector<TToolbarConfigRow> ToolbarConfigRows(const TToolbarLayout& layout);
// A row's check state changed: shows or hides its button and arranges the layout. Returns the check
// state the row must have afterwards (a row without a button stays checked).
bool ApplyToolbarConfigChange(TToolbarLayout& layout, const TToolbarConfigRow& row, bool checked);

class TfrmToolbarConfig : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmToolbarConfig(QWidget* owner = nullptr);

  QTreeWidget* lvButtons;
  QPushButton* btnClose;

  // Fills the list for layout (rows added with change events suppressed).
  void Fill(TToolbarLayout* layout, TImageList* images);
  const std::vector<TToolbarConfigRow>& Rows() const { return rows_; }
  // 1 when closed with "Close" (and also when closed from the frame: the dialog only informs).
  int ShowModal();

 private:
  void lvButtonsChange(QTreeWidgetItem* item, int column);

  TToolbarLayout* layout_ = nullptr;
  std::vector<TToolbarConfigRow> rows_;
};

// Builds, shows modally and frees the dialog.
void ShowToolbarConfig(TToolbarLayout* layout, TImageList* images);
