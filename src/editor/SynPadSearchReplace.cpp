// The editor control's search-and-replace driver: walks the lines of a range, lets the search engine
// find the matches of each, selects them and replaces them when asked.
//
// Replacing every match without prompting applies all matches of a line at once and records the
// whole run as one change, so its cost grows with the text, not with matches times lines.
#include <algorithm>
#include <climits>

#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadScopes.h"

namespace {

bool HasLineBreak(std::u16string_view s) {
  return s.find_first_of(u"\r\n") != std::u16string_view::npos;
}

}  // namespace

// One call of SearchReplace: the range it walks, where the walk stands, and what it has done.
// Its two algorithms share the walk: replacing every match in one pass, line by line, and going
// match by match (a search, a single replacement, or replacements the user is asked about).
struct TCustomSynPad::TSearchReplaceRun {
  // How a line walked match by match ended.
  enum class TLineEnd { Done, Restart, Stop };

  TCustomSynPad& ed;
  const std::u16string& search;
  const std::u16string& replacement;
  const bool backward, replaceOne;
  bool replaceAll, prompt;  // "Replace all" answered at a prompt turns the prompts off
  bool columnRange = false;
  TBufferCoord ptStart, ptEnd;
  // A column block's screen columns, and the characters they cover on the line columnLine.
  TCustomSynPad::TColumnSpan columnSpan;
  int columnLine = 0;
  TCustomSynPad::TCharRange columnChars;
  int line = 0;
  int restartCol = 0;  // after a replacement with a line break and a trim: go on from here on this line
  TBufferCoord lastCaret{0, 0};
  int result = 0;
  // The paint lock and the undo block of a replace-all, held from the first replacement on.
  bool locked = false;
  // Lines changed by whole-line replacement, waiting to be recorded as one change.
  int spanFirst = 0, spanLast = 0;
  std::vector<std::pair<int, std::u16string>> spanOld;
  // Lines the replacements break, with their new text, put in when the pass ends.
  std::vector<std::pair<int, std::u16string>> broken;

  TSearchReplaceRun(TCustomSynPad& Ed, const std::u16string& ASearch, const std::u16string& AReplace,
                    TSynSearchOptions AOptions)
      : ed(Ed),
        search(ASearch),
        replacement(AReplace),
        backward(AOptions & ssoBackwards),
        replaceOne(AOptions & ssoReplace),
        replaceAll(AOptions & ssoReplaceAll),
        prompt(AOptions & ssoPrompt) {
    SetRange(AOptions);
    line = backward ? ptEnd.Line : ptStart.Line;
    ed.fSearchEngine->SetOptions(AOptions);
    ed.fSearchEngine->SetPattern(ASearch);
    ed.PaintTransient(ttBefore);
  }
  // The lock and the transient paint end however the search ends (a regular expression that
  // does not compile raises from FindAll).
  ~TSearchReplaceRun() {
    if (locked) {
      ed.fUndoList->EndBlock();
      ed.EndUpdate();
    }
    ed.PaintTransient(ttAfter);
  }
  TSearchReplaceRun(const TSearchReplaceRun&) = delete;
  TSearchReplaceRun& operator=(const TSearchReplaceRun&) = delete;

  int LineLength(int Line) const { return static_cast<int>(ed.fLines->StringRef(Line - 1).size()); }

  // The selection (its whole lines, or its columns) or the text, from or up to the caret.
  void SetRange(TSynSearchOptions AOptions) {
    const int count = ed.fLines->Count();
    if (AOptions & ssoSelectedOnly) {
      ptStart = ed.BlockBegin();
      ptEnd = ed.BlockEnd();
      if (ed.fActiveSelectionMode == smLine) {
        ptStart.Char = 1;
        ptEnd.Char = LineLength(std::min(ptEnd.Line, count)) + 1;
      } else if (ed.fActiveSelectionMode == smColumn) {
        columnSpan = ed.ColumnSpanOf(ptStart, ptEnd);
        columnRange = true;
      }
      return;
    }
    ptStart = TBufferCoord{1, 1};
    ptEnd = TBufferCoord{LineLength(count) + 1, count};
    if (!(AOptions & ssoEntireScope)) (backward ? ptEnd : ptStart) = ed.GetCaretXY();
  }

