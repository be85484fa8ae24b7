// Differential agreement of both regex engines with Python's re on generated expressions (the
// generator and the mapping rules are in regex_compare.py; the seed is fixed), characters beyond
// U+FFFF and the editor's Replace All among them.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace testsupport;

TEST(RegexInterop, AgreesWithPythonRe) {
  REQUIRE_TOOL(python, "python3");
  std::string script = std::string(TESSARYN_SOURCE_DIR) + "/tests/interop/regex_compare.py";
  std::string dump = ArtifactDir() + "/regex_mismatches.jsonl";
  ProcessResult r = RunProcess(
      python, {script, ProbePath("regexprobe"), "--dump", dump, "--editprobe", ProbePath("editprobe")}, "", 1200);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("wide "), std::string::npos) << r.out;
  std::cout << r.out;
}

TEST(RegexInterop, OtherSeedAgrees) {
  REQUIRE_TOOL(python, "python3");
  std::string script = std::string(TESSARYN_SOURCE_DIR) + "/tests/interop/regex_compare.py";
  ProcessResult r = RunProcess(python, {script, ProbePath("regexprobe"), "--seed", "7", "--count", "1500"}, "", 1200);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}

// The probe reads any JSON object per line: fields it does not know may hold arrays or objects,
// and a line that is no JSON object (or lacks a needed field) answers "bad input" and the run goes on.
TEST(RegexInterop, ProbeInputLines) {
  const std::string in =
      "{\"id\":[1,{\"k\":[]}],\"engine\":\"wide\",\"op\":\"exec\",\"expr\":\"b\",\"subject\":\"ab\",\"meta\":{}}\n"
      "{\"engine\":\"wide\",\"op\":\"exec\",\"expr\":\"b\",\"subject\":[\"ab\"]}\n"
      "{\"x\":[1,],\"engine\":\"wide\",\"op\":\"compile\",\"expr\":\"a\"}\n"
      "not json\n"
      "{\"engine\":\"byte\",\"op\":\"compile\",\"expr\":\"(a\",\"\\u00e9\":{\"a\":null}}\n";
  ProcessResult r = RunProcess(ProbePath("regexprobe"), {}, in, 60);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string bad = "{\"error\":-1,\"message\":\"bad input\"}\n";
  std::string groups;
  for (int i = 2; i < 15; ++i) groups += ",[-1,-1]";
  EXPECT_EQ(r.out, "{\"match\":true,\"groups\":[[2,1],[-1,-1]" + groups + "]}\n" + bad + bad + bad +
                       "{\"error\":0,\"message\":\"unmatched ()\"}\n");
}
