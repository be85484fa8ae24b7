// The main window on the offscreen platform: the keywords field, Save while anything is unsaved,
// the record title bar's switches, the popup styles and the two property dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <vector>

#include "AppTestSupport.h"
#include "OnModal.h"
#include "ScriptedUIServices.h"
#include "app/UMainRules.h"
#include "app/uPropertyDialogs.h"
#include "databank/gui/uBankInfo.h"
#include "databank/gui/uConfig.h"
#include "databank/gui/uSearchForRec.h"
#include "databank/gui/uSelectNodesForExport.h"
#include "databank/gui/uXMLBookmarkManager.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "highlighters/SynHighlighterCpp.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtUIServices.h"
#include "printing/gui/SynPageSetupDialog.h"
#include "protection/gui/uChangePass.h"
#include "protection/gui/uEnterFilePass.h"
#include "protection/gui/uSetPassword.h"
#include "recordeditor/FindReplaceDialogs.h"
#include "recordeditor/gui/uSynOptions.h"
#include "recordeditor/uFindReplace_syn.h"
#include "ui/InputDialog.h"
#include "ui/uNotifyPopup.h"
#include "xml/uXMLTools2.h"

namespace {

// Folder 1 holds C/C++ (4); its record 2 inherits it. Folder 3 has no language of its own.
const char* const kBank =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><HighLight>9</HighLight>"
    "<settings><NextNodeID>20</NextNodeID></settings>"
    "<folder ID=\"1\" expanded=\"1\">Code<HighLight>4</HighLight><keywords>fa</keywords>"
    "<record ID=\"2\" Image=\"20\">One<data>int x;</data><keywords>rk</keywords></record>"
    "<record ID=\"5\">Two<HighLight>2</HighLight></record></folder>"
    "<folder ID=\"3\" Image=\"4\">Other<record ID=\"4\">Three</record></folder></dataroot>";

class MainWindow : public apptest::MainWindowTest {
 protected:
  void SetUp() override { Open(kBank); }
  TxevXMLNode2* Node(int id) { return form->FindNodeByID(id); }
};

}  // namespace

TEST_F(MainWindow, KeywordsFieldShowsAndStoresTheSelectionsKeywords) {
  form->Editor = &editor;
  Select(1);
  EXPECT_EQ(form->eKeywords->text(), "fa");
  EXPECT_EQ(form->lKeywords->text(), "Keywords: fa");
  ClickOn(form->btnKeywords);
  EXPECT_TRUE(form->eKeywords->isVisible());
  form->eKeywords->setText("alpha beta");
  EXPECT_EQ(form->lKeywords->text(), "Keywords: alpha beta");
  // Kept when the selection moves to another folder, not only to a record.
  Select(3);
  EXPECT_EQ(bank::NodeKeywords(Node(1)), "alpha beta");
  EXPECT_EQ(form->lKeywords->text(), "no keywords");
  EXPECT_TRUE(form->Session().Modified());

  // A folder's keywords typed just before a save are in the file.
  form->eKeywords->setText("gamma");
  form->Action(TTreeAction::SaveBase)->trigger();
  form->Session().WaitForSave();
  EXPECT_EQ(apptest::XPath(BankFile(), "string(//folder[@ID='3']/keywords)"), "gamma");
  EXPECT_FALSE(form->Session().Modified());
  EXPECT_EQ(form->eKeywords->text(), "gamma");  // the folder is selected again after the save

  // A record's keywords go through the editor.
  Select(2);
  EXPECT_EQ(form->eKeywords->text(), "rk");
  form->eKeywords->setText("changed");
  Select(4);
  EXPECT_EQ(bank::NodeKeywords(Node(2)), "changed");
  EXPECT_EQ(form->eKeywords->text(), "");
}

TEST_F(MainWindow, SaveIsEnabledWhileAnythingIsUnsaved) {
  form->Editor = &editor;
  Select(2);
  QAction* save = form->Action(TTreeAction::SaveBase);
  form->UpdateActions();
  EXPECT_FALSE(save->isEnabled());
  EXPECT_FALSE(form->btnSaveBase->isEnabled());
  editor.Modified = true;  // typing in the code marks only the editor
  form->UpdateActions();
  EXPECT_TRUE(save->isEnabled());
  EXPECT_TRUE(form->btnSaveBase->isEnabled());
  save->trigger();
  EXPECT_FALSE(form->Session().Modified());
  form->UpdateActions();
  EXPECT_FALSE(save->isEnabled());
  form->eKeywords->setText("typed");  // keywords typed, not stored yet
  EXPECT_TRUE(save->isEnabled());
  form->eKeywords->setText("rk");
  EXPECT_FALSE(save->isEnabled());
}

TEST_F(MainWindow, CommentsOrKeywordsAloneAreAskedAboutBeforeTheDatabankGoes) {
  settingsSection()->WriteBool("AutoSave", false);
  form->Editor = &editor;
  editor.OnStore = [](TxevXMLNode2* record) { bank::SetRecordComments(record, "typed comment"); };
  Select(2);
  ui.PushMessageResult(platform::mrNo);
  form->Action(TTreeAction::NewBase)->trigger();
  const auto questions = ui.CallsOf(platform::ScriptedUIServices::Kind::Message);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text, "Data has been changed. Do you want to save?");
}

