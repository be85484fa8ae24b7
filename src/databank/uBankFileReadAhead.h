// The bytes of the databank a start is about to open, read on a thread of their own while the window
// is being made: the start then waits for the window and for the file side by side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/Files.h"

struct TBankFileRead {
  TFileIdentity Identity;  // taken before the bytes were read
  std::int64_t IdentityTakenNs = 0;
  std::string Bytes;
};

class TBankFileReadAhead {
 public:
  // Starts reading the file at `path` (a full path). A file larger than the memory there is is not
  // read: its open tells why.
  explicit TBankFileReadAhead(std::string path);
  // Waits for the read to end; what it read and nobody took goes with it.
  ~TBankFileReadAhead();
  TBankFileReadAhead(const TBankFileReadAhead&) = delete;
  TBankFileReadAhead& operator=(const TBankFileReadAhead&) = delete;

  const std::string& Path() const { return path_; }
  // Waits for the read to end.
  void Wait();
  // Waits for the read. True with what was read when it succeeded and the file is still the one it
  // read (a file replaced or written since is read again by the caller, as is one that failed, so
  // that its error is told the usual way). Once only.
  bool Take(TBankFileRead& read);

 private:
  void Read();

  const std::string path_;
  TBankFileRead read_;
  bool read_ok_ = false;
  std::thread thread_;
};

// The program's start reads its databank ahead before the main window (and its session) exists: the
// one read started there waits here for the session to take it. Starting another replaces it.
void StartBankFileReadAhead(const std::string& path);
// The read started at the program's start, if any and not taken yet.
std::unique_ptr<TBankFileReadAhead> TakeBankFileReadAhead();
