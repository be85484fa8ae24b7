#include "highlighters/SynHighlighterHashEntries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Exceptions.h"

namespace {

std::vector<std::u16string> Chain(const TSynHashEntry* e) {
  std::vector<std::u16string> out;
  for (; e; e = e->Next()) out.push_back(e->Keyword());
  return out;
}

bool IsLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

}  // namespace

TEST(SynHashEntries, ChainIsOrderedByLengthAndKeepsInsertionOrderForEqualLengths) {
  TSynHashEntryList list;
  list.SetItems(3, std::make_unique<TSynHashEntry>(u"abc", 1));
  list.SetItems(3, std::make_unique<TSynHashEntry>(u"ab", 2));
  list.SetItems(3, std::make_unique<TSynHashEntry>(u"abd", 3));
  list.SetItems(3, std::make_unique<TSynHashEntry>(u"a", 4));
  list.SetItems(3, std::make_unique<TSynHashEntry>(u"abcdef", 5));
  EXPECT_EQ(Chain(list.Items(3)), (std::vector<std::u16string>{u"a", u"ab", u"abc", u"abd", u"abcdef"}));
  EXPECT_EQ(list.Items(3)->Next()->Kind(), 2);
  EXPECT_EQ(list.Items(3)->KeywordLen(), 1);
}

TEST(SynHashEntries, DuplicateIgnoringCaseRaisesWithTheExistingKeywordAndKeepsTheChain) {
  TSynHashEntryList list;
  list.SetItems(0, std::make_unique<TSynHashEntry>(u"color", 1));
  list.SetItems(0, std::make_unique<TSynHashEntry>(u"border", 1));
  try {
    list.SetItems(0, std::make_unique<TSynHashEntry>(u"Color", 2));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Keyword \"color\" already in list");
  }
  // The chain survives the failed insertion intact.
  EXPECT_EQ(Chain(list.Items(0)), (std::vector<std::u16string>{u"color", u"border"}));
  // Equal keywords are found even behind other entries of the same length.
  list.SetItems(0, std::make_unique<TSynHashEntry>(u"xx", 1));
  EXPECT_THROW(list.SetItems(0, std::make_unique<TSynHashEntry>(u"BORDER", 1)), Exception);
}

TEST(SynHashEntries, ReadingBeyondTheListIsNilAndWritingLengthensIt) {
  TSynHashEntryList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Items(0), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  list.SetItems(10, std::make_unique<TSynHashEntry>(u"k", 6));
  EXPECT_EQ(list.Count(), 11);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(list.Items(i), nullptr);
  ASSERT_NE(list.Items(10), nullptr);
  EXPECT_EQ(list.Items(11), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Items(10), nullptr);
}

TEST(SynHashEntries, EnumerateKeywordsCutsIdentifierRuns) {
  std::vector<std::pair<std::u16string, int>> got;
  EnumerateKeywords(7, u"a, b  c", IsLetter, [&](const std::u16string& k, int kind) { got.emplace_back(k, kind); });
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], std::make_pair(std::u16string(u"a"), 7));
  EXPECT_EQ(got[1].first, u"b");
  EXPECT_EQ(got[2].first, u"c");

  got.clear();
  auto cssIdent = [](char16_t c) { return IsLetter(c) || c == u'-' || (c >= u'0' && c <= u'9') || c == u'_'; };
  EnumerateKeywords(1, u"\r\n  border-top border-Right,\tx1 ,, ", cssIdent,
                    [&](const std::u16string& k, int) { got.emplace_back(k, 0); });
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].first, u"border-top");
  EXPECT_EQ(got[1].first, u"border-Right");  // case kept
  EXPECT_EQ(got[2].first, u"x1");

  int calls = 0;
  EnumerateKeywords(1, u"", IsLetter, [&](const std::u16string&, int) { ++calls; });
  EnumerateKeywords(1, u",,, ;", IsLetter, [&](const std::u16string&, int) { ++calls; });
  EnumerateKeywords(1, u"abc", IsLetter, nullptr);
  EXPECT_EQ(calls, 0);
}

TEST(SynHashEntries, LookupWalksWhileEntriesAreNotLonger) {
  TSynHashEntryList list;
  for (auto w : {u"ab", u"abc", u"abd", u"abcd"})
    list.SetItems(5, std::make_unique<TSynHashEntry>(w, static_cast<int>(std::u16string_view(w).size())));
  ASSERT_NE(FindHashEntry(list, 5, u"abd"), nullptr);
  EXPECT_EQ(FindHashEntry(list, 5, u"abd")->Keyword(), u"abd");
  EXPECT_EQ(FindHashEntry(list, 5, u"abcd")->Kind(), 4);
  EXPECT_EQ(FindHashEntry(list, 5, u"ABD"), nullptr);  // the comparison is exact; callers fold case
  EXPECT_EQ(FindHashEntry(list, 5, u"a"), nullptr);
  EXPECT_EQ(FindHashEntry(list, 5, u"abe"), nullptr);
  EXPECT_EQ(FindHashEntry(list, 6, u"abd"), nullptr);
  EXPECT_EQ(FindHashEntry(list, 500, u"abd"), nullptr);
}
