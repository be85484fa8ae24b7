#include "platform/Streams.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/SharedWork.h"

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::string TStream::ReadRest() {
  int64_t rest = Size() - Position();
  std::string bytes;
  if (rest <= 0) return bytes;
  bytes.resize(static_cast<size_t>(rest));
  int64_t got = Read(bytes.data(), rest);
  bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  return bytes;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), 1 << 20)));
  int64_t left = count;
  while (left > 0) {
    int64_t chunk = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
    source.ReadBuffer(buf.data(), chunk);
    WriteBuffer(buf.data(), chunk);
    left -= chunk;
  }
  return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  size_t end = static_cast<size_t>(pos_ + count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : Size();
  int64_t target = base + offset;
  if (target < 0) throw EStreamError("Stream seek error");
  pos_ = target;  // past the end is allowed; a later write fills the gap with zeros
  return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Stream size error");
  data_.resize(static_cast<size_t>(size));
  if (pos_ > size) pos_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

std::string TMemoryStream::TakeBytes() {
  std::string out = std::move(data_);
  Clear();
  return out;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  data_.assign(static_cast<size_t>(size), '\0');
  if (size > 0) source.ReadBuffer(data_.data(), size);
  pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) const {
  if (!data_.empty()) target.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
  file.Flush();
}

TFileStream::TFileStream(const std::string& path, unsigned mode) : path_(path) {
  if (mode == fmCreate) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError(FileErrorText("Cannot create file", path, errno));
    return;
  }
  int flags = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd_ < 0) throw EFOpenError(FileErrorText("Cannot open file", path, errno));
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EFOpenError(FileErrorText("Cannot open file", path, EISDIR));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  char* p = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t r = ::read(fd_, p + total, static_cast<size_t>(count - total));
    if (r < 0 && errno == EINTR) continue;
    // A failing disk is no end of the file: what came before it is not the file.
    if (r < 0) throw EReadError(FileErrorText("Cannot read file", path_, errno));
    if (r == 0) break;
    total += r;
  }
  return total;
}

std::string TFileStream::ReadRest() {
  const int64_t start = Position();
  const int64_t rest = Size() - start;
  // The system's work of handing out the memory's pages and copying into them is shared too.
  const size_t threads =
      rest <= 0 ? 1 : platform::SharedWorkShares({.Bytes = static_cast<size_t>(rest), .ScalesWithThreads = true});
  if (threads < 2) return TStream::ReadRest();
  const size_t total = static_cast<size_t>(rest);
  std::string bytes;
  bytes.reserve(total);
  // Each piece in whole pages, so no two threads ask for the same page.
  const size_t page = 4096;
  const size_t piece = (total / threads + page - 1) / page * page;
  const size_t pieces = (total + piece - 1) / piece;
#ifdef MADV_POPULATE_WRITE
  // The memory is given its pages before the bytes are set, side by side; a system that cannot do
  // this gives them as the bytes are written. A step at a time: each holds the lock on the process's
  // memory map, which a thread mapping memory meanwhile (the window's start loading its libraries)
  // waits for.
  const uintptr_t base = reinterpret_cast<uintptr_t>(bytes.data());
  constexpr uintptr_t kPopulateStep = uintptr_t{2} << 20;
  platform::RunShared(pieces, [&](size_t k) {
    const uintptr_t from = (base + k * piece + page - 1) / page * page;
    const uintptr_t to = std::min(base + (k + 1) * piece, base + total) / page * page;
    for (uintptr_t at = from; at < to; at += kPopulateStep)
      ::madvise(reinterpret_cast<void*>(at), std::min(kPopulateStep, to - at), MADV_POPULATE_WRITE);
  });
#endif
  bytes.resize(total);
  std::vector<size_t> got(pieces, 0);
  // A piece that cannot be read fails the whole read (RunShared throws its error again).
  platform::RunShared(pieces, [&](size_t k) {
    const size_t from = k * piece;
    const size_t length = std::min(piece, total - from);
    while (got[k] < length) {
      const ssize_t r = ::pread(fd_, bytes.data() + from + got[k], length - got[k],
                                static_cast<off_t>(start + static_cast<int64_t>(from + got[k])));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) throw EReadError(FileErrorText("Cannot read file", path_, errno));
      if (r == 0) break;
      got[k] += static_cast<size_t>(r);
    }
  });
  size_t filled = 0;
  for (size_t k = 0; k < pieces; ++k) {
    filled += got[k];
    if (got[k] < std::min(piece, total - k * piece)) break;
  }
  bytes.resize(filled);
  Seek(start + static_cast<int64_t>(filled), TSeekOrigin::soBeginning);
  return bytes;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const char* p = static_cast<const char*>(buffer);
  while (total < count) {
    ssize_t w = ::write(fd_, p + total, static_cast<size_t>(count - total));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    total += w;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError(FileErrorText("Cannot seek in file", path_, errno));
  return r;
}

int64_t TFileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw EStreamError(FileErrorText("Cannot change the size of file", path_, errno));
}

void TFileStream::Flush() {
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
    throw EWriteError(FileErrorText("Cannot write file", path_, errno));
}
