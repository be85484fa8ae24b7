#include "highlighters/SynHighlighterURI.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "SynHighlighterFamilyTesting.h"

using hltest::Scan;
using hltest::Toks;

namespace {
constexpr int kSpace = TSynURISyn::tkSpace, kOther = TSynURISyn::tkUnknown;
}

TEST(SynURISyn, Identity) {
  TSynURISyn h;
  EXPECT_EQ(h.GetLanguageName(), u"URI");
  EXPECT_EQ(h.DefaultFilter(), "All Files (*.*)|*.*");
  EXPECT_FALSE(h.IsFilterStored());
  ASSERT_EQ(h.GetAttribCount(), 2);
  EXPECT_EQ(h.GetAttribute(0)->Name(), "URI");
  EXPECT_EQ(h.GetAttribute(1)->Name(), "Visited URI");
  EXPECT_EQ(h.URIAttri->Foreground(), 0xFF0000u);
  EXPECT_EQ(h.URIAttri->Style(), syn::fsUnderline);
  EXPECT_EQ(h.VisitedURIAttri->Foreground(), 0x800080u);
  EXPECT_EQ(h.VisitedURIAttri->Style(), syn::fsUnderline);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_IDENTIFIER), h.IdentifierAttri());
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri());
  EXPECT_EQ(h.GetDefaultAttribute(6), h.URIAttri);
  EXPECT_EQ(h.GetDefaultAttribute(7), h.VisitedURIAttri);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_COMMENT), nullptr);
  EXPECT_EQ(h.SpaceAttri()->Foreground(), syn::clNone);
  EXPECT_FALSE(h.GetSampleSource().empty());
}

TEST(SynURISyn, PrefixTableAndHash) {
  // Each prefix hashes to its own slot.
  for (int slot = 0; slot < 16; ++slot) {
    const auto prefix = TSynURISyn::PrefixOfSlot(slot);
    if (prefix.empty()) continue;
    unsigned h = 0;
    for (char16_t c : prefix) h = (h * 3 + c / 9) % 16;
    EXPECT_EQ(static_cast<int>(h), slot) << codepage::Utf16ToUtf8(prefix);
  }
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"ftp://a"), (Toks{{2, "ftp://a"}}));
  EXPECT_EQ(Scan(h, u"gopher://a"), (Toks{{3, "gopher://a"}}));
  EXPECT_EQ(Scan(h, u"http://a"), (Toks{{4, "http://a"}}));
  EXPECT_EQ(Scan(h, u"https://a"), (Toks{{5, "https://a"}}));
  EXPECT_EQ(Scan(h, u"mailto:a"), (Toks{{6, "mailto:a"}}));
  EXPECT_EQ(Scan(h, u"news:a"), (Toks{{7, "news:a"}}));
  EXPECT_EQ(Scan(h, u"news://a"), (Toks{{7, "news://a"}}));
  EXPECT_EQ(Scan(h, u"nntp://a"), (Toks{{8, "nntp://a"}}));
  EXPECT_EQ(Scan(h, u"prospero://a"), (Toks{{9, "prospero://a"}}));
  EXPECT_EQ(Scan(h, u"telnet://a"), (Toks{{10, "telnet://a"}}));
  EXPECT_EQ(Scan(h, u"wais://a"), (Toks{{11, "wais://a"}}));
  EXPECT_EQ(Scan(h, u"www.a.b"), (Toks{{12, "www.a.b"}}));
}

