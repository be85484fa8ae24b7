// The text matcher of the record search: the filter tests titles, keywords and record texts with it,
// and the record editor tests a record's content with it (RecordContentMatches).
//
// Texts are UTF-8, as the databank holds them. Case preparation changes only the letters a to z;
// with case sensitivity off every comparison then ignores case by simple case folding, the one rule
// of every search of the program (phrases, words and expressions alike), and the whole-word
// comparison always does (SameTextIgnoreCase). A regular expression is written in the single-byte
// engine's syntax and matches where the text holds what it names (uFilterExpression.h): on the
// single-byte engine over the text taken to Windows-1252 when the expression fits that code page,
// else on the wide engine over the text's characters.
//
// Two ways to match, with the same answers:
// - MatchText, the plain routine, for one text and one pattern.
// - TTextMatcher, prepared once for a whole filter run (the expression compiled once, the phrase and
//   words turned into scanners), matching raw texts without copying or folding them first.
//
// A filter run is bounded: inside a TMatchRun the regular-expression work of the whole run has a
// limit, so an expression that backtracks without end stops the run with SRegExprTooComplex
// instead of freezing the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "databank/uSearchForRec.h"
#include "regex/RegExpr.h"
#include "regex/RegExprScan.h"
#include "regex/SynRegExpr.h"

class TxevXMLNode2;

// TSearchForRec::SearchType.
enum TSearchType : std::uint8_t { stPhrase = 0, stAllWords = 1, stAnyWord = 2, stRegExpr = 3 };

// Our own message for an expression that needs too much work to match.
inline constexpr const char* SRegExprTooComplex =
    "The regular expression needs too much backtracking to match; the search was stopped. "
    "Try a simpler expression.";

// Whether every byte of s is below 0x80 (UTF-8 text without any other character).
bool IsAsciiText(std::string_view s);
// text unchanged when caseSensitive, else with 'a'..'z' upper-cased (nothing else changes).
std::string PrepareCase(std::string_view text, bool caseSensitive);
// The same for a regular expression: the character after a backslash keeps its case, so escapes
// (\d, \w, \n, \x4a, ...) keep their meaning.
std::string PrepareRegExprCase(std::string_view expression, bool caseSensitive);
// The filter's text as the matcher takes it: PrepareRegExprCase for mode stRegExpr, else PrepareCase.
std::string PrepareSearchText(std::string_view text, bool caseSensitive, int mode);

// The message of the last regular expression the matcher could not set or run ("" when none).
// Emptied at the start of every MatchText and TTextMatcher::Matches, and by every TMatchRun.
const std::string& LastRegExprError();

// Whether pattern (prepared) is found in text (prepared) in mode: phrase (a substring), all words,
// any word (the words of pattern found as substrings, or with wholeWords as words of text compared
// without regard to case), or a regular expression (found anywhere); unless caseSensitive,
// substrings and expressions compare by simple case folding. A pattern without words, an empty
// phrase and an unknown mode match nothing; an expression that cannot be set or run matches
// nothing and leaves its message in LastRegExprError.
bool MatchText(std::string_view text, std::string_view pattern, bool wholeWords, int mode, bool caseSensitive);

// The regular-expression calls of one share of a filter run, made ahead of the run on a helper
// thread: each ran with Limit, the largest bound the run could give one, and noted what it spent
// and whether it failed. TakeRegExprCalls then takes them into the run in their order, as if they
// were made there.
struct TRegExprCallLog {
  std::int64_t Limit = 0;
  struct TCall {
    std::int64_t Steps = 0;
    bool Failed = false;
    std::string Error;  // the failure's message as the run reports it
  };
  std::vector<TCall> Calls;
};

