// The real program on a real X server, as the end-to-end suite drives it: one program in a folder of
// its own, keys and clicks through xdotool, the files it leaves read back with the probes. Every file
// of the suite shares this fixture, so its tests form one suite.
#pragma once

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

#include "AppTestSupport.h"

namespace e2e {

namespace fs = std::filesystem;
using testsupport::BackgroundProcess;
using testsupport::RunProcess;

inline void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// One X display with the program on it. The program runs from a folder of its own (a copy of the
// built binary, marked portable as the build folder is), so its settings file and its sample are the
// test's alone.
class Desktop {
 public:
  Desktop(testsupport::XServer& x, const testsupport::TempDir& tmp, const std::string& xdotool)
      : x_(x), dir_(tmp.File("prog")), xdotool_(xdotool) {
    setenv("DISPLAY", x.Display().c_str(), 1);  // for xdotool and xshot
    fs::create_directories(dir_);
    fs::copy_file(std::string(TESSARYN_BINARY_DIR) + "/tessaryn", Program());
    testsupport::WriteFile(dir_ + "/portable", "");
  }
  std::string Program() const { return dir_ + "/tessaryn"; }
  std::string Folder() const { return dir_; }
  std::string SettingsFile() const { return dir_ + "/tessaryn.xdb"; }
  // The profile's settings file, holding the given values (as "<AutoSave>0</AutoSave>").
  void WriteSettings(const std::string& values) const {
    testsupport::WriteFile(SettingsFile(), "<?xml version=\"1.0\"?>\r\n<dataroot>" + values + "</dataroot>");
  }

  // Starts the program; "" or why it did not show a window whose title matches.
  std::string Start(const std::vector<std::string>& args, const std::string& title, int timeoutMs = 60000) {
    return StartProgram(Program(), args, {}, title, timeoutMs);
  }
  // The same for another program (an installed copy, say), with `env` added to the environment.
  std::string StartProgram(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& env, const std::string& title, int timeoutMs = 60000) {
    std::vector<std::string> all = x_.ClientEnv();
    all.push_back("ASAN_OPTIONS=detect_leaks=0");  // Qt's own allocations at exit are not ours to judge here
    all.insert(all.end(), env.begin(), env.end());
    program_ = std::make_unique<BackgroundProcess>(program, args, all);
    return WaitWindow(title, timeoutMs);
  }
  // The same as the ordinary user and group 65534, through setpriv.
  std::string StartAsOrdinaryUser(const std::vector<std::string>& args, const std::string& title,
                                  const std::string& setpriv) {
    std::vector<std::string> env = x_.ClientEnv();
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    env.push_back("HOME=" + dir_);
    std::vector<std::string> all = {"--reuid=65534", "--regid=65534", "--clear-groups", Program()};
    all.insert(all.end(), args.begin(), args.end());
    program_ = std::make_unique<BackgroundProcess>(setpriv, all, env);
    return WaitWindow(title, 60000);
  }
  // "" once a visible window's title matches the regular expression (then it has the focus).
  // A program that is still running then is explained (ExplainStuckProgram) and killed.
  std::string WaitWindow(const std::string& title, int timeoutMs = 30000) {
    std::string error = program_->WaitUntil([&] { return !(window_ = Find(title)).empty(); }, timeoutMs,
                                            "tessaryn (waiting for a window \"" + title + "\")");
    if (!error.empty()) return error + ExplainAndKill("no-window");
    Sleep(300);
    Focus();
    return "";
  }
  // Gives the window the keyboard focus again (without a window manager nobody else does when a
  // dialog closes).
  void Focus() {
    Xdo({"windowfocus", "--sync", window_});
    Sleep(150);
  }
  std::string Find(const std::string& title) {
    std::istringstream ids(Xdo({"search", "--onlyvisible", "--name", title}));
    std::string id;
    std::getline(ids, id);
    return id;
  }
  std::string Title() { return Trim(Xdo({"getwindowname", window_})); }

  void Key(const std::string& keys) {
    Xdo({"key", "--delay", "120", keys});
    Sleep(250);
  }
  void Type(const std::string& text) {
    Xdo({"type", "--delay", "60", text});
    Sleep(250);
  }
  // A click at a point of the main window.
  void Click(int x, int y) {
    Xdo({"mousemove", "--window", window_, std::to_string(x), std::to_string(y), "click", "1"});
    Sleep(300);
  }
  int Width() {
    const std::string shell = Xdo({"getwindowgeometry", "--shell", window_});
    std::smatch m;
    return std::regex_search(shell, m, std::regex("WIDTH=(\\d+)")) ? std::stoi(m[1]) : 0;
  }
  // The main menu, then `downs` steps down it and Return.
  void MainMenu(int downs) {
    Click(20, 12);
    for (int i = 0; i < downs; ++i) Key("Down");
    Key("Return");
  }
  // The Exit button at the toolbar's right end; "" once the program has ended with exit code 0.
  std::string Exit() {
    Click(Width() - 20, 12);
    return WaitExit();
  }
  void Kill() { program_->Kill(); }
  void Signal(int signal) { program_->Signal(signal); }
  // "" once the program has ended by itself with exit code 0.
  std::string WaitExit() {
    const std::string error = program_->WaitUntil([&] { return !program_->Running(); }, 60000, "tessaryn (ending)");
    if (!error.empty() && program_->Running()) return error + ExplainAndKill("no-end");
    if (program_->ExitCode() != 0)
      return "tessaryn ended with " + std::to_string(program_->ExitCode()) + "; its output:\n" + program_->Output();
    return "";
  }
  bool Running() { return program_ && program_->Running(); }
  std::string Output() const { return program_ ? program_->Output() : ""; }

