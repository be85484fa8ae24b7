// Find: the stored forms of options and history, the dialog state, and the search driver with the
// record editor's commands over a small editor, through a settings file that survives a restart;
// and the one case rule that the editor's searches share with the filter's.
#include <gtest/gtest.h>

#include "MapSettings.h"
#include "RecordEditorTestSupport.h"
#include "databank/uRecordSearch.h"
#include "databank/uTextSearchUtils.h"
#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "platform/CodePage.h"
#include "recordeditor/FindReplaceDialogs.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/uFindReplace_syn.h"
#include "regex/SynRegExpr.h"
#include "xml/uSettingsXML.h"

using recordeditortest::TFakeSearchEditor;
using testsupport::TempDirTest;

TEST(FindStoredForms, OptionStringsHistoryAndTheDialogsControls) {
  for (const auto& [text, options] :
       std::vector<std::pair<std::string, int>>{{"10010000", ssoMatchCase | ssoEntireScope},
                                                {"00010000", ssoEntireScope},
                                                {"11111111", 255},
                                                {"01", 0},
                                                {"1111111111", 0},
                                                {"", 0},
                                                {"x1y10000", ssoWholeWord | ssoEntireScope}}) {
    EXPECT_EQ(StringToSearchOptions(text), options) << text;
    if (text.size() == 8 && text.find_first_not_of("01") == std::string::npos) {
      EXPECT_EQ(SearchOptionsToString(TSynSearchOptions(options)), text);
    }
  }
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitSearchHistory("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(SplitSearchHistory("a\r\nb"), (V{"a", "b"})) << "the final piece is kept";
  EXPECT_EQ(SplitSearchHistory("a\nb\r\n\r\nc"), (V{"a\nb", "", "c"}));
  EXPECT_EQ(SplitSearchHistory(""), V{});

  // Every combination of the bits the controls show comes back; the others are dropped.
  for (int o = 0; o < 256; ++o) {
    const auto s = TFindDialogState::FromOptions("t", "", false, TSynSearchOptions(o));
    EXPECT_EQ(s.FromCursor, !(o & ssoEntireScope));
    EXPECT_EQ(s.Options(), o & 31);
  }
}

namespace {

// Answers the find dialog: records what it was shown, then applies the user's changes.
struct ScriptedFindDialog {
  std::vector<TFindDialogState> shown;
  std::function<bool(TFindDialogState&)> answer = [](TFindDialogState&) { return false; };
  TFindDialogRunner previous;
  ScriptedFindDialog() {
    previous = SetFindDialogRunner([this](platform::WindowHandle, TFindDialogState& s) {
      shown.push_back(s);
      return answer(s);
    });
  }
  ~ScriptedFindDialog() { SetFindDialogRunner(previous); }
  void Confirm(std::string text, bool caseSensitive = false, bool fromCursor = true, bool regex = false) {
    answer = [=](TFindDialogState& s) {
      s.Text = text;
      s.CaseSensitive = caseSensitive;
      s.FromCursor = fromCursor;
      s.RegularExpressions = regex;
      return true;
    };
  }
};

class Find : public TempDirTest {
 protected:
  void SetUp() override {
    FindState() = TFindState{};
    editor.SetSearchEngine(set.SynPadSearch);  // as the record editor sets its code editor up
    file = tmp.File("tessaryn.xdb");
    OpenSettings();
  }
  void OpenSettings() {
    settings = std::make_unique<TXMLSettings>();
    settings->SetFileName(file);
    settings->Open();
  }
  void Restart() {
    settings.reset();  // writes the file
    FindState() = TFindState{};
    OpenSettings();
  }
  std::vector<std::string> popups;
  TNotifyProc notify = [this](int kind, const std::string& text) {
    popups.push_back(std::to_string(kind) + " " + text);
  };
  std::string file;
  std::unique_ptr<TXMLSettings> settings;
  TdmHighLighters set{THighlighterSetRole::Primary, tmp.File("none")};
  ScriptedFindDialog dialog;
  TFakeSearchEditor editor{{u"alpha beta", u"Beta gamma bet", u"delta beta"}};
};

}  // namespace

TEST_F(Find, ProposalFromTheSelectionOrTheWordAtTheCaret) {
  editor.Caret = {3, 1};  // inside "alpha"
  EXPECT_FALSE(ShowFindDialog(editor, *settings));
  EXPECT_EQ(dialog.shown.back().Text, "alpha");
  EXPECT_EQ(editor.Caret, (TBufferCoord{3, 1}));
  EXPECT_EQ(FindState().LastSearch, "alpha") << "a cancelled dialog keeps the proposal";
  EXPECT_TRUE(CanFindAgain());
  EXPECT_EQ(settings->ReadString("LastSearch", "?"), "");

  editor.Select(2, 7, 8);  // "g": one character is not proposed
  ShowFindDialog(editor, *settings);
  EXPECT_EQ(dialog.shown.back().Text, "gamma");
  editor.Select(2, 6, 8);
  ShowFindDialog(editor, *settings);
  EXPECT_EQ(dialog.shown.back().Text, "ga");
}

TEST_F(Find, ChoicesPersistAcrossARestartWithTheWholeHistory) {
  REQUIRE_TOOL(xmllint, "xmllint");
  for (const char* text : {"one", "two", "Beta"}) {
    dialog.Confirm(text, true, false);
    FindInTextCommand(editor, *settings, notify);
  }
  EXPECT_EQ(editor.SelStart, (TBufferCoord{1, 2})) << "case sensitive from the start of the text";
  Restart();
  using recordeditortest::XPath;
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/FindOptions)"), "10010000");
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/LastSearch)"), "Beta");
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/SearchInTextText)"), "Beta");
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/SearchInTextEntireScope)"), "1");

  dialog.answer = [](TFindDialogState&) { return false; };
  FindInTextCommand(editor, *settings, notify);
  const TFindDialogState& s = dialog.shown.back();
  EXPECT_EQ(s.History, (std::vector<std::string>{"Beta", "two", "one"}));
  EXPECT_TRUE(s.CaseSensitive);
  EXPECT_FALSE(s.FromCursor);
  EXPECT_EQ(popups, (std::vector<std::string>{"3 String \"one\" was not found!", "3 String \"two\" was not found!"}));
}

