// Wide regular-expression engine: object, settings, error table and the two-pass compiler.
// The matcher lives in SynRegExprExec.cpp.
#include "regex/SynRegExpr.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/WideChar.h"
#include "regex/RegExprChars.h"
#include "regex/SynRegExprProgram.h"

namespace synregexpr {

using namespace prog;

namespace {

constexpr std::u16string_view kMetaChars = u"^$.[()|?+*\\{";

bool IsQuantifier(int c) {
  return c == '*' || c == '+' || c == '?' || c == '{';
}
bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Cyrillic letters in alphabetic order, with YO after YE.
const char16_t kCyrLower[33] = {0x430, 0x431, 0x432, 0x433, 0x434, 0x435, 0x451, 0x436, 0x437, 0x438, 0x439,
                                0x43A, 0x43B, 0x43C, 0x43D, 0x43E, 0x43F, 0x440, 0x441, 0x442, 0x443, 0x444,
                                0x445, 0x446, 0x447, 0x448, 0x449, 0x44A, 0x44B, 0x44C, 0x44D, 0x44E, 0x44F};
const char16_t kCyrUpper[33] = {0x410, 0x411, 0x412, 0x413, 0x414, 0x415, 0x401, 0x416, 0x417, 0x418, 0x419,
                                0x41A, 0x41B, 0x41C, 0x41D, 0x41E, 0x41F, 0x420, 0x421, 0x422, 0x423, 0x424,
                                0x425, 0x426, 0x427, 0x428, 0x429, 0x42A, 0x42B, 0x42C, 0x42D, 0x42E, 0x42F};

void FillBits(bool (&bits)[256], std::u16string_view chars) {
  std::fill(std::begin(bits), std::end(bits), false);
  for (char16_t c : chars)
    if (c < 256) bits[c] = true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The compiler. Both passes run the same parser; in the sizing pass every emit only counts.

struct TRegExpr::Compiler {
  TRegExpr& re;
  std::u16string_view expr;
  std::size_t parse = 0;
  int npar = 1;
  bool sizing = true;
  std::size_t size = 0;
  std::vector<char16_t>* prog = nullptr;
  std::size_t code = 0;
  std::uint32_t compMods = 0;
  int backSlots = 0;
  bool hasBackRefs = false;

  static constexpr std::size_t kDummy = std::numeric_limits<std::size_t>::max() - 1;  // not kNone

  Compiler(TRegExpr& r, std::u16string_view e) : re(r), expr(e) {}

  [[noreturn]] void Fail(int code) {
    re.compilerErrorPos_ = int(std::min<std::size_t>(parse, std::size_t(std::numeric_limits<int>::max())));
    re.Raise(code);
  }

  int Peek(std::size_t i) const { return i < expr.size() ? int(expr[i]) : -1; }
  int Cur() const { return Peek(parse); }
  bool AtEnd() const { return parse >= expr.size(); }
  bool Mod(std::uint32_t bit) const { return (compMods & bit) != 0; }

  // --- emitting -------------------------------------------------------------------------------
  std::size_t EmitNode(char16_t op) {
    if (sizing) {
      size += kNodeSize;
      return kDummy;
    }
    std::size_t ret = code;
    char16_t* p = prog->data() + code;
    p[0] = op;
    p[1] = 0;
    p[2] = 0;
    code += kNodeSize;
    return ret;
  }
  void EmitC(char16_t c) {
    if (sizing) {
      ++size;
      return;
    }
    (*prog)[code++] = c;
  }
  void Emit32(std::int32_t v) {
    EmitC(char16_t(std::uint32_t(v) & 0xFFFF));
    EmitC(char16_t(std::uint32_t(v) >> 16));
  }
  // Inserts a node of sz units in front of the operand at opnd.
  void InsertOperator(char16_t op, std::size_t opnd, std::size_t sz) {
    if (sizing) {
      size += sz;
      return;
    }
    char16_t* base = prog->data();
    std::memmove(base + opnd + sz, base + opnd, (code - opnd) * sizeof(char16_t));
    code += sz;
    base[opnd] = op;
    for (std::size_t i = 1; i < sz; ++i) base[opnd + i] = 0;
  }
  std::size_t Next(std::size_t p) const { return NextNode(prog->data(), p); }
  void Tail(std::size_t p, std::size_t val) {
    if (sizing || p == kDummy) return;
    std::size_t scan = p;
    for (;;) {
      std::size_t temp = Next(scan);
      if (temp == kNone) break;
      scan = temp;
    }
    SetNext(prog->data(), scan, val);
  }
  void OpTail(std::size_t p, std::size_t val) {
    if (sizing || p == kDummy || (*prog)[p] != BRANCH) return;
    Tail(p + kNodeSize, val);
  }
  std::size_t EmitBack() {
    std::size_t ret = EmitNode(BACK);
    EmitC(char16_t(backSlots++));
    return ret;
  }

  // --- parsing --------------------------------------------------------------------------------
  std::size_t ParseReg(bool paren, int* flagp) {
    *flagp = HASWIDTH;
    std::uint32_t savedMods = compMods;
    std::size_t ret = kDummy;
    int parno = 0;
    bool haveRet = false;
    if (paren) {
      if (npar >= NSUBEXP) Fail(reeCompParseRegTooManyBrackets);
      parno = npar++;
      ret = EmitNode(char16_t(OPEN + parno));
      haveRet = true;
    }
    int flags = 0;
    std::size_t br = ParseBranch(&flags);
    if (haveRet)
      Tail(ret, br);
    else
      ret = br;
    if (!(flags & HASWIDTH)) *flagp &= ~HASWIDTH;
    *flagp |= flags & SPSTART;
    while (Cur() == '|') {
      ++parse;
      br = ParseBranch(&flags);
      Tail(ret, br);
      if (!(flags & HASWIDTH)) *flagp &= ~HASWIDTH;
      *flagp |= flags & SPSTART;
    }
    std::size_t ender = EmitNode(paren ? char16_t(CLOSE + parno) : char16_t(END));
    Tail(ret, ender);
    if (!sizing)
      for (std::size_t b = ret; b != kNone; b = Next(b)) OpTail(b, ender);
    if (paren) {
      if (Cur() != ')') Fail(reeCompParseRegUnmatchedBrackets);
      ++parse;
    } else if (!AtEnd()) {
      if (Cur() == ')') Fail(reeCompParseRegUnmatchedBrackets2);
      Fail(reeCompParseRegJunkOnEnd);
    }
    compMods = savedMods;
    return ret;
  }

  std::size_t ParseBranch(int* flagp) {
    *flagp = WORST;
    std::size_t ret = EmitNode(BRANCH);
    std::size_t chain = kNone;
    while (!AtEnd() && Cur() != '|' && Cur() != ')') {
      int flags = 0;
      std::size_t latest = ParsePiece(&flags);
      *flagp |= flags & HASWIDTH;
      if (chain == kNone)
        *flagp |= flags & SPSTART;
      else
        Tail(chain, latest);
      chain = latest;
    }
    if (chain == kNone) EmitNode(NOTHING);
    return ret;
  }

  // LOOPENTRY in front of the atom, LOOP/LOOPNG after it, both chains ending at the LOOP node.
  void EmitLoop(std::size_t ret, std::int32_t min, std::int32_t max, bool nonGreedy) {
    InsertOperator(LOOPENTRY, ret, kNodeSize);
    std::size_t loop = EmitNode(nonGreedy ? LOOPNG : LOOP);
    Emit32(min);
    Emit32(max);
    if (sizing) {
      Emit32(0);
      return;
    }
    Emit32(std::int32_t(std::int64_t(ret + kNodeSize) - std::int64_t(loop)));
    Tail(ret, loop);
    Tail(ret + kNodeSize, loop);
  }

  void InsertBraces(char16_t op, std::size_t ret, std::int32_t min, std::int32_t max) {
    InsertOperator(op, ret, kNodeSize + 4);
    if (sizing) return;
    Put32(prog->data() + ret + kNodeSize, min);
    Put32(prog->data() + ret + kNodeSize + 2, max);
  }

  // Decimal digits [from, to) as a repeat count; 9 digits or more are refused.
  std::int32_t ParseNumber(std::size_t from, std::size_t to) {
    if (to - from >= 9) Fail(reeBRACESArgTooBig);
    std::int32_t v = 0;
    for (std::size_t i = from; i < to; ++i) v = v * 10 + (expr[i] - '0');
    return v;
  }

  std::size_t ParsePiece(int* flagp) {
    int flags = 0;
    std::size_t ret = ParseAtom(&flags);
    int op = Cur();
    if (!IsQuantifier(op)) {
      *flagp = flags;
      return ret;
    }
    if (!(flags & HASWIDTH) && op != '?') Fail(rePlusStarOperandCouldBeEmpty);
    bool simple = (flags & SIMPLE) != 0;
    switch (op) {
      case '*': {
        *flagp = WORST | SPSTART;
        bool ng = NonGreedy();
        if (simple) {
          InsertOperator(ng ? STARNG : STAR, ret, kNodeSize);
        } else if (ng) {
          EmitLoop(ret, 0, kMaxBracesArg, true);
        } else {
          InsertOperator(BRANCH, ret, kNodeSize);
          OpTail(ret, EmitBack());
          OpTail(ret, ret);
          Tail(ret, EmitNode(BRANCH));
          Tail(ret, EmitNode(NOTHING));
        }
        SkipQuantifier(ng);
        break;
      }
      case '+': {
        *flagp = WORST | SPSTART | HASWIDTH;
        bool ng = NonGreedy();
        if (simple) {
          InsertOperator(ng ? PLUSNG : PLUS, ret, kNodeSize);
        } else if (ng) {
          EmitLoop(ret, 1, kMaxBracesArg, true);
        } else {
          std::size_t next = EmitNode(BRANCH);
          Tail(ret, next);
          Tail(EmitBack(), ret);
          Tail(next, EmitNode(BRANCH));
          Tail(ret, EmitNode(NOTHING));
        }
        SkipQuantifier(ng);
        break;
      }
      case '?': {
        *flagp = WORST;
        bool ng = NonGreedy();
        if (ng) {
          if (simple)
            InsertBraces(BRACESNG, ret, 0, 1);
          else
            EmitLoop(ret, 0, 1, true);
        } else {
          InsertOperator(BRANCH, ret, kNodeSize);
          Tail(ret, EmitNode(BRANCH));
          std::size_t next = EmitNode(NOTHING);
          Tail(ret, next);
          OpTail(ret, next);
        }
        SkipQuantifier(ng);
        break;
      }
      case '{': {
        std::size_t saved = parse;
        ++parse;
        std::size_t p = parse;
        while (Cur() >= '0' && Cur() <= '9') ++parse;
        if ((Cur() != '}' && Cur() != ',') || p == parse) {
          parse = saved;
          *flagp = flags;
          return ret;
        }
        std::int32_t bmin = ParseNumber(p, parse);
        std::int32_t bmax;
        if (Cur() == ',') {
          ++parse;
          p = parse;
          while (Cur() >= '0' && Cur() <= '9') ++parse;
          if (Cur() != '}') {
            parse = saved;
            *flagp = flags;
            return ret;
          }
          bmax = p == parse ? kMaxBracesArg : ParseNumber(p, parse);
        } else {
          bmax = bmin;
        }
        if (bmin > bmax) Fail(reeBracesMinParamGreaterMax);
        if (bmin > 0)
          *flagp = WORST | HASWIDTH | SPSTART;
        else if (bmax > 0)
          *flagp = WORST | SPSTART;
        else
          *flagp = WORST;
        bool ng = NonGreedy();
        if (simple)
          InsertBraces(ng ? BRACESNG : BRACES, ret, bmin, bmax);
        else
          EmitLoop(ret, bmin, bmax, ng);
        SkipQuantifier(ng);  // the '}'
        break;
      }
    }
    if (IsQuantifier(Cur())) Fail(reeNestedSQP);
    return ret;
  }

  // With parse on the last character of a quantifier: it is non-greedy when a "?" follows, and
  // every quantifier is while modifier g is off.
  bool NonGreedy() const { return Peek(parse + 1) == '?' || !Mod(kModG); }
  // Steps past the quantifier's last character and its "?", if any.
  void SkipQuantifier(bool ng) {
    ++parse;
    if (ng && Cur() == '?') ++parse;
  }

  int HexDig(int c) {
    int v = regexchars::HexDigitValue(c);
    if (v < 0) Fail(reeBadHexDigit);
    return v;
  }

  // The character-escape rule; parse is at the letter after "\\" and is left at the last character
  // of the escape (the low half of an escaped surrogate pair, which stands for its one character).
  char32_t UnQuoteChar() {
    switch (Cur()) {
      case 'a':
        return 0x07;
      case 'e':
        return 0x1B;
      case 'f':
        return 0x0C;
      case 'n':
        return 0x0A;
      case 'r':
        return 0x0D;
      case 't':
        return 0x09;
      case 'x': {
        ++parse;
        if (AtEnd()) Fail(reeNoHexCodeAfterBSlashX);
        if (Cur() == '{') {
          std::uint32_t v = 0;
          for (;;) {
            ++parse;
            if (AtEnd()) Fail(reeNoHexCodeAfterBSlashX);
            if (Cur() == '}') break;
            if (v >= 0x1000) Fail(reeHexCodeAfterBSlashXTooBig);
            v = (v << 4) | std::uint32_t(HexDig(Cur()));
          }
          return v;
        }
        std::uint32_t v = std::uint32_t(HexDig(Cur()));
        ++parse;
        if (AtEnd()) Fail(reeNoHexCodeAfterBSlashX);
        v = (v << 4) | std::uint32_t(HexDig(Cur()));
        return v;
      }
      default:
        return CharHere(true);
    }
  }

  // The character at parse: a surrogate pair is one (with advance, parse is left at its low half).
  char32_t CharHere(bool advance) {
    const int c = Cur();
    if (IsHighSurrogate(char32_t(c)) && IsLowSurrogate(char32_t(Peek(parse + 1)))) {
      if (advance) ++parse;
      return PairCodePoint(char16_t(c), char16_t(Peek(parse + (advance ? 0 : 1))));
    }
    return char32_t(c);
  }

  // Whether the case-insensitive nodes compare by folding (the default case rule), not through a
  // case inversion the caller set.
  bool Folds() const { return Mod(kModI) && re.invertCase_ == &TRegExpr::InvertCaseFunction; }

  // A set operand is: length (2 units), a 256-bit map of the members below 256 (16 units), the
  // members up to U+FFFF, then the ranges beyond it (their count, then first and last of each, 2
  // units apiece). The members are gathered first: a folding set adds the foldings of its members.
  struct TSetMembers {
    std::vector<char16_t> units;
    std::vector<std::pair<char32_t, char32_t>> ranges;
    void Add(char32_t c) { AddRange(c, c); }
    void AddRange(char32_t first, char32_t last) {
      for (char32_t c = first; c <= last && c < 0x10000; ++c) units.push_back(char16_t(c));
      if (last >= 0x10000) ranges.emplace_back(std::max<char32_t>(first, 0x10000), last);
    }
    // The characters of chars, a surrogate pair as one.
    void AddChars(std::u16string_view chars) {
      for (std::size_t i = 0; i < chars.size(); ++i) {
        if (i + 1 < chars.size() && IsHighSurrogate(chars[i]) && IsLowSurrogate(chars[i + 1])) {
          Add(PairCodePoint(chars[i], chars[i + 1]));
          ++i;
        } else {
          Add(chars[i]);
        }
      }
    }
  };

  void AddFoldings(TSetMembers& set) {
    const std::size_t n = set.units.size();
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t f = widechar::Fold(set.units[i]);
      if (f != set.units[i]) set.units.push_back(f);
    }
    std::vector<std::pair<char32_t, char32_t>> folded;
    for (const auto& [first, last] : set.ranges) {
      const auto more = widechar::FoldedRanges(first, last);
      folded.insert(folded.end(), more.begin(), more.end());
    }
    set.ranges.insert(set.ranges.end(), folded.begin(), folded.end());
  }

  std::size_t ParseSet(int* flagp) {
    bool negated = false;
    if (Cur() == '^') {
      negated = true;
      ++parse;
    }
    char16_t op = Mod(kModI) ? (negated ? ANYBUTCI : ANYOFCI) : (negated ? ANYBUT : ANYOF);
    std::size_t ret = EmitNode(op);
    TSetMembers set;
    bool canStartRange = false;
    char32_t rangeStart = 0;
    if (Cur() == ']') {
      set.Add(u']');
      canStartRange = true;
      rangeStart = u']';
      ++parse;
    }
    while (!AtEnd() && Cur() != ']') {
      int c = Cur();
      if (c == '-' && canStartRange && Peek(parse + 1) != -1 && Peek(parse + 1) != ']') {
        ++parse;
        char32_t rangeEnd;
        if (Cur() == '\\') {
          int e = Peek(parse + 1);
          if (e == 'd' || e == 'D' || e == 's' || e == 'S' || e == 'w' || e == 'W') {
            // "-" before a class escape is a member; the escape is the next item.
            set.Add(u'-');
            canStartRange = false;
            continue;
          }
          ++parse;
          if (AtEnd()) Fail(reeParseAtomTrailingBackSlash);
          rangeEnd = UnQuoteChar();
        } else {
          rangeEnd = CharHere(true);
        }
        if (Mod(kModR) && rangeStart == 0x430 && rangeEnd == 0x44F) {
          for (char16_t ch : kCyrLower) set.Add(ch);
        } else if (Mod(kModR) && rangeStart == 0x410 && rangeEnd == 0x42F) {
          for (char16_t ch : kCyrUpper) set.Add(ch);
        } else if (Mod(kModR) && rangeStart == 0x430 && rangeEnd == 0x42F) {
          for (char16_t ch : kCyrLower) set.Add(ch);
          for (char16_t ch : kCyrUpper) set.Add(ch);
        } else {
          if (rangeStart > rangeEnd) Fail(reeInvalidRange);
          if (rangeStart < rangeEnd) set.AddRange(rangeStart + 1, rangeEnd);
        }
        canStartRange = false;
        ++parse;
      } else if (c == '\\') {
        ++parse;
        if (AtEnd()) Fail(reeParseAtomTrailingBackSlash);
        switch (Cur()) {
          case 'd':
            for (char16_t ch = u'0'; ch <= u'9'; ++ch) set.Add(ch);
            canStartRange = false;
            break;
          case 'w':
            set.AddChars(re.wordChars_);
            canStartRange = false;
            break;
          case 's':
            set.AddChars(re.spaceChars_);
            canStartRange = false;
            break;
          default: {
            char32_t ch = UnQuoteChar();
            set.Add(ch);
            canStartRange = true;
            rangeStart = ch;
          }
        }
        ++parse;
      } else {
        const char32_t ch = CharHere(true);
        set.Add(ch);
        canStartRange = true;
        rangeStart = ch;
        ++parse;
      }
    }
    if (AtEnd()) Fail(reeUnmatchedSqBrackets);
    ++parse;
    if (Folds()) AddFoldings(set);
    std::size_t lenAt = sizing ? 0 : code;
    Emit32(std::int32_t(set.units.size()));
    for (int i = 0; i < kSetMapUnits; ++i) EmitC(0);
    for (char16_t u : set.units) EmitC(u);
    Emit32(std::int32_t(set.ranges.size()));
    for (const auto& [first, last] : set.ranges) {
      Emit32(std::int32_t(first));
      Emit32(std::int32_t(last));
    }
    if (!sizing) {
      char16_t* map = prog->data() + lenAt + 2;
      for (char16_t u : set.units)
        if (u < 256) map[u >> 4] |= char16_t(1u << (u & 15));
    }
    *flagp = HASWIDTH | SIMPLE;
    return ret;
  }

  // A literal of one character (one unit, or a surrogate pair), folded when the node folds.
  std::size_t EmitCharLiteral(char32_t ch) {
    if (Folds()) ch = widechar::FoldCodePoint(ch);
    std::size_t ret = EmitNode(Mod(kModI) ? EXACTLYCI : EXACTLY);
    if (ch >= 0x10000) {
      Emit32(2);
      EmitC(char16_t(0xD800 + ((ch - 0x10000) >> 10)));
      EmitC(char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF)));
    } else {
      Emit32(1);
      EmitC(char16_t(ch));
    }
    return ret;
  }

