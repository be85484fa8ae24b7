// The features of the tree window, driven without a window: the filter and its results, the quick
// search, bookmarks, import and export through the real file pipeline, and the figures of the
// settings and information dialogs.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <future>
#include <random>

#include "ExportBankCopy.h"
#include "ScriptedUIServices.h"
#include "TestTree.h"
#include "databank/uBankMessages.h"
#include "databank/uConfigModel.h"
#include "databank/uRecordSearch.h"
#include "databank/uTextSearchUtils.h"
#include "platform/LocaleText.h"
#include "platform/SharedWork.h"

using platform::ScriptedUIServices;

namespace {

// Folder 1 "Code snippets" holds record 2, folder 3 "Pascal" (keywords "c;pas", holding record 4 and
// the empty folder 5) and record 6; folder 7 "Tools" holds only the empty folder 8; record 9 is at
// the top level. Folder 3 is closed.
const char* const kFilterBank =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot>"
    "<settings><NextNodeID>30</NextNodeID></settings>"
    "<folder ID=\"1\" expanded=\"1\">Code snippets"
    "<record ID=\"2\">Sort a list<data>std::sort(v.begin(), v.end());</data><keywords>c++ stl</keywords></record>"
    "<folder ID=\"3\">Pascal<keywords>c;pas</keywords>"
    "<record ID=\"4\">Hello<data>writeln('hello');</data></record><folder ID=\"5\">Empty</folder></folder>"
    "<record ID=\"6\">Parse int<data>int x = atoi(s);</data></record></folder>"
    "<folder ID=\"7\">Tools<folder ID=\"8\">Nested empty</folder></folder>"
    "<record ID=\"9\">Top level sort<data>qsort</data></record></dataroot>";

TSearchForRec Search(const std::string& text, int mode, const std::string& where, bool whole = false, bool cs = false) {
  TSearchForRec s;
  s.Text = text;
  s.SearchType = static_cast<std::uint8_t>(mode);
  s.InName = where.find('t') != std::string::npos;
  s.InKeywords = where.find('k') != std::string::npos;
  s.InContent = where.find('x') != std::string::npos;
  s.WholeWords = whole;
  s.CaseSensitive = cs;
  return s;
}

// Runs the Filter command with the dialog answering search.
void Filter(TestTree& t, const TSearchForRec& search) {
  t.searchDialog = [search](TSearchForRec& rec) {
    const std::string history = rec.History;
    rec = search;
    rec.History = UpdateSearchHistory(history, search.Text);
    return true;
  };
  t.FilterCommand();
}

}  // namespace

class Features : public TreeCore {};

