#include "highlighters/SynHighlighterFamily.h"

#include <gtest/gtest.h>

#include <set>

#include "SynHighlighterFamilyTesting.h"
#include "TestSupport.h"
#include "editor/SynUnicode.h"
#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterPas.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "platform/Exceptions.h"

using namespace hltest;

namespace {

struct HashCase {
  const char* className;
  std::function<std::unique_ptr<TSynFamilyHighlighter>()> make;
  std::uint32_t A, B, M;
  int count;
  int identifierKind;  // what a word with "x" appended gives
  bool caseSensitive;
};

std::vector<HashCase> HashCases() {
  return {
      {"TSynCppSyn", [] { return std::make_unique<TSynCppSyn>(); }, 179, 44, 343, 95, TSynCppSyn::tkIdentifier, true},
      {"TSynPasSyn", [] { return std::make_unique<TSynPasSyn>(); }, 812, 76, 389, 111, TSynPasSyn::tkIdentifier, false},
      {"TSynJavaSyn", [] { return std::make_unique<TSynJavaSyn>(); }, 598, 349, 113, 52, TSynJavaSyn::tkIdentifier,
       true},
      {"TSynJScriptSyn", [] { return std::make_unique<TSynJScriptSyn>(); }, 751, 148, 5153, 399,
       TSynJScriptSyn::tkIdentifier, true},
      {"TSynPHPSyn", [] { return std::make_unique<TSynPHPSyn>(); }, 596, 413, 137, 56, TSynPHPSyn::tkIdentifier, false},
      {"TSynHTMLSyn", [] { return std::make_unique<TSynHTMLSyn>(); }, 932, 46, 1543, 202, TSynHTMLSyn::tkUndef, false},
  };
}

// The slot of a word computed here independently: h := h * A + c * B (mod 2^32), then h mod M.
std::uint32_t Slot(std::u16string_view w, std::uint32_t A, std::uint32_t B, std::uint32_t M) {
  std::uint64_t h = 0;
  for (char16_t c : w) h = (h * A + static_cast<std::uint64_t>(c) * B) & 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(h % M);
}

// The kind a word scanned alone gives, read in the context its keyword function needs.
int KindOfWord(TSynFamilyHighlighter& h, const std::string& className, std::u16string_view word) {
  std::u16string line(word);
  if (className == "TSynHTMLSyn") {
    // A tag name comes right after "<".
    h.ResetRange();
    h.SetLine(u"<" + line, 0);
    h.Next();
    return h.GetTokenKind();
  }
  if (className == "TSynPasSyn") {
    auto& pas = static_cast<TSynPasSyn&>(h);
    pas.SetDelphiVersion(dvDelphi2005);
    pas.SetPackageSource(true);
    // Clause words are keywords inside their clause: property for read/write/..., exports for name.
    const std::intptr_t range = WideLowerCase(word) == u"name" ? TSynPasSyn::rsExports : TSynPasSyn::rsProperty;
    h.SetRange(range);
    h.SetLine(line, 0);
    return h.GetTokenKind();
  }
  h.ResetRange();
  h.SetLine(line, 0);
  return h.GetTokenKind();
}

}  // namespace

TEST(SynHighlighterFamily, KeywordTablesFollowTheListsWithoutSharedSlots) {
  for (const auto& c : HashCases()) {
    SCOPED_TRACE(c.className);
    auto h = c.make();
    const TSynHashKeywordTable* t = h->KeywordTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->A(), c.A);
    EXPECT_EQ(t->B(), c.B);
    EXPECT_EQ(t->M(), c.M);
    EXPECT_EQ(t->Count(), c.count);
    EXPECT_TRUE(t->Clashes().empty());
    std::set<std::u16string_view> distinct;
    int filled = 0;
    for (std::uint32_t s = 0; s < t->M(); ++s) filled += t->IndexOfSlot(s) >= 0;
    EXPECT_EQ(filled, c.count);  // one slot per word: no slot holds two
    for (int i = 0; i < t->Count(); ++i) {
      const auto w = t->At(i).Text;
      distinct.insert(w);
      EXPECT_EQ(t->IndexOfSlot(Slot(w, c.A, c.B, c.M)), i) << codepage::Utf16ToUtf8(w);
    }
    EXPECT_EQ(static_cast<int>(distinct.size()), c.count);
  }
}

