#include "printing/SynPadPrint.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "platform/CodePage.h"
#include "platform/Printer.h"

namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || c == 0x7F;
}

bool IsBreakChar(char16_t c) {
  return kPrintBreakChars1.Contains(c) || kPrintBreakChars2.Contains(c);
}

bool OnlyBlanks(std::u16string_view Text, int From, int To) {
  for (int k = From; k < To; ++k)
    if (Text[static_cast<size_t>(k)] != u' ') return false;
  return true;
}

// Further breaks so that no piece between two breaks takes more than MaxCells cells; Cells holds
// the prefix sums of the line's cells. A piece that must be cut is cut after its last break
// character that fits, else where the cells run out; blanks ending a piece may hang past the edge
// (they print nothing), so they never make a row of their own. A piece keeps at least one character.
TWrapList LimitPieceCells(std::u16string_view Text, const TWrapList& List, const std::vector<int>& Cells,
                          int MaxCells) {
  const int len = static_cast<int>(Cells.size()) - 1;
  TWrapList out;
  out.reserve(List.size());
  int start = 0;
  size_t next = 0;
  while (start < len) {
    const int end = next < List.size() ? List[next].Index : len;
    int pieceStart = start;
    int lastBreak = 0;  // position after the last break character of the current piece, 0: none
    for (int k = start; k < end; ++k) {
      // A character that would overflow the piece starts the next one (a low surrogate has no
      // cells of its own, so it never starts one).
      if (k > pieceStart && Cells[static_cast<size_t>(k + 1)] - Cells[static_cast<size_t>(pieceStart)] > MaxCells &&
          Cells[static_cast<size_t>(k + 1)] != Cells[static_cast<size_t>(k)]) {
        if (Text[static_cast<size_t>(k)] == u' ' && OnlyBlanks(Text, k, end)) break;
        const int cut = lastBreak > pieceStart ? lastBreak : k;
        out.push_back(TWrapPos{cut});
        pieceStart = cut;
        lastBreak = 0;
        k = cut - 1;  // the characters after the cut are counted again in the new piece
        continue;
      }
      if (IsBreakChar(Text[static_cast<size_t>(k)])) lastBreak = k + 1;
    }
    if (end < len) out.push_back(TWrapPos{end});
    start = end;
    ++next;
  }
  return out;
}

}  // namespace

TSynPadPrint::TSynPadPrint() : fCellCache(0x10000, 0) {
  fFont.SetColor(syn::clBlack);
}

TSynPadPrint::~TSynPadPrint() = default;

void TSynPadPrint::SetLines(const TWideStrings& Value) {
  const TConvertTabsProc convert = SelectConvertTabsProc(fTabWidth);
  fLines.BeginUpdate();
  fLines.Clear();
  fLines.SetCapacity(Value.Count());
  for (int i = 0; i < Value.Count(); ++i) {
    std::u16string line = convert(Value.Get(i), fTabWidth);
    std::replace(line.begin(), line.end(), u'\t', u' ');
    fLines.Add(line);
  }
  fLines.EndUpdate();
  fRangesScanned = false;
  fPagesCounted = false;
}

void TSynPadPrint::SetLines(const std::vector<std::u16string>& Value) {
  TWideStringList list;
  list.SetCapacity(static_cast<int>(Value.size()));
  for (const auto& line : Value) list.Add(line);
  SetLines(list);
}

void TSynPadPrint::SetFont(const TSynFont& Value) {
  fFont.Assign(Value);
  fPagesCounted = false;
}

void TSynPadPrint::SetHighlighter(TSynCustomHighlighter* Value) {
  fHighlighter = Value;
  fRangesScanned = false;
  fPagesCounted = false;
}

void TSynPadPrint::SetSynPad(const TSynPadPrintSource& Editor) {
  SetHighlighter(Editor.Highlighter);
  if (Editor.Font) SetFont(*Editor.Font);
  SetTabWidth(Editor.TabWidth);
  if (Editor.Lines) SetLines(*Editor.Lines);
  SetSelection(Editor.SelAvail, Editor.BlockBegin, Editor.BlockEnd, Editor.SelectionMode, Editor.Lines,
               Editor.ColumnParts.empty() ? nullptr : &Editor.ColumnParts);
}

