#include "editor/SynPadTextBuffer.h"

#include <algorithm>
#include <cstdio>

namespace {

class Bracket {
 public:
  explicit Bracket(TWideStrings& s) : s_(s) { s_.BeginUpdate(); }
  ~Bracket() { s_.EndUpdate(); }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;

 private:
  TWideStrings& s_;
};

class StreamingFlag {
 public:
  explicit StreamingFlag(bool& f) : f_(f) { f_ = true; }
  ~StreamingFlag() { f_ = false; }
  StreamingFlag(const StreamingFlag&) = delete;
  StreamingFlag& operator=(const StreamingFlag&) = delete;

 private:
  bool& f_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSynPadStringList

TSynPadStringList::TSynPadStringList() : fConvertTabsProc(SelectConvertTabsProcEx(8)) {}

TSynPadStringList::~TSynPadStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  OnCleared = nullptr;
  OnDeleted = nullptr;
  OnInserted = nullptr;
  OnPutted = nullptr;
}

void TSynPadStringList::ListIndexOutOfBounds(int Index) const {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, SSynPadInvalidStringIndex, Index);
  throw ESynPadStringList(buffer);
}

void TSynLineText::Assign(std::u16string_view S) {
  char16_t* p = nullptr;
  if (!S.empty()) {
    p = new char16_t[S.size()];
    std::copy(S.begin(), S.end(), p);
  }
  Release();
  fData = p;
  fLen = static_cast<int>(S.size());
  fOwned = p != nullptr;
}

std::u16string TSynPadStringList::Get(int Index) const {
  if (static_cast<unsigned>(Index) < static_cast<unsigned>(fCount)) return std::u16string(fList[Index].fString.View());
  return {};
}

std::u16string_view TSynPadStringList::StringRef(int Index) const {
  if (static_cast<unsigned>(Index) < static_cast<unsigned>(fCount)) return fList[Index].fString.View();
  return {};
}

int TSynPadStringList::GetCapacity() const {
  return static_cast<int>(fList.size());
}

int TSynPadStringList::GetCount() const {
  return fCount;
}

TWideObject TSynPadStringList::GetObject(int Index) const {
  if (static_cast<unsigned>(Index) < static_cast<unsigned>(fCount)) return fList[Index].fObject;
  return nullptr;
}

std::uint8_t TSynPadStringList::Flags(int Index) const {
  if (static_cast<unsigned>(Index) < static_cast<unsigned>(fCount)) return fList[Index].fFlags;
  return 0;
}

std::u16string TSynPadStringList::GetTextStr() const {
  if (!fStreaming) return TWideStrings::GetTextStr();
  switch (fFileFormat) {
    case sffUnix:
      return JoinWithSeparator(u"\n");
    case sffMac:
      return JoinWithSeparator(u"\r");
    case sffUnicode:
      return JoinWithSeparator(fSaveAsUnicode ? u"\u2028" : u"\r\n");
    case sffDos:
    default:
      return JoinWithSeparator(u"\r\n");
  }
}

void TSynPadStringList::Put(int Index, const std::u16string& S) {
  if ((Index == 0 && fCount == 0) || Index == fCount) {
    Add(S);
    return;
  }
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  TSynPadStringRec& rec = fList[Index];
  const int oldLongest = fIndexOfLongestLine == Index ? rec.fExpandedLength : -1;
  rec.fFlags = sfExpandedLengthUnknown;
  rec.fExpandedLength = -1;
  rec.fString = S;
  if (fIndexOfLongestLine == Index) {
    // Still the longest unless it became shorter.
    if (ExpandedLength(Index) < oldLongest) fIndexOfLongestLine = -1;
  } else {
    NoteLineGrew(Index);
  }
  if (OnPutted) OnPutted(this, Index, 1);
}

void TSynPadStringList::PutObject(int Index, TWideObject AObject) {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  fList[Index].fObject = AObject;
}

void TSynPadStringList::PutRange(int Index, std::intptr_t ARange) {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  fList[Index].fRange = ARange;
}

std::intptr_t TSynPadStringList::GetRange(int Index) const {
  if (static_cast<unsigned>(Index) < static_cast<unsigned>(fCount)) return fList[Index].fRange;
  return 0;
}

void TSynPadStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < fCount) throw EListError(SSynPadCapacityError);
  // Exactly what the rule asks: the vector's own doubling would hold twice the records.
  if (static_cast<size_t>(NewCapacity) > fList.capacity()) fList.reserve(static_cast<size_t>(NewCapacity));
  fList.resize(static_cast<size_t>(NewCapacity));
}

void TSynPadStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

void TSynPadStringList::Grow() {
  const int cap = GetCapacity();
  const int delta = cap > 64 ? cap / 4 : 16;
  SetCapacity(cap + delta);
}

void TSynPadStringList::InsertItem(int Index, std::u16string_view S, bool Borrowed) {
  if (fCount == GetCapacity()) Grow();
  if (Index < fCount) std::move_backward(fList.begin() + Index, fList.begin() + fCount, fList.begin() + fCount + 1);
  TSynPadStringRec& rec = fList[Index];
  if (Borrowed)
    rec.fString.Borrow(S.data(), static_cast<int>(S.size()));
  else
    rec.fString.Assign(S);
  rec.fObject = nullptr;
  rec.fRange = NullRange;
  rec.fExpandedLength = -1;
  rec.fFlags = sfExpandedLengthUnknown;
  ++fCount;
  if (fIndexOfLongestLine >= Index) ++fIndexOfLongestLine;
  NoteLineGrew(Index);
}

void TSynPadStringList::NoteLineGrew(int Index) {
  if (fIndexOfLongestLine < 0) return;
  const int len = ExpandedLength(Index);
  const int best = ExpandedLength(fIndexOfLongestLine);
  if (len > best || (len == best && Index < fIndexOfLongestLine)) fIndexOfLongestLine = Index;
}

int TSynPadStringList::Add(const std::u16string& S) {
  Bracket bracket(*this);
  const int result = fCount;
  InsertItem(result, S);
  if (OnInserted) OnInserted(this, result, 1);
  return result;
}

void TSynPadStringList::AddStrings(const TWideStrings* Strings) {
  if (!Strings) throw EAssertionFailed("Assertion failed (SynPadTextBuffer): AddStrings from a missing list");
  const int n = Strings->GetCount();
  if (n <= 0) return;
  Bracket bracket(*this);
  fIndexOfLongestLine = -1;
  const int need = fCount + n;
  if (need > GetCapacity()) SetCapacity((need + 15) / 16 * 16);
  const int first = fCount;
  for (int i = 0; i < n; ++i) {
    // Strings may be this very list: read by index from the original lines only.
    std::u16string s = Strings->Get(i);
    TWideObject o = Strings->GetObject(i);
    InsertItem(fCount, s);
    fList[fCount - 1].fObject = o;
  }
  if (OnInserted) OnInserted(this, first, n);
}

void TSynPadStringList::Clear() {
  if (fCount != 0) {
    Bracket bracket(*this);
    fList.clear();
    fList.shrink_to_fit();
    fBlocks.clear();
    fCount = 0;
    fIndexOfLongestLine = -1;
    if (OnCleared) OnCleared(this);
  }
  fIndexOfLongestLine = -1;
}

void TSynPadStringList::Delete(int Index) {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  std::move(fList.begin() + Index + 1, fList.begin() + fCount, fList.begin() + Index);
  --fCount;
  fList[fCount] = TSynPadStringRec{};
  if (fIndexOfLongestLine == Index)
    fIndexOfLongestLine = -1;
  else if (fIndexOfLongestLine > Index)
    --fIndexOfLongestLine;
  if (OnDeleted) OnDeleted(this, Index, 1);
}

void TSynPadStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  NumLines = std::min(NumLines, fCount - Index);
  std::move(fList.begin() + Index + NumLines, fList.begin() + fCount, fList.begin() + Index);
  for (int i = fCount - NumLines; i < fCount; ++i) fList[i] = TSynPadStringRec{};
  fCount -= NumLines;
  // Keep the longest-line index pointing at a line that exists and is still the longest.
  if (fIndexOfLongestLine >= Index + NumLines)
    fIndexOfLongestLine -= NumLines;
  else if (fIndexOfLongestLine >= Index)
    fIndexOfLongestLine = -1;
  if (OnDeleted) OnDeleted(this, Index, NumLines);
}

