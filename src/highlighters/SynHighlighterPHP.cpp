#include "highlighters/SynHighlighterPHP.h"

namespace {

const TSynHashKeywordTable& PhpKeywords() {
  static const TSynHashKeywordTable table(596, 413, 137, SynIsWordChar,
                                          SynKeywordWords(
                                              {
                                                  u"__file__",
                                                  u"__line__",
                                                  u"and",
                                                  u"array",
                                                  u"break",
                                                  u"case",
                                                  u"cfunction",
                                                  u"class",
                                                  u"const",
                                                  u"continue",
                                                  u"default",
                                                  u"die",
                                                  u"do",
                                                  u"double",
                                                  u"echo",
                                                  u"else",
                                                  u"elseif",
                                                  u"empty",
                                                  u"endfor",
                                                  u"endif",
                                                  u"endswitch",
                                                  u"endwhile",
                                                  u"eval",
                                                  u"exit",
                                                  u"extends",
                                                  u"false",
                                                  u"float",
                                                  u"for",
                                                  u"foreach",
                                                  u"function",
                                                  u"global",
                                                  u"highlight_file",
                                                  u"highlight_string",
                                                  u"if",
                                                  u"include",
                                                  u"int",
                                                  u"integer",
                                                  u"isset",
                                                  u"list",
                                                  u"new",
                                                  u"object",
                                                  u"old_function",
                                                  u"or",
                                                  u"print",
                                                  u"real",
                                                  u"require",
                                                  u"return",
                                                  u"show_source",
                                                  u"static",
                                                  u"string",
                                                  u"switch",
                                                  u"true",
                                                  u"unset",
                                                  u"var",
                                                  u"while",
                                                  u"xor",
                                              },
                                              0));
  return table;
}

using K = TSynPHPSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkUnknown, "Identifier", &K::IdentifierAttri},
    {K::tkVariable, "Variable", &K::VariableAttri},
};

}  // namespace

TSynPHPSyn::TSynPHPSyn() : TSynFamilyHighlighter("TSynPHPSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  PhpKeywords();
  FinishCreate(rsUnknown);
}

const TSynHashKeywordTable* TSynPHPSyn::KeywordTable() const {
  return &PhpKeywords();
}

std::u16string TSynPHPSyn::GetSampleSource() const {
  return u"// Syntax highlighting\n"
         u"function printNumber()\n"
         u"{\n"
         u"  $number = 1234;\n"
         u"  print \"The number is $number and {$list['key']}\";\n"
         u"  for ($i = 0; $i <= $number; $i++)\n"
         u"  {\n"
         u"    $x++; # a comment\n"
         u"    $x += 1.0;\n"
         u"  }\n"
         u"}";
}

