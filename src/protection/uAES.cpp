#include "protection/uAES.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/Streams.h"
#include "protection/ByteOrder.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

// The tables are computed from the field arithmetic at compile time rather than typed in.
constexpr uint8_t XTime(uint8_t x) {
  return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}

constexpr uint8_t GMul(uint8_t a, uint8_t b) {
  uint8_t p = 0;
  for (int i = 0; i < 8; ++i) {
    if (b & 1) p ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return p;
}

struct SBoxes {
  uint8_t S[256];
  uint8_t InvS[256];
};

constexpr uint8_t Rotl8(uint8_t x, int s) {
  return static_cast<uint8_t>((x << s) | (x >> (8 - s)));
}

// Walks the field with the generator 3: p runs through 3^k and q through its inverse 3^-k, so each
// step gives one multiplicative inverse, to which the affine transformation is applied.
constexpr SBoxes MakeSBoxes() {
  SBoxes boxes{};
  uint8_t p = 1, q = 1;
  do {
    p = static_cast<uint8_t>(p ^ (p << 1) ^ ((p & 0x80) ? 0x1B : 0));  // p * 3
    q = static_cast<uint8_t>(q ^ (q << 1));                            // q / 3
    q = static_cast<uint8_t>(q ^ (q << 2));
    q = static_cast<uint8_t>(q ^ (q << 4));
    if (q & 0x80) q ^= 0x09;
    uint8_t s = static_cast<uint8_t>(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4) ^ 0x63);
    boxes.S[p] = s;
  } while (p != 1);
  boxes.S[0] = 0x63;  // 0 has no inverse; the affine transformation of 0
  for (int x = 0; x < 256; ++x) boxes.InvS[boxes.S[x]] = static_cast<uint8_t>(x);
  return boxes;
}

constexpr SBoxes kBoxes = MakeSBoxes();

struct Tables {
  uint32_t Te[4][256];
  uint32_t Td[4][256];
};

constexpr uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return (uint32_t{b0} << 24) | (uint32_t{b1} << 16) | (uint32_t{b2} << 8) | uint32_t{b3};
}

constexpr Tables MakeTables() {
  Tables t{};
  for (int x = 0; x < 256; ++x) {
    uint8_t s = kBoxes.S[x];
    uint32_t e = Word(GMul(s, 2), s, s, GMul(s, 3));
    uint8_t si = kBoxes.InvS[x];
    uint32_t d = Word(GMul(si, 14), GMul(si, 9), GMul(si, 13), GMul(si, 11));
    for (int r = 0; r < 4; ++r) {
      t.Te[r][x] = std::rotr(e, 8 * r);
      t.Td[r][x] = std::rotr(d, 8 * r);
    }
  }
  return t;
}

constexpr Tables kTables = MakeTables();
constexpr auto& Te0 = kTables.Te[0];
constexpr auto& Te1 = kTables.Te[1];
constexpr auto& Te2 = kTables.Te[2];
constexpr auto& Te3 = kTables.Te[3];
constexpr auto& Td0 = kTables.Td[0];
constexpr auto& Td1 = kTables.Td[1];
constexpr auto& Td2 = kTables.Td[2];
constexpr auto& Td3 = kTables.Td[3];
constexpr auto& Sbox = kBoxes.S;
constexpr auto& InvSbox = kBoxes.InvS;

using byteorder::LoadBE32;
using byteorder::StoreBE32;

inline uint32_t SubWord(uint32_t w) {
  return Word(Sbox[w >> 24], Sbox[(w >> 16) & 255], Sbox[(w >> 8) & 255], Sbox[w & 255]);
}

