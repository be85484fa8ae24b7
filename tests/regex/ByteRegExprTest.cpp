// The single-byte engine: its message texts, the program size limit, the Windows-1251 option and
// the rule that a non-empty subject's end is never tried.
#include <gtest/gtest.h>

#include <string>

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
