#include "databank/words.h"

const TCharSet& WordDelimiters() {
  static const TCharSet delimiters(std::string_view("\b\t\n\r ,;|"));
  return delimiters;
}

void TWords::Split(std::string_view text, const TCharSet& delimiters) {
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !delimiters.Has(text[i])) continue;
    if (i > start) Items.emplace_back(text.substr(start, i - start));
    if (i < text.size() && KeepDelimiters && KeepSet.Has(text[i])) Items.emplace_back(1, text[i]);
    start = i + 1;
  }
}
