// The program's entry: the start and end sequence of uProgramEntry, step by step.
#include <cstdio>

#include "app/uProgramEntry.h"
#include "platform/MainStack.h"
#include "platform/UIServices.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtUIServices.h"
#include "protection/gui/PasswordDialogs.h"
#include "ui/InputDialog.h"

int main(int argc, char** argv) {
  const TCommandLine line = ParseCommandLine(argc, argv);
  if (line.Exit) {
    std::fputs(line.Output.c_str(), stdout);
    std::fputs(line.Error.c_str(), stderr);
    return std::fflush(stdout) == 0 ? line.ExitCode : 1;
  }
  std::fputs(line.Error.c_str(), stderr);  // what was left out of the command line
  platform::EnsureMainStack(argv);
  TProgramEntry entry(line.Options);
  entry.InitializeUnits();
  platform::TGuardedApplication app(argc, argv);
  platform::QtUIServices ui;
  InstallPasswordDialogs(ui);
  InstallInputDialog(ui);
  platform::ScopedUIServices useUi(ui);
  int exitCode = 1;
  platform::RunGuarded([&] {
    entry.InitializeApplication();
    entry.CreateHighlighters();
    entry.CreateMainForm();
    entry.ShowMainForm();
    exitCode = entry.Run();
  });
  entry.Finish();
  return exitCode;
}
