// Whether the file of the open databank is still the one this copy of the program last read or wrote.
//
// Two running copies of the program (or another program) may hold the same databank. Before a save
// replaces the file, what is on disk is compared with what this copy knows of it: the file's identity
// (device, inode, size, modification time to the nanosecond) and a digest of its bytes. The identity
// alone decides where it can; the bytes are compared where it cannot:
// - the identity was taken within the file system's clock grain of the file's last change (always so
//   right after our own write), so a rewrite in place of the same size in the same tick would keep it;
// - the identity changed but the size did not (a touch, or the same bytes written anew).
// A file that is gone is no conflict: nothing on disk would be lost by writing it again. A file that
// was not there when this copy looked, and is there now, is another program's.
//
// One watch belongs to one path and is shared by the window's thread and the background writer (a
// save waiting behind another must be checked against what the one before it wrote), so it locks
// itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Streams.h"

// A 64-bit digest of bytes given in pieces of any size (the same value however they are cut), fast
// enough to run over every byte a save writes. Not for secrets: it only tells files apart.
class TContentDigest {
 public:
  void Add(const void* data, std::size_t size);
  std::uint64_t Value() const;
  static std::uint64_t Of(std::string_view bytes);

 private:
  std::uint64_t lanes_[4] = {0x60EA27EEADC0B5D6u, 0xC2B2AE3D27D4EB4Fu, 0, 0x61C8864E7A143579u};
  unsigned char pending_[32] = {};
  std::size_t pendingSize_ = 0;
  std::uint64_t total_ = 0;
};

class TBankFileWatch {
 public:
  // Knows nothing of the file yet: every check passes until something is recorded.
  explicit TBankFileWatch(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // The file as this copy read or wrote it: its identity, the wall-clock time just before the
  // identity was taken, and the digest of its bytes (digestKnown false: the bytes cannot tell).
  void Record(const TFileIdentity& identity, std::int64_t takenNs, std::uint64_t digest, bool digestKnown = true);
  // Records that nothing was at the path when this copy looked.
  void RecordAbsent() { Record(TFileIdentity{}, WallClockNs(), 0, false); }
  // Whether the file at Path is still the one recorded (true when nothing is recorded, and when the
  // file is gone). A file whose identity changed while its bytes did not is recorded anew and passes.
  bool StillOurs();

  // What the identity alone says.
  enum class TVerdict { Ours, Changed, CompareBytes };
  struct TRecord {
    bool Known = false;
    TFileIdentity Identity;
    std::int64_t TakenNs = 0;
    std::uint64_t Digest = 0;
    bool DigestKnown = false;
  };
  static TVerdict Judge(const TRecord& record, const TFileIdentity& now);
  // The coarsest clock a file system keeps modification times in (FAT's two seconds).
  static constexpr std::int64_t ClockGrainNs = 2'000'000'000;

 private:
  const std::string path_;
  std::mutex mutex_;
  TRecord record_;
};

// Passes the bytes written on to another stream and keeps their digest. Only a stream written from
// start to end has a digest (moving the position back leaves it unknown).
class TDigestingStream : public TStream {
 public:
  explicit TDigestingStream(TStream& target) : target_(target) {}
  int64_t Read(void* buffer, int64_t count) override { return target_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() const override { return target_.Size(); }
  void SetSize(int64_t size) override;
  // The digest of everything written; false when the bytes were not written in one forward pass.
  bool Digest(std::uint64_t& digest) const;

 private:
  TStream& target_;
  TContentDigest digest_;
  bool inOrder_ = true;
};
