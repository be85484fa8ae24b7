#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <random>
#include <vector>

#include "ProtectionTestUtil.h"
#include "platform/Exceptions.h"
#include "protection/uZipFile.h"

using namespace protecttest;

namespace {

uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}
uint32_t U32(const std::string& s, size_t at) {
  return U16(s, at) | uint32_t{U16(s, at + 2)} << 16;
}

std::string Pack(const std::string& name, std::string_view data) {
  TZipFile zip;
  zip.AddFile(name);
  EXPECT_TRUE(zip.SetUncompressed(0, data));
  TMemoryStream out;
  zip.SaveToStream(out);
  return out.TakeBytes();
}

TZipCheck Unpack(const std::string& archive, std::string& data, int index = 0) {
  TZipFile zip;
  TMemoryStream in(archive);
  zip.LoadFromStream(in);
  return zip.GetUncompressed(index, data);
}

// zlib's own stream format at the default level, with its 2-byte header and 4-byte trailer cut off.
std::string ZlibRawDeflate(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out.substr(2, out.size() - 6);
}

TEST(ZipCRC32, VectorsAndZlib) {
  EXPECT_EQ(ZipCRC32("123456789"), 0xCBF43926u);
  EXPECT_EQ(ZipCRC32(""), 0u);
  // Every length and alignment around the 16-byte step, against zlib.
  std::string data = RandomBytes(300, 1);
  for (size_t off = 0; off < 17; ++off) {
    for (size_t len = 0; len + off <= data.size(); len += (len < 40 ? 1 : 37)) {
      uint32_t expected = crc32(0, reinterpret_cast<const Bytef*>(data.data() + off), static_cast<uInt>(len));
      ASSERT_EQ(ZipCRC32(std::string_view(data).substr(off, len)), expected) << off << " " << len;
    }
  }
  // Long runs take the wide path; pieces of every size modulo 64 must chain onto it.
  std::string big = RandomBytes(1 << 20, 2);
  EXPECT_EQ(ZipCRC32(big), crc32(0, reinterpret_cast<const Bytef*>(big.data()), static_cast<uInt>(big.size())));
  uint32_t chained = 0;
  size_t at = 0;
  for (size_t piece = 1; at < big.size(); piece = piece * 7 % 1000 + 1) {
    size_t take = std::min(piece, big.size() - at);
    chained = ZipCRC32Update(chained, big.data() + at, take);
    at += take;
  }
  EXPECT_EQ(chained, ZipCRC32(big));
  // Continuing a CRC piece by piece gives the CRC of the whole.
  std::string text = DataBankText(5000);
  uint32_t crc = 0;
  for (size_t i = 0; i < text.size(); i += 777)
    crc = ZipCRC32Update(crc, text.data() + i, std::min<size_t>(777, text.size() - i));
  EXPECT_EQ(crc, ZipCRC32(text));
}

// An entry deflated in pieces side by side (each primed with the 32 KB before it and ended on a byte
// boundary) is one deflate stream that inflates to the data, under the CRC-32 and sizes of the data,
// for data ending around every piece, round and dictionary boundary and given in writes of any size.
// A piece refers back into the one before it as one stream does: a random block repeated throughout
// is stored once, not once a piece.
TEST(ZipEntryWriter, PiecesDeflatedSideBySideJoinIntoOneStream) {
  std::mt19937 rng(7);
  std::string block(4000, '\0');
  for (char& c : block) c = static_cast<char>(rng());
  enum Kind { Text, Random, Repeated };
  // Pieces shorter than a dictionary (which then reaches into the round before) and longer.
  for (const size_t kPiece : {size_t{5000}, size_t{40000}}) {
    std::vector<size_t> sizes{0, 1, 2};
    for (size_t edge : {kPiece, 2 * kPiece, 3 * kPiece, 6 * kPiece, size_t{32768}, 3 * kPiece + 32768})
      for (size_t size : {edge - 1, edge, edge + 1}) sizes.push_back(size);
    for (const size_t size : sizes)
      for (const Kind kind : {Text, Random, Repeated}) {
        SCOPED_TRACE(testing::Message() << size << " bytes in pieces of " << kPiece << ", kind " << kind);
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
          data[i] = kind == Text     ? "while (node) node = node->next;\r\n"[i % 33]
                    : kind == Random ? static_cast<char>(rng())
                                     : block[i % block.size()];
        TMemoryStream stream;
        {
          TZipEntryWriter writer(stream, "e.xdb2", TDeflateSharing{.Shares = 3, .PieceBytes = kPiece});
          for (size_t at = 0; at < size;) {
            const size_t n = std::min(size - at, size_t{1} + rng() % (4 * kPiece));
            writer.Write(std::string_view(data).substr(at, n));
            at += n;
          }
          writer.Finish();
        }
        const std::string archive = stream.TakeBytes();
        std::string back;
        ASSERT_EQ(Unpack(archive, back), TZipCheck::zcOk);
        EXPECT_TRUE(back == data);
        const std::string whole = Pack("e.xdb2", data);
        EXPECT_EQ(U32(archive, 14), U32(whole, 14));                                  // the CRC-32
        EXPECT_EQ(U32(archive, 22), U32(whole, 22));                                  // the size
        EXPECT_EQ(archive.size() - U32(archive, 18), whole.size() - U32(whole, 18));  // the records around
        // About what one stream takes: a piece without the bytes before it would store the block again.
        if (kind == Repeated) {
          EXPECT_LT(U32(archive, 18), U32(whole, 18) + 100 * (size / kPiece + 1));
        }
      }
  }
}

