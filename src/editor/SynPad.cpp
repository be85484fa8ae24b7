#include "editor/SynPad.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadScopes.h"
#include "platform/RecordingCanvas.h"

namespace {

// The caret and the left column never go further right than this, whatever the options say
// (unless the line itself is longer): a column read from a file must not make the pixel
// arithmetic overflow or the first typed character pad a line to gigabytes.
constexpr int kColumnCeiling = 1 << 20;

int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

void AssertLock(bool ok) {
  if (!ok) throw EAssertionFailed("Assertion failure (SynPad)");
}

}  // namespace

const char* const SynPadOptionNames[SynPadOptionCount] = {"eoAltSetsColumnMode",
                                                          "eoAutoIndent",
                                                          "eoAutoSizeMaxScrollWidth",
                                                          "eoDisableScrollArrows",
                                                          "eoDragDropEditing",
                                                          "eoDropFiles",
                                                          "eoEnhanceHomeKey",
                                                          "eoEnhanceEndKey",
                                                          "eoGroupUndo",
                                                          "eoHalfPageScroll",
                                                          "eoHideShowScrollbars",
                                                          "eoKeepCaretX",
                                                          "eoNoCaret",
                                                          "eoNoSelection",
                                                          "eoRightMouseMovesCursor",
                                                          "eoScrollByOneLess",
                                                          "eoScrollHintFollows",
                                                          "eoScrollPastEof",
                                                          "eoScrollPastEol",
                                                          "eoShowScrollHint",
                                                          "eoShowSpecialChars",
                                                          "eoSmartTabDelete",
                                                          "eoSmartTabs",
                                                          "eoSpecialLineDefaultFg",
                                                          "eoTabIndent",
                                                          "eoTabsToSpaces",
                                                          "eoTrimTrailingSpaces"};

