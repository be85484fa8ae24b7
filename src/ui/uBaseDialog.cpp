#include "ui/uBaseDialog.h"

#include "ui/DialogButtons.h"

TfrmBaseDialog::TfrmBaseDialog(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("frmBaseDialog"));
  setWindowTitle(QStringLiteral("Base Dialog Class"));
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(TPosition::poOwnerFormCenter);
  SetClientSize(320, 160);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Client"));
  btnOk = NewDialogButton(this, QStringLiteral("dialog-ok"), QStringLiteral("Close"), QStringLiteral("btnOk"));
  LayOutDialog(this, client_, {btnOk});
  SetButtonModalResult(btnOk, platform::mrOk);
  // The one button is both: Enter and Escape close the dialog.
  btnOk->setDefault(true);
  SetDefaultButton(btnOk);
  SetCancelButton(btnOk);
}
