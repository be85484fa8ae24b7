// Speed of the URI highlighter, the "Web Scripting" multi-highlighter and the editor's search
// engines. Long single lines show that scanning is linear: each size doubles the one before, and
// the bytes per second must stay about the same. Throughput is in UTF-16 code units as bytes x 2.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynHighlighterWebScripting.h"

namespace {

std::u16string Base64Line(size_t n) {
  std::mt19937 rng(64);
  const std::u16string b64 = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::u16string s;
  s.reserve(n);
  while (s.size() < n) s.push_back(b64[rng() % b64.size()]);
  return s;
}

std::u16string StyleLine(size_t attributes) {
  std::u16string s;
  for (size_t i = 0; i < attributes; ++i) s += u"<b style=\"color: red\">x</b>";  // 28 units, one attribute
  return s;
}

std::u16string CommentText(size_t lines) {
  const std::u16string sample[] = {
      u"See http://www.example.org/docs/index.html?page=2 for details.",
      u"Mail questions to someone@example.org or visit www.example.com.",
      u"The old mirror at ftp://ftp.example.net/pub/ is gone; news:comp.lang.misc has more.",
      u"Plain words only, nothing to link here, just some text of ordinary length."};
  std::u16string s;
  for (size_t i = 0; i < lines; ++i) s += sample[i % 4] + u"\n";
  return s;
}

std::u16string Page(size_t blocks) {
  std::u16string s;
  for (size_t i = 0; i < blocks; ++i)
    s += u"<html><head><style type=\"text/css\">\np { color: red; /* c */ }\n</style>\n"
         u"<script type=\"text/javascript\">\nvar x = 1; // c\nfunction f(a) { return a + 2; }\n</script></head>\n"
         u"<body><p style=\"margin: 0\">Hello <% Response.Write(\"x\") %> and <?php echo $a; ?></p>\n"
         u"<a href='y' style='font: bold'>link</a> &amp; text\n</body></html>\n";
  return s;
}

void ScanLines(TSynCustomHighlighter& h, const std::u16string& text, benchmark::State& state) {
  long tokens = 0;
  for (auto _ : state) {
    h.ResetRange();
    size_t start = 0;
    tokens = 0;
    int n = 0;
    while (start <= text.size()) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      h.SetLine(std::u16string_view(text).substr(start, end - start), n++);
      while (!h.GetEol()) {
        benchmark::DoNotOptimize(h.GetTokenAttribute());
        ++tokens;
        h.Next();
      }
      h.SetRange(h.GetRange());
      start = end + 1;
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()) * 2);
  state.counters["tokens"] = static_cast<double>(tokens);  // of one scan
}

void BM_URI_Base64Line(benchmark::State& state) {
  TSynURISyn h;
  ScanLines(h, Base64Line(static_cast<size_t>(state.range(0))), state);
}
BENCHMARK(BM_URI_Base64Line)->Arg(1 << 18)->Arg(1 << 19)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_URI_CommentText(benchmark::State& state) {
  TSynURISyn h;
  ScanLines(h, CommentText(50000), state);
}
BENCHMARK(BM_URI_CommentText)->Unit(benchmark::kMillisecond);

void BM_Multi_StyleAttributesLine(benchmark::State& state) {
  TSynWebScriptingSyn h;
  // 5,000 attributes make a line of 140,000 units; the largest size is the 200,000-unit line.
  const size_t attributes = static_cast<size_t>(state.range(0));
  std::u16string line = StyleLine(attributes);
  if (attributes == 7143) line.resize(200000, u' ');
  ScanLines(h, line, state);
}
BENCHMARK(BM_Multi_StyleAttributesLine)->Arg(1250)->Arg(2500)->Arg(5000)->Arg(7143)->Unit(benchmark::kMillisecond);

void BM_Multi_WebPage(benchmark::State& state) {
  TSynWebScriptingSyn h;
  ScanLines(h, Page(10000), state);
}
BENCHMARK(BM_Multi_WebPage)->Unit(benchmark::kMillisecond);

// The page's HTML alone, as a baseline for what the cutting and hand-over add.
void BM_Multi_WebPageHtmlOnly(benchmark::State& state) {
  TSynWebScriptingSyn h;
  ScanLines(h.Html(), Page(10000), state);
}
BENCHMARK(BM_Multi_WebPageHtmlOnly)->Unit(benchmark::kMillisecond);

std::vector<std::u16string> SearchLines() {
  std::vector<std::u16string> lines;
  const std::u16string text = CommentText(100000);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find(u'\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void SearchBench(benchmark::State& state, const std::function<int(const std::u16string&)>& find) {
  static const std::vector<std::u16string> lines = SearchLines();
  size_t bytes = 0;
  for (const auto& l : lines) bytes += l.size() * 2;
  for (auto _ : state) {
    long found = 0;
    for (const auto& l : lines) found += find(l);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_Search_Plain(benchmark::State& state) {
  TSynPadSearch s;
  s.SetOptions(state.range(0));
  s.SetPattern(u"example");
  SearchBench(state, [&](const std::u16string& l) { return s.FindAll(l); });
}
BENCHMARK(BM_Search_Plain)->Arg(ssoMatchCase)->Arg(0)->Arg(ssoWholeWord)->Unit(benchmark::kMillisecond);

// Baseline: the standard library's Horspool searcher over the same lines (match case).
void BM_Search_StdHorspool(benchmark::State& state) {
  const std::u16string pattern = u"example";
  const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
  SearchBench(state, [&](const std::u16string& l) {
    int n = 0;
    auto it = l.begin();
    while (true) {
      const auto r = searcher(it, l.end());
      if (r.first == l.end()) break;
      ++n;
      it = r.second;
    }
    return n;
  });
}
BENCHMARK(BM_Search_StdHorspool)->Unit(benchmark::kMillisecond);

void BM_Search_Regex(benchmark::State& state) {
  TSynPadRegexSearch s;
  s.SetOptions(0);
  s.SetPattern(u"ex[a-z]+le");
  SearchBench(state, [&](const std::u16string& l) { return s.FindAll(l); });
}
BENCHMARK(BM_Search_Regex)->Unit(benchmark::kMillisecond);

}  // namespace
