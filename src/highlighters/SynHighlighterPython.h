// Python source: reserved words and other predefined names from one sorted list, __system__ names,
// numbers by kind with malformed literals flagged, strings with their prefixes, triple-quoted strings
// across lines and one-line strings continued by a final backslash.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynPythonSyn : public TSynFamilyHighlighter {
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
    tkNonKeyword,
    tkTripleQuotedString,
    tkSystemDefined,
    tkHex,
    tkOct,
    tkFloat,
    tkUnknown
  };
  enum TRangeState : std::uint8_t {
    rsUnKnown = 2,           // normal
    rsMultilineString = 3,   // inside '''
    rsMultilineString2 = 4,  // inside """
    rsMultilineString3 = 5   // a one-line string continued by a final backslash
  };
  struct KeywordEntry {
    std::u16string_view Word;
    std::uint8_t Kind;  // tkKey or tkNonKeyword
  };

  TSynPythonSyn();

  std::u16string GetSampleSource() const override;
  // Range 5 carries its quote character in the bits above the low byte.
  std::intptr_t GetRange() const override;
  void SetRange(std::intptr_t Value) override;
  void ResetRange() override;
  void Next() override;

  // The process-wide keyword list, in the case-insensitive order it is searched in.
  static const std::vector<KeywordEntry>& KeywordList();
  // The kind of an identifier: its list kind when listed (exact case), tkSystemDefined for __name__,
  // else tkIdentifier.
  static std::uint8_t IdentKind(std::u16string_view token);

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NonKeyAttri = nullptr;
  TSynHighlighterAttributes* SystemAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* HexAttri = nullptr;
  TSynHighlighterAttributes* OctalAttri = nullptr;
  TSynHighlighterAttributes* FloatAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* DocStringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* ErrorAttri = nullptr;

 private:
  void IdentProc();
  void NumberProc();
  void CommentProc();
  // At an opening quote: a triple-quoted or a one-line string.
  void StringProc();
  void TripleScan(char16_t quote);
  void SingleScan(char16_t quote);
  // An odd number of backslashes stands right before pos (counted back to the line start).
  bool Escaped(int pos) const;
  void SymbolProc(int length);

  char16_t fQuote = u'"';
};
