// Plain-text search engine: a quick search (Sunday's variant) over 16-bit characters with a shift
// table covering every code unit, optional case folding (simple case folding of each character, a
// surrogate pair as one, once per line, positions kept) and a whole-word test over the shared
// word-break set. Matches do not overlap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadSearchCustom.h"

class TSynPadSearch : public TSynPadSearchCustom {
 public:
  TSynPadSearch();
  ~TSynPadSearch() override;

  std::u16string GetPattern() const override { return fPattern; }
  // A value equal to the folded pattern changes nothing (so the pattern as given may keep another
  // letter case); any other value becomes the pattern and invalidates the shift table.
  void SetPattern(const std::u16string& Value) override;
  int GetLength(int Index) const override;
  // 0 outside 0 .. count-1.
  int GetResult(int Index) const override;
  int GetResultCount() const override { return static_cast<int>(fResults.size()); }
  void SetOptions(TSynSearchOptions Value) override;
  // Raises Exception("Pattern is empty") for an empty pattern.
  int FindAll(std::u16string_view NewText) override;
  std::u16string Replace(std::u16string_view aOccurrence, std::u16string_view aReplacement) override;

  // Part of a word for the whole-word test: every character outside the delimiter set.
  static bool IsDelimiter(char16_t C);

 private:
  void InitShiftTable();
  int FindFirst(std::u16string_view NewText);
  int Next();
  bool TestWholeWord(int First, int After) const;
  int ShiftOf(char16_t C) const {
    const int s = fShift[C];
    return s ? s : fPatLenPlus;
  }

  // Cursors into fText (indexes): the current position and the end (fText[fTheEnd] is the NUL).
  int fRun = 0;
  int fTheEnd = 0;
  std::u16string fPat;      // folded pattern
  std::u16string fPattern;  // pattern as given
  int fTextLen = 0;
  int fLookAt = 0;
  int fPatLen = 0;
  int fPatLenPlus = 0;
  std::unique_ptr<std::int32_t[]> fShift;  // 65,536 entries, 0 for a character outside fShiftPat
  std::u16string fShiftPat;                // the pattern whose entries fShift holds
  bool fSensitive = false;
  bool fWhole = false;
  std::vector<int> fResults;
  bool fShiftInitialized = false;
  std::u16string fText;  // the searched (possibly folded) line, held during one FindAll
};
