// Editing through the command set: undo and redo over random command sequences, and the edge cases
// of commands, replacement, clipboard, brackets, bookmarks and search.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "SynPadChecks.h"
#include "SynPadFixtures.h"
#include "SynPadScript.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadSearch.h"

namespace {

constexpr TSynPadorOptions kMemoOptions = 0x066E4D76;  // the record editor's code editor

// The text with LF between lines, as the cases write it.
std::u16string Text(TCustomSynPad& e) {
  std::u16string t = e.GetText();
  for (size_t at = t.find(u"\r\n"); at != std::u16string::npos; at = t.find(u"\r\n", at)) t.erase(at, 1);
  return t;
}

// A table row of the probe's script commands: run on a fresh editor, the script leaves TEXT and
// prints OUT; with UNDONE, one undo gives it and one redo the text again.
struct TScriptCase {
  const char* script;
  const char* text;
  const char* out;
  const char* undone = nullptr;
};

void ExpectScriptCase(const TScriptCase& k, const std::string& prefix = "", const std::string& outEnd = "") {
  TSynPadScript s;
  std::string out, error;
  std::istringstream lines{prefix + k.script};
  for (std::string line; std::getline(lines, line);)
    ASSERT_TRUE(s.Execute(line, out, error)) << k.script << ": " << error;
  EXPECT_EQ(Text(*s.Ed), codepage::Utf8ToUtf16(k.text)) << k.script;
  EXPECT_EQ(out, k.out + outEnd) << k.script;
  if (!k.undone) return;
  s.Ed->Undo();
  EXPECT_EQ(Text(*s.Ed), codepage::Utf8ToUtf16(k.undone)) << k.script;
  s.Ed->Redo();
  EXPECT_EQ(Text(*s.Ed), codepage::Utf8ToUtf16(k.text)) << k.script;
}

void Commands(TCustomSynPad& e, std::initializer_list<TSynPadorCommand> commands) {
  for (TSynPadorCommand c : commands) e.CommandProcessor(c, 0);
}

void Type(TCustomSynPad& e, std::u16string_view s) {
  for (char16_t c : s) e.CommandProcessor(ecChar, c);
}

// ---------------------------------------------------------------------------------------------
// Undo and redo over the real commands

TEST(SynPadUndo, RandomCommandsUndoToTheStartAndRedoToTheEnd) {
  TSynMemoryClipboard::InstallWhereMissing();
  static const TSynPadorCommand commands[] = {ecLeft,
                                              ecRight,
                                              ecUp,
                                              ecDown,
                                              ecWordLeft,
                                              ecWordRight,
                                              ecLineStart,
                                              ecLineEnd,
                                              ecSelLeft,
                                              ecSelRight,
                                              ecSelUp,
                                              ecSelDown,
                                              ecSelWordRight,
                                              ecSelLineEnd,
                                              ecEditorBottom,
                                              ecSelEditorTop,
                                              ecPageDown,
                                              ecSelWord,
                                              ecSelectAll,
                                              ecDeleteLastChar,
                                              ecDeleteChar,
                                              ecDeleteWord,
                                              ecDeleteLastWord,
                                              ecDeleteBOL,
                                              ecDeleteEOL,
                                              ecDeleteLine,
                                              ecLineBreak,
                                              ecInsertLine,
                                              ecTab,
                                              ecShiftTab,
                                              ecBlockIndent,
                                              ecBlockUnindent,
                                              ecUpperCase,
                                              ecTitleCase,
                                              ecToggleCaseBlock,
                                              ecLowerCaseBlock,
                                              ecCut,
                                              ecCopy,
                                              ecPaste,
                                              ecToggleMode,
                                              ecNormalSelect,
                                              ecColumnSelect,
                                              ecLineSelect,
                                              ecMatchBracket,
                                              ecSetMarker1,
                                              ecUndo,
                                              ecRedo};
  static const char16_t alphabet[] = u"ab (){}\t xy";
  TSynPadSearch engine;
  for (int seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed);
    Pad p(u"", 400, 160);
    TSynPad& e = p.ed;
    e.SetOptions(seed % 2 ? kMemoOptions : (SYNPAD_DEFAULT_OPTIONS | SynOpt(eoTabIndent)));
    if (seed % 4 < 2) e.SetOptions(e.Options() & ~SynOpt(eoGroupUndo));
    e.SetTabWidth(seed % 3 ? 4 : 2);
    e.SetSelectionMode(static_cast<TSynSelectionMode>(seed % 3));
    e.SetText(SynRandomText(rng, alphabet, 1 + static_cast<int>(rng() % 6), 14));
    if (seed % 5 == 0) e.SetWordWrap(true);
    const std::u16string initial = Text(e);
    for (int step = 0; step < 200; ++step) {
      const unsigned pick = rng() % 10;
      if (pick < 3) {
        e.CommandProcessor(ecChar, alphabet[rng() % (std::size(alphabet) - 1)]);
      } else if (pick == 3) {
        e.CommandProcessor(ecImeStr, 0, TSynCommandData{std::u16string(rng() % 2 ? u"q\r\n r" : u"zz ")});
      } else if (pick == 4) {
        const int lines = std::max(1, e.LineCount());
        e.SetBlockBegin(TBufferCoord{1 + static_cast<int>(rng() % 8), 1 + static_cast<int>(rng() % lines)});
        e.SetBlockEnd(TBufferCoord{1 + static_cast<int>(rng() % 8), 1 + static_cast<int>(rng() % lines)});
        e.SetCaretXYEx(false, e.RawBlockEnd());
      } else if (pick == 5) {
        e.SetCaretXY(TBufferCoord{1 + static_cast<int>(rng() % 20), 1 + static_cast<int>(rng() % 8)});
      } else if (pick == 6 && step % 4 == 0) {
        e.SetSearchEngine(&engine);
        e.OnReplaceText = [&rng](TCustomSynPad*, const std::u16string&, const std::u16string&, int, int,
                                 TSynReplaceAction& a) { a = static_cast<TSynReplaceAction>(1 + rng() % 3); };
        e.SearchReplace(u"a", rng() % 2 ? u"<\r\n>" : u"",
                        static_cast<TSynSearchOptions>(ssoReplaceAll | (rng() % 2 ? ssoEntireScope : 0) |
                                                       (rng() % 2 ? ssoBackwards : 0) | (rng() % 2 ? ssoPrompt : 0)));
      } else if (pick == 7 && step % 2 == 0 && e.SelAvail()) {
        // A drag of the selection within the control, moved or (Ctrl) copied.
        int x = 0, y = 0;
        e.RowColumnToPixels(TDisplayCoord{1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 6)}, x, y);
        e.DragDrop(&e, x, y, rng() % 2 ? vk::ssCtrl : 0);
      } else {
        e.CommandProcessor(commands[rng() % std::size(commands)], 0);
      }
    }
    ASSERT_LT(e.UndoList().ItemCount(), 1024);
    const std::u16string final = Text(e);
    // Redo items left over belong beyond the final text; only what is undone now comes back.
    const int redoBefore = e.RedoList().ItemCount();
    while (e.CanUndo()) e.CommandProcessor(ecUndo, 0);
    ASSERT_EQ(Text(e), initial) << "seed " << seed;
    ASSERT_FALSE(e.Modified()) << seed;
    while (e.RedoList().ItemCount() > redoBefore) e.CommandProcessor(ecRedo, 0);
    ASSERT_EQ(Text(e), final) << "seed " << seed;
  }
}