TEST(SynURISyn, PrefixEdgeCases) {
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"http x"), (Toks{{kOther, "http"}, {kSpace, " "}, {kOther, "x"}}));
  EXPECT_EQ(Scan(h, u"http:/x"), (Toks{{kOther, "http:/"}, {kOther, "x"}}));
  EXPECT_EQ(Scan(h, u"hello"), (Toks{{kOther, "hello"}}));
  // Upper case is found; the token keeps the writer's case.
  EXPECT_EQ(Scan(h, u"HTTP://Example.ORG"), (Toks{{4, "HTTP://Example.ORG"}}));
  // A prefix with nothing after it (trailing characters dropped) is no link, and the token never
  // falls back inside the prefix.
  EXPECT_EQ(Scan(h, u"news:"), (Toks{{kOther, "news:"}}));
  EXPECT_EQ(Scan(h, u"mailto:"), (Toks{{kOther, "mailto:"}}));
  EXPECT_EQ(Scan(h, u"mailto:,;"), (Toks{{kOther, "mailto:"}, {kOther, ","}, {kOther, ";"}}));
  EXPECT_EQ(Scan(h, u"http://."), (Toks{{kOther, "http://"}, {kOther, "."}}));
  // An unused slot gives other text.
  EXPECT_EQ(Scan(h, u"zz"), (Toks{{kOther, "zz"}}));
}

TEST(SynURISyn, LinkEnds) {
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"see http://x.org/a."),
            (Toks{{kOther, "see"}, {kSpace, " "}, {4, "http://x.org/a"}, {kOther, "."}}));
  EXPECT_EQ(Scan(h, u"http://x.org/"), (Toks{{4, "http://x.org/"}}));
  EXPECT_EQ(Scan(h, u"(http://x.org/?a=1&b=$)"), (Toks{{kOther, "("}, {4, "http://x.org/?a=1&b=$"}, {kOther, ")"}}));
  EXPECT_EQ(Scan(h, u"http://x.org/it's,"), (Toks{{4, "http://x.org/it's"}, {kOther, ","}}));
  // ".." ends a link unless it sits between two slashes.
  EXPECT_EQ(Scan(h, u"http://a/b/../c"), (Toks{{4, "http://a/b/../c"}}));
  EXPECT_EQ(Scan(h, u"http://a..b"), (Toks{{4, "http://a"}, {kOther, "."}, {kOther, "."}, {kOther, "b"}}));
  EXPECT_EQ(Scan(h, u"http://a<b"), (Toks{{4, "http://a"}, {kOther, "<"}, {kOther, "b"}}));
  EXPECT_EQ(Scan(h, u"ftp://h\u00e9llo.de x"), (Toks{{2, "ftp://h\u00e9llo.de"}, {kSpace, " "}, {kOther, "x"}}));
}

TEST(SynURISyn, WebLinks) {
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"www.example"), (Toks{{kOther, "www"}, {kOther, "."}, {kOther, "example"}}));
  EXPECT_EQ(Scan(h, u"www.example.com"), (Toks{{12, "www.example.com"}}));
  EXPECT_EQ(Scan(h, u"www.example.com."), (Toks{{12, "www.example.com"}, {kOther, "."}}));
  EXPECT_EQ(Scan(h, u"www.example."), (Toks{{kOther, "www"}, {kOther, "."}, {kOther, "example"}, {kOther, "."}}));
  EXPECT_EQ(Scan(h, u"wwwx.a.b"), (Toks{{kOther, "wwwx"}, {kOther, "."}, {kOther, "a"}, {kOther, "."}, {kOther, "b"}}));
  EXPECT_EQ(Scan(h, u"WWW.A.B/c"), (Toks{{12, "WWW.A.B/c"}}));
}

TEST(SynURISyn, MailAddresses) {
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"write to john.doe@example.com."), (Toks{{kOther, "write"},
                                                              {kSpace, " "},
                                                              {kOther, "to"},
                                                              {kSpace, " "},
                                                              {6, "john.doe@example.com"},
                                                              {kOther, "."}}));
  EXPECT_EQ(Scan(h, u"a@b.c"), (Toks{{6, "a@b.c"}}));
  EXPECT_EQ(Scan(h, u"a@.bc"), (Toks{{kOther, "a"}, {kOther, "@"}, {kOther, "."}, {kOther, "bc"}}));
  EXPECT_EQ(Scan(h, u"a@bc"), (Toks{{kOther, "a"}, {kOther, "@"}, {kOther, "bc"}}));
  EXPECT_EQ(Scan(h, u"a@b.c@"), (Toks{{6, "a@b.c"}, {kOther, "@"}}));
  EXPECT_EQ(Scan(h, u"x@y@b.cd"), (Toks{{6, "x@y@b.cd"}}));
  // A dot right after another one ends the scan.
  EXPECT_EQ(Scan(h, u"a@b..cd"),
            (Toks{{kOther, "a"}, {kOther, "@"}, {kOther, "b"}, {kOther, "."}, {kOther, "."}, {kOther, "cd"}}));
  // A failed long run does not hide an address that starts after it.
  EXPECT_EQ(Scan(h, u"abc-def x@y.zz"),
            (Toks{{kOther, "abc"}, {kOther, "-"}, {kOther, "def"}, {kSpace, " "}, {6, "x@y.zz"}}));
}

