// The editor control's text and change history: the line buffer, whose lines also carry the
// highlighter state at their end and a cache of their tab-expanded length, and the bounded undo list.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadTypes.h"
#include "editor/SynUnicode.h"

class ESynPadStringList : public EStringListError {
 public:
  using EStringListError::EStringListError;
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SSynPadInvalidStringIndex = "Invalid stringlist index %d";
inline constexpr const char* SSynPadCapacityError = "Stringlist capacity cannot be smaller than count";

// Line flags.
inline constexpr std::uint8_t sfHasTabs = 1;
inline constexpr std::uint8_t sfHasNoTabs = 2;
inline constexpr std::uint8_t sfExpandedLengthUnknown = 4;

// The range of a line that the highlighter has not scanned yet.
inline constexpr std::intptr_t NullRange = -1;

// The text of one line: its own exact-size block, or a borrowed part of the block a whole text
// was loaded into (one allocation for a million lines instead of a million).
class TSynLineText {
 public:
  TSynLineText() = default;
  ~TSynLineText() { Release(); }
  TSynLineText(const TSynLineText&) = delete;
  TSynLineText& operator=(const TSynLineText&) = delete;
  TSynLineText(TSynLineText&& o) noexcept : fData(o.fData), fLen(o.fLen), fOwned(o.fOwned) { o.Forget(); }
  TSynLineText& operator=(TSynLineText&& o) noexcept {
    if (this != &o) {
      Release();
      fData = o.fData;
      fLen = o.fLen;
      fOwned = o.fOwned;
      o.Forget();
    }
    return *this;
  }
  TSynLineText& operator=(std::u16string_view S) {
    Assign(S);
    return *this;
  }
  void Assign(std::u16string_view S);
  // Points into a block the list keeps alive.
  void Borrow(const char16_t* P, int Len) {
    Release();
    fData = const_cast<char16_t*>(P);
    fLen = Len;
    fOwned = false;
  }
  std::u16string_view View() const { return std::u16string_view(fData ? fData : u"", static_cast<size_t>(fLen)); }
  operator std::u16string_view() const { return View(); }
  bool empty() const { return fLen == 0; }
  size_t size() const { return static_cast<size_t>(fLen); }
  size_t find(char16_t C) const { return View().find(C); }

 private:
  void Release() {
    if (fOwned) delete[] fData;
    Forget();
  }
  void Forget() {
    fData = nullptr;
    fLen = 0;
    fOwned = false;
  }
  char16_t* fData = nullptr;
  int fLen = 0;
  bool fOwned = false;
};

struct TSynPadStringRec {
  TSynLineText fString;
  TWideObject fObject = nullptr;
  std::intptr_t fRange = NullRange;
  int fExpandedLength = -1;
  std::uint8_t fFlags = sfExpandedLengthUnknown;
};

// How the lines of a loaded text ended: 0 CR LF, 1 LF, 2 CR, 3 U+2028.
enum TSynPadFileFormat : std::uint8_t { sffDos = 0, sffUnix = 1, sffMac = 2, sffUnicode = 3 };

using TStringListChangeEvent = std::function<void(TSynPersistent* Sender, int Index, int Count)>;

class TSynPadStringList : public TWideStrings {
 public:
  TSynPadStringList();
  ~TSynPadStringList() override;

  // Outside the list: an empty text, no object, range 0, length 0 (no error).
  std::u16string Get(int Index) const override;
  // The line's text without a copy (empty outside the list); valid until the line changes.
  std::u16string_view StringRef(int Index) const;
  int GetCapacity() const override;
  int GetCount() const override;
  TWideObject GetObject(int Index) const override;
  std::u16string GetTextStr() const override;
  void Put(int Index, const std::u16string& S) override;
  void PutObject(int Index, TWideObject AObject) override;
  void SetCapacity(int NewCapacity) override;
  void SetUpdateState(bool Updating) override;
  int Add(const std::u16string& S) override;
  void AddStrings(const TWideStrings* Strings) override;
  using TWideStrings::AddStrings;
  void Clear() override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  void Insert(int Index, const std::u16string& S) override;
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  // Splits on CR, LF and U+2028 (CR LF and U+2028 CR LF are one break); a trailing break adds an
  // empty last line; sets the file format.
  void SetText(std::u16string_view Text) override;
  void SetTextStr(std::u16string_view Text) { SetText(Text); }

