// Tcl/Tk scripts, line by line: command names from KeyWords, user words from SecondKeyWords (both
// sorted lists, matched in any case), comments, strings, numbers and a few symbols.
#pragma once

#include <memory>
#include <vector>

#include "highlighters/SynHighlighterFamily.h"

class TSynTclTkSyn : public TSynFamilyHighlighter {
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
    tkUnknown
  };

  TSynTclTkSyn();

  std::u16string GetSampleSource() const override;
  // True when the word, in any case, is in KeyWords.
  bool IsKeyword(std::u16string_view AKeyword) const override;
  // The same test against SecondKeyWords.
  bool IsSecondKeyWord(std::u16string_view AKeyword) const;
  void Next() override;

  // Upper case, sorted, without duplicates.
  const std::vector<std::u16string>& KeyWords() const { return *fKeys; }
  const std::vector<std::u16string>& SecondKeyWords() const { return *fSecondKeys; }
  // Each setter replaces its list with an upper-cased copy of the given words and announces an
  // attribute change.
  void SetKeyWords(const std::vector<std::u16string>& Value);
  void SetKeyWords(const TWideStrings& Value);
  void SetSecondKeyWords(const std::vector<std::u16string>& Value);
  void SetSecondKeyWords(const TWideStrings& Value);
  // The list KeyWords holds after construction (shared by every instance).
  static const std::vector<std::u16string>& DefaultKeyWords();

  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* IdentifierAttri = nullptr;
  TSynHighlighterAttributes* KeyAttri = nullptr;
  TSynHighlighterAttributes* SecondKeyAttri = nullptr;
  TSynHighlighterAttributes* NumberAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* StringAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 private:
  void WordProc();
  void StringProc();
  void CommentOrSymbolProc();
  void SymbolProc();

  // Share the default lists until new ones are assigned.
  TSynKeywordList fKeys;
  TSynKeywordList fSecondKeys;
  std::u16string fUpperBuf;
};
