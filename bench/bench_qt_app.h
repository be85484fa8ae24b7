// The one offscreen application object that benchmarks of windows and the editor control share,
// made on first use and kept for the whole run, with the fonts of the tests.
#pragma once

#include <QApplication>

#include <cstdlib>

#include "platform/qt/Drawing.h"

namespace benchapp {

inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = nullptr;
  if (app) return;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  app = new QApplication(argc, argv);
  platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
}

}  // namespace benchapp
