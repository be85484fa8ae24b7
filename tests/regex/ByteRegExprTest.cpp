// The single-byte engine: its message texts, the program size limit, the Windows-1251 option,
// the rule that a non-empty subject's end is never tried, and what it requires of a subject.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "RandomRegExpr.h"
#include "regex/RegExpr.h"

using regexpr::ERegExpr;
using regexpr::TRegExpr;

namespace {

std::string CompileMessage(std::string_view expr) {
  TRegExpr re;
  try {
    re.SetExpression(expr);
  } catch (const ERegExpr& e) {
    return e.Message();
  }
  return "";
}

bool Matches(std::string_view expr, std::string_view subject) {
  TRegExpr re;
  re.SetExpression(expr);
  return re.Exec(subject);
}

}  // namespace

TEST(ByteRegExpr, MessageTexts) {
  EXPECT_EQ(CompileMessage("(a)(a)(a)(a)(a)(a)(a)(a)(a)"), "");
  EXPECT_EQ(CompileMessage("(a)(a)(a)(a)(a)(a)(a)(a)(a)(a)"), "too many ()");
  EXPECT_EQ(CompileMessage("(a"), "unmatched ()");
  EXPECT_EQ(CompileMessage("a)"), "unmatched ()");
  EXPECT_EQ(CompileMessage("(a?)*"), "*+ operand could be empty");
  EXPECT_EQ(CompileMessage("^+"), "*+ operand could be empty");
  EXPECT_EQ(CompileMessage("^?"), "");
  EXPECT_EQ(CompileMessage("a**"), "nested *?+");
  EXPECT_EQ(CompileMessage("a*?"), "nested *?+");  // no non-greedy forms
  EXPECT_EQ(CompileMessage("\\xZ1"), "Bad hex digit \"Z\"");
  EXPECT_EQ(CompileMessage("\\x4"), "No hex code after \\x");
  EXPECT_EQ(CompileMessage("\\x"), "No hex code after \\x");
  EXPECT_EQ(CompileMessage("[z-a]"), "Invalid [] range");
  EXPECT_EQ(CompileMessage("[a\\"), "Trailing \\");
  EXPECT_EQ(CompileMessage("a\\"), "Trailing \\");
  EXPECT_EQ(CompileMessage("[ab"), "Unmatched []");
  EXPECT_EQ(CompileMessage("*a"), "?+* follows nothing");
  EXPECT_EQ(CompileMessage("a|?"), "?+* follows nothing");
  TRegExpr re;
  try {
    re.Exec("abc");
    FAIL();
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.Message(), "Not assigned expression property");
  }
}

TEST(ByteRegExpr, FailedCompileIsRaisedAgainNotForgotten) {
  TRegExpr re;
  EXPECT_THROW(re.SetExpression("[ab"), ERegExpr);
  try {
    re.SetExpression("[ab");  // the same text again compiles again
    FAIL();
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.Message(), "Unmatched []");
  }
  try {
    re.Exec("ab");
    FAIL();
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.Message(), "Unmatched []");
  }
  re.SetExpression("b");
  EXPECT_TRUE(re.Exec("ab"));
}

TEST(ByteRegExpr, ProgramSizeLimitIsExact) {
  // magic + BRANCH + EXACTLY(n bytes + NUL) + END = n + 11 bytes.
  TRegExpr re;
  re.SetExpression(std::string(65524, 'a'));
  EXPECT_EQ(re.ProgramSize(), 65535u);
  EXPECT_TRUE(re.Exec(std::string(65530, 'a')));
  EXPECT_EQ(CompileMessage(std::string(65525, 'a')), "regexp too big");
  // Sets count their members and NUL the same way in both passes.
  std::string set = "[" + std::string(65521, 'a') + "]";  // 1 + 3 + 3 + 65521 + 1 + 3 = 65532
  re.SetExpression(set);
  EXPECT_EQ(re.ProgramSize(), 65532u);
}

TEST(ByteRegExpr, EndOfNonEmptySubjectIsNeverTried) {
  EXPECT_FALSE(Matches("$", "x"));
  EXPECT_TRUE(Matches("$", ""));
  EXPECT_TRUE(Matches("x$", "ax"));
  EXPECT_TRUE(Matches("x*", "abc"));
  EXPECT_TRUE(Matches("x*", ""));
  EXPECT_FALSE(Matches("^b", "ab"));
  EXPECT_TRUE(Matches("^a", "ab"));
}