inline void EncryptOne(const uint8_t* in, uint8_t* out, const uint32_t* rk) {
  uint32_t s0 = LoadBE32(in) ^ rk[0];
  uint32_t s1 = LoadBE32(in + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(in + 8) ^ rk[2];
  uint32_t s3 = LoadBE32(in + 12) ^ rk[3];
  for (int round = 1; round < 10; ++round) {
    rk += 4;
    uint32_t t0 = Te0[s0 >> 24] ^ Te1[(s1 >> 16) & 255] ^ Te2[(s2 >> 8) & 255] ^ Te3[s3 & 255] ^ rk[0];
    uint32_t t1 = Te0[s1 >> 24] ^ Te1[(s2 >> 16) & 255] ^ Te2[(s3 >> 8) & 255] ^ Te3[s0 & 255] ^ rk[1];
    uint32_t t2 = Te0[s2 >> 24] ^ Te1[(s3 >> 16) & 255] ^ Te2[(s0 >> 8) & 255] ^ Te3[s1 & 255] ^ rk[2];
    uint32_t t3 = Te0[s3 >> 24] ^ Te1[(s0 >> 16) & 255] ^ Te2[(s1 >> 8) & 255] ^ Te3[s2 & 255] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 4;
  StoreBE32(out, Word(Sbox[s0 >> 24], Sbox[(s1 >> 16) & 255], Sbox[(s2 >> 8) & 255], Sbox[s3 & 255]) ^ rk[0]);
  StoreBE32(out + 4, Word(Sbox[s1 >> 24], Sbox[(s2 >> 16) & 255], Sbox[(s3 >> 8) & 255], Sbox[s0 & 255]) ^ rk[1]);
  StoreBE32(out + 8, Word(Sbox[s2 >> 24], Sbox[(s3 >> 16) & 255], Sbox[(s0 >> 8) & 255], Sbox[s1 & 255]) ^ rk[2]);
  StoreBE32(out + 12, Word(Sbox[s3 >> 24], Sbox[(s0 >> 16) & 255], Sbox[(s1 >> 8) & 255], Sbox[s2 & 255]) ^ rk[3]);
}

// The equivalent inverse cipher: the deciphering schedule is walked from its last round key down.
inline void DecryptOne(const uint8_t* in, uint8_t* out, const uint32_t* key) {
  const uint32_t* rk = key + 40;
  uint32_t s0 = LoadBE32(in) ^ rk[0];
  uint32_t s1 = LoadBE32(in + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(in + 8) ^ rk[2];
  uint32_t s3 = LoadBE32(in + 12) ^ rk[3];
  for (int round = 1; round < 10; ++round) {
    rk -= 4;
    uint32_t t0 = Td0[s0 >> 24] ^ Td1[(s3 >> 16) & 255] ^ Td2[(s2 >> 8) & 255] ^ Td3[s1 & 255] ^ rk[0];
    uint32_t t1 = Td0[s1 >> 24] ^ Td1[(s0 >> 16) & 255] ^ Td2[(s3 >> 8) & 255] ^ Td3[s2 & 255] ^ rk[1];
    uint32_t t2 = Td0[s2 >> 24] ^ Td1[(s1 >> 16) & 255] ^ Td2[(s0 >> 8) & 255] ^ Td3[s3 & 255] ^ rk[2];
    uint32_t t3 = Td0[s3 >> 24] ^ Td1[(s2 >> 16) & 255] ^ Td2[(s1 >> 8) & 255] ^ Td3[s0 & 255] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk = key;
  StoreBE32(out,
            Word(InvSbox[s0 >> 24], InvSbox[(s3 >> 16) & 255], InvSbox[(s2 >> 8) & 255], InvSbox[s1 & 255]) ^ rk[0]);
  StoreBE32(out + 4,
            Word(InvSbox[s1 >> 24], InvSbox[(s0 >> 16) & 255], InvSbox[(s3 >> 8) & 255], InvSbox[s2 & 255]) ^ rk[1]);
  StoreBE32(out + 8,
            Word(InvSbox[s2 >> 24], InvSbox[(s1 >> 16) & 255], InvSbox[(s0 >> 8) & 255], InvSbox[s3 & 255]) ^ rk[2]);
  StoreBE32(out + 12,
            Word(InvSbox[s3 >> 24], InvSbox[(s2 >> 16) & 255], InvSbox[(s1 >> 8) & 255], InvSbox[s0 & 255]) ^ rk[3]);
}

#if defined(__x86_64__) && defined(__GNUC__)

#define TESSARYN_AESNI __attribute__((target("aes,sse4.1")))

// Round keys in the byte order the instructions take: each word's bytes as the standard writes them.
TESSARYN_AESNI void LoadRoundKeys(const uint32_t* words, __m128i* rk) {
  for (int r = 0; r < 11; ++r) {
    alignas(16) uint8_t bytes[16];
    for (int i = 0; i < 4; ++i) StoreBE32(bytes + 4 * i, words[4 * r + i]);
    rk[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
  }
}

// Eight blocks at a time keep the instruction pipeline full; ECB blocks are independent.
TESSARYN_AESNI void EncryptECBHardware(uint8_t* data, size_t size, const uint32_t* words) {
  __m128i rk[11];
  LoadRoundKeys(words, rk);
  size_t i = 0;
  for (; i + 128 <= size; i += 128) {
    __m128i b[8];
    for (int k = 0; k < 8; ++k)
      b[k] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k)), rk[0]);
    for (int r = 1; r < 10; ++r)
      for (int k = 0; k < 8; ++k) b[k] = _mm_aesenc_si128(b[k], rk[r]);
    for (int k = 0; k < 8; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i + 16 * k), _mm_aesenclast_si128(b[k], rk[10]));
  }
  for (; i < size; i += 16) {
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), rk[0]);
    for (int r = 1; r < 10; ++r) b = _mm_aesenc_si128(b, rk[r]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i), _mm_aesenclast_si128(b, rk[10]));
  }
}

