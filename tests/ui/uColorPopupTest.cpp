#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <cstdint>
#include <set>

#include "TestSupport.h"
#include "platform/qt/QtColors.h"
#include "ui/uColorPopup.h"

using namespace platform;
using M = TColorPopupModel;

namespace {

// Pins the system colours (window white, highlight blue, button face grey, ...) and the section switch.
class ColorPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSysColorResolver([](int i) -> TColor {
      switch (i) {
        case COLOR_WINDOW:
          return clWhite;
        case COLOR_HIGHLIGHT:
          return RGB(0, 0, 200);
        case COLOR_BTNFACE:
          return RGB(212, 208, 200);
        case COLOR_HIGHLIGHTTEXT:
          return RGB(1, 2, 3);
        case COLOR_INFOBK:
          return RGB(1, 2, 3);
        default:
          return ClassicSysColor(i);
      }
    });
    saved_ = ShowSystemColors;
  }
  void TearDown() override {
    ShowSystemColors = saved_;
    SetSysColorResolver({});
  }
  bool saved_ = false;
};

// The comb's channel at brightness 1 in exact arithmetic: 255 * (6 - r + r*cs + k*(ct - cs)) / 6,
// rounded half to even.
int ExactChannel(int r, int k, int cs, int ct) {
  const int num = 255 * (6 - r + r * cs + k * (ct - cs));
  int q = num / 6;
  const int rem = num % 6;
  if (rem * 2 > 6 || (rem * 2 == 6 && (q % 2) == 1)) ++q;
  return q;
}

}  // namespace

TEST_F(ColorPopupTest, LayoutOfTheWorkedExample) {
  ShowSystemColors = true;
  M pop(2, 70, 13);
  EXPECT_EQ(pop.DefaultRect().top, 4);
  EXPECT_EQ(pop.DefaultRect().bottom, 27);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(pop.CellRect(row * 8).top, 27 + 18 * row);
  EXPECT_EQ(pop.SeparatorY(), 119);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(pop.CellRect(40 + row * 8).top, 123 + 18 * row);
  EXPECT_EQ(pop.CustomRect().top, 201);
  EXPECT_EQ(pop.CustomRect().bottom, 224);
  EXPECT_EQ(pop.WindowRect().Height(), 228);
  EXPECT_EQ(pop.WindowRect().Width(), 8 * 18 + 4 + 12);
  EXPECT_EQ(pop.CellRect(0).left, 8);
  EXPECT_EQ(pop.CellRect(7).left, 8 + 7 * 18);
  EXPECT_EQ(pop.SysRows(), 4);
  EXPECT_EQ(M::CombRadius, 63);
  EXPECT_EQ(M::Radius, 11);
  EXPECT_EQ(pop.CombRect(), (TPopupRect{8, 228, 8 + 126, 228 + 126}));
  EXPECT_EQ(pop.GreyRect(), (TPopupRect{8, 228 + 126 - 4, 147, 228 + 126 + 22}));
  EXPECT_EQ(pop.SliderRect(), (TPopupRect{134, 228 + 11, 154, 228 + 126 - 11}));
  // The swatch: an 18-pixel square at the button's right, centred, shrunk by e + 1.
  EXPECT_EQ(pop.PreviewRect().right, pop.CustomRect().right - 2 - 3);
  EXPECT_EQ(pop.PreviewRect().Width(), 18 - 6);

  ShowSystemColors = false;
  M small(2, 70, 13);
  EXPECT_EQ(small.WindowRect().Height(), 152);
  EXPECT_EQ(small.WindowRect().Width(), pop.WindowRect().Width());  // the section only adds height
  EXPECT_EQ(pop.WindowRect().Height() - small.WindowRect().Height(), 72 + 2 * 2);
  EXPECT_EQ(small.CustomRect().top, 201 - 76);
  EXPECT_EQ(small.SysRows(), 0);
  // A wide caption widens the window.
  M wide(2, 300, 13);
  EXPECT_EQ(wide.WindowRect().Width(), 304);
  EXPECT_EQ(wide.DefaultRect().right, 300 + 2 - 6);
}

