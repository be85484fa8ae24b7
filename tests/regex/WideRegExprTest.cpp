// The wide engine: compiler errors and their positions, syntax edge cases, the search, loops,
// Substitute and Replace, and robustness on long subjects.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "platform/WideChar.h"
#include "regex/SynRegExpr.h"

using synregexpr::ERegExpr;
using synregexpr::TRegExpr;

namespace {

// Code and message of the error raised when compiling expr (0/"" when it compiles).
std::pair<int, std::string> CompileError(std::u16string_view expr, std::u16string_view mods = u"") {
  TRegExpr re;
  if (!mods.empty()) re.SetModifierStr(mods);
  re.SetExpression(expr);
  try {
    re.Compile();
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.ErrorCode, re.LastError());
    return {e.ErrorCode, e.Message()};
  }
  return {0, ""};
}

// "pos,len" of group 0 of the first match, or "none".
std::string First(std::u16string_view expr, std::u16string_view subject, std::u16string_view mods = u"") {
  TRegExpr re;
  if (!mods.empty()) re.SetModifierStr(mods);
  re.SetExpression(expr);
  if (!re.Exec(subject)) return "none";
  return std::to_string(re.MatchPos(0)) + "," + std::to_string(re.MatchLen(0));
}

std::string All(TRegExpr& re, std::u16string_view subject) {
  std::string out;
  if (re.Exec(subject)) {
    do out += std::to_string(re.MatchPos(0)) + ":" + std::to_string(re.MatchLen(0)) + " ";
    while (re.ExecNext());
  }
  return out;
}

}  // namespace

TEST(WideRegExprErrors, MessagesCodesAndPositions) {
  struct Case {
    std::u16string expr;
    int code;
    std::string message;
  } cases[] = {
      {u"[ab", 113, "TRegExpr(comp): Unmatched [] (pos 3)"},
      {u"a**", 107, "TRegExpr(comp): Nested *?+ (pos 2)"},
      {u"a{2}{3}", 107, "TRegExpr(comp): Nested *?+ (pos 4)"},
      {u"a*??", 107, "TRegExpr(comp): Nested *?+ (pos 3)"},
      {u"(a?)*", 106, "TRegExpr(comp): *+ Operand Could Be Empty (pos 4)"},
      {u"()+", 106, "TRegExpr(comp): *+ Operand Could Be Empty (pos 2)"},
      {u"^{x", 106, "TRegExpr(comp): *+ Operand Could Be Empty (pos 1)"},
      {u"${", 106, "TRegExpr(comp): *+ Operand Could Be Empty (pos 1)"},
      {u"\\x{10000}", 112, "TRegExpr(comp): Hex Code After \\x Is Too Big (pos 7)"},
      {u"\\xZZ", 108, "TRegExpr(comp): Bad Hex Digit (pos 2)"},
      {u"\\x", 111, "TRegExpr(comp): No Hex Code After \\x (pos 2)"},
      {u"\\x{12", 111, "TRegExpr(comp): No Hex Code After \\x (pos 5)"},
      {u"a{123456789}", 122, "TRegExpr(comp): BRACES Argument Too Big (pos 11)"},
      {u"a{3,2}", 124, "TRegExpr(comp): BRACE Min Param Greater then Max (pos 5)"},
      {u"[z-a]", 109, "TRegExpr(comp): Invalid [] Range (pos 3)"},
      {u"[a\\", 110, "TRegExpr(comp): Parse Atom Trailing \\ (pos 3)"},
      {u"ab\\", 116, "TRegExpr(comp): Trailing \\ (pos 3)"},
      {u"*a", 115, "TRegExpr(comp): ?+*{ Follows Nothing (pos 1)"},
      {u"(a", 103, "TRegExpr(comp): ParseReg Unmatched () (pos 2)"},
      {u"a)", 104, "TRegExpr(comp): ParseReg Unmatched () (pos 1)"},
      {u"(?#abc", 125, "TRegExpr(comp): Unclosed (?#Comment) (pos 6)"},
      {u"(?q)", 127, "TRegExpr(comp): Urecognized Modifier (pos 2)"},
      {u"(?i", 127, "TRegExpr(comp): Urecognized Modifier (pos 3)"},
      {u"ab *", 106, "TRegExpr(comp): *+ Operand Could Be Empty (pos 3)"},  // with x: blanks are an empty atom
  };
  for (const auto& c : cases) {
    auto [code, msg] = CompileError(c.expr, c.expr == u"ab *" ? u"x" : u"");
    EXPECT_EQ(code, c.code) << c.message;
    EXPECT_EQ(msg, c.message);
    EXPECT_EQ(msg.substr(0, 15), "TRegExpr(comp):");
  }
  // Fifteen numbered groups are one too many.
  std::u16string groups;
  for (int i = 0; i < 14; ++i) groups += u"(a)";
  EXPECT_EQ(CompileError(groups).first, 0);
  EXPECT_EQ(CompileError(groups + u"(a)").first, 102);
  EXPECT_EQ(CompileError(u"\\x{1000}").first, 0);
  EXPECT_EQ(CompileError(u"a{12345678}").first, 0);
}

