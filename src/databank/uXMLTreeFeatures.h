// The features of the databank tree window beyond the tree itself: the record filter with its
// results tree, the quick search, bookmarks, import and export, and the databank information. All
// decisions are made here, without a widget; the window above supplies the dialogs (the virtual
// operations below, which do nothing until it does), the results tree (an ITreeView) and the
// quick-search box.
//
// Rules kept here beyond the plain sequence of each command:
// - The open record is committed before a filter run, so the filter sees what the user sees; it is
//   opened again afterwards.
// - A filter run compiles its expression once; an expression that cannot be set, or that needs too
//   much work, ends the run with one message and leaves the normal view.
// - Saving a bookmark and confirming the bookmark manager mark the databank modified.
// - Import and export hold auto-save off and put the open databank's password and compression back
//   on every way out; an import that fails says so.
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
  // expression leaves its message in LastRegExprError.
  bool FilterTree(const TSearchForRec& search);
  // The status line of the results, from the parameters stored in the databank.
  TFilterStatus FilterStatusText();
  virtual void ShowFilterResults() {}
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
  void ExportCommand();
  // Exports what the selection dialog chooses among the selected node and its siblings.
  bool ExportFile(const std::string& path);
  virtual bool SelectNodesForExport(TExportChoice& choice) {
    (void)choice;
    return false;
  }

  // ---- databank information ----
  void BankInfoCommand();
  virtual void ShowBankInfo(const TBankInfo& info) { (void)info; }

 private:
  class TBusy;
  ITreeView* findView_ = nullptr;
  std::unique_ptr<platform::ITimer> quickTimer_;
  std::string quickText_;
};
