#include "highlighters/SynHighlighterSQL.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using Q = TSynSQLSyn;

namespace {

Toks In(TSQLDialect dialect, std::u16string_view line) {
  Q h;
  h.SetSQLDialect(dialect);
  return Scan(h, line);
}

// The bucket computed here independently: a..z 2..27, "_" 1, "@" 24 in the two MSSQL dialects.
int Bucket(std::u16string_view w, TSQLDialect d) {
  unsigned h = 0;
  for (char16_t c : w) {
    unsigned v = 0;
    if (c >= u'a' && c <= u'z')
      v = c - u'a' + 2;
    else if (c == u'_')
      v = 1;
    else if (c == u'@' && (d == sqlMSSQL7 || d == sqlMSSQL2K))
      v = 24;
    h = h * 2 + v;
  }
  return static_cast<int>(h % 256);
}

}  // namespace

TEST(SynSQLSyn, KeywordTextsPerDialectAndKind) {
  // Word counts per dialect and kind, and the digest of each text's lower-cased words in order, as a
  // separate script computed them from the word lists.
  struct Row {
    TSQLDialect dialect;
    int kind, count;
    std::uint32_t digest;
  };
  const Row rows[] = {
      {sqlStandard, 6, 306, 0x29ed66e4},   {sqlInterbase6, 1, 13, 0xdc92c560}, {sqlInterbase6, 4, 8, 0xb6633a62},
      {sqlInterbase6, 6, 251, 0x298353c6}, {sqlMSSQL7, 1, 24, 0x13a910ba},     {sqlMSSQL7, 4, 139, 0x7ebb25f2},
      {sqlMSSQL7, 6, 197, 0xfcadfc33},     {sqlMySQL, 1, 42, 0x3cded220},      {sqlMySQL, 4, 192, 0x0e621fae},
      {sqlMySQL, 6, 220, 0x861cbf93},      {sqlMySQL, 10, 17, 0xe2581191},     {sqlOracle, 0, 4, 0x9c30c4e7},
      {sqlOracle, 1, 46, 0x9ba52195},      {sqlOracle, 2, 181, 0xd90bb870},    {sqlOracle, 3, 20, 0xf4fedde8},
      {sqlOracle, 4, 371, 0x98bf2c30},     {sqlOracle, 6, 617, 0x0b129c25},    {sqlOracle, 10, 163, 0x24733d2f},
      {sqlOracle, 11, 184, 0x806d2420},    {sqlSybase, 6, 373, 0xe2b681ca},    {sqlIngres, 1, 23, 0xdb1f76b7},
      {sqlIngres, 4, 102, 0xfbb1c45e},     {sqlIngres, 6, 315, 0x4374f5aa},    {sqlMSSQL2K, 1, 30, 0x2efc2956},
      {sqlMSSQL2K, 4, 168, 0x812bbbc5},    {sqlMSSQL2K, 6, 171, 0xd9c6fa1c},
  };
  Q h;
  int used = 0;
  for (int d = 0; d < SQLDialectCount; ++d) {
    h.SetSQLDialect(static_cast<TSQLDialect>(d));
    for (int kind = 0; kind <= Q::tkDelimitedIdentifier; ++kind) {
      const std::u16string text = h.GetKeywords(kind);
      const Row* row = nullptr;
      for (const Row& r : rows)
        if (r.dialect == d && r.kind == kind) row = &r;
      SCOPED_TRACE(std::string(SQLDialectName(static_cast<TSQLDialect>(d))) + " kind " + std::to_string(kind));
      if (!row) {
        EXPECT_TRUE(text.empty());
        continue;
      }
      ++used;
      std::vector<std::u16string> words;
      EnumerateKeywords(
          kind, text, [&h](char16_t c) { return h.IsIdentChar(c); },
          [&words](const std::u16string& w, int) { words.push_back(WideLowerCase(w)); });
      EXPECT_EQ(static_cast<int>(words.size()), row->count);
      EXPECT_EQ(Digest(words), row->digest);
    }
  }
  EXPECT_EQ(used, 26);
}

