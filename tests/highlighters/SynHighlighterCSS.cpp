#include "highlighters/SynHighlighterCSS.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SynHighlighterFamilyTesting.h"
#include "editor/SynUnicode.h"

using namespace hltest;
using C = TSynCssSyn;

constexpr auto One = &ScanNew<C>;

TEST(SynCssSyn, PropertyTableFollowsTheText) {
  const TSynHashEntryList& table = C::Keywords();
  std::vector<std::pair<int, std::u16string>> entries;
  for (int h = 0; h < table.Count(); ++h) {
    int lastLen = 0;
    for (const TSynHashEntry* e = table.Items(h); e; e = e->Next()) {
      EXPECT_GE(e->KeywordLen(), lastLen);  // chains ordered by length
      lastLen = e->KeywordLen();
      EXPECT_EQ(e->Kind(), C::tkKey);
      int length = 0;
      EXPECT_EQ(C::HashKey(e->Keyword().c_str(), length), h);
      entries.emplace_back(h, e->Keyword());
    }
  }
  ASSERT_EQ(entries.size(), 122u);
  // (bucket, name) pairs in order: the digest computed from the property text by a separate script.
  std::sort(entries.begin(), entries.end());
  std::vector<std::u16string> lines;
  for (const auto& [h, w] : entries) lines.push_back(codepage::Utf8ToUtf16(std::to_string(h)) + u"\t" + w);
  EXPECT_EQ(Digest(lines), 0x40157b34u);
  // Every name is a property inside braces, in any case; with a letter appended it is undefined.
  C h;
  for (const auto& [bucket, w] : entries) {
    SCOPED_TRACE(codepage::Utf16ToUtf8(w));
    EXPECT_EQ(ScanFrom(h, w, C::rsCurlyBraces), (Toks{{C::tkKey, codepage::Utf16ToUtf8(w)}}));
    EXPECT_EQ(ScanFrom(h, WideUpperCase(w), C::rsCurlyBraces).front().kind, C::tkKey);
    EXPECT_EQ(ScanFrom(h, w + u"q", C::rsCurlyBraces).front().kind, C::tkUndefProperty);
  }
}

TEST(SynCssSyn, HashOfLettersAndTrailingDigits) {
  int length = 0;
  EXPECT_EQ(C::HashKey(u"ab-c_", length), 1 + 2 + 3 + 27);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(C::HashKey(u"AB12x", length), 1 + 2 + 1 + 2);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(C::HashKey(u"9", length), 9);
  EXPECT_EQ(length, 0);
  const std::u16string huge(100000, u'z');
  EXPECT_EQ(C::HashKey(huge.c_str(), length), -1);  // beyond every bucket
  EXPECT_EQ(length, 100000);
}

TEST(SynCssSyn, EdgeCaseLineAsGoldenDump) {
  C h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"h1 { color: #000099; made-up-property: 1 }"}, out));
  EXPECT_EQ(out,
            "1\t0\t2\tReserved Word\t2\th1\n"
            "1\t2\t1\tSpace\t4\t \n"
            "1\t3\t1\tSymbol\t6\t{\n"
            "1\t4\t1\tSpace\t4\t \n"
            "1\t5\t5\tProperty\t1\tcolor\n"
            "1\t10\t1\tSymbol\t6\t:\n"
            "1\t11\t1\tSpace\t4\t \n"
            "1\t12\t7\tColor Value\t10\t#000099\n"
            "1\t19\t1\tSymbol\t6\t;\n"
            "1\t20\t1\tSpace\t4\t \n"
            "1\t21\t16\tUndefined Property\t8\tmade-up-property\n"
            "1\t37\t1\tSymbol\t6\t:\n"
            "1\t38\t1\tSpace\t4\t \n"
            "1\t39\t1\tNumber\t11\t1\n"
            "1\t40\t1\tSpace\t4\t \n"
            "1\t41\t1\tSymbol\t6\t}\n"
            "1\tEOL\t3\n");
}

