#include "protection/uDataBankCipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/SharedWork.h"
#include "platform/Streams.h"
#include "protection/umd5.h"

const char* const SPasswordNotCp1252 =
    "The password holds a character that cannot be used in a password. Only characters of the "
    "Windows-1252 code page (Western European letters, digits and punctuation) can be used.";
const char* const SInvalidPlainLength = "Invalid data length for decryption";

namespace {

constexpr uint64_t kMaxPlain = 0xFFFFFFFFull;
// Fewer blocks than this for each thread are enciphered on one: starting a thread would cost more.
constexpr size_t kBlocksPerShare = 16384;

void StoreLE32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 255);
}

uint32_t LoadLE32(const char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(p[i])} << (8 * i);
  return v;
}

// The stored plain length must end inside the last ciphertext block: a larger one would make up
// bytes no input determines, a smaller one would mean whole blocks of padding no writer produces.
void CheckPlainLength(uint32_t plain, uint64_t cipherSize) {
  bool ok = cipherSize == 0 ? plain == 0 : plain <= cipherSize && plain + 15 >= cipherSize;
  if (!ok) throw EAESError(SInvalidPlainLength);
}

}  // namespace

bool IsValidDataBankPassword(std::string_view passwordUtf8) {
  return codepage::IsCp1252Representable(passwordUtf8);
}

std::string DataBankPasswordBytes(std::string_view passwordUtf8) {
  if (!codepage::IsCp1252Representable(passwordUtf8)) throw EPasswordError(SPasswordNotCp1252);
  return codepage::Utf8ToCp1252(passwordUtf8);
}

TAESKey128 DataBankKey(std::string_view passwordUtf8) {
  return MD5String(DataBankPasswordBytes(passwordUtf8));
}

uint64_t EncipheredSize(uint64_t plainLength) {
  return 4 + (plainLength + 15) / 16 * 16;
}

std::string EncipherDataBank(std::string_view plain, const TAESKey128& key) {
  if (plain.size() > kMaxPlain) throw EAESError("The data is too large to be enciphered");
  std::string out(static_cast<size_t>(EncipheredSize(plain.size())), '\0');
  StoreLE32(out.data(), static_cast<uint32_t>(plain.size()));
  if (!plain.empty()) std::memcpy(out.data() + 4, plain.data(), plain.size());  // the rest stays zero
  TAESExpandedKey128 expanded;
  AESExpandKeyForEncryption(key, expanded);
  AESEncryptECB(reinterpret_cast<uint8_t*>(out.data() + 4), out.size() - 4, expanded);
  return out;
}

TDataBankEncipherer::TDataBankEncipherer(const TAESKey128& key, uint64_t plainLength,
                                         std::function<void(std::string_view)> out, std::size_t shares)
    : length_(plainLength), out_(std::move(out)), shares_(std::max<std::size_t>(shares, 1)) {
  if (plainLength > kMaxPlain) throw EAESError("The data is too large to be enciphered");
  AESExpandKeyForEncryption(key, key_);
  char length[4];
  StoreLE32(length, static_cast<uint32_t>(plainLength));
  out_(std::string_view(length, 4));
}

void TDataBankEncipherer::Write(std::string& data) {
  given_ += data.size();
  if (given_ > length_) throw EAESError("The data is longer than announced");
  std::string_view rest(data);
  if (carried_ > 0) {
    const size_t take = std::min(rest.size(), sizeof carry_ - carried_);
    std::memcpy(carry_ + carried_, rest.data(), take);
    carried_ += take;
    rest.remove_prefix(take);
    if (carried_ < sizeof carry_) return;
    AESEncryptECB(carry_, sizeof carry_, key_);
    out_(std::string_view(reinterpret_cast<char*>(carry_), sizeof carry_));
    carried_ = 0;
  }
  const size_t whole = rest.size() / 16 * 16;
  if (whole > 0) {
    auto* blocks = reinterpret_cast<uint8_t*>(data.data() + (rest.data() - data.data()));
    // Shared in runs of whole blocks, each enciphered where it lies.
    const size_t shares = std::min(shares_, whole / kBlocksPerShare / 16);
    if (shares > 1) {
      const size_t per = (whole / 16 + shares - 1) / shares * 16;
      platform::RunShared(shares, [&](size_t k) {
        const size_t from = std::min(k * per, whole);
        AESEncryptECB(blocks + from, std::min(per, whole - from), key_);
      });
    } else {
      AESEncryptECB(blocks, whole, key_);
    }
    out_(rest.substr(0, whole));
  }
  std::memcpy(carry_, rest.data() + whole, rest.size() - whole);
  carried_ = rest.size() - whole;
}

