// Line splitting of the editor's line buffer (CR, LF, CR LF, U+2028 and the file-format guess) and of
// the plain wide-string list (NUL, LF, VT, FF, CR, U+2028, U+2029) compared with Python's re on
// random texts.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "TestSupport.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynUnicode.h"

namespace {

// Python reads one text per line (UTF-16 units as hex) and answers with the lines of each split.
const char* kSplitScript = R"PY(
import re, sys
LS = re.compile('\u2028\r?\n?|\r\n?|\n')
BASE = re.compile('\r\n|[\n\x0b\x0c\r\u2028\u2029]')
def hexes(parts):
    return ','.join(p.encode('utf-16-le').hex() for p in parts)
out = []
for line in sys.stdin.read().split('\n'):
    if not line:
        continue
    mode, h = line.split(' ', 1) if ' ' in line else (line, '')
    t = bytes.fromhex(h).decode('utf-16-le', 'surrogatepass')
    if mode == 'S':
        parts = LS.split(t) if t else []
        if '\u2028' in t: fmt = 3
        elif '\r' in t and '\n' not in t: fmt = 2
        elif '\n' in t and '\r' not in t: fmt = 1
        else: fmt = 0
        out.append('%d %d %s' % (fmt, len(parts), hexes(parts)))
    else:
        t = t.split('\0')[0]
        parts = BASE.split(t) if t else []
        # A trailing break adds no empty last line.
        if t and t[-1] in '\n\x0b\x0c\r\u2028\u2029':
            parts = parts[:-1]
        out.append('- %d %s' % (len(parts), hexes(parts)))
sys.stdout.write('\n'.join(out) + '\n')
)PY";

using testsupport::Utf16LeHex;

std::string Describe(const TWideStrings& lines) {
  std::string joined;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i) joined += ',';
    joined += Utf16LeHex(lines.Get(i));
  }
  return std::to_string(lines.Count()) + " " + joined;
}

}  // namespace

TEST(EditorInterop, LineSplittingMatchesPythonRe) {
  REQUIRE_TOOL(python, "python3");
  std::mt19937 rng(2028);
  const std::u16string bufferAlphabet = u"ab\r\n\u2028";
  std::u16string baseAlphabet = u"ab\r\n\u2028\u2029\u000B\u000C";
  baseAlphabet.push_back(u'\0');
  std::vector<std::pair<char, std::u16string>> cases;
  for (int i = 0; i < 10000; ++i) {
    const bool base = i % 2 == 1;
    const std::u16string& alpha = base ? baseAlphabet : bufferAlphabet;
    std::u16string t;
    const int len = rng() % 12;
    for (int k = 0; k < len; ++k) t.push_back(alpha[rng() % alpha.size()]);
    cases.emplace_back(base ? 'B' : 'S', t);
  }
  // The documented cases first.
  cases.insert(cases.begin(), {{'S', u"a\r\nb\n"}, {'S', u"a\nb"}, {'S', u"a\rb"}, {'S', u""}, {'B', u"a\n\rb"}});
  std::ostringstream input;
  for (const auto& [mode, t] : cases) input << mode << ' ' << Utf16LeHex(t) << '\n';
  const auto result = testsupport::RunProcess(python, {"-c", kSplitScript}, input.str(), 300);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream answers(result.out);
  std::string expected;
  int mismatches = 0;
  for (const auto& [mode, t] : cases) {
    ASSERT_TRUE(std::getline(answers, expected));
    std::string mine;
    if (mode == 'S') {
      TSynPadStringList buffer;
      buffer.SetTextStr(t);
      mine = std::to_string(static_cast<int>(buffer.FileFormat())) + " " + Describe(buffer);
    } else {
      TWideStringList list;
      list.SetText(t);
      mine = "- " + Describe(list);
    }
    if (mine != expected && ++mismatches <= 5)
      ADD_FAILURE() << mode << " " << Utf16LeHex(t) << ": " << mine << " vs " << expected;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(cases.size(), 10005u);
}
