#include "recordeditor/uFindReplace_syn.h"

#include "databank/uMRUList.h"
#include "editor/SynPad.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "platform/CodePage.h"
#include "recordeditor/FindReplaceDialogs.h"
#include "recordeditor/UHighlighters.h"
#include "xml/uSettingsBase.h"

const char* const kLastSearchKey = "LastSearch";
const char* const kFindHistoryKey = "FindHistory";
const char* const kFindRegExpKey = "FindRegExp";
const char* const kFindOptionsKey = "FindOptions";

TFindState& FindState() {
  static TFindState state;
  return state;
}

namespace {

bool Search(ISynSearchEditor& editor, TSynSearchOptions options) {
  const TFindState& state = FindState();
  if (state.LastSearch.empty()) return false;
  if (!dmHighLighters || !state.RegularExpressions)
    return editor.SearchReplace(codepage::Utf8ToUtf16(state.LastSearch), u"", options) > 0;
  // The editor's engine is the plain one everywhere else (the record search selects its matches
  // with it), so it is put back however the search ends; a bad expression raises.
  struct TPlainAgain {
    ISynSearchEditor& editor;
    ~TPlainAgain() { editor.SetSearchEngine(dmHighLighters ? dmHighLighters->SynPadSearch : nullptr); }
  } plainAgain{editor};
  editor.SetSearchEngine(dmHighLighters->SynPadRegexSearch);
  return editor.SearchReplace(codepage::Utf8ToUtf16(state.LastSearch), u"", options) > 0;
}

// The settings that hold texts searched for.
const char* const kPrivateKeys[] = {kLastSearchKey, kFindHistoryKey, "SearchInTextText", "SearchInTextHistory"};

}  // namespace

void TPrivateSearchSettings::SetBase(TSettings* base) {
  if (base == base_) return;
  texts_.clear();
  baseTexts_.clear();
  base_ = base;
  if (base_)
    for (const char* key : kPrivateKeys) baseTexts_[key] = base_->ReadString(key, "");
}

void TPrivateSearchSettings::RestoreBaseTexts() {
  if (!base_) return;
  for (const auto& [key, text] : baseTexts_)
    if (base_->ReadString(key, "") != text) base_->WriteString(key, text);
}

bool TPrivateSearchSettings::IsPrivateKey(const std::string& name) {
  for (const char* key : kPrivateKeys)
    if (name == key) return true;
  return false;
}

int TPrivateSearchSettings::ReadInteger(const std::string& name, int def) {
  return base_ ? base_->ReadInteger(name, def) : def;
}
bool TPrivateSearchSettings::ReadBool(const std::string& name, bool def) {
  return base_ ? base_->ReadBool(name, def) : def;
}
std::string TPrivateSearchSettings::ReadString(const std::string& name, const std::string& def) {
  if (const auto kept = texts_.find(name); kept != texts_.end()) return kept->second;
  return base_ ? base_->ReadString(name, def) : def;
}
void TPrivateSearchSettings::WriteInteger(const std::string& name, int value) {
  if (base_) base_->WriteInteger(name, value);
}
void TPrivateSearchSettings::WriteBool(const std::string& name, bool value) {
  if (base_) base_->WriteBool(name, value);
}
void TPrivateSearchSettings::WriteString(const std::string& name, const std::string& value) {
  if (IsPrivateKey(name))
    texts_[name] = value;
  else if (base_)
    base_->WriteString(name, value);
}
bool TPrivateSearchSettings::ValueExists(const std::string& name) {
  return texts_.count(name) > 0 || (base_ && base_->ValueExists(name));
}
std::unique_ptr<TSettings> TPrivateSearchSettings::OpenSection(const std::string& name) {
  return base_ ? base_->OpenSection(name) : nullptr;
}

bool ShowFindDialog(ISynSearchEditor& editor, TSettings& settings) {
  TFindState& state = FindState();
  settings.WriteString(kLastSearchKey, "");
  editor.SetSelectionMode(smNormal);
  const std::u16string selected = editor.GetSelText();
  if (CharacterCount(selected) >= 2) {
    state.LastSearch = codepage::Utf16ToUtf8(selected);
  } else {
    const TBufferCoord caret = editor.GetCaretXY();
    editor.SelectWordAtCaret();
    state.LastSearch = codepage::Utf16ToUtf8(editor.GetSelText());
    editor.SetCaretXY(caret);
  }

  TMRUList history;
  const std::vector<std::string> stored = SplitSearchHistory(settings.ReadString(kFindHistoryKey, ""));
  for (auto it = stored.rbegin(); it != stored.rend(); ++it) history.Add(*it);
  bool regularExpressions = settings.ReadBool(kFindRegExpKey, false);
  state.Options = StringToSearchOptions(settings.ReadString(kFindOptionsKey, ""));

  std::string text = state.LastSearch;
  TSynSearchOptions options = state.Options;
  if (!FindDialogExecute(editor.SearchWindow(), text, history.Text(), regularExpressions, options)) return false;

  state.LastSearch = text;
  state.Options = options;
  state.RegularExpressions = regularExpressions;
  history.Add(text);
  settings.WriteString(kFindHistoryKey, history.Text());
  settings.WriteString(kFindOptionsKey, SearchOptionsToString(options));
  settings.WriteString(kLastSearchKey, text);
  settings.WriteBool(kFindRegExpKey, regularExpressions);
  return true;
}

