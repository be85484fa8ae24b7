// The settings store and the global settings object.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "TestSupport.h"
#include "platform/Exceptions.h"
#include "xml/uGlobalSettings.h"
#include "xml/uSettingsXML.h"
#include "xml/uXMLTools2.h"

using testsupport::ReadFile;
using testsupport::TempDirTest;
using testsupport::WriteFile;

class Settings : public TempDirTest {
 protected:
  std::unique_ptr<TXMLSettings> OpenAt(const std::string& file) {
    auto s = std::make_unique<TXMLSettings>();
    s->SetFileName(file);
    s->Open();
    return s;
  }
};

TEST_F(Settings, ValuesSectionsAndTheFileWrittenAtTheEnd) {
  const std::string file = tmp.File("tessaryn.xdb");
  {
    auto root = OpenAt(file);
    EXPECT_TRUE(root->OwnsDatabank());
    EXPECT_EQ(root->Node(), root->Databank()->Root());
    auto section = root->OpenSection("S");
    EXPECT_FALSE(static_cast<TXMLSettings*>(section.get())->OwnsDatabank());
    EXPECT_EQ(section->Path, "S");
    EXPECT_EQ(section->ReadInteger("posLeft", 10), 10);
    EXPECT_EQ(root->Databank()->Document()->GetXML(),
              "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>\r\n  <S/>\r\n</dataroot>");
    section->WriteInteger("posLeft", 20);
    section->WriteBool("StartMinimized", true);
    section->WriteString("Deep\\Name", "x<y");
    EXPECT_EQ(section->ReadString("Deep\\Name", ""), "x<y");
    section.reset();  // a section neither saves nor frees
    EXPECT_FALSE(std::filesystem::exists(file));
  }
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("<S>\r\n    <posLeft>20</posLeft>\r\n    <StartMinimized>1</StartMinimized>"), std::string::npos);

  auto again = OpenAt(file);
  auto s = again->OpenSection("S");
  EXPECT_EQ(s->ReadInteger("posLeft", 0), 20);
  EXPECT_TRUE(s->ReadBool("StartMinimized", false));
  EXPECT_TRUE(s->ValueExists("posLeft"));
  EXPECT_FALSE(s->ValueExists("nothing"));
  // Booleans are read as integers: only 1 is true; a hand-edited "true" reads as false.
  s->WriteString("Hand", "true");
  EXPECT_FALSE(s->ReadBool("Hand", true));
  EXPECT_TRUE(s->ReadBool("Missing", true));
  EXPECT_FALSE(s->ReadBool("Missing", false));
  s->WriteString("Empty", "");
  EXPECT_EQ(s->ReadInteger("Empty", 7), 0);
  EXPECT_EQ(s->ReadString("Empty", "d"), "");
}

TEST_F(Settings, SectionPathsAndInheritedValues) {
  auto root = OpenAt(tmp.File("s.xdb"));
  auto toolbar = root->OpenSection("Toolbar");
  toolbar->WriteInteger("x", 1);
  EXPECT_EQ(XMLPathReadInteger(root->Databank()->Root(), "Toolbar\\x", 0), 1);
  auto same = root->OpenSection("");
  EXPECT_EQ(static_cast<TXMLSettings*>(same.get())->Node(), root->Node());
  auto inner = toolbar->OpenSection("Inner");
  EXPECT_EQ(inner->Path, "Toolbar\\Inner");
  auto innerSame = inner->OpenSection("");
  EXPECT_EQ(innerSame->Path, "Toolbar\\Inner");

  auto* x = static_cast<TXMLSettings*>(inner.get());
  root->WriteString("Color", "red");
  toolbar->WriteString("Font", "mono");
  EXPECT_EQ(x->ReadInheritedString("Color", "d"), "red");
  EXPECT_EQ(x->ReadInheritedString("Font", "d"), "mono");
  EXPECT_EQ(x->ReadInheritedString("None", "d"), "d");
  toolbar->WriteString("Color", "-novalue-");  // counts as absent
  EXPECT_EQ(x->ReadInheritedString("Color", "d"), "red");
  x->WriteString("Color", "blue");
  EXPECT_EQ(x->ReadInheritedString("Color", "d"), "blue");

  // Sections share the store: one outliving the owner still works.
  root.reset();
  inner->WriteInteger("late", 3);
  EXPECT_EQ(inner->ReadInteger("late", 0), 3);
}

// Written at the end, nothing escapes: a read-only file is left alone without a word (the user made
// it so), and a file that cannot be written says why on stderr, naming it.
TEST_F(Settings, ReadOnlyAndUnwritableFilesNeverThrowAtTheEnd) {
  const std::string file = tmp.File("ro.xdb");
  WriteFile(file, "<dataroot><a>1</a></dataroot>");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  testing::internal::CaptureStderr();
  {
    auto s = OpenAt(file);
    EXPECT_EQ(s->ReadInteger("a", 0), 1);
    s->WriteInteger("a", 2);
    EXPECT_NO_THROW(s->Save());
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ReadFile(file), "<dataroot><a>1</a></dataroot>");
  ::chmod(file.c_str(), 0644);

  // A file in a folder that does not exist, or where a folder stands: the destructor says so.
  for (const std::string& unwritable : {tmp.File("no/such/folder/x.xdb"), tmp.File("folder.xdb")}) {
    std::filesystem::create_directories(tmp.File("folder.xdb"));
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW({
      auto s = OpenAt(unwritable);
      s->WriteInteger("a", 1);
    });
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("The settings could not be written to " + unwritable + ": Cannot create", 0), 0u) << said;
  }
}

