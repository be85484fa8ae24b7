// What the highlighter fuzz targets share: reading the input as text, cutting it into lines, and
// walking the tokens of a line with the checks every highlighter must pass. A header, since every
// fuzz/*.cpp is built as a target of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"

namespace hlfuzz {

// The input after its first byte: bytes as code units, or (wide) UTF-16LE pairs.
inline std::u16string Text(const uint8_t* data, size_t size, bool wide) {
  std::u16string text;
  if (wide) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 1; i < size; ++i) text.push_back(data[i]);
  }
  return text;
}

inline std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

[[noreturn]] inline void Fail(const char* target, const char* what, size_t line) {
  std::fprintf(stderr, "%s: %s on line %zu\n", target, what, line);
  std::abort();
}

// Walks the tokens of the line just set (line number n, for the messages): every token must be
// non-empty and follow the one before, the line must end within length + 2 calls to Next, and the
// tokens must cover the line. onToken(pos, len) sees each token before Next.
template <class OnToken>
void WalkTokens(TSynCustomHighlighter& h, const std::u16string& line, const char* target, size_t n, OnToken&& onToken) {
  int pos = 0;
  size_t calls = 0;
  while (!h.GetEol()) {
    const int tp = h.GetTokenPos();
    const int len = static_cast<int>(h.GetToken().size());
    if (tp != pos) Fail(target, "token does not follow the one before", n);
    if (len == 0) Fail(target, "empty token", n);
    if (++calls > line.size() + 2) Fail(target, "no end of line within length + 2 calls", n);
    onToken(tp, len);
    pos += len;
    h.Next();
  }
  if (pos != static_cast<int>(line.size())) Fail(target, "tokens do not cover the line", n);
}

}  // namespace hlfuzz
