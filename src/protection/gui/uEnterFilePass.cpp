#include "protection/gui/uEnterFilePass.h"

#include "platform/Lifecycle.h"
#include "ui/StoredText.h"

TfrmEnterFilePass::TfrmEnterFilePass(QWidget* owner) : TfrmEnterPass(owner) {
  setObjectName(QStringLiteral("frmEnterFilePass"));
  SetPosition(TPosition::poMainFormCenter);
  SetClientSize(223, 132);
  lFileName = new QLabel(QStringLiteral("DataBank file"), Client());
  lFileName->setObjectName(QStringLiteral("lFileName"));
  eFileName = new QLineEdit(Client());
  eFileName->setObjectName(QStringLiteral("eFileName"));
  LiftLengthLimit(eFileName);
  eFileName->setEnabled(false);
  eFileName->setFocusPolicy(Qt::NoFocus);
  Grid()->addWidget(lFileName, 2, 1);
  Grid()->addWidget(eFileName, 3, 1);
}

std::string FileNameWithoutFolder(const std::string& path) {
  const auto cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool AskFilePassword(const std::string& fileName, std::string& password) {
  platform::Owned<TfrmEnterFilePass> dlg = platform::MakeOwned<TfrmEnterFilePass>(nullptr);
  dlg->eFileName->setText(QString::fromStdString(FileNameWithoutFolder(fileName)));
  if (dlg->ShowModal() != platform::mrOk) return false;
  password = dlg->ePass->text().toStdString();
  return true;
}
