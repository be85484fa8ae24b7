#include "ui/UBaseMainForm.h"

#include <QCloseEvent>
#include <QResizeEvent>

#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Timers.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtApplication.h"
#include "ui/GlyphTools.h"

using namespace platform;

namespace {

constexpr int kDesignWidth = 592;  // the toolbar's designed width; btnExit keeps its distance to the right

}  // namespace

void StyleToolbarButton(TmxXPButton* b, TImageList* images, TImageList* disabled) {
  b->SetColor(clBtnFace);
  b->SetFocusedColor(0xD8ACB0);
  b->SetPressedColor(0xC7879F);
  b->SetBorderColor(clNavy);
  b->SetShadowColor(clGray);
  b->SetUseShadow(true);
  b->SetTransparent(true);
  b->SetImages(images);
  b->SetDisabled(disabled);
}

TBaseMainForm::TBaseMainForm(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("BaseMainForm"));
  SetPosition(TPosition::poDesktopCenter);
  resize(kDesignWidth, 400);

  ImageList = new TImageList(16, 16, this);
  ImageList->setObjectName(QStringLiteral("ImageList"));
  ImageList->AddIcon(ThemeIcon(QStringLiteral("application-exit")));  // 0
  ImageList->AddIcon(ThemeIcon(QStringLiteral("open-menu")));         // 1
  DisabledImageList = new TImageList(16, 16, this);
  DisabledImageList->setObjectName(QStringLiteral("DisabledImageList"));

  mainLayout_ = new QVBoxLayout(this);
  mainLayout_->setContentsMargins(0, 0, 0, 0);
  mainLayout_->setSpacing(0);

  Toolbar = new TToolbarPanel(this);
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  Toolbar->setFixedHeight(TToolbarPanel::kHeight);
  Toolbar->resize(kDesignWidth, TToolbarPanel::kHeight);
  Toolbar->installEventFilter(this);
  mainLayout_->addWidget(Toolbar);

  clientArea_ = new QWidget(this);
  clientArea_->setObjectName(QStringLiteral("ClientArea"));
  mainLayout_->addWidget(clientArea_, 1);

  MainMenu = new QMenu(this);
  MainMenu->setObjectName(QStringLiteral("MainMenu"));

  actnExit = new QAction(ImageList->Icon(kImageExit), QStringLiteral("Exit Program"), this);
  actnExit->setObjectName(QStringLiteral("actnExit"));
  actnExit->setToolTip(QStringLiteral("Exit Program"));
  actnExit->setStatusTip(QStringLiteral("Exit Program"));
  actnExit->setProperty("imageIndex", kImageExit);
  connect(actnExit, &QAction::triggered, this, [this] { RunGuarded([this] { actnExitExecute(); }); });
  addAction(actnExit);

  btnMenu = new TmxXPButton(Toolbar);
  btnMenu->setObjectName(QStringLiteral("btnMenu"));
  btnMenu->setGeometry(4, 1, 36, 22);
  btnMenu->setProperty("Tag", -1);  // fixed: the toolbar configuration cannot hide it
  StyleToolbarButton(btnMenu, ImageList, DisabledImageList);
  btnMenu->SetImageIndex(kImageMenu);
  btnMenu->SetDropdownMenu(MainMenu);
  btnMenu->SetFullDrop(true);
  btnMenu->SetCaption(QStringLiteral("Main Menu"));
  btnMenu->setToolTip(btnMenu->Caption());

  // F10 opens the main menu at its button, as the desktops' programs open their main menu: every
  // command of it is then reached with the arrows.
  actnMainMenu = new QAction(btnMenu->Caption(), this);
  actnMainMenu->setObjectName(QStringLiteral("actnMainMenu"));
  actnMainMenu->setShortcut(QKeySequence(Qt::Key_F10));
  actnMainMenu->setShortcutContext(Qt::WindowShortcut);
  connect(actnMainMenu, &QAction::triggered, this, [this] { btnMenu->DropDownFromKeyboard(); });
  addAction(actnMainMenu);

  btnExit = new TmxXPButton(Toolbar);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setGeometry(560, 1, 23, 22);
  StyleToolbarButton(btnExit, ImageList, DisabledImageList);
  btnExit->SetImageIndex(kImageExit);
  btnExit->SetAction(actnExit);
  exitFromRight_ = kDesignWidth - 560;
}