  std::size_t ParseAtom(int* flagp) {
    *flagp = WORST;
    if (AtEnd()) {
      ++parse;
      Fail(reeInternalUrp);
    }
    int c = Cur();
    ++parse;
    std::size_t ret = kDummy;
    bool lineMode = Mod(kModM) && (!re.lineSeparators_.empty() || re.pairAssigned_);
    switch (c) {
      case '^':
        ret = EmitNode(lineMode ? BOLML : BOL);
        break;
      case '$':
        ret = EmitNode(lineMode ? EOLML : EOL);
        break;
      case '.':
        if (Mod(kModS)) {
          ret = EmitNode(ANY);
          *flagp |= HASWIDTH | SIMPLE;
        } else {
          ret = EmitNode(ANYML);
          *flagp |= HASWIDTH;
        }
        break;
      case '[':
        ret = ParseSet(flagp);
        break;
      case '(':
        if (Cur() == '?') {
          if (Peek(parse + 1) == '#') {
            parse += 2;
            while (!AtEnd() && Cur() != ')') ++parse;
            if (AtEnd()) Fail(reeUnclosedComment);
            ++parse;
            ret = EmitNode(COMMENT);
          } else {
            ++parse;
            std::uint32_t mods = compMods;
            if (!ParseModifiers(mods, true)) Fail(reeUrecognizedModifier);
            compMods = mods;
            ++parse;  // the ')'
            ret = EmitNode(COMMENT);
          }
        } else {
          int flags = 0;
          ret = ParseReg(true, &flags);
          *flagp |= flags & (HASWIDTH | SPSTART);
        }
        break;
      case '|':
      case ')':
        Fail(reeInternalUrp);
      case '?':
      case '+':
      case '*':
        Fail(reeQPSBFollowsNothing);
      case '\\': {
        if (AtEnd()) Fail(reeTrailingBackSlash);
        int e = Cur();
        switch (e) {
          case 'd':
            ret = EmitNode(ANYDIGIT);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'D':
            ret = EmitNode(NOTDIGIT);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 's':
            ret = EmitNode(ANYSPACE);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'S':
            ret = EmitNode(NOTSPACE);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'w':
            ret = EmitNode(ANYLETTER);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'W':
            ret = EmitNode(NOTLETTER);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'b':
            ret = EmitNode(BOUND);
            break;
          case 'B':
            ret = EmitNode(NOTBOUND);
            break;
          case 'A':
            ret = EmitNode(BOL);
            break;
          case 'Z':
            ret = EmitNode(EOL);
            break;
          default:
            if (e >= '1' && e <= '9') {
              ret = EmitNode(Mod(kModI) ? BSUBEXPCI : BSUBEXP);
              EmitC(char16_t(e - '0'));
              hasBackRefs = true;
              *flagp |= HASWIDTH | SIMPLE;
            } else {
              ret = EmitCharLiteral(UnQuoteChar());
              *flagp |= HASWIDTH | SIMPLE;
            }
        }
        ++parse;
        break;
      }
      default: {
        --parse;
        if (Mod(kModX) && (c == '#' || IsBlank(c))) {
          if (c == '#') {
            while (!AtEnd() && Cur() != '\r' && Cur() != '\n') ++parse;
            while (Cur() == '\r' || Cur() == '\n') ++parse;
          } else {
            while (IsBlank(Cur())) ++parse;
          }
          ret = EmitNode(COMMENT);
          break;
        }
        // A literal run: up to the next meta character ("{" may open a run of its own when it did
        // not form a quantifier).
        std::size_t len = 0;
        std::size_t i = parse;
        if (c == '{') {
          ++i;
          ++len;
        }
        while (i < expr.size() && kMetaChars.find(expr[i]) == std::u16string_view::npos) {
          ++i;
          ++len;
        }
        if (len == 0) Fail(reeRarseAtomInternalDisaster);
        // A quantifier takes the run's last character alone (a surrogate pair is one).
        const bool pairLast =
            len >= 2 && IsHighSurrogate(expr[parse + len - 2]) && IsLowSurrogate(expr[parse + len - 1]);
        const std::size_t lastLen = pairLast ? 2 : 1;
        if (len > lastLen && IsQuantifier(Peek(parse + len))) len -= lastLen;
        *flagp |= HASWIDTH;
        if (len == 1 || (len == 2 && pairLast)) *flagp |= SIMPLE;
        ret = EmitNode(Mod(kModI) ? EXACTLYCI : EXACTLY);
        std::size_t lenAt = sizing ? 0 : code;
        Emit32(0);
        std::u16string run;
        while (len > 0 && (!Mod(kModX) || Cur() != '#')) {
          if (!Mod(kModX) || !IsBlank(Cur())) run += expr[parse];
          ++parse;
          --len;
        }
        if (Folds()) run = widechar::FoldUtf16(run);
        for (char16_t u : run) EmitC(u);
        if (!sizing) Put32(prog->data() + lenAt, std::int32_t(run.size()));
      }
    }
    return ret;
  }

