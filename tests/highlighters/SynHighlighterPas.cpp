#include "highlighters/SynHighlighterPas.h"

#include "SynHighlighterFamilyTesting.h"

using namespace hltest;
using P = TSynPasSyn;

TEST(SynPasSyn, KeywordsInAnyCaseKeepTheirSpelling) {
  P h;
  EXPECT_EQ(
      Scan(h, u"BEGIN Begin begin"),
      (Toks{{P::tkKey, "BEGIN"}, {P::tkSpace, " "}, {P::tkKey, "Begin"}, {P::tkSpace, " "}, {P::tkKey, "begin"}}));
}

TEST(SynPasSyn, VersionAndPackageConditions) {
  P h;
  EXPECT_EQ(Scan(h, u"// c"), (Toks{{P::tkComment, "// c"}}));
  EXPECT_EQ(Scan(h, u"stdcall contains"), (Toks{{P::tkKey, "stdcall"}, {P::tkSpace, " "}, {P::tkKey, "contains"}}));
  int signals = 0;
  const auto handler = NotifyMethod(&signals, [&](TSynPersistent*) { ++signals; });
  h.AddAttrChangeHandler(handler);
  h.SetDelphiVersion(dvDelphi1);
  EXPECT_EQ(signals, 1);  // one signal, although PackageSource went off with it
  EXPECT_FALSE(h.PackageSource());
  EXPECT_EQ(Scan(h, u"//"), (Toks{{P::tkSymbol, "/"}, {P::tkSymbol, "/"}}));
  EXPECT_EQ(Scan(h, u"stdcall"), (Toks{{P::tkIdentifier, "stdcall"}}));
  EXPECT_EQ(Scan(h, u"package"), (Toks{{P::tkIdentifier, "package"}}));
  h.SetDelphiVersion(dvDelphi1);
  EXPECT_EQ(signals, 1);  // unchanged value: no signal
  h.SetPackageSource(true);
  EXPECT_EQ(h.DelphiVersion(), dvDelphi3);
  EXPECT_EQ(signals, 2);
  EXPECT_EQ(Scan(h, u"requires overload"),
            (Toks{{P::tkKey, "requires"}, {P::tkSpace, " "}, {P::tkIdentifier, "overload"}}));
  h.SetDelphiVersion(dvDelphi4);
  EXPECT_EQ(Scan(h, u"overload sealed"),
            (Toks{{P::tkKey, "overload"}, {P::tkSpace, " "}, {P::tkIdentifier, "sealed"}}));
  h.SetDelphiVersion(dvDelphi8);
  EXPECT_EQ(Scan(h, u"sealed deprecated"), (Toks{{P::tkKey, "sealed"}, {P::tkSpace, " "}, {P::tkKey, "deprecated"}}));
  h.SetPackageSource(false);
  EXPECT_EQ(Scan(h, u"contains"), (Toks{{P::tkIdentifier, "contains"}}));
  h.RemoveAttrChangeHandler(handler);
}

TEST(SynPasSyn, PropertyAndExportsClauses) {
  P h;
  auto lines =
      ScanLines(h, {u"property X: Integer read FX", u"  write SetX; read", u"exports F name 'f' index 1;", u"name"});
  EXPECT_EQ(lines[0], (Toks{{P::tkKey, "property"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "X"},
                            {P::tkSymbol, ":"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "Integer"},
                            {P::tkSpace, " "},
                            {P::tkKey, "read"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "FX"}}));
  EXPECT_EQ(lines[1], (Toks{{P::tkSpace, "  "},
                            {P::tkKey, "write"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "SetX"},
                            {P::tkSymbol, ";"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "read"}}));
  EXPECT_EQ(lines[2], (Toks{{P::tkKey, "exports"},
                            {P::tkSpace, " "},
                            {P::tkIdentifier, "F"},
                            {P::tkSpace, " "},
                            {P::tkKey, "name"},
                            {P::tkSpace, " "},
                            {P::tkString, "'f'"},
                            {P::tkSpace, " "},
                            {P::tkKey, "index"},
                            {P::tkSpace, " "},
                            {P::tkNumber, "1"},
                            {P::tkSymbol, ";"}}));
  EXPECT_EQ(lines[3], (Toks{{P::tkIdentifier, "name"}}));
}

