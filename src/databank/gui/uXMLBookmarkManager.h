// "Manage Favourites": the bookmark manager. It edits a working copy of the bookmarks element
// (TBookmarkWork) with Edit, Delete, Move Up and Move Dn; New stays disabled unless a handler for
// new items is set. The databank takes the copy only on OK.
#pragma once

#include <QAction>
#include <QTreeWidget>
#include <functional>

#include "databank/uBookmarks.h"
#include "ui/ToolbarPanel.h"
#include "ui/UYNForm.h"
#include "ui/mxXPButton.h"

class TImageList;

class TfrmXMLBookmarkManager : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmXMLBookmarkManager(QWidget* owner = nullptr);

  QTreeWidget* List;
  TToolbarPanel* Toolbar;
  TmxXPButton* btnNew;
  TmxXPButton* btnEdit;
  TmxXPButton* btnDelete;
  TmxXPButton* btnUp;
  TmxXPButton* btnDown;
  QAction* actnNew;
  QAction* actnEdit;
  QAction* actnDelete;
  QAction* actnMoveUp;
  QAction* actnMoveDn;
  TImageList* aImageList;
  TImageList* aDisabledImageList;

  // The pictures of the items (not owned) and the one each item shows (-1: none).
  TImageList* Images = nullptr;
  int ImageIndex = -1;
  bool ReadOnly = false;
  std::function<void()> OnNewItem;

  // The list shows work's items; the commands change work.
  void SetWork(TBookmarkWork* work);
  int SelectedIndex() const;
  void SelectIndex(int index);
  void UpdateActions();

 protected:
  void FormCreate() override;

 private:
  void Fill();
  void Run(int (TBookmarkWork::*command)(int));
  TBookmarkWork* work_ = nullptr;
};

// Shows the dialog modally over the working copy; true on OK.
bool ExecuteBookmarkManager(TfrmXMLBookmarkManager* dialog, TBookmarkWork& work);
