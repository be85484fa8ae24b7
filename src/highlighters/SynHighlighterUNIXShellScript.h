// UNIX shell scripts, line by line: commands and shell words from one sorted list, environment names
// from a second one (SecondKeyWords), "$" variables, comments, strings, numbers and a few symbols.
#pragma once

#include <memory>
#include <vector>

#include "highlighters/SynHighlighterFamily.h"

class TSynUNIXShellScriptSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkComment,
    tkIdentifier,
    tkKey,
    tkNull,
    tkNumber,
    tkSecondKey,
    tkSpace,
    tkString,
    tkSymbol,
    tkVariable,
    tkUnknown
  };

  TSynUNIXShellScriptSyn();

  std::u16string GetSampleSource() const override;
  // True when the word, in any case, is in the first list.
  bool IsKeyword(std::u16string_view AKeyword) const override;
  // The same test against SecondKeyWords.
  bool IsSecondKeyWord(std::u16string_view AKeyword) const;
  void Next() override;

  // The first list (upper case, sorted; shared by every instance).
  static const std::vector<std::u16string>& KeyWords();
  // The environment names: upper case, sorted, without duplicates.
  const std::vector<std::u16string>& SecondKeyWords() const { return *fSecondKeys; }
  // Replaces the list with an upper-cased copy of the given words and announces an attribute change.
  void SetSecondKeyWords(const std::vector<std::u16string>& Value);
  void SetSecondKeyWords(const TWideStrings& Value);

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* SecondKeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;
  TSynHighlighterAttributes* VariableAttri = nullptr;

 private:
  void WordProc();
  void VariableProc();
  void StringProc();
  void CommentProc();
  void DotProc();
  void SymbolProc();
  // The token upper-cased, in the reused buffer.
  std::u16string_view UpperToken(int start, int length);

  // Shares the default list until a new one is assigned.
  TSynKeywordList fSecondKeys;
  std::u16string fUpperBuf;
};
