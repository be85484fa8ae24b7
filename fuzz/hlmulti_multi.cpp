// Fuzz target over the "Web Scripting" multi-highlighter: the input (bytes as code units, or UTF-16LE
// when the first byte is odd) is cut into lines at LF and scanned with the ranges chained from line
// to line. Markers must lie in order inside the line; every token must be non-empty and follow the
// one before, the tokens must cover the line, the line must end within length + 2 calls to Next,
// and a second scan from the same range must end in the same range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "highlighters/SynHighlighterWebScripting.h"

namespace {

[[noreturn]] void Fail(const char* what, size_t line) {
  std::fprintf(stderr, "hlmulti_multi: %s on line %zu\n", what, line);
  std::abort();
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
  int pos = 0;
  size_t calls = 0;
  while (!h.GetEol()) {
    const int tp = h.GetTokenPos();
    const int len = static_cast<int>(h.GetToken().size());
    if (tp != pos) Fail("token does not follow the one before", n);
    if (len == 0) Fail("empty token", n);
    if (++calls > line.size() + 2) Fail("no end of line within length + 2 calls", n);
    h.GetTokenAttribute();
    h.GetTokenKind();
    pos += len;
    h.Next();
  }
  if (pos != static_cast<int>(line.size())) Fail("tokens do not cover the line", n);
  return h.GetRange();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static TSynWebScriptingSyn h;
  std::u16string text;
  if (data[0] % 2) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 1; i < size; ++i) text.push_back(data[i]);
  }
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  size_t start = 0, n = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\n') continue;
    const std::u16string line = text.substr(start, i - start);
    start = i + 1;
    const std::intptr_t end = ScanLine(h, line, range, n);
    if (ScanLine(h, line, range, n) != end) Fail("a second scan from the same range ends differently", n);
    range = end;
    ++n;
  }
  return 0;
}
