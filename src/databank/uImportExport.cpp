#include "databank/uImportExport.h"

#include <algorithm>

#include "databank/uDataBankContent.h"
#include "databank/uTreeModel.h"
#include "xml/uXMLBase2.h"

using namespace bank;

TExportChoice ExportChoiceFor(TxevXMLNode2* selected, const TTreeImages& images, bool hasPassword, bool compress) {
  TExportChoice choice;
  choice.Lock = hasPassword;
  choice.Compress = compress;
  choice.CurrentPass = true;
  if (!selected || !selected->Parent()) return choice;
  for (TxevXMLNode2* node : selected->Parent()->Children()) {
    if (!IsTreeNode(node)) continue;
    if (node == selected) choice.Selected = static_cast<int>(choice.Items.size());
    choice.Items.push_back({node, node->Text(), images.NodeImage(node, false), node == selected});
  }
  return choice;
}

TBankWriteLayers ExportLayers(const TExportChoice& choice, const std::string& currentPassword) {
  TBankWriteLayers layers;
  if (choice.Lock) layers.Password = choice.CurrentPass ? currentPassword : choice.Password;
  layers.Compress = choice.Compress;
  return layers;
}

std::unique_ptr<const TXMLDataBase2Snapshot> ExportSnapshot(const TExportChoice& choice, int nextNodeID,
                                                            const std::string& date) {
  std::vector<const TxevXMLNode2*> nodes;
  for (const TExportItem& item : choice.Items)
    if (item.Checked) nodes.push_back(item.Node);
  if (nodes.empty()) return nullptr;
  // The document element and, after the nodes, "settings" as a databank's store writes it.
  TXMLDataBase2 head;
  head.WriteString(skExported, date);
  head.WriteInteger(skNextNodeID, nextNodeID);
  nodes.push_back(head.SettingsNode());
  return std::make_unique<const TXMLDataBase2Snapshot>(TxevXMLFrozen2(*head.Root(), nodes));
}

std::vector<std::unique_ptr<TxevXMLNode2>> ImportableNodes(TXMLDataBase2& other) {
  // The databank read for an import is thrown away afterwards: its nodes are taken over, not copied.
  TxevXMLNode2* root = other.Root();
  std::vector<TxevXMLNode2*> found;
  for (TxevXMLNode2* child : root->Children())
    if (IsTreeNode(child)) found.push_back(child);
  // Taken from the last one back, so that each removal shifts only the few children after it.
  std::vector<std::unique_ptr<TxevXMLNode2>> nodes(found.size());
  for (size_t i = found.size(); i-- > 0;) nodes[i] = root->ExtractNode(found[i]);
  return nodes;
}
