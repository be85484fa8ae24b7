#include "editor/SynPadWordWrap.h"

#include <algorithm>
#include <cstdio>

#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynUnicode.h"

namespace {

constexpr int kMaxRow = 255;
constexpr int kLineStep = 256;
constexpr int kRowStep = 512;
constexpr int kMaxCells = 16;

void Check(bool condition, const char* what) {
  if (!condition) throw EAssertionFailed(std::string("Assertion failed (SynPadWordWrap): ") + what);
}

bool IsBlankOrTab(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

std::u16string ExpandAtWideGlyphs(std::u16string_view S, const std::function<int(char16_t)>& CharCells) {
  std::u16string out;
  out.reserve(S.size() + 8);
  for (char16_t c : S) {
    const int cells = std::clamp(CharCells(c), 1, kMaxCells);
    out.append(static_cast<size_t>(cells - 1), SynWrapFiller);
    out.push_back(c);
  }
  return out;
}

TSynWordWrapPlugin::TSynWordWrapPlugin(ISynWordWrapHost* AOwner) : fOwner(AOwner) {
  if (!fOwner) throw Exception(SSynWordWrapNotOwned);
  Reset();
}

int TSynWordWrapPlugin::CharCells(char16_t AChar) {
  std::uint8_t& cached = fCellCache[AChar];
  if (cached == 0) cached = static_cast<std::uint8_t>(std::clamp(fOwner->WrapCharCells(AChar), 1, kMaxCells));
  return cached;
}

std::u16string TSynWordWrapPlugin::WrapText(int Index) {
  std::u16string s = fOwner->WrapExpandedLine(Index);
  size_t firstWide = 0;
  while (firstWide < s.size() && CharCells(s[firstWide]) == 1) ++firstWide;
  if (firstWide == s.size()) return s;
  std::u16string out(s, 0, firstWide);
  out.reserve(s.size() + 8);
  for (size_t i = firstWide; i < s.size(); ++i) {
    out.append(static_cast<size_t>(CharCells(s[i]) - 1), SynWrapFiller);
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::uint8_t> TSynWordWrapPlugin::WrapLine(std::u16string_view S) {
  std::vector<std::uint8_t> rows;
  const int len = static_cast<int>(S.size());
  const int maxR = fMaxRowLength;
  const int minR = fMinRowLength;
  if (maxR <= 0) return rows;
  const int tabWidth = fOwner->WrapTabWidth();
  int start = 0;
  int candEnd = start + maxR;
  while (candEnd < len) {
    int rowEnd;
    if (!IsBlankOrTab(S[candEnd])) {
      // Break after the last word-break character beyond the minimum, else cut the word.
      rowEnd = candEnd;
      for (int i = candEnd - 1; i > start + minR; --i) {
        if (fOwner->WrapIsWordBreakChar(S[i])) {
          rowEnd = i + 1;
          break;
        }
      }
    } else {
      // Trailing blanks and tabs stay on the row, even beyond the maximum (up to the longest row:
      // a run of a million blanks is cut into rows, not scanned again for each of them).
      rowEnd = candEnd;
      while (rowEnd < len && rowEnd - start <= kMaxRow && IsBlankOrTab(S[rowEnd])) ++rowEnd;
    }
    if (rowEnd - start > kMaxRow) {
      rowEnd = start + kMaxRow;
      const int limit = tabWidth > 0 ? kMaxRow % tabWidth : 0;
      for (int k = 0; k < limit && rowEnd > start + 1 && S[rowEnd - 1] == u'\t'; ++k) --rowEnd;
    }
    // Keep the two halves of a surrogate pair on one row, and a wide glyph with the fillers in
    // front of it.
    const int beforeFillers = rowEnd;
    rowEnd = SnapToCharBoundary(S, rowEnd + 1, TSynCharSnap::Backward) - 1;
    while (rowEnd > start && S[rowEnd - 1] == SynWrapFiller) --rowEnd;
    if (rowEnd == start) {
      // The row held nothing but fillers or half a pair (a glyph wider than the row): take the
      // fillers and the whole character.
      rowEnd = beforeFillers;
      while (rowEnd < len && S[rowEnd] == SynWrapFiller) ++rowEnd;
      if (rowEnd < len) ++rowEnd;
      rowEnd = SnapToCharBoundary(S, rowEnd + 1, TSynCharSnap::Forward) - 1;
      rowEnd = std::min(rowEnd, start + kMaxRow);
    }
    rows.push_back(static_cast<std::uint8_t>(rowEnd - start));
    start = rowEnd;
    candEnd = start + maxR;
  }
  if (len == 0 || start < len) rows.push_back(static_cast<std::uint8_t>(len - start));
  return rows;
}

void TSynWordWrapPlugin::GrowLines(int Needed) {
  if (Needed > static_cast<int>(fLineOffsets.capacity()))
    fLineOffsets.reserve(static_cast<size_t>((Needed + kLineStep - 1) / kLineStep * kLineStep));
}

void TSynWordWrapPlugin::GrowRows(int Needed) {
  if (Needed > static_cast<int>(fRowLengths.capacity()))
    fRowLengths.reserve(static_cast<size_t>((Needed + kRowStep - 1) / kRowStep * kRowStep));
}

void TSynWordWrapPlugin::Reset() {
  const int cols = fOwner->WrapCharsInWindow();
  Check(cols >= 0, "negative visible column count");
  fMaxRowLength = static_cast<std::uint8_t>(std::min(cols, kMaxRow));
  fMinRowLength = static_cast<std::uint8_t>(std::max(fMaxRowLength - fMaxRowLength / 3, 1));
  fCellsVersion = fOwner->WrapCellsVersion();
  fCellCache.assign(65536, 0);
  fLineOffsets.clear();
  fRowLengths.clear();
  const int lines = fOwner->WrapLineCount();
  if (lines <= 0 || fMaxRowLength == 0) {
    fLineCount = 0;
    fLineOffsets.shrink_to_fit();
    fRowLengths.shrink_to_fit();
    return;
  }
  GrowLines(lines);
  fLineOffsets.resize(static_cast<size_t>(lines));
  for (int i = 0; i < lines; ++i) {
    const std::vector<std::uint8_t> rows = WrapLine(WrapText(i));
    GrowRows(static_cast<int>(fRowLengths.size() + rows.size()));
    fRowLengths.insert(fRowLengths.end(), rows.begin(), rows.end());
    fLineOffsets[i] = static_cast<int>(fRowLengths.size());
  }
  fLineCount = lines;
}

void TSynWordWrapPlugin::DisplayChanged() {
  const int cols = std::min(std::max(fOwner->WrapCharsInWindow(), 0), kMaxRow);
  if (cols != fMaxRowLength || fOwner->WrapCellsVersion() != fCellsVersion) Reset();
}

int TSynWordWrapPlugin::RowCount() const {
  return fLineCount > 0 ? fLineOffsets[fLineCount - 1] : 0;
}

int TSynWordWrapPlugin::GetRowLength(int Row) const {
  if (Row < 1 || Row > RowCount()) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "List index out of bounds (%d)", Row);
    throw EListError(buffer);
  }
  return fRowLengths[Row - 1];
}

int TSynWordWrapPlugin::LineRowStart(int Line) const {
  return Line <= 1 ? 1 : fLineOffsets[Line - 2] + 1;
}

int TSynWordWrapPlugin::LineRowCount(int Line) const {
  if (Line < 1 || Line > fLineCount) return 0;
  return fLineOffsets[Line - 1] - (Line >= 2 ? fLineOffsets[Line - 2] : 0);
}

int TSynWordWrapPlugin::ReplaceLines(int Index, int OldCount, int NewCount) {
  const int rowStart = Index > 0 ? fLineOffsets[Index - 1] : 0;
  const int oldEnd = OldCount > 0 ? fLineOffsets[Index + OldCount - 1] : rowStart;
  std::vector<std::uint8_t> newRows;
  std::vector<int> newOffsets(static_cast<size_t>(NewCount));
  for (int i = 0; i < NewCount; ++i) {
    const std::vector<std::uint8_t> rows = WrapLine(WrapText(Index + i));
    newRows.insert(newRows.end(), rows.begin(), rows.end());
    newOffsets[i] = rowStart + static_cast<int>(newRows.size());
  }
  const int delta = static_cast<int>(newRows.size()) - (oldEnd - rowStart);
  // Rows: one splice for the whole range.
  if (delta > 0) GrowRows(static_cast<int>(fRowLengths.size()) + delta);
  const size_t common = std::min(newRows.size(), static_cast<size_t>(oldEnd - rowStart));
  std::copy(newRows.begin(), newRows.begin() + static_cast<std::ptrdiff_t>(common), fRowLengths.begin() + rowStart);
  if (delta > 0)
    fRowLengths.insert(fRowLengths.begin() + rowStart + static_cast<std::ptrdiff_t>(common),
                       newRows.begin() + static_cast<std::ptrdiff_t>(common), newRows.end());
  else if (delta < 0)
    fRowLengths.erase(fRowLengths.begin() + rowStart + static_cast<std::ptrdiff_t>(common),
                      fRowLengths.begin() + oldEnd);
  // Offsets: the replaced lines, then one addition per later line.
  const int lineDelta = NewCount - OldCount;
  if (lineDelta > 0) {
    GrowLines(fLineCount + lineDelta);
    fLineOffsets.insert(fLineOffsets.begin() + Index, static_cast<size_t>(lineDelta), 0);
  } else if (lineDelta < 0) {
    fLineOffsets.erase(fLineOffsets.begin() + Index, fLineOffsets.begin() + Index - lineDelta);
  }
  std::copy(newOffsets.begin(), newOffsets.end(), fLineOffsets.begin() + Index);
  fLineCount += lineDelta;
  if (delta != 0)
    for (int i = Index + NewCount; i < fLineCount; ++i) fLineOffsets[i] += delta;
  return delta;
}

int TSynWordWrapPlugin::LinesInserted(int Index, int Count) {
  if (fMaxRowLength == 0 || Count <= 0) return 0;
  Check(Index >= 0 && Index <= fLineCount, "inserted lines outside the text");
  return ReplaceLines(Index, 0, Count);
}

int TSynWordWrapPlugin::LinesDeleted(int Index, int Count) {
  if (fMaxRowLength == 0 || Count <= 0) return 0;
  Check(Index >= 0 && Index < fLineCount, "deleted lines outside the text");
  Count = std::min(Count, fLineCount - Index);
  return ReplaceLines(Index, Count, 0);
}

int TSynWordWrapPlugin::LinesPutted(int Index, int Count) {
  if (fMaxRowLength == 0 || Count <= 0) return 0;
  Check(Index >= 0 && Index + Count <= fLineCount, "put lines outside the text");
  return ReplaceLines(Index, Count, Count);
}

TDisplayCoord TSynWordWrapPlugin::BufferToDisplayPos(const TBufferCoord& Pos) {
  Check(Pos.Char >= 1 && Pos.Line >= 1, "buffer position below 1");
  if (Pos.Line > fLineCount) return TDisplayCoord{Pos.Char, RowCount() + (Pos.Line - fLineCount)};
  const int first = LineRowStart(Pos.Line);
  const int last = fLineOffsets[Pos.Line - 1];
  int sum = 0;
  for (int row = first; row <= last; ++row) {
    const int len = fRowLengths[row - 1];
    sum += len;
    if (sum >= Pos.Char) return TDisplayCoord{len + (Pos.Char - sum), row};
  }
  return TDisplayCoord{fRowLengths[last - 1] + (Pos.Char - sum), last};
}

TBufferCoord TSynWordWrapPlugin::DisplayToBufferPos(const TDisplayCoord& Pos) {
  Check(Pos.Column >= 1 && Pos.Row >= 1, "display position below 1");
  const int rows = RowCount();
  if (Pos.Row > rows) return TBufferCoord{Pos.Column, fLineCount + (Pos.Row - rows)};
  // The first line whose offset is not below the row.
  const auto it = std::lower_bound(fLineOffsets.begin(), fLineOffsets.begin() + fLineCount, Pos.Row);
  const int line = static_cast<int>(it - fLineOffsets.begin()) + 1;
  const int first = LineRowStart(line);
  const int rowLen = fRowLengths[Pos.Row - 1];
  // On the line's last row the caret may stand past the maximum width (and past trailing blanks
  // that hang beyond it); on an inner row only one past the row's text.
  const int limit = Pos.Row == *it ? std::max<int>(rowLen, fMaxRowLength) + 1 : rowLen + 1;
  int ch = std::min(Pos.Column, limit);
  for (int row = first; row < Pos.Row; ++row) ch += fRowLengths[row - 1];
  return TBufferCoord{ch, line};
}
