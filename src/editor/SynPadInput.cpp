// The editor control's input: key translation through the key table, typed and composed characters
// with Alt + keypad codes, mouse selection with the auto-scroll timer, the wheel, scroll-bar
// requests and the scroll hint, dragging text within and between controls, and dropped files.
// The window (editor/gui/) turns its events into these calls; tests call them directly.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "editor/SynPad.h"
#include "editor/SynPadScopes.h"
#include "platform/CodePage.h"
#include "platform/UIServices.h"

namespace {

bool IsKeypadDigit(std::uint16_t Key) {
  return Key >= vk::VK_NUMPAD0 && Key <= vk::VK_NUMPAD9;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Keyboard

void TCustomSynPad::KeyDown(std::uint16_t& Key, vk::TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  if (Key != 0) fKbdHandler.ExecuteKeyDown(this, Key, Shift);
  // A key a handler consumed is not translated either.
  if (Key == 0) {
    fLastKey = 0;
    return;
  }
  // Alt + keypad digits build a character code; any other key (Alt itself aside) breaks it off.
  if (!(IsKeypadDigit(Key) && (Shift & vk::ssAlt)) && Key != vk::VK_MENU) fAltCode.clear();
  const vk::TShiftState shift = Shift & vk::ssModifiers;
  TSynPadorCommand command = ecNone;
  if (fLastKey != 0) {
    const int i = fKeystrokes->FindKeycode2(fLastKey, fLastShift, Key, shift);
    if (i >= 0) command = fKeystrokes->Items(i)->Command();
  }
  if (command == ecNone) {
    const int i = fKeystrokes->FindKeycode(Key, shift);
    if (i >= 0) command = fKeystrokes->Items(i)->Command();
  }
  if (command == ecNone && Key >= 30 && Key <= 145) {
    // Only a key that starts a two-key binding waits for the second; others type their character.
    for (int i = 0; i < fKeystrokes->Count(); ++i) {
      const TSynPadKeyStroke* k = fKeystrokes->Items(i);
      if (k->Key2() != 0 && k->Key() == Key && k->Shift() == shift) {
        fLastKey = Key;
        fLastShift = shift;
        Key = 0;
        fStateFlags |= sfIgnoreNextChar;
        return;
      }
    }
  }
  fLastKey = 0;
  if (command != ecNone) {
    Key = 0;
    fStateFlags |= sfIgnoreNextChar;
    CommandProcessor(command, 0, TSynCommandData{});
  } else {
    fStateFlags &= static_cast<std::uint16_t>(~sfIgnoreNextChar);
  }
}

void TCustomSynPad::KeyUp(std::uint16_t& Key, vk::TShiftState Shift) {
  if ((Shift & vk::ssAlt) && IsKeypadDigit(Key)) {
    // Ten digits are more than any code; longer runs are cut off rather than overflowing.
    if (fAltCode.size() < 10) fAltCode.push_back(static_cast<char>('0' + (Key - vk::VK_NUMPAD0)));
  } else if (Key == vk::VK_MENU) {
    if (!fAltCode.empty()) {
      const long long code = std::stoll(fAltCode);
      char16_t ch = 0;
      if (code >= 256 && code <= 65535 && !(code >= 0xD800 && code <= 0xDFFF))
        ch = static_cast<char16_t>(code);
      else if (code >= 1 && code <= 255)
        // The desktop composes nothing from these: a leading zero picks the ANSI table, otherwise the OEM one.
        ch = fAltCode[0] == '0' ? codepage::Cp1252ToChar(static_cast<unsigned char>(code))
                                : codepage::Cp437ToChar(static_cast<unsigned char>(code));
      fAltCode.clear();
      // No character of the desktop's own follows on this platform, so nothing is to be dropped.
      if (ch != 0) WMChar(ch);
    }
  }
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
  if (Key != 0) fKbdHandler.ExecuteKeyUp(this, Key, Shift);
}

void TCustomSynPad::WMChar(char16_t Key) {
  if (fIgnoreNextWMChar) {
    fIgnoreNextWMChar = false;
    return;
  }
  if (OnKeyPress) OnKeyPress(this, Key);
  if (Key != 0) KeyPressW(Key);
}

void TCustomSynPad::TextInput(std::u16string_view Text) {
  if (Text.empty()) return;
  if (Text.size() == 1) {
    WMChar(Text[0]);
    return;
  }
  // A surrogate pair (or a composed sequence) goes in at once, never as two halves.
  if (fStateFlags & sfIgnoreNextChar) {
    fStateFlags &= static_cast<std::uint16_t>(~sfIgnoreNextChar);
    return;
  }
  CommandProcessor(ecImeStr, 0, TSynCommandData{std::u16string(Text)});
}

void TCustomSynPad::KeyPressW(char16_t& Key) {
  if (fStateFlags & sfIgnoreNextChar) {
    fStateFlags &= static_cast<std::uint16_t>(~sfIgnoreNextChar);
    return;
  }
  fKbdHandler.ExecuteKeyPress(this, Key);
  if (Key != 0) CommandProcessor(ecChar, Key, TSynCommandData{});
}

void TCustomSynPad::ImeComposition(const std::u16string& Result) {
  if (!Result.empty()) CommandProcessor(ecImeStr, 0, TSynCommandData{Result});
}

void TCustomSynPad::FocusIn() {
  CommandProcessor(480, 0, TSynCommandData{});
  InitializeCaret();
  if (fHideSelection && SelAvail()) InvalidateSelection();
}

void TCustomSynPad::FocusOut() {
  CommandProcessor(481, 0, TSynCommandData{});
  HideCaret();
  if (fHost) fHost->DestroyCaret();
  if (fHideSelection && SelAvail()) InvalidateSelection();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TCustomSynPad::MouseDown(TSynMouseButton Button, vk::TShiftState Shift, int X, int Y) {
  const bool hadSelection = SelAvail();
  fLastMouseX = X;
  if (Button == mbLeft && hadSelection) {
    fMouseDownX = X;
    fMouseDownY = Y;
  }
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
  if (Button == mbLeft && (Shift & vk::ssDouble)) return;
  fKbdHandler.ExecuteMouseDown(this, Button, Shift, X, Y);
  const TBufferCoord oldCaret = GetCaretXY();
  const TBufferCoord under = DisplayToBufferPos(PixelsToRowColumn(X, Y));
  const bool inSelection = IsPointInSelection(under);
  {
    TSynPaintLock lock(*this);
    if (Button == mbLeft) {
      PlaceCaretAtPixel(X, Y);
    } else if (Button == mbRight && HasOption(eoRightMouseMovesCursor) && !inSelection) {
      // A click inside the selection leaves it for a context menu.
      PlaceCaretAtPixel(X, Y);
      SetBlockBegin(GetCaretXY());
    }
    if (Button == mbLeft) {
      fMouseCaptured = true;
      if (fHost) fHost->SetCapture();
      if (hadSelection && HasOption(eoDragDropEditing) && X >= fGutterWidth + 2 && fSelectionMode == smNormal &&
          inSelection)
        fStateFlags |= sfWaitForDragging;
      if (!(fStateFlags & sfWaitForDragging) && !(fStateFlags & sfDblClicked)) {
        if (Shift & vk::ssShift) {
          // Without a selection the anchor is where the caret stood.
          if (!hadSelection) SetBlockBegin(oldCaret);
          SetBlockEnd(GetCaretXY());
        } else {
          if (HasOption(eoAltSetsColumnMode) && fActiveSelectionMode != smLine)
            SetSelectionMode((Shift & vk::ssAlt) ? smColumn : smNormal);
          SetBlockBegin(GetCaretXY());
        }
      }
    }
    if (X < fGutterWidth) {
      fStateFlags |= sfPossibleGutterClick;
      if (Button == mbRight) DoOnGutterClick(Button, X, Y);
    }
  }
  if (fHost) fHost->SetFocus();
}

void TCustomSynPad::MouseMove(vk::TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
  if ((fStateFlags & sfWaitForDragging) && fMouseCaptured) {
    const int distance = fHost ? fHost->DragDistance() : 4;
    if (std::abs(X - fMouseDownX) >= distance || std::abs(Y - fMouseDownY) >= distance) {
      fStateFlags &= static_cast<std::uint16_t>(~sfWaitForDragging);
      fDragging = true;
      if (fHost) fHost->BeginDrag();
    }
    return;
  }
  if (!(Shift & vk::ssLeft) || !fMouseCaptured) return;
  ComputeScroll(X, Y);
  TDisplayCoord target = PixelsToNearestRowColumn(X, Y);
  target.Row = MinMax(target.Row, 1, std::max(1, DisplayRowCount()));
  // While the timer scrolls a direction, it moves the caret that way.
  if (fScrollDeltaX != 0) target.Column = GetDisplayX();
  if (fScrollDeltaY != 0) target.Row = GetDisplayY();
  {
    TSynPaintLock lock(*this);
    SetCaretXY(DisplayToBufferPos(target));
    SetBlockEnd(GetCaretXY());
  }
}

void TCustomSynPad::MouseUp(TSynMouseButton Button, vk::TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
  fKbdHandler.ExecuteMouseUp(this, Button, Shift, X, Y);
  StopScrollTimer();
  if (fMouseCaptured) {
    fMouseCaptured = false;
    if (fHost) fHost->ReleaseCapture();
  }
  if ((fStateFlags & sfPossibleGutterClick) && X < fGutterWidth && Button != mbRight) {
    DoOnGutterClick(Button, X, Y);
  } else if ((fStateFlags & sfWaitForDragging) && !(fStateFlags & sfDblClicked)) {
    // A press on the selection that never became a drag is an ordinary click.
    {
      TSynPaintLock lock(*this);
      PlaceCaretAtPixel(X, Y);
      if (!(Shift & vk::ssShift)) SetBlockBegin(GetCaretXY());
    }
  }
  fStateFlags &= static_cast<std::uint16_t>(~(sfWaitForDragging | sfDblClicked | sfPossibleGutterClick));
}

void TCustomSynPad::DblClick() {
  if (fLastMouseX >= fGutterWidth && !HasOption(eoNoSelection)) {
    SelectWordAt(GetCaretXY());
    fStateFlags |= sfDblClicked;
  }
}

void TCustomSynPad::CaptureLost() {
  StopScrollTimer();
  fMouseCaptured = false;
}

void TCustomSynPad::DoOnGutterClick(TSynMouseButton Button, int X, int Y) {
  const int line = LineOfRow(PixelsToRowColumn(X, Y).Row);
  if (line < 1 || line > std::max(1, fLines->Count())) return;
  const std::vector<TSynPadMark*> marks = GetMarksForLine(line);
  TSynPadMark* mark = nullptr;
  const auto* images = static_cast<const TSynImageList*>(fBookMarkOpt->BookmarkImages());
  const int width = images && images->Width() > 0 ? images->Width() : std::max(1, fBookMarkOpt->Xoffset());
  const int at = X - fBookMarkOpt->LeftMargin();
  if (at >= 0 && at / width < static_cast<int>(marks.size())) mark = marks[static_cast<size_t>(at / width)];
  if (OnGutterClick) OnGutterClick(this, Button, X, Y, line, mark);
}

void TCustomSynPad::UpdateMouseCursor(int X, int Y) {
  int cursor;
  if (X < fGutterWidth) {
    cursor = fGutter->Cursor();
  } else {
    const TBufferCoord pos = DisplayToBufferPos(PixelsToRowColumn(X, Y));
    cursor = fCursor;
    if (HasOption(eoDragDropEditing) && !fMouseCaptured && IsPointInSelection(pos)) cursor = crArrow;
    if (OnMouseCursor) OnMouseCursor(this, pos, cursor);
    fKbdHandler.ExecuteMouseCursor(this, pos, cursor);
  }
  if (fHost) fHost->SetCursor(cursor);
}

bool TCustomSynPad::MouseWheel(int WheelDelta, vk::TShiftState Shift) {
  int lines;
  if (Shift & vk::ssCtrl) {
    lines = fLinesInWindow;
    if (HasOption(eoHalfPageScroll)) lines /= 2;
  } else {
    lines = fHost ? fHost->WheelScrollLines() : 3;
  }
  if (lines < 0 || lines > fLinesInWindow) lines = fLinesInWindow;
  // Fine-grained wheels send parts of a notch; the rest waits for the next message.
  fMouseWheelAccumulator += WheelDelta;
  const int notches = fMouseWheelAccumulator / 120;
  fMouseWheelAccumulator %= 120;
  if (notches != 0) {
    SetTopLine(static_cast<int>(std::clamp(static_cast<long long>(fTopLine) - static_cast<long long>(lines) * notches,
                                           static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX))));
    if (fHost) fHost->UpdateWindow();
    if (OnScroll) OnScroll(this, sbVertical);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void TCustomSynPad::ComputeScroll(int X, int Y) {
  if (!fMouseCaptured && !fDragging) {
    StopScrollTimer();
    return;
  }
  const int cw = std::max(1, fCharWidth), lh = std::max(1, fTextHeight);
  int left = fGutterWidth, right = fGutterWidth + fCharsInWindow * fCharWidth;
  int top = 0, bottom = fLinesInWindow * fTextHeight;
  if (fBorderStyle == bsNone) {
    left += 2;
    right -= 2;
    top += 2;
    bottom -= 2;
  }
  fScrollDeltaX = X < left ? (X - left) / cw - 1 : (X >= right ? (X - right) / cw + 1 : 0);
  fScrollDeltaY = Y < top ? (Y - top) / lh - 1 : (Y >= bottom ? (Y - bottom) / lh + 1 : 0);
  if (fScrollDeltaX == 0 && fScrollDeltaY == 0) {
    StopScrollTimer();
    return;
  }
  if (!fScrollTimer) {
    fScrollTimer = platform::EventLoop().CreateTimer();
    fScrollTimer->OnTimer = [this] { platform::RunGuarded([this] { ScrollTimerTick(); }); };
  }
  if (!fScrollTimer->Enabled()) {
    fScrollTimer->SetInterval(100);
    fScrollTimer->SetEnabled(true);
  }
}

void TCustomSynPad::StopScrollTimer() {
  if (fScrollTimer) fScrollTimer->SetEnabled(false);
}

void TCustomSynPad::ScrollTimerTick() {
  int x = 0, y = 0;
  if (!fHost || !fHost->CursorPos(x, y)) return;
  ComputeScroll(x, y);
  const int rows = std::max(1, DisplayRowCount());
  TDisplayCoord target = PixelsToNearestRowColumn(x, y);
  target.Row = MinMax(target.Row, 1, rows);
  {
    TSynPaintLock lock(*this);
    if (fScrollDeltaX != 0) {
      SetLeftChar(fLeftChar + fScrollDeltaX);
      target.Column = fLeftChar + (fScrollDeltaX > 0 ? fCharsInWindow : 0);
    }
    if (fScrollDeltaY != 0) {
      const int step =
          (fHost->KeyboardShift() & vk::ssShift) ? fScrollDeltaY * std::max(1, fLinesInWindow) : fScrollDeltaY;
      SetTopLine(fTopLine + step);
      target.Row = MinMax(fTopLine + (fScrollDeltaY > 0 ? fLinesInWindow - 1 : 0), 1, rows);
    }
    SetCaretXY(DisplayToBufferPos(target));
    if (fMouseCaptured) SetBlockEnd(GetCaretXY());
  }
}

void TCustomSynPad::WMHScroll(int Request, int ThumbPos) {
  const bool pastEol = HasOption(eoScrollPastEol);
  const int page = fCharsInWindow - (HasOption(eoScrollByOneLess) ? 1 : 0);
  switch (Request) {
    case SB_LINEUP:
      SetLeftChar(fLeftChar - 1);
      break;
    case SB_LINEDOWN:
      SetLeftChar(fLeftChar + 1);
      break;
    case SB_PAGEUP:
      SetLeftChar(fLeftChar - page);
      break;
    case SB_PAGEDOWN:
      SetLeftChar(fLeftChar + page);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      const int range = pastEol ? fMaxScrollWidth : std::max(1, fLines->LengthOfLongestLine());
      SetLeftChar(range > 32767 ? platform::MulDiv(ThumbPos, range, 32767) : ThumbPos);
      break;
    }
    case SB_TOP:
      SetLeftChar(1);
      break;
    case SB_BOTTOM:
      SetLeftChar(pastEol ? fMaxScrollWidth - fCharsInWindow + 1 : fLines->LengthOfLongestLine());
      break;
    default:
      break;
  }
  if (OnScroll) OnScroll(this, sbHorizontal);
}

void TCustomSynPad::WMVScroll(int Request, int ThumbPos) {
  const int page = fLinesInWindow - (HasOption(eoScrollByOneLess) ? 1 : 0);
  switch (Request) {
    case SB_LINEUP:
      SetTopLine(fTopLine - 1);
      break;
    case SB_LINEDOWN:
      SetTopLine(fTopLine + 1);
      break;
    case SB_PAGEUP:
      SetTopLine(fTopLine - page);
      break;
    case SB_PAGEDOWN:
      SetTopLine(fTopLine + page);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      const int rows = DisplayRowCount();
      SetTopLine(rows > 32767 ? platform::MulDiv(rows + fLinesInWindow - 1, ThumbPos, 32767) : ThumbPos);
      if (HasOption(eoShowScrollHint)) ShowScrollHintFor(fTopLine);
      break;
    }
    case SB_TOP:
      SetTopLine(1);
      break;
    case SB_BOTTOM:
      SetTopLine(DisplayRowCount());
      break;
    case SB_ENDSCROLL:
      if (HasOption(eoShowScrollHint) && fHost) fHost->HideScrollHint();
      break;
    default:
      break;
  }
  if (fHost) fHost->UpdateWindow();
  if (OnScroll) OnScroll(this, sbVertical);
}

std::u16string TCustomSynPad::ScrollHintText(int TopRow) {
  const int rows = std::max(1, DisplayRowCount());
  // An empty wrapped text has no row 0 to ask for.
  auto lineOf = [&](long long row) { return LineOfRow(static_cast<int>(std::clamp<long long>(row, 1, rows))); };
  char buf[64];
  if (fScrollHintFormat == shfTopLineOnly)
    std::snprintf(buf, sizeof buf, "Top Line: %d", lineOf(TopRow));
  else
    std::snprintf(buf, sizeof buf, "%d - %d", lineOf(TopRow),
                  lineOf(static_cast<long long>(TopRow) +
                         std::min<long long>(fLinesInWindow, static_cast<long long>(DisplayRowCount()) - TopRow)));
  std::u16string text = codepage::Cp1252ToUtf16(buf);
  if (text.size() > 255) text.resize(255);
  return text;
}

void TCustomSynPad::ShowScrollHintFor(int TopRow) {
  if (!fHost) return;
  const std::u16string text = ScrollHintText(TopRow);
  int w = 0, h = 0;
  fHost->MeasureScrollHint(text, 200, w, h);
  const int x = ClientWidth() - w - 4;
  int y = 10;
  if (HasOption(eoScrollHintFollows)) {
    const int a = fHost->ScrollArrowHeight();
    const TSynScrollInfo& si = fScrollInfo[sbVertical];
    const double track = si.Max > 0 ? static_cast<double>(ClientHeight() - 2 * a) * si.Pos / si.Max : 0.0;
    y = a + static_cast<int>(std::lround(track)) + h / 2;
  }
  fHost->ShowScrollHint(text, x, y, fScrollHintColor);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

void TCustomSynPad::DragOver(TCustomSynPad* Source, int X, int Y, TSynDragState State, vk::TShiftState Shift,
                             bool& Accept) {
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
  if (!Source || GetReadOnly()) return;
  Accept = true;
  if (fHost) fHost->SetCursor((Shift & vk::ssCtrl) ? crMultiDrag : crDrag);
  if (Source != this) {
    if (State != dsDragLeave) PlaceCaretAtPixel(X, Y);
    return;
  }
  if (State == dsDragLeave) {
    // Out of the window the caret goes back where the drag began.
    StopScrollTimer();
    PlaceCaretAtPixel(fMouseDownX, fMouseDownY);
    return;
  }
  TDisplayCoord p = PixelsToNearestRowColumn(X, Y);
  p.Column = MinMax(p.Column, fLeftChar, std::max(fLeftChar, fLeftChar + fCharsInWindow - 1));
  p.Row = MinMax(p.Row, fTopLine, std::max(fTopLine, fTopLine + fLinesInWindow - 1));
  p.Row = MinMax(p.Row, 1, std::max(1, DisplayRowCount()));
  SetDisplayXY(p);
  ComputeScroll(X, Y);
}

void TCustomSynPad::DragCanceled() {
  StopScrollTimer();
  fDragging = false;
}

void TCustomSynPad::DragDrop(TCustomSynPad* Source, int X, int Y, vk::TShiftState Shift) {
  StopScrollTimer();
  if (Source) {
    Source->StopScrollTimer();
    Source->fDragging = false;
  }
  if (GetReadOnly() || !Source || !Source->SelAvail()) return;
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
  const bool same = Source == this;
  const TBufferCoord caretBefore = GetCaretXY();
  TSynPaintLock lock(*this);
  TSynUndoBlock block(*fUndoList);
  {
    PlaceCaretAtPixel(X, Y);
    TBufferCoord drop = GetCaretXY();
    if ((same && IsPointInSelection(drop)) || Source->GetSelTextRaw().empty()) {
      // Onto itself: nothing changes, nothing is recorded.
      SetCaretXY(caretBefore);
    } else {
      bool move = same ? !(Shift & vk::ssCtrl) : (Shift & vk::ssShift) != 0;
      // Text is never taken out of a control that cannot change.
      if (Source->GetReadOnly()) move = false;
      const TSynSelectionMode mode = Source->fActiveSelectionMode;
      const std::u16string text = Source->GetSelTextRaw();
      if (move) {
        const TBufferCoord bb = Source->BlockBegin(), be = Source->BlockEnd();
        // The block's characters on the drop line, which go out before the drop.
        TCharRange out;
        if (same && mode == smColumn && drop.Line >= bb.Line && drop.Line <= be.Line) {
          const TColumnSpan span = ColumnSpanOf(bb, be);
          out = ColumnCharsOfLine(drop.Line, span.Left, span.Right);
          out.To = std::min(out.To, static_cast<int>(LineText(drop.Line).size()) + 1);
        }
        Source->SetSelTextExternal(u"");
        if (same) {
          // The drop position as it stands after the selection went out.
          if (mode == smColumn) {
            if (out.To > out.From && drop.Char >= out.To) drop.Char -= out.To - out.From;
          } else if (mode == smLine) {
            if (drop.Line > be.Line) drop.Line -= be.Line - bb.Line + 1;
          } else if (drop.Line == be.Line && drop.Char >= be.Char) {
            drop = TBufferCoord{bb.Char + (drop.Char - be.Char), bb.Line};
          } else if (drop.Line > be.Line) {
            drop.Line -= be.Line - bb.Line;
          }
        }
      }
      const TSynSelectionMode insertMode = same ? mode : fSelectionMode;
      TSynScrollPastEolOn pastEol(*this);
      SetCaretXY(drop);
      drop = GetCaretXY();
      if (SelAvail()) InvalidateSelection();
      fActiveSelectionMode = insertMode;
      StoreBlock(drop, drop);
      TBufferCoord start = drop;
      if (insertMode == smLine) start.Char = 1;
      if (insertMode == smNormal) start.Char = std::min(start.Char, static_cast<int>(LineText(start.Line).size()) + 1);
      if (insertMode == smColumn) {
        // A column block records its lines itself.
        SetSelTextExternal(text);
      } else {
        {
          // The replacement records nothing of its own: one item below stands for the drop.
          fUndoList->Lock();
          fRedoList->Lock();
          TSynScopeEnd unlock([this] {
            fUndoList->Unlock();
            fRedoList->Unlock();
          });
          SetSelTextPrimitiveEx(insertMode, text, false);
        }
        fUndoList->AddChange(same ? crDragDropInsert : crInsert, start, fInsertEnd, u"", smNormal);
        FlushTrims(true);
      }
      const TBufferCoord end = fInsertEnd;
      SetSelectionRaw(insertMode == smColumn ? drop : start, end, insertMode);
    }
  }
}

void TCustomSynPad::DropFiles(int X, int Y, const std::vector<std::string>& Files) {
  if (HasOption(eoDropFiles) && OnDropFiles && !Files.empty()) OnDropFiles(this, X, Y, Files);
}

// ---------------------------------------------------------------------------------------------
// Standard edit actions

bool TCustomSynPad::EditActionEnabled(TSynEditAction Action) const {
  switch (Action) {
    case eaCut:
    case eaDelete:
      return SelAvail() && !GetReadOnly();
    case eaCopy:
      return SelAvail();
    case eaPaste:
      return CanPaste();
    case eaUndo:
      return CanUndo();
    case eaSelectAll:
      return true;
  }
  return false;
}

void TCustomSynPad::ExecuteEditAction(TSynEditAction Action) {
  switch (Action) {
    case eaCut:
      CutToClipboard();
      break;
    case eaCopy:
      CopyToClipboard();
      break;
    case eaPaste:
      PasteFromClipboard();
      break;
    case eaDelete:
      if (!GetReadOnly()) SetSelTextExternal(u"");
      break;
    case eaUndo:
      Undo();
      break;
    case eaSelectAll:
      SelectAll();
      break;
  }
}
