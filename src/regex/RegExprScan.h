// Fast scans both regex engines run before their matcher: where a required literal occurs, and
// where a character of a small start set occurs. They only choose the positions the matcher
// tries; a position they skip is one where no match can start.
//
// A literal is a run of character positions, each matching a text character c when
// (c | fold) == want: fold is 0x20 for an ASCII letter taken in either case, 0 for an exact
// character; a wider fold lets a position stand for a small set of characters (and more: it is a
// filter then, which the caller checks further), 0xFF for any character. The scan compares two
// positions sixteen bytes at a time (SSE2, always present on x86-64): the first and the last unless
// the literal names others, then checks the whole literal where both agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace regexscan {

// Roughly how often a byte turns up in what a databank holds, code and prose, in parts per ten
// thousand: what a scan compares first should be rare.
inline unsigned ByteCommonness(unsigned c) {
  static const unsigned short kLower[26] = {500, 110, 250, 250, 800, 160, 130, 250, 500, 10,  50, 350, 180,
                                            500, 500, 170, 10,  450, 450, 600, 200, 80,  100, 50, 100, 10};
  if (c >= 'a' && c <= 'z') return kLower[c - 'a'];
  if (c >= 'A' && c <= 'Z') return kLower[c - 'A'] / 8 + 1;
  if (c >= '0' && c <= '9') return 40;
  switch (c) {
    case ' ':
      return 1500;
    case '\r':
    case '\n':
      return 200;
    case '(':
    case ')':
      return 150;
    case ';':
    case '.':
    case '_':
      return 120;
    case '=':
    case ',':
      return 100;
    case '"':
    case '-':
    case '/':
      return 60;
    default:
      return c < 0x80 ? 30 : 5;
  }
}

template <class Ch>
struct Literal {
  std::vector<Ch> want, fold;

  std::size_t Size() const { return want.size(); }
  bool Empty() const { return want.empty(); }
  void Clear() {
    want.clear();
    fold.clear();
    scanA = 0;
    scanB = kLast;
  }
  // An exact character, or an ASCII letter in either case (caseless).
  void Add(Ch c, bool caseless) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    Ch f = caseless && letter ? Ch(0x20) : Ch(0);
    want.push_back(Ch(c | f));
    fold.push_back(f);
  }
  // A position matching every c with (c | f) == w.
  void AddMasked(Ch w, Ch f) {
    want.push_back(Ch(w | f));
    fold.push_back(f);
  }
  // The two positions the scan compares (a <= b < Size()); the first and the last by default.
  static constexpr std::size_t kLast = static_cast<std::size_t>(-1);
  std::size_t scanA = 0, scanB = kLast;
  std::size_t ScanA() const { return scanA; }
  std::size_t ScanB() const { return scanB == kLast ? want.size() - 1 : scanB; }
  // How often position i matches, by ByteCommonness of the bytes it takes (a wide one: often).
  unsigned Commonness(std::size_t i) const {
    if (__builtin_popcount(unsigned(fold[i]) & 0xFFu) > 3) return 100000;
    unsigned sum = 0;
    for (unsigned c = 0; c < 256; ++c)
      if (Ch((Ch(c) | fold[i])) == want[i]) sum += ByteCommonness(c);
    return sum;
  }
  // The scan compares the two rarest positions.
  void ScanRarest() {
    if (want.empty()) return;
    // Each position's commonness once: it takes a pass over every byte.
    std::vector<unsigned> common(want.size());
    for (std::size_t i = 0; i < want.size(); ++i) common[i] = Commonness(i);
    std::size_t a = 0;
    for (std::size_t i = 1; i < want.size(); ++i)
      if (common[i] < common[a]) a = i;
    std::size_t b = a;
    for (std::size_t i = 0; i < want.size(); ++i)
      if (i != a && (b == a || common[i] < common[b])) b = i;
    scanA = std::min(a, b);
    scanB = std::max(a, b);
  }
  // s holds at least Size() characters.
  bool At(const Ch* s) const {
    for (std::size_t i = 0; i < want.size(); ++i)
      if (Ch(s[i] | fold[i]) != want[i]) return false;
    return true;
  }
};

// The two members of an ASCII letter's case pair: true when a and b are one letter in both cases.
inline bool IsCasePair(unsigned a, unsigned b) {
  unsigned lo = a | 0x20;
  return (a ^ b) == 0x20 && lo >= 'a' && lo <= 'z';
}

namespace detail {

#if defined(__SSE2__)
template <class Ch>
inline __m128i Splat(Ch c) {
  if constexpr (sizeof(Ch) == 1)
    return _mm_set1_epi8(char(c));
  else
    return _mm_set1_epi16(short(c));
}
template <class Ch>
inline __m128i Equal(__m128i a, __m128i b) {
  if constexpr (sizeof(Ch) == 1)
    return _mm_cmpeq_epi8(a, b);
  else
    return _mm_cmpeq_epi16(a, b);
}
#endif

}  // namespace detail

