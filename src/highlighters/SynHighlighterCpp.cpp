#include "highlighters/SynHighlighterCpp.h"

namespace {

enum : std::uint8_t { kgPlain, kgAsm };

const TSynHashKeywordTable& CppKeywords() {
  static const TSynHashKeywordTable table = [] {
    auto words = SynKeywordWords(
        {
            u"__asm",
            u"__automated",
            u"__cdecl",
            u"__classid",
            u"__closure",
            u"__declspec",
            u"__dispid",
            u"__except",
            u"__export",
            u"__fastcall",
            u"__finally",
            u"__import",
            u"__int16",
            u"__int32",
            u"__int64",
            u"__int8",
            u"__pascal",
            u"__property",
            u"__published",
            u"__rtti",
            u"__stdcall",
            u"__thread",
            u"__try",
            u"_asm",
            u"_cdecl",
            u"_export",
            u"_fastcall",
            u"_import",
            u"_pascal",
            u"_stdcall",
            u"asm",
            u"auto",
            u"bool",
            u"break",
            u"case",
            u"catch",
            u"cdecl",
            u"char",
            u"class",
            u"const",
            u"const_cast",
            u"continue",
            u"default",
            u"delete",
            u"do",
            u"double",
            u"dynamic_cast",
            u"else",
            u"enum",
            u"explicit",
            u"extern",
            u"false",
            u"float",
            u"for",
            u"friend",
            u"goto",
            u"if",
            u"inline",
            u"int",
            u"interface",
            u"long",
            u"mutable",
            u"namespace",
            u"new",
            u"operator",
            u"pascal",
            u"private",
            u"protected",
            u"public",
            u"register",
            u"reinterpret_cast",
            u"return",
            u"short",
            u"signed",
            u"sizeof",
            u"static",
            u"static_cast",
            u"struct",
            u"switch",
            u"template",
            u"this",
            u"throw",
            u"true",
            u"try",
            u"typedef",
            u"typeid",
            u"typename",
            u"union",
            u"unsigned",
            u"using",
            u"virtual",
            u"void",
            u"volatile",
            u"wchar_t",
            u"while",
        },
        kgPlain);
    SynSetKeywordGroup(words, {u"asm", u"_asm", u"__asm"}, kgAsm);
    return TSynHashKeywordTable(179, 44, 343, SynIsWordChar, std::move(words));
  }();
  return table;
}

using K = TSynCppSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkAsm, "Assembler", &K::AsmAttri},
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkDirective, "Preprocessor", &K::DirecAttri},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Illegal Char", &K::InvalidAttri},
    {K::tkChar, "Character", &K::CharAttri},
    {K::tkFloat, "Float", &K::FloatAttri},
    {K::tkHex, "Hexadecimal", &K::HexAttri},
    {K::tkOctal, "Octal", &K::OctalAttri},
};

}  // namespace

TSynCppSyn::TSynCppSyn() : TSynFamilyHighlighter("TSynCppSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  CppKeywords();
  FinishCreate(rsUnknown);
}

const TSynHashKeywordTable* TSynCppSyn::KeywordTable() const {
  return &CppKeywords();
}

std::u16string TSynCppSyn::GetSampleSource() const {
  return u"// Syntax highlighting\n"
         u"#include <stdio.h>\n"
         u"\n"
         u"int main(int argc, char *argv[])\n"
         u"{\n"
         u"  /* a comment */\n"
         u"  double d = 1.5e-3;\n"
         u"  unsigned long h = 0x1FUL;\n"
         u"  printf(\"%d: %c\\n\", argc, 'x');\n"
         u"  asm { mov eax, 1 }\n"
         u"  return 0;\n"
         u"}";
}

int TSynCppSyn::GetTokenKind() const {
  // Inside an assembler statement or block everything but comments and blanks is assembler.
  if ((fRange == rsAsm || fRange == rsAsmBlock) && !fAsmStart && fTokenId != tkComment && fTokenId != tkNull &&
      fTokenId != tkSpace)
    return tkAsm;
  return fTokenId;
}

void TSynCppSyn::DoSetLine(std::u16string_view Value, int LineNumber) {
  TSynFamilyHighlighter::DoSetLine(Value, LineNumber);
  int i = 0;
  while (i < fLineLen && fLine[i] < 33) ++i;
  fDirectiveLine = i < fLineLen && fLine[i] == u'#';
  fDirectiveCommentOpen = false;
}

