// The editor control's clipboard (with the selection mode carried beside the text), bracket
// matching, bookmarks, the form storage of the key table and the links to components that may go
// away while the control refers to them.
#include <algorithm>
#include <climits>

#include "editor/SynPad.h"
#include "editor/SynPadScopes.h"
#include "platform/CodePage.h"
#include "platform/EditorServices.h"

namespace {

// Takes the text of a column selection with its padding, whatever eoTrimTrailingSpaces says.
struct TNoTrim {
  TSynPadorOptions& options;
  TSynPadorOptions saved;
  TNoTrim(TSynPadorOptions& o, bool active) : options(o), saved(o) {
    if (active) options &= ~SynOpt(eoTrimTrailingSpaces);
  }
  ~TNoTrim() { options = saved; }
};

// Text handed to the desktop ends its lines with LF alone, as every other program here does (a
// shell snippet with CR LF fails in a terminal); the selected text itself joins them with CR LF.
// Pasting takes LF, CR LF and CR alike.
std::u16string DesktopLineBreaks(std::u16string_view Text) {
  std::u16string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != u'\r') {
      out += Text[i];
    } else if (i + 1 >= Text.size() || Text[i + 1] != u'\n') {
      out += u'\n';
    }
  }
  return out;
}

void WriteClipboard(std::u16string_view Selected, TSynSelectionMode Mode) {
  if (Selected.empty()) return;
  const std::u16string text = DesktopLineBreaks(Selected);
  // Readers use byte 0 only; the text after it is what a single-byte reader would get.
  std::string block(1, static_cast<char>(Mode));
  block += codepage::Utf16ToCp1252(text);
  block.push_back('\0');
  editorservices::WriteClipboardTextWithData(text, SynPadClipboardFormat, block);
}

constexpr char16_t kBrackets[] = u"()[]{}<>";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Clipboard

void TCustomSynPad::CopyToClipboard() {
  if (!SelAvail()) return;
  std::u16string text;
  {
    TNoTrim keep(fOptions, fActiveSelectionMode == smColumn);
    text = GetSelText();
  }
  WriteClipboard(text, fActiveSelectionMode);
}

void TCustomSynPad::CutToClipboard() {
  if (GetReadOnly() || !SelAvail()) return;
  TSynPaintLock lock(*this);
  TSynUndoBlock block(*fUndoList);
  // The same text copy would take, padding of column pieces included.
  std::u16string text;
  {
    TNoTrim keep(fOptions, fActiveSelectionMode == smColumn);
    text = GetSelText();
  }
  WriteClipboard(text, fActiveSelectionMode);
  SetSelTextExternal(u"");
}

void TCustomSynPad::PasteFromClipboard() {
  if (!CanPaste()) return;
  const std::u16string text = ReadClipboardWideText();
  if (text.empty()) return;
  TSynSelectionMode pasteMode = fSelectionMode;
  std::string block;
  if (editorservices::ReadClipboardData(SynPadClipboardFormat, block) && !block.empty() &&
      static_cast<unsigned char>(block[0]) <= smColumn)
    pasteMode = static_cast<TSynSelectionMode>(block[0]);
  TSynPaintLock lock(*this);
  {
    TSynUndoBlock block(*fUndoList);
    fUndoList->AddChange(crPasteBegin, BlockBegin(), BlockEnd(), u"", fActiveSelectionMode);
    if (!SelAvail()) {
      fActiveSelectionMode = fSelectionMode;
      CollapseBlockOnCaret();
    } else {
      NoteColumnStarts(
          fUndoList->AddChange(crSelDelete, BlockBegin(), BlockEnd(), GetSelTextRaw(), fActiveSelectionMode));
      SetSelTextPrimitiveEx(fActiveSelectionMode, u"", false);
    }
    TBufferCoord start = GetCaretXY();
    if (pasteMode == smLine) start.Char = 1;
    // Padding up to a caret past the end is part of the insertion (a missing line has no text).
    if (pasteMode == smNormal) start.Char = std::min(start.Char, static_cast<int>(LineText(start.Line).size()) + 1);
    const TBufferCoord at = GetCaretXY();
    fActiveSelectionMode = pasteMode;
    SetSelTextPrimitiveEx(pasteMode, text, true, &at);
    // A column block recorded each line itself; the other modes record one range.
    if (pasteMode != smColumn) fUndoList->AddChange(crPaste, start, fInsertEnd, u"", smNormal);
    FlushTrims(true);
    fUndoList->AddChange(crPasteEnd, GetCaretXY(), GetCaretXY(), u"", pasteMode);
  }
  EnsureCursorPosVisible();
  StatusChanged(SynSC(scSelection));
}

