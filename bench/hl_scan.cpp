// Scanning speed of the language highlighters: each scans a generated 16 MB file of its language,
// line by line with the ranges chained as the editor does (token position, text, attribute and kind
// read for every token), and one 200,000-character line. Throughput is in bytes of UTF-8 text.
// With HL_BENCH_DUMP=<folder> set, the generated files are also written there, so other tools can
// be timed on the same text.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterPas.h"
#include "platform/CodePage.h"

namespace {

struct Language {
  const char* name;
  std::function<std::unique_ptr<TSynCustomHighlighter>()> make;
  const char16_t* sample;  // one block of typical text; "@" is replaced by a varying number
  const char16_t* lineSample;  // typical statements of one line (no line comments), for the long line
};

const std::vector<Language>& Languages() {
  static const std::vector<Language> all = {
      {"Cpp", [] { return std::make_unique<TSynCppSyn>(); },
       u"#include <stdio.h>\n#define MAX(a, b) ((a) > (b) ? (a) : (b)) \\\n  /* max */\n"
       u"/* Block comment\n   over two lines */\nstatic const unsigned long mask@ = 0x1FUL;\n"
       u"int function@(int argc, char *argv[])\n{\n  double d = 1.5e-3 * argc + .25f;\n"
       u"  for (int i = 0; i < argc; ++i) {\n    if (argv[i][0] == '-' && i != 0) // option\n"
       u"      printf(\"%d: %s\\n\", i, argv[i]);\n    else\n      count@ += i << 2;\n  }\n"
       u"  return (int)(d * 017) >> 1;\n}\n\n",
       u"if (argv[i][0] == '-' && i != 0) printf(\"%d: %s\\n\", i, argv[i]); count@ += i << 2; "
       u"double d = 1.5e-3 * argc + .25f; /* c */ "},
      {"Pascal", [] { return std::make_unique<TSynPasSyn>(); },
       u"{ Block comment }\nprocedure TForm@.Button1Click(Sender: TObject);\nvar\n  Number, I, X: Integer;\n"
       u"begin\n  Number := 123456 + @;\n  Caption := 'The Number is' + #32 + IntToStr(Number);\n"
       u"  for I := 0 to Number do\n  begin\n    Inc(X); (* another comment *)\n    X := X + 1.5e3 - $5E;\n"
       u"  end;\n  {$R+}\nend;\n\n",
       u"Number := 123456 + @; Caption := 'The Number is' + #32 + IntToStr(Number); Inc(X); (* c *) "
       u"X := X + 1.5e3 - $5E; "},
      {"Java", [] { return std::make_unique<TSynJavaSyn>(); },
       u"/**\n * Documentation comment\n */\npublic class Sample@ extends Object {\n"
       u"  private static final long MASK = 0x1FL; // mask\n  public static void main(String[] args) {\n"
       u"    for (int i = 0; i < args.length; i++) {\n      System.out.println(args[i] + \"!\" + '\\n');\n"
       u"      count@ >>>= 2;\n    }\n  }\n}\n\n",
       u"System.out.println(args[i] + \"!\" + '\\n'); count@ >>>= 2; long m = 0x1FL; /* c */ "},
      {"JavaScript", [] { return std::make_unique<TSynJScriptSyn>(); },
       u"// Line comment\nfunction printNumber@()\n{\n  var number = 1234 + @;\n  var x;\n"
       u"  document.write(\"The number is \" + number);\n  /* block\n     comment */\n"
       u"  for (var i = 0; i <= number; i++) {\n    x += Math.sqrt(i) * 0x1F;\n  }\n"
       u"  window.alert('done');\n}\n\n",
       u"document.write(\"The number is \" + number); x += Math.sqrt(i) * 0x1F; window.alert('done'); /* c */ "},
      {"PHP", [] { return std::make_unique<TSynPHPSyn>(); },
       u"// Line comment\nfunction printNumber@($list)\n{\n  $number = 1234 + @;\n"
       u"  print \"The number is $number and {$list['key']} and $list[1]->name\";\n"
       u"  for ($i = 0; $i <= $number; $i++) {\n    $x += 1.5; # hash comment\n  }\n"
       u"  /* block\n     comment */\n  echo 'single $quoted';\n}\n\n",
       u"print \"The number is $number and {$list['key']} and $list[1]->name\"; $x += 1.5; echo 'single'; "
       u"/* c */ "},
      {"HTML", [] { return std::make_unique<TSynHTMLSyn>(); },
       u"<!-- comment @ -->\n<html>\n<body bgcolor=\"red\">\n  <form name=\"frmLogin\" action=\"doSomething.asp\">\n"
       u"    <input name=\"user\" value=\"\" size=20>\n  </form>\n"
       u"  <p class='text'>Sample &amp; text with &nbsp; entities &#169; number @</p>\n"
       u"  <table border=1><tr><td>cell</td></tr></table>\n</body>\n</html>\n\n",
       u"<p class='text'>Sample &amp; text with &nbsp; entities &#169; number @</p> <td>cell</td> "},
  };
  return all;
}

std::u16string Block(const char16_t* sample, unsigned n) {
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

std::vector<std::u16string> SplitLines(const std::u16string& text) {
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

const Corpus& File(size_t index) {
  static std::map<size_t, Corpus> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return it->second;
  const Language& lang = Languages()[index];
  std::u16string text;
  const size_t target = 16u << 20;
  for (unsigned n = 0; text.size() < target; ++n) text += Block(lang.sample, n);
  Corpus c;
  c.bytes = text.size();  // ASCII text: one byte per code unit
  if (const char* dir = std::getenv("HL_BENCH_DUMP")) {
    std::ofstream out(std::string(dir) + "/hl_" + lang.name + ".txt", std::ios::binary);
    const std::string u8 = codepage::Utf16ToUtf8(text);
    out.write(u8.data(), static_cast<std::streamsize>(u8.size()));
  }
  c.lines = SplitLines(text);
  return cache.emplace(index, std::move(c)).first->second;
}

const Corpus& LongLine(size_t index) {
  static std::map<size_t, Corpus> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return it->second;
  std::u16string line;
  for (unsigned n = 0; line.size() < 200000; ++n) line += Block(Languages()[index].lineSample, n);
  line.resize(200000);
  Corpus c;
  c.bytes = line.size();
  c.lines.push_back(std::move(line));
  return cache.emplace(index, std::move(c)).first->second;
}

void ScanAll(TSynCustomHighlighter& h, const Corpus& c) {
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
  benchmark::DoNotOptimize(tokens);
}

void BM_HighlighterFile(benchmark::State& state) {
  const size_t index = static_cast<size_t>(state.range(0));
  const Corpus& c = File(index);
  auto h = Languages()[index].make();
  for (auto _ : state) ScanAll(*h, c);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.bytes));
  state.SetLabel(std::string(Languages()[index].name) + " 16 MB file");
}

void BM_HighlighterLongLine(benchmark::State& state) {
  const size_t index = static_cast<size_t>(state.range(0));
  const Corpus& c = LongLine(index);
  auto h = Languages()[index].make();
  for (auto _ : state) ScanAll(*h, c);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.bytes));
  state.SetLabel(std::string(Languages()[index].name) + " 200,000-character line");
}

}  // namespace

BENCHMARK(BM_HighlighterFile)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighlighterLongLine)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