TEST(WideRegExprErrors, TableTexts) {
  TRegExpr re;
  EXPECT_EQ(re.ErrorMsg(0), "No errors");
  EXPECT_EQ(re.ErrorMsg(103), re.ErrorMsg(104));
  EXPECT_EQ(re.ErrorMsg(119), "TRegExpr(comp): RarseAtom Internal Disaster");
  EXPECT_EQ(re.ErrorMsg(128),
            "TRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all");
  EXPECT_EQ(re.ErrorMsg(1006), "TRegExpr(exec): Offset Must Be Greater Then 0");
  EXPECT_EQ(re.ErrorMsg(1015), "TRegExpr(exec): Loop Without LoopEntry !");
  EXPECT_EQ(re.ErrorMsg(1011), "TRegExpr(dump): Corrupted Opcode");
  EXPECT_EQ(re.ErrorMsg(2000), "TRegExpr(misc): Bad p-code imported");
  EXPECT_EQ(re.ErrorMsg(1013), "Unknown error");
  EXPECT_EQ(re.ErrorMsg(117), "Unknown error");
  EXPECT_NE(re.ErrorMsg(126).find("{.$DEFINE ComplexBraces}"), std::string::npos);
}

TEST(WideRegExprErrors, ExecutionErrors) {
  auto code = [](auto fn) {
    try {
      fn();
    } catch (const ERegExpr& e) {
      return std::make_pair(e.ErrorCode, e.Message());
    }
    return std::make_pair(0, std::string());
  };
  TRegExpr re;
  EXPECT_EQ(code([&] { re.Compile(); }).first, 1003);
  EXPECT_EQ(code([&] { re.Exec(u"abc"); }),
            std::make_pair(1003, std::string("TRegExpr(exec): Not Assigned Expression Property")));
  TRegExpr fresh;
  fresh.SetExpression(u"a");
  EXPECT_EQ(code([&] { fresh.ExecPos(1); }).first, 1005);
  EXPECT_EQ(code([&] { fresh.ExecNext(); }),
            std::make_pair(1007, std::string("TRegExpr(exec): ExecNext Without Exec[Pos]")));
  re.SetExpression(u"a");
  EXPECT_FALSE(re.Exec(u"bbb"));
  EXPECT_EQ(code([&] { re.ExecNext(); }).first, 1007);  // a failed search leaves no match to continue from
  EXPECT_EQ(code([&] { re.ExecPos(0); }).first, 1006);
  EXPECT_FALSE(re.ExecPos(5));  // past the end + 1: no error
  EXPECT_EQ(code([&] { re.SetModifier(7, true); }), std::make_pair(1013, std::string("Unknown error")));
  EXPECT_EQ(code([&] { re.SetLinePairedSeparator(u"abc"); }).second,
            "TRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all (pos 0)");
  EXPECT_EQ(code([&] { re.SetLinePairedSeparator(u"aa"); }).first, 128);
  EXPECT_EQ(code([&] { re.SetModifierStr(u"iq"); }).first, 127);
  // A failed compile reports its position until the next compile.
  re.SetExpression(u"ab[");
  EXPECT_EQ(code([&] { re.Compile(); }).first, 113);
  EXPECT_EQ(re.CompilerErrorPos(), 3);
  re.SetExpression(u"ab");
  re.Compile();
  EXPECT_EQ(re.CompilerErrorPos(), 0);
}