void TSynPadPrint::SetSynPad(const TCustomSynPad& Editor) {
  // An editor font given as a pixel height on the screen prints at the same size in points.
  TSynFont font(Editor.Font().Name(), Editor.Font().Size());
  font.Assign(Editor.Font());
  if (font.Size() < 0) {
    const int ppi = Editor.Host() ? std::max(1, Editor.Host()->PixelsPerInch()) : 96;
    font.SetSize(std::max(1, (-font.Size() * 72 + ppi / 2) / ppi));
  }
  TSynPadPrintSource source;
  source.Lines = &Editor.Lines();
  source.Highlighter = Editor.Highlighter();
  source.Font = &font;
  source.TabWidth = Editor.TabWidth();
  source.SelAvail = Editor.SelAvail();
  source.BlockBegin = Editor.BlockBegin();
  source.BlockEnd = Editor.BlockEnd();
  static constexpr TSynPrintSelectionMode kModes[] = {psmNormal, psmLine, psmColumn};
  source.SelectionMode = kModes[Editor.ActiveSelectionMode()];
  // The editor's block covers the same screen columns on every line, not the same characters.
  if (source.SelAvail && source.SelectionMode == psmColumn)
    for (const TCustomSynPad::TCharRange& r : Editor.ColumnRanges(source.BlockBegin, source.BlockEnd))
      source.ColumnParts.emplace_back(r.From, r.To);
  SetSynPad(source);
}

void TSynPadPrint::SetSelection(bool Available, TBufferCoord Begin, TBufferCoord End, TSynPrintSelectionMode Mode,
                                const TWideStrings* SourceLines, const std::vector<std::pair<int, int>>* ColumnParts) {
  fSelAvail = Available;
  fSelMode = Mode;
  fColumnParts.clear();
  if (SourceLines) {
    // Positions count characters of the unexpanded line; the printed line has its tabs expanded, so
    // a position maps to the length of its expanded prefix.
    const TConvertTabsProc convert = SelectConvertTabsProc(fTabWidth);
    auto map = [&](TBufferCoord c) {
      if (c.Line < 1 || c.Line > SourceLines->Count() || c.Char < 1) return c;
      const std::u16string line = SourceLines->Get(c.Line - 1);
      const int inLine = std::min<int>(c.Char - 1, static_cast<int>(line.size()));
      const int beyond = c.Char - 1 - inLine;
      const int expanded =
          static_cast<int>(convert(std::u16string_view(line).substr(0, static_cast<size_t>(inLine)), fTabWidth).size());
      return TBufferCoord{expanded + beyond + 1, c.Line};
    };
    if (Mode == psmColumn && ColumnParts) {
      for (size_t i = 0; i < ColumnParts->size(); ++i) {
        const int line = Begin.Line + static_cast<int>(i);
        const auto [from, to] = (*ColumnParts)[i];
        fColumnParts.emplace_back(map(TBufferCoord{from, line}).Char, map(TBufferCoord{to, line}).Char);
      }
    } else if (Mode == psmColumn) {
      // Without the editor's parts a column block covers the same buffer characters of every line;
      // with tabs before them those stand in other printed columns on each line.
      const int left = std::min(Begin.Char, End.Char), right = std::max(Begin.Char, End.Char);
      for (int line = Begin.Line; line <= End.Line; ++line)
        fColumnParts.emplace_back(map(TBufferCoord{left, line}).Char, map(TBufferCoord{right, line}).Char);
    }
    Begin = map(Begin);
    End = map(End);
  }
  fBlockBegin = Begin;
  fBlockEnd = End;
}

