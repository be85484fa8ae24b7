// Java source: keywords, block and documentation comments across lines, line comments, strings and
// character literals with backslash escapes, numbers and operators. Identifiers may hold "$" and
// the Latin-1 letters.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynJavaSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkDocument,
    tkIdentifier,
    tkInvalid,
    tkKey,
    tkNull,
    tkNumber,
    tkSpace,
    tkString,
    tkSymbol,
    tkUnknown
  };
  enum TRangeState : std::uint8_t { rsComment = 1, rsDocument = 2, rsUnknown = 3 };

  TSynJavaSyn();

  std::u16string GetSampleSource() const override;
  bool IsIdentChar(char16_t AChar) const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* DocumentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* InvalidAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 private:
  void IdentProc();
  void StringProc(char16_t quote);
  void SlashProc();
  void CommentScan();
  void CommentProc();
  void SymbolProc(int length);
};
