// Path access, typed values, attributes and the small string routines.
#include <gtest/gtest.h>

#include <climits>

#include "xml/uXMLTools2.h"
#include "xml/xevStrings.h"
#include "xml/xevXMLParser2.h"

TEST(XmlStrings, PosFrom) {
  EXPECT_EQ(PosFrom("a", "banana", 3), 4);
  EXPECT_EQ(PosFrom("a", "banana", 7), 0);
  EXPECT_EQ(PosFrom("a", "banana", 6), 6);
  EXPECT_EQ(PosFrom("an", "banana", 0), 2);  // a start below 1 counts as 1
  EXPECT_EQ(PosFrom("an", "banana", -5), 2);
  EXPECT_EQ(PosFrom("na", "banana", 6), 0);  // past the last place it could begin
  EXPECT_EQ(PosFrom("", "banana", 1), 0);
  EXPECT_EQ(PosFrom("a", "", 1), 0);
  EXPECT_EQ(PosFrom("bananas", "banana", 1), 0);
}

TEST(XmlTools, NextPathTokenSplitsAsSpecified) {
  std::string seg;
  const std::string path = "a\\bc\\d";
  int pos = NextPathToken(path, seg, '\\', 1);
  EXPECT_EQ(seg, "a");
  EXPECT_EQ(pos, 3);
  pos = NextPathToken(path, seg, '\\', pos);
  EXPECT_EQ(seg, "bc");
  pos = NextPathToken(path, seg, '\\', pos);
  EXPECT_EQ(seg, "d");
  EXPECT_EQ(pos, static_cast<int>(path.size()) + 2);
  EXPECT_EQ(NextPathToken(path, seg, '\\', pos), 0);
  EXPECT_EQ(seg, "");
  EXPECT_EQ(NextPathToken(path, seg, '\\', 0), 0);

  // A doubled delimiter gives an empty segment; a trailing one adds nothing.
  std::vector<std::string> parts;
  const std::string odd = "a\\\\b\\";
  for (int p = NextPathToken(odd, seg, '\\', 1); p > 0; p = NextPathToken(odd, seg, '\\', p)) parts.push_back(seg);
  EXPECT_EQ(parts, (std::vector<std::string>{"a", "", "b"}));
}

TEST(XmlTools, IntegerReader) {
  EXPECT_EQ(XMLStrToInt("12abc"), 12);
  EXPECT_EQ(XMLStrToInt("$1F"), 31);
  EXPECT_EQ(XMLStrToInt(""), 0);
  EXPECT_EQ(XMLStrToInt("  -17"), -17);
  EXPECT_EQ(XMLStrToInt("+8"), 8);
  EXPECT_EQ(XMLStrToInt("-12abc"), -12);
  EXPECT_EQ(XMLStrToInt("0x10"), 16);
  EXPECT_EQ(XMLStrToInt("0X1a"), 26);
  EXPECT_EQ(XMLStrToInt("x7f"), 127);
  EXPECT_EQ(XMLStrToInt("X7F"), 127);
  EXPECT_EQ(XMLStrToInt("-$10"), -16);
  EXPECT_EQ(XMLStrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(XMLStrToInt("$80000000"), INT_MIN);
  EXPECT_EQ(XMLStrToInt("$123456789"), 0x23456789);  // wraps to 32 bits
  EXPECT_EQ(XMLStrToInt("2147483647"), INT_MAX);
  EXPECT_EQ(XMLStrToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(XMLStrToInt("2147483648"), 214748364);  // stops at the last digit that fits
  EXPECT_EQ(XMLStrToInt("99999999999999999999"), 999999999);
  EXPECT_EQ(XMLStrToInt("abc"), 0);
  EXPECT_EQ(XMLStrToInt("$"), 0);
  EXPECT_EQ(XMLStrToInt("-"), 0);
  EXPECT_EQ(XMLStrToInt("007"), 7);
  EXPECT_EQ(XMLStrToInt("0"), 0);
}

TEST(XmlTools, PathReadsAndWrites) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<r><x>12abc</x><e></e><h>$1F</h><t>TRUE</t><one>1</one><s>  </s></r>"));
  EXPECT_EQ(XMLPathReadInteger(&doc, "x", 5), 12);
  EXPECT_EQ(XMLPathReadInteger(&doc, "e", 5), 0);
  EXPECT_EQ(XMLPathReadInteger(&doc, "missing", 5), 5);
  EXPECT_EQ(XMLPathReadInteger(&doc, "h", 5), 31);
  EXPECT_TRUE(XMLPathReadBool(&doc, "t", false));
  EXPECT_FALSE(XMLPathReadBool(&doc, "one", true));
  EXPECT_TRUE(XMLPathReadBool(&doc, "missing", true));
  // An existing empty element gives its empty text, not the default.
  EXPECT_EQ(XMLPathReadString(&doc, "e", "def"), "");
  EXPECT_EQ(XMLPathReadString(&doc, "missing", "def"), "def");
  std::string text = "unchanged";
  EXPECT_FALSE(XMLPathGetText(&doc, "missing", text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(XMLPathGetText(&doc, "x", text));
  EXPECT_EQ(text, "12abc");
  EXPECT_EQ(XMLFindPath(&doc, ""), &doc);

  EXPECT_TRUE(XMLPathWriteInteger(&doc, "a\\b", 7));
  EXPECT_TRUE(XMLPathWriteBool(&doc, "a\\c", true));
  EXPECT_TRUE(XMLPathWriteString(&doc, "a\\b", "<x>"));
  EXPECT_EQ(doc.Children().Count(), 7);
  TxevXMLNode2* b = XMLFindPath(&doc, "a\\b");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->CDATA());
  EXPECT_EQ(XMLPathReadString(&doc, "a\\c", ""), "true");
  EXPECT_EQ(XMLPathReadInteger(nullptr, "a", 3), 3);
  EXPECT_FALSE(XMLPathWriteString(nullptr, "a", "x"));
}

TEST(XmlTools, ForcePathFollowsFirstMatchAndRefusesEmptyNames) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<r><a n='1'/><a n='2'/></r>"));
  TxevXMLNode2* first = XMLForcePath(&doc, "a\\b");
  TxevXMLNode2* again = XMLForcePath(&doc, "a\\b");
  EXPECT_EQ(first, again);
  EXPECT_EQ(first->Parent()->GetAttribute("n"), "1");
  EXPECT_EQ(doc.Children()[0]->Children().Count(), 1);
  EXPECT_EQ(XMLForcePath(&doc, ""), &doc);
  EXPECT_EQ(XMLForcePath(&doc, "a\\"), doc.Children()[0]);

  // Leading or doubled delimiters would create nameless elements: refused, nothing created.
  const std::string before = doc.GetXML();
  EXPECT_EQ(XMLForcePath(&doc, "\\a"), nullptr);
  EXPECT_EQ(XMLForcePath(&doc, "new\\\\x"), nullptr);
  EXPECT_FALSE(XMLPathWriteString(&doc, "q\\\\x", "v"));
  EXPECT_EQ(doc.GetXML(), before);
}

TEST(XmlTools, InheritedRead) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(
      "<dataroot><HighLight>3</HighLight><folder><HighLight>5</HighLight><record><HighLight></HighLight></record>"
      "<record2/></folder><other><record3/></other></dataroot>"));
  const TxevXMLNode2* folder = doc.FindNode("folder");
  EXPECT_EQ(XMLPathReadInherited(folder->FindNode("record"), "HighLight", "0"), "");  // its own, even empty
  EXPECT_EQ(XMLPathReadInherited(folder->FindNode("record2"), "HighLight", "0"), "5");
  EXPECT_EQ(XMLPathReadInherited(doc.FindNode("record3", true), "HighLight", "0"), "3");
  EXPECT_EQ(XMLPathReadInherited(doc.FindNode("record3", true), "Nothing", "0"), "0");
}

