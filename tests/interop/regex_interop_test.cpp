// Differential agreement of both regex engines with Python's re on generated expressions (the
// generator and the mapping rules are in regex_compare.py; the seed is fixed).
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace testsupport;

TEST(RegexInterop, AgreesWithPythonRe) {
  REQUIRE_TOOL(python, "python3");
  std::string script = std::string(TESSARYN_SOURCE_DIR) + "/tests/interop/regex_compare.py";
  std::string dump = ArtifactDir() + "/regex_mismatches.jsonl";
  ProcessResult r = RunProcess(python, {script, ProbePath("regexprobe"), "--dump", dump}, "", 1200);
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
