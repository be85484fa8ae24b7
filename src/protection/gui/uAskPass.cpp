#include "protection/gui/uAskPass.h"

#include "platform/Application.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "protection/gui/PasswordEdit.h"

TfrmEnterPass::TfrmEnterPass(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmEnterPass"));
  setWindowTitle(QStringLiteral("Enter Password"));
  SetPosition(TPosition::poDesktopCenter);
  SetClientSize(224, 101);

  grid_ = new QGridLayout(Client());
  grid_->setContentsMargins(0, 0, 0, 0);
  imgKey = new QLabel(Client());
  imgKey->setObjectName(QStringLiteral("imgKey"));
  imgKey->setPixmap(platform::ThemeIcon(QStringLiteral("dialog-password")).pixmap(32, 32));
  imgKey->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  grid_->addWidget(imgKey, 0, 0, 6, 1);
  lPass = new QLabel(QStringLiteral("password"), Client());
  lPass->setObjectName(QStringLiteral("lPass"));
  ePass = new QLineEdit(Client());
  ePass->setObjectName(QStringLiteral("ePass"));
  MakePasswordEdit(ePass);
  lPass->setBuddy(ePass);
  grid_->addWidget(lPass, 0, 1);
  grid_->addWidget(ePass, 1, 1);
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

bool TfrmEnterPass::EntriesRepresentable() const { return PasswordRepresentable(ePass->text()); }

void TfrmEnterPass::OkClicked() {
  if (!btnOk->isEnabled()) return;
  if (!EntriesRepresentable()) {
    platform::UI().MessageBox(kPasswordCharsetMessage, platform::Application().Title, platform::MsgButtons::Ok,
                              platform::MsgIcon::Error, this);
    return;
  }
  SetModalResult(platform::mrOk);
}
