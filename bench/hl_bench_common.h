// The body the highlighter scanning benchmarks share: each language scans a generated 16 MB file of
// its language, line by line with the ranges chained as the editor does (token position, attribute
// and kind read for every token), and one 200,000-character line. Throughput is in bytes of UTF-8
// text. With HL_BENCH_DUMP=<folder> set, the generated files are also written there, so other tools
// can be timed on the same text.
//
// The languages come from the language table. hl_scan.cpp measures the languages of its samples;
// hl2_scan.cpp those of its own samples and then every other row of the table, with the language's
// own sample text, so that a new language is measured without a change here. The URI and
// multi-language highlighters have benchmarks of their own (hlmulti_bench.cpp).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadMiscProcs.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "platform/CodePage.h"

namespace hlbench {

// A language's texts, written for the benchmarks.
struct Sample {
  const char* name;                                 // in the label (and the dumped file's name)
  const char* className;                            // the language's row in the language table
  const char16_t* block;                            // one block of typical text; "@" is replaced by a varying number
  const char16_t* line;                             // typical text of one line (no line comments), for the long line
  void (*setUp)(TSynCustomHighlighter&) = nullptr;  // a setting the sample needs (an SQL dialect)
};

// hl_scan.cpp's samples.
std::span<const Sample> FirstSuiteSamples();
inline constexpr std::string_view kOwnBenchmarkClasses[] = {"TSynURISyn", "TSynMultiSyn"};

struct Language {
  std::string name;
  std::function<std::unique_ptr<TSynCustomHighlighter>()> make;
  std::u16string sample;      // one block of typical text; "@" is replaced by a varying number
  std::u16string lineSample;  // typical text of one line, for the long line
};

inline Language FromSample(const Sample& s) {
  const TSynLanguageInfo* row = FindSynLanguage(s.className);
  return {s.name,
          [row, setUp = s.setUp] {
            std::unique_ptr<TSynCustomHighlighter> h = row->Create();
            if (setUp) setUp(*h);
            return h;
          },
          s.block, s.line};
}

inline std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

// A language no sample was written for: its own sample text as the block, and as the line the text
// of that sample's tokens on one line, comments left out (a line comment would swallow the line).
inline Language FromRow(const TSynLanguageInfo& row) {
  const std::unique_ptr<TSynCustomHighlighter> h = row.Create();
  const std::u16string block = h->GetSampleSource() + u"\n\n";
  const TSynHighlighterAttributes* comment = h->GetDefaultAttribute(SYN_ATTR_COMMENT);
  std::u16string line;
  h->ResetRange();
  for (const std::u16string& text : SplitLines(block)) {
    h->SetLine(text, 0);
    for (; !h->GetEol(); h->Next())
      if (!comment || h->GetTokenAttribute() != comment) line += h->GetToken();
    line += u' ';  // the range goes on to the next line in the highlighter
  }
  return {HighlighterClassNameBase(row.ClassName), row.Create, block, line};
}

// The languages of the samples, then (withTheRest) every row of the language table that neither these
// samples nor the first suite's name, other than those with benchmarks of their own.
inline std::vector<Language> Languages(std::span<const Sample> samples, bool withTheRest) {
  std::vector<Language> out;
  for (const Sample& s : samples) out.push_back(FromSample(s));
  if (!withTheRest) return out;
  auto named = [](std::span<const Sample> list, std::string_view className) {
    return std::any_of(list.begin(), list.end(), [&](const Sample& s) { return className == s.className; });
  };
  for (const TSynLanguageInfo& row : SynLanguageTable)
    if (!named(samples, row.ClassName) && !named(FirstSuiteSamples(), row.ClassName) &&
        std::find(std::begin(kOwnBenchmarkClasses), std::end(kOwnBenchmarkClasses), row.ClassName) ==
            std::end(kOwnBenchmarkClasses))
      out.push_back(FromRow(row));
  return out;
}

inline std::u16string Block(std::u16string_view sample, unsigned n) {
  std::u16string out;
  const std::u16string num = codepage::Utf8ToUtf16(std::to_string(n));
  for (char16_t c : sample) {
    if (c == u'@')
      out += num;
    else
      out += c;
  }
  return out;
}

struct Corpus {
  std::vector<std::u16string> lines;
  size_t bytes = 0;  // UTF-8 size of the text
};

// Returns the number of tokens read.
inline size_t ScanAll(TSynCustomHighlighter& h, const Corpus& c) {
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  size_t tokens = 0;
  for (size_t i = 0; i < c.lines.size(); ++i) {
    h.SetRange(range);
    h.SetLine(c.lines[i], static_cast<int>(i));
    while (!h.GetEol()) {
      benchmark::DoNotOptimize(h.GetTokenPos());
      benchmark::DoNotOptimize(h.GetTokenAttribute());
      benchmark::DoNotOptimize(h.GetTokenKind());
      ++tokens;
      h.Next();
    }
    range = h.GetRange();
  }
  return tokens;
}

// One benchmark file's languages with their generated texts, made on first use and kept.
class Suite {
 public:
  // dumpPrefix names the dumped files: <folder>/<dumpPrefix><language name>.txt
  Suite(std::vector<Language> languages, const char* dumpPrefix)
      : fLanguages(std::move(languages)), fDumpPrefix(dumpPrefix) {}

