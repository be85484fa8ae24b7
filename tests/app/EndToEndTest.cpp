// The real program under a real X server (Xvfb; some tests add a window manager, openbox), driven
// from outside with xdotool as a person drives it; the files it leaves are read with the probes and
// xmllint. Each test ends with a picture of the screen under the artifacts folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "EndToEndDesktop.h"

using namespace e2e;

// A fresh program opens its sample on the first run and the last databank afterwards; a file named
// on the command line is opened instead.
TEST_F(EndToEnd, FirstRunShowsTheSampleThenTheLastDatabank) {
  REQUIRE_DESKTOP(d);
  fs::copy_file(std::string(TESSARYN_SOURCE_DIR) + "/resources/about.xdb2", d.Folder() + "/about.xdb2");
  ASSERT_EQ(d.Start({}, "^Tessaryn - About Tessaryn$"), "");
  EXPECT_TRUE(fs::exists(d.SettingsFile()));  // written on the first run
  d.Shot("e2e-first-run.png");
  // The README's picture: the sample's C/C++ example, reached through the tree.
  d.Click(90, 84);  // the first record
  for (int i = 0; i < 6; ++i) d.Key("Down");
  d.Key("Right");
  d.Key("Down");
  EXPECT_EQ(d.Title(), "Tessaryn - About Tessaryn");
  d.WindowShot("main-window.png");
  ASSERT_EQ(d.Exit(), "");

  ASSERT_EQ(d.Start({}, "^Tessaryn - About Tessaryn$"), "");
  ASSERT_EQ(d.Exit(), "");

  const std::string other = tmp.File("other.xdb2");
  testsupport::WriteFile(other, SmallBank("Other Bank"));
  ASSERT_EQ(d.Start({other}, "^Tessaryn - Other Bank$"), "");
  ASSERT_EQ(d.Exit(), "");
  EXPECT_NE(apptest::XPath(d.SettingsFile(), "string(/dataroot/LastOpened)").find("other.xdb2"), std::string::npos);
}

// A folder and a record made, renamed and given a language through the keyboard, saved and found
// again in the file and in the program.
TEST_F(EndToEnd, MakeRenameAndSetTheLanguageOfAFolderAndARecord) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("bank.xdb2");
  testsupport::WriteFile(bank, SmallBank("Scenario"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Scenario$"), "");
  d.Key("Home");  // the tree has the focus: its first node, the folder "Keep"
  d.Key("space");
  d.Key("ctrl+shift+n");  // New Folder inside it
  d.Type("Draft folder");
  d.Key("Return");
  d.Key("ctrl+n");  // New Record in it
  d.Type("Draft");
  d.Key("Return");
  d.Key("F2");
  d.Type("Hello");
  d.Key("Return");
  d.Key("alt+Return");  // Node Properties: the language
  ASSERT_NE(d.Find("^Node Properties$"), "");
  d.Key("Tab");
  d.Type("Py");
  d.Key("Return");
  d.Focus();
  d.Key("Left");  // up to the folder
  d.Key("F2");
  d.Type("Scripts");
  d.Key("Return");
  d.Key("ctrl+s");
  d.Shot("e2e-make-rename-language.png");
  ASSERT_EQ(d.Exit(), "");

  const std::string outline = Outline(bank);
  EXPECT_NE(outline.find("  F 10 Scripts\n    R 11 Hello lang=9"), std::string::npos) << outline;
  EXPECT_NE(outline.find("  R 2 Kept lang=0 data=9"), std::string::npos) << outline;
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Scenario$"), "");
  ASSERT_EQ(d.Exit(), "");
  EXPECT_EQ(Outline(bank), outline);
}

// A password and compression set through the menus; the file is then a zip archive holding the
// cipher layer, and the program opens it again after asking for the password.
TEST_F(EndToEnd, PasswordAndCompressionAreSavedAndOpenedAgain) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("secret.xdb2");
  testsupport::WriteFile(bank, SmallBank("Secret Bank"));
  const int compress = MenuSteps(bank, "Compress Saved Data", false);
  const int setPassword = MenuSteps(bank, "Set Password", true);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Secret Bank$"), "");
  d.MainMenu(compress);
  d.Focus();
  d.MainMenu(setPassword);  // the set-password dialog has the focus
  d.Type("pa55 word");
  d.Key("Tab");
  d.Type("pa55 word");
  d.Key("Return");
  d.Focus();
  d.Key("ctrl+s");
  d.Shot("e2e-password-compression.png");
  ASSERT_EQ(d.Exit(), "");

  EXPECT_EQ(testsupport::ReadFile(bank).substr(0, 4), std::string("PK\x03\x04", 4));
  const auto decoded = RunProcess(testsupport::ProbePath("xdbprobe"), {"decode", "--password", "pa55 word", bank});
  ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
  EXPECT_NE(decoded.out.find("<DataBaseName>Secret Bank</DataBaseName>"), std::string::npos) << decoded.out;
  EXPECT_NE(decoded.out.find("int kept;"), std::string::npos);

  ASSERT_EQ(d.Start({bank}, "Password"), "");  // the password prompt first
  d.Type("pa55 word");
  d.Key("Return");
  ASSERT_EQ(d.WaitWindow("^Tessaryn - Secret Bank$"), "") << d.Output();
  d.Shot("e2e-password-reopened.png");
  ASSERT_EQ(d.Exit(), "");
}

