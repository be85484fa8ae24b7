#include "TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("tessaryn-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                             std::to_string(rd() % 100000));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write permission on anything a test made read-only, so that removal succeeds.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    ::setenv(name_, old_.c_str(), 1);
  } else {
    ::unsetenv(name_);
  }
}

void UsePrivateUserFolders() {
  // A test program started by a test keeps what its parent chose (the parent's folders, or the
  // places the test wants to see).
  if (std::getenv("TESSARYN_PRIVATE_USER_FOLDERS")) return;
  // A forked child that ends through exit() runs the same destructors: only the process that made
  // the folder removes it.
  struct TOwnedFolder {
    pid_t owner = ::getpid();
    std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
    ~TOwnedFolder() {
      if (::getpid() != owner) (void)dir.release();
    }
  };
  static TOwnedFolder folders;
  ::setenv("XDG_CONFIG_HOME", folders.dir->File("config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", folders.dir->File("data").c_str(), 1);
  ::setenv("TESSARYN_PRIVATE_USER_FOLDERS", "1", 1);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& stdinText,
                         int timeoutSeconds) {
  ProcessResult result;
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
  pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  signal(SIGPIPE, SIG_IGN);
  fcntl(inPipe[1], F_SETFL, O_NONBLOCK);
  size_t written = 0;
  if (stdinText.empty()) {
    close(inPipe[1]);
    inPipe[1] = -1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool outOpen = true, errOpen = true;
  char buf[65536];
  while (outOpen || errOpen) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
    pollfd fds[3];
    int n = 0;
    int outIdx = -1, errIdx = -1, inIdx = -1;
    if (outOpen) {
      fds[n] = {outPipe[0], POLLIN, 0};
      outIdx = n++;
    }
    if (errOpen) {
      fds[n] = {errPipe[0], POLLIN, 0};
      errIdx = n++;
    }
    if (inPipe[1] >= 0) {
      fds[n] = {inPipe[1], POLLOUT, 0};
      inIdx = n++;
    }
    if (poll(fds, n, 200) < 0) continue;
    if (outIdx >= 0 && (fds[outIdx].revents & (POLLIN | POLLHUP))) {
      ssize_t r = read(outPipe[0], buf, sizeof buf);
      if (r <= 0)
        outOpen = false;
      else
        result.out.append(buf, static_cast<size_t>(r));
    }
    if (errIdx >= 0 && (fds[errIdx].revents & (POLLIN | POLLHUP))) {
      ssize_t r = read(errPipe[0], buf, sizeof buf);
      if (r <= 0)
        errOpen = false;
      else
        result.err.append(buf, static_cast<size_t>(r));
    }
    if (inIdx >= 0 && (fds[inIdx].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t w = write(inPipe[1], stdinText.data() + written, stdinText.size() - written);
      if (w > 0) written += static_cast<size_t>(w);
      if (w < 0 || written >= stdinText.size()) {
        close(inPipe[1]);
        inPipe[1] = -1;
      }
    }
  }
  if (inPipe[1] >= 0) close(inPipe[1]);
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ProbePath(const std::string& name) {
  return std::string(TESSARYN_PROBE_DIR) + "/" + name;
}

std::string FindTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

ProcessResult XPathQuery(const std::string& xmllint, const std::string& file, const std::string& expression) {
  ProcessResult r = RunProcess(xmllint, {"--xpath", expression, file});
  while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
  return r;
}

std::string XPath(const std::string& xmllint, const std::string& file, const std::string& expression) {
  ProcessResult r = XPathQuery(xmllint, file, expression);
  EXPECT_EQ(r.exitCode, 0) << "xmllint --xpath " << expression << " " << file << ": " << r.err;
  return r.out;
}

std::string ArtifactDir() {
  std::string dir = TESSARYN_ARTIFACT_DIR;
  std::filesystem::create_directories(dir);
  return dir;
}

int RunAsOrdinaryUser(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    int rc = 3;
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) rc = body();
    ::_exit(rc);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// ---- background processes ----

BackgroundProcess::BackgroundProcess(const std::string& program, const std::vector<std::string>& args,
                                     const std::vector<std::string>& env) {
  char tmpl[] = "/tmp/tessaryn-bg-XXXXXX";
  const int fd = ::mkstemp(tmpl);
  if (fd < 0) return;
  logPath_ = tmpl;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fd);
    return;
  }
  if (pid == 0) {
    const int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::setpgid(0, 0);  // its own group, so Stop() also ends what it started
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    ::_exit(127);
  }
  ::close(fd);
  pid_ = pid;
}

BackgroundProcess::~BackgroundProcess() {
  Stop();
  if (!logPath_.empty()) ::unlink(logPath_.c_str());
}

bool BackgroundProcess::Running() {
  if (pid_ <= 0 || ended_) return false;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == 0) return true;
  ended_ = true;
  status_ = (r == pid_ && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return false;
}

int BackgroundProcess::ExitCode() {
  Running();
  return ended_ ? status_ : -1;
}

std::string BackgroundProcess::Output() const {
  return logPath_.empty() ? "" : ReadFile(logPath_);
}

// A program built with ThreadSanitizer (scripts/tsan) runs a few times slower than one of ./test's
// build: what it is waited for gets three times as long.
#if defined(__SANITIZE_THREAD__)
constexpr int kWaitFactor = 3;
#else
constexpr int kWaitFactor = 1;
#endif

std::string BackgroundProcess::WaitUntil(const std::function<bool()>& ready, int timeoutMs, const std::string& what) {
  if (!Started()) return what + " could not be started";
  timeoutMs *= kWaitFactor;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ready()) return "";
    if (!Running())
      return what + " ended at once (exit status " + std::to_string(status_) + "); its output:\n" + Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ready()) return "";
  return what + " did not become ready in " + std::to_string(timeoutMs) + " ms; its output:\n" + Output();
}

