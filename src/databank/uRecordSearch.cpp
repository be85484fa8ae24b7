#include "databank/uRecordSearch.h"

#include <algorithm>
#include <atomic>

#include "databank/uDataBankContent.h"
#include "databank/uEditorIntf.h"
#include "databank/uFilterExpression.h"
#include "databank/uMRUList.h"
#include "databank/uTextSearchUtils.h"
#include "platform/CodePage.h"
#include "platform/SharedWork.h"
#include "platform/WideChar.h"
#include "xml/uXMLBase2.h"

using namespace bank;

// ---- the filter's parameters ----

TSearchForRec ReadSearchRec(TXMLDataBase2& db) {
  TSearchForRec rec;
  rec.Text = db.ReadString(skRecordSearchText, "");
  rec.History = db.ReadString(skRecordSearchHistory, "");
  const int type = db.ReadInteger(skRecordSearchSearchType, DefRecordSearchSearchType);
  rec.SearchType = static_cast<std::uint8_t>(type >= stPhrase && type <= stRegExpr ? type : stPhrase);
  rec.InName = db.ReadBool(skRecordSearchinName, DefRecordSearchinName);
  rec.InContent = db.ReadBool(skRecordSearchInContent, DefRecordSearchInContent);
  rec.InKeywords = db.ReadBool(skRecordSearchinKeywords, DefRecordSearchinKeywords);
  rec.WholeWords = db.ReadBool(skRecordSearchWholeWords, DefRecordSearchWholeWords);
  rec.CaseSensitive = db.ReadBool(skRecordSearchCaseSensitive, DefRecordSearchCaseSensitive);
  return rec;
}

void WriteSearchRec(TXMLDataBase2& db, const TSearchForRec& rec) {
  db.WriteString(skRecordSearchText, rec.Text);
  db.WriteString(skRecordSearchHistory, rec.History);
  db.WriteInteger(skRecordSearchSearchType, rec.SearchType);
  db.WriteBool(skRecordSearchinName, rec.InName);
  db.WriteBool(skRecordSearchInContent, rec.InContent);
  db.WriteBool(skRecordSearchinKeywords, rec.InKeywords);
  db.WriteBool(skRecordSearchWholeWords, rec.WholeWords);
  db.WriteBool(skRecordSearchCaseSensitive, rec.CaseSensitive);
}

std::vector<std::string> HistoryEntries(std::string_view history) {
  TMRUList list;
  list.SetText(history);
  return list.Items();
}

std::string JoinHistory(const std::vector<std::string>& entries) {
  std::string out;
  for (const std::string& e : entries) {
    if (!out.empty()) out += "\r\n";
    out += e;
  }
  return out;
}

std::string UpdateSearchHistory(std::string_view history, const std::string& text) {
  std::vector<std::string> entries = HistoryEntries(history);
  if (std::none_of(entries.begin(), entries.end(), [&](const std::string& e) { return SameTextIgnoreCase(e, text); }))
    entries.insert(entries.begin(), text);
  if (entries.size() > size_t(kSearchHistoryMax)) entries.resize(kSearchHistoryMax);
  return JoinHistory(entries);
}

TFilterStatus FilterStatusOf(const TSearchForRec& stored) {
  static const char* const kTypes[] = {" Phrase", " All", " Any", " RegExp"};
  TFilterStatus status;
  status.Text = "\"" + stored.Text + "\"";
  status.Type = kTypes[stored.SearchType <= stRegExpr ? stored.SearchType : 0];
  status.CaseSensitive = stored.CaseSensitive;
  status.WholeWords = stored.WholeWords;
  return status;
}

std::string FilterStatusLine(const TFilterStatus& status) {
  std::string line = std::string(SFilterLabel).substr(1) + status.Text + SFilterAs + status.Type;
  if (status.CaseSensitive) line += SFilterCase;
  if (status.WholeWords) line += SFilterWhole;
  return line;
}

// ---- the filter ----

namespace {
// The test of one node (RecordMatches) with any matcher: match(text, wholeWords) answers and
// failed() tells whether that expression failed; content() is the content test.
template <class Match, class Failed, class Content>
bool NodeMatches(TxevXMLNode2* node, const TSearchForRec& search, Match&& match, Failed&& failed, Content&& content) {
  bool found = false;
  if (search.InName) found = match(node->Text(), search.WholeWords);
  if (found || failed()) return found;
  if (search.InKeywords)
    if (const TxevXMLNode2* keywords = node->FindNode(xnKeywords)) found = match(keywords->Text(), true);
  if (found || failed()) return found;
  if (search.InContent) found = content();
  return found;
}
}  // namespace