TEST(SynPasSyn, CommentsAndDirectivesAcrossLines) {
  P h;
  EXPECT_EQ(Scan(h, u"{$R+} x"), (Toks{{P::tkDirec, "{$R+}"}, {P::tkSpace, " "}, {P::tkIdentifier, "x"}}));
  std::vector<std::intptr_t> ranges;
  // "{ x" and "(* x" followed by an empty line.
  auto lines = ScanLines(h, {u"a { x", u"", u"y } b", u"(* x", u"", u"*) (.", u"{$IFDEF", u"X}"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{P::tkIdentifier, "a"}, {P::tkSpace, " "}, {P::tkComment, "{ x"}}));
  EXPECT_EQ(lines[1], Toks{});
  EXPECT_EQ(lines[2], (Toks{{P::tkComment, "y }"}, {P::tkSpace, " "}, {P::tkIdentifier, "b"}}));
  EXPECT_EQ(lines[3], (Toks{{P::tkComment, "(* x"}}));
  EXPECT_EQ(lines[4], Toks{});
  EXPECT_EQ(lines[5], (Toks{{P::tkComment, "*)"}, {P::tkSpace, " "}, {P::tkSymbol, "(."}}));
  EXPECT_EQ(lines[6], (Toks{{P::tkDirec, "{$IFDEF"}}));
  EXPECT_EQ(lines[7], (Toks{{P::tkDirec, "X}"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{P::rsBor, P::rsBor, P::rsUnknown, P::rsAnsi, P::rsAnsi, P::rsUnknown,
                                                P::rsDirective, P::rsUnknown}));
  EXPECT_EQ(Scan(h, u"(*)"), (Toks{{P::tkComment, "(*)"}}));
  EXPECT_EQ(h.GetRange(), P::rsAnsi);
}

TEST(SynPasSyn, AssemblerBlocks) {
  P h;
  std::vector<std::intptr_t> ranges;
  auto lines = ScanLines(h, {u"asm", u"  MOV AX, 1 { c", u"} (* d *) {$X} end;"}, &ranges);
  EXPECT_EQ(lines[0], (Toks{{P::tkKey, "asm"}}));
  EXPECT_EQ(lines[1], (Toks{{P::tkSpace, "  "},
                            {P::tkAsm, "MOV"},
                            {P::tkSpace, " "},
                            {P::tkAsm, "AX"},
                            {P::tkAsm, ","},
                            {P::tkSpace, " "},
                            {P::tkAsm, "1"},
                            {P::tkSpace, " "},
                            {P::tkComment, "{ c"}}));
  EXPECT_EQ(lines[2], (Toks{{P::tkComment, "}"},
                            {P::tkSpace, " "},
                            {P::tkComment, "(* d *)"},
                            {P::tkSpace, " "},
                            {P::tkDirec, "{$X}"},
                            {P::tkSpace, " "},
                            {P::tkKey, "end"},
                            {P::tkSymbol, ";"}}));
  EXPECT_EQ(ranges, (std::vector<std::intptr_t>{P::rsAsm, P::rsBorAsm, P::rsUnknown}));
}

TEST(SynPasSyn, NumbersStringsAndSymbols) {
  P h;
  EXPECT_EQ(Scan(h, u"1..10"), (Toks{{P::tkNumber, "1"}, {P::tkSymbol, ".."}, {P::tkNumber, "10"}}));
  EXPECT_EQ(Scan(h, u"1.5e+3"), (Toks{{P::tkFloat, "1.5e+3"}}));
  EXPECT_EQ(Scan(h, u"1-2"), (Toks{{P::tkNumber, "1"}, {P::tkSymbol, "-"}, {P::tkNumber, "2"}}));
  EXPECT_EQ(Scan(h, u"$FF $ $fg"), (Toks{{P::tkHex, "$FF"},
                                         {P::tkSpace, " "},
                                         {P::tkHex, "$"},
                                         {P::tkSpace, " "},
                                         {P::tkHex, "$f"},
                                         {P::tkIdentifier, "g"}}));
  EXPECT_EQ(Scan(h, u"#13#10#$0D"), (Toks{{P::tkChar, "#13"}, {P::tkChar, "#10"}, {P::tkChar, "#$0D"}}));
  EXPECT_EQ(Scan(h, u"'it''s' 'open"), (Toks{{P::tkString, "'it''s'"}, {P::tkSpace, " "}, {P::tkString, "'open"}}));
  EXPECT_EQ(h.GetRange(), P::rsUnknown);  // strings never continue
  EXPECT_EQ(Scan(h, u":= <> <= >= @@ .) | \u00e9"), (Toks{{P::tkSymbol, ":="},
                                                          {P::tkSpace, " "},
                                                          {P::tkSymbol, "<>"},
                                                          {P::tkSpace, " "},
                                                          {P::tkSymbol, "<="},
                                                          {P::tkSpace, " "},
                                                          {P::tkSymbol, ">="},
                                                          {P::tkSpace, " "},
                                                          {P::tkSymbol, "@@"},
                                                          {P::tkSpace, " "},
                                                          {P::tkSymbol, ".)"},
                                                          {P::tkSpace, " "},
                                                          {P::tkUnknown, "|"},
                                                          {P::tkSpace, " "},
                                                          {P::tkUnknown, "\xC3\xA9"}}));
  // Illegal characters share the Symbol attribute.
  h.ResetRange();
  h.SetLine(u"|", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.SymbolAttri);
  EXPECT_EQ(h.GetRange(), 10);  // Normal is 10, not 0
}

TEST(SynPasSyn, TerminationAndCoverageOnRandomLines) {
  P h;
  auto pieces = CommonPieces();
  for (auto p : {u"{",   u"}", u"{$",       u"(*",      u"*)",   u"(",  u")", u"//", u"'", u"''", u"#", u"$",  u"asm",
                 u"end", u";", u"property", u"exports", u"read", u"..", u".", u"@@", u"e", u"+",  u"-", u"1.5"})
    pieces.push_back(p);
  CheckTermination(h, pieces, 100000, 2);
  h.SetDelphiVersion(dvDelphi1);
  CheckTermination(h, pieces, 5000, 3);
}

TEST(SynPasSyn, RescanFromStoredRangesGivesTheSameTokens) {
  P h;
  CheckRescan(h,
              Lines(u"unit U; { open\n\n still }\ninterface\ntype T = class\n  property P: Integer read F\n"
                    u"    write F;\nend;\nexports A name 'a';\nprocedure X;\nasm\n  mov ax, 1 (* c\n *) {$R+}\n"
                    u"end;\n{$IFDEF X\n}\nbegin s := 'a''b'#13; x := $FF + 1.5e3; end."),
              11);
}
