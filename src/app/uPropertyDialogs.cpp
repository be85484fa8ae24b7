#include "app/uPropertyDialogs.h"

#include <QFormLayout>
#include <QLabel>

#include "databank/uDataBankContent.h"
#include "platform/Application.h"
#include "platform/qt/QtUIServices.h"
#include "ui/ImgList_Override.h"

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QComboBox* NewCombo(QWidget* parent, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setMinimumWidth(160);
  return combo;
}

int ChosenImage(const QComboBox* combo, const std::vector<int>& choices, int fallback) {
  const int i = combo->currentIndex();
  return i >= 0 && i < static_cast<int>(choices.size()) ? choices[static_cast<size_t>(i)] : fallback;
}

}  // namespace

void FillLanguageCombo(QComboBox* combo, const TLanguageList& languages, int selected) {
  combo->clear();
  for (const TLanguageEntry& entry : languages) combo->addItem(Q(entry.Name));
  combo->setCurrentIndex(selected);
}

void FillImageCombo(QComboBox* combo, const TImageList* images, const std::vector<int>& choices, int selected) {
  combo->clear();
  if (images) combo->setIconSize(QSize(images->Width(), images->Height()));
  for (size_t i = 0; i < choices.size(); ++i) {
    const QString caption = Q(ImageChoiceCaption(static_cast<int>(i)));
    if (images && choices[i] < images->Count())
      combo->addItem(images->Icon(choices[i]), caption);
    else
      combo->addItem(caption);
  }
  combo->setCurrentIndex(ChoiceIndex(choices, selected));
}

