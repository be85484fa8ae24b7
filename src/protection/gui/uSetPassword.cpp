#include "protection/gui/uSetPassword.h"

#include "protection/gui/PasswordEdit.h"

TfrmSetPassword::TfrmSetPassword(QWidget* owner) : TfrmEnterPass(owner) {
  setObjectName(QStringLiteral("frmSetPassword"));
  SetClientSize(224, 150);
  AddPasswordRow(Grid(), Client(), 2, QStringLiteral("type again"), QStringLiteral("lRePass"),
                 QStringLiteral("eRePass"), lRePass, eRePass);
  connect(ePass, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(eRePass, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  UpdateOk();
}

bool TfrmSetPassword::EntriesRepresentable() const {
  return TfrmEnterPass::EntriesRepresentable() && PasswordRepresentable(eRePass->text());
}

void TfrmSetPassword::UpdateOk() {
  btnOk->setEnabled(SetPasswordOkEnabled(ePass->text(), eRePass->text()));
}
