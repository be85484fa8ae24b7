// The settings store and the global settings object.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(Settings, ReadOnlyAndUnwritableFilesNeverThrowAtTheEnd) {
  const std::string file = tmp.File("ro.xdb");
  WriteFile(file, "<dataroot><a>1</a></dataroot>");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  {
    auto s = OpenAt(file);
    EXPECT_EQ(s->ReadInteger("a", 0), 1);
    s->WriteInteger("a", 2);
    EXPECT_NO_THROW(s->Save());
  }
  EXPECT_EQ(ReadFile(file), "<dataroot><a>1</a></dataroot>");
  ::chmod(file.c_str(), 0644);

  // A file in a folder that does not exist cannot be written: the destructor swallows the error.
  EXPECT_NO_THROW({
    auto s = OpenAt(tmp.File("no/such/folder/x.xdb"));
    s->WriteInteger("a", 1);
  });
}

TEST_F(Settings, DamagedFileIsKeptBeforeItIsRewritten) {
  const std::string file = tmp.File("broken.xdb");
  const std::string damaged = "<dataroot><keep>1</keep><lost>2";
  WriteFile(file, damaged);
  {
    auto s = OpenAt(file);
    EXPECT_EQ(s->ReadInteger("keep", 0), 1);
  }
  EXPECT_EQ(ReadFile(file + ".bad"), damaged);
  EXPECT_NE(ReadFile(file).find("<keep>1</keep>"), std::string::npos);
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
