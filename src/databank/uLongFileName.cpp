#include "databank/uLongFileName.h"

#include <sys/stat.h>

#include "databank/uFilePaths.h"

std::string GetLongFileName(const std::string& path) {
  if (path.empty()) return path;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return path;
  const std::string full = bankpaths::ExpandFileName(path);
  return full.empty() ? path : full;
}
