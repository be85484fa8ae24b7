// VBScript code: the Visual Basic design with the VBScript keyword table. The multi-language
// highlighter runs it over the script blocks of server pages.
#pragma once

#include "highlighters/SynHighlighterVB.h"

class TSynVBScriptSyn : public TSynVBBaseSyn {
 public:
  TSynVBScriptSyn();
  std::u16string GetSampleSource() const override;
  const TSynHashKeywordTable* KeywordTable() const override;
  // The shared keyword table of the class.
  static const TSynHashKeywordTable& Keywords();
};
