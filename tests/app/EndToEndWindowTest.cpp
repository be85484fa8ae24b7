// The real program as a desktop user meets its window, under Xvfb with a window manager (openbox) and
// keys and clicks through xdotool: browsing is no change, the keyboard reaches every part of the
// window, and messages appear over the window that raised them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "EndToEndDesktop.h"

using namespace e2e;

namespace {

// Folder 1 (open) with the records "Kept" (three lines of code, comments) and "Other".
const char* const kQuietBank =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
    "<DataBaseName>Quiet</DataBaseName></settings><folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept"
    "<data>int kept;\r\nint second;\r\nint third;</data><comments>about it</comments></record>"
    "<record ID=\"3\">Other<data>other text</data></record></folder></dataroot>";

// Rows of the tree under the window manager: the folder, then its two records.
constexpr int kTreeX = 90;
constexpr int kKeptRow = 102;
constexpr int kOtherRow = 120;

// kQuietBank in the file name of tmp, for a program whose settings have neither auto-save (nothing
// but the user saves) nor backups; its path.
std::string QuietBank(const Desktop& d, const testsupport::TempDir& tmp, const std::string& name) {
  testsupport::WriteFile(d.Folder() + "/tessaryn.xdb",
                         "<?xml version=\"1.0\"?>\r\n<dataroot><AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>"
                         "</dataroot>");
  const std::string bank = tmp.File(name);
  testsupport::WriteFile(bank, kQuietBank);
  return bank;
}

}  // namespace

// Clicking a record and about in its code, Tab then Down, selecting, Ctrl+End and Ctrl+O are no
// change: Exit asks nothing and the file stays byte for byte as it was. An edit typed and undone is
// none either; an edit left in is asked about.
TEST_F(EndToEnd, BrowsingAndMovingTheCaretAskNothingOnExit) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = QuietBank(d, tmp, "quiet.xdb2");
  struct Round {
    const char* name;
    std::function<void()> run;
    bool asks;
  };
  const Round rounds[] = {
      {"click into the code, select, Ctrl+End, Ctrl+O",
       [&] {
         d.Click(kTreeX, kKeptRow);
         d.Click(d.Width() * 2 / 3, 150);
         d.Key("shift+Down");
         d.Key("ctrl+End");
         d.Key("ctrl+o");  // opens the file dialog straight away: nothing to ask about
         EXPECT_TRUE(Eventually([&] { return !d.Find("^Open DataBank$").empty(); }, 10000));
         EXPECT_EQ(d.Find("^Error$"), "");
         d.Key("Escape");
         Eventually([&] { return d.Find("^Open DataBank$").empty(); }, 5000);
         d.Focus();
       },
       false},
      {"Tab from the tree, then Down",
       [&] {
         d.Click(kTreeX, kKeptRow);
         d.Key("Tab");
         d.Key("Down");
         d.Key("Down");
         d.Click(kTreeX, kOtherRow);  // the record left behind is stored with its new caret
       },
       false},
      {"typed, then undone",
       [&] {
         d.Click(kTreeX, kKeptRow);
         d.Click(d.Width() * 2 / 3, 150);
         d.Type("xy");
         d.Key("ctrl+z");
       },
       false},
      {"typed",
       [&] {
         d.Click(kTreeX, kKeptRow);
         d.Click(d.Width() * 2 / 3, 150);
         d.Type("xy");
       },
       true},
  };
  for (const Round& r : rounds) {
    SCOPED_TRACE(r.name);
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Quiet$"), "");
    r.run();
    const std::string exited = ExitWithoutQuestion(d, "e2e-browsing-asked.png");
    if (r.asks)
      EXPECT_EQ(exited, "it asked whether to save");
    else
      EXPECT_EQ(exited, "");
    EXPECT_EQ(testsupport::ReadFile(bank), kQuietBank);  // answered No where it asked
  }
}

// A keyboard user leaves the editors and comes back: Enter on a record puts the focus into its code,
// Ctrl+Tab goes on from the code to the comments and from there round to the tree, Ctrl+Shift+Tab
// goes back from the code to the tree. Where each typed letter lands tells where the focus was.
TEST_F(EndToEnd, CtrlTabLeavesTheEditorsAndEnterComesBack) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = QuietBank(d, tmp, "focus.xdb2");
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Quiet$"), "");
  d.Click(kTreeX, kKeptRow);
  d.Key("Return");  // into the code of "Kept"
  d.Type("A");
  d.Key("ctrl+Tab");  // the comments
  d.Type("B");
  d.Key("ctrl+Tab");  // round to the tree: Down selects "Other", Enter enters its code
  d.Key("Down");
  d.Key("Return");
  d.Type("C");
  d.Key("ctrl+shift+Tab");  // back to the tree: Up selects "Kept" again
  d.Key("Up");
  d.Key("KP_Enter");
  d.Type("D");  // after the "A", where its caret was left
  d.Key("ctrl+s");
  auto read = [&](const std::string& path) {
    std::string text = apptest::XPath(bank, "string(" + path + ")");
    std::erase(text, '\r');
    return text;
  };
  EXPECT_TRUE(
      Eventually([&] { return read("//record[@ID='2']/data") == "ADint kept;\nint second;\nint third;"; }, 10000))
      << read("//record[@ID='2']/data");
  EXPECT_EQ(read("//record[@ID='2']/comments"), "Babout it");
  EXPECT_EQ(read("//record[@ID='3']/data"), "Cother text");
  d.Shot("e2e-ctrl-tab-and-enter.png");
  ASSERT_EQ(d.Exit(), "");
}

