// The small decisions of the main window, in plain code: the text of the keywords label and the look
// of the notification popups by kind.
#pragma once

#include <optional>
#include <string>

#include "platform/Colors.h"

// "Keywords: <text>", or "no keywords" for an empty text. A text longer than kKeywordsLabelBytes is
// cut there (never inside a character) and ended by "…": the label shows the start of the keywords
// only, and making a label of a million characters fit at every paint would hold the window up.
inline constexpr size_t kKeywordsLabelBytes = 4096;
std::string KeywordsLabelText(const std::string& keywords);

// How a notification popup of a kind looks: its background, its text colour (none: left as it is)
// and how long it stays. Kinds other than 1 to 4 have no style (the popup keeps its own).
struct TNotifyStyle {
  platform::TColor Color = 0;
  std::optional<platform::TColor> FontColor;
  int DisplayTime = 0;
};
std::optional<TNotifyStyle> NotifyPopupStyle(int kind);
