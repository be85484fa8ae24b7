#include "editor/SynPadRegexSearch.h"

#include <cstdio>

#include "editor/SynUnicode.h"
#include "regex/SynRegExpr.h"

using synregexpr::TRegExpr;

TSynPadRegexSearch::TSynPadRegexSearch() : fRegex(std::make_unique<TRegExpr>()) {}

TSynPadRegexSearch::~TSynPadRegexSearch() = default;

std::u16string TSynPadRegexSearch::GetPattern() const {
  return fRegex->Expression();
}

void TSynPadRegexSearch::SetPattern(const std::u16string& Value) {
  fRegex->SetExpression(Value);
}

void TSynPadRegexSearch::SetOptions(TSynSearchOptions Value) {
  fRegex->SetModifier(synregexpr::ModifierI, (Value & ssoMatchCase) == 0);
}

namespace {
[[noreturn]] void ListIndexError(int Index) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, SListIndexError, Index);
  throw EStringListError(buffer);
}
}  // namespace

int TSynPadRegexSearch::GetResult(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fPositions.size())) ListIndexError(Index);
  return fPositions[static_cast<size_t>(Index)];
}

int TSynPadRegexSearch::GetLength(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fLengths.size())) ListIndexError(Index);
  return fLengths[static_cast<size_t>(Index)];
}

int TSynPadRegexSearch::FindAll(std::u16string_view NewText) {
  fPositions.clear();
  fLengths.clear();
  fUsed.clear();
  fLine.assign(NewText);
  fSubjectIsLine = true;
  if (!fRegex->Exec(fLine)) return 0;
  do {
    fPositions.push_back(fRegex->MatchPos(0));
    fLengths.push_back(fRegex->MatchLen(0));
  } while (fRegex->ExecNext());
  fUsed.assign(fPositions.size(), false);
  return static_cast<int>(fPositions.size());
}

std::u16string TSynPadRegexSearch::Replace(std::u16string_view aOccurrence, std::u16string_view aReplacement) {
  const std::u16string_view line(fLine);
  for (size_t k = 0; k < fPositions.size(); ++k) {
    if (fUsed[k]) continue;
    const size_t pos = static_cast<size_t>(fPositions[k] - 1);
    const size_t len = static_cast<size_t>(fLengths[k]);
    if (pos + len > line.size() || line.substr(pos, len) != aOccurrence) continue;
    // Run the search again from the match's own place in its line: the match that starts there
    // is the one found before, groups included.
    if (!fSubjectIsLine) {
      fRegex->Exec(fLine);
      fSubjectIsLine = true;
    }
    if (fRegex->ExecPos(fPositions[k]) && fRegex->MatchPos(0) == fPositions[k] && fRegex->MatchLen(0) == fLengths[k]) {
      fUsed[k] = true;
      return fRegex->Substitute(aReplacement);
    }
  }
  fSubjectIsLine = false;
  return fRegex->Replace(aOccurrence, aReplacement, true);
}
