// The real program as a desktop user meets its window, under Xvfb with a window manager (openbox) and
// keys and clicks through xdotool: browsing is no change, the keyboard reaches every part of the
// window, and messages appear over the window that raised them.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "EndToEndDesktop.h"

using namespace e2e;

namespace {

// Folder 1 (open) with the records "Kept" (three lines of code, comments) and "Other".
const std::string kQuietBank =
    BankText("<DataBaseName>Quiet</DataBaseName>",
             "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept<data>int kept;\r\nint second;\r\nint third;"
             "</data><comments>about it</comments></record><record ID=\"3\">Other<data>other text</data></record>"
             "</folder>");

// Rows of the tree under the window manager: the folder, then its two records.
constexpr int kTreeX = 90;
constexpr int kKeptRow = 102;
constexpr int kOtherRow = 120;

// kQuietBank in the file name of tmp, for a program whose settings have neither auto-save (nothing
// but the user saves) nor backups; its path.
std::string QuietBank(const Desktop& d, const testsupport::TempDir& tmp, const std::string& name) {
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
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
// Ctrl+Tab goes on from the code to the comments, to the record's keywords (the field shows as it is
// reached) and from there round to the tree, and from the tree into the code, Ctrl+Shift+Tab goes
// back from the code to the tree. Where each typed letter lands tells where the focus was.
// Shift+F10 in the code opens its menu.
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
  d.Key("ctrl+Tab");  // the keywords
  d.Type("K");
  d.Key("ctrl+Tab");  // round to the tree: Down selects "Other", Enter enters its code
  d.Key("Down");
  d.Key("Return");
  d.Type("C");
  d.Key("ctrl+shift+Tab");  // back to the tree: Up selects "Kept" again
  d.Key("Up");
  d.Key("KP_Enter");
  d.Type("D");  // after the "A", where its caret was left
  d.Click(kTreeX, kOtherRow);
  d.Key("ctrl+Tab");  // from the tree on to the code of "Other"
  d.Type("E");
  // Shift+F10 opens the code's menu as the Menu key does: its last item is Print Preview.
  d.Key("shift+F10");
  d.Key("Up");
  d.Key("Return");
  EXPECT_TRUE(Eventually([&] { return !d.Find("^Print Preview$").empty(); }, 10000)) << "Shift+F10";
  d.Key("Escape");
  Eventually([&] { return d.Find("^Print Preview$").empty(); }, 5000);
  d.Focus();
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
  EXPECT_EQ(read("//record[@ID='2']/keywords"), "K");
  EXPECT_EQ(read("//record[@ID='3']/data"), "CEother text");
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

namespace {

// The tree's rows under the window manager, counted from 0 (the first top-level node).
int TreeRow(int row) {
  return 84 + 18 * row;
}

// The databank's tree as "F Title" / "R Title" lines, indented by level (IDs and sizes left out).
std::string Titles(const std::string& bank) {
  const std::string outline = Outline(bank);
  std::istringstream lines(outline);
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex(R"(( *)([FR]) \d+ (.*?)( lang=.*)?)")))
      out += m[1].str() + m[2].str() + " " + m[3].str() + "\n";
  }
  return out;
}

}  // namespace

