// The text matcher of the record search: the cases of its design, the fixed case preparation of
// regular expressions, the bounded run, the one-pass matcher of the filter against MatchText, and
// the filter's expression against the engine on converted subjects.
#include <gtest/gtest.h>

#include <random>

#include "RandomRegExpr.h"
#include "databank/uFilterExpression.h"
#include "databank/uTextSearchUtils.h"
#include "databank/words.h"
#include "platform/CodePage.h"

namespace {

bool Match(const std::string& text, const std::string& pattern, bool whole, int mode, bool cs) {
  return MatchText(PrepareCase(text, cs), PrepareSearchText(pattern, cs, mode), whole, mode, cs);
}

}  // namespace

TEST(TextSearch, MatcherCases) {
  struct Case {
    const char* text;
    const char* pattern;
    int mode;
    bool whole, cs, want;
  };
  const Case cases[] = {
      {"a foo bar", "foo b", stPhrase, false, false, true},
      {"a foo bar", "foo b", stPhrase, true, false, true},  // whole words do not apply to phrases
      {"a foo bar", "FOO B", stPhrase, false, true, false},
      {"a foo bar", "", stPhrase, false, false, false},
      {"foo bar", "foo baz", stAllWords, false, false, false},
      {"foo bar", "foo baz", stAnyWord, false, false, true},
      {"foo bar", "baz, ;foo", stAnyWord, false, true, true},
      {"a foo", "FOO", stAllWords, true, true, true},  // words compare without regard to case
      {"a foobar", "foo", stAllWords, true, false, false},
      {"a foobar", "foo", stAllWords, false, false, true},
      {"x|Ünïcode;y", "ünÏcode", stAnyWord, true, true, true},
      {"ünïcode", "ÜNÏCODE", stAnyWord, false, false, true},  // every letter folds, not a..z alone
      {"ünïcode", "ÜNÏCODE", stAnyWord, false, true, false},
      {"C++ Привет", "привет", stPhrase, false, false, true},
      {"C++ Привет", "привет", stPhrase, false, true, false},
      {"anything", " ;, ", stAnyWord, false, false, false},  // no words
      {"A12", "\\d+", stRegExpr, false, false, true},        // the escape keeps its meaning
      {"ABC", "\\d+", stRegExpr, false, false, false},
      {"tab\there", "\\t", stRegExpr, false, false, true},
      {"xJy", "\\x4a", stRegExpr, false, false, true},
      {"abc", "$", stRegExpr, false, false, false},  // a non-empty subject's end is never tried
      // An expression beyond the code page runs over the characters: Ł is Ł, not a "?".
      {"the ŁÓDŹ file", "Ł.D", stRegExpr, false, true, true},
      {"the ?ODZ file", "Ł", stRegExpr, false, true, false},
      {"the ŁÓDŹ file", "ł.d", stRegExpr, false, false, true},
      {"Привет", "\\?", stRegExpr, false, false, false},  // nor is a character the code page lacks
      {"Привет?", "\\?", stRegExpr, false, false, true},
      {"hello", "[а-я]", stRegExpr, false, false, false},
      {"Kö1ln",
       "K\xc3\xb6"
       "1ln",
       stRegExpr, false, true, true},  // ö is the letter ö
      {"K1ln", "K\xc3\xb6ln", stRegExpr, false, true, false},
      {"Köln only", "Köln only", stRegExpr, false, false, true},
      // Over the characters an expression keeps the single-byte engine's syntax: \s and \b are the
      // letters, braces are no repeat, a "-" after a class is a member, \w takes no digit.
      {"Жs", "Ж\\s", stRegExpr, false, true, true},
      {"Ж ", "Ж\\s", stRegExpr, false, true, false},
      {"Жb1", "Ж\\b\\1", stRegExpr, false, true, true},
      {"Ж{2}", "Ж{2}", stRegExpr, false, true, true},
      {"ЖЖ", "Ж{2}", stRegExpr, false, true, false},
      {"Ж-", "Ж[\\d-z]", stRegExpr, false, true, true},
      {"Жk", "Ж[\\d-z]", stRegExpr, false, true, false},
      {"Ж5", "Ж\\w", stRegExpr, false, true, false},
      {"Ж€", "Ж\\x80", stRegExpr, false, true, true},  // a byte of the code page, as it reads there
      {"жЁ", "Жё", stRegExpr, false, false, true},
      {"жЁ", "Жё", stRegExpr, false, true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Match(c.text, c.pattern, c.whole, c.mode, c.cs), c.want)
        << c.text << " / " << c.pattern << " mode " << c.mode << " whole " << c.whole << " cs " << c.cs;
  EXPECT_EQ(PrepareRegExprCase("a\\dz[\\w-q]\\\\n", false), "A\\dZ[\\w-Q]\\\\N");
  EXPECT_EQ(PrepareCase("äbC\\d", false), "äBC\\D");
}

// Case preparation, done eight bytes at a time, gives what its rule gives byte by byte: every byte
// value in every place of a word, and texts that begin anywhere in a word.
TEST(TextSearch, CasePreparationOfEveryByte) {
  std::string all;
  for (int round = 0; round < 8; ++round)
    for (int c = 0; c < 256; ++c) all += static_cast<char>((c * 7 + round) & 0xFF);
  std::string want = all;
  for (char& c : want)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  for (size_t from = 0; from < 9; ++from) ASSERT_EQ(PrepareCase(all.substr(from), false), want.substr(from)) << from;
  EXPECT_EQ(PrepareCase(all, true), all);
}

TEST(TextSearch, ErrorsAndTheirClearing) {
  EXPECT_FALSE(MatchText("abc", "(a", false, stRegExpr, true));
  EXPECT_EQ(LastRegExprError(), "unmatched ()");
  EXPECT_TRUE(MatchText("abc", "b", false, stPhrase, true));
  EXPECT_EQ(LastRegExprError(), "");
  TTextMatcher bad("a**", stRegExpr, true);
  EXPECT_EQ(bad.Error(), "nested *?+");
  EXPECT_FALSE(bad.Matches("aaa", false));
  EXPECT_EQ(LastRegExprError(), "nested *?+");
  {
    TMatchRun run;
    EXPECT_EQ(LastRegExprError(), "");
  }
}

// An expression that backtracks without end stops at the run's bound with our own message, and
// once the run's budget is spent nothing more is tried.
TEST(TextSearch, RunawayExpressionIsBounded) {
  TTextMatcher runaway("(A+)+B", stRegExpr, false);
  const std::string subject = std::string(40, 'a') + "!b";
  {
    TMatchRun run(200000);
    EXPECT_FALSE(runaway.Matches(subject, false));
    EXPECT_EQ(LastRegExprError(), SRegExprTooComplex);
    EXPECT_FALSE(runaway.Matches("aab", false));  // budget spent: not even a short subject
    EXPECT_EQ(LastRegExprError(), SRegExprTooComplex);
  }
  EXPECT_TRUE(runaway.Matches("aab", false));  // outside a run only the per-text bound applies
  {
    TMatchRun run(50000);  // many cheap texts add up
    int done = 0;
    while (done < 100000 && !runaway.Matches(std::string(12, 'a') + "!b", false) && LastRegExprError().empty()) ++done;
    EXPECT_LT(done, 100000);
    EXPECT_EQ(LastRegExprError(), SRegExprTooComplex);
  }
}

TEST(TextSearch, WordsSplit) {
  TWords words;
  words.Items.push_back("kept");
  words.Split("\tone,,two;\r\nthree|", WordDelimiters());
  EXPECT_EQ(words.Items, (std::vector<std::string>{"kept", "one", "two", "three"}));
  words.Clear();
  words.KeepDelimiters = true;
  words.Split("a\r\nb\r", WordDelimiters());
  EXPECT_EQ(words.Items, (std::vector<std::string>{"a", "\r", "b", "\r"}));
}

// The prepared matcher of a filter run gives MatchText's answer on the raw text, for random texts
// and patterns over a small alphabet with delimiters, both cases and a non-ASCII letter.
TEST(TextSearch, PreparedMatcherAgreesWithMatchText) {
  std::mt19937 rng(1234);
  // The Kelvin sign and the long s fold as ASCII letters, µ as Greek mu.
  const std::vector<std::string> alphabet = {"a", "A", "b", "B", "z", " ", ",",      ";",      "|", "\t",
                                             "é", "É", "-", "1", "k", "S", "\u212a", "\u017f", "µ", "μ"};
  auto random = [&](int maxLen) {
    std::string s;
    for (int i = int(rng() % (maxLen + 1)); i > 0; --i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  const std::vector<std::string> expressions = {"a+b", "[ab]+ ", "(A|b)z", "\\w\\d", "É", "[^a ]+,",
                                                "B?1", "a|é",    "ks",     "[k-s]+", "µ", "S.K"};
  int matched = 0;
  for (int i = 0; i < 6000; ++i) {
    const int mode = int(rng() % 4);
    const bool cs = rng() % 2, whole = rng() % 2;
    const std::string raw = mode == stRegExpr ? expressions[rng() % expressions.size()] : random(4);
    const std::string pattern = PrepareSearchText(raw, cs, mode);
    // Now and then a pattern prepared for the other case rule (lower-case letters under upper-cased texts).
    const std::string used = rng() % 8 == 0 ? raw : pattern;
    const std::string text = random(16);
    TTextMatcher matcher(used, mode, cs);
    const bool want = MatchText(PrepareCase(text, cs), used, whole, mode, cs);
    ASSERT_EQ(matcher.Matches(text, whole), want)
        << "text '" << text << "' pattern '" << used << "' mode " << mode << " cs " << cs << " whole " << whole;
    matched += want;
  }
  EXPECT_GT(matched, 600);
}

// The filter's expression looks at the UTF-8 subject for what the engine requires before it
// converts anything, and hands the UTF-8 text itself to an expression that takes only ASCII bytes
// but the stand-in; that changes no answer. Held against the road without the look (the subject
// taken to the engine's bytes, EngineBytes, handed to the engine read as the filter reads it): the
// same compile errors, answers, errors and backtracking steps, under a run's bound small enough to
// be reached. Expressions and subjects mix both cases, letters beyond ASCII, "?" and characters the
// code page lacks (which become the stand-in), characters that fold as letters of the code page
// (the Kelvin sign, the long s, Greek mu), bad UTF-8 and NUL. Some are runs of letters, dots and
// sets alone, whose samples put characters beyond ASCII where the dots and sets stand, before and
// after the letter the look starts from, so that the run lies further along in the UTF-8 text than
// in the engine's, and some end with "$". Expressions holding Ł run on the wide engine: they are
// counted, not compared.
TEST(TextSearch, LookingAtTheRawSubjectFirstChangesNoAnswer) {
  std::mt19937 rng(3804);
  TRandomRegExpr gen(rng, {"a", "A", "b", "z", "-", " ", "é", "É", "ö", "€", "Ł", "\\?", "1", "k", "S"},
                     {"a", "A", "b", "é", "É", "_", "K", "s"});
  TRandomRegExpr asciiGen(rng, {"a", "A", "b", "z", "-", " ", "1", "K", "s"}, {"a", "A", "b", "z", "_", "k"});
  asciiGen.AnyBytes = false;  // most go as UTF-8
  const std::vector<std::string> alphabet = {
      "a",    "A", "b", "B",      "z",      "Z", " ", "-",    "?",
      "1",    "é", "É", "Ł",      "€",      "ö", "(", "\t",   "\xC3",
      "\xE9", "k", "S", "\u212a", "\u017f", "µ", "μ", "\x7f", std::string(1, '\0')};
  auto plainRun = [&]() -> TRandomRegExpr::TCase {
    static const std::vector<std::string> anyOne = {"é", "€", "Ł", "\xC3", "a", "-", "?", "Z", "ö", "\u212a"};
    TRandomRegExpr::TCase c;
    for (int n = 3 + int(rng() % 5); n > 0; --n) {
      switch (rng() % 6) {
        case 0:
        case 1: {
          const std::string letter(1, "abzqxABZKs"[rng() % 10]);
          c.Expression += letter;
          c.Sample += letter;
          break;
        }
        case 2:
        case 3:
          c.Expression += ".";
          c.Sample += anyOne[rng() % anyOne.size()];
          break;
        case 4:
          c.Expression += "[aé]";
          c.Sample += rng() % 2 ? "é" : "A";
          break;
        default:
          c.Expression += "\\?";
          c.Sample += rng() % 2 ? "?" : "Ł";
      }
    }
    if (rng() % 3 == 0) c.Expression += "$";  // a run at the end
    return c;
  };
  int compared = 0, passedOver = 0, matched = 0, limits = 0, unconverted = 0, answeredRaw = 0, wide = 0, atEnd = 0;
  for (int i = 0; i < 3000; ++i) {
    const bool cs = rng() % 2;
    const TRandomRegExpr::TCase made = i % 4 == 1 ? plainRun() : i % 3 ? gen.Next() : asciiGen.Next();
    const std::string pattern = PrepareSearchText(made.Expression, cs, stRegExpr);
    TSearchRegExpr filter;
    regexpr::TRegExpr engine;
    engine.SetWindows1251(false);
    if (!cs) engine.SetCaseMap(filterexpr::CaseMap());
    std::string compileError;
    try {
      engine.SetExpression(codepage::Utf8ToCp1252(pattern, 'X'));
    } catch (const regexpr::ERegExpr& e) {
      compileError = e.Message();
    }
    ASSERT_EQ(filter.SetExpression(pattern, cs), compileError.empty()) << pattern;
    ASSERT_EQ(filter.Error(), compileError) << pattern;
    ASSERT_EQ(filter.Wide(), compileError.empty() && !codepage::IsCp1252Representable(pattern)) << pattern;
    if (filter.Wide()) {
      ++wide;
      continue;
    }
    const std::int64_t budget = 40;
    std::int64_t remaining = budget;
    TMatchRun run(budget);
    for (int k = 0; k < 8; ++k) {
      std::string text = gen.Subject(made, alphabet, k, 16);  // a byte dropped makes bad UTF-8 too
      for (char& c : text)                                    // the filter's case rule decides whether that matters
        if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && rng() % 3 == 0) c = char(c ^ 0x20);
      const bool got = filter.Exec(text);
      bool want = false;
      std::string error = compileError;
      if (compileError.empty() && remaining <= 0) {
        error = SRegExprTooComplex;
      } else if (compileError.empty()) {
        engine.SetBacktrackLimit(remaining);
        try {
          want = engine.Exec(filter.EngineBytes(text));
        } catch (const regexpr::ERegExpr& e) {
          error = e.Message().rfind("Exec: backtrack", 0) == 0 ? SRegExprTooComplex : e.Message();
        }
        remaining -= engine.Steps();
      }
      ASSERT_EQ(got, want) << "pattern '" << pattern << "' text '" << text << "' cs " << cs;
      ASSERT_EQ(filter.Error(), error) << "pattern '" << pattern << "' text '" << text << "' cs " << cs;
      ASSERT_EQ(run.StepsSpent(), budget - remaining) << "pattern '" << pattern << "' text '" << text << "'";
      ++compared;
      unconverted += filter.TakesUtf8();
      passedOver += compileError.empty() && !filter.Requirement().Possible(text);
      answeredRaw += compileError.empty() && filter.Requirement().Check(text) == TSearchRegExpr::TVerdict::Match;
      atEnd +=
          !filter.Requirement().EndRun.empty() && filter.Requirement().Check(text) != TSearchRegExpr::TVerdict::Unknown;
      matched += want;
      limits += error == SRegExprTooComplex;
    }
  }
  EXPECT_GT(compared, 18000);
  EXPECT_GT(wide, 100);
  EXPECT_GT(passedOver, 4000);
  EXPECT_GT(matched, 4000);
  EXPECT_GT(limits, 150);
  EXPECT_GT(unconverted, 4000);
  EXPECT_GT(answeredRaw, 600);
  EXPECT_GT(atEnd, 400) << "answered by the run before the end";
}

// The single-byte engine's text of a record, done eight bytes at a time where it is ASCII and two
// at a time for the accented letters, against the rule character by character: a byte of the code
// page (its representative ignoring case), ignoring case a character outside it that folds as one
// inside, else the stand-in; a byte of bad UTF-8 the stand-in too.
TEST(TextSearch, EngineBytesOfEveryKindOfCharacter) {
  std::mt19937 rng(77);
  const std::vector<std::string> pieces = {"a",
                                           "Z",
                                           "k",
                                           "s",
                                           " ",
                                           "é",
                                           "É",
                                           "ÿ",
                                           "\u00a0",
                                           "\u0080",
                                           "\u0081",
                                           "€",
                                           "Ł",
                                           "\u212a",
                                           "\u017f",
                                           "µ",
                                           "μ",
                                           "Μ",
                                           "ẞ",
                                           "😀",
                                           "\xC3",
                                           "\xE2\x82",
                                           "\xF0\x9F\x98",
                                           "\xC0\x80",
                                           "\xED\xA0\x80",
                                           std::string(1, '\0'),
                                           "abcdefghijk",
                                           "ABCDEFGHIJ"};
  auto reference = [](const std::string& text, bool cs, unsigned char standIn) {
    std::string out;
    const std::u16string units = codepage::Utf8ToUtf16(text);
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t c = units[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size())
        c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      int b = c == 0xFFFD ? -1 : codepage::CharToCp1252(c);
      if (b >= 0 && !cs) b = filterexpr::CaseMap()[unsigned(b)];
      if (b < 0 && !cs && c != 0xFFFD) b = filterexpr::FoldedByte(c);
      out += char(b >= 0 ? b : standIn);
    }
    return out;
  };
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (int n = int(rng() % 12); n > 0; --n) text += pieces[rng() % pieces.size()];
    for (bool cs : {false, true}) {
      std::string got;
      filterexpr::AppendEngineBytes(got, text, cs, 0x7F);
      ASSERT_EQ(got, reference(text, cs, 0x7F)) << "'" << text << "' cs " << cs;
    }
  }
  EXPECT_EQ(filterexpr::CaseMap()['a'], 'A');
  EXPECT_EQ(filterexpr::CaseMap()[0xFF], 0x9F);    // ÿ as Ÿ
  EXPECT_EQ(filterexpr::FoldedByte(0x3BC), 0xB5);  // Greek mu as the micro sign
}
