// Property checks of the editor control's coordinates, shared by the suite on fixed metrics and
// the one on the desktop's real fonts. Header-only.
#pragma once

#include <random>
#include <sstream>
#include <string>

#include "editor/SynPad.h"

// Random text of Lines lines, up to MaxLen units each, drawn from Alphabet.
template <size_t N>
std::u16string SynRandomText(std::mt19937& Rng, const char16_t (&Alphabet)[N], int Lines, int MaxLen) {
  std::u16string text;
  for (int line = 0; line < Lines; ++line) {
    const int len = static_cast<int>(Rng() % static_cast<unsigned>(MaxLen));
    for (int i = 0; i < len; ++i) text.push_back(Alphabet[Rng() % N]);
    text += u"\n";
  }
  return text;
}

// Every position of every line (past the end too, without word wrap) goes to a display position
// and back unchanged, display positions grow with the positions, and a cell's pixel is hit-tested
// to that cell. Returns the first failure, empty when all hold.
inline std::string SynCheckRoundTrips(TCustomSynPad& E) {
  for (int line = 1; line <= E.LineCount(); ++line) {
    const int len = static_cast<int>(E.LineText(line).size());
    TDisplayCoord prev{0, 0};
    // A wrapped row ends where its text ends, so past the end only without wrap.
    for (int ch = 1; ch <= len + (E.WordWrap() ? 1 : 3); ++ch) {
      const TBufferCoord b{ch, line};
      const TDisplayCoord d = E.BufferToDisplayPos(b);
      std::ostringstream where;
      where << "wrap " << E.WordWrap() << " position " << ch << "," << line << " display " << d.Column << "," << d.Row;
      if (E.DisplayToBufferPos(d) != b) return "no round trip at " + where.str();
      if (!(d.Row > prev.Row || (d.Row == prev.Row && d.Column > prev.Column))) return "not growing at " + where.str();
      prev = d;
      int x = 0, y = 0;
      E.RowColumnToPixels(d, x, y);
      if (y >= 0 && E.PixelsToRowColumn(x, y) != d) return "pixel hit test off at " + where.str();
    }
  }
  return {};
}