TEST_F(MainWindow, TitleBarSwitchesAndPopupStyles) {
  form->Editor = &editor;
  Select(1);
  EXPECT_FALSE(form->btnEditorToolbar->isEnabled());
  Select(2);
  EXPECT_TRUE(form->btnEditorToolbar->isEnabled());
  const int tag = form->btnEditorToolbar->property("Tag").toInt();
  editor.Calls.clear();
  form->miShowEditorToolbar->trigger();
  EXPECT_FALSE(form->btnEditorToolbar->Down());
  EXPECT_EQ(form->btnEditorToolbar->ImageIndex(), tag);
  EXPECT_FALSE(form->miShowEditorToolbar->isChecked());
  EXPECT_EQ(editor.Calls, std::vector<std::string>{"Toolbar 0"});
  ClickOn(form->btnEditorToolbar);
  EXPECT_EQ(form->btnEditorToolbar->ImageIndex(), tag + 1);
  EXPECT_TRUE(form->miShowEditorToolbar->isChecked());
  form->miShowEditorToolbar->trigger();
  Close();
  EXPECT_EQ(apptest::XPath(SettingsFile(), "string(/dataroot/ShowEditorToolbar)"), "0");

  struct Case {
    int kind;
    platform::TColor color, font;
    int time;
  };
  const platform::TColor keep = 0x123456;
  for (const Case& c : {Case{1, 0xE0E0FF, keep, 3000}, Case{2, 0x0000FF, 0xFFFFFF, 5000}, Case{3, 0xFFE0E0, keep, 2000},
                        Case{4, 0xE0FFE0, keep, 2000}, Case{5, 0xABCDEF, keep, 1234}, Case{0, 0xABCDEF, keep, 1234}}) {
    Open(kBank);
    TNotifyPopup popup(form.get());
    popup.SetColor(0xABCDEF);
    popup.SetFontColor(keep);
    popup.DisplayTime = 1234;
    form->StyleNotifyPopup(&popup, c.kind);
    EXPECT_EQ(popup.Color(), c.color) << c.kind;
    EXPECT_EQ(popup.FontColor(), c.font) << c.kind;
    EXPECT_EQ(popup.DisplayTime, c.time) << c.kind;
  }
  EXPECT_EQ(KeywordsLabelText("a b"), "Keywords: a b");
  // The label holds the start of long keywords only, cut between characters.
  const std::string euro = "\xE2\x82\xAC";
  for (const std::string& keywords : {std::string(kKeywordsLabelBytes, 'k'), std::string(1000000, 'k'),
                                      std::string(kKeywordsLabelBytes - 1, 'k') + euro, "k" + [&] {
                                        std::string many;
                                        while (many.size() < 1000000) many += euro;
                                        return many;
                                      }()}) {
    const std::string label = KeywordsLabelText(keywords);
    const std::string shown =
        label.substr(10, label.size() > kKeywordsLabelBytes + 10 ? label.size() - 13 : std::string::npos);
    EXPECT_EQ(label.rfind("Keywords: ", 0), 0u);
    EXPECT_LE(shown.size(), kKeywordsLabelBytes);
    EXPECT_EQ(keywords.rfind(shown, 0), 0u) << "the start of the keywords";
    EXPECT_TRUE(QString::fromStdString(shown).toStdString() == shown) << "a character cut";
    EXPECT_EQ(label.size() > kKeywordsLabelBytes + 10, keywords.size() > kKeywordsLabelBytes);
  }

  // The text of a notification keeps clear of its frame: no ink within 6 pixels of the border.
  TNotifyPopup* notFound = form->ShowNotify(kNotFoundPopupKind, NotFoundText("strnig"));
  const QImage img = notFound->grab().toImage();
  img.save(QString::fromStdString(testsupport::ArtifactDir() + "/not-found-popup.png"));
  QRect ink;
  for (int y = 1; y < img.height() - 1; ++y)
    for (int x = 1; x < img.width() - 1; ++x)
      if (img.pixelColor(x, y).lightness() < 160) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 6);
  EXPECT_GE(ink.top(), 6);
  EXPECT_LE(ink.right(), img.width() - 1 - 6);
  EXPECT_LE(ink.bottom(), img.height() - 1 - 6);
}

TEST_F(MainWindow, NodePropertiesKeepTheLanguageAsChosenAndMarkTheDatabankModified) {
  TLanguageList languages;
  highlighters->BuildLanguageList(languages);
  auto indexOf = [&](int tag) { return LanguageIndex(languages, tag); };
  constexpr int none = TItemProperties::kNoLanguage;
  // Each pass: what the dialog showed, then what the test chose.
  struct Answer {
    int language = -3;  // -3: left as shown
    int image = -1;
    std::string name;
  };
  TItemProperties shown;
  QString shownCaption;
  auto answer = [&](Answer a) {
    form->RunModal = [&, a](TfrmBaseForm& dialog) {
      auto& d = dynamic_cast<TfrmItemProperties&>(dialog);
      shown = d.Values();
      shownCaption = d.cbHighLighters->currentText();
      EXPECT_EQ(d.windowTitle(), "Node Properties");
      if (a.language != -3) d.SelectLanguage(a.language);
      if (a.image >= 0) d.cbImage->setCurrentIndex(a.image);
      if (!a.name.empty()) d.eName->setText(QString::fromStdString(a.name));
      SavePng("node-properties.png", &dialog);
      return platform::mrOk;
    };
    form->Tree->setFocus();
    form->Action(TTreeAction::RecordProperties)->trigger();
  };
  auto own = [&](int id) { return XMLPathReadString(Node(id), "HighLight", "(none)"); };

  // The combo shows the node's own language, "none" for a record that follows its folder, with the
  // language it shows in; OK with it unchanged cuts nothing off.
  Select(2);
  answer({});
  EXPECT_EQ(shown.Language, none);
  EXPECT_EQ(shownCaption.toStdString(), "none (inherits " + languages[size_t(indexOf(4))].Name + ")");
  EXPECT_EQ(shown.Image, 20);
  EXPECT_EQ(own(2), "(none)");
  EXPECT_TRUE(form->Session().Modified());
  Select(3);  // a top-level folder follows the databank
  answer({});
  EXPECT_EQ(shownCaption.toStdString(), "none (inherits " + languages[size_t(indexOf(9))].Name + ")");
  // A choice is stored as made, the folder's own language too; "none" follows the folder again.
  struct Case {
    int id, choice;
    const char* stored;
  };
  for (const Case& c : {Case{2, indexOf(9), "9"}, Case{2, indexOf(4), "4"}, Case{2, none, "(none)"},
                        Case{1, indexOf(9), "9"}, Case{5, -3, "2"}}) {
    SCOPED_TRACE(c.id);
    Select(c.id);
    answer({c.choice, -1, ""});
    EXPECT_EQ(own(c.id), c.stored);
  }
  EXPECT_EQ(shown.Language, indexOf(2));  // record 5's own language was shown
  // The folder keeps the databank's language as chosen when the databank's changes.
  form->RunModal = [&](TfrmBaseForm& dialog) {
    dynamic_cast<TfrmBankOptions&>(dialog).cbHighLighters->setCurrentIndex(indexOf(3));
    return platform::mrOk;
  };
  form->Action(TTreeAction::DatabaseSettings)->trigger();
  EXPECT_EQ(bank::InheritedHighLight(Node(2)), "9");
  // An own number that no entry shows is kept by an unchanged OK.
  XMLPathWriteString(Node(4), "HighLight", "-5");
  Select(4);
  answer({-3, -1, "Renamed"});
  EXPECT_EQ(shown.Language, TItemProperties::kUnlistedLanguage);
  EXPECT_EQ(own(4), "-5");
  EXPECT_EQ(Node(4)->Text(), "Renamed");
  EXPECT_EQ(TTreeWidget::ItemOf(form->ItemOf(Node(4)))->text(0), "Renamed");

  // The default picture is stored as no attribute; another one as its index.
  Select(2);
  answer({-3, 0, ""});
  EXPECT_EQ(Node(2)->GetAttribute("Image"), "");
  EXPECT_EQ(form->Tree->ImageOf(form->ItemOf(Node(2))), form->Images.DefaultDocImage);
  answer({-3, 3, ""});
  EXPECT_EQ(Node(2)->GetAttribute("Image"), std::to_string(form->Images.Ranges.RecordFirst + 3));

  // A folder: the closed pictures; the open one shows while it is open.
  Select(1);
  answer({-3, 2, ""});
  EXPECT_EQ(Node(1)->GetAttribute("Image"), std::to_string(form->Images.Ranges.FolderFirst + 4));
  EXPECT_EQ(form->Tree->ImageOf(form->ItemOf(Node(1))), form->Images.Ranges.FolderFirst + 5);
  // Cancelling changes nothing.
  Select(5);
  form->Session().SaveBank(BankFile());
  form->RunModal = [&](TfrmBaseForm& dialog) {
    shown = dynamic_cast<TfrmItemProperties&>(dialog).Values();
    return platform::mrCancel;
  };
  form->Action(TTreeAction::RecordProperties)->trigger();
  EXPECT_EQ(shown.Language, indexOf(2));
  EXPECT_FALSE(form->Session().Modified());
}

