#include "app/UMainRules.h"

std::string KeywordsLabelText(const std::string& keywords) {
  if (keywords.empty()) return "no keywords";
  if (keywords.size() <= kKeywordsLabelBytes) return "Keywords: " + keywords;
  size_t cut = kKeywordsLabelBytes;
  while (cut > 0 && (static_cast<unsigned char>(keywords[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  return "Keywords: " + keywords.substr(0, cut) + "\xE2\x80\xA6";
}

std::optional<TNotifyStyle> NotifyPopupStyle(int kind) {
  // Colours are 0x00BBGGRR.
  switch (kind) {
    case 1:
      return TNotifyStyle{0x00E0E0FF, std::nullopt, 3000};  // light red
    case 2:
      return TNotifyStyle{0x000000FF, 0x00FFFFFF, 5000};  // red, white text
    case 3:
      return TNotifyStyle{0x00FFE0E0, std::nullopt, 2000};  // light blue
    case 4:
      return TNotifyStyle{0x00E0FFE0, std::nullopt, 2000};  // light green
    default:
      return std::nullopt;
  }
}
