// The one application object of a benchmark run, made on first use by whichever benchmark needs it
// (a benchmark that forks does so before any exists). Every benchmark gets the same setup, whatever
// ran before it: the offscreen platform unless QT_QPA_PLATFORM names another, DejaVu Sans and DejaVu
// Sans Mono for the program's faces, DejaVu Sans 9 for the widgets, and the bundled icons.
#pragma once

#include <QApplication>
#include <QFont>
#include <cstdlib>

#include "platform/qt/Drawing.h"
#include "platform/qt/Icons.h"

inline void NeedBenchApplication() {
  static int argc = 1;
  static char name[] = "tessaryn_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* a = new QApplication(argc, argv);  // lives for the whole run
    platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
    QApplication::setFont(QFont("DejaVu Sans", 9));
    platform::SetUseBundledIconsOnly(true);
    return a;
  }();
  (void)app;
}