// A regular expression of the filter (see uFilterExpression.h), compiled once for subjects of one
// case rule, its work bounded as the running TMatchRun says. Used by one matcher at a time.
//
// On the single-byte engine most texts of a filter run cannot match. What the compiled expression
// requires (a literal, or else the bytes one of which a match starts with) is looked for in the
// UTF-8 subject itself, so such a text is answered before it is converted and copied; the engine
// would have answered it false without a step, so the answers, errors and the run's work are the
// same. An expression that takes no byte beyond ASCII and not the stand-in gets the UTF-8 text
// itself (upper-cased unless case-sensitive; converted after all where, ignoring case, the text
// holds a character that folds as a letter the expression takes, such as the Kelvin sign): a
// character that becomes one such byte is two to four such bytes there, which changes neither
// answers nor steps (TRegExpr::TriesOnlyFoundStarts). An expression that is one plain run of byte
// positions (TRegExpr::PlainRun) found whole in an ASCII stretch of the subject is answered true
// there, also without converting: the engine would have found a match without a step. On the wide
// engine a text holding nothing beyond ASCII is answered false when every match holds a character
// beyond it.
class TSearchRegExpr {
 public:
  // Compiles for subjects of that case rule; false with the message in Error() when the expression
  // cannot be set (the single-byte engine's message for its syntax).
  bool SetExpression(std::string_view expression, bool caseSensitive);
  const std::string& Error() const { return error_; }
  // Whether the expression matches somewhere in subject (UTF-8). False with the message in
  // Error() when the run fails or nothing is compiled.
  bool Exec(std::string_view subject);

  // What a UTF-8 subject must hold for the single-byte engine to have a chance, as the subject
  // reaches it (EngineBytes).
  enum class TVerdict { NoMatch, Unknown, Match };
  struct TRequirement {
    regexscan::Literal<unsigned char> Literal;  // empty: none; at From bytes or later
    std::size_t From = 0;
    bool HasBytes = false;  // the subject holds a byte of Bytes
    regexscan::StartSet Bytes;
    // The engine's literal with sets and dots in it (empty: none), at GappedFrom or later, as the
    // ASCII of the subject holds it (letters upper-cased first unless CaseSensitive), found by its
    // position Anchor; a byte beyond ASCII in its way makes the subject possible.
    regexscan::Literal<unsigned char> Gapped, AnchorByte;
    std::size_t GappedFrom = 0, Anchor = 0;
    bool CaseSensitive = false;
    // The engine's plain run (empty: none), looked for from its position RunAnchor, an ASCII byte
    // no character beyond ASCII becomes (RunAnchorByte, a letter in either case when either case
    // becomes it).
    std::vector<regexscan::StartSet> Run;
    regexscan::Literal<unsigned char> RunAnchorByte;
    std::size_t RunAnchor = 0;
    // The engine's run before the end (empty: none): told by the subject's last bytes where they
    // are ASCII and the subject holds no NUL.
    std::vector<regexscan::StartSet> EndRun;
    // Ignoring case the engine takes K or S, which the Kelvin sign and the long s become too: a
    // subject holding one is never answered NoMatch.
    bool FoldsIntoAscii = false;
    // NoMatch: the engine answers false without a step. Match: a plain run lies whole in an ASCII
    // stretch, so the engine answers true without a step. Unknown: the engine has to tell.
    TVerdict Check(std::string_view subject) const;
    TVerdict CheckLetters(std::string_view subject) const;  // Check but for FoldsIntoAscii
    bool Possible(std::string_view subject) const { return Check(subject) != TVerdict::NoMatch; }
  };
  // The requirement (none when nothing is compiled or the expression runs on the wide engine).
  const TRequirement& Requirement() const { return required_; }
  // Whether the expression runs on the wide engine over the text's characters.
  bool Wide() const { return wide_ != nullptr; }
  // The byte that stands, for the single-byte engine, for each character the code page lacks.
  unsigned char StandIn() const { return standIn_; }
  // The subject as the single-byte engine takes it (see uFilterExpression.h).
  std::string EngineBytes(std::string_view subject) const;
  // Whether subjects go to the single-byte engine in UTF-8, not converted (but where a character
  // folds as a letter the expression takes).
  bool TakesUtf8() const { return takesUtf8_; }
  // With a log, every Exec runs with the log's limit, outside any TMatchRun, and is noted in the log.
  void SetCallLog(TRegExprCallLog* log) { log_ = log; }

  TSearchRegExpr();
  ~TSearchRegExpr();
  TSearchRegExpr(const TSearchRegExpr&) = delete;
  TSearchRegExpr& operator=(const TSearchRegExpr&) = delete;

 private:
  bool Run(std::string_view subject, std::int64_t limit, bool& found);

  TRegExprCallLog* log_ = nullptr;
  regexpr::TRegExpr engine_;
  std::unique_ptr<synregexpr::TRegExpr> wide_;
  bool wideNeedsBeyondAscii_ = false;
  std::u16string wideSubject_;
  bool caseSensitive_ = true;
  bool compiled_ = false;
  std::string error_;
  std::string scratch_;
  TRequirement required_;
  bool takesUtf8_ = false;
  bool foldsIntoAscii_ = false;  // ignoring case the expression takes K or S
  unsigned char standIn_ = 0x7F;
};

