#include "printing/gui/SynPrintPreviewDialog.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStatusTipEvent>
#include <QVBoxLayout>
#include <exception>

#include "platform/Lifecycle.h"
#include "platform/Printer.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtUIServices.h"
#include "printing/SynPageSetupModel.h"
#include "printing/gui/SynPadPrintPreview.h"
#include "printing/gui/SynPageSetupDialog.h"

QCursor MagnifierCursor() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 4));
  p.drawEllipse(QRectF(3, 3, 16, 16));
  p.drawLine(QPointF(17, 17), QPointF(28, 28));
  p.setPen(QPen(Qt::black, 2));
  p.drawEllipse(QRectF(3, 3, 16, 16));
  p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(17, 17), QPointF(27, 27));
  p.setPen(QPen(Qt::black, 1.5));
  p.drawLine(QPointF(7, 11), QPointF(15, 11));
  p.drawLine(QPointF(11, 7), QPointF(11, 15));
  p.end();
  return QCursor(pixmap, 11, 11);
}

TdlgPrintPreview::TdlgPrintPreview(QWidget* owner) : TfrmBaseForm(owner) {
  setObjectName(QStringLiteral("dlgPrintPreview"));
  setWindowTitle(QStringLiteral("Print Preview"));
  SetPosition(TPosition::poDefault);

  tbMain = new QToolBar(this);
  tbMain->setObjectName(QStringLiteral("tbMain"));
  tbMain->setIconSize(QSize(16, 16));
  FirstCmd = NewAction("FirstCmd", "First|Go to first page", QKeySequence(Qt::ALT | Qt::Key_F), "go-first");
  PrevCmd = NewAction("PrevCmd", "Previous|Go to previous page", QKeySequence(Qt::ALT | Qt::Key_P), "go-previous");
  NextCmd = NewAction("NextCmd", "Next|Go to next page", QKeySequence(Qt::ALT | Qt::Key_N), "go-next");
  LastCmd = NewAction("LastCmd", "Last|Go to last page", QKeySequence(Qt::ALT | Qt::Key_L), "go-last");
  ZoomCmd = NewAction("ZoomCmd", "Zoom|Zoom In/Out", QKeySequence(Qt::ALT | Qt::Key_Z), "zoom-in");
  PrintCmd = NewAction("PrintCmd", "Print|Print the document", QKeySequence(Qt::CTRL | Qt::Key_P), "document-print");
  CloseCmd = NewAction("CloseCmd", "Close|Close Print Preview", QKeySequence(Qt::ALT | Qt::Key_C), "window-close");
  // Escape closes the preview as it closes other windows without a cancel button.
  CloseCmd->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_C), QKeySequence(Qt::Key_Escape)});
  PageSetupCmd = NewAction("PageSetupCmd", "Page Setup", QKeySequence(), "document-page-setup");

  pmPreview = new QMenu(this);
  pmPreview->setObjectName(QStringLiteral("pmPreview"));
  const std::pair<const char*, int> zooms[] = {{"Whole page", -1}, {"Page width", -2}, {nullptr, 0},  {"25%", 25},
                                               {"50%", 50},        {"100%", 100},      {"200%", 200}, {"400%", 400}};
  for (auto [caption, tag] : zooms) {
    if (!caption) {
      pmPreview->addSeparator();
      continue;
    }
    QAction* item = pmPreview->addAction(QString::fromLatin1(caption));
    item->setData(tag);
    connect(item, &QAction::triggered, this, [this, tag = tag] {
      if (tag == -1)
        SynPadPrintPreview->SetScaleMode(pscWholePage);
      else if (tag == -2)
        SynPadPrintPreview->SetScaleMode(pscPageWidth);
      else
        SynPadPrintPreview->SetScalePercent(tag);
    });
  }

  tbMain->addAction(FirstCmd);
  tbMain->addAction(PrevCmd);
  tbMain->addAction(NextCmd);
  tbMain->addAction(LastCmd);
  tbMain->addSeparator();
  btnZoom = new QToolButton(tbMain);
  btnZoom->setObjectName(QStringLiteral("btnZoom"));
  btnZoom->setDefaultAction(ZoomCmd);
  btnZoom->setMenu(pmPreview);
  btnZoom->setPopupMode(QToolButton::MenuButtonPopup);
  tbMain->addWidget(btnZoom);
  tbMain->addSeparator();
  tbMain->addAction(PrintCmd);
  tbMain->addAction(PageSetupCmd);
  tbMain->addSeparator();
  tbMain->addAction(CloseCmd);
  for (QAction* a : tbMain->actions())
    if (QWidget* w = tbMain->widgetForAction(a)) w->setMinimumSize(24, 23);

  SynPadPrintPreview = new TSynPadPrintPreview(this);
  SynPadPrintPreview->setObjectName(QStringLiteral("SynPadPrintPreview"));
  SynPadPrintPreview->SetScaleMode(pscPageWidth);
  SynPadPrintPreview->Model().OnPreviewPage = [this](int page) {
    StatusPanel1->setText(QString::fromStdString(PreviewPageText(page)));
  };
  SynPadPrintPreview->OnMouseDown = [this](Qt::MouseButton button) { MouseDown(button); };

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusBar->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(StatusBar);
  StatusPanel1 = new QLabel(StatusBar);
  StatusPanel0->setFixedWidth(400);
  StatusPanel1->setFixedWidth(100);
  StatusBar->addWidget(StatusPanel0);
  StatusBar->addWidget(StatusPanel1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tbMain);
  layout->addWidget(SynPadPrintPreview, 1);
  layout->addWidget(StatusBar);

  connect(FirstCmd, &QAction::triggered, this, [this] { SynPadPrintPreview->FirstPage(); });
  connect(PrevCmd, &QAction::triggered, this, [this] { SynPadPrintPreview->PreviousPage(); });
  connect(NextCmd, &QAction::triggered, this, [this] { SynPadPrintPreview->NextPage(); });
  connect(LastCmd, &QAction::triggered, this, [this] { SynPadPrintPreview->LastPage(); });
  connect(ZoomCmd, &QAction::triggered, this, [this] { SynPadPrintPreview->SetScaleMode(pscWholePage); });
  connect(PrintCmd, &QAction::triggered, this, [this] { platform::RunGuarded([this] { Print(); }); });
  connect(PageSetupCmd, &QAction::triggered, this, [this] { platform::RunGuarded([this] { PageSetup(); }); });
  connect(CloseCmd, &QAction::triggered, this, [this] { close(); });
}

