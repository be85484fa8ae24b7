#include "ui/mxXPButton.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QEnterEvent>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTimer>
#include <algorithm>

#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"
#include "ui/ImgList_Override.h"

using namespace platform;

namespace {
bool g_themes = false;
constexpr int kStrip = 12;    // the drop strip of a split button
constexpr int kDropRoom = 9;  // room for the mark on a full-drop face
QRect ToQ(const TXPRect& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}
}  // namespace

bool ThemesEnabled() {
  return g_themes;
}
void SetThemesEnabled(bool on) {
  g_themes = on;
}

// ---------------------------------------------------------------------------------------------
// Decisions

TMenuPlacement PlaceMenu(TMenuPopUpDirection direction, int l, int t, int w, int h) {
  switch (direction) {
    case mdLeftDown:
      return {l - 1, t, true, false};
    case mdRightDown:
      return {l + w + 1, t, false, false};
    case mdDownLeft:
      return {l + w, t + h + 1, true, false};
    case mdDownRight:
      return {l, t + h + 1, false, false};
    case mdLeftUp:
      return {l - 1, t, true, true};
    case mdRightUp:
      return {l + w + 1, t, false, true};
    case mdUpLeft:
      return {l + w, t - 2, true, true};
    case mdUpRight:
      return {l, t - 2, false, true};
  }
  return {l, t + h + 1, false, false};
}

TFlatPaintPlan PlanFlatPaint(const TXPButtonLook& s) {
  TFlatPaintPlan plan;
  const bool drop = IsDrop(s);
  const bool split = IsSplit(s);
  TXPRect r{0, 0, s.width, s.height};
  TXPRect d = r;
  if (drop && s.showDropMark) d.left = r.right - kStrip;
  if (split) r.right -= kStrip;
  plan.r = r;
  plan.d = d;
  TColor last = s.color;
  if (!(!s.mouseInside && s.transparent && !s.designing)) {
    plan.fillR = true;
    if (s.down && (s.pressed || s.fullDrop))
      plan.rColor = s.pressedColor;
    else if (s.mouseInside || s.designing)
      plan.rColor = s.focusedColor;
    else
      plan.rColor = s.color;
    last = plan.rColor;
    if (split) {
      plan.fillD = true;
      if (s.down && (!s.pressed || s.designing))
        plan.dColor = s.pressedColor;
      else if (s.mouseInside)
        plan.dColor = s.focusedColor;
      else
        plan.dColor = plan.rColor;
      last = plan.dColor;
    }
  }
  if (s.mouseInside || s.down || s.designing) {
    plan.frameR = true;
    plan.frameRRect = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (split) plan.frameRRect.right += 2;  // the two frames share an edge
    plan.frameColor = (s.mouseInside || s.designing) ? s.borderColor : s.pressedColor;
    if (split) {
      plan.frameD = true;
      plan.frameDRect = {d.left, d.top + 1, d.right - 1, d.bottom - 1};
    }
    last = plan.frameColor;
  }
  if (drop && s.showDropMark) {
    plan.dropMark = true;
    const int cx = d.left + 5;
    const int cy = (d.bottom - d.top) / 2;
    const int pts[3][2] = {{cx, cy + 1}, {cx - 2, cy - 1}, {cx + 2, cy - 1}};
    std::copy(&pts[0][0], &pts[0][0] + 6, &plan.mark[0][0]);
    plan.markBrush = last;
  }
  return plan;
}

