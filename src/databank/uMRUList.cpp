#include "databank/uMRUList.h"

#include <algorithm>

namespace {

// Decodes one UTF-8 sequence at text[i]; a malformed byte stands for itself (as 0x110000 + byte so
// that it never equals a real character) and consumes one byte.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  auto cont = [&](size_t k) -> int {
    if (i + k >= text.size()) return -1;
    const auto b = static_cast<unsigned char>(text[i + k]);
    return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
  };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int len = 0;
  char32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
  }
  for (int k = 1; k < len; ++k) {
    const int c = cont(static_cast<size_t>(k));
    if (c < 0) {
      len = 0;
      break;
    }
    cp = (cp << 6) | static_cast<char32_t>(c);
  }
  if (len == 0) {
    ++i;
    return 0x110000 + b0;
  }
  i += static_cast<size_t>(len);
  return cp;
}

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    return c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c == 0x3C2) return 0x3C3;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return c | 1;
  return c;
}

}  // namespace

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldCase(NextCodePoint(a, i)) != FoldCase(NextCodePoint(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

bool TMRUList::SameText(std::string_view a, std::string_view b) const {
  return caseMode_ == TMRUCase::MatchCase ? a == b : SameTextIgnoreCase(a, b);
}

int TMRUList::IndexOf(std::string_view s) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (SameText(items_[i], s)) return static_cast<int>(i);
  return -1;
}

void TMRUList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

void TMRUList::Remove(const std::string& s) {
  items_.erase(std::remove_if(items_.begin(), items_.end(), [&](const std::string& e) { return SameText(e, s); }),
               items_.end());
}

void TMRUList::Add(const std::string& s) {
  Remove(s);
  // Room for the new entry: keep the first MaxCount - 1. A list always keeps its newest entry,
  // whatever MaxCount says.
  const size_t keep = static_cast<size_t>(std::max(MaxCount, 1) - 1);
  if (items_.size() > keep) items_.resize(keep);
  items_.insert(items_.begin(), s);
}

std::string TMRUList::Text() const {
  std::string out;
  for (const auto& s : items_) {
    out += s;
    out += "\r\n";
  }
  return out;
}

void TMRUList::SetText(std::string_view text) {
  items_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      items_.emplace_back(text.substr(start));
      break;
    }
    items_.emplace_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}
