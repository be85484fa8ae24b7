#include "highlighters/SynHighlighterUNIXShellScript.h"

#include <cstdint>
#include <string>
#include <vector>

#include "SynHighlighterFamilyTesting.h"
#include "editor/SynUnicode.h"

using namespace hltest;
using S = TSynUNIXShellScriptSyn;

constexpr auto One = &ScanNew<S>;

TEST(SynUNIXShellScriptSyn, SortedListsHoldTheWordListsUpperCased) {
  const auto& keys = S::KeyWords();
  ASSERT_EQ(keys.size(), 110u);
  S h;
  ASSERT_EQ(h.SecondKeyWords().size(), 23u);
  for (const auto* list : {&keys, &h.SecondKeyWords()}) {
    EXPECT_TRUE(std::is_sorted(list->begin(), list->end()));
    for (const auto& w : *list) EXPECT_EQ(WideUpperCase(w), w);
  }
  // Lower-cased back and put in list order, they are the lists as given (digests of the word lists).
  auto lowered = [](const std::vector<std::u16string>& list, std::initializer_list<std::u16string_view> order) {
    std::vector<std::u16string> out;
    for (auto w : order) {
      const std::u16string up = WideUpperCase(w);
      EXPECT_TRUE(std::binary_search(list.begin(), list.end(), up)) << codepage::Utf16ToUtf8(up);
      out.emplace_back(w);
    }
    return out;
  };
  // The listed order is not sorted ("pwd" before "od"): the list sorts it.
  EXPECT_EQ(
      Digest(lowered(
          keys, {u"awk",   u"banner",   u"basename", u"bdiff", u"bg",    u"break", u"case",     u"cat",      u"cc",
                 u"cd",    u"chdir",    u"chgrp",    u"chmod", u"chown", u"clear", u"compress", u"continue", u"cp",
                 u"cpio",  u"cut",      u"date",     u"dd",    u"diff",  u"df",    u"do",       u"done",     u"dtpad",
                 u"echo",  u"elif",     u"else",     u"esac",  u"eval",  u"exit",  u"export",   u"expr",     u"fg",
                 u"fi",    u"finger",   u"fold",     u"for",   u"ftp",   u"g++",   u"gcc",      u"getopts",  u"grep",
                 u"gzip",  u"head",     u"hash",     u"if",    u"in",    u"jobs",  u"kill",     u"ld",       u"login",
                 u"ln",    u"ls",       u"make",     u"mkdir", u"mt",    u"mv",    u"newgrp",   u"nohup",    u"paste",
                 u"ping",  u"perl",     u"pg",       u"pr",    u"ps",    u"pwd",   u"od",       u"rcp",      u"read",
                 u"remsh", u"return",   u"rm",       u"rsh",   u"rwho",  u"sed",   u"set",      u"sh",       u"shift",
                 u"stop",  u"strings",  u"strip",    u"sync",  u"tail",  u"tar",   u"telnet",   u"test",     u"times",
                 u"then",  u"tput",     u"trap",     u"true",  u"tty",   u"type",  u"ulimit",   u"umask",    u"unset",
                 u"until", u"uudecode", u"uuencode", u"vi",    u"wait",  u"wc",    u"while",    u"who",      u"xtern",
                 u"zcat",  u"zip"})),
      0xa738f38fu);
  EXPECT_EQ(Digest(lowered(h.SecondKeyWords(), {u"cdpath",  u"editor",  u"home",        u"ifs",
                                                u"lang",    u"lc_type", u"lc_messages", u"ld_library_path",
                                                u"logname", u"mail",    u"mailcheck",   u"mailpath",
                                                u"manpath", u"path",    u"ps1",         u"ps2",
                                                u"pwd",     u"shacct",  u"shell",       u"shlib_path",
                                                u"term",    u"termcap", u"tz"})),
            0x814413e8u);
  // Every listed word scans as its kind in any case; "pwd" is in both lists and is Key.
  for (const auto& w : keys) {
    if (w == u"G++") continue;
    EXPECT_EQ(Scan(h, WideLowerCase(w)).front().kind, S::tkKey) << codepage::Utf16ToUtf8(w);
  }
  for (const auto& w : h.SecondKeyWords())
    EXPECT_EQ(Scan(h, w).front().kind, w == u"PWD" ? S::tkKey : S::tkSecondKey) << codepage::Utf16ToUtf8(w);
}