TEST_F(MainWindow, BankOptionsAreReadWrittenAndMarkTheDatabankModified) {
  TLanguageList languages;
  highlighters->BuildLanguageList(languages);
  Select(2);
  TBankOptions shown;
  form->RunModal = [&](TfrmBaseForm& dialog) {
    auto& d = dynamic_cast<TfrmBankOptions&>(dialog);
    shown = d.Values();
    EXPECT_EQ(d.windowTitle(), "Bank Options");
    d.eBankName->setText("Snippets");
    d.cbHighLighters->setCurrentIndex(LanguageIndex(languages, 3));
    d.chShowComments->setChecked(false);
    d.chCommentsUp->setChecked(true);
    d.cbFolderImage->setCurrentIndex(1);
    d.cbItemImage->setCurrentIndex(2);
    SavePng("bank-options.png", &dialog);
    return platform::mrOk;
  };
  form->Action(TTreeAction::DatabaseSettings)->trigger();
  EXPECT_EQ(shown.Name, "unnamed");
  EXPECT_EQ(shown.HighLight, 9);
  EXPECT_TRUE(shown.ShowComments);
  EXPECT_FALSE(shown.CommentsUp);
  EXPECT_EQ(shown.DefaultFolderImage, form->Images.Ranges.FolderFirst);
  EXPECT_TRUE(form->Session().Modified());
  EXPECT_EQ(form->windowTitle(), "Tessaryn - Snippets");
  const int folderImage = form->Images.Ranges.FolderFirst + 2, recordImage = form->Images.Ranges.RecordFirst + 2;
  EXPECT_EQ(form->Images.DefaultFolderImage, folderImage);
  // The tree shows the new default pictures at once (open folder 1: the open picture).
  EXPECT_EQ(form->Tree->ImageOf(form->ItemOf(Node(1))), folderImage + 1);
  EXPECT_EQ(form->Tree->ImageOf(form->ItemOf(Node(5))), recordImage);
  EXPECT_EQ(form->Tree->ImageOf(form->ItemOf(Node(2))), 20);
  form->Action(TTreeAction::SaveBase)->trigger();
  form->Session().WaitForSave();
  auto read = [&](const char* path) { return apptest::XPath(BankFile(), std::string("string(") + path + ")"); };
  EXPECT_EQ(read("/dataroot/settings/DataBaseName"), "Snippets");
  EXPECT_EQ(read("/dataroot/HighLight"), "3");
  EXPECT_EQ(read("/dataroot/commentpanel-shown"), "false");
  EXPECT_EQ(read("/dataroot/commentpanel-alignment"), "true");
  EXPECT_EQ(read("/dataroot/settings/DefaultFolderImage"), std::to_string(folderImage));
  EXPECT_EQ(read("/dataroot/settings/DefaultDocImage"), std::to_string(recordImage));

  // The next databank starts from the first pictures again.
  const std::string other = tmp.File("other.xdb2");
  testsupport::WriteFile(other, "<?xml version=\"1.0\"?>\r\n<dataroot><folder ID=\"1\">F</folder></dataroot>");
  form->Session().OpenBank(other);
  EXPECT_EQ(form->Images.DefaultFolderImage, form->Images.Ranges.FolderFirst);
  EXPECT_EQ(form->Images.DefaultDocImage, form->Images.Ranges.RecordFirst);
}

TEST_F(MainWindow, RendersWithTheCurtainBelowTheTitleBar) {
  Select(1);
  ClickOn(form->btnKeywords);
  QApplication::processEvents();
  EXPECT_TRUE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->pnlCurtain->parentWidget(), form->EditorPanel);
  EXPECT_GE(form->pnlCurtain->geometry().top(), form->pnlRecordTitle->geometry().bottom());
  EXPECT_GE(form->minimumWidth(), 610);
  SavePng("main-window-folder.png", form.get());
  SavePng("main-window-folder-200.png", form.get(), 2);
}

