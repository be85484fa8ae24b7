#include "xml/xevXMLParser2.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <span>
#include <type_traits>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/SharedWork.h"
#include "xml/xevStrings.h"

namespace {

constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";
// The attribute our writer adds to an element whose text must keep its leading or trailing blanks.
constexpr std::string_view kSpaceName = "xml:space";
constexpr std::string_view kSpacePreserve = "preserve";
// The partial tree in a parse error report is cut after this many bytes.
constexpr size_t kReportDumpLimit = 1u << 20;

inline bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

size_t FindChar(const std::string& s, char c, size_t from) {
  if (from >= s.size()) return std::string::npos;
  const void* hit = std::memchr(s.data() + from, c, s.size() - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s.data()) : std::string::npos;
}

size_t FindText(std::string_view s, std::string_view what, size_t from) {
  if (from > s.size() || what.size() > s.size() - from) return std::string_view::npos;
  const void* hit = ::memmem(s.data() + from, s.size() - from, what.data(), what.size());
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s.data()) : std::string_view::npos;
}

// Position of the next "]]>" at or after from. Scans for ">" with memchr, which is far quicker than a
// general substring search on code text.
size_t FindCDataEnd(std::string_view s, size_t from) {
  const char* base = s.data();
  size_t p = from + 2;
  while (p < s.size()) {
    const void* hit = std::memchr(base + p, '>', s.size() - p);
    if (!hit) return std::string_view::npos;
    size_t gt = static_cast<size_t>(static_cast<const char*>(hit) - base);
    if (base[gt - 1] == ']' && base[gt - 2] == ']') return gt - 2;
    p = gt + 1;
  }
  return std::string_view::npos;
}

bool HasMarkup(std::string_view s) {
  return std::memchr(s.data(), '<', s.size()) != nullptr || std::memchr(s.data(), '>', s.size()) != nullptr;
}

// True when the bytes at pos are exactly what (a shorter rest of s never matches).
bool At(std::string_view s, size_t pos, std::string_view what) {
  return pos <= s.size() && s.size() - pos >= what.size() && s.compare(pos, what.size(), what) == 0;
}

bool NeedsPreserve(const std::string& text) {
  return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

constexpr size_t kMaxIndentDepth = 64;

constexpr size_t IndentWidth(size_t depth) {
  return 2 * std::min(depth, kMaxIndentDepth);
}

// Appends into a buffer that must not grow past a limit; once full, every further piece is dropped.
class TSink {
 public:
  TSink(std::string& out, size_t limit) : out_(out), limit_(limit) {}
  bool Full() const { return full_; }
  void Put(std::string_view piece) {
    if (limit_ == static_cast<size_t>(-1)) {
      out_.append(piece);
      return;
    }
    if (full_) return;
    if (piece.size() > limit_ - std::min(limit_, out_.size())) {
      out_.append(piece.substr(0, limit_ - std::min(limit_, out_.size())));
      full_ = true;
      return;
    }
    out_.append(piece);
  }
  void Put(char c) {
    if (limit_ == static_cast<size_t>(-1)) {
      out_.push_back(c);
      return;
    }
    Put(std::string_view(&c, 1));
  }
  // Two blanks a level, no deeper than kMaxIndentDepth: readers skip the blanks, and a deep tree
  // would otherwise grow with the square of its depth.
  void Indent(size_t depth) { Put(std::string_view(spaces_.data(), IndentWidth(depth))); }

 private:
  std::string& out_;
  size_t limit_;
  bool full_ = false;
  std::string spaces_ = std::string(IndentWidth(kMaxIndentDepth), ' ');
};

// The text of a CDATA section: every "]]>" is split across two sections so the text survives.
void PutCData(TSink& sink, const std::string& text) {
  sink.Put(kCDataOpen);
  std::string_view rest(text);
  for (size_t hit = FindCDataEnd(rest, 0); hit != std::string_view::npos; hit = FindCDataEnd(rest, 0)) {
    sink.Put(rest.substr(0, hit + 2));
    sink.Put("]]><![CDATA[");
    rest.remove_prefix(hit + 2);
  }
  sink.Put(rest);
  sink.Put(kCDataClose);
}

// Roughly the written size of a subtree, so the output is allocated once.
size_t EstimateSize(const TxevXMLNode2* root) {
  size_t total = 128;
  std::vector<std::pair<const TxevXMLNode2*, size_t>> stack{{root, 0}};
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    total += 2 * IndentWidth(depth) + 2 * n->Name().size() + n->Text().size() + 40;
    for (const TxevXMLAttribute2* a : n->Attributes()) total += a->Name.size() + a->Value.size() + 4;
    for (const TxevXMLNode2* c : n->Children()) stack.emplace_back(c, depth + 1);
  }
  return total;
}

// The start of an element; true when its children follow (the caller then writes them and the end).
const TxevXMLAttribute2& Attribute(const TxevXMLAttribute2* a) {
  return *a;
}
const TxevXMLAttribute2& Attribute(const TxevXMLAttribute2& a) {
  return a;
}

