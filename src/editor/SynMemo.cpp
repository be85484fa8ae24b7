#include "editor/SynMemo.h"

#include <algorithm>

#include "editor/SynPadScopes.h"

namespace {

std::intptr_t Pack(int Low, int High) {
  // The classic 16-bit packing, cut as the messages always cut it.
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(Low) & 0xFFFFu) |
                                    ((static_cast<std::uint32_t>(High) & 0xFFFFu) << 16));
}

}  // namespace

std::intptr_t TSynMemo::Perform(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  switch (Msg) {
    case EM_GETSEL: {
      const int start = GetSelStart(), end = GetSelEnd();
      if (WParam) *reinterpret_cast<std::int32_t*>(WParam) = start;
      if (LParam) *reinterpret_cast<std::int32_t*>(LParam) = end;
      return Pack(start, end);
    }
    case EM_SETSEL: {
      const int count = LineCount();
      const int textEnd =
          count > 0 ? RowColToCharIndex(TBufferCoord{static_cast<int>(LineText(count).size()) + 1, count}) : 0;
      const long long start = static_cast<std::intptr_t>(WParam), end = LParam;
      // -1 (and anything past the text) for the end means the end of the text; a negative start
      // only removes the selection.
      if (start < 0) {
        SetBlockBegin(GetCaretXY());
        return 0;
      }
      SetSelStart(static_cast<int>(std::min<long long>(start, textEnd)));
      SetSelEnd(static_cast<int>(end < 0 || end > textEnd ? textEnd : end));
      return 0;
    }
    case EM_GETMODIFY:
      return Modified() ? 1 : 0;
    case EM_SETMODIFY:
      SetModified(WParam != 0);
      return 0;
    case EM_GETLINECOUNT:
      return LineCount();
    case EM_REPLACESEL: {
      if (GetReadOnly()) return 0;
      const char16_t* p = reinterpret_cast<const char16_t*>(LParam);
      const std::u16string text = p ? std::u16string(p) : std::u16string();
      PaintTransient(ttBefore);
      TSynScopeEnd after([this] { PaintTransient(ttAfter); });
      if (WParam != 0) {
        // Recorded as any replacement is, in the selection's mode (a column block line by line).
        SetSelTextExternal(text, ActiveSelectionMode());
      } else {
        SetSelText(text);
        // The recorded changes would now point at the wrong places: undo starts afresh.
        ClearUndo();
      }
      EnsureCursorPosVisible();
      StatusChanged(SynSC(scSelection));
      return 0;
    }
    case EM_GETLINE: {
      const long long index = static_cast<std::intptr_t>(WParam);
      char16_t* buffer = reinterpret_cast<char16_t*>(LParam);
      if (!buffer || index < 0 || index >= LineCount()) return 0;
      const std::u16string_view line = LineText(static_cast<int>(index) + 1);
      const size_t size = buffer[0];
      size_t n = 0;
      while (n < size && n < line.size() && line[n] != 0) {
        buffer[n] = line[n];
        ++n;
      }
      if (n < size) buffer[n] = 0;
      return static_cast<std::intptr_t>(n);
    }
    case EM_CANUNDO:
      return CanUndo() ? 1 : 0;
    case EM_UNDO: {
      const std::intptr_t result = CanUndo() ? 1 : 0;
      Undo();
      return result;
    }
    case EM_GETFIRSTVISIBLELINE:
      return TopLine() - 1;
    case EM_CHARFROMPOS: {
      const int x = static_cast<std::int16_t>(LParam & 0xFFFF), y = static_cast<std::int16_t>((LParam >> 16) & 0xFFFF);
      const TBufferCoord pos = DisplayToBufferPos(PixelsToRowColumn(x, y));
      const int count = LineCount();
      // A pixel below the text counts on its last line; a pixel past a line's end on its end.
      const int lineIndex = std::max(0, std::min(pos.Line, std::max(1, count)) - 1);
      const int index =
          lineIndex < count
              ? RowColToCharIndex(TBufferCoord{std::min(pos.Char, static_cast<int>(LineText(lineIndex + 1).size()) + 1),
                                               lineIndex + 1})
              : 0;
      return Pack(index, lineIndex);
    }
    case EM_GETSELTEXT: {
      char16_t* buffer = reinterpret_cast<char16_t*>(LParam);
      const std::u16string text = GetSelText();
      if (!buffer || WParam == 0) return 0;
      // The buffer's size bounds the copy; the text is cut to fit with its NUL.
      const size_t n = std::min<size_t>(text.size(), WParam - 1);
      std::copy_n(text.data(), n, buffer);
      buffer[n] = 0;
      return static_cast<std::intptr_t>(text.size());
    }
    default:
      return 0;
  }
}