bool FindNext(ISynSearchEditor& editor) {
  return Search(editor, FindState().Options);
}

bool FindAgain(ISynSearchEditor& editor) {
  return Search(editor, FindState().Options & static_cast<TSynSearchOptions>(~ssoEntireScope));
}

bool FindPrevious(ISynSearchEditor& editor) {
  const TSynSearchOptions o = FindState().Options & static_cast<TSynSearchOptions>(~ssoEntireScope);
  return Search(editor, o ^ ssoBackwards);
}

std::string NotFoundText(const std::string& searchText) {
  return "String \"" + searchText + "\" was not found!";
}

bool CanFindAgain() {
  return !FindState().LastSearch.empty();
}

namespace {

// The record editor's own search keys. They are carried through unchanged (only the text follows
// the last search), so files that hold them keep them.
struct TSearchInTextKeys {
  struct TFlag {
    const char* Key;
    bool Default;
    bool Value;
  };
  TFlag Flags[5] = {{"SearchInTextCaseSensitive", false, false},
                    {"SearchInTextWholeWords", false, false},
                    {"SearchInTextSearchBackwards", false, false},
                    {"SearchInTextOnlySelection", false, false},
                    {"SearchInTextEntireScope", true, true}};
  std::string History;

  void Read(TSettings& settings) {
    FindState().LastSearch = settings.ReadString("SearchInTextText", "");
    History = settings.ReadString("SearchInTextHistory", "");
    for (TFlag& f : Flags) f.Value = settings.ReadBool(f.Key, f.Default);
  }
  void Write(TSettings& settings) const {
    for (const TFlag& f : Flags) settings.WriteBool(f.Key, f.Value);
    settings.WriteString("SearchInTextHistory", History);
    settings.WriteString("SearchInTextText", FindState().LastSearch);
  }
};

void Report(bool found, const TNotifyProc& notify) {
  if (!found && notify) notify(kNotFoundPopupKind, NotFoundText(FindState().LastSearch));
}

}  // namespace

void FindInTextCommand(ISynSearchEditor& editor, TSettings& settings, const TNotifyProc& notify) {
  TSearchInTextKeys keys;
  keys.Read(settings);
  // Written back however the search ends (a bad regular expression raises).
  struct TWriteBack {
    const TSearchInTextKeys& keys;
    TSettings& settings;
    ~TWriteBack() { keys.Write(settings); }
  } writeBack{keys, settings};
  if (ShowFindDialog(editor, settings)) Report(FindNext(editor), notify);
}

void FindNextInTextCommand(ISynSearchEditor& editor, const TNotifyProc& notify) {
  Report(FindAgain(editor), notify);
}

void FindPreviousInTextCommand(ISynSearchEditor& editor, const TNotifyProc& notify) {
  Report(FindPrevious(editor), notify);
}

// ---------------------------------------------------------------------------------------------

std::u16string TSynPadSearchEditor::GetSelText() {
  return editor_.GetSelText();
}
void TSynPadSearchEditor::SetSelectionMode(TSynSelectionMode mode) {
  editor_.SetSelectionMode(mode);
}
TBufferCoord TSynPadSearchEditor::GetCaretXY() {
  return editor_.GetCaretXY();
}
// Putting the caret back also drops the selection the proposal made.
void TSynPadSearchEditor::SetCaretXY(const TBufferCoord& pos) {
  editor_.InternalSetCaretXYAndClearSelection(pos);
}
void TSynPadSearchEditor::SelectWordAtCaret() {
  editor_.SelectWordAtCaret();
}
void TSynPadSearchEditor::SetSearchEngine(TSynPadSearchCustom* engine) {
  editor_.SetSearchEngine(engine);
}
int TSynPadSearchEditor::SearchReplace(const std::u16string& search, const std::u16string& replace,
                                       TSynSearchOptions options) {
  return editor_.SearchReplace(search, replace, options);
}
