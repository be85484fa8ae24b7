#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

using namespace codepage;

TEST(CodePage, EveryByteRoundTripsThroughUtf16AndUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_TRUE(IsCp1252Representable(Cp1252ToUtf8(all)));
}

TEST(CodePage, HighRangeUsesTheWindowsTable) {
  EXPECT_EQ(Cp1252ToChar(0x80), u'\u20AC');
  EXPECT_EQ(Cp1252ToChar(0x9F), u'\u0178');
  EXPECT_EQ(Cp1252ToChar(0xE9), u'\u00E9');
  EXPECT_EQ(CharToCp1252(U'\u2122'), 0x99);
  EXPECT_EQ(CharToCp1252(U'\u03C0'), -1);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
}

TEST(CodePage, CharactersOutsideAreReplacedAndDetected) {
  std::string text = "a\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD";  // "a→ π 中"
  EXPECT_FALSE(IsCp1252Representable(text));
  EXPECT_EQ(Utf8ToCp1252(text), "a? ? ?");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_TRUE(IsCp1252Representable(std::string("plain ascii")));
}

TEST(CodePage, SupplementaryPlaneAndMalformedUtf8) {
  std::string emoji = "\xF0\x9F\x98\x80";
  std::u16string wide = Utf8ToUtf16(emoji);
  ASSERT_EQ(wide.size(), 2u);
  EXPECT_EQ(Utf16ToUtf8(wide), emoji);
  EXPECT_EQ(Utf16ToCp1252(wide), "?");  // one code point, one replacement
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_FALSE(IsCp1252Representable(std::string("\xFF")));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Streams, MemoryStreamReadWriteSeek) {
  TMemoryStream m;
  m.WriteString("hello");
  EXPECT_EQ(m.Size(), 5);
  m.Seek(-2, TSeekOrigin::soEnd);
  EXPECT_EQ(m.ReadRest(), "lo");
  m.SetPosition(7);
  m.WriteString("!");
  EXPECT_EQ(m.Bytes(), std::string("hello\0\0!", 8));
  char buf[4];
  m.SetPosition(6);
  EXPECT_EQ(m.Read(buf, 4), 2);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}

TEST(Streams, FileStreamErrorsNameThePath) {
  testsupport::TempDir tmp;
  std::string missing = tmp.File("missing.bin");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), std::string::npos);
    EXPECT_NE(e.Message().find("No such file"), std::string::npos);
  }
  EXPECT_THROW(TFileStream(tmp.File("no/such/dir.bin"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(tmp.Path().string(), fmOpenRead), EFOpenError);
}

TEST(Streams, FileStreamAndMemoryStreamAgree) {
  testsupport::TempDir tmp;
  std::string path = tmp.File("data.bin");
  std::string bytes;
  std::mt19937 rng(7);
  for (int i = 0; i < 3'000'000; ++i) bytes += static_cast<char>(rng());
  TMemoryStream src(bytes);
  src.SaveToFile(path);
  EXPECT_EQ(testsupport::ReadFile(path), bytes);
  TFileStream f(path, fmOpenReadWrite);
  f.Seek(10, TSeekOrigin::soBeginning);
  TMemoryStream copy;
  copy.CopyFrom(f, f.Size() - 10);
  EXPECT_EQ(copy.Bytes(), bytes.substr(10));
  f.SetSize(3);
  EXPECT_EQ(f.Size(), 3);
  TMemoryStream back;
  back.LoadFromStream(f);
  EXPECT_EQ(back.Bytes(), bytes.substr(0, 3));
}