// A databank opened with nothing selected shows the curtain over the editor; a new databank
// leaves no keywords of the record before in the title bar; the tree's menu names its keys.
TEST_F(MainWindow, NothingSelectedShowsTheCurtainAndNoKeywords) {
  QApplication::processEvents();
  EXPECT_EQ(form->CurrentRecord, nullptr);
  EXPECT_TRUE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->pnlCurtain->text(), "No record selected!");
  SavePng("main-window-nothing-selected.png", form.get());

  Select(2);
  EXPECT_FALSE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->lKeywords->text(), "Keywords: rk");
  ui.PushMessageResult(platform::mrNo);  // not saved
  form->Action(TTreeAction::NewBase)->trigger();
  QApplication::processEvents();
  EXPECT_EQ(form->CurrentRecord, nullptr);
  EXPECT_TRUE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->eKeywords->text(), "");
  EXPECT_EQ(form->lKeywords->text(), "no keywords");

  for (QAction* action : form->TreeMenu->actions())
    if (!action->shortcut().isEmpty()) {
      EXPECT_TRUE(action->isShortcutVisibleInContextMenu()) << action->text().toStdString();
    }
  EXPECT_TRUE(form->miItemProperties->isVisible());
  EXPECT_EQ(form->miItemProperties->shortcut(), QKeySequence(QStringLiteral("Alt+Return")));
}

TEST_F(MainWindow, HighlightersPageSavesChangedSchemesThatTakeEffectAtOnce) {
  platform::Owned<TfrmConfig> dialog(platform::Construct<TfrmConfig>(form.get()));
  form->FillConfigDialog(dialog.get());
  TSynOptionsFrame* page = FindPageFrame<TSynOptionsFrame>(dialog.get());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(dialog->PageControl->tabText(dialog->PageControl->count() - 1), "Highlighters");
  TSynOptionsModel& model = page->Model();
  int cpp = -1;
  for (size_t i = 0; i < model.Languages().size(); ++i)
    if (model.Languages()[i].Component == "SynCppSyn") cpp = int(i);
  ASSERT_GE(cpp, 0);
  model.SelectLanguage(cpp);
  model.SelectElement(0);
  const std::string element = model.Elements()[0];
  model.SetFontColor(0x123456);
  form->StoreConfigDialog(dialog.get());
  dialog.reset();
  // The live highlighter has the new colour, and the settings file keeps it.
  TSynHighlighterAttributes* live = nullptr;
  for (int i = 0; i < highlighters->SynCppSyn->GetAttribCount(); ++i)
    if (highlighters->SynCppSyn->GetAttribute(i)->Name() == element) live = highlighters->SynCppSyn->GetAttribute(i);
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live->Foreground(), 0x123456);
  Close();
  EXPECT_NE(testsupport::ReadFile(SettingsFile()).find("563412"), std::string::npos);
}

