// The editor control's commands: the command processor, caret and selection moves, word
// boundaries, and the editing commands with the changes they record.
#include <algorithm>
#include <climits>
#include <exception>
#include <functional>

#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadScopes.h"

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// Where a block is indented on a line: a column block where it begins on the line (Starts, from
// its first line on), any other block at the line's start.
int IndentCharOf(const std::vector<int>& Starts, int FirstLine, int Line) {
  const size_t i = static_cast<size_t>(Line - FirstLine);
  return i < Starts.size() ? Starts[i] : 1;
}

bool IsEditingCommand(TSynPadorCommand c) {
  return (c >= ecDeleteLastChar && c <= ecChar) || c == ecImeStr || (c >= ecUndo && c <= ecPaste) ||
         (c >= ecBlockIndent && c <= ecShiftTab) || (c >= ecUpperCase && c <= ecToggleCaseBlock && c != 624);
}

std::u16string ChangeCase(std::u16string_view s, TSynPadorCommand c) {
  std::u16string out(s);
  switch (c) {
    case ecUpperCase:
    case ecUpperCaseBlock:
      for (char16_t& ch : out) ch = WideCharToUpper(ch);
      break;
    case ecLowerCase:
    case ecLowerCaseBlock:
      for (char16_t& ch : out) ch = WideCharToLower(ch);
      break;
    case ecToggleCase:
    case ecToggleCaseBlock:
      for (char16_t& ch : out) {
        const char16_t up = WideCharToUpper(ch);
        ch = up != ch ? up : WideCharToLower(ch);
      }
      break;
    case ecTitleCase:
      for (size_t i = 0; i < out.size(); ++i) out[i] = i == 0 ? WideCharToUpper(out[i]) : WideCharToLower(out[i]);
      break;
    default:
      break;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Processor

void TCustomSynPad::CommandProcessor(TSynPadorCommand Command, char16_t AChar, const TSynCommandData& Data) {
  if (Command >= ecUserFirst) {
    if (OnProcessUserCommand) OnProcessUserCommand(this, Command, AChar, Data);
  } else if (OnProcessCommand) {
    OnProcessCommand(this, Command, AChar, Data);
  }
  // The control keeps no hooked command handlers, so nothing runs before or after the execution.
  if (Command != ecNone && Command < ecUserFirst) ExecuteCommand(Command, AChar, Data);
  if (OnCommandProcessed) OnCommandProcessed(this, Command, AChar, Data);
}

void TCustomSynPad::PaintTransient(TSynTransientType Type) {
  platform::ICanvas* canvas = fHost ? fHost->TransientCanvas() : nullptr;
  if (canvas) {
    DoOnPaintTransientEx(*canvas, Type, true);
  } else if (Type == ttBefore) {
    ++fPaintTransientLock;
  } else if (fPaintTransientLock > 0) {
    --fPaintTransientLock;
  }
}

void TCustomSynPad::ExecuteCommand(TSynPadorCommand Command, char16_t AChar, const TSynCommandData& Data) {
  const bool editing = IsEditingCommand(Command);
  if (editing && GetReadOnly()) return;
  TSynPaintLock lock(*this);
  struct TTransient {
    TCustomSynPad* ed;
    ~TTransient() {
      if (ed) ed->PaintTransient(ttAfter);
    }
  } transient{editing ? this : nullptr};
  if (editing) PaintTransient(ttBefore);
  const bool sel = (Command >= ecSelLeft && Command <= ecSelGotoXY);
  const TSynPadorCommand base = sel ? static_cast<TSynPadorCommand>(Command - ecSelection) : Command;
  switch (base) {
    case ecLeft:
      MoveCaretHorz(-1, sel);
      return;
    case ecRight:
      MoveCaretHorz(1, sel);
      return;
    case ecUp:
    case ecDown:
      MoveCaretVert(base == ecUp ? -1 : 1, sel);
      if (fHost) fHost->UpdateWindow();
      return;
    case ecWordLeft:
      MoveCaretAndSelection(GetCaretXY(), PrevWordPos(), sel);
      return;
    case ecWordRight:
      MoveCaretAndSelection(GetCaretXY(), NextWordPos(), sel);
      return;
    case ecLineStart:
      DoHomeKey(sel);
      return;
    case ecLineEnd:
      DoEndKey(sel);
      return;
    case ecPageUp:
    case ecPageDown:
      DoPageMove(base, sel);
      return;
    case ecPageLeft:
    case ecPageRight:
      MoveCaretHorz(base == ecPageLeft ? -fCharsInWindow : fCharsInWindow, sel);
      return;
    case ecPageTop:
    case ecPageBottom: {
      int row = base == ecPageTop ? fTopLine : fTopLine + fLinesInWindow - 1;
      row = MinMax(row, 1, std::max(1, DisplayRowCount()));
      MoveCaretAndSelection(GetCaretXY(), DisplayToBufferPos(TDisplayCoord{GetDisplayX(), row}), sel);
      return;
    }
    case ecEditorTop:
      MoveCaretAndSelection(GetCaretXY(), TBufferCoord{1, 1}, sel);
      return;
    case ecEditorBottom: {
      const int count = fLines->Count();
      const TBufferCoord end = count > 0
                                   ? TBufferCoord{static_cast<int>(fLines->StringRef(count - 1).size()) + 1, count}
                                   : TBufferCoord{1, 1};
      MoveCaretAndSelection(GetCaretXY(), end, sel);
      return;
    }
    case ecGotoXY:
      if (const TBufferCoord* p = std::get_if<TBufferCoord>(&Data)) MoveCaretAndSelection(GetCaretXY(), *p, sel);
      return;
    default:
      break;
  }
  switch (Command) {
    case ecSelWord:
      SelectWordAtCaret();
      break;
    case ecSelectAll:
      SelectAll();
      break;
    case ecMatchBracket:
      FindMatchingBracket();
      break;
    case ecDeleteLastChar:
      DoBackspace();
      break;
    case ecDeleteChar:
      DoDeleteChar();
      break;
    case ecDeleteWord:
    case ecDeleteEOL: {
      const std::u16string_view s = LineText(fCaretY);
      const int len = static_cast<int>(s.size());
      if (fCaretX > len) break;
      const TBufferCoord to = Command == ecDeleteWord ? WordEnd() : TBufferCoord{len + 1, fCaretY};
      DeleteRangeRecorded(GetCaretXY(), to, crDeleteAfter);
      break;
    }
    case ecDeleteLastWord:
    case ecDeleteBOL: {
      const int len = static_cast<int>(LineText(fCaretY).size());
      const TBufferCoord to{std::min(fCaretX, len + 1), fCaretY};
      const TBufferCoord from = Command == ecDeleteLastWord ? PrevWordPos() : TBufferCoord{1, fCaretY};
      DeleteRangeRecorded(from, to, crDeleteBefore);
      break;
    }
    case ecDeleteLine:
      DoDeleteLine();
      break;
    case ecClearAll:
      ClearAll();
      break;
    case ecLineBreak:
    case ecInsertLine:
      DoLineBreak(Command == ecLineBreak);
      break;
    case ecChar:
      // Control characters never go into the text: Tab and Enter arrive as commands.
      if (AChar >= 0x20 && AChar != 0x7F) DoTypeText(std::u16string(1, AChar));
      break;
    case ecImeStr:
      if (const std::u16string* s = std::get_if<std::u16string>(&Data)) DoTypeText(*s);
      break;
    case ecUndo:
      Undo();
      break;
    case ecRedo:
      Redo();
      break;
    case ecCut:
      CutToClipboard();
      break;
    case ecCopy:
      CopyToClipboard();
      break;
    case ecPaste:
      PasteFromClipboard();
      break;
    case ecScrollUp:
    case ecScrollDown:
      DoScrollLine(Command == ecScrollUp ? -1 : 1);
      break;
    case ecScrollLeft:
    case ecScrollRight:
      SetLeftChar(fLeftChar + (Command == ecScrollLeft ? -1 : 1));
      break;
    case ecInsertMode:
      SetInsertMode(true);
      break;
    case ecOverwriteMode:
      SetInsertMode(false);
      break;
    case ecToggleMode:
      SetInsertMode(!fInserting);
      break;
    case ecNormalSelect:
      SetSelectionMode(smNormal);
      break;
    case ecColumnSelect:
      SetSelectionMode(smColumn);
      break;
    case ecLineSelect:
      SetSelectionMode(smLine);
      break;
    case ecBlockIndent:
      DoBlockIndent();
      break;
    case ecBlockUnindent:
      DoBlockUnindent();
      break;
    case ecTab:
      DoTab();
      break;
    case ecShiftTab:
      DoShiftTab();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
    case ecUpperCaseBlock:
    case ecLowerCaseBlock:
    case ecToggleCaseBlock:
      DoCaseChange(Command);
      break;
    case ecContextHelp:
      if (OnContextHelp) OnContextHelp(this, GetWordAtCaret());
      break;
    default:
      if (Command >= ecGotoMarker0 && Command <= ecGotoMarker9) {
        if (fBookMarkOpt->EnableKeys) GotoBookMark(Command - ecGotoMarker0);
      } else if (Command >= ecSetMarker0 && Command <= ecSetMarker9) {
        DoSetMarker(Command - ecSetMarker0, Data);
      }
      // Everything else (ecCommentBlock, ecString, ecAutoCompletion, 624, the focus commands ...) does nothing.
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Moves

void TCustomSynPad::MoveCaretAndSelection(const TBufferCoord& ptBefore, const TBufferCoord& ptAfter,
                                          bool SelectionCommand) {
  // Edits before and after a caret move are never undone as one group.
  if (HasOption(eoGroupUndo) && fUndoList->CanUndo()) fUndoList->AddGroupBreak();
  TSynPaintLock lock(*this);
  if (SelectionCommand) {
    AnchorSelection(ptBefore);
    SetBlockEnd(ptAfter);
  } else {
    SetBlockBegin(ptAfter);
  }
  SetCaretXY(ptAfter);
}

void TCustomSynPad::AnchorSelection(const TBufferCoord& Caret) {
  // A selection keeps its anchor, and so does an empty one whose moving end stands at the caret (a
  // column block one column wide is empty, yet Shift+Down from it goes on from its anchor);
  // otherwise the anchor is where the caret stands, not a block begin left behind by an earlier
  // move. Without a selection the anchor is set again through SetBlockBegin, which clamps it as
  // every selection end: the caret may stand past the end of its line, where no normal selection
  // begins (the text typed over the selection went in at the line's start).
  if (SelAvail()) return;
  SetBlockBegin(fBlockEnd == Caret ? fBlockBegin : Caret);
}

void TCustomSynPad::MoveCaretToDisplay(const TDisplayCoord& Target, bool SelectionCommand) {
  if (HasOption(eoGroupUndo) && fUndoList->CanUndo()) fUndoList->AddGroupBreak();
  TSynPaintLock lock(*this);
  if (SelectionCommand) AnchorSelection(GetCaretXY());
  SetDisplayXY(Target);
  const bool endOfRow = fCaretAtEndOfRow;
  if (SelectionCommand)
    SetBlockEnd(GetCaretXY());
  else
    SetBlockBegin(GetCaretXY());
  fCaretAtEndOfRow = endOfRow;
}

void TCustomSynPad::MoveCaretHorz(int DX, bool SelectionCommand) {
  if (fWordWrapPlugin) {
    if (DX > 0 && fCaretAtEndOfRow) {
      // From the end of a row to the start of the next: the same buffer position.
      fCaretAtEndOfRow = false;
      fLastCaretX = GetDisplayX();
      fStateFlags |= sfCaretChanged;
      return;
    }
    if (DX <= 0 && !fCaretAtEndOfRow && fCaretX >= 2 && GetDisplayX() == 1) {
      fCaretAtEndOfRow = true;
      const TDisplayCoord d = GetDisplayXY();
      fLastCaretX = d.Column;
      if (d.Column > fCharsInWindow + 1) SetDisplayXY(TDisplayCoord{fCharsInWindow + 1, d.Row});
      fStateFlags |= sfCaretChanged;
      return;
    }
  }
  const std::u16string_view s = LineText(fCaretY);
  const int len = static_cast<int>(s.size());
  TBufferCoord target{fCaretX, fCaretY};
  const bool pastEol = HasOption(eoScrollPastEol);
  if (!pastEol && DX == -1 && fCaretX == 1 && fCaretY > 1) {
    target = TBufferCoord{static_cast<int>(LineText(fCaretY - 1).size()) + 1, fCaretY - 1};
  } else if (!pastEol && DX == 1 && fCaretX > len && fCaretY < fLines->Count()) {
    target = TBufferCoord{1, fCaretY + 1};
  } else {
    long long x = std::max(1LL, static_cast<long long>(fCaretX) + DX);
    if (DX >= 1 && !pastEol) x = std::min<long long>(x, len + 1);
    target.Char = static_cast<int>(std::min<long long>(x, INT_MAX));
    // A step over a surrogate pair takes the whole character in the direction of the move.
    target.Char = SnapToCharBoundary(s, target.Char, DX > 0 ? TSynCharSnap::Forward : TSynCharSnap::Backward);
  }
  MoveCaretAndSelection(GetCaretXY(), target, SelectionCommand);
  if (fWordWrapPlugin && DX > 0 && len > fCaretX) {
    const TDisplayCoord d = BufferToDisplayPos(GetCaretXY());
    if (d.Column == 1 && d.Row != FirstRowOfLine(fCaretY)) {
      fCaretAtEndOfRow = true;
      fStateFlags |= sfCaretChanged;
      UpdateCaret();
    } else if (d.Column > fCharsInWindow + 1) {
      SetDisplayXY(TDisplayCoord{1, d.Row + 1});
    }
  }
}

void TCustomSynPad::MoveCaretVert(int DY, bool SelectionCommand) {
  const TDisplayCoord d = GetDisplayXY();
  long long row = static_cast<long long>(d.Row) + DY;
  if (DY >= 0) {
    if (row > INT_MAX || LineOfRow(static_cast<int>(row)) > fLines->Count()) row = std::max(1, DisplayRowCount());
  } else if (row < 1) {
    row = 1;
  }
  int col = d.Column;
  if (row != d.Row && HasOption(eoKeepCaretX)) col = fLastCaretX;
  const TBufferCoord target = DisplayToBufferPos(TDisplayCoord{col, static_cast<int>(row)});
  const int saved = fLastCaretX;
  {
    TSynPaintLock lock(*this);
    MoveCaretAndSelection(GetCaretXY(), target, SelectionCommand);
    if (fWordWrapPlugin) {
      const TDisplayCoord now = BufferToDisplayPos(GetCaretXY());
      fCaretAtEndOfRow = now.Column == 1 && now.Row != row;
      if (fCaretAtEndOfRow) fStateFlags |= sfCaretChanged;
    }
  }
  fLastCaretX = saved;
}

void TCustomSynPad::DoHomeKey(bool Selection) {
  const std::u16string_view s = LineText(fCaretY);
  const int len = static_cast<int>(s.size());
  if (!fWordWrapPlugin) {
    int target = 1;
    if (HasOption(eoEnhanceHomeKey)) {
      int first = 1;
      while (first <= len && IsBlank(s[first - 1])) ++first;
      if (first <= len && (fCaretX > first || fCaretX == 1)) target = first;
    }
    MoveCaretAndSelection(GetCaretXY(), TBufferCoord{target, fCaretY}, Selection);
    return;
  }
  const TDisplayCoord d = GetDisplayXY();
  int col = 1;
  if (HasOption(eoEnhanceHomeKey) && d.Row == FirstRowOfLine(fCaretY)) {
    // The first non-blank character of the caret's row.
    const int rowEnd = d.Row < DisplayRowCount() && LineOfRow(d.Row + 1) == fCaretY
                           ? DisplayToBufferPos(TDisplayCoord{1, d.Row + 1}).Char
                           : len + 1;
    int first = 1;
    while (first < rowEnd && IsBlank(s[first - 1])) ++first;
    if (first < rowEnd && (fCaretX > first || d.Column == 1))
      col = BufferToDisplayPos(TBufferCoord{first, fCaretY}).Column;
  }
  MoveCaretToDisplay(TDisplayCoord{col, d.Row}, Selection);
}

void TCustomSynPad::DoEndKey(bool Selection) {
  const std::u16string_view s = LineText(fCaretY);
  const int len = static_cast<int>(s.size());
  // An empty text has no display row under word wrap, but is still one empty line.
  if (!fWordWrapPlugin || DisplayRowCount() == 0) {
    int target = len + 1;
    if (HasOption(eoEnhanceEndKey)) {
      int last = len;
      while (last > 0 && IsBlank(s[last - 1])) --last;
      if (fCaretX != last + 1) target = last + 1;
    }
    MoveCaretAndSelection(GetCaretXY(), TBufferCoord{target, fCaretY}, Selection);
    return;
  }
  const TDisplayCoord d = GetDisplayXY();
  const int rowStart = DisplayToBufferPos(TDisplayCoord{1, d.Row}).Char;
  int col = fWordWrapPlugin->GetRowLength(d.Row) + 1;
  if (HasOption(eoEnhanceEndKey)) {
    int lastRow = fCaretY < fLines->Count() ? FirstRowOfLine(fCaretY + 1) - 1 : DisplayRowCount();
    const int firstRow = FirstRowOfLine(fCaretY);
    while (lastRow > firstRow && fWordWrapPlugin->GetRowLength(lastRow) == 0) --lastRow;
    if (d.Row == lastRow) {
      int last = len;
      while (last >= rowStart && last > 0 && IsBlank(s[last - 1])) --last;
      const int target = BufferToDisplayPos(TBufferCoord{std::max(last + 1, rowStart), fCaretY}).Column;
      if (target != d.Column) col = target;
    }
  }
  col = std::min(col, fCharsInWindow + 1);
  MoveCaretToDisplay(TDisplayCoord{col, d.Row}, Selection);
}

void TCustomSynPad::DoPageMove(TSynPadorCommand Command, bool Selection) {
  int page = fLinesInWindow;
  if (HasOption(eoHalfPageScroll)) page /= 2;
  if (HasOption(eoScrollByOneLess)) --page;
  // A window lower than two lines still pages forward and back.
  page = std::max(1, page);
  if (Command == ecPageUp) page = -page;
  TSynPaintLock lock(*this);
  SetTopLine(fTopLine + page);
  MoveCaretVert(page, Selection);
}

void TCustomSynPad::DoScrollLine(int Delta) {
  TSynPaintLock lock(*this);
  SetTopLine(fTopLine + Delta);
  const int row = GetDisplayY();
  const int bottom = fTopLine + std::max(1, fLinesInWindow) - 1;
  if (row < fTopLine)
    MoveCaretVert(fTopLine - row, false);
  else if (row > bottom)
    MoveCaretVert(bottom - row, false);
}

// ---------------------------------------------------------------------------------------------
// Word boundaries

TBufferCoord TCustomSynPad::NextWordPos() {
  return NextWordPosEx(GetCaretXY());
}
TBufferCoord TCustomSynPad::WordStart() {
  return WordStartEx(GetCaretXY());
}
TBufferCoord TCustomSynPad::WordEnd() {
  return WordEndEx(GetCaretXY());
}
TBufferCoord TCustomSynPad::PrevWordPos() {
  return PrevWordPosEx(GetCaretXY());
}

TBufferCoord TCustomSynPad::NextWordPosEx(const TBufferCoord& XY) {
  const int count = fLines->Count();
  if (XY.Line < 1 || XY.Line > count) return XY;
  const std::u16string_view s = fLines->StringRef(XY.Line - 1);
  const int len = static_cast<int>(s.size());
  const auto isIdent = [this](char16_t c) { return IsIdentChar(c); };
  const auto isBreak = [this](char16_t c) { return IsWordBreakChar(c); };
  int x = std::max(1, XY.Char);
  // On the last character too the word's end lies on this line.
  if (x <= len) {
    if (IsIdentChar(s[x - 1])) {
      x = StrScanForCharInSet(s, x, isBreak);
      if (x == 0) x = len + 1;
    }
    if (x <= len) {
      x = StrScanForCharInSet(s, x, isIdent);
      if (x == 0) x = len + 1;
    }
    return TBufferCoord{x, XY.Line};
  }
  if (XY.Line < count) {
    const std::u16string_view next = fLines->StringRef(XY.Line);
    const int first = StrScanForCharInSet(next, 1, isIdent);
    return TBufferCoord{first == 0 ? 1 : first, XY.Line + 1};
  }
  return XY;
}

TBufferCoord TCustomSynPad::WordStartEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > fLines->Count()) return XY;
  const std::u16string_view s = fLines->StringRef(XY.Line - 1);
  const int len = static_cast<int>(s.size());
  int x = std::clamp(XY.Char, 1, len + 1);
  if (x > 1 && !IsWordBreakChar(s[x - 2]))
    x = StrRScanForCharInSet(s, x - 1, [this](char16_t c) { return IsWordBreakChar(c); }) + 1;
  return TBufferCoord{x, XY.Line};
}

TBufferCoord TCustomSynPad::WordEndEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > fLines->Count()) return XY;
  const std::u16string_view s = fLines->StringRef(XY.Line - 1);
  const int x = StrScanForCharInSet(s, XY.Char, [this](char16_t c) { return IsWordBreakChar(c); });
  return TBufferCoord{x == 0 ? static_cast<int>(s.size()) + 1 : x, XY.Line};
}

