#include "databank/gui/TreeWidget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragMoveEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/SharedWork.h"
#include "platform/UIServices.h"
#include "ui/ImgList_Override.h"
#include "ui/StoredText.h"

namespace {
// What a drag of this tree carries: nothing but the fact that it is one.
const char* const kDragFormat = "application/x-tessaryn-tree-drag";

// Return or Enter (of the keypad too) without a modifier.
bool IsPlainReturn(const QKeyEvent& event) {
  return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
         (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Deletes an item that is in no tree (no parent, no view) with everything below it. Qt's item
// destructor deletes the children recursively, which the stack of a deep tree does not survive; here
// each item goes as a leaf, children first, each the last child of its parent (cheap to take).
void DeleteDetached(QTreeWidgetItem* root) {
  std::vector<QTreeWidgetItem*> order{root};  // breadth first: parents before children, siblings in order
  for (size_t i = 0; i < order.size(); ++i)
    for (int c = 0, n = order[i]->childCount(); c < n; ++c) order.push_back(order[i]->child(c));
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if (QTreeWidgetItem* parent = (*it)->parent()) parent->takeChild(parent->childCount() - 1);
    delete *it;
  }
}
}  // namespace

class TTreeWidget::TNodeItem : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 17;
  TNodeItem(TxevXMLNode2* n, int i, std::string_view label) : QTreeWidgetItem(kType), node(n), image(i), title(label) {}
  TxevXMLNode2* node;
  int image;
  // The picture comes from the image list when it is drawn, and the label from the title the item
  // was made with, until one is set (a rename, an edit): a large tree is made without storing an
  // icon and a string of the toolkit's in every item, most of which are never shown.
  std::string title;
  bool labelSet = false;
  QVariant data(int column, int role) const override {
    if (column == 0 && role == Qt::DecorationRole)
      if (const auto* tree = static_cast<const TTreeWidget*>(treeWidget())) return tree->IconFor(image);
    if (column == 0 && !labelSet && (role == Qt::DisplayRole || role == Qt::EditRole))
      return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    return QTreeWidgetItem::data(column, role);
  }
  void setData(int column, int role, const QVariant& value) override {
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole) && !labelSet) {
      labelSet = true;
      std::string().swap(title);
    }
    QTreeWidgetItem::setData(column, role, value);
  }
  void SetImage(int i) {
    image = i;
    emitDataChanged();
  }
};

// Label editing ends here (Escape ends it without calling setModelData); hot tracking is painted here.
// A tentative editor (opened by a click, nothing typed yet) changes no title and leaves the
// window's command keys to the window.
class TTreeWidget::TDelegate : public QStyledItemDelegate {
 public:
  explicit TDelegate(TTreeWidget* tree) : QStyledItemDelegate(tree), tree_(tree) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    LiftLengthLimit(qobject_cast<QLineEdit*>(editor));
    tree_->EditorOpened(editor, tree_->openingFromClick_);
    return editor;
  }
  // A title left as it was is not written back: the node keeps its bytes.
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || tree_->tentative_ || line->text() == index.data(Qt::EditRole).toString()) return;
    tree_->LabelEdited(tree_->itemFromIndex(index), line->text());
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride && tree_->tentative_) {
      event->ignore();
      return true;
    }
    // Return in an editor nobody has typed into is the tree's Return: the click that opened the
    // editor was only meant to select, and the keys typed next are meant for the code.
    if (event->type() == QEvent::KeyPress && tree_->tentative_ && IsPlainReturn(*static_cast<QKeyEvent*>(event))) {
      tree_->TentativeReturn();
      return true;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (tree_->hotTrack_ && (option->state & QStyle::State_MouseOver)) option->font.setUnderline(true);
  }

 private:
  TTreeWidget* tree_;
};

