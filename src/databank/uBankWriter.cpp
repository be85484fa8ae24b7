#include "databank/uBankWriter.h"

#include <ctime>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "databank/uBankMessages.h"
#include "databank/uFilePaths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/SharedWork.h"
#include "protection/uAES.h"
#include "protection/uZipFile.h"

namespace bp = bankpaths;

namespace {

// A file written is read back in pieces of this size.
constexpr std::size_t kReadBackPiece = std::size_t{1} << 20;

// The digest of everything in the stream, read back from its start (a layer went back to patch
// what it wrote first, so the bytes did not pass by in order).
std::uint64_t DigestOfWritten(TStream& stream) {
  stream.SetPosition(0);
  TContentDigest digest;
  std::vector<char> piece(kReadBackPiece);
  for (int64_t got; (got = stream.Read(piece.data(), static_cast<int64_t>(piece.size()))) > 0;)
    digest.Add(piece.data(), static_cast<std::size_t>(got));
  if (stream.Position() != stream.Size()) throw EReadError("The file just written could not be read back");
  return digest.Value();
}

}  // namespace

TBankSaveOutcome WriteBankJob(TBankSaveJob job) {
  TBankSaveOutcome out;
  out.Path = job.Path;
  out.Tag = job.Tag;
  auto error = [&](int id, const std::string& text) { out.Errors.emplace_back(id, text); };
  // What puts the file's bytes into a stream: a snapshot is measured here and then streamed through
  // the layers, never held whole in memory; XML bytes given are wrapped up in memory.
  std::function<void(TStream&)> produce;
  TEncodedBank encoded;
  if (job.Document) {
    TXMLDataBase2Snapshot::TEncoding encoding;
    try {
      encoding = job.Document->MeasureEncodedXML();
    } catch (const std::exception&) {
      error(SCouldNotSaveXMLStream, BankMessage(SCouldNotSaveXMLStream));
      return out;
    }
    out.DataSize = static_cast<std::int64_t>(encoding.Bytes);
    produce = [&job, encoding](TStream& stream) {
      TBankLayerWriter layers(stream, job.Layers, encoding.Bytes);
      job.Document->WriteEncodedXML(encoding, layers.PieceBytes(),
                                    [&layers](std::string& piece) { layers.Write(piece); });
      layers.Finish();
    };
  } else {
    out.DataSize = static_cast<std::int64_t>(job.XML.size());
    if (!EncodeBankFile(std::move(job.XML), job.Layers, error, encoded)) return out;
    produce = [&encoded](TStream& stream) { encoded.WriteTo(stream); };
  }
  // Writes the file's bytes to path through the atomic road, keeping their digest; false once the
  // error is noted.
  std::uint64_t digest = 0;
  bool digestKnown = false;
  auto write = [&](const std::string& path) {
    try {
      WriteFileAtomic(path, [&](TStream& stream) {
        TDigestingStream digesting(stream);
        produce(digesting);
        digestKnown = digesting.Digest(digest);
        if (!digestKnown) {
          digest = DigestOfWritten(stream);
          digestKnown = true;
        }
      });
      return true;
    } catch (const EZipError&) {
      error(SCouldNotCompressBank, BankMessage(SCouldNotCompressBank));
    } catch (const EAESError&) {
      error(SCouldNotCypherBank, BankMessage(SCouldNotCypherBank));
    } catch (const std::bad_alloc&) {
      error(SCouldNotSaveXMLStream, BankMessage(SCouldNotSaveXMLStream));
    } catch (const Exception& e) {
      error(0, std::string(SCouldNotWriteBank) + "\n" + e.Message());
    }
    return false;
  };
  if (job.Watch && job.IfChanged != TIfFileChanged::Overwrite && !job.Watch->StillOurs()) {
    // Another program's file is neither overwritten nor backed up over our last backup.
    out.ChangedElsewhere = true;
    if (job.IfChanged == TIfFileChanged::WriteBeside) {
      const std::string copy = ConflictCopyName(job.Path, WallClockNs());
      if (write(copy)) out.ConflictCopy = copy;
    }
    return out;
  }
  if (job.MakeBackup && bp::FileExists(job.Path)) {
    // Written like any other file: a failed copy never leaves a broken backup. Without one the save
    // goes on (the new file is the user's work), and the user hears why.
    try {
      CopyFile(job.Path, bp::ChangeFileExt(job.Path, SBackupExt));
    } catch (const Exception& e) {
      out.BackupFailure = e.Message();
    } catch (const std::exception& e) {
      out.BackupFailure = e.what();
    }
  }
  if (!write(job.Path)) return out;
  out.Saved = true;
  // The identity is taken after the rename, so another program could have put its file in place in
  // between: it is recorded as taken at the file's own time, which leaves the next check to compare
  // the bytes.
  out.Identity = FileIdentityOf(job.Path);
  if (job.Watch) job.Watch->Record(out.Identity, out.Identity.ModifiedNs, digest, digestKnown);
  out.FileSize = bp::FileSizeOf(job.Path);
  if (job.DropWeakerBackup) {
    std::error_code ignored;
    std::filesystem::remove(bp::ChangeFileExt(job.Path, SBackupExt), ignored);
  }
  return out;
}

