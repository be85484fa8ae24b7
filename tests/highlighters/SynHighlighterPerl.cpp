#include "highlighters/SynHighlighterPerl.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using P = TSynPerlSyn;

constexpr auto One = &ScanNew<P>;

TEST(SynPerlSyn, KeywordTableFollowsTheWordLists) {
  const TSynHashKeywordTable& t = *P().KeywordTable();
  EXPECT_EQ(t.A(), 975u);
  EXPECT_EQ(t.B(), 515u);
  EXPECT_EQ(t.M(), 2423u);
  ASSERT_EQ(t.Count(), 282);
  EXPECT_TRUE(t.Clashes().empty());
  // Each group in list order: count and digest.
  struct Group {
    int kind, count;
    std::uint32_t digest;
  };
  int at = 0;
  for (const Group& g : {Group{P::tkKey, 208, 0x7d0d592eu}, Group{P::tkOperator, 11, 0x673b45f8u},
                         Group{P::tkPragma, 9, 0xe1e5de1au}, Group{P::tkVariable, 54, 0x10f0a9e0u}}) {
    std::vector<std::u16string> words;
    for (int i = 0; i < g.count; ++i, ++at) {
      EXPECT_EQ(t.At(at).Group, g.kind);
      words.emplace_back(t.At(at).Text);
    }
    EXPECT_EQ(Digest(words), g.digest) << "group of kind " << g.kind;
  }
  // The slots, as (slot, word) pairs in order, and one word per slot.
  std::vector<std::pair<std::uint32_t, std::u16string>> pairs;
  for (std::uint32_t s = 0; s < t.M(); ++s)
    if (t.IndexOfSlot(s) >= 0) pairs.emplace_back(s, std::u16string(t.At(t.IndexOfSlot(s)).Text));
  ASSERT_EQ(pairs.size(), 282u);
  std::vector<std::u16string> lines;
  for (const auto& [slot, word] : pairs) lines.push_back(codepage::Utf8ToUtf16(std::to_string(slot)) + u"\t" + word);
  EXPECT_EQ(Digest(lines), 0x00334b90u);
}

TEST(SynPerlSyn, EveryWordGivesItsGroupAndOnlyAsWritten) {
  P h;
  const TSynHashKeywordTable& t = *h.KeywordTable();
  for (int i = 0; i < t.Count(); ++i) {
    const std::u16string w(t.At(i).Text);
    SCOPED_TRACE(codepage::Utf16ToUtf8(w));
    EXPECT_EQ(Scan(h, w), (Toks{{t.At(i).Group, codepage::Utf16ToUtf8(w)}}));
    // Unless the longer word is listed too ("q" and "qx").
    bool listed = false;
    for (int j = 0; j < t.Count(); ++j) listed = listed || t.At(j).Text == w + u"x";
    if (!listed) {
      EXPECT_EQ(Scan(h, w + u"x"), (Toks{{P::tkIdentifier, codepage::Utf16ToUtf8(w + u"x")}}));
    }
    // Case-sensitive: another spelling is an identifier.
    std::u16string other = w;
    for (auto& c : other) c = (c >= u'a' && c <= u'z') ? c - 32 : (c >= u'A' && c <= u'Z') ? c + 32 : c;
    EXPECT_EQ(Scan(h, other).front().kind, P::tkIdentifier);
  }
}

TEST(SynPerlSyn, EdgeCasesAsGoldenDumps) {
  P h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"use strict;", u"$ARG %INC @ARGV $count", u"% x", u"%"}, out));
  EXPECT_EQ(out,
            "1\t0\t3\tReserved Word\t2\tuse\n"
            "1\t3\t1\tSpace\t7\t \n"
            "1\t4\t6\tPragma\t6\tstrict\n"
            "1\t10\t1\tSymbol\t9\t;\n"
            "1\tEOL\t0\n"
            "2\t0\t4\tVariable\t11\t$ARG\n"
            "2\t4\t1\tSpace\t7\t \n"
            "2\t5\t4\tVariable\t11\t%INC\n"
            "2\t9\t1\tSpace\t7\t \n"
            "2\t10\t5\tVariable\t11\t@ARGV\n"
            "2\t15\t1\tSpace\t7\t \n"
            "2\t16\t6\tIdentifier\t1\t$count\n"
            "2\tEOL\t0\n"
            "3\t0\t1\tIdentifier\t1\t%\n"
            "3\t1\t1\tSpace\t7\t \n"
            "3\t2\t1\tSymbol\t9\tx\n"
            "3\tEOL\t0\n"
            "4\t0\t1\tSymbol\t9\t%\n"
            "4\tEOL\t0\n");
  // Word operators.
  for (const char16_t* op : {u"eq", u"ne", u"lt", u"gt", u"le", u"ge", u"cmp", u"and", u"or", u"not", u"xor"})
    EXPECT_EQ(One(op), (Toks{{P::tkOperator, codepage::Utf16ToUtf8(op)}}));
  // Numbers and the range operator.
  EXPECT_EQ(One(u"1..10"), (Toks{{P::tkNumber, "1"}, {P::tkSymbol, ".."}, {P::tkNumber, "10"}}));
  EXPECT_EQ(One(u"0x1F"), (Toks{{P::tkNumber, "0x1F"}}));
  EXPECT_EQ(One(u"1e-5"), (Toks{{P::tkNumber, "1e-5"}}));
  EXPECT_EQ(One(u"1-2"), (Toks{{P::tkNumber, "1"}, {P::tkSymbol, "-"}, {P::tkNumber, "2"}}));
  EXPECT_EQ(One(u"1_000.5"), (Toks{{P::tkNumber, "1_000.5"}}));
  EXPECT_EQ(One(u"..."), (Toks{{P::tkSymbol, "..."}}));
  EXPECT_EQ(One(u".="), (Toks{{P::tkSymbol, ".="}}));
  EXPECT_EQ(One(u".y"), (Toks{{P::tkSymbol, "."}, {P::tkIdentifier, "y"}}));
  // Kept as written: a dot before a blank is a number token.
  EXPECT_EQ(
      One(u"$a . $b"),
      (Toks{
          {P::tkIdentifier, "$a"}, {P::tkSpace, " "}, {P::tkNumber, "."}, {P::tkSpace, " "}, {P::tkIdentifier, "$b"}}));
}