TTreeWidget::TTreeWidget(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderHidden(true);
  setUniformRowHeights(true);  // the layout never measures rows one by one
  setIndentation(19);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::SelectedClicked);
  setAnimated(false);
  setAutoScroll(false);  // a drag scrolls only by the window's own edge rule
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
  setDragDropMode(QAbstractItemView::DragDrop);
  setItemDelegate(new TDelegate(this));
  // The selection stays visible when the tree loses the focus.
  QPalette p = palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  setPalette(p);
  boldFont_ = font();
  boldFont_.setBold(true);

  clickEdit_.setSingleShot(true);
  connect(&clickEdit_, &QTimer::timeout, this, [this] { StartClickEdit(); });
  dragScroll_.setInterval(100);
  connect(&dragScroll_, &QTimer::timeout, this, [this] { ScrollOneLine(dragScrollDirection_); });
  // The selection moves with the current item, or alone (focusing the tree makes its first item
  // current without selecting it; selecting it later moves no current item).
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { SelectionMoved(); });
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionMoved(); });
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (!locks_ && Events) platform::RunGuarded([&] { Events->TreeExpanded(Handle(item)); });
  });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (!locks_ && Events) platform::RunGuarded([&] { Events->TreeCollapsed(Handle(item)); });
  });
}

TTreeWidget::~TTreeWidget() {
  CancelClickEdit();
  // The items go without reports: the base classes outlive this part of the object.
  Events = nullptr;
  disconnect(this, nullptr, this, nullptr);
  DeleteAllItems();
}

void TTreeWidget::DeleteAllItems() {
  reported_ = nullptr;
  // Closed first: the view keeps a persistent index for each open folder, and a removal checks every
  // one of them up to the top, which takes minutes for a deep tree that is open all the way down.
  collapseAll();
  for (QTreeWidgetItem* top : invisibleRootItem()->takeChildren()) DeleteDetached(top);
}

void TTreeWidget::SetImages(TImageList* images) {
  images_ = images;
}

// Reports each new selection once, however Qt announced it; under the update lock the new state is
// only noted, so a selection made after the lock is reported even when it was the selection before.
void TTreeWidget::SelectionMoved() {
  TTreeItem* selected = Selected();
  if (selected == reported_) return;
  CancelClickEdit();
  reported_ = selected;
  if (!locks_ && Events) platform::RunGuarded([&] { Events->TreeChange(selected); });
}

void TTreeWidget::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers : QAbstractItemView::SelectedClicked);
  setDragEnabled(!readOnly);
}

void TTreeWidget::SetHotTrack(bool on) {
  hotTrack_ = on;
  setMouseTracking(on);
  viewport()->setAttribute(Qt::WA_Hover, on);
}

QIcon TTreeWidget::IconFor(int image) const {
  return images_ ? images_->Icon(image) : QIcon();
}

// ---- ITreeView ----

void TTreeWidget::BeginUpdate() {
  if (locks_++ == 0) setUpdatesEnabled(false);
}

void TTreeWidget::EndUpdate() {
  if (locks_ > 0 && --locks_ == 0) setUpdatesEnabled(true);
}

void TTreeWidget::Clear() {
  BeginUpdate();
  DeleteAllItems();
  EndUpdate();
}

int TTreeWidget::IndexIn(QTreeWidgetItem* parent, QTreeWidgetItem* item) const {
  return parent ? parent->indexOfChild(item) : indexOfTopLevelItem(item);
}

void TTreeWidget::Insert(QTreeWidgetItem* parent, int index, const QList<QTreeWidgetItem*>& items) {
  if (parent)
    parent->insertChildren(index, items);
  else
    insertTopLevelItems(index, items);
}

// An item that belongs to no tree is a plain object of its own (no QObject, no model, nothing
// shared but implicitly shared values), so a large tree's items are made on a few threads, each a
// run of the list that it also links wherever the parent is in the same run. The links across runs
// come after, here, in order: a parent's children thus join it in the order of the list.
QList<QTreeWidgetItem*> TTreeWidget::MakeItems(const std::vector<TTreeItemSpec>& specs,
                                               std::vector<QTreeWidgetItem*>& made) const {
  const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                              (readOnly_ && !renameByCommand_ ? Qt::ItemFlags() : Qt::ItemIsEditable);
  const QFont bold = boldFont_;  // each thread copies it once more: the copies share one font
  auto make = [&](size_t first, size_t last) {
    const QFont font = bold;
    for (size_t i = first; i < last; ++i) {
      const TTreeItemSpec& s = specs[i];
      auto* item = new TNodeItem(s.Node, s.Image, s.Text);
      made[i] = item;
      if (s.Bold) item->setFont(0, font);
      item->setFlags(flags);
      Q_ASSERT(s.Parent < static_cast<int>(i));  // a parent comes before its children: made already
      if (s.Parent >= 0 && size_t(s.Parent) >= first) made[size_t(s.Parent)]->addChild(item);
    }
  };
  // Taken apart leaves first (each the last child of its parent by then) so no item deletes another.
  auto discard = [&] {
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      if (!*it) continue;
      if (QTreeWidgetItem* parent = (*it)->parent()) parent->takeChild(parent->indexOfChild(*it));
      delete *it;
      *it = nullptr;
    }
  };
  // Each item is new memory of its own: the system's work of handing it out is shared too.
  const size_t threads = platform::SharedWorkShares({.Nodes = specs.size(), .ScalesWithThreads = true});
  const size_t per = (specs.size() + threads - 1) / threads;
  try {
    platform::RunShared(threads, [&](size_t k) { make(k * per, std::min((k + 1) * per, specs.size())); });
  } catch (...) {
    discard();
    throw;
  }
  QList<QTreeWidgetItem*> tops;
  for (size_t i = 0; i < specs.size(); ++i) {
    const int parent = specs[i].Parent;
    if (parent < 0)
      tops.append(made[i]);
    else if (size_t(parent) < i / per * per)  // in an earlier run
      made[size_t(parent)]->addChild(made[i]);
  }
  return tops;
}

