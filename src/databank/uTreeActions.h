// The commands of the databank tree window: their names, captions and shortcuts, and the rules that
// decide when each is enabled and shown. Plain data and plain functions: the window applies them to
// its actions whenever the selection, the focus, the clipboard or the databank's state changes.
#pragma once

#include <array>
#include <cstddef>
#include <string>

enum class TTreeAction {
  NewBase,
  OpenBase,
  SaveBase,
  SaveBaseAs,
  Import,
  Export,
  FilterTree,
  SearchNextRecord,
  NewFolder,
  NewItem,
  RecordProperties,
  DeleteItem,
  RenameItem,
  CutNode,
  CopyNode,
  PasteNode,
  DuplicateNode,
  MoveItemUp,
  MoveItemDown,
  FullExpand,
  FullCollapse,
  SortByName,
  SaveBookmark,
  ManageBookmarks,
  Lock,
  Unlock,
  ChangePassword,
  BankInfo,
  DatabaseSettings,
  Settings,
  CreateDesktopShortcut,
  About,
  Restore,
  Homepage,
  Help,
  Bugtracker,
  Donate,
  Count
};
inline constexpr std::size_t kTreeActionCount = static_cast<std::size_t>(TTreeAction::Count);

struct TTreeActionDef {
  TTreeAction Action;
  const char* Name;  // the action's object name
  const char* Caption;
  const char* Shortcut;  // portable key text ("Ctrl+Shift+N"), "" for none
};

const std::array<TTreeActionDef, kTreeActionCount>& TreeActionTable();
const TTreeActionDef& TreeActionDef(TTreeAction action);

enum class TTreeSelection { None, Folder, Record };

// Everything the rules look at.
struct TTreeActionContext {
  bool BankOpen = false;
  bool HasFileName = false;
  bool HasPassword = false;
  TTreeSelection Selection = TTreeSelection::None;
  bool SelectionInFolder = false;  // the selected node's parent is a folder
  bool HasPrevSibling = false;     // ... in the tree (folders and records only)
  bool HasNextSibling = false;
  bool TreeFocused = false;
  bool Editing = false;  // a label edit is in progress
  bool Pasting = false;  // a large paste is being made beside the window
  bool RootHasChildren = false;
  bool ClipboardHasNode = false;
  bool HasBookmarks = false;  // the databank holds a bookmark
  // The web addresses that are set (an empty address hides its command).
  bool HasHomepage = false, HasHelp = false, HasBugtracker = false, HasDonate = false;
};

struct TTreeActionState {
  bool Enabled = false;
  bool Visible = true;
};

// The rule for one command. A command without a handler stays disabled whatever its rule says: the
// filter, bookmarks, import and export, the settings and information dialogs and the record
// properties carry out their commands when they plug into the window.
TTreeActionState TreeActionRule(TTreeAction action, const TTreeActionContext& context);