QAction* TdlgPrintPreview::NewAction(const char* name, const char* hint, const QKeySequence& shortcut,
                                     const char* icon) {
  // "short|long": the short part is the tool tip, the long one goes to the status bar.
  const QString text = QString::fromLatin1(hint);
  const QString shortHint = text.section(QLatin1Char('|'), 0, 0);
  const QString longHint = text.contains(QLatin1Char('|')) ? text.section(QLatin1Char('|'), 1) : shortHint;
  auto* action = new QAction(shortHint, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(shortHint);
  action->setStatusTip(longHint);
  action->setIcon(platform::ThemeIcon(QString::fromLatin1(icon)));
  if (!shortcut.isEmpty()) {
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  addAction(action);
  return action;
}

void TdlgPrintPreview::FormShow() {
  TfrmBaseForm::FormShow();
  setWindowState(windowState() | Qt::WindowMaximized);
  SynPadPrintPreview->setCursor(MagnifierCursor());
  UpdatePreview();
  SynPadPrintPreview->FirstPage();
  const std::string printer = platform::Printer().PrinterName();
  if (!printer.empty()) {
    const QString hint = QString::fromStdString(PrintHintFor(printer));
    PrintCmd->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
    PrintCmd->setStatusTip(hint.section(QLatin1Char('|'), 1));
  }
}

bool TdlgPrintPreview::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    StatusPanel0->setText(tip.isEmpty() ? QString() : QStringLiteral("  ") + tip);
    return true;
  }
  return TfrmBaseForm::event(event);
}

void TdlgPrintPreview::UpdatePreview() {
  platform::RunGuarded([this] { SynPadPrintPreview->UpdatePreview(); });
}

void TdlgPrintPreview::MouseDown(Qt::MouseButton button) {
  SynPadPrintPreview->SetScalePercent(
      ZoomClickPercent(SynPadPrintPreview->ScaleMode(), SynPadPrintPreview->ScalePercent(), button == Qt::LeftButton));
}

void TdlgPrintPreview::Print() {
  TSynPadPrint* print = SynPadPrintPreview->SynPadPrint();
  if (!print) return;
  // Whatever printing did, the listener goes, the busy cursor too, and the pages are laid out for
  // the screen again.
  struct After {
    TdlgPrintPreview* self;
    TSynPadPrint* print;
    bool busy = false;
    const int unwinding = std::uncaught_exceptions();
    ~After() {
      print->OnPrintStatus = nullptr;
      if (busy) QApplication::restoreOverrideCursor();
      if (std::uncaught_exceptions() == unwinding) {
        self->UpdatePreview();
        return;
      }
      // Printing failed and its error is on its way to the user: laying out again would most
      // likely fail the same way, and that message once is enough.
      try {
        self->SynPadPrintPreview->UpdatePreview();
      } catch (...) {
      }
    }
  } after{this, print};
  print->OnPrintStatus = [&after](TSynPadPrint*, TSynPrintStatus status, int, bool&) {
    if (status != psBegin || after.busy) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    after.busy = true;
  };
  PrintWithDialog(*print, platform::HandleOf(this));
}

void TdlgPrintPreview::PageSetup() {
  TSynPadPrint* print = SynPadPrintPreview->SynPadPrint();
  if (!print) return;
  platform::Owned<TdlgPageSetup> dialog(platform::Construct<TdlgPageSetup>(this));
  dialog->SetValues(*print);
  if (dialog->ShowModal() == platform::mrOk) {
    dialog->GetValues(*print);
    UpdatePreview();
  }
}
