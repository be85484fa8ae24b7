#include "highlighters/SynHighlighterPython.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "SynHighlighterFamilyTesting.h"
#include "editor/SynUnicode.h"

using namespace hltest;
using Py = TSynPythonSyn;

constexpr auto One = &ScanNew<Py>;

TEST(SynPythonSyn, KeywordListHoldsBothWordLists) {
  const auto& list = Py::KeywordList();
  ASSERT_EQ(list.size(), 95u);
  std::vector<std::u16string> reserved, predefined;
  for (const auto& e : list) (e.Kind == Py::tkKey ? reserved : predefined).emplace_back(e.Word);
  ASSERT_EQ(reserved.size(), 29u);
  ASSERT_EQ(predefined.size(), 66u);
  // Digests of the word lists in ordinal order.
  std::sort(reserved.begin(), reserved.end());
  std::sort(predefined.begin(), predefined.end());
  EXPECT_EQ(Digest(reserved), 0x1535671du);
  EXPECT_EQ(Digest(predefined), 0xe12cfba4u);
  // Searched without regard to case: the list is in that order and no two words differ only in case.
  for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(WideCompareText(list[i - 1].Word, list[i].Word), 0);
  Py h;
  for (const auto& e : list) {
    const std::u16string w(e.Word);
    SCOPED_TRACE(codepage::Utf16ToUtf8(w));
    EXPECT_EQ(Scan(h, w), (Toks{{e.Kind, codepage::Utf16ToUtf8(w)}}));
    EXPECT_EQ(Scan(h, w + u"x"), (Toks{{Py::tkIdentifier, codepage::Utf16ToUtf8(w + u"x")}}));
    // Case-sensitive: another spelling is an identifier (or, for __name__, a system name).
    const std::u16string upper = WideUpperCase(w);
    const bool listed = std::any_of(list.begin(), list.end(), [&](const auto& o) { return o.Word == upper; });
    if (!listed) {
      EXPECT_EQ(Scan(h, upper).front().kind, w.starts_with(u"__") ? Py::tkSystemDefined : Py::tkIdentifier);
    }
  }
}

