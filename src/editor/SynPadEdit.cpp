// The editor control's text replacement engine and the replay of undo and redo items.
//
// Every change other than single-character typing goes through one engine: delete the selection in
// the active mode, then insert a text in normal, column or line mode. The engine records nothing
// itself (except, when asked, the lines a column insertion fills); the recorded forms wrap it in an
// undo block, and Undo/Redo replay the items through the same engine.
//
// Two rules keep undo exact:
// - Trailing blanks cut under eoTrimTrailingSpaces are cut after the replacement and, in a recorded
//   replacement, recorded as their own item after it, so undo first gives them back and then
//   reverses the replacement on the text it really produced. Replaying never trims.
// - A column block covers the same screen columns on every line, each line's characters widened
//   to whole ones: the range that is shown, copied and deleted. Its text goes back where it came
//   from on each line (the undo item keeps those places), not where the columns fall now.
#include <algorithm>
#include <climits>
#include <exception>
#include <optional>

#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadScopes.h"

namespace {

bool Before(const TBufferCoord& a, const TBufferCoord& b) {
  return a.Line < b.Line || (a.Line == b.Line && a.Char < b.Char);
}

// The first and the last position of a range; of a column block the corner on its first line and
// the one on its last, each as it stands on its own line.
TBufferCoord RangeFirst(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode) {
  if (Mode == smColumn) return End.Line < Start.Line ? End : Start;
  return Before(End, Start) ? End : Start;
}
TBufferCoord RangeLast(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode) {
  if (Mode == smColumn) return End.Line < Start.Line ? Start : End;
  return Before(End, Start) ? Start : End;
}

// The paint lock and the buffer's update bracket around one edit.
struct TEditScope {
  TEditScope(TCustomSynPad& Ed, TSynPadStringList& Lines) : lock(Ed), update(Lines) {}
  TSynPaintLock lock;
  TSynLinesUpdate update;
};

bool IsInsertion(TSynChangeReason r) {
  return r == crInsert || r == crPaste || r == crDragDropInsert || r == crLineBreak || r == crWhiteSpaceAdd;
}
bool IsDeletion(TSynChangeReason r) {
  return r == crDeleteSelection || r == crSelDelete || r == crDeleteBefore || r == crDeleteAfter || r == crDeleteAll;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Small pieces

void TCustomSynPad::PutLine(int Line, std::u16string_view Text) {
  if (Line > fLines->Count()) {
    fLines->Add(std::u16string(Text));
    return;
  }
  if (fLines->StringRef(Line - 1) != Text) fLines->Put(Line - 1, std::u16string(Text));
}

void TCustomSynPad::SetSelectionRaw(TBufferCoord B, TBufferCoord E, TSynSelectionMode Mode) {
  if (SelAvail()) InvalidateSelection();
  fActiveSelectionMode = Mode;
  StoreBlock(B, E);
  if (SelAvail()) InvalidateSelection();
  StatusChanged(SynSC(scSelection));
}

std::u16string TCustomSynPad::TextOfRange(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode) const {
  const TBufferCoord S = RangeFirst(Start, End, Mode), E = RangeLast(Start, End, Mode);
  const int count = fLines->Count();
  std::u16string out;
  if (S.Line < 1 || S.Line > count) return out;
  const int last = std::min(E.Line, count);
  switch (Mode) {
    case smNormal:
      for (int line = S.Line; line <= last; ++line) {
        const std::u16string_view s = fLines->StringRef(line - 1);
        const int len = static_cast<int>(s.size());
        const int from = line == S.Line ? std::clamp(S.Char - 1, 0, len) : 0;
        const int to = line == E.Line ? std::clamp(E.Char - 1, 0, len) : len;
        if (to > from) out.append(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
        if (line != E.Line) out += u"\r\n";
      }
      break;
    case smColumn: {
      const TColumnSpan span = ColumnSpanOf(S, E);
      for (int line = S.Line; line <= last; ++line) {
        const std::u16string_view s = fLines->StringRef(line - 1);
        const int len = static_cast<int>(s.size());
        const TCharRange r = ColumnCharsOfLine(line, span.Left, span.Right);
        const int from = std::clamp(r.From - 1, 0, len), to = std::clamp(r.To - 1, 0, len);
        if (to > from) out.append(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
        if (line != last) out += u"\r\n";
      }
      break;
    }
    case smLine:
      for (int line = S.Line; line <= last; ++line) {
        out += fLines->StringRef(line - 1);
        if (line < count) out += u"\r\n";
      }
      break;
  }
  return out;
}

std::u16string TCustomSynPad::GetSelTextRaw() const {
  if (!SelAvail()) return std::u16string();
  return TextOfRange(BlockBegin(), BlockEnd(), fActiveSelectionMode);
}

bool TCustomSynPad::TrimActive() const {
  return HasOption(eoTrimTrailingSpaces) && !fUndoRedoing;
}

void TCustomSynPad::NoteTrim(int Line) {
  if (TrimActive()) fTrimLines.push_back(Line);
}

void TCustomSynPad::FlushTrims(bool Record) {
  if (fTrimLines.empty()) return;
  std::vector<int> lines;
  lines.swap(fTrimLines);
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  TBufferCoord caret = GetCaretXY();
  bool moved = false;
  {
    TEditScope scope(*this, *fLines);
    for (int line : lines) {
      if (line < 1 || line > fLines->Count()) continue;
      const std::u16string_view s = fLines->StringRef(line - 1);
      const std::u16string_view kept = TrimRight(s);
      if (kept.size() == s.size()) continue;
      const int t = static_cast<int>(kept.size()), len = static_cast<int>(s.size());
      const std::u16string cut(s.substr(kept.size()));
      fLines->Put(line - 1, std::u16string(kept));
      if (Record)
        fUndoList->AddChange(crDeleteAll, TBufferCoord{t + 1, line}, TBufferCoord{len + 1, line}, cut, smNormal);
      if (caret.Line == line && caret.Char > t + 1) {
        caret.Char = t + 1;
        moved = true;
      }
    }
    if (moved) {
      SetCaretXYEx(true, caret);
      CollapseBlockOnCaret();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The engine

void TCustomSynPad::SetSelTextPrimitive(TSynSelectionMode PasteMode, std::u16string_view Value, bool AddToUndoList) {
  SetSelTextPrimitiveEx(PasteMode, Value, AddToUndoList);
  FlushTrims(AddToUndoList && !fUndoList->IsLocked());
}

void TCustomSynPad::SetSelTextPrimitiveEx(TSynSelectionMode PasteMode, std::u16string_view Value, bool AddToUndoList,
                                          const TBufferCoord* At, const std::vector<int>* ColumnStarts) {
  // The text may be a view into the buffer itself.
  const std::u16string text(Value);
  TEditScope scope(*this, *fLines);
  TBufferCoord caret = GetCaretXY();
  // A column text that replaces a column block goes in where the block was on each line.
  std::vector<int> deletedStarts;
  if (SelAvail()) DeleteSelectionRaw(BlockBegin(), BlockEnd(), caret, &deletedStarts);
  if (!ColumnStarts && !deletedStarts.empty()) ColumnStarts = &deletedStarts;
  if (At) caret = *At;
  if (!text.empty()) {
    switch (PasteMode) {
      case smNormal:
        InsertNormal(text, caret);
        break;
      case smColumn:
        InsertColumn(text, AddToUndoList, caret, ColumnStarts);
        break;
      case smLine:
        InsertLineMode(text, caret);
        break;
    }
  }
  if (caret.Line < 1) caret.Line = 1;
  fInsertEnd = caret;
  // Where the control lets it stand; typing past the end has the option switched on around it.
  SetCaretXYEx(true, caret);
  if (SelAvail()) InvalidateSelection();
  CollapseBlockOnCaret();
  StatusChanged(SynSC(scSelection));
}

void TCustomSynPad::RestoreMarkLines(const std::vector<std::pair<const void*, int>>& MarkLines) {
  for (const auto& [handle, line] : MarkLines)
    for (auto& m : fMarkList)
      if (m.get() == handle) m->Line = std::clamp(line, 1, std::max(1, fLines->Count()));
}

void TCustomSynPad::DeleteSelectionRaw(const TBufferCoord& BB, const TBufferCoord& BE, TBufferCoord& Caret,
                                       std::vector<int>* ColumnStarts) {
  fMovedMarks.clear();
  const int count = fLines->Count();
  if (count == 0 || BB.Line > count) return;
  const int lastLine = std::min(BE.Line, count);
  switch (fActiveSelectionMode) {
    case smNormal: {
      const std::u16string_view s1 = fLines->StringRef(BB.Line - 1);
      std::u16string joined(s1.substr(0, static_cast<size_t>(std::clamp(BB.Char - 1, 0, static_cast<int>(s1.size())))));
      const std::u16string_view s2 = fLines->StringRef(lastLine - 1);
      const int from2 =
          BE.Line > count ? static_cast<int>(s2.size()) : std::clamp(BE.Char - 1, 0, static_cast<int>(s2.size()));
      joined.append(s2.substr(static_cast<size_t>(from2)));
      // Marks of the lines joined into BB's go there; all of them are noted, so that an undo
      // (which puts the lines back above the rest of BB's line) returns each to its line.
      for (auto& m : fMarkList)
        if (m->Line >= BB.Line && m->Line <= lastLine) fMovedMarks.emplace_back(m.get(), m->Line);
      if (lastLine > BB.Line) fLines->DeleteLines(BB.Line, lastLine - BB.Line);
      PutLine(BB.Line, joined);
      if (HasOption(eoScrollPastEol)) NoteTrim(BB.Line);
      Caret = BB;
      break;
    }
    case smColumn: {
      const TColumnSpan span = ColumnSpanOf(BB, BE);
      int first = 0;
      for (int line = BB.Line; line <= lastLine; ++line) {
        const TCharRange r = ColumnCharsOfLine(line, span.Left, span.Right);
        if (line == BB.Line) first = r.From;
        if (ColumnStarts) ColumnStarts->push_back(r.From);
        const std::u16string_view s = fLines->StringRef(line - 1);
        const int len = static_cast<int>(s.size());
        if (r.From - 1 >= len) continue;
        std::u16string t(s);
        t.erase(static_cast<size_t>(r.From - 1), static_cast<size_t>(std::min(r.To - 1, len) - (r.From - 1)));
        fLines->Put(line - 1, t);
        NoteTrim(line);
      }
      Caret = TBufferCoord{first, BB.Line};
      break;
    }
    case smLine: {
      // Marks of the deleted lines go to the line that takes the first one's place, as when the
      // lines are deleted one by one (the buffer's rule would put them on the line above).
      std::vector<TSynPadMark*> moved;
      for (auto& m : fMarkList)
        if (m->Line >= BB.Line && m->Line <= lastLine) {
          moved.push_back(m.get());
          fMovedMarks.emplace_back(m.get(), m->Line);
        }
      if (lastLine == count) {
        // The buffer keeps a line: the last one is emptied instead of deleted.
        if (lastLine > BB.Line) fLines->DeleteLines(BB.Line - 1, lastLine - BB.Line);
        PutLine(BB.Line, u"");
      } else {
        fLines->DeleteLines(BB.Line - 1, lastLine - BB.Line + 1);
      }
      const int to = std::max(1, std::min(BB.Line, fLines->Count()));
      for (TSynPadMark* m : moved) m->Line = to;
      Caret = TBufferCoord{1, BB.Line};
      break;
    }
  }
}

void TCustomSynPad::InsertNormal(std::u16string_view Value, TBufferCoord& Caret) {
  std::vector<std::u16string_view> pieces = SplitIntoLines(Value);
  const size_t n = pieces.size();
  const int y = std::min(Caret.Line, fLines->Count() + 1);
  const std::u16string cur(y <= fLines->Count() ? fLines->StringRef(y - 1) : std::u16string_view());
  const int len = static_cast<int>(cur.size());
  const int cut = std::clamp(Caret.Char - 1, 0, len);
  std::u16string left = cur.substr(0, static_cast<size_t>(cut));
  if (Caret.Char - 1 > len) left.append(static_cast<size_t>(Caret.Char - 1 - len), u' ');
  const std::u16string right = cur.substr(static_cast<size_t>(cut));
  if (n == 1) {
    std::u16string line = left;
    line += pieces[0];
    const int caretX = static_cast<int>(line.size()) + 1;
    line += right;
    PutLine(y, line);
    Caret = TBufferCoord{caretX, y};
    NoteTrim(y);
    return;
  }
  // Whole lines in the middle never keep trailing blanks; the first and the last line, which hold
  // text of their own, are trimmed afterwards.
  if (TrimActive())
    for (size_t i = 0; i + 1 < n; ++i) pieces[i] = TrimRight(pieces[i]);
  std::u16string lastText(pieces[n - 1]);
  lastText += right;
  if (Caret.Char <= 1 && y <= fLines->Count()) {
    // Split at the line start: the new lines go in front, and marks of the caret line follow its text.
    std::vector<std::u16string_view> block(pieces.begin(), pieces.end() - 1);
    fLines->InsertStrings(y - 1, block);
    PutLine(y + static_cast<int>(n) - 1, lastText);
  } else {
    std::u16string first = left;
    first += pieces[0];
    PutLine(y, first);
    std::vector<std::u16string_view> block(pieces.begin() + 1, pieces.end() - 1);
    block.push_back(lastText);
    fLines->InsertStrings(y, block);
  }
  const int lastLine = y + static_cast<int>(n) - 1;
  Caret = TBufferCoord{static_cast<int>(lastText.size() - right.size()) + 1, lastLine};
  NoteTrim(y);
  NoteTrim(lastLine);
}

void TCustomSynPad::InsertColumn(std::u16string_view Value, bool AddToUndoList, TBufferCoord& Caret,
                                 const std::vector<int>* Starts) {
  const std::vector<std::u16string_view> pieces = SplitIntoLines(Value);
  const int y = std::max(1, Caret.Line);
  // The pieces stand under one another on the screen: in the caret's column on every line.
  const int column = ExpandedColumn(LineText(y), std::max(1, Caret.Char));
  int c = 1;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const int line = y + static_cast<int>(i);
    if (Starts && i < Starts->size())
      c = std::max(1, (*Starts)[i]);
    else
      c = i == 0 ? std::max(1, Caret.Char) : ColumnInsertChar(line, column);
    const std::u16string_view piece = pieces[i];
    const int k = static_cast<int>(piece.size());
    if (line > fLines->Count()) {
      const int prev = line - 1;
      if (AddToUndoList && prev >= 1 && prev <= fLines->Count()) {
        const int prevLen = static_cast<int>(fLines->StringRef(prev - 1).size());
        fUndoList->AddChange(crLineBreak, TBufferCoord{prevLen + 1, prev}, TBufferCoord{1, line}, u"", smNormal);
      }
      std::u16string t;
      if (k > 0) {
        t.assign(static_cast<size_t>(c - 1), u' ');
        t += piece;
      }
      fLines->Add(t);
      if (AddToUndoList && k > 0)
        fUndoList->AddChange(crPaste, TBufferCoord{1, line}, TBufferCoord{c + k, line}, u"", fActiveSelectionMode);
    } else {
      // An empty piece changes nothing (a short line is not padded for it).
      if (k == 0) continue;
      std::u16string t(fLines->StringRef(line - 1));
      const int len = static_cast<int>(t.size());
      if (len >= c - 1) {
        t.insert(static_cast<size_t>(c - 1), piece);
      } else {
        t.append(static_cast<size_t>(c - 1 - len), u' ');
        t += piece;
      }
      fLines->Put(line - 1, t);
      // The item covers the padding too, so that undo takes both away.
      if (AddToUndoList)
        fUndoList->AddChange(crPaste, TBufferCoord{std::min(c, len + 1), line}, TBufferCoord{c + k, line}, u"",
                             fActiveSelectionMode);
    }
    NoteTrim(line);
  }
  Caret = TBufferCoord{c + static_cast<int>(pieces.back().size()), y + static_cast<int>(pieces.size()) - 1};
}

void TCustomSynPad::NoteColumnStarts(TSynPadUndoItem* Item) const {
  if (!Item || Item->ChangeSelMode != smColumn) return;
  Item->ColumnStarts = ColumnStartsOf(Item->ChangeStartPos, Item->ChangeEndPos);
}

void TCustomSynPad::InsertLineMode(std::u16string_view Value, TBufferCoord& Caret) {
  std::vector<std::u16string_view> pieces = SplitIntoLines(Value);
  const size_t n = pieces.size();
  int y = std::clamp(Caret.Line, 1, fLines->Count() + 1);
  if (n > 1) {
    std::vector<std::u16string_view> block(pieces.begin(), pieces.end() - 1);
    if (TrimActive())
      for (auto& p : block) p = TrimRight(p);
    fLines->InsertStrings(y - 1, block);
    y += static_cast<int>(n) - 1;
  }
  const std::u16string_view last = pieces.back();
  if (y > fLines->Count()) {
    fLines->Add(std::u16string(last));
  } else if (!last.empty()) {
    std::u16string t(last);
    t += fLines->StringRef(y - 1);
    fLines->Put(y - 1, t);
    NoteTrim(y);
  }
  Caret = TBufferCoord{static_cast<int>(last.size()) + 1, y};
}

// ---------------------------------------------------------------------------------------------
// Recorded forms

void TCustomSynPad::SetSelText(const std::u16string& Value) {
  SetSelTextPrimitiveEx(fActiveSelectionMode, Value, false);
  FlushTrims(false);
}

void TCustomSynPad::SetSelTextExternal(const std::u16string& Value,
                                       std::optional<TSynSelectionMode> ModeWithoutSelection) {
  TSynPaintLock lock(*this);
  TSynUndoBlock block(*fUndoList);
  {
    const bool sel = SelAvail();
    if (!sel) {
      fActiveSelectionMode = ModeWithoutSelection.value_or(fSelectionMode);
      CollapseBlockOnCaret();
    }
    const TSynSelectionMode mode = fActiveSelectionMode;
    const TBufferCoord bb = BlockBegin(), be = BlockEnd();
    TBufferCoord start = sel ? bb : GetCaretXY();
    if (mode == smLine) start.Char = 1;
    // Padding up to a caret past the end is part of the insertion (a missing line has no text).
    if (!sel && mode == smNormal) start.Char = std::min(start.Char, static_cast<int>(LineText(start.Line).size()) + 1);
    TSynPadUndoItem* deletion = sel ? fUndoList->AddChange(crSelDelete, bb, be, GetSelTextRaw(), mode) : nullptr;
    NoteColumnStarts(deletion);
    StoreBlock(bb, be);
    fMovedMarks.clear();
    // A column replacement records the lines it fills, so that undo takes the new text away again.
    SetSelTextPrimitiveEx(mode, Value, mode == smColumn);
    if (deletion && !fMovedMarks.empty()) deletion->MarkLines = std::move(fMovedMarks);
    if (!Value.empty() && mode != smColumn)
      fUndoList->AddChange(crInsert, start, fInsertEnd, u"", mode == smLine ? smNormal : mode);
    FlushTrims(true);
  }
}

void TCustomSynPad::InsertBlock(const TBufferCoord& StartPos, std::u16string_view Value, bool AddToUndoList,
                                const std::vector<int>* ColumnStarts) {
  TSynPaintLock lock(*this);
  // Recorded, the block is one change; unrecorded (replaying undo) the lists are left alone.
  std::optional<TSynUndoBlock> block;
  if (AddToUndoList) block.emplace(*fUndoList);
  // Text goes in only between whole characters.
  const TBufferCoord start = WholeCharPos(StartPos);
  SetCaretXYEx(false, start);
  fActiveSelectionMode = smColumn;
  StoreBlock(start, start);
  SetSelTextPrimitiveEx(smColumn, Value, AddToUndoList, &start, ColumnStarts);
  FlushTrims(AddToUndoList);
}

void TCustomSynPad::SetCaretAndSelection(const TBufferCoord& ptCaret, const TBufferCoord& ptBefore,
                                         const TBufferCoord& ptAfter) {
  TSynPaintLock lock(*this);
  const TSynSelectionMode mode = fActiveSelectionMode;
  SetCaretXY(ptCaret);
  SetSelectionRaw(ptBefore, ptAfter, mode);
}

void TCustomSynPad::ReplaceRange(TBufferCoord Start, TBufferCoord End, TSynSelectionMode Mode, std::u16string_view Text,
                                 const std::vector<int>* ColumnStarts) {
  // Text goes in and out only between whole characters.
  Start = WholeCharPos(Start);
  End = WholeCharPos(End);
  if (Before(End, Start) && Mode != smColumn) std::swap(Start, End);
  const int count = fLines->Count();
  // Whole lines for as many lines: put each, so marks and highlighter ranges of the lines stay.
  if (Mode == smNormal && Start.Char == 1 && Start.Line >= 1 && Start.Line <= End.Line && End.Line <= count &&
      End.Char == static_cast<int>(fLines->StringRef(End.Line - 1).size()) + 1) {
    const std::u16string text(Text);
    const std::vector<std::u16string_view> pieces = SplitIntoLines(text);
    if (static_cast<int>(pieces.size()) == End.Line - Start.Line + 1) {
      TEditScope scope(*this, *fLines);
      for (size_t i = 0; i < pieces.size(); ++i) PutLine(Start.Line + static_cast<int>(i), pieces[i]);
      fInsertEnd = TBufferCoord{static_cast<int>(pieces.back().size()) + 1, End.Line};
      SetCaretXYEx(true, fInsertEnd);
      if (SelAvail()) InvalidateSelection();
      fActiveSelectionMode = Mode;
      CollapseBlockOnCaret();
      return;
    }
  }
  if (SelAvail()) InvalidateSelection();
  fActiveSelectionMode = Mode;
  StoreBlock(Start, End);
  // A column block's text goes in where the block began on each line, as the deletion leaves it.
  SetSelTextPrimitiveEx(Mode, Text, false, Mode == smColumn && SelAvail() ? nullptr : &Start, ColumnStarts);
}

// ---------------------------------------------------------------------------------------------
// Recorded deletions shared by the commands

TSynChangeReason TCustomSynPad::SelectionDeleteReason() const {
  // 3 brings the caret back to the selection's start, 4 to its end: where the caret stood.
  return Before(fBlockEnd, fBlockBegin) ? crDeleteSelection : crSelDelete;
}

void TCustomSynPad::DeleteSelectionRecorded() {
  if (!SelAvail()) return;
  // The caret's end is recorded as the one the caret returns to on undo.
  const TSynChangeReason reason = SelectionDeleteReason();
  const TBufferCoord anchor = fBlockBegin, moving = fBlockEnd;
  const TSynSelectionMode mode = fActiveSelectionMode;
  TSynPaintLock lock(*this);
  TSynUndoBlock block(*fUndoList);
  TSynPadUndoItem* deletion = reason == crDeleteSelection
                                  ? fUndoList->AddChange(reason, moving, anchor, GetSelTextRaw(), mode)
                                  : fUndoList->AddChange(reason, anchor, moving, GetSelTextRaw(), mode);
  NoteColumnStarts(deletion);
  fMovedMarks.clear();
  SetSelTextPrimitiveEx(mode, u"", false);
  if (deletion && !fMovedMarks.empty()) deletion->MarkLines = std::move(fMovedMarks);
  FlushTrims(true);
}

void TCustomSynPad::DeleteRangeRecorded(TBufferCoord From, TBufferCoord To, TSynChangeReason Reason) {
  if (!Before(From, To)) return;
  const std::u16string text = TextOfRange(From, To, smNormal);
  TSynPaintLock lock(*this);
  TSynUndoBlock block(*fUndoList);
  TSynPadUndoItem* deletion = fUndoList->AddChange(Reason, From, To, text, smNormal);
  fMovedMarks.clear();
  const size_t noted = fTrimLines.size();
  ReplaceRange(From, To, smNormal, u"");
  // The blanks before the caret stay while it is there; the line is trimmed when an edit writes it
  // again (a note left for a later edit would trim whatever line its number then stood for).
  fTrimLines.resize(noted);
  if (deletion && !fMovedMarks.empty()) deletion->MarkLines = std::move(fMovedMarks);
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

void TCustomSynPad::Undo() {
  UndoRedo(true);
}
void TCustomSynPad::Redo() {
  UndoRedo(false);
}

void TCustomSynPad::MoveGroupBreak(TSynPadUndoList& From, TSynPadUndoList& To) {
  if (From.LastChangeReason() != crGroupBreak) return;
  const std::unique_ptr<TSynPadUndoItem> item = From.PopItem();
  const int saved = To.BlockChangeNumber();
  To.SetBlockChangeNumber(item->ChangeNumber);
  To.AddGroupBreak();
  To.SetBlockChangeNumber(saved);
}

void TCustomSynPad::UndoRedo(bool IsUndo) {
  if (GetReadOnly()) return;
  TSynPadUndoList& src = IsUndo ? *fUndoList : *fRedoList;
  TSynPadUndoList& dst = IsUndo ? *fRedoList : *fUndoList;
  if (IsUndo) MoveGroupBreak(src, dst);
  const TSynPadUndoItem* top = src.PeekItem();
  if (top) {
    const TSynChangeReason first = top->ChangeReason;
    const bool closing =
        first == crGroupClose || first == crPasteEnd || first == crSpecial1End || first == crSpecial2End;
    const int number = top->ChangeNumber;
    const int savedBlock = dst.BlockChangeNumber();
    dst.SetBlockChangeNumber(number);
    if (!IsUndo) fUndoList->SetInsideRedo(true);
    fUndoRedoing = true;
    BeginUpdate();
    try {
      TSynChangeReason last = first;
      int current = number;  // the change being replayed
      ReplayItem(src.PopItem(), IsUndo, dst);
      while (const TSynPadUndoItem* next = src.PeekItem()) {
        if (closing) {
          // A group never reaches into another change, nor ends at its opening bracket while
          // its change goes on below it: a replace-all answered at a prompt, or one that broke
          // lines, records its groups inside one change. Undoing a part of a change would push it
          // onto the other list under the same number as the rest, and the redo of that part would
          // then take the rest too.
          if (next->ChangeNumber != number) break;
          ReplayItem(src.PopItem(), IsUndo, dst);
          continue;
        }
        // Undo groups changes of one reason (eoGroupUndo), each taken whole: stopping inside one
        // would split it as above. Redo gives back just what one undo took, which that undo
        // pushed under one number: grouping again by reason would reach into the changes undone
        // by the undo before it.
        const bool sameChange = next->ChangeNumber == current;
        const bool grouped = IsUndo && HasOption(eoGroupUndo) && next->ChangeReason == last && last != crIndent &&
                             last != crUnindent && next->ChangeReason != crGroupBreak;
        if (!sameChange && !grouped) break;
        last = next->ChangeReason;
        current = next->ChangeNumber;
        ReplayItem(src.PopItem(), IsUndo, dst);
      }
    } catch (...) {
      fUndoRedoing = false;
      fUndoList->SetInsideRedo(false);
      dst.SetBlockChangeNumber(savedBlock);
      EndUpdate();
      throw;
    }
    fUndoRedoing = false;
    fUndoList->SetInsideRedo(false);
    dst.SetBlockChangeNumber(savedBlock);
    EndUpdate();
  }
  SetModified(!fUndoList->GetInitialState());
  if (!IsUndo) {
    MoveGroupBreak(*fRedoList, *fUndoList);
    SetModified(!fUndoList->GetInitialState());
  }
}

void TCustomSynPad::ReplayItem(std::unique_ptr<TSynPadUndoItem> Item, bool IsUndo, TSynPadUndoList& Dest) {
  if (!Item) return;
  const TSynChangeReason reason = Item->ChangeReason;
  const TSynSelectionMode mode = Item->ChangeSelMode;
  const TBufferCoord start = Item->ChangeStartPos, end = Item->ChangeEndPos;
  if (IsInsertion(reason)) {
    ReplayInsertion(*Item, IsUndo, Dest);
    return;
  }
  if (IsDeletion(reason)) {
    if (IsUndo)
      UndoDeletion(*Item, Dest);
    else
      RedoDeletion(*Item, Dest);
    return;
  }
  switch (reason) {
    case crIndent:
      Dest.PushItem(std::move(Item));
      SetCaretXY(end);
      SetSelectionRaw(start, end, mode);
      break;
    case crUnindent:
      if (IsUndo) {
        // A column block's pieces go back where they were taken from on each line.
        const std::vector<int>* starts = mode == smColumn ? &Item->ColumnStarts : nullptr;
        const int col = starts && !starts->empty() ? starts->front() : 1;
        InsertBlock(TBufferCoord{col, std::min(start.Line, end.Line)}, Item->ChangeStr, false, starts);
        SetCaretXY(end);
        SetSelectionRaw(start, end, mode);
      } else {
        RedoUnindent(*Item);
      }
      Dest.PushItem(std::move(Item));
      break;
    case crCaseSelection:
      Dest.AddChange(crCaseSelection, GetCaretXY(), GetCaretXY(), u"", fActiveSelectionMode);
      SetCaretXY(start);
      break;
    case crCaseText:
      Dest.AddChange(crCaseText, BlockBegin(), BlockEnd(), u"", fActiveSelectionMode);
      SetSelectionRaw(start, end, mode);
      break;
    default:
      // Brackets and group breaks only change lists.
      Dest.PushItem(std::move(Item));
      break;
  }
}

void TCustomSynPad::ReplayInsertion(const TSynPadUndoItem& Item, bool IsUndo, TSynPadUndoList& Dest) {
  const TSynSelectionMode mode = Item.ChangeSelMode;
  const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
  // The range holds text the change put there; the item holds what it replaced.
  const std::u16string removed = TextOfRange(start, end, mode);
  const TBufferCoord from = RangeFirst(start, end, mode);
  ReplaceRange(start, end, mode, Item.ChangeStr);
  const TBufferCoord newEnd = fInsertEnd;
  Dest.AddChange(Item.ChangeReason, from, newEnd, removed, mode);
  fActiveSelectionMode = mode;
  if (IsUndo) {
    SetCaretXY(from);
    CollapseBlockOnCaret();
  }
}

void TCustomSynPad::UndoDeletion(const TSynPadUndoItem& Item, TSynPadUndoList& Dest) {
  const TSynChangeReason reason = Item.ChangeReason;
  const TSynSelectionMode mode = Item.ChangeSelMode;
  const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
  const TBufferCoord lo = RangeFirst(start, end, mode);
  // The stored text goes back in where it was taken out.
  const int firstLine = std::min(start.Line, end.Line);
  if ((reason == crDeleteSelection || reason == crDeleteAfter) && fLines->Count() < firstLine) {
    while (fLines->Count() < firstLine) fLines->Add(u"");
  }
  // A column block's pieces go back where they were taken from on each line.
  const bool noted = mode == smColumn && !Item.ColumnStarts.empty();
  const TBufferCoord at = noted ? TBufferCoord{Item.ColumnStarts.front(), firstLine} : lo;
  ReplaceRange(at, at, mode, Item.ChangeStr, noted ? &Item.ColumnStarts : nullptr);
  RestoreMarkLines(Item.MarkLines);
  Dest.AddChange(reason, start, end, u"", mode);
  if (reason == crDeleteSelection || reason == crDeleteAfter)
    SetCaretXY(start);
  else if (reason == crSelDelete || reason == crDeleteBefore)
    SetCaretXY(end);
  if (reason == crDeleteSelection || reason == crSelDelete) {
    // The caret's end moves; the other end anchors.
    const TBufferCoord caretEnd = reason == crDeleteSelection ? start : end;
    const TBufferCoord anchor = reason == crDeleteSelection ? end : start;
    SetSelectionRaw(anchor, caretEnd, mode);
  } else {
    fActiveSelectionMode = mode;
    CollapseBlockOnCaret();
  }
  EnsureCursorPosVisible();
}

void TCustomSynPad::RedoDeletion(const TSynPadUndoItem& Item, TSynPadUndoList& Dest) {
  const TSynSelectionMode mode = Item.ChangeSelMode;
  const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
  const TBufferCoord lo = RangeFirst(start, end, mode), hi = RangeLast(start, end, mode);
  const std::u16string removed = TextOfRange(lo, hi, mode);
  std::vector<int> starts = mode == smColumn ? ColumnStartsOf(start, end) : std::vector<int>();
  fMovedMarks.clear();
  ReplaceRange(lo, hi, mode, u"");
  if (TSynPadUndoItem* redone = Dest.AddChange(Item.ChangeReason, start, end, removed, mode)) {
    redone->ColumnStarts = std::move(starts);
    if (!fMovedMarks.empty()) redone->MarkLines = std::move(fMovedMarks);
  }
}

void TCustomSynPad::RedoUnindent(const TSynPadUndoItem& Item) {
  const TSynSelectionMode mode = Item.ChangeSelMode;
  const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
  const int firstLine = std::min(start.Line, end.Line);
  // The item holds what each line lost at the column.
  const std::vector<std::u16string_view> pieces = SplitIntoLines(Item.ChangeStr);
  TBufferCoord b = start, e = end;
  {
    TEditScope scope(*this, *fLines);
    for (size_t i = 0; i < pieces.size(); ++i) {
      const int line = firstLine + static_cast<int>(i);
      const int k = static_cast<int>(pieces[i].size());
      const int col = mode == smColumn && i < Item.ColumnStarts.size() ? Item.ColumnStarts[i] : 1;
      if (k == 0 || line > fLines->Count()) continue;
      if (col - 1 >= static_cast<int>(fLines->StringRef(line - 1).size())) continue;
      UnindentLine(line, col, k, b, e);
    }
  }
  SetCaretXY(e);
  SetSelectionRaw(b, e, mode);
}

void TCustomSynPad::UnindentLine(int Line, int Col, int Count, TBufferCoord& A, TBufferCoord& B) {
  std::u16string t(fLines->StringRef(Line - 1));
  t.erase(static_cast<size_t>(Col - 1), static_cast<size_t>(Count));
  fLines->Put(Line - 1, t);
  for (TBufferCoord* p : {&A, &B})
    if (p->Line == Line && p->Char > Col) p->Char = std::max(Col, p->Char - Count);
}