void TSynPadStringList::InsertLines(int Index, int NumLines) {
  if (static_cast<unsigned>(Index) > static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  if (NumLines <= 0) return;
  Bracket bracket(*this);
  SetCapacity(fCount + NumLines);
  if (Index < fCount)
    std::move_backward(fList.begin() + Index, fList.begin() + fCount, fList.begin() + fCount + NumLines);
  for (int i = Index; i < Index + NumLines; ++i) fList[i] = TSynPadStringRec{};
  fCount += NumLines;
  // Empty lines are never longer than the longest; it only moves down.
  if (fIndexOfLongestLine >= Index) fIndexOfLongestLine += NumLines;
  if (OnInserted) OnInserted(this, Index, NumLines);
}

void TSynPadStringList::InsertStrings(int Index, const std::vector<std::u16string_view>& Strings) {
  if (static_cast<unsigned>(Index) > static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  const int n = static_cast<int>(Strings.size());
  if (n <= 0) return;
  Bracket bracket(*this);
  const int cap = GetCapacity();
  if (fCount + n > cap) SetCapacity(std::max(fCount + n, cap + (cap > 64 ? cap / 4 : 16)));
  if (Index < fCount) std::move_backward(fList.begin() + Index, fList.begin() + fCount, fList.begin() + fCount + n);
  for (int i = 0; i < n; ++i) {
    TSynPadStringRec& rec = fList[Index + i];
    rec = TSynPadStringRec{};
    rec.fString.Assign(Strings[static_cast<size_t>(i)]);
  }
  fCount += n;
  if (fIndexOfLongestLine >= Index) fIndexOfLongestLine += n;
  for (int i = Index; i < Index + n; ++i) NoteLineGrew(i);
  if (OnInserted) OnInserted(this, Index, n);
}

void TSynPadStringList::Exchange(int Index1, int Index2) {
  if (static_cast<unsigned>(Index1) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index1);
  if (static_cast<unsigned>(Index2) >= static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index2);
  Bracket bracket(*this);
  std::swap(fList[Index1], fList[Index2]);
  if (fIndexOfLongestLine == Index1)
    fIndexOfLongestLine = Index2;
  else if (fIndexOfLongestLine == Index2)
    fIndexOfLongestLine = Index1;
}

void TSynPadStringList::Insert(int Index, const std::u16string& S) {
  if (static_cast<unsigned>(Index) > static_cast<unsigned>(fCount)) ListIndexOutOfBounds(Index);
  Bracket bracket(*this);
  InsertItem(Index, S);
  if (OnInserted) OnInserted(this, Index, 1);
}

void TSynPadStringList::LoadFromStream(TStream& Stream) {
  StreamingFlag flag(fStreaming);
  TWideStrings::LoadFromStream(Stream);
}

void TSynPadStringList::SaveToStream(TStream& Stream) {
  StreamingFlag flag(fStreaming);
  TWideStrings::SaveToStream(Stream);
}

void TSynPadStringList::SetText(std::u16string_view Text) {
  bool seenLF = false, seenCR = false, seenLS = false;
  {
    Bracket bracket(*this);
    Clear();
    const size_t n = Text.size();
    // Room for every line at once, so a large text is not moved again and again while the list
    // grows by its rule (the capacity the list reports still follows the rule).
    size_t breaks = 0;
    for (size_t i = 0; i < n; ++i) {
      const char16_t c = Text[i];
      breaks += static_cast<size_t>((c == 0x0A) | (c == 0x0D) | (c == 0x2028));
    }
    // The capacity the growth rule will reach, reserved once: growing past a reservation would
    // double the records' storage.
    size_t cap = static_cast<size_t>(GetCapacity());
    while (cap < breaks + 2) cap += cap > 64 ? cap / 4 : 16;
    fList.reserve(cap);
    // Every character that is not a line break belongs to a line: one block holds them all.
    char16_t* block = nullptr;
    if (n > breaks) {
      fBlocks.push_back(std::make_unique<char16_t[]>(n - breaks));
      block = fBlocks.back().get();
    }
    size_t p = 0;
    while (p < n) {
      const size_t start = p;
      while (p < n) {
        const char16_t c = Text[p];
        if (c > 0x0D ? c == 0x2028 : (c == 0x0A || c == 0x0D)) break;
        ++p;
      }
      // As Add, the line's text put into the block.
      const int index = fCount;
      const size_t len = p - start;
      if (len > 0) std::copy(Text.data() + start, Text.data() + p, block);
      InsertItem(index, std::u16string_view(block ? block : u"", len), true);
      if (block) block += len;
      if (OnInserted) OnInserted(this, index, 1);
      if (p < n && Text[p] == 0x2028) {
        seenLS = true;
        ++p;
      }
      if (p < n && Text[p] == 0x0D) {
        seenCR = true;
        ++p;
      }
      if (p < n && Text[p] == 0x0A) {
        seenLF = true;
        ++p;
      }
    }
    if (n > 0) {
      const char16_t last = Text[n - 1];
      if (last == 0x0A || last == 0x0D || last == 0x2028) Add(std::u16string());
    }
  }
  if (seenLS)
    fFileFormat = sffUnicode;
  else if (seenCR && !seenLF)
    fFileFormat = sffMac;
  else if (seenLF && !seenCR)
    fFileFormat = sffUnix;
  else
    fFileFormat = sffDos;
}

void TSynPadStringList::ExpandLine(int Index, std::u16string* Result) {
  TSynPadStringRec& rec = fList[Index];
  if (rec.fString.empty()) {
    rec.fExpandedLength = 0;
    rec.fFlags = sfHasNoTabs;
    if (Result) Result->clear();
    return;
  }
  if (rec.fString.find(u'\t') == std::u16string::npos) {
    // No tab: the expansion is the line itself; no copy is needed for the length.
    rec.fExpandedLength = static_cast<int>(rec.fString.size());
    rec.fFlags = sfHasNoTabs;
    if (Result) Result->assign(rec.fString.View());
    return;
  }
  bool hasTabs = false;
  std::u16string expanded = fConvertTabsProc(rec.fString, fTabWidth, hasTabs);
  rec.fExpandedLength = static_cast<int>(expanded.size());
  rec.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
  if (Result) *Result = std::move(expanded);
}

std::u16string TSynPadStringList::ExpandedStrings(int Index) {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) return {};
  const TSynPadStringRec& rec = fList[Index];
  if (rec.fFlags & sfHasNoTabs) return std::u16string(rec.fString.View());
  std::u16string result;
  ExpandLine(Index, &result);
  return result;
}

int TSynPadStringList::ExpandedLength(int Index) {
  TSynPadStringRec& rec = fList[Index];
  if (rec.fFlags & sfExpandedLengthUnknown) ExpandLine(Index, nullptr);
  return rec.fExpandedLength;
}

int TSynPadStringList::ExpandedStringLengths(int Index) {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(fCount)) return 0;
  return ExpandedLength(Index);
}