// A click on the record that is already selected waits the double-click time before its label
// opens for editing; whatever the user does meanwhile comes first, and a label opened that way
// gives way to the window's commands until something is typed into it. At each delay (before the
// label opens, and after) the command acts as without the click: Ctrl+N makes a record that takes
// the title typed next, Ctrl+Shift+N a folder, F2 renames, Alt+Enter shows the properties, Ctrl+Del
// deletes, and what is typed into the quick search finds a record. Nothing is renamed by accident.
TEST_F(EndToEnd, AClickOnTheSelectedRecordGivesWayToKeysAndCommands) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  const std::string bank = tmp.File("clicks.xdb2");
  testsupport::WriteFile(bank, BankText("<DataBaseName>Clicks</DataBaseName>",
                                        "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Alpha</record>"
                                        "<record ID=\"3\">Beta</record><record ID=\"4\">Other</record></folder>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Clicks$"), "");
  std::string expected = "F Keep\n  R Alpha\n  R Beta\n  R Other\n";
  // Selects the node of the row, then clicks it again and waits `delay` ms before the keys.
  auto clickSelectedThenKey = [&](int row, int delay, const std::string& keys) {
    d.Click(kTreeX, TreeRow(row));
    Sleep(700);  // no double click
    d.Xdo({"mousemove", "--window", d.Find("^Tessaryn - Clicks$"), std::to_string(kTreeX), std::to_string(TreeRow(row)),
           "click", "1"});
    Sleep(delay);
    d.Xdo({"key", keys});
    Sleep(400);
  };
  auto saved = [&](const std::string& what) {
    d.Key("ctrl+s");
    EXPECT_TRUE(Eventually([&] { return Titles(bank) == expected; }, 10000)) << what << ":\n"
                                                                             << Titles(bank) << "expected:\n"
                                                                             << expected;
  };
  const int delays[] = {300, 600, 1000};
  for (int delay : delays) {
    SCOPED_TRACE(delay);
    clickSelectedThenKey(1, delay, "ctrl+n");
    const std::string title = "N" + std::to_string(delay);
    d.Type(title);
    d.Key("Return");
    expected += "  R " + title + "\n";
    saved("Ctrl+N");
  }
  for (int delay : {300, 1000}) {
    SCOPED_TRACE(delay);
    clickSelectedThenKey(0, delay, "ctrl+shift+n");
    const std::string title = "F" + std::to_string(delay);
    d.Type(title);
    d.Key("Return");
    expected += "  F " + title + "\n";
    saved("Ctrl+Shift+N");

    clickSelectedThenKey(1, delay, "alt+Return");
    EXPECT_TRUE(Eventually([&] { return !d.Find("^Node Properties$").empty(); }, 10000)) << "Alt+Enter";
    d.Shot("e2e-click-then-properties.png");
    d.Key("Escape");
    Eventually([&] { return d.Find("^Node Properties$").empty(); }, 5000);
    d.Focus();
  }
  clickSelectedThenKey(1, 600, "F2");
  d.Type("Renamed");
  d.Key("Return");
  expected.replace(expected.find("R Alpha"), 7, "R Renamed");
  saved("F2");
  for (int delay : {300, 1000}) {
    SCOPED_TRACE(delay);
    const std::string gone = delay == 300 ? "  R Renamed\n" : "  R Beta\n";
    clickSelectedThenKey(1, delay, "ctrl+Delete");
    EXPECT_TRUE(Eventually([&] { return !d.Find("^Confirm$").empty(); }, 10000)) << "Ctrl+Del";
    d.Key("y");
    d.Focus();
    expected.erase(expected.find(gone), gone.size());
    saved("Ctrl+Del");
  }
  // The quick search (F3 shows the box and puts the focus there) finds "N1000" (ID 12); the record clicked
  // keeps its title, and "Q" typed into the code goes into the record found.
  clickSelectedThenKey(1, 300, "F3");
  d.Type("N1000");
  Sleep(1500);
  d.Click(d.Width() * 2 / 3, 150);
  d.Key("ctrl+Home");
  d.Type("Q");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return apptest::XPath(bank, "string(//record[@ID='12']/data)") == "Q"; }, 10000))
      << apptest::XPath(bank, "string(//record[@ID='12']/data)");
  EXPECT_EQ(Titles(bank), expected);
  d.Shot("e2e-click-then-keys.png");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-click-then-keys-asked.png"), "");
}

// The record open when the program ended comes back with its stored caret in view, as when it is
// selected: a record of 40 lines left on line 31 does not show its first lines. Ctrl+PgUp puts the
// caret on the top line of the view, where "X" is typed.
TEST_F(EndToEnd, TheRecordReopenedAtStartShowsItsStoredCaret) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  std::string lines;
  for (int i = 1; i <= 40; ++i) lines += (i > 1 ? "\r\n" : "") + ("line " + std::to_string(i) + ";");
  const std::string bank = tmp.File("long.xdb2");
  testsupport::WriteFile(
      bank, BankText("<LastPosition>2</LastPosition><DataBaseName>Long</DataBaseName>",
                     "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\" XPos=\"1\" YPos=\"31\">"
                     "Long<data>" +
                         lines + "</data></record><record ID=\"3\">Other<data>x</data></record></folder>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Long$"), "");
  d.Key("Return");  // into the code, where its caret was left
  d.Key("ctrl+Prior");
  d.Type("X");
  d.Key("ctrl+s");
  int top = 0;
  EXPECT_TRUE(Eventually(
      [&] {
        const std::string data = apptest::XPath(bank, "string(//record[@ID='2']/data)");
        std::smatch m;
        if (std::regex_search(data, m, std::regex(R"(Xline (\d+);)"))) top = std::stoi(m[1]);
        return top > 0;
      },
      10000));
  d.Shot("e2e-reopened-caret.png");
  // The view holds line 31 and more than that one line.
  EXPECT_GT(top, 1);
  EXPECT_LE(top, 31);
  ASSERT_EQ(d.Exit(), "");
}