TEST(WideRegExprSyntax, BracesThatAreNoQuantifier) {
  EXPECT_EQ(First(u"a{,3}", u"xa{,3}"), "2,5");
  EXPECT_EQ(First(u"a{2", u"aa{2"), "2,3");
  EXPECT_EQ(First(u"a{2,x}", u"a{2,x}"), "1,6");
  EXPECT_EQ(First(u"a{2}", u"aaa"), "1,2");
  EXPECT_EQ(First(u"a{2,}", u"aaaa"), "1,4");
  EXPECT_EQ(First(u"a{0}b", u"ab"), "2,1");
}

TEST(WideRegExprSyntax, RunsAndQuantifiers) {
  EXPECT_EQ(First(u"abc*", u"abccc"), "1,5");
  EXPECT_EQ(First(u"abc*", u"ababc"), "1,2");
  EXPECT_EQ(First(u"abc{2}", u"abcabcc"), "4,4");
  EXPECT_EQ(First(u"(a|)", u"b"), "1,0");
  EXPECT_EQ(First(u"a*?", u"aaa"), "1,0");
  EXPECT_EQ(First(u"a+?", u"aaa"), "1,1");
  EXPECT_EQ(First(u"a{2,3}?", u"aaaa"), "1,2");
  EXPECT_EQ(First(u"a??b", u"ab"), "1,2");
  EXPECT_EQ(First(u"(ab)+?", u"ababab"), "1,2");
  EXPECT_EQ(First(u"(ab)*?c", u"ababc"), "1,5");
  // With g off every quantifier is non-greedy.
  EXPECT_EQ(First(u"a+", u"aaa", u"-g"), "1,1");
  EXPECT_EQ(First(u"a+?", u"aaa", u"-g"), "1,1");
}

TEST(WideRegExprSyntax, ModifierGroupsAndExtendedMode) {
  EXPECT_EQ(First(u"((?i)a)a", u"Aa"), "1,2");
  EXPECT_EQ(First(u"((?i)a)a", u"AA"), "none");
  EXPECT_EQ(First(u"(?i)abc", u"xABC"), "2,3");
  EXPECT_EQ(First(u"(?i)a(?-i)b", u"Ab AB"), "1,2");
  EXPECT_EQ(First(u"a b # note", u"xab", u"x"), "2,2");
  EXPECT_EQ(First(u"a(?x) b", u"a b ab"), "5,2");
  EXPECT_EQ(First(u"a(?#comment)b", u"ab"), "1,2");
  EXPECT_EQ(First(u"(?)a", u"a"), "1,1");
}

TEST(WideRegExprSyntax, Sets) {
  EXPECT_EQ(First(u"[]a]+", u"x]a]"), "2,3");
  EXPECT_EQ(First(u"[a-]+", u"x-a-"), "2,3");
  EXPECT_EQ(First(u"[a-\\d]+", u"x-a5"), "2,3");
  EXPECT_EQ(First(u"[^a-c]", u"abcd"), "4,1");
  EXPECT_EQ(First(u"[\\D]", u"12D"), "3,1");  // class escapes other than \d \w \s give their letter
  EXPECT_EQ(First(u"[\\x41-\\x43]+", u"ABCD"), "1,3");
  EXPECT_EQ(First(u"[\\n]", u"a\nb"), "2,1");
  EXPECT_EQ(First(u"[AB]+", u"xaAb", u"i"), "2,3");
  EXPECT_EQ(First(u"[^A]", u"aAb", u"i"), "3,1");
  // Cyrillic ranges with r: YO sorts after YE; without r they are plain ranges.
  EXPECT_EQ(First(u"[\u0430-\u044f]", u"x\u0451"), "2,1");
  EXPECT_EQ(First(u"[\u0410-\u042f]", u"x\u0401"), "2,1");
  EXPECT_EQ(First(u"[\u0430-\u042f]+", u"x\u0451\u0401"), "2,2");
  EXPECT_EQ(First(u"[\u0430-\u044f]", u"x\u0451", u"-r"), "none");
  EXPECT_EQ(CompileError(u"[\u0430-\u042f]", u"-r").first, 109);
}

