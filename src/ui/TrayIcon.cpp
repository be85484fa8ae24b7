#include "ui/TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

#include "platform/Application.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "ui/ImgList_Override.h"

bool StartMinimized = false;

namespace {

// Cuts UTF-8 text after max characters (never inside a character).
std::string CutUtf8(const std::string& text, std::size_t max) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == max) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

platform::TrayImage ToTrayImage(const QImage& image) {
  platform::TrayImage out;
  if (image.isNull()) return out;
  const QImage img = image.convertToFormat(QImage::Format_ARGB32);
  out.width = img.width();
  out.height = img.height();
  out.argb.resize(std::size_t(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    std::copy(line, line + out.width, out.argb.begin() + std::ptrdiff_t(y) * out.width);
  }
  return out;
}

// Watches the owner's window for being minimised (the application-window hook).
class MinimizeWatcher : public QObject {
 public:
  MinimizeWatcher(ITrayHost& host, QWidget* window) : QObject(window), host_(host) {
    if (window) window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      auto* w = static_cast<QWidget*>(watched);
      if (w->windowState() & Qt::WindowMinimized) {
        // Hiding a window from inside its own state change confuses some window managers: later.
        QPointer<MinimizeWatcher> self(this);
        platform::PostCall([self] {
          if (self && self->host_.OnAppMinimized) self->host_.OnAppMinimized();
        });
      }
    }
    return false;
  }

 private:
  ITrayHost& host_;
};

class QtTrayHost : public ITrayHost {
 public:
  explicit QtTrayHost(QWidget* owner) : owner_(owner) {
    if (owner) watcher_ = new MinimizeWatcher(*this, owner->window());
  }
  ~QtTrayHost() override { delete watcher_.data(); }

  void ShowApp() override { platform::Application().Show(); }
  void HideApp() override { platform::Application().Hide(); }
  void MinimizeApp() override { platform::Application().Minimize(); }
  void SetShowMainForm(bool show) override { platform::Application().ShowMainForm = show; }
  bool OwnerIsWindow() const override { return owner_ != nullptr; }
  bool OwnerVisible() const override { return owner_ && owner_->isVisible(); }
  void ShowOwner() override {
    if (owner_) owner_->show();
  }
  void BringOwnerToFront() override {
    if (!owner_) return;
    owner_->window()->raise();
    owner_->window()->activateWindow();
  }
  QPoint CursorPos() const override { return QCursor::pos(); }
  unsigned KeyboardShift() const override {
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    unsigned s = 0;
    if (m & Qt::ShiftModifier) s |= TTrayIcon::ssShift;
    if (m & Qt::ControlModifier) s |= TTrayIcon::ssCtrl;
    if (m & Qt::AltModifier) s |= TTrayIcon::ssAlt;
    return s;
  }
  void ProcessMessages() override { platform::Application().ProcessMessages(); }
  void PopupMenu(QMenu* menu, QPoint screenPos) override {
    if (menu) menu->exec(screenPos);
  }

 private:
  QPointer<QWidget> owner_;
  QPointer<MinimizeWatcher> watcher_;
};

}  // namespace

std::unique_ptr<ITrayHost> CreateTrayHost(QWidget* owner) {
  return std::make_unique<QtTrayHost>(owner);
}

TTrayIcon::TTrayIcon(QWidget* owner, std::unique_ptr<platform::ITrayBackend> backend, std::unique_ptr<ITrayHost> host)
    : backend_(backend ? std::move(backend) : platform::CreateTrayBackend()),
      host_(host ? std::move(host) : CreateTrayHost(owner)) {
  backend_->OnActivated = [this](platform::TrayActivation a) { OnActivated(a); };
  // The timer runs whenever cycling is switched on; the cycling itself happens in Timer().
  SetOnTimer([](TCustomTimer*) {});
  SetCycleIcons(false);
  SetCycleInterval(200);
  host_->OnAppMinimized = [this] {
    if (minimizeToTray_) platform::RunGuarded([this] { Minimize(); });
  };
  if (StartMinimized) {
    if (backend_->Available()) {
      host_->SetShowMainForm(false);
      Minimize();
    } else {
      // No notification area: the program must stay reachable, so it starts minimised instead of
      // hidden.
      host_->MinimizeApp();
    }
  }
}

