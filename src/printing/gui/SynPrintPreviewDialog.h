// "Print Preview": a maximised window around the preview control with page navigation, zoom, print
// and page setup, and a status bar with the hint of the control under the mouse and the page shown.
// The caller gives the preview control its print engine (SynPadPrintPreview->SetSynPadPrint) and
// shows the window modally.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "ui/BaseForm.h"

class TSynPadPrintPreview;

// The magnifier the preview shows as its cursor.
QCursor MagnifierCursor();

class TdlgPrintPreview : public TfrmBaseForm {
  Q_OBJECT

 public:
  explicit TdlgPrintPreview(QWidget* owner = nullptr);

  QToolBar* tbMain;
  QToolButton* btnZoom;
  QMenu* pmPreview;
  QStatusBar* StatusBar;
  QLabel* StatusPanel0;  // 400 pixels: the hint
  QLabel* StatusPanel1;  // 100 pixels: the page
  TSynPadPrintPreview* SynPadPrintPreview;
  QAction *FirstCmd, *PrevCmd, *NextCmd, *LastCmd, *ZoomCmd, *PrintCmd, *CloseCmd, *PageSetupCmd;

  // The effect of each action, for callers and tests.
  void Print();
  void PageSetup();

 protected:
  void FormShow() override;
  bool event(QEvent* event) override;

 private:
  QAction* NewAction(const char* name, const char* hint, const QKeySequence& shortcut, const char* icon);
  void MouseDown(Qt::MouseButton button);
  void UpdatePreview();
};
