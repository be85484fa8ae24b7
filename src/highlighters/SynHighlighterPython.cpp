#include "highlighters/SynHighlighterPython.h"

#include <algorithm>

#include "editor/SynUnicode.h"

namespace {

using K = TSynPythonSyn;

constexpr std::u16string_view kReserved[] = {
    // BEGIN GENERATED PythonReserved
    u"and",  u"assert",  u"break", u"class", u"continue", u"def",    u"del",    u"elif",  u"else",  u"except",
    u"exec", u"finally", u"for",   u"from",  u"global",   u"if",     u"import", u"in",    u"is",    u"lambda",
    u"not",  u"or",      u"pass",  u"print", u"raise",    u"return", u"try",    u"while", u"yield",
    // END GENERATED PythonReserved
};

constexpr std::u16string_view kPredefined[] = {
    // BEGIN GENERATED PythonPredefined
    u"__future__",
    u"__import__",
    u"abs",
    u"apply",
    u"as",
    u"buffer",
    u"callable",
    u"chr",
    u"cmp",
    u"coerce",
    u"compile",
    u"complex",
    u"delattr",
    u"dict",
    u"dir",
    u"divmod",
    u"eval",
    u"execfile",
    u"False",
    u"file",
    u"filter",
    u"float",
    u"getattr",
    u"globals",
    u"hasattr",
    u"hash",
    u"help",
    u"hex",
    u"id",
    u"input",
    u"int",
    u"intern",
    u"isinstance",
    u"issubclass",
    u"iter",
    u"len",
    u"list",
    u"locals",
    u"long",
    u"None",
    u"NotImplemented",
    u"map",
    u"max",
    u"min",
    u"oct",
    u"open",
    u"ord",
    u"pow",
    u"range",
    u"raw_input",
    u"reduce",
    u"reload",
    u"repr",
    u"round",
    u"self",
    u"setattr",
    u"slice",
    u"str",
    u"True",
    u"tuple",
    u"type",
    u"unichr",
    u"unicode",
    u"vars",
    u"xrange",
    u"zip",
    // END GENERATED PythonPredefined
};

}  // namespace

const std::vector<K::KeywordEntry>& TSynPythonSyn::KeywordList() {
  static const std::vector<KeywordEntry> list = [] {
    std::vector<KeywordEntry> v;
    for (auto w : kReserved) v.push_back({w, tkKey});
    for (auto w : kPredefined) v.push_back({w, tkNonKeyword});
    std::stable_sort(v.begin(), v.end(),
                     [](const KeywordEntry& a, const KeywordEntry& b) { return WideCompareText(a.Word, b.Word) < 0; });
    return v;
  }();
  return list;
}

std::uint8_t TSynPythonSyn::IdentKind(std::u16string_view token) {
  // Found without regard to case, then it must match exactly.
  const auto& list = KeywordList();
  int first = 0;
  int last = static_cast<int>(list.size()) - 1;
  while (first <= last) {
    const int middle = first + (last - first) / 2;
    const int c = WideCompareText(list[static_cast<size_t>(middle)].Word, token);
    if (c == 0) {
      if (list[static_cast<size_t>(middle)].Word == token) return list[static_cast<size_t>(middle)].Kind;
      break;
    }
    if (c < 0)
      first = middle + 1;
    else
      last = middle - 1;
  }
  // __name__: at least five characters, exactly two underscores at each end.
  const size_t n = token.size();
  if (n >= 5 && token[0] == u'_' && token[1] == u'_' && token[2] != u'_' && token[n - 1] == u'_' &&
      token[n - 2] == u'_' && token[n - 3] != u'_')
    return tkSystemDefined;
  return tkIdentifier;
}

namespace {

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsItalic, 0x808080},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold},
    {K::tkNumber, "Number", &K::NumberAttri, 0, 0xFF0000},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri, 0, 0xFF0000},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkNonKeyword, "Non-reserved Keyword", &K::NonKeyAttri, syn::fsBold, 0x800000},
    {K::tkTripleQuotedString, "Documentation", &K::DocStringAttri, 0, 0x808000},
    {K::tkSystemDefined, "System Functions and Variables", &K::SystemAttri, syn::fsBold},
    {K::tkHex, "Hexadecimal", &K::HexAttri, 0, 0xFF0000},
    {K::tkOct, "Octal", &K::OctalAttri, 0, 0xFF0000},
    {K::tkFloat, "Float", &K::FloatAttri, 0, 0xFF0000},
    {K::tkUnknown, "Syntax Error", &K::ErrorAttri, 0, 0x0000FF},
};

}  // namespace

