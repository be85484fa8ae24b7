#include "editor/SynPadKeyCmds.h"

#include <cctype>

using namespace vk;

const std::vector<TIdentMapEntry>& EditorCommandStrs() {
  static const std::vector<TIdentMapEntry> table = {
      {ecNone, "ecNone"},
      {ecLeft, "ecLeft"},
      {ecRight, "ecRight"},
      {ecUp, "ecUp"},
      {ecDown, "ecDown"},
      {ecWordLeft, "ecWordLeft"},
      {ecWordRight, "ecWordRight"},
      {ecLineStart, "ecLineStart"},
      {ecLineEnd, "ecLineEnd"},
      {ecPageUp, "ecPageUp"},
      {ecPageDown, "ecPageDown"},
      {ecPageLeft, "ecPageLeft"},
      {ecPageRight, "ecPageRight"},
      {ecPageTop, "ecPageTop"},
      {ecPageBottom, "ecPageBottom"},
      {ecEditorTop, "ecEditorTop"},
      {ecEditorBottom, "ecEditorBottom"},
      {ecGotoXY, "ecGotoXY"},
      {ecSelLeft, "ecSelLeft"},
      {ecSelRight, "ecSelRight"},
      {ecSelUp, "ecSelUp"},
      {ecSelDown, "ecSelDown"},
      {ecSelWordLeft, "ecSelWordLeft"},
      {ecSelWordRight, "ecSelWordRight"},
      {ecSelLineStart, "ecSelLineStart"},
      {ecSelLineEnd, "ecSelLineEnd"},
      {ecSelPageUp, "ecSelPageUp"},
      {ecSelPageDown, "ecSelPageDown"},
      {ecSelPageLeft, "ecSelPageLeft"},
      {ecSelPageRight, "ecSelPageRight"},
      {ecSelPageTop, "ecSelPageTop"},
      {ecSelPageBottom, "ecSelPageBottom"},
      {ecSelEditorTop, "ecSelEditorTop"},
      {ecSelEditorBottom, "ecSelEditorBottom"},
      {ecSelGotoXY, "ecSelGotoXY"},
      {ecSelWord, "ecSelWord"},
      {ecSelectAll, "ecSelectAll"},
      {ecDeleteLastChar, "ecDeleteLastChar"},
      {ecDeleteChar, "ecDeleteChar"},
      {ecDeleteWord, "ecDeleteWord"},
      {ecDeleteLastWord, "ecDeleteLastWord"},
      {ecDeleteBOL, "ecDeleteBOL"},
      {ecDeleteEOL, "ecDeleteEOL"},
      {ecDeleteLine, "ecDeleteLine"},
      {ecClearAll, "ecClearAll"},
      {ecLineBreak, "ecLineBreak"},
      {ecInsertLine, "ecInsertLine"},
      {ecChar, "ecChar"},
      {ecImeStr, "ecImeStr"},
      {ecUndo, "ecUndo"},
      {ecRedo, "ecRedo"},
      {ecCut, "ecCut"},
      {ecCopy, "ecCopy"},
      {ecPaste, "ecPaste"},
      {ecScrollUp, "ecScrollUp"},
      {ecScrollDown, "ecScrollDown"},
      {ecScrollLeft, "ecScrollLeft"},
      {ecScrollRight, "ecScrollRight"},
      {ecInsertMode, "ecInsertMode"},
      {ecOverwriteMode, "ecOverwriteMode"},
      {ecToggleMode, "ecToggleMode"},
      {ecBlockIndent, "ecBlockIndent"},
      {ecBlockUnindent, "ecBlockUnindent"},
      {ecTab, "ecTab"},
      {ecShiftTab, "ecShiftTab"},
      {ecMatchBracket, "ecMatchBracket"},
      {ecCommentBlock, "ecCommentBlock"},
      {ecNormalSelect, "ecNormalSelect"},
      {ecColumnSelect, "ecColumnSelect"},
      {ecLineSelect, "ecLineSelect"},
      {ecAutoCompletion, "ecAutoCompletion"},
      {ecUserFirst, "ecUserFirst"},
      {ecContextHelp, "ecContextHelp"},
      {ecGotoMarker0, "ecGotoMarker0"},
      {ecGotoMarker1, "ecGotoMarker1"},
      {ecGotoMarker2, "ecGotoMarker2"},
      {ecGotoMarker3, "ecGotoMarker3"},
      {ecGotoMarker4, "ecGotoMarker4"},
      {ecGotoMarker5, "ecGotoMarker5"},
      {ecGotoMarker6, "ecGotoMarker6"},
      {ecGotoMarker7, "ecGotoMarker7"},
      {ecGotoMarker8, "ecGotoMarker8"},
      {ecGotoMarker9, "ecGotoMarker9"},
      {ecSetMarker0, "ecSetMarker0"},
      {ecSetMarker1, "ecSetMarker1"},
      {ecSetMarker2, "ecSetMarker2"},
      {ecSetMarker3, "ecSetMarker3"},
      {ecSetMarker4, "ecSetMarker4"},
      {ecSetMarker5, "ecSetMarker5"},
      {ecSetMarker6, "ecSetMarker6"},
      {ecSetMarker7, "ecSetMarker7"},
      {ecSetMarker8, "ecSetMarker8"},
      {ecSetMarker9, "ecSetMarker9"},
      {ecUpperCase, "ecUpperCase"},
      {ecLowerCase, "ecLowerCase"},
      {ecToggleCase, "ecToggleCase"},
      {ecTitleCase, "ecTitleCase"},
      {ecUpperCaseBlock, "ecUpperCaseBlock"},
      {ecLowerCaseBlock, "ecLowerCaseBlock"},
      {ecToggleCaseBlock, "ecToggleCaseBlock"},
      {ecString, "ecString"},
  };
  return table;
}

