#include "editor/SynPadMiscProcs.h"

#include <algorithm>
#include <cctype>

#include "editor/SynPadHighlighter.h"
#include "platform/Colors.h"

int MinMax(int x, int mi, int ma) {
  x = std::min(x, ma);
  return std::max(x, mi);
}

void SwapInt(int& l, int& r) {
  std::swap(l, r);
}

TSynPoint MinPoint(const TSynPoint& P1, const TSynPoint& P2) {
  if (P2.Y < P1.Y || (P2.Y == P1.Y && P2.X < P1.X)) return P2;
  return P1;
}

bool GetHasTabs(std::u16string_view Line, int& CharsBefore) {
  const size_t p = Line.find(u'\t');
  if (p == std::u16string_view::npos) {
    CharsBefore = static_cast<int>(Line.size());
    return false;
  }
  CharsBefore = static_cast<int>(p);
  return true;
}

namespace {

// Tab expansion with a stop rule; characters before the first tab are copied as they are.
template <class NextStop>
std::u16string Expand(std::u16string_view Line, bool& HasTabs, NextStop nextStop) {
  const size_t first = Line.find(u'\t');
  HasTabs = first != std::u16string_view::npos;
  if (!HasTabs) return std::u16string(Line);
  std::u16string out;
  out.reserve(Line.size() + 16);
  out.append(Line.substr(0, first));
  for (size_t i = first; i < Line.size(); ++i) {
    const char16_t c = Line[i];
    if (c == u'\t') {
      const size_t pos = out.size();
      const size_t stop = nextStop(pos);
      out.append(stop - pos, u'\t');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::u16string ConvertTabs1Ex(std::u16string_view Line, int, bool& HasTabs) {
  const size_t first = Line.find(u'\t');
  HasTabs = first != std::u16string_view::npos;
  std::u16string out(Line);
  if (HasTabs) std::replace(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(), u'\t', u' ');
  return out;
}

std::u16string ConvertTabs1(std::u16string_view Line, int TabWidth) {
  bool hasTabs;
  return ConvertTabs1Ex(Line, TabWidth, hasTabs);
}

std::u16string ConvertTabs2nEx(std::u16string_view Line, int TabWidth, bool& HasTabs) {
  const size_t w = static_cast<size_t>(TabWidth);
  return Expand(Line, HasTabs, [w](size_t pos) { return (pos + w) & ~(w - 1); });
}

std::u16string ConvertTabs2n(std::u16string_view Line, int TabWidth) {
  bool hasTabs;
  return ConvertTabs2nEx(Line, TabWidth, hasTabs);
}

std::u16string ConvertTabsEx(std::u16string_view Line, int TabWidth, bool& HasTabs) {
  const size_t w = static_cast<size_t>(std::max(TabWidth, 1));
  return Expand(Line, HasTabs, [w](size_t pos) { return pos + w - (pos % w); });
}

std::u16string ConvertTabs(std::u16string_view Line, int TabWidth) {
  bool hasTabs;
  return ConvertTabsEx(Line, TabWidth, hasTabs);
}

bool IsPowerOfTwo(int TabWidth) {
  return TabWidth >= 2 && TabWidth <= 65536 && (TabWidth & (TabWidth - 1)) == 0;
}

TConvertTabsProc SelectConvertTabsProc(int TabWidth) {
  if (TabWidth < 2) return &ConvertTabs1;
  if (IsPowerOfTwo(TabWidth)) return &ConvertTabs2n;
  return &ConvertTabs;
}

TConvertTabsProcEx SelectConvertTabsProcEx(int TabWidth) {
  if (TabWidth < 2) return &ConvertTabs1Ex;
  if (IsPowerOfTwo(TabWidth)) return &ConvertTabs2nEx;
  return &ConvertTabsEx;
}

int GetExpandedLength(std::u16string_view Line, int TabWidth) {
  const int w = std::max(TabWidth, 1);
  int len = 0;
  for (char16_t c : Line) {
    if (c == u'\t')
      len += w - (len % w);
    else
      ++len;
  }
  return len;
}

int CharIndex2CaretPos(int Index, int TabWidth, std::u16string_view Line) {
  if (Index < 2) return 1;
  int firstTab = 0;
  if (TabWidth < 2 || !GetHasTabs(Line, firstTab) || Index - 1 <= firstTab) return Index;
  // Columns of the characters before Index, from the first tab on.
  int col = firstTab;
  const int n = Index - 1;
  const int len = static_cast<int>(Line.size());
  for (int i = firstTab; i < n; ++i) {
    if (i < len && Line[i] == u'\t')
      col = (col / TabWidth + 1) * TabWidth;
    else
      ++col;
  }
  return col + 1;
}

int StrScanForCharInSet(std::u16string_view Line, int Start, const TSynCharTest& IsOfCategory) {
  const int len = static_cast<int>(Line.size());
  if (Start < 1 || Start > len) return 0;
  for (int i = Start; i <= len; ++i)
    if (IsOfCategory(Line[i - 1])) return i;
  return 0;
}

int StrRScanForCharInSet(std::u16string_view Line, int Start, const TSynCharTest& IsOfCategory) {
  const int len = static_cast<int>(Line.size());
  if (Start < 1 || Start > len) return 0;
  for (int i = Start; i >= 1; --i)
    if (IsOfCategory(Line[i - 1])) return i;
  return 0;
}

int SynCellsOfWidth(int PixelWidth, int CharWidth) {
  if (CharWidth <= 0 || PixelWidth <= CharWidth) return 1;
  return (PixelWidth + CharWidth - 1) / CharWidth;
}

int GetEOL(std::u16string_view Line) {
  for (size_t i = 0; i < Line.size(); ++i)
    if (Line[i] == 13 || Line[i] == 10 || Line[i] == 0) return static_cast<int>(i);
  return static_cast<int>(Line.size());
}

std::vector<std::u16string_view> SplitIntoLines(std::u16string_view s) {
  std::vector<std::u16string_view> out;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c != u'\r' && c != u'\n') continue;
    out.push_back(s.substr(start, i - start));
    if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  out.push_back(s.substr(start));
  return out;
}

std::u16string_view TrimRight(std::u16string_view s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t')) --n;
  return s.substr(0, n);
}

// ---------------------------------------------------------------------------------------------
// Attribute enumeration

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = std::char_traits<char>::length(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  if (s.size() < n) return false;
  return StartsWithNoCase(s.substr(s.size() - n), suffix);
}

struct Enumerator {
  std::vector<TSynCustomHighlighter*> visited;
  bool skipDuplicates;
  const THighlighterAttriProc& proc;
  void* params;

  bool Enum(TSynCustomHighlighter* h) {
    if (!h) return true;
    auto it = std::find(visited.begin(), visited.end(), h);
    if (it != visited.end()) {
      if (skipDuplicates) return true;
    } else {
      visited.push_back(h);
      it = visited.end() - 1;
    }
    const std::string cls = h->ClassName();
    int ordinal = 1;
    for (auto p = visited.begin(); p != it; ++p)
      if ((*p)->ClassName() == cls) ++ordinal;
    const std::string base = HighlighterClassNameBase(cls) + std::to_string(ordinal) + ".";

    if (auto* multi = dynamic_cast<ISynMultiHighlighterEnum*>(h)) {
      if (!Enum(multi->EnumDefaultHighlighter())) return false;
      const int n = multi->EnumSchemeCount();
      for (int i = 0; i < n; ++i) {
        if (TSynHighlighterAttributes* marker = multi->EnumSchemeMarkerAttri(i)) {
          if (!proc(h, marker, base + marker->Name() + std::to_string(i), params)) return false;
        }
        if (!Enum(multi->EnumSchemeHighlighter(i))) return false;
      }
      return true;
    }
    const int count = h->GetAttribCount();
    for (int i = 0; i < count; ++i) {
      TSynHighlighterAttributes* a = h->GetAttribute(i);
      if (!a) continue;
      if (!proc(h, a, base + a->Name(), params)) return false;
    }
    return true;
  }
};

}  // namespace

std::string HighlighterClassNameBase(const std::string& ClassName) {
  std::string base = ClassName;
  if (StartsWithNoCase(base, "TSyn"))
    base.erase(0, 4);
  else if (!base.empty() && (base[0] == 'T' || base[0] == 't'))
    base.erase(0, 1);
  if (EndsWithNoCase(base, "syn")) base.erase(base.size() - 3);
  return base;
}

bool EnumHighlighterAttributes(TSynCustomHighlighter* Highlighter, bool SkipDuplicates,
                               const THighlighterAttriProc& HighlighterAttriProc, void* Params) {
  if (!Highlighter || !HighlighterAttriProc) return false;
  Enumerator e{{}, SkipDuplicates, HighlighterAttriProc, Params};
  return e.Enum(Highlighter);
}

// ---------------------------------------------------------------------------------------------
// Whole characters

void WidenToWholeCharacters(std::u16string_view Line, int& From, int& To) {
  if (From == To) {
    From = To = SnapToCharBoundary(Line, From, TSynCharSnap::Backward);
    return;
  }
  From = SnapToCharBoundary(Line, From, TSynCharSnap::Backward);
  To = SnapToCharBoundary(Line, To, TSynCharSnap::Forward);
}

int CharsForward(std::u16string_view Line, int Char, int Count) {
  const int end = static_cast<int>(Line.size()) + 1;
  int x = std::max(1, Char);
  for (int i = 0; i < Count && x < end; ++i) x = SnapToCharBoundary(Line, x + 1, TSynCharSnap::Forward);
  return std::min(x, end);
}

int CharacterCount(std::u16string_view Text) {
  int n = 0;
  for (size_t i = 0; i < Text.size(); ++i)
    if (!SplitsSurrogatePair(Text, static_cast<int>(i) + 1)) ++n;
  return n;
}

// ---------------------------------------------------------------------------------------------
// Gradient

std::vector<TSynGradientBand> SynGradientBands(TColor StartColor, TColor EndColor, int Steps, int Left, int Top,
                                               int Right, int Bottom, bool Horizontal) {
  Steps = MinMax(Steps, 2, 256);
  const TColor s = platform::ColorToRGB(StartColor);
  const TColor e = platform::ColorToRGB(EndColor);
  const int sr = platform::GetRValue(s), sg = platform::GetGValue(s), sb = platform::GetBValue(s);
  const int dr = platform::GetRValue(e) - sr, dg = platform::GetGValue(e) - sg, db = platform::GetBValue(e) - sb;
  const int size = Horizontal ? Right - Left : Bottom - Top;
  std::vector<TSynGradientBand> bands;
  if (size <= 0) return bands;
  bands.reserve(static_cast<size_t>(Steps));
  for (int i = 0; i < Steps; ++i) {
    const int from = static_cast<int>(static_cast<long long>(i) * size / Steps);
    const int to = static_cast<int>(static_cast<long long>(i + 1) * size / Steps);
    const TColor c = platform::RGB(static_cast<std::uint8_t>(sr + i * dr / (Steps - 1)),
                                   static_cast<std::uint8_t>(sg + i * dg / (Steps - 1)),
                                   static_cast<std::uint8_t>(sb + i * db / (Steps - 1)));
    if (Horizontal)
      bands.push_back({Left + from, Top, Left + to, Bottom, c});
    else
      bands.push_back({Left, Top + from, Right, Top + to, c});
  }
  return bands;
}
