// C and C++ source: keywords, preprocessor lines continued with a final backslash, block and line
// comments, string and character literals, numbers by kind, operators and assembler blocks.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynCppSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkAsm,
    tkComment,
    tkDirective,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkSpace,
    tkString,
    tkSymbol,
    tkUnknown,
    tkChar,
    tkFloat,
    tkHex,
    tkOctal
  };
  enum TRangeState : std::uint8_t {
    rsUnknown = 0,
    rsAnsiC = 1,
    rsAnsiCAsm = 2,
    rsAnsiCAsmBlock = 3,
    rsAsm = 4,
    rsAsmBlock = 5,
    rsDirectiveComment = 7,
    rsMultiLineString = 10,
    rsMultiLineDirective = 11
  };

  TSynCppSyn();

  std::u16string GetSampleSource() const override;
  int GetTokenKind() const override;
  void Next() override;
  void DoSetLine(std::u16string_view Value, int LineNumber) override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TSynHighlighterAttributes* AsmAttri = nullptr;
  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* InvalidAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* CharAttri = nullptr;
  TSynHighlighterAttributes* FloatAttri = nullptr;
  TSynHighlighterAttributes* HexAttri = nullptr;
  TSynHighlighterAttributes* OctalAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* DirecAttri = nullptr;

 private:
  void IdentProc();
  void NumberProc(bool startsWithDot);
  void StringScan();
  void StringProc();
  void StringEndProc();
  void CharProc();
  void DirectiveProc();
  void DirectiveEndProc();
  void DirectiveScan();
  void SlashProc();
  void AnsiCProc();
  void CommentScan();
  void DotProc();
  void SymbolProc(int length);

  bool fAsmStart = false;
  // The first character of the line after leading code units below 33 is "#".
  bool fDirectiveLine = false;
  // The last directive token stopped before "/*": the comment continuation passes it first.
  bool fDirectiveCommentOpen = false;
};