TEST(XmlTools, Attributes) {
  TxevXMLNode2 n;
  XMLSetAttr(&n, "t", "true");
  XMLSetAttr(&n, "e", "");
  XMLSetAttrBool(&n, "b", true);
  XMLSetAttrInteger(&n, "i", -42);
  EXPECT_FALSE(XMLGetAttrBool(&n, "t", true));
  EXPECT_TRUE(XMLGetAttrBool(&n, "b", false));
  EXPECT_EQ(n.GetAttribute("b"), "1");
  EXPECT_TRUE(XMLGetAttrBool(&n, "e", true));
  EXPECT_TRUE(XMLGetAttrBool(&n, "none", true));
  EXPECT_EQ(XMLGetAttrInteger(&n, "i", 0), -42);
  EXPECT_EQ(XMLGetAttrInteger(&n, "e", 9), 9);
  EXPECT_EQ(XMLGetAttrDef(&n, "e", "d"), "d");
  EXPECT_EQ(XMLGetAttrDef(&n, "t", "d"), "true");
  XMLSetAttrBool(&n, "b", false);
  EXPECT_EQ(n.GetAttribute("b"), "0");
  XMLDeleteAttr(&n, "t");
  XMLDeleteAttr(&n, "t");
  EXPECT_EQ(n.IndexOfAttribute("t"), -1);
  EXPECT_EQ(n.Attributes().Count(), 3);
}

TEST(XmlTools, SwapSiblingsAndMakeName) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<r><a/><b/><c/><d><e/></d></r>"));
  TxevXMLNode2* a = doc.FindNode("a");
  TxevXMLNode2* c = doc.FindNode("c");
  TxevXMLNode2* e = doc.FindNode("e", true);
  const std::string before = doc.GetXML();
  EXPECT_FALSE(XMLSwapSiblings(a, e));
  EXPECT_FALSE(XMLSwapSiblings(&doc, a));
  EXPECT_EQ(doc.GetXML(), before);
  EXPECT_TRUE(XMLSwapSiblings(a, c));
  EXPECT_EQ(doc.Children()[0], c);
  EXPECT_EQ(doc.Children()[2], a);
  EXPECT_EQ(a->NextSibling()->Name(), "d");
  EXPECT_EQ(c->NextSibling()->Name(), "b");

  EXPECT_EQ(MakeXMLName("C/C++"), "C_C__");
  EXPECT_EQ(MakeXMLName("Visual Basic (VB)"), "Visual_Basic__VB_");
  EXPECT_EQ(MakeXMLName("1.x-y\xE9"), "1.x_y_");
  EXPECT_EQ(MakeXMLName(""), "");
}
