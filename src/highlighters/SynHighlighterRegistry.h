// The table of the built-in highlighters: one row per highlighter with what its scanner needs (hash
// constants, default filter), how the program uses it (component, language number, language list)
// and how to make and register it. Everything that lists the built-in highlighters is built from it,
// so a new language is a new row here and its own files.
//
// Registration of the classes is done explicitly at start-up (not by static constructors, whose
// order across files is undefined).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class TSynCustomHighlighter;

enum class TSynKeywordMechanism { None, Prefix, Hash, HashEntries, SortedList, Schemes };

// How a built-in highlighter enters the program's language list.
enum class TSynListing {
  None,        // not offered (it serves inside another highlighter)
  BuiltIn,     // one of the built-in languages, listed in the order of their numbers
  Registered,  // registered while the program runs, like a plug-in's, after the built-in ones
};

using TSynHighlighterMaker = std::unique_ptr<TSynCustomHighlighter> (*)();

struct TSynLanguageInfo {
  const char* ClassName = "";                // "TSynCppSyn"
  const char* UnitName = "";                 // "SynHighlighterCpp"
  const char16_t* LanguageName = u"";        // "C/C++"; the caption is the same text
  int CaseSensitive = 0;                     // 1 yes, 0 no, -1 not applicable (the multi-language highlighter)
  TSynHighlighterMaker Create = nullptr;     // makes the set's component
  TSynHighlighterMaker Placeable = nullptr;  // makes the registered class where it differs (else Create)

  // ---- The program's use of it ----
  const char* ProgramFilter = nullptr;  // the filter the program gives it (nullptr: the default one)
  const char* Component = "";           // its name in the program's highlighter set
  int ComponentIndex = -1;              // its place among the set's components
  int Tag = 0;                          // the language number a databank stores (0 where it is not listed)
  TSynListing Listing = TSynListing::None;
  const char* ListName = "";  // its name in the language list

  // ---- Its scanner ----
  int FilterId = 0;         // string-table id of the default filter (0 when the language has none)
  const char* Filter = "";  // default filter text ("" when the language has none)
  TSynKeywordMechanism Mechanism = TSynKeywordMechanism::None;
  std::uint32_t A = 0, B = 0, M = 0;  // hash constants (0 unless Mechanism is Hash)
  int KeywordCount = -1;              // hash keywords, or the first sorted list's entries (-1 when not fixed)
  int SecondKeywordCount = -1;        // second sorted list (-1 when none)
  bool HasRanges = false;
};

inline constexpr int SynLanguageCount = 17;
// The language table; its order is also the registration order.
extern const TSynLanguageInfo SynLanguageTable[SynLanguageCount];
// The row of a class name, or nullptr.
const TSynLanguageInfo* FindSynLanguage(std::string_view className);

// Registers every built-in language highlighter class with RegisterHighlighterClass, in the order of
// the language table. Calling it again changes nothing.
void RegisterSynHighlighters();
