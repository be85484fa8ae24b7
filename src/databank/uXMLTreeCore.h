// The decisions of the databank tree window, without any widget: the open databank (through its
// file pipeline, TBankSession), the tree built from it and kept in step with every change, the
// selection and the record open in the editor, the commands that change the tree's shape, the node
// clipboard and the caption. The window (TXMLTreeForm) derives from this class and from its form
// base: it supplies the tree widget (ITreeView), the curtain and the caption, and the main window
// above it overrides the virtual operations below.
//
// Rules kept here beyond the plain sequence of each command:
// - Every change of the databank's content marks it modified (drag moves, pastes, duplicates and a
//   new folder whose label edit is cancelled included), so nothing can be lost unsaved.
// - No node pointer outlives the node: before a node is deleted or a databank closed, the open
//   record is committed, the selected folder's values are stored and both pointers are cleared; the
//   node marked by Cut is forgotten when it is deleted.
// - Committing the open record marks the databank modified whenever any value stored into the node
//   changed, not only the code text; the caret position alone is no change (it is stored and saved
//   with the next save).
// - A cut node is moved only while the clipboard still holds what Cut put there, never into itself
//   or below itself; anything else on the clipboard is pasted as a copy.
// - The tree is never rebuilt for a local change: the items of the changed place are patched, and
//   then the selection is restored by ID exactly as a rebuild restores it.
// - A paste of a large subtree (Paste Node, Duplicate Node) is made beside the window, which goes
//   on meanwhile: the copy, its IDs and its tree items; the window's thread then only puts them in
//   place, once no prompt of the databank's and no label edit is open. Until then the commands that
//   change the tree are refused (the place stays as it was), and closing the databank or the window
//   drops it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "databank/uBankSession.h"
#include "databank/uEditorIntf.h"
#include "databank/uTreeActions.h"
#include "databank/uTreeModel.h"
#include "databank/uTreeWindowSettings.h"

namespace platform {
class IUIServices;
class IEventLoop;
class ITimer;
}  // namespace platform

// Texts of the tree commands.
inline constexpr const char* SDeleteQuestionCaption = "Confirm";
inline constexpr const char* SNewFolderTitle = "NewFolder";
inline constexpr const char* SNewRecordTitle = "New Record";
inline constexpr const char* SNoRecordSelected = "No record selected!";
inline constexpr const char* SPasteIntoItself = "A node cannot be pasted into itself or below itself.";
inline constexpr const char* SNoNodeOnClipboard = "The clipboard holds no folder or record to paste.";
// "Delete: \"<title>\" ?"
std::string DeleteQuestionText(const std::string& title);
// The caption: the title, then " - " and the databank's name while a databank is open.
std::string TreeCaptionText(const std::string& title, TXMLDataBase2* bank);

class TXMLTreeCore : public ITreeViewEvents {
 public:
  TXMLTreeCore();
  ~TXMLTreeCore() override;
  TXMLTreeCore(const TXMLTreeCore&) = delete;
  TXMLTreeCore& operator=(const TXMLTreeCore&) = delete;

  // ---- set-up by the window ----
  // The file pipeline over the window's settings section (not owned); ui / loop as TBankSession takes them.
  void CreateSession(TSettings* settings, TBankSession::TOptions options, platform::IUIServices* ui = nullptr,
                     platform::IEventLoop* loop = nullptr);
  void DestroySession();
  bool HasSession() const { return session_ != nullptr; }
  TBankSession& Session() const { return *session_; }
  TXMLDataBase2* Bank() const { return session_ ? session_->Bank() : nullptr; }
  // A paste in flight is dropped first: its items are made for the view it began with.
  void SetTreeView(ITreeView* view);
  ITreeView* TreeControl() const { return view_; }

  // ---- fields ----
  IEditor* Editor = nullptr;              // may be absent
  TxevXMLNode2* CurrentRecord = nullptr;  // the record open in the editor
  TxevXMLNode2* CurrentFolder = nullptr;  // the selected folder
  bool SelectingForEdit = false;
  bool InTray = false;
  TTreeImages Images;
  TTreeWindowSettings WindowSettings;
  TSearchForRec SearchRec;  // the filter's parameters (empty until the filter runs)
  std::string ApplicationTitle = "-XML Database Application-";
  // Web addresses; an empty one hides its command.
  std::string HomePageURL, HelpURL, BugtrackerURL, DonateURL;

