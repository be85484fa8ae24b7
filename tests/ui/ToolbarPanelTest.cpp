#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QVBoxLayout>

#include "TestSupport.h"
#include "platform/qt/QtColors.h"
#include "ui/ToolbarPanel.h"
#include "ui/mxXPButton.h"

using namespace platform;

TEST(ToolbarPanel, HeightsAndDefaults) {
  TToolbarPanel tb;
  EXPECT_EQ(tb.height(), 27);
  EXPECT_EQ(tb.Align(), alTop);
  TStatusPanel st;
  EXPECT_EQ(st.height(), 19);
  EXPECT_EQ(st.Align(), alBottom);
  EXPECT_TRUE(st.SizeGrip());
  EXPECT_TRUE(st.UseSystemFont());
  EXPECT_FALSE(st.ParentFont());
  EXPECT_EQ(st.Color(), clBtnFace);
  TSimplePanel sp;
  EXPECT_EQ(sp.Align(), alNone);
}

TEST(ToolbarPanel, ParentBackgroundPaintsNothing) {
  SetThemesEnabled(false);
  QWidget parent;
  parent.resize(100, 40);
  parent.setAutoFillBackground(true);
  QPalette pal = parent.palette();
  pal.setColor(QPalette::Window, QColor(255, 0, 0));
  parent.setPalette(pal);
  TToolbarPanel tb(&parent);
  tb.setGeometry(0, 0, 100, 27);
  tb.SetColor(clBlue);
  int after = 0;
  tb.OnAfterPaint = [&](TToolbarPanel*, QPainter& p) {
    ++after;
    p.fillRect(QRect(0, 0, 2, 2), Qt::green);
  };
  QImage own = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
  own.save(QString::fromStdString(testsupport::ArtifactDir() + "/toolbarpanel.png"));
  EXPECT_EQ(own.pixel(50, 10), qRgb(0, 0, 255));
  EXPECT_EQ(own.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_GE(after, 1);
  tb.SetParentBackground(true);
  QImage through = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(through.pixel(50, 10), qRgb(255, 0, 0));
  EXPECT_EQ(through.pixel(0, 0), qRgb(0, 255, 0));  // the after-paint event still runs
}

TEST(ToolbarPanel, SimplePanelPaintsThroughItsEvent) {
  TSimplePanel sp;
  sp.resize(20, 20);
  sp.OnPaint = [](TSimplePanel*, QPainter& p) { p.fillRect(QRect(0, 0, 20, 20), QColor(1, 2, 3)); };
  const QImage img = sp.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(img.pixel(10, 10), qRgb(1, 2, 3));
}

TEST(ToolbarPanel, SizeGripRuleAndPlacement) {
  EXPECT_TRUE(StatusSizeGripValid(true, QPoint(300, 200), QSize(300, 200)));
  EXPECT_FALSE(StatusSizeGripValid(false, QPoint(300, 200), QSize(300, 200)));
  EXPECT_FALSE(StatusSizeGripValid(true, QPoint(300, 180), QSize(300, 200)));

  QWidget form;
  form.resize(300, 200);
  TStatusPanel status(&form);
  form.show();
  status.setGeometry(0, 150, 300, 19);  // above the bottom edge: no grip
  EXPECT_FALSE(status.SizeGripValid());
  EXPECT_FALSE(status.GripShown());
  status.setGeometry(0, 181, 300, 19);  // at the bottom edge
  EXPECT_TRUE(status.SizeGripValid());
  EXPECT_TRUE(status.GripShown());
  status.SetSizeGrip(false);
  EXPECT_FALSE(status.GripShown());
  status.SetSizeGrip(true);
  EXPECT_TRUE(status.GripShown());
  form.resize(300, 240);  // the form grows: the bar no longer sits at the bottom
  EXPECT_FALSE(status.SizeGripValid());
  form.setFixedSize(300, 200);  // a fixed-size window has no grip at all
  status.setGeometry(0, 181, 300, 19);
  EXPECT_FALSE(status.SizeGripValid());
}

TEST(ToolbarPanel, StatusTextRightToLeftAndColour) {
  EXPECT_EQ(StatusWindowText("Ready", false), QString("Ready"));
  EXPECT_EQ(StatusWindowText("Ready", true), QString("\t\tReady"));
  SetThemesEnabled(false);
  QWidget form;
  form.resize(200, 60);
  TStatusPanel status(&form);
  status.setGeometry(0, 41, 200, 19);
  status.SetSimpleText("Ready");
  EXPECT_EQ(status.TextLength(), 5);
  status.setLayoutDirection(Qt::RightToLeft);
  EXPECT_EQ(status.WindowText(), QString("\t\tReady"));
  EXPECT_EQ(status.TextLength(), 5);
  status.SetColor(RGB(0, 128, 0));  // the text survives a colour change
  EXPECT_EQ(status.SimpleText(), QString("Ready"));
  const QImage img = status.grab().toImage().convertToFormat(QImage::Format_RGB32);
  img.save(QString::fromStdString(testsupport::ArtifactDir() + "/statuspanel_rtl.png"));
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 128, 0));
  // Right-aligned text: dark text pixels in the right half, none at the far left.
  auto inkIn = [&](int x0, int x1) {
    int ink = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = x0; x < x1; ++x)
        if (qGreen(img.pixel(x, y)) < 80) ++ink;
    return ink;
  };
  EXPECT_GT(inkIn(100, 200), 0);
  EXPECT_EQ(inkIn(0, 60), 0);
  status.setLayoutDirection(Qt::LeftToRight);
  const QImage ltr = status.grab().toImage().convertToFormat(QImage::Format_RGB32);
  int leftInk = 0;
  for (int y = 0; y < ltr.height(); ++y)
    for (int x = 0; x < 60; ++x)
      if (qGreen(ltr.pixel(x, y)) < 80) ++leftInk;
  EXPECT_GT(leftInk, 0);
}

TEST(ToolbarPanel, DrawPanelEventReplacesTheBackground) {
  TStatusPanel status;
  status.resize(100, 19);
  QRect seen;
  status.OnDrawPanel = [&](TStatusPanel*, QPainter& p, const QRect& r) {
    seen = r;
    p.fillRect(r, QColor(9, 9, 9));
  };
  int after = 0;
  status.OnAfterPaint = [&](TStatusPanel*, QPainter&, const QRect&) { ++after; };
  const QImage img = status.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(seen, QRect(0, 0, 100, 19));
  EXPECT_EQ(img.pixel(50, 2), qRgb(9, 9, 9));
  EXPECT_GE(after, 1);
}

TEST(ToolbarPanel, FontsFollowTheSwitches) {
  QWidget form;
  QFont big("DejaVu Sans", 20);
  form.setFont(big);
  TStatusPanel status(&form);
  EXPECT_NE(status.font().pointSize(), 20);  // the hint font, not the parent's
  status.SetParentFont(true);
  EXPECT_FALSE(status.UseSystemFont());
  EXPECT_EQ(status.font().pointSize(), 20);
  status.SetUseSystemFont(true);
  EXPECT_FALSE(status.ParentFont());
  EXPECT_NE(status.font().pointSize(), 20);
}
