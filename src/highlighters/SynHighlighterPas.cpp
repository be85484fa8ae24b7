#include "highlighters/SynHighlighterPas.h"

namespace {

// Keyword functions: the condition (and side effect) each keyword is subject to.
enum : std::uint8_t {
  kgPlain,
  kgAsm,
  kgEnd,
  kgExports,
  kgProperty,
  kgD2,
  kgD3,
  kgD4,
  kgD6,
  kgD8,
  kgPackage,
  kgPropRW,
  kgPropD3,
  kgPropD4,
  kgIndex,
  kgName
};

const TSynHashKeywordTable& PasKeywords() {
  static const TSynHashKeywordTable table = [] {
    auto words = SynKeywordWords(
        {
            u"absolute",
            u"abstract",
            u"and",
            u"array",
            u"as",
            u"asm",
            u"assembler",
            u"automated",
            u"begin",
            u"case",
            u"cdecl",
            u"class",
            u"const",
            u"constructor",
            u"contains",
            u"default",
            u"deprecated",
            u"destructor",
            u"dispid",
            u"dispinterface",
            u"div",
            u"do",
            u"downto",
            u"dynamic",
            u"else",
            u"end",
            u"except",
            u"export",
            u"exports",
            u"external",
            u"far",
            u"file",
            u"final",
            u"finalization",
            u"finally",
            u"for",
            u"forward",
            u"function",
            u"goto",
            u"helper",
            u"if",
            u"implementation",
            u"implements",
            u"in",
            u"index",
            u"inherited",
            u"initialization",
            u"inline",
            u"interface",
            u"is",
            u"label",
            u"library",
            u"message",
            u"mod",
            u"name",
            u"near",
            u"nil",
            u"nodefault",
            u"not",
            u"object",
            u"of",
            u"on",
            u"operator",
            u"or",
            u"out",
            u"overload",
            u"override",
            u"package",
            u"packed",
            u"pascal",
            u"platform",
            u"private",
            u"procedure",
            u"program",
            u"property",
            u"protected",
            u"public",
            u"published",
            u"raise",
            u"read",
            u"readonly",
            u"record",
            u"register",
            u"reintroduce",
            u"repeat",
            u"requires",
            u"resourcestring",
            u"safecall",
            u"sealed",
            u"set",
            u"shl",
            u"shr",
            u"stdcall",
            u"stored",
            u"string",
            u"stringresource",
            u"then",
            u"threadvar",
            u"to",
            u"try",
            u"type",
            u"unit",
            u"until",
            u"uses",
            u"var",
            u"virtual",
            u"while",
            u"with",
            u"write",
            u"writeonly",
            u"xor",
        },
        kgPlain);
    SynSetKeywordGroup(words, {u"asm"}, kgAsm);
    SynSetKeywordGroup(words, {u"end"}, kgEnd);
    SynSetKeywordGroup(words, {u"exports"}, kgExports);
    SynSetKeywordGroup(words, {u"property"}, kgProperty);
    SynSetKeywordGroup(words, {u"cdecl", u"finalization", u"stdcall"}, kgD2);
    SynSetKeywordGroup(
        words,
        {u"automated", u"dispid", u"dispinterface", u"resourcestring", u"safecall", u"stringresource", u"threadvar"},
        kgD3);
    SynSetKeywordGroup(words, {u"overload", u"reintroduce"}, kgD4);
    SynSetKeywordGroup(words, {u"deprecated", u"platform"}, kgD6);
    SynSetKeywordGroup(words, {u"final", u"helper", u"operator", u"sealed"}, kgD8);
    SynSetKeywordGroup(words, {u"contains", u"package", u"requires"}, kgPackage);
    SynSetKeywordGroup(words, {u"read", u"write", u"stored", u"nodefault"}, kgPropRW);
    SynSetKeywordGroup(words, {u"readonly", u"writeonly"}, kgPropD3);
    SynSetKeywordGroup(words, {u"implements"}, kgPropD4);
    SynSetKeywordGroup(words, {u"index"}, kgIndex);
    SynSetKeywordGroup(words, {u"name"}, kgName);
    return TSynHashKeywordTable(812, 76, 389, SynIsWordChar, std::move(words));
  }();
  return table;
}

using K = TSynPasSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkAsm, "Assembler", &K::AsmAttri},
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Symbol", &K::SymbolAttri},
    {K::tkFloat, "Float", &K::FloatAttri},
    {K::tkHex, "Hexadecimal", &K::HexAttri},
    {K::tkDirec, "Preprocessor", &K::DirectiveAttri, syn::fsItalic},
    {K::tkChar, "Character", &K::CharAttri},
};

}  // namespace

