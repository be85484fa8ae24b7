#include "ui/UYNForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/qt/Icons.h"

TfrmYesNo::TfrmYesNo(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("frmYesNo"));
  setWindowTitle(QStringLiteral("Base Yes-No Form"));
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(TPosition::poOwnerFormCenter);
  SetClientSize(320, 160);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 8, 8, 8);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Client"));
  outer->addWidget(client_, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  btnOk = new QPushButton(platform::ThemeIcon(QStringLiteral("dialog-ok")), QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnCancel = new QPushButton(platform::ThemeIcon(QStringLiteral("dialog-cancel")), QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* b : {btnOk, btnCancel}) {
    b->setAutoDefault(false);
    b->setMinimumSize(75, 25);
    row->addWidget(b);
  }
  btnOk->setDefault(true);
  outer->addLayout(row);
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