// The filter's results as a keyboard and mouse user works in them. After Ctrl+F and Enter the keys
// go on in the results, and the record open before, no result, is closed ("No record selected!"
// takes clicks and keys). The results follow the databank in place: a result renamed there with F2
// and another renamed in the whole tree, a result moved with Ctrl+Shift+Up and one deleted with
// Ctrl+Del there. Each step ends with a letter typed into the code of the record in the results'
// first record row (Enter puts the focus there), so the file tells what that row held.
TEST_F(EndToEnd, FilterResultsFollowTheDatabankAndTakeTheKeys) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  const std::string bank = tmp.File("filter.xdb2");
  testsupport::WriteFile(bank, BankText("<DataBaseName>Filter</DataBaseName>",
                                        "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Alpha one<data>a;</data>"
                                        "</record><record ID=\"3\">Beta<data>b;</data></record><record ID=\"4\">"
                                        "Alpha two<data>c;</data></record></folder><record ID=\"5\">Top<data>t;</data>"
                                        "</record>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Filter$"), "");
  // Rows of the results (below the tabs), and the tabs.
  constexpr int kResultRow0 = 88, kResultRow1 = 106, kResultRow2 = 124;
  constexpr int kTabY = 64, kAllFoldersTab = 38, kResultsTab = 118;
  constexpr int kAllFoldersRow0 = 112;  // the whole tree, below its toolbar, on its page
  auto data = [&](int id) {
    std::string text = apptest::XPath(bank, "string(//record[@ID='" + std::to_string(id) + "']/data)");
    std::erase(text, '\r');
    return text;
  };
  auto typedInto = [&](int id, const std::string& expected, const char* what) {
    d.Key("ctrl+s");
    EXPECT_TRUE(Eventually([&] { return data(id) == expected; }, 10000)) << what << ": " << Outline(bank);
  };

  d.Click(kTreeX, TreeRow(2));  // "Beta" open
  d.Key("ctrl+f");
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Filter Records$").empty(); }, 10000));
  d.Type("Alpha");
  d.Key("Return");
  ASSERT_TRUE(Eventually([&] { return d.Find("^Filter Records$").empty(); }, 10000));
  d.Focus();
  d.Shot("e2e-filter-results.png");
  d.Click(d.Width() * 2 / 3, 150);  // on the curtain: "Beta" is closed
  d.Type("W");
  d.Key("Home");  // the results: the folder, then its first record
  d.Key("Down");
  d.Key("Return");
  d.Type("X");
  typedInto(2, "Xa;", "the keys in the results");
  EXPECT_EQ(data(3), "b;");

  d.Click(kTreeX, kResultRow1);  // "Alpha one", renamed out of the results
  d.Key("F2");
  d.Type("Gamma");
  d.Key("Return");
  d.Click(kAllFoldersTab, kTabY);
  d.Click(kTreeX, kAllFoldersRow0 + 2 * 18);  // "Beta", renamed into them
  d.Key("F2");
  d.Type("Alpha beta");
  d.Key("Return");
  d.Click(kResultsTab, kTabY);
  d.Click(kTreeX, kResultRow1);
  d.Key("Return");
  d.Type("Y");
  typedInto(3, "Yb;", "renamed out of and into the results");
  EXPECT_EQ(apptest::XPath(bank, "string(//record[@ID='2']/text()[1])").find("Gamma"), 0u) << Outline(bank);

  d.Click(kTreeX, kResultRow2);  // "Alpha two", moved above "Alpha beta"
  d.Key("ctrl+shift+Up");
  d.Click(kTreeX, kResultRow1);
  d.Key("Return");
  d.Type("V");
  typedInto(4, "Vc;", "moved");

  d.Click(kTreeX, kResultRow1);  // "Alpha two", deleted
  d.Key("ctrl+Delete");
  EXPECT_TRUE(Eventually([&] { return !d.Find("^Confirm$").empty(); }, 10000)) << "Ctrl+Del";
  d.Key("y");
  d.Focus();
  d.Click(kTreeX, kResultRow1);
  d.Key("Return");
  d.Type("U");
  typedInto(3, "YUb;", "deleted");  // after the "Y", where its caret was left
  EXPECT_EQ(data(4), "");
  d.Click(kTreeX, kResultRow0);
  d.Shot("e2e-filter-followed.png");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-filter-asked.png"), "");
}

