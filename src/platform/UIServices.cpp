#include "platform/UIServices.h"

#include <cstdio>
#include <exception>
#include <new>

#include "platform/Exceptions.h"

namespace platform {

int DismissResult(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return mrOk;
    case MsgButtons::YesNo:
      return mrNo;
    case MsgButtons::AbortRetryIgnore:
      return mrAbort;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel:
    case MsgButtons::OverwriteSaveAsCancel:
      return mrCancel;
  }
  return mrCancel;
}

bool IsValidResult(MsgButtons buttons, int result) {
  switch (buttons) {
    case MsgButtons::Ok:
      return result == mrOk;
    case MsgButtons::OkCancel:
      return result == mrOk || result == mrCancel;
    case MsgButtons::AbortRetryIgnore:
      return result == mrAbort || result == mrRetry || result == mrIgnore;
    case MsgButtons::YesNoCancel:
      return result == mrYes || result == mrNo || result == mrCancel;
    case MsgButtons::YesNo:
      return result == mrYes || result == mrNo;
    case MsgButtons::RetryCancel:
      return result == mrRetry || result == mrCancel;
    case MsgButtons::OverwriteSaveAsCancel:
      return result == mrOverwrite || result == mrSaveAs || result == mrCancel;
  }
  return false;
}

std::string FileFilterName(const std::string& description, const std::vector<std::string>& patterns) {
  std::string name = description;
  const std::size_t open = name.rfind('(');
  if (!name.empty() && name.back() == ')' && open != std::string::npos) {
    // The bracketed list, split at commas, semicolons and blanks.
    std::vector<std::string> listed;
    std::string one;
    for (const char c : name.substr(open + 1, name.size() - open - 2) + ";") {
      if (c != ',' && c != ';' && c != ' ') {
        one += c;
      } else if (!one.empty()) {
        listed.push_back(one);
        one.clear();
      }
    }
    if (listed == patterns) {
      name.erase(open);
      while (!name.empty() && name.back() == ' ') name.pop_back();
    }
  }
  std::string list;
  for (const std::string& p : patterns) list += (list.empty() ? "" : " ") + p;
  return name + (name.empty() ? "(" : " (") + list + ")";
}

std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> result;
  if (filter.empty()) return result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::vector<std::string> patterns;
    const std::string& p = parts[i + 1];
    std::size_t s = 0;
    while (s <= p.size()) {
      std::size_t semi = p.find(';', s);
      if (semi == std::string::npos) semi = p.size();
      std::string one = p.substr(s, semi - s);
      // Patterns are file globs; surrounding blanks are never meant.
      while (!one.empty() && one.front() == ' ') one.erase(one.begin());
      while (!one.empty() && one.back() == ' ') one.pop_back();
      if (!one.empty()) patterns.push_back(one);
      s = semi + 1;
    }
    result.emplace_back(parts[i], std::move(patterns));
  }
  return result;
}

std::string ApplyDefaultExt(const std::string& path, const std::string& defaultExt) {
  if (defaultExt.empty() || path.empty()) return path;
  std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return path;
  // A leading dot alone (a hidden file name) is not an extension.
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) return path;
  return path + (defaultExt.front() == '.' ? defaultExt : "." + defaultExt);
}

namespace {

// Headless fallback: nobody can answer, so every question gets its dismiss answer.
class FallbackUIServices : public IUIServices {
 public:
  int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon,
                 WindowHandle) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DismissResult(buttons);
  }
  bool OpenFileDialog(const FileDialogOptions&, std::string&, WindowHandle) override { return false; }
  bool SaveFileDialog(const FileDialogOptions&, std::string&, WindowHandle) override { return false; }
  bool AskPassword(std::string&, WindowHandle) override { return false; }
  bool AskFilePassword(const std::string&, std::string&, WindowHandle) override { return false; }
  bool AskSetPassword(SetPasswordAnswer&, WindowHandle) override { return false; }
  bool AskChangePassword(ChangePasswordAnswer&, WindowHandle) override { return false; }
  bool InputBox(const std::string&, const std::string&, std::string&, WindowHandle) override { return false; }
  void ShowException(const std::string& message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
  bool OpenUrl(const std::string&) override { return false; }
};

FallbackUIServices& Fallback() {
  static FallbackUIServices fallback;
  return fallback;
}

IUIServices* g_services = nullptr;

}  // namespace

IUIServices& UI() {
  return g_services ? *g_services : Fallback();
}

IUIServices* SetUIServices(IUIServices* services) {
  IUIServices* previous = g_services;
  g_services = services;
  return previous;
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::bad_alloc&) {
    return SNotEnoughMemory;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

bool RunGuarded(const std::function<void()>& handler) {
  if (!handler) return true;
  try {
    handler();
    return true;
  } catch (...) {
    // The message needs memory too: without it, the terminal is told what there is no room to show,
    // and the program goes on.
    try {
      const std::string message = CurrentExceptionMessage();
      try {
        UI().ShowException(message);
      } catch (...) {
        // The error handler itself failed; there is nobody left to tell.
        std::fprintf(stderr, "%s\n", message.c_str());
      }
    } catch (...) {
      std::fputs(SNotEnoughMemory, stderr);
      std::fputc('\n', stderr);
    }
    return false;
  }
}

}  // namespace platform
