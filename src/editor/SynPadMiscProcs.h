// Small routines shared by the editor, the line buffer, the highlighters and the print engine:
// clamping, tab expansion, index/column conversion, character scans, enumeration of highlighter
// attributes under unique names, and the band arithmetic of the gradient fill.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadTypes.h"

class TSynCustomHighlighter;
class TSynHighlighterAttributes;

int MinMax(int x, int mi, int ma);
void SwapInt(int& l, int& r);
// Of two (column, line) positions the one that comes first; the first one when equal.
TSynPoint MinPoint(const TSynPoint& P1, const TSynPoint& P2);

// Whether the line has a tab; CharsBefore receives the number of characters before the first tab
// (the whole length when there is none, 0 for an empty line).
bool GetHasTabs(std::u16string_view Line, int& CharsBefore);

// Tab expansion. Tabs become runs of tab characters up to the next tab stop (positions from 0), or
// one blank each for widths below 2. The Ex forms report whether the line had a tab; a line without
// a tab comes back unchanged.
using TConvertTabsProc = std::u16string (*)(std::u16string_view Line, int TabWidth);
using TConvertTabsProcEx = std::u16string (*)(std::u16string_view Line, int TabWidth, bool& HasTabs);

std::u16string ConvertTabs1(std::u16string_view Line, int TabWidth);
std::u16string ConvertTabs1Ex(std::u16string_view Line, int TabWidth, bool& HasTabs);
std::u16string ConvertTabs2n(std::u16string_view Line, int TabWidth);
std::u16string ConvertTabs2nEx(std::u16string_view Line, int TabWidth, bool& HasTabs);
std::u16string ConvertTabs(std::u16string_view Line, int TabWidth);
std::u16string ConvertTabsEx(std::u16string_view Line, int TabWidth, bool& HasTabs);

// True for 2, 4, 8 ... 65536.
bool IsPowerOfTwo(int TabWidth);
TConvertTabsProc SelectConvertTabsProc(int TabWidth);
TConvertTabsProcEx SelectConvertTabsProcEx(int TabWidth);

// The length the general expansion would give.
int GetExpandedLength(std::u16string_view Line, int TabWidth);
// Display column (from 1) of a character index (from 1).
int CharIndex2CaretPos(int Index, int TabWidth, std::u16string_view Line);

using TSynCharTest = std::function<bool(char16_t)>;
// First index (from 1) at or after Start whose character passes the test; 0 when none or when
// Start lies outside 1 .. length. The R form scans backwards to index 1.
int StrScanForCharInSet(std::u16string_view Line, int Start, const TSynCharTest& IsOfCategory);
int StrRScanForCharInSet(std::u16string_view Line, int Start, const TSynCharTest& IsOfCategory);

// The one cell rule of the editor, its painting and the print engine: a character occupies
// ceil(measured width / char width) cells, and at least 1 (zero-width characters included).
int SynCellsOfWidth(int PixelWidth, int CharWidth);

// Index of the first CR, LF or NUL (the length when there is none).
int GetEOL(std::u16string_view Line);

// The pieces of a text between its line breaks (CR LF, CR and LF are one break each).
std::vector<std::u16string_view> SplitIntoLines(std::u16string_view s);
// The text without its trailing blanks and tabs.
std::u16string_view TrimRight(std::u16string_view s);

// Whole characters: a surrogate pair is one character, and no caret, selection end, row break or
// replaced range ever stands between its two halves (each half alone is lost on saving). These are
// the one place the editor, its word wrap, its search and its printing take such positions from.
// Positions are buffer chars (from 1: Char stands before unit Char - 1 of the line); a position
// outside the line is returned as it is.
constexpr bool IsHighSurrogateUnit(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogateUnit(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
// Whether Char stands between the two halves of a pair.
inline bool SplitsSurrogatePair(std::u16string_view Line, int Char) {
  return Char > 1 && Char <= static_cast<int>(Line.size()) &&
         IsHighSurrogateUnit(Line[static_cast<size_t>(Char) - 2]) &&
         IsLowSurrogateUnit(Line[static_cast<size_t>(Char) - 1]);
}
// Which way a position between the two halves of a pair goes to reach a whole character.
enum class TSynCharSnap : std::uint8_t { Backward, Forward };
// Char, or, when it splits a pair, the boundary before the pair (Backward) or after it (Forward).
inline int SnapToCharBoundary(std::u16string_view Line, int Char, TSynCharSnap Toward = TSynCharSnap::Backward) {
  if (!SplitsSurrogatePair(Line, Char)) return Char;
  return Toward == TSynCharSnap::Forward ? Char + 1 : Char - 1;
}
// The range [From, To) widened outward to whole characters. An empty range stays empty, before the
// pair it stood in (a regular expression's empty match between the halves selects nothing).
void WidenToWholeCharacters(std::u16string_view Line, int& From, int& To);
// The position Count characters on from Char, at most the line's end + 1.
int CharsForward(std::u16string_view Line, int Char, int Count);
// How many characters the text holds (a pair counts one).
int CharacterCount(std::u16string_view Text);

// What the attribute enumeration needs of the multi-language highlighter, which implements it.
class ISynMultiHighlighterEnum {
 public:
  virtual ~ISynMultiHighlighterEnum() = default;
  virtual TSynCustomHighlighter* EnumDefaultHighlighter() const = 0;
  virtual int EnumSchemeCount() const = 0;
  virtual TSynHighlighterAttributes* EnumSchemeMarkerAttri(int Index) const = 0;
  virtual TSynCustomHighlighter* EnumSchemeHighlighter(int Index) const = 0;
};

// Receives (highlighter, attribute, unique name such as "Cpp1.Comment", params); false stops.
using THighlighterAttriProc = std::function<bool(TSynCustomHighlighter* Highlighter, TSynHighlighterAttributes* Attri,
                                                 const std::string& UniqueAttriName, void* Params)>;

bool EnumHighlighterAttributes(TSynCustomHighlighter* Highlighter, bool SkipDuplicates,
                               const THighlighterAttriProc& HighlighterAttriProc, void* Params);

// The class-name base of a unique attribute name: "TSynCppSyn" gives "Cpp".
std::string HighlighterClassNameBase(const std::string& ClassName);

// One band of a gradient fill.
struct TSynGradientBand {
  int Left, Top, Right, Bottom;  // Right and Bottom exclusive
  TColor Color;                  // 0x00BBGGRR, already resolved
};

// Bands of the gradient from StartColor to EndColor over the rectangle; system colours are resolved
// first; Steps is limited to 2..256.
std::vector<TSynGradientBand> SynGradientBands(TColor StartColor, TColor EndColor, int Steps, int Left, int Top,
                                               int Right, int Bottom, bool Horizontal);
