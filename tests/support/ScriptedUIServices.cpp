#include "ScriptedUIServices.h"

#include <utility>

namespace platform {

std::vector<ScriptedUIServices::Call> ScriptedUIServices::CallsOf(Kind kind) const {
  std::vector<Call> result;
  for (const Call& c : calls_)
    if (c.kind == kind) result.push_back(c);
  return result;
}

bool ScriptedUIServices::ScriptUsedUp() const {
  return messageResults_.empty() && openFiles_.empty() && saveFiles_.empty() && passwords_.empty() &&
         filePasswords_.empty() && setPasswords_.empty() && changePasswords_.empty() && inputs_.empty() &&
         prints_.empty() && fonts_.empty() && colors_.empty();
}

void ScriptedUIServices::Clear() {
  calls_.clear();
  unscripted_ = 0;
  messageResults_.clear();
  openFiles_.clear();
  saveFiles_.clear();
  passwords_.clear();
  filePasswords_.clear();
  setPasswords_.clear();
  changePasswords_.clear();
  inputs_.clear();
  prints_.clear();
  fonts_.clear();
  colors_.clear();
  openUrlResult_ = true;
}

ScriptedUIServices::Call ScriptedUIServices::NewCall(Kind kind, std::string text, std::string caption,
                                                     MsgButtons buttons, MsgIcon icon) {
  Call call;
  call.kind = kind;
  call.text = std::move(text);
  call.caption = std::move(caption);
  call.buttons = buttons;
  call.icon = icon;
  return call;
}

template <typename T>
std::optional<T> ScriptedUIServices::Take(std::deque<std::optional<T>>& script, Call& call) {
  if (script.empty()) {
    call.scripted = false;
    ++unscripted_;
    return std::nullopt;
  }
  std::optional<T> answer = std::move(script.front());
  script.pop_front();
  return answer;
}

int ScriptedUIServices::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                   MsgIcon icon, WindowHandle) {
  Call call = NewCall(Kind::Message, text, caption, buttons, icon);
  int result;
  if (messageResults_.empty()) {
    call.scripted = false;
    ++unscripted_;
    result = DismissResult(buttons);
  } else {
    result = messageResults_.front();
    messageResults_.pop_front();
  }
  call.result = result;
  calls_.push_back(std::move(call));
  return result;
}

template <typename T, typename Apply>
bool ScriptedUIServices::Answer(Call call, std::deque<std::optional<T>>& script, Apply apply) {
  std::optional<T> answer = Take(script, call);
  if (answer) apply(*answer);
  call.result = answer ? 1 : 0;
  calls_.push_back(std::move(call));
  return answer.has_value();
}

bool ScriptedUIServices::OpenFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle) {
  Call call = NewCall(Kind::OpenFile, {}, options.title, MsgButtons::Ok, MsgIcon::None);
  call.value = path;
  call.fileOptions = options;
  return Answer(std::move(call), openFiles_, [&](const std::string& a) { path = a; });
}

bool ScriptedUIServices::SaveFileDialog(const FileDialogOptions& options, std::string& path, WindowHandle) {
  Call call = NewCall(Kind::SaveFile, {}, options.title, MsgButtons::Ok, MsgIcon::None);
  call.value = path;
  call.fileOptions = options;
  return Answer(std::move(call), saveFiles_,
                [&](const std::string& a) { path = ApplyDefaultExt(a, options.defaultExt); });
}

bool ScriptedUIServices::AskPassword(std::string& password, WindowHandle) {
  return Answer(NewCall(Kind::Password, {}, "Enter Password", MsgButtons::OkCancel, MsgIcon::None), passwords_,
                [&](const std::string& a) { password = a; });
}

bool ScriptedUIServices::AskFilePassword(const std::string& fileName, std::string& password, WindowHandle) {
  Call call = NewCall(Kind::FilePassword, fileName, "Enter Password", MsgButtons::OkCancel, MsgIcon::None);
  call.note = std::exchange(note_, std::string());
  return Answer(std::move(call), filePasswords_, [&](const std::string& a) { password = a; });
}

bool ScriptedUIServices::AskFilePasswordAgain(const std::string& fileName, const std::string& why,
                                              std::string& password, WindowHandle owner) {
  note_ = why;
  const bool answered = AskFilePassword(fileName, password, owner);
  note_.clear();
  return answered;
}

bool ScriptedUIServices::AskSetPassword(SetPasswordAnswer& answer, WindowHandle) {
  return Answer(NewCall(Kind::SetPassword, {}, "Enter Password", MsgButtons::OkCancel, MsgIcon::None), setPasswords_,
                [&](const SetPasswordAnswer& a) { answer = a; });
}

bool ScriptedUIServices::AskChangePassword(ChangePasswordAnswer& answer, WindowHandle) {
  return Answer(NewCall(Kind::ChangePassword, {}, "Change Password", MsgButtons::OkCancel, MsgIcon::None),
                changePasswords_, [&](const ChangePasswordAnswer& a) { answer = a; });
}

bool ScriptedUIServices::InputBox(const std::string& caption, const std::string& prompt, std::string& value,
                                  WindowHandle) {
  Call call = NewCall(Kind::Input, prompt, caption, MsgButtons::OkCancel, MsgIcon::None);
  call.value = value;
  return Answer(std::move(call), inputs_, [&](const std::string& a) { value = a; });
}

void ScriptedUIServices::ShowException(const std::string& message) {
  Call call = NewCall(Kind::Exception, message, {}, MsgButtons::Ok, MsgIcon::Error);
  call.result = mrOk;
  calls_.push_back(std::move(call));
}

bool ScriptedUIServices::OpenUrl(const std::string& url) {
  Call call = NewCall(Kind::OpenUrl, url, {}, MsgButtons::Ok, MsgIcon::None);
  call.result = openUrlResult_ ? 1 : 0;
  calls_.push_back(std::move(call));
  return openUrlResult_;
}

bool ScriptedUIServices::PrintDialog(PrintDialogOptions& options, WindowHandle) {
  Call call = NewCall(Kind::Print, {}, "Print", MsgButtons::OkCancel, MsgIcon::None);
  call.printOptions = options;
  return Answer(std::move(call), prints_, [&](const std::function<void(PrintDialogOptions&)>& change) {
    if (change) change(options);
  });
}

bool ScriptedUIServices::FontDialog(FontChoice& font, WindowHandle) {
  Call call = NewCall(Kind::Font, {}, "Font", MsgButtons::OkCancel, MsgIcon::None);
  call.font = font;
  return Answer(std::move(call), fonts_, [&](const FontChoice& chosen) { font = chosen; });
}

bool ScriptedUIServices::ColorDialog(TColor& color, WindowHandle) {
  Call call = NewCall(Kind::Color, {}, "Color", MsgButtons::OkCancel, MsgIcon::None);
  call.color = color;
  return Answer(std::move(call), colors_, [&](TColor chosen) { color = chosen; });
}

}  // namespace platform
