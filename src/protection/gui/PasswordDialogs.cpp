#include "protection/gui/PasswordDialogs.h"

#include "platform/Lifecycle.h"
#include "platform/qt/QtUIServices.h"
#include "protection/gui/uAskPass.h"
#include "protection/gui/uChangePass.h"
#include "protection/gui/uEnterFilePass.h"
#include "protection/gui/uSetPassword.h"

using namespace platform;

// Each prompt belongs to the window that asked (the active one when none is named), so that it and
// its messages open over that window.
void InstallPasswordDialogs(QtUIServices& services) {
  services.PasswordPrompt = [](std::string& password, QWidget* owner) {
    Owned<TfrmEnterPass> dlg = MakeOwned<TfrmEnterPass>(DefaultOwner(owner));
    if (dlg->ShowModal() != mrOk) return false;
    password = dlg->ePass->text().toStdString();
    return true;
  };
  services.FilePasswordPrompt = [](const std::string& fileName, const std::string& why, std::string& password,
                                   QWidget*) { return AskFilePassword(fileName, password, why); };
  services.SetPasswordPrompt = [](SetPasswordAnswer& answer, QWidget* owner) {
    Owned<TfrmSetPassword> dlg = MakeOwned<TfrmSetPassword>(DefaultOwner(owner));
    if (dlg->ShowModal() != mrOk) return false;
    answer.password = dlg->ePass->text().toStdString();
    answer.repeated = dlg->eRePass->text().toStdString();
    return true;
  };
  services.ChangePasswordPrompt = [](ChangePasswordAnswer& answer, QWidget* owner) {
    Owned<TfrmChangePass> dlg = MakeOwned<TfrmChangePass>(DefaultOwner(owner));
    if (dlg->ShowModal() != mrOk) return false;
    answer.oldPassword = dlg->eOldPass->text().toStdString();
    answer.password = dlg->ePass->text().toStdString();
    answer.repeated = dlg->eRePass->text().toStdString();
    return true;
  };
}