int TSynPadStringList::LengthOfLongestLine() const {
  if (fCount == 0) return 0;
  // The list itself is never const: the const view is the control's, handed to readers.
  auto& self = const_cast<TSynPadStringList&>(*this);
  if (fIndexOfLongestLine < 0) {
    int best = -1;
    for (int i = 0; i < fCount; ++i) {
      const int len = self.ExpandedLength(i);
      if (len > best) {
        best = len;
        self.fIndexOfLongestLine = i;
      }
    }
  }
  return self.ExpandedLength(fIndexOfLongestLine);
}

void TSynPadStringList::SetTabWidth(int Value) {
  if (Value == fTabWidth) return;
  fTabWidth = Value;
  fConvertTabsProc = SelectConvertTabsProcEx(Value);
  fIndexOfLongestLine = -1;
  for (int i = 0; i < fCount; ++i) {
    TSynPadStringRec& rec = fList[i];
    rec.fExpandedLength = -1;
    rec.fFlags = static_cast<std::uint8_t>((rec.fFlags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
  }
}

// ---------------------------------------------------------------------------------------------
// TSynPadUndoList

void TSynPadUndoList::IncNextChangeNumber() {
  fNextChangeNumber = static_cast<int>(static_cast<unsigned>(fNextChangeNumber) + 1u);
  if (fNextChangeNumber == 0) fNextChangeNumber = 1;
}

TSynPadUndoItem* TSynPadUndoList::AddChange(TSynChangeReason AReason, const TBufferCoord& AStart,
                                            const TBufferCoord& AEnd, const std::u16string& ChangeText,
                                            TSynSelectionMode SelMode) {
  if (fLockCount > 0) return nullptr;
  auto item = std::make_unique<TSynPadUndoItem>();
  item->ChangeReason = AReason;
  item->ChangeSelMode = SelMode;
  item->ChangeStartPos = AStart;
  item->ChangeEndPos = AEnd;
  item->ChangeStr = ChangeText;
  // A non-zero block number means the items belong to one block, whether opened here by BeginBlock
  // or set by the editor's undo and redo for the items they push.
  if (fBlockChangeNumber != 0) {
    item->ChangeNumber = fBlockChangeNumber;
  } else {
    item->ChangeNumber = fNextChangeNumber;
    IncNextChangeNumber();
  }
  TSynPadUndoItem* added = item.get();
  PushItem(std::move(item));
  return !fItems.empty() && fItems.back().get() == added ? added : nullptr;
}

void TSynPadUndoList::AddGroupBreak() {
  if (LastChangeReason() != crGroupBreak) AddChange(crGroupBreak, TBufferCoord{}, TBufferCoord{}, u"", smNormal);
}

void TSynPadUndoList::BeginBlock() {
  ++fBlockCount;
  fBlockChangeNumber = fNextChangeNumber;
}

void TSynPadUndoList::EndBlock() {
  if (fBlockCount <= 0) return;
  --fBlockCount;
  if (fBlockCount == 0) {
    const int blockId = fBlockChangeNumber;
    fBlockChangeNumber = 0;
    IncNextChangeNumber();
    if (!fItems.empty() && fItems.back()->ChangeNumber == blockId && OnAddedUndo) OnAddedUndo(this);
  }
}

void TSynPadUndoList::Clear() {
  fItems.clear();
  fFullUndoImposible = false;
}

TSynChangeReason TSynPadUndoList::LastChangeReason() const {
  return fItems.empty() ? crNothing : fItems.back()->ChangeReason;
}

const TSynPadUndoItem* TSynPadUndoList::PeekItem() const {
  return fItems.empty() ? nullptr : fItems.back().get();
}

std::unique_ptr<TSynPadUndoItem> TSynPadUndoList::PopItem() {
  if (fItems.empty()) return nullptr;
  std::unique_ptr<TSynPadUndoItem> item = std::move(fItems.back());
  fItems.pop_back();
  return item;
}

void TSynPadUndoList::PushItem(std::unique_ptr<TSynPadUndoItem> Item) {
  if (!Item) return;
  const TSynChangeReason reason = Item->ChangeReason;
  fItems.push_back(std::move(Item));
  EnsureMaxEntries();
  if (reason != crGroupBreak && OnAddedUndo) OnAddedUndo(this);
}

void TSynPadUndoList::EnsureMaxEntries() {
  while (static_cast<int>(fItems.size()) > fMaxUndoActions) {
    const int number = fItems.front()->ChangeNumber;
    // Cutting the newest change or the block being recorded would leave half a change to undo.
    if (fMaxUndoActions > 0 &&
        (number == fItems.back()->ChangeNumber || (fBlockCount > 0 && number == fBlockChangeNumber)))
      return;
    fFullUndoImposible = true;
    do {
      fItems.pop_front();
    } while (!fItems.empty() && fItems.front()->ChangeNumber == number && fMaxUndoActions > 0);
  }
}

void TSynPadUndoList::Lock() {
  ++fLockCount;
}

void TSynPadUndoList::Unlock() {
  if (fLockCount > 0) --fLockCount;
}

void TSynPadUndoList::SetMaxUndoActions(int Value) {
  if (Value < 0) Value = 0;
  if (Value == fMaxUndoActions) return;
  fMaxUndoActions = Value;
  EnsureMaxEntries();
}

void TSynPadUndoList::SetInitialState(bool Value) {
  const int newest = fItems.empty() ? 0 : fItems.back()->ChangeNumber;
  if (Value) {
    fInitialChangeNumber = newest;
  } else if (newest == fInitialChangeNumber) {
    fInitialChangeNumber = -1;
  }
}

bool TSynPadUndoList::GetInitialState() const {
  if (fItems.empty()) return fInitialChangeNumber == 0;
  return fInitialChangeNumber == fItems.back()->ChangeNumber;
}

void TSynPadUndoList::Assign(const TSynPadUndoList& Source) {
  if (&Source == this) return;
  Clear();
  for (const auto& src : Source.fItems) {
    auto item = std::make_unique<TSynPadUndoItem>();
    item->Assign(*src);
    fItems.push_back(std::move(item));
  }
  fBlockChangeNumber = Source.fBlockChangeNumber;
  fBlockCount = Source.fBlockCount;
  fFullUndoImposible = Source.fFullUndoImposible;
  fLockCount = Source.fLockCount;
  fMaxUndoActions = Source.fMaxUndoActions;
  fNextChangeNumber = Source.fNextChangeNumber;
  fInsideRedo = Source.fInsideRedo;
}