TEST_F(Find, NextAgainAndPreviousFollowTheCaretAndTheDirection) {
  dialog.Confirm("beta", false, false);
  editor.Caret = {1, 3};
  FindInTextCommand(editor, *settings, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{7, 1})) << "not from the cursor: from the start";
  FindNextInTextCommand(editor, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{1, 2})) << "F3 goes on after the match";
  FindNextInTextCommand(editor, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{7, 3}));
  editor.SetCaretXY({1, 3});
  FindPreviousInTextCommand(editor, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{1, 2})) << "Shift+F3 searches back from the caret";
  editor.SetCaretXY({11, 3});
  FindNextInTextCommand(editor, notify);
  EXPECT_EQ(popups, std::vector<std::string>{"3 String \"beta\" was not found!"});

  // After a backward search Shift+F3 goes forwards.
  dialog.answer = [](TFindDialogState& s) {
    s.Backward = true;
    return true;
  };
  editor.Caret = {1, 2};
  FindInTextCommand(editor, *settings, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{7, 3})) << "backwards over the whole text starts at its end";
  editor.SetCaretXY({1, 2});
  FindPreviousInTextCommand(editor, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{1, 2}));
}

TEST_F(Find, RegularExpressionsSearchWithTheRegexEngine) {
  TSynPadSearchCustom* plain = set.SynPadSearch;
  TSynPadSearchCustom* regex = set.SynPadRegexSearch;
  dialog.Confirm("b[a-z]t\\b", false, false, true);
  editor.SetSearchEngine(plain);
  FindInTextCommand(editor, *settings, notify);
  EXPECT_EQ(editor.SelStart, (TBufferCoord{12, 2}));
  EXPECT_EQ(editor.EnginesSearchedWith.back(), regex);
  EXPECT_EQ(editor.Engine, plain) << "the plain engine is back afterwards";
  EXPECT_TRUE(settings->ReadBool("FindRegExp", false));

  dialog.Confirm("(", false, false, true);
  settings->WriteBool("SearchInTextWholeWords", true);
  EXPECT_THROW(FindInTextCommand(editor, *settings, notify), synregexpr::ERegExpr);
  EXPECT_EQ(editor.Engine, plain);
  EXPECT_EQ(settings->ReadString("SearchInTextText", ""), "(") << "the keys are written however it ends";
  EXPECT_TRUE(settings->ReadBool("SearchInTextWholeWords", false));

  dialog.Confirm("b.t", false, false, false);
  FindInTextCommand(editor, *settings, notify);
  EXPECT_EQ(editor.EnginesSearchedWith.back(), plain);
  EXPECT_EQ(popups.size(), 1u) << "no \"b.t\" in the text";
}

