#include "databank/uConfigModel.h"

#include <algorithm>

#include "databank/uBankSession.h"
#include "databank/uTreeWindowSettings.h"
#include "xml/uSettingsBase.h"

const std::array<TConfigFlag, 10>& ConfigFlags() {
  static const std::array<TConfigFlag, 10> flags{{
      {"chAutoOpen", banksettings::AutoOpen, true},
      {"chAutoSave", banksettings::AutoSave, true},
      {"chBackUp", banksettings::MakeBackup, true},
      {"chRememberPos", banksettings::AutoPos, true},
      {"chAlwaysShowTrayIcon", treesettings::AlwaysTrayIcon, false},
      {"chMinimizeToTray", treesettings::MinimizeToTray, false},
      {"chStartMinimized", "StartMinimized", false},
      {"chSlowQuit", treesettings::HardQuit, true},
      {"chAutoOpenRec", treesettings::AutoOpenRecord, false},
      {"chAutoExpandTree", treesettings::AutoExpandTree, false},
  }};
  return flags;
}

std::optional<int> ParseAutoSaveDelay(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < kMinAutoSaveDelay || value > kMaxAutoSaveDelay) return std::nullopt;
  return value;
}

std::string AutoSaveDelayRangeText() {
  return "A whole number of seconds from " + std::to_string(kMinAutoSaveDelay) + " to " +
         std::to_string(kMaxAutoSaveDelay) + " (one day).";
}

int ClampAutoSavePeriod(int seconds) {
  return std::clamp(seconds, kMinAutoSaveDelay, kMaxAutoSaveDelay);
}

TConfigValues ReadConfigValues(TSettings& settings) {
  TConfigValues values;
  for (const TConfigFlag& f : ConfigFlags()) values.Flags[f.Control] = settings.ReadBool(f.Key, f.Default);
  // Shown as stored: a hand-edited value outside the range shows as refused until it is mended.
  values.Delay = std::to_string(settings.ReadInteger(banksettings::AutoSavePeriod, banksettings::DefAutoSavePeriod));
  return values;
}

void WriteConfigValues(TSettings& settings, const TConfigValues& values) {
  for (const TConfigFlag& f : ConfigFlags()) {
    auto it = values.Flags.find(f.Control);
    settings.WriteBool(f.Key, it != values.Flags.end() ? it->second : f.Default);
  }
  settings.WriteInteger(banksettings::AutoSavePeriod,
                        ParseAutoSaveDelay(values.Delay).value_or(kFallbackAutoSaveDelay));
}
