#include "databank/uXMLTreeFeatures.h"

#include <algorithm>
#include <ctime>

#include "databank/uBankMessages.h"
#include "databank/uDataBankContent.h"
#include "databank/uFilePaths.h"
#include "databank/uTextSearchUtils.h"
#include "platform/LocaleText.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "xml/uXMLBase2.h"

namespace {

// The open (import) or save (export) dialog, in LastOpened's folder without a file name; the full
// path chosen, "" when cancelled.
std::string AskBankFile(TBankSession& session, platform::IUIServices& ui, bool save) {
  platform::FileDialogOptions options;
  options.title = save ? SSaveBankTitle : SOpenBankTitle;
  options.filter = SBankFileFilter;
  options.defaultExt = SBankDefaultExt;
  options.overwritePrompt = save;
  options.fileMustExist = !save;
  if (!session.LastOpened().empty()) options.initialDir = bankpaths::ExtractFilePath(session.LastOpened());
  std::string chosen;
  // Choosing a file changes nothing the auto-save writes: it goes on meanwhile.
  TBankSession::TAutoSaveFreeScope free(session);
  const bool ok = save ? ui.SaveFileDialog(options, chosen) : ui.OpenFileDialog(options, chosen);
  return ok && !chosen.empty() ? bankpaths::ExpandFileName(chosen) : std::string();
}

}  // namespace

TXMLTreeFeatures::TXMLTreeFeatures() = default;

