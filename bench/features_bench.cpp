// The features of the databank window on the canonical databank (canonical_bank.h): the record
// filter over titles, keywords and contents beside grep over the same XML file in the same run
// (grep -c -i for a phrase, in the C locale, each timed from the start of its process); the
// filter's regular expressions beside grep -c -E -i in C.UTF-8 (BM_RegExprFilterBesideGrep, see
// there); the filter results shown in the window after the match; one quick-search run; and the
// export of the whole databank.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ExportBankCopy.h"
#include "RecordingEditor.h"
#include "app/UMain.h"
#include "canonical_bank.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "databank/uImportExport.h"
#include "databank/uRecordSearch.h"
#include "databank/uTextSearchUtils.h"
#include "platform/Lifecycle.h"
#include "shown_program.h"
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

// One filter run over the whole databank as the window makes it (FilterRecords); returns its results.
std::vector<TTreeItemSpec> RunFilter(TXMLDataBase2& db, const TSearchForRec& search) {
  static RecordingEditor editor;
  TMatchRun run;
  auto specs = FilterRecords(db.Root(), TTreeImages{}, search, &editor, [&](TxevXMLNode2* n) {
                 return RecordMatches(n, search, &editor);
               }).Specs;
  if (!LastRegExprError().empty()) std::abort();
  return specs;
}

struct TGrepRun {
  double seconds = 0;
  long count = -1;  // what grep -c printed
};

// One run of grep with args over file in locale, timed from the start of the process to its end; its
// output goes to the file out.
TGrepRun RunGrep(const std::vector<std::string>& args, const std::string& file, const std::string& out,
                 const char* locale) {
  std::vector<std::string> all{"grep"};
  all.insert(all.end(), args.begin(), args.end());
  all.push_back(file);
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env{std::string("LC_ALL=") + locale, "PATH=/usr/bin:/bin"};
  std::vector<char*> envp{env[0].data(), env[1].data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Not to /dev/null: grep then stops at the first match, as -q does.
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), envp.data()) != 0) std::abort();
  int status = 0;
  ::waitpid(pid, &status, 0);
  TGrepRun run;
  run.seconds = Seconds(start);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) std::abort();
  std::ifstream(out) >> run.count;
  return run;
}

struct TPhraseCase {
  const char* label;
  const char* phrase;
};
const TPhraseCase kPhrases[] = {
    {"phrase, absent", "no such phrase"},
    {"phrase, common", "count buffer"},
};

// Ours and grep alternate; each side keeps its best time.
void BM_FilterBesideGrep(benchmark::State& state) {
  Corpus& c = TheCorpus();
  const TPhraseCase& f = kPhrases[state.range(0)];
  const TSearchForRec search = Search(f.phrase, stPhrase);
  const std::vector<std::string> grepArgs{"-c", "-i", f.phrase};
  double ours = 1e9, grep = 1e9;
  size_t results = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    results = RunFilter(c.db, search).size();
    const double t = Seconds(start);
    state.SetIterationTime(t);
    ours = std::min(ours, t);
    grep = std::min(grep, RunGrep(grepArgs, c.file, c.dir.File("grep.out"), "C").seconds);
  }
  state.counters["ours_ms"] = ours * 1e3;
  state.counters["grep_ms"] = grep * 1e3;
  state.counters["x_grep"] = ours / grep;
  state.counters["results"] = double(results);
  state.counters["MB_per_s"] = double(std::filesystem::file_size(c.file)) / ours / 1e6;
  state.SetLabel(f.label);
}

