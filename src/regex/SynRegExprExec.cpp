// Wide regular-expression engine: the search, the matcher, Substitute and Replace.
//
// The matcher is the node-by-node backtracking walk of the design, with its recursion turned into
// a heap stack: every change of state (group positions, loop counters) pushes an undo entry, and
// every point with an untried alternative pushes a choice entry. Failing pops entries, undoing
// changes, until a choice entry resumes. A long subject therefore costs heap, never call stack.
//
// Loops over complex operands keep their counters in a stack of 10 levels. Each LOOP runs its
// continuation with its own level popped, and any failure restores the level and its counter
// (through the undo entries), so an enclosing loop never sees an inner loop's counter.
//
// Zero-width iterations (only possible through a back-reference to an empty group) would repeat
// for ever; a loop whose last iteration consumed nothing is left at once.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/WideChar.h"
#include "regex/SynRegExpr.h"
#include "regex/SynRegExprProgram.h"

namespace synregexpr {

using namespace prog;

namespace {

constexpr std::size_t kMaxFrames = std::size_t(1) << 24;
constexpr int kLoopDepth = 10;
constexpr std::int32_t kMaxSubject = 0x7FFFFFF0;

enum FrameKind : std::int32_t {
  F_GROUP_START,
  F_GROUP_END,
  F_LOOPIDX,
  F_LOOPCOUNT,
  F_LOOPLAST,
  F_BACKLAST,
  F_BRANCH,
  F_STAR,
  F_STARNG,
  F_LOOP_EXIT,
  F_LOOPNG_BODY,
};

}  // namespace

struct TRegExpr::Matcher {
  struct Frame {
    // a, b, c: what the kind of entry keeps (a repeat: where it started, its count and the
    // position that count reaches, which characters beyond U+FFFF make more than start + count).
    std::int32_t kind, node, a, b, c;
  };
  std::vector<Frame> stack;
  std::int32_t loopIdx = 0;
  std::int32_t loopCount[kLoopDepth + 1] = {};
  std::int32_t loopLast[kLoopDepth + 1] = {};
  std::vector<std::int32_t> backLast;

  TRegExpr& re;
  const char16_t* p = nullptr;  // program
  const char16_t* s = nullptr;  // subject, NUL after its end
  std::int32_t len = 0;
  std::int32_t pos = 0;
  std::size_t node = 0;
  bool defaultInvert = true;

  explicit Matcher(TRegExpr& r) : re(r) {}

  void Push(std::int32_t kind, std::size_t n, std::int32_t a, std::int32_t b, std::int32_t c = 0) {
    if (stack.size() >= kMaxFrames) re.Raise(reeBacktrackStackExceeded);
    stack.push_back(Frame{kind, std::int32_t(n), a, b, c});
  }
  void Step() {
    if (++re.steps_ > re.backtrackLimit_ && re.backtrackLimit_ > 0) re.Raise(reeBacktrackLimitExceeded);
  }

  char16_t Ch(std::int32_t i) const { return s[i]; }
  // The units the character at i takes (i < len): 2 for a surrogate pair, else 1.
  std::int32_t Width(std::int32_t i) const {
    return (IsHighSurrogate(s[i]) && i + 1 < len && IsLowSurrogate(s[i + 1])) ? 2 : 1;
  }
  char32_t CharAt(std::int32_t i, std::int32_t w) const { return w == 2 ? PairCodePoint(s[i], s[i + 1]) : s[i]; }
  // The start of the character that ends at i (i > from): a surrogate pair is stepped over whole.
  std::int32_t Before(std::int32_t i, std::int32_t from) const {
    return (i - 2 >= from && IsLowSurrogate(s[i - 1]) && IsHighSurrogate(s[i - 2])) ? i - 2 : i - 1;
  }
  // Whether i lies between the halves of a surrogate pair: no match starts there.
  bool InsidePair(std::int32_t i) const {
    return i > 0 && i < len && IsLowSurrogate(s[i]) && IsHighSurrogate(s[i - 1]);
  }

  char16_t Inv(char16_t c) const { return defaultInvert ? TRegExpr::InvertCaseFunction(c) : re.invertCase_(c); }
  // The folding of c, ASCII answered here.
  static char32_t Fold(char32_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? c + 32 : c;
    return widechar::FoldCodePoint(c);
  }
  // Beyond U+FFFF a character is in WordChars (SpaceChars, LineSeparators) when its pair is.
  static bool HoldsPair(const std::u16string& chars, char32_t c) {
    const char16_t pair[2] = {char16_t(0xD800 + ((c - 0x10000) >> 10)), char16_t(0xDC00 + ((c - 0x10000) & 0x3FF))};
    return chars.find(std::u16string_view(pair, 2)) != std::u16string::npos;
  }
  bool IsWord(char32_t c) const {
    if (c < 256) return re.wordBits_[c];
    return c < 0x10000 ? re.wordChars_.find(char16_t(c)) != std::u16string::npos : HoldsPair(re.wordChars_, c);
  }
  bool IsSpace(char32_t c) const {
    if (c < 256) return re.spaceBits_[c];
    return c < 0x10000 ? re.spaceChars_.find(char16_t(c)) != std::u16string::npos : HoldsPair(re.spaceChars_, c);
  }
  bool IsSep(char16_t c) const { return c < 256 ? re.sepBits_[c] : re.lineSeparators_.find(c) != std::u16string::npos; }
  bool SetHas(std::size_t n, char32_t c) const {
    if (c < 256) return (SetMap(p, n)[c >> 4] >> (c & 15)) & 1;
    if (c >= 0x10000) return SetRangesHold(p, n, c);
    const char16_t* m = SetMembers(p, n);
    std::size_t count = SetLen(p, n);
    if (count <= kSmallSet) return std::find(m, m + count, char16_t(c)) != m + count;
    const std::vector<char16_t>& high = HighMembers(n, m, count);
    return std::binary_search(high.begin(), high.end(), char16_t(c));
  }
  // A case-insensitive set: by folding (its members are held with their foldings), or through the
  // case inversion the caller set.
  bool SetHasCI(std::size_t n, char32_t c) const {
    if (defaultInvert) return SetHas(n, Fold(c));
    return SetHas(n, c) || (c < 0x10000 && SetHas(n, Inv(char16_t(c))));
  }