TTrayIcon::~TTrayIcon() {
  destroying_ = true;
  host_->OnAppMinimized = nullptr;
  backend_->OnActivated = nullptr;
  imageListLink_.reset();
  // Remove the icon without HideIcon's side effects: the program is going away, and showing its
  // hidden windows again now would only flash them on screen.
  if (visible_) {
    visible_ = false;
    try {
      backend_->Delete(iconId_);
    } catch (...) {
    }
  }
}

void TTrayIcon::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = CutUtf8(hint, kMaxHint);
  ModifyIcon();
}

void TTrayIcon::SetIcon(const QImage& icon) {
  icon_ = icon;
  ModifyIcon();
}

void TTrayIcon::SetImageList(TImageList* list) {
  if (list == imageList_) return;
  imageListLink_.reset();
  imageList_ = list;
  if (list) {
    imageListLink_ = std::make_unique<QObject>();
    QObject::connect(list, &TImageList::Changed, imageListLink_.get(), [this] { ReloadIcon(); });
  }
  ReloadIcon();
}

void TTrayIcon::SetImageIndex(int index) {
  imageIndex_ = index;
  ReloadIcon();
}

void TTrayIcon::ReloadIcon() {
  if (!imageList_) return;
  icon_ = imageList_->Image(imageIndex_);  // null for an index the list does not have
  ModifyIcon();
}

void TTrayIcon::SetIconID(int id) {
  if (id == iconId_) return;
  const bool wasVisible = visible_;
  SetVisible(false);
  iconId_ = id;
  SetVisible(wasVisible);
}

void TTrayIcon::SetShowHint(bool on) {
  if (on == showHint_) return;
  showHint_ = on;
  ModifyIcon();
}

void TTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible)
    ShowIcon();
  else
    HideIcon();
}

platform::TrayIconData TTrayIcon::FillIconData() const {
  platform::TrayIconData d;
  d.id = iconId_;
  d.hasIcon = hasIconFlag_;
  d.icon = ToTrayImage(icon_);
  d.hasTip = true;
  if (showHint_) d.tip = hint_;
  return d;
}

void TTrayIcon::ModifyIcon() {
  backend_->Modify(FillIconData());
}

void TTrayIcon::ShowIcon() {
  hasIconFlag_ = true;
  bool shown = false;
  try {
    shown = backend_->Add(FillIconData());
  } catch (...) {
    hasIconFlag_ = false;
    visible_ = false;
    throw ETrayIcon("Error inserting Icon to Tray!");
  }
  if (!shown) {
    // No notification area, or the desktop refused the icon: nothing can bring a hidden program
    // back, so it is shown again (minimised) and the icon counts as not visible.
    hasIconFlag_ = false;
    visible_ = false;
    if (appHidden_) {
      appHidden_ = false;
      host_->ShowApp();
      host_->MinimizeApp();
    }
    return;
  }
  visible_ = true;
  if (OnShow) OnShow(this);
}

void TTrayIcon::HideIcon() {
  hasIconFlag_ = false;
  try {
    backend_->Delete(iconId_);
  } catch (...) {
    throw ETrayIcon("Error deleting Icon from Tray!");
  }
  visible_ = false;
  if (OnHide) OnHide(this);
  if (minimizeToTray_) ShowApp();
  if (host_->OwnerIsWindow() && !host_->OwnerVisible()) host_->ShowOwner();
}

void TTrayIcon::ShowApp() {
  appHidden_ = false;
  host_->ShowApp();
}

void TTrayIcon::HideApp() {
  if (!backend_->Available()) {
    host_->MinimizeApp();
    return;
  }
  appHidden_ = true;
  host_->HideApp();
}

