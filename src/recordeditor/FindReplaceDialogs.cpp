#include "recordeditor/FindReplaceDialogs.h"

#include <utility>

std::string SearchOptionsToString(TSynSearchOptions options) {
  std::string text(8, '0');
  for (int bit = 0; bit < 8; ++bit)
    if (options & (1u << bit)) text[static_cast<size_t>(bit)] = '1';
  return text;
}

TSynSearchOptions StringToSearchOptions(std::string_view text) {
  if (text.size() != 8) return 0;
  TSynSearchOptions options = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (text[static_cast<size_t>(bit)] == '1') options |= static_cast<TSynSearchOptions>(1u << bit);
  return options;
}

std::vector<std::string> SplitSearchHistory(std::string_view history) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (true) {
    const size_t end = history.find("\r\n", start);
    if (end == std::string_view::npos) break;
    entries.emplace_back(history.substr(start, end - start));
    start = end + 2;
  }
  if (start < history.size()) entries.emplace_back(history.substr(start));
  return entries;
}

const char* const kFindDialogCaption = "Find";

const std::vector<TFindDialogControl> kFindDialogTemplate = {
    {-1, TFindControlKind::Label, "Find:"},
    {idFindText, TFindControlKind::Combo, ""},
    {-1, TFindControlKind::GroupBox, "Options"},
    {idCaseSensitive, TFindControlKind::CheckBox, "&Case sensitive"},
    {idWholeWord, TFindControlKind::CheckBox, "&Whole word"},
    {idRegularExpressions, TFindControlKind::CheckBox, "Regular Expressions"},
    {idFromCursor, TFindControlKind::CheckBox, "From Cursor"},
    {-1, TFindControlKind::GroupBox, "Direction"},
    {idForward, TFindControlKind::RadioButton, "&Forward"},
    {idBackward, TFindControlKind::RadioButton, "Bac&kward"},
    {-1, TFindControlKind::GroupBox, "Scope"},
    {idGlobal, TFindControlKind::RadioButton, "&Global"},
    {idSelection, TFindControlKind::RadioButton, "&Selection"},
    {idFindOk, TFindControlKind::PushButton, "&OK"},
    {idFindCancel, TFindControlKind::PushButton, "&Cancel"},
};

TFindDialogState TFindDialogState::FromOptions(std::string text, std::string_view history, bool regularExpressions,
                                               TSynSearchOptions options) {
  TFindDialogState s;
  s.Text = std::move(text);
  s.History = SplitSearchHistory(history);
  s.CaseSensitive = options & ssoMatchCase;
  s.WholeWord = options & ssoWholeWord;
  s.RegularExpressions = regularExpressions;
  s.FromCursor = !(options & ssoEntireScope);
  s.Backward = options & ssoBackwards;
  s.Selection = options & ssoSelectedOnly;
  return s;
}

TSynSearchOptions TFindDialogState::Options() const {
  TSynSearchOptions o = 0;
  if (CaseSensitive) o |= ssoMatchCase;
  if (WholeWord) o |= ssoWholeWord;
  if (Backward) o |= ssoBackwards;
  if (!FromCursor) o |= ssoEntireScope;
  if (Selection) o |= ssoSelectedOnly;
  return o;
}

namespace {
TFindDialogRunner& Runner() {
  static TFindDialogRunner runner;
  return runner;
}
}  // namespace

TFindDialogRunner SetFindDialogRunner(TFindDialogRunner runner) {
  return std::exchange(Runner(), std::move(runner));
}

bool FindDialogExecute(platform::WindowHandle owner, std::string& text, std::string_view history,
                       bool& regularExpressions, TSynSearchOptions& options) {
  TFindDialogState state = TFindDialogState::FromOptions(text, history, regularExpressions, options);
  if (!Runner() || !Runner()(owner, state)) return false;
  text = state.Text;
  regularExpressions = state.RegularExpressions;
  options = state.Options();
  return true;
}
