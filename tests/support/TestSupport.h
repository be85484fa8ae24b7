// Shared helpers for the test suites: temporary folders, whole-file reads and writes, running a
// program (a probe or an outside tool) and capturing what it prints.
#pragma once

#include <filesystem>
#include <string>
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

}  // namespace testsupport