std::u16string_view TSynPadPrint::LineText(int Index) const {
  std::u16string_view line = fLines.StringRef(Index);
  if (!fOptions.SelectedOnly || fSelMode == psmLine) return line;
  const int len = static_cast<int>(line.size());
  int from = 1, to = len + 1;  // 1-based, to exclusive
  const int lineNo = Index + 1;
  if (fSelMode == psmColumn) {
    const size_t part = static_cast<size_t>(lineNo - fBlockBegin.Line);
    if (lineNo >= fBlockBegin.Line && part < fColumnParts.size()) {
      from = fColumnParts[part].first;
      to = fColumnParts[part].second;
    } else {
      from = std::min(fBlockBegin.Char, fBlockEnd.Char);
      to = std::max(fBlockBegin.Char, fBlockEnd.Char);
    }
  } else {
    if (lineNo == fBlockBegin.Line) from = fBlockBegin.Char;
    if (lineNo == fBlockEnd.Line) to = fBlockEnd.Char;
  }
  from = std::clamp(from, 1, len + 1);
  to = std::clamp(to, from, len + 1);
  return line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from));
}

bool TSynPadPrint::LineSelected(int Index) const {
  return !fOptions.SelectedOnly || (Index + 1 >= fBlockBegin.Line && Index + 1 <= fBlockEnd.Line);
}

int TSynPadPrint::WidestLineNumber() const {
  // Numbers run from 1 + LineOffset to Count + LineOffset; the widest text is that of the largest or,
  // with a negative offset, the one with the most digits after its minus sign.
  const long long first = 1LL + fOptions.LineOffset,
                  last = static_cast<long long>(fLines.Count()) + fOptions.LineOffset;
  return std::to_string(first).size() > std::to_string(last).size() ? static_cast<int>(first) : static_cast<int>(last);
}

void TSynPadPrint::CheckMargins() const {
  static constexpr std::pair<TMarginValue, const char*> kNames[] = {
      {mvLeft, "left margin"},
      {mvRight, "right margin"},
      {mvTop, "top margin"},
      {mvBottom, "bottom margin"},
      {mvGutter, "gutter"},
      {mvHeader, "header distance"},
      {mvFooter, "footer distance"},
      {mvHFInternalMargin, "internal margin of header and footer"},
      {mvLeftHFTextIndent, "left indent of header and footer"},
      {mvRightHFTextIndent, "right indent of header and footer"}};
  for (const auto& [which, name] : kNames)
    if (fMargins.Millimetres(which) < 0) {
      char value[40];
      std::snprintf(value, sizeof value, "%g", fMargins.Millimetres(which));
      throw ESynPrintError(std::string("The ") + name + " is negative (" + value +
                           " mm): margins and distances cannot be negative.");
    }
}

platform::TCanvasFont TSynPadPrint::PrintFont(TFontStyles Style, TColor Color) const {
  platform::TCanvasFont d = PrintFontDesc(fFont, fPpi);
  d.Style = Style;
  d.Color = Color;
  return d;
}

void TSynPadPrint::SetCanvasFont(TFontStyles Style, TColor Color) {
  // Setting a font is costly on real devices; most tokens share their neighbour's.
  if (fCanvasFontValid && fCanvasFont.Style == Style && fCanvasFont.Color == Color) return;
  fCanvasFont = PrintFont(Style, Color);
  fCanvasFontValid = true;
  fCanvas->SetFont(fCanvasFont);
}

// ---------------------------------------------------------------------------------------------
// Layout

int TSynPadPrint::PageCount() {
  if (fPagesCounted) return fPageCount;
  std::unique_ptr<platform::ICanvas> canvas = platform::CreateMeasuringCanvas();
  if (!canvas) return 0;
  PrepareCanvas(*canvas);
  fCanvas = nullptr;
  return fPageCount;
}

void TSynPadPrint::PrepareCanvas(platform::ICanvas& Canvas) {
  fCanvas = &Canvas;
  fPrinterInfo.UpdatePrinter();
  PrepareLayout();
}

