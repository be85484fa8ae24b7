// The base of the main window: a toolbar strip with the main-menu and exit buttons, the Exit
// action, the image lists, the application's minimise and restore hooks, close-to-minimise and the
// toolbar layout. Descendants put their widgets into ClientArea() and enter their toolbar controls
// in RegisterToolbars.
#pragma once

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "ui/BaseForm.h"
#include "ui/ImgList_Override.h"
#include "ui/ToolbarPanel.h"
#include "ui/mxXPButton.h"
#include "ui/uToolbarLayout.h"

// The close rule: a close request of the frame only minimises while close-to-minimise holds and
// the program is neither exiting nor minimised already.
constexpr bool MainFormCanClose(bool exiting, bool minimizeOnClose, bool appIsMinimized) {
  return exiting || !minimizeOnClose || appIsMinimized;
}

// The look of every button of the program's toolbars: flat, lit up in the toolbar colours, with the
// list's images and their grey copies.
void StyleToolbarButton(TmxXPButton* button, TImageList* images, TImageList* disabled);

class TBaseMainForm : public TfrmBaseForm {
  Q_OBJECT

 public:
  static constexpr int kImageExit = 0;
  static constexpr int kImageMenu = 1;

  explicit TBaseMainForm(QWidget* owner = nullptr);
  ~TBaseMainForm() override;

  // ---- components ----
  TToolbarPanel* Toolbar;
  TmxXPButton* btnMenu;
  TmxXPButton* btnExit;
  QAction* actnExit;
  QAction* actnMainMenu;  // F10: the main menu, dropped from btnMenu
  TImageList* ImageList;
  TImageList* DisabledImageList;
  QMenu* MainMenu;

  // ---- fields ----
  std::unique_ptr<TToolbarLayout> ToolbarLayout;
  bool Exiting = false;
  bool AppIsMinimized = false;
  bool MinimizeOnClose = true;

  // The area below the toolbar for the descendants' widgets.
  QWidget* ClientArea() const { return clientArea_; }

  // ---- virtual operations ----
  virtual void AppMinimized();
  virtual void AppRestored();
  virtual void MinimizeApp();
  virtual void RestoreApp();
  virtual void CleanUp() {}
  // The session ends: nobody answers from now on (the databank window tells its pipeline).
  virtual void SessionEnding() {}
  virtual void RegisterToolbars();
  // After RegisterToolbars: the stored visibility of the toolbar controls is applied here (the
  // databank window does it); the layout is arranged right after.
  virtual void ToolbarsRegistered() {}

  void actnExitExecute();
  // The desktop session ends: every modal window and box is closed as cancelled, and once the steps
  // that waited in them have ended the real close path runs (close-to-minimise does not apply).
  void EndSession();
  // Runs a close that had to wait (the window refused it while a step of its work ran): closes,
  // and ends the program once the close is accepted.
  void CloseAndEnd();
  // The close running now is the end of the desktop session (nobody is there to answer).
  bool EndingSession() const { return endingSession_; }
  bool CloseAccepted() const { return closeAccepted_; }

 protected:
  void AfterConstruction() override;
  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormDestroy() override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplicationMinimize() { AppMinimized(); }
  void ApplicationRestore() { AppRestored(); }

  QVBoxLayout* mainLayout_;
  QWidget* clientArea_;
  int exitFromRight_ = 0;
  bool closeAccepted_ = false;
  bool endingSession_ = false;
  bool sessionEnded_ = false;  // the desktop session ended (a close may have had to wait for a step)
};
