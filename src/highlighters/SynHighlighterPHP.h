// PHP code (without its open and close tags): keywords in any case, variables, strings in single and
// double quotes that continue across lines, variables embedded in double-quoted strings, three
// comment forms, numbers and operators.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynPHPSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkSpace,
    tkString,
    tkSymbol,
    tkUnknown,
    tkVariable
  };
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsString39 = 1, rsString34 = 2, rsComment = 3, rsVarExpansion = 4 };

  TSynPHPSyn();

  std::u16string GetSampleSource() const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* VariableAttri = nullptr;

 private:
  void CharProc();
  void IdentProc();
  void VariableProc();
  void SlashProc();
  void CommentScan();
  void CommentProc();
  void StringProc();
  void VarExpansionProc();
  void SymbolProc(int length);
  bool IsEscaped(int pos) const;
};
