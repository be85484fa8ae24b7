#include "databank/gui/uConfig.h"

#include <QApplication>
#include <QGridLayout>
#include <QVBoxLayout>

#include "platform/Lifecycle.h"
#include "platform/qt/QtColors.h"
#include "ui/StoredText.h"

namespace {

QCheckBox* NewCheck(QWidget* page, QLayout* layout, const char* name, const char* caption) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), page);
  box->setObjectName(QString::fromLatin1(name));
  layout->addWidget(box);
  return box;
}

QWidget* NewPage(QTabWidget* pages, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  pages->addTab(page, QString::fromLatin1(caption));
  return page;
}

}  // namespace

TfrmConfig::TfrmConfig(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("frmConfig"));
  setWindowTitle(QStringLiteral("Program Configuration"));
  SetClientSize(420, 300);

  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl = new QTabWidget(Client());
  PageControl->setObjectName(QStringLiteral("PageControl"));
  layout->addWidget(PageControl);

  tabGeneral = NewPage(PageControl, "tabGeneral", "General");
  auto* general = new QVBoxLayout(tabGeneral);
  chAutoOpen = NewCheck(tabGeneral, general, "chAutoOpen", "Open last used DataBank at startup");
  auto* autoSave = new QHBoxLayout;
  chAutoSave = new QCheckBox(QStringLiteral("AutoSave     every"), tabGeneral);
  chAutoSave->setObjectName(QStringLiteral("chAutoSave"));
  eAutoSaveDelay = new QLineEdit(tabGeneral);
  eAutoSaveDelay->setObjectName(QStringLiteral("eAutoSaveDelay"));
  LiftLengthLimit(eAutoSaveDelay);
  eAutoSaveDelay->setFixedWidth(60);
  lSeconds = new QLabel(QStringLiteral("seconds"), tabGeneral);
  autoSave->addWidget(chAutoSave);
  autoSave->addWidget(eAutoSaveDelay);
  autoSave->addWidget(lSeconds);
  autoSave->addStretch(1);
  general->addLayout(autoSave);
  lDelayRange = new QLabel(QString::fromStdString(AutoSaveDelayRangeText()), tabGeneral);
  lDelayRange->setObjectName(QStringLiteral("lDelayRange"));
  lDelayRange->setWordWrap(true);
  eAutoSaveDelay->setToolTip(lDelayRange->text());
  general->addWidget(lDelayRange);
  chBackUp = NewCheck(tabGeneral, general, "chBackUp", "Make Backup when saving");
  chRememberPos = NewCheck(tabGeneral, general, "chRememberPos", "Remember Position in Tree");
  general->addStretch(1);

  tsBehaviour = NewPage(PageControl, "tsBehaviour", "User Interface");
  auto* behaviour = new QVBoxLayout(tsBehaviour);
  chAlwaysShowTrayIcon = NewCheck(tsBehaviour, behaviour, "chAlwaysShowTrayIcon", "Always show Tray Icon");
  chMinimizeToTray = NewCheck(tsBehaviour, behaviour, "chMinimizeToTray", "Always Minimize to Tray");
  chStartMinimized = NewCheck(tsBehaviour, behaviour, "chStartMinimized", "Start Minimized");
  chSlowQuit = NewCheck(tsBehaviour, behaviour, "chSlowQuit", "Minimize from [X] instead Close");
  chAutoOpenRec = NewCheck(tsBehaviour, behaviour, "chAutoOpenRec",
                           "Automatically focus editor when a item from the tree is selected");
  chAutoExpandTree = NewCheck(tsBehaviour, behaviour, "chAutoExpandTree", "Auto Expand Tree");
  behaviour->addStretch(1);

  // Kept for the layout of the settings it would hold; it has no behaviour and is never shown.
  tsSecurity = NewPage(PageControl, "tsSecurity", "Security");
  auto* security = new QGridLayout(tsSecurity);
  chSecurityTimeout = new QCheckBox(QStringLiteral("Security Timeout"), tsSecurity);
  eSecurityTimeout = new QLineEdit(tsSecurity);
  LiftLengthLimit(eSecurityTimeout);
  lMinutes = new QLabel(QStringLiteral("minute(s)"), tsSecurity);
  rbCloseBankOnTimeout = new QRadioButton(QStringLiteral("Close DataBank"), tsSecurity);
  rbCloseAppOnTimeout = new QRadioButton(QStringLiteral("Close Application"), tsSecurity);
  security->addWidget(chSecurityTimeout, 0, 0);
  security->addWidget(eSecurityTimeout, 0, 1);
  security->addWidget(lMinutes, 0, 2);
  security->addWidget(rbCloseBankOnTimeout, 1, 0);
  security->addWidget(rbCloseAppOnTimeout, 2, 0);
  security->setRowStretch(3, 1);
  // Hidden and disabled: Ctrl+Tab and the tab bar's keys pass over disabled pages only.
  PageControl->setTabVisible(PageControl->indexOf(tsSecurity), false);
  PageControl->setTabEnabled(PageControl->indexOf(tsSecurity), false);

  connect(eAutoSaveDelay, &QLineEdit::textChanged, this, [this] { CheckDelay(); });
  CheckDelay();
}