// Messages appear over the window that raised them, wherever that window is: the password prompt and
// its refusal of a character outside Windows-1252 over the main window, which has been moved away
// from the screen's centre, and so is the refusal of an empty title typed with F2. The refused title
// changes nothing: Exit asks nothing and the file is as it was.
TEST_F(EndToEnd, MessagesAppearOverTheWindowThatRaisedThem) {
  REQUIRE_DESKTOP(d);
  REQUIRE_TOOL(xclip, "xclip");
  ASSERT_EQ(xs.StartWindowManager(), "");
  const Clipboard clipboard{xclip};
  const std::string bank = QuietBank(d, tmp, "messages.xdb2");
  const std::string copy = tmp.File("menu.xdb2");  // the probe that reads the menu saves what it opened
  testsupport::WriteFile(copy, kQuietBank);
  const int setPassword = MenuSteps(copy, "Set Password", false);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Quiet$"), "");
  d.Xdo({"windowmove", d.Find("^Tessaryn - Quiet$"), "30", "30"});
  Sleep(500);
  const TWindowBox main = WindowBox(d, "^Tessaryn - Quiet$");
  ASSERT_GT(main.Width, 0);
  // Centred on the main window within a title bar's height (the frame the window manager adds).
  auto expectOverMain = [&](const TWindowBox& box, const char* what) {
    EXPECT_GT(box.Width, 0) << what;
    EXPECT_LE(std::abs(box.CentreX() - main.CentreX()), 40) << what << " at " << box.X << "," << box.Y;
    EXPECT_LE(std::abs(box.CentreY() - main.CentreY()), 40) << what << " at " << box.X << "," << box.Y;
  };
  // The message bears the program's title, or the main window's: it is the smaller window.
  auto message = [&] {
    TWindowBox found;
    Eventually(
        [&] {
          for (const TWindowBox& b : WindowBoxes(d, "^Tessaryn( - Quiet)?$"))
            if (b.Height < main.Height / 2) found = b;
          return found.Width > 0;
        },
        10000);
    return found;
  };

  d.MainMenu(setPassword);
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Enter Password$").empty(); }, 10000));
  expectOverMain(WindowBox(d, "^Enter Password$"), "the password prompt");
  // Pasted: a letter the keyboard map lacks is typed by xdotool through a mapping changed for the
  // moment, which a busy program may read after it changed back.
  clipboard.Put("\u03A91");
  d.Key("ctrl+v");
  d.Key("Tab");
  d.Key("ctrl+v");
  d.Key("Return");
  expectOverMain(message(), "the refusal of the password");
  d.Shot("e2e-password-refused-over-window.png");
  d.Key("Return");
  d.Key("Escape");
  ASSERT_TRUE(Eventually([&] { return d.Find("^Enter Password$").empty(); }, 10000));
  d.Focus();

  d.Click(kTreeX, kKeptRow);
  d.Key("F2");
  d.Key("ctrl+a");
  d.Key("BackSpace");
  d.Key("Return");
  expectOverMain(message(), "the refusal of an empty title");
  d.Shot("e2e-empty-title-refused.png");
  d.Key("Return");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-empty-title-asked.png"), "");
  EXPECT_EQ(testsupport::ReadFile(bank), kQuietBank);
}

// Quitting asks while the window is still shown, over it: "Data has been changed" (auto-save off), and
// then, the file having been changed by another program, "DataBank Changed"; the window goes only
// once the answers let the close go on, and Cancel keeps it.
TEST_F(EndToEnd, QuestionsOnQuittingStandOverTheWindowStillShown) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = QuietBank(d, tmp, "quitting.xdb2");
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Quiet$"), "");
  d.Xdo({"windowmove", d.Find("^Tessaryn - Quiet$"), "40", "30"});
  Sleep(500);
  const TWindowBox main = WindowBox(d, "^Tessaryn - Quiet$");
  ASSERT_GT(main.Width, 0);
  auto asksOverTheWindow = [&](const std::string& title) {
    SCOPED_TRACE(title);
    ASSERT_TRUE(Eventually([&] { return !d.Find(title).empty(); }, 10000)) << d.Output();
    Sleep(300);
    EXPECT_NE(d.Find("^Tessaryn - Quiet$"), "") << "the window went before the question";
    const TWindowBox box = WindowBox(d, title);
    EXPECT_LE(std::abs(box.CentreX() - main.CentreX()), 40) << box.X << "," << box.Y;
    EXPECT_LE(std::abs(box.CentreY() - main.CentreY()), 40) << box.X << "," << box.Y;
  };
  d.Click(kTreeX, kKeptRow);
  d.Click(d.Width() * 2 / 3, 150);
  d.Type("xy");
  const std::string theirs = std::string(kQuietBank) + "\r\n";
  testsupport::WriteFile(bank, theirs);  // another program's save

  d.Click(d.Width() - 20, 12);   // Exit
  asksOverTheWindow("^Error$");  // "Data has been changed. Do you want to save?"
  d.Shot("e2e-quitting-asks-over-window.png");
  d.Key("Return");  // Yes
  asksOverTheWindow("^DataBank Changed$");
  d.Key("Escape");  // Cancel: nothing is thrown away, the window stays
  ASSERT_TRUE(Eventually([&] { return d.Find("^DataBank Changed$").empty(); }, 10000));
  Sleep(500);
  EXPECT_TRUE(d.Running());
  EXPECT_NE(d.Find("^Tessaryn - Quiet$"), "");
  EXPECT_EQ(testsupport::ReadFile(bank), theirs);

  d.Focus();
  d.Click(d.Width() - 20, 12);
  asksOverTheWindow("^Error$");
  d.Key("n");
  EXPECT_EQ(d.WaitExit(), "");
  EXPECT_EQ(testsupport::ReadFile(bank), theirs);
}
