#include <gtest/gtest.h>

#include "editor/SynPadHighlighter.h"

namespace {

// A small language over the framework: identifiers (keyword "select"), blanks, symbols.
class TTestSyn : public TSynCustomHighlighter {
 public:
  enum Kind { tkNull, tkIdent, tkKey, tkSpace, tkSymbol };
  explicit TTestSyn(bool caseSensitive = false) {
    fCaseSensitive = caseSensitive;
    fKey = AddAttribute("Reserved Word", u"Reserved Word");
    fKey->SetStyle(syn::fsBold);
    fIdent = AddAttribute("Identifier", u"Identifier");
    fComment = AddAttribute("Comment", u"Comment");
    fComment->SetStyle(syn::fsItalic);
    SetAttributesOnChange([this](TSynPersistent* s) { AttributeChanged(s); });
    SetDefaultFilter("Test Files (*.t)|*.t");
  }
  std::string ClassName() const override { return "TTestSyn"; }
  std::u16string GetLanguageName() const override { return u"Test"; }
  TSynHighlighterAttributes* GetDefaultAttribute(int role) const override {
    switch (role) {
      case SYN_ATTR_COMMENT:
        return fComment;
      case SYN_ATTR_IDENTIFIER:
        return fIdent;
      case SYN_ATTR_KEYWORD:
        return fKey;
      default:
        return nullptr;
    }
  }
  bool GetEol() const override { return Run == fLineLen + 1; }
  TSynHighlighterAttributes* GetTokenAttribute() const override {
    return fKind == tkKey ? fKey : fKind == tkIdent ? fIdent : nullptr;
  }
  int GetTokenKind() const override { return fKind; }
  std::u16string GetSampleSource() const override { return fSample; }
  void SetSampleSource(const std::u16string& v) override { fSample = v; }
  void Next() override {
    fTokenPos = Run;
    const char16_t c = fLine[Run];
    if (c == 0) {
      fKind = tkNull;
      ++Run;
    } else if (IsIdentChar(c)) {
      fToIdent = fLine + Run;
      while (IsIdentChar(fLine[Run])) ++Run;
      fStringLen = Run - fTokenPos;
      fKind = IsCurrentToken(u"select") ? tkKey : tkIdent;
    } else if (c <= 32) {
      fKind = tkSpace;
      ++Run;
      while (fLine[Run] <= 32 && !IsLineEnd(Run)) ++Run;
    } else {
      fKind = tkSymbol;
      ++Run;
    }
    TSynCustomHighlighter::Next();
  }
  TSynHighlighterAttributes* fKey;
  TSynHighlighterAttributes* fIdent;
  TSynHighlighterAttributes* fComment;
  int fKind = tkNull;
  std::u16string fSample;
};

class TOtherSyn : public TTestSyn {
 public:
  TOtherSyn() { AddAttribute("Other", u"Other"); }
  std::string ClassName() const override { return "TOtherSyn"; }
};

struct Tok {
  int pos;
  std::u16string text;
  int kind;
  bool operator==(const Tok&) const = default;
};

std::vector<Tok> Scan(TSynCustomHighlighter& h, std::u16string_view line, bool expanded = false,
                      std::u16string_view exp = {}) {
  std::vector<Tok> out;
  h.ResetRange();
  if (expanded)
    h.SetLineExpanded(line, exp, 0);
  else
    h.SetLine(line, 0);
  int guard = 0;
  while (!h.GetEol() && guard++ < 1000) {
    out.push_back({expanded ? h.GetExpandedTokenPos() : h.GetTokenPos(), expanded ? h.GetExpandedToken() : h.GetToken(),
                   h.GetTokenKind()});
    h.Next();
  }
  return out;
}

}  // namespace

TEST(HighlighterFramework, CaseInsensitiveScanReturnsGivenCase) {
  TTestSyn h;
  auto toks = Scan(h, u"SELECT x,Y");
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_EQ(toks[0], (Tok{0, u"SELECT", TTestSyn::tkKey}));
  EXPECT_EQ(toks[4], (Tok{9, u"Y", TTestSyn::tkIdent}));
  TTestSyn cs(true);
  EXPECT_EQ(Scan(cs, u"SELECT")[0].kind, TTestSyn::tkIdent);
  EXPECT_EQ(Scan(cs, u"select")[0].kind, TTestSyn::tkKey);
  EXPECT_TRUE(Scan(h, u"").empty());
}

