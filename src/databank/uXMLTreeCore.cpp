#include "databank/uXMLTreeCore.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <utility>

#include "databank/uDataBankContent.h"
#include "databank/uNodeClipboard.h"
#include "platform/SharedWork.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "xml/uSettingsBase.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

namespace {

// A text as its lines: the editor hands its text back with CR LF between lines, so a record stored
// with LF alone (imported, or written by another program) is not changed by being looked at.
std::string AsLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

// The values a node holds as every reader sees them (a missing element reads as an empty one, ...).
// Comparing them before and after a store tells whether the store changed anything, without
// mistaking a value written out in full for a change. The caret position is left out: moving the
// caret is no change of the databank, only of its view (ViewValues).
std::string StoredValues(const TxevXMLNode2* node) {
  std::string out = node->Text();
  auto add = [&out](const std::string& value) {
    out += '\0';
    out += value;
  };
  add(bank::NodeKeywords(node));
  add(bank::InheritedHighLight(node));
  if (bank::IsRecord(node)) {
    add(AsLines(bank::RecordData(node)));
    add(AsLines(bank::RecordComments(node)));
    add(std::to_string(bank::RecordCommentPanelHeight(node)));
    add(bank::RecordCommentPanelShown(node) ? "1" : "0");
    add(bank::InheritedCommentPanelAlignment(node) ? "1" : "0");
  }
  return out;
}

// The caret a record's view holds, as opening it reads it (missing, 0 and 1 are the same start).
std::pair<int, int> ViewValues(const TxevXMLNode2* node) {
  if (!bank::IsRecord(node)) return {0, 0};
  return {std::max(1, bank::RecordXPos(node)), std::max(1, bank::RecordYPos(node))};
}

}  // namespace

std::string DeleteQuestionText(const std::string& title) {
  return "Delete: \"" + title + "\" ?";
}

std::string TreeCaptionText(const std::string& title, TXMLDataBase2* bank) {
  if (!bank) return title;
  return title + " - " + bank->ReadString(bank::skDataBaseName, bank::DefDataBaseName);
}

TXMLTreeCore::TXMLTreeCore() = default;

// A paste made beside the window (a job of the helper threads): Run makes the copy, its IDs and its
// items, touching nothing but what it makes and what it was given, then posts Made to the window's
// loop; the window's thread reads what it made once Done is set.
struct TXMLTreeCore::TPendingPaste {
  TClipboardNodeSource Source;
  TxevXMLNode2* Parent = nullptr;  // the place, as PastePlace gave it
  TxevXMLNode2* Before = nullptr;
  int FirstID = 0;      // NextNodeID when the paste began: the copy's IDs count from here
  int SelectedID = -1;  // the node selected when the paste began (-1: none)
  TTreeImages Images;
  const ITreeView* View = nullptr;
  platform::IEventLoop* Loop = nullptr;  // where Made goes
  std::function<void()> Made;
  std::mutex Mutex;  // Done, for a cancel that waits for the end of Run
  std::condition_variable Ended;
  std::atomic<bool> Done{false};
  std::atomic<bool> Dropped{false};  // set: Run ends at its next step, nobody waits for what it makes
  // Made by Run.
  std::unique_ptr<TxevXMLNode2> Copy;
  int NextID = 0;
  bool Renumbered = false;  // false: the IDs have to be given where the databank can be looked at
  std::vector<TTreeItemSpec> Specs;
  std::unique_ptr<TPreparedItems> Items;
  std::unique_ptr<TTreeNodeMap::TPart> MapPart;  // the map's entries of the items, where the view made them
  std::exception_ptr Failure;

  void Run() {
    const auto wanted = [this] { return !Dropped.load(std::memory_order_relaxed); };
    try {
      Copy = Source.Make([this] { return Dropped.load(std::memory_order_relaxed); });
      if (Copy && wanted()) {
        // Without the databank to look at: right as long as the counter never runs out.
        NextID = FirstID;
        bank::RenumberSubtree(Copy.get(), NextID, nullptr);
        Renumbered = NextID < INT_MAX;
        // The save after the paste then freezes only what lies around the copy.
        if (Renumbered && wanted()) TxevXMLFrozen2::FreezeTree(*Copy);
        if (wanted()) AppendSubtreeSpecs(Copy.get(), Images, Specs);
        if (wanted()) Items = View->PrepareItems(Specs);
        std::vector<TTreeItem*> made;
        if (wanted() && Renumbered && Items->Made(made)) MapPart = TTreeNodeMap::MakePart(Specs, made);
      }
    } catch (...) {
      Failure = std::current_exception();
    }
    // Posted first: once Done is set, the window's thread may free this.
    if (Made && !Dropped) Loop->Post(std::move(Made));
    std::lock_guard<std::mutex> lock(Mutex);
    Done = true;
    Ended.notify_all();
  }
  // Waits for the end of Run.
  void Wait() {
    std::unique_lock<std::mutex> lock(Mutex);
    Ended.wait(lock, [this] { return Done.load(); });
  }
};