TEST(SynPadUndo, PastTheLimitUndoStopsAtTheOldestKeptChange) {
  Pad p(u"start");
  TSynPad& e = p.ed;
  e.SetOptions((e.Options() & ~SynOpt(eoGroupUndo)) | SynOpt(eoAutoSizeMaxScrollWidth));
  e.SetCaretXY(TBufferCoord{6, 1});
  std::u16string typed;
  for (int i = 0; i < 1100; ++i) typed.push_back(static_cast<char16_t>(u'a' + i % 26));
  Type(e, typed);
  EXPECT_EQ(e.UndoList().ItemCount(), 1024);
  EXPECT_TRUE(e.UndoList().FullUndoImpossible());
  while (e.CanUndo()) e.Undo();
  EXPECT_EQ(Text(e), u"start" + typed.substr(0, 76));
  // Kept as built: the emptied list is back at its unmodified mark, so the control reports no
  // change although the oldest ones were dropped (FullUndoImpossible above tells); the record
  // editor keeps its own modified state from the change events.
  EXPECT_FALSE(e.Modified());
  EXPECT_NE(Text(e), u"start");
}

// MaxUndo 0 is a valid limit: every edit works as with a history, and nothing is kept to undo
// (a line-breaking replace-all used to take the newest item of the emptied list).
TEST(SynPadUndo, WithMaxUndoZeroEveryEditWorksAndNothingIsKept) {
  TSynMemoryClipboard::InstallWhereMissing();
  TSynPadSearch engine;
  struct Case {
    const char* name;
    std::function<void(TSynPad&)> edit;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {"replace all breaking lines",
       [&](TSynPad& e) {
         e.SetSearchEngine(&engine);
         e.SearchReplace(u"b", u"<\r\n>", ssoEntireScope | ssoReplaceAll);
       },
       u"a<\n>c\nd\na<\n>c"},
      {"replace all in place",
       [&](TSynPad& e) {
         e.SetSearchEngine(&engine);
         e.SearchReplace(u"b", u"B", ssoEntireScope | ssoReplaceAll);
       },
       u"aBc\nd\naBc"},
      {"column block typed over",
       [](TSynPad& e) {
         e.SetSelectionMode(smColumn);
         e.SetBlockBegin(TBufferCoord{2, 1});
         e.SetBlockEnd(TBufferCoord{3, 3});
         e.SetSelTextExternal(u"1\r\n2\r\n3");
       },
       u"a1c\nd2\na3c"},
      {"marked lines deleted",
       [](TSynPad& e) {
         e.SetBookMark(1, 1, 2);
         e.SetSelectionMode(smLine);
         e.SetBlockBegin(TBufferCoord{1, 2});
         e.SetBlockEnd(TBufferCoord{1, 3});
         e.CommandProcessor(ecDeleteChar, 0);
       },
       u"abc\n"},
      {"cut and paste",
       [](TSynPad& e) {
         e.SetBlockBegin(TBufferCoord{1, 1});
         e.SetBlockEnd(TBufferCoord{3, 1});
         Commands(e, {ecCut, ecEditorBottom, ecPaste});
       },
       u"c\nd\nabcab"},
      {"typed, indented and undone",
       [](TSynPad& e) {
         Type(e, u"xy");
         e.SelectAll();
         Commands(e, {ecBlockIndent, ecUndo, ecRedo});
       },
       u"        xyabc\n        d\n        abc"},
  };
  for (const Case& c : cases) {
    Pad p(u"abc\nd\nabc");
    TSynPad& e = p.ed;
    e.SetMaxUndo(0);
    c.edit(e);
    EXPECT_EQ(Text(e), c.expected) << c.name;
    EXPECT_FALSE(e.CanUndo()) << c.name;
    EXPECT_FALSE(e.CanRedo()) << c.name;
  }
}

TEST(SynPadUndo, GroupsFollowReasonsBlocksAndMoves) {
  Pad p(u"");
  TSynPad& e = p.ed;
  Type(e, u"ab");
  Commands(e, {ecLeft, ecRight});
  Type(e, u"c");
  e.Undo();
  EXPECT_EQ(Text(e), u"ab");  // the move broke the group
  e.Undo();
  EXPECT_EQ(Text(e), u"");
  e.Redo();
  EXPECT_EQ(Text(e), u"ab");
  e.SetOptions(e.Options() & ~SynOpt(eoGroupUndo));
  Type(e, u"xyz");
  e.Undo();
  EXPECT_EQ(Text(e), u"abxy");  // one character per step without grouping
}

// ---------------------------------------------------------------------------------------------
// Commands

TEST(SynPadCommands, PipelineAndReadOnly) {
  Pad p(u"abc");
  TSynPad& e = p.ed;
  std::vector<int> processed, executedUser;
  e.OnProcessCommand = [](TCustomSynPad*, TSynPadorCommand& c, char16_t&, const TSynCommandData&) {
    if (c == ecDeleteChar) c = ecNone;
  };
  e.OnProcessUserCommand = [&](TCustomSynPad*, TSynPadorCommand& c, char16_t&, const TSynCommandData&) {
    executedUser.push_back(c);
  };
  e.OnCommandProcessed = [&](TCustomSynPad*, TSynPadorCommand& c, char16_t&, const TSynCommandData&) {
    processed.push_back(c);
  };
  Commands(e, {ecDeleteChar, 1001});
  EXPECT_EQ(Text(e), u"abc");
  EXPECT_EQ(processed, (std::vector<int>{0, 1001}));
  EXPECT_EQ(executedUser, (std::vector<int>{1001}));
  e.SetReadOnly(true);
  Type(e, u"x");
  Commands(e, {ecDeleteLastChar, ecLineBreak, ecPaste, ecTab});
  EXPECT_EQ(Text(e), u"abc");
  EXPECT_FALSE(e.CanUndo());
  // Control characters never reach the text.
  e.SetReadOnly(false);
  e.CommandProcessor(ecChar, 0x1B);
  e.CommandProcessor(ecChar, 0x7F);
  EXPECT_EQ(Text(e), u"abc");
}

TEST(SynPadCommands, MovesAndWords) {
  Pad p(u"foo.bar baz\nfoo bar\nend");
  TSynPad& e = p.ed;
  e.SetOptions(e.Options() & ~SynOpt(eoScrollPastEol));
  struct Case {
    TBufferCoord from;
    TSynPadorCommand command;
    TBufferCoord to;
  } cases[] = {
      // From a line's last character a word right stops at the line's end.
      {{1, 1}, ecWordRight, {5, 1}}, {{9, 1}, ecWordLeft, {5, 1}},   {{11, 1}, ecWordRight, {12, 1}},
      {{12, 1}, ecRight, {1, 2}},    {{1, 2}, ecLeft, {12, 1}},      {{4, 3}, ecRight, {4, 3}},
      {{1, 2}, ecWordLeft, {12, 1}}, {{12, 1}, ecWordRight, {1, 2}}, {{5, 1}, ecLineEnd, {12, 1}},
  };
  for (const Case& c : cases) {
    e.SetCaretXY(c.from);
    e.CommandProcessor(c.command, 0);
    EXPECT_EQ(e.GetCaretXY(), c.to) << c.from.Char << "," << c.from.Line << " " << EditorCommandToCodeString(c.command);
  }
  for (int start : {4, 1}) {
    e.SetCaretXY(TBufferCoord{start, 2});
    e.CommandProcessor(ecSelWord, 0);
    EXPECT_EQ(e.BlockBegin(), (TBufferCoord{1, 2}));
    EXPECT_EQ(e.BlockEnd(), (TBufferCoord{4, 2}));
  }
  e.SetCaretXY(TBufferCoord{1, 1});
  e.CommandProcessor(ecDeleteWord, 0);
  EXPECT_EQ(e.LineText(1), u".bar baz");
  // A selecting move anchors at the caret, not at a selection left over from loading.
  e.SetText(u"line one\nline two\nline three");
  e.SetCaretX(5);
  e.SetCaretY(3);
  e.CommandProcessor(ecSelRight, 0);
  EXPECT_EQ(e.BlockBegin(), (TBufferCoord{5, 3}));
  EXPECT_EQ(e.BlockEnd(), (TBufferCoord{6, 3}));
}

