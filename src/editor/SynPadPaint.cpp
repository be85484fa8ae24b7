// Painting, the font cell, the window extent, the gutter width, invalidation, the caret's place
// and the scroll bars of the editor control.
#include <algorithm>
#include <climits>

#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadScopes.h"

namespace {

int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

using platform::MulDiv;

bool AllBlanks(std::u16string_view s) {
  for (char16_t c : s)
    if (c != u' ') return false;
  return true;
}

// Draws part of a bitmap at its logical size (a double-resolution bitmap is taken at every other
// pixel); pixels of Mask stay transparent.
void SynDrawBitmap(platform::ICanvas& Canvas, const TSynBitmap& Bitmap, const TSynImagePlacement& P, TColor Mask) {
  if (Bitmap.Empty() || P.Width <= 0 || P.Height <= 0) return;
  const int s = Bitmap.Scale();
  const bool masked = Mask != syn::clNone;
  const TColor m = masked ? platform::ColorToRGB(Mask) : 0;
  const std::uint32_t maskRgb = (platform::GetRValue(m) << 16) | (platform::GetGValue(m) << 8) | platform::GetBValue(m);
  platform::TCanvasImage image;
  image.Width = P.Width;
  image.Height = P.Height;
  image.Pixels.resize(static_cast<size_t>(P.Width) * P.Height);
  for (int y = 0; y < P.Height; ++y)
    for (int x = 0; x < P.Width; ++x) {
      const int sx = (P.SrcX + x) * s, sy = (P.SrcY + y) * s;
      std::uint32_t px = (sx < Bitmap.Width() && sy < Bitmap.Height()) ? Bitmap.Pixel(sx, sy) : 0;
      if (masked && (px & 0xFFFFFF) == maskRgb) px = 0;
      image.Pixels[static_cast<size_t>(y) * P.Width + x] = px;
    }
  Canvas.DrawImage(P.DestX, P.DestY, image, TSynRect{0, 0, P.Width, P.Height});
}

}  // namespace

// One paint of the text area: the state of the row being painted and the run accumulator.
struct TSynPadPainter {
  TCustomSynPad& E;
  platform::ICanvas& Canvas;
  TheTextDrawer& Drawer;
  TSynRect Clip;
  int FirstRow, LastRow, FirstCol, LastCol;
  bool DoRightEdge = false;
  int RightEdgeX = 0;
  // Selection of this paint, in display positions.
  bool AnySelection = false;
  TDisplayCoord SelStart, SelEnd;
  // A column selection: the screen columns [ColL, ColR) of the lines ColTop..ColBottom.
  int ColL = 0, ColR = 0, ColTop = 0, ColBottom = 0;
  // Line state.
  std::u16string Line;  // expanded for tabs and wide glyphs
  bool CaretLine = false;
  bool SpecialLine = false;
  TColor ColFG = 0, ColBG = 0, ColSelFG = 0, ColSelBG = 0;
  // Row state.
  int LineSelStart = 0, LineSelEnd = 0;
  bool ComplexLine = false, LineSelected = false;
  int FirstChar = 0, LastChar = 0;
  TSynRect RcLine, RcToken;
  TColor RowFilled = syn::clNone;  // the colour the row was filled with before its runs
  // Run accumulator.
  struct {
    int Len = 0;
    int CharsBefore = 0;
    std::u16string Text;
    TColor FG = 0, BG = 0;
    TFontStyles Style = 0;
  } Run;
  std::u16string Work, Draw;
  // The line column before a row's column 1 in the text the row's runs were cut from.
  int TextShift = 0;
  // The tokens of the line being painted, scanned once for all its rows and only as far as they
  // reach: a wrapped line's rows would otherwise each run the scanner from the line's start.
  struct TLineToken {
    int Pos = 0;
    std::u16string Text;
    TSynHighlighterAttributes* Attr = nullptr;
  };
  std::vector<TLineToken> Tokens;
  int TokensLine = 0;        // the line Tokens belong to (0: none)
  size_t TokensBefore = 0;   // leading tokens that end before the first column of the rows to come
  int TokensBeforeChar = 0;  // the row start TokensBefore was counted for

  TSynPadPainter(TCustomSynPad& AEditor, platform::ICanvas& ACanvas)
      : E(AEditor), Canvas(ACanvas), Drawer(*AEditor.fTextDrawer) {}

  int X(int Col) const { return ClampToInt((static_cast<long long>(Col) - 1) * E.fCharWidth + E.fTextOffset); }

  void SetDrawingColors(bool Selected) {
    if (Selected) {
      Drawer.SetForeColor(ColSelFG);
      Drawer.SetBackColor(ColSelBG);
    } else {
      Drawer.SetForeColor(ColFG);
      Drawer.SetBackColor(ColBG);
    }
  }
  TColor BrushColor(bool Selected) const { return Selected ? ColSelBG : ColBG; }

  void ComputeSelection() {
    AnySelection = false;
    if (E.fHideSelection && !E.Focused()) return;
    TBufferCoord b = E.BlockBegin(), e = E.BlockEnd();
    if (b == e) return;
    const int firstLine = E.LineOfRow(FirstRow), lastLine = E.LineOfRow(LastRow);
    if (e.Line < firstLine || b.Line > lastLine) return;
    SelStart = E.BufferToDisplayPos(b);
    SelEnd = E.BufferToDisplayPos(e);
    if (E.fActiveSelectionMode == smLine && E.fWordWrapPlugin) {
      // Whole lines are selected: every row of them, whichever rows the two ends stand on.
      int last = 0;
      RowsOfLine(b.Line, SelStart.Row, last);
      RowsOfLine(e.Line, last, SelEnd.Row);
    }
    if (E.fActiveSelectionMode == smColumn) {
      const TCustomSynPad::TColumnSpan span = E.ColumnSpanOf(b, e);
      ColL = span.Left;
      ColR = span.Right;
      ColTop = b.Line;
      ColBottom = e.Line;
      if (ColL == ColR) return;
    }
    AnySelection = true;
  }

  // The rows of a line: [first, last].
  void RowsOfLine(int ALine, int& First, int& Last) const {
    if (!E.fWordWrapPlugin || ALine > E.fLines->Count()) {
      First = Last = E.FirstRowOfLine(ALine);
      if (E.fWordWrapPlugin && ALine > E.fLines->Count()) First = Last = std::max(1, E.DisplayRowCount() + 1);
      return;
    }
    First = E.fWordWrapPlugin->LineRowStart(ALine);
    Last = First + std::max(1, E.fWordWrapPlugin->LineRowCount(ALine)) - 1;
  }