std::string BackgroundProcess::CheckAlive(int settleMs, const std::string& what) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleMs);
  const std::string error = WaitUntil([&] { return std::chrono::steady_clock::now() >= until; }, settleMs + 1000, what);
  return error;
}

void BackgroundProcess::Stop() {
  if (!Running()) return;
  ::kill(-pid_, SIGTERM);
  for (int i = 0; i < 100 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (Running()) {
    ::kill(-pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    ended_ = true;
  }
}

void BackgroundProcess::Kill() {
  if (!Running()) return;
  ::kill(-pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  ended_ = true;
  status_ = -1;
}

void BackgroundProcess::Signal(int signal) {
  if (Running()) ::kill(pid_, signal);
}

// ---- a program that did not become ready ----

namespace {

// A tool's output for a report: its standard output, or why there is none.
std::string ToolReport(const std::string& tool, const std::vector<std::string>& args, int timeoutSeconds) {
  const std::string path = FindTool(tool);
  if (path.empty()) return "(" + tool + " is not installed)\n";
  const ProcessResult r = RunProcess(path, args, "", timeoutSeconds);
  if (r.exitCode != 0) return "(" + tool + " failed with " + std::to_string(r.exitCode) + ": " + r.err + ")\n" + r.out;
  return r.out;
}

// "<tid> <name> <state>" for each thread of pid, from /proc.
std::string ThreadStates(int pid) {
  std::string out;
  const std::string task = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(task, ec)) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    // pid (name) state ...: the name may hold blanks and parentheses, the state follows its last ")".
    const size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 >= line.size()) continue;
    std::ifstream wchan(entry.path() / "wchan");
    std::string waiting;
    std::getline(wchan, waiting);
    out += entry.path().filename().string() + " " + line.substr(open, close - open + 1) + " " + line[close + 2] +
           (waiting.empty() || waiting == "0" ? "" : " in " + waiting) + "\n";
  }
  return ec ? "(" + task + ": " + ec.message() + ")\n" : out;
}

}  // namespace

