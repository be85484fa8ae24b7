#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Timers.h"
#include "platform/qt/QtColors.h"
#include "ui/ImgList_Override.h"
#include "ui/mxXPButton.h"

using namespace platform;

namespace {

// The state machine with every effect recorded; the "menu" is a hook that records its opening.
struct Recorder {
  TXPButtonLogic b;
  std::vector<std::string> log;
  bool handleDown = false, handleUp = false, handleDrop = false, menu = true;
  Recorder() {
    b.width = 40;
    b.height = 22;
    b.onDown = [this](bool& h) {
      log.push_back("OnDown");
      h = handleDown;
    };
    b.onUp = [this](bool& h) {
      log.push_back("OnUp");
      h = handleUp;
    };
    b.onDropMenu = [this](bool& h) {
      log.push_back("OnDropMenu");
      h = handleDrop;
    };
    b.inheritedMouseDown = [this](int, int, int) { log.push_back("mousedown"); };
    b.inheritedMouseUp = [this](int, int, int) { log.push_back("mouseup"); };
    b.hasMenu = [this] { return menu; };
    b.dropMenu = [this] {
      log.push_back("menu");
      // While the menu is open the release goes to the menu, not to the button.
    };
    b.postRelease = [this] { log.push_back("post"); };
    b.click = [this] { log.push_back("click"); };
  }
  void Press(int x = 10, int y = 10) { b.MouseDown(0, x, y); }
  void Release(int x = 10, int y = 10) { b.MouseUp(0, x, y); }
};

TXPButtonLook Hovered() {
  TXPButtonLook s;
  s.width = 23;
  s.height = 22;
  s.color = RGB(212, 208, 200);
  s.mouseInside = true;
  return s;
}

}  // namespace

TEST(mxXPButton, PlainButtonPressesAndPopsBack) {
  Recorder r;
  r.Press();
  EXPECT_TRUE(r.b.down);
  EXPECT_TRUE(r.b.clickPending);
  r.Release();
  EXPECT_FALSE(r.b.down);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "mousedown", "click", "OnUp", "mouseup"}));
  // Released outside: no click.
  r.log.clear();
  r.Press();
  r.Release(100, 10);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "mousedown", "OnUp", "mouseup"}));
  EXPECT_FALSE(r.b.down);
  // OnDown handled suppresses the inherited processing.
  r.log.clear();
  r.handleDown = true;
  r.Press();
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown"}));
}

TEST(mxXPButton, LostReleaseOnlyComesUp) {
  Recorder r;
  r.b.down = true;  // a menu took the release
  r.Press();
  EXPECT_FALSE(r.b.down);
  EXPECT_FALSE(r.b.clickPending);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnUp"}));
  r.Release();
  EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "click"), 0);
}

TEST(mxXPButton, ToggleAlternates) {
  Recorder r;
  r.b.isToggle = true;
  r.Press();
  r.Release();
  EXPECT_TRUE(r.b.down);
  r.Press();
  r.Release();
  EXPECT_FALSE(r.b.down);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "mousedown", "click", "mouseup", "OnUp", "mousedown", "click",
                                             "mouseup"}));
}

TEST(mxXPButton, SplitButtonStripDropsTheMenuWithoutClick) {
  Recorder r;
  r.b.dropsMenu = true;
  r.Press(35, 10);  // the right 12 pixels of a 40-pixel face
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "OnDropMenu", "menu", "post"}));
  EXPECT_FALSE(r.b.clickPending);
  r.b.Release(false);
  EXPECT_FALSE(r.b.down);
  EXPECT_FALSE(r.b.mouseInside);
  // A press on the main part clicks.
  r.log.clear();
  r.Press(10, 10);
  r.Release(10, 10);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "mousedown", "click", "OnUp", "mouseup"}));
  EXPECT_TRUE(r.b.InMain(27, 5));
  EXPECT_FALSE(r.b.InMain(28, 5));
}

TEST(mxXPButton, DropHandledSuppressesTheMenuButStillReleases) {
  Recorder r;
  r.b.dropsMenu = true;
  r.b.fullDrop = true;
  r.handleDrop = true;
  r.Press(5, 5);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "OnDropMenu", "post"}));
  r.b.Release(true);
  EXPECT_FALSE(r.b.down);
  EXPECT_TRUE(r.b.mouseInside);
  // A full-drop button never runs the inherited processing, and no menu without a menu.
  r.log.clear();
  r.handleDrop = false;
  r.menu = false;
  r.Press(5, 5);
  EXPECT_EQ(r.log, (std::vector<std::string>{"OnDown", "OnDropMenu", "post"}));
}

