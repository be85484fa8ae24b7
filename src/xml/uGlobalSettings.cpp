#include "xml/uGlobalSettings.h"

#include <exception>
#include <new>

#include "platform/Exceptions.h"
#include "platform/Files.h"

namespace {
TXMLSettings* gSettings = nullptr;
}

TGlobalSettingsScope::TGlobalSettingsScope(const std::string& fileName) {
  if (gSettings) throw Exception("The global settings are open already");
  std::string file = fileName.empty() ? SettingsFilePath() : fileName;
  std::string dir = ExtractFileDir(file);
  if (!dir.empty()) ForceDirectories(dir);
  settings_ = std::make_unique<TXMLSettings>();
  settings_->SetFileName(file);
  settings_->Open();
  gSettings = settings_.get();
}

TGlobalSettingsScope::~TGlobalSettingsScope() {
  gSettings = nullptr;
  settings_.reset();  // writes the settings file (guarded, never throws)
}

std::string TGlobalSettingsScope::Close() {
  if (!settings_) return std::string();
  std::string error;
  try {
    settings_->Save();
  } catch (const std::bad_alloc&) {
    error = SNotEnoughMemoryToSave;
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "Unknown error";
  }
  Discard();  // let go without the destructor's second try
  return error;
}

void TGlobalSettingsScope::Discard() {
  if (!settings_) return;
  gSettings = nullptr;
  settings_->Reset();  // the destructor then writes nothing
  settings_.reset();
}

TXMLSettings* GlobalSettings() {
  return gSettings;
}
