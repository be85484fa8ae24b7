#include "ui/BaseForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "platform/Application.h"
#include "platform/Timers.h"
#include "platform/qt/QtApplication.h"
#include "ui/CtrlTools.h"
#include "ui/GlyphBase.h"
#include "ui/uNotifyPopup.h"
#include "xml/uGlobalSettings.h"

// ---- the geometry rules ----

namespace formgeometry {

namespace {
// Positions and sizes from a settings file, kept to what a screen can hold (a damaged file may say
// anything, and Qt adds them up in int).
constexpr int kMaxCoordinate = 32767;
int Position(int value) {
  return std::clamp(value, -kMaxCoordinate, kMaxCoordinate);
}
int Size(int value) {
  return std::clamp(value, 0, kMaxCoordinate);
}
}  // namespace

void SavePosition(IFormGeometry& form, TSettings& settings) {
  const bool maximized = form.IsMaximized();
  settings.WriteBool(kMaximized, maximized);
  if (!maximized) {
    settings.WriteInteger(kPosLeft, form.Left());
    settings.WriteInteger(kPosTop, form.Top());
  }
}

void LoadPosition(IFormGeometry& form, TSettings& settings) {
  int left = Position(settings.ReadInteger(kPosLeft, form.Left()));
  int top = Position(settings.ReadInteger(kPosTop, form.Top()));
  if (const auto area = form.AvailableArea(left, top)) {
    // The whole frame inside; where it cannot be, its top-left corner is.
    const int width = form.Width() + form.FrameExtraWidth();
    const int height = form.Height() + form.FrameExtraHeight();
    left = std::max(area->Left, std::min(left, area->Left + area->Width - width));
    top = std::max(area->Top, std::min(top, area->Top + area->Height - height));
  }
  form.MoveTo(left, top);
}

void SaveSize(IFormGeometry& form, TSettings& settings) {
  if (form.IsMaximized()) return;
  settings.WriteInteger(kSizeWidth, form.Width());
  settings.WriteInteger(kSizeHeight, form.Height());
}

void LoadSize(IFormGeometry& form, TSettings& settings) {
  int width = Size(settings.ReadInteger(kSizeWidth, form.Width()));
  int height = Size(settings.ReadInteger(kSizeHeight, form.Height()));
  const int left = Position(settings.ReadInteger(kPosLeft, form.Left()));
  const int top = Position(settings.ReadInteger(kPosTop, form.Top()));
  if (const auto area = form.AvailableArea(left, top)) {
    width = std::min(width, area->Width - form.FrameExtraWidth());
    height = std::min(height, area->Height - form.FrameExtraHeight());
  }
  form.ResizeTo(width, height);
}

void LoadSettings(IFormGeometry& form, TSettings& settings, bool storePosition, bool storeSize) {
  if (settings.ReadBool(kMaximized, false) && form.CanMaximize() && !form.IsMaximized()) form.Maximize();
  if (form.IsMaximized()) return;
  if (storeSize) LoadSize(form, settings);
  if (storePosition) LoadPosition(form, settings);
}

void KeepInsideArea(IFormGeometry& form) {
  if (form.IsMaximized()) return;
  const auto area = form.AvailableArea(form.Left(), form.Top());
  if (!area) return;
  const int width = std::min(form.Width(), area->Width - form.FrameExtraWidth());
  const int height = std::min(form.Height(), area->Height - form.FrameExtraHeight());
  if (width != form.Width() || height != form.Height()) form.ResizeTo(width, height);
  const int left =
      std::max(area->Left, std::min(form.Left(), area->Left + area->Width - width - form.FrameExtraWidth()));
  const int top =
      std::max(area->Top, std::min(form.Top(), area->Top + area->Height - height - form.FrameExtraHeight()));
  if (left != form.Left() || top != form.Top()) form.MoveTo(left, top);
}

void SaveSettings(IFormGeometry& form, TSettings& settings, bool storePosition, bool storeSize) {
  if (storeSize) SaveSize(form, settings);
  if (storePosition) SavePosition(form, settings);
}

}  // namespace formgeometry

namespace {

// The section of a form that runs without the global settings object: reads give the defaults.
class TNullSettings : public TSettings {
 public:
  void Open() override {}
  int ReadInteger(const std::string&, int def) override { return def; }
  bool ReadBool(const std::string&, bool def) override { return def; }
  std::string ReadString(const std::string&, const std::string& def) override { return def; }
  void WriteInteger(const std::string&, int) override {}
  void WriteBool(const std::string&, bool) override {}
  void WriteString(const std::string&, const std::string&) override {}
  bool ValueExists(const std::string&) override { return false; }
  std::unique_ptr<TSettings> OpenSection(const std::string&) override { return std::make_unique<TNullSettings>(); }
};

}  // namespace

