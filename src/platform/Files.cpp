#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Streams.h"

namespace {

// A stream over an open descriptor; the atomic writer hands it to its callback, which may read back
// what it wrote (reading a descriptor opened for writing only gives nothing).
class TDescriptorStream : public TStream {
 public:
  TDescriptorStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

  int64_t Read(void* buffer, int64_t count) override {
    int64_t total = 0;
    char* p = static_cast<char*>(buffer);
    while (total < count) {
      ssize_t r = ::read(fd_, p + total, static_cast<size_t>(count - total));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      total += r;
    }
    pos_ += total;
    return total;
  }
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t total = 0;
    const char* p = static_cast<const char*>(buffer);
    while (total < count) {
      ssize_t w = ::write(fd_, p + total, static_cast<size_t>(count - total));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error_ = w < 0 ? errno : ENOSPC;
        break;
      }
      total += w;
    }
    size_ = std::max(size_, pos_ + total);
    pos_ += total;
    return total;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) throw EStreamError(FileErrorText("Cannot seek in file", path_, errno));
    pos_ = r;
    return r;
  }
  int64_t Size() const override { return size_; }
  void SetSize(int64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
      throw EStreamError(FileErrorText("Cannot change the size of file", path_, errno));
    size_ = size;
  }
  int Error() const { return error_; }

 private:
  int fd_;
  std::string path_;
  int64_t pos_ = 0;
  int64_t size_ = 0;
  int error_ = 0;
};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = ::getpwuid(::geteuid())) {
    if (pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  }
  return "/tmp";
}

// The file a write to path really lands in: a symbolic link is followed so that it stays a link.
std::string ResolveTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size() - 1);
    if (n <= 0) return current;
    std::string link(buf.data(), static_cast<size_t>(n));
    if (link[0] == '/') {
      current = link;
    } else {
      std::string dir = ExtractFileDir(current);
      current = dir.empty() ? link : dir + "/" + link;
    }
  }
  return current;
}

}  // namespace

namespace {

// The process's file-creation mask, read without changing it (saves run on more than one thread).
mode_t ProcessUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "Umask:") == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  mode_t mask = ::umask(0);  // only where the kernel does not tell
  ::umask(mask);
  return mask;
}

// "<folder>/.<name>.XXXXXX": hidden, beside the target; a very long name is shortened so the
// temporary one still fits.
std::string TemporaryPattern(const std::string& target) {
  const std::string dir = ExtractFileDir(target);
  return (dir.empty() ? std::string() : dir + "/") + "." + ExtractFileName(target).substr(0, 200) + ".XXXXXX";
}

}  // namespace

void RemoveStaleTemporaryFiles(const std::string& path) {
  if (path.empty()) return;
  const std::string pattern = TemporaryPattern(ResolveTarget(path));
  const std::string dir = ExtractFileDir(pattern);
  const std::string prefix = ExtractFileName(pattern).substr(0, ExtractFileName(pattern).size() - 6);
  DIR* folder = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!folder) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!std::all_of(name.end() - 6, name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
      continue;
    stale.push_back((dir.empty() ? std::string() : dir + "/") + name);
  }
  ::closedir(folder);
  for (const std::string& file : stale) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {};
    // A writer still at work holds its lock; only files nobody holds are removed.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(file.c_str());
    ::close(fd);
  }
}

bool FolderWritable(const std::string& dir) {
  return !dir.empty() && ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string ExecutablePath() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "";
  return std::string(buf.data(), static_cast<size_t>(n));
}

bool PortableProgram() {
  const std::string dir = ExtractFileDir(ExecutablePath());
  return !dir.empty() && FileExists(dir + "/portable") && FolderWritable(dir);
}

namespace {

// "$<variable>/tessaryn", or "<home>/<fallback>/tessaryn" when the variable is unset or not an
// absolute path (the XDG convention ignores relative ones).
std::string XdgProgramFolder(const char* variable, const char* fallback) {
  std::string folder;
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') {
    folder = value;
  } else {
    folder = HomeFolder() + "/" + fallback;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/tessaryn";
}

}  // namespace

std::string SettingsFilePath() {
  if (PortableProgram()) {
    const std::string exe = ExecutablePath();
    return ExtractFileDir(exe) + "/" + ExtractFileName(exe) + ".xdb";
  }
  return XdgProgramFolder("XDG_CONFIG_HOME", ".config") + "/tessaryn.xdb";
}

std::string UserDataFolder() {
  if (PortableProgram()) return ExtractFileDir(ExecutablePath());
  return XdgProgramFolder("XDG_DATA_HOME", ".local/share");
}

std::string ExtractFileDir(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string ExtractFileName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
  size_t slash = path.rfind('/');
  size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) return "";
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  size_t slash = path.rfind('/');
  size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  std::string out(dot == std::string_view::npos || dot < start ? path : path.substr(0, dot));
  out += ext;
  return out;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFileReadOnly(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & S_IWUSR) == 0;
}

