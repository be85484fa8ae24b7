#include "databank/gui/uBankInfo.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Lifecycle.h"
#include "ui/StoredText.h"

namespace {
QLineEdit* NewValue(QWidget* parent, QFormLayout* form, const char* name, const char* caption) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  LiftLengthLimit(edit);
  form->addRow(QString::fromLatin1(caption), edit);
  return edit;
}
}  // namespace

TfrmBankInfo::TfrmBankInfo(QWidget* owner) : TfrmBaseDialog(owner) {
  setObjectName(QStringLiteral("frmBankInfo"));
  setWindowTitle(QStringLiteral("Bank Info"));
  SetClientSize(340, 250);

  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  grpStorage = new QGroupBox(QStringLiteral(" Storage Info "), Client());
  auto* storage = new QFormLayout(grpStorage);
  eFileName = NewValue(grpStorage, storage, "eFileName", "Data File:");
  eSize = NewValue(grpStorage, storage, "eSize", "Data size:");
  eFileSize = NewValue(grpStorage, storage, "eFileSize", "File size:");
  auto* flags = new QHBoxLayout;
  chEncrypted = new QCheckBox(QStringLiteral("Encrypted"), grpStorage);
  chEncrypted->setObjectName(QStringLiteral("chEncrypted"));
  chCompressed = new QCheckBox(QStringLiteral("Compressed"), grpStorage);
  chCompressed->setObjectName(QStringLiteral("chCompressed"));
  flags->addWidget(chEncrypted);
  flags->addWidget(chCompressed);
  flags->addStretch(1);
  storage->addRow(flags);
  layout->addWidget(grpStorage);

  grpStatistics = new QGroupBox(QStringLiteral(" Statistics "), Client());
  auto* statistics = new QFormLayout(grpStatistics);
  eFoldersNum = NewValue(grpStatistics, statistics, "eFoldersNum", "Folders");
  eRecordsNum = NewValue(grpStatistics, statistics, "eRecordsNum", "Records");
  layout->addWidget(grpStatistics);
  layout->addStretch(1);

  for (QWidget* w : {static_cast<QWidget*>(eFileName), static_cast<QWidget*>(eSize), static_cast<QWidget*>(eFileSize),
                     static_cast<QWidget*>(chEncrypted), static_cast<QWidget*>(chCompressed),
                     static_cast<QWidget*>(eFoldersNum), static_cast<QWidget*>(eRecordsNum)}) {
    w->setEnabled(false);
    w->setFocusPolicy(Qt::NoFocus);
  }
}

void TfrmBankInfo::FormCreate() {
  TfrmBaseDialog::FormCreate();
  StorePosition = false;
  StoreSize = false;
}

void TfrmBankInfo::SetInfo(const TBankInfo& info) {
  eFileName->setText(QString::fromStdString(info.FileName));
  // Wide enough for the whole path (up to most of the screen): the dialog grows with it.
  const int pathWidth = eFileName->fontMetrics().horizontalAdvance(eFileName->text()) + 16;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int widest = screen ? screen->availableGeometry().width() * 3 / 4 : 900;
  eFileName->setMinimumWidth(std::min(pathWidth, widest));
  eFileName->setToolTip(eFileName->text());
  eFileName->setCursorPosition(0);
  eSize->setText(QString::fromStdString(info.DataSize));
  eFileSize->setText(QString::fromStdString(info.FileSize));
  chEncrypted->setChecked(info.Encrypted);
  chCompressed->setChecked(info.Compressed);
  eFoldersNum->setText(QString::number(info.Folders));
  eRecordsNum->setText(QString::number(info.Records));
}

void ShowBankInfoDialog(QWidget* owner, const TBankInfo& info) {
  platform::Owned<TfrmBankInfo> dialog(platform::Construct<TfrmBankInfo>(owner));
  dialog->SetInfo(info);
  dialog->ShowModal();
}
