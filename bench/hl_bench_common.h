// The body the highlighter scanning benchmarks share: each language scans a generated 16 MB file of
// its language, line by line with the ranges chained as the editor does (token position, attribute
// and kind read for every token), and one 200,000-character line. Throughput is in bytes of UTF-8
// text. With HL_BENCH_DUMP=<folder> set, the generated files are also written there, so other tools
// can be timed on the same text.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "platform/CodePage.h"

namespace hlbench {

struct Language {
  const char* name;
  std::function<std::unique_ptr<TSynCustomHighlighter>()> make;
  const char16_t* sample;      // one block of typical text; "@" is replaced by a varying number
  const char16_t* lineSample;  // typical text of one line (no line comments), for the long line
};

inline std::u16string Block(const char16_t* sample, unsigned n) {
  std::u16string out;
  const std::u16string num = codepage::Utf8ToUtf16(std::to_string(n));
  for (const char16_t* p = sample; *p; ++p) {
    if (*p == u'@')
      out += num;
    else
      out += *p;
  }
  return out;
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

  void RunFile(benchmark::State& state) {
    const size_t index = static_cast<size_t>(state.range(0));
    Run(state, File(index), std::string(fLanguages[index].name) + " 16 MB file");
  }
  void RunLongLine(benchmark::State& state) {
    const size_t index = static_cast<size_t>(state.range(0));
    Run(state, LongLine(index), std::string(fLanguages[index].name) + " 200,000-character line");
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
    c.bytes = text.size();  // ASCII text: one byte per code unit
    if (const char* dir = std::getenv("HL_BENCH_DUMP")) {
      std::ofstream out(std::string(dir) + "/" + fDumpPrefix + lang.name + ".txt", std::ios::binary);
      const std::string u8 = codepage::Utf16ToUtf8(text);
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
    c.bytes = line.size();
    c.lines.push_back(std::move(line));
    return fLongLines.emplace(index, std::move(c)).first->second;
  }

  std::vector<Language> fLanguages;
  const char* fDumpPrefix;
  std::map<size_t, Corpus> fFiles, fLongLines;
};

}  // namespace hlbench
