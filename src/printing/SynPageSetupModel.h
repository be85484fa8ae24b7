// What the page-setup and print-preview dialogs decide, without their windows: margins shown in a
// chosen unit and read back, header and footer items as lines of three per-line-font editors, the
// zoom a click asks for, and printing through the print dialog.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/UIServices.h"
#include "printing/SynPadPrint.h"
#include "printing/SynPadPrintPreviewModel.h"

// ---- numbers ----
// A distance as the margin edits show it in Unit: rounded to the unit's precision (hundredths of a
// millimetre, thousandths of a centimetre, ten-thousandths of an inch, tenths of a thousandth),
// without trailing zeros, "." as the decimal point.
std::string MarginText(double Value, TUnitSystem Unit);
// Reads what a user typed: blanks around it are ignored and "," counts as the decimal point; an
// empty text, anything else or a value beyond a kilometre gives no number.
std::optional<double> ParseMarginText(const std::string& Text);
// Why an edit's text is no distance: "Invalid number!", "Margins cannot be negative!", or empty when
// it is one.
std::string MarginTextError(const std::string& Text);

// ---- header and footer as editor lines ----
struct TFontLine {
  std::u16string Text;
  TSynFont Font{"Arial", 10};
};
using TFontLines = std::vector<TFontLine>;

// The lines of the three editors (left, centre, right) of a header or footer.
struct THeaderFooterLines {
  std::array<TFontLines, 3> ByAlignment;  // index: 0 left, 1 centre, 2 right
  TFontLines& Of(THeaderFooterAlign Align);
};

// Each item, in list order, becomes a new line of the editor of its alignment, with its font.
THeaderFooterLines LinesOfItems(const THeaderFooter& HeaderFooter);
// Rebuilds the items from the editors, left, centre, then right: line i of an editor becomes an item
// on line i + 1. Trailing empty lines of an editor give no items (an empty editor gives none).
void ItemsOfLines(const THeaderFooterLines& Lines, THeaderFooter& HeaderFooter);

// ---- page setup ----
class TPageSetupModel {
 public:
  // The margin edits in the dialog's order (left, right, top, bottom, gutter, header, footer,
  // internal margin, left indent, right indent).
  static constexpr std::array<TMarginValue, 10> kEditValues = {mvLeft,
                                                               mvRight,
                                                               mvTop,
                                                               mvBottom,
                                                               mvGutter,
                                                               mvHeader,
                                                               mvFooter,
                                                               mvHFInternalMargin,
                                                               mvLeftHFTextIndent,
                                                               mvRightHFTextIndent};
  struct THeaderFooterState {
    THeaderFooterLines Lines;
    TFrameTypes FrameTypes = ftLine;
    TColor LineColor = syn::clBlack;
    TColor ShadedColor = syn::clSilver;
    bool MirrorPosition = false;
    TSynFont DefaultFont{"Arial", 10};
  };

  // Fills everything from the print engine; the margins keep the unit they were last shown in.
  void SetValues(TSynPadPrint& Print);
  // Writes everything back. A margin edit that holds no distance (MarginTextError) stops the
  // margins there (those before it are taken, the mirror box still is) and its index is returned;
  // the rest is written anyway. An edit still showing the text written into it gives the exact
  // value it was written from, so showing values rounded never changes them.
  std::optional<int> GetValues(TSynPadPrint& Print) const;
  // Shows the margins in another unit: the edits are read in the unit they were written in, then
  // written in the new one. The index of an edit that holds no distance is returned (nothing
  // changes from it on).
  std::optional<int> ChangeUnits(TUnitSystem Unit);

  std::array<std::string, 10> MarginEdits;
  TUnitSystem Unit = usMM;
  bool MirrorMargins = false;
  // The engine's options, taken and given back whole; the dialog shows those it has boxes for.
  TSynPadPrintOptions Options;
  THeaderFooterState Header;
  THeaderFooterState Footer;

 private:
  // Reads the edits into Margins in its unit; the index of the first edit without a number.
  std::optional<int> ReadEdits(TSynPadPrintMargins& Margins) const;
  void WriteEdits();

  // The margins as last written to the edits, in their unit, and the texts written.
  TSynPadPrintMargins fMargins;
  std::array<std::string, 10> fShown;
};

// ---- print preview ----
// The scale a click on the preview asks for: the right (or any other) button halves it, at least
// 25 %; the left one doubles it, at most 400 %, and makes it 100 % from the whole-page view.
int ZoomClickPercent(TSynPreviewScale Mode, int Percent, bool LeftButton);
// " Page Number: n"
std::string PreviewPageText(int PageNumber);
// "Print (name)|Print the document on name"
std::string PrintHintFor(const std::string& PrinterName);

// Asks the print dialog for a range of the engine's pages (1 to its page count) and the copies,
// then prints all pages or that range; a selection range prints nothing. False when cancelled.
bool PrintWithDialog(TSynPadPrint& Print, platform::WindowHandle Owner = platform::NoWindow);