// The deciphering schedule already carries InvMixColumns on round keys 1..9, as the instructions
// of the equivalent inverse cipher expect.
TESSARYN_AESNI void DecryptECBHardware(uint8_t* data, size_t size, const uint32_t* words) {
  __m128i rk[11];
  LoadRoundKeys(words, rk);
  size_t i = 0;
  for (; i + 128 <= size; i += 128) {
    __m128i b[8];
    for (int k = 0; k < 8; ++k)
      b[k] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16 * k)), rk[10]);
    for (int r = 9; r >= 1; --r)
      for (int k = 0; k < 8; ++k) b[k] = _mm_aesdec_si128(b[k], rk[r]);
    for (int k = 0; k < 8; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i + 16 * k), _mm_aesdeclast_si128(b[k], rk[0]));
  }
  for (; i < size; i += 16) {
    __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), rk[10]);
    for (int r = 9; r >= 1; --r) b = _mm_aesdec_si128(b, rk[r]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i), _mm_aesdeclast_si128(b, rk[0]));
  }
}

bool CpuHasAES() {
  static const bool have = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
  return have;
}

#else

bool CpuHasAES() {
  return false;
}
void EncryptECBHardware(uint8_t*, size_t, const uint32_t*) {}
void DecryptECBHardware(uint8_t*, size_t, const uint32_t*) {}

#endif

std::atomic<bool> gHardwareAllowed{true};

bool UseHardware() {
  return CpuHasAES() && gHardwareAllowed.load(std::memory_order_relaxed);
}

constexpr int64_t kChunk = 1 << 16;

// Count rule of the stream routines.
int64_t RangeCount(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    return source.Size();
  }
  return std::min(count, source.Size() - source.Position());
}

// Reads left bytes in chunks, ciphers each one zero-padded to whole blocks and writes it out. The
// chunk size is a whole number of blocks, so only the last chunk can need padding.
template <class Cipher>
void CipherChunks(TStream& source, int64_t left, TStream& dest, Cipher cipher) {
  std::vector<uint8_t> buf(static_cast<size_t>(std::min(kChunk, (left + 15) / 16 * 16)));
  while (left > 0) {
    int64_t take = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
    source.ReadBuffer(buf.data(), take);
    int64_t padded = (take + 15) / 16 * 16;
    std::fill(buf.begin() + take, buf.begin() + padded, uint8_t{0});
    cipher(buf.data(), static_cast<size_t>(padded));
    dest.WriteBuffer(buf.data(), padded);
    left -= take;
  }
}

}  // namespace

