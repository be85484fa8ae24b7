#include <gtest/gtest.h>

#include <random>

#include "editor/SynPadRegexSearch.h"
#include "editor/SynUnicode.h"
#include "regex/SynRegExpr.h"

namespace {

struct Found {
  std::vector<int> pos, len;
};

Found FindMatches(TSynPadRegexSearch& s, std::u16string_view text) {
  Found f;
  const int n = s.FindAll(text);
  EXPECT_EQ(n, s.ResultCount());
  for (int i = 0; i < n; ++i) {
    f.pos.push_back(s.Results(i));
    f.len.push_back(s.Lengths(i));
  }
  return f;
}

}  // namespace

TEST(SynPadRegexSearch, PositionsAndLengths) {
  TSynPadRegexSearch s;
  s.SetOptions(ssoMatchCase);
  s.SetPattern(u"o");
  auto f = FindMatches(s, u"foo");
  EXPECT_EQ(f.pos, (std::vector<int>{2, 3}));
  EXPECT_EQ(f.len, (std::vector<int>{1, 1}));
  s.SetPattern(u"x*");
  f = FindMatches(s, u"ab");
  EXPECT_EQ(f.pos, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(f.len, (std::vector<int>{0, 0, 0}));
  s.SetPattern(u"q");
  EXPECT_EQ(s.FindAll(u"abc"), 0);
  EXPECT_EQ(s.Pattern(), u"q");
}

TEST(SynPadRegexSearch, OptionsOnlyTouchCase) {
  TSynPadRegexSearch s;
  EXPECT_TRUE(s.RegExpr().Modifier(synregexpr::ModifierR));
  EXPECT_TRUE(s.RegExpr().Modifier(synregexpr::ModifierS));
  EXPECT_TRUE(s.RegExpr().Modifier(synregexpr::ModifierG));
  EXPECT_FALSE(s.RegExpr().Modifier(synregexpr::ModifierM));
  EXPECT_FALSE(s.RegExpr().Modifier(synregexpr::ModifierX));
  s.SetPattern(u"Ab");
  s.SetOptions(0);
  EXPECT_EQ(s.FindAll(u"ab AB Ab"), 3);
  s.SetOptions(ssoMatchCase | ssoWholeWord);
  EXPECT_EQ(s.FindAll(u"ab AB Ab xAby"), 2);
  EXPECT_TRUE(s.RegExpr().Modifier(synregexpr::ModifierR));
  EXPECT_FALSE(s.RegExpr().Modifier(synregexpr::ModifierM));
}

TEST(SynPadRegexSearch, ErrorsOutsideTheListsAndBadExpressions) {
  TSynPadRegexSearch s;
  s.SetPattern(u"a");
  s.FindAll(u"a");
  EXPECT_EQ(s.Results(0), 1);
  EXPECT_THROW(s.Results(1), EStringListError);
  EXPECT_THROW(s.Lengths(-1), EStringListError);
  try {
    s.Results(5);
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  s.SetPattern(u"a(b");
  EXPECT_THROW(s.FindAll(u"ab"), synregexpr::ERegExpr);
}

TEST(SynPadRegexSearch, ReplaceOfAnOccurrenceNotFoundInTheLine) {
  TSynPadRegexSearch s;
  s.SetPattern(u"(\\d)");
  EXPECT_EQ(s.Replace(u"ab12", u"<$1>"), u"ab<1><2>");
  // Each match taken in whole characters, its groups too: no half of a pair is left or made.
  s.SetPattern(u"L7 (.)");
  EXPECT_EQ(s.Replace(u"L7 \U0001F600x L7 y", u"<$&|$1>"), u"<L7 \U0001F600|\U0001F600>x <L7 y|y>");
  s.SetPattern(u".");
  EXPECT_EQ(s.Replace(u"a\U0001F600", u"[$&]"), u"[a][\U0001F600]");
}

TEST(SynPadRegexSearch, ReplaceUsesTheMatchAsFoundInItsLine) {
  TSynPadRegexSearch s;
  s.SetOptions(ssoMatchCase);
  // \B and ^ depend on the text around the occurrence: out of context they would not match.
  s.SetPattern(u"\\B(o+)");
  ASSERT_EQ(s.FindAll(u"foo boo"), 2);
  EXPECT_EQ(s.Replace(u"oo", u"[$1]"), u"[oo]");
  EXPECT_EQ(s.Replace(u"oo", u"<$&>"), u"<oo>");
  s.SetPattern(u"^(a)|(a)");
  ASSERT_EQ(s.FindAll(u"aba"), 2);
  EXPECT_EQ(s.Replace(u"a", u"1=$1,2=$2"), u"1=a,2=");
  EXPECT_EQ(s.Replace(u"a", u"1=$1,2=$2"), u"1=,2=a");
  // Once every match of the line is used, the occurrence is re-matched on its own.
  EXPECT_EQ(s.Replace(u"a", u"1=$1,2=$2"), u"1=a,2=");
}

TEST(SynPadRegexSearch, AgreesWithTheWideEngine) {
  std::mt19937 rng(2103);
  const std::vector<std::u16string> patterns = {u"a+", u"b*", u"[ab]c", u"(a|bc)+", u"\\w+", u"a.?b", u"c$", u"^a"};
  const std::u16string alphabet = u"abcAB .";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const int tl = static_cast<int>(rng() % 30);
    for (int i = 0; i < tl; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
    const auto& pattern = patterns[rng() % patterns.size()];
    const bool matchCase = rng() % 2;
    TSynPadRegexSearch s;
    s.SetOptions(matchCase ? ssoMatchCase : 0);
    s.SetPattern(pattern);
    const Found f = FindMatches(s, text);
    synregexpr::TRegExpr r;
    r.SetModifier(synregexpr::ModifierI, !matchCase);
    r.SetExpression(pattern);
    Found g;
    if (r.Exec(text)) {
      do {
        g.pos.push_back(r.MatchPos(0));
        g.len.push_back(r.MatchLen(0));
      } while (r.ExecNext());
    }
    ASSERT_EQ(f.pos, g.pos);
    ASSERT_EQ(f.len, g.len);
  }
}
