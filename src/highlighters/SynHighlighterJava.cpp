#include "highlighters/SynHighlighterJava.h"

namespace {

bool IsJavaIdent(char16_t c) {
  return c == u'$' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' || (c >= u'a' && c <= u'z') ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFF);
}

const TSynHashKeywordTable& JavaKeywords() {
  static const TSynHashKeywordTable table(
      598, 349, 113, IsJavaIdent,
      SynKeywordWords(
          {
              u"abstract",     u"assert",   u"boolean",    u"break",    u"byte",       u"case",    u"catch",
              u"char",         u"class",    u"const",      u"continue", u"default",    u"do",      u"double",
              u"else",         u"extends",  u"false",      u"final",    u"finally",    u"float",   u"for",
              u"goto",         u"if",       u"implements", u"import",   u"instanceof", u"int",     u"interface",
              u"long",         u"native",   u"new",        u"null",     u"package",    u"private", u"protected",
              u"public",       u"return",   u"short",      u"static",   u"strictfp",   u"super",   u"switch",
              u"synchronized", u"this",     u"throw",      u"throws",   u"transient",  u"true",    u"try",
              u"void",         u"volatile", u"while",
          },
          0));
  return table;
}

using K = TSynJavaSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkDocument, "Documentation", &K::DocumentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkInvalid, "Invalid Symbol", &K::InvalidAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Invalid Symbol", &K::InvalidAttri},
};

}  // namespace

TSynJavaSyn::TSynJavaSyn() : TSynFamilyHighlighter("TSynJavaSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  JavaKeywords();
  FinishCreate(rsUnknown);
}

const TSynHashKeywordTable* TSynJavaSyn::KeywordTable() const {
  return &JavaKeywords();
}

bool TSynJavaSyn::IsIdentChar(char16_t AChar) const {
  return IsJavaIdent(AChar);
}

std::u16string TSynJavaSyn::GetSampleSource() const {
  return u"/**\n"
         u" * Syntax highlighting\n"
         u" */\n"
         u"public class Sample {\n"
         u"  // a line comment\n"
         u"  public static void main(String[] args) {\n"
         u"    long mask = 0x1FL;\n"
         u"    char c = '\\n';\n"
         u"    for (int i = 0; i < args.length; i++)\n"
         u"      System.out.println(args[i] + \"!\");\n"
         u"  }\n"
         u"}";
}

void TSynJavaSyn::Next() {
  fTokenPos = Run;
  if (fRange == rsComment || fRange == rsDocument) {
    CommentProc();
  } else {
    fRange = rsUnknown;
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
      case u'.':
        if (SynIsDigit(At(Run + 1)))
          CStyleNumberProc(tkNumber);
        else
          SymbolProc(1);
        break;
      case u'"':
        StringProc(u'"');
        break;
      case u'\'':
        StringProc(u'\'');
        break;
      case u'/':
        SlashProc();
        break;
      case u'#':
      case u'@':
        ++Run;
        fTokenId = tkInvalid;
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
        SymbolProc(OperatorLength(c, soUnsignedShift));
        break;
      case u'(':
      case u')':
      case u'[':
      case u']':
      case u'{':
      case u'}':
      case u',':
      case u';':
      case u':':
      case u'?':
      case u'~':
        SymbolProc(1);
        break;
      default:
        if (SynIsDigit(c))
          CStyleNumberProc(tkNumber);
        else if (c <= 32)
          SpaceProc();
        else if (IsJavaIdent(c))
          IdentProc();
        else
          UnknownProc();
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynJavaSyn::IdentProc() {
  fTokenId = HashLookup(JavaKeywords()) >= 0 ? tkKey : tkIdentifier;
  Run += fStringLen;
}

void TSynJavaSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynJavaSyn::StringProc(char16_t quote) {
  fTokenId = tkString;
  if (At(Run + 1) == quote && At(Run + 2) == quote) Run += 2;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'\\') {
      // The escaped character is taken only when it is not the line end: a final backslash ends
      // the literal at the line end.
      ++Run;
      if (!IsEndChar(At(Run))) ++Run;
      continue;
    }
    ++Run;
    if (c == quote) return;
  }
}

void TSynJavaSyn::CommentScan() {
  fTokenId = fRange == rsDocument ? tkDocument : tkComment;
  if (!SkipPast(u'*', u'/')) return;
  fRange = rsUnknown;
}

void TSynJavaSyn::CommentProc() {
  if (LineEndProc()) return;
  CommentScan();
}

void TSynJavaSyn::SlashProc() {
  const char16_t n = At(Run + 1);
  if (n == u'*') {
    if (At(Run + 2) == u'*') {
      fRange = rsDocument;
      Run += 3;
    } else {
      fRange = rsComment;
      Run += 2;
    }
    CommentScan();
  } else if (n == u'/') {
    fTokenId = tkComment;
    while (!IsEndChar(At(Run))) ++Run;
  } else {
    SymbolProc(n == u'=' ? 2 : 1);
  }
}
