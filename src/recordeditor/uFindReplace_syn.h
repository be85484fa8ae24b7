// Searching in an editor's text: the find dialog with a proposal taken from the selection or the
// word at the caret, the last search kept for the whole run (one for every editor), its options and
// history stored in the settings, and find next, again and previous. The driver reaches the editor
// only through ISynSearchEditor, the few operations of the editor control it needs.
//
// With "Regular Expressions" chosen the editor searches with the regular-expression engine of the
// highlighter set, otherwise with its plain engine.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "editor/SynPadSearchCustom.h"
#include "editor/SynPadTextBuffer.h"
#include "editor/SynPadTypes.h"
#include "platform/UIServices.h"
#include "xml/uSettingsBase.h"

// What the driver needs of an editor control (names as the control has them).
class ISynSearchEditor {
 public:
  virtual ~ISynSearchEditor() = default;
  virtual std::u16string GetSelText() = 0;
  virtual void SetSelectionMode(TSynSelectionMode mode) = 0;
  virtual TBufferCoord GetCaretXY() = 0;
  virtual void SetCaretXY(const TBufferCoord& pos) = 0;
  virtual void SelectWordAtCaret() = 0;
  virtual void SetSearchEngine(TSynPadSearchCustom* engine) = 0;
  // Searches (and replaces) as the options say; the number of matches. A match is selected.
  virtual int SearchReplace(const std::u16string& search, const std::u16string& replace, TSynSearchOptions options) = 0;
  // The window the dialog belongs to.
  virtual platform::WindowHandle SearchWindow() = 0;
};

// The run state, shared by every editor for the whole run.
struct TFindState {
  std::string LastSearch;         // UTF-8
  TSynSearchOptions Options = 0;  // the last options
  bool RegularExpressions = false;
};
TFindState& FindState();

// Settings keys.
extern const char* const kLastSearchKey;   // "LastSearch"
extern const char* const kFindHistoryKey;  // "FindHistory"
extern const char* const kFindRegExpKey;   // "FindRegExp"
extern const char* const kFindOptionsKey;  // "FindOptions"

// The settings the find commands use while a databank with a password is open: the texts searched
// for ("LastSearch", "FindHistory", "SearchInTextText", "SearchInTextHistory") are kept in memory, so
// nothing of the protected databank reaches the settings file in plain text; reads see them first,
// then the settings. Every other value goes to the settings as it would. A new base, or Forget,
// drops the texts kept (they are never written).
// It also remembers what the base held for those texts when it was handed over, before anything of
// this run was searched: RestoreBaseTexts puts that back, so that settings written while a
// protected databank is open hold none of the texts searched during the run, not even those
// searched before the password was set.
class TPrivateSearchSettings : public TSettings {
 public:
  void SetBase(TSettings* base);
  void Forget() { texts_.clear(); }
  void RestoreBaseTexts();
  static bool IsPrivateKey(const std::string& name);

  void Open() override {}
  int ReadInteger(const std::string& name, int def) override;
  bool ReadBool(const std::string& name, bool def) override;
  std::string ReadString(const std::string& name, const std::string& def) override;
  void WriteInteger(const std::string& name, int value) override;
  void WriteBool(const std::string& name, bool value) override;
  void WriteString(const std::string& name, const std::string& value) override;
  bool ValueExists(const std::string& name) override;
  std::unique_ptr<TSettings> OpenSection(const std::string& name) override;

 private:
  TSettings* base_ = nullptr;
  std::map<std::string, std::string> texts_;
  std::map<std::string, std::string> baseTexts_;  // the base's texts when it was handed over
};

// Proposes a search text, shows the find dialog and, on OK, keeps and stores its choices. True when
// the user confirmed.
bool ShowFindDialog(ISynSearchEditor& editor, TSettings& settings);
// Searches the last search text with the last options; false when nothing was found or there is
// no search text.
bool FindNext(ISynSearchEditor& editor);
// The same from the caret (the entire-scope bit cleared).
bool FindAgain(ISynSearchEditor& editor);
// The same from the caret in the other direction.
bool FindPrevious(ISynSearchEditor& editor);

// ---- The record editor's find commands ----

// Shows a notification popup of a kind (kind 3 is the not-found report).
using TNotifyProc = std::function<void(int kind, const std::string& text)>;
inline constexpr int kNotFoundPopupKind = 3;
// "String "<text>" was not found!"
std::string NotFoundText(const std::string& searchText);

// Find in text (Ctrl+F): the dialog, then the first search; the record editor's own keys
// ("SearchInText...") are read before and written after it, also when the search failed.
void FindInTextCommand(ISynSearchEditor& editor, TSettings& settings, const TNotifyProc& notify);
// Find next (F3) and find previous (Shift+F3).
void FindNextInTextCommand(ISynSearchEditor& editor, const TNotifyProc& notify);
void FindPreviousInTextCommand(ISynSearchEditor& editor, const TNotifyProc& notify);
// Whether find next and previous can run: a search text exists.
bool CanFindAgain();

// ---- The driver's view of an editor control ----

class TCustomSynPad;

// Hands the driver's requests to the control; the dialog belongs to the window `window` gives
// (NoWindow without one).
class TSynPadSearchEditor : public ISynSearchEditor {
 public:
  explicit TSynPadSearchEditor(TCustomSynPad& editor, std::function<platform::WindowHandle()> window = nullptr)
      : editor_(editor), window_(std::move(window)) {}
  std::u16string GetSelText() override;
  void SetSelectionMode(TSynSelectionMode mode) override;
  TBufferCoord GetCaretXY() override;
  void SetCaretXY(const TBufferCoord& pos) override;
  void SelectWordAtCaret() override;
  void SetSearchEngine(TSynPadSearchCustom* engine) override;
  int SearchReplace(const std::u16string& search, const std::u16string& replace, TSynSearchOptions options) override;
  platform::WindowHandle SearchWindow() override { return window_ ? window_() : platform::NoWindow; }

 private:
  TCustomSynPad& editor_;
  std::function<platform::WindowHandle()> window_;
};
