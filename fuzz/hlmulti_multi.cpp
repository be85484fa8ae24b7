// Fuzz target over the "Web Scripting" multi-highlighter: the input (bytes as code units, or UTF-16LE
// when the first byte is odd) is cut into lines at LF and scanned with the ranges chained from line
// to line. Markers must lie in order inside the line; every token must be non-empty and follow the
// one before, the tokens must cover the line, the line must end within length + 2 calls to Next,
// and a second scan from the same range must end in the same range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterWebScripting.h"
#include "hl_fuzz_common.h"

namespace {

[[noreturn]] void Fail(const char* what, size_t line) {
  hlfuzz::Fail("hlmulti_multi", what, line);
}

std::intptr_t ScanLine(TSynMultiSyn& h, const std::u16string& line, std::intptr_t range, size_t n) {
  h.SetRange(range);
  h.SetLine(line, static_cast<int>(n));
  int end = 0;
  for (int k = 0; k < h.MarkerCount(); ++k) {
    const TMarker& m = h.Markers(k);
    if (m.fStartPos <= end || m.fMarkerLen < 1 || m.fStartPos + m.fMarkerLen - 1 > static_cast<int>(line.size()))
      Fail("marker out of order or outside the line", n);
    end = m.fStartPos + m.fMarkerLen - 1;
  }
  hlfuzz::WalkTokens(h, line, "hlmulti_multi", n, [&](int, int) {
    h.GetTokenAttribute();
    h.GetTokenKind();
  });
  return h.GetRange();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static TSynWebScriptingSyn h;
  const std::u16string text = hlfuzz::Text(data, size, data[0] % 2);
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  const std::vector<std::u16string> lines = hlfuzz::Lines(text);
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::intptr_t end = ScanLine(h, lines[n], range, n);
    if (ScanLine(h, lines[n], range, n) != end) Fail("a second scan from the same range ends differently", n);
    range = end;
  }
  return 0;
}
