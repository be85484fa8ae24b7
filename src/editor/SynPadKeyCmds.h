// Editor command numbers and their names, and the keystroke table that maps keys to commands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"
#include "platform/VirtualKeys.h"

using TSynPadorCommand = std::uint16_t;
using TShiftState = vk::TShiftState;

// Caret moves.
inline constexpr TSynPadorCommand ecNone = 0;
inline constexpr TSynPadorCommand ecLeft = 1;
inline constexpr TSynPadorCommand ecRight = 2;
inline constexpr TSynPadorCommand ecUp = 3;
inline constexpr TSynPadorCommand ecDown = 4;
inline constexpr TSynPadorCommand ecWordLeft = 5;
inline constexpr TSynPadorCommand ecWordRight = 6;
inline constexpr TSynPadorCommand ecLineStart = 7;
inline constexpr TSynPadorCommand ecLineEnd = 8;
inline constexpr TSynPadorCommand ecPageUp = 9;
inline constexpr TSynPadorCommand ecPageDown = 10;
inline constexpr TSynPadorCommand ecPageLeft = 11;
inline constexpr TSynPadorCommand ecPageRight = 12;
inline constexpr TSynPadorCommand ecPageTop = 13;
inline constexpr TSynPadorCommand ecPageBottom = 14;
inline constexpr TSynPadorCommand ecEditorTop = 15;
inline constexpr TSynPadorCommand ecEditorBottom = 16;
inline constexpr TSynPadorCommand ecGotoXY = 17;
// The same moves extending the selection.
inline constexpr TSynPadorCommand ecSelection = 100;
inline constexpr TSynPadorCommand ecSelLeft = ecLeft + ecSelection;
inline constexpr TSynPadorCommand ecSelRight = ecRight + ecSelection;
inline constexpr TSynPadorCommand ecSelUp = ecUp + ecSelection;
inline constexpr TSynPadorCommand ecSelDown = ecDown + ecSelection;
inline constexpr TSynPadorCommand ecSelWordLeft = ecWordLeft + ecSelection;
inline constexpr TSynPadorCommand ecSelWordRight = ecWordRight + ecSelection;
inline constexpr TSynPadorCommand ecSelLineStart = ecLineStart + ecSelection;
inline constexpr TSynPadorCommand ecSelLineEnd = ecLineEnd + ecSelection;
inline constexpr TSynPadorCommand ecSelPageUp = ecPageUp + ecSelection;
inline constexpr TSynPadorCommand ecSelPageDown = ecPageDown + ecSelection;
inline constexpr TSynPadorCommand ecSelPageLeft = ecPageLeft + ecSelection;
inline constexpr TSynPadorCommand ecSelPageRight = ecPageRight + ecSelection;
inline constexpr TSynPadorCommand ecSelPageTop = ecPageTop + ecSelection;
inline constexpr TSynPadorCommand ecSelPageBottom = ecPageBottom + ecSelection;
inline constexpr TSynPadorCommand ecSelEditorTop = ecEditorTop + ecSelection;
inline constexpr TSynPadorCommand ecSelEditorBottom = ecEditorBottom + ecSelection;
inline constexpr TSynPadorCommand ecSelGotoXY = ecGotoXY + ecSelection;
inline constexpr TSynPadorCommand ecSelWord = 198;
inline constexpr TSynPadorCommand ecSelectAll = 199;
inline constexpr TSynPadorCommand ecCopy = 201;
inline constexpr TSynPadorCommand ecScrollUp = 211;
inline constexpr TSynPadorCommand ecScrollDown = 212;
inline constexpr TSynPadorCommand ecScrollLeft = 213;
inline constexpr TSynPadorCommand ecScrollRight = 214;
inline constexpr TSynPadorCommand ecInsertMode = 221;
inline constexpr TSynPadorCommand ecOverwriteMode = 222;
inline constexpr TSynPadorCommand ecToggleMode = 223;
inline constexpr TSynPadorCommand ecNormalSelect = 231;
inline constexpr TSynPadorCommand ecColumnSelect = 232;
inline constexpr TSynPadorCommand ecLineSelect = 233;
inline constexpr TSynPadorCommand ecMatchBracket = 250;
inline constexpr TSynPadorCommand ecCommentBlock = 251;
inline constexpr TSynPadorCommand ecGotoMarker0 = 301;  // ecGotoMarker0 + n, n = 0..9
inline constexpr TSynPadorCommand ecGotoMarker1 = 302;
inline constexpr TSynPadorCommand ecGotoMarker2 = 303;
inline constexpr TSynPadorCommand ecGotoMarker3 = 304;
inline constexpr TSynPadorCommand ecGotoMarker4 = 305;
inline constexpr TSynPadorCommand ecGotoMarker5 = 306;
inline constexpr TSynPadorCommand ecGotoMarker6 = 307;
inline constexpr TSynPadorCommand ecGotoMarker7 = 308;
inline constexpr TSynPadorCommand ecGotoMarker8 = 309;
inline constexpr TSynPadorCommand ecGotoMarker9 = 310;
inline constexpr TSynPadorCommand ecSetMarker0 = 351;  // ecSetMarker0 + n, n = 0..9
inline constexpr TSynPadorCommand ecSetMarker1 = 352;
inline constexpr TSynPadorCommand ecSetMarker2 = 353;
inline constexpr TSynPadorCommand ecSetMarker3 = 354;
inline constexpr TSynPadorCommand ecSetMarker4 = 355;
inline constexpr TSynPadorCommand ecSetMarker5 = 356;
inline constexpr TSynPadorCommand ecSetMarker6 = 357;
inline constexpr TSynPadorCommand ecSetMarker7 = 358;
inline constexpr TSynPadorCommand ecSetMarker8 = 359;
inline constexpr TSynPadorCommand ecSetMarker9 = 360;
inline constexpr TSynPadorCommand ecContextHelp = 490;
// Editing.
inline constexpr TSynPadorCommand ecDeleteLastChar = 501;
inline constexpr TSynPadorCommand ecDeleteChar = 502;
inline constexpr TSynPadorCommand ecDeleteWord = 503;
inline constexpr TSynPadorCommand ecDeleteLastWord = 504;
inline constexpr TSynPadorCommand ecDeleteBOL = 505;
inline constexpr TSynPadorCommand ecDeleteEOL = 506;
inline constexpr TSynPadorCommand ecDeleteLine = 507;
inline constexpr TSynPadorCommand ecClearAll = 508;
inline constexpr TSynPadorCommand ecLineBreak = 509;
inline constexpr TSynPadorCommand ecInsertLine = 510;
inline constexpr TSynPadorCommand ecChar = 511;
inline constexpr TSynPadorCommand ecImeStr = 550;
inline constexpr TSynPadorCommand ecUndo = 601;
inline constexpr TSynPadorCommand ecRedo = 602;
inline constexpr TSynPadorCommand ecCut = 603;
inline constexpr TSynPadorCommand ecPaste = 604;
inline constexpr TSynPadorCommand ecBlockIndent = 610;
inline constexpr TSynPadorCommand ecBlockUnindent = 611;
inline constexpr TSynPadorCommand ecTab = 612;
inline constexpr TSynPadorCommand ecShiftTab = 613;
inline constexpr TSynPadorCommand ecUpperCase = 620;
inline constexpr TSynPadorCommand ecLowerCase = 621;
inline constexpr TSynPadorCommand ecToggleCase = 622;
inline constexpr TSynPadorCommand ecTitleCase = 623;
inline constexpr TSynPadorCommand ecUpperCaseBlock = 625;
inline constexpr TSynPadorCommand ecLowerCaseBlock = 626;
inline constexpr TSynPadorCommand ecToggleCaseBlock = 627;
inline constexpr TSynPadorCommand ecString = 630;
inline constexpr TSynPadorCommand ecAutoCompletion = 650;
// The first number free for the program's own commands.
inline constexpr TSynPadorCommand ecUserFirst = 1001;

