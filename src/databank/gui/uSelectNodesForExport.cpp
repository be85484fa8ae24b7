#include "databank/gui/uSelectNodesForExport.h"

#include <QGridLayout>

#include "platform/Lifecycle.h"
#include "protection/gui/PasswordEdit.h"
#include "ui/ImgList_Override.h"

TfrmSelectExport::TfrmSelectExport(QWidget* owner) : TfrmSelection(owner) {
  setObjectName(QStringLiteral("frmSelectExport"));
  setWindowTitle(QString::fromUtf8(SSelectExportCaption));
  SetClientSize(320, 340);
  btnSelectAll->setText(QStringLiteral("Select All"));
  btnDeselectAll->setText(QStringLiteral("Select None"));

  auto* grid = new QGridLayout(Extra());
  grid->setContentsMargins(0, 4, 0, 0);
  chLock = new QCheckBox(QStringLiteral("Lock with password"), Extra());
  chLock->setObjectName(QStringLiteral("chLock"));
  chCompress = new QCheckBox(QStringLiteral("Compress data"), Extra());
  chCompress->setObjectName(QStringLiteral("chCompress"));
  ePassword = new QLineEdit(Extra());
  ePassword->setObjectName(QStringLiteral("ePassword"));
  MakePasswordEdit(ePassword);
  chCurrentPass = new QCheckBox(QStringLiteral("Use current password"), Extra());
  chCurrentPass->setObjectName(QStringLiteral("chCurrentPass"));
  grid->addWidget(chLock, 0, 0);
  grid->addWidget(chCompress, 0, 1);
  grid->addWidget(ePassword, 1, 0);
  grid->addWidget(chCurrentPass, 1, 1);

  connect(chLock, &QCheckBox::clicked, this, [this] { UpdateControls(); });
  connect(chCurrentPass, &QCheckBox::clicked, this, [this] { UpdateControls(); });
  connect(ePassword, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
  // OK checks the password before it ends the dialog.
  SetButtonModalResult(btnOk, platform::mrNone);
  connect(btnOk, &QPushButton::clicked, this, [this] { OkClicked(); });
}

void TfrmSelectExport::FormCreate() {
  TfrmSelection::FormCreate();
  StorePosition = false;
}

void TfrmSelectExport::FormShow() {
  TfrmSelection::FormShow();
  UpdateControls();
}

void TfrmSelectExport::Fill(const TExportChoice& choice, const TImageList* images) {
  ListView->clear();
  for (const TExportItem& item : choice.Items)
    AddItem(QString::fromStdString(item.Caption), images ? images->Icon(item.Image) : QIcon(), item.Checked);
  if (choice.Selected >= 0) ListView->setCurrentRow(choice.Selected);
  chLock->setChecked(choice.Lock);
  chCompress->setChecked(choice.Compress);
  chCurrentPass->setChecked(choice.CurrentPass);
  ePassword->setText(QString::fromStdString(choice.Password));
  UpdateControls();
}

void TfrmSelectExport::Store(TExportChoice& choice) const {
  for (size_t i = 0; i < choice.Items.size(); ++i) choice.Items[i].Checked = IsChecked(int(i));
  choice.Lock = chLock->isChecked();
  choice.Compress = chCompress->isChecked();
  choice.CurrentPass = chCurrentPass->isChecked();
  choice.Password = ePassword->text().toStdString();
}

void TfrmSelectExport::UpdateControls() {
  TExportChoice state;
  Store(state);
  chCurrentPass->setEnabled(ExportCurrentPassEnabled(state));
  ePassword->setEnabled(ExportPasswordEnabled(state));
  btnOk->setEnabled(ExportOkEnabled(state));
}

void TfrmSelectExport::OkClicked() {
  if (!btnOk->isEnabled()) return;
  if (ePassword->isEnabled() && !PasswordRepresentable(ePassword->text())) {
    ShowPasswordCharsetError(this);
    return;
  }
  SetModalResult(platform::mrOk);
}

bool ExecuteSelectExport(QWidget* owner, const TImageList* images, TExportChoice& choice) {
  platform::Owned<TfrmSelectExport> dialog(platform::Construct<TfrmSelectExport>(owner));
  dialog->Fill(choice, images);
  if (dialog->ShowModal() != platform::mrOk) return false;
  dialog->Store(choice);
  return true;
}
