// The features of the databank window on the canonical databank (canonical_bank.h): the record
// filter over titles, keywords and contents beside grep over the same XML file in the same run
// (grep -c -i for a phrase, grep -c -E -i for an expression, in the C locale, each timed from the
// start of its process); the filter results shown in the window after the match; one quick-search
// run; and the export of the whole databank.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "RecordingEditor.h"
#include "canonical_bank.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "databank/uImportExport.h"
#include "databank/uRecordSearch.h"
#include "databank/uTextSearchUtils.h"
#include "platform/Lifecycle.h"
#include "window_bench_support.h"
#include "xml/uXMLBase2.h"

extern char** environ;

namespace {

using windowbench::Seconds;

struct Corpus {
  canonical::TBenchDir dir{"features_bench"};
  std::string file;
  TXMLDataBase2 db;
  Corpus() {
    canonical::Fill(db);
    file = dir.File("canonical.xdb2");
    std::ofstream(file, std::ios::binary) << db.EncodedXML();
  }
};

Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

TSearchForRec Search(const std::string& text, int mode) {
  TSearchForRec s;
  s.SearchType = static_cast<std::uint8_t>(mode);
  s.Text = PrepareSearchText(text, false, mode);
  return s;  // titles, keywords and contents; not case-sensitive
}

// One filter run over the whole databank; returns the number of results.
size_t RunFilter(TXMLDataBase2& db, const TSearchForRec& search, std::int64_t* steps = nullptr) {
  static RecordingEditor editor;
  TMatchRun run;
  struct Spent {
    TMatchRun& run;
    std::int64_t* out;
    ~Spent() {
      if (out) *out = run.StepsSpent();
    }
  } spent{run, steps};
  const auto specs = FilterTreeSpecs(
      db.Root(), TTreeImages{}, [&](TxevXMLNode2* n) { return RecordMatches(n, search, &editor); },
      [] { return !LastRegExprError().empty(); });
  if (!LastRegExprError().empty()) std::abort();
  return specs.size();
}

// Seconds of one run of grep with args over file, from the start of the process to its end.
double GrepSeconds(const std::vector<std::string>& args, const std::string& file) {
  std::vector<std::string> all{"grep"};
  all.insert(all.end(), args.begin(), args.end());
  all.push_back(file);
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env{"LC_ALL=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp{env[0].data(), env[1].data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Not to /dev/null: grep then stops at the first match, as -q does.
  const std::string out = TheCorpus().dir.File("grep.out");
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), envp.data()) != 0) std::abort();
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double seconds = Seconds(start);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) std::abort();
  return seconds;
}

struct TFilterCase {
  const char* label;
  int mode;
  const char* ours;
  const char* grep;  // the same search as grep reads it
};
const TFilterCase kFilters[] = {
    {"phrase, absent", stPhrase, "no such phrase", "no such phrase"},
    {"phrase, common", stPhrase, "count buffer", "count buffer"},
    {"regexp, literal", stRegExpr, "(value|index) = count", "(value|index) = count"},
    {"regexp, classes", stRegExpr, "[a-z]+\\( *[a-z]+ *\\)", "[a-z]+\\( *[a-z]+ *\\)"},
    {"regexp, backtracking", stRegExpr, "(for|while) [a-z ]*x[a-z ]*y =", "(for|while) [a-z ]*x[a-z ]*y ="},
};

// Ours and grep alternate; each side keeps its best time.
void BM_FilterBesideGrep(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const TFilterCase& f = kFilters[state.range(0)];
  const TSearchForRec search = Search(f.ours, f.mode);
  const std::vector<std::string> grepArgs = f.mode == stRegExpr ? std::vector<std::string>{"-c", "-E", "-i", f.grep}
                                                                : std::vector<std::string>{"-c", "-i", f.grep};
  double ours = 1e9, grep = 1e9;
  size_t results = 0;
  std::int64_t steps = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    results = RunFilter(c.db, search, &steps);
    const double t = Seconds(start);
    state.SetIterationTime(t);
    ours = std::min(ours, t);
    grep = std::min(grep, GrepSeconds(grepArgs, c.file));
  }
  state.counters["ours_ms"] = ours * 1e3;
  state.counters["grep_ms"] = grep * 1e3;
  state.counters["x_grep"] = ours / grep;
  state.counters["results"] = double(results);
  state.counters["steps"] = double(steps);
  state.counters["MB_per_s"] = double(std::filesystem::file_size(c.file)) / ours / 1e6;
  state.SetLabel(f.label);
}

