// Throughput of both regex engines on 16 MB of generated source-code-like text (fixed seed).
// Wide engine: Exec then ExecNext over the whole text (every match, as a find-all over a buffer);
// single-byte engine: Exec on each line (as the record filter tests one text after another).
// Bytes per second count one byte per character of the text.
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/CodePage.h"
#include "regex/RegExpr.h"
#include "regex/SynRegExpr.h"

namespace {

const std::string& SourceText() {
  static const std::string text = [] {
    static const char* words[] = {"int", "count", "buffer", "size", "return", "while", "if", "static", "const",
                                  "value", "index", "node", "next", "result", "char", "length", "data", "item",
                                  "switch", "case", "break", "offset", "total", "Buffer", "update", "parse"};
    static const char* ops[] = {" = ", " + ", " - ", " * ", " < ", " == ", ", ", "; ", " && "};
    std::mt19937 rng(20260401);
    std::string out;
    out.reserve(16u << 20);
    while (out.size() < (16u << 20)) {
      std::string line(size_t(rng() % 4) * 2, ' ');
      int tokens = 3 + int(rng() % 8);
      for (int t = 0; t < tokens; ++t) {
        line += words[rng() % (sizeof words / sizeof *words)];
        if (rng() % 5 == 0) line += "_" + std::to_string(rng() % 100);
        if (rng() % 6 == 0) line += "(";
        if (rng() % 7 == 0) line += ")";
        if (t + 1 < tokens) line += ops[rng() % (sizeof ops / sizeof *ops)];
      }
      line += rng() % 3 == 0 ? "; // note\n" : ";\n";
      out += line;
    }
    return out;
  }();
  return text;
}

const std::u16string& WideText() {
  static const std::u16string text = codepage::Cp1252ToUtf16(SourceText());
  return text;
}

const std::vector<std::string>& Lines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    const std::string& t = SourceText();
    size_t start = 0;
    while (start < t.size()) {
      size_t end = t.find('\n', start);
      if (end == std::string::npos) end = t.size();
      out.push_back(t.substr(start, end - start));
      start = end + 1;
    }
    return out;
  }();
  return lines;
}

void Wide(benchmark::State& state, const char16_t* expr, bool ci) {
  const std::u16string& text = WideText();
  synregexpr::TRegExpr re;
  re.SetModifier(synregexpr::ModifierI, ci);
  re.SetExpression(expr);
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    if (re.Exec(text))
      do ++matches;
      while (re.ExecNext());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["matches"] = double(matches);
}

void Byte(benchmark::State& state, const char* expr) {
  const std::vector<std::string>& lines = Lines();
  regexpr::TRegExpr re;
  re.SetExpression(expr);
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const std::string& line : lines) matches += re.Exec(line);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SourceText().size()));
  state.counters["lines"] = double(matches);
}

}  // namespace

BENCHMARK_CAPTURE(Wide, literal, u"offset", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Wide, word_bounds, u"\\bcount\\b", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Wide, identifier_call, u"[A-Za-z_][A-Za-z0-9_]*\\(", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Wide, alternation5, u"while|return|switch|static|const", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Wide, literal_ci, u"buffer", true)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(Byte, literal, "offset")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Byte, word_bounds_as_classes, "\\Wcount\\W")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Byte, identifier_call, "[A-Za-z_][A-Za-z0-9_]*\\(")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Byte, alternation5, "while|return|switch|static|const")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Byte, literal_ci_as_sets, "[Bb][Uu][Ff][Ff][Ee][Rr]")->Unit(benchmark::kMillisecond);
