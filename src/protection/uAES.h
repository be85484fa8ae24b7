// AES-128 block cipher with the byte order of the published standard, and ECB stream routines that
// fill the last partial block with zero bytes. Block work runs on contiguous buffers; the stream
// routines move data in large chunks rather than block by block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/Exceptions.h"

class TStream;

class EAESError : public Exception {
 public:
  using Exception::Exception;
};

using TAESKey128 = std::array<uint8_t, 16>;
using TAESBuffer = std::array<uint8_t, 16>;

// 44 round-key words (11 round keys). For deciphering, round keys 1 to 9 carry InvMixColumns so that
// the equivalent inverse cipher can use the same table-driven round shape as enciphering.
struct TAESExpandedKey128 {
  std::array<uint32_t, 44> Words{};
};

void AESExpandKeyForEncryption(const TAESKey128& key, TAESExpandedKey128& expandedKey);
void AESExpandKeyForDecryption(const TAESKey128& key, TAESExpandedKey128& expandedKey);
// Turns an enciphering schedule into the deciphering one (in place).
void AESInvertKeySchedule(TAESExpandedKey128& expandedKey);

void AESEncryptBlock(const TAESBuffer& input, const TAESExpandedKey128& key, TAESBuffer& output);
void AESDecryptBlock(const TAESBuffer& input, const TAESExpandedKey128& key, TAESBuffer& output);

// ECB over a buffer whose size is a multiple of 16, in place. Throws EAESError otherwise.
void AESEncryptECB(uint8_t* data, size_t size, const TAESExpandedKey128& key);
void AESDecryptECB(uint8_t* data, size_t size, const TAESExpandedKey128& key);

// The buffer and stream routines use the processor's AES instructions where it has them (the same
// bytes either way); tests switch them off to check the table-driven path as well.
bool AESHardwareInUse();
void AESSetHardwareAllowed(bool allowed);

// Stream routines. count 0: the source is positioned at 0 and the whole source is processed;
// otherwise count is cut to what is left after the source's position and processing starts there.
// Output goes to the destination's current position.
// Enciphering pads the last partial block with zero bytes. Deciphering raises EAESError
// "Invalid buffer size for decryption" when the count is not a multiple of 16.
// Short reads raise EReadError "Stream read error", short writes EWriteError "Stream write error".
void AESEncryptStream(TStream& source, int64_t count, const TAESKey128& key, TStream& dest);
void AESEncryptStreamExpanded(TStream& source, int64_t count, const TAESExpandedKey128& key, TStream& dest);
void AESDecryptStream(TStream& source, int64_t count, const TAESKey128& key, TStream& dest);
void AESDecryptStreamExpanded(TStream& source, int64_t count, const TAESExpandedKey128& key, TStream& dest);
