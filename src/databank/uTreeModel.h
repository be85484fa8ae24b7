// The tree window's model of the open databank, in plain code: what each folder and record looks
// like in the tree (text, bold, image, expanded), the tree images' index ranges, the map from nodes
// and node IDs to the items of the tree, and the tree widget as the window drives it.
//
// The tree shows exactly the "folder" and "record" elements of the document, in document order,
// descending only into folders. Every change of the tree goes to the document first; the items are
// then patched to match, so the items always equal what a fresh build from the document gives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

class TxevXMLNode2;

// ---- images ----

// Index ranges of the tree image list: folder images come in pairs (closed, then open) from
// FolderFirst to FolderLast; record images follow from RecordFirst to RecordLast.
struct TTreeImageRanges {
  int FolderFirst = 0;
  int FolderLast = -1;
  int RecordFirst = 0;
  int RecordLast = -1;
  int Count() const { return RecordLast >= FolderLast ? RecordLast + 1 : FolderLast + 1; }
};

// An index outside the folder range comes back unchanged; inside it, the closed image of its pair,
// plus 1 when open.
int ImageForState(const TTreeImageRanges& ranges, int index, bool open);

// What the window uses to pick images: the ranges and the databank's default images.
struct TTreeImages {
  TTreeImageRanges Ranges;
  int DefaultFolderImage = 0;
  int DefaultDocImage = 0;
  // A stored index the list does not hold reads as the default of its kind; so does a default that
  // the list does not hold (the first folder / record image then).
  int FolderImage(const TxevXMLNode2* folder, bool open) const;
  int RecordImage(const TxevXMLNode2* record) const;
  int NodeImage(const TxevXMLNode2* node, bool open) const;
  // The same from the text of the node's "Image" attribute (nullptr: it has none).
  int ImageFromAttribute(bool folder, const std::string* stored, bool open) const;
  int ValidFolderDefault() const;
  int ValidRecordDefault() const;
};

// ---- the display model ----

// One item as the tree shows it.
struct TTreeItemSpec {
  TxevXMLNode2* Node = nullptr;
  int Parent = -1;        // index of the parent's spec in the same list; -1: the place the list goes to
  std::string_view Text;  // the node's title (valid while the node lives)
  int Image = 0;
  bool Bold = false;
  bool Folder = false;
  bool Expanded = false;  // a folder whose "expanded" attribute is "1"
  int ID = -1;            // the node's ID when written in plain decimal and not negative, else -1
};

TTreeItemSpec ItemSpecOf(TxevXMLNode2* node, int parent, const TTreeImages& images);
// node and everything below it the tree shows, pre-order, appended to out.
void AppendSubtreeSpecs(TxevXMLNode2* node, const TTreeImages& images, std::vector<TTreeItemSpec>& out);
// Every item below root (the document element), pre-order.
std::vector<TTreeItemSpec> BuildTreeSpecs(TxevXMLNode2* root, const TTreeImages& images);

// Structure queries in tree terms (folders and records only).
TxevXMLNode2* PrevTreeSibling(const TxevXMLNode2* node);
TxevXMLNode2* NextTreeSibling(const TxevXMLNode2* node);
// The parent when it is a folder, else nullptr (a top-level node).
TxevXMLNode2* ParentFolder(const TxevXMLNode2* node);
// The node before this one in display order (a full expansion): the last node below the previous
// sibling, else the parent folder; nullptr for the first node.
TxevXMLNode2* PrecedingTreeNode(const TxevXMLNode2* node);
// node equals ancestor or lies below it.
bool IsSameOrInside(const TxevXMLNode2* node, const TxevXMLNode2* ancestor);

// ---- the tree widget ----

// An item of the tree widget, opaque to the window.
struct TTreeItem;

// Items made ahead of their insertion (ITreeView::PrepareItems); what was never inserted is freed
// with them.
class TPreparedItems {
 public:
  virtual ~TPreparedItems() = default;
  // How many items the part holds.
  virtual size_t Count() const = 0;
  // The items made, one per spec in order, where the view makes them ahead (on any thread); false
  // where it makes them only as it inserts them.
  virtual bool Made(std::vector<TTreeItem*>& items) const {
    (void)items;
    return false;
  }
};

// What the tree widget tells the window.
class ITreeViewEvents {
 public:
  virtual ~ITreeViewEvents() = default;
  virtual void TreeChange(TTreeItem* item) = 0;  // the selection moved (item may be nullptr)
  virtual void TreeExpanded(TTreeItem* item) = 0;
  virtual void TreeCollapsed(TTreeItem* item) = 0;
  virtual void TreeEditing(TTreeItem* item) = 0;                          // label editing is about to start
  virtual void TreeEdited(TTreeItem* item, const std::string& text) = 0;  // finished, not cancelled
};

