// The canonical databank of the benchmarks, shaped like a databank a person has kept for years:
// 50,000 records holding 57 MB of code text in 1,250 folders, 75 MB of XML. The same bytes in every
// run.
//
// - Folders: 50 at the top level, each with 24 more below it in chains of five (folder depths 1 to
//   6, records down to the 7th level); 40 records in each folder. Every folder has keywords, the top
//   ones a language ("HighLight"), some a picture and the "expanded" mark.
// - Records: code of varied length (a few lines to a few pages; C-like text with "<", ">", "->" and
//   "&", so nearly every one is a CDATA section), comments (some with markup, also CDATA), keywords,
//   the caret and comment-panel state the editor stores, and for some a language or picture.
// - Text: about one character in a hundred of titles, keywords, code and comments is an accented
//   Latin letter, the euro sign, a dash or a typographic quote, and nearly every record holds some
//   (all of them in Windows-1252, so the file is written in that code page). The ASCII variant has the same structure
//   and the same file size, each of those characters replaced by one ASCII letter.
// - The shape TShape::Kept is a databank as people keep theirs, for the benchmarks of what a user
//   waits for when opening one: the same folders and code, but a third of the comments are HTML
//   markup (CDATA sections over several lines), the text of code comments, strings and comments is
//   written in European languages, so that about 4 in 100 of the file's bytes are letters beyond
//   ASCII (all in Windows-1252), and the record last selected (that opening selects again) lies in
//   the middle of the tree, in a folder six deep (MiddleRecordID).
//
// Words the record filter's benchmarks look for occur as in real code: names joined by "_"
// (node_cache), "return" in about half of the records, "push_back(item)", comments that speak of
// "the buffer", words such as "connect" and "content", and rarely "x+=queue".
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "databank/uDataBankContent.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

namespace canonical {

constexpr int kRecords = 50000;
constexpr int kTopFolders = 50;
constexpr int kSubFolders = 24;
constexpr int kChain = 5;  // subfolders below a top folder come in chains of this many
constexpr int kPerFolder = 40;
constexpr int kFolders = kTopFolders * (kSubFolders + 1);
static_assert(kTopFolders * (kSubFolders + 1) * kPerFolder == kRecords);

enum class TText { NonAscii, Ascii };
enum class TShape { Canonical, Kept };

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
  TShape shape = TShape::Canonical;
  std::mt19937 rng{42};
  int id = 1;
  int record = 0;
  int folder = 0;

  // clang-format off
  static constexpr const char* kNames[] = {"buffer", "node", "folder", "record", "item", "index", "value", "count",
                                           "list", "tree", "file", "line", "text", "word", "page", "block", "entry",
                                           "key", "table", "stream"};
  static constexpr const char* kSuffixes[] = {"queue", "cache", "mode", "size", "ptr", "map", "id", "name"};
  static constexpr const char* kTypes[] = {"int", "auto", "size_t", "std::string", "std::vector<int>",
                                           "const char*", "bool", "double"};
  static constexpr const char* kAccented[] = {"r\u00E9sum\u00E9", "\u201C\u20AC\u201D", "na\u00EFve", "\u00FCber",
                                              "caf\u00E9", "\u2013"};
  // What people write in their comments and strings beyond English (TShape::Kept).
  static constexpr const char* kEuropean[] = {
      "Gr\u00F6\u00DFe pr\u00FCfen, \u00DCberg\u00E4nge z\u00E4hlen",
      "d\u00E9j\u00E0 r\u00E9gl\u00E9 : param\u00E8tres \u00E0 c\u00F4t\u00E9 de l\u2019\u00E9l\u00E9ment",
      "funci\u00F3n que a\u00F1adi\u00F3 m\u00E1s l\u00EDneas al \u00EDndice",
      "n\u00E6ste s\u00F8gning p\u00E5 tr\u00E6et \u2013 f\u00E6rdig",
      "r\u00E9sum\u00E9 du caf\u00E9 na\u00EFf, \u201Ecitation\u201C",
      "fun\u00E7\u00E3o s\u00F3 l\u00EA o cora\u00E7\u00E3o da p\u00E1gina"};
  // clang-format on

