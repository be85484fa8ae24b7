// The XML document model every file of the program is built on: a narrow single-byte element tree
// (elements, attributes, one text per element, an optional declaration; no entities, comments,
// processing instructions or namespaces beyond keeping a name prefix), its writer and its
// error-tolerant parser. The model is byte-transparent: text goes in and out exactly as given.
//
// A text, once set, never changes in place (SetText gives the node a new one), so copies of a tree
// share their texts: a copy is cheap to take, and another thread may read it while the original is
// being edited.
//
// A document can be frozen for writing on another thread (TxevXMLFrozen2). Each element with children
// keeps the frozen form of its subtree until something in that subtree changes, so freezing a
// document again costs only what changed since: the elements on the way from each change up to the
// document element. Every change goes through the node's own functions, which is how it is noticed.
//
// Every walk over a tree (writer, destructor, clone, deep find) uses an explicit stack, so nesting
// depth is limited by memory only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TxevXMLNode2;
class TxevXMLParser2;
class TxevXMLFrozen2;
class TxevXMLFrozenBlock;
class TxevXMLFrozenSlabs;

// One attribute of an element. Its name and value change only through its setters, which tell its
// element, as the element's own functions do (see TxevXMLFrozen2); names stay unique in an element.
class TxevXMLAttribute2 {
 public:
  TxevXMLAttribute2(std::string name, std::string value) : value_(std::move(value)), name_(std::move(name)) {}
  TxevXMLAttribute2(const TxevXMLAttribute2&) = delete;
  TxevXMLAttribute2& operator=(const TxevXMLAttribute2&) = delete;

  const std::string& Value() const { return value_; }
  const std::string& Name() const { return name_; }
  // The same value again is no change.
  void SetValue(std::string value);
  // False, and nothing changes, when another attribute of its element has that name.
  bool SetName(std::string name);

  // A new attribute with the same name and value, in no element.
  std::unique_ptr<TxevXMLAttribute2> Clone() const;

 private:
  friend class TxevXMLNode2;

  std::string value_;
  std::string name_;
  TxevXMLNode2* element_ = nullptr;  // the element whose attribute it is; nullptr while in none
};

// An owning, ordered list (children of a node, attributes of a node). Removing an item frees it
// unless it is extracted. Indexes are 0-based; Items() of an index out of range gives nullptr.
template <class T>
class TxevXMLNodeList2 {
 public:
  using Storage = std::vector<std::unique_ptr<T>>;

  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T* const*;
    using reference = T*;
    explicit const_iterator(typename Storage::const_iterator it) : it_(it) {}
    T* operator*() const { return it_->get(); }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++it_;
      return old;
    }
    bool operator==(const const_iterator& o) const { return it_ == o.it_; }
    bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

   private:
    typename Storage::const_iterator it_;
  };

  TxevXMLNodeList2() = default;
  TxevXMLNodeList2(const TxevXMLNodeList2&) = delete;
  TxevXMLNodeList2& operator=(const TxevXMLNodeList2&) = delete;
  TxevXMLNodeList2(TxevXMLNodeList2&&) = default;
  TxevXMLNodeList2& operator=(TxevXMLNodeList2&&) = default;

  int Count() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  T* Items(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
  }
  T* operator[](int index) const { return Items(index); }
  T* First() const { return items_.empty() ? nullptr : items_.front().get(); }
  T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  // Index of the item, -1 when it is not in the list.
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }

  const_iterator begin() const { return const_iterator(items_.begin()); }
  const_iterator end() const { return const_iterator(items_.end()); }

 private:
  friend class TxevXMLNode2;
  friend class TxevXMLParser2;
  friend class TxevXMLFrozen2;
  friend class TxevXMLFrozenBlock;

  void Exchange(int a, int b) { std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]); }
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  Storage items_;
};

// One element.
class TxevXMLNode2 {
 public:
  using TNodeList = TxevXMLNodeList2<TxevXMLNode2>;
  using TAttributeList = TxevXMLNodeList2<TxevXMLAttribute2>;

  TxevXMLNode2() = default;
  virtual ~TxevXMLNode2();
  TxevXMLNode2(const TxevXMLNode2&) = delete;
  TxevXMLNode2& operator=(const TxevXMLNode2&) = delete;

  // The name as written, prefix and colon included.
  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  // The part of the name before its first ":", "" when it has none; read from the name, not kept
  // (the writer never uses it).
  std::string_view Prefix() const {
    const size_t colon = name_.find(':');
    return colon == std::string::npos ? std::string_view() : std::string_view(name_).substr(0, colon);
  }

