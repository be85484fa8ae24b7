// Cascading style sheets: selectors outside braces; inside them known and unknown property names
// (a hash-entry keyword table), values, numbers, colour values, strings and comments. The range
// carries comments and the brace/value context across lines. The multi-language highlighter also
// runs it over style blocks, where a range must fit in 4 bits: a comment is stored as 8 + the range
// it interrupted (10-13), every other state as itself (2-5).
#pragma once

#include "highlighters/SynHighlighterFamily.h"
#include "highlighters/SynHighlighterHashEntries.h"

class TSynCssSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkKey,
    tkSelector,
    tkNull,
    tkSpace,
    tkString,
    tkSymbol,
    tkText,
    tkUndefProperty,
    tkValue,
    tkColor,
    tkNumber
  };
  // tkKey is a known property name; tkSelector is a selector (the "Reserved Word" attribute).
  enum TRangeState : std::uint8_t {
    rsComment = 0,
    rsCurlyBraces = 2,
    rsUnknown = 3,
    rsAfterSemicolon = 4,
    rsParam = 5,
    // Added to the interrupted range while in a comment.
    rsCommentBase = 8
  };

  TSynCssSyn();

  std::u16string GetSampleSource() const override;
  std::intptr_t GetRange() const override;
  void SetRange(std::intptr_t Value) override;
  void ResetRange() override;
  bool IsIdentChar(char16_t AChar) const override;
  void Next() override;

  // The property-name table (shared by every instance) and the hash that indexes it.
  static const TSynHashEntryList& Keywords();
  // Walks the letters, "_" and "-" from start (each letter its alphabet position, "_" 27, "-" 0), then
  // adds the digits right after them; length receives the number of letters, "_" and "-".
  static int HashKey(const char16_t* start, int& length);

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* PropertyAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* UndefPropertyAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* ColorAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* TextAttri = nullptr;
  TSynHighlighterAttributes* ValueAttri = nullptr;

 private:
  void Dispatch();
  void SelectorProc();
  void CommentProc();
  void StringProc();
  void ColorProc();
  void NumberProc();
  void IdentProc();
  void SymbolProc(std::uint8_t newRange);

  // The range a comment returns to.
  std::uint8_t fCommentReturn = rsUnknown;
};
