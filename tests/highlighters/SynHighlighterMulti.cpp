#include "highlighters/SynHighlighterMulti.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "SynHighlighterFamilyTesting.h"
#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynHighlighterVBScript.h"
#include "highlighters/SynHighlighterWebScripting.h"
#include "regex/SynRegExpr.h"

namespace {

struct M {
  int scheme, pos, len;
  std::string text;
  bool open;
  friend bool operator==(const M&, const M&) = default;
  friend std::ostream& operator<<(std::ostream& os, const M& m) {
    return os << "(" << m.scheme << "," << m.pos << "," << m.len << ",'" << m.text << "'," << m.open << ")";
  }
};

std::vector<M> MarkersOf(TSynMultiSyn& h, std::u16string_view line, std::intptr_t range = -1) {
  if (range < 0)
    h.ResetRange();
  else
    h.SetRange(range);
  h.SetLine(line, 0);
  std::vector<M> out;
  for (int i = 0; i < h.MarkerCount(); ++i) {
    const TMarker& m = h.Markers(i);
    out.push_back({m.fScheme, m.fStartPos, m.fMarkerLen, codepage::Utf16ToUtf8(m.fMarkerText), m.fIsOpenMarker});
  }
  return out;
}

// Which highlighter owns an attribute (the multi's own marker attributes give -1).
int OwnerOf(TSynWebScriptingSyn& w, const TSynHighlighterAttributes* a) {
  TSynCustomHighlighter* hs[] = {&w.Html(), &w.VBScript(), &w.JScript(), &w.PHP(), &w.Css()};
  for (int k = 0; k < 5; ++k)
    for (int i = 0; i < hs[k]->GetAttribCount(); ++i)
      if (hs[k]->GetAttribute(i) == a) return k;
  return -1;
}

}  // namespace

TEST(SynMultiSyn, WebScriptingConfiguration) {
  TSynWebScriptingSyn w;
  EXPECT_EQ(w.DefaultHighlighter(), &w.Html());
  EXPECT_EQ(w.DefaultLanguageName(), u"Web Scripting");
  EXPECT_EQ(w.GetLanguageName(), u"General Multi-Highlighter");
  EXPECT_EQ(w.GetLanguageCaption(), u"General Multi-Highlighter");
  ASSERT_EQ(w.Schemes().Count(), 6);
  const char16_t* names[] = {u"ASP", u"JavaScript", u"PHP", u"CSS", u"style attr1", u"CSSInline"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w.Schemes().Items(i)->SchemeName(), names[i]);
  EXPECT_EQ(w.Schemes().Items(1)->StartExpr(), u"<script[ ]?.*>");
  EXPECT_EQ(w.Schemes().Items(2)->EndExpr(), u"(php)?\\?>");
  EXPECT_EQ(w.Schemes().Items(4)->StartExpr(), u"[ ]style=\"");
  EXPECT_EQ(w.Schemes().Items(5)->EndExpr(), u"'");
  EXPECT_TRUE(w.Schemes().Items(0)->CaseSensitive());
  EXPECT_FALSE(w.Schemes().Items(3)->CaseSensitive());
  const auto* asp = w.Schemes().Items(0)->MarkerAttri();
  EXPECT_EQ(asp->Name(), "Marker");
  EXPECT_EQ(asp->Background(), 0x00FFFFu);
  EXPECT_EQ(asp->Style(), syn::fsBold);
  const auto* php = w.Schemes().Items(2)->MarkerAttri();
  EXPECT_EQ(php->Background(), syn::clNone);
  EXPECT_EQ(php->Foreground(), 0x0000FFu);
  EXPECT_EQ(php->DefaultBackground(), 0x00FFFFu);
  EXPECT_EQ(w.Schemes().Items(1)->MarkerAttri()->Background(), syn::clNone);
  EXPECT_EQ(w.Schemes().Items(4)->Highlighter(), &w.Css());
  EXPECT_EQ(w.RangeProcKind(), TSynMultiSyn::rpStandard);
  // Marker attributes first, then the default's, then each scheme highlighter's (CSS three times).
  const int count = 6 + w.Html().GetAttribCount() + w.VBScript().GetAttribCount() + w.JScript().GetAttribCount() +
                    w.PHP().GetAttribCount() + 3 * w.Css().GetAttribCount();
  EXPECT_EQ(w.GetAttribCount(), count);
  EXPECT_EQ(w.GetAttribute(5), w.Schemes().Items(5)->MarkerAttri());
  EXPECT_EQ(w.GetAttribute(6), w.Html().GetAttribute(0));
  EXPECT_EQ(w.GetAttribute(count - 1), w.Css().GetAttribute(w.Css().GetAttribCount() - 1));
  EXPECT_EQ(w.GetAttribute(count), nullptr);
  EXPECT_EQ(w.GetAttribute(-1), nullptr);
}

