// The single-byte engine: its message texts, the program size limit, the Windows-1251 option,
// the rule that a non-empty subject's end is never tried, and what it requires of a subject.
#include <gtest/gtest.h>

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
  // A range starts at the byte written last: after \d that is "9".
  EXPECT_TRUE(Matches("^[\\d-z]$", "a"));
  EXPECT_TRUE(Matches("^[\\d-z]", ":"));
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