TEST(SynPadCommands, MovesInAnEmptyWrappedTextStayOnItsOneLine) {
  // Under word wrap an empty text has no display row, but it is still one empty line.
  Pad p(u"", 30 + 2 + 8 * 30);
  TSynPad& e = p.ed;
  e.SetWordWrap(true);
  const TSynPadorCommand moves[] = {
      ecLineEnd,  ecSelLineEnd,  ecLineStart, ecSelLineStart, ecLeft,      ecSelLeft,      ecUp,
      ecSelUp,    ecDown,        ecSelDown,   ecWordLeft,     ecWordRight, ecSelWordRight, ecPageUp,
      ecPageDown, ecSelPageDown, ecPageTop,   ecPageBottom,   ecEditorTop, ecEditorBottom, ecSelEditorBottom};
  for (const TSynPadorOptions extra : {TSynPadorOptions{0}, SynOpt(eoEnhanceEndKey) | SynOpt(eoEnhanceHomeKey)}) {
    e.SetOptions(SYNPAD_DEFAULT_OPTIONS | extra);
    for (TSynPadorCommand c : moves) {
      EXPECT_NO_THROW(e.CommandProcessor(c, 0)) << EditorCommandToCodeString(c);
      EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{1, 1})) << EditorCommandToCodeString(c);
      EXPECT_FALSE(e.SelAvail()) << EditorCommandToCodeString(c);
    }
  }
}

TEST(SynPadCommands, EnhancedHomeAndEndToggle) {
  Pad p(u"  abc  ");
  TSynPad& e = p.ed;
  e.SetOptions(e.Options() | SynOpt(eoEnhanceHomeKey) | SynOpt(eoEnhanceEndKey));
  const std::pair<TSynPadorCommand, int> steps[] = {{ecLineStart, 3}, {ecLineStart, 1}, {ecLineStart, 3},
                                                    {ecLineEnd, 6},   {ecLineEnd, 8},   {ecLineEnd, 6}};
  e.SetCaretXY(TBufferCoord{5, 1});
  for (auto [command, col] : steps) {
    e.CommandProcessor(command, 0);
    EXPECT_EQ(e.CaretX(), col) << EditorCommandToCodeString(command);
  }
}

TEST(SynPadCommands, BackspaceAndTabsInTheMemo) {
  Pad p(u"");
  TSynPad& e = p.ed;
  e.SetOptions(kMemoOptions);
  e.SetTabWidth(2);
  struct Case {
    const char16_t* text;
    TBufferCoord caret;
    TSynPadorCommand command;
    const char16_t* result;
    int caretX;
  } cases[] = {
      {u"ab\ncd", {1, 2}, ecDeleteLastChar, u"abcd", 3},                // joins the lines
      {u"ab  \ncd", {1, 2}, ecDeleteLastChar, u"abcd", 3},              // trailing blanks go first
      {u"x\n  y\n    z", {5, 3}, ecDeleteLastChar, u"x\n  y\n  z", 3},  // back to the indentation above
      {u"    z", {5, 1}, ecDeleteLastChar, u"z", 1},
      {u"abcdefghij", {12, 1}, ecShiftTab, u"abcdefghij", 11},  // past the end only the caret moves
      {u"abcdefghij", {1, 1}, ecShiftTab, u"abcdefghij", 1},
      {u"ab   cd", {6, 1}, ecShiftTab, u"ab  cd", 5},  // blanks only, to the tab stop
      {u"if\n  x", {3, 2}, ecShiftTab, u"if\nx", 1},
      {u"ab", {3, 1}, ecTab, u"ab  ", 5},
      {u"  x", {4, 1}, ecLineBreak, u"  x\n", 3},      // indentation kept as the column
      {u"ab  cd", {5, 1}, ecLineBreak, u"ab\ncd", 1},  // the upper part is trimmed
  };
  for (const Case& c : cases) {
    e.SetText(c.text);
    e.SetCaretXY(c.caret);
    e.CommandProcessor(c.command, 0);
    EXPECT_EQ(Text(e), c.result) << EditorCommandToCodeString(c.command) << " on "
                                 << std::u16string_view(c.text).size();
    EXPECT_EQ(e.CaretX(), c.caretX) << EditorCommandToCodeString(c.command);
    while (e.CanUndo()) e.Undo();
    EXPECT_EQ(Text(e), c.text);
  }
  // A blank typed at the line end is not kept; the next character fills it in.
  e.SetText(u"a");
  e.SetCaretXY(TBufferCoord{2, 1});
  Type(e, u"  b");
  EXPECT_EQ(Text(e), u"a  b");
  e.SetText(u"  x");
  e.SetCaretXY(TBufferCoord{4, 1});
  e.CommandProcessor(ecLineBreak, 0);
  Type(e, u"y");
  EXPECT_EQ(Text(e), u"  x\n  y");
}

// With the code editor's options (trailing blanks not kept): a Tab or a deletion inside a line
// leaves the blanks before the caret alone, and no later edit elsewhere trims a line for it. Such
// an edit left its line noted for trimming; lines added or taken away above it moved the text from
// under the note, so a later line break trimmed a line nobody had touched, and an undo trimmed
// without recording it, so that redo lost the Tab. Every text comes back by undo and redo.
TEST(SynPadCommands, TrailingBlanksAreTrimmedOnlyOnTheLinesAnEditWrites) {
  const struct {
    const char* text;
    const char* script;
    const char16_t* result;
  } cases[] = {
      {"a\\nb  \\nfoo", "caret 4 3\necTab\ncaret 2 1\necLineBreak", u"a\n\nb  \nfoo "},
      {"a\\nb  \\nc", "caret 1 1\necDeleteLine\ncaret 2 2\necLineBreak", u"b  \nc\n"},
      {"a\\nb  \\nxy", "caret 3 3\necDeleteLastChar\ncaret 1 1\necDeleteLine\ncaret 2 2\necLineBreak", u"b  \nx\n"},
      {"foo\\n  a\\n  b", "caret 4 1\necTab\nsel 1 2 4 3\necBlockUnindent", u"foo \na\nb"},
  };
  for (const auto& k : cases) {
    TSynPadScript s;
    std::string out, error;
    ASSERT_TRUE(s.Execute(std::string("text ") + k.text, out, error)) << error;
    s.Ed->SetOptions(kMemoOptions);
    s.Ed->SetTabWidth(2);
    const std::u16string initial = Text(*s.Ed);
    std::istringstream lines{std::string(k.script)};
    for (std::string line; std::getline(lines, line);) ASSERT_TRUE(s.Execute(line, out, error)) << error;
    EXPECT_EQ(Text(*s.Ed), k.result) << k.script;
    while (s.Ed->CanUndo()) s.Ed->Undo();
    EXPECT_EQ(Text(*s.Ed), initial) << k.script;
    while (s.Ed->CanRedo()) s.Ed->Redo();
    EXPECT_EQ(Text(*s.Ed), k.result) << k.script;
  }
}

