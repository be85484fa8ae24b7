// The shared shape of the language highlighters: the keyword-lookup machinery (multiplicative hash
// with a shared keyword index table, and sorted keyword lists searched by bisection), and a base
// class with the scanning procedures every language has in the same form. Each language's hash
// constants and default filter are in its row of the language table (SynHighlighterRegistry.h).
//
// A language highlighter derives from TSynFamilyHighlighter and
//   - keeps a constant attribute table: a row {token kind, storage name, field, default style and
//     colours} per token kind;
//   - in its constructor: creates its attributes from that table with CreateAttributes, names the
//     attributes of the standard roles with SetDefaultAttributes, sets the Null/Space/Illegal kinds
//     with SetCommonKinds and finally calls FinishCreate(initialRange);
//   - overrides Next(): fTokenPos := Run, scan one token (every procedure takes at least one code unit
//     or goes to NullProc/CRProc/LFProc), then TSynFamilyHighlighter::Next() last;
//   - keeps its multi-line state in fRange (one byte; GetRange/SetRange/ResetRange are done here).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadHighlighter.h"
#include "highlighters/SynHighlighterRegistry.h"

// ---- Character classes the languages share ----

inline bool SynIsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
inline bool SynIsHexDigit(char16_t c) {
  return SynIsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
inline bool SynIsAsciiLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
// 0-9, A-Z, a-z and _: the identifier characters of most of the languages.
inline bool SynIsWordChar(char16_t c) {
  return SynIsDigit(c) || SynIsAsciiLetter(c) || c == u'_';
}

// ---- Hash keyword mechanism ----

// The keyword list of a language with its index table: slot h holds the index of the keyword whose
// hash is h, or -1. Built once per class and shared by every instance.
class TSynHashKeywordTable {
 public:
  struct Word {
    std::u16string_view Text;
    std::uint8_t Group;  // the language's own tag: token kind or special-function code
  };
  // isHashChar decides which code units the hash runs over (only code units below 256 can be in it).
  TSynHashKeywordTable(std::uint32_t A, std::uint32_t B, std::uint32_t M, bool (*isHashChar)(char16_t),
                       std::vector<Word> words);

  std::uint32_t A() const { return fA; }
  std::uint32_t B() const { return fB; }
  std::uint32_t M() const { return fM; }
  int Count() const { return static_cast<int>(fWords.size()); }
  const Word& At(int index) const { return fWords[static_cast<size_t>(index)]; }
  // Keyword index of slot h (0 <= h < M), or -1.
  int IndexOfSlot(std::uint32_t h) const { return fIndex[h]; }
  bool IsHashChar(char16_t c) const { return c < 256 && fHashChar[c]; }
  // The hash of a whole text: h := h * A + c * B over every code unit (32-bit wrap), then mod M.
  std::uint32_t SlotOf(std::u16string_view text) const;
  // Keywords that found their slot taken while the table was built (none in a sound table).
  const std::vector<std::u16string_view>& Clashes() const { return fClashes; }

 private:
  std::uint32_t fA, fB, fM;
  std::vector<Word> fWords;
  std::vector<std::int32_t> fIndex;
  std::array<bool, 256> fHashChar{};
  std::vector<std::u16string_view> fClashes;
};

// Words of one group in list order, for building a table.
std::vector<TSynHashKeywordTable::Word> SynKeywordWords(std::initializer_list<std::u16string_view> texts,
                                                        std::uint8_t group);
// Gives the listed words (already in words) another group.
void SynSetKeywordGroup(std::vector<TSynHashKeywordTable::Word>& words,
                        std::initializer_list<std::u16string_view> texts, std::uint8_t group);

// ---- Sorted-list mechanism ----

// Makes list a keyword list: every entry upper-cased, sorted by ordinal code-unit order, duplicates
// dropped.
void SortKeywordList(std::vector<std::u16string>& list);
// Bisection over a list made by SortKeywordList; upperToken must already be upper-cased.
bool SortedKeywordListHas(const std::vector<std::u16string>& list, std::u16string_view upperToken);
// A keyword list made by SortKeywordList, shared by every highlighter that uses it until one is given
// another; the two forms take the words as a vector or as a wide string list.
using TSynKeywordList = std::shared_ptr<const std::vector<std::u16string>>;
TSynKeywordList MakeKeywordList(std::vector<std::u16string> words);
TSynKeywordList MakeKeywordList(const TWideStrings& words);

// ---- Base of the language highlighters ----

// A row of a language's attribute table: the token kind, the attribute it is shown in and where the
// highlighter keeps that attribute. The first row of a field creates the attribute (its display name
// is its storage name) with the row's style and colours; a later row of the same field shows one more
// kind in it, names it alike and leaves style and colours out. Kind -1: an attribute the highlighter
// hands out itself, shown for no kind by the table.
template <class T>
struct TSynAttrRow {
  int Kind;
  const char* Name;
  TSynHighlighterAttributes* T::*Field;
  TFontStyles Style = 0;
  TColor Foreground = syn::clNone;
  TColor Background = syn::clNone;
};

class TSynFamilyHighlighter : public TSynCustomHighlighter {
 public:
  ~TSynFamilyHighlighter() override;

  std::string ClassName() const override;
  std::u16string GetLanguageCaption() const override;
  std::u16string GetLanguageName() const override;
  bool IsFilterStored() const override;
  // Past the terminator of the line. ">=" rather than "=": an overshoot still ends the line.
  bool GetEol() const override { return Run >= fLineLen + 1; }
  int GetTokenKind() const override { return fTokenId; }
  TSynHighlighterAttributes* GetTokenAttribute() const override;
  // The attribute of a standard role, SYN_ATTR_COMMENT .. SYN_ATTR_SYMBOL, as SetDefaultAttributes gave it.
  TSynHighlighterAttributes* GetDefaultAttribute(int Index) const override {
    return Index >= 0 && Index < static_cast<int>(fDefaultAttr.size()) ? fDefaultAttr[static_cast<size_t>(Index)]
                                                                       : nullptr;
  }
  std::intptr_t GetRange() const override { return fRange; }
  void SetRange(std::intptr_t Value) override { fRange = static_cast<std::uint8_t>(Value); }
  void ResetRange() override { fRange = fInitialRange; }

  // The row of this class in the language table.
  const TSynLanguageInfo& Language() const { return *fLanguage; }
  // The shared keyword table of a hash-mechanism language, else nullptr.
  virtual const TSynHashKeywordTable* KeywordTable() const { return nullptr; }
  // The attribute a token kind maps to (nullptr for none).
  TSynHighlighterAttributes* AttributeOfKind(int kind) const {
    return kind >= 0 && kind < static_cast<int>(fKindAttr.size()) ? fKindAttr[static_cast<size_t>(kind)] : nullptr;
  }

 protected:
  explicit TSynFamilyHighlighter(const char* className);

  // Creates the attributes of the table's rows into the fields of self (this highlighter as its own
  // class) and shows each row's kind in its attribute. A later row of a field that gives it another
  // name, style or colour is a programming error (Exception).
  template <class T, std::size_t N>
  void CreateAttributes(T& self, const TSynAttrRow<T> (&rows)[N]) {
    for (const TSynAttrRow<T>& row : rows) {
      TSynHighlighterAttributes*& attr = self.*row.Field;
      if (!attr)
        attr = NewAttr(row.Name, row.Style, row.Foreground, row.Background);
      else
        CheckSameAttribute(*attr, row.Name, row.Style, row.Foreground, row.Background);
      MapKind(row.Kind, attr);
    }
  }
  void SetCommonKinds(std::uint8_t nullKind, std::uint8_t spaceKind, std::uint8_t illegalKind);
  // The attributes of the standard roles, in SYN_ATTR_* order (nullptr where the language has none).
  void SetDefaultAttributes(TSynHighlighterAttributes* comment, TSynHighlighterAttributes* identifier,
                            TSynHighlighterAttributes* keyword, TSynHighlighterAttributes* string,
                            TSynHighlighterAttributes* whitespace, TSynHighlighterAttributes* symbol) {
    fDefaultAttr = {comment, identifier, keyword, string, whitespace, symbol};
  }
  // The last construction steps: change handlers and defaults, default filter, initial range.
  void FinishCreate(std::uint8_t initialRange);

  // The code unit at pos, 0 outside the line: every peek and look-back goes through here.
  char16_t At(int pos) const {
    return static_cast<unsigned>(pos) < static_cast<unsigned>(fLineLen) ? fLine[pos] : char16_t(0);
  }
  // 0, LF or CR: where a token that may not cross the line end stops.
  static bool IsEndChar(char16_t c) { return c == 0 || c == 10 || c == 13; }

  // The procedures every language has in the same form.
  void NullProc();
  void CRProc();
  void LFProc();
  void SpaceProc();
  void UnknownProc();
  // Dispatches 0 / LF / CR at the run position to NullProc / LFProc / CRProc; false for anything else.
  bool LineEndProc();
  // Moves the run past the next "first second" pair on the line and returns true, or to the line end
  // and returns false: the close of a comment that may go on to the next line. Inline, so that the
  // pair is a constant in each language's loop.
  bool SkipPast(char16_t first, char16_t second) {
    while (true) {
      const char16_t c = At(Run);
      if (IsEndChar(c)) return false;
      if (c == first && At(Run + 1) == second) {
        Run += 2;
        return true;
      }
      ++Run;
    }
  }

  // The C-style operators: the length of the one that starts at the run position with c, one of
  // & | + - * % ^ ! = < > (and : with Scope): doubled or with "=" ("&&", "+=", "<<=" ...); with Arrow
  // also "->", with Scope "::", with UnsignedShift also ">>>" and ">>>=".
  enum TSynOperatorExtras : unsigned { soArrow = 1, soScope = 2, soUnsignedShift = 4 };
  int OperatorLength(char16_t c, unsigned extras) const;
  // A number of digits, dots and "e" (the line is lower-cased), ending before "..": the token of kind
  // from the run position.
  void SimpleNumberProc(std::uint8_t kind);
  // A number of digits, hexadecimal letters, "L", "X", "-" and dots, ending before "..", as Java and
  // PHP take it: the token of kind from the run position.
  void CStyleNumberProc(std::uint8_t kind);

  // Hash lookup of the identifier at the run position: stores the identifier start and length
  // (fToIdent, fStringLen) and returns the keyword index of an exact match, else -1. The run is
  // not moved.
  int HashLookup(const TSynHashKeywordTable& table);

  std::uint8_t fTokenId = 0;
  std::uint8_t fRange = 0;
  std::uint8_t fInitialRange = 0;
  std::uint8_t fNullKind = 0;
  std::uint8_t fSpaceKind = 0;
  std::uint8_t fIllegalKind = 0;

 private:
  TSynHighlighterAttributes* NewAttr(const char* storageName, TFontStyles style, TColor foreground, TColor background);
  static void CheckSameAttribute(const TSynHighlighterAttributes& attr, const char* storageName, TFontStyles style,
                                 TColor foreground, TColor background);
  void MapKind(int kind, TSynHighlighterAttributes* attr);

  const TSynLanguageInfo* fLanguage;
  std::array<TSynHighlighterAttributes*, 32> fKindAttr{};
  std::array<TSynHighlighterAttributes*, 6> fDefaultAttr{};
};

// ---- Token dump (the probe and the tests) ----

// Scans lines as the editor does (the first after ResetRange, each later one after SetRange with the
// range the line before ended in; SetLine; then tokens until GetEol) and appends one line per token
//   <line from 1> TAB <GetTokenPos> TAB <length> TAB <attribute storage name or -> TAB <GetTokenKind>
//   TAB <token text in UTF-8, with \ TAB and LF escaped as \\ \t \n>
// and after each line "<line> TAB EOL TAB <GetRange as a decimal integer>". A line that needs more
// than 4 x length + 16 calls to Next ends the dump with "<line> TAB HANG"; the result is then false.
bool SynDumpTokens(TSynCustomHighlighter& highlighter, const std::vector<std::u16string>& lines, std::string& out);
