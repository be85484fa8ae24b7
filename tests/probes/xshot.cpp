// xshot: a picture of an X display, for the end-to-end tests.
//   xshot OUT.png [WINDOW]
// Grabs the whole screen of $DISPLAY (or only the window with that X id, decimal or 0x hex) and
// writes it as PNG. Exit 0; 1 when the display cannot be opened or the file not written; 2 on usage
// errors.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: xshot OUT.png [WINDOW]\n";
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  if (!std::getenv("DISPLAY")) {
    std::cerr << "xshot: DISPLAY is not set\n";
    return 1;
  }
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) {
    std::cerr << "xshot: no screen\n";
    return 1;
  }
  WId window = 0;
  if (argc == 3) window = static_cast<WId>(std::strtoull(argv[2], nullptr, 0));
  const QPixmap picture = screen->grabWindow(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::cerr << "xshot: could not write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
