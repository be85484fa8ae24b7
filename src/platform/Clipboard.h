// The clipboard under private formats, as plain code sees it: whole blocks of bytes under a format
// name (a MIME type). When a Qt application object exists the desktop's clipboard is used, shared
// with other programs and with other running copies of this one; without one (headless tools) an
// in-process clipboard stands in, so copy and paste still work inside one process.
#pragma once

#include <optional>
#include <string>

namespace platform {

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  // Whether the clipboard offers data under the format.
  virtual bool HasFormat(const std::string& format) const = 0;
  // The block under the format, exactly as sized by its owner; nothing when the format is absent.
  virtual std::optional<std::string> Read(const std::string& format) const = 0;
  // Replaces the whole clipboard content by one block under the format.
  virtual void Write(const std::string& format, const std::string& bytes) = 0;
  // Empties the clipboard when it holds the format and this program put it there.
  virtual void ClearOwned(const std::string& format) = 0;
};

// The in-process clipboard (also what tests install).
class MemoryClipboard : public IClipboard {
 public:
  bool HasFormat(const std::string& format) const override { return format_ && *format_ == format; }
  std::optional<std::string> Read(const std::string& format) const override {
    if (!HasFormat(format)) return std::nullopt;
    return bytes_;
  }
  void Write(const std::string& format, const std::string& bytes) override {
    format_ = format;
    bytes_ = bytes;
  }
  void ClearOwned(const std::string& format) override {
    if (HasFormat(format)) format_.reset();
  }

 private:
  std::optional<std::string> format_;
  std::string bytes_;
};

// The clipboard in use: the installed one, else the desktop's when a Qt application exists, else
// the process-wide in-memory one.
IClipboard& Clipboard();
// Installs a clipboard (not owned); nullptr restores the default. Returns the previous one.
IClipboard* SetClipboard(IClipboard* clipboard);

}  // namespace platform
