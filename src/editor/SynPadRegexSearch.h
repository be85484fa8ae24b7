// Regular-expression search engine over the wide engine. Each match found in a line is kept, so
// that a replacement is substituted with the groups of the match as it was found in its line.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadSearchCustom.h"

namespace synregexpr {
class TRegExpr;
}

class TSynPadRegexSearch : public TSynPadSearchCustom {
 public:
  TSynPadRegexSearch();
  ~TSynPadRegexSearch() override;

  std::u16string GetPattern() const override;
  // Compiled at the next search.
  void SetPattern(const std::u16string& Value) override;
  // Raise EStringListError ("List index out of bounds (n)") outside the lists.
  int GetLength(int Index) const override;
  int GetResult(int Index) const override;
  int GetResultCount() const override { return static_cast<int>(fPositions.size()); }
  // Case-insensitive unless match case is set; whole words has no effect.
  void SetOptions(TSynSearchOptions Value) override;
  // Raises ERegExpr when the expression does not compile.
  int FindAll(std::u16string_view NewText) override;
  // When aOccurrence is the text of a match of the last searched line, taken in whole characters
  // as the editor selects it, the template is expanded with that match's groups as found in the
  // full line (the first such match not yet replaced after the one replaced last, then from the
  // line's start: matches are mostly replaced in their order). Any other text: every match of the
  // expression inside aOccurrence, taken whole, is replaced by the expanded template. Either way
  // $& and each group insert whole characters: a group that splits a surrogate pair is widened as
  // the match is, so the text given back holds no half the subject did not.
  std::u16string Replace(std::u16string_view aOccurrence, std::u16string_view aReplacement) override;

  synregexpr::TRegExpr& RegExpr() { return *fRegex; }

 private:
  // The template expanded against the engine's last match in Subject, its groups widened to whole
  // characters.
  std::u16string SubstituteWhole(std::u16string_view Subject, std::u16string_view aReplacement);

  std::unique_ptr<synregexpr::TRegExpr> fRegex;
  std::vector<int> fPositions;
  std::vector<int> fLengths;
  std::vector<bool> fUsed;      // matches already replaced
  size_t fNext = 0;             // the match after the one replaced last
  std::u16string fLine;         // the last searched line
  bool fSubjectIsLine = false;  // the engine's subject is still fLine
};