  // Modifier letters up to ")" (inGroup) or to the end of the text; parse is left at the ")".
  bool ParseModifiers(std::uint32_t& mods, bool inGroup) {
    bool clear = false;
    for (;;) {
      if (AtEnd()) return !inGroup;
      int c = Cur();
      if (inGroup && c == ')') return true;
      std::uint32_t bit = 0;
      switch (c) {
        case 'i':
        case 'I':
          bit = kModI;
          break;
        case 'r':
        case 'R':
          bit = kModR;
          break;
        case 's':
        case 'S':
          bit = kModS;
          break;
        case 'g':
        case 'G':
          bit = kModG;
          break;
        case 'm':
        case 'M':
          bit = kModM;
          break;
        case 'x':
        case 'X':
          bit = kModX;
          break;
        case '-':
          clear = true;
          break;
        default:
          return false;
      }
      if (bit) mods = clear ? (mods & ~bit) : (mods | bit);
      ++parse;
    }
  }

  int Pass() {
    parse = 0;
    npar = 1;
    backSlots = 0;
    hasBackRefs = false;
    compMods = re.modifiers_;
    EmitC(kMagic);
    int flags = 0;
    ParseReg(false, &flags);
    return flags;
  }
};

// ---------------------------------------------------------------------------------------------

char16_t TRegExpr::InvertCaseFunction(char16_t ch) {
  if (ch >= 128) return ch;
  char16_t up = widechar::AsciiToUpper(ch);
  return up != ch ? up : widechar::AsciiToLower(ch);
}

