// Fuzz target over the XML, CSS, Visual Basic, VBScript, Python, Perl, UNIX shell, Tcl/Tk and SQL (each
// dialect) highlighters: the first byte picks the highlighter (low four bits) and how the rest is read
// (bit 4: bytes as code units, or UTF-16LE). The text is cut into lines at LF and scanned with the
// ranges chained from line to line. Every token must be non-empty and follow the one before, the
// tokens must cover the line, and the line must end within length + 2 calls to Next; each line
// scanned again from the range it started with must give the same tokens and end range; the
// highlighters that run inside the multi-language highlighter keep their ranges in 4 bits. Anything
// else aborts.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterPerl.h"
#include "highlighters/SynHighlighterPython.h"
#include "highlighters/SynHighlighterSQL.h"
#include "highlighters/SynHighlighterTclTk.h"
#include "highlighters/SynHighlighterUNIXShellScript.h"
#include "highlighters/SynHighlighterVB.h"
#include "highlighters/SynHighlighterVBScript.h"
#include "highlighters/SynHighlighterXML.h"
#include "hl_fuzz_common.h"

namespace {

struct Entry {
  std::unique_ptr<TSynCustomHighlighter> h;
  bool fourBitRange;
};

std::vector<Entry>& Highlighters() {
  static std::vector<Entry> all = [] {
    std::vector<Entry> v;
    v.push_back({std::make_unique<TSynXMLSyn>(), false});
    v.push_back({std::make_unique<TSynCssSyn>(), true});
    v.push_back({std::make_unique<TSynVBSyn>(), false});
    v.push_back({std::make_unique<TSynVBScriptSyn>(), true});
    v.push_back({std::make_unique<TSynPythonSyn>(), false});
    v.push_back({std::make_unique<TSynPerlSyn>(), false});
    v.push_back({std::make_unique<TSynUNIXShellScriptSyn>(), false});
    v.push_back({std::make_unique<TSynTclTkSyn>(), false});
    for (int d = 0; d < SQLDialectCount; ++d) {
      auto sql = std::make_unique<TSynSQLSyn>();
      sql->SetSQLDialect(static_cast<TSQLDialect>(d));
      v.push_back({std::move(sql), false});
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
