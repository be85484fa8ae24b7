// The tree window's decisions, driven without a window: a fake tree widget with the real widget's
// event rules, a recording editor, scripted answers and an in-memory clipboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "TestTree.h"
#include "databank/uNodeClipboard.h"
#include "platform/SharedWork.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

TEST_F(TreeCore, EveryContentChangeMarksTheDatabankModified) {
  struct Case {
    const char* name;
    std::function<void(TestTree&)> run;
    const char* shape;
  };
  const Case cases[] = {
      {"new folder, label edit cancelled",
       [](TestTree& t) {
         t.Select(3);
         t.NewFolder();
         t.view.CancelEdit();
       },
       "1(2 3(4 20()) 5) 6 7()"},
      {"new record",
       [](TestTree& t) {
         t.Select(3);
         t.NewRecord();
         t.view.FinishEdit("R");
       },
       "1(2 3(4 20) 5) 6 7()"},
      {"rename",
       [](TestTree& t) {
         t.Select(2);
         t.RenameNode();
         t.view.FinishEdit("Renamed");
       },
       "1(2 3(4) 5) 6 7()"},
      {"delete, answered yes",
       [](TestTree& t) {
         t.ui.PushMessageResult(platform::mrYes);
         t.Select(5);
         t.DeleteNode();
       },
       "1(2 3(4)) 6 7()"},
      {"delete, answered no",
       [](TestTree& t) {
         t.ui.PushMessageResult(platform::mrNo);
         t.Select(5);
         t.DeleteNode();
       },
       "1(2 3(4) 5) 6 7()"},
      {"move up",
       [](TestTree& t) {
         t.Select(5);
         t.MoveNodeUp();
       },
       "1(2 5 3(4)) 6 7()"},
      {"move down",
       [](TestTree& t) {
         t.Select(2);
         t.MoveNodeDown();
       },
       "1(3(4) 2 5) 6 7()"},
      // The targets below are open already: opening one is a change of the view alone.
      {"drag onto a folder", [](TestTree& t) { t.DropNode(t.Node(6), t.Node(3)); }, "1(2 3(4 6) 5) 7()"},
      {"paste a copy",
       [](TestTree& t) {
         t.Select(2);
         t.CopyNode();
         t.Select(3);
         t.PasteNode();
       },
       "1(2 3(4 20) 5) 6 7()"},
      {"cut and paste",
       [](TestTree& t) {
         t.Select(6);
         t.CutNode();
         t.Select(3);
         t.PasteNode();
       },
       "1(2 3(4 6) 5) 7()"},
      {"duplicate",
       [](TestTree& t) {
         t.Select(4);
         t.DuplicateNode();
       },
       "1(2 3(4 20) 5) 6 7()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = Open();
    c.run(*t);
    EXPECT_TRUE(t->Modified());
    EXPECT_EQ(t->Shape(), c.shape);
    t->ExpectConsistent();
  }
}

// Changes of the view alone (a folder closed or opened, another node selected, the caret of the open
// record moved) mark nothing, and closing asks nothing. With "AutoSave" (and a file name) the close
// writes them; without it they go and the file stays as it was; and when another program changed
// the file meanwhile they go too, leaving its file alone (no conflict copy for a view). An open that
// selects record 2 again, inside folder 1 closed in the file, is no view change: the tree opens
// the folder to show it, and the file stays as it was.
TEST_F(TreeCore, ViewChangesAloneAreWrittenByTheCloseWithAutoSave) {
  std::string xml = FixtureXML(false);
  xml.replace(xml.find("</settings>"), 0, "<LastPosition>2</LastPosition>");
  struct Case {
    const char* name;
    std::function<void(TestTree&)> run;
    const char* kept;  // in the file a close with auto-save writes
  };
  const Case cases[] = {
      {"nothing", [](TestTree&) {}, nullptr},
      {"a folder opened", [](TestTree& t) { t.view.SetExpanded(t.ItemOf(t.Node(3)), true); },
       "<folder ID='3' expanded='1'>"},
      {"a folder closed", [](TestTree& t) { t.view.SetExpanded(t.ItemOf(t.Node(1)), false); },
       "<folder ID='1' expanded='0'>"},
      {"full expand", [](TestTree& t) { t.FullExpand(); }, "<folder ID='7' expanded='1'>"},
      {"another node selected", [](TestTree& t) { t.Select(6); }, "<LastPosition>6</LastPosition>"},
      {"the caret moved",
       [](TestTree& t) { t.editor.OnStore = [](TxevXMLNode2* r) { XMLSetAttrInteger(r, "YPos", 9); }; }, "YPos='9'"},
  };
  enum class TMode { AutoSave, NoAutoSave, ChangedElsewhere };
  for (const Case& c : cases) {
    for (const TMode mode : {TMode::AutoSave, TMode::NoAutoSave, TMode::ChangedElsewhere}) {
      SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(static_cast<int>(mode)));
      for (const auto& entry : std::filesystem::directory_iterator(tmp.Path())) std::filesystem::remove(entry);
      auto t = Open(xml);
      ASSERT_EQ(t->SelectedID(), 2);
      t->settings.Values["AutoSave"] = mode == TMode::NoAutoSave ? "0" : "1";
      const std::string path = t->Session().FileName(), before = testsupport::ReadFile(path);
      c.run(*t);
      t->Session().AutoSaveTick();
      EXPECT_FALSE(t->Modified());
      EXPECT_EQ(testsupport::ReadFile(path), before) << "auto-save wrote a view";
      const std::string other = "<?xml version=\"1.0\"?>\r\n<dataroot><record ID=\"1\">Theirs</record></dataroot>";
      if (mode == TMode::ChangedElsewhere) testsupport::WriteFile(path, other);
      EXPECT_FALSE(t->Session().CloseWouldAsk());
      EXPECT_TRUE(t->Session().CloseForExit());
      EXPECT_TRUE(t->ui.Calls().empty());
      const std::string after = testsupport::ReadFile(path);
      if (mode == TMode::ChangedElsewhere) {
        EXPECT_EQ(after, other);
      } else if (mode == TMode::NoAutoSave || !c.kept) {
        EXPECT_EQ(after, before);
      } else {
        EXPECT_NE(after.find(c.kept), std::string::npos) << after;
      }
      size_t files = 0;
      for (const auto& entry : std::filesystem::directory_iterator(tmp.Path())) files += entry.is_regular_file();
      EXPECT_EQ(files, mode == TMode::AutoSave && c.kept ? 2u : 1u) << "no backup, no conflict copy";
    }
  }
}