  unsigned Pick(unsigned n) { return rng() % n; }
  std::string Name() {
    std::string n = kNames[Pick(20)];
    if (Pick(6) == 0) n += std::string("_") + kSuffixes[Pick(8)];
    return n;
  }
  std::string Accented() { return kAccented[Pick(6)]; }
  // A comment's or a string's words: a European phrase in a databank as kept, else one word.
  std::string Words() { return shape == TShape::Kept ? kEuropean[Pick(6)] : Accented(); }

  // One line of code, without its indent.
  std::string Statement() {
    switch (Pick(20)) {
      case 0:
        return Pick(2) ? "return " + Name() + ";" : Name() + " = " + Name() + ";";
      case 1:
        return "delete " + Name() + ";";
      case 2:
        return "for (int i = 0; i < " + Name() + ".size(); ++i) {";
      case 3:
        return "if (" + Name() + "->" + Name() + " > x && y <= " + Name() + ") {";
      case 4:
        return Name() + ".push_back(item);";
      case 5:
        return "// the " + Name() + " holds what the " + Name() + " " + Words() + " needs";
      case 6:
        return "}";
      case 7:
        return std::string(kTypes[Pick(8)]) + " " + Name() + " = " + Name() + " + " + std::to_string(Pick(100)) + ";";
      case 8:
        return "while (" + Name() + " != nullptr) " + Name() + " = " + Name() + "->next;";
      case 9:
        return "std::cout << \"" + Words() + " \" << " + Name() + " << std::endl;";
      case 10:
        return "} else {";
      case 11:
        switch (Pick(4)) {
          case 0:
            return "connect(" + Name() + ", &" + Name() + ");";
          case 1:
            return "auto content = " + Name() + ".content();";
          default:
            return "assert(" + Name() + ".empty());";
        }
      case 12:
        return Pick(8) == 0 ? "x+=queue_size;" : "y = " + Name() + " * x;";
      case 13:
        return "if (" + Name() + " == 0 || !" + Name() + ") break;";
      case 14:
        return "/* " + Words() + ": the buffer is full */";
      case 15:
        return "auto it = " + Name() + ".find(key);";
      case 16:
        return "++" + Name() + ";";
      case 17:
        return Name() + "[" + Name() + "] = value;";
      case 18:
        return "std::string " + Name() + " = \"" + Words() + "\";";
      default:
        return Name() + "(" + Name() + ", " + Name() + ");";
    }
  }

  // Code of a length between a few lines and a few pages: most records are short snippets.
  std::string Code() {
    const unsigned kind = Pick(10);
    const size_t target = kind < 6 ? 150 + Pick(650) : kind < 9 ? 800 + Pick(1600) : 2400 + Pick(2800);
    std::string code;
    code.reserve(target + 100);
    int depth = 0;
    while (code.size() < target) {
      const std::string line = Statement();
      if (line.front() == '}' && depth > 0) --depth;
      if (!code.empty()) code += "\r\n";
      code.append(size_t(2 * depth), ' ');
      code += line;
      if (line.back() == '{') depth = std::min(depth + 1, 4);
    }
    return code;
  }

  // A comment kept as HTML markup, as copied from a page or written for one: a few paragraphs, a
  // list and some code, over several lines.
  std::string Markup() {
    std::string html = "<h3>" + Name() + " " + std::to_string(record) + " \u2013 " + Words() + "</h3>\r\n";
    html += "<p>Returns the <b>" + Name() + "</b> of the <i>" + Name() + "</i>; " + Words() + ".</p>\r\n<ul>\r\n";
    for (unsigned i = 0, n = 2 + Pick(3); i < n; ++i)
      html += "  <li><code>" + Name() + "-&gt;" + Name() + "</code> " + Words() + "</li>\r\n";
    html += "</ul>\r\n<p>See <a href=\"https://example.org/" + Name() + ".html\">the " + Name() + " page</a>.</p>";
    return html;
  }

