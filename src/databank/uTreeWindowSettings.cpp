#include "databank/uTreeWindowSettings.h"

#include <algorithm>

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
  // A width no one could use (a damaged file) keeps the tree usable; one beyond any screen is kept
  // to what a screen can hold, as the window's own geometry is.
  const int width = s.ReadInteger(ts::TreeWidth, ts::DesignedTreeWidth);
  TreeWidth = width >= ts::MinTreeWidth ? std::min(width, ts::MaxTreeWidth) : ts::DesignedTreeWidth;
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

int treesettings::TreePaneWidth(int storedWidth, int room) {
  return std::clamp(storedWidth, MinTreeWidth, std::max(MinTreeWidth, room - MinEditorWidth));
}

std::string ToolbarVisibleKey(const std::string& controlName) {
  return controlName + "_visible";
}
