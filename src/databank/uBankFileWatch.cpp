#include "databank/uBankFileWatch.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Exceptions.h"

// ---------------------------------------------------------------------------------------------
// The digest: four lanes of multiply-rotate rounds over 32-byte stripes, then the rest of the bytes
// and a final mix (after the xxHash64 scheme).

namespace {

constexpr std::uint64_t P1 = 0x9E3779B185EBCA87u, P2 = 0xC2B2AE3D27D4EB4Fu, P3 = 0x165667B19E3779F9u,
                        P4 = 0x85EBCA77C2B2AE63u, P5 = 0x27D4EB2F165667C5u;

std::uint64_t Rotl(std::uint64_t x, int r) {
  return (x << r) | (x >> (64 - r));
}
std::uint64_t Word64(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;  // the machine's order: digests are compared within one process only
}
std::uint64_t Round(std::uint64_t lane, std::uint64_t input) {
  return Rotl(lane + input * P2, 31) * P1;
}
std::uint64_t Merge(std::uint64_t h, std::uint64_t lane) {
  return (h ^ Round(0, lane)) * P1 + P4;
}

}  // namespace

void TContentDigest::Add(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  total_ += size;
  if (pendingSize_ > 0) {
    const std::size_t take = std::min(size, sizeof pending_ - pendingSize_);
    std::memcpy(pending_ + pendingSize_, p, take);
    pendingSize_ += take;
    p += take;
    size -= take;
    if (pendingSize_ < sizeof pending_) return;
    for (int i = 0; i < 4; ++i) lanes_[i] = Round(lanes_[i], Word64(pending_ + 8 * i));
    pendingSize_ = 0;
  }
  // The lanes in locals: the bytes read could alias the members, which would keep every round in
  // memory.
  std::uint64_t a = lanes_[0], b = lanes_[1], c = lanes_[2], d = lanes_[3];
  for (; size >= 32; p += 32, size -= 32) {
    a = Round(a, Word64(p));
    b = Round(b, Word64(p + 8));
    c = Round(c, Word64(p + 16));
    d = Round(d, Word64(p + 24));
  }
  lanes_[0] = a;
  lanes_[1] = b;
  lanes_[2] = c;
  lanes_[3] = d;
  std::memcpy(pending_, p, size);
  pendingSize_ = size;
}

std::uint64_t TContentDigest::Value() const {
  std::uint64_t h;
  if (total_ >= 32) {
    h = Rotl(lanes_[0], 1) + Rotl(lanes_[1], 7) + Rotl(lanes_[2], 12) + Rotl(lanes_[3], 18);
    for (std::uint64_t lane : lanes_) h = Merge(h, lane);
  } else {
    h = lanes_[2] + P5;
  }
  h += total_;
  const unsigned char* p = pending_;
  std::size_t rest = pendingSize_;
  for (; rest >= 8; p += 8, rest -= 8) h = Rotl(h ^ Round(0, Word64(p)), 27) * P1 + P4;
  for (; rest > 0; ++p, --rest) h = Rotl(h ^ (*p * P5), 11) * P1;
  h ^= h >> 33;
  h *= P2;
  h ^= h >> 29;
  h *= P3;
  h ^= h >> 32;
  return h;
}

std::uint64_t TContentDigest::Of(std::string_view bytes) {
  TContentDigest digest;
  digest.Add(bytes.data(), bytes.size());
  return digest.Value();
}

// ---------------------------------------------------------------------------------------------

void TBankFileWatch::Record(const TFileIdentity& identity, std::int64_t takenNs, std::uint64_t digest,
                            bool digestKnown) {
  std::lock_guard<std::mutex> lock(mutex_);
  record_ = TRecord{true, identity, takenNs, digest, digestKnown};
}

TBankFileWatch::TVerdict TBankFileWatch::Judge(const TRecord& record, const TFileIdentity& now) {
  if (!record.Known || !now.Exists) return TVerdict::Ours;
  if (!record.Identity.Exists || now.Size != record.Identity.Size) return TVerdict::Changed;
  // Taken more than a clock grain after the file's last change, an equal identity proves that
  // nothing wrote the file since: any later change has a later time.
  const bool settled = record.TakenNs - record.Identity.ModifiedNs > ClockGrainNs;
  if (now == record.Identity && settled) return TVerdict::Ours;
  return record.DigestKnown ? TVerdict::CompareBytes : TVerdict::Changed;
}

bool TBankFileWatch::StillOurs() {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::int64_t takenNs = WallClockNs();
  const TFileIdentity now = FileIdentityOf(path_);
  const TVerdict verdict = Judge(record_, now);
  if (verdict != TVerdict::CompareBytes) return verdict == TVerdict::Ours;
  // Read in pieces: a save holds the new file in memory already.
  TContentDigest digest;
  try {
    TFileStream file(path_, fmOpenRead);
    std::vector<char> piece(1 << 20);
    for (int64_t got; (got = file.Read(piece.data(), static_cast<int64_t>(piece.size()))) > 0;)
      digest.Add(piece.data(), static_cast<std::size_t>(got));
  } catch (const Exception&) {
    return false;  // what cannot be read cannot be shown to be ours
  }
  if (digest.Value() != record_.Digest) return false;
  // The same bytes: ours, under the identity they have now (read after it was taken, so a change
  // in between would have shown in the bytes).
  record_.Identity = now;
  record_.TakenNs = takenNs;
  return true;
}

// ---------------------------------------------------------------------------------------------

int64_t TDigestingStream::Write(const void* buffer, int64_t count) {
  const int64_t written = target_.Write(buffer, count);
  if (written > 0) digest_.Add(buffer, static_cast<std::size_t>(written));
  return written;
}

int64_t TDigestingStream::Seek(int64_t offset, TSeekOrigin origin) {
  // Asking where the stream stands moves nothing.
  if (offset != 0 || origin != TSeekOrigin::soCurrent) inOrder_ = false;
  return target_.Seek(offset, origin);
}

void TDigestingStream::SetSize(int64_t size) {
  inOrder_ = false;
  target_.SetSize(size);
}

bool TDigestingStream::Digest(std::uint64_t& digest) const {
  digest = digest_.Value();
  return inOrder_;
}
