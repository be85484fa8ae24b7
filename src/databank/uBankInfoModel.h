// What the databank information dialog shows, in plain code: where and how the open databank is
// stored, its sizes as FormatDataSize writes them, and how many folders and records it holds.
#pragma once

#include <cstdint>
#include <string>

class TBankSession;
class TxevXMLNode2;

// Below 1024: "<n> Chars"; else divided by 1024 up to three times until the whole part is below
// 1024 (or gigabytes are reached), with one decimal rounded from the remainder, the rounding
// carried into the whole part but not into the next unit: "1.5 KB", "2.0 KB", "1024.0 KB", "3.1 GB".
std::string FormatDataSize(std::int64_t size);

struct TBankStatistics {
  int Folders = 0;
  int Records = 0;
};
// Counts the folders and records among root and every element below it (not only in folders).
TBankStatistics CountBankNodes(const TxevXMLNode2* root);

struct TBankInfo {
  std::string FileName;  // "" for a databank never saved
  std::string DataSize;  // FormatDataSize of the XML text last read or written
  std::string FileSize;  // FormatDataSize of the file
  bool Encrypted = false;
  bool Compressed = false;  // the switch for the next save
  int Folders = 0;
  int Records = 0;
};
TBankInfo BankInfoOf(const TBankSession& session);
