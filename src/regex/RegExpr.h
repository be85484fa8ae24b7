// The single-byte regular-expression engine, used by the record filter: setting Expression
// compiles at once, Exec answers whether the expression matches somewhere in a subject.
// Subjects and expressions are bytes of the program's code page (Windows-1252). The engine keeps
// the Windows-1251 option of its design on: in an expression the byte 0xF6 stands for \d and 0xD6
// for \D, and the set ranges 0xE0-0xFF / 0xC0-0xDF add the Cyrillic letters of that code page.
//
// Errors raise regexpr::ERegExpr carrying the message text alone (no code). Besides the texts of
// the design, two limits of our own guard against runaway searches: "Exec: backtrack stack
// exceeded" and "Exec: backtrack limit exceeded".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "regex/RegExprScan.h"

namespace regexpr {

class ERegExpr : public Exception {
 public:
  using Exception::Exception;
};

class TRegExpr {
 public:
  TRegExpr();
  virtual ~TRegExpr();
  TRegExpr(const TRegExpr&) = delete;
  TRegExpr& operator=(const TRegExpr&) = delete;

  const std::string& Expression() const { return expression_; }
  // Compiles at once (compile errors raise from here). The empty text leaves no program.
  void SetExpression(std::string_view expression);

  // True when the expression matches somewhere in subject.
  bool Exec(std::string_view subject);

  // Raises ERegExpr with the message.
  virtual void Error(const std::string& message);

  // The Windows-1251 option of the design, on at creation: in an expression 0xF6 and 0xD6 stand for
  // \d and \D, and the set ranges 0xE0-0xFF and 0xC0-0xDF add the Cyrillic letters of that code
  // page. A caller whose bytes are Windows-1252 text, where those bytes are letters (ö, Ö, à-ÿ),
  // turns it off. Either setter takes effect at the next compile (SetExpression or Exec).
  bool Windows1251() const { return windows1251_; }
  void SetWindows1251(bool on);
  // A byte map under which bytes count as the same (a case rule): literals are taken through it and
  // each set also holds the images of its members, so a subject whose bytes the caller took
  // through the same map matches without regard to what the map joins. Cleared: none.
  void SetCaseMap(const std::array<unsigned char, 256>& map);
  void ClearCaseMap();

  // Off: Exec searches as the design does, every start (or each occurrence of the first-character
  // hint, or the subject's start when anchored), without any shortcut of our own. The answers are
  // the same either way (tests hold one against the other); only the steps differ.
  void SetSearchShortcuts(bool on) { shortcuts_ = on; }

  // Upper bound of backtracking steps per Exec (0 = no bound).
  std::int64_t BacktrackLimit() const { return backtrackLimit_; }
  void SetBacktrackLimit(std::int64_t limit) { backtrackLimit_ = limit; }
  static constexpr std::int64_t DefaultBacktrackLimit = 100000000;
  // The backtracking steps the last Exec took, also when it raised.
  std::int64_t Steps() const { return steps_; }

  // Size in bytes of the compiled program (0 when none); the program is below 65536 bytes.
  std::size_t ProgramSize() const { return program_.size(); }

