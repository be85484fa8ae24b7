// Fuzz target over the URI highlighter: the input (bytes as code units, or UTF-16LE when the first
// byte is odd) is cut into lines at LF. Every token must be non-empty and follow the one before, the
// tokens must cover the line, the line must end within length + 2 calls to Next, and every link
// token must give the desktop a target with a known scheme.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynURIOpener.h"
#include "hl_fuzz_common.h"

namespace {
[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "hlmulti_uri: %s\n", what);
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static TSynURISyn h;
  const std::u16string text = hlfuzz::Text(data, size, data[0] % 2);
  for (const std::u16string& line : hlfuzz::Lines(text)) {
    h.ResetRange();
    h.SetLine(line, 0);
    int pos = 0;
    size_t calls = 0;
    while (!h.GetEol()) {
      const std::u16string token = h.GetToken();
      if (h.GetTokenPos() != pos) Fail("token does not follow the one before");
      if (token.empty()) Fail("empty token");
      if (++calls > line.size() + 2) Fail("no end of line within length + 2 calls");
      const int kind = h.GetTokenKind();
      if (kind < 1 || kind > 14) Fail("kind out of range");
      if (kind >= TSynURISyn::tkFtpLink && kind <= TSynURISyn::tkWebLink) {
        if (h.GetTokenAttribute() != h.URIAttri) Fail("link without the URI attribute");
        if (TSynURIOpener::LinkTarget(token, kind).empty()) Fail("link without a target");
      }
      pos += static_cast<int>(token.size());
      h.Next();
    }
    if (pos != static_cast<int>(line.size())) Fail("tokens do not cover the line");
  }
  return 0;
}