TEST(mxXPButton, MenuPlacementTable) {
  const int L = 100, T = 50, W = 23, H = 22;
  auto at = [&](TMenuPopUpDirection d) { return PlaceMenu(d, L, T, W, H); };
  EXPECT_EQ(at(mdLeftDown).x, 99);
  EXPECT_TRUE(at(mdLeftDown).rightEdgeAtX);
  EXPECT_EQ(at(mdRightDown).x, 124);
  EXPECT_FALSE(at(mdRightDown).rightEdgeAtX);
  EXPECT_EQ(at(mdDownLeft).x, 123);
  EXPECT_EQ(at(mdDownLeft).y, 73);
  EXPECT_EQ(at(mdDownRight).x, 100);
  EXPECT_EQ(at(mdDownRight).y, 73);
  EXPECT_FALSE(at(mdDownRight).bottomAtY);
  EXPECT_TRUE(at(mdLeftUp).bottomAtY);
  EXPECT_EQ(at(mdLeftUp).y, 50);
  EXPECT_EQ(at(mdRightUp).x, 124);
  EXPECT_EQ(at(mdUpLeft).y, 48);
  EXPECT_TRUE(at(mdUpLeft).rightEdgeAtX);
  EXPECT_EQ(at(mdUpRight).x, 100);
  EXPECT_FALSE(at(mdUpRight).rightEdgeAtX);
  EXPECT_TRUE(at(mdUpRight).bottomAtY);
}

TEST(mxXPButton, FlatLookFillsAndFrames) {
  TXPButtonLook s = Hovered();
  TFlatPaintPlan p = PlanFlatPaint(s);
  EXPECT_TRUE(p.fillR);
  EXPECT_EQ(p.rColor, 0xD8ACB0u);
  EXPECT_TRUE(p.frameR);
  EXPECT_EQ(p.frameColor, 0x800000u);
  EXPECT_EQ(p.frameRRect, (TXPRect{1, 1, 22, 21}));
  EXPECT_FALSE(p.dropMark);
  // Idle transparent button: nothing filled, nothing framed.
  s.mouseInside = false;
  s.transparent = true;
  p = PlanFlatPaint(s);
  EXPECT_FALSE(p.fillR);
  EXPECT_FALSE(p.frameR);
  // Down toggle away from the mouse: face colour, frame in the pressed colour.
  s.transparent = false;
  s.isToggle = true;
  s.down = true;
  p = PlanFlatPaint(s);
  EXPECT_EQ(p.rColor, s.color);
  EXPECT_EQ(p.frameColor, 0xC7879Fu);
  // Split button pressed on its face: R pressed, D hovered colour; frames share an edge.
  TXPButtonLook sp = Hovered();
  sp.width = 35;
  sp.dropsMenu = true;
  sp.down = true;
  sp.pressed = true;
  p = PlanFlatPaint(sp);
  EXPECT_EQ(p.r, (TXPRect{0, 0, 23, 22}));
  EXPECT_EQ(p.d, (TXPRect{23, 0, 35, 22}));
  EXPECT_EQ(p.rColor, 0xC7879Fu);
  EXPECT_EQ(p.dColor, 0xD8ACB0u);
  EXPECT_EQ(p.frameRRect, (TXPRect{1, 1, 24, 21}));
  EXPECT_EQ(p.frameDRect, (TXPRect{23, 1, 34, 21}));
  ASSERT_TRUE(p.dropMark);
  EXPECT_EQ(p.mark[0][0], 28);
  EXPECT_EQ(p.mark[0][1], 12);
  EXPECT_EQ(p.mark[1][0], 26);
  EXPECT_EQ(p.mark[2][0], 30);
  EXPECT_EQ(p.mark[2][1], 10);
  EXPECT_EQ(p.markPen, 0x202020u);
  // Dropped from the strip (down, no click pending): D pressed, R hovered.
  sp.pressed = false;
  p = PlanFlatPaint(sp);
  EXPECT_EQ(p.rColor, 0xD8ACB0u);
  EXPECT_EQ(p.dColor, 0xC7879Fu);
}