  // A set's members lie in the program as written, a range as all its characters, so a set may
  // hold tens of thousands of them. Those of a large set from 256 up are kept sorted, once per
  // compiled program, and searched by halving.
  static constexpr std::size_t kSmallSet = 32;
  mutable std::unordered_map<std::size_t, std::vector<char16_t>> highMembers;
  mutable std::uint64_t highSerial = 0;
  const std::vector<char16_t>& HighMembers(std::size_t n, const char16_t* m, std::size_t count) const {
    if (highSerial != re.programSerial_) {
      highMembers.clear();
      highSerial = re.programSerial_;
    }
    auto [at, added] = highMembers.try_emplace(n);
    if (added) {
      std::vector<std::uint8_t> has(0x10000);
      for (std::size_t i = 0; i < count; ++i) has[m[i]] = 1;
      for (std::uint32_t c = 256; c < 0x10000; ++c)
        if (has[c]) at->second.push_back(char16_t(c));
    }
    return at->second;
  }

  // The first character of a literal operand.
  static char32_t FirstChar(const char16_t* prog, std::size_t opnd) {
    const char16_t* e = ExactChars(prog, opnd);
    return ExactLen(prog, opnd) >= 2 && IsHighSurrogate(e[0]) && IsLowSurrogate(e[1]) ? PairCodePoint(e[0], e[1])
                                                                                      : char32_t(e[0]);
  }

  // The units one single-character operand takes at position i: 0 when it does not match there
  // (or i is the end), else the width of the character there.
  std::int32_t MatchOne(std::size_t opnd, std::int32_t i) const {
    if (i >= len) return 0;
    const std::int32_t w = Width(i);
    return CharMatches(opnd, CharAt(i, w)) ? w : 0;
  }

  // Whether a single-character operand matches the character c of the subject.
  bool CharMatches(std::size_t opnd, char32_t c) const {
    switch (p[opnd]) {
      case ANY:
        return true;
      case EXACTLY:
        return c == FirstChar(p, opnd);
      case EXACTLYCI: {
        if (defaultInvert) return Fold(c) == FirstChar(p, opnd);
        char16_t e = ExactChars(p, opnd)[0];
        return c == e || (c < 0x10000 && char16_t(c) == Inv(e));
      }
      case ANYOF:
        return c != 0 && SetHas(opnd, c);
      case ANYBUT:
        return c != 0 && !SetHas(opnd, c);
      case ANYOFCI:
        return c != 0 && SetHasCI(opnd, c);
      case ANYBUTCI:
        return c != 0 && !SetHasCI(opnd, c);
      case ANYDIGIT:
        return c >= u'0' && c <= u'9';
      case NOTDIGIT:
        return c != 0 && !(c >= u'0' && c <= u'9');
      case ANYLETTER:
        return c != 0 && IsWord(c);
      case NOTLETTER:
        return c != 0 && !IsWord(c);
      case ANYSPACE:
        return c != 0 && IsSpace(c);
      case NOTSPACE:
        return c != 0 && !IsSpace(c);
      default:
        re.Raise(reeRegRepeatCalledInappropriately);
    }
  }