  bool LinesLeft() const {
    return line >= 1 && line <= ed.fLines->Count() && (backward ? line >= ptStart.Line : line <= ptEnd.Line);
  }
  void NextLine() {
    restartCol = 0;
    line += backward ? -1 : 1;
  }
  // Valid until the line changes: the one-pass replacement reads it up to its PutLine, the walk
  // match by match does not read it at all. Only lines that are replaced get copied.
  std::u16string_view CurrentLine() const { return ed.fLines->StringRef(line - 1); }
  // A line a replacement broke and trimmed is searched again from where the replacement ended, in a
  // column range too (there an empty match at the start of the rest was found again for ever).
  bool InRange(int found, int len) {
    if (columnRange) {
      // Taken from the line as searched: the block stays where it is while the line changes.
      if (columnLine != line) {
        columnLine = line;
        columnChars = ed.ColumnCharsOfLine(line, columnSpan.Left, columnSpan.Right);
      }
      return found >= columnChars.From && found + len <= columnChars.To && found >= restartCol;
    }
    if (line == ptStart.Line && found < ptStart.Char) return false;
    if (line == ptEnd.Line && found + len > ptEnd.Char) return false;
    return found >= restartCol;
  }

  void Lock() {
    if (locked) return;
    ed.BeginUpdate();
    ed.fUndoList->BeginBlock();
    locked = true;
  }

