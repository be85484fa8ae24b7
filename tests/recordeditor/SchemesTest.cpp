// Colour schemes: the colour text, loading, saving and comparing schemes over the settings file
// (checked with xmllint), and the options page's model from opening to the dialog's OK.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "RecordEditorTestSupport.h"
#include "highlighters/SynHighlighterCpp.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/uSynOptionsModel.h"
#include "xml/uSettingsXML.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

using namespace platform;
using recordeditortest::XPath;
using testsupport::TempDirTest;

namespace {

class Schemes : public TempDirTest {
 protected:
  void SetUp() override {
    file = tmp.File("tessaryn.xdb");
    Reopen();
  }
  // Closing the settings writes the file, as at the end of the program.
  void Reopen() {
    set.reset();
    section.reset();
    settings.reset();
    settings = std::make_unique<TXMLSettings>();
    settings->SetFileName(file);
    settings->Open();
    section = settings->OpenSection("schemes");
    set = std::make_unique<TdmHighLighters>(THighlighterSetRole::Primary, tmp.File("none"));
    set->SetSchemes(section.get());
  }
  void Close() {
    set.reset();
    section.reset();
    settings.reset();
  }
  TSynHighlighterAttributes* CppAttr(const std::string& name) {
    for (int i = 0; i < set->SynCppSyn->GetAttribCount(); ++i)
      if (set->SynCppSyn->GetAttribute(i)->Name() == name) return set->SynCppSyn->GetAttribute(i);
    return nullptr;
  }

  std::string file;
  std::unique_ptr<TXMLSettings> settings;
  std::unique_ptr<TSettings> section;
  std::unique_ptr<TdmHighLighters> set;
};

}  // namespace

TEST(SchemeColorText, WrittenUpperCaseReadLeniently) {
  SetSysColorResolver([](int index) { return index == COLOR_WINDOWTEXT ? TColor(0x112233) : TColor(0xFFFFFF); });
  for (const auto& [color, text] : std::vector<std::pair<TColor, std::string>>{{0x800000, "000080"},
                                                                               {clNone, "FFFFFF"},
                                                                               {0x00FF00, "00FF00"},
                                                                               {0xABCDEF, "EFCDAB"},
                                                                               {clWindowText, "332211"}})
    EXPECT_EQ(SchemeColorToText(color), text);
  SetSysColorResolver({});
  for (const auto& [text, color] : std::vector<std::pair<std::string, TColor>>{{"00ff00", 0x00FF00},
                                                                               {"zz", 0},
                                                                               {"", 0},
                                                                               {"FF", 0xFF},
                                                                               {"0F0", 0x0F},
                                                                               {"1z", 1},
                                                                               {"aBcDeF", 0xEFCDAB},
                                                                               {"12345678", 0x563412},
                                                                               {"none", 0}})
    EXPECT_EQ(SchemeTextToColor(text), color) << text;
  std::mt19937 rng(7);
  for (int i = 0; i < 1000; ++i) {
    const TColor c = rng() & 0xFFFFFF;
    EXPECT_EQ(SchemeTextToColor(SchemeColorToText(c)), c);
  }
}