void TSynPadPrint::PrepareLayout() {
  fPagesCounted = false;
  fPageCount = 0;
  fPages.clear();
  CheckMargins();
  fFontColor = fFont.Color();
  fPpi = fPrinterInfo.YPixPerInch();
  fHeader.SetPixPrInch(fPpi);
  fFooter.SetPixPrInch(fPpi);
  fCanvasFontValid = false;
  // The cell is the advance of "W" in the widest style, so bold and italic tokens stay within their
  // cells. A font's average width is no advance of it (Noto Sans Mono's is 8% wider than every
  // glyph), so counting columns, cutting pieces and drawing all take this one width.
  SetCanvasFont(syn::fsBold | syn::fsItalic | syn::fsUnderline | syn::fsStrikeOut, fFontColor);
  const platform::TCanvasFontMetrics metrics = fCanvas->FontMetrics();
  fCharWidth = fCanvas->TextWidth(u"W");
  fLineHeight = metrics.Height + metrics.ExternalLeading;
  SetCanvasFont(fFont.Style(), fFontColor);
  fCharWidth = std::max(fCharWidth, fCanvas->TextWidth(u"W"));
  if (fCharWidth <= 0 || fLineHeight <= 0)
    throw ESynPrintError("The print font \"" + fFont.Name() + "\" at " + std::to_string(fFont.Size()) +
                         " points cannot be measured; choose another font or size.");
  std::fill(fCellCache.begin(), fCellCache.end(), std::uint8_t{0});
  fNumberWidths.fill(-1);
  fMargins.InitPage(*fCanvas, 1, fPrinterInfo, fOptions.LineNumbers, fOptions.LineNumbersInMargin, WidestLineNumber());
  PaginateLines();
  fHeader.InitPrint(*fCanvas, fPageCount, fOptions.Title, &fMargins);
  fFooter.InitPrint(*fCanvas, fPageCount, fOptions.Title, &fMargins);
  fCanvasFontValid = false;
  fUseHighlighting = fOptions.Highlight && fHighlighter && fLines.Count() > 0;
}

void TSynPadPrint::ScanLineRanges() {
  if (fRangesScanned || !fHighlighter || fLines.Count() == 0) return;
  const int count = fLines.Count();
  fRanges.assign(static_cast<size_t>(count), 0);
  fHighlighter->ResetRange();
  fRanges[0] = fHighlighter->GetRange();
  for (int i = 1; i < count; ++i) {
    fHighlighter->SetLine(fLines.StringRef(i - 1), i - 1);
    while (!fHighlighter->GetEol()) fHighlighter->Next();
    fRanges[static_cast<size_t>(i)] = fHighlighter->GetRange();
  }
  fRangesScanned = true;
}

int TSynPadPrint::CellsOfChar(std::u16string_view Text, size_t I) {
  const char16_t c = Text[I];
  if (SplitsSurrogatePair(Text, static_cast<int>(I) + 1)) return 0;  // counted with its pair
  if (SplitsSurrogatePair(Text, static_cast<int>(I) + 2))
    return SynCellsOfWidth(fCanvas->TextWidth(Text.substr(I, 2)), fCharWidth);
  std::uint8_t& cached = fCellCache[c];
  if (!cached && IsControl(c)) cached = 1;  // one blank cell, as the editor shows it
  if (!cached) {
    const char16_t one[1] = {c};
    cached = static_cast<std::uint8_t>(
        std::min(255, SynCellsOfWidth(fCanvas->TextWidth(std::u16string_view(one, 1)), fCharWidth)));
  }
  return cached;
}

void TSynPadPrint::ComputeCells(std::u16string_view Text) {
  fCells.resize(Text.size() + 1);
  fCells[0] = 0;
  for (size_t i = 0; i < Text.size(); ++i) fCells[i + 1] = fCells[i] + CellsOfChar(Text, i);
}

TWrapList TSynPadPrint::WrapPositions(std::u16string_view Line) {
  if (!fOptions.Wrap || !fCanvas) return {};
  ComputeCells(Line);
  return WrapMeasuredLine(Line);
}

TWrapList TSynPadPrint::WrapMeasuredLine(std::u16string_view Line) {
  TWrapList list;
  if (!fOptions.Wrap || static_cast<long long>(fCells.back()) * fCharWidth <= fMaxWidth) return list;
  if (!WrapText(Line, kPrintBreakChars1, fMaxCol, list)) {
    list.clear();
    if (!WrapText(Line, kPrintBreakChars2, fMaxCol, list)) {
      list.clear();
      HardCutLine(Line, fMaxCol, list);
    }
  }
  // A piece without a break character inside its window, or one of wide glyphs, would run past the
  // right edge and lose its end: it is cut where the cells run out.
  return LimitPieceCells(Line, list, fCells, fMaxCol);
}

