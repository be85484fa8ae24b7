// Parse and write throughput of the XML model and the databank store on a generated databank of
// about 50 MB: 20,000 records in 200 folders, each record with a title, keywords, comments and
// about 2.3 KB of code in a CDATA section. memcpy and a "<" scan over the same bytes are the baselines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

namespace {

std::string CodeText(std::mt19937& rng, size_t bytes) {
  static const char* lines[] = {
      "  for (int i = 0; i < count; ++i) {",
      "    if (items[i]->value > limit && !seen[items[i]->key]) total += items[i]->value;",
      "  }",
      "  // keep the cache warm: the second pass reads what the first one wrote",
      "  std::vector<std::pair<int, std::string>> pairs = Collect(source, [](auto& x) { return x.size() > 2; });",
      "  return a[b[0]] > 1 ? Lookup(\"key\", 'c') : nullptr;",
      "procedure TForm1.Button1Click(Sender: TObject); begin ShowMessage('Hello <world>'); end;",
      "  printf(\"%d items, %s\\n\", n, name);"};
  std::string code;
  while (code.size() < bytes) {
    code += lines[rng() % (sizeof(lines) / sizeof(lines[0]))];
    code += "\r\n";
  }
  return code;
}

// The document as a databank would hold it; with wide, every record's code also holds lines of text
// outside Windows-1252 (the file is then UTF-8).
std::unique_ptr<TXMLDataBase2> MakeDatabank(bool wide = false) {
  std::mt19937 rng(42);
  auto db = std::make_unique<TXMLDataBase2>();
  db->WriteInteger("NextNodeID", 20201);
  db->WriteString("DataBaseName", "Benchmark snippets");
  db->ListsNode()->AddChild("bookmarks");
  TxevXMLNode2* root = db->Root();
  int id = 1;
  for (int f = 0; f < 200; ++f) {
    TxevXMLNode2* folder = root->AddChild("folder");
    XMLSetAttrInteger(folder, "ID", id++);
    XMLSetAttrBool(folder, "expanded", f % 2 == 0);
    XMLPathWriteString(folder, "title", "Folder " + std::to_string(f));
    for (int r = 0; r < 100; ++r) {
      TxevXMLNode2* rec = folder->AddChild("record");
      XMLSetAttrInteger(rec, "ID", id++);
      XMLPathWriteString(rec, "title", "Snippet number " + std::to_string(id) + " about loops and maps");
      XMLPathWriteString(rec, "keywords", "loop map cache vector");
      XMLPathWriteInteger(rec, "HighLight", static_cast<int>(rng() % 20));
      std::string code = CodeText(rng, 2300);
      if (wide)
        for (int line = 0; line < 8; ++line)
          code +=
              "  // \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87 caf\xC3\xA9 "
              "\xE2\x86\x92 \xF0\x9F\x98\x80\r\n";
      XMLPathWriteString(rec, "code", code);
      XMLPathWriteString(rec, "comments", "Collected while porting; checked against the old version.");
      XMLPathWriteInteger(rec, "CaretX", 1);
      XMLPathWriteInteger(rec, "CaretY", 12);
    }
  }
  return db;
}

const std::string& DocumentText() {
  static const std::string text = MakeDatabank()->Document()->GetXML();
  return text;
}

const std::string& EncodedText() {
  static const std::string text = MakeDatabank()->EncodedXML();
  return text;
}

void BM_XmlBaselineMemcpy(benchmark::State& state) {
  const std::string& text = DocumentText();
  std::string copy(text.size(), '\0');
  for (auto _ : state) {
    std::memcpy(copy.data(), text.data(), text.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_XmlBaselineMemcpy)->Unit(benchmark::kMillisecond);

void BM_XmlBaselineTagScan(benchmark::State& state) {
  const std::string& text = DocumentText();
  for (auto _ : state) {
    size_t tags = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
      ++tags;
      ++p;
    }
    benchmark::DoNotOptimize(tags);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_XmlBaselineTagScan)->Unit(benchmark::kMillisecond);

// Times the loads alone: making the document, copying the input and freeing the tree stay outside.
template <class Doc, class Load>
void TimeLoads(benchmark::State& state, const std::string& text, Load load, const char* failure) {
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<Doc>();
    std::string input = text;
    state.ResumeTiming();
    bool ok = load(*doc, std::move(input));
    benchmark::DoNotOptimize(ok);
    state.PauseTiming();
    if (!ok) state.SkipWithError(failure);
    doc.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_XmlParse(benchmark::State& state) {
  const std::string& text = DocumentText();
  TimeLoads<TxevXMLParser2>(
      state, text, [](TxevXMLParser2& doc, std::string&& input) { return doc.LoadXML(std::move(input)); },
      "parse failed");
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_XmlParse)->Unit(benchmark::kMillisecond);

void BM_XmlWrite(benchmark::State& state) {
  TxevXMLParser2 doc;
  doc.LoadXML(DocumentText());
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out = doc.GetXML();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_XmlWrite)->Unit(benchmark::kMillisecond);

// The store adds the encoding rule: a Windows-1252 check and conversion on save, the declaration's
// decoding on load.
void BM_XmlStoreLoad(benchmark::State& state) {
  TimeLoads<TXMLDataBase2>(
      state, EncodedText(), [](TXMLDataBase2& db, std::string&& input) { return db.LoadEncodedXML(std::move(input)); },
      "load failed");
}
BENCHMARK(BM_XmlStoreLoad)->Unit(benchmark::kMillisecond);

// The same for a databank written as UTF-8 (text outside Windows-1252 in every record), whose text
// is checked to be well-formed UTF-8 as it is read.
void BM_XmlStoreLoadUtf8(benchmark::State& state) {
  static const std::string text = MakeDatabank(true)->EncodedXML();
  TimeLoads<TXMLDataBase2>(
      state, text, [](TXMLDataBase2& db, std::string&& input) { return db.LoadEncodedXML(std::move(input)); },
      "load failed");
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_XmlStoreLoadUtf8)->Unit(benchmark::kMillisecond);

void BM_XmlStoreSave(benchmark::State& state) {
  auto db = MakeDatabank();
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out = db->EncodedXML();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_XmlStoreSave)->Unit(benchmark::kMillisecond);

}  // namespace
