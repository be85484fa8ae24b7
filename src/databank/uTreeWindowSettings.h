// The tree window's own values in the settings file (the root of the window's section) and when each
// is read and written: LoadUI at creation, Load at the first showing, Save when the window is freed.
// "LastOpened" and "RecentFiles" belong to the file pipeline (uBankSession); the visibility of the
// toolbar controls lives in the section "Toolbar" as "<control name>_visible".
#pragma once

#include <string>

class TSettings;

namespace treesettings {
inline constexpr const char* ShowTreeToolbar = "ShowTreeToolbar";
inline constexpr const char* ShowQuickSearch = "ShowQuickSearch";
inline constexpr const char* StayOnTop = "StayOnTop";
inline constexpr const char* ShowStatusBar = "ShowStatusBar";
inline constexpr const char* AlwaysTrayIcon = "AlwaysTrayIcon";
inline constexpr const char* MinimizeToTray = "MinimizeToTray";
inline constexpr const char* TreeWidth = "TreeWidth";
inline constexpr const char* AutoExpandTree = "AutoExpandTree";
inline constexpr const char* HardQuit = "HardQuit";
inline constexpr const char* AutoOpenRecord = "AutoOpenRecord";
inline constexpr const char* ToolbarSection = "Toolbar";
inline constexpr int DesignedTreeWidth = 220;
// The tree width read from the settings is kept within these, and the editor area keeps at least
// MinEditorWidth of the window beside it.
inline constexpr int MinTreeWidth = 20;
inline constexpr int MaxTreeWidth = 32767;
inline constexpr int MinEditorWidth = 100;
// The tree's share of a window `room` pixels wide for the stored width: never so wide that the editor
// area beside it goes.
int TreePaneWidth(int storedWidth, int room);
}  // namespace treesettings

struct TTreeWindowSettings {
  bool ShowTreeToolbar = true;
  bool ShowQuickSearch = false;
  bool StayOnTop = false;
  bool ShowStatusBar = false;
  bool AlwaysTrayIcon = false;
  bool MinimizeToTray = false;
  int TreeWidth = treesettings::DesignedTreeWidth;
  bool AutoExpandTree = false;
  bool HardQuit = true;

  // ShowTreeToolbar, ShowQuickSearch, StayOnTop, ShowStatusBar, AlwaysTrayIcon, MinimizeToTray.
  void LoadUI(TSettings& settings);
  // MinimizeToTray, TreeWidth, AutoExpandTree, HardQuit.
  void Load(TSettings& settings);
  // ShowTreeToolbar, ShowQuickSearch, StayOnTop, ShowStatusBar, TreeWidth.
  void Save(TSettings& settings) const;
};

// "<name>_visible", the key of a toolbar control in the "Toolbar" section.
std::string ToolbarVisibleKey(const std::string& controlName);
