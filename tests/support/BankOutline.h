// The outline of a databank as the probes print it: one line per folder or record in display order,
// indented by two spaces per level down to 64 levels ("F <ID> <title>" or "R <ID> <title>
// lang=<language> data=<bytes> comments=<bytes>"), then "next=<NextNodeID>". Plain C++, for every probe.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "databank/uDataBankContent.h"

// Two spaces a level, no deeper than 64 levels, as a saved databank is indented: the outline of a
// deep tree grows with the tree, not with the square of its depth (10 GB at 100,000 levels).
inline void AppendOutlineIndent(std::string& out, int depth) {
  constexpr int kMaxIndentDepth = 64;
  out.append(static_cast<size_t>(std::min(depth, kMaxIndentDepth)) * 2, ' ');
}

// The line of one node, without indentation: "F <ID> <title>" or "R <ID> <title> lang=<language>
// data=<bytes> comments=<bytes>".
inline std::string OutlineNodeLine(const TxevXMLNode2* node, const std::string& language) {
  if (bank::IsFolder(node)) return "F " + node->GetAttribute(bank::xaID) + " " + node->Text();
  return "R " + node->GetAttribute(bank::xaID) + " " + node->Text() + " lang=" + language +
         " data=" + std::to_string(bank::RecordData(node).size()) +
         " comments=" + std::to_string(bank::RecordComments(node).size());
}

// suffix, when given, is appended to each node's line (the tree probe marks expansion and selection).
inline std::string BankOutline(TxevXMLNode2* root, int nextNodeID,
                               const std::function<std::string(const TxevXMLNode2*)>& suffix = nullptr) {
  std::string out;
  // The inherited language, worked out once per folder on the way down (the same answer as
  // bank::InheritedHighLight): asking each record would search its folder's children again for every
  // record, and a folder of 200,000 records would take minutes.
  auto own = [](const TxevXMLNode2* node, const std::string& inherited) {
    const TxevXMLNode2* element = node->FindNode(bank::xnHighLight, false);
    return element ? element->Text() : inherited;
  };
  std::vector<std::string> languages{own(root, bank::DefHighLight)};  // [depth]: what the parent passes down
  bank::ForEachTreeNode(root, [&](TxevXMLNode2* node, int depth) {
    languages.resize(static_cast<size_t>(depth) + 1);
    const std::string language = own(node, languages.back());
    AppendOutlineIndent(out, depth);
    out += OutlineNodeLine(node, language);
    if (bank::IsFolder(node)) languages.push_back(language);
    if (suffix) out += suffix(node);
    out += "\n";
  });
  out += "next=" + std::to_string(nextNodeID) + "\n";
  return out;
}