TEST_F(ColorPopupTest, CellAddressing) {
  ShowSystemColors = true;
  M pop(2, 70, 13);
  int row, col;
  pop.RowCol(-1, row, col);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(col, -1);
  pop.RowCol(M::idxCustom, row, col);
  EXPECT_EQ(row, -2);
  pop.RowCol(64, row, col);
  EXPECT_EQ(row, 8);
  EXPECT_EQ(col, 0);
  EXPECT_EQ(pop.CellAt(4, 7), 39);
  EXPECT_EQ(pop.CellAt(5, 0), 40);
  EXPECT_EQ(pop.CellAt(8, 0), 64);
  EXPECT_EQ(pop.CellAt(8, 1), -1);
  EXPECT_EQ(pop.CellAt(9, 0), -1);
  EXPECT_EQ(pop.CellAt(0, 8), -1);
  EXPECT_EQ(pop.CellAt(-1, 0), -1);
  EXPECT_EQ(pop.CellAt(3, -2), -2);
  EXPECT_EQ(pop.CellAt(-3, 5), -3);
  ShowSystemColors = false;  // read live
  EXPECT_EQ(pop.CellAt(5, 0), -1);
}

TEST_F(ColorPopupTest, HitTestFollowsTheFormula) {
  ShowSystemColors = true;
  M pop(2, 70, 13);
  EXPECT_EQ(pop.HitTest(20, 10), M::idxDefault);
  EXPECT_EQ(pop.HitTest(20, 210), M::idxCustom);
  // Palette cell 0 painted at x 8..26, y 27..45; hit area x 7..24 (x - m), y 28..45 (y - 23 - 5).
  EXPECT_EQ(pop.HitTest(10, 30), 0);
  EXPECT_EQ(pop.HitTest(6, 30), -1);   // x <= m
  EXPECT_EQ(pop.HitTest(10, 27), -1);  // one pixel above the hit rows: the kept offset
  EXPECT_EQ(pop.HitTest(25, 30), 1);   // e pixels left of the painted boundary
  EXPECT_EQ(pop.HitTest(145, 110), 39);
  EXPECT_EQ(pop.HitTest(150, 110), -1);  // painted, but right of the shifted hit area
  // The gap between palette and section hits nothing; the section's rows hit their cells.
  EXPECT_EQ(pop.HitTest(10, 119), -1);
  EXPECT_EQ(pop.HitTest(10, 125), 40);
  EXPECT_EQ(pop.HitTest(145, 165), 63);
  EXPECT_EQ(pop.HitTest(10, 185), 64);
  EXPECT_EQ(pop.HitTest(30, 185), -1);
  EXPECT_EQ(pop.HitTest(158, 30), -1);  // beyond the last column
  ShowSystemColors = false;
  EXPECT_EQ(pop.HitTest(10, 125), -1);
}