TEST(HighlighterFramework, LineEndAndCharacterClasses) {
  TTestSyn h;
  h.SetLine(u"ab\rc\nd", 3);
  EXPECT_EQ(h.LineNumber(), 3);
  EXPECT_FALSE(h.IsLineEnd(0));
  EXPECT_TRUE(h.IsLineEnd(2));
  EXPECT_TRUE(h.IsLineEnd(4));
  EXPECT_TRUE(h.IsLineEnd(6));
  EXPECT_TRUE(h.IsLineEnd(100));
  EXPECT_FALSE(h.IsWhiteChar(u'_'));
  EXPECT_TRUE(h.IsWhiteChar(u'\u00E9'));
  EXPECT_TRUE(h.IsWhiteChar(u' '));
  EXPECT_FALSE(h.IsWhiteChar(u'+'));
  const std::u16string breaks = u"\u00A7\u00B0\u00B4`{~[^:@/";
  for (char16_t c : breaks) EXPECT_TRUE(h.IsWordBreakChar(c)) << int(c);
  for (char16_t c : std::u16string(u"_09aZ\u00E9\u007F\u00A8")) EXPECT_FALSE(h.IsWordBreakChar(c)) << int(c);
  int count = 0;
  for (unsigned c = 0; c < 0x10000; ++c) count += IsSynWordBreakChar(static_cast<char16_t>(c));
  EXPECT_EQ(count, 48 + 7 + 4 + 1 + 4 + 3);
}

TEST(HighlighterFramework, ExpandedPositionsStepOverFillers) {
  TTestSyn h;
  EXPECT_EQ(h.PosToExpandedPos(3), 3);
  h.SetLineExpanded(u"abc", u"a\uE000bc", 0);
  EXPECT_EQ(h.PosToExpandedPos(3), 4);
  EXPECT_EQ(h.PosToExpandedPos(0), 0);
  EXPECT_EQ(h.PosToExpandedPos(1), 1);
  // "x" then a wide glyph W (two cells: filler first) then "+y".
  auto toks = Scan(h, u"x W+y", true, u"x \uE000W+y");
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_EQ(toks[0], (Tok{0, u"x", TTestSyn::tkIdent}));
  EXPECT_EQ(toks[1], (Tok{1, u" ", TTestSyn::tkSpace}));
  EXPECT_EQ(toks[2], (Tok{2, u"\uE000W", TTestSyn::tkIdent}));
  EXPECT_EQ(toks[3], (Tok{4, u"+", TTestSyn::tkSymbol}));
  EXPECT_EQ(toks[4], (Tok{5, u"y", TTestSyn::tkIdent}));
  h.SetLine(u"q", 0);
  EXPECT_EQ(h.GetExpandedTokenPos(), h.GetTokenPos());
  EXPECT_EQ(h.GetExpandedToken(), u"q");
}

TEST(HighlighterFramework, AttributesSortedNotifiedAndDuplicatesRejected) {
  TTestSyn h;
  ASSERT_EQ(h.GetAttribCount(), 3);
  EXPECT_EQ(h.GetAttribute(0)->Name(), "Comment");
  EXPECT_EQ(h.GetAttribute(1)->Name(), "Identifier");
  EXPECT_EQ(h.GetAttribute(2)->Name(), "Reserved Word");
  EXPECT_EQ(h.GetAttribute(3), nullptr);
  EXPECT_EQ(h.GetAttribute(-1), nullptr);
  EXPECT_THROW(h.AddAttribute("comment", u"x"), EStringListError);
  EXPECT_EQ(h.GetAttribCount(), 3);

  int fired = 0;
  TSynPersistent* lastSender = nullptr;
  int owner = 0;
  h.AddAttrChangeHandler(NotifyMethod(&owner, [&](TSynPersistent* s) {
    ++fired;
    lastSender = s;
  }));
  h.fKey->SetBackground(h.fKey->Background());
  EXPECT_EQ(fired, 0);
  h.fKey->SetBackground(syn::clYellow);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(lastSender, h.fKey);
  EXPECT_TRUE(h.fKey->IsBackgroundStored());
  EXPECT_FALSE(h.fKey->IsStyleStored());  // bold was recorded as default
  h.SetEnabled(false);
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(lastSender, nullptr);
  h.SetEnabled(false);
  EXPECT_EQ(fired, 2);
  h.BeginLoading();
  h.fKey->SetBackground(syn::clBlue);
  EXPECT_EQ(fired, 2);  // quiet while the owner sets it up
  h.Loaded();
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(lastSender, nullptr);
  h.RemoveAttrChangeHandler(NotifyMethod(&owner, [](TSynPersistent*) {}));
  h.fKey->SetForeground(syn::clRed);
  EXPECT_EQ(fired, 3);
}