void TRegExpr::SetInvertCase(TInvertCaseFunction fn) {
  invertCase_ = fn ? fn : &TRegExpr::InvertCaseFunction;
  DropProgram();  // the first-character set depends on it
}

void TRegExpr::DropProgram() {
  program_.clear();
  ++programSerial_;
  compiled_ = false;
  hasFirstChar_ = false;
  anchored_ = false;
  hasFirstSet_ = false;
  must_.Clear();
  lead_.Clear();
  leadOffset_ = 0;
  leadFoldsBeyond_ = false;
  runHead_ = runBody_ = 0;
}

void TRegExpr::SetExpression(std::u16string_view expression) {
  if (expression == expression_ && compiled_) return;
  expression_.assign(expression);
  DropProgram();
}

void TRegExpr::SetModifier(int index, bool on) {
  static const std::uint32_t bits[] = {0, kModI, kModR, kModS, kModG, kModM, kModX};
  if (index < 1 || index > 6) Raise(reeModifierUnsupported);
  modifiers_ = on ? (modifiers_ | bits[index]) : (modifiers_ & ~bits[index]);
}

bool TRegExpr::Modifier(int index) const {
  static const std::uint32_t bits[] = {0, kModI, kModR, kModS, kModG, kModM, kModX};
  if (index < 1 || index > 6) const_cast<TRegExpr*>(this)->Raise(reeModifierUnsupported);
  return (modifiers_ & bits[index]) != 0;
}

