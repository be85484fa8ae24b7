// File and path services: names, the executable and settings locations, the read-only test and the
// atomic write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Streams.h"

using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDirTest;
using testsupport::WriteFile;

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

TEST(Files, NamesOnSlashSeparatedPaths) {
  EXPECT_EQ(ChangeFileExt("/a/bank.xdb", ".bak"), "/a/bank.bak");
  EXPECT_EQ(ChangeFileExt("/a/bank", ".bak"), "/a/bank.bak");
  EXPECT_EQ(ChangeFileExt("/a.d/bank", ".bak"), "/a.d/bank.bak");  // the dot of a folder is not an extension
  EXPECT_EQ(ChangeFileExt("/a/bank.tar.gz", ".bak"), "/a/bank.tar.bak");
  EXPECT_EQ(ChangeFileExt("bank.xdb", ".xdb2"), "bank.xdb2");
  EXPECT_EQ(ChangeFileExt("/a/bank.", ".bak"), "/a/bank.bak");
  EXPECT_EQ(ChangeFileExt("", ".bak"), ".bak");
  EXPECT_EQ(ExtractFileExt("/a.d/b"), "");
  EXPECT_EQ(ExtractFileExt("/a/b.xdb2"), ".xdb2");
  EXPECT_EQ(ExtractFileDir("/a/b/c.x"), "/a/b");
  EXPECT_EQ(ExtractFileDir("/c.x"), "/");
  EXPECT_EQ(ExtractFileDir("c.x"), "");
  EXPECT_EQ(ExtractFileName("/a/b/c.x"), "c.x");
  EXPECT_EQ(ExtractFileName("c.x"), "c.x");
}

TEST(Files, ExecutablePath) {
  std::string exe = ExecutablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe[0], '/');
  EXPECT_TRUE(FileExists(exe));
  EXPECT_EQ(ExtractFileName(exe), "test_platform");
}

// Only a program whose folder is marked portable (a file "portable" beside it, as the build folder
// has) and writable keeps its settings and its data beside itself; any other uses the XDG folders,
// where a relative XDG value counts as unset. Each case runs a copy of this binary; as root, the
// copy runs as an ordinary user, so that a folder without write permission refuses it.
TEST(Files, UserFilesBesideAPortableProgramElseInTheXdgFolders) {
  testsupport::TempDir dir;
  const std::string prog = dir.File("prog");
  std::filesystem::create_directory(prog);
  const std::string exe = prog + "/tessaryn";
  std::filesystem::copy_file(ExecutablePath(), exe);
  ::chmod(dir.Path().c_str(), 0755);
  auto run = [&](mode_t folderMode, const char* config, const char* data) {
    ::chmod(prog.c_str(), folderMode);
    ScopedEnv configHome("XDG_CONFIG_HOME", config);
    ScopedEnv dataHome("XDG_DATA_HOME", data);
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv child("TESSARYN_FILES_CHILD", "1");
    // The leak checker cannot inspect a process that gave up root; the child only prints paths.
    ScopedEnv asan("ASAN_OPTIONS", "detect_leaks=0");
    auto r = testsupport::RunProcess(exe, {"--gtest_filter=Files.UserFilesChild"});
    ::chmod(prog.c_str(), 0755);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    return r.out;
  };
  // A writable folder is not enough: an installed program's folder often is writable.
  std::string out = run(0777, "/xdg/conf", "/xdg/data/");
  if (out.find("SKIPPED") != std::string::npos) GTEST_SKIP() << "cannot switch to an ordinary user";
  EXPECT_NE(out.find("portable=0\nsettings=/xdg/conf/tessaryn/tessaryn.xdb\ndata=/xdg/data/tessaryn\n"),
            std::string::npos)
      << out;
  out = run(0777, "relative/ignored", "");
  EXPECT_NE(
      out.find("settings=/home/someone/.config/tessaryn/tessaryn.xdb\ndata=/home/someone/.local/share/tessaryn\n"),
      std::string::npos)
      << out;
  WriteFile(prog + "/portable", "");
  out = run(0777, "/xdg/conf", "/xdg/data");
  EXPECT_NE(out.find("portable=1\nsettings=" + prog + "/tessaryn.xdb\ndata=" + prog + "\n"), std::string::npos) << out;
  // Marked portable on a medium it may not write: the user's folders.
  out = run(0555, "/xdg/conf", "/xdg/data");
  EXPECT_NE(out.find("portable=0\nsettings=/xdg/conf/tessaryn/tessaryn.xdb\n"), std::string::npos) << out;
}

