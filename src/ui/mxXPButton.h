// The image button of every toolbar: a flat button showing an image of an image list and
// optionally a caption, lit up under the mouse, optionally a toggle, optionally dropping a popup
// menu from its whole face or from a 12-pixel strip at its right (a split button). It paints either
// a flat look in its own colours or the desktop style's tool-button look.
//
// The decisions (mouse state machine, menu placement, content layout, the flat look's fills and
// frames, the styled look's parts) are plain code below; TmxXPButton is the widget around them.
#pragma once

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>

#include "ui/ColorTools.h"
#include "ui/ImgList_Override.h"

class QShortcut;

// Whether the desktop style's look is used instead of the flat look (off by default: the flat
// look is the program's own and looks the same everywhere).
bool ThemesEnabled();
void SetThemesEnabled(bool on);

enum TMenuPopUpDirection { mdLeftDown, mdRightDown, mdDownLeft, mdDownRight, mdLeftUp, mdRightUp, mdUpLeft, mdUpRight };
enum TItemLayout { ilHorizontal, ilVertical };

// ---- plain decisions ----

// A half-open rectangle (left <= x < right).
struct TXPRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const TXPRect&) const = default;
};

struct TMenuPlacement {
  int x = 0, y = 0;
  bool rightEdgeAtX = false;  // else the menu's left edge is at x
  bool bottomAtY = false;     // else its top is at y
};
// Where the menu opens for a button at screen (left, top) of size width x height.
TMenuPlacement PlaceMenu(TMenuPopUpDirection direction, int left, int top, int width, int height);

// The state that painting looks at.
struct TXPButtonLook {
  int width = 23, height = 22;
  bool enabled = true;
  bool designing = false;
  bool isToggle = false;
  bool down = false;
  bool dropsMenu = false;
  bool fullDrop = false;
  bool showDropMark = true;
  bool mouseInside = false;
  bool transparent = false;
  bool pressed = false;  // a left click is pending on the button
  TColor color = 0, focusedColor = 0xD8ACB0, pressedColor = 0xC7879F, borderColor = 0x800000;
};

inline bool IsDrop(const TXPButtonLook& s) {
  return !s.isToggle && s.dropsMenu;
}
inline bool IsSplit(const TXPButtonLook& s) {
  return IsDrop(s) && !s.fullDrop && s.showDropMark;
}

// The flat look, as fills and frames to draw in order.
struct TFlatPaintPlan {
  bool fillR = false;
  TXPRect r;
  TColor rColor = 0;
  bool fillD = false;
  TXPRect d;
  TColor dColor = 0;
  bool frameR = false;
  TXPRect frameRRect;
  bool frameD = false;
  TXPRect frameDRect;
  TColor frameColor = 0;
  bool dropMark = false;
  int mark[3][2] = {};  // triangle points
  TColor markPen = 0x202020;
  TColor markBrush = 0;  // the brush colour last used
};
TFlatPaintPlan PlanFlatPaint(const TXPButtonLook& s);

enum TThemedPart {
  tpNone,
  tpButtonNormal,
  tpButtonHot,
  tpButtonPressed,
  tpButtonChecked,
  tpButtonDisabled,
  tpDropDownButtonNormal,
  tpDropDownButtonHot,
  tpDropDownButtonPressed,
  tpDropDownButtonDisabled,
  tpSplitButtonNormal,
  tpSplitButtonHot,
  tpSplitButtonPressed,
  tpSplitButtonDisabled,
  tpSplitDropDownNormal,
  tpSplitDropDownHot,
  tpSplitDropDownPressed,
  tpSplitDropDownDisabled,
};
struct TThemedParts {
  TThemedPart inR = tpNone;
  TThemedPart inD = tpNone;  // tpNone: no drop strip
};
TThemedParts PlanThemedParts(const TXPButtonLook& s);

struct TContentLayout {
  TXPRect image;    // gw x gh at its place (empty size without a list)
  TXPRect caption;  // tw x th at its place
  int spacing = 0;
};
// captionW/H: the caption measured (0 x 0 when none is shown); imageW/H: the list's image size
// (0 without a list). adjust: the glyph-rectangle hook, may be empty.
TContentLayout LayoutContent(const TXPButtonLook& s, TItemLayout layout, int margin, int distance, int imageW,
                             int imageH, int captionW, int captionH,
                             const std::function<void(TXPRect&)>& adjust = nullptr);

// The mouse state machine with its effects as hooks.
class TXPButtonLogic {
 public:
  bool isToggle = false;
  bool down = false;
  bool dropsMenu = false;
  bool fullDrop = false;
  bool mouseInside = false;
  bool clickPending = false;  // the left button went down on the button
  int width = 23, height = 22;

  std::function<void(bool&handled)> onDown, onUp, onDropMenu;
  std::function<void(int button, int x, int y)> inheritedMouseDown, inheritedMouseUp;
  std::function<bool()> hasMenu;      // a drop-down menu is assigned
  std::function<void()> dropMenu;     // open the menu; returns when it has closed
  std::function<void()> postRelease;  // post the release message
  std::function<void()> click;        // the click event
  std::function<void()> repaint;

