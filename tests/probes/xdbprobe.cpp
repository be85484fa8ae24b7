// xdbprobe: the databank file pipeline from the command line.
//   xdbprobe decode [--password P] FILE     the XML bytes under the file's layers, to stdout
//   xdbprobe encode [--password P] [--compress] [--backup] IN OUT
//                                           IN (plain databank XML) saved as OUT through the layers
//   xdbprobe outline [--password P]... FILE one line per folder or record in display order (indented
//                                           two blanks a level down to 64 levels), then
//                                           "next=<NextNodeID>"
//   xdbprobe match < lines                  the record filter's text matcher: each line
//                                           MODE TAB FLAGS TAB PATTERN TAB TEXT (MODE phrase|all|
//                                           any|regexp, FLAGS letters of c (case sensitive) and w
//                                           (whole words) or "-") answers "1" or "0" as the filter
//                                           tests a title, or "error" TAB the message
// P is UTF-8 and answers the file-password prompt (decode, outline) or becomes the new password
// (encode). outline takes any number of them: the prompt, asked again after each password that does
// not open the file, is answered with the next one in turn, and cancelled after the last; a prompt
// asked again prints what it says on stderr first. Exit 0 on success, 1 with the pipeline's messages
// on stderr when it fails, 2 on usage errors.
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedUIServices.h"
#include "databank/uBankFile.h"
#include "databank/uBankMessages.h"
#include "databank/uBankSession.h"
#include "databank/uDataBankContent.h"
#include "databank/uTextSearchUtils.h"
#include "platform/Exceptions.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "protection/uDataBankCipher.h"
#include "xml/uSettingsBase.h"
#include "xml/uXMLTools2.h"
#include "xml/xevStrings.h"

// The in-memory settings the databank suites use: the probe decides two of them, the rest read as
// their defaults.
#include "BankOutline.h"
#include "MapSettings.h"

namespace {

int Usage(const std::string& why) {
  std::cerr << "xdbprobe: " << why << "\n"
            << "usage: xdbprobe decode [--password P] FILE\n"
               "       xdbprobe encode [--password P] [--compress] [--backup] IN OUT\n"
               "       xdbprobe outline [--password P]... FILE\n"
               "       xdbprobe match < lines\n";
  return 2;
}

// Prints every message box to stderr; the file-password prompt is answered with the --password
// values in turn, then cancelled; every other dialog is cancelled.
class ProbeUI : public platform::ScriptedUIServices {
 public:
  std::vector<std::string> Passwords;
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    std::cerr << text << "\n";
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
  bool AskFilePassword(const std::string&, std::string& password, platform::WindowHandle) override {
    if (next_ >= Passwords.size()) return false;
    password = Passwords[next_++];
    return true;
  }
  bool AskFilePasswordAgain(const std::string& fileName, const std::string& why, std::string& password,
                            platform::WindowHandle owner) override {
    std::cerr << why << "\n";
    return AskFilePassword(fileName, password, owner);
  }

 private:
  std::size_t next_ = 0;
};

struct Args {
  std::string command;
  std::optional<std::string> password;  // the first --password
  std::vector<std::string> passwords;   // every one, in order
  bool compress = false;
  bool backup = false;
  std::vector<std::string> files;
};

std::optional<Args> Parse(int argc, char** argv, std::string& error) {
  Args a;
  if (argc < 2) {
    error = "no command";
    return std::nullopt;
  }
  a.command = argv[1];
  if (a.command != "decode" && a.command != "encode" && a.command != "outline") {
    error = "unknown command '" + a.command + "'";
    return std::nullopt;
  }
  bool optionsEnded = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--password") {
      if (i + 1 >= argc) {
        error = "--password needs a value";
        return std::nullopt;
      }
      if (a.password && a.command != "outline") {
        error = "--password is given once to " + a.command;
        return std::nullopt;
      }
      a.passwords.push_back(argv[++i]);
      if (!a.password) a.password = a.passwords.back();
    } else if (!optionsEnded && arg == "--compress" && a.command == "encode") {
      a.compress = true;
    } else if (!optionsEnded && arg == "--backup" && a.command == "encode") {
      a.backup = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      error = "unknown option '" + arg + "'";
      return std::nullopt;
    } else {
      a.files.push_back(arg);
    }
  }
  const size_t want = a.command == "encode" ? 2 : 1;
  if (a.files.size() != want) {
    error = a.command + " takes " + std::to_string(want) + (want == 1 ? " file" : " files");
    return std::nullopt;
  }
  for (const auto& f : a.files)
    if (f.empty()) {
      error = "empty file name";
      return std::nullopt;
    }
  for (const std::string& password : a.passwords)
    if (!IsValidDataBankPassword(password)) {
      error = "the password has a character outside Windows-1252";
      return std::nullopt;
    }
  return a;
}