// Sets of thousands of members (ranges are kept as all their characters), with repeats, negated
// and ignoring case, matched against every UTF-16 unit. One engine compiles them in turn, so what
// it keeps of a set from one program must not answer for the next.
TEST(WideRegExprSyntax, LargeSetsAgainstEveryUnit) {
  // Every unit once, each on its own: the high surrogates come last, so that none pairs with a low one.
  std::u16string every;
  for (char32_t c = 1; c <= 0xFFFF; ++c)
    if (c < 0xD800 || c > 0xDBFF) every.push_back(char16_t(c));
  for (char32_t c = 0xD800; c <= 0xDBFF; ++c) every.push_back(char16_t(c));
  // Ignoring case, a unit matches where a member is one of its variants under folding.
  auto anyVariant = [](char16_t c, const std::function<bool(char16_t)>& in) {
    for (char32_t v : widechar::CaseVariants(widechar::Fold(c)))
      if (v < 0x10000 && in(char16_t(v))) return true;
    return false;
  };
  struct Case {
    std::u16string expr, mods;
    std::function<bool(char16_t)> member;
  };
  const Case cases[] = {
      {u"[\\x{0100}-\\x{2FFF}\\x{0100}-\\x{0200}z]", u"",
       [](char16_t c) { return (c >= 0x100 && c <= 0x2FFF) || c == 'z'; }},
      {u"[\\x{5000}-\\x{5FFF}]", u"", [](char16_t c) { return c >= 0x5000 && c <= 0x5FFF; }},
      {u"[^\\x{0300}-\\x{0FFF}a]", u"", [](char16_t c) { return !(c >= 0x300 && c <= 0xFFF) && c != 'a'; }},
      // Ignoring case (the Kelvin sign and the long s among the Latin letters); the Cyrillic capitals
      // take YO with r.
      {u"[A-Z\\x{0410}-\\x{042F}\\x{3000}-\\x{3040}]", u"i",
       [&](char16_t c) {
         auto in = [](char16_t u) {
           return (u >= 'A' && u <= 'Z') || (u >= 0x410 && u <= 0x42F) || u == 0x401 || (u >= 0x3000 && u <= 0x3040);
         };
         return anyVariant(c, in);
       }},
      {u"[\\x{0100}-\\x{01FF}]+", u"", [](char16_t c) { return c >= 0x100 && c <= 0x1FF; }},
  };
  TRegExpr re;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.expr.begin(), c.expr.end()));
    re.SetModifierStr(u"-i");
    if (!c.mods.empty()) re.SetModifierStr(c.mods);
    re.SetExpression(c.expr);
    std::string want, got;
    // Runs of members for "+", single members otherwise.
    const bool runs = c.expr.back() == u'+';
    for (std::size_t i = 0; i < every.size(); ++i) {
      if (!c.member(every[i])) continue;
      std::size_t end = i + 1;
      if (runs)
        while (end < every.size() && c.member(every[end])) ++end;
      want += std::to_string(i + 1) + ":" + std::to_string(end - i) + " ";
      i = end - 1;
    }
    got = All(re, every);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "first difference at "
                             << std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  }
}

TEST(WideRegExprSyntax, NulIsAnOrdinaryCharacter) {
  std::u16string subject(u"ab");
  subject.insert(1, 1, u'\0');
  EXPECT_EQ(First(u"\\x00", u"abc"), "none");
  EXPECT_EQ(First(u"\\x00", subject), "2,1");
  EXPECT_EQ(First(u"\\x{0}b", subject), "2,2");
  EXPECT_EQ(First(u"[\\x00a]", u"xa"), "2,1");
  // An embedded NUL ends the line for "$" and ".", while the search goes on past it.
  EXPECT_EQ(First(u"a$", subject), "1,1");
  EXPECT_EQ(First(u"a.b", subject), "none");
  EXPECT_EQ(First(u"b", subject), "3,1");
}

TEST(WideRegExprSyntax, MustContainOnlyWithOneAlternative) {
  EXPECT_EQ(First(u"a*b|c", u"c"), "1,1");
  EXPECT_EQ(First(u"x*abc", u"zzabd"), "none");
  EXPECT_EQ(First(u"x*abc", u"zzabc"), "3,3");
  EXPECT_EQ(First(u"^ab", u"cab"), "none");
}