TXMLTreeCore::~TXMLTreeCore() {
  CancelPaste();
}

void TXMLTreeCore::SetTreeView(ITreeView* view) {
  if (view != view_) CancelPaste();
  view_ = view;
}

void TXMLTreeCore::CreateSession(TSettings* settings, TBankSession::TOptions options, platform::IUIServices* ui,
                                 platform::IEventLoop* loop) {
  settings_ = settings;
  ui_ = ui;
  loop_ = loop;
  session_ = std::make_unique<TBankSession>(settings, std::move(options), ui, loop);
  TBankSession::THooks& h = session_->Hooks;
  h.LeaveFilter = [this] { HideFilter(); };
  h.CommitRecord = [this] { ReleaseSelection(); };
  // A save stores what is typed and leaves the record open: nothing of it changes on disk, so
  // reopening it would only take the focus and the keys typed meanwhile.
  h.StoreRecord = [this] { StoreOpenValues(); };
  // Asked before the save-changes question: whatever the editor holds beyond the code text
  // (comments, keywords) counts as a change too, so it is stored first (and marks the databank).
  h.RecordModified = [this] {
    StoreOpenValues();
    return false;
  };
  h.ShowCurtain = [this] { ShowCurtain(); };
  h.ReadState = [this] { ReadBankState(); };
  h.WriteState = [this] { WriteBankState(); };
  h.BankClosing = [this] { BankClosing(); };
  h.RebuildTree = [this] { RebuildTree(); };
  h.SelectedNodeID = [this] { return bank::NodeID(SelectedNode()); };
  h.StateChanged = [this] { TreeStateChanged(); };
  h.Notify = [this](const std::string& text) { ShowNotification(text); };
}

void TXMLTreeCore::DestroySession() {
  CancelPaste();
  if (session_) session_->Hooks = TBankSession::THooks();
  session_.reset();
}

bool TXMLTreeCore::ClipboardHoldsNode() const {
  return ClipboardHasXMLNode();
}

platform::IUIServices& TXMLTreeCore::UI() const {
  return ui_ ? *ui_ : platform::UI();
}

platform::IEventLoop& TXMLTreeCore::Loop() const {
  return loop_ ? *loop_ : platform::EventLoop();
}

// ---------------------------------------------------------------------------------------------
// Virtual operations

void TXMLTreeCore::ReadBankState() {
  if (!session_) return;
  session_->ReadBankState();
  UpdateCaption();
}

void TXMLTreeCore::WriteBankState() {
  if (!session_) return;
  session_->WriteBankState();
  UpdateCaption();
}

bool TXMLTreeCore::IsRecord(const TxevXMLNode2* node) const {
  return bank::IsRecord(node);
}
bool TXMLTreeCore::IsFolder(const TxevXMLNode2* node) const {
  return bank::IsFolder(node);
}

void TXMLTreeCore::UpdateCaption() {
  const std::string caption = TreeCaptionText(ApplicationTitle, Bank());
  if (session_) session_->ApplicationTitle = caption;
  ApplyCaption(caption, WindowSettings.AlwaysTrayIcon || InTray);
}

void TXMLTreeCore::SetModified() {
  if (session_) session_->SetModified();
}

void TXMLTreeCore::OpenRecordInEditor() {
  if (!Editor) return;
  Editor->OpenRecord(CurrentRecord);
  RecordOpened();
}

void TXMLTreeCore::CloseRecordInEditor() {
  if (!Editor) return;
  RecordClosing();
  Editor->StoreRecord();
}

void TXMLTreeCore::FocusEditor() {
  if (IsForegroundWindow() && Editor) Editor->FocusEditor();
}

void TXMLTreeCore::ClearEditor() {
  if (Editor) Editor->ClearEditor();
}

void TXMLTreeCore::DetachEditor() {
  if (Editor) Editor->DetachRecord();
}

void TXMLTreeCore::SetEditorEnabled(bool enabled) {
  if (Editor) Editor->SetEditorEnabled(enabled);
}

