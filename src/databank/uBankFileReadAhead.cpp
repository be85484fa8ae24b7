#include "databank/uBankFileReadAhead.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "platform/Memory.h"
#include "xml/xevStrings.h"

TBankFileReadAhead::TBankFileReadAhead(std::string path) : path_(std::move(path)) {
  try {
    thread_ = std::thread([this] { Read(); });
  } catch (const std::system_error&) {
    // No thread to be had: the open reads the file itself.
  }
}

TBankFileReadAhead::~TBankFileReadAhead() {
  Wait();
}

void TBankFileReadAhead::Wait() {
  if (thread_.joinable()) thread_.join();
}

void TBankFileReadAhead::Read() {
  try {
    const std::int64_t size = FileIdentityOf(path_).Size;
    if (size > 0 && static_cast<std::uint64_t>(size) > platform::MemoryAvailable()) return;
    // As the open does: the identity first, so a file replaced during the read is not taken for the
    // one whose bytes were read.
    read_.IdentityTakenNs = WallClockNs();
    read_.Identity = FileIdentityOf(path_);
    if (!read_.Identity.Exists) return;
    read_.Bytes = LoadStringFromFile(path_);
    read_ok_ = true;
  } catch (...) {
    // The open reads it again and tells what went wrong.
    read_.Bytes = std::string();
  }
}

bool TBankFileReadAhead::Take(TBankFileRead& read) {
  Wait();
  if (!read_ok_ || FileIdentityOf(path_) != read_.Identity) {
    read_.Bytes = std::string();
    return false;
  }
  read_ok_ = false;
  read = std::move(read_);
  return true;
}

namespace {

std::mutex startReadLock;

std::unique_ptr<TBankFileReadAhead>& StartRead() {
  static std::unique_ptr<TBankFileReadAhead> read;
  return read;
}

}  // namespace

void StartBankFileReadAhead(const std::string& path) {
  auto next = std::make_unique<TBankFileReadAhead>(path);
  std::unique_ptr<TBankFileReadAhead> replaced;
  std::lock_guard<std::mutex> lock(startReadLock);
  replaced = std::exchange(StartRead(), std::move(next));
}

std::unique_ptr<TBankFileReadAhead> TakeBankFileReadAhead() {
  std::lock_guard<std::mutex> lock(startReadLock);
  return std::move(StartRead());
}
