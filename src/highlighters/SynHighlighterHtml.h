// HTML documents: text, character entities, comments, known and unknown tag names, attribute names
// and values, quoted values across lines.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynHTMLSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkAmpersand,
    tkComment,
    tkIdentifier,
    tkKey,
    tkNull,
    tkSpace,
    tkSymbol,
    tkText,
    tkUndef,
    tkValue
  };
  enum TRangeState : std::uint8_t {
    rsAmpersand = 0,
    rsComment = 1,
    rsKey = 2,
    rsParam = 3,
    rsText = 4,
    rsValue = 6,
    rsQuoteValue = 7,
    rsDoubleQuoteValue = 8
  };

  TSynHTMLSyn();

  std::u16string GetSampleSource() const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  // The entity table in its search order (each entry with its ampersand and semicolon).
  static const std::vector<std::u16string_view>& Entities();

  TSynHighlighterAttributes* AndAttri = nullptr;
  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* TextAttri = nullptr;
  TSynHighlighterAttributes* UndefKeyAttri = nullptr;
  TSynHighlighterAttributes* ValueAttri = nullptr;

 private:
  void CharProc();
  void HtmlSpaceProc();
  void BraceOpenProc();
  void AmpersandProc();
  void WordProc();
  void QuoteProc();
  void CommentProc();
  void TextProc();
  // Passes the digits of a numeric entity after "&#" (hexadecimal after an "x").
  int NumericEntityEnd(int pos) const;

  int fAndCode = -1;  // entity index found by the text scan, -1 for a numeric entity
};
