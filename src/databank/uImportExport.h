// Import and export in plain code: the choice the export dialog edits and its control rules, the
// databank an export writes, the nodes an import takes, and the guard both flows hold around their
// work.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "databank/uBankFile.h"
#include "databank/uBankSession.h"
#include "databank/uTreeModel.h"

class TXMLDataBase2;
class TxevXMLNode2;

inline constexpr const char* SSelectExportCaption = "Select nodes to export";

// One line of the export list: a folder or record among the selected node's siblings.
struct TExportItem {
  TxevXMLNode2* Node = nullptr;
  std::string Caption;
  int Image = 0;
  bool Checked = false;
};

// What the export dialog shows and edits.
struct TExportChoice {
  std::vector<TExportItem> Items;
  int Selected = -1;        // the item shown selected (the selected node's)
  bool Lock = false;        // "Lock with password"
  bool Compress = false;    // "Compress data"
  bool CurrentPass = true;  // "Use current password"
  std::string Password;     // the typed password (UTF-8)
};

// The dialog's rules: "Use current password" is enabled with Lock; the password edit with Lock
// and without "Use current password"; OK is refused while Lock asks for a typed password that is
// still empty (it would write an unprotected file without a word).
inline bool ExportCurrentPassEnabled(const TExportChoice& c) {
  return c.Lock;
}
inline bool ExportPasswordEnabled(const TExportChoice& c) {
  return c.Lock && !c.CurrentPass;
}
inline bool ExportOkEnabled(const TExportChoice& c) {
  return !(ExportPasswordEnabled(c) && c.Password.empty());
}

// The export dialog's list for the selected node: it and its siblings (folders and records), in
// order, with their closed pictures; the selected node's line checked and selected. Lock starts as
// "the open databank has a password", Compress as the open databank's switch.
TExportChoice ExportChoiceFor(TxevXMLNode2* selected, const TTreeImages& images, bool hasPassword, bool compress);
// The layers of the export file: the open databank's password with "Use current password", the
// typed one without, none without Lock; compressed as chosen. The zip entry is named after the file.
TBankWriteLayers ExportLayers(const TExportChoice& choice, const std::string& currentPassword);
// The exported databank frozen for the writer without copying a node: the checked nodes as they are
// now (their frozen forms shared with the open databank) in list order, then "settings" with the
// export date in "Exported" and nextNodeID in "NextNodeID". Its cost follows what changed since the
// last save rather than the size of what is exported. nextNodeID must lie above every ID of the
// checked nodes, as the open databank's counter does (nothing is walked to find the highest).
// nullptr when nothing is checked.
std::unique_ptr<const TXMLDataBase2Snapshot> ExportSnapshot(const TExportChoice& choice, int nextNodeID,
                                                            const std::string& date);

// The folders and records at the top level of other, in order, taken out of it (its settings, lists
// and defaults stay behind).
std::vector<std::unique_ptr<TxevXMLNode2>> ImportableNodes(TXMLDataBase2& other);

// Held by import and export for their whole work: auto-save waits, and the open databank's
// password and compression switch are put back on every way out (the file routines use and set
// them for other databanks too).
class TBorrowedBankState {
 public:
  explicit TBorrowedBankState(TBankSession& session)
      : session_(session), busy_(session), password_(session.Password()), compress_(session.Compress()) {}
  ~TBorrowedBankState() {
    session_.SetPassword(password_);
    session_.SetCompress(compress_);
  }
  TBorrowedBankState(const TBorrowedBankState&) = delete;
  TBorrowedBankState& operator=(const TBorrowedBankState&) = delete;

 private:
  TBankSession& session_;
  TBankSession::TBusyScope busy_;
  std::string password_;
  bool compress_;
};
