#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadSearch.h"
#include "editor/SynUnicode.h"
#include "platform/Exceptions.h"

namespace {

std::vector<int> FindAll(TSynPadSearch& s, std::u16string_view text) {
  const int n = s.FindAll(text);
  std::vector<int> out;
  for (int i = 0; i < n; ++i) out.push_back(s.Results(i));
  EXPECT_EQ(s.ResultCount(), n);
  return out;
}

std::vector<int> Search(std::u16string_view pattern, std::u16string_view text, TSynSearchOptions options) {
  TSynPadSearch s;
  s.SetOptions(options);
  s.SetPattern(std::u16string(pattern));
  return FindAll(s, text);
}

// Leftmost non-overlapping occurrences that pass the whole-word test, by direct comparison.
std::vector<int> Naive(std::u16string pattern, std::u16string text, TSynSearchOptions options) {
  if (!(options & ssoMatchCase)) {
    pattern = WideLowerCase(pattern);
    text = WideLowerCase(text);
  }
  std::vector<int> out;
  const size_t n = pattern.size();
  size_t i = 0;
  while (i + n <= text.size()) {
    bool ok = text.compare(i, n, pattern) == 0;
    if (ok && (options & ssoWholeWord)) {
      if (i > 0 && !IsSynWordBreakChar(text[i - 1])) ok = false;
      if (i + n < text.size() && !IsSynWordBreakChar(text[i + n])) ok = false;
    }
    if (ok) {
      out.push_back(static_cast<int>(i) + 1);
      i += n;
    } else {
      ++i;
    }
  }
  return out;
}

}  // namespace

TEST(SynPadSearch, OccurrencesDoNotOverlap) {
  EXPECT_EQ(Search(u"aa", u"aaaa", ssoMatchCase), (std::vector<int>{1, 3}));
  EXPECT_EQ(Search(u"aa", u"aaaaa", 0), (std::vector<int>{1, 3}));
  EXPECT_EQ(Search(u"abab", u"abababab", ssoMatchCase), (std::vector<int>{1, 5}));
}

TEST(SynPadSearch, WholeWordsUseTheDelimiterSet) {
  EXPECT_EQ(Search(u"foo", u"a foo.", ssoWholeWord), (std::vector<int>{3}));
  EXPECT_EQ(Search(u"foo", u"(foo)", ssoWholeWord), (std::vector<int>{2}));
  EXPECT_TRUE(Search(u"foo", u"foo_bar", ssoWholeWord).empty());
  EXPECT_TRUE(Search(u"foo", u"xfoo", ssoWholeWord).empty());
  EXPECT_TRUE(Search(u"foo", u"foo\u00e9", ssoWholeWord).empty());
  // The start and the end of the line count as delimiters.
  EXPECT_EQ(Search(u"foo", u"foo", ssoWholeWord), (std::vector<int>{1}));
  EXPECT_EQ(Search(u"foo", u"foofoo foo", ssoWholeWord), (std::vector<int>{8}));
  // Characters 167, 176 and 180 delimit; 95 and 181 do not.
  EXPECT_EQ(Search(u"x", u"\u00a7x\u00b0x\u00b4", ssoWholeWord), (std::vector<int>{2, 4}));
  EXPECT_TRUE(Search(u"x", u"\u00b5x", ssoWholeWord).empty());
  // A failed whole-word candidate does not hide an overlapping later one.
  EXPECT_EQ(Search(u"aa", u"aaa aa", ssoWholeWord), (std::vector<int>{5}));
}