TEST_F(Schemes, SavedToTheSettingsFileAndLoadedAtTheNextStart) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const TColor formComment = CppAttr("Comment")->Foreground();
  EXPECT_EQ(static_cast<TXMLSettings*>(section.get())->Node()->Children().Count(), 0) << "loading created elements";

  CppAttr("Reserved Word")->SetForeground(clNavy);
  CppAttr("Comment")->SetForeground(0x00FF00);
  CppAttr("Comment")->SetStyle(syn::fsBold | syn::fsStrikeOut);
  set->SaveScheme(*set->SynCppSyn);
  Close();
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/schemes/*/*[@fg=\"000080\"]/@fg)"), "000080");
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/schemes/C_C__/Comment/@s)"), "1");
  EXPECT_EQ(XPath(xmllint, file, "count(/dataroot/schemes/C_C__/*)"), std::to_string(14));
  EXPECT_EQ(XPath(xmllint, file,
                  "count(//schemes//*[(@b!='0' and @b!='1') or (@i!='0' and @i!='1') or (@u!='0' and @u!='1') or "
                  "(@s!='0' and @s!='1')])"),
            "0");

  // A hand-edited element without "fg" (and one without anything) keeps those values.
  {
    TXMLDataBase2 db(file);
    TxevXMLNode2* lang = XMLFindPath(db.Root(), "schemes\\C_C__");
    XMLDeleteAttr(lang->FindNode("Reserved_Word"), "fg");
    lang->FindNode("Space")->ClearAttributes();
    db.SaveToFile();
  }
  Reopen();
  EXPECT_EQ(CppAttr("Comment")->Foreground(), 0x00FF00u);
  EXPECT_EQ(CppAttr("Comment")->Style(), syn::fsBold | syn::fsStrikeOut);
  EXPECT_EQ(CppAttr("Reserved Word")->Foreground(), clNavy) << "the form's navy stays";
  EXPECT_EQ(CppAttr("Space")->Foreground(), clNone) << "no colour must not turn white";
  EXPECT_EQ(CppAttr("Space")->Background(), clNone);
  EXPECT_EQ(CppAttr("Identifier")->Background(), clWhite) << "saved \"no colour\" reads back as white";
  EXPECT_NE(formComment, 0x00FF00u);

  // The same class compares by position; a changed attribute makes it differ.
  TdmHighLighters other(THighlighterSetRole::Secondary);
  EXPECT_FALSE(set->SchemeEquals(*other.SynCppSyn));
  set->LoadScheme(*other.SynCppSyn);
  EXPECT_TRUE(set->SchemeEquals(*other.SynCppSyn, "SynCppSyn"));
  other.SynCppSyn->CommentAttri->SetStyle(0);
  EXPECT_FALSE(set->SchemeEquals(*other.SynCppSyn));
}

TEST_F(Schemes, OptionsPageEditsPrivateCopiesAndOkReachesTheLiveHighlightersAtOnce) {
  REQUIRE_TOOL(xmllint, "xmllint");
  int liveChanges = 0;
  set->SynCppSyn->AddAttrChangeHandler(NotifyMethod(this, [&](TSynPersistent*) { ++liveChanges; }));
  {
    TSynOptionsModel page(*set);
    // Every highlighter of the set but the multi-language one.
    ASSERT_EQ(page.Languages().size(), SynLanguageCount - 1u);
    EXPECT_EQ(page.Languages()[0].Name, "JavaScript");
    EXPECT_EQ(page.Elements()[0], "Comment");
    EXPECT_EQ(page.StoreSchemes(*set), 0) << "nothing changed, nothing saved";
  }
  EXPECT_EQ(static_cast<TXMLSettings*>(section.get())->Node()->Children().Count(), 0);

  TSynOptionsModel page(*set);
  int cpp = -1;
  for (size_t i = 0; i < page.Languages().size(); ++i)
    if (page.Languages()[i].Name == "C/C++") cpp = int(i);
  page.SelectLanguage(cpp);
  EXPECT_NE(page.SampleSource().find(u"#include"), std::u16string::npos);
  const auto& elements = page.Elements();
  page.SelectElement(int(std::find(elements.begin(), elements.end(), "Reserved Word") - elements.begin()));
  EXPECT_EQ(page.FontColor(), clNavy);
  EXPECT_EQ(page.Style(), syn::fsBold);
  page.SetFontColor(clRed);
  page.SetStyleFlag(syn::fsBold, false);
  page.SetStyleFlag(syn::fsUnderline, true);
  EXPECT_EQ(page.Element()->Foreground(), clRed);
  EXPECT_EQ(page.Element()->Style(), syn::fsUnderline);
  EXPECT_EQ(set->SynCppSyn->KeyAttri->Foreground(), clNavy) << "the live highlighter waits for OK";
  EXPECT_EQ(liveChanges, 0);

  EXPECT_EQ(page.StoreSchemes(*set), 1);
  EXPECT_EQ(set->SynCppSyn->KeyAttri->Foreground(), clRed);
  EXPECT_EQ(set->SynCppSyn->KeyAttri->Style(), syn::fsUnderline);
  EXPECT_GT(liveChanges, 0);
  set->SynCppSyn->RemoveAttrChangeHandler(NotifyMethod(this, [](TSynPersistent*) {}));
  Close();
  EXPECT_EQ(XPath(xmllint, file, "string(/dataroot/schemes/C_C__/Reserved_Word/@fg)"), "FF0000");
  EXPECT_EQ(XPath(xmllint, file, "count(/dataroot/schemes/*)"), "1");
}
