// The "Highlighters" page of the settings dialog as plain code: a private highlighter set that
// starts from the stored colour schemes, the language and element chosen, the colours and styles
// the page shows for that element, the edits that go straight into the private highlighter, and
// what the dialog's OK does with them. The page widget (recordeditor/gui/uSynOptions.h) only shows
// this state and forwards the user's clicks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadHighlighter.h"

class TdmHighLighters;

class TSynOptionsModel {
 public:
  struct TLanguage {
    std::string Name;       // the highlighter's language name, UTF-8
    std::string Component;  // its component name in the private set
    TSynCustomHighlighter* Highlighter = nullptr;
  };

  // Creates the private set (a secondary one), lists its highlighters in component order (the
  // multi-language one excepted), loads main's stored schemes into them and selects the first.
  explicit TSynOptionsModel(TdmHighLighters& main);
  ~TSynOptionsModel();
  TSynOptionsModel(const TSynOptionsModel&) = delete;
  TSynOptionsModel& operator=(const TSynOptionsModel&) = delete;

  const std::vector<TLanguage>& Languages() const { return languages_; }
  int LanguageIndex() const { return language_; }
  // Selects a language (-1 or an index out of range: none) and its first element.
  void SelectLanguage(int index);
  TSynCustomHighlighter* Highlighter() const;
  // The selected language's sample text (empty without one).
  std::u16string SampleSource() const;

  // The storage names of the selected language's attributes, in attribute order.
  const std::vector<std::string>& Elements() const { return elements_; }
  int ElementIndex() const { return element_; }
  // Selects an element and shows its colours and styles; nothing without a language.
  void SelectElement(int index);
  TSynHighlighterAttributes* Element() const;

  // What the page shows.
  TColor FontColor() const { return fontColor_; }
  TColor BackgroundColor() const { return backgroundColor_; }
  TFontStyles Style() const { return style_; }

  // The user's edits: each sets what the page shows and then gives the shown colours and styles to
  // the selected element (nothing more without a language).
  void SetFontColor(TColor color);
  void SetBackgroundColor(TColor color);
  void SetStyleFlag(TFontStyles flag, bool on);

  // The dialog's OK: the scheme of every listed language whose colours differ from main's
  // highlighter is saved, and when any was, main's highlighters take the schemes at once. Returns
  // how many were saved.
  int StoreSchemes(TdmHighLighters& main) const;

 private:
  void ElementChange();

  std::unique_ptr<TdmHighLighters> private_;
  std::vector<TLanguage> languages_;
  int language_ = -1;
  std::vector<std::string> elements_;
  int element_ = -1;
  TColor fontColor_ = 0;
  TColor backgroundColor_ = 0;
  TFontStyles style_ = 0;
};