int Decode(const Args& a) {
  std::string bytes;
  try {
    bytes = LoadStringFromFile(a.files[0]);
  } catch (const Exception& e) {
    std::cerr << e.Message() << "\n";
    return 1;
  }
  TBankReadContext context;
  context.AskPassword = [&](std::string& answer) {
    if (!a.password) return false;
    answer = *a.password;
    return true;
  };
  context.ShowError = [](int, const std::string& text) { std::cerr << text << "\n"; };
  TBankReadResult result;
  if (!DecodeBankLayers(std::move(bytes), context, result)) {
    if (!result.Reason.empty()) std::cerr << result.Reason << "\n";
    return 1;
  }
  std::fwrite(result.XML.data(), 1, result.XML.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Encode(const Args& a, TBankSession& session, MapSettings& settings) {
  settings.WriteBool(banksettings::MakeBackup, a.backup);
  session.OpenBank("");
  // Straight into the databank, so the document stays exactly as read (no state is added).
  if (!session.LoadBankFile(a.files[0])) {
    std::cerr << session.CouldNotOpenMessage() << "\n";
    return 1;
  }
  session.SetPassword(a.password.value_or(""));
  session.SetCompress(a.compress);
  return session.SaveBankFile(a.files[1]) ? 0 : 1;
}

int Outline(TBankSession& session, const std::string& file) {
  session.OpenBank(file);
  if (session.FileName().empty()) return 1;
  const std::string out = BankOutline(session.Bank()->Root(), session.NextNodeID);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Match() {
  static const std::map<std::string, int> kModes = {{"phrase", 0}, {"all", 1}, {"any", 2}, {"regexp", 3}};
  std::string line;
  while (std::getline(std::cin, line)) {
    std::vector<std::string> f;
    for (size_t start = 0;;) {
      const size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    const auto mode = f.size() == 4 ? kModes.find(f[0]) : kModes.end();
    if (mode == kModes.end()) {
      std::cout << "error\tbad input\n";
      continue;
    }
    const bool cs = f[1].find('c') != std::string::npos, whole = f[1].find('w') != std::string::npos;
    const bool found =
        MatchText(PrepareCase(f[3], cs), PrepareSearchText(f[2], cs, mode->second), whole, mode->second, cs);
    if (!LastRegExprError().empty())
      std::cout << "error\t" << LastRegExprError() << "\n";
    else
      std::cout << (found ? "1" : "0") << "\n";
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "match") return Match();
  std::string error;
  auto args = Parse(argc, argv, error);
  if (!args) return Usage(error);
  if (args->command == "decode") return Decode(*args);

  ProbeUI ui;
  ui.Passwords = args->passwords;
  platform::ScopedUIServices scopedUI(ui);
  MapSettings settings;
  TBankSession::TOptions options;
  options.RenameOldFiles = false;  // a probe only looks: an old ".xdb" file keeps its name
  TBankSession session(&settings, options, &ui);
  try {
    return args->command == "encode" ? Encode(*args, session, settings) : Outline(session, args->files[0]);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}