TEST(WideRegExprSyntax, ProgramLayout) {
  TRegExpr re;
  re.SetExpression(u"abc*");
  EXPECT_EQ(re.Dump(), "1:BRANCH (20)\n4:EXACTLY (11) ab\n11:STAR (20)\n14:EXACTLY (0) c\n20:END (0)\n");
  re.SetExpression(u"(a|b){2,3}");
  std::string d = re.Dump();
  EXPECT_NE(d.find("LOOPENTRY"), std::string::npos);
  EXPECT_NE(d.find("LOOP ("), std::string::npos);
  EXPECT_NE(d.find("{2,3}"), std::string::npos);
}

TEST(WideRegExprExec, LineModesAndSeparators) {
  std::u16string crlf = u"a\r\nb";
  EXPECT_EQ(First(u"^b", crlf, u"m"), "4,1");
  TRegExpr re;
  re.SetModifierStr(u"m");
  re.SetExpression(u"^");
  EXPECT_EQ(All(re, crlf), "1:0 4:0 ");  // never between CR and LF
  re.SetExpression(u"$");
  EXPECT_EQ(All(re, crlf), "2:0 5:0 ");
  EXPECT_EQ(First(u"^b", u"\u2028b", u"m"), "2,1");
  EXPECT_EQ(First(u"a$", u"a\u0085", u"m"), "1,1");
  // Parentheses and the ellipsis are no line separators.
  EXPECT_EQ(First(u"^b", u"(b", u"m"), "none");
  EXPECT_EQ(First(u"a$", u"a)", u"m"), "none");
  EXPECT_EQ(First(u".", u"(", u"-s"), "1,1");
  EXPECT_EQ(First(u".", u"\u2026", u"-s"), "1,1");
  EXPECT_EQ(First(u"a.b", u"a\nb", u"-s"), "none");
  EXPECT_EQ(First(u"a.b", u"a\nb"), "1,3");
  // The pair's tail at the very start and its head at the very end are read safely.
  EXPECT_EQ(First(u"$", u"\nx", u"m"), "1,0");
  EXPECT_EQ(First(u"x^", u"x\r", u"m"), "none");
  re.SetLinePairedSeparator(u"");
  re.SetExpression(u"^");
  EXPECT_EQ(All(re, crlf), "1:0 3:0 4:0 ");
}

TEST(WideRegExprExec, SearchSteps) {
  TRegExpr re;
  re.SetExpression(u"a*");
  EXPECT_EQ(All(re, u"bbb"), "1:0 2:0 3:0 4:0 ");
  re.SetExpression(u"^a");
  EXPECT_TRUE(re.Exec(u"aa"));
  EXPECT_FALSE(re.ExecNext());
  re.SetExpression(u"\\bab\\b");
  EXPECT_EQ(All(re, u"ab ab_ab ab"), "1:2 10:2 ");
  re.SetExpression(u"\\Ba");
  EXPECT_EQ(All(re, u"a ba"), "4:1 ");
  EXPECT_EQ(re.MatchPos(15), -1);
  EXPECT_EQ(re.MatchLen(-1), -1);
  re.SetExpression(u"(a)|(b)");
  ASSERT_TRUE(re.Exec(u"b"));
  EXPECT_EQ(re.MatchPos(1), -1);
  EXPECT_EQ(re.MatchPos(2), 1);
  // Ignoring case folds every letter, not ASCII alone.
  EXPECT_EQ(First(u"\u00e9", u"\u00c9", u"i"), "1,1");
  EXPECT_EQ(First(u"abc", u"xABC", u"i"), "2,3");
  // A modifier change is noticed at the next execution.
  re.SetExpression(u"A");
  EXPECT_FALSE(re.Exec(u"a"));
  re.SetModifier(synregexpr::ModifierI, true);
  EXPECT_TRUE(re.Exec(u"a"));
  EXPECT_EQ(re.ModifierStr(), u"irsg-mx");
}

