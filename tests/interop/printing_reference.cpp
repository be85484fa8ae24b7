// The print engine's line breaking and roman numerals against small Python transcriptions of their
// rules, over many random lines and every number a page can carry.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "printing/SynPadPrintHeaderFooter.h"
#include "printing/SynPadPrintTypes.h"

namespace {

// Reads "MAXCOL LINE" per input line; prints the positions of tier 1, tier 2 and the hard cut, each
// as "found:p,p,..." separated by blanks.
constexpr const char* kWrapScript = R"PY(
import sys
def wrap(line, breaks, maxcol):
    if len(line) <= maxcol:
        return True, []
    out, cand, prev, found = [], 0, 0, False
    for i in range(1, len(line) + 1):
        need = i - prev > maxcol and cand != 0
        if not need:
            if line[i - 1] in breaks:
                cand = i
            continue
        found = True
        out.append(cand)
        prev = cand
        if len(line) - prev <= maxcol or i == len(line):
            break
        cand = 0
    return found, out
def hard(line, maxcol):
    out, pos = [], 0
    while len(line) - pos > maxcol:
        pos += maxcol
        out.append(pos)
    return out
for row in sys.stdin.read().split('\n'):
    if not row:
        continue
    maxcol, line = row.split(' ', 1)
    maxcol = int(maxcol)
    f1, p1 = wrap(line, '\t ,-', maxcol)
    f2, p2 = wrap(line, ').;', maxcol)
    fmt = lambda f, p: ('1' if f else '0') + ':' + ','.join(map(str, p))
    print(fmt(f1, p1), fmt(f2, p2), fmt(True, hard(line, maxcol)))
)PY";

constexpr const char* kRomanScript = R"PY(
def roman(n):
    out = ''
    for value, text in ((1000, 'M'), (900, 'CM'), (500, 'D'), (400, 'CD'), (100, 'C'), (90, 'XC'),
                        (50, 'L'), (40, 'XL'), (10, 'X'), (9, 'IX'), (5, 'V'), (4, 'IV'), (1, 'I')):
        while n >= value:
            out += text
            n -= value
    return out
print(' '.join(roman(n) for n in range(1, 4000)))
)PY";

std::string Format(bool found, const TWrapList& list) {
  std::string out = found ? "1:" : "0:";
  for (size_t i = 0; i < list.size(); ++i) out += (i ? "," : "") + std::to_string(list[i].Index);
  return out;
}

TEST(PrintingInterop, LineBreaksMatchThePythonTranscription) {
  REQUIRE_TOOL(python, "python3");
  std::mt19937 rng(6736);
  const std::string alphabet = "abcdefgh\t ,-).;xyz";
  std::vector<std::pair<int, std::string>> cases;
  for (int i = 0; i < 10000; ++i) {
    std::string line;
    const int len = static_cast<int>(rng() % 300);
    // Some lines are mostly letters, so long windows without a break occur.
    const size_t letters = rng() % 2 ? 8 : alphabet.size();
    for (int k = 0; k < len; ++k) line += alphabet[rng() % (rng() % 6 ? letters : alphabet.size())];
    cases.emplace_back(1 + static_cast<int>(rng() % 120), line);
  }
  std::ostringstream input;
  for (const auto& [maxCol, line] : cases) input << maxCol << ' ' << line << '\n';
  const auto result = testsupport::RunProcess(python, {"-c", kWrapScript}, input.str(), 300);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream answers(result.out);
  int mismatches = 0, broken = 0;
  for (const auto& [maxCol, line] : cases) {
    std::string expected;
    ASSERT_TRUE(std::getline(answers, expected));
    const std::u16string wide(line.begin(), line.end());
    TWrapList l1, l2, l3;
    const bool f1 = WrapText(wide, kPrintBreakChars1, maxCol, l1);
    const bool f2 = WrapText(wide, kPrintBreakChars2, maxCol, l2);
    HardCutLine(wide, maxCol, l3);
    const std::string mine = Format(f1, l1) + " " + Format(f2, l2) + " " + Format(true, l3);
    broken += !l1.empty();
    if (mine != expected && ++mismatches <= 5)
      ADD_FAILURE() << maxCol << " [" << line << "]: " << mine << " vs " << expected;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(broken, 3000);
  // A width of nothing still ends.
  TWrapList list;
  WrapText(u"a,b,c", kPrintBreakChars1, 0, list);
  HardCutLine(u"abc", 0, list);
  EXPECT_EQ(list.size(), 4u);
}

TEST(PrintingInterop, RomanNumeralsMatchThePythonReference) {
  REQUIRE_TOOL(python, "python3");
  const auto result = testsupport::RunProcess(python, {"-c", kRomanScript});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::string mine;
  for (int n = 1; n < 4000; ++n) {
    const std::u16string r = IntToRoman(n);
    mine += (n > 1 ? " " : "") + std::string(r.begin(), r.end());
  }
  EXPECT_EQ(mine + "\n", result.out);
}

}  // namespace
