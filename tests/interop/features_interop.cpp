// The features of the databank window against outside tools: the matcher against Python's re and
// grep -P, the filter against a Python reading of the XML, and export, import and the databank
// information against xmllint, through the probes.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "TestSupport.h"

using testsupport::ProbePath;
using testsupport::RunProcess;
using testsupport::WriteFile;
using testsupport::XPath;

namespace {

// Folder 1 holds record 2 and folder 3 (records 4 and 5); folder 6 holds record 7; record 8 is at
// the top level.
const std::string kBank =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>9</NextNodeID></settings>"
    "<folder ID=\"1\" expanded=\"1\">Code<record ID=\"2\">Sort<data>std::sort(v);</data></record>"
    "<folder ID=\"3\">Pascal<record ID=\"4\">Hello<data>writeln;</data></record><record ID=\"5\">Bye</record></folder>"
    "</folder><folder ID=\"6\">Tools<record ID=\"7\">Make<comments>c</comments></record></folder>"
    "<record ID=\"8\">Top</record></dataroot>";

std::string Script(const std::string& dir, const std::string& name) {
  return std::string(TESSARYN_SOURCE_DIR) + "/" + dir + "/" + name;
}

class FeaturesInterop : public testsupport::TempDirTest {
 protected:
  std::string tree = ProbePath("treeprobe");
  std::string xdb = ProbePath("xdbprobe");

  testsupport::ProcessResult Tree(const std::string& bank, const std::string& script,
                                  const std::vector<std::string>& options = {}) {
    std::vector<std::string> args = options;
    args.push_back(bank);
    auto r = RunProcess(tree, args, script, 120);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r;
  }
};

}  // namespace

TEST(FeaturesPython, MatcherAgreesWithPythonRe) {
  REQUIRE_TOOL(python, "python3");
  auto r = RunProcess(python, {Script("tests/interop", "matcher_compare.py"), ProbePath("xdbprobe")}, "", 600);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  std::cout << r.out;
}

TEST(FeaturesPython, FilterAgreesWithAReadingOfTheXML) {
  REQUIRE_TOOL(python, "python3");
  testsupport::TempDir tmp;
  auto r = RunProcess(
      python, {Script("tests/interop", "filter_compare.py"), ProbePath("treeprobe"), tmp.Path().string()}, "", 900);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  std::cout << r.out;
}

// Export then import: the file opens on its own, holds a counter above its IDs, and brings the same
// subtree back with fresh IDs. The information dialog counts what xmllint counts.
TEST_F(FeaturesInterop, ExportImportAndInformation) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string bank = tmp.File("bank.xdb2"), out = tmp.File("out.xdb2");
  WriteFile(bank, kBank);
  auto r = Tree(bank, "select 3\nexport " + out + " 2 3\nselect 8\nimport " + out + "\nsave\ninfo\nmessages\n");
  auto outline = RunProcess(xdb, {"outline", out});
  ASSERT_EQ(outline.exitCode, 0) << outline.err;
  EXPECT_EQ(outline.out,
            "R 2 Sort lang=0 data=13 comments=0\nF 3 Pascal\n  R 4 Hello lang=0 data=8 comments=0\n"
            "  R 5 Bye lang=0 data=0 comments=0\nnext=9\n");
  EXPECT_EQ(XPath(xmllint, out, "string(//settings/NextNodeID)"), "9");
  EXPECT_FALSE(XPath(xmllint, out, "string(//settings/Exported)").empty());
  // Back in before record 8, renumbered from 9 in pre-order.
  auto after = RunProcess(xdb, {"outline", bank});
  EXPECT_NE(after.out.find("F 6 Tools\n  R 7 Make lang=0 data=0 comments=1\nR 9 Sort lang=0 data=13 comments=0\n"
                           "F 10 Pascal\n  R 11 Hello lang=0 data=8 comments=0\n  R 12 Bye lang=0 data=0 comments=0\n"
                           "R 8 Top"),
            std::string::npos)
      << after.out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("Folders: (\\d+)\nRecords: (\\d+)"))) << r.out;
  EXPECT_EQ(m[1].str(), XPath(xmllint, bank, "count(//folder)"));
  EXPECT_EQ(m[2].str(), XPath(xmllint, bank, "count(//record)"));
  EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;  // no message was shown
}

