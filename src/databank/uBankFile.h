// The layers of a databank file, over byte buffers: recognising a file (zip archive, cipher, plain
// XML, the old format), unwrapping it down to its XML bytes, and wrapping XML bytes back up.
// No file, window or settings is touched here; the pipeline (uBankSession) reads and writes the
// files and decides what the user is told, through the callbacks given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "protection/uZipFile.h"

class TStream;
class TDataBankEncipherer;

// Sniffing, as the first bytes of a stream tell it. Each test reads from the stream's current
// position and puts the position back.
bool IsZip(TStream& stream);         // begins with the full local header signature "PK\x03\x04"
bool IsEnciphered(TStream& stream);  // neither a zip nor plain XML ("<?xml", "<dataroot")
bool IsOldFormat(TStream& stream);   // the first ten bytes are exactly "<dataroot>"
// The same over bytes. Plain XML may start with a UTF-8 byte-order mark and blanks.
bool IsZipBytes(std::string_view head);
bool IsPlainXMLBytes(std::string_view head);
bool IsOldFormatBytes(std::string_view head);
// The bytes without a leading UTF-8 byte-order mark and blanks (space, tab, CR, LF).
std::string_view SkipByteOrderMarkAndBlanks(std::string_view bytes);
// True when the head of the bytes is text (no control character but tab, CR and LF): no cipher layer
// starts so (its first bytes are a length word, then random-looking blocks).
bool LooksLikeText(std::string_view bytes);

// True when bytes could be an enciphered layer: a 4-byte length n followed by whole 16-byte blocks
// of which the last holds the end of the n plain bytes. A file starting with "PK" that is no zip
// archive is read as a cipher layer only when this holds (plain lengths such as 19280 start with
// "PK"); otherwise it is a broken archive.
bool CouldBeCipherLayer(std::string_view bytes);

// What the load road needs from its caller.
struct TBankReadContext {
  // The known password (UTF-8). When it is empty and the file is enciphered, AskPassword is called;
  // its answer is kept here.
  std::string Password;
  // Asks the user for the password of the file; false when cancelled. May be empty (then the
  // known password, even an empty one, is used as it is).
  std::function<bool(std::string& password)> AskPassword;
  // Shows one of the pipeline's error messages (by id, see uBankMessages.h) or a free text (id 0).
  std::function<void(int id, const std::string& text)> ShowError;
  // The most a zip entry may unpack to: a larger one is refused before anything is allocated.
  std::uint64_t MemoryAvailable = UINT64_MAX;
};

struct TBankReadResult {
  std::string XML;          // the bytes under every layer
  bool Compressed = false;  // the file was a zip archive
  bool Enciphered = false;  // the bytes under the zip (or the file) were a cipher layer
  std::string EntryName;    // the name of the archive's first entry, when it was one
  bool PasswordAsked = false;
  // Why the file failed when no box said it (the caller puts it under "Could not open DataBank!"):
  // it is not a databank, or it would not fit into memory.
  std::string Reason;
};

// Unwraps a whole databank file: the zip layer when the file is an archive whose first entry yields
// data, then the cipher layer unless the bytes are plain XML. False after the failing layer's
// message was shown (65127 for the zip layer; 65129 for the cipher layer and a cancelled prompt),
// or with Reason set and nothing shown: bytes that are neither plain XML nor a cipher layer (a size
// the cipher layer never writes, or text) are not a databank, and no password is asked for them; a
// zip entry larger than MemoryAvailable is not unpacked.
bool DecodeBankLayers(std::string fileBytes, TBankReadContext& context, TBankReadResult& result);

struct TBankWriteLayers {
  std::string Password;   // UTF-8; empty: not enciphered
  bool Compress = false;  // wrap into a one-entry zip archive
  std::string EntryName;  // name of the archive's entry
};

// A databank file ready to be written: its bytes, or (when zipped) the archive, which is streamed
// straight into the file rather than copied into memory once more.
struct TEncodedBank {
  std::string Bytes;
  std::unique_ptr<TZipFile> Zip;
  // Throws the stream's errors, and EZipError when the archive cannot be written.
  void WriteTo(TStream& stream);
};

// Wraps XML bytes up: enciphered when there is a password, then zipped when Compress is set. False
// after the failing layer's message (65128 cipher, 65126 zip). Each layer frees what it consumed as
// soon as it can, so a large databank is never held in memory more than twice.
bool EncodeBankFile(std::string xml, const TBankWriteLayers& layers,
                    const std::function<void(int id, const std::string& text)>& showError, TEncodedBank& out);
// The same into the file's bytes.
bool EncodeBankLayers(std::string xml, const TBankWriteLayers& layers,
                      const std::function<void(int id, const std::string& text)>& showError, std::string& out);

// Writes a databank file's layers into a stream as its XML bytes arrive, holding only a small part of
// them at a time: the same bytes EncodeBankFile and TEncodedBank::WriteTo give for the whole XML. The
// number of XML bytes must be known first (the cipher layer begins with it). The zip layer goes back
// to fill in its header, so the stream must allow seeking. Throws EAESError for the cipher layer
// (65128), EZipError for the zip layer (65126), and the stream's errors.
//
// A large databank's layers share their work among threads, on the thread that writes (the writer's,
// never the window's): the cipher its blocks, the zip layer its deflate in pieces joined into one
// stream (TDeflateSharing), whose bytes differ from those of one stream and inflate to the same XML.
class TBankLayerWriter {
 public:
  // sharing: how the zip layer shares its deflate, and into how many shares the cipher splits its
  // blocks; by default the size of the XML decides.
  TBankLayerWriter(TStream& out, const TBankWriteLayers& layers, std::uint64_t xmlBytes,
                   std::optional<TDeflateSharing> sharing = std::nullopt);
  ~TBankLayerWriter();
  TBankLayerWriter(const TBankLayerWriter&) = delete;
  TBankLayerWriter& operator=(const TBankLayerWriter&) = delete;
  // About how many XML bytes to give at a time: enough for every share of a round.
  std::size_t PieceBytes() const { return pieceBytes_; }
  // The next XML bytes (enciphered in place when there is a password).
  void Write(std::string& xml);
  void Finish();

 private:
  void Pass(std::string_view bytes);
  TStream& out_;
  std::size_t pieceBytes_;
  std::unique_ptr<TZipEntryWriter> zip_;
  std::unique_ptr<TDataBankEncipherer> cipher_;
};

// Largest ratio of inflated to deflated size that deflate can reach (with margin); a zip entry
// claiming more is refused before anything is inflated.
constexpr uint64_t MaxDeflateRatio = 1100;
