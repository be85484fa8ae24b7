// Fuzz target over every other highlighter of the language table (today Perl, XML, CSS, Visual Basic,
// VBScript, Python, SQL in each dialect, UNIX shell and Tcl/Tk; hl_fuzz_common.h says which). An input
// names its highlighter on its first line: the row's class name ("TSynPerlSyn"), for SQL followed by
// the dialect ("TSynSQLSyn sqlOracle"), and then " wide" when the rest is UTF-16LE rather than bytes
// as code units. So a seed stays with its highlighter whatever rows the table gains. An input that
// names none is left alone while fuzzing; replayed, it is scanned by every highlighter. The text is
// cut into lines at LF and scanned with the ranges chained from line to line. Every token must be
// non-empty and follow the one before, the tokens must cover the line, and the line must end within
// length + 2 calls to Next; each line scanned again from the range it started with must give the
// same tokens and end range; the highlighters that the web page highlighter runs in its regions keep
// their ranges in 4 bits. Anything else aborts.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "highlighters/SynHighlighterWebScripting.h"
#include "hl_fuzz_common.h"

namespace {

struct Entry {
  std::string name;  // as an input names it
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
      std::string name = h->ClassName();
      if (auto* sql = dynamic_cast<TSynSQLSyn*>(h.get())) name += std::string(" ") + SQLDialectName(sql->SQLDialect());
      const bool fourBitRange = RunsInWebPageRegions(h->ClassName());
      v.push_back({std::move(name), std::move(h), fourBitRange});
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

void Scan(Entry& e, const std::u16string& text) {
  TSynCustomHighlighter& h = *e.h;
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* newline = std::find(data, data + size, '\n');
  std::string_view name(reinterpret_cast<const char*>(data), static_cast<size_t>(newline - data));
  constexpr std::string_view kWide = " wide";
  const bool wide = name.ends_with(kWide);
  if (wide) name.remove_suffix(kWide.size());
  // The text after the header's line end (Text reads after the byte it is given first).
  const std::u16string text = newline == data + size
                                  ? std::u16string()
                                  : hlfuzz::Text(newline, static_cast<size_t>(data + size - newline), wide);
  auto& all = Highlighters();
  for (Entry& e : all) {
    if (e.name == name) {
      Scan(e, text);
      return 0;
    }
  }
#ifdef FUZZ_REPLAY
  for (Entry& e : all) Scan(e, text);
#endif
  return 0;
}