TEST(SynPythonSyn, EdgeCasesAsGoldenDumps) {
  Py h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"0x1fL 017 08 08.5 08j 1e+10 1e+ 12abc"}, out));
  EXPECT_EQ(out,
            "1\t0\t5\tHexadecimal\t11\t0x1fL\n"
            "1\t5\t1\tSpace\t5\t \n"
            "1\t6\t3\tOctal\t12\t017\n"
            "1\t9\t1\tSpace\t5\t \n"
            "1\t10\t2\tSyntax Error\t14\t08\n"
            "1\t12\t1\tSpace\t5\t \n"
            "1\t13\t4\tFloat\t13\t08.5\n"
            "1\t17\t1\tSpace\t5\t \n"
            "1\t18\t3\tFloat\t13\t08j\n"
            "1\t21\t1\tSpace\t5\t \n"
            "1\t22\t5\tFloat\t13\t1e+10\n"
            "1\t27\t1\tSpace\t5\t \n"
            "1\t28\t3\tSyntax Error\t14\t1e+\n"
            "1\t31\t1\tSpace\t5\t \n"
            "1\t32\t5\tSyntax Error\t14\t12abc\n"
            "1\tEOL\t2\n");
  EXPECT_EQ(One(u"__init__ ___x___ self None none"), (Toks{{Py::tkSystemDefined, "__init__"},
                                                           {Py::tkSpace, " "},
                                                           {Py::tkIdentifier, "___x___"},
                                                           {Py::tkSpace, " "},
                                                           {Py::tkNonKeyword, "self"},
                                                           {Py::tkSpace, " "},
                                                           {Py::tkNonKeyword, "None"},
                                                           {Py::tkSpace, " "},
                                                           {Py::tkIdentifier, "none"}}));
  EXPECT_EQ(One(u"__a__ ____ _a__ __a_"), (Toks{{Py::tkSystemDefined, "__a__"},
                                                {Py::tkSpace, " "},
                                                {Py::tkIdentifier, "____"},
                                                {Py::tkSpace, " "},
                                                {Py::tkIdentifier, "_a__"},
                                                {Py::tkSpace, " "},
                                                {Py::tkIdentifier, "__a_"}}));

  // Triple-quoted strings keep their range until the closing quotes; an empty line in between.
  std::vector<std::intptr_t> ranges;
  auto lines =
      ScanLines(h, {u"x = '''doc", u"", u"  more \\''' still", u"end''' + 1", u"\"\"\"a\"\"\" \"\"\"b"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{Py::tkIdentifier, "x"},
                            {Py::tkSpace, " "},
                            {Py::tkSymbol, "="},
                            {Py::tkSpace, " "},
                            {Py::tkTripleQuotedString, "'''doc"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{Py::tkTripleQuotedString, "  more \\''' still"}}));  // escaped quotes do not close
  EXPECT_EQ(lines[3], (Toks{{Py::tkTripleQuotedString, "end'''"},
                            {Py::tkSpace, " "},
                            {Py::tkSymbol, "+"},
                            {Py::tkSpace, " "},
                            {Py::tkNumber, "1"}}));
  EXPECT_EQ(
      lines[4],
      (Toks{{Py::tkTripleQuotedString, "\"\"\"a\"\"\""}, {Py::tkSpace, " "}, {Py::tkTripleQuotedString, "\"\"\"b"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{Py::rsMultilineString, Py::rsMultilineString, Py::rsMultilineString,
                                                Py::rsUnKnown, Py::rsMultilineString2}));
}

TEST(SynPythonSyn, OneLineStringsAndTheirContinuation) {
  EXPECT_EQ(One(u"'a\\'b' \"c\\\\\" d"), (Toks{{Py::tkString, "'a\\'b'"},
                                               {Py::tkSpace, " "},
                                               {Py::tkString, "\"c\\\\\""},
                                               {Py::tkSpace, " "},
                                               {Py::tkIdentifier, "d"}}));
  EXPECT_EQ(One(u"r'\\d' u\"x\" UR'y' ur\"z\" rb u r"), (Toks{{Py::tkString, "r'\\d'"},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkString, "u\"x\""},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkString, "UR'y'"},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkString, "ur\"z\""},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkIdentifier, "rb"},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkIdentifier, "u"},
                                                              {Py::tkSpace, " "},
                                                              {Py::tkIdentifier, "r"}}));
  Py h;
  std::vector<std::intptr_t> ranges;
  // A final backslash continues the string; the quote is kept beside the range.
  auto lines = ScanLines(h, {u"s = \"abc\\", u"it's \\", u"", u"\\", u"x\" y", u"'open", u"z"}, &ranges);
  EXPECT_EQ(lines[0].back(), (Tok{Py::tkString, "\"abc\\"}));
  EXPECT_EQ(lines[1], (Toks{{Py::tkString, "it's \\"}}));  // the single quote does not close a double-quoted one
  EXPECT_EQ(lines[2], Toks{});
  EXPECT_EQ(lines[3], (Toks{{Py::tkString, "\\"}}));
  EXPECT_EQ(lines[4], (Toks{{Py::tkString, "x\""}, {Py::tkSpace, " "}, {Py::tkIdentifier, "y"}}));
  EXPECT_EQ(lines[5], (Toks{{Py::tkString, "'open"}}));
  EXPECT_EQ(lines[6], (Toks{{Py::tkIdentifier, "z"}}));
  const std::intptr_t dq = Py::rsMultilineString3 | (u'"' << 8);
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{dq, dq, dq, dq, Py::rsUnKnown, Py::rsUnKnown, Py::rsUnKnown}));
  // The packed quote survives SetRange: a single quote closes a continued single-quoted string.
  EXPECT_EQ(ScanFrom(h, u"a' \"b", Py::rsMultilineString3 | (u'\'' << 8)),
            (Toks{{Py::tkString, "a'"}, {Py::tkSpace, " "}, {Py::tkString, "\"b"}}));
  // A continued line that ends without a backslash leaves the string.
  EXPECT_EQ(ScanFrom(h, u"abc", dq), (Toks{{Py::tkString, "abc"}}));
  EXPECT_EQ(h.GetRange(), Py::rsUnKnown);
  // Backslashes on a continued line are counted from the line start.
  EXPECT_EQ(ScanFrom(h, u"\\\"x", dq), (Toks{{Py::tkString, "\\\"x"}}));
  EXPECT_EQ(ScanFrom(h, u"\\\\\"x", dq), (Toks{{Py::tkString, "\\\\\""}, {Py::tkIdentifier, "x"}}));
}