namespace {

// A databank large enough that saving it takes a while: 15,000 records, enciphered ("pw") and
// compressed.
void WriteLargeBank(const std::string& bank) {
  std::string nodes;
  std::mt19937 rng(7);
  int id = 1;
  for (int f = 0; f < 60; ++f) {
    nodes += "<folder ID=\"" + std::to_string(id++) + "\">Folder " + std::to_string(f);
    for (int r = 0; r < 250; ++r) {
      nodes += "<record ID=\"" + std::to_string(id++) + "\">Record<data>";
      for (int i = 0; i < 200; ++i) nodes += char('a' + rng() % 26), nodes += (i % 9 == 8 ? ' ' : 'x');
      nodes += "</data></record>";
    }
    nodes += "</folder>";
  }
  WriteBank(BankText("<DataBaseName>Large</DataBaseName>", nodes, 100000), bank, "pw", true);
}

// Whether a save is writing the file now: its temporary file lies beside it.
bool WritingLargeBank(const testsupport::TempDir& tmp) {
  for (const auto& e : fs::directory_iterator(tmp.Path()))
    if (e.path().filename().string().rfind(".large.", 0) == 0) return true;
  return false;
}

}  // namespace

// Killed again and again in the middle of saving a large databank: the file on disk is always the old
// or the new databank, and the next start leaves no temporary file beside it.
TEST_F(EndToEnd, KilledWhileSavingLeavesTheOldOrTheNewDatabank) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("large.xdb2");
  WriteLargeBank(bank);
  auto start = [&] {
    std::string error = d.Start({bank}, "Password");
    if (!error.empty()) return error;
    d.Type("pw");
    d.Key("Return");
    return d.WaitWindow("^Tessaryn - Large$");
  };
  std::mt19937 rng(11);
  int folders = 0, cutOff = 0;
  for (int round = 0; round < 6; ++round) {
    ASSERT_EQ(start(), "");
    d.Key("Home");
    d.Key("space");
    d.Key("ctrl+shift+n");
    d.Type("Round");
    d.Key("Return");
    auto writing = [&] { return WritingLargeBank(tmp); };
    d.Xdo({"key", "ctrl+s"});
    if (round % 2 == 0) {
      // Killed while the file is being written (its temporary file is there) ...
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!writing() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    } else {
      Sleep(int(rng() % 1500));  // ... or at any moment of the save
    }
    d.Kill();
    if (writing()) ++cutOff;
    const std::string outline = Outline(bank, "pw");
    ASSERT_EQ(outline.rfind("FAILED", 0), std::string::npos) << "round " << round << ": " << outline;
    int rounds = 0;
    for (size_t at = 0; (at = outline.find("Round", at)) != std::string::npos; ++at) ++rounds;
    EXPECT_TRUE(rounds == folders || rounds == folders + 1) << "round " << round << ": " << rounds;
    folders = rounds;
  }
  EXPECT_GE(cutOff, 1) << "no save was cut off while its file was written";
  ASSERT_EQ(start(), "");
  for (const auto& e : fs::directory_iterator(tmp.Path()))
    EXPECT_EQ(e.path().filename().string().rfind(".large.", 0), std::string::npos) << e.path();
  d.Shot("e2e-killed-while-saving.png");
  ASSERT_EQ(d.Exit(), "");
  EXPECT_EQ(Outline(bank, "pw").rfind("FAILED", 0), std::string::npos);
}

// A signal while a long save is being written (a large databank, zipped and enciphered): the program
// waits for that save, then ends without writing the same databank again. Each save copies the file
// it replaces to the backup, so the backup still holds the databank as it was opened.
TEST_F(EndToEnd, ASignalDuringALongSaveEndsWithoutWritingTheSameAgain) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("large.xdb2");
  WriteLargeBank(bank);
  const std::string opened = testsupport::ReadFile(bank);
  ASSERT_EQ(d.Start({bank}, "Password"), "");
  d.Type("pw");
  d.Key("Return");
  ASSERT_EQ(d.WaitWindow("^Tessaryn - Large$"), "") << d.Output();
  d.Key("Home");
  d.Key("space");
  d.Key("ctrl+shift+n");
  d.Type("Round");
  d.Key("Return");
  d.Xdo({"key", "ctrl+s"});
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!WritingLargeBank(tmp) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  d.Signal(SIGTERM);
  const bool writing = WritingLargeBank(tmp);
  ASSERT_EQ(d.WaitExit(), "");
  EXPECT_TRUE(writing) << "the save had ended before the signal";
  EXPECT_NE(Outline(bank, "pw").find("Round"), std::string::npos);
  EXPECT_TRUE(testsupport::ReadFile(tmp.File("large.backup")) == opened) << "the databank was written twice";
}

