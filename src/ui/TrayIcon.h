// The program's icon in the desktop's notification area. It adds, changes and removes the icon
// through a tray backend, turns the desktop's gestures on the icon into mouse, click and
// double-click events, pops up its menu, cycles its picture through an image list (the inherited
// timer) and can hide the whole program while only the icon remains.
//
// A desktop without a notification area is a normal case on Linux: the program then never hides
// itself (it minimises normally instead), because a hidden program without an icon could not be
// brought back. Everything that touches windows goes through ITrayHost, so tests drive the
// component with a fake backend and a fake host.
#pragma once

#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "platform/Exceptions.h"
#include "platform/TrayBackend.h"
#include "ui/CustomTimer.h"
#include "ui/ImgList_Override.h"

class QWidget;

class ETrayIcon : public Exception {
 public:
  using Exception::Exception;
};

// The program's start-minimised flag (set from the setting "StartMinimized" before the main window
// is created).
extern bool StartMinimized;

// What the tray icon does to the program's windows and asks of the desktop.
class ITrayHost {
 public:
  virtual ~ITrayHost() = default;
  virtual void ShowApp() = 0;                   // show the program's windows again
  virtual void HideApp() = 0;                   // hide them (only the icon remains)
  virtual void MinimizeApp() = 0;               // minimise the program the ordinary way
  virtual void SetShowMainForm(bool show) = 0;  // whether the entry shows the main window
  virtual bool OwnerIsWindow() const = 0;       // the owner is a window (a widget)
  virtual bool OwnerVisible() const = 0;
  virtual void ShowOwner() = 0;
  virtual void BringOwnerToFront() = 0;
  virtual QPoint CursorPos() const = 0;
  virtual unsigned KeyboardShift() const = 0;  // TTrayIcon::ssShift | ssCtrl | ssAlt
  virtual void ProcessMessages() = 0;
  virtual void PopupMenu(QMenu* menu, QPoint screenPos) = 0;  // returns when the menu has closed

  // Installed by the tray icon: the program was minimised (the application-window hook).
  std::function<void()> OnAppMinimized;
};

// The host of the running program: the application object for the program's windows, the owner
// widget for the rest, and an event filter on the owner's window for the minimise hook.
std::unique_ptr<ITrayHost> CreateTrayHost(QWidget* owner);

class TTrayIcon : public TCustomTimer {
 public:
  enum TMouseButton { mbLeft, mbRight, mbMiddle };
  enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
  using TShiftState = unsigned;
  // The mouse messages of the desktop's callback.
  enum TTrayMessage {
    tmMouseMove,
    tmLButtonDown,
    tmLButtonUp,
    tmLButtonDblClk,
    tmRButtonDown,
    tmRButtonUp,
    tmRButtonDblClk,
    tmMButtonDown,
    tmMButtonUp,
    tmMButtonDblClk
  };
  static constexpr std::size_t kMaxHint = 63;
  static constexpr int kCallbackMessage = 1235;

  using TNotifyEvent = std::function<void(TTrayIcon*)>;
  using TMouseEvent = std::function<void(TTrayIcon*, TMouseButton, TShiftState, int, int)>;
  using TMouseMoveEvent = std::function<void(TTrayIcon*, TShiftState, int, int)>;

  // backend and host default to the running desktop's and the owner's.
  explicit TTrayIcon(QWidget* owner, std::unique_ptr<platform::ITrayBackend> backend = nullptr,
                     std::unique_ptr<ITrayHost> host = nullptr);
  ~TTrayIcon() override;

  // The inherited timer: cycling the picture through the image list.
  bool CycleIcons() const { return Enabled(); }
  void SetCycleIcons(bool on) { SetEnabled(on); }
  unsigned CycleInterval() const { return Interval(); }
  void SetCycleInterval(unsigned ms) { SetInterval(ms); }

  // When false the desktop's gestures on the icon are ignored.
  bool CallbacksEnabled() const { return callbacksEnabled_; }
  void SetCallbacksEnabled(bool on) { callbacksEnabled_ = on; }

  const std::string& Hint() const { return hint_; }  // UTF-8, at most 63 characters
  void SetHint(const std::string& hint);
  const QImage& Icon() const { return icon_; }
  void SetIcon(const QImage& icon);
  TImageList* ImageList() const { return imageList_; }
  void SetImageList(TImageList* list);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  int IconID() const { return iconId_; }
  void SetIconID(int id);
  bool MinimizeToTray() const { return minimizeToTray_; }
  void SetMinimizeToTray(bool on) { minimizeToTray_ = on; }
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  bool PopupByLeft() const { return popupByLeft_; }
  void SetPopupByLeft(bool on) { popupByLeft_ = on; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  // The icon is in the notification area.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Whether the desktop has a notification area.
  bool TrayAvailable() const { return backend_->Available(); }

  TNotifyEvent OnMinimize, OnClick, OnDblClick, OnPopupMenu, OnShow, OnHide, OnCycleIcons;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown, OnMouseUp;

  // Operations of the component.
  platform::TrayIconData FillIconData() const;
  virtual void ModifyIcon();
  // Puts the icon into the notification area. When it cannot be shown, Visible stays false and a
  // program hidden by HideApp is brought back, minimised.
  virtual void ShowIcon();
  virtual void HideIcon();
  virtual void PopupAtCursor();
  virtual void ShowApp();
  // Hides the program, but only where a notification area exists; elsewhere it minimises it.
  virtual void HideApp();
  // Minimises the program into the notification area (hide, icon shown, OnMinimize).
  virtual void Minimize();

  // The desktop's callback message (also what the backend's gestures are turned into).
  void HandleCallback(TTrayMessage message);
  // The desktop's notification area was re-created: a visible icon is added again.
  void HandleTaskbarCreated();

 protected:
  virtual void DblClick();
  virtual void Click();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  void Timer() override;

 private:
  void ReloadIcon();
  void OnActivated(platform::TrayActivation activation);

  std::unique_ptr<platform::ITrayBackend> backend_;
  std::unique_ptr<ITrayHost> host_;
  bool callbacksEnabled_ = true;
  std::string hint_;
  QImage icon_;
  QPointer<TImageList> imageList_;
  std::unique_ptr<QObject> imageListLink_;  // context of the change connection
  int imageIndex_ = 0;
  int iconId_ = 0;
  bool minimizeToTray_ = false;
  QPointer<QMenu> popupMenu_;
  bool popupByLeft_ = false;
  bool showHint_ = true;
  bool visible_ = false;
  bool hasIconFlag_ = false;
  bool clickPending_ = false;
  bool appHidden_ = false;  // the program was hidden by HideApp and not shown since
  bool destroying_ = false;
};
