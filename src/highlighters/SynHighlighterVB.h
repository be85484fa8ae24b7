// Visual Basic code, line by line: keywords (the "rem" keyword turns the rest of the line into a
// comment), strings, date literals, comments, numbers and operators. The VBScript highlighter is the
// same design with its own keyword table, so both derive from TSynVBBaseSyn.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynVBBaseSyn : public TSynFamilyHighlighter {
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
    tkUnknown
  };

  void Next() override;

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 protected:
  // The keyword words of a table are tagged with one of these.
  enum : std::uint8_t { kgPlain, kgRem };

  TSynVBBaseSyn(const char* className, const TSynHashKeywordTable& keywords);

 private:
  void IdentProc();
  void StringProc();
  void DateProc();
  void ToLineEnd(std::uint8_t kind);
  void NumberProc();
  void SymbolProc(int length);

  const TSynHashKeywordTable& fKeywords;
};

class TSynVBSyn : public TSynVBBaseSyn {
 public:
  TSynVBSyn();
  std::u16string GetSampleSource() const override;
  const TSynHashKeywordTable* KeywordTable() const override;
  // The shared keyword table of the class.
  static const TSynHashKeywordTable& Keywords();
};