TEST(SynMultiSyn, AspRegionInsideOneLine) {
  TSynWebScriptingSyn w;
  EXPECT_EQ(MarkersOf(w, u"<p><% x = 1 %></p>"), (std::vector<M>{{0, 4, 2, "<%", true}, {0, 13, 2, "%>", false}}));
  const auto toks = hltest::ScanFull(w, u"<p><% x = 1 %></p>", w.GetRange());
  std::u16string joined;
  int pos = 0;
  std::vector<int> owners;
  std::vector<std::u16string> texts;
  for (const auto& t : toks) {
    EXPECT_EQ(t.pos, pos);
    pos += static_cast<int>(t.text.size());
    joined += t.text;
    owners.push_back(OwnerOf(w, t.attr));
    texts.push_back(t.text);
  }
  EXPECT_EQ(joined, u"<p><% x = 1 %></p>");
  // HTML, the marker, VBScript over " x = 1 ", the marker, HTML.
  ASSERT_GE(toks.size(), 5u);
  EXPECT_EQ(owners.front(), 0);
  EXPECT_EQ(owners.back(), 0);
  size_t open = 0;
  while (open < texts.size() && texts[open] != u"<%") ++open;
  ASSERT_LT(open, texts.size());
  EXPECT_EQ(toks[open].attr, w.Schemes().Items(0)->MarkerAttri());
  EXPECT_EQ(toks[open].kind, 0);
  size_t close = open + 1;
  std::u16string inner;
  while (close < texts.size() && texts[close] != u"%>") {
    EXPECT_EQ(owners[close], 1) << codepage::Utf16ToUtf8(texts[close]);
    inner += texts[close++];
  }
  EXPECT_EQ(inner, u" x = 1 ");
  ASSERT_LT(close, texts.size());
  EXPECT_EQ(toks[close].attr, w.Schemes().Items(0)->MarkerAttri());
}

TEST(SynMultiSyn, SchemeOrderWinsOverPosition) {
  TSynWebScriptingSyn w;
  EXPECT_EQ(MarkersOf(w, u"<style> a <% b %>"), (std::vector<M>{{0, 11, 2, "<%", true}, {0, 16, 2, "%>", false}}));
  // The greedy ".*>" is configuration data: a one-line script element opens a region up to its last
  // ">" and leaves it open.
  EXPECT_EQ(MarkersOf(w, u"<script src=\"a.js\"></script>"),
            (std::vector<M>{{1, 1, 28, "<script src=\"a.js\"></script>", true}}));
  w.SetRange(w.GetRange());
  EXPECT_EQ(w.CurrScheme(), 1);
  EXPECT_EQ(
      MarkersOf(w, u"<?php echo 1; php?> <? x ?>"),
      (std::vector<M>{
          {2, 1, 5, "<?php", true}, {2, 15, 5, "php?>", false}, {2, 21, 2, "<?", true}, {2, 26, 2, "?>", false}}));
  EXPECT_EQ(MarkersOf(w, u"<a style=\"color:red\" b style='x'>"), (std::vector<M>{{4, 3, 8, " style=\"", true},
                                                                                  {4, 20, 1, "\"", false},
                                                                                  {5, 23, 8, " style='", true},
                                                                                  {5, 32, 1, "'", false}}));
  // "ASP" is case-sensitive only in name: its markers have no letters.
  EXPECT_EQ(MarkersOf(w, u"<STYLE type=x>p{}</Style>"),
            (std::vector<M>{{3, 1, 25, "<STYLE type=x>p{}</Style>", true}}));
}

