#include "databank/uDataBankContent.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

#include "platform/SharedWork.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

namespace bank {

bool IsRecord(const TxevXMLNode2* node) {
  return node && node->Name() == std::string_view(xnRecord);
}
bool IsFolder(const TxevXMLNode2* node) {
  return node && node->Name() == std::string_view(xnFolder);
}
bool IsTreeNode(const TxevXMLNode2* node) {
  return IsRecord(node) || IsFolder(node);
}

std::string NodeTitle(const TxevXMLNode2* node) {
  return node ? node->Text() : std::string();
}
void SetNodeTitle(TxevXMLNode2* node, std::string title) {
  if (node) node->SetText(std::move(title));
}

bool IsEmptyTitle(std::string_view title) {
  for (const char c : title)
    if (static_cast<unsigned char>(c) > 32) return false;
  return true;
}

int NodeID(const TxevXMLNode2* node) {
  return XMLGetAttrInteger(node, xaID, -1);
}
void SetNodeID(TxevXMLNode2* node, int id) {
  XMLSetAttrInteger(node, xaID, id);
}

bool IsExpanded(const TxevXMLNode2* node) {
  return node && node->GetAttribute(xaExpanded) == "1";
}
void SetExpanded(TxevXMLNode2* node, bool expanded) {
  XMLSetAttrBool(node, xaExpanded, expanded);
}
bool IsBold(const TxevXMLNode2* node) {
  return node && node->GetAttribute(xaBold) == "1";
}
int NodeImage(const TxevXMLNode2* node, int defaultImage) {
  return XMLGetAttrInteger(node, xaImage, defaultImage);
}

std::string NodeKeywords(const TxevXMLNode2* node) {
  return XMLPathReadString(node, xnKeywords, "");
}
void SetNodeKeywords(TxevXMLNode2* node, std::string keywords) {
  XMLPathWriteString(node, xnKeywords, std::move(keywords));
}

std::string RecordData(const TxevXMLNode2* record) {
  return XMLPathReadString(record, xnData, "");
}
void SetRecordData(TxevXMLNode2* record, std::string data) {
  XMLPathWriteString(record, xnData, std::move(data));
}
std::string RecordComments(const TxevXMLNode2* record) {
  return XMLPathReadString(record, xnComments, "");
}
void SetRecordComments(TxevXMLNode2* record, std::string comments) {
  XMLPathWriteString(record, xnComments, std::move(comments));
}
int RecordXPos(const TxevXMLNode2* record) {
  return XMLGetAttrInteger(record, xaXPos, 0);
}
int RecordYPos(const TxevXMLNode2* record) {
  return XMLGetAttrInteger(record, xaYPos, 0);
}
int RecordCommentPanelHeight(const TxevXMLNode2* record) {
  return std::clamp(XMLGetAttrInteger(record, xaCommentPanelHeight, DefCommentPanelHeight), 0, kMaxCommentPanelHeight);
}

std::string InheritedHighLight(const TxevXMLNode2* node) {
  return XMLPathReadInherited(node, xnHighLight, DefHighLight);
}

namespace {
bool IsTrueText(const std::string& text) {
  std::string lower = text;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return lower == "true";
}
}  // namespace

bool InheritedCommentPanelAlignment(const TxevXMLNode2* node) {
  return IsTrueText(XMLPathReadInherited(node, xnCommentPanelAlignment, DefCommentPanelAlignment));
}

bool RecordCommentPanelShown(const TxevXMLNode2* record) {
  if (record && !record->GetAttribute(xaCommentPanelShown).empty())
    return XMLGetAttrBool(record, xaCommentPanelShown, true);
  return IsTrueText(XMLPathReadInherited(record, xnCommentPanelShown, DefCommentPanelShown));
}

namespace {
// The IDs of every folder and record below each of the roots (sorted; one below both counts twice).
std::vector<int> UsedIDs(std::initializer_list<const TxevXMLNode2*> roots) {
  std::vector<int> used;
  std::vector<const TxevXMLNode2*> stack;
  for (const TxevXMLNode2* root : roots)
    if (root) stack.push_back(root);
  while (!stack.empty()) {
    const TxevXMLNode2* node = stack.back();
    stack.pop_back();
    if (IsTreeNode(node)) used.push_back(NodeID(node));
    for (const TxevXMLNode2* child : node->Children()) stack.push_back(child);
  }
  std::sort(used.begin(), used.end());
  return used;
}

// Hands out the IDs from 1 up that are not in used (sorted), lowest first.
class TFreeIDs {
 public:
  explicit TFreeIDs(std::vector<int> used) : used_(std::move(used)) {}
  int Take() {
    for (;;) {
      while (at_ < used_.size() && used_[at_] < next_) ++at_;
      if (at_ == used_.size() || used_[at_] != next_) return next_++;
      ++next_;
    }
  }

