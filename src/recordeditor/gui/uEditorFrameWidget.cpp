#include "recordeditor/gui/uEditorFrameWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtUIServices.h"
#include "printing/gui/SynPadPrintPreview.h"
#include "printing/gui/SynPrintPreviewDialog.h"
#include "ui/BaseForm.h"
#include "ui/GlyphTools.h"
#include "ui/ImgList_Override.h"
#include "ui/ToolbarPanel.h"
#include "ui/mxXPButton.h"

using namespace platform;

namespace {

constexpr int kToolbarHeight = 26;
constexpr int kTitleHeight = 16;
constexpr int kSplitterWidth = 3;

// The image list, in order; the realign button shows image kAlignImage when the panel is at the
// bottom and the next one when it is on top.
const char* const kImageNames[] = {"document-save-as",
                                   "edit-select-all",
                                   "edit-copy",
                                   "edit-cut",
                                   "edit-paste",
                                   "edit-undo",
                                   "edit-redo",
                                   "edit-find",
                                   "edit-find-next",
                                   "edit-find-replace",
                                   "document-print",
                                   "document-print-preview",
                                   "open-menu",
                                   "view-split-top-bottom",
                                   "go-up",
                                   "go-down"};
constexpr int kViewOptionsImage = 12;
constexpr int kCommentImage = 13;
constexpr int kAlignImage = 14;

struct TActionLook {
  TEditorAction Action;
  int Image;  // -1: none
};
// The toolbar, left to right, before the view options and the comments toggle.
constexpr TActionLook kToolbar[] = {
    {TEditorAction::SaveContentsAs, 0}, {TEditorAction::CopyAll, 1},    {TEditorAction::EditCopy, 2},
    {TEditorAction::EditCut, 3},        {TEditorAction::EditPaste, 4},  {TEditorAction::EditUndo, 5},
    {TEditorAction::EditRedo, 6},       {TEditorAction::FindInText, 7}, {TEditorAction::FindNextText, 8},
    {TEditorAction::FindReplace, 9},    {TEditorAction::Print, 10},     {TEditorAction::PrintPreview, 11},
};
// The code editor's pop-up menu; SeparatorAfter marks where a separator follows.
constexpr TEditorAction kMemoMenu[] = {
    TEditorAction::EditCopy, TEditorAction::EditCut,     TEditorAction::EditPaste,    TEditorAction::EditUndo,
    TEditorAction::EditRedo, TEditorAction::FindInText,  TEditorAction::FindNextText, TEditorAction::FindPreviousText,
    TEditorAction::Print,    TEditorAction::PrintPreview};
constexpr bool SeparatorAfter(TEditorAction a) {
  return a == TEditorAction::EditRedo || a == TEditorAction::FindPreviousText;
}
constexpr TEditorAction kViewOptions[] = {TEditorAction::SpecialChars, TEditorAction::LineNumbers,
                                          TEditorAction::WordWrap};

// "short|long": the tool tip shows the first part, the status bar the second.
void SetHint(QObject* target, const std::string& hint) {
  const size_t bar = hint.find('|');
  const QString tip = QString::fromStdString(hint.substr(0, bar));
  const QString status = QString::fromStdString(bar == std::string::npos ? hint : hint.substr(bar + 1));
  if (auto* action = qobject_cast<QAction*>(target)) {
    action->setToolTip(tip);
    action->setStatusTip(status);
  } else if (auto* widget = qobject_cast<QWidget*>(target)) {
    widget->setToolTip(tip);
    widget->setStatusTip(status);
  }
}

TmxXPButton* NewButton(QWidget* parent, TImageList* images, TImageList* disabled) {
  auto* button = new TmxXPButton(parent);
  button->SetImages(images);
  button->SetDisabled(disabled);
  button->setFixedSize(23, 22);
  return button;
}

}  // namespace