  void NoteReplacedLine(std::u16string_view old) {
    if (spanOld.empty()) spanFirst = spanLast = line;
    spanFirst = std::min(spanFirst, line);
    spanLast = std::max(spanLast, line);
    spanOld.emplace_back(line, std::u16string(old));
  }
  // Records the lines replaced whole since the last record as one change.
  void RecordReplacedLines() {
    if (spanOld.empty()) return;
    std::sort(spanOld.begin(), spanOld.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::u16string old;
    size_t next = 0;
    for (int l = spanFirst; l <= spanLast; ++l) {
      if (next < spanOld.size() && spanOld[next].first == l)
        old += spanOld[next++].second;
      else
        old += ed.fLines->StringRef(l - 1);
      if (l < spanLast) old += u"\r\n";
    }
    const TBufferCoord b{1, spanFirst}, e{LineLength(spanLast) + 1, spanLast};
    ed.fUndoList->AddChange(crGroupOpen, b, e, u"", smNormal);
    ed.fUndoList->AddChange(crInsert, b, e, old, smNormal);
    ed.fUndoList->AddChange(crGroupClose, b, e, u"", smNormal);
    spanOld.clear();
  }

  // Matches FIRST to N - 1 of the line at once, OFFSET from where the engine found them (earlier
  // replacements on the line moved them): the matches are those of the line as it was searched,
  // whatever the replacements put in front of them. A line the replacements break waits in BROKEN
  // for the end of the pass, so that no line moves during it.
  void ReplaceLineAtOnce(std::u16string_view text, int n, int first = 0, int offset = 0) {
    std::u16string out;
    int prev = 0, replaced = 0, caretCol = 0, lastEmpty = 0;
    bool breaks = false;
    for (int i = first; i < n; ++i) {
      const int at = ed.fSearchEngine->Results(i), len = ed.fSearchEngine->Lengths(i);
      if (at < 1) continue;
      int from = at + offset, to = from + len;
      WidenToWholeCharacters(text, from, to);
      // Widened, a match may reach into the one before it: that character is replaced already.
      if (from - 1 < prev || (from == to && from == lastEmpty)) continue;
      // A column block stays where it is, as in the walk.
      if (!InRange(columnRange ? from - offset : from, to - from)) continue;
      out.append(text, static_cast<size_t>(prev), static_cast<size_t>(from - 1 - prev));
      // The engine is handed the match as it is replaced: in whole characters.
      const std::u16string r = ed.fSearchEngine->Replace(
          text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)), replacement);
      breaks = breaks || HasLineBreak(r);
      out += r;
      prev = to - 1;
      if (from == to) lastEmpty = from;
      ++replaced;
      if (!backward || replaced == 1) caretCol = static_cast<int>(out.size()) + 1;
    }
    if (replaced == 0) return;
    result += replaced;
    out.append(text, static_cast<size_t>(prev), std::u16string::npos);
    // Forwards the caret ends after the line's last replacement, backwards after its first (in a
    // broken line, CHAR counts in its new text until the lines are placed).
    lastCaret = TBufferCoord{caretCol, line};
    if (breaks) {
      broken.emplace_back(line, std::move(out));
      return;
    }
    NoteReplacedLine(text);
    TSynLinesUpdate update(*ed.fLines);
    ed.PutLine(line, out);
  }

  // Puts the broken lines in, with the lines replaced whole around them, as one change: every line
  // from the first to the last changed one goes out and the new ones in at once, so that a thousand
  // breaks cost one insertion into the buffer, not a thousand. Bookmarks stay at the start of their
  // line's text; the caret goes where the pass left it.
  void PlaceBrokenLines() {
    auto byLine = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::sort(broken.begin(), broken.end(), byLine);
    std::sort(spanOld.begin(), spanOld.end(), byLine);
    int first = broken.front().first, last = broken.back().first;
    if (!spanOld.empty()) {
      first = std::min(first, spanFirst);
      last = std::max(last, spanLast);
    }
    const bool trim = ed.TrimActive();
    std::u16string old;
    std::vector<std::u16string> lines;
    std::vector<int> startOf;  // the new line each old line's text starts on
    size_t nextBroken = 0, nextOld = 0, oldLastLength = 0;
    for (int l = first; l <= last; ++l) {
      const std::u16string_view now = ed.fLines->StringRef(l - 1);
      const bool wasPut = nextOld < spanOld.size() && spanOld[nextOld].first == l;
      const std::u16string_view was = wasPut ? std::u16string_view(spanOld[nextOld++].second) : now;
      old += was;
      oldLastLength = was.size();
      if (l < last) old += u"\r\n";
      startOf.push_back(first + static_cast<int>(lines.size()));
      if (nextBroken < broken.size() && broken[nextBroken].first == l) {
        // As an insertion would, the lines keep no trailing blanks where the option trims them.
        for (std::u16string_view piece : SplitIntoLines(broken[nextBroken++].second))
          lines.emplace_back(trim ? TrimRight(piece) : piece);
      } else {
        lines.emplace_back(now);
      }
    }
    const int added = static_cast<int>(lines.size()) - (last - first + 1);
    std::vector<std::pair<const void*, int>> marks;
    for (auto& m : ed.fMarkList)
      if (m->Line >= first && m->Line <= last) marks.emplace_back(m.get(), m->Line);
    {
      TSynLinesUpdate update(*ed.fLines);
      ed.fLines->DeleteLines(first, last - first);
      ed.PutLine(first, lines.front());
      ed.fLines->InsertStrings(first, std::vector<std::u16string_view>(lines.begin() + 1, lines.end()));
    }
    for (auto& m : ed.fMarkList)
      for (const auto& [handle, was] : marks)
        if (m.get() == handle) m->Line = startOf[static_cast<size_t>(was - first)];
    // Undone, the old lines go back in with their bookmarks and the caret at their start.
    const TBufferCoord b{1, first};
    const int newLast = first + static_cast<int>(lines.size()) - 1;
    ed.fUndoList->AddChange(crGroupOpen, b, b, u"", smNormal);
    if (TSynPadUndoItem* removed = ed.fUndoList->AddChange(
            crDeleteAfter, b, TBufferCoord{static_cast<int>(oldLastLength) + 1, last}, old, smNormal))
      removed->MarkLines = std::move(marks);
    ed.fUndoList->AddChange(crInsert, b, TBufferCoord{LineLength(newLast) + 1, newLast}, u"", smNormal);
    ed.fUndoList->AddChange(crGroupClose, b, b, u"", smNormal);
    spanOld.clear();
    // The caret, counted in the new lines.
    TBufferCoord caret = lastCaret;
    if (caret.Line > last) {
      caret.Line += added;
    } else if (caret.Line >= first) {
      const int start = startOf[static_cast<size_t>(caret.Line - first)];
      const auto it =
          std::lower_bound(broken.begin(), broken.end(), caret.Line, [](const auto& a, int l) { return a.first < l; });
      if (it != broken.end() && it->first == caret.Line) {
        const std::vector<std::u16string_view> before =
            SplitIntoLines(std::u16string_view(it->second).substr(0, static_cast<size_t>(caret.Char - 1)));
        caret.Line = start + static_cast<int>(before.size()) - 1;
        caret.Char =
            static_cast<int>(std::min(before.back().size(), lines[static_cast<size_t>(caret.Line - first)].size())) + 1;
      } else {
        caret.Line = start;
      }
    }
    lastCaret = caret;
  }

  // The n matches of the line one at a time: each is selected, and replaced when asked.
  TLineEnd WalkLineMatches(int n) {
    int offset = 0;
    // Where the last match taken ended (forwards) or began (backwards), and the last empty one.
    int taken = backward ? INT_MAX : 0, lastEmpty = 0;
    for (int k = 0; k < n; ++k) {
      const int i = backward ? n - 1 - k : k;
      const int at = ed.fSearchEngine->Results(i), engineLen = ed.fSearchEngine->Lengths(i);
      if (at < 1) continue;
      // Earlier replacements on the line moved the match and the range's end alike (offset is 0
      // backwards). The match is taken in whole characters.
      int found = at + offset, to = found + engineLen;
      WidenToWholeCharacters(CurrentLine(), found, to);
      const int len = to - found;
      if ((backward ? to > taken : found < taken) || (len == 0 && found == lastEmpty)) continue;
      // A column block stays where it is.
      if (!InRange(columnRange ? found - offset : found, len)) continue;
      taken = backward ? found : to;
      if (len == 0) lastEmpty = found;
      ++result;
      const TBufferCoord b{found, line}, e{found + len, line};
      ed.SetCaretXY(backward ? b : e);
      ed.SetSelectionRaw(b, e, smNormal);
      if (!replaceOne && !replaceAll) return TLineEnd::Stop;
      const TSynReplaceAction action = Ask(found);
      if (action == raCancel) return TLineEnd::Stop;
      if (action == raSkip) {
        --result;
        continue;
      }
      if (action == raReplaceAll) {
        replaceAll = true;
        prompt = false;
        Lock();
        // The rest of the line, this match on, goes in one pass too: match by match a long line
        // of matches cost its length for each of them, and its undo as much again. Backwards the
        // matches before this one stand where they were found.
        --result;
        if (backward)
          ReplaceLineAtOnce(CurrentLine(), i + 1);
        else
          ReplaceLineAtOnce(CurrentLine(), n, i, offset);
        return TLineEnd::Done;
      }
      const int linesBefore = ed.fLines->Count();
      const int restLength = LineLength(line) - (found - 1 + len);
      // The engine is handed the match as it is selected: in whole characters.
      const std::u16string occurrence(CurrentLine().substr(static_cast<size_t>(found - 1), static_cast<size_t>(len)));
      // An empty match is replaced where it is, also when lines or columns are the selection mode
      // (inserted as lines, a line break before the match made the walk meet it again for ever).
      ed.SetSelTextExternal(ed.fSearchEngine->Replace(occurrence, replacement), smNormal);
      lastCaret = ed.GetCaretXY();
      if (ed.fCaretY != line) {
        if (!replaceAll) return TLineEnd::Stop;
        if (!FollowBrokenLine(found, len, ed.fLines->Count() - linesBefore, restLength, offset))
          return TLineEnd::Restart;
        if (!backward) taken = ed.fCaretX;
        lastEmpty = 0;
        continue;
      }
      const int replLen = ed.fCaretX - found;
      if (!backward && replLen != len) {
        offset += replLen - len;
        if (!columnRange && line == ptEnd.Line) ptEnd.Char += replLen - len;
      }
      if (!backward) {
        // Counted in the line as it now stands.
        taken = found + replLen;
        if (len == 0) lastEmpty = taken;
      }
      if (!replaceAll) return TLineEnd::Stop;
    }
    return TLineEnd::Done;
  }

  // What the user says to the selected match (replace it when nobody is asked).
  TSynReplaceAction Ask(int found) {
    TSynReplaceAction action = raReplace;
    if (prompt && ed.OnReplaceText) {
      ed.PaintTransient(ttAfter);
      ed.OnReplaceText(&ed, search, replacement, line, found, action);
      ed.PaintTransient(ttBefore);
    }
    return action;
  }

  // A replacement broke the line, adding lines: the range grows with them. Forwards the rest of
  // the line (RESTLENGTH characters) now stands on the caret's line, and the walk goes on there with
  // the matches the line had, moved by OFFSET; false where the rest lost its trailing blanks to the
  // option that trims them, and the walk must search the line it ended on again.
  bool FollowBrokenLine(int found, int len, int added, int restLength, int& offset) {
    if (backward) {
      if (ptEnd.Line >= line) ptEnd.Line += added;
      return true;
    }
    if (!columnRange && ptEnd.Line == line) ptEnd.Char += ed.fCaretX - (found + len);
    ptEnd.Line += added;
    line = ed.fCaretY;
    // The rest of the searched line goes on here, with the block's characters as they were.
    if (columnRange) columnLine = line;
    offset += ed.fCaretX - (found + len);
    if (LineLength(line) == ed.fCaretX - 1 + restLength) return true;
    // An empty match is not found again where its replacement ended.
    restartCol = ed.fCaretX + (len == 0 ? 1 : 0);
    return false;
  }

  // The caret after a replace-all: after the last replacement, with no selection.
  void PlaceCaretAfterReplaceAll() {
    if (lastCaret.Line <= 0) return;
    ed.SetCaretXY(lastCaret);
    if (ed.SelAvail()) ed.InvalidateSelection();
    ed.CollapseBlockOnCaret();
  }

  // Replaces every match, a line at a time, as one change: its cost grows with the text, not
  // with matches times lines, also where the replacements break lines.
  int ReplaceAllInOnePass() {
    Lock();
    // What was replaced before a search fails is kept, and recorded.
    auto finish = [this] {
      if (broken.empty())
        RecordReplacedLines();
      else
        PlaceBrokenLines();
    };
    try {
      while (LinesLeft()) {
        const std::u16string_view text = CurrentLine();
        ReplaceLineAtOnce(text, ed.fSearchEngine->FindAll(text));
        NextLine();
      }
    } catch (...) {
      finish();
      throw;
    }
    finish();
    PlaceCaretAfterReplaceAll();
    return result;
  }

  // Finds the next match, or replaces one, or replaces match by match asking the user, who may
  // answer "Replace all": the rest then goes in one pass.
  int SearchMatchByMatch() {
    while (LinesLeft()) {
      const TLineEnd end = WalkLineMatches(ed.fSearchEngine->FindAll(CurrentLine()));
      if (end == TLineEnd::Stop) return result;
      if (end == TLineEnd::Done) NextLine();
      if (replaceAll && !prompt) return ReplaceAllInOnePass();
    }
    if (replaceAll) PlaceCaretAfterReplaceAll();
    return result;
  }
};

int TCustomSynPad::SearchReplace(const std::u16string& ASearch, const std::u16string& AReplace,
                                 TSynSearchOptions AOptions) {
  if (!fSearchEngine) throw ESynPadError("No search engine has been assigned");
  if (ASearch.empty()) return 0;
  // A read-only text is searched and the match selected, but nothing is replaced.
  if (GetReadOnly()) AOptions &= static_cast<TSynSearchOptions>(~(ssoReplace | ssoReplaceAll | ssoPrompt));
  if (!SelAvail()) AOptions &= static_cast<TSynSearchOptions>(~ssoSelectedOnly);
  if (fLines->Count() == 0) return 0;
  TSearchReplaceRun run(*this, ASearch, AReplace, AOptions);
  return run.replaceAll && !run.prompt ? run.ReplaceAllInOnePass() : run.SearchMatchByMatch();
}