// A damaged file is kept as "<file>.bad"; the program then starts from empty settings and saves
// those, never what was parsed of the damage (unclosed tags would be written back nested and indented,
// the file growing with the square of their number).
TEST_F(Settings, DamagedFileIsKeptAndEmptySettingsAreSaved) {
  std::string unclosed = "<dataroot>";
  for (int i = 0; i < 3000; ++i) unclosed += "<a>";
  const std::vector<std::string> damages = {"<dataroot><keep>1</keep><lost>2", unclosed,
                                            "<dataroot><a x='1></dataroot>"};
  for (const std::string& damaged : damages) {
    SCOPED_TRACE(damaged.substr(0, 40));
    const std::string file = tmp.File("broken.xdb");
    std::filesystem::remove(file + ".bad");
    WriteFile(file, damaged);
    {
      auto s = OpenAt(file);
      EXPECT_EQ(s->ReadError(), "");
      EXPECT_EQ(s->KeptDamagedCopy(), file + ".bad");  // for the program to tell
      EXPECT_EQ(s->ReadInteger("keep", 0), 0);
      EXPECT_FALSE(s->ValueExists("a"));
      s->WriteInteger("posLeft", 5);
    }
    EXPECT_EQ(ReadFile(file + ".bad"), damaged);
    EXPECT_EQ(OpenAt(file)->KeptDamagedCopy(), "");  // what was written in its place reads
    const std::string written = ReadFile(file);
    EXPECT_EQ(written.size() < 1000 ? written : std::to_string(written.size()) + " bytes",
              "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>\r\n  <posLeft>5</posLeft>\r\n</dataroot>");
  }

  // Where no copy can be kept (a folder stands at its name), the damaged file is not written over.
  const std::string file = tmp.File("nocopy.xdb");
  std::filesystem::create_directories(file + ".bad");
  WriteFile(file, damages[0]);
  {
    auto s = OpenAt(file);
    EXPECT_NE(s->ReadError().find(file), std::string::npos) << s->ReadError();
    EXPECT_EQ(s->KeptDamagedCopy(), "");
    s->WriteInteger("posLeft", 5);
  }
  EXPECT_EQ(ReadFile(file), damages[0]);
}

// A settings file the user may not read: empty settings, the reason given, and the file left exactly
// as it was through every save.
TEST_F(Settings, UnreadableFileIsNeverWritten) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file another user cannot read";
  const std::string dir = tmp.File("user");
  std::filesystem::create_directories(dir);
  ::chmod(tmp.Path().c_str(), 0755);
  ::chmod(dir.c_str(), 0777);
  const std::string file = dir + "/tessaryn.xdb";
  const std::string kept = "<dataroot><posLeft>7</posLeft></dataroot>";
  WriteFile(file, kept);
  ASSERT_EQ(::chmod(file.c_str(), 0000), 0);
  const int code = testsupport::RunAsOrdinaryUser([&] {
    try {
      auto s = OpenAt(file);
      if (s->ReadError().find(file) == std::string::npos) return 10;
      if (s->ReadError().find("Permission denied") == std::string::npos) return 11;
      if (s->ReadInteger("posLeft", 1) != 1) return 12;
      s->WriteInteger("posLeft", 9);
      auto section = s->OpenSection("S");
      section->WriteInteger("x", 1);
      section->Save();
      s->Save();
    } catch (...) {
      return 13;
    }
    return 0;
  });
  if (code == 3) GTEST_SKIP() << "cannot switch to an ordinary user";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(file), kept);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0u);
  EXPECT_FALSE(std::filesystem::exists(file + ".bad"));
}

TEST_F(Settings, GlobalSettingsLiveInAnExplicitScope) {
  const std::string file = tmp.File("sub/global.xdb");
  EXPECT_EQ(GlobalSettings(), nullptr);
  {
    TGlobalSettingsScope scope(file);
    ASSERT_NE(GlobalSettings(), nullptr);
    EXPECT_EQ(GlobalSettings(), scope.Settings());
    EXPECT_THROW(TGlobalSettingsScope second(tmp.File("other.xdb")), Exception);
    GlobalSettings()->WriteInteger("posLeft", 20);
  }
  EXPECT_EQ(GlobalSettings(), nullptr);
  EXPECT_NE(ReadFile(file).find("<posLeft>20</posLeft>"), std::string::npos);
  TGlobalSettingsScope reopened(file);
  EXPECT_EQ(GlobalSettings()->ReadInteger("posLeft", 0), 20);
}