TEST_F(Features, FilterResults) {
  struct Case {
    TSearchForRec search;
    const char* shape;  // "" = nothing found: the results are shown empty, and say so
  };
  const Case cases[] = {
      {Search("sort", stPhrase, "t"), "1(2) 9"},
      {Search("sort", stPhrase, "t", false, true), "9"},
      {Search("SORT", stAllWords, "t", true, true), "1(2) 9"},  // words compare without regard to case
      {Search("sort list", stAllWords, "t"), "1(2)"},
      {Search("pas", stAnyWord, "k"), "1(3(4))"},  // keywords are words; the empty folder 5 goes
      {Search("tools", stPhrase, "t"), ""},        // a matched folder that holds no record goes too
      {Search("atoi", stPhrase, "x"), "1(6)"},
      {Search("s\\w+t", stRegExpr, "x"), "1(2) 9"},
      {Search("nothing like this", stAnyWord, "tkx"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.search.Text);
    auto t = Open(kFilterBank);
    Filter(*t, c.search);
    EXPECT_EQ(ShapeOf(t->findView), c.shape);
    EXPECT_TRUE(t->filterShown);
    EXPECT_TRUE(t->ui.Calls().empty());
    EXPECT_FALSE(t->Modified());  // the filter's parameters are no change of content
  }
}

// A bad expression ends the run with one message, before any node is tested; a good one that finds
// nothing leaves no stale error behind for the next run.
// Many results show their first screen first: the window is painted with the first top-level
// nodes' results in (a screen of them), then the rest goes in after them, so the results are those
// a whole fill gives, in order. Shared among threads (many top-level folders) or not (two), the
// same; with the open record further on than the first screen, everything goes in before the
// window is painted; with few results nothing waits.
TEST_F(Features, ManyResultsShowTheirFirstScreenFirst) {
  for (int tops : {12, 2}) {
    SCOPED_TRACE(std::to_string(tops) + " top-level folders");
    std::string nodes;
    int id = 1;
    for (int f = 0; f < tops; ++f) {
      nodes += "<folder ID=\"" + std::to_string(id++) + "\" expanded=\"1\">F";
      for (int r = 0; r < 480 / tops; ++r)
        nodes += "<record ID=\"" + std::to_string(id++) + "\">" + (r % 3 ? "hit" : "miss") + "</record>";
      nodes += "</folder>";
    }
    const std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>" +
                            std::to_string(id) + "</NextNodeID></settings>" + nodes + "</dataroot>";
    const TSearchForRec hits = Search("hit", stPhrase, "t");
    auto t = Open(xml);
    t->FilterTree(hits);
    const std::string whole = ShapeOf(t->findView);
    const size_t all = t->findView.Flatten().size();
    ASSERT_GT(all, TXMLTreeFeatures::kFirstScreenItems * 3 / 2);
    t->HideFilter();
    Filter(*t, hits);
    ASSERT_EQ(t->paintedResults.size(), 1u);
    EXPECT_GE(t->paintedResults[0], TXMLTreeFeatures::kFirstScreenItems);
    EXPECT_LT(t->paintedResults[0], all);
    EXPECT_EQ(ShapeOf(t->findView), whole);
    EXPECT_FALSE(t->ResultsWaiting());
    // The open record far down: no early paint.
    t->HideFilter();
    t->Select(id - 2);
    t->paintedResults.clear();
    Filter(*t, hits);
    EXPECT_TRUE(t->paintedResults.empty());
    EXPECT_EQ(ShapeOf(t->findView), whole);
    ASSERT_NE(t->findView.Selected(), nullptr);
    EXPECT_EQ(t->findView.Selected()->node, t->Node(id - 2));
    // Few results: one fill.
    t->paintedResults.clear();
    Filter(*t, Search("miss", stPhrase, "t"));
    EXPECT_TRUE(t->paintedResults.empty());
  }
}

TEST_F(Features, FilterExpressionErrors) {
  auto t = Open(kFilterBank);
  t->Select(1);
  Filter(*t, Search("(a", stRegExpr, "tkx"));
  ASSERT_EQ(t->ui.Calls().size(), 1u);
  // Says what failed, as an error (a box with the error icon, not a bare message).
  EXPECT_EQ(t->ui.LastCall().text, "Invalid regular expression: unmatched ()");
  EXPECT_EQ(t->ui.LastCall().icon, platform::MsgIcon::Error);
  EXPECT_EQ(t->ui.LastCall().caption, "Error");
  EXPECT_EQ(t->editor.ContentTests, 0);
  EXPECT_FALSE(t->filterShown);
  Filter(*t, Search("atoi", stPhrase, "x"));
  EXPECT_EQ(ShapeOf(t->findView), "1(6)");
  EXPECT_EQ(t->ui.Calls().size(), 1u);
  t->editor.ContentTests = 0;
  Filter(*t, Search("(A+)+B", stRegExpr, "x"));  // would backtrack for ever on a long run of a's
  EXPECT_EQ(t->ui.Calls().size(), 1u);           // no such text here: found nothing, said nothing
  EXPECT_EQ(t->editor.ContentTests, 9);          // folders are asked too (and answer no)
}

// What the user typed in the open record is what the filter sees; the record is opened again after.
TEST_F(Features, FilterSeesTheOpenRecordsEdits) {
  auto t = Open(kFilterBank);
  t->Select(6);
  t->editor.OnStore = [](TxevXMLNode2* r) { bank::SetRecordData(r, "the needle"); };
  t->editor.Modified = true;
  Filter(*t, Search("NEEDLE", stPhrase, "x"));
  EXPECT_EQ(ShapeOf(t->findView), "1(6)");
  EXPECT_EQ(t->editor.Calls.back(), "Enable 1");
  EXPECT_EQ(t->CurrentRecord, t->Node(6));
  EXPECT_TRUE(t->Modified());  // by the edit, not by the filter
  // A deleted node leaves the results, which stay (now empty: nothing matches, nothing selected).
  t->ui.PushMessageResult(platform::mrYes);
  t->DeleteNode();
  EXPECT_TRUE(t->filterShown);
  EXPECT_EQ(ShapeOf(t->findView), "");
  EXPECT_EQ(t->SelectedID(), -1);
  EXPECT_EQ(t->CurrentRecord, nullptr);
  EXPECT_TRUE(t->curtain);
}

// The results follow the databank through every command that changes the tree, in place; they and
// the tree share one selection, kept where the node is still a result. In front with no result
// selected, no record is open.
TEST_F(Features, FilterResultsFollowTheDatabank) {
  auto t = Open(kFilterBank);
  t->Select(6);  // no match: the results open with nothing selected
  Filter(*t, Search("sort", stPhrase, "t"));
  ASSERT_EQ(ShapeOf(t->findView), "1(2) 9");
  EXPECT_EQ(t->SelectedID(), -1);
  EXPECT_EQ(t->CurrentRecord, nullptr);
  EXPECT_TRUE(t->curtain);
  auto chosenResult = [&] { return bank::NodeID(t->findView.NodeOf(t->findView.Selected())); };
  auto resultTitle = [&](int id) {
    for (const auto& [item, depth] : t->findView.Flatten())
      if (bank::NodeID(item->node) == id) return item->text;
    return std::string("(none)");
  };
  // A node selected in the tree is selected among the results; one that is none of them brings the
  // whole tree to the front.
  t->GotoBookmark(9);
  EXPECT_EQ(chosenResult(), 9);
  EXPECT_EQ(t->allFoldersShown, 0);
  t->GotoBookmark(6);
  EXPECT_EQ(t->allFoldersShown, 1);
  t->FilterResultChosen(t->Node(2));
  EXPECT_EQ(t->SelectedID(), 2);
  EXPECT_EQ(chosenResult(), 2);
  EXPECT_EQ(t->CurrentRecord, t->Node(2));

  struct Step {
    const char* what;
    std::function<void()> run;
    const char* shape;
    int selected;  // in the tree and among the results (-1: none)
  };
  const Step steps[] = {
      {"renamed, still a match", [&] { t->TreeEdited(t->ItemOf(t->Node(2)), "Sort a vector"); }, "1(2) 9", 2},
      {"another renamed away", [&] { t->TreeEdited(t->ItemOf(t->Node(9)), "Top level"); }, "1(2)", 2},
      {"moved to the top level", [&] { t->DropNode(t->Node(2), nullptr); }, "2", 2},
      {"duplicated", [&] { t->DuplicateNode(); }, "2 30", 30},
      {"moved up", [&] { t->MoveNodeUp(); }, "30 2", 30},
      {"deleted: the result before",
       [&] {
         t->Select(2);
         t->ui.PushMessageResult(platform::mrYes);
         t->DeleteNode();
       },
       "30", 30},
      {"a new record, no match",
       [&] {
         t->Select(1);
         t->NewRecord();
       },
       "30", -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.run();
    EXPECT_TRUE(t->filterShown);
    EXPECT_EQ(ShapeOf(t->findView), step.shape);
    if (step.selected >= 0) {
      EXPECT_EQ(t->SelectedID(), step.selected);
      EXPECT_EQ(chosenResult(), step.selected);
    }
  }
  EXPECT_EQ(resultTitle(30), "Sort a vector");
  // Renamed in the results' own label editor: the title shows at once, the results follow once the
  // editor has closed; no longer a match, it stays selected and open, and the whole tree comes to
  // the front with it.
  t->FilterResultChosen(t->Node(30));
  const int allFoldersBefore = t->allFoldersShown;
  t->RenameResult(t->Node(30), "Vector");
  EXPECT_EQ(resultTitle(30), "Vector");
  EXPECT_EQ(t->Node(30)->Text(), "Vector");
  t->loop.ProcessPosted();
  EXPECT_EQ(ShapeOf(t->findView), "");
  EXPECT_EQ(t->SelectedID(), 30);
  EXPECT_EQ(t->CurrentRecord, t->Node(30));
  EXPECT_FALSE(t->curtain);
  EXPECT_EQ(t->allFoldersShown, allFoldersBefore + 1);
  t->ExpectConsistent();
}

TEST_F(Features, FilterParametersAndHistory) {
  auto t = Open(kFilterBank);
  TSearchForRec seen;
  t->searchDialog = [&](TSearchForRec& rec) {
    seen = rec;
    return false;
  };
  t->FilterCommand();
  EXPECT_EQ(seen.Text, "");
  EXPECT_TRUE(seen.InName && seen.InContent && seen.InKeywords);
  EXPECT_FALSE(seen.WholeWords || seen.CaseSensitive);
  Filter(*t, Search("Sort", stAllWords, "k", true, true));
  Filter(*t, Search("int", stPhrase, "tx"));
  t->searchDialog = [&](TSearchForRec& rec) {
    seen = rec;
    return false;
  };
  t->FilterCommand();
  EXPECT_EQ(seen.Text, "int");
  EXPECT_EQ(seen.History, "int\r\nSort");
  EXPECT_TRUE(seen.InName && seen.InContent && !seen.InKeywords);
  EXPECT_EQ(t->Bank()->ReadString(bank::skRecordSearchinKeywords, ""), "false");
  EXPECT_EQ(t->Bank()->ReadInteger(bank::skRecordSearchSearchType, -1), stPhrase);
  const TFilterStatus status = t->FilterStatusText();
  EXPECT_EQ(status.Text, "\"int\"");
  EXPECT_EQ(status.Type, " Phrase");

  std::string history;
  for (int i = 0; i < 25; ++i) history = UpdateSearchHistory(history, "t" + std::to_string(i));
  history = UpdateSearchHistory(history, "T20");  // there already: keeps its place
  const std::vector<std::string> entries = HistoryEntries(history);
  ASSERT_EQ(entries.size(), 20u);
  EXPECT_EQ(entries.front(), "t24");
  EXPECT_EQ(entries[4], "t20");
  EXPECT_EQ(entries.back(), "t5");
}

// The one-pass filter keeps exactly what the copy-then-delete algorithm of the design keeps, and
// tests the same nodes in the same order, on random trees with random answers.
TEST(FilterAlgorithm, AgreesWithCopyThenDelete) {
  struct Ref {
    TxevXMLNode2* node;
    std::vector<Ref> children;
  };
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    TXMLDataBase2 db;
    std::vector<TxevXMLNode2*> folders{db.Root()};
    int id = 1;
    for (int i = int(rng() % 40); i > 0; --i) {
      TxevXMLNode2* parent = folders[rng() % folders.size()];
      TxevXMLNode2* n = parent->AddChild(rng() % 3 ? bank::xnRecord : bank::xnFolder);
      bank::SetNodeID(n, id++);
      if (bank::IsFolder(n)) folders.push_back(n);
      if (rng() % 7 == 0) parent->AddChild("keywords");
    }
    const unsigned salt = rng();
    auto answer = [&](const TxevXMLNode2* n) { return ((bank::NodeID(n) * 2654435761u) ^ salt) % 3 == 0; };

    // The design's way: copy everything, mark failing records, skip below matching folders, delete
    // the marked, then delete childless folders until none is left.
    std::vector<int> refCalls;
    std::function<Ref(TxevXMLNode2*)> copy = [&](TxevXMLNode2* n) {
      Ref r{n, {}};
      if (n == db.Root() || bank::IsFolder(n))
        for (TxevXMLNode2* c : n->Children())
          if (bank::IsTreeNode(c)) r.children.push_back(copy(c));
      return r;
    };
    Ref tree = copy(db.Root());
    std::function<void(Ref&)> mark = [&](Ref& r) {
      for (auto it = r.children.begin(); it != r.children.end();) {
        refCalls.push_back(bank::NodeID(it->node));
        const bool ok = answer(it->node);
        if (!ok && !bank::IsFolder(it->node)) {
          it = r.children.erase(it);
          continue;
        }
        if (!ok) mark(*it);
        ++it;
      }
    };
    mark(tree);
    for (bool again = true; again;) {
      again = false;
      std::function<void(Ref&)> prune = [&](Ref& r) {
        for (auto it = r.children.begin(); it != r.children.end();) {
          if (bank::IsFolder(it->node) && it->children.empty()) {
            it = r.children.erase(it);
            again = true;
          } else {
            prune(*it);
            ++it;
          }
        }
      };
      prune(tree);
    }
    std::vector<std::pair<int, int>> want;
    std::function<void(const Ref&, int)> flat = [&](const Ref& r, int depth) {
      for (const Ref& c : r.children) {
        want.emplace_back(bank::NodeID(c.node), depth);
        flat(c, depth + 1);
      }
    };
    flat(tree, 0);

    std::vector<int> calls;
    const auto specs = FilterTreeSpecs(
        db.Root(), TTreeImages{},
        [&](TxevXMLNode2* n) {
          calls.push_back(bank::NodeID(n));
          return answer(n);
        },
        nullptr);
    std::vector<std::pair<int, int>> got;
    for (const TTreeItemSpec& s : specs)
      got.emplace_back(bank::NodeID(s.Node), s.Parent < 0 ? 0 : got[size_t(s.Parent)].second + 1);
    ASSERT_EQ(got, want) << "round " << round;
    ASSERT_EQ(calls, refCalls) << "round " << round;
  }
}

// The filter run shared among threads (a databank of many top-level nodes) against the run on one
// thread through the editor: the same results, the same steps spent of the run's budget and the
// same first failure, for random databanks and every mode and option, with expressions that fail to
// compile, run away on some records, or spend a budget small enough to run out part way. The items
// its threads make for a view hold the same results: inserted, they give the tree the results give.
TEST(FilterAlgorithm, SharedRunAgreesWithOneThread) {
  std::mt19937 rng(2024);
  const std::vector<std::string> pieces = {"a", "b", "ab", "x y", "A", "\xC3\xA9", ";", " ", "aaaaaaaa", "!b"};
  auto text = [&](int most) {
    std::string t;
    for (int n = int(rng() % unsigned(most + 1)); n > 0; --n) t += pieces[rng() % pieces.size()];
    return t;
  };
  struct TPattern {
    const char* text;
    int mode;
  };
  const TPattern patterns[] = {{"ab", stPhrase},          {"a b", stAllWords},    {"x ab", stAnyWord},
                               {"a.b", stRegExpr},        {"(a|x)+!", stRegExpr}, {"(a+)+b", stRegExpr},
                               {"b$|^x", stRegExpr},      {"(a", stRegExpr},      {"\xC3.", stRegExpr},
                               {"(ab|x|y)_?b", stRegExpr}};
  RecordingEditor editor;
  int shared = 0, failed = 0, matched = 0, made = 0;
  for (int round = 0; round < 120; ++round) {
    TXMLDataBase2 db;
    std::vector<TxevXMLNode2*> folders{db.Root()};
    int id = 1;
    const int tops = 8 + int(rng() % 12);
    for (int i = 0; i < tops + int(rng() % 120); ++i) {
      TxevXMLNode2* parent = i < tops ? db.Root() : folders[rng() % folders.size()];
      TxevXMLNode2* n = parent->AddChild(rng() % 3 ? bank::xnRecord : bank::xnFolder);
      bank::SetNodeID(n, id++);
      n->SetText(text(3));
      if (rng() % 2) bank::SetNodeKeywords(n, text(3));
      if (bank::IsFolder(n))
        folders.push_back(n);
      else if (rng() % 4)
        bank::SetRecordData(n, text(6));
    }
    for (int k = 0; k < 6; ++k) {
      const TPattern& pattern = patterns[rng() % std::size(patterns)];
      TSearchForRec search;
      search.SearchType = static_cast<std::uint8_t>(pattern.mode);
      search.CaseSensitive = rng() % 2;
      search.WholeWords = rng() % 2;
      search.InName = rng() % 2;
      search.InKeywords = rng() % 2;
      search.InContent = rng() % 4 != 0;
      search.Text = PrepareSearchText(pattern.text, search.CaseSensitive, pattern.mode);
      IEditor* with = rng() % 5 ? &editor : nullptr;
      const std::int64_t budgets[] = {60, 400, 3000, TMatchRun::DefaultBudget};
      auto test = [&](TxevXMLNode2* n) { return RecordMatches(n, search, with); };
      // A random budget, then one that the whole run spends to the last step: what comes after the
      // last step of work is told the budget is spent.
      for (std::int64_t budget = budgets[rng() % 4], pass = 0; pass < 2; ++pass) {
        std::vector<TTreeItemSpec> want, got;
        std::string wantError, gotError;
        std::int64_t wantSteps = 0, gotSteps = 0;
        {
          TMatchRun run(budget);
          want = FilterTreeSpecs(db.Root(), TTreeImages{}, test, [] { return !LastRegExprError().empty(); });
          wantError = LastRegExprError();
          wantSteps = run.StepsSpent();
        }
        FakeTreeView resultsView, wantView;
        std::vector<std::unique_ptr<TPreparedItems>> items;
        {
          TMatchRun run(budget);
          TFilterResults results = FilterRecords(db.Root(), TTreeImages{}, search, with, test, &resultsView);
          got = std::move(results.Specs);
          items = std::move(results.Items);
          gotError = LastRegExprError();
          gotSteps = run.StepsSpent();
        }
        const std::string what = std::string("pattern '") + pattern.text + "' round " + std::to_string(round) +
                                 " budget " + std::to_string(budget);
        ASSERT_EQ(gotError, wantError) << what;
        ASSERT_EQ(gotSteps, wantSteps) << what;
        ASSERT_EQ(got.size(), want.size()) << what;
        for (size_t i = 0; i < want.size(); ++i) {
          ASSERT_EQ(got[i].Node, want[i].Node) << what << " item " << i;
          ASSERT_EQ(got[i].Parent, want[i].Parent) << what << " item " << i;
          ASSERT_EQ(got[i].Expanded, want[i].Expanded) << what << " item " << i;
        }
        if (!items.empty()) {
          std::vector<TTreeItem*> wantItems, gotItems;
          wantView.InsertItems(nullptr, nullptr, want, wantItems);
          resultsView.InsertPrepared(nullptr, nullptr, std::move(items), gotItems);
          ASSERT_EQ(ShapeOf(resultsView), ShapeOf(wantView)) << what;
          ASSERT_EQ(gotItems.size(), want.size()) << what;
          for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(gotItems[i]->node, want[i].Node) << what << " item " << i;
            ASSERT_EQ(gotItems[i]->expanded, wantItems[i]->expanded) << what << " item " << i;
          }
          ++made;
        }
        shared += platform::SharedWorkThreads() > 1;
        failed += !wantError.empty();
        matched += !want.empty();
        if (!wantError.empty() || wantSteps == 0) break;
        budget = wantSteps;
      }
    }
  }
  EXPECT_GT(failed, 60);
  EXPECT_GT(matched, 200);
  EXPECT_GT(shared, 0) << "this machine runs no helper threads: the shared run was not compared";
  EXPECT_GT(made, 100);
}