// Position is the frame's top-left (pos()), size the client size (size()): the same measure on
// save and load, so a window never drifts by its frame.
class TfrmBaseForm::TGeometryView : public IFormGeometry {
 public:
  explicit TGeometryView(TfrmBaseForm* form) : f_(form) {}
  bool IsMaximized() const override { return f_->windowState() & Qt::WindowMaximized; }
  bool CanMaximize() const override {
    return (f_->borderIcons_ & biMaximize) &&
           (f_->borderStyle_ == TBorderStyle::bsSingle || f_->borderStyle_ == TBorderStyle::bsSizeable);
  }
  void Maximize() override { f_->setWindowState(f_->windowState() | Qt::WindowMaximized); }
  int Left() const override { return f_->pos().x(); }
  int Top() const override { return f_->pos().y(); }
  int Width() const override { return f_->width(); }
  int Height() const override { return f_->height(); }
  void MoveTo(int left, int top) override { f_->move(left, top); }
  std::optional<TArea> AvailableArea(int left, int top) const override {
    QScreen* screen = QGuiApplication::screenAt(QPoint(left, top));
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    const QRect r = screen->availableGeometry();
    return TArea{r.left(), r.top(), r.width(), r.height()};
  }
  // Known once the window has been shown with its frame.
  int FrameExtraWidth() const override { return std::max(0, f_->frameGeometry().width() - f_->width()); }
  int FrameExtraHeight() const override { return std::max(0, f_->frameGeometry().height() - f_->height()); }
  void ResizeTo(int width, int height) override {
    // A stored size never makes the form smaller than its contents need.
    const QSize min = f_->minimumSizeHint().expandedTo(f_->minimumSize());
    f_->resize(std::max(width, std::max(1, min.width())), std::max(height, std::max(1, min.height())));
  }

 private:
  TfrmBaseForm* f_;
};

TfrmBaseForm::TfrmBaseForm(QWidget* owner) : QDialog(owner), geometry_(std::make_unique<TGeometryView>(this)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  ApplyWindowFlags();
}

TfrmBaseForm::~TfrmBaseForm() = default;

TSettings* TfrmBaseForm::GetSettings() {
  if (!settings_) {
    if (TXMLSettings* global = GlobalSettings())
      settings_ = global->OpenSection("");
    else
      settings_ = std::make_unique<TNullSettings>();
  }
  return settings_.get();
}

void TfrmBaseForm::SetSettings(std::unique_ptr<TSettings> section) {
  settings_ = std::move(section);
}

void TfrmBaseForm::SavePosition() {
  formgeometry::SavePosition(*geometry_, *GetSettings());
}
void TfrmBaseForm::LoadPosition() {
  formgeometry::LoadPosition(*geometry_, *GetSettings());
}
void TfrmBaseForm::SaveSize() {
  formgeometry::SaveSize(*geometry_, *GetSettings());
}
void TfrmBaseForm::LoadSize() {
  formgeometry::LoadSize(*geometry_, *GetSettings());
}

void TfrmBaseForm::LoadSettings() {
  SettingsLoaded = true;
  TSettings& s = *GetSettings();
  if (s.ReadBool(formgeometry::kMaximized, false) && geometry_->CanMaximize() && !geometry_->IsMaximized())
    geometry_->Maximize();
  if (geometry_->IsMaximized()) return;
  // Through the virtual operations, so descendants that override them are honoured.
  if (StoreSize) LoadSize();
  if (StorePosition) LoadPosition();
}

void TfrmBaseForm::SaveSettings() {
  if (StoreSize) SaveSize();
  if (StorePosition) SavePosition();
}

void TfrmBaseForm::AdoptChildForm(TfrmBaseForm* child, std::unique_ptr<TSettings> section) {
  if (!section) section = GetSettings()->OpenSection(child->objectName().toStdString());
  child->SetSettings(std::move(section));
  childForms_.emplace_back(child);
  child->LoadSettings();
}

void TfrmBaseForm::ReleaseLater() {
  QPointer<TfrmBaseForm> self(this);
  platform::PostCall([self] {
    if (self) platform::Destroy(self.data());
  });
}

void TfrmBaseForm::StyleNotifyPopup(TNotifyPopup*, int) {}

TNotifyPopup* TfrmBaseForm::ShowNotify(int kind, const std::string& text) {
  auto* popup = new TNotifyPopup(this);
  popup->SetText(QString::fromStdString(text));
  StyleNotifyPopup(popup, kind);
  popup->Popup();
  return popup;
}