TEST(ZipFile, DataBankArchiveLayout) {
  std::string text = DataBankText(10000);
  std::string archive = Pack("bank.xdb2", text);
  std::string raw = ZlibRawDeflate(text);
  const size_t n = 9, c = raw.size();
  ASSERT_EQ(archive.size(), 30 + n + c + 46 + n + 22);
  // Local header.
  EXPECT_EQ(U32(archive, 0), 0x04034B50u);
  EXPECT_EQ(U16(archive, 4), 20);  // version needed
  EXPECT_EQ(U16(archive, 6), 0);   // flags
  EXPECT_EQ(U16(archive, 8), 8);   // deflate
  EXPECT_EQ(U32(archive, 14), crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  EXPECT_EQ(U32(archive, 18), c);
  EXPECT_EQ(U32(archive, 22), text.size());
  EXPECT_EQ(U16(archive, 26), n);
  EXPECT_EQ(U16(archive, 28), 0);
  EXPECT_EQ(archive.substr(30, n), "bank.xdb2");
  // The data is zlib's stream without header and trailer, byte for byte.
  EXPECT_EQ(archive.substr(30 + n, c), raw);
  // Central header: version made by 20, then the same 26 bytes, zeros, offset 0, the name.
  size_t cd = 30 + n + c;
  EXPECT_EQ(U32(archive, cd), 0x02014B50u);
  EXPECT_EQ(U16(archive, cd + 4), 20);
  EXPECT_EQ(archive.substr(cd + 6, 26), archive.substr(4, 26));
  for (size_t at = cd + 32; at < cd + 46; ++at) EXPECT_EQ(archive[at], '\0') << at - cd;
  EXPECT_EQ(archive.substr(cd + 46, n), "bank.xdb2");
  // End record.
  size_t end = cd + 46 + n;
  EXPECT_EQ(U32(archive, end), 0x06054B50u);
  EXPECT_EQ(U32(archive, end + 4), 0u);  // disks
  EXPECT_EQ(U16(archive, end + 8), 1);
  EXPECT_EQ(U16(archive, end + 10), 1);
  EXPECT_EQ(U32(archive, end + 12), 46 + n);
  EXPECT_EQ(U32(archive, end + 16), cd);
  EXPECT_EQ(U16(archive, end + 20), 0);
}

TEST(ZipFile, RoundTripAndRecords) {
  std::string text = DataBankText(3000);
  std::string archive = Pack("bank.xdb2", text);
  TZipFile zip;
  TMemoryStream in(archive);
  ASSERT_TRUE(zip.LoadFromStream(in));
  EXPECT_EQ(in.Position(), static_cast<int64_t>(archive.size()));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.GetFileName(0), "bank.xdb2");
  EXPECT_EQ(zip.GetUncompressed(0), text);
  EXPECT_EQ(zip.CentralFiles().size(), 1u);
  EXPECT_EQ(zip.EndOfCentralDir().TotalEntries, 1);
  // Saved again, the archive is the same bytes.
  TMemoryStream again;
  zip.SaveToStream(again);
  EXPECT_EQ(again.Bytes(), archive);
  // Index outside the entries.
  std::string data = "x";
  EXPECT_EQ(zip.GetUncompressed(1, data), TZipCheck::zcNoEntry);
  EXPECT_EQ(data, "");
  EXPECT_EQ(zip.GetUncompressed(-1), "");
  EXPECT_EQ(zip.GetFileName(5), "");
  EXPECT_FALSE(zip.SetUncompressed(1, "x"));
  EXPECT_FALSE(zip.SetUncompressed(-1, "x"));
}