TEST_F(Features, QuickSearchAndFindNext) {
  auto t = Open(kFilterBank);
  t->QuickSearchChanged("h");
  t->QuickSearchChanged("hel");  // every change restarts the wait
  t->loop.Advance(599);
  EXPECT_EQ(t->SelectedNode(), nullptr);
  t->loop.Advance(1);
  EXPECT_EQ(t->SelectedID(), 4);  // "Hello", inside the closed folder 3, which opens
  EXPECT_TRUE(bank::IsExpanded(t->Node(3)));
  EXPECT_FALSE(t->IncrementalSearchTimer().Enabled());
  t->QuickSearchChanged("SORT");
  t->loop.Advance(600);
  EXPECT_EQ(t->SelectedID(), 2);
  t->SearchNextRecord();
  EXPECT_EQ(t->SelectedID(), 9);
  t->SearchNextRecord();  // no wrapping around
  EXPECT_EQ(t->SelectedID(), 9);
  t->QuickSearchChanged("");
  t->loop.Advance(1000);
  EXPECT_EQ(t->SelectedID(), 9);
  t->SearchNextRecord();
  EXPECT_TRUE(t->quickBoxShown);

  EXPECT_EQ(QuickSearchFind(t->Bank()->Root(), nullptr, "ÉTÉ"), nullptr);
  bank::SetNodeTitle(t->Node(7), "Résumé été");
  EXPECT_EQ(QuickSearchFind(t->Bank()->Root(), nullptr, "ÉTÉ"), t->Node(7));  // accented letters too
  EXPECT_EQ(QuickSearchFind(t->Bank()->Root(), t->Node(7), "été"), nullptr);
}