// Writes an element's start (indented to depth): its name, attributes and text, and its end too when
// it has no children. True when the children come next (the end is then the caller's).
template <class TAttributes>
bool PutOpen(TSink& sink, size_t depth, const std::string& name, const std::string& text, bool cdata,
             const TAttributes& attributes, bool hasChildren) {
  sink.Indent(depth);
  sink.Put('<');
  sink.Put(name);
  const bool preserve = NeedsPreserve(text);
  for (const auto& item : attributes) {
    const TxevXMLAttribute2& a = Attribute(item);
    if (preserve && a.Name == kSpaceName) continue;  // ours replaces it below
    const char quote = a.Value.find('\'') == std::string::npos ? '\'' : '"';
    sink.Put(' ');
    sink.Put(a.Name);
    sink.Put('=');
    sink.Put(quote);
    sink.Put(a.Value);
    sink.Put(quote);
  }
  if (preserve) sink.Put(" xml:space='preserve'");
  if (!hasChildren && text.empty()) {
    sink.Put("/>");
    return false;
  }
  sink.Put('>');
  if (cdata || preserve) {
    PutCData(sink, text);
  } else {
    sink.Put(text);
  }
  if (hasChildren) return true;
  sink.Put("</");
  sink.Put(name);
  sink.Put('>');
  return false;
}

bool PutOpen(TSink& sink, const TxevXMLNode2* n, size_t depth) {
  return PutOpen(sink, depth, n->Name(), n->Text(), n->CDATA(), n->Attributes(), !n->Children().IsEmpty());
}

void PutClose(TSink& sink, size_t depth, const std::string& name) {
  sink.Put("\r\n");
  sink.Indent(depth);
  sink.Put("</");
  sink.Put(name);
  sink.Put('>');
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TxevXMLAttribute2

std::unique_ptr<TxevXMLAttribute2> TxevXMLAttribute2::Clone() const {
  return std::make_unique<TxevXMLAttribute2>(Name, Value);
}

// ---------------------------------------------------------------------------------------------------
// TxevXMLNode2

TxevXMLNode2::~TxevXMLNode2() {
  // Tear the subtree down with an explicit list, so a deep tree cannot exhaust the stack.
  if (children_.items_.empty()) return;
  std::vector<std::unique_ptr<TxevXMLNode2>> pending = std::move(children_.items_);
  children_.items_.clear();
  while (!pending.empty()) {
    std::unique_ptr<TxevXMLNode2> n = std::move(pending.back());
    pending.pop_back();
    for (auto& c : n->children_.items_) pending.push_back(std::move(c));
    n->children_.items_.clear();
  }
}

void TxevXMLNode2::SetName(std::string name) {
  size_t colon = name.find(':');
  if (colon != std::string::npos) prefix_ = name.substr(0, colon);
  name_ = std::move(name);
}

const std::string TxevXMLNode2::kNoText;

void TxevXMLNode2::SetText(std::string text) {
  cdata_ = !text.empty() && HasMarkup(text);
  if (text.empty())
    text_.reset();
  else
    text_ = std::make_shared<const std::string>(std::move(text));
}

TxevXMLNode2* TxevXMLNode2::AddNode(std::unique_ptr<TxevXMLNode2> child) {
  if (!child) return nullptr;
  child->parent_ = this;
  child->indexHint_ = children_.Count();
  return children_.Add(std::move(child));
}

TxevXMLNode2* TxevXMLNode2::InsertNode(int index, std::unique_ptr<TxevXMLNode2> child) {
  if (!child) return nullptr;
  index = std::clamp(index, 0, children_.Count());
  child->parent_ = this;
  child->indexHint_ = index;
  TxevXMLNode2* raw = child.get();
  children_.items_.insert(children_.items_.begin() + index, std::move(child));
  return raw;
}

TxevXMLNode2* TxevXMLNode2::AddChild(std::string name) {
  auto child = std::make_unique<TxevXMLNode2>();
  child->SetName(std::move(name));
  return AddNode(std::move(child));
}

int TxevXMLNode2::IndexInParent() const {
  if (!parent_) return -1;
  const auto& items = parent_->children_.items_;
  const int n = static_cast<int>(items.size());
  if (n == 0) return -1;
  const int h = std::clamp(indexHint_, 0, n - 1);
  if (items[static_cast<size_t>(h)].get() == this) return indexHint_ = h;
  // Search outwards from the last known place: after an insertion or removal nearby the node has
  // moved only a little.
  for (int d = 1; h - d >= 0 || h + d < n; ++d) {
    if (h + d < n && items[static_cast<size_t>(h + d)].get() == this) return indexHint_ = h + d;
    if (h - d >= 0 && items[static_cast<size_t>(h - d)].get() == this) return indexHint_ = h - d;
  }
  return -1;
}

TxevXMLNode2* TxevXMLNode2::NextSibling() const {
  int index = IndexInParent();
  if (index < 0) return nullptr;
  TxevXMLNode2* next = parent_->children_.Items(index + 1);
  if (next) next->indexHint_ = index + 1;
  return next;
}

bool TxevXMLNode2::DeleteNode(TxevXMLNode2* child) {
  return ExtractNode(child) != nullptr;  // the extracted node is freed here
}

std::unique_ptr<TxevXMLNode2> TxevXMLNode2::ExtractNode(TxevXMLNode2* child) {
  if (!child || child->parent_ != this) return nullptr;
  int index = child->IndexInParent();
  if (index < 0) return nullptr;
  std::unique_ptr<TxevXMLNode2> owned = std::move(children_.items_[static_cast<size_t>(index)]);
  children_.items_.erase(children_.items_.begin() + index);
  owned->parent_ = nullptr;
  return owned;
}

void TxevXMLNode2::ClearChildren() {
  std::vector<std::unique_ptr<TxevXMLNode2>> old = std::move(children_.items_);
  children_.items_.clear();
  // Each child's destructor tears its own subtree down iteratively.
  old.clear();
}

bool TxevXMLNode2::MoveTo(TxevXMLNode2* newParent, TxevXMLNode2* before) {
  if (!parent_ || !newParent) return false;
  // Moving a node below itself would cut its subtree off from the document.
  for (const TxevXMLNode2* p = newParent; p; p = p->parent_)
    if (p == this) return false;
  if (before && (before == this || before->parent_ != newParent || before->IndexInParent() < 0)) return false;
  std::unique_ptr<TxevXMLNode2> self = parent_->ExtractNode(this);
  if (!self) return false;
  if (before) return newParent->InsertNode(before->IndexInParent(), std::move(self)) != nullptr;
  return newParent->AddNode(std::move(self)) != nullptr;
}

TxevXMLNode2* TxevXMLNode2::FindNode(std::string_view name, bool deep) const {
  if (!deep) {
    for (TxevXMLNode2* c : children_)
      if (c->name_ == name) return c;
    return nullptr;
  }
  std::vector<std::pair<const TxevXMLNode2*, size_t>> stack;
  stack.emplace_back(this, 0);
  while (!stack.empty()) {
    auto& top = stack.back();
    if (top.second >= top.first->children_.items_.size()) {
      stack.pop_back();
      continue;
    }
    TxevXMLNode2* c = top.first->children_.items_[top.second++].get();
    if (c->name_ == name) return c;
    if (!c->children_.IsEmpty()) stack.emplace_back(c, 0);
  }
  return nullptr;
}

std::string TxevXMLNode2::GetChildText(std::string_view name) const {
  const TxevXMLNode2* n = FindNode(name, false);
  return n ? n->Text() : std::string();
}

int TxevXMLNode2::IndexOfAttribute(std::string_view name) const {
  const auto& items = attributes_.items_;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i]->Name == name) return static_cast<int>(i);
  return -1;
}

