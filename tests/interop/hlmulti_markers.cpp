// The markers of the "Web Scripting" multi-highlighter compared with a small model of its cutting
// loop over Python's re: schemes in table order (re.I for all but ASP), the first whose start
// expression matches anywhere in the rest of the line wins, then only that scheme's end
// expression; an open scheme is carried from line to line.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "TestSupport.h"
#include "highlighters/SynHighlighterWebScripting.h"
#include "platform/CodePage.h"

namespace {

const char* kCutScript = R"PY(
import re, sys
SCHEMES = [('<%', '%>', 0), ('<script[ ]?.*>', '</script>', re.I), ('<\\?(php)?', '(php)?\\?>', re.I),
           ('<style[ ]?.*>', '</style>', re.I), ('[ ]style="', '"', re.I), ("[ ]style='", "'", re.I)]
def cut(line, open_):
    rest, eaten, out = line, 0, []
    while rest:
        if open_ < 0:
            for i, (s, e, f) in enumerate(SCHEMES):
                m = re.search(s, rest, f)
                if m:
                    break
            else:
                break
            scheme, opening = i, 1
        else:
            m = re.search(SCHEMES[open_][1], rest, SCHEMES[open_][2])
            if not m:
                break
            scheme, opening = open_, 0
        if m.end() == 0:
            break
        out.append('%d,%d,%d,%s,%d' % (scheme, m.start() + 1 + eaten, m.end() - m.start(),
                                       m.group(0).encode('utf-8').hex(), opening))
        eaten += m.end()
        rest = rest[m.end():]
        open_ = scheme if opening else -1
    return out, open_
open_ = -1
res = []
for line in sys.stdin.buffer.read().decode('utf-8').split('\n')[:-1]:
    if line == '\x01RESET':
        open_ = -1
        res.append('reset')
        continue
    markers, open_ = cut(line, open_)
    res.append(' '.join(markers))
sys.stdout.write('\n'.join(res) + '\n')
)PY";

std::string HexUtf8(std::u16string_view s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : codepage::Utf16ToUtf8(s)) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace

TEST(HlMultiInterop, MarkersMatchPythonCuttingModel) {
  REQUIRE_TOOL(python, "python3");
  // Documents: a fixed corpus, then random ones built from the pieces that open and close regions.
  std::vector<std::vector<std::u16string>> docs = {
      {u"<p><% x = 1 %></p>", u"<style> a <% b %>", u"<script src=\"a.js\"></script>", u"var x;", u"</script> <b>"},
      {u"<html><head><title>t</title>", u"<style type=\"text/css\">", u"p { color: red } /* c", u"*/ </STYLE>",
       u"<SCRIPT language=x>", u"if (a < b) {}", u"</Script><?php echo $x; ?>", u"<?PHP", u"$y = 1;", u"PHP?>"},
      {u"<a style=\"color:red\" b style='x'>t</a>", u"<div style=\"a", u"b\" style='c", u"d'>", u"<%= y %><% z",
       u"%>\u00e9\u20ac<? q ?>"},
  };
  std::mt19937 rng(7140);
  const std::vector<std::u16string> pieces = {u"<%",        u"%>",        u"<script>", u"<script type=\"x\">",
                                              u"</script>", u"</SCRIPT>", u"<?",       u"<?php",
                                              u"?>",        u"php?>",     u"<style>",  u"<STYLE media=all>",
                                              u"</style>",  u" style=\"", u" STYLE='", u"\"",
                                              u"'",         u"<p>",       u"</p>",     u">",
                                              u"<",         u" ",         u"a",        u"=",
                                              u"php",       u"?",         u"%",        u"\u00e9",
                                              u"x=1;",      u"/*",        u"*/",       u"<b style=\"c:d\">"};
  for (int d = 0; d < 300; ++d) {
    std::vector<std::u16string> doc;
    const int lines = 1 + static_cast<int>(rng() % 8);
    for (int l = 0; l < lines; ++l) {
      std::u16string line;
      const int parts = static_cast<int>(rng() % 12);
      for (int k = 0; k < parts; ++k) line += pieces[rng() % pieces.size()];
      doc.push_back(line);
    }
    docs.push_back(doc);
  }
  std::string input;
  for (const auto& doc : docs) {
    input += "\x01RESET\n";
    for (const auto& line : doc) input += codepage::Utf16ToUtf8(line) + "\n";
  }
  const auto result = testsupport::RunProcess(python, {"-c", kCutScript}, input, 300);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream answers(result.out);
  std::string expected;
  TSynWebScriptingSyn w;
  int mismatches = 0, markers = 0;
  for (const auto& doc : docs) {
    ASSERT_TRUE(std::getline(answers, expected));
    ASSERT_EQ(expected, "reset");
    w.ResetRange();
    for (size_t i = 0; i < doc.size(); ++i) {
      ASSERT_TRUE(std::getline(answers, expected));
      w.SetLine(doc[i], static_cast<int>(i));
      std::string mine;
      for (int k = 0; k < w.MarkerCount(); ++k) {
        const TMarker& m = w.Markers(k);
        if (k) mine += ' ';
        mine += std::to_string(m.fScheme) + ',' + std::to_string(m.fStartPos) + ',' + std::to_string(m.fMarkerLen) +
                ',' + HexUtf8(m.fMarkerText) + ',' + (m.fIsOpenMarker ? '1' : '0');
      }
      markers += w.MarkerCount();
      if (mine != expected && ++mismatches <= 5)
        ADD_FAILURE() << "\"" << codepage::Utf16ToUtf8(doc[i]) << "\": " << mine << " vs " << expected;
      w.NextToEol();
      w.SetRange(w.GetRange());
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(markers, 500);
}