  // What the compiled expression requires of a subject, for callers that can look for it in
  // another form of the subject before they convert it. Exec answers false, raising nothing and
  // taking no step, for any subject that lacks the literal at RequiredOffset() bytes or later, and
  // for any subject that holds no byte of RequiredBytes(). The literal is empty and the set null
  // when the expression gives none (without a program, both).
  const regexscan::Literal<unsigned char>& RequiredLiteral() const;
  std::size_t RequiredOffset() const;
  const regexscan::StartSet* RequiredBytes() const;
  // Every byte a match can take (all bytes of every literal); empty without a program.
  const regexscan::StartSet& TakenBytes() const;
  // Every byte a literal or a set (also a negated one) of the program names; empty without a
  // program. A byte outside it, and outside the letters, digits and "_", is matched by the dot,
  // negated sets and the negated classes alone, as any such byte is.
  const regexscan::StartSet& NamedBytes() const;
  // True when Exec tries a match only at the subject's start (anchored) or where its scans find
  // bytes of TakenBytes(), never at every position in turn. Then the answer and the steps taken
  // stay the same when each byte but NUL outside TakenBytes() is replaced by one or more such
  // bytes: no match crosses them, and the tries between them are the same.
  bool TriesOnlyFoundStarts() const;
  // When the expression is one run of byte positions and nothing else (no alternation, repeat,
  // anchor or loop): the bytes each position takes, in order. Exec then answers true exactly when
  // such a run occurs somewhere in the subject, and takes no backtracking step either way. Empty
  // for any other expression, and without a program.
  const std::vector<regexscan::StartSet>& PlainRun() const;
  // When the expression is such a run followed by "$" and nothing else: the bytes of its
  // positions, in order. Exec then answers true exactly when the subject's last bytes before its
  // end, or before a NUL in it, are such a run, and takes no backtracking step either way. Empty
  // for any other expression, and without a program.
  const std::vector<regexscan::StartSet>& EndRun() const;

 private:
  struct Compiler;
  friend struct Compiler;
  void Compile();
  // Error(message), and the default exception should an override return.
  [[noreturn]] void Raise(const std::string& message);
  bool Try(std::size_t pos);

  std::string expression_;
  bool windows1251_ = true;
  bool hasCaseMap_ = false;
  std::array<unsigned char, 256> caseMap_{};
  regexscan::StartSet namedBytes_;
  bool shortcuts_ = true;
  std::int64_t backtrackLimit_ = DefaultBacktrackLimit;

