// The program's entry. Until the record editor joins it, the main window is the databank window
// itself: databanks open, their trees are edited and saved, and a record shows no editor yet.
#include <QApplication>

#include <string>

#include "databank/gui/uXMLTreeForm.h"
#include "platform/Application.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtUIServices.h"
#include "protection/gui/PasswordDialogs.h"
#include "ui/InputDialog.h"
#include "ui/TrayIcon.h"
#include "xml/uGlobalSettings.h"

namespace {

// The main window: the databank window under the program's own title.
class TProgramWindow : public TXMLTreeForm {
 public:
  using TXMLTreeForm::TXMLTreeForm;

 protected:
  void FormCreate() override {
    TXMLTreeForm::FormCreate();
    ApplicationTitle = "Tessaryn";
    Session().ApplicationTitle = ApplicationTitle;
  }
};

}  // namespace

int main(int argc, char** argv) {
  platform::TGuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessaryn"));
  QApplication::setWindowIcon(platform::ProgramIcon());
  platform::QtUIServices ui;
  InstallPasswordDialogs(ui);
  InstallInputDialog(ui);
  platform::ScopedUIServices useUi(ui);

  int exitCode = 0;
  {
    TGlobalSettingsScope settings;
    StartMinimized = settings.Settings()->ReadBool("StartMinimized", false);
    const std::string commandLineFile = argc > 1 ? argv[1] : "";
    TProgramWindow* window = platform::Construct<TProgramWindow>(nullptr, commandLineFile);
    platform::Application().ShowMainForm = !StartMinimized;
    if (StartMinimized) platform::Application().Minimize();
    exitCode = app.exec();
    platform::Destroy(window);
  }
  return exitCode;
}
