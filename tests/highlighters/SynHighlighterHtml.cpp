#include "highlighters/SynHighlighterHtml.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using T = TSynHTMLSyn;

TEST(SynHTMLSyn, TagsAttributesAndValues) {
  T h;
  EXPECT_EQ(Scan(h, u"<a href=\"x\">"), (Toks{{T::tkSymbol, "<"},
                                              {T::tkKey, "a"},
                                              {T::tkSpace, " "},
                                              {T::tkIdentifier, "href"},
                                              {T::tkSymbol, "="},
                                              {T::tkValue, "\"x\""},
                                              {T::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<TABLE Border=1><tabel></TABLE><br/>"), (Toks{{T::tkSymbol, "<"},
                                                                    {T::tkKey, "TABLE"},
                                                                    {T::tkSpace, " "},
                                                                    {T::tkIdentifier, "Border"},
                                                                    {T::tkSymbol, "="},
                                                                    {T::tkValue, "1"},
                                                                    {T::tkSymbol, ">"},
                                                                    {T::tkSymbol, "<"},
                                                                    {T::tkUndef, "tabel"},
                                                                    {T::tkSymbol, ">"},
                                                                    {T::tkSymbol, "<"},
                                                                    {T::tkKey, "/TABLE"},
                                                                    {T::tkSymbol, ">"},
                                                                    {T::tkSymbol, "<"},
                                                                    {T::tkUndef, "br/"},
                                                                    {T::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<!DOCTYPE html>"), (Toks{{T::tkSymbol, "<"},
                                               {T::tkKey, "!DOCTYPE"},
                                               {T::tkSpace, " "},
                                               {T::tkIdentifier, "html"},
                                               {T::tkSymbol, ">"}}));
  // A tab inside a tag starts a new Space token.
  EXPECT_EQ(Scan(h, u"<p  \t x>"), (Toks{{T::tkSymbol, "<"},
                                         {T::tkKey, "p"},
                                         {T::tkSpace, "  "},
                                         {T::tkSpace, "\t "},
                                         {T::tkIdentifier, "x"},
                                         {T::tkSymbol, ">"}}));
  EXPECT_EQ(h.KeyAttri->Foreground(), 0xFF0080u);
  EXPECT_EQ(h.UndefKeyAttri->Foreground(), 0x0000FFu);
  EXPECT_EQ(h.ValueAttri->Foreground(), 0xFF8000u);
  EXPECT_EQ(h.AndAttri->Foreground(), 0x00FF00u);
  EXPECT_EQ(h.CommentAttri->Style(), 0);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_STRING), nullptr);
}

TEST(SynHTMLSyn, StrayQuotesInsideTagsAreConsumed) {
  T h;
  EXPECT_EQ(Scan(h, u"<a \"x\">"), (Toks{{T::tkSymbol, "<"},
                                         {T::tkKey, "a"},
                                         {T::tkSpace, " "},
                                         {T::tkIdentifier, "\"x"},
                                         {T::tkIdentifier, "\""},
                                         {T::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<p class=\"a\"\"b\">"), (Toks{{T::tkSymbol, "<"},
                                                    {T::tkKey, "p"},
                                                    {T::tkSpace, " "},
                                                    {T::tkIdentifier, "class"},
                                                    {T::tkSymbol, "="},
                                                    {T::tkValue, "\"a\""},
                                                    {T::tkIdentifier, "\"b"},
                                                    {T::tkIdentifier, "\""},
                                                    {T::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<\"x\">"),
            (Toks{{T::tkSymbol, "<"}, {T::tkIdentifier, "\"x"}, {T::tkIdentifier, "\""}, {T::tkSymbol, ">"}}));
  EXPECT_EQ(Scan(h, u"<&x"), (Toks{{T::tkSymbol, "<"}, {T::tkText, "&"}, {T::tkText, "x"}}));
}

TEST(SynHTMLSyn, Entities) {
  T h;
  EXPECT_EQ(Scan(h, u"a&amp;b &AMP; &Alpha; &zz; &"), (Toks{{T::tkText, "a"},
                                                            {T::tkAmpersand, "&amp;"},
                                                            {T::tkText, "b "},
                                                            {T::tkAmpersand, "&AMP;"},
                                                            {T::tkText, " "},
                                                            {T::tkAmpersand, "&Alpha;"},
                                                            {T::tkText, " &zz; &"}}));
  EXPECT_EQ(Scan(h, u"&#169; &#x1F; &#169 x"), (Toks{{T::tkAmpersand, "&#169;"},
                                                     {T::tkText, " "},
                                                     {T::tkAmpersand, "&#x1F;"},
                                                     {T::tkText, " &#169"},
                                                     {T::tkText, " x"}}));
  EXPECT_EQ(h.GetRange(), T::rsText);
  // The first entry of the table that the text begins with wins: &sigmaf; before &sigma;.
  EXPECT_EQ(Scan(h, u"&sigmaf;&sigma;"), (Toks{{T::tkAmpersand, "&sigmaf;"}, {T::tkAmpersand, "&sigma;"}}));
  EXPECT_EQ(T::Entities().size(), 249u);
  EXPECT_EQ(T::Entities().front(), u"&Alpha;");
  EXPECT_EQ(T::Entities().back(), u"&circ;");
}

TEST(SynHTMLSyn, CommentsAndQuotedValuesAcrossLines) {
  T h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"x <!-- a", u"", u"-> b --> y", u"<a title='one", u"two' href=\"p", u"q\">"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{T::tkText, "x "}, {T::tkComment, "<!--"}, {T::tkComment, " a"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{T::tkComment, "-> b -->"}, {T::tkText, " y"}}));
  EXPECT_EQ(lines[3], (Toks{{T::tkSymbol, "<"},
                            {T::tkKey, "a"},
                            {T::tkSpace, " "},
                            {T::tkIdentifier, "title"},
                            {T::tkSymbol, "="},
                            {T::tkValue, "'one"}}));
  EXPECT_EQ(lines[4], (Toks{{T::tkValue, "two'"},
                            {T::tkSpace, " "},
                            {T::tkIdentifier, "href"},
                            {T::tkSymbol, "="},
                            {T::tkValue, "\"p"}}));
  EXPECT_EQ(lines[5], (Toks{{T::tkValue, "q\""}, {T::tkSymbol, ">"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{T::rsComment, T::rsComment, T::rsText, T::rsQuoteValue,
                                                T::rsDoubleQuoteValue, T::rsText}));
  // Only "--" on the comment's own line counts before the ">".
  EXPECT_EQ(ScanFrom(h, u">x-->", T::rsComment), (Toks{{T::tkComment, ">x-->"}}));
}

TEST(SynHTMLSyn, TerminationAndCoverageOnRandomLines) {
  T h;
  auto pieces = CommonPieces();
  for (auto p : {u"<", u">", u"=", u"\"", u"'", u"&", u"&amp;", u"&#", u"&#x", u";", u"<!--", u"-->", u"--", u"/", u"!",
                 u"a", u"br", u"/p", u"href"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 7);
}

TEST(SynHTMLSyn, RescanFromStoredRangesGivesTheSameTokens) {
  T h;
  CheckRescan(h,
              Lines(u"<!DOCTYPE html>\n<html><!-- a\n\n b -->\n<body bgcolor=\"red\n\">Caf&eacute; &#169; &amp\n"
                    u"<a href='x' \"y\">link</a><br/><unknown>\n&#x1F;text</body>\n</html>"),
              17);
}