// Items made detached from the tree, on any thread; those never inserted go with them.
class TTreeWidget::TMadeItems : public TPreparedItems {
 public:
  ~TMadeItems() override {
    for (QTreeWidgetItem* top : tops) DeleteDetached(top);
  }
  size_t Count() const override { return made.size(); }
  QList<QTreeWidgetItem*> tops;          // the items without a parent among them; none once inserted
  std::vector<QTreeWidgetItem*> made;    // one per spec, in order
  std::vector<QTreeWidgetItem*> opened;  // the folders to open once they are in the tree
  bool Made(std::vector<TTreeItem*>& items) const override {
    items.resize(made.size());
    std::transform(made.begin(), made.end(), items.begin(), [](QTreeWidgetItem* item) { return Handle(item); });
    return true;
  }
};

std::unique_ptr<TPreparedItems> TTreeWidget::PrepareItems(const std::vector<TTreeItemSpec>& specs) const {
  auto part = std::make_unique<TMadeItems>();
  part->made.resize(specs.size());
  part->tops = MakeItems(specs, part->made);
  for (size_t i = 0; i < specs.size(); ++i)
    if (specs[i].Expanded) part->opened.push_back(part->made[i]);
  return part;
}

void TTreeWidget::InsertItems(TTreeItem* parent, TTreeItem* before, const std::vector<TTreeItemSpec>& specs,
                              std::vector<TTreeItem*>& out) {
  std::vector<std::unique_ptr<TPreparedItems>> parts;
  parts.push_back(PrepareItems(specs));
  InsertPrepared(parent, before, std::move(parts), out);
}

void TTreeWidget::InsertPrepared(TTreeItem* parentHandle, TTreeItem* before,
                                 std::vector<std::unique_ptr<TPreparedItems>> parts, std::vector<TTreeItem*>& out) {
  BeginUpdate();
  // Every item was made while it was detached from the tree and joins it in one insertion: the
  // model hears of one block of rows, not of each item.
  QList<QTreeWidgetItem*> tops;
  size_t count = 0;
  for (const std::unique_ptr<TPreparedItems>& part : parts) {
    Q_ASSERT(dynamic_cast<TMadeItems*>(part.get()));
    const auto& made = static_cast<const TMadeItems&>(*part);
    tops.append(made.tops);
    count += made.made.size();
  }
  QTreeWidgetItem* parent = ItemOf(parentHandle);
  const int index = before ? IndexIn(parent, ItemOf(before)) : (parent ? parent->childCount() : topLevelItemCount());
  Insert(parent, index < 0 ? 0 : index, tops);
  out.clear();
  out.reserve(count);
  for (const std::unique_ptr<TPreparedItems>& part : parts) {
    auto& made = static_cast<TMadeItems&>(*part);
    made.tops.clear();
    for (QTreeWidgetItem* item : made.made) out.push_back(Handle(item));
  }
  for (const std::unique_ptr<TPreparedItems>& part : parts)
    for (QTreeWidgetItem* folder : static_cast<const TMadeItems&>(*part).opened) folder->setExpanded(true);
  EndUpdate();
}