TFileIdentity FileIdentityOf(const std::string& path) {
  struct stat st {};
  TFileIdentity id;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return id;
  id.Exists = true;
  id.Device = static_cast<std::uint64_t>(st.st_dev);
  id.Inode = static_cast<std::uint64_t>(st.st_ino);
  id.Size = static_cast<std::int64_t>(st.st_size);
  id.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

std::int64_t WallClockNs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return !from.empty() && !to.empty() && ::rename(from.c_str(), to.c_str()) == 0;
}

void CopyFile(const std::string& from, const std::string& to) {
  TFileStream source(from, fmOpenRead);
  WriteFileAtomic(to, [&](TStream& target) {
    source.SetPosition(0);
    if (source.Size() > 0) target.CopyFrom(source, source.Size());
  });
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::string parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && DirectoryExists(path);
}

// A pipe or a device (/dev/null, /dev/stdout, a FIFO) is written into in place: it holds no data a
// failed write could destroy, and a file renamed over it would take its place.
static void WriteIntoSpecialFile(const std::string& path, const std::function<void(TStream&)>& writer) {
  // Built in memory first: a pipe cannot seek, and some writers (the zip layer) go back to patch.
  TMemoryStream buffer;
  writer(buffer);
  // Without O_NONBLOCK a FIFO nobody reads would wait for a reader for ever.
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw EFCreateError(FileErrorText("Cannot create file", path, errno));
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  TDescriptorStream stream(fd, path);
  stream.Write(buffer.Memory(), buffer.Size());
  const int err = stream.Error();
  if (::close(fd) != 0 && err == 0) throw EWriteError(FileErrorText("Cannot write file", path, errno));
  if (err != 0) throw EWriteError(FileErrorText("Cannot write file", path, err));
}

void WriteFileAtomic(const std::string& path, const std::function<void(TStream&)>& writer) {
  if (path.empty()) throw EFCreateError(FileErrorText("Cannot create file", path, ENOENT));
  struct stat direct {};
  if (::stat(path.c_str(), &direct) == 0 && !S_ISREG(direct.st_mode) && !S_ISDIR(direct.st_mode)) {
    WriteIntoSpecialFile(path, writer);
    return;
  }
  const std::string target = ResolveTarget(path);
  struct stat old {};
  bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) throw EFCreateError(FileErrorText("Cannot create file", path, EISDIR));
  if (exists && (old.st_mode & S_IWUSR) == 0) throw EFCreateError(FileErrorText("Cannot create file", path, EACCES));
  // Replacing by rename needs only the folder's permission; a file we could not write in place is not
  // ours to replace either.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    throw EFCreateError(FileErrorText("Cannot create file", path, errno));

  std::string dir = ExtractFileDir(target);
  std::string temp = TemporaryPattern(target);
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    // The file itself may well be writable: what refused is its folder, which the user must see.
    const int err = errno;
    std::string folder = dir;
    if (folder.empty() || folder[0] != '/') {
      char cwd[PATH_MAX];
      if (::getcwd(cwd, sizeof cwd)) folder = folder.empty() ? std::string(cwd) : std::string(cwd) + "/" + folder;
    }
    throw EFCreateError(
        FileErrorText("Cannot create a temporary file to write \"" + path + "\" in the folder", folder, err));
  }
  temp.assign(name.data());
  // Held while the file is written: a temporary file nobody holds is what an interrupted write left.
  ::flock(fd, LOCK_EX);

  auto fail = [&](int err, const char* what) {
    ::close(fd);
    ::unlink(temp.c_str());
    if (err == 0) err = EIO;
    throw EWriteError(FileErrorText(what, path, err));
  };
  // A new file gets the usual permissions (0666 less the umask); an existing one keeps its own.
  mode_t mode = 0;
  if (exists) {
    mode = old.st_mode & 07777;
  } else {
    mode = 0666 & ~ProcessUmask();
  }
  if (::fchmod(fd, mode) != 0) fail(errno, "Cannot write file");
  // Keep the owner when we may (root saving a user's file); failing that is not an error.
  if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
    [[maybe_unused]] int ignored = ::fchown(fd, old.st_uid, old.st_gid);
  }

  TDescriptorStream stream(fd, path);
  try {
    writer(stream);
  } catch (const EStreamError&) {
    ::close(fd);
    ::unlink(temp.c_str());
    if (stream.Error() != 0) throw EWriteError(FileErrorText("Cannot write file", path, stream.Error()));
    throw;
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (stream.Error() != 0) fail(stream.Error(), "Cannot write file");
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) fail(errno, "Cannot write file");
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throw EWriteError(FileErrorText("Cannot write file", path, err));
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throw EWriteError(FileErrorText("Cannot write file", path, err));
  }
  // Make the rename itself durable.
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  WriteFileAtomic(path, [&](TStream& stream) {
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  });
}