bool RecordMatches(TxevXMLNode2* node, const TSearchForRec& search, IEditor* editor) {
  TTextMatcher& matcher = SearchMatcher(search);
  return NodeMatches(
      node, search, [&](std::string_view text, bool whole) { return matcher.Matches(text, whole); },
      [] { return !LastRegExprError().empty(); }, [&] { return editor && editor->RecordContentMatches(node, search); });
}

namespace {

// Leaves out, inside out[from, end), every folder that holds no record, and renumbers the parents.
void DropEmptyFolders(std::vector<TTreeItemSpec>& out, size_t from) {
  const size_t n = out.size() - from;
  std::vector<int> keptChildren(n, 0);
  std::vector<bool> kept(n, false);
  for (size_t k = n; k-- > 0;) {  // children come after their parents
    const TTreeItemSpec& s = out[from + k];
    kept[k] = !s.Folder || keptChildren[k] > 0;
    if (kept[k] && s.Parent >= int(from)) ++keptChildren[size_t(s.Parent) - from];
  }
  std::vector<int> index(n, -1);
  size_t to = from;
  for (size_t k = 0; k < n; ++k) {
    if (!kept[k]) continue;
    TTreeItemSpec s = out[from + k];
    if (s.Parent >= int(from)) s.Parent = index[size_t(s.Parent) - from];
    index[k] = int(to);
    out[to++] = s;
  }
  out.resize(to);
}

TxevXMLNode2* FirstTreeChild(const TxevXMLNode2* node) {
  for (TxevXMLNode2* child : node->Children())
    if (IsTreeNode(child)) return child;
  return nullptr;
}

// FilterTreeSpecs over the children first .. last - 1 of root; false when stop() ended it.
template <class Test, class Stop>
bool AppendFilterSpecs(TxevXMLNode2* root, int first, int last, const TTreeImages& images, Test&& test, Stop&& stop,
                       std::vector<TTreeItemSpec>& out) {
  struct Frame {
    TxevXMLNode2* folder;
    int spec;  // -1 for root
    int next;
  };
  std::vector<Frame> stack{{root, -1, first}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    TxevXMLNode2* child =
        stack.size() == 1 && frame.next >= last ? nullptr : frame.folder->Children().Items(frame.next);
    if (!child) {
      // A folder none of whose nodes was kept goes again.
      if (frame.spec >= 0 && out.size() == size_t(frame.spec) + 1) out.pop_back();
      stack.pop_back();
      continue;
    }
    ++frame.next;
    if (!IsTreeNode(child)) continue;
    const int parent = frame.spec;
    const bool match = test(child);
    if (stop()) return false;
    if (IsFolder(child)) {
      if (match) {
        const size_t from = out.size();
        AppendSubtreeSpecs(child, images, out);
        out[from].Parent = parent;
        DropEmptyFolders(out, from);
      } else {
        out.push_back(ItemSpecOf(child, parent, images));
        stack.push_back({child, int(out.size()) - 1, 0});
      }
    } else if (match) {
      out.push_back(ItemSpecOf(child, parent, images));
    }
  }
  for (TTreeItemSpec& s : out) s.Expanded = s.Folder;
  return true;
}

}  // namespace

std::vector<TTreeItemSpec> FilterTreeSpecs(TxevXMLNode2* root, const TTreeImages& images,
                                           const std::function<bool(TxevXMLNode2*)>& test,
                                           const std::function<bool()>& stop) {
  std::vector<TTreeItemSpec> out;
  if (!root) return out;
  const auto stopped = [&] { return stop && stop(); };
  if (!AppendFilterSpecs(root, 0, root->Children().Count(), images, test, stopped, out)) return {};
  return out;
}

