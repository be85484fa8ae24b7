// The "Find" dialog as plain data: its controls with their identifiers and captions, the state the
// controls show (search text, history, options, the regular-expression choice), the conversion of
// that state to and from the editor's option bits, and the stored forms of options and history.
// The window itself is a thin Qt shell (recordeditor/gui/FindDialog.h) installed as the runner;
// tests install a scripted one.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadSearchCustom.h"
#include "platform/UIServices.h"

// ---- Stored forms ----

// Eight characters "0"/"1", the first for bit 0 (match case + entire scope gives "10010000").
std::string SearchOptionsToString(TSynSearchOptions options);
// Exactly eight characters, a "1" setting its bit; a text of any other length gives no options.
TSynSearchOptions StringToSearchOptions(std::string_view text);
// The search texts of a stored history, newest first: the pieces between CR LF pairs. The settings
// file drops the final CR LF when it is read back, so a non-empty piece after the last CR LF is an
// entry too.
std::vector<std::string> SplitSearchHistory(std::string_view history);

// ---- The dialog template ----

enum TFindControlId : int {
  idFindText = 1000,
  idCaseSensitive = 1001,
  idWholeWord = 1002,
  idForward = 1003,
  idBackward = 1004,
  idGlobal = 1005,
  idSelection = 1006,
  idRegularExpressions = 1013,
  idFromCursor = 1014,
  idFindOk = 1,
  idFindCancel = 2,
};

enum class TFindControlKind { Label, Combo, GroupBox, CheckBox, RadioButton, PushButton };

struct TFindDialogControl {
  int Id;  // -1 for the labels and group boxes
  TFindControlKind Kind;
  const char* Text;  // "&" marks the accelerator
};

extern const char* const kFindDialogCaption;  // "Find"
// Every control in tab order.
extern const std::vector<TFindDialogControl> kFindDialogTemplate;
inline constexpr int kFindTextMaxLength = 3999;

// What the controls show. "From Cursor" is the inverse of the entire-scope bit.
struct TFindDialogState {
  std::string Text;                  // UTF-8
  std::vector<std::string> History;  // the combo's list
  bool CaseSensitive = false;
  bool WholeWord = false;
  bool RegularExpressions = false;
  bool FromCursor = true;
  bool Backward = false;
  bool Selection = false;

  static TFindDialogState FromOptions(std::string text, std::string_view history, bool regularExpressions,
                                      TSynSearchOptions options);
  // The option bits the controls stand for; bits no control shows are 0.
  TSynSearchOptions Options() const;
};

// Shows the dialog over owner with state, lets the user change it and returns true for OK (state
// then holds the controls' values). The program installs the Qt dialog.
using TFindDialogRunner = std::function<bool(platform::WindowHandle owner, TFindDialogState& state)>;
// Installs a runner and returns the previous one. Without a runner the dialog counts as cancelled.
TFindDialogRunner SetFindDialogRunner(TFindDialogRunner runner);

// Shows the dialog with text, the history (CR LF separated) and the current choices. OK: text,
// regularExpressions and options take the dialog's values and the result is true. Cancel: nothing
// changes. The history is not given back.
bool FindDialogExecute(platform::WindowHandle owner, std::string& text, std::string_view history,
                       bool& regularExpressions, TSynSearchOptions& options);