void TTrayIcon::Minimize() {
  HideApp();
  SetVisible(true);
  // Only a program that really went into the notification area was minimised to it.
  if (visible_ && OnMinimize) OnMinimize(this);
}

void TTrayIcon::PopupAtCursor() {
  if (!popupMenu_) return;
  const QPoint pt = host_->CursorPos();
  host_->ProcessMessages();
  if (!popupMenu_) return;  // freed meanwhile
  host_->BringOwnerToFront();
  host_->PopupMenu(popupMenu_, pt);
  if (OnPopupMenu) OnPopupMenu(this);
}

void TTrayIcon::Click() {
  if (OnClick) OnClick(this);
}

void TTrayIcon::DblClick() {
  if (popupMenu_ && !popupByLeft_) {
    // The menu's first top-level item marked default answers the double click.
    if (QAction* def = popupMenu_->defaultAction()) {
      def->trigger();
      if (OnDblClick) OnDblClick(this);
      host_->BringOwnerToFront();
      return;
    }
  }
  if (host_->OwnerIsWindow()) {
    if (minimizeToTray_ && host_->OwnerVisible())
      HideApp();
    else
      ShowApp();
  }
  if (OnDblClick) OnDblClick(this);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  host_->BringOwnerToFront();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TTrayIcon::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TTrayIcon::Timer() {
  if (imageList_) {
    SetImageIndex(imageIndex_ >= imageList_->Count() - 1 ? 0 : imageIndex_ + 1);
    if (OnCycleIcons) OnCycleIcons(this);
  }
}

void TTrayIcon::HandleCallback(TTrayMessage message) {
  if (!callbacksEnabled_ || destroying_) return;
  const QPoint pt = host_->CursorPos();
  const TShiftState shift = host_->KeyboardShift();
  switch (message) {
    case tmMouseMove:
      MouseMove(shift, pt.x(), pt.y());
      break;
    case tmLButtonDown:
      MouseDown(mbLeft, shift | ssLeft, pt.x(), pt.y());
      clickPending_ = true;
      break;
    case tmLButtonUp:
      MouseUp(mbLeft, shift | ssLeft, pt.x(), pt.y());
      if (clickPending_) Click();
      if (popupByLeft_) PopupAtCursor();
      clickPending_ = false;
      break;
    case tmLButtonDblClk:
      DblClick();
      break;
    case tmRButtonDown:
      MouseDown(mbRight, shift | ssRight, pt.x(), pt.y());
      break;
    case tmRButtonUp:
      MouseUp(mbRight, shift | ssRight, pt.x(), pt.y());
      PopupAtCursor();
      break;
    case tmMButtonDown:
      MouseDown(mbMiddle, shift | ssMiddle, pt.x(), pt.y());
      break;
    case tmMButtonUp:
      MouseUp(mbMiddle, shift | ssMiddle, pt.x(), pt.y());
      break;
    default:
      break;  // the right and middle double clicks have no meaning here
  }
}

void TTrayIcon::OnActivated(platform::TrayActivation activation) {
  // The desktop reports whole gestures; each becomes the button messages it stands for.
  platform::RunGuarded([&] {
    switch (activation) {
      case platform::TrayActivation::Trigger:
        HandleCallback(tmLButtonDown);
        HandleCallback(tmLButtonUp);
        break;
      case platform::TrayActivation::DoubleClick:
        HandleCallback(tmLButtonDblClk);
        break;
      case platform::TrayActivation::MiddleClick:
        HandleCallback(tmMButtonDown);
        HandleCallback(tmMButtonUp);
        break;
      case platform::TrayActivation::Context:
        HandleCallback(tmRButtonDown);
        HandleCallback(tmRButtonUp);
        break;
    }
  });
}

void TTrayIcon::HandleTaskbarCreated() {
  if (visible_) {
    HideIcon();
    ShowIcon();
  }
}