TEST(ZipFile, EmptyContentIsAShortStreamAndComesBackEmpty) {
  std::string archive = Pack("e", "");
  size_t c = U32(archive, 18);
  EXPECT_GT(c, 0u);
  EXPECT_LE(c, 4u);
  std::string data = "junk";
  EXPECT_EQ(Unpack(archive, data), TZipCheck::zcOk);
  EXPECT_EQ(data, "");
}

TEST(ZipFile, ChecksOfTheLocalRecord) {
  std::string text = DataBankText(4000);
  const std::string archive = Pack("bank.xdb2", text);
  std::string data;
  // A flipped CRC byte.
  std::string bad = archive;
  bad[15] ^= 0x01;
  EXPECT_EQ(Unpack(bad, data), TZipCheck::zcCRCMismatch);
  EXPECT_EQ(data, "");
  // The central record's CRC is not the one checked.
  bad = archive;
  bad[30 + 9 + U32(archive, 18) + 16] ^= 0x01;
  EXPECT_EQ(Unpack(bad, data), TZipCheck::zcOk);
  // Declared sizes one off in each direction, and a hostile 4 GiB size.
  for (uint32_t size : {uint32_t(text.size() - 1), uint32_t(text.size() + 1), 0xFFFFFFFFu, 0u}) {
    bad = archive;
    for (int i = 0; i < 4; ++i) bad[22 + i] = static_cast<char>(size >> (8 * i));
    EXPECT_EQ(Unpack(bad, data), TZipCheck::zcSizeMismatch) << size;
    EXPECT_EQ(data, "");
  }
  // Corrupt deflate data: an invalid block type in the first byte; then the data cut short.
  bad = archive;
  bad[39] = static_cast<char>(0x07);
  EXPECT_EQ(Unpack(bad, data), TZipCheck::zcCorruptData);
  TZipFile zip;
  TMemoryStream in(archive);
  ASSERT_TRUE(zip.LoadFromStream(in));
  std::string cut = archive.substr(0, 30 + 9 + 10);
  TLocalFile local = zip.LocalFiles()[0];
  // Rebuild an archive whose entry has only the first 10 compressed bytes.
  std::string shortArchive = archive.substr(0, 18) + std::string("\x0a\0\0\0", 4) + archive.substr(22, 8) +
                             "bank.xdb2" + local.CompressedData.substr(0, 10);
  EXPECT_EQ(Unpack(shortArchive, data), TZipCheck::zcCorruptData);
  EXPECT_STRNE(ZipCheckText(TZipCheck::zcCorruptData), ZipCheckText(TZipCheck::zcCRCMismatch));
}

TEST(ZipFile, StoredEntriesOfOtherToolsAreReportedNotCorrupted) {
  // Method 0 data is not deflate; the method field is not consulted, and the check fails cleanly.
  std::string text = "plain stored bytes, not deflated at all";
  std::string archive = Pack("s", text);
  std::string header = archive.substr(0, 30);
  header[8] = 0;  // method 0
  uint32_t crc = ZipCRC32(text);
  for (int i = 0; i < 4; ++i) {
    header[14 + i] = static_cast<char>(crc >> (8 * i));
    header[18 + i] = static_cast<char>(text.size() >> (8 * i));
    header[22 + i] = static_cast<char>(text.size() >> (8 * i));
  }
  std::string stored = header + "s" + text;
  std::string data;
  EXPECT_NE(Unpack(stored, data), TZipCheck::zcOk);
  EXPECT_EQ(data, "");
}

