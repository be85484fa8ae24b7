// The plain search engine compared with Python's re.finditer(re.escape(pattern)) on random texts:
// leftmost non-overlapping occurrences, case folded per character when match case is off, and the
// whole-word rule as look-arounds over the delimiter set.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "TestSupport.h"
#include "editor/SynPadSearch.h"

namespace {

const char* kSearchScript = R"PY(
import re, sys
DELIMS = '\x00-\x2f\x3a-\x40\x5b-\x5e\x60\x7b-\x7e\xa7\xb0\xb4'
def text(h):
    return bytes.fromhex(h).decode('utf-16-le', 'surrogatepass')
out = []
for line in sys.stdin.read().split('\n'):
    if not line:
        continue
    opts, p, t = line.split(' ')
    opts = int(opts); p = text(p); t = text(t) if t != '-' else ''
    if not opts & 1:
        p = p.lower(); t = t.lower()
    rx = re.escape(p)
    if opts & 2:
        rx = '(?<![^' + DELIMS + '])' + rx + '(?![^' + DELIMS + '])'
    out.append(' '.join(str(m.start() + 1) for m in re.finditer(rx, t)))
sys.stdout.write('\n'.join(out) + '\n')
)PY";

using testsupport::Utf16LeHex;

}  // namespace

TEST(HlMultiInterop, PlainSearchMatchesPythonRe) {
  REQUIRE_TOOL(python, "python3");
  std::mt19937 rng(6150);
  // Letters whose lower case is one code unit in both worlds, delimiters from every range of the
  // set, the underscore, digits and a NUL.
  std::u16string alphabet =
      u"aAbBzZ09_ .-:@[^`{~\u00a7\u00b0\u00b4\u00b5\u00c4\u00e4\u00c9\u00e9\u0391\u03b1\u0416\u0436";
  alphabet.push_back(u'\0');
  struct Case {
    TSynSearchOptions options;
    std::u16string pattern, text;
  };
  std::vector<Case> cases;
  for (int i = 0; i < 4000; ++i) {
    Case c;
    c.options = static_cast<TSynSearchOptions>(rng() % 4);
    const int pl = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < pl; ++k) c.pattern.push_back(alphabet[rng() % 10]);
    const int tl = static_cast<int>(rng() % 60);
    for (int k = 0; k < tl; ++k) c.text.push_back(alphabet[rng() % alphabet.size()]);
    // Plant the pattern (in random letter case) a few times.
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
      std::u16string planted = c.pattern;
      for (auto& ch : planted)
        if (rng() % 2 && ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - 32);
      c.text.insert(c.text.size() ? rng() % c.text.size() : 0, planted);
    }
    cases.push_back(std::move(c));
  }
  std::ostringstream input;
  for (const auto& c : cases)
    input << int(c.options) << ' ' << Utf16LeHex(c.pattern) << ' ' << (c.text.empty() ? "-" : Utf16LeHex(c.text))
          << '\n';
  const auto result = testsupport::RunProcess(python, {"-c", kSearchScript}, input.str(), 300);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream answers(result.out);
  std::string expected;
  int mismatches = 0, found = 0;
  for (const auto& c : cases) {
    ASSERT_TRUE(std::getline(answers, expected));
    TSynPadSearch s;
    s.SetOptions(c.options);
    s.SetPattern(c.pattern);
    const int n = s.FindAll(c.text);
    std::string mine;
    for (int i = 0; i < n; ++i) mine += (i ? " " : "") + std::to_string(s.Results(i));
    found += n;
    if (mine != expected && ++mismatches <= 5)
      ADD_FAILURE() << int(c.options) << " " << Utf16LeHex(c.pattern) << " " << Utf16LeHex(c.text) << ": " << mine
                    << " vs " << expected;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(found, 2000);
}
