#include "highlighters/SynHighlighterXML.h"

#include <string>
#include <vector>

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using X = TSynXMLSyn;

namespace {

std::string Dump(const std::vector<std::u16string>& lines) {
  X h;
  std::string out;
  EXPECT_TRUE(SynDumpTokens(h, lines, out));
  return out;
}

}  // namespace

TEST(SynXMLSyn, CommentOverThreeLines) {
  EXPECT_EQ(Dump({u"<!-- a", u"middle", u" end -->x"}),
            "1\t0\t4\tSymbol\t13\t<!--\n"
            "1\t4\t2\tComment\t4\t a\n"
            "1\tEOL\t4\n"
            "2\t0\t6\tComment\t4\tmiddle\n"
            "2\tEOL\t4\n"
            "3\t0\t5\tComment\t4\t end \n"
            "3\t5\t3\tSymbol\t13\t-->\n"
            "3\t8\t1\tText\t14\tx\n"
            "3\tEOL\t11\n");
}

TEST(SynXMLSyn, AttributesNamespacesAndEntities) {
  EXPECT_EQ(Dump({u"<x:a xmlns:x=\"u\" id=\"v&amp;w\"/>"}),
            "1\t0\t1\tSymbol\t13\t<\n"
            "1\t1\t3\tElement Name\t5\tx:a\n"
            "1\t4\t1\tWhitespace\t12\t \n"
            "1\t5\t7\tNamespace Attribute Name\t17\txmlns:x\n"
            "1\t12\t2\tSymbol\t18\t=\"\n"
            "1\t14\t1\tNamespace Attribute Value\t19\tu\n"
            "1\t15\t1\tSymbol\t13\t\"\n"
            "1\t16\t1\tWhitespace\t12\t \n"
            "1\t17\t2\tAttribute Name\t2\tid\n"
            "1\t19\t2\tSymbol\t7\t=\"\n"
            "1\t21\t1\tAttribute Value\t10\tv\n"
            "1\t22\t5\tEntity Reference\t11\t&amp;\n"
            "1\t27\t1\tAttribute Value\t10\tw\n"
            "1\t28\t1\tSymbol\t13\t\"\n"
            "1\t29\t1\tSymbol\t13\t/\n"
            "1\t30\t1\tSymbol\t13\t>\n"
            "1\tEOL\t11\n");
  X h;
  // Single quotes, namespace entities, an entity in text, the end tag.
  EXPECT_EQ(Scan(h, u"<a c='p&lt;q' nsxmlns='&a;'>t&gt;u</a>"), (Toks{{X::tkSymbol, "<"},
                                                                      {X::tkElement, "a"},
                                                                      {X::tkSpace, " "},
                                                                      {X::tkAttribute, "c"},
                                                                      {X::tkEqual, "='"},
                                                                      {X::tkAposAttrValue, "p"},
                                                                      {X::tkAposEntityRef, "&lt;"},
                                                                      {X::tkAposAttrValue, "q"},
                                                                      {X::tkSymbol, "'"},
                                                                      {X::tkSpace, " "},
                                                                      {X::tknsAttribute, "nsxmlns"},
                                                                      {X::tknsEqual, "='"},
                                                                      {X::tknsAposEntityRef, "&a;"},
                                                                      {X::tkSymbol, "'"},
                                                                      {X::tkSymbol, ">"},
                                                                      {X::tkText, "t"},
                                                                      {X::tkEntityRef, "&gt;"},
                                                                      {X::tkText, "u"},
                                                                      {X::tkSymbol, "</"},
                                                                      {X::tkElement, "a"},
                                                                      {X::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<a x=\"&q;\""), (Toks{{X::tkSymbol, "<"},
                                            {X::tkElement, "a"},
                                            {X::tkSpace, " "},
                                            {X::tkAttribute, "x"},
                                            {X::tkEqual, "=\""},
                                            {X::tkQuoteEntityRef, "&q;"},
                                            {X::tkSymbol, "\""}}));
  EXPECT_EQ(Scan(h, u"<a x=\"\"/>"), (Toks{{X::tkSymbol, "<"},
                                           {X::tkElement, "a"},
                                           {X::tkSpace, " "},
                                           {X::tkAttribute, "x"},
                                           {X::tkEqual, "=\""},
                                           {X::tkSymbol, "\""},
                                           {X::tkSymbol, "/"},
                                           {X::tkSymbol, ">"}}));
  // An entity without ";" runs on over everything from "!" up.
  EXPECT_EQ(Scan(h, u"a &b c"), (Toks{{X::tkText, "a "}, {X::tkEntityRef, "&b"}, {X::tkText, " c"}}));
  // A quote where a name should stand is a symbol of the tag; "<" and ">" inside a value still go
  // through the dispatch.
  EXPECT_EQ(Scan(h, u"<a \"x\">"), (Toks{{X::tkSymbol, "<"},
                                         {X::tkElement, "a"},
                                         {X::tkSpace, " "},
                                         {X::tkSymbol, "\""},
                                         {X::tkAttribute, "x"},
                                         {X::tkEqual, "\""},
                                         {X::tkSymbol, ">"}}));
  // Names take characters from U+00C1 up, not U+00C0.
  EXPECT_EQ(Scan(h, u"<\u00e9l\u00c0>"),
            (Toks{{X::tkSymbol, "<"}, {X::tkElement, "\xC3\xA9l"}, {X::tkEqual, "\xC3\x80>"}}));
}

TEST(SynXMLSyn, OpenValueCarriesItsRange) {
  X h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"<p a=\"open", u"rest\" b='x", u"y'>", u"<q", u"  id=\"1\"", u"/>"}, &ranges);
  EXPECT_EQ(lines[0].back(), (Tok{X::tkQuoteAttrValue, "open"}));
  EXPECT_EQ(lines[1], (Toks{{X::tkQuoteAttrValue, "rest"},
                            {X::tkSymbol, "\""},
                            {X::tkSpace, " "},
                            {X::tkAttribute, "b"},
                            {X::tkEqual, "='"},
                            {X::tkAposAttrValue, "x"}}));
  EXPECT_EQ(lines[2], (Toks{{X::tkAposAttrValue, "y"}, {X::tkSymbol, "'"}, {X::tkSymbol, ">"}}));
  EXPECT_EQ(lines[5], (Toks{{X::tkSymbol, "/"}, {X::tkSymbol, ">"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{X::rsQuoteAttrValue, X::rsAposAttrValue, X::rsText, X::rsAttribute,
                                                X::rsAttribute, X::rsText}));
}

TEST(SynXMLSyn, DeclarationsCdataAndInstructions) {
  // DOCTYPE and CDATA keep the keyword's last character for the next token of the same kind.
  EXPECT_EQ(Dump({u"<!DOCTYPE r [<!ELEMENT r ANY>]>"}),
            "1\t0\t8\tDOCTYPE Section\t21\t<!DOCTYP\n"
            "1\t8\t22\tDOCTYPE Section\t21\tE r [<!ELEMENT r ANY>]\n"
            "1\t30\t1\tDOCTYPE Section\t21\t>\n"
            "1\tEOL\t2\n");  // the closing ">" leaves the tag state, as written
  X h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h,
                         {u"<![CDATA[ a < b", u"", u"c ]]>t", u"<!doctype x>", u"<?pi open", u"still ?> after",
                          u"<!DOCTYPE r [", u"<!ENTITY a \"b\">", u"]>"},
                         &ranges);
  EXPECT_EQ(lines[0], (Toks{{X::tkCDATA, "<![CDATA"}, {X::tkCDATA, "[ a < b"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{X::tkCDATA, "c ]]>"}, {X::tkText, "t"}}));
  // The keyword is case-sensitive: a symbol and an element name.
  EXPECT_EQ(lines[3], (Toks{{X::tkSymbol, "<!"},
                            {X::tkElement, "doctype"},
                            {X::tkSpace, " "},
                            {X::tkAttribute, "x"},
                            {X::tkSymbol, ">"}}));
  EXPECT_EQ(lines[4], (Toks{{X::tkProcessingInstruction, "<?"}, {X::tkProcessingInstruction, "pi open"}}));
  EXPECT_EQ(lines[5], (Toks{{X::tkProcessingInstruction, "still ?>"}, {X::tkText, " after"}}));
  EXPECT_EQ(lines[6], (Toks{{X::tkDocType, "<!DOCTYP"}, {X::tkDocType, "E r ["}}));
  EXPECT_EQ(lines[7], (Toks{{X::tkDocType, "<!ENTITY a \"b\">"}}));
  EXPECT_EQ(lines[8], (Toks{{X::tkDocType, "]"}, {X::tkDocType, ">"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{X::rsCDATA, X::rsCDATA, X::rsText, X::rsText,
                                                X::rsProcessingInstruction, X::rsText, X::rsDocTypeSquareBraces,
                                                X::rsDocTypeSquareBraces, X::rsAttribute}));
}

TEST(SynXMLSyn, LineEndsInsideRangedConstructsEndTheLine) {
  // Every construct that runs "to the line end" hands the terminator to the end-of-line token.
  X h;
  for (std::intptr_t range : {X::rsCDATA, X::rsComment, X::rsProcessingInstruction, X::rsDocType,
                              X::rsDocTypeSquareBraces, X::rsQuoteAttrValue, X::rsnsAposAttrValue}) {
    SCOPED_TRACE(range);
    EXPECT_EQ(ScanFrom(h, u"", range), Toks{});
    EXPECT_EQ(h.GetRange(), range);
    const auto toks = ScanFrom(h, u"abc", range);
    ASSERT_EQ(toks.size(), 1u);
    EXPECT_EQ(toks[0].text, "abc");
    EXPECT_EQ(h.GetRange(), range);
    // A line feed inside a line (other callers give one) is whitespace and the construct goes on.
    const auto lf = ScanFrom(h, u"a\nb", range);
    ASSERT_EQ(lf.size(), 3u);
    EXPECT_EQ(lf[1], (Tok{X::tkSpace, "\n"}));
  }
}

TEST(SynXMLSyn, WhitespaceRules) {
  X h;
  // TAB starts a whitespace token but does not continue one; a blank at the start of text is text.
  EXPECT_EQ(Scan(h, u"\t\t x"), (Toks{{X::tkSpace, "\t"}, {X::tkSpace, "\t "}, {X::tkText, "x"}}));
  EXPECT_EQ(Scan(h, u" \tx"), (Toks{{X::tkText, " "}, {X::tkSpace, "\t"}, {X::tkText, "x"}}));
  EXPECT_EQ(Scan(h, u"<a \t b>"), (Toks{{X::tkSymbol, "<"},
                                        {X::tkElement, "a"},
                                        {X::tkSpace, " "},
                                        {X::tkSpace, "\t "},
                                        {X::tkAttribute, "b"},
                                        {X::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"a\r\nb"), (Toks{{X::tkText, "a"}, {X::tkSpace, "\r\n"}, {X::tkText, "b"}}));
}

TEST(SynXMLSyn, AttributesAndFamilyAnswers) {
  X h;
  EXPECT_EQ(h.GetAttribCount(), 13);
  EXPECT_EQ(h.CommentAttri->Background(), 0xC0C0C0u);
  EXPECT_EQ(h.CommentAttri->Foreground(), 0x808080u);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsBold | syn::fsItalic);
  EXPECT_EQ(h.CommentAttri->DefaultBackground(), 0xC0C0C0u);
  EXPECT_EQ(h.ElementAttri->Foreground(), 0x000080u);
  EXPECT_EQ(h.TextAttri->Foreground(), 0x000000u);
  EXPECT_EQ(h.NamespaceAttributeValueAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.CDATAAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_STRING), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_KEYWORD), h.ElementAttri);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_IDENTIFIER), h.AttributeAttri);
  EXPECT_EQ(h.GetLanguageName(), u"XML");
  EXPECT_EQ(h.DefaultFilter(), "XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd");
  EXPECT_TRUE(h.CaseSensitive());
  h.ResetRange();
  EXPECT_EQ(h.GetRange(), X::rsText);
  EXPECT_TRUE(h.IsNameChar(u'\u00c1'));
  EXPECT_FALSE(h.IsNameChar(u'\u00c0'));
  h.SetLine(u"x", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.TextAttri);
}

TEST(SynXMLSyn, TerminationCoverageAndRescan) {
  X h;
  auto pieces = CommonPieces();
  for (auto p : {u"<", u">",  u"</", u"/>", u"<!--", u"-->", u"<![CDATA[", u"]]>", u"<?", u"?>", u"<!DOCTYPE", u"[",
                 u"]", u"\"", u"'",  u"=",  u"&",    u";",   u"xmlns",     u"a:b", u"!",  u"-",  u"\u00c1"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 61);
  CheckRescan(h,
              Lines(u"<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY e \"x\">\n]>\n<!-- c\n\n-->\n"
                    u"<r xmlns:a='u\n v' b=\"1&amp;\n2\">\n<![CDATA[\nx ]]> t &lt; u\n</r>"),
              9);
}
