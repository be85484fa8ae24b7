// The record editor frame on recording hosts: records opened and stored as the databank keeps them
// (checked with xmllint on the saved file), the language a stored number selects, the comments
// panel's inherited state, what marks a record modified, the focus timer, the actions' states and
// save as file.
#include <gtest/gtest.h>

#include "MapSettings.h"
#include "RecordEditorTestSupport.h"
#include "RecordingFrameView.h"
#include "ScriptedUIServices.h"
#include "databank/uDataBankContent.h"
#include "platform/CodePage.h"
#include "platform/OpenUrl.h"
#include "recordeditor/FindReplaceDialogs.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

using namespace platform;
using testsupport::TempDirTest;

namespace {

class EditorFrame : public TempDirTest {
 protected:
  TdmHighLighters set{THighlighterSetRole::Primary, tmp.File("none")};
  TRecordingFrame f{set};
  TXMLDataBase2 bank_;

  // Reads a databank and answers its node with that ID.
  TxevXMLNode2* Load(const std::string& xml, int id = 1) {
    EXPECT_TRUE(bank_.LoadEncodedXML(xml)) << bank_.LastError();
    return bank::FindNodeByID(bank_.Root(), id);
  }
};

std::u16string U(const char* s) {
  return codepage::Utf8ToUtf16(s);
}

}  // namespace