TXMLTreeFeatures::~TXMLTreeFeatures() {
  if (quickTimer_) {
    quickTimer_->SetEnabled(false);
    quickTimer_->OnTimer = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------
// The record filter

void TXMLTreeFeatures::FilterCommand() {
  TXMLDataBase2* bank = Bank();
  if (!bank) return;
  SearchRec = ReadSearchRec(*bank);
  if (!ExecuteRecordSearch(SearchRec)) return;
  WriteSearchRec(*bank, SearchRec);
  SearchRec.Text = PrepareSearchText(SearchRec.Text, SearchRec.CaseSensitive, SearchRec.SearchType);

  // An expression that cannot be set is told once, not found wanting in every node.
  const std::string compileError = SearchMatcher(SearchRec).Error();
  if (!compileError.empty()) {
    HideFilter();
    UI().MessageBox(InvalidRegExprText(compileError), SErrorCaption, platform::MsgButtons::Ok,
                    platform::MsgIcon::Error);
    return;
  }
  // The filter sees what the user sees: what was typed goes into the node first.
  const bool reopen = CurrentRecord || CurrentFolder;
  ReleaseSelection();
  FilterTree(SearchRec);
  if (reopen) SelectRecord(true);
  const std::string error = LastRegExprError();
  if (!error.empty()) {
    HideFilter();
    UI().MessageBox(error, SErrorCaption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
  } else {
    // Found nothing: the empty results say so.
    ShowFilterResults();
    resultsShown_ = true;
    SyncResultsSelection();
  }
  TreeStateChanged();
}

bool TXMLTreeFeatures::RecordMatches(TxevXMLNode2* node, const TSearchForRec& search) {
  return ::RecordMatches(node, search, Editor);
}

bool TXMLTreeFeatures::FilterTree(const TSearchForRec& search) {
  TXMLDataBase2* bank = Bank();
  if (!bank || !findView_) return false;
  TBusy busy(*this);
  TFilterResults results;
  {
    TMatchRun run;
    results = FilterRecords(
        bank->Root(), Images, search, Editor, [&](TxevXMLNode2* node) { return RecordMatches(node, search); },
        findView_);
  }
  TTreeUpdateLock lock(*findView_);
  findView_->Clear();
  resultNodes_.clear();
  resultItems_.clear();
  if (results.Specs.empty()) return false;
  // The folders open as they are inserted (the specs say so), before the results are first laid
  // out: opening them all afterwards would lay the whole results out once more.
  if (results.Items.empty())
    findView_->InsertItems(nullptr, nullptr, results.Specs, resultItems_);
  else
    findView_->InsertPrepared(nullptr, nullptr, std::move(results.Items), resultItems_);
  resultNodes_.reserve(results.Specs.size());
  for (const TTreeItemSpec& spec : results.Specs) resultNodes_.push_back(spec.Node);
  return true;
}

size_t TXMLTreeFeatures::ResultIndexOf(const TxevXMLNode2* node) const {
  if (!node) return resultNodes_.size();
  return size_t(std::find(resultNodes_.begin(), resultNodes_.end(), node) - resultNodes_.begin());
}

TTreeItem* TXMLTreeFeatures::ResultItemOf(const TxevXMLNode2* node) const {
  const size_t index = ResultIndexOf(node);
  return index < resultItems_.size() ? resultItems_[index] : nullptr;
}

void TXMLTreeFeatures::HideFilter() {
  resultsShown_ = false;
  resultNodes_.clear();
  resultItems_.clear();
}

void TXMLTreeFeatures::RefreshFilterResults() {
  if (!resultsShown_ || !Bank() || !findView_) return;
  StoreOpenValues();  // the search sees what the user sees
  FilterTree(SearchRec);
  TxevXMLNode2* node = SelectedNode();
  if (IsRecord(node) && !ResultItemOf(node) && ResultsInFront()) {
    // The open record changed so that it is no result any more (renamed, say): it stays selected and
    // open, and the whole tree comes to the front with it.
    ShowAllFolders();
    TTreeUpdateLock lock(*findView_);
    findView_->Select(nullptr);
  } else {
    SyncResultsSelection();
  }
  TreeStateChanged();
}

void TXMLTreeFeatures::TreeContentChanged() {
  if (!resultsShown_) return;
  if (!deferRefresh_) {
    RefreshFilterResults();
    return;
  }
  // The results' own label editor is still closing: its item stays until then.
  Loop().Post([this, alive = std::weak_ptr<int>(alive_)] {
    if (alive.lock()) RefreshFilterResults();
  });
}

void TXMLTreeFeatures::SyncResultsSelection() {
  if (!resultsShown_ || !findView_) return;
  TTreeItem* item = ResultItemOf(SelectedNode());
  {
    TTreeUpdateLock lock(*findView_);
    findView_->Select(item);
  }
  if (item)
    findView_->MakeVisible(item);
  else if (ResultsInFront())
    ClearSelection();
}

void TXMLTreeFeatures::ClearSelection() {
  ReleaseSelection();
  if (ITreeView* tree = TreeControl(); tree && tree->Selected()) {
    TTreeUpdateLock lock(*tree);
    tree->Select(nullptr);
  }
  ShowCurtain();
  TreeStateChanged();
}

void TXMLTreeFeatures::TreeChange(TTreeItem* item) {
  TXMLTreeCore::TreeChange(item);
  if (!resultsShown_ || !findView_ || !item) return;
  TxevXMLNode2* node = SelectedNode();
  if (TTreeItem* result = ResultItemOf(node)) {
    {
      TTreeUpdateLock lock(*findView_);
      findView_->Select(result);
    }
    findView_->MakeVisible(result);
  } else if (node && ResultsInFront()) {
    ShowAllFolders();
  }
}

void TXMLTreeFeatures::FilterResultChosen(TxevXMLNode2* node) {
  if (node)
    SelectFromFilter(node);
  else if (ResultsInFront())
    ClearSelection();
}

void TXMLTreeFeatures::RenameResult(TxevXMLNode2* node, const std::string& text) {
  TTreeItem* item = ItemOf(node);
  TTreeItem* result = ResultItemOf(node);
  if (!item || !result) return;
  deferRefresh_ = true;
  TreeEdited(item, text);
  deferRefresh_ = false;
  if (findView_) findView_->SetText(result, node->Text());
}

TxevXMLNode2* TXMLTreeFeatures::SelectionAfterDelete(TxevXMLNode2* node) const {
  if (ResultsInFront()) {
    const size_t index = ResultIndexOf(node);
    if (index < resultNodes_.size()) return index == 0 ? nullptr : resultNodes_[index - 1];
  }
  return TXMLTreeCore::SelectionAfterDelete(node);
}

TFilterStatus TXMLTreeFeatures::FilterStatusText() {
  return Bank() ? FilterStatusOf(ReadSearchRec(*Bank())) : TFilterStatus();
}

// ---------------------------------------------------------------------------------------------
// The quick search

platform::ITimer& TXMLTreeFeatures::IncrementalSearchTimer() {
  if (!quickTimer_) {
    quickTimer_ = Loop().CreateTimer();
    quickTimer_->SetInterval(kQuickSearchDelay);
    quickTimer_->OnTimer = [this] {
      quickTimer_->SetEnabled(false);
      if (!quickText_.empty()) QuickSearch(nullptr, quickText_);
    };
  }
  return *quickTimer_;
}

void TXMLTreeFeatures::QuickSearchChanged(const std::string& text) {
  quickText_ = text;
  platform::ITimer& timer = IncrementalSearchTimer();
  timer.SetEnabled(false);
  if (!text.empty()) timer.SetEnabled(true);
}

void TXMLTreeFeatures::QuickSearch(TxevXMLNode2* start, const std::string& text) {
  TXMLDataBase2* bank = Bank();
  if (!bank || !TreeControl()) return;
  if (TxevXMLNode2* found = QuickSearchFind(bank->Root(), start, text)) TreeControl()->Select(ItemOf(found));
}

void TXMLTreeFeatures::SearchNextRecord() {
  if (quickText_.empty())
    ShowQuickSearchBox();
  else
    QuickSearch(SelectedNode(), quickText_);
}

// ---------------------------------------------------------------------------------------------
// Bookmarks

std::vector<TBookmarkMenuItem> TXMLTreeFeatures::BookmarkMenu() {
  if (!Bank()) return {};
  return BookmarkMenuItems(BookmarksElement(*Bank()));
}

void TXMLTreeFeatures::SaveBookmark() {
  TxevXMLNode2* node = SelectedNode();
  if (!node || !Bank()) return;
  StoreOpenValues();
  std::string name = node->Text();
  {
    TBankSession::TBusyScope busy(Session());
    if (!UI().InputBox(SSaveBookmarkCaption, SBookmarkNamePrompt, name)) return;
  }
  if (!NodeMap().Contains(node)) return;  // gone while the box was open
  AppendBookmark(BookmarksElement(*Bank()), name, node->GetAttribute(bank::xaID));
  SetModified();
}

void TXMLTreeFeatures::ManageBookmarks() {
  if (!Bank()) return;
  StoreOpenValues();
  TBookmarkWork work(BookmarksElement(*Bank()));
  {
    TBankSession::TBusyScope busy(Session());
    if (!ExecuteBookmarkManager(work)) return;
  }
  if (!Bank()) return;
  work.CommitTo(BookmarksElement(*Bank()));
  SetModified();
}

// ---------------------------------------------------------------------------------------------
// Import and export

void TXMLTreeFeatures::ImportCommand() {
  if (!Bank() || PasteInFlight()) return;
  TBankSession::TBusyScope busy(Session());
  const std::string path = AskBankFile(Session(), UI(), false);
  if (!path.empty()) ImportFile(path);
}

bool TXMLTreeFeatures::ImportFile(const std::string& path) {
  if (!Bank() || PasteInFlight()) return false;
  std::vector<std::unique_ptr<TxevXMLNode2>> nodes;
  {
    TBorrowedBankState borrowed(Session());
    TXMLDataBase2 other;
    if (!Session().LoadBankFile(path, &other)) {
      UI().MessageBox(Session().CouldNotOpenMessage(), SErrorCaption, platform::MsgButtons::Ok,
                      platform::MsgIcon::None);
      return false;
    }
    nodes = ImportableNodes(other);
  }
  if (nodes.empty() || !Bank()) return true;
  TBusy busy(*this);  // not over the password prompt
  const int selectedID = bank::NodeID(SelectedNode());
  PlaceCopies(std::move(nodes));
  Session().PendingID = selectedID;
  FinishTreeChange();
  SetModified();
  return true;
}

void TXMLTreeFeatures::ExportCommand() {
  if (!Bank() || !SelectedNode()) return;
  TBankSession::TBusyScope busy(Session());
  const std::string path = AskBankFile(Session(), UI(), true);
  if (!path.empty()) ExportFile(path);
}

bool TXMLTreeFeatures::ExportFile(const std::string& path) {
  TxevXMLNode2* selected = SelectedNode();
  if (!Bank() || !selected) return false;
  StoreOpenValues();  // the file holds what the user sees
  TBorrowedBankState borrowed(Session());
  TExportChoice choice = ExportChoiceFor(selected, Images, !Session().Password().empty(), Session().Compress());
  if (!SelectNodesForExport(choice)) return false;
  // The dialog's loop may have run anything: only nodes still in the tree are written.
  for (TExportItem& item : choice.Items)
    if (!NodeMap().Contains(item.Node)) item.Checked = false;
  TBusy busy(*this);
  // Frozen here (what changed since the last save), written beside the window as a save is.
  std::unique_ptr<const TXMLDataBase2Snapshot> out =
      ExportSnapshot(choice, Session().NextNodeID, platform::ShortDateText(std::time(nullptr)));
  if (!out) return false;
  return Session().ExportBank(path, std::move(out), ExportLayers(choice, Session().Password()));
}

// ---------------------------------------------------------------------------------------------
// Databank information

void TXMLTreeFeatures::BankInfoCommand() {
  if (!HasSession()) return;
  StoreOpenValues();
  ShowBankInfo(BankInfoOf(Session()));
}
