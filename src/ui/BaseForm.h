// The base of the main window and of most dialogs: geometry remembered in the shared settings
// root, the lifecycle hooks, modal results, the notification popup at the lower right corner.
//
// Forms are made with platform::Construct<T>(owner) and freed with platform::Destroy(form): the
// creation hooks (Loaded, FormCreate, showing when VisibleOnCreate, LoadUISettings, and whatever
// descendants add) run on the finished object, and the closing hooks (SaveSettings, FormDestroy)
// run before any destructor.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "xml/uSettingsBase.h"
class TNotifyPopup;

// The window as the geometry rules see it; the rules are plain code so tests can drive them.
class IFormGeometry {
 public:
  virtual ~IFormGeometry() = default;
  virtual bool IsMaximized() const = 0;
  // The border icons include maximise and the border style is single or sizeable.
  virtual bool CanMaximize() const = 0;
  virtual void Maximize() = 0;
  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void MoveTo(int left, int top) = 0;
  virtual void ResizeTo(int width, int height) = 0;

  // The part of the screen a window may cover (its frame included), of the screen holding the
  // point or else the primary one; none: no limit is known.
  struct TArea {
    int Left = 0, Top = 0, Width = 0, Height = 0;
  };
  virtual std::optional<TArea> AvailableArea(int /*left*/, int /*top*/) const { return std::nullopt; }
  // How much wider and taller the frame is than the size the rules store.
  virtual int FrameExtraWidth() const { return 0; }
  virtual int FrameExtraHeight() const { return 0; }
};

// The five keys every form shares, directly under the settings root.
namespace formgeometry {
inline constexpr const char* kMaximized = "Maximized";
inline constexpr const char* kPosLeft = "posLeft";
inline constexpr const char* kPosTop = "posTop";
inline constexpr const char* kSizeWidth = "sizeWidth";
inline constexpr const char* kSizeHeight = "sizeHeight";

void SavePosition(IFormGeometry& form, TSettings& settings);
void LoadPosition(IFormGeometry& form, TSettings& settings);
void SaveSize(IFormGeometry& form, TSettings& settings);
void LoadSize(IFormGeometry& form, TSettings& settings);
// Maximised when stored so and the form can be; otherwise size, then position, by the flags.
// A stored size or position never puts the window beyond the available area of its screen: it is
// made smaller and moved inside (a size stored at another scale or on a larger screen).
void LoadSettings(IFormGeometry& form, TSettings& settings, bool storePosition, bool storeSize);
// Made to fit the available area and moved inside it, as the stored values are on loading (for a
// window whose frame became known only once it was shown).
void KeepInsideArea(IFormGeometry& form);
// Size, then position, by the flags.
void SaveSettings(IFormGeometry& form, TSettings& settings, bool storePosition, bool storeSize);
}  // namespace formgeometry

// Where a form is placed when it is shown.
enum class TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TfrmBaseForm : public QDialog, public platform::TLifecycle {
  Q_OBJECT

 public:
  explicit TfrmBaseForm(QWidget* owner = nullptr);
  ~TfrmBaseForm() override;

  // ---- fields ----
  bool SettingsLoaded = false;
  bool StorePosition = false;  // both set by Loaded
  bool StoreSize = false;
  std::function<void(TfrmBaseForm* sender)> OnMinimizeCommand;
  std::uint8_t ParentClosingState = 0;
  // Shown at once while it is created (the main window's description says so).
  bool VisibleOnCreate = false;

  // The form's settings section: the settings root of the global settings object, opened on first
  // use (a form without global settings gets a section that keeps nothing).
  TSettings* GetSettings();
  // Gives the form its section (CreateChildForm, tests).
  void SetSettings(std::unique_ptr<TSettings> section);