std::u16string TRegExpr::ModifierStr() const {
  static const char16_t letters[] = u"irsgmx";
  std::u16string on, off;
  for (int i = 1; i <= 6; ++i) (Modifier(i) ? on : off) += letters[i - 1];
  if (!off.empty()) on += u'-' + off;
  return on;
}

void TRegExpr::SetModifierStr(std::u16string_view text) {
  Compiler c(*this, text);
  std::uint32_t mods = modifiers_;
  if (!c.ParseModifiers(mods, false)) {
    compilerErrorPos_ = 0;
    Raise(reeUrecognizedModifier);
  }
  modifiers_ = mods;
}

void TRegExpr::SetSpaceChars(std::u16string_view chars) {
  spaceChars_.assign(chars);
  FillBits(spaceBits_, spaceChars_);
}

void TRegExpr::SetWordChars(std::u16string_view chars) {
  wordChars_.assign(chars);
  FillBits(wordBits_, wordChars_);
}

void TRegExpr::SetLineSeparators(std::u16string_view chars) {
  lineSeparators_.assign(chars);
  FillBits(sepBits_, lineSeparators_);
}

std::u16string TRegExpr::LinePairedSeparator() const {
  if (!pairAssigned_) return {};
  return std::u16string{pairHead_, pairTail_};
}

void TRegExpr::SetLinePairedSeparator(std::u16string_view pair) {
  if (pair.size() == 2 && pair[0] != pair[1]) {
    if (!pairAssigned_ || pairHead_ != pair[0] || pairTail_ != pair[1]) {
      pairAssigned_ = true;
      pairHead_ = pair[0];
      pairTail_ = pair[1];
      DropProgram();
    }
  } else if (pair.empty()) {
    if (pairAssigned_) {
      pairAssigned_ = false;
      DropProgram();
    }
  } else {
    compilerErrorPos_ = 0;
    Raise(reeBadLinePairedSeparator);
  }
}

void TRegExpr::Compile() {
  if (expression_.empty()) Raise(reeNoExpression);
  CompileExpression();
}

void TRegExpr::CompileExpression() {
  DropProgram();
  compilerErrorPos_ = 0;
  progModifiers_ = modifiers_;
  Compiler c(*this, expression_);
  c.sizing = true;
  c.size = 0;
  c.Pass();
  if (c.size > std::size_t(0x7FFFFFF0)) {
    c.parse = 0;
    c.Fail(reeCompRegexpTooBig);
  }
  std::vector<char16_t> prog(c.size, 0);
  c.sizing = false;
  c.prog = &prog;
  c.code = 0;
  int flags = c.Pass();
  program_ = std::move(prog);
  hasBackRefs_ = c.hasBackRefs;
  backSlots_ = c.backSlots;

  // Hints, only when the expression has a single top-level alternative.
  const char16_t* p = program_.data();
  std::size_t scan = 1;
  std::size_t next = NextNode(p, scan);
  if (next != kNone && p[next] == END) {
    scan += kNodeSize;
    if (p[scan] == EXACTLY && ExactLen(p, scan) > 0) {
      hasFirstChar_ = true;
      firstChar_ = ExactChars(p, scan)[0];
    } else if (p[scan] == BOL) {
      anchored_ = true;
    }
    if (flags & SPSTART) {
      std::size_t best = kNone, bestLen = 0;
      for (std::size_t guard = 0; scan != kNone && guard < program_.size(); scan = NextNode(p, scan), ++guard) {
        if (p[scan] == EXACTLY && ExactLen(p, scan) >= bestLen && ExactLen(p, scan) > 0) {
          best = scan;
          bestLen = ExactLen(p, scan);
        }
      }
      if (best != kNone) {
        const char16_t* chars = ExactChars(p, best);
        for (std::size_t i = 0; i < bestLen; ++i) must_.Add(chars[i], false);
      }
    }
  }
  if (!anchored_) {
    ComputeLead();
    if (lead_.Empty() && !hasFirstChar_) ComputeFirstSet();
    ComputeRunSkip();
  }
  compiled_ = true;
}

namespace {

// Collects the characters that can start a match from node onwards. False when any character
// could (or an empty match is possible, or the structure is beyond this simple walk).
struct FirstSetWalk {
  const char16_t* p;
  bool defaultInvert;
  regexscan::StartSet set;
  int budget = 2000;

