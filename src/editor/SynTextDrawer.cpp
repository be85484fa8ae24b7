#include "editor/SynTextDrawer.h"

#include <algorithm>
#include <climits>

TSynRect UnionSynRect(const TSynRect& A, const TSynRect& B) {
  if (A.Empty()) return B;
  if (B.Empty()) return A;
  return TSynRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                  std::max(A.Bottom, B.Bottom)};
}

TSynRect IntersectSynRect(const TSynRect& A, const TSynRect& B) {
  TSynRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
             std::min(A.Bottom, B.Bottom)};
  if (r.Empty()) return TSynRect{};
  return r;
}

TSynFontDesc SynFontWithStyle(const TSynFontDesc& Base, TFontStyles Style) {
  TSynFontDesc f = Base;
  f.Weight = (Style & syn::fsBold) ? 700 : 400;
  f.Italic = (Style & syn::fsItalic) != 0;
  f.Underline = (Style & syn::fsUnderline) != 0;
  f.StrikeOut = (Style & syn::fsStrikeOut) != 0;
  return f;
}

TFontStyles SynFontStyleOf(const TSynFontDesc& Font) {
  return static_cast<TFontStyles>((Font.Weight >= 600 ? syn::fsBold : 0) | (Font.Italic ? syn::fsItalic : 0) |
                                  (Font.Underline ? syn::fsUnderline : 0) | (Font.StrikeOut ? syn::fsStrikeOut : 0));
}

// ---- manager ----

TheFontsInfoManager::~TheFontsInfoManager() = default;

TheFontsInfoManager& GetFontsInfoManager() {
  static TheFontsInfoManager manager;
  return manager;
}

