// The program's main window: the databank window (TXMLTreeForm) with the editor area beside the
// tree. The editor area holds the record title bar (the keywords of the open record or of the
// selected folder, the keywords and editor-toolbar switches) above the record editor, which the
// window hands to the databank window as its IEditor. The window also owns the colour schemes of
// the highlighter set, shows the databank and node property dialogs, styles its notification popups
// and enables Save while anything is unsaved, the open record's edits included.
//
// Made with platform::Construct<TfrmMain>(owner, commandLineFile) after the highlighter set
// (dmHighLighters) exists (it throws Exception otherwise), and freed with platform::Destroy before
// it goes.
//
// Where the record editor and the databank window give the same key to a command (Ctrl+F finds in
// the text or filters the tree, F3 finds the next match or the next record), the editor's command
// has the key while the focus is in the editor, the window's everywhere else.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <string>

#include "databank/gui/uXMLTreeForm.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/gui/uEditorFrameWidget.h"
#include "ui/ElidedLabel.h"
#include "ui/StoredText.h"

class TfrmBankOptions;
class TfrmItemProperties;

// The web addresses of the program's makers. None is published, so the information menu hides
// their commands.
inline constexpr const char* kHomePageURL = "";
inline constexpr const char* kHelpURL = "";
inline constexpr const char* kBugtrackerURL = "";
inline constexpr const char* kDonateURL = "";
inline constexpr const char* kProgramTitle = "Tessaryn";

class TfrmMain : public TXMLTreeForm {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* owner = nullptr, std::string commandLineFile = std::string());
  ~TfrmMain() override;

  // ---- components ----
  TSimplePanel* EditorPanel;
  TSimplePanel* pnlRecordTitle;
  QLabel* lRecordTitle;
  TElidedLabel* lKeywords;
  TmxXPButton* btnEditorToolbar;
  TmxXPButton* btnKeywords;
  QLineEdit* eKeywords = nullptr;
  TEditorFrameWidget* CodeFrame;  // the record editor
  QAction* miShowEditorToolbar;

  // How the window runs its dialogs modally (1 = OK). Tests and probes answer them here instead.
  std::function<int(TfrmBaseForm& dialog)> RunModal;

  // ---- overrides of the databank window ----
  void StyleNotifyPopup(TNotifyPopup* popup, int kind) override;
  bool EditBankProperties() override;
  void ReadBankState() override;
  void RecordOpened() override;
  void ShowCurtain() override;
  void RecordClosing() override;
  void FolderSelected() override;
  void RecordSelected() override;
  // The settings dialog gets the "Highlighters" page; its OK saves the changed colour schemes.
  void FillConfigDialog(TfrmConfig* dialog) override;
  void StoreConfigDialog(TfrmConfig* dialog) override;
  QRect CurtainRect() const override;

  // Node Properties: the dialog for the open record or the selected folder.
  void EditItemProperties();
  // Whether anything is waiting to be saved: the databank's mark, the editor's edits, keywords
  // typed but not stored yet.
  bool AnythingUnsaved() const;

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormClose(TCloseAction& action) override;
  void FormDestroy() override;
  void LoadUISettings() override;
  void LoadSettings() override;
  void SaveSettings() override;
  void ActionsUpdated() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // After the tree: the code, the comments and, while a record or folder is open, its keywords
  // (shown as their switch shows them, when Ctrl+Tab reaches them hidden).
  std::vector<QWidget*> ControlStops() const override;
  void FocusStop(QWidget* stop) override;

 private:
  void BuildEditorPanel();
  void EditorToolbarClicked();
  void KeywordsClicked();
  void KeywordsChanged();
  std::string StoredKeywords() const;
  // The code or the comments were edited: Save becomes available.
  void EditorChanged();
  // Gives the keys both the editor and the window use to the editor while it has the focus.
  void AssignSharedKeys();
  // Shows the images and languages the databank's defaults now give: every tree picture that
  // follows a default, and the open record reopened.
  void ApplyBankDefaults();
  // The language list of the highlighter set (empty without one).
  TLanguageList Languages() const;

  std::unique_ptr<TSettings> schemes_;
  // Window commands whose key an editor command has too, with their key.
  std::vector<std::pair<QAction*, QKeySequence>> sharedKeys_;
  bool curtainMoved_ = false;
  // The window closed over a databank with a password: the settings written next keep its searches out.
  bool closedProtected_ = false;
  bool showingKeywords_ = false;  // eKeywords is being filled, not typed into
  // What eKeywords was given: keywords left as they were are never written back.
  TShownText keywordsShown_;
};