TEST(SynPadCommands, BlockIndentCaseAndDeleteLine) {
  Pad p(u"one\ntwo\nthree");
  TSynPad& e = p.ed;
  e.SetTabWidth(2);
  e.SetBlockBegin(TBufferCoord{2, 1});
  e.SetBlockEnd(TBufferCoord{1, 3});
  Commands(e, {ecBlockIndent});
  EXPECT_EQ(Text(e), u"  one\n  two\nthree");
  EXPECT_EQ(e.BlockBegin(), (TBufferCoord{4, 1}));
  Commands(e, {ecBlockUnindent, ecBlockUnindent});
  EXPECT_EQ(Text(e), u"one\ntwo\nthree");
  e.Undo();
  EXPECT_EQ(Text(e), u"  one\n  two\nthree");
  e.Redo();
  EXPECT_EQ(Text(e), u"one\ntwo\nthree");
  const std::pair<TSynPadorCommand, const char16_t*> cases[] = {
      {ecUpperCase, u"ONE TWO"}, {ecLowerCase, u"one two"}, {ecToggleCase, u"ONE tWo"}, {ecTitleCase, u"One two"}};
  for (auto [command, result] : cases) {
    e.SetText(u"one TwO");
    e.SelectAll();
    e.CommandProcessor(command, 0);
    EXPECT_EQ(Text(e), result);
    e.Undo();
    EXPECT_EQ(Text(e), u"one TwO");
  }
  // Without a selection the word at the caret changes and the caret stays.
  e.SetCaretXY(TBufferCoord{6, 1});
  e.SetBlockBegin(e.GetCaretXY());
  Commands(e, {ecUpperCase});
  EXPECT_EQ(Text(e), u"one TWO");
  EXPECT_EQ(e.CaretX(), 6);
  for (int line : {2, 3}) {
    e.SetText(u"a\nb\nc");
    e.SetCaretXY(TBufferCoord{1, line});
    Commands(e, {ecDeleteLine});
    EXPECT_EQ(Text(e), line == 2 ? u"a\nc" : u"a\nb");
    e.Undo();
    EXPECT_EQ(Text(e), u"a\nb\nc");
  }
}

// ---------------------------------------------------------------------------------------------
// The replacement engine

TEST(SynPadReplace, InsertionModesAndTheirUndo) {
  Pad p(u"xyz");
  TSynPad& e = p.ed;
  e.SetCaretXY(TBufferCoord{3, 1});
  e.SetSelTextExternal(u"a\r\nb");
  EXPECT_EQ(Text(e), u"xya\nbz");
  EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{2, 2}));
  e.SetText(u"abcdefg\nab");
  e.InsertBlock(TBufferCoord{5, 1}, u"1\r\n2\r\n3", true);
  EXPECT_EQ(Text(e), u"abcd1efg\nab  2\n    3");
  e.Undo();
  EXPECT_EQ(Text(e), u"abcdefg\nab");
  e.SetText(u"1\n2\n3\n4\n5\n6");
  e.SetSelectionMode(smLine);
  e.SetBlockBegin(TBufferCoord{1, 3});
  e.SetBlockEnd(TBufferCoord{1, 4});
  e.SetSelTextExternal(u"");
  EXPECT_EQ(Text(e), u"1\n2\n5\n6");
  e.Undo();
  EXPECT_EQ(Text(e), u"1\n2\n3\n4\n5\n6");
  // The last line is emptied, not deleted.
  e.SetBlockBegin(TBufferCoord{1, 5});
  e.SetBlockEnd(TBufferCoord{1, 6});
  e.SetSelTextExternal(u"");
  EXPECT_EQ(Text(e), u"1\n2\n3\n4\n");
}

// ---------------------------------------------------------------------------------------------
// Clipboard, brackets and bookmarks

TEST(SynPadClipboard, TheSelectionModeTravelsWithTheText) {
  TSynMemoryClipboard::InstallWhereMissing();
  Pad a(u"abcdef\nghijkl\nmn"), b(u"12345\n12345");
  a.ed.SetSelectionMode(smColumn);
  a.ed.SetBlockBegin(TBufferCoord{2, 1});
  a.ed.SetBlockEnd(TBufferCoord{4, 3});
  a.ed.CommandProcessor(ecCopy, 0);
  std::string block;
  ASSERT_TRUE(editorservices::ReadClipboardData(SynPadClipboardFormat, block));
  EXPECT_EQ(block[0], 2);
  EXPECT_EQ(ReadClipboardWideText(), u"bc\nhi\nn ");  // LF between lines, as the desktop has them
  b.ed.SetCaretXY(TBufferCoord{2, 1});
  b.ed.CommandProcessor(ecPaste, 0);
  EXPECT_EQ(Text(b.ed), u"1bc2345\n1hi2345\n n ");
  b.ed.Undo();
  EXPECT_EQ(Text(b.ed), u"12345\n12345");
  // Text from elsewhere goes in in the pasting control's mode, its lines ended by CR LF, LF or CR.
  b.ed.SetSelectionMode(smLine);
  for (const char16_t* pasted : {u"X\r\nY", u"X\nY", u"X\rY"}) {
    editorservices::WriteClipboardText(pasted);
    b.ed.SetCaretXY(TBufferCoord{3, 2});
    b.ed.CommandProcessor(ecPaste, 0);
    EXPECT_EQ(Text(b.ed), u"12345\nX\nY12345");
    b.ed.Undo();
  }
  // Cut takes what copy takes; paste over a selection undoes in one step.
  a.ed.CommandProcessor(ecCut, 0);
  EXPECT_EQ(Text(a.ed), u"adef\ngjkl\nm");
  a.ed.SetSelectionMode(smNormal);
  a.ed.SelectAll();
  a.ed.CommandProcessor(ecPaste, 0);
  a.ed.Undo();
  EXPECT_EQ(Text(a.ed), u"adef\ngjkl\nm");
  EXPECT_EQ(a.ed.GetSelText(), u"adef\r\ngjkl\r\nm");
}

TEST(SynPadBrackets, MatchesSkipStringsAndComments) {
  Pad p(u"a(b(c)d)e\nf(a /* ) */ b)\nx<y]");
  TSynPad& e = p.ed;
  const std::pair<TBufferCoord, TBufferCoord> plain[] = {
      {{2, 1}, {8, 1}}, {{6, 1}, {4, 1}}, {{1, 1}, {0, 0}}, {{20, 1}, {0, 0}}, {{2, 3}, {0, 0}}};
  for (auto [from, to] : plain) EXPECT_EQ(e.GetMatchingBracketEx(from), to) << from.Char << "," << from.Line;
  TWordSyn hl;
  e.SetHighlighter(&hl);
  EXPECT_EQ(e.GetMatchingBracketEx(TBufferCoord{2, 2}), (TBufferCoord{14, 2}));
  EXPECT_EQ(e.GetMatchingBracketEx(TBufferCoord{8, 2}), (TBufferCoord{2, 2}));
  e.SetCaretXY(TBufferCoord{2, 1});
  e.CommandProcessor(ecMatchBracket, 0);
  EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{8, 1}));
  e.SetHighlighter(nullptr);
}