std::string TxevXMLNode2::GetAttribute(std::string_view name) const {
  int i = IndexOfAttribute(name);
  return i < 0 ? std::string() : attributes_.items_[static_cast<size_t>(i)]->Value;
}

void TxevXMLNode2::SetAttribute(std::string_view name, std::string value) {
  int i = IndexOfAttribute(name);
  if (i >= 0) {
    attributes_.items_[static_cast<size_t>(i)]->Value = std::move(value);
  } else {
    attributes_.Add(std::make_unique<TxevXMLAttribute2>(std::string(name), std::move(value)));
  }
}

bool TxevXMLNode2::RemoveAttribute(TxevXMLAttribute2* attribute) {
  int i = attributes_.IndexOf(attribute);
  if (i < 0) return false;
  attributes_.items_.erase(attributes_.items_.begin() + i);
  return true;
}

void TxevXMLNode2::ClearAttributes() {
  attributes_.items_.clear();
}

std::unique_ptr<TxevXMLNode2> TxevXMLNode2::CloneNode() const {
  // The node's own parts; its children come as steps of their own.
  auto copyOf = [](const TxevXMLNode2* src) {
    auto n = std::make_unique<TxevXMLNode2>();
    n->name_ = src->name_;
    n->prefix_ = src->prefix_;
    n->text_ = src->text_;
    n->cdata_ = src->cdata_;
    if (!src->attributes_.items_.empty()) {
      n->attributes_.items_.reserve(src->attributes_.items_.size());
      for (const auto& a : src->attributes_.items_) n->attributes_.Add(a->Clone());
    }
    return n;
  };
  // Every node below this one, with the copy its copy joins, level by level (each parent's children
  // in order). A large tree is copied mostly waiting for memory, one node after the other, so the
  // nodes a few steps on are asked for ahead: first the node, then what it points to.
  struct Step {
    const TxevXMLNode2* source;
    TxevXMLNode2* parent;
  };
  std::vector<Step> steps;
  auto addChildren = [&steps](const TxevXMLNode2* src, TxevXMLNode2* dst) {
    dst->children_.items_.reserve(src->children_.items_.size());
    for (const auto& c : src->children_.items_) steps.push_back({c.get(), dst});
  };
  std::unique_ptr<TxevXMLNode2> root = copyOf(this);
  addChildren(this, root.get());
  constexpr size_t kNodeAhead = 8, kPartsAhead = 4;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (i + kNodeAhead < steps.size()) {
      const char* node = reinterpret_cast<const char*>(steps[i + kNodeAhead].source);
      __builtin_prefetch(node);
      __builtin_prefetch(node + 64);
      __builtin_prefetch(node + 128);
    }
    if (i + kPartsAhead < steps.size()) {
      const TxevXMLNode2* next = steps[i + kPartsAhead].source;
      // The text's count sits just before it (it was made with make_shared).
      if (next->text_) __builtin_prefetch(reinterpret_cast<const char*>(next->text_.get()) - 16, 1);
      if (!next->attributes_.items_.empty()) __builtin_prefetch(next->attributes_.items_.front().get());
      if (!next->children_.items_.empty()) __builtin_prefetch(next->children_.items_.data());
    }
    const Step step = steps[i];
    TxevXMLNode2* copy = step.parent->AddNode(copyOf(step.source));
    if (!step.source->children_.items_.empty()) addChildren(step.source, copy);
  }
  return root;
}