  void Add(char16_t c) { set.Add(c); }
  // The first unit of c (its high surrogate beyond U+FFFF).
  void AddChar(char32_t c) { Add(c < 0x10000 ? char16_t(c) : char16_t(0xD800 + ((c - 0x10000) >> 10))); }
  // A folding node's character f matches every character that folds to it.
  void AddVariants(char32_t f) {
    for (char32_t v : widechar::CaseVariants(f)) AddChar(v);
  }
  // A single-character node: its possible characters.
  bool One(std::size_t n) {
    switch (p[n]) {
      case EXACTLY:
        Add(ExactChars(p, n)[0]);
        return true;
      case EXACTLYCI: {
        if (!defaultInvert) return false;
        const char16_t* e = ExactChars(p, n);
        AddVariants(ExactLen(p, n) >= 2 && IsHighSurrogate(e[0]) && IsLowSurrogate(e[1]) ? PairCodePoint(e[0], e[1])
                                                                                         : char32_t(e[0]));
        return true;
      }
      case ANYOF:
      case ANYOFCI: {
        if (p[n] == ANYOFCI && (!defaultInvert || SetRangeCount(p, n) > 0)) return false;
        const char16_t* m = SetMembers(p, n);
        for (std::size_t i = 0, c = SetLen(p, n); i < c; ++i) {
          if (p[n] == ANYOFCI)
            AddVariants(widechar::Fold(m[i]));
          else
            Add(m[i]);
        }
        // A range beyond U+FFFF starts with the high surrogates of its blocks of 1024.
        const char16_t* r = SetRanges(p, n);
        for (std::size_t i = 0, c = SetRangeCount(p, n); i < c; ++i, r += 4) {
          const char32_t first = char32_t(Get32(r)), last = char32_t(Get32(r + 2));
          for (char32_t h = first; h <= last; h += 0x400) AddChar(h);
          AddChar(last);
        }
        return true;
      }
      case ANYDIGIT:
        for (char16_t c = u'0'; c <= u'9'; ++c) Add(c);
        return true;
      default:
        return false;
    }
  }
  bool Chain(std::size_t n) {
    while (n != kNone) {
      if (--budget < 0) return false;
      switch (p[n]) {
        case EXACTLY:
        case EXACTLYCI:
          if (ExactLen(p, n) == 0) return false;
          [[fallthrough]];
        case ANYOF:
        case ANYOFCI:
        case ANYDIGIT:
          return One(n);
        case BOUND:
        case NOTBOUND:
        case BOL:
        case BOLML:
        case EOL:
        case EOLML:
        case COMMENT:
        case NOTHING:
          break;
        case BRANCH: {
          std::size_t b = n;
          if (NextNode(p, b) == kNone || p[NextNode(p, b)] != BRANCH) {
            n = b + kNodeSize;
            continue;
          }
          for (; b != kNone && p[b] == BRANCH; b = NextNode(p, b))
            if (!Chain(b + kNodeSize)) return false;
          return true;
        }
        case STAR:
        case STARNG:
          if (!One(n + kNodeSize)) return false;
          break;
        case PLUS:
        case PLUSNG:
          return One(n + kNodeSize);
        case BRACES:
        case BRACESNG:
          if (!One(n + kNodeSize + 4)) return false;
          if (Get32(p + n + kNodeSize) > 0) return true;
          break;
        default:
          if (p[n] > OPEN && p[n] <= OPEN + 14) break;
          if (p[n] > CLOSE && p[n] <= CLOSE + 14) break;
          return false;  // END (empty match), loops, back-references, classes of many characters
      }
      n = NextNode(p, n);
    }
    return false;
  }
};

}  // namespace

void TRegExpr::ComputeFirstSet() {
  FirstSetWalk w{program_.data(), invertCase_ == &TRegExpr::InvertCaseFunction, {}};
  if (!w.Chain(1)) return;
  hasFirstSet_ = true;
  firstSet_ = w.set;
  firstSet_.Finish();
}

void TRegExpr::ComputeRunSkip() {
  // Group positions only matter to back-references; without them a try's outcome depends on
  // the position it reaches after the repeat, not on where it started.
  const char16_t* p = program_.data();
  if (hasBackRefs_ || p[NextNode(p, 1)] != END) return;
  auto unbounded = [&](std::size_t n) {
    return n != kNone && (p[n] == STAR || p[n] == PLUS || p[n] == STARNG || p[n] == PLUSNG);
  };
  std::size_t head = 1 + kNodeSize;
  while (p[head] > OPEN && p[head] <= OPEN + 14) head = NextNode(p, head);
  if (unbounded(head)) {  // the run opens with the repeat itself
    runHead_ = runBody_ = head + kNodeSize;
    return;
  }
  std::size_t rep = NextNode(p, head);
  if (!unbounded(rep)) return;
  std::size_t body = rep + kNodeSize;
  bool within = false;
  if (p[head] == p[body]) {
    within = p[head] == ANY || (p[head] >= ANYDIGIT && p[head] <= NOTSPACE);
  }
  if (p[head] == ANYOF && p[body] == ANYOF) {
    // Sets may hold tens of thousands of members (a range up to U+FFFF, repeated ranges): the
    // body's are marked in a map of every UTF-16 unit, one pass over each set.
    const char16_t* bm = SetMembers(p, body);
    std::vector<std::uint8_t> inBody(0x10000);
    for (std::size_t i = 0, count = SetLen(p, body); i < count; ++i) inBody[bm[i]] = 1;
    const char16_t* m = SetMembers(p, head);
    within = std::all_of(m, m + SetLen(p, head), [&](char16_t c) {
      if (c < 256) return ((SetMap(p, body)[c >> 4] >> (c & 15)) & 1) != 0;
      return inBody[c] != 0;
    });
    // Beyond U+FFFF: each range of the head inside one of the body's.
    const char16_t* hr = SetRanges(p, head);
    for (std::size_t i = 0, count = SetRangeCount(p, head); i < count && within; ++i, hr += 4) {
      bool inside = false;
      const char16_t* br = SetRanges(p, body);
      for (std::size_t k = 0, bc = SetRangeCount(p, body); k < bc && !inside; ++k, br += 4)
        inside = Get32(br) <= Get32(hr) && Get32(hr + 2) <= Get32(br + 2);
      within = inside;
    }
  }
  if (within) {
    runHead_ = head;
    runBody_ = body;
  }
}

