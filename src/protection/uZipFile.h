// A small zip archive held in memory: entries stored with deflate (method 8), one disk, no data
// descriptors, no encryption, no ZIP64. The databank file pipeline wraps a databank in a one-entry
// archive with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

class TStream;

// The archive cannot be written (a size, offset or count does not fit its 16- or 32-bit field).
class EZipError : public Exception {
 public:
  using Exception::Exception;
};

constexpr uint32_t ZipLocalSignature = 0x04034B50;
constexpr uint32_t ZipCentralSignature = 0x02014B50;
constexpr uint32_t ZipEndSignature = 0x06054B50;

// One local file header (30 bytes on disk) with its name, extra field and compressed data.
struct TLocalFile {
  uint32_t Signature = ZipLocalSignature;
  uint16_t VersionNeeded = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint32_t DateTime = 0;  // DOS time in the low 16 bits, DOS date in the high 16 bits
  uint32_t CRC32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
  std::string FileName;
  std::string ExtraField;
  std::string CompressedData;
};

// One central directory header (46 bytes on disk) with its name, extra field and comment.
struct TFileHeader {
  uint32_t Signature = ZipCentralSignature;
  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeeded = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint32_t DateTime = 0;
  uint32_t CRC32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t FileCommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalAttributes = 0;
  uint32_t ExternalAttributes = 0;
  uint32_t LocalHeaderOffset = 0;
  std::string FileName;
  std::string ExtraField;
  std::string FileComment;
};

// End of central directory record (22 bytes on disk).
struct TEndOfCentralDir {
  uint32_t Signature = ZipEndSignature;
  uint16_t ThisDisk = 0;
  uint16_t CentralDirDisk = 0;
  uint16_t EntriesOnDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralDirSize = 0;
  uint32_t CentralDirOffset = 0;
  uint16_t CommentLength = 0;
};

// Why an entry could not be given back.
enum class TZipCheck {
  zcOk,
  zcNoEntry,         // the index is outside the entries
  zcCorruptData,     // the deflate data is corrupt or ends early
  zcSizeMismatch,    // more or fewer bytes than the stored uncompressed size
  zcCRCMismatch,     // the bytes' CRC-32 differs from the stored one
  zcDataDescriptor,  // flag bit 3 with no sizes in the local header: they follow the data, unsupported
};
const char* ZipCheckText(TZipCheck check);

class TZipFile {
 public:
  TZipFile() = default;

  // Appends an empty entry. Throws EZipError when the name is longer than 65535 bytes or the archive
  // already holds 65535 entries.
  void AddFile(std::string_view fileName);

  // Deflates data into entry index and fills both records. False (the entry unchanged) when the
  // index is outside the entries, the data or its deflated form is 4 GiB or more, or zlib fails.
  bool SetUncompressed(int index, std::string_view data);

  // The entry's content, checked against the local record's uncompressed size and CRC-32; an empty
  // string when the index is outside the entries, the deflate data is corrupt, the size differs or
  // the CRC-32 differs, or the sizes were left to a data descriptor. Never throws for bad data.
  std::string GetUncompressed(int index) const;
  // The same, telling an empty entry apart from a failed check.
  TZipCheck GetUncompressed(int index, std::string& data) const;

  // The entry's file name ("" when the index is outside the entries).
  std::string GetFileName(int index) const;

  int Count() const { return static_cast<int>(localFiles_.size()); }
  const std::vector<TLocalFile>& LocalFiles() const { return localFiles_; }
  const std::vector<TFileHeader>& CentralFiles() const { return centralFiles_; }
  const TEndOfCentralDir& EndOfCentralDir() const { return endOfCentralDir_; }
  const std::string& Comment() const { return comment_; }

  // Reads an archive from the stream's current position, replacing the content: finds the first
  // local header (searching four bytes at a time), then reads local records, central records and the
  // end record. Every length read is checked against the bytes left; nothing is allocated beyond
  // them. False when no local header is found or a record ends early; the records read whole before
  // that stay. The stream is left after the last byte read.
  bool LoadFromStream(TStream& stream);

  // Writes local records, central records and the end record at the stream's position. Throws
  // EZipError when an offset or size would not fit 32 bits, and the stream's errors on a short write.
  // The entries' local header offsets and the end record are updated to what was written.
  void SaveToStream(TStream& stream);

  void Clear();

  // True when the bytes begin with the full local header signature "PK\x03\x04". A bare "PK" is not
  // enough: an enciphered databank whose plain length is 19280 also starts with "PK".
  static bool HasZipSignature(std::string_view head);
  static bool HasZipSignature(TStream& stream);  // reads from position 0, restores the position

 private:
  friend class TZipEntryWriter;
  // The central records and the end record, the central directory starting at centralStart.
  void SaveDirectoryToStream(TStream& stream, uint64_t centralStart);

  std::vector<TLocalFile> localFiles_;
  std::vector<TFileHeader> centralFiles_;
  TEndOfCentralDir endOfCentralDir_;
  std::string comment_;
};

// How a TZipEntryWriter deflates its entry.
struct TDeflateSharing {
  // Pieces deflated at a time, each on a thread of its own (platform::RunShared); 1: the entry is one
  // deflate stream made on the calling thread as its bytes arrive.
  std::size_t Shares = 1;
  // About the bytes of each piece. A piece is deflated with the 32 KB before it as its dictionary and
  // ends on a byte boundary (a sync flush), so the pieces join into one deflate stream that any
  // inflater reads as it reads a stream made in one go; the entry's CRC-32 is combined from theirs.
  // Half a megabyte: a piece keeps a thread busy for tens of milliseconds, while the bytes of a round
  // in memory stay few.
  std::size_t PieceBytes = std::size_t{512} << 10;
};

// A one-entry archive written into a stream as the entry's data arrives, holding neither the data nor
// its deflated form: the same bytes TZipFile writes for one entry given that data (AddFile,
// SetUncompressed, SaveToStream); shared among threads (TDeflateSharing), an archive of the same
// layout whose deflated bytes differ and inflate to the same data. The local header goes out first
// and its CRC-32 and sizes are filled in by Finish, so the stream must allow going back. Throws
// EZipError when the name is too long, the entry or the archive would not fit its 32-bit fields, or
// zlib fails; and the stream's errors.
class TZipEntryWriter {
 public:
  // Writes the local header at the stream's position.
  TZipEntryWriter(TStream& stream, std::string_view fileName, TDeflateSharing sharing = {});
  ~TZipEntryWriter();
  TZipEntryWriter(const TZipEntryWriter&) = delete;
  TZipEntryWriter& operator=(const TZipEntryWriter&) = delete;

  // The next bytes of the entry. Shared, they are held until the pieces of a round are complete.
  void Write(std::string_view data);
  // Ends the entry, fills in its header and writes the central directory; the stream is left at
  // the archive's end.
  void Finish();

 private:
  void Deflate(const void* data, size_t size, int flush);
  // The bytes held and then fresh (a round of pieces, or the rest when last), deflated in pieces side
  // by side and written in order; last: they end the entry.
  void DeflateShared(std::string_view fresh, bool last);
  struct TState;
  TStream& stream_;
  std::unique_ptr<TState> state_;
};

// CRC-32 as zip uses it (reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF, final inversion).
uint32_t ZipCRC32(std::string_view data);
// Continues a CRC-32: start with 0, pass each result back in.
uint32_t ZipCRC32Update(uint32_t crc, const void* data, size_t size);

// DOS time (low 16 bits) and date (high 16 bits) of the local time now.
uint32_t ZipDateTimeNow();
