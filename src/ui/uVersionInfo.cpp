#include "ui/uVersionInfo.h"

#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "platform/Version.h"

bool ParseVersionNumbers(const std::string& text, unsigned numbers[4]) {
  for (int i = 0; i < 4; ++i) numbers[i] = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return part > 0;
    unsigned long long v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      v = v * 10 + unsigned(text[pos] - '0');
      if (v > 65535) v = 65535;  // each part is a 16-bit word
      ++pos;
    }
    numbers[part] = unsigned(v);
    if (pos >= text.size() || text[pos] != '.') return true;
    ++pos;
  }
  return true;
}

namespace {
bool IsProgramItself(const std::string& fileName) {
  const std::string exe = ExecutablePath();
  if (exe.empty()) return false;
  std::error_code ec1, ec2;
  return std::filesystem::equivalent(fileName, exe, ec1) && !ec1 && !ec2;
}
}  // namespace

std::string GetFileVersion(const std::string& fileName, bool shortForm) {
  if (!fileName.empty() && !IsProgramItself(fileName)) return "";
  unsigned n[4];
  if (!ParseVersionNumbers(platform::ProgramVersion(), n)) return "";
  std::string r = std::to_string(n[0]) + "." + std::to_string(n[1]);
  if (!shortForm) r += "." + std::to_string(n[2]) + "." + std::to_string(n[3]);
  return r;
}