void TXMLTreeCore::DisableEditor() {
  if (Editor) SetEditorEnabled(false);
}

void TXMLTreeCore::EnableEditor() {
  if (Editor) SetEditorEnabled(true);
}

void TXMLTreeCore::ActivateEditor() {
  FocusEditor();
}

void TXMLTreeCore::FolderSelected() {
  ShowCurtain();
  // The folder left behind keeps what was typed for it.
  if (CurrentFolder) StoreWatched(CurrentFolder, &TXMLTreeCore::RecordClosing);
  CurrentFolder = SelectedNode();
  RecordOpened();
}

void TXMLTreeCore::RecordSelected() {
  HideCurtain();
  if (CurrentFolder)
    StoreWatched(CurrentFolder, &TXMLTreeCore::RecordClosing);
  else
    RecordClosing();
  CurrentFolder = nullptr;
}

// Runs store and marks the databank modified when it changed anything stored in node, or tells the
// session of a changed view (the caret).
void TXMLTreeCore::StoreWatched(TxevXMLNode2* node, void (TXMLTreeCore::*store)()) {
  if (!node) {
    (this->*store)();
    return;
  }
  const std::string before = StoredValues(node);
  const std::pair<int, int> viewBefore = ViewValues(node);
  (this->*store)();
  if (StoredValues(node) != before) SetModified();
  if (ViewValues(node) != viewBefore && session_) session_->ViewChanged();
}

// ---------------------------------------------------------------------------------------------
// Tree routines

TxevXMLNode2* TXMLTreeCore::SelectedNode() const {
  return view_ ? view_->NodeOf(view_->Selected()) : nullptr;
}

void TXMLTreeCore::RebuildTree() {
  if (!view_) return;
  CancelPaste();
  {
    TTreeUpdateLock lock(*view_);
    view_->Clear();
    map_.Clear();
    lastSelected_ = nullptr;
    if (TXMLDataBase2* bank = Bank()) {
      const std::vector<TTreeItemSpec> specs = BuildTreeSpecs(bank->Root(), Images);
      std::vector<TTreeItem*> items;
      view_->InsertItems(nullptr, nullptr, specs, items);
      map_.AddAll(specs, items);
    }
  }
  if (!map_.Contains(cutNode_)) ForgetCut();
  if (session_ && session_->PendingID >= 0) {
    restoringSelection_ = true;
    SelectNodeByID(session_->PendingID);
    restoringSelection_ = false;
  }
  if (session_) session_->PendingID = -1;
  TreeStateChanged();
}

void TXMLTreeCore::SelectNodeByID(int id) {
  if (TxevXMLNode2* node = FindNodeByID(id)) view_->Select(map_.ItemOf(node));
}

void TXMLTreeCore::SelectFromFilter(const TxevXMLNode2* node) {
  const int id = bank::NodeID(node);
  if (id >= 0) SelectNodeByID(id);
}

void TXMLTreeCore::EditSelectedRecord() {
  if (CurrentRecord && CurrentRecord == SelectedNode()) ActivateEditor();
}

void TXMLTreeCore::CommitEditor() {
  if (!CurrentRecord) return;
  if (Editor) {
    if (Editor->IsModified()) SetModified();
    StoreWatched(CurrentRecord, &TXMLTreeCore::CloseRecordInEditor);
  }
  DisableEditor();
  ClearEditor();
  DetachEditor();
  CurrentRecord = nullptr;
}

void TXMLTreeCore::SelectRecord(bool noFocus) {
  TxevXMLNode2* node = SelectedNode();
  if (!node) return;
  if (IsRecord(node)) {
    // A record still open is written back first; reopening it must not drop what was typed.
    CommitEditor();
    RecordSelected();
    CurrentRecord = node;
    OpenRecordInEditor();
    EnableEditor();
    if (!noFocus && settings_ && settings_->ReadBool(treesettings::AutoOpenRecord, false)) ActivateEditor();
  } else if (IsFolder(node)) {
    FolderSelected();
  }
}

void TXMLTreeCore::ReleaseSelection() {
  CommitEditor();
  if (CurrentFolder) StoreWatched(CurrentFolder, &TXMLTreeCore::RecordClosing);
  CurrentFolder = nullptr;
}

void TXMLTreeCore::StoreOpenValues() {
  if (CurrentRecord && Editor) {
    // Typed edits mark the databank as a commit does; once stored, the node holds them, so the
    // editor counts its changes afresh from here.
    if (Editor->IsModified()) SetModified();
    StoreWatched(CurrentRecord, &TXMLTreeCore::CloseRecordInEditor);
    Editor->ClearModified();
  }
  if (CurrentFolder) StoreWatched(CurrentFolder, &TXMLTreeCore::RecordClosing);
}

