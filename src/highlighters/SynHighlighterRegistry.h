// The table of the built-in highlighters: one row per highlighter with how to make it, what the
// program does with it (component, colours, language number, language list) and its default filter.
// Everything that lists the built-in highlighters is built from it: the program's highlighter set, its
// language list and colours, the class list, the tests, the token probe, the fuzz targets and the
// benchmarks. What a scanner needs of its own (keyword lists, hash constants) stays in its own files.
//
// Adding a built-in language:
//   1. its files SynHighlighter<Name>.h/.cpp: a TSynFamilyHighlighter whose constructor passes the
//      class name of its row, with its attribute table and its scanner;
//   2. one row below (its Create, its component, a free ComponentIndex, a new Tag when it is listed);
//   3. SynLanguageCount one higher.
// The language number (Tag) is stored in databanks: a listed language keeps its number for good.
//
// The class list (RegisterHighlighterClass) is filled by RegisterSynHighlighters, which the program's
// primary highlighter set calls when it is created, before any plug-in is loaded; tools without a set
// call it themselves. (Not from static constructors, whose order across files is undefined.)
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>

#include "platform/Colors.h"

class TSynCustomHighlighter;

// How a built-in highlighter enters the program's language list.
enum class TSynListing {
  None,        // not offered (it serves inside another highlighter)
  BuiltIn,     // one of the built-in languages, listed in the order of their numbers
  Registered,  // registered while the program runs, like a plug-in's, after the built-in ones
};

using TSynHighlighterMaker = std::unique_ptr<TSynCustomHighlighter> (*)();

// A colour and style the program gives one attribute of its component.
struct TSynAttrSetting {
  static constexpr int KeepStyle = -1;
  const char* Attribute;        // storage name
  platform::TColor Foreground;  // clNone: keep the highlighter's own
  int Style = KeepStyle;
};

struct TSynLanguageInfo {
  const char* ClassName = "";                // "TSynCppSyn"
  const char16_t* LanguageName = u"";        // "C/C++"; the caption is the same text
  int CaseSensitive = 0;                     // 1 yes, 0 no, -1 not applicable (the multi-language highlighter)
  TSynHighlighterMaker Create = nullptr;     // makes the set's component
  TSynHighlighterMaker Placeable = nullptr;  // makes the registered class where it differs (else Create)

  // ---- The program's use of it ----
  const char* ProgramFilter = nullptr;  // the filter the program gives it (nullptr: the default one)
  std::initializer_list<TSynAttrSetting> ProgramColors = {};  // the colours and styles the program gives it
  const char* Component = "";                                 // its name in the program's highlighter set
  int ComponentIndex = -1;                                    // its place among the set's components
  int Tag = 0;  // the language number a databank stores (0 where it is not listed)
  TSynListing Listing = TSynListing::None;
  const char* ListName = "";  // its name in the language list

  // ---- Its scanner ----
  const char* Filter = "";  // default filter text ("" when the language has none)
};

inline constexpr int SynLanguageCount = 17;
// The places of the program set's two search engines among its components. The rows' ComponentIndex
// take every other place from 0 up, each once: the table does not compile otherwise.
inline constexpr int SynSearchComponentIndex = 13;
inline constexpr int SynRegexSearchComponentIndex = 15;
inline constexpr int SynComponentCount = SynLanguageCount + 2;
// The language table; its order is also the registration order.
extern const TSynLanguageInfo SynLanguageTable[SynLanguageCount];
// The row of a class name, or nullptr.
const TSynLanguageInfo* FindSynLanguage(std::string_view className);

// Registers every built-in language highlighter class with RegisterHighlighterClass, in the order of
// the language table. Calling it again changes nothing.
void RegisterSynHighlighters();
