#include "editor/SynPadSearch.h"

#include "editor/SynPadHighlighter.h"
#include "editor/SynUnicode.h"
#include "platform/Exceptions.h"
#include "platform/WideChar.h"

TSynPadSearch::TSynPadSearch() : fShift(new std::int32_t[65536]()) {}

TSynPadSearch::~TSynPadSearch() = default;

bool TSynPadSearch::IsDelimiter(char16_t C) {
  return IsSynWordBreakChar(C);
}

void TSynPadSearch::SetPattern(const std::u16string& Value) {
  if (Value == fPat) return;
  fPattern = Value;
  fPat = fSensitive ? fPattern : widechar::FoldUtf16(fPattern);
  fShiftInitialized = false;
}

void TSynPadSearch::SetOptions(TSynSearchOptions Value) {
  const bool sensitive = (Value & ssoMatchCase) != 0;
  if (sensitive != fSensitive) {
    fSensitive = sensitive;
    fPat = fSensitive ? fPattern : widechar::FoldUtf16(fPattern);
    fShiftInitialized = false;
  }
  fWhole = (Value & ssoWholeWord) != 0;
}

int TSynPadSearch::GetLength(int) const {
  return fPatLen;
}

int TSynPadSearch::GetResult(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fResults.size())) return 0;
  return fResults[static_cast<size_t>(Index)];
}

std::u16string TSynPadSearch::Replace(std::u16string_view, std::u16string_view aReplacement) {
  return std::u16string(aReplacement);
}

void TSynPadSearch::InitShiftTable() {
  fPatLen = static_cast<int>(fPat.size());
  if (fPatLen == 0) throw Exception("Pattern is empty");
  fPatLenPlus = fPatLen + 1;
  fLookAt = 1;
  // Only the characters of a pattern have entries (0 elsewhere: the whole length plus one), so a
  // new pattern rewrites those of the old one and its own rather than the whole table.
  for (char16_t c : fShiftPat) fShift[c] = 0;
  for (int i = 1; i <= fPatLen; ++i) fShift[fPat[static_cast<size_t>(i - 1)]] = fPatLenPlus - i;
  fShiftPat = fPat;
  // The smallest shift that can put another copy of the last character where this one is.
  const char16_t last = fPat[static_cast<size_t>(fPatLen - 1)];
  while (fLookAt < fPatLen && fPat[static_cast<size_t>(fPatLen - 1 - fLookAt)] != last) ++fLookAt;
  fShiftInitialized = true;
}

bool TSynPadSearch::TestWholeWord(int First, int After) const {
  if (First > 0 && !IsDelimiter(fText[static_cast<size_t>(First - 1)])) return false;
  return IsDelimiter(fText[static_cast<size_t>(After)]);  // the NUL at the end is a delimiter
}

int TSynPadSearch::FindFirst(std::u16string_view NewText) {
  if (!fShiftInitialized) InitShiftTable();
  fTextLen = static_cast<int>(NewText.size());
  if (fTextLen < fPatLen) return 0;
  fText = fSensitive ? std::u16string(NewText) : widechar::FoldUtf16(NewText);
  fTheEnd = fTextLen;
  fRun = -1;
  return Next();
}

int TSynPadSearch::Next() {
  const char16_t* text = fText.c_str();  // text[fTheEnd] is the terminating NUL
  const char16_t last = fPat[static_cast<size_t>(fPatLen - 1)];
  fRun += fPatLen;
  while (fRun < fTheEnd) {
    if (text[fRun] != last) {
      fRun += ShiftOf(text[fRun + 1]);
      continue;
    }
    const int first = fRun - fPatLen + 1;
    int j = 0;
    while (j < fPatLen - 1 && text[first + j] == fPat[static_cast<size_t>(j)]) ++j;
    if (j == fPatLen - 1 && (!fWhole || TestWholeWord(first, fRun + 1))) return first + 1;
    fRun += fLookAt;
    if (fRun >= fTheEnd) return 0;
    fRun += ShiftOf(text[fRun]) - 1;
  }
  return 0;
}

int TSynPadSearch::FindAll(std::u16string_view NewText) {
  fResults.clear();
  int found = FindFirst(NewText);
  while (found > 0) {
    fResults.push_back(found);
    found = Next();
  }
  std::u16string().swap(fText);  // the line is not kept between searches
  return static_cast<int>(fResults.size());
}