  void DeleteLines(int Index, int NumLines);
  void InsertLines(int Index, int NumLines);
  // Inserts the texts as lines before Index in one step, with one OnInserted (a pasted text of a
  // million lines is one move of the later lines, not a million).
  void InsertStrings(int Index, const std::vector<std::u16string_view>& Strings);
  std::intptr_t GetRange(int Index) const;
  void PutRange(int Index, std::intptr_t ARange);
  std::u16string ExpandedStrings(int Index);
  int ExpandedStringLengths(int Index);
  // Const to its readers: what it changes are caches (expanded lengths, the longest line's index).
  int LengthOfLongestLine() const;
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value);
  TSynPadFileFormat FileFormat() const { return fFileFormat; }
  void SetFileFormat(TSynPadFileFormat Value) { fFileFormat = Value; }
  std::uint8_t Flags(int Index) const;

  TSynNotifyEvent OnChange;
  TSynNotifyEvent OnChanging;
  TSynNotifyEvent OnCleared;
  TStringListChangeEvent OnDeleted;
  TStringListChangeEvent OnInserted;
  TStringListChangeEvent OnPutted;

 protected:
  [[noreturn]] void ListIndexOutOfBounds(int Index) const;
  void Grow();
  // Borrowed: S lies in one of the list's blocks and is not copied.
  void InsertItem(int Index, std::u16string_view S, bool Borrowed = false);
  // Expands the line when its length is unknown and returns the length.
  int ExpandedLength(int Index);
  void ExpandLine(int Index, std::u16string* Result);
  // The longest-line index is kept valid where that is cheap, instead of being dropped after every
  // change: a rescan of a million lines per keystroke would be far too slow.
  void NoteLineGrew(int Index);

  std::vector<TSynPadStringRec> fList;  // size() is the capacity
  // Blocks that loaded texts were put into; lines borrow from them until the list is cleared.
  std::vector<std::unique_ptr<char16_t[]>> fBlocks;
  int fCount = 0;
  TSynPadFileFormat fFileFormat = sffDos;
  TConvertTabsProcEx fConvertTabsProc;
  int fIndexOfLongestLine = -1;
  bool fStreaming = false;
  int fTabWidth = 8;
};

// Change reasons (the undo list itself interprets only crNothing and crGroupBreak).
enum TSynChangeReason : std::uint8_t {
  crInsert = 0,           // inserted text
  crPaste = 1,            // pasted text
  crDragDropInsert = 2,   // text inserted by drag and drop
  crDeleteSelection = 3,  // a deleted selection (caret at its end)
  crSelDelete = 4,        // a deleted selection (caret at its start); opens typing over a selection
  crLineBreak = 5,
  crIndent = 6,
  crUnindent = 7,
  crDeleteBefore = 8,  // text deleted before the caret
  crDeleteAfter = 9,   // text deleted at or after the caret
  crGroupOpen = 10,
  crGroupClose = 11,
  crPasteBegin = 12,
  crPasteEnd = 13,
  crSpecial1Begin = 14,
  crSpecial1End = 15,
  crSpecial2Begin = 16,
  crSpecial2End = 17,
  crCaseSelection = 18,  // the selection around a case change
  crCaseText = 19,       // the text of a case change
  crNothing = 20,        // LastChangeReason of an empty list
  crGroupBreak = 21,
  crDeleteAll = 22,
  crWhiteSpaceAdd = 23,  // padding before a character typed past the line end
};

enum TSynSelectionMode : std::uint8_t { smNormal = 0, smLine = 1, smColumn = 2 };