namespace {

std::string TwoRecords(const std::string& name) {
  return BankText("<LastPosition>2</LastPosition><DataBaseName>" + name + "</DataBaseName>",
                  "<folder ID=\"1\" expanded=\"1\">Keep<HighLight>4</HighLight><record ID=\"2\" Image=\"20\">Kept"
                  "<data>int kept = 42;</data><comments>about it</comments><keywords>k1 k2</keywords></record>"
                  "<record ID=\"3\">Other<data>other text with a needle in it</data></record></folder>");
}

// The code of record 2 of such a databank as its file holds it, in the editor's line ends.
std::string KeptRecordCode(const std::string& bank) {
  std::string text = apptest::XPath(bank, "string(//record[@ID='2']/data)");
  std::erase(text, '\r');
  return text;
}

// A profile that auto-saves every `period` seconds and makes no backups.
void AutoSaveEvery(Desktop& d, int period) {
  d.WriteSettings("<AutoSave>1</AutoSave><AutoSavePeriod>" + std::to_string(period) +
                  "</AutoSavePeriod><MakeBackup>0</MakeBackup>");
}

// Six lines typed at 40 ms a key, each added to `expected`; each new state of the file seen between
// them is added to `versions`.
void TypeLinesWatchingTheFile(Desktop& d, const std::string& bank, std::string& expected,
                              std::vector<std::string>& versions) {
  for (int line = 0; line < 6; ++line) {
    const std::string text = "line" + std::to_string(line) + "_abcdefghijklmnopqrstuvwxyz0123456789";
    d.Xdo({"key", "Return"});
    d.Xdo({"type", "--delay", "40", text});
    expected += "\n" + text;
    if (KeptRecordCode(bank) != versions.back()) versions.push_back(KeptRecordCode(bank));
  }
}

}  // namespace

// The databank named on the command line, its record typed into and saved with Ctrl+S: the file holds
// the text, and everything else of the record is as it was.
TEST_F(EndToEnd, TypedCodeIsInTheFileAfterCtrlS) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("typing.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Typing"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Typing$"), "");  // the record selected last time is open
  d.Click(d.Width() * 2 / 3, 150);                        // into the code
  d.Key("ctrl+End");
  d.Type(" // typed");
  d.Key("ctrl+s");
  auto read = [&](const std::string& path) {
    return apptest::XPath(bank, path.rfind("normalize", 0) == 0 ? path : "string(" + path + ")");
  };
  EXPECT_TRUE(Eventually([&] { return read("//record[@ID='2']/data") == "int kept = 42; // typed"; }))
      << read("//record[@ID='2']/data");
  d.Shot("e2e-typed-and-saved.png");
  EXPECT_EQ(read("normalize-space(//record[@ID='2']/text()[1])"), "Kept");
  EXPECT_EQ(read("//record[@ID='2']/comments"), "about it");
  EXPECT_EQ(read("//record[@ID='2']/keywords"), "k1 k2");
  EXPECT_EQ(read("//record[@ID='2']/@Image"), "20");
  EXPECT_EQ(read("//record[@ID='2']/HighLight"), "");  // still inherits its folder's
  EXPECT_EQ(read("//folder[@ID='1']/HighLight"), "4");
  EXPECT_EQ(read("//record[@ID='3']/data"), "other text with a needle in it");
  ASSERT_EQ(d.Exit(), "");
}

// A databank 100,000 folders deep, every folder open and the deepest record selected last time: the
// real program shows it, saves it (after a letter typed into the record: a databank that did not
// change is not written), quits and opens it again (Qt lays an open branch out one call per level;
// the items were torn down the same way; the file was written with two blanks per level).
TEST_F(EndToEnd, HundredThousandNestedOpenFoldersShowSaveQuitAndReopen) {
  REQUIRE_DESKTOP(d);
  const int depth = 100000;
  const std::string deepest = std::to_string(depth + 1);
  std::string xml =
      "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot><settings><DataBaseName>Deep</DataBaseName>"
      "<LastPosition>" +
      deepest + "</LastPosition></settings>";
  for (int i = 1; i <= depth; ++i) xml += "<folder ID='" + std::to_string(i) + "' expanded='1'>F";
  xml += "<record ID='" + deepest + "'>Deepest<data>int deepest;</data></record>";
  for (int i = 0; i < depth; ++i) xml += "</folder>";
  xml += "</dataroot>";
  const std::string bank = tmp.File("deep.xdb2");
  testsupport::WriteFile(bank, xml);

  // A crash report is a stack of 100,000 frames: its head tells enough.
  std::string started = d.Start({bank}, "^Tessaryn - Deep$", 300000);
  ASSERT_TRUE(started.empty()) << started.substr(0, 3000);
  d.Click(d.Width() * 2 / 3, 150);  // into the code, past the end of its line
  d.Type("x");
  d.Key("ctrl+s");
  d.Shot("e2e-deep-tree.png");
  ASSERT_EQ(d.Exit(), "");
  const std::string saved = testsupport::ReadFile(bank);
  EXPECT_NE(saved.find("\r\n" + std::string(128, ' ') + "<folder ID='" + std::to_string(depth) + "' expanded='1'>"),
            std::string::npos);
  EXPECT_EQ(saved.find(std::string(129, ' ')), std::string::npos);
  EXPECT_LT(saved.size(), size_t{depth} * 400);
  EXPECT_NE(saved.find("<LastPosition>" + deepest + "</LastPosition>"), std::string::npos);

  started = d.Start({bank}, "^Tessaryn - Deep$", 300000);
  ASSERT_TRUE(started.empty()) << started.substr(0, 3000);
  ASSERT_EQ(d.Exit(), "");
  const std::string reopened = testsupport::ReadFile(bank);
  EXPECT_NE(reopened.find("<data>int deepest;"), std::string::npos);
  EXPECT_NE(reopened.find("x</data>"), std::string::npos);  // where the click put the caret
}

