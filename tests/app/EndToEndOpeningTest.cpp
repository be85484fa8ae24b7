// Opening a databank with the real program under a real X server and window manager, as a desktop
// user meets it: signals sent with kill while an open waits in one of its modal steps, the files on
// disk compared byte for byte afterwards, and the command line as a person types it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "EndToEndDesktop.h"

using namespace e2e;

namespace {

// Waits up to ms for what() to hold.
bool Within(int ms, const std::function<bool()>& what) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!what()) {
    if (std::chrono::steady_clock::now() > until) return false;
    Sleep(50);
  }
  return true;
}

// A small databank saved through the layers: enciphered with password, zipped when compress.
void WriteBank(const std::string& plainXML, const std::string& path, const std::string& password, bool compress) {
  const std::string plain = path + ".plain";
  testsupport::WriteFile(plain, plainXML);
  std::vector<std::string> args = {"encode"};
  if (!password.empty()) args.insert(args.end(), {"--password", password});
  if (compress) args.push_back("--compress");
  args.insert(args.end(), {plain, path});
  const auto r = RunProcess(testsupport::ProbePath("xdbprobe"), args);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  fs::remove(plain);
}

}  // namespace

// A signal while the start-up open waits in the password prompt: nothing is written while the prompt
// is up, and once the prompt is answered (or cancelled) the program ends as at log-out: the databank
// that opened is saved as it was, a databank that did not open is left byte for byte as it was.
TEST_F(EndToEnd, ASignalDuringTheStartUpPasswordPromptEndsTheProgramOnceTheOpenHasEnded) {
  struct Case {
    int signal;
    const char* answer;  // typed into the prompt; nullptr: Cancel
    bool opens;
  };
  const Case cases[] = {{SIGTERM, "pw", true}, {SIGHUP, "wrong", false}, {SIGINT, nullptr, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(strsignal(c.signal));
    fs::remove_all(tmp.File("prog"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    const std::string bank = tmp.File("locked.xdb2");
    fs::remove(tmp.File("locked.backup"));
    WriteBank(SmallBank("Locked"), bank, "pw", false);
    const std::string before = testsupport::ReadFile(bank);
    const std::string outline = Outline(bank, "pw");

    ASSERT_EQ(d.Start({bank}, "^Enter Password$"), "");
    d.Signal(c.signal);
    Sleep(1500);
    EXPECT_TRUE(d.Running()) << d.Output();
    EXPECT_NE(d.Find("^Enter Password$"), "") << "the prompt went away";
    EXPECT_EQ(testsupport::ReadFile(bank), before);
    EXPECT_FALSE(fs::exists(tmp.File("locked.backup")));
    d.Shot(std::string("e2e-signal-in-startup-prompt-") + strsignal(c.signal) + ".png");
    if (c.answer) {
      d.Type(c.answer);
      d.Key("Return");
    } else {
      d.Key("Escape");
    }
    ASSERT_EQ(d.WaitExit(), "");
    EXPECT_EQ(Outline(bank, "pw"), outline);
    if (c.opens) {
      EXPECT_EQ(testsupport::ReadFile(tmp.File("locked.backup")), before);  // saved at the end
    } else {
      EXPECT_EQ(testsupport::ReadFile(bank), before);
      EXPECT_FALSE(fs::exists(tmp.File("locked.backup")));
    }
  }
}

// The other modal steps of opening, each with a signal while it waits: the open dialog's password
// prompt and the failed open's error box (Ctrl+O), and the password prompt of Import. Nothing is
// written while the step waits; once it has ended the program ends as at log-out, keeping what the
// step did (the databank that opened, the folder that was imported).
TEST_F(EndToEnd, ASignalDuringAnyModalStepOfOpeningIsHonouredOnceTheStepHasEnded) {
  enum class Road { OpenLocked, OpenDamaged, ImportLocked };
  for (const Road road : {Road::OpenLocked, Road::OpenDamaged, Road::ImportLocked}) {
    SCOPED_TRACE(static_cast<int>(road));
    fs::remove_all(tmp.File("prog"));
    for (const char* name : {"first.xdb2", "first.backup", "other.xdb2", "other.backup", "other.xdb2.bad"})
      fs::remove(tmp.File(name));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    const std::string first = tmp.File("first.xdb2");
    const std::string other = tmp.File("other.xdb2");
    testsupport::WriteFile(first, SmallBank("First"));
    if (road == Road::OpenDamaged)
      testsupport::WriteFile(other, SmallBank("Other").substr(0, 120));
    else
      WriteBank(SmallBank("Other"), other, "pw", false);
    // The menu is measured on a copy: the probe saves the databank it shows.
    testsupport::WriteFile(tmp.File("menu.xdb2"), SmallBank("First"));
    const int importSteps = road == Road::ImportLocked ? MenuSteps(tmp.File("menu.xdb2"), "Import ...", false) : 0;
    const std::string firstBefore = testsupport::ReadFile(first);
    const std::string otherBefore = testsupport::ReadFile(other);

    ASSERT_EQ(d.Start({first}, "^Tessaryn - First$"), "");
    if (road == Road::ImportLocked)
      d.MainMenu(importSteps);
    else
      d.Key("ctrl+o");
    ASSERT_TRUE(Within(10000, [&] { return !d.Find("^Open DataBank$").empty(); }));
    Sleep(500);
    d.Type(other);
    d.Key("Return");
    const std::string step = road == Road::OpenDamaged ? "^Error$" : "^Enter Password$";
    ASSERT_TRUE(Within(10000, [&] { return !d.Find(step).empty(); })) << d.Output();
    d.Signal(SIGTERM);
    Sleep(1500);
    EXPECT_TRUE(d.Running()) << d.Output();
    EXPECT_NE(d.Find(step), "") << "the step went away";
    EXPECT_EQ(testsupport::ReadFile(first), firstBefore);
    EXPECT_EQ(testsupport::ReadFile(other), otherBefore);
    d.Shot("e2e-signal-in-open-step-" + std::to_string(static_cast<int>(road)) + ".png");
    if (road != Road::OpenDamaged) d.Type("pw");
    d.Key("Return");
    ASSERT_EQ(d.WaitExit(), "");

    EXPECT_EQ(Outline(other, "pw").rfind("FAILED", 0) == 0, road == Road::OpenDamaged);
    if (road == Road::OpenDamaged) {
      EXPECT_EQ(testsupport::ReadFile(other), otherBefore);
    }
    EXPECT_FALSE(fs::exists(other + ".bad"));
    const std::string outline = Outline(first);
    if (road == Road::ImportLocked) {
      EXPECT_NE(outline.find("Keep"), outline.rfind("Keep")) << outline;  // the imported folder too
    } else {
      EXPECT_EQ(testsupport::ReadFile(first), firstBefore);
    }
  }
}

// A signal while the box about unreadable settings is up ends the program at once, as at log-out:
// the box closes, no window is made, nothing is opened or written.
TEST_F(EndToEnd, ASignalDuringTheSettingsWarningEndsTheProgram) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file another user cannot read";
  REQUIRE_TOOL(setpriv, "setpriv");
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  fs::permissions(tmp.Path(), fs::perms::all, fs::perm_options::add);
  fs::permissions(d.Folder(), fs::perms::all, fs::perm_options::add);
  const std::string bank = tmp.File("warned.xdb2");
  testsupport::WriteFile(bank, SmallBank("Warned"));
  ASSERT_EQ(::chown(bank.c_str(), 65534, 65534), 0);
  const std::string settings = d.Folder() + "/tessaryn.xdb";
  const std::string unreadable = "<dataroot><AutoSave>1</AutoSave></dataroot>";
  testsupport::WriteFile(settings, unreadable);
  fs::permissions(settings, fs::perms::none);
  const auto mtime = fs::last_write_time(bank);

  ASSERT_EQ(d.StartAsOrdinaryUser({bank}, "^Tessaryn$", setpriv), "") << d.Output();
  d.Signal(SIGTERM);
  ASSERT_TRUE(Within(15000, [&] { return !d.Running(); })) << "still running after SIGTERM";
  EXPECT_EQ(d.WaitExit(), "");
  EXPECT_EQ(fs::last_write_time(bank), mtime);
  EXPECT_FALSE(fs::exists(tmp.File("warned.backup")));
  fs::permissions(settings, fs::perms::owner_read);
  EXPECT_EQ(testsupport::ReadFile(settings), unreadable);
}

// The command line as a person types it: options are not file names; --help and --version answer
// without a window (no display is needed), an unknown option is an error.
TEST_F(EndToEnd, OptionsOnTheCommandLineAreNotFileNames) {
  const std::string program = std::string(TESSARYN_BINARY_DIR) + "/tessaryn";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: tessaryn [OPTION] [DATABANK]\n", ""},
      {{"-h", "bank.xdb2"}, 0, "Usage: tessaryn [OPTION] [DATABANK]\n", ""},
      {{"--version"}, 0, "Tessaryn ", ""},
      {{"--bogus"}, 2, "", "tessaryn: unknown option '--bogus'\nTry 'tessaryn --help' for more information.\n"},
      {{"bank.xdb2", "-x"}, 2, "", "tessaryn: unknown option '-x'\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = {
        "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb", "ASAN_OPTIONS=detect_leaks=0", program};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = RunProcess("/usr/bin/env", args, "", 60);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "");
    }
    if (c.args[0] == "--version") {
      EXPECT_TRUE(std::regex_match(r.out, std::regex("Tessaryn \\d+(\\.\\d+)+\n"))) << r.out;
    }
  }
}

