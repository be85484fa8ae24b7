// Scanning speed of the XML, CSS, Visual Basic, VBScript, Python, SQL, Perl, UNIX shell and Tcl/Tk
// highlighters, and of every other language of the language table with its own sample text; what is
// measured is said in hl_bench_common.h.
#include "highlighters/SynHighlighterSQL.h"
#include "hl_bench_common.h"

namespace {

template <TSQLDialect D>
void Dialect(TSynCustomHighlighter& h) {
  static_cast<TSynSQLSyn&>(h).SetSQLDialect(D);
}

constexpr hlbench::Sample kSamples[] = {
    {"XML", "TSynXMLSyn",
     u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- Comment @\n     over two lines -->\n"
     u"<catalog xmlns:x=\"urn:sample:@\" name='list &amp; more'>\n"
     u"  <x:item id=\"@\" price=\"1.50\">Text with &lt;entities&gt; and more words</x:item>\n"
     u"  <empty flag=\"yes\"/>\n  <![CDATA[ if (a < b) return @; ]]>\n</catalog>\n\n",
     u"<x:item id=\"@\" price=\"1.50\">Text with &lt;entities&gt; and more</x:item> <empty flag='yes'/> "},
    {"CSS", "TSynCssSyn",
     u"/* Style sheet @\n   over two lines */\nbody, .content@ > p:hover\n{\n"
     u"  font-family: \"Arial\", sans-serif;\n  font-size: 10pt;\n  color: #000080;\n"
     u"  margin: 0 -2px .5em 1.5em; /* inline */\n  made-up-property: @;\n}\n\n",
     u"h1 { font-family: \"Arial\", sans-serif; font-size: 10pt; color: #000080; margin: 0 -2px @px } "},
    {"VisualBasic", "TSynVBSyn",
     u"' Comment line @\nFunction PrintNumber@(Count As Integer) As String\n  Dim Number As Long, I As Integer\n"
     u"  MsgBox \"The number is \" & Count & #1/1/2000#\n  For I = 0 To 15\n"
     u"    Number = Number + I * 1.5E3 ' trailing\n  Next I\n  If Number <> 0 Then PrintNumber = \"done\"\n"
     u"End Function\n\n",
     u"Number = Number + I * 1.5E3: MsgBox \"The number is \" & Count & #1/1/2000#: If Number <> @ Then X = 1: "},
    {"VBScript", "TSynVBScriptSyn",
     u"' Comment line @\nFunction PrintNumber@(Count)\n  Dim Number, I\n"
     u"  Document.Write \"The number is \" & Count\n  For I = 0 To 15\n    Number = Number + I * 1.5E3\n"
     u"  Next\n  If Number <> 0 Then PrintNumber = \"done\"\nEnd Function\n\n",
     u"Number = Number + I * 1.5E3: Document.Write \"The number is \" & Count: If Number <> @ Then X = 1: "},
    {"Python", "TSynPythonSyn",
     u"# Comment @\nimport sys\n\ndef function@(args, count=0x1F):\n    \"\"\"Documentation\n"
     u"    over two lines.\"\"\"\n    for i in range(len(args)):\n"
     u"        if args[i] == 'x' and i != 017:\n            print \"%d: %s\" % (i, args[i])\n"
     u"        count += i * 1.5e-3 + 2j\n    return __name__, None\n\n",
     u"print \"%d: %s\" % (i, args[i]); count += i * 1.5e-3 + 2j; x = 'a\\'b'; y = [0x1F, 017, @]; "},
    {"SQL-Standard", "TSynSQLSyn",
     u"-- Comment @\nSELECT e.name, d.title, COUNT(*) AS total\nFROM employee e JOIN department d ON e.dept = "
     u"d.id\n"
     u"/* block\n   comment */\nWHERE e.salary > 1000.50 AND e.name <> 'Smith @'\n"
     u"GROUP BY e.name, d.title\nORDER BY 1;\n\n",
     u"SELECT e.name, d.title FROM employee e WHERE e.salary > 1000.50 AND e.name <> 'Smith @'; ",
     Dialect<sqlStandard>},
    {"SQL-Oracle", "TSynSQLSyn",
     u"REM Comment @\nDECLARE\n  total NUMBER(10,2) := 0;\nBEGIN\n"
     u"  SELECT SUM(price) INTO total FROM orders WHERE id = :id AND name <> 'x@';\n"
     u"  DBMS_OUTPUT.PUT_LINE('total: ' || total);\nEXCEPTION WHEN NO_DATA_FOUND THEN NULL;\nEND;\n/\n\n",
     u"SELECT SUM(price) INTO total FROM orders WHERE id = :id; DBMS_OUTPUT.PUT_LINE('total: ' || @); ",
     Dialect<sqlOracle>},
    {"Perl", "TSynPerlSyn",
     u"# Comment @\nuse strict;\nmy %count;\nwhile (my $line = <STDIN>) {\n  chomp $line;\n"
     u"  $count{$_}++ for split /\\s+/, $line;\n  print \"$_: $count{$_}\\n\" if $ARGV[0] eq 'x';\n"
     u"}\nmy $x = 0x1F + 1.5e-3 ** 2 <=> @;\n\n",
     u"$count{$_}++ for split /\\s+/, $line; print \"$_: $count{$_}\\n\" if $ARGV[0] eq 'x'; $x = @; "},
    {"UNIXShell", "TSynUNIXShellScriptSyn",
     u"#!/bin/sh\n# Comment @\nTARGET=${HOME}/backup@.tar\nif test -f $TARGET; then\n"
     u"  echo \"replacing $TARGET\"\nfi\ntar cf $TARGET .bashrc docs 2>/dev/null | wc -l\n"
     u"for f in *.txt; do cp $f /tmp; done\n\n",
     u"echo \"replacing $TARGET\"; tar cf $TARGET .bashrc docs @ | wc -l; for f in *.txt; do cp $f /tmp; done; "},
    {"TclTk", "TSynTclTkSyn",
     u"# Comment @\nset count 0\nproc click {} {\n  global count\n  incr count\n"
     u"  puts \"clicked $count times\"\n}\nbutton .b@ -text \"Click\" -command click\npack .b -padx 10 -pady "
     u"1.5e1\n\n",
     u"set count @; incr count; puts \"clicked $count times\"; button .b -text \"Click\" -command click; "},
};

hlbench::Suite& Bench() {
  static hlbench::Suite suite(hlbench::Languages(kSamples, true), "hl2_");
  return suite;
}

void BM_Hl2HighlighterFile(benchmark::State& state) {
  Bench().RunFile(state);
}
void BM_Hl2HighlighterLongLine(benchmark::State& state) {
  Bench().RunLongLine(state);
}

}  // namespace

BENCHMARK(BM_Hl2HighlighterFile)->DenseRange(0, Bench().Count() - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hl2HighlighterLongLine)->DenseRange(0, Bench().Count() - 1)->Unit(benchmark::kMillisecond);