  // ---- virtual operations (the main window overrides some) ----
  virtual bool EditBankProperties() { return false; }
  virtual void ReadBankState();
  virtual void WriteBankState();
  virtual bool IsRecord(const TxevXMLNode2* node) const;
  virtual bool IsFolder(const TxevXMLNode2* node) const;
  virtual void UpdateCaption();
  virtual void SetModified();
  virtual void RecordOpened() {}
  virtual void RecordClosing() {}
  virtual void OpenRecordInEditor();
  virtual void CloseRecordInEditor();
  virtual void FocusEditor();
  virtual void ClearEditor();
  virtual void DetachEditor();
  virtual void SetEditorEnabled(bool enabled);
  virtual void DisableEditor();
  virtual void EnableEditor();
  virtual void ActivateEditor();
  virtual void ShowCurtain() {}
  virtual void HideCurtain() {}
  virtual void FolderSelected();
  virtual void RecordSelected();
  // Leaves the filter view (the filter plugs in here).
  virtual void HideFilter() {}
  // Tells the user something that needs no answer (a notification popup in the window).
  virtual void ShowNotification(const std::string& text) { (void)text; }

  // ---- tree routines ----
  void RebuildTree();
  void SelectNodeByID(int id);
  TxevXMLNode2* FindNodeByID(int id) const { return map_.FindByID(id); }
  TTreeItem* ItemOf(const TxevXMLNode2* node) const { return map_.ItemOf(node); }
  const TTreeNodeMap& NodeMap() const { return map_; }
  void CommitEditor();
  void SelectRecord(bool noFocus);
  TxevXMLNode2* SelectedNode() const;
  // A node chosen in the filter results: the node with the same "ID" in the tree.
  void SelectFromFilter(const TxevXMLNode2* node);
  // Enter on the tree: the selected record's code takes the keyboard focus (nothing for a folder).
  void EditSelectedRecord();
  // Commits the open record, stores the selected folder's values and clears both pointers.
  void ReleaseSelection();
  // Stores what the editor holds into the open record and the selected folder's values into the
  // folder, leaving both open (focus, caret and view untouched); marks the databank modified when
  // that changed anything or the editor had edits. Every reader of the tree (copy, export, info,
  // save, ...) runs it first.
  void StoreOpenValues();

  // ---- commands ----
  void NewFolder();
  void NewRecord();
  void RenameNode();
  void DeleteNode();
  void MoveNodeUp();
  void MoveNodeDown();
  // target nullptr: empty space below the items (the top level).
  bool CanDrop(const TxevXMLNode2* dragged, const TxevXMLNode2* target) const;
  void DropNode(TxevXMLNode2* dragged, TxevXMLNode2* target);
  void CopyNode();
  void CutNode();
  void PasteNode();
  void DuplicateNode();
  void FullExpand();
  void FullCollapse();
  // DataBank Properties: the state written, the properties asked for, the state read again.
  void EditDatabaseSettings();
  // The node marked by Cut and still waiting for its paste, or nullptr.
  TxevXMLNode2* MarkedCutNode() const;
  // A paste of a large subtree is being made beside the window and not yet in place.
  bool PasteInFlight() const { return pending_ != nullptr; }

  // ---- command states ----
  TTreeActionContext ActionContext() const;

  // ---- tree events ----
  void TreeChange(TTreeItem* item) override;
  void TreeExpanded(TTreeItem* item) override;
  void TreeCollapsed(TTreeItem* item) override;
  void TreeEditing(TTreeItem* item) override;
  void TreeEdited(TTreeItem* item, const std::string& text) override;

