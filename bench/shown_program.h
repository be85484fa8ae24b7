// The whole program up to its shown main window, for the benchmarks that measure what a user waits
// for in it (start, save, open).
#pragma once

#include <QApplication>

#include <string>
#include <utility>

#include "app/UMain.h"
#include "app/uProgramEntry.h"

namespace windowbench {

// Runs the entry's start-up steps up to the shown main window; the window has had its first round of
// events when the constructor returns. The plug-in folder is one that does not exist.
struct ShownProgram {
  TProgramEntry entry;
  ShownProgram(const std::string& settingsFile, const std::string& bank, const std::string& noPlugins)
      : entry([&] {
          TProgramOptions o;
          o.SettingsFile = settingsFile;
          o.CommandLineFile = bank;
          o.PluginFolder = noPlugins;
          return o;
        }()) {
    entry.InitializeUnits();
    entry.InitializeApplication();
    entry.CreateHighlighters();
    entry.CreateMainForm();
    entry.ShowMainForm();
    QApplication::processEvents();
  }
  TfrmMain* Form() const { return entry.MainForm(); }
};

}  // namespace windowbench
