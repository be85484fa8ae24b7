// The tree control of the databank window: a QTreeWidget that the window drives through ITreeView.
// It shows one item per folder and record with its picture from an image list, reports selection,
// expansion and label editing (with a start and an end event, Escape giving no end), selects with
// either mouse button (none on empty space) and opens the context menu on the right one, keeps the
// selection visible without the focus, optionally underlines the item under the mouse, and drags a
// node inside itself: the window decides every drop, so no item ever moves by itself.
//
// A click on the item that is already selected opens its label editor after the double-click time,
// unless anything comes first: a key pressed anywhere in the program, a mouse button, another
// selection, the focus leaving the tree, or a command (YieldToCommand). The editor so opened is
// tentative until something is typed into it: it then claims no key of the window's commands, a
// command closes it unchanged, Return closes it unchanged and acts as Return on the tree, and it
// changes no title when it closes.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "databank/uTreeModel.h"

class TImageList;

class TTreeWidget : public QTreeWidget, public ITreeView {
  Q_OBJECT

 public:
  // The edges within which a drag scrolls the tree by one line instead of dropping.
  static constexpr int kDragScrollMargin = 15;

  explicit TTreeWidget(QWidget* parent = nullptr);
  ~TTreeWidget() override;

  ITreeViewEvents* Events = nullptr;
  // Right button pressed: the item under it is selected already; show the menu at globalPos.
  std::function<void(QPoint globalPos)> OnContextMenu;
  // Enter (or Return) pressed on the tree, outside label editing.
  std::function<void()> OnReturn;
  // Ctrl+Tab (forward) or Ctrl+Shift+Tab; without a handler the focus goes to the next or previous
  // widget of the window.
  std::function<void(bool forward)> OnNextControl;
  // Whether a dragged node may be dropped on target (nullptr: the empty space below the items).
  std::function<bool(TTreeItem* dragged, TTreeItem* target)> OnCanDrop;
  std::function<void(TTreeItem* dragged, TTreeItem* target)> OnDrop;

  void SetImages(TImageList* images);
  // Read-only: no label editing and no dragging.
  void SetReadOnly(bool readOnly);
  // A read-only tree whose labels are edited all the same when a command asks (StartEdit).
  void SetRenameByCommand(bool on) { renameByCommand_ = on; }
  // The item under the mouse is underlined and the pointer becomes a hand.
  void SetHotTrack(bool on);
  // What the tree says while it holds no item (nothing when empty).
  void SetEmptyText(const QString& text);

  static TTreeItem* Handle(QTreeWidgetItem* item) { return reinterpret_cast<TTreeItem*>(item); }
  static QTreeWidgetItem* ItemOf(TTreeItem* item) { return reinterpret_cast<QTreeWidgetItem*>(item); }

  // What a drop at pos (viewport coordinates) of the node being dragged would do.
  enum class TDropZone { ScrollUp, ScrollDown, OnItem, BelowItems, Refused };
  TDropZone DropZoneAt(QPoint pos, QTreeWidgetItem** target) const;
  // Starts and ends a drag without the window system's drag loop, as a drag of the selected item
  // that moves over pos and is dropped there (tests and tools). True when the drop was accepted.
  bool DragSelectedTo(QPoint pos);

  // ITreeView
  void BeginUpdate() override;
  void EndUpdate() override;
  bool Updating() const override { return locks_ > 0; }
  void Clear() override;
  void InsertItems(TTreeItem* parent, TTreeItem* before, const std::vector<TTreeItemSpec>& specs,
                   std::vector<TTreeItem*>& out) override;
  std::unique_ptr<TPreparedItems> PrepareItems(const std::vector<TTreeItemSpec>& specs) const override;
  void InsertPrepared(TTreeItem* parent, TTreeItem* before, std::vector<std::unique_ptr<TPreparedItems>> parts,
                      std::vector<TTreeItem*>& out) override;
  void RemoveItem(TTreeItem* item) override;
  void MoveItem(TTreeItem* item, TTreeItem* parent, TTreeItem* before) override;
  TxevXMLNode2* NodeOf(TTreeItem* item) const override;
  void SetText(TTreeItem* item, std::string_view text) override;
  int ImageOf(TTreeItem* item) const override;
  void SetImage(TTreeItem* item, int image) override;
  TTreeItem* Selected() const override;
  void Select(TTreeItem* item) override;
  bool IsExpanded(TTreeItem* item) const override;
  void SetExpanded(TTreeItem* item, bool expanded) override;
  void FullExpand() override;
  void FullCollapse() override;
  void StartEdit(TTreeItem* item) override;
  bool IsEditing() const override;
  // The focus is in the tree or in its label editor.
  bool HasFocus() const override;
  void SetFocus() override;
  void MakeVisible(TTreeItem* item) override;

