// Small routines shared by the editor, the line buffer, the highlighters and the print engine:
// clamping, tab expansion, index/column conversion, character scans, enumeration of highlighter
// attributes under unique names, and the band arithmetic of the gradient fill.
#pragma once

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

// Whether a position Units code units into Text lies between the two halves of a surrogate pair,
// where no caret, selection end or row break may stand (each half alone is lost on saving).
inline bool SplitsSurrogatePair(std::u16string_view Text, int Units) {
  return Units > 0 && Units < static_cast<int>(Text.size()) && Text[static_cast<size_t>(Units) - 1] >= 0xD800 &&
         Text[static_cast<size_t>(Units) - 1] <= 0xDBFF && Text[static_cast<size_t>(Units)] >= 0xDC00 &&
         Text[static_cast<size_t>(Units)] <= 0xDFFF;
}

// Whole characters: a surrogate pair is one character and no position ever stands between its two
// halves. Positions are buffer chars (from 1); a position outside the line is returned as it is.
bool IsHighSurrogateUnit(char16_t c);
bool IsLowSurrogateUnit(char16_t c);
// Char, or the start of the pair whose second half it stands on.
int CharStartAtOrBefore(std::u16string_view Line, int Char);
// Char, or the position after the pair whose second half it stands on.
int CharEndAtOrAfter(std::u16string_view Line, int Char);
// The range [From, To) widened outward to whole characters.
void WidenToWholeCharacters(std::u16string_view Line, int& From, int& To);
// A match [From, To) a search engine found, taken whole: widened outward, or, when it is empty,
// moved back off the middle of a pair (a regular expression's dot takes one unit).
void WidenMatchToWholeCharacters(std::u16string_view Line, int& From, int& To);
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