// Helper run by the test above in a copied binary; does nothing in a normal run.
TEST(Files, UserFilesChild) {
  if (!std::getenv("TESSARYN_FILES_CHILD")) return;
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) GTEST_SKIP() << "no ordinary user";
  ::prctl(PR_SET_DUMPABLE, 1);  // keeps /proc/self/exe readable after the switch
  std::printf("portable=%d\nsettings=%s\ndata=%s\n", PortableProgram() ? 1 : 0, SettingsFilePath().c_str(),
              UserDataFolder().c_str());
}

class FilesOnDisk : public TempDirTest {};

TEST_F(FilesOnDisk, ExistenceDeleteRenameCopyAndFolders) {
  const std::string a = tmp.File("a.txt");
  EXPECT_FALSE(FileExists(a));
  WriteFile(a, "one");
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(tmp.Path().string()));  // a folder is not a file
  EXPECT_TRUE(DirectoryExists(tmp.Path().string()));
  EXPECT_FALSE(FileExists(""));

  const std::string b = tmp.File("b.txt");
  WriteFile(b, "two");
  EXPECT_TRUE(RenameFile(a, b));  // replaces the target
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(ReadFile(b), "one");
  EXPECT_FALSE(RenameFile(a, b));
  CopyFile(b, a);
  EXPECT_EQ(ReadFile(a), "one");
  EXPECT_THROW(CopyFile(tmp.File("none"), a), EFOpenError);
  EXPECT_TRUE(DeleteFile(a));
  EXPECT_FALSE(DeleteFile(a));

  const std::string deep = tmp.File("x/y/z");
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_FALSE(ForceDirectories(b + "/sub"));  // a file is in the way
}

TEST_F(FilesOnDisk, ReadOnlyComesFromTheModeBits) {
  const std::string f = tmp.File("f");
  EXPECT_FALSE(IsFileReadOnly(f));
  WriteFile(f, "x");
  EXPECT_FALSE(IsFileReadOnly(f));
  ::chmod(f.c_str(), 0444);
  EXPECT_TRUE(IsFileReadOnly(f));  // also for root, who could write it anyway
  ::chmod(f.c_str(), 0466);
  EXPECT_TRUE(IsFileReadOnly(f));
  ::chmod(f.c_str(), 0600);
  EXPECT_FALSE(IsFileReadOnly(f));
}

TEST_F(FilesOnDisk, AtomicWriteReplacesKeepsModeAndFollowsLinks) {
  const std::string f = tmp.File("data.xdb");
  WriteFileAtomic(f, std::string_view("first"));
  EXPECT_EQ(ReadFile(f), "first");
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(ModeOf(f), 0666 & ~mask);

  ::chmod(f.c_str(), 0640);
  WriteFileAtomic(f, std::string_view("second"));
  EXPECT_EQ(ReadFile(f), "second");
  EXPECT_EQ(ModeOf(f), 0640u);

  const std::string link = tmp.File("link.xdb");
  std::filesystem::create_symlink("data.xdb", link);
  WriteFileAtomic(link, std::string_view("third"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(f), "third");

  WriteFileAtomic(f, [](TStream& s) {
    s.WriteString("ab");
    s.WriteString("cd");
  });
  EXPECT_EQ(ReadFile(f), "abcd");
  WriteFileAtomic(f, std::string_view());
  EXPECT_EQ(ReadFile(f), "");
}

TEST_F(FilesOnDisk, FailedAtomicWriteLeavesTheOldFile) {
  const std::string f = tmp.File("data.xdb");
  WriteFile(f, "precious");
  // The writer fails part way: the old file stays, no temporary file is left.
  EXPECT_THROW(WriteFileAtomic(f,
                               [](TStream& s) {
                                 s.WriteString("partial");
                                 throw EWriteError("disk gone");
                               }),
               EWriteError);
  EXPECT_EQ(ReadFile(f), "precious");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Path())) ++files;
  EXPECT_EQ(files, 1u);

  // A read-only target is refused (for root as well), with a message naming it.
  ::chmod(f.c_str(), 0444);
  try {
    WriteFileAtomic(f, std::string_view("new"));
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find(f), std::string::npos);
  }
  EXPECT_EQ(ReadFile(f), "precious");
  EXPECT_THROW(WriteFileAtomic(tmp.File("no/folder/x"), std::string_view("x")), EFCreateError);
  EXPECT_THROW(WriteFileAtomic(tmp.Path().string(), std::string_view("x")), EFCreateError);
  EXPECT_THROW(WriteFileAtomic("", std::string_view("x")), EFCreateError);
}

