#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "editor/SynUnicode.h"

namespace {

std::vector<std::u16string> Lines(const TWideStrings& s) {
  std::vector<std::u16string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i));
  return out;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

}  // namespace

TEST(WideStringsLoadSave, BigEndianMarkLoadsAndSavesLittleEndian) {
  TWideStringList list;
  TMemoryStream in(Bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x42}));
  list.LoadFromStream(in);
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_TRUE(list.SaveAsUnicode());
  TMemoryStream out;
  list.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), Bytes({0xFF, 0xFE, 0x41, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x42, 0x00}));
  EXPECT_TRUE(list.SaveCompleted());
}

TEST(WideStringsLoadSave, OneByteAndEmptyStreams) {
  TWideStringList list;
  // A single 0xFF is not half a mark: it is one Windows-1252 character.
  TMemoryStream one(Bytes({0xFF}));
  list.LoadFromStream(one);
  EXPECT_FALSE(list.SaveAsUnicode());
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"\u00FF"}));
  TMemoryStream cp(Bytes({0x80, 'x'}));
  list.LoadFromStream(cp);
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"\u20ACx"}));
  TMemoryStream empty;
  list.LoadFromStream(empty);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.SaveAsUnicode());
}

TEST(WideStringsLoadSave, StreamStartsAtCurrentPositionAndOddByteDropped) {
  TWideStringList list;
  TMemoryStream in(Bytes({'z', 'z', 0xFF, 0xFE, 'h', 0, 'i', 0, 0x41}));
  in.SetPosition(2);
  list.LoadFromStream(in);
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"hi"}));
}

TEST(WideStringsLoadSave, NarrowingAskedOnlyForCharactersOutsideTheCodePage) {
  TWideStringList list;
  list.SetSaveAsUnicode(false);
  int asked = 0;
  bool answer = false;
  list.OnConfirmNarrowing = [&](TSynPersistent*, bool& allowed) {
    ++asked;
    allowed = answer;
  };
  list.Add(u"\u20AC caf\u00E9");  // every character has a Windows-1252 byte
  TMemoryStream out;
  list.SaveToStream(out);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(out.Bytes(), Bytes({0x80, ' ', 'c', 'a', 'f', 0xE9}));
  list.Add(u"\u0416");
  TMemoryStream refused;
  list.SaveToStream(refused);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(list.SaveCompleted());
  EXPECT_EQ(refused.Size(), 0);
  answer = true;
  TMemoryStream narrowed;
  list.SaveToStream(narrowed);
  EXPECT_TRUE(list.SaveCompleted());
  EXPECT_EQ(narrowed.Bytes().substr(narrowed.Bytes().size() - 3), Bytes({0x0D, 0x0A, '?'}));
}

TEST(WideStringsLoadSave, FileRoundTrip) {
  testsupport::TempDir dir;
  TWideStringList list;
  list.Add(u"\u0416line");
  list.Add(u"");
  list.Add(u"end");
  list.SaveToFile(dir.File("a.txt"));
  TWideStringList back;
  back.LoadFromFile(dir.File("a.txt"));
  EXPECT_TRUE(back.Equals(list));
  EXPECT_THROW(back.LoadFromFile(dir.File("missing.txt")), EFOpenError);
}

TEST(WideStringsSetText, BreakCharactersAndNul) {
  TWideStringList list;
  list.SetText(u"a\r\nb");
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"a", u"b"}));
  list.SetText(u"a\n\rb");
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"a", u"", u"b"}));
  list.SetText(u"a\n");
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"a"}));
  list.SetText(u"");
  EXPECT_EQ(list.Count(), 0);
  list.SetText(u"1\u000B2\u000C3\u20284\u20295");
  EXPECT_EQ(list.Count(), 5);
  list.SetText(std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"ab"}));
  list.SetText(u"\r\n\r\n");
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"", u""}));
}

TEST(WideStringsText, JoinHasNoTrailingBreak) {
  TWideStringList list;
  EXPECT_EQ(list.GetTextStr(), u"");
  list.Add(u"a");
  list.Add(u"");
  EXPECT_EQ(list.GetTextStr(), u"a\r\n");
  EXPECT_EQ(list.JoinWithSeparator(u", "), u"a, ");
}

TEST(WideStringList, IndexErrorsAndSortedRestrictions) {
  TWideStringList list;
  list.Add(u"b");
  try {
    list.Get(1);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_THROW(list.Get(-1), EStringListError);
  list.Insert(1, u"c");  // Insert at Count appends
  EXPECT_EQ(list.Get(1), u"c");
  EXPECT_THROW(list.Insert(3, u"x"), EStringListError);
  list.SetSorted(true);
  try {
    list.Put(0, u"x");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
  }
  EXPECT_THROW(list.Insert(0, u"x"), EStringListError);
  // Move on a sorted list refuses before anything is removed.
  EXPECT_THROW(list.Move(0, 1), EStringListError);
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"b", u"c"}));
}