// ---- the filter's regular expressions beside grep ----
//
// The match alone of a filter run with "Regular Expression" chosen, not case-sensitive, searching
// the records' data (BM_FilterWindowBesideGrep times the window's whole run): the test of every node
// of a databank of 50,000 records as the window makes it (FilterRecords, the expression compiled
// once), beside grep -c -E -i in C.UTF-8 over the same texts, timed from the start of its process,
// in the same run. The databank is the canonical one with each record's data made one line (its line
// breaks become spaces), so that grep's count of lines is the filter's count of records, and the file
// grep reads holds those data, one a line, in UTF-8. Ours and grep alternate; the counters are the
// medians of the runs: ours_ms, grep_ms, and x_grep, the median of the ratios run by run (the
// target: at most 2). A row whose counts differ stops with an error. The last two rows hold no
// literal every match needs; the last searches by its sets around the dot, which takes any byte, so
// every text is taken to Windows-1252 whole, while nearly every record matches near its start, where
// grep stops reading the line.
struct TRegExprCase {
  const char* label;
  const char* expression;  // for grep -E -i as for the filter
};
const TRegExprCase kRegExprs[] = {
    {"literal", "std::string buffer = count"},
    {"literal beyond ASCII", "r\u00E9sum\u00E9 \u201C\u20AC\u201D"},
    {"classes", "[a-z]+ \\( [xy] \\)"},
    {"alternation", "(value|index) = (count|buffer)"},
    {"anchored", "^(int|for|while) [a-z]+ ="},
    {"mixed case", "While \\( X [A-Z]"},
    {"backtracking", "(for|while) [a-z ]*x[a-z ]*y ="},
    {"no required literal", "[xy] *[+=] *[xy]"},
    {"no required literal, dot", "[xy].[+=]"},
};