  // Length of the text of group n, or -1 when the group has no complete position pair.
  std::int32_t GroupLen(int n) const {
    std::int32_t st = re.startp_[n], en = re.endp_[n];
    if (st < 0 || en < 0 || en < st) return -1;
    return en - st;
  }
  bool GroupTextAt(int n, std::int32_t at, bool ci) const {
    std::int32_t gl = GroupLen(n);
    if (gl < 0 || std::int64_t(at) + gl > len) return false;
    const char16_t* g = s + re.startp_[n];
    if (!ci) return std::memcmp(g, s + at, std::size_t(gl) * sizeof(char16_t)) == 0;
    if (defaultInvert) return FoldedEqual(g, s + at, std::size_t(gl));
    for (std::int32_t k = 0; k < gl; ++k)
      if (s[at + k] != g[k] && s[at + k] != Inv(g[k])) return false;
    return true;
  }
  // Whether a and b (n units each) are the same characters folded, a surrogate pair as one.
  static bool FoldedEqual(const char16_t* a, const char16_t* b, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      if (a[k] == b[k] && !IsHighSurrogate(a[k])) continue;
      const bool pa = k + 1 < n && IsHighSurrogate(a[k]) && IsLowSurrogate(a[k + 1]);
      const bool pb = k + 1 < n && IsHighSurrogate(b[k]) && IsLowSurrogate(b[k + 1]);
      if (pa != pb) return false;
      if (!pa) {
        if (widechar::Fold(a[k]) != widechar::Fold(b[k])) return false;
        continue;
      }
      if (widechar::FoldCodePoint(PairCodePoint(a[k], a[k + 1])) !=
          widechar::FoldCodePoint(PairCodePoint(b[k], b[k + 1])))
        return false;
      ++k;
    }
    return true;
  }
  // A folding literal (its characters held folded) at position at of the subject: the units it
  // takes there, or -1 when it does not match.
  std::int32_t FoldedLiteralAt(const char16_t* e, std::size_t n, std::int32_t at) const {
    std::int32_t i = at;
    for (std::size_t k = 0; k < n; ++k) {
      if (i >= len) return -1;
      if (e[k] < 0x80 && s[i] < 0x80) {  // ASCII, the most of it
        if (Fold(s[i]) != e[k]) return -1;
        ++i;
        continue;
      }
      const bool pair = k + 1 < n && IsHighSurrogate(e[k]) && IsLowSurrogate(e[k + 1]);
      const std::int32_t w = Width(i);
      if ((w == 2) != pair) return -1;
      if (Fold(CharAt(i, w)) != (pair ? PairCodePoint(e[k], e[k + 1]) : char32_t(e[k]))) return -1;
      i += w;
      if (pair) ++k;
    }
    return i - at;
  }

  bool IsBackRef(std::size_t opnd) const { return p[opnd] == BSUBEXP || p[opnd] == BSUBEXPCI; }

  // Repetitions of the operand from position from, at most max; end receives the position after
  // them.
  std::int64_t RepeatCount(std::size_t opnd, std::int64_t max, std::int32_t from, std::int32_t& end) {
    char16_t op = p[opnd];
    end = from;
    if (op == BSUBEXP || op == BSUBEXPCI) {
      int n = p[opnd + kNodeSize];
      std::int32_t gl = GroupLen(n);
      if (gl < 0) return 0;
      if (gl == 0) return max;  // the caller asks for exactly min empty repetitions
      bool ci = op == BSUBEXPCI;
      std::int64_t count = 0;
      std::int32_t at = from;
      while (count < max && GroupTextAt(n, at, ci)) {
        ++count;
        at += gl;
      }
      end = at;
      return count;
    }
    std::int64_t count = 0;
    std::int32_t at = from;
    switch (op) {
      case ANY:
        for (; count < max && at < len; ++count) at += Width(at);
        break;
      case EXACTLY: {
        const char16_t* e = ExactChars(p, opnd);
        if (ExactLen(p, opnd) >= 2 && IsHighSurrogate(e[0]) && IsLowSurrogate(e[1])) {
          for (; count < max && at + 1 < len && s[at] == e[0] && s[at + 1] == e[1]; ++count) at += 2;
        } else {
          // A lone high surrogate before a low one is half a character, not a repetition of it.
          for (; count < max && at < len && s[at] == e[0] && Width(at) == 1; ++count) ++at;
        }
        break;
      }
      case ANYOF:
        for (; count < max && at < len; ++count) {
          const char16_t c = s[at];
          if (c < 256) {
            if (c == 0 || !((SetMap(p, opnd)[c >> 4] >> (c & 15)) & 1)) break;
            ++at;
            continue;
          }
          const std::int32_t w = Width(at);
          if (!SetHas(opnd, CharAt(at, w))) break;
          at += w;
        }
        break;
      case ANYLETTER:
        for (; count < max && at < len; ++count) {
          const std::int32_t w = Width(at);
          const char32_t c = CharAt(at, w);
          if (c == 0 || !IsWord(c)) break;
          at += w;
        }
        break;
      default:
        for (std::int32_t w; count < max && (w = MatchOne(opnd, at)) > 0; ++count) at += w;
    }
    end = at;
    return count;
  }

  bool BolMl() const {
    if (pos == 0) return true;
    char16_t prev = s[pos - 1];
    if (re.pairAssigned_) {
      if (pos >= 2 && s[pos - 2] == re.pairHead_ && prev == re.pairTail_) return true;
      if (prev == re.pairHead_ && pos < len && Ch(pos) == re.pairTail_) return false;
    }
    return IsSep(prev);
  }
  bool EolMl() const {
    char16_t c = Ch(pos);
    if (c == 0) return true;
    if (re.pairAssigned_) {
      if (c == re.pairHead_ && pos + 1 < len && s[pos + 1] == re.pairTail_) return true;
      if (c == re.pairTail_ && pos > 0 && s[pos - 1] == re.pairHead_) return false;
    }
    return IsSep(c);
  }

