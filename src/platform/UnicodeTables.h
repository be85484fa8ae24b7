// Character classes and simple case mappings of every UTF-16 code unit, in two-stage tables, and
// the simple case folding of the characters beyond U+FFFF as runs (UnicodeTables.cpp is generated;
// see scripts/unicode-tables/). Internal to the platform layer:
// the rest of the program asks WideChar.h and EditorServices.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unicodetables {

enum : std::uint8_t { kLetter = 1, kDigit = 2, kUpper = 4, kLower = 8, kSpace = 16, kPunct = 32 };

struct TUnitProps {
  std::uint8_t flags;
  // What to add to the unit for its upper case, lower case and simple case folding; 0 keeps it.
  std::int32_t upper, lower, fold;
};

// The characters first..last fold to the character delta further on.
struct TFoldRun {
  char32_t first, last;
  std::int32_t delta;
};

extern const TUnitProps kRecords[];
extern const std::uint16_t kStage1[512];
extern const std::uint8_t kStage2[][128];

// In order of first, none overlapping.
extern const TFoldRun kSupplementaryFolds[];
extern const std::size_t kSupplementaryFoldCount;

inline const TUnitProps& Props(char16_t c) {
  return kRecords[kStage2[kStage1[c >> 7]][c & 127]];
}

}  // namespace unicodetables