TEST(SynHighlighterFamily, EveryWordGivesItsKindAndAnAppendedLetterMakesAnIdentifier) {
  for (const auto& c : HashCases()) {
    SCOPED_TRACE(c.className);
    auto h = c.make();
    const TSynHashKeywordTable* t = h->KeywordTable();
    for (int i = 0; i < t->Count(); ++i) {
      const std::u16string w(t->At(i).Text);
      const std::string u8 = codepage::Utf16ToUtf8(w);
      const int kind = KindOfWord(*h, c.className, w);
      int expected;
      if (c.className == std::string("TSynJScriptSyn"))
        expected = t->At(i).Group;
      else if (c.className == std::string("TSynCppSyn"))
        expected = TSynCppSyn::tkKey;
      else if (c.className == std::string("TSynPasSyn"))
        expected = TSynPasSyn::tkKey;
      else if (c.className == std::string("TSynJavaSyn"))
        expected = TSynJavaSyn::tkKey;
      else if (c.className == std::string("TSynPHPSyn"))
        expected = TSynPHPSyn::tkKey;
      else
        expected = TSynHTMLSyn::tkKey;
      EXPECT_EQ(kind, expected) << u8;
      EXPECT_EQ(KindOfWord(*h, c.className, w + u"x"), c.identifierKind) << u8 << "x";
      // Case: the insensitive languages take any spelling; the sensitive ones only the listed one.
      const std::u16string upper = WideUpperCase(w);
      if (upper != w) {
        const int upperKind = KindOfWord(*h, c.className, upper);
        if (c.caseSensitive) {
          // Unless the capitalised spelling is itself a listed word (JavaScript's All and all).
          bool listed = false;
          for (int j = 0; j < t->Count(); ++j) listed = listed || t->At(j).Text == upper;
          if (!listed) {
            EXPECT_EQ(upperKind, c.identifierKind) << u8;
          }
        } else {
          EXPECT_EQ(upperKind, expected) << u8;
        }
      }
    }
  }
}

TEST(SynHighlighterFamily, LanguageTable) {
  EXPECT_STREQ(SynLanguageTable[0].ClassName, "TSynURISyn");
  EXPECT_STREQ(SynLanguageTable[SynLanguageCount - 1].ClassName, "TSynMultiSyn");
  std::set<std::string> filters;
  for (const auto& row : SynLanguageTable) {
    if (*row.Filter) filters.insert(row.Filter);
    EXPECT_EQ(FindSynLanguage(row.ClassName), &row);
  }
  EXPECT_EQ(filters.size(), SynLanguageCount - 1u);  // all but the multi-language highlighter, each its own
  EXPECT_EQ(FindSynLanguage("TSynNoSuch"), nullptr);
  const auto* py = FindSynLanguage("TSynPythonSyn");
  EXPECT_EQ(py->CaseSensitive, 1);  // the table and the language rule: Python and XML tell case apart
  EXPECT_EQ(FindSynLanguage("TSynXMLSyn")->CaseSensitive, 1);
  EXPECT_STREQ(FindSynLanguage("TSynSQLSyn")->Filter, "SQL Files (*.sql)|*.sql");
}

namespace {

// A highlighter made from the attribute table it is given (it borrows the Java row of the language table).
struct TTableSyn : TSynFamilyHighlighter {
  TSynHighlighterAttributes* First = nullptr;
  TSynHighlighterAttributes* Second = nullptr;
  template <size_t N>
  explicit TTableSyn(const TSynAttrRow<TTableSyn> (&rows)[N]) : TSynFamilyHighlighter("TSynJavaSyn") {
    CreateAttributes(*this, rows);
    FinishCreate(0);
  }
};
using TT = TTableSyn;

}  // namespace

