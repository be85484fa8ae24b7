// Single-byte regular-expression engine: two-pass compiler into a byte program and a backtracking
// matcher that keeps its state on the heap.
//
// Program: byte 0 is the magic value 156; each node is an opcode byte, a 2-byte big-endian next
// offset (forward, except for BACK, where it counts backward; 0 = none) and its operand. Literal
// and set operands end with a NUL as the format has it, so the size limit of 65536 bytes is exact;
// their real lengths are kept beside the program, which lets "\x00" be an ordinary byte.
#include "regex/RegExpr.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "regex/RegExprChars.h"

namespace regexpr {

namespace {

constexpr unsigned char kMagic = 156;
constexpr std::size_t kNodeSize = 3;
constexpr std::size_t kMaxProgram = 65536;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::size_t kMaxFrames = std::size_t(1) << 24;

enum : unsigned char {
  END = 0,
  BOL = 1,
  EOL = 2,
  ANY = 3,
  ANYOF = 4,
  ANYBUT = 5,
  BRANCH = 6,
  BACK = 7,
  EXACTLY = 8,
  NOTHING = 9,
  STAR = 10,
  PLUS = 11,
  ANYDIGIT = 12,
  NOTDIGIT = 13,
  ANYLETTER = 14,
  NOTLETTER = 15,
  OPEN = 20,   // OPEN n = 20 + n
  CLOSE = 30,  // CLOSE n = 30 + n
};

constexpr int WORST = 0, HASWIDTH = 1, SIMPLE = 2, SPSTART = 4;

// Windows-1251 Cyrillic letters in alphabetic order (YO after YE).
const unsigned char kCyrLower[33] = {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xB8, 0xE6, 0xE7, 0xE8, 0xE9,
                                     0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4,
                                     0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
const unsigned char kCyrUpper[33] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xA8, 0xC6, 0xC7, 0xC8, 0xC9,
                                     0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xD4,
                                     0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF};

const char* const kWordSet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool IsRepeatChar(int c) {
  return c == '*' || c == '+' || c == '?';
}

bool IsOpenMark(unsigned char op) {
  return op > OPEN && op <= OPEN + 9;
}
// OPEN n and CLOSE n: they only note a position, which nothing reads back.
bool IsGroupMark(unsigned char op) {
  return IsOpenMark(op) || (op > CLOSE && op <= CLOSE + 9);
}
// Group marks, anchors and NOTHING: nodes that match without taking a byte.
bool IsZeroWidth(unsigned char op) {
  return op == BOL || op == EOL || op == NOTHING || IsGroupMark(op);
}

std::size_t NextNode(const std::vector<unsigned char>& p, std::size_t node) {
  std::size_t off = (std::size_t(p[node + 1]) << 8) | p[node + 2];
  if (off == 0) return kNone;
  return p[node] == BACK ? node - off : node + off;
}

// A BRANCH followed by another starts an alternation; a lone one holds a group's single alternative.
bool StartsAlternation(const std::vector<unsigned char>& p, std::size_t n) {
  const std::size_t next = NextNode(p, n);
  return next != kNone && p[next] == BRANCH;
}

// The node the alternation starting at the BRANCH n goes on with after its last alternative.
std::size_t AlternationEnd(const std::vector<unsigned char>& p, std::size_t n) {
  std::size_t last = n;
  while (NextNode(p, last) != kNone && p[NextNode(p, last)] == BRANCH) last = NextNode(p, last);
  return NextNode(p, last);
}

enum FrameKind : std::int32_t { F_BRANCH, F_STAR };

// The matcher's helpers are lambdas over its state; inlined, they cost no closure set-up per try.
#define TESSARYN_INLINE __attribute__((always_inline))

}  // namespace

struct TRegExpr::Compiler {
  TRegExpr& re;
  std::string_view expr;
  std::size_t parse = 0;
  int npar = 1;
  bool sizing = true;
  std::size_t size = 0;
  std::vector<unsigned char>* prog = nullptr;
  std::size_t code = 0;
  // Emitting pass: per string operand in emission order, its length and its set index (or -1).
  std::vector<std::pair<std::uint32_t, std::int64_t>> operands;
  std::vector<std::uint64_t> sets;

  static constexpr std::size_t kDummy = static_cast<std::size_t>(-2);

  Compiler(TRegExpr& r, std::string_view e) : re(r), expr(e) {}

  [[noreturn]] void Fail(const std::string& msg) { re.Raise(msg); }
  int Peek(std::size_t i) const { return i < expr.size() ? static_cast<unsigned char>(expr[i]) : -1; }
  int Cur() const { return Peek(parse); }
  bool AtEnd() const { return parse >= expr.size(); }

  std::size_t EmitNode(unsigned char op) {
    if (sizing) {
      size += kNodeSize;
      return kDummy;
    }
    std::size_t ret = code;
    (*prog)[code++] = op;
    (*prog)[code++] = 0;
    (*prog)[code++] = 0;
    return ret;
  }
  void EmitC(unsigned char c) {
    if (sizing) {
      ++size;
      return;
    }
    (*prog)[code++] = c;
  }
  void InsertOperator(unsigned char op, std::size_t opnd) {
    if (sizing) {
      size += kNodeSize;
      return;
    }
    unsigned char* base = prog->data();
    std::memmove(base + opnd + kNodeSize, base + opnd, code - opnd);
    code += kNodeSize;
    base[opnd] = op;
    base[opnd + 1] = 0;
    base[opnd + 2] = 0;
  }
  void Tail(std::size_t p, std::size_t val) {
    if (sizing || p == kDummy) return;
    std::size_t scan = p;
    for (;;) {
      std::size_t temp = NextNode(*prog, scan);
      if (temp == kNone) break;
      scan = temp;
    }
    std::size_t off = (*prog)[scan] == BACK ? scan - val : val - scan;
    (*prog)[scan + 1] = static_cast<unsigned char>(off >> 8);
    (*prog)[scan + 2] = static_cast<unsigned char>(off & 0xFF);
  }
  void OpTail(std::size_t p, std::size_t val) {
    if (sizing || p == kDummy || (*prog)[p] != BRANCH) return;
    Tail(p + kNodeSize, val);
  }