TBaseMainForm::~TBaseMainForm() = default;

void TBaseMainForm::AfterConstruction() {
  TfrmBaseForm::AfterConstruction();
  RunGuarded([this] { RegisterToolbars(); });
  RunGuarded([this] { ToolbarsRegistered(); });
  if (ToolbarLayout) ToolbarLayout->Arrange();
}

void TBaseMainForm::FormCreate() {
  TfrmBaseForm::FormCreate();
  Exiting = false;
  MinimizeOnClose = true;
  ToolbarLayout = std::make_unique<TToolbarLayout>();
  Application().OnMinimize = [this] { ApplicationMinimize(); };
  Application().OnRestore = [this] { ApplicationRestore(); };
  AppIsMinimized = Application().Minimized();
  MakeDisabledImageList(*ImageList, *DisabledImageList);
  // Opens the section at creation.
  GetSettings()->ReadString("dummy", "");
  QtApplicationBackend& backend = QtApplication();
  backend.SetMainWindow(this);
  backend.OnSessionEnd = [this] { EndSession(); };
}

void TBaseMainForm::AppMinimized() {
  AppIsMinimized = true;
}
void TBaseMainForm::AppRestored() {
  AppIsMinimized = false;
}
void TBaseMainForm::MinimizeApp() {
  Application().Minimize();
}
void TBaseMainForm::RestoreApp() {
  Application().Restore();
}

void TBaseMainForm::RegisterToolbars() {
  if (ToolbarLayout) ToolbarLayout->AddControl(0, btnMenu);
}

void TBaseMainForm::actnExitExecute() {
  Exiting = true;
  QPointer<TBaseMainForm> self(this);
  PostCall([self] {
    if (self) self->close();
  });
}

void TBaseMainForm::EndSession() {
  if (closeAccepted_ || Destroying()) return;
  Exiting = true;
  sessionEnded_ = true;
  RunGuarded([this] { SessionEnding(); });
  // Nobody is there to answer. The close waits until the steps that waited for an answer have
  // returned: it may free what they work on.
  QtApplicationBackend& backend = QtApplication();
  backend.CloseModalWindows();
  QPointer<TBaseMainForm> self(this);
  backend.WhenNoModalWindow([self] {
    if (self) self->CloseAndEnd();
  });
}

void TBaseMainForm::CloseAndEnd() {
  if (Destroying()) return;
  if (!closeAccepted_) {
    // A close that waited for the end of the session is still that end.
    endingSession_ = sessionEnded_;
    close();
    endingSession_ = false;
  }
  // Closed with everything kept: the program ends, also from the tray. A window that could not keep
  // its work stays open for its user.
  if (closeAccepted_) Application().Terminate();
}

void TBaseMainForm::FormShow() {
  TfrmBaseForm::FormShow();
  if (ToolbarLayout) ToolbarLayout->Arrange();
}

void TBaseMainForm::FormCloseQuery(bool& canClose) {
  TfrmBaseForm::FormCloseQuery(canClose);
  if (!MainFormCanClose(Exiting, MinimizeOnClose, AppIsMinimized)) {
    canClose = false;
    MinimizeApp();
  } else {
    canClose = true;
  }
}

void TBaseMainForm::closeEvent(QCloseEvent* event) {
  TfrmBaseForm::closeEvent(event);
  if (event->isAccepted()) closeAccepted_ = true;
}

void TBaseMainForm::FormDestroy() {
  RunGuarded([this] { CleanUp(); });
  ToolbarLayout.reset();
  TfrmBaseForm::FormDestroy();
  QtApplicationBackend& backend = QtApplication();
  if (backend.MainWindow() == this) {
    backend.SetMainWindow(nullptr);
    backend.OnSessionEnd = nullptr;
  }
  Application().OnMinimize = nullptr;
  Application().OnRestore = nullptr;
}

bool TBaseMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Toolbar && event->type() == QEvent::Resize && btnExit) {
    // Anchored top and right.
    btnExit->move(Toolbar->width() - exitFromRight_, btnExit->y());
  }
  return TfrmBaseForm::eventFilter(watched, event);
}