// Keywords of 39,998 characters ending in a blank, on the record selected at start: the program
// started and ended without a key typed, with auto-save on and off, asks nothing and the file keeps
// every character. The keywords field used to cut them to 32,767 characters, which auto-save wrote
// into the file, and without auto-save Exit asked whether to save.
TEST_F(EndToEnd, KeywordsOnlyShownAreKeptWhole) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  std::string keywords;
  for (int i = 0; keywords.size() < 39997; ++i) keywords += "key" + std::to_string(i) + (i % 5 ? " " : ", ");
  keywords.resize(39997);
  keywords += ' ';
  const std::string bank = tmp.File("keywords.xdb2");
  for (const bool autoSave : {true, false}) {
    SCOPED_TRACE(autoSave ? "auto-save" : "no auto-save");
    d.WriteSettings(autoSave ? "<AutoSavePeriod>1</AutoSavePeriod>" : "<AutoSave>0</AutoSave>");
    testsupport::WriteFile(bank, BankText("<LastPosition>2</LastPosition><DataBaseName>Keywords</DataBaseName>",
                                          "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept<data>int kept;"
                                          "</data><keywords xml:space=\"preserve\"><![CDATA[" +
                                              keywords + "]]></keywords></record></folder>"));
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Keywords$"), "");
    Sleep(2500);  // more than an auto-save period
    EXPECT_EQ(ExitWithoutQuestion(d, "e2e-keywords-asked.png"), "");
    const std::string kept = apptest::XPath(bank, "string(//record[@ID='2']/keywords)");
    EXPECT_EQ(kept.size(), keywords.size());
    EXPECT_TRUE(kept == keywords) << kept.substr(kept.size() > 40 ? kept.size() - 40 : 0);
  }
}

// A record of 600 lines selected at start, auto-save on (every 2 seconds). Typed into at its start and
// saved with Ctrl+S, then the caret sent to the last line: Exit writes that caret without asking,
// and the next start shows it there (Enter goes into the code, and a letter typed lands after
// "line 600"). An auto-save stores the caret of its moment (back at the start, after another
// letter), and Exit the last one. The close used to write nothing once Ctrl+S had saved, so the
// file kept the caret of the Ctrl+S.
TEST_F(EndToEnd, TheCaretAtCloseIsWrittenWithAutoSave) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSavePeriod>2</AutoSavePeriod>");
  std::string code;
  for (int i = 1; i <= 600; ++i) code += "line " + std::to_string(i) + (i < 600 ? "\n" : "");
  const std::string bank = tmp.File("lines.xdb2");
  testsupport::WriteFile(bank, BankText("<LastPosition>2</LastPosition><DataBaseName>Lines</DataBaseName>",
                                        "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Lines<data>" + code +
                                            "</data></record></folder>"));
  const auto caret = [&] {
    return apptest::XPath(bank, "string(//record[@ID='2']/@XPos)") + "," +
           apptest::XPath(bank, "string(//record[@ID='2']/@YPos)");
  };
  const auto data = [&] { return apptest::XPath(bank, "string(//record[@ID='2']/data)"); };
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Lines$"), "");
  d.Key("Return");  // from the tree into the code, the caret at its start
  d.Type("x");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return data().rfind("xline 1", 0) == 0; })) << data().substr(0, 40);
  EXPECT_EQ(caret(), "2,1");
  d.Key("ctrl+End");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-caret-asked.png"), "");
  EXPECT_EQ(caret(), "9,600");

  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Lines$"), "");
  d.Key("Return");
  d.Type("z");
  d.Key("ctrl+Home");
  std::string stored;
  EXPECT_TRUE(Eventually([&] { return (stored = data()).ends_with("line 600z"); }, 10000)) << stored.substr(0, 40);
  EXPECT_EQ(caret(), "1,1") << "the auto-save's moment";
  d.Key("ctrl+End");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-caret-asked.png"), "");
  EXPECT_EQ(caret(), "10,600");
}

// A databank written by another program: no caret or comments-panel attributes on its records, no
// "expanded" on its folders, records with LF line ends, and the record selected at start inside a
// closed folder (the tree opens it to show it). Nothing touched, over several auto-save periods and
// at Exit, with auto-save on and off: nothing is asked and the file stays byte for byte, with no
// backup beside it. Auto-save used to rewrite it a period after the start (the opened folder counted
// as a change), attributes added and line ends changed.
TEST_F(EndToEnd, AFileOfAnotherProgramOnlyLookedAtStaysAsItWas) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string text = BankText(
      "<LastPosition>5</LastPosition><DataBaseName>Other</DataBaseName>",
      "<folder ID=\"1\">Open<record ID=\"2\">First<data>int a;\nint b;</data><comments>c\nd</comments></record>"
      "</folder><folder ID=\"4\">Closed<record ID=\"5\">Shown<data>int c;\nint d;\n</data>"
      "<keywords>k</keywords></record></folder><record ID=\"6\">Top<data>x\ny</data></record>");
  const std::string bank = tmp.File("other.xdb2");
  for (const bool autoSave : {true, false}) {
    SCOPED_TRACE(autoSave ? "auto-save" : "no auto-save");
    d.WriteSettings(autoSave ? "<AutoSavePeriod>1</AutoSavePeriod>" : "<AutoSave>0</AutoSave>");
    testsupport::WriteFile(bank, text);
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Other$"), "");
    Sleep(3500);
    EXPECT_EQ(testsupport::ReadFile(bank), text) << "written while nothing was touched";
    EXPECT_EQ(ExitWithoutQuestion(d, "e2e-other-asked.png"), "");
    EXPECT_EQ(testsupport::ReadFile(bank), text);
    EXPECT_FALSE(std::filesystem::exists(tmp.File("other.backup")));
  }
}