// One rule for every search with case sensitivity off, simple case folding: each (text, pattern)
// pair gives the same answer through the filter's phrase, all words, any word and regular
// expression (the prepared matcher and the plain routine), the quick search over titles, and the
// editor's plain and regular-expression engines; with case sensitivity on, where the three can be
// asked so, only the same letters match.
TEST(CaseRule, EverySearchFoldsLettersAlike) {
  struct Row {
    std::string text, pattern;
    bool want;
  } rows[] = {
      {"ΣΊΣΥΦ", "σίσυφ", true}, {"ÉCOLE normale", "école", true}, {"C++ Привет", "привет", true},
      {"ключ", "КЛЮЧ", true},   {"Straße", "STRASSE", false},  // simple folding: ß is not "ss"
      {"ǅemal", "ǆ", true},     {"Kelvin \u212a", "k", true},     {"\u017ftruct", "STRUCT", true},
      {"µ", "μ", true},         {"ΣΟΦΟΣ", "σοφος", true},         {"σοφός", "ΣΟΦΌς", true},
      {"𐐀𐐁", "𐐨𐐩", true},       {"\u2126mega", "ω", true},        {"İstanbul", "istanbul", false},
      {"ıı", "II", false},      {"plain TEXT", "text", true},     {"abc", "abd", false},
      {"漢字 😀", "😀", true},
  };
  TSynPadSearch plain;
  TSynPadRegexSearch regex;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text + " / " + row.pattern);
    const std::u16string text = codepage::Utf8ToUtf16(row.text), pattern = codepage::Utf8ToUtf16(row.pattern);
    for (bool cs : {false, true}) {
      // Case-sensitive, only the text as written matches.
      const bool want = cs ? row.text.find(row.pattern) != std::string::npos : row.want;
      for (int mode : {stPhrase, stAllWords, stAnyWord, stRegExpr}) {
        const std::string prepared = PrepareSearchText(row.pattern, cs, mode);
        TTextMatcher matcher(prepared, mode, cs);
        EXPECT_EQ(matcher.Matches(row.text, false), want) << "filter mode " << mode << " cs " << cs;
        EXPECT_EQ(MatchText(PrepareCase(row.text, cs), prepared, false, mode, cs), want) << "mode " << mode;
      }
      const TSynSearchOptions options = cs ? ssoMatchCase : 0;
      plain.SetOptions(options);
      plain.SetPattern(pattern);
      EXPECT_EQ(plain.FindAll(text) > 0, want) << "editor plain, cs " << cs;
      regex.SetOptions(options);
      regex.SetPattern(pattern);
      EXPECT_EQ(regex.FindAll(text) > 0, want) << "editor regex, cs " << cs;
    }
    EXPECT_EQ(TQuickSearchMatcher(row.pattern).Matches(row.text), row.want) << "quick search";
  }
}
