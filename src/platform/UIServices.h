// Every message box, question, file dialog, password prompt and input box of the program goes
// through one injectable interface. The program installs the Qt implementation
// (platform/qt/QtUIServices.h); tests install ScriptedUIServices (tests/support/), which records
// each call and answers from a script, because a real modal box would block a test.
//
// Texts are UTF-8. Results of message boxes use the classic dialog-result numbers (1 = OK,
// 2 = Cancel, 6 = Yes, 7 = No, ...) because callers compare against them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Colors.h"

namespace platform {

// The window a box or dialog belongs to, as plain code holds it: an opaque handle that only the Qt
// half can make from a widget and turn back (platform/qt/QtUIServices.h). NoWindow lets the
// implementation choose (the active window).
enum class WindowHandle : std::uintptr_t { NoWindow = 0 };
inline constexpr WindowHandle NoWindow = WindowHandle::NoWindow;

// Dialog results (modal results of forms use the same numbers).
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrOverwrite = 12,
  mrSaveAs = 13,
};
// The message-box names of the same numbers.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// OverwriteSaveAsCancel: "Overwrite" (mrOverwrite), "Save As..." (mrSaveAs, the default) and "Cancel".
enum class MsgButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel, OverwriteSaveAsCancel };
enum class MsgIcon { None, Error, Question, Warning, Information };

// The answer a box gives when it is closed without a choice (Escape, the frame's close button):
// Cancel where the box has one, else No, else OK (a box without Cancel or No can only confirm).
int DismissResult(MsgButtons buttons);
// Whether `result` is one of the answers the box offers.
bool IsValidResult(MsgButtons buttons, int result);

struct FileDialogOptions {
  std::string title;             // "Open DataBank"
  std::string filter;            // "XML DataBank|*.xdb2", pairs of description|patterns joined by '|'
  std::string defaultExt;        // ".xdb2" (with or without the dot): added when a typed name has none
  std::string initialDir;        // preset folder, empty for the dialog's own choice
  std::string fileName;          // preset file name (may be a full path)
  bool overwritePrompt = false;  // the save dialog asks before replacing a file
  bool fileMustExist = false;
  bool pathMustExist = false;
};

// Parses "Desc|*.a;*.b|Desc2|*.c" into (description, patterns) pairs; an odd trailing part is a
// description without patterns and is dropped.
std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(const std::string& filter);
// The name of one filter as a file dialog lists it: the description, then its patterns in brackets
// separated by blanks ("UNIX Shell Scripts (*.sh)"). A description that ends with its own list of
// the same patterns ("(*.pl;*.pm)", "(*.pl,*.pm)") has that list replaced, so the patterns show once.
std::string FileFilterName(const std::string& description, const std::vector<std::string>& patterns);
// Adds defaultExt to path when the file-name part of path has no extension.
std::string ApplyDefaultExt(const std::string& path, const std::string& defaultExt);

// The print dialog: the pages a range may name and the preset range; after OK the range chosen and
// the number of copies (the printer itself is set up on the desktop's printer, platform/Printer.h).
struct PrintDialogOptions {
  int minPage = 1;
  int maxPage = 1;
  bool allowSelection = false;  // offer "selection" as a range
  enum class Range { All, Pages, Selection } range = Range::All;
  int fromPage = 1;
  int toPage = 1;
  int copies = 1;
};

// A font as the font dialog edits it: the program's font name, size in points, style bits (bold 1,
// italic 2, underline 4, strike-out 8) and colour.
struct FontChoice {
  std::string name;
  int size = 10;
  unsigned style = 0;
  TColor color = clBlack;
};

// Answers of the password prompts. Each prompt only collects text; callers compare.
struct SetPasswordAnswer {
  std::string password;  // first entry
  std::string repeated;  // second entry
};
struct ChangePasswordAnswer {
  std::string oldPassword;
  std::string password;
  std::string repeated;
};

class IUIServices {
 public:
  virtual ~IUIServices() = default;

