#include "databank/uTreeActions.h"

namespace {

using A = TTreeAction;

constexpr std::array<TTreeActionDef, kTreeActionCount> kTable{{
    {A::NewBase, "actnNewBase", "New", ""},
    {A::OpenBase, "actnOpenBase", "Open", "Ctrl+O"},
    {A::SaveBase, "actnSaveBase", "Save", "Ctrl+S"},
    {A::SaveBaseAs, "actnSaveBaseAs", "Save As ...", "Ctrl+Shift+S"},
    {A::Import, "actnImport", "Import ...", ""},
    {A::Export, "actnExport", "Export ...", ""},
    {A::FilterTree, "actnFilterTree", "Filter", "Ctrl+F"},
    {A::SearchNextRecord, "actnSearchNextRecord", "Find Next Record", "F3"},
    {A::NewFolder, "actnNewFolder", "New Folder", "Ctrl+Shift+N"},
    {A::NewItem, "actnNewItem", "New Record", "Ctrl+N"},
    {A::RecordProperties, "actnRecordProperties", "Properties", "Alt+Return"},
    {A::DeleteItem, "actnDeleteItem", "Delete", "Ctrl+Del"},
    {A::RenameItem, "actnRenameItem", "Rename", "F2"},
    {A::CutNode, "actnCutNode", "Cut Node", ""},
    {A::CopyNode, "actnCopyNode", "Copy Node", ""},
    {A::PasteNode, "actnPasteNode", "Paste Node", ""},
    {A::DuplicateNode, "actnDuplicateNode", "Duplicate Node", ""},
    {A::MoveItemUp, "actnMoveItemUp", "Move Item Up", "Ctrl+Shift+Up"},
    {A::MoveItemDown, "actnMoveItemDown", "Move Item Down", "Ctrl+Shift+Down"},
    {A::FullExpand, "actnFullExpand", "Full Expand", ""},
    {A::FullCollapse, "actnFullCollapse", "Full Collapse", ""},
    {A::SortByName, "actnSortByName", "Sort by Title", ""},
    {A::SaveBookmark, "actnSaveBookmark", "Save Bookmark ...", ""},
    {A::ManageBookmarks, "actnManageBookmarks", "Manage Bookmarks", ""},
    {A::Lock, "actnLock", "Set Password", ""},
    {A::Unlock, "actnUnlock", "Remove Password", ""},
    {A::ChangePassword, "actnChangePassword", "Change Password", ""},
    {A::BankInfo, "actnBankInfo", "DataBank Info", ""},
    {A::DatabaseSettings, "actnDatabaseSettings", "DataBank Properties", "F11"},
    {A::Settings, "actnSettings", "Program Settings", "F12"},
    {A::CreateDesktopShortcut, "actnCreateDesktopShortcut", "Create Desktop Shortcut", ""},
    {A::About, "actnAbout", "About", "F1"},
    {A::Restore, "actnRestore", "Show/Restore", ""},
    {A::Homepage, "actnHomepage", "HomePage", ""},
    {A::Help, "actnHelp", "Help", ""},
    {A::Bugtracker, "actnBugtracker", "Report Bugs", ""},
    {A::Donate, "actnDonate", "Donate", ""},
}};

constexpr bool TableInOrder() {
  for (std::size_t i = 0; i < kTable.size(); ++i)
    if (static_cast<std::size_t>(kTable[i].Action) != i) return false;
  return true;
}
static_assert(TableInOrder(), "the action table follows the order of TTreeAction");

}  // namespace

const std::array<TTreeActionDef, kTreeActionCount>& TreeActionTable() {
  return kTable;
}

const TTreeActionDef& TreeActionDef(TTreeAction action) {
  return kTable[static_cast<std::size_t>(action)];
}

TTreeActionState TreeActionRule(TTreeAction action, const TTreeActionContext& c) {
  const bool selected = c.Selection != TTreeSelection::None;
  // No tree command runs under a label edit, nor while a paste made beside the window waits for
  // its place.
  const bool editable = c.BankOpen && !c.Editing && !c.Pasting;
  switch (action) {
    case A::NewBase:
    case A::OpenBase:
    case A::About:
    case A::Restore:
    case A::Settings:
      return {true, true};
    case A::Import:
      return {c.BankOpen && !c.Pasting, true};
    case A::SaveBase:
    case A::SaveBaseAs:
    case A::SearchNextRecord:
    case A::FullExpand:
    case A::FullCollapse:
    case A::BankInfo:
    case A::DatabaseSettings:
      return {c.BankOpen, true};
    case A::Export:
    case A::SaveBookmark:
      return {c.BankOpen && selected, true};
    case A::FilterTree:
      return {c.BankOpen && c.RootHasChildren, true};
    case A::ManageBookmarks:
      return {c.BankOpen && c.HasBookmarks, true};
    case A::NewFolder:
      return {editable && c.Selection != TTreeSelection::Record, true};
    case A::NewItem:
      return {editable && (c.Selection == TTreeSelection::Folder ||
                           (c.Selection == TTreeSelection::Record && c.SelectionInFolder)),
              true};
    case A::RecordProperties:
      return {editable && c.TreeFocused && selected, true};
    case A::DeleteItem:
    case A::RenameItem:
      return {editable && c.TreeFocused && selected, true};
    case A::CopyNode:  // changes nothing of the tree
      return {c.BankOpen && !c.Editing && selected, true};
    case A::CutNode:
    case A::DuplicateNode:
      return {editable && selected, true};
    case A::PasteNode:
      return {editable && c.ClipboardHasNode, true};
    case A::MoveItemUp:
      return {editable && selected && c.HasPrevSibling, true};
    case A::MoveItemDown:
      return {editable && selected && c.HasNextSibling, true};
    case A::SortByName:
      return {false, true};  // lives in a submenu that is never shown
    case A::Lock:
      return {c.BankOpen && !c.HasPassword, c.BankOpen && !c.HasPassword};
    case A::Unlock:
    case A::ChangePassword:
      return {c.BankOpen && c.HasPassword, c.BankOpen && c.HasPassword};
    case A::CreateDesktopShortcut:
      return {c.HasFileName, true};
    case A::Homepage:
      return {c.HasHomepage, c.HasHomepage};
    case A::Help:
      return {c.HasHelp, c.HasHelp};
    case A::Bugtracker:
      return {c.HasBugtracker, c.HasBugtracker};
    case A::Donate:
      return {c.HasDonate, c.HasDonate};
    case A::Count:
      break;
  }
  return {false, false};
}