TThemedParts PlanThemedParts(const TXPButtonLook& s) {
  TThemedParts parts;
  const bool drop = IsDrop(s);
  const bool split = IsSplit(s);
  const bool hasStrip = drop && s.showDropMark;
  if (!s.enabled) {
    if (!s.showDropMark || !drop)
      parts.inR = tpButtonDisabled;
    else if (s.fullDrop)
      parts.inR = tpDropDownButtonDisabled;
    else
      parts.inR = tpSplitButtonDisabled;
    if (hasStrip) parts.inD = tpSplitDropDownDisabled;
    return parts;
  }
  if (s.isToggle) {
    parts.inR = s.down ? tpButtonChecked : s.mouseInside ? tpButtonHot : tpButtonNormal;
    return parts;
  }
  // The strip's part, as for a split button.
  TThemedPart strip;
  TThemedPart splitMain;
  if (s.down && s.pressed) {
    splitMain = tpSplitButtonPressed;
    strip = tpSplitDropDownHot;
  } else if (s.down) {
    splitMain = tpSplitButtonHot;
    strip = tpSplitDropDownPressed;
  } else if (s.mouseInside) {
    splitMain = tpSplitButtonHot;
    strip = tpSplitDropDownHot;
  } else {
    splitMain = tpSplitButtonNormal;
    strip = tpSplitDropDownNormal;
  }
  if (split)
    parts.inR = splitMain;
  else if (drop && s.fullDrop && s.showDropMark)
    parts.inR = s.down ? tpDropDownButtonPressed : s.mouseInside ? tpDropDownButtonHot : tpDropDownButtonNormal;
  else
    parts.inR = s.down ? tpButtonPressed : s.mouseInside ? tpButtonHot : tpButtonNormal;
  if (hasStrip) parts.inD = strip;
  return parts;
}

TContentLayout LayoutContent(const TXPButtonLook& s, TItemLayout layout, int margin, int distance, int imageW,
                             int imageH, int captionW, int captionH, const std::function<void(TXPRect&)>& adjust) {
  TXPRect r{0, 0, s.width, s.height};
  if (IsSplit(s)) r.right -= kStrip;
  if (!s.isToggle && s.dropsMenu && s.fullDrop) r.right -= kDropRoom;
  r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  const int cw = r.Width(), ch = r.Height();
  TXPRect glyph{0, 0, imageW > 0 ? imageW - 1 : 0, imageH > 0 ? imageH - 1 : 0};
  if (adjust) adjust(glyph);
  const int gw = glyph.Width(), gh = glyph.Height();
  const int tw = captionW, th = captionH;
  TContentLayout out;
  int s2;
  int gx, gy, tx, ty;
  if (layout == ilHorizontal) {
    s2 = distance == -1 ? std::max((cw - tw - gw) / 8, 2) : distance;
    if (tw == 0 || gw == 0) s2 = 0;
    gx = margin >= 0 ? margin : (cw - (tw + gw + s2)) / 2;
    gy = (ch - gh) / 2;
    tx = gx + gw + s2;
    ty = (ch - th) / 2;
  } else {
    s2 = distance == -1 ? std::max((ch - th - gh) / 8, 2) : distance;
    if (th == 0 || gh == 0) s2 = 0;
    gx = (cw - gw) / 2;
    gy = margin >= 0 ? margin : (ch - (th + gh + s2)) / 2;
    tx = (cw - tw) / 2;
    ty = gy + gh + s2;
  }
  out.spacing = s2;
  out.image = {r.left + gx, r.top + gy, r.left + gx + gw, r.top + gy + gh};
  out.caption = {r.left + tx, r.top + ty, r.left + tx + tw, r.top + ty + th};
  return out;
}

bool TXPButtonLogic::InMain(int x, int y) const {
  if (FullDropButton()) return false;
  if (dropsMenu && !fullDrop) return x >= 0 && y >= 0 && x < width - kStrip && y < height;
  return true;
}

void TXPButtonLogic::MouseDown(int button, int x, int y) {
  if (button == 0) clickPending = true;
  if (!isToggle && down) {
    // The release was lost (a menu took it): only come up again.
    down = false;
    bool handled = false;
    if (onUp) onUp(handled);
    clickPending = false;
    Repaint();
    return;
  }
  down = isToggle ? !down : true;
  bool handled = false;
  if (down) {
    if (onDown) onDown(handled);
  } else if (onUp) {
    onUp(handled);
  }
  const bool inMain = InMain(x, y);
  if (!FullDropButton() && (isToggle || inMain) && !handled && inheritedMouseDown) inheritedMouseDown(button, x, y);
  Repaint();
  if (!handled && !isToggle && !inMain && dropsMenu) {
    clickPending = false;
    bool dropHandled = false;
    if (onDropMenu) onDropMenu(dropHandled);
    if (!dropHandled && hasMenu && hasMenu() && dropMenu) dropMenu();
    if (postRelease) postRelease();
  }
}