// The tree filtered, a match opened and printed through the print dialog into a PDF file.
TEST_F(EndToEnd, FilterOpenAMatchAndPrintItToPdf) {
  REQUIRE_DESKTOP(d);
  REQUIRE_TOOL(pdftotext, "pdftotext");
  const std::string bank = tmp.File("print.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Printing"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Printing$"), "");
  d.Key("ctrl+f");
  ASSERT_NE(d.Find("^Filter Records$"), "");
  d.Type("needle");
  d.Key("Return");
  d.Focus();
  d.Click(90, 105);  // the match "Other" in the results, below its folder: it opens
  d.Click(d.Width() * 2 / 3, 150);
  d.Key("ctrl+p");
  ASSERT_NE(d.Find("^Print$"), "");
  const std::string pdf = tmp.File("printed.pdf");
  d.Key("alt+f");  // "Output file"
  d.Key("ctrl+a");
  d.Type(pdf);
  d.Key("Return");
  ASSERT_TRUE(Eventually([&] { return fs::exists(pdf) && fs::file_size(pdf) > 0 && !d.Find("^Print$").size(); }));
  d.Focus();
  d.Shot("e2e-filter-print.png");
  ASSERT_EQ(d.Exit(), "");
  const auto text = RunProcess(pdftotext, {pdf, "-"});
  EXPECT_NE(text.out.find("other text with a needle in it"), std::string::npos) << text.out << text.err;
  EXPECT_EQ(text.out.find("int kept"), std::string::npos) << text.out;  // the match, not the record open before
}

// Ended by the system (SIGTERM at shutdown, SIGINT from the terminal, SIGHUP when it closes) in the
// middle of an edit: the program closes as at a log-out, and the edit is in the file.
TEST_F(EndToEnd, EndedBySignalsKeepsTheEditInTheFile) {
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("signals.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Signals"));
  std::string expected = "int kept = 42;";
  for (const auto& [signal, text] : {std::pair{SIGTERM, " // one"}, {SIGINT, " // two"}, {SIGHUP, " // three"}}) {
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Signals$"), "");
    d.Click(d.Width() * 2 / 3, 150);
    d.Key("ctrl+End");
    d.Type(text);
    d.Signal(signal);
    ASSERT_EQ(d.WaitExit(), "") << strsignal(signal);
    expected += text;
    EXPECT_EQ(apptest::XPath(bank, "string(//record[@ID='2']/data)"), expected) << strsignal(signal);
  }
}