  // The last position known to be no start after a try at p failed (p itself, or the end of the
  // run of the opening repeat).
  std::size_t AfterFailedTry(std::size_t p) {
    if (re.runHead_ == 0) return p;
    const std::int32_t w = MatchOne(re.runHead_, std::int32_t(p));
    if (w == 0) return p;
    std::int32_t end = 0;
    RepeatCount(re.runBody_, kMaxRepeat, std::int32_t(p) + w, end);
    return std::size_t(end);
  }

  // The first alternative of the chain from br on that can match at pos (kNone when none is
  // left): one that opens with a literal of another first character would fail at once.
  std::size_t Viable(std::size_t br) const {
    for (; br != kNone && p[br] == BRANCH; br = NextNode(p, br)) {
      std::size_t alt = br + kNodeSize;
      if (p[alt] != EXACTLY || ExactLen(p, alt) == 0 || (pos < len && s[pos] == ExactChars(p, alt)[0])) return br;
    }
    return kNone;
  }

  // The unit that must follow a repeat when a literal comes next, else -1.
  int Lookahead(std::size_t next) const {
    return (next != kNone && p[next] == EXACTLY && ExactLen(p, next) > 0) ? ExactChars(p, next)[0] : -1;
  }

  // The position before the last repetition of a repeat that reached at from save.
  std::int32_t OneBack(std::size_t opnd, std::int32_t save, std::int32_t at) const {
    if (IsBackRef(opnd)) return at - std::max(GroupLen(p[opnd + kNodeSize]), 0);
    return Before(at, save);
  }

  // Sets pos and node for the greedy repeat at rep with n repetitions, which reach at, searching
  // downwards for a count whose following character agrees with the lookahead; false when none is
  // left.
  bool GreedyAt(std::size_t rep, std::int32_t save, std::int64_t n, std::int32_t at) {
    std::int64_t min, max;
    std::size_t opnd;
    RepeatArgs(rep, min, max, opnd);
    if (IsBackRef(opnd) && GroupLen(p[opnd + kNodeSize]) <= 0 && n > min) {
      n = min;  // empty group text: exactly min repetitions
      at = save;
    }
    std::size_t next = NextNode(p, rep);
    int la = Lookahead(next);
    if (la >= 0 && !IsBackRef(opnd) && !IsHighSurrogate(char32_t(la)) && !IsLowSurrogate(char32_t(la)) &&
        !CharMatches(opnd, char32_t(la))) {
      // Every counted character matched the operand, so none of them is the lookahead character:
      // only the full count can be followed by it (on backtracking, no count is left).
      if (n < min || at >= len || s[at] != la) return false;
      Push(F_STAR, rep, save, std::int32_t(n), at);
      pos = at;
      node = next;
      return true;
    }
    while (n >= min) {
      if (la < 0 || (at < len && s[at] == la)) {
        Push(F_STAR, rep, save, std::int32_t(n), at);
        pos = at;
        node = next;
        return true;
      }
      --n;
      if (n >= min) at = OneBack(opnd, save, at);
      Step();
    }
    return false;
  }

  // Non-greedy: from n repetitions, which reach at, upwards (each further one must still match).
  bool LazyAt(std::size_t rep, std::int32_t save, std::int64_t n, std::int32_t at) {
    std::int64_t min, max;
    std::size_t opnd;
    RepeatArgs(rep, min, max, opnd);
    (void)min;
    std::size_t next = NextNode(p, rep);
    int la = Lookahead(next);
    for (;;) {
      if (la < 0 || (at < len && s[at] == la)) {
        Push(F_STARNG, rep, save, std::int32_t(n), at);
        pos = at;
        node = next;
        return true;
      }
      const std::int32_t more = MoreAt(opnd, at, n, max);
      if (more <= 0) return false;
      ++n;
      at += more;
      Step();
    }
  }

  // The units one more repetition (the n+1-th) takes at at, after n; 0 when none fits.
  std::int32_t MoreAt(std::size_t opnd, std::int32_t at, std::int64_t n, std::int64_t max) {
    if (n >= max) return 0;
    if (IsBackRef(opnd)) {
      const std::int32_t width = GroupLen(p[opnd + kNodeSize]);
      if (width <= 0) return 0;  // empty group text: exactly min repetitions
      return GroupTextAt(p[opnd + kNodeSize], at, p[opnd] == BSUBEXPCI) ? width : 0;
    }
    return MatchOne(opnd, at);
  }

  void RepeatArgs(std::size_t rep, std::int64_t& min, std::int64_t& max, std::size_t& opnd) const {
    switch (p[rep]) {
      case STAR:
      case STARNG:
        min = 0;
        max = kMaxRepeat;
        opnd = rep + kNodeSize;
        break;
      case PLUS:
      case PLUSNG:
        min = 1;
        max = kMaxRepeat;
        opnd = rep + kNodeSize;
        break;
      default:  // BRACES, BRACESNG
        min = Get32(p + rep + kNodeSize);
        max = Get32(p + rep + kNodeSize + 2);
        opnd = rep + kNodeSize + 4;
        break;
    }
  }

  void LoopExit(std::size_t loopNode) {
    Push(F_LOOPIDX, 0, loopIdx, 0);
    --loopIdx;
    node = NextNode(p, loopNode);
  }

