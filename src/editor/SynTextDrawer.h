// The editor's text drawer and font stock. Fonts are shared between editors: one process-wide
// manager keeps a record per base font (italic, underline and strike-out cleared, weight kept) and
// measuring canvas, with the sixteen style variants and their metrics; each editor's stock points
// at one record; the drawer puts text on the editor's cell grid through a canvas. Measuring goes
// through a canvas that lives as long as the editor (the screen's), drawing through the canvas of
// the paint in progress.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynCanvas.h"
#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"

class EheFontStockException : public Exception {
 public:
  using Exception::Exception;
};
class EheTextDrawerException : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SSetBaseFontMissing = "SetBaseFont: 'Value' must be specified.";
inline constexpr const char* SDeactivateFontsInfoFirst = "Call DeactivateFontsInfo before calling this.";

// Style index: bit 0 bold, bit 1 italic, bit 2 underline, bit 3 strike-out (the font style byte).
inline constexpr int SynFontStyleCount = 16;
// A glyph never takes more cells than this (word wrap keeps the same bound).
inline constexpr int SynMaxCellsPerChar = 16;

struct TheStockFontPattern {
  bool HasHandle = false;  // the platform font is realised (dropped when nobody holds the record locked)
  TSynFontDesc Font;
  int CharAdvance = 0;
  int DBCharAdvance = 0;
  int CharHeight = 0;
  int Ascent = 0;
};

struct TheSharedFontsInfo {
  int RefCount = 0;
  int LockCount = 0;
  TSynFontDesc BaseFont;
  TSynFontDesc BaseLF;  // the comparison key
  platform::ICanvas* Measurer = nullptr;
  bool IsTrueType = false;
  bool IsDBCSFont = false;
  std::array<TheStockFontPattern, SynFontStyleCount> FontsData{};
};

class TheFontsInfoManager {
 public:
  ~TheFontsInfoManager();
  // The record for the font measured by Measurer; its reference count is raised.
  TheSharedFontsInfo* GetFontsInfo(const TSynFontDesc& BaseFont, platform::ICanvas& Measurer);
  // Raises Exception "Call DeactivateFontsInfo before calling this." while the record is locked by
  // every holder.
  void ReleaseFontsInfo(TheSharedFontsInfo* FontsInfo);
  void LockFontsInfo(TheSharedFontsInfo* FontsInfo);
  void UnlockFontsInfo(TheSharedFontsInfo* FontsInfo);
  int Count() const { return static_cast<int>(fList.size()); }

 private:
  std::vector<std::unique_ptr<TheSharedFontsInfo>> fList;
};

// The process-wide manager, created on first use.
TheFontsInfoManager& GetFontsInfoManager();

class TheFontStock {
 public:
  // Raises EheFontStockException when InitialFont is missing.
  TheFontStock(const TSynFontDesc* InitialFont, platform::ICanvas& Measurer);
  virtual ~TheFontStock();
  TheFontStock(const TheFontStock&) = delete;
  TheFontStock& operator=(const TheFontStock&) = delete;

  virtual void SetBaseFont(const TSynFontDesc* Value);
  // Style below 16; anything else raises EheFontStockException.
  virtual void SetStyle(TFontStyles Value);
  virtual void ReleaseFontHandles();
  int GetCharAdvance() const { return fPSavedData->CharAdvance; }
  int GetCharHeight() const { return fPSavedData->CharHeight; }
  int GetAscent() const { return fPSavedData->Ascent; }
  int GetDBCharAdvance() const { return fPSavedData->DBCharAdvance; }
  const TheStockFontPattern& GetFontData(int Index) const { return fpInfo->FontsData.at(static_cast<size_t>(Index)); }
  const TSynFontDesc& FontHandle() const { return fCrntFont; }
  TheSharedFontsInfo* FontsInfo() const { return fpInfo; }
  platform::ICanvas& Measurer() const { return fMeasurer; }

 protected:
  // Measures "M": the advance (A + B + C + overhang) and the cell height.
  virtual int CalcFontAdvance(const TSynFontDesc& Font, int& CharHeight, int& Ascent, int* DBCharAdvance);