TFilterResults FilterRecords(TxevXMLNode2* root, const TTreeImages& images, const TSearchForRec& search,
                             IEditor* editor, const std::function<bool(TxevXMLNode2*)>& test, const ITreeView* view) {
  TFilterResults results;
  if (!root) return results;
  const int count = root->Children().Count();
  // Each share takes runs of top-level nodes.
  const size_t threads = platform::SharedWorkShares({.Searched = size_t(count)});
  // A bad expression fails at the first node: nothing to share.
  if (threads < 2 || !SearchMatcher(search).Error().empty()) {
    results.Specs = FilterTreeSpecs(root, images, test, [] { return !LastRegExprError().empty(); });
    return results;
  }
  // The top-level nodes in runs, taken by the threads one after the other as each is done (their
  // sizes differ, as the load of the processors does); each thread with a matcher of its own, the
  // calls of its expression noted. The runs are then joined in order, their calls taken into the
  // run as they come.
  struct TShare {
    std::vector<TTreeItemSpec> specs;
    TRegExprCallLog calls;
    std::unique_ptr<TPreparedItems> items;
  };
  const size_t runs = std::min<size_t>(size_t(count), threads * 8);
  std::vector<TShare> shares(runs);
  std::atomic<size_t> next{0};
  const std::int64_t limit = RegExprCallLimit();
  platform::RunShared(threads, [&](size_t) {
    TTextMatcher matcher(search.Text, search.SearchType, search.CaseSensitive);
    for (size_t k; (k = next.fetch_add(1)) < runs;) {
      // Filled here and moved out at the end: the shares lie side by side, and a thread that kept
      // writing into its own would slow the thread working beside it down.
      TShare share;
      share.calls.Limit = limit;
      matcher.SetCallLog(&share.calls);
      const auto nodeTest = [&](TxevXMLNode2* node) {
        return NodeMatches(
            node, search, [&](std::string_view text, bool whole) { return matcher.Match(text, whole); },
            [&] { return !matcher.LastError().empty(); },
            [&] { return editor && RecordContentMatch(node, matcher, search.WholeWords); });
      };
      const int first = int(size_t(count) * k / runs), last = int(size_t(count) * (k + 1) / runs);
      // A run ends at its first failed call, which is its last: taking its calls stops there too.
      AppendFilterSpecs(
          root, first, last, images, nodeTest, [&] { return !matcher.LastError().empty(); }, share.specs);
      matcher.SetCallLog(nullptr);
      // The items of a run that holds results, while its nodes are still at hand.
      if (view && !share.specs.empty() && matcher.LastError().empty()) share.items = view->PrepareItems(share.specs);
      shares[k] = std::move(share);
      if (!matcher.LastError().empty()) break;  // the runs after this one are never joined
    }
  });
  size_t total = 0;
  for (const TShare& share : shares) total += share.specs.size();
  results.Specs.reserve(total);
  for (TShare& share : shares) {
    if (!TakeRegExprCalls(share.calls)) return {};
    const int offset = int(results.Specs.size());
    for (TTreeItemSpec& spec : share.specs) {
      if (spec.Parent >= 0) spec.Parent += offset;
      results.Specs.push_back(spec);
    }
    if (share.items) results.Items.push_back(std::move(share.items));
  }
  return results;
}

// ---- the quick search ----

TQuickSearchMatcher::TQuickSearchMatcher(std::string_view text) : folded_(widechar::FoldUtf8(text)) {
  ascii_ = IsAsciiText(folded_);
  foldsIntoAscii_ = ascii_ && folded_.find_first_of("ks") != std::string::npos;
  if (ascii_)
    for (unsigned char c : folded_) literal_.Add(c, true);
}

bool TQuickSearchMatcher::Matches(std::string_view title) const {
  if (folded_.empty()) return false;
  if (ascii_) {
    const auto* s = reinterpret_cast<const unsigned char*>(title.data());
    if (regexscan::Find(literal_, s, 0, title.size()) < title.size()) return true;
    // Beyond ASCII only the Kelvin sign and the long s fold as ASCII letters.
    if (!foldsIntoAscii_ || !filterexpr::HoldsAsciiFolding(title)) return false;
  } else if (IsAsciiText(title)) {
    return false;
  }
  return widechar::FoldUtf8(title).find(folded_) != std::string::npos;
}

TxevXMLNode2* NextInDisplayOrder(const TxevXMLNode2* root, const TxevXMLNode2* start) {
  if (!root) return nullptr;
  if (!start) return FirstTreeChild(root);
  if (IsFolder(start))
    if (TxevXMLNode2* child = FirstTreeChild(start)) return child;
  for (const TxevXMLNode2* n = start; n && n != root; n = n->Parent())
    if (TxevXMLNode2* next = NextTreeSibling(n)) return next;
  return nullptr;
}

TxevXMLNode2* QuickSearchFind(const TxevXMLNode2* root, const TxevXMLNode2* start, std::string_view text) {
  const TQuickSearchMatcher matcher(text);
  for (TxevXMLNode2* n = NextInDisplayOrder(root, start); n; n = NextInDisplayOrder(root, n))
    if (matcher.Matches(n->Text())) return n;
  return nullptr;
}