  // Paints columns First..Last of a text whose first character stands in column CharsBefore + 1.
  void PaintToken(const std::u16string& Token, int TokenLen, int CharsBefore, int First, int Last) {
    const int cw = E.fCharWidth;
    bool doTabs = false;
    // Only the columns asked for are looked at and changed.
    const int from = std::max(1, First - CharsBefore), to = std::min(TokenLen, Last - CharsBefore);
    Work.assign(Token, 0, static_cast<size_t>(std::max(0, TokenLen)));
    for (int i = to; i >= from; --i) {
      char16_t& c = Work[static_cast<size_t>(i - 1)];
      if (c == u' ') {
        if (E.fShowSpecChar) c = SynSpaceGlyph;
      } else if (c == u'\t') {
        c = u' ';
        if (E.fShowSpecChar) doTabs = true;
      }
    }
    if (Last < First || RcToken.IsEmpty()) return;
    long long x = X(First);
    int first = First - CharsBefore;
    const int last = Last - CharsBefore;
    Draw.clear();
    if (first <= TokenLen && first >= 1) {
      int n = 0;
      while (first + n <= TokenLen && Work[static_cast<size_t>(first + n - 1)] == SynFillerChar) ++n;
      if (n > 0 && first + n <= TokenLen) {
        const int cells = E.CharCells(Work[static_cast<size_t>(first + n - 1)]);
        x -= static_cast<long long>(cw) * (cells - n - 1);
      }
      int count = std::min(last - first + 1, TokenLen - first + 1);
      if (E.fWordWrapPlugin) {
        while (count > 0 && x + static_cast<long long>(count) * cw > E.ClientWidth()) --count;
        while (count > 0 && Work[static_cast<size_t>(first + count - 2)] == SynFillerChar) --count;
      }
      // The characters without their fillers; a filler run cut by the count brings its glyph.
      int i = first;
      const int end = first + count;
      while (i < end) {
        const char16_t c = Work[static_cast<size_t>(i - 1)];
        if (c == SynFillerChar) {
          int j = i;
          while (j <= TokenLen && Work[static_cast<size_t>(j - 1)] == SynFillerChar) ++j;
          if (j <= TokenLen) Draw.push_back(Work[static_cast<size_t>(j - 1)]);
          i = j + 1;
        } else {
          Draw.push_back(c);
          ++i;
        }
      }
    }
    // The row was filled in its background once; a run on that background only puts its text.
    const unsigned opaque = Drawer.BackColor() == RowFilled ? 0u : platform::kTextOpaque;
    Drawer.ExtTextOut(ClampToInt(x), RcToken.Top, opaque | platform::kTextClipped, RcToken, Draw);
    if (doTabs) {
      // Each tab's mark is centred in the tab's own cells, found in the whole line (from where the
      // tab starts to the tab stop it reaches), so a tab on a wrapped row or one painted in parts
      // still gets one mark in one place. Columns here are the row's; TextShift turns them into
      // the line's.
      const int tw = std::max(1, E.fTabWidth);
      const long long lineLen = static_cast<long long>(Line.size());
      for (int p = std::max(1, first); p <= last && p <= TokenLen; ++p) {
        if (Token[static_cast<size_t>(p - 1)] != u'\t') continue;
        const long long at = static_cast<long long>(TextShift) + CharsBefore + p;
        const long long stop = (at + tw - 1) / tw * tw;
        long long start = at;
        while (start - 1 > stop - tw && start - 1 >= 1 && start - 1 <= lineLen &&
               Line[static_cast<size_t>(start - 2)] == u'\t')
          --start;
        const long long t = stop - start + 1;
        const long long c0 = start - TextShift;  // the tab's first cell on this row
        const long long markCol = c0 + t / 2 - (t % 2 == 0 ? 1 : 0);
        if (markCol >= std::max(First, CharsBefore + 1) &&
            markCol <= std::min<long long>(Last, CharsBefore + TokenLen)) {
          const int tx = ClampToInt(X(ClampToInt(c0 + t / 2 - 1)) + static_cast<long long>((t % 2 == 0) ? cw / 2 : cw));
          const TSynRect r{tx, RcToken.Top, tx + Drawer.GetCharWidth(), RcToken.Bottom};
          Drawer.ExtTextOut(tx, RcToken.Top, platform::kTextOpaque | platform::kTextClipped, r,
                            std::u16string_view(&SynTabGlyph, 1));
        }
        // The rest of this tab's cells get no mark of their own.
        p = static_cast<int>(std::min<long long>(stop - TextShift - CharsBefore, INT_MAX - 1));
      }
    }
    RcToken.Left = RcToken.Right;
  }

  void PaintRun(int First, int Last) { PaintToken(Run.Text, Run.Len, Run.CharsBefore, First, Last); }

  void Fill(int Right, bool Selected) {
    if (Run.Len > 0 && Run.Style != 0) {
      const int w = Drawer.LastCharWidth(Run.Text[static_cast<size_t>(Run.Len - 1)]);
      if (w > E.fCharWidth) RcToken.Left += w - E.fCharWidth;
    }
    RcToken.Right = Right;
    if (!RcToken.IsEmpty() && BrushColor(Selected) != RowFilled) Canvas.FillRect(RcToken, BrushColor(Selected));
    RcToken.Left = RcToken.Right;
  }

  void PaintHighlightToken(bool FillToEOL) {
    const int c1 = std::max(FirstCol, Run.CharsBefore + 1);
    const int c2 = std::min(LastCol, Run.CharsBefore + Run.Len + 1);
    bool u1 = false, u2 = false, sel, split = false;
    if (ComplexLine) {
      u1 = c1 < LineSelStart;
      sel = c1 < LineSelEnd && c2 >= LineSelStart;
      u2 = c2 >= LineSelEnd;
      split = sel && (u1 || u2);
    } else {
      sel = LineSelected;
    }
    if (Run.Len > 0) {
      if (!SpecialLine) {
        ColFG = Run.FG;
        ColBG = Run.BG;
      } else if (E.HasOption(eoSpecialLineDefaultFg)) {
        ColFG = Run.FG;
      }
      Drawer.SetStyle(Run.Style);
      if (split) {
        if (u1) {
          SetDrawingColors(false);
          RcToken.Right = X(LineSelStart);
          PaintRun(c1, LineSelStart);
        }
        SetDrawingColors(true);
        const int s1 = std::max(LineSelStart, c1), s2 = std::min(LineSelEnd, c2);
        RcToken.Right = X(s2);
        PaintRun(s1, s2);
        if (u2) {
          SetDrawingColors(false);
          RcToken.Right = X(c2);
          PaintRun(LineSelEnd, c2);
        }
      } else {
        SetDrawingColors(sel);
        RcToken.Right = X(c2);
        PaintRun(c1, c2);
      }
    }
    if (FillToEOL && RcToken.Left < RcLine.Right) {
      if (!SpecialLine) ColBG = E.ColorEditorBG(CaretLine);
      if (ComplexLine) {
        if (RcToken.Left < X(LineSelStart)) Fill(X(LineSelStart), false);
        if (RcToken.Left < X(LineSelEnd)) Fill(X(LineSelEnd), true);
        if (RcToken.Left < RcLine.Right) Fill(RcLine.Right, false);
      } else {
        Fill(RcLine.Right, LineSelected);
      }
    }
  }

