// Fixtures shared by the databank suites: settings kept in a map, databank files built in code, and
// a session wired to scripted UI services and a fake event loop.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "databank/uBankSession.h"
#include "databank/uDataBankContent.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "xml/uSettingsBase.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

// Window settings in memory, with the settings store's encodings (booleans "1"/"0").
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

// A small databank: folder 1 "Folder" holding record 2 "Record" (code "int x;") and record 3
// "Second"; NextNodeID 4.
inline std::string SampleBankXML(const std::string& title = "Record", const std::string& code = "int x;") {
  TXMLDataBase2 db;
  TxevXMLNode2* folder = db.Root()->AddChild(bank::xnFolder);
  folder->SetText("Folder");
  bank::SetNodeID(folder, 1);
  TxevXMLNode2* r = folder->AddChild(bank::xnRecord);
  r->SetText(title);
  bank::SetNodeID(r, 2);
  bank::SetRecordData(r, code);
  TxevXMLNode2* r2 = folder->AddChild(bank::xnRecord);
  r2->SetText("Second");
  bank::SetNodeID(r2, 3);
  db.WriteInteger(bank::skNextNodeID, 4);
  return db.EncodedXML();
}

class BankSessionTest : public testsupport::TempDirTest {
 protected:
  platform::FakeEventLoop loop;
  platform::ScriptedUIServices ui;
  MapSettings settings;

  std::unique_ptr<TBankSession> NewSession(bool renameOld = true) {
    TBankSession::TOptions options;
    options.ProgramDir = ProgramDir();
    options.RenameOldFiles = renameOld;
    return std::make_unique<TBankSession>(&settings, options, &ui, &loop);
  }
  std::string ProgramDir() const { return (tmp.Path() / "prog").string(); }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& call : ui.CallsOf(platform::ScriptedUIServices::Kind::Message)) out.push_back(call.text);
    return out;
  }
};