  std::vector<unsigned char> program_;
  // Per program byte offset: the operand length of an EXACTLY node, or the index into sets_ of an
  // ANYOF/ANYBUT node. Operands keep the NUL terminator of the format (the size limit counts it),
  // but a NUL from "\x00" inside them is an ordinary byte.
  std::vector<std::uint32_t> operandInfo_;
  std::vector<std::uint64_t> sets_;  // 4 words (256 bits) per set
  bool hasFirstChar_ = false;
  unsigned char firstChar_ = 0;
  bool anchored_ = false;
  // Speed-ups of our own beside the hints; none changes a result. The lead literal occurs in every
  // match, leadOffset_ to leadOffset_ + leadWindow_ bytes after its start, so only the starts that
  // far before its occurrences are tried; otherwise only bytes of the start set are. Its positions
  // may stand for sets of bytes or any byte (a dot): its scan lets a few more through, which
  // leadSets_ then checks exactly (empty when every position is exact: no need).
  // must_ is the longer of the must-contain string and the longest literal every match passes,
  // kept only when it is longer than the lead literal.
  regexscan::Literal<unsigned char> must_, lead_;
  std::size_t leadOffset_ = 0, leadWindow_ = 0;
  std::vector<regexscan::StartSet> leadSets_;
  bool LeadAt(std::size_t at) const;
  // The bytes a match can start with, for the starts a lead with a window leaves to try.
  bool hasWindowStarts_ = false;
  regexscan::StartSet windowStarts_;
  // The least and the most bytes the nodes from `from` up to `until` take (most kUnbounded); false
  // when the walk meets a loop or goes beyond its budget.
  bool ChainWidth(std::size_t from, std::size_t until, std::size_t& least, std::size_t& most, int& budget) const;
  bool hasFirstSet_ = false;
  regexscan::StartSet firstSet_;
  void ComputeRequired();
  void ComputeLead();
  // A run of byte positions along the path every match takes, least to most bytes after the
  // match's start (most kUnbounded: any number).
  struct TLeadRun {
    std::vector<regexscan::StartSet> sets;
    std::size_t least = 0, most = 0;
  };
  std::vector<TLeadRun> LeadRuns() const;
  static double LeadScore(const TLeadRun& run, std::size_t& first, std::size_t& end);
  void SetLead(TLeadRun best);
  void ComputeFirstSet();
  // With the start set: the literals the alternatives of an opening alternation begin with (as in
  // (while|for) \(), one of which every start holds; empty when the expression opens otherwise.
  std::vector<regexscan::Literal<unsigned char>> leadAlternatives_;
  bool LeadAlternativeAt(std::size_t at) const;
  // How an expression of one alternative opens (group marks aside) when it opens with a repeat of
  // one byte, or with a one-byte node (its head) and such a repeat right after it: head is the
  // first of them, headBytes empty without a head, body the bytes the repeat takes.
  struct TOpeningRepeat {
    std::size_t head = 0, repeat = 0;
    regexscan::StartSet headBytes, body;
    bool HasHead() const { return head != repeat; }
  };
  // False when the expression opens otherwise.
  bool OpeningRepeat(TOpeningRepeat& opening) const;
  // A match that opens with a repeat of one byte (as [a-z]*), or with a one-byte node whose bytes
  // the repeat right after it also takes (as [a-z_][a-z0-9_]*), ends alike from every start inside
  // one run of the repeat, so after a failed try the rest of the run is no start either.
  // runHead_ 0 = none.
  std::size_t runHead_ = 0;
  regexscan::StartSet runHeadBytes_, runBody_;
  void ComputeRunSkip(const TOpeningRepeat& opening);
  // Without a lead literal, the search may go by what follows a repeat near the start (as in
  // [a-z]+\( or [xy] *[+=]): from one occurrence of that literal (runLead_) or byte (of
  // runLeadSet_) to the next, each allowing one start (ComputeRunLead says when).
  bool hasRunLead_ = false;
  regexscan::Literal<unsigned char> runLead_;
  regexscan::StartSet runLeadSet_, runLeadRun_, runLeadHead_;
  bool runLeadHasHead_ = false, runLeadPlus_ = false;
  void ComputeRunLead(const TOpeningRepeat& opening);
  // The start a match through the occurrence at at would have; kNone when there is none.
  std::size_t RunLeadStart(std::size_t at) const;
  // Per program byte offset, for a STAR or PLUS node: what the node after the repeat asks of the
  // byte after the count. kFollowByte: it takes one byte (its first, for a literal), so only counts
  // it can take are tried; kFollowDisjoint: besides, no byte the repeat takes is one, so only the
  // full count can be. kFollowAny for any other node.
  enum : unsigned char { kFollowAny, kFollowByte, kFollowDisjoint };
  std::vector<unsigned char> follow_;
  void ComputeFollow(const std::vector<std::size_t>& nodes);
  std::vector<regexscan::StartSet> plainRun_, endRun_;
  void ComputePlainRun();
  bool EndRunAt(std::size_t end) const;
  regexscan::StartSet takenBytes_;
  bool onlyFoundStarts_ = false;
  // The last position known to be no start after the try at p failed.
  std::size_t AfterFailedTry(std::size_t p) const;
  // The bytes a one-byte node matches, added to set; false for any other node.
  bool NodeBytes(std::size_t node, regexscan::StartSet& set) const;
  // The positions a node takes, in order, each handed to add as the set of its bytes: one per byte
  // of a literal, one for a one-byte node. False, nothing handed, for any other node.
  template <class Add>
  bool NodePositions(std::size_t node, Add&& add) const;
  bool StartBytes(std::size_t node, regexscan::StartSet& set, int& budget) const;
  // The byte a set stands for as a literal: -1 when none, else the byte, plus 0x100 for an ASCII
  // letter in either case.
  int SetAsLiteral(std::size_t node) const;

  std::string_view subject_;  // the subject of the running Exec
  std::int64_t steps_ = 0;
  struct Frame {
    std::int32_t kind, node;
    std::int64_t save, n;
  };
  std::vector<Frame> stack_;
};

}  // namespace regexpr