TEST_F(Features, BookmarksSurviveSaveAndReopen) {
  const std::string path = tmp.File("bank.xdb2");
  auto t = Open(kFilterBank);
  EXPECT_TRUE(t->BookmarkMenu().empty());
  EXPECT_FALSE(ManageBookmarksEnabled(0));
  t->Select(4);
  t->ui.PushInput("hello mark");
  t->SaveBookmark();
  EXPECT_TRUE(t->Modified());
  t->Select(9);
  t->ui.PushInput(std::nullopt);  // cancelled: nothing saved
  t->SaveBookmark();
  t->ui.PushInput("");
  t->SaveBookmark();
  EXPECT_EQ(t->ui.LastCall().value, "Top level sort");
  EXPECT_EQ(t->ui.LastCall().caption, "Save Bookmark");
  // A bookmark element without a name, and an element of another kind that only the manager shows.
  TxevXMLNode2* list = BookmarksElement(*t->Bank());
  list->AddChild("note");
  XMLPathWriteString(list->AddChild("bookmark"), "ID", "6");
  ASSERT_TRUE(t->Session().SaveBank(path));

  auto u = Open(testsupport::ReadFile(path));
  const std::vector<TBookmarkMenuItem> items = u->BookmarkMenu();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Caption, "hello mark");
  EXPECT_EQ(items[1].Caption, "");
  EXPECT_EQ(items[2].Caption, "unnamed 3");
  EXPECT_TRUE(ManageBookmarksEnabled(items.size()));
  u->GotoBookmark(items[0].TargetID);
  EXPECT_EQ(u->SelectedID(), 4);
  // A bookmark whose node was deleted leads nowhere and harms nothing.
  u->ui.PushMessageResult(platform::mrYes);
  u->DeleteNode();
  u->Select(9);
  u->GotoBookmark(items[0].TargetID);
  EXPECT_EQ(u->SelectedID(), 9);
}

