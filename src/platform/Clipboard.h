// The clipboard under private formats, as plain code sees it: whole blocks of bytes under a format
// name (a MIME type). When a Qt application object exists the desktop's clipboard is used, shared
// with other programs and with other running copies of this one; without one (headless tools) an
// in-process clipboard stands in, so copy and paste still work inside one process.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

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
  // The same with a block made only when it is first read (make runs then, on the reading thread,
  // once), standing for owner's data: a large block costs nothing until somebody pastes it. A
  // clipboard that cannot wait makes the block at once.
  virtual void WriteLater(const std::string& format, std::function<std::string()> make,
                          std::shared_ptr<const void> owner) {
    (void)owner;
    Write(format, make());
  }
  // The owner given with the block this program put under the format, while that block is still on
  // the clipboard (the program can then take its own data without the bytes); nullptr otherwise.
  virtual std::shared_ptr<const void> OwnerOf(const std::string& format) const {
    (void)format;
    return nullptr;
  }
  // Empties the clipboard when it holds the format and this program put it there.
  virtual void ClearOwned(const std::string& format) = 0;
  // Where this clipboard can take another program's block beside the window: a function that
  // does so on any thread (nothing when the format is absent, or when stop answers true while it
  // waits). An empty function where it cannot: Read it then.
  using TReader = std::function<std::optional<std::string>(const std::function<bool()>& stop)>;
  virtual TReader ReaderOf(const std::string& format) const {
    (void)format;
    return {};
  }
};

// The in-process clipboard (also what tests install).
class MemoryClipboard : public IClipboard {
 public:
  bool HasFormat(const std::string& format) const override { return format_ && *format_ == format; }
  std::optional<std::string> Read(const std::string& format) const override {
    if (!HasFormat(format)) return std::nullopt;
    if (make_) bytes_ = std::exchange(make_, nullptr)();
    return bytes_;
  }
  void Write(const std::string& format, const std::string& bytes) override {
    format_ = format;
    bytes_ = bytes;
    make_ = nullptr;
    owner_.reset();
  }
  void WriteLater(const std::string& format, std::function<std::string()> make,
                  std::shared_ptr<const void> owner) override {
    format_ = format;
    bytes_.clear();
    make_ = std::move(make);
    owner_ = std::move(owner);
  }
  std::shared_ptr<const void> OwnerOf(const std::string& format) const override {
    return HasFormat(format) ? owner_ : nullptr;
  }
  void ClearOwned(const std::string& format) override {
    if (HasFormat(format)) {
      format_.reset();
      make_ = nullptr;
      owner_.reset();
    }
  }

 private:
  std::optional<std::string> format_;
  mutable std::string bytes_;
  mutable std::function<std::string()> make_;
  std::shared_ptr<const void> owner_;
};

// The clipboard in use: the installed one, else the desktop's when a Qt application exists, else
// the process-wide in-memory one.
IClipboard& Clipboard();
// Installs a clipboard (not owned); nullptr restores the default. Returns the previous one.
IClipboard* SetClipboard(IClipboard* clipboard);

}  // namespace platform
