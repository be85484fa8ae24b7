#include "protection/gui/uSetPassword.h"

#include "protection/gui/PasswordEdit.h"

TfrmSetPassword::TfrmSetPassword(QWidget* owner) : TfrmEnterPass(owner) {
  setObjectName(QStringLiteral("frmSetPassword"));
  SetClientSize(224, 150);
  lRePass = new QLabel(QStringLiteral("type again"), Client());
  lRePass->setObjectName(QStringLiteral("lRePass"));
  eRePass = new QLineEdit(Client());
  eRePass->setObjectName(QStringLiteral("eRePass"));
  MakePasswordEdit(eRePass);
  lRePass->setBuddy(eRePass);
  Grid()->addWidget(lRePass, 2, 1);
  Grid()->addWidget(eRePass, 3, 1);
  connect(ePass, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(eRePass, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  UpdateOk();
}

bool TfrmSetPassword::EntriesRepresentable() const {
  return TfrmEnterPass::EntriesRepresentable() && PasswordRepresentable(eRePass->text());
}

void TfrmSetPassword::UpdateOk() { btnOk->setEnabled(SetPasswordOkEnabled(ePass->text(), eRePass->text())); }