TEST(SynPerlSyn, PunctuationVariables) {
  EXPECT_EQ(One(u"$_foo"), (Toks{{P::tkVariable, "$_"}, {P::tkIdentifier, "foo"}}));
  for (const char16_t* v :
       {u"$1", u"$!", u"$/", u"$@", u"$;", u"$[", u"$\\", u"$]", u"$`", u"$|", u"$~", u"$+", u"$-", u"$0"})
    EXPECT_EQ(One(v), (Toks{{P::tkVariable, codepage::Utf16ToUtf8(v)}})) << codepage::Utf16ToUtf8(v);
  EXPECT_EQ(One(u"$^W"), (Toks{{P::tkVariable, "$^W"}}));
  EXPECT_EQ(One(u"$^"), (Toks{{P::tkVariable, "$^"}}));
  EXPECT_EQ(One(u"$^Q"), (Toks{{P::tkIdentifier, "$"}, {P::tkSymbol, "^"}, {P::tkIdentifier, "Q"}}));
  EXPECT_EQ(One(u"$,"), (Toks{{P::tkIdentifier, "$"}, {P::tkSymbol, ","}}));
  EXPECT_EQ(One(u"%="), (Toks{{P::tkSymbol, "%="}}));
  EXPECT_EQ(One(u"x="), (Toks{{P::tkSymbol, "x="}}));
  EXPECT_EQ(One(u"xor"), (Toks{{P::tkOperator, "xor"}}));
}

TEST(SynPerlSyn, StringsCommentsAndOperators) {
  EXPECT_EQ(One(u"\"a\\\"b\" y"), (Toks{{P::tkString, "\"a\\\"b\""}, {P::tkSpace, " "}, {P::tkIdentifier, "y"}}));
  EXPECT_EQ(One(u"\"a\\\\\"b"), (Toks{{P::tkString, "\"a\\\\\""}, {P::tkIdentifier, "b"}}));
  EXPECT_EQ(One(u"\"\"\"a\" b"), (Toks{{P::tkString, "\"\"\"a\""}, {P::tkSpace, " "}, {P::tkIdentifier, "b"}}));
  EXPECT_EQ(One(u"'a\\'b'"), (Toks{{P::tkString, "'a\\'"}, {P::tkIdentifier, "b"}, {P::tkString, "'"}}));
  EXPECT_EQ(One(u"# c \"x"), (Toks{{P::tkComment, "# c \"x"}}));
  EXPECT_EQ(One(u"<=> <<= ** **= -> =~ !~ :: &&= ||="), (Toks{{P::tkSymbol, "<=>"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "<<="},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "**"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "**="},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "->"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "=~"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "!~"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "::"},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "&&="},
                                                              {P::tkSpace, " "},
                                                              {P::tkSymbol, "||="}}));
  EXPECT_EQ(One(u"`\u00e9"), (Toks{{P::tkUnknown, "`"}, {P::tkUnknown, "\xC3\xA9"}}));
  // Nothing continues to the next line.
  P h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"\"open", u"y"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{P::tkIdentifier, "y"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{0, 0}));
}

TEST(SynPerlSyn, AttributesAndFamilyAnswers) {
  P h;
  EXPECT_EQ(h.GetAttribCount(), 11);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.PragmaAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.VariableAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.InvalidAttri->Name(), "Illegal Char");
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), u"Perl");
  EXPECT_EQ(h.DefaultFilter(), "Perl Files (*.pl;*.pm;*.cgi)|*.pl;*.pm;*.cgi");
  EXPECT_TRUE(h.CaseSensitive());
  EXPECT_TRUE(h.IsIdentChar(u'$') && h.IsIdentChar(u'%') && h.IsIdentChar(u'@'));
  EXPECT_FALSE(h.IsIdentChar(u'-'));
}

TEST(SynPerlSyn, TerminationAndCoverageOnRandomLines) {
  P h;
  auto pieces = CommonPieces();
  for (auto p : {u"$",  u"%",  u"@", u"$^",  u"$_", u"\"",  u"'",      u"#",    u".", u"..",
                 u"0x", u"1e", u"-", u"<=>", u"x",  u"use", u"strict", u"$ARG", u"`", u"\\\""})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 11);
  CheckRescan(h, Lines(u"use strict;\nmy $x = \"a\\\"b\" . 'c';\n# done\nprint $x if $x eq 1..10;\n"), 3);
}
