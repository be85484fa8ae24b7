// The print engine: lays a list of wide-text lines out on pages of fixed-height text lines inside
// the margins, wraps long lines at break characters, prints optional line numbers, colours tokens
// through a highlighter, and draws a header and a footer on every page. It prints to the platform's
// printer (Print, PrintRange) or renders one page on any canvas (PrepareCanvas, then
// RenderPageOnCanvas), which is how the preview shows it.
//
// Layout happens once per PrepareCanvas (page count, printing and preview reuse it); rendering a page
// never lays out again. Everything is measured in pixels of the target canvas, with every font at
// the printer's resolution, so a screen canvas lays out as the printer would.
//
// Text sits on a grid of cells CharWidth wide, CharWidth being the advance of "W" in the print font
// (in its widest style): the column count, the wrap cuts and the drawing all use that one width. A
// character takes ceil(width / CharWidth) cells and at least one; a control character takes one
// and prints blank, as the editor shows it. Lines are wrapped so that no printed line runs past the
// right edge; with wrapping off a line is clipped there. The rows of a wrapped line that do not fit
// above the bottom margin continue at the top of the next page.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadMiscClasses.h"
#include "editor/SynUnicode.h"
#include "platform/Canvas.h"
#include "printing/SynPadPrintHeaderFooter.h"
#include "printing/SynPadPrintMargins.h"
#include "printing/SynPadPrintTypes.h"
#include "printing/SynPadPrinterInfo.h"

class TSynPadPrint;
class TCustomSynPad;

using TPrintLineEvent = std::function<void(TSynPadPrint* Sender, int LineNumber, int PageNumber)>;
using TPrintStatusEvent =
    std::function<void(TSynPadPrint* Sender, TSynPrintStatus Status, int PageNumber, bool& Abort)>;

// How a selection covers its lines.
enum TSynPrintSelectionMode { psmNormal = 0, psmLine = 1, psmColumn = 2 };

// What printing takes from an editor: its lines (before tab expansion), highlighter, font, tab width
// and selection. The editor control hands one of these to SetSynPad.
struct TSynPadPrintSource {
  const TWideStrings* Lines = nullptr;
  TSynCustomHighlighter* Highlighter = nullptr;
  const TSynFont* Font = nullptr;
  int TabWidth = 8;
  bool SelAvail = false;
  TBufferCoord BlockBegin;
  TBufferCoord BlockEnd;
  TSynPrintSelectionMode SelectionMode = psmNormal;
  // A column block as the editor takes it: each line's characters [first, second) from BlockBegin's
  // line on (buffer chars). Empty: the same characters of every line.
  std::vector<std::pair<int, int>> ColumnParts;
};

// The print job's options: the engine keeps one of these, and the page-setup model and dialog take
// and give it back whole, so an option lives here and where it is used, not in a chain of copies.
// The tab width is not one of them: it must be set before the lines, which are expanded with it.
struct TSynPadPrintOptions {
  int Copies = 1;
  std::u16string Title;     // the "$TITLE$" macro value, and the job name when DocTitle is empty
  std::u16string DocTitle;  // the job name when not empty
  bool Wrap = true;
  bool Highlight = true;
  bool SelectedOnly = false;
  bool Colors = false;
  bool LineNumbers = false;
  bool LineNumbersInMargin = false;
  int LineOffset = 0;           // added to printed line numbers
  int PageOffset = 0;           // added to the page number the header and footer show
  TColor Color = syn::clWhite;  // page and token background

  bool operator==(const TSynPadPrintOptions&) const = default;
};

class TSynPadPrint {
 public:
  TSynPadPrint();
  virtual ~TSynPadPrint();
  TSynPadPrint(const TSynPadPrint&) = delete;
  TSynPadPrint& operator=(const TSynPadPrint&) = delete;

