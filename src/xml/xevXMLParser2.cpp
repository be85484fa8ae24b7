#include "xml/xevXMLParser2.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <exception>
#include <new>
#include <tuple>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Memory.h"
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

constexpr size_t kMaxIndentDepth = 64;

constexpr size_t IndentWidth(size_t depth) {
  return 2 * std::min(depth, kMaxIndentDepth);
}

// Two blanks a level, no deeper than kMaxIndentDepth: readers skip the blanks, and a deep tree would
// otherwise grow with the square of its depth.
std::string_view Indentation(size_t depth) {
  static constexpr char kSpaces[IndentWidth(kMaxIndentDepth)] = {
#define TESSARYN_SPACES8 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '
      TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8,
      TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8,
      TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8, TESSARYN_SPACES8,
#undef TESSARYN_SPACES8
  };
  return std::string_view(kSpaces, IndentWidth(depth));
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
  void Indent(size_t depth) { Put(Indentation(depth)); }

 private:
  std::string& out_;
  size_t limit_;
  bool full_ = false;
};

// Hands the output on in pieces of about chunk bytes, each cut between two of the writer's own pieces
// (never inside a name or a text), so each is whole UTF-8 and can be narrowed on its own.
class TChunkSink {
 public:
  TChunkSink(size_t chunk, bool narrow, const std::function<void(std::string&)>& consume)
      : chunk_(chunk), narrow_(narrow), consume_(consume) {
    buffer_.reserve(chunk + chunk / 8);
  }
  // False once a character had no Windows-1252 byte (nothing is handed on after that).
  bool Flush() {
    if (failed_ || buffer_.empty()) return !failed_;
    if (narrow_ && codepage::HasHighByte(buffer_) && !codepage::NarrowUtf8ToCp1252(buffer_)) {
      failed_ = true;
      buffer_.clear();
      return false;
    }
    consume_(buffer_);
    buffer_.clear();
    return true;
  }
  void Put(std::string_view piece) {
    buffer_.append(piece);
    if (buffer_.size() >= chunk_) Flush();
  }
  void Put(char c) { buffer_.push_back(c); }
  void Indent(size_t depth) { Put(Indentation(depth)); }
  bool Failed() const { return failed_; }

 private:
  std::string buffer_;
  size_t chunk_;
  bool narrow_;
  bool failed_ = false;
  const std::function<void(std::string&)>& consume_;
};

// Counts what would be written, as it is and narrowed to Windows-1252.
class TMeasureSink {
 public:
  void Put(std::string_view piece) {
    measure_.Utf8Bytes += piece.size();
    if (!measure_.Cp1252) return;
    if (!codepage::HasHighByte(piece)) {
      measure_.Cp1252Bytes += piece.size();
      return;
    }
    scratch_.assign(piece);
    if (codepage::NarrowUtf8ToCp1252(scratch_))
      measure_.Cp1252Bytes += scratch_.size();
    else
      measure_.Cp1252 = false;
  }
  // The writer's own characters, all ASCII.
  void Put(char) {
    ++measure_.Utf8Bytes;
    ++measure_.Cp1252Bytes;
  }
  void Indent(size_t depth) {
    measure_.Utf8Bytes += IndentWidth(depth);
    measure_.Cp1252Bytes += IndentWidth(depth);
  }
  const TxevXMLFrozen2::TMeasure& Result() const { return measure_; }

 private:
  TxevXMLFrozen2::TMeasure measure_;
  std::string scratch_;
};

// The text of a CDATA section: every "]]>" is split across two sections so the text survives.
template <class TOut>
void PutCData(TOut& sink, std::string_view text) {
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
    for (const TxevXMLAttribute2* a : n->Attributes()) total += a->Name().size() + a->Value().size() + 4;
    for (const TxevXMLNode2* c : n->Children()) stack.emplace_back(c, depth + 1);
  }
  return total;
}

// An attribute as the writer sees it, from a node or from a frozen form.
struct TAttributeView {
  std::string_view Name, Value;
};

