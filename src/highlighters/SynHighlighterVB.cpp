#include "highlighters/SynHighlighterVB.h"

// ---- TSynVBBaseSyn ----

namespace {

using K = TSynVBBaseSyn;

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
};

}  // namespace

TSynVBBaseSyn::TSynVBBaseSyn(const char* className, const TSynHashKeywordTable& keywords)
    : TSynFamilyHighlighter(className), fKeywords(keywords) {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkUnknown);
  FinishCreate(0);
}

void TSynVBBaseSyn::Next() {
  fTokenPos = Run;
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
    case u'#':
      DateProc();
      break;
    case u'\'':
      ToLineEnd(tkComment);
      break;
    case u'<':
      SymbolProc(At(Run + 1) == u'=' || At(Run + 1) == u'>' ? 2 : 1);
      break;
    case u'>':
      SymbolProc(At(Run + 1) == u'=' ? 2 : 1);
      break;
    case u'&':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u',':
    case u'-':
    case u'.':
    case u'/':
    case u':':
    case u';':
    case u'=':
    case u'^':
    case u'{':
    case u'}':
      SymbolProc(1);
      break;
    default:
      if (c <= 32)
        SpaceProc();
      else if (SynIsDigit(c))
        NumberProc();
      else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_')
        IdentProc();
      else
        UnknownProc();
  }
  TSynFamilyHighlighter::Next();
}

void TSynVBBaseSyn::IdentProc() {
  const int index = HashLookup(fKeywords);
  if (index < 0) {
    fTokenId = tkIdentifier;
    Run += fStringLen;
  } else if (fKeywords.At(index).Group == kgRem) {
    ToLineEnd(tkComment);
  } else {
    fTokenId = tkKey;
    Run += fStringLen;
  }
}

void TSynVBBaseSyn::ToLineEnd(std::uint8_t kind) {
  fTokenId = kind;
  do ++Run;
  while (!IsEndChar(At(Run)));
}

void TSynVBBaseSyn::StringProc() {
  fTokenId = tkString;
  // A leading "" (an escaped quote) is stepped over first; tested left to right.
  if (At(Run + 1) == u'"' && At(Run + 2) == u'"') Run += 2;
  ++Run;
  while (!IsEndChar(At(Run)) && At(Run) != u'"') ++Run;
  if (At(Run) == u'"') ++Run;
}

void TSynVBBaseSyn::DateProc() {
  fTokenId = tkString;
  ++Run;
  while (!IsEndChar(At(Run)) && At(Run) != u'#') ++Run;
  if (At(Run) == u'#') ++Run;
}

void TSynVBBaseSyn::NumberProc() {
  fTokenId = tkNumber;
  ++Run;
  // The line is scanned lower-cased, so "E" arrives as "e".
  while (SynIsDigit(At(Run)) || At(Run) == u'.' || At(Run) == u'e') ++Run;
}

void TSynVBBaseSyn::SymbolProc(int length) {
  fTokenId = tkSymbol;
  Run += length;
}

// ---- TSynVBSyn ----

const TSynHashKeywordTable& TSynVBSyn::Keywords() {
  static const TSynHashKeywordTable table = [] {
    auto words = SynKeywordWords(
        {
            // BEGIN GENERATED VB
            u"abs",       u"and",       u"appactivate", u"array",     u"as",       u"asc",          u"atn",
            u"attribute", u"base",      u"beep",        u"begin",     u"boolean",  u"byte",         u"call",
            u"case",      u"cbool",     u"cbyte",       u"ccur",      u"cdate",    u"cdbl",         u"chdir",
            u"chdrive",   u"chr",       u"cint",        u"circle",    u"class",    u"clear",        u"clng",
            u"close",     u"command",   u"compare",     u"const",     u"cos",      u"createobject", u"csng",
            u"cstr",      u"curdir",    u"currency",    u"cvar",      u"cverr",    u"date",         u"dateadd",
            u"datediff",  u"datepart",  u"dateserial",  u"datevalue", u"ddb",      u"deftype",      u"dim",
            u"dir",       u"do",        u"doevents",    u"double",    u"each",     u"else",         u"elseif",
            u"empty",     u"end",       u"environ",     u"eof",       u"eqv",      u"erase",        u"err",
            u"error",     u"exit",      u"exp",         u"explicit",  u"fileattr", u"filecopy",     u"filedatetime",
            u"filelen",   u"fix",       u"for",         u"form",      u"format",   u"freefile",     u"function",
            u"fv",        u"get",       u"getattr",     u"getobject", u"gosub",    u"goto",         u"hex",
            u"hour",      u"if",        u"iif",         u"imp",       u"input",    u"instr",        u"int",
            u"integer",   u"ipmt",      u"irr",         u"is",        u"isarray",  u"isdate",       u"isempty",
            u"iserror",   u"ismissing", u"isnull",      u"isnumeric", u"isobject", u"kill",         u"lbound",
            u"lcase",     u"left",      u"len",         u"let",       u"line",     u"loc",          u"lock",
            u"lof",       u"log",       u"long",        u"loop",      u"lset",     u"ltrim",        u"me",
            u"mid",       u"minute",    u"mirr",        u"mkdir",     u"mod",      u"module",       u"month",
            u"msgbox",    u"name",      u"new",         u"next",      u"not",      u"nothing",      u"now",
            u"nper",      u"npv",       u"object",      u"oct",       u"on",       u"open",         u"option",
            u"or",        u"pmt",       u"ppmt",        u"print",     u"private",  u"property",     u"pset",
            u"public",    u"put",       u"pv",          u"qbcolor",   u"raise",    u"randomize",    u"rate",
            u"redim",     u"rem",       u"reset",       u"resume",    u"return",   u"rgb",          u"right",
            u"rmdir",     u"rnd",       u"rset",        u"rtrim",     u"second",   u"seek",         u"select",
            u"sendkeys",  u"set",       u"setattr",     u"sgn",       u"shell",    u"sin",          u"single",
            u"sln",       u"space",     u"spc",         u"sqr",       u"static",   u"stop",         u"str",
            u"strcomp",   u"strconv",   u"string",      u"sub",       u"switch",   u"syd",          u"system",
            u"tab",       u"tan",       u"then",        u"time",      u"timer",    u"timeserial",   u"timevalue",
            u"to",        u"trim",      u"typename",    u"ubound",    u"ucase",    u"unlock",       u"until",
            u"val",       u"variant",   u"vartype",     u"version",   u"weekday",  u"wend",         u"while",
            u"width",     u"with",      u"write",       u"xor",
            // END GENERATED VB
        },
        kgPlain);
    SynSetKeywordGroup(words, {u"rem"}, kgRem);
    return TSynHashKeywordTable(251, 749, 1423, SynIsWordChar, std::move(words));
  }();
  return table;
}

TSynVBSyn::TSynVBSyn() : TSynVBBaseSyn("TSynVBSyn", Keywords()) {}

const TSynHashKeywordTable* TSynVBSyn::KeywordTable() const {
  return &Keywords();
}

std::u16string TSynVBSyn::GetSampleSource() const {
  return u"' Syntax highlighting\n"
         u"Function PrintNumber(Count As Integer) As String\n"
         u"  Dim Number As Long, I As Integer\n"
         u"  MsgBox \"The number is \" & Count\n"
         u"  For I = 0 To &H1F\n"
         u"    Number = Number + &O17 + 1.5E3\n"
         u"  Next I\n"
         u"  PrintNumber = \"done\" ~\n"
         u"End Function";
}