TBufferCoord TCustomSynPad::PrevWordPosEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > fLines->Count()) return XY;
  const std::u16string_view s = fLines->StringRef(XY.Line - 1);
  const int len = static_cast<int>(s.size());
  int x = std::min(std::max(1, XY.Char), len + 1);
  auto previousLineEnd = [&]() {
    if (XY.Line <= 1) return TBufferCoord{1, XY.Line};
    return TBufferCoord{static_cast<int>(fLines->StringRef(XY.Line - 2).size()) + 1, XY.Line - 1};
  };
  if (x <= 1) return previousLineEnd();
  if (IsWordBreakChar(s[x - 2])) {
    x = StrRScanForCharInSet(s, x - 1, [this](char16_t c) { return IsIdentChar(c); });
    if (x == 0) return XY.Line > 1 ? previousLineEnd() : TBufferCoord{1, XY.Line};
  }
  const int brk = StrRScanForCharInSet(s, x - 1, [this](char16_t c) { return IsWordBreakChar(c); });
  return TBufferCoord{brk + 1, XY.Line};
}

void TCustomSynPad::SelectWordAtCaret() {
  SelectWordAt(GetCaretXY());
}

void TCustomSynPad::SelectWordAt(TBufferCoord Value) {
  const int count = fLines->Count();
  if (count == 0) return;
  const int maxX = HasOption(eoScrollPastEol) && !fWordWrapPlugin
                       ? (fMaxScrollWidth >= INT_MAX - 1 ? INT_MAX : fMaxScrollWidth + 1)
                       : INT_MAX;
  Value.Char = MinMax(Value.Char, 1, maxX);
  Value.Line = MinMax(Value.Line, 1, count);
  const std::u16string_view s = fLines->StringRef(Value.Line - 1);
  const int len = static_cast<int>(s.size());
  // The line ends in a character that belongs to no word.
  auto ident = [&](int pos) { return pos <= len && IsIdentChar(s[pos - 1]); };
  if (Value.Char > len + 1) {
    SetCaretXY(TBufferCoord{len + 1, Value.Line});
    return;
  }
  int end = Value.Char;
  while (ident(end)) ++end;
  int start = Value.Char - 1;
  while (start >= 1 && ident(start)) --start;
  ++start;
  TSynPaintLock lock(*this);
  if (HasOption(eoNoSelection)) {
    SetCaretXY(TBufferCoord{end, Value.Line});
    return;
  }
  SetCaretAndSelection(TBufferCoord{end, Value.Line}, TBufferCoord{start, Value.Line}, TBufferCoord{end, Value.Line});
  InvalidateLine(Value.Line);
  StatusChanged(SynSC(scSelection));
}