TEST(ZipFile, EntriesWhoseSizesFollowTheDataAreReportedNotGivenBackEmpty) {
  // A writer that cannot seek sets flag bit 3 and leaves the local CRC and sizes 0; they follow the
  // data in a descriptor. Taken at face value the entry would inflate to a "valid" empty text.
  const std::string text = "streamed entry content, streamed entry content";
  const std::string archive = Pack("d", text);
  const size_t c = U32(archive, 18);
  std::string header = archive.substr(0, 30);
  header[6] = 0x08;  // flag bit 3
  for (int i = 14; i < 26; ++i) header[static_cast<size_t>(i)] = 0;
  std::string descriptor = std::string("PK\x07\x08", 4) + archive.substr(14, 12);
  std::string streamed = header + "d" + archive.substr(31, c) + descriptor;
  std::string data = "junk";
  EXPECT_EQ(Unpack(streamed, data), TZipCheck::zcDataDescriptor);
  EXPECT_EQ(data, "");
  EXPECT_STRNE(ZipCheckText(TZipCheck::zcDataDescriptor), ZipCheckText(TZipCheck::zcOk));
  // With the sizes in the local header as well, bit 3 does not stand in the way.
  header = archive.substr(0, 30);
  header[6] = 0x08;
  EXPECT_EQ(Unpack(header + archive.substr(30), data), TZipCheck::zcOk);
  EXPECT_EQ(data, text);
}

TEST(ZipFile, LoadScansForTheFirstLocalHeaderFourBytesAtATime) {
  std::string archive = Pack("a.txt", "hello");
  std::string data;
  EXPECT_EQ(Unpack(std::string(8, 'j') + archive, data), TZipCheck::zcOk);
  EXPECT_EQ(data, "hello");
  // Not on a four-byte step: not found.
  TZipFile zip;
  TMemoryStream odd(std::string(3, 'j') + archive);
  EXPECT_FALSE(zip.LoadFromStream(odd));
  EXPECT_EQ(zip.Count(), 0);
  // No signature at all, an empty stream, three bytes.
  for (std::string s : {std::string(), std::string("PK\x03"), std::string(1000, 'a'),
                        std::string("PK\x05\x06") + std::string(18, '\0')}) {
    TMemoryStream in(s);
    EXPECT_FALSE(zip.LoadFromStream(in));
    EXPECT_EQ(zip.Count(), 0);
  }
  // Loading from a position within a larger stream.
  TMemoryStream at(std::string("head") + archive + "tail");
  at.SetPosition(4);
  ASSERT_TRUE(zip.LoadFromStream(at));
  EXPECT_EQ(at.Position(), static_cast<int64_t>(4 + archive.size()));
  EXPECT_EQ(zip.GetUncompressed(0), "hello");
}

TEST(ZipFile, TruncationAtEveryLengthFailsTheLoad) {
  std::string archive = Pack("bank.xdb2", DataBankText(600));
  TZipFile zip;
  for (size_t len = 0; len < archive.size(); ++len) {
    TMemoryStream in(archive.substr(0, len));
    EXPECT_FALSE(zip.LoadFromStream(in)) << len;
    // Whatever was read whole is consistent: never a half-filled record.
    for (const TLocalFile& local : zip.LocalFiles()) {
      EXPECT_EQ(local.FileName.size(), local.FileNameLength);
      EXPECT_EQ(local.CompressedData.size(), local.CompressedSize);
    }
  }
  TMemoryStream whole(archive);
  EXPECT_TRUE(zip.LoadFromStream(whole));
  // A stream that promises more than it delivers.
  LyingSizeStream lying(archive.substr(0, 50), 1000000);
  EXPECT_FALSE(zip.LoadFromStream(lying));
}

TEST(ZipFile, HostileLengthsAllocateNothingBeyondTheData) {
  // A local header declaring 4 GiB of compressed data and a 64 KiB name in a 34-byte file.
  std::string h = std::string("PK\x03\x04", 4) + std::string(26, '\0');
  for (int i = 0; i < 4; ++i) h[18 + i] = '\xFF';
  h[26] = h[27] = '\xFF';
  h += "abcd";
  TZipFile zip;
  TMemoryStream in(h);
  EXPECT_FALSE(zip.LoadFromStream(in));
  EXPECT_EQ(zip.Count(), 0);
}