// A settings file the user may not read: the program says so in a box, runs with default settings and
// leaves the file as it was. A damaged one (thousands of unclosed tags) is kept as ".bad", which a box
// says (once: the next start is quiet), and the program quits quickly with small, empty-based
// settings written in its place.
TEST_F(EndToEnd, UnreadableOrDamagedSettingsStartWithDefaults) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file another user cannot read";
  REQUIRE_TOOL(setpriv, "setpriv");
  REQUIRE_DESKTOP(d);
  fs::permissions(tmp.Path(), fs::perms::all, fs::perm_options::add);
  fs::permissions(d.Folder(), fs::perms::all, fs::perm_options::add);
  const std::string bank = tmp.File("settings.xdb2");
  testsupport::WriteFile(bank, SmallBank("Settings Test"));
  ASSERT_EQ(::chown(bank.c_str(), 65534, 65534), 0);  // the user's own databank, saved at the end
  const std::string settings = d.SettingsFile();
  const std::string unreadable = "<dataroot><StartMinimized>1</StartMinimized></dataroot>";
  testsupport::WriteFile(settings, unreadable);
  fs::permissions(settings, fs::perms::none);

  // Each part in its own lambda, so that a failed start of the first still tries the second.
  [&] {
    ASSERT_EQ(d.StartAsOrdinaryUser({bank}, "^Tessaryn$", setpriv), "") << d.Output();
    d.Shot("e2e-settings-unreadable.png");
    d.Key("Return");
    ASSERT_EQ(d.WaitWindow("^Tessaryn - Settings Test$"), "") << d.Output();
    ASSERT_EQ(d.Exit(), "");
  }();
  EXPECT_EQ(testsupport::ReadFile(settings), unreadable);
  EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all, fs::perms::none);
  EXPECT_FALSE(fs::exists(settings + ".bad"));

  std::string damaged = "<?xml version=\"1.0\"?>\r\n<dataroot><StartMinimized>1</StartMinimized>";
  for (int i = 0; i < 5000; ++i) damaged += "<a>";
  fs::permissions(settings, fs::perms::owner_read | fs::perms::owner_write);
  testsupport::WriteFile(settings, damaged);
  [&] {
    ASSERT_EQ(d.Start({bank}, "^Tessaryn$"), "") << "the damaged file was replaced without a word";
    EXPECT_TRUE(fs::exists(settings + ".bad"));
    d.Shot("e2e-settings-damaged.png");
    d.Key("Return");
    ASSERT_EQ(d.WaitWindow("^Tessaryn - Settings Test$"), "") << d.Output();
    const auto quit = std::chrono::steady_clock::now();
    ASSERT_EQ(d.Exit(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - quit, std::chrono::seconds(20));
  }();
  [&] {
    ASSERT_EQ(d.Start({bank}, "^(Tessaryn|Tessaryn - Settings Test)$"), "");
    EXPECT_TRUE(d.Find("^Tessaryn$").empty()) << "told again";
    ASSERT_EQ(d.WaitWindow("^Tessaryn - Settings Test$"), "");
    ASSERT_EQ(d.Exit(), "");
  }();
  EXPECT_EQ(testsupport::ReadFile(settings + ".bad"), damaged);
  EXPECT_LT(fs::file_size(settings), 64u * 1024);
  EXPECT_EQ(testsupport::ReadFile(settings).find("<a>"), std::string::npos);
  EXPECT_NE(apptest::XPath(settings, "string(/dataroot/LastOpened)").find("settings.xdb2"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// A desktop user's keyboard: the tree, the history boxes, the dialogs (with a window manager, as a
// desktop has one, unless a test says otherwise).

namespace {

// A folder "Many" of `records` records "R1", "R2", ... (IDs 2, 3, ...), open, selected at the start.
std::string ManyRecords(const std::string& name, int records, const std::string& settings = "") {
  std::string nodes = "<folder ID=\"1\" expanded=\"1\">Many";
  for (int r = 1; r <= records; ++r)
    nodes += "<record ID=\"" + std::to_string(r + 1) + "\">R" + std::to_string(r) + "<data>text " + std::to_string(r) +
             "</data></record>";
  return BankText("<LastPosition>1</LastPosition><DataBaseName>" + name + "</DataBaseName>" + settings,
                  nodes + "</folder>", records + 10);
}

// The ID of the record titled title in the file, -1 when there is none.
int IdOfTitle(const std::string& bank, const std::string& title) {
  const std::string id = apptest::XPath(bank, "string(//record[normalize-space(text()[1])='" + title + "']/@ID)");
  return id.empty() ? -1 : std::stoi(id);
}

}  // namespace

// Keys that move the selection keep it in view (End, Home, Down, Page Down), seen by clicking a row
// near the top of the tree afterwards; the Menu key and Shift+F10 open the tree's menu on the
// selected record, whose Duplicate Node then works without the mouse.
TEST_F(EndToEnd, TheTreeFollowsTheKeyboardAndItsMenuOpensFromTheKeyboard) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("many.xdb2");
  testsupport::WriteFile(bank, ManyRecords("Many", 120));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Many$"), "");
  // The row clicked: the fourth of the view (rows of 18 pixels; the folder is the first). It is renamed and saved,
  // which tells which record was there.
  const int rowY = 84 + 3 * 18;
  int step = 0;
  auto clickedAfter = [&](const std::vector<std::string>& keys) {
    std::vector<std::string> args = {"key", "--delay", "40"};
    args.insert(args.end(), keys.begin(), keys.end());
    d.Xdo(args);
    Sleep(400);
    d.Click(90, rowY);
    const std::string name = "K" + std::to_string(++step);
    d.Key("F2");
    d.Type(name);
    d.Key("Return");
    d.Key("ctrl+s");
    int id = -1;
    Eventually([&] { return (id = IdOfTitle(bank, name)) >= 0; }, 5000);
    return id - 1;  // the record's number
  };
  // The folder is selected and the tree has the focus (a click on it would start renaming it).
  EXPECT_GE(clickedAfter({"End"}), 95) << "the view stayed at the top after End";
  EXPECT_LE(clickedAfter({"Home"}), 6) << "the view stayed at the end after Home";
  const int afterDowns = clickedAfter(std::vector<std::string>(40, "Down"));
  EXPECT_GE(afterDowns, 20) << "the view did not follow Down";
  EXPECT_LE(afterDowns, 44);
  d.Key("Home");
  EXPECT_GE(clickedAfter({"Next", "Next", "Next"}), 25) << "the view did not follow Page Down";
  d.WindowShot("e2e-tree-follows-keys.png");

  // The Menu key, then Shift+F10, on the record renamed last: Up from the top of the menu reaches
  // its last item, Duplicate Node.
  const std::string title = "K" + std::to_string(step);
  d.Key("Menu");
  d.Shot("e2e-tree-menu-key.png");
  d.Key("Up");
  d.Key("Return");
  d.Key("shift+F10");
  d.Key("Up");
  d.Key("Return");
  d.Key("ctrl+s");
  const std::string outline = Outline(bank);
  int copies = 0;
  for (size_t at = 0; (at = outline.find(" " + title + " ", at)) != std::string::npos; ++at) ++copies;
  EXPECT_EQ(copies, 3) << outline;
  ASSERT_EQ(d.Exit(), "");
}

// Filter Records and the editor's Find dialog keep exactly what was typed, though their history
// holds a longer text starting with it.
TEST_F(EndToEnd, HistoryBoxesSearchExactlyWhatWasTyped) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("history.xdb2");
  testsupport::WriteFile(bank, BankText("<LastPosition>2</LastPosition><DataBaseName>History</DataBaseName>"
                                        "<RecordSearchText>merge_value</RecordSearchText>"
                                        "<RecordSearchHistory>merge_value</RecordSearchHistory>",
                                        "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Code<data>string s</data>"
                                        "</record><record ID=\"3\">Merge<data>merge_value</data></record>"
                                        "<record ID=\"4\">Other<data>merge_vx</data></record></folder>"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - History$"), "");
  // The editor: "string" found first, then "s" is searched; the selection found is replaced by "X".
  d.Click(d.Width() * 2 / 3, 150);
  for (const char* text : {"string", "s"}) {
    d.Key("ctrl+Home");
    d.Key("ctrl+f");
    ASSERT_TRUE(Eventually([&] { return !d.Find("^Find$").empty(); }, 5000));
    d.Type(text);
    d.Key("Return");
    ASSERT_TRUE(Eventually([&] { return d.Find("^Find$").empty(); }, 5000));
  }
  d.Type("X");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return apptest::XPath(bank, "string(//record[@ID='2']/data)") == "Xtring s"; }, 5000))
      << apptest::XPath(bank, "string(//record[@ID='2']/data)");

  // Filter Records for "merge_v": two matches below their folder, the second one opened and typed into.
  d.Click(90, 84);  // the folder, so that Ctrl+F is the filter's
  d.Key("ctrl+f");
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Filter Records$").empty(); }, 5000));
  d.Type("merge_v");
  d.Key("Return");
  ASSERT_TRUE(Eventually([&] { return d.Find("^Filter Records$").empty(); }, 5000));
  d.Click(90, 84 + 2 * 21);
  d.Click(d.Width() * 2 / 3, 150);
  d.Key("ctrl+End");
  d.Type("Z");
  d.Key("ctrl+s");
  EXPECT_TRUE(Eventually([&] { return apptest::XPath(bank, "string(//record[@ID='4']/data)") == "merge_vxZ"; }, 5000))
      << apptest::XPath(bank, "string(//record[@ID='4']/data)");
  d.Shot("e2e-history-boxes.png");
  ASSERT_EQ(d.Exit(), "");
}