TEST(SynMultiSyn, RegionsAcrossLines) {
  TSynWebScriptingSyn w;
  const std::vector<std::u16string> lines = {
      u"<p>before</p>", u"<script type=x>", u"var a = 1; // c", u"if (a) { b(); }", u"s = 'x'; </SCRIPT><b>after</b>",
      u"<i>x</i>"};
  std::vector<std::intptr_t> ranges;
  hltest::ScanLines(w, lines, &ranges);
  // Lines 2-4 are JavaScript: the open scheme is in the range after lines 1-3.
  for (int i : {1, 2, 3}) {
    w.SetRange(ranges[static_cast<size_t>(i)]);
    EXPECT_EQ(w.CurrScheme(), 1) << i;
  }
  w.SetRange(ranges[4]);
  EXPECT_EQ(w.CurrScheme(), -1);
  const auto middle = hltest::ScanFull(w, lines[2], ranges[1]);
  for (const auto& t : middle) EXPECT_EQ(OwnerOf(w, t.attr), 2) << codepage::Utf16ToUtf8(t.text);
  const auto closing = hltest::ScanFull(w, lines[4], ranges[3]);
  EXPECT_EQ(OwnerOf(w, closing.front().attr), 2);
  EXPECT_EQ(OwnerOf(w, closing.back().attr), 0);
  // PHP with both marker forms over lines.
  const std::vector<std::u16string> php = {u"<?php", u"$a = 'x", u"y'; php?><p>", u"<? echo 1;", u"?>"};
  ranges.clear();
  hltest::ScanLines(w, php, &ranges);
  w.SetRange(ranges[1]);
  EXPECT_EQ(w.CurrScheme(), 2);
  w.SetRange(ranges[2]);
  EXPECT_EQ(w.CurrScheme(), -1);
  w.SetRange(ranges[3]);
  EXPECT_EQ(w.CurrScheme(), 2);
  w.SetRange(ranges[4]);
  EXPECT_EQ(w.CurrScheme(), -1);
}

TEST(SynMultiSyn, RescanEquivalence) {
  TSynWebScriptingSyn w;
  const auto lines = hltest::Lines(
      u"<html><head>\n"
      u"<style type=\"text/css\">\n"
      u"p { color: red; /* a comment\n"
      u"   that spans lines */ margin: 0 }\n"
      u"h1 /* another\n"
      u"*/ { x: 1 }\n"
      u"</style>\n"
      u"<script>\n"
      u"/* js comment\n"
      u"   still */ var s = \"a\";\n"
      u"</script>\n"
      u"<!-- html comment\n"
      u" <% not asp yet -->\n"
      u"%> <p style=\"color:\n"
      u"red\" x='1'>\n"
      u"<?php $a = \"multi\n"
      u"line $b\"; /* c\n"
      u"*/ ?>\n"
      u"<a href='y' style='font:\n"
      u"bold'>t</a><% Dim x\n"
      u"x = \"s\" %>\n");
  hltest::CheckRescan(w, lines, 7140);
  hltest::CheckTermination(w, {u"<%", u"%>",    u"<script>", u"</script>", u"<style>",  u"</style>", u"<?",
                               u"?>", u"<?php", u"php?>",    u" style=\"", u" style='", u"\"",       u"'",
                               u"/*", u"*/",    u"<!--",     u"-->",       u"<",        u">",        u"{",
                               u"}",  u"a",     u" ",        u"=",         u";",        u"\t",       u"x"},
                           30000, 1);
}

TEST(SynMultiSyn, CssCommentAcrossLinesInsideStyle) {
  TSynWebScriptingSyn w;
  const std::vector<std::u16string> lines = {u"<style>", u"a { b: c } /* one", u"two */ d { e: f }", u"</style>"};
  std::vector<std::intptr_t> ranges;
  EXPECT_NO_THROW(hltest::ScanLines(w, lines, &ranges));
  const auto second = hltest::ScanFull(w, lines[2], ranges[1]);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.front().attr, w.Css().CommentAttri);
  EXPECT_EQ(second.front().text, u"two */");
}