void TXMLTreeCore::BankClosing() {
  CancelPaste();
  ReleaseSelection();
  ForgetCut();
  lastSelected_ = nullptr;
  if (view_) {
    TTreeUpdateLock lock(*view_);
    view_->Clear();
  }
  map_.Clear();
  TreeStateChanged();
}

// ---------------------------------------------------------------------------------------------
// Patching the items

void TXMLTreeCore::InsertSubtreeItems(TxevXMLNode2* node) {
  std::vector<TTreeItemSpec> specs;
  AppendSubtreeSpecs(node, Images, specs);
  std::vector<TTreeItem*> items;
  TTreeItem* next = map_.ItemOf(NextTreeSibling(node));
  {
    TTreeUpdateLock lock(*view_);
    view_->InsertItems(map_.ItemOf(node->Parent()), next, specs, items);
  }
  map_.AddAll(specs, items);
}

void TXMLTreeCore::MoveSubtreeItem(TxevXMLNode2* node) {
  TTreeUpdateLock lock(*view_);
  view_->MoveItem(map_.ItemOf(node), map_.ItemOf(node->Parent()), map_.ItemOf(NextTreeSibling(node)));
}

// The items of node go, then the node itself. The caller ends with TreeContentChanged, which
// drops whatever else shows the node (the filter results).
void TXMLTreeCore::RemoveSubtree(TxevXMLNode2* node) {
  if (cutNode_ && IsSameOrInside(cutNode_, node)) ForgetCut();
  if (lastSelected_ && IsSameOrInside(lastSelected_, node)) lastSelected_ = nullptr;
  TTreeItem* item = map_.ItemOf(node);
  map_.RemoveSubtree(node);
  {
    TTreeUpdateLock lock(*view_);
    view_->RemoveItem(item);
  }
  node->Parent()->DeleteNode(node);
}

