#include "databank/uFilePaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"

namespace bankpaths {

// The splitting and the existence tests are the platform's; this unit keeps the pipeline's names.
std::string ExtractFileName(const std::string& path) {
  return ::ExtractFileName(path);
}

std::string ExtractFilePath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  return ::ExtractFileExt(path);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  return ::ChangeFileExt(path, ext);
}

std::string ExpandFileNameFrom(const std::string& path, const std::string& base) {
  if (path.empty()) return path;
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::path(base) / p;
  std::string out = p.lexically_normal().string();
  // "/a/b/" and "/a/b/." name the folder; keep no trailing slash except for the root itself.
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (ec) return path;
  return ExpandFileNameFrom(path, cwd.string());
}

bool FileExists(const std::string& path) {
  return ::FileExists(path);
}

bool DirectoryExists(const std::string& path) {
  return ::DirectoryExists(path);
}

long long FileSizeOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  // A file not there yet: where it would be written, the folders' links followed.
  auto resolved = [](const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    return error ? std::filesystem::path(ExpandFileName(path)).lexically_normal() : full;
  };
  return resolved(a) == resolved(b);
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace flag: a hard link fails when the target exists.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

std::string MakeRelativeToProgram(const std::string& path, const std::string& programDir) {
  if (programDir.empty()) return path;
  std::string prefix = programDir;
  if (prefix.back() != '/') prefix += '/';
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
  return path;
}

std::string ResolveFromProgram(const std::string& path, const std::string& programDir) {
  if (path.empty() || path.front() == '/' || programDir.empty()) return path;
  return ExpandFileNameFrom(path, programDir);
}

}  // namespace bankpaths