TEST(SynMultiSyn, OpenRegionWithoutEndIsEntirelyTheRegion) {
  TSynWebScriptingSyn w;
  w.ResetRange();
  w.SetLine(u"<%", 0);
  w.NextToEol();
  const std::intptr_t open = w.GetRange();
  const auto toks = hltest::ScanFull(w, u"If a Then b = \"<p>\"", open);
  EXPECT_TRUE(MarkersOf(w, u"If a Then b = \"<p>\"", open).empty());
  for (const auto& t : toks) EXPECT_EQ(OwnerOf(w, t.attr), 1);
}

TEST(SynMultiSyn, WithoutDefaultHighlighterOneToken) {
  TSynVBScriptSyn vb;
  TSynMultiSyn m;  // after its highlighters, so it goes first
  TScheme* s = m.Schemes().Add();
  s->SetStartExpr(u"<%");
  s->SetEndExpr(u"%>");
  s->SetHighlighter(&vb);
  const auto toks = hltest::ScanFull(m, u"<p><% x %>", 0);
  ASSERT_EQ(toks.size(), 1u);
  EXPECT_EQ(toks[0].text, u"<p><% x %>");
  EXPECT_EQ(toks[0].attr, nullptr);
  EXPECT_EQ(toks[0].kind, 0);
  // Even with a scheme restored as open from an older range.
  const auto again = hltest::ScanFull(m, u"x %> y", 1);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].text, u"x %> y");
  EXPECT_TRUE(hltest::ScanFull(m, u"", 0).empty());
  // The expanded line is the token's expanded text.
  m.SetLineExpanded(u"\ta", u"    a", 0);
  EXPECT_EQ(m.GetExpandedToken(), u"    a");
}

TEST(SynMultiSyn, ConfigurationErrors) {
  TSynWebScriptingSyn w;
  try {
    w.SetDefaultHighlighter(&w);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "A SynMultiSyn cannot be its own DefaultHighlighter.");
  }
  EXPECT_EQ(w.DefaultHighlighter(), &w.Html());
  EXPECT_THROW(w.Schemes().Items(0)->SetHighlighter(&w), Exception);
  EXPECT_EQ(w.Schemes().Items(0)->Highlighter(), &w.VBScript());
  TScheme* s = w.Schemes().Items(1);
  synregexpr::TRegExpr probe;
  try {
    s->SetStartExpr(u"<script(");
    ADD_FAILURE() << "no error";
  } catch (const synregexpr::ERegExpr& e) {
    EXPECT_EQ(e.ErrorCode, synregexpr::reeCompParseRegUnmatchedBrackets);
    EXPECT_EQ(e.Message(), "\"<script(\" is not a valid Regular Expression.\rError (pos " +
                               std::to_string(e.CompilerErrorPos) + "):  ParseReg Unmatched ()");
    EXPECT_EQ(probe.ErrorMsg(e.ErrorCode), "TRegExpr(comp): ParseReg Unmatched ()");
  }
  EXPECT_EQ(s->StartExpr(), u"<script[ ]?.*>");
  EXPECT_THROW(s->SetEndExpr(u"[a"), synregexpr::ERegExpr);
  EXPECT_EQ(s->EndExpr(), u"</script>");
  EXPECT_THROW(w.Schemes().Items(6), EStringListError);
}