// ---------------------------------------------------------------------------------------------
// Brackets

TBufferCoord TCustomSynPad::GetMatchingBracket() {
  return GetMatchingBracketEx(GetCaretXY());
}

void TCustomSynPad::FindMatchingBracket() {
  const TBufferCoord p = GetMatchingBracket();
  if (p.Char > 0 && p.Line > 0) InternalSetCaretXYAndClearSelection(p);
}

TBufferCoord TCustomSynPad::GetMatchingBracketEx(const TBufferCoord& APoint) {
  const int count = fLines->Count();
  if (APoint.Line < 1 || APoint.Line > count) return TBufferCoord{0, 0};
  const std::u16string_view start = fLines->StringRef(APoint.Line - 1);
  if (APoint.Char < 1 || APoint.Char > static_cast<int>(start.size())) return TBufferCoord{0, 0};
  const char16_t ch = start[APoint.Char - 1];
  const std::u16string_view table(kBrackets, 8);
  const size_t index = table.find(ch);
  if (index == std::u16string_view::npos) return TBufferCoord{0, 0};
  const char16_t partner = table[index ^ 1];
  const bool forward = (index % 2) == 0;
  TSynHighlighterAttributes* stringAttr = fHighlighter ? fHighlighter->GetDefaultAttribute(SYN_ATTR_STRING) : nullptr;
  TSynHighlighterAttributes* commentAttr = fHighlighter ? fHighlighter->GetDefaultAttribute(SYN_ATTR_COMMENT) : nullptr;
  // The string and comment tokens of a line, found once per line: brackets inside them do not count.
  std::vector<std::pair<int, int>> skipped;
  auto tokenize = [&](int line) {
    skipped.clear();
    if (!fHighlighter) return;
    if (line == 1)
      fHighlighter->ResetRange();
    else
      fHighlighter->SetRange(fLines->GetRange(line - 2));
    fHighlighter->SetLine(fLines->StringRef(line - 1), line - 1);
    while (!fHighlighter->GetEol()) {
      TSynHighlighterAttributes* attr = fHighlighter->GetTokenAttribute();
      if (attr && (attr == stringAttr || attr == commentAttr)) {
        const int first = fHighlighter->GetTokenPos() + 1;
        skipped.emplace_back(first, first + static_cast<int>(fHighlighter->GetToken().size()));
      }
      fHighlighter->Next();
    }
  };
  auto counts = [&](int x) {
    for (const auto& [from, to] : skipped)
      if (x >= from && x < to) return false;
    return true;
  };
  int level = 1;
  const std::u16string pair{ch, partner};
  for (int line = APoint.Line; forward ? line <= count : line >= 1; line += forward ? 1 : -1) {
    const std::u16string_view s = fLines->StringRef(line - 1);
    const int len = static_cast<int>(s.size());
    const int from = line == APoint.Line ? APoint.Char + (forward ? 1 : -1) : (forward ? 1 : len);
    // Lines without either bracket are passed without tokenising them.
    if (s.find_first_of(pair) == std::u16string_view::npos) continue;
    tokenize(line);
    for (int x = from; forward ? x <= len : x >= 1; x += forward ? 1 : -1) {
      const char16_t c = s[x - 1];
      if ((c != ch && c != partner) || !counts(x)) continue;
      level += c == ch ? 1 : -1;
      if (level == 0) return TBufferCoord{x, line};
    }
  }
  return TBufferCoord{0, 0};
}

// ---------------------------------------------------------------------------------------------
// Bookmarks

bool TCustomSynPad::IsBookmark(int BookMark) const {
  if (BookMark < 0 || BookMark > 9 || !fBookMarks[BookMark]) return false;
  // The slot may only point at a mark the list still holds.
  const TSynPadMark* mark = fBookMarks[BookMark];
  return std::any_of(fMarkList.begin(), fMarkList.end(), [&](const auto& m) { return m.get() == mark; });
}