TEST(HighlighterFramework, AssignCopiesMatchingAttributesOnly) {
  TTestSyn a;
  TOtherSyn b;
  b.SetSampleSource(u"sample");
  b.fKey->SetForeground(syn::clNavy);
  b.GetAttribute(2)->SetStyle(syn::fsUnderline);  // "Other"
  b.SetDefaultFilter("X|*.x");
  b.SetEnabled(false);
  a.Assign(b);
  EXPECT_EQ(a.fKey->Foreground(), syn::clNavy);
  EXPECT_EQ(a.GetSampleSource(), u"");  // different class
  EXPECT_EQ(a.GetDefaultFilter(), "X|*.x");
  EXPECT_FALSE(a.Enabled());
  TTestSyn c;
  a.SetSampleSource(u"abc");
  c.Assign(a);
  EXPECT_EQ(c.GetSampleSource(), u"abc");
  // Attribute Assign fires once for several differences.
  TSynHighlighterAttributes x("X", u"X"), y("Y", u"Y");
  int n = 0;
  x.OnChange = [&](TSynPersistent*) { ++n; };
  y.SetBackground(1);
  y.SetForeground(2);
  y.SetStyle(3);
  x.Assign(y);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(x.Name(), "Y");
  EXPECT_EQ(x.Style(), 3);
  x.Assign(y);
  EXPECT_EQ(n, 1);
}

TEST(HighlighterFramework, BaseAnswersAndRegistry) {
  TTestSyn h;
  EXPECT_EQ(h.GetCapabilities(), 2);
  EXPECT_EQ(h.TSynCustomHighlighter::GetLanguageName(), u"<Unknown>");
  EXPECT_EQ(h.TSynCustomHighlighter::GetLanguageCaption(), u"<Unknown>");
  EXPECT_EQ(h.GetRange(), 0);
  EXPECT_FALSE(h.IsKeyword(u"select"));
  EXPECT_THROW(h.GetKeywords(1), Exception);
  TWideStringList settings;
  settings.Add(u"x");
  h.EnumUserSettings(settings);
  EXPECT_EQ(settings.Count(), 0);
  const int first = RegisterHighlighterClass<TTestSyn>();
  const int again = RegisterHighlighterClass<TTestSyn>();
  EXPECT_EQ(first, again);
  const auto& classes = GetPlaceableHighlighters();
  EXPECT_EQ(classes[first].LanguageName, u"Test");
  auto made = classes[first].Create();
  EXPECT_EQ(made->ClassName(), "TTestSyn");
  h.SetLine(u"a b", 0);
  h.NextToEol();
  EXPECT_TRUE(h.GetEol());
}

TEST(MethodChain, MessagesSnapshotAndExceptions) {
  TSynNotifyEventChain chain(nullptr);
  try {
    chain.Add(TSynNotifyMethod{});
    FAIL();
  } catch (const ESynMethodChain& e) {
    EXPECT_EQ(e.Message(), "TSynNotifyEventChain.Entry : the parameter `AEvent' must be specified.");
  }
  try {
    chain.Remove(TSynNotifyMethod{});
    FAIL();
  } catch (const ESynMethodChain& e) {
    EXPECT_EQ(e.Message(), "TSynNotifyEventChain.Remove: the parameter `AEvent' must be specified.");
  }
  std::vector<int> calls;
  int a = 0, b = 0;
  chain.Add(NotifyMethod(&a, [&](TSynPersistent*) {
    calls.push_back(1);
    chain.Remove(NotifyMethod(&b, [](TSynPersistent*) {}));  // removing while the chain runs
  }));
  chain.Add(NotifyMethod(&b, [&](TSynPersistent*) { calls.push_back(2); }));
  chain.Add(NotifyMethod(
      &b, [&](TSynPersistent*) { calls.push_back(3); }, 1));
  chain.Fire();
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(chain.Count(), 2);
  calls.clear();
  chain.Add(NotifyMethod(
      &b, [&](TSynPersistent*) { throw Exception("boom"); }, 2));
  chain.Add(NotifyMethod(
      &b, [&](TSynPersistent*) { calls.push_back(4); }, 3));
  EXPECT_THROW(chain.Fire(), Exception);
  int seen = 0;
  chain.OnException = [&](TSynPersistent*, const std::exception&, bool& cont) {
    ++seen;
    cont = true;
  };
  calls.clear();
  chain.Fire();
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(calls, (std::vector<int>{1, 3, 4}));
}
