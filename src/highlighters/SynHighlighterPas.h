// Object Pascal source: keywords that depend on the language version, on package sources and on the
// property and exports clauses, three comment forms, compiler directives, strings with doubled
// quotes, character constants, numbers and assembler blocks.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

enum TDelphiVersion : std::uint8_t {
  dvDelphi1,
  dvDelphi2,
  dvDelphi3,
  dvDelphi4,
  dvDelphi5,
  dvDelphi6,
  dvDelphi7,
  dvDelphi8,
  dvDelphi2005
};

class TSynPasSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkAsm,
    tkComment,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkSpace,
    tkString,
    tkSymbol,
    tkUnknown,
    tkFloat,
    tkHex,
    tkDirec,
    tkChar
  };
  enum TRangeState : std::uint8_t {
    rsAnsi = 1,
    rsAnsiAsm = 2,
    rsAsm = 3,
    rsBor = 4,
    rsBorAsm = 5,
    rsProperty = 6,
    rsExports = 7,
    rsDirective = 8,
    rsDirectiveAsm = 9,
    rsUnknown = 10
  };

  TSynPasSyn();

  std::u16string GetSampleSource() const override;
  int GetTokenKind() const override;
  void Next() override;
  const TSynHashKeywordTable* KeywordTable() const override;

  TDelphiVersion DelphiVersion() const { return fDelphiVersion; }
  // A version below dvDelphi3 also clears PackageSource; one change signal either way.
  void SetDelphiVersion(TDelphiVersion Value);
  bool PackageSource() const { return fPackageSource; }
  // Setting it raises a version below dvDelphi3 to dvDelphi3.
  void SetPackageSource(bool Value);

  TSynHighlighterAttributes* AsmAttri = nullptr;
  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* DirectiveAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* FloatAttri = nullptr;
  TSynHighlighterAttributes* HexAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* CharAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 private:
  void IdentProc();
  void NumberProc();
  void HexProc();
  void CharProc();
  void StringProc();
  void BraceOpenProc();
  void BorProc();
  void BraceScan();
  void RoundOpenProc();
  void AnsiProc();
  void AnsiScan();
  void SlashProc();
  void PointProc();
  void SymbolProc(int length);

  TDelphiVersion fDelphiVersion = dvDelphi2005;
  bool fPackageSource = true;
  bool fAsmStart = false;
};
