// Applying colour schemes to the whole highlighter set, as the settings dialog's OK and the start of
// the program do: two complete stored schemes (every attribute of every language, different
// colours) are applied in turn, each time to all highlighters, with a listener on every highlighter
// as an open editor would be. Also the set's own creation (the program's start-up and the options
// page), for scale.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "recordeditor/UHighlighters.h"
#include "xml/uSettingsXML.h"

namespace {

struct SchemeFixture {
  std::string folder = (std::filesystem::temp_directory_path() / "tessaryn_bench_schemes").string();
  std::unique_ptr<TXMLSettings> settings;
  std::unique_ptr<TSettings> a, b;
  std::unique_ptr<TdmHighLighters> set;
  long changes = 0;

  SchemeFixture() {
    std::filesystem::create_directories(folder);
    settings = std::make_unique<TXMLSettings>();
    settings->SetFileName(folder + "/bench.xdb");  // never written: the settings are not kept
    settings->Open();
    a = settings->OpenSection("schemesA");
    b = settings->OpenSection("schemesB");
    set = std::make_unique<TdmHighLighters>(THighlighterSetRole::Primary, folder + "/none");
    int n = 0;
    for (TSettings* section : {a.get(), b.get()}) {
      set->SetSchemes(section);
      for (const TdmComponent& c : set->Components()) {
        if (!c.Highlighter || c.Name == "SynCGISyn") continue;
        for (int i = 0; i < c.Highlighter->GetAttribCount(); ++i) {
          TSynHighlighterAttributes* attr = c.Highlighter->GetAttribute(i);
          attr->SetForeground(TColor(0x010203 * ++n) & 0xFFFFFF);
          attr->SetBackground(TColor(0x030201 * n) & 0xFFFFFF);
          attr->SetStyle(TFontStyles(n & 15));
        }
        set->SaveScheme(*c.Highlighter);
      }
    }
    for (const TdmComponent& c : set->Components())
      if (c.Highlighter)
        c.Highlighter->AddAttrChangeHandler(NotifyMethod(this, [this](TSynPersistent*) { ++changes; }));
  }
  ~SchemeFixture() {
    for (const TdmComponent& c : set->Components())
      if (c.Highlighter) c.Highlighter->RemoveAttrChangeHandler(NotifyMethod(this, [](TSynPersistent*) {}));
    set.reset();
    a.reset();
    b.reset();
    settings->Reset();  // drop the store without writing it
    std::filesystem::remove_all(folder);
  }
};

void BM_ApplySchemeToEveryHighlighter(benchmark::State& state) {
  SchemeFixture f;
  bool useA = true;
  int attributes = 0;
  for (const TdmComponent& c : f.set->Components())
    if (c.Highlighter && c.Name != "SynCGISyn") attributes += c.Highlighter->GetAttribCount();
  for (auto _ : state) {
    f.set->SetSchemes((useA ? f.a : f.b).get());
    useA = !useA;
  }
  state.SetItemsProcessed(state.iterations() * attributes);
  state.counters["attributes"] = attributes;
  state.counters["changes/apply"] = double(f.changes) / double(state.iterations());
}
BENCHMARK(BM_ApplySchemeToEveryHighlighter)->Unit(benchmark::kMillisecond);

void BM_CreateHighlighterSet(benchmark::State& state) {
  const std::string none = (std::filesystem::temp_directory_path() / "tessaryn_bench_no_plugins").string();
  for (auto _ : state) {
    TdmHighLighters set(THighlighterSetRole::Secondary, none);
    benchmark::DoNotOptimize(set.Components().data());
  }
}
BENCHMARK(BM_CreateHighlighterSet)->Unit(benchmark::kMillisecond);

}  // namespace