TSynPythonSyn::TSynPythonSyn() : TSynFamilyHighlighter("TSynPythonSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, nullptr, KeyAttri, nullptr, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  KeywordList();
  FinishCreate(rsUnKnown);
}

std::u16string TSynPythonSyn::GetSampleSource() const {
  return u"#!/usr/bin/env python\n"
         u"import sys\n"
         u"\n"
         u"def main(args):\n"
         u"    \"\"\"Prints the number of arguments.\"\"\"\n"
         u"    if len(args) < 2:\n"
         u"        print 'usage: %s file' % args[0]\n"
         u"        return 0x1F\n"
         u"    return 1.5e3 + 017\n";
}

std::intptr_t TSynPythonSyn::GetRange() const {
  if (fRange == rsMultilineString3) return fRange | (static_cast<std::intptr_t>(fQuote) << 8);
  return fRange;
}

void TSynPythonSyn::SetRange(std::intptr_t Value) {
  fRange = static_cast<std::uint8_t>(Value);
  fQuote = ((Value >> 8) & 0xFF) == u'\'' ? u'\'' : u'"';
}

void TSynPythonSyn::ResetRange() {
  fRange = rsUnKnown;
  fQuote = u'"';
}

void TSynPythonSyn::Next() {
  fTokenPos = Run;
  // The line end comes before any continuation, so an open string never stalls the scan there.
  if (!LineEndProc()) {
    if (fRange == rsMultilineString || fRange == rsMultilineString2) {
      fTokenId = tkTripleQuotedString;
      TripleScan(fRange == rsMultilineString ? u'\'' : u'"');
    } else if (fRange == rsMultilineString3) {
      fTokenId = tkString;
      SingleScan(fQuote);
    } else {
      const char16_t c = At(Run);
      switch (c) {
        case u'#':
          CommentProc();
          break;
        case u'"':
        case u'\'':
          StringProc();
          break;
        case u'r':
        case u'R':
          if (At(Run + 1) == u'"' || At(Run + 1) == u'\'') {
            ++Run;
            StringProc();
          } else {
            IdentProc();
          }
          break;
        case u'u':
        case u'U': {
          int q = Run + 1;
          if (At(q) == u'r' || At(q) == u'R') ++q;
          if (At(q) == u'"' || At(q) == u'\'') {
            Run = q;
            StringProc();
          } else {
            IdentProc();
          }
          break;
        }
        case u'<':
          SymbolProc(At(Run + 1) == u'=' || At(Run + 1) == u'>' ? 2 : 1);
          break;
        case u'>':
          SymbolProc(At(Run + 1) == u'=' ? 2 : 1);
          break;
        case u'!':
        case u'%':
        case u'&':
        case u'(':
        case u')':
        case u'*':
        case u'+':
        case u',':
        case u'-':
        case u'/':
        case u':':
        case u';':
        case u'=':
        case u'[':
        case u'\\':
        case u']':
        case u'^':
        case u'`':
        case u'{':
        case u'|':
        case u'}':
        case u'~':
          SymbolProc(1);
          break;
        default:
          if (c <= 32)
            SpaceProc();
          else if (c == u'.' || SynIsDigit(c))
            NumberProc();
          else if (SynIsAsciiLetter(c) || c == u'_')
            IdentProc();
          else
            UnknownProc();
      }
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynPythonSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

void TSynPythonSyn::CommentProc() {
  fTokenId = tkComment;
  do ++Run;
  while (!IsEndChar(At(Run)));
}

void TSynPythonSyn::IdentProc() {
  while (SynIsWordChar(At(Run))) ++Run;
  fTokenId = IdentKind(std::u16string_view(fLine + fTokenPos, static_cast<size_t>(Run - fTokenPos)));
}

bool TSynPythonSyn::Escaped(int pos) const {
  int slashes = 0;
  for (int p = pos - 1; p >= 0 && At(p) == u'\\'; --p) ++slashes;
  return slashes % 2 == 1;
}

void TSynPythonSyn::StringProc() {
  const char16_t quote = At(Run);
  if (At(Run + 1) == quote && At(Run + 2) == quote) {
    fTokenId = tkTripleQuotedString;
    fRange = quote == u'\'' ? rsMultilineString : rsMultilineString2;
    Run += 3;
    TripleScan(quote);
  } else {
    fTokenId = tkString;
    ++Run;
    SingleScan(quote);
  }
}

void TSynPythonSyn::TripleScan(char16_t quote) {
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;  // still open: the range stays
    if (c == quote && At(Run + 1) == quote && At(Run + 2) == quote && !Escaped(Run)) {
      Run += 3;
      fRange = rsUnKnown;
      return;
    }
    ++Run;
  }
}

void TSynPythonSyn::SingleScan(char16_t quote) {
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) break;
    if (c == quote && !Escaped(Run)) {
      ++Run;
      fRange = rsUnKnown;
      return;
    }
    ++Run;
  }
  // Open at the line end: a final backslash continues it on the next line.
  if (At(Run - 1) == u'\\' && Run - 1 >= fTokenPos) {
    fRange = rsMultilineString3;
    fQuote = quote;
  } else {
    fRange = rsUnKnown;
  }
}