void TDataBankEncipherer::Finish() {
  if (given_ != length_) throw EAESError("The data is shorter than announced");
  if (carried_ == 0) return;
  std::memset(carry_ + carried_, 0, sizeof carry_ - carried_);
  AESEncryptECB(carry_, sizeof carry_, key_);
  out_(std::string_view(reinterpret_cast<char*>(carry_), sizeof carry_));
  carried_ = 0;
}

std::string EncipherDataBank(std::string_view plain, std::string_view passwordUtf8) {
  return EncipherDataBank(plain, DataBankKey(passwordUtf8));
}

std::string DecipherDataBank(std::string&& data, const TAESKey128& key) {
  if (data.size() < 4) throw EReadError("Stream read error");
  uint64_t cipherSize = data.size() - 4;
  if (cipherSize % 16 != 0) throw EAESError("Invalid buffer size for decryption");
  uint32_t plain = LoadLE32(data.data());
  CheckPlainLength(plain, cipherSize);
  TAESExpandedKey128 expanded;
  AESExpandKeyForDecryption(key, expanded);
  AESDecryptECB(reinterpret_cast<uint8_t*>(data.data() + 4), static_cast<size_t>(cipherSize), expanded);
  // Drop the length field and the padding without a second buffer.
  data.erase(0, 4);
  data.resize(plain);
  return std::move(data);
}

std::string DecipherDataBank(std::string_view data, const TAESKey128& key) {
  return DecipherDataBank(std::string(data), key);
}

std::string DecipherDataBank(std::string_view data, std::string_view passwordUtf8) {
  return DecipherDataBank(std::string(data), DataBankKey(passwordUtf8));
}

void EncipherDataBank(TStream& plain, std::string_view passwordUtf8, TStream& output) {
  TAESKey128 key = DataBankKey(passwordUtf8);
  plain.SetPosition(0);
  int64_t n = plain.Size();
  if (n < 0 || static_cast<uint64_t>(n) > kMaxPlain) throw EAESError("The data is too large to be enciphered");
  char length[4];
  StoreLE32(length, static_cast<uint32_t>(n));
  output.WriteBuffer(length, 4);
  // An explicit count: the stream routine reads count 0 as "the whole stream".
  if (n > 0) AESEncryptStream(plain, n, key, output);
}

void DecipherDataBank(TStream& input, std::string_view passwordUtf8, TStream& output) {
  TAESKey128 key = DataBankKey(passwordUtf8);
  input.SetPosition(0);
  int64_t size = input.Size();
  char length[4];
  input.ReadBuffer(length, 4);
  int64_t cipherSize = size - 4;
  if (cipherSize % 16 != 0) throw EAESError("Invalid buffer size for decryption");
  uint32_t plain = LoadLE32(length);
  CheckPlainLength(plain, static_cast<uint64_t>(cipherSize));
  TAESExpandedKey128 expanded;
  AESExpandKeyForDecryption(key, expanded);
  // Chunk by chunk; only the plain text, without its padding, reaches the output.
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(cipherSize, 1 << 16)));
  int64_t left = cipherSize;
  int64_t plainLeft = plain;
  while (left > 0) {
    int64_t take = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
    input.ReadBuffer(buf.data(), take);
    AESDecryptECB(buf.data(), static_cast<size_t>(take), expanded);
    int64_t give = std::min(take, plainLeft);
    if (give > 0) output.WriteBuffer(buf.data(), give);
    plainLeft -= give;
    left -= take;
  }
}
