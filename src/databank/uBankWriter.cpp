#include "databank/uBankWriter.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "databank/uBankMessages.h"
#include "databank/uFilePaths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "protection/uZipFile.h"

namespace bp = bankpaths;

TBankSaveOutcome WriteBankJob(TBankSaveJob job) {
  TBankSaveOutcome out;
  out.Path = job.Path;
  out.Tag = job.Tag;
  auto error = [&](int id, const std::string& text) { out.Errors.emplace_back(id, text); };
  if (job.Document) {
    try {
      job.XML = job.Document->EncodedXML();
    } catch (const std::exception&) {
      error(SCouldNotSaveXMLStream, BankMessage(SCouldNotSaveXMLStream));
      return out;
    }
    job.Document.reset();  // its memory goes before the layers take theirs
  }
  out.DataSize = static_cast<std::int64_t>(job.XML.size());

  TEncodedBank encoded;
  if (!EncodeBankFile(std::move(job.XML), job.Layers, error, encoded)) return out;
  if (job.MakeBackup && bp::FileExists(job.Path)) {
    // Best effort, and written like any other file: a failed copy never leaves a broken backup.
    try {
      CopyFile(job.Path, bp::ChangeFileExt(job.Path, SBackupExt));
    } catch (const Exception&) {
    }
  }
  try {
    WriteFileAtomic(job.Path, [&](TStream& stream) { encoded.WriteTo(stream); });
  } catch (const EZipError&) {
    error(SCouldNotCompressBank, BankMessage(SCouldNotCompressBank));
    return out;
  } catch (const Exception& e) {
    error(0, std::string(SCouldNotWriteBank) + "\n" + e.Message());
    return out;
  }
  out.Saved = true;
  out.FileSize = bp::FileSizeOf(job.Path);
  if (job.DropWeakerBackup) {
    std::error_code ignored;
    std::filesystem::remove(bp::ChangeFileExt(job.Path, SBackupExt), ignored);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------

TBankWriter::~TBankWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TBankWriter::Submit(TBankSaveJob job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bool replaced = false;
    for (TBankSaveJob& waiting : queue_)
      if (waiting.Path == job.Path) {
        // Freeing the older snapshot here would hold this thread (the window's) and the mutex.
        replaced_.push_back(std::move(waiting));
        waiting = std::move(job);
        replaced = true;
        break;
      }
    if (!replaced) queue_.push_back(std::move(job));
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

bool TBankWriter::Busy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writing_ || !queue_.empty();
}

void TBankWriter::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !writing_ && queue_.empty(); });
}

std::vector<TBankSaveOutcome> TBankWriter::TakeFinished() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::move(finished_);
}

void TBankWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    if (queue_.empty()) return;  // ending, and every job is done
    TBankSaveJob job = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    std::vector<TBankSaveJob> replaced = std::move(replaced_);
    replaced_.clear();
    lock.unlock();
    replaced.clear();
    TBankSaveOutcome outcome = WriteBankJob(std::move(job));
    lock.lock();
    finished_.push_back(std::move(outcome));
    writing_ = false;
    if (queue_.empty()) idle_.notify_all();
  }
}