TEST(mxXPButton, ThemedPartTable) {
  TXPButtonLook s;
  s.dropsMenu = true;  // split
  s.down = true;
  s.pressed = true;
  EXPECT_EQ(PlanThemedParts(s).inR, tpSplitButtonPressed);
  EXPECT_EQ(PlanThemedParts(s).inD, tpSplitDropDownHot);
  s.pressed = false;
  EXPECT_EQ(PlanThemedParts(s).inR, tpSplitButtonHot);
  EXPECT_EQ(PlanThemedParts(s).inD, tpSplitDropDownPressed);
  s.down = false;
  s.mouseInside = true;
  EXPECT_EQ(PlanThemedParts(s).inD, tpSplitDropDownHot);
  s.mouseInside = false;
  EXPECT_EQ(PlanThemedParts(s).inR, tpSplitButtonNormal);
  s.fullDrop = true;
  s.down = true;
  EXPECT_EQ(PlanThemedParts(s).inR, tpDropDownButtonPressed);
  s.showDropMark = false;
  EXPECT_EQ(PlanThemedParts(s).inR, tpButtonPressed);
  EXPECT_EQ(PlanThemedParts(s).inD, tpNone);
  TXPButtonLook t;
  t.isToggle = true;
  t.down = true;
  EXPECT_EQ(PlanThemedParts(t).inR, tpButtonChecked);
  t.down = false;
  t.mouseInside = true;
  EXPECT_EQ(PlanThemedParts(t).inR, tpButtonHot);
  TXPButtonLook d;
  d.enabled = false;
  EXPECT_EQ(PlanThemedParts(d).inR, tpButtonDisabled);
  d.dropsMenu = true;
  EXPECT_EQ(PlanThemedParts(d).inR, tpSplitButtonDisabled);
  EXPECT_EQ(PlanThemedParts(d).inD, tpSplitDropDownDisabled);
  d.fullDrop = true;
  EXPECT_EQ(PlanThemedParts(d).inR, tpDropDownButtonDisabled);
}

TEST(mxXPButton, ContentLayout) {
  TXPButtonLook s;
  s.width = 60;
  // 58 inside, gw 15, caption 20: s = max((58-20-15) div 8, 2) = 2.
  TContentLayout c = LayoutContent(s, ilHorizontal, -1, -1, 16, 16, 20, 13);
  EXPECT_EQ(c.spacing, 2);
  EXPECT_EQ(c.image.left, 1 + (58 - 37) / 2);
  EXPECT_EQ(c.caption.left, c.image.right + 2);
  EXPECT_EQ(c.image.top, 1 + (20 - 15) / 2);
  // Wider face: s grows with the room.
  s.width = 100;
  EXPECT_EQ(LayoutContent(s, ilHorizontal, -1, -1, 16, 16, 20, 13).spacing, (98 - 35) / 8);
  // No caption: no spacing, image centred; a margin puts it at the left.
  c = LayoutContent(s, ilHorizontal, -1, -1, 16, 16, 0, 0);
  EXPECT_EQ(c.spacing, 0);
  c = LayoutContent(s, ilHorizontal, 3, -1, 16, 16, 20, 13);
  EXPECT_EQ(c.image.left, 4);
  // Vertical.
  TXPButtonLook v;
  v.width = 40;
  v.height = 50;
  c = LayoutContent(v, ilVertical, -1, 5, 16, 16, 30, 13);
  EXPECT_EQ(c.spacing, 5);
  EXPECT_EQ(c.caption.top, c.image.bottom + 5);
  EXPECT_EQ(c.caption.left, 1 + (38 - 30) / 2);
  // Full drop: 9 more pixels of room at the right; split: the strip.
  TXPButtonLook f;
  f.width = 40;
  f.dropsMenu = true;
  f.fullDrop = true;
  EXPECT_EQ(LayoutContent(f, ilHorizontal, -1, -1, 16, 16, 0, 0).image.left, 1 + (40 - 9 - 2 - 15) / 2);
  f.fullDrop = false;
  EXPECT_EQ(LayoutContent(f, ilHorizontal, -1, -1, 16, 16, 0, 0).image.left, 1 + (40 - 12 - 2 - 15) / 2);
  // The glyph hook may change the image rectangle.
  c = LayoutContent(s, ilHorizontal, -1, -1, 16, 16, 0, 0, [](TXPRect& r) { r.right = 31; });
  EXPECT_EQ(c.image.Width(), 31);
}