 private:
  std::vector<int> used_;
  size_t at_ = 0;
  int next_ = 1;
};

const TxevXMLNode2* TopOf(const TxevXMLNode2* node) {
  while (node->Parent()) node = node->Parent();
  return node;
}

// Gives node the counter's value, or once the counter is spent an ID nobody holds (free is made on
// first need: the IDs are gathered once per operation).
void GiveID(TxevXMLNode2* node, int& nextNodeID, const TxevXMLNode2* root, std::optional<TFreeIDs>& free) {
  if (nextNodeID < INT_MAX) {
    SetNodeID(node, nextNodeID++);
    return;
  }
  SetNodeID(node, -1);  // its own old ID is no reason to skip that ID
  if (!free) free.emplace(UsedIDs({root, TopOf(node)}));
  SetNodeID(node, free->Take());
}
}  // namespace

void AssignID(TxevXMLNode2* node, int& nextNodeID, const TxevXMLNode2* root) {
  if (!node) return;
  std::optional<TFreeIDs> free;
  GiveID(node, nextNodeID, root, free);
}

void RenumberSubtree(TxevXMLNode2* node, int& nextNodeID, const TxevXMLNode2* root) {
  if (!node) return;
  std::optional<TFreeIDs> free;
  GiveID(node, nextNodeID, root, free);
  if (!IsFolder(node)) return;
  ForEachTreeNode(node, [&](TxevXMLNode2* n, int) { GiveID(n, nextNodeID, root, free); });
}

namespace {
// Pre-order over folders and records, descending only into folders; stops when visit returns false.
// Explicit stack of (parent, index of the next child to look at): no recursion, so any depth a file
// holds is walked safely.
template <class Visit>
void WalkTree(const TxevXMLNode2* root, Visit&& visit) {
  if (!root) return;
  std::vector<std::pair<const TxevXMLNode2*, int>> stack;
  stack.emplace_back(root, 0);
  while (!stack.empty()) {
    const TxevXMLNode2* parent = stack.back().first;
    TxevXMLNode2* child = parent->Children().Items(stack.back().second);
    if (!child) {
      stack.pop_back();
      continue;
    }
    ++stack.back().second;
    if (!IsTreeNode(child)) continue;
    if (!visit(child, static_cast<int>(stack.size()) - 1)) return;
    if (IsFolder(child)) stack.emplace_back(child, 0);
  }
}
}  // namespace

void ForEachTreeNode(const TxevXMLNode2* root, const std::function<void(TxevXMLNode2* node, int depth)>& visit) {
  WalkTree(root, [&](TxevXMLNode2* node, int depth) {
    visit(node, depth);
    return true;
  });
}

TxevXMLNode2* FindNodeByID(const TxevXMLNode2* root, int id) {
  if (!root || id < 0) return nullptr;
  const std::string text = std::to_string(id);
  TxevXMLNode2* found = nullptr;
  WalkTree(root, [&](TxevXMLNode2* node, int) {
    if (node->GetAttribute(xaID) != text) return true;
    found = node;
    return false;
  });
  return found;
}

int HighestNodeID(const TxevXMLNode2* root) {
  int highest = -1;
  if (!root) return highest;
  // Every folder and record anywhere in the document counts, also one the tree never shows (a
  // record inside a record): a new ID must not collide with any of them.
  auto walk = [](const TxevXMLNode2* top) {
    int found = -1;
    std::vector<const TxevXMLNode2*> stack{top};
    while (!stack.empty()) {
      const TxevXMLNode2* node = stack.back();
      stack.pop_back();
      if (IsTreeNode(node)) found = std::max(found, NodeID(node));
      // A large databank is walked mostly waiting for memory: each child is asked for as it is
      // pushed, so the ones popped later arrive meanwhile.
      for (const TxevXMLNode2* child : node->Children()) {
        __builtin_prefetch(child);
        stack.push_back(child);
      }
    }
    return found;
  };
  if (IsTreeNode(root)) highest = NodeID(root);
  // The top-level elements are shared out among threads, each taking every n-th one (their sizes
  // vary), so the waits for memory overlap.
  const auto& tops = root->Children();
  const size_t count = static_cast<size_t>(tops.Count());
  const size_t threads =
      std::min(std::max<size_t>(count, 1),
               platform::SharedWorkShares({.Nodes = XMLCountNearTop(root), .ScalesWithThreads = true}));
  std::vector<int> found(threads, -1);
  platform::RunShared(threads, [&](size_t first) {
    int best = -1;
    for (size_t i = first; i < count; i += threads) best = std::max(best, walk(tops.Items(static_cast<int>(i))));
    found[first] = best;
  });
  for (int share : found) highest = std::max(highest, share);
  return highest;
}

int LoadedNextNodeID(TXMLDataBase2& bank) {
  const int stored = bank.ReadInteger(skNextNodeID, DefNextNodeID);
  const int highest = HighestNodeID(bank.Root());
  const int above = highest == INT_MAX ? INT_MAX : highest + 1;
  return stored > above ? stored : above;
}

std::vector<TBookmark> ReadBookmarks(TXMLDataBase2& bank) {
  std::vector<TBookmark> out;
  const TxevXMLNode2* list =
      XMLFindPath(static_cast<const TxevXMLNode2*>(bank.Root()), std::string(xnLists) + "\\" + xnBookmarks);
  if (!list) return out;
  for (const TxevXMLNode2* child : list->Children()) {
    if (child->Name() != xnBookmark) continue;
    out.push_back({child->GetChildText(xnBookmarkName), XMLPathReadInteger(child, xnBookmarkID, -1)});
  }
  return out;
}

std::string DequoteOldText(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
  std::string out;
  out.reserve(text.size() - 2);
  const std::string_view inner = text.substr(1, text.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    out += inner[i];
    if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
  }
  return out;
}

namespace {
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(text, start, std::string::npos);
  return out;
}
}  // namespace

std::string ConvertOldText(std::string_view text) {
  return ReplaceAll(ReplaceAll(DequoteOldText(text), "&gt;", ">"), "&lt;", "<");
}

void ConvertOldFormat(TxevXMLNode2* root) {
  if (!root) return;
  std::vector<TxevXMLNode2*> stack{root};
  while (!stack.empty()) {
    TxevXMLNode2* node = stack.back();
    stack.pop_back();
    if (!node->Text().empty()) node->SetText(ConvertOldText(node->Text()));
    for (TxevXMLNode2* child : node->Children()) stack.push_back(child);
  }
}

}  // namespace bank