class TSynPadUndoItem : public TSynPersistent {
 public:
  void Assign(const TSynPadUndoItem& Source) {
    ChangeReason = Source.ChangeReason;
    ChangeSelMode = Source.ChangeSelMode;
    ChangeStartPos = Source.ChangeStartPos;
    ChangeEndPos = Source.ChangeEndPos;
    ChangeStr = Source.ChangeStr;
    ChangeNumber = Source.ChangeNumber;
    MarkLines = Source.MarkLines;
    ColumnStarts = Source.ColumnStarts;
  }

  TSynChangeReason ChangeReason = crInsert;
  TSynSelectionMode ChangeSelMode = smNormal;
  TBufferCoord ChangeStartPos;
  TBufferCoord ChangeEndPos;
  std::u16string ChangeStr;
  int ChangeNumber = 0;
  // Marks the change moved off deleted lines (the editor's own handles) and the lines they stood
  // on, so that undoing it puts them back.
  std::vector<std::pair<const void*, int>> MarkLines;
  // A column block's text: where it began on each of its lines (empty for other items).
  std::vector<int> ColumnStarts;
};

class TSynPadUndoList : public TSynPersistent {
 public:
  TSynPadUndoList() = default;
  ~TSynPadUndoList() override = default;

  // The item recorded, for the caller to add what only it knows (the marks it moved); nullptr when
  // nothing was kept: the list is locked, or its limit (0 keeps nothing) dropped the item at once.
  TSynPadUndoItem* AddChange(TSynChangeReason AReason, const TBufferCoord& AStart, const TBufferCoord& AEnd,
                             const std::u16string& ChangeText, TSynSelectionMode SelMode);
  void AddGroupBreak();
  void BeginBlock();
  void EndBlock();
  void Clear();
  bool CanUndo() const { return !fItems.empty(); }
  int ItemCount() const { return static_cast<int>(fItems.size()); }
  TSynChangeReason LastChangeReason() const;
  // The newest item (nullptr when empty); the list keeps it.
  const TSynPadUndoItem* PeekItem() const;
  // Removes the newest item and hands it over (nullptr when empty).
  std::unique_ptr<TSynPadUndoItem> PopItem();
  void PushItem(std::unique_ptr<TSynPadUndoItem> Item);
  void Lock();
  void Unlock();
  bool IsLocked() const { return fLockCount > 0; }
  // At most this many items are kept; the oldest changes go whole (all items of one change number),
  // and the newest change and a block being recorded are never cut, so an undo never gives a text
  // that did not exist. 0 keeps nothing.
  int MaxUndoActions() const { return fMaxUndoActions; }
  void SetMaxUndoActions(int Value);
  void SetInitialState(bool Value);
  bool GetInitialState() const;
  void Assign(const TSynPadUndoList& Source);
  // Item Index from the oldest (0) to the newest.
  const TSynPadUndoItem* Items(int Index) const { return fItems.at(static_cast<size_t>(Index)).get(); }

  int BlockChangeNumber() const { return fBlockChangeNumber; }
  void SetBlockChangeNumber(int Value) { fBlockChangeNumber = Value; }
  int BlockCount() const { return fBlockCount; }
  bool FullUndoImpossible() const { return fFullUndoImposible; }
  int NextChangeNumber() const { return fNextChangeNumber; }
  int InitialChangeNumber() const { return fInitialChangeNumber; }
  // Set by the editor's Redo for its duration, so that the items it pushes do not clear the redo list.
  bool InsideRedo() const { return fInsideRedo; }
  void SetInsideRedo(bool Value) { fInsideRedo = Value; }

  TSynNotifyEvent OnAddedUndo;

 protected:
  void EnsureMaxEntries();
  void IncNextChangeNumber();

  int fBlockChangeNumber = 0;
  int fBlockCount = 0;
  bool fFullUndoImposible = false;
  // Oldest first. A deque: at the limit every push drops the oldest item.
  std::deque<std::unique_ptr<TSynPadUndoItem>> fItems;
  int fLockCount = 0;
  int fMaxUndoActions = 1024;
  int fNextChangeNumber = 1;
  int fInitialChangeNumber = 0;
  bool fInsideRedo = false;
};