TEST_F(MainWindow, TheRecordEditorJoinsTheWindow) {
  TEditorFrame& frame = form->CodeFrame->Frame();
  ASSERT_EQ(form->Editor, &frame);
  Select(2);
  EXPECT_EQ(frame.Memo.GetText(), u"int x;");
  EXPECT_EQ(frame.LanguageNumber(), 4);  // from its folder
  EXPECT_EQ(form->lKeywords->text(), "Keywords: rk");
  form->UpdateActions();
  EXPECT_FALSE(form->Session().Modified());
  EXPECT_FALSE(frame.IsModified());
  EXPECT_FALSE(form->Action(TTreeAction::SaveBase)->isEnabled());

  // Typing in the code: Save at once; the shared keys belong to the editor while it has the focus.
  form->activateWindow();
  form->CodeFrame->MemoWindow->setFocus();
  QApplication::processEvents();
  for (QChar c : QStringLiteral(" y;")) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(form->CodeFrame->MemoWindow, &key);
  }
  EXPECT_EQ(frame.Memo.GetText(), u" y;int x;");
  EXPECT_TRUE(form->Action(TTreeAction::SaveBase)->isEnabled());
  form->UpdateActions();
  EXPECT_TRUE(form->Action(TTreeAction::FilterTree)->shortcut().isEmpty());
  EXPECT_EQ(form->CodeFrame->Action(TEditorAction::FindInText)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
  form->Tree->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(form->Action(TTreeAction::FilterTree)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
  EXPECT_EQ(form->Action(TTreeAction::SearchNextRecord)->shortcut(), QKeySequence(QStringLiteral("F3")));
  SavePng("main-window-record.png", form.get());

  // Keywords typed for the record and the code go into it when the selection moves on.
  form->eKeywords->setText("rk more");
  Select(5);
  EXPECT_EQ(bank::RecordData(Node(2)), " y;int x;");
  EXPECT_EQ(bank::NodeKeywords(Node(2)), "rk more");
  EXPECT_EQ(frame.LanguageNumber(), 2);  // its own language
  EXPECT_TRUE(form->Session().Modified());
}

// Browsing is no edit: records without a stored caret, or with one at 0, show the text's start as
// 1, 1 does, and the real editor storing that back changes nothing. With auto-save off, closing then
// asks nothing.
TEST_F(MainWindow, BrowsingRecordsAsksNothingOnClose) {
  Open(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>9</NextNodeID></settings>"
      "<record ID=\"2\">No caret<data>int a;\r\nint b;</data></record>"
      "<record ID=\"3\" XPos=\"0\" YPos=\"0\">Zero caret<data>int c;</data></record>"
      "<record ID=\"4\" XPos=\"3\" YPos=\"2\">Own caret<data>int d;\r\nint e;</data></record>"
      "<record ID=\"5\">Unix lines<data>int f;\nint g;</data><comments>one\ntwo</comments></record></dataroot>");
  settingsSection()->WriteBool("AutoSave", false);
  for (int id : {2, 3, 4, 5, 2, 3, 4, 5, 2}) {
    Select(id);
    EXPECT_FALSE(form->Session().Modified()) << id;
  }
  form->UpdateActions();
  EXPECT_FALSE(form->Action(TTreeAction::SaveBase)->isEnabled());
  EXPECT_TRUE(form->Session().CloseForExit());  // what closing the window runs
  EXPECT_TRUE(ui.CallsOf(platform::ScriptedUIServices::Kind::Message).empty());
}

// Values a damaged file may hold, through the real main window (its record editor and splitter): a
// comments panel as high as int allows and a caret far beyond its line. The checked build stops at
// an overflowing sum; the caret is kept at the line's end, so one typed letter adds one letter.
TEST(MainWindowProbe, OutlandishStoredPanelHeightAndCaret) {
  testsupport::TempDir tmp;
  const std::string bank = tmp.File("odd.xdb2");
  testsupport::WriteFile(bank,
                         "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot><settings><LastPosition>1"
                         "</LastPosition></settings><record ID='1' commentpanel-height='2147483647' "
                         "commentpanel-shown='1' XPos='2147483647' YPos='2147483647'>r<data>abc\r\nxy</data>"
                         "<comments>c</comments></record></dataroot>");
  const auto run =
      testsupport::RunProcess(testsupport::ProbePath("treeprobe"), {"--main", bank}, "type z\nclose\n", 300);
  ASSERT_EQ(run.exitCode, 0) << run.err.substr(0, 3000);
  EXPECT_NE(testsupport::ReadFile(bank).find("<data>abc\r\nxyz</data>"), std::string::npos)
      << testsupport::ReadFile(bank).substr(0, 2000);
}

// Texts searched for in a databank with a password never reach the settings file in plain text:
// they are kept in memory while it is open. Settings written while it is open (the window closed
// over it) hold none of the texts searched during the run, not even those searched before its
// password was set. Without a password they are stored as before.
TEST_F(MainWindow, TextsSearchedInAProtectedDatabankStayOutOfTheSettingsFile) {
  std::string answer;
  const TFindDialogRunner previous = SetFindDialogRunner([&](platform::WindowHandle, TFindDialogState& s) {
    s.Text = answer;
    return true;
  });
  auto search = [&](const std::string& text) {
    answer = text;
    Select(2);
    form->activateWindow();
    form->CodeFrame->MemoWindow->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->CodeFrame->Frame().ActionEnabled(TEditorAction::FindInText));
    form->CodeFrame->Frame().Execute(TEditorAction::FindInText);
  };
  search("before-the-password");
  ui.PushSetPassword(platform::SetPasswordAnswer{"pw", "pw"});
  form->Action(TTreeAction::Lock)->trigger();
  ASSERT_EQ(form->Session().Password(), "pw");
  search("secret-one");
  search("secret-two");
  EXPECT_EQ(FindState().LastSearch, "secret-two");  // find next still has it
  form->Action(TTreeAction::SaveBase)->trigger();
  form->Session().WaitForSave();
  // Exit, as the user ends the program: the databank closes before the window writes its settings.
  form->actnExit->trigger();
  for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       form->Session().Bank() && std::chrono::steady_clock::now() < until;)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_EQ(form->Session().Bank(), nullptr) << "Exit did not close the databank";
  Close();
  std::string file = testsupport::ReadFile(SettingsFile());
  EXPECT_EQ(file.find("secret"), std::string::npos) << file;
  EXPECT_EQ(file.find("before-the-password"), std::string::npos) << file;

  ui.PushFilePassword("pw");
  Open(testsupport::ReadFile(BankFile()));  // the same databank, enciphered now
  ASSERT_EQ(form->Session().Password(), "pw");
  search("secret-three");
  ui.PushFilePassword("pw");
  form->Action(TTreeAction::Unlock)->trigger();
  ASSERT_EQ(form->Session().Password(), "");
  search("public-text");
  Close();
  SetFindDialogRunner(previous);
  file = testsupport::ReadFile(SettingsFile());
  EXPECT_EQ(file.find("secret"), std::string::npos) << file;
  EXPECT_EQ(apptest::XPath(SettingsFile(), "string(/dataroot/LastSearch)"), "public-text");
  EXPECT_EQ(apptest::XPath(SettingsFile(), "string(/dataroot/SearchInTextText)"), "public-text");
}

// ---------------------------------------------------------------------------------------------
// The window's controls, measured on pictures of them.

namespace {

// The ink of each column of image within rect (pixels unlike the rect's top-left one), from the
// first inked column on.
std::vector<int> InkColumns(const QImage& image, const QRect& rect) {
  std::vector<int> columns;
  const QRect r = rect.intersected(image.rect());
  const QRgb background = image.pixel(r.topLeft());
  for (int x = r.left(); x <= r.right(); ++x) {
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) ink += image.pixel(x, y) != background;
    if (ink > 0 || !columns.empty()) columns.push_back(ink);
  }
  return columns;
}

// How far two column profiles differ over the first n columns (the sum of the differences).
int ProfileDistance(const std::vector<int>& a, const std::vector<int>& b, size_t n) {
  int d = 0;
  for (size_t i = 0; i < n; ++i) d += std::abs((i < a.size() ? a[i] : 0) - (i < b.size() ? b[i] : 0));
  return d;
}

}  // namespace

// At the window's least usual width (760 pixels) with the keywords field shown, a long keyword list
// gives way at its end: "Keywords:" stays readable at the start of the label, as a label showing only
// that word draws it.
TEST_F(MainWindow, TheKeywordsFieldLeavesTheLabelsStartInSight) {
  form->resize(760, 540);
  Select(2);
  ClickOn(form->btnKeywords);
  form->eKeywords->setText("alpha beta gamma delta epsilon zeta eta theta iota kappa");
  QApplication::processEvents();
  ASSERT_GE(form->lKeywords->geometry().left(), form->eKeywords->geometry().right());
  // The label's columns of ink from its first one on: with the keywords, then with "Keywords:" alone.
  auto profile = [&] {
    QApplication::processEvents();
    return InkColumns(form->pnlRecordTitle->grab().toImage(), form->lKeywords->geometry().adjusted(0, 2, 0, -2));
  };
  const std::vector<int> shown = profile();
  SavePng("main-window-keywords-760.png", form->pnlRecordTitle);
  form->lKeywords->setText(QStringLiteral("Keywords:"));
  const std::vector<int> reference = profile();
  ASSERT_GT(reference.size(), 20u);
  int ink = 0;
  for (int c : reference) ink += c;
  EXPECT_LE(ProfileDistance(shown, reference, reference.size() - 2), ink / 10)
      << "the label does not start with \"Keywords:\"";
  form->eKeywords->setText("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda");
  EXPECT_TRUE(form->lKeywords->ShownText().startsWith(QStringLiteral("Keywords: alpha")));
  EXPECT_TRUE(form->lKeywords->ShownText().endsWith(QChar(0x2026)));
}

