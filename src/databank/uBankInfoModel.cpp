#include "databank/uBankInfoModel.h"

#include <utility>
#include <vector>

#include "databank/uBankSession.h"
#include "databank/uDataBankContent.h"
#include "xml/uXMLBase2.h"

std::string FormatDataSize(std::int64_t size) {
  if (size < 1024) return std::to_string(size) + " Chars";
  static const char* const kUnits[] = {" KB", " MB", " GB"};
  std::int64_t whole = size, rest = 0;
  int unit = -1;
  do {
    rest = whole % 1024;
    whole /= 1024;
    ++unit;
  } while (whole >= 1024 && unit < 2);
  int tenths = static_cast<int>((static_cast<double>(rest) / 1024 + 0.05) * 10);
  if (tenths >= 10) {
    ++whole;
    tenths = 0;
  }
  return std::to_string(whole) + "." + std::to_string(tenths) + kUnits[unit];
}

TBankStatistics CountBankNodes(const TxevXMLNode2* root) {
  TBankStatistics stats;
  if (!root) return stats;
  std::vector<std::pair<const TxevXMLNode2*, int>> stack{{root, 0}};
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const TxevXMLNode2* child = node->Children().Items(next++);
    if (!child) {
      stack.pop_back();
      continue;
    }
    if (bank::IsFolder(child)) ++stats.Folders;
    if (bank::IsRecord(child)) ++stats.Records;
    if (!child->Children().IsEmpty()) stack.emplace_back(child, 0);
  }
  return stats;
}

TBankInfo BankInfoOf(const TBankSession& session) {
  TBankInfo info;
  info.FileName = session.FileName();
  info.DataSize = FormatDataSize(session.DataSize());
  info.FileSize = FormatDataSize(session.FileSize());
  info.Encrypted = !session.Password().empty();
  info.Compressed = session.Compress();
  const TBankStatistics stats = CountBankNodes(session.Bank() ? session.Bank()->Root() : nullptr);
  info.Folders = stats.Folders;
  info.Records = stats.Records;
  return info;
}