void AESExpandKeyForEncryption(const TAESKey128& key, TAESExpandedKey128& expandedKey) {
  uint32_t* w = expandedKey.Words.data();
  for (int i = 0; i < 4; ++i) w[i] = LoadBE32(key.data() + 4 * i);
  uint8_t rcon = 1;
  for (int i = 4; i < 44; ++i) {
    uint32_t temp = w[i - 1];
    if (i % 4 == 0) {
      temp = SubWord(std::rotl(temp, 8)) ^ (uint32_t{rcon} << 24);
      rcon = XTime(rcon);
    }
    w[i] = w[i - 4] ^ temp;
  }
}

void AESInvertKeySchedule(TAESExpandedKey128& expandedKey) {
  // InvMixColumns of round keys 1 to 9; Td of S undoes the S-box folded into the tables.
  for (int i = 4; i < 40; ++i) {
    uint32_t w = expandedKey.Words[i];
    expandedKey.Words[i] =
        Td0[Sbox[w >> 24]] ^ Td1[Sbox[(w >> 16) & 255]] ^ Td2[Sbox[(w >> 8) & 255]] ^ Td3[Sbox[w & 255]];
  }
}

void AESExpandKeyForDecryption(const TAESKey128& key, TAESExpandedKey128& expandedKey) {
  AESExpandKeyForEncryption(key, expandedKey);
  AESInvertKeySchedule(expandedKey);
}

void AESEncryptBlock(const TAESBuffer& input, const TAESExpandedKey128& key, TAESBuffer& output) {
  EncryptOne(input.data(), output.data(), key.Words.data());
}

void AESDecryptBlock(const TAESBuffer& input, const TAESExpandedKey128& key, TAESBuffer& output) {
  DecryptOne(input.data(), output.data(), key.Words.data());
}

bool AESHardwareInUse() {
  return UseHardware();
}

void AESSetHardwareAllowed(bool allowed) {
  gHardwareAllowed.store(allowed, std::memory_order_relaxed);
}

void AESEncryptECB(uint8_t* data, size_t size, const TAESExpandedKey128& key) {
  if (size % 16 != 0) throw EAESError("Invalid buffer size for encryption");
  const uint32_t* rk = key.Words.data();
  if (UseHardware()) return EncryptECBHardware(data, size, rk);
  for (size_t i = 0; i < size; i += 16) EncryptOne(data + i, data + i, rk);
}

void AESDecryptECB(uint8_t* data, size_t size, const TAESExpandedKey128& key) {
  if (size % 16 != 0) throw EAESError("Invalid buffer size for decryption");
  const uint32_t* rk = key.Words.data();
  if (UseHardware()) return DecryptECBHardware(data, size, rk);
  for (size_t i = 0; i < size; i += 16) DecryptOne(data + i, data + i, rk);
}

void AESEncryptStreamExpanded(TStream& source, int64_t count, const TAESExpandedKey128& key, TStream& dest) {
  int64_t left = RangeCount(source, count);
  if (left <= 0) return;
  CipherChunks(source, left, dest, [&key](uint8_t* data, size_t size) { AESEncryptECB(data, size, key); });
}

void AESEncryptStream(TStream& source, int64_t count, const TAESKey128& key, TStream& dest) {
  TAESExpandedKey128 expanded;
  AESExpandKeyForEncryption(key, expanded);
  AESEncryptStreamExpanded(source, count, expanded, dest);
}

void AESDecryptStreamExpanded(TStream& source, int64_t count, const TAESExpandedKey128& key, TStream& dest) {
  int64_t left = RangeCount(source, count);
  if (left <= 0) return;
  if (left % 16 != 0) throw EAESError("Invalid buffer size for decryption");
  CipherChunks(source, left, dest, [&key](uint8_t* data, size_t size) { AESDecryptECB(data, size, key); });
}

void AESDecryptStream(TStream& source, int64_t count, const TAESKey128& key, TStream& dest) {
  TAESExpandedKey128 expanded;
  AESExpandKeyForDecryption(key, expanded);
  AESDecryptStreamExpanded(source, count, expanded, dest);
}
