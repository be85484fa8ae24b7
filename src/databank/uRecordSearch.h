// The record filter and the quick search of the tree window, in plain code: the filter's
// parameters as the databank keeps them, the history rule of its dialog, the status line, the test
// of one node, the kept set computed in one pass, and the quick search's walk over the titles.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "databank/uSearchForRec.h"
#include "databank/uTreeModel.h"
#include "regex/RegExprScan.h"

class IEditor;
class TXMLDataBase2;
class TxevXMLNode2;

// ---- the filter's parameters ----

// The eight "RecordSearch..." values of the databank's settings, each with its default.
TSearchForRec ReadSearchRec(TXMLDataBase2& bank);
void WriteSearchRec(TXMLDataBase2& bank, const TSearchForRec& rec);

// The dialog's history rule on OK: text goes to the top unless the list holds it already (compared
// without regard to case; it then keeps its place); entries beyond the 20th go. History is one entry
// per line, newest first.
inline constexpr int kSearchHistoryMax = 20;
std::string UpdateSearchHistory(std::string_view history, const std::string& text);
std::vector<std::string> HistoryEntries(std::string_view history);
std::string JoinHistory(const std::vector<std::string>& entries);

// ---- the status line of the filter results ----

struct TFilterStatus {
  std::string Text;            // the stored text in double quotes
  std::string Type;            // " Phrase", " All", " Any" or " RegExp"
  bool CaseSensitive = false;  // " C" shown
  bool WholeWords = false;     // " W" shown
};
inline constexpr const char* SFilterLabel = " Filter: ";
inline constexpr const char* SFilterAs = " as:";
inline constexpr const char* SFilterCase = " C";
inline constexpr const char* SFilterCaseHint = "Case Sensitive";
inline constexpr const char* SFilterWhole = " W";
inline constexpr const char* SFilterWholeHint = "Whole Words";
TFilterStatus FilterStatusOf(const TSearchForRec& stored);
// The whole status line as it reads: "Filter: \"text\" as: Phrase C W" (the marks that are shown).
std::string FilterStatusLine(const TFilterStatus& status);
// Where the results would be when the filter found nothing.
inline constexpr const char* SNoRecordsMatch = "No records match.";

// ---- the filter ----

// The filter's test of one node (search.Text prepared): the title when search.InName; then, unless
// that matched or an expression failed, the keywords (always as whole words) when InKeywords, and the
// content through editor when InContent (no editor: no content match).
bool RecordMatches(TxevXMLNode2* node, const TSearchForRec& search, IEditor* editor);

// The filter results below root in one pass, as items for the results tree (pre-order, Parent
// indices into the list, every folder marked expanded: the results show open): every record that
// test accepts, every node of a folder test accepts (its nodes are not tested), and the folders
// above them; a folder that ends up holding no record is left out, whatever test said of it. test
// is asked in display order; when stop() holds after a test, the run ends and nothing is returned.
std::vector<TTreeItemSpec> FilterTreeSpecs(TxevXMLNode2* root, const TTreeImages& images,
                                           const std::function<bool(TxevXMLNode2*)>& test,
                                           const std::function<bool()>& stop);

// The results of a filter run: the items for the results tree, and, when the run's threads made
// them for a view, its items in parts, in order (otherwise none).
struct TFilterResults {
  std::vector<TTreeItemSpec> Specs;
  std::vector<std::unique_ptr<TPreparedItems>> Items;
};

// The filter run of the window, inside a TMatchRun (search.Text prepared): FilterTreeSpecs with test
// (RecordMatches with editor, or what stands in for it), stopped by the first failed expression.
// A databank with many top-level nodes is shared among several threads instead, each taking a run of
// them with a matcher of its own and testing a record's content as an editor does
// (RecordContentMatches, when there is an editor): the same results, the same steps spent of the
// run's budget, the same first failure (LastRegExprError). Each thread then also makes the items of
// its run for view (ITreeView::PrepareItems), when one is given.
TFilterResults FilterRecords(TxevXMLNode2* root, const TTreeImages& images, const TSearchForRec& search,
                             IEditor* editor, const std::function<bool(TxevXMLNode2*)>& test,
                             const ITreeView* view = nullptr);

// ---- the quick search ----

// The quick search's comparison: a title matches when it contains the text, both folded by simple
// case folding (letters of every script, as every search that ignores case compares them).
class TQuickSearchMatcher {
 public:
  explicit TQuickSearchMatcher(std::string_view text);
  bool Matches(std::string_view title) const;

 private:
  std::string folded_;
  bool ascii_ = true;            // folded_ is ASCII: found by literal_, any letter in either case
  bool foldsIntoAscii_ = false;  // and holds k or s
  regexscan::Literal<unsigned char> literal_;
};

// The node after start in display order (the first node when start is nullptr), every folder's
// nodes included whether it is open or not; nullptr after the last.
TxevXMLNode2* NextInDisplayOrder(const TxevXMLNode2* root, const TxevXMLNode2* start);
// The first node after start in display order whose title contains text; nullptr when none (no
// wrapping around) or when text is empty.
TxevXMLNode2* QuickSearchFind(const TxevXMLNode2* root, const TxevXMLNode2* start, std::string_view text);