TEST(SynPythonSyn, NumberStates) {
  EXPECT_EQ(One(u"0 00 7 0x 0xg 10L 017L 0XFFl 1. .5 1.5e-3 1E5 1e5e 1j 0j 0e1"),
            (Toks{{Py::tkNumber, "0"},     {Py::tkSpace, " "}, {Py::tkOct, "00"},      {Py::tkSpace, " "},
                  {Py::tkNumber, "7"},     {Py::tkSpace, " "}, {Py::tkUnknown, "0x"},  {Py::tkSpace, " "},
                  {Py::tkUnknown, "0xg"},  {Py::tkSpace, " "}, {Py::tkUnknown, "10L"}, {Py::tkSpace, " "},
                  {Py::tkOct, "017L"},     {Py::tkSpace, " "}, {Py::tkHex, "0XFFl"},   {Py::tkSpace, " "},
                  {Py::tkFloat, "1."},     {Py::tkSpace, " "}, {Py::tkFloat, ".5"},    {Py::tkSpace, " "},
                  {Py::tkFloat, "1.5e-3"}, {Py::tkSpace, " "}, {Py::tkFloat, "1E5"},   {Py::tkSpace, " "},
                  {Py::tkUnknown, "1e5e"}, {Py::tkSpace, " "}, {Py::tkFloat, "1j"},    {Py::tkSpace, " "},
                  {Py::tkFloat, "0j"},     {Py::tkSpace, " "}, {Py::tkFloat, "0e1"}}));
  EXPECT_EQ(One(u"0xe5 1.2.3 1..2 ... .x 1jx 0x1Lx"), (Toks{{Py::tkHex, "0xe5"},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkUnknown, "1.2.3"},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkNumber, "1"},
                                                            {Py::tkSymbol, "."},
                                                            {Py::tkFloat, ".2"},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkSymbol, "..."},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkSymbol, "."},
                                                            {Py::tkIdentifier, "x"},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkUnknown, "1jx"},
                                                            {Py::tkSpace, " "},
                                                            {Py::tkUnknown, "0x1Lx"}}));
}

TEST(SynPythonSyn, SymbolsCommentsAndErrors) {
  EXPECT_EQ(One(u"<= <> < >= > #c"), (Toks{{Py::tkSymbol, "<="},
                                           {Py::tkSpace, " "},
                                           {Py::tkSymbol, "<>"},
                                           {Py::tkSpace, " "},
                                           {Py::tkSymbol, "<"},
                                           {Py::tkSpace, " "},
                                           {Py::tkSymbol, ">="},
                                           {Py::tkSpace, " "},
                                           {Py::tkSymbol, ">"},
                                           {Py::tkSpace, " "},
                                           {Py::tkComment, "#c"}}));
  std::u16string syms = u"!%&()*+,-/:;=[\\]^`{|}~";
  Toks expected;
  for (char16_t c : syms) expected.push_back({Py::tkSymbol, std::string(1, static_cast<char>(c))});
  EXPECT_EQ(One(syms.c_str()), expected);
  EXPECT_EQ(One(u"$?@\u00e9\x7f"), (Toks{{Py::tkUnknown, "$"},
                                         {Py::tkUnknown, "?"},
                                         {Py::tkUnknown, "@"},
                                         {Py::tkUnknown, "\xC3\xA9"},
                                         {Py::tkUnknown, "\x7f"}}));
}

TEST(SynPythonSyn, AttributesAndFamilyAnswers) {
  Py h;
  EXPECT_EQ(h.GetAttribCount(), 14);
  EXPECT_EQ(h.CommentAttri->Foreground(), 0x808080u);
  EXPECT_EQ(h.CommentAttri->Style(), syn::fsItalic);
  EXPECT_EQ(h.NonKeyAttri->Foreground(), 0x800000u);
  EXPECT_EQ(h.DocStringAttri->Foreground(), 0x808000u);
  EXPECT_EQ(h.ErrorAttri->Foreground(), 0x0000FFu);
  EXPECT_EQ(h.ErrorAttri->Name(), "Syntax Error");
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_STRING), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_IDENTIFIER), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), u"Python");
  EXPECT_EQ(h.DefaultFilter(), "Python Files (*.py)|*.py");
  EXPECT_TRUE(h.CaseSensitive());
  h.ResetRange();
  EXPECT_EQ(h.GetRange(), Py::rsUnKnown);
}

TEST(SynPythonSyn, TerminationAndRescan) {
  Py h;
  auto pieces = CommonPieces();
  for (auto p : {u"'", u"\"", u"'''", u"\"\"\"", u"\\'", u"\\", u"r'", u"u\"", u"#", u".", u"..", u"0x", u"08", u"1e",
                 u"+", u"j", u"L", u"__", u"None"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 51);
  CheckRescan(h,
              Lines(u"def f(x):\n    '''doc\n\n    more'''\n    s = \"a\\\nb\\\n\"\n    t = '''x''' + \"\"\"y\n"
                    u"\"\"\" + 'c\\\nd'\n    return 0x1F\n"),
              8);
}
