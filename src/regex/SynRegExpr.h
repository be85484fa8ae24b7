// The wide (UTF-16) regular-expression engine: a two-pass compiler into a flat program of 16-bit
// units and a backtracking matcher over it, used by the editor's regex search and the
// multi-language highlighter.
//
// Positions reported to callers are 1-based indexes of UTF-16 code units; -1 means "no group".
// Errors raise ERegExpr. Compile errors (codes below 1000) read "<text> (pos n)"; execution errors
// (1000 and above) read the text alone. The message table is fixed (see ErrorMsg); callers may
// rely on the 15-character prefix "TRegExpr(comp):" of every compile error.
//
// The matcher keeps its backtracking state on the heap, so a long subject cannot overflow the
// call stack. Two limits of our own guard against runaway searches:
//   1016 "TRegExpr(exec): Backtrack Stack Exceeded"  - the backtracking stack outgrew its bound
//   1017 "TRegExpr(exec): Backtrack Limit Exceeded"  - one search backtracked more than
//                                                      BacktrackLimit() times
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "regex/RegExprScan.h"

namespace synregexpr {

// Number of group slots: 0 is the whole match, 1..14 the parenthesised groups.
constexpr int NSUBEXP = 15;

// Error codes (ErrorMsg gives their texts).
enum : int {
  reeOk = 0,
  reeCompNullArgument = 100,
  reeCompRegexpTooBig = 101,
  reeCompParseRegTooManyBrackets = 102,
  reeCompParseRegUnmatchedBrackets = 103,
  reeCompParseRegUnmatchedBrackets2 = 104,
  reeCompParseRegJunkOnEnd = 105,
  rePlusStarOperandCouldBeEmpty = 106,
  reeNestedSQP = 107,
  reeBadHexDigit = 108,
  reeInvalidRange = 109,
  reeParseAtomTrailingBackSlash = 110,
  reeNoHexCodeAfterBSlashX = 111,
  reeHexCodeAfterBSlashXTooBig = 112,
  reeUnmatchedSqBrackets = 113,
  reeInternalUrp = 114,
  reeQPSBFollowsNothing = 115,
  reeTrailingBackSlash = 116,
  reeRarseAtomInternalDisaster = 119,
  reeBRACESArgTooBig = 122,
  reeBracesMinParamGreaterMax = 124,
  reeUnclosedComment = 125,
  reeComplexBracesNotImplemented = 126,
  reeUrecognizedModifier = 127,
  reeBadLinePairedSeparator = 128,
  reeRegRepeatCalledInappropriately = 1000,
  reeMatchPrimMemoryCorruption = 1001,
  reeMatchPrimCorruptedPointers = 1002,
  reeNoExpression = 1003,
  reeCorruptedProgram = 1004,
  reeNoInputStringSpecified = 1005,
  reeOffsetMustBeGreaterThen0 = 1006,
  reeExecNextWithoutExec = 1007,
  reeGetInputStringWithoutInputString = 1008,
  reeDumpCorruptedOpcode = 1011,
  reeModifierUnsupported = 1013,
  reeLoopStackExceeded = 1014,
  reeLoopWithoutEntry = 1015,
  reeBacktrackStackExceeded = 1016,
  reeBacktrackLimitExceeded = 1017,
  reeBadPCodeImported = 2000,
};

// Indexes of SetModifier/Modifier, in this order: i, r, s, g, m, x.
enum : int { ModifierI = 1, ModifierR = 2, ModifierS = 3, ModifierG = 4, ModifierM = 5, ModifierX = 6 };

class ERegExpr : public Exception {
 public:
  ERegExpr(std::string message, int errorCode, int compilerErrorPos)
      : Exception(std::move(message)), ErrorCode(errorCode), CompilerErrorPos(compilerErrorPos) {}
  int ErrorCode;
  int CompilerErrorPos;
};

// Case inversion used by every case-insensitive comparison.
using TInvertCaseFunction = char16_t (*)(char16_t);

class TRegExpr {
 public:
  TRegExpr();
  virtual ~TRegExpr();
  TRegExpr(const TRegExpr&) = delete;
  TRegExpr& operator=(const TRegExpr&) = delete;

  // The expression; setting a different one drops the program (compiled at Compile or the next
  // execution). The empty text means "no expression".
  std::u16string Expression() const { return expression_; }
  void SetExpression(std::u16string_view expression);

  // Modifiers of the object (index ModifierI..ModifierX; another index raises 1013). A change is
  // noticed at the next execution, which then recompiles.
  void SetModifier(int index, bool on);
  bool Modifier(int index) const;
  // All six as text: the set letters, then "-" and the cleared ones (e.g. "rsg-imx"). Setting takes
  // the form of a "(?...)" group body: letters to set, "-", letters to clear (either case).
  std::u16string ModifierStr() const;
  void SetModifierStr(std::u16string_view text);

  // Character sets consulted by \w \s \b (at match time) and copied into [...] (at compile time).
  const std::u16string& SpaceChars() const { return spaceChars_; }
  void SetSpaceChars(std::u16string_view chars);
  const std::u16string& WordChars() const { return wordChars_; }
  void SetWordChars(std::u16string_view chars);
  // Characters at which "^"/"$" match with m on and which "." refuses with s off.
  const std::u16string& LineSeparators() const { return lineSeparators_; }
  void SetLineSeparators(std::u16string_view chars);
  // Two different characters forming one line break (CR LF at creation), or "" for none. Any other
  // text raises 128.
  std::u16string LinePairedSeparator() const;
  void SetLinePairedSeparator(std::u16string_view pair);

  TInvertCaseFunction InvertCase() const { return invertCase_; }
  void SetInvertCase(TInvertCaseFunction fn);
  // The creation-time inversion: ASCII letters swap case, everything else is unchanged.
  static char16_t InvertCaseFunction(char16_t ch);

