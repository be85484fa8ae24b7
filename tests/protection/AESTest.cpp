#include <gtest/gtest.h>

#include <cstring>

#include "ProtectionTestUtil.h"
#include "platform/Exceptions.h"
#include "protection/uAES.h"

using namespace protecttest;

namespace {

TAESKey128 Key(std::string_view hex) {
  TAESKey128 k;
  std::string b = FromHex(hex);
  std::memcpy(k.data(), b.data(), 16);
  return k;
}

TAESBuffer Block(std::string_view hex) {
  return Key(hex);
}

std::string Str(const TAESBuffer& b) {
  return ToHex(std::string_view(reinterpret_cast<const char*>(b.data()), 16));
}

// Reference GF(2^8) multiply, independent of the implementation's tables.
uint8_t Mul(uint8_t a, uint8_t b) {
  uint8_t p = 0;
  while (b) {
    if (b & 1) p ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    b >>= 1;
  }
  return p;
}

TEST(AES, StandardVectors) {
  TAESExpandedKey128 ek, dk;
  // FIPS-197 Appendix C.1.
  AESExpandKeyForEncryption(Key("000102030405060708090a0b0c0d0e0f"), ek);
  AESExpandKeyForDecryption(Key("000102030405060708090a0b0c0d0e0f"), dk);
  TAESBuffer out, back;
  AESEncryptBlock(Block("00112233445566778899aabbccddeeff"), ek, out);
  EXPECT_EQ(Str(out), "69c4e0d86a7b0430d8cdb78070b4c55a");
  AESDecryptBlock(out, dk, back);
  EXPECT_EQ(Str(back), "00112233445566778899aabbccddeeff");
  // FIPS-197 Appendix B and the first ECB-AES128 vector of the modes recommendation.
  AESExpandKeyForEncryption(Key("2b7e151628aed2a6abf7158809cf4f3c"), ek);
  AESEncryptBlock(Block("3243f6a8885a308d313198a2e0370734"), ek, out);
  EXPECT_EQ(Str(out), "3925841d02dc09fbdc118597196a0b32");
  AESEncryptBlock(Block("6bc1bee22e409f96e93d7e117393172a"), ek, out);
  EXPECT_EQ(Str(out), "3ad77bb40d7a3660a89ecaf32466ef97");
}

TEST(AES, KeyExpansionOfTheStandard) {
  TAESExpandedKey128 ek;
  AESExpandKeyForEncryption(Key("2b7e151628aed2a6abf7158809cf4f3c"), ek);
  EXPECT_EQ(ek.Words[0], 0x2b7e1516u);
  EXPECT_EQ(ek.Words[4], 0xa0fafe17u);
  EXPECT_EQ(ek.Words[5], 0x88542cb1u);
  EXPECT_EQ(ek.Words[40], 0xd014f9a8u);
  EXPECT_EQ(ek.Words[43], 0xb6630ca6u);
}

// The deciphering schedule is the enciphering one with InvMixColumns on round keys 1..9 only.
TEST(AES, DecryptionScheduleIsTheEquivalentInverse) {
  TAESKey128 key = Key("000102030405060708090a0b0c0d0e0f");
  TAESExpandedKey128 ek, dk;
  AESExpandKeyForEncryption(key, ek);
  AESExpandKeyForDecryption(key, dk);
  for (int i = 0; i < 44; ++i) {
    uint32_t w = ek.Words[i];
    if (i >= 4 && i < 40) {
      uint8_t b[4] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w)};
      uint8_t r[4];
      for (int row = 0; row < 4; ++row)
        r[row] = Mul(b[row], 14) ^ Mul(b[(row + 1) % 4], 11) ^ Mul(b[(row + 2) % 4], 13) ^ Mul(b[(row + 3) % 4], 9);
      w = uint32_t{r[0]} << 24 | uint32_t{r[1]} << 16 | uint32_t{r[2]} << 8 | r[3];
    }
    EXPECT_EQ(dk.Words[i], w) << "word " << i;
  }
  TAESExpandedKey128 inverted = ek;
  AESInvertKeySchedule(inverted);
  EXPECT_EQ(inverted.Words, dk.Words);
}

