// The canonical databank of the benchmarks: 50,000 records holding 60 MB of code text in 1,250
// folders (50 at the top level, each holding 24 more; 40 records in each of the 1,250), about 62 MB
// of XML. The same bytes in every run.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "databank/uDataBankContent.h"
#include "xml/uXMLBase2.h"

namespace canonical {

constexpr int kRecords = 50000;
constexpr int kTopFolders = 50;
constexpr int kSubFolders = 24;
constexpr int kPerFolder = 40;
constexpr size_t kCodeBytes = 1200;  // 50,000 x 1,200 = 60 MB of code text
static_assert(kTopFolders * (kSubFolders + 1) * kPerFolder == kRecords);

struct TFiller {
  TXMLDataBase2& db;
  std::mt19937 rng{42};
  int id = 1;
  int record = 0;

  TxevXMLNode2* Folder(TxevXMLNode2* parent, const std::string& title) {
    TxevXMLNode2* folder = parent->AddChild(bank::xnFolder);
    folder->SetText(title);
    bank::SetNodeID(folder, id++);
    return folder;
  }
  void Record(TxevXMLNode2* parent) {
    static const char* const words[] = {"int", "return", "for", "while", "value", "index", "(", ")", "{", "}",
                                        ";", "=", "+", "if", "else", "std::string", "count", "buffer", "x", "y"};
    TxevXMLNode2* r = parent->AddChild(bank::xnRecord);
    r->SetText("Snippet " + std::to_string(record));
    bank::SetNodeID(r, id++);
    std::string code;
    code.reserve(kCodeBytes);
    while (code.size() < kCodeBytes) {
      code += words[rng() % 20];
      code += (rng() % 8 == 0) ? "\r\n    " : " ";
    }
    code.resize(kCodeBytes);
    bank::SetRecordData(r, std::move(code));
    bank::SetRecordComments(r, "comment " + std::to_string(record));
    bank::SetNodeKeywords(r, "bench keyword");
    ++record;
  }
  void Records(TxevXMLNode2* folder, int count) {
    for (int i = 0; i < count; ++i) Record(folder);
  }
};

// Fills an empty databank with the canonical content, plus, when bigFolder is above 0, one more
// top-level folder "Big" (open) holding that many records; sets and returns NextNodeID.
inline int Fill(TXMLDataBase2& db, int bigFolder = 0) {
  TFiller f{db};
  for (int t = 0; t < kTopFolders; ++t) {
    TxevXMLNode2* top = f.Folder(db.Root(), "Folder " + std::to_string(t));
    f.Records(top, kPerFolder);
    for (int s = 0; s < kSubFolders; ++s) f.Records(f.Folder(top, "Folder " + std::to_string(t) + "." + std::to_string(s)), kPerFolder);
  }
  if (bigFolder > 0) {
    TxevXMLNode2* big = f.Folder(db.Root(), "Big");
    bank::SetExpanded(big, true);
    f.Records(big, bigFolder);
  }
  db.WriteInteger(bank::skNextNodeID, f.id);
  return f.id;
}

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
inline long ReadStatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line))
    if (line.compare(0, n, field) == 0) return std::strtol(line.c_str() + n + 1, nullptr, 10);
  return -1;
}

// A fresh folder below /tmp for a benchmark's files, removed with them at the end.
struct TBenchDir {
  std::string path;
  explicit TBenchDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + ".XXXXXX";
    path = ::mkdtemp(pattern.data());
  }
  ~TBenchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string File(const std::string& name) const { return path + "/" + name; }
};

}  // namespace canonical
