// The program's start and end, step by step, in the one order that works: nothing here relies on the
// order in which C++ initialises or destroys statics.
//
// Start:
//   1. InitializeUnits: the shared settings object reads the settings file; the start-minimised
//      flag is taken from "StartMinimized". (The node clipboard's private format is a MIME type,
//      which needs no registration here; the program clears what it owns of it when its window goes.)
//   2. The application object is made by the caller (main, or a test's own), then
//      InitializeApplication: title, icon, the find dialog; a settings file that could not be read
//      is told now (the program goes on with default settings and never writes that file). From
//      here on SIGTERM, SIGINT and SIGHUP end the program as a log-out does; one that comes while
//      that box is up closes it, and no main window is made.
//   3. CreateHighlighters: the highlighter set, which loads the plug-ins. It exists before any
//      editor, because the record editor draws its highlighters and search engines from it.
//   4. CreateMainForm: the main window through its two-phase creation; it shows itself (opening the
//      databank) while it is made, then loads its interface settings and lays out its toolbars.
//   5. ShowMainForm: shown, or minimised when the program starts minimised (hidden in the
//      notification area when the tray icon took it there).
//   6. Run: the event loop, until the main window has closed.
// End (Finish): the main window goes (its settings go into the settings document), then the
// highlighter set (plug-ins finalised and unloaded), and last the shared settings object, which
// writes the settings file; a file that could not be written is told (on stderr, and in a box
// unless the system ended the program). A first start that ended before its first run was done and
// before any databank opened (a signal at the start-up open's prompt) writes no settings file, so
// that the next start is a first start again.
#pragma once

#include <memory>
#include <string>

namespace platform {
class IModuleLoader;
}
class TGlobalSettingsScope;
class TdmHighLighters;
class TfrmMain;

struct TProgramOptions {
  std::string SettingsFile;                         // "" : the program's settings file (SettingsFilePath)
  std::string CommandLineFile;                      // the databank named on the command line, "" for none
  std::string PluginFolder;                         // "" : DefaultHighlighterPluginFolders()
  platform::IModuleLoader* PluginLoader = nullptr;  // nullptr : the system's
};

class TProgramEntry {
 public:
  explicit TProgramEntry(TProgramOptions options);
  // Finishes what was started, in shut-down order.
  ~TProgramEntry();
  TProgramEntry(const TProgramEntry&) = delete;
  TProgramEntry& operator=(const TProgramEntry&) = delete;

  void InitializeUnits();
  void InitializeApplication();
  void CreateHighlighters();
  void CreateMainForm();
  void ShowMainForm();
  // The event loop's exit code.
  int Run();
  void Finish();

  TfrmMain* MainForm() const { return mainForm_; }
  TdmHighLighters* HighLighters() const { return highlighters_.get(); }

 private:
  TProgramOptions options_;
  std::unique_ptr<TGlobalSettingsScope> settings_;
  bool firstStart_ = false;  // there was no settings file
  std::unique_ptr<TdmHighLighters> highlighters_;
  TfrmMain* mainForm_ = nullptr;
};

// What a command line asks for. Its one optional argument is the databank to open (a second one is
// told on stderr and not opened); arguments that start with "-" are options ("--" ends them):
// --help and --version print to stdout and end the program with 0, Qt's own options (-style,
// -platform, ...) with their values are left to Qt, and any other option prints why on stderr and
// ends the program with 2, before any window.
struct TCommandLine {
  TProgramOptions Options;
  bool Exit = false;  // end now with ExitCode, after printing Output (stdout) and Error (stderr)
  int ExitCode = 0;
  std::string Output;
  std::string Error;  // printed on stderr; without Exit the program goes on
};
TCommandLine ParseCommandLine(int argc, char** argv);