TEST(WideStringList, SortedDuplicates) {
  TWideStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add(u"ABC"), 0);
  EXPECT_EQ(list.Add(u"abc"), 0);
  EXPECT_EQ(list.Count(), 1);
  list.SetDuplicates(dupError);
  try {
    list.Add(u"aBc");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  list.SetDuplicates(dupAccept);
  list.Add(u"a");
  // The bisection stops at the first equal item, so an accepted duplicate goes in front of it.
  EXPECT_EQ(list.Add(u"abc"), 1);
  EXPECT_EQ(list.Get(1), u"abc");
  EXPECT_EQ(list.Get(2), u"ABC");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf(u"zz"), -1);
}

TEST(WideStringList, SortMatchesReferenceOrder) {
  std::mt19937 rng(5);
  std::u16string alphabet = u"aAbBzZ_-\u00E9\u00C9\u0416\u0436\uE000";
  alphabet.push_back(char16_t(0xD800));
  TWideStringList list;
  std::vector<std::u16string> ref;
  for (int i = 0; i < 500; ++i) {
    std::u16string s;
    const int len = rng() % 5;
    for (int k = 0; k < len; ++k) s.push_back(alphabet[rng() % alphabet.size()]);
    list.Add(s);
    ref.push_back(s);
  }
  list.SetSorted(true);
  std::stable_sort(ref.begin(), ref.end(), [](auto& a, auto& b) { return WideCompareText(a, b) < 0; });
  ASSERT_EQ(list.Count(), 500);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(WideCompareText(list.Get(i), ref[i]), 0) << i;
  for (const auto& s : ref) {
    int idx = -1;
    ASSERT_TRUE(list.Find(s, idx));
    EXPECT_TRUE(WideSameText(list.Get(idx), s));
  }
}

TEST(WideStringList, EventsOnlyOutsideUpdate) {
  TWideStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TSynPersistent*) { ++changing; };
  list.OnChange = [&](TSynPersistent*) { ++changed; };
  list.Clear();
  EXPECT_EQ(changing + changed, 0);
  list.BeginUpdate();
  for (int i = 0; i < 100; ++i) list.Add(u"x");
  list.Delete(3);
  list.Exchange(0, 1);
  list.EndUpdate();
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  list.Add(u"y");
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
}

TEST(WideStringList, GrowthRuleAndCapacity) {
  TWideStringList list;
  std::vector<int> caps;
  for (int i = 0; i < 200; ++i) {
    list.Add(u"");
    if (caps.empty() || caps.back() != list.Capacity()) caps.push_back(list.Capacity());
  }
  EXPECT_EQ(caps, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228}));
  list.SetCapacity(10);
  EXPECT_EQ(list.Count(), 10);
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(WideStringList, MoveExchangeObjectsAssignEquals) {
  TWideStringList list;
  int a = 1, b = 2;
  list.AddObject(u"a", &a);
  list.AddObject(u"b", &b);
  list.Add(u"c");
  list.Move(0, 2);
  EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"b", u"c", u"a"}));
  EXPECT_EQ(list.GetObject(2), &a);
  list.Exchange(0, 2);
  EXPECT_EQ(list.GetObject(0), &a);
  EXPECT_EQ(list.GetObject(2), &b);
  TWideStringList copy;
  copy.Assign(list);
  EXPECT_TRUE(copy.Equals(list));
  copy.Put(0, u"A");
  EXPECT_FALSE(copy.Equals(list));
  EXPECT_EQ(list.IndexOf(u"C"), 1);
  copy.AddStrings(copy);  // adding a list to itself doubles it once
  EXPECT_EQ(copy.Count(), 6);
  EXPECT_THROW(copy.AddStrings(static_cast<const TWideStrings*>(nullptr)), EAssertionFailed);
  std::vector<std::string> ansi;
  list.AssignTo(ansi);
  EXPECT_EQ(ansi, (std::vector<std::string>{"a", "c", "b"}));
  copy.Assign(std::vector<std::string>{"\x80", "x"});
  EXPECT_EQ(copy.Get(0), u"\u20AC");
}

