// Fuzz target over every other highlighter of the language table (today Perl, XML, CSS, Visual Basic,
// VBScript, Python, SQL in each dialect, UNIX shell and Tcl/Tk; hl_fuzz_common.h says which): the
// first byte picks the highlighter (the byte mod their count) and how the rest is read (the lowest bit
// of the quotient: bytes as code units, or UTF-16LE). The text is cut into lines at LF and scanned
// with the ranges chained from line to line. Every token must be non-empty and follow the one before,
// the tokens must cover the line, and the line must end within length + 2 calls to Next; each line
// scanned again from the range it started with must give the same tokens and end range; the
// highlighters that the web page highlighter runs in its regions keep their ranges in 4 bits.
// Anything else aborts.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterWebScripting.h"
#include "hl_fuzz_common.h"

namespace {

struct Entry {
  std::unique_ptr<TSynCustomHighlighter> h;
  bool fourBitRange;
};

// The classes the web page highlighter runs in its regions: it keeps their ranges in 4 bits.
bool RunsInWebPageRegions(const std::string& className) {
  static const std::vector<std::string> classes = [] {
    TSynWebScriptingSyn web;
    std::vector<std::string> names;
    for (int i = 0; i < web.Schemes().Count(); ++i) names.push_back(web.Schemes().Items(i)->Highlighter()->ClassName());
    return names;
  }();
  return std::find(classes.begin(), classes.end(), className) != classes.end();
}

std::vector<Entry>& Highlighters() {
  static std::vector<Entry> all = [] {
    std::vector<Entry> v;
    for (auto& h : hlfuzz::TargetHighlighters(false)) {
      const bool fourBitRange = RunsInWebPageRegions(h->ClassName());
      v.push_back({std::move(h), fourBitRange});
    }
    return v;
  }();
  return all;
}

[[noreturn]] void Fail(const char* what, size_t line) {
  hlfuzz::Fail("hl2_scan", what, line);
}

struct Token {
  int pos, len, kind;
  bool operator==(const Token&) const = default;
};

std::intptr_t ScanLine(TSynCustomHighlighter& h, const std::u16string& line, std::intptr_t range, size_t n,
                       std::vector<Token>& tokens) {
  tokens.clear();
  h.SetRange(range);
  h.SetLine(line, static_cast<int>(n));
  hlfuzz::WalkTokens(h, line, "hl2_scan", n, [&](int tp, int len) { tokens.push_back({tp, len, h.GetTokenKind()}); });
  return h.GetRange();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto& all = Highlighters();
  Entry& e = all[data[0] % all.size()];
  TSynCustomHighlighter& h = *e.h;
  const bool wide = (data[0] / all.size()) % 2 == 1;
  const std::u16string text = hlfuzz::Text(data, size, wide);
  const std::vector<std::u16string> lines = hlfuzz::Lines(text);
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  std::vector<Token> first, second;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::intptr_t end = ScanLine(h, lines[n], range, n, first);
    if (e.fourBitRange && (end < 0 || end > 15)) Fail("range does not fit in 4 bits", n);
    if (ScanLine(h, lines[n], range, n, second) != end || second != first)
      Fail("a second scan from the same range differs", n);
    range = end;
  }
  return 0;
}
