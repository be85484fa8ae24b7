// The databank window: the layer of the main window that shows the open databank as a tree of
// folders and records beside the editor area. Its decisions live in TXMLTreeCore; this class builds
// the widgets (toolbar buttons, the tree pane with its title bar, tree toolbar and filter pages, the
// curtain over the editor area, the status panel, the tray icon), the commands with their menus and
// shortcuts, and runs the window's life: settings, start-up opening, first run, close, minimise to
// the tray, stay on top.
//
// Made with platform::Construct<TXMLTreeForm>(owner, commandLineFile) and freed with
// platform::Destroy. The main window of the program derives from it, hands it an IEditor and
// overrides the virtual operations of TXMLTreeCore and TXMLTreeFeatures (the filter, quick search,
// bookmarks, import and export, databank information) and of the settings dialog
// (IConfigDialogOwner: it may add pages of its own); record properties plug in with
// SetActionHandler.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "databank/gui/TreeWidget.h"
#include "databank/gui/uConfig.h"
#include "databank/uNodeClipboard.h"
#include "databank/uXMLTreeFeatures.h"
#include "ui/ElidedLabel.h"
#include "ui/ToolbarPanel.h"
#include "ui/TrayIcon.h"
#include "ui/UBaseMainForm.h"

class TXMLTreeForm : public TBaseMainForm, public TXMLTreeFeatures, public IConfigDialogOwner {
  Q_OBJECT

 public:
  // Pictures of ImageList (after the base's exit and menu pictures) and of ToolImages.
  enum : int { imgTray = 2, imgOpen, imgSave, imgShortcut, imgMinimizeToTray, imgPin, imgPinDown, imgAbout };
  enum : int {
    timNewFolder = 0,
    timNewRecord,
    timRename,
    timProperties,
    timFilter,
    timBookmarks,
    timTreeToolbar,
    timTreeToolbarDown,
    timQuickSearch,
    timClearFilter,
    timMoveUp,
    timMoveDown,
    timPaste,
    timDeleteRecord,
    timDeleteFolder,
    timCopy,
    timCut
  };

  explicit TXMLTreeForm(QWidget* owner = nullptr, std::string commandLineFile = std::string());
  ~TXMLTreeForm() override;

  // ---- components ----
  TmxXPButton* btnOpenBase;
  TmxXPButton* btnSaveBase;
  TmxXPButton* btnCreateShortcut;
  TmxXPButton* btnMinimizeToTray;
  TmxXPButton* btnPin;
  TmxXPButton* btnAbout;
  QSplitter* Splitter;
  TSimplePanel* TreePanel;
  TSimplePanel* TreeTitlePanel;
  QLabel* lblTreeTitle;
  QLineEdit* eQuickSearch = nullptr;
  TmxXPButton* btnQuickSearch;
  TmxXPButton* btnTreeToolbar;
  QTabWidget* TreePageControl = nullptr;
  QWidget* TreePage;
  QWidget* FindTreePage;
  QWidget* CloseTreePage;
  TSimplePanel* TreeView;
  TToolbarPanel* TreeToolbar;
  TmxXPButton* btnNewFolder;
  TmxXPButton* btnNewItem;
  TmxXPButton* btnDelete;
  TmxXPButton* btnRename;
  TmxXPButton* btnItemProperties;
  TmxXPButton* btnFindRecord;
  TmxXPButton* btnBookmarks;
  TTreeWidget* Tree;
  TTreeWidget* FindTree;
  TSimplePanel* FilterStatus = nullptr;
  QLabel* lFilter1;
  TElidedLabel* lFilterText;
  QLabel* Label1;
  QLabel* lFilterType;
  QLabel* lCaseSensitive;
  QLabel* lWordWrap;
  QWidget* EditorArea;
  QLabel* pnlCurtain;
  TStatusPanel* StatusPanel;
  std::unique_ptr<TTrayIcon> TrayIcon;
  TImageList* ToolImages;
  TImageList* DisabledToolImages;
  TImageList* TreeImageList;
  QMenu* RecentMenu;
  QMenu* SaveDropMenu;
  QMenu* TreeMenu;
  QMenu* InfoDropdownMenu;
  QMenu* BookmarksMenu;
  QMenu* TrayMenu;
  QMenu* OpenRecentMenu;
  QMenu* ConfigurationMenu;
  QMenu* SortItemsMenu;
  QAction* miCompress;
  QAction* miToolbars;
  QAction* miShowStatusbar;
  QAction* miShowTreeToolbar;
  QAction* miItemProperties;

  QAction* Action(TTreeAction action) const { return actions_[static_cast<size_t>(action)]; }
  // Gives a command its handler (a feature plugging in, or the main window); it is then enabled by
  // its rule.
  void SetActionHandler(TTreeAction action, std::function<void()> handler);
  // Applies the command rules to every action, menu item and button.
  void UpdateActions();
  // Fills the recent-file part of a menu from the recent list.
  void BuildRecentMenu(QMenu* menu);
  // This start found no settings file, and neither got to its first run (it waited for the start-up
  // open, and the window closed first) nor opened or saved any databank: the next start is to be a
  // first start again, so the settings are not to be written.
  bool FirstRunStillOwed() const;

