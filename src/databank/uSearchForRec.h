// The record filter's parameters, handed from the filter dialog through the tree window to the record
// editor, which tests a record's content with them.
#pragma once

#include <cstdint>
#include <string>

struct TSearchForRec {
  std::string Text;
  std::string History;     // one entry per line, newest first
  uint8_t SearchType = 0;  // 0 phrase, 1 all words, 2 any word, 3 regular expression
  bool InName = true;
  bool InContent = true;
  bool InKeywords = true;
  bool WholeWords = false;
  bool CaseSensitive = false;
};