  // The screen as a PNG under the artifacts folder.
  void Shot(const std::string& name) {
    const auto r = RunProcess(testsupport::ProbePath("xshot"), {testsupport::ArtifactDir() + "/" + name});
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }

  // The main window alone as a PNG under the artifacts folder.
  void WindowShot(const std::string& name) {
    const auto r = RunProcess(testsupport::ProbePath("xshot"), {testsupport::ArtifactDir() + "/" + name, window_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }

  std::string Xdo(const std::vector<std::string>& args) {
    const auto r = RunProcess(xdotool_, args, "", 30);
    return r.out;
  }

 private:
  // While the program runs: why it is stuck (its windows, the screen as
  // "<suite>-<test>-<what>.png" among the artifacts, its threads' stacks), and then it is killed.
  std::string ExplainAndKill(const std::string& what) {
    if (!program_ || !program_->Running()) return "";
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        (test ? std::string(test->test_suite_name()) + "-" + test->name() : std::string("e2e")) + "-" + what + ".png";
    const std::string report = "\n" + testsupport::ExplainStuckProgram(program_->Pid(), x_.Display(), name);
    program_->Kill();
    return report;
  }
  static std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }

  testsupport::XServer& x_;
  std::string dir_;
  std::string xdotool_;
  std::string window_;
  std::unique_ptr<BackgroundProcess> program_;
};

inline std::string Outline(const std::string& file, const std::string& password = "") {
  std::vector<std::string> args = {"outline"};
  if (!password.empty()) args.insert(args.end(), {"--password", password});
  args.push_back(file);
  const auto r = RunProcess(testsupport::ProbePath("xdbprobe"), args);
  return r.exitCode == 0 ? r.out : "FAILED: " + r.err;
}

// How many steps down the main menu reach an item, as the window shows the menu for this databank
// (items that are hidden or disabled are passed over), with Save enabled or not.
inline int MenuSteps(const std::string& bank, const std::string& item, bool saveEnabled) {
  const auto r = RunProcess(testsupport::ProbePath("treeprobe"), {"--main", bank}, "ui\n");
  std::istringstream lines(r.out);
  std::string line;
  int steps = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("MainMenu/", 0) != 0) continue;
    std::vector<std::string> f;
    std::istringstream cells(line);
    for (std::string c; std::getline(cells, c, '\t');) f.push_back(c);
    const std::string caption = f[0].substr(9);
    if (caption.find('/') != std::string::npos || f.size() < 7) continue;  // an item of a submenu
    const bool enabled = caption == "Save" ? saveEnabled : f[4] == "1";
    if (f[5] != "1" || !enabled) continue;
    ++steps;
    if (caption == item) return steps;
  }
  ADD_FAILURE() << "no menu item " << item << " in:\n" << r.out << r.err;
  return 0;
}

// The text of a databank file: the node counter, then `settings` in its settings, then `nodes`.
inline std::string BankText(const std::string& settings, const std::string& nodes, int nextNodeID = 10) {
  return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>" +
         std::to_string(nextNodeID) + "</NextNodeID>" + settings + "</settings>" + nodes + "</dataroot>";
}

// A databank named `name` whose folder "Keep" holds the record "Kept" (ID 2, code "int kept;").
inline std::string SmallBank(const std::string& name) {
  return BankText("<DataBaseName>" + name + "</DataBaseName>",
                  "<folder ID=\"1\">Keep<record ID=\"2\">Kept<data>int kept;</data></record></folder>");
}

// A databank file at path written through the layers (xdbprobe encode): enciphered with password,
// zipped when compress.
inline void WriteBank(const std::string& plainXML, const std::string& path, const std::string& password,
                      bool compress) {
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

#define REQUIRE_DESKTOP(desk)            \
  REQUIRE_XSERVER(xs);                   \
  REQUIRE_TOOL(xdotool_tool, "xdotool"); \
  e2e::Desktop desk(xs, tmp, xdotool_tool)

class EndToEnd : public testsupport::TempDirTest {};

}  // namespace e2e

