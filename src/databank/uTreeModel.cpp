#include "databank/uTreeModel.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <functional>
#include <iterator>

#include "databank/uDataBankContent.h"
#include "platform/SharedWork.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

using bank::IsFolder;
using bank::IsTreeNode;

// ---- images ----

int ImageForState(const TTreeImageRanges& ranges, int index, bool open) {
  if (index < ranges.FolderFirst || index > ranges.FolderLast) return index;
  return index - ((index - ranges.FolderFirst) % 2) + (open ? 1 : 0);
}

namespace {
bool InList(const TTreeImageRanges& ranges, int index) {
  return index >= 0 && index < ranges.Count();
}
}  // namespace

int TTreeImages::ValidFolderDefault() const {
  return InList(Ranges, DefaultFolderImage) ? DefaultFolderImage : Ranges.FolderFirst;
}

int TTreeImages::ValidRecordDefault() const {
  return InList(Ranges, DefaultDocImage) ? DefaultDocImage : Ranges.RecordFirst;
}

int TTreeImages::FolderImage(const TxevXMLNode2* folder, bool open) const {
  const int i = folder ? folder->IndexOfAttribute(bank::xaImage) : -1;
  return ImageFromAttribute(true, i < 0 ? nullptr : &folder->Attributes().Items(i)->Value(), open);
}

int TTreeImages::RecordImage(const TxevXMLNode2* record) const {
  const int i = record ? record->IndexOfAttribute(bank::xaImage) : -1;
  return ImageFromAttribute(false, i < 0 ? nullptr : &record->Attributes().Items(i)->Value(), false);
}

int TTreeImages::ImageFromAttribute(bool folder, const std::string* stored, bool open) const {
  const int fallback = folder ? ValidFolderDefault() : ValidRecordDefault();
  // An empty value reads as none, as everywhere else an integer attribute is read.
  int index = stored && !stored->empty() ? XMLStrToInt(*stored) : fallback;
  if (!InList(Ranges, index)) index = fallback;
  return folder ? ImageForState(Ranges, index, open) : index;
}

int TTreeImages::NodeImage(const TxevXMLNode2* node, bool open) const {
  return IsFolder(node) ? FolderImage(node, open) : RecordImage(node);
}

// ---- the display model ----

namespace {
// The ID as FindByID can ever match it: plain decimal, as std::to_string writes it.
bool PlainDecimalID(const std::string& text, int& id) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  // No leading zero and no "-0": the text std::to_string gives.
  const size_t sign = text[0] == '-' ? 1 : 0;
  return text[sign] != '0' || text.size() == 1;
}
}  // namespace

TTreeItemSpec ItemSpecOf(TxevXMLNode2* node, int parent, const TTreeImages& images) {
  TTreeItemSpec spec;
  spec.Node = node;
  spec.Parent = parent;
  spec.Text = node->Text();
  spec.Folder = IsFolder(node);
  // One pass over the attributes for all four (a large tree is made mostly waiting for memory);
  // the first of a name counts, as a lookup by name finds it.
  const std::string* id = nullptr;
  const std::string* bold = nullptr;
  const std::string* expanded = nullptr;
  const std::string* image = nullptr;
  for (const TxevXMLAttribute2* attribute : node->Attributes()) {
    const std::string_view name = attribute->Name();
    const std::string** slot = name == std::string_view(bank::xaID)         ? &id
                               : name == std::string_view(bank::xaBold)     ? &bold
                               : name == std::string_view(bank::xaExpanded) ? &expanded
                               : name == std::string_view(bank::xaImage)    ? &image
                                                                            : nullptr;
    if (slot && !*slot) *slot = &attribute->Value();
  }
  spec.Bold = bold && *bold == "1";
  spec.Expanded = spec.Folder && expanded && *expanded == "1";
  spec.Image = images.ImageFromAttribute(spec.Folder, image, spec.Expanded);
  int value = 0;
  if (id && PlainDecimalID(*id, value) && value >= 0) spec.ID = value;
  return spec;
}

