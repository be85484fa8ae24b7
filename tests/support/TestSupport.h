// Shared helpers for the test suites: temporary folders, whole-file reads and writes, running a
// program (a probe or an outside tool) and capturing what it prints.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh folder below the system temporary folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Fixture that gives each test its own temporary folder.
class TempDirTest : public ::testing::Test {
 protected:
  TempDir tmp;
};

// Sets an environment variable for the scope (nullptr unsets it) and puts the old state back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a folder of this test process (removed when it ends),
// so that nothing a test runs, a started program included, writes into the user's own folders. A
// test program started by another test leaves them as its parent set them.
void UsePrivateUserFolders();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

struct ProcessResult {
  int exitCode = -1;  // -1 when the program could not be started or was killed
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs program with args (no shell), feeding stdinText, and waits for it (timeoutSeconds, then killed).
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& stdinText = "", int timeoutSeconds = 120);

// Full path of a probe built with the tests.
std::string ProbePath(const std::string& name);

// Full path of an outside tool found on PATH, or "" when it is not installed.
std::string FindTool(const std::string& name);

// Fails the current test when an outside tool is missing: scripts/ensure-deps installs every tool a
// test starts, so a missing one is a missing install step, never a reason to skip.
#define REQUIRE_TOOL(var, name)                                                    \
  std::string var = ::testsupport::FindTool(name);                                 \
  if (var.empty())                                                                 \
  FAIL() << "outside tool '" << name << "' is not installed (scripts/ensure-deps " \
         << "should install it)"

// xmllint --xpath expression file. Its out holds the answer without the line end xmllint puts after
// some answers and not others.
ProcessResult XPathQuery(const std::string& xmllint, const std::string& file, const std::string& expression);

// The answer of XPathQuery; a failed run of xmllint fails the test, with xmllint's error.
std::string XPath(const std::string& xmllint, const std::string& file, const std::string& expression);

// A program running in the background while a test works, its standard output and error captured
// in a file. Ended (SIGTERM, then SIGKILL) when the object goes.
class BackgroundProcess {
 public:
  // env: extra NAME=VALUE entries added to the environment.
  BackgroundProcess(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& env = {});
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  int Pid() const { return pid_; }
  // True while the process has not ended.
  bool Running();
  // Its exit status once ended (-1 while running or when killed by a signal).
  int ExitCode();
  // What it printed so far (standard output and error together).
  std::string Output() const;
  // Waits up to timeoutMs for ready() to hold while the process lives. Returns "" when it held;
  // otherwise why not: "<what> ended at once" or "<what> did not become ready", with its output.
  std::string WaitUntil(const std::function<bool()>& ready, int timeoutMs, const std::string& what);
  // Checks that the process is still running after settleMs (a helper that dies at start, such as a
  // tray host without its fonts, is reported with its own error output). "" when it runs.
  std::string CheckAlive(int settleMs, const std::string& what);
  void Stop();
  // Ends it at once with SIGKILL, as a crash or a power cut would, and reaps it.
  void Kill();
  // Sends it signal (the process alone, not its group).
  void Signal(int signal);

 private:
  int pid_ = -1;
  int status_ = -1;
  bool ended_ = false;
  std::string logPath_;
};

// Why a program under test did not become ready (no window, no end), told before it is killed: the
// windows on its display (display ":N"; "" for none) with those shown, a screenshot of the display
// kept under the artifacts folder as shotName, the state of each of its threads and their stacks
// (gdb in batch mode). Each part says so when its tool is missing or fails.
std::string ExplainStuckProgram(int pid, const std::string& display, const std::string& shotName);

// An X server (Xvfb) of its own for one test, on a display it picked itself. Error() is empty when
// the server runs; otherwise it says why not, with the server's own output.
class XServer {
 public:
  explicit XServer(int width = 1280, int height = 1024);
  const std::string& Error() const { return error_; }
  // ":N"
  const std::string& Display() const { return display_; }
  // "DISPLAY=:N" and the settings every program under test needs on it.
  std::vector<std::string> ClientEnv() const;
  // Starts a helper program (a tray host, a second copy of the program, ...) on this display and
  // checks that it is still running after settleMs; error receives why not.
  std::unique_ptr<BackgroundProcess> StartClient(const std::string& program, const std::vector<std::string>& args,
                                                 std::string& error, int settleMs = 1000);
  // Starts a small window manager (openbox) on this display, as a desktop has one: focus, stacking
  // and the placement of dialogs then behave as a user sees them. Returns once it has started up
  // (it runs a command of ours then): a window mapped while it is still starting may never be
  // shown, and its start takes seconds where the font cache is cold. "" or why it could not run.
  std::string StartWindowManager();

 private:
  std::unique_ptr<BackgroundProcess> server_;
  std::unique_ptr<TempDir> windowManagerDir_;  // where it tells that it has started up
  std::unique_ptr<BackgroundProcess> windowManager_;
  std::string display_;
  std::string error_;
};

// Starts an X server for the test, failing the test (with the server's output) when it cannot run.
#define REQUIRE_XSERVER(var)        \
  REQUIRE_TOOL(var##_xvfb, "Xvfb"); \
  ::testsupport::XServer var;       \
  ASSERT_TRUE(var.Error().empty()) << var.Error()

// Folder for files the tests leave for a person to look at (rendered PNGs and the like).
std::string ArtifactDir();

// Runs body in a forked child that first switches to the ordinary user and group 65534, and gives
// back the child's exit code: body's result, 3 when the switch is refused, -1 when fork or wait
// failed or the child did not exit. Tests running as root use it to see what a user without
// rights gets.
int RunAsOrdinaryUser(const std::function<int()>& body);

// Runs action as the ordinary user (above) and tells how it ended: 0 when it threw Refusal, 1 when
// it returned, 2 on any other exception, 3 when the child could not switch users, -1 as above.
template <class Refusal, class Action>
int OutcomeAsOrdinaryUser(Action action) {
  return RunAsOrdinaryUser([&]() -> int {
    try {
      action();
      return 1;
    } catch (const Refusal&) {
      return 0;
    } catch (...) {
      return 2;
    }
  });
}

// UTF-16 text as lower-case hex of its little-endian bytes, the form Python decodes with
// bytes.fromhex(h).decode('utf-16-le', 'surrogatepass').
std::string Utf16LeHex(std::u16string_view s);

}  // namespace testsupport