TEST(SynUNIXShellScriptSyn, EdgeCasesAsGoldenDumps) {
  S h;
  std::string out;
  ASSERT_TRUE(SynDumpTokens(h, {u"grep GREP Grep path PATH", u"${HOME} $1ab .bashrc . = |", u"$"}, out));
  EXPECT_EQ(out,
            "1\t0\t4\tReserved Word\t2\tgrep\n"
            "1\t4\t1\tSpace\t6\t \n"
            "1\t5\t4\tReserved Word\t2\tGREP\n"
            "1\t9\t1\tSpace\t6\t \n"
            "1\t10\t4\tReserved Word\t2\tGrep\n"
            "1\t14\t1\tSpace\t6\t \n"
            "1\t15\t4\tSecond Reserved Word\t5\tpath\n"
            "1\t19\t1\tSpace\t6\t \n"
            "1\t20\t4\tSecond Reserved Word\t5\tPATH\n"
            "1\tEOL\t0\n"
            "2\t0\t7\tVariable\t9\t${HOME}\n"
            "2\t7\t1\tSpace\t6\t \n"
            "2\t8\t4\tVariable\t9\t$1ab\n"
            "2\t12\t1\tSpace\t6\t \n"
            "2\t13\t7\tIdentifier\t1\t.bashrc\n"
            "2\t20\t1\tSpace\t6\t \n"
            "2\t21\t1\tSymbol\t8\t.\n"
            "2\t22\t1\tSpace\t6\t \n"
            "2\t23\t1\tSymbol\t10\t=\n"
            "2\t24\t1\tSpace\t6\t \n"
            "2\t25\t1\tSymbol\t10\t|\n"
            "2\tEOL\t0\n"
            "3\t0\t1\tVariable\t9\t$\n"
            "3\tEOL\t0\n");
}

TEST(SynUNIXShellScriptSyn, TokenRulesAndKeptQuirks) {
  // "g++" can never be found: the word stops at "+".
  EXPECT_EQ(One(u"g++"), (Toks{{S::tkIdentifier, "g"}, {S::tkUnknown, "+"}, {S::tkUnknown, "+"}}));
  EXPECT_EQ(One(u"${a b}"),
            (Toks{{S::tkVariable, "${a"}, {S::tkSpace, " "}, {S::tkIdentifier, "b"}, {S::tkUnknown, "}"}}));
  EXPECT_EQ(One(u"${open"), (Toks{{S::tkVariable, "${open"}}));
  EXPECT_EQ(One(u"$$x $?"), (Toks{{S::tkVariable, "$$x"}, {S::tkSpace, " "}, {S::tkVariable, "$?"}}));
  EXPECT_EQ(One(u"./x"), (Toks{{S::tkSymbol, "."}, {S::tkSymbol, "/"}, {S::tkIdentifier, "x"}}));
  EXPECT_EQ(One(u".\u00e9"), (Toks{{S::tkSymbol, "."}, {S::tkUnknown, "\xC3\xA9"}}));
  EXPECT_EQ(One(u"\"a'b\" 'c\"d' \"open"), (Toks{{S::tkString, "\"a'b\""},
                                                 {S::tkSpace, " "},
                                                 {S::tkString, "'c\"d'"},
                                                 {S::tkSpace, " "},
                                                 {S::tkString, "\"open"}}));
  EXPECT_EQ(One(u"'''x' \"\""), (Toks{{S::tkString, "'''x'"}, {S::tkSpace, " "}, {S::tkString, "\"\""}}));
  EXPECT_EQ(One(u"\"a\\\"b"), (Toks{{S::tkString, "\"a\\\""}, {S::tkIdentifier, "b"}}));  // no escapes
  EXPECT_EQ(One(u"1.5E3 1..2"), (Toks{{S::tkNumber, "1.5E3"},
                                      {S::tkSpace, " "},
                                      {S::tkNumber, "1"},
                                      {S::tkSymbol, "."},
                                      {S::tkSymbol, "."},
                                      {S::tkNumber, "2"}}));
  EXPECT_EQ(One(u"x # c"), (Toks{{S::tkIdentifier, "x"}, {S::tkSpace, " "}, {S::tkComment, "# c"}}));
  EXPECT_EQ(One(u"({;<"), (Toks{{S::tkSymbol, "("}, {S::tkSymbol, "{"}, {S::tkSymbol, ";"}, {S::tkSymbol, "<"}}));
  EXPECT_EQ(One(u")}>&"), (Toks{{S::tkUnknown, ")"}, {S::tkUnknown, "}"}, {S::tkUnknown, ">"}, {S::tkUnknown, "&"}}));
}