  const std::string& Text() const { return text_ ? *text_ : kNoText; }
  // CDATA() becomes true exactly when the text holds "<" or ">".
  void SetText(std::string text);
  // True when the text is written as a CDATA section.
  bool CDATA() const { return cdata_; }

  // Not owning; nullptr for a top node.
  TxevXMLNode2* Parent() const { return parent_; }
  const TNodeList& Children() const { return children_; }
  const TAttributeList& Attributes() const { return attributes_; }

  // Appends the child (detached first by its owner, as ownership says) and sets its parent.
  TxevXMLNode2* AddNode(std::unique_ptr<TxevXMLNode2> child);
  // Inserts the child before position index (clamped to 0..Count) and sets its parent.
  TxevXMLNode2* InsertNode(int index, std::unique_ptr<TxevXMLNode2> child);
  // Creates a child with that name at the end of the children.
  TxevXMLNode2* AddChild(std::string name);
  // Frees the child with its subtree. False (nothing done) when it is not one of the children.
  bool DeleteNode(TxevXMLNode2* child);
  // Takes the child out of the children without freeing it; nullptr when it is not a child.
  std::unique_ptr<TxevXMLNode2> ExtractNode(TxevXMLNode2* child);
  // Frees every child with its subtree.
  void ClearChildren();
  // Moves this node from its parent's children to the end of newParent's children, or directly before
  // `before` when that is given (it must then be a child of newParent). False, and nothing changes,
  // when this node has no parent, when newParent is missing, is this node or lies in its subtree, or
  // when `before` is not a child of newParent (or is this node).
  bool MoveTo(TxevXMLNode2* newParent, TxevXMLNode2* before = nullptr);

  // The first child with exactly that name; with deep, each non-matching child's subtree is searched
  // before its next sibling (pre-order). nullptr when none matches.
  TxevXMLNode2* FindNode(std::string_view name, bool deep = false) const;
  // Text of FindNode(name), empty when there is none.
  std::string GetChildText(std::string_view name) const;
  TxevXMLNode2* FirstChild() const { return children_.First(); }
  // The node after this one in its parent's children; nullptr for the last one or a top node.
  // Constant time for forward walks.
  TxevXMLNode2* NextSibling() const;
  // Position in the parent's children, -1 for a top node.
  int IndexInParent() const;

  int IndexOfAttribute(std::string_view name) const;
  // The value, empty when absent.
  std::string GetAttribute(std::string_view name) const;
  // Overwrites the value of the attribute of that name, or appends a new attribute.
  void SetAttribute(std::string_view name, std::string value);
  // Removes (and frees) that attribute object; true when it was there.
  bool RemoveAttribute(TxevXMLAttribute2* attribute);
  void ClearAttributes();

  // A deep copy without a parent; it shares the texts (see above).
  std::unique_ptr<TxevXMLNode2> CloneNode() const;

 private:
  friend class TxevXMLParser2;
  friend class TxevXMLFrozen2;
  friend class TxevXMLFrozenBlock;
  friend class TxevXMLAttribute2;
  friend bool XMLSwapSiblings(TxevXMLNode2* a, TxevXMLNode2* b);
  void ExchangeChildren(int a, int b) {
    children_.Exchange(a, b);
    Changed();
  }
  // This node changed: its frozen form and those of its ancestors no longer hold.
  void Changed();
  // Appends an attribute (its name not yet among the node's) as the node's own.
  TxevXMLAttribute2* AddAttribute(std::unique_ptr<TxevXMLAttribute2> attribute) {
    attribute->element_ = this;
    return attributes_.Add(std::move(attribute));
  }

  std::string name_;
  // Not constinit: clang 14 with libstdc++ (the fuzz build) has no constexpr std::string.
  static const std::string kNoText;
  std::shared_ptr<const std::string> text_;  // nullptr: no text
  bool cdata_ = false;
  TxevXMLNode2* parent_ = nullptr;
  TNodeList children_;
  TAttributeList attributes_;
  // Where this node last was in its parent's children; checked before use, never trusted.
  mutable int indexHint_ = 0;
  // The frozen form of this node and its subtree while nothing in them changed since it was made
  // (one reference held); nullptr otherwise. An element without children has none of its own: its
  // parent's form holds it. Invariant: when an element with children has none, neither has any of
  // its ancestors, so a change walks up only as far as the first element without one.
  mutable TxevXMLFrozenBlock* frozen_ = nullptr;
};