std::string ConflictCopyName(const std::string& path, std::int64_t timeNs) {
  const std::time_t seconds = static_cast<std::time_t>(timeNs / 1000000000);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
  const std::string ext = bp::ExtractFileExt(path);
  const std::string stem = path.substr(0, path.size() - ext.size()) + " (conflict " + stamp;
  auto taken = [](const std::string& name) {
    std::error_code error;
    return std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found && !error;
  };
  std::string name = stem + ")" + ext;
  for (int n = 2; taken(name) && n < 10000; ++n) name = stem + " " + std::to_string(n) + ")" + ext;
  return name;
}

// ---------------------------------------------------------------------------------------------

TBankWriter::~TBankWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  dropWake_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (dropper_.joinable()) dropper_.join();
  TakeFinished();  // outcomes nobody took
}

bool TBankWriter::Submit(TBankSaveJob job, TBankSaveOutcome* refused, std::uint64_t* replacedTag) {
  if (replacedTag) *replacedTag = 0;
  // What needs memory is had first, so that a failure leaves the writer as it was: the job's place
  // among the finished ones, holding what is told should memory run out while it is written.
  TQueued queued;
  queued.Done = std::make_unique<TDone>();
  queued.Done->Outcome.emplace_back();
  TBankSaveOutcome& ifMemoryRunsOut = queued.Done->Outcome.front();
  ifMemoryRunsOut.Path = job.Path;
  ifMemoryRunsOut.Tag = job.Tag;
  ifMemoryRunsOut.Errors.emplace_back(0, std::string(SCouldNotWriteBank) + "\n" + SNotEnoughMemoryToSave);
  queued.Job = std::move(job);

  std::vector<TBankSaveJob> freeHere;  // replaced jobs, when no thread can free them
  bool replaced = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Started here, on the caller's thread, where a failure can still be told: a job queued for a
    // thread that never ran would keep everybody waiting for it.
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this] { Run(); });
      } catch (const std::system_error& e) {
        if (refused) {
          *refused = std::move(ifMemoryRunsOut);
          refused->Errors.front().second = std::string(SCouldNotWriteBank) + "\n" + NoThreadToWriteText(e.what());
        }
        return false;
      }
    }
    for (TQueued& waiting : queue_)
      if (waiting.Job.Path == queued.Job.Path) {
        replaced_.reserve(replaced_.size() + 1);
        if (replacedTag) *replacedTag = waiting.Job.Tag;
        // Freeing the older snapshot here would hold this thread (the window's) and the mutex.
        replaced_.push_back(std::move(waiting.Job));
        waiting = std::move(queued);
        replaced = true;
        break;
      }
    if (!replaced) queue_.push_back(std::move(queued));
    Published();
    if (replaced && !dropper_.joinable()) {
      try {
        dropper_ = std::thread([this] { Drop(); });
      } catch (const std::system_error&) {
        freeHere.swap(replaced_);
      }
    }
  }
  if (replaced) dropWake_.notify_one();
  wake_.notify_one();
  freeHere.clear();
  return true;
}

void TBankWriter::Published() {
  busy_ = writing_ || !queue_.empty();
}

void TBankWriter::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return Idle(); });
}

std::list<TBankSaveOutcome> TBankWriter::TakeFinished() {
  // The whole list at once: the writer's thread only ever pushes onto it, so nothing taken can change.
  TDone* last = done_.exchange(nullptr, std::memory_order_acquire);
  std::list<TBankSaveOutcome> taken;
  while (last) {
    // Last first: each one goes before those already taken.
    const std::unique_ptr<TDone> done(last);
    last = done->Next;
    taken.splice(taken.begin(), done->Outcome);
  }
  return taken;
}

void TBankWriter::Run() {
  // Nobody waits for a background save: its work gives way to the window's whenever both want a
  // processor.
  platform::YieldProcessorsToTheWindow();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    if (queue_.empty()) return;  // ending, and every job is done
    TQueued queued = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    Published();
    lock.unlock();
    TBankSaveOutcome& outcome = queued.Done->Outcome.front();
    try {
      outcome = write_(std::move(queued.Job));
    } catch (...) {
      // Memory running out while the layers are built, above all: the file is left as it was. The
      // message is text too; without memory for it, the one the job brought says so.
      try {
        outcome.Errors.front().second = std::string(SCouldNotWriteBank) + "\n" + CurrentExceptionReason(true);
      } catch (...) {
      }
    }
    // Handed over before the job stops counting as busy: whoever sees it ended sees its outcome.
    TDone* done = queued.Done.release();
    done->Next = done_.load(std::memory_order_relaxed);
    while (!done_.compare_exchange_weak(done->Next, done, std::memory_order_release, std::memory_order_relaxed)) {
    }
    if (finished_) {
      try {
        finished_();
      } catch (...) {
        // No call could be posted (memory ran out): the outcome waits for the next one, or for
        // whoever waits for the writer.
      }
    }
    lock.lock();
    writing_ = false;
    Published();
    // Woken outside the lock: a thread woken while it is held would only wait for it again.
    const bool idle = Idle();
    lock.unlock();
    if (idle) idle_.notify_all();
    lock.lock();
  }
}

void TBankWriter::Drop() {
  platform::YieldProcessorsToTheWindow();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    dropWake_.wait(lock, [this] { return ending_ || !replaced_.empty(); });
    if (replaced_.empty()) return;  // ending, and nothing is left to free
    std::vector<TBankSaveJob> replaced = std::move(replaced_);
    replaced_.clear();
    dropping_ = true;
    lock.unlock();
    replaced.clear();
    lock.lock();
    dropping_ = false;
    const bool idle = Idle();
    lock.unlock();
    if (idle) idle_.notify_all();
    lock.lock();
  }
}