// An expression that backtracks without end on every record: the run's bound ends it, with our
// message, in the time this reports.
void BM_RunawayExpressionStops(benchmark::State& state) {
  TXMLDataBase2 db;
  for (int i = 0; i < 1000; ++i) {
    TxevXMLNode2* r = db.Root()->AddChild(bank::xnRecord);
    bank::SetNodeID(r, i + 1);
    bank::SetRecordData(r, std::string(40, 'a') + "!b");
  }
  const TSearchForRec search = Search("(a+)+b", stRegExpr);
  static RecordingEditor editor;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    TMatchRun run;
    const auto specs = FilterTreeSpecs(
        db.Root(), TTreeImages{}, [&](TxevXMLNode2* n) { return RecordMatches(n, search, &editor); },
        [] { return !LastRegExprError().empty(); });
    state.SetIterationTime(Seconds(start));
    if (LastRegExprError() != SRegExprTooComplex || !specs.empty()) std::abort();
  }
  state.counters["budget_steps"] = double(TMatchRun::DefaultBudget);
}

// ---- the window ----

struct Window {
  TXMLTreeForm* form;
  Window() {
    NeedBenchApplication();
    windowbench::TheUI();
    form = platform::Construct<TXMLTreeForm>(nullptr, TheCorpus().file);
    windowbench::Paint(form);
  }
};

Window& TheWindow() {
  static Window window;
  return window;
}

// From the end of the match to the painted results: the results tree filled and opened, the view
// switched.
void BM_FilterResultsShown(benchmark::State& state) {
  Window& w = TheWindow();
  const TSearchForRec search = Search(state.range(0) == 0 ? "snippet" : "snippet 49", stPhrase);
  size_t items = 0;
  for (auto _ : state) {
    static RecordingEditor editor;
    std::vector<TTreeItemSpec> specs;
    {
      TMatchRun run;
      specs = FilterTreeSpecs(
          w.form->Bank()->Root(), w.form->Images, [&](TxevXMLNode2* n) { return RecordMatches(n, search, &editor); },
          nullptr);
    }
    w.form->HideFilter();
    windowbench::Paint(w.form);
    const auto start = std::chrono::steady_clock::now();
    {
      TTreeUpdateLock lock(*w.form->FindTree);
      w.form->FindTree->Clear();
      std::vector<TTreeItem*> made;
      w.form->FindTree->InsertItems(nullptr, nullptr, specs, made);
      w.form->FindTree->FullExpand();
    }
    w.form->ShowFilterResults();
    windowbench::Paint(w.form);
    state.SetIterationTime(Seconds(start));
    items = specs.size();
  }
  state.counters["items"] = double(items);
  state.SetLabel(state.range(0) == 0 ? "every record" : "111 records");
}

// One run of the quick search (what follows the last keystroke): every title from the first node
// on, up to the last record, which is selected (its two closed folders open).
void BM_QuickSearchRun(benchmark::State& state) {
  Window& w = TheWindow();
  w.form->HideFilter();
  const std::string text = state.range(0) == 0 ? "SNIPPET 49999" : "no such title";
  for (auto _ : state) {
    w.form->Tree->Select(w.form->ItemOf(w.form->Bank()->Root()->Children().First()));
    w.form->FullCollapse();
    windowbench::Paint(w.form);
    const auto start = std::chrono::steady_clock::now();
    w.form->QuickSearch(nullptr, text);
    QApplication::processEvents();
    state.SetIterationTime(Seconds(start));
  }
  const TxevXMLNode2* selected = w.form->SelectedNode();
  if (state.range(0) == 0 && (!selected || selected->Text() != "Snippet 49999")) std::abort();
  state.SetLabel(state.range(0) == 0 ? "found in the last record" : "not found");
}

// Export of every top-level folder: the copy, the file written through the pipeline.
void BM_ExportWholeDatabank(benchmark::State& state) {
  Corpus& c = TheCorpus();
  TBankSession session(nullptr, {}, &windowbench::TheUI());
  TExportChoice choice;
  for (TxevXMLNode2* node : c.db.Root()->Children())
    if (bank::IsTreeNode(node)) choice.Items.push_back({node, node->Text(), 0, true});
  choice.Compress = state.range(0) == 1;
  const std::string out = c.dir.File("export.xdb2");
  for (auto _ : state) {
    std::filesystem::remove(out);
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<TXMLDataBase2> bank = BuildExportBank(choice, 1, "1.1.2030");
    if (!session.SaveBankFile(out, bank.get(), ExportLayers(choice, ""))) std::abort();
    state.SetIterationTime(Seconds(start));
  }
  state.counters["file_MB"] = double(std::filesystem::file_size(out)) / 1e6;
  state.SetLabel(choice.Compress ? "compressed" : "plain");
}

}  // namespace

BENCHMARK(BM_FilterBesideGrep)->DenseRange(0, 4)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunawayExpressionStops)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterResultsShown)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickSearchRun)->Arg(0)->Arg(1)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWholeDatabank)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