// The lead literal: along the one path every match takes from its start (single alternatives,
// zero-width nodes), nodes of one character each first, then the literal characters that follow
// them directly. A set of one character, or of one ASCII letter in both cases, counts as literal;
// so does a folding literal's character whose variants are itself alone or an ASCII letter's two
// cases. The offset counts characters: a surrogate pair is one.
void TRegExpr::ComputeLead() {
  const char16_t* p = program_.data();
  const bool defaultInvert = invertCase_ == &TRegExpr::InvertCaseFunction;
  std::size_t offset = 0;
  lead_.Clear();
  auto fixed = [&](std::size_t chars) {
    if (!lead_.Empty()) return false;
    offset += chars;
    return true;
  };
  auto charCount = [](const char16_t* e, std::size_t len) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < len; ++i, ++chars)
      if (i + 1 < len && IsHighSurrogate(e[i]) && IsLowSurrogate(e[i + 1])) ++i;
    return chars;
  };
  // How a folded character f stands in the literal: 0 exact, 1 an ASCII letter in either case,
  // -1 not at all (its variants are more). The two ASCII letters that one character beyond ASCII
  // folds as too (k, s) are letters in either case, and the lead is not used on a subject holding
  // that character (leadFoldsBeyond_).
  auto foldedForm = [&](char32_t f) {
    const std::u32string v = widechar::CaseVariants(f);
    if (v.size() == 1) return 0;
    const bool asciiPair = v.size() >= 2 && v[0] < 128 && v[1] < 128 && regexscan::IsCasePair(v[0], v[1]);
    if (asciiPair && v.size() == 2) return 1;
    if (asciiPair && v.size() == 3) {
      leadFoldsBeyond_ = true;
      return 1;
    }
    return -1;
  };
  // The literal character a one-character set stands for: -1 when none, else c, with 0x10000
  // added for "either case".
  auto setChar = [&](std::size_t n) -> std::int32_t {
    if (SetRangeCount(p, n) > 0) return -1;
    const char16_t* m = SetMembers(p, n);
    std::size_t count = SetLen(p, n);
    if (count == 0) return -1;
    if (p[n] == ANYOFCI) {
      // Members and their foldings: one folding, as a literal of its form.
      const char16_t f = widechar::Fold(m[0]);
      for (std::size_t i = 1; i < count; ++i)
        if (widechar::Fold(m[i]) != f) return -1;
      if (f == 0 || IsHighSurrogate(f) || IsLowSurrogate(f)) return -1;
      const int form = foldedForm(f);
      return form < 0 ? -1 : form == 1 ? 0x10000 | f : f;
    }
    char16_t a = m[0], b = m[0];
    for (std::size_t i = 1; i < count; ++i) {
      if (m[i] == a || m[i] == b) continue;
      if (a != b) return -1;
      b = m[i];
    }
    if (a == 0 || IsHighSurrogate(a) || IsLowSurrogate(a)) return -1;  // a set never matches U+0000
    if (a != b) return regexscan::IsCasePair(a, b) ? 0x10000 | (a | 0x20) : -1;
    return a;
  };
  leadFoldsBeyond_ = false;
  std::size_t n = 1;
  for (int guard = 0; n != kNone && guard < 100000; ++guard) {
    char16_t op = p[n];
    bool go = true;
    switch (op) {
      case BRANCH:
        if (NextNode(p, n) != kNone && p[NextNode(p, n)] == BRANCH) {
          go = false;
          break;
        }
        n += kNodeSize;
        continue;
      case BOL:
      case EOL:
      case BOLML:
      case EOLML:
      case BOUND:
      case NOTBOUND:
      case NOTHING:
      case COMMENT:
        break;
      case EXACTLY: {
        const char16_t* e = ExactChars(p, n);
        for (std::size_t i = 0, len = ExactLen(p, n); i < len; ++i) lead_.Add(e[i], false);
        break;
      }
      case EXACTLYCI: {
        const char16_t* e = ExactChars(p, n);
        const std::size_t len = ExactLen(p, n);
        if (!defaultInvert) {
          go = fixed(charCount(e, len));
          break;
        }
        for (std::size_t i = 0; i < len && go; ++i) {
          const bool pair = i + 1 < len && IsHighSurrogate(e[i]) && IsLowSurrogate(e[i + 1]);
          const int form = foldedForm(pair ? PairCodePoint(e[i], e[i + 1]) : char32_t(e[i]));
          if (form < 0) {
            go = fixed(1);  // as a character of its own, then the literal starts after it
          } else {
            lead_.Add(e[i], form == 1);
            if (pair) lead_.Add(e[i + 1], false);
          }
          if (pair) ++i;
        }
        break;
      }
      case ANYOF:
      case ANYOFCI: {
        std::int32_t c = (op == ANYOFCI && !defaultInvert) ? -1 : setChar(n);
        if (c < 0)
          go = fixed(1);
        else
          lead_.Add(char16_t(c & 0xFFFF), c > 0xFFFF);
        break;
      }
      case ANY:
      case ANYML:
      case ANYBUT:
      case ANYBUTCI:
      case ANYDIGIT:
      case NOTDIGIT:
      case ANYLETTER:
      case NOTLETTER:
      case ANYSPACE:
      case NOTSPACE:
        go = fixed(1);
        break;
      default:
        go = (op > OPEN && op <= OPEN + 14) || (op > CLOSE && op <= CLOSE + 14);
    }
    if (!go) break;
    n = NextNode(p, n);
  }
  leadOffset_ = lead_.Empty() ? 0 : offset;
  if (lead_.Empty()) leadFoldsBeyond_ = false;
}