TEST(SynSQLSyn, EveryDialectTableBuildsWithItsBuckets) {
  // (bucket, word) pairs of each dialect's table, against digests of the same pairs computed from
  // the word lists; each word scanned alone gives its kind, in any case.
  struct Row {
    TSQLDialect dialect;
    int count;
    std::uint32_t digest;
  };
  const Row rows[] = {{sqlStandard, 306, 0xa6f264d2}, {sqlInterbase6, 272, 0xacfa265b}, {sqlMSSQL7, 360, 0xfb7495ba},
                      {sqlMySQL, 471, 0xb03f280f},    {sqlOracle, 1586, 0xdb4c7525},    {sqlSybase, 373, 0xb253b3b1},
                      {sqlIngres, 440, 0xfd76d5f9},   {sqlMSSQL2K, 369, 0x49178f09}};
  for (const Row& row : rows) {
    SCOPED_TRACE(SQLDialectName(row.dialect));
    const TSynHashEntryList& table = Q::DialectKeywords(row.dialect);
    std::vector<std::pair<int, std::u16string>> pairs;
    std::vector<std::pair<std::u16string, int>> kinds;
    for (int b = 0; b < table.Count(); ++b) {
      for (const TSynHashEntry* e = table.Items(b); e; e = e->Next()) {
        EXPECT_EQ(Bucket(e->Keyword(), row.dialect), b) << codepage::Utf16ToUtf8(e->Keyword());
        pairs.emplace_back(b, e->Keyword());
        kinds.emplace_back(e->Keyword(), e->Kind());
      }
    }
    ASSERT_EQ(static_cast<int>(pairs.size()), row.count);
    EXPECT_LE(table.Count(), 256);
    std::sort(pairs.begin(), pairs.end());
    std::vector<std::u16string> lines;
    for (const auto& [b, w] : pairs) lines.push_back(codepage::Utf8ToUtf16(std::to_string(b)) + u"\t" + w);
    EXPECT_EQ(Digest(lines), row.digest);
    Q h;
    h.SetSQLDialect(row.dialect);
    for (const auto& [w, kind] : kinds) {
      const auto toks = Scan(h, WideUpperCase(w));
      ASSERT_FALSE(toks.empty());
      EXPECT_EQ(toks.front().kind, kind) << codepage::Utf16ToUtf8(w);
      if (kind != Q::tkComment) {
        EXPECT_EQ(toks.size(), 1u) << codepage::Utf16ToUtf8(w);
        EXPECT_EQ(h.IsKeyword(w), kind != Q::tkSQLPlus) << codepage::Utf16ToUtf8(w);
      }
    }
  }
}

TEST(SynSQLSyn, EdgeCasesAsGoldenDumps) {
  Q h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"SELECT select Select a-b --c", u"x 'open", u"", u"it' 1-2"}, out));
  EXPECT_EQ(out,
            "1\t0\t6\tReserved Word\t6\tSELECT\n"
            "1\t6\t1\tSpace\t9\t \n"
            "1\t7\t6\tReserved Word\t6\tselect\n"
            "1\t13\t1\tSpace\t9\t \n"
            "1\t14\t6\tReserved Word\t6\tSelect\n"
            "1\t20\t1\tSpace\t9\t \n"
            "1\t21\t3\tIdentifier\t5\ta-b\n"
            "1\t24\t1\tSpace\t9\t \n"
            "1\t25\t3\tComment\t0\t--c\n"
            "1\tEOL\t0\n"
            "2\t0\t1\tIdentifier\t5\tx\n"
            "2\t1\t1\tSpace\t9\t \n"
            "2\t2\t5\tString\t12\t'open\n"
            "2\tEOL\t2\n"
            "3\tEOL\t2\n"
            "4\t0\t3\tString\t12\tit'\n"
            "4\t3\t1\tSpace\t9\t \n"
            "4\t4\t3\tNumber\t8\t1-2\n"
            "4\tEOL\t0\n");
  EXPECT_EQ(In(sqlOracle, u"varchar2 REM x"),
            (Toks{{Q::tkDatatype, "varchar2"}, {Q::tkSpace, " "}, {Q::tkComment, "REM x"}}));
  EXPECT_EQ(In(sqlOracle, u"x remark; y"),
            (Toks{{Q::tkIdentifier, "x"}, {Q::tkSpace, " "}, {Q::tkComment, "remark; y"}}));
  EXPECT_EQ(In(sqlStandard, u"REM x"), (Toks{{Q::tkIdentifier, "REM"}, {Q::tkSpace, " "}, {Q::tkIdentifier, "x"}}));
  EXPECT_EQ(In(sqlMSSQL7, u"@@ERROR @name [my column] [a]]b] [open"), (Toks{{Q::tkFunction, "@@ERROR"},
                                                                            {Q::tkSpace, " "},
                                                                            {Q::tkVariable, "@name"},
                                                                            {Q::tkSpace, " "},
                                                                            {Q::tkDelimitedIdentifier, "[my column]"},
                                                                            {Q::tkSpace, " "},
                                                                            {Q::tkDelimitedIdentifier, "[a]]b]"},
                                                                            {Q::tkSpace, " "},
                                                                            {Q::tkDelimitedIdentifier, "[open"}}));
  EXPECT_EQ(In(sqlMySQL, u"/*! 32302 TEMPORARY */ # c"),
            (Toks{{Q::tkConditionalComment, "/*! 32302 TEMPORARY */"}, {Q::tkSpace, " "}, {Q::tkComment, "# c"}}));
  for (int d : {sqlStandard, sqlInterbase6, sqlMSSQL7, sqlOracle, sqlSybase, sqlIngres, sqlMSSQL2K})
    EXPECT_EQ(In(static_cast<TSQLDialect>(d), u"#").front(), (Tok{Q::tkUnknown, "#"})) << d;
}

