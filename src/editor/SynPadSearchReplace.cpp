// The editor control's search-and-replace driver: walks the lines of a range, lets the search engine
// find the matches of each, selects them and replaces them when asked.
//
// Replacing every match without prompting applies all matches of a line at once and records the
// whole run as one change, so its cost grows with the text, not with matches times lines.
#include <algorithm>
#include <climits>

#include "editor/SynPad.h"
#include "editor/SynPadScopes.h"

namespace {

bool HasLineBreak(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

int TCustomSynPad::SearchReplace(const std::u16string& ASearch, const std::u16string& AReplace, TSynSearchOptions AOptions) {
  if (!fSearchEngine) throw ESynPadError("No search engine has been assigned");
  if (ASearch.empty()) return 0;
  const bool backward = AOptions & ssoBackwards;
  // A read-only text is searched and the match selected, but nothing is replaced.
  if (GetReadOnly()) AOptions &= static_cast<TSynSearchOptions>(~(ssoReplace | ssoReplaceAll | ssoPrompt));
  bool prompt = AOptions & ssoPrompt;
  const bool replaceOne = AOptions & ssoReplace;
  bool replaceAll = AOptions & ssoReplaceAll;
  const bool fromCaret = !(AOptions & ssoEntireScope);
  if (!SelAvail()) AOptions &= static_cast<TSynSearchOptions>(~ssoSelectedOnly);
  const bool selOnly = AOptions & ssoSelectedOnly;
  const int count = fLines->Count();
  if (count == 0) return 0;
  auto lineLen = [&](int line) { return static_cast<int>(fLines->StringRef(line - 1).size()); };

  TBufferCoord ptStart, ptEnd;
  bool columnRange = false;
  if (selOnly) {
    ptStart = BlockBegin();
    ptEnd = BlockEnd();
    if (fActiveSelectionMode == smLine) {
      ptStart.Char = 1;
      ptEnd.Char = lineLen(std::min(ptEnd.Line, count)) + 1;
    } else if (fActiveSelectionMode == smColumn) {
      if (ptStart.Char > ptEnd.Char) std::swap(ptStart.Char, ptEnd.Char);
      columnRange = true;
    }
  } else {
    ptStart = TBufferCoord{1, 1};
    ptEnd = TBufferCoord{lineLen(count) + 1, count};
    if (fromCaret) {
      if (backward)
        ptEnd = GetCaretXY();
      else
        ptStart = GetCaretXY();
    }
  }
  fSearchEngine->SetOptions(AOptions);
  fSearchEngine->SetPattern(ASearch);

  // The paint lock and the undo block of a replace-all, and the transient paint, end however the
  // search ends (a regular expression that does not compile raises from FindAll).
  struct TRun {
    TCustomSynPad& ed;
    bool locked = false;
    ~TRun() {
      if (locked) {
        ed.fUndoList->EndBlock();
        ed.EndUpdate();
      }
      ed.PaintTransient(ttAfter);
    }
    void Lock() {
      if (locked) return;
      ed.BeginUpdate();
      ed.fUndoList->BeginBlock();
      locked = true;
    }
  } run{*this};
  PaintTransient(ttBefore);
  if (replaceAll && !prompt) run.Lock();

  // Lines changed by whole-line replacement, waiting to be recorded as one change.
  int spanFirst = 0, spanLast = 0;
  std::vector<std::pair<int, std::u16string>> spanOld;
  auto flushSpan = [&]() {
    if (spanOld.empty()) return;
    std::sort(spanOld.begin(), spanOld.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::u16string old;
    size_t next = 0;
    for (int line = spanFirst; line <= spanLast; ++line) {
      if (next < spanOld.size() && spanOld[next].first == line)
        old += spanOld[next++].second;
      else
        old += fLines->StringRef(line - 1);
      if (line < spanLast) old += u"\r\n";
    }
    const TBufferCoord b{1, spanFirst}, e{lineLen(spanLast) + 1, spanLast};
    fUndoList->AddChange(crGroupOpen, b, e, u"", smNormal);
    fUndoList->AddChange(crInsert, b, e, old, smNormal);
    fUndoList->AddChange(crGroupClose, b, e, u"", smNormal);
    spanOld.clear();
  };

  int result = 0;
  int line = backward ? ptEnd.Line : ptStart.Line;
  int restartCol = 0;  // after a replacement with a line break: go on from here on this line
  TBufferCoord lastCaret{0, 0};
  while (line >= 1 && line <= fLines->Count() && (backward ? line >= ptStart.Line : line <= ptEnd.Line)) {
    // Valid until the line changes: the replace-all pass below reads it up to its PutLine, the
    // match-by-match pass does not read it at all. Only lines that are replaced get copied.
    const std::u16string_view text = fLines->StringRef(line - 1);
    const int n = fSearchEngine->FindAll(text);
    auto inRange = [&](int found, int len) {
      if (columnRange) return found >= ptStart.Char && found + len <= ptEnd.Char;
      if (line == ptStart.Line && found < ptStart.Char) return false;
      if (line == ptEnd.Line && found + len > ptEnd.Char) return false;
      return found >= restartCol;
    };

    if (replaceAll && !prompt && n > 0) {
      // Every match of the line at once, from the line as it was found.
      std::u16string out;
      int prev = 0, replaced = 0, caretCol = 0;
      bool breaks = false;
      for (int i = 0; i < n; ++i) {
        const int found = fSearchEngine->Results(i), len = fSearchEngine->Lengths(i);
        if (found < 1 || found - 1 < prev || !inRange(found, len)) continue;
        out.append(text, static_cast<size_t>(prev), static_cast<size_t>(found - 1 - prev));
        const std::u16string r =
            fSearchEngine->Replace(text.substr(static_cast<size_t>(found - 1), static_cast<size_t>(len)), AReplace);
        breaks = breaks || HasLineBreak(r);
        out += r;
        prev = found - 1 + len;
        ++replaced;
        if (!backward || replaced == 1) caretCol = static_cast<int>(out.size()) + 1;
      }
      if (replaced > 0 && !breaks) {
        out.append(text, static_cast<size_t>(prev), std::u16string::npos);
        if (spanOld.empty()) spanFirst = spanLast = line;
        spanFirst = std::min(spanFirst, line);
        spanLast = std::max(spanLast, line);
        spanOld.emplace_back(line, std::u16string(text));
        {
          TSynLinesUpdate update(*fLines);
          PutLine(line, out);
        }
        result += replaced;
        // Forwards the caret ends after the line's last replacement, backwards after its first.
        lastCaret = TBufferCoord{caretCol, line};
        restartCol = 0;
        line += backward ? -1 : 1;
        continue;
      }
      if (replaced == 0) {
        restartCol = 0;
        line += backward ? -1 : 1;
        continue;
      }
      // A replacement with a line break goes match by match (below); what came before is recorded first.
      flushSpan();
    }

    int offset = 0;
    bool restarted = false;
    for (int k = 0; k < n; ++k) {
      const int i = backward ? n - 1 - k : k;
      int found = fSearchEngine->Results(i);
      const int len = fSearchEngine->Lengths(i);
      if (found < 1) continue;
      // Earlier replacements on the line moved the match and the range's end alike (a column
      // block stays where it is).
      if (!inRange(columnRange ? found : found + offset, len)) continue;
      if (!backward) found += offset;
      ++result;
      const TBufferCoord b{found, line}, e{found + len, line};
      SetCaretXY(backward ? b : e);
      SetSelectionRaw(b, e, smNormal);
      if (!replaceOne && !replaceAll) return result;
      TSynReplaceAction action = raReplace;
      if (prompt && OnReplaceText) {
        PaintTransient(ttAfter);
        OnReplaceText(this, ASearch, AReplace, line, found, action);
        PaintTransient(ttBefore);
        if (action == raCancel) return result;
      }
      if (action == raSkip) {
        --result;
        continue;
      }
      if (action == raReplaceAll) {
        replaceAll = true;
        prompt = false;
        run.Lock();
      }
      const int linesBefore = fLines->Count();
      const std::u16string r = fSearchEngine->Replace(GetSelTextRaw(), AReplace);
      SetSelTextExternal(r);
      lastCaret = GetCaretXY();
      if (fCaretY != line) {
        // The replacement broke the line: the rest of it now stands on the caret's line, so the
        // search goes on there with the matches found anew.
        const int added = fLines->Count() - linesBefore;
        if (!backward) {
          if (!columnRange && ptEnd.Line == line) ptEnd.Char += fCaretX - (found + len);
          ptEnd.Line += added;
          line = fCaretY;
          // An empty match is not found again where its replacement ended.
          restartCol = fCaretX + (len == 0 ? 1 : 0);
          restarted = true;
        } else if (ptEnd.Line >= line) {
          ptEnd.Line += added;
        }
        if (!replaceAll) return result;
        if (restarted) break;
        continue;
      }
      const int replLen = fCaretX - found;
      if (!backward && replLen != len) {
        offset += replLen - len;
        if (!columnRange && line == ptEnd.Line) ptEnd.Char += replLen - len;
      }
      if (!replaceAll) return result;
    }
    if (restarted) continue;
    restartCol = 0;
    line += backward ? -1 : 1;
  }
  flushSpan();
  if (lastCaret.Line > 0 && replaceAll) {
    SetCaretXY(lastCaret);
    if (SelAvail()) InvalidateSelection();
    fBlockBegin = fBlockEnd = GetCaretXY();
  }
  return result;
}