// Auto-save on; a closed folder opened (Right on it) and another record selected, while another
// program writes the databank's file: Exit asks nothing and leaves the other program's file as it
// is, with no conflict copy beside it, since only the view differed. Opening the folder used to
// count as a change of the databank, and Exit asked what to do about the file changed elsewhere.
TEST_F(EndToEnd, AViewChangeLeavesAFileChangedElsewhereAlone) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("");
  const std::string bank = tmp.File("shared.xdb2");
  testsupport::WriteFile(
      bank, BankText("<LastPosition>2</LastPosition><DataBaseName>Shared</DataBaseName>",
                     "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept<data>int kept;</data></record>"
                     "<record ID=\"3\">Other<data>other</data></record></folder><folder ID=\"4\">Closed"
                     "<record ID=\"5\">Inside<data>inside</data></record></folder>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Shared$"), "");
  d.Click(kTreeX, kOtherRow + 18);  // the closed folder
  d.Key("Right");
  d.Click(kTreeX, kOtherRow);
  d.WindowShot("e2e-view-changed.png");
  const std::string theirs = SmallBank("Theirs");
  testsupport::WriteFile(bank, theirs);
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-view-changed-asked.png"), "");
  EXPECT_EQ(testsupport::ReadFile(bank), theirs);
  EXPECT_TRUE(ConflictCopiesOf(bank).empty());
}

// A start that never shows the window waited for explains itself before the program is killed: the
// windows on the display (the program's own among those shown), a screenshot, and the stacks of its
// threads, the window's thread waiting in its event loop.
TEST_F(EndToEnd, AWindowThatNeverComesIsExplainedAndTheProgramKilled) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = QuietBank(d, tmp, "quiet.xdb2");
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Quiet$"), "");
  const std::string error = d.WaitWindow("^Never shown$", 2000);
  EXPECT_NE(error.find("did not become ready"), std::string::npos) << error;
  EXPECT_NE(error.find("\"Tessaryn - Quiet\""), std::string::npos) << "the window list:\n" << error;
  EXPECT_NE(error.find("Tessaryn - Quiet\n"), std::string::npos) << "the shown windows:\n" << error;
  const std::string shot =
      testsupport::ArtifactDir() + "/EndToEnd-AWindowThatNeverComesIsExplainedAndTheProgramKilled-no-window.png";
  EXPECT_NE(error.find("the screen is kept as " + shot), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::exists(shot));
  EXPECT_NE(error.find("Thread 1"), std::string::npos) << "no stacks:\n" << error;
  EXPECT_NE(error.find("QEventLoop::exec"), std::string::npos) << "the window's thread:\n" << error;
  EXPECT_FALSE(d.Running());
}

// A regular expression in Filter Records (stored as the filter's choice, case sensitivity off) lists
// only the records that hold what it names: the Cyrillic range [а-я] lists "Привет" and not the
// plain ASCII "hello". In the results the record is opened and typed into; Down from it finds no
// other result, so the second key goes into it too.
TEST_F(EndToEnd, FilterExpressionListsOnlyTheRecordsThatHoldWhatItNames) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  const std::string bank = tmp.File("scripts.xdb2");
  testsupport::WriteFile(bank,
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
                         "<DataBaseName>Scripts</DataBaseName><RecordSearchSearchType>3</RecordSearchSearchType>"
                         "<RecordSearchCaseSensitive>false</RecordSearchCaseSensitive></settings>"
                         "<record ID=\"2\">Привет<data>Привет</data></record>"
                         "<record ID=\"3\">hello<data>hello</data></record></dataroot>");
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Scripts$"), "");
  constexpr int kResultRow0 = 88;
  auto data = [&](int id) {
    std::string text = apptest::XPath(bank, "string(//record[@ID='" + std::to_string(id) + "']/data)");
    std::erase(text, '\r');
    return text;
  };
  d.Click(kTreeX, TreeRow(0));
  d.Key("ctrl+f");
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Filter Records$").empty(); }, 10000));
  d.Type("[а-я]");
  d.Key("Return");
  ASSERT_TRUE(Eventually([&] { return d.Find("^Filter Records$").empty(); }, 10000));
  d.Focus();
  d.Shot("e2e-filter-cyrillic.png");
  d.Click(kTreeX, kResultRow0);
  d.Key("Return");
  d.Type("X");
  d.Click(kTreeX, kResultRow0);
  d.Key("Down");
  d.Key("Return");
  d.Type("Y");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return data(2) == "XYПривет"; }, 10000)) << Outline(bank);
  EXPECT_EQ(data(3), "hello");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-filter-cyrillic-asked.png"), "");
}

