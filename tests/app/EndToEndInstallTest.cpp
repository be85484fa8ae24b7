// The installed program as a user meets it: installed with cmake --install into a prefix the user may
// write (as root's /usr/local or a user's ~/.local are), started from <prefix>/bin by a user with a
// fresh home and no XDG variables.
#include <gtest/gtest.h>

#include <filesystem>

#include "EndToEndDesktop.h"

using namespace e2e;

// The first run keeps its settings in ~/.config/tessaryn and a copy of the sample in
// ~/.local/share/tessaryn, loads plug-ins from ~/.local/share/tessaryn/highlighters too, and
// nothing under the prefix is written, not even when the program could.
TEST_F(EndToEnd, AnInstalledProgramWritesOnlyIntoTheUsersFolders) {
  REQUIRE_TOOL(cmake, "cmake");
  REQUIRE_TOOL(find, "find");
  REQUIRE_DESKTOP(d);
  const std::string prefix = tmp.File("prefix");
  const auto installed = RunProcess(cmake, {"--install", TESSARYN_BINARY_DIR, "--prefix", prefix}, "", 300);
  ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  const std::string stamp = tmp.File("installed");
  testsupport::WriteFile(stamp, "");
  const std::string home = tmp.File("home");
  const std::string data = home + "/.local/share/tessaryn";
  // A plug-in the user added: this one cannot load, so the program says so when it reads the folder.
  fs::create_directories(data + "/highlighters");
  testsupport::WriteFile(data + "/highlighters/hl_mine.so", "not a library\n");
  const std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=", "XDG_DATA_HOME="};

  [&] {
    ASSERT_EQ(d.StartProgram(prefix + "/bin/tessaryn", {}, env, "^Error!$"), "") << d.Output();
    d.Key("Return");  // "Error loading plugin: [hl_mine.so]"
    ASSERT_EQ(d.WaitWindow("^Tessaryn - About Tessaryn$"), "") << d.Output();
    d.Shot("e2e-installed-first-run.png");
    ASSERT_EQ(d.Exit(), "");  // saves the sample, as auto-save does on closing
  }();
  const std::string settings = home + "/.config/tessaryn/tessaryn.xdb";
  ASSERT_TRUE(fs::exists(settings));
  EXPECT_NE(apptest::XPath(settings, "string(/dataroot/LastOpened)").find(data + "/about.xdb2"), std::string::npos)
      << testsupport::ReadFile(settings);
  EXPECT_TRUE(fs::exists(data + "/about.xdb2"));
  const auto newer = RunProcess(find, {prefix, "-newer", stamp});
  EXPECT_EQ(newer.exitCode, 0) << newer.err;
  EXPECT_EQ(newer.out, "") << "written under the prefix";
}
