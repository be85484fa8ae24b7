#include "ui/UToolbarConfig.h"

#include <QHeaderView>
#include <QSignalBlocker>

#include "platform/UIServices.h"
#include "ui/DialogButtons.h"
#include "ui/ImgList_Override.h"
#include "ui/mxXPButton.h"

std::vector<TToolbarConfigRow> ToolbarConfigRows(const TToolbarLayout& layout) {
  std::vector<TToolbarConfigRow> rows;
  std::vector<IToolbarControl*> controls;
  for (int g = 0; g < layout.GroupCount(); ++g) {
    TToolbarConfigRow section;
    section.caption = QStringLiteral("- Section ") + QString::number(g + 1) + QStringLiteral(" -");
    rows.push_back(section);
    layout.GetGroupControls(g, controls);
    for (IToolbarControl* c : controls) {
      auto* button = c ? dynamic_cast<TmxXPButton*>(c->Widget()) : nullptr;
      if (!button) continue;
      TToolbarConfigRow row;
      row.caption = button->Caption();
      row.imageIndex = button->ImageIndex();
      row.checked = !button->isHidden();
      row.hint = button->toolTip();
      bool ok = false;
      const int tag = button->property("Tag").toInt(&ok);
      if (!(ok && tag == -1)) row.button = button;
      rows.push_back(row);
    }
  }
  return rows;
}

bool ApplyToolbarConfigChange(TToolbarLayout& layout, const TToolbarConfigRow& row, bool checked) {
  if (!row.button) return true;
  row.button->setVisible(checked);
  layout.Arrange();
  return checked;
}

TfrmToolbarConfig::TfrmToolbarConfig(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmToolbarConfig"));
  setWindowTitle(QStringLiteral("Toolbar Configuration"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  lvButtons = new QTreeWidget(this);
  lvButtons->setObjectName(QStringLiteral("lvButtons"));
  lvButtons->setColumnCount(2);
  lvButtons->setHeaderLabels({QStringLiteral("Button"), QStringLiteral("Hint")});
  lvButtons->setHeaderHidden(true);
  lvButtons->setRootIsDecorated(false);
  lvButtons->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvButtons->setSelectionMode(QAbstractItemView::SingleSelection);
  lvButtons->setColumnWidth(0, 120);
  lvButtons->setColumnWidth(1, 150);
  btnClose = NewDialogButton(this, QStringLiteral("dialog-ok"), QStringLiteral("Close"), QStringLiteral("btnClose"));
  LayOutDialog(this, lvButtons, {btnClose});
  connect(btnClose, &QPushButton::clicked, this, [this] { done(platform::mrOk); });
  connect(lvButtons, &QTreeWidget::itemChanged, this, &TfrmToolbarConfig::lvButtonsChange);
  resize(QSize(307, 281).expandedTo(minimumSizeHint()));
  setFixedSize(size());
}

void TfrmToolbarConfig::Fill(TToolbarLayout* layout, TImageList* images) {
  layout_ = layout;
  // Rows are added with change events suppressed: a row checked before it refers to its button
  // would otherwise be "corrected" by the change handler.
  QSignalBlocker block(lvButtons);
  lvButtons->clear();
  rows_ = layout ? ToolbarConfigRows(*layout) : std::vector<TToolbarConfigRow>{};
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const TToolbarConfigRow& r = rows_[i];
    auto* item = new QTreeWidgetItem(lvButtons);
    item->setText(0, r.caption);
    item->setText(1, r.hint);
    item->setData(0, Qt::UserRole, int(i));
    if (images && r.imageIndex >= 0) item->setIcon(0, images->Icon(r.imageIndex));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
  }
}

void TfrmToolbarConfig::lvButtonsChange(QTreeWidgetItem* item, int column) {
  if (!item || column != 0 || !layout_) return;
  const int index = item->data(0, Qt::UserRole).toInt();
  if (index < 0 || index >= int(rows_.size())) return;
  const bool checked = item->checkState(0) == Qt::Checked;
  bool result = checked;
  platform::RunGuarded([&] { result = ApplyToolbarConfigChange(*layout_, rows_[index], checked); });
  rows_[index].checked = result;
  if (result != checked) {
    QSignalBlocker block(lvButtons);
    item->setCheckState(0, result ? Qt::Checked : Qt::Unchecked);
  }
}

int TfrmToolbarConfig::ShowModal() {
  setWindowModality(Qt::ApplicationModal);
  const int r = exec();
  return r == 0 ? platform::mrCancel : r;
}

void ShowToolbarConfig(TToolbarLayout* layout, TImageList* images) {
  TfrmToolbarConfig dialog(nullptr);
  dialog.Fill(layout, images);
  dialog.ShowModal();
}
