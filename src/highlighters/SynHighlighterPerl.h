// Perl scripts, line by line (no state carries over): reserved words, word operators, pragmas and the
// special variables by their long names, punctuation variables, comments, both kinds of string,
// numbers and the operator spellings.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynPerlSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkOperator,
    tkPragma,
    tkSpace,
    tkString,
    tkSymbol,
    tkUnknown,
    tkVariable
  };

  TSynPerlSyn();

  std::u16string GetSampleSource() const override;
  bool IsIdentChar(char16_t AChar) const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* InvalidAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* OperatorAttri = nullptr;
  TSynHighlighterAttributes* PragmaAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* VariableAttri = nullptr;

 private:
  void WordProc();
  void NumberOrDotProc();
  void CommentProc();
  void DoubleQuoteProc();
  void SingleQuoteProc();
  // The longest of the operator spellings that start at the run position.
  void OperatorProc(std::initializer_list<std::u16string_view> spellings);
  void SymbolProc(int length);
};
