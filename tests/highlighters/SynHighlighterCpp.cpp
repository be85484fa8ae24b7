#include "highlighters/SynHighlighterCpp.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using C = TSynCppSyn;

constexpr auto One = &ScanNew<C>;

TEST(SynCppSyn, NumberKinds) {
  EXPECT_EQ(One(u"0x1F"), (Toks{{C::tkHex, "0x1F"}}));
  EXPECT_EQ(One(u"0x;"), (Toks{{C::tkUnknown, "0x"}, {C::tkSymbol, ";"}}));
  EXPECT_EQ(One(u"019"), (Toks{{C::tkUnknown, "019"}}));
  EXPECT_EQ(One(u"017"), (Toks{{C::tkOctal, "017"}}));
  EXPECT_EQ(One(u"1.5e-3"), (Toks{{C::tkFloat, "1.5e-3"}}));
  EXPECT_EQ(One(u"1.2.3"), (Toks{{C::tkFloat, "1.2.3"}}));
  EXPECT_EQ(One(u"1ex"), (Toks{{C::tkUnknown, "1"}, {C::tkIdentifier, "ex"}}));
  EXPECT_EQ(One(u"10UL"), (Toks{{C::tkNumber, "10UL"}}));
  EXPECT_EQ(One(u"10LL"), (Toks{{C::tkNumber, "10LL"}}));
  EXPECT_EQ(One(u"10LLL"), (Toks{{C::tkUnknown, "10LL"}, {C::tkIdentifier, "L"}}));
  EXPECT_EQ(One(u"3.0f"), (Toks{{C::tkFloat, "3.0f"}}));
  EXPECT_EQ(One(u"1f"), (Toks{{C::tkFloat, "1f"}}));
  EXPECT_EQ(One(u"7abc"), (Toks{{C::tkUnknown, "7"}, {C::tkIdentifier, "abc"}}));
  // Visible consequences of the rules, kept as they are.
  EXPECT_EQ(One(u"09.5"), (Toks{{C::tkFloat, "09.5"}}));
  EXPECT_EQ(One(u"1.e5"), (Toks{{C::tkUnknown, "1."}, {C::tkIdentifier, "e5"}}));
  EXPECT_EQ(One(u"7z"), (Toks{{C::tkUnknown, "7"}, {C::tkIdentifier, "z"}}));
  // More of the rules, in order.
  EXPECT_EQ(One(u"1e+5"), (Toks{{C::tkFloat, "1e+5"}}));
  EXPECT_EQ(One(u"1.5e+"), (Toks{{C::tkUnknown, "1.5e+"}}));  // a sign without a digit after it
  EXPECT_EQ(One(u"1.5e+x"), (Toks{{C::tkUnknown, "1.5e+"}, {C::tkIdentifier, "x"}}));
  EXPECT_EQ(One(u"1+2"), (Toks{{C::tkNumber, "1"}, {C::tkSymbol, "+"}, {C::tkNumber, "2"}}));
  EXPECT_EQ(One(u"0x1.5"), (Toks{{C::tkUnknown, "0x1"}, {C::tkFloat, ".5"}}));
  EXPECT_EQ(One(u"1..2"), (Toks{{C::tkNumber, "1"}, {C::tkSymbol, "."}, {C::tkFloat, ".2"}}));
  EXPECT_EQ(One(u"08"), (Toks{{C::tkUnknown, "08"}}));
  EXPECT_EQ(One(u"0xFFUL"), (Toks{{C::tkHex, "0xFFUL"}}));
  EXPECT_EQ(One(u"1e5e5"), (Toks{{C::tkUnknown, "1e5"}, {C::tkIdentifier, "e5"}}));
  EXPECT_EQ(One(u"1ff"), (Toks{{C::tkUnknown, "1f"}, {C::tkIdentifier, "f"}}));
  EXPECT_EQ(One(u"1.0Lf"), (Toks{{C::tkUnknown, "1.0L"}, {C::tkIdentifier, "f"}}));
  EXPECT_EQ(One(u"1.0fL"), (Toks{{C::tkUnknown, "1.0f"}, {C::tkIdentifier, "L"}}));
  EXPECT_EQ(One(u"1.5u"), (Toks{{C::tkUnknown, "1.5"}, {C::tkIdentifier, "u"}}));
  EXPECT_EQ(One(u"1uu"), (Toks{{C::tkUnknown, "1u"}, {C::tkIdentifier, "u"}}));
  EXPECT_EQ(One(u".5"), (Toks{{C::tkFloat, ".5"}}));
  EXPECT_EQ(One(u"12x;"), (Toks{{C::tkUnknown, "12"}, {C::tkIdentifier, "x"}, {C::tkSymbol, ";"}}));
  EXPECT_EQ(One(u"0xg"), (Toks{{C::tkUnknown, "0"}, {C::tkIdentifier, "xg"}}));
}

