// The user-interface services of the tests: every call recorded, every answer taken from a script,
// because a real modal box would block a test. Tests, probes, fuzz replays and benchmarks link it
// from the test support library; the program never does.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/UIServices.h"

namespace platform {

// Test implementation: records every call, answers from per-kind scripts. An unscripted call is
// answered as if the user closed the box or cancelled the dialog, and is counted in Unscripted().
class ScriptedUIServices : public IUIServices {
 public:
  enum class Kind {
    Message,
    OpenFile,
    SaveFile,
    Password,
    FilePassword,
    SetPassword,
    ChangePassword,
    Input,
    Exception,
    OpenUrl,
    Print,
    Font,
    Color
  };
  struct Call {
    Kind kind = Kind::Message;
    std::string text;     // message text, prompt, file name, exception message or URL
    std::string caption;  // caption or dialog title
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    std::string value;  // preset value (input box, file dialogs' preset name)
    FileDialogOptions fileOptions;
    int result = 0;  // what was answered (dialog result, or 1/0 for confirmed/cancelled)
    bool scripted = true;
    PrintDialogOptions printOptions;  // print dialog: the options it was opened with
    FontChoice font;                  // font dialog: the font it started from
    TColor color = clNone;            // colour dialog: the colour it started from
    std::string note;                 // file-password prompt asked again: why
  };

  // Script the next answers. std::nullopt scripts a Cancel.
  void PushMessageResult(int result) { messageResults_.push_back(result); }
  void PushOpenFile(std::optional<std::string> path) { openFiles_.push_back(std::move(path)); }
  void PushSaveFile(std::optional<std::string> path) { saveFiles_.push_back(std::move(path)); }
  void PushFilePassword(std::optional<std::string> password) { filePasswords_.push_back(std::move(password)); }
  void PushSetPassword(std::optional<SetPasswordAnswer> answer) { setPasswords_.push_back(std::move(answer)); }
  void PushChangePassword(std::optional<ChangePasswordAnswer> answer) { changePasswords_.push_back(std::move(answer)); }
  void PushInput(std::optional<std::string> value) { inputs_.push_back(std::move(value)); }
  // The print dialog's answer is the options it was opened with, changed by `answer`.
  void PushPrint(std::optional<std::function<void(PrintDialogOptions&)>> answer) {
    prints_.push_back(std::move(answer));
  }
  void PushFont(std::optional<FontChoice> font) { fonts_.push_back(std::move(font)); }

  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<Call> CallsOf(Kind kind) const;
  const Call& LastCall() const { return calls_.back(); }
  std::size_t Unscripted() const { return unscripted_; }
  // True when every scripted answer has been used.
  bool ScriptUsedUp() const;
  void Clear();

  int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                 WindowHandle owner = NoWindow) override;
  bool OpenFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) override;
  bool SaveFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) override;
  bool AskPassword(std::string& password, WindowHandle owner = NoWindow) override;
  bool AskFilePassword(const std::string& fileName, std::string& password, WindowHandle owner = NoWindow) override;
  // Recorded as a FilePassword call with its note, answered through AskFilePassword (so a service
  // that answers that one answers this too).
  bool AskFilePasswordAgain(const std::string& fileName, const std::string& why, std::string& password,
                            WindowHandle owner = NoWindow) override;
  bool AskSetPassword(SetPasswordAnswer& answer, WindowHandle owner = NoWindow) override;
  bool AskChangePassword(ChangePasswordAnswer& answer, WindowHandle owner = NoWindow) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value,
                WindowHandle owner = NoWindow) override;
  void ShowException(const std::string& message) override;
  bool OpenUrl(const std::string& url) override;
  bool PrintDialog(PrintDialogOptions& options, WindowHandle owner = NoWindow) override;
  bool FontDialog(FontChoice& font, WindowHandle owner = NoWindow) override;
  bool ColorDialog(TColor& color, WindowHandle owner = NoWindow) override;

 private:
  // A call of the kind with every other field at its default.
  static Call NewCall(Kind kind, std::string text, std::string caption, MsgButtons buttons, MsgIcon icon);
  template <typename T>
  std::optional<T> Take(std::deque<std::optional<T>>& script, Call& call);
  // Records the call and, when the script holds an answer, hands it to apply.
  template <typename T, typename Apply>
  bool Answer(Call call, std::deque<std::optional<T>>& script, Apply apply);

  std::vector<Call> calls_;
  std::size_t unscripted_ = 0;
  std::deque<int> messageResults_;
  std::deque<std::optional<std::string>> openFiles_, saveFiles_, passwords_, filePasswords_, inputs_;
  std::deque<std::optional<SetPasswordAnswer>> setPasswords_;
  std::deque<std::optional<ChangePasswordAnswer>> changePasswords_;
  std::deque<std::optional<std::function<void(PrintDialogOptions&)>>> prints_;
  std::deque<std::optional<FontChoice>> fonts_;
  std::deque<std::optional<TColor>> colors_;
  bool openUrlResult_ = true;
  std::string note_;  // of the file-password prompt being asked again
};

}  // namespace platform
