#include "highlighters/SynHighlighterPHP.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using H = TSynPHPSyn;

TEST(SynPHPSyn, KeywordsVariablesAndComments) {
  H h;
  EXPECT_EQ(Scan(h, u"ECHO Echo echo $x # c"), (Toks{{H::tkKey, "ECHO"},
                                                     {H::tkSpace, " "},
                                                     {H::tkKey, "Echo"},
                                                     {H::tkSpace, " "},
                                                     {H::tkKey, "echo"},
                                                     {H::tkSpace, " "},
                                                     {H::tkVariable, "$x"},
                                                     {H::tkSpace, " "},
                                                     {H::tkComment, "# c"}}));
  EXPECT_EQ(Scan(h, u"$a->b <<= => \\ 1.5-2..3"), (Toks{{H::tkVariable, "$a"},
                                                        {H::tkSymbol, "->"},
                                                        {H::tkIdentifier, "b"},
                                                        {H::tkSpace, " "},
                                                        {H::tkSymbol, "<<="},
                                                        {H::tkSpace, " "},
                                                        {H::tkSymbol, "=>"},
                                                        {H::tkSpace, " "},
                                                        {H::tkUnknown, "\\"},
                                                        {H::tkSpace, " "},
                                                        {H::tkNumber, "1.5-2"},
                                                        {H::tkSymbol, "."},
                                                        {H::tkSymbol, "."},
                                                        {H::tkNumber, "3"}}));
}

TEST(SynPHPSyn, EmbeddedVariablesInDoubleQuotedStrings) {
  H h;
  EXPECT_EQ(Scan(h, u"\"a $b c\""), (Toks{{H::tkString, "\"a "}, {H::tkVariable, "$b"}, {H::tkString, " c\""}}));
  EXPECT_EQ(Scan(h, u"\"a \\$b c\""), (Toks{{H::tkString, "\"a \\$b c\""}}));
  EXPECT_EQ(Scan(h, u"'a $b'"), (Toks{{H::tkString, "'a $b'"}}));
  // Index and member arrow, quoted key, and the brace forms with nesting.
  EXPECT_EQ(Scan(h, u"\"$a[1]->b!\""), (Toks{{H::tkString, "\""}, {H::tkVariable, "$a[1]->b"}, {H::tkString, "!\""}}));
  EXPECT_EQ(Scan(h, u"\"$a['k'] x\""), (Toks{{H::tkString, "\""}, {H::tkVariable, "$a['k']"}, {H::tkString, " x\""}}));
  EXPECT_EQ(Scan(h, u"\"$a[b]->c->d[e]\""),
            (Toks{{H::tkString, "\""}, {H::tkVariable, "$a[b]->c->d[e]"}, {H::tkString, "\""}}));
  EXPECT_EQ(Scan(h, u"\"$a[ $a-> $a[b \""), (Toks{{H::tkString, "\""},
                                                  {H::tkVariable, "$a"},
                                                  {H::tkString, "[ "},
                                                  {H::tkVariable, "$a"},
                                                  {H::tkString, "-> "},
                                                  {H::tkVariable, "$a"},
                                                  {H::tkString, "[b \""}}));
  EXPECT_EQ(Scan(h, u"\"{$a[{$b}]} ${c} x\""), (Toks{{H::tkString, "\""},
                                                     {H::tkVariable, "{$a[{$b}]}"},
                                                     {H::tkString, " "},
                                                     {H::tkVariable, "${c}"},
                                                     {H::tkString, " x\""}}));
  EXPECT_EQ(Scan(h, u"\"{$a}{$b}\""),
            (Toks{{H::tkString, "\""}, {H::tkVariable, "{$a}"}, {H::tkVariable, "{$b}"}, {H::tkString, "\""}}));
  // An escaped "{$" is string text, and the scan moves past it.
  EXPECT_EQ(Scan(h, u"\"\\{$a}\""), (Toks{{H::tkString, "\"\\{$a}\""}}));
  EXPECT_EQ(h.GetRange(), H::rsUnknown);
  EXPECT_EQ(Scan(h, u"\"\\\\{$a}\""), (Toks{{H::tkString, "\"\\\\"}, {H::tkVariable, "{$a}"}, {H::tkString, "\""}}));
  // An escaped quote does not close; an even run of backslashes does not escape.
  EXPECT_EQ(Scan(h, u"\"a\\\"b\" x"), (Toks{{H::tkString, "\"a\\\"b\""}, {H::tkSpace, " "}, {H::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"'a\\\\' x"), (Toks{{H::tkString, "'a\\\\'"}, {H::tkSpace, " "}, {H::tkIdentifier, "x"}}));
}

TEST(SynPHPSyn, StringsAndCommentsAcrossLines) {
  H h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"$s = \"a", u"", u"b $c", u"{$d} e\"; 'f", u"g' /* x", u"", u"y */ z"}, &ranges);
  EXPECT_EQ(
      lines[0],
      (Toks{{H::tkVariable, "$s"}, {H::tkSpace, " "}, {H::tkSymbol, "="}, {H::tkSpace, " "}, {H::tkString, "\"a"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{H::tkString, "b "}, {H::tkVariable, "$c"}}));
  EXPECT_EQ(
      lines[3],
      (Toks{
          {H::tkVariable, "{$d}"}, {H::tkString, " e\""}, {H::tkSymbol, ";"}, {H::tkSpace, " "}, {H::tkString, "'f"}}));
  EXPECT_EQ(lines[4], (Toks{{H::tkString, "g'"}, {H::tkSpace, " "}, {H::tkComment, "/* x"}}));
  EXPECT_EQ(lines[5], Toks{});
  EXPECT_EQ(lines[6], (Toks{{H::tkComment, "y */"}, {H::tkSpace, " "}, {H::tkIdentifier, "z"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{H::rsString34, H::rsString34, H::rsString34, H::rsString39,
                                                H::rsComment, H::rsComment, H::rsUnknown}));
  // A quote early on a continued line: a backslash at the very line start escapes it.
  EXPECT_EQ(ScanFrom(h, u"\\\" x", H::rsString34), (Toks{{H::tkString, "\\\" x"}}));
  EXPECT_EQ(ScanFrom(h, u"\" x", H::rsString34),
            (Toks{{H::tkString, "\""}, {H::tkSpace, " "}, {H::tkIdentifier, "x"}}));
}

TEST(SynPHPSyn, TerminationAndCoverageOnRandomLines) {
  H h;
  auto pieces = CommonPieces();
  for (auto p : {u"\"", u"'",  u"$",  u"$a", u"{", u"}",  u"{$", u"${", u"\\", u"\\{$", u"[",
                 u"]",  u"['", u"->", u"-",  u">", u"/*", u"*/", u"//", u"#",  u"<<=",  u"."})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 6);
}

TEST(SynPHPSyn, RescanFromStoredRangesGivesTheSameTokens) {
  H h;
  CheckRescan(h,
              Lines(u"function f($a) {\n  $s = \"x $a[1]->b {$c['k']}\n\n  ${d} \\{$e} end\";\n  /* open\n"
                    u"  */ echo 'a\n b'; # c\n  return \"\\\\\" . $a;\n}"),
              13);
}