TEST(ZipFile, MoreCentralThanLocalRecordsAndMultipleEntries) {
  TZipFile zip;
  zip.AddFile("one");
  zip.AddFile("two");
  zip.AddFile("three");
  ASSERT_TRUE(zip.SetUncompressed(0, "first"));
  ASSERT_TRUE(zip.SetUncompressed(2, std::string(70000, 'c')));
  TMemoryStream out;
  zip.SaveToStream(out);
  const std::string archive = out.Bytes();
  TZipFile back;
  TMemoryStream in(archive);
  ASSERT_TRUE(back.LoadFromStream(in));
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.GetUncompressed(0), "first");
  EXPECT_EQ(back.GetFileName(1), "two");
  EXPECT_EQ(back.GetUncompressed(2), std::string(70000, 'c'));
  EXPECT_EQ(back.CentralFiles()[1].LocalHeaderOffset,
            U32(archive, back.EndOfCentralDir().CentralDirOffset + 46 + 3 + 42));
  // Drop the second local record: two local records, three central ones.
  size_t second = back.CentralFiles()[1].LocalHeaderOffset, third = back.CentralFiles()[2].LocalHeaderOffset;
  std::string fewer = archive.substr(0, second) + archive.substr(third);
  TZipFile odd;
  TMemoryStream oddIn(fewer);
  ASSERT_TRUE(odd.LoadFromStream(oddIn));
  EXPECT_EQ(odd.Count(), 2);
  EXPECT_EQ(odd.CentralFiles().size(), 3u);
  EXPECT_EQ(odd.GetUncompressed(1), std::string(70000, 'c'));
  // A new entry pairs with central slot 2 and saving writes all three central records.
  odd.AddFile("new");
  EXPECT_EQ(odd.CentralFiles()[2].FileName, "new");
  TMemoryStream oddOut;
  odd.SaveToStream(oddOut);
  EXPECT_EQ(odd.EndOfCentralDir().TotalEntries, 3);
}

TEST(ZipFile, CommentsAndExtraFieldsAreKept) {
  std::string archive = Pack("x", "data");
  // Give the archive a comment and re-read it.
  std::string withComment = archive;
  withComment[withComment.size() - 2] = 5;
  withComment += "hello";
  TZipFile zip;
  TMemoryStream in(withComment);
  ASSERT_TRUE(zip.LoadFromStream(in));
  EXPECT_EQ(zip.Comment(), "hello");
  TMemoryStream out;
  zip.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), withComment);
  // A comment shorter than its length is a truncated archive.
  TMemoryStream cut(withComment.substr(0, withComment.size() - 1));
  EXPECT_FALSE(zip.LoadFromStream(cut));
}

TEST(ZipFile, WritingRefusesWhatDoesNotFitTheFields) {
  EXPECT_THROW(TZipFile().AddFile(std::string(65536, 'n')), EZipError);
  TZipFile zip;
  zip.AddFile("a");
  ASSERT_TRUE(zip.SetUncompressed(0, "abc"));
  // The central directory would start beyond 4 GiB: nothing is written.
  TMemoryStream out;
  out.SetPosition(0xFFFFFFF0ll);
  EXPECT_THROW(zip.SaveToStream(out), EZipError);
  EXPECT_EQ(out.Size(), 0);
  // A stream that fills up raises the stream's error.
  ShortWriteStream full(40);
  EXPECT_THROW(zip.SaveToStream(full), EWriteError);
}

TEST(ZipFile, DateTimeIsTheLocalTimeInDosFormat) {
  uint32_t dt = ZipDateTimeNow();
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  uint32_t date = dt >> 16, time = dt & 0xFFFF;
  EXPECT_EQ(static_cast<int>(date >> 9) + 1980, tm.tm_year + 1900);
  EXPECT_EQ(static_cast<int>((date >> 5) & 15), tm.tm_mon + 1);
  EXPECT_EQ(static_cast<int>(date & 31), tm.tm_mday);
  EXPECT_LE(static_cast<int>(time >> 11), 23);
  EXPECT_LE(static_cast<int>((time >> 5) & 63), 59);
  EXPECT_LE(static_cast<int>(time & 31), 29);
  TZipFile zip;
  zip.AddFile("t");
  EXPECT_EQ(zip.LocalFiles()[0].DateTime >> 16, date);
}

TEST(ZipFile, StrictSignatureTest) {
  EXPECT_TRUE(TZipFile::HasZipSignature(std::string_view("PK\x03\x04rest", 8)));
  EXPECT_FALSE(TZipFile::HasZipSignature("PK"));
  EXPECT_FALSE(TZipFile::HasZipSignature(std::string_view("PK\x05\x06", 4)));
  EXPECT_FALSE(TZipFile::HasZipSignature(std::string_view("PK\x03", 3)));
  TMemoryStream s(std::string("PK\x03\x04", 4));
  s.SetPosition(2);
  EXPECT_TRUE(TZipFile::HasZipSignature(s));
  EXPECT_EQ(s.Position(), 2);
}

}  // namespace