// DataBank Info closes with Escape and with Enter, and the keys typed next go into the editor that
// had the focus, with and without a window manager. A size stored larger than the screen comes back
// inside it.
TEST_F(EndToEnd, DialogsCloseFromTheKeyboardAndGiveTheFocusBack) {
  for (const bool withManager : {false, true}) {
    SCOPED_TRACE(withManager ? "with a window manager" : "without a window manager");
    fs::remove_all(tmp.File("prog"));  // the program's folder of the round before
    REQUIRE_DESKTOP(d);
    if (withManager) {
      ASSERT_EQ(xs.StartWindowManager(), "");
    }
    const std::string bank = tmp.File(withManager ? "info2.xdb2" : "info1.xdb2");
    testsupport::WriteFile(bank, TwoRecords("Info"));
    // Save is enabled once the first key has been typed.
    const int infoSteps[] = {MenuSteps(bank, "DataBank Info", false), MenuSteps(bank, "DataBank Info", true)};
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Info$"), "");
    d.Click(d.Width() * 2 / 3, 150);
    d.Key("ctrl+End");
    for (const char* key : {"Escape", "Return"}) {
      d.MainMenu(infoSteps[std::string(key) == "Return"]);
      if (!Eventually([&] { return !d.Find("^Bank Info$").empty(); })) d.Shot("e2e-bank-info-missing.png");
      ASSERT_NE(d.Find("^Bank Info$"), "") << key;
      // Without a window manager nobody focuses a new window: the user's click on it does.
      if (!withManager) d.Xdo({"windowfocus", "--sync", d.Find("^Bank Info$")});
      d.Shot(std::string("e2e-bank-info-") + (withManager ? "wm-" : "") + key + ".png");
      d.Key(key);
      EXPECT_TRUE(Eventually([&] { return d.Find("^Bank Info$").empty(); }, 3000)) << key << " left it open";
      d.Type(std::string(" ") + key);  // no click and no focusing from outside in between
    }
    d.Key("ctrl+s");
    EXPECT_EQ(apptest::XPath(bank, "string(//record[@ID='2']/data)"), "int kept = 42; Escape Return");
    ASSERT_EQ(d.Exit(), "");
  }
}

TEST_F(EndToEnd, AStoredSizeLargerThanTheScreenComesBackInsideIt) {
  REQUIRE_XSERVER(xs);  // 1280 x 1024
  REQUIRE_TOOL(xdotool_tool, "xdotool");
  ASSERT_EQ(xs.StartWindowManager(), "");
  Desktop d(xs, tmp, xdotool_tool);
  const std::string bank = tmp.File("size.xdb2");
  testsupport::WriteFile(bank, SmallBank("Size"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Size$"), "");
  ASSERT_EQ(d.Exit(), "");
  const std::string settings = d.SettingsFile();
  std::string xml = testsupport::ReadFile(settings);
  for (const auto& [key, value] :
       {std::pair{"sizeWidth", "3000"}, {"sizeHeight", "1700"}, {"posLeft", "900"}, {"posTop", "700"}}) {
    const std::regex element("<" + std::string(key) + ">[^<]*</" + key + ">");
    ASSERT_TRUE(std::regex_search(xml, element)) << key << " in\n" << xml;
    xml = std::regex_replace(xml, element, "<" + std::string(key) + ">" + value + "</" + key + ">");
  }
  testsupport::WriteFile(settings, xml);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Size$"), "");
  Sleep(500);
  const std::string shell = d.Xdo({"getactivewindow", "getwindowgeometry", "--shell"});
  std::map<std::string, int> g;
  for (const char* key : {"X", "Y", "WIDTH", "HEIGHT"}) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(shell, m, std::regex(std::string("\\b") + key + "=(-?\\d+)"))) << shell;
    g[key] = std::stoi(m[1]);
  }
  d.Shot("e2e-stored-size-too-large.png");
  // The client area: the frame's title bar and borders are around it (xdotool places decorated
  // windows a title bar too low, so their sum is not checked).
  EXPECT_GE(g["X"], 0) << shell;
  EXPECT_GE(g["Y"], 0) << shell;
  EXPECT_LE(g["WIDTH"], 1280) << shell;
  EXPECT_LE(g["HEIGHT"], 1024 - 16) << shell;
  ASSERT_EQ(d.Exit(), "");
}