// ---------------------------------------------------------------------------------------------
// Two copies of the program on one databank. Their windows carry the same title, so each copy's
// window is taken while it is the only one shown (the other minimised), and brought to the front
// (out of the taskbar too) before that copy is driven.
namespace e2e {

// Waits up to ms for what() to hold (also for the other tests of the suite).
inline bool Eventually(const std::function<bool()>& what, int ms = 20000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!what()) {
    if (std::chrono::steady_clock::now() > until) return false;
    Sleep(50);
  }
  return true;
}

// The window that has the focus now: a copy's own right after its Start.
inline std::string ActiveWindow(Desktop& d) {
  std::string id = d.Xdo({"getactivewindow"});
  while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
  return id;
}
inline void Minimize(Desktop& d, const std::string& window) {
  d.Xdo({"windowminimize", "--sync", window});
  Sleep(500);
}
inline void Activate(Desktop& d, const std::string& window) {
  d.Xdo({"windowactivate", "--sync", window});
  Sleep(500);
  d.Focus();
}
// The conflict copies beside a databank file: "<name> (conflict <date> <time>)<extension>".
inline std::vector<std::string> ConflictCopiesOf(const std::string& bank) {
  const fs::path path(bank);
  const std::regex name(std::regex_replace(path.stem().string(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                        R"( \(conflict \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\))" +
                        std::regex_replace(path.extension().string(), std::regex(R"(\.)"), R"(\.)"));
  std::vector<std::string> copies;
  for (const auto& entry : fs::directory_iterator(path.parent_path()))
    if (std::regex_match(entry.path().filename().string(), name)) copies.push_back(entry.path().string());
  return copies;
}

}  // namespace e2e

// A display with a window manager and two copies of the program, each in a folder of its own.
#define REQUIRE_TWO_COPIES(first, second) \
  REQUIRE_DESKTOP(first);                 \
  ASSERT_EQ(xs.StartWindowManager(), ""); \
  testsupport::TempDir second##_folder;   \
  e2e::Desktop second(xs, second##_folder, xdotool_tool)

// ---- The window's keyboard focus, its messages and quiet browsing ----

namespace e2e {

// Clicks Exit; "" once the program has ended without asking anything. A question it asks is answered
// No (so the program still ends) and reported.
inline std::string ExitWithoutQuestion(Desktop& d, const std::string& shot) {
  d.Click(d.Width() - 20, 12);
  Eventually([&] { return !d.Running() || !d.Find("^Error$").empty(); }, 30000);
  std::string asked;
  if (d.Running() && !d.Find("^Error$").empty()) {
    d.Shot(shot);
    d.Key("n");
    asked = "it asked whether to save";
  }
  const std::string ended = d.WaitExit();
  return asked.empty() ? ended : asked + (ended.empty() ? "" : "; " + ended);
}

// The rectangle of the visible window whose title matches, as xdotool reports it (x, y, width,
// height); all 0 when there is none.
struct TWindowBox {
  int X = 0, Y = 0, Width = 0, Height = 0;
  int CentreX() const { return X + Width / 2; }
  int CentreY() const { return Y + Height / 2; }
};
// Every visible window whose title matches, in the order xdotool lists them.
inline std::vector<TWindowBox> WindowBoxes(Desktop& d, const std::string& title) {
  std::vector<TWindowBox> boxes;
  std::istringstream ids(d.Xdo({"search", "--onlyvisible", "--name", title}));
  for (std::string id; std::getline(ids, id);) {
    const std::string shell = d.Xdo({"getwindowgeometry", "--shell", id});
    TWindowBox box;
    std::smatch m;
    for (auto [key, value] : {std::pair{"X", &box.X}, {"Y", &box.Y}, {"WIDTH", &box.Width}, {"HEIGHT", &box.Height}})
      if (std::regex_search(shell, m, std::regex(std::string("\\b") + key + "=(-?\\d+)"))) *value = std::stoi(m[1]);
    boxes.push_back(box);
  }
  return boxes;
}
inline TWindowBox WindowBox(Desktop& d, const std::string& title) {
  const std::vector<TWindowBox> boxes = WindowBoxes(d, title);
  return boxes.empty() ? TWindowBox() : boxes.front();
}

// The desktop's clipboard as another program uses it, through xclip.
struct Clipboard {
  std::string xclip;
  // What the desktop's clipboard holds, as another program reads it.
  std::string Read() const { return RunProcess(xclip, {"-o", "-selection", "clipboard"}).out; }
  // Puts text there as another program does (xclip stays to serve it).
  void Put(const std::string& text) const {
    const auto r = RunProcess("sh", {"-c", xclip + " -selection clipboard -i >/dev/null 2>&1"}, text);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Sleep(200);
  }
};

}  // namespace e2e