void TTreeWidget::RemoveItem(TTreeItem* item) {
  BeginUpdate();
  if (QTreeWidgetItem* gone = ItemOf(item)) {
    QTreeWidgetItem* parent = gone->parent();
    DeleteDetached(parent ? parent->takeChild(parent->indexOfChild(gone))
                          : takeTopLevelItem(indexOfTopLevelItem(gone)));
  }
  reported_ = Selected();  // the item's address may come back for a new one
  EndUpdate();
}

void TTreeWidget::MoveItem(TTreeItem* handle, TTreeItem* parentHandle, TTreeItem* before) {
  QTreeWidgetItem* item = ItemOf(handle);
  if (!item) return;
  BeginUpdate();
  // Taking an item out forgets the expansion below it; it is put back afterwards.
  std::vector<QTreeWidgetItem*> expanded, stack{item};
  while (!stack.empty()) {
    QTreeWidgetItem* i = stack.back();
    stack.pop_back();
    if (i->isExpanded()) expanded.push_back(i);
    for (int c = 0; c < i->childCount(); ++c) stack.push_back(i->child(c));
  }
  QTreeWidgetItem* oldParent = item->parent();
  if (oldParent)
    oldParent->takeChild(oldParent->indexOfChild(item));
  else
    takeTopLevelItem(indexOfTopLevelItem(item));
  QTreeWidgetItem* parent = ItemOf(parentHandle);
  const int index = before ? IndexIn(parent, ItemOf(before)) : (parent ? parent->childCount() : topLevelItemCount());
  Insert(parent, index < 0 ? 0 : index, {item});
  for (QTreeWidgetItem* e : expanded) e->setExpanded(true);
  EndUpdate();
}

TxevXMLNode2* TTreeWidget::NodeOf(TTreeItem* handle) const {
  QTreeWidgetItem* item = ItemOf(handle);
  return item && item->type() == TNodeItem::kType ? static_cast<TNodeItem*>(item)->node : nullptr;
}