// The keyboard focus goes through the widgets in this order.
static void TabChain(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* w : widgets) {
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

// ---------------------------------------------------------------------------------------------

TfrmBankOptions::TfrmBankOptions(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmBankOptions"));
  setWindowTitle(QStringLiteral("Bank Options"));
  SetClientSize(400, 215);
  auto* form = new QFormLayout(Client());
  form->setContentsMargins(0, 0, 0, 0);
  eBankName = new QLineEdit(Client());
  eBankName->setObjectName(QStringLiteral("eBankName"));
  LiftLengthLimit(eBankName);
  cbHighLighters = NewCombo(Client(), "cbHighLighters");
  chShowComments = new QCheckBox(QStringLiteral("Show Comments by default"), Client());
  chShowComments->setObjectName(QStringLiteral("chShowComments"));
  chCommentsUp = new QCheckBox(QStringLiteral("Show comments ABOVE source by default"), Client());
  chCommentsUp->setObjectName(QStringLiteral("chCommentsUp"));
  cbFolderImage = NewCombo(Client(), "cbFolderImage");
  cbItemImage = NewCombo(Client(), "cbItemImage");
  form->addRow(QStringLiteral("&Name:"), eBankName);
  form->addRow(QStringLiteral("&Language:"), cbHighLighters);
  form->addRow(QString(), chShowComments);
  form->addRow(QString(), chCommentsUp);
  form->addRow(QStringLiteral("&Folder image:"), cbFolderImage);
  form->addRow(QStringLiteral("&Record image:"), cbItemImage);
  TabChain({eBankName, cbHighLighters, chShowComments, chCommentsUp, cbFolderImage, cbItemImage, btnOk, btnCancel});
  eBankName->setFocus();
}

void TfrmBankOptions::FormCreate() {
  TfrmYesNo::FormCreate();
  StorePosition = false;
}

void TfrmBankOptions::SetValues(const TBankOptions& o, const TLanguageList& languages, const TImageList* images,
                                const TTreeImageRanges& ranges) {
  languages_ = &languages;
  FillLanguageCombo(cbHighLighters, languages, LanguageIndex(languages, o.HighLight));
  nameShown_.Show(eBankName, o.Name);
  chShowComments->setChecked(o.ShowComments);
  chCommentsUp->setChecked(o.CommentsUp);
  folderChoices_ = FolderImageChoices(ranges);
  recordChoices_ = RecordImageChoices(ranges);
  FillImageCombo(cbFolderImage, images, folderChoices_, o.DefaultFolderImage);
  FillImageCombo(cbItemImage, images, recordChoices_, o.DefaultDocImage);
}

TBankOptions TfrmBankOptions::Values() const {
  TBankOptions o;
  o.HighLight = languages_ ? LanguageTag(*languages_, cbHighLighters->currentIndex()) : 0;
  o.Name = nameShown_.Text(eBankName);
  o.ShowComments = chShowComments->isChecked();
  o.CommentsUp = chCommentsUp->isChecked();
  o.DefaultFolderImage = ChosenImage(cbFolderImage, folderChoices_, folderChoices_.empty() ? 0 : folderChoices_[0]);
  o.DefaultDocImage = ChosenImage(cbItemImage, recordChoices_, recordChoices_.empty() ? 0 : recordChoices_[0]);
  return o;
}

// ---------------------------------------------------------------------------------------------

TfrmItemProperties::TfrmItemProperties(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmItemProperties"));
  setWindowTitle(QStringLiteral("Node Properties"));
  SetClientSize(330, 130);
  auto* form = new QFormLayout(Client());
  form->setContentsMargins(0, 0, 0, 0);
  eName = new QLineEdit(Client());
  eName->setObjectName(QStringLiteral("eName"));
  LiftLengthLimit(eName);
  cbHighLighters = NewCombo(Client(), "cbHighLighters");
  cbImage = NewCombo(Client(), "cbImage");
  form->addRow(QStringLiteral("&Name:"), eName);
  form->addRow(QStringLiteral("&Language:"), cbHighLighters);
  form->addRow(QStringLiteral("&Image:"), cbImage);
  TabChain({eName, cbHighLighters, cbImage, btnOk, btnCancel});
  eName->setFocus();
  // OK checks the name before it ends the dialog.
  SetButtonModalResult(btnOk, platform::mrNone);
  connect(btnOk, &QPushButton::clicked, this, [this] { OkClicked(); });
}

void TfrmItemProperties::FormCreate() {
  TfrmYesNo::FormCreate();
  StorePosition = false;
}

void TfrmItemProperties::OkClicked() {
  if (bank::IsEmptyTitle(eName->text().toStdString())) {
    platform::UI().MessageBox(bank::SEmptyTitle, platform::Application().Title, platform::MsgButtons::Ok,
                              platform::MsgIcon::Warning, platform::HandleOf(this));
    nameShown_.Show(eName, nameShown_.Value());
    eName->selectAll();
    eName->setFocus();
    return;
  }
  SetModalResult(platform::mrOk);
}

void TfrmItemProperties::SetValues(const TItemProperties& p, const TLanguageList& languages, const TImageList* images,
                                   const TTreeImageRanges& ranges) {
  folder_ = p.Folder;
  nameShown_.Show(eName, p.Name);
  FillLanguageCombo(cbHighLighters, languages, -1);
  cbHighLighters->insertItem(0, Q(NoLanguageCaption(p.InheritedLanguage)));
  SelectLanguage(p.Language);
  choices_ = p.Folder ? FolderImageChoices(ranges) : RecordImageChoices(ranges);
  FillImageCombo(cbImage, images, choices_, p.Image);
}

std::string NoLanguageCaption(const std::string& inherited) {
  if (inherited.empty()) return SNoLanguage;
  return std::string(SNoLanguage) + " (inherits " + inherited + ")";
}

void TfrmItemProperties::SelectLanguage(int position) {
  cbHighLighters->setCurrentIndex(position >= TItemProperties::kNoLanguage ? position + 1 : -1);
}

TItemProperties TfrmItemProperties::Values() const {
  TItemProperties p;
  p.Folder = folder_;
  p.Name = nameShown_.Text(eName);
  // Item 0 is "none"; no item at all is an own number that no entry shows.
  const int item = cbHighLighters->currentIndex();
  p.Language = item < 0 ? TItemProperties::kUnlistedLanguage : item - 1;
  p.Image = ChosenImage(cbImage, choices_, choices_.empty() ? 0 : choices_[0]);
  return p;
}
