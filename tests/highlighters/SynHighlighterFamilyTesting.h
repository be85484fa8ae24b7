// Shared helpers of the highlighter suites: token lists of a line or a document, the word-list
// digest, and the two generic robustness checks every highlighter runs (termination and coverage on
// random lines, re-scanning lines in random order from their stored ranges).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "platform/CodePage.h"

namespace hltest {

struct Tok {
  int kind;
  std::string text;  // UTF-8
  friend bool operator==(const Tok&, const Tok&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Tok& t) { return os << t.kind << ":'" << t.text << "'"; }
};
using Toks = std::vector<Tok>;

struct FullTok {
  int pos;
  int kind;
  std::u16string text;
  const TSynHighlighterAttributes* attr;
  friend bool operator==(const FullTok&, const FullTok&) = default;
};

// Tokens of one line after SetRange(range).
inline std::vector<FullTok> ScanFull(TSynCustomHighlighter& h, std::u16string_view line, std::intptr_t range) {
  h.SetRange(range);
  h.SetLine(line, 0);
  std::vector<FullTok> out;
  int guard = 0;
  while (!h.GetEol() && guard++ < 4 * static_cast<int>(line.size()) + 16) {
    out.push_back({h.GetTokenPos(), h.GetTokenKind(), h.GetToken(), h.GetTokenAttribute()});
    h.Next();
  }
  return out;
}

// Tokens of one line, starting from the reset range unless one is given.
inline Toks Scan(TSynCustomHighlighter& h, std::u16string_view line) {
  h.ResetRange();
  const std::intptr_t r = h.GetRange();
  Toks out;
  for (const auto& t : ScanFull(h, line, r)) out.push_back({t.kind, codepage::Utf16ToUtf8(t.text)});
  return out;
}

// Tokens of one line scanned by a new highlighter of class H.
template <class H>
Toks ScanNew(std::u16string_view line) {
  H h;
  return Scan(h, line);
}

inline Toks ScanFrom(TSynCustomHighlighter& h, std::u16string_view line, std::intptr_t range) {
  Toks out;
  for (const auto& t : ScanFull(h, line, range)) out.push_back({t.kind, codepage::Utf16ToUtf8(t.text)});
  return out;
}

// Each line's tokens, ranges chained from line to line; ranges receives the range after each line.
inline std::vector<Toks> ScanLines(TSynCustomHighlighter& h, const std::vector<std::u16string>& lines,
                                   std::vector<std::intptr_t>* ranges = nullptr) {
  h.ResetRange();
  std::intptr_t r = h.GetRange();
  std::vector<Toks> out;
  for (const auto& line : lines) {
    out.push_back(ScanFrom(h, line, r));
    r = h.GetRange();
    if (ranges) ranges->push_back(r);
  }
  return out;
}

// Random lines built from pieces (weighted by repetition in the list), the ranges chained from line to
// line. Every token must be non-empty and start where the one before ended, the tokens must cover
// the line, and GetEol must come within length + 2 calls to Next.
inline void CheckTermination(TSynCustomHighlighter& h, const std::vector<std::u16string>& pieces, int lineCount,
                             unsigned seed) {
  std::mt19937 rng(seed);
  h.ResetRange();
  std::intptr_t range = h.GetRange();
  for (int n = 0; n < lineCount; ++n) {
    std::u16string line;
    const int parts = static_cast<int>(rng() % 24);
    for (int i = 0; i < parts; ++i) line += pieces[rng() % pieces.size()];
    if (rng() % 8 == 0) line.clear();
    h.SetRange(range);
    h.SetLine(line, n);
    int pos = 0;
    int calls = 0;
    const int limit = static_cast<int>(line.size()) + 2;
    while (!h.GetEol()) {
      const int tp = h.GetTokenPos();
      const int len = static_cast<int>(h.GetToken().size());
      if (tp != pos || len == 0 || ++calls > limit) {
        ADD_FAILURE() << "line " << n << " \"" << codepage::Utf16ToUtf8(line) << "\" from range " << range
                      << ": token at " << tp << " length " << len << " expected at " << pos << ", call " << calls;
        return;
      }
      pos = tp + len;
      h.Next();
    }
    if (pos != static_cast<int>(line.size())) {
      ADD_FAILURE() << "line " << n << " \"" << codepage::Utf16ToUtf8(line) << "\" from range " << range
                    << ": tokens cover " << pos << " of " << line.size();
      return;
    }
    range = h.GetRange();
  }
}

// Scans the document in order and stores each line's end range; then re-scans the lines in random
// order, each after SetRange with the stored range of the line above: the tokens must be the same.
inline void CheckRescan(TSynCustomHighlighter& h, const std::vector<std::u16string>& lines, unsigned seed) {
  std::vector<std::vector<FullTok>> first;
  std::vector<std::intptr_t> ends;
  h.ResetRange();
  const std::intptr_t initial = h.GetRange();
  std::intptr_t r = initial;
  for (const auto& line : lines) {
    first.push_back(ScanFull(h, line, r));
    r = h.GetRange();
    ends.push_back(r);
  }
  std::vector<size_t> order(lines.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::mt19937 rng(seed);
  std::shuffle(order.begin(), order.end(), rng);
  for (size_t i : order) {
    const auto again = ScanFull(h, lines[i], i == 0 ? initial : ends[i - 1]);
    EXPECT_TRUE(again == first[i]) << "line " << i << " \"" << codepage::Utf16ToUtf8(lines[i]) << "\"";
    EXPECT_EQ(h.GetRange(), ends[i]) << "line " << i;
  }
}

// Pieces every language's fuzz mixes in: blanks, line ends inside a line, NUL, surrogates, the
// filler U+E000, Latin-1 and a few letters and digits.
inline std::vector<std::u16string> CommonPieces() {
  return {u" ",      u"  ",     u"\t",     u"a",      u"Z",
          u"x",      u"_",      u"e",      u"0",      u"1",
          u"9",      u"\\",     u"\r",     u"\n",     std::u16string(1, u'\0'),
          u"\xD800", u"\xDC00", u"\xE000", u"\u00E9", u"\u00FF",
          u"\u20AC", u"\u00D7", u"\x7F",   u"abc",    u"if",
          u"do"};
}

// FNV-1a over the UTF-16LE bytes of each text followed by a line feed: the digests the suites hold
// were computed the same way from the word lists, independently of this code.
inline std::uint32_t Digest(const std::vector<std::u16string>& texts) {
  std::uint32_t h = 0x811c9dc5u;
  for (const auto& t : texts)
    for (char16_t c : t + u"\n")
      for (int b : {c & 0xFF, c >> 8}) h = (h ^ static_cast<std::uint32_t>(b)) * 0x01000193u;
  return h;
}

// Splits a document at LF for the re-scan corpus.
inline std::vector<std::u16string> Lines(std::u16string_view text) {
  std::vector<std::u16string> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      out.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

}  // namespace hltest
