#include "ui/UYNForm.h"

#include "ui/DialogButtons.h"

TfrmYesNo::TfrmYesNo(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("frmYesNo"));
  setWindowTitle(QStringLiteral("Base Yes-No Form"));
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(TPosition::poOwnerFormCenter);
  SetClientSize(320, 160);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Client"));
  btnOk = NewDialogButton(this, QStringLiteral("dialog-ok"), QStringLiteral("OK"), QStringLiteral("btnOk"));
  btnCancel =
      NewDialogButton(this, QStringLiteral("dialog-cancel"), QStringLiteral("Cancel"), QStringLiteral("btnCancel"));
  btnOk->setDefault(true);
  LayOutDialog(this, client_, {btnOk, btnCancel});
  SetButtonModalResult(btnOk, platform::mrOk);
  SetButtonModalResult(btnCancel, platform::mrCancel);
  SetDefaultButton(btnOk);
  SetCancelButton(btnCancel);
}

void TfrmYesNo::FormCreate() {
  TfrmBaseForm::FormCreate();
  // Dialogs keep their designed size.
  StoreSize = false;
}