// Kept: shaped as people keep their databanks, about 4% of the data's bytes beyond ASCII (one "e"
// in five written "é", beside the canonical text's own), and a record in the middle of the tree
// selected (Middle) when the filter runs.
struct RegExprCorpus {
  canonical::TBenchDir dir;
  TXMLDataBase2 db;
  std::string file;
  int middleID = 0;
  explicit RegExprCorpus(bool kept = false) : dir(kept ? "regexpr_filter_kept_bench" : "regexpr_filter_bench") {
    canonical::Fill(db);
    std::string lines;
    int records = 0, es = 0;
    std::vector<TxevXMLNode2*> stack{db.Root()};
    while (!stack.empty()) {
      TxevXMLNode2* node = stack.back();
      stack.pop_back();
      for (TxevXMLNode2* child : node->Children()) {
        if (bank::IsFolder(child)) stack.push_back(child);
        if (!bank::IsRecord(child)) continue;
        if (++records == canonical::kRecords / 2) middleID = bank::NodeID(child);
        std::string data = bank::RecordData(child);
        std::replace(data.begin(), data.end(), '\r', ' ');
        std::replace(data.begin(), data.end(), '\n', ' ');
        if (kept) {
          std::string more;
          more.reserve(data.size() + data.size() / 40);
          for (char c : data) more += c == 'e' && ++es % 5 == 0 ? std::string("\u00E9") : std::string(1, c);
          data = std::move(more);
        }
        lines += data;
        lines += '\n';
        bank::SetRecordData(child, std::move(data));
      }
    }
    file = dir.File("record-data.txt");
    std::ofstream(file, std::ios::binary) << lines;
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Each iteration times `ours` (its seconds; it sets `records` to the records it found) and then grep
// with `grepArgs` over `file` in C.UTF-8; the medians of both and of their ratio are reported.
// Gives back grep's times, run by run.
template <class Ours>
std::vector<double> TimeBesideGrep(benchmark::State& state, Ours ours, const std::vector<std::string>& grepArgs,
                                   const std::string& file, const std::string& out, const char* label) {
  std::vector<double> ourTimes, grep, ratio;
  long records = 0, grepCount = 0;
  for (auto _ : state) {
    const double t = ours(records);
    state.SetIterationTime(t);
    const TGrepRun g = RunGrep(grepArgs, file, out, "C.UTF-8");
    grepCount = g.count;
    ourTimes.push_back(t);
    grep.push_back(g.seconds);
    ratio.push_back(t / g.seconds);
  }
  state.counters["ours_ms"] = Median(ourTimes) * 1e3;
  state.counters["grep_ms"] = Median(grep) * 1e3;
  state.counters["x_grep"] = Median(ratio);
  state.counters["records"] = double(records);
  state.counters["grep_count"] = double(grepCount);
  state.SetLabel(label);
  if (records != grepCount) state.SkipWithError("the filter and grep count different records");
  return grep;
}

RegExprCorpus& TheRegExprCorpus() {
  static RegExprCorpus corpus;
  return corpus;
}

RegExprCorpus& TheKeptCorpus() {
  static RegExprCorpus corpus(true);
  return corpus;
}

void BM_RegExprFilterBesideGrep(benchmark::State& state) {
  RegExprCorpus& corpus = TheRegExprCorpus();
  const TRegExprCase& r = kRegExprs[state.range(0)];
  TSearchForRec search = Search(r.expression, stRegExpr);
  search.InName = false;
  search.InKeywords = false;
  const std::vector<std::string> grepArgs{"-c", "-E", "-i", r.expression};
  auto ours = [&](long& records) {
    const auto start = std::chrono::steady_clock::now();
    const auto specs = RunFilter(corpus.db, search);
    const double t = Seconds(start);
    records = long(std::count_if(specs.begin(), specs.end(), [](const TTreeItemSpec& s) { return !s.Folder; }));
    return t;
  };
  TimeBesideGrep(state, ours, grepArgs, corpus.file, corpus.dir.File("grep.out"), r.label);
}

// ---- the filter in the window beside grep ----
//
// What the user waits for in the main window: from the Return that closes the filter dialog (Data
// searched alone, not case-sensitive) to the painted results, the match over every record of the
// databank of BM_RegExprFilterBesideGrep (its data one line each) and the results shown in their
// own tab, beside grep in C.UTF-8 over the same data, one record a line: grep -c -E -i for a
// regular expression, grep -c -F -i for a phrase (a phrase is a plain text, so its parentheses are
// no group), timed from the start of its process, in the same run. The program is the real one up
// to its main window with the record editor, on the platform the benchmark runs on. Ours and grep
// alternate; the counters are the medians of the runs (ours_ms, grep_ms, and x_grep, the median of
// the ratios run by run; the target: at most 1.5 on a busy machine, 1.0 on a quiet one), and
// first_ms, the median time from the Return to the first paint of the results (their first screen,
// painted before the rest of many results is put in), with x_first its median ratio to grep. A row
// whose counts differ stops with an error.
// The last three rows have many hits or no literal. Each row runs on the databank of
// BM_RegExprFilterBesideGrep, then ("kept") on one shaped as people keep theirs: about 4% of the
// data's bytes beyond ASCII and the record in the middle of the tree open.
struct TWindowFilterCase {
  const char* label;
  const char* text;
  int mode;
};
const TWindowFilterCase kWindowFilters[] = {
    {"alternation of 20 words",
     "(buffer|node|folder|record|item|index|value|count|list|tree|file|line|text|word|page|block|entry|key|table|"
     "stream)_(queue|cache|mode)",
     stRegExpr},
    {"dots between letters", "c.n.e.t", stRegExpr},
    {"a word in half the records", "return", stRegExpr},
    {"sets around a dot", "[xy].[+=]q", stRegExpr},
    {"phrase with parentheses", "push_back(item)", stPhrase},
    {"phrase of two words", "the buffer", stPhrase},
    {"a set at the end", "[;}]$", stRegExpr},
    {"sets and repeats, no literal", "[<>=] [0-9]+\\)? *[:{]", stRegExpr},
    {"letters between dots", "s.r.n.", stRegExpr},
};

struct FilterWindow {
  RegExprCorpus* corpus = &TheRegExprCorpus();
  canonical::TBenchDir dir{"filter_window_bench"};
  std::string bank, settings;
  std::unique_ptr<windowbench::ShownProgram> program;
  FilterWindow() {
    NeedBenchApplication();
    windowbench::TheUI();
    bank = dir.File("record-data.xdb2");
    std::ofstream(bank, std::ios::binary) << corpus->db.EncodedXML();
    settings = dir.File("settings.xdb");
    std::ofstream(settings, std::ios::binary)
        << "<?xml version=\"1.0\"?>\r\n<dataroot><AutoSave>0</AutoSave><MakeBackup>0</MakeBackup></dataroot>";
    program = std::make_unique<windowbench::ShownProgram>(settings, bank, dir.File("no-plugins"));
    windowbench::Paint(program->Form());
  }
  // Held in a static, the window would be taken down after the benchmark's application object, which
  // crashed the process at its end: the end of the process takes it instead.
  ~FilterWindow() { (void)program.release(); }
  TfrmMain* Form() const { return program->Form(); }
  // The program has corpus's databank open (one program a process: the databank is what changes).
  void Open(RegExprCorpus& c) {
    if (corpus == &c) return;
    corpus = &c;
    const std::string other = dir.File(&c == &TheKeptCorpus() ? "kept.xdb2" : "record-data.xdb2");
    std::ofstream(other, std::ios::binary) << c.db.EncodedXML();
    Form()->Session().OpenBank(other);
    windowbench::Paint(Form());
  }
  // The program has the databank file open instead (no corpus).
  void OpenFile(const std::string& file) {
    corpus = nullptr;
    Form()->Session().OpenBank(file);
    windowbench::Paint(Form());
  }
  // The records the results show.
  long ShownRecords() const {
    long records = 0;
    for (QTreeWidgetItemIterator it(Form()->FindTree); *it; ++it)
      if (bank::IsRecord(Form()->FindTree->NodeOf(TTreeWidget::Handle(*it)))) ++records;
    return records;
  }
  // Seconds from the Return to the first paint of the results (their first screen) in the last Run.
  double firstScreen = 0;
  // One filter run from the Return in its dialog to the painted results, with the record in the
  // middle of the tree open when kept; seconds.
  double Run(const TWindowFilterCase& c, bool kept) {
    TfrmMain* form = Form();
    TSearchForRec rec = ReadSearchRec(*form->Bank());
    rec.Text = c.text;
    rec.SearchType = static_cast<std::uint8_t>(c.mode);
    rec.InName = rec.InKeywords = false;
    rec.InContent = true;
    rec.CaseSensitive = rec.WholeWords = false;
    WriteSearchRec(*form->Bank(), rec);
    form->HideFilter();
    if (kept) form->SelectNodeByID(corpus->middleID);
    windowbench::Paint(form);
    std::chrono::steady_clock::time_point start{};
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog || !dialog->isVisible()) return;
      answer.stop();
      QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
      start = std::chrono::steady_clock::now();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(target, &release);
    });
    answer.start();
    TFirstPaint painted(form->FindTree->viewport());
    form->Action(TTreeAction::FilterTree)->trigger();
    windowbench::Paint(form);
    if (start == std::chrono::steady_clock::time_point{} || !painted.at) std::abort();
    firstScreen = std::chrono::duration<double>(*painted.at - start).count();
    return Seconds(start);
  }
  // When a widget was first painted.
  struct TFirstPaint : QObject {
    QWidget* widget;
    std::optional<std::chrono::steady_clock::time_point> at;
    explicit TFirstPaint(QWidget* w) : widget(w) { widget->installEventFilter(this); }
    ~TFirstPaint() override { widget->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && !at) at = std::chrono::steady_clock::now();
      return false;
    }
  };
};