TEST(SynCssSyn, ValuesNumbersAndStrings) {
  EXPECT_EQ(One(u"a{font: 12px Arial, sans-serif; b: \"x\"}"), (Toks{{C::tkSelector, "a"},
                                                                     {C::tkSymbol, "{"},
                                                                     {C::tkKey, "font"},
                                                                     {C::tkSymbol, ":"},
                                                                     {C::tkSpace, " "},
                                                                     {C::tkNumber, "12"},
                                                                     {C::tkValue, "px Arial"},
                                                                     {C::tkSymbol, ","},
                                                                     {C::tkSpace, " "},
                                                                     {C::tkValue, "sans-serif"},
                                                                     {C::tkSymbol, ";"},
                                                                     {C::tkSpace, " "},
                                                                     {C::tkUndefProperty, "b"},
                                                                     {C::tkSymbol, ":"},
                                                                     {C::tkSpace, " "},
                                                                     {C::tkString, "\"x\""},
                                                                     {C::tkSymbol, "}"}}));
  C h;
  EXPECT_EQ(ScanFrom(h, u"margin:-2px .5em 1..2 -x", C::rsCurlyBraces),
            (Toks{{C::tkKey, "margin"}, {C::tkSymbol, ":"}, {C::tkNumber, "-2"}, {C::tkValue, "px .5em 1..2 -x"}}));
  EXPECT_EQ(ScanFrom(h, u"1..2 -x .5.5 #fFz", C::rsCurlyBraces), (Toks{{C::tkNumber, "1"},
                                                                       {C::tkNumber, "..2"},
                                                                       {C::tkSpace, " "},
                                                                       {C::tkUndefProperty, "-x"},
                                                                       {C::tkSpace, " "},
                                                                       {C::tkNumber, ".5.5"},
                                                                       {C::tkSpace, " "},
                                                                       {C::tkColor, "#fF"},
                                                                       {C::tkUndefProperty, "z"}}));
  EXPECT_EQ(ScanFrom(h, u"\"open", C::rsCurlyBraces), (Toks{{C::tkString, "\"open"}}));
  EXPECT_EQ(h.GetRange(), C::rsCurlyBraces);
  // border-top is one name; border top two.
  EXPECT_EQ(
      ScanFrom(h, u"border-top border top", C::rsAfterSemicolon),
      (Toks{{C::tkKey, "border-top"}, {C::tkSpace, " "}, {C::tkKey, "border"}, {C::tkSpace, " "}, {C::tkKey, "top"}}));
  // A property token runs to a blank, a quote, ":", ";" or "}", but only its letters are looked up.
  EXPECT_EQ(ScanFrom(h, u"color(x:", C::rsCurlyBraces), (Toks{{C::tkKey, "color(x"}, {C::tkSymbol, ":"}}));
}

TEST(SynCssSyn, SelectorsAndSymbols) {
  EXPECT_EQ(One(u".cls:hover, #id>p/x{}"), (Toks{{C::tkSelector, ".cls:hover,"},
                                                 {C::tkSpace, " "},
                                                 {C::tkSelector, "#id>p"},
                                                 {C::tkSymbol, "/"},
                                                 {C::tkSelector, "x"},
                                                 {C::tkSymbol, "{"},
                                                 {C::tkSymbol, "}"}}));
  EXPECT_EQ(One(u"a\tb"), (Toks{{C::tkSelector, "a"}, {C::tkSpace, "\t"}, {C::tkSelector, "b"}}));
}