// Export onto the open databank's own file, named as it is or through a link, through the probe's
// window: refused in one box (the save dialog comes back, and is cancelled), and every node is still
// in the file after the close, as xmllint counts them; the backup too.
TEST_F(FeaturesInterop, ExportOntoTheOpenFileIsRefused) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string bank = tmp.File("own.xdb2"), link = tmp.File("link.xdb2");
  std::filesystem::create_symlink(bank, link);
  for (const std::string& target : {bank, link, tmp.File("own.backup")}) {
    SCOPED_TRACE(target);
    WriteFile(bank, kBank);
    auto r = Tree(bank, "select 1\nexport " + target + " 1\nmessages\nclose\n");
    EXPECT_EQ(r.out, "Error\tThis is the open databank's file. Choose another name.\n");
    EXPECT_EQ(XPath(xmllint, bank, "count(//folder|//record)"), "8");
    EXPECT_EQ(XPath(xmllint, tmp.File("own.backup"), "count(//folder|//record)"), "8");
  }
}

// An enciphered file is tried with the open databank's password, then asks for its own; a
// compressed one needs no prompt; the open databank keeps its password and its plain form.
TEST_F(FeaturesInterop, ImportOfProtectedFilesLeavesTheOpenDatabankAsItWas) {
  const std::string plain = tmp.File("plain.xml"), bank = tmp.File("bank.xdb2");
  const std::string other = tmp.File("other.xdb2"), packed = tmp.File("packed.xdb2");
  WriteFile(plain, kBank);
  ASSERT_EQ(RunProcess(xdb, {"encode", "--password", "open", plain, bank}).exitCode, 0);
  ASSERT_EQ(RunProcess(xdb, {"encode", "--password", "own", "--compress", plain, other}).exitCode, 0);
  ASSERT_EQ(RunProcess(xdb, {"encode", "--compress", plain, packed}).exitCode, 0);
  auto r = Tree(bank,
                "select 8\npassword own\nimport " + other + "\nimport " + packed + "\npassword wrong\nimport " + other +
                    "\nsave\nmessages\n",
                {"--password", "open"});
  // The wrong answers are the only failure: each brings the prompt back (the probe's own password
  // once, then the prompt is cancelled, which is told in one box).
  EXPECT_EQ(r.out, "Error\tCould not open DataBank!\\nThe password is wrong, or the file is damaged: " + other + "\n");
  auto reopened = RunProcess(xdb, {"outline", "--password", "open", bank});
  ASSERT_EQ(reopened.exitCode, 0) << reopened.err;
  EXPECT_EQ(std::count(reopened.out.begin(), reopened.out.end(), '\n'), 3 * 8 + 1);  // three copies of 8 nodes
  const std::string head = testsupport::ReadFile(bank).substr(0, 2);
  EXPECT_NE(head, "PK");  // still not compressed
  EXPECT_NE(RunProcess(xdb, {"outline", "--password", "own", bank}).exitCode, 0);
}

