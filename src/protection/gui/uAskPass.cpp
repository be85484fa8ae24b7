#include "protection/gui/uAskPass.h"

#include "platform/UIServices.h"
#include "protection/gui/PasswordEdit.h"

TfrmEnterPass::TfrmEnterPass(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmEnterPass"));
  setWindowTitle(QStringLiteral("Enter Password"));
  // Over the window that asked, as its messages are (the main window when none did).
  SetPosition(TPosition::poOwnerFormCenter);
  SetClientSize(224, 101);

  grid_ = new QGridLayout(Client());
  grid_->setContentsMargins(0, 0, 0, 0);
  imgKey = NewKeyImage(Client());
  grid_->addWidget(imgKey, 0, 0, 6, 1);
  AddPasswordRow(grid_, Client(), 0, QStringLiteral("password"), QStringLiteral("lPass"), QStringLiteral("ePass"),
                 lPass, ePass);
  grid_->setColumnStretch(1, 1);
  grid_->setRowStretch(5, 1);

  // OK checks the entries before it ends the dialog.
  SetButtonModalResult(btnOk, platform::mrNone);
  connect(btnOk, &QPushButton::clicked, this, [this] { OkClicked(); });
  ePass->setFocus();
}

void TfrmEnterPass::FormCreate() {
  TfrmYesNo::FormCreate();
  StorePosition = false;
  StoreSize = false;
}

bool TfrmEnterPass::EntriesRepresentable() const {
  return PasswordRepresentable(ePass->text());
}

void TfrmEnterPass::OkClicked() {
  if (!btnOk->isEnabled()) return;
  if (!EntriesRepresentable()) {
    ShowPasswordCharsetError(this);
    return;
  }
  SetModalResult(platform::mrOk);
}