void TSynPythonSyn::NumberProc() {
  enum { Dec, Oct, MustFloat, Hex, Frac, Exp } st;
  const char16_t first = At(Run);
  if (first == u'.') {
    if (!SynIsDigit(At(Run + 1))) {
      SymbolProc(At(Run + 1) == u'.' && At(Run + 2) == u'.' ? 3 : 1);
      return;
    }
    st = Frac;
  } else if (first == u'0') {
    const char16_t n = At(Run + 1);
    if ((n == u'x' || n == u'X') && SynIsHexDigit(At(Run + 2))) {
      st = Hex;
      ++Run;
    } else if (n >= u'0' && n <= u'7') {
      st = Oct;
    } else if (n == u'8' || n == u'9') {
      st = MustFloat;
    } else {
      st = Dec;
    }
  } else {
    st = Dec;
  }
  ++Run;
  bool error = false;
  bool suffix = false;
  for (;;) {
    const char16_t c = At(Run);
    if (st == Hex) {
      if (SynIsHexDigit(c)) {
        ++Run;
        continue;
      }
    } else if (SynIsDigit(c)) {
      if (st == Oct && c >= u'8') st = MustFloat;
      ++Run;
      continue;
    }
    if (c == u'.') {
      if (At(Run + 1) == u'.') break;  // a range operator follows
      if (st == Dec || st == Oct || st == MustFloat) {
        st = Frac;
        ++Run;
        continue;
      }
      error = true;
      break;
    }
    if ((c == u'e' || c == u'E') && st != Exp) {  // in hexadecimal numbers e is a digit, taken above
      int p = Run + 1;
      if (At(p) == u'+' || At(p) == u'-') ++p;
      Run = p;
      if (!SynIsDigit(At(p))) {
        error = true;
        break;
      }
      st = Exp;
      continue;
    }
    if ((c == u'j' || c == u'J') && st != Hex) {
      ++Run;
      st = Frac;  // imaginary: float kind
      suffix = true;
      break;
    }
    if ((c == u'l' || c == u'L') && (st == Oct || st == Hex)) {
      ++Run;
      suffix = true;
      break;
    }
    if (SynIsWordChar(c)) error = true;
    break;
  }
  if (suffix && SynIsWordChar(At(Run))) error = true;
  if (!error && st == MustFloat) error = true;
  if (error) {
    fTokenId = tkUnknown;
    while (SynIsWordChar(At(Run)) || At(Run) == u'.') ++Run;
    return;
  }
  switch (st) {
    case Hex:
      fTokenId = tkHex;
      break;
    case Oct:
      fTokenId = tkOct;
      break;
    case Frac:
    case Exp:
      fTokenId = tkFloat;
      break;
    default:
      fTokenId = tkNumber;
  }
}