TEST_F(ColorPopupTest, KeyboardMoves) {
  ShowSystemColors = true;
  M pop(2, 70, 13);
  auto from = [&](int start, M::TKey key) {
    pop.SetHoverIndex(start);
    pop.Key(key);
    return pop.HoverIndex();
  };
  EXPECT_EQ(from(63, M::kRight), 64);
  EXPECT_EQ(from(64, M::kRight), M::idxCustom);
  EXPECT_EQ(from(57, M::kDown), M::idxCustom);
  EXPECT_EQ(from(56, M::kDown), 64);
  EXPECT_EQ(from(64, M::kDown), M::idxCustom);
  EXPECT_EQ(from(39, M::kRight), 40);
  EXPECT_EQ(from(40, M::kLeft), 39);
  EXPECT_EQ(from(33, M::kDown), 41);
  EXPECT_EQ(from(41, M::kUp), 33);
  EXPECT_EQ(from(M::idxCustom, M::kLeft), 64);
  EXPECT_EQ(from(M::idxCustom, M::kUp), 64);
  EXPECT_EQ(from(M::idxCustom, M::kRight), M::idxDefault);
  EXPECT_EQ(from(M::idxCustom, M::kDown), M::idxDefault);
  EXPECT_EQ(from(M::idxDefault, M::kRight), 0);
  EXPECT_EQ(from(M::idxDefault, M::kDown), 0);
  EXPECT_EQ(from(M::idxDefault, M::kLeft), M::idxCustom);
  EXPECT_EQ(from(M::idxDefault, M::kUp), M::idxCustom);
  EXPECT_EQ(from(0, M::kLeft), M::idxDefault);
  EXPECT_EQ(from(3, M::kUp), M::idxDefault);
  EXPECT_EQ(from(8, M::kLeft), 7);
  // Every system-colour cell is reachable with Right from cell 0.
  std::set<int> seen;
  pop.SetHoverIndex(0);
  for (int i = 0; i < 80 && pop.HoverIndex() != M::idxCustom; ++i) {
    seen.insert(pop.HoverIndex());
    pop.Key(M::kRight);
  }
  EXPECT_EQ(seen.size(), 65u);
  // Nothing hovered and nothing selected: the cursor is row 0, column -1.
  pop.SetHoverIndex(-1);
  pop.SelectIndex(-1);
  pop.Key(M::kRight);
  EXPECT_EQ(pop.HoverIndex(), 0);

  ShowSystemColors = false;
  M off(2, 70, 13);
  off.SetHoverIndex(39);
  off.Key(M::kRight);
  EXPECT_EQ(off.HoverIndex(), M::idxCustom);
  off.Key(M::kLeft);
  EXPECT_EQ(off.HoverIndex(), 39);
  off.SetHoverIndex(35);
  off.Key(M::kDown);
  EXPECT_EQ(off.HoverIndex(), M::idxCustom);
}

TEST_F(ColorPopupTest, EnterAndEscape) {
  M pop(2, 70, 13);
  pop.SetState(M::psShowing);
  pop.Key(M::kEnter);  // nothing hovered: accepted with nothing chosen
  EXPECT_EQ(pop.State(), M::psAccepted);
  EXPECT_EQ(pop.SelectedIndex(), -1);
  EXPECT_EQ(pop.ResultColor(), clDefault);
  M esc(2, 70, 13);
  esc.SetState(M::psShowing);
  esc.Key(M::kEscape);
  EXPECT_EQ(esc.State(), M::psCancelled);
}

TEST_F(ColorPopupTest, SelectingColourValues) {
  ShowSystemColors = true;
  M pop(2, 70, 13);
  pop.SetSelectedColor(0xFF000005);  // "system color: window", although the window is white
  EXPECT_EQ(pop.SelectedIndex(), 45);
  pop.SetSelectedColor(clWhite);
  EXPECT_EQ(pop.SelectedIndex(), 39);
  pop.SetSelectedColor(clDefault);
  EXPECT_EQ(pop.SelectedIndex(), -3);
  pop.SetSelectedColor(clNone);
  EXPECT_EQ(pop.SelectedIndex(), -1);
  pop.SetSelectedColor(0x0000FF);
  EXPECT_EQ(pop.SelectedIndex(), 16);
  // A plain colour that only some system colours have: the first of them in table order.
  pop.SetSelectedColor(RGB(1, 2, 3));
  EXPECT_EQ(pop.SelectedIndex(), 54);
  // A grey of the grey row, then a comb colour: custom, unfolded.
  pop.SetSelectedColor(RGB(225, 225, 225));
  EXPECT_EQ(pop.SelectedIndex(), M::idxCustom);
  EXPECT_EQ(pop.CustomIndex(), -2);
  EXPECT_EQ(pop.CurrentHeight(), pop.GreyRect().bottom + 4);
  const TCombCell c = pop.CombCells()[30];
  pop.SetSelectedColor(c.color);
  EXPECT_EQ(pop.SelectedIndex(), M::idxCustom);
  EXPECT_EQ(pop.CombCells()[std::size_t(pop.CustomIndex() - 1)].color, c.color);
  EXPECT_EQ(pop.ResultColor(), c.color);
  pop.SetSelectedColor(RGB(7, 77, 177));  // nowhere
  EXPECT_EQ(pop.SelectedIndex(), -1);
  EXPECT_EQ(pop.CustomIndex(), 0);

  ShowSystemColors = false;
  M off(2, 70, 13);
  off.SetSelectedColor(0xFF000005);  // resolved: white, the palette's "White"
  EXPECT_EQ(off.SelectedIndex(), 39);
  off.SetSelectedColor(clHighlight);  // (0,0,200): neither palette, grey nor comb
  EXPECT_EQ(off.SelectedIndex(), -1);
  off.SetSelectedColor(RGB(1, 2, 3));
  EXPECT_EQ(off.SelectedIndex(), -1);
}