void TSynPadPrint::PaginateLines() {
  ScanLineRanges();
  fPages.clear();
  const int width = fMargins.PRight - fMargins.PLeft;
  const int cell = fCharWidth;
  if (cell <= 0 || width < cell)
    throw ESynPrintError("Nothing fits between the margins: the text area is " + std::to_string(std::max(width, 0)) +
                         " pixels wide and one character needs " + std::to_string(cell) +
                         ". Make the left and right margins or the font smaller.");
  if (fMargins.PBottom - fMargins.PTop < fLineHeight)
    throw ESynPrintError("Nothing fits between the margins: the text area is " +
                         std::to_string(std::max(fMargins.PBottom - fMargins.PTop, 0)) +
                         " pixels high and one line needs " + std::to_string(fLineHeight) +
                         ". Make the top and bottom margins or the font smaller.");
  // As many "W" cells as fit before the edge is reached, less one.
  fMaxCol = std::max(1, (width + cell - 1) / cell - 1);
  fMaxWidth = fMaxCol * cell;
  fPageCount = 1;
  fPages.push_back(TPageLine{0});
  fYPos = fMargins.PTop;
  int first = 0, last = fLines.Count() - 1;
  if (fOptions.SelectedOnly) {
    first = std::max(0, fBlockBegin.Line - 1);
    last = std::min(last, fBlockEnd.Line - 1);
  }
  const long long height = fLineHeight;
  for (int i = first; i <= last; ++i) {
    const std::u16string_view text = LineText(i);
    const long long rows = static_cast<long long>(WrapPositions(text).size()) + 1;
    if (fYPos + height > fMargins.PBottom) {
      fYPos = fMargins.PTop;
      ++fPageCount;
      fPages.push_back(TPageLine{i, 0});
    }
    // Most lines fit where they are.
    if (fYPos + rows * height <= fMargins.PBottom) {
      fYPos += rows * height;
      continue;
    }
    // The rows that do not fit above the bottom margin continue at the top of the next page.
    for (long long row = 0;;) {
      if (fYPos + height > fMargins.PBottom) {
        fYPos = fMargins.PTop;
        ++fPageCount;
        fPages.push_back(TPageLine{i, static_cast<int>(row)});
      }
      const long long fit = (fMargins.PBottom - fYPos) / height;
      if (rows - row <= fit) {
        fYPos += (rows - row) * height;
        break;
      }
      row += fit;
      fYPos += fit * height;
    }
  }
  fPagesCounted = true;
}

// ---------------------------------------------------------------------------------------------
// Printing

void TSynPadPrint::PrintStatus(TSynPrintStatus Status, int PageNumber, bool& Abort) {
  Abort = false;
  if (OnPrintStatus) OnPrintStatus(this, Status, PageNumber, Abort);
  if (Abort && fPrinting) platform::Printer().Abort();
}

void TSynPadPrint::PrintLine(int LineNumber, int PageNumber) {
  if (OnPrintLine) OnPrintLine(this, LineNumber, PageNumber);
}

