#include "xml/uSettingsXML.h"

#include <cstdio>
#include <exception>
#include <new>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "xml/uXMLTools2.h"
#include "xml/xevStrings.h"

namespace {
constexpr const char* kNoValue = "-novalue-";
}

TXMLSettings::TXMLSettings() {
  TXMLSettings::Reset();
}

TXMLSettings::~TXMLSettings() {
  if (!ownsDatabank_ || !databank_ || !readError_.empty()) return;
  // Written at the end of the program: a read-only file is skipped, and no error may escape here;
  // one that stops the write is said on stderr, the only place left to say it.
  try {
    databank_->Save();
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "The settings could not be written to %s: %s\n", fileName_.c_str(), SNotEnoughMemoryToSave);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "The settings could not be written to %s: %s\n", fileName_.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "The settings could not be written to %s\n", fileName_.c_str());
  }
}

void TXMLSettings::Reset() {
  ownsDatabank_ = false;
  fileName_.clear();
  databank_.reset();
  node_ = nullptr;
  readError_.clear();
  keptDamagedCopy_.clear();
}

std::shared_ptr<TXMLDataBase2> TXMLSettings::LoadStore() {
  auto store = std::make_shared<TXMLDataBase2>();
  store->SetFileName(fileName_);
  try {
    if (!FileExists(fileName_)) return store;
    std::string bytes = LoadStringFromFile(fileName_);
    if (bytes.empty() || store->LoadEncodedXML(std::move(bytes))) return store;
    // A damaged file: what was parsed of it may be huge or half a tree, so the program starts from
    // empty settings once the file is kept aside. Without that copy it must not be written over.
    store->Clear();
    keptDamagedCopy_ = KeepBadCopy(fileName_);
    if (keptDamagedCopy_.empty()) readError_ = "Cannot keep a copy of the damaged file \"" + fileName_ + "\"";
  } catch (const std::bad_alloc&) {
    store->Clear();
    readError_ = SNotEnoughMemoryToRead;
  } catch (const std::exception& e) {
    store->Clear();
    readError_ = e.what();
  }
  return store;
}

void TXMLSettings::Open() {
  if (!databank_) {
    if (fileName_.empty()) fileName_ = SettingsFilePath();
    databank_ = LoadStore();
    node_ = Path.empty() ? databank_->Root() : XMLForcePath(databank_->Root(), Path);
    ownsDatabank_ = true;
  } else if (!node_) {
    node_ = XMLForcePath(databank_->Root(), Path);
  }
}

int TXMLSettings::ReadInteger(const std::string& name, int def) {
  return XMLPathReadInteger(node_, name, def);
}

bool TXMLSettings::ReadBool(const std::string& name, bool def) {
  return XMLPathReadInteger(node_, name, def ? 1 : 0) == 1;
}

std::string TXMLSettings::ReadString(const std::string& name, const std::string& def) {
  return XMLPathReadString(node_, name, def);
}

void TXMLSettings::WriteInteger(const std::string& name, int value) {
  XMLPathWriteInteger(node_, name, value);
}

void TXMLSettings::WriteBool(const std::string& name, bool value) {
  XMLPathWriteInteger(node_, name, value ? 1 : 0);
}

void TXMLSettings::WriteString(const std::string& name, const std::string& value) {
  XMLPathWriteString(node_, name, value);
}

bool TXMLSettings::ValueExists(const std::string& name) {
  return XMLFindPath(node_, name) != nullptr;
}

void TXMLSettings::Save() {
  if (databank_ && readError_.empty()) databank_->Save();
}

std::unique_ptr<TSettings> TXMLSettings::OpenSection(const std::string& name) {
  auto section = std::make_unique<TXMLSettings>();
  section->databank_ = databank_;
  section->ownsDatabank_ = false;
  section->fileName_ = fileName_;
  section->readError_ = readError_;  // a section never writes over an unreadable file either
  section->Path = Path.empty() ? name : name.empty() ? Path : Path + "\\" + name;
  section->Open();
  return section;
}

std::string TXMLSettings::ReadInheritedString(const std::string& name, const std::string& def) {
  for (const TxevXMLNode2* n = node_; n; n = n->Parent()) {
    std::string value = XMLPathReadString(n, name, kNoValue);
    if (value != kNoValue) return value;
  }
  return def;
}