TEST(mxXPButton, SettersFollowTheirRules) {
  TmxXPButton b;
  EXPECT_EQ(b.size(), QSize(23, 22));
  EXPECT_EQ(b.ImageIndex(), -1);
  EXPECT_EQ(b.MenuDirection(), mdDownRight);
  EXPECT_EQ(b.FocusedColor(), 0xD8ACB0u);
  b.SetDown(true);  // not a toggle: stays up
  EXPECT_FALSE(b.Down());
  b.SetIsToggleButton(true);
  b.SetDown(true);
  EXPECT_TRUE(b.Down());
  b.SetShowDropMark(false);  // not a full-drop button: stays true
  EXPECT_TRUE(b.ShowDropMark());
  b.SetFullDrop(true);
  b.SetShowDropMark(false);
  EXPECT_FALSE(b.ShowDropMark());
  auto* menu = new QMenu;
  b.SetDropdownMenu(menu);
  EXPECT_TRUE(b.DropsMenu());
  delete menu;
  EXPECT_EQ(b.DropdownMenu(), nullptr);
  b.SetDropdownMenu(nullptr);
  EXPECT_FALSE(b.DropsMenu());
  auto* list = new TImageList(16, 16);
  b.SetImages(list);
  delete list;
  EXPECT_EQ(b.Images(), nullptr);
}

TEST(mxXPButton, RenderedStatesAndPixels) {
  SetThemesEnabled(false);
  SetSysColorResolver([](int i) -> TColor { return i == COLOR_BTNFACE ? RGB(212, 208, 200) : ClassicSysColor(i); });
  TImageList list(16, 16);
  QImage img(16, 16, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 14; ++x) img.setPixel(x, y, qRgb(0, 160, 0));
  list.Add(img);
  TImageList dis(16, 16);
  dis.Add(list.DisabledImage(0));

  QWidget host;
  host.resize(200, 40);
  TmxXPButton idle(&host), hover(&host), disabled(&host), split(&host);
  for (TmxXPButton* b : {&idle, &hover, &disabled, &split}) {
    b->SetImages(&list);
    b->SetDisabled(&dis);
    b->SetImageIndex(0);
  }
  idle.move(0, 0);
  hover.move(30, 0);
  disabled.move(60, 0);
  disabled.setEnabled(false);
  split.move(90, 0);
  split.resize(35, 22);
  QMenu menu;
  split.SetDropdownMenu(&menu);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(35, 5));
  QApplication::sendEvent(&hover, &enter);
  ASSERT_TRUE(hover.MouseInside());

  const QImage h = hover.grab().toImage().convertToFormat(QImage::Format_RGB32);
  h.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_hover.png"));
  EXPECT_EQ(h.pixel(2, 2) & 0xFFFFFF, 0xB0ACD8u);  // fill $D8ACB0 is RGB(0xB0, 0xAC, 0xD8)
  EXPECT_EQ(h.pixel(1, 1) & 0xFFFFFF, 0x000080u);  // navy frame
  EXPECT_EQ(h.pixel(21, 20) & 0xFFFFFF, 0x000080u);
  EXPECT_EQ(h.pixel(0, 0) & 0xFFFFFF, 0xB0ACD8u);  // outside the frame: still the fill
  // Raised image: picture at the layout's place, grey shadow one pixel down and right.
  const TContentLayout c = hover.Content();
  EXPECT_EQ(h.pixel(c.image.left + 2, c.image.top + 2) & 0xFFFFFF, 0x00A000u);
  EXPECT_EQ(h.pixel(c.image.left + 14, c.image.top + 14) & 0xFFFFFF, 0x808080u);

  const QImage i = idle.grab().toImage().convertToFormat(QImage::Format_RGB32);
  i.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_idle.png"));
  EXPECT_EQ(i.pixel(1, 1) & 0xFFFFFF, 0xD4D0C8u);  // face colour, no frame
  const TContentLayout ci = idle.Content();
  EXPECT_EQ(i.pixel(ci.image.left + 2, ci.image.top + 2) & 0xFFFFFF, 0xD4D0C8u);  // shifted by one
  EXPECT_EQ(i.pixel(ci.image.left + 3, ci.image.top + 3) & 0xFFFFFF, 0x00A000u);

  const QImage d = disabled.grab().toImage().convertToFormat(QImage::Format_RGB32);
  d.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_disabled.png"));
  const TContentLayout cd = disabled.Content();
  const TColor grey = ImageListGrayColor(RGB(0, 160, 0));
  EXPECT_EQ(d.pixel(cd.image.left + 5, cd.image.top + 5) & 0xFFFFFF, ToQColor(grey).rgb() & 0xFFFFFF);

  const QImage s = split.grab().toImage().convertToFormat(QImage::Format_RGB32);
  s.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_split.png"));
  EXPECT_EQ(s.pixel(28, 12) & 0xFFFFFF, 0x202020u);  // tip of the drop mark

  // A disabled button without a Disabled list shows no image.
  TmxXPButton bare(&host);
  bare.SetImages(&list);
  bare.SetImageIndex(0);
  bare.setEnabled(false);
  const QImage b = bare.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) ASSERT_EQ(b.pixel(x, y) & 0xFFFFFF, 0xD4D0C8u) << x << "," << y;
  SetSysColorResolver({});
}

