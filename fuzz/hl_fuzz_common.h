// What the highlighter fuzz targets share: the highlighters each takes from the language table,
// reading the input as text, cutting it into lines, and walking the tokens of a line with the checks
// every highlighter must pass. A header, since every fuzz/*.cpp is built as a target of its own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "highlighters/SynHighlighterSQL.h"

namespace hlfuzz {

// hl_scan takes these classes, in this order (its corpus was grown on them); hl2_scan takes every
// other row of the language table, which its inputs name, so that a new language is fuzzed there
// without a change here and without moving a seed. The URI and multi-language highlighters have
// targets of their own (hlmulti_uri, hlmulti_multi).
inline constexpr std::string_view kFirstTargetClasses[] = {"TSynCppSyn",     "TSynPasSyn", "TSynJavaSyn",
                                                           "TSynJScriptSyn", "TSynPHPSyn", "TSynHTMLSyn"};
inline constexpr std::string_view kOwnTargetClasses[] = {"TSynURISyn", "TSynMultiSyn"};

// The highlighters of hl_scan (first) or hl2_scan (!first), the SQL highlighter once per dialect.
inline std::vector<std::unique_ptr<TSynCustomHighlighter>> TargetHighlighters(bool first) {
  std::vector<std::unique_ptr<TSynCustomHighlighter>> all;
  if (first) {
    for (std::string_view name : kFirstTargetClasses) all.push_back(FindSynLanguage(name)->Create());
    return all;
  }
  auto listed = [](const auto& names, std::string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
  };
  for (const TSynLanguageInfo& row : SynLanguageTable) {
    if (listed(kFirstTargetClasses, row.ClassName) || listed(kOwnTargetClasses, row.ClassName)) continue;
    std::unique_ptr<TSynCustomHighlighter> h = row.Create();
    if (dynamic_cast<TSynSQLSyn*>(h.get())) {
      for (int d = 0; d < SQLDialectCount; ++d) {
        auto sql = std::make_unique<TSynSQLSyn>();
        sql->SetSQLDialect(static_cast<TSQLDialect>(d));
        all.push_back(std::move(sql));
      }
    } else {
      all.push_back(std::move(h));
    }
  }
  return all;
}

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