TEST_F(Features, BookmarkManager) {
  auto t = Open(kFilterBank);
  TxevXMLNode2* list = BookmarksElement(*t->Bank());
  for (const char* name : {"a", "b", "c"}) AppendBookmark(list, name, "2");
  const std::string before = t->Bank()->Document()->GetNodeXML(list);
  t->bookmarkDialog = [&](TBookmarkWork& w) {
    EXPECT_EQ(w.MoveDown(0), 1);
    EXPECT_EQ(w.MoveDown(2), -1);
    t->ui.PushInput("B2");
    EXPECT_EQ(w.Edit(0, t->ui), 0);
    t->ui.PushMessageResult(platform::mrNo);
    EXPECT_EQ(w.Delete(2, t->ui), -1);
    EXPECT_EQ(t->ui.LastCall().text, "Do you really want to delete \"c\"");
    EXPECT_EQ(t->ui.LastCall().caption, "Confirm delete");
    t->ui.PushMessageResult(platform::mrYes);
    EXPECT_EQ(w.Delete(2, t->ui), 1);
    return false;  // Cancel
  };
  t->ManageBookmarks();
  EXPECT_EQ(t->Bank()->Document()->GetNodeXML(list), before);
  EXPECT_FALSE(t->Modified());
  auto dialog = t->bookmarkDialog;
  t->bookmarkDialog = [&](TBookmarkWork& w) {
    dialog(w);
    return true;
  };
  t->ManageBookmarks();
  std::vector<std::string> captions;
  for (const TBookmarkMenuItem& i : t->BookmarkMenu()) captions.push_back(i.Caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"B2", "a"}));
  EXPECT_TRUE(t->Modified());
}