TheSharedFontsInfo* TheFontsInfoManager::GetFontsInfo(const TSynFontDesc& BaseFont, ISynFontMeasurer& Measurer) {
  TSynFontDesc key = BaseFont;
  key.Italic = key.Underline = key.StrikeOut = false;
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
  rec->IsTrueType = Measurer.Metrics(BaseFont).IsTrueType;
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

void TheFontsInfoManager::LockFontsInfo(TheSharedFontsInfo* FontsInfo) { ++FontsInfo->LockCount; }

void TheFontsInfoManager::UnlockFontsInfo(TheSharedFontsInfo* FontsInfo) {
  if (FontsInfo->LockCount <= 0) return;
  if (--FontsInfo->LockCount == 0)
    for (auto& pattern : FontsInfo->FontsData) pattern.HasHandle = false;
}

// ---- stock ----

TheFontStock::TheFontStock(const TSynFontDesc* InitialFont, ISynFontMeasurer& Measurer) : fMeasurer(Measurer) {
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
  const TSynTextMetrics tm = fMeasurer.Metrics(Font);
  TSynABC abc;
  int advance;
  if (fMeasurer.CharABC(Font, u'M', abc))
    advance = abc.A + abc.B + abc.C + tm.Overhang;
  else
    advance = tm.AveCharWidth;
  // The whole cell (ascent + descent), so descenders are never clipped.
  CharHeight = tm.Height;
  Ascent = tm.Ascent;
  if (DBCharAdvance) *DBCharAdvance = INT_MAX;
  return advance;
}

// ---- drawer ----

TheTextDrawer::TheTextDrawer(TFontStyles CalcExtentBaseStyle, const TSynFontDesc* BaseFont,
                             ISynFontMeasurer& Measurer)
    : fCalcExtentBaseStyle(CalcExtentBaseStyle), fCells(65536, 0) {
  if (!BaseFont) throw EheTextDrawerException(SSetBaseFontMissing);
  fStock = std::make_unique<TheFontStock>(BaseFont, Measurer);
  SetBaseFont(BaseFont);
}

TheTextDrawer::~TheTextDrawer() = default;

int TheTextDrawer::GetCharWidth() const { return std::max(1, fBaseCharWidth + fCharExtra); }

void TheTextDrawer::ResetCells() {
  std::fill(fCells.begin(), fCells.end(), 0);
  ++fCellsVersion;
}

int TheTextDrawer::MeasureCells(char16_t Ch) const {
  const TSynFontDesc f = SynFontWithStyle(fBaseFont, fCalcExtentBaseStyle);
  const int cell = GetCharWidth();
  const int w = fStock->Measurer().CharWidth(f, Ch) + (fCharExtra > 0 ? fCharExtra : 0);
  int cells = w <= cell ? 1 : (w + cell - 1) / cell;
  cells = std::clamp(cells, 1, SynMaxCellsPerChar);
  fCells[Ch] = static_cast<std::uint8_t>(cells);
  return cells;
}

int TheTextDrawer::LastCharWidth(char16_t Ch) const {
  TSynABC abc;
  if (fStock->Measurer().CharABC(CurrentFont(), Ch, abc)) return abc.A + abc.B + (abc.C >= 0 ? abc.C : 0);
  return fStock->Measurer().Metrics(CurrentFont()).AveCharWidth;
}

void TheTextDrawer::SetBaseFont(const TSynFontDesc* Value) {
  if (!Value) throw EheTextDrawerException(SSetBaseFontMissing);
  fETODist.clear();
  fBaseFont = *Value;
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

void TheTextDrawer::SetForeColor(TColor Value) { fColor = Value; }
void TheTextDrawer::SetBackColor(TColor Value) { fBkColor = Value; }

void TheTextDrawer::SetCharExtra(int Value) {
  if (Value == fCharExtra) return;
  fCharExtra = Value;
  ResetCells();
}

void TheTextDrawer::BeginDrawing(ISynCanvas* Canvas) {
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
  if (fCanvas) fCanvas->TextOut(X, Y, Text, fColor, syn::clNone);
}

void TheTextDrawer::ExtTextOut(int X, int Y, unsigned Options, TSynRect Rect, std::u16string_view Text) {
  if (!fCanvas) return;
  const int cell = GetCharWidth();
  const size_t n = Text.size();
  if (n == 0) {
    // Nothing to put on the grid: only the band.
    if (Options & ETO_OPAQUE) fCanvas->FillRect(Rect, fBkColor);
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
  fCanvas->ExtTextOut(X, Y, Options, Rect, Text, fETODist.data(), fColor, fBkColor);
}

// ---- fixed metrics ----

int TSynFixedFontMeasurer::CellWidth(const TSynFontDesc& Font) {
  const int w = Font.Size >= 0 ? (Font.Size * 8 + 5) / 10 : (-Font.Size + 1) / 2;
  return std::max(1, w);
}

int TSynFixedFontMeasurer::CellHeight(const TSynFontDesc& Font) {
  const int h = Font.Size >= 0 ? (Font.Size * 16 + 5) / 10 : -Font.Size;
  return std::max(1, h);
}

int TSynFixedFontMeasurer::CharCellsOf(char16_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6))
    return 2;
  return 1;
}

TSynTextMetrics TSynFixedFontMeasurer::Metrics(const TSynFontDesc& Font) {
  TSynTextMetrics m;
  m.Height = CellHeight(Font);
  m.Ascent = (m.Height * 3 + 2) / 4;
  m.Descent = m.Height - m.Ascent;
  m.AveCharWidth = CellWidth(Font);
  const bool mono = Font.Name.find("Mono") != std::string::npos || Font.Name.find("Courier") != std::string::npos ||
                    Font.Name.find("Fixed") != std::string::npos;
  m.FixedPitch = mono || Font.FixedPitch;
  m.MaxCharWidth = m.FixedPitch ? m.AveCharWidth : m.AveCharWidth * 2;
  return m;
}

int TSynFixedFontMeasurer::CharWidth(const TSynFontDesc& Font, char16_t Ch) { return CharCellsOf(Ch) * CellWidth(Font); }

bool TSynFixedFontMeasurer::CharABC(const TSynFontDesc& Font, char16_t Ch, TSynABC& Result) {
  Result = TSynABC{0, CharWidth(Font, Ch), 0};
  return true;
}

void TSynFixedFontMeasurer::TextExtent(const TSynFontDesc& Font, std::u16string_view Text, int& Width, int& Height) {
  Width = 0;
  for (char16_t c : Text) Width += CharWidth(Font, c);
  Height = CellHeight(Font);
}