// ---------------------------------------------------------------------------------------------------
// TxevXMLParser2: writer

TxevXMLParser2::TxevXMLParser2() : declaration_(std::make_unique<TxevXMLNode2>()) {}

TxevXMLParser2::~TxevXMLParser2() = default;

bool TxevXMLParser2::WriteXML(std::string& out, const TxevXMLNode2* node, bool withDeclaration, size_t limit) const {
  if (node && limit == static_cast<size_t>(-1)) {
    size_t estimate = EstimateSize(node);
    if (estimate < (size_t{1} << 30)) out.reserve(out.size() + estimate);
  }
  TSink sink(out, limit);
  if (withDeclaration) {
    std::string version = declaration_->GetAttribute("version");
    std::string encoding = declaration_->GetAttribute("encoding");
    sink.Put("<?xml version='");
    sink.Put(version.empty() ? std::string_view("1.0") : std::string_view(version));
    sink.Put("' encoding='");
    sink.Put(encoding.empty() ? std::string_view("ISO-8859-1") : std::string_view(encoding));
    sink.Put("' ?>\r\n");
  }
  if (!node) return !sink.Full();
  if (!PutOpen(sink, node, 0)) return !sink.Full();
  // Frames of elements whose children are being written: the element and its next child.
  std::vector<std::pair<const TxevXMLNode2*, int>> stack;
  stack.emplace_back(node, 0);
  while (!stack.empty() && !sink.Full()) {
    auto& top = stack.back();
    if (TxevXMLNode2* child = top.first->Children().Items(top.second)) {
      ++top.second;
      sink.Put("\r\n");
      if (PutOpen(sink, child, stack.size())) stack.emplace_back(child, 0);
    } else {
      PutClose(sink, stack.size() - 1, top.first->Name());
      stack.pop_back();
    }
  }
  return !sink.Full();
}

// ---------------------------------------------------------------------------------------------------
// TxevXMLFrozen2

struct TxevXMLFrozen2::TPool {
  std::mutex Mutex;
  std::vector<std::vector<TElement>> Elements;
  std::vector<std::vector<TxevXMLAttribute2>> Attributes;
  size_t KeepElements = 0, KeepAttributes = 0;
};

TxevXMLFrozen2::TPool& TxevXMLFrozen2::Pool() {
  // Never destroyed: a document may be frozen or freed on another thread while the program ends.
  static TPool* pool = new TPool;
  return *pool;
}

TxevXMLFrozen2::TxevXMLFrozen2(const TxevXMLParser2& doc) {
  version_ = doc.DeclarationNode()->GetAttribute("version");
  const auto& items = doc.children_.items_;
  const size_t threads = items.size() < 8 ? 1 : platform::SharedWorkThreads();
  for (size_t t = 0; t < 1 + threads; ++t) parts_.push_back(std::make_unique<TPart>());
  parts_[0]->Add(doc, 0);
  // Where each top-level element's stretch lies in its part; the document is only read meanwhile.
  std::vector<std::pair<size_t, size_t>> spans(items.size());
  auto takeShare = [&](size_t first) {
    TPart& part = *parts_[1 + first];
    for (size_t i = first; i < items.size(); i += threads) {
      spans[i].first = part.Count();
      part.AddTree(*items[i], 1);
      spans[i].second = part.Count();
    }
  };
  platform::RunShared(threads, takeShare);
  stretches_.reserve(1 + items.size());
  stretches_.push_back({parts_[0].get(), 0, 1});
  for (size_t i = 0; i < items.size(); ++i)
    stretches_.push_back({parts_[1 + i % threads].get(), spans[i].first, spans[i].second});
  size_t elements = 0, attributes = 0;
  for (const std::unique_ptr<TPart>& part : parts_) {
    elements += part->Blocks();
    attributes += part->AttributeBlocks();
  }
  TPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.Mutex);
  pool.KeepElements = elements;
  pool.KeepAttributes = attributes;
}

TxevXMLFrozen2::~TxevXMLFrozen2() = default;

TxevXMLFrozen2::TPart::~TPart() {
  for (std::vector<TElement>& block : blocks_) block.clear();
  for (std::vector<TxevXMLAttribute2>& block : attributes_) block.clear();
  TPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.Mutex);
  // Keeping a block may need memory for the pool's list; freeing never may fail, so a block the
  // pool has no room for is freed instead (a failed push_back leaves it here).
  try {
    for (std::vector<TElement>& block : blocks_)
      if (pool.Elements.size() < pool.KeepElements) pool.Elements.push_back(std::move(block));
    for (std::vector<TxevXMLAttribute2>& block : attributes_)
      if (block.capacity() == kAttributeBlock && pool.Attributes.size() < pool.KeepAttributes)
        pool.Attributes.push_back(std::move(block));
  } catch (const std::bad_alloc&) {
  }
  // What the pool does not keep is freed after the lock, with this part.
}