TEST(SynCppSyn, KeywordsAndIdentifiers) {
  EXPECT_EQ(One(u"while whilex While"), (Toks{{C::tkKey, "while"},
                                              {C::tkSpace, " "},
                                              {C::tkIdentifier, "whilex"},
                                              {C::tkSpace, " "},
                                              {C::tkIdentifier, "While"}}));
  EXPECT_EQ(One(u"$`@"), (Toks{{C::tkUnknown, "$"}, {C::tkUnknown, "`"}, {C::tkUnknown, "@"}}));
  EXPECT_EQ(One(u"\u00e9"), (Toks{{C::tkUnknown, "\xC3\xA9"}}));
}

TEST(SynCppSyn, Operators) {
  EXPECT_EQ(One(u"<<=>>=->::...&&|="), (Toks{{C::tkSymbol, "<<="},
                                             {C::tkSymbol, ">>="},
                                             {C::tkSymbol, "->"},
                                             {C::tkSymbol, "::"},
                                             {C::tkSymbol, "..."},
                                             {C::tkSymbol, "&&"},
                                             {C::tkSymbol, "|="}}));
  EXPECT_EQ(One(u"a/=b/c"), (Toks{{C::tkIdentifier, "a"},
                                  {C::tkSymbol, "/="},
                                  {C::tkIdentifier, "b"},
                                  {C::tkSymbol, "/"},
                                  {C::tkIdentifier, "c"}}));
}

TEST(SynCppSyn, Directives) {
  C h;
  EXPECT_EQ(Scan(h, u"  #include <a> # b"), (Toks{{C::tkSpace, "  "}, {C::tkDirective, "#include <a> # b"}}));
  EXPECT_EQ(
      Scan(h, u"a # b"),
      (Toks{
          {C::tkIdentifier, "a"}, {C::tkSpace, " "}, {C::tkUnknown, "#"}, {C::tkSpace, " "}, {C::tkIdentifier, "b"}}));
  EXPECT_EQ(Scan(h, u"#if x // c"), (Toks{{C::tkDirective, "#if x "}, {C::tkComment, "// c"}}));
  // A comment inside a directive; the directive goes on after it.
  EXPECT_EQ(Scan(h, u"#if x /* c */ y"),
            (Toks{{C::tkDirective, "#if x "}, {C::tkComment, "/* c */"}, {C::tkDirective, " y"}}));
  EXPECT_EQ(h.GetRange(), C::rsUnknown);
  // "/*/" does not close the comment it opens.
  EXPECT_EQ(Scan(h, u"#if x /*/ y */ z"),
            (Toks{{C::tkDirective, "#if x "}, {C::tkComment, "/*/ y */"}, {C::tkDirective, " z"}}));

  // Continued with a final backslash, also through a comment and into the next lines.
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"#define A \\", u"  1 + \\", u"", u"  2", u"x"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{C::tkDirective, "#define A \\"}}));
  EXPECT_EQ(lines[1], (Toks{{C::tkDirective, "  1 + \\"}}));
  EXPECT_EQ(lines[2], Toks{});
  EXPECT_EQ(lines[3], (Toks{{C::tkDirective, "  2"}}));
  EXPECT_EQ(lines[4], (Toks{{C::tkIdentifier, "x"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{C::rsMultiLineDirective, C::rsMultiLineDirective,
                                                C::rsMultiLineDirective, C::rsUnknown, C::rsUnknown}));

  lines = ScanLines(h, {u"#define A /* open", u"still */ more", u"/* c */ x"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{C::tkDirective, "#define A "}, {C::tkComment, "/* open"}}));
  EXPECT_EQ(lines[1], (Toks{{C::tkComment, "still */"}, {C::tkDirective, " more"}}));
  EXPECT_EQ(lines[2], (Toks{{C::tkComment, "/* c */"}, {C::tkSpace, " "}, {C::tkIdentifier, "x"}}));

  // A continued directive line that starts with a comment.
  lines = ScanLines(h, {u"#define A \\", u"// c", u"x"});
  EXPECT_EQ(lines[1], (Toks{{C::tkComment, "// c"}}));
  EXPECT_EQ(lines[2], (Toks{{C::tkIdentifier, "x"}}));
  lines = ScanLines(h, {u"#define A \\", u"/* c */ 1"});
  EXPECT_EQ(lines[1], (Toks{{C::tkComment, "/* c */"}, {C::tkDirective, " 1"}}));
}