TEST(AES, RandomBlocksRoundTrip) {
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    TAESKey128 key;
    TAESBuffer in, out, back;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    for (auto& b : in) b = static_cast<uint8_t>(rng());
    TAESExpandedKey128 ek, dk;
    AESExpandKeyForEncryption(key, ek);
    AESExpandKeyForDecryption(key, dk);
    AESEncryptBlock(in, ek, out);
    ASSERT_NE(out, in);
    AESDecryptBlock(out, dk, back);
    ASSERT_EQ(back, in);
  }
}

TEST(AES, BufferRoutinesMatchTheBlockRoutinesAndCheckTheSize) {
  TAESExpandedKey128 ek, dk;
  AESExpandKeyForEncryption(Key("000102030405060708090a0b0c0d0e0f"), ek);
  AESExpandKeyForDecryption(Key("000102030405060708090a0b0c0d0e0f"), dk);
  std::string data = RandomBytes(16 * 37, 9);
  std::string ecb = data;
  AESEncryptECB(reinterpret_cast<uint8_t*>(ecb.data()), ecb.size(), ek);
  for (size_t i = 0; i < data.size(); i += 16) {
    TAESBuffer in, out;
    std::memcpy(in.data(), data.data() + i, 16);
    AESEncryptBlock(in, ek, out);
    ASSERT_EQ(std::memcmp(out.data(), ecb.data() + i, 16), 0);
  }
  AESDecryptECB(reinterpret_cast<uint8_t*>(ecb.data()), ecb.size(), dk);
  EXPECT_EQ(ecb, data);
  uint8_t odd[20] = {};
  EXPECT_THROW(AESDecryptECB(odd, sizeof odd, dk), EAESError);
  EXPECT_THROW(AESEncryptECB(odd, sizeof odd, ek), EAESError);
}

TEST(AES, StreamCountRules) {
  TAESKey128 key = Key("00112233445566778899aabbccddeeff");
  std::string plain = RandomBytes(100, 5);
  // Count 0: the whole source from position 0, whatever its position was.
  TMemoryStream src(plain), whole;
  src.SetPosition(50);
  AESEncryptStream(src, 0, key, whole);
  ASSERT_EQ(whole.Size(), 112);
  // Same bytes as the buffer routine over the zero-padded text.
  std::string padded = plain + std::string(12, '\0');
  TAESExpandedKey128 ek;
  AESExpandKeyForEncryption(key, ek);
  AESEncryptECB(reinterpret_cast<uint8_t*>(padded.data()), padded.size(), ek);
  EXPECT_EQ(whole.Bytes(), padded);
  // A count beyond the data is cut to what is left after the position.
  TMemoryStream src2(plain), part;
  src2.SetPosition(90);
  AESEncryptStream(src2, 1000, key, part);
  EXPECT_EQ(part.Size(), 16);
  // Output goes to the destination's position.
  TMemoryStream src3(plain), out(std::string("head"));
  out.Seek(0, TSeekOrigin::soEnd);
  AESEncryptStream(src3, 16, key, out);
  EXPECT_EQ(out.Size(), 20);
  EXPECT_EQ(out.Bytes().substr(0, 4), "head");
  EXPECT_EQ(out.Bytes().substr(4), padded.substr(0, 16));
  // Deciphering: round trip of the whole, and the size rule.
  TMemoryStream cipher(whole.Bytes()), clear;
  AESDecryptStream(cipher, 0, key, clear);
  EXPECT_EQ(clear.Bytes(), plain + std::string(12, '\0'));
  TMemoryStream bad(std::string(20, 'x')), sink;
  try {
    AESDecryptStream(bad, 0, key, sink);
    FAIL() << "no error";
  } catch (const EAESError& e) {
    EXPECT_EQ(e.Message(), "Invalid buffer size for decryption");
  }
  // Large sources cross the chunk size without losing blocks.
  std::string big = RandomBytes((1 << 17) + 33, 11);
  TMemoryStream bigSrc(big), bigOut, bigBack;
  AESEncryptStream(bigSrc, 0, key, bigOut);
  ASSERT_EQ(bigOut.Size(), static_cast<int64_t>((big.size() + 15) / 16 * 16));
  AESDecryptStream(bigOut, 0, key, bigBack);
  EXPECT_EQ(bigBack.Bytes().substr(0, big.size()), big);
}