  bool FullDropButton() const { return !isToggle && dropsMenu && fullDrop; }
  bool InMain(int x, int y) const;

  // button: 0 left, 1 right, 2 middle.
  void MouseDown(int button, int x, int y);
  void MouseUp(int button, int x, int y);
  // The release message after a dropped menu closed.
  void Release(bool cursorInside);

 private:
  void Repaint() {
    if (repaint) repaint();
  }
};

// ---- the widget ----

class TmxXPButton : public QWidget {
 public:
  explicit TmxXPButton(QWidget* parent = nullptr);
  ~TmxXPButton() override;

  // The five colours, index 0..4 in this order.
  TColor Color() const { return colors_[0]; }
  void SetColor(TColor c) { SetColorIndex(0, c); }
  TColor FocusedColor() const { return colors_[1]; }
  void SetFocusedColor(TColor c) { SetColorIndex(1, c); }
  TColor PressedColor() const { return colors_[2]; }
  void SetPressedColor(TColor c) { SetColorIndex(2, c); }
  TColor BorderColor() const { return colors_[3]; }
  void SetBorderColor(TColor c) { SetColorIndex(3, c); }
  TColor ShadowColor() const { return colors_[4]; }
  void SetShadowColor(TColor c) { SetColorIndex(4, c); }
  void SetColorIndex(int index, TColor c);

  bool UseShadow() const { return useShadow_; }
  void SetUseShadow(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* list);
  TImageList* Disabled() const { return disabled_; }
  void SetDisabled(TImageList* list);
  TImageList* Hot() const { return hot_; }
  void SetHot(TImageList* list);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  int Distance() const { return distance_; }
  void SetDistance(int d);
  int Margin() const { return margin_; }
  void SetMargin(int m);
  TItemLayout Layout() const { return layout_; }
  void SetLayout(TItemLayout l);
  bool IsToggleButton() const { return logic_.isToggle; }
  void SetIsToggleButton(bool on);
  bool Down() const { return logic_.down; }
  // External assignment: only a toggle button stays down.
  void SetDown(bool down);
  bool DropsMenu() const { return logic_.dropsMenu; }
  QMenu* DropdownMenu() const { return menu_; }
  void SetDropdownMenu(QMenu* menu);
  bool FullDrop() const { return logic_.fullDrop; }
  void SetFullDrop(bool on);
  bool ShowDropMark() const { return showDropMark_; }
  // Only a full-drop button can hide its mark.
  void SetShowDropMark(bool on);
  TMenuPopUpDirection MenuDirection() const { return direction_; }
  void SetMenuDirection(TMenuPopUpDirection d) { direction_ = d; }
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool on);
  bool MouseInside() const { return logic_.mouseInside; }
  bool ClickPending() const { return logic_.clickPending; }
  // Takes caption, hint, enabled state, visibility and the image index (the action's "imageIndex"
  // property, when it has one) from the action, again on each change, and triggers it on click.
  void SetAction(QAction* action);
  QAction* Action() const { return action_; }

  std::function<void(TmxXPButton*)> OnClick;
  std::function<void(TmxXPButton*, bool&handled)> OnDown, OnUp, OnDropMenu;
  std::function<void(TmxXPButton*, int button, int x, int y)> OnMouseDown, OnMouseUp;

  // The look's state now.
  TXPButtonLook Look() const;
  TContentLayout Content() const;
  // The click event (what the caption's accelerator does).
  void Click();
  // Drops the menu as a key asks for it: the button pressed while the menu is open, the menu's first
  // item chosen, so that the arrows go on from there. Nothing without a menu, or while disabled or
  // hidden.
  void DropDownFromKeyboard();
  QSize sizeHint() const override { return QSize(23, 22); }

 protected:
  // Hook for descendants: the image rectangle before it is placed.
  virtual void AdjustGlyphRect(TXPRect& rect);
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  TImageList* CurrentList() const;
  void PaintFlat(QPainter& p, const TXPButtonLook& look);
  void PaintThemed(QPainter& p, const TXPButtonLook& look);
  void PaintContent(QPainter& p, const TXPButtonLook& look);
  void OpenMenu();
  void UpdateShortcut();
  void SyncFromAction();

  TColor colors_[5];
  bool useShadow_ = true;
  bool transparent_ = false;
  QPointer<TImageList> images_, disabled_, hot_;
  int imageIndex_ = -1;
  int distance_ = -1;
  int margin_ = -1;
  TItemLayout layout_ = ilHorizontal;
  QPointer<QMenu> menu_;
  bool showDropMark_ = true;
  TMenuPopUpDirection direction_ = mdDownRight;
  QString caption_;
  bool showCaption_ = false;
  QPointer<QAction> action_;
  QShortcut* shortcut_ = nullptr;
  TXPButtonLogic logic_;
};