template <class T>
std::vector<T> TxevXMLFrozen2::TakeBlock(size_t capacity) {
  if (capacity == (std::is_same_v<T, TElement> ? kBlock : kAttributeBlock)) {
    TPool& pool = Pool();
    std::lock_guard<std::mutex> lock(pool.Mutex);
    auto& kept = [&pool]() -> auto& {
      if constexpr (std::is_same_v<T, TElement>)
        return pool.Elements;
      else
        return pool.Attributes;
    }
    ();
    if (!kept.empty()) {
      std::vector<T> block = std::move(kept.back());
      kept.pop_back();
      return block;
    }
  }
  std::vector<T> block;
  block.reserve(capacity);
  return block;
}

void TxevXMLFrozen2::TPart::AddTree(const TxevXMLNode2& top, size_t depth) {
  // Document order with an explicit stack: each frame is an element whose children are being taken,
  // and the next of them. Taking the elements waits mostly for memory, one node after the other, so
  // the nodes a few siblings on are asked for ahead: first the node, then what it points to.
  Add(top, depth);
  std::vector<std::pair<const TxevXMLNode2*, size_t>> stack;
  if (!top.children_.items_.empty()) stack.emplace_back(&top, 0);
  constexpr size_t kNodeAhead = 4, kPartsAhead = 2;
  while (!stack.empty()) {
    const TxevXMLNode2* parent = stack.back().first;
    const size_t i = stack.back().second;
    const auto& items = parent->children_.items_;
    if (i == items.size()) {
      stack.pop_back();
      continue;
    }
    ++stack.back().second;
    if (i + kNodeAhead < items.size()) {
      const char* node = reinterpret_cast<const char*>(items[i + kNodeAhead].get());
      __builtin_prefetch(node);
      __builtin_prefetch(node + 64);
      __builtin_prefetch(node + 128);
    }
    if (i + kPartsAhead < items.size()) {
      const TxevXMLNode2* next = items[i + kPartsAhead].get();
      // The text's count sits just before it (it was made with make_shared).
      if (next->text_) __builtin_prefetch(reinterpret_cast<const char*>(next->text_.get()) - 16, 1);
      if (!next->children_.items_.empty()) __builtin_prefetch(next->children_.items_.data());
    }
    const TxevXMLNode2* node = items[i].get();
    Add(*node, depth + stack.size());
    if (!node->children_.items_.empty()) {
      // Its first children come next, before the lookahead above reaches them.
      const auto& children = node->children_.items_;
      for (size_t k = 0; k < std::min(children.size(), kNodeAhead); ++k) {
        const char* child = reinterpret_cast<const char*>(children[k].get());
        __builtin_prefetch(child);
        __builtin_prefetch(child + 64);
      }
      stack.emplace_back(node, 0);
    }
  }
}

void TxevXMLFrozen2::TPart::Add(const TxevXMLNode2& node, size_t depth) {
  if (blocks_.empty() || blocks_.back().size() == kBlock) blocks_.push_back(TakeBlock<TElement>(kBlock));
  TElement& e = blocks_.back().emplace_back();
  e.Name = node.name_;
  e.Text = node.text_;
  e.CDATA = node.cdata_;
  // Deeper than 2^32 levels would take more memory than there is.
  e.Depth = static_cast<std::uint32_t>(depth);
  const auto& attributes = node.attributes_.items_;
  if (!attributes.empty()) {
    if (attributes_.empty() || attributes_.back().capacity() - attributes_.back().size() < attributes.size())
      attributes_.push_back(TakeBlock<TxevXMLAttribute2>(std::max(kAttributeBlock, attributes.size())));
    std::vector<TxevXMLAttribute2>& block = attributes_.back();
    e.Attributes = block.data() + block.size();
    e.AttributeCount = static_cast<std::uint32_t>(attributes.size());
    for (const auto& a : attributes) block.push_back(*a);
  }
  ++count_;
}

void TxevXMLFrozen2::WriteXML(std::string& out) const {
  static const std::string kNone;
  size_t estimate = 128;
  for (const TStretch& s : stretches_)
    for (size_t j = s.Begin; j < s.End; ++j) {
      const TElement& e = s.Part->At(j);
      estimate += 2 * IndentWidth(e.Depth) + 2 * e.Name.size() + (e.Text ? e.Text->size() : 0) + 40;
      for (const TxevXMLAttribute2& a : std::span(e.Attributes, e.AttributeCount))
        estimate += a.Name.size() + a.Value.size() + 4;
    }
  if (estimate < (size_t{1} << 30)) out.reserve(out.size() + estimate);
  TSink sink(out, static_cast<size_t>(-1));
  // The elements whose end is still to be written, innermost last.
  std::vector<const TElement*> open;
  bool first = true;
  for (const TStretch& s : stretches_)
    for (size_t j = s.Begin; j < s.End; ++j) {
      const TElement& e = s.Part->At(j);
      while (!open.empty() && open.back()->Depth >= e.Depth) {
        PutClose(sink, open.back()->Depth, open.back()->Name);
        open.pop_back();
      }
      if (!first) sink.Put("\r\n");
      first = false;
      // A stretch holds a top-level element's whole subtree; the document element is a stretch alone.
      const bool hasChildren =
          &s == &stretches_.front() ? stretches_.size() > 1 : j + 1 < s.End && s.Part->At(j + 1).Depth > e.Depth;
      if (PutOpen(sink, e.Depth, e.Name, e.Text ? *e.Text : kNone, e.CDATA, std::span(e.Attributes, e.AttributeCount),
                  hasChildren))
        open.push_back(&e);
    }
  for (; !open.empty(); open.pop_back()) PutClose(sink, open.back()->Depth, open.back()->Name);
}