TEST(ByteRegExpr, ClassesAndSets) {
  EXPECT_FALSE(Matches("\\w", "5"));
  EXPECT_FALSE(Matches("[\\w]", "5"));
  EXPECT_TRUE(Matches("\\w", "_"));
  EXPECT_TRUE(Matches("\\W", "5"));
  EXPECT_TRUE(Matches("\\d\\D", "5x"));
  EXPECT_TRUE(Matches("\\s", "s"));  // no \s: the escape is the letter itself
  EXPECT_TRUE(Matches("[a-]", "-"));
  EXPECT_TRUE(Matches("[-a]", "-"));
  EXPECT_TRUE(Matches("[]a]", "]"));
  EXPECT_TRUE(Matches("[^a-c]", "abcd"));
  EXPECT_FALSE(Matches("[^a-c]", "abc"));
  EXPECT_TRUE(Matches("a{2}", "a{2}"));
  EXPECT_FALSE(Matches("a{2}", "aa"));
  // A set holds the ranges written in it and no other: a range ends at the character written
  // after the "-", an escaped one too; after a class or a range a "-" is a member.
  struct Member {
    const char* set;
    std::string in, out;
  } members[] = {
      {"[\\?-\\?]", "?", "@AZ[\\>"}, {"[!-\\?]", "!/0?", "@A"},  {"[\\x41-\\x43]", "ABC", "@D"},
      {"[a-\\x63]", "abc", "d"},     {"[\\d-z]", "09-z", "a:Z"}, {"[\\w-!]", "aZ_-!", "\"0"},
      {"[a-c-e]", "abc-e", "d"},
  };
  for (const Member& m : members) {
    for (char c : m.in) EXPECT_TRUE(Matches(std::string("^") + m.set + "$", std::string(1, c))) << m.set << " " << c;
    for (char c : m.out) EXPECT_FALSE(Matches(std::string("^") + m.set + "$", std::string(1, c))) << m.set << " " << c;
  }
  EXPECT_TRUE(Matches("[\\x41]", "A"));
  EXPECT_TRUE(Matches("\\t\\n\\r\\e", "\t\n\r\x1b"));
  std::string nul("a\0b", 3);
  EXPECT_TRUE(Matches("a\\x00b", nul));
  EXPECT_TRUE(Matches("[\\x00a]", "xa"));  // a NUL member does not end the set
  EXPECT_FALSE(Matches("[\\x00]b", nul));  // while a set never matches a NUL of the subject
  EXPECT_FALSE(Matches("a\\x00b", "ab"));
}

TEST(ByteRegExpr, Windows1251Option) {
  // The byte 0xF6 stands for \d and 0xD6 for \D, also inside a set.
  EXPECT_TRUE(Matches("K\xF6ln", "K1ln"));
  EXPECT_FALSE(Matches("K\xF6ln", "K\xF6ln"));
  EXPECT_TRUE(Matches("K\xD6ln", "Kxln"));
  EXPECT_TRUE(Matches("[\xF6]", "7"));
  EXPECT_TRUE(Matches("K\xF6+", "K123"));
  // The Cyrillic ranges put YO (0xB8 / 0xA8) after YE.
  EXPECT_TRUE(Matches("[\xE0-\xFF]", "\xB8"));
  EXPECT_TRUE(Matches("[\xC0-\xDF]", "\xA8"));
  EXPECT_TRUE(Matches("[\xE0-\xDF]", "\xA8"));
  EXPECT_FALSE(Matches("[\xE0-\xFE]", "\xB8"));
  // Off, those bytes are letters like any other (ö, Ö, à-ÿ in Windows-1252), taking effect at the
  // next compile.
  TRegExpr re;
  re.SetExpression("K\xF6ln|[\xE0-\xFF]");
  re.SetWindows1251(false);
  EXPECT_FALSE(re.Windows1251());
  EXPECT_TRUE(re.Exec("K\xF6ln"));
  EXPECT_FALSE(re.Exec("K1ln"));
  EXPECT_FALSE(re.Exec("\xB8"));
  EXPECT_TRUE(re.Exec("\xE9"));
}

