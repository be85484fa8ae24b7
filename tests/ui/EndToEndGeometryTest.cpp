// The real window on X (Xvfb): moved and resized, ended through Exit; the settings file then holds
// the geometry, and the next start puts the window there again.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {
std::string XPath(const std::string& xmllint, const std::string& file, const std::string& key) {
  return testsupport::XPath(xmllint, file, "string(/*/" + key + ")");
}
}  // namespace

using EndToEndGeometry = testsupport::TempDirTest;

TEST_F(EndToEndGeometry, MainFormGeometryReachesTheSettingsFileAndComesBack) {
  REQUIRE_XSERVER(x);
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string probe = testsupport::ProbePath("formprobe");
  const std::string settings = tmp.File("formprobe.xdb");
  auto run = [&](std::vector<std::string> args) {
    std::vector<std::string> all = x.ClientEnv();
    all.push_back(probe);
    all.push_back(settings);
    all.insert(all.end(), args.begin(), args.end());
    return testsupport::RunProcess("env", all, "", 60);
  };
  auto first = run({"move", "100", "120", "300", "200"});
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_NE(first.out.find("moved 100 120 300 200"), std::string::npos) << first.out;
  EXPECT_EQ(XPath(xmllint, settings, "posLeft"), "100");
  EXPECT_EQ(XPath(xmllint, settings, "posTop"), "120");
  EXPECT_EQ(XPath(xmllint, settings, "sizeWidth"), "300");
  EXPECT_EQ(XPath(xmllint, settings, "sizeHeight"), "200");
  EXPECT_EQ(XPath(xmllint, settings, "Maximized"), "0");

  auto second = run({"show"});
  ASSERT_EQ(second.exitCode, 0) << second.out << second.err;
  EXPECT_NE(second.out.find("shown 100 120 300 200"), std::string::npos) << second.out;
  // Nothing drifted on the way.
  EXPECT_EQ(XPath(xmllint, settings, "posLeft"), "100");
  EXPECT_EQ(XPath(xmllint, settings, "sizeHeight"), "200");
}