void TSynPadPrint::PrintRange(int StartPage, int EndPage) {
  if (fOptions.SelectedOnly && !fSelAvail) return;
  platform::IPrinter& printer = platform::Printer();
  fPrinting = true;
  fAbort = false;
  struct Reset {
    TSynPadPrint* self;
    ~Reset() {
      self->fPrinting = false;
      self->fCanvas = nullptr;
    }
  } reset{this};
  // A layout that cannot be made, or a range without pages, is refused before the output is
  // opened, so a file printed on earlier stays as it was.
  if (std::unique_ptr<platform::ICanvas> measuring = platform::CreateMeasuringCanvas()) {
    PrepareCanvas(*measuring);
    fCanvas = nullptr;
    CheckPageRange(StartPage, EndPage);
  }
  const std::u16string& name = fOptions.DocTitle.empty() ? fOptions.Title : fOptions.DocTitle;
  printer.SetTitle(codepage::Utf16ToUtf8(name));
  platform::ICanvas& canvas = printer.BeginDoc();
  try {
    PrintStatus(psBegin, StartPage, fAbort);
    if (fAbort) return;
    PrepareCanvas(canvas);
    // The printer's own layout decides which pages exist.
    CheckPageRange(StartPage, EndPage);
    const int last = EndPage < 0 ? fPageCount : std::min(EndPage, fPageCount);
    const int first = std::max(1, StartPage);
    const int copies = std::max(1, fOptions.Copies);
    for (int copy = 1; copy <= copies && !fAbort; ++copy) {
      for (int p = first; p <= last && !fAbort; ++p) {
        RenderPage(p);
        if ((p < last || copy < copies) && !fAbort) printer.NewPage();
      }
    }
    if (fAbort) return;  // the job was discarded when the listener asked to stop
    PrintStatus(psEnd, last, fAbort);
    if (fAbort) return;
    printer.EndDoc();
  } catch (...) {
    if (printer.Printing()) printer.Abort();
    throw;
  }
}

void TSynPadPrint::CheckPageRange(int StartPage, int EndPage) const {
  const int last = EndPage < 0 ? fPageCount : std::min(EndPage, fPageCount);
  if (std::max(1, StartPage) > last)
    throw ESynPrintError("There is nothing to print: the document has " + std::to_string(fPageCount) +
                         (fPageCount == 1 ? " page." : " pages."));
}

void TSynPadPrint::RenderPageOnCanvas(platform::ICanvas& Canvas, int PageNumber) {
  fNumberWidths.fill(-1);
  fAbort = false;
  fPrinting = false;
  fCanvas = &Canvas;
  fCanvasFontValid = false;
  RenderPage(PageNumber);
}

void TSynPadPrint::RenderPage(int PageNumber) {
  if (PageNumber < 1 || PageNumber > static_cast<int>(fPages.size())) {
    char message[64];
    std::snprintf(message, sizeof message, SListIndexError, PageNumber - 1);
    throw EStringListError(message);
  }
  PrintStatus(psNewPage, PageNumber, fAbort);
  if (fAbort) return;
  fCanvasFontValid = false;
  SetCanvasFont(fFont.Style(), fFontColor);
  fMargins.InitPage(*fCanvas, PageNumber, fPrinterInfo, fOptions.LineNumbers, fOptions.LineNumbersInMargin,
                    WidestLineNumber());
  // Filled after this page's edges are known, so mirrored pages get their own rectangle.
  fCanvas->FillRect(platform::TCanvasRect{fMargins.PLeft, fMargins.PTop, fMargins.PRight, fMargins.PBottom},
                    fOptions.Color);
  fHeader.Print(*fCanvas, PageNumber + fOptions.PageOffset);
  fCanvasFontValid = false;
  SetCanvasFont(fFont.Style(), fFontColor);
  fYPos = fMargins.PTop;
  // From where this page starts to where the next one does (a line may be split between them).
  const TPageLine start = fPages[static_cast<size_t>(PageNumber - 1)];
  const TPageLine stop = PageNumber < static_cast<int>(fPages.size()) ? fPages[static_cast<size_t>(PageNumber)]
                                                                      : TPageLine{fLines.Count(), 0};
  for (int i = start.FirstLine; i < stop.FirstLine || (i == stop.FirstLine && stop.FirstRow > 0); ++i) {
    fLineNumber = i + 1;
    if (!LineSelected(i)) continue;
    const int rowFrom = i == start.FirstLine ? start.FirstRow : 0;
    RenderLine(i, LineText(i), rowFrom, i == stop.FirstLine ? stop.FirstRow : INT_MAX);
    if (rowFrom == 0) PrintLine(i + 1, PageNumber);
  }
  fFooter.Print(*fCanvas, PageNumber + fOptions.PageOffset);
  fCanvasFontValid = false;
}

