// The program settings dialog in plain code: which check box edits which setting of the window's
// section (the root of the settings file) with which default, and the check of the auto-save delay.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class TSettings;

struct TConfigFlag {
  const char* Control;  // the check box
  const char* Key;      // the setting
  bool Default;
};
// In the order of the dialog's pages.
const std::array<TConfigFlag, 10>& ConfigFlags();

// The auto-save delay in seconds: a plain decimal number from 1 to one day. Anything else (empty,
// signs, blanks, letters, 0, more than a day) is refused: the dialog keeps OK disabled.
inline constexpr int kMinAutoSaveDelay = 1;
inline constexpr int kMaxAutoSaveDelay = 86400;
std::optional<int> ParseAutoSaveDelay(std::string_view text);
// A stored period (the file can be edited by hand) brought into the allowed range.
int ClampAutoSavePeriod(int seconds);
// The stored value when the edit holds no valid delay.
inline constexpr int kFallbackAutoSaveDelay = 150;
// What the dialog says while the delay is refused: the range allowed.
std::string AutoSaveDelayRangeText();
// The light red of a refused delay (RGB FF F0 F0).
inline constexpr unsigned kBadDelayColor = 0xF0F0FF;  // 0x00BBGGRR

// The values the dialog edits.
struct TConfigValues {
  std::map<std::string, bool> Flags;  // by control name
  std::string Delay;                  // as the edit shows it
};
TConfigValues ReadConfigValues(TSettings& settings);
// Writes every value; a delay that is no valid delay is stored as kFallbackAutoSaveDelay.
void WriteConfigValues(TSettings& settings, const TConfigValues& values);
