#include "editor/SynPadRegexSearch.h"

#include <cstdio>

#include "editor/SynPadMiscProcs.h"
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
  fNext = 0;
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

std::u16string TSynPadRegexSearch::SubstituteWhole(std::u16string_view Subject, std::u16string_view aReplacement) {
  return fRegex->Substitute(aReplacement, [Subject](int& From, int& To) { WidenToWholeCharacters(Subject, From, To); });
}

std::u16string TSynPadRegexSearch::Replace(std::u16string_view aOccurrence, std::u16string_view aReplacement) {
  const std::u16string_view line(fLine);
  const size_t n = fPositions.size();
  for (size_t step = 0; step < n; ++step) {
    const size_t k = (fNext + step) % n;
    if (fUsed[k]) continue;
    int from = fPositions[k], to = from + fLengths[k];
    WidenToWholeCharacters(line, from, to);
    if (line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)) != aOccurrence) continue;
    // Run the search again from the match's own place in its line: the match that starts there
    // is the one found before, groups included.
    if (!fSubjectIsLine) {
      fRegex->Exec(fLine);
      fSubjectIsLine = true;
    }
    if (fRegex->ExecPos(fPositions[k]) && fRegex->MatchPos(0) == fPositions[k] && fRegex->MatchLen(0) == fLengths[k]) {
      fUsed[k] = true;
      fNext = k + 1;
      return SubstituteWhole(line, aReplacement);
    }
  }
  fSubjectIsLine = false;
  std::u16string out;
  if (!fRegex->Exec(aOccurrence)) return std::u16string(aOccurrence);
  // 1-based: where the text still to copy begins, and the place of the last empty match.
  int copied = 1, lastEmpty = 0;
  do {
    int from = fRegex->MatchPos(0), to = from + fRegex->MatchLen(0);
    WidenToWholeCharacters(aOccurrence, from, to);
    // Widened, a match may reach into the one before it, which is replaced already.
    if (from < copied || (from == to && from == lastEmpty)) continue;
    out.append(aOccurrence.substr(static_cast<size_t>(copied - 1), static_cast<size_t>(from - copied)));
    out += SubstituteWhole(aOccurrence, aReplacement);
    copied = to;
    if (from == to) lastEmpty = from;
  } while (fRegex->ExecNext());
  out.append(aOccurrence.substr(static_cast<size_t>(copied - 1)));
  return out;
}