TEST(SynMultiSyn, ChangesReachTheChangeChain) {
  int fired = 0;
  std::vector<TSynPersistent*> senders;
  TSynWebScriptingSyn w;
  w.AddAttrChangeHandler(NotifyMethod(&fired, [&](TSynPersistent* s) {
    ++fired;
    senders.push_back(s);
  }));
  w.Schemes().Items(2)->MarkerAttri()->SetForeground(0x123456);
  ASSERT_EQ(fired, 1);
  w.Css().CommentAttri->SetForeground(0x654321);
  EXPECT_GE(fired, 2);
  fired = 0;
  // A case-only change of a case-insensitive expression is no change.
  w.Schemes().Items(3)->SetEndExpr(u"</STYLE>");
  EXPECT_EQ(fired, 0);
  w.Schemes().Items(0)->SetEndExpr(u"%%>");
  EXPECT_EQ(fired, 1);
  // Released highlighters no longer report.
  w.Notification(&w.Css());
  fired = 0;
  w.Css().CommentAttri->SetForeground(0x111111);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(w.Schemes().Items(3)->Highlighter(), nullptr);
}

TEST(SynMultiSyn, DroppedHighlighterCountsAsClosed) {
  TSynWebScriptingSyn w;
  w.ResetRange();
  w.SetLine(u"<style>", 0);
  w.NextToEol();
  const std::intptr_t inStyle = w.GetRange();
  w.SetRange(inStyle);
  EXPECT_EQ(w.CurrScheme(), 3);
  w.Notification(&w.Css());
  const auto toks = hltest::ScanFull(w, u"p { x } <b>", inStyle);
  EXPECT_EQ(w.CurrScheme(), -1);
  for (const auto& t : toks) EXPECT_EQ(OwnerOf(w, t.attr), 0);
  // The style schemes are skipped from now on.
  EXPECT_TRUE(MarkersOf(w, u"<style> <a style='x'>").empty());
  // Dropping the default: one token per line.
  w.Notification(&w.Html());
  EXPECT_EQ(hltest::ScanFull(w, u"<p><% x %>", 0).size(), 1u);
}

TEST(SynMultiSyn, ExpandedPositionsResetPerLine) {
  TSynWebScriptingSyn w;
  w.ResetRange();
  for (int line = 0; line < 3; ++line) {
    // The line comes tab-expanded; the expanded line adds a filler before each wide glyph.
    w.SetLineExpanded(u"  <b>\u4e00</b><%\u4e00%>", u"  <b>\ue000\u4e00</b><%\ue000\u4e00%>", line);
    std::u16string expanded;
    int expectedPos = 0;
    while (!w.GetEol()) {
      EXPECT_EQ(w.GetExpandedTokenPos(), expectedPos) << "line " << line;
      expectedPos += static_cast<int>(w.GetExpandedToken().size());
      expanded += w.GetExpandedToken();
      w.Next();
    }
    EXPECT_EQ(expanded, u"  <b>\ue000\u4e00</b><%\ue000\u4e00%>");
    w.SetRange(w.GetRange());
  }
}

TEST(SynMultiSyn, MarkerHandlersAreClampedAndEmptyMatchesStop) {
  TSynHTMLSyn html;
  TSynVBScriptSyn vb;
  TSynMultiSyn m;
  m.SetDefaultHighlighter(&html);
  TScheme* s = m.Schemes().Add();
  s->SetStartExpr(u"<%");
  s->SetEndExpr(u"%>");
  s->SetHighlighter(&vb);
  std::vector<int> lines;
  s->OnCheckStartMarker = [&](TSynMultiSyn* sender, int& pos, int& len, std::u16string& text, int line) {
    EXPECT_EQ(sender, &m);
    lines.push_back(line);
    pos += 100;  // far past the line end
    len = 5;
    text = u"moved";
  };
  s->OnCheckEndMarker = [](TSynMultiSyn*, int& pos, int& len, std::u16string&, int) {
    pos = 1;  // before the start marker
    len = 50;
  };
  hltest::CheckTermination(m, {u"<%", u"%>", u"ab", u" "}, 3000, 9);
  EXPECT_FALSE(lines.empty());
  s->OnCheckStartMarker = [](TSynMultiSyn*, int& pos, int& len, std::u16string&, int) {
    pos = 2;
    len = 2;
  };
  s->OnCheckEndMarker = nullptr;
  m.ResetRange();
  m.SetLine(u"xx<%a%>", 3);
  ASSERT_EQ(m.MarkerCount(), 2);
  EXPECT_EQ(m.Markers(0).fStartPos, 2);
  EXPECT_EQ(m.Markers(1).fStartPos, 6);
  // An expression that matches the empty text at the start of the rest ends the cutting.
  s->OnCheckStartMarker = nullptr;
  s->SetStartExpr(u"x*");
  EXPECT_EQ(MarkersOf(m, u"abc"), std::vector<M>{});
  EXPECT_EQ(MarkersOf(m, u"xxab%>"), (std::vector<M>{{0, 1, 2, "xx", true}, {0, 5, 2, "%>", false}}));
  hltest::CheckTermination(m, {u"x", u"%>", u"a", u" "}, 3000, 10);
}

