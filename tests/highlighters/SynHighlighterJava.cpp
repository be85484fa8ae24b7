#include "highlighters/SynHighlighterJava.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using J = TSynJavaSyn;

TEST(SynJavaSyn, NumbersIdentifiersAndInvalidCharacters) {
  J h;
  EXPECT_EQ(Scan(h, u"0x1FL"), (Toks{{J::tkNumber, "0x1FL"}}));
  EXPECT_EQ(Scan(h, u"1-2"), (Toks{{J::tkNumber, "1-2"}}));
  // The number stops before "..": the first dot is a Symbol, the second starts a number at the 5.
  EXPECT_EQ(Scan(h, u"1..5"), (Toks{{J::tkNumber, "1"}, {J::tkSymbol, "."}, {J::tkNumber, ".5"}}));
  EXPECT_EQ(Scan(h, u"1..x"),
            (Toks{{J::tkNumber, "1"}, {J::tkSymbol, "."}, {J::tkSymbol, "."}, {J::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u".5f"), (Toks{{J::tkNumber, ".5f"}}));
  EXPECT_EQ(Scan(h, u"caf\u00e9 $x \u00d7"), (Toks{{J::tkIdentifier, "caf\xC3\xA9"},
                                                   {J::tkSpace, " "},
                                                   {J::tkIdentifier, "$x"},
                                                   {J::tkSpace, " "},
                                                   {J::tkUnknown, "\xC3\x97"}}));
  EXPECT_EQ(Scan(h, u"#@\\"), (Toks{{J::tkInvalid, "#"}, {J::tkInvalid, "@"}, {J::tkUnknown, "\\"}}));
  h.ResetRange();
  h.SetLine(u"\\", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.InvalidAttri);
  EXPECT_TRUE(h.IsIdentChar(u'$'));
  EXPECT_TRUE(h.IsIdentChar(0xE9));
  EXPECT_FALSE(h.IsIdentChar(0xF7));
}

TEST(SynJavaSyn, Operators) {
  J h;
  EXPECT_EQ(Scan(h, u">>>=>>>a>>=>>a>=a/=/"), (Toks{{J::tkSymbol, ">>>="},
                                                    {J::tkSymbol, ">>>"},
                                                    {J::tkIdentifier, "a"},
                                                    {J::tkSymbol, ">>="},
                                                    {J::tkSymbol, ">>"},
                                                    {J::tkIdentifier, "a"},
                                                    {J::tkSymbol, ">="},
                                                    {J::tkIdentifier, "a"},
                                                    {J::tkSymbol, "/="},
                                                    {J::tkSymbol, "/"}}));
}

TEST(SynJavaSyn, StringsAndCharacters) {
  J h;
  EXPECT_EQ(Scan(h, u"\"a\\\"b\" 'c'"), (Toks{{J::tkString, "\"a\\\"b\""}, {J::tkSpace, " "}, {J::tkString, "'c'"}}));
  // A backslash as the last character ends the literal at the line end.
  EXPECT_EQ(Scan(h, u"\"abc\\"), (Toks{{J::tkString, "\"abc\\"}}));
  EXPECT_EQ(h.GetRange(), J::rsUnknown);
  EXPECT_EQ(Scan(h, u"'\\"), (Toks{{J::tkString, "'\\"}}));
  // Two quotes after the opening one are passed first.
  EXPECT_EQ(Scan(h, u"\"\"\"a\" b"), (Toks{{J::tkString, "\"\"\"a\""}, {J::tkSpace, " "}, {J::tkIdentifier, "b"}}));
  EXPECT_EQ(Scan(h, u"\"\" b"), (Toks{{J::tkString, "\"\""}, {J::tkSpace, " "}, {J::tkIdentifier, "b"}}));
}

TEST(SynJavaSyn, CommentsAcrossLines) {
  J h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"/* x", u"", u"y */ a", u"/**/ b", u"c */", u"/** doc", u"more */// d"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{J::tkComment, "/* x"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{J::tkComment, "y */"}, {J::tkSpace, " "}, {J::tkIdentifier, "a"}}));
  EXPECT_EQ(lines[3], (Toks{{J::tkDocument, "/**/ b"}}));  // "/**/" opens a documentation comment
  EXPECT_EQ(lines[4], (Toks{{J::tkDocument, "c */"}}));
  EXPECT_EQ(lines[5], (Toks{{J::tkDocument, "/** doc"}}));
  EXPECT_EQ(lines[6], (Toks{{J::tkDocument, "more */"}, {J::tkComment, "// d"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{J::rsComment, J::rsComment, J::rsUnknown, J::rsDocument, J::rsUnknown,
                                                J::rsDocument, J::rsUnknown}));
}

TEST(SynJavaSyn, TerminationAndCoverageOnRandomLines) {
  J h;
  auto pieces = CommonPieces();
  for (auto p : {u"/*", u"/**", u"*/", u"//", u"\"", u"'", u"\"\"", u"\\", u"$", u"#", u"@", u".", u"..", u">>>", u"=",
                 u"0x", u"L", u"-"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 4);
}

TEST(SynJavaSyn, RescanFromStoredRangesGivesTheSameTokens) {
  J h;
  CheckRescan(h,
              Lines(u"/**\n * Doc\n */\npublic class A {\n  /* open\n\n  */ int x = 0x1F; // c\n"
                    u"  String s = \"a\\\"b\\\n  char c = '\\n'; x >>>= 2;\n}"),
              5);
}