  int Count() const { return static_cast<int>(fLanguages.size()); }

  void RunFile(benchmark::State& state) {
    const size_t index = static_cast<size_t>(state.range(0));
    Run(state, File(index), fLanguages[index].name + " 16 MB file");
  }
  void RunLongLine(benchmark::State& state) {
    const size_t index = static_cast<size_t>(state.range(0));
    Run(state, LongLine(index), fLanguages[index].name + " 200,000-character line");
  }

 private:
  void Run(benchmark::State& state, const Corpus& c, const std::string& label) {
    auto h = fLanguages[static_cast<size_t>(state.range(0))].make();
    size_t tokens = 0;
    for (auto _ : state) tokens = ScanAll(*h, c);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.bytes));
    // Tokens of one scan: the same text scanned the same way gives the same count on every machine.
    state.counters["tokens"] = static_cast<double>(tokens);
    state.SetLabel(label);
  }

  const Corpus& File(size_t index) {
    auto it = fFiles.find(index);
    if (it != fFiles.end()) return it->second;
    const Language& lang = fLanguages[index];
    std::u16string text;
    const size_t target = 16u << 20;
    for (unsigned n = 0; text.size() < target; ++n) text += Block(lang.sample, n);
    Corpus c;
    const std::string u8 = codepage::Utf16ToUtf8(text);
    c.bytes = u8.size();
    if (const char* dir = std::getenv("HL_BENCH_DUMP")) {
      std::ofstream out(std::string(dir) + "/" + fDumpPrefix + lang.name + ".txt", std::ios::binary);
      out.write(u8.data(), static_cast<std::streamsize>(u8.size()));
    }
    c.lines = SplitLines(text);
    return fFiles.emplace(index, std::move(c)).first->second;
  }

  const Corpus& LongLine(size_t index) {
    auto it = fLongLines.find(index);
    if (it != fLongLines.end()) return it->second;
    std::u16string line;
    for (unsigned n = 0; line.size() < 200000; ++n) line += Block(fLanguages[index].lineSample, n);
    line.resize(200000);
    Corpus c;
    c.bytes = codepage::Utf16ToUtf8(line).size();
    c.lines.push_back(std::move(line));
    return fLongLines.emplace(index, std::move(c)).first->second;
  }

  std::vector<Language> fLanguages;
  const char* fDumpPrefix;
  std::map<size_t, Corpus> fFiles, fLongLines;
};

}  // namespace hlbench
