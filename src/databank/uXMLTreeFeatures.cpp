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
  FilterTree(SearchRec, TResultsFill::FirstScreen);
  if (reopen) SelectRecord(true);
  const std::string error = LastRegExprError();
  if (!error.empty()) {
    HideFilter();
    UI().MessageBox(error, SErrorCaption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
  } else {
    // Found nothing: the empty results say so.
    ShowFilterResults();
    resultsShown_ = true;
    if (ResultsWaiting()) {
      // Many results: their first screen is painted before the rest is made, unless the selection
      // lies further on, where the view goes at once.
      const size_t selected = ResultIndexOf(SelectedNode());
      if (selected < resultNodes_.size() && selected >= resultItems_.size()) {
        FinishResults();
      } else {
        SyncResultsSelection();
        PaintNow();
        FinishResults();
      }
    }
    SyncResultsSelection();
  }
  TreeStateChanged();
}

bool TXMLTreeFeatures::RecordMatches(TxevXMLNode2* node, const TSearchForRec& search) {
  return ::RecordMatches(node, search, Editor);
}

bool TXMLTreeFeatures::FilterTree(const TSearchForRec& search, TResultsFill fill) {
  TXMLDataBase2* bank = Bank();
  if (!bank || !findView_) return false;
  TBusy busy(*this);
  pendingResults_.clear();
  pendingSpecs_.clear();
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
  resultNodes_.reserve(results.Specs.size());
  for (const TTreeItemSpec& spec : results.Specs) resultNodes_.push_back(spec.Node);
  const bool split = fill == TResultsFill::FirstScreen && results.Specs.size() > kFirstScreenItems;
  // The folders open as they are inserted (the specs say so), before the results are first laid
  // out: opening them all afterwards would lay the whole results out once more.
  if (results.Items.empty() && split) {
    // Made here: a screen of them now, the rest below the items they belong to later.
    const std::vector<TTreeItemSpec> first(results.Specs.begin(), results.Specs.begin() + kFirstScreenItems);
    findView_->InsertItems(nullptr, nullptr, first, resultItems_);
    pendingSpecs_ = std::move(results.Specs);
  } else if (results.Items.empty()) {
    findView_->InsertItems(nullptr, nullptr, results.Specs, resultItems_);
  } else {
    // Made beside the window in parts, each the results of a run of top-level nodes: the parts up to
    // a screen of them now, the others after them later.
    size_t take = results.Items.size();
    if (split)
      for (size_t k = 0, items = 0; k < results.Items.size(); ++k)
        if ((items += results.Items[k]->Count()) >= kFirstScreenItems) {
          take = k + 1;
          break;
        }
    for (size_t k = take; k < results.Items.size(); ++k) pendingResults_.push_back(std::move(results.Items[k]));
    results.Items.resize(take);
    findView_->InsertPrepared(nullptr, nullptr, std::move(results.Items), resultItems_);
  }
  return true;
}

void TXMLTreeFeatures::FinishResults() {
  if (!findView_ || !ResultsWaiting()) return;
  TTreeUpdateLock lock(*findView_);
  if (!pendingResults_.empty()) {
    std::vector<TTreeItem*> more;
    findView_->InsertPrepared(nullptr, nullptr, std::move(pendingResults_), more);
    resultItems_.insert(resultItems_.end(), more.begin(), more.end());
  }
  // The specs from resultItems_.size() on, in runs below one item in place each (a run: a node
  // whose parent is in place, or none, the nodes below it and its siblings that follow).
  const std::vector<TTreeItemSpec>& specs = pendingSpecs_;
  const int placed = int(resultItems_.size());
  for (size_t i = resultItems_.size(); i < specs.size();) {
    const int anchor = specs[i].Parent;
    size_t end = i + 1;
    while (end < specs.size() && (specs[end].Parent >= placed || specs[end].Parent == anchor)) ++end;
    std::vector<TTreeItemSpec> run(specs.begin() + std::ptrdiff_t(i), specs.begin() + std::ptrdiff_t(end));
    for (TTreeItemSpec& spec : run) spec.Parent = spec.Parent >= placed ? spec.Parent - int(i) : -1;
    std::vector<TTreeItem*> more;
    findView_->InsertItems(anchor >= 0 ? resultItems_[size_t(anchor)] : nullptr, nullptr, run, more);
    resultItems_.insert(resultItems_.end(), more.begin(), more.end());
    i = end;
  }
  pendingResults_.clear();
  pendingSpecs_.clear();
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
  pendingResults_.clear();
  pendingSpecs_.clear();
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
  std::string notice;
  {
    TBorrowedBankState borrowed(Session());
    TXMLDataBase2 other;
    if (!Session().LoadBankFile(path, &other)) {
      UI().MessageBox(Session().CouldNotOpenMessage(), SErrorCaption, platform::MsgButtons::Ok,
                      platform::MsgIcon::None);
      return false;
    }
    if (other.InvalidUtf8Bytes() > 0)
      notice =
          ImportedInvalidUtf8Notice(bankpaths::ExpandFileName(path), other.InvalidUtf8Bytes(), other.InvalidUtf8Line());
    nodes = ImportableNodes(other);
  }
  if (nodes.empty() || !Bank()) return true;
  {
    TBusy busy(*this);  // not over the password prompt
    const int selectedID = bank::NodeID(SelectedNode());
    PlaceCopies(std::move(nodes));
    Session().PendingID = selectedID;
    FinishTreeChange();
    SetModified();
  }
  // Told once the copies are in place, so that the user sees what the replacement characters are in.
  if (!notice.empty()) Session().ShowWarning(notice);
  return true;
}

void TXMLTreeFeatures::ExportCommand() {
  if (!Bank() || !SelectedNode()) return;
  TBankSession::TBusyScope busy(Session());
  for (;;) {
    const std::string path = AskBankFile(Session(), UI(), true);
    if (path.empty() || !Bank()) return;
    // A part of the databank written over its own file (or its backup) would take the rest with it
    // at the next save: the user chooses another name.
    if (!Session().IsOpenBankFile(path)) {
      ExportFile(path);
      return;
    }
    UI().MessageBox(SExportOntoOpenFile, SErrorCaption, platform::MsgButtons::Ok, platform::MsgIcon::None);
  }
}

bool TXMLTreeFeatures::ExportFile(const std::string& path) {
  TxevXMLNode2* selected = SelectedNode();
  if (!Bank() || !selected) return false;
  if (Session().IsOpenBankFile(path)) {
    UI().MessageBox(SExportOntoOpenFile, SErrorCaption, platform::MsgButtons::Ok, platform::MsgIcon::None);
    return false;
  }
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
