// The exported databank made the plain way, as a copy of the checked nodes: the program writes an
// export from ExportSnapshot (the nodes' frozen forms, nothing copied), and tests hold its bytes
// against this copy; benchmarks weigh a copy against it. Plain C++.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "databank/uDataBankContent.h"
#include "databank/uImportExport.h"
#include "xml/uXMLBase2.h"

// Copies of the checked nodes in list order, the export date in "Exported" and a "NextNodeID" above
// every ID it holds (at least nextNodeID). nullptr when nothing is checked.
inline std::unique_ptr<TXMLDataBase2> BuildExportBank(const TExportChoice& choice, int nextNodeID,
                                                      const std::string& date) {
  if (std::none_of(choice.Items.begin(), choice.Items.end(), [](const TExportItem& i) { return i.Checked; }))
    return nullptr;
  auto out = std::make_unique<TXMLDataBase2>();
  for (const TExportItem& item : choice.Items)
    if (item.Checked) out->Root()->AddNode(item.Node->CloneNode());
  out->WriteString(bank::skExported, date);
  out->WriteInteger(bank::skNextNodeID, std::max(nextNodeID, bank::HighestNodeID(out->Root()) + 1));
  return out;
}