TEST(SynCssSyn, CommentsRememberTheRangeInFourBits) {
  C h;
  std::vector<std::intptr_t> ranges;
  auto lines =
      ScanLines(h, {u"p { /* c", u"", u"d */ x: 1 }", u"/*/ x */ a", u"/* y", u"*/b{c:d /* e", u"*/e"}, &ranges);
  EXPECT_EQ(
      lines[0],
      (Toks{{C::tkSelector, "p"}, {C::tkSpace, " "}, {C::tkSymbol, "{"}, {C::tkSpace, " "}, {C::tkComment, "/* c"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{C::tkComment, "d */"},
                            {C::tkSpace, " "},
                            {C::tkUndefProperty, "x"},
                            {C::tkSymbol, ":"},
                            {C::tkSpace, " "},
                            {C::tkNumber, "1"},
                            {C::tkSpace, " "},
                            {C::tkSymbol, "}"}}));
  EXPECT_EQ(lines[3], (Toks{{C::tkComment, "/*/ x */"}, {C::tkSpace, " "}, {C::tkSelector, "a"}}));
  EXPECT_EQ(lines[5], (Toks{{C::tkComment, "*/"},
                            {C::tkSelector, "b"},
                            {C::tkSymbol, "{"},
                            {C::tkUndefProperty, "c"},
                            {C::tkSymbol, ":"},
                            {C::tkValue, "d /* e"}}));
  EXPECT_EQ(lines[6], (Toks{{C::tkUndefProperty, "*/e"}}));  // a value runs over "/*" as written
  EXPECT_EQ(ranges,
            (std::vector<std::intptr_t>{10, 10, C::rsUnknown, C::rsUnknown, 11, C::rsCurlyBraces, C::rsCurlyBraces}));
  for (auto r : ranges) EXPECT_LE(r, 15);
  // After ";" and after ":" the comment returns there.
  EXPECT_EQ(ScanFrom(h, u"a; /* x", C::rsCurlyBraces).back(), (Tok{C::tkComment, "/* x"}));
  EXPECT_EQ(h.GetRange(), 12);
  EXPECT_EQ(ScanFrom(h, u"*/ red", 12), (Toks{{C::tkComment, "*/"}, {C::tkSpace, " "}, {C::tkUndefProperty, "red"}}));
  EXPECT_EQ(ScanFrom(h, u"a: /*x*/ red", C::rsCurlyBraces).back(), (Tok{C::tkValue, "red"}));
  EXPECT_EQ(ScanFrom(h, u"/*", C::rsParam), (Toks{{C::tkComment, "/*"}}));
  EXPECT_EQ(h.GetRange(), 13);
  // Values no state stores are read as the start state; comment values with a strange return too.
  EXPECT_EQ(ScanFrom(h, u"a", 1), (Toks{{C::tkSelector, "a"}}));
  EXPECT_EQ(ScanFrom(h, u"*/a", 8), (Toks{{C::tkComment, "*/"}, {C::tkSelector, "a"}}));
  EXPECT_EQ(ScanFrom(h, u"x", 255), (Toks{{C::tkComment, "x"}}));
  EXPECT_EQ(h.GetRange(), 8 + C::rsUnknown);
}

TEST(SynCssSyn, AttributesAndFamilyAnswers) {
  C h;
  EXPECT_EQ(h.GetAttribCount(), 11);
  EXPECT_EQ(h.CommentAttri->Style(), 0);
  EXPECT_EQ(h.PropertyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.KeyAttri->Foreground(), 0xFF0080u);
  EXPECT_EQ(h.UndefPropertyAttri->Foreground(), 0xFF0080u);
  EXPECT_EQ(h.UndefPropertyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.ValueAttri->Foreground(), 0xFF8000u);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_IDENTIFIER), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_KEYWORD), h.KeyAttri);
  EXPECT_EQ(h.GetLanguageName(), u"Cascading Style Sheet");
  EXPECT_EQ(h.DefaultFilter(), "Cascading Stylesheets (*.css)|*.css");
  EXPECT_FALSE(h.CaseSensitive());
  EXPECT_TRUE(h.IsIdentChar(u'-'));
  h.ResetRange();
  EXPECT_EQ(h.GetRange(), C::rsUnknown);
}

TEST(SynCssSyn, TerminationCoverageAndRescan) {
  C h;
  auto pieces = CommonPieces();
  for (auto p : {u"{", u"}", u";", u":", u",", u"/*", u"*/", u"/", u"\"", u"#", u"#0a0", u"-", u".", u"..", u"color",
                 u"border-top", u"h1", u"-2"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 71);
  CheckRescan(h,
              Lines(u"/* head\n*/\nbody {\n  color: red; /* a\n\n  b */ margin: 0 /* c\n */\n}\n"
                    u"h1, h2 /* x\n*/ { font: 1.5em \"A\" }\n"),
              10);
}