// One program a process.
FilterWindow& TheFilterWindow() {
  static FilterWindow window;
  return window;
}

void BM_FilterWindowBesideGrep(benchmark::State& state) {
  const bool kept = state.range(0) == 1;
  FilterWindow& window = TheFilterWindow();
  window.Open(kept ? TheKeptCorpus() : TheRegExprCorpus());
  const TWindowFilterCase& c = kWindowFilters[state.range(1)];
  const std::vector<std::string> grepArgs{"-c", c.mode == stRegExpr ? "-E" : "-F", "-i", c.text};
  std::vector<double> first;
  auto ours = [&](long& records) {
    const double t = window.Run(c, kept);
    first.push_back(window.firstScreen);
    records = window.ShownRecords();
    return t;
  };
  const std::string label = std::string(c.label) + (kept ? ", kept" : "");
  const std::vector<double> grep =
      TimeBesideGrep(state, ours, grepArgs, window.corpus->file, window.dir.File("grep.out"), label.c_str());
  std::vector<double> ratio;
  for (size_t i = 0; i < first.size() && i < grep.size(); ++i) ratio.push_back(first[i] / grep[i]);
  state.counters["first_ms"] = Median(first) * 1e3;
  state.counters["x_first"] = Median(ratio);
}

// One chain of nested folders with a record at the bottom that holds "needle".
std::string DeepChainXML(int levels) {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<dataroot>";
  for (int i = 0; i < levels; ++i) xml += "<folder ID=\"" + std::to_string(i + 1) + "\">level " + std::to_string(i);
  xml += "<record ID=\"" + std::to_string(levels + 1) + "\">bottom<data>the needle is here</data></record>";
  for (int i = 0; i < levels; ++i) xml += "</folder>";
  return xml + "</dataroot>";
}