std::u16string TCustomSynPad::GetWordAtCaret() {
  const TBufferCoord b = WordStart(), e = WordEnd();
  if (e.Line != b.Line || e.Char <= b.Char) return std::u16string();
  return TextOfRange(b, e, smNormal);
}

// ---------------------------------------------------------------------------------------------
// Editing helpers

int TCustomSynPad::DisplayWidthOf(std::u16string_view Text) const {
  long long w = 0;
  for (char16_t c : Text) w += c == u'\t' ? fTabWidth - (w % fTabWidth) : CharCells(c);
  return static_cast<int>(std::min<long long>(w, INT_MAX));
}

std::u16string TCustomSynPad::IndentString(int Width) const {
  if (Width <= 0) return std::u16string();
  if (HasOption(eoTabsToSpaces)) return std::u16string(static_cast<size_t>(Width), u' ');
  std::u16string out(static_cast<size_t>(Width / fTabWidth), u'\t');
  out.append(static_cast<size_t>(Width % fTabWidth), u' ');
  return out;
}

int TCustomSynPad::LeadingWhiteCount(std::u16string_view Line) const {
  if (!HasOption(eoAutoIndent)) return 0;
  int n = 0;
  while (n < static_cast<int>(Line.size()) && Line[n] < 0x21) ++n;
  return n;
}