TEST_F(ColorPopupTest, CombAndGreys) {
  M pop(2, 70, 13);
  const auto& comb = pop.CombCells();
  ASSERT_EQ(comb.size(), 127u);
  EXPECT_EQ(comb[0].color, clWhite);
  EXPECT_EQ(comb[0].x, 0);
  EXPECT_EQ(comb[0].y, 0);
  static const int corners[6][3] = {{1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
  const double pi = 3.14159265358979323846;
  const double dist = std::cos(pi / 6) * 63;
  int ties = 0;
  std::size_t n = 1;
  for (int s = 0; s < 6; ++s) {
    const int t = (s + 1) % 6;
    for (int r = 1; r <= 6; ++r)
      for (int k = 0; k < r; ++k, ++n) {
        const TCombCell& c = comb[n];
        const int red = ExactChannel(r, k, corners[s][0], corners[t][0]);
        const int green = ExactChannel(r, k, corners[s][1], corners[t][1]);
        const int blue = ExactChannel(r, k, corners[s][2], corners[t][2]);
        EXPECT_EQ(c.color, RGB(std::uint8_t(red), std::uint8_t(green), std::uint8_t(blue))) << "cell " << n;
        for (int ch = 0; ch < 3; ++ch)
          if ((255 * (6 - r + r * corners[s][ch] + k * (corners[t][ch] - corners[s][ch]))) % 6 == 3) ++ties;
        // Position: r/6 of the way to the ring, k/r along the side, within a pixel.
        const double ax = std::sin(pi / 180 * (90 - 60 * s)) * dist, ay = std::cos(pi / 180 * (90 - 60 * s)) * dist;
        const double bx = std::sin(pi / 180 * (90 - 60 * t)) * dist, by = std::cos(pi / 180 * (90 - 60 * t)) * dist;
        const double x = r / 6.0 * (ax + double(k) / r * (bx - ax));
        const double y = r / 6.0 * (ay + double(k) / r * (by - ay));
        EXPECT_NEAR(c.x, x, 1.0) << "cell " << n;
        EXPECT_NEAR(c.y, y, 1.0) << "cell " << n;
      }
  }
  EXPECT_EQ(ties, 117);  // the exact halves the rounding must send to even
  // Corner 0 lies straight right, corner 1 60 degrees clockwise (downwards on screen).
  EXPECT_EQ(comb[16].y, 0);  // sector 0, ring 6, k 0
  EXPECT_GT(comb[16].x, 50);
  EXPECT_GT(comb[37].y, 40);  // sector 1, ring 6, k 0
  EXPECT_EQ(comb[16].color, RGB(255, 0, 255));

  const auto& greys = pop.GreyCells();
  ASSERT_EQ(greys.size(), 17u);
  EXPECT_EQ(greys[0].color, clWhite);
  EXPECT_EQ(greys[0].x, 11);
  EXPECT_EQ(greys[0].y, 11);
  for (int i = 1; i <= 15; ++i) {
    const int level = (16 - i) * 15;
    EXPECT_EQ(greys[std::size_t(i)].color, RGB(std::uint8_t(level), std::uint8_t(level), std::uint8_t(level)));
    EXPECT_EQ(greys[std::size_t(i)].x, (i - 1) * 5 + 33);
    EXPECT_EQ(greys[std::size_t(i)].y, 6 + (i % 2 == 0 ? 8 : 0));
  }
  EXPECT_EQ(greys[16].color, clBlack);
  EXPECT_EQ(greys[16].x, 5 * 16 + 33 + 11);
  EXPECT_EQ(greys[16].y, 11);

  // Brightness: the comb is rebuilt once with the darker centre.
  const int builds = pop.CombBuilds();
  pop.SetBrightness(0.5);
  EXPECT_EQ(pop.CombCells()[0].color, RGB(128, 128, 128));  // 127.5 -> 128
  pop.CombCells();
  EXPECT_EQ(pop.CombBuilds(), builds + 1);
  EXPECT_EQ(pop.CombCells()[16].color, RGB(255, 0, 255));  // the corners stay
}

TEST_F(ColorPopupTest, MouseChoosesCellsDefaultAndSystemColours) {
  ShowSystemColors = true;
  {
    M pop(2, 70, 13);
    pop.SetState(M::psShowing);
    pop.MouseDown(10, 30, true);
    EXPECT_EQ(pop.MouseUp(10, 30), M::upAccept);
    EXPECT_EQ(pop.ResultColor(), clBlack);
  }
  {
    M pop(2, 70, 13);  // "system color: highlight" is cell 53: row 6, column 5
    pop.SetState(M::psShowing);
    const int x = 5 * 18 + 6 + 4, y = 23 + 5 + 6 + 6 * 18 + 4;
    ASSERT_EQ(pop.HitTest(x, y), 53);
    pop.MouseDown(x, y, true);
    EXPECT_EQ(pop.MouseUp(x, y), M::upAccept);
    EXPECT_EQ(pop.ResultColor(), 0xFF00000Du);
  }
  {
    M pop(2, 70, 13);
    pop.SetState(M::psShowing);
    pop.MouseDown(20, 10, true);
    EXPECT_EQ(pop.MouseUp(20, 10), M::upAccept);
    EXPECT_EQ(pop.ResultColor(), clDefault);
  }
  {
    M pop(2, 70, 13);  // the gap keeps the popup open
    pop.SetState(M::psShowing);
    pop.MouseDown(10, 119, true);
    EXPECT_EQ(pop.MouseUp(10, 119), M::upKeepOpen);
    EXPECT_EQ(pop.State(), M::psShowing);
    pop.MouseDown(-5, 10, false);  // a click outside cancels
    EXPECT_EQ(pop.State(), M::psCancelled);
  }
}

TEST_F(ColorPopupTest, CustomUnfoldsThenCombGreyAndSlider) {
  M pop(2, 70, 13);
  pop.SetState(M::psShowing);
  const int folded = pop.CurrentHeight();
  pop.MouseDown(20, pop.CustomRect().top + 5, true);
  EXPECT_EQ(pop.MouseUp(20, pop.CustomRect().top + 5), M::upKeepOpen);
  EXPECT_EQ(pop.SelectedIndex(), M::idxCustom);
  EXPECT_GT(pop.CurrentHeight(), folded);
  EXPECT_EQ(pop.CurrentHeight(), pop.GreyRect().bottom + 4);
  // The slider: dragging changes the centre colour and keeps the popup open.
  const TPopupRect sl = pop.SliderRect();
  const int mid = sl.top + sl.Height() / 2;
  pop.MouseDown(sl.left + 3, mid, true);
  EXPECT_EQ(pop.DragMode(), M::dmSlider);
  pop.MouseMove(sl.left + 4, sl.bottom + 40, true, true);  // beyond the end: clamped to black
  EXPECT_DOUBLE_EQ(pop.Brightness(), 0.0);
  pop.MouseMove(sl.left + 4, mid, true, true);
  EXPECT_NEAR(pop.Brightness(), 0.5, 0.02);
  EXPECT_EQ(pop.MouseUp(sl.left + 4, mid), M::upKeepOpen);
  EXPECT_EQ(pop.State(), M::psShowing);
  EXPECT_NE(pop.CombCells()[0].color, clWhite);
  // A comb cell: the popup closes with its colour.
  const TCombCell c = pop.CombCells()[5];
  const int cx = pop.CombRect().left + M::CombRadius + c.x, cy = pop.CombRect().top + M::CombRadius + c.y;
  pop.MouseDown(cx, cy, true);
  EXPECT_EQ(pop.DragMode(), M::dmComb);
  EXPECT_EQ(pop.CustomIndex(), 6);
  EXPECT_EQ(pop.MouseUp(cx, cy), M::upAccept);
  EXPECT_EQ(pop.ResultColor(), c.color);

  M grey(2, 70, 13);
  grey.SetState(M::psShowing);
  grey.SelectIndex(M::idxCustom);
  const TCombCell g = grey.GreyCells()[16];  // black, hit within Radius
  const int gx = grey.GreyRect().left + g.x + 8, gy = grey.GreyRect().top + g.y;
  grey.MouseDown(gx, gy, true);
  EXPECT_EQ(grey.CustomIndex(), -17);
  EXPECT_EQ(grey.MouseUp(gx, gy), M::upAccept);
  EXPECT_EQ(grey.ResultColor(), clBlack);
}

TEST_F(ColorPopupTest, PlacementStaysOnScreen) {
  M pop(2, 70, 13);
  const QRect screen(0, 0, 800, 600);
  EXPECT_EQ(pop.Place({100, 100}, screen), QPoint(100, 100));
  EXPECT_EQ(pop.Place({790, 580}, screen), QPoint(800 - pop.WindowRect().Width(), 600 - pop.CurrentHeight()));
  EXPECT_EQ(pop.Place({-30, -40}, screen), QPoint(0, -40));  // near the top it is not moved
  const QRect second(1920, 0, 1280, 1024);                   // a second monitor
  EXPECT_EQ(pop.Place({3190, 10}, second), QPoint(1920 + 1280 - pop.WindowRect().Width(), 10));
}

TEST_F(ColorPopupTest, RenderedPopupShowsTheTableColours) {
  ShowSystemColors = true;
  TColorPopup popup;
  popup.SetSelectedColor(0x0000FF);
  QImage img = popup.Render();
  img.save(QString::fromStdString(testsupport::ArtifactDir() + "/colorpopup.png"));
  const M& m = popup.Model();
  auto centre = [&](int i) {
    const TPopupRect r = m.CellRect(i);
    return img.pixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  EXPECT_EQ(centre(16), qRgb(255, 0, 0));   // "Red" is 0x0000FF
  EXPECT_EQ(centre(13), qRgb(0, 0, 255));   // "Blue" is 0xFF0000
  EXPECT_EQ(centre(9), qRgb(255, 102, 0));  // "Orange" 0x0066FF
  EXPECT_EQ(centre(53), qRgb(0, 0, 200));   // highlight's current value
  // The selected cell's background is the button-highlight colour.
  const TPopupRect r16 = m.CellRect(16);
  EXPECT_EQ(img.pixel(r16.left + 1, r16.top + 1) & 0xFFFFFF, ToQColor(clBtnHighlight).rgb() & 0xFFFFFF);

  TColorPopup unfolded;
  unfolded.Model().SelectIndex(M::idxCustom);
  QImage big = unfolded.Render();
  big.save(QString::fromStdString(testsupport::ArtifactDir() + "/colorpopup_custom.png"));
  ASSERT_EQ(big.height(), unfolded.Model().GreyRect().bottom + 4);
  const TPopupRect cr = unfolded.Model().CombRect();
  EXPECT_EQ(big.pixel(cr.left + M::CombRadius, cr.top + M::CombRadius), qRgb(255, 255, 255));
  const TCombCell corner = unfolded.Model().CombCells()[16];  // magenta corner
  EXPECT_EQ(big.pixel(cr.left + M::CombRadius + corner.x, cr.top + M::CombRadius + corner.y), qRgb(255, 0, 255));
  const TPopupRect sl = unfolded.Model().SliderRect();
  EXPECT_EQ(big.pixel(sl.left + 2, sl.top), qRgb(255, 255, 255));
  EXPECT_EQ(big.pixel(sl.left + 2, sl.bottom - 1), qRgb(0, 0, 0));
}

TEST_F(ColorPopupTest, ShowColorPopupRunsUntilAChoice) {
  auto sendKey = [](int key) {
    QTimer::singleShot(0, [key] {
      QWidget* w = QApplication::activePopupWidget();
      ASSERT_NE(w, nullptr);
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(w, &press);
    });
  };
  TColor color = 0x123456;
  sendKey(Qt::Key_Escape);
  EXPECT_FALSE(ShowColorPopup(color, QPoint(10, 10)));
  EXPECT_EQ(color, 0x123456u);
  sendKey(Qt::Key_Return);  // Enter before anything is hovered: accepted, colour unchanged
  EXPECT_TRUE(ShowColorPopup(color, QPoint(10, 10)));
  EXPECT_EQ(color, 0x123456u);
  // Right, Right, Enter: cell 1 ("Brown").
  QTimer::singleShot(0, [] {
    QWidget* w = QApplication::activePopupWidget();
    ASSERT_NE(w, nullptr);
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(w, &press);
    }
  });
  EXPECT_TRUE(ShowColorPopup(color, QPoint(10, 10)));  // 0x123456 selects nothing: the cursor starts before cell 0
  EXPECT_EQ(color, 0x003399u);
  // Closed from outside (another window took over): cancelled.
  QTimer::singleShot(0, [] {
    if (QWidget* w = QApplication::activePopupWidget()) w->hide();
  });
  EXPECT_FALSE(ShowColorPopup(color, QPoint(10, 10)));
  EXPECT_EQ(color, 0x003399u);
}

TEST_F(ColorPopupTest, CellEdgesFollowHoverPressAndSelection) {
  TColorPopup popup;
  M& m = popup.Model();
  const QRgb hilight = ToQColor(clBtnHighlight).rgb();
  const QRgb shadow = ToQColor(clBtnShadow).rgb();
  const TPopupRect r = m.CellRect(9);
  m.SetHoverIndex(9);  // hovered: raised inner edge, light at the top left
  QImage img = popup.Render();
  EXPECT_EQ(img.pixel(r.left, r.top), hilight);
  EXPECT_EQ(img.pixel(r.right - 1, r.bottom - 1), shadow);
  m.MouseDown((r.left + r.right) / 2, (r.top + r.bottom) / 2 + 1, true);  // hovered with the button down: sunken
  img = popup.Render();
  img.save(QString::fromStdString(testsupport::ArtifactDir() + "/colorpopup_pressed.png"));
  EXPECT_EQ(img.pixel(r.left, r.top), shadow);
  EXPECT_EQ(img.pixel(r.right - 1, r.bottom - 1), hilight);
  // Selected and not hovered: sunken, on the button-highlight background.
  m.MouseUp(-100, -100);
  m.SelectIndex(9);
  m.SetHoverIndex(-1);
  img = popup.Render();
  EXPECT_EQ(img.pixel(r.left, r.top), shadow);
  EXPECT_EQ(img.pixel(r.left + 1, r.top + 1), hilight);
  // An idle cell has no edge: face colour at its corner.
  const TPopupRect idle = m.CellRect(20);
  EXPECT_EQ(img.pixel(idle.left, idle.top), ToQColor(clBtnFace).rgb());
}