TEST(SynSQLSyn, StringsContinueAndStopAtTheLineEnd) {
  Q h;
  h.SetSQLDialect(sqlMySQL);
  std::vector<std::intptr_t> ranges;
  // A quote at the start of a continued line closes: the look-back never leaves the line.
  auto lines = ScanLines(h, {u"'abc", u"'x", u"'a\\'b' 'c\\", u"\\'d' e"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{Q::tkString, "'"}, {Q::tkIdentifier, "x"}}));
  EXPECT_EQ(lines[2], (Toks{{Q::tkString, "'a\\'b'"}, {Q::tkSpace, " "}, {Q::tkString, "'c\\"}}));
  EXPECT_EQ(lines[3], (Toks{{Q::tkString, "\\'d'"}, {Q::tkSpace, " "}, {Q::tkIdentifier, "e"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{Q::rsString, Q::rsUnknown, Q::rsString, Q::rsUnknown}));
  // Outside MySQL the backslash escapes nothing.
  EXPECT_EQ(In(sqlStandard, u"'a\\'b"), (Toks{{Q::tkString, "'a\\'"}, {Q::tkIdentifier, "b"}}));
  // Delimited identifiers stop at the line end and carry nothing over.
  h.SetSQLDialect(sqlMySQL);
  lines = ScanLines(h, {u"`x``y` `open", u"z"}, &ranges);
  EXPECT_EQ(lines[0],
            (Toks{{Q::tkDelimitedIdentifier, "`x``y`"}, {Q::tkSpace, " "}, {Q::tkDelimitedIdentifier, "`open"}}));
  EXPECT_EQ(lines[1], (Toks{{Q::tkIdentifier, "z"}}));
  EXPECT_EQ(In(sqlStandard, u"\"a\"\"b\" \"c"),
            (Toks{{Q::tkDelimitedIdentifier, "\"a\"\"b\""}, {Q::tkSpace, " "}, {Q::tkDelimitedIdentifier, "\"c"}}));
  EXPECT_EQ(In(sqlStandard, u"`[x]"),
            (Toks{{Q::tkUnknown, "`"}, {Q::tkSymbol, "["}, {Q::tkIdentifier, "x"}, {Q::tkSymbol, "]"}}));
}

TEST(SynSQLSyn, CommentsAcrossLines) {
  Q h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"a /* x", u"", u"y */ b /*/ c */ d", u"/*! not conditional */"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{Q::tkIdentifier, "a"}, {Q::tkSpace, " "}, {Q::tkComment, "/* x"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{Q::tkComment, "y */"},
                            {Q::tkSpace, " "},
                            {Q::tkIdentifier, "b"},
                            {Q::tkSpace, " "},
                            {Q::tkComment, "/*/ c */"},
                            {Q::tkSpace, " "},
                            {Q::tkIdentifier, "d"}}));
  EXPECT_EQ(lines[3], (Toks{{Q::tkComment, "/*! not conditional */"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{Q::rsComment, Q::rsComment, Q::rsUnknown, Q::rsUnknown}));
  h.SetSQLDialect(sqlMySQL);
  ranges.clear();
  lines = ScanLines(h, {u"/*! 40101 SET", u"x */ y"}, &ranges);
  EXPECT_EQ(lines[1], (Toks{{Q::tkConditionalComment, "x */"}, {Q::tkSpace, " "}, {Q::tkIdentifier, "y"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{Q::rsConditionalComment, Q::rsUnknown}));
}

TEST(SynSQLSyn, VariablesAndSymbols) {
  EXPECT_EQ(In(sqlMySQL, u"@ @v :x"), (Toks{{Q::tkSymbol, "@"},
                                            {Q::tkSpace, " "},
                                            {Q::tkVariable, "@v"},
                                            {Q::tkSpace, " "},
                                            {Q::tkSymbol, ":"},
                                            {Q::tkIdentifier, "x"}}));
  EXPECT_EQ(
      In(sqlOracle, u"@ :x :"),
      (Toks{{Q::tkSymbol, "@"}, {Q::tkSpace, " "}, {Q::tkVariable, ":x"}, {Q::tkSpace, " "}, {Q::tkVariable, ":"}}));
  EXPECT_EQ(In(sqlIngres, u":x @y"), (Toks{{Q::tkVariable, ":x"}, {Q::tkSpace, " "}, {Q::tkVariable, "@y"}}));
  EXPECT_EQ(In(sqlStandard, u"@y"), (Toks{{Q::tkVariable, "@y"}}));
  EXPECT_EQ(In(sqlMSSQL2K, u"@ @@x"), (Toks{{Q::tkVariable, "@"}, {Q::tkSpace, " "}, {Q::tkIdentifier, "@@x"}}));
  EXPECT_EQ(In(sqlOracle, u"a#b$c aq$_agent"),
            (Toks{{Q::tkIdentifier, "a#b$c"}, {Q::tkSpace, " "}, {Q::tkSQLPlus, "aq$_agent"}}));
  EXPECT_EQ(
      In(sqlStandard, u"<<= <= << <> == => >= >> || |= ++ += && &= != %= *= ^= /= / - ( ) , . ; ? ] { } ~"),
      (Toks{{Q::tkSymbol, "<<="}, {Q::tkSpace, " "},   {Q::tkSymbol, "<="}, {Q::tkSpace, " "},   {Q::tkSymbol, "<<"},
            {Q::tkSpace, " "},    {Q::tkSymbol, "<"},  {Q::tkSymbol, ">"},  {Q::tkSpace, " "},   {Q::tkSymbol, "=="},
            {Q::tkSpace, " "},    {Q::tkSymbol, "=>"}, {Q::tkSpace, " "},   {Q::tkSymbol, ">="}, {Q::tkSpace, " "},
            {Q::tkSymbol, ">>"},  {Q::tkSpace, " "},   {Q::tkSymbol, "||"}, {Q::tkSpace, " "},   {Q::tkSymbol, "|="},
            {Q::tkSpace, " "},    {Q::tkSymbol, "++"}, {Q::tkSpace, " "},   {Q::tkSymbol, "+="}, {Q::tkSpace, " "},
            {Q::tkSymbol, "&&"},  {Q::tkSpace, " "},   {Q::tkSymbol, "&="}, {Q::tkSpace, " "},   {Q::tkSymbol, "!="},
            {Q::tkSpace, " "},    {Q::tkSymbol, "%="}, {Q::tkSpace, " "},   {Q::tkSymbol, "*="}, {Q::tkSpace, " "},
            {Q::tkSymbol, "^="},  {Q::tkSpace, " "},   {Q::tkSymbol, "/="}, {Q::tkSpace, " "},   {Q::tkSymbol, "/"},
            {Q::tkSpace, " "},    {Q::tkSymbol, "-"},  {Q::tkSpace, " "},   {Q::tkSymbol, "("},  {Q::tkSpace, " "},
            {Q::tkSymbol, ")"},   {Q::tkSpace, " "},   {Q::tkSymbol, ","},  {Q::tkSpace, " "},   {Q::tkSymbol, "."},
            {Q::tkSpace, " "},    {Q::tkSymbol, ";"},  {Q::tkSpace, " "},   {Q::tkSymbol, "?"},  {Q::tkSpace, " "},
            {Q::tkSymbol, "]"},   {Q::tkSpace, " "},   {Q::tkSymbol, "{"},  {Q::tkSpace, " "},   {Q::tkSymbol, "}"},
            {Q::tkSpace, " "},    {Q::tkSymbol, "~"}}));
  EXPECT_EQ(In(sqlStandard, u"1.5 1..2 $"), (Toks{{Q::tkNumber, "1.5"},
                                                  {Q::tkSpace, " "},
                                                  {Q::tkNumber, "1"},
                                                  {Q::tkSymbol, "."},
                                                  {Q::tkSymbol, "."},
                                                  {Q::tkNumber, "2"},
                                                  {Q::tkSpace, " "},
                                                  {Q::tkUnknown, "$"}}));
}

TEST(SynSQLSyn, TableNames) {
  Q h;
  int changes = 0;
  TSynNotifyMethod hook{&changes, 0, [&changes](TSynPersistent*) { ++changes; }};
  h.AddAttrChangeHandler(hook);
  TWideStringList names;
  names.Add(u"Orders");
  names.Add(u"ORDERS");  // the same name in another case: entered once, no duplicate error
  names.Add(u"Select");  // a keyword keeps its kind
  names.Add(u"");
  names.Add(u"my table");
  h.SetTableNames(names);
  EXPECT_EQ(changes, 1);  // one rebuild per assignment
  EXPECT_EQ(Scan(h, u"select * from orders, OrDeRs"), (Toks{{Q::tkKey, "select"},
                                                            {Q::tkSpace, " "},
                                                            {Q::tkSymbol, "*"},
                                                            {Q::tkSpace, " "},
                                                            {Q::tkKey, "from"},
                                                            {Q::tkSpace, " "},
                                                            {Q::tkTableName, "orders"},
                                                            {Q::tkSymbol, ","},
                                                            {Q::tkSpace, " "},
                                                            {Q::tkTableName, "OrDeRs"}}));
  h.TableNames().Add(u"Items");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Scan(h, u"items").front().kind, Q::tkTableName);
  EXPECT_FALSE(h.IsKeyword(u"items"));
  // A dialect change keeps the names.
  h.SetSQLDialect(sqlOracle);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(Scan(h, u"ITEMS").front().kind, Q::tkTableName);
  h.SetSQLDialect(sqlOracle);
  EXPECT_EQ(changes, 3);  // the same dialect changes nothing
  h.RemoveAttrChangeHandler(hook);
}

TEST(SynSQLSyn, DialectNamesAndFamilyAnswers) {
  for (int d = 0; d < SQLDialectCount; ++d) {
    TSQLDialect back = sqlStandard;
    ASSERT_TRUE(SQLDialectFromName(SQLDialectName(static_cast<TSQLDialect>(d)), back));
    EXPECT_EQ(back, d);
    Q h;
    h.SetSQLDialect(static_cast<TSQLDialect>(d));
    EXPECT_FALSE(h.GetSampleSource().empty());
  }
  TSQLDialect d;
  EXPECT_FALSE(SQLDialectFromName("sqlNone", d));
  EXPECT_STREQ(SQLDialectName(sqlMSSQL2K), "sqlMSSQL2K");
  Q h;
  EXPECT_EQ(h.SQLDialect(), sqlStandard);
  EXPECT_EQ(h.GetAttribCount(), 17);
  EXPECT_EQ(h.ExceptionAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.SQLPlusAttri->Name(), "SQL*Plus Command");
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), u"SQL");
  EXPECT_EQ(h.DefaultFilter(), "SQL Files (*.sql)|*.sql");
  EXPECT_FALSE(h.CaseSensitive());
  EXPECT_TRUE(h.IsIdentChar(u'-'));
  h.SetSQLDialect(sqlMSSQL7);
  EXPECT_TRUE(h.IsIdentChar(u'@'));
  EXPECT_FALSE(h.IsIdentChar(u'-'));
  EXPECT_TRUE(h.IsKeyword(u"@@error"));
  EXPECT_FALSE(h.IsKeyword(u"@@error x"));
  h.SetLine(u"#", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);
}

TEST(SynSQLSyn, TerminationCoverageAndRescan) {
  auto pieces = CommonPieces();
  for (auto p : {u"'",  u"\\'", u"\"", u"[", u"]",      u"`",   u"#", u"--", u"/*", u"/*!",
                 u"*/", u"@",   u"@@", u":", u"select", u"REM", u"-", u"..", u"1-", u"<<="})
    pieces.push_back(p);
  for (int d = 0; d < SQLDialectCount; ++d) {
    SCOPED_TRACE(d);
    Q h;
    h.SetSQLDialect(static_cast<TSQLDialect>(d));
    CheckTermination(h, pieces, 20000, 80 + static_cast<unsigned>(d));
    CheckRescan(h, Lines(u"select 'a\n\nb' from t /* c\n*/ where x = [y] -- z\n/*! 1 */ # q\n'it''s' `w`\nREM r\n"),
                static_cast<unsigned>(d));
  }
}
