// Shared vocabulary of the print engine: the printing status reported to listeners, where each page
// starts, where a long line breaks, and the two routines that find those breaks.
//
// Break positions are 1-based character indexes after which a line breaks: a line of 10 characters
// broken after the 4th gives the pieces [1..4] and [5..10].
#pragma once

#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

enum TSynPrintStatus { psBegin, psNewPage, psEnd };

// Where a page starts: a source line (0-based index into the engine's lines) and the printed row of
// that line (0-based), which is not 0 when a wrapped line continues from the page before.
struct TPageLine {
  int FirstLine = 0;
  int FirstRow = 0;
};

// A character position (1-based) after which a line breaks.
struct TWrapPos {
  int Index = 0;
};
using TWrapList = std::vector<TWrapPos>;

// A layout that cannot be made (nothing fits between the margins); the message says what to change.
class ESynPrintError : public Exception {
 public:
  using Exception::Exception;
};

// A set of break characters; only characters below U+0100 can be members.
class TSynBreakSet {
 public:
  constexpr TSynBreakSet(std::u16string_view chars) {
    for (char16_t c : chars)
      if (c < 0x100) bits_[c >> 6] |= 1ull << (c & 63);
  }
  constexpr bool Contains(char16_t c) const { return c < 0x100 && (bits_[c >> 6] >> (c & 63)) & 1; }

 private:
  unsigned long long bits_[4] = {0, 0, 0, 0};
};

// The first tier of break characters (tab, blank, comma, hyphen) and the second (closing
// parenthesis, full stop, semicolon), tried only when the first finds nothing.
inline constexpr TSynBreakSet kPrintBreakChars1{u"\t ,-"};
inline constexpr TSynBreakSet kPrintBreakChars2{u").;"};

// Appends to List the break positions of Line for lines of MaxCol characters: each break falls after
// the last break character seen within the window that starts after the previous break; a window
// without a break character is not cut, so a piece may then run longer than MaxCol. True when the
// line fits (nothing added) or at least one break was found; false when the line needs breaking and
// holds no break character of the set after its first window. Linear in the line length.
bool WrapText(std::u16string_view Line, const TSynBreakSet& BreakSet, int MaxCol, TWrapList& List);

// Appends breaks after every MaxCol characters while more than MaxCol characters remain after the
// last break. MaxCol below 1 is taken as 1, so the routine always ends.
void HardCutLine(std::u16string_view Line, int MaxCol, TWrapList& List);