TEST(SynPadSearch, CaseFolding) {
  EXPECT_EQ(Search(u"ABC", u"abc AbC ABC", 0), (std::vector<int>{1, 5, 9}));
  EXPECT_EQ(Search(u"ABC", u"abc AbC ABC", ssoMatchCase), (std::vector<int>{9}));
  EXPECT_EQ(Search(u"\u00c9T\u00c9", u"\u00e9t\u00e9", 0), (std::vector<int>{1}));
  // Switching match case on and off with the same pattern finds what a fresh engine finds.
  TSynPadSearch s;
  s.SetPattern(u"AbC");
  const std::u16string text = u"abc ABC AbC";
  EXPECT_EQ(FindAll(s, text), Search(u"AbC", text, 0));
  s.SetOptions(ssoMatchCase);
  EXPECT_EQ(FindAll(s, text), Search(u"AbC", text, ssoMatchCase));
  s.SetOptions(0);
  EXPECT_EQ(FindAll(s, text), Search(u"AbC", text, 0));
  s.SetOptions(ssoMatchCase);
  EXPECT_EQ(FindAll(s, text), (std::vector<int>{9}));
}

TEST(SynPadSearch, PatternAsGivenAndFolded) {
  TSynPadSearch s;
  s.SetPattern(u"ABC");
  EXPECT_EQ(s.Pattern(), u"ABC");
  // Equal to the folded pattern: nothing changes, not even the pattern as given.
  s.SetPattern(u"abc");
  EXPECT_EQ(s.Pattern(), u"ABC");
  s.SetPattern(u"abd");
  EXPECT_EQ(s.Pattern(), u"abd");
  EXPECT_EQ(FindAll(s, u"xABD"), (std::vector<int>{2}));
  EXPECT_EQ(s.Lengths(0), 3);
  EXPECT_EQ(s.Lengths(7), 3);
}

TEST(SynPadSearch, ShortLinesEmptyPatternAndResultRange) {
  TSynPadSearch s;
  EXPECT_THROW(s.FindAll(u"abc"), Exception);
  EXPECT_THROW(s.FindAll(u""), Exception);
  try {
    s.FindAll(u"x");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Pattern is empty");
  }
  s.SetPattern(u"abcd");
  EXPECT_EQ(s.FindAll(u"abc"), 0);
  EXPECT_EQ(s.FindAll(u""), 0);
  EXPECT_EQ(s.FindAll(u"xxabcd"), 1);
  EXPECT_EQ(s.Results(0), 3);
  EXPECT_EQ(s.Results(1), 0);
  EXPECT_EQ(s.Results(-1), 0);
  // Each FindAll replaces the results.
  EXPECT_EQ(s.FindAll(u"zz"), 0);
  EXPECT_EQ(s.ResultCount(), 0);
  EXPECT_EQ(s.Replace(u"abcd", u"$0x"), u"$0x");
}

TEST(SynPadSearch, NulAndHighCharactersInTheText) {
  std::u16string text = u"a";
  text.push_back(0);
  text += u"b\uffff\uffffb";
  std::u16string pat = u"\uffffb";
  EXPECT_EQ(Search(pat, text, ssoMatchCase), (std::vector<int>{5}));
  std::u16string nulPat(1, u'\0');
  EXPECT_EQ(Search(nulPat, text, ssoMatchCase), (std::vector<int>{2}));
}

TEST(SynPadSearch, MatchesDirectComparisonOnRandomTexts) {
  std::mt19937 rng(6150);
  const std::u16string alphabet = u"aAbB_ .\u00e9\u00c9";
  // One engine for every pattern and options, many texts each: a new pattern must leave no shift of
  // an earlier one behind (the table is rewritten only where the patterns have characters).
  TSynPadSearch s;
  for (int round = 0; round < 2000; ++round) {
    std::u16string pattern;
    const int pl = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < pl; ++i) pattern.push_back(alphabet[rng() % 4]);
    const TSynSearchOptions options = static_cast<TSynSearchOptions>(rng() % 4);
    s.SetOptions(options);
    s.SetPattern(pattern);
    for (int k = 0; k < 10; ++k) {
      std::u16string text;
      const int tl = static_cast<int>(rng() % 40);
      for (int i = 0; i < tl; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
      ASSERT_EQ(FindAll(s, text), Naive(pattern, text, options)) << "options " << int(options) << " round " << round;
    }
  }
}