// The tree widget as the window drives it. While the update lock is held the widget neither
// repaints nor reports any event.
class ITreeView {
 public:
  virtual ~ITreeView() = default;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual bool Updating() const = 0;
  virtual void Clear() = 0;
  // Creates one item per spec in order, below parent (nullptr: the top level) before `before` (nullptr:
  // at the end); a spec whose Parent is an index goes below that spec's item. Folders are expanded as
  // their spec says. out receives the items in spec order.
  virtual void InsertItems(TTreeItem* parent, TTreeItem* before, const std::vector<TTreeItemSpec>& specs,
                           std::vector<TTreeItem*>& out) = 0;
  // The items of specs made without touching the view: any thread may call it, several at once, while
  // the window goes on (a large tree is made beside the window). Each part's Parent indices are its own.
  virtual std::unique_ptr<TPreparedItems> PrepareItems(const std::vector<TTreeItemSpec>& specs) const;
  // Inserts parts made by PrepareItems of this view, one after the other, as InsertItems inserts the
  // specs they were made of joined in that order; out receives the items in that order.
  virtual void InsertPrepared(TTreeItem* parent, TTreeItem* before, std::vector<std::unique_ptr<TPreparedItems>> parts,
                              std::vector<TTreeItem*>& out);
  // Removes the item and its subtree.
  virtual void RemoveItem(TTreeItem* item) = 0;
  // Moves the item with its subtree (and the subtree's expansion) below parent before `before`.
  virtual void MoveItem(TTreeItem* item, TTreeItem* parent, TTreeItem* before) = 0;
  virtual TxevXMLNode2* NodeOf(TTreeItem* item) const = 0;
  virtual void SetText(TTreeItem* item, std::string_view text) = 0;
  virtual int ImageOf(TTreeItem* item) const = 0;
  virtual void SetImage(TTreeItem* item, int image) = 0;
  virtual TTreeItem* Selected() const = 0;
  // Selects item (nullptr clears the selection) and, unless locked, scrolls it into view, expanding
  // its collapsed ancestors as a user's click would (each expansion is reported).
  virtual void Select(TTreeItem* item) = 0;
  virtual bool IsExpanded(TTreeItem* item) const = 0;
  virtual void SetExpanded(TTreeItem* item, bool expanded) = 0;
  virtual void FullExpand() = 0;
  virtual void FullCollapse() = 0;
  // Starts label editing of the item (TreeEditing is reported before the editor opens).
  virtual void StartEdit(TTreeItem* item) = 0;
  virtual bool IsEditing() const = 0;
  virtual bool HasFocus() const = 0;
  virtual void SetFocus() = 0;
  virtual void MakeVisible(TTreeItem* item) = 0;
};

// RAII for the update lock.
class TTreeUpdateLock {
 public:
  explicit TTreeUpdateLock(ITreeView& view) : view_(view) { view_.BeginUpdate(); }
  ~TTreeUpdateLock() { view_.EndUpdate(); }
  TTreeUpdateLock(const TTreeUpdateLock&) = delete;
  TTreeUpdateLock& operator=(const TTreeUpdateLock&) = delete;

 private:
  ITreeView& view_;
};

// ---- the map from nodes and IDs to items ----

