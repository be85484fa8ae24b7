// The enciphered databank layer: a 4-byte little-endian plain length followed by the AES-128-ECB
// ciphertext of the zero-padded text, under the MD5 digest of the password's Windows-1252 bytes.
//
// This keeps casual readers out; it is not strong encryption (no salt, no IV, no key stretching, no
// check value). The layout is what stored files hold, so every byte of it stays as it is.
//
// Passwords are given as UTF-8 (the program's in-memory text). A password with a character that has
// no Windows-1252 byte is refused with EPasswordError; it is never turned into "?".
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "protection/uAES.h"

class TStream;

// A password that cannot be used as a cipher key.
class EPasswordError : public EAESError {
 public:
  using EAESError::EAESError;
};

// The message of EPasswordError.
extern const char* const SPasswordNotCp1252;
// Raised when the stored plain length does not fit the ciphertext that follows it.
extern const char* const SInvalidPlainLength;

// True when every character of the UTF-8 password has a Windows-1252 byte.
bool IsValidDataBankPassword(std::string_view passwordUtf8);
// The Windows-1252 bytes of the password; throws EPasswordError when it has none for a character.
std::string DataBankPasswordBytes(std::string_view passwordUtf8);
// MD5 of the password's Windows-1252 bytes; throws EPasswordError as above.
TAESKey128 DataBankKey(std::string_view passwordUtf8);

// Size of the enciphered layer for a plain text of n bytes: 4 + 16 * ceil(n / 16).
uint64_t EncipheredSize(uint64_t plainLength);

// Enciphers the whole plain text. Throws EAESError when it is 4 GiB or more (the length field is
// 32 bits).
std::string EncipherDataBank(std::string_view plain, const TAESKey128& key);
std::string EncipherDataBank(std::string_view plain, std::string_view passwordUtf8);

// Enciphers a plain text of a known length as it arrives, holding less than one block of it: the
// same bytes as EncipherDataBank of the whole text, handed to out in order. Each block is enciphered
// on its own (no chaining), so with shares above 1 the blocks of a large piece are shared among that
// many threads (platform::RunShared). Throws EAESError when the length is 4 GiB or more, and (Finish)
// when the bytes given were not as many as announced.
class TDataBankEncipherer {
 public:
  TDataBankEncipherer(const TAESKey128& key, uint64_t plainLength, std::function<void(std::string_view)> out,
                      std::size_t shares = 1);
  // The next bytes of the plain text; they are enciphered in place, in data itself.
  void Write(std::string& data);
  // The last block, padded with zeros.
  void Finish();

 private:
  TAESExpandedKey128 key_;
  uint64_t length_, given_ = 0;
  std::function<void(std::string_view)> out_;
  std::size_t shares_;
  uint8_t carry_[16] = {};
  size_t carried_ = 0;
};

// Deciphers a whole enciphered layer. Throws EReadError "Stream read error" when fewer than 4 bytes
// are given, EAESError "Invalid buffer size for decryption" when the ciphertext is not a multiple of
// 16 bytes, and EAESError SInvalidPlainLength when the stored length is not within the last block of
// the ciphertext (a plain length larger than the data, or one leaving whole padding blocks).
// A wrong password is not detected here: the text just does not parse.
std::string DecipherDataBank(std::string_view data, const TAESKey128& key);
std::string DecipherDataBank(std::string_view data, std::string_view passwordUtf8);
// The same, deciphering in place in the buffer it is given (no second copy of a large databank).
std::string DecipherDataBank(std::string&& data, const TAESKey128& key);

// Stream forms for the file pipeline. Encipher: the whole plain stream from position 0, written at
// the output's position. Decipher: the whole input from position 0; exactly the plain text is
// written at the output's position. The same errors as above.
void EncipherDataBank(TStream& plain, std::string_view passwordUtf8, TStream& output);
void DecipherDataBank(TStream& input, std::string_view passwordUtf8, TStream& output);