struct TIdentMapEntry {
  int Value;
  const char* Name;
};

// The 101 (number, name) pairs in table order.
const std::vector<TIdentMapEntry>& EditorCommandStrs();
// Name lookup without regard to case; true when found.
bool IdentToEditorCommand(const std::string& Ident, int& Cmd);
bool EditorCommandToIdent(int Cmd, std::string& Ident);
// The name, or the decimal number when the table has none.
std::string EditorCommandToCodeString(TSynPadorCommand Cmd);

class ESynKeyError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SYNS_EDuplicateShortcut = "Shortcut already exists";

class TSynPadKeyStrokes;

class TSynPadKeyStroke : public TSynPersistent {
 public:
  explicit TSynPadKeyStroke(TSynPadKeyStrokes* Collection) : fCollection(Collection) {}

  // Copies command, keys and shift states (no duplicate check).
  void Assign(const TSynPadKeyStroke& Source);
  // "<command name or number> - <ShortCut text>", then " <ShortCut2 text>" when ShortCut is set.
  std::string GetDisplayName() const;
  int Index() const;
  TSynPadKeyStrokes* Collection() const { return fCollection; }

  TSynPadorCommand Command() const { return fCommand; }
  void SetCommand(TSynPadorCommand Value) { fCommand = Value; }
  std::uint16_t Key() const { return fKey; }
  void SetKey(std::uint16_t Value) { fKey = Value; }
  TShiftState Shift() const { return fShift; }
  void SetShift(TShiftState Value) { fShift = Value; }
  std::uint16_t Key2() const { return fKey2; }
  void SetKey2(std::uint16_t Value) { fKey2 = Value; }
  TShiftState Shift2() const { return fShift2; }
  void SetShift2(TShiftState Value) { fShift2 = Value; }
  std::uint16_t ShortCut() const { return vk::ShortCut(fKey, fShift); }
  // Raises ESynKeyError "Shortcut already exists" when another keystroke has the resulting pair.
  void SetShortCut(std::uint16_t Value);
  std::uint16_t ShortCut2() const { return vk::ShortCut(fKey2, fShift2); }
  void SetShortCut2(std::uint16_t Value);