// Keys go where the user meant them at once. Return on a record and typing straight on, with no
// delay, puts every character into its code, 20 times over; a click on the selected record followed,
// 0.3, 0.4 or 0.6 s later, by Return and typing does the same (the label editor the click may have
// opened meanwhile closes unchanged); a click on the empty area below the nodes leaves nothing
// selected and Ctrl+Shift+N then makes a top-level folder that takes the title typed next.
TEST_F(EndToEnd, KeysRightAfterReturnOrAClickReachWhereTheyAreMeant) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  const std::string bank = tmp.File("return.xdb2");
  testsupport::WriteFile(bank, BankText("<DataBaseName>Return</DataBaseName>",
                                        "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Alpha<data>a;</data>"
                                        "</record><record ID=\"3\">Second<data>b;</data></record></folder>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Return$"), "");
  const std::string window = d.Find("^Tessaryn - Return$");
  auto data = [&](int id) {
    std::string text = apptest::XPath(bank, "string(//record[@ID='" + std::to_string(id) + "']/data)");
    std::erase(text, '\r');
    return text;
  };
  std::string alpha, second;  // typed into each, in order
  for (int run = 0; run < 20; ++run) {
    const std::string text = "<s" + std::to_string(run) + ">";
    d.Click(kTreeX, TreeRow(run % 2 == 0 ? 1 : 2));
    d.Xdo({"key", "Return", "type", "--delay", "0", text});
    Sleep(300);
    (run % 2 == 0 ? alpha : second) += text;
  }
  for (int delay : {300, 400, 600}) {
    const std::string text = "T" + std::to_string(delay);
    d.Click(kTreeX, TreeRow(2));
    Sleep(700);
    d.Click(kTreeX, TreeRow(1));
    Sleep(700);  // no double click
    d.Xdo({"mousemove", "--window", window, std::to_string(kTreeX), std::to_string(TreeRow(1)), "click", "1"});
    Sleep(delay);
    d.Key("Return");
    d.Type(text);
    alpha += text;
  }
  d.Click(kTreeX, TreeRow(8));  // below the last node
  d.Key("ctrl+shift+n");
  d.Type("MyFolder");
  d.Key("Return");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return data(2) == alpha + "a;" && data(3) == second + "b;"; }, 10000))
      << "Alpha: " << data(2) << "\nSecond: " << data(3);
  EXPECT_EQ(Titles(bank), "F Keep\n  R Alpha\n  R Second\nF MyFolder\n");
  d.Shot("e2e-keys-after-return.png");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-keys-after-return-asked.png"), "");
}