TEST_F(TreeCore, PastedNodesGetFreshIDsInPreOrderAndAreSelected) {
  auto t = Open();
  t->Select(1);
  t->CopyNode();
  const std::string block = *clipboard.Read(kXMLNodeFormat);
  EXPECT_EQ(block.rfind("<folder", 0), 0u);
  EXPECT_EQ(block.find('\0'), block.size() - 1);  // exactly one NUL, at the end
  t->Select(7);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 6 7(20(21 22(23) 24))");
  EXPECT_EQ(t->SelectedID(), 20);
  EXPECT_EQ(t->Session().NextNodeID, 25);
  EXPECT_EQ(bank::NodeKeywords(t->Node(20)), "a");  // the whole subtree came along
  t->ExpectConsistent();
}

// Copy Node freezes the node and makes its block only when somebody reads it; a paste in this program
// takes the frozen node itself, so a large subtree is copied, pasted and duplicated without its text
// being made or parsed (a Duplicate of 61,000 records blocked the window for most of a second).
// Edits after the copy reach neither the paste nor the block, which another program reading it gets
// as the node's text.
TEST_F(TreeCore, CopyAndPasteInThisProgramMakeNoText) {
  struct CountingClipboard : platform::MemoryClipboard {
    mutable int reads = 0;
    std::optional<std::string> Read(const std::string& format) const override {
      ++reads;
      return MemoryClipboard::Read(format);
    }
  } counting;
  platform::IClipboard* fixture = platform::SetClipboard(&counting);
  auto t = Open();
  t->Select(1);
  const std::string block = XMLNodePayload(*t->Bank()->Document(), t->Node(1));
  t->CopyNode();
  bank::SetNodeKeywords(t->Node(1), "changed after the copy");
  t->Select(7);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 6 7(20(21 22(23) 24))");
  EXPECT_EQ(bank::NodeKeywords(t->Node(20)), "a");
  t->Select(2);
  t->DuplicateNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5 25) 6 7(20(21 22(23) 24))");
  t->Select(4);
  t->CutNode();
  EXPECT_EQ(t->MarkedCutNode(), t->Node(4));
  t->Select(6);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3() 5 25) 4 6 7(20(21 22(23) 24))");
  EXPECT_EQ(counting.reads, 0) << "the node's text was made or read";
  t->ExpectConsistent();
  t->Select(1);
  t->CopyNode();
  const std::string copied = XMLNodePayload(*t->Bank()->Document(), t->Node(1));
  bank::SetNodeKeywords(t->Node(1), "changed again");
  EXPECT_EQ(*counting.Read(kXMLNodeFormat), copied);
  EXPECT_NE(copied, block);
  platform::SetClipboard(fixture);
}

