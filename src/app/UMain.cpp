#include "app/UMain.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "app/UMainRules.h"
#include "app/uPropertyDialogs.h"
#include "databank/gui/uConfig.h"
#include "databank/uDataBankContent.h"
#include "platform/Exceptions.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtColors.h"
#include "recordeditor/gui/uSynOptions.h"
#include "ui/uNotifyPopup.h"
#include "xml/uSettingsXML.h"

using platform::RunGuarded;

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

inline constexpr const char* kShowEditorToolbar = "ShowEditorToolbar";
inline constexpr const char* kSchemesSection = "schemes";

}  // namespace

TfrmMain::TfrmMain(QWidget* owner, std::string commandLineFile) : TXMLTreeForm(owner, std::move(commandLineFile)) {
  if (!dmHighLighters) throw Exception("The highlighter set must exist before the main window is made.");
  setObjectName(QStringLiteral("frmMain"));
  setMinimumSize(610, 250);
  RunModal = [](TfrmBaseForm& dialog) { return dialog.ShowModal(); };
  BuildEditorPanel();

  miShowEditorToolbar = new QAction(QStringLiteral("Show Editor Toolbar"), this);
  miShowEditorToolbar->setObjectName(QStringLiteral("miShowEditorToolbar"));
  miShowEditorToolbar->setCheckable(true);
  ConfigurationMenu->insertAction(miShowTreeToolbar, miShowEditorToolbar);
  connect(miShowEditorToolbar, &QAction::triggered, this, [this] {
    btnEditorToolbar->SetDown(!btnEditorToolbar->Down());
    RunGuarded([this] { EditorToolbarClicked(); });
  });
  miToolbars->setText(QStringLiteral("Configure Toolbars ..."));
  Action(TTreeAction::Help)->setText(QStringLiteral("Editor Keyboard Commands"));
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildEditorPanel() {
  EditorPanel = new TSimplePanel(EditorArea);
  EditorPanel->setObjectName(QStringLiteral("EditorPanel"));
  EditorArea->layout()->addWidget(EditorPanel);
  auto* panelLayout = new QVBoxLayout(EditorPanel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->setSpacing(0);

  const TTitleBar title = NewTitleBar(EditorPanel, "pnlRecordTitle", "lRecordTitle", QStringLiteral("Record View"), 4);
  pnlRecordTitle = title.Panel;
  lRecordTitle = title.Caption;
  QHBoxLayout* titleLayout = title.Row;

  eKeywords = new QLineEdit(pnlRecordTitle);
  eKeywords->setObjectName(QStringLiteral("eKeywords"));
  eKeywords->setToolTip(QStringLiteral("Enter keywords separated by spaces, commas or semicolons!"));
  eKeywords->setVisible(false);
  LiftLengthLimit(eKeywords);
  eKeywords->installEventFilter(this);  // Ctrl+Tab goes on from here too
  connect(eKeywords, &QLineEdit::textChanged, this, [this] { RunGuarded([this] { KeywordsChanged(); }); });
  titleLayout->addWidget(eKeywords, 1);

  // A long keyword list neither widens the window nor pushes "Keywords:" out of sight: the end of
  // the list gives way.
  lKeywords = new TElidedLabel(Qt::ElideRight, pnlRecordTitle);
  lKeywords->setObjectName(QStringLiteral("lKeywords"));
  lKeywords->setToolTip(QStringLiteral("Keywords associated with this record"));
  lKeywords->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lKeywords->setText(Q(KeywordsLabelText("")));
  lKeywords->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  titleLayout->addWidget(lKeywords, 1);

  const int tagImage = ToolImages->AddIcon(platform::ThemeIcon(QStringLiteral("tag")));
  btnKeywords = NewTitleSwitch(title, "btnKeywords", tagImage, "Show/Hide Keywords");
  btnKeywords->OnClick = [this](TmxXPButton*) { RunGuarded([this] { KeywordsClicked(); }); };
  btnEditorToolbar = NewTitleSwitch(title, "btnEditorToolbar", timTreeToolbar, "Show/Hide Editor Toolbar");
  btnEditorToolbar->SetDown(true);
  btnEditorToolbar->SetImageIndex(timTreeToolbarDown);
  btnEditorToolbar->OnClick = [this](TmxXPButton*) { RunGuarded([this] { EditorToolbarClicked(); }); };
  panelLayout->addWidget(pnlRecordTitle);

  CodeFrame = new TEditorFrameWidget(*dmHighLighters, EditorPanel);
  CodeFrame->setObjectName(QStringLiteral("CodeFrame"));
  CodeFrame->OnNextControl = [this](bool forward) { NextControl(forward); };
  panelLayout->addWidget(CodeFrame, 1);
  EditorPanel->installEventFilter(this);
  // Save follows the first edit of a record at once.
  for (TSynMemo* memo : {&CodeFrame->Frame().Memo, &CodeFrame->Frame().Comments}) {
    TSynNotifyEvent frameChange = memo->OnChange;
    memo->OnChange = [this, frameChange](TSynPersistent* sender) {
      if (frameChange) frameChange(sender);
      EditorChanged();
    };
  }
  for (int i = 0; i < kEditorActionCount; ++i) {
    const QKeySequence key = CodeFrame->Action(static_cast<TEditorAction>(i))->shortcut();
    if (key.isEmpty()) continue;
    for (const TTreeActionDef& def : TreeActionTable())
      if (Action(def.Action)->shortcut() == key) sharedKeys_.emplace_back(Action(def.Action), key);
  }
}

// ---------------------------------------------------------------------------------------------
// Life of the window

void TfrmMain::FormCreate() {
  TXMLTreeForm::FormCreate();
  Editor = &CodeFrame->Frame();
  CodeFrame->Frame().SearchesPrivate = [this] {
    return closedProtected_ || (HasSession() && !Session().Password().empty());
  };
  ApplicationTitle = kProgramTitle;
  Session().ApplicationTitle = ApplicationTitle;
  HomePageURL = kHomePageURL;
  HelpURL = kHelpURL;
  BugtrackerURL = kBugtrackerURL;
  DonateURL = kDonateURL;
  miItemProperties->setVisible(true);
  SetActionHandler(TTreeAction::RecordProperties, [this] { EditItemProperties(); });
  schemes_.reset();
}

void TfrmMain::FormShow() {
  TXMLTreeForm::FormShow();
  if (!curtainMoved_) {
    // From now on the curtain covers the record editor only; the title bar with the keywords stays
    // usable while a folder is selected.
    curtainMoved_ = true;
    // Whether it was shown while the window was still hidden: isVisible() answers false for both.
    const bool visible = !pnlCurtain->isHidden();
    pnlCurtain->setParent(EditorPanel);
    PlaceCurtain();
    pnlCurtain->setVisible(visible);
    if (visible) pnlCurtain->raise();
  }
}

void TfrmMain::FormClose(TCloseAction& action) {
  // What the editor and the keywords field hold is stored first, so the save-or-ask below sees it.
  if (HasSession() && Bank()) StoreOpenValues();
  // The databank closes (and forgets its password) before the settings are written.
  closedProtected_ = HasSession() && !Session().Password().empty();
  TXMLTreeForm::FormClose(action);
  if (action == TCloseAction::caNone) closedProtected_ = false;
}

void TfrmMain::FormDestroy() {
  if (dmHighLighters && schemes_ && dmHighLighters->Schemes() == schemes_.get()) dmHighLighters->SetSchemes(nullptr);
  schemes_.reset();
  TXMLTreeForm::FormDestroy();
}

void TfrmMain::LoadUISettings() {
  schemes_ = GetSettings()->OpenSection(kSchemesSection);
  if (dmHighLighters && dynamic_cast<TXMLSettings*>(schemes_.get())) dmHighLighters->SetSchemes(schemes_.get());
  TXMLTreeForm::LoadUISettings();
  btnEditorToolbar->SetDown(GetSettings()->ReadBool(kShowEditorToolbar, btnEditorToolbar->Down()));
  EditorToolbarClicked();
}

void TfrmMain::LoadSettings() {
  TXMLTreeForm::LoadSettings();
  if (schemes_ && dmHighLighters && dmHighLighters->Schemes()) dmHighLighters->ApplySchemes();
}

void TfrmMain::SaveSettings() {
  TXMLTreeForm::SaveSettings();
  GetSettings()->WriteBool(kShowEditorToolbar, btnEditorToolbar->Down());
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == eKeywords && event->type() == QEvent::KeyPress) {
    bool forward = true;
    if (IsControlTab(*static_cast<QKeyEvent*>(event), forward)) {
      NextControl(forward);
      return true;
    }
  }
  const bool handled = TXMLTreeForm::eventFilter(watched, event);
  if (watched == EditorPanel && event->type() == QEvent::Resize && pnlCurtain->parentWidget() == EditorPanel)
    PlaceCurtain();
  return handled;
}

std::vector<QWidget*> TfrmMain::ControlStops() const {
  std::vector<QWidget*> stops = TXMLTreeForm::ControlStops();
  for (QWidget* editor :
       {static_cast<QWidget*>(CodeFrame->MemoWindow), static_cast<QWidget*>(CodeFrame->CommentsWindow)})
    if (editor->isVisible() && editor->isEnabled()) stops.push_back(editor);
  if (CurrentRecord || CurrentFolder) stops.push_back(eKeywords);
  return stops;
}

void TfrmMain::FocusStop(QWidget* stop) {
  if (stop == eKeywords && eKeywords->isHidden()) {
    btnKeywords->SetDown(true);
    KeywordsClicked();
    return;
  }
  TXMLTreeForm::FocusStop(stop);
}

// ---------------------------------------------------------------------------------------------
// Overrides of the databank window

void TfrmMain::StyleNotifyPopup(TNotifyPopup* popup, int kind) {
  TXMLTreeForm::StyleNotifyPopup(popup, kind);
  const std::optional<TNotifyStyle> style = NotifyPopupStyle(kind);
  if (!popup || !style) return;
  popup->SetColor(style->Color);
  if (style->FontColor) popup->SetFontColor(*style->FontColor);
  popup->DisplayTime = style->DisplayTime;
  // Room between the text and the frame (the popup's own padding leaves the letters on it).
  popup->Padding = std::max(popup->Padding, 8);
}

QRect TfrmMain::CurtainRect() const {
  if (pnlCurtain->parentWidget() == EditorPanel) return CodeFrame->geometry();
  return TXMLTreeForm::CurtainRect();
}

void TfrmMain::ReadBankState() {
  if (TXMLDataBase2* bank = Bank()) ReadDefaultImages(*bank, Images);
  TXMLTreeForm::ReadBankState();
}

std::string TfrmMain::StoredKeywords() const {
  if (CurrentFolder) return bank::NodeKeywords(CurrentFolder);
  if (Editor && CurrentRecord) return Editor->GetKeywords();
  return std::string();
}

void TfrmMain::RecordOpened() {
  // The field's change handler brings the label along; the same text leaves both as they are.
  showingKeywords_ = true;
  keywordsShown_.Show(eKeywords, StoredKeywords());
  showingKeywords_ = false;
}

void TfrmMain::ShowCurtain() {
  TXMLTreeForm::ShowCurtain();
  // Nothing selected any more: the title bar must not go on naming the last record's keywords.
  if (!CurrentRecord && !CurrentFolder) RecordOpened();
}

void TfrmMain::RecordClosing() {
  // Only what the user changed is written: the stored bytes stay as they are otherwise.
  if (!keywordsShown_.Changed(eKeywords)) return;
  const std::string text = eKeywords->text().toStdString();
  if (CurrentFolder)
    bank::SetNodeKeywords(CurrentFolder, text);
  else if (Editor && CurrentRecord)
    Editor->SetKeywords(text);
  else
    return;
  keywordsShown_.Stored(eKeywords);
}

void TfrmMain::FolderSelected() {
  TXMLTreeForm::FolderSelected();
  btnEditorToolbar->setEnabled(false);
}

void TfrmMain::RecordSelected() {
  TXMLTreeForm::RecordSelected();
  btnEditorToolbar->setEnabled(true);
}

void TfrmMain::FillConfigDialog(TfrmConfig* dialog) {
  TXMLTreeForm::FillConfigDialog(dialog);
  if (dmHighLighters) AddPage(dialog, new TSynOptionsFrame(nullptr, *dmHighLighters), QStringLiteral("Highlighters"));
}

void TfrmMain::StoreConfigDialog(TfrmConfig* dialog) {
  // The schemes are saved before the window reloads its settings, so that reloading applies the
  // colours just confirmed rather than the ones they replace.
  if (auto* page = FindPageFrame<TSynOptionsFrame>(dialog); page && dmHighLighters) page->StoreSchemes(*dmHighLighters);
  TXMLTreeForm::StoreConfigDialog(dialog);
}

void TfrmMain::KeywordsChanged() {
  lKeywords->setText(Q(KeywordsLabelText(eKeywords->text().toStdString())));
  if (showingKeywords_) return;
  // Typed for the open record: it counts as an edit of the record.
  if (CurrentRecord && Editor == &CodeFrame->Frame()) CodeFrame->Frame().MarkModified();
  if (HasSession()) Session().RecordEdited();
  UpdateActions();
}

void TfrmMain::KeywordsClicked() {
  const bool down = btnKeywords->Down();
  eKeywords->setVisible(down);
  if (down) eKeywords->setFocus();
}

void TfrmMain::EditorToolbarClicked() {
  const bool down = btnEditorToolbar->Down();
  if (Editor) Editor->ShowToolbar(down);
  btnEditorToolbar->SetImageIndex(btnEditorToolbar->property("Tag").toInt() + (down ? 1 : 0));
  miShowEditorToolbar->setChecked(down);
}

bool TfrmMain::AnythingUnsaved() const {
  if (!HasSession() || !Bank()) return false;
  if (Session().Modified()) return true;
  if (Editor && CurrentRecord && Editor->IsModified()) return true;
  return (CurrentRecord || CurrentFolder) && keywordsShown_.Changed(eKeywords);
}

void TfrmMain::EditorChanged() {
  // What is typed reaches the file with the next auto-save, as a committed change does.
  if (HasSession()) Session().RecordEdited();
  // Only the first edit changes anything the commands depend on.
  if (!Action(TTreeAction::SaveBase)->isEnabled()) UpdateActions();
}

void TfrmMain::AssignSharedKeys() {
  const bool inEditor = CodeFrame->isAncestorOf(QApplication::focusWidget());
  for (const auto& [action, key] : sharedKeys_) {
    const QKeySequence wanted = inEditor ? QKeySequence() : key;
    if (action->shortcut() != wanted) action->setShortcut(wanted);
  }
}

void TfrmMain::ActionsUpdated() {
  AssignSharedKeys();
  // Save is there while anything is unsaved, edits in the open record included.
  const bool canSave = AnythingUnsaved();
  Action(TTreeAction::SaveBase)->setEnabled(canSave);
  btnSaveBase->setEnabled(canSave);
}

// ---------------------------------------------------------------------------------------------
// The property dialogs

TLanguageList TfrmMain::Languages() const {
  TLanguageList list;
  if (dmHighLighters) dmHighLighters->BuildLanguageList(list);
  return list;
}

bool TfrmMain::EditBankProperties() {
  TXMLDataBase2* bank = Bank();
  if (!bank) return false;
  const TLanguageList languages = Languages();
  platform::Owned<TfrmBankOptions> dialog(platform::Construct<TfrmBankOptions>(this));
  dialog->SetValues(ReadBankOptions(*bank, Images), languages, TreeImageList, Images.Ranges);
  if (RunModal(*dialog) != platform::mrOk) return false;
  WriteBankOptions(*bank, dialog->Values(), Images);
  dialog.reset();
  SetModified();
  ApplyBankDefaults();
  return true;
}

void TfrmMain::ApplyBankDefaults() {
  if (ITreeView* view = TreeControl()) {
    TTreeUpdateLock lock(*view);
    bank::ForEachTreeNode(Bank()->Root(), [&](TxevXMLNode2* node, int) {
      if (TTreeItem* item = ItemOf(node)) view->SetImage(item, Images.NodeImage(node, view->IsExpanded(item)));
    });
  }
  // A record that follows the databank's language shows the new one.
  if (CurrentRecord) {
    CommitEditor();
    SelectRecord(true);
  }
  TreeContentChanged();
}

void TfrmMain::EditItemProperties() {
  TxevXMLNode2* node = CurrentRecord ? CurrentRecord : CurrentFolder;
  ITreeView* view = TreeControl();
  if (!node || !view) return;
  TTreeItem* item = ItemOf(node);
  const TLanguageList languages = Languages();
  const TItemProperties read = ReadItemProperties(node, languages, Images);
  platform::Owned<TfrmItemProperties> dialog(platform::Construct<TfrmItemProperties>(this));
  dialog->SetValues(read, languages, TreeImageList, Images.Ranges);
  if (RunModal(*dialog) != platform::mrOk) return;
  const TItemProperties chosen = dialog->Values();
  dialog.reset();
  const int image = WriteItemProperties(node, read, chosen, languages, Images, item && view->IsExpanded(item));
  if (item) {
    view->SetText(item, chosen.Name);
    view->SetImage(item, image);
  }
  SetModified();
  // Reopened, so a new language takes effect at once.
  CommitEditor();
  SelectRecord(false);
  TreeContentChanged();
}
