// Fuzz target over the editor's search engines. The first byte holds the options, the second the
// pattern length; the pattern and then the line follow (bytes as code units). The plain engine must
// agree with a direct comparison; the regex engine (with the same text as expression) must report
// matches inside the line, in order, and its Replace must not fail on a found occurrence.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "editor/SynUnicode.h"
#include "regex/SynRegExpr.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "hlmulti_search: %s\n", what);
  std::abort();
}

std::vector<int> Naive(std::u16string p, std::u16string t, TSynSearchOptions o) {
  if (!(o & ssoMatchCase)) {
    p = WideLowerCase(p);
    t = WideLowerCase(t);
  }
  std::vector<int> out;
  size_t i = 0;
  while (i + p.size() <= t.size()) {
    bool ok = t.compare(i, p.size(), p) == 0;
    if (ok && (o & ssoWholeWord))
      ok =
          (i == 0 || IsSynWordBreakChar(t[i - 1])) && (i + p.size() == t.size() || IsSynWordBreakChar(t[i + p.size()]));
    if (ok) {
      out.push_back(static_cast<int>(i) + 1);
      i += p.size();
    } else {
      ++i;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static TSynPadSearch plain;
  static TSynPadRegexSearch regex;
  const TSynSearchOptions options = data[0] & 3;
  const size_t plen = 1 + data[1] % 8;
  if (size < 2 + plen) return 0;
  std::u16string pattern, line;
  for (size_t i = 2; i < 2 + plen; ++i) pattern.push_back(data[i]);
  for (size_t i = 2 + plen; i < size; ++i) line.push_back(data[i]);

  plain.SetOptions(options);
  plain.SetPattern(pattern);
  const int n = plain.FindAll(line);
  std::vector<int> got;
  for (int i = 0; i < n; ++i) got.push_back(plain.Results(i));
  if (got != Naive(pattern, line, options)) Fail("plain search differs from a direct comparison");

  regex.SetOptions(options);
  regex.SetPattern(pattern);
  try {
    const int m = regex.FindAll(line);
    int last = 0;
    for (int i = 0; i < m; ++i) {
      const int pos = regex.Results(i), len = regex.Lengths(i);
      if (pos < 1 || len < 0 || pos + len - 1 > static_cast<int>(line.size()) || pos < last)
        Fail("regex match outside the line");
      last = pos;
      regex.Replace(line.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(len)), u"<$0$1\\n>");
    }
  } catch (const synregexpr::ERegExpr&) {
    // Expressions that do not compile, or searches that hit the engine's limits, are reported errors.
  }
  return 0;
}