bool TCustomSynPad::TabIndentApplies() const {
  if (!HasOption(eoTabIndent) || !SelAvail()) return false;
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  if (b.Line != e.Line || fActiveSelectionMode == smLine) return true;
  return b.Char == 1 && e.Char > static_cast<int>(LineText(b.Line).size());
}

// ---------------------------------------------------------------------------------------------
// Typing

void TCustomSynPad::DoTypeText(std::u16string Text) {
  // Only printable text and line breaks go in.
  Text.erase(
      std::remove_if(Text.begin(), Text.end(),
                     [](char16_t c) { return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0x7F; }),
      Text.end());
  if (Text.empty()) return;
  if (SelAvail()) {
    SetSelTextExternal(Text);
    EnsureCursorPosVisible();
    return;
  }
  TSynScrollPastEolOn pastEol(*this);
  const int y = std::max(1, fCaretY);
  int x = fCaretX;
  std::u16string line(y <= fLines->Count() ? fLines->StringRef(y - 1) : std::u16string_view());
  const int len = static_cast<int>(line.size());
  const bool multiLine = Text.find_first_of(u"\r\n") != std::u16string::npos;
  const bool allBlank = std::all_of(Text.begin(), Text.end(), IsBlank);
  if (fInserting && !fWordWrapPlugin && !HasOption(eoAutoSizeMaxScrollWidth) && len >= fMaxScrollWidth) return;
  if (fInserting && allBlank && HasOption(eoTrimTrailingSpaces) &&
      std::all_of(line.begin() + std::min(x - 1, len), line.end(), IsBlank)) {
    // Trailing blanks are not kept: the caret moves instead, by columns of the line (a wrapped
    // line's rows are no lines of their own).
    int col = ExpandedColumn(line, x);
    for (char16_t c : Text) col += c == u' ' ? 1 : fTabWidth - ((col - 1) % fTabWidth);
    SetCaretXY(TBufferCoord{ExpandedCharAt(line, col), y});
    return;
  }
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  if (x > len + 1) {
    // Padding up to the caret: blanks after text, the indentation of the column on an empty line.
    const std::u16string pad = len > 0 ? std::u16string(static_cast<size_t>(x - 1 - len), u' ') : IndentString(x - 1);
    line += pad;
    PutLine(y, line);
    fUndoList->AddChange(crWhiteSpaceAdd, TBufferCoord{len + 1, y},
                         TBufferCoord{len + 1 + static_cast<int>(pad.size()), y}, u"", smNormal);
    x = len + 1 + static_cast<int>(pad.size());
  }
  if (multiLine) {
    const TBufferCoord start{x, y};
    SetCaretXY(start);
    fActiveSelectionMode = smNormal;
    StoreBlock(start, start);
    SetSelTextPrimitiveEx(smNormal, Text, false, &start);
    fUndoList->AddChange(crInsert, start, fInsertEnd, u"", smNormal);
    FlushTrims(true);
    return;
  }
  const int k = static_cast<int>(Text.size());
  std::u16string replaced;
  if (!fInserting && x - 1 < static_cast<int>(line.size())) {
    // One typed character replaces one character, whichever side holds a surrogate pair.
    const int n = CharsForward(line, x, CharacterCount(Text)) - x;
    replaced = line.substr(static_cast<size_t>(x - 1), static_cast<size_t>(n));
    line.replace(static_cast<size_t>(x - 1), static_cast<size_t>(n), Text);
  } else {
    line.insert(static_cast<size_t>(x - 1), Text);
  }
  PutLine(y, line);
  fUndoList->AddChange(crInsert, TBufferCoord{x, y}, TBufferCoord{x + k, y}, replaced, smNormal);
  SetCaretXY(TBufferCoord{x + k, y});
  CollapseBlockOnCaret();
}