  // The label editor finished with text (called by the item delegate).
  void LabelEdited(QTreeWidgetItem* item, const QString& text);

  // A click's label edit is waiting to start.
  bool ClickEditPending() const { return clickEdit_.isActive(); }
  // The label editor is open from a click and nothing has been typed into it.
  bool TentativeEdit() const { return tentative_ && IsEditing(); }
  // A command is about to run: a click's label edit waiting to start is dropped, a tentative editor
  // closed unchanged.
  void YieldToCommand();
  // Return in a tentative label editor: the editor closes unchanged and Return acts as on the tree.
  void TentativeReturn();
  // The label editor stopped being tentative (something was typed into it).
  std::function<void()> OnEditTouched;

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class TNodeItem;
  class TDelegate;
  class TMadeItems;
  void SelectionMoved();
  void ArmClickEdit(const QModelIndex& index);
  void CancelClickEdit();
  void StartClickEdit();
  // The label editor was opened (tentative: by a click) or something was typed into it.
  void EditorOpened(QWidget* editor, bool tentative);
  void EditorTouched();
  // Without recursion, however deep the tree (so also in the destructor, before Qt's own teardown).
  void DeleteAllItems();
  // The context menu asked for from the keyboard: under the selected item.
  void KeyboardContextMenu();
  // Scrolls the item of index into view, up or down only: as little as will do (the keys and the
  // mouse moving through the tree), or with its folder where both fit (a node selected for the
  // user: at start, by a command, a bookmark, the filter's results).
  enum class TScrollRule { Nearest, WithFolder };
  void ScrollIntoView(const QModelIndex& index, TScrollRule rule);
  bool DragOver(QPoint pos);
  bool Drop(QPoint pos);
  void ScrollOneLine(int direction);
  void StopDragScroll();
  QIcon IconFor(int image) const;
  int IndexIn(QTreeWidgetItem* parent, QTreeWidgetItem* item) const;
  void Insert(QTreeWidgetItem* parent, int index, const QList<QTreeWidgetItem*>& items);
  // One detached item per spec, made[i] for specs[i] (made holds nullptr on entry), each below the
  // item of its spec's parent; returns those of the specs without a parent, in order.
  QList<QTreeWidgetItem*> MakeItems(const std::vector<TTreeItemSpec>& specs, std::vector<QTreeWidgetItem*>& made) const;

  QPointer<TImageList> images_;
  QFont boldFont_;
  int locks_ = 0;
  bool readOnly_ = false;
  bool renameByCommand_ = false;
  bool hotTrack_ = false;
  QString emptyText_;
  QTreeWidgetItem* dragItem_ = nullptr;
  TTreeItem* reported_ = nullptr;  // the selection last reported
  QTimer dragScroll_;
  int dragScrollDirection_ = 0;
  QTimer clickEdit_;                   // a click's label edit, waiting for the double-click time
  QPersistentModelIndex clickIndex_;   // the item it edits
  bool watchingApp_ = false;           // the program's events are watched while it waits
  bool releaseOfDoubleClick_ = false;  // the release that ends a double click starts no edit
  bool openingFromClick_ = false;
  bool tentative_ = false;
  QPointer<QWidget> editor_;             // the label editor last opened
  QPersistentModelIndex pendingScroll_;  // to be scrolled into view once the tree has its size
  TScrollRule pendingRule_ = TScrollRule::Nearest;
};