  // ---- geometry hooks ----
  virtual void SavePosition();
  virtual void LoadPosition();
  virtual void SaveSize();
  virtual void LoadSize();
  virtual void LoadUISettings() {}
  virtual void LoadSettings();
  virtual void SaveSettings();
  // Runs when the message posted by every showing is handled.
  virtual void AfterShow() {}
  virtual bool CanReshowNormal() { return true; }
  virtual bool CanReshowMinimized() { return true; }
  virtual bool CanReshowMaximized() { return true; }

  // A form of class T owned by this one, with `section` as its settings section or, without one,
  // a section below this form's section named after the child's object name; its LoadSettings has
  // run. Freed with this form (before it) unless freed earlier.
  template <class T, class... A>
  T* CreateChildForm(std::unique_ptr<TSettings> section, A&&... args) {
    T* child = platform::Construct<T>(this, std::forward<A>(args)...);
    AdoptChildForm(child, std::move(section));
    return child;
  }
  // Frees the form from the event loop, so a form can end itself from one of its own handlers.
  void ReleaseLater();

  // Styles a popup by kind before it shows (the base leaves the defaults).
  virtual void StyleNotifyPopup(TNotifyPopup* popup, int kind);
  // Creates, styles and starts a notification popup; it frees itself.
  TNotifyPopup* ShowNotify(int kind, const std::string& text);
  // The rectangle child popups align to (the client area; descendants may leave out a status bar).
  virtual QRect AlignRect() const;
  // The custom alignment of a popup child: its left and resting position from AlignRect().
  void CustomAlignPosition(TNotifyPopup* popup);

  // ---- modal use ----
  // Shows the form modally; 1 = OK, 2 = Cancel (also when closed from its frame).
  int ShowModal();
  // Setting a result while the form runs modally ends it with that result.
  void SetModalResult(int result);
  // A button that ends the modal loop with `result` when clicked (0: an ordinary button).
  void SetButtonModalResult(QAbstractButton* button, int result);
  // Enter clicks the default button, Escape the cancel button (when enabled).
  void SetDefaultButton(QAbstractButton* button) { defaultButton_ = button; }
  void SetCancelButton(QAbstractButton* button) { cancelButton_ = button; }

  // ---- window appearance ----
  void SetBorderStyle(TBorderStyle style);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderIcons(unsigned icons);
  void SetPosition(TPosition position) { position_ = position; }
  TPosition Position() const { return position_; }
  // The designed client size; the form grows when its contents need more room.
  void SetClientSize(int width, int height);

  // The geometry view used by the settings rules.
  IFormGeometry& Geometry() { return *geometry_; }

 protected:
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Streaming finished: both store flags set, the settings section forgotten.
  virtual void Loaded();
  // The creation handler (descendants call the inherited one first).
  virtual void FormCreate() {}
  // The show handler, before the window appears (descendants call the inherited one first).
  virtual void FormShow();
  virtual void FormCloseQuery(bool& canClose) { (void)canClose; }
  virtual void FormClose(TCloseAction& action) { (void)action; }
  virtual void FormDestroy() {}

  void setVisible(bool visible) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void reject() override;

 private:
  class TGeometryView;
  void AdoptChildForm(TfrmBaseForm* child, std::unique_ptr<TSettings> section);
  void ApplyWindowFlags();
  void PlaceBeforeShowing();
  void FixDesignedSize();
  // What a frame needs beside its caption: the window's icon and the frame's buttons.
  static constexpr int kFrameButtonsRoom = 120;
  // The width a window needs to show its caption whole (in bold, as frames draw it).
  static int CaptionWidth(const QString& caption);

  std::unique_ptr<TSettings> settings_;
  std::unique_ptr<IFormGeometry> geometry_;
  std::vector<QPointer<TfrmBaseForm>> childForms_;
  QPointer<QAbstractButton> defaultButton_;
  QPointer<QAbstractButton> cancelButton_;
  TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
  unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = TPosition::poDefault;
  int modalResult_ = 0;
  bool inModalLoop_ = false;
  bool shownOnce_ = false;
  bool showing_ = false;
  bool restoringFromMinimize_ = false;
  QSize clientSize_;
};