namespace {

bool SameTextAscii(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == 0;
}

}  // namespace

bool IdentToEditorCommand(const std::string& Ident, int& Cmd) {
  for (const auto& e : EditorCommandStrs()) {
    if (SameTextAscii(Ident, e.Name)) {
      Cmd = e.Value;
      return true;
    }
  }
  return false;
}

bool EditorCommandToIdent(int Cmd, std::string& Ident) {
  for (const auto& e : EditorCommandStrs()) {
    if (e.Value == Cmd) {
      Ident = e.Name;
      return true;
    }
  }
  return false;
}

std::string EditorCommandToCodeString(TSynPadorCommand Cmd) {
  std::string ident;
  if (!EditorCommandToIdent(Cmd, ident)) ident = std::to_string(Cmd);
  return ident;
}

// ---------------------------------------------------------------------------------------------
// TSynPadKeyStroke

void TSynPadKeyStroke::Assign(const TSynPadKeyStroke& Source) {
  fCommand = Source.fCommand;
  fKey = Source.fKey;
  fKey2 = Source.fKey2;
  fShift = Source.fShift;
  fShift2 = Source.fShift2;
}

std::string TSynPadKeyStroke::GetDisplayName() const {
  std::string result = EditorCommandToCodeString(fCommand) + " - " + ShortCutToText(ShortCut());
  if (ShortCut() != 0) result += " " + ShortCutToText(ShortCut2());
  if (result.empty()) result = "TSynPadKeyStroke";
  return result;
}

int TSynPadKeyStroke::Index() const {
  return fCollection ? fCollection->IndexOf(this) : -1;
}

void TSynPadKeyStroke::SetShortCut(std::uint16_t Value) {
  if (Value != 0 && fCollection) {
    const int dup = fCollection->FindShortcut2(Value, ShortCut2());
    if (dup != -1 && dup != Index()) throw ESynKeyError(SYNS_EDuplicateShortcut);
  }
  std::uint16_t newKey;
  TShiftState newShift;
  ShortCutToKey(Value, newKey, newShift);
  if (newKey != fKey || newShift != fShift) {
    fKey = newKey;
    fShift = newShift;
  }
}

void TSynPadKeyStroke::SetShortCut2(std::uint16_t Value) {
  if (Value != 0 && fCollection) {
    const int dup = fCollection->FindShortcut2(ShortCut(), Value);
    if (dup != -1 && dup != Index()) throw ESynKeyError(SYNS_EDuplicateShortcut);
  }
  std::uint16_t newKey;
  TShiftState newShift;
  ShortCutToKey(Value, newKey, newShift);
  if (newKey != fKey2 || newShift != fShift2) {
    fKey2 = newKey;
    fShift2 = newShift;
  }
}

// ---------------------------------------------------------------------------------------------
// TSynPadKeyStrokes

TSynPadKeyStroke* TSynPadKeyStrokes::Add() {
  fItems.push_back(std::make_unique<TSynPadKeyStroke>(this));
  return fItems.back().get();
}

void TSynPadKeyStrokes::Assign(const TSynPadKeyStrokes& Source) {
  if (&Source == this) return;
  Clear();
  for (const auto& item : Source.fItems) Add()->Assign(*item);
}

void TSynPadKeyStrokes::AddKey(TSynPadorCommand ACmd, std::uint16_t AKey, TShiftState AShift) {
  TSynPadKeyStroke* k = Add();
  k->SetKey(AKey);
  k->SetShift(AShift);
  k->SetCommand(ACmd);
}

int TSynPadKeyStrokes::FindKeycode(std::uint16_t Code, TShiftState SS) const {
  for (size_t i = 0; i < fItems.size(); ++i) {
    const auto& k = *fItems[i];
    if (k.Key() == Code && k.Shift() == SS && k.Key2() == 0) return static_cast<int>(i);
  }
  return -1;
}

int TSynPadKeyStrokes::FindKeycode2(std::uint16_t Code1, TShiftState SS1, std::uint16_t Code2, TShiftState SS2) const {
  for (size_t i = 0; i < fItems.size(); ++i) {
    const auto& k = *fItems[i];
    if (k.Key() == Code1 && k.Shift() == SS1 && k.Key2() == Code2 && k.Shift2() == SS2) return static_cast<int>(i);
  }
  return -1;
}