TEditorFrameWidget::TEditorFrameWidget(TdmHighLighters& highlighters, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("EditorFrame"));
  ImageList = new TImageList(16, 16, this);
  for (const char* name : kImageNames) ImageList->AddIcon(ThemeIcon(QString::fromLatin1(name)));
  DisabledImageList = new TImageList(16, 16, this);
  MakeDisabledImageList(*ImageList, *DisabledImageList);

  MemoWindow = new TSynPadWidget(this);
  MemoWindow->setObjectName(QStringLiteral("Memo"));
  BuildComments();
  frame_ = std::make_unique<TEditorFrame>(MemoWindow->Editor(), CommentsWindow->Editor(), *this, highlighters);

  // Notifications (a search that found nothing) slide in over the window the frame sits in.
  frame_->OnNotify = [this](int kind, const std::string& text) {
    if (auto* form = qobject_cast<TfrmBaseForm*>(window())) form->ShowNotify(kind, text);
  };
  BuildActions();
  BuildToolbar();

  Splitter = new QSplitter(Qt::Vertical, this);
  Splitter->setHandleWidth(kSplitterWidth);
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(MemoWindow);
  Splitter->addWidget(CommentsPanel);
  connect(Splitter, &QSplitter::splitterMoved, this, [this] {
    if (!placing_) commentsHeight_ = std::max(0, CommentsPanel->height() - kTitleHeight);
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(EditorToolbar);
  layout->addWidget(Splitter, 1);

  MemoMenu = new QMenu(this);
  for (TEditorAction a : kMemoMenu) {
    MemoMenu->addAction(Action(a));
    if (SeparatorAfter(a)) MemoMenu->addSeparator();
  }
  MemoWindow->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(MemoWindow, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    UpdateActions();
    MemoMenu->popup(MemoWindow->viewport()->mapToGlobal(at));  // the scroll area reports viewport points
  });

  // The enabled states follow focus, selection, undo history and clipboard; they are brought up to
  // date once after a burst of such changes.
  updateTimer_.setSingleShot(true);
  updateTimer_.setInterval(0);
  connect(&updateTimer_, &QTimer::timeout, this, [this] { UpdateActions(); });
  connect(qApp, &QApplication::focusChanged, this, [this] { ScheduleUpdate(); });
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    connect(clipboard, &QClipboard::dataChanged, this, [this] { ScheduleUpdate(); });
  MemoWindow->Editor().OnStatusChange = [this](TCustomSynPad*, TSynStatusChanges) { ScheduleUpdate(); };
  MemoWindow->installEventFilter(this);
  CommentsWindow->installEventFilter(this);

  PlaceComments(true, false);
  UpdateActions();
}

TEditorFrameWidget::~TEditorFrameWidget() {
  // Freeing the child windows moves the focus; nothing of this object may answer that any more.
  disconnect(qApp, nullptr, this, nullptr);
  if (QClipboard* clipboard = QGuiApplication::clipboard()) disconnect(clipboard, nullptr, this, nullptr);
  updateTimer_.stop();
  MemoWindow->Editor().OnStatusChange = nullptr;
  // The frame refers to the editors, which go with their windows.
  frame_.reset();
}

