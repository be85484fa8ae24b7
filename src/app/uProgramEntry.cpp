#include "app/uProgramEntry.h"

#include <QApplication>
#include <cstdio>

#include "app/UMain.h"
#include "databank/uBankFileReadAhead.h"
#include "databank/uBankSession.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/Version.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtApplication.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/gui/FindDialog.h"
#include "ui/TrayIcon.h"
#include "xml/uGlobalSettings.h"

TProgramEntry::TProgramEntry(TProgramOptions options) : options_(std::move(options)) {}

TProgramEntry::~TProgramEntry() {
  Finish();
}

void TProgramEntry::InitializeUnits() {
  firstStart_ = !FileExists(options_.SettingsFile.empty() ? SettingsFilePath() : options_.SettingsFile);
  settings_ = std::make_unique<TGlobalSettingsScope>(options_.SettingsFile);
  StartMinimized = settings_->Settings()->ReadBool("StartMinimized", false);
  // The databank a window that shows at once opens is read while the window is being made.
  if (!StartMinimized) {
    const std::string file =
        TBankSession::StartupFileOf(settings_->Settings(), ExtractFileDir(ExecutablePath()), options_.CommandLineFile);
    if (!file.empty()) StartBankFileReadAhead(file);
  }
}

void TProgramEntry::InitializeApplication() {
  QApplication::setApplicationName(QStringLiteral("Tessaryn"));
  QApplication::setWindowIcon(platform::ProgramIcon());
  platform::Application().Title = kProgramTitle;
  platform::EndSessionOnSignals();
  InstallFindDialog();
  // Settings that could not be read are told once a box can be shown; the program goes on with
  // defaults and leaves the file alone.
  const std::string& error = settings_ ? settings_->Settings()->ReadError() : std::string();
  if (!error.empty())
    platform::UI().MessageBox("The settings could not be read:\n" + error +
                                  "\nTessaryn starts with default settings and leaves that file as it is.",
                              kProgramTitle, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
  // A damaged one was kept aside and is replaced at the end: the user hears where it is.
  const std::string& kept = settings_ ? settings_->Settings()->KeptDamagedCopy() : std::string();
  if (error.empty() && !kept.empty())
    platform::UI().MessageBox("The settings file " + settings_->Settings()->FileName() +
                                  " is damaged and could not be read. It is kept as " + kept +
                                  ".\nTessaryn starts with default settings.",
                              kProgramTitle, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}

void TProgramEntry::CreateHighlighters() {
  highlighters_ =
      std::make_unique<TdmHighLighters>(THighlighterSetRole::Primary, options_.PluginFolder, options_.PluginLoader);
}

void TProgramEntry::CreateMainForm() {
  // The session ended (a signal) while a box of the start-up was up: nothing is open yet that could
  // be lost, so the program ends without making its window.
  if (platform::QtApplication().EndedBeforeMainWindow()) return;
  mainForm_ = platform::Construct<TfrmMain>(nullptr, options_.CommandLineFile);
}

void TProgramEntry::ShowMainForm() {
  platform::Application().ShowMainForm = !StartMinimized;
  if (!StartMinimized || !mainForm_) return;
  if (platform::Application().Hidden())
    mainForm_->hide();  // the tray icon holds the program
  else
    platform::Application().Minimize();
}

int TProgramEntry::Run() {
  if (!mainForm_) return platform::QtApplication().EndedBeforeMainWindow() ? 0 : 1;
  // Closed already (a signal while the window was being made, honoured once its open had ended):
  // the loop would never be told to stop.
  if (mainForm_->CloseAccepted()) return 0;
  return QApplication::exec();
}

void TProgramEntry::Finish() {
  // Asked before the window goes: its session knows what this start did.
  const bool firstRunOwed = firstStart_ && (!mainForm_ || mainForm_->FirstRunStillOwed());
  if (mainForm_) {
    TfrmMain* form = mainForm_;
    mainForm_ = nullptr;
    platform::Destroy(form);
  }
  highlighters_.reset();
  if (!settings_) return;
  if (firstRunOwed) {
    settings_->Discard();
    settings_.reset();
    return;
  }
  const std::string error = settings_->Close();
  settings_.reset();
  if (error.empty()) return;
  // Recent files, colour schemes and the window's place are lost: the user hears of it, in a box
  // unless the system is ending the program (nobody would be there to close it).
  const std::string text = "The settings could not be written:\n" + error;
  std::fprintf(stderr, "%s\n", text.c_str());
  if (QCoreApplication::instance() && !platform::QtApplication().EndedBySystem())
    platform::UI().MessageBox(text, kProgramTitle, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}

namespace {

// Qt's own options: the toolkit reads them from the command line (and takes them out) as it starts,
// so they are left to it, with the value that follows those that take one. "--style" is the same as
// "-style"; a few also take their value after "=".
struct TQtOption {
  const char* Name;
  bool TakesValue;
};
constexpr TQtOption kQtOptions[] = {{"platform", true},
                                    {"platformpluginpath", true},
                                    {"platformtheme", true},
                                    {"plugin", true},
                                    {"qwindowgeometry", true},
                                    {"geometry", true},
                                    {"qwindowtitle", true},
                                    {"title", true},
                                    {"qwindowicon", true},
                                    {"icon", true},
                                    {"session", true},
                                    {"style", true},
                                    {"stylesheet", true},
                                    {"display", true},
                                    {"name", true},
                                    {"visual", true},
                                    {"qmljsdebugger", true},
                                    {"reverse", false},
                                    {"widgetcount", false},
                                    {"nograb", false},
                                    {"dograb", false},
                                    {"testability", false}};
constexpr const char* kQtOptionsWithEquals[] = {"style", "stylesheet", "qmljsdebugger"};

// The Qt option arg is (nullptr when none), and whether its value is the next argument.
const TQtOption* QtOption(const std::string& arg, bool& valueFollows) {
  std::string name = arg.substr(arg.rfind("--", 0) == 0 ? 2 : 1);
  const size_t equals = name.find('=');
  if (equals != std::string::npos) {
    name.resize(equals);
    for (const char* withEquals : kQtOptionsWithEquals)
      if (name == withEquals) {
        valueFollows = false;
        for (const TQtOption& o : kQtOptions)
          if (name == o.Name) return &o;
      }
    return nullptr;
  }
  for (const TQtOption& o : kQtOptions)
    if (name == o.Name) {
      valueFollows = o.TakesValue;
      return &o;
    }
  return nullptr;
}

}  // namespace

TCommandLine ParseCommandLine(int argc, char** argv) {
  TCommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc && argv[i]; ++i) {
    const std::string arg = argv[i];
    bool valueFollows = false;
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      if (line.Options.CommandLineFile.empty())
        line.Options.CommandLineFile = arg;
      else
        line.Error += "tessaryn: one databank is opened at a time: '" + arg + "' is not opened\n";
    } else if (QtOption(arg, valueFollows)) {
      if (valueFollows && i + 1 < argc) ++i;  // the option's value, no databank
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      line.Exit = true;
      line.Output =
          "Usage: tessaryn [OPTION] [DATABANK]\n"
          "Keeps a databank of source-code snippets. Opens DATABANK (a .xdb2 file), or else the\n"
          "databank opened last.\n"
          "\n"
          "  -h, --help     show this help and exit\n"
          "      --version  show the version and exit\n"
          "  --             end of the options: what follows is a file name\n"
          "\n"
          "Qt's own options (-style NAME, -platform NAME, -reverse, -geometry WxH+X+Y, ...) are\n"
          "handed to Qt.\n";
      return line;
    } else if (arg == "--version") {
      line.Exit = true;
      line.Output = std::string(kProgramTitle) + " " + platform::ProgramVersion() + "\n";
      return line;
    } else {
      line.Exit = true;
      line.ExitCode = 2;
      line.Error = "tessaryn: unknown option '" + arg + "'\nTry 'tessaryn --help' for more information.\n";
      return line;
    }
  }
  return line;
}