TEST(SynMultiSyn, ExpressionsLookingBackSeeOnlyTheRest) {
  TSynHTMLSyn html;
  TSynVBScriptSyn vb;
  TSynMultiSyn m;
  m.SetDefaultHighlighter(&html);
  TScheme* s = m.Schemes().Add();
  s->SetStartExpr(u"^a");
  s->SetEndExpr(u"X");
  s->SetHighlighter(&vb);
  // After "aX" the rest is "a...", where "^" matches again.
  EXPECT_EQ(MarkersOf(m, u"aXaX"),
            (std::vector<M>{{0, 1, 1, "a", true}, {0, 2, 1, "X", false}, {0, 3, 1, "a", true}, {0, 4, 1, "X", false}}));
  s->SetStartExpr(u"\\bb");
  EXPECT_EQ(MarkersOf(m, u"bXb"), (std::vector<M>{{0, 1, 1, "b", true}, {0, 2, 1, "X", false}, {0, 3, 1, "b", true}}));
  // "\A" anchors at the start of the rest just as "^" does.
  s->SetStartExpr(u"\\Aa");
  EXPECT_EQ(MarkersOf(m, u"aXaX"),
            (std::vector<M>{{0, 1, 1, "a", true}, {0, 2, 1, "X", false}, {0, 3, 1, "a", true}, {0, 4, 1, "X", false}}));
  EXPECT_EQ(MarkersOf(m, u"baX"), std::vector<M>{});
}

TEST(SynMultiSyn, NestedAndCustomRangeEncodings) {
  TSynHTMLSyn html;
  TSynWebScriptingSyn inner;
  TSynMultiSyn outer;
  outer.SetDefaultHighlighter(&html);
  TScheme* s = outer.Schemes().Add();
  s->SetStartExpr(u"\\[\\[");
  s->SetEndExpr(u"\\]\\]");
  s->SetHighlighter(&inner);
  EXPECT_EQ(outer.RangeProcKind(), TSynMultiSyn::rpNested);
  const std::vector<std::u16string> lines = {u"<p>[[<% a", u"b %> <?php", u"$x ?>]] <b", u"c>"};
  hltest::CheckRescan(outer, lines, 5);
  outer.ResetRange();
  outer.SetLine(lines[0], 0);
  outer.NextToEol();
  const std::intptr_t r = outer.GetRange();
  EXPECT_EQ(r & 15, 2);  // scheme 0 + 2
  outer.SetRange(0);     // zero changes nothing
  EXPECT_EQ(outer.GetRange(), r);
  outer.ResetRange();
  outer.SetRange(r);
  EXPECT_EQ(outer.CurrScheme(), 0);
  EXPECT_EQ(inner.CurrScheme(), 0);
  s->SetHighlighter(nullptr);
  EXPECT_EQ(outer.RangeProcKind(), TSynMultiSyn::rpStandard);

  std::vector<std::pair<TRangeOperation, std::intptr_t>> calls;
  std::intptr_t stored = 42;
  outer.SetOnCustomRange([&](TSynMultiSyn*, TRangeOperation op, std::intptr_t& range) {
    calls.emplace_back(op, range);
    if (op == roGet)
      range = stored;
    else
      stored = range;
  });
  EXPECT_EQ(outer.RangeProcKind(), TSynMultiSyn::rpCustom);
  EXPECT_EQ(outer.GetRange(), 42);
  outer.SetRange(7);
  EXPECT_EQ(stored, 7);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].first, roSet);
  outer.SetOnCustomRange(nullptr);
  EXPECT_EQ(outer.RangeProcKind(), TSynMultiSyn::rpStandard);
}

