// The program's exception family: one base carrying a message text, from which every E... class
// of the program derives, and the stream and file errors raised by the byte streams.
#pragma once

#include <exception>
#include <string>

// What a person is told when memory runs out, never the allocator's own "std::bad_alloc".
inline constexpr const char* SNotEnoughMemoryToRead = "There is not enough memory to read it.";
inline constexpr const char* SNotEnoughMemoryToSave = "There is not enough memory to save it.";
inline constexpr const char* SNotEnoughMemory = "There is not enough memory to finish this.";

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Reading or writing a stream failed (short read, failed write, bad seek).
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A file could not be opened or created; the message names the path and the system's reason.
class EFileStreamError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};
class EFCreateError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};

// "<what> "<path>". <reason>" with the text of errno as the reason.
std::string FileErrorText(const std::string& what, const std::string& path, int err);