TEST(SynPadBookmarks, SetMoveClearAndFollowTheText) {
  Pad p(u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10");
  TSynPad& e = p.ed;
  std::vector<int> cleared;
  e.OnClearBookmark = [&](TCustomSynPad*, TSynPadMark* m) { cleared.push_back(m->Line); };
  e.SetCaretXY(TBufferCoord{1, 9});
  e.CommandProcessor(ecSetMarker3, 0);
  e.CommandProcessor(ecSetMarker3, 0, TSynCommandData{TBufferCoord{1, 5}});
  int x = 0, y = 0;
  ASSERT_TRUE(e.GetBookMark(3, x, y));
  EXPECT_EQ(y, 5);
  EXPECT_EQ(cleared, (std::vector<int>{9}));
  e.SetCaretXY(TBufferCoord{1, 1});
  e.CommandProcessor(ecGotoMarker3, 0);
  EXPECT_EQ(e.CaretY(), 5);
  e.CommandProcessor(ecGotoMarker4, 0);  // empty: nothing
  EXPECT_EQ(e.CaretY(), 5);
  // Lines inserted and deleted above carry the mark with its line; an undo brings it back.
  e.SetCaretXY(TBufferCoord{1, 2});
  e.CommandProcessor(ecLineBreak, 0);
  e.GetBookMark(3, x, y);
  EXPECT_EQ(y, 6);
  e.CommandProcessor(ecDeleteLine, 0);
  e.CommandProcessor(ecDeleteLine, 0);
  e.GetBookMark(3, x, y);
  EXPECT_EQ(y, 4);
  e.CommandProcessor(ecSetMarker3, 0, TSynCommandData{TBufferCoord{1, 4}});  // same line: toggled off
  EXPECT_FALSE(e.IsBookmark(3));
  e.SetBookMark(10, 1, 1);
  e.SetBookMark(-1, 1, 1);
  e.SetBookMark(0, 1, 99);
  EXPECT_TRUE(e.Marks().empty());
  e.SetBookMark(1, 1, 2);
  e.SetText(u"other record");
  EXPECT_FALSE(e.IsBookmark(1));
}

TEST(SynPadBookmarks, DeletedLinesHandTheirMarksToTheLineTakingTheirPlace) {
  TSynMemoryClipboard::InstallWhereMissing();
  std::u16string twenty;
  for (int i = 1; i <= 20; ++i) twenty += (i > 1 ? u"\n" : u"") + codepage::Utf8ToUtf16(std::to_string(i));
  struct Case {
    TSynSelectionMode mode;
    TBufferCoord from, to;
    TSynPadorCommand command;
    int marks[3];  // on these lines
    int after[3];  // after the deletion; an undo puts them back
  } cases[] = {
      {smLine, {1, 4}, {1, 6}, ecDeleteChar, {4, 5, 7}, {4, 4, 4}},
      {smLine, {3, 4}, {2, 6}, ecCut, {4, 6, 9}, {4, 4, 6}},
      {smLine, {1, 18}, {1, 20}, ecDeleteLastChar, {17, 18, 20}, {17, 18, 18}},  // the last line is emptied
      {smNormal, {1, 4}, {1, 7}, ecDeleteChar, {4, 5, 7}, {4, 4, 4}},
  };
  for (const Case& k : cases) {
    Pad p(twenty);
    TSynPad& e = p.ed;
    for (int i = 0; i < 3; ++i) e.SetBookMark(i, 1, k.marks[i]);
    e.SetSelectionMode(k.mode);
    e.SetBlockBegin(k.from);
    e.SetBlockEnd(k.to);
    e.CommandProcessor(k.command, 0);
    auto lineOf = [&](int i) {
      int x = 0, y = 0;
      return e.GetBookMark(i, x, y) ? y : 0;
    };
    const std::string where = EditorCommandToCodeString(k.command) + " from line " + std::to_string(k.from.Line);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lineOf(i), k.after[i]) << where << " mark " << i;
    e.Undo();
    EXPECT_EQ(Text(e), twenty) << where;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lineOf(i), k.marks[i]) << where << " undone, mark " << i;
    e.Redo();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lineOf(i), k.after[i]) << where << " redone, mark " << i;
    e.Undo();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lineOf(i), k.marks[i]) << where << " undone again, mark " << i;
  }
}

// ---------------------------------------------------------------------------------------------
// Search and replace

int Count(std::u16string_view s, std::u16string_view p) {
  int n = 0;
  for (size_t at = s.find(p); at != std::u16string_view::npos; at = s.find(p, at + p.size())) ++n;
  return n;
}

std::u16string ReplaceEach(std::u16string s, std::u16string_view p, std::u16string_view r) {
  for (size_t at = s.find(p); at != std::u16string::npos; at = s.find(p, at + r.size())) s.replace(at, p.size(), r);
  return s;
}

TEST(SynPadSearchReplace, ReplaceAllAgreesWithPlainReplaceLineByLine) {
  TSynPadSearch engine;
  std::mt19937 rng(7);
  static const char16_t alphabet[] = u"aab b";
  for (int round = 0; round < 200; ++round) {
    Pad p(SynRandomText(rng, alphabet, 1 + static_cast<int>(rng() % 5), 12));
    TSynPad& e = p.ed;
    e.SetSearchEngine(&engine);
    const std::u16string pattern = rng() % 2 ? u"a" : u"ab";
    // A replacement that breaks lines gives the same text, its lines joined by the breaks.
    static const char16_t* const replacements[] = {u"XYZ", u"", u"X\nY", u"\n"};
    const std::u16string with = replacements[rng() % 4];
    std::u16string expected;
    int count = 0;
    for (int line = 1; line <= e.LineCount(); ++line) {
      const std::u16string s(e.LineText(line));
      count += Count(s, pattern);
      expected += ReplaceEach(s, pattern, with);
      if (line < e.LineCount()) expected += u"\n";
    }
    const std::u16string before = Text(e);
    const int prompt = round % 3 == 0 ? ssoPrompt : 0;
    // Prompted, some matches are replaced one by one before "Replace all" is answered; either way
    // and in either direction the text comes out the same.
    const int oneByOne = round % 4;
    int asked = 0;
    e.OnReplaceText = [&](TCustomSynPad*, const std::u16string&, const std::u16string&, int, int,
                          TSynReplaceAction& a) { a = asked++ < oneByOne ? raReplace : raReplaceAll; };
    const int backward = round % 2 ? ssoBackwards : 0;
    EXPECT_EQ(e.SearchReplace(pattern, with, ssoMatchCase | ssoEntireScope | ssoReplaceAll | prompt | backward), count);
    EXPECT_EQ(Text(e), expected);
    // Without prompts the whole run is one step; with them each replacement is one.
    int steps = 0;
    while (Text(e) != before && e.CanUndo() && steps < 1000) {
      e.Undo();
      ++steps;
    }
    EXPECT_EQ(Text(e), before);
    if (!prompt) {
      EXPECT_LE(steps, 1);
    }
  }
}

TEST(SynPadSearchReplace, ReplaceAllBreakingLinesKeepsMarksCaretAndEveryMatch) {
  TSynPadSearch plain;
  TSynPadRegexSearch regex;
  auto lineOf = [](TSynPad& e, int mark) {
    int x = 0, y = 0;
    return e.GetBookMark(mark, x, y) ? y : 0;
  };
  {
    Pad p(u"q1q2\nzz\nq3\nend");
    TSynPad& e = p.ed;
    e.SetSearchEngine(&plain);
    e.SetBookMark(1, 1, 2);
    e.SetBookMark(2, 1, 3);
    e.SetBookMark(3, 1, 4);
    EXPECT_EQ(e.SearchReplace(u"q", u"q\n", ssoMatchCase | ssoEntireScope | ssoReplaceAll), 3);
    EXPECT_EQ(Text(e), u"q\n1q\n2\nzz\nq\n3\nend");
    // Each mark stays at the start of its line's text; the caret ends after the last replacement.
    EXPECT_EQ(lineOf(e, 1), 4);
    EXPECT_EQ(lineOf(e, 2), 5);
    EXPECT_EQ(lineOf(e, 3), 7);
    EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{1, 6}));
    EXPECT_FALSE(e.SelAvail());
    e.Undo();
    EXPECT_EQ(Text(e), u"q1q2\nzz\nq3\nend");
    EXPECT_EQ(lineOf(e, 1), 2);
    EXPECT_EQ(lineOf(e, 2), 3);
    EXPECT_EQ(lineOf(e, 3), 4);
    EXPECT_FALSE(e.SelAvail());
    e.Redo();
    EXPECT_EQ(Text(e), u"q\n1q\n2\nzz\nq\n3\nend");
    // Backwards the caret ends after the first replacement of the first line replaced.
    e.SetText(u"aq\nxqyq");
    e.SetCaretXY(TBufferCoord{5, 2});
    EXPECT_EQ(e.SearchReplace(u"q", u"<\r\n>", ssoMatchCase | ssoEntireScope | ssoReplaceAll | ssoBackwards), 3);
    EXPECT_EQ(Text(e), u"a<\n>\nx<\n>y<\n>");
    EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{2, 2}));
    // The blanks a break leaves at a line's end go where the option trims them, and only there.
    e.SetText(u"a q b  \nkeep  \na q");
    e.SetOptions(e.Options() | SynOpt(eoTrimTrailingSpaces));
    EXPECT_EQ(e.SearchReplace(u"q", u"\n", ssoMatchCase | ssoEntireScope | ssoReplaceAll), 2);
    EXPECT_EQ(Text(e), u"a\n b\nkeep  \na\n");
  }
  // The matches are those of the line as it was: a replacement that ends as a match begins does not
  // hide the next one, and an anchor matches at the line's start only.
  Pad p(u"aaaa");
  TSynPad& e = p.ed;
  e.SetSearchEngine(&plain);
  EXPECT_EQ(e.SearchReplace(u"aa", u"\na", ssoEntireScope | ssoReplaceAll), 2);
  EXPECT_EQ(Text(e), u"\na\na");
  e.SetSearchEngine(&regex);
  e.SetText(u"aaa\naa");
  EXPECT_EQ(e.SearchReplace(u"^a", u"\n", ssoEntireScope | ssoReplaceAll), 2);
  EXPECT_EQ(Text(e), u"\naa\n\na");
  e.Undo();
  EXPECT_EQ(Text(e), u"aaa\naa");
}