// Typed through the real keyboard focus under a window manager, across a Ctrl+S and several
// auto-saves: a save never takes the focus or a key from the editor, so every character is in the
// file, in order.
TEST_F(EndToEnd, KeysTypedAcrossSavesAllReachTheFile) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("autosave.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Saving"));
  AutoSaveEvery(d, 1);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Saving$"), "");
  auto data = [&] { return KeptRecordCode(bank); };
  d.Click(d.Width() * 2 / 3, 150);  // into the code
  d.Key("ctrl+End");
  std::string expected = "int kept = 42;";
  d.Type("BEFORE");
  expected += "BEFORE";
  d.Xdo({"key", "ctrl+s"});
  d.Xdo({"type", "--delay", "40", "AFTERSAVE"});  // at once, while the save is under way
  expected += "AFTERSAVE";
  ASSERT_TRUE(Eventually([&] { return data().rfind("int kept = 42;BEFORE", 0) == 0; })) << data();
  // Lines typed at 40 ms a key while the auto-save writes the file every second or so.
  std::vector<std::string> versions{data()};
  TypeLinesWatchingTheFile(d, bank, expected, versions);
  ASSERT_TRUE(Eventually([&] { return data() == expected; }, 15000)) << data() << "\nexpected:\n" << expected;
  EXPECT_GE(versions.size(), 4u) << "the auto-save wrote the file only " << versions.size() << " times while typing";
  d.Shot("e2e-typed-across-saves.png");
  ASSERT_EQ(d.Exit(), "");
  EXPECT_EQ(data(), expected);
}

// Export chosen onto the databank's own file in the real save dialog, typed as its name and as a link
// to it, its "replace it?" answered Yes: the program says "This is the open databank's file. Choose
// another name." and the dialog comes back (then cancelled). Exit asks nothing and saves the edit
// typed before; the file and its backup hold every record.
TEST_F(EndToEnd, ExportOntoTheOpenFileIsRefusedAndTheDialogComesBack) {
  const std::string bank = tmp.File("own.xdb2"), link = tmp.File("link.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Own"));
  fs::create_symlink(bank, link);
  const int exportSteps = MenuSteps(bank, "Export ...", true);
  for (const std::string& target : {bank, link}) {
    SCOPED_TRACE(target);
    fs::remove_all(tmp.File("prog"));
    testsupport::WriteFile(bank, TwoRecords("Own"));
    fs::remove(tmp.File("own.backup"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Own$"), "");
    d.Click(d.Width() * 2 / 3, 150);  // into the code of record 2, selected at the start
    d.Key("ctrl+End");
    d.Type(" // typed");
    d.MainMenu(exportSteps);
    ASSERT_TRUE(Eventually([&] { return !d.Find("^Save DataBank$").empty(); }, 10000)) << d.Output();
    Sleep(500);
    d.Type(target);
    d.Key("Return");
    Sleep(700);
    d.Key("y");  // the dialog's own question: the file exists, replace it?
    ASSERT_TRUE(Eventually([&] { return !d.Find("^Error$").empty(); }, 10000))
        << "no refusal; shown: " << d.Xdo({"search", "--onlyvisible", "--name", "."});
    EXPECT_TRUE(d.Find("^Select nodes to export$").empty());
    d.Shot("e2e-export-onto-the-open-file.png");
    d.Key("Return");
    ASSERT_TRUE(Eventually([&] { return !d.Find("^Save DataBank$").empty(); }, 10000))
        << "the dialog did not come back";
    Sleep(500);
    d.Key("Escape");
    ASSERT_TRUE(Eventually([&] { return d.Find("^Save DataBank$").empty(); }, 10000));
    d.Focus();
    ASSERT_EQ(d.Exit(), "");
    EXPECT_EQ(KeptRecordCode(bank), "int kept = 42; // typed");
    for (const std::string& file : {bank, tmp.File("own.backup")})
      EXPECT_EQ(apptest::XPath(file, "count(//record)"), "2") << file;
    EXPECT_TRUE(fs::is_symlink(link));
  }
}

// A databank declared UTF-8 whose shown record holds bytes that are not UTF-8 (a lone surrogate, a
// stray byte, a cut sequence): the program opens it with a warning. Showing the record changes
// nothing more (it holds U+FFFD for each bad byte from the start); an edit of another record and
// Ctrl+S then write the file, and the file as it was is kept beside it as ".original" first (the
// backup, replaced by the next save, is not where it stays).
TEST_F(EndToEnd, TextThatIsNotUtf8IsToldAndTheFileKeptBeforeTheSave) {
  const std::string bank = tmp.File("bytes.xdb2");
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
      "<LastPosition>2</LastPosition><DataBaseName>Bytes</DataBaseName></settings>\r\n"
      "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Bad<data>ab\xED\xA0\x80 \xFF \xF0\x9F\x98"
      "cd</data></record><record ID=\"3\">Other<data>fine</data></record></folder></dataroot>";
  testsupport::WriteFile(bank, text);
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  ASSERT_EQ(d.Start({bank}, "^(Tessaryn - Bytes|Warning)$"), "") << d.Output();
  ASSERT_TRUE(Eventually([&] { return !d.Find("^Warning$").empty(); }, 10000)) << "opened without a word";
  EXPECT_FALSE(fs::exists(bank + ".original"));  // an open writes nothing
  d.Shot("e2e-not-utf8-told.png");
  d.Xdo({"windowfocus", "--sync", d.Find("^Warning$")});
  d.Key("Return");
  ASSERT_EQ(d.WaitWindow("^Tessaryn - Bytes$"), "");
  d.Click(d.Width() * 2 / 3, 150);  // into the record shown
  d.Key("ctrl+shift+Tab");          // to the tree
  d.Key("Down");                    // the other record
  d.Key("Return");                  // into its code
  d.Key("ctrl+End");
  d.Type("!");
  d.Key("ctrl+s");
  ASSERT_TRUE(Eventually([&] { return fs::exists(bank + ".original"); }, 10000));
  ASSERT_EQ(d.Exit(), "");
  EXPECT_EQ(testsupport::ReadFile(bank + ".original"), text);
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(KeptRecordCode(bank), "ab" + fffd + fffd + fffd + " " + fffd + " " + fffd + fffd + fffd + "cd");
  EXPECT_EQ(apptest::XPath(bank, "string(//record[@ID='3']/data)"), "fine!");
}

// Typing in one record and nothing else (no Ctrl+S, no other node selected), with a short auto-save
// period: the auto-save writes what is typed while the keys arrive, so a kill -9 (or a power cut)
// loses at most the keys of the last period or two; the file stays whole and opens again.
TEST_F(EndToEnd, TypingInOneRecordIsAutoSavedAndSurvivesAKill) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("typed.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Typed"));
  AutoSaveEvery(d, 1);
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Typed$"), "");
  auto data = [&] { return KeptRecordCode(bank); };
  d.Click(d.Width() * 2 / 3, 150);  // into the code
  d.Key("ctrl+End");
  std::string expected = "int kept = 42;";
  std::vector<std::string> versions{data()};
  TypeLinesWatchingTheFile(d, bank, expected, versions);
  d.Kill();  // at once, the last keys perhaps not yet saved
  const std::string saved = data();
  EXPECT_GE(versions.size(), 3u) << "the file was written " << versions.size() - 1 << " times while typing";
  ASSERT_EQ(expected.rfind(saved, 0), 0u) << "not what was typed:\n" << saved;
  // About two periods of keys at 40 ms a key, and the keys the program had not read yet.
  EXPECT_LE(expected.size() - saved.size(), 100u) << "saved:\n" << saved;
  d.Shot("e2e-typing-auto-saved.png");

  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Typed$"), "");
  ASSERT_EQ(d.Exit(), "");
  EXPECT_EQ(data(), saved);
}