  // Pops entries until a choice resumes (true) or the stack is empty (false).
  bool Backtrack() {
    while (!stack.empty()) {
      Frame f = stack.back();
      stack.pop_back();
      switch (f.kind) {
        case F_GROUP_START:
          re.startp_[f.a] = f.b;
          break;
        case F_GROUP_END:
          re.endp_[f.a] = f.b;
          break;
        case F_LOOPIDX:
          loopIdx = f.a;
          break;
        case F_LOOPCOUNT:
          loopCount[f.a] = f.b;
          break;
        case F_LOOPLAST:
          loopLast[f.a] = f.b;
          break;
        case F_BACKLAST:
          backLast[std::size_t(f.a)] = f.b;
          break;
        case F_BRANCH: {
          Step();
          pos = f.a;
          std::size_t br = std::size_t(f.node);
          std::size_t more = Viable(NextNode(p, br));
          if (more != kNone) Push(F_BRANCH, more, pos, 0);
          node = br + kNodeSize;
          return true;
        }
        case F_STAR: {
          Step();
          std::int64_t min, max;
          std::size_t opnd;
          RepeatArgs(std::size_t(f.node), min, max, opnd);
          if (std::int64_t(f.b) - 1 >= min &&
              GreedyAt(std::size_t(f.node), f.a, std::int64_t(f.b) - 1, OneBack(opnd, f.a, f.c)))
            return true;
          break;
        }
        case F_STARNG: {
          Step();
          std::int64_t min, max;
          std::size_t opnd;
          RepeatArgs(std::size_t(f.node), min, max, opnd);
          const std::int32_t more = MoreAt(opnd, f.c, f.b, max);
          if (more > 0 && LazyAt(std::size_t(f.node), f.a, std::int64_t(f.b) + 1, f.c + more)) return true;
          break;
        }
        case F_LOOP_EXIT:
          Step();
          pos = f.a;
          LoopExit(std::size_t(f.node));
          return true;
        case F_LOOPNG_BODY: {
          Step();
          pos = f.a;
          std::size_t ln = std::size_t(f.node);
          Push(F_LOOPCOUNT, 0, loopIdx, loopCount[loopIdx]);
          ++loopCount[loopIdx];
          node = std::size_t(std::int64_t(ln) + Get32(p + ln + kNodeSize + 4));
          return true;
        }
      }
    }
    return false;
  }