QRect TfrmBaseForm::AlignRect() const {
  return rect();
}

void TfrmBaseForm::CustomAlignPosition(TNotifyPopup* popup) {
  if (popup) popup->AlignIn(AlignRect());
}

int TfrmBaseForm::ShowModal() {
  modalResult_ = platform::mrNone;
  setWindowModality(Qt::ApplicationModal);
  inModalLoop_ = true;
  int r = exec();
  inModalLoop_ = false;
  if (r == 0) r = platform::mrCancel;
  modalResult_ = r;
  return r;
}

void TfrmBaseForm::SetModalResult(int result) {
  modalResult_ = result;
  if (result != platform::mrNone && inModalLoop_) done(result);
}

void TfrmBaseForm::SetButtonModalResult(QAbstractButton* button, int result) {
  if (!button) return;
  button->setProperty("modalResult", result);
  QObject::disconnect(button, &QAbstractButton::clicked, this, nullptr);
  if (result != platform::mrNone)
    connect(button, &QAbstractButton::clicked, this, [this, result] { SetModalResult(result); });
}

void TfrmBaseForm::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  ApplyWindowFlags();
}

void TfrmBaseForm::SetBorderIcons(unsigned icons) {
  borderIcons_ = icons;
  ApplyWindowFlags();
}

void TfrmBaseForm::SetClientSize(int width, int height) {
  clientSize_ = QSize(width, height);
  resize(width, height);
}

void TfrmBaseForm::ApplyWindowFlags() {
  const bool visible = isVisible();
  Qt::WindowFlags f;
  const bool dialogLike = borderStyle_ == TBorderStyle::bsDialog || borderStyle_ == TBorderStyle::bsToolWindow ||
                          borderStyle_ == TBorderStyle::bsSizeToolWin;
  f = dialogLike ? Qt::Dialog : Qt::Window;
  if (borderStyle_ == TBorderStyle::bsToolWindow || borderStyle_ == TBorderStyle::bsSizeToolWin) f = Qt::Tool;
  f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (borderStyle_ == TBorderStyle::bsNone) f = Qt::Window | Qt::FramelessWindowHint;
  if (borderIcons_ & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (borderIcons_ & biMinimize) f |= Qt::WindowMinimizeButtonHint;
  // A dialog border has no maximise button, whatever the icons say.
  if ((borderIcons_ & biMaximize) && !dialogLike) f |= Qt::WindowMaximizeButtonHint;
  setWindowFlags(f);
  setSizeGripEnabled(false);
  if (visible) show();
}

int TfrmBaseForm::CaptionWidth(const QString& caption) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(caption) + kFrameButtonsRoom;
}

void TfrmBaseForm::FixDesignedSize() {
  // Grow to fit the desktop font, and wide enough for the caption (a window manager shortens a
  // caption that does not fit beside its frame's buttons); dialogs keep their size after that.
  QSize s = size();
  if (clientSize_.isValid()) s = clientSize_;
  s = s.expandedTo(minimumSizeHint());
  s.setWidth(std::max(s.width(), CaptionWidth(windowTitle())));
  resize(s);
  if (borderStyle_ == TBorderStyle::bsDialog || borderStyle_ == TBorderStyle::bsSingle ||
      borderStyle_ == TBorderStyle::bsToolWindow)
    setFixedSize(s);
}

void TfrmBaseForm::PlaceBeforeShowing() {
  QRect area;
  switch (position_) {
    case TPosition::poDesigned:
    case TPosition::poDefault:
      return;
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter: {
      QScreen* screen = QGuiApplication::primaryScreen();
      if (!screen) return;
      area = screen->availableGeometry();
      break;
    }
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter: {
      QWidget* target = position_ == TPosition::poOwnerFormCenter ? parentWidget() : nullptr;
      if (target) target = target->window();
      if (!target) target = platform::QtApplication().MainWindow();
      if (target && target != this && target->isVisible()) {
        area = target->frameGeometry();
      } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
      } else {
        return;
      }
      break;
    }
  }
  move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void TfrmBaseForm::AfterConstruction() {
  Loaded();
  platform::RunGuarded([this] { FormCreate(); });
  if (VisibleOnCreate) show();
  // The window hook of other systems keeps a taskbar button in step; here changeEvent does the
  // one part that matters (a minimised secondary form minimises the program instead).
  LoadUISettings();
}