// An export goes through the writer as a save does: frozen on the window's thread, which goes on at
// once while the file is written beside it (exporting a large databank blocked the window for
// seconds). The file holds the nodes as they were when the export was chosen, in the bytes of the
// exported databank; a failure is told as a save's is, once the write has ended.
TEST_F(Features, AnExportIsWrittenBesideTheWindow) {
  const std::string path = tmp.File("bank.xdb2");
  testsupport::WriteFile(path, kFilterBank);
  std::promise<void> open;
  std::shared_future<void> gate = open.get_future().share();
  bool fail = false;
  TBankSession::TOptions options;
  options.BackgroundSaves = true;
  options.WriteJob = [&](TBankSaveJob job) {
    gate.wait();
    if (!fail) return WriteBankJob(std::move(job));
    TBankSaveOutcome outcome;
    outcome.Path = job.Path;
    outcome.Tag = job.Tag;
    outcome.Errors.emplace_back(SCouldNotCompressBank, BankMessage(SCouldNotCompressBank));
    return outcome;
  };
  TestTree t(path, options);
  t.Select(3);
  std::string expected;
  t.exportDialog = [&](TExportChoice& c) {
    c.Items[2].Checked = true;  // folder 3 and record 6
    c.Compress = true;
    expected = BuildExportBank(c, t.Session().NextNodeID, platform::ShortDateText(std::time(nullptr)))->EncodedXML();
    return true;
  };
  const std::string out = tmp.File("out.xdb2");
  ASSERT_TRUE(t.ExportFile(out));
  EXPECT_FALSE(std::filesystem::exists(out)) << "written on the window's thread";
  EXPECT_TRUE(t.Session().SaveInFlight());
  bank::SetRecordData(t.Node(6), "changed while the export is written");
  open.set_value();
  t.Session().WaitForSave();
  TXMLDataBase2 exported;
  TBankSession reader(nullptr, {}, &t.ui, &t.loop);
  ASSERT_TRUE(reader.LoadBankFile(out, &exported));
  EXPECT_EQ(exported.EncodedXML(), expected);
  EXPECT_TRUE(t.ui.CallsOf(ScriptedUIServices::Kind::Message).empty());
  EXPECT_FALSE(t.Modified());

  fail = true;
  t.ui.PushMessageResult(platform::mrOk);
  ASSERT_TRUE(t.ExportFile(tmp.File("failing.xdb2")));
  t.Session().WaitForSave();
  ASSERT_EQ(t.ui.CallsOf(ScriptedUIServices::Kind::Message).size(), 1u);
  EXPECT_EQ(t.ui.CallsOf(ScriptedUIServices::Kind::Message)[0].text, "Could not compress DataBank!");
  EXPECT_FALSE(t.Modified());
}

