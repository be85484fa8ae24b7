// Fuzz target over the C/C++, Pascal, Java, JavaScript, PHP and HTML highlighters (hl_fuzz_common.h
// says which): the first byte picks the highlighter and how the rest is read (bytes as code units, or
// UTF-16LE); the text is cut into lines at LF and scanned with the ranges chained from line to line.
// Every token must be non-empty and follow the one before, the tokens must cover the line, and the
// line must end within length + 2 calls to Next; anything else aborts. Each line is then scanned again
// from the range it started with and must give the same end range.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hl_fuzz_common.h"

namespace {

std::vector<std::unique_ptr<TSynCustomHighlighter>>& Highlighters() {
  static std::vector<std::unique_ptr<TSynCustomHighlighter>> all = hlfuzz::TargetHighlighters(true);
  return all;
}

[[noreturn]] void Fail(const char* what, size_t line) {
  hlfuzz::Fail("hl_scan", what, line);
}

std::intptr_t ScanLine(TSynCustomHighlighter& h, const std::u16string& line, std::intptr_t range, size_t n) {
  h.SetRange(range);
  h.SetLine(line, static_cast<int>(n));
  hlfuzz::WalkTokens(h, line, "hl_scan", n, [](int, int) {});
  return h.GetRange();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto& all = Highlighters();
  TSynCustomHighlighter& h = *all[data[0] % all.size()];
  const bool wide = (data[0] / all.size()) % 2 == 1;
  const std::u16string text = hlfuzz::Text(data, size, wide);
  const std::vector<std::u16string> lines = hlfuzz::Lines(text);
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::intptr_t end = ScanLine(h, lines[n], range, n);
    if (ScanLine(h, lines[n], range, n) != end) Fail("a second scan from the same range ends differently", n);
    range = end;
  }
  return 0;
}
