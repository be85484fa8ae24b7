// The features of the databank window against outside tools: the matcher against Python's re, the
// filter against a Python reading of the XML, and export, import and the databank information
// against xmllint, through the probes.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

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