TEST(SynUNIXShellScriptSyn, SecondKeyWordsSetter) {
  S h;
  int changes = 0;
  TSynNotifyMethod hook{&changes, 0, [&changes](TSynPersistent*) { ++changes; }};
  h.AddAttrChangeHandler(hook);
  h.SetSecondKeyWords(std::vector<std::u16string>{u"myVar", u"MYVAR", u"other"});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(h.SecondKeyWords(), (std::vector<std::u16string>{u"MYVAR", u"OTHER"}));
  EXPECT_EQ(Scan(h, u"MyVar path"), (Toks{{S::tkSecondKey, "MyVar"}, {S::tkSpace, " "}, {S::tkIdentifier, "path"}}));
  EXPECT_TRUE(h.IsSecondKeyWord(u"other"));
  EXPECT_TRUE(h.IsKeyword(u"Echo"));
  EXPECT_FALSE(h.IsKeyword(u"other"));
  // Another instance still has the default list.
  S fresh;
  EXPECT_EQ(fresh.SecondKeyWords().size(), 23u);
  TWideStringList list;
  list.Add(u"abc");
  h.SetSecondKeyWords(list);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(h.SecondKeyWords(), (std::vector<std::u16string>{u"ABC"}));
  h.RemoveAttrChangeHandler(hook);
}

TEST(SynUNIXShellScriptSyn, AttributesAndFamilyAnswers) {
  S h;
  EXPECT_EQ(h.GetAttribCount(), 9);
  EXPECT_EQ(h.CommentAttri->Foreground(), 0x008000u);
  EXPECT_EQ(h.KeyAttri->Foreground(), 0x800000u);
  EXPECT_EQ(h.KeyAttri->Style(), syn::fsBold);
  EXPECT_EQ(h.NumberAttri->Foreground(), 0xFF0000u);
  EXPECT_EQ(h.StringAttri->Foreground(), 0x000080u);
  EXPECT_EQ(h.SymbolAttri->Foreground(), 0x0000FFu);
  EXPECT_EQ(h.VariableAttri->Foreground(), 0x800080u);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_SYMBOL), nullptr);
  EXPECT_EQ(h.GetDefaultAttribute(SYN_ATTR_WHITESPACE), h.SpaceAttri);
  EXPECT_EQ(h.GetLanguageName(), u"UNIX Shell Script");
  EXPECT_EQ(h.DefaultFilter(), "UNIX Shell Scripts (*.sh)|*.sh");
  // Only SetRange changes the range.
  h.SetRange(7);
  h.SetLine(u"echo \"x", 0);
  h.NextToEol();
  EXPECT_EQ(h.GetRange(), 7);
  h.ResetRange();
  EXPECT_EQ(h.GetRange(), 0);
}

TEST(SynUNIXShellScriptSyn, TerminationAndCoverageOnRandomLines) {
  S h;
  auto pieces = CommonPieces();
  for (auto p : {u"$", u"${", u"}", u"\"", u"'", u"#", u".", u"..", u"1e", u"grep", u"PATH", u"g++", u"|", u"="})
    pieces.push_back(p);
  CheckTermination(h, pieces, 50000, 31);
  CheckRescan(h, Lines(u"#!/bin/sh\nfor f in *.txt; do\n  echo \"$f ${HOME}\"\ndone\n"), 4);
}