void AppendSubtreeSpecs(TxevXMLNode2* node, const TTreeImages& images, std::vector<TTreeItemSpec>& out) {
  if (!IsTreeNode(node)) return;
  out.push_back(ItemSpecOf(node, -1, images));
  if (!IsFolder(node)) return;
  // Explicit stack: a file may nest folders as deep as it likes.
  struct Frame {
    TxevXMLNode2* folder;
    int spec;
    int next;
  };
  std::vector<Frame> stack{{node, static_cast<int>(out.size()) - 1, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    TxevXMLNode2* child = frame.folder->Children().Items(frame.next);
    if (!child) {
      stack.pop_back();
      continue;
    }
    ++frame.next;
    if (!IsTreeNode(child)) continue;
    out.push_back(ItemSpecOf(child, frame.spec, images));
    if (IsFolder(child)) stack.push_back({child, static_cast<int>(out.size()) - 1, 0});
  }
}

std::vector<TTreeItemSpec> BuildTreeSpecs(TxevXMLNode2* root, const TTreeImages& images) {
  std::vector<TTreeItemSpec> specs;
  if (!root) return specs;
  const auto& tops = root->Children();
  const size_t count = static_cast<size_t>(tops.Count());
  // A large document is walked mostly waiting for memory, each node after the one that leads to it:
  // threads each take a run of the top-level elements (only reading the nodes), every one of them
  // waiting beside the others, and the runs are joined in order.
  const size_t threads =
      std::min(std::max<size_t>(count, 1),
               platform::SharedWorkShares({.Nodes = XMLCountNearTop(root), .ScalesWithThreads = true}));
  auto run = [&](size_t share, std::vector<TTreeItemSpec>& out) {
    for (size_t i = count * share / threads, end = count * (share + 1) / threads; i < end; ++i)
      AppendSubtreeSpecs(tops.Items(static_cast<int>(i)), images, out);
  };
  if (threads == 1) {
    run(0, specs);
    return specs;
  }
  std::vector<std::vector<TTreeItemSpec>> parts(threads);
  platform::RunShared(threads, [&](size_t t) { run(t, t == 0 ? specs : parts[t]); });
  size_t total = specs.size();
  for (const auto& part : parts) total += part.size();
  specs.reserve(total);
  // Each run begins at a top-level element and names its parents within itself, each before its
  // child; the runs follow one another in the document.
  for (size_t t = 1; t < threads; ++t) {
    const int offset = static_cast<int>(specs.size());
    assert(parts[t].empty() || parts[t].front().Parent < 0);
    for (TTreeItemSpec& spec : parts[t]) {
      assert(spec.Parent < static_cast<int>(specs.size()) - offset);
      if (spec.Parent >= 0) spec.Parent += offset;
      specs.push_back(spec);
    }
  }
  return specs;
}

// ---- prepared items ----

namespace {
// What a view that makes its items only as it inserts them prepares: the specs.
class TPreparedSpecs : public TPreparedItems {
 public:
  explicit TPreparedSpecs(std::vector<TTreeItemSpec> specs) : Specs(std::move(specs)) {}
  size_t Count() const override { return Specs.size(); }
  std::vector<TTreeItemSpec> Specs;
};
}  // namespace

std::unique_ptr<TPreparedItems> ITreeView::PrepareItems(const std::vector<TTreeItemSpec>& specs) const {
  return std::make_unique<TPreparedSpecs>(specs);
}

void ITreeView::InsertPrepared(TTreeItem* parent, TTreeItem* before, std::vector<std::unique_ptr<TPreparedItems>> parts,
                               std::vector<TTreeItem*>& out) {
  std::vector<TTreeItemSpec> joined;
  for (const std::unique_ptr<TPreparedItems>& part : parts) {
    const int offset = static_cast<int>(joined.size());
    for (TTreeItemSpec spec : static_cast<const TPreparedSpecs&>(*part).Specs) {
      if (spec.Parent >= 0) spec.Parent += offset;
      joined.push_back(spec);
    }
  }
  InsertItems(parent, before, joined, out);
}

// ---- structure ----

TxevXMLNode2* PrevTreeSibling(const TxevXMLNode2* node) {
  const TxevXMLNode2* parent = node ? node->Parent() : nullptr;
  if (!parent) return nullptr;
  for (int i = node->IndexInParent() - 1; i >= 0; --i) {
    TxevXMLNode2* sibling = parent->Children().Items(i);
    if (IsTreeNode(sibling)) return sibling;
  }
  return nullptr;
}

TxevXMLNode2* NextTreeSibling(const TxevXMLNode2* node) {
  if (!node || !node->Parent()) return nullptr;
  for (TxevXMLNode2* sibling = node->NextSibling(); sibling; sibling = sibling->NextSibling())
    if (IsTreeNode(sibling)) return sibling;
  return nullptr;
}

TxevXMLNode2* ParentFolder(const TxevXMLNode2* node) {
  TxevXMLNode2* parent = node ? node->Parent() : nullptr;
  return IsFolder(parent) ? parent : nullptr;
}

namespace {
TxevXMLNode2* LastTreeChild(const TxevXMLNode2* folder) {
  const auto& children = folder->Children();
  for (int i = children.Count() - 1; i >= 0; --i)
    if (IsTreeNode(children.Items(i))) return children.Items(i);
  return nullptr;
}
}  // namespace

TxevXMLNode2* PrecedingTreeNode(const TxevXMLNode2* node) {
  TxevXMLNode2* previous = PrevTreeSibling(node);
  if (!previous) return ParentFolder(node);
  while (IsFolder(previous)) {
    TxevXMLNode2* last = LastTreeChild(previous);
    if (!last) break;
    previous = last;
  }
  return previous;
}

bool IsSameOrInside(const TxevXMLNode2* node, const TxevXMLNode2* ancestor) {
  for (; node; node = node->Parent())
    if (node == ancestor) return true;
  return false;
}

// ---- the map ----

namespace {

// Positions from the top down; comparing two of them compares display order.
std::vector<int> DisplayPath(const TxevXMLNode2* node) {
  std::vector<int> path;
  for (; node && node->Parent(); node = node->Parent()) path.push_back(node->IndexInParent());
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace

std::unique_ptr<TTreeNodeMap::TPart> TTreeNodeMap::MakePart(const std::vector<TTreeItemSpec>& specs,
                                                            const std::vector<TTreeItem*>& items) {
  auto part = std::make_unique<TPart>();
  const size_t count = std::min(specs.size(), items.size());
  part->items_.Reserve(count);
  part->ids_.Reserve(count);
  for (size_t i = 0; i < count; ++i) {
    TxevXMLNode2* node = specs[i].Node;
    if (!node || !part->items_.InsertOrAssign(node, items[i])) continue;
    if (specs[i].ID >= 0) part->ids_.Insert(specs[i].ID, node);
  }
  return part;
}

void TTreeNodeMap::AddPart(std::unique_ptr<TPart> part) {
  if (!part || part->Size() == 0) return;
  parts_.push_back(std::move(part));
  if (parts_.size() <= kMostParts) return;
  // The smallest goes into the table: the least work of the window's thread.
  auto smallest = std::min_element(parts_.begin(), parts_.end(),
                                   [](const auto& a, const auto& b) { return a->Size() < b->Size(); });
  std::unique_ptr<TPart> folded = std::move(*smallest);
  parts_.erase(smallest);
  items_.Reserve(items_.Size() + folded->items_.Size());
  ids_.Reserve(ids_.Size() + folded->ids_.Size());
  folded->items_.ForEach([&](const TxevXMLNode2* node, TTreeItem* item) { items_.Insert(node, item); });
  folded->ids_.ForEach([&](int id, TxevXMLNode2* node) { ids_.Insert(id, node); });
}

void TTreeNodeMap::Clear() {
  items_.Clear();
  ids_.Clear();
  parts_.clear();
}

size_t TTreeNodeMap::Size() const {
  size_t size = items_.Size();
  for (const auto& part : parts_) size += part->Size();
  return size;
}

void TTreeNodeMap::Reserve(size_t count) {
  items_.Reserve(items_.Size() + count);
  ids_.Reserve(ids_.Size() + count);
}

void TTreeNodeMap::Add(TxevXMLNode2* node, TTreeItem* item) {
  if (!node) return;
  for (const auto& part : parts_)
    if (TTreeItem** held = part->items_.Find(node)) {
      *held = item;
      return;
    }
  if (!items_.InsertOrAssign(node, item)) return;
  AddID(node);
}

void TTreeNodeMap::AddAll(const std::vector<TTreeItemSpec>& specs, const std::vector<TTreeItem*>& items) {
  const size_t count = std::min(specs.size(), items.size());
  Reserve(count);
  // Into an empty map (a tree made anew) every node comes once, new, so its ID need not wait for it:
  // a large tree's two maps are filled side by side.
  if (items_.Size() == 0 && parts_.empty() && platform::SharedWorkShares({.Nodes = count}) > 1) {
    platform::RunShared(2, [&](size_t k) {
      for (size_t i = 0; i < count; ++i) {
        TxevXMLNode2* node = specs[i].Node;
        if (!node) continue;
        if (k == 0)
          items_.InsertOrAssign(node, items[i]);
        else if (specs[i].ID >= 0)
          ids_.Insert(specs[i].ID, node);
      }
    });
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    TxevXMLNode2* node = specs[i].Node;
    if (!node) continue;
    if (!parts_.empty() && Contains(node)) {
      Add(node, items[i]);
      continue;
    }
    if (!items_.InsertOrAssign(node, items[i])) continue;
    if (specs[i].ID >= 0) ids_.Insert(specs[i].ID, node);
  }
}

void TTreeNodeMap::AddID(TxevXMLNode2* node) {
  int id = 0;
  if (PlainDecimalID(node->GetAttribute(bank::xaID), id)) ids_.Insert(id, node);
}

void TTreeNodeMap::Forget(const TxevXMLNode2* node) {
  int id = 0;
  const bool hasID = PlainDecimalID(node->GetAttribute(bank::xaID), id);
  auto* holder = const_cast<TxevXMLNode2*>(node);
  if (items_.Erase(node, nullptr, false)) {
    if (hasID) ids_.Erase(id, holder);
    return;
  }
  for (auto it = parts_.begin(); it != parts_.end(); ++it) {
    if (!(*it)->items_.Erase(node, nullptr, false)) continue;
    if (hasID) (*it)->ids_.Erase(id, holder);
    if ((*it)->Size() == 0) parts_.erase(it);
    return;
  }
}

void TTreeNodeMap::RemoveSubtree(const TxevXMLNode2* node) {
  if (!node) return;
  Forget(node);
  if (IsFolder(node)) bank::ForEachTreeNode(node, [&](TxevXMLNode2* n, int) { Forget(n); });
}

TTreeItem* TTreeNodeMap::ItemOf(const TxevXMLNode2* node) const {
  if (TTreeItem* const* item = items_.Find(node)) return *item;
  for (const auto& part : parts_)
    if (TTreeItem* const* item = part->items_.Find(node)) return *item;
  return nullptr;
}

TxevXMLNode2* TTreeNodeMap::FindByID(int id) const {
  if (id < 0) return nullptr;
  std::vector<TxevXMLNode2*> holders = ids_.FindAll(id);
  for (const auto& part : parts_) {
    const std::vector<TxevXMLNode2*> more = part->ids_.FindAll(id);
    holders.insert(holders.end(), more.begin(), more.end());
  }
  if (holders.size() <= 1) return holders.empty() ? nullptr : holders.front();
  return *std::min_element(holders.begin(), holders.end(), [](const TxevXMLNode2* a, const TxevXMLNode2* b) {
    return DisplayPath(a) < DisplayPath(b);
  });
}