// The first row of a field makes the attribute; later rows show more kinds in it and may repeat its
// style, but never give it another name, style or colour.
TEST(SynHighlighterFamily, AttributeTableRowsMakeOneAttributePerField) {
  constexpr TSynAttrRow<TT> shared[] = {
      {0, "First", &TT::First, syn::fsBold, 0x0000FF}, {3, "First", &TT::First}, {1, "Second", &TT::Second}};
  TTableSyn h(shared);
  EXPECT_EQ(h.GetAttribCount(), 2);
  ASSERT_NE(h.First, nullptr);
  EXPECT_EQ(h.First->Name(), "First");
  EXPECT_EQ(h.First->Style(), syn::fsBold);
  EXPECT_EQ(h.First->Foreground(), 0x0000FFu);
  EXPECT_EQ(h.AttributeOfKind(0), h.First);
  EXPECT_EQ(h.AttributeOfKind(3), h.First);
  EXPECT_EQ(h.AttributeOfKind(1), h.Second);
  EXPECT_EQ(h.AttributeOfKind(2), nullptr);
  EXPECT_FALSE(h.First->IsStyleStored());  // the table's style is the default

  constexpr TSynAttrRow<TT> repeated[] = {{0, "First", &TT::First, syn::fsBold}, {1, "First", &TT::First, syn::fsBold}};
  EXPECT_NO_THROW(TTableSyn{repeated});
  constexpr TSynAttrRow<TT> renamed[] = {{0, "First", &TT::First}, {1, "Other", &TT::First}};
  EXPECT_THROW(TTableSyn{renamed}, Exception);
  constexpr TSynAttrRow<TT> restyled[] = {{0, "First", &TT::First, syn::fsBold},
                                          {1, "First", &TT::First, syn::fsItalic}};
  EXPECT_THROW(TTableSyn{restyled}, Exception);
}

TEST(SynHighlighterFamily, CommonProceduresAndEndOfLine) {
  TSynJavaSyn h;
  // An empty line: its Null token ends the scan at once.
  h.ResetRange();
  h.SetLine(u"", 0);
  EXPECT_TRUE(h.GetEol());
  // CR LF inside a line is one Space token; a lone LF and blanks another; NUL mid-line is a Null token.
  EXPECT_EQ(Scan(h, u"a\r\nb\n \t c"), (Toks{{TSynJavaSyn::tkIdentifier, "a"},
                                             {TSynJavaSyn::tkSpace, "\r\n"},
                                             {TSynJavaSyn::tkIdentifier, "b"},
                                             {TSynJavaSyn::tkSpace, "\n"},
                                             {TSynJavaSyn::tkSpace, " \t "},
                                             {TSynJavaSyn::tkIdentifier, "c"}}));
  const std::u16string withNul(u"a\0b", 3);
  EXPECT_EQ(Scan(h, withNul), (Toks{{TSynJavaSyn::tkIdentifier, "a"},
                                    {TSynJavaSyn::tkNull, std::string(1, '\0')},
                                    {TSynJavaSyn::tkIdentifier, "b"}}));
  // A case-insensitive language scans lower case but returns the token as written.
  TSynPasSyn pas;
  EXPECT_EQ(Scan(pas, u"BEGIN Begin"),
            (Toks{{TSynPasSyn::tkKey, "BEGIN"}, {TSynPasSyn::tkSpace, " "}, {TSynPasSyn::tkKey, "Begin"}}));
}

TEST(SynHighlighterFamily, SortedKeywordLists) {
  std::vector<std::u16string> list{u"grep", u"Echo", u"ECHO", u"awk", u"z_z", u"Zed"};
  SortKeywordList(list);
  EXPECT_EQ(list, (std::vector<std::u16string>{u"AWK", u"ECHO", u"GREP", u"ZED", u"Z_Z"}));
  for (const auto& w : list) EXPECT_TRUE(SortedKeywordListHas(list, w));
  EXPECT_FALSE(SortedKeywordListHas(list, u"grep"));  // tokens are upper-cased by the caller
  EXPECT_FALSE(SortedKeywordListHas(list, u"A"));
  EXPECT_FALSE(SortedKeywordListHas(list, u"ZZZ"));
  EXPECT_FALSE(SortedKeywordListHas({}, u"A"));
}