// A node that is also the document: its own name, attributes, text and children are those of the
// document element. Parsing never raises: errors go to LastError() and the tree keeps what was built.
class TxevXMLParser2 : public TxevXMLNode2 {
 public:
  TxevXMLParser2();
  ~TxevXMLParser2() override;

  // Reads the whole file (raw bytes) and parses it; true when LastError() is empty afterwards.
  // A file that cannot be opened throws EFOpenError.
  bool LoadFromFile(const std::string& fileName);
  // Parses the text into this document; true when LastError() is empty afterwards.
  bool LoadXML(std::string text);
  // Parses the document text set by LoadXML/LoadFromFile/SetDocumentText again.
  bool Parse();
  // Sets the text Parse() reads, without parsing it.
  void SetDocumentText(std::string text);
  // The text Parse() reads, as it was given; another thread may read it while Parse() runs.
  std::string_view DocumentText() const { return docText_; }
  // While set, the text parsed is read as Windows-1252 and its names, attributes and texts are
  // stored as UTF-8 (each converted as it is copied out of the text). Error reports quote the text
  // as it is.
  void SetFromCp1252(bool on) { fromCp1252_ = on; }
  // While set, a parse makes the frozen form (see TxevXMLFrozen2) of every element with children as
  // it closes, while its nodes are still at hand: the first snapshot of a large document read from a
  // file then costs what a later one does.
  void SetFreezeWhileParsing(bool on) { freezeWhileParsing_ = on; }
  // Frees the document text that Parse() would read again (a large document then takes its memory
  // once, in its nodes); Parse() afterwards parses an empty text.
  void ReleaseText();
  // Gives the document text that Parse() would read back to the caller; the text is then empty.
  std::string TakeText();
  // Frees the node's children and fills the node (name, attributes merged over its own, text and
  // children) from the first element of the text. No declaration is looked for.
  bool ParseNodeXML(TxevXMLNode2* node, std::string text);

  // The declaration line (CR LF) and the document element.
  std::string GetXML() const;
  // One node and its subtree; the declaration line only when the node has no parent; "" for nullptr.
  std::string GetNodeXML(const TxevXMLNode2* node) const;
  // Writes GetXML() to the file, replacing it atomically. Throws the file errors.
  void SaveToFile(const std::string& fileName) const;

  // Empty after a successful parse, else the error report.
  const std::string& LastError() const { return lastError_; }
  // The last parse error in a line for people: "XML error at line L, column C: reason" (line and
  // column 1-based, the column in bytes); "" after a successful parse.
  const std::string& ErrorSummary() const { return errorSummary_; }
  // How many parts the last parse was shared into, each parsed on a thread of its own and joined as
  // it was (1: one piece, or parts parsed again in one piece after a wrong guess of where they start).
  std::size_t SharedParts() const { return sharedParts_; }
  // The elements the last parse made that succeeded (0 after one that failed).
  std::size_t ParsedElements() const { return parsedElements_; }
  // Holds the declaration's pseudo-attributes ("version", "encoding").
  TxevXMLNode2* DeclarationNode() const { return declaration_.get(); }

  // Appends node (and the declaration line first when withDeclaration) to out, stopping once out
  // would exceed limit bytes; false when it was cut short.
  bool WriteXML(std::string& out, const TxevXMLNode2* node, bool withDeclaration,
                size_t limit = static_cast<size_t>(-1)) const;

 private:
  // Where a parse is and, once it failed, why (the report is made from it afterwards). Parts of a
  // large document are parsed on several threads, each with a cursor of its own.
  struct TCursor {
    size_t pos = 0;
    bool posIsZero = false;
    std::string failure;
    TxevXMLFrozenSlabs* slabs = nullptr;  // set: elements are frozen as they close, in these
    std::size_t elements = 0;             // made so far
  };
  // How a run of the parse ended: the document element was closed, the run reached its limit, or it
  // failed (the cursor says why).
  enum class TRunEnd { Closed, Reached, Failed };