  bool Run(std::int32_t start) {
    stack.clear();
    loopIdx = 0;
    if (re.backSlots_ > 0) backLast.assign(std::size_t(re.backSlots_), -1);
    pos = start;
    node = 1;
    const bool guards = re.hasBackRefs_;
    for (;;) {
      if (node == kNone || node >= re.program_.size()) re.Raise(reeMatchPrimCorruptedPointers);
      char16_t op = p[node];
      bool ok = true;
      switch (op) {
        case END:
          return true;
        case BOL:
          ok = pos == 0;
          break;
        case EOL:
          ok = Ch(pos) == 0;
          break;
        case BOLML:
          ok = BolMl();
          break;
        case EOLML:
          ok = EolMl();
          break;
        case ANY:
          if (Ch(pos) == 0)
            ok = false;
          else
            pos += Width(pos);
          break;
        case ANYML: {
          char16_t c = Ch(pos);
          if (c == 0 || IsSep(c) ||
              (re.pairAssigned_ && c == re.pairHead_ && pos + 1 < len && s[pos + 1] == re.pairTail_))
            ok = false;
          else
            pos += Width(pos);
          break;
        }
        case ANYOF:
        case ANYBUT:
        case ANYOFCI:
        case ANYBUTCI:
        case ANYDIGIT:
        case NOTDIGIT:
        case ANYLETTER:
        case NOTLETTER:
        case ANYSPACE:
        case NOTSPACE:
          if (const std::int32_t w = MatchOne(node, pos))
            pos += w;
          else
            ok = false;
          break;
        case EXACTLY: {
          std::size_t n = ExactLen(p, node);
          const char16_t* e = ExactChars(p, node);
          if (n == 0) break;
          if (std::int64_t(pos) + std::int64_t(n) > len || s[pos] != e[0] ||
              std::memcmp(s + pos, e, n * sizeof(char16_t)) != 0 ||
              (IsHighSurrogate(e[n - 1]) && InsidePair(pos + std::int32_t(n))))  // half of a pair
            ok = false;
          else
            pos += std::int32_t(n);
          break;
        }
        case EXACTLYCI: {
          std::size_t n = ExactLen(p, node);
          const char16_t* e = ExactChars(p, node);
          if (defaultInvert) {
            const std::int32_t took = FoldedLiteralAt(e, n, pos);
            if (took < 0)
              ok = false;
            else
              pos += took;
          } else if (std::int64_t(pos) + std::int64_t(n) > len) {
            ok = false;
          } else {
            for (std::size_t k = 0; k < n; ++k) {
              char16_t c = s[pos + std::int32_t(k)];
              if (c != e[k] && c != Inv(e[k])) {
                ok = false;
                break;
              }
            }
            if (ok) pos += std::int32_t(n);
          }
          break;
        }
        case BOUND:
        case NOTBOUND: {
          bool before = pos > 0 && IsWord(CharAt(Before(pos, 0), pos - Before(pos, 0)));
          bool after = pos < len && IsWord(CharAt(pos, Width(pos)));
          bool bound = before != after;
          ok = op == BOUND ? bound : !bound;
          break;
        }
        case NOTHING:
        case COMMENT:
          break;
        case BACK:
          if (guards) {
            std::size_t slot = p[node + kNodeSize];
            if (backLast[slot] == pos) {
              ok = false;
              break;
            }
            Push(F_BACKLAST, 0, std::int32_t(slot), backLast[slot]);
            backLast[slot] = pos;
          }
          break;
        case BSUBEXP:
        case BSUBEXPCI: {
          int n = p[node + kNodeSize];
          std::int32_t gl = GroupLen(n);
          if (gl < 0 || !GroupTextAt(n, pos, op == BSUBEXPCI))
            ok = false;
          else
            pos += gl;
          break;
        }
        case BRANCH: {
          std::size_t nx = NextNode(p, node);
          if (nx == kNone || p[nx] != BRANCH) {  // a single alternative
            node += kNodeSize;
            continue;
          }
          std::size_t first = Viable(node);
          if (first == kNone) {
            ok = false;
            break;
          }
          std::size_t more = Viable(NextNode(p, first));
          if (more != kNone) Push(F_BRANCH, more, pos, 0);
          node = first + kNodeSize;
          continue;
        }
        case STAR:
        case PLUS:
        case BRACES:
        case STARNG:
        case PLUSNG:
        case BRACESNG: {
          std::int64_t min, max;
          std::size_t opnd;
          RepeatArgs(node, min, max, opnd);
          std::int32_t save = pos, end = pos;
          bool greedy = op == STAR || op == PLUS || op == BRACES;
          if (greedy) {
            std::int64_t n = RepeatCount(opnd, max, save, end);
            if (n < min || !GreedyAt(node, save, n, end)) ok = false;
          } else {
            std::int64_t n = RepeatCount(opnd, min, save, end);
            if (n < min || !LazyAt(node, save, min, end)) ok = false;
          }
          if (ok) continue;  // GreedyAt/LazyAt set node and pos
          break;
        }
        case LOOPENTRY:
          Push(F_LOOPIDX, 0, loopIdx, 0);
          ++loopIdx;
          if (loopIdx > kLoopDepth) re.Raise(reeLoopStackExceeded);
          Push(F_LOOPCOUNT, 0, loopIdx, loopCount[loopIdx]);
          loopCount[loopIdx] = 0;
          Push(F_LOOPLAST, 0, loopIdx, loopLast[loopIdx]);
          loopLast[loopIdx] = -1;
          break;
        case LOOP:
        case LOOPNG: {
          if (loopIdx <= 0) re.Raise(reeLoopWithoutEntry);
          std::int32_t min = Get32(p + node + kNodeSize);
          std::int32_t max = Get32(p + node + kNodeSize + 2);
          std::size_t body = std::size_t(std::int64_t(node) + Get32(p + node + kNodeSize + 4));
          std::int32_t c = loopCount[loopIdx];
          if (guards) {
            bool empty = loopLast[loopIdx] == pos;
            Push(F_LOOPLAST, 0, loopIdx, loopLast[loopIdx]);
            loopLast[loopIdx] = pos;
            if (empty) {
              LoopExit(node);
              continue;
            }
          }
          if (c < min) {
            Push(F_LOOPCOUNT, 0, loopIdx, c);
            loopCount[loopIdx] = c + 1;
            node = body;
            continue;
          }
          if (op == LOOP) {
            if (c < max) {
              Push(F_LOOP_EXIT, node, pos, 0);
              Push(F_LOOPCOUNT, 0, loopIdx, c);
              loopCount[loopIdx] = c + 1;
              node = body;
              continue;
            }
          } else if (c < max) {
            Push(F_LOOPNG_BODY, node, pos, 0);
          }
          LoopExit(node);
          continue;
        }
        default:
          if (op > OPEN && op <= OPEN + 14) {
            int n = op - OPEN;
            Push(F_GROUP_START, 0, n, re.startp_[n]);
            re.startp_[n] = pos;
          } else if (op > CLOSE && op <= CLOSE + 14) {
            int n = op - CLOSE;
            Push(F_GROUP_END, 0, n, re.endp_[n]);
            re.endp_[n] = pos;
          } else {
            re.Raise(reeMatchPrimMemoryCorruption);
          }
          break;
      }
      if (ok) {
        node = NextNode(p, node);
      } else if (!Backtrack()) {
        return false;
      }
    }
  }
};

