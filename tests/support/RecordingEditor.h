// A record editor for tests of the databank window: it records every call and stores into the open
// record whatever the test asks for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "databank/uDataBankContent.h"
#include "databank/uEditorIntf.h"
#include "databank/uTextSearchUtils.h"

class RecordingEditor : public IEditor {
 public:
  std::vector<std::string> Calls;  // "Open <id>", "Store <id>", "Detach", "Enable 1", ...
  TxevXMLNode2* Record = nullptr;
  bool Modified = false;
  std::string Keywords;
  // What StoreRecord writes into the record (nothing when empty).
  std::function<void(TxevXMLNode2* record)> OnStore;

  void FocusEditor() override { Calls.push_back("Focus"); }
  void ClearEditor() override {
    Calls.push_back("Clear");
    Modified = false;
  }
  void SetEditorEnabled(bool enabled) override { Calls.push_back(enabled ? "Enable 1" : "Enable 0"); }
  void LoadEditorSettings() override { Calls.push_back("LoadSettings"); }
  void SaveEditorSettings() override { Calls.push_back("SaveSettings"); }
  void OpenRecord(TxevXMLNode2* node) override {
    Record = node;
    Calls.push_back("Open " + std::to_string(bank::NodeID(node)));
  }
  void DetachRecord() override {
    Record = nullptr;
    Calls.push_back("Detach");
  }
  void StoreRecord() override {
    Calls.push_back("Store " + std::to_string(bank::NodeID(Record)));
    if (Record && OnStore) OnStore(Record);
  }
  bool IsModified() override { return Modified; }
  void ClearModified() override { Modified = false; }
  void ShowRecordSearchMatch() override { Calls.push_back("ShowMatch"); }
  int ContentTests = 0;
  // As the record editor answers it: the record's stored text through the filter's matcher.
  bool RecordContentMatches(TxevXMLNode2* node, const TSearchForRec& search) override {
    ++ContentTests;
    return ::RecordContentMatches(node, search);
  }
  void SetKeywords(const std::string& text) override {
    if (Record) bank::SetNodeKeywords(Record, text);
  }
  std::string GetKeywords() override { return Record ? bank::NodeKeywords(Record) : std::string(); }
  void SetSettings(TSettings*) override { Calls.push_back("SetSettings"); }
  void ShowToolbar(bool visible) override { Calls.push_back(visible ? "Toolbar 1" : "Toolbar 0"); }
};