TEST(mxXPButton, WidgetClicksAndReleaseMessage) {
  FakeEventLoop loop;
  ScopedEventLoop scoped(loop);
  TmxXPButton b;
  b.resize(40, 22);
  int clicks = 0;
  b.OnClick = [&](TmxXPButton*) { ++clicks; };
  auto send = [&](QEvent::Type type, QPoint p) {
    QMouseEvent ev(type, QPointF(p), QPointF(b.mapToGlobal(p)), Qt::LeftButton,
                   type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &ev);
  };
  send(QEvent::MouseButtonPress, {10, 10});
  EXPECT_TRUE(b.Down());
  send(QEvent::MouseButtonRelease, {10, 10});
  EXPECT_FALSE(b.Down());
  EXPECT_EQ(clicks, 1);
  send(QEvent::MouseButtonDblClick, {10, 10});  // a double click counts as a press
  send(QEvent::MouseButtonRelease, {10, 10});
  EXPECT_EQ(clicks, 2);
  // Split strip with a drop handler that suppresses the menu: down until the posted release.
  QMenu menu;
  b.SetDropdownMenu(&menu);
  b.OnDropMenu = [](TmxXPButton*, bool& handled) { handled = true; };
  send(QEvent::MouseButtonPress, {35, 10});
  EXPECT_TRUE(b.Down());
  EXPECT_EQ(loop.PendingPosts(), 1u);
  loop.ProcessPosted();
  EXPECT_FALSE(b.Down());
  EXPECT_EQ(clicks, 2);
  // The caption's accelerator clicks.
  b.SetCaption("&Open");
  b.Click();
  EXPECT_EQ(clicks, 3);
}

TEST(mxXPButton, TransparentButtonBackground) {
  SetThemesEnabled(false);
  QWidget host;
  host.resize(40, 30);
  host.setAutoFillBackground(true);
  QPalette pal = host.palette();
  pal.setColor(QPalette::Window, QColor(255, 0, 0));
  host.setPalette(pal);
  TmxXPButton b(&host);
  b.SetColor(RGB(0, 0, 255));
  b.SetTransparent(true);
  // Idle and transparent: the flat look draws nothing, the background is the button's colour.
  QImage img = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(30, 25), qRgb(255, 0, 0));  // outside the button: the parent
  SetThemesEnabled(true);
  img = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(img.pixel(5, 5), qRgb(255, 0, 0));  // styled: the parent shows through
  SetThemesEnabled(false);
}

TEST(mxXPButton, StyledLookDrawsTheHotPanel) {
  SetThemesEnabled(true);
  QWidget host;
  host.resize(80, 30);
  TmxXPButton idle(&host), hot(&host);
  hot.move(40, 0);
  QMenu menu;
  for (TmxXPButton* b : {&idle, &hot}) b->SetDropdownMenu(&menu);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(45, 5));
  QApplication::sendEvent(&hot, &enter);
  const QImage a = idle.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage b = hot.grab().toImage().convertToFormat(QImage::Format_RGB32);
  a.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_styled_idle.png"));
  b.save(QString::fromStdString(testsupport::ArtifactDir() + "/xpbutton_styled_hot.png"));
  EXPECT_NE(a, b);  // the hovered button gets the style's raised panel
  SetThemesEnabled(false);
}

TEST(mxXPButton, ActionLink) {
  QWidget host;
  TmxXPButton b(&host);
  QAction action("E&xit Program");
  action.setProperty("imageIndex", 3);
  action.setToolTip("Exit Program");
  int triggered = 0;
  QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
  b.SetAction(&action);
  EXPECT_EQ(b.Caption(), QString("E&xit Program"));
  EXPECT_EQ(b.ImageIndex(), 3);
  EXPECT_EQ(b.toolTip(), QString("Exit Program"));
  action.setEnabled(false);
  EXPECT_FALSE(b.isEnabled());
  action.setEnabled(true);
  b.Click();
  EXPECT_EQ(triggered, 1);
}
