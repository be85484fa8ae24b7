#include "protection/gui/uChangePass.h"

#include "platform/UIServices.h"
#include "protection/gui/PasswordEdit.h"

TfrmChangePass::TfrmChangePass(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmChangePass"));
  setWindowTitle(QStringLiteral("Change Password"));
  // Over the window that asked, as its messages are (the main window when none did).
  SetPosition(TPosition::poOwnerFormCenter);
  SetClientSize(213, 171);

  auto* grid = new QGridLayout(Client());
  grid->setContentsMargins(0, 0, 0, 0);
  imgKey = NewKeyImage(Client());
  grid->addWidget(imgKey, 0, 0, 7, 1);
  auto addRow = [&](int row, const char* caption, const char* labelName, const char* editName, QLabel*& label,
                    QLineEdit*& edit) {
    AddPasswordRow(grid, Client(), row, QString::fromLatin1(caption), QString::fromLatin1(labelName),
                   QString::fromLatin1(editName), label, edit);
    connect(edit, &QLineEdit::textChanged, this, [this] { UpdateOkButton(); });
  };
  addRow(0, "Old Password", "lOldPass", "eOldPass", lOldPass, eOldPass);
  addRow(2, "New Password", "lPass", "ePass", lPass, ePass);
  addRow(4, "Repeat", "lRePass", "eRePass", lRePass, eRePass);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
  btnOk->setEnabled(false);
  SetButtonModalResult(btnOk, platform::mrNone);
  connect(btnOk, &QPushButton::clicked, this, [this] { OkClicked(); });
  eOldPass->setFocus();
}

void TfrmChangePass::FormCreate() {
  TfrmYesNo::FormCreate();
  StorePosition = false;
  StoreSize = false;
}

void TfrmChangePass::FormShow() {
  TfrmYesNo::FormShow();
  UpdateOkButton();
}

void TfrmChangePass::UpdateOkButton() {
  btnOk->setEnabled(ChangePasswordOkEnabled(eOldPass->text(), ePass->text(), eRePass->text()));
}

void TfrmChangePass::OkClicked() {
  if (!btnOk->isEnabled()) return;
  if (!PasswordRepresentable(eOldPass->text()) || !PasswordRepresentable(ePass->text()) ||
      !PasswordRepresentable(eRePass->text())) {
    ShowPasswordCharsetError(this);
    return;
  }
  SetModalResult(platform::mrOk);
}