TEST(SynHighlighterFamily, RegistrationIsInTableOrderAndIdempotent) {
  RegisterSynHighlighters();
  const auto first = GetPlaceableHighlighters().size();
  RegisterSynHighlighters();
  EXPECT_EQ(GetPlaceableHighlighters().size(), first);
  std::vector<std::string> mine;
  for (const auto& cls : GetPlaceableHighlighters()) {
    const TSynLanguageInfo* row = FindSynLanguage(cls.ClassName);
    if (!row) continue;
    mine.push_back(cls.ClassName);
    auto h = cls.Create();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->ClassName(), cls.ClassName);
    EXPECT_EQ(cls.LanguageName, row->LanguageName);
  }
  // Registration order follows the table.
  int last = -1;
  for (const auto& name : mine) {
    const int at = static_cast<int>(FindSynLanguage(name) - SynLanguageTable);
    EXPECT_GT(at, last) << name;
    last = at;
  }
  EXPECT_GE(mine.size(), 6u);
}

TEST(SynHighlighterFamily, TokenProbe) {
  const std::string probe = testsupport::ProbePath("tokenprobe");
  auto r = testsupport::RunProcess(probe, {"TSynCppSyn"}, "int a; \"x\\\n\ty\"\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "1\t0\t3\tReserved Word\t4\tint\n"
            "1\t3\t1\tSpace\t7\t \n"
            "1\t4\t1\tIdentifier\t3\ta\n"
            "1\t5\t1\tSymbol\t9\t;\n"
            "1\t6\t1\tSpace\t7\t \n"
            "1\t7\t3\tString\t8\t\"x\\\\\n"
            "1\tEOL\t10\n"
            "2\t0\t3\tString\t8\t\\ty\"\n"
            "2\tEOL\t0\n"
            "3\tEOL\t0\n");
  // CR LF, lone CR and U+2028 break lines as the editor buffer does.
  r = testsupport::RunProcess(probe, {"TSynHTMLSyn"},
                              "a\r\nb\rc\xE2\x80\xA8"
                              "d");
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("4\t0\t1\tText\t7\td\n4\tEOL\t4\n"), std::string::npos) << r.out;
  r = testsupport::RunProcess(probe, {"--table", "TSynPHPSyn"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 56);
  // The hash-entry languages print every entry as bucket TAB word: SQL per dialect, CSS its properties.
  r = testsupport::RunProcess(probe, {"--table", "TSynSQLSyn", "--dialect", "sqlOracle"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1586);
  // varchar2 (a..z count 2..27, a digit 0; h := h * 2 + v) lies in bucket 22.
  EXPECT_NE(("\n" + r.out).find("\n22\tvarchar2\n"), std::string::npos);
  r = testsupport::RunProcess(probe, {"--table", "TSynSQLSyn"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 306);
  r = testsupport::RunProcess(probe, {"--table", "TSynCssSyn"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 122);
  EXPECT_EQ(testsupport::RunProcess(probe, {"--table", "TSynSQLSyn", "--dialect", "sqlNone"}).exitCode, 2);
  EXPECT_EQ(testsupport::RunProcess(probe, {"--table", "TSynCppSyn", "--dialect", "sqlOracle"}).exitCode, 2);
  EXPECT_EQ(testsupport::RunProcess(probe, {}).exitCode, 2);
  EXPECT_EQ(testsupport::RunProcess(probe, {"TSynNoSuchSyn"}).exitCode, 2);
  EXPECT_EQ(testsupport::RunProcess(probe, {"TSynCppSyn", "--dialect"}).exitCode, 2);
  EXPECT_EQ(testsupport::RunProcess(probe, {"--table", "TSynCppSyn", "x"}).exitCode, 2);
}