TRegExpr::TRegExpr() : invertCase_(&TRegExpr::InvertCaseFunction) {
  ClearGroups();
  SetModifier(ModifierI, false);
  SetModifier(ModifierR, true);
  SetModifier(ModifierS, true);
  SetModifier(ModifierG, true);
  SetModifier(ModifierM, false);
  SetSpaceChars(u" \t\n\r\f");
  SetWordChars(u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_");
  // LINE SEPARATOR, PARAGRAPH SEPARATOR and NEXT LINE besides the ASCII breaks.
  SetLineSeparators(u"\r\n\v\f\u2028\u2029\u0085");
  SetLinePairedSeparator(u"\r\n");
}

TRegExpr::~TRegExpr() = default;

void TRegExpr::ClearGroups() {
  for (int i = 0; i < NSUBEXP; ++i) {
    startp_[i] = -1;
    endp_[i] = -1;
  }
}

void TRegExpr::EnsureProgram() {
  if (compiled_ && modifiers_ != progModifiers_) DropProgram();
  if (!compiled_) Compile();
  if (program_.empty() || program_[0] != kMagic) Raise(reeCorruptedProgram);
}

void TRegExpr::StoreSubject(std::u16string_view subject) {
  ClearGroups();
  subject_.assign(subject);
  hasSubject_ = true;
}

std::size_t TRegExpr::NextFoldingIntoAscii(std::size_t from, std::size_t to) const {
  // The characters beyond ASCII that fold as ASCII letters (the Kelvin sign, the long s).
  static const std::u16string foldingIntoAscii = [] {
    std::u16string out;
    for (char32_t letter = U'a'; letter <= U'z'; ++letter)
      for (char32_t v : widechar::CaseVariants(letter))
        if (v >= 0x80 && v < 0x10000) out += char16_t(v);
    return out;
  }();
  // Sixteen units a step where they are ASCII, which most text is.
  const char16_t* s = subject_.data();
  std::size_t at = from;
  while (at < to) {
    if (at + 16 <= to) {
      std::uint64_t w[4];
      std::memcpy(w, s + at, sizeof w);
      if (!((w[0] | w[1] | w[2] | w[3]) & 0xFF80FF80FF80FF80ull)) {
        at += 16;
        continue;
      }
    }
    for (const std::size_t end = std::min(to, at + 16); at < end; ++at)
      if (s[at] >= 0x80 && foldingIntoAscii.find(s[at]) != std::u16string::npos) return at;
  }
  return to;
}

bool TRegExpr::Try(std::int32_t pos) {
  if (matcher_->Run(pos)) {
    startp_[0] = pos;
    endp_[0] = matcher_->pos;
    return true;
  }
  return false;
}

bool TRegExpr::Exec(std::u16string_view subject) {
  StoreSubject(subject);
  return ExecPos(1);
}

bool TRegExpr::ExecNext() {
  if (startp_[0] < 0 || endp_[0] < 0) Raise(reeExecNextWithoutExec);
  std::int64_t offset = std::int64_t(endp_[0]) + 1;
  if (endp_[0] == startp_[0]) ++offset;
  return ExecPos(int(offset));
}

bool TRegExpr::ExecPos(int offset) {
  ClearGroups();
  EnsureProgram();
  if (!hasSubject_) Raise(reeNoInputStringSpecified);
  if (offset < 1) Raise(reeOffsetMustBeGreaterThen0);
  if (subject_.size() > std::size_t(kMaxSubject)) Raise(reeBacktrackStackExceeded);
  std::int32_t len = std::int32_t(subject_.size());
  if (offset > len + 1) return false;
  std::int32_t start = offset - 1;

  if (!must_.Empty() && regexscan::Find(must_, subject_.data(), std::size_t(start), subject_.size()) >= subject_.size())
    return false;

  if (!matcher_) matcher_ = std::make_unique<Matcher>(*this);
  Matcher& m = *matcher_;
  m.p = program_.data();
  m.s = subject_.c_str();
  m.len = len;
  m.defaultInvert = invertCase_ == &TRegExpr::InvertCaseFunction;
  steps_ = 0;

  // No match starts between the halves of a surrogate pair (an offset there, as after an empty
  // match before a pair, moves on to the pair's end).
  if (m.InsidePair(start)) ++start;
  if (anchored_) return Try(start);
  if (!lead_.Empty()) {
    // Every match holds the lead literal leadOffset_ characters after its start.
    const char16_t* base = subject_.data();
    const std::size_t n = std::size_t(len);
    auto tryLead = [&](std::size_t at) {
      std::int32_t from = std::int32_t(at);
      std::size_t back = 0;
      for (; back < leadOffset_ && from > start; ++back) from = m.Before(from, start);
      return back == leadOffset_ && !m.InsidePair(from) && Try(from);
    };
    // The scan takes k and s in either case but not the characters beyond ASCII folding as them:
    // before each occurrence it finds, the places whose occurrence would hold such a character
    // (looked for where the scan went) are tried one by one, in order.
    const std::size_t span = lead_.Size();
    std::size_t tried = 0;  // every place before this one has been tried
    for (std::size_t next = std::size_t(start) + leadOffset_;;) {
      const std::size_t at = regexscan::Find(lead_, base, next, n);
      if (leadFoldsBeyond_) {
        const std::size_t until = std::min(n, (at >= n ? n : at) + span - 1);
        for (std::size_t fold = NextFoldingIntoAscii(next, until); fold < until;
             fold = NextFoldingIntoAscii(fold + 1, until))
          for (std::size_t z = std::max({next, tried, fold + 1 >= span ? fold + 1 - span : 0}); z <= fold && z < at;
               ++z) {
            tried = z + 1;
            if (tryLead(z)) return true;
          }
      }
      if (at >= n) return false;
      if (at >= tried && tryLead(at)) return true;
      tried = std::max(tried, at + 1);
      next = at + 1;
    }
  }
  if (hasFirstChar_) {
    const char16_t* base = subject_.data();
    const char16_t* end = base + len;
    for (const char16_t* q = base + start; q < end; ++q) {
      q = std::char_traits<char16_t>::find(q, std::size_t(end - q), firstChar_);
      if (!q) break;
      if (m.InsidePair(std::int32_t(q - base))) continue;
      if (Try(std::int32_t(q - base))) return true;
    }
    return false;
  }
  if (hasFirstSet_) {
    // No empty match is possible, so only positions holding a possible first character count.
    const char16_t* base = subject_.data();
    for (std::size_t p = std::size_t(start);; ++p) {
      p = regexscan::FindStart(firstSet_, base, p, std::size_t(len));
      if (p >= std::size_t(len)) return false;
      if (m.InsidePair(std::int32_t(p))) continue;
      if (Try(std::int32_t(p))) return true;
      p = m.AfterFailedTry(p);
    }
  }
  for (std::size_t p = std::size_t(start); p <= std::size_t(len); ++p) {
    if (m.InsidePair(std::int32_t(p))) continue;
    if (Try(std::int32_t(p))) return true;
    p = m.AfterFailedTry(p);
  }
  return false;
}

int TRegExpr::MatchPos(int n) const {
  if (!hasSubject_ || n < 0 || n >= NSUBEXP || startp_[n] < 0 || endp_[n] < 0 || endp_[n] < startp_[n]) return -1;
  return startp_[n] + 1;
}

int TRegExpr::MatchLen(int n) const {
  if (!hasSubject_ || n < 0 || n >= NSUBEXP || startp_[n] < 0 || endp_[n] < 0 || endp_[n] < startp_[n]) return -1;
  return endp_[n] - startp_[n];
}

std::u16string TRegExpr::Match(int n) const {
  int p = MatchPos(n);
  if (p < 0) return {};
  return subject_.substr(std::size_t(p - 1), std::size_t(MatchLen(n)));
}

std::u16string TRegExpr::Substitute(std::u16string_view tmpl) {
  return Substitute(tmpl, nullptr);
}

std::u16string TRegExpr::Substitute(std::u16string_view tmpl, const TGroupAdjust& adjust) {
  EnsureProgram();
  if (!hasSubject_) Raise(reeNoInputStringSpecified);
  std::u16string out;
  if (tmpl.empty()) return out;
  const std::size_t n = tmpl.size();
  std::size_t i = 0;
  while (i < n) {
    char16_t c = tmpl[i];
    if (c == u'$') {
      std::size_t j = i + 1;
      bool brace = false;
      if (j < n && tmpl[j] == u'{') {
        brace = true;
        ++j;
      }
      bool isRef = false;
      std::int64_t group = -1;
      if (j < n && tmpl[j] == u'&') {
        group = 0;
        isRef = true;
        ++j;
      } else {
        bool digits = false;
        std::int64_t v = 0;
        while (j < n && tmpl[j] < 256 && tmpl[j] >= u'0' && tmpl[j] <= u'9') {
          // Saturate: any number beyond the groups inserts nothing.
          if (v < 1000000) v = v * 10 + (tmpl[j] - u'0');
          digits = true;
          ++j;
        }
        if (digits) {
          group = v;
          isRef = true;
        } else if (brace && j < n && tmpl[j] == u'}') {
          group = 0;  // "${}"
          isRef = true;
        }
      }
      if (isRef && brace) {
        if (j < n && tmpl[j] == u'}')
          ++j;
        else
          isRef = false;
      }
      if (isRef) {
        const int start = group >= 0 && group < NSUBEXP ? MatchPos(int(group)) : -1;
        if (start > 0) {
          int from = start, to = start + MatchLen(int(group));
          if (adjust) adjust(from, to);
          from = std::clamp(from, 1, int(subject_.size()) + 1);
          to = std::clamp(to, from, int(subject_.size()) + 1);
          out.append(subject_, std::size_t(from - 1), std::size_t(to - from));
        }
        i = j;
        continue;
      }
      out += c;
      ++i;
    } else if (c == u'\\') {
      if (i + 1 < n) {
        out += tmpl[i + 1];
        i += 2;
      } else {
        out += c;
        ++i;
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::u16string TRegExpr::Replace(std::u16string_view subject, std::u16string_view replacement, bool useSubstitution) {
  std::u16string result;
  std::size_t prev = 0;
  if (Exec(subject)) {
    do {
      std::size_t mp = std::size_t(MatchPos(0) - 1);
      std::size_t ml = std::size_t(MatchLen(0));
      result.append(subject_, prev, mp - prev);
      if (useSubstitution)
        result += Substitute(replacement);
      else
        result += replacement;
      prev = mp + ml;
    } while (ExecNext());
  }
  if (prev < subject_.size()) result.append(subject_, prev, std::u16string::npos);
  return result;
}

}  // namespace synregexpr