TEST(WideRoutines, BufferRoutines) {
  char16_t* buf = WStrAlloc(10);
  uint32_t size = 0;
  std::memcpy(&size, reinterpret_cast<unsigned char*>(buf) - 4, 4);
  EXPECT_EQ(size, 24u);
  WStrCopy(buf, u"abc");
  WStrCat(buf, u"de");
  EXPECT_EQ(WStrLen(buf), 5u);
  EXPECT_EQ(WStrEnd(buf), buf + 5);
  WStrLCopy(buf, u"xyz", 2);
  EXPECT_EQ(std::u16string(buf), u"xy");
  WStrLCopy(buf, u"q", 5);
  EXPECT_EQ(std::u16string(buf), u"q");
  WStrDispose(buf);
  WStrDispose(nullptr);
  char16_t sw[] = {0x1234, 0x00FF, 0};
  StrSwapByteOrder(sw);
  EXPECT_EQ(sw[0], 0x3412);
  EXPECT_EQ(sw[1], 0xFF00);
}

TEST(WideRoutines, CodePointComparison) {
  const char16_t lead[] = {0xD800, 0};
  EXPECT_LT(WStrLComp(u"\uE000", lead, 1), 0);
  EXPECT_GT(WStrLComp(u"\uFFFF", u"\uD7FF", 1), 0);
  EXPECT_EQ(WStrLComp(u"abc", u"abd", 2), 0);
  EXPECT_LT(WStrLComp(u"abc", u"abd", 3), 0);
  EXPECT_EQ(WStrLComp(u"a", u"b", 0), 0);
  EXPECT_LT(WStrLComp(u"ab", u"abc", 10), 0);
  EXPECT_EQ(WStrLComp(u"ab", u"ab", 10), 0);
}

TEST(WideRoutines, CaseMappingKeepsLength) {
  EXPECT_EQ(WideUpperCase(u"stra\u00DFe"), u"STRA\u00DFE");  // no expansion to SS
  EXPECT_EQ(WideLowerCase(u"\u0130X").size(), 2u);           // one unit stays one unit
  EXPECT_EQ(WideLowerCase(u"\u0130X")[1], u'x');
  EXPECT_EQ(WideUpperCase(u"\u0436\U0001F600"), u"\u0416\U0001F600");
  EXPECT_EQ(WideLowerCase(u"SELECT"), u"select");
  EXPECT_EQ(WideUpperCase(u""), u"");
  for (unsigned c = 0; c < 0x10000; ++c) {
    const auto ch = static_cast<char16_t>(c);
    if (ch >= 0xD800 && ch <= 0xDFFF) {
      ASSERT_EQ(WideCharToUpper(ch), ch);
      ASSERT_EQ(WideCharToLower(ch), ch);
    }
  }
  EXPECT_TRUE(IsWideCharAlpha(u'\u00E9'));
  EXPECT_FALSE(IsWideCharAlpha(u'1'));
  EXPECT_TRUE(IsWideCharAlphaNumeric(u'1'));
  EXPECT_FALSE(IsWideCharAlphaNumeric(u'_'));
  EXPECT_FALSE(IsWideCharAlpha(char16_t(0xD800)));
}

TEST(WideRoutines, ComparisonIsFoldThenOrdinal) {
  EXPECT_EQ(WideCompareText(u"Hello", u"hELLO"), 0);
  EXPECT_LT(WideCompareText(u"a-b", u"ab"), 0);  // hyphens count
  EXPECT_LT(WideCompareText(u"ab", u"abc"), 0);
  EXPECT_LT(WideCompareText(u"_", u"Z"), 0);  // folded 'z' (0x7A) sorts after '_' (0x5F)
  EXPECT_LT(WideCompareText(u"_", u"a"), 0);
  EXPECT_TRUE(WideSameText(u"\u0416", u"\u0436"));
  EXPECT_LT(WideCompareStr(u"B", u"a"), 0);
}

TEST(WideRoutines, TrimStringOfCharAndCodePages) {
  EXPECT_EQ(WideTrim(u"\t \t  "), u"");
  EXPECT_EQ(WideTrim(u" \x01x y\x20"), u"x y");
  EXPECT_EQ(WideTrim(u"!"), u"!");
  EXPECT_EQ(WideStringOfChar(u'x', 3), u"xxx");
  EXPECT_EQ(WideStringOfChar(u'x', -1), u"");
  EXPECT_EQ(LocaleCodePage(), 1252u);
  EXPECT_EQ(KeyCharToWide('\x80'), u'\u20AC');
  EXPECT_EQ(AnsiToWideInCodePage("\x80", CP_LATIN1), u"\u0080");
  EXPECT_EQ(AnsiToWideInCodePage("\xC3\xA9", CP_UTF8_CODEPAGE), u"\u00E9");
  EXPECT_EQ(WideToAnsi(u"\u20AC\u0416"), "\x80?");
}