void TTreeWidget::SetText(TTreeItem* item, std::string_view text) {
  ItemOf(item)->setText(0, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int TTreeWidget::ImageOf(TTreeItem* handle) const {
  QTreeWidgetItem* item = ItemOf(handle);
  return item && item->type() == TNodeItem::kType ? static_cast<TNodeItem*>(item)->image : -1;
}

void TTreeWidget::SetImage(TTreeItem* handle, int image) {
  QTreeWidgetItem* item = ItemOf(handle);
  if (!item || item->type() != TNodeItem::kType) return;
  static_cast<TNodeItem*>(item)->SetImage(image);
}

TTreeItem* TTreeWidget::Selected() const {
  QTreeWidgetItem* current = currentItem();
  return current && current->isSelected() ? Handle(current) : nullptr;
}

void TTreeWidget::Select(TTreeItem* handle) {
  QTreeWidgetItem* item = ItemOf(handle);
  if (handle == Selected() && item == currentItem()) return;
  if (!item) {
    setCurrentItem(nullptr);
    clearSelection();
    return;
  }
  setCurrentItem(item);
  // As a click would: scrolled into view, every closed folder above it opened (and reported).
  if (!locks_) ScrollIntoView(indexFromItem(item), TScrollRule::WithFolder);
}

bool TTreeWidget::IsExpanded(TTreeItem* item) const {
  return ItemOf(item) && ItemOf(item)->isExpanded();
}

void TTreeWidget::SetExpanded(TTreeItem* item, bool expanded) {
  if (ItemOf(item)) ItemOf(item)->setExpanded(expanded);
}

void TTreeWidget::FullExpand() {
  expandAll();
}

void TTreeWidget::FullCollapse() {
  collapseAll();
}

void TTreeWidget::StartEdit(TTreeItem* item) {
  if (ItemOf(item) && (!readOnly_ || renameByCommand_)) editItem(ItemOf(item), 0);
}

bool TTreeWidget::IsEditing() const {
  return state() == QAbstractItemView::EditingState;
}

bool TTreeWidget::HasFocus() const {
  const QWidget* focus = window() ? window()->focusWidget() : nullptr;
  return focus && (focus == this || isAncestorOf(focus));
}

void TTreeWidget::SetFocus() {
  setFocus(Qt::OtherFocusReason);
}

void TTreeWidget::MakeVisible(TTreeItem* item) {
  if (ItemOf(item) && !locks_) ScrollIntoView(indexFromItem(ItemOf(item)), TScrollRule::WithFolder);
}

void TTreeWidget::LabelEdited(QTreeWidgetItem* item, const QString& text) {
  if (!item || locks_ || !Events) return;
  const std::string utf8 = text.toUtf8().toStdString();
  platform::RunGuarded([&] { Events->TreeEdited(Handle(item), utf8); });
}

// Every way into label editing passes here; programmatic starts (the commands, and the delayed start
// of a click on the selected item) come with AllEditTriggers. The start is reported before the
// editor opens, while the selection can still move.
bool TTreeWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (trigger == QAbstractItemView::SelectedClicked) {
    // The click's edit waits here rather than in the base class, where nothing could drop it.
    if (!releaseOfDoubleClick_ && (editTriggers() & trigger) && !readOnly_ && index.isValid() &&
        state() != QAbstractItemView::EditingState && (model()->flags(index) & Qt::ItemIsEditable))
      ArmClickEdit(index);
    return false;
  }
  if (trigger == QAbstractItemView::AllEditTriggers && (!readOnly_ || renameByCommand_) && !locks_ && Events &&
      index.isValid() && state() != QAbstractItemView::EditingState && (model()->flags(index) & Qt::ItemIsEditable)) {
    CancelClickEdit();
    const QPersistentModelIndex keep(index);
    QTreeWidgetItem* item = itemFromIndex(index);
    platform::RunGuarded([&] { Events->TreeEditing(Handle(item)); });
    if (!keep.isValid()) return false;
    return QTreeWidget::edit(keep, trigger, event);
  }
  return QTreeWidget::edit(index, trigger, event);
}

// ---- the label edit of a click on the selected item ----

void TTreeWidget::ArmClickEdit(const QModelIndex& index) {
  clickIndex_ = index;
  clickEdit_.start(QApplication::doubleClickInterval());
  // Whatever the user does next, anywhere in the program, comes first.
  if (!watchingApp_) {
    watchingApp_ = true;
    qApp->installEventFilter(this);
  }
}

void TTreeWidget::CancelClickEdit() {
  clickEdit_.stop();
  clickIndex_ = QPersistentModelIndex();
  if (watchingApp_) {
    watchingApp_ = false;
    qApp->removeEventFilter(this);
  }
}

void TTreeWidget::StartClickEdit() {
  const QPersistentModelIndex index = clickIndex_;
  CancelClickEdit();
  if (!index.isValid() || index != currentIndex() || !selectionModel()->isSelected(index) || !hasFocus() ||
      state() != QAbstractItemView::NoState)
    return;
  openingFromClick_ = true;
  edit(index, QAbstractItemView::AllEditTriggers, nullptr);
  openingFromClick_ = false;
}

bool TTreeWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watchingApp_) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        CancelClickEdit();
        break;
      default:
        break;
    }
  }
  return QTreeWidget::eventFilter(watched, event);
}

void TTreeWidget::EditorOpened(QWidget* editor, bool tentative) {
  tentative_ = tentative;
  editor_ = editor;
  if (auto* line = qobject_cast<QLineEdit*>(editor))
    connect(line, &QLineEdit::textEdited, this, [this] { EditorTouched(); });
}

void TTreeWidget::EditorTouched() {
  if (!tentative_) return;
  tentative_ = false;
  if (OnEditTouched) platform::RunGuarded([&] { OnEditTouched(); });
}

void TTreeWidget::YieldToCommand() {
  CancelClickEdit();
  if (!TentativeEdit()) return;
  if (editor_) closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
}

void TTreeWidget::TentativeReturn() {
  YieldToCommand();
  if (OnReturn && !IsEditing()) platform::RunGuarded([&] { OnReturn(); });
}

void TTreeWidget::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTreeWidget::closeEditor(editor, hint);
  if (!IsEditing()) tentative_ = false;
}

void TTreeWidget::focusOutEvent(QFocusEvent* event) {
  CancelClickEdit();
  QTreeWidget::focusOutEvent(event);
}

void TTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  releaseOfDoubleClick_ = false;
}

void TTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  CancelClickEdit();
  releaseOfDoubleClick_ = true;
  QTreeWidget::mouseDoubleClickEvent(event);
}

