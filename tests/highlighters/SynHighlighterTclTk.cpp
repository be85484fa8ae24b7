#include "highlighters/SynHighlighterTclTk.h"

#include <cstdint>
#include <string>
#include <vector>

#include "SynHighlighterFamilyTesting.h"
#include "editor/SynUnicode.h"

using namespace hltest;
using T = TSynTclTkSyn;

constexpr auto One = &ScanNew<T>;

TEST(SynTclTkSyn, KeyWordsHoldTheWordListUpperCased) {
  T h;
  const auto& keys = h.KeyWords();
  ASSERT_EQ(keys.size(), 147u);
  EXPECT_TRUE(h.SecondKeyWords().empty());
  EXPECT_EQ(&keys, &T::DefaultKeyWords());  // shared until a list is assigned
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  // The list is given in lower-case order: the entries lower-cased and sorted again give it back (its
  // digest). Upper-cased, "_" sorts after the letters, so the order differs ("TKERROR" < "TK_BISQUE").
  std::vector<std::u16string> lowered;
  for (const auto& w : keys) {
    EXPECT_EQ(WideUpperCase(w), w);
    lowered.push_back(WideLowerCase(w));
  }
  EXPECT_FALSE(std::is_sorted(lowered.begin(), lowered.end()));
  std::sort(lowered.begin(), lowered.end());
  EXPECT_EQ(Digest(lowered), 0xa2a982afu);
  for (const auto& w : keys) {
    EXPECT_EQ(Scan(h, w), (Toks{{T::tkKey, codepage::Utf16ToUtf8(w)}}));
    EXPECT_EQ(Scan(h, WideLowerCase(w) + u"q").front().kind, T::tkIdentifier) << codepage::Utf16ToUtf8(w);
  }
}

TEST(SynTclTkSyn, EdgeCasesAsGoldenDumps) {
  T h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"puts PUTS Puts", u"# c", u"set x 4 / 2", u"/* $ ["}, out));
  EXPECT_EQ(out,
            "1\t0\t4\tReserved Word\t2\tputs\n"
            "1\t4\t1\tSpace\t6\t \n"
            "1\t5\t4\tReserved Word\t2\tPUTS\n"
            "1\t9\t1\tSpace\t6\t \n"
            "1\t10\t4\tReserved Word\t2\tPuts\n"
            "1\tEOL\t0\n"
            "2\t0\t3\tComment\t0\t# c\n"
            "2\tEOL\t0\n"
            "3\t0\t3\tReserved Word\t2\tset\n"
            "3\t3\t1\tSpace\t6\t \n"
            "3\t4\t1\tIdentifier\t1\tx\n"
            "3\t5\t1\tSpace\t6\t \n"
            "3\t6\t1\tNumber\t4\t4\n"
            "3\t7\t1\tSpace\t6\t \n"
            "3\t8\t3\tComment\t0\t/ 2\n"
            "3\tEOL\t0\n"
            "4\t0\t1\tSymbol\t8\t/\n"
            "4\t1\t1\tSymbol\t9\t*\n"
            "4\t2\t1\tSpace\t6\t \n"
            "4\t3\t1\tSymbol\t9\t$\n"
            "4\t4\t1\tSpace\t6\t \n"
            "4\t5\t1\tSymbol\t9\t[\n"
            "4\tEOL\t0\n");
}

TEST(SynTclTkSyn, StringsNumbersSymbols) {
  EXPECT_EQ(One(u"\"a\\\"b\" x"), (Toks{{T::tkString, "\"a\\\"b\""}, {T::tkSpace, " "}, {T::tkIdentifier, "x"}}));
  EXPECT_EQ(One(u"\"open \\\""), (Toks{{T::tkString, "\"open \\\""}}));
  EXPECT_EQ(One(u"\"\"\"a\" x"), (Toks{{T::tkString, "\"\"\"a\""}, {T::tkSpace, " "}, {T::tkIdentifier, "x"}}));
  EXPECT_EQ(One(u"\"\""), (Toks{{T::tkString, "\"\""}}));
  EXPECT_EQ(One(u"1.5E3 1..2"), (Toks{{T::tkNumber, "1.5E3"},
                                      {T::tkSpace, " "},
                                      {T::tkNumber, "1"},
                                      {T::tkUnknown, "."},
                                      {T::tkUnknown, "."},
                                      {T::tkNumber, "2"}}));
  EXPECT_EQ(One(u"({;)}#*"), (Toks{{T::tkSymbol, "("},
                                   {T::tkSymbol, "{"},
                                   {T::tkSymbol, ";"},
                                   {T::tkUnknown, ")"},
                                   {T::tkUnknown, "}"},
                                   {T::tkSymbol, "#"},
                                   {T::tkUnknown, "*"}}));
  // Nothing continues to the next line.
  T h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"\"open", u"x"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{T::tkIdentifier, "x"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{0, 0}));
}

TEST(SynTclTkSyn, SettersReplaceTheListsAndSignalOnce) {
  T h;
  int changes = 0;
  TSynNotifyMethod hook{&changes, 0, [&changes](TSynPersistent*) { ++changes; }};
  h.AddAttrChangeHandler(hook);
  h.SetSecondKeyWords(std::vector<std::u16string>{u"myProc", u"MYPROC", u"helper"});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(h.SecondKeyWords(), (std::vector<std::u16string>{u"HELPER", u"MYPROC"}));
  EXPECT_EQ(One(u"myproc").front().kind, T::tkIdentifier);  // a fresh instance does not have it
  EXPECT_EQ(Scan(h, u"MyProc Helper puts"), (Toks{{T::tkSecondKey, "MyProc"},
                                                  {T::tkSpace, " "},
                                                  {T::tkSecondKey, "Helper"},
                                                  {T::tkSpace, " "},
                                                  {T::tkKey, "puts"}}));
  TWideStringList list;
  list.Add(u"only");
  h.SetKeyWords(list);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(h.KeyWords(), (std::vector<std::u16string>{u"ONLY"}));
  EXPECT_EQ(Scan(h, u"puts Only"), (Toks{{T::tkIdentifier, "puts"}, {T::tkSpace, " "}, {T::tkKey, "Only"}}));
  EXPECT_TRUE(h.IsKeyword(u"only"));
  EXPECT_TRUE(h.IsSecondKeyWord(u"helper"));
  EXPECT_EQ(T::DefaultKeyWords().size(), 147u);
  h.RemoveAttrChangeHandler(hook);
}

TEST(SynTclTkSyn, AttributesAndFamilyAnswers) {
  T h;
  EXPECT_EQ(h.GetAttribCount(), 8);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.SecondKeyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), u"Tcl/Tk");
  EXPECT_EQ(h.DefaultFilter(), "Tcl/Tk Files (*.tcl)|*.tcl");
  EXPECT_FALSE(h.CaseSensitive());
  h.SetLine(u"$", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.SymbolAttri);
}

TEST(SynTclTkSyn, TerminationAndCoverageOnRandomLines) {
  T h;
  auto pieces = CommonPieces();
  for (auto p : {u"\"", u"\\\"", u"#", u"/", u"/*", u"*", u"$", u"[", u"1.", u"..", u"puts", u"{", u";"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 50000, 41);
  CheckRescan(h, Lines(u"# c\nproc p {} {\n  puts \"a \\\" b\"\n}\n"), 6);
}