class TTextMatcher {
 public:
  // pattern is prepared as MatchText takes it; caseSensitive tells how texts given to Matches
  // would have been prepared.
  TTextMatcher(std::string pattern, int mode, bool caseSensitive);
  TTextMatcher(const TTextMatcher&) = delete;
  TTextMatcher& operator=(const TTextMatcher&) = delete;

  const std::string& Pattern() const { return pattern_; }
  int Mode() const { return mode_; }
  bool CaseSensitive() const { return caseSensitive_; }
  // The expression could not be set: its message; "" otherwise.
  const std::string& Error() const { return error_; }

  // Equals MatchText(PrepareCase(text, caseSensitive), pattern, wholeWords, mode, caseSensitive),
  // and sets LastRegExprError as that does.
  bool Matches(std::string_view text, bool wholeWords);
  // The same answer, the message of a failed expression kept in LastError() alone: a matcher of its
  // own on each thread of a shared filter run.
  bool Match(std::string_view text, bool wholeWords);
  const std::string& LastError() const { return lastError_; }
  // The regular-expression calls noted in log (see TSearchRegExpr::SetCallLog).
  void SetCallLog(TRegExprCallLog* log) {
    if (regExpr_) regExpr_->SetCallLog(log);
  }

 private:
  using TLiteral = regexscan::Literal<unsigned char>;
  struct TWordPattern {
    std::string Text;
    std::string Folded;  // Text folded (FoldUtf8)
    // Case-sensitive: Text exactly. Otherwise, when Folded is ASCII: Folded with every letter in
    // either case; a text holding a character beyond ASCII that folds as one (the Kelvin sign,
    // the long s) is folded before it is searched when FoldsIntoAscii.
    TLiteral Substring;
    TLiteral Whole;  // Folded with every ASCII letter in either case, when Folded is ASCII
    bool Ascii;      // Folded is ASCII
    bool FoldsIntoAscii;
  };
  static bool Contains(std::string_view text, const TLiteral& literal);
  static bool HasWholeWord(std::string_view text, const TWordPattern& word);
  bool WordFound(std::string_view text, const TWordPattern& word, bool wholeWords) const;

  std::string pattern_;
  int mode_;
  bool caseSensitive_;
  std::string error_, lastError_;
  std::vector<TWordPattern> words_;  // the phrase is the one entry of a phrase matcher
  std::unique_ptr<TSearchRegExpr> regExpr_;
};

// The matcher for search (its Text prepared), made once and kept while the text, mode and case
// stay the same.
TTextMatcher& SearchMatcher(const TSearchForRec& search);

// The content test of one node, as the record editor answers it for the filter: false for a
// folder and for a node without "data"; otherwise the matcher on the "data" text in search's mode,
// with search's whole-word and case options (search.Text prepared).
bool RecordContentMatches(const TxevXMLNode2* node, const TSearchForRec& search);
// The same with a matcher of the caller's (its Match: LastRegExprError stays as it is).
bool RecordContentMatch(const TxevXMLNode2* node, TTextMatcher& matcher, bool wholeWords);

// The bound a regular-expression call of the running TMatchRun would get now: what is left of the
// run's budget, at most the engine's own limit (that limit outside a run).
std::int64_t RegExprCallLimit();
// Takes calls made ahead (TRegExprCallLog) into the running TMatchRun in their order: each spends
// its steps of the budget as it would have here, and the first that would have failed here (its own
// failure, a bound lower than the one it ran with, or the budget spent before it) sets
// LastRegExprError and ends the taking: false. True when every call went through.
bool TakeRegExprCalls(const TRegExprCallLog& log);

// One filter run: LastRegExprError is emptied, and the regular-expression work of the whole run is
// limited to budget backtracking steps (beyond that SRegExprTooComplex). Runs do not nest.
class TMatchRun {
 public:
  // Below a second of a runaway expression, and several times what a backtracking expression
  // needs over a databank of 50,000 records.
  static constexpr std::int64_t DefaultBudget = 30000000;
  explicit TMatchRun(std::int64_t budget = DefaultBudget);
  ~TMatchRun();
  // The backtracking steps the run has taken so far.
  std::int64_t StepsSpent() const;
  TMatchRun(const TMatchRun&) = delete;
  TMatchRun& operator=(const TMatchRun&) = delete;

 private:
  std::int64_t budget_;
};