// A case map joins bytes: literals are taken through it and sets hold the images of their
// members, for subjects the caller took through the same map.
TEST(ByteRegExpr, CaseMapJoinsBytes) {
  std::array<unsigned char, 256> upper{};
  for (unsigned b = 0; b < 256; ++b) upper[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  upper[0xE9] = 0xC9;  // é as É
  TRegExpr re;
  re.SetWindows1251(false);
  re.SetCaseMap(upper);
  struct Case {
    const char* expr;
    const char* subject;  // already taken through the map
    bool want;
  } cases[] = {{"caf\xE9", "CAF\xC9", true}, {"[a-c]x", "BX", true},        {"[^\xE9]", "\xC9", false},
               {"\x61", "A", true},          {"[\xE0-\xEF]", "\xC9", true}, {"\xC9", "\xC9", true}};
  for (const Case& c : cases) {
    re.SetExpression(c.expr);
    EXPECT_EQ(re.Exec(c.subject), c.want) << c.expr;
  }
  // What the program names, as the map gave it: a literal's images, a negated set's members too.
  re.SetExpression("caf[^\xE9]");
  for (unsigned b : {0x43u, 0x41u, 0x46u, 0xE9u, 0xC9u}) EXPECT_TRUE(re.NamedBytes().Has(b)) << b;
  for (unsigned b : {0x63u, 0x78u, 0x7Fu}) EXPECT_FALSE(re.NamedBytes().Has(b)) << b;
  re.ClearCaseMap();
  re.SetExpression("caf\xE9");
  EXPECT_FALSE(re.Exec("CAF\xC9"));
}

TEST(ByteRegExpr, AlternationAndRepeats) {
  EXPECT_TRUE(Matches("(ab|cd)+e", "xxcdabe"));
  EXPECT_FALSE(Matches("(ab|cd)+e", "xxcdab"));
  EXPECT_TRUE(Matches("a(b|c)?d", "ad"));
  EXPECT_TRUE(Matches("a.*b", "a\x01\x02 b"));
  EXPECT_TRUE(Matches("colou?r", "the color"));
  // A long record text neither overflows the stack nor takes long.
  std::string ab;
  for (int i = 0; i < 300000; ++i) ab += "ab";
  EXPECT_TRUE(Matches("(a|b)*x", ab + "x"));
  EXPECT_TRUE(Matches("(ab)*c", ab + "c"));
  EXPECT_FALSE(Matches("(ab)*c", ab));
}

TEST(ByteRegExpr, RunawaySearchIsStopped) {
  TRegExpr re;
  re.SetBacktrackLimit(100000);
  re.SetExpression("(a|a)*b");
  try {
    re.Exec(std::string(40, 'a') + "cb");
    FAIL();
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.Message(), "Exec: backtrack limit exceeded");
  }
}

// The literal and the bytes the engine requires of a subject (RequiredLiteral, RequiredBytes) are
// held by every subject it matches, and the engine answers a subject without them false at once.
// The answer to hold them against comes from the same expression as the first of two top-level
// alternatives beside one that never matches: the engine searches that one without required or
// lead literal and without anchor.
TEST(ByteRegExpr, RequiredLiteralAndBytesHoldForEveryMatch) {
  std::mt19937 rng(38);
  TRandomRegExpr gen(rng, {"a", "A", "b", "c", "-", " ", "\xE9", "\xC9", "\xF6", "\\?", "\\x00"},
                     {"a", "A", "b", "c", "\xE9", "_"});
  const std::vector<std::string> alphabet = {"a", "A", "b",    "c",    "-", " ",
                                             "?", "1", "\xE9", "\xC9", "(", std::string(1, '\0')};
  int compared = 0, withLiteral = 0, withBytes = 0, rejected = 0, matched = 0;
  for (int i = 0; i < 4000; ++i) {
    const TRandomRegExpr::TCase made = gen.Next();
    const std::string& expr = made.Expression;
    TRegExpr re, plain;
    re.SetBacktrackLimit(20000);
    plain.SetBacktrackLimit(20000);
    try {
      re.SetExpression(expr);
      plain.SetExpression("(" + expr + ")|\x01\x02");
    } catch (const ERegExpr&) {
      continue;
    }
    const auto& literal = re.RequiredLiteral();
    const regexscan::StartSet* bytes = re.RequiredBytes();
    withLiteral += !literal.Empty();
    withBytes += bytes != nullptr;
    for (int k = 0; k < 6; ++k) {
      const std::string subject = gen.Subject(made, alphabet, k, 12);
      const auto* s = reinterpret_cast<const unsigned char*>(subject.data());
      const bool hasLiteral =
          literal.Empty() || regexscan::Find(literal, s, re.RequiredOffset(), subject.size()) < subject.size();
      const bool hasByte = !bytes || regexscan::FindStart(*bytes, s, 0, subject.size()) < subject.size();
      bool want = false, got = false;
      try {
        want = plain.Exec(subject);
        got = re.Exec(subject);
      } catch (const ERegExpr&) {
        continue;  // a runaway search on either side
      }
      ++compared;
      ASSERT_EQ(got, want) << "expression '" << expr << "' subject '" << subject << "'";
      if (!hasLiteral || !hasByte) {
        ++rejected;
        ASSERT_EQ(re.Steps(), 0) << "expression '" << expr << "' subject '" << subject << "'";
      }
      matched += want;
      if (want) {
        ASSERT_TRUE(hasLiteral && hasByte) << "expression '" << expr << "' subject '" << subject << "'";
      }
    }
  }
  EXPECT_GT(compared, 10000);
  EXPECT_GT(withLiteral, 1000);
  EXPECT_GT(withBytes, 500);
  EXPECT_GT(rejected, 3000);
  EXPECT_GT(matched, 4000);
}

