// Shared pieces of the record editor suites: reading a settings file with xmllint, the test
// plug-in's path, and a small editor that does what the search driver asks of the editor control.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "editor/SynPadHighlighter.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "recordeditor/uFindReplace_syn.h"

namespace recordeditortest {

using testsupport::XPath;

inline std::string TestPluginPath(const std::string& name) {
  return std::string(TESSARYN_BINARY_DIR) + "/testplugins/" + name;
}

// How many languages a highlighter set lists before any plug-in: the listed rows of the language table.
inline size_t ListedLanguageCount() {
  return static_cast<size_t>(std::ranges::count_if(
      SynLanguageTable, [](const TSynLanguageInfo& row) { return row.Listing != TSynListing::None; }));
}

// An editor of a few lines with a caret, a one-line selection and the search of the editor control
// reduced to what the find commands use: forwards or backwards, from the caret or over the whole
// text, the match selected and the caret after it (forwards) or at its start (backwards).
class TFakeSearchEditor : public ISynSearchEditor {
 public:
  explicit TFakeSearchEditor(std::vector<std::u16string> lines) : Lines(std::move(lines)) {}

  std::vector<std::u16string> Lines;
  TBufferCoord Caret{1, 1};
  TBufferCoord SelStart{1, 1}, SelEnd{1, 1};
  TSynPadSearchCustom* Engine = nullptr;
  std::vector<TSynPadSearchCustom*> EnginesSearchedWith;

  void Select(int line, int from, int to) {
    SelStart = {from, line};
    SelEnd = Caret = {to, line};
  }
  std::u16string GetSelText() override {
    return Lines[size_t(SelStart.Line - 1)].substr(size_t(SelStart.Char - 1), size_t(SelEnd.Char - SelStart.Char));
  }
  void SetSelectionMode(TSynSelectionMode) override {}
  TBufferCoord GetCaretXY() override { return Caret; }
  void SetCaretXY(const TBufferCoord& pos) override { SelStart = SelEnd = Caret = pos; }
  void SelectWordAtCaret() override {
    const std::u16string& s = Lines[size_t(Caret.Line - 1)];
    int from = Caret.Char, to = Caret.Char;
    while (from > 1 && !IsSynWordBreakChar(s[size_t(from - 2)])) --from;
    while (to <= int(s.size()) && !IsSynWordBreakChar(s[size_t(to - 1)])) ++to;
    SelStart = {from, Caret.Line};
    SelEnd = {to, Caret.Line};
  }
  void SetSearchEngine(TSynPadSearchCustom* engine) override { Engine = engine; }
  platform::WindowHandle SearchWindow() override { return platform::NoWindow; }

  int SearchReplace(const std::u16string& search, const std::u16string&, TSynSearchOptions options) override {
    EnginesSearchedWith.push_back(Engine);
    const bool backwards = options & ssoBackwards, fromCaret = !(options & ssoEntireScope);
    Engine->SetOptions(options);
    Engine->SetPattern(search);
    const int last = int(Lines.size());
    for (int line = backwards ? (fromCaret ? Caret.Line : last) : (fromCaret ? Caret.Line : 1);
         line >= 1 && line <= last; line += backwards ? -1 : 1) {
      const int n = Engine->FindAll(Lines[size_t(line - 1)]);
      for (int k = 0; k < n; ++k) {
        const int i = backwards ? n - 1 - k : k;
        const int start = Engine->Results(i), end = start + Engine->Lengths(i);
        if (fromCaret && line == Caret.Line && (backwards ? end > Caret.Char : start < Caret.Char)) continue;
        SelStart = {start, line};
        SelEnd = {end, line};
        Caret = backwards ? SelStart : SelEnd;
        return 1;
      }
    }
    return 0;
  }
};

}  // namespace recordeditortest
