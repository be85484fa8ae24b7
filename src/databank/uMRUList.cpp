#include "databank/uMRUList.h"

#include <algorithm>

#include "platform/WideChar.h"

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

}  // namespace

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (widechar::FoldCodePoint(NextCodePoint(a, i)) != widechar::FoldCodePoint(NextCodePoint(b, j))) return false;
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
