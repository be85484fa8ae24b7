// Throughput of both regex engines beside two bench-only peers, PCRE2's interpreter (no JIT) and,
// through regex_table.py, Python's re, over one text: 16 MB of generated source code (fixed seed),
// or the file named by REGEX_BENCH_FILE. With REGEX_BENCH_DUMP=<file> the text is also written
// there, so the Python peer times the very same bytes.
//
// The rows come from regex_patterns.tsv. Two jobs per row:
//   all   - every non-overlapping match in the whole text: the wide engine (Exec, then ExecNext)
//           and PCRE2 with the row's expression;
//   lines - the number of lines that match, one search per line (as the record filter tests one
//           text after another): the byte engine with its own spelling, PCRE2 with the same
//           meaning.
// Bytes per second count one byte per character of the text; the "matches" counter lets the table
// check that every engine found the same.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef TESSARYN_BENCH_PCRE2
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif

#include "platform/CodePage.h"
#include "regex/RegExpr.h"
#include "regex/SynRegExpr.h"

namespace {

std::string GeneratedText() {
  static const char* words[] = {"int",    "count",  "buffer",   "size",   "return",  "while",  "if",
                                "static", "const",  "value",    "index",  "node",    "next",   "result",
                                "char",   "length", "data",     "item",   "switch",  "case",   "break",
                                "offset", "total",  "Buffer",   "update", "parse",   "foo",    "bar_baz",
                                "quux",   "qux",    "selected", "Reset",  "buffers", "counter"};
  static const char* ops[] = {" = ", " + ", " - ", " * ", " < ", " == ", ", ", "; ", " && "};
  static const char* queries[] = {"SELECT id, name FROM items WHERE id = ?", "select count(*) from log",
                                  "UPDATE items SET total = ? WHERE id = ?", "Select * From users"};
  std::mt19937 rng(20260401);
  std::string out;
  out.reserve((16u << 20) + 256);
  while (out.size() < (16u << 20)) {
    std::string line(size_t(rng() % 4) * 2, ' ');
    switch (rng() % 16) {
      case 0:
        line += "// ";
        for (int t = 0; t < 6; ++t) line += std::string(words[rng() % std::size(words)]) + " ";
        break;
      case 1:
        line += std::string("db.query(\"") + queries[rng() % std::size(queries)] + "\");";
        break;
      case 2:
        line += "}";
        break;
      default: {
        int tokens = 3 + int(rng() % 8);
        for (int t = 0; t < tokens; ++t) {
          line += words[rng() % std::size(words)];
          if (rng() % 5 == 0) line += "_" + std::to_string(rng() % 100);
          if (rng() % 6 == 0) line += "(";
          if (rng() % 7 == 0) line += ")";
          if (t + 1 < tokens) line += ops[rng() % std::size(ops)];
        }
        line += rng() % 3 == 0 ? "; // note" : ";";
      }
    }
    out += line + "\n";
  }
  return out;
}

const std::string& SourceText() {
  static const std::string text = [] {
    std::string t;
    if (const char* file = std::getenv("REGEX_BENCH_FILE")) {
      std::ifstream in(file, std::ios::binary);
      if (!in) throw std::runtime_error(std::string("REGEX_BENCH_FILE: cannot read ") + file);
      std::ostringstream ss;
      ss << in.rdbuf();
      t = ss.str();
    } else {
      t = GeneratedText();
    }
    if (const char* dump = std::getenv("REGEX_BENCH_DUMP")) {
      std::ofstream out(dump, std::ios::binary);
      out << t;
      if (!out) throw std::runtime_error(std::string("REGEX_BENCH_DUMP: cannot write ") + dump);
    }
    return t;
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

struct Row {
  std::string name, wide, byte, bytePeer;
  bool ci = false;
};

std::vector<Row> ReadRows() {
  const std::string path = std::string(TESSARYN_SOURCE_DIR) + "/bench/regex_patterns.tsv";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<Row> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    for (size_t start = 0;;) {
      size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (f.size() != 5) throw std::runtime_error("bad row in " + path + ": " + line);
    rows.push_back(Row{f[0], f[1], f[3], f[4], f[2] == "i"});
  }
  return rows;
}

void SetThroughput(benchmark::State& state, int64_t matches) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SourceText().size()));
  state.counters["matches"] = double(matches);
}

