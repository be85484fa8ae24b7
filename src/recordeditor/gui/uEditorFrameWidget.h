// The record editor's window: the editor toolbar, the code editor with its pop-up menu, and the
// comments panel (title bar with the realign button, comments editor) on a splitter above or below
// the code. Every decision is TEditorFrame's (recordeditor/uEditorFrame.h); this widget builds the
// controls, turns the frame's action table into actions, buttons, menus and shortcuts, keeps their
// enabled and checked states current, and is the frame's view.
//
// The main window places the widget and hands Frame() to the databank window as its IEditor. A
// notification of the frame shows on the window the widget sits in, when that is a program form.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "recordeditor/uEditorFrame.h"

class TSynPadWidget;
class TToolbarPanel;
class TSimplePanel;
class TmxXPButton;
class TImageList;
class TdlgPrintPreview;

class TEditorFrameWidget : public QWidget, public IEditorFrameView {
  Q_OBJECT

 public:
  // The highlighter set must outlive the widget.
  explicit TEditorFrameWidget(TdmHighLighters& highlighters, QWidget* parent = nullptr);
  ~TEditorFrameWidget() override;

  TEditorFrame& Frame() { return *frame_; }
  QAction* Action(TEditorAction action) const { return actions_[static_cast<int>(action)]; }
  // Brings every action's enabled and checked state up to date now (it also happens by itself
  // shortly after anything that may change them).
  void UpdateActions();

  TToolbarPanel* EditorToolbar = nullptr;
  QSplitter* Splitter = nullptr;
  TSynPadWidget* MemoWindow = nullptr;
  TSimplePanel* CommentsPanel = nullptr;
  QWidget* CommentsTitle = nullptr;
  QLabel* CommentsCaption = nullptr;
  TmxXPButton* btnAlignComments = nullptr;
  TSynPadWidget* CommentsWindow = nullptr;
  TmxXPButton* btnViewOptions = nullptr;
  TmxXPButton* btnComment = nullptr;
  QMenu* MemoMenu = nullptr;
  QMenu* EditorOptionsDropdownMenu = nullptr;
  TImageList* ImageList = nullptr;
  TImageList* DisabledImageList = nullptr;  // greyed copies, for disabled buttons

  // Ctrl+Tab (forward) or Ctrl+Shift+Tab in either editor; without a handler the focus goes to the
  // next or previous widget of the window.
  std::function<void(bool forward)> OnNextControl;

  // Runs the print preview window; the default shows it modally. Tests look at it instead.
  std::function<void(TdlgPrintPreview& preview)> RunPrintPreview;

  // ---- IEditorFrameView ----
  bool MemoEnabled() const override;
  void SetMemoEnabled(bool enabled) override;
  void FocusMemo() override;
  void PlaceComments(bool shown, bool onTop) override;
  int CommentsHeight() const override { return commentsHeight_; }
  void SetCommentsHeight(int height) override;
  void ShowToolbar(bool visible) override;
  void ShowPrintPreview(TSynPadPrint& print) override;
  platform::WindowHandle Window() const override;

  // The splitter's share for the comments panel (title bar and editor).
  int CommentsPanelHeight() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Ctrl+Tab and Ctrl+Shift+Tab in either editor move the focus to the next or previous control of
  // the window (Tab and Shift+Tab are the editors' own); Shift+F10 opens its menu as the Menu key does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildActions();
  void BuildToolbar();
  void BuildComments();
  void ScheduleUpdate();
  void ApplySplitterSizes();
  void Run(TEditorAction action);

  std::unique_ptr<TEditorFrame> frame_;
  std::array<QAction*, kEditorActionCount> actions_{};
  QTimer updateTimer_;
  int commentsHeight_ = 80;
  bool commentsOnTop_ = false;
  bool placing_ = false;
};