// Writes an element's start (indented to depth): its name, attributes and text, and its end too when
// it has no children. True when the children come next (the end is then the caller's).
// forEachAttribute(f) calls f(TAttributeView) for each attribute in order.
template <class TOut, class TForEachAttribute>
bool PutOpen(TOut& sink, size_t depth, std::string_view name, std::string_view text, bool cdata,
             const TForEachAttribute& forEachAttribute, bool hasChildren) {
  sink.Indent(depth);
  sink.Put('<');
  sink.Put(name);
  const bool preserve = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
  forEachAttribute([&](const TAttributeView& a) {
    if (preserve && a.Name == kSpaceName) return;  // ours replaces it below
    const char quote = a.Value.find('\'') == std::string_view::npos ? '\'' : '"';
    sink.Put(' ');
    sink.Put(a.Name);
    sink.Put('=');
    sink.Put(quote);
    sink.Put(a.Value);
    sink.Put(quote);
  });
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

template <class TOut>
bool PutOpen(TOut& sink, const TxevXMLNode2* n, size_t depth) {
  auto attributes = [n](const auto& f) {
    for (const TxevXMLAttribute2* a : n->Attributes()) f(TAttributeView{a->Name(), a->Value()});
  };
  return PutOpen(sink, depth, n->Name(), n->Text(), n->CDATA(), attributes, !n->Children().IsEmpty());
}

template <class TOut>
void PutClose(TOut& sink, size_t depth, std::string_view name) {
  sink.Put("\r\n");
  sink.Indent(depth);
  sink.Put("</");
  sink.Put(name);
  sink.Put('>');
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TxevXMLFrozenBlock

struct TxevXMLFrozenSlab;

// Memory for the blocks of a large subtree frozen at once, taken a large piece (a slab) at a time
// rather than a block at a time; a slab is given back once every block in it is gone. One thread's.
class TxevXMLFrozenSlabs {
 public:
  TxevXMLFrozenSlabs() = default;
  ~TxevXMLFrozenSlabs() { Drop(); }
  TxevXMLFrozenSlabs(const TxevXMLFrozenSlabs&) = delete;
  TxevXMLFrozenSlabs& operator=(const TxevXMLFrozenSlabs&) = delete;
  // Room for size bytes (aligned for entries), and the slab it lies in (nullptr: memory of its own).
  void* Take(std::size_t size, TxevXMLFrozenSlab*& slab);

 private:
  void Drop();
  TxevXMLFrozenSlab* slab_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

// The frozen form of an element with its subtree, in one allocation: a header, one entry for the
// element itself and one for each child, then the names and attributes of the elements the block
// describes itself (the element, and its children that have no children), packed. A child with
// children is an entry pointing to its own block, which several blocks (of several snapshots) share.
class TxevXMLFrozenBlock {
 public:
  struct TEntry {
    std::shared_ptr<const std::string> Text;
    // A child's own block (an even address), or: where the element's name and attributes begin in
    // the packed bytes, shifted left by two, with the CDATA flag in bit 1 and bit 0 set.
    std::uintptr_t Ref = 0;
    const TxevXMLFrozenBlock* Block() const {
      return Ref & 1 ? nullptr : reinterpret_cast<const TxevXMLFrozenBlock*>(Ref);
    }
    bool CDATA() const { return (Ref & 2) != 0; }
    std::size_t Meta() const { return static_cast<std::size_t>(Ref >> 2); }
  };

  // Makes the frozen form of every element of top's subtree that has children and none yet, then of
  // top itself; returns top's (held by top). With slabs, the blocks are made in them.
  static const TxevXMLFrozenBlock* Freeze(const TxevXMLNode2& top, TxevXMLFrozenSlabs* slabs = nullptr);
  // The same, the subtrees of top's children shared among at most that many threads.
  static void FreezeShared(const TxevXMLNode2& top, std::size_t shares);
  void Acquire() const { refs_.fetch_add(1, std::memory_order_relaxed); }
  // Drops a reference; a block nobody holds is freed, and with it its references to its children's
  // blocks (one after the other, never by recursion: trees may be deep).
  static void Release(const TxevXMLFrozenBlock* block);

  std::uint32_t Count() const { return count_; }
  // The elements of the subtree: this one and all below it.
  std::size_t Elements() const { return elements_; }
  // A live copy of the subtree, and of one element an entry describes (without children).
  static std::unique_ptr<TxevXMLNode2> ThawTree(const TxevXMLFrozenBlock* top);
  static std::unique_ptr<TxevXMLNode2> ThawElement(const TxevXMLFrozenBlock* block, const TEntry& e);
  const TEntry& Entry(std::uint32_t i) const { return Entries()[i]; }
  // The name of an element this block describes itself, and its attributes (f(TAttributeView)).
  std::string_view Name(const TEntry& e) const {
    const char* p = Packed() + e.Meta();
    return std::string_view(p + 4, Load32(p));
  }
  template <class F>
  void ForEachAttribute(const TEntry& e, const F& f) const {
    const char* p = Packed() + e.Meta();
    p += 4 + Load32(p);
    const std::uint32_t count = Load32(p);
    p += 4;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::string_view name(p + 4, Load32(p));
      p += 4 + name.size();
      const std::string_view value(p + 4, Load32(p));
      p += 4 + value.size();
      f(TAttributeView{name, value});
    }
  }

 private:
  explicit TxevXMLFrozenBlock(std::uint32_t count) : count_(count) {}
  static std::size_t HeadSize() {
    return (sizeof(TxevXMLFrozenBlock) + alignof(TEntry) - 1) / alignof(TEntry) * alignof(TEntry);
  }
  TEntry* Entries() const {
    return reinterpret_cast<TEntry*>(reinterpret_cast<char*>(const_cast<TxevXMLFrozenBlock*>(this)) + HeadSize());
  }
  const char* Packed() const { return reinterpret_cast<const char*>(Entries() + count_); }
  static std::uint32_t Load32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static std::size_t MetaSize(const TxevXMLNode2& n) {
    std::size_t size = 8 + n.name_.size();
    for (const auto& a : n.attributes_.items_) size += 8 + a->Name().size() + a->Value().size();
    return size;
  }
  static char* PutMeta(char* p, const TxevXMLNode2& n);
  friend class TxevXMLParser2;
  friend class TxevXMLFrozen2;
  // The block of node, whose children with children have theirs already; one reference, node's.
  static TxevXMLFrozenBlock* Make(const TxevXMLNode2& node, TxevXMLFrozenSlabs* slabs);
  // The same with node's own parts and these children instead of its own.
  static TxevXMLFrozenBlock* Make(const TxevXMLNode2& node, const std::vector<const TxevXMLNode2*>& children,
                                  TxevXMLFrozenSlabs* slabs);
  template <class TChild>
  static TxevXMLFrozenBlock* MakeOf(const TxevXMLNode2& node, std::size_t childCount, const TChild& child,
                                    TxevXMLFrozenSlabs* slabs);

  mutable std::atomic<std::uint32_t> refs_{1};
  std::uint32_t count_;
  TxevXMLFrozenSlab* slab_ = nullptr;  // nullptr: a block of its own
  std::size_t elements_ = 1;
};

// A piece of memory holding many blocks; freed when the last of them goes (and its maker is done).
struct TxevXMLFrozenSlab {
  std::atomic<std::uint32_t> Live{1};  // blocks in it, and one for the maker while it takes room
  static constexpr std::size_t kSize = std::size_t{1} << 20;
  static void Release(TxevXMLFrozenSlab* slab) {
    if (slab->Live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      slab->~TxevXMLFrozenSlab();
      ::operator delete(slab);
    }
  }
};

void* TxevXMLFrozenSlabs::Take(std::size_t size, TxevXMLFrozenSlab*& slab) {
  constexpr std::size_t kAlign = alignof(std::max_align_t);
  const std::size_t head = (sizeof(TxevXMLFrozenSlab) + kAlign - 1) / kAlign * kAlign;
  size = (size + kAlign - 1) / kAlign * kAlign;
  if (size > (TxevXMLFrozenSlab::kSize - head) / 8) {  // a large block gets memory of its own
    slab = nullptr;
    return ::operator new(size);
  }
  if (!slab_ || static_cast<std::size_t>(end_ - next_) < size) {
    Drop();
    void* memory = ::operator new(TxevXMLFrozenSlab::kSize);
#ifdef MADV_POPULATE_WRITE
    // All its pages at once, rather than a fault a page while it fills.
    const auto first = (reinterpret_cast<std::uintptr_t>(memory) + 4095) / 4096 * 4096;
    const auto last = (reinterpret_cast<std::uintptr_t>(memory) + TxevXMLFrozenSlab::kSize) / 4096 * 4096;
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
    slab_ = new (memory) TxevXMLFrozenSlab;
    next_ = static_cast<char*>(memory) + head;
    end_ = static_cast<char*>(memory) + TxevXMLFrozenSlab::kSize;
  }
  void* room = next_;
  next_ += size;
  slab_->Live.fetch_add(1, std::memory_order_relaxed);
  slab = slab_;
  return room;
}

void TxevXMLFrozenSlabs::Drop() {
  if (slab_) TxevXMLFrozenSlab::Release(slab_);
  slab_ = nullptr;
  next_ = end_ = nullptr;
}

char* TxevXMLFrozenBlock::PutMeta(char* p, const TxevXMLNode2& n) {
  auto put = [&p](std::string_view s) {
    // Names and values beyond 4 GiB would not fit into memory twice anyway.
    const auto size = static_cast<std::uint32_t>(s.size());
    std::memcpy(p, &size, 4);
    if (!s.empty()) std::memcpy(p + 4, s.data(), s.size());
    p += 4 + s.size();
  };
  put(n.name_);
  const auto count = static_cast<std::uint32_t>(n.attributes_.items_.size());
  std::memcpy(p, &count, 4);
  p += 4;
  for (const auto& a : n.attributes_.items_) {
    put(a->Name());
    put(a->Value());
  }
  return p;
}

TxevXMLFrozenBlock* TxevXMLFrozenBlock::Make(const TxevXMLNode2& node, TxevXMLFrozenSlabs* slabs) {
  const auto& children = node.children_.items_;
  return MakeOf(
      node, children.size(), [&children](std::size_t i) -> const TxevXMLNode2& { return *children[i]; }, slabs);
}

TxevXMLFrozenBlock* TxevXMLFrozenBlock::Make(const TxevXMLNode2& node, const std::vector<const TxevXMLNode2*>& children,
                                             TxevXMLFrozenSlabs* slabs) {
  return MakeOf(
      node, children.size(), [&children](std::size_t i) -> const TxevXMLNode2& { return *children[i]; }, slabs);
}

template <class TChild>
TxevXMLFrozenBlock* TxevXMLFrozenBlock::MakeOf(const TxevXMLNode2& node, std::size_t childCount, const TChild& child,
                                               TxevXMLFrozenSlabs* slabs) {
  const std::size_t count = 1 + childCount;
  std::size_t packed = MetaSize(node);
  for (std::size_t i = 0; i < childCount; ++i)
    if (child(i).children_.items_.empty()) packed += MetaSize(child(i));
  const std::size_t size = HeadSize() + count * sizeof(TEntry) + packed;
  TxevXMLFrozenSlab* slab = nullptr;
  void* memory = slabs ? slabs->Take(size, slab) : ::operator new(size);
  auto* block = new (memory) TxevXMLFrozenBlock(static_cast<std::uint32_t>(count));
  block->slab_ = slab;
  TEntry* entries = block->Entries();
  char* const base = reinterpret_cast<char*>(entries + count);
  char* p = base;
  auto describe = [&](TEntry* e, const TxevXMLNode2& n) {
    new (e) TEntry{n.text_, (static_cast<std::uintptr_t>(p - base) << 2) | (n.cdata_ ? 2u : 0u) | 1u};
    p = PutMeta(p, n);
  };
  describe(entries, node);
  block->elements_ = count;
  for (std::size_t i = 0; i < childCount; ++i) {
    const TxevXMLNode2& c = child(i);
    if (c.children_.items_.empty()) {
      describe(entries + 1 + i, c);
    } else {
      block->elements_ += c.frozen_->elements_ - 1;
      c.frozen_->Acquire();
      new (entries + 1 + i) TEntry{nullptr, reinterpret_cast<std::uintptr_t>(c.frozen_)};
    }
  }
  return block;
}

void TxevXMLFrozenBlock::Release(const TxevXMLFrozenBlock* block) {
  if (!block || block->refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  // Blocks to free, linked through their first entry's Ref (the element's own, no longer needed).
  const TxevXMLFrozenBlock* dead = block;
  block->Entries()[0].Ref = 0;
  while (dead) {
    const TxevXMLFrozenBlock* b = dead;
    TEntry* entries = b->Entries();
    dead = reinterpret_cast<const TxevXMLFrozenBlock*>(entries[0].Ref);
    for (std::uint32_t i = 1; i < b->count_; ++i)
      if (const TxevXMLFrozenBlock* child = entries[i].Block();
          child && child->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        child->Entries()[0].Ref = reinterpret_cast<std::uintptr_t>(dead);
        dead = child;
      }
    for (std::uint32_t i = 0; i < b->count_; ++i) entries[i].~TEntry();
    TxevXMLFrozenSlab* const slab = b->slab_;
    b->~TxevXMLFrozenBlock();
    if (slab)
      TxevXMLFrozenSlab::Release(slab);
    else
      ::operator delete(const_cast<TxevXMLFrozenBlock*>(b));
  }
}

const TxevXMLFrozenBlock* TxevXMLFrozenBlock::Freeze(const TxevXMLNode2& top, TxevXMLFrozenSlabs* slabs) {
  if (top.frozen_) return top.frozen_;
  // Depth first with an explicit stack: an element's block is made once its children's are. A large
  // tree is walked mostly waiting for memory, so the siblings a few steps on are asked for ahead.
  std::vector<std::pair<const TxevXMLNode2*, std::size_t>> stack{{&top, 0}};
  constexpr std::size_t kAhead = 4;
  while (!stack.empty()) {
    const TxevXMLNode2* n = stack.back().first;
    const auto& items = n->children_.items_;
    std::size_t& i = stack.back().second;
    while (i < items.size() && (items[i]->children_.items_.empty() || items[i]->frozen_)) ++i;
    if (i < items.size()) {
      for (std::size_t k = i + 1; k < std::min(items.size(), i + 1 + kAhead); ++k) {
        const char* next = reinterpret_cast<const char*>(items[k].get());
        __builtin_prefetch(next);
        __builtin_prefetch(next + 64);
        __builtin_prefetch(next + 128);
      }
      const TxevXMLNode2* child = items[i++].get();
      // Its children come next, then its attributes and texts.
      for (const auto& c : child->children_.items_) __builtin_prefetch(c.get());
      stack.emplace_back(child, 0);
      continue;
    }
    n->frozen_ = Make(*n, slabs);
    stack.pop_back();
  }
  return top.frozen_;
}

namespace {

bool Stopped(const TSink& sink) {
  return sink.Full();
}
bool Stopped(const TChunkSink& sink) {
  return sink.Failed();
}
bool Stopped(const TMeasureSink&) {
  return false;
}

// Writes a frozen element and its subtree as WriteXML writes the element it was made from.
template <class TOut>
void WriteFrozen(TOut& sink, const TxevXMLFrozenBlock* root) {
  using TEntry = TxevXMLFrozenBlock::TEntry;
  auto open = [&sink](const TxevXMLFrozenBlock* b, const TEntry& e, std::size_t depth, bool hasChildren) {
    auto attributes = [b, &e](const auto& f) { b->ForEachAttribute(e, f); };
    return PutOpen(sink, depth, b->Name(e), e.Text ? std::string_view(*e.Text) : std::string_view(), e.CDATA(),
                   attributes, hasChildren);
  };
  // Blocks whose children are being written, and the next of them.
  std::vector<std::pair<const TxevXMLFrozenBlock*, std::uint32_t>> stack;
  if (open(root, root->Entry(0), 0, root->Count() > 1)) stack.emplace_back(root, 1);
  while (!stack.empty() && !Stopped(sink)) {
    const TxevXMLFrozenBlock* b = stack.back().first;
    if (stack.back().second == b->Count()) {
      PutClose(sink, stack.size() - 1, b->Name(b->Entry(0)));
      stack.pop_back();
      continue;
    }
    const TEntry& e = b->Entry(stack.back().second++);
    sink.Put("\r\n");
    if (const TxevXMLFrozenBlock* child = e.Block()) {
      if (open(child, child->Entry(0), stack.size(), child->Count() > 1)) stack.emplace_back(child, 1);
    } else {
      open(b, e, stack.size(), false);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TxevXMLAttribute2

void TxevXMLAttribute2::SetValue(std::string value) {
  if (value == value_) return;
  value_ = std::move(value);
  if (element_) element_->Changed();
}

bool TxevXMLAttribute2::SetName(std::string name) {
  if (name == name_) return true;
  if (element_ && element_->IndexOfAttribute(name) >= 0) return false;
  name_ = std::move(name);
  if (element_) element_->Changed();
  return true;
}

std::unique_ptr<TxevXMLAttribute2> TxevXMLAttribute2::Clone() const {
  return std::make_unique<TxevXMLAttribute2>(name_, value_);
}

// ---------------------------------------------------------------------------------------------------
// TxevXMLNode2

TxevXMLNode2::~TxevXMLNode2() {
  TxevXMLFrozenBlock::Release(frozen_);
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

void TxevXMLNode2::Changed() {
  TxevXMLFrozenBlock::Release(std::exchange(frozen_, nullptr));
  for (TxevXMLNode2* p = parent_; p && p->frozen_; p = p->parent_)
    TxevXMLFrozenBlock::Release(std::exchange(p->frozen_, nullptr));
}

void TxevXMLNode2::SetName(std::string name) {
  name_ = std::move(name);
  Changed();
}

const std::string TxevXMLNode2::kNoText;

void TxevXMLNode2::SetText(std::string text) {
  // The same text again (a record stored before every save) changes nothing, and keeps sharing it.
  if (text.size() == Text().size() && text == Text()) return;
  Changed();
  cdata_ = !text.empty() && HasMarkup(text);
  if (text.empty())
    text_.reset();
  else
    text_ = std::make_shared<const std::string>(std::move(text));
}

TxevXMLNode2* TxevXMLNode2::AddNode(std::unique_ptr<TxevXMLNode2> child) {
  if (!child) return nullptr;
  Changed();
  child->parent_ = this;
  child->indexHint_ = children_.Count();
  return children_.Add(std::move(child));
}

TxevXMLNode2* TxevXMLNode2::InsertNode(int index, std::unique_ptr<TxevXMLNode2> child) {
  if (!child) return nullptr;
  index = std::clamp(index, 0, children_.Count());
  Changed();
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
  Changed();
  std::unique_ptr<TxevXMLNode2> owned = std::move(children_.items_[static_cast<size_t>(index)]);
  children_.items_.erase(children_.items_.begin() + index);
  owned->parent_ = nullptr;
  return owned;
}

void TxevXMLNode2::ClearChildren() {
  Changed();
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
    if (items[i]->Name() == name) return static_cast<int>(i);
  return -1;
}

std::string TxevXMLNode2::GetAttribute(std::string_view name) const {
  int i = IndexOfAttribute(name);
  return i < 0 ? std::string() : attributes_.items_[static_cast<size_t>(i)]->Value();
}

void TxevXMLNode2::SetAttribute(std::string_view name, std::string value) {
  int i = IndexOfAttribute(name);
  if (i >= 0) {
    // As with texts: the same value again (the open record's caret, stored before every save)
    // changes nothing, and the frozen forms above it still hold.
    attributes_.items_[static_cast<size_t>(i)]->SetValue(std::move(value));
  } else {
    Changed();
    AddAttribute(std::make_unique<TxevXMLAttribute2>(std::string(name), std::move(value)));
  }
}

bool TxevXMLNode2::RemoveAttribute(TxevXMLAttribute2* attribute) {
  int i = attributes_.IndexOf(attribute);
  if (i < 0) return false;
  Changed();
  attributes_.items_.erase(attributes_.items_.begin() + i);
  return true;
}

void TxevXMLNode2::ClearAttributes() {
  Changed();
  attributes_.items_.clear();
}

std::unique_ptr<TxevXMLNode2> TxevXMLNode2::CloneNode() const {
  // The node's own parts; its children come as steps of their own.
  auto copyOf = [](const TxevXMLNode2* src) {
    auto n = std::make_unique<TxevXMLNode2>();
    n->name_ = src->name_;
    n->text_ = src->text_;
    n->cdata_ = src->cdata_;
    if (!src->attributes_.items_.empty()) {
      n->attributes_.items_.reserve(src->attributes_.items_.size());
      for (const auto& a : src->attributes_.items_) n->AddAttribute(a->Clone());
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

TxevXMLFrozen2::TxevXMLFrozen2(const TxevXMLParser2& doc)
    : version_(doc.DeclarationNode()->GetAttribute("version")), root_(TxevXMLFrozenBlock::Freeze(doc)) {
  root_->Acquire();
}

TxevXMLFrozen2::TxevXMLFrozen2(const TxevXMLNode2& node) : root_(TxevXMLFrozenBlock::Freeze(node)) {
  root_->Acquire();
}

TxevXMLFrozen2::TxevXMLFrozen2(const TxevXMLNode2& top, const std::vector<const TxevXMLNode2*>& children) {
  for (const TxevXMLNode2* child : children)
    if (!child->children_.items_.empty()) TxevXMLFrozenBlock::Freeze(*child);
  root_ = TxevXMLFrozenBlock::Make(top, children, nullptr);
}

std::unique_ptr<TxevXMLNode2> TxevXMLFrozenBlock::ThawTree(const TxevXMLFrozenBlock* top) {
  // Explicit stack of (block, the element made of its first entry, its next entry): no recursion.
  std::unique_ptr<TxevXMLNode2> root = ThawElement(top, top->Entry(0));
  std::vector<std::tuple<const TxevXMLFrozenBlock*, TxevXMLNode2*, std::uint32_t>> stack;
  if (top->Count() > 1) {
    root->children_.items_.reserve(top->Count() - 1);
    stack.emplace_back(top, root.get(), 1);
  }
  while (!stack.empty()) {
    auto& [block, node, next] = stack.back();
    if (next == block->Count()) {
      stack.pop_back();
      continue;
    }
    const TEntry& e = block->Entry(next++);
    TxevXMLNode2* parent = node;
    if (const TxevXMLFrozenBlock* child = e.Block()) {
      TxevXMLNode2* made = parent->AddNode(ThawElement(child, child->Entry(0)));
      made->children_.items_.reserve(child->Count() - 1);
      stack.emplace_back(child, made, 1);
    } else {
      parent->AddNode(ThawElement(block, e));
    }
  }
  return root;
}

std::unique_ptr<TxevXMLNode2> TxevXMLFrozenBlock::ThawElement(const TxevXMLFrozenBlock* block, const TEntry& e) {
  auto n = std::make_unique<TxevXMLNode2>();
  n->SetName(std::string(block->Name(e)));
  n->text_ = e.Text;
  n->cdata_ = e.CDATA();
  block->ForEachAttribute(e, [&n](const TAttributeView& a) {
    n->AddAttribute(std::make_unique<TxevXMLAttribute2>(std::string(a.Name), std::string(a.Value)));
  });
  return n;
}

std::size_t TxevXMLFrozen2::Elements() const {
  return root_->Elements();
}

std::unique_ptr<TxevXMLNode2> TxevXMLFrozen2::Thaw() const {
  // The document element's children with children each become a subtree of their own, a few
  // threads making them when there are many, joined in order here.
  std::unique_ptr<TxevXMLNode2> root = TxevXMLFrozenBlock::ThawElement(root_, root_->Entry(0));
  const std::uint32_t count = root_->Count();
  std::vector<std::unique_ptr<TxevXMLNode2>> children(count > 0 ? count - 1 : 0);
  const std::size_t shares = std::min<std::size_t>(std::max<std::size_t>(children.size(), 1),
                                                   platform::SharedWorkShares({.Nodes = root_->Elements()}));
  platform::RunShared(shares, [&](std::size_t first) {
    for (std::size_t i = first; i < children.size(); i += shares) {
      const TxevXMLFrozenBlock::TEntry& e = root_->Entry(static_cast<std::uint32_t>(i + 1));
      children[i] = e.Block() ? TxevXMLFrozenBlock::ThawTree(e.Block()) : TxevXMLFrozenBlock::ThawElement(root_, e);
    }
  });
  root->children_.items_.reserve(children.size());
  for (std::unique_ptr<TxevXMLNode2>& child : children) root->AddNode(std::move(child));
  return root;
}

TxevXMLFrozen2::TxevXMLFrozen2(TxevXMLFrozen2&& other) noexcept
    : version_(std::move(other.version_)), root_(std::exchange(other.root_, nullptr)) {}

TxevXMLFrozen2::~TxevXMLFrozen2() {
  TxevXMLFrozenBlock::Release(root_);
}

void TxevXMLFrozenBlock::FreezeShared(const TxevXMLNode2& top, std::size_t shares) {
  const auto& items = top.children_.items_;
  shares = std::min(shares, std::max<size_t>(items.size(), 1));
  // Each share takes every n-th child with its subtree (their sizes vary); each subtree's nodes are
  // touched by one share only.
  platform::RunShared(shares, [&](std::size_t first) {
    TxevXMLFrozenSlabs slabs;
    for (std::size_t i = first; i < items.size(); i += shares)
      if (!items[i]->children_.items_.empty()) Freeze(*items[i], &slabs);
  });
  Freeze(top);
}

void TxevXMLFrozen2::FreezeDocument(const TxevXMLParser2& doc, std::size_t textBytes) {
  TxevXMLFrozenBlock::FreezeShared(doc, platform::SharedWorkShares({.Bytes = textBytes}));
}

void TxevXMLFrozen2::FreezeTree(const TxevXMLNode2& node) {
  if (node.frozen_ || node.children_.items_.empty()) return;
  std::size_t elements = 0;
  for (const auto& item : node.children_.items_) elements += 1 + item->children_.items_.size();
  TxevXMLFrozenBlock::FreezeShared(node, platform::SharedWorkShares({.Nodes = elements}));
}

void TxevXMLFrozen2::WriteXML(std::string& out) const {
  TSink sink(out, static_cast<size_t>(-1));
  WriteFrozen(sink, root_);
}

bool TxevXMLFrozen2::WriteXML(std::size_t chunk, bool narrow, const std::function<void(std::string&)>& consume) const {
  TChunkSink sink(chunk, narrow, consume);
  WriteFrozen(sink, root_);
  return sink.Flush();
}

TxevXMLFrozen2::TMeasure TxevXMLFrozen2::Measure() const {
  TMeasureSink sink;
  WriteFrozen(sink, root_);
  return sink.Result();
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
  SetDocumentText(std::move(text));
  return Parse();
}

void TxevXMLParser2::SetDocumentText(std::string text) {
  docText_ = std::move(text);
  pos_ = 0;
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
  text_.reset();
  cdata_ = false;
}

bool TxevXMLParser2::RunParse(TxevXMLNode2* target, bool withDeclaration) {
  lastError_.clear();
  errorSummary_.clear();
  pos_ = 0;
  posIsZero_ = false;
  sharedParts_ = 1;
  parsedElements_ = 0;
  TCursor cursor;
  TxevXMLFrozenSlabs slabs;
  if (freezeWhileParsing_) cursor.slabs = &slabs;
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
    parsedElements_ = cursor.elements;
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
      // Its children are complete, and still at hand: its frozen form costs least now.
      if (c.slabs && parent != target && parent != level && !parent->children_.items_.empty() && !parent->frozen_)
        parent->frozen_ = TxevXMLFrozenBlock::Make(*parent, c.slabs);
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
    ++c.elements;
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

// How far ahead CDataEndAhead looks: a section longer than this is taken for none (a wrong guess
// costs time, never a wrong tree).
constexpr size_t kCDataLookAhead = size_t{4} << 20;

// The "]]>" that ends the CDATA section pos lies in: the first one ahead of pos when it comes before
// the next "<![CDATA["; npos when a section starts first, or neither comes within kCDataLookAhead.
size_t CDataEndAhead(std::string_view s, size_t pos) {
  const std::string_view ahead = s.substr(0, std::min(s.size(), pos + kCDataLookAhead));
  const size_t open = FindText(ahead, kCDataOpen, pos);
  const size_t close = FindText(open == std::string_view::npos ? ahead : ahead.substr(0, open), kCDataClose, pos);
  return close;
}

// Where a part of a large document may begin: an element that starts a line indented by two blanks,
// as this program writes the children of the document element, outside a CDATA section as far as
// can be told from the text after it. The first at or after from, npos when there is none before end.
size_t NextPartStart(std::string_view s, size_t from, size_t end) {
  constexpr std::string_view kLead = "\n  <";
  for (size_t at = FindText(s, kLead, from); at != std::string_view::npos && at < end;
       at = FindText(s, kLead, at + 1)) {
    const size_t lt = at + kLead.size() - 1;
    if (lt + 1 >= s.size() || s[lt + 1] == '/' || s[lt + 1] == '!' || s[lt + 1] == '?' || IsBlank(s[lt + 1])) continue;
    // HTML or XML kept in a record has such lines in its CDATA sections: a part starting there would
    // be parsed again in one piece, after the part before it, so the section is stepped over.
    const size_t close = CDataEndAhead(s, lt);
    if (close == std::string_view::npos) return lt;
    at = close;
  }
  return std::string_view::npos;
}

}  // namespace

bool TxevXMLParser2::ParseShared(size_t from) {
  const std::string& s = docText_;
  // A small document is parsed in one piece: threads would cost more than they gain.
  // Most of a parse is making strings and nodes in fresh memory: each thread added takes its part.
  const size_t threads =
      platform::SharedWorkShares({.Bytes = s.size() - std::min(from, s.size()), .ScalesWithThreads = true});
  if (threads < 2) return false;
  // The parts: each begins where an element of the document element seems to begin. A guess can be
  // wrong (such a line inside a CDATA section); each part is checked below against where the part
  // before it really ended, and one that does not begin there is parsed again from that place. The
  // guesses are looked for side by side (each may have to step over much text), then put in order
  // without repeats.
  const size_t step = (s.size() - from) / threads;
  std::vector<size_t> guesses(threads - 1, std::string_view::npos);
  platform::RunShared(guesses.size(),
                      [&](size_t k) { guesses[k] = NextPartStart(s, from + (k + 1) * step, s.size()); });
  std::vector<size_t> starts;
  for (const size_t at : guesses)
    if (at != std::string_view::npos && (starts.empty() || at > starts.back())) starts.push_back(at);
  if (starts.empty()) return false;

  // Each later part is parsed below an element of its own that stands in for the document element.
  struct TPart {
    size_t start = 0;
    size_t limit = std::string::npos;
    TxevXMLNode2 holder;
    TCursor cursor;
    TxevXMLFrozenSlabs slabs;
    TRunEnd end = TRunEnd::Failed;
  };
  std::vector<std::unique_ptr<TPart>> parts;
  for (size_t k = 0; k < starts.size(); ++k) {
    assert(k == 0 || starts[k - 1] < starts[k]);  // the parts are joined in document order
    auto part = std::make_unique<TPart>();
    if (freezeWhileParsing_) part->cursor.slabs = &part->slabs;
    part->start = starts[k];
    part->limit = k + 1 < starts.size() ? starts[k + 1] : std::string::npos;
    parts.push_back(std::move(part));
  }
  auto parsePart = [this, &s](TPart& part) {
    try {
      // What the part makes, nodes and strings, is about twice its text.
      platform::ReserveThreadHeap(2 * ((part.limit == std::string::npos ? s.size() : part.limit) - part.start));
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
  TxevXMLFrozenSlabs slabs;
  if (freezeWhileParsing_) cursor.slabs = &slabs;
  cursor.pos = from;
  TxevXMLNode2* parent = nullptr;
  TRunEnd end = TRunEnd::Failed;
  size_t shared = 1;  // the parts joined as their threads parsed them, the first one included
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
        cursor.elements += part.cursor.elements;
        end = part.end;
        ++shared;
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
  sharedParts_ = shared;
  parsedElements_ = cursor.elements;
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
      for (size_t i = 0; i < items.size(); ++i) index.emplace(items[i]->Name(), i);
    auto hit = index.find(name);
    if (hit != index.end()) {
      items[hit->second]->SetValue(Str(value));
    } else {
      node->AddAttribute(std::make_unique<TxevXMLAttribute2>(std::string(name), Str(value)));
      index.emplace(items.back()->Name(), items.size() - 1);
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