void WideAll(benchmark::State& state, const Row& row) {
  const std::u16string& text = WideText();
  synregexpr::TRegExpr re;
  re.SetModifier(synregexpr::ModifierI, row.ci);
  re.SetExpression(codepage::Cp1252ToUtf16(row.wide));
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    if (re.Exec(text)) {
      do ++matches;
      while (re.ExecNext());
    }
  }
  SetThroughput(state, matches);
}

void ByteLines(benchmark::State& state, const Row& row) {
  const std::vector<std::string>& lines = Lines();
  regexpr::TRegExpr re;
  re.SetExpression(row.byte);
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const std::string& line : lines) matches += re.Exec(line);
  }
  SetThroughput(state, matches);
}

#ifdef TESSARYN_BENCH_PCRE2
struct Pcre2 {
  pcre2_code* code = nullptr;
  pcre2_match_data* md = nullptr;
  Pcre2(const std::string& expr, bool ci) {
    int err = 0;
    PCRE2_SIZE off = 0;
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expr.data()), expr.size(), ci ? PCRE2_CASELESS : 0, &err, &off,
                         nullptr);
    if (!code) throw std::runtime_error("PCRE2 refuses " + expr);
    md = pcre2_match_data_create_from_pattern(code, nullptr);
  }
  ~Pcre2() {
    pcre2_match_data_free(md);
    pcre2_code_free(code);
  }
  int Match(const std::string& s, size_t from) {
    return pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), from, 0, md, nullptr);
  }
};

void Pcre2All(benchmark::State& state, const Row& row) {
  const std::string& text = SourceText();
  Pcre2 re(row.wide, row.ci);
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (size_t from = 0; from <= text.size() && re.Match(text, from) >= 0;) {
      ++matches;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(re.md);
      from = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
  }
  SetThroughput(state, matches);
}

void Pcre2Lines(benchmark::State& state, const Row& row) {
  const std::vector<std::string>& lines = Lines();
  Pcre2 re(row.bytePeer, false);
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const std::string& line : lines) matches += re.Match(line, 0) >= 0;
  }
  SetThroughput(state, matches);
}
#endif

// Time until a runaway search ends with the engine's own error, at the default backtrack limit.
template <class Engine, class Error, class Text>
void Runaway(benchmark::State& state, const Text& expr, const Text& subject) {
  Engine re;
  re.SetExpression(expr);
  for (auto _ : state) {
    try {
      re.Exec(subject);
      state.SkipWithError("no limit error");
    } catch (const Error&) {
    }
  }
}

void RegisterRunaway(const std::string& name, const std::string& expr, const std::string& subject) {
  const std::u16string wideExpr = codepage::Cp1252ToUtf16(expr), wideSubject = codepage::Cp1252ToUtf16(subject);
  benchmark::RegisterBenchmark(
      ("RegexRunaway/" + name + "/wide").c_str(),
      [=](benchmark::State& st) { Runaway<synregexpr::TRegExpr, synregexpr::ERegExpr>(st, wideExpr, wideSubject); })
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark(
      ("RegexRunaway/" + name + "/byte").c_str(),
      [=](benchmark::State& st) { Runaway<regexpr::TRegExpr, regexpr::ERegExpr>(st, expr, subject); })
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
}

[[maybe_unused]] const bool registered = [] {
  RegisterRunaway("alternation_star_40k", "(a|b)*[xy]", std::string(40000, 'a'));
  RegisterRunaway("nested_plus", "(a+)+b", std::string(30, 'a') + "cb");
  static const std::vector<Row> rows = ReadRows();
  for (const Row& row : rows) {
    const std::string base = "Regex/" + row.name + "/";
    benchmark::RegisterBenchmark((base + "wide").c_str(), WideAll, row)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((base + "byte").c_str(), ByteLines, row)->Unit(benchmark::kMillisecond);
#ifdef TESSARYN_BENCH_PCRE2
    benchmark::RegisterBenchmark((base + "pcre2_all").c_str(), Pcre2All, row)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((base + "pcre2_lines").c_str(), Pcre2Lines, row)->Unit(benchmark::kMillisecond);
#endif
  }
  return true;
}();

}  // namespace
