#include "editor/SynTextDrawer.h"

#include <algorithm>
#include <climits>
#include <cstring>

TSynRect UnionSynRect(const TSynRect& A, const TSynRect& B) {
  if (A.IsEmpty()) return B;
  if (B.IsEmpty()) return A;
  return TSynRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                  std::max(A.Bottom, B.Bottom)};
}

TSynRect IntersectSynRect(const TSynRect& A, const TSynRect& B) {
  TSynRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
             std::min(A.Bottom, B.Bottom)};
  if (r.IsEmpty()) return TSynRect{};
  return r;
}

TSynFontDesc SynFontWithStyle(const TSynFontDesc& Base, TFontStyles Style) {
  TSynFontDesc f = Base;
  f.Style = Style & 0x0F;
  f.Color = platform::clDefault;
  return f;
}

TFontStyles SynFontStyleOf(const TSynFontDesc& Font) {
  return static_cast<TFontStyles>(Font.Style & 0x0F);
}

int SynMeasureUnit(platform::ICanvas& Canvas, const TSynFontDesc& Font, char16_t Ch) {
  // Each unit of a surrogate pair takes a cell of its own; measured alone a unit means nothing.
  if (Ch >= 0xD800 && Ch <= 0xDFFF) return 0;
  Canvas.SetFont(Font);
  return Canvas.TextWidth(std::u16string_view(&Ch, 1));
}

// ---- manager ----

TheFontsInfoManager::~TheFontsInfoManager() = default;

TheFontsInfoManager& GetFontsInfoManager() {
  static TheFontsInfoManager manager;
  return manager;
}

TheSharedFontsInfo* TheFontsInfoManager::GetFontsInfo(const TSynFontDesc& BaseFont, platform::ICanvas& Measurer) {
  TSynFontDesc key = SynFontWithStyle(BaseFont, SynFontStyleOf(BaseFont) & syn::fsBold);
  for (auto& rec : fList) {
    if (rec->BaseLF == key && rec->Measurer == &Measurer) {
      ++rec->RefCount;
      return rec.get();
    }
  }
  auto rec = std::make_unique<TheSharedFontsInfo>();
  rec->BaseFont = BaseFont;
  rec->BaseLF = key;
  rec->Measurer = &Measurer;
  rec->IsTrueType = true;   // scalable faces only
  rec->IsDBCSFont = false;  // no double-byte code pages here
  rec->RefCount = 1;
  fList.push_back(std::move(rec));
  return fList.back().get();
}

void TheFontsInfoManager::ReleaseFontsInfo(TheSharedFontsInfo* FontsInfo) {
  if (!FontsInfo) return;
  if (FontsInfo->LockCount >= FontsInfo->RefCount) throw Exception(SDeactivateFontsInfoFirst);
  if (FontsInfo->RefCount > 1) {
    --FontsInfo->RefCount;
    return;
  }
  auto it = std::find_if(fList.begin(), fList.end(), [&](const auto& p) { return p.get() == FontsInfo; });
  if (it != fList.end()) fList.erase(it);
}

void TheFontsInfoManager::LockFontsInfo(TheSharedFontsInfo* FontsInfo) {
  ++FontsInfo->LockCount;
}

void TheFontsInfoManager::UnlockFontsInfo(TheSharedFontsInfo* FontsInfo) {
  if (FontsInfo->LockCount <= 0) return;
  if (--FontsInfo->LockCount == 0)
    for (auto& pattern : FontsInfo->FontsData) pattern.HasHandle = false;
}

// ---- stock ----

TheFontStock::TheFontStock(const TSynFontDesc* InitialFont, platform::ICanvas& Measurer) : fMeasurer(Measurer) {
  SetBaseFont(InitialFont);
}

TheFontStock::~TheFontStock() {
  if (!fpInfo) return;
  ReleaseFontHandles();
  GetFontsInfoManager().ReleaseFontsInfo(fpInfo);
}

void TheFontStock::SetBaseFont(const TSynFontDesc* Value) {
  if (!Value) throw EheFontStockException(SSetBaseFontMissing);
  TheSharedFontsInfo* info = GetFontsInfoManager().GetFontsInfo(*Value, fMeasurer);
  if (info == fpInfo) {
    GetFontsInfoManager().ReleaseFontsInfo(info);
  } else {
    if (fpInfo) {
      ReleaseFontHandles();
      GetFontsInfoManager().ReleaseFontsInfo(fpInfo);
    }
    fpInfo = info;
    fPSavedData = nullptr;
    fCrntStyle = -1;
  }
  SetStyle(SynFontStyleOf(*Value));
}

