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
  lNote = new QLabel(Client());
  lNote->setObjectName(QStringLiteral("lNote"));
  lNote->setWordWrap(true);
  lNote->setVisible(false);
  Grid()->addWidget(lNote, 4, 1);
}

void TfrmEnterFilePass::SetNote(const std::string& why) {
  const bool shown = !why.empty();
  lNote->setText(QString::fromStdString(why));
  if (shown == !lNote->isHidden()) return;
  lNote->setVisible(shown);
  // The note takes room of its own below the file name, wrapped to the width of that column.
  // Laid out now, at the dialog's size, so the column's width is known before it is shown.
  if (layout()) layout()->setGeometry(rect());
  Grid()->setGeometry(Client()->rect());
  const int lines = lNote->heightForWidth(eFileName->width());
  lNote->setMinimumHeight(shown ? lines : 0);
  const int room = lines + Grid()->verticalSpacing();
  SetClientSize(width(), height() + (shown ? room : -room));
}

std::string FileNameWithoutFolder(const std::string& path) {
  const auto cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool AskFilePassword(const std::string& fileName, std::string& password, const std::string& why) {
  platform::Owned<TfrmEnterFilePass> dlg = platform::MakeOwned<TfrmEnterFilePass>(nullptr);
  dlg->eFileName->setText(QString::fromStdString(FileNameWithoutFolder(fileName)));
  dlg->SetNote(why);
  if (dlg->ShowModal() != platform::mrOk) return false;
  password = dlg->ePass->text().toStdString();
  return true;
}
