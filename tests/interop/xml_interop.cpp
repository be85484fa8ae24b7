// Our XML files against outside readers and writers: every file we write (without "&") must be
// well-formed for xmllint and read by Python's xml.etree as the tree we hold; files Python writes
// (within our narrow format) must read back as Python's tree.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "TestSupport.h"
#include "platform/Files.h"
#include "xml/uSettingsXML.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

using nlohmann::json;
using testsupport::ReadFile;
using testsupport::RunProcess;
using testsupport::TempDirTest;
using testsupport::WriteFile;

namespace {

// Prints one JSON line per file: [tag, [[name, value]...] sorted, text, [children]].
const char* kDumpScript = R"PY(
import sys, json, xml.etree.ElementTree as ET
def conv(e):
    return [e.tag, sorted([k, v] for k, v in e.attrib.items()), e.text, [conv(c) for c in e]]
for name in sys.argv[1:]:
    print(json.dumps(conv(ET.parse(name).getroot())))
)PY";

// Writes random documents in the narrow format (no tails, no blanks at the ends of texts) and
// prints the JSON form of each, as above.
const char* kWriteScript = R"PY(
import sys, json, random, xml.etree.ElementTree as ET
rnd = random.Random(int(sys.argv[1]))
folder, count = sys.argv[2], int(sys.argv[3])
letters = 'abcxyzABC_'
pool = 'abc XYZ 019 .,;:!?()[]{}/\\=+-*#%' + ''.join(chr(c) for c in range(0xA0, 0x100))
def name():
    return rnd.choice(letters) + ''.join(rnd.choice(letters + '0123456789.-') for _ in range(rnd.randint(0, 6)))
def text():
    t = ''.join(rnd.choice(pool) for _ in range(rnd.randint(0, 20))).strip()
    return t or None
def make(depth):
    e = ET.Element(name())
    for _ in range(rnd.randint(0, 3)):
        e.set(name(), ''.join(rnd.choice(pool) for _ in range(rnd.randint(0, 8))))
    e.text = text()
    if depth < 4:
        for _ in range(rnd.randint(0, 3)):
            e.append(make(depth + 1))
    return e
def conv(e):
    return [e.tag, sorted([k, v] for k, v in e.attrib.items()), e.text, [conv(c) for c in e]]
for i in range(count):
    root = make(0)
    enc = 'UTF-8' if i % 2 else 'ISO-8859-1'
    ET.ElementTree(root).write('%s/py%d.xml' % (folder, i), encoding=enc, xml_declaration=True)
    print(json.dumps(conv(root)))
)PY";

std::string Normalize(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The tree as Python reads our writer's output: an element with children also carries the line end
// and indentation in front of its first child in its text.
json Expected(const TxevXMLNode2* n, int depth) {
  json attrs = json::array();
  bool preserve = !n->Text().empty() && (static_cast<unsigned char>(n->Text().front()) <= 32 ||
                                         static_cast<unsigned char>(n->Text().back()) <= 32);
  std::vector<std::pair<std::string, std::string>> list;
  for (const TxevXMLAttribute2* a : n->Attributes()) list.emplace_back(a->Name(), a->Value());
  if (preserve) list.emplace_back("{http://www.w3.org/XML/1998/namespace}space", "preserve");
  std::sort(list.begin(), list.end());
  for (auto& [k, v] : list) attrs.push_back({k, v});
  json text = nullptr;
  if (!n->Children().IsEmpty()) {
    text = Normalize(n->Text()) + "\n" + std::string(2 * (depth + 1), ' ');
  } else if (!n->Text().empty()) {
    text = Normalize(n->Text());
  }
  json children = json::array();
  for (const TxevXMLNode2* c : n->Children()) children.push_back(Expected(c, depth + 1));
  return json::array({n->Name(), attrs, text, children});
}

// Our tree in Python's form for files Python wrote (no indentation there; "" is no text).
json AsRead(const TxevXMLNode2* n) {
  json attrs = json::array();
  std::vector<std::pair<std::string, std::string>> list;
  for (const TxevXMLAttribute2* a : n->Attributes()) list.emplace_back(a->Name(), a->Value());
  std::sort(list.begin(), list.end());
  for (auto& [k, v] : list) attrs.push_back({k, v});
  json children = json::array();
  for (const TxevXMLNode2* c : n->Children()) children.push_back(AsRead(c));
  return json::array({n->Name(), attrs, n->Text().empty() ? json(nullptr) : json(n->Text()), children});
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}
  std::string Name() {
    static const std::string first = "abcdefxyzABCXYZ_";
    static const std::string rest = "abcxyz0123456789_.-";
    std::string s(1, first[Pick(first.size())]);
    for (size_t i = Pick(8); i > 0; --i) s += rest[Pick(rest.size())];
    return s;
  }
  // Texts with everything our format carries: markup characters, "]]>", blanks and line ends at
  // either end, Latin-1 letters and, now and then, characters outside Windows-1252.
  std::string Text(bool wide) {
    static const std::vector<std::string> pieces = {
        "a",     "Z",         "0",        " ",        "  ",       "\t",   "\r\n", "\n",      "<",
        ">",     "]]>",       "]]",       "]",        "\"",       "'",    "/",    "=",       "if (a[b[0]]>1)",
        "x < y", "<![CDATA[", "\xC3\xA9", "\xC3\xBC", "\xC2\xA9", "word", "?>",   "<!-- -->"};
    static const std::vector<std::string> widePieces = {"\xE2\x86\x92", "\xCF\x80", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80"};
    std::string s;
    for (size_t i = Pick(12); i > 0; --i) s += pieces[Pick(pieces.size())];
    if (wide && Pick(2)) s += widePieces[Pick(widePieces.size())];
    return s;
  }
  std::string Value() {
    static const std::string chars = "abc XYZ 019 ./:;-_'()[]";
    std::string s;
    for (size_t i = Pick(10); i > 0; --i) s += chars[Pick(chars.size())];
    if (s.find('\'') != std::string::npos) return s;  // written between double quotes
    if (Pick(3) == 0) s += "\"q\"";                   // written between apostrophes
    return s;
  }
  void Fill(TxevXMLNode2* n, int depth, bool wide) {
    std::vector<std::string> used;
    for (size_t i = Pick(4); i > 0; --i) {
      std::string name = Name();
      if (name == "xml") continue;
      n->SetAttribute(name, Value());
    }
    if (Pick(3)) n->SetText(Text(wide));
    if (depth >= 5) return;
    for (size_t i = Pick(4); i > 0; --i) Fill(n->AddChild(Name()), depth + 1, wide);
  }
  size_t Pick(size_t n) { return static_cast<size_t>(rng_() % n); }

 private:
  std::mt19937 rng_;
};

// xmllint ends some answers with a line end and others not.
std::string Chomp(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::vector<json> JsonLines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(json::parse(line));
  return lines;
}

}  // namespace