  void AddHighlightToken(std::u16string_view Token, int CharsBefore, int TokenLen, TColor Fg, TColor Bg,
                         TFontStyles Style) {
    if (TokenLen <= 0) return;
    if (Bg == syn::clNone || (E.fActiveLineColor != syn::clNone && CaretLine)) Bg = E.ColorEditorBG(CaretLine);
    if (Fg == syn::clNone) Fg = E.fFont.Color();
    const std::u16string_view piece =
        Token.substr(0, static_cast<size_t>(std::min<int>(TokenLen, static_cast<int>(Token.size()))));
    bool canAppend = false;
    if (Run.Len > 0) {
      const bool blanks = AllBlanks(piece);
      canAppend = (Style == Run.Style || (!(Style & syn::fsUnderline) && !(Run.Style & syn::fsUnderline) && blanks)) &&
                  ((SpecialLine && !E.HasOption(eoSpecialLineDefaultFg)) || LineSelected ||
                   (Bg == Run.BG && (Fg == Run.FG || blanks)));
      if (!canAppend) PaintHighlightToken(false);
    }
    if (canAppend) {
      Run.Text.resize(static_cast<size_t>(Run.Len));
      Run.Text.append(piece);
      Run.Len += TokenLen;
    } else {
      Run.Text.assign(piece);
      Run.Len = TokenLen;
      Run.CharsBefore = CharsBefore;
      Run.FG = Fg;
      Run.BG = Bg;
      Run.Style = Style;
    }
    // A cut token may be shorter than asked; keep length and text in step.
    if (static_cast<int>(Run.Text.size()) < Run.Len)
      Run.Text.append(static_cast<size_t>(Run.Len) - Run.Text.size(), u' ');
  }

  void PaintRowPlain() {
    std::u16string text;
    const int len = static_cast<int>(Line.size());
    TextShift = 0;
    if (FirstChar != FirstCol || LastChar != LastCol) {
      const int from = std::clamp(FirstChar, 1, len + 1);
      TextShift = from - 1;
      const int n = std::clamp(LastChar - FirstChar, 0, len + 1 - from);
      text.assign(Line, static_cast<size_t>(from - 1), static_cast<size_t>(n));
    } else {
      text.assign(Line, 0, static_cast<size_t>(std::clamp(LastCol, 0, len)));
    }
    if (E.fShowSpecChar && len < LastChar) text.push_back(SynLineBreakGlyph);
    const int n = static_cast<int>(text.size());
    if (!ComplexLine) {
      SetDrawingColors(LineSelected);
      PaintToken(text, n, 0, FirstCol, LastCol);
      return;
    }
    SetDrawingColors(false);
    RcToken.Left = std::max(RcLine.Left, X(FirstCol));
    RcToken.Right = std::min(RcLine.Right, X(LineSelStart));
    PaintToken(text, n, 0, FirstCol, LineSelStart);
    RcToken.Left = std::max(RcLine.Left, X(LineSelEnd));
    RcToken.Right = std::min(RcLine.Right, X(LastCol));
    PaintToken(text, n, 0, LineSelEnd, LastCol);
    SetDrawingColors(true);
    RcToken.Left = std::max(RcLine.Left, X(LineSelStart));
    RcToken.Right = std::min(RcLine.Right, X(LineSelEnd));
    PaintToken(text, n, 0, LineSelStart, LineSelEnd - 1);
  }

  // Makes token I of the line available; false when the line ends before it.
  bool LineToken(size_t I) {
    TSynCustomHighlighter& hl = *E.fHighlighter;
    while (Tokens.size() <= I) {
      if (hl.GetEol()) return false;
      Tokens.push_back(TLineToken{hl.GetExpandedTokenPos(), hl.GetExpandedToken(), hl.GetTokenAttribute()});
      hl.Next();
    }
    return true;
  }

  void PaintRowHighlighted(int ALine, const std::u16string& TabExpanded) {
    TSynCustomHighlighter& hl = *E.fHighlighter;
    if (TokensLine != ALine) {
      if (ALine == 1)
        hl.ResetRange();
      else
        hl.SetRange(E.fLines->GetRange(ALine - 2));
      hl.SetLineExpanded(TabExpanded, Line, ALine - 1);
      Tokens.clear();
      TokensLine = ALine;
      TokensBefore = 0;
    }
    if (FirstChar < TokensBeforeChar) TokensBefore = 0;
    TokensBeforeChar = FirstChar;
    Run.Len = 0;
    int pos = 0, len = 0;
    TSynHighlighterAttributes* lastAttr = TokensBefore > 0 ? Tokens[TokensBefore - 1].Attr : nullptr;
    bool endedEarly = false;
    const int shift = FirstChar - FirstCol;
    TextShift = shift;
    const bool wrap = E.fWordWrapPlugin != nullptr;
    for (size_t i = TokensBefore; LineToken(i); ++i) {
      pos = Tokens[i].Pos;
      const std::u16string& token = Tokens[i].Text;
      len = static_cast<int>(token.size());
      if (pos + len >= FirstChar) {
        const int stop = wrap ? LastChar - 1 : LastChar;
        if (pos + len > stop) {
          // A token that starts at or after the first excluded position ends the row.
          if (pos >= stop) {
            endedEarly = true;
            break;
          }
          len = stop - pos;
        }
        lastAttr = Tokens[i].Attr;
        if (lastAttr)
          AddHighlightToken(token, pos - shift, len, lastAttr->Foreground(), lastAttr->Background(), lastAttr->Style());
        else
          AddHighlightToken(token, pos - shift, len, ColFG, ColBG, E.fFont.Style());
      } else {
        lastAttr = Tokens[i].Attr;
        if (i == TokensBefore) ++TokensBefore;
      }
    }
    if (E.fShowSpecChar && !endedEarly && hl.GetEol()) {
      TSynHighlighterAttributes* comment = hl.GetDefaultAttribute(SYN_ATTR_COMMENT);
      TSynHighlighterAttributes* attr =
          (lastAttr && lastAttr == comment) ? comment : hl.GetDefaultAttribute(SYN_ATTR_WHITESPACE);
      const int before = static_cast<int>(Line.size()) - shift;
      if (before + 1 >= FirstCol && before + 1 < LastCol + 1)
        AddHighlightToken(std::u16string_view(&SynLineBreakGlyph, 1), before, 1, attr ? attr->Foreground() : ColFG,
                          attr ? attr->Background() : syn::clNone, 0);
    }
    PaintHighlightToken(true);
  }

