#include "highlighters/SynHighlighterVB.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SynHighlighterFamilyTesting.h"
#include "editor/SynUnicode.h"
#include "highlighters/SynHighlighterVBScript.h"

using namespace hltest;
using V = TSynVBBaseSyn;

namespace {

// Count, list-order digest and (slot, word) digest of a table against the values computed from the
// word lists by a separate script.
void CheckTable(const TSynHashKeywordTable& t, std::uint32_t A, std::uint32_t B, std::uint32_t M, int count,
                std::uint32_t listDigest, std::uint32_t slotDigest) {
  EXPECT_EQ(t.A(), A);
  EXPECT_EQ(t.B(), B);
  EXPECT_EQ(t.M(), M);
  ASSERT_EQ(t.Count(), count);
  EXPECT_TRUE(t.Clashes().empty());
  std::vector<std::u16string> words;
  for (int i = 0; i < t.Count(); ++i) words.emplace_back(t.At(i).Text);
  EXPECT_EQ(Digest(words), listDigest);
  std::vector<std::u16string> lines;
  for (std::uint32_t s = 0; s < M; ++s)
    if (t.IndexOfSlot(s) >= 0)
      lines.push_back(codepage::Utf8ToUtf16(std::to_string(s)) + u"\t" + std::u16string(t.At(t.IndexOfSlot(s)).Text));
  EXPECT_EQ(static_cast<int>(lines.size()), count);  // no slot holds two words
  EXPECT_EQ(Digest(lines), slotDigest);
}

// Every word is a keyword in any case, "rem" a comment; a word with a letter appended an identifier.
void CheckWords(TSynVBBaseSyn& h) {
  const TSynHashKeywordTable& t = *h.KeywordTable();
  for (int i = 0; i < t.Count(); ++i) {
    const std::u16string w(t.At(i).Text);
    SCOPED_TRACE(codepage::Utf16ToUtf8(w));
    const int kind = w == u"rem" ? V::tkComment : V::tkKey;
    EXPECT_EQ(Scan(h, w), (Toks{{kind, codepage::Utf16ToUtf8(w)}}));
    EXPECT_EQ(Scan(h, WideUpperCase(w)), (Toks{{kind, codepage::Utf16ToUtf8(WideUpperCase(w))}}));
    EXPECT_EQ(Scan(h, w + u"x"), (Toks{{V::tkIdentifier, codepage::Utf16ToUtf8(w + u"x")}}));
  }
}

}  // namespace

TEST(SynVBSyn, KeywordTableFollowsTheWordList) {
  TSynVBSyn h;
  CheckTable(TSynVBSyn::Keywords(), 251, 749, 1423, 214, 0x4502cd54u, 0xc740e83eu);
  EXPECT_EQ(h.KeywordTable(), &TSynVBSyn::Keywords());
  CheckWords(h);
}

TEST(SynVBScriptSyn, KeywordTableFollowsTheWordList) {
  TSynVBScriptSyn h;
  CheckTable(TSynVBScriptSyn::Keywords(), 713, 134, 269, 84, 0xd31b4d7fu, 0xc6d4d139u);
  CheckWords(h);
}

TEST(SynVBSyn, EdgeCasesAsGoldenDumps) {
  TSynVBSyn h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"Rem a \"b", u"remark = #1/1/2000# & \"open", u"&h4c"}, out));
  EXPECT_EQ(out,
            "1\t0\t8\tComment\t0\tRem a \"b\n"
            "1\tEOL\t0\n"
            "2\t0\t6\tIdentifier\t1\tremark\n"
            "2\t6\t1\tSpace\t5\t \n"
            "2\t7\t1\tSymbol\t7\t=\n"
            "2\t8\t1\tSpace\t5\t \n"
            "2\t9\t10\tString\t6\t#1/1/2000#\n"
            "2\t19\t1\tSpace\t5\t \n"
            "2\t20\t1\tSymbol\t7\t&\n"
            "2\t21\t1\tSpace\t5\t \n"
            "2\t22\t5\tString\t6\t\"open\n"
            "2\tEOL\t0\n"
            "3\t0\t1\tSymbol\t7\t&\n"
            "3\t1\t3\tIdentifier\t1\th4c\n"
            "3\tEOL\t0\n");
  EXPECT_EQ(Scan(h, u"MsgBox"), (Toks{{V::tkKey, "MsgBox"}}));
  TSynVBScriptSyn s;
  EXPECT_EQ(Scan(s, u"MsgBox"), (Toks{{V::tkIdentifier, "MsgBox"}}));
  EXPECT_EQ(Scan(s, u"x rem y"), (Toks{{V::tkIdentifier, "x"}, {V::tkSpace, " "}, {V::tkComment, "rem y"}}));
}