QCheckBox* TfrmConfig::FlagBox(const std::string& control) const {
  for (QCheckBox* box : {chAutoOpen, chAutoSave, chBackUp, chRememberPos, chAlwaysShowTrayIcon, chMinimizeToTray,
                         chStartMinimized, chSlowQuit, chAutoOpenRec, chAutoExpandTree})
    if (box->objectName().toStdString() == control) return box;
  return nullptr;
}

void TfrmConfig::SetValues(const TConfigValues& values) {
  for (const auto& [control, on] : values.Flags)
    if (QCheckBox* box = FlagBox(control)) box->setChecked(on);
  eAutoSaveDelay->setText(QString::fromStdString(values.Delay));
}

TConfigValues TfrmConfig::Values() const {
  TConfigValues values;
  for (const TConfigFlag& f : ConfigFlags())
    if (QCheckBox* box = FlagBox(f.Control)) values.Flags[f.Control] = box->isChecked();
  values.Delay = eAutoSaveDelay->text().toStdString();
  return values;
}

bool TfrmConfig::DelayValid() const {
  return ParseAutoSaveDelay(eAutoSaveDelay->text().toStdString()).has_value();
}

void TfrmConfig::CheckDelay() {
  const bool valid = DelayValid();
  QPalette palette = eAutoSaveDelay->palette();
  palette.setColor(QPalette::Base, valid ? QApplication::palette().color(QPalette::Base)
                                         : platform::ToQColor(platform::TColor(kBadDelayColor)));
  eAutoSaveDelay->setPalette(palette);
  lDelayRange->setVisible(!valid);
  btnOk->setEnabled(valid);
}

void TfrmConfig::FormCreate() {
  TfrmYesNo::FormCreate();
  // The shared keys hold the main window's place; a dialog stored there would also move that.
  StorePosition = false;
}

void TfrmConfig::FormShow() {
  TfrmYesNo::FormShow();
  if (Owner) Owner->ConfigDialogShown(this);
  PageControl->setCurrentWidget(tabGeneral);
}

void AddPage(TfrmConfig* dialog, QWidget* frame, const QString& caption) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  frame->setParent(page);
  layout->addWidget(frame);
  dialog->PageControl->addTab(page, caption);
}

bool ShowConfig(QWidget* ownerWindow, IConfigDialogOwner& owner) {
  platform::Owned<TfrmConfig> dialog(platform::Construct<TfrmConfig>(ownerWindow));
  dialog->Owner = &owner;
  owner.FillConfigDialog(dialog.get());
  if (dialog->ShowModal() != platform::mrOk) return false;
  owner.StoreConfigDialog(dialog.get());
  return true;
}