std::string TxevXMLParser2::GetXML() const {
  std::string out;
  WriteXML(out, this, true);
  return out;
}

std::string TxevXMLParser2::GetNodeXML(const TxevXMLNode2* node) const {
  std::string out;
  if (node) WriteXML(out, node, node->Parent() == nullptr);
  return out;
}

void TxevXMLParser2::SaveToFile(const std::string& fileName) const {
  SaveStringToFile(fileName, GetXML());
}

// ---------------------------------------------------------------------------------------------------
// TxevXMLParser2: parser

bool TxevXMLParser2::LoadFromFile(const std::string& fileName) {
  return LoadXML(LoadStringFromFile(fileName));
}

bool TxevXMLParser2::LoadXML(std::string text) {
  docText_ = std::move(text);
  return Parse();
}

bool TxevXMLParser2::Parse() {
  return RunParse(this, true);
}

void TxevXMLParser2::ReleaseText() {
  std::string().swap(docText_);
  pos_ = 0;
}

std::string TxevXMLParser2::TakeText() {
  pos_ = 0;
  return std::exchange(docText_, std::string());
}

bool TxevXMLParser2::ParseNodeXML(TxevXMLNode2* node, std::string text) {
  if (!node) {
    lastError_ = "Invalid parameter pNode";
    errorSummary_.clear();
    return false;
  }
  docText_ = std::move(text);
  return RunParse(node, false);
}

void TxevXMLParser2::SetErrorSummary(std::string_view reason, size_t offset) {
  const std::string_view s = std::string_view(docText_).substr(0, std::min(offset, docText_.size()));
  const size_t line = 1 + static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
  const size_t lineStart = s.rfind('\n') == std::string_view::npos ? 0 : s.rfind('\n') + 1;
  errorSummary_ = "XML error at line " + std::to_string(line) + ", column " + std::to_string(s.size() - lineStart + 1) +
                  ": " + std::string(reason);
}

void TxevXMLParser2::SetError(std::string_view message) {
  SetErrorSummary(message, pos_);
  const std::string& s = docText_;
  const size_t position = posIsZero_ ? 0 : pos_ + 1;
  const size_t start = position >= 21 ? position - 21 : 0;
  std::string report(message);
  report += " near ";
  if (start < s.size()) report.append(s, start, 50);
  report += "\r\nError position=";
  report += std::to_string(position);
  report += "\r\n";
  // The partial tree, cut short: a large or deeply nested damaged file would otherwise make this
  // report megabytes or gigabytes long.
  std::string dump;
  if (!WriteXML(dump, this, true, kReportDumpLimit)) dump += "...";
  report += dump;
  lastError_ = std::move(report);
}

std::string TxevXMLParser2::Str(std::string_view s) const {
  return fromCp1252_ && codepage::HasHighByte(s) ? codepage::Cp1252ToUtf8(s) : std::string(s);
}

void TxevXMLParser2::ClearDocument() {
  ClearAttributes();
  ClearChildren();
  name_.clear();
  prefix_.clear();
  text_.reset();
  cdata_ = false;
}

bool TxevXMLParser2::RunParse(TxevXMLNode2* target, bool withDeclaration) {
  lastError_.clear();
  errorSummary_.clear();
  pos_ = 0;
  posIsZero_ = false;
  TCursor cursor;
  // A failure found by the parse: the place is the cursor's, the report is made here.
  auto fail = [&] {
    pos_ = cursor.pos;
    posIsZero_ = cursor.posIsZero;
    SetError(cursor.failure);
    return false;
  };
  try {
    if (withDeclaration) {
      ClearDocument();
    } else {
      target->ClearChildren();
    }
    const std::string& s = docText_;

    if (withDeclaration) {
      size_t lt = FindChar(s, '<', 0);
      if (lt != std::string::npos && At(s, lt, "<?xml")) {
        size_t close = FindText(s, "?>", lt);
        if (close == std::string::npos) {
          lastError_ = "Missing ?> in xml declaration.";
          SetErrorSummary(lastError_, lt);
          return false;
        }
        cursor.pos = pos_ = close + 2;
        std::string_view inner = Trim(std::string_view(s).substr(lt + 5, close - (lt + 5)));
        if (!inner.empty() && !ParseAttributes(cursor, declaration_.get(), inner)) return fail();
      }
      if (ParseShared(cursor.pos)) {
        lastError_.clear();
        errorSummary_.clear();
        return true;
      }
    }

    TxevXMLNode2* parent = nullptr;
    TxevXMLNode2* const stop = withDeclaration ? nullptr : target->parent_;
    if (ParseRun(cursor, parent, target, stop, nullptr, std::string::npos) == TRunEnd::Failed) return fail();
    pos_ = cursor.pos;
    lastError_.clear();
    errorSummary_.clear();
    return true;
  } catch (const std::bad_alloc&) {
    // Where it ran out tells nobody anything; the text is all there is room for.
    try {
      lastError_ = errorSummary_ = SNotEnoughMemoryToRead;
    } catch (...) {
      lastError_.clear();
      errorSummary_.clear();
    }
    return false;
  } catch (const std::exception& e) {
    pos_ = cursor.pos;
    posIsZero_ = cursor.posIsZero;
    try {
      SetError(e.what());
    } catch (...) {
      lastError_ = e.what();
      errorSummary_.clear();
    }
    return false;
  } catch (...) {
    lastError_ = "Unknown error while parsing";
    errorSummary_.clear();
    return false;
  }
}