  // ---- properties ----
  const TSynPadPrintOptions& Options() const { return fOptions; }
  void SetOptions(const TSynPadPrintOptions& Value) { fOptions = Value; }
  int Copies() const { return fOptions.Copies; }
  void SetCopies(int Value) { fOptions.Copies = Value; }
  THeader& Header() { return fHeader; }
  void SetHeader(const THeaderFooter& Value) { fHeader.Assign(Value); }
  TFooter& Footer() { return fFooter; }
  void SetFooter(const THeaderFooter& Value) { fFooter.Assign(Value); }
  TSynPadPrintMargins& Margins() { return fMargins; }
  void SetMargins(const TSynPadPrintMargins& Value) { fMargins.Assign(Value); }
  // The lines as printed: tabs expanded with the current TabWidth (set TabWidth first).
  const TWideStringList& Lines() const { return fLines; }
  void SetLines(const TWideStrings& Value);
  void SetLines(const std::vector<std::u16string>& Value);
  const TSynFont& Font() const { return fFont; }
  void SetFont(const TSynFont& Value);
  const std::u16string& Title() const { return fOptions.Title; }
  void SetTitle(std::u16string Value) { fOptions.Title = std::move(Value); }
  const std::u16string& DocTitle() const { return fOptions.DocTitle; }
  void SetDocTitle(std::u16string Value) { fOptions.DocTitle = std::move(Value); }
  bool Wrap() const { return fOptions.Wrap; }
  void SetWrap(bool Value) { fOptions.Wrap = Value; }
  bool Highlight() const { return fOptions.Highlight; }
  void SetHighlight(bool Value) { fOptions.Highlight = Value; }
  bool SelectedOnly() const { return fOptions.SelectedOnly; }
  void SetSelectedOnly(bool Value) { fOptions.SelectedOnly = Value; }
  bool Colors() const { return fOptions.Colors; }
  void SetColors(bool Value) { fOptions.Colors = Value; }
  bool LineNumbers() const { return fOptions.LineNumbers; }
  void SetLineNumbers(bool Value) { fOptions.LineNumbers = Value; }
  int LineOffset() const { return fOptions.LineOffset; }
  void SetLineOffset(int Value) { fOptions.LineOffset = Value; }
  int PageOffset() const { return fOptions.PageOffset; }
  void SetPageOffset(int Value) { fOptions.PageOffset = Value; }
  bool LineNumbersInMargin() const { return fOptions.LineNumbersInMargin; }
  void SetLineNumbersInMargin(bool Value) { fOptions.LineNumbersInMargin = Value; }
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value) { fTabWidth = Value; }
  TColor Color() const { return fOptions.Color; }
  void SetColor(TColor Value) { fOptions.Color = Value; }
  // Not owned.
  TSynCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TSynCustomHighlighter* Value);

  // Reported once for each source line printed, on the page that prints its first row.
  TPrintLineEvent OnPrintLine;
  TPrintStatusEvent OnPrintStatus;

  // Takes highlighter, font, tab width, lines and selection from an editor, in that order (the tab
  // width must be set before the lines are expanded).
  void SetSynPad(const TSynPadPrintSource& Editor);
  // The same from the editor control itself; a font the editor sizes in screen pixels is taken at the
  // same size in points.
  void SetSynPad(const TCustomSynPad& Editor);

  // The selection to print with SelectedOnly: buffer positions (Char and Line from 1) in
  // SourceLines, the lines before tab expansion; they are mapped through the same expansion. Without
  // SourceLines the positions are taken as positions in Lines.
  // A column block's ColumnParts, where given, are each line's characters, mapped the same way.
  void SetSelection(bool Available, TBufferCoord Begin, TBufferCoord End, TSynPrintSelectionMode Mode,
                    const TWideStrings* SourceLines = nullptr,
                    const std::vector<std::pair<int, int>>* ColumnParts = nullptr);

  // ---- operations ----
  // The page count of the last layout; without one, lays out on a measuring canvas first (0 when
  // the platform has none). A layout that cannot be made raises ESynPrintError.
  int PageCount();
  TSynPadPrinterInfo& PrinterInfo() { return fPrinterInfo; }
  void Print() { PrintRange(1, -1); }
  // Prints pages StartPage..EndPage (-1: the last) Copies times, collated. The range is clamped to
  // the pages the printer's own layout gives; a range with no page raises ESynPrintError. The
  // layout and the range are checked on a measuring canvas before the printer's document is begun,
  // so a refused job never touches the output. Any exception aborts the job.
  void PrintRange(int StartPage, int EndPage);
  // Makes Canvas current, reads the printer's geometry and lays the pages out.
  void PrepareCanvas(platform::ICanvas& Canvas);
  // Renders page PageNumber (1..PageCount of the last layout) on Canvas; raises EStringListError
  // outside that range.
  void RenderPageOnCanvas(platform::ICanvas& Canvas, int PageNumber);

  // ---- layout results ----
  int CharWidth() const { return fCharWidth; }
  int LineHeight() const { return fLineHeight; }
  int MaxWidth() const { return fMaxWidth; }
  int MaxCol() const { return fMaxCol; }
  bool PagesCounted() const { return fPagesCounted; }
  // The pages of the last layout, 0 when there is none (never lays out).
  int LaidOutPageCount() const { return fPagesCounted ? static_cast<int>(fPages.size()) : 0; }
  // First source line (0-based) of page Page (1-based) of the last layout, and the first printed
  // row of that line on the page (0 unless the line began on an earlier page).
  int PageFirstLine(int Page) const { return fPages.at(static_cast<size_t>(Page - 1)).FirstLine; }
  int PageFirstRow(int Page) const { return fPages.at(static_cast<size_t>(Page - 1)).FirstRow; }
  // Break positions of a line as the layout wraps it (empty when it fits or wrapping is off).
  TWrapList WrapPositions(std::u16string_view Line);

 protected:
  virtual void PrintStatus(TSynPrintStatus Status, int PageNumber, bool& Abort);
  virtual void PrintLine(int LineNumber, int PageNumber);

 private:
  void PrepareLayout();
  // Raises ESynPrintError when pages StartPage..EndPage hold none of the last layout's pages.
  void CheckPageRange(int StartPage, int EndPage) const;
  void ScanLineRanges();
  void PaginateLines();
  void RenderPage(int PageNumber);
  // Prints rows RowFrom..RowTo-1 of line Index from the current position.
  void RenderLine(int Index, std::u16string_view Text, int RowFrom, int RowTo);
  void RenderLineNumber();
  // fCells holds the cells of Text.
  void RenderLineText(int Index, std::u16string_view Text, const TWrapList& List, int RowFrom, int RowTo);
  void DrawCellText(int X, long long Y, std::u16string_view Text, size_t From, size_t To, TColor Background);
  // Pieces of a line waiting to be drawn together with their neighbours of the same style.
  void QueueRun(int X, long long Y, size_t From, size_t To, TFontStyles Style, TColor Foreground, TColor Background,
                std::u16string_view Text);
  void FlushRun(std::u16string_view Text);
  std::u16string PadWideGlyphs(std::u16string_view Text);
  // Fills fCells with the prefix sums of the cells of Text (size Text.size() + 1).
  void ComputeCells(std::u16string_view Text);
  int CellsOfChar(std::u16string_view Text, size_t I);
  // WrapPositions of a line whose cells fCells already holds.
  TWrapList WrapMeasuredLine(std::u16string_view Line);
  // The text of line Index to print (SelectedOnly: the selected part).
  std::u16string_view LineText(int Index) const;
  bool LineSelected(int Index) const;
  // The line number whose text ("-12", "345") is the longest: the room for numbers fits it.
  int WidestLineNumber() const;
  // Refuses margins that are negative.
  void CheckMargins() const;
  platform::TCanvasFont PrintFont(TFontStyles Style, TColor Color) const;
  void SetCanvasFont(TFontStyles Style, TColor Color);

  TSynPadPrintOptions fOptions;
  THeader fHeader;
  TFooter fFooter;
  TSynPadPrintMargins fMargins;
  TWideStringList fLines;
  std::vector<std::intptr_t> fRanges;  // highlighter range at the start of each line
  TSynFont fFont{"Courier New", 10};
  int fTabWidth = 8;
  TSynCustomHighlighter* fHighlighter = nullptr;
  TSynPadPrinterInfo fPrinterInfo;

  platform::ICanvas* fCanvas = nullptr;
  int fCharWidth = 0;
  int fLineHeight = 0;
  int fMaxWidth = 0;
  int fMaxCol = 0;
  int fPageCount = 0;
  std::vector<TPageLine> fPages;
  long long fYPos = 0;
  bool fPrinting = false;
  bool fAbort = false;
  bool fRangesScanned = false;
  bool fPagesCounted = false;
  bool fUseHighlighting = false;
  int fLineNumber = 0;
  TColor fFontColor = syn::clBlack;
  int fPpi = 300;

  bool fSelAvail = false;
  TBufferCoord fBlockBegin;
  TBufferCoord fBlockEnd;
  TSynPrintSelectionMode fSelMode = psmNormal;
  // Column mode with the lines before tab expansion given: the selected part of each line of the
  // block (index: line - BlockBegin.Line) as [first, last) positions in the printed line.
  std::vector<std::pair<int, int>> fColumnParts;

  // Cells of each BMP code unit in the print font of the current layout (0: not measured yet).
  std::vector<std::uint8_t> fCellCache;
  std::vector<int> fCells;      // prefix sums of the line being laid out or drawn
  std::vector<int> fAdvances;   // per-character advances handed to the canvas
  std::u16string fBlankedText;  // a piece with its control characters made blanks
  platform::TCanvasFont fCanvasFont;
  bool fCanvasFontValid = false;
  struct TPendingRun {
    bool active = false;
    int x = 0;
    long long y = 0;
    size_t from = 0, to = 0;
    TFontStyles style = 0;
    TColor foreground = 0, background = 0;
  } fPending;
  std::array<int, 128> fNumberWidths{};  // widths of the characters of line numbers (-1: not measured)
};