  std::size_t ParseReg(bool paren, int* flagp) {
    *flagp = HASWIDTH;
    std::size_t ret = kDummy;
    int parno = 0;
    if (paren) {
      if (npar >= 10) Fail("too many ()");
      parno = npar++;
      ret = EmitNode(static_cast<unsigned char>(OPEN + parno));
    }
    int flags = 0;
    std::size_t br = ParseBranch(&flags);
    if (paren)
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
    std::size_t ender = EmitNode(paren ? static_cast<unsigned char>(CLOSE + parno) : static_cast<unsigned char>(END));
    Tail(ret, ender);
    if (!sizing)
      for (std::size_t b = ret; b != kNone; b = NextNode(*prog, b)) OpTail(b, ender);
    if (paren) {
      if (Cur() != ')') Fail("unmatched ()");
      ++parse;
    } else if (!AtEnd()) {
      if (Cur() == ')') Fail("unmatched ()");
      Fail("junk on end");
    }
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

  std::size_t ParsePiece(int* flagp) {
    int flags = 0;
    std::size_t ret = ParseAtom(&flags);
    int op = Cur();
    if (!IsRepeatChar(op)) {
      *flagp = flags;
      return ret;
    }
    if (!(flags & HASWIDTH) && op != '?') Fail("*+ operand could be empty");
    *flagp = op != '+' ? (WORST | SPSTART) : (WORST | HASWIDTH);
    if (op == '*' && (flags & SIMPLE)) {
      InsertOperator(STAR, ret);
    } else if (op == '*') {
      InsertOperator(BRANCH, ret);
      OpTail(ret, EmitNode(BACK));
      OpTail(ret, ret);
      Tail(ret, EmitNode(BRANCH));
      Tail(ret, EmitNode(NOTHING));
    } else if (op == '+' && (flags & SIMPLE)) {
      InsertOperator(PLUS, ret);
    } else if (op == '+') {
      std::size_t next = EmitNode(BRANCH);
      Tail(ret, next);
      Tail(EmitNode(BACK), ret);
      Tail(next, EmitNode(BRANCH));
      Tail(ret, EmitNode(NOTHING));
    } else {  // '?'
      InsertOperator(BRANCH, ret);
      Tail(ret, EmitNode(BRANCH));
      std::size_t next = EmitNode(NOTHING);
      Tail(ret, next);
      OpTail(ret, next);
    }
    ++parse;
    if (IsRepeatChar(Cur())) Fail("nested *?+");
    return ret;
  }

  int HexDigit() {
    if (AtEnd()) Fail("No hex code after \\x");
    int c = Cur();
    int v = regexchars::HexDigitValue(c);
    if (v < 0) Fail(std::string("Bad hex digit \"") + char(c) + "\"");
    return v;
  }

  // "\x" with two hexadecimal digits; parse is at the "x" and is left at the second digit.
  unsigned char HexEscape() {
    ++parse;
    int v = HexDigit() << 4;
    ++parse;
    v |= HexDigit();
    return static_cast<unsigned char>(v);
  }

  // The byte of a one-byte escape ("\\n", "\\r", "\\t", "\\e", "\\x" and two hexadecimal digits,
  // any other byte itself); parse is at the byte after "\\" and is left at the escape's last byte.
  unsigned char EscapedByte() {
    switch (Cur()) {
      case 'n':
        return 10;
      case 'r':
        return 13;
      case 't':
        return 9;
      case 'e':
        return 27;
      case 'x':
        return HexEscape();
      default:
        return static_cast<unsigned char>(Cur());
    }
  }

  bool Meta(int c) const {
    switch (c) {
      case '^':
      case '$':
      case '.':
      case '[':
      case '(':
      case ')':
      case '|':
      case '?':
      case '+':
      case '*':
      case '\\':
        return true;
      case 0xF6:
      case 0xD6:
        return re.windows1251_;
      default:
        return false;
    }
  }

  // Operand bookkeeping for the map beside the program.
  void NoteOperand(std::uint32_t len, std::int64_t set) {
    if (!sizing) operands.emplace_back(len, set);
  }

  std::size_t ParseSet(int* flagp) {
    std::size_t ret;
    if (Cur() == '^') {
      ret = EmitNode(ANYBUT);
      ++parse;
    } else {
      ret = EmitNode(ANYOF);
    }
    std::uint64_t bits[4] = {0, 0, 0, 0};
    std::uint32_t count = 0;
    // The character written last, which a "-" after it makes the start of a range; -1 after a
    // class (\d, \w), which starts none: a "-" there is a member.
    int last = 0;
    auto member = [&](unsigned char c) {
      EmitC(c);
      bits[c >> 6] |= std::uint64_t(1) << (c & 63);
      ++count;
      last = c;
    };
    if (Cur() == ']' || Cur() == '-') {
      member(static_cast<unsigned char>(Cur()));
      ++parse;
    }
    while (!AtEnd() && Cur() != ']') {
      int c = Cur();
      if (c == '-') {
        ++parse;
        if (AtEnd() || Cur() == ']' || last < 0 ||
            (Cur() == '\\' && (Peek(parse + 1) == 'd' || Peek(parse + 1) == 'w'))) {
          member('-');
          continue;
        }
        // The range ends at the character written after the "-", an escaped one too.
        int start = last, end = Cur();
        if (end == '\\') {
          ++parse;
          if (AtEnd()) Fail("Trailing \\");
          end = EscapedByte();
        }
        if (re.windows1251_ && start == 0xE0 && end == 0xFF) {
          for (unsigned char ch : kCyrLower) member(ch);
        } else if (re.windows1251_ && start == 0xC0 && end == 0xDF) {
          for (unsigned char ch : kCyrUpper) member(ch);
        } else if (re.windows1251_ && start == 0xE0 && end == 0xDF) {
          for (unsigned char ch : kCyrLower) member(ch);
          for (unsigned char ch : kCyrUpper) member(ch);
        } else {
          if (start > end) Fail("Invalid [] range");
          for (int ch = start + 1; ch <= end; ++ch) member(static_cast<unsigned char>(ch));
        }
        last = -1;  // a range starts no other: in [a-c-e] the second "-" is a member
        ++parse;
      } else if (c == '\\') {
        ++parse;
        if (AtEnd()) Fail("Trailing \\");
        switch (Cur()) {
          case 'd':
            for (unsigned char ch = '0'; ch <= '9'; ++ch) member(ch);
            last = -1;
            break;
          case 'w':
            for (const char* w = kWordSet; *w; ++w) member(static_cast<unsigned char>(*w));
            last = -1;
            break;
          default:
            member(EscapedByte());
        }
        ++parse;
      } else if (c == 0xF6 && re.windows1251_) {
        for (unsigned char ch = '0'; ch <= '9'; ++ch) member(ch);
        last = -1;
        ++parse;
      } else {
        member(static_cast<unsigned char>(c));
        ++parse;
      }
    }
    if (AtEnd()) Fail("Unmatched []");
    ++parse;
    EmitC(0);
    if (!sizing) {
      NoteOperand(count, std::int64_t(sets.size() / 4));
      sets.insert(sets.end(), bits, bits + 4);
    }
    *flagp |= HASWIDTH | SIMPLE;
    return ret;
  }

  std::size_t OneByte(unsigned char c, int* flagp) {
    std::size_t ret = EmitNode(EXACTLY);
    EmitC(c);
    EmitC(0);
    NoteOperand(1, -1);
    *flagp |= HASWIDTH | SIMPLE;
    return ret;
  }

  std::size_t ParseAtom(int* flagp) {
    *flagp = WORST;
    int c = Cur();
    ++parse;
    std::size_t ret = kDummy;
    switch (c) {
      case '^':
        ret = EmitNode(BOL);
        break;
      case '$':
        ret = EmitNode(EOL);
        break;
      case '.':
        ret = EmitNode(ANY);
        *flagp |= HASWIDTH | SIMPLE;
        break;
      case '[':
        ret = ParseSet(flagp);
        break;
      case '(': {
        int flags = 0;
        ret = ParseReg(true, &flags);
        *flagp |= flags & (HASWIDTH | SPSTART);
        break;
      }
      case -1:
      case '|':
      case ')':
        Fail("Internal urp");
      case '?':
      case '+':
      case '*':
        Fail("?+* follows nothing");
      case '\\': {
        if (AtEnd()) Fail("Trailing \\");
        switch (Cur()) {
          case 'd':
            ret = EmitNode(ANYDIGIT);
            *flagp |= HASWIDTH | SIMPLE;
            break;
          case 'D':
            ret = EmitNode(NOTDIGIT);
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
          case 'n':
            ret = OneByte(10, flagp);
            break;
          case 'r':
            ret = OneByte(13, flagp);
            break;
          case 't':
            ret = OneByte(9, flagp);
            break;
          case 'e':
            ret = OneByte(27, flagp);
            break;
          case 'x':
            ret = OneByte(HexEscape(), flagp);
            break;
          default:
            ret = OneByte(static_cast<unsigned char>(Cur()), flagp);
        }
        ++parse;
        break;
      }
      default:
        if (re.windows1251_ && c == 0xF6) {
          ret = EmitNode(ANYDIGIT);
          *flagp |= HASWIDTH | SIMPLE;
          break;
        }
        if (re.windows1251_ && c == 0xD6) {
          ret = EmitNode(NOTDIGIT);
          *flagp |= HASWIDTH | SIMPLE;
          break;
        }
        --parse;
        std::size_t len = 0;
        while (parse + len < expr.size() && !Meta(static_cast<unsigned char>(expr[parse + len]))) ++len;
        if (len == 0) Fail("Internal disaster");
        if (len > 1 && IsRepeatChar(Peek(parse + len))) --len;
        *flagp |= HASWIDTH;
        if (len == 1) *flagp |= SIMPLE;
        ret = EmitNode(EXACTLY);
        for (std::size_t k = 0; k < len; ++k) EmitC(static_cast<unsigned char>(expr[parse + k]));
        EmitC(0);
        NoteOperand(std::uint32_t(len), -1);
        parse += len;
    }
    return ret;
  }

  int Pass() {
    parse = 0;
    npar = 1;
    EmitC(kMagic);
    int flags = 0;
    ParseReg(false, &flags);
    return flags;
  }
};

TRegExpr::TRegExpr() = default;
TRegExpr::~TRegExpr() = default;

void TRegExpr::Error(const std::string& message) {
  throw ERegExpr(message);
}

void TRegExpr::Raise(const std::string& message) {
  Error(message);
  throw ERegExpr(message);
}

void TRegExpr::SetWindows1251(bool on) {
  if (on == windows1251_) return;
  windows1251_ = on;
  program_.clear();
}

void TRegExpr::SetCaseMap(const std::array<unsigned char, 256>& map) {
  if (hasCaseMap_ && map == caseMap_) return;
  hasCaseMap_ = true;
  caseMap_ = map;
  program_.clear();
}

void TRegExpr::ClearCaseMap() {
  if (!hasCaseMap_) return;
  hasCaseMap_ = false;
  program_.clear();
}

void TRegExpr::SetExpression(std::string_view expression) {
  // The expression is a NUL-terminated text in the design: it ends at its first NUL.
  std::string_view text = expression.substr(0, expression.find('\0'));
  if (text == expression_ && !program_.empty()) return;
  expression_.assign(text);
  program_.clear();
  if (!expression_.empty()) Compile();
}

void TRegExpr::Compile() {
  program_.clear();
  operandInfo_.clear();
  sets_.clear();
  hasFirstChar_ = false;
  anchored_ = false;
  must_.Clear();
  lead_.Clear();
  leadOffset_ = leadWindow_ = 0;
  leadSets_.clear();
  hasWindowStarts_ = false;
  hasFirstSet_ = false;
  leadAlternatives_.clear();
  runHead_ = 0;
  hasRunLead_ = false;

  Compiler c(*this, expression_);
  c.Pass();
  if (c.size >= kMaxProgram) Raise("regexp too big");
  std::vector<unsigned char> prog(c.size, 0);
  c.sizing = false;
  c.prog = &prog;
  int flags = c.Pass();

  // Walk the program in its physical order to place the operand lengths and set maps, and to
  // list the nodes.
  std::vector<std::uint32_t> info(prog.size(), 0);
  std::vector<std::size_t> nodes;
  std::size_t k = 0;
  for (std::size_t o = 1; o < prog.size();) {
    unsigned char op = prog[o];
    nodes.push_back(o);
    if (op == EXACTLY || op == ANYOF || op == ANYBUT) {
      const auto& od = c.operands[k++];
      info[o] = op == EXACTLY ? od.first : std::uint32_t(od.second);
      o += kNodeSize + od.first + 1;
    } else {
      o += kNodeSize;
    }
  }
  // Set maps are indexed by operand order; members are re-read for the lengths of set nodes.
  program_ = std::move(prog);
  operandInfo_ = std::move(info);
  sets_ = std::move(c.sets);
  if (hasCaseMap_) {
    for (std::size_t node : nodes)
      if (program_[node] == EXACTLY)
        for (std::uint32_t i = 0; i < operandInfo_[node]; ++i)
          program_[node + kNodeSize + i] = caseMap_[program_[node + kNodeSize + i]];
    for (std::size_t set = 0; set < sets_.size(); set += 4) {
      const std::uint64_t members[4] = {sets_[set], sets_[set + 1], sets_[set + 2], sets_[set + 3]};
      for (unsigned b = 0; b < 256; ++b)
        if ((members[b >> 6] >> (b & 63)) & 1)
          sets_[set + (caseMap_[b] >> 6)] |= std::uint64_t(1) << (caseMap_[b] & 63);
    }
  }
  namedBytes_ = regexscan::StartSet();
  for (std::size_t node : nodes) {
    if (program_[node] == EXACTLY)
      for (std::uint32_t i = 0; i < operandInfo_[node]; ++i) namedBytes_.Add(program_[node + kNodeSize + i]);
    if (program_[node] == ANYOF || program_[node] == ANYBUT) {
      const std::uint64_t* b = sets_.data() + std::size_t(operandInfo_[node]) * 4;
      for (unsigned c = 0; c < 256; ++c)
        if ((b[c >> 6] >> (c & 63)) & 1) namedBytes_.Add(c);
    }
  }

  std::size_t scan = 1;
  std::size_t next = NextNode(program_, scan);
  if (next != kNone && program_[next] == END) {
    scan += kNodeSize;
    if (program_[scan] == EXACTLY) {
      hasFirstChar_ = true;
      firstChar_ = program_[scan + kNodeSize];
    } else if (program_[scan] == BOL) {
      anchored_ = true;
    }
    if (flags & SPSTART) {
      std::size_t best = kNone, bestLen = 0;
      for (std::size_t guard = 0; scan != kNone && guard < program_.size(); scan = NextNode(program_, scan), ++guard) {
        if (program_[scan] == EXACTLY && operandInfo_[scan] >= bestLen) {
          best = scan;
          bestLen = operandInfo_[scan];
        }
      }
      if (best != kNone) {
        for (std::size_t i = 0; i < bestLen; ++i) must_.Add(program_[best + kNodeSize + i], false);
      }
    }
  }
  if (!anchored_) {
    ComputeLead();
    if (lead_.Empty() && !hasFirstChar_) ComputeFirstSet();
    TOpeningRepeat opening;
    if (OpeningRepeat(opening)) {
      ComputeRunSkip(opening);
      if (lead_.Empty()) ComputeRunLead(opening);
    }
  }
  ComputeFollow(nodes);
  ComputePlainRun();
  takenBytes_ = regexscan::StartSet();
  for (std::size_t node : nodes) {
    if (program_[node] == EXACTLY)
      for (std::uint32_t i = 0; i < operandInfo_[node]; ++i) takenBytes_.Add(program_[node + kNodeSize + i]);
    else
      NodeBytes(node, takenBytes_);  // nothing for the nodes that take no byte
  }
  // Tries from a window before each occurrence of the lead depend on how far apart the bytes are.
  onlyFoundStarts_ = anchored_ || (!lead_.Empty() && leadWindow_ == 0) || hasRunLead_ || hasFirstSet_ || hasFirstChar_;
  if (leadWindow_ > 0) {
    regexscan::StartSet set;
    int budget = 2000;
    if (StartBytes(1, set, budget)) {
      hasWindowStarts_ = true;
      windowStarts_ = set;
    }
  }
  ComputeRequired();  // keeps the must-contain string unless it finds a longer literal
  // The lead literal rejects as well on its own, unless the other holds more exact bytes.
  std::size_t leadExactBytes = 0;
  for (std::size_t i = 0; i < lead_.Size(); ++i) leadExactBytes += lead_.fold[i] == 0 || lead_.fold[i] == 0x20;
  if (must_.Size() <= leadExactBytes) must_.Clear();
  must_.ScanRarest();
}

// Every match passes each node of the main path: single alternatives are entered, alternations
// and loop forms are stepped over to the node where their paths join. Literals and one-byte sets
// there that follow one another with nothing but zero-width nodes between them match one run of
// the subject; the longest such run must occur in any subject that matches.
void TRegExpr::ComputeRequired() {
  const unsigned char* p = program_.data();
  regexscan::Literal<unsigned char> run;
  auto endRun = [&] {
    if (run.Size() > must_.Size()) must_ = run;
    run.Clear();
  };
  std::size_t n = 1;
  for (std::size_t guard = 0; n != kNone && guard < program_.size(); ++guard) {
    const unsigned char op = p[n];
    if (op == BRANCH) {
      if (!StartsAlternation(program_, n)) {
        n += kNodeSize;
        continue;
      }
      endRun();
      n = AlternationEnd(program_, n);
      continue;
    }
    if (op == END || op == BACK) break;
    if (op == EXACTLY) {
      for (std::uint32_t i = 0; i < operandInfo_[n]; ++i) run.Add(p[n + kNodeSize + i], false);
    } else if (op == ANYOF && SetAsLiteral(n) >= 0) {
      const int c = SetAsLiteral(n);
      run.Add(static_cast<unsigned char>(c & 0xFF), c > 0xFF);
    } else if (!IsZeroWidth(op)) {
      endRun();
    }
    n = NextNode(program_, n);
  }
  endRun();
}

const regexscan::Literal<unsigned char>& TRegExpr::RequiredLiteral() const {
  static const regexscan::Literal<unsigned char> none;
  if (program_.empty()) return none;  // the hints may be those of an earlier expression
  return must_.Empty() ? lead_ : must_;
}

std::size_t TRegExpr::RequiredOffset() const {
  return !program_.empty() && must_.Empty() ? leadOffset_ : 0;
}

const regexscan::StartSet& TRegExpr::TakenBytes() const {
  static const regexscan::StartSet none;
  return program_.empty() ? none : takenBytes_;
}

const regexscan::StartSet& TRegExpr::NamedBytes() const {
  static const regexscan::StartSet none;
  return program_.empty() ? none : namedBytes_;
}

bool TRegExpr::TriesOnlyFoundStarts() const {
  return !program_.empty() && onlyFoundStarts_;
}

const std::vector<regexscan::StartSet>& TRegExpr::PlainRun() const {
  static const std::vector<regexscan::StartSet> none;
  return program_.empty() ? none : plainRun_;
}

template <class Add>
bool TRegExpr::NodePositions(std::size_t n, Add&& add) const {
  if (program_[n] == EXACTLY) {
    for (std::uint32_t i = 0; i < operandInfo_[n]; ++i) {
      regexscan::StartSet one;
      one.Add(program_[n + kNodeSize + i]);
      add(one);
    }
    return true;
  }
  regexscan::StartSet set;
  if (!NodeBytes(n, set)) return false;
  add(set);
  return true;
}

// The walk Try makes of such a program: single alternatives entered, every node up to END taking
// one byte of its set (a literal one per byte) or none (group marks, NOTHING). Nothing is pushed,
// so nothing backtracks.
void TRegExpr::ComputePlainRun() {
  plainRun_.clear();
  endRun_.clear();
  const std::vector<unsigned char>& p = program_;
  std::vector<regexscan::StartSet> run;
  std::size_t n = 1;
  for (std::size_t guard = 0; n != kNone && guard < p.size(); ++guard) {
    const unsigned char op = p[n];
    if (op == END) {
      plainRun_ = std::move(run);
      return;
    }
    if (op == EOL) {  // the end of the run when nothing but marks follows up to END
      std::size_t m = NextNode(p, n);
      while (m != kNone && (p[m] == NOTHING || IsGroupMark(p[m]))) m = NextNode(p, m);
      if (m != kNone && p[m] == END && !run.empty()) endRun_ = std::move(run);
      return;
    }
    if (op == BRANCH) {
      if (StartsAlternation(p, n)) return;
      n += kNodeSize;
      continue;
    }
    const bool taken = NodePositions(n, [&](const regexscan::StartSet& set) { run.push_back(set); });
    if (!taken && op != NOTHING && !IsGroupMark(op)) return;  // an anchor, a repeat, a loop
    n = NextNode(p, n);
  }
}

const std::vector<regexscan::StartSet>& TRegExpr::EndRun() const {
  static const std::vector<regexscan::StartSet> none;
  return program_.empty() ? none : endRun_;
}

bool TRegExpr::EndRunAt(std::size_t end) const {
  if (end < endRun_.size()) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(subject_.data()) + (end - endRun_.size());
  for (std::size_t i = 0; i < endRun_.size(); ++i)
    if (!endRun_[i].Has(s[i])) return false;
  return true;
}

const regexscan::StartSet* TRegExpr::RequiredBytes() const {
  // A subject without a byte of the start set offers a start to none of the searches.
  return !program_.empty() && hasFirstSet_ ? &firstSet_ : nullptr;
}

int TRegExpr::SetAsLiteral(std::size_t node) const {
  const std::uint64_t* b = sets_.data() + std::size_t(operandInfo_[node]) * 4;
  int found[2], count = 0;
  for (int c = 1; c < 256; ++c)  // a set never matches NUL
    if ((b[c >> 6] >> (c & 63)) & 1) {
      if (count == 2) return -1;
      found[count++] = c;
    }
  if (count == 1) return found[0];
  if (count == 2 && regexscan::IsCasePair(unsigned(found[0]), unsigned(found[1]))) return 0x100 | found[1];
  return -1;
}

namespace {

constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);

std::size_t AddWidth(std::size_t a, std::size_t b) {
  return a == kUnbounded || b == kUnbounded ? kUnbounded : a + b;
}

int CountOf(const regexscan::StartSet& set) {
  int n = 0;
  for (std::uint64_t w : set.bits) n += __builtin_popcountll(w);
  return n;
}

// The members of a position that takes every byte but NUL, as a dot does: it narrows nothing.
constexpr int kDotMembers = 255;
// The least a lead must narrow a search, in bits: about one exact byte.
constexpr double kLeadMinBits = 7.5;
// The nodes the walk for the lead visits at most, in the widths of alternations and what follows.
constexpr int kLeadWalkBudget = 4000;
// The positions of an alternation's first bytes (as many as its shortest alternative has) that go
// into the run at most.
constexpr std::size_t kLeadAlternationPositions = 16;

// How much a position with these bytes narrows a search, in bits (an exact byte 8, any byte 0).
double BitsOf(const regexscan::StartSet& set) {
  const int n = CountOf(set);
  if (n <= 1) return 8;
  if (n >= kDotMembers) return 0;
  return 8 - std::log2(double(n));
}

}  // namespace

bool TRegExpr::ChainWidth(std::size_t from, std::size_t until, std::size_t& least, std::size_t& most,
                          int& budget) const {
  const std::vector<unsigned char>& p = program_;
  least = most = 0;
  for (std::size_t n = from; n != until;) {
    if (n == kNone || --budget < 0) return false;
    const unsigned char op = p[n];
    if (op == BRANCH) {
      if (!StartsAlternation(p, n)) {
        n += kNodeSize;
        continue;
      }
      const std::size_t ender = AlternationEnd(p, n);
      std::size_t lo = kUnbounded, hi = 0;
      for (std::size_t b = n; b != ender; b = NextNode(p, b)) {
        std::size_t alo = 0, ahi = 0;
        if (!ChainWidth(b + kNodeSize, ender, alo, ahi, budget)) return false;
        lo = std::min(lo, alo);
        hi = hi == kUnbounded || ahi == kUnbounded ? kUnbounded : std::max(hi, ahi);
      }
      least = AddWidth(least, lo);
      most = AddWidth(most, hi);
      n = ender;
      continue;
    }
    if (op == EXACTLY) {
      least += operandInfo_[n];
      most = AddWidth(most, operandInfo_[n]);
    } else if (op == STAR || op == PLUS) {
      least += op == PLUS ? 1 : 0;
      most = kUnbounded;
    } else if (op == ANY || op == ANYOF || op == ANYBUT || (op >= ANYDIGIT && op <= NOTLETTER)) {
      ++least;
      most = AddWidth(most, 1);
    } else if (!IsZeroWidth(op)) {
      return false;  // BACK (a loop), END or a node out of place
    }
    n = NextNode(p, n);
  }
  return true;
}

// The lead literal: along the path every match takes (single alternatives entered, alternations
// and repeats stepped over), runs of byte positions: literal bytes, sets, dots, and the first bytes
// of an alternation's alternatives (as many as the shortest of them has). Each run lies a known
// distance after the match's start, give or take what the alternations and repeats before it
// may take; the run that narrows the search most, as little as possible widened by that give, is
// the lead. A run before which a repeat may take any number of bytes cannot say where a match starts.
void TRegExpr::ComputeLead() {
  TLeadRun best;
  double bestScore = kLeadMinBits;
  for (const TLeadRun& run : LeadRuns()) {
    std::size_t first = 0, end = 0;
    const double score = LeadScore(run, first, end);
    if (score > bestScore) {
      bestScore = score;
      best.sets.assign(run.sets.begin() + std::ptrdiff_t(first), run.sets.begin() + std::ptrdiff_t(end));
      best.least = run.least + first;
      best.most = run.most + first;
    }
  }
  if (!best.sets.empty()) SetLead(std::move(best));
}

// The walk: the runs in the order the path passes them, each ended by a node that takes no fixed
// byte (a repeat, an alternation of unknown width) or by the end.
std::vector<TRegExpr::TLeadRun> TRegExpr::LeadRuns() const {
  const std::vector<unsigned char>& p = program_;
  std::vector<TLeadRun> runs;
  TLeadRun run;
  auto close = [&] {
    if (!run.sets.empty()) runs.push_back(std::move(run));
    run = TLeadRun();
  };
  std::size_t least = 0, most = 0;  // where the walk is, from the match's start
  auto add = [&](const regexscan::StartSet& set) {
    if (run.sets.empty()) {
      run.least = least;
      run.most = most;
    }
    run.sets.push_back(set);
    ++least;
    most = AddWidth(most, 1);
  };
  int budget = kLeadWalkBudget;
  std::size_t n = 1;
  for (std::size_t guard = 0; n != kNone && guard < p.size(); ++guard) {
    const unsigned char op = p[n];
    if (op == BRANCH) {
      if (!StartsAlternation(p, n)) {
        n += kNodeSize;
        continue;
      }
      const std::size_t ender = AlternationEnd(p, n);
      // The byte positions each alternative begins with, and the widths of all.
      std::vector<std::vector<regexscan::StartSet>> heads;
      std::size_t lo = kUnbounded, hi = 0;
      bool known = true;
      for (std::size_t b = n; b != ender && known; b = NextNode(p, b)) {
        std::size_t alo = 0, ahi = 0;
        known = ChainWidth(b + kNodeSize, ender, alo, ahi, budget);
        lo = std::min(lo, alo);
        hi = hi == kUnbounded || ahi == kUnbounded ? kUnbounded : std::max(hi, ahi);
        std::vector<regexscan::StartSet>& head = heads.emplace_back();
        for (std::size_t a = b + kNodeSize; a != ender && a != kNone; a = NextNode(p, a)) {
          const bool taken = NodePositions(a, [&](const regexscan::StartSet& set) { head.push_back(set); });
          if (!taken && !IsGroupMark(p[a]) && p[a] != NOTHING) break;
        }
      }
      if (!known) {
        close();
        most = kUnbounded;
        n = ender;
        continue;
      }
      std::size_t shortest = kUnbounded;
      for (const auto& h : heads) shortest = std::min(shortest, h.size());
      for (std::size_t k = 0; k < shortest && k < kLeadAlternationPositions; ++k) {
        regexscan::StartSet set;
        for (const auto& h : heads)
          for (int w = 0; w < 4; ++w) set.bits[w] |= h[k].bits[w];
        add(set);
      }
      const std::size_t taken = std::min<std::size_t>(shortest, kLeadAlternationPositions);
      // The run goes on only where every alternative is that many bytes and no more.
      if (!(lo == hi && lo == taken)) close();
      least += lo - taken;
      most = hi == kUnbounded || most == kUnbounded ? kUnbounded : most + hi - taken;
      n = ender;
      continue;
    }
    if (!NodePositions(n, add)) {
      if (op == STAR || op == PLUS) {
        close();
        least += op == PLUS ? 1 : 0;
        most = kUnbounded;
      } else if (!IsZeroWidth(op)) {
        break;  // END, BACK
      }
    }
    n = NextNode(p, n);
  }
  close();
  return runs;
}

// The scoring: the bits the run's positions narrow a search by, less the bits of the give in where
// it starts; dots at either end narrow nothing and are left out (first .. end: what is kept). No
// score (minus infinity) for a run of dots alone or one that may start any number of bytes on.
double TRegExpr::LeadScore(const TLeadRun& run, std::size_t& first, std::size_t& end) {
  first = 0;
  end = run.sets.size();
  while (first < end && CountOf(run.sets[first]) >= kDotMembers) ++first;
  while (end > first && CountOf(run.sets[end - 1]) >= kDotMembers) --end;
  if (first == end || run.most == kUnbounded) return -std::numeric_limits<double>::infinity();
  double score = 0;
  for (std::size_t i = first; i < end; ++i) score += BitsOf(run.sets[i]);
  return score - std::log2(double(run.most - run.least + 1));
}

// The literal of the best run: an exact byte, a letter in either case, else the bits the members
// share (the sets are then kept to check each occurrence exactly).
void TRegExpr::SetLead(TLeadRun best) {
  bool exact = true;
  for (const regexscan::StartSet& set : best.sets) {
    unsigned all = 0xFF, any = 0;
    int members = 0, first = -1;
    for (unsigned c = 0; c < 256; ++c)
      if (set.Has(c)) {
        all &= c;
        any |= c;
        if (first < 0) first = int(c);
        ++members;
      }
    if (members == 1) {
      lead_.Add(static_cast<unsigned char>(first), false);
    } else if (members == 2 && regexscan::IsCasePair(unsigned(first), any)) {
      lead_.Add(static_cast<unsigned char>(first), true);
    } else {
      lead_.AddMasked(static_cast<unsigned char>(any), static_cast<unsigned char>(any ^ all));
      exact = false;
    }
  }
  if (!exact) leadSets_ = std::move(best.sets);
  leadOffset_ = best.least;
  leadWindow_ = best.most - best.least;
  lead_.ScanRarest();
}

bool TRegExpr::LeadAt(std::size_t at) const {
  for (std::size_t i = 0; i < leadSets_.size(); ++i)
    if (!leadSets_[i].Has(static_cast<unsigned char>(subject_[at + i]))) return false;
  return true;
}

bool TRegExpr::NodeBytes(std::size_t n, regexscan::StartSet& set) const {
  const std::vector<unsigned char>& p = program_;
  const std::uint64_t* b =
      (p[n] == ANYOF || p[n] == ANYBUT) ? sets_.data() + std::size_t(operandInfo_[n]) * 4 : nullptr;
  for (int c = 0; c < 256; ++c) {
    bool in = false;
    switch (p[n]) {
      case EXACTLY:
        in = c == p[n + kNodeSize];
        break;
      case ANY:
        in = c != 0;
        break;
      case ANYOF:
        in = c != 0 && ((b[c >> 6] >> (c & 63)) & 1);
        break;
      case ANYBUT:
        in = c != 0 && !((b[c >> 6] >> (c & 63)) & 1);
        break;
      case ANYDIGIT:
        in = IsDigit(static_cast<unsigned char>(c));
        break;
      case NOTDIGIT:
        in = c != 0 && !IsDigit(static_cast<unsigned char>(c));
        break;
      case ANYLETTER:
        in = IsLetter(static_cast<unsigned char>(c));
        break;
      case NOTLETTER:
        in = c != 0 && !IsLetter(static_cast<unsigned char>(c));
        break;
      default:
        return false;
    }
    if (in) set.Add(unsigned(c));
  }
  return true;
}

// Collects the bytes that can start a match along the chain from n. False when an empty match is
// possible or the structure is beyond this simple walk (budget bounds the nodes visited).
bool TRegExpr::StartBytes(std::size_t n, regexscan::StartSet& set, int& budget) const {
  const std::vector<unsigned char>& p = program_;
  while (n != kNone) {
    if (--budget < 0) return false;
    unsigned char op = p[n];
    switch (op) {
      case BOL:
      case EOL:
      case NOTHING:
        break;
      case BRANCH: {
        if (!StartsAlternation(p, n)) {
          n += kNodeSize;
          continue;
        }
        for (std::size_t b = n; b != kNone && p[b] == BRANCH; b = NextNode(p, b))
          if (!StartBytes(b + kNodeSize, set, budget)) return false;
        return true;
      }
      case STAR:
        if (!NodeBytes(n + kNodeSize, set)) return false;
        break;
      case PLUS:
        return NodeBytes(n + kNodeSize, set);
      default:
        if (IsGroupMark(op)) break;
        return NodeBytes(n, set);  // END, BACK and the rest answer false there
    }
    n = NextNode(p, n);
  }
  return false;
}

void TRegExpr::ComputeFirstSet() {
  regexscan::StartSet set;
  int budget = 2000;
  if (!StartBytes(1, set, budget)) return;
  hasFirstSet_ = true;
  firstSet_ = set;
  firstSet_.Finish();
  // An opening alternation whose every alternative begins with a literal: a start must hold one.
  const std::vector<unsigned char>& p = program_;
  std::size_t n = 1;
  if (!StartsAlternation(p, n)) {
    n += kNodeSize;  // the single alternative of the whole expression
    while (IsOpenMark(p[n])) n += kNodeSize;
    if (p[n] != BRANCH || !StartsAlternation(p, n)) return;
  }
  std::vector<regexscan::Literal<unsigned char>> starts;
  for (std::size_t br = n; br != kNone && p[br] == BRANCH; br = NextNode(p, br)) {
    std::size_t alt = br + kNodeSize;
    while (IsOpenMark(p[alt])) alt += kNodeSize;
    if (p[alt] != EXACTLY) return;
    starts.emplace_back();
    for (std::uint32_t i = 0; i < operandInfo_[alt]; ++i) starts.back().Add(p[alt + kNodeSize + i], false);
  }
  leadAlternatives_ = std::move(starts);
}

bool TRegExpr::LeadAlternativeAt(std::size_t at) const {
  if (leadAlternatives_.empty()) return true;
  const auto* s = reinterpret_cast<const unsigned char*>(subject_.data());
  for (const regexscan::Literal<unsigned char>& lit : leadAlternatives_)
    if (at + lit.Size() <= subject_.size() && lit.At(s + at)) return true;
  return false;
}

bool TRegExpr::OpeningRepeat(TOpeningRepeat& opening) const {
  const std::vector<unsigned char>& p = program_;
  std::size_t head = 1;
  const std::size_t next = NextNode(p, head);
  if (next == kNone || p[next] != END) return false;
  head += kNodeSize;
  while (IsOpenMark(p[head])) head = NextNode(p, head);
  opening.head = opening.repeat = head;
  if (p[head] != STAR && p[head] != PLUS) {
    if (!NodeBytes(head, opening.headBytes)) return false;
    opening.repeat = NextNode(p, head);
    if (opening.repeat == kNone || (p[opening.repeat] != STAR && p[opening.repeat] != PLUS)) return false;
  }
  return NodeBytes(opening.repeat + kNodeSize, opening.body);
}

void TRegExpr::ComputeRunSkip(const TOpeningRepeat& opening) {
  // The matcher's outcome after the repeat depends only on the position it reached there (group
  // positions are never read back), so every start inside one run ends as the first did.
  const regexscan::StartSet headBytes = opening.HasHead() ? opening.headBytes : opening.body;
  for (int w = 0; w < 4; ++w)
    if (headBytes.bits[w] & ~opening.body.bits[w]) return;
  runHead_ = opening.head;
  runHeadBytes_ = headBytes;
  runBody_ = opening.body;
}

// The match opens with a repeat of one byte, or with a one-byte node none of whose bytes the
// repeat after it takes (as [xy] *=); right after the repeat (group marks aside) comes a literal or
// a node of at most four bytes, none of which the repeat takes either. Every match then ends its
// run of the repeat exactly where that literal or byte is, and begins at the start of the run, or
// one byte before it with a head.
void TRegExpr::ComputeRunLead(const TOpeningRepeat& opening) {
  const std::vector<unsigned char>& p = program_;
  const regexscan::StartSet& head = opening.headBytes;
  const regexscan::StartSet& run = opening.body;
  const bool hasHead = opening.HasHead();
  if (hasHead)
    for (int w = 0; w < 4; ++w)
      if (head.bits[w] & run.bits[w]) return;
  std::size_t node = opening.repeat;
  const bool plus = p[node] == PLUS;
  regexscan::Literal<unsigned char> literal;
  regexscan::StartSet set;
  for (node = NextNode(p, node); node != kNone && literal.Empty(); node = NextNode(p, node)) {
    const unsigned char op = p[node];
    if (op == NOTHING || IsGroupMark(op)) continue;
    if (op == EXACTLY || (op == ANYOF && SetAsLiteral(node) >= 0)) {
      for (; node != kNone; node = NextNode(p, node)) {  // the literal bytes that follow directly
        int c = -1;
        if (p[node] == EXACTLY)
          for (std::uint32_t i = 0; i < operandInfo_[node]; ++i) literal.Add(p[node + kNodeSize + i], false);
        else if (p[node] == ANYOF && (c = SetAsLiteral(node)) >= 0)
          literal.Add(static_cast<unsigned char>(c & 0xFF), c > 0xFF);
        else
          break;
      }
      break;
    }
    if (!NodeBytes(node, set)) return;
    set.Finish();
    if (set.count == 0) return;
    break;
  }
  regexscan::StartSet first = set;
  if (!literal.Empty()) {
    first.Add(literal.want[0]);
    first.Add(literal.want[0] ^ literal.fold[0]);
  } else if (set.count == 0) {
    return;
  }
  for (int w = 0; w < 4; ++w)
    if (first.bits[w] & run.bits[w]) return;
  runLead_ = literal;
  runLeadSet_ = set;
  runLeadRun_ = run;
  runLeadHead_ = head;
  runLeadHasHead_ = hasHead;
  runLeadPlus_ = plus;
  hasRunLead_ = true;
}

std::size_t TRegExpr::RunLeadStart(std::size_t at) const {
  const auto* s = reinterpret_cast<const unsigned char*>(subject_.data());
  std::size_t start = at;
  while (start > 0 && runLeadRun_.Has(s[start - 1])) --start;
  if (runLeadPlus_ && start == at) return kNone;
  if (!runLeadHasHead_) return start;
  return start > 0 && runLeadHead_.Has(s[start - 1]) ? start - 1 : kNone;
}

void TRegExpr::ComputeFollow(const std::vector<std::size_t>& nodes) {
  follow_.assign(program_.size(), kFollowAny);
  for (std::size_t rep : nodes) {
    if (program_[rep] != STAR && program_[rep] != PLUS) continue;
    const std::size_t next = NextNode(program_, rep);
    regexscan::StartSet taken, starts;
    if (next == kNone || !NodeBytes(next, starts)) continue;
    follow_[rep] = kFollowByte;
    if (!NodeBytes(rep + kNodeSize, taken)) continue;
    bool disjoint = true;
    for (int w = 0; w < 4; ++w) disjoint = disjoint && !(taken.bits[w] & starts.bits[w]);
    if (disjoint) follow_[rep] = kFollowDisjoint;
  }
}

std::size_t TRegExpr::AfterFailedTry(std::size_t p) const {
  const auto* s = reinterpret_cast<const unsigned char*>(subject_.data());
  const std::size_t n = subject_.size();
  if (runHead_ == 0 || p >= n || !runHeadBytes_.Has(s[p])) return p;
  ++p;
  while (p < n && runBody_.Has(s[p])) ++p;
  return p;
}

bool TRegExpr::Exec(std::string_view subject) {
  subject_ = {};
  steps_ = 0;
  if (program_.empty()) {
    // A failed compile leaves no program; compiling again raises its error rather than this one.
    if (expression_.empty()) Raise("Not assigned expression property");
    Compile();
  }
  if (program_[0] != kMagic) Raise("Exec: Corrupted program");
  if (!shortcuts_) {
    subject_ = subject;
    if (anchored_) return Try(0);
    if (hasFirstChar_) {
      for (std::size_t p = subject_.find(char(firstChar_)); p != std::string_view::npos;
           p = subject_.find(char(firstChar_), p + 1))
        if (Try(p)) return true;
      return false;
    }
    if (subject_.empty()) return Try(0);
    for (std::size_t p = 0; p < subject_.size(); ++p)
      if (Try(p)) return true;
    return false;
  }
  // A subject without a literal every match holds is answered before it is copied, with no step
  // taken: the filter runs over whole databanks, where most texts are such (RequiredLiteral).
  // With a lead literal this finds its first occurrence, where the tries below begin.
  const auto* text = reinterpret_cast<const unsigned char*>(subject.data());
  if (!must_.Empty() && regexscan::Find(must_, text, 0, subject.size()) >= subject.size()) return false;
  std::size_t firstLead = leadOffset_;
  if (!lead_.Empty()) {
    firstLead = regexscan::Find(lead_, text, leadOffset_, subject.size());
    if (firstLead >= subject.size()) return false;
  }
  subject_ = subject;  // read in place: every read checks the end
  std::string_view s(subject_);
  const auto* bytes = reinterpret_cast<const unsigned char*>(subject_.data());
  const std::size_t n = subject_.size();
  if (anchored_) return Try(0);
  if (!endRun_.empty()) {
    // "$" holds at the end and at each NUL: only the runs that end there can match.
    for (std::size_t at = s.find('\0'); at != std::string_view::npos; at = s.find('\0', at + 1))
      if (EndRunAt(at)) return true;
    return EndRunAt(n);
  }
  if (!lead_.Empty()) {
    std::size_t untried = 0;  // every start before this one has been tried
    for (std::size_t at = firstLead;; ++at) {
      at = regexscan::Find(lead_, bytes, at, n);
      if (at >= n) return false;
      if (!LeadAt(at)) continue;
      const std::size_t last = at - leadOffset_;
      for (std::size_t start = std::max(untried, last >= leadWindow_ ? last - leadWindow_ : 0); start <= last;
           ++start) {
        if (hasWindowStarts_ && !windowStarts_.Has(bytes[start])) continue;
        if (Try(start)) return true;
      }
      untried = std::max(untried, last + 1);
    }
  }
  if (hasRunLead_) {
    // Each occurrence of what follows the opening repeat is tried from the one start it allows.
    for (std::size_t at = 0;; ++at) {
      at = runLead_.Empty() ? regexscan::FindStart(runLeadSet_, bytes, at, n) : regexscan::Find(runLead_, bytes, at, n);
      if (at >= n) return false;
      const std::size_t start = RunLeadStart(at);
      if (start != kNone && Try(start)) return true;
    }
  }
  if (!leadAlternatives_.empty() && leadAlternatives_.size() <= 4) {
    // The next occurrence of each alternative's literal; the nearest is the next start to try.
    std::size_t next[4];
    for (std::size_t i = 0; i < leadAlternatives_.size(); ++i)
      next[i] = regexscan::Find(leadAlternatives_[i], bytes, 0, n);
    for (;;) {
      const std::size_t p = *std::min_element(next, next + leadAlternatives_.size());
      if (p >= n) return false;
      if (Try(p)) return true;
      const std::size_t from = AfterFailedTry(p) + 1;
      for (std::size_t i = 0; i < leadAlternatives_.size(); ++i)
        if (next[i] < from) next[i] = regexscan::Find(leadAlternatives_[i], bytes, from, n);
    }
  }
  if (hasFirstSet_) {  // a match needs a byte, so the end is no start
    for (std::size_t p = 0;; ++p) {
      p = regexscan::FindStart(firstSet_, bytes, p, n);
      if (p >= n) return false;
      if (!LeadAlternativeAt(p)) continue;
      if (Try(p)) return true;
      p = AfterFailedTry(p);
    }
  }
  if (hasFirstChar_) {
    for (std::size_t p = s.find(char(firstChar_)); p != std::string_view::npos; p = s.find(char(firstChar_), p + 1))
      if (Try(p)) return true;
    return false;
  }
  if (s.empty()) return Try(0);
  for (std::size_t p = 0; p < s.size(); ++p) {
    if (Try(p)) return true;
    p = AfterFailedTry(p);
  }
  return false;
}

// The matcher: a node-by-node walk with a heap stack of untried alternatives.
bool TRegExpr::Try(std::size_t start) {
  const unsigned char* p = program_.data();
  const unsigned char* s = reinterpret_cast<const unsigned char*>(subject_.data());
  const std::int64_t len = std::int64_t(subject_.size());
  auto step = [&] {
    if (++steps_ > backtrackLimit_ && backtrackLimit_ > 0) Raise("Exec: backtrack limit exceeded");
  };
  auto push = [&](std::int32_t kind, std::size_t node, std::int64_t save, std::int64_t n) {
    if (stack_.size() >= kMaxFrames) Raise("Exec: backtrack stack exceeded");
    stack_.push_back(Frame{kind, std::int32_t(node), save, n});
  };
  auto setHas = [&](std::size_t node, unsigned char c) TESSARYN_INLINE {
    const std::uint64_t* b = sets_.data() + std::size_t(operandInfo_[node]) * 4;
    return (b[c >> 6] >> (c & 63)) & 1;
  };
  // Whether the single-byte operand matches the byte c.
  auto byteOk = [&](std::size_t opnd, unsigned char c) TESSARYN_INLINE -> bool {
    switch (p[opnd]) {
      case ANY:
        return c != 0;
      case EXACTLY:
        return c == p[opnd + kNodeSize];
      case ANYOF:
        return c != 0 && setHas(opnd, c);
      case ANYBUT:
        return c != 0 && !setHas(opnd, c);
      case ANYDIGIT:
        return IsDigit(c);
      case NOTDIGIT:
        return c != 0 && !IsDigit(c);
      case ANYLETTER:
        return IsLetter(c);
      case NOTLETTER:
        return c != 0 && !IsLetter(c);
      default:
        Raise("Internal foulup");
    }
  };
  auto one = [&](std::size_t opnd, std::int64_t i) TESSARYN_INLINE { return i < len && byteOk(opnd, s[i]); };
  std::int64_t pos = std::int64_t(start);
  std::size_t node = 1;
  // The first alternative of the chain from br on that can match at pos (kNone when none is
  // left): one that opens with a literal of another first byte would fail at once.
  auto viable = [&](std::size_t br) TESSARYN_INLINE {
    for (; br != kNone && p[br] == BRANCH; br = NextNode(program_, br)) {
      std::size_t alt = br + kNodeSize;
      if (p[alt] != EXACTLY || (pos < len && s[pos] == p[alt + kNodeSize])) return br;
    }
    return kNone;
  };
  // Positions the greedy repeat at node with n repetitions or fewer where the node after it can
  // take its first byte.
  auto greedyAt = [&](std::size_t rep, std::int64_t save, std::int64_t n) TESSARYN_INLINE {
    const std::int64_t min = p[rep] == PLUS ? 1 : 0;
    const std::size_t next = NextNode(program_, rep);
    const unsigned char follow = follow_[rep];
    if (follow == kFollowDisjoint) {
      // Every counted byte matched the operand, so none of them can start the next node: only
      // the full count can be followed by it (on backtracking, no count is left).
      if (n < min || !one(next, save + n)) return false;
      push(F_STAR, rep, save, n);
      pos = save + n;
      node = next;
      return true;
    }
    while (n >= min) {
      if (follow == kFollowAny || one(next, save + n)) {
        push(F_STAR, rep, save, n);
        pos = save + n;
        node = next;
        return true;
      }
      --n;
      step();
    }
    return false;
  };

  stack_.clear();
  for (;;) {
    if (node == kNone || node >= program_.size()) Raise("MatchPrim: Corrupted pointers");
    unsigned char op = p[node];
    bool ok = true;
    switch (op) {
      case END:
        return true;
      case BOL:
        ok = pos == 0;
        break;
      case EOL:  // the end, or a NUL as the design's copy of the subject ends there
        ok = pos >= len || s[pos] == 0;
        break;
      case ANY:
      case ANYOF:
      case ANYBUT:
      case ANYDIGIT:
      case NOTDIGIT:
      case ANYLETTER:
      case NOTLETTER:
        if (pos < len && one(node, pos))
          ++pos;
        else
          ok = false;
        break;
      case EXACTLY: {
        std::uint32_t n = operandInfo_[node];
        if (pos + n > len || s[pos] != p[node + kNodeSize] || std::memcmp(s + pos, p + node + kNodeSize, n) != 0)
          ok = false;
        else
          pos += n;
        break;
      }
      case NOTHING:
      case BACK:
        break;
      case BRANCH: {
        std::size_t nx = NextNode(program_, node);
        if (nx == kNone || p[nx] != BRANCH) {  // a single alternative
          node += kNodeSize;
          continue;
        }
        std::size_t first = viable(node);
        if (first == kNone) {
          ok = false;
          break;
        }
        std::size_t more = viable(NextNode(program_, first));
        if (more != kNone) push(F_BRANCH, more, pos, 0);
        node = first + kNodeSize;
        continue;
      }
      case STAR:
      case PLUS: {
        std::size_t opnd = node + kNodeSize;
        std::int64_t n = 0;
        while (pos + n < len && one(opnd, pos + n)) ++n;
        if (!greedyAt(node, pos, n)) ok = false;
        if (ok) continue;
        break;
      }
      default:
        if (IsGroupMark(op)) break;  // positions are unobservable
        Raise("MatchPrim: Memory corruption");
    }
    if (ok) {
      node = NextNode(program_, node);
      continue;
    }
    // Backtrack to the latest untried alternative.
    for (;;) {
      if (stack_.empty()) return false;
      Frame f = stack_.back();
      stack_.pop_back();
      step();
      if (f.kind == F_BRANCH) {
        pos = f.save;
        std::size_t br = std::size_t(f.node);
        std::size_t more = viable(NextNode(program_, br));
        if (more != kNone) push(F_BRANCH, more, pos, 0);
        node = br + kNodeSize;
        break;
      }
      if (greedyAt(std::size_t(f.node), f.save, f.n - 1)) break;
    }
  }
}

}  // namespace regexpr