void TfrmBaseForm::BeforeDestruction() {
  platform::RunGuarded([this] { SaveSettings(); });
  auto children = std::move(childForms_);
  childForms_.clear();
  for (auto& child : children)
    if (child) platform::Destroy(child.data());
  settings_.reset();
  platform::RunGuarded([this] { FormDestroy(); });
}

// A button with a picture gets the program's grey copy of it as its disabled look, made once here.
static void PrepareDisabledGlyph(QWidget* w) {
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (!button || button->icon().isNull()) return;
  const QIcon icon = button->icon();
  const QSize size = button->iconSize();
  QImage grey = icon.pixmap(size, QIcon::Normal, QIcon::Off).toImage();
  if (grey.isNull()) return;
  GrayBitmap(grey);
  QIcon both;
  both.addPixmap(icon.pixmap(size, QIcon::Normal, QIcon::Off), QIcon::Normal, QIcon::Off);
  both.addPixmap(QPixmap::fromImage(grey), QIcon::Disabled, QIcon::Off);
  button->setIcon(both);
}

void TfrmBaseForm::Loaded() {
  ForEachControl(this, PrepareDisabledGlyph);
  StorePosition = true;
  StoreSize = true;
  settings_.reset();
  SettingsLoaded = false;
}

void TfrmBaseForm::FormShow() {
  if (!SettingsLoaded) LoadSettings();
  QPointer<TfrmBaseForm> self(this);
  if (StorePosition || StoreSize) {
    // The window manager's frame is known only once the window is on the screen: a restored
    // geometry is checked again with it.
    for (int delay : {100, 600})
      QTimer::singleShot(delay, this, [this] {
        if (isVisible() && !Destroying()) formgeometry::KeepInsideArea(Geometry());
      });
  }
  platform::PostCall([self] {
    if (self && !self->Destroying()) platform::RunGuarded([&] { self->AfterShow(); });
  });
}

void TfrmBaseForm::setVisible(bool visible) {
  if (visible && !isVisible() && !showing_) {
    showing_ = true;
    if (!shownOnce_) {
      shownOnce_ = true;
      FixDesignedSize();
      PlaceBeforeShowing();
    }
    platform::RunGuarded([this] { FormShow(); });
    showing_ = false;
  }
  QDialog::setVisible(visible);
}

void TfrmBaseForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (!platform::RunGuarded([&] { FormCloseQuery(canClose); })) canClose = false;
  if (!canClose) {
    event->ignore();
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  platform::RunGuarded([&] { FormClose(action); });
  if (action == TCloseAction::caNone) {
    event->ignore();
    return;
  }
  if (action == TCloseAction::caMinimize) {
    event->ignore();
    setWindowState(windowState() | Qt::WindowMinimized);
    return;
  }
  if (inModalLoop_) {
    if (modalResult_ == platform::mrNone) modalResult_ = platform::mrCancel;
    done(modalResult_);
  }
  event->accept();
  if (action == TCloseAction::caFree) ReleaseLater();
}

void TfrmBaseForm::reject() {
  close();
}

void TfrmBaseForm::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    QAbstractButton* button = defaultButton_;
    // Without a named one, the push button marked as the default, as a dialog has it.
    if (!button)
      for (QPushButton* b : findChildren<QPushButton*>())
        if (b->isDefault() && b->window() == this) button = b;
    if (button && button->isEnabled() && button->isVisible()) {
      button->click();
      return;
    }
  } else if (plain && event->key() == Qt::Key_Escape) {
    if (cancelButton_ && cancelButton_->isEnabled() && cancelButton_->isVisible()) {
      cancelButton_->click();
      return;
    }
    // A modal dialog always closes with Escape (as Cancel); a window that is not modal, such as
    // the main window, stays.
    if (inModalLoop_ && !cancelButton_) {
      close();
      return;
    }
  }
  // Not QDialog's handling: Escape must not close a window that is not modal.
  QWidget::keyPressEvent(event);
}

void TfrmBaseForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || restoringFromMinimize_) return;
  if (!(windowState() & Qt::WindowMinimized)) return;
  // A form other than the main window does not minimise alone: it stays, and the program minimises.
  QWidget* main = platform::QtApplication().MainWindow();
  if (!main || main == this) return;
  if (OnMinimizeCommand) platform::RunGuarded([this] { OnMinimizeCommand(this); });
  restoringFromMinimize_ = true;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  restoringFromMinimize_ = false;
  platform::Application().Minimize();
}

void TfrmBaseForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  for (TNotifyPopup* popup : findChildren<TNotifyPopup*>(Qt::FindDirectChildrenOnly)) popup->ParentResized(event);
}
