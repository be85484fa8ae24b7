#include "highlighters/SynHighlighterVBScript.h"

const TSynHashKeywordTable& TSynVBScriptSyn::Keywords() {
  static const TSynHashKeywordTable table = [] {
    auto words = SynKeywordWords(
        {
            // BEGIN GENERATED VBScript
            u"and",        u"as",      u"boolean",  u"byref",    u"byte",       u"byval",     u"call",
            u"case",       u"class",   u"const",    u"currency", u"debug",      u"dim",       u"do",
            u"double",     u"each",    u"else",     u"elseif",   u"empty",      u"end",       u"endif",
            u"enum",       u"eqv",     u"erase",    u"error",    u"event",      u"exit",      u"explicit",
            u"false",      u"for",     u"function", u"get",      u"goto",       u"if",        u"imp",
            u"implements", u"in",      u"integer",  u"is",       u"let",        u"like",      u"long",
            u"loop",       u"lset",    u"me",       u"mod",      u"new",        u"next",      u"not",
            u"nothing",    u"null",    u"on",       u"option",   u"optional",   u"or",        u"paramarray",
            u"preserve",   u"private", u"property", u"public",   u"raiseevent", u"randomize", u"redim",
            u"rem",        u"resume",  u"rset",     u"select",   u"set",        u"shared",    u"single",
            u"static",     u"stop",    u"sub",      u"then",     u"to",         u"true",      u"type",
            u"typeof",     u"until",   u"variant",  u"wend",     u"while",      u"with",      u"xor",
            // END GENERATED VBScript
        },
        kgPlain);
    SynSetKeywordGroup(words, {u"rem"}, kgRem);
    return TSynHashKeywordTable(713, 134, 269, SynIsWordChar, std::move(words));
  }();
  return table;
}

TSynVBScriptSyn::TSynVBScriptSyn() : TSynVBBaseSyn("TSynVBScriptSyn", Keywords()) {}

const TSynHashKeywordTable* TSynVBScriptSyn::KeywordTable() const {
  return &Keywords();
}

std::u16string TSynVBScriptSyn::GetSampleSource() const {
  return u"' Syntax highlighting\n"
         u"Function PrintNumber(Count)\n"
         u"  Dim Number, I\n"
         u"  Document.Write \"The number is \" & Count\n"
         u"  For I = 0 To &H1F\n"
         u"    Number = Number + &O17 + 1.5E3\n"
         u"  Next\n"
         u"  PrintNumber = \"done\" ~\n"
         u"End Function";
}