 protected:
  // The window shows the caption; the tray icon is visible as asked.
  virtual void ApplyCaption(const std::string& caption, bool trayIconVisible) {
    (void)caption;
    (void)trayIconVisible;
  }
  // Something that command states depend on changed.
  virtual void TreeStateChanged() {}
  // Long work (a filter run, an import, an export, a paste of a large subtree) starts and ends: the
  // window shows it.
  virtual void BusyChanged(bool busy) { (void)busy; }
  // The long work of a scope: BusyChanged(true) at its start, BusyChanged(false) on every way out.
  class TBusy {
   public:
    explicit TBusy(TXMLTreeCore& owner) : owner_(owner) { owner_.BusyChanged(true); }
    ~TBusy() { owner_.BusyChanged(false); }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

   private:
    TXMLTreeCore& owner_;
  };
  // The window is the one the user works in (the editor only takes the focus then).
  virtual bool IsForegroundWindow() const { return true; }
  // The clipboard offers a node (the window answers from what it last heard of the clipboard).
  virtual bool ClipboardHoldsNode() const;
  // Where questions and messages go.
  platform::IUIServices& UI() const;
  // Where timers come from.
  platform::IEventLoop& Loop() const;
  // Where Paste puts a node: at the end of the selected folder (or of the top level), or before the
  // selected record.
  void PastePlace(TxevXMLNode2*& parent, TxevXMLNode2*& before) const;
  // Puts copies at the paste place in their order, each with fresh IDs, and shows them; returns
  // them placed. The caller finishes with FinishTreeChange.
  std::vector<TxevXMLNode2*> PlaceCopies(std::vector<std::unique_ptr<TxevXMLNode2>> copies);
  // The same at a place given.
  std::vector<TxevXMLNode2*> PlaceCopies(std::vector<std::unique_ptr<TxevXMLNode2>> copies, TxevXMLNode2* parent,
                                         TxevXMLNode2* before);
  // The tail of a rebuild after a local patch: PendingID is selected afresh.
  void FinishTreeChange();
  // The tree's content changed (nodes added, removed, moved, retitled or given other pictures);
  // called once at the end of each command that does so.
  virtual void TreeContentChanged() {}
  // The node selected when node is deleted: the one before it in the tree's display order.
  virtual TxevXMLNode2* SelectionAfterDelete(TxevXMLNode2* node) const;

 private:
  void BankClosing();
  void InsertSubtreeItems(TxevXMLNode2* node);
  void RemoveSubtree(TxevXMLNode2* node);
  void MoveSubtreeItem(TxevXMLNode2* node);
  void StoreWatched(TxevXMLNode2* node, void (TXMLTreeCore::*store)());
  void ForgetCut();
  void PutOnClipboard(bool cut);
  void MoveNode(bool down);
  void FolderOpened(TTreeItem* item, bool open);
  bool CutStillValid() const;
  void AutoExpand(TTreeItem* item);
  struct TPendingPaste;
  void PasteCopy(TxevXMLNode2* parent, TxevXMLNode2* before);
  void StartPaste(std::unique_ptr<TPendingPaste> paste);
  // What the paste in flight posts once it is made (and what retries it while it must wait): once
  // no prompt or label edit is open, it is put in place.
  void PasteMade();
  void PlacePaste(TPendingPaste& paste);
  void CancelPaste();

  std::unique_ptr<TBankSession> session_;
  TSettings* settings_ = nullptr;
  platform::IUIServices* ui_ = nullptr;
  platform::IEventLoop* loop_ = nullptr;
  ITreeView* view_ = nullptr;
  TTreeNodeMap map_;
  TxevXMLNode2* cutNode_ = nullptr;
  int cutID_ = -1;
  std::shared_ptr<const void> cutBlock_;  // the clipboard's block the cut put there
  TxevXMLNode2* lastSelected_ = nullptr;  // for the auto-expanding tree
  bool changeSeen_ = false;
  // The tree opens folders to show the node an open selects again: that is the view the file holds.
  bool restoringSelection_ = false;
  std::unique_ptr<TPendingPaste> pending_;
  // Alive while the paste in flight is wanted: the completion it posts is dropped when this has gone.
  std::shared_ptr<bool> pasteWanted_;
  // Ticks only while a made paste waits for a prompt or a label edit to end.
  std::unique_ptr<platform::ITimer> pasteTimer_;
};