  // Empties the document element: its name, attributes, text and children.
  void ClearDocument();
  bool RunParse(TxevXMLNode2* target, bool withDeclaration);
  // Parses tags from the cursor on below parent (nullptr: the next element becomes target) until
  // parent closes at stop, or until parent is level and the next tag begins at limit or beyond (the
  // cursor is then at that tag). Reads the document text only, so runs over separate parts of it
  // may go on at the same time on separate threads.
  TRunEnd ParseRun(TCursor& c, TxevXMLNode2*& parent, TxevXMLNode2* target, TxevXMLNode2* stop,
                   const TxevXMLNode2* level, size_t limit);
  // Parses a large document from its element on (at from) in parts on a few threads, joined into
  // exactly the tree the plain parse makes; false (nothing kept) when the document is small or the
  // parse failed, and the plain parse is to run.
  bool ParseShared(size_t from);
  void SetError(std::string_view message);
  void SetErrorSummary(std::string_view reason, size_t offset);
  bool ParseAttributes(TCursor& c, TxevXMLNode2* node, std::string_view text, bool* preserve = nullptr) const;
  bool ParseText(TCursor& c, TxevXMLNode2* node, bool preserve) const;
  // A string of the text as the tree stores it.
  std::string Str(std::string_view s) const;

  std::string docText_;
  size_t pos_ = 0;  // 0-based cursor into docText_; reported 1-based
  bool posIsZero_ = false;
  bool fromCp1252_ = false;
  bool freezeWhileParsing_ = false;
  std::size_t sharedParts_ = 1;
  std::size_t parsedElements_ = 0;
  std::string lastError_;
  std::string errorSummary_;
  std::unique_ptr<TxevXMLNode2> declaration_;
};

// A document (or one element's subtree) frozen for writing: immutable, sharing the texts of the
// document it was taken from and, for every subtree that did not change since the document was last
// frozen, that earlier frozen form too. Taking one costs time in proportion to what changed since the
// last one; its memory is given back when it and the document's own reference (held until the subtree
// changes, or the document is freed) are gone. It can be written on any thread while the document is
// edited.
class TxevXMLFrozen2 {
 public:
  explicit TxevXMLFrozen2(const TxevXMLParser2& doc);
  // One element and its subtree, written as GetNodeXML writes an element that has a parent.
  explicit TxevXMLFrozen2(const TxevXMLNode2& node);
  // A document element put together without copying any node: top's name, attributes and text, and
  // as its children, in order, the given elements with their subtrees as they are now (wherever they
  // lie; their frozen forms are shared with the documents they belong to).
  TxevXMLFrozen2(const TxevXMLNode2& top, const std::vector<const TxevXMLNode2*>& children);
  ~TxevXMLFrozen2();
  TxevXMLFrozen2(TxevXMLFrozen2&& other) noexcept;
  TxevXMLFrozen2(const TxevXMLFrozen2&) = delete;
  TxevXMLFrozen2& operator=(const TxevXMLFrozen2&) = delete;

  // The declaration's "version" pseudo-attribute ("" when it has none, or for an element).
  const std::string& Version() const { return version_; }
  // The frozen element as a live one again: a detached element with its subtree (sharing the
  // texts), as CloneNode of what was frozen gives. A large one is built on a few threads.
  std::unique_ptr<TxevXMLNode2> Thaw() const;
  // The elements Thaw makes: the frozen element and every element below it.
  std::size_t Elements() const;
  // Appends the document element as TxevXMLParser2::WriteXML writes it without the declaration.
  void WriteXML(std::string& out) const;

  // Writes the element in pieces: consume is handed the next bytes whenever about chunk bytes are
  // ready, and the rest at the end. With narrow, the UTF-8 of every piece is turned into Windows-1252
  // before it is handed on; false (and nothing more handed on) when a character has no byte there.
  bool WriteXML(std::size_t chunk, bool narrow, const std::function<void(std::string&)>& consume) const;

  // What WriteXML gives, measured without writing it: its size in bytes as it is, and whether every
  // character of it has a Windows-1252 byte, with the size it then has.
  struct TMeasure {
    std::uint64_t Utf8Bytes = 0;
    std::uint64_t Cp1252Bytes = 0;
    bool Cp1252 = true;
  };
  TMeasure Measure() const;

  // Makes the frozen form of every subtree of doc that has none (the next TxevXMLFrozen2 of it then
  // costs only what changes from now on). textBytes, the size of the text the document was read from
  // (0 when not known), decides whether the work is shared among a few threads.
  static void FreezeDocument(const TxevXMLParser2& doc, std::size_t textBytes);
  // The same for one element and its subtree, the work shared among a few threads when it is
  // large: a subtree made beside the document (a copy to be pasted) then costs the snapshot after it
  // joins the document no more than what changed around it. Nothing else may touch the subtree
  // meanwhile.
  static void FreezeTree(const TxevXMLNode2& node);

 private:
  std::string version_;
  const TxevXMLFrozenBlock* root_ = nullptr;  // one reference held
};
