#include <gtest/gtest.h>

#include <random>
#include <string>

#include "protection/umd5.h"

namespace {

std::string Hex(std::string_view text) {
  return MD5DigestToStr(MD5String(text));
}

TEST(MD5, ReferenceSuite) {
  EXPECT_EQ(Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"), "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

// Padding takes a second block when 56 or more bytes are left over; the borders around 55, 56, 63, 64
// are where a wrong length field or padding count shows.
TEST(MD5, PaddingBorders) {
  EXPECT_EQ(Hex(std::string(55, 'x')), "04364420e25c512fd958a70738aa8f72");
  EXPECT_EQ(Hex(std::string(56, 'x')), "668a72d5ba17f08e62dabcafad6db14b");
  EXPECT_EQ(Hex(std::string(63, 'x')), "7dc2ca208106a2f703567bdff99d8981");
  EXPECT_EQ(Hex(std::string(64, 'x')), "c1bb4f81d892b2d57947682aeb252456");
  EXPECT_EQ(Hex(std::string(65, 'x')), "1bc932052302d074bdec39795fe00cf6");
  EXPECT_EQ(Hex(std::string(119, 'x')), "ab347a5f68c8a443cfcddc633f12c24f");
  EXPECT_EQ(Hex(std::string(120, 'x')), "fb98667f98096de92620b64f46e1c5b5");
}

TEST(MD5, UpdateInPiecesEqualsOneCall) {
  std::mt19937 rng(7);
  std::string data(700, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  TMD5Digest whole;
  MD5Buffer(data.data(), data.size(), whole);
  for (size_t split1 = 0; split1 < data.size(); split1 += 13) {
    for (size_t split2 : {split1, split1 + 1, split1 + 64, split1 + 129}) {
      split2 = std::min(split2, data.size());
      TMD5Context ctx;
      MD5Init(ctx);
      MD5Update(ctx, data.data(), split1);
      MD5Update(ctx, data.data() + split1, split2 - split1);
      MD5Update(ctx, data.data() + split2, data.size() - split2);
      TMD5Digest parts;
      MD5Final(ctx, parts);
      ASSERT_EQ(parts, whole) << split1 << " " << split2;
    }
  }
}

TEST(MD5, FinalWipesTheContext) {
  TMD5Context ctx;
  MD5Init(ctx);
  MD5Update(ctx, "secret password", 15);
  TMD5Digest d;
  MD5Final(ctx, d);
  for (uint32_t w : ctx.State) EXPECT_EQ(w, 0u);
  for (uint32_t w : ctx.Count) EXPECT_EQ(w, 0u);
  for (uint8_t b : ctx.Buffer) EXPECT_EQ(b, 0u);
}

TEST(MD5, TransformIsOneBlockOfTheDigest) {
  // The digest of 55 bytes is exactly one transform of the padded block from the initial state.
  std::string block(55, 'q');
  block += '\x80';
  block += std::string(8, '\0');
  block[56] = static_cast<char>((55 * 8) & 255);
  block[57] = static_cast<char>((55 * 8) >> 8);
  TMD5Context ctx;
  MD5Init(ctx);
  MD5Transform(ctx.State, reinterpret_cast<const uint8_t*>(block.data()));
  TMD5Digest expected = MD5String(std::string(55, 'q'));
  for (int i = 0; i < 4; ++i) {
    uint32_t w =
        expected[4 * i] | expected[4 * i + 1] << 8 | expected[4 * i + 2] << 16 | uint32_t{expected[4 * i + 3]} << 24;
    EXPECT_EQ(ctx.State[i], w);
  }
}

}  // namespace