bool TCustomSynPad::GetBookMark(int BookMark, int& X, int& Y) const {
  if (!IsBookmark(BookMark)) return false;
  X = fBookMarks[BookMark]->Char;
  Y = fBookMarks[BookMark]->Line;
  return true;
}

void TCustomSynPad::SetBookMark(int BookMark, int X, int Y) {
  if (BookMark < 0 || BookMark > 9 || Y < 1 || Y > std::max(1, fLines->Count())) return;
  auto mark = std::make_unique<TSynPadMark>();
  mark->Line = Y;
  mark->Char = X;
  mark->ImageIndex = BookMark;
  mark->BookmarkNumber = BookMark;
  mark->Visible = true;
  mark->InternalImage = fBookMarkOpt->BookmarkImages() == nullptr;
  TSynPadMark* placed = mark.get();
  if (OnPlaceBookmark) OnPlaceBookmark(this, placed);
  if (!placed) return;
  if (IsBookmark(BookMark)) ClearBookMark(BookMark);
  fBookMarks[BookMark] = mark.get();
  fMarkList.push_back(std::move(mark));
  InvalidateGutterLines(Y, Y);
}

void TCustomSynPad::ClearBookMark(int BookMark) {
  if (!IsBookmark(BookMark)) {
    if (BookMark >= 0 && BookMark <= 9) fBookMarks[BookMark] = nullptr;
    return;
  }
  TSynPadMark* mark = fBookMarks[BookMark];
  if (OnClearBookmark) OnClearBookmark(this, mark);
  const int line = mark->Line;
  fBookMarks[BookMark] = nullptr;
  fMarkList.erase(std::remove_if(fMarkList.begin(), fMarkList.end(), [&](const auto& m) { return m.get() == mark; }),
                  fMarkList.end());
  InvalidateGutterLines(line, line);
}

void TCustomSynPad::GotoBookMark(int BookMark) {
  if (!IsBookmark(BookMark)) return;
  const TSynPadMark* mark = fBookMarks[BookMark];
  if (mark->Line < 1 || mark->Line > fLines->Count()) return;
  TSynPaintLock lock(*this);
  SetCaretXYEx(false, TBufferCoord{mark->Char, mark->Line});
  EnsureCursorPosVisibleEx(true);
  if (SelAvail()) InvalidateSelection();
  CollapseBlockOnCaret();
  StatusChanged(SynSC(scSelection));
}

