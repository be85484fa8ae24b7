#include "databank/uTreeWindowSettings.h"

#include "xml/uSettingsBase.h"

namespace ts = treesettings;

void TTreeWindowSettings::LoadUI(TSettings& s) {
  ShowTreeToolbar = s.ReadBool(ts::ShowTreeToolbar, true);
  ShowQuickSearch = s.ReadBool(ts::ShowQuickSearch, false);
  StayOnTop = s.ReadBool(ts::StayOnTop, false);
  ShowStatusBar = s.ReadBool(ts::ShowStatusBar, false);
  AlwaysTrayIcon = s.ReadBool(ts::AlwaysTrayIcon, false);
  MinimizeToTray = s.ReadBool(ts::MinimizeToTray, false);
}

void TTreeWindowSettings::Load(TSettings& s) {
  MinimizeToTray = s.ReadBool(ts::MinimizeToTray, false);
  // A width no one could use (a damaged file) keeps the tree usable.
  const int width = s.ReadInteger(ts::TreeWidth, ts::DesignedTreeWidth);
  TreeWidth = width >= 20 ? width : ts::DesignedTreeWidth;
  AutoExpandTree = s.ReadBool(ts::AutoExpandTree, false);
  HardQuit = s.ReadBool(ts::HardQuit, true);
}

void TTreeWindowSettings::Save(TSettings& s) const {
  s.WriteBool(ts::ShowTreeToolbar, ShowTreeToolbar);
  s.WriteBool(ts::ShowQuickSearch, ShowQuickSearch);
  s.WriteBool(ts::StayOnTop, StayOnTop);
  s.WriteBool(ts::ShowStatusBar, ShowStatusBar);
  s.WriteInteger(ts::TreeWidth, TreeWidth);
}

std::string ToolbarVisibleKey(const std::string& controlName) {
  return controlName + "_visible";
}