TxevXMLParser2::TRunEnd TxevXMLParser2::ParseRun(TCursor& c, TxevXMLNode2*& parent, TxevXMLNode2* target,
                                                 TxevXMLNode2* stop, const TxevXMLNode2* level, size_t limit) {
  const std::string& s = docText_;
  for (;;) {
    size_t lt = FindChar(s, '<', c.pos);
    if (lt == std::string::npos) {
      c.posIsZero = true;
      c.failure = "Missing <";
      return TRunEnd::Failed;
    }
    if (parent == level && lt >= limit) {
      c.pos = lt;
      return TRunEnd::Reached;
    }
    size_t gt = FindChar(s, '>', lt + 1);
    if (gt == std::string::npos) {
      c.failure = "Missing >";
      return TRunEnd::Failed;
    }
    std::string_view tag(s.data() + lt + 1, gt - lt - 1);
    c.pos = gt + 1;

    if (!tag.empty() && tag.front() == '/') {
      // Closing tag: its name is not checked against the open element.
      if (!parent) {
        c.failure = "Closing tag without an open element";
        return TRunEnd::Failed;
      }
      parent = parent->parent_;
      if (!parent || parent == stop) return TRunEnd::Closed;
      continue;
    }

    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (selfClosing) tag = Trim(tag.substr(0, tag.size() - 1));
    size_t blank = tag.find(' ');
    std::string_view name = tag.substr(0, blank);
    std::string_view attrText = blank == std::string_view::npos ? std::string_view() : Trim(tag.substr(blank + 1));

    TxevXMLNode2* node = nullptr;
    if (!parent || parent == stop) {
      node = target;
      node->SetName(Str(name));
    } else {
      node = parent->AddChild(Str(name));
    }
    bool preserve = false;
    if (!attrText.empty() && !ParseAttributes(c, node, attrText, &preserve)) return TRunEnd::Failed;
    if (selfClosing) {
      if (!parent || parent == stop) return TRunEnd::Closed;
      continue;
    }
    if (!ParseText(c, node, preserve)) return TRunEnd::Failed;
    parent = node;
  }
}

namespace {

// Below this size a document is parsed in one piece: threads would cost more than they gain.
constexpr size_t kSharedParseMinimum = size_t{4} << 20;

// Where a part of a large document may begin: an element that starts a line indented by two blanks,
// as this program writes the children of the document element. The first at or after from, npos
// when there is none before end.
size_t NextPartStart(std::string_view s, size_t from, size_t end) {
  constexpr std::string_view kLead = "\n  <";
  for (size_t at = FindText(s, kLead, from); at != std::string_view::npos && at < end;
       at = FindText(s, kLead, at + 1)) {
    const size_t lt = at + kLead.size() - 1;
    if (lt + 1 < s.size() && s[lt + 1] != '/' && s[lt + 1] != '!' && s[lt + 1] != '?' && !IsBlank(s[lt + 1])) return lt;
  }
  return std::string_view::npos;
}

}  // namespace

