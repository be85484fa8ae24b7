// Two running copies of the real program on one databank, under a window manager, driven with
// xdotool and ended with signals sent by kill, as a desktop ends them at log-out: neither writes
// over what the other saved without a word.
#include <gtest/gtest.h>

#include <csignal>

#include "EndToEndDesktop.h"

using namespace e2e;

namespace {

// A new record in the folder "Keep" (the tree has the focus), titled title.
void AddRecord(Desktop& d, const std::string& title) {
  d.Key("Home");
  d.Key("space");
  d.Key("ctrl+n");
  d.Type(title);
  d.Key("Return");
}

}  // namespace

// Both copies open t.xdb2; AAA is added in the first, BBB in the second; the first quits, then the
// second: it asks (the file was changed by another program), and Cancel keeps its window. Ended then
// by SIGTERM, it writes its databank beside the file and says where on stderr.
TEST_F(EndToEnd, TwoCopiesQuittingOneAfterTheOtherKeepBothDatabanks) {
  REQUIRE_TWO_COPIES(first, second);
  const std::string bank = tmp.File("t.xdb2");
  testsupport::WriteFile(bank, SmallBank("Two Copies"));

  ASSERT_EQ(first.Start({bank}, "^Tessaryn - Two Copies$"), "");
  const std::string firstWindow = ActiveWindow(first);
  Minimize(first, firstWindow);
  ASSERT_EQ(second.Start({bank}, "^Tessaryn - Two Copies$"), "");
  const std::string secondWindow = ActiveWindow(second);
  ASSERT_NE(firstWindow, secondWindow);

  Activate(first, firstWindow);
  AddRecord(first, "AAA");
  Activate(second, secondWindow);
  AddRecord(second, "BBB");
  Activate(first, firstWindow);
  ASSERT_EQ(first.Exit(), "");
  EXPECT_NE(Outline(bank).find("AAA"), std::string::npos) << Outline(bank);

  Activate(second, secondWindow);
  second.Click(second.Width() - 20, 12);  // Exit
  ASSERT_TRUE(Eventually([&] { return !second.Find("^DataBank Changed$").empty(); })) << second.Output();
  second.Shot("e2e-two-copies-asked.png");
  second.Key("Escape");  // Cancel
  ASSERT_TRUE(Eventually([&] { return second.Find("^DataBank Changed$").empty(); }));
  Sleep(500);
  EXPECT_TRUE(second.Running());
  EXPECT_TRUE(ConflictCopiesOf(bank).empty());

  second.Signal(SIGTERM);
  ASSERT_EQ(second.WaitExit(), "");
  const std::string outline = Outline(bank);
  EXPECT_NE(outline.find("AAA"), std::string::npos) << outline;
  EXPECT_EQ(outline.find("BBB"), std::string::npos) << outline;
  const auto copies = ConflictCopiesOf(bank);
  ASSERT_EQ(copies.size(), 1u);
  const std::string copy = Outline(copies[0]);
  EXPECT_NE(copy.find("BBB"), std::string::npos) << copy;
  EXPECT_EQ(copy.find("AAA"), std::string::npos) << copy;
  EXPECT_NE(
      second.Output().find(bank + " was changed by another program; this databank was saved beside it as " + copies[0]),
      std::string::npos)
      << second.Output();
}

// A record is added and the window's close button pressed: the copy only minimises (and saves). A
// second start opens the same databank, adds a record and saves it with Ctrl+S, then exits. When the
// first copy is ended at log-out (SIGTERM), it has nothing unsaved and leaves the newer file alone.
TEST_F(EndToEnd, AStaleCopyEndedAtLogOutLeavesTheNewerFileAlone) {
  REQUIRE_TWO_COPIES(first, second);
  const std::string bank = tmp.File("t.xdb2");
  testsupport::WriteFile(bank, SmallBank("Stale Copy"));

  ASSERT_EQ(first.Start({bank}, "^Tessaryn - Stale Copy$"), "");
  AddRecord(first, "AAA");
  first.Shot("e2e-stale-copy-added.png");
  first.Key("alt+F4");  // the window manager's close: it only minimises
  ASSERT_TRUE(Eventually([&] { return Outline(bank).find("AAA") != std::string::npos; })) << Outline(bank);
  EXPECT_TRUE(first.Find("^Tessaryn - Stale Copy$").empty());
  EXPECT_TRUE(first.Running());

  ASSERT_EQ(second.Start({bank}, "^Tessaryn - Stale Copy$"), "");
  AddRecord(second, "BBB");
  second.Key("ctrl+s");
  ASSERT_EQ(second.Exit(), "");
  const std::string newer = testsupport::ReadFile(bank);
  EXPECT_NE(Outline(bank).find("BBB"), std::string::npos) << Outline(bank);

  first.Signal(SIGTERM);
  ASSERT_EQ(first.WaitExit(), "");
  EXPECT_EQ(testsupport::ReadFile(bank), newer);
  EXPECT_TRUE(ConflictCopiesOf(bank).empty());
  EXPECT_NE(first.Output().find(bank + " was changed by another program; this databank held no unsaved changes"),
            std::string::npos)
      << first.Output();
  second.Shot("e2e-stale-copy-ended.png");
}