  // Each line shows its own characters of a column block, the ones a copy or cut takes: found once
  // for the line, whatever rows it wraps into.
  void ColumnSelectionOfLine(int ALine) {
    if (ALine < ColTop || ALine > ColBottom) {
      SelStart = SelEnd = TDisplayCoord{0, 0};
    } else {
      const TCustomSynPad::TCharRange r = E.ColumnCharsOfLine(ALine, ColL, ColR);
      SelStart = E.BufferToDisplayPos(TBufferCoord{r.From, ALine});
      SelEnd = E.BufferToDisplayPos(TBufferCoord{r.To, ALine});
    }
  }

  void PaintRow(int ALine, int Row, const std::u16string& TabExpanded) {
    if (!E.fWordWrapPlugin) {
      FirstChar = FirstCol;
      LastChar = LastCol;
    } else {
      const int c = E.fHighlighter ? FirstCol : 1;
      FirstChar = E.fWordWrapPlugin->DisplayToBufferPos(TDisplayCoord{c, Row}).Char;
      LastChar = E.fWordWrapPlugin->DisplayToBufferPos(TDisplayCoord{LastCol, Row}).Char;
    }
    LineSelStart = LineSelEnd = 0;
    ComplexLine = false;
    if (AnySelection && SelStart.Row > 0 && Row >= SelStart.Row && Row <= SelEnd.Row) {
      LineSelStart = FirstCol;
      LineSelEnd = LastCol + 1;
      const TSynSelectionMode mode = E.fActiveSelectionMode == smColumn ? smNormal : E.fActiveSelectionMode;
      if (mode == smColumn || (mode == smNormal && Row == SelStart.Row)) {
        if (SelStart.Column > LastCol) {
          LineSelStart = LineSelEnd = 0;
        } else if (SelStart.Column > FirstCol) {
          LineSelStart = SelStart.Column;
          ComplexLine = true;
        }
      }
      if (mode == smColumn || (mode == smNormal && Row == SelEnd.Row)) {
        if (SelEnd.Column < FirstCol) {
          LineSelStart = LineSelEnd = 0;
        } else if (SelEnd.Column < LastCol) {
          LineSelEnd = SelEnd.Column;
          ComplexLine = true;
        }
      }
    }
    LineSelected = !ComplexLine && LineSelStart > 0;
    RcLine.Left = E.fGutterWidth + 2;
    RcLine.Right = Clip.Right;
    RcLine.Top = RcLine.Bottom;
    RcLine.Bottom = RcLine.Top + E.fTextHeight;
    RcToken = RcLine;
    // One fill for the row's background instead of one for every run on it.
    RowFilled = ColBG;
    Canvas.FillRect(RcLine, RowFilled);
    if (!E.fHighlighter || !E.fHighlighter->Enabled())
      PaintRowPlain();
    else
      PaintRowHighlighted(ALine, TabExpanded);
    if (DoRightEdge) {
      Canvas.SetPen(E.fRightEdgeColor);
      Canvas.Line(RightEdgeX, RcLine.Top, RightEdgeX, RcLine.Bottom + 1);
    }
  }

  void PaintLines() {
    const int firstLine = E.LineOfRow(FirstRow), lastLine = E.LineOfRow(LastRow);
    RcLine.Bottom = (FirstRow - E.fTopLine) * E.fTextHeight;
    std::u16string tabExpanded;
    for (int line = firstLine; line <= lastLine; ++line) {
      const bool inBuffer = line >= 1 && line <= E.fLines->Count();
      tabExpanded = inBuffer ? E.TabExpandedLine(line) : std::u16string();
      Line = E.ExpandWide(tabExpanded);
      CaretLine = E.fCaretY == line;
      ColFG = E.fFont.Color();
      ColBG = E.ColorEditorBG(CaretLine);
      SpecialLine = E.DoOnSpecialLineColors(line, ColFG, ColBG);
      if (SpecialLine) {
        ColSelFG = ColBG;
        ColSelBG = ColFG;
      } else {
        ColSelFG = E.fSelectedColor->Foreground();
        ColSelBG = E.fSelectedColor->Background();
      }
      if (AnySelection && E.fActiveSelectionMode == smColumn) ColumnSelectionOfLine(line);
      int rFirst, rLast;
      RowsOfLine(line, rFirst, rLast);
      for (int row = std::max(rFirst, FirstRow); row <= std::min(rLast, LastRow); ++row)
        PaintRow(line, row, tabExpanded);
      CaretLine = false;
    }
  }
};

TColor TCustomSynPad::ColorEditorBG(bool CaretLine) const {
  if (fActiveLineColor != syn::clNone && CaretLine) return fActiveLineColor;
  if (fHighlighter) {
    TSynHighlighterAttributes* ws = fHighlighter->GetDefaultAttribute(SYN_ATTR_WHITESPACE);
    if (ws && ws->Background() != syn::clNone) return ws->Background();
  }
  return fColor;
}

std::u16string TCustomSynPad::ExpandWide(std::u16string_view Expanded) const {
  size_t i = 0;
  while (i < Expanded.size() && CharCells(Expanded[i]) == 1) ++i;
  if (i == Expanded.size()) return std::u16string(Expanded);
  std::u16string out(Expanded.substr(0, i));
  out.reserve(Expanded.size() + 16);
  for (; i < Expanded.size(); ++i) {
    const char16_t c = Expanded[i];
    if (c != u'\t') out.append(static_cast<size_t>(CharCells(c) - 1), SynFillerChar);
    out.push_back(c);
  }
  return out;
}

std::u16string TCustomSynPad::ExpandTabs(std::u16string_view Line) const {
  const size_t firstTab = Line.find(u'\t');
  if (firstTab == std::u16string::npos) return std::u16string(Line);
  std::u16string out;
  out.reserve(Line.size() + 16);
  long long w = 0;
  for (char16_t c : Line) {
    if (c == u'\t') {
      const int n = fTabWidth - static_cast<int>(w % fTabWidth);
      // Below a width of 2 a tab is one blank and gets no mark.
      out.append(static_cast<size_t>(n), fTabWidth < 2 ? u' ' : u'\t');
      w += n;
    } else {
      out.push_back(c);
      w += CharCells(c);
    }
  }
  return out;
}

std::u16string TCustomSynPad::TabExpandedLine(int Line) const {
  if (Line < 1 || Line > fLines->Count()) return std::u16string();
  return ExpandTabs(fLines->StringRef(Line - 1));
}

std::u16string TCustomSynPad::WrapExpandedLine(int Index) const {
  return TabExpandedLine(Index + 1);
}

std::u16string TCustomSynPad::ExpandedDisplayLine(int Line) const {
  return ExpandWide(TabExpandedLine(Line));
}

