// The one settings object every window shares. main() creates a TGlobalSettingsScope before anything
// else and lets it go last; while it lives, GlobalSettings() returns the object (nullptr otherwise).
// Close() writes the settings file and says why when it could not; ending the scope without it writes
// the file too, guarded, with errors swallowed.
#pragma once

#include <memory>
#include <string>

#include "xml/uSettingsXML.h"

class TGlobalSettingsScope {
 public:
  // Opens the settings file (SettingsFilePath() for an empty name; its folder is created when
  // missing). Only one scope may exist at a time: a second one throws Exception.
  explicit TGlobalSettingsScope(const std::string& fileName = "");
  ~TGlobalSettingsScope();
  TGlobalSettingsScope(const TGlobalSettingsScope&) = delete;
  TGlobalSettingsScope& operator=(const TGlobalSettingsScope&) = delete;

  TXMLSettings* Settings() const { return settings_.get(); }
  // Writes the settings file (as the guarded save: a read-only file, or one that could not be read,
  // is left alone) and lets the settings go. "" when written; otherwise why not.
  std::string Close();
  // Lets the settings go without writing the settings file.
  void Discard();

 private:
  std::unique_ptr<TXMLSettings> settings_;
};

TXMLSettings* GlobalSettings();