void TEditorFrameWidget::BuildActions() {
  for (int i = 0; i < kEditorActionCount; ++i) {
    const auto action = static_cast<TEditorAction>(i);
    const TEditorActionInfo& info = EditorActionInfo(action);
    auto* a = new QAction(QString::fromUtf8(info.Caption), this);
    a->setObjectName(QString::fromLatin1(info.Name));
    if (*info.ShortCut) {
      a->setShortcut(QKeySequence(QString::fromLatin1(info.ShortCut), QKeySequence::PortableText));
      // The keys act while the focus is inside the frame; a disabled action leaves them to the
      // focused editor.
      a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    if (*info.Hint) SetHint(a, info.Hint);
    a->setCheckable(info.Checkable);
    connect(a, &QAction::triggered, this, [this, action] { Run(action); });
    addAction(a);
    actions_[static_cast<size_t>(i)] = a;
  }
  for (const TActionLook& look : kToolbar) {
    Action(look.Action)->setProperty("imageIndex", look.Image);
    Action(look.Action)->setIcon(ImageList->Icon(look.Image));
  }
}

void TEditorFrameWidget::BuildToolbar() {
  EditorToolbar = new TToolbarPanel(this);
  EditorToolbar->setObjectName(QStringLiteral("EditorToolbar"));
  EditorToolbar->setFixedHeight(kToolbarHeight);
  auto* row = new QHBoxLayout(EditorToolbar);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(1);
  for (const TActionLook& look : kToolbar) {
    TmxXPButton* b = NewButton(EditorToolbar, ImageList, DisabledImageList);
    b->SetAction(Action(look.Action));
    row->addWidget(b);
  }
  EditorOptionsDropdownMenu = new QMenu(this);
  for (TEditorAction a : kViewOptions) EditorOptionsDropdownMenu->addAction(Action(a));
  connect(EditorOptionsDropdownMenu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
  btnViewOptions = NewButton(EditorToolbar, ImageList, DisabledImageList);
  btnViewOptions->setObjectName(QStringLiteral("btnViewOptions"));
  btnViewOptions->SetImageIndex(kViewOptionsImage);
  btnViewOptions->SetDropdownMenu(EditorOptionsDropdownMenu);
  btnViewOptions->SetFullDrop(true);  // it has no command of its own: the whole button opens the menu
  SetHint(btnViewOptions, "View Options");
  btnViewOptions->setFixedSize(33, 22);
  row->addWidget(btnViewOptions);
  row->addStretch(1);
  btnComment = NewButton(EditorToolbar, ImageList, DisabledImageList);
  btnComment->setObjectName(QStringLiteral("btnComment"));
  btnComment->SetIsToggleButton(true);
  btnComment->SetImageIndex(kCommentImage);
  SetHint(btnComment, "Show/Hide Comments Panel");
  btnComment->OnClick = [this](TmxXPButton* b) { RunGuarded([&] { frame_->SetCommentsShown(b->Down()); }); };
  row->addWidget(btnComment);
}

void TEditorFrameWidget::BuildComments() {
  CommentsPanel = new TSimplePanel(this);
  CommentsPanel->setObjectName(QStringLiteral("CommentsPanel"));
  CommentsTitle = new QWidget(CommentsPanel);
  CommentsTitle->setObjectName(QStringLiteral("CommentsTitle"));
  CommentsTitle->setFixedHeight(kTitleHeight);
  CommentsTitle->setAutoFillBackground(true);
  QPalette titlePalette = CommentsTitle->palette();
  titlePalette.setColor(QPalette::Window, titlePalette.color(QPalette::Mid));
  titlePalette.setColor(QPalette::WindowText, titlePalette.color(QPalette::BrightText));
  CommentsTitle->setPalette(titlePalette);
  CommentsCaption = new QLabel(QStringLiteral("Comments"), CommentsTitle);
  QFont small = CommentsCaption->font();
  small.setPixelSize(11);
  small.setBold(true);
  CommentsCaption->setFont(small);
  btnAlignComments = NewButton(CommentsTitle, ImageList, DisabledImageList);
  btnAlignComments->setObjectName(QStringLiteral("btnAlignComments"));
  btnAlignComments->setFixedSize(kTitleHeight, kTitleHeight);
  SetHint(btnAlignComments, EditorActionInfo(TEditorAction::AlignComments).Hint);
  btnAlignComments->OnClick = [this](TmxXPButton*) { Run(TEditorAction::AlignComments); };
  auto* title = new QHBoxLayout(CommentsTitle);
  title->setContentsMargins(4, 0, 0, 0);
  title->setSpacing(0);
  title->addWidget(CommentsCaption);
  title->addStretch(1);
  title->addWidget(btnAlignComments);
  CommentsWindow = new TSynPadWidget(CommentsPanel);
  CommentsWindow->setObjectName(QStringLiteral("Comments"));
  auto* column = new QVBoxLayout(CommentsPanel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(CommentsTitle);
  column->addWidget(CommentsWindow, 1);
}

void TEditorFrameWidget::ScheduleUpdate() {
  if (!updateTimer_.isActive()) updateTimer_.start();
}

void TEditorFrameWidget::UpdateActions() {
  for (int i = 0; i < kEditorActionCount; ++i) {
    const auto action = static_cast<TEditorAction>(i);
    QAction* a = actions_[static_cast<size_t>(i)];
    a->setEnabled(frame_->ActionEnabled(action));
    if (a->isCheckable()) a->setChecked(frame_->ActionChecked(action));
  }
  btnComment->SetDown(frame_->CommentsShown());
}

void TEditorFrameWidget::Run(TEditorAction action) {
  RunGuarded([&] {
    // The state may have changed since the last update (a key arrives before the update does).
    if (!frame_->ActionEnabled(action)) return;
    frame_->Execute(action);
  });
  UpdateActions();
}

// ---------------------------------------------------------------------------------------------
// The frame's view

bool TEditorFrameWidget::MemoEnabled() const {
  return MemoWindow->isEnabled();
}

void TEditorFrameWidget::SetMemoEnabled(bool enabled) {
  MemoWindow->setEnabled(enabled);
  ScheduleUpdate();
}

void TEditorFrameWidget::FocusMemo() {
  MemoWindow->setFocus(Qt::OtherFocusReason);
}

void TEditorFrameWidget::PlaceComments(bool shown, bool onTop) {
  commentsOnTop_ = onTop;
  btnAlignComments->SetImageIndex(kAlignImage + (onTop ? 1 : 0));
  if (Splitter) {
    Splitter->insertWidget(onTop ? 0 : 1, CommentsPanel);
    Splitter->setStretchFactor(Splitter->indexOf(MemoWindow), 1);
    Splitter->setStretchFactor(Splitter->indexOf(CommentsPanel), 0);
  }
  CommentsPanel->setVisible(shown);
  if (btnComment) btnComment->SetDown(frame_ && frame_->CommentsShown());
  ApplySplitterSizes();
}

void TEditorFrameWidget::SetCommentsHeight(int height) {
  commentsHeight_ = std::clamp(height, 0, bank::kMaxCommentPanelHeight);
  ApplySplitterSizes();
}

int TEditorFrameWidget::CommentsPanelHeight() const {
  return commentsHeight_ + kTitleHeight;
}

void TEditorFrameWidget::ApplySplitterSizes() {
  if (!Splitter || !CommentsPanel->isVisibleTo(this)) return;
  const int total = std::max(0, Splitter->height() - Splitter->handleWidth());
  const int panel = std::min(CommentsPanelHeight(), total);
  placing_ = true;
  QList<int> sizes = {total - panel, panel};
  if (commentsOnTop_) std::swap(sizes[0], sizes[1]);
  Splitter->setSizes(sizes);
  placing_ = false;
}

void TEditorFrameWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The panel keeps the height the record asks for; the code takes what is left.
  layout()->activate();
  ApplySplitterSizes();
}

bool TEditorFrameWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == MemoWindow || watched == CommentsWindow)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
      const bool forward = !(mods & Qt::ShiftModifier) && key->key() == Qt::Key_Tab;
      if (OnNextControl)
        RunGuarded([&] { OnNextControl(forward); });
      else
        focusNextPrevChild(forward);
      return true;
    }
    // Shift+F10 is the other key of the context menu: the same request as the Menu key's, at the caret.
    if (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier) {
      auto* editor = static_cast<QWidget*>(watched);
      const QPoint at = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
      QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, editor->mapToGlobal(at), key->modifiers());
      QCoreApplication::sendEvent(editor, &menu);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TEditorFrameWidget::ShowToolbar(bool visible) {
  EditorToolbar->setVisible(visible);
}

void TEditorFrameWidget::ShowPrintPreview(TSynPadPrint& print) {
  Owned<TdlgPrintPreview> preview(Construct<TdlgPrintPreview>(nullptr));
  preview->SynPadPrintPreview->SetSynPadPrint(&print);
  if (RunPrintPreview)
    RunPrintPreview(*preview);
  else
    preview->ShowModal();
  preview->SynPadPrintPreview->SetSynPadPrint(nullptr);
}

WindowHandle TEditorFrameWidget::Window() const {
  return HandleOf(window());
}