// ---------------------------------------------------------------------------------------------
// Paint

void TCustomSynPad::Paint(platform::ICanvas& Canvas, const TSynRect& AClip) {
  const int cw = std::max(1, fCharWidth), lh = std::max(1, fTextHeight);
  const int g2 = fGutterWidth + 2;
  int firstCol = fLeftChar;
  if (AClip.Left > g2) firstCol += (AClip.Left - g2) / cw;
  const int lastCol = fLeftChar + (AClip.Right - g2 + cw - 1) / cw;
  const int firstRow = std::max(fTopLine + AClip.Top / lh, fTopLine);
  const int lastRow = MinMax(fTopLine + (AClip.Bottom + lh - 1) / lh, 1, DisplayRowCount());
  HideCaret();
  try {
    if (AClip.Left < fGutterWidth) {
      TSynRect r = AClip;
      r.Right = fGutterWidth;
      PaintGutter(Canvas, r, firstRow, lastRow);
    }
    if (fGutterWidth < AClip.Right) {
      TSynRect r = AClip;
      r.Left = std::max(r.Left, fGutterWidth);
      PaintTextLines(Canvas, r, firstRow, lastRow, firstCol, lastCol);
    }
    DoOnPaint(Canvas);
    DoOnPaintTransient(Canvas, ttAfter);
  } catch (...) {
    UpdateCaret();
    throw;
  }
  UpdateCaret();
}

void TCustomSynPad::DoOnPaint(platform::ICanvas& Canvas) {
  if (OnPaint) {
    Canvas.SetFont(fTextDrawer->BaseFont());
    OnPaint(this, Canvas);
  }
}

void TCustomSynPad::DoOnPaintTransientEx(platform::ICanvas& Canvas, TSynTransientType TransientType, bool Lock) {
  const bool doTransient = fPaintTransientLock == 0;
  if (Lock) {
    if (TransientType == ttBefore)
      ++fPaintTransientLock;
    else if (fPaintTransientLock > 0)
      --fPaintTransientLock;
  }
  if (doTransient && OnPaintTransient) {
    Canvas.SetFont(fTextDrawer->BaseFont());
    OnPaintTransient(this, Canvas, TransientType);
  }
}

void TCustomSynPad::DoOnPaintTransient(platform::ICanvas& Canvas, TSynTransientType TransientType) {
  DoOnPaintTransientEx(Canvas, TransientType, false);
}

bool TCustomSynPad::DoOnSpecialLineColors(int Line, TColor& Foreground, TColor& Background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, Line, special, Foreground, Background);
  return special;
}

void TCustomSynPad::PaintGutter(platform::ICanvas& Canvas, const TSynRect& AClip, int aFirstRow, int aLastRow) {
  const int firstLine = LineOfRow(aFirstRow), lastLine = LineOfRow(aLastRow);
  TSynGutter& g = *fGutter;
  if (g.Gradient()) {
    for (const TSynGradientBand& band : SynGradientBands(g.GradientStartColor(), g.GradientEndColor(),
                                                         g.GradientSteps(), 0, 0, fGutterWidth, ClientHeight(), true))
      Canvas.FillRect(TSynRect{band.Left, band.Top, band.Right, band.Bottom}, band.Color);
  }
  if (g.ShowLineNumbers())
    PaintGutterLineNumbers(Canvas, AClip, firstLine, lastLine);
  else if (!g.Gradient())
    Canvas.FillRect(AClip, g.Color());
  if (fWordWrapPlugin && fWordWrapGlyph->Visible()) PaintGutterWrapGlyphs(Canvas, aFirstRow, aLastRow);
  if (g.BorderStyle() != gbsNone && AClip.Right >= fGutterWidth - 2) {
    Canvas.SetPen(g.BorderColor());
    if (g.BorderStyle() == gbsMiddle) {
      Canvas.Line(fGutterWidth - 2, AClip.Top, fGutterWidth - 2, AClip.Bottom);
      Canvas.SetPen(g.Color());
    }
    Canvas.Line(fGutterWidth - 1, AClip.Top, fGutterWidth - 1, AClip.Bottom);
  }
  // Where each row's marks end, for the gutter-paint event.
  std::vector<int> offsets;
  if (fBookMarkOpt->GlyphsVisible() && !fMarkList.empty() && lastLine >= firstLine)
    offsets = PaintGutterMarks(Canvas, aFirstRow, aLastRow);
  if (OnGutterPaint) {
    for (int line = firstLine; line <= lastLine; ++line) {
      const int row = FirstRowOfLine(line);
      const int x =
          (!offsets.empty() && row >= aFirstRow && row <= aLastRow) ? offsets[static_cast<size_t>(row - aFirstRow)] : 0;
      OnGutterPaint(this, line, x, (row - fTopLine) * fTextHeight);
    }
  }
}

void TCustomSynPad::PaintGutterLineNumbers(platform::ICanvas& Canvas, const TSynRect& AClip, int FirstLine,
                                           int LastLine) {
  const int lh = fTextHeight;
  TSynGutter& g = *fGutter;
  const TColor brush = g.Color();
  TSynFontDesc font = SynFontWithStyle(fTextDrawer->BaseFont(), 0);
  TColor textColor = fFont.Color();
  if (g.UseFontStyle()) {
    font = SynCanvasFont(g.Font(), fHost ? fHost->PixelsPerInch() : 96, false);
    textColor = g.Font().Color();
  }
  Canvas.SetFont(font);
  const int th = Canvas.FontMetrics().Height;
  Canvas.SetTextColor(textColor);
  TSynRect rcLine = AClip;
  rcLine.Right = std::max(rcLine.Right, fGutterWidth - 2);
  rcLine.Bottom = rcLine.Top;
  for (int line = FirstLine; line <= LastLine; ++line) {
    const int row = FirstRowOfLine(line);
    const int top = (row - fTopLine) * lh;
    if (fWordWrapPlugin && !g.Gradient() && top > rcLine.Bottom)
      Canvas.FillRect(TSynRect{rcLine.Left, rcLine.Bottom, rcLine.Right, top}, brush);
    rcLine.Top = top;
    rcLine.Bottom = top + lh;
    const std::string digits = g.FormatLineNumber(line);
    std::u16string text(digits.begin(), digits.end());
    if (OnGutterGetText) OnGutterGetText(this, line, text);
    const int tw = Canvas.TextWidth(text);
    if (!g.Gradient()) Canvas.FillRect(rcLine, brush);
    Canvas.TextOutAt(fGutterWidth - g.RightOffset() - 2 - tw, top + (lh - th) / 2, 0, nullptr, text);
  }
  if (!g.Gradient() && AClip.Bottom > rcLine.Bottom)
    Canvas.FillRect(TSynRect{rcLine.Left, rcLine.Bottom, rcLine.Right, AClip.Bottom}, brush);
  Canvas.SetFont(fTextDrawer->CurrentFont());
}

