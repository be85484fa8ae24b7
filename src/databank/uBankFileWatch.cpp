#include "databank/uBankFileWatch.h"

#include "platform/Exceptions.h"
#include "xml/xevStrings.h"

void TBankFileWatch::Record(const TFileIdentity& identity, std::int64_t takenNs, const TMD5Digest& digest,
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
  std::string bytes;
  try {
    bytes = LoadStringFromFile(path_);
  } catch (const Exception&) {
    return false;  // what cannot be read cannot be shown to be ours
  }
  if (MD5String(bytes) != record_.Digest) return false;
  // The same bytes: ours, under the identity they have now (read after it was taken, so a change
  // in between would have shown in the bytes).
  record_.Identity = now;
  record_.TakenNs = takenNs;
  return true;
}

int64_t TDigestingStream::Write(const void* buffer, int64_t count) {
  const int64_t written = target_.Write(buffer, count);
  if (written > 0) MD5Update(context_, buffer, static_cast<size_t>(written));
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

bool TDigestingStream::Digest(TMD5Digest& digest) {
  MD5Final(context_, digest);
  return inOrder_;
}