 private:
  TSynPadKeyStrokes* fCollection;
  std::uint16_t fKey = 0;
  TShiftState fShift = 0;
  std::uint16_t fKey2 = 0;
  TShiftState fShift2 = 0;
  TSynPadorCommand fCommand = ecNone;
};

class TSynPadKeyStrokes : public TSynPersistent {
 public:
  explicit TSynPadKeyStrokes(TSynPersistent* AOwner = nullptr) : fOwner(AOwner) {}

  TSynPadKeyStroke* Add();
  void Assign(const TSynPadKeyStrokes& Source);
  void AddKey(TSynPadorCommand ACmd, std::uint16_t AKey, TShiftState AShift);
  int FindKeycode(std::uint16_t Code, TShiftState SS) const;
  int FindKeycode2(std::uint16_t Code1, TShiftState SS1, std::uint16_t Code2, TShiftState SS2) const;
  int FindShortcut2(std::uint16_t SC, std::uint16_t SC2) const;
  void ResetDefaults();
  void Clear() { fItems.clear(); }
  void Delete(int Index);
  int Count() const { return static_cast<int>(fItems.size()); }
  TSynPadKeyStroke* Items(int Index) const { return fItems.at(static_cast<size_t>(Index)).get(); }
  int IndexOf(const TSynPadKeyStroke* Item) const;
  TSynPersistent* Owner() const { return fOwner; }

 private:
  TSynPersistent* fOwner;
  std::vector<std::unique_ptr<TSynPadKeyStroke>> fItems;
};
