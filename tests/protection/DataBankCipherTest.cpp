#include <gtest/gtest.h>

#include <functional>

#include "ProtectionTestUtil.h"
#include "TestSupport.h"
#include "platform/Exceptions.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"
#include "protection/umd5.h"

using namespace protecttest;

namespace {

uint32_t StoredLength(const std::string& s) {
  return uint8_t(s[0]) | uint8_t(s[1]) << 8 | uint8_t(s[2]) << 16 | uint32_t{uint8_t(s[3])} << 24;
}

template <class E>
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(DataBankCipher, EdgeSizesAndLayout) {
  for (size_t n : {0, 1, 15, 16, 17, 31, 32, 33, 1000}) {
    std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
    std::string enc = EncipherDataBank(plain, std::string_view("pass"));
    ASSERT_EQ(enc.size(), EncipheredSize(n)) << n;
    EXPECT_EQ(enc.size(), 4 + (n + 15) / 16 * 16) << n;
    EXPECT_EQ(StoredLength(enc), n);
    EXPECT_EQ(DecipherDataBank(enc, std::string_view("pass")), plain) << n;
  }
  EXPECT_EQ(EncipherDataBank(std::string_view(), std::string_view("x")), std::string(4, '\0'));
  EXPECT_EQ(EncipherDataBank(std::string(16, 'a'), std::string_view("x")).size(), 20u);
  EXPECT_EQ(EncipherDataBank(std::string(17, 'a'), std::string_view("x")).size(), 36u);
}

TEST(DataBankCipher, KeyIsTheDigestOfTheWindows1252Bytes) {
  EXPECT_EQ(DataBankKey(""), MD5String(""));
  EXPECT_EQ(DataBankKey("secret"), MD5String("secret"));
  // "€" is 0x80 and "é" 0xE9 in Windows-1252: the key is not taken from the UTF-8 bytes.
  EXPECT_EQ(DataBankKey("\xE2\x82\xAC"
                        "uro caf\xC3\xA9"),
            MD5String("\x80uro caf\xE9"));
  EXPECT_EQ(DataBankPasswordBytes("\xE2\x82\xAC"), "\x80");
  // The ciphertext is ECB under that key, zero-padded.
  std::string plain = "0123456789abcdefXYZ";
  TAESExpandedKey128 ek;
  AESExpandKeyForEncryption(MD5String("\xE9t\xE9"), ek);
  std::string padded = plain + std::string(13, '\0');
  AESEncryptECB(reinterpret_cast<uint8_t*>(padded.data()), padded.size(), ek);
  EXPECT_EQ(EncipherDataBank(plain, std::string_view("\xC3\xA9t\xC3\xA9")).substr(4), padded);
}

TEST(DataBankCipher, PasswordsOutsideTheCodePageAreRefused) {
  for (std::string_view pw : {std::string_view("\xE5\xAF\x86\xE7\xA0\x81"), std::string_view("abc\xC4\x80"),
                              std::string_view("bad\xFF utf8"), std::string_view("\xF0\x9F\x94\x91")}) {
    EXPECT_FALSE(IsValidDataBankPassword(pw));
    EXPECT_EQ(ErrorOf<EPasswordError>([&] { EncipherDataBank(std::string_view("text"), pw); }), SPasswordNotCp1252);
    EXPECT_THROW(DecipherDataBank(std::string(4, '\0'), pw), EPasswordError);
  }
  // "?" would be accepted, but a refused password never turns into it.
  EXPECT_TRUE(IsValidDataBankPassword("?"));
  EXPECT_TRUE(IsValidDataBankPassword("\xC3\xBC\xE2\x80\x9C"));  // ü and a curly quote
}

TEST(DataBankCipher, DecipherRejectsBadLayouts) {
  std::string good = EncipherDataBank(std::string(40, 'z'), std::string_view("k"));
  // Fewer than four bytes: the read of the length fails.
  EXPECT_EQ(ErrorOf<EReadError>([&] { DecipherDataBank(good.substr(0, 3), std::string_view("k")); }),
            "Stream read error");
  // 4 + 20 bytes: not whole blocks.
  EXPECT_EQ(ErrorOf<EAESError>([&] { DecipherDataBank(std::string(24, '\0'), std::string_view("k")); }),
            "Invalid buffer size for decryption");
  // A stored length beyond the ciphertext, or one leaving a whole block of padding.
  for (uint32_t bad : {49u, 0xFFFFFFFFu, 32u, 0u}) {
    std::string s = good;
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(bad >> (8 * i));
    EXPECT_EQ(ErrorOf<EAESError>([&] { DecipherDataBank(s, std::string_view("k")); }), SInvalidPlainLength) << bad;
  }
  // Every length within the last block is accepted.
  for (uint32_t ok : {33u, 40u, 48u}) {
    std::string s = good;
    s[0] = static_cast<char>(ok);
    EXPECT_EQ(DecipherDataBank(s, std::string_view("k")).size(), ok);
  }
  // An empty ciphertext may only say 0.
  EXPECT_EQ(DecipherDataBank(std::string(4, '\0'), std::string_view("k")), "");
  EXPECT_THROW(DecipherDataBank(std::string("\x01\0\0\0", 4), std::string_view("k")), EAESError);
}

TEST(DataBankCipher, WrongPasswordGivesOtherBytesNotAnError) {
  std::string plain = DataBankText(500);
  std::string enc = EncipherDataBank(plain, std::string_view("right"));
  std::string wrong = DecipherDataBank(enc, std::string_view("wrong"));
  EXPECT_EQ(wrong.size(), plain.size());
  EXPECT_NE(wrong, plain);
}

TEST(DataBankCipher, StreamFormsMatchTheBufferForms) {
  for (size_t n : {0, 5, 16, 17, 70000, 65536 + 16}) {
    std::string plain = DataBankText(n, static_cast<uint32_t>(n));
    TMemoryStream in(plain), out;
    in.SetPosition(3);  // the whole stream is enciphered, from position 0
    EncipherDataBank(in, "pw", out);
    ASSERT_EQ(out.Bytes(), EncipherDataBank(plain, std::string_view("pw"))) << n;
    TMemoryStream back;
    DecipherDataBank(out, "pw", back);
    EXPECT_EQ(back.Bytes(), plain) << n;
  }
  // Output goes at the output's position and nothing past the plain text is written.
  TMemoryStream enc(EncipherDataBank(std::string_view("abc"), std::string_view("pw"))), back(std::string("<<"));
  back.Seek(0, TSeekOrigin::soEnd);
  DecipherDataBank(enc, "pw", back);
  EXPECT_EQ(back.Bytes(), "<<abc");
  // The stream form rejects what the buffer form rejects.
  TMemoryStream shortIn(std::string(2, '\0')), sink;
  EXPECT_THROW(DecipherDataBank(shortIn, "pw", sink), EReadError);
  TMemoryStream odd(std::string(24, '\0'));
  EXPECT_THROW(DecipherDataBank(odd, "pw", sink), EAESError);
  std::string lying = EncipherDataBank(std::string(20, 'a'), std::string_view("pw"));
  lying[0] = 100;
  TMemoryStream lyingIn(lying);
  EXPECT_THROW(DecipherDataBank(lyingIn, "pw", sink), EAESError);
  EXPECT_EQ(sink.Size(), 0);
  // Short writes and a source shorter than its size raise the stream errors with their texts.
  TMemoryStream plainIn(std::string(100, 'p'));
  ShortWriteStream full(30);
  EXPECT_EQ(ErrorOf<EWriteError>([&] { EncipherDataBank(plainIn, "pw", full); }), "Stream write error");
  LyingSizeStream cut(EncipherDataBank(std::string(40, 'c'), std::string_view("pw")).substr(0, 36), 16);
  TMemoryStream cutOut;
  EXPECT_EQ(ErrorOf<EReadError>([&] { DecipherDataBank(cut, "pw", cutOut); }), "Stream read error");
}

TEST(DataBankCipher, InPlaceFormTakesOverTheBuffer) {
  std::string plain = DataBankText(100000);
  std::string enc = EncipherDataBank(plain, DataBankKey("pw"));
  EXPECT_EQ(DecipherDataBank(std::move(enc), DataBankKey("pw")), plain);
}

// A plain length of 19280 is 0x4B50: the enciphered file starts "PK". Only the full local header
// signature may make a file count as a zip archive.
TEST(DataBankCipher, LengthThatSpellsPKIsNoZipSignature) {
  std::string text =
      testsupport::ReadFile(std::string(TESSARYN_SOURCE_DIR) + "/tests/protection/data/pk_collision_19280.xml");
  ASSERT_EQ(text.size(), 19280u);
  std::string enc = EncipherDataBank(text, std::string_view("secret"));
  EXPECT_EQ(enc.substr(0, 2), "PK");
  EXPECT_FALSE(TZipFile::HasZipSignature(enc));
  TMemoryStream encStream(enc);
  EXPECT_FALSE(TZipFile::HasZipSignature(encStream));
  TZipFile notZip;
  TMemoryStream s(enc);
  EXPECT_FALSE(notZip.LoadFromStream(s) && notZip.Count() > 0 && !notZip.GetUncompressed(0).empty());
  EXPECT_EQ(DecipherDataBank(enc, std::string_view("secret")), text);
  for (uint32_t n : {84816u, 150352u})
    EXPECT_EQ(EncipherDataBank(std::string(n, 'a'), std::string_view("p")).substr(0, 2), "PK");
  // Inside a compressed file the inflated bytes start "PK" as well; they are still no archive.
  TZipFile zip;
  zip.AddFile("bank.xdb2");
  ASSERT_TRUE(zip.SetUncompressed(0, enc));
  TMemoryStream zipped;
  zip.SaveToStream(zipped);
  EXPECT_TRUE(TZipFile::HasZipSignature(zipped.Bytes()));
  TZipFile reread;
  zipped.SetPosition(0);
  ASSERT_TRUE(reread.LoadFromStream(zipped));
  std::string inner = reread.GetUncompressed(0);
  EXPECT_EQ(inner.substr(0, 2), "PK");
  EXPECT_FALSE(TZipFile::HasZipSignature(inner));
  EXPECT_EQ(DecipherDataBank(inner, std::string_view("secret")), text);
}

}  // namespace