// ---------------------------------------------------------------------------------------------
// Deleting

void TCustomSynPad::DoBackspace() {
  if (SelAvail()) {
    DeleteSelectionRecorded();
    return;
  }
  const int y = fCaretY, x = fCaretX;
  const std::u16string line(LineText(y));
  const int len = static_cast<int>(line.size());
  if (x > len + 1) {
    int target = x - 1;
    if (HasOption(eoSmartTabDelete)) {
      if (len > 0) {
        target = len + 1;
      } else {
        target = 1;
        for (int above = y - 1; above >= 1; --above) {
          const std::u16string_view t = LineText(above);
          int indent = 0;
          if (HasOption(eoAutoIndent))
            for (char16_t c : t) {
              if (!IsBlank(c)) break;
              indent += (c == u'\t' && HasOption(eoTrimTrailingSpaces)) ? fTabWidth : 1;
            }
          if (indent < x - 1) {
            target = indent + 1;
            break;
          }
        }
      }
    }
    SetCaretXY(TBufferCoord{target, y});
    return;
  }
  if (x == 1) {
    if (y <= 1) return;
    TSynUndoBlock block(*fUndoList);
    TSynPaintLock lock(*this);
    if (HasOption(eoTrimTrailingSpaces)) {
      NoteTrim(y - 1);
      FlushTrims(true);
    }
    const int prevLen = static_cast<int>(LineText(y - 1).size());
    DeleteRangeRecorded(TBufferCoord{prevLen + 1, y - 1}, TBufferCoord{1, y}, crDeleteBefore);
    return;
  }
  const int lead = LeadingWhiteCount(line);
  if (lead > 0 && line[x - 2] < 0x21 && x - 1 == lead) {
    TSynUndoBlock block(*fUndoList);
    TSynPaintLock lock(*this);
    if (HasOption(eoSmartTabDelete)) {
      int v = 0;
      for (int above = y - 1; above >= 1; --above) {
        const int c = LeadingWhiteCount(LineText(above));
        if (c < lead) {
          v = c;
          break;
        }
      }
      DeleteRangeRecorded(TBufferCoord{1, y}, TBufferCoord{lead - v + 1, y}, crDeleteBefore);
      SetCaretXY(TBufferCoord{v + 1, y});
    } else {
      // Back to the previous tab stop, over white space only.
      const int col = ExpandedColumn(line, x);
      const int stop = ((col - 2) / fTabWidth) * fTabWidth + 1;
      int from = x - 1;
      while (from > 1 && IsBlank(line[from - 2]) && ExpandedColumn(line, from) > stop) --from;
      DeleteRangeRecorded(TBufferCoord{from, y}, TBufferCoord{x, y}, crDeleteBefore);
    }
    NoteTrim(y);
    FlushTrims(true);
    return;
  }
  DeleteRangeRecorded(TBufferCoord{SnapToCharBoundary(line, x - 1, TSynCharSnap::Backward), y}, TBufferCoord{x, y},
                      crDeleteBefore);
}

