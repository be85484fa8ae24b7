// Fuzzes the editor control through the probe's script language: random commands on random
// texts. The input is a text, a NUL, then either script lines or bytes from which commands of
// the language are made with arguments near the interesting values (0, 1, the ends of the text,
// huge and negative numbers). After every command the positions the control reports must lie in
// the text or where its options allow, and the whole window is painted now and then.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SynPadScript.h"

namespace {

// Stops at the first broken rule, saying which.
#define Require(ok)                                                          \
  do {                                                                       \
    if (!(ok)) {                                                             \
      std::fprintf(stderr, "editor_script: rule broken: %s (line %d)\n", #ok, __LINE__); \
      std::abort();                                                          \
    }                                                                        \
  } while (0)

constexpr int kCeiling = 1 << 20;

void Check(TSynPadScript& s) {
  TSynPad& e = *s.Ed;
  const int count = e.LineCount();
  auto lineLen = [&](int line) { return line <= count ? static_cast<int>(e.LineText(line).size()) : 0; };
  Require(e.CaretY() >= 1 && e.CaretY() <= std::max(1, count));
  const int len = lineLen(e.CaretY());
  const int maxX = e.HasOption(eoScrollPastEol) ? std::max(len + 1, kCeiling) : len + 1;
  Require(e.CaretX() >= 1 && e.CaretX() <= maxX);
  for (const TBufferCoord& b : {e.BlockBegin(), e.BlockEnd()}) {
    Require(b.Line >= 1 && b.Line <= std::max(1, count));
    Require(b.Char >= 1 && b.Char <= std::max(lineLen(b.Line) + 1, kCeiling));
  }
  // Past the last row only where eoScrollPastEof lets the top line pass it.
  Require(e.TopLine() >= 1 && (e.HasOption(eoScrollPastEof) || e.TopLine() <= std::max(1, e.DisplayRowCount())));
  Require(e.LeftChar() >= 1);
  if (e.WordWrap()) Require(e.LeftChar() == 1);
  if (e.CaretX() <= len + 1 && count > 0) Require(e.DisplayToBufferPos(e.BufferToDisplayPos(e.GetCaretXY())) == e.GetCaretXY());
}

int Arg(const uint8_t*& p, const uint8_t* end, TSynPad& e) {
  if (p >= end) return 1;
  const uint8_t b = *p++;
  switch (b % 8) {
    case 0: return 0;
    case 1: return 1;
    case 2: return e.LineCount();
    case 3: return e.LineCount() > 0 ? static_cast<int>(e.LineText(1).size()) + 1 : 2;
    case 4: return (b & 0x80) ? 2147483647 : -2147483647;
    case 5: return b >> 3;
    case 6: return -(b >> 3);
    default: return (b >> 3) * 97;
  }
}

std::string Generate(const uint8_t*& p, const uint8_t* end, TSynPad& e) {
  static const char* const names[] = {"caret", "sel",   "top",    "left",    "text",   "option", "font",
                                      "b2d",   "d2b",   "px2rc",  "px2near", "rc2px",  "rc2idx", "idx2rc",
                                      "token", "dump",  "ecRight", "bogus"};
  const std::string cmd = names[*p++ % std::size(names)];
  auto n = [&] { return std::to_string(Arg(p, end, e)); };
  if (cmd == "caret" || cmd == "b2d" || cmd == "d2b" || cmd == "px2rc" || cmd == "px2near" || cmd == "rc2px" ||
      cmd == "rc2idx" || cmd == "token")
    return cmd + " " + n() + " " + n();
  if (cmd == "sel") {
    static const char* const modes[] = {"normal", "column", "line", "diagonal"};
    const std::string a = n(), b = n(), c = n(), d = n();
    return cmd + " " + a + " " + b + " " + c + " " + d + " " + modes[p < end ? *p++ % 4 : 0];
  }
  if (cmd == "top" || cmd == "left" || cmd == "idx2rc") return cmd + " " + n();
  if (cmd == "text") {
    std::string t;
    while (p < end && *p != 0xFF && t.size() < 64) t.push_back(static_cast<char>(*p++));
    return "text " + t;
  }
  if (cmd == "option") {
    const int bit = p < end ? *p++ % 30 : 0;
    const std::string name = bit < SynPadOptionCount ? SynPadOptionNames[bit] : bit == 27 ? "ShowLineNumbers" : "eoNothing";
    return "option " + name + ((p < end && (*p++ & 1)) ? " on" : " off");
  }
  if (cmd == "font") return std::string("font ") + ((p < end && (*p++ & 1)) ? "DejaVu Sans " : "Courier New ") + n();
  return cmd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const uint8_t* nul = data;
  while (nul < end && *nul != 0) ++nul;
  TSynPadScript s;
  s.Host.Width = 30 + 2 + 8 * (1 + static_cast<int>(size % 40));
  s.Host.Height = 16 * (1 + static_cast<int>(size % 7));
  TSynPad& e = *s.Ed;
  e.Resize();
  e.SetText(codepage::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(nul - data))));
  if (size % 3 == 0) e.SetWordWrap(true);
  if (size % 5 == 0) e.SetTabWidth(static_cast<int>(size % 11));
  const uint8_t* p = nul < end ? nul + 1 : end;
  const bool textual = p < end && *p >= 'a' && *p <= 'z';
  std::string out, error;
  int steps = 0;
  while (p < end && steps < 200) {
    std::string line;
    if (textual) {
      while (p < end && *p != '\n') line.push_back(static_cast<char>(*p++));
      if (p < end) ++p;
    } else {
      line = Generate(p, end, e);
    }
    out.clear();
    s.Execute(line, out, error);  // a refused command leaves the control as it was
    if (std::getenv("EDITOR_SCRIPT_TRACE")) std::fprintf(stderr, "%s\n", line.c_str());
    Check(s);
    if (++steps % 16 == 0) {
      TSynRecordingCanvas canvas;
      e.Paint(canvas, TSynRect{0, 0, s.Host.Width, s.Host.Height});
    }
  }
  TSynRecordingCanvas canvas;
  e.Paint(canvas, TSynRect{0, 0, s.Host.Width, s.Host.Height});
  return 0;
}
