// Fuzzes the editor's text foundations with arbitrary bytes: loading into both wide-string lists
// (with and without byte-order marks), saving and reloading, line edits, and word wrap over the
// loaded lines with the conversions checked both ways.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynPadWordWrap.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

class Host : public ISynWordWrapHost {
 public:
  explicit Host(TSynPadStringList& l, int c) : lines(l), cols(c) {}
  int WrapCharsInWindow() const override { return cols; }
  bool WrapIsWordBreakChar(char16_t c) const override { return IsSynWordBreakChar(c); }
  int WrapLineCount() const override { return lines.Count(); }
  std::u16string WrapExpandedLine(int i) const override { return lines.ExpandedStrings(i); }
  int WrapTabWidth() const override { return lines.TabWidth(); }
  int WrapCharCells(char16_t c) const override { return c >= 0x2E80 && c < 0xA000 ? 2 : (c == 0xFFFD ? 3 : 1); }
  TSynPadStringList& lines;
  int cols;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    TWideStringList list;
    TMemoryStream in(bytes);
    list.LoadFromStream(in);
    TMemoryStream out;
    list.SetSaveAsUnicode(true);
    list.SaveToStream(out);
    TWideStringList back;
    out.SetPosition(0);
    back.LoadFromStream(out);
    // The text of a list never ends with a break, so a trailing empty line does not come back.
    int expected = list.Count();
    if (expected > 0 && list.Get(expected - 1).empty()) --expected;
    Require(back.Count() == expected);
    for (int i = 0; i < expected; ++i) Require(back.Get(i) == list.Get(i));
  }
  TSynPadStringList lines;
  lines.SetTabWidth(size > 0 ? 1 + data[0] % 9 : 8);
  TMemoryStream in(bytes);
  lines.LoadFromStream(in);
  // What is saved as UTF-16 loads back to the same lines (a trailing break gives one more line).
  {
    lines.SetSaveAsUnicode(true);
    TMemoryStream out;
    lines.SaveToStream(out);
    TSynPadStringList back;
    out.SetPosition(0);
    back.LoadFromStream(out);
    for (int i = 0; i < lines.Count(); ++i) Require(back.Get(i) == lines.Get(i));
  }
  const int cols = size > 1 ? data[1] % 100 : 20;
  Host host(lines, cols);
  TSynWordWrapPlugin wrap(&host);
  int longest = 0;
  for (int i = 0; i < lines.Count(); ++i) longest = std::max(longest, lines.ExpandedStringLengths(i));
  Require(lines.LengthOfLongestLine() == longest);
  // A few edits, told to the word wrap, must give what a full rewrap gives.
  for (size_t k = 2; k + 1 < size && k < 12; k += 2) {
    const int n = lines.Count();
    const int at = n > 0 ? data[k] % n : 0;
    switch (data[k + 1] % 3) {
      case 0:
        lines.InsertLines(at, 1);
        lines.Put(at, std::u16string(data[k + 1], u'w'));
        wrap.LinesInserted(at, 1);
        break;
      case 1:
        if (n > 0) {
          lines.DeleteLines(at, 1 + data[k + 1] % 3);
          wrap.LinesDeleted(at, 1 + data[k + 1] % 3);
        }
        break;
      default:
        if (n > 0) {
          lines.Put(at, std::u16string(data[k + 1] % 7, u'\t') + u"x y");
          wrap.LinesPutted(at, 1);
        }
        break;
    }
  }
  TSynWordWrapPlugin full(&host);
  Require(full.RowCount() == wrap.RowCount());
  for (int r = 1; r <= wrap.RowCount(); ++r) Require(full.GetRowLength(r) == wrap.GetRowLength(r));
  for (int line = 1; line <= lines.Count() && line < 50; ++line) {
    const TDisplayCoord d = wrap.BufferToDisplayPos({1, line});
    const TBufferCoord b = wrap.DisplayToBufferPos(d);
    Require(b.Line == line && b.Char == 1);
  }
  return 0;
}
