// The features of the databank tree window beyond the tree itself: the record filter with its
// results tree, the quick search, bookmarks, import and export, and the databank information. All
// decisions are made here, without a widget; the window above supplies the dialogs (the virtual
// operations below, which do nothing until it does), the results tree (an ITreeView) and the
// quick-search box.
//
// Rules kept here beyond the plain sequence of each command:
// - The open record is committed before a filter run, so the filter sees what the user sees; it is
//   opened again afterwards.
// - The results follow the databank: every command that changes the tree's content makes them again
//   from the same search, in place. The results and the tree share one selection: the tree's node is
//   selected among the results where it is one; while the results are in front and it is not one,
//   nothing is selected and no record is open. A record that stops being a result while it is
//   selected (renamed, say) stays selected and open, and the whole tree comes to the front.
// - A filter run compiles its expression once; an expression that cannot be set, or that needs too
//   much work, ends the run with one message and leaves the normal view.
// - Saving a bookmark and confirming the bookmark manager mark the databank modified.
// - Import and export hold auto-save off (but for their file dialog, which changes nothing it writes)
//   and put the open databank's password and compression back on every way out; an import that fails
//   says so.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "databank/uBankInfoModel.h"
#include "databank/uBookmarks.h"
#include "databank/uImportExport.h"
#include "databank/uRecordSearch.h"
#include "databank/uXMLTreeCore.h"

namespace platform {
class ITimer;
}

class TXMLTreeFeatures : public TXMLTreeCore {
 public:
  TXMLTreeFeatures();
  ~TXMLTreeFeatures() override;

  // The tree that shows the filter results (read-only; its changes come back through
  // SelectFromFilter).
  void SetFindTreeView(ITreeView* view) { findView_ = view; }

  // ---- the record filter ----
  // The Filter command: the parameters asked for (ExecuteRecordSearch) and stored in the databank,
  // then the run over the whole databank; the results shown, empty when nothing matched (the view
  // then says so).
  void FilterCommand();
  // The filter's test of one node (search.Text prepared).
  virtual bool RecordMatches(TxevXMLNode2* node, const TSearchForRec& search);
  // Fills the results tree (fully expanded); true when it holds a node. A run ended by an
  // expression leaves its message in LastRegExprError. With TResultsFill::FirstScreen many results
  // go in as far as a screen shows them (kFirstScreenItems, or the items made beside the window for
  // the runs of top-level nodes that hold them); the rest waits for FinishResults.
  enum class TResultsFill { Whole, FirstScreen };
  static constexpr size_t kFirstScreenItems = 200;  // more rows than a screen of the tree holds
  bool FilterTree(const TSearchForRec& search, TResultsFill fill = TResultsFill::Whole);
  // The results that wait are put into their tree (after those shown).
  void FinishResults();
  bool ResultsWaiting() const { return !pendingResults_.empty() || !pendingSpecs_.empty(); }
  // The status line of the results, from the parameters stored in the databank.
  TFilterStatus FilterStatusText();
  virtual void ShowFilterResults() {}
  // The window painted as it stands, at once (the first screen of the results, while the rest waits).
  virtual void PaintNow() {}
  void HideFilter() override;
  bool FilterResultsShown() const { return resultsShown_; }
  // The results made again from the last search (nothing while they are not shown).
  void RefreshFilterResults();
  // The results' selection made the tree's (above).
  void SyncResultsSelection();
  // A node chosen among the results (nullptr: none).
  void FilterResultChosen(TxevXMLNode2* node);
  // A result renamed in the results' own label editor.
  void RenameResult(TxevXMLNode2* node, const std::string& text);
  // A node selected in the tree (by the quick search, a bookmark, ...) is selected among the results
  // too; one that is none of them brings the whole tree to the front.
  void TreeChange(TTreeItem* item) override;
  // The filter dialog: true on OK, with rec updated (history included).
  virtual bool ExecuteRecordSearch(TSearchForRec& rec) {
    (void)rec;
    return false;
  }

  // ---- the quick search ----
  static constexpr int kQuickSearchDelay = 600;  // ms after the last change of the box
  // Every change of the box restarts the wait (none while the box is empty).
  void QuickSearchChanged(const std::string& text);
  // Selects the first node after start (nullptr: from the first node) whose title holds text.
  void QuickSearch(TxevXMLNode2* start, const std::string& text);
  // Find Next Record: the next match after the selected node, or, with an empty box, the box shown.
  void SearchNextRecord();
  platform::ITimer& IncrementalSearchTimer();
  virtual void ShowQuickSearchBox() {}

  // ---- bookmarks ----
  // The bookmark items of the menu (the list is made in the databank when missing).
  std::vector<TBookmarkMenuItem> BookmarkMenu();
  void GotoBookmark(int id) { SelectNodeByID(id); }
  void SaveBookmark();
  void ManageBookmarks();
  // The manager dialog over the working copy: true on OK.
  virtual bool ExecuteBookmarkManager(TBookmarkWork& work) {
    (void)work;
    return false;
  }

  // ---- import and export ----
  void ImportCommand();
  // Imports every top-level folder and record of the file at path, placed as Paste places a node.
  bool ImportFile(const std::string& path);
  // The save dialog, then ExportFile; a name that leads to the open databank's file or its backup is
  // refused with SExportOntoOpenFile and the dialog comes back.
  void ExportCommand();
  // Exports what the selection dialog chooses among the selected node and its siblings. Refuses
  // (with SExportOntoOpenFile, writing nothing) a path that leads to the open databank's file.
  bool ExportFile(const std::string& path);
  virtual bool SelectNodesForExport(TExportChoice& choice) {
    (void)choice;
    return false;
  }

  // ---- databank information ----
  void BankInfoCommand();
  virtual void ShowBankInfo(const TBankInfo& info) { (void)info; }

 protected:
  // The results are the view in front (the window says which page shows).
  virtual bool ResultsInFront() const { return resultsShown_; }
  // The whole tree comes to the front instead of the results.
  virtual void ShowAllFolders() {}
  void TreeContentChanged() override;
  // Deleting a result selects the result before it.
  TxevXMLNode2* SelectionAfterDelete(TxevXMLNode2* node) const override;

 private:
  // Nothing selected, no record open.
  void ClearSelection();

  ITreeView* findView_ = nullptr;
  bool resultsShown_ = false;
  bool deferRefresh_ = false;
  // The place of node among the results, resultNodes_.size() when it is none. Looked for when asked
  // (one scan of pointers per selection): a run with many results then shows them without filling a
  // map first.
  size_t ResultIndexOf(const TxevXMLNode2* node) const;
  // The result of node; nullptr when it is none.
  TTreeItem* ResultItemOf(const TxevXMLNode2* node) const;
  std::vector<TxevXMLNode2*> resultNodes_;  // in display order
  std::vector<TTreeItem*> resultItems_;     // the item of each (of the first ones while the rest waits)
  // The results not yet in their tree, only within the Filter command: items made beside the
  // window, in order, or else every spec (those from resultItems_.size() on wait).
  std::vector<std::unique_ptr<TPreparedItems>> pendingResults_;
  std::vector<TTreeItemSpec> pendingSpecs_;

  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // a posted refresh runs only while this lives
  std::unique_ptr<platform::ITimer> quickTimer_;
  std::string quickText_;
};