// The drag's edge rule switched Qt's auto-scroll off, and with it the scrolling to the current item:
// a current item moved by the keyboard (Down, End, Page Down, ...) is brought into view here.
void TTreeWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTreeWidget::currentChanged(current, previous);
  if (current.isValid() && !locks_ && state() != QAbstractItemView::DragSelectingState)
    ScrollIntoView(current, TScrollRule::Nearest);
}

// Up and down only: the tree stays where the user scrolled it sideways, so that a deep node does not
// push every folder out of a narrow pane. Before the tree has its size (a selection made while the
// window is being shown) this waits for it.
void TTreeWidget::ScrollIntoView(const QModelIndex& index, TScrollRule rule) {
  if (!index.isValid()) return;
  // Its closed folders open now, as a click would open them, not when the scroll comes: a selection
  // restored at start opens them while the databank is being read, which is no change of the view.
  for (QModelIndex folder = index.parent(); folder.isValid(); folder = folder.parent())
    if (!isExpanded(folder)) expand(folder);
  if (!isVisible() || viewport()->height() < 2 * std::max(1, sizeHintForRow(0))) {
    pendingScroll_ = index;
    pendingRule_ = rule;
    return;
  }
  pendingScroll_ = QPersistentModelIndex();
  QScrollBar* sideways = horizontalScrollBar();
  const int left = sideways->value();
  scrollTo(index, EnsureVisible);
  const QModelIndex folder = index.parent();
  if (rule == TScrollRule::WithFolder && folder.isValid()) {
    const QRect row = visualRect(index), above = visualRect(folder);
    if (above.top() < 0 && row.bottom() - above.top() < viewport()->height()) scrollTo(folder, PositionAtTop);
  }
  sideways->setValue(left);
}

void TTreeWidget::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  if (pendingScroll_.isValid() && !locks_) ScrollIntoView(pendingScroll_, pendingRule_);
}

// A tree that was hidden (the whole tree behind the filter's results) shows its selection.
void TTreeWidget::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  if (pendingScroll_.isValid() && !locks_) ScrollIntoView(pendingScroll_, pendingRule_);
}

// ---- keyboard ----

void TTreeWidget::keyPressEvent(QKeyEvent* event) {
  // Shift+F10 is the other key of the context menu; the Menu key arrives as a context-menu event.
  if (event->key() == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
    event->accept();
    KeyboardContextMenu();
    return;
  }
  // Ctrl+Tab and Ctrl+Shift+Tab go on to the next or previous control, as from the editors.
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
      (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
    event->accept();
    const bool forward = event->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier);
    if (OnNextControl)
      platform::RunGuarded([&] { OnNextControl(forward); });
    else
      focusNextPrevChild(forward);
    return;
  }
  if (IsPlainReturn(*event) && OnReturn && !IsEditing()) {
    event->accept();
    platform::RunGuarded([&] { OnReturn(); });
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void TTreeWidget::SetEmptyText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

void TTreeWidget::paintEvent(QPaintEvent* event) {
  QTreeWidget::paintEvent(event);
  if (emptyText_.isEmpty() || topLevelItemCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
  const QRect room = viewport()->rect().adjusted(4, 8, -4, -4);
  painter.drawText(room, int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap), emptyText_);
}

void TTreeWidget::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (event->reason() == QContextMenuEvent::Mouse) return;  // the mouse handler has shown it already
  KeyboardContextMenu();
}

void TTreeWidget::KeyboardContextMenu() {
  if (!OnContextMenu || IsEditing()) return;
  QPoint at(0, 0);
  if (QTreeWidgetItem* item = ItemOf(Selected())) {
    ScrollIntoView(indexFromItem(item), TScrollRule::Nearest);
    const QRect r = visualItemRect(item);
    at = QPoint(r.left() + std::min(r.width(), 24), r.bottom());
  }
  const QPoint global = viewport()->mapToGlobal(at);
  platform::RunGuarded([&] { OnContextMenu(global); });
}

// ---- mouse ----

void TTreeWidget::mousePressEvent(QMouseEvent* event) {
  releaseOfDoubleClick_ = false;  // a new click, whatever became of the last one's release
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (event->button() == Qt::RightButton) {
    setFocus(Qt::MouseFocusReason);
    Select(Handle(item));
    if (OnContextMenu) platform::RunGuarded([&] { OnContextMenu(event->globalPosition().toPoint()); });
    event->accept();
    return;
  }
  if (!item && event->button() == Qt::LeftButton) Select(nullptr);
  QTreeWidget::mousePressEvent(event);
}