  // Compiles the stored expression (raises 1003 when there is none, or the compile error).
  void Compile();
  // Parse position of a compile under way, or of the last failed compile; 0 otherwise.
  int CompilerErrorPos() const { return compilerErrorPos_; }
  // Code of the last error raised (0 when none).
  int LastError() const { return lastError_; }

  // Raises ERegExpr for code (and records it as the last error).
  virtual void Error(int code);
  virtual std::string ErrorMsg(int code) const;

  // Searches subject from its start.
  bool Exec(std::u16string_view subject);
  // Searches again after the previous match (one further after an empty match); 1007 without one.
  bool ExecNext();
  // Searches the stored subject from the 1-based offset.
  bool ExecPos(int offset = 1);

  // Group n of the last match (0..14): 1-based start and length; -1 when absent.
  int MatchPos(int n) const;
  int MatchLen(int n) const;
  // The text of group n of the last match ("" when absent).
  std::u16string Match(int n) const;

  // template expanded against the last match: $n ${n} $& ${&} ${} and "\" escapes.
  std::u16string Substitute(std::u16string_view tmpl);
  // The same with the place of each group it inserts (1-based start, and the end after it) first
  // handed to adjust, which may move it within the subject: a caller that keeps whole characters
  // widens a group that splits one. The match itself stays as found.
  using TGroupAdjust = std::function<void(int& start, int& end)>;
  std::u16string Substitute(std::u16string_view tmpl, const TGroupAdjust& adjust);
  // subject with every match replaced by replacement (expanded by Substitute when useSubstitution).
  std::u16string Replace(std::u16string_view subject, std::u16string_view replacement, bool useSubstitution);

  // Upper bound of backtracking steps per search (0 = no bound); 1017 when exceeded.
  std::int64_t BacktrackLimit() const { return backtrackLimit_; }
  void SetBacktrackLimit(std::int64_t limit) { backtrackLimit_ = limit; }
  static constexpr std::int64_t DefaultBacktrackLimit = 100000000;
  // The backtracking steps the last search took, also when it raised.
  std::int64_t Steps() const { return steps_; }

  // A literal every match of the compiled program holds, as the search scans for it (positions
  // ignoring ASCII case where a case-insensitive literal does); empty when the expression gives
  // none or nothing is compiled.
  const regexscan::Literal<char16_t>& RequiredLiteral() const { return must_.Empty() ? lead_ : must_; }

  // A readable listing of the compiled program (compiles when needed), one node per line.
  std::string Dump();

 private:
  struct Compiler;
  struct Matcher;
  friend struct Compiler;
  friend struct Matcher;

  // Error(code), and the default exception should an override return.
  [[noreturn]] void Raise(int code);
  void EnsureProgram();
  void DropProgram();
  void CompileExpression();
  void StoreSubject(std::u16string_view subject);
  void ClearGroups();
  bool Try(std::int32_t pos);

  // Settings.
  std::u16string expression_;
  std::uint32_t modifiers_ = 0;      // what the caller set
  std::uint32_t progModifiers_ = 0;  // what the program was compiled with
  std::u16string spaceChars_, wordChars_, lineSeparators_;
  bool pairAssigned_ = false;
  char16_t pairHead_ = 0, pairTail_ = 0;
  TInvertCaseFunction invertCase_;
  std::int64_t backtrackLimit_ = DefaultBacktrackLimit;

  // Program and hints.
  std::vector<char16_t> program_;
  bool compiled_ = false;
  bool hasBackRefs_ = false;
  int backSlots_ = 0;
  bool hasFirstChar_ = false;
  char16_t firstChar_ = 0;
  bool anchored_ = false;
  // Speed-ups of our own beside the hints; neither changes a result. The lead literal occurs at
  // leadOffset_ characters after the start of every match, so only its occurrences are tried.
  // Otherwise the start set holds the characters a match can start with.
  regexscan::Literal<char16_t> must_;  // the must-contain string; empty when there is none
  regexscan::Literal<char16_t> lead_;
  std::size_t leadOffset_ = 0;
  // The lead takes k or s in either case, which a character beyond ASCII folds as too: the places
  // around each such character of the subject are tried besides what the scan finds.
  bool leadFoldsBeyond_ = false;
  // The place of the next such character in [from, to) (to when none).
  std::size_t NextFoldingIntoAscii(std::size_t from, std::size_t to) const;
  bool hasFirstSet_ = false;
  regexscan::StartSet firstSet_;
  void ComputeLead();
  void ComputeFirstSet();
  // A match that opens with an unbounded repeat of one character (as [a-z]*), or with a
  // one-character node whose characters the repeat right after it also takes (as
  // [a-z_][a-z0-9_]*), reaches the same states from every start inside one run of the repeat, so
  // after a failed try the rest of that run is no start either. runHead_ is the node that opens
  // the run, runBody_ the repeated one; 0 = none.
  std::size_t runHead_ = 0, runBody_ = 0;
  void ComputeRunSkip();

  // Subject and match state.
  std::u16string subject_;
  bool hasSubject_ = false;
  std::int32_t startp_[NSUBEXP];
  std::int32_t endp_[NSUBEXP];

  int compilerErrorPos_ = 0;
  int lastError_ = 0;
  std::unique_ptr<Matcher> matcher_;
  // Counts compiled programs, so that the matcher knows when what it keeps of one is stale.
  std::uint64_t programSerial_ = 0;
  std::int64_t steps_ = 0;
  // Membership of the class sets for units below 256 (the rest is looked up in the strings).
  bool wordBits_[256] = {};
  bool spaceBits_[256] = {};
  bool sepBits_[256] = {};
};

}  // namespace synregexpr
