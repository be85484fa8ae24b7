#include "protection/umd5.h"

#include <bit>
#include <cstring>

#include "protection/ByteOrder.h"

namespace {

inline uint32_t Rotl(uint32_t x, int s) {
  return (x << s) | (x >> (32 - s));
}

using byteorder::LoadLE32;
using byteorder::StoreLE32;

// The four rounds, written out so the compiler keeps everything in registers.
#define MD5_STEP(f, a, b, c, d, x, t, s) \
  a += f(b, c, d) + (x) + (t);           \
  a = Rotl(a, s) + b

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

// Processes count whole 64-byte blocks.
void TransformBlocks(std::array<uint32_t, 4>& state, const uint8_t* p, size_t count) {
  uint32_t a0 = state[0], b0 = state[1], c0 = state[2], d0 = state[3];
  for (; count > 0; --count, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE32(p + 4 * i);
    uint32_t a = a0, b = b0, c = c0, d = d0;

    MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22);

    MD5_STEP(MD5_G, a, b, c, d, x[1], 0xf61e2562, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[6], 0xc040b340, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[11], 0x265e5a51, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[0], 0xe9b6c7aa, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[5], 0xd62f105d, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[10], 0x02441453, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[15], 0xd8a1e681, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[4], 0xe7d3fbc8, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[9], 0x21e1cde6, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[14], 0xc33707d6, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[3], 0xf4d50d87, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[8], 0x455a14ed, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[13], 0xa9e3e905, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[2], 0xfcefa3f8, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[7], 0x676f02d9, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[12], 0x8d2a4c8a, 20);

    MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23);

    MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21);

    a0 += a;
    b0 += b;
    c0 += c;
    d0 += d;
  }
  state = {a0, b0, c0, d0};
}

}  // namespace

void MD5Init(TMD5Context& context) {
  context.State = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  context.Count = {0, 0};
  context.Buffer.fill(0);
}

void MD5Transform(std::array<uint32_t, 4>& state, const uint8_t* block) {
  TransformBlocks(state, block, 1);
}

void MD5Update(TMD5Context& context, const void* input, size_t count) {
  if (count == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(input);
  size_t used = (context.Count[0] >> 3) & 63;
  uint64_t bits =
      (static_cast<uint64_t>(context.Count[1]) << 32 | context.Count[0]) + (static_cast<uint64_t>(count) << 3);
  context.Count[0] = static_cast<uint32_t>(bits);
  context.Count[1] = static_cast<uint32_t>(bits >> 32);

  if (used > 0) {
    size_t take = 64 - used;
    if (count < take) {
      std::memcpy(context.Buffer.data() + used, p, count);
      return;
    }
    std::memcpy(context.Buffer.data() + used, p, take);
    TransformBlocks(context.State, context.Buffer.data(), 1);
    p += take;
    count -= take;
  }
  size_t blocks = count / 64;
  if (blocks > 0) {
    TransformBlocks(context.State, p, blocks);
    p += blocks * 64;
    count -= blocks * 64;
  }
  if (count > 0) std::memcpy(context.Buffer.data(), p, count);
}

void MD5Final(TMD5Context& context, TMD5Digest& digest) {
  uint8_t length[8];
  StoreLE32(length, context.Count[0]);
  StoreLE32(length + 4, context.Count[1]);
  size_t used = (context.Count[0] >> 3) & 63;
  static const uint8_t padding[64] = {0x80};
  MD5Update(context, padding, used < 56 ? 56 - used : 120 - used);
  MD5Update(context, length, 8);
  for (int i = 0; i < 4; ++i) StoreLE32(digest.data() + 4 * i, context.State[i]);
  // Nothing of the key material stays behind in the context.
  volatile uint8_t* wipe = reinterpret_cast<volatile uint8_t*>(&context);
  for (size_t i = 0; i < sizeof(context); ++i) wipe[i] = 0;
}

void MD5Buffer(const void* buffer, size_t count, TMD5Digest& digest) {
  TMD5Context context;
  MD5Init(context);
  MD5Update(context, buffer, count);
  MD5Final(context, digest);
}

void MD5String(std::string_view text, TMD5Digest& digest) {
  MD5Buffer(text.data(), text.size(), digest);
}

TMD5Digest MD5String(std::string_view text) {
  TMD5Digest digest;
  MD5String(text, digest);
  return digest;
}

std::string MD5DigestToStr(const TMD5Digest& digest) {
  static const char hex[] = "0123456789abcdef";
  std::string out(32, '0');
  for (size_t i = 0; i < digest.size(); ++i) {
    out[2 * i] = hex[digest[i] >> 4];
    out[2 * i + 1] = hex[digest[i] & 15];
  }
  return out;
}