void TXPButtonLogic::MouseUp(int button, int x, int y) {
  // The click comes first, as the release forms it.
  if (button == 0 && clickPending) {
    clickPending = false;
    if (x >= 0 && y >= 0 && x < width && y < height && click) click();
  }
  bool handled = false;
  if (!isToggle && onUp) onUp(handled);
  if (!FullDropButton() && (InMain(x, y) || isToggle) && !handled && inheritedMouseUp) inheritedMouseUp(button, x, y);
  if (!isToggle) {
    down = false;
    Repaint();
  }
}

void TXPButtonLogic::Release(bool cursorInside) {
  down = false;
  mouseInside = cursorInside;
  Repaint();
}

// ---------------------------------------------------------------------------------------------
// The widget

TmxXPButton::TmxXPButton(QWidget* parent) : QWidget(parent), colors_{clBtnFace, 0xD8ACB0, 0xC7879F, clNavy, clGray} {
  resize(23, 22);
  setAttribute(Qt::WA_Hover);
  setMouseTracking(false);
  logic_.width = width();
  logic_.height = height();
  logic_.onDown = [this](bool& h) {
    if (OnDown) OnDown(this, h);
  };
  logic_.onUp = [this](bool& h) {
    if (OnUp) OnUp(this, h);
  };
  logic_.onDropMenu = [this](bool& h) {
    if (OnDropMenu) OnDropMenu(this, h);
  };
  logic_.inheritedMouseDown = [this](int b, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, b, x, y);
  };
  logic_.inheritedMouseUp = [this](int b, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, b, x, y);
  };
  logic_.hasMenu = [this] { return !menu_.isNull(); };
  logic_.dropMenu = [this] { OpenMenu(); };
  logic_.postRelease = [this] {
    QPointer<TmxXPButton> self(this);
    PostCall([self] {
      if (self) self->logic_.Release(self->rect().contains(self->mapFromGlobal(QCursor::pos())));
    });
  };
  logic_.click = [this] {
    RunGuarded([this] {
      if (action_)
        action_->trigger();
      else if (OnClick)
        OnClick(this);
    });
  };
  logic_.repaint = [this] { update(); };
}

TmxXPButton::~TmxXPButton() = default;

void TmxXPButton::SetColorIndex(int index, TColor c) {
  if (index < 0 || index >= 5 || colors_[index] == c) return;
  colors_[index] = c;
  update();
}

void TmxXPButton::SetUseShadow(bool on) {
  if (on == useShadow_) return;
  useShadow_ = on;
  update();
}

void TmxXPButton::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  update();
}

namespace {
void Relink(QPointer<TImageList>& slot, TImageList* list, QWidget* w) {
  if (slot == list) return;
  if (slot) QObject::disconnect(slot, nullptr, w, nullptr);
  slot = list;
  if (list) QObject::connect(list, &TImageList::Changed, w, [w] { w->update(); });
  w->update();
}
}  // namespace

void TmxXPButton::SetImages(TImageList* list) {
  Relink(images_, list, this);
}
void TmxXPButton::SetDisabled(TImageList* list) {
  Relink(disabled_, list, this);
}
void TmxXPButton::SetHot(TImageList* list) {
  Relink(hot_, list, this);
}

void TmxXPButton::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  update();
}

void TmxXPButton::SetDistance(int d) {
  if (d == distance_) return;
  distance_ = d;
  update();
}

void TmxXPButton::SetMargin(int m) {
  if (m == margin_) return;
  margin_ = m;
  update();
}

void TmxXPButton::SetLayout(TItemLayout l) {
  if (l == layout_) return;
  layout_ = l;
  update();
}

void TmxXPButton::SetIsToggleButton(bool on) {
  if (on == logic_.isToggle) return;
  logic_.isToggle = on;
  update();
}

void TmxXPButton::SetDown(bool down) {
  logic_.down = logic_.isToggle ? down : false;
  update();
}