// Replacing every match of a long line by a regular expression costs about the line's length: the
// engine looked for each occurrence from the line's first match on, so 40,000 matches took 40 s.
TEST(SynPadSearchReplace, RegexReplaceAllOnALongLineIsLinear) {
  TSynPadRegexSearch regex;
  for (const bool backward : {false, true}) {
    Pad p(std::u16string(40000, u'a'));
    p.ed.SetSearchEngine(&regex);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(p.ed.SearchReplace(u"(.)", u"$1x", ssoEntireScope | ssoReplaceAll | (backward ? ssoBackwards : 0)),
              40000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(p.ed.LineText(1).size(), 80000u);
    // A fraction of a second in a sanitizer build; the bound only catches work that grows with the
    // square of the matches.
    EXPECT_LT(seconds, 5.0) << (backward ? "backwards" : "forwards");
  }
}

TEST(SynPadSearchReplace, RangesPromptsAndErrors) {
  Pad p(u"aaaa\nfoo bar foo\nfoo");
  TSynPad& e = p.ed;
  EXPECT_THROW(
      try { e.SearchReplace(u"a", u"", 0); } catch (const ESynPadError& x) {
        EXPECT_STREQ(x.what(), "No search engine has been assigned");
        throw;
      },
      ESynPadError);
  {
    TSynPadSearch engine;
    e.SetSearchEngine(&engine);
    EXPECT_EQ(e.SearchReplace(u"", u"x", ssoReplaceAll), 0);
    EXPECT_EQ(e.SearchReplace(u"aa", u"", ssoEntireScope), 1);
    EXPECT_EQ(e.BlockBegin(), (TBufferCoord{1, 1}));
    // Forwards from the caret nothing before it is found; backwards from it the nearest one.
    e.SetCaretXY(TBufferCoord{6, 2});
    e.SearchReplace(u"foo", u"", 0);
    EXPECT_EQ(e.BlockBegin(), (TBufferCoord{9, 2}));
    e.SetCaretXY(TBufferCoord{6, 2});
    e.SearchReplace(u"foo", u"", ssoBackwards);
    EXPECT_EQ(e.BlockBegin(), (TBufferCoord{1, 2}));
    std::vector<TSynReplaceAction> answers = {raSkip, raReplace, raReplaceAll};
    std::vector<int> asked;
    e.OnReplaceText = [&](TCustomSynPad*, const std::u16string&, const std::u16string&, int line, int col,
                          TSynReplaceAction& a) {
      asked.push_back(line * 100 + col);
      a = answers[asked.size() - 1 < answers.size() ? asked.size() - 1 : 0];
    };
    EXPECT_EQ(e.SearchReplace(u"foo", u"longer", ssoEntireScope | ssoReplaceAll | ssoPrompt), 2);
    EXPECT_EQ(Text(e), u"aaaa\nfoo bar longer\nlonger");
    EXPECT_EQ(asked, (std::vector<int>{201, 209, 301}));
    answers = {raSkip};
    asked.clear();
    EXPECT_EQ(e.SearchReplace(u"a", u"b", ssoEntireScope | ssoReplaceAll | ssoPrompt), 0);
    // A replacement with a line break keeps the later matches of its line at their places.
    e.OnReplaceText = nullptr;
    e.SetText(u"a-a-a");
    EXPECT_EQ(e.SearchReplace(u"-", u"\r\n", ssoEntireScope | ssoReplaceAll), 2);
    EXPECT_EQ(Text(e), u"a\na\na");
    e.Undo();
    EXPECT_EQ(Text(e), u"a-a-a");
    // Prompted replacements that shorten the range's last line keep its later matches in range.
    e.SetText(u"ab ab ab");
    EXPECT_EQ(e.SearchReplace(u"ab", u"X", ssoReplaceAll | ssoPrompt), 3);
    EXPECT_EQ(Text(e), u"X X X");
  }
  // A read-only text is searched and the match selected, but every kind of replace leaves it be.
  {
    TSynPadSearch engine;
    e.SetSearchEngine(&engine);
    e.SetText(u"foo bar foo");
    e.SetReadOnly(true);
    int asked = 0;
    e.OnReplaceText = [&](TCustomSynPad*, const std::u16string&, const std::u16string&, int, int,
                          TSynReplaceAction& a) {
      ++asked;
      a = raReplaceAll;
    };
    for (const TSynSearchOptions o : std::vector<TSynSearchOptions>{
             ssoReplace, ssoReplaceAll, ssoReplaceAll | ssoPrompt, ssoReplace | ssoBackwards}) {
      e.SetCaretXY(TBufferCoord{o & ssoBackwards ? 12 : 1, 1});
      EXPECT_EQ(e.SearchReplace(u"foo", u"x", o | ssoEntireScope), 1) << o;
      EXPECT_EQ(Text(e), u"foo bar foo") << o;
      EXPECT_EQ(e.GetSelText(), u"foo") << o;
    }
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(e.CanUndo());
    e.SetReadOnly(false);
    e.OnReplaceText = nullptr;
  }
  // The engine is gone: the control forgets it.
  EXPECT_THROW(e.SearchReplace(u"a", u"", 0), ESynPadError);
}

// ---------------------------------------------------------------------------------------------
// The probe's search commands

TEST(SynPadScript, SearchOptionLettersMeanWhatTheySay) {
  // Each letter gives its own option, and every option is reachable (replace brings ssoReplace).
  const std::pair<char16_t, TSynSearchOptions> letters[] = {
      {u'c', ssoMatchCase},    {u'w', ssoWholeWord},  {u'b', ssoBackwards}, {u'e', ssoEntireScope},
      {u's', ssoSelectedOnly}, {u'a', ssoReplaceAll}, {u'p', ssoPrompt}};
  TSynSearchOptions all = ssoReplace;
  for (auto [letter, option] : letters) {
    TSynSearchOptions o = 0;
    bool regex = false;
    ASSERT_TRUE(TSynPadScript::SearchOptionsOf(std::u16string(1, letter), o, regex));
    EXPECT_EQ(o, option) << char(letter);
    EXPECT_FALSE(regex);
    all |= o;
  }
  EXPECT_EQ(all, 0xFF);
  TSynSearchOptions o = 0;
  bool regex = false;
  EXPECT_TRUE(TSynPadScript::SearchOptionsOf(u"r", o, regex) && regex && o == 0);
  EXPECT_FALSE(TSynPadScript::SearchOptionsOf(u"cx", o, regex));
  // Through the commands, on "ab ab AB" with the caret at the start.
  const TScriptCase cases[] = {
      {"replace ab X", "X ab AB", "1"},
      {"replace ab X a", "X X X", "3"},
      {"replace ab X ac", "X X AB", "2"},
      {"answers sr\nreplace ab X ap", "ab X X", "2"},  // skip, replace, then the default answer
      {"answers c\nreplace ab X p", "ab ab AB", "1"},
      {"replace a. X ar", "X X X", "3"},
      {"replace a. X a", "ab ab AB", "0"},
      {"find AB c", "ab ab AB", "1"},
      // "Replace all" answered at a prompt makes the rest one change, the lines after the
      // answer's own included, undone and redone in one step.
      {"text (\\n(\nanswers a\nreplace ( \\u4e2d ap", "\u4e2d\n\u4e2d", "2", "(\n("},
      {"text ab\\nab\\nab\nanswers ra\nreplace ab X ap", "X\nX\nX", "3", "X\nab\nab"},
      // Undone apart, a typed character and the replacements after it are redone apart too,
      // though the change begins with an insertion as the typing was.
      {"text ab\\nab\nchar c\nanswers a\nreplace b| - apr\nundo", "cab\nab", "6", "ab\nab"},
      // Empty matches replaced by line breaks where they are, whatever the selection mode (in line
      // mode each break went in as a line before the match, and the walk met it again for ever).
      {"text ab\\ncd\nanswers a\nreplace x* \\n apr", "\na\nb\n\n\nc\nd\n", "6"},
      {"text ab\\ncd\nsel 1 1 1 1 line\nanswers a\nreplace x* \\n apr", "\na\nb\n\n\nc\nd\n", "6"},
      {"text ab\\ncd\nsel 1 1 1 1 column\nanswers ra\nreplace x* \\r\\n apr", "\na\nb\n\n\nc\nd\n", "6"},
      // In a column block too the rest of a broken line is searched from where the break ended (the
      // empty match at its start was found again for ever).
      {"text ab\\ncd\nsel 1 1 3 2 column\nreplace x* \\n asr", "\na\nb\n\n\nc\nd\n", "6"},
      {"text ab\\ncd\nsel 1 1 3 2 column\nanswers a\nreplace x* \\n apsr", "\na\nb\n\n\nc\nd\n", "6"},
      // Prompted, the rest of a broken line keeps the matches the line had (searched again, a
      // replacement ending where the next match began hid it).
      {"text aaaa\nanswers rr\nreplace aa \\na ap", "\na\na", "2"},
      // "Replace all" answered in a line's middle replaces the rest of the line as it stands, in one
      // change with the lines after it, a broken line among them.
      {"text aaaa\nanswers ra\nreplace aa a ap", "aa", "2", "aaa"},
      {"text a-a-a-a\nanswers ra\nreplace - \\n ap", "a\na\na\na", "3", "a\na-a-a"},
      // Backwards the matches before the answered one; in a column block those inside it.
      {"text a-a-a-a\nanswers ra\nreplace - X abpe", "aXaXaXa", "3", "a-a-aXa"},
      {"text a-a-a-a\nsel 1 1 6 1 column\nanswers ra\nreplace - XY aps", "aXYaXYa-a", "2"},
  };
  for (const TScriptCase& k : cases) ExpectScriptCase(k, "text ab ab AB\n", "\n");
}

// ---------------------------------------------------------------------------------------------
// Characters beyond U+FFFF and double-width glyphs: an emoji is a pair of units in two cells, a
// CJK character one unit in two cells.

// Through the commands: one typed character overwrites one character; a column block takes the
// same screen columns of every line, widened to whole characters, in copy, delete and undo; a
// regular expression's match (its dot takes one character, a pair whole) is selected and replaced
// in whole characters.
TEST(SynPadWideText, OverwriteColumnBlocksAndMatchesTakeWholeCharacters) {
  const TScriptCase cases[] = {
      {"text abcdef\ncaret 2 1\necToggleMode\nstr 😀", "a😀cdef", "", "abcdef"},
      {"text a漢字テスト\ncaret 2 1\necToggleMode\nstr 😀", "a😀字テスト", "", "a漢字テスト"},
      {"text a😀bc\ncaret 2 1\necToggleMode\nchar x", "axbc", "", "a😀bc"},
      {"text a😀b\ncaret 2 1\necToggleMode\nstr 𝐀😀", "a𝐀😀", "", "a😀b"},
      {"text ab\ncaret 3 1\necToggleMode\nstr 😀", "ab😀", ""},
      // The block of the keys: after "ab", two characters right, one line down.
      {"text ab漢字cd\\nabcdefgh\ncaret 3 1\necColumnSelect\necSelRight\necSelRight\necSelDown\ncopy\necDeleteChar",
       "abcd\nabgh", "\"\\u6f22\\u5b57\\u000acdef\" column\n", "ab漢字cd\nabcdefgh"},
      {"text abcdef\\na😀bcde\ncaret 3 1\necColumnSelect\necSelRight\necSelRight\necSelDown\ncopy\necDeleteChar",
       "abef\nacde", "\"cd\\u000a\\ud83d\\ude00b\" column\n", "abcdef\na😀bcde"},
      // From the other corner, a pair's second half on the left edge inside the block; a short
      // line padded to the right edge.
      {"text abcdef\\na😀bcde\\nab\nsel 5 3 3 1 column\necCut", "abef\nacde\nab", "", "abcdef\na😀bcde\nab"},
      {"text abcdef\\na😀bcde\\nab\nsel 5 3 3 1 column\ncopy", "abcdef\na😀bcde\nab",
       "\"cd\\u000a\\ud83d\\ude00b\\u000a  \" column\n"},
      // A tab partly in the block (tab width 8) is in it whole.
      {"text a\\tb\\nabcdefg\nsel 3 2 3 1 column\ncopy\necDeleteChar", "ab\nab", "\"\\u0009\\u000acdefg \" column\n",
       "a\tb\nabcdefg"},
      // Pieces of unequal length go back where each line's piece was, not under the caret.
      {"text 😀ab\\nxyab\nsel 3 1 2 2 column\necUpperCaseBlock", "😀ab\nxYab", "", "😀ab\nxyab"},
      // Indented and unindented where the block begins on each line.
      {"text a😀b\\nabcd\nsel 4 1 3 2 column\necBlockIndent", "a        😀b\nab        cd", "", "a😀b\nabcd"},
      {"text a\\tx\\nab  y\nsel 3 2 3 1 column\necBlockUnindent", "ax\naby", "", "a\tx\nab  y"},
      {"text L7 😀x😀 end\nfind \"L7 .\" r\nchar Z", "Zx😀 end", "1\n", "L7 😀x😀 end"},
      {"text L7 😀x😀 end\nreplace . - ar", "----------", "10\n", "L7 😀x😀 end"},
      {"text L7 😀x😀 end\nanswers ra\nreplace . - apr", "----------", "10\n"},
      {"text L7 😀x😀 end\nanswers rrrrrrrrrr\nreplace . - apber", "----------", "10\n"},
      {"text 😀a\nfind . r\ncopy\nfind . r\ncopy", "😀a", "1\n\"\\ud83d\\ude00\" normal\n1\n\"a\" normal\n"},
      {"text 😀\nreplace x* - ar", "-😀-", "2\n", "😀"},
      {"text 😀\nanswers rr\nreplace x* - apr", "-😀-", "2\n"},
      // What replaces the match holds whole characters too: $& is the match, and each group, whole
      // (as Python's re.sub gives them: the dots before "x" take the blank and the emoji).
      {"text L7 😀x😀 end\nreplace \"L7 .\" $& r", "L7 😀x😀 end", "1\n"},
      {"text L7 😀x😀 end\nreplace \"L7 .\" <$&> ar", "<L7 😀>x😀 end", "1\n", "L7 😀x😀 end"},
      {"text L7 😀x😀 end\nanswers r\nreplace \"L7 .\" <${&}> pr", "<L7 😀>x😀 end", "1\n"},
      {"text L7 😀x😀 end\nreplace (.)(.)x(.) [$3|$2|$1] ar", "L7[😀|😀| ] end", "1\n", "L7 😀x😀 end"},
      {"text a😀b😀\nanswers rrr\nreplace (.)b(.) <$2$1> apr", "a<😀😀>", "1\n"},
  };
  for (const TScriptCase& k : cases) ExpectScriptCase(k);
}

// Random text of ASCII, double-width glyphs and pairs, edited by random commands that type (in
// insert and overwrite mode), select blocks and insert column blocks at positions taken anywhere in a
// line, copy, cut, paste, indent and replace by regular expressions: no line, clipboard text, caret
// or selection end ever holds half a pair; a column copy spans the block's screen columns on every
// line, widened by at most one column on each side; undo gives the first text back and redo the last.
TEST(SynPadWideText, RandomEditsNeverSplitAPair) {
  TSynMemoryClipboard::InstallWhereMissing();
  static const std::u16string pieces[] = {u"a", u"b", u" ", u"x", u"\u6f22", u"\u5b57", u"\U0001F600", u"\U0001D400"};
  static const TSynPadorCommand commands[] = {
      ecLeft,       ecRight,      ecSelLeft,        ecSelRight,   ecLineStart,   ecLineEnd,       ecSelLineEnd,
      ecToggleMode, ecDeleteChar, ecDeleteLastChar, ecLineBreak,  ecBlockIndent, ecBlockUnindent, ecUpperCaseBlock,
      ecCut,        ecPaste,      ecNormalSelect,   ecLineSelect, ecUndo,        ecRedo};
  auto cells = [](std::u16string_view s) {
    int w = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      if (IsLowSurrogateUnit(s[i])) continue;
      w += (s[i] >= 0x4E00 && s[i] <= 0x9FFF) || IsHighSurrogateUnit(s[i]) ? 2 : 1;
    }
    return w;
  };
  auto wholeCharacters = [](std::u16string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
      if (IsHighSurrogateUnit(s[i]) && i + 1 < s.size() && IsLowSurrogateUnit(s[i + 1]))
        ++i;
      else if (IsHighSurrogateUnit(s[i]) || IsLowSurrogateUnit(s[i]))
        return false;
    }
    return true;
  };
  auto codePoints = [](std::u16string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (IsHighSurrogateUnit(s[i]) && i + 1 < s.size() && IsLowSurrogateUnit(s[i + 1])) {
        out.push_back(0x10000 + ((char32_t(s[i]) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
        ++i;
      } else {
        out.push_back(s[i]);
      }
    }
    return out;
  };
  for (int seed = 1; seed <= 60; ++seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    TSynPadScript s;
    TSynPad& e = *s.Ed;
    std::u16string text;
    for (int line = 0, lines = 1 + pick(5); line < lines; ++line) {
      for (int i = pick(10); i > 0; --i) text += pieces[pick(std::size(pieces))];
      if (line + 1 < lines) text += u"\n";
    }
    e.SetText(text);
    const std::u16string initial = Text(e);
    // Any position of a line, the middle of a pair and past the line's end included: the editor
    // makes it whole itself.
    auto anywhere = [&] {
      const int line = 1 + pick(std::max(1, e.LineCount()));
      return TBufferCoord{1 + pick(static_cast<int>(e.LineText(line).size()) + 3), line};
    };
    std::string out, error;
    for (int step = 0; step < 150; ++step) {
      const int kind = pick(10);
      std::string what;
      if (kind < 3) {
        const std::u16string& c = pieces[pick(std::size(pieces))];
        // Overwriting inside a line: the line's characters, one of them replaced.
        const std::u16string before(e.LineText(e.CaretY()));
        const bool overwrites = !e.InsertMode() && !e.SelAvail() && e.CaretX() <= static_cast<int>(before.size());
        std::u32string expected;
        if (overwrites) {
          const std::u32string chars = codePoints(before);
          const size_t at = codePoints(std::u16string_view(before).substr(0, e.CaretX() - 1)).size();
          expected = chars.substr(0, at) + codePoints(c) + chars.substr(at + 1);
        }
        e.CommandProcessor(ecImeStr, 0, TSynCommandData{c});
        if (overwrites) {
          ASSERT_EQ(codePoints(e.LineText(e.CaretY())), expected) << seed << " step " << step;
        }
        what = "type";
      } else if (kind == 3) {
        e.SetSelectionMode(pick(3) ? smColumn : smNormal);
        const TBufferCoord a = anywhere(), b = anywhere();
        e.SetBlockBegin(a);
        e.SetBlockEnd(b);
        e.SetCaretXYEx(false, b);
        what = "select";
      } else if (kind == 4 && e.SelAvail() && e.ActiveSelectionMode() == smColumn) {
        const TCustomSynPad::TColumnSpan span = e.ColumnSpanOf(e.BlockBegin(), e.BlockEnd());
        e.CommandProcessor(ecCopy, 0);
        const std::u16string copied = TSynMemoryClipboard::Text();
        ASSERT_TRUE(wholeCharacters(copied)) << seed << " step " << step;
        for (std::u16string_view piece : SplitIntoLines(copied)) {
          const int w = cells(piece);
          EXPECT_GE(w, span.Right - span.Left) << seed << " step " << step;
          EXPECT_LE(w, span.Right - span.Left + 2) << seed << " step " << step;
        }
        what = "copy";
      } else if (kind == 5) {
        const bool prompted = pick(2);
        ASSERT_TRUE(prompted ? s.Execute("answers rsra", out, error) && s.Execute("replace x* = apr", out, error)
                             : s.Execute("replace . - ar", out, error))
            << error;
        what = "replace";
      } else if (kind == 6 && pick(3) == 0) {
        // A column of pieces in at any position, as block indent and undo put one in.
        const std::u16string block = pieces[pick(std::size(pieces))] + u"\r\n" + pieces[pick(std::size(pieces))];
        e.InsertBlock(anywhere(), block, true);
        what = "insert block";
      } else {
        const TSynPadorCommand c = commands[pick(std::size(commands))];
        e.CommandProcessor(c, 0);
        what = "command " + std::to_string(c);
      }
      for (int line = 1; line <= e.LineCount(); ++line)
        ASSERT_TRUE(wholeCharacters(e.LineText(line))) << seed << " step " << step << " " << what << " line " << line;
      for (const TBufferCoord p : {e.GetCaretXY(), e.RawBlockBegin(), e.RawBlockEnd()})
        ASSERT_FALSE(SplitsSurrogatePair(e.LineText(p.Line), p.Char))
            << seed << " step " << step << " " << what << " at " << p.Char << "," << p.Line;
    }
    const std::u16string final = Text(e);
    const int redoBefore = e.RedoList().ItemCount();
    while (e.CanUndo()) e.CommandProcessor(ecUndo, 0);
    ASSERT_EQ(Text(e), initial) << "seed " << seed;
    while (e.RedoList().ItemCount() > redoBefore) e.CommandProcessor(ecRedo, 0);
    ASSERT_EQ(Text(e), final) << "seed " << seed;
  }
}

}  // namespace