TEST_F(TreeCore, CutThenPasteOntoARecordMovesItBeforeItAndASecondPasteCopies) {
  auto t = Open();
  t->Select(4);
  t->CutNode();
  t->Select(5);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3() 4 5) 6 7()");
  EXPECT_EQ(t->SelectedID(), 4);
  t->PasteNode();  // onto record 4 now: a copy, before it
  EXPECT_EQ(t->Shape(), "1(2 3() 20 4 5) 6 7()");
  t->ExpectConsistent();
}

TEST_F(TreeCore, ACutNodeIsNeverPastedIntoItselfAndForgottenWhenTheClipboardChanges) {
  auto t = Open();
  t->Select(1);
  t->CutNode();
  t->Select(3);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 6 7()");
  EXPECT_EQ(t->ui.LastCall().text, SPasteIntoItself);
  EXPECT_EQ(t->MarkedCutNode(), t->Node(1));
  // Another copy of the program puts its own node there: pasting now copies that one.
  clipboard.Write(kXMLNodeFormat, std::string("<record ID=\"3\">Foreign</record>") + '\0');
  EXPECT_EQ(t->MarkedCutNode(), nullptr);
  t->Select(6);
  t->PasteNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 20 6 7()");
  EXPECT_EQ(t->Node(20)->Text(), "Foreign");
  // A deleted cut node is forgotten.
  t->Select(2);
  t->CutNode();
  t->ui.PushMessageResult(platform::mrYes);
  t->DeleteNode();
  EXPECT_EQ(t->MarkedCutNode(), nullptr);
  t->ExpectConsistent();
}

TEST_F(TreeCore, DuplicateLandsAtTheEndOfTheParentOrOfTheTopLevel) {
  auto t = Open();
  t->Select(6);
  t->DuplicateNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 6 7() 20");
  t->Select(2);
  t->DuplicateNode();
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5 21) 6 7() 20");
  EXPECT_EQ(t->SelectedID(), 21);
  t->ExpectConsistent();
}

TEST_F(TreeCore, CommandStatesFollowTheSelection) {
  auto t = Open();
  t->Select(2);  // first child
  EXPECT_FALSE(t->Enabled(TTreeAction::MoveItemUp));
  EXPECT_TRUE(t->Enabled(TTreeAction::MoveItemDown));
  EXPECT_TRUE(t->Enabled(TTreeAction::NewItem));
  EXPECT_FALSE(t->Enabled(TTreeAction::NewFolder));
  t->Select(5);  // last child
  EXPECT_FALSE(t->Enabled(TTreeAction::MoveItemDown));
  t->Select(6);  // a record at the top level
  EXPECT_FALSE(t->Enabled(TTreeAction::NewItem));
  EXPECT_FALSE(t->Enabled(TTreeAction::PasteNode));
  t->CopyNode();
  EXPECT_TRUE(t->Enabled(TTreeAction::PasteNode));
  t->view.focused = false;  // Delete and Rename need the tree's focus
  EXPECT_FALSE(t->Enabled(TTreeAction::DeleteItem));
  EXPECT_TRUE(t->Enabled(TTreeAction::CopyNode));
  t->view.focused = true;
  EXPECT_TRUE(t->Enabled(TTreeAction::DeleteItem));
  t->RenameNode();  // nothing that changes the tree runs under a label edit
  EXPECT_FALSE(t->Enabled(TTreeAction::PasteNode));
  EXPECT_FALSE(t->Enabled(TTreeAction::NewFolder));
  t->view.CancelEdit();
  t->view.Select(nullptr);
  EXPECT_TRUE(t->Enabled(TTreeAction::NewFolder));
  EXPECT_FALSE(t->Enabled(TTreeAction::CutNode));
  EXPECT_FALSE(t->Enabled(TTreeAction::CreateDesktopShortcut) && t->Session().FileName().empty());
}

