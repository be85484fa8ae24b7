#include "databank/gui/USelection.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmSelection::TfrmSelection(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmSelection"));
  setWindowTitle(QStringLiteral("Selection"));
  SetClientSize(320, 300);

  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  ListView = new QListWidget(Client());
  ListView->setObjectName(QStringLiteral("ListView"));
  ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView->setUniformItemSizes(true);
  layout->addWidget(ListView, 1);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  auto flat = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), Client());
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setToolTip(QString::fromLatin1(caption));
    return b;
  };
  btnSelectAll = flat("btnSelectAll", "Select All");
  btnDeselectAll = flat("btnDeselectAll", "Deselect All");
  buttons->addWidget(btnSelectAll);
  buttons->addWidget(btnDeselectAll);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  extra_ = new QWidget(Client());
  extra_->setObjectName(QStringLiteral("Extra"));
  layout->addWidget(extra_);
  connect(btnSelectAll, &QPushButton::clicked, this, [this] { CheckAll(true); });
  connect(btnDeselectAll, &QPushButton::clicked, this, [this] { CheckAll(false); });
}

void TfrmSelection::CheckAll(bool checked) {
  ListView->setUpdatesEnabled(false);
  for (int i = 0; i < ListView->count(); ++i) ListView->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  ListView->setUpdatesEnabled(true);
}

QListWidgetItem* TfrmSelection::AddItem(const QString& caption, const QIcon& icon, bool checked) {
  auto* item = new QListWidgetItem(icon, caption, ListView);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  return item;
}

bool TfrmSelection::IsChecked(int row) const {
  const QListWidgetItem* item = ListView->item(row);
  return item && item->checkState() == Qt::Checked;
}