void TheFontStock::UseFontHandles() {
  if (fUsingFontHandles) return;
  GetFontsInfoManager().LockFontsInfo(fpInfo);
  fUsingFontHandles = true;
}

void TheFontStock::ReleaseFontHandles() {
  if (!fUsingFontHandles) return;
  GetFontsInfoManager().UnlockFontsInfo(fpInfo);
  fUsingFontHandles = false;
}

void TheFontStock::SetStyle(TFontStyles Value) {
  if (Value >= SynFontStyleCount) throw EheFontStockException("SetStyle: invalid style " + std::to_string(Value));
  UseFontHandles();
  TheStockFontPattern& pattern = fpInfo->FontsData[Value];
  if (!pattern.HasHandle) {
    pattern.Font = SynFontWithStyle(fpInfo->BaseLF, Value);
    int height = 0, ascent = 0, db = INT_MAX;
    pattern.CharAdvance = CalcFontAdvance(pattern.Font, height, ascent, fpInfo->IsDBCSFont ? &db : nullptr);
    pattern.CharHeight = height;
    pattern.Ascent = ascent;
    pattern.DBCharAdvance = db;
    pattern.HasHandle = true;
  }
  fPSavedData = &pattern;
  fCrntFont = pattern.Font;
  fCrntStyle = Value;
}

int TheFontStock::CalcFontAdvance(const TSynFontDesc& Font, int& CharHeight, int& Ascent, int* DBCharAdvance) {
  fMeasurer.SetFont(Font);
  const platform::TCanvasFontMetrics tm = fMeasurer.FontMetrics();
  platform::TCharABC abc;
  // Scalable faces have no overhang of their own.
  const int advance = fMeasurer.CharABC(U'M', abc) ? abc.Advance() : tm.AveCharWidth;
  // The whole cell (ascent + descent), so descenders are never clipped.
  CharHeight = tm.Height;
  Ascent = tm.Ascent;
  if (DBCharAdvance) *DBCharAdvance = INT_MAX;
  return advance;
}

// ---- drawer ----

TheTextDrawer::TheTextDrawer(TFontStyles CalcExtentBaseStyle, const TSynFontDesc* BaseFont, platform::ICanvas& Measurer)
    : fCalcExtentBaseStyle(CalcExtentBaseStyle), fCells(65536, 0) {
  if (!BaseFont) throw EheTextDrawerException(SSetBaseFontMissing);
  fStock = std::make_unique<TheFontStock>(BaseFont, Measurer);
  SetBaseFont(BaseFont);
}

TheTextDrawer::~TheTextDrawer() = default;

int TheTextDrawer::GetCharWidth() const {
  return std::max(1, fBaseCharWidth + fCharExtra);
}

void TheTextDrawer::ResetCells() {
  std::memset(fCells.data(), 0, fCells.size());
  ++fCellsVersion;
}

int TheTextDrawer::MeasureCells(char16_t Ch) const {
  const TSynFontDesc f = SynFontWithStyle(fBaseFont, fCalcExtentBaseStyle);
  const int cell = GetCharWidth();
  const int w = SynMeasureUnit(fStock->Measurer(), f, Ch) + (fCharExtra > 0 ? fCharExtra : 0);
  int cells = w <= cell ? 1 : (w + cell - 1) / cell;
  cells = std::clamp(cells, 1, SynMaxCellsPerChar);
  fCells[Ch] = static_cast<std::uint8_t>(cells);
  return cells;
}

int TheTextDrawer::LastCharWidth(char16_t Ch) const {
  if (Ch >= 128) return MeasureLastCharWidth(Ch);
  int& w = fLastWidths[static_cast<size_t>(SynFontStyleOf(CurrentFont())) * 128 + Ch];
  if (w < 0) w = MeasureLastCharWidth(Ch);
  return w;
}