// A hash table of key and value pairs, a key allowed more than once: open addressing with linear
// probing over an array of a power of two slots kept at most half full, removal by shifting back (no
// tombstones). Hundreds of thousands of entries go in without an allocation each, which is what
// keeps a large paste's landing in the tree short.
template <class K, class V>
class TFlatMultiMap {
 public:
  size_t Size() const { return size_; }
  void Clear() {
    std::vector<TSlot>().swap(slots_);
    size_ = 0;
  }
  // Room for count entries in all.
  void Reserve(size_t count) {
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
  }
  void Insert(K key, V value) {
    Reserve(size_ + 1);
    size_t i = Home(key);
    while (slots_[i].Used) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = TSlot{key, value, true};
    ++size_;
  }
  // The value of key's first entry is made value, or an entry is added; true when added.
  bool InsertOrAssign(K key, V value) {
    if (V* found = Find(key)) {
      *found = value;
      return false;
    }
    Insert(key, value);
    return true;
  }
  // The value of an entry of key, nullptr when there is none.
  V* Find(K key) {
    if (size_ == 0) return nullptr;
    for (size_t i = Home(key); slots_[i].Used; i = (i + 1) & (slots_.size() - 1))
      if (slots_[i].Key == key) return &slots_[i].Value;
    return nullptr;
  }
  const V* Find(K key) const { return const_cast<TFlatMultiMap*>(this)->Find(key); }
  // Every value of key, in no particular order.
  std::vector<V> FindAll(K key) const {
    std::vector<V> all;
    if (size_ == 0) return all;
    for (size_t i = Home(key); slots_[i].Used; i = (i + 1) & (slots_.size() - 1))
      if (slots_[i].Key == key) all.push_back(slots_[i].Value);
    return all;
  }
  // Calls f(key, value) for every entry.
  template <class F>
  void ForEach(F&& f) const {
    for (const TSlot& slot : slots_)
      if (slot.Used) f(slot.Key, slot.Value);
  }
  // Removes the first entry of key whose value is value (any value when match is false); true when
  // one was removed.
  bool Erase(K key, V value, bool match = true) {
    if (size_ == 0) return false;
    const size_t mask = slots_.size() - 1;
    for (size_t i = Home(key); slots_[i].Used; i = (i + 1) & mask) {
      if (slots_[i].Key != key || (match && !(slots_[i].Value == value))) continue;
      // The entries after it that would no longer be found move back into the gap.
      size_t gap = i;
      for (size_t j = (i + 1) & mask; slots_[j].Used; j = (j + 1) & mask) {
        const size_t home = Home(slots_[j].Key);
        const bool staysAfterGap = gap <= j ? (gap < home && home <= j) : (gap < home || home <= j);
        if (staysAfterGap) continue;
        slots_[gap] = slots_[j];
        gap = j;
      }
      slots_[gap].Used = false;
      --size_;
      return true;
    }
    return false;
  }

 private:
  struct TSlot {
    K Key{};
    V Value{};
    bool Used = false;
  };
  size_t Home(K key) const {
    uint64_t x;
    if constexpr (std::is_pointer_v<K>)
      x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key));
    else
      x = static_cast<uint64_t>(key);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<size_t>(x) & (slots_.size() - 1);
  }
  void Rehash(size_t capacity) {
    std::vector<TSlot> old;
    old.swap(slots_);
    slots_.resize(capacity);
    size_ = 0;
    for (const TSlot& slot : old)
      if (slot.Used) {
        size_t i = Home(slot.Key);
        while (slots_[i].Used) i = (i + 1) & (capacity - 1);
        slots_[i] = slot;
        ++size_;
      }
  }

  std::vector<TSlot> slots_;
  size_t size_ = 0;
};

// Kept in step with every change of the tree, so no lookup ever walks the widget.
class TTreeNodeMap {
 public:
  // The entries of many new nodes made beside the window (a large paste), which the map then takes
  // as they are: the window's thread adds none of them one by one. The map keeps a few such parts
  // beside its own table and folds the smallest into it when there are more.
  class TPart {
   public:
    size_t Size() const { return items_.Size(); }

   private:
    friend class TTreeNodeMap;
    TFlatMultiMap<const TxevXMLNode2*, TTreeItem*> items_;
    TFlatMultiMap<int, TxevXMLNode2*> ids_;
  };
  // A part for nodes no map holds yet: the node of each spec with the item of the same index, the
  // IDs taken from the specs. Made on any thread.
  static std::unique_ptr<TPart> MakePart(const std::vector<TTreeItemSpec>& specs, const std::vector<TTreeItem*>& items);
  void AddPart(std::unique_ptr<TPart> part);

  void Clear();
  void Add(TxevXMLNode2* node, TTreeItem* item);
  // The node of each spec with the item of the same index (as InsertItems made them), the IDs taken
  // from the specs.
  void AddAll(const std::vector<TTreeItemSpec>& specs, const std::vector<TTreeItem*>& items);
  // Room for count more nodes, before adding many at once.
  void Reserve(size_t count);
  // Forgets node and every node below it.
  void RemoveSubtree(const TxevXMLNode2* node);
  TTreeItem* ItemOf(const TxevXMLNode2* node) const;
  bool Contains(const TxevXMLNode2* node) const { return ItemOf(node) != nullptr; }
  // The first node in display order whose "ID" text is the decimal text of id; nullptr for a
  // negative id or none.
  TxevXMLNode2* FindByID(int id) const;
  size_t Size() const;

 private:
  static constexpr size_t kMostParts = 4;
  void AddID(TxevXMLNode2* node);
  // Forgets node from whichever table holds it.
  void Forget(const TxevXMLNode2* node);
  std::vector<std::unique_ptr<TPart>> parts_;  // each node is in the table below or in one part

  TFlatMultiMap<const TxevXMLNode2*, TTreeItem*> items_;  // one entry per node
  // Only IDs written in plain decimal can ever be found. A databank may hold an ID twice; then
  // every holder is kept and the first in display order wins.
  TFlatMultiMap<int, TxevXMLNode2*> ids_;
};
