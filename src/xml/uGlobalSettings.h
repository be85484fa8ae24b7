// The one settings object every window shares. main() creates a TGlobalSettingsScope before anything
// else and lets it go last; while it lives, GlobalSettings() returns the object (nullptr otherwise).
// Ending the scope writes the settings file (guarded, errors swallowed).
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

 private:
  std::unique_ptr<TXMLSettings> settings_;
};

TXMLSettings* GlobalSettings();