class XmlInterop : public TempDirTest {};

TEST_F(XmlInterop, OurFilesAreWellFormedAndReadAsTheSameTree) {
  REQUIRE_TOOL(xmllint, "xmllint");
  REQUIRE_TOOL(python, "python3");
  const int count = 150;
  Generator gen(20240611);
  std::vector<std::string> files;
  std::vector<json> expected;
  int utf8Files = 0;
  for (int i = 0; i < count; ++i) {
    TXMLDataBase2 db;
    gen.Fill(db.Root(), 0, i % 3 == 0);
    const std::string file = tmp.File("doc" + std::to_string(i) + ".xdb2");
    db.SaveToFile(file);
    if (ReadFile(file).find("encoding='UTF-8'") != std::string::npos) ++utf8Files;
    files.push_back(file);
    expected.push_back(Expected(db.Root(), 0));
  }
  EXPECT_GT(utf8Files, 10);

  auto lint = RunProcess(xmllint, [&] {
    std::vector<std::string> args{"--noout"};
    args.insert(args.end(), files.begin(), files.end());
    return args;
  }());
  EXPECT_EQ(lint.exitCode, 0) << lint.err.substr(0, 2000);

  WriteFile(tmp.File("dump.py"), kDumpScript);
  std::vector<std::string> args{tmp.File("dump.py")};
  args.insert(args.end(), files.begin(), files.end());
  auto dump = RunProcess(python, args);
  ASSERT_EQ(dump.exitCode, 0) << dump.err.substr(0, 2000);
  std::vector<json> got = JsonLines(dump.out);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_EQ(got[i], expected[i]) << files[i] << "\n" << ReadFile(files[i]).substr(0, 3000);
}

TEST_F(XmlInterop, FilesPythonWritesReadAsPythonsTree) {
  REQUIRE_TOOL(python, "python3");
  WriteFile(tmp.File("write.py"), kWriteScript);
  const int count = 100;
  auto made = RunProcess(python, {tmp.File("write.py"), "7", tmp.Path().string(), std::to_string(count)});
  ASSERT_EQ(made.exitCode, 0) << made.err.substr(0, 2000);
  std::vector<json> trees = JsonLines(made.out);
  ASSERT_EQ(trees.size(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string file = tmp.File("py" + std::to_string(i) + ".xml");
    TXMLDataBase2 db;
    ASSERT_TRUE(db.LoadFromFile(file)) << db.LastError();
    EXPECT_EQ(AsRead(db.Root()), trees[static_cast<size_t>(i)]) << ReadFile(file);
  }
}

TEST_F(XmlInterop, SettingsAndDatabankFilesAnswerXPath) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string file = tmp.File("settings.xdb");
  {
    TXMLSettings settings;
    settings.SetFileName(file);
    settings.Open();
    auto section = settings.OpenSection("S");
    section->WriteInteger("posLeft", 20);
    section->WriteBool("Flag", true);
  }
  auto r = RunProcess(xmllint, {"--xpath", "string(/dataroot/S/posLeft)", file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Chomp(r.out), "20");
  r = RunProcess(xmllint, {"--xpath", "string(/dataroot/S/Flag)", file});
  EXPECT_EQ(Chomp(r.out), "1");

  TXMLDataBase2 db("");
  db.WriteInteger("NextNodeID", 5);
  db.ListsNode();
  const std::string out = tmp.File("out.xdb");
  db.SaveToFile(out);
  EXPECT_EQ(
      ReadFile(out),
      "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>\r\n  <settings>\r\n    <NextNodeID>5</NextNodeID>"
      "\r\n  </settings>\r\n  <lists/>\r\n</dataroot>");
  r = RunProcess(xmllint, {"--noout", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = RunProcess(xmllint, {"--xpath", "string(/dataroot/settings/NextNodeID)", out});
  EXPECT_EQ(Chomp(r.out), "5");
}
