// What the program brings along: the sample databank it opens on the first run, and the install rule
// that puts the program, the sample, the plug-in folder, the icon and a launcher under a prefix.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "AppTestSupport.h"
#include "databank/uDataBankContent.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

namespace fs = std::filesystem;

TEST(ProgramFiles, TheSampleShowsEveryLanguageWithKeywordsCommentsAndABookmark) {
  const std::string path = std::string(TESSARYN_SOURCE_DIR) + "/resources/about.xdb2";
  const std::string bytes = testsupport::ReadFile(path);
  TXMLDataBase2 bank;
  ASSERT_TRUE(bank.LoadEncodedXML(bytes)) << bank.LastError();
  // Written exactly as the program writes a databank.
  EXPECT_EQ(bank.EncodedXML(), bytes);
  // Beside the built program, as the first run looks for it.
  EXPECT_EQ(testsupport::ReadFile(std::string(TESSARYN_BINARY_DIR) + "/about.xdb2"), bytes);

  std::set<int> languages;
  int records = 0, highest = 0;
  bank::ForEachTreeNode(bank.Root(), [&](TxevXMLNode2* node, int) {
    highest = std::max(highest, bank::NodeID(node));
    if (!bank::IsRecord(node)) return;
    ++records;
    EXPECT_FALSE(bank::RecordData(node).empty()) << node->Text();
    EXPECT_FALSE(bank::RecordComments(node).empty()) << node->Text();
    EXPECT_FALSE(bank::NodeKeywords(node).empty()) << node->Text();
    // Line ends as the editor stores them: a stray CR would show as an extra empty line.
    for (const std::string& text : {bank::RecordData(node), bank::RecordComments(node)})
      EXPECT_EQ(text.find("\r\r"), std::string::npos) << node->Text();
    const TxevXMLNode2* folder = node->Parent();
    if (bank::IsFolder(folder) && folder->FindNode(bank::xnHighLight))
      EXPECT_TRUE(languages.insert(XMLPathReadInteger(folder, bank::xnHighLight, -1)).second) << folder->Text();
  });
  // A folder for each of the built-in languages, each with its example.
  std::set<int> builtIn;
  for (const TSynLanguageInfo& row : SynLanguageTable)
    if (row.Listing != TSynListing::None) builtIn.insert(row.Tag);
  EXPECT_EQ(languages, builtIn);
  EXPECT_GE(records, 16);
  EXPECT_GT(bank.ReadInteger(bank::skNextNodeID, 0), highest);
  const std::vector<bank::TBookmark> marks = bank::ReadBookmarks(bank);
  ASSERT_FALSE(marks.empty());
  for (const bank::TBookmark& mark : marks) EXPECT_TRUE(bank::IsRecord(bank::FindNodeByID(bank.Root(), mark.ID)));
  EXPECT_TRUE(bank::IsRecord(bank::FindNodeByID(bank.Root(), bank.ReadInteger(bank::skLastPosition, -1))));
}

TEST(ProgramFiles, InstallRulePutsTheProgramAndItsFilesUnderAPrefix) {
  REQUIRE_TOOL(cmake, "cmake");
  REQUIRE_TOOL(validate, "desktop-file-validate");
  testsupport::TempDir tmp;
  const std::string prefix = tmp.File("prefix");
  const auto r = testsupport::RunProcess(cmake, {"--install", TESSARYN_BINARY_DIR, "--prefix", prefix}, "", 300);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  // The program lives with what it looks for beside itself; bin/ links to it.
  const fs::path program = prefix + "/lib/tessaryn/tessaryn";
  EXPECT_TRUE(fs::is_regular_file(program));
  EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_TRUE(fs::is_symlink(prefix + "/bin/tessaryn"));
  EXPECT_TRUE(fs::equivalent(prefix + "/bin/tessaryn", program));
  EXPECT_EQ(testsupport::ReadFile(prefix + "/lib/tessaryn/about.xdb2"),
            testsupport::ReadFile(std::string(TESSARYN_SOURCE_DIR) + "/resources/about.xdb2"));
  EXPECT_TRUE(fs::is_directory(prefix + "/lib/tessaryn/highlighters"));
  EXPECT_TRUE(fs::is_regular_file(prefix + "/share/icons/hicolor/scalable/apps/tessaryn.svg"));
  EXPECT_TRUE(fs::is_regular_file(prefix + "/include/tessaryn/recordeditor/SynHighlighterPlugin.h"));
  const std::string launcher = prefix + "/share/applications/tessaryn.desktop";
  const auto valid = testsupport::RunProcess(validate, {launcher});
  EXPECT_EQ(valid.exitCode, 0) << valid.out << valid.err;
  const std::string text = testsupport::ReadFile(launcher);
  EXPECT_NE(text.find("Exec=\"" + prefix + "/bin/tessaryn\" %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Icon=" + prefix + "/share/icons/hicolor/scalable/apps/tessaryn.svg\n"), std::string::npos);
}