std::string TRegExpr::ErrorMsg(int code) const {
  switch (code) {
    case reeOk:
      return "No errors";
    case reeCompNullArgument:
      return "TRegExpr(comp): Null Argument";
    case reeCompRegexpTooBig:
      return "TRegExpr(comp): Regexp Too Big";
    case reeCompParseRegTooManyBrackets:
      return "TRegExpr(comp): ParseReg Too Many ()";
    case reeCompParseRegUnmatchedBrackets:
      return "TRegExpr(comp): ParseReg Unmatched ()";
    case reeCompParseRegUnmatchedBrackets2:
      return "TRegExpr(comp): ParseReg Unmatched ()";
    case reeCompParseRegJunkOnEnd:
      return "TRegExpr(comp): ParseReg Junk On End";
    case rePlusStarOperandCouldBeEmpty:
      return "TRegExpr(comp): *+ Operand Could Be Empty";
    case reeNestedSQP:
      return "TRegExpr(comp): Nested *?+";
    case reeBadHexDigit:
      return "TRegExpr(comp): Bad Hex Digit";
    case reeInvalidRange:
      return "TRegExpr(comp): Invalid [] Range";
    case reeParseAtomTrailingBackSlash:
      return "TRegExpr(comp): Parse Atom Trailing \\";
    case reeNoHexCodeAfterBSlashX:
      return "TRegExpr(comp): No Hex Code After \\x";
    case reeHexCodeAfterBSlashXTooBig:
      return "TRegExpr(comp): Hex Code After \\x Is Too Big";
    case reeUnmatchedSqBrackets:
      return "TRegExpr(comp): Unmatched []";
    case reeInternalUrp:
      return "TRegExpr(comp): Internal Urp";
    case reeQPSBFollowsNothing:
      return "TRegExpr(comp): ?+*{ Follows Nothing";
    case reeTrailingBackSlash:
      return "TRegExpr(comp): Trailing \\";
    case reeRarseAtomInternalDisaster:
      return "TRegExpr(comp): RarseAtom Internal Disaster";
    case reeBRACESArgTooBig:
      return "TRegExpr(comp): BRACES Argument Too Big";
    case reeBracesMinParamGreaterMax:
      return "TRegExpr(comp): BRACE Min Param Greater then Max";
    case reeUnclosedComment:
      return "TRegExpr(comp): Unclosed (?#Comment)";
    case reeComplexBracesNotImplemented:
      return "TRegExpr(comp): If you want take part in beta-testing BRACES '{min,max}' and non-greedy ops '*?', "
             "'+?', '?"
             "?' for complex cases - remove '.' from {.$DEFINE ComplexBraces}";
    case reeUrecognizedModifier:
      return "TRegExpr(comp): Urecognized Modifier";
    case reeBadLinePairedSeparator:
      return "TRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all";
    case reeRegRepeatCalledInappropriately:
      return "TRegExpr(exec): RegRepeat Called Inappropriately";
    case reeMatchPrimMemoryCorruption:
      return "TRegExpr(exec): MatchPrim Memory Corruption";
    case reeMatchPrimCorruptedPointers:
      return "TRegExpr(exec): MatchPrim Corrupted Pointers";
    case reeNoExpression:
      return "TRegExpr(exec): Not Assigned Expression Property";
    case reeCorruptedProgram:
      return "TRegExpr(exec): Corrupted Program";
    case reeNoInputStringSpecified:
      return "TRegExpr(exec): No Input String Specified";
    case reeOffsetMustBeGreaterThen0:
      return "TRegExpr(exec): Offset Must Be Greater Then 0";
    case reeExecNextWithoutExec:
      return "TRegExpr(exec): ExecNext Without Exec[Pos]";
    case reeGetInputStringWithoutInputString:
      return "TRegExpr(exec): GetInputString Without InputString";
    case reeDumpCorruptedOpcode:
      return "TRegExpr(dump): Corrupted Opcode";
    case reeLoopStackExceeded:
      return "TRegExpr(exec): Loop Stack Exceeded";
    case reeLoopWithoutEntry:
      return "TRegExpr(exec): Loop Without LoopEntry !";
    case reeBacktrackStackExceeded:
      return "TRegExpr(exec): Backtrack Stack Exceeded";
    case reeBacktrackLimitExceeded:
      return "TRegExpr(exec): Backtrack Limit Exceeded";
    case reeBadPCodeImported:
      return "TRegExpr(misc): Bad p-code imported";
    default:
      return "Unknown error";
  }
}

void TRegExpr::Raise(int code) {
  Error(code);
  lastError_ = code;
  throw ERegExpr(TRegExpr::ErrorMsg(code), code, code < 1000 ? compilerErrorPos_ : 0);
}

void TRegExpr::Error(int code) {
  lastError_ = code;
  std::string msg = ErrorMsg(code);
  int pos = code < 1000 ? compilerErrorPos_ : 0;
  if (code < 1000) msg += " (pos " + std::to_string(pos) + ")";
  throw ERegExpr(std::move(msg), code, pos);
}

// ---------------------------------------------------------------------------------------------

std::string TRegExpr::Dump() {
  EnsureProgram();
  static const char* names[] = {"END",       "BOL",       "EOL",       "ANY",      "ANYOF",    "ANYBUT",   "BRANCH",
                                "BACK",      "EXACTLY",   "NOTHING",   "STAR",     "PLUS",     "ANYDIGIT", "NOTDIGIT",
                                "ANYLETTER", "NOTLETTER", "ANYSPACE",  "NOTSPACE", "BRACES",   "COMMENT",  "EXACTLYCI",
                                "ANYOFCI",   "ANYBUTCI",  "LOOPENTRY", "LOOP",     "?",        "?",        "?",
                                "BSUBEXP",   "BSUBEXPCI", "STARNG",    "PLUSNG",   "BRACESNG", "LOOPNG",   "BOLML",
                                "EOLML",     "ANYML",     "BOUND",     "NOTBOUND"};
  std::string out;
  const char16_t* p = program_.data();
  std::size_t i = 1;
  auto text = [](const char16_t* s, std::size_t n) {
    std::string r;
    for (std::size_t k = 0; k < n; ++k) {
      char16_t c = s[k];
      if (c >= 0x20 && c < 0x7F) {
        r += char(c);
      } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\x{%X}", unsigned(c));
        r += buf;
      }
    }
    return r;
  };
  while (i < program_.size()) {
    char16_t op = p[i];
    std::string name;
    if (op <= NOTBOUND && names[op][0] != '?')
      name = names[op];
    else if (op > OPEN && op <= OPEN + 14)
      name = "OPEN" + std::to_string(op - OPEN);
    else if (op > CLOSE && op <= CLOSE + 14)
      name = "CLOSE" + std::to_string(op - CLOSE);
    else
      Raise(reeDumpCorruptedOpcode);
    std::size_t next = NextNode(p, i);
    out += std::to_string(i) + ":" + name + " (" + (next == kNone ? std::string("0") : std::to_string(next)) + ")";
    std::size_t sz = NodeSize(p, i);
    switch (op) {
      case EXACTLY:
      case EXACTLYCI:
        out += " " + text(ExactChars(p, i), ExactLen(p, i));
        break;
      case ANYOF:
      case ANYBUT:
      case ANYOFCI:
      case ANYBUTCI: {
        out += " " + text(SetMembers(p, i), SetLen(p, i));
        const char16_t* r = SetRanges(p, i);
        for (std::size_t k = 0, count = SetRangeCount(p, i); k < count; ++k, r += 4) {
          char buf[40];
          std::snprintf(buf, sizeof buf, " \\x{%X}-\\x{%X}", unsigned(Get32(r)), unsigned(Get32(r + 2)));
          out += buf;
        }
        break;
      }
      case BRACES:
      case BRACESNG:
        out +=
            " {" + std::to_string(Get32(p + i + kNodeSize)) + "," + std::to_string(Get32(p + i + kNodeSize + 2)) + "}";
        break;
      case LOOP:
      case LOOPNG:
        out += " {" + std::to_string(Get32(p + i + kNodeSize)) + "," + std::to_string(Get32(p + i + kNodeSize + 2)) +
               "} body " + std::to_string(std::int64_t(i) + Get32(p + i + kNodeSize + 4));
        break;
      case BSUBEXP:
      case BSUBEXPCI:
        out += " \\" + std::to_string(p[i + kNodeSize]);
        break;
      default:
        break;
    }
    out += "\n";
    i += sz;
  }
  return out;
}

}  // namespace synregexpr
