// Scanning speed of the C/C++, Pascal, Java, JavaScript, PHP and HTML highlighters; what is measured
// is said in hl_bench_common.h.
#include <iterator>

#include "hl_bench_common.h"

namespace {

constexpr hlbench::Sample kSamples[] = {
    {"Cpp", "TSynCppSyn",
     u"#include <stdio.h>\n#define MAX(a, b) ((a) > (b) ? (a) : (b)) \\\n  /* max */\n"
     u"/* Block comment\n   over two lines */\nstatic const unsigned long mask@ = 0x1FUL;\n"
     u"int function@(int argc, char *argv[])\n{\n  double d = 1.5e-3 * argc + .25f;\n"
     u"  for (int i = 0; i < argc; ++i) {\n    if (argv[i][0] == '-' && i != 0) // option\n"
     u"      printf(\"%d: %s\\n\", i, argv[i]);\n    else\n      count@ += i << 2;\n  }\n"
     u"  return (int)(d * 017) >> 1;\n}\n\n",
     u"if (argv[i][0] == '-' && i != 0) printf(\"%d: %s\\n\", i, argv[i]); count@ += i << 2; "
     u"double d = 1.5e-3 * argc + .25f; /* c */ "},
    {"Pascal", "TSynPasSyn",
     u"{ Block comment }\nprocedure TForm@.Button1Click(Sender: TObject);\nvar\n  Number, I, X: Integer;\n"
     u"begin\n  Number := 123456 + @;\n  Caption := 'The Number is' + #32 + IntToStr(Number);\n"
     u"  for I := 0 to Number do\n  begin\n    Inc(X); (* another comment *)\n    X := X + 1.5e3 - $5E;\n"
     u"  end;\n  {$R+}\nend;\n\n",
     u"Number := 123456 + @; Caption := 'The Number is' + #32 + IntToStr(Number); Inc(X); (* c *) "
     u"X := X + 1.5e3 - $5E; "},
    {"Java", "TSynJavaSyn",
     u"/**\n * Documentation comment\n */\npublic class Sample@ extends Object {\n"
     u"  private static final long MASK = 0x1FL; // mask\n  public static void main(String[] args) {\n"
     u"    for (int i = 0; i < args.length; i++) {\n      System.out.println(args[i] + \"!\" + '\\n');\n"
     u"      count@ >>>= 2;\n    }\n  }\n}\n\n",
     u"System.out.println(args[i] + \"!\" + '\\n'); count@ >>>= 2; long m = 0x1FL; /* c */ "},
    {"JavaScript", "TSynJScriptSyn",
     u"// Line comment\nfunction printNumber@()\n{\n  var number = 1234 + @;\n  var x;\n"
     u"  document.write(\"The number is \" + number);\n  /* block\n     comment */\n"
     u"  for (var i = 0; i <= number; i++) {\n    x += Math.sqrt(i) * 0x1F;\n  }\n"
     u"  window.alert('done');\n}\n\n",
     u"document.write(\"The number is \" + number); x += Math.sqrt(i) * 0x1F; window.alert('done'); /* c */ "},
    {"PHP", "TSynPHPSyn",
     u"// Line comment\nfunction printNumber@($list)\n{\n  $number = 1234 + @;\n"
     u"  print \"The number is $number and {$list['key']} and $list[1]->name\";\n"
     u"  for ($i = 0; $i <= $number; $i++) {\n    $x += 1.5; # hash comment\n  }\n"
     u"  /* block\n     comment */\n  echo 'single $quoted';\n}\n\n",
     u"print \"The number is $number and {$list['key']} and $list[1]->name\"; $x += 1.5; echo 'single'; "
     u"/* c */ "},
    {"HTML", "TSynHTMLSyn",
     u"<!-- comment @ -->\n<html>\n<body bgcolor=\"red\">\n  <form name=\"frmLogin\" "
     u"action=\"doSomething.asp\">\n"
     u"    <input name=\"user\" value=\"\" size=20>\n  </form>\n"
     u"  <p class='text'>Sample &amp; text with &nbsp; entities &#169; number @</p>\n"
     u"  <table border=1><tr><td>cell</td></tr></table>\n</body>\n</html>\n\n",
     u"<p class='text'>Sample &amp; text with &nbsp; entities &#169; number @</p> <td>cell</td> "},
};

hlbench::Suite& Bench() {
  static hlbench::Suite suite(hlbench::Languages(kSamples, false), "hl_");
  return suite;
}

void BM_HighlighterFile(benchmark::State& state) {
  Bench().RunFile(state);
}
void BM_HighlighterLongLine(benchmark::State& state) {
  Bench().RunLongLine(state);
}

}  // namespace

std::span<const hlbench::Sample> hlbench::FirstSuiteSamples() {
  return kSamples;
}

constexpr int kLast = static_cast<int>(std::size(kSamples)) - 1;
BENCHMARK(BM_HighlighterFile)->DenseRange(0, kLast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighlighterLongLine)->DenseRange(0, kLast)->Unit(benchmark::kMillisecond);
