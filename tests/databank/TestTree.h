// The tree window as the databank suites drive it: a fake tree widget with the real widget's event
// rules (also for the filter results), a recording editor, scripted answers and dialogs, and an
// in-memory clipboard.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "BankTestSupport.h"
#include "FakeTreeView.h"
#include "RecordingEditor.h"
#include "ScriptedUIServices.h"
#include "databank/uXMLTreeFeatures.h"
#include "platform/Clipboard.h"

// Folder 1 (expanded) holds record 2, folder 3 (expanded, holding record 4) and record 5; then
// record 6 and the empty folder 7 at the top level. NextNodeID 20.
inline std::string FixtureXML(bool expanded = true) {
  const std::string e = expanded ? " expanded=\"1\"" : "";
  return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot>"
         "<settings><NextNodeID>20</NextNodeID></settings>"
         "<folder ID=\"1\"" +
         e +
         ">Alpha<keywords>a</keywords>"
         "<record ID=\"2\">One<data>x</data><keywords>k</keywords></record>"
         "<folder ID=\"3\"" +
         e +
         ">Inner<record ID=\"4\">Two</record></folder>"
         "<record ID=\"5\">Three</record></folder>"
         "<record ID=\"6\">Top</record><folder ID=\"7\">Beta</folder></dataroot>";
}

// "1(2 3(4) 5) 6 7()": the IDs of a tree's items, folders with their items in brackets.
inline std::string ShapeOf(const FakeTreeView& view) {
  std::string out;
  int depth = 0;
  for (auto [item, d] : view.Flatten()) {
    for (; depth > d; --depth) out += ")";
    if (!out.empty() && out.back() != '(') out += " ";
    out += item->node->GetAttribute("ID");
    if (bank::IsFolder(item->node)) {
      out += "(";
      ++depth;
    }
  }
  for (; depth > 0; --depth) out += ")";
  return out;
}

// The window as the tests see it: the main window's keywords field is simulated, so the stored
// values of folders take part as they will in the program.
class TestTree : public TXMLTreeFeatures {
 public:
  FakeTreeView view;
  RecordingEditor editor;
  MapSettings settings;
  platform::ScriptedUIServices ui;
  platform::FakeEventLoop loop;
  FakeTreeView findView;  // the filter results
  bool filterShown = false;
  bool quickBoxShown = false;
  // The dialogs: each answers as the test says (none: cancelled).
  std::function<bool(TSearchForRec&)> searchDialog;
  std::function<bool(TBookmarkWork&)> bookmarkDialog;
  std::function<bool(TExportChoice&)> exportDialog;
  bool curtain = false;
  std::string caption;
  std::string keywordsField;

  explicit TestTree(const std::string& file, TBankSession::TOptions options = {}) {
    view.events = this;
    view.focused = true;
    SetTreeView(&view);
    SetFindTreeView(&findView);
    Editor = &editor;
    Images.Ranges = {0, 15, 16, 31};
    Images.DefaultFolderImage = 0;
    Images.DefaultDocImage = 16;
    ApplicationTitle = "T";
    CreateSession(&settings, std::move(options), &ui, &loop);
    Session().OpenBank(file);
  }
  bool ExecuteRecordSearch(TSearchForRec& rec) override { return searchDialog && searchDialog(rec); }
  bool ExecuteBookmarkManager(TBookmarkWork& work) override { return bookmarkDialog && bookmarkDialog(work); }
  bool SelectNodesForExport(TExportChoice& choice) override { return exportDialog && exportDialog(choice); }
  void ShowFilterResults() override { filterShown = true; }
  // The results' items each time the window was painted at once (PaintNow).
  std::vector<size_t> paintedResults;
  void PaintNow() override { paintedResults.push_back(findView.Flatten().size()); }
  void HideFilter() override {
    TXMLTreeFeatures::HideFilter();
    filterShown = false;
    findView.Clear();
  }
  void ShowQuickSearchBox() override { quickBoxShown = true; }
  void ShowAllFolders() override { ++allFoldersShown; }
  int allFoldersShown = 0;
  void ShowCurtain() override { curtain = true; }
  void HideCurtain() override { curtain = false; }
  void ApplyCaption(const std::string& c, bool) override { caption = c; }
  void RecordOpened() override {
    keywordsField = CurrentFolder ? bank::NodeKeywords(CurrentFolder) : editor.GetKeywords();
  }
  void RecordClosing() override {
    if (CurrentFolder)
      bank::SetNodeKeywords(CurrentFolder, keywordsField);
    else
      editor.SetKeywords(keywordsField);
  }

  TxevXMLNode2* Node(int id) { return FindNodeByID(id); }
  void Select(int id) { view.Select(ItemOf(Node(id))); }
  int SelectedID() { return bank::NodeID(SelectedNode()); }
  bool Modified() { return Session().Modified(); }
  bool Enabled(TTreeAction a) { return TreeActionRule(a, ActionContext()).Enabled; }
  // "1(2 3(4) 5) 6 7()" from the widget's items.
  std::string Shape() { return ShapeOf(view); }
  // The items equal a fresh build from the document, and the map finds every node and ID.
  void ExpectConsistent() {
    const auto specs = BuildTreeSpecs(Bank()->Root(), Images);
    const auto items = view.Flatten();
    ASSERT_EQ(items.size(), specs.size()) << Shape();
    ASSERT_EQ(NodeMap().Size(), specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      TTreeItem* item = items[i].first;
      const TTreeItemSpec& s = specs[i];
      ASSERT_EQ(item->node, s.Node) << i << " " << Shape();
      EXPECT_EQ(item->text, s.Text);
      EXPECT_EQ(item->image, s.Image) << s.Node->GetAttribute("ID");
      if (s.Folder) {
        EXPECT_EQ(item->expanded, s.Expanded) << s.Node->GetAttribute("ID");
      }
      EXPECT_EQ(ItemOf(s.Node), item);
      EXPECT_EQ(FindNodeByID(bank::NodeID(s.Node)), s.Node);
    }
  }
};

class TreeCore : public testsupport::TempDirTest {
 protected:
  platform::MemoryClipboard clipboard;
  platform::IClipboard* previous = platform::SetClipboard(&clipboard);
  ~TreeCore() override { platform::SetClipboard(previous); }

  std::unique_ptr<TestTree> Open(const std::string& xml = FixtureXML()) {
    const std::string path = tmp.File("bank.xdb2");
    testsupport::WriteFile(path, xml);
    auto t = std::make_unique<TestTree>(path);
    EXPECT_FALSE(t->Modified());
    return t;
  }
};