// Export chosen onto the open databank's file (through a link) or onto its backup: each is refused in
// one box and the save dialog comes back, until another name is chosen (which is written) or the
// dialog is cancelled (nothing is written). The selection dialog is shown only for a name that may
// be written.
TEST_F(Features, ExportOntoTheOpenFileAsksForAnotherName) {
  auto t = Open(kFilterBank);
  const std::string own = tmp.File("bank.xdb2"), alias = tmp.File("alias.xdb2"), out = tmp.File("out.xdb2");
  std::filesystem::create_symlink(own, alias);
  t->Select(3);
  t->SetModified();
  t->Session().SaveCommand();  // bank.backup holds the file as it was
  const std::string file = testsupport::ReadFile(own), backup = testsupport::ReadFile(tmp.File("bank.backup"));
  int selections = 0;
  t->exportDialog = [&](TExportChoice&) { return ++selections, true; };
  const std::string refused = "This is the open databank's file. Choose another name.";
  struct Case {
    std::vector<std::optional<std::string>> answers;  // the save dialog's, in turn (nullopt: Cancel)
    size_t boxes;
    bool written;
  };
  const Case cases[] = {
      {{own, alias, tmp.File("bank.backup"), out}, 3, true},
      {{tmp.File("x/../bank.xdb2"), std::nullopt}, 1, false},
  };
  for (const Case& c : cases) {
    t->ui.Clear();
    selections = 0;
    std::filesystem::remove(out);
    for (const auto& answer : c.answers) t->ui.PushSaveFile(answer);
    t->ExportCommand();
    t->Session().WaitForSave();
    EXPECT_EQ(t->ui.CallsOf(ScriptedUIServices::Kind::SaveFile).size(), c.answers.size());
    const auto boxes = t->ui.CallsOf(ScriptedUIServices::Kind::Message);
    ASSERT_EQ(boxes.size(), c.boxes);
    for (const auto& box : boxes) EXPECT_EQ(box.text, refused);
    EXPECT_EQ(selections, c.written ? 1 : 0);
    EXPECT_EQ(std::filesystem::exists(out), c.written);
    EXPECT_EQ(testsupport::ReadFile(own), file);
    EXPECT_EQ(testsupport::ReadFile(tmp.File("bank.backup")), backup);
  }
  // Asked for directly, the open file is refused as well.
  t->ui.Clear();
  EXPECT_FALSE(t->ExportFile(alias));
  EXPECT_EQ(t->ui.CallsOf(ScriptedUIServices::Kind::Message).size(), 1u);
  EXPECT_EQ(testsupport::ReadFile(own), file);
}

// Export then import through the real pipeline: the chosen siblings go out with the export date and
// a counter above their IDs, under their own password and compression, and come back in with fresh
// IDs where Paste would put them. The open databank's layers are untouched throughout.
TEST_F(Features, ExportThenImport) {
  auto t = Open(kFilterBank);
  t->Session().SetPassword("open pw");
  t->Select(3);
  const std::string out = tmp.File("out.xdb2");
  t->exportDialog = [](TExportChoice& c) {
    EXPECT_EQ(c.Items.size(), 3u);  // 2, 3 and 6
    EXPECT_EQ(c.Selected, 1);
    EXPECT_TRUE(c.Items[1].Checked && !c.Items[0].Checked);
    EXPECT_TRUE(c.Lock && c.CurrentPass && !c.Compress);
    c.Items[2].Checked = true;
    c.CurrentPass = false;
    c.Password = "";
    EXPECT_FALSE(ExportOkEnabled(c));  // a lock without a password is refused
    c.Password = "own pw";
    c.Compress = true;
    return true;
  };
  ASSERT_TRUE(t->ExportFile(out));
  EXPECT_EQ(t->Session().Password(), "open pw");
  EXPECT_FALSE(t->Session().Compress());
  EXPECT_FALSE(t->Modified());

  TXMLDataBase2 exported;
  {
    TBankSession reader(nullptr, {}, &t->ui, &t->loop);
    t->ui.PushFilePassword("own pw");
    ASSERT_TRUE(reader.LoadBankFile(out, &exported));
  }
  EXPECT_FALSE(exported.ReadString(bank::skExported, "").empty());
  EXPECT_GT(exported.ReadInteger(bank::skNextNodeID, 0), bank::HighestNodeID(exported.Root()));
  EXPECT_EQ(exported.ReadInteger(bank::skNextNodeID, 0), 30);

  // Back in, onto record 2: before it, in order, renumbered from 30; the open password is tried
  // first, then the file's own is asked for.
  t->Select(2);
  t->ui.PushFilePassword("own pw");
  ASSERT_TRUE(t->ImportFile(out));
  EXPECT_EQ(t->ui.CallsOf(ScriptedUIServices::Kind::FilePassword).size(), 2u);
  EXPECT_EQ(t->Shape(), "1(30(31 32()) 33 2 3(4 5()) 6) 7(8()) 9");
  EXPECT_EQ(t->SelectedID(), 2);
  EXPECT_EQ(bank::NodeTitle(t->Node(31)), "Hello");
  EXPECT_EQ(t->Session().Password(), "open pw");
  EXPECT_FALSE(t->Session().Compress());
  EXPECT_TRUE(t->Modified());
  t->ExpectConsistent();

  // A wrong answer brings the prompt back saying so; cancelled there, the import fails with the open
  // message (one box), and still restores the layers.
  t->ui.Clear();
  t->ui.PushFilePassword("wrong");
  EXPECT_FALSE(t->ImportFile(out));
  const auto boxes = t->ui.CallsOf(ScriptedUIServices::Kind::Message);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Could not open DataBank!\nThe password is wrong, or the file is damaged: " + out);
  const auto prompts = t->ui.CallsOf(ScriptedUIServices::Kind::FilePassword);
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[1].note, "The password is wrong. Try again.");
  EXPECT_EQ(t->Session().Password(), "open pw");
}