TEST(AES, StreamErrorsCarryTheirTexts) {
  TAESKey128 key{};
  ShortWriteStream full(10);
  TMemoryStream src(std::string(32, 'a'));
  try {
    AESEncryptStream(src, 0, key, full);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  LyingSizeStream cut(std::string(16, 'a'), 16);
  TMemoryStream sink;
  try {
    AESDecryptStream(cut, 0, key, sink);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

}  // namespace

namespace {

// The processor's AES instructions and the tables must give the same bytes; lengths around the
// eight-block step exercise both the wide loop and the single-block tail.
TEST(AES, HardwareAndTablePathsAgree) {
  struct Restore {
    ~Restore() { AESSetHardwareAllowed(true); }
  } restore;
  AESSetHardwareAllowed(true);
  if (!AESHardwareInUse()) GTEST_SKIP() << "this processor has no AES instructions; only the table path runs";
  std::mt19937 rng(21);
  for (size_t blocks : {1, 7, 8, 9, 16, 17, 1000}) {
    TAESKey128 key;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    TAESExpandedKey128 ek, dk;
    AESExpandKeyForEncryption(key, ek);
    AESExpandKeyForDecryption(key, dk);
    const std::string plain = RandomBytes(16 * blocks, static_cast<uint32_t>(blocks));
    std::string hw = plain, sw = plain;
    AESSetHardwareAllowed(true);
    AESEncryptECB(reinterpret_cast<uint8_t*>(hw.data()), hw.size(), ek);
    AESSetHardwareAllowed(false);
    ASSERT_FALSE(AESHardwareInUse());
    AESEncryptECB(reinterpret_cast<uint8_t*>(sw.data()), sw.size(), ek);
    ASSERT_EQ(hw, sw) << blocks;
    // Decipher each with the other path.
    AESDecryptECB(reinterpret_cast<uint8_t*>(hw.data()), hw.size(), dk);
    AESSetHardwareAllowed(true);
    AESDecryptECB(reinterpret_cast<uint8_t*>(sw.data()), sw.size(), dk);
    EXPECT_EQ(hw, plain) << blocks;
    EXPECT_EQ(sw, plain) << blocks;
  }
}

TEST(AES, TablePathMeetsTheStandardVectorThroughTheBufferRoutine) {
  struct Restore {
    ~Restore() { AESSetHardwareAllowed(true); }
  } restore;
  for (bool hardware : {false, true}) {
    AESSetHardwareAllowed(hardware);
    TAESExpandedKey128 ek, dk;
    AESExpandKeyForEncryption(Key("000102030405060708090a0b0c0d0e0f"), ek);
    AESExpandKeyForDecryption(Key("000102030405060708090a0b0c0d0e0f"), dk);
    std::string block = FromHex("00112233445566778899aabbccddeeff");
    std::string many;
    for (int i = 0; i < 9; ++i) many += block;
    AESEncryptECB(reinterpret_cast<uint8_t*>(many.data()), many.size(), ek);
    for (int i = 0; i < 9; ++i)
      EXPECT_EQ(ToHex(many.substr(16 * i, 16)), "69c4e0d86a7b0430d8cdb78070b4c55a") << hardware;
    AESDecryptECB(reinterpret_cast<uint8_t*>(many.data()), many.size(), dk);
    EXPECT_EQ(many.substr(128, 16), block);
  }
}

}  // namespace
