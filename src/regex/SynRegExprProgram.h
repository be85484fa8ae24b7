// Program format of the wide engine (internal to src/regex/).
// Unit 0 is the magic value; then nodes: opcode (1 unit), next offset (signed 32-bit in 2 units,
// low unit first; 0 = none), operand. Literal and set operands carry their length, so a U+0000
// inside them is an ordinary character; a set also carries a 256-bit map of its members below 256,
// and its members beyond U+FFFF as ranges of code points after the others.
//
// A character beyond U+FFFF is one character: a literal holds it as its surrogate pair, a set as a
// range. A case-insensitive literal or set of the default case rule holds its characters folded
// (sets: the members and their foldings).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace synregexpr::prog {

constexpr char16_t kMagic = 216;
constexpr std::size_t kNodeSize = 3;
constexpr int kSetMapUnits = 16;
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
constexpr std::int32_t kMaxBracesArg = 2147483646;
constexpr std::int32_t kMaxRepeat = 2147483647;

// Modifier bits.
constexpr std::uint32_t kModI = 1, kModR = 2, kModS = 4, kModG = 8, kModM = 16, kModX = 32;

// Parse flags.
constexpr int WORST = 0, HASWIDTH = 1, SIMPLE = 2, SPSTART = 4;

enum : char16_t {
  END = 0,
  BOL = 1,
  EOL = 2,
  ANY = 3,
  ANYOF = 4,
  ANYBUT = 5,
  BRANCH = 6,
  BACK = 7,  // operand: one unit, the loop's guard slot
  EXACTLY = 8,
  NOTHING = 9,
  STAR = 10,
  PLUS = 11,
  ANYDIGIT = 12,
  NOTDIGIT = 13,
  ANYLETTER = 14,
  NOTLETTER = 15,
  ANYSPACE = 16,
  NOTSPACE = 17,
  BRACES = 18,
  COMMENT = 19,
  EXACTLYCI = 20,
  ANYOFCI = 21,
  ANYBUTCI = 22,
  LOOPENTRY = 23,
  LOOP = 24,
  BSUBEXP = 28,
  BSUBEXPCI = 29,
  STARNG = 30,
  PLUSNG = 31,
  BRACESNG = 32,
  LOOPNG = 33,
  BOLML = 34,
  EOLML = 35,
  ANYML = 36,
  BOUND = 37,
  NOTBOUND = 38,
  OPEN = 39,   // OPEN n = 39 + n
  CLOSE = 54,  // CLOSE n = 54 + n
};

inline std::int32_t Get32(const char16_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 16));
}
inline void Put32(char16_t* p, std::int32_t v) {
  p[0] = char16_t(std::uint32_t(v) & 0xFFFF);
  p[1] = char16_t(std::uint32_t(v) >> 16);
}
inline std::size_t NextNode(const char16_t* prog, std::size_t node) {
  std::int32_t off = Get32(prog + node + 1);
  if (off == 0) return kNone;
  return std::size_t(std::int64_t(node) + off);
}
inline void SetNext(char16_t* prog, std::size_t node, std::size_t target) {
  Put32(prog + node + 1, std::int32_t(std::int64_t(target) - std::int64_t(node)));
}

// EXACTLY / EXACTLYCI: length, then the characters.
inline std::size_t ExactLen(const char16_t* prog, std::size_t node) {
  return std::size_t(std::uint32_t(Get32(prog + node + kNodeSize)));
}
inline const char16_t* ExactChars(const char16_t* prog, std::size_t node) {
  return prog + node + kNodeSize + 2;
}

// ANYOF and friends: length, the map, the members up to U+FFFF, then the count of ranges beyond
// U+FFFF and the ranges (first and last, each in 2 units).
inline std::size_t SetLen(const char16_t* prog, std::size_t node) {
  return std::size_t(std::uint32_t(Get32(prog + node + kNodeSize)));
}
inline const char16_t* SetMap(const char16_t* prog, std::size_t node) {
  return prog + node + kNodeSize + 2;
}
inline const char16_t* SetMembers(const char16_t* prog, std::size_t node) {
  return prog + node + kNodeSize + 2 + kSetMapUnits;
}
inline std::size_t SetRangeCount(const char16_t* prog, std::size_t node) {
  return std::size_t(std::uint32_t(Get32(SetMembers(prog, node) + SetLen(prog, node))));
}
inline const char16_t* SetRanges(const char16_t* prog, std::size_t node) {
  return SetMembers(prog, node) + SetLen(prog, node) + 2;
}
inline bool SetRangesHold(const char16_t* prog, std::size_t node, char32_t c) {
  const char16_t* r = SetRanges(prog, node);
  for (std::size_t i = 0, n = SetRangeCount(prog, node); i < n; ++i, r += 4)
    if (c >= char32_t(Get32(r)) && c <= char32_t(Get32(r + 2))) return true;
  return false;
}

// Surrogates: a high one followed by a low one is one character beyond U+FFFF.
inline bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
inline char32_t PairCodePoint(char16_t high, char16_t low) {
  return 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
}

// Physical size of a node with its own operand (the operand node of a repeat is not included).
inline std::size_t NodeSize(const char16_t* prog, std::size_t node) {
  switch (prog[node]) {
    case EXACTLY:
    case EXACTLYCI:
      return kNodeSize + 2 + ExactLen(prog, node);
    case ANYOF:
    case ANYBUT:
    case ANYOFCI:
    case ANYBUTCI:
      return kNodeSize + 2 + kSetMapUnits + SetLen(prog, node) + 2 + 4 * SetRangeCount(prog, node);
    case BRACES:
    case BRACESNG:
      return kNodeSize + 4;
    case LOOP:
    case LOOPNG:
      return kNodeSize + 6;
    case BSUBEXP:
    case BSUBEXPCI:
    case BACK:
      return kNodeSize + 1;
    default:
      return kNodeSize;
  }
}

}  // namespace synregexpr::prog