int TSynPadKeyStrokes::FindShortcut2(std::uint16_t SC, std::uint16_t SC2) const {
  for (size_t i = 0; i < fItems.size(); ++i) {
    const auto& k = *fItems[i];
    if (k.ShortCut() == SC && k.ShortCut2() == SC2) return static_cast<int>(i);
  }
  return -1;
}

void TSynPadKeyStrokes::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  fItems.erase(fItems.begin() + Index);
}

int TSynPadKeyStrokes::IndexOf(const TSynPadKeyStroke* Item) const {
  for (size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].get() == Item) return static_cast<int>(i);
  return -1;
}

void TSynPadKeyStrokes::ResetDefaults() {
  Clear();
  const TShiftState S = ssShift, C = ssCtrl, A = ssAlt, SC = ssShift | ssCtrl, SA = ssShift | ssAlt;
  AddKey(ecUp, VK_UP, 0);
  AddKey(ecSelUp, VK_UP, S);
  AddKey(ecScrollUp, VK_UP, C);
  AddKey(ecDown, VK_DOWN, 0);
  AddKey(ecSelDown, VK_DOWN, S);
  AddKey(ecScrollDown, VK_DOWN, C);
  AddKey(ecLeft, VK_LEFT, 0);
  AddKey(ecSelLeft, VK_LEFT, S);
  AddKey(ecWordLeft, VK_LEFT, C);
  AddKey(ecSelWordLeft, VK_LEFT, SC);
  AddKey(ecRight, VK_RIGHT, 0);
  AddKey(ecSelRight, VK_RIGHT, S);
  AddKey(ecWordRight, VK_RIGHT, C);
  AddKey(ecSelWordRight, VK_RIGHT, SC);
  AddKey(ecPageDown, VK_NEXT, 0);
  AddKey(ecSelPageDown, VK_NEXT, S);
  AddKey(ecPageBottom, VK_NEXT, C);
  AddKey(ecSelPageBottom, VK_NEXT, SC);
  AddKey(ecPageUp, VK_PRIOR, 0);
  AddKey(ecSelPageUp, VK_PRIOR, S);
  AddKey(ecPageTop, VK_PRIOR, C);
  AddKey(ecSelPageTop, VK_PRIOR, SC);
  AddKey(ecLineStart, VK_HOME, 0);
  AddKey(ecSelLineStart, VK_HOME, S);
  AddKey(ecEditorTop, VK_HOME, C);
  AddKey(ecSelEditorTop, VK_HOME, SC);
  AddKey(ecLineEnd, VK_END, 0);
  AddKey(ecSelLineEnd, VK_END, S);
  AddKey(ecEditorBottom, VK_END, C);
  AddKey(ecSelEditorBottom, VK_END, SC);
  AddKey(ecToggleMode, VK_INSERT, 0);
  AddKey(ecCopy, VK_INSERT, C);
  AddKey(ecCut, VK_DELETE, S);
  AddKey(ecPaste, VK_INSERT, S);
  AddKey(ecDeleteChar, VK_DELETE, 0);
  AddKey(ecDeleteLastChar, VK_BACK, 0);
  AddKey(ecDeleteLastChar, VK_BACK, S);
  AddKey(ecDeleteLastWord, VK_BACK, C);
  AddKey(ecUndo, VK_BACK, A);
  AddKey(ecRedo, VK_BACK, SA);
  AddKey(ecLineBreak, VK_RETURN, 0);
  AddKey(ecLineBreak, VK_RETURN, S);
  AddKey(ecTab, VK_TAB, 0);
  AddKey(ecShiftTab, VK_TAB, S);
  AddKey(ecContextHelp, VK_F1, 0);
  AddKey(ecSelectAll, 'A', C);
  AddKey(ecCopy, 'C', C);
  AddKey(ecPaste, 'V', C);
  AddKey(ecCut, 'X', C);
  AddKey(ecBlockIndent, 'I', SC);
  AddKey(ecBlockUnindent, 'U', SC);
  AddKey(ecLineBreak, 'M', C);
  AddKey(ecInsertLine, 'N', C);
  AddKey(ecDeleteWord, 'T', C);
  AddKey(ecDeleteLine, 'Y', C);
  AddKey(ecDeleteEOL, 'Y', SC);
  AddKey(ecUndo, 'Z', C);
  AddKey(ecRedo, 'Z', SC);
  for (int i = 0; i <= 9; ++i)
    AddKey(static_cast<TSynPadorCommand>(ecGotoMarker0 + i), static_cast<std::uint16_t>('0' + i), C);
  for (int i = 0; i <= 9; ++i)
    AddKey(static_cast<TSynPadorCommand>(ecSetMarker0 + i), static_cast<std::uint16_t>('0' + i), SC);
  AddKey(ecNormalSelect, 'N', SC);
  AddKey(ecColumnSelect, 'C', SC);
  AddKey(ecLineSelect, 'L', SC);
  AddKey(ecMatchBracket, 'B', SC);
}