TEST_F(EditorFrame, StoresEveryItemSoTheFileReadsBackWithXmllint) {
  REQUIRE_TOOL(xmllint, "xmllint");
  TxevXMLNode2* rec = Load(
      "<dataroot><commentpanel-shown>true</commentpanel-shown>"
      "<record ID=\"1\">bare</record><record ID=\"2\">other</record></dataroot>");
  f.Frame.OpenRecord(rec);
  EXPECT_EQ(f.Memo.LineCount(), 0);
  EXPECT_EQ(f.Memo.GetCaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(f.View.Height, 80);
  EXPECT_TRUE(f.View.Shown);
  EXPECT_FALSE(f.View.OnTop);

  f.Memo.SetText(u"if (a<b) x;\r\n  y();");
  f.Memo.SetCaretXY({3, 2});
  f.Comments.SetText(U("see <b> \xC3\xA9"));
  f.View.Height = 123;
  f.Frame.StoreRecord();
  const std::string file = tmp.File("bank.xdb2");
  bank_.SaveToFile(file);

  const auto q = [&](const std::string& e) { return recordeditortest::XPath(xmllint, file, e); };
  EXPECT_EQ(testsupport::RunProcess(xmllint, {"--noout", file}).exitCode, 0);
  EXPECT_EQ(q("count(//*[@XPos and @YPos and @commentpanel-height=\"123\" and @commentpanel-shown=\"1\"])"), "1");
  EXPECT_EQ(q("string(//record[@ID=1]/@XPos)") + "," + q("string(//record[@ID=1]/@YPos)"), "3,2");
  EXPECT_EQ(q("string(//record[@ID=1]/commentpanel-alignment)"), "false");
  EXPECT_EQ(q("string(//record[@ID=1]/data)"), "if (a<b) x;\n  y();");  // xmllint reads CR LF as LF
  EXPECT_NE(testsupport::ReadFile(file).find("<![CDATA[if (a<b) x;"), std::string::npos);
  // The other record was never opened, so nothing was written into it.
  EXPECT_EQ(q("count(//record[@ID=2]/@*)"), "1");

  // Opening what was stored gives the same state back.
  TXMLDataBase2 reread;
  ASSERT_TRUE(reread.LoadFromFile(file));
  f.Frame.ClearEditor();
  f.Frame.OpenRecord(bank::FindNodeByID(reread.Root(), 1));
  EXPECT_EQ(f.Memo.GetText(), u"if (a<b) x;\r\n  y();");
  EXPECT_EQ(f.Comments.GetText(), U("see <b> \xC3\xA9"));
  EXPECT_EQ(f.Memo.GetCaretXY(), (TBufferCoord{3, 2}));
  EXPECT_EQ(f.View.Height, 123);
}

TEST_F(EditorFrame, StoredCaretAndPanelHeightAreKeptWithinReason) {
  struct Case {
    const char* attributes;
    TBufferCoord caret;
    int height;
  };
  // The text has two lines: "abc" and "xy".
  const Case cases[] = {
      {"XPos='2' YPos='2'", {2, 2}, 80},
      {"XPos='2147483647' YPos='1'", {4, 1}, 80},  // the line's end
      {"XPos='9' YPos='2147483647' commentpanel-height='2147483647'", {3, 2}, bank::kMaxCommentPanelHeight},
      {"XPos='-2147483648' YPos='-7' commentpanel-height='-2147483648'", {1, 1}, 0},
      {"XPos='0' YPos='0' commentpanel-height='120'", {1, 1}, 120},
  };
  for (const Case& c : cases) {
    f.Frame.OpenRecord(
        Load(std::string("<dataroot><record ID='1' ") + c.attributes + ">r<data>abc\r\nxy</data></record></dataroot>"));
    EXPECT_EQ(f.Memo.GetCaretXY(), c.caret) << c.attributes;
    EXPECT_EQ(f.View.Height, c.height) << c.attributes;
    // Typing at the caret adds what was typed, nothing more.
    f.Memo.CommandProcessor(ecChar, u'z');
    EXPECT_EQ(f.Memo.GetText().size(), 8u) << c.attributes;
  }
}

TEST_F(EditorFrame, LanguageOfTheStoredNumber) {
  struct Case {
    const char* stored;
    int number;
    const char* language;  // "" for plain text
  } cases[] = {{"abc", 0, "Memo"}, {"15", 0, "Memo"}, {"99", 0, "Memo"}, {"-1", -1, ""}, {"5", 5, "Pascal (Delphi)"}};
  for (const Case& c : cases) {
    TxevXMLNode2* rec = Load(std::string("<dataroot><folder ID=\"2\"><HighLight>") + c.stored +
                             "</HighLight><record ID=\"1\">r</record></folder></dataroot>");
    f.Frame.OpenRecord(rec);
    EXPECT_EQ(f.Frame.LanguageNumber(), c.number) << c.stored;
    EXPECT_EQ(f.Frame.Language() ? f.Frame.Language()->Name : "", c.language) << c.stored;
    EXPECT_EQ(f.Memo.Highlighter(), f.Frame.Language() ? f.Frame.Language()->Highlighter : nullptr) << c.stored;
  }
  EXPECT_EQ(f.Frame.Languages().size(), recordeditortest::ListedLanguageCount());
  EXPECT_EQ(f.Frame.Languages().back().Name, "UNIX Shell Script");
}

TEST_F(EditorFrame, CommentsPanelFollowsTheRecordThenTheNearestDefault) {
  struct Case {
    const char* root;    // children of dataroot
    const char* folder;  // children of the folder
    const char* attr;    // the record's own attribute
    bool shown, onTop;
  } cases[] = {
      {"<commentpanel-shown>true</commentpanel-shown>", "", " commentpanel-shown=\"0\"", false, false},
      {"<commentpanel-shown>false</commentpanel-shown>", "", "", false, false},
      {"<commentpanel-shown>false</commentpanel-shown>", "", " commentpanel-shown=\"1\"", true, false},
      {"<commentpanel-shown>TRUE</commentpanel-shown>", "", "", false, false},
      {"", "<commentpanel-alignment>1</commentpanel-alignment>", "", true, true},
      {"<commentpanel-alignment>true</commentpanel-alignment>",
       "<commentpanel-alignment>false</commentpanel-alignment>", "", true, false},
  };
  for (const Case& c : cases) {
    TxevXMLNode2* rec = Load(std::string("<dataroot>") + c.root + "<folder ID=\"2\">" + c.folder + "<record ID=\"1\"" +
                             c.attr + ">r</record></folder></dataroot>");
    f.Frame.OpenRecord(rec);
    EXPECT_EQ(f.View.Shown, c.shown) << c.root << c.folder << c.attr;
    EXPECT_EQ(f.View.OnTop, c.onTop) << c.root << c.folder << c.attr;
    f.Frame.StoreRecord();
    EXPECT_EQ(rec->GetAttribute("commentpanel-shown"), c.shown ? "1" : "0");
    EXPECT_EQ(rec->GetChildText("commentpanel-alignment"), c.onTop ? "true" : "false");
  }
  // Realigning moves the panel to the other side and shows it.
  f.Frame.SetCommentsShown(false);
  f.Frame.Execute(TEditorAction::AlignComments);
  EXPECT_TRUE(f.View.Shown);
  EXPECT_TRUE(f.View.OnTop);
}

TEST_F(EditorFrame, DroppedFileKeywordsAndClearing) {
  TxevXMLNode2* rec = Load("<dataroot><record ID=\"1\">r<keywords>a b</keywords></record></dataroot>");
  EXPECT_EQ(f.Frame.GetKeywords(), "");
  f.Frame.SetKeywords("lost");  // no record open: nothing to write into
  f.Frame.OpenRecord(rec);
  EXPECT_EQ(f.Frame.GetKeywords(), "a b");
  f.Frame.SetKeywords("c;d");
  EXPECT_EQ(bank::NodeKeywords(rec), "c;d");
  EXPECT_FALSE(f.Frame.IsModified());

  testsupport::WriteFile(tmp.File("one.txt"), "first\nfile");
  testsupport::WriteFile(tmp.File("two.txt"), "second");
  f.Memo.OnDropFiles(&f.Memo, 0, 0, {tmp.File("one.txt"), tmp.File("two.txt")});
  EXPECT_EQ(f.Memo.GetText(), u"first\r\nfile");
  EXPECT_TRUE(f.Frame.IsModified());

  // A file dropped in is read as UTF-16 after its mark, UTF-8 with or without its mark, and
  // Windows-1252 when it is not UTF-8.
  const struct {
    std::string bytes;
    std::u16string text;
  } encodings[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC\n2", u"caf\u00E9 \u20AC\r\n2"},
      {"\xEF\xBB\xBF\xE2\x82\xAC", u"\u20AC"},
      {"caf\xE9 \x80", u"caf\u00E9 \u20AC"},
      {"\xC3\x28", u"\u00C3("},                 // a broken sequence: not UTF-8
      {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},  // an encoded surrogate is not UTF-8 either
      {std::string("\xFF\xFE\xAC\x20x\0", 6), u"\u20ACx"},
      {std::string("\xFE\xFF\x20\xAC\0x", 6), u"\u20ACx"},
  };
  for (const auto& e : encodings) {
    testsupport::WriteFile(tmp.File("enc.txt"), e.bytes);
    f.Memo.OnDropFiles(&f.Memo, 0, 0, {tmp.File("enc.txt")});
    EXPECT_EQ(f.Memo.GetText(), e.text) << e.bytes;
  }

  f.Frame.ClearEditor();
  EXPECT_FALSE(f.Frame.IsModified());
  EXPECT_EQ(f.Memo.LineCount() + f.Comments.LineCount(), 0);
  f.Memo.SetText(u"x");
  f.Frame.SetEditorEnabled(false);
  EXPECT_EQ(f.Memo.LineCount(), 0);
  EXPECT_FALSE(f.View.Enabled);
  f.Frame.DetachRecord();
  f.Frame.StoreRecord();  // nothing is open any more
  EXPECT_EQ(rec->FindNode("data"), nullptr);
}

TEST_F(EditorFrame, FocusTimerStopsWhenFocusedOrRefused) {
  FakeEventLoop loop;
  ScopedEventLoop scoped(loop);
  TRecordingFrame g(set);  // its timer belongs to this loop
  struct Case {
    bool focused, visible, enabled, takes;
    int requests;
  } cases[] = {{true, true, true, false, 0},
               {false, true, true, true, 1},
               {false, true, true, false, 10},
               {false, false, true, false, 0},
               {false, true, false, false, 0}};
  for (const Case& c : cases) {
    g.MemoHost.HasFocus = c.focused;
    g.MemoHost.IsVisible = c.visible;
    g.View.Enabled = c.enabled;
    g.View.FocusTakes = c.takes;
    g.View.FocusRequests = 0;
    g.Frame.FocusEditor();
    // Asked at once (keys typed right after go into the code), then on the ticks while refused.
    EXPECT_EQ(g.View.FocusRequests, c.requests > 0 ? 1 : 0);
    EXPECT_EQ(g.Frame.FocusTimerRunning(), c.requests > 0);
    loop.Advance(5000);
    EXPECT_EQ(g.View.FocusRequests, c.requests);
    EXPECT_FALSE(g.Frame.FocusTimerRunning());
  }
}

TEST_F(EditorFrame, ActionStatesAndViewSettings) {
  MapSettings settings;
  f.MemoHost.HasFocus = false;
  f.View.Enabled = true;
  f.Memo.SetText(u"alpha beta");
  FindState().LastSearch.clear();
  using A = TEditorAction;
  auto enabled = [&](std::initializer_list<A> actions) {
    std::string on;
    for (A a : actions) on += f.Frame.ActionEnabled(a) ? '1' : '0';
    return on;
  };
  const auto all = {A::EditCut,          A::EditCopy,    A::CopyAll, A::FindInText,    A::FindNextText,
                    A::FindPreviousText, A::FindReplace, A::Print,   A::SaveContentsAs};
  EXPECT_EQ(enabled(all), "001000011");
  f.MemoHost.HasFocus = true;
  f.Frame.SetSettings(&settings);
  f.Memo.SetBlockBegin({1, 1});
  f.Memo.SetBlockEnd({3, 1});
  EXPECT_EQ(enabled(all), "111100011");
  FindState().LastSearch = "beta";
  EXPECT_EQ(enabled(all), "111111011");
  f.View.Enabled = false;
  EXPECT_EQ(enabled(all), "000111011");
  FindState().LastSearch.clear();

  settings.Values = {{"WordWrap", "1"}, {"LineNumbers", "0"}, {"SpecialChars", "1"}};
  f.Frame.LoadEditorSettings();
  EXPECT_TRUE(f.Memo.WordWrap());
  EXPECT_FALSE(f.Memo.Gutter().Visible());
  EXPECT_TRUE(f.Memo.HasOption(eoShowSpecialChars));
  f.Frame.Execute(A::SpecialChars);
  f.Frame.Execute(A::LineNumbers);
  f.Frame.SaveEditorSettings();
  EXPECT_EQ(settings.Values,
            (std::map<std::string, std::string>{{"WordWrap", "1"}, {"LineNumbers", "1"}, {"SpecialChars", "0"}}));

  // Page setup lasts for the run: no print option reaches the settings, not even one that shares a
  // view setting's name.
  const std::map<std::string, std::string> saved = settings.Values;
  TSynPadPrintOptions options = f.Frame.SynPadPrint().Options();
  for (bool TSynPadPrintOptions::*flag :
       {&TSynPadPrintOptions::LineNumbers, &TSynPadPrintOptions::Wrap, &TSynPadPrintOptions::Highlight,
        &TSynPadPrintOptions::Colors, &TSynPadPrintOptions::LineNumbersInMargin})
    options.*flag = !(options.*flag);
  f.Frame.SynPadPrint().SetOptions(options);
  f.Frame.SaveEditorSettings();
  EXPECT_EQ(settings.Values, saved);
}

TEST_F(EditorFrame, SaveAsFileOffersTheLanguagesFilterAndTheTitleAsName) {
  ScriptedUIServices ui;
  ScopedUIServices scoped(ui);
  struct Case {
    const char* highLight;
    const char* filter;
    const char* ext;
    const char* title;
  } cases[] = {{"4", "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp", ".c", "Save DataBank"},
               {"-1", "All files|*", "", "Save as file"}};
  for (const Case& c : cases) {
    TxevXMLNode2* rec =
        Load(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><dataroot><HighLight>") + c.highLight +
             "</HighLight><record ID=\"1\">a/b:c?<data>int x;\r\n// caf\xC3\xA9 \xE2\x82\xAC</data>"
             "</record></dataroot>");
    f.Frame.OpenRecord(rec);
    const std::string path = tmp.File(std::string("saved") + c.highLight);
    ui.PushSaveFile(path);
    f.Frame.Execute(TEditorAction::SaveContentsAs);
    const auto& call = ui.LastCall();
    EXPECT_EQ(call.fileOptions.filter, c.filter);
    EXPECT_EQ(call.fileOptions.defaultExt, c.ext);
    EXPECT_EQ(call.fileOptions.fileName, "a_b_c_");
    EXPECT_EQ(call.fileOptions.title, c.title);
    EXPECT_TRUE(call.fileOptions.overwritePrompt);
    // What the tools of this platform read: UTF-8 without a byte-order mark, LF line ends.
    EXPECT_EQ(testsupport::ReadFile(path + c.ext), "int x;\n// caf\xC3\xA9 \xE2\x82\xAC");
  }
  EXPECT_EQ(RecordFileName("q\"*/:<>?\\|\t z"), "q_________\t z");
  EXPECT_EQ(DefaultExtensionOfFilter("Any|*.*"), "");
}

TEST_F(EditorFrame, ContentMatchesOnlyRecordsWithCode) {
  TxevXMLNode2* folder = Load(
      "<dataroot><folder ID=\"1\">f<data>some code</data></folder><record ID=\"2\">some code</record>"
      "<record ID=\"3\">r<data>some code</data></record></dataroot>");
  TSearchForRec search;
  search.Text = "CODE";  // prepared as the filter prepares it
  EXPECT_FALSE(f.Frame.RecordContentMatches(folder, search));
  EXPECT_FALSE(f.Frame.RecordContentMatches(bank::FindNodeByID(bank_.Root(), 2), search));
  EXPECT_TRUE(f.Frame.RecordContentMatches(bank::FindNodeByID(bank_.Root(), 3), search));
}

TEST_F(EditorFrame, ProbeOpensARecordOfABankFileAndStoresIt) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string bankFile = tmp.File("probe.xdb2");
  testsupport::WriteFile(bankFile,
                         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><HighLight>5</HighLight>"
                         "<record ID=\"7\" XPos=\"3\">title<data>begin end;</data></record></dataroot>");
  const auto r = testsupport::RunProcess(testsupport::ProbePath("editprobe"), {"--record", bankFile, "7"},
                                         "lang\ncaret 6 1\nstore\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(r.out.substr(0, r.out.find('\n')), "5\tPascal (Delphi)");
  const std::string xml = r.out.substr(r.out.find('\n') + 1);
  const std::string stored = tmp.File("stored.xml");
  testsupport::WriteFile(stored, xml);
  EXPECT_EQ(recordeditortest::XPath(xmllint, stored, "string(/record/@XPos)"), "6");
  EXPECT_EQ(recordeditortest::XPath(xmllint, stored, "string(/record/data)"), "begin end;");
  EXPECT_EQ(recordeditortest::XPath(xmllint, stored, "string(/record/commentpanel-alignment)"), "false");
  EXPECT_NE(testsupport::RunProcess(testsupport::ProbePath("editprobe"), {"--record", bankFile, "8"}).exitCode, 0);
}

// The record is modified when its code or comments differ from what it held when opened (or last
// stored): moving about, selecting and scrolling are no change, nor is an edit undone or typed away.
TEST_F(EditorFrame, OnlyAChangedTextMarksTheRecordModified) {
  testsupport::WriteFile(tmp.File("same.txt"), "one\ntwo\nthree");
  testsupport::WriteFile(tmp.File("other.txt"), "other");
  auto type = [](TSynMemo& m) { m.CommandProcessor(ecChar, u'y'); };
  struct Case {
    const char* name;
    std::function<void(TRecordingFrame&)> run;
    bool modified;
  };
  const Case cases[] = {
      {"caret moved",
       [](TRecordingFrame& f) {
         for (TSynPadorCommand c : {ecDown, ecRight, ecEditorBottom, ecPageDown}) f.Memo.CommandProcessor(c, 0);
       },
       false},
      {"text selected",
       [](TRecordingFrame& f) {
         f.Memo.CommandProcessor(ecSelDown, 0);
         f.Memo.CommandProcessor(ecSelectAll, 0);
         f.Comments.CommandProcessor(ecSelectAll, 0);
       },
       false},
      {"scrolled",
       [](TRecordingFrame& f) {
         f.Memo.CommandProcessor(ecScrollDown, 0);
         f.Memo.SetTopLine(3);
       },
       false},
      {"code typed", [&](TRecordingFrame& f) { type(f.Memo); }, true},
      {"comments typed", [&](TRecordingFrame& f) { type(f.Comments); }, true},
      {"code typed, undone",
       [&](TRecordingFrame& f) {
         type(f.Memo);
         f.Memo.Undo();
       },
       false},
      {"comments typed, undone",
       [&](TRecordingFrame& f) {
         type(f.Comments);
         f.Comments.Undo();
       },
       false},
      {"code typed, undone, redone",
       [&](TRecordingFrame& f) {
         type(f.Memo);
         f.Memo.Undo();
         f.Memo.Redo();
       },
       true},
      {"code typed, deleted again",
       [&](TRecordingFrame& f) {
         type(f.Memo);
         f.Memo.CommandProcessor(ecDeleteLastChar, 0);
       },
       false},
      // What was stored is what an undo must be measured against.
      {"code typed, stored, undone",
       [&](TRecordingFrame& f) {
         type(f.Memo);
         f.Frame.StoreRecord();
         f.Frame.ClearModified();
         f.Memo.Undo();
       },
       true},
      {"keywords typed", [](TRecordingFrame& f) { f.Frame.MarkModified(); }, true},
      {"the same text dropped in",
       [&](TRecordingFrame& f) { f.Memo.OnDropFiles(&f.Memo, 0, 0, {tmp.File("same.txt")}); }, false},
      {"another text dropped in",
       [&](TRecordingFrame& f) { f.Memo.OnDropFiles(&f.Memo, 0, 0, {tmp.File("other.txt")}); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.Frame.ClearEditor();
    f.Frame.OpenRecord(
        Load("<dataroot><record ID=\"1\">r<data>one\r\ntwo\r\nthree</data><comments>c</comments></record></dataroot>"));
    EXPECT_FALSE(f.Frame.IsModified());
    c.run(f);
    EXPECT_EQ(f.Frame.IsModified(), c.modified);
    EXPECT_EQ(f.Frame.IsModified(), c.modified);  // asked again: the same answer
  }
}

TEST_F(EditorFrame, FindProposesSearchesOnAndReportsWhatItMissed) {
  MapSettings settings;
  f.Frame.SetSettings(&settings);
  std::vector<std::string> notices;
  f.Frame.OnNotify = [&](int kind, const std::string& text) { notices.push_back(std::to_string(kind) + " " + text); };
  f.Frame.OpenRecord(
      Load("<dataroot><record ID=\"1\">r<data>alpha beta\r\nbeta alpha\r\ngamma</data></record></dataroot>"));
  f.Memo.SetCaretXY({3, 1});
  std::string proposed;
  SetFindDialogRunner([&](WindowHandle, TFindDialogState& state) {
    proposed = state.Text;
    state.FromCursor = false;
    return true;
  });
  f.Frame.Execute(TEditorAction::FindInText);
  EXPECT_EQ(proposed, "alpha");
  EXPECT_EQ(f.Memo.BlockBegin(), (TBufferCoord{1, 1}));  // from the start: the whole text is searched
  EXPECT_EQ(settings.Values["FindOptions"], "00010000");
  f.Frame.Execute(TEditorAction::FindNextText);
  EXPECT_EQ(f.Memo.BlockBegin(), (TBufferCoord{6, 2}));
  // Backwards from the caret at the match's end: the match itself, then the one before it.
  f.Frame.Execute(TEditorAction::FindPreviousText);
  f.Frame.Execute(TEditorAction::FindPreviousText);
  EXPECT_EQ(f.Memo.BlockBegin(), (TBufferCoord{1, 1}));
  EXPECT_TRUE(notices.empty());
  f.Frame.Execute(TEditorAction::FindPreviousText);
  EXPECT_EQ(notices, std::vector<std::string>{"3 String \"alpha\" was not found!"});
  SetFindDialogRunner(nullptr);

  // The record filter's text, as the filter stored it.
  f.Memo.InternalSetCaretXYAndClearSelection({1, 1});
  settings.Values = {{"RecordSearchText", "GAMMA"}, {"RecordSearchCaseSensitive", "1"}};
  f.Frame.ShowRecordSearchMatch();
  EXPECT_FALSE(f.Memo.SelAvail());
  settings.Values["RecordSearchCaseSensitive"] = "0";
  f.Frame.ShowRecordSearchMatch();
  EXPECT_EQ(f.Memo.GetSelText(), u"gamma");
}

TEST_F(EditorFrame, CtrlClickOnALinkInTheCommentsOpensIt) {
  std::vector<std::u16string> opened;
  auto previousOpen = SetOpenUrlHook([&](std::u16string_view url) {
    opened.emplace_back(url);
    return true;
  });
  auto previousCtrl = SetControlKeyStateHook([] { return true; });
  f.CommentsHost.HasFocus = true;
  f.Frame.OpenRecord(
      Load("<dataroot><record ID=\"1\">r<comments>see www.example.org/x now</comments></record></dataroot>"));
  int x = 0, y = 0;
  f.Comments.RowColumnToPixels(f.Comments.BufferToDisplayPos({8, 1}), x, y);
  f.Comments.MouseDown(mbLeft, vk::ssCtrl, x + 2, y + 2);
  f.Comments.MouseUp(mbLeft, vk::ssCtrl, x + 2, y + 2);
  EXPECT_EQ(opened, std::vector<std::u16string>{u"http://www.example.org/x"});
  SetOpenUrlHook(previousOpen);
  SetControlKeyStateHook(previousCtrl);
}