// Index of the first occurrence of lit in s[from, n), or n when there is none.
template <class Ch>
std::size_t Find(const Literal<Ch>& lit, const Ch* s, std::size_t from, std::size_t n) {
  const std::size_t m = lit.Size();
  if (m == 0) return from <= n ? from : n;
  if (m > n || from > n - m) return n;
  const std::size_t last = m - 1;
  const std::size_t pa = lit.ScanA(), pb = lit.ScanB();
  std::size_t i = from;
#if defined(__SSE2__)
  constexpr std::size_t kLanes = 16 / sizeof(Ch);
  const __m128i w0 = detail::Splat(lit.want[pa]), f0 = detail::Splat(lit.fold[pa]);
  const __m128i wl = detail::Splat(lit.want[pb]), fl = detail::Splat(lit.fold[pb]);
  // The first occurrence among the candidates of the block at `at`, its first skipLanes lanes left out.
  auto block = [&](std::size_t at, unsigned skipLanes) -> std::size_t {
    __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + pa)), f0);
    __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + pb)), fl);
    unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(detail::Equal<Ch>(a, w0), detail::Equal<Ch>(b, wl))));
    mask &= ~((1u << (skipLanes * sizeof(Ch))) - 1);
    while (mask) {
      std::size_t j = std::size_t(__builtin_ctz(mask)) / sizeof(Ch);
      if (lit.At(s + at + j)) return at + j;
      mask &= ~(((1u << sizeof(Ch)) - 1) << (j * sizeof(Ch)));
    }
    return n;
  };
  for (; i + kLanes + last <= n; i += kLanes)
    if (std::size_t r = block(i, 0); r < n) return r;
  if (i + m <= n && n >= kLanes + last) {
    // The rest in one block ending at the text's end, overlapping what was already scanned.
    std::size_t at = n - last - kLanes;
    return block(at, unsigned(i - at));
  }
#endif
  for (; i + m <= n; ++i)
    if (Ch(s[i + pa] | lit.fold[pa]) == lit.want[pa] && lit.At(s + i)) return i;
  return n;
}

// The characters a match can start with: a map of the characters below 256, and whether any
// character from 256 up can start one (wide text only).
struct StartSet {
  std::uint64_t bits[4] = {};
  bool high = false;
  // Up to four characters listed for the vector scan; count 0 when the set is larger.
  unsigned char few[4] = {};
  int count = 0;

  void Add(unsigned c) {
    if (c >= 256) {
      high = true;
      return;
    }
    bits[c >> 6] |= std::uint64_t(1) << (c & 63);
  }
  bool Has(unsigned c) const { return c < 256 ? (bits[c >> 6] >> (c & 63)) & 1 : high; }
  // Fills the short list once the set is complete.
  void Finish() {
    count = 0;
    if (high) return;
    for (unsigned c = 0; c < 256; ++c)
      if (Has(c)) {
        if (count == 4) {
          count = 0;
          return;
        }
        few[count++] = static_cast<unsigned char>(c);
      }
  }
};

// Index of the first character of s[from, n) in set, or n when there is none.
template <class Ch>
std::size_t FindStart(const StartSet& set, const Ch* s, std::size_t from, std::size_t n) {
  std::size_t i = from;
#if defined(__SSE2__)
  if (set.count > 0) {
    constexpr std::size_t kLanes = 16 / sizeof(Ch);
    __m128i c[4];
    for (int k = 0; k < 4; ++k) c[k] = detail::Splat(Ch(set.few[k < set.count ? k : 0]));
    auto hits = [&](std::size_t at) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
      __m128i hit = _mm_or_si128(_mm_or_si128(detail::Equal<Ch>(v, c[0]), detail::Equal<Ch>(v, c[1])),
                                 _mm_or_si128(detail::Equal<Ch>(v, c[2]), detail::Equal<Ch>(v, c[3])));
      return unsigned(_mm_movemask_epi8(hit));
    };
    for (; i + kLanes <= n; i += kLanes)
      if (unsigned mask = hits(i)) return i + std::size_t(__builtin_ctz(mask)) / sizeof(Ch);
    if (i < n && n >= kLanes) {
      // The rest in one block ending at the text's end, overlapping what was already scanned.
      std::size_t at = n - kLanes;
      unsigned mask = hits(at) & ~((1u << ((i - at) * sizeof(Ch))) - 1);
      return mask ? at + std::size_t(__builtin_ctz(mask)) / sizeof(Ch) : n;
    }
  }
#endif
  for (; i < n; ++i)
    if (set.Has(s[i])) return i;
  return n;
}

}  // namespace regexscan