void TSynPadPrint::RenderLine(int Index, std::u16string_view Text, int RowFrom, int RowTo) {
  // The number stands beside the line's first row only.
  if (fOptions.LineNumbers && RowFrom == 0) RenderLineNumber();
  // Measured once: the wrap and the drawing both work from these cells.
  ComputeCells(Text);
  const TWrapList list = WrapMeasuredLine(Text);
  const long long top = fYPos;
  RenderLineText(Index, Text, list, RowFrom, RowTo);
  const int rows = std::min(RowTo, static_cast<int>(list.size()) + 1);
  fYPos = top + static_cast<long long>(fLineHeight) * std::max(0, rows - RowFrom);
}

void TSynPadPrint::RenderLineNumber() {
  const std::string digits = std::to_string(static_cast<long long>(fLineNumber) + fOptions.LineOffset) + ": ";
  SetCanvasFont(0, syn::clBlack);
  if (fYPos > fPrinterInfo.PrintableHeight()) return;
  // Each character at its own measured width (asking the font for a whole string costs far more).
  fAdvances.resize(digits.size());
  int width = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    int& cached = fNumberWidths[static_cast<unsigned char>(digits[i]) & 0x7F];
    if (cached < 0) {
      const char16_t one[1] = {static_cast<char16_t>(digits[i])};
      cached = fCanvas->TextWidth(std::u16string_view(one, 1));
    }
    fAdvances[i] = cached;
    width += cached;
  }
  const std::u16string text(digits.begin(), digits.end());
  const int y = static_cast<int>(fYPos);
  const platform::TCanvasRect band{fMargins.PLeft - width, y, fMargins.PLeft, y + fLineHeight};
  // A band the colour of the paper would draw nothing.
  const bool opaque = fOptions.Color != syn::clWhite;
  if (opaque) fCanvas->SetBackColor(fOptions.Color);
  fCanvas->TextOutAt(band.Left, y, opaque ? platform::kTextOpaque : 0u, &band, text, fAdvances.data());
}

std::u16string TSynPadPrint::PadWideGlyphs(std::u16string_view Text) {
  std::u16string padded;
  padded.reserve(static_cast<size_t>(fCells.back()));
  for (size_t i = 0; i < Text.size(); ++i) {
    const int cells = fCells[i + 1] - fCells[i];
    if (cells > 1) padded.append(static_cast<size_t>(cells - 1), SYN_FILLER_CHAR);
    padded += Text[i];
  }
  return padded;
}

void TSynPadPrint::QueueRun(int X, long long Y, size_t From, size_t To, TFontStyles Style, TColor Foreground,
                            TColor Background, std::u16string_view Text) {
  TPendingRun& r = fPending;
  // Neighbouring pieces in one style are drawn as one: a device pays for every text call.
  if (r.active && r.y == Y && r.to == From && r.style == Style && r.foreground == Foreground &&
      r.background == Background) {
    r.to = To;
    return;
  }
  FlushRun(Text);
  r = TPendingRun{true, X, Y, From, To, Style, Foreground, Background};
}

void TSynPadPrint::FlushRun(std::u16string_view Text) {
  TPendingRun& r = fPending;
  if (!r.active) return;
  r.active = false;
  SetCanvasFont(r.style, r.foreground);
  DrawCellText(r.x, r.y, Text, r.from, r.to, r.background);
}

