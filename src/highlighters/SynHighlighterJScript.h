// JavaScript: reserved words, browser-object names as non-reserved keywords, event-handler names,
// block comments across lines, line comments, strings in either quote, numbers and operators.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynJScriptSyn : public TSynFamilyHighlighter {
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
    tkNonReservedKey,
    tkEvent
  };
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsANSI = 1 };

  TSynJScriptSyn();

  std::u16string GetSampleSource() const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NonReservedKeyAttri = nullptr;
  TSynHighlighterAttributes* EventAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 private:
  void IdentProc();
  void NumberProc();
  void StringProc();
  void SlashProc();
  void CommentScan();
  void CommentProc();
  void SymbolProc(int length);
};