// The filter's regular expressions against grep -P (PCRE2 in UTF mode, ignoring case with -i) over
// records in several scripts, one record a line: both list the same records. The filter reads \w
// as letters and "_" (its engine's meaning), which grep is given as [A-Za-z_]. Some rows also say
// which records an expression must list: a character outside the code page is that character (Щ
// is in no record, \? only where a "?" is), a set holds only what it writes ([\?-\?], [а-я] of
// plain ASCII text), and a text in Windows-1252 (Köln) is matched as it reads.
TEST(FeaturesGrep, FilterExpressionsListWhatGrepFinds) {
  REQUIRE_TOOL(env, "env");
  REQUIRE_TOOL(grep, "grep");
  const std::vector<std::string> records = {"Привет мир",      "hello world",
                                            "Ёлка и ёж",       "Σίσυφος ΣΊΣΥΦΟΣ σοφός",
                                            "漢字テスト 中文", "emoji 👍🏽 here 😀",
                                            "Köln only",       "KÖLN city",
                                            "naïve café",      "snake_case x1 = 42;",
                                            "question? yes",   "ЩИТ",
                                            "ǅemal ǆ",         "straße STRASSE",
                                            "𐐀𐐨 deseret",      "plain ascii text",
                                            "a\\b [x] {y}",    "Kelvin \u212a, long \u017f",
                                            "µ micro μ mu",    "Ωmega ohm \u2126",
                                            "Я и ты",          "ÿ and Ÿ"};
  struct Row {
    std::string expr, grepExpr;  // grepExpr empty: the same
    bool caseSensitive;
    std::string want;  // the records (1-based, blank-separated) it must list; empty: grep alone decides
  };
  const Row rows[] = {
      {"Щ", "", false, "12"},
      {"щ", "", true, "-"},
      {"\\?", "", false, "11"},
      {"[\\?-\\?]", "", false, "11"},
      {"[Я-Я]", "", false, "21"},
      {"[а-я]", "", false, "1 3 12 21"},
      {"[а-я]", "", true, "1 3 21"},
      {"^[а-яё ]+$", "", true, ""},
      {"Köln only", "", false, "7"},
      {"köln", "", false, "7 8"},
      {"KÖLN", "", true, "8"},
      {"σίσυφ", "", false, "4"},
      {"ΣΊΣΥΦ", "", true, "4"},
      {"\\w+ \\w+", "[A-Za-z_]+ [A-Za-z_]+", false, ""},
      {"\\W\\W", "[^A-Za-z_][^A-Za-z_]", true, ""},
      {"^\\w+$", "^[A-Za-z_]+$", false, ""},
      {".", "", true, ""},
      {"^...$", "", true, "12"},
      {"[^ -~]", "", true, ""},
      {"[\\?!]", "", true, "11"},
      {"[\\[\\]]", "", true, "17"},
      {"\\\\b", "", true, "17"},
      {"漢.", "", true, "5"},
      {"👍.", "", true, "6"},
      {"[👍😀]", "", true, "6"},
      {"[😀-🙏] ", "", true, ""},
      {"é|ï", "", false, "9"},
      {"ß", "", false, "14"},
      {"^[a-z ]+$", "", false, "2 16"},
      {"x\\d", "", false, "10"},
      {"[à-ÿ]", "", false, "7 8 9 22"},
      {"caf.", "", true, "9"},
      {"k", "", false, ""},
      {"s", "", false, ""},
      {"^Kelvin k, long s$", "", false, "18"},
      {"µ", "", false, "19"},
      {"µ", "", true, "19"},
      {"ω", "", false, "20"},
      {"ǆ", "", false, "13"},
      {"𐐀", "", false, "15"},
      {"[𐐀]", "", true, "15"},
      {"[\\x41-\\x43]", "", true, "14"},
      {"\\x3F", "", true, "11"},
      {"[!-\\?]+", "", true, ""},
      {"[Ё-ё]+ и", "", true, "3 21"},
      {"(ёж|мир)$", "", false, "1 3"},
      {"[^а-яё ]", "", false, ""},
  };
  testsupport::TempDir tmp;
  const std::string file = (tmp.Path() / "records.txt").string();
  std::string lines;
  for (const std::string& r : records) lines += r + "\n";
  testsupport::WriteFile(file, lines);
  // Ours, all rows in one run of the matcher's probe: one answer a record.
  std::string script;
  for (const Row& row : rows)
    for (const std::string& r : records)
      script += "regexp\t" + std::string(row.caseSensitive ? "c" : "-") + "\t" + row.expr + "\t" + r + "\n";
  const auto ours = RunProcess(ProbePath("xdbprobe"), {"match"}, script, 120);
  ASSERT_EQ(ours.exitCode, 0) << ours.err;
  std::istringstream answers(ours.out);
  int compared = 0;
  for (const Row& row : rows) {
    std::string listed;
    for (size_t i = 0; i < records.size(); ++i) {
      std::string answer;
      std::getline(answers, answer);
      ASSERT_TRUE(answer == "0" || answer == "1") << row.expr << ": " << answer;
      if (answer == "1") listed += (listed.empty() ? "" : " ") + std::to_string(i + 1);
    }
    std::vector<std::string> args = {"LC_ALL=C.UTF-8", grep, "-n", "-P"};
    if (!row.caseSensitive) args.push_back("-i");
    args.insert(args.end(), {"-e", row.grepExpr.empty() ? row.expr : row.grepExpr, file});
    const auto g = RunProcess(env, args, "", 60);
    ASSERT_TRUE(g.exitCode == 0 || g.exitCode == 1) << row.expr << ": " << g.err;
    std::string found;
    std::istringstream grepLines(g.out);
    for (std::string line; std::getline(grepLines, line);)
      found += (found.empty() ? "" : " ") + line.substr(0, line.find(':'));
    EXPECT_EQ(listed, found) << "/" << row.expr << "/" << (row.caseSensitive ? "" : "i");
    if (!row.want.empty()) {
      EXPECT_EQ(listed.empty() ? "-" : listed, row.want) << "/" << row.expr << "/";
    }
    ++compared;
  }
  EXPECT_EQ(compared, int(std::size(rows)));
}