void TCustomSynPad::DoDeleteChar() {
  if (SelAvail()) {
    DeleteSelectionRecorded();
    return;
  }
  const int y = fCaretY, x = fCaretX;
  const std::u16string_view line = LineText(y);
  const int len = static_cast<int>(line.size());
  if (x <= len) {
    DeleteRangeRecorded(TBufferCoord{x, y}, TBufferCoord{SnapToCharBoundary(line, x + 1, TSynCharSnap::Forward), y},
                        crDeleteAfter);
    return;
  }
  if (y >= fLines->Count()) return;
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  int end = len;
  if (x > len + 1) {
    // The line is padded up to the caret before the next one is joined on.
    std::u16string padded(line);
    padded.append(static_cast<size_t>(x - 1 - len), u' ');
    PutLine(y, padded);
    fUndoList->AddChange(crWhiteSpaceAdd, TBufferCoord{len + 1, y}, TBufferCoord{x, y}, u"", smNormal);
    end = x - 1;
  }
  DeleteRangeRecorded(TBufferCoord{end + 1, y}, TBufferCoord{1, y + 1}, crDeleteAfter);
}

void TCustomSynPad::DoDeleteLine() {
  const int count = fLines->Count();
  if (count == 0) return;
  const int y = std::min(fCaretY, count);
  const int len = static_cast<int>(LineText(y).size());
  TSynPaintLock lock(*this);
  if (SelAvail()) SetBlockBegin(GetCaretXY());
  if (y < count)
    DeleteRangeRecorded(TBufferCoord{1, y}, TBufferCoord{1, y + 1}, crDeleteAfter);
  else if (y > 1)
    // The last line goes with the line break before it.
    DeleteRangeRecorded(TBufferCoord{static_cast<int>(LineText(y - 1).size()) + 1, y - 1}, TBufferCoord{len + 1, y},
                        crDeleteAfter);
  else
    DeleteRangeRecorded(TBufferCoord{1, 1}, TBufferCoord{len + 1, 1}, crDeleteAfter);
  SetCaretXY(TBufferCoord{1, std::min(y, fLines->Count())});
  CollapseBlockOnCaret();
}

// ---------------------------------------------------------------------------------------------
// Line breaks and tabs