// Every command from the keyboard, with the filter's results in front. F10 opens the main menu at its
// button, its first item chosen, and the arrows reach every item (DataBank Info, the bookmarks
// submenu). Ctrl+Tab goes from the code to the comments, to the keywords field (shown as it is
// reached) and on to the results; from the results' tab strip it goes on to the results, never
// turning the strip's pages (the last of which clears the filter). The results have the tree's menu
// (Shift+F10, the Menu key: its last item duplicates). A result renamed so that it no longer matches
// stays selected and open, in the whole tree. The file tells where each key went.
TEST_F(EndToEnd, TheKeyboardReachesEveryCommandAndCtrlTabKeepsTheFilter) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  const std::string bank = tmp.File("keyboard.xdb2");
  const std::string text =
      BankText("<DataBaseName>Keyboard</DataBaseName>",
               "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">kbd one<data>1;</data></record><record ID=\"3\">"
               "other<data>2;</data></record><record ID=\"4\">kbd two<data>3;</data></record><record ID=\"5\">"
               "kbd three<data>4;</data></record></folder>");
  testsupport::WriteFile(bank, text);
  const std::string copy = tmp.File("menu.xdb2");  // the probe that reads the menu saves what it opened
  testsupport::WriteFile(copy, text);
  const int infoSteps = MenuSteps(copy, "DataBank Info", false);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Keyboard$"), "");
  auto value = [&](const std::string& path) {
    std::string v = apptest::XPath(bank, "string(" + path + ")");
    std::erase(v, '\r');
    return v;
  };

  d.Key("F10");  // the first item is chosen: one step less than from a click
  for (int i = 1; i < infoSteps; ++i) d.Key("Down");
  d.Key("Return");
  EXPECT_TRUE(Eventually([&] { return !d.Find("^Bank Info$").empty(); }, 10000)) << "F10, DataBank Info";
  d.Key("Escape");
  Eventually([&] { return d.Find("^Bank Info$").empty(); }, 5000);
  d.Focus();

  d.Click(kTreeX, TreeRow(0));
  d.Key("ctrl+f");
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Filter Records$").empty(); }, 10000));
  d.Type("kbd");
  d.Key("Return");
  ASSERT_TRUE(Eventually([&] { return d.Find("^Filter Records$").empty(); }, 10000));
  d.Focus();
  d.Key("Home");  // the results: the folder, then "kbd one"
  d.Key("Down");
  d.Key("Return");
  d.Type("A");
  d.Key("ctrl+Tab");  // the comments
  d.Type("B");
  d.Key("ctrl+Tab");  // the keywords field
  d.Type("kw");
  d.Key("ctrl+Tab");  // the results: "kbd two" next
  d.Key("Down");
  d.Key("Return");
  d.Type("C");
  d.Key("ctrl+shift+Tab");  // back to the results, then onto their tab strip and on again
  d.Key("shift+Tab");
  d.Shot("e2e-keyboard-tab-strip.png");
  d.Key("ctrl+Tab");
  d.Key("Down");  // "kbd three"
  d.Key("Return");
  d.Type("D");
  d.Key("ctrl+shift+Tab");
  d.Key("shift+F10");  // Duplicate Node, the menu's last item: the copy lands selected
  d.Key("Up");
  d.Key("Return");
  d.Key("Menu");
  d.Key("Up");
  d.Key("Return");
  d.Key("F2");  // the second copy, renamed out of the results
  d.Key("ctrl+a");
  d.Type("Gone");
  d.Key("Return");
  d.Key("Return");
  d.Type("R");
  d.Key("F10");
  for (const char* item : {"Exit", "About", "Configuration", "Bookmarks"}) {
    (void)item;
    d.Key("Up");  // round from the first item to the last and up
  }
  d.Key("Right");  // Save Bookmark ...
  d.Key("Return");
  EXPECT_TRUE(Eventually([&] { return !d.Find("^Save Bookmark$").empty(); }, 10000)) << "the bookmarks submenu";
  d.Key("Return");
  Eventually([&] { return d.Find("^Save Bookmark$").empty(); }, 5000);
  d.Focus();
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return value("//record[@ID='2']/data") == "A1;"; }, 10000)) << Outline(bank);
  EXPECT_EQ(value("//record[@ID='2']/comments"), "B");
  EXPECT_EQ(value("//record[@ID='2']/keywords"), "kw");
  EXPECT_EQ(value("//record[@ID='4']/data"), "C3;");
  EXPECT_EQ(value("//record[@ID='5']/data"), "D4;");
  EXPECT_EQ(value("count(//record[normalize-space(text()[1])='kbd three'])"), "2") << Outline(bank);
  const std::string gone = value("//record[normalize-space(text()[1])='Gone']/@ID");
  EXPECT_EQ(value("//record[@ID='" + gone + "']/data"), "DR4;") << Outline(bank);  // the copy keeps the caret
  EXPECT_EQ(value("//lists/bookmarks/bookmark/ID"), gone) << Outline(bank);
  d.Shot("e2e-keyboard-every-command.png");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-keyboard-asked.png"), "");
}