// A character beyond U+FFFF is one character for ".", sets (members and ranges), negated sets,
// the negated classes and repeats; no match starts or ends between the halves of a pair.
TEST(WideRegExprExec, SurrogatePairsAreOneCharacter) {
  struct Case {
    std::u16string expr, subject, want, mods = u"";
  } cases[] = {
      {u"[👍🏽]+", u"skin: 👍🏽👋🏿 end", u"7:4 "},
      {u"[👍-👏]", u"👋😀👏", u"5:2 "},
      {u"[^a]", u"a👍a", u"2:2 "},
      {u"(.)(.)", u"👍漢a", u"1:3 "},
      {u"\\W\\S", u"👋🏿 x", u"1:4 5:2 "},
      {u"\\S+", u"👋🏿 x", u"1:4 6:1 "},
      {u".{2}", u"😀😀😀", u"1:4 "},
      {u"😀+", u"😀😀x😀", u"1:4 6:2 "},
      {u"a😀?b", u"ab a😀b", u"1:2 4:4 "},
      {u"😀*", u"😀x", u"1:2 3:0 4:0 "},
      {u"[😀]*?x", u"😀😀x", u"1:5 "},
      {u"\\x{D83D}", u"😀", u""},
      {u"[😀-😁]", std::u16string{0xD83D, 0xDE00, 0xDE01}, u"1:2 "},  // a lone low half is no character of the range
      {u"𐐀+", u"𐐨𐐀𐐨", u"1:6 ", u"i"},
      {u"[𐐀a]", u"𐐨A", u"1:2 3:1 ", u"i"},
      {u"σ", u"ΣςΣ", u"1:1 2:1 3:1 ", u"i"},
      {u"[k]", u"K\u212a", u"1:1 2:1 ", u"i"},
  };
  for (const Case& c : cases) {
    TRegExpr re;
    if (!c.mods.empty()) re.SetModifierStr(c.mods);
    re.SetExpression(c.expr);
    EXPECT_EQ(All(re, c.subject), std::string(c.want.begin(), c.want.end())) << "case " << (&c - cases);
  }
  TRegExpr re;
  re.SetExpression(u"(.)(.)");
  EXPECT_EQ(re.Replace(u"👍", u"<$2$1>", true), u"👍");
  EXPECT_EQ(re.Replace(u"👍👋", u"<$2$1>", true), u"<👋👍>");
  re.SetExpression(u"[👍🏽]+");
  EXPECT_EQ(re.Replace(u"👍🏽👋🏿", u"X", false), u"X👋🏿");
}

TEST(WideRegExprExec, LoopCountersSurviveBacktracking) {
  EXPECT_EQ(First(u"(ab|a){1,2}bc", u"abc"), "1,3");
  EXPECT_EQ(First(u"((a)+?b){2}", u"abab"), "1,4");
  EXPECT_EQ(First(u"((a)+?b){1,2}", u"ababab"), "1,4");
  std::u16string twelve;
  for (int i = 0; i < 12; ++i) twelve += u"ab";
  EXPECT_EQ(First(u"((a)+?b){1,20}", twelve), "1,24");
  EXPECT_EQ(First(u"(a|ab)(c|bcd){1,3}(d*)", u"abcd"), "1,4");
  EXPECT_EQ(First(u"((ab){2}c){2}", u"ababcababc"), "1,10");
  // Eleven nested counted loops exceed the loop stack.
  std::u16string nest = u"a";
  for (int i = 0; i < 11; ++i) nest = u"(" + nest + u"){1,2}";
  TRegExpr re;
  re.SetExpression(nest);
  try {
    re.Exec(u"a");
    FAIL() << "no error";
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.ErrorCode, 1014);
  }
}

TEST(WideRegExprExec, BackReferences) {
  TRegExpr re;
  re.SetExpression(u"(a+)b\\1");
  ASSERT_TRUE(re.Exec(u"xaabaa"));
  EXPECT_EQ(re.MatchPos(0), 2);
  EXPECT_EQ(re.MatchLen(0), 5);
  EXPECT_EQ(First(u"(ab)\\1*c", u"abababc"), "1,7");
  EXPECT_EQ(First(u"(ab)\\1{2}", u"abababab"), "1,6");
  EXPECT_EQ(First(u"(ab)\\1*?c", u"ababc"), "1,5");
  EXPECT_EQ(First(u"(a)\\1", u"aA", u"i"), "1,2");
  // An empty group text repeats exactly min times, never leaving the subject.
  EXPECT_EQ(First(u"(x*)\\1*y", u"aay"), "3,1");
  EXPECT_EQ(First(u"(x*)\\1{3,5}y", u"y"), "1,1");
  EXPECT_EQ(First(u"(x*)\\1+?y", u"y"), "1,1");
  EXPECT_EQ(First(u"(x*)(\\1)*y", u"y"), "1,1");
  EXPECT_EQ(First(u"(x*)(\\1){2,}?y", u"y"), "1,1");
  EXPECT_EQ(First(u"\\1(a)", u"aa"), "none");
}