void TCustomSynPad::DoLineBreak(bool MoveCaret) {
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  if (SelAvail()) SetSelTextExternal(u"");
  const TBufferCoord old = GetCaretXY();
  const int y = std::max(1, fCaretY);
  const std::u16string_view s = LineText(y);
  const int cut = std::min(fCaretX - 1, static_cast<int>(s.size()));
  // The new line takes the indentation of the part before the caret.
  std::u16string indent;
  int width = 0;
  if (HasOption(eoAutoIndent)) {
    int n = 0;
    while (n < cut && IsBlank(s[n])) ++n;
    width = DisplayWidthOf(s.substr(0, static_cast<size_t>(n)));
    indent = IndentString(width);
  }
  const TBufferCoord start{cut + 1, y};
  SetCaretXYEx(false, start);
  fActiveSelectionMode = smNormal;
  StoreBlock(start, start);
  SetSelTextPrimitiveEx(smNormal, u"\r\n" + indent, false, &start);
  const TBufferCoord after = fInsertEnd;
  fUndoList->AddChange(crLineBreak, start, after, u"", smNormal);
  NoteTrim(y);
  NoteTrim(y + 1);
  FlushTrims(true);
  TSynScrollPastEolOn pastEol(*this);
  if (MoveCaret) {
    // A trimmed empty line keeps its indentation as the caret's column; typing fills it in.
    const bool emptied = LineText(y + 1).empty();
    SetCaretXY(emptied ? TBufferCoord{width + 1, y + 1} : after);
  } else {
    SetCaretXY(old);
  }
  CollapseBlockOnCaret();
}

void TCustomSynPad::DoTab() {
  if (TabIndentApplies()) {
    DoBlockIndent(true);
    return;
  }
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  // Columns of the line, not of the caret's row: a wrapped line tabs as it would unwrapped.
  const int dispX = LineColumn(GetCaretXY());
  int smart = 0;
  if (HasOption(eoSmartTabs)) {
    for (int above = fCaretY - 1; above >= 1 && smart == 0; --above) {
      const std::u16string e = ExpandedDisplayLine(above);
      const int len = static_cast<int>(e.size());
      if (len < dispX) continue;
      int i = dispX;
      while (i <= len && !IsBlank(e[i - 1])) ++i;
      while (i <= len && IsBlank(e[i - 1])) ++i;
      smart = i - dispX;
      break;
    }
  }
  if (SelAvail()) SetSelTextExternal(u"");
  const int y = fCaretY, x = fCaretX;
  const int len = static_cast<int>(LineText(y).size());
  const int col = LineColumn(GetCaretXY());
  const int toStop = fTabWidth - ((col - 1) % fTabWidth);
  TSynScrollPastEolOn pastEol(*this);
  if (HasOption(eoTrimTrailingSpaces) && x > len + 1) {
    SetCaretXY(TBufferCoord{x + toStop, y});
    return;
  }
  int width = smart > 0 ? smart : (HasOption(eoTabsToSpaces) ? toStop : fTabWidth);
  std::u16string text;
  if (HasOption(eoTabsToSpaces)) {
    text.assign(static_cast<size_t>(width), u' ');
  } else if (smart > 0) {
    int cur = col, stop = col + toStop;
    while (stop <= col + width) {
      text += u'\t';
      cur = stop;
      stop += fTabWidth;
    }
    text.append(static_cast<size_t>(col + width - cur), u' ');
  } else {
    text = u"\t";
  }
  const TBufferCoord start{std::min(x, len + 1), y};
  fActiveSelectionMode = smNormal;
  CollapseBlockOnCaret();
  // The blanks stay until an edit writes the line again (a line break, a joined line): no later
  // edit elsewhere trims them.
  const size_t noted = fTrimLines.size();
  SetSelTextPrimitiveEx(smNormal, text, false);
  fTrimLines.resize(noted);
  fUndoList->AddChange(crInsert, start, fInsertEnd, u"", smNormal);
  EnsureCursorPosVisible();
}

void TCustomSynPad::DoShiftTab() {
  if (TabIndentApplies()) {
    DoBlockUnindent();
    return;
  }
  const int y = fCaretY, x = fCaretX;
  const std::u16string_view s = LineText(y);
  const int len = static_cast<int>(s.size());
  if (x <= 1) return;
  const int stop = ((x - 2) / fTabWidth) * fTabWidth + 1;
  if (x > len + 1) {
    // Past the end only the caret moves, never onto the text.
    TSynScrollPastEolOn pastEol(*this);
    MoveCaretAndSelection(GetCaretXY(), TBufferCoord{std::max(stop, len + 1), y}, false);
    return;
  }
  int newX = x;
  if (HasOption(eoSmartTabs)) {
    for (int above = y - 1; above >= 1; --above) {
      const std::u16string_view t = LineText(above);
      if (static_cast<int>(t.size()) < x - 1) continue;
      // The start of the nearest word of that line left of the caret's column.
      for (int q = x - 1; q >= 1; --q)
        if (!IsBlank(t[q - 1]) && (q == 1 || IsBlank(t[q - 2]))) {
          newX = q;
          break;
        }
      break;
    }
  }
  if (newX == x) {
    if (s[x - 2] == u'\t')
      newX = x - 1;
    else
      while (newX > stop && s[newX - 2] == u' ') --newX;
  }
  // Only white space is taken away.
  int limit = x;
  while (limit > 1 && IsBlank(s[limit - 2])) --limit;
  newX = std::max(newX, limit);
  if (newX < x) DeleteRangeRecorded(TBufferCoord{newX, y}, TBufferCoord{x, y}, crDeleteBefore);
}

// ---------------------------------------------------------------------------------------------
// Block indent and unindent