 private:
  void UseFontHandles();
  platform::ICanvas& fMeasurer;
  TheSharedFontsInfo* fpInfo = nullptr;
  bool fUsingFontHandles = false;
  TSynFontDesc fCrntFont;
  TheStockFontPattern* fPSavedData = nullptr;
  int fCrntStyle = -1;
};

class TheTextDrawer {
 public:
  TheTextDrawer(TFontStyles CalcExtentBaseStyle, const TSynFontDesc* BaseFont, platform::ICanvas& Measurer);
  virtual ~TheTextDrawer();
  TheTextDrawer(const TheTextDrawer&) = delete;
  TheTextDrawer& operator=(const TheTextDrawer&) = delete;

  // Base width + extra spacing, at least 1 (a zero-advance font would otherwise divide by zero).
  int GetCharWidth() const;
  int GetCharHeight() const { return fBaseCharHeight; }
  int GetAscent() const { return fStock->GetAscent(); }
  // Nested calls with the same canvas only count; another canvas while one is held raises.
  void BeginDrawing(platform::ICanvas* Canvas);
  void EndDrawing();
  bool Drawing() const { return fCanvas != nullptr; }
  void TextOut(int X, int Y, std::u16string_view Text);
  // Puts each character on the grid: ceil(measured width / cell) cells, at least 1; widens the
  // rectangle for an overhanging last glyph. With no text only the opaque band is filled.
  void ExtTextOut(int X, int Y, unsigned Options, TSynRect Rect, std::u16string_view Text);
  void SetBaseFont(const TSynFontDesc* Value);
  void SetBaseStyle(TFontStyles Value);
  void SetStyle(TFontStyles Value);
  void SetForeColor(TColor Value);
  void SetBackColor(TColor Value);
  void SetCharExtra(int Value);
  void ReleaseTemporaryResources() { fStock->ReleaseFontHandles(); }

  TColor ForeColor() const { return fColor; }
  TColor BackColor() const { return fBkColor; }
  int CharExtra() const { return fCharExtra; }
  TFontStyles BaseStyle() const { return fCalcExtentBaseStyle; }
  const TSynFontDesc& BaseFont() const { return fBaseFont; }
  const TSynFontDesc& CurrentFont() const { return fStock->FontHandle(); }
  TheFontStock& Stock() { return *fStock; }
  platform::ICanvas& Measurer() const { return fStock->Measurer(); }

  // Cells of one UTF-16 unit in the base font and measuring style, cached (the one cell rule of
  // hit-testing, painting and word wrap).
  int CharCells(char16_t Ch) const {
    const std::uint8_t c = fCells[Ch];
    return c ? c : MeasureCells(Ch);
  }
  // Changes whenever CharCells may answer differently.
  std::uint32_t CellsVersion() const { return fCellsVersion; }
  // The real width of a last glyph (A + B, + C when positive), for the overhang rule, in the
  // current style. ASCII widths are kept per style: every run a paint draws asks for one.
  int LastCharWidth(char16_t Ch) const;

 private:
  int MeasureCells(char16_t Ch) const;
  int MeasureLastCharWidth(char16_t Ch) const;
  void ResetCells();
  void ApplyFont();

  std::unique_ptr<TheFontStock> fStock;
  platform::ICanvas* fCanvas = nullptr;
  TFontStyles fCalcExtentBaseStyle;
  TSynFontDesc fBaseFont;
  int fBaseCharWidth = 0;
  int fBaseCharHeight = 0;
  std::vector<int> fETODist;
  TColor fColor = syn::clWindowText;
  TColor fBkColor = syn::clWindow;
  int fCharExtra = 0;
  int fDrawingCount = 0;
  mutable std::vector<std::uint8_t> fCells;
  std::uint32_t fCellsVersion = 1;
  // LastCharWidth of the ASCII characters by style (index style * 128 + character); -1: not measured.
  mutable std::array<int, SynFontStyleCount * 128> fLastWidths;
};

// The font of a style variant (the text colour is not part of a font here).
TSynFontDesc SynFontWithStyle(const TSynFontDesc& Base, TFontStyles Style);
TFontStyles SynFontStyleOf(const TSynFontDesc& Font);
// Measures the width of one UTF-16 unit in a font (each unit of a surrogate pair: 0).
int SynMeasureUnit(platform::ICanvas& Canvas, const TSynFontDesc& Font, char16_t Ch);