// The tail of a rebuild after a local patch: the pending node is selected afresh, so the record open
// in the editor is committed and the node reopened exactly as after a rebuild.
void TXMLTreeCore::FinishTreeChange() {
  const int id = session_->PendingID;
  session_->PendingID = -1;
  {
    TTreeUpdateLock lock(*view_);
    view_->Select(nullptr);
  }
  // Whatever else shows the tree follows it first, so that the selection finds it up to date.
  TreeContentChanged();
  if (id >= 0) SelectNodeByID(id);
  TreeStateChanged();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TXMLTreeCore::NewFolder() {
  if (PasteInFlight()) return;  // the paste keeps its place
  TXMLDataBase2* bank = Bank();
  TxevXMLNode2* selected = SelectedNode();
  if (!bank || !view_ || (selected && !IsFolder(selected))) return;
  // Marked now: a folder whose label edit is cancelled is still a new folder.
  SetModified();
  TxevXMLNode2* parent = selected ? selected : bank->Root();
  TxevXMLNode2* folder = parent->AddChild(bank::xnFolder);
  folder->SetText(SNewFolderTitle);
  bank::AssignID(folder, session_->NextNodeID, bank->Root());
  InsertSubtreeItems(folder);
  TreeContentChanged();
  TTreeItem* item = map_.ItemOf(folder);
  view_->SetFocus();
  view_->MakeVisible(item);
  view_->Select(item);
  view_->StartEdit(item);
}

void TXMLTreeCore::NewRecord() {
  if (PasteInFlight()) return;  // the paste keeps its place
  TxevXMLNode2* selected = SelectedNode();
  TxevXMLNode2* parent = IsFolder(selected) ? selected : ParentFolder(selected);
  if (!Bank() || !view_ || !parent) return;
  CommitEditor();
  SetModified();
  TxevXMLNode2* record = parent->AddChild(bank::xnRecord);
  record->SetText(SNewRecordTitle);
  record->AddChild(bank::xnData);
  bank::AssignID(record, session_->NextNodeID, Bank()->Root());
  InsertSubtreeItems(record);
  TreeContentChanged();
  TTreeItem* item = map_.ItemOf(record);
  view_->SetFocus();
  view_->MakeVisible(item);
  view_->StartEdit(item);
  view_->Select(item);
}

void TXMLTreeCore::RenameNode() {
  if (TxevXMLNode2* node = SelectedNode()) view_->StartEdit(map_.ItemOf(node));
}

void TXMLTreeCore::DeleteNode() {
  if (PasteInFlight()) return;  // the paste keeps its place
  TxevXMLNode2* node = SelectedNode();
  if (!node) return;
  ReleaseSelection();
  SetModified();
  int answer;
  {
    TBankSession::TBusyScope busy(*session_);  // no auto-save while the question waits
    answer = UI().MessageBox(DeleteQuestionText(node->Text()), SDeleteQuestionCaption, platform::MsgButtons::YesNo,
                             platform::MsgIcon::Question);
  }
  // The question's event loop may have run anything; the node must still be ours.
  if (!map_.Contains(node)) return;
  if (answer != platform::mrYes) {
    SelectRecord(false);
    return;
  }
  TxevXMLNode2* previous = SelectionAfterDelete(node);
  view_->Select(map_.ItemOf(previous));
  if (!previous) ShowCurtain();
  RemoveSubtree(node);
  TreeContentChanged();
  TreeStateChanged();
}

TxevXMLNode2* TXMLTreeCore::SelectionAfterDelete(TxevXMLNode2* node) const {
  return PrecedingTreeNode(node);
}

void TXMLTreeCore::MoveNodeUp() {
  MoveNode(false);
}

void TXMLTreeCore::MoveNodeDown() {
  MoveNode(true);
}

// The node and its neighbour in the tree change places in the document; in the tree the lower of
// the two moves above the other.
void TXMLTreeCore::MoveNode(bool down) {
  if (PasteInFlight()) return;  // the paste keeps its place
  TxevXMLNode2* node = SelectedNode();
  TxevXMLNode2* other = down ? NextTreeSibling(node) : PrevTreeSibling(node);
  if (!other) return;
  session_->PendingID = bank::NodeID(node);
  XMLSwapSiblings(node, other);
  MoveSubtreeItem(down ? other : node);
  FinishTreeChange();
  SetModified();
}

bool TXMLTreeCore::CanDrop(const TxevXMLNode2* dragged, const TxevXMLNode2* target) const {
  if (!Bank() || !dragged || !map_.Contains(dragged) || PasteInFlight()) return false;
  if (!target) return true;
  return map_.Contains(target) && IsFolder(target) && !IsSameOrInside(target, dragged);
}

void TXMLTreeCore::DropNode(TxevXMLNode2* dragged, TxevXMLNode2* target) {
  if (!CanDrop(dragged, target)) return;
  CommitEditor();
  if (!dragged->MoveTo(target ? target : Bank()->Root())) return;
  session_->PendingID = bank::NodeID(dragged);
  MoveSubtreeItem(dragged);
  FinishTreeChange();
  SetModified();
}

void TXMLTreeCore::CopyNode() {
  PutOnClipboard(false);
}

void TXMLTreeCore::CutNode() {
  PutOnClipboard(true);
}

// Copy and Cut: the selected node goes on the clipboard; Cut also marks it for the next paste.
void TXMLTreeCore::PutOnClipboard(bool cut) {
  TxevXMLNode2* node = SelectedNode();
  if (!node || !Bank()) return;
  StoreOpenValues();  // the copy holds what the user sees
  CopyXMLNodeToClipboard(node);
  ForgetCut();
  if (cut) {
    cutNode_ = node;
    cutID_ = bank::NodeID(node);
    cutBlock_ = OwnClipboardNode();
  }
  TreeStateChanged();
}

void TXMLTreeCore::ForgetCut() {
  cutNode_ = nullptr;
  cutID_ = -1;
  cutBlock_.reset();
}

bool TXMLTreeCore::CutStillValid() const {
  return cutNode_ && map_.Contains(cutNode_) && bank::NodeID(cutNode_) == cutID_ && cutBlock_ &&
         OwnClipboardNode() == cutBlock_;
}

TxevXMLNode2* TXMLTreeCore::MarkedCutNode() const {
  return CutStillValid() ? cutNode_ : nullptr;
}

void TXMLTreeCore::PastePlace(TxevXMLNode2*& parent, TxevXMLNode2*& before) const {
  // Into a folder (or the top level) at its end; onto a record directly before it.
  TxevXMLNode2* target = SelectedNode();
  if (!target) target = Bank()->Root();
  parent = target;
  before = nullptr;
  if (target != Bank()->Root() && !IsFolder(target)) {
    parent = target->Parent();
    before = target;
  }
}

std::vector<TxevXMLNode2*> TXMLTreeCore::PlaceCopies(std::vector<std::unique_ptr<TxevXMLNode2>> copies) {
  if (!Bank() || !view_) return {};
  TxevXMLNode2 *parent, *before;
  PastePlace(parent, before);
  return PlaceCopies(std::move(copies), parent, before);
}

std::vector<TxevXMLNode2*> TXMLTreeCore::PlaceCopies(std::vector<std::unique_ptr<TxevXMLNode2>> copies,
                                                     TxevXMLNode2* parent, TxevXMLNode2* before) {
  std::vector<TxevXMLNode2*> placed;
  if (!Bank() || !view_) return placed;
  for (std::unique_ptr<TxevXMLNode2>& copy : copies) {
    bank::RenumberSubtree(copy.get(), session_->NextNodeID, Bank()->Root());
    TxevXMLNode2* node =
        before ? parent->InsertNode(before->IndexInParent(), std::move(copy)) : parent->AddNode(std::move(copy));
    InsertSubtreeItems(node);
    placed.push_back(node);
  }
  return placed;
}

void TXMLTreeCore::PasteNode() {
  TXMLDataBase2* bank = Bank();
  if (!bank || !view_ || PasteInFlight()) return;
  TxevXMLNode2 *parent, *before;
  PastePlace(parent, before);
  if (!CutStillValid()) {
    ForgetCut();
    PasteCopy(parent, before);
    return;
  }
  TxevXMLNode2* node = cutNode_;
  if (IsSameOrInside(before ? before : parent, node)) {
    UI().ShowMessage(SPasteIntoItself, ApplicationTitle);
    return;
  }
  CommitEditor();
  if (!node->MoveTo(parent, before)) return;
  ForgetCut();
  session_->PendingID = bank::NodeID(node);
  MoveSubtreeItem(node);
  FinishTreeChange();
  SetModified();
}

// A copy of what the clipboard holds, put at the place given (before nullptr: at the end of parent),
// selected once it is there.
void TXMLTreeCore::PasteCopy(TxevXMLNode2* parent, TxevXMLNode2* before) {
  TClipboardNodeSource source = ClipboardNodeSource();
  // A large subtree, and another program's block, are made beside the window; the tree stays as it
  // is (its selection and its view) until the copy is put in place.
  if (source.ReadsBeside() || platform::SharedWorkShares({.Nodes = source.Elements(), .Bytes = source.Bytes()}) > 1) {
    auto paste = std::make_unique<TPendingPaste>();
    paste->Source = std::move(source);
    paste->Parent = parent;
    paste->Before = before;
    StartPaste(std::move(paste));
    return;
  }
  TBusy busy(*this);
  std::unique_ptr<TxevXMLNode2> copy = source.Make();
  if (!copy) {
    UI().ShowMessage(SNoNodeOnClipboard, ApplicationTitle);
    return;
  }
  std::vector<std::unique_ptr<TxevXMLNode2>> copies;
  copies.push_back(std::move(copy));
  session_->PendingID = bank::NodeID(PlaceCopies(std::move(copies), parent, before).front());
  FinishTreeChange();
  SetModified();
}

void TXMLTreeCore::StartPaste(std::unique_ptr<TPendingPaste> paste) {
  paste->FirstID = session_->NextNodeID;
  if (TxevXMLNode2* selected = SelectedNode()) paste->SelectedID = bank::NodeID(selected);
  paste->Images = Images;
  paste->View = view_;
  BusyChanged(true);
  TPendingPaste* job = paste.get();
  pending_ = std::move(paste);
  pasteWanted_ = std::make_shared<bool>(true);
  // Posted by the job, run from the loop: dropped when the paste was cancelled (or this destroyed)
  // meanwhile.
  job->Loop = &Loop();
  job->Made = [this, wanted = std::weak_ptr<bool>(pasteWanted_)] {
    if (wanted.lock()) platform::RunGuarded([this] { PasteMade(); });
  };
  platform::RunBeside([job] { job->Run(); });
  TreeStateChanged();
}

void TXMLTreeCore::PasteMade() {
  // A prompt of the databank's runs a loop of its own, from which this poll is reached too: the
  // databank such a step works on stays as it is until it ends. A label edit opened meanwhile (a
  // click on the selected node) ends first too: moving the selection under it would close it.
  if (!pending_) return;
  // Reached only once the paste has posted this, which it does as the last step of its run: its end
  // is a moment away at most.
  pending_->Wait();
  if ((session_ && session_->Busy()) || (view_ && view_->IsEditing())) {
    // Neither tells when it ends: looked at again shortly, until it has.
    if (!pasteTimer_) {
      pasteTimer_ = Loop().CreateTimer();
      pasteTimer_->SetInterval(10);
      pasteTimer_->OnTimer = [this] { platform::RunGuarded([this] { PasteMade(); }); };
    }
    pasteTimer_->SetEnabled(true);
    return;
  }
  if (pasteTimer_) pasteTimer_->SetEnabled(false);
  std::unique_ptr<TPendingPaste> paste = std::move(pending_);
  pasteWanted_.reset();
  BusyChanged(false);
  if (paste->Failure) {
    TreeStateChanged();
    std::rethrow_exception(paste->Failure);
  }
  PlacePaste(*paste);
}

void TXMLTreeCore::PlacePaste(TPendingPaste& paste) {
  TXMLDataBase2* bank = Bank();
  if (!paste.Copy) {
    UI().ShowMessage(SNoNodeOnClipboard, ApplicationTitle);
    TreeStateChanged();
    return;
  }
  // Nothing that changes the tree ran meanwhile, and a new databank dropped the paste; this only
  // makes sure.
  const bool placeStands = bank && view_ == paste.View &&
                           (paste.Parent == bank->Root() || map_.Contains(paste.Parent)) &&
                           (!paste.Before || (map_.Contains(paste.Before) && paste.Before->Parent() == paste.Parent));
  if (!placeStands) {
    TreeStateChanged();
    return;
  }
  if (paste.Renumbered && session_->NextNodeID == paste.FirstID) {
    session_->NextNodeID = paste.NextID;
  } else {
    bank::RenumberSubtree(paste.Copy.get(), session_->NextNodeID, bank->Root());
    for (TTreeItemSpec& spec : paste.Specs) spec.ID = ItemSpecOf(spec.Node, spec.Parent, Images).ID;
    paste.MapPart.reset();  // made with the IDs of before
  }
  TxevXMLNode2* node = paste.Before ? paste.Parent->InsertNode(paste.Before->IndexInParent(), std::move(paste.Copy))
                                    : paste.Parent->AddNode(std::move(paste.Copy));
  std::vector<TTreeItem*> items;
  {
    std::vector<std::unique_ptr<TPreparedItems>> parts;
    parts.push_back(std::move(paste.Items));
    TTreeUpdateLock lock(*view_);
    view_->InsertPrepared(map_.ItemOf(node->Parent()), map_.ItemOf(NextTreeSibling(node)), std::move(parts), items);
  }
  if (paste.MapPart)
    map_.AddPart(std::move(paste.MapPart));
  else
    map_.AddAll(paste.Specs, items);
  // Where the user went on meanwhile (another node selected, perhaps being typed into), the copy
  // goes in without taking the selection and the keys from there; otherwise it is selected.
  TxevXMLNode2* selected = SelectedNode();
  if ((selected ? bank::NodeID(selected) : -1) != paste.SelectedID) {
    TreeContentChanged();
    TreeStateChanged();
  } else {
    session_->PendingID = bank::NodeID(node);
    FinishTreeChange();
  }
  SetModified();
}

void TXMLTreeCore::CancelPaste() {
  if (!pending_) return;
  if (pasteTimer_) pasteTimer_->SetEnabled(false);
  pasteWanted_.reset();
  pending_->Dropped = true;
  pending_->Wait();
  pending_.reset();
  BusyChanged(false);
}

// The copy goes to the end of the node's folder (or of the top level) with fresh IDs, and the
// clipboard keeps the node. The selection stays where it is until the copy is there (a large copy
// is made beside the window, which goes on meanwhile), and then moves to the copy, unless the user
// selected another node meanwhile.
void TXMLTreeCore::DuplicateNode() {
  if (PasteInFlight() || !Bank() || !view_) return;  // a paste in flight keeps its place
  TxevXMLNode2* node = SelectedNode();
  if (!node) return;
  CopyNode();
  TxevXMLNode2* folder = ParentFolder(node);
  PasteCopy(folder ? folder : Bank()->Root(), nullptr);
}

void TXMLTreeCore::FullExpand() {
  if (view_) view_->FullExpand();
}

void TXMLTreeCore::FullCollapse() {
  if (view_) view_->FullCollapse();
}

void TXMLTreeCore::EditDatabaseSettings() {
  if (!Bank()) return;
  WriteBankState();
  if (EditBankProperties()) {
    ReadBankState();
    UpdateCaption();
  }
}

// ---------------------------------------------------------------------------------------------
// Command states

TTreeActionContext TXMLTreeCore::ActionContext() const {
  TTreeActionContext c;
  TXMLDataBase2* bank = Bank();
  c.BankOpen = bank != nullptr;
  if (session_) {
    c.HasFileName = !session_->FileName().empty();
    c.HasPassword = !session_->Password().empty();
  }
  if (const TxevXMLNode2* node = SelectedNode()) {
    c.Selection = IsFolder(node) ? TTreeSelection::Folder : TTreeSelection::Record;
    c.SelectionInFolder = ParentFolder(node) != nullptr;
    c.HasPrevSibling = PrevTreeSibling(node) != nullptr;
    c.HasNextSibling = NextTreeSibling(node) != nullptr;
  }
  if (view_) {
    c.TreeFocused = view_->HasFocus();
    c.Editing = view_->IsEditing();
  }
  c.RootHasChildren = map_.Size() > 0;
  c.ClipboardHasNode = ClipboardHoldsNode();
  c.Pasting = PasteInFlight();
  if (bank) {
    const TxevXMLNode2* list = XMLFindPath(static_cast<const TxevXMLNode2*>(bank->Root()),
                                           std::string(bank::xnLists) + "\\" + bank::xnBookmarks);
    c.HasBookmarks = list && list->FindNode(bank::xnBookmark);
  }
  c.HasHomepage = !HomePageURL.empty();
  c.HasHelp = !HelpURL.empty();
  c.HasBugtracker = !BugtrackerURL.empty();
  c.HasDonate = !DonateURL.empty();
  return c;
}

// ---------------------------------------------------------------------------------------------
// Tree events

void TXMLTreeCore::TreeChange(TTreeItem* item) {
  if (!view_) return;
  // Nothing selected any more (a click on the empty area below the nodes): the record stays open,
  // but the commands follow at once, so New Folder makes a top-level folder.
  if (!item && !view_->Selected()) TreeStateChanged();
  if (!item || view_->Selected() != item || view_->IsEditing()) return;
  changeSeen_ = true;
  if (WindowSettings.AutoExpandTree) AutoExpand(item);
  CommitEditor();
  SelectRecord(SelectingForEdit);
  TreeStateChanged();
}

// The auto-expanding tree: the node being selected opens, the one left closes (unless it holds the new
// selection). Both are ordinary expansions, recorded in the document.
void TXMLTreeCore::AutoExpand(TTreeItem* item) {
  TxevXMLNode2* node = view_->NodeOf(item);
  TxevXMLNode2* left = lastSelected_;
  lastSelected_ = node;
  if (left && left != node && IsFolder(left) && !IsSameOrInside(node, left) && map_.Contains(left))
    view_->SetExpanded(map_.ItemOf(left), false);
  if (IsFolder(node)) view_->SetExpanded(item, true);
}

void TXMLTreeCore::TreeExpanded(TTreeItem* item) {
  FolderOpened(item, true);
}

void TXMLTreeCore::TreeCollapsed(TTreeItem* item) {
  FolderOpened(item, false);
}

// A folder opened or closed: its picture and its "expanded" attribute follow. That is a change of
// the view, not of the databank: nothing asks about it, and closing writes it with auto-save on. A
// folder the tree opens to show the node an open selects again is the view the file holds.
void TXMLTreeCore::FolderOpened(TTreeItem* item, bool open) {
  TxevXMLNode2* node = view_ ? view_->NodeOf(item) : nullptr;
  if (!IsFolder(node)) return;  // the widget also reports leaves it was asked to expand
  view_->SetImage(item, ImageForState(Images.Ranges, view_->ImageOf(item), open));
  bank::SetExpanded(node, open);
  if (session_ && !restoringSelection_) session_->ViewChanged();
}

void TXMLTreeCore::TreeEditing(TTreeItem* item) {
  if (!view_ || !item) return;
  if (CurrentRecord) CommitEditor();
  SelectingForEdit = true;
  changeSeen_ = false;
  view_->Select(item);
  SelectingForEdit = false;
  // Opened once: selecting a node that was not selected has opened it already.
  if (!changeSeen_) SelectRecord(true);
}

void TXMLTreeCore::TreeEdited(TTreeItem* item, const std::string& text) {
  TxevXMLNode2* node = view_ ? view_->NodeOf(item) : nullptr;
  if (!node) return;
  if (bank::IsEmptyTitle(text)) {
    // As if the edit was cancelled: the item and the node keep their old title.
    UI().MessageBox(bank::SEmptyTitle, ApplicationTitle, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    return;
  }
  bank::SetNodeTitle(node, text);
  view_->SetText(item, text);
  SetModified();
  SelectRecord(false);
  TreeContentChanged();
}
