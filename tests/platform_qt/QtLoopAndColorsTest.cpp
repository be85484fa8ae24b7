// The Qt event loop behind the plain timers, and the system colours resolved through the palette.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "platform/Colors.h"
#include "platform/Timers.h"
#include "platform/qt/QtColors.h"

using namespace platform;

TEST(QtEventLoop, PostAndTimerRunFromTheRealLoop) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  IEventLoop& loop = EventLoop();  // nothing installed: the Qt loop
  bool posted = false;
  loop.Post([&] { posted = true; });
  auto t = loop.CreateTimer();
  int ticks = 0;
  t->OnTimer = [&] { ++ticks; };
  t->SetInterval(5);
  t->SetEnabled(true);
  const auto start = loop.NowMs();
  while ((ticks < 2 || !posted) && loop.NowMs() - start < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(posted);
  EXPECT_GE(ticks, 2);
}

TEST(Colors, SystemColoursResolveAndSpecialValuesPassThrough) {
  EXPECT_EQ(clInfoBk, 0xFF000018u);
  EXPECT_EQ(clScrollBar, 0xFF000000u);
  EXPECT_TRUE(IsSysColor(clBtnFace));
  EXPECT_FALSE(IsSysColor(clNone));
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_EQ(ColorToRGB(0x00123456), 0x00123456u);
  // Window text and window follow the palette; captions keep their classic value.
  QPalette pal = QGuiApplication::palette();
  EXPECT_EQ(ToQColor(clWindow), pal.color(QPalette::Active, QPalette::Base));
  EXPECT_EQ(ToQColor(clInfoBk), pal.color(QPalette::Active, QPalette::ToolTipBase));
  EXPECT_EQ(ToQColor(clGrayText), pal.color(QPalette::Disabled, QPalette::Text));
  EXPECT_EQ(SysColor(COLOR_ACTIVECAPTION), ClassicSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(SysColor(25), clBlack);
  EXPECT_EQ(SysColor(-1), clBlack);
  SetSysColorResolver([](int i) { return TColor(0x010101 * i); });
  EXPECT_EQ(ColorToRGB(clInfoBk), 0x181818u);
  SetSysColorResolver(nullptr);
}

TEST(Colors, QColorRoundTripKeepsChannelOrder) {
  // $0000FF is red in 0x00BBGGRR.
  EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(ToQColor(0xD8ACB0), QColor(0xB0, 0xAC, 0xD8));
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(FromQColor(QColor()), clNone);
  EXPECT_FALSE(ToQColor(clNone).isValid());
  EXPECT_EQ(ToQColor(clDefault, Qt::green), QColor(Qt::green));
}
