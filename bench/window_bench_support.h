// What the benchmarks of the databank window share: the application object on the offscreen
// platform, UI services that answer every question Yes, and timing until a window has painted.
#pragma once

#include <stdlib.h>

#include <QApplication>
#include <QFont>

#include <chrono>

#include <benchmark/benchmark.h>

#include "platform/UIServices.h"
#include "platform/qt/Icons.h"

namespace windowbench {

// The application object, made on first use (a benchmark that forks does so before any exists).
inline void NeedApplication() {
  static int argc = 1;
  static char name[] = "tessaryn_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    // One application per run, whichever benchmark made it.
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto* a = new QApplication(argc, argv);
    QApplication::setFont(QFont("DejaVu Sans", 9));
    platform::SetUseBundledIconsOnly(true);
    return a;
  }();
  (void)app;
}

// Answers every question Yes (the delete question).
class YesUI : public platform::ScriptedUIServices {
 public:
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    PushMessageResult(platform::mrYes);
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
};

inline YesUI& TheUI() {
  static YesUI ui;
  static platform::ScopedUIServices use(ui);
  return ui;
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs until the window has painted a frame.
inline void Paint(QWidget* window) {
  QApplication::processEvents();
  benchmark::DoNotOptimize(window->grab());
}

}  // namespace windowbench
