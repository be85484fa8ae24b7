// trayprobe: on the X display in $DISPLAY, shows a main window, lets the user's minimise reach the
// tray icon (minimise to tray on) and prints what became of it, one "key=value" line each:
//   available=0|1      the desktop has a notification area
//   iconVisible=0|1    the icon is in it
//   windowVisible=0|1  the main window is still shown (minimised) rather than hidden
// Without a notification area the window must stay reachable: iconVisible=0, windowVisible=1.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <cstdio>

#include "SystemLeakSuppressions.h"
#include "platform/qt/QtApplication.h"
#include "ui/TrayIcon.h"

namespace {
void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget main;
  main.setWindowTitle("trayprobe");
  main.resize(200, 100);
  main.show();
  platform::QtApplication().SetMainWindow(&main);
  Pump(300);

  TTrayIcon tray(&main);
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(QColor(0, 120, 215));
  tray.SetIcon(icon);
  tray.SetHint("trayprobe");
  tray.SetMinimizeToTray(true);
  main.setWindowState(Qt::WindowMinimized);  // as the user minimising from the frame
  Pump(1000);

  std::printf("available=%d\n", tray.TrayAvailable() ? 1 : 0);
  std::printf("iconVisible=%d\n", tray.Visible() ? 1 : 0);
  std::printf("windowVisible=%d\n", main.isVisible() ? 1 : 0);
  std::fflush(stdout);
  return 0;
}
