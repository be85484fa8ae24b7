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

// A databank whose record "Kept" (ID 2, code "int kept;") opens at start, in folder "Keep".
std::string OpenRecordBank(const std::string& name) {
  return BankText("<LastPosition>2</LastPosition><DataBaseName>" + name + "</DataBaseName>",
                  "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept<data>int kept;</data></record></folder>");
}

std::string KeptCode(const std::string& bank) {
  std::string text = apptest::XPath(bank, "string(//record[@ID='2']/data)");
  std::erase(text, '\r');
  return text;
}

// Milliseconds until the program has ended, at most limitMs (then limitMs + 1).
long long MsUntilEnded(Desktop& d, int limitMs) {
  const auto start = std::chrono::steady_clock::now();
  Eventually([&] { return !d.Running(); }, limitMs);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// The very first start (no settings file yet) on a file that needs a dialog: its box or prompt runs
// the event loop, in which the first run would open the sample over the databank being opened. The
// sample waits: it opens once the start-up open has ended, and only when nothing opened; the program
// then quits cleanly (under the sanitizers: nothing freed was read).
TEST_F(EndToEnd, TheFirstStartOnAFileThatNeedsADialogOpensTheSampleOnlyAfterIt) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::vector<std::pair<const char*, const char*>> answers;  // (window, keys one by one), in order
    const char* opened;                                        // the title of the main window after
  };
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0", 25);
  // The databank "Locked" under "pw"; the wrong key "w196" makes of it a well-formed element that is no
  // "dataroot" (checked here, as the parser reads it).
  auto lockedWithGarbage = [](const std::string& p) {
    WriteBank(SmallBank("Locked"), p, "pw", false);
    const auto garbage = RunProcess(testsupport::ProbePath("xdbprobe"), {"decode", "--password", "w196", p});
    testsupport::WriteFile(p + ".garbage", garbage.out);
    const auto parsed = RunProcess(testsupport::ProbePath("xmlprobe"), {"parse", p + ".garbage"});
    EXPECT_EQ(parsed.exitCode, 0) << parsed.err;
    EXPECT_EQ(parsed.out.find("<dataroot"), std::string::npos);
    fs::remove(p + ".garbage");
  };
  const Case cases[] = {
      {"a text file",
       [](const std::string& p) { testsupport::WriteFile(p, "shopping list: milk\n"); },
       {{"^Error$", "Return"}},
       "^Tessaryn - About Tessaryn$"},
      {"a picture",
       [&](const std::string& p) { testsupport::WriteFile(p, png); },
       {{"^Error$", "Return"}},
       "^Tessaryn - About Tessaryn$"},
      {"an empty file",
       [](const std::string& p) { testsupport::WriteFile(p, ""); },
       {{"^Error$", "Return"}},
       "^Tessaryn - About Tessaryn$"},
      {"XML with a parse error",
       [](const std::string& p) { testsupport::WriteFile(p, SmallBank("Broken").substr(0, 150)); },
       {{"^Error$", "Return"}},
       "^Tessaryn - About Tessaryn$"},
      // Each wrong password brings the prompt back (saying so) without a box; "w196" deciphers this
      // file into bytes that read as one element of another name, which is a wrong password too.
      {"wrong passwords, then the prompt cancelled",
       lockedWithGarbage,
       {{"^Enter Password$", "w 1 9 6 Return"},
        {"^Enter Password$", "w r o n g Return"},
        {"^Enter Password$", "Escape"}},
       "^Tessaryn - About Tessaryn$"},
      {"a wrong password, then the right one",
       lockedWithGarbage,
       {{"^Enter Password$", "w 1 9 6 Return"}, {"^Enter Password$", "p w Return"}},
       "^Tessaryn - Locked$"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(tmp.File("prog"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    fs::copy_file(std::string(TESSARYN_SOURCE_DIR) + "/resources/about.xdb2", d.Folder() + "/about.xdb2");
    const std::string file = tmp.File("given.xdb2");
    c.make(file);
    const std::string before = testsupport::ReadFile(file);
    ASSERT_FALSE(fs::exists(d.SettingsFile()));  // a fresh profile

    ASSERT_EQ(d.Start({file}, c.answers.front().first), "") << d.Output();
    for (const auto& [window, keys] : c.answers) {
      ASSERT_TRUE(Eventually([&] { return !d.Find(window).empty() || !d.Running(); }, 15000)) << window;
      ASSERT_TRUE(d.Running()) << d.Output();
      Sleep(300);
      d.Xdo({"windowfocus", "--sync", d.Find(window)});
      std::istringstream each(keys);
      for (std::string key; each >> key;) d.Key(key);
    }
    // Any further box of the failed open (its wording is the pipeline's) is answered too.
    ASSERT_TRUE(Eventually(
        [&] {
          if (!d.Running() || !d.Find(c.opened).empty()) return true;
          if (const std::string box = d.Find("^Error$"); !box.empty()) {
            d.Xdo({"windowfocus", "--sync", box});
            d.Xdo({"key", "Return"});
          }
          return false;
        },
        20000))
        << d.Output();
    ASSERT_TRUE(d.Running()) << d.Output();
    ASSERT_EQ(d.WaitWindow(c.opened), "");
    d.Shot(std::string("e2e-first-start-on-") + c.name + ".png");
    ASSERT_EQ(d.Exit(), "");
    EXPECT_EQ(d.Output().find("AddressSanitizer"), std::string::npos) << d.Output();
    EXPECT_TRUE(fs::exists(d.SettingsFile()));
    if (std::string(c.opened) != "^Tessaryn - Locked$") {
      EXPECT_EQ(testsupport::ReadFile(file), before);
    }
  }
}

// A signal at the very first start while the start-up open waits in its prompt or box: the program
// ends within 2 s without opening anything, and that start does not count as the first run having
// been done: the next start without a file opens the sample, as a first start does.
TEST_F(EndToEnd, ASignalAtTheFirstStartsPromptLeavesTheSampleForTheNextStart) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::vector<std::pair<const char*, const char*>> answers;  // (window, keys) before the signal
    const char* waiting;                                       // the window up when the signal comes
    int signal;
  };
  const Case cases[] = {
      {"the password prompt",
       [](const std::string& p) { WriteBank(SmallBank("Locked"), p, "pw", true); },
       {},
       "^Enter Password$",
       SIGTERM},
      {"the prompt back after a wrong password",
       [](const std::string& p) { WriteBank(SmallBank("Locked"), p, "pw", false); },
       {{"^Enter Password$", "w r o n g Return"}},
       "^Enter Password$",
       SIGHUP},
      {"the box after a wrong password and Cancel",
       [](const std::string& p) { WriteBank(SmallBank("Locked"), p, "pw", false); },
       {{"^Enter Password$", "w r o n g Return"}, {"^Enter Password$", "Escape"}},
       "^Error$",
       SIGTERM},
      {"the box of a file that is no databank",
       [](const std::string& p) { testsupport::WriteFile(p, "shopping list: milk\n"); },
       {},
       "^Error$",
       SIGINT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(tmp.File("prog"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    fs::copy_file(std::string(TESSARYN_SOURCE_DIR) + "/resources/about.xdb2", d.Folder() + "/about.xdb2");
    const std::string file = tmp.File("given.xdb2");
    c.make(file);
    const std::string before = testsupport::ReadFile(file);
    ASSERT_FALSE(fs::exists(d.SettingsFile()));  // a fresh profile

    ASSERT_EQ(d.Start({file}, c.answers.empty() ? c.waiting : c.answers.front().first), "") << d.Output();
    for (const auto& [window, keys] : c.answers) {
      ASSERT_TRUE(Eventually([&] { return !d.Find(window).empty(); }, 15000)) << window;
      Sleep(300);
      d.Xdo({"windowfocus", "--sync", d.Find(window)});
      std::istringstream each(keys);
      for (std::string key; each >> key;) d.Key(key);
    }
    ASSERT_TRUE(Eventually([&] { return !d.Find(c.waiting).empty(); }, 15000)) << d.Output();
    Sleep(300);
    d.Signal(c.signal);
    const long long ms = MsUntilEnded(d, 10000);
    EXPECT_LE(ms, 2000) << "still running " << ms << " ms after the signal";
    if (d.Running()) {
      d.Kill();
      continue;
    }
    EXPECT_EQ(d.WaitExit(), "");
    EXPECT_EQ(d.Output().find("AddressSanitizer"), std::string::npos) << d.Output();
    EXPECT_EQ(testsupport::ReadFile(file), before);

    ASSERT_EQ(d.Start({}, "^Tessaryn - "), "") << d.Output();
    EXPECT_TRUE(Eventually([&] { return !d.Find("^Tessaryn - About Tessaryn$").empty(); }, 10000))
        << "the next start opened " << d.Title();
    d.Shot(std::string("e2e-first-start-signal-then-") + std::to_string(c.signal) + ".png");
    ASSERT_EQ(d.Exit(), "");
    EXPECT_TRUE(fs::exists(d.SettingsFile()));
  }
}

// At a signal nobody is there to answer. Whatever dialog or box waits, the program closes it itself (as
// Cancel), lets the step that asked end as cancelled without further boxes, and ends as at log-out
// within 2 s: the edit typed before is in the file (or, where another program changed the file, in a
// conflict copy beside it, the other program's file left alone); a databank that was being opened is
// left as it was, and nothing a cancelled import or export would have written exists.
TEST_F(EndToEnd, ASignalWhileADialogWaitsEndsTheProgramWithinTwoSeconds) {
  struct Case {
    const char* name;
    const char* dialog;  // the title of the window that waits when the signal comes
    bool startsLocked;   // the program starts on the enciphered databank (nothing typed)
    std::function<void(Desktop&)> open;
    bool autoSaveOff = false;
  };
  const std::string bank = tmp.File("bank.xdb2");
  const std::string locked = tmp.File("locked.xdb2");
  const std::string target = tmp.File("target.xdb2");
  auto inMenu = [&](const std::string& item) {
    testsupport::WriteFile(tmp.File("menu.xdb2"), OpenRecordBank("Bank"));
    return MenuSteps(tmp.File("menu.xdb2"), item, true);
  };
  const int importSteps = inMenu("Import ..."), exportSteps = inMenu("Export ...");
  auto fileDialogThen = [&](Desktop& d, const std::string& title, const std::string& path) {
    ASSERT_TRUE(Eventually([&] { return !d.Find(title).empty(); }, 10000));
    Sleep(500);
    d.Type(path);
    d.Key("Return");
  };
  const Case cases[] = {
      {"Save As", "^Save DataBank$", false, [](Desktop& d) { d.Key("ctrl+shift+s"); }},
      {"Import's password prompt", "^Enter Password$", false,
       [&](Desktop& d) {
         d.MainMenu(importSteps);
         fileDialogThen(d, "^Open DataBank$", locked);
       }},
      {"the start-up password prompt", "^Enter Password$", true, [](Desktop&) {}},
      {"the start-up open's box", "^Error$", true,
       [](Desktop& d) {
         d.Type("wrong");
         d.Key("Return");  // the prompt comes back saying the password is wrong
         ASSERT_TRUE(Eventually([&] { return !d.Find("^Enter Password$").empty(); }, 10000));
         Sleep(300);
         d.Key("Escape");
       }},
      {"DataBank Changed, asked by Exit", "^DataBank Changed$", false,
       [&](Desktop& d) {
         testsupport::WriteFile(bank, OpenRecordBank("Theirs"));
         d.Click(d.Width() - 20, 12);
       }},
      // Save As chosen there: that dialog closed by the program is no answer either.
      {"DataBank Changed, then its Save As dialog", "^Save DataBank$", false,
       [&](Desktop& d) {
         testsupport::WriteFile(bank, OpenRecordBank("Theirs"));
         d.Click(d.Width() - 20, 12);
         ASSERT_TRUE(Eventually([&] { return !d.Find("^DataBank Changed$").empty(); }, 10000));
         Sleep(300);
         d.Key("Return");  // Save As..., the box's default
       }},
      // Its No is the program's, not the user's: the edit is kept.
      {"Data has been changed, asked by Exit with auto-save off", "^Error$", false,
       [](Desktop& d) { d.Click(d.Width() - 20, 12); }, true},
      {"Print", "^Print$", false, [](Desktop& d) { d.Key("ctrl+p"); }},
      {"Page Setup over Print Preview", "^Page Setup$", false,
       [](Desktop& d) {
         d.Key("Menu");  // the editor's menu: Print Preview is its last item
         d.Key("Up");
         d.Key("Return");
         ASSERT_TRUE(Eventually([&] { return !d.Find("^Print Preview$").empty(); }, 10000));
         Sleep(500);
         // The preview fills the screen; Page Setup is the button after Print on its toolbar.
         d.Xdo({"mousemove", "--window", d.Find("^Print Preview$"), "228", "15", "click", "1"});
       }},
      {"Node Properties", "^Node Properties$", false,
       [](Desktop& d) {
         d.Key("ctrl+shift+Tab");  // from the code to the tree
         d.Key("alt+Return");
       }},
      {"Bank Options", "^Bank Options$", false, [](Desktop& d) { d.Key("F11"); }},
      {"Find", "^Find$", false, [](Desktop& d) { d.Key("ctrl+f"); }},
      {"Filter Records", "^Filter Records$", false,
       [](Desktop& d) {
         d.Key("ctrl+shift+Tab");
         d.Key("ctrl+f");
       }},
      {"the export's choice of nodes", "^Select nodes to export$", false,
       [&](Desktop& d) {
         d.MainMenu(exportSteps);
         fileDialogThen(d, "^Save DataBank$", target);
       }},
      {"the editor's menu", "", false, [](Desktop& d) { d.Key("Menu"); }},
  };
  const int kinds[] = {SIGTERM, SIGHUP, SIGINT};
  int round = 0;
  for (const Case& c : cases) {
    const int signal = kinds[round++ % 3];
    SCOPED_TRACE(std::string(c.name) + ", " + strsignal(signal));
    fs::remove_all(tmp.File("prog"));
    for (const auto& entry : fs::directory_iterator(tmp.Path()))
      if (entry.is_regular_file()) fs::remove(entry.path());
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    if (c.autoSaveOff) d.WriteSettings("<AutoSave>0</AutoSave>");
    testsupport::WriteFile(bank, OpenRecordBank("Bank"));
    WriteBank(SmallBank("Locked"), locked, "pw", false);
    const std::string lockedBefore = testsupport::ReadFile(locked);

    if (c.startsLocked) {
      ASSERT_EQ(d.Start({locked}, "^Enter Password$"), "");
    } else {
      ASSERT_EQ(d.Start({bank}, "^Tessaryn - Bank$"), "");
      d.Click(d.Width() * 2 / 3, 150);  // into the code
      d.Key("ctrl+End");
      d.Type(" // kept");
    }
    c.open(d);
    if (*c.dialog) {
      ASSERT_TRUE(Eventually([&] { return !d.Find(c.dialog).empty(); }, 10000)) << d.Output();
    }
    Sleep(300);
    d.Shot(std::string("e2e-signal-at-") + std::to_string(round) + ".png");
    d.Signal(signal);
    const long long ms = MsUntilEnded(d, 10000);
    EXPECT_LE(ms, 2000) << "still running " << ms << " ms after the signal";
    if (d.Running()) {
      d.Shot(std::string("e2e-signal-not-honoured-") + std::to_string(round) + ".png");
      d.Kill();
      continue;
    }
    EXPECT_EQ(d.WaitExit(), "");
    EXPECT_EQ(d.Output().find("AddressSanitizer"), std::string::npos) << d.Output();

    EXPECT_EQ(testsupport::ReadFile(locked), lockedBefore);
    EXPECT_FALSE(fs::exists(tmp.File("locked.backup")));
    EXPECT_FALSE(fs::exists(target));
    if (c.startsLocked) continue;
    const std::vector<std::string> copies = ConflictCopiesOf(bank);
    if (std::string(c.name).rfind("DataBank Changed", 0) == 0) {
      EXPECT_EQ(testsupport::ReadFile(bank), OpenRecordBank("Theirs"));
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(KeptCode(copies[0]), "int kept; // kept");
    } else {
      EXPECT_TRUE(copies.empty());
      EXPECT_EQ(KeptCode(bank), "int kept; // kept");
      const std::string outline = Outline(bank);
      EXPECT_EQ(outline.find("Keep"), outline.rfind("Keep")) << "the cancelled import went on:\n" << outline;
    }
  }
}

// A second signal of any kind ends the program at once, also while the first one's closing save is
// being written: the file is then the old one or the new one, never a part.
TEST_F(EndToEnd, ASecondSignalOfAnotherKindEndsTheProgramAtOnce) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  // Large enough that the closing save takes a while under the sanitizers.
  std::string nodes = "<folder ID=\"1\">Keep<record ID=\"2\">Kept<data>int kept;</data></record>";
  for (int i = 10; i < 120000; ++i)
    nodes += "<record ID=\"" + std::to_string(i) + "\">r" + std::to_string(i) + "<data>int value_" + std::to_string(i) +
             " = " + std::to_string(i * 7) + ";</data></record>";
  const std::string bank = tmp.File("large.xdb2");
  WriteBank(BankText("<LastPosition>2</LastPosition><DataBaseName>Large</DataBaseName>", nodes + "</folder>", 200010),
            bank, "pw", true);
  const std::string before = testsupport::ReadFile(bank);
  ASSERT_EQ(d.Start({bank}, "^Enter Password$"), "");
  d.Type("pw");
  d.Key("Return");
  ASSERT_EQ(d.WaitWindow("^Tessaryn - Large$"), "");
  d.Click(d.Width() * 2 / 3, 150);
  d.Type("x");
  d.Signal(SIGHUP);
  Sleep(300);
  ASSERT_TRUE(d.Running()) << "the closing save was over before the second signal";
  d.Signal(SIGINT);
  EXPECT_LE(MsUntilEnded(d, 10000), 500);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.WaitExit().rfind("tessaryn ended with -1", 0), 0u) << "it ended by itself, not by the signal";
  const std::string after = testsupport::ReadFile(bank);
  EXPECT_TRUE(after == before || Outline(bank, "pw").rfind("FAILED", 0) != 0) << Outline(bank, "pw");
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
  const std::string settings = d.SettingsFile();
  const std::string unreadable = "<dataroot><AutoSave>1</AutoSave></dataroot>";
  testsupport::WriteFile(settings, unreadable);
  fs::permissions(settings, fs::perms::none);
  const auto mtime = fs::last_write_time(bank);

  ASSERT_EQ(d.StartAsOrdinaryUser({bank}, "^Tessaryn$", setpriv), "") << d.Output();
  d.Signal(SIGTERM);
  ASSERT_TRUE(Eventually([&] { return !d.Running(); }, 15000)) << "still running after SIGTERM";
  EXPECT_EQ(d.WaitExit(), "");
  EXPECT_EQ(fs::last_write_time(bank), mtime);
  EXPECT_FALSE(fs::exists(tmp.File("warned.backup")));
  fs::permissions(settings, fs::perms::owner_read);
  EXPECT_EQ(testsupport::ReadFile(settings), unreadable);
}

// A signal while the databank's folder cannot be written (it belongs to another user): nobody is
// there to answer, so the program ends within 2 s as at log-out and keeps the edit where it can write,
// in its own user folder, under the databank's name, with its password and compression. stderr names
// the copy, the settings make it the last databank (the next start opens it) and keep the file it
// could not write in the recent list; that file is as it was.
TEST_F(EndToEnd, ASignalKeepsTheEditInTheUsersFolderWhenTheDatabanksFolderCannotBeWritten) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a folder another user cannot write";
  REQUIRE_TOOL(setpriv, "setpriv");
  struct Case {
    int signal;
    const char* password;
    bool compress;
  };
  const Case cases[] = {{SIGTERM, "", false}, {SIGHUP, "pw", true}, {SIGINT, "pw", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(strsignal(c.signal)) + (*c.password ? ", enciphered" : "") +
                 (c.compress ? ", zipped" : ""));
    fs::remove_all(tmp.File("prog"));
    fs::remove_all(tmp.File("shared"));
    REQUIRE_DESKTOP(d);
    ASSERT_EQ(xs.StartWindowManager(), "");
    fs::permissions(tmp.Path(), fs::perms::all, fs::perm_options::add);
    ASSERT_EQ(::chown(d.Folder().c_str(), 65534, 65534), 0);  // the user's own program folder
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    const std::string shared = tmp.File("shared");  // root's: 755, its databank 644
    fs::create_directories(shared);
    fs::permissions(shared, readable | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    const std::string bank = shared + "/notes.xdb2";
    WriteBank(OpenRecordBank("Notes"), bank, c.password, c.compress);
    fs::permissions(bank, readable);
    const std::string before = testsupport::ReadFile(bank);
    auto start = [&](const std::vector<std::string>& args) {
      if (!*c.password) return d.StartAsOrdinaryUser(args, "^Tessaryn - Notes$", setpriv);
      std::string error = d.StartAsOrdinaryUser(args, "^Enter Password$", setpriv);
      if (!error.empty()) return error;
      d.Type(c.password);
      d.Key("Return");
      return d.WaitWindow("^Tessaryn - Notes$");
    };
    auto code = [&](const std::string& file) {
      std::vector<std::string> args = {"decode"};
      if (*c.password) args.insert(args.end(), {"--password", c.password});
      args.push_back(file);
      const auto r = RunProcess(testsupport::ProbePath("xdbprobe"), args);
      testsupport::WriteFile(tmp.File("decoded.xml"), r.out);
      return r.exitCode == 0 ? KeptCode(tmp.File("decoded.xml")) : "FAILED: " + r.err;
    };

    ASSERT_EQ(start({bank}), "") << d.Output();
    d.Click(d.Width() * 2 / 3, 150);  // into the code
    d.Key("ctrl+End");
    d.Type(" // kept");
    d.Signal(c.signal);
    const long long ms = MsUntilEnded(d, 10000);
    EXPECT_LE(ms, 2000) << "still running " << ms << " ms after the signal";
    if (d.Running()) {
      d.Shot(std::string("e2e-signal-unwritable-folder-") + std::to_string(c.signal) + ".png");
      d.Kill();
      continue;
    }
    EXPECT_EQ(d.WaitExit(), "");
    EXPECT_EQ(testsupport::ReadFile(bank), before);
    EXPECT_EQ(fs::directory_iterator(shared)->path(), bank);  // nothing else written there

    const std::string copy = d.Folder() + "/notes.xdb2";
    ASSERT_TRUE(fs::exists(copy)) << d.Output();
    EXPECT_NE(d.Output().find(copy), std::string::npos) << d.Output();
    EXPECT_EQ(code(copy), "int kept; // kept");
    EXPECT_EQ(testsupport::ReadFile(copy).substr(0, 2) == "PK", c.compress);
    if (*c.password) {
      EXPECT_EQ(Outline(copy).rfind("FAILED", 0), 0u) << "the copy is not enciphered";
    }
    const std::string settings = d.SettingsFile();
    const std::string last = apptest::XPath(settings, "string(/dataroot/LastOpened)");
    EXPECT_TRUE(last == copy || d.Folder() + "/" + last == copy) << last;
    EXPECT_NE(apptest::XPath(settings, "string(/dataroot/RecentFiles)").find(bank), std::string::npos);

    // The next start opens the copy: what is typed then is saved there.
    ASSERT_EQ(start({}), "") << d.Output();
    d.Click(d.Width() * 2 / 3, 150);
    d.Key("ctrl+End");
    d.Type(" // again");
    ASSERT_EQ(d.Exit(), "");
    EXPECT_EQ(code(copy), "int kept; // kept // again");
    EXPECT_EQ(testsupport::ReadFile(bank), before);
  }
}

// The command line as a person types it: options are not file names; --help and --version answer
// without a window (no display is needed), an unknown option is an error. Qt's own options (with
// their values) are Qt's, as in every Qt program: they neither count as unknown nor as a databank.
// A second databank is told on stderr and not opened.
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
      {{"-platform", "offscreen", "--version"}, 0, "Tessaryn ", ""},
      {{"-style=fusion", "--reverse", "-qwindowgeometry", "400x300", "--help"}, 0, "Usage: tessaryn", ""},
      {{"-stylesheet", "x.qss", "-title", "T", "--bogus"}, 2, "", "tessaryn: unknown option '--bogus'\n"},
      {{"first.xdb2", "second.xdb2", "--version"},
       0,
       "Tessaryn ",
       "tessaryn: one databank is opened at a time: 'second.xdb2' is not opened\n"},
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
    if (c.args.back() == "--version") {
      EXPECT_TRUE(std::regex_match(r.out, std::regex("Tessaryn \\d+(\\.\\d+)+\n"))) << r.out;
    }
  }

  // On a display: Qt takes its options (the style here), the databank named first opens and the
  // second is told about; on Qt's offscreen platform the program runs without a window and ends
  // at SIGTERM.
  REQUIRE_DESKTOP(d);
  const std::string bank = tmp.File("first.xdb2");
  testsupport::WriteFile(bank, SmallBank("First"));
  testsupport::WriteFile(tmp.File("second.xdb2"), SmallBank("Second"));
  ASSERT_EQ(d.Start({"-style", "fusion", bank, tmp.File("second.xdb2")}, "^Tessaryn - First$"), "") << d.Output();
  EXPECT_NE(
      d.Output().find("tessaryn: one databank is opened at a time: '" + tmp.File("second.xdb2") + "' is not opened\n"),
      std::string::npos)
      << d.Output();
  ASSERT_EQ(d.Exit(), "");
  std::vector<std::string> env = xs.ClientEnv();
  env.push_back("ASAN_OPTIONS=detect_leaks=0");
  BackgroundProcess offscreen(d.Program(), {"-platform", "offscreen", bank}, env);
  EXPECT_EQ(offscreen.CheckAlive(3000, "tessaryn -platform offscreen"), "");
  EXPECT_EQ(d.Find("^Tessaryn"), "");
  offscreen.Signal(SIGTERM);
  EXPECT_TRUE(Eventually([&] { return !offscreen.Running(); }, 20000)) << offscreen.Output();
  EXPECT_EQ(offscreen.ExitCode(), 0) << offscreen.Output();
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
