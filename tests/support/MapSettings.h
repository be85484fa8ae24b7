// Window settings in memory, with the settings store's encodings (booleans "1"/"0"); no sections.
// Plain C++ so that the probes can use it as well as the suites.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "xml/uSettingsBase.h"
#include "xml/uXMLTools2.h"

class MapSettings : public TSettings {
 public:
  std::map<std::string, std::string> Values;
  int Saves = 0;

  void Open() override {}
  int ReadInteger(const std::string& name, int def) override {
    auto it = Values.find(name);
    return it == Values.end() ? def : XMLStrToInt(it->second);
  }
  bool ReadBool(const std::string& name, bool def) override { return ReadInteger(name, def ? 1 : 0) == 1; }
  std::string ReadString(const std::string& name, const std::string& def) override {
    auto it = Values.find(name);
    return it == Values.end() ? def : it->second;
  }
  void WriteInteger(const std::string& name, int value) override { Values[name] = std::to_string(value); }
  void WriteBool(const std::string& name, bool value) override { Values[name] = value ? "1" : "0"; }
  void WriteString(const std::string& name, const std::string& value) override { Values[name] = value; }
  bool ValueExists(const std::string& name) override { return Values.count(name) > 0; }
  void Save() override { ++Saves; }
  std::unique_ptr<TSettings> OpenSection(const std::string&) override { return nullptr; }
};