TEST_F(TreeCore, DropRules) {
  auto t = Open();
  EXPECT_FALSE(t->CanDrop(t->Node(1), t->Node(3)));  // onto its own child
  EXPECT_FALSE(t->CanDrop(t->Node(1), t->Node(1)));
  EXPECT_FALSE(t->CanDrop(t->Node(3), t->Node(5)));  // a record is no target
  EXPECT_TRUE(t->CanDrop(t->Node(3), t->Node(7)));
  t->DropNode(t->Node(1), t->Node(3));
  EXPECT_EQ(t->Shape(), "1(2 3(4) 5) 6 7()");
  t->DropNode(t->Node(2), nullptr);  // empty space: the end of the top level
  EXPECT_EQ(t->Shape(), "1(3(4) 5) 6 7() 2");
  EXPECT_EQ(t->SelectedID(), 2);
  t->ExpectConsistent();
}

TEST_F(TreeCore, DeletingMovesTheSelectionToThePrecedingNodeInDisplayOrder) {
  auto t = Open(FixtureXML(false));
  t->Select(6);
  t->ui.PushMessageResult(platform::mrYes);
  t->DeleteNode();
  EXPECT_EQ(t->ui.LastCall().text, "Delete: \"Top\" ?");
  // Record 5 lies inside folder 1, which opens as the native tree opens it to show the selection.
  EXPECT_EQ(t->SelectedID(), 5);
  EXPECT_EQ(t->Node(1)->GetAttribute("expanded"), "1");
  t->Select(1);
  t->ui.PushMessageResult(platform::mrYes);
  t->DeleteNode();
  EXPECT_EQ(t->SelectedNode(), nullptr);  // the first node: nothing before it
  EXPECT_TRUE(t->curtain);
  EXPECT_EQ(t->Shape(), "7()");
  t->ExpectConsistent();
}

TEST_F(TreeCore, NoFolderPointerOutlivesItsFolder) {
  auto t = Open();
  // Folder 3 is selected and its keywords typed; the node before it is record 2.
  t->Select(3);
  t->keywordsField = "typed for 3";
  t->ui.PushMessageResult(platform::mrYes);
  t->DeleteNode();
  EXPECT_EQ(t->SelectedID(), 2);
  EXPECT_EQ(t->CurrentFolder, nullptr);
  EXPECT_EQ(bank::NodeKeywords(t->Node(2)), "k");  // the field went nowhere else
  // A folder selected while the databank is saved and closed: its keywords are kept.
  t->Select(1);
  t->keywordsField = "kept";
  const std::string path = t->Session().FileName();
  t->Session().SaveBank(path);
  t->Session().OpenBank(path);
  EXPECT_EQ(t->CurrentFolder, t->Node(1));
  EXPECT_EQ(bank::NodeKeywords(t->Node(1)), "kept");
}

