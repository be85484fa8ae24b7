// Byte streams: the small interface every reader and writer of databank data speaks (the XML store,
// the cipher, the zip archive and the file pipeline), with a memory stream and a file stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position. Throws EStreamError on a bad target.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() const = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() const { return const_cast<TStream*>(this)->Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

  // Whole-buffer forms: throw EReadError / EWriteError when fewer bytes move.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteString(const std::string& bytes) { WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); }
  // Reads everything from the current position to the end.
  virtual std::string ReadRest();
  // Copies count bytes from source's current position (count 0: source's whole content from 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  const char* Memory() const { return data_.data(); }
  char* Memory() { return data_.data(); }
  const std::string& Bytes() const { return data_; }
  std::string TakeBytes();
  void LoadFromStream(TStream& source);  // whole source from position 0; position 0 after
  void SaveToStream(TStream& target) const;
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

 private:
  std::string data_;
  int64_t pos_ = 0;
};

enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,  // create anew (or truncate), read and write
};

class TFileStream : public TStream {
 public:
  // Throws EFOpenError (or EFCreateError for fmCreate) naming the path and the system's reason.
  TFileStream(const std::string& path, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Throws EReadError naming the file and the system's reason when reading fails (an interrupted
  // read is tried again): a read error is never taken for the end of the file.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() const override;
  void SetSize(int64_t size) override;
  // A large rest is read in a few pieces side by side (the system's work of giving the buffer its
  // memory is the larger part of reading a cached file); the bytes are those one read would give,
  // up to where the first piece came short. Throws as Read does.
  std::string ReadRest() override;

  // Flushes to the disk (fsync); throws EWriteError when the system reports a failure.
  void Flush();
  const std::string& FileName() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};
