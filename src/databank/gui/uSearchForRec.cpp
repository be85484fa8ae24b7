#include "databank/gui/uSearchForRec.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "databank/uRecordSearch.h"
#include "ui/DialogButtons.h"
#include "ui/StoredText.h"

namespace {
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
}  // namespace

TfrmSearchForRec::TfrmSearchForRec(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmSearchForRec"));
  setWindowTitle(QStringLiteral("Filter Records"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* content = new QWidget(this);
  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(0, 0, 0, 0);
  lblText = new QLabel(QStringLiteral("Filter Text:"), content);
  Edit = new QComboBox(content);
  Edit->setObjectName(QStringLiteral("Edit"));
  Edit->setEditable(true);
  Edit->setInsertPolicy(QComboBox::NoInsert);
  // A plain history list: no completion, so Enter filters for exactly what was typed.
  Edit->setCompleter(nullptr);
  LiftLengthLimit(Edit);
  Edit->setMinimumWidth(330);
  lblText->setBuddy(Edit);
  grid->addWidget(lblText, 0, 0, 1, 2);
  grid->addWidget(Edit, 1, 0, 1, 2);

  grpWords = new QGroupBox(QStringLiteral(" Search As "), content);
  grpWords->setObjectName(QStringLiteral("grpWords"));
  auto* words = new QVBoxLayout(grpWords);
  Words = new QButtonGroup(this);
  int id = 0;
  for (const char* caption : {"Phrase", "All Words", "Any Word", "Regular Expression"}) {
    auto* radio = new QRadioButton(QString::fromLatin1(caption), grpWords);
    Words->addButton(radio, id++);
    words->addWidget(radio);
  }
  chCaseSensitive = new QCheckBox(QStringLiteral("Case sensitive"), grpWords);
  chCaseSensitive->setObjectName(QStringLiteral("chCaseSensitive"));
  chWhole = new QCheckBox(QStringLiteral("Whole word(s)"), grpWords);
  chWhole->setObjectName(QStringLiteral("chWhole"));
  words->addSpacing(4);
  words->addWidget(chCaseSensitive);
  words->addWidget(chWhole);
  grid->addWidget(grpWords, 2, 0);

  grpWhere = new QGroupBox(QStringLiteral(" Search In: "), content);
  grpWhere->setObjectName(QStringLiteral("grpWhere"));
  auto* where = new QVBoxLayout(grpWhere);
  chTitle = new QCheckBox(QStringLiteral("Title"), grpWhere);
  chData = new QCheckBox(QStringLiteral("Data"), grpWhere);
  chKeywords = new QCheckBox(QStringLiteral("Keywords"), grpWhere);
  for (QCheckBox* c : {chTitle, chData, chKeywords}) where->addWidget(c);
  chTitle->setObjectName(QStringLiteral("chTitle"));
  chData->setObjectName(QStringLiteral("chData"));
  chKeywords->setObjectName(QStringLiteral("chKeywords"));
  where->addStretch(1);
  grid->addWidget(grpWhere, 2, 1);

  btnOK = NewDialogButton(this, QStringLiteral("dialog-ok"), QStringLiteral("OK"), QStringLiteral("btnOK"));
  btnCancel =
      NewDialogButton(this, QStringLiteral("dialog-cancel"), QStringLiteral("Cancel"), QStringLiteral("btnCancel"));
  btnOK->setDefault(true);
  LayOutDialog(this, content, {btnOK, btnCancel});
  connect(btnOK, &QPushButton::clicked, this, [this] {
    if (btnOK->isEnabled()) accept();
  });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit, &QComboBox::editTextChanged, this, [this] { UpdateOk(); });
  UpdateOk();
  setFixedSize(sizeHint());
}

void TfrmSearchForRec::UpdateOk() {
  btnOK->setEnabled(!Edit->currentText().isEmpty());
}

void TfrmSearchForRec::Fill(const TSearchForRec& rec) {
  Edit->clear();
  for (const std::string& entry : HistoryEntries(rec.History)) Edit->addItem(Q(entry));
  textShown_.Show(Edit->lineEdit(), rec.Text);
  if (QAbstractButton* b = Words->button(rec.SearchType <= 3 ? rec.SearchType : 0)) b->setChecked(true);
  chCaseSensitive->setChecked(rec.CaseSensitive);
  chWhole->setChecked(rec.WholeWords);
  chTitle->setChecked(rec.InName);
  chData->setChecked(rec.InContent);
  chKeywords->setChecked(rec.InKeywords);
  UpdateOk();
}

void TfrmSearchForRec::Store(TSearchForRec& rec) const {
  std::vector<std::string> history;
  for (int i = 0; i < Edit->count(); ++i) history.push_back(Edit->itemText(i).toStdString());
  rec.Text = textShown_.Text(Edit->lineEdit());
  rec.History = UpdateSearchHistory(JoinHistory(history), rec.Text);
  rec.SearchType = static_cast<std::uint8_t>(std::max(0, Words->checkedId()));
  rec.CaseSensitive = chCaseSensitive->isChecked();
  rec.WholeWords = chWhole->isChecked();
  rec.InName = chTitle->isChecked();
  rec.InContent = chData->isChecked();
  rec.InKeywords = chKeywords->isChecked();
}

bool ExecuteRecordSearch(TSearchForRec& rec, QWidget* owner) {
  TfrmSearchForRec dialog(owner);
  dialog.Fill(rec);
  dialog.Edit->lineEdit()->selectAll();
  dialog.Edit->setFocus();
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Store(rec);
  return true;
}