// The sample of the highlighter options draws as the record editor does, in its monospace font:
// the picture of a line of narrow letters and of a line of wide ones is the same in both, and the
// narrow letters fill their cells as a monospace face draws them.
TEST_F(MainWindow, TheHighlighterSampleIsMonospacedAsTheRecordEditor) {
  platform::Owned<TfrmConfig> dialog(platform::Construct<TfrmConfig>(form.get()));
  form->FillConfigDialog(dialog.get());
  TSynOptionsFrame* page = FindPageFrame<TSynOptionsFrame>(dialog.get());
  ASSERT_NE(page, nullptr);
  dialog->PageControl->setCurrentIndex(dialog->PageControl->count() - 1);
  dialog->show();
  Select(2);
  // The inked columns of each of the two lines of an editor's picture.
  auto lines = [](TSynPadWidget* editor) {
    editor->Editor().SetHighlighter(nullptr);
    editor->Editor().SetText(u"iiiiiiiiii\r\nWWWWWWWWWW");
    editor->Editor().SetTopLine(1);
    editor->Editor().SetLeftChar(1);
    QApplication::processEvents();
    const QImage image = editor->viewport()->grab().toImage();
    const int height = editor->Editor().LineHeight();
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    std::array<std::vector<int>, 2> inked;
    for (int row = 0; row < 2; ++row)
      for (int x = 0; x < image.width(); ++x)
        for (int y = row * height; y < (row + 1) * height && y < image.height(); ++y)
          if (image.pixel(x, y) != background) {
            inked[size_t(row)].push_back(x);
            break;
          }
    return inked;
  };
  const auto sample = lines(page->SynPadDemo);
  const auto record = lines(form->CodeFrame->MemoWindow);
  SavePng("highlighter-sample-font.png", page->SynPadDemo);
  EXPECT_EQ(sample[0].size(), record[0].size());
  EXPECT_EQ(sample[1].size(), record[1].size());
  EXPECT_GT(sample[0].size() * 10, sample[1].size() * 4) << sample[0].size() << " " << sample[1].size();
}

// Node Properties refuses an empty name with a message and shows the old name again; OK then keeps
// it, so the tree never shows an empty row.
TEST_F(MainWindow, NodePropertiesRefuseAnEmptyName) {
  Select(2);
  form->RunModal = [](TfrmBaseForm& dialog) { return dialog.ShowModal(); };
  bool answered = false;
  OnModal<TfrmItemProperties>([&](TfrmItemProperties* d) {
    answered = true;
    d->eName->setText(" \t ");
    d->btnOk->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(ui.CallsOf(platform::ScriptedUIServices::Kind::Message).size(), 1u);
    EXPECT_EQ(ui.LastCall().text, bank::SEmptyTitle);
    EXPECT_EQ(d->eName->text(), "One");
    d->btnOk->click();
  });
  form->Tree->setFocus();
  form->Action(TTreeAction::RecordProperties)->trigger();
  EXPECT_TRUE(answered);
  EXPECT_EQ(Node(2)->Text(), "One");
  EXPECT_EQ(TTreeWidget::ItemOf(form->ItemOf(Node(2)))->text(0), "One");
}