void TmxXPButton::SetDropdownMenu(QMenu* menu) {
  menu_ = menu;
  logic_.dropsMenu = menu != nullptr;
  update();
}

void TmxXPButton::SetFullDrop(bool on) {
  if (on == logic_.fullDrop) return;
  logic_.fullDrop = on;
  if (!on) showDropMark_ = true;
  update();
}

void TmxXPButton::SetShowDropMark(bool on) {
  showDropMark_ = logic_.fullDrop ? on : true;
  update();
}

void TmxXPButton::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  UpdateShortcut();
  update();
}

void TmxXPButton::SetShowCaption(bool on) {
  if (on == showCaption_) return;
  showCaption_ = on;
  update();
}

void TmxXPButton::SetAction(QAction* action) {
  if (action_) QObject::disconnect(action_, nullptr, this, nullptr);
  action_ = action;
  if (!action) return;
  QObject::connect(action, &QAction::changed, this, [this] { SyncFromAction(); });
  SyncFromAction();
}

void TmxXPButton::SyncFromAction() {
  if (!action_) return;
  SetCaption(action_->text());
  setToolTip(action_->toolTip());
  setEnabled(action_->isEnabled());
  setVisible(action_->isVisible());
  // Assigned while the program runs (never while a form description loads), so the action's image
  // index always applies.
  const QVariant idx = action_->property("imageIndex");
  if (idx.isValid()) SetImageIndex(idx.toInt());
}

void TmxXPButton::UpdateShortcut() {
  delete shortcut_;
  shortcut_ = nullptr;
  // The caption's accelerator: the character after a single "&" ("&&" is a plain ampersand).
  QChar key;
  for (int i = 0; i + 1 < caption_.size(); ++i) {
    if (caption_[i] != QLatin1Char('&')) continue;
    if (caption_[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    key = caption_[i + 1].toUpper();
    break;
  }
  if (key.isNull()) return;
  shortcut_ = new QShortcut(QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key.unicode()))), this);
  shortcut_->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut_, &QShortcut::activated, this, [this] {
    if (isEnabled() && isVisible()) Click();
  });
}

void TmxXPButton::Click() {
  if (logic_.click) logic_.click();
}

TXPButtonLook TmxXPButton::Look() const {
  TXPButtonLook s;
  s.width = width();
  s.height = height();
  s.enabled = isEnabled();
  s.isToggle = logic_.isToggle;
  s.down = logic_.down;
  s.dropsMenu = logic_.dropsMenu;
  s.fullDrop = logic_.fullDrop;
  s.showDropMark = showDropMark_;
  s.mouseInside = logic_.mouseInside;
  s.transparent = transparent_;
  s.pressed = IsDrop(s) && showDropMark_ && logic_.clickPending;
  s.color = ResolveColor(colors_[0]);
  s.focusedColor = ResolveColor(colors_[1]);
  s.pressedColor = ResolveColor(colors_[2]);
  s.borderColor = ResolveColor(colors_[3]);
  return s;
}

TImageList* TmxXPButton::CurrentList() const {
  if (!isEnabled()) return disabled_;
  if (logic_.mouseInside && logic_.down && hot_) return hot_;
  return images_;
}

void TmxXPButton::AdjustGlyphRect(TXPRect&) {}

