// MD5 message digest. The databank cipher derives its AES key from the digest of the password bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using TMD5Digest = std::array<uint8_t, 16>;

struct TMD5Context {
  std::array<uint32_t, 4> State{};
  std::array<uint32_t, 2> Count{};  // bit count, low word first
  std::array<uint8_t, 64> Buffer{};
};

void MD5Init(TMD5Context& context);
void MD5Update(TMD5Context& context, const void* input, size_t count);
// Writes the digest and wipes the context.
void MD5Final(TMD5Context& context, TMD5Digest& digest);
// Runs the compression function over one 64-byte block.
void MD5Transform(std::array<uint32_t, 4>& state, const uint8_t* block);

void MD5Buffer(const void* buffer, size_t count, TMD5Digest& digest);
void MD5String(std::string_view text, TMD5Digest& digest);
TMD5Digest MD5String(std::string_view text);

// Lowercase hexadecimal form of a digest (32 characters).
std::string MD5DigestToStr(const TMD5Digest& digest);