void TCustomSynPad::PaintGutterWrapGlyphs(platform::ICanvas& Canvas, int aFirstRow, int aLastRow) {
  TColor mask = syn::clNone;
  const TSynBitmap* img = fWordWrapGlyph->ImageToDraw(mask);
  if (!img) return;
  const int lh = fTextHeight;
  for (int row = aFirstRow; row <= aLastRow; ++row) {
    if (FirstRowOfLine(LineOfRow(row)) == row) continue;
    const int x = fGutterWidth - fGutter->RightOffset() - 2 - fWordWrapGlyph->Width();
    SynDrawBitmap(Canvas, *img, fWordWrapGlyph->Placement(x, (row - fTopLine) * lh, lh), mask);
  }
}

std::vector<int> TCustomSynPad::PaintGutterMarks(platform::ICanvas& Canvas, int aFirstRow, int aLastRow) {
  const int firstLine = LineOfRow(aFirstRow), lastLine = LineOfRow(aLastRow);
  const int lh = fTextHeight;
  // Marks: those of the kind drawn first, then the others beside them.
  std::vector<int> offsets(static_cast<size_t>(aLastRow - aFirstRow + 1), 0);
  const auto* images = static_cast<const TSynImageList*>(fBookMarkOpt->BookmarkImages());
  auto drawMark = [&](const TSynPadMark& mark, bool firstKind) {
    const int row = FirstRowOfLine(mark.Line);
    if (row < aFirstRow || row > aLastRow) return;
    int& off = offsets[static_cast<size_t>(row - aFirstRow)];
    const int y = (row - fTopLine) * lh;
    if (!mark.InternalImage && images) {
      if (mark.ImageIndex < 0 || mark.ImageIndex >= images->Count()) return;
      if (firstKind)
        off = 0;
      else if (off == 0)
        off = fBookMarkOpt->Xoffset();
      const TSynBitmap& bmp = images->Images[static_cast<size_t>(mark.ImageIndex)];
      const int s = bmp.Scale();
      SynDrawBitmap(Canvas, bmp,
                    TSynImagePlacement{0, 0, bmp.Width() / s, bmp.Height() / s, fBookMarkOpt->LeftMargin() + off, y},
                    syn::clNone);
      off += fBookMarkOpt->Xoffset();
    } else if (mark.ImageIndex >= 0 && mark.ImageIndex <= 9) {
      if (!fInternalImage) fInternalImage = std::make_unique<TSynInternalImage>("SynPadInternalImages", 10);
      TSynImagePlacement place{};
      if (off == 0 && fInternalImage->Placement(mark.ImageIndex, fBookMarkOpt->LeftMargin() + off, y, lh, place))
        SynDrawBitmap(Canvas, fInternalImage->Images(), place, syn::clNone);
      off += fBookMarkOpt->Xoffset();
    }
  };
  const bool bookmarksFirst = fBookMarkOpt->DrawBookmarksFirst();
  bool other = false;
  for (const auto& m : fMarkList) {
    if (!m->Visible || m->Line < firstLine || m->Line > lastLine) continue;
    if (m->IsBookmark() == bookmarksFirst)
      drawMark(*m, true);
    else
      other = true;
  }
  if (other)
    for (const auto& m : fMarkList)
      if (m->Visible && m->Line >= firstLine && m->Line <= lastLine && m->IsBookmark() != bookmarksFirst)
        drawMark(*m, false);
  return offsets;
}