// A large Duplicate is made beside the window, and the window stays as the user left it meanwhile.
// Ten times over, with the tree scrolled halfway down. In even runs nothing is touched: the copy,
// once there, is selected. In odd runs a click during the copy selects the record under the pointer,
// and what is typed into it goes into that record to the last key: the copy goes in without taking
// the selection. Each copy is the last node, where End and Ctrl+Del take it away again; the file
// tells where each click and each key went. The copy used to take the selection whenever it came,
// and the keys typed after that went to the tree.
TEST_F(EndToEnd, ALargeDuplicateKeepsTheViewAndWhatIsTypedMeanwhile) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup>");
  // "Keep" (open): the records "Row 00" to "Row 39" (IDs 100 on), the folder "Big" of 60,000 records
  // (a copy that size is made beside the window, over a second or so here), "Row 40" to "Row 49".
  std::string nodes = "<folder ID=\"1\" expanded=\"1\">Keep";
  auto row = [&](int i) {
    char title[16];
    std::snprintf(title, sizeof title, "Row %02d", i);
    nodes += "<record ID=\"" + std::to_string(100 + i) + "\">" + title + "<data>r;</data></record>";
  };
  for (int i = 0; i < 40; ++i) row(i);
  nodes += "<folder ID=\"2\">Big";
  for (int i = 0; i < 60000; ++i)
    nodes += "<record ID=\"" + std::to_string(1000 + i) + "\">B" + std::to_string(i) + "<data>b;</data></record>";
  nodes += "</folder>";
  for (int i = 40; i < 50; ++i) row(i);
  nodes += "</folder>";
  const std::string bank = tmp.File("duplicate.xdb2");
  testsupport::WriteFile(bank, BankText("<DataBaseName>Duplicate</DataBaseName>", nodes, 70000));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Duplicate$"), "");
  const std::string window = d.Find("^Tessaryn - Duplicate$");
  // Whether the code editor shows (a record is open), or the curtain over it (a folder is selected).
  const std::string shot = tmp.File("editor.png");
  auto editorShows = [&] {
    RunProcess(testsupport::ProbePath("xshot"), {shot, window});
    const QImage image(QString::fromStdString(shot));
    return !image.isNull() && image.pixel(image.width() * 2 / 3, image.height() / 2) == qRgb(255, 255, 255);
  };
  // The view holds 25 rows. End shows the last node on its last row; ten rows above it is "Big",
  // and eight above that "Row 32". Keep, above the view, is none of them.
  auto data = [&](int id) {
    std::string text = apptest::XPath(bank, "string(//record[@ID='" + std::to_string(id) + "']/data)");
    std::erase(text, '\r');
    return text;
  };
  auto copies = [&] { return apptest::XPath(bank, "count(/dataroot/folder/folder)"); };
  std::string typed;
  int typedDuringTheCopy = 0;
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE(run);
    d.Click(kTreeX, TreeRow(0));
    d.Key("End");
    d.Xdo({"key", "--delay", "30", "Up", "Up", "Up", "Up", "Up", "Up", "Up", "Up", "Up", "Up"});
    Sleep(400);
    d.Key("shift+F10");  // the menu of "Big": its last item is Duplicate Node
    d.Key("Up");
    d.Key("Return");
    if (run == 0) d.Shot("e2e-duplicate-meanwhile.png");
    if (run % 2 == 0) {
      EXPECT_TRUE(Eventually([&] { return !editorShows(); }, 60000)) << "the copy did not come";
      if (run == 0) d.Shot("e2e-duplicate-landed.png");
    } else {
      d.Xdo({"mousemove", "--window", window, std::to_string(kTreeX), std::to_string(TreeRow(6)), "click", "1"});
      const std::string text = "<d" + std::to_string(run) + ">";
      d.Xdo({"key", "Return", "type", "--delay", "20", text});
      typed += text;
      // Saved at once: a file without the copy was saved before it came.
      d.Key("ctrl+s");
      EXPECT_TRUE(Eventually([&] { return data(132) == typed + "r;"; }, 30000)) << data(132);
      if (copies() == "1") ++typedDuringTheCopy;
      EXPECT_TRUE(Eventually(
          [&] {
            Sleep(1000);
            d.Key("ctrl+s");
            Sleep(1000);
            return copies() == "2";
          },
          60000))
          << "the copy did not come";
      EXPECT_TRUE(editorShows()) << "the copy took the selection from the record typed into";
      if (run == 1) d.Shot("e2e-duplicate-landed-beside.png");
    }
    d.Click(kTreeX, TreeRow(0));
    d.Key("End");  // the copy, the last node
    d.Key("ctrl+Delete");
    EXPECT_TRUE(Eventually([&] { return !d.Find("^Confirm$").empty(); }, 10000)) << "Ctrl+Del";
    d.Key("y");
    d.Focus();
  }
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return data(132) == typed + "r;"; }, 30000)) << data(132);
  EXPECT_GE(typedDuringTheCopy, 1);
  // Nothing else was typed into, nothing else deleted.
  EXPECT_EQ(apptest::XPath(bank, "count(//record[data='r;'])"), "49");
  EXPECT_EQ(apptest::XPath(bank, "count(/dataroot/folder/folder)"), "1");
  EXPECT_EQ(apptest::XPath(bank, "count(/dataroot/folder/folder/record)"), "60000");
  EXPECT_EQ(ExitWithoutQuestion(d, "e2e-duplicate-asked.png"), "");
}