// The dialogs of the window open centred on it after it was moved, and leave the forms' shared
// position keys alone: those hold the main window's own place, which is no place for a dialog. The
// Save Bookmark box is the program's real input box, asked for without an owner as the command asks.
TEST_F(MainWindow, DialogsOpenCentredOnTheWindow) {
  // Inside the 800x600 offscreen screen but away from its centre: a dialog that remembers its place is
  // pulled back inside the screen a moment after it shows, which would move it off a window that reached
  // past the screen's edge.
  form->setGeometry(0, 0, 700, 560);
  settingsSection()->WriteInteger("posLeft", 0);
  settingsSection()->WriteInteger("posTop", 0);
  form->RunModal = [](TfrmBaseForm& dialog) { return dialog.ShowModal(); };
  platform::QtUIServices real;
  InstallInputDialog(real);
  const struct {
    const char* title;
    std::function<void()> open;
  } cases[] = {
      {"Node Properties", [&] { form->Action(TTreeAction::RecordProperties)->trigger(); }},
      {"Bank Options", [&] { form->Action(TTreeAction::DatabaseSettings)->trigger(); }},
      {"Select nodes to export",
       [&] {
         ui.PushSaveFile(tmp.File("export.xdb2"));
         form->Action(TTreeAction::Export)->trigger();
       }},
      {"Program Configuration", [&] { form->Action(TTreeAction::Settings)->trigger(); }},
      {"Manage Favourites", [&] { form->ManageBookmarks(); }},
      {"Save Bookmark",
       [&] {
         platform::ScopedUIServices useReal(real);
         form->SaveBookmark();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    Select(2);
    bool seen = false;
    OnModal<QDialog>([&](QDialog* d) {
      seen = true;
      QApplication::processEvents();
      EXPECT_EQ(d->windowTitle().toStdString(), c.title);
      const QPoint off = d->frameGeometry().center() - form->frameGeometry().center();
      EXPECT_LE(off.manhattanLength(), 4) << "at " << d->x() << "," << d->y();
      d->reject();
    });
    c.open();
    EXPECT_TRUE(seen);
    EXPECT_EQ(settingsSection()->ReadInteger("posLeft", -1), 0);
    EXPECT_EQ(settingsSection()->ReadInteger("posTop", -1), 0);
  }
}

namespace {

// Texts kept in a file that a Qt field could cut or change by showing them: longer than a line
// edit's default limit, much longer, ending (and starting) in blanks, with line ends of each kind
// inside, beyond the code page.
std::vector<std::pair<std::string, std::string>> StoredTexts() {
  std::string words, huge;
  for (int i = 0; words.size() < 40000; ++i) words += "kw" + std::to_string(i) + (i % 7 ? " " : ", ");
  words.resize(40000);
  words.back() = 'z';
  for (int i = 0; huge.size() < 1000000; ++i) huge += "word" + std::to_string(i % 1000) + ";";
  huge.resize(1000000);
  return {{"40,000 characters", words},
          {"1,000,000 characters", huge},
          {"blanks at both ends", "  alpha beta \t "},
          {"line ends inside", "one\r\ntwo\nthree\rfour "},
          {"beyond the code page",
           "Gr\xC3\xBC\xC3\x9F"
           "e \xF0\x9F\x98\x80 end "}};
}

// The bank of the round trips: folder 1 holds records 2 (its code "int x;") and 3; the text goes into
// what field names (through our own writer, as a save stores it).
std::string BankWith(const std::string& field, const std::string& text) {
  TXMLDataBase2 bank;
  EXPECT_TRUE(bank.LoadEncodedXML(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>9</NextNodeID></settings>"
      "<folder ID=\"1\" expanded=\"1\">Code<keywords>fa</keywords><record ID=\"2\">One<data>int x;</data>"
      "<keywords>rk</keywords></record><record ID=\"3\">Two<data>int y;</data></record></folder></dataroot>"));
  TxevXMLNode2* folder = bank.Root()->FindNode("folder");
  TxevXMLNode2* record = folder->FindNode("record");
  if (field == "record keywords") bank::SetNodeKeywords(record, text);
  if (field == "folder keywords") bank::SetNodeKeywords(folder, text);
  if (field == "title") bank::SetNodeTitle(record, text);
  if (field == "code") bank::SetRecordData(record, text);
  if (field == "comments") bank::SetRecordComments(record, text);
  if (field == "name") bank.WriteString(bank::skDataBaseName, text);
  if (field == "filter text") bank.WriteString(bank::skRecordSearchText, text);
  testsupport::TempDir dir;
  bank.SaveToFile(dir.File("b.xdb2"));
  return testsupport::ReadFile(dir.File("b.xdb2"));
}

}  // namespace

// Every field that shows text kept in the databank gives it back byte for byte when the user only
// looked at it: the keywords field (of a record, of a folder), the tree's label editor (F2, then
// Enter), the node properties and the databank properties (OK without a change), and the filter
// dialog (OK on the text it shows), the record's code and comments in the editor. Opened, shown, saved
// and read back, for texts beyond the line edit's default limit, with blanks at the ends, with line
// ends inside and beyond the code page.
// A Qt line edit used to cut at 32,767 characters, and a look at long keywords was a change.
TEST_F(MainWindow, EveryFieldGivesBackTheStoredTextItShowed) {
  struct Field {
    std::string name;
    std::function<void()> show;  // with record 2 selected
    std::function<std::string(TXMLDataBase2&)> read;
    bool look = false;  // showing it is a look only: the databank is not modified
  };
  auto record = [](TXMLDataBase2& b) { return b.Root()->FindNode("folder")->FindNode("record"); };
  const Field fields[] = {
      {"record keywords", [&] { Select(3); }, [&](TXMLDataBase2& b) { return bank::NodeKeywords(record(b)); }, true},
      {"folder keywords",
       [&] {
         Select(1);
         Select(3);
       },
       [](TXMLDataBase2& b) { return bank::NodeKeywords(b.Root()->FindNode("folder")); }, true},
      {"title",
       [&] {
         form->Action(TTreeAction::RenameItem)->trigger();
         QLineEdit* editor = form->Tree->viewport()->findChild<QLineEdit*>();
         ASSERT_NE(editor, nullptr);
         QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
         QApplication::sendEvent(editor, &enter);
         QApplication::processEvents();
         ASSERT_FALSE(form->Tree->IsEditing());
       },
       [&](TXMLDataBase2& b) { return record(b)->Text(); }, true},
      {"title",
       [&] {
         form->RunModal = [](TfrmBaseForm&) { return platform::mrOk; };
         form->Tree->setFocus();
         form->Action(TTreeAction::RecordProperties)->trigger();
       },
       [&](TXMLDataBase2& b) { return record(b)->Text(); }},
      {"name",
       [&] {
         form->RunModal = [](TfrmBaseForm&) { return platform::mrOk; };
         form->Action(TTreeAction::DatabaseSettings)->trigger();
       },
       [](TXMLDataBase2& b) { return b.ReadString(bank::skDataBaseName, ""); }},
      {"filter text",
       [&] {
         OnModal<TfrmSearchForRec>([](TfrmSearchForRec* d) { d->btnOK->click(); });
         form->Action(TTreeAction::FilterTree)->trigger();
       },
       [](TXMLDataBase2& b) { return b.ReadString(bank::skRecordSearchText, ""); }},
      // The editor shows every line end as its own; the record keeps the ones it had.
      {"code", [&] { Select(3); }, [&](TXMLDataBase2& b) { return bank::RecordData(record(b)); }, true},
      {"comments", [&] { Select(3); }, [&](TXMLDataBase2& b) { return bank::RecordComments(record(b)); }, true},
  };
  for (const Field& f : fields) {
    for (const auto& [what, text] : StoredTexts()) {
      SCOPED_TRACE(f.name + ", " + what);
      Open(BankWith(f.name, text));
      settingsSection()->WriteBool("AutoSave", false);
      Select(2);
      f.show();
      if (f.look) {
        EXPECT_FALSE(form->AnythingUnsaved() || form->Session().Modified()) << "a look is a change";
      }
      form->Session().SaveBank(BankFile());
      TXMLDataBase2 saved;
      ASSERT_TRUE(saved.LoadFromFile(BankFile()));
      const std::string back = f.read(saved);
      EXPECT_EQ(back.size(), text.size());
      EXPECT_TRUE(back == text) << back.substr(0, 80);
    }
  }
}

// No line edit of the program cuts what it is given or what is typed into it: each one of the window
// (the label editor of the tree included) and of every dialog holds more than a line edit's default
// 32,767 characters. (The find dialog's search text keeps its own limit of 3,999 characters.)
TEST_F(MainWindow, NoLineEditCutsItsText) {
  Select(2);
  form->Action(TTreeAction::RenameItem)->trigger();
  ASSERT_TRUE(form->Tree->IsEditing());
  std::vector<platform::Owned<platform::TLifecycle>> forms;
  std::vector<std::unique_ptr<QWidget>> dialogs;
  std::vector<std::pair<std::string, QWidget*>> windows = {{"main window", form.get()}};
  auto add = [&]<class T>(const char* name, T* made) {
    forms.emplace_back(made);
    windows.emplace_back(name, made);
  };
  add("Bank Options", platform::Construct<TfrmBankOptions>(form.get()));
  add("Node Properties", platform::Construct<TfrmItemProperties>(form.get()));
  add("Program Configuration", platform::Construct<TfrmConfig>(form.get()));
  add("DataBank Info", platform::Construct<TfrmBankInfo>(form.get()));
  add("Select nodes to export", platform::Construct<TfrmSelectExport>(form.get()));
  add("Enter Password", platform::Construct<TfrmEnterPass>(form.get()));
  add("file password", platform::Construct<TfrmEnterFilePass>(form.get()));
  add("Set Password", platform::Construct<TfrmSetPassword>(form.get()));
  add("Change Password", platform::Construct<TfrmChangePass>(form.get()));
  add("Page Setup", platform::Construct<TdlgPageSetup>(form.get()));
  dialogs.emplace_back(new TfrmSearchForRec(form.get()));
  windows.emplace_back("Filter Records", dialogs.back().get());
  dialogs.emplace_back(new TInputDialog(form.get(), "Save Bookmark", "Name", ""));
  windows.emplace_back("input box", dialogs.back().get());
  for (const auto& [name, window] : windows) {
    const QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
    EXPECT_FALSE(edits.isEmpty()) << name;
    for (const QLineEdit* edit : edits)
      EXPECT_EQ(edit->maxLength(), INT_MAX)
          << name << ": " << edit->objectName().toStdString() << " in " << edit->parent()->objectName().toStdString();
  }
}

// The record selected at start (the databank's last position) shows with its folder where both fit,
// and a stored selection deep in the tree leaves the narrow pane unscrolled sideways: its folders
// stay in sight.
TEST_F(MainWindow, TheSelectionAtStartShowsWithItsFolderAndTheFolders) {
  std::string nodes;
  int id = 10;
  for (int f = 0; f < 200; ++f) {
    nodes += "<folder ID=\"" + std::to_string(id++) + "\"" + (f == 40 ? " expanded=\"1\"" : "") + ">Folder " +
             std::to_string(f);
    for (int r = 0; r < 5; ++r)
      nodes += "<record ID=\"" + std::to_string(id++) + "\">Record " + std::to_string(f) + "." + std::to_string(r) +
               "<data>x</data></record>";
    nodes += "</folder>";
  }
  const int folder = 10 + 40 * 6, record = folder + 4;
  auto bank = [&](int last, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>9999</NextNodeID>"
           "<LastPosition>" +
           std::to_string(last) + "</LastPosition></settings>" + body + "</dataroot>";
  };
  Open(bank(record, nodes));
  form->resize(760, 540);
  form->show();
  QApplication::processEvents();
  TTreeWidget* tree = form->Tree;
  ASSERT_EQ(bank::NodeID(form->SelectedNode()), record);
  const QRect view = tree->viewport()->rect();
  auto rowOf = [&](int nodeID) {
    return tree->visualItemRect(TTreeWidget::ItemOf(form->ItemOf(form->FindNodeByID(nodeID))));
  };
  EXPECT_TRUE(view.contains(rowOf(record))) << rowOf(record).y();
  EXPECT_TRUE(view.contains(rowOf(folder))) << rowOf(folder).y();
  SavePng("start-selection-with-folder.png", form.get());

  std::string deep;
  for (int d = 0; d < 18; ++d)
    deep += "<folder ID=\"" + std::to_string(10 + d) + "\" expanded=\"1\">Nested folder level " + std::to_string(d);
  deep += "<record ID=\"50\">The deep record with a long title<data>x</data></record>";
  for (int d = 0; d < 18; ++d) deep += "</folder>";
  Open(bank(50, deep));
  form->resize(760, 540);
  form->show();
  QApplication::processEvents();
  tree = form->Tree;
  ASSERT_EQ(bank::NodeID(form->SelectedNode()), 50);
  EXPECT_EQ(tree->horizontalScrollBar()->value(), 0);
  EXPECT_GE(rowOf(10).left(), 0);
  SavePng("start-selection-deep.png", form.get());
}

// The filter's status line at the pane's width as the program starts: a short pattern shows whole,
// the words " Filter: " and " as:" giving way first where the line does not fit; a long one is
// shortened in its middle. The whole line is the hint of each part.
TEST_F(MainWindow, TheFilterStatusLineShowsAShortPatternWhole) {
  form->resize(760, 540);
  form->show();
  QApplication::processEvents();
  struct Case {
    const char* pattern;
    bool caseSensitive, wholeWords;
    int type;  // the button id: 0 phrase .. 3 regular expression
    bool whole;
  } cases[] = {{"bar (x) y 42", true, true, 3, true},
               {"one", false, false, 0, true},
               {"a long pattern that no narrow pane could show in full", true, false, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    OnModal<TfrmSearchForRec>([&](TfrmSearchForRec* d) {
      d->Edit->setEditText(QString::fromLatin1(c.pattern));
      d->Words->button(c.type)->setChecked(true);
      d->chCaseSensitive->setChecked(c.caseSensitive);
      d->chWhole->setChecked(c.wholeWords);
      d->btnOK->click();
    });
    form->Tree->setFocus();
    form->Action(TTreeAction::FilterTree)->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(form->FilterStatus->isVisible());
    const QString quoted = "\"" + QString::fromLatin1(c.pattern) + "\"";
    EXPECT_EQ(form->lFilterText->text(), quoted);
    if (c.whole) {
      EXPECT_EQ(form->lFilterText->ShownText(), quoted);
    } else {
      EXPECT_NE(form->lFilterText->ShownText(), quoted);
      EXPECT_TRUE(form->lFilterText->ShownText().contains(QChar(0x2026)));
    }
    EXPECT_TRUE(form->lFilterType->isVisible());
    EXPECT_EQ(form->lCaseSensitive->isVisible(), c.caseSensitive);
    EXPECT_TRUE(form->FilterStatus->toolTip().contains(quoted));
    SavePng(std::string("filter-status-") + (c.whole ? "short" : "long") + ".png", form->FilterStatus);
  }
}