TContentLayout TmxXPButton::Content() const {
  const TXPButtonLook look = Look();
  TImageList* list = CurrentList();
  int tw = 0, th = 0;
  if (showCaption_ && !caption_.isEmpty()) {
    QRect r = rect();
    CalcTextRect(QFontMetrics(font()), caption_, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
    tw = std::min(r.width(), width());
    th = r.height();
  }
  auto* self = const_cast<TmxXPButton*>(this);
  return LayoutContent(look, layout_, margin_, distance_, list ? list->Width() : 0, list ? list->Height() : 0, tw, th,
                       [self](TXPRect& g) { self->AdjustGlyphRect(g); });
}

void TmxXPButton::PaintFlat(QPainter& p, const TXPButtonLook& look) {
  const TFlatPaintPlan plan = PlanFlatPaint(look);
  if (plan.fillR) p.fillRect(ToQ(plan.r), ToQColor(plan.rColor));
  if (plan.fillD) p.fillRect(ToQ(plan.d), ToQColor(plan.dColor));
  if (plan.frameR) FrameRect(p, ToQ(plan.frameRRect), ToQColor(plan.frameColor));
  if (plan.frameD) FrameRect(p, ToQ(plan.frameDRect), ToQColor(plan.frameColor));
  if (plan.dropMark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ToQColor(plan.markPen), 1));
    p.setBrush(ToQColor(plan.markBrush));
    p.drawPolygon(QPolygon({QPoint(plan.mark[0][0], plan.mark[0][1]), QPoint(plan.mark[1][0], plan.mark[1][1]),
                            QPoint(plan.mark[2][0], plan.mark[2][1])}));
    p.restore();
  }
}

void TmxXPButton::PaintThemed(QPainter& p, const TXPButtonLook& look) {
  const TThemedParts parts = PlanThemedParts(look);
  const bool split = IsSplit(look);
  QRect r = rect();
  QRect d;
  if (parts.inD != tpNone) d = QRect(r.right() - kStrip + 1, r.top(), kStrip, r.height());
  if (split) r.setRight(r.right() - kStrip);
  auto stateOf = [](TThemedPart part) {
    QStyle::State st = QStyle::State_AutoRaise;
    switch (part) {
      case tpButtonDisabled:
      case tpDropDownButtonDisabled:
      case tpSplitButtonDisabled:
      case tpSplitDropDownDisabled:
        return st;
      case tpButtonHot:
      case tpDropDownButtonHot:
      case tpSplitButtonHot:
      case tpSplitDropDownHot:
        return st | QStyle::State_Enabled | QStyle::State_MouseOver | QStyle::State_Raised;
      case tpButtonPressed:
      case tpDropDownButtonPressed:
      case tpSplitButtonPressed:
      case tpSplitDropDownPressed:
        return st | QStyle::State_Enabled | QStyle::State_Sunken;
      case tpButtonChecked:
        return st | QStyle::State_Enabled | QStyle::State_On;
      default:
        return st | QStyle::State_Enabled;
    }
  };
  QStyleOptionToolButton opt;
  opt.initFrom(this);
  opt.rect = r;
  opt.state = stateOf(parts.inR);
  if (opt.state & (QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_On))
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, &p, this);
  if (parts.inD != tpNone) {
    QStyleOptionToolButton dopt;
    dopt.initFrom(this);
    dopt.rect = d;
    dopt.state = stateOf(parts.inD);
    if (dopt.state & (QStyle::State_MouseOver | QStyle::State_Sunken))
      style()->drawPrimitive(QStyle::PE_PanelButtonTool, &dopt, &p, this);
    dopt.rect = d.adjusted(2, 0, -2, 0);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &dopt, &p, this);
  }
}

void TmxXPButton::PaintContent(QPainter& p, const TXPButtonLook& look) {
  const TContentLayout c = Content();
  const bool raised = look.mouseInside && !look.down && !look.designing;
  TImageList* list = CurrentList();
  if (list && imageIndex_ >= 0 && imageIndex_ < list->Count()) {
    const int x = c.image.left, y = c.image.top;
    if (raised) {
      if (useShadow_) {
        // The image's silhouette in the shadow colour, one pixel down and right.
        QImage shadow = list->Image(imageIndex_);
        {
          QPainter sp(&shadow);
          sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
          sp.fillRect(shadow.rect(), ToQColor(ResolveColor(colors_[4])));
        }
        p.drawImage(x + 1, y + 1, shadow);
      }
      list->Draw(p, x, y, imageIndex_, true);
    } else {
      list->Draw(p, x + 1, y + 1, imageIndex_, true);
    }
  }
  if (showCaption_ && !caption_.isEmpty()) {
    p.setFont(font());
    const unsigned flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS;
    QRect at = ToQ(c.caption);
    QRect shifted = at.translated(1, 1);
    const QColor fontColor = palette().color(QPalette::ButtonText);
    if (!look.enabled) {
      p.setPen(ToQColor(clBtnHighlight));
      DrawText(p, caption_, shifted, flags);
      p.setPen(ToQColor(clBtnShadow));
      DrawText(p, caption_, at, flags);
    } else if (look.mouseInside && !look.down) {
      p.setPen(ToQColor(LightenColor(colors_[4])));
      DrawText(p, caption_, shifted, flags);
      p.setPen(fontColor);
      DrawText(p, caption_, at, flags);
    } else {
      p.setPen(fontColor);
      DrawText(p, caption_, shifted, flags);
    }
  }
}

void TmxXPButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TXPButtonLook look = Look();
  // Background: a transparent button lets the parent's styled background show (a widget is
  // transparent unless it paints), or without styles lies on its own colour; an opaque one is
  // covered by the painting below.
  if (transparent_ && !ThemesEnabled()) p.fillRect(rect(), ToQColor(ResolveColor(colors_[0])));
  if (!ThemesEnabled() || look.designing)
    PaintFlat(p, look);
  else
    PaintThemed(p, look);
  PaintContent(p, look);
}

void TmxXPButton::enterEvent(QEnterEvent* ev) {
  logic_.mouseInside = true;
  update();
  QWidget::enterEvent(ev);
}

void TmxXPButton::leaveEvent(QEvent* ev) {
  logic_.mouseInside = false;
  update();
  QWidget::leaveEvent(ev);
}

namespace {
int ButtonOf(Qt::MouseButton b) {
  return b == Qt::RightButton ? 1 : b == Qt::MiddleButton ? 2 : 0;
}
}  // namespace

void TmxXPButton::mousePressEvent(QMouseEvent* ev) {
  if (ev->button() != Qt::LeftButton && ev->button() != Qt::RightButton && ev->button() != Qt::MiddleButton) return;
  logic_.width = width();
  logic_.height = height();
  const QPoint pt = ev->position().toPoint();
  RunGuarded([&] { logic_.MouseDown(ButtonOf(ev->button()), pt.x(), pt.y()); });
}

// Double clicks count as single clicks.
void TmxXPButton::mouseDoubleClickEvent(QMouseEvent* ev) {
  mousePressEvent(ev);
}

void TmxXPButton::mouseReleaseEvent(QMouseEvent* ev) {
  if (ev->button() != Qt::LeftButton && ev->button() != Qt::RightButton && ev->button() != Qt::MiddleButton) return;
  logic_.width = width();
  logic_.height = height();
  const QPoint pt = ev->position().toPoint();
  RunGuarded([&] { logic_.MouseUp(ButtonOf(ev->button()), pt.x(), pt.y()); });
}

void TmxXPButton::changeEvent(QEvent* ev) {
  if (ev->type() == QEvent::EnabledChange || ev->type() == QEvent::FontChange) update();
  QWidget::changeEvent(ev);
}

void TmxXPButton::DropDownFromKeyboard() {
  if (!menu_ || !isEnabled() || !isVisible()) return;
  QPointer<QMenu> menu = menu_;
  // Chosen once the menu shows (it may fill itself as it opens).
  QTimer::singleShot(0, menu, [menu] {
    if (!menu || menu->activeAction()) return;
    for (QAction* item : menu->actions())
      if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
        menu->setActiveAction(item);
        break;
      }
  });
  logic_.down = true;
  update();
  QPointer<TmxXPButton> self(this);
  OpenMenu();
  if (self) logic_.Release(rect().contains(mapFromGlobal(QCursor::pos())));
}

void TmxXPButton::OpenMenu() {
  if (!menu_) return;
  const QPoint tl = mapToGlobal(QPoint(0, 0));
  const TMenuPlacement at = PlaceMenu(direction_, tl.x(), tl.y(), width(), height());
  const QSize size = menu_->sizeHint();
  QPoint pos(at.x, at.y);
  if (at.rightEdgeAtX) pos.rx() -= size.width();
  if (at.bottomAtY) pos.ry() -= size.height();
  QPointer<TmxXPButton> self(this);
  menu_->exec(pos);
  (void)self;
}