  TxevXMLNode2* Folder(TxevXMLNode2* parent, const std::string& title) {
    TxevXMLNode2* f = parent->AddChild(bank::xnFolder);
    f->SetText(Text(title + (folder % 4 == 1 ? " \u2013 " + Accented() : "")));
    bank::SetNodeID(f, id++);
    if (folder % 3 == 0) bank::SetExpanded(f, false);
    if (folder % 5 == 2) f->SetAttribute(bank::xaImage, std::to_string(2 * Pick(8)));
    bank::SetNodeKeywords(f, Text(std::string(kNames[Pick(20)]) + " " + kNames[Pick(20)] + ";folder " + Accented()));
    if (parent == db.Root()) XMLPathWriteString(f, bank::xnHighLight, std::to_string(1 + Pick(12)));
    ++folder;
    return f;
  }
  std::string Text(std::string utf8) const { return textKind == TText::Ascii ? AsciiOnly(utf8) : utf8; }
  void Record(TxevXMLNode2* parent) {
    TxevXMLNode2* r = parent->AddChild(bank::xnRecord);
    r->SetText(Text("Snippet " + std::to_string(record) + (record % 7 == 3 ? " \u2013 caf\u00E9" : "")));
    bank::SetNodeID(r, id++);
    if (record % 10 != 0) {  // the editor's state, stored when the record was last open
      r->SetAttribute(bank::xaXPos, std::to_string(1 + Pick(40)));
      r->SetAttribute(bank::xaYPos, std::to_string(1 + Pick(30)));
      r->SetAttribute(bank::xaCommentPanelHeight, std::to_string(60 + Pick(100)));
      r->SetAttribute(bank::xaCommentPanelShown, Pick(4) ? "1" : "0");
    }
    if (record % 13 == 5) r->SetAttribute(bank::xaImage, std::to_string(16 + Pick(16)));
    bank::SetRecordData(r, Text(Code()));
    std::string comments = "\u201Ecomment\u201C " + std::to_string(record) + " \u00FCber na\u00EFve";
    if (shape == TShape::Kept) {
      comments = record % 3 == 0 ? Markup() : comments + ": " + Words();
    } else if (record % 4 == 0) {
      comments += "\r\nSee <b>" + Name() + "</b> -> the " + Name() + " page.";
    }
    bank::SetRecordComments(r, Text(comments));
    bank::SetNodeKeywords(r, Text(record % 3 == 0 ? "bench keyword cl\u00E9 " + Name() : "bench keyword " + Name()));
    if (record % 11 == 4) XMLPathWriteString(r, bank::xnHighLight, std::to_string(Pick(14)));
    if (record % 10 != 0) XMLPathWriteString(r, bank::xnCommentPanelAlignment, "false");
    ++record;
  }
  void Records(TxevXMLNode2* folder, int count) {
    for (int i = 0; i < count; ++i) Record(folder);
  }
};

// Fills an empty databank with the canonical content, plus, when bigFolder is above 0, one more
// top-level folder "Big" (open) holding that many records; sets and returns NextNodeID. A databank of
// another size has topFolders of the same folders (1,000 records each). The records are numbered in
// display order, so "Snippet 49999" is the canonical databank's last.
inline int Fill(TXMLDataBase2& db, int bigFolder = 0, TText text = TText::NonAscii, int topFolders = kTopFolders,
                TShape shape = TShape::Canonical) {
  TFiller f{db, text, shape};
  for (int t = 0; t < topFolders; ++t) {
    TxevXMLNode2* top = f.Folder(db.Root(), "Folder " + std::to_string(t));
    f.Records(top, kPerFolder);
    TxevXMLNode2* above = top;
    for (int s = 0; s < kSubFolders; ++s) {
      if (s % kChain == 0) above = top;
      above = f.Folder(above, "Folder " + std::to_string(t) + "." + std::to_string(s));
      f.Records(above, kPerFolder);
    }
  }
  if (bigFolder > 0) {
    TxevXMLNode2* big = f.Folder(db.Root(), "Big");
    bank::SetExpanded(big, true);
    f.Records(big, bigFolder);
  }
  db.WriteInteger(bank::skNextNodeID, f.id);
  return f.id;
}

// The ID of a record in the middle of a databank Fill made of topFolders top-level folders: the first
// record of the deepest folder (six deep) of the middle top-level folder. Opening the databank with it
// as the one last selected opens every folder on its path.
inline int MiddleRecordID(int topFolders) {
  // IDs are given in document order: each folder, then its records, then the folders below it.
  const int perTop = (kSubFolders + 1) * (1 + kPerFolder);
  const int top = topFolders / 2;
  // The deepest folder of the top folder's first chain is its kChain-th subfolder: the top folder with
  // its records and kChain - 1 subfolders with theirs come before it.
  return 1 + top * perTop + kChain * (1 + kPerFolder) + 1;
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
