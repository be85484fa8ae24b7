// Fuzz target over the language highlighters: the first byte picks the highlighter and how the rest
// is read (bytes as code units, or UTF-16LE); the text is cut into lines at LF and scanned with the
// ranges chained from line to line. Every token must be non-empty and follow the one before, the
// tokens must cover the line, and the line must end within length + 2 calls to Next; anything else
// aborts. Each line is then scanned again from the range it started with and must give the same end
// range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterPas.h"

namespace {

std::vector<std::unique_ptr<TSynCustomHighlighter>>& Highlighters() {
  static std::vector<std::unique_ptr<TSynCustomHighlighter>> all = [] {
    std::vector<std::unique_ptr<TSynCustomHighlighter>> v;
    v.push_back(std::make_unique<TSynCppSyn>());
    v.push_back(std::make_unique<TSynPasSyn>());
    v.push_back(std::make_unique<TSynJavaSyn>());
    v.push_back(std::make_unique<TSynJScriptSyn>());
    v.push_back(std::make_unique<TSynPHPSyn>());
    v.push_back(std::make_unique<TSynHTMLSyn>());
    return v;
  }();
  return all;
}

[[noreturn]] void Fail(const char* what, size_t line) {
  std::fprintf(stderr, "hl_scan: %s on line %zu\n", what, line);
  std::abort();
}

std::intptr_t ScanLine(TSynCustomHighlighter& h, const std::u16string& line, std::intptr_t range, size_t n) {
  h.SetRange(range);
  h.SetLine(line, static_cast<int>(n));
  int pos = 0;
  size_t calls = 0;
  while (!h.GetEol()) {
    const int tp = h.GetTokenPos();
    const int len = static_cast<int>(h.GetToken().size());
    if (tp != pos) Fail("token does not follow the one before", n);
    if (len == 0) Fail("empty token", n);
    if (++calls > line.size() + 2) Fail("no end of line within length + 2 calls", n);
    pos += len;
    h.Next();
  }
  if (pos != static_cast<int>(line.size())) Fail("tokens do not cover the line", n);
  return h.GetRange();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto& all = Highlighters();
  TSynCustomHighlighter& h = *all[data[0] % all.size()];
  const bool wide = (data[0] / all.size()) % 2 == 1;
  std::u16string text;
  if (wide) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 1; i < size; ++i) text.push_back(data[i]);
  }
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::intptr_t end = ScanLine(h, lines[n], range, n);
    if (ScanLine(h, lines[n], range, n) != end) Fail("a second scan from the same range ends differently", n);
    range = end;
  }
  return 0;
}