void TTreeWidget::mouseMoveEvent(QMouseEvent* event) {
  QTreeWidget::mouseMoveEvent(event);
  if (hotTrack_) viewport()->setCursor(itemAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TTreeWidget::leaveEvent(QEvent* event) {
  QTreeWidget::leaveEvent(event);
  if (hotTrack_) viewport()->unsetCursor();
}

// ---- dragging ----

TTreeWidget::TDropZone TTreeWidget::DropZoneAt(QPoint pos, QTreeWidgetItem** target) const {
  *target = nullptr;
  if (pos.y() < kDragScrollMargin) return TDropZone::ScrollUp;
  if (pos.y() >= viewport()->height() - kDragScrollMargin) return TDropZone::ScrollDown;
  QTreeWidgetItem* item = itemAt(pos);
  if (!item) return TDropZone::BelowItems;  // a row spans the whole width: no row means below them
  // The item's own area: its picture, its label and the rest of its row, not the indentation and
  // expand button before it.
  if (!visualItemRect(item).contains(pos)) return TDropZone::Refused;
  *target = item;
  return TDropZone::OnItem;
}

bool TTreeWidget::DragOver(QPoint pos) {
  QTreeWidgetItem* target = nullptr;
  const TDropZone zone = DropZoneAt(pos, &target);
  if (zone == TDropZone::ScrollUp || zone == TDropZone::ScrollDown) {
    dragScrollDirection_ = zone == TDropZone::ScrollUp ? -1 : 1;
    ScrollOneLine(dragScrollDirection_);
    if (!dragScroll_.isActive()) dragScroll_.start();  // the pointer may rest there
    return false;
  }
  StopDragScroll();
  if (!dragItem_ || zone == TDropZone::Refused || !OnCanDrop) return false;
  return OnCanDrop(Handle(dragItem_), Handle(target));
}

bool TTreeWidget::Drop(QPoint pos) {
  StopDragScroll();
  if (!dragItem_ || !DragOver(pos)) return false;
  QTreeWidgetItem* target = nullptr;
  DropZoneAt(pos, &target);
  QTreeWidgetItem* dragged = dragItem_;
  if (OnDrop) platform::RunGuarded([&] { OnDrop(Handle(dragged), Handle(target)); });
  return true;
}

void TTreeWidget::ScrollOneLine(int direction) {
  verticalScrollBar()->triggerAction(direction < 0 ? QAbstractSlider::SliderSingleStepSub
                                                   : QAbstractSlider::SliderSingleStepAdd);
}

void TTreeWidget::StopDragScroll() {
  dragScroll_.stop();
  dragScrollDirection_ = 0;
}

void TTreeWidget::startDrag(Qt::DropActions) {
  QTreeWidgetItem* item = currentItem();
  if (readOnly_ || !item) return;
  dragItem_ = item;
  auto* drag = new QDrag(this);
  auto* data = new QMimeData;
  data->setData(kDragFormat, QByteArray());
  drag->setMimeData(data);
  drag->setPixmap(item->icon(0).pixmap(16, 16));
  drag->exec(Qt::MoveAction);  // the window has moved the node already, or nothing happened
  dragItem_ = nullptr;
  StopDragScroll();
}

void TTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (dragItem_ && event->mimeData()->hasFormat(kDragFormat))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (dragItem_ && event->mimeData()->hasFormat(kDragFormat) && DragOver(event->position().toPoint()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TTreeWidget::dragLeaveEvent(QDragLeaveEvent* event) {
  StopDragScroll();
  QTreeWidget::dragLeaveEvent(event);
}

void TTreeWidget::dropEvent(QDropEvent* event) {
  // Checked again: the tree may have changed since the pointer last moved.
  if (dragItem_ && event->mimeData()->hasFormat(kDragFormat) && Drop(event->position().toPoint()))
    event->acceptProposedAction();
  else
    event->ignore();
}

bool TTreeWidget::DragSelectedTo(QPoint pos) {
  QTreeWidgetItem* item = currentItem();
  if (!item || readOnly_) return false;
  dragItem_ = item;
  const bool dropped = Drop(pos);
  dragItem_ = nullptr;
  StopDragScroll();
  return dropped;
}