std::string ExplainStuckProgram(int pid, const std::string& display, const std::string& shotName) {
  std::string report = "---- why process " + std::to_string(pid) + " is not ready ----\n";
  if (!display.empty()) {
    report += "-- windows with a name on " + display + " (xwininfo -root -tree):\n";
    std::istringstream tree(ToolReport("xwininfo", {"-display", display, "-root", "-tree"}, 30));
    for (std::string line; std::getline(tree, line);)
      if (line.find('"') != std::string::npos) report += line + "\n";
    report += "-- shown (mapped) windows with a name (xdotool):\n";
    const std::string xdotool = FindTool("xdotool");
    if (xdotool.empty()) {
      report += "(xdotool is not installed)\n";
    } else {
      const ProcessResult ids =
          RunProcess("env", {"DISPLAY=" + display, xdotool, "search", "--onlyvisible", "--name", "."});
      std::istringstream lines(ids.out);
      for (std::string id; std::getline(lines, id);)
        report += id + " " + RunProcess("env", {"DISPLAY=" + display, xdotool, "getwindowname", id}).out;
    }
    const std::string shot = ArtifactDir() + "/" + shotName;
    const ProcessResult r = RunProcess("env", {"DISPLAY=" + display, ProbePath("xshot"), shot});
    report += r.exitCode == 0 ? "-- the screen is kept as " + shot + "\n" : "-- no screenshot: " + r.err + "\n";
  }
  report += "-- threads (id, name, state, what a sleeping one waits in):\n" + ThreadStates(pid);
  report += "-- stacks (gdb):\n";
  report += ToolReport(
      "gdb", {"-p", std::to_string(pid), "-batch", "-nx", "-ex", "set pagination off", "-ex", "thread apply all bt"},
      120);
  return report;
}

// ---- X server ----

XServer::XServer(int width, int height) {
  const std::string xvfb = FindTool("Xvfb");
  if (xvfb.empty()) {
    error_ = "Xvfb is not installed (scripts/ensure-deps should install it)";
    return;
  }
  // The server picks a free display itself and writes its number to standard output (our log) once it
  // accepts clients: it alone can tell which displays are taken, also by servers in other filesystem
  // namespaces (a chroot, a container) that share the abstract socket names with this one.
  server_ = std::make_unique<BackgroundProcess>(
      xvfb, std::vector<std::string>{"-displayfd", "1", "-screen", "0",
                                     std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                                     "-noreset"});
  auto announced = [&] {
    // A whole line of digits, its line end written too.
    const std::string log = server_->Output();
    for (size_t begin = 0, end; (end = log.find('\n', begin)) != std::string::npos; begin = end + 1) {
      const std::string line = log.substr(begin, end - begin);
      if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
        display_ = ":" + line;
        return true;
      }
    }
    return false;
  };
  error_ = server_->WaitUntil(announced, 10000, "Xvfb");
  if (!error_.empty()) display_.clear();
}

std::vector<std::string> XServer::ClientEnv() const {
  return {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"};
}

std::unique_ptr<BackgroundProcess> XServer::StartClient(const std::string& program,
                                                        const std::vector<std::string>& args, std::string& error,
                                                        int settleMs) {
  auto client = std::make_unique<BackgroundProcess>(program, args, ClientEnv());
  const std::string name = program.substr(program.rfind('/') + 1);
  error = client->CheckAlive(settleMs, name + " on " + display_);
  return client;
}

std::string XServer::StartWindowManager() {
  if (windowManager_) return "";
  const std::string openbox = FindTool("openbox");
  if (openbox.empty()) return "openbox is not installed (scripts/ensure-deps should install it)";
  // Openbox runs its startup command once it has taken the screen and manages the windows there.
  windowManagerDir_ = std::make_unique<TempDir>();
  const std::string ready = windowManagerDir_->File("started");
  windowManager_ = std::make_unique<BackgroundProcess>(
      openbox, std::vector<std::string>{"--sm-disable", "--startup", "touch " + ready}, ClientEnv());
  const std::string error =
      windowManager_->WaitUntil([&] { return std::filesystem::exists(ready); }, 60000, "openbox on " + display_);
  if (!error.empty()) windowManager_.reset();
  return error;
}

std::string Utf16LeHex(std::u16string_view s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (char16_t c : s) {
    const unsigned lo = c & 0xFF, hi = c >> 8;
    out += digits[lo >> 4];
    out += digits[lo & 15];
    out += digits[hi >> 4];
    out += digits[hi & 15];
  }
  return out;
}

}  // namespace testsupport