int TheTextDrawer::MeasureLastCharWidth(char16_t Ch) const {
  if (Ch >= 0xD800 && Ch <= 0xDFFF) return 0;
  platform::ICanvas& m = fStock->Measurer();
  m.SetFont(CurrentFont());
  platform::TCharABC abc;
  if (m.CharABC(Ch, abc)) return abc.A + abc.B + (abc.C >= 0 ? abc.C : 0);
  return m.FontMetrics().AveCharWidth;
}

void TheTextDrawer::SetBaseFont(const TSynFontDesc* Value) {
  if (!Value) throw EheTextDrawerException(SSetBaseFontMissing);
  fETODist.clear();
  fBaseFont = *Value;
  // Every style's font follows the base font.
  fLastWidths.fill(-1);
  fStock->SetBaseFont(Value);
  fStock->SetStyle(fCalcExtentBaseStyle);
  fBaseCharWidth = fStock->GetCharAdvance();
  fBaseCharHeight = fStock->GetCharHeight();
  ResetCells();
  SetStyle(SynFontStyleOf(*Value));
}

void TheTextDrawer::SetBaseStyle(TFontStyles Value) {
  if (Value == fCalcExtentBaseStyle) return;
  fCalcExtentBaseStyle = Value;
  fETODist.clear();
  const TSynFontDesc current = fStock->FontHandle();
  fStock->SetStyle(Value);
  fBaseCharWidth = fStock->GetCharAdvance();
  fBaseCharHeight = fStock->GetCharHeight();
  ResetCells();
  fStock->SetStyle(SynFontStyleOf(current));
}

void TheTextDrawer::SetStyle(TFontStyles Value) {
  fStock->SetStyle(Value);
  ApplyFont();
}

void TheTextDrawer::ApplyFont() {
  if (fCanvas) fCanvas->SetFont(fStock->FontHandle());
}

void TheTextDrawer::SetForeColor(TColor Value) {
  fColor = Value;
}
void TheTextDrawer::SetBackColor(TColor Value) {
  fBkColor = Value;
}

void TheTextDrawer::SetCharExtra(int Value) {
  if (Value == fCharExtra) return;
  fCharExtra = Value;
  ResetCells();
}

void TheTextDrawer::BeginDrawing(platform::ICanvas* Canvas) {
  if (fCanvas == Canvas && fCanvas) {
    ++fDrawingCount;
    return;
  }
  if (fCanvas) throw EheTextDrawerException("BeginDrawing: another canvas is being drawn on");
  if (!Canvas) throw EheTextDrawerException("BeginDrawing: no canvas");
  fCanvas = Canvas;
  fDrawingCount = 1;
  ApplyFont();
}

void TheTextDrawer::EndDrawing() {
  if (fDrawingCount <= 0) return;
  if (--fDrawingCount == 0) fCanvas = nullptr;
}

void TheTextDrawer::TextOut(int X, int Y, std::u16string_view Text) {
  if (!fCanvas) return;
  fCanvas->SetTextColor(fColor);
  fCanvas->TextOutAt(X, Y, 0, nullptr, Text);
}

void TheTextDrawer::ExtTextOut(int X, int Y, unsigned Options, TSynRect Rect, std::u16string_view Text) {
  if (!fCanvas) return;
  const int cell = GetCharWidth();
  const size_t n = Text.size();
  if (n == 0) {
    // Nothing to put on the grid: only the band.
    if (Options & platform::kTextOpaque) fCanvas->FillRect(Rect, fBkColor);
    return;
  }
  fETODist.resize(n);
  for (size_t i = 0; i < n; ++i) fETODist[i] = CharCells(Text[i]) * cell;
  // A bold or italic last glyph may reach past its cell: widen the clip so it is not cut.
  const int last = LastCharWidth(Text[n - 1]);
  if (last > fETODist[n - 1]) {
    Rect.Right += last - fETODist[n - 1];
    fETODist[n - 1] = last;
  }
  // Clipping costs the surface a state change; text that stays in its rectangle needs none.
  if (Options & platform::kTextClipped) {
    long long right = X;
    for (int a : fETODist) right += a;
    if (X >= Rect.Left && right <= Rect.Right && Y >= Rect.Top && Y + fBaseCharHeight <= Rect.Bottom)
      Options &= ~platform::kTextClipped;
  }
  fCanvas->SetTextColor(fColor);
  fCanvas->SetBackColor(fBkColor);
  fCanvas->TextOutAt(X, Y, Options, &Rect, Text, fETODist.data());
}
