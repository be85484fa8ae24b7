// The header above and the footer below the text of every printed page: lists of text items, each
// with its own font, line and alignment, whose text may hold macros for the page number, the page
// count, the title, the date and the time. A rule, a box and shading can frame them. The print
// engine lays each out once per layout (InitPrint) and draws it on every page (Print).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadMiscClasses.h"
#include "editor/SynPadTypes.h"
#include "printing/SynPadPrintMargins.h"

namespace platform {
class ICanvas;
struct TCanvasFont;
}  // namespace platform

// The canvas font of a font description at a resolution (pixels per inch; 0: the canvas's own).
platform::TCanvasFont PrintFontDesc(const TSynFont& Font, int PixelsPerInch);

// Roman numerals of 1..; 0 and negative numbers give empty text.
std::u16string IntToRoman(int Value);

// Expands the macros $PAGENUM$, $PAGECOUNT$, $TITLE$, $DATE$, $TIME$, $DATETIME$ and $TIMEDATE$
// (any letter case) in Text. A "$" that opens no known macro stays as it is. A text of blanks only
// gives empty text.
std::u16string ExpandHeaderFooterMacros(std::u16string_view Text, int NumPages, int PageNum, bool Roman,
                                        std::u16string_view Title, std::u16string_view Time, std::u16string_view Date);

enum THeaderFooterAlign { hfaLeft = 0, hfaRight = 1, hfaCenter = 2 };

class THeaderFooterItem {
 public:
  THeaderFooterItem() = default;
  std::u16string GetText(int NumPages, int PageNum, bool Roman, std::u16string_view Title, std::u16string_view Time,
                         std::u16string_view Date) const {
    return ExpandHeaderFooterMacros(Text, NumPages, PageNum, Roman, Title, Time, Date);
  }

  std::u16string Text;
  TSynFont Font{"Arial", 10};
  int LineNumber = 1;
  THeaderFooterAlign Alignment = hfaLeft;
  int Index = 0;
  int PixelsPerInch = 0;  // 0: the canvas's own resolution
};

struct TLineInfo {
  int LineHeight = 0;
  int MaxBaseDist = 0;
};

enum TFrameType { ftLine = 1, ftBox = 2, ftShaded = 4 };
using TFrameTypes = unsigned;

enum THeaderFooterType { hftHeader = 0, hftFooter = 1 };

class THeaderFooter {
 public:
  explicit THeaderFooter(THeaderFooterType Type);
  virtual ~THeaderFooter();
  THeaderFooter(const THeaderFooter&) = delete;
  THeaderFooter& operator=(const THeaderFooter&) = delete;

  // The new item's font copies Font, or DefaultFont when none is given. Returns its index.
  int Add(const std::u16string& Text, const TSynFont* Font, THeaderFooterAlign Alignment, int LineNumber);
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  THeaderFooterItem& Get(int Index) { return *fItems.at(static_cast<size_t>(Index)); }
  const THeaderFooterItem& Get(int Index) const { return *fItems.at(static_cast<size_t>(Index)); }
  // Every item font keeps its point size and is measured at Value pixels per inch.
  void SetPixPrInch(int Value);
  // Lays the items out: sorts them by line, numbers the lines 1, 2, ... and measures each line with
  // the items' fonts. Date and time are taken here, once for every page of the layout.
  void InitPrint(platform::ICanvas& Canvas, int NumPages, const std::u16string& Title, TSynPadPrintMargins* Margins);
  // Draws the frame and the items of page PageNum (the number shown) within the margins' edges of
  // the last InitPage. Nothing without items.
  void Print(platform::ICanvas& Canvas, int PageNum);
  void Assign(const THeaderFooter& Source);

  THeaderFooterType Type() const { return fType; }
  TFrameTypes FrameTypes() const { return fFrameTypes; }
  void SetFrameTypes(TFrameTypes Value) { fFrameTypes = Value; }
  TColor ShadedColor() const { return fShadedColor; }
  void SetShadedColor(TColor Value) { fShadedColor = Value; }
  TColor LineColor() const { return fLineColor; }
  void SetLineColor(TColor Value) { fLineColor = Value; }
  TSynFont& DefaultFont() { return fDefaultFont; }
  const TSynFont& DefaultFont() const { return fDefaultFont; }
  bool RomanNumbers() const { return fRomanNumbers; }
  void SetRomanNumbers(bool Value) { fRomanNumbers = Value; }
  bool MirrorPosition() const { return fMirrorPosition; }
  void SetMirrorPosition(bool Value) { fMirrorPosition = Value; }

  // Laid-out state, for the engine and tests.
  int FrameHeight() const { return fFrameHeight; }
  const std::vector<TLineInfo>& LineInfos() const { return fLineInfo; }

 private:
  void DrawFrame(platform::ICanvas& Canvas);

  THeaderFooterType fType;
  TFrameTypes fFrameTypes = ftLine;
  TColor fShadedColor = syn::clSilver;
  TColor fLineColor = syn::clBlack;
  std::vector<std::unique_ptr<THeaderFooterItem>> fItems;
  TSynFont fDefaultFont{"Arial", 10};
  std::u16string fDate;
  std::u16string fTime;
  int fNumPages = 0;
  TSynPadPrintMargins* fMargins = nullptr;
  std::u16string fTitle;
  int fFrameHeight = -1;
  bool fRomanNumbers = false;
  std::vector<TLineInfo> fLineInfo;
  bool fMirrorPosition = false;
};

class THeader : public THeaderFooter {
 public:
  THeader() : THeaderFooter(hftHeader) {}
};

class TFooter : public THeaderFooter {
 public:
  TFooter() : THeaderFooter(hftFooter) {}
};
