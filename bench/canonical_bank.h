// The canonical databank of the benchmarks: 50,000 records holding 60 MB of code text in 1,250
// folders (50 at the top level, each holding 24 more; 40 records in each of the 1,250), about 66 MB
// of XML. The same bytes in every run.
//
// Like real databanks it is not pure ASCII: about 4% of the characters of its titles, keywords, code
// and comments are accented Latin letters, the euro sign, dashes and typographic quotes (all of them
// in Windows-1252, so the file is written in that code page). The ASCII variant has the same
// structure and the same file size, each of those characters replaced by one ASCII letter.
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

enum class TText { NonAscii, Ascii };

// Each character beyond ASCII becomes one ASCII letter, so the Windows-1252 file keeps its size.
inline std::string AsciiOnly(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8)
    if (static_cast<unsigned char>(c) < 0x80)
      out += c;
    else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
      out += 'e';  // a lead byte
  return out;
}

struct TFiller {
  TXMLDataBase2& db;
  TText textKind = TText::NonAscii;
  std::mt19937 rng{42};
  int id = 1;
  int record = 0;

  TxevXMLNode2* Folder(TxevXMLNode2* parent, const std::string& title) {
    TxevXMLNode2* folder = parent->AddChild(bank::xnFolder);
    folder->SetText(Text(title));
    bank::SetNodeID(folder, id++);
    return folder;
  }
  std::string Text(std::string utf8) const { return textKind == TText::Ascii ? AsciiOnly(utf8) : utf8; }
  void Record(TxevXMLNode2* parent) {
    // Two words of 22 carry accents, quotes or the euro sign: about 5% of the code's characters.
    // clang-format off
    static const char* const words[] = {"int", "return", "for", "while", "value", "index", "(", ")", "{", "}", ";",
                                        "=", "+", "if", "else", "std::string", "count", "buffer", "x", "y",
                                        "r\u00E9sum\u00E9", "\u201C\u20AC\u201D"};
    // clang-format on
    TxevXMLNode2* r = parent->AddChild(bank::xnRecord);
    r->SetText(Text("Snippet " + std::to_string(record) + (record % 7 == 3 ? " \u2013 caf\u00E9" : "")));
    bank::SetNodeID(r, id++);
    std::string code;
    code.reserve(kCodeBytes + 8);
    while (code.size() < kCodeBytes) {
      code += words[rng() % 22];
      code += (rng() % 8 == 0) ? "\r\n    " : " ";
    }
    // Cut at a character's start, so the code stays well-formed UTF-8.
    size_t end = kCodeBytes;
    while (end > 0 && (static_cast<unsigned char>(code[end]) & 0xC0) == 0x80) --end;
    code.resize(end);
    bank::SetRecordData(r, Text(std::move(code)));
    bank::SetRecordComments(r, Text("\u201Ecomment\u201C " + std::to_string(record) + " \u00FCber na\u00EFve"));
    bank::SetNodeKeywords(r, Text(record % 3 == 0 ? "bench keyword cl\u00E9" : "bench keyword"));
    ++record;
  }
  void Records(TxevXMLNode2* folder, int count) {
    for (int i = 0; i < count; ++i) Record(folder);
  }
};

// Fills an empty databank with the canonical content, plus, when bigFolder is above 0, one more
// top-level folder "Big" (open) holding that many records; sets and returns NextNodeID. A databank of
// another size has topFolders of the same folders (1,000 records each).
inline int Fill(TXMLDataBase2& db, int bigFolder = 0, TText text = TText::NonAscii, int topFolders = kTopFolders) {
  TFiller f{db, text};
  for (int t = 0; t < topFolders; ++t) {
    TxevXMLNode2* top = f.Folder(db.Root(), "Folder " + std::to_string(t));
    f.Records(top, kPerFolder);
    for (int s = 0; s < kSubFolders; ++s)
      f.Records(f.Folder(top, "Folder " + std::to_string(t) + "." + std::to_string(s)), kPerFolder);
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
