// What the program brings along: the sample databank it opens on the first run, and the install rule
// that puts the program, the sample, the plug-in folder, the icon and a launcher under a prefix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

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
    if (bank::IsFolder(folder) && folder->FindNode(bank::xnHighLight)) {
      EXPECT_TRUE(languages.insert(XMLPathReadInteger(folder, bank::xnHighLight, -1)).second) << folder->Text();
    }
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

// The install rule: the program with what it looks for beside itself, a link in bin/, the icon by its
// theme name, a launcher and a MIME type that desktops take up, an AppStream description, and a
// manifest that names every file, so that an uninstall from it leaves nothing behind.
TEST(ProgramFiles, InstallRulePutsTheProgramAndItsFilesUnderAPrefix) {
  REQUIRE_TOOL(cmake, "cmake");
  REQUIRE_TOOL(validate, "desktop-file-validate");
  REQUIRE_TOOL(appstreamcli, "appstreamcli");
  REQUIRE_TOOL(updateMime, "update-mime-database");
  REQUIRE_TOOL(xdgMime, "xdg-mime");
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
  // Not portable: an installed program keeps the user's files in the user's folders.
  EXPECT_FALSE(fs::exists(prefix + "/lib/tessaryn/portable"));
  EXPECT_TRUE(fs::is_regular_file(prefix + "/share/icons/hicolor/scalable/apps/tessaryn.svg"));
  EXPECT_TRUE(fs::is_regular_file(prefix + "/include/tessaryn/recordeditor/SynHighlighterPlugin.h"));

  std::set<std::string> installed;
  for (const auto& entry : fs::recursive_directory_iterator(prefix))
    if (!entry.is_directory() || entry.is_symlink()) installed.insert(entry.path().string());
  std::set<std::string> listed;
  std::istringstream manifest(testsupport::ReadFile(std::string(TESSARYN_BINARY_DIR) + "/install_manifest.txt"));
  for (std::string line; std::getline(manifest, line);) listed.insert(line);
  EXPECT_EQ(listed, installed);

  const std::string launcher = prefix + "/share/applications/tessaryn.desktop";
  const auto valid = testsupport::RunProcess(validate, {launcher});
  EXPECT_EQ(valid.exitCode, 0) << valid.out << valid.err;
  const std::string text = testsupport::ReadFile(launcher);
  EXPECT_NE(text.find("Exec=\"" + prefix + "/bin/tessaryn\" %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=tessaryn\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=application/x-tessaryn-databank;\n"), std::string::npos) << text;

  const std::string metainfo = prefix + "/share/metainfo/org.tessaryn.tessaryn.metainfo.xml";
  const auto appstream = testsupport::RunProcess(appstreamcli, {"validate", "--no-net", metainfo});
  EXPECT_EQ(appstream.exitCode, 0) << appstream.out << appstream.err;

  // Nothing is made in the build tree while installing: a user who may not write it (another's
  // build, a read-only checkout) installs all the same, into a prefix of their own.
  if (::geteuid() == 0) {
    REQUIRE_TOOL(setpriv, "setpriv");
    fs::permissions(tmp.Path(), fs::perms::all, fs::perm_options::add);
    const std::string theirs = tmp.File("their-prefix");
    fs::create_directory(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    const auto asUser = testsupport::RunProcess(setpriv,
                                                {"--reuid=65534", "--regid=65534", "--clear-groups", cmake, "--install",
                                                 TESSARYN_BINARY_DIR, "--prefix", theirs},
                                                "", 300);
    EXPECT_EQ(asUser.exitCode, 0) << asUser.out << asUser.err;
    EXPECT_NE(testsupport::ReadFile(theirs + "/share/applications/tessaryn.desktop")
                  .find("Exec=\"" + theirs + "/bin/tessaryn\" %f\n"),
              std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(theirs + "/lib/tessaryn/tessaryn"));
  }

  // A file manager names a databank by the installed type, once the MIME database is brought up to
  // date (a package's trigger does it; by hand, update-mime-database <prefix>/share/mime).
  const auto updated = testsupport::RunProcess(updateMime, {prefix + "/share/mime"});
  ASSERT_EQ(updated.exitCode, 0) << updated.err;
  testsupport::ScopedEnv dirs("XDG_DATA_DIRS", (prefix + "/share:/usr/share").c_str());
  testsupport::ScopedEnv desktop("XDG_CURRENT_DESKTOP", nullptr);
  testsupport::ScopedEnv session("DESKTOP_SESSION", nullptr);
  for (const char* name : {"bank.xdb2", "old.xdb"}) {
    testsupport::WriteFile(tmp.File(name), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot/>");
    const auto type = testsupport::RunProcess(xdgMime, {"query", "filetype", tmp.File(name)});
    EXPECT_EQ(type.out, "application/x-tessaryn-databank\n") << name << ": " << type.err;
  }
}