void TCustomSynPad::DoBlockIndent(bool KeepFirstColumn) {
  if (!SelAvail()) return;
  const TSynSelectionMode mode = fActiveSelectionMode;
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  int last = std::min(e.Line, std::max(1, fLines->Count()));
  if (mode == smNormal && e.Char == 1 && e.Line > b.Line) --last;
  // A column block is indented where it begins on each line.
  const std::vector<int> starts = mode == smColumn ? ColumnStartsOf(b, e) : std::vector<int>();
  const std::u16string indent =
      HasOption(eoTabsToSpaces) ? std::u16string(static_cast<size_t>(fTabWidth), u' ') : u"\t";
  const int k = static_cast<int>(indent.size());
  std::u16string text;
  for (int line = b.Line; line <= last; ++line) {
    text += indent;
    if (line < last) text += u"\r\n";
  }
  TBufferCoord anchor = fBlockBegin, moving = fBlockEnd;
  const bool anchorFirst = anchor == b;
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  fUndoList->AddChange(crIndent, anchor, moving, u"", mode);
  InsertBlock(TBufferCoord{IndentCharOf(starts, b.Line, b.Line), b.Line}, text, true,
              mode == smColumn ? &starts : nullptr);
  // The begin moves with the text (unless Tab keeps it at column 1), the end only when past column 1.
  for (TBufferCoord* p : {&anchor, &moving}) {
    const bool isBegin = (p == &anchor) == anchorFirst;
    if (p->Line < b.Line || p->Line > last) continue;
    if (mode == smColumn) {
      if (p->Char >= IndentCharOf(starts, b.Line, p->Line)) p->Char += k;
    } else if (isBegin ? !(KeepFirstColumn && p->Char == 1) : p->Char > 1) {
      p->Char += k;
    }
  }
  SetCaretXY(moving);
  SetSelectionRaw(anchor, moving, mode);
  fUndoList->AddChange(crIndent, anchor, moving, u"", mode);
}

void TCustomSynPad::DoBlockUnindent() {
  if (!SelAvail()) return;
  const TSynSelectionMode mode = fActiveSelectionMode;
  const TBufferCoord b = BlockBegin(), e = BlockEnd();
  int last = std::min(e.Line, fLines->Count());
  if (mode == smNormal && e.Char == 1 && e.Line > b.Line) --last;
  const std::vector<int> starts = mode == smColumn ? ColumnStartsOf(b, e) : std::vector<int>();
  std::vector<int> removed;
  std::u16string pieces;
  bool any = false;
  for (int line = b.Line; line <= last; ++line) {
    const std::u16string_view s = LineText(line);
    const int col = IndentCharOf(starts, b.Line, line);
    const std::u16string_view rest =
        col - 1 < static_cast<int>(s.size()) ? s.substr(static_cast<size_t>(col - 1)) : u"";
    int n = 0;
    if (!rest.empty() && rest[0] == u'\t') {
      n = 1;
    } else {
      while (n < fTabWidth && n < static_cast<int>(rest.size()) && rest[n] == u' ') ++n;
      if (n < fTabWidth && n < static_cast<int>(rest.size()) && rest[n] == u'\t') ++n;
    }
    removed.push_back(n);
    pieces += rest.substr(0, static_cast<size_t>(n));
    if (line < last) pieces += u"\r\n";
    any = any || n > 0;
  }
  if (!any) return;
  TBufferCoord anchor = fBlockBegin, moving = fBlockEnd;
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  if (TSynPadUndoItem* item = fUndoList->AddChange(crUnindent, anchor, moving, pieces, mode); item && mode == smColumn)
    item->ColumnStarts = starts;
  {
    TSynLinesUpdate update(*fLines);
    for (int line = b.Line; line <= last; ++line) {
      const int n = removed[static_cast<size_t>(line - b.Line)];
      if (n == 0) continue;
      UnindentLine(line, IndentCharOf(starts, b.Line, line), n, anchor, moving);
    }
  }
  SetCaretXY(moving);
  SetSelectionRaw(anchor, moving, mode);
}

// ---------------------------------------------------------------------------------------------
// Case changes

void TCustomSynPad::DoCaseChange(TSynPadorCommand Command) {
  const bool blockVariant = Command >= ecUpperCaseBlock;
  const TBufferCoord oldCaret = GetCaretXY();
  TSynUndoBlock block(*fUndoList);
  TSynPaintLock lock(*this);
  if (!SelAvail()) {
    if (blockVariant) {
      if (fCaretX > static_cast<int>(LineText(fCaretY).size()) + 1 && fCaretY < fLines->Count())
        SetCaretXY(TBufferCoord{1, fCaretY + 1});
      return;
    }
    TBufferCoord b = WordStart(), e = WordEnd();
    if (e.Char <= b.Char) {
      const TBufferCoord p = PrevWordPos();
      b = WordStartEx(p);
      e = WordEndEx(p);
    }
    if (e.Line != b.Line || e.Char <= b.Char) return;
    SetSelectionRaw(b, e, smNormal);
  }
  const std::u16string text = GetSelTextRaw();
  const std::u16string changed = ChangeCase(text, Command);
  const TSynSelectionMode mode = fActiveSelectionMode;
  const TBufferCoord anchor = fBlockBegin, moving = fBlockEnd;
  fUndoList->AddChange(crCaseText, BlockBegin(), BlockEnd(), u"", mode);
  fUndoList->AddChange(crCaseSelection, oldCaret, oldCaret, u"", mode);
  if (changed != text) SetSelTextExternal(changed);
  if (blockVariant) {
    SetCaretXY(moving);
    SetSelectionRaw(anchor, moving, mode);
  } else {
    SetCaretXY(oldCaret);
    CollapseBlockOnCaret();
  }
}

// ---------------------------------------------------------------------------------------------
// Bookmark keys

void TCustomSynPad::DoSetMarker(int Number, const TSynCommandData& Data) {
  if (!fBookMarkOpt->EnableKeys) return;
  const TBufferCoord* given = std::get_if<TBufferCoord>(&Data);
  const TBufferCoord pos = given ? *given : GetCaretXY();
  int x = 0, y = 0;
  if (GetBookMark(Number, x, y)) {
    ClearBookMark(Number);
    if (y != pos.Line) SetBookMark(Number, pos.Char, pos.Line);
  } else {
    SetBookMark(Number, pos.Char, pos.Line);
  }
}