std::vector<TSynPadMark*> TCustomSynPad::GetMarksForLine(int Line) const {
  std::vector<TSynPadMark*> out;
  for (const auto& m : fMarkList) {
    if (m->Line != Line) continue;
    out.push_back(m.get());
    if (out.size() == 16) break;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Form storage of the key table

namespace {

bool SameBinding(const TSynPadKeyStroke& a, const TSynPadKeyStroke& b) {
  return a.ShortCut() == b.ShortCut() && a.ShortCut2() == b.ShortCut2() && a.Command() == b.Command();
}

bool HasBinding(const TSynPadKeyStrokes& table, const TSynPadKeyStroke& k) {
  for (int i = 0; i < table.Count(); ++i)
    if (SameBinding(*table.Items(i), k)) return true;
  return false;
}

bool SameTable(const TSynPadKeyStrokes& a, const TSynPadKeyStrokes& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (!SameBinding(*a.Items(i), *b.Items(i))) return false;
  return true;
}

TSynStoredKeystroke Stored(const TSynPadKeyStroke& k) {
  return TSynStoredKeystroke{EditorCommandToCodeString(k.Command()), k.ShortCut(), k.ShortCut2()};
}

// The bindings of From that To lacks.
TSynStoredValue Missing(const TSynPadKeyStrokes& From, const TSynPadKeyStrokes& To) {
  TSynStoredValue v;
  for (int i = 0; i < From.Count(); ++i)
    if (!HasBinding(To, *From.Items(i))) v.Items.push_back(Stored(*From.Items(i)));
  return v;
}

bool CommandOf(const std::string& Name, TSynPadorCommand& Command) {
  int value = 0;
  if (IdentToEditorCommand(Name, value)) {
    Command = static_cast<TSynPadorCommand>(value);
    return true;
  }
  // Commands without a name are stored as their number.
  if (Name.empty() || Name.find_first_not_of("0123456789") != std::string::npos || Name.size() > 5) return false;
  value = std::stoi(Name);
  if (value > 0xFFFF) return false;
  Command = static_cast<TSynPadorCommand>(value);
  return true;
}

}  // namespace

void TCustomSynPad::DefineProperties(TSynFiler& Filer) {
  static const char* const kRemoved = "RemovedKeystrokes";
  static const char* const kAdded = "AddedKeystrokes";
  if (Filer.Writing) {
    TSynPadKeyStrokes defaults;
    defaults.ResetDefaults();
    const TSynPadKeyStrokes& base = Filer.Ancestor ? *Filer.Ancestor : defaults;
    if (SameTable(*fKeystrokes, base)) return;
    Filer.Properties[kRemoved] = Missing(defaults, *fKeystrokes);
    Filer.Properties[kAdded] = Missing(*fKeystrokes, defaults);
    return;
  }
  const auto removed = Filer.Properties.find(kRemoved);
  if (removed != Filer.Properties.end() && removed->second.IsCollection) {
    for (const TSynStoredKeystroke& k : removed->second.Items) {
      TSynPadorCommand command = 0;
      if (!CommandOf(k.Command, command)) continue;
      const int i = fKeystrokes->FindShortcut2(k.ShortCut, k.ShortCut2);
      if (i >= 0 && fKeystrokes->Items(i)->Command() == command) fKeystrokes->Delete(i);
    }
  }
  const auto added = Filer.Properties.find(kAdded);
  if (added != Filer.Properties.end() && added->second.IsCollection) {
    for (const TSynStoredKeystroke& k : added->second.Items) {
      TSynPadorCommand command = 0;
      if (!CommandOf(k.Command, command)) continue;
      // Added as a copy, without the duplicate test of the shortcut setters.
      TSynPadKeyStroke* item = fKeystrokes->Add();
      std::uint16_t key = 0, key2 = 0;
      vk::TShiftState shift = 0, shift2 = 0;
      vk::ShortCutToKey(k.ShortCut, key, shift);
      vk::ShortCutToKey(k.ShortCut2, key2, shift2);
      item->SetCommand(command);
      item->SetKey(key);
      item->SetShift(shift);
      item->SetKey2(key2);
      item->SetShift2(shift2);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Component links

void TCustomSynPad::SetSearchEngine(TSynPadSearchCustom* Value) {
  if (Value == fSearchEngine) return;
  const TSynNotifyMethod freed = NotifyMethod(
      this, [this](TSynPersistent* S) { Notification(S); }, 2);
  if (fSearchEngine) fSearchEngine->RemoveFreeNotification(freed);
  fSearchEngine = Value;
  if (fSearchEngine) fSearchEngine->AddFreeNotification(freed);
}

void TCustomSynPad::ImagesChanged() {
  void* images = fBookMarkOpt->BookmarkImages();
  if (images != fWatchedImages) {
    const TSynNotifyMethod freed = NotifyMethod(
        this, [this](TSynPersistent* S) { Notification(S); }, 3);
    if (fWatchedImages) static_cast<TSynImageList*>(fWatchedImages)->FreeNotifications.Remove(freed);
    fWatchedImages = images;
    if (fWatchedImages) static_cast<TSynImageList*>(fWatchedImages)->FreeNotifications.Add(freed);
  }
  InvalidateGutter();
}

void TCustomSynPad::Notification(const void* Component) {
  if (!Component) return;
  if (Component == fSearchEngine) fSearchEngine = nullptr;
  if (Component == fHighlighter) HighlighterFreed();
  if (Component == fWatchedImages) {
    // The list goes; the gutter draws the control's own glyphs until another is set.
    fWatchedImages = nullptr;
    if (fBookMarkOpt->BookmarkImages() == Component) {
      const TSynNotifyEvent change = std::move(fBookMarkOpt->OnChange);
      fBookMarkOpt->SetBookmarkImages(nullptr);
      fBookMarkOpt->OnChange = change;
    }
    for (auto& m : fMarkList) m->InternalImage = true;
    Invalidate();
  }
}