void TCustomSynPad::PaintTextLines(platform::ICanvas& Canvas, TSynRect AClip, int aFirstRow, int aLastRow, int FirstCol,
                                   int LastCol) {
  TSynPadPainter p(*this, Canvas);
  p.Clip = AClip;
  p.FirstRow = aFirstRow;
  p.LastRow = aLastRow;
  p.FirstCol = FirstCol;
  p.LastCol = LastCol;
  const int firstLine = LineOfRow(aFirstRow), lastLine = LineOfRow(aLastRow);
  if (fRightEdge > 0) {
    const long long x = static_cast<long long>(fRightEdge) * fCharWidth + fTextOffset;
    p.RightEdgeX = ClampToInt(x);
    p.DoRightEdge = x >= AClip.Left && x <= AClip.Right;
  }
  if (AClip.Left < fGutterWidth + 2) {
    if (fHighlighter) fHighlighter->ResetRange();
    Canvas.FillRect(TSynRect{std::max(AClip.Left, fGutterWidth), AClip.Top, fGutterWidth + 2, AClip.Bottom},
                    ColorEditorBG(false));
    AClip.Left = fGutterWidth + 2;
    p.Clip = AClip;
  }
  if (lastLine >= firstLine) {
    p.ComputeSelection();
    fTextDrawer->SetStyle(fFont.Style());
    fTextDrawer->BeginDrawing(&Canvas);
    try {
      p.PaintLines();
    } catch (...) {
      fTextDrawer->EndDrawing();
      throw;
    }
    fTextDrawer->EndDrawing();
  }
  TSynRect below = AClip;
  below.Top = (aLastRow - fTopLine + 1) * fTextHeight;
  if (below.Top < AClip.Bottom) {
    if (fHighlighter) fHighlighter->ResetRange();
    Canvas.FillRect(below, ColorEditorBG(false));
    if (p.DoRightEdge) {
      Canvas.SetPen(fRightEdgeColor);
      Canvas.Line(p.RightEdgeX, below.Top, p.RightEdgeX, AClip.Bottom + 1);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Rows

int TCustomSynPad::DisplayRowCount() const {
  if (!fWordWrapPlugin) return fLines->Count();
  if (fLines->Count() == 0) return 0;
  return fWordWrapPlugin->RowCount();
}

int TCustomSynPad::FirstRowOfLine(int Line) const {
  if (!fWordWrapPlugin) return Line;
  return fWordWrapPlugin->BufferToDisplayPos(TBufferCoord{1, Line}).Row;
}

int TCustomSynPad::LineOfRow(int Row) const {
  if (!fWordWrapPlugin) return Row;
  return fWordWrapPlugin->DisplayToBufferPos(TDisplayCoord{1, Row}).Line;
}

// ---------------------------------------------------------------------------------------------
// Invalidation

void TCustomSynPad::InvalidateRect(const TSynRect& R) {
  if (!HandleAllocated() || !fHost->Visible() || R.IsEmpty()) return;
  if (fStateFlags & sfLinesChanging)
    fInvalidateRect = UnionSynRect(fInvalidateRect, R);
  else
    fHost->InvalidateRect(R);
}

void TCustomSynPad::Invalidate() {
  InvalidateRect(TSynRect{0, 0, ClientWidth(), ClientHeight()});
}

void TCustomSynPad::InvalidateGutterLines(int FirstLine, int LastLine) {
  if (!HandleAllocated() || !fHost->Visible()) return;
  if (FirstLine == -1 && LastLine == -1) {
    InvalidateRect(TSynRect{0, 0, fGutterWidth, ClientHeight()});
    return;
  }
  if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
  if (fWordWrapPlugin) {
    FirstLine = FirstRowOfLine(FirstLine);
    LastLine = LastLine <= fLines->Count() ? FirstRowOfLine(LastLine) : INT_MAX;
  }
  FirstLine = std::max(FirstLine, fTopLine);
  LastLine = std::min(LastLine, fTopLine + fLinesInWindow);
  if (LastLine >= FirstLine)
    InvalidateRect(
        TSynRect{0, (FirstLine - fTopLine) * fTextHeight, fGutterWidth, (LastLine - fTopLine + 1) * fTextHeight});
}

void TCustomSynPad::InvalidateLines(int FirstLine, int LastLine) {
  if (!HandleAllocated() || !fHost->Visible()) return;
  if (FirstLine == -1 && LastLine == -1) {
    InvalidateRect(TSynRect{fGutterWidth, 0, ClientWidth(), ClientHeight()});
    return;
  }
  FirstLine = std::max(FirstLine, 1);
  LastLine = std::max(LastLine, 1);
  if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
  if (LastLine >= fLines->Count()) LastLine = INT_MAX;
  if (fWordWrapPlugin) {
    FirstLine = FirstRowOfLine(FirstLine);
    if (LastLine < fLines->Count()) LastLine = FirstRowOfLine(LastLine + 1) - 1;
  }
  FirstLine = std::max(FirstLine, fTopLine);
  LastLine = std::min(LastLine, fTopLine + fLinesInWindow);
  if (LastLine >= FirstLine)
    InvalidateRect(TSynRect{fGutterWidth, (FirstLine - fTopLine) * fTextHeight, ClientWidth(),
                            (LastLine - fTopLine + 1) * fTextHeight});
}

void TCustomSynPad::InvalidateLine(int Line) {
  if (!HandleAllocated() || !fHost->Visible()) return;
  if (Line < 1 || Line > fLines->Count()) return;
  if (fWordWrapPlugin) {
    InvalidateLines(Line, Line);
    return;
  }
  if (Line >= fTopLine && Line <= fTopLine + fLinesInWindow) {
    const int top = (Line - fTopLine) * fTextHeight;
    InvalidateRect(TSynRect{fGutterWidth, top, ClientWidth(), top + fTextHeight});
  }
}

void TCustomSynPad::InvalidateSelection() {
  InvalidateLines(BlockBegin().Line, BlockEnd().Line);
}

// ---------------------------------------------------------------------------------------------
// Caret

void TCustomSynPad::ComputeCaret() {
  const TSynPadCaretType type = fInserting ? fInsertCaret : fOverwriteCaret;
  const int lh = fTextHeight, cw = fCharWidth;
  switch (type) {
    case ctVerticalLine:
      fCaretWidth = 2;
      fCaretHeight = lh - 2;
      fCaretOffsetX = -1;
      fCaretOffsetY = 0;
      break;
    case ctHorizontalLine:
      fCaretWidth = cw;
      fCaretHeight = 2;
      fCaretOffsetX = 0;
      fCaretOffsetY = lh - 2;
      break;
    case ctHalfBlock:
      fCaretWidth = cw;
      fCaretHeight = (lh - 2) / 2;
      fCaretOffsetX = 0;
      fCaretOffsetY = fCaretHeight;
      break;
    case ctBlock:
      fCaretWidth = cw;
      fCaretHeight = lh - 2;
      fCaretOffsetX = 0;
      fCaretOffsetY = 0;
      break;
  }
}

void TCustomSynPad::InitializeCaret() {
  ComputeCaret();
  fStateFlags &= static_cast<std::uint16_t>(~sfCaretVisible);
  if (Focused()) {
    fHost->CreateCaret(fCaretWidth, std::max(1, fCaretHeight));
    UpdateCaret();
  }
}

void TCustomSynPad::HideCaret() {
  if ((fStateFlags & sfCaretVisible) && fHost && fHost->HideCaret())
    fStateFlags &= static_cast<std::uint16_t>(~sfCaretVisible);
}

void TCustomSynPad::ShowCaret() {
  if (HasOption(eoNoCaret) || (fStateFlags & sfCaretVisible) || !fHost) return;
  if (fHost->ShowCaret()) fStateFlags |= sfCaretVisible;
}

void TCustomSynPad::UpdateCaret() {
  if (fPaintLock > 0 || !Focused()) {
    fStateFlags |= sfCaretChanged;
    return;
  }
  fStateFlags &= static_cast<std::uint16_t>(~sfCaretChanged);
  TDisplayCoord p = GetDisplayXY();
  if (fWordWrapPlugin && p.Column > fCharsInWindow + 1) p.Column = fCharsInWindow + 1;
  int x = 0, y = 0;
  RowColumnToPixels(p, x, y);
  x = ClampToInt(static_cast<long long>(x) + fCaretOffsetX);
  y = ClampToInt(static_cast<long long>(y) + fCaretOffsetY);
  fHost->SetCaretPos(x, y);
  if (x >= fGutterWidth && x < ClientWidth() && y >= 0 && y < ClientHeight())
    ShowCaret();
  else
    HideCaret();
  fHost->SetCompositionPos(x, y);
}

// ---------------------------------------------------------------------------------------------
// Scroll bars

void TCustomSynPad::UpdateScrollBars() {
  if (!HandleAllocated() || fPaintLock > 0) {
    fStateFlags |= sfScrollbarChanged;
    return;
  }
  // Showing or hiding a bar resizes the client area, which lands here again; one nested run
  // settles the layout, a second would only flip the bar back and forth.
  if (fScrollBarDepth >= 2) return;
  ++fScrollBarDepth;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{fScrollBarDepth};
  fStateFlags &= static_cast<std::uint16_t>(~sfScrollbarChanged);
  if (fScrollBars == ssNone) {
    fScrollInfo[sbHorizontal].Visible = fScrollInfo[sbVertical].Visible = false;
    fHost->HideScrollBar(sbHorizontal);
    fHost->HideScrollBar(sbVertical);
    return;
  }
  const bool hideShow = HasOption(eoHideShowScrollbars);
  const bool disableArrows = HasOption(eoDisableScrollArrows);
  // One bar: its range (scaled into 16 bits above 32767), page, position, whether it shows, and
  // its arrows (AtEnd: the far arrow has nothing left to show).
  auto bar = [&](TSynScrollBarKind kind, bool wanted, int maxScroll, int inWindow, int pos, bool atEnd) {
    TSynScrollInfo si;
    if (!wanted) {
      fScrollInfo[kind].Visible = false;
      fHost->HideScrollBar(kind);
      return;
    }
    if (maxScroll <= 32767) {
      si.Min = 1;
      si.Max = std::max(1, maxScroll);
      si.Page = inWindow;
      si.Pos = pos;
    } else {
      si.Min = 0;
      si.Max = 32767;
      si.Page = MulDiv(32767, inWindow, maxScroll);
      si.Pos = MulDiv(32767, pos, maxScroll);
    }
    si.DisableNoScroll = !hideShow;
    si.Visible = !hideShow || si.Min == 0 || si.Max > inWindow;
    if (!disableArrows && maxScroll > inWindow) {
      si.LeftUpArrow = si.RightDownArrow = true;
    } else if (pos <= 1 && maxScroll <= pos + inWindow - 1) {
      si.LeftUpArrow = si.RightDownArrow = false;
    } else {
      si.LeftUpArrow = pos > 1;
      si.RightDownArrow = pos <= 1 || !atEnd;
    }
    fScrollInfo[kind] = si;
    if (si.Visible)
      fHost->SetScrollBar(kind, si);
    else
      fHost->HideScrollBar(kind);
  };
  const int maxH = HasOption(eoScrollPastEol) ? fMaxScrollWidth : std::max(fLines->LengthOfLongestLine(), 1);
  bar(sbHorizontal, (fScrollBars == ssHorizontal || fScrollBars == ssBoth) && !fWordWrapPlugin, maxH, fCharsInWindow,
      fLeftChar, maxH <= fLeftChar + fCharsInWindow - 1);
  const int rows = DisplayRowCount();
  const int maxV = rows + (HasOption(eoScrollPastEof) ? fLinesInWindow - 1 : 0);
  bar(sbVertical, fScrollBars == ssVertical || fScrollBars == ssBoth, maxV, fLinesInWindow, fTopLine,
      rows - fTopLine - fLinesInWindow + 1 == 0);
}

// ---------------------------------------------------------------------------------------------
// Font cell, extent and gutter

void TCustomSynPad::MeasureFontCells() {
  bool combos[4] = {false, false, false, false};  // none, italic, bold, bold + italic
  auto comboOf = [](TFontStyles s) { return ((s & syn::fsItalic) ? 1 : 0) + ((s & syn::fsBold) ? 2 : 0); };
  if (fHighlighter && fHighlighter->GetAttribCount() > 0) {
    for (int i = 0; i < fHighlighter->GetAttribCount(); ++i)
      if (TSynHighlighterAttributes* a = fHighlighter->GetAttribute(i)) combos[comboOf(a->Style())] = true;
  } else {
    combos[comboOf(fFont.Style())] = true;
  }
  fCharWidth = 0;
  fTextHeight = 0;
  int widest = 0;
  static const TFontStyles styleOf[4] = {0, syn::fsItalic, syn::fsBold, syn::fsBold | syn::fsItalic};
  for (int i = 0; i < 4; ++i) {
    if (!combos[i]) continue;
    fTextDrawer->SetBaseStyle(styleOf[i]);
    fTextHeight = std::max(fTextHeight, fTextDrawer->GetCharHeight());
    if (fTextDrawer->GetCharWidth() > fCharWidth) {
      fCharWidth = fTextDrawer->GetCharWidth();
      widest = i;
    }
  }
  // Cells are counted in the widest style, so every glyph of every style fits its cell.
  fTextDrawer->SetBaseStyle(styleOf[widest]);
  fTextHeight = std::max(1, fTextHeight + fExtraLineSpacing);
  fCharWidth = std::max(1, fCharWidth);
  RecomputeTextOffset();
  ComputeCaret();
}

void TCustomSynPad::RecalcWindowExtent(bool FontChanged) {
  if (!HandleAllocated() || fCharWidth == 0) return;
  fCharsInWindow = std::max(ClientWidth() - fGutterWidth - 2, 0) / fCharWidth;
  fLinesInWindow = ClientHeight() / std::max(1, fTextHeight);
  if (fWordWrapPlugin) {
    fWordWrapPlugin->DisplayChanged();
    Invalidate();
  }
  if (FontChanged) {
    if (fGutter->ShowLineNumbers())
      GutterOptionsChanged();
    else
      UpdateScrollBars();
    InitializeCaret();
    fStateFlags &= static_cast<std::uint16_t>(~sfCaretChanged);
    Invalidate();
  } else {
    UpdateScrollBars();
  }
  fStateFlags &= static_cast<std::uint16_t>(~sfScrollbarChanged);
  if (!HasOption(eoScrollPastEol)) SetLeftChar(fLeftChar);
  if (!HasOption(eoScrollPastEof)) SetTopLine(fTopLine);
}

void TCustomSynPad::GutterOptionsChanged() {
  if (fInGutterChange) return;
  fInGutterChange = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{fInGutterChange};
  if (fGutter->ShowLineNumbers() && fGutter->AutoSize()) fGutter->AutoSizeDigitCount(fLines->Count());
  int cw = fCharWidth;
  if (fGutter->UseFontStyle()) {
    const TSynFontDesc f = SynCanvasFont(fGutter->Font(), fHost ? fHost->PixelsPerInch() : 96, false);
    platform::ICanvas& m = fTextDrawer->Measurer();
    m.SetFont(f);
    platform::TCharABC abc;
    cw = m.CharABC(U'M', abc) ? abc.Advance() : m.FontMetrics().AveCharWidth;
  }
  const int width = fGutter->RealGutterWidth(cw);
  if (width != fGutterWidth)
    ApplyGutterWidth(width);
  else
    InvalidateGutter();
}

void TCustomSynPad::ApplyGutterWidth(int Value) {
  Value = std::max(Value, 0);
  if (Value == fGutterWidth) return;
  fGutterWidth = Value;
  RecomputeTextOffset();
  if (HandleAllocated()) {
    fCharsInWindow = std::max(ClientWidth() - fGutterWidth - 2, 0) / std::max(1, fCharWidth);
    if (fWordWrapPlugin) fWordWrapPlugin->DisplayChanged();
    UpdateScrollBars();
    Invalidate();
    // Rewrapped rows may end above the top line: clamp the view as a resize does.
    if (!HasOption(eoScrollPastEol)) SetLeftChar(fLeftChar);
    if (!HasOption(eoScrollPastEof)) SetTopLine(fTopLine);
  }
}

void TCustomSynPad::HighlighterAttributesChanged(TSynPersistent* Sender) {
  MeasureFontCells();
  if (Sender && dynamic_cast<TSynCustomHighlighter*>(Sender)) {
    TSynLinesUpdate update(*fLines);
    RescanAllRanges();
  } else {
    Invalidate();
  }
  RecalcWindowExtent(true);
}