TSynPasSyn::TSynPasSyn() : TSynFamilyHighlighter("TSynPasSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  PasKeywords();
  FinishCreate(rsUnknown);
}

const TSynHashKeywordTable* TSynPasSyn::KeywordTable() const {
  return &PasKeywords();
}

std::u16string TSynPasSyn::GetSampleSource() const {
  return u"{ Syntax highlighting }\n"
         u"procedure TForm1.Button1Click(Sender: TObject);\n"
         u"var\n"
         u"  Number, I, X: Integer;\n"
         u"begin\n"
         u"  Number := 123456;\n"
         u"  Caption := 'The Number is' + #32 + IntToStr(Number);\n"
         u"  for I := 0 to Number do\n"
         u"  begin\n"
         u"    Inc(X);\n"
         u"    Dec(X);\n"
         u"    X := X + 1.0;\n"
         u"    X := X - $5E;\n"
         u"  end;\n"
         u"  {$R+}\n"
         u"  asm\n"
         u"    MOV AX, 1234H\n"
         u"    MOV Number, AX\n"
         u"  end;\n"
         u"  {$R-}\n"
         u"end;";
}

void TSynPasSyn::SetDelphiVersion(TDelphiVersion Value) {
  if (fDelphiVersion == Value) return;
  fDelphiVersion = Value;
  if (fDelphiVersion < dvDelphi3) fPackageSource = false;
  AttributeChanged(this);
}

void TSynPasSyn::SetPackageSource(bool Value) {
  if (fPackageSource == Value) return;
  fPackageSource = Value;
  if (fPackageSource && fDelphiVersion < dvDelphi3) fDelphiVersion = dvDelphi3;
  AttributeChanged(this);
}

int TSynPasSyn::GetTokenKind() const {
  if (fRange == rsAsm && !fAsmStart && fTokenId != tkComment && fTokenId != tkNull && fTokenId != tkSpace &&
      fTokenId != tkDirec)
    return tkAsm;
  return fTokenId;
}

