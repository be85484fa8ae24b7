#include <gtest/gtest.h>

#include <QWidget>

#include "ui/uToolbarLayout.h"

namespace {
struct FakeControl : IToolbarControl {
  FakeControl(int w, int h = 22, bool vis = true) : width(w), height(h), visible(vis) {}
  int width, height;
  bool visible;
  int left = -1, top = -1;
  bool Visible() const override { return visible; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  void SetLeft(int l) override { left = l; }
  void SetTop(int t) override { top = t; }
};
}  // namespace

TEST(ToolbarLayout, GroupsAreCreatedUpToTheOneNamed) {
  TToolbarLayout layout;
  FakeControl c(10);
  layout.AddControl(3, &c);
  ASSERT_EQ(layout.GroupCount(), 4);
  for (int g = 0; g < 4; ++g) {
    EXPECT_EQ(layout.GroupGap(g), 2);
    EXPECT_EQ(layout.GroupSpacing(g), 2);
  }
  EXPECT_EQ(layout.Count(), 1);
  EXPECT_EQ(layout.GetControl(0), &c);
  EXPECT_EQ(layout.GetGroup(0), 3);
  EXPECT_EQ(layout.GetControl(5), nullptr);
  // Groups 0..2 are empty and add no gap.
  layout.Arrange();
  EXPECT_EQ(c.left, 2);
}

TEST(ToolbarLayout, ArrangePlacesVisibleControlsAndHiddenOnesTakeNoRoom) {
  TToolbarLayout layout;
  layout.AddGroup(4, 0);   // group 0
  layout.AddGroup(10, 3);  // group 1
  FakeControl menu(36), a(23), b(23, 22, false), c(23);
  FakeControl hiddenOnly(50, 22, false);
  layout.AddControl(0, &menu);
  layout.AddControl(1, &a);
  layout.AddControl(1, &b);
  layout.AddControl(1, &c);
  layout.AddControl(2, &hiddenOnly);  // group 2: gap 2, all hidden
  FakeControl after(5);
  layout.AddControl(3, &after);
  layout.Start = 1;
  layout.Arrange();
  EXPECT_EQ(menu.left, 1 + 4);
  EXPECT_EQ(a.left, 5 + 36 + 0 + 10);
  EXPECT_EQ(b.left, -1);  // hidden: not moved
  EXPECT_EQ(c.left, a.left + 23 + 3);
  // The all-hidden group still adds its gap.
  EXPECT_EQ(after.left, c.left + 23 + 3 + 2 + 2);
  EXPECT_EQ(menu.top, -1);  // the cross coordinate is never touched
  // Hiding a button moves every later one left by its width plus the spacing.
  const int before = after.left;
  a.visible = false;
  layout.Arrange();
  EXPECT_EQ(c.left, 5 + 36 + 10);
  EXPECT_EQ(after.left, before - 23 - 3);

  std::vector<IToolbarControl*> list{&menu};
  layout.GetGroupControls(1, list);
  EXPECT_EQ(list, (std::vector<IToolbarControl*>{&a, &b, &c}));
  layout.GetGroupControls(7, list);
  EXPECT_TRUE(list.empty());
}

TEST(ToolbarLayout, VerticalUsesTopsAndHeights) {
  TToolbarLayout layout;
  layout.Vertical = true;
  FakeControl a(10, 30), b(10, 20);
  layout.AddControl(0, &a);
  layout.AddControl(0, &b);
  layout.Arrange();
  EXPECT_EQ(a.top, 2);
  EXPECT_EQ(b.top, 2 + 30 + 2);
  EXPECT_EQ(a.left, -1);
}

TEST(ToolbarLayout, WidgetsThroughTheAdapter) {
  QWidget bar;
  auto* one = new QWidget(&bar);
  one->setGeometry(100, 1, 36, 22);
  auto* two = new QWidget(&bar);
  two->setGeometry(200, 1, 23, 22);
  TToolbarLayout layout;
  layout.AddControl(0, one);
  IToolbarControl* second = layout.AddControl(0, two);
  EXPECT_EQ(layout.FindWidget(two), second);
  layout.Arrange();  // the bar is never shown: visibility is the widgets' own flag
  EXPECT_EQ(one->pos(), QPoint(2, 1));
  EXPECT_EQ(two->pos(), QPoint(2 + 36 + 2, 1));
  delete one;  // a destroyed widget is skipped
  layout.Arrange();
  EXPECT_EQ(two->x(), 2);
}