// What the editor's store changes in a record decides whether the databank is marked modified: a
// caret moved is no change (it is stored all the same and goes out with the next save), anything the
// record holds is.
TEST_F(TreeCore, CommittingMarksModifiedWhenTheRecordsContentChanged) {
  struct Case {
    const char* name;
    std::function<void(TxevXMLNode2*)> store;  // what the editor writes into record 5
    bool marks;
  };
  const Case cases[] = {
      {"caret column", [](TxevXMLNode2* r) { XMLSetAttrInteger(r, bank::xaXPos, 9); }, false},
      {"caret line", [](TxevXMLNode2* r) { XMLSetAttrInteger(r, bank::xaYPos, 7); }, false},
      {"caret at 0 written as 1, 1",
       [](TxevXMLNode2* r) {
         XMLSetAttrInteger(r, bank::xaXPos, std::max(1, bank::RecordXPos(r)));
         XMLSetAttrInteger(r, bank::xaYPos, std::max(1, bank::RecordYPos(r)));
       },
       false},
      {"code", [](TxevXMLNode2* r) { bank::SetRecordData(r, "typed"); }, true},
      {"comments", [](TxevXMLNode2* r) { bank::SetRecordComments(r, "noted"); }, true},
      {"keywords", [](TxevXMLNode2* r) { bank::SetNodeKeywords(r, "new keywords"); }, true},
      {"comments panel height", [](TxevXMLNode2* r) { XMLSetAttrInteger(r, bank::xaCommentPanelHeight, 140); }, true},
      {"comments panel hidden", [](TxevXMLNode2* r) { XMLSetAttrBool(r, bank::xaCommentPanelShown, false); }, true},
      {"comments panel above", [](TxevXMLNode2* r) { XMLPathWriteBool(r, bank::xnCommentPanelAlignment, true); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = Open();
    t->Select(5);
    t->editor.OnStore = c.store;
    t->Select(2);  // stores record 5
    EXPECT_EQ(t->Modified(), c.marks);
    t->editor.OnStore = nullptr;
    for (int id : {3, 2, 4, 7, 5, 2}) t->Select(id);  // browsing on marks nothing more
    EXPECT_EQ(t->Modified(), c.marks);
  }

  // A caret moved is in the file once the databank is saved for another reason.
  auto t = Open();
  const std::string path = t->Session().FileName();
  t->Select(5);
  t->editor.OnStore = [](TxevXMLNode2* r) { XMLSetAttrInteger(r, bank::xaYPos, 7); };
  t->Select(2);
  EXPECT_TRUE(t->Session().QuerySaveChanges(false));  // nothing to ask about
  EXPECT_TRUE(t->ui.CallsOf(platform::ScriptedUIServices::Kind::Message).empty());
  EXPECT_EQ(testsupport::ReadFile(path).find("YPos"), std::string::npos);
  t->RenameNode();
  t->view.FinishEdit("Renamed");
  t->Session().SaveBank(path);
  TXMLDataBase2 saved;
  ASSERT_TRUE(saved.LoadFromFile(path));
  EXPECT_EQ(bank::RecordYPos(bank::FindNodeByID(saved.Root(), 5)), 7);
}

// A title of nothing (or of blanks and tabs, which the file would not keep) is refused with a
// message; the node keeps its title and the databank is not marked. A new record keeps "New Record".
TEST_F(TreeCore, AnEmptyTitleIsRefused) {
  for (const char* typed : {"", "   ", " \t "}) {
    SCOPED_TRACE(std::string("\"") + typed + "\"");
    auto t = Open();
    t->Select(2);
    t->RenameNode();
    t->view.FinishEdit(typed);
    ASSERT_EQ(t->ui.Calls().size(), 1u);
    EXPECT_EQ(t->ui.LastCall().text, bank::SEmptyTitle);
    EXPECT_EQ(t->ui.LastCall().icon, platform::MsgIcon::Warning);
    EXPECT_EQ(bank::NodeTitle(t->Node(2)), "One");
    EXPECT_EQ(t->ItemOf(t->Node(2))->text, "One");
    EXPECT_FALSE(t->Modified());
    EXPECT_EQ(t->CurrentRecord, t->Node(2));  // still open, as after a cancelled edit
    t->NewRecord();
    t->view.FinishEdit(typed);
    EXPECT_EQ(bank::NodeTitle(t->Node(20)), "New Record");
  }
}

// Enter on the tree gives the open record's code the focus; on a folder, or with nothing open, it
// does nothing.
TEST_F(TreeCore, EnterOnARecordFocusesItsCode) {
  auto t = Open();
  const auto focused = [&] { return std::count(t->editor.Calls.begin(), t->editor.Calls.end(), "Focus"); };
  t->EditSelectedRecord();  // nothing selected
  t->Select(3);
  t->EditSelectedRecord();
  EXPECT_EQ(focused(), 0);
  t->Select(2);
  t->EditSelectedRecord();
  EXPECT_EQ(focused(), 1);
}

// Whatever reads the tree sees what was just typed: the open record and the selected folder's
// keywords are stored first, and the record stays open in the editor.
TEST_F(TreeCore, ReadersOfTheTreeSeeTheLatestEdits) {
  // "data|keywords" of the node a reader produced.
  auto values = [](const TxevXMLNode2* node) {
    if (!node) return std::string("no node");
    return (bank::IsRecord(node) ? bank::RecordData(node) : std::string("-")) + "|" + bank::NodeKeywords(node);
  };
  auto fromClipboard = [&] { return values(ParseXMLNodePayload(GetXMLFromClipboard()).get()); };
  auto exported = [&](TestTree& t) {
    const std::string out = tmp.File("out.xdb2");
    t.exportDialog = [](TExportChoice&) { return true; };
    if (!t.ExportFile(out)) return std::string("not exported");
    TBankSession reader(nullptr, {}, &t.ui, &t.loop);
    TXMLDataBase2 bank;
    if (!reader.LoadBankFile(out, &bank)) return std::string("not read");
    TxevXMLNode2* node = bank.Root()->FindNode(bank::xnRecord);
    return values(node ? node : bank.Root()->FindNode(bank::xnFolder));
  };
  struct Case {
    const char* name;
    int selected;  // record 2 or folder 7, which goes out alone
    std::function<std::string(TestTree&)> read;
  };
  const Case cases[] = {
      {"copy a record", 2,
       [&](TestTree& t) {
         t.CopyNode();
         return fromClipboard();
       }},
      {"cut a record", 2,
       [&](TestTree& t) {
         t.CutNode();
         return fromClipboard();
       }},
      {"duplicate a record", 2,
       [&](TestTree& t) {
         t.DuplicateNode();
         return values(t.Node(20));
       }},
      {"export a record", 2, exported},
      {"copy a folder", 7,
       [&](TestTree& t) {
         t.CopyNode();
         return fromClipboard();
       }},
      {"duplicate a folder", 7,
       [&](TestTree& t) {
         t.DuplicateNode();
         return values(t.Node(20));
       }},
      {"export a folder", 7, exported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = Open();
    t->Select(c.selected);
    const bool record = c.selected == 2;
    if (record) {
      t->editor.OnStore = [](TxevXMLNode2* r) { bank::SetRecordData(r, "typed XYZ"); };
      t->editor.Modified = true;
    }
    t->keywordsField = "newkw";
    const bool exporting = std::string(c.name).rfind("export", 0) == 0;
    const std::string got = c.read(*t);
    EXPECT_EQ(got, std::string(record ? "typed XYZ" : "-") + "|newkw");
    EXPECT_TRUE(t->Modified());
    if (exporting && record) {
      EXPECT_EQ(t->CurrentRecord, t->Node(2));  // still open: nothing was reopened
      EXPECT_EQ(t->editor.Record, t->Node(2));
    }
  }
}

TEST_F(TreeCore, ExpandAndCollapseWriteTheFolderStateOnly) {
  auto t = Open(FixtureXML(false));
  TTreeItem* beta = t->ItemOf(t->Node(7));
  t->view.SetExpanded(beta, true);
  EXPECT_EQ(t->Node(7)->GetAttribute("expanded"), "1");
  EXPECT_EQ(beta->image, 1);  // the open image of the pair
  t->view.SetExpanded(beta, false);
  EXPECT_EQ(t->Node(7)->GetAttribute("expanded"), "0");
  EXPECT_EQ(beta->image, 0);
  t->FullExpand();  // the widget reports records too
  EXPECT_EQ(t->Node(3)->GetAttribute("expanded"), "1");
  EXPECT_EQ(t->Node(2)->GetAttribute("expanded"), "");
  t->ExpectConsistent();
}

TEST_F(TreeCore, LabelEditingOpensTheNodeOnceAndFocusesTheEditorOnlyWhenFinished) {
  auto t = Open();
  t->settings.Values[treesettings::AutoOpenRecord] = "1";
  t->Select(5);
  t->editor.Calls.clear();
  t->view.StartEdit(t->ItemOf(t->Node(2)));
  EXPECT_EQ(std::count(t->editor.Calls.begin(), t->editor.Calls.end(), "Open 2"), 1);
  EXPECT_EQ(std::count(t->editor.Calls.begin(), t->editor.Calls.end(), "Focus"), 0);
  t->view.FinishEdit("New title");
  EXPECT_EQ(t->Node(2)->Text(), "New title");
  EXPECT_EQ(std::count(t->editor.Calls.begin(), t->editor.Calls.end(), "Focus"), 1);
}

TEST_F(TreeCore, CaptionAndCurtain) {
  auto t = Open();
  EXPECT_EQ(t->caption, "T - unnamed");
  t->Bank()->WriteString(bank::skDataBaseName, "Mine");
  t->UpdateCaption();
  EXPECT_EQ(t->caption, "T - Mine");
  EXPECT_EQ(TreeCaptionText("T", nullptr), "T");
  t->Select(2);
  EXPECT_FALSE(t->curtain);
  t->Select(1);
  EXPECT_TRUE(t->curtain);
}

TEST_F(TreeCore, ClipboardBlocksAreReadUpToTheirNulAndOnlyAsFoldersOrRecords) {
  struct Case {
    std::string block;
    const char* title;  // nullptr: refused
  };
  const Case cases[] = {
      {std::string("<record ID=\"1\">A</record>") + '\0', "A"},
      {"<folder ID=\"1\">B</folder>", "B"},  // no NUL: the whole block
      {std::string("<record>C</record>") + '\0' + "<garbage", "C"},
      {"<settings><x/></settings>", nullptr},
      {"<record>unclosed", nullptr},
      {"</root><record>D</record>", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    auto node = ParseXMLNodePayload(c.block);
    if (!c.title) {
      EXPECT_EQ(node, nullptr) << c.block;
    } else {
      ASSERT_NE(node, nullptr) << c.block;
      EXPECT_EQ(node->Text(), c.title);
    }
  }
  auto t = Open();
  clipboard.Write(kXMLNodeFormat, "<settings/>");
  t->Select(6);
  t->PasteNode();
  EXPECT_EQ(t->ui.LastCall().text, SNoNodeOnClipboard);
  EXPECT_FALSE(t->Modified());
}

TEST_F(TreeCore, RandomEditsKeepTheItemsEqualToAFreshBuild) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    auto t = Open(FixtureXML(seed % 2 == 0));
    std::mt19937 rng(seed);
    auto pick = [&]() -> TxevXMLNode2* {
      std::vector<TxevXMLNode2*> nodes;
      bank::ForEachTreeNode(t->Bank()->Root(), [&](TxevXMLNode2* n, int) { nodes.push_back(n); });
      return nodes.empty() ? nullptr : nodes[rng() % nodes.size()];
    };
    for (int step = 0; step < 250; ++step) {
      TxevXMLNode2* a = pick();
      if (a && rng() % 3) t->view.Select(t->ItemOf(a));
      switch (rng() % 11) {
        case 0:
          t->NewFolder();
          t->view.FinishEdit("F" + std::to_string(step));
          break;
        case 1:
          t->NewRecord();
          t->view.CancelEdit();
          break;
        case 2:
          t->ui.PushMessageResult(rng() % 2 ? platform::mrYes : platform::mrNo);
          t->DeleteNode();
          break;
        case 3:
          t->MoveNodeUp();
          break;
        case 4:
          t->MoveNodeDown();
          break;
        case 5: {
          TxevXMLNode2* b = pick();
          if (a) t->DropNode(a, rng() % 4 ? b : nullptr);
          break;
        }
        case 6:
          t->CopyNode();
          break;
        case 7:
          t->CutNode();
          break;
        case 8:
          t->PasteNode();
          break;
        case 9:
          t->DuplicateNode();
          break;
        case 10:
          if (a && bank::IsFolder(a)) t->view.SetExpanded(t->ItemOf(a), !t->ItemOf(a)->expanded);
          break;
      }
      t->view.CancelEdit();
      ASSERT_NO_FATAL_FAILURE(t->ExpectConsistent()) << "step " << step;
    }
  }
}

// A paste of a subtree large enough to be made beside the window: until its copy is made and no
// prompt of the databank's is open, the tree stays as it was and the commands that change it are
// refused; then it lands as the same paste of a small subtree does (its IDs counted on from
// NextNodeID in display order, or, when that moved meanwhile, from where it stands then). Closing
// the databank drops a paste still being made.
TEST_F(TreeCore, ALargePasteIsMadeBesideTheWindowAndLandsAsASmallOne) {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<dataroot><settings><NextNodeID>100000</NextNodeID></settings>";
  xml += "<folder ID=\"1\" expanded=\"1\">Big";
  int id = 10;
  for (int f = 0; f < 3; ++f) {
    xml +=
        "<folder ID=\"" + std::to_string(++id) + "\"" + (f == 1 ? " expanded=\"1\"" : "") + ">F<keywords>k</keywords>";
    for (int r = 0; r < 3000; ++r)
      xml += "<record ID=\"" + std::to_string(++id) + "\" Image=\"" + std::to_string(16 + r % 4) + "\">R" +
             std::to_string(r) + "<data>x" + std::to_string(r) + "</data></record>";
    xml += "</folder>";
  }
  xml += "</folder><record ID=\"2\">Top</record></dataroot>";
  auto t = Open(xml);
  const bool beside = platform::SharedWorkShares({.Nodes = 18000}) > 1;
  // What the same paste made on the window's thread would give, from NextNodeID on.
  auto expected = [&](int from) {
    std::unique_ptr<TxevXMLNode2> copy = t->Node(1)->CloneNode();
    bank::RenumberSubtree(copy.get(), from, t->Bank()->Root());
    TxevXMLNode2 holder;  // written as an element with a parent is
    return t->Bank()->Document()->GetNodeXML(holder.AddNode(std::move(copy)));
  };
  auto waitForPlace = [&] {
    for (int i = 0; t->PasteInFlight() && i < 20000; ++i) {
      t->loop.Advance(2);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(t->PasteInFlight());
  };
  const std::string shape = t->Shape();
  const size_t items = t->NodeMap().Size();
  const size_t timers = t->loop.RunningTimers();

  t->Select(1);
  t->DuplicateNode();
  const std::string want = expected(100000);  // of the node as the copy took it
  EXPECT_EQ(t->PasteInFlight(), beside);
  if (t->PasteInFlight()) {
    // Nothing looks whether it is made: it says so itself, through the loop.
    EXPECT_EQ(t->loop.RunningTimers(), timers);
    EXPECT_EQ(t->Shape(), shape);
    t->Select(2);  // the selection moves freely
    for (TTreeAction a : {TTreeAction::NewFolder, TTreeAction::NewItem, TTreeAction::DeleteItem, TTreeAction::PasteNode,
                          TTreeAction::DuplicateNode, TTreeAction::MoveItemDown, TTreeAction::Import})
      EXPECT_FALSE(t->Enabled(a)) << TreeActionDef(a).Name;
    EXPECT_TRUE(t->Enabled(TTreeAction::CopyNode));
    t->NewFolder();
    t->DuplicateNode();
    t->ui.PushMessageResult(platform::mrYes);
    t->DeleteNode();
    EXPECT_FALSE(t->CanDrop(t->Node(2), t->Node(1)));
    t->DropNode(t->Node(2), t->Node(1));
    {
      // A prompt of the databank's keeps the paste from landing under it.
      TBankSession::TBusyScope prompt(t->Session());
      for (int i = 0; i < 1500 && t->PasteInFlight(); ++i) {
        t->loop.Advance(2);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      EXPECT_TRUE(t->PasteInFlight());
      EXPECT_EQ(t->Shape(), shape);
    }
    ASSERT_NO_FATAL_FAILURE(waitForPlace());
  }
  ASSERT_EQ(t->NodeMap().Size(), 2 * items - 1);
  TxevXMLNode2* pasted = t->Bank()->Root()->Children().Last();
  EXPECT_TRUE(t->Bank()->Document()->GetNodeXML(pasted) == want);
  EXPECT_EQ(t->Session().NextNodeID, 100000 + int(items) - 1);
  // The user selected another node meanwhile: the copy leaves the selection there.
  EXPECT_EQ(t->SelectedID(), beside ? 2 : 100000);
  EXPECT_TRUE(t->Modified());
  EXPECT_TRUE(t->Enabled(TTreeAction::DuplicateNode));
  t->ExpectConsistent();

  // The counter moved while the copy was made: its IDs are given again from where it stands.
  t->Select(1);
  t->DuplicateNode();
  const std::string again = expected(200000);
  t->Session().NextNodeID = 200000;
  ASSERT_NO_FATAL_FAILURE(waitForPlace());
  EXPECT_TRUE(t->Bank()->Document()->GetNodeXML(t->Bank()->Root()->Children().Last()) == again);
  EXPECT_EQ(t->SelectedID(), 200000);  // nobody moved: the copy is selected
  t->ExpectConsistent();

  // Pasted onto a record: before it. The copy made, its completion is waiting in the loop, with no
  // timer running and the clock standing still; the loop runs it.
  t->Select(1);
  t->CopyNode();
  const std::string onto = expected(t->Session().NextNodeID);
  t->Select(2);
  const size_t running = t->loop.RunningTimers();  // the auto-save's among them, now that it is changed
  t->PasteNode();
  if (beside) {
    ASSERT_TRUE(t->PasteInFlight());
    // Run the moment it is posted: the paste may not have ended its run yet.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (t->loop.PendingPosts() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_EQ(t->loop.RunningTimers(), running);
    EXPECT_TRUE(t->PasteInFlight());
    t->loop.ProcessPosted();
    EXPECT_FALSE(t->PasteInFlight());
  }
  ASSERT_NO_FATAL_FAILURE(waitForPlace());
  const int at = t->Node(2)->IndexInParent();
  EXPECT_TRUE(t->Bank()->Document()->GetNodeXML(t->Bank()->Root()->Children().Items(at - 1)) == onto);
  t->ExpectConsistent();

  // Closing the databank drops a paste being made.
  t->Select(1);
  t->DuplicateNode();
  EXPECT_EQ(t->PasteInFlight(), beside);
  t->ui.PushMessageResult(platform::mrNo);  // not saved
  t->Session().CloseBank();
  EXPECT_FALSE(t->PasteInFlight());
  t->loop.Advance(100);
  EXPECT_EQ(t->Bank(), nullptr);
  EXPECT_EQ(t->NodeMap().Size(), 0u);
}