void TSynPHPSyn::Next() {
  // A procedure that took nothing (a string that stops before an embedded variable) changed the
  // range, so running again makes progress; the guard only caps a state that could not.
  for (int pass = 0;; ++pass) {
    fTokenPos = Run;
    switch (fRange) {
      case rsString39:
      case rsString34:
        StringProc();
        break;
      case rsComment:
        CommentProc();
        break;
      case rsVarExpansion:
        VarExpansionProc();
        break;
      default:
        fRange = rsUnknown;
        CharProc();
    }
    if (Run != fTokenPos || GetEol()) break;
    if (pass >= 3) {
      UnknownProc();
      break;
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynPHPSyn::CharProc() {
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
      VariableProc();
      break;
    case u'\'':
      fRange = rsString39;
      ++Run;
      StringProc();
      break;
    case u'"':
      fRange = rsString34;
      ++Run;
      StringProc();
      break;
    case u'#':
      fTokenId = tkComment;
      while (!IsEndChar(At(Run))) ++Run;
      break;
    case u'/':
      SlashProc();
      break;
    case u'&':
      SymbolProc(n == u'&' || n == u'=' ? 2 : 1);
      break;
    case u'|':
      SymbolProc(n == u'|' || n == u'=' ? 2 : 1);
      break;
    case u'+':
      SymbolProc(n == u'+' || n == u'=' ? 2 : 1);
      break;
    case u'-':
      SymbolProc(n == u'-' || n == u'=' || n == u'>' ? 2 : 1);
      break;
    case u'=':
      SymbolProc(n == u'=' || n == u'>' ? 2 : 1);
      break;
    case u'>':
      SymbolProc(n == u'=' || n == u'>' ? 2 : 1);
      break;
    case u'<':
      if (n == u'<')
        SymbolProc(At(Run + 2) == u'=' ? 3 : 2);
      else
        SymbolProc(n == u'=' ? 2 : 1);
      break;
    case u'!':
    case u'*':
    case u'%':
    case u'^':
      SymbolProc(n == u'=' ? 2 : 1);
      break;
    case u'(':
    case u')':
    case u'[':
    case u']':
    case u'{':
    case u'}':
    case u',':
    case u'.':
    case u':':
    case u';':
    case u'?':
    case u'@':
    case u'~':
      SymbolProc(1);
      break;
    default:
      if (SynIsDigit(c))
        CStyleNumberProc(tkNumber);
      else if (c <= 32)
        SpaceProc();
      else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
        IdentProc();
      else
        UnknownProc();  // \ ` and everything from 127 up
  }
}

void TSynPHPSyn::IdentProc() {
  fTokenId = HashLookup(PhpKeywords()) >= 0 ? tkKey : tkIdentifier;
  Run += fStringLen;
}

void TSynPHPSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynPHPSyn::VariableProc() {
  fTokenId = tkVariable;
  ++Run;
  while (SynIsWordChar(At(Run))) ++Run;
}

void TSynPHPSyn::CommentScan() {
  fTokenId = tkComment;
  if (!SkipPast(u'*', u'/')) return;
  fRange = rsUnknown;
}

void TSynPHPSyn::CommentProc() {
  if (LineEndProc()) return;
  CommentScan();
}

void TSynPHPSyn::SlashProc() {
  const char16_t n = At(Run + 1);
  if (n == u'*') {
    fRange = rsComment;
    Run += 2;
    CommentScan();
  } else if (n == u'/') {
    fTokenId = tkComment;
    while (!IsEndChar(At(Run))) ++Run;
  } else {
    SymbolProc(n == u'=' ? 2 : 1);
  }
}

// An odd number of backslashes stands right before pos (counted back to the line start).
bool TSynPHPSyn::IsEscaped(int pos) const {
  int count = 0;
  for (int i = pos - 1; i >= 0 && At(i) == u'\\'; --i) ++count;
  return (count & 1) != 0;
}

void TSynPHPSyn::StringProc() {
  // A continued string entered at its line's end gives the line-end token; the range is kept.
  if (Run == fTokenPos && LineEndProc()) return;
  fTokenId = tkString;
  const char16_t quote = fRange == rsString39 ? u'\'' : u'"';
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == quote && !IsEscaped(Run)) break;
    if (fRange == rsString34 && c == u'$' && (At(Run + 1) == u'{' || SynIsWordChar(At(Run + 1)))) {
      int p = Run;
      if (At(Run - 1) == u'{' && Run - 1 >= fTokenPos) p = Run - 1;  // "{$" starts at the brace
      if (!IsEscaped(p)) {
        Run = p;
        fRange = rsVarExpansion;
        return;
      }
      // Escaped: "{$" or "$" is string text. Pass what was judged, so the scan always moves on.
      ++Run;
      continue;
    }
    ++Run;
  }
  // At the unescaped closing quote.
  fRange = rsUnknown;
  ++Run;
}

void TSynPHPSyn::VarExpansionProc() {
  fRange = rsString34;
  fTokenId = tkVariable;
  const char16_t c = At(Run);
  const char16_t n = At(Run + 1);
  if ((c == u'{' && n == u'$') || (c == u'$' && n == u'{')) {
    // Brace form: up to the brace that closes the first one, nested braces counted.
    Run += 2;
    int depth = 1;
    while (!IsEndChar(At(Run))) {
      const char16_t d = At(Run);
      ++Run;
      if (d == u'{') {
        ++depth;
      } else if (d == u'}') {
        if (--depth == 0) return;
      }
    }
    return;
  }
  if (c != u'$') return;  // nothing to take here: the string scan runs again
  // Plain form: the name, then any chain of ['key'], [name] and ->name.
  ++Run;
  while (SynIsWordChar(At(Run))) ++Run;
  int p = Run;
  while (true) {
    if (At(p) == u'[' && At(p + 1) == u'\'') {
      int q = p + 2;
      while (!IsEndChar(At(q)) && At(q) != u'\'') ++q;
      if (At(q) != u'\'' || At(q + 1) != u']') break;
      p = q + 2;
      Run = p;
      continue;
    }
    int open = 0;
    int q;
    if (At(p) == u'-' && At(p + 1) == u'>') {
      q = p + 2;
    } else if (At(p) == u'[') {
      open = 1;
      q = p + 1;
    } else {
      break;
    }
    if (!SynIsWordChar(At(q))) break;
    while (SynIsWordChar(At(q))) ++q;
    if (open > 0) {
      if (At(q) != u']') break;
      ++q;
    }
    p = q;
    Run = p;
  }
}
