// Fixtures shared by the databank suites: settings kept in a map, databank files built in code, and
// a session wired to scripted UI services and a fake event loop.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "MapSettings.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "databank/uBankSession.h"
#include "databank/uDataBankContent.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "xml/uSettingsBase.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

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