// A file dialog that changes nothing the auto-save writes does not hold it: Save As until it is
// answered, Import's and Export's (the auto-save writes the databank's own file, which none of them
// touches). Typed, the dialog opened before the period ran out and left up past it, then kill -9:
// the typing is in the file, which opens again. (The save-changes question holds it: its No must not
// find the changes written already; the session's tests keep that.)
TEST_F(EndToEnd, FileDialogsDoNotHoldTheAutoSave) {
  struct Case {
    const char* name;
    const char* dialog;
    std::function<void(Desktop&)> open;
  };
  const std::string bank = tmp.File("dialogs.xdb2");
  testsupport::WriteFile(bank, TwoRecords("Dialogs"));
  const int importSteps = MenuSteps(bank, "Import ...", true), exportSteps = MenuSteps(bank, "Export ...", true);
  const Case cases[] = {
      {"Save As", "^Save DataBank$", [](Desktop& d) { d.Key("ctrl+shift+s"); }},
      {"Import", "^Open DataBank$", [&](Desktop& d) { d.MainMenu(importSteps); }},
      {"Export", "^Save DataBank$", [&](Desktop& d) { d.MainMenu(exportSteps); }},
  };
  auto data = [&] { return KeptRecordCode(bank); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(tmp.File("prog"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    testsupport::WriteFile(bank, TwoRecords("Dialogs"));
    // A period long enough that the dialog is up before it runs out.
    AutoSaveEvery(d, 8);
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Dialogs$"), "");
    d.Click(d.Width() * 2 / 3, 150);  // into the code
    d.Key("ctrl+End");
    d.Type(" // typed");
    c.open(d);
    ASSERT_TRUE(Eventually([&] { return !d.Find(c.dialog).empty(); }, 10000)) << d.Output();
    ASSERT_EQ(data(), "int kept = 42;") << "saved before the dialog came up";
    Eventually([&] { return data() == "int kept = 42; // typed"; }, 20000);
    ASSERT_FALSE(d.Find(c.dialog).empty());
    d.Shot(std::string("e2e-auto-save-during-") + c.name + ".png");
    d.Kill();
    EXPECT_EQ(data(), "int kept = 42; // typed");
    ASSERT_EQ(d.Start({bank}, "^Tessaryn - Dialogs$"), "");
    ASSERT_EQ(d.Exit(), "");
    EXPECT_EQ(data(), "int kept = 42; // typed");
  }
}