  // ---- virtual operations ----
  virtual void LoadTreeImages();
  void ShowCurtain() override;
  void HideCurtain() override;
  // Where the curtain lies, in its parent's coordinates (the whole editor area here).
  virtual QRect CurtainRect() const;
  void PlaceCurtain();
  void HideFilter() override;
  void ShowFilterResults() override;
  void PaintNow() override;
  bool ExecuteRecordSearch(TSearchForRec& rec) override;
  void ShowQuickSearchBox() override;
  bool ExecuteBookmarkManager(TBookmarkWork& work) override;
  bool SelectNodesForExport(TExportChoice& choice) override;
  void ShowBankInfo(const TBankInfo& info) override;
  void FillConfigDialog(TfrmConfig* dialog) override;
  void StoreConfigDialog(TfrmConfig* dialog) override;
  void ConfigDialogShown(TfrmConfig* dialog) override { (void)dialog; }
  virtual void MinimizeToTray();
  // Fills the bookmark part of BookmarksMenu (its fixed items stay).
  void BuildBookmarksMenu();
  // Ctrl+Tab (forward) and Ctrl+Shift+Tab: the focus goes on to the next or previous control of
  // ControlStops, from wherever it is in the window (from a control that is none of them, forward
  // is the first). These keys never run a command.
  void NextControl(bool forward);

  void AppMinimized() override;
  void AppRestored() override;
  void ShowNotification(const std::string& text) override;
  void RestoreApp() override;

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormClose(TCloseAction& action) override;
  void FormDestroy() override;
  void LoadUISettings() override;
  void LoadSettings() override;
  void SaveSettings() override;
  void AfterShow() override;
  void CleanUp() override;
  void SessionEnding() override;
  void RegisterToolbars() override;
  void ToolbarsRegistered() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // After UpdateActions has applied the command rules: the main window adjusts what it decides itself.
  virtual void ActionsUpdated() {}
  // The controls Ctrl+Tab goes through, in order, each able to take the focus: here the tree in
  // front (the filter's results while they are). The main window adds its own.
  virtual std::vector<QWidget*> ControlStops() const;
  // Gives a stop the focus as Ctrl+Tab reaches it.
  virtual void FocusStop(QWidget* stop);
  // Ctrl+Tab or Ctrl+Shift+Tab (forward tells which).
  static bool IsControlTab(const QKeyEvent& event, bool& forward);
  // A flat button in the look of the window's toolbars, showing picture image of images.
  TmxXPButton* NewButton(QWidget* parent, const char* name, TImageList* images, int image);
  // The title bar of one of the window's halves: a panel 24 pixels high, white on the shadow colour,
  // with its caption in bold at the left of a row that the caller goes on filling.
  struct TTitleBar {
    TSimplePanel* Panel;
    QLabel* Caption;
    QHBoxLayout* Row;
  };
  static TTitleBar NewTitleBar(QWidget* parent, const char* panelName, const char* captionName, const QString& caption,
                               int spacing);
  // A 20 x 20 switch of a title bar, added to its row, with hint as its tooltip and caption.
  TmxXPButton* NewTitleSwitch(const TTitleBar& bar, const char* name, int image, const char* hint);

  void ApplyCaption(const std::string& caption, bool trayIconVisible) override;
  void BusyChanged(bool busy) override;
  void TreeStateChanged() override;
  bool IsForegroundWindow() const override;
  // What the clipboard last said, or a node of this program's own that it holds (its word of the
  // change may still be on its way).
  bool ClipboardHoldsNode() const override { return clipboardHasNode_ || OwnClipboardNode() != nullptr; }
  bool ResultsInFront() const override;
  // The page of the whole tree in front (when the filter results were).
  void ShowAllFolders() override;

 private:
  class TFindTreeEvents;
  void BuildImageLists();
  void BuildActions();
  void BuildMenus();
  void BuildMainMenu();
  void BuildConfigurationMenu();
  void BuildButtonMenus();
  void BuildTreeMenu();
  void BuildToolbar();
  void BuildTreePane();
  QWidget* BuildTreeTitle();
  QWidget* BuildTreeView();
  QWidget* BuildTreeToolbar();
  QWidget* BuildFilterPages();
  QWidget* BuildFilterStatus();
  void FitFilterStatus();
  void BuildEditorArea();
  void BuildTray();
  void RunAction(TTreeAction action);
  void ApplyToolbarVisibility();
  void TreeToolbarClicked();
  void QuickSearchClicked();
  void PinClicked();
  void ApplyStayOnTop(bool onTop);
  void PlaceRightButtons();
  void CreateDesktopShortcut();
  void ClipboardChanged();

  std::string commandLineFile_;
  std::array<QAction*, kTreeActionCount> actions_{};
  std::array<std::function<void()>, kTreeActionCount> handlers_;
  std::unique_ptr<TFindTreeEvents> findTreeEvents_;
  bool settingsFileExisted_ = true;
  bool firstRunChecked_ = false;
  bool clipboardHasNode_ = false;
  bool updatingActions_ = false;
  bool reloadingSettings_ = false;       // the settings dialog's reload keeps the file lists in memory
  std::string pendingNotice_;            // a notification that came while the window was not shown
  static constexpr int kNoticeKind = 2;  // red, shown longest
};
