// The program's entry: the start and end sequence of uProgramEntry, step by step.
#include "app/uProgramEntry.h"
#include "platform/MainStack.h"
#include "platform/UIServices.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtUIServices.h"
#include "protection/gui/PasswordDialogs.h"
#include "ui/InputDialog.h"

int main(int argc, char** argv) {
  platform::EnsureMainStack(argv);
  TProgramEntry entry(ProgramOptionsFromCommandLine(argc, argv));
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
