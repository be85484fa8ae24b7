#include "databank/gui/uXMLBookmarkManager.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "ui/GlyphTools.h"
#include "ui/ImgList_Override.h"
#include "ui/UBaseMainForm.h"

TfrmXMLBookmarkManager::TfrmXMLBookmarkManager(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmXMLBookmarkManager"));
  setWindowTitle(QStringLiteral("Manage Favourites"));
  SetClientSize(300, 280);

  aImageList = new TImageList(16, 16, this);
  for (const char* name : {"document-new", "document-properties", "edit-delete", "go-up", "go-down"}) {
    const QIcon icon = platform::ThemeIcon(QString::fromLatin1(name));
    aImageList->Add(icon.pixmap(16, 16, QIcon::Normal).toImage(), icon.pixmap(QSize(16, 16), 2.0).toImage());
  }
  aDisabledImageList = new TImageList(16, 16, this);

  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  Toolbar = new TToolbarPanel(Client());
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  Toolbar->setFixedHeight(26);
  auto* bar = new QHBoxLayout(Toolbar);
  bar->setContentsMargins(2, 1, 2, 1);
  bar->setSpacing(1);
  struct Def {
    TmxXPButton*& button;
    QAction*& action;
    const char* buttonName;
    const char* actionName;
    const char* caption;
    const char* hint;
  };
  const Def defs[] = {
      {btnNew, actnNew, "btnNew", "actnNew", "New", "New Item"},
      {btnEdit, actnEdit, "btnEdit", "actnEdit", "Edit", "Edit Item"},
      {btnDelete, actnDelete, "btnDelete", "actnDelete", "Delete", "Delete Item"},
      {btnUp, actnMoveUp, "btnUp", "actnMoveUp", "Move Up", "Move Up in Order"},
      {btnDown, actnMoveDn, "btnDown", "actnMoveDn", "Move Dn", "Move Down in Order"},
  };
  int image = 0;
  for (const Def& d : defs) {
    d.action = new QAction(QString::fromLatin1(d.caption), this);
    d.action->setObjectName(QString::fromLatin1(d.actionName));
    d.action->setToolTip(QString::fromLatin1(d.hint));
    d.action->setProperty("imageIndex", image++);
    d.button = new TmxXPButton(Toolbar);
    d.button->setObjectName(QString::fromLatin1(d.buttonName));
    StyleToolbarButton(d.button, aImageList, aDisabledImageList);
    d.button->SetAction(d.action);
    d.button->setFixedSize(24, 24);
    bar->addWidget(d.button);
  }
  bar->addStretch(1);
  layout->addWidget(Toolbar);

  List = new QTreeWidget(Client());
  List->setObjectName(QStringLiteral("List"));
  List->setColumnCount(1);
  List->setHeaderLabels({QStringLiteral("Favourites")});
  List->setColumnWidth(0, 240);
  List->setRootIsDecorated(false);
  List->setUniformRowHeights(true);
  layout->addWidget(List, 1);

  connect(actnNew, &QAction::triggered, this, [this] {
    if (OnNewItem) OnNewItem();
  });
  connect(actnEdit, &QAction::triggered, this, [this] {
    if (!work_ || ReadOnly) return;
    const int done = work_->Edit(SelectedIndex(), platform::UI());
    if (done >= 0) {
      Fill();
      SelectIndex(done);
    }
  });
  connect(actnDelete, &QAction::triggered, this, [this] {
    if (!work_) return;
    const int done = work_->Delete(SelectedIndex(), platform::UI());
    if (work_->Count() != List->topLevelItemCount()) {
      Fill();
      SelectIndex(done);
    }
  });
  connect(actnMoveUp, &QAction::triggered, this, [this] { Run(&TBookmarkWork::MoveUp); });
  connect(actnMoveDn, &QAction::triggered, this, [this] { Run(&TBookmarkWork::MoveDown); });
  connect(List, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(List, &QTreeWidget::itemDoubleClicked, actnEdit, &QAction::trigger);
  UpdateActions();
}

void TfrmXMLBookmarkManager::FormCreate() {
  TfrmYesNo::FormCreate();
  StoreSize = false;
  // Centred on its window: the shared position keys hold the main window's place, which a dialog
  // stored there would also move.
  StorePosition = false;
  ImageIndex = -1;
  ReadOnly = false;
  OnNewItem = nullptr;
  MakeDisabledImageList(*aImageList, *aDisabledImageList);
}

void TfrmXMLBookmarkManager::Run(int (TBookmarkWork::*command)(int)) {
  if (!work_) return;
  const int done = (work_->*command)(SelectedIndex());
  if (done < 0) return;
  Fill();
  SelectIndex(done);
}

void TfrmXMLBookmarkManager::SetWork(TBookmarkWork* work) {
  work_ = work;
  Fill();
}

void TfrmXMLBookmarkManager::Fill() {
  List->setUpdatesEnabled(false);
  List->clear();
  const int count = work_ ? work_->Count() : 0;
  for (int i = 0; i < count; ++i) {
    auto* item = new QTreeWidgetItem(List, {QString::fromStdString(work_->Caption(i))});
    if (Images && ImageIndex >= 0) item->setIcon(0, Images->Icon(ImageIndex));
  }
  List->setUpdatesEnabled(true);
  UpdateActions();
}

int TfrmXMLBookmarkManager::SelectedIndex() const {
  QTreeWidgetItem* item = List->currentItem();
  return item && item->isSelected() ? List->indexOfTopLevelItem(item) : -1;
}

void TfrmXMLBookmarkManager::SelectIndex(int index) {
  if (QTreeWidgetItem* item = List->topLevelItem(index)) {
    List->setCurrentItem(item);
    item->setSelected(true);
  }
  UpdateActions();
}

void TfrmXMLBookmarkManager::UpdateActions() {
  const int index = SelectedIndex();
  actnNew->setEnabled(bool(OnNewItem));
  actnEdit->setEnabled(index >= 0);
  actnDelete->setEnabled(index >= 0);
  actnMoveUp->setEnabled(work_ && work_->CanMoveUp(index));
  actnMoveDn->setEnabled(work_ && work_->CanMoveDown(index));
}

bool ExecuteBookmarkManager(TfrmXMLBookmarkManager* dialog, TBookmarkWork& work) {
  dialog->SetWork(&work);
  const bool ok = dialog->ShowModal() == platform::mrOk;
  dialog->SetWork(nullptr);
  return ok;
}
