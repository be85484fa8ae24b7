#include "highlighters/SynHighlighterJScript.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using S = TSynJScriptSyn;

TEST(SynJScriptSyn, WordGroupsAreCaseSensitive) {
  S h;
  EXPECT_EQ(Scan(h, u"alert Alert All all Date"), (Toks{{S::tkNonReservedKey, "alert"},
                                                        {S::tkSpace, " "},
                                                        {S::tkIdentifier, "Alert"},
                                                        {S::tkSpace, " "},
                                                        {S::tkNonReservedKey, "All"},
                                                        {S::tkSpace, " "},
                                                        {S::tkNonReservedKey, "all"},
                                                        {S::tkSpace, " "},
                                                        {S::tkNonReservedKey, "Date"}}));
  EXPECT_EQ(Scan(h, u"onClick onclick var NaN"), (Toks{{S::tkEvent, "onClick"},
                                                       {S::tkSpace, " "},
                                                       {S::tkIdentifier, "onclick"},
                                                       {S::tkSpace, " "},
                                                       {S::tkKey, "var"},
                                                       {S::tkSpace, " "},
                                                       {S::tkKey, "NaN"}}));
  h.ResetRange();
  h.SetLine(u"onBlur", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.EventAttri);
}

TEST(SynJScriptSyn, Numbers) {
  S h;
  EXPECT_EQ(Scan(h, u"0x1F"), (Toks{{S::tkNumber, "0x1F"}}));
  EXPECT_EQ(Scan(h, u"0x"), (Toks{{S::tkNumber, "0"}, {S::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"1e5"), (Toks{{S::tkNumber, "1"}, {S::tkIdentifier, "e5"}}));
  EXPECT_EQ(Scan(h, u"3.14"), (Toks{{S::tkNumber, "3.14"}}));
  EXPECT_EQ(Scan(h, u"1..2"), (Toks{{S::tkNumber, "1"}, {S::tkSymbol, "."}, {S::tkSymbol, "."}, {S::tkNumber, "2"}}));
  EXPECT_EQ(Scan(h, u"1xF 0xfg"), (Toks{{S::tkNumber, "1"},
                                        {S::tkIdentifier, "xF"},
                                        {S::tkSpace, " "},
                                        {S::tkNumber, "0xf"},
                                        {S::tkIdentifier, "g"}}));
}

TEST(SynJScriptSyn, StringsSymbolsAndIllegals) {
  S h;
  EXPECT_EQ(Scan(h, u"\"a\\\"b\" 'c'"), (Toks{{S::tkString, "\"a\\\"b\""}, {S::tkSpace, " "}, {S::tkString, "'c'"}}));
  // A quote after a backslash never closes, so "C:\\" runs on to the line end, as written.
  EXPECT_EQ(Scan(h, u"\"C:\\\\\" x"), (Toks{{S::tkString, "\"C:\\\\\" x"}}));
  EXPECT_EQ(h.GetRange(), S::rsUnknown);  // strings never continue
  EXPECT_EQ(Scan(h, u"\"\" x"), (Toks{{S::tkString, "\"\""}, {S::tkSpace, " "}, {S::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"$#@"), (Toks{{S::tkUnknown, "$"}, {S::tkUnknown, "#"}, {S::tkUnknown, "@"}}));
  h.ResetRange();
  h.SetLine(u"$", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);
  EXPECT_EQ(Scan(h, u"...->&=||++%=/=<="), (Toks{{S::tkSymbol, "..."},
                                                 {S::tkSymbol, "->"},
                                                 {S::tkSymbol, "&="},
                                                 {S::tkSymbol, "||"},
                                                 {S::tkSymbol, "++"},
                                                 {S::tkSymbol, "%="},
                                                 {S::tkSymbol, "/="},
                                                 {S::tkSymbol, "<"},
                                                 {S::tkSymbol, "="}}));
}

TEST(SynJScriptSyn, CommentsAcrossLines) {
  S h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"a /* x", u"", u"y */ b // c"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{S::tkIdentifier, "a"}, {S::tkSpace, " "}, {S::tkComment, "/* x"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{S::tkComment, "y */"},
                            {S::tkSpace, " "},
                            {S::tkIdentifier, "b"},
                            {S::tkSpace, " "},
                            {S::tkComment, "// c"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{S::rsANSI, S::rsANSI, S::rsUnknown}));
}

TEST(SynJScriptSyn, TerminationAndCoverageOnRandomLines) {
  S h;
  auto pieces = CommonPieces();
  for (auto p : {u"/*", u"*/", u"//", u"\"", u"'", u"\\\"", u"\\", u"$", u"0x", u"onClick", u"alert", u".", u"...",
                 u"-", u">", u"="})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 5);
}

TEST(SynJScriptSyn, RescanFromStoredRangesGivesTheSameTokens) {
  S h;
  CheckRescan(h,
              Lines(u"// sample\nfunction f(a) {\n  /* open\n\n  still */ var s = \"x\\\"y\";\n"
                    u"  document.write('a' + 0x1F + 3.14);\n  body.onLoad = f; $\n}"),
              9);
}
