#include "ui/uBaseDialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/qt/Icons.h"

TfrmBaseDialog::TfrmBaseDialog(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("frmBaseDialog"));
  setWindowTitle(QStringLiteral("Base Dialog Class"));
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
  btnOk = new QPushButton(platform::ThemeIcon(QStringLiteral("dialog-ok")), QStringLiteral("Close"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setAutoDefault(false);
  btnOk->setMinimumSize(75, 25);
  row->addWidget(btnOk);
  outer->addLayout(row);
  SetButtonModalResult(btnOk, platform::mrOk);
}