TEST(SynURISyn, BlanksAndLineEnds) {
  TSynURISyn h;
  EXPECT_EQ(Scan(h, u"a \t\x01 b"), (Toks{{kOther, "a"}, {kSpace, " \t\x01 "}, {kOther, "b"}}));
  EXPECT_EQ(Scan(h, u"a\r\nb\nc"),
            (Toks{{kOther, "a"}, {kSpace, "\r\n"}, {kOther, "b"}, {kSpace, "\n"}, {kOther, "c"}}));
  EXPECT_EQ(Scan(h, u""), Toks{});
  std::u16string withNul = u"a";
  withNul.push_back(0);
  withNul += u"b";
  EXPECT_EQ(Scan(h, withNul), (Toks{{kOther, "a"}, {TSynURISyn::tkNullChar, std::string(1, '\0')}, {kOther, "b"}}));
  EXPECT_EQ(Scan(h, u"123"), (Toks{{kOther, "1"}, {kOther, "2"}, {kOther, "3"}}));
}

TEST(SynURISyn, VisitedCallbackAndAttributes) {
  TSynURISyn h;
  std::vector<std::u16string> asked;
  h.SetAlreadyVisitedURIFunc([&](std::u16string_view uri) {
    asked.emplace_back(uri);
    return uri == u"WWW.a.b";
  });
  const auto toks = hltest::ScanFull(h, u"WWW.a.b http://x hi", 0);
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_EQ(toks[0].attr, h.VisitedURIAttri);
  EXPECT_EQ(toks[1].attr, h.SpaceAttri());
  EXPECT_EQ(toks[2].attr, h.URIAttri);
  EXPECT_EQ(toks[4].attr, h.IdentifierAttri());
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"WWW.a.b", u"http://x"}));
  h.SetAlreadyVisitedURIFunc(nullptr);
  EXPECT_EQ(hltest::ScanFull(h, u"WWW.a.b", 0)[0].attr, h.URIAttri);
}

TEST(SynURISyn, RandomLinesTerminateAndCoverTheLine) {
  TSynURISyn h;
  auto pieces = hltest::CommonPieces();
  for (const char16_t* p : {u"http://", u"www", u".", u"..", u"@", u"mailto:", u"news:", u"/", u"\\", u"-", u"'",
                            u"ftp://", u":", u"?", u"$", u"(", u")", u"~"})
    pieces.emplace_back(p);
  hltest::CheckTermination(h, pieces, 100000, 7103);
}

TEST(SynURISyn, LongRunsScanInLinearTime) {
  // A base64 blob and a dotted name of about 1 MB each; a rescan per letter would take hours.
  std::mt19937 rng(64);
  const std::u16string b64 = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::u16string blob, dotted;
  for (int i = 0; i < (1 << 20); ++i) blob.push_back(b64[rng() % b64.size()]);
  for (int i = 0; i < (1 << 18); ++i) dotted += u"abc.";
  TSynURISyn h;
  for (const auto* line : {&blob, &dotted}) {
    const auto t0 = std::chrono::steady_clock::now();
    h.ResetRange();
    h.SetLine(*line, 0);
    long long tokens = 0;
    while (!h.GetEol()) {
      ++tokens;
      h.Next();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GT(tokens, 0);
    EXPECT_LT(seconds, 20.0);
  }
}