TEST_F(FilesOnDisk, WritesCutOffByAKillLeaveOnlyTemporaryFilesThatAreRemovedLater) {
  const std::string f = tmp.File("data.xdb");
  WriteFile(f, "precious");
  const pid_t child = ::fork();
  if (child == 0) {
    WriteFileAtomic(f, [](TStream& s) {
      s.WriteString("partial");
      ::raise(SIGKILL);
    });
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(f), "precious");
  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  };
  ASSERT_EQ(names().size(), 2u);
  // One that a write still holds, and names that only look alike, stay.
  const std::string held = tmp.File(".data.xdb.Held01");
  WriteFile(held, "busy");
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  for (const char* name : {".data.xdb.1234567", ".data.xdb.12-456", ".other.xdb.123456", "data.xdb.123456"})
    WriteFile(tmp.File(name), "x");
  RemoveStaleTemporaryFiles(f);
  EXPECT_EQ(names(), (std::vector<std::string>{".data.xdb.12-456", ".data.xdb.1234567", ".data.xdb.Held01",
                                               ".other.xdb.123456", "data.xdb", "data.xdb.123456"}));
  ::close(fd);
  RemoveStaleTemporaryFiles(f);
  EXPECT_FALSE(std::filesystem::exists(held));
}

// A file the user may write in a folder they may not: the write is refused, and the message names
// the folder that refused the temporary file (the file itself is writable), with the system's reason.
TEST_F(FilesOnDisk, AFolderThatRefusesTheTemporaryFileIsNamed) {
  const std::string dir = tmp.File("closed"), f = dir + "/mine.xdb2";
  std::filesystem::create_directory(dir);
  WriteFile(f, "mine");
  ::chmod(f.c_str(), 0666);
  ::chmod(tmp.Path().c_str(), 0755);
  ::chmod(dir.c_str(), 0555);
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a folder an ordinary user may not write";
  const std::string expected =
      "Cannot create a temporary file to write \"" + f + "\" in the folder \"" + dir + "\". Permission denied";
  const int outcome = testsupport::RunAsOrdinaryUser([&]() -> int {
    try {
      WriteFileAtomic(f, std::string_view("new"));
      return 1;
    } catch (const EFCreateError& e) {
      if (e.Message() != expected) {
        std::fprintf(stderr, "told: %s\n", e.Message().c_str());
        return 4;
      }
      return 0;
    } catch (...) {
      return 2;
    }
  });
  ::chmod(dir.c_str(), 0755);
  ASSERT_GE(outcome, 0) << "the child process failed";
  if (outcome == 3) GTEST_SKIP() << "cannot switch to an ordinary user";
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(ReadFile(f), "mine");
}

TEST_F(FilesOnDisk, AnotherUsersFileIsNotReplaced) {
  // A file we may not write is refused even where the folder would allow replacing it by rename.
  const std::string f = tmp.File("theirs.xdb");
  WriteFile(f, "theirs");
  ::chmod(f.c_str(), 0644);
  ::chmod(tmp.Path().c_str(), 0777);
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own a file another user then tries";
  const int outcome =
      testsupport::OutcomeAsOrdinaryUser<EFCreateError>([&] { WriteFileAtomic(f, std::string_view("mine")); });
  ASSERT_GE(outcome, 0) << "the child process failed";
  if (outcome == 3) GTEST_SKIP() << "cannot switch to an ordinary user";
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(ReadFile(f), "theirs");
}