TEST(WideRegExprReplace, SubstituteTemplates) {
  TRegExpr re;
  re.SetExpression(u"b(c)");
  ASSERT_TRUE(re.Exec(u"abcd"));
  EXPECT_EQ(re.Substitute(u"x${1}y"), u"xcy");
  EXPECT_EQ(re.Substitute(u"x$1y"), u"xcy");
  EXPECT_EQ(re.Substitute(u"$&|${&}|${}"), u"bc|bc|bc");
  EXPECT_EQ(re.Substitute(u"$x ${1"), u"$x ${1");
  EXPECT_EQ(re.Substitute(u"[$20][$99999999999999999999]"), u"[][]");
  EXPECT_EQ(re.Substitute(u"\\$1 \\\\ end\\"), u"$1 \\ end\\");
  EXPECT_EQ(re.Substitute(u""), u"");
  EXPECT_EQ(re.Substitute(u"$\u0661"), u"$\u0661");  // only digits below 256 count
}

TEST(WideRegExprReplace, GlobalReplace) {
  TRegExpr re;
  re.SetExpression(u"-");
  EXPECT_EQ(re.Replace(u"a-b-c", u"+", false), u"a+b+c");
  re.SetExpression(u"(\\w)-");
  EXPECT_EQ(re.Replace(u"a-b-c", u"$1=", true), u"a=b=c");
  EXPECT_EQ(re.Replace(u"a-b-c", u"$1=", false), u"$1=$1=c");
  re.SetExpression(u"a*");
  EXPECT_EQ(re.Replace(u"baac", u"-", false), u"-b--c-");
  re.SetExpression(u"x");
  EXPECT_EQ(re.Replace(u"abc", u"-", false), u"abc");
  EXPECT_EQ(re.Replace(u"", u"-", false), u"");
}

TEST(WideRegExprRobustness, LongSubjectsUseTheHeap) {
  std::u16string ab;
  for (int i = 0; i < 500000; ++i) ab += u"ab";
  TRegExpr re;
  auto t0 = std::chrono::steady_clock::now();
  re.SetExpression(u"(ab)*c");
  EXPECT_TRUE(re.Exec(ab + u"c"));
  EXPECT_EQ(re.MatchLen(0), int(ab.size()) + 1);
  EXPECT_FALSE(re.Exec(ab));  // must-contain "c" rejects at once
  re.SetExpression(u"(a|b)*x");
  EXPECT_TRUE(re.Exec(ab + u"x"));
  EXPECT_EQ(re.MatchLen(0), int(ab.size()) + 1);
  re.SetExpression(u".*x");
  EXPECT_TRUE(re.Exec(ab + u"x"));
  EXPECT_EQ(re.MatchLen(0), int(ab.size()) + 1);
  re.SetExpression(u"(a|b)*");
  EXPECT_TRUE(re.Exec(ab));
  EXPECT_EQ(re.MatchLen(0), int(ab.size()));
  auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(secs, 30.0);  // generous: sanitizer builds are slow
}

TEST(WideRegExprRobustness, RunawaySearchRaisesItsOwnError) {
  TRegExpr re;
  re.SetBacktrackLimit(100000);
  re.SetExpression(u"(a|a)*b");
  try {
    re.Exec(std::u16string(40, u'a') + u"cb");
    FAIL() << "no error";
  } catch (const ERegExpr& e) {
    EXPECT_EQ(e.ErrorCode, synregexpr::reeBacktrackLimitExceeded);
    EXPECT_EQ(e.Message(), "TRegExpr(exec): Backtrack Limit Exceeded");
  }
  // Within the bound the same expression still answers.
  EXPECT_TRUE(re.Exec(u"aaab"));
}