int SynPadOptionByName(std::string_view Name) {
  for (int i = 0; i < SynPadOptionCount; ++i)
    if (Name == SynPadOptionNames[i]) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Construction

TCustomSynPad::TCustomSynPad(ISynPadHost* Host) : fHost(Host) {
  fLines = std::make_unique<TSynPadStringList>();
  fLines->OnChanging = [this](TSynPersistent*) { fStateFlags |= sfLinesChanging; };
  fLines->OnChange = [this](TSynPersistent* S) { LinesChanged(S); };
  fLines->OnCleared = [this](TSynPersistent* S) { ListCleared(S); };
  fLines->OnDeleted = [this](TSynPersistent*, int I, int C) { ListDeleted(I, C); };
  fLines->OnInserted = [this](TSynPersistent*, int I, int C) { ListInserted(I, C); };
  fLines->OnPutted = [this](TSynPersistent*, int I, int C) { ListPutted(I, C); };
  fUndoList = std::make_unique<TSynPadUndoList>();
  fUndoList->OnAddedUndo = [this](TSynPersistent* S) { UndoRedoAdded(S); };
  fRedoList = std::make_unique<TSynPadUndoList>();
  fRedoList->OnAddedUndo = [this](TSynPersistent* S) { UndoRedoAdded(S); };
  fSelectedColor = std::make_unique<TSynSelectedColor>();
  fSelectedColor->OnChange = [this](TSynPersistent*) { InvalidateSelection(); };
  fBookMarkOpt = std::make_unique<TSynBookMarkOpt>(this);
  fBookMarkOpt->OnChange = [this](TSynPersistent*) { ImagesChanged(); };
  fWordWrapGlyph = std::make_unique<TSynGlyph>("SynPadWrapped", 0x00FF00);
  fWordWrapGlyph->OnChange = [this](TSynPersistent*) { InvalidateGutter(); };
  fKeystrokes = std::make_unique<TSynPadKeyStrokes>(this);
  fKeystrokes->ResetDefaults();
  fGutter = std::make_unique<TSynGutter>();
  fGutter->OnChange = [this](TSynPersistent*) { GutterOptionsChanged(); };
  fFont.OnChange = [this](TSynPersistent*) { FontChanged(); };
  const TSynFontDesc desc = FontDesc();
  platform::ICanvas* measurer = fHost ? &fHost->MeasuringCanvas() : &OwnMeasurer();
  fTextDrawer = std::make_unique<TheTextDrawer>(0, &desc, *measurer);
  MeasureFontCells();
  GutterOptionsChanged();
  RecomputeTextOffset();
  ComputeCaret();
  if (HandleAllocated()) CreateWnd();
}

TCustomSynPad::~TCustomSynPad() {
  fDestroying = true;
  fFreeNotifications.Fire();
  SetHighlighter(nullptr);
  SetSearchEngine(nullptr);
  if (fWatchedImages)
    static_cast<TSynImageList*>(fWatchedImages)
        ->FreeNotifications.Remove(NotifyMethod(
            this, [](TSynPersistent*) {}, 3));
  fLines->OnChanging = nullptr;
  fLines->OnChange = nullptr;
  fLines->OnCleared = nullptr;
  fLines->OnDeleted = nullptr;
  fLines->OnInserted = nullptr;
  fLines->OnPutted = nullptr;
  fUndoList->OnAddedUndo = nullptr;
  fRedoList->OnAddedUndo = nullptr;
  fGutter->OnChange = nullptr;
  fFont.OnChange = nullptr;
  fSelectedColor->OnChange = nullptr;
  fBookMarkOpt->OnChange = nullptr;
  fWordWrapGlyph->OnChange = nullptr;
}

platform::ICanvas& TCustomSynPad::OwnMeasurer() {
  if (!fOwnMeasurer) {
    auto own = std::make_unique<platform::TRecordingCanvas>();
    own->Record = false;  // it only measures: its calls are not kept
    fOwnMeasurer = std::move(own);
  }
  return *fOwnMeasurer;
}

void TCustomSynPad::SetHost(ISynPadHost* Host) {
  if (Host == fHost) return;
  fHost = Host;
  platform::ICanvas* measurer = fHost ? &fHost->MeasuringCanvas() : &OwnMeasurer();
  if (&fTextDrawer->Measurer() != measurer) {
    const TSynFontDesc desc = FontDesc();
    fTextDrawer = std::make_unique<TheTextDrawer>(0, &desc, *measurer);
  }
  FontChanged();
  if (HandleAllocated()) CreateWnd();
}

void TCustomSynPad::CreateWnd() {
  if (!HandleAllocated()) return;
  if (HasOption(eoDropFiles)) fHost->RegisterFileDrops(true);
  RecalcWindowExtent(false);
  UpdateScrollBars();
  // A caret placed while there was no window yet (a record opened before the window first shows)
  // could not be scrolled to then: it is now, as placing it promised.
  EnsureCursorPosVisible();
}

void TCustomSynPad::DestroyWnd() {
  if (fHost && HasOption(eoDropFiles)) fHost->RegisterFileDrops(false);
}

void TCustomSynPad::Loaded() {
  GutterOptionsChanged();
  UpdateScrollBars();
}

void TCustomSynPad::Resize() {
  // A scroll bar that appears takes lines from the view (one that goes gives them back): the
  // caret's line, in view before, stays in view, not half under the bar.
  const int row = HandleAllocated() && fLinesInWindow > 0 ? GetDisplayY() : 0;
  const bool caretInView = row >= fTopLine && row <= fTopLine + fLinesInWindow - 1;
  RecalcWindowExtent(false);
  if (caretInView && fLinesInWindow > 0 && row > fTopLine + fLinesInWindow - 1) SetTopLine(row - fLinesInWindow + 1);
}

TSynFontDesc SynCanvasFont(const TSynFont& Font, int PixelsPerInch, bool FixedPitch) {
  TSynFontDesc d;
  d.Name = Font.Name();
  // A negative size is a height in pixels: points at 72 per inch are pixels.
  d.Size = Font.Size() < 0 ? -Font.Size() : std::max(1, Font.Size());
  d.PixelsPerInch = Font.Size() < 0 ? 72 : PixelsPerInch;
  d.Style = Font.Style() & 0x0F;
  d.FixedPitch = FixedPitch;
  return d;
}

TSynFontDesc TCustomSynPad::FontDesc() const {
  return SynCanvasFont(fFont, fHost ? fHost->PixelsPerInch() : 96, fFixedPitchRequested);
}

void TCustomSynPad::SetFont(const TSynFont& Value) {
  platform::ICanvas& m = fTextDrawer->Measurer();
  m.SetFont(SynCanvasFont(Value, fHost ? fHost->PixelsPerInch() : 96, false));
  // A proportional face would break the grid: ask for the same family with fixed pitch, and let
  // the font mapper pick a face whose cells are equal.
  fFixedPitchRequested = !m.FontMetrics().FixedPitch;
  fFont.Assign(Value);  // fires FontChanged when something differs
  FontChanged();
  if (fGutter->ShowLineNumbers()) GutterOptionsChanged();
}

void TCustomSynPad::FontChanged() {
  const TSynFontDesc desc = FontDesc();
  fTextDrawer->SetBaseFont(&desc);
  MeasureFontCells();
  RecalcWindowExtent(true);
  RecomputeTextOffset();
}

// ---------------------------------------------------------------------------------------------
// Text

void TCustomSynPad::SetLines(const TWideStrings& Value) {
  fLines->Assign(Value);
}

std::u16string TCustomSynPad::GetText() const {
  return fLines->GetTextStr();
}

void TCustomSynPad::SetText(std::u16string_view Value) {
  // A list without lines fires no clear, yet a new text ends the old one's history, marks and
  // caret all the same: a change recorded on the empty text would otherwise be undone or redone
  // on the new one.
  if (fLines->Count() == 0) ListCleared(nullptr);
  fLines->SetText(Value);
}

void TCustomSynPad::LoadText(std::u16string_view Text) {
  SetText(Text);
  SetModified(false);
}

void TCustomSynPad::ClearAll() {
  fLines->Clear();
  fMarkList.clear();
  for (TSynPadMark*& slot : fBookMarks) slot = nullptr;
  fUndoList->Clear();
  fRedoList->Clear();
  SetModified(false);
}

void TCustomSynPad::ClearUndo() {
  static const TSynPadUndoList kNew;
  for (TSynPadUndoList* list : {fUndoList.get(), fRedoList.get()}) {
    const int limit = list->MaxUndoActions();
    list->Assign(kNew);
    list->SetMaxUndoActions(limit);
  }
}

bool TCustomSynPad::CanUndo() const {
  return !GetReadOnly() && fUndoList->CanUndo();
}
bool TCustomSynPad::CanRedo() const {
  return !GetReadOnly() && fRedoList->CanUndo();
}
bool TCustomSynPad::CanPaste() const {
  return !GetReadOnly() && ClipboardProvidesText();
}

// ---------------------------------------------------------------------------------------------
// Caret and selection

void TCustomSynPad::SetCaretXYEx(bool CallEnsureCursorPos, TBufferCoord Value) {
  fCaretAtEndOfRow = false;
  const bool hid = HandleAllocated();
  if (hid) HideCaret();
  const bool pastEol = HasOption(eoScrollPastEol);
  int maxX = WordWrap() ? INT_MAX : (fMaxScrollWidth >= INT_MAX - 1 ? INT_MAX : fMaxScrollWidth + 1);
  const int count = fLines->Count();
  int lineLen = 0;
  if (Value.Line > count) Value.Line = count;
  if (Value.Line >= 1) {
    lineLen = static_cast<int>(fLines->StringRef(Value.Line - 1).size());
    // Past the end allowed or not, the end of a long line is always reachable.
    if (!pastEol || maxX < lineLen + 1) maxX = lineLen + 1;
  } else {
    Value.Line = 1;
    if (!pastEol) maxX = 1;
  }
  if (Value.Char > maxX && !(pastEol && HasOption(eoAutoSizeMaxScrollWidth))) Value.Char = maxX;
  // The hard ceiling for a column past the end of a line.
  const int ceiling = std::max(kColumnCeiling, lineLen + 1);
  if (Value.Char > ceiling) Value.Char = ceiling;
  if (Value.Char < 1) Value.Char = 1;
  Value.Char = SnapToCharBoundary(LineText(Value.Line), Value.Char);
  if (Value.Char != fCaretX || Value.Line != fCaretY) {
    TSynPaintLock lock(*this);
    TSynStatusChanges changes = 0;
    if (fCaretX != Value.Char) {
      fCaretX = Value.Char;
      changes |= SynSC(scCaretX);
    }
    if (fCaretY != Value.Line) {
      if (fActiveLineColor != syn::clNone) {
        InvalidateLine(Value.Line);
        InvalidateLine(fCaretY);
      }
      fCaretY = Value.Line;
      changes |= SynSC(scCaretY);
    }
    StatusChanged(changes);
    fLastCaretX = GetDisplayX();
    if (CallEnsureCursorPos) EnsureCursorPosVisible();
    fStateFlags |= sfCaretChanged | sfScrollbarChanged;
  } else {
    fLastCaretX = GetDisplayX();
    if (hid) UpdateCaret();
  }
}

void TCustomSynPad::InternalSetCaretXYAndClearSelection(const TBufferCoord& Value) {
  SetCaretXY(Value);
  if (SelAvail()) InvalidateSelection();
  CollapseBlockOnCaret();
  StatusChanged(SynSC(scSelection));
}

TBufferCoord TCustomSynPad::BlockBegin() const {
  if (fBlockEnd.Line < fBlockBegin.Line || (fBlockEnd.Line == fBlockBegin.Line && fBlockEnd.Char < fBlockBegin.Char))
    return fBlockEnd;
  return fBlockBegin;
}

TBufferCoord TCustomSynPad::BlockEnd() const {
  if (fBlockEnd.Line < fBlockBegin.Line || (fBlockEnd.Line == fBlockBegin.Line && fBlockEnd.Char < fBlockBegin.Char))
    return fBlockBegin;
  return fBlockEnd;
}

TBufferCoord TCustomSynPad::ClampBlockPos(TBufferCoord Value) const {
  const int count = fLines->Count();
  int maxX = (HasOption(eoScrollPastEol) && !WordWrap())
                 ? (fMaxScrollWidth >= INT_MAX - 1 ? INT_MAX : fMaxScrollWidth + 1)
                 : INT_MAX;
  Value.Line = MinMax(Value.Line, 1, std::max(1, count));
  const int lineLen = (Value.Line <= count) ? static_cast<int>(fLines->StringRef(Value.Line - 1).size()) : 0;
  maxX = std::min(maxX, std::max(kColumnCeiling, lineLen + 1));
  if (fActiveSelectionMode == smNormal) maxX = std::min(maxX, Value.Line <= count ? lineLen + 1 : 1);
  Value.Char = MinMax(Value.Char, 1, maxX);
  Value.Char = SnapToCharBoundary(LineText(Value.Line), Value.Char);
  return Value;
}

void TCustomSynPad::StoreBlock(TBufferCoord Anchor, TBufferCoord Moving) {
  fBlockBegin = ClampBlockPos(Anchor);
  fBlockEnd = ClampBlockPos(Moving);
}

TBufferCoord TCustomSynPad::WholeCharPos(TBufferCoord Value) const {
  if (Value.Line >= 1 && Value.Line <= fLines->Count())
    Value.Char = SnapToCharBoundary(LineText(Value.Line), Value.Char);
  return Value;
}

void TCustomSynPad::SetBlockBegin(TBufferCoord Value) {
  fActiveSelectionMode = fSelectionMode;
  if (SelAvail()) InvalidateSelection();
  StoreBlock(Value, Value);
  StatusChanged(SynSC(scSelection));
}

void TCustomSynPad::SetBlockEnd(TBufferCoord Value) {
  if (HasOption(eoNoSelection)) return;
  fActiveSelectionMode = fSelectionMode;
  Value = ClampBlockPos(Value);
  if (Value == fBlockEnd) return;
  // A column block's columns follow the moving corner's screen column, which a Char kept on another
  // line need not keep: when they change, every line of the block shows other characters.
  if (fActiveSelectionMode == smColumn && LineColumn(Value) != LineColumn(fBlockEnd))
    InvalidateLines(std::min({fBlockBegin.Line, fBlockEnd.Line, Value.Line}),
                    std::max({fBlockBegin.Line, fBlockEnd.Line, Value.Line}));
  else
    InvalidateLines(std::min(fBlockEnd.Line, Value.Line), std::max(fBlockEnd.Line, Value.Line));
  StoreBlock(fBlockBegin, Value);
  StatusChanged(SynSC(scSelection));
}

bool TCustomSynPad::SelAvail() const {
  if (fBlockBegin == fBlockEnd) return false;
  if (fActiveSelectionMode == smColumn) {
    // Ends on different lines may stand in one screen column, and equal Chars in two.
    const TColumnSpan span = ColumnSpanOf(fBlockBegin, fBlockEnd);
    return span.Left != span.Right;
  }
  return !(fBlockBegin.Char == fBlockEnd.Char && fBlockBegin.Line == fBlockEnd.Line);
}

std::u16string TCustomSynPad::GetSelText() const {
  if (!SelAvail()) return std::u16string();
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  const int count = fLines->Count();
  std::u16string out;
  auto lineAt = [&](int line) -> std::u16string_view { return fLines->StringRef(line - 1); };
  switch (fActiveSelectionMode) {
    case smNormal: {
      if (b.Line > count) return out;
      for (int line = b.Line; line <= std::min(e.Line, count); ++line) {
        const std::u16string_view s = lineAt(line);
        const int len = static_cast<int>(s.size());
        const int from = line == b.Line ? std::min(b.Char - 1, len) : 0;
        const int to = line == e.Line ? std::min(e.Char - 1, len) : len;
        if (to > from) out.append(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
        if (line != e.Line) out += u"\r\n";
      }
      break;
    }
    case smColumn: {
      // The characters of the block's columns on every line, what a cut deletes; a line that ends
      // inside the block is padded to its right edge.
      const TColumnSpan span = ColumnSpanOf(b, e);
      for (int line = b.Line; line <= std::min(e.Line, count); ++line) {
        const std::u16string_view s = lineAt(line);
        const int len = static_cast<int>(s.size());
        const TCharRange r = ColumnCharsOfLine(line, span.Left, span.Right);
        const int from = std::min(r.From - 1, len), to = std::min(r.To - 1, len);
        out.append(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
        if (!HasOption(eoTrimTrailingSpaces)) {
          const int end = std::max(ExpandedColumn(s, to + 1), span.Left);
          if (end < span.Right) out.append(static_cast<size_t>(span.Right - end), u' ');
        }
        if (line != e.Line) out += u"\r\n";
      }
      break;
    }
    case smLine: {
      for (int line = b.Line; line <= std::min(e.Line, count); ++line) {
        out += lineAt(line);
        if (line < count) out += u"\r\n";
      }
      break;
    }
  }
  return out;
}

void TCustomSynPad::SelectAll() {
  const int count = fLines->Count();
  const TBufferCoord last{count > 0 ? static_cast<int>(fLines->StringRef(count - 1).size()) + 1 : 1,
                          std::max(1, count)};
  SetCaretXY(last);
  fActiveSelectionMode = fSelectionMode;
  StoreBlock(TBufferCoord{1, 1}, last);
  InvalidateLines(1, INT_MAX);
  StatusChanged(SynSC(scSelection));
}

void TCustomSynPad::SetSelectionMode(TSynSelectionMode Value) {
  if (Value == fSelectionMode) return;
  fSelectionMode = Value;
  InvalidateSelection();
  SetActiveSelectionMode(Value);
  InvalidateSelection();
}

void TCustomSynPad::SetActiveSelectionMode(TSynSelectionMode Value) {
  if (Value == fActiveSelectionMode) return;
  if (SelAvail()) InvalidateSelection();
  fActiveSelectionMode = Value;
  // A column block may reach past line ends; as a normal selection its ends lie in the text.
  StoreBlock(fBlockBegin, fBlockEnd);
  if (SelAvail()) InvalidateSelection();
  StatusChanged(SynSC(scSelection));
}

void TCustomSynPad::SetInsertMode(bool Value) {
  if (fInserting == Value) return;
  fInserting = Value;
  InitializeCaret();
  StatusChanged(SynSC(scInsertMode));
}

// ---------------------------------------------------------------------------------------------
// View

void TCustomSynPad::SetTopLine(int Value) {
  int maxTop = DisplayRowCount();
  // A window too low for one whole line still shows a line of the text at its top.
  if (!HasOption(eoScrollPastEof)) maxTop = maxTop - std::max(fLinesInWindow, 1) + 1;
  Value = MinMax(Value, 1, std::max(1, maxTop));
  if (Value == fTopLine) return;
  const int delta = fTopLine - Value;
  fTopLine = Value;
  if (HandleAllocated() && fHost->Visible()) {
    if (std::abs(delta) < fLinesInWindow)
      fHost->ScrollWindow(0, fTextHeight * delta, TSynRect{0, 0, ClientWidth(), ClientHeight()});
    else
      Invalidate();
  }
  UpdateScrollBars();
  UpdateCaret();
  StatusChanged(SynSC(scTopLine));
}

void TCustomSynPad::SetLeftChar(int Value) {
  if (WordWrap()) Value = 1;
  const bool pastEol = HasOption(eoScrollPastEol);
  const bool autoSize = pastEol && HasOption(eoAutoSizeMaxScrollWidth);
  int maxLeft;
  if (autoSize)
    maxLeft = std::max(kColumnCeiling, fLines->LengthOfLongestLine()) - fCharsInWindow;
  else if (pastEol)
    maxLeft = fMaxScrollWidth - fCharsInWindow + 1;
  else
    maxLeft = fLines->LengthOfLongestLine() - fCharsInWindow + 1;
  Value = MinMax(Value, 1, std::max(1, maxLeft));
  if (Value == fLeftChar) return;
  if (autoSize && fMaxScrollWidth < Value + fCharsInWindow)
    fMaxScrollWidth = std::min(Value + fCharsInWindow, 2147483646);
  const int delta = fLeftChar - Value;
  fLeftChar = Value;
  RecomputeTextOffset();
  if (HandleAllocated() && fHost->Visible()) {
    const TSynRect area{fGutterWidth + 2, 0, ClientWidth(), ClientHeight()};
    if (std::abs(delta) < fCharsInWindow)
      fHost->ScrollWindow(delta * fCharWidth, 0, area);
    else
      InvalidateLines(-1, -1);
  }
  UpdateScrollBars();
  UpdateCaret();
  StatusChanged(SynSC(scLeftChar));
}

void TCustomSynPad::RecomputeTextOffset() {
  fTextOffset =
      ClampToInt(static_cast<long long>(fGutterWidth) + 2 - static_cast<long long>(fLeftChar - 1) * fCharWidth);
}

void TCustomSynPad::SetMaxScrollWidth(int Value) {
  Value = MinMax(Value, 1, 2147483646);
  if (Value == fMaxScrollWidth) return;
  fMaxScrollWidth = Value;
  if (HasOption(eoScrollPastEol)) UpdateScrollBars();
}

void TCustomSynPad::EnsureCursorPosVisibleEx(bool ForceToMiddle) {
  TSynPaintLock lock(*this);
  if (fCharsInWindow > 0) {
    const int col = GetDisplayX();
    if (col < fLeftChar)
      SetLeftChar(col);
    else if (col >= fLeftChar + fCharsInWindow)
      SetLeftChar(col - fCharsInWindow + 1);
  }
  if (fLinesInWindow > 0) {
    const int row = GetDisplayY();
    if (ForceToMiddle) {
      if (row < fTopLine)
        SetTopLine(row - fLinesInWindow / 2);
      else if (row > fTopLine + fLinesInWindow - 1)
        SetTopLine(row - (fLinesInWindow - 1) + fLinesInWindow / 2);
    } else if (row < fTopLine) {
      SetTopLine(row);
    } else if (row > fTopLine + fLinesInWindow - 1) {
      SetTopLine(row - fLinesInWindow + 1);
    }
  }
}

void TCustomSynPad::BeginUpdate() {
  ++fPaintLock;
}

void TCustomSynPad::EndUpdate() {
  AssertLock(fPaintLock > 0);
  if (--fPaintLock > 0) return;
  if (fStateFlags & sfScrollbarChanged) UpdateScrollBars();
  // A remembered column beyond a wrapped row cannot be reached; keep it on the row.
  if (WordWrap() && fCharsInWindow > 0 && fLastCaretX > fCharsInWindow + 1) fLastCaretX = fCharsInWindow + 1;
  if (fStateFlags & sfCaretChanged) UpdateCaret();
  if (fStatusChanges != 0) DoOnStatusChange(fStatusChanges);
}

void TCustomSynPad::StatusChanged(TSynStatusChanges AChanges) {
  fStatusChanges |= AChanges;
  if (fPaintLock == 0 && fStatusChanges != 0) DoOnStatusChange(fStatusChanges);
}

void TCustomSynPad::DoOnStatusChange(TSynStatusChanges Changes) {
  fStatusChanges = 0;
  if (OnStatusChange) OnStatusChange(this, Changes);
}

void TCustomSynPad::DoChange() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// Properties

void TCustomSynPad::SetOptions(TSynPadorOptions Value) {
  if (Value == fOptions) return;
  const TSynPadorOptions changed = Value ^ fOptions;
  const bool dropChanged = (changed & SynOpt(eoDropFiles)) != 0;
  const TSynPadorOptions scrollOpts =
      SynOpt(eoDisableScrollArrows) | SynOpt(eoHideShowScrollbars) | SynOpt(eoScrollPastEof) | SynOpt(eoScrollPastEol);
  const bool scrollChanged = (changed & scrollOpts) != 0;
  fOptions = Value;
  // Clamped with the new set, so switching an option off pulls the view back at once.
  if (!HasOption(eoScrollPastEol)) SetLeftChar(fLeftChar);
  if (!HasOption(eoScrollPastEof)) SetTopLine(fTopLine);
  SetCaretXY(GetCaretXY());
  if (HasOption(eoScrollPastEol)) {
    const TSynSelectionMode mode = fActiveSelectionMode;
    const TBufferCoord b = fBlockBegin, e = fBlockEnd;
    SetBlockBegin(b);
    SetBlockEnd(e);
    fActiveSelectionMode = mode;
  }
  if (dropChanged && HandleAllocated()) fHost->RegisterFileDrops(HasOption(eoDropFiles));
  if ((changed & SynOpt(eoShowSpecialChars)) != 0) {
    fShowSpecChar = HasOption(eoShowSpecialChars);
    Invalidate();
  }
  if (scrollChanged) UpdateScrollBars();
}

void TCustomSynPad::SetTabWidth(int Value) {
  Value = MinMax(Value, 1, 256);
  if (Value == fTabWidth) return;
  fTabWidth = Value;
  fLines->SetTabWidth(Value);
  if (fWordWrapPlugin) fWordWrapPlugin->Reset();
  Invalidate();
  UpdateScrollBars();
  if (!HasOption(eoScrollPastEof)) SetTopLine(fTopLine);
}

void TCustomSynPad::SetRightEdge(int Value) {
  if (Value == fRightEdge) return;
  fRightEdge = Value;
  Invalidate();
}

void TCustomSynPad::SetRightEdgeColor(TColor Value) {
  if (Value == fRightEdgeColor) return;
  fRightEdgeColor = Value;
  if (HandleAllocated()) {
    const long long x = static_cast<long long>(fRightEdge) * fCharWidth + fTextOffset;
    InvalidateRect(TSynRect{ClampToInt(x - 1), 0, ClampToInt(x + 2), ClientHeight()});
  }
}

void TCustomSynPad::SetActiveLineColor(TColor Value) {
  if (Value == fActiveLineColor) return;
  fActiveLineColor = Value;
  InvalidateLine(fCaretY);
}

void TCustomSynPad::SetColor(TColor Value) {
  if (Value == fColor) return;
  fColor = Value;
  Invalidate();
}

void TCustomSynPad::SetExtraLineSpacing(int Value) {
  fExtraLineSpacing = Value;
  MeasureFontCells();
  RecalcWindowExtent(true);
}

void TCustomSynPad::SetInsertCaret(TSynPadCaretType Value) {
  if (Value == fInsertCaret) return;
  fInsertCaret = Value;
  InitializeCaret();
}

void TCustomSynPad::SetOverwriteCaret(TSynPadCaretType Value) {
  if (Value == fOverwriteCaret) return;
  fOverwriteCaret = Value;
  InitializeCaret();
}

void TCustomSynPad::SetReadOnly(bool Value) {
  if (Value == fReadOnly) return;
  fReadOnly = Value;
  StatusChanged(SynSC(scReadOnly));
}

void TCustomSynPad::SetHideSelection(bool Value) {
  if (Value == fHideSelection) return;
  fHideSelection = Value;
  InvalidateSelection();
}

void TCustomSynPad::SetScrollBars(TScrollStyle Value) {
  if (Value == fScrollBars) return;
  fScrollBars = Value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomSynPad::SetBorderStyle(TSynBorderStyle Value) {
  if (Value == fBorderStyle) return;
  fBorderStyle = Value;
  if (HandleAllocated()) fHost->RecreateWindow();
}

void TCustomSynPad::SetMaxUndo(int Value) {
  if (Value < 0) return;
  fUndoList->SetMaxUndoActions(Value);
  fRedoList->SetMaxUndoActions(Value);
}

void TCustomSynPad::SetModified(bool Value) {
  if (Value == fModified) return;
  fModified = Value;
  if (!Value && HasOption(eoGroupUndo) && fUndoList->CanUndo()) fUndoList->AddGroupBreak();
  fUndoList->SetInitialState(!Value);
  StatusChanged(SynSC(scModified));
}

void TCustomSynPad::SetKeystrokes(const TSynPadKeyStrokes* Value) {
  if (Value)
    fKeystrokes->Assign(*Value);
  else
    fKeystrokes->Clear();
}

void TCustomSynPad::SetHighlighter(TSynCustomHighlighter* Value) {
  if (Value == fHighlighter) return;
  const TSynNotifyMethod me = NotifyMethod(this, [this](TSynPersistent* S) { HighlighterAttributesChanged(S); });
  const TSynNotifyMethod freed = NotifyMethod(
      this, [this](TSynPersistent*) { HighlighterFreed(); }, 1);
  if (fHighlighter) {
    fHighlighter->RemoveAttrChangeHandler(me);
    fHighlighter->RemoveFreeNotification(freed);
  }
  fHighlighter = Value;
  if (fHighlighter) {
    fHighlighter->AddAttrChangeHandler(me);
    fHighlighter->AddFreeNotification(freed);
  }
  if (!fDestroying) HighlighterAttributesChanged(fHighlighter);
}

void TCustomSynPad::HighlighterFreed() {
  // The highlighter is going: forget it without touching it again.
  fHighlighter = nullptr;
  if (!fDestroying) HighlighterAttributesChanged(nullptr);
}

void TCustomSynPad::SetWordWrap(bool Value) {
  if (Value == WordWrap()) return;
  Invalidate();
  const TDisplayCoord caret = GetDisplayXY();
  const bool caretInView = caret.Column >= fLeftChar && caret.Column <= fLeftChar + fCharsInWindow &&
                           caret.Row >= fTopLine && caret.Row <= fTopLine + fLinesInWindow;
  const int topLine = LineOfRow(fTopLine);
  if (Value) {
    fWordWrapPlugin = std::make_unique<TSynWordWrapPlugin>(this);
    fLeftChar = 1;
    RecomputeTextOffset();
  } else {
    DropPlugin();
  }
  fTopLine = 1;
  SetTopLine(FirstRowOfLine(topLine));
  UpdateScrollBars();
  if (HasOption(eoScrollPastEol)) {
    SetCaretXY(GetCaretXY());
    const TSynSelectionMode mode = fActiveSelectionMode;
    const TBufferCoord b = BlockBegin(), e = BlockEnd();
    SetBlockBegin(b);
    SetBlockEnd(e);
    fActiveSelectionMode = mode;
  }
  if (caretInView) EnsureCursorPosVisible();
}

void TCustomSynPad::DropPlugin() {
  fWordWrapPlugin.reset();
}

// ---------------------------------------------------------------------------------------------
// Character classes

bool TCustomSynPad::IsWordBreakChar(char16_t AChar) const {
  if (fHighlighter) return fHighlighter->IsWordBreakChar(AChar);
  return IsSynWordBreakChar(AChar);
}

bool TCustomSynPad::IsIdentChar(char16_t AChar) const {
  if (fHighlighter) return fHighlighter->IsIdentChar(AChar) && !IsWordBreakChar(AChar);
  return AChar >= 33 && !IsSynWordBreakChar(AChar);
}

bool TCustomSynPad::IsWhiteChar(char16_t AChar) const {
  if (fHighlighter) return fHighlighter->IsWhiteChar(AChar);
  return AChar < 33;
}

// ---------------------------------------------------------------------------------------------
// Buffer notifications and ranges

void TCustomSynPad::ListCleared(TSynPersistent*) {
  if (fWordWrapPlugin) fWordWrapPlugin->Reset();
  // Marks of one text mean nothing in the next.
  fMarkList.clear();
  for (TSynPadMark*& slot : fBookMarks) slot = nullptr;
  fTrimLines.clear();
  fUndoList->Clear();
  fRedoList->Clear();
  // The emptied list is at the current state, so undoing back to it is not a change.
  fUndoList->SetInitialState(!fModified);
  fInvalidateRect = TSynRect{};
  Invalidate();
  fCaretX = fCaretY = 1;
  fLastCaretX = 1;
  fCaretAtEndOfRow = false;
  StoreBlock(TBufferCoord{1, 1}, TBufferCoord{1, 1});
  fTopLine = 1;
  fLeftChar = 1;
  RecomputeTextOffset();
  fStateFlags |= sfCaretChanged | sfScrollbarChanged;
  StatusChanged(SynSC(scAll));
}

void TCustomSynPad::ListDeleted(int Index, int Count) {
  // The one place marks follow deletions: later lines move up, marks of deleted lines go to the
  // line before them (the one a joined line went into).
  for (auto& m : fMarkList) {
    if (m->Line > Index + Count)
      m->Line -= Count;
    else if (m->Line > Index)
      m->Line = std::max(1, Index);
  }
  if (fWordWrapPlugin) fWordWrapPlugin->LinesDeleted(Index, Count);
  if (fHighlighter && fLines->Count() > 0) RescanRangesFrom(Index);
  InvalidateLines(Index + 1, INT_MAX);
  InvalidateGutterLines(Index + 1, INT_MAX);
}

void TCustomSynPad::ListInserted(int Index, int Count) {
  for (auto& m : fMarkList)
    if (m->Line > Index) m->Line += Count;
  if (fWordWrapPlugin) fWordWrapPlugin->LinesInserted(Index, Count);
  if (fHighlighter && fLines->Count() > 0) ScanRanges(Index, Count);
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    for (int i = Index; i < Index + Count; ++i) {
      const int len = fLines->ExpandedStringLengths(i);
      if (len > fMaxScrollWidth) fMaxScrollWidth = std::min(len, 2147483646);
    }
  }
  InvalidateLines(Index + 1, INT_MAX);
  InvalidateGutterLines(Index + 1, INT_MAX);
}

void TCustomSynPad::ListPutted(int Index, int Count) {
  int rowDelta = 0;
  if (fWordWrapPlugin) rowDelta = fWordWrapPlugin->LinesPutted(Index, Count);
  int last = Index + Count - 1;
  if (fHighlighter && fLines->Count() > 0) last = std::max(last, RescanRangesFrom(Index));
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    const int len = fLines->ExpandedStringLengths(Index);
    if (len > fMaxScrollWidth) fMaxScrollWidth = std::min(len, 2147483646);
  }
  if (rowDelta != 0)
    InvalidateLines(Index + 1, INT_MAX);
  else
    InvalidateLines(Index + 1, last + 1);
}

void TCustomSynPad::ScanRanges(int FirstIndex, int Count) {
  int i = FirstIndex;
  const int end = FirstIndex + Count;
  while (i < end && i < fLines->Count()) i = RescanRangesFrom(i) + 1;
}

int TCustomSynPad::RescanRangesFrom(int Index) {
  const int count = fLines->Count();
  if (!fHighlighter || Index >= count || Index < 0) return Index;
  if (Index == 0)
    fHighlighter->ResetRange();
  else
    fHighlighter->SetRange(fLines->GetRange(Index - 1));
  for (;;) {
    fHighlighter->SetLine(fLines->StringRef(Index), Index);
    fHighlighter->NextToEol();
    const std::intptr_t r = fHighlighter->GetRange();
    if (fLines->GetRange(Index) == r) return Index;
    fLines->PutRange(Index, r);
    if (++Index >= count) return count - 1;
  }
}

void TCustomSynPad::RescanAllRanges() {
  const int count = fLines->Count();
  if (!fHighlighter || count == 0) return;
  fHighlighter->ResetRange();
  for (int i = 0; i < count; ++i) {
    fHighlighter->SetLine(fLines->StringRef(i), i);
    fHighlighter->NextToEol();
    fLines->PutRange(i, fHighlighter->GetRange());
  }
}

void TCustomSynPad::LinesChanged(TSynPersistent*) {
  fStateFlags &= static_cast<std::uint16_t>(~sfLinesChanging);
  if (HandleAllocated()) {
    UpdateScrollBars();
    const TSynSelectionMode mode = fActiveSelectionMode;
    SetBlockBegin(GetCaretXY());
    fActiveSelectionMode = mode;
    const TSynRect pending = fInvalidateRect;
    fInvalidateRect = TSynRect{};
    if (!pending.IsEmpty()) InvalidateRect(pending);
    if (fGutter->ShowLineNumbers() && fGutter->AutoSize()) fGutter->AutoSizeDigitCount(fLines->Count());
    if (!HasOption(eoScrollPastEof)) SetTopLine(fTopLine);
  } else {
    fInvalidateRect = TSynRect{};
  }
}

void TCustomSynPad::UndoRedoAdded(TSynPersistent* Sender) {
  SetModified(!fUndoList->GetInitialState());
  auto* list = static_cast<TSynPadUndoList*>(Sender);
  // Only a new edit, not one that a redo puts back, makes the redo history stale.
  if (list == fUndoList.get() && !fUndoList->InsideRedo()) fRedoList->Clear();
  if (list->BlockCount() == 0) DoChange();
}

// ---------------------------------------------------------------------------------------------
// Coordinates

int TCustomSynPad::CharCells(char16_t AChar) const {
  return fTextDrawer->CharCells(AChar);
}

int TCustomSynPad::ExpandedColumn(std::u16string_view Line, int Char) const {
  const int len = static_cast<int>(Line.size());
  const int upto = std::min(Char - 1, len);
  long long w = 0;
  const char16_t* p = Line.data();
  for (int i = 0; i < upto; ++i) {
    const char16_t c = p[i];
    if (c == u'\t')
      w += fTabWidth - (w % fTabWidth);
    else
      w += CharCells(c);
  }
  // Positions past the end count one each, added rather than walked.
  if (Char - 1 > len) w += static_cast<long long>(Char - 1) - len;
  return ClampToInt(w + 1);
}

int TCustomSynPad::ExpandedCharAt(std::u16string_view Line, int Column) const {
  const int len = static_cast<int>(Line.size());
  long long w = 0;
  int i = 0;
  const char16_t* p = Line.data();
  while (w < Column && i < len) {
    const char16_t c = p[i++];
    if (c == u'\t')
      w += fTabWidth - (w % fTabWidth);
    else
      w += CharCells(c);
  }
  if (w < Column) return ClampToInt(static_cast<long long>(i) + (Column - w));
  return i;
}

int TCustomSynPad::LineColumn(const TBufferCoord& P) const {
  if (P.Line < 1 || P.Line > fLines->Count()) return P.Char;
  return ExpandedColumn(fLines->StringRef(P.Line - 1), P.Char);
}

TDisplayCoord TCustomSynPad::BufferToDisplayPos(const TBufferCoord& P) const {
  TDisplayCoord r{P.Char, P.Line};
  const int count = fLines->Count();
  if (P.Line >= 1 && P.Line <= count) r.Column = ExpandedColumn(fLines->StringRef(P.Line - 1), P.Char);
  // Positions outside the text pass by the rows unchanged (rows below the text count one each).
  if (fWordWrapPlugin && r.Column >= 1 && P.Line >= 1) {
    if (P.Line <= count)
      r = fWordWrapPlugin->BufferToDisplayPos(TBufferCoord{r.Column, P.Line});
    else
      r.Row = ClampToInt(static_cast<long long>(fWordWrapPlugin->RowCount()) + P.Line - count);
  }
  return r;
}

TBufferCoord TCustomSynPad::DisplayToBufferPos(const TDisplayCoord& P) const {
  TBufferCoord r{P.Column, P.Row};
  if (fWordWrapPlugin && P.Column >= 1 && P.Row >= 1) {
    const int rows = fWordWrapPlugin->RowCount();
    if (P.Row <= rows)
      r = fWordWrapPlugin->DisplayToBufferPos(P);
    else
      r.Line = ClampToInt(static_cast<long long>(fLines->Count()) + P.Row - rows);
  }
  if (r.Line >= 1 && r.Line <= fLines->Count()) r.Char = ExpandedCharAt(fLines->StringRef(r.Line - 1), r.Char);
  return r;
}

TDisplayCoord TCustomSynPad::GetDisplayXY() const {
  TDisplayCoord p = BufferToDisplayPos(GetCaretXY());
  if (fWordWrapPlugin && fCaretAtEndOfRow) {
    if (p.Column == 1 && p.Row > 1) {
      p.Row -= 1;
      p.Column = fWordWrapPlugin->GetRowLength(p.Row) + 1;
    } else {
      fCaretAtEndOfRow = false;
    }
  }
  return p;
}

int TCustomSynPad::GetDisplayY() const {
  if (!fWordWrapPlugin) return fCaretY;
  return GetDisplayXY().Row;
}

void TCustomSynPad::SetDisplayXY(const TDisplayCoord& Value) {
  {
    TSynPaintLock lock(*this);
    SetCaretXY(DisplayToBufferPos(Value));
    if (fWordWrapPlugin) {
      const int rows = fWordWrapPlugin->RowCount();
      fCaretAtEndOfRow = Value.Row >= 1 && Value.Row <= rows &&
                         Value.Column > fWordWrapPlugin->GetRowLength(Value.Row) &&
                         BufferToDisplayPos(GetCaretXY()).Row != Value.Row;
      if (fCaretAtEndOfRow) fStateFlags |= sfCaretChanged;
    }
  }
  fLastCaretX = GetDisplayX();
}

TDisplayCoord TCustomSynPad::PixelsToRowColumn(int X, int Y) const {
  const int cw = std::max(1, fCharWidth), lh = std::max(1, fTextHeight);
  const long long col = static_cast<long long>(fLeftChar) + (static_cast<long long>(X) - fGutterWidth - 2) / cw;
  const long long row = static_cast<long long>(fTopLine) + Y / lh;
  return TDisplayCoord{ClampToInt(std::max(1LL, col)), ClampToInt(std::max(1LL, row))};
}

TDisplayCoord TCustomSynPad::PixelsToNearestRowColumn(int X, int Y) const {
  const int cw = std::max(1, fCharWidth), lh = std::max(1, fTextHeight);
  const int bottom = fLinesInWindow * lh;
  if (Y >= bottom) Y = std::max(0, bottom - 1);
  // Single precision, half to even, as the caret placement always did.
  const float q = static_cast<float>(static_cast<long long>(X) - fGutterWidth - 2) / static_cast<float>(cw);
  const long long col = static_cast<long long>(fLeftChar) + static_cast<long long>(std::nearbyintf(q));
  const long long row = static_cast<long long>(fTopLine) + Y / lh;
  return TDisplayCoord{ClampToInt(std::max(1LL, col)), ClampToInt(std::max(1LL, row))};
}

void TCustomSynPad::RowColumnToPixels(const TDisplayCoord& RowCol, int& X, int& Y) const {
  X = ClampToInt((static_cast<long long>(RowCol.Column) - 1) * fCharWidth + fTextOffset);
  Y = ClampToInt((static_cast<long long>(RowCol.Row) - fTopLine) * fTextHeight);
}

void TCustomSynPad::PlaceCaretAtPixel(int X, int Y) {
  TDisplayCoord p = PixelsToNearestRowColumn(X, Y);
  p.Row = std::max(1, std::min(p.Row, DisplayRowCount()));
  SetDisplayXY(p);
}

int TCustomSynPad::RowColToCharIndex(const TBufferCoord& RowCol) const {
  const int last = std::min(fLines->Count(), RowCol.Line);
  long long r = 0;
  for (int i = 0; i < last - 1; ++i) r += static_cast<long long>(fLines->StringRef(i).size()) + 2;
  return ClampToInt(r + RowCol.Char - 1);
}

TBufferCoord TCustomSynPad::CharIndexToRowCol(int Index) const {
  const int count = fLines->Count();
  long long s = 0;
  for (int i = 0; i < count; ++i) {
    const long long len = static_cast<long long>(fLines->StringRef(i).size());
    if (Index < s + len + 2) return TBufferCoord{ClampToInt(Index - s + 1), i + 1};
    s += len + 2;
  }
  return TBufferCoord{1, count + 1};
}

int TCustomSynPad::GetSelStart() const {
  return RowColToCharIndex(SelAvail() ? BlockBegin() : GetCaretXY());
}

int TCustomSynPad::GetSelEnd() const {
  return RowColToCharIndex(SelAvail() ? BlockEnd() : GetCaretXY());
}

void TCustomSynPad::SetSelStart(int Value) {
  SetCaretXY(CharIndexToRowCol(Value));
  SetBlockBegin(GetCaretXY());
}

void TCustomSynPad::SetSelEnd(int Value) {
  SetBlockEnd(CharIndexToRowCol(Value));
}

bool TCustomSynPad::IsPointInSelection(const TBufferCoord& Value) const {
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  if (Value.Line < b.Line || Value.Line > e.Line || b == e) return false;
  switch (fActiveSelectionMode) {
    case smLine:
      return true;
    case smColumn: {
      const TColumnSpan span = ColumnSpanOf(b, e);
      if (span.Left == span.Right) return false;
      const TCharRange r = ColumnCharsOfLine(Value.Line, span.Left, span.Right);
      return r.From <= Value.Char && Value.Char < r.To;
    }
    case smNormal:
      if (Value.Line == b.Line && Value.Char < b.Char) return false;
      if (Value.Line < e.Line) return true;
      return Value.Char < e.Char;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Column blocks

TCustomSynPad::TColumnSpan TCustomSynPad::ColumnSpanOf(const TBufferCoord& A, const TBufferCoord& B) const {
  const int a = ExpandedColumn(LineText(A.Line), A.Char), b = ExpandedColumn(LineText(B.Line), B.Char);
  return TColumnSpan{std::min(a, b), std::max(a, b), std::min(A.Line, B.Line), std::max(A.Line, B.Line)};
}

TCustomSynPad::TCharRange TCustomSynPad::ColumnCharsOfLine(int Line, int Left, int Right) const {
  const std::u16string_view s = LineText(Line);
  TCharRange r;
  r.From = ExpandedCharAt(s, Left);
  // The block ends after the character that covers its last column.
  r.To = Right > Left ? ExpandedCharAt(s, Right - 1) + 1 : r.From;
  WidenToWholeCharacters(s, r.From, r.To);
  return r;
}

int TCustomSynPad::ColumnInsertChar(int Line, int Column) const {
  const std::u16string_view s = LineText(Line);
  return SnapToCharBoundary(s, ExpandedCharAt(s, std::max(1, Column)));
}

std::vector<TCustomSynPad::TCharRange> TCustomSynPad::ColumnRanges(const TBufferCoord& A, const TBufferCoord& B) const {
  const TColumnSpan span = ColumnSpanOf(A, B);
  std::vector<TCharRange> out;
  out.reserve(static_cast<size_t>(span.LastLine - span.FirstLine + 1));
  for (int line = span.FirstLine; line <= span.LastLine; ++line)
    out.push_back(ColumnCharsOfLine(line, span.Left, span.Right));
  return out;
}

std::vector<int> TCustomSynPad::ColumnStartsOf(const TBufferCoord& A, const TBufferCoord& B) const {
  std::vector<int> out;
  for (const TCharRange& r : ColumnRanges(A, B)) out.push_back(r.From);
  return out;
}

bool TCustomSynPad::GetTokenAtRowCol(const TBufferCoord& XY, std::u16string& Token, int& TokenType, int& Start,
                                     TSynHighlighterAttributes*& Attri) const {
  if (!fHighlighter || XY.Line < 1 || XY.Line > fLines->Count()) return false;
  const std::u16string_view line = fLines->StringRef(XY.Line - 1);
  if (XY.Line == 1)
    fHighlighter->ResetRange();
  else
    fHighlighter->SetRange(fLines->GetRange(XY.Line - 2));
  fHighlighter->SetLine(line, XY.Line - 1);
  if (XY.Char >= 1 && XY.Char <= static_cast<int>(line.size())) {
    while (!fHighlighter->GetEol()) {
      const int start = fHighlighter->GetTokenPos() + 1;
      std::u16string token = fHighlighter->GetToken();
      if (start <= XY.Char && XY.Char < start + static_cast<int>(token.size())) {
        Attri = fHighlighter->GetTokenAttribute();
        TokenType = fHighlighter->GetTokenKind();
        Start = start;
        Token = std::move(token);
        return true;
      }
      fHighlighter->Next();
    }
  }
  Token.clear();
  Attri = nullptr;
  return false;
}

bool TCustomSynPad::GetAttributeAtRowCol(const TBufferCoord& XY, std::u16string& Token,
                                         TSynHighlighterAttributes*& Attri) const {
  int kind = 0, start = 0;
  return GetTokenAtRowCol(XY, Token, kind, start, Attri);
}