void TSynPadPrint::DrawCellText(int X, long long Y, std::u16string_view Text, size_t From, size_t To,
                                TColor Background) {
  // Continuation lines of a long line may run below the sheet; nothing of them would show.
  if (Y > fPrinterInfo.PrintableHeight() || Y < -static_cast<long long>(fLineHeight)) return;
  // Only what ends within the text area is drawn; the rest of the line is never measured again.
  const long long room = static_cast<long long>(fMargins.PLeft) + fMaxWidth - X;
  size_t end = From;
  while (end < To && static_cast<long long>(fCells[end + 1] - fCells[From]) * fCharWidth <= room) ++end;
  if (end == From) return;
  fAdvances.resize(end - From);
  for (size_t k = From; k < end; ++k) fAdvances[k - From] = (fCells[k + 1] - fCells[k]) * fCharWidth;
  const int y = static_cast<int>(Y);
  const platform::TCanvasRect band{X, y, X + (fCells[end] - fCells[From]) * fCharWidth, y + fLineHeight};
  std::u16string_view piece = Text.substr(From, end - From);
  // Control characters print blank, as the editor shows them, not as the font's boxes.
  if (std::any_of(piece.begin(), piece.end(), IsControl)) {
    fBlankedText.assign(piece);
    std::replace_if(fBlankedText.begin(), fBlankedText.end(), IsControl, u' ');
    piece = fBlankedText;
  }
  // The text area was filled with Color when the page began; only other backgrounds need a band.
  if (Background == fOptions.Color) {
    fCanvas->TextOutAt(X, y, 0, &band, piece, fAdvances.data());
    return;
  }
  fCanvas->SetBackColor(Background);
  fCanvas->TextOutAt(X, y, platform::kTextOpaque, &band, piece, fAdvances.data());
}

void TSynPadPrint::RenderLineText(int Index, std::u16string_view Text, const TWrapList& List, int RowFrom, int RowTo) {
  const int left = fMargins.PLeft;
  const long long top = fYPos;
  auto xOf = [&](size_t pos, size_t lineStart) { return left + (fCells[pos] - fCells[lineStart]) * fCharWidth; };
  // Only the rows of this page are drawn; row RowFrom stands at the current position.
  int row = 0;
  auto queue = [&](size_t lineStart, size_t from, size_t to, TFontStyles style, TColor fg, TColor bg) {
    if (row < RowFrom || row >= RowTo) return;
    QueueRun(xOf(from, lineStart), top + static_cast<long long>(row - RowFrom) * fLineHeight, from, to, style, fg, bg,
             Text);
  };
  if (!fUseHighlighting) {
    size_t start = 0;
    for (size_t w = 0; w <= List.size() && row < RowTo; ++w) {
      const size_t end = w < List.size() ? static_cast<size_t>(List[w].Index) : Text.size();
      queue(start, start, end, fFont.Style(), fFontColor, fOptions.Color);
      start = end;
      ++row;
    }
    FlushRun(Text);
    return;
  }
  fHighlighter->SetRange(fRanges[static_cast<size_t>(Index)]);
  const std::u16string padded = PadWideGlyphs(Text);
  fHighlighter->SetLineExpanded(Text, padded, Index);
  size_t lineStart = 0;
  size_t wrapIdx = 0;
  const size_t len = Text.size();
  while (!fHighlighter->GetEol() && row < RowTo) {
    const size_t tokenPos = static_cast<size_t>(std::max(0, fHighlighter->GetTokenPos()));
    const size_t tokenEnd = std::min(len, tokenPos + fHighlighter->GetToken().size());
    TSynHighlighterAttributes* attr = fHighlighter->GetTokenAttribute();
    TColor fg = fFontColor, bg = fOptions.Color;
    TFontStyles style = fFont.Style();
    if (attr) {
      style = attr->Style();
      if (fOptions.Colors) {
        fg = attr->Foreground() == syn::clNone ? fFont.Color() : attr->Foreground();
        bg = attr->Background() == syn::clNone ? fOptions.Color : attr->Background();
      }
    }
    // A break at or before the token starts a new row before it.
    while (wrapIdx < List.size() && static_cast<size_t>(List[wrapIdx].Index) <= tokenPos) {
      ++wrapIdx;
      lineStart = tokenPos;
      ++row;
    }
    size_t cut = tokenPos;
    while (wrapIdx < List.size() && static_cast<size_t>(List[wrapIdx].Index) < tokenEnd) {
      const size_t wp = static_cast<size_t>(List[wrapIdx].Index);
      queue(lineStart, cut, wp, style, fg, bg);
      ++wrapIdx;
      ++row;
      lineStart = wp;
      cut = wp;
    }
    if (cut < tokenEnd) queue(lineStart, cut, tokenEnd, style, fg, bg);
    fHighlighter->Next();
  }
  FlushRun(Text);
}