  // A message box; returns the chosen button's result (see DismissResult for a closed box).
  virtual int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         WindowHandle owner = NoWindow) = 0;

  // File dialogs: true and the chosen path when confirmed; path is untouched on Cancel.
  virtual bool OpenFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) = 0;
  virtual bool SaveFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) = 0;

  // The plain password prompt ("Enter Password"). An empty entry can be confirmed.
  virtual bool AskPassword(std::string& password, WindowHandle owner = NoWindow) = 0;
  // The file-password prompt: shows fileName without its folder. On Cancel password is untouched.
  virtual bool AskFilePassword(const std::string& fileName, std::string& password, WindowHandle owner = NoWindow) = 0;
  // The same prompt come back after an answer that did not open the file: it says why (`why`, one
  // line). Services that have no place for it ask as AskFilePassword does.
  virtual bool AskFilePasswordAgain(const std::string& fileName, const std::string& why, std::string& password,
                                    WindowHandle owner = NoWindow) {
    (void)why;
    return AskFilePassword(fileName, password, owner);
  }
  // The set-password prompt (typed twice). OK is only possible with two equal non-empty entries.
  virtual bool AskSetPassword(SetPasswordAnswer& answer, WindowHandle owner = NoWindow) = 0;
  // The change-password prompt (old, new, repeated).
  virtual bool AskChangePassword(ChangePasswordAnswer& answer, WindowHandle owner = NoWindow) = 0;

  // The one-line input box; value is the preset text and, after OK, the (at most 3999-character) answer.
  virtual bool InputBox(const std::string& caption, const std::string& prompt, std::string& value,
                        WindowHandle owner = NoWindow) = 0;

  // The application's error handler: an exception that escaped an action or event handler.
  virtual void ShowException(const std::string& message) = 0;

  // Opens a link with the desktop's default handler; false when nothing could open it.
  virtual bool OpenUrl(const std::string& url) = 0;

  // The print, font and colour dialogs: true after OK with the answers filled in; untouched on
  // Cancel. Services without them cancel.
  virtual bool PrintDialog(PrintDialogOptions& options, WindowHandle owner = NoWindow) {
    (void)options, (void)owner;
    return false;
  }
  virtual bool FontDialog(FontChoice& font, WindowHandle owner = NoWindow) {
    (void)font, (void)owner;
    return false;
  }
  virtual bool ColorDialog(TColor& color, WindowHandle owner = NoWindow) {
    (void)color, (void)owner;
    return false;
  }

  // Convenience over MessageBox.
  void ShowMessage(const std::string& text, const std::string& caption) {
    MessageBox(text, caption, MsgButtons::Ok, MsgIcon::None);
  }
  bool Confirm(const std::string& text, const std::string& caption) {
    return MessageBox(text, caption, MsgButtons::YesNo, MsgIcon::Question) == mrYes;
  }
};

// The services the program uses now. Never null: before anything is installed (a headless tool)
// a fallback prints messages to standard error and cancels every dialog.
IUIServices& UI();
// Installs services (not owned); nullptr restores the fallback. Returns the previous ones.
IUIServices* SetUIServices(IUIServices* services);

// Installs services for the lifetime of the object and puts the previous ones back.
class ScopedUIServices {
 public:
  explicit ScopedUIServices(IUIServices& services) : previous_(SetUIServices(&services)) {}
  ~ScopedUIServices() { SetUIServices(previous_); }
  ScopedUIServices(const ScopedUIServices&) = delete;
  ScopedUIServices& operator=(const ScopedUIServices&) = delete;

 private:
  IUIServices* previous_;
};

// Runs an action or event handler; an exception escaping it is shown through UI().ShowException
// instead of ending the program. Returns false when an exception was caught.
bool RunGuarded(const std::function<void()>& handler);
// The text the error handler shows for the exception currently being handled (call inside catch).
std::string CurrentExceptionMessage();

}  // namespace platform