// The search shortcuts of our own (the lead literal with sets and dots in it, tried from a window of
// starts before each occurrence where alternations or repeats before it vary in width; the run and
// alternative scans; the required literal) against the design's search of every start: the same
// answer for every expression and subject. Expressions are random, and some are made of the shapes
// the lead serves: alternations of literals before and after a literal, dots between letters, sets
// around a dot; subjects are built around a sample match, or random, of the same bytes. An
// expression that is one plain run of byte positions (PlainRun) also matches exactly where such a
// run occurs, without a backtracking step.
TEST(ByteRegExpr, SearchShortcutsChangeNoAnswer) {
  std::mt19937 rng(4711);
  TRandomRegExpr gen(rng, {"a", "B", "c", "_", "-", " ", "\xE9", "\\?", "\\x00", "ab", "Bc_"},
                     {"a", "B", "c", "_", "+"});
  const std::vector<std::string> alphabet = {"a",  "B",  "c",  "_", "-", " ", "+", "?", "\xE9", std::string(1, '\0'),
                                             "ab", "Bc", "c_", "aB"};
  auto word = [&] {
    std::string w;
    for (int n = 1 + int(rng() % 4); n > 0; --n) w += "aBc_"[rng() % 4];
    return w;
  };
  auto shaped = [&]() -> TRandomRegExpr::TCase {
    std::vector<std::string> left, right;
    for (int n = 1 + int(rng() % 6); n > 0; --n) left.push_back(word());
    for (int n = 1 + int(rng() % 3); n > 0; --n) right.push_back(word());
    auto join = [](const std::vector<std::string>& v) {
      std::string out;
      for (const std::string& w : v) out += (out.empty() ? "" : "|") + w;
      return out;
    };
    switch (rng() % 4) {
      case 0:
        return {"(" + join(left) + ")_(" + join(right) + ")", left[0] + "_" + right.back()};
      case 1:
        return {"a.B.c", "a-B_c"};
      case 2:
        return {"[aB].[+_]c", "B + c"};
      default:
        return {"(" + join(left) + ")+" + word() + ".(" + join(right) + ")?", left.back() + left[0] + "x" + right[0]};
    }
  };
  int compared = 0, matched = 0, masked = 0, plainRuns = 0;
  auto runAt = [](const std::vector<regexscan::StartSet>& run, const std::string& s, std::size_t at) {
    for (std::size_t k = 0; k < run.size(); ++k)
      if (at + k >= s.size() || !run[k].Has(static_cast<unsigned char>(s[at + k]))) return false;
    return true;
  };
  for (int i = 0; i < 5000; ++i) {
    const TRandomRegExpr::TCase made = i % 3 == 0 ? shaped() : gen.Next();
    TRegExpr fast, plain;
    plain.SetSearchShortcuts(false);
    for (TRegExpr* re : {&fast, &plain}) re->SetBacktrackLimit(50000);
    try {
      fast.SetExpression(made.Expression);
      plain.SetExpression(made.Expression);
    } catch (const ERegExpr&) {
      continue;
    }
    const auto& lead = fast.RequiredLiteral();
    for (std::size_t k = 0; k < lead.Size(); ++k) masked += lead.fold[k] != 0 && lead.fold[k] != 0x20;
    for (int k = 0; k < 6; ++k) {
      const std::string subject = gen.Subject(made, alphabet, k, 16);
      bool want = false, got = false;
      try {
        want = plain.Exec(subject);
        got = fast.Exec(subject);
      } catch (const ERegExpr&) {
        continue;  // a runaway search on either side
      }
      ++compared;
      matched += want;
      ASSERT_EQ(got, want) << "expression '" << made.Expression << "' subject '" << subject << "'";
      if (const auto& run = fast.PlainRun(); !run.empty()) {
        bool occurs = false;
        for (std::size_t at = 0; at < subject.size() && !occurs; ++at) occurs = runAt(run, subject, at);
        ASSERT_EQ(occurs, want) << "plain run of '" << made.Expression << "' in '" << subject << "'";
        ASSERT_EQ(fast.Steps(), 0) << made.Expression;
        ++plainRuns;
      }
    }
  }
  EXPECT_GT(compared, 20000);
  EXPECT_GT(matched, 6000);
  EXPECT_GT(masked, 500);  // leads with sets and dots in them were tried
  EXPECT_GT(plainRuns, 3000);
}