void TSynPasSyn::Next() {
  fAsmStart = false;
  fTokenPos = Run;
  switch (fRange) {
    case rsAnsi:
    case rsAnsiAsm:
      AnsiProc();
      break;
    case rsBor:
    case rsBorAsm:
    case rsDirective:
    case rsDirectiveAsm:
      BorProc();
      break;
    default: {
      const char16_t c = At(Run);
      const char16_t n = At(Run + 1);
      switch (c) {
        case 0:
          NullProc();
          break;
        case 10:
          LFProc();
          break;
        case 13:
          CRProc();
          break;
        case u'$':
          HexProc();
          break;
        case u'#':
          CharProc();
          break;
        case u'\'':
          StringProc();
          break;
        case u'{':
          BraceOpenProc();
          break;
        case u'(':
          RoundOpenProc();
          break;
        case u'/':
          SlashProc();
          break;
        case u'.':
          PointProc();
          break;
        case u':':
        case u'>':
          SymbolProc(n == u'=' ? 2 : 1);
          break;
        case u'<':
          SymbolProc(n == u'=' || n == u'>' ? 2 : 1);
          break;
        case u'@':
          SymbolProc(n == u'@' ? 2 : 1);
          break;
        case u';':
          SymbolProc(1);
          if (fRange == rsProperty || fRange == rsExports) fRange = rsUnknown;
          break;
        case u'!':
        case u'"':
        case u'%':
        case u'&':
        case u')':
        case u'*':
        case u'+':
        case u',':
        case u'-':
        case u'=':
        case u'?':
        case u'[':
        case u'\\':
        case u']':
        case u'^':
        case u'`':
        case u'}':
        case u'~':
          SymbolProc(1);
          break;
        default:
          if (SynIsDigit(c))
            NumberProc();
          else if (c <= 32)
            SpaceProc();
          else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
            IdentProc();
          else
            UnknownProc();  // "|" and everything from 127 up
      }
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynPasSyn::IdentProc() {
  const int index = HashLookup(PasKeywords());
  fTokenId = tkIdentifier;
  if (index >= 0) {
    bool key = true;
    switch (PasKeywords().At(index).Group) {
      case kgAsm:
        fRange = rsAsm;
        fAsmStart = true;
        break;
      case kgEnd:
        fRange = rsUnknown;
        break;
      case kgExports:
        fRange = rsExports;
        break;
      case kgProperty:
        fRange = rsProperty;
        break;
      case kgD2:
        key = fDelphiVersion >= dvDelphi2;
        break;
      case kgD3:
        key = fDelphiVersion >= dvDelphi3;
        break;
      case kgD4:
        key = fDelphiVersion >= dvDelphi4;
        break;
      case kgD6:
        key = fDelphiVersion >= dvDelphi6;
        break;
      case kgD8:
        key = fDelphiVersion >= dvDelphi8;
        break;
      case kgPackage:
        key = fPackageSource;
        break;
      case kgPropRW:
        key = fRange == rsProperty;
        break;
      case kgPropD3:
        key = fRange == rsProperty && fDelphiVersion >= dvDelphi3;
        break;
      case kgPropD4:
        key = fRange == rsProperty && fDelphiVersion >= dvDelphi4;
        break;
      case kgIndex:
        key = fRange == rsProperty || fRange == rsExports;
        break;
      case kgName:
        key = fRange == rsExports;
        break;
      default:
        break;
    }
    if (key) fTokenId = tkKey;
  }
  Run += fStringLen;
}

void TSynPasSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynPasSyn::NumberProc() {
  fTokenId = tkNumber;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (c == u'e' || c == u'E') {
      fTokenId = tkFloat;
    } else if (c == u'.') {
      if (At(Run + 1) == u'.') break;
      fTokenId = tkFloat;
    } else if (c == u'+' || c == u'-') {
      const char16_t prev = At(Run - 1);
      if (!(fTokenId == tkFloat && (prev == u'e' || prev == u'E'))) break;
    } else if (!SynIsDigit(c)) {
      break;
    }
    ++Run;
  }
}

void TSynPasSyn::HexProc() {
  fTokenId = tkHex;
  ++Run;
  while (SynIsHexDigit(At(Run))) ++Run;
}

void TSynPasSyn::CharProc() {
  fTokenId = tkChar;
  ++Run;
  while (At(Run) == u'$' || SynIsHexDigit(At(Run))) ++Run;
}

void TSynPasSyn::StringProc() {
  fTokenId = tkString;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'\'') {
      if (At(Run) != u'\'') return;
      ++Run;  // a doubled quote stands for one quote
    }
  }
}

void TSynPasSyn::BraceOpenProc() {
  if (At(Run + 1) == u'$')
    fRange = fRange == rsAsm ? rsDirectiveAsm : rsDirective;
  else
    fRange = fRange == rsAsm ? rsBorAsm : rsBor;
  BraceScan();
}

// From the run position to the closing brace (passed) or the line end (the range is kept).
void TSynPasSyn::BraceScan() {
  fTokenId = fRange == rsDirective || fRange == rsDirectiveAsm ? tkDirec : tkComment;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'}') {
      fRange = fRange == rsBorAsm || fRange == rsDirectiveAsm ? rsAsm : rsUnknown;
      return;
    }
  }
}

void TSynPasSyn::BorProc() {
  // Checked at the run position each time: an open comment is also entered at its line's end.
  if (LineEndProc()) return;
  BraceScan();
}

void TSynPasSyn::RoundOpenProc() {
  const char16_t n = At(Run + 1);
  if (n == u'*') {
    fRange = fRange == rsAsm ? rsAnsiAsm : rsAnsi;
    fTokenId = tkComment;
    Run += 2;
    AnsiScan();
  } else if (n == u'.') {
    SymbolProc(2);
  } else {
    SymbolProc(1);
  }
}

void TSynPasSyn::AnsiScan() {
  fTokenId = tkComment;
  if (!SkipPast(u'*', u')')) return;
  fRange = fRange == rsAnsiAsm ? rsAsm : rsUnknown;
}

void TSynPasSyn::AnsiProc() {
  if (LineEndProc()) return;
  AnsiScan();
}

void TSynPasSyn::SlashProc() {
  if (At(Run + 1) == u'/' && fDelphiVersion > dvDelphi1) {
    fTokenId = tkComment;
    while (!IsEndChar(At(Run))) ++Run;
  } else {
    SymbolProc(1);
  }
}

void TSynPasSyn::PointProc() {
  const char16_t n = At(Run + 1);
  SymbolProc(n == u'.' || n == u')' ? 2 : 1);
}