TEST(SynCppSyn, StringsAndCharacters) {
  C h;
  EXPECT_EQ(Scan(h, u"\"a\\\"b\\\\\" x"),
            (Toks{{C::tkString, "\"a\\\"b\\\\\""}, {C::tkSpace, " "}, {C::tkIdentifier, "x"}}));
  EXPECT_EQ(
      Scan(h, u"'\\'' '\\\\' 'a"),
      (Toks{{C::tkChar, "'\\''"}, {C::tkSpace, " "}, {C::tkChar, "'\\\\'"}, {C::tkSpace, " "}, {C::tkChar, "'a"}}));
  EXPECT_EQ(h.GetRange(), C::rsUnknown);  // a character literal never continues
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"s = \"abc\\", u"", u"def\\", u"gh\" x", u"\"open"}, &ranges);
  EXPECT_EQ(lines[0].back(), (Tok{C::tkString, "\"abc\\"}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{C::tkString, "def\\"}}));
  EXPECT_EQ(lines[3], (Toks{{C::tkString, "gh\""}, {C::tkSpace, " "}, {C::tkIdentifier, "x"}}));
  EXPECT_EQ(lines[4], (Toks{{C::tkString, "\"open"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{C::rsMultiLineString, C::rsMultiLineString, C::rsMultiLineString,
                                                C::rsUnknown, C::rsUnknown}));
}

TEST(SynCppSyn, BlockCommentsAcrossLines) {
  C h;
  std::vector<std::intptr_t> ranges;
  // "/* x" followed by an empty line: the empty line yields nothing and keeps the comment open.
  auto lines = ScanLines(h, {u"a /* x", u"", u"y */ b", u"//z"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{C::tkIdentifier, "a"}, {C::tkSpace, " "}, {C::tkComment, "/* x"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{C::tkComment, "y */"}, {C::tkSpace, " "}, {C::tkIdentifier, "b"}}));
  EXPECT_EQ(lines[3], (Toks{{C::tkComment, "//z"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{C::rsAnsiC, C::rsAnsiC, C::rsUnknown, C::rsUnknown}));
}

TEST(SynCppSyn, AssemblerStatementsAndBlocks) {
  C h;
  EXPECT_EQ(Scan(h, u"asm { mov eax, 1 } x"), (Toks{{C::tkKey, "asm"},
                                                    {C::tkSpace, " "},
                                                    {C::tkSymbol, "{"},
                                                    {C::tkSpace, " "},
                                                    {C::tkAsm, "mov"},
                                                    {C::tkSpace, " "},
                                                    {C::tkAsm, "eax"},
                                                    {C::tkAsm, ","},
                                                    {C::tkSpace, " "},
                                                    {C::tkAsm, "1"},
                                                    {C::tkSpace, " "},
                                                    {C::tkSymbol, "}"},
                                                    {C::tkSpace, " "},
                                                    {C::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"__asm mov eax, 1; x"), (Toks{{C::tkKey, "__asm"},
                                                   {C::tkSpace, " "},
                                                   {C::tkAsm, "mov"},
                                                   {C::tkSpace, " "},
                                                   {C::tkAsm, "eax"},
                                                   {C::tkAsm, ","},
                                                   {C::tkSpace, " "},
                                                   {C::tkAsm, "1"},
                                                   {C::tkSymbol, ";"},
                                                   {C::tkSpace, " "},
                                                   {C::tkIdentifier, "x"}}));
  // Comments inside keep their kind and return to the assembler block, across lines too.
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"_asm {", u"  push /* c", u"*/ pop", u"}"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{C::tkSpace, "  "}, {C::tkAsm, "push"}, {C::tkSpace, " "}, {C::tkComment, "/* c"}}));
  EXPECT_EQ(lines[2], (Toks{{C::tkComment, "*/"}, {C::tkSpace, " "}, {C::tkAsm, "pop"}}));
  EXPECT_EQ(lines[3], (Toks{{C::tkSymbol, "}"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{C::rsAsmBlock, C::rsAnsiCAsmBlock, C::rsAsmBlock, C::rsUnknown}));
  // The attribute follows the reported kind.
  h.ResetRange();
  h.SetLine(u"asm mov", 0);
  h.Next();
  h.Next();
  EXPECT_EQ(h.GetTokenKind(), C::tkAsm);
  EXPECT_EQ(h.GetTokenAttribute(), h.AsmAttri);
}

TEST(SynCppSyn, AttributesAndFamilyAnswers) {
  C h;
  EXPECT_EQ(h.GetAttribCount(), 14);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.KeyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.DirecAttri->Name(), "Preprocessor");
  EXPECT_EQ(h.InvalidAttri->Name(), "Illegal Char");
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri);
  EXPECT_EQ(h.GetDefaultAttribute(6), nullptr);
  EXPECT_EQ(h.GetLanguageName(), u"C/C++");
  EXPECT_EQ(h.ClassName(), "TSynCppSyn");
  EXPECT_EQ(h.DefaultFilter(), "C/C++ Files (*.c;*.cpp;*.h;*.hpp)|*.c;*.cpp;*.h;*.hpp");
  EXPECT_FALSE(h.IsFilterStored());
  h.SetDefaultFilter("x|*.x");
  EXPECT_TRUE(h.IsFilterStored());
  EXPECT_TRUE(h.CaseSensitive());
  EXPECT_FALSE(h.GetSampleSource().empty());
}

TEST(SynCppSyn, TerminationAndCoverageOnRandomLines) {
  C h;
  auto pieces = CommonPieces();
  for (auto p : {u"/*", u"*/", u"//", u"#", u"\"", u"'", u"\\", u"{", u"}",   u";",  u"asm", u"_asm", u".",
                 u"..", u"0x", u"1e", u"+", u"-",  u"L", u"u",  u"F", u"<<=", u">>", u"09",  u"/*/",  u"#if"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 1);
}

TEST(SynCppSyn, RescanFromStoredRangesGivesTheSameTokens) {
  C h;
  CheckRescan(h,
              Lines(u"#include <a>\n#define X \\\n  1 /* c\n  */ + 2\nint main() {\n  char *s = \"a\\\n"
                    u"b\";\n  /* open\n\n  still */ asm { mov eax, 1\n /* in */ }\n  return 0x1F;\n}\n"
                    u"__asm mov a, b; x\n'c' 1.5e3 09 //end"),
              7);
}