void TSynCppSyn::Next() {
  fAsmStart = false;
  fTokenPos = Run;
  switch (fRange) {
    case rsAnsiC:
    case rsAnsiCAsm:
    case rsAnsiCAsmBlock:
    case rsDirectiveComment:
      AnsiCProc();
      break;
    case rsMultiLineDirective:
      DirectiveEndProc();
      break;
    case rsMultiLineString:
      StringEndProc();
      break;
    default: {
      if (fRange != rsAsm && fRange != rsAsmBlock) fRange = rsUnknown;
      const char16_t c = At(Run);
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
        case u'"':
          StringProc();
          break;
        case u'\'':
          CharProc();
          break;
        case u'#':
          DirectiveProc();
          break;
        case u'/':
          SlashProc();
          break;
        case u'.':
          DotProc();
          break;
        case u'&':
        case u'|':
        case u'+':
        case u'-':
        case u'*':
        case u'%':
        case u'^':
        case u'!':
        case u'=':
        case u'<':
        case u'>':
        case u':':
          SymbolProc(OperatorLength(c, soArrow | soScope));
          break;
        case u'(':
        case u')':
        case u'[':
        case u']':
        case u',':
        case u'?':
        case u'~':
          SymbolProc(1);
          break;
        case u'{':
          SymbolProc(1);
          if (fRange == rsAsm) {
            fRange = rsAsmBlock;
            fAsmStart = true;
          }
          break;
        case u'}':
          SymbolProc(1);
          if (fRange == rsAsmBlock) fRange = rsUnknown;
          break;
        case u';':
          SymbolProc(1);
          if (fRange == rsAsm) fRange = rsUnknown;
          break;
        default:
          if (c >= u'0' && c <= u'9')
            NumberProc(false);
          else if (c <= 32)
            SpaceProc();
          else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
            IdentProc();
          else
            UnknownProc();
      }
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynCppSyn::IdentProc() {
  const int index = HashLookup(CppKeywords());
  if (index < 0) {
    fTokenId = tkIdentifier;
  } else {
    fTokenId = tkKey;
    if (CppKeywords().At(index).Group == kgAsm) {
      fRange = rsAsm;
      fAsmStart = true;
    }
  }
  Run += fStringLen;
}

void TSynCppSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynCppSyn::DotProc() {
  if (At(Run + 1) == u'.' && At(Run + 2) == u'.')
    SymbolProc(3);
  else if (SynIsDigit(At(Run + 1)))
    NumberProc(true);
  else
    SymbolProc(1);
}

// Scans a block-comment body up to "*/" or the line end; after "*/" the range returns to where the
// comment was opened.
void TSynCppSyn::CommentScan() {
  fTokenId = tkComment;
  if (!SkipPast(u'*', u'/')) return;
  switch (fRange) {
    case rsAnsiCAsm:
      fRange = rsAsm;
      break;
    case rsAnsiCAsmBlock:
      fRange = rsAsmBlock;
      break;
    case rsDirectiveComment:
      fRange = IsLineEnd(Run) ? rsUnknown : rsMultiLineDirective;
      break;
    default:
      fRange = rsUnknown;
      break;
  }
}

void TSynCppSyn::AnsiCProc() {
  // Checked at the run position on every entry, not only at the line start: a comment left open is
  // also entered at the terminator of its line.
  if (LineEndProc()) return;
  if (fDirectiveCommentOpen) {
    // The directive token stopped before this "/*": pass it, so "/*/" does not close the comment.
    fDirectiveCommentOpen = false;
    Run += 2;
  }
  CommentScan();
}

void TSynCppSyn::SlashProc() {
  const char16_t n = At(Run + 1);
  if (n == u'*') {
    if (fRange == rsAsm)
      fRange = rsAnsiCAsm;
    else if (fRange == rsAsmBlock)
      fRange = rsAnsiCAsmBlock;
    else
      fRange = rsAnsiC;
    Run += 2;
    CommentScan();
  } else if (n == u'/') {
    fTokenId = tkComment;
    while (!IsEndChar(At(Run))) ++Run;
  } else if (n == u'=') {
    SymbolProc(2);
  } else {
    SymbolProc(1);
  }
}

// The body of a directive from the run position: stops before "//" or "/*", takes a final "\".
void TSynCppSyn::DirectiveScan() {
  fTokenId = tkDirective;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'/') {
      const char16_t n = At(Run + 1);
      if (n == u'/') {
        fRange = rsUnknown;
        return;
      }
      if (n == u'*') {
        fRange = rsDirectiveComment;
        fDirectiveCommentOpen = true;
        return;
      }
    } else if (c == u'\\' && IsLineEnd(Run + 1)) {
      ++Run;
      fRange = rsMultiLineDirective;
      return;
    }
    ++Run;
  }
}

void TSynCppSyn::DirectiveProc() {
  if (!fDirectiveLine) {
    UnknownProc();
    return;
  }
  DirectiveScan();  // starts on the "#", so it always takes at least that
}

