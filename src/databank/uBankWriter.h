// Writing a databank file from its XML bytes: the layers (cipher, zip archive), the backup copy and
// the atomic replacement of the file. WriteBankJob does it in the calling thread and touches nothing
// but the files, so it can run on any thread; TBankWriter runs jobs one after the other on a thread of
// its own, so that the window goes on while a large databank is being written.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "databank/uBankFile.h"
#include "databank/uBankFileWatch.h"
#include "platform/Files.h"
#include "xml/uXMLBase2.h"

// What a save does when another program changed the file since this copy last read or wrote it.
enum class TIfFileChanged {
  Ask,          // write nothing and say so: the window's thread asks the user what to do
  WriteBeside,  // nobody can be asked: write the databank beside the file under a conflict name
  Overwrite,    // the user chose to replace the file
};

// One file to write.
struct TBankSaveJob {
  std::string Path;
  std::string XML;  // the document as the store writes it
  // Or, when set, a snapshot of the document that the job turns into XML itself (on the writer's
  // thread), so that the window goes on while a large databank is written to bytes.
  std::unique_ptr<const TXMLDataBase2Snapshot> Document;
  TBankWriteLayers Layers;  // EntryName: the archive entry's name as it goes into the file
  bool MakeBackup = false;  // copy an existing file to "<name>.backup" first
  // The file holds the databank in a weaker form than the new one (no password or another one, or
  // plain text where the new file is zipped): its backup is removed once the new file is complete.
  bool DropWeakerBackup = false;
  std::uint64_t Tag = 0;  // the caller's, handed back in the outcome
  // What this copy knows of the file at Path (none: the file is written without looking), and what
  // to do when it was changed by another program. The check comes before the backup step.
  std::shared_ptr<TBankFileWatch> Watch;
  TIfFileChanged IfChanged = TIfFileChanged::Ask;
};

// What became of a job.
struct TBankSaveOutcome {
  std::string Path;
  bool Saved = false;
  // The messages to show, in order: a message id of the pipeline's table with its text.
  std::vector<std::pair<int, std::string>> Errors;
  std::int64_t FileSize = 0;  // of the written file
  std::int64_t DataSize = 0;  // of the XML inside it
  std::uint64_t Tag = 0;
  // The file was changed by another program: nothing was written to it (nor to its backup).
  bool ChangedElsewhere = false;
  // Where the databank was written instead (WriteBeside); "" when nowhere.
  std::string ConflictCopy;
  // The identity of the file this job put in place (also recorded in the job's watch).
  TFileIdentity Identity;
  // Why the backup the job was to make first could not be made ("" when it was, or none was asked
  // for); the file was written all the same.
  std::string BackupFailure;
};

// "<folder>/<name> (conflict YYYY-MM-DD HH-MM-SS)<extension>" beside path, in local time; a name
// that is taken gets " 2", " 3", ... after the time.
std::string ConflictCopyName(const std::string& path, std::int64_t timeNs);

// Writes the snapshot to XML when there is one, wraps the XML into its layers, checks that the file
// is still the one the job's watch knows, keeps the backup copy and replaces the file atomically. A
// backup that cannot be made does not stop the save: the outcome says why. A failure leaves the old
// file as it was.
TBankSaveOutcome WriteBankJob(TBankSaveJob job);

// Jobs run in the order they were given, one at a time; a job waiting for its turn is replaced by a
// newer job for the same file (the newer bytes hold everything the older ones did). Submit only moves
// the job in: a replaced job (a whole snapshot of the document) is freed at once by a thread of the
// writer's that does nothing else, so that neither the caller's thread (the window's) nor a write
// in progress waits for it, and replaced snapshots do not pile up while a large file is written.
// Whatever a job throws, of any type, makes it a failed save with its message; the writer goes on.
// Reporting never needs memory: each job brings the place of its outcome, and a message saying that
// memory ran out, from Submit.
//
// The writer's threads, and the helpers they share a job with, yield the processors to the window's
// thread (platform::YieldProcessorsToTheWindow): nobody waits for a background save. So that the
// window never waits for them in turn, Busy, HasFinished and TakeFinished take no lock: a finished
// job's outcome is handed over through an atomic list.
class TBankWriter {
 public:
  // write: what turns a job into its file (tests hand in one that fails). finished: called on the
  // writer's thread each time a job's outcome can be taken, before the job stops counting as busy;
  // it must not wait for the window (the session posts a call to the window's event loop). What it
  // throws is dropped: the outcome waits for the next taker.
  explicit TBankWriter(std::function<TBankSaveOutcome(TBankSaveJob)> write = WriteBankJob,
                       std::function<void()> finished = nullptr)
      : write_(std::move(write)), finished_(std::move(finished)) {}
  // Finishes every job given, then ends the thread.
  ~TBankWriter();
  TBankWriter(const TBankWriter&) = delete;
  TBankWriter& operator=(const TBankWriter&) = delete;

  // Moves the job in, starting the writer's thread when it is not running. False when no thread
  // could be started: the job is then not taken (nothing waits for it) and `refused` (when given)
  // is its failed outcome with the message. Throws std::bad_alloc, having taken nothing, when
  // there is no memory for the job's place. A waiting job this one replaces gets no outcome: its
  // tag is put in `replacedTag` (when given; 0 when none was replaced), so that the caller can let
  // go of what it keeps for it.
  bool Submit(TBankSaveJob job, TBankSaveOutcome* refused = nullptr, std::uint64_t* replacedTag = nullptr);
  // True while a job is waiting or being written.
  bool Busy() const { return busy_; }
  // True while outcomes of finished jobs wait to be taken. A job that ends is among them before it
  // stops counting as busy.
  bool HasFinished() const { return done_.load(std::memory_order_acquire) != nullptr; }
  // Returns once every job given so far is written (or has failed), and every replaced one freed.
  void WaitIdle();
  // The outcomes of the finished jobs not taken yet, in the order the jobs finished. Takes no lock:
  // any thread may take them (one at a time).
  std::list<TBankSaveOutcome> TakeFinished();

 private:
  // The place of a job's outcome, made when the job is given: when it is done it is pushed onto
  // done_ as it is, so that nothing is allocated then.
  struct TDone {
    std::list<TBankSaveOutcome> Outcome;  // one element
    TDone* Next = nullptr;                // the job that finished before this one
  };
  // A job waiting for its turn, with the place of its outcome.
  struct TQueued {
    TBankSaveJob Job;
    std::unique_ptr<TDone> Done;
  };
  void Run();
  void Drop();
  bool Idle() const { return !writing_ && queue_.empty() && replaced_.empty() && !dropping_; }
  // Brings busy_ up to date (under the mutex).
  void Published();

  mutable std::mutex mutex_;
  std::condition_variable wake_;      // a job arrived, or the writer is to end
  std::condition_variable idle_;      // Idle()
  std::condition_variable dropWake_;  // a replaced job arrived, or the writer is to end
  std::deque<TQueued> queue_;
  // Replaced jobs, freed by the dropping thread outside the mutex.
  std::vector<TBankSaveJob> replaced_;
  // The finished jobs' outcomes, the last one first: pushed by the writer's thread, taken whole by
  // TakeFinished, neither waiting for the other.
  std::atomic<TDone*> done_{nullptr};
  bool writing_ = false;
  bool dropping_ = false;
  // What Busy tells, written under the mutex, read without it.
  std::atomic<bool> busy_{false};
  bool ending_ = false;
  std::thread thread_;
  std::thread dropper_;
  std::function<TBankSaveOutcome(TBankSaveJob)> write_;
  std::function<void()> finished_;
};