// The filter's own part on such a chain (the test of every node and the results' items), without
// the window: linear in the depth, as the time per level shows.
void BM_FilterDeepChainCore(benchmark::State& state) {
  const int levels = int(state.range(0));
  TXMLDataBase2 db;
  if (!db.LoadEncodedXML(DeepChainXML(levels))) std::abort();
  const TSearchForRec search = Search("needle", stPhrase);
  static RecordingEditor editor;
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    TMatchRun run;
    TFilterResults results = FilterRecords(
        db.Root(), TTreeImages{}, search, &editor, [&](TxevXMLNode2* n) { return RecordMatches(n, search, &editor); },
        nullptr);
    const double t = Seconds(start);
    state.SetIterationTime(t);
    total += t;
    if (results.Specs.size() != size_t(levels) + 1) std::abort();
  }
  state.counters["us_per_level"] = total / double(state.iterations()) / levels * 1e6;
}

// The filter on one chain of nested folders with a matching record at the bottom, in the window
// from the Return to the painted results: the time per level stays the same as the chain grows.
void BM_FilterDeepChain(benchmark::State& state) {
  FilterWindow& window = TheFilterWindow();
  const int levels = int(state.range(0));
  const std::string file = window.dir.File("deep" + std::to_string(levels) + ".xdb2");
  std::ofstream(file, std::ios::binary) << DeepChainXML(levels);
  window.OpenFile(file);
  const TWindowFilterCase c{"one word", "needle", stPhrase};
  double total = 0;
  for (auto _ : state) {
    const double t = window.Run(c, false);
    state.SetIterationTime(t);
    total += t;
    if (window.ShownRecords() != 1) std::abort();
  }
  state.counters["us_per_level"] = total / double(state.iterations()) / levels * 1e6;
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

// From the end of the match to the painted results: the results tree filled (its folders open as
// they come, as the window fills it), the view switched.
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
    }
    w.form->ShowFilterResults();
    windowbench::Paint(w.form);
    state.SetIterationTime(Seconds(start));
    items = specs.size();
  }
  state.counters["items"] = double(items);
  state.SetLabel(state.range(0) == 0 ? "every record" : "1,111 records");
}

// One run of the quick search (what follows the last keystroke): every title from the first node
// on, up to the last record, which is selected (the closed folders above it open).
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

BENCHMARK(BM_FilterBesideGrep)->DenseRange(0, 1)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegExprFilterBesideGrep)
    ->DenseRange(0, std::size(kRegExprs) - 1)
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterWindowBesideGrep)
    ->ArgsProduct({{0, 1}, benchmark::CreateDenseRange(0, std::size(kWindowFilters) - 1, 1)})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterDeepChainCore)
    ->Arg(10000)
    ->Arg(40000)
    ->Arg(160000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterDeepChain)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunawayExpressionStops)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterResultsShown)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickSearchRun)->Arg(0)->Arg(1)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWholeDatabank)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