void TSynCppSyn::DirectiveEndProc() {
  if (LineEndProc()) return;
  fRange = rsUnknown;
  DirectiveScan();
  if (Run == fTokenPos) {
    // The continued line starts with a comment: scan it at once as a comment of the directive.
    if (fRange == rsDirectiveComment) {
      AnsiCProc();
    } else {
      // "//": a line comment.
      fTokenId = tkComment;
      while (!IsEndChar(At(Run))) ++Run;
    }
  }
}

// The body of a string from the run position: escapes, the closing quote, or a final "\" that
// continues the string on the next line.
void TSynCppSyn::StringScan() {
  fTokenId = tkString;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'\\') {
      const char16_t n = At(Run + 1);
      if (n == u'"' || n == u'\\') {
        Run += 2;
        continue;
      }
      if (IsLineEnd(Run + 1)) {
        ++Run;
        fRange = rsMultiLineString;
        return;
      }
    } else if (c == u'"') {
      ++Run;
      return;
    }
    ++Run;
  }
}

void TSynCppSyn::StringProc() {
  ++Run;  // the opening quote
  StringScan();
}

void TSynCppSyn::StringEndProc() {
  if (LineEndProc()) return;
  fRange = rsUnknown;
  StringScan();
}

void TSynCppSyn::CharProc() {
  fTokenId = tkChar;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'\\') {
      const char16_t n = At(Run + 1);
      if (n == u'\'' || n == u'\\') {
        Run += 2;
        continue;
      }
    } else if (c == u'\'') {
      ++Run;
      return;
    }
    ++Run;
  }
}

void TSynCppSyn::NumberProc(bool startsWithDot) {
  const int start = Run;
  const char16_t first = At(start);
  bool seenE = false, seenF = false, seenU = false;
  int firstL = -1;
  fTokenId = startsWithDot ? tkFloat : tkNumber;
  ++Run;  // the first digit, or the dot that makes the number Float
  // Each rule either passes the character (break) or ends the token (goto end).
  while (true) {
    const char16_t c = At(Run);
    const char16_t prev = At(Run - 1);
    const char16_t next = At(Run + 1);
    switch (c) {
      case u'+':
      case u'-':
        if (!(fTokenId == tkFloat && (prev == u'e' || prev == u'E'))) goto end;
        if (next != u'+' && next != u'-' && !SynIsDigit(next)) {
          ++Run;
          fTokenId = tkUnknown;
          goto end;
        }
        break;
      case u'.':
        if (next == u'.') goto end;
        if (fTokenId == tkHex) {
          fTokenId = tkUnknown;
          goto end;
        }
        fTokenId = tkFloat;
        break;
      case u'0':
      case u'1':
      case u'2':
      case u'3':
      case u'4':
      case u'5':
      case u'6':
      case u'7':
        if (Run == start + 1 && first == u'0') fTokenId = tkOctal;
        break;
      case u'8':
      case u'9':
        if (first == u'0' && fTokenId != tkHex && fTokenId != tkFloat) fTokenId = tkUnknown;
        break;
      case u'A':
      case u'B':
      case u'C':
      case u'D':
      case u'a':
      case u'b':
      case u'c':
      case u'd':
        if (fTokenId != tkHex) goto end;
        break;
      case u'E':
      case u'e':
        if (fTokenId == tkHex) break;
        if (!SynIsDigit(prev)) goto end;
        if (seenE) {
          fTokenId = tkUnknown;
          goto end;
        }
        if (next != u'+' && next != u'-' && !SynIsDigit(next)) goto end;
        fTokenId = tkFloat;
        seenE = true;
        break;
      case u'F':
      case u'f':
        if (fTokenId == tkHex) break;
        if (seenF) {
          fTokenId = tkUnknown;
          goto end;
        }
        if (fTokenId == tkFloat && (prev == u'L' || prev == u'l')) goto end;
        if (fTokenId != tkFloat) fTokenId = tkFloat;
        seenF = true;
        break;
      case u'L':
      case u'l':
        if (firstL >= 0 && firstL < Run - 1) {
          fTokenId = tkUnknown;
          goto end;
        }
        if (fTokenId == tkFloat && (prev == u'F' || prev == u'f')) goto end;
        if (firstL < 0) firstL = Run;
        break;
      case u'U':
      case u'u':
        if (fTokenId == tkFloat) goto end;
        if (seenU) {
          fTokenId = tkUnknown;
          goto end;
        }
        seenU = true;
        break;
      case u'X':
      case u'x':
        if (Run == start + 1 && first == u'0' && SynIsHexDigit(next)) {
          fTokenId = tkHex;
          break;
        }
        if (!SynIsWordChar(next) && (At(start + 1) == u'X' || At(start + 1) == u'x')) {
          ++Run;
          fTokenId = tkUnknown;
        }
        goto end;
      default:
        goto end;
    }
    ++Run;
  }
end:
  // A letter straight after the number makes it illegal (the letter is not taken).
  {
    const char16_t c = At(Run);
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_') fTokenId = tkUnknown;
  }
}
