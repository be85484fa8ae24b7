// The program's set of highlighters: one component per language highlighter (with the colours and
// styles the program gives them), the "Web Scripting" multi-language highlighter, the URI
// highlighter of the comments, both editor search engines, the language table that maps the
// language number a databank stores to a highlighter, run-time registered highlighters (the UNIX
// shell highlighter and those of plug-ins) and the colour schemes kept in the settings file.
//
// The program creates one primary set before any editor and destroys it after the last one; only
// the primary set registers highlighters and loads, finalises and unloads plug-ins. The options
// page makes a secondary set of its own, which lists the primary's registered highlighters but
// never owns them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadHighlighter.h"

namespace platform {
class IModuleLoader;
}

class TSettings;
class TXMLSettings;
class TSynPadSearchCustom;
class TSynPadSearch;
class TSynPadRegexSearch;
class TSynMultiSyn;
class TSynCppSyn;
class TSynPasSyn;
class TSynURISyn;
class TSynUNIXShellScriptSyn;
class THighlighterPlugins;

// One entry of the language list: the name shown to the user (UTF-8), the highlighter and the
// language number (the highlighter's tag) a databank stores.
struct TLanguageEntry {
  std::string Name;
  TSynCustomHighlighter* Highlighter = nullptr;
  int Tag = 0;
};
using TLanguageList = std::vector<TLanguageEntry>;

// Highlighters registered while the program runs, in registration order. The entries do not own
// their highlighters; whoever registers one removes it before freeing it.
class THighlighterList {
 public:
  const TLanguageList& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  void Add(std::string name, TSynCustomHighlighter* highlighter, int tag);
  // Removes every entry of the highlighter; returns how many went.
  int Remove(const TSynCustomHighlighter* highlighter);

 private:
  TLanguageList entries_;
};
THighlighterList& HighlighterList();

// Appends the name (its first 255 bytes) with the highlighter and its language number to
// HighlighterList. A null highlighter is ignored.
void RegisterHighlighter(std::string_view name, TSynCustomHighlighter* highlighter, int tag);

enum class THighlighterSetRole { Primary, Secondary };

// A component of the set, in creation order. Exactly one of Highlighter and SearchEngine is set.
struct TdmComponent {
  std::string Name;
  int Tag = 0;
  TSynCustomHighlighter* Highlighter = nullptr;
  TSynPadSearchCustom* SearchEngine = nullptr;
};

class TdmHighLighters {
 public:
  // pluginFolder: where the plug-ins are looked for ("" for DefaultHighlighterPluginFolders());
  // loader: nullptr for the system's. A secondary set loads nothing. Only one primary set may exist
  // at a time (a second one throws Exception).
  explicit TdmHighLighters(THighlighterSetRole role = THighlighterSetRole::Primary, std::string pluginFolder = "",
                           platform::IModuleLoader* loader = nullptr);
  // Removes its registrations, finalises and unloads the plug-ins in load order, then frees the
  // components, last created first.
  ~TdmHighLighters();
  TdmHighLighters(const TdmHighLighters&) = delete;
  TdmHighLighters& operator=(const TdmHighLighters&) = delete;

  // ---- Components (owned) ----
  // One per row of the language table, in the rows' component order, with the two search engines
  // among them. The ones the program and its tests reach directly:
  TSynCppSyn* SynCppSyn = nullptr;
  TSynPasSyn* SynPasSyn = nullptr;
  TSynPadSearch* SynPadSearch = nullptr;
  TSynURISyn* SynURISyn = nullptr;
  TSynPadRegexSearch* SynPadRegexSearch = nullptr;
  TSynMultiSyn* SynCGISyn = nullptr;
  TSynUNIXShellScriptSyn* SynUNIXShellScriptSyn = nullptr;

  const std::vector<TdmComponent>& Components() const { return components_; }
  // The component of that name, or nullptr.
  const TdmComponent* FindComponent(std::string_view name) const;

  // ---- Languages ----
  // Clears the list and fills it: the built-in languages of the language table in the order of
  // their numbers, then every entry of HighlighterList in registration order.
  void BuildLanguageList(TLanguageList& list) const;
  // The highlighter of the first entry whose number is tag, nullptr when none has it. Without a
  // list a temporary one is built.
  TSynCustomHighlighter* FindHighlighterByTag(int tag, const TLanguageList* list = nullptr) const;

  // ---- Colour schemes (settings section "schemes") ----
  // Keeps the section (it must be a TXMLSettings; anything else throws Exception) and applies it.
  // nullptr forgets it.
  void SetSchemes(TSettings* settings);
  TXMLSettings* Schemes() const { return schemes_; }
  // LoadScheme for every highlighter component except the multi-language one.
  void ApplySchemes();
  // Takes the stored colours and styles of the highlighter's language, when the section has that
  // language; values missing from the file keep the attribute's own.
  void LoadScheme(TSynCustomHighlighter& highlighter);
  // Writes every attribute of the highlighter into the section.
  void SaveScheme(const TSynCustomHighlighter& highlighter);
  // Whether the own component of the same class (the one named componentName when there are
  // several) has the same colours and styles, attribute by attribute; false when there is none.
  bool SchemeEquals(const TSynCustomHighlighter& highlighter, std::string_view componentName = {}) const;

  // The plug-ins of a primary set, in load order (file names without folder).
  std::vector<std::string> PluginFileNames() const;

 private:
  void CreateComponents();
  // The highlighter component of that name as its class, or nullptr.
  template <class T>
  T* ComponentAs(std::string_view name) const;

  THighlighterSetRole role_;
  std::vector<std::unique_ptr<TSynPersistent>> owned_;
  std::vector<TdmComponent> components_;
  TXMLSettings* schemes_ = nullptr;
  std::unique_ptr<THighlighterPlugins> plugins_;
};

// The primary set while it exists, else nullptr.
extern TdmHighLighters* dmHighLighters;

// ---- Choosing a record's language ----

// The language number of a stored "HighLight" text: a whole decimal number (leading blanks and a
// sign allowed; "$" or "0x" for hexadecimal), 0 for anything else or a value outside 32 bits.
int LanguageNumberFromText(std::string_view text);

struct TLanguageChoice {
  int Number = 0;                         // the number in effect (0 after a fall-back)
  const TLanguageEntry* Entry = nullptr;  // nullptr: no highlighter, the text is shown plain
  TSynCustomHighlighter* Highlighter() const { return Entry ? Entry->Highlighter : nullptr; }
};
// The entry that carries the number. A number that no entry carries selects the first entry with
// number 0 when it is not negative, and no highlighter when it is negative. Plug-in numbers may be
// any value, so a number is never rejected merely for being large.
TLanguageChoice ChooseLanguage(int number, const TLanguageList& list);

// ---- Colour text of the schemes ----

// Six upper-case hexadecimal digits, red, green, blue. "No colour" is written as FFFFFF; a system
// colour is written as its current value.
std::string SchemeColorToText(TColor color);
// Up to three hexadecimal byte pairs red, green, blue, either case, read up to the first character
// that is not a hexadecimal digit; a byte with a single digit has that digit's value, a missing byte
// is 0.
TColor SchemeTextToColor(std::string_view text);
