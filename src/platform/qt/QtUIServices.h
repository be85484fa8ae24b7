// The program's real UI services over Qt: message boxes, file dialogs, the error handler and
// opening links. The input box and the password prompts are forms of higher layers; they plug in
// through the hooks below (the program's start-up sets them), and without a hook the prompt counts
// as cancelled. GUI code only.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/UIServices.h"

namespace platform {

class QtUIServices : public IUIServices {
 public:
  int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                 WindowHandle owner = NoWindow) override;
  bool OpenFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) override;
  bool SaveFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle owner = NoWindow) override;
  bool AskPassword(std::string& password, WindowHandle owner = NoWindow) override;
  bool AskFilePassword(const std::string& fileName, std::string& password, WindowHandle owner = NoWindow) override;
  bool AskFilePasswordAgain(const std::string& fileName, const std::string& why, std::string& password,
                            WindowHandle owner = NoWindow) override;
  bool AskSetPassword(SetPasswordAnswer& answer, WindowHandle owner = NoWindow) override;
  bool AskChangePassword(ChangePasswordAnswer& answer, WindowHandle owner = NoWindow) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value,
                WindowHandle owner = NoWindow) override;
  void ShowException(const std::string& message) override;
  bool OpenUrl(const std::string& url) override;
  // The print dialog sets up the desktop's printer (platform::Printer()) and gives back the range
  // and the copies; the printer itself is left at one copy, as the print engine makes its own.
  bool PrintDialog(PrintDialogOptions& options, WindowHandle owner = NoWindow) override;
  bool FontDialog(FontChoice& font, WindowHandle owner = NoWindow) override;
  bool ColorDialog(TColor& color, WindowHandle owner = NoWindow) override;

  // Hooks of the higher layers' dialogs.
  std::function<bool(std::string& password, QWidget* owner)> PasswordPrompt;
  // why: "" the first time; the reason the prompt is back after an answer that did not open the file.
  std::function<bool(const std::string& fileName, const std::string& why, std::string& password, QWidget* owner)>
      FilePasswordPrompt;
  std::function<bool(SetPasswordAnswer& answer, QWidget* owner)> SetPasswordPrompt;
  std::function<bool(ChangePasswordAnswer& answer, QWidget* owner)> ChangePasswordPrompt;
  std::function<bool(const std::string& caption, const std::string& prompt, std::string& value, QWidget* owner)>
      InputPrompt;

  // Builds (does not run) the box MessageBox would show; tests look at it offscreen.
  static QMessageBox* BuildMessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                      MsgIcon icon, QWidget* owner);
  // The Qt name filters of a classic filter ("Desc|*.a;*.b" -> "Desc (*.a *.b)").
  static QStringList NameFilters(const std::string& filter);
};

// The owner to use for a box when none is given: the active window, else the main window.
QWidget* DefaultOwner(QWidget* owner);

// The opaque owner handle of plain code, made from a widget and turned back.
inline WindowHandle HandleOf(QWidget* widget) {
  return WindowHandle(reinterpret_cast<std::uintptr_t>(widget));
}
inline QWidget* WidgetOf(WindowHandle handle) {
  return reinterpret_cast<QWidget*>(static_cast<std::uintptr_t>(handle));
}

}  // namespace platform