TEST(SynVBSyn, TokenRules) {
  TSynVBSyn h;
  // A leading "" is stepped over; later doubled quotes end the string.
  EXPECT_EQ(Scan(h, u"\"\"\"a\" x"), (Toks{{V::tkString, "\"\"\"a\""}, {V::tkSpace, " "}, {V::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"\"\" x"), (Toks{{V::tkString, "\"\""}, {V::tkSpace, " "}, {V::tkIdentifier, "x"}}));
  EXPECT_EQ(Scan(h, u"\"a\"\"b\""), (Toks{{V::tkString, "\"a\""}, {V::tkString, "\"b\""}}));
  EXPECT_EQ(Scan(h, u"\""), (Toks{{V::tkString, "\""}}));
  EXPECT_EQ(Scan(h, u"#open"), (Toks{{V::tkString, "#open"}}));
  EXPECT_EQ(Scan(h, u"x ' c"), (Toks{{V::tkIdentifier, "x"}, {V::tkSpace, " "}, {V::tkComment, "' c"}}));
  EXPECT_EQ(Scan(h, u"1.5E3 12"), (Toks{{V::tkNumber, "1.5E3"}, {V::tkSpace, " "}, {V::tkNumber, "12"}}));
  EXPECT_EQ(
      Scan(h, u"<><=<>=>"),
      (Toks{{V::tkSymbol, "<>"}, {V::tkSymbol, "<="}, {V::tkSymbol, "<>"}, {V::tkSymbol, "="}, {V::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u">=>"), (Toks{{V::tkSymbol, ">="}, {V::tkSymbol, ">"}}));
  std::u16string syms = u"&()*+,-./:;=^{}";
  Toks expected;
  for (char16_t c : syms) expected.push_back({V::tkSymbol, std::string(1, static_cast<char>(c))});
  EXPECT_EQ(Scan(h, syms), expected);
  EXPECT_EQ(Scan(h, u"~!$\u00e9"),
            (Toks{{V::tkUnknown, "~"}, {V::tkUnknown, "!"}, {V::tkUnknown, "$"}, {V::tkUnknown, "\xC3\xA9"}}));
  EXPECT_EQ(h.GetTokenAttribute(), nullptr);  // past the line end
  h.ResetRange();
  h.SetLine(u"~", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);
  // No state between lines.
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"\"open", u"x"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{V::tkIdentifier, "x"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{0, 0}));
}

TEST(SynVBSyn, AttributesAndFamilyAnswers) {
  TSynVBSyn h;
  TSynVBScriptSyn s;
  EXPECT_EQ(h.GetAttribCount(), 7);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.KeyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), u"Visual Basic");
  EXPECT_EQ(s.GetLanguageName(), u"MS VBScript");
  EXPECT_EQ(h.ClassName(), "TSynVBSyn");
  EXPECT_EQ(s.ClassName(), "TSynVBScriptSyn");
  EXPECT_EQ(h.DefaultFilter(), "Visual Basic Files (*.bas)|*.bas");
  EXPECT_EQ(s.DefaultFilter(), "VBScript Files (*.vbs)|*.vbs");
  EXPECT_FALSE(h.CaseSensitive());
  EXPECT_FALSE(s.GetSampleSource().empty());
}

TEST(SynVBSyn, TerminationAndCoverageOnRandomLines) {
  auto pieces = CommonPieces();
  for (auto p : {u"\"", u"\"\"", u"#", u"'", u"rem", u"REM ", u"<", u">", u"=", u"&h", u"1.5e", u"dim", u"~"})
    pieces.push_back(p);
  TSynVBSyn h;
  CheckTermination(h, pieces, 50000, 21);
  TSynVBScriptSyn s;
  CheckTermination(s, pieces, 50000, 22);
  CheckRescan(s, Lines(u"Dim x\nx = \"a\" & #1/1/2000#\nrem done\n' c\n"), 5);
}
