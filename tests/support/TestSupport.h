// Shared helpers for the test suites: temporary folders, whole-file reads and writes, running a
// program (a probe or an outside tool) and capturing what it prints.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

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

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

struct ProcessResult {
  int exitCode = -1;        // -1 when the program could not be started or was killed
  std::string out;          // standard output
  std::string err;          // standard error
};

// Runs program with args (no shell), feeding stdinText, and waits for it (timeoutSeconds, then killed).
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& stdinText = "", int timeoutSeconds = 120);

// Full path of a probe built with the tests.
std::string ProbePath(const std::string& name);

// Full path of an outside tool found on PATH, or "" when it is not installed.
std::string FindTool(const std::string& name);

// Skips the current test with a visible message when an outside tool is missing.
#define REQUIRE_TOOL(var, name)                                              \
  std::string var = ::testsupport::FindTool(name);                           \
  if (var.empty()) GTEST_SKIP() << "outside tool '" << name << "' is not installed"

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