bool TxevXMLParser2::ParseShared(size_t from) {
  const std::string& s = docText_;
  const size_t threads = platform::SharedWorkThreads();
  if (s.size() < kSharedParseMinimum || threads < 2) return false;
  // The parts: each begins where an element of the document element seems to begin. A guess can be
  // wrong (such a line inside a CDATA section); each part is checked below against where the part
  // before it really ended, and one that does not begin there is parsed again from that place.
  std::vector<size_t> starts;
  const size_t step = (s.size() - from) / threads;
  for (size_t k = 1; k < threads; ++k) {
    const size_t at = NextPartStart(s, std::max(from + k * step, starts.empty() ? from : starts.back() + 1), s.size());
    if (at == std::string_view::npos) break;
    starts.push_back(at);
  }
  if (starts.empty()) return false;

  // Each later part is parsed below an element of its own that stands in for the document element.
  struct TPart {
    size_t start = 0;
    size_t limit = std::string::npos;
    TxevXMLNode2 holder;
    TCursor cursor;
    TRunEnd end = TRunEnd::Failed;
  };
  std::vector<std::unique_ptr<TPart>> parts;
  for (size_t k = 0; k < starts.size(); ++k) {
    assert(k == 0 || starts[k - 1] < starts[k]);  // the parts are joined in document order
    auto part = std::make_unique<TPart>();
    part->start = starts[k];
    part->limit = k + 1 < starts.size() ? starts[k + 1] : std::string::npos;
    parts.push_back(std::move(part));
  }
  auto parsePart = [this](TPart& part) {
    try {
      part.cursor.pos = part.start;
      TxevXMLNode2* parent = &part.holder;
      part.end = ParseRun(part.cursor, parent, nullptr, nullptr, &part.holder, part.limit);
    } catch (...) {
      part.end = TRunEnd::Failed;  // the plain parse says what went wrong
    }
  };
  // A failure of any kind is parsed again in one piece, so that its report is the usual one.
  auto again = [this] {
    ClearDocument();
    return false;
  };
  // The first part, from the document element's start, on this thread beside the others.
  TCursor cursor;
  cursor.pos = from;
  TxevXMLNode2* parent = nullptr;
  TRunEnd end = TRunEnd::Failed;
  try {
    platform::RunShared(1 + parts.size(), [&](size_t k) {
      if (k > 0) return parsePart(*parts[k - 1]);
      try {
        end = ParseRun(cursor, parent, this, nullptr, this, starts.front());
      } catch (...) {
        end = TRunEnd::Failed;
      }
    });
    // The parts joined in order.
    for (size_t k = 0; end == TRunEnd::Reached && k < parts.size(); ++k) {
      TPart& part = *parts[k];
      if (cursor.pos == part.start && part.end != TRunEnd::Failed) {
        children_.items_.reserve(children_.items_.size() + part.holder.children_.items_.size());
        for (auto& child : part.holder.children_.items_) AddNode(std::move(child));
        part.holder.children_.items_.clear();
        cursor.pos = part.cursor.pos;
        end = part.end;
        continue;
      }
      // The guess was wrong (or the part failed where the part before it would not have gone):
      // parsed here from where the document really is, up to the next part.
      parent = this;
      end = ParseRun(cursor, parent, this, nullptr, this, part.limit);
    }
  } catch (...) {
    end = TRunEnd::Failed;
  }
  if (end != TRunEnd::Closed) return again();
  pos_ = cursor.pos;
  return true;
}

bool TxevXMLParser2::ParseAttributes(TCursor& c, TxevXMLNode2* node, std::string_view text, bool* preserve) const {
  // An element with very many attributes gets a name index, so the parse stays linear.
  std::unordered_map<std::string_view, size_t> index;
  auto& items = node->attributes_.items_;
  text = Trim(text);
  while (!text.empty()) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
      c.failure = "missing = when parsing attributes";
      return false;
    }
    if (eq + 1 >= text.size() || (text[eq + 1] != '"' && text[eq + 1] != '\'')) {
      c.failure = "missing value delimiter when parsing attributes";
      return false;
    }
    const char quote = text[eq + 1];
    size_t close = text.find(quote, eq + 2);
    if (close == std::string_view::npos) {
      c.failure = std::string("Expected closing ") + quote + " when parsing attributes";
      return false;
    }
    std::string_view name = Trim(text.substr(0, eq));
    std::string_view value = text.substr(eq + 2, close - eq - 2);
    text = Trim(text.substr(close + 1));
    std::string wideName;
    if (fromCp1252_ && codepage::HasHighByte(name)) name = wideName = codepage::Cp1252ToUtf8(name);

    if (preserve && name == kSpaceName && value == kSpacePreserve) {
      *preserve = true;  // our own marker: it says how to read the text, it is not data
      continue;
    }
    if (items.size() < 16) {
      node->SetAttribute(name, Str(value));
      continue;
    }
    if (index.empty())
      for (size_t i = 0; i < items.size(); ++i) index.emplace(items[i]->Name, i);
    auto hit = index.find(name);
    if (hit != index.end()) {
      items[hit->second]->Value = Str(value);
    } else {
      node->attributes_.Add(std::make_unique<TxevXMLAttribute2>(std::string(name), Str(value)));
      index.emplace(items.back()->Name, items.size() - 1);
    }
  }
  return true;
}

bool TxevXMLParser2::ParseText(TCursor& c, TxevXMLNode2* node, bool preserve) const {
  const std::string& s = docText_;
  size_t lt = FindChar(s, '<', c.pos);
  if (lt == std::string::npos) {
    c.failure = "Expected < when parsing text";
    return false;
  }
  if (!At(s, lt, kCDataOpen)) {
    node->SetText(Str(Trim(std::string_view(s).substr(c.pos, lt - c.pos))));
    c.pos = lt;
    return true;
  }
  // CDATA; sections that follow each other directly form one text (the writer splits "]]>" that way).
  std::string joined;
  std::string_view single;
  bool several = false;
  size_t p = lt + kCDataOpen.size();
  for (;;) {
    size_t end = FindCDataEnd(s, p);
    if (end == std::string::npos) {
      c.pos = p;
      c.failure = "Expected ]]> when parsing CDATA section";
      return false;
    }
    std::string_view part(s.data() + p, end - p);
    p = end + kCDataClose.size();
    const bool more = At(s, p, kCDataOpen);
    if (!several && !more) {
      single = part;
      break;
    }
    several = true;
    joined.append(part);
    if (!more) break;
    p += kCDataOpen.size();
  }
  c.pos = p;
  std::string_view text = several ? std::string_view(joined) : single;
  node->SetText(Str(preserve ? text : Trim(text)));
  return true;
}