// A databank named on the command line that is missing or a folder is told, and the last databank
// opens as without it; one that does not open is reported, and never becomes the last databank, so a
// plain start afterwards opens the last one without a word.
TEST_F(EndToEnd, ACommandLineFileThatCannotBeOpenedIsToldAndNotRepeated) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string last = tmp.File("last.xdb2");
  testsupport::WriteFile(last, SmallBank("Last"));
  const std::string notes = tmp.File("notes.xdb2");
  testsupport::WriteFile(notes, "shopping list: milk, bread\n");
  fs::create_directories(tmp.File("folder.xdb2"));
  ASSERT_EQ(d.Start({last}, "^Tessaryn - Last$"), "");
  ASSERT_EQ(d.Exit(), "");

  for (const char* name : {"missing.xdb2", "folder.xdb2"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(d.Start({tmp.File(name)}, "^Error$"), "") << d.Output();
    d.Shot(std::string("e2e-command-line-") + name + ".png");
    d.Key("Return");
    ASSERT_EQ(d.WaitWindow("^Tessaryn - Last$"), "") << d.Output();
    ASSERT_EQ(d.Exit(), "");
  }
  // Text, and well-formed XML of another program: neither opens, and neither is written at the end
  // (auto-save is on).
  const std::string page = tmp.File("page.xml");
  const std::string html = "<?xml version=\"1.0\"?>\n<html><body>hi</body></html>\n";
  testsupport::WriteFile(page, html);
  for (const std::string& file : {notes, page}) {
    SCOPED_TRACE(file);
    const std::string before = testsupport::ReadFile(file);
    ASSERT_EQ(d.Start({file}, "^Error$"), "") << d.Output();
    d.Key("Return");
    ASSERT_EQ(d.WaitWindow("^Tessaryn - unnamed$"), "") << d.Output();
    ASSERT_EQ(d.Exit(), "");
    EXPECT_EQ(testsupport::ReadFile(file), before);
  }
  EXPECT_FALSE(fs::exists(tmp.File("page.backup")));

  ASSERT_EQ(d.Start({}, "^Tessaryn - Last$"), "") << d.Output();
  Sleep(1000);
  EXPECT_EQ(d.Find("^Error$"), "");
  ASSERT_EQ(d.Exit(), "");
}