// A file whose text is not all UTF-8 imports with U+FFFD for each bad byte and says so once, after
// the copies are in place, naming the file and the first line; the file itself is left as it was.
TEST_F(Features, ImportOfTextThatIsNotUtf8IsTold) {
  const std::string fffd = "\xEF\xBF\xBD";
  const std::string heads[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", "\xEF\xBB\xBF"};
  for (const std::string& head : heads) {
    SCOPED_TRACE(head[0] == '<' ? "declared UTF-8" : "after a byte-order mark");
    auto t = Open(kFilterBank);
    const std::string in = tmp.File("in.xdb2");
    const std::string text = head +
                             "<dataroot>\r\n<record ID=\"5\">R\xFF<data>a\r\n\xED\xA0\x80 \xF0\x9F\x98|"
                             "</data></record></dataroot>";
    testsupport::WriteFile(in, text);
    t->Select(9);
    ASSERT_TRUE(t->ImportFile(in));
    const auto boxes = t->ui.CallsOf(ScriptedUIServices::Kind::Message);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Some of " + in + " is not valid UTF-8 text, first on line " +
                                 (head[0] == '<' ? "3" : "2") +
                                 ": 7 bytes were replaced by the character \xEF\xBF\xBD (U+FFFD) in what was "
                                 "imported. The file itself is left as it is.");
    EXPECT_EQ(boxes[0].caption, "Warning");
    const TxevXMLNode2* copy = t->Node(30);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(bank::NodeTitle(copy), "R" + fffd);
    EXPECT_EQ(bank::RecordData(copy), "a\r\n" + fffd + fffd + fffd + " " + fffd + fffd + fffd + "|");
    EXPECT_EQ(testsupport::ReadFile(in), text);
    EXPECT_TRUE(t->Modified());
  }
}

TEST(BankFigures, FormatDataSizeAndDelay) {
  const std::pair<std::int64_t, const char*> sizes[] = {
      {0, "0 Chars"},        {1023, "1023 Chars"},    {1024, "1.0 KB"},    {1536, "1.5 KB"},
      {2047, "2.0 KB"},      {1048575, "1024.0 KB"},  {1048576, "1.0 MB"}, {1572864, "1.5 MB"},
      {5LL << 30, "5.0 GB"}, {3LL << 40, "3072.0 GB"}};
  for (auto [size, text] : sizes) EXPECT_EQ(FormatDataSize(size), text) << size;
  const std::pair<const char*, int> delays[] = {{"60", 60},    {"1", 1},   {"86400", 86400}, {"abc", -1},
                                                {"", -1},      {"0", -1},  {"-1", -1},       {"-2", -1},
                                                {"86401", -1}, {" 5", -1}, {"12abc", -1},    {"99999999999", -1}};
  for (auto [text, want] : delays) EXPECT_EQ(ParseAutoSaveDelay(text).value_or(-1), want) << text;

  MapSettings settings;
  TConfigValues values = ReadConfigValues(settings);
  EXPECT_EQ(values.Delay, "300");
  EXPECT_TRUE(values.Flags["chSlowQuit"]);
  EXPECT_FALSE(values.Flags["chAutoExpandTree"]);
  values.Flags["chAutoExpandTree"] = true;
  values.Delay = "oops";
  WriteConfigValues(settings, values);
  EXPECT_EQ(settings.ReadInteger("AutoSavePeriod", 0), 150);
  EXPECT_TRUE(settings.ReadBool("AutoExpandTree", false));
}

TEST_F(Features, BankInformation) {
  auto t = Open(kFilterBank);
  TBankInfo info;
  t->Session().SetCompress(true);
  info = BankInfoOf(t->Session());
  EXPECT_EQ(info.Folders, 5);
  EXPECT_EQ(info.Records, 4);
  EXPECT_TRUE(info.Compressed);
  EXPECT_FALSE(info.Encrypted);
  EXPECT_EQ(info.FileName, tmp.File("bank.xdb2"));
  EXPECT_EQ(info.FileSize, FormatDataSize(std::int64_t(std::string(kFilterBank).size())));
}
