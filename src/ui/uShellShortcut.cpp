#include "ui/uShellShortcut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>

#include "platform/Files.h"
#include "platform/qt/Icons.h"

namespace {

constexpr std::size_t kMaxFileNameBytes = 255;
const std::string kSuffix = ".desktop";

bool IsPictureFile(const std::string& path) {
  auto dot = path.find_last_of('.');
  auto slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower((unsigned char)c));
  return ext == "svg" || ext == "png" || ext == "xpm" || ext == "ico";
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += std::size_t(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> SanitizeShortcutName(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F)
      out += '_';
    else
      out += char(c);
  }
  if (out.empty() || out == "." || out == "..") return std::nullopt;
  const std::size_t maxBytes = kMaxFileNameBytes - kSuffix.size();
  if (out.size() > maxBytes) {
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 sequence
    out.resize(cut);
    if (out.empty() || out == "." || out == "..") return std::nullopt;
  }
  return out;
}

std::string DesktopEntryEscapeString(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string DesktopEntryQuoteArg(const std::string& arg) {
  static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  bool quote = arg.empty();
  for (char c : arg)
    if (reserved.find(c) != std::string::npos) quote = true;
  std::string out;
  if (quote) out += '"';
  for (char c : arg) {
    if (c == '%') {
      out += "%%";
    } else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  if (quote) out += '"';
  return out;
}

std::string ShortcutWorkingDir(const std::string& target) {
  auto slash = target.find_last_of('/');
  return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

std::string DesktopEntryText(const std::string& name, const std::string& program, const std::string& target,
                             const std::string& iconFile) {
  std::string t = "[Desktop Entry]\n";
  t += "Type=Application\n";
  t += "Version=1.0\n";
  t += "Name=" + DesktopEntryEscapeString(name) + "\n";
  t += "Exec=" + DesktopEntryEscapeString(DesktopEntryQuoteArg(program) + " " + DesktopEntryQuoteArg(target)) + "\n";
  const std::string dir = ShortcutWorkingDir(target);
  if (!dir.empty()) t += "Path=" + DesktopEntryEscapeString(dir) + "\n";
  if (!iconFile.empty()) t += "Icon=" + DesktopEntryEscapeString(iconFile) + "\n";
  t += "Terminal=false\n";
  return t;
}

std::string DesktopFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString();
}

bool CreateShellShortcut(const std::string& name, const std::string& target, const std::string& folder, int,
                         const std::string& iconFile) {
  const std::optional<std::string> fileName = SanitizeShortcutName(name);
  if (!fileName) return false;
  std::string dir = folder.empty() ? DesktopFolder() : folder;
  if (dir.empty()) return false;
  if (folder.empty() && !QDir().mkpath(QString::fromStdString(dir))) return false;
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

  std::string icon;
  if (!iconFile.empty()) icon = IsPictureFile(iconFile) ? iconFile : platform::ProgramIconFile();
  std::string program = ExecutablePath();
  if (program.empty()) return false;
  const std::string text = DesktopEntryText(name, program, target, icon);

  const std::string path = dir + "/" + *fileName + kSuffix;
  // A temporary file beside it, renamed over the old launcher: the rename replaces a link of that
  // name itself and never writes through it.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tessaryn-shortcut.tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0755);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::fchmod(fd, 0755) == 0) && ok;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}