TEST(SynMultiSyn, StandardRangeLimits) {
  TSynHTMLSyn html;
  TSynURISyn uri;
  TSynMultiSyn m;
  m.SetDefaultHighlighter(&html);
  for (int i = 0; i < 8; ++i) {
    TScheme* s = m.Schemes().Add();
    s->SetStartExpr(u"<" + std::u16string(1, char16_t(u'a' + i)) + u">");
    s->SetEndExpr(u"</>");
    s->SetHighlighter(&uri);
  }
  m.ResetRange();
  m.SetLine(u"<g>", 0);
  m.NextToEol();
  EXPECT_EQ(m.GetRange() & 7, 7);
  m.SetLine(u"</><h>", 0);
  m.NextToEol();
  // Scheme 7 would need 8 in three bits.
  EXPECT_THROW(m.GetRange(), EAssertionFailed);
  // A stored range naming a scheme that no longer exists opens nothing.
  m.Schemes().Clear();
  m.SetRange(5);
  EXPECT_EQ(m.CurrScheme(), -1);
}

TEST(SynMultiSyn, LongLineWithManyStyleAttributes) {
  TSynWebScriptingSyn w;
  std::u16string line;
  // 7,143 attributes of 28 units: one line of 200,000 units.
  while (line.size() < 200000) line += u"<b style=\"color: red\">x</b>";
  const auto t0 = std::chrono::steady_clock::now();
  w.ResetRange();
  w.SetLine(line, 0);
  long tokens = 0;
  while (!w.GetEol()) {
    ++tokens;
    w.Next();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GE(w.MarkerCount(), 14000);
  EXPECT_GT(tokens, 0);
  // Well under a second in a release build; the sanitizer build gets room.
  EXPECT_LT(seconds, 10.0);
}

TEST(SynMultiSyn, TokenDumpOfTheProbe) {
  // What tokenprobe prints for "TSynMultiSyn" (Web Scripting) and "TSynURISyn".
  TSynWebScriptingSyn w;
  EXPECT_EQ(w.ClassName(), "TSynMultiSyn");
  std::string out;
  ASSERT_TRUE(SynDumpTokens(w, {u"<p><% x %>", u"<script>", u"var a;", u"</script>"}, out));
  EXPECT_NE(out.find("1\t3\t2\tMarker\t0\t<%\n"), std::string::npos) << out;
  EXPECT_NE(out.find("4\t0\t9\tMarker\t0\t</script>\n"), std::string::npos) << out;
  TSynURISyn uri;
  out.clear();
  ASSERT_TRUE(SynDumpTokens(uri, {u"see www.a.org"}, out));
  EXPECT_EQ(out, "1\t0\t3\tIdentifier\t13\tsee\n1\t3\t1\tSpace\t1\t \n1\t4\t9\tURI\t12\twww.a.org\n1\tEOL\t0\n");
}

TEST(SynMultiSyn, SkippedSchemes) {
  TSynWebScriptingSyn w;
  // A disabled highlighter's scheme is not tried; the next scheme that matches wins.
  w.VBScript().SetEnabled(false);
  EXPECT_EQ(MarkersOf(w, u"<% a %> <? b ?>"), (std::vector<M>{{2, 9, 2, "<?", true}, {2, 14, 2, "?>", false}}));
  w.VBScript().SetEnabled(true);
  // So is a scheme with an empty start or end expression.
  w.Schemes().Items(2)->SetEndExpr(u"");
  EXPECT_TRUE(MarkersOf(w, u"<? b ?>").empty());
  w.Schemes().Items(0)->SetStartExpr(u"");
  EXPECT_TRUE(MarkersOf(w, u"<% a %>").empty());
  EXPECT_EQ(MarkersOf(w, u"<style>"), (std::vector<M>{{3, 1, 7, "<style>", true}}));
}
