// The layers of a databank file over bytes: sniffing, unwrapping and wrapping.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "databank/uBankFile.h"
#include "databank/uBankMessages.h"
#include "platform/Streams.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"
#include "protection/umd5.h"

namespace {

struct Recorder {
  std::vector<int> ids;
  int prompts = 0;
  std::string answer = "pw";
  bool cancel = false;
  TBankReadContext Context(const std::string& password = "") {
    TBankReadContext c;
    c.Password = password;
    c.AskPassword = [this](std::string& p) {
      ++prompts;
      if (cancel) return false;
      p = answer;
      return true;
    };
    c.ShowError = [this](int id, const std::string& text) {
      EXPECT_EQ(text, BankMessage(id));
      ids.push_back(id);
    };
    return c;
  }
};

std::string Encode(const std::string& xml, const std::string& password, bool compress,
                   const std::string& entry = "e.xdb2") {
  TBankWriteLayers layers{password, compress, entry};
  std::string out;
  EXPECT_TRUE(EncodeBankLayers(xml, layers, nullptr, out));
  return out;
}

std::string ZipOf(const std::string& data, const std::string& name = "n.xdb2") {
  TZipFile zip;
  zip.AddFile(name);
  EXPECT_TRUE(zip.SetUncompressed(0, data));
  TMemoryStream s;
  zip.SaveToStream(s);
  return s.TakeBytes();
}

const std::string kXml = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot/>";

}  // namespace

TEST(BankFileLayers, Sniffing) {
  EXPECT_TRUE(IsPlainXMLBytes("<?xml version"));
  EXPECT_TRUE(IsPlainXMLBytes("<dataroot>"));
  EXPECT_TRUE(IsPlainXMLBytes("<dataroot ID='1'>"));
  // A byte-order mark and blanks may come first (editors write them).
  EXPECT_TRUE(IsPlainXMLBytes(" <?xml"));
  EXPECT_TRUE(IsPlainXMLBytes("\xEF\xBB\xBF<?xml"));
  EXPECT_TRUE(IsPlainXMLBytes("\xEF\xBB\xBF\r\n\t  <dataroot>"));
  EXPECT_FALSE(IsPlainXMLBytes("\xEF\xBB\xBF"));
  EXPECT_FALSE(IsPlainXMLBytes("x<?xml"));
  EXPECT_TRUE(IsOldFormatBytes("<dataroot><folder>"));
  EXPECT_TRUE(IsOldFormatBytes("\xEF\xBB\xBF\n<dataroot><folder>"));
  // Text, as opposed to a cipher layer (whose length word and blocks hold control bytes).
  EXPECT_TRUE(LooksLikeText("plain\ttext\r\n"));
  EXPECT_TRUE(LooksLikeText("caf\xC3\xA9"));
  EXPECT_FALSE(LooksLikeText(""));
  EXPECT_FALSE(LooksLikeText(std::string("text\0", 5)));
  EXPECT_TRUE(LooksLikeText(std::string(600, 'a') + '\x01'));  // only the head counts
  EXPECT_FALSE(LooksLikeText(Encode(kXml, "pw", false)));
  EXPECT_FALSE(IsOldFormatBytes("<dataroot >"));
  EXPECT_FALSE(IsOldFormatBytes("<?xml"));
  EXPECT_TRUE(IsZipBytes(std::string("PK\x03\x04", 4)));
  EXPECT_FALSE(IsZipBytes("PK\x00\x00"));

  // The stream forms read at the current position and put it back.
  TMemoryStream s(std::string("xxPK\x03\x04rest", 10));
  s.SetPosition(2);
  EXPECT_TRUE(IsZip(s));
  EXPECT_FALSE(IsEnciphered(s));
  EXPECT_EQ(s.Position(), 2);
  TMemoryStream old(std::string("<dataroot></dataroot>"));
  EXPECT_TRUE(IsOldFormat(old));
  EXPECT_FALSE(IsEnciphered(old));
  TMemoryStream tiny(std::string("ab"));
  EXPECT_TRUE(IsEnciphered(tiny));
  EXPECT_EQ(tiny.Position(), 0);
}

TEST(BankFileLayers, EveryCombinationRoundTrips) {
  for (bool compress : {false, true})
    for (std::string password : {"", "pw", "\xC3\xA9t\xC3\xA9"}) {  // "été" in UTF-8
      const std::string file = Encode(kXml, password, compress);
      Recorder rec;
      auto ctx = rec.Context();
      ctx.AskPassword = [&](std::string& p) {
        p = password;
        ++rec.prompts;
        return true;
      };
      TBankReadResult result;
      ASSERT_TRUE(DecodeBankLayers(file, ctx, result)) << password << compress;
      EXPECT_EQ(result.XML, kXml);
      EXPECT_EQ(result.Compressed, compress);
      EXPECT_EQ(result.Enciphered, !password.empty());
      EXPECT_EQ(rec.prompts, password.empty() ? 0 : 1);
      EXPECT_EQ(ctx.Password, password);
      if (compress) {
        EXPECT_EQ(result.EntryName, "e.xdb2");
      }
      EXPECT_TRUE(rec.ids.empty());
    }
}

TEST(BankFileLayers, CipherLayoutMatchesTheKeyOfThePasswordBytes) {
  const std::string file = Encode(kXml, "pw", false);
  ASSERT_EQ(file.size(), EncipheredSize(kXml.size()));
  uint32_t n;
  std::memcpy(&n, file.data(), 4);
  EXPECT_EQ(n, kXml.size());
  EXPECT_EQ(DecipherDataBank(file, "pw"), kXml);
  // Windows-1252 bytes are the key: "é" is one byte 0xE9.
  const std::string accented = Encode(kXml, "\xC3\xA9", false);
  EXPECT_EQ(DecipherDataBank(accented, DataBankKey("\xC3\xA9")), kXml);
  EXPECT_EQ(MD5DigestToStr(DataBankKey("\xC3\xA9")), MD5DigestToStr(MD5String("\xE9")));
}

TEST(BankFileLayers, PlainLengthStartingWithPKIsACipherLayer) {
  // A plain length of 19280 is stored as 50 4B 00 00: "PK".
  std::string xml = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>";
  xml += std::string(19280 - xml.size() - std::strlen("</dataroot>"), 'x');
  xml += "</dataroot>";
  ASSERT_EQ(xml.size(), 19280u);
  for (bool compress : {false, true}) {
    const std::string file = Encode(xml, "pw", compress);
    if (!compress) {
      ASSERT_EQ(file.substr(0, 2), "PK");
    }
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    ASSERT_TRUE(DecodeBankLayers(file, ctx, result));
    EXPECT_EQ(result.XML, xml);
    EXPECT_EQ(result.Compressed, compress);
    EXPECT_EQ(rec.prompts, 1);
  }
}

// Bytes that are neither plain XML nor a cipher layer (a size the cipher layer never writes, or text)
// are not a databank: no password is asked and no layer's box is shown; the reason says so.
TEST(BankFileLayers, WhatCannotBeADatabankIsRefusedWithoutAPrompt) {
  const std::string cipher = Encode(kXml, "pw", false);
  const std::string notABank[] = {
      std::string(),
      "a",
      std::string("ab\0", 3),
      "hello, this is a plain text file\n",
      "<html><body>not ours</body></html>",
      cipher + "abc",                                 // not whole blocks
      std::string("\xFF\xFF", 2) + cipher.substr(2),  // a plain length beyond the data
      ZipOf("plain text inside an archive\n"),
  };
  for (const std::string& bytes : notABank) {
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    EXPECT_FALSE(DecodeBankLayers(bytes, ctx, result)) << bytes;
    EXPECT_EQ(rec.prompts, 0) << bytes;
    EXPECT_TRUE(rec.ids.empty()) << bytes;
    EXPECT_EQ(result.Reason, SNotADataBank) << bytes;
  }
  // "PK" that is no archive and no cipher layer stays a broken archive.
  for (const std::string& bytes : {std::string("PK"), std::string("PK\x03")}) {
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    EXPECT_FALSE(DecodeBankLayers(bytes, ctx, result));
    EXPECT_EQ(rec.prompts, 0);
    EXPECT_EQ(rec.ids, std::vector<int>{SCouldNotDecompressBank});
  }
  // Plain XML after a byte-order mark and blanks is XML, untouched.
  for (const std::string& head : {std::string("\xEF\xBB\xBF"), std::string(" \r\n\t"), std::string("\xEF\xBB\xBF\n")}) {
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    ASSERT_TRUE(DecodeBankLayers(head + kXml, ctx, result));
    EXPECT_EQ(result.XML, head + kXml);
    EXPECT_FALSE(result.Enciphered);
    EXPECT_EQ(rec.prompts, 0);
  }
}

// A zip entry that would unpack to more than the memory there is is refused before anything is
// unpacked, with the sizes in the reason.
TEST(BankFileLayers, AZipEntryLargerThanTheMemoryAvailableIsNotUnpacked) {
  const std::string zip = ZipOf(kXml + std::string(100000, ' '));
  for (const uint64_t memory : {uint64_t{1000}, uint64_t{100000}, uint64_t{200000}}) {
    Recorder rec;
    auto ctx = rec.Context();
    ctx.MemoryAvailable = memory;
    TBankReadResult result;
    const bool fits = memory >= kXml.size() + 100000;
    EXPECT_EQ(DecodeBankLayers(zip, ctx, result), fits) << memory;
    EXPECT_TRUE(rec.ids.empty());
    if (!fits) {
      EXPECT_EQ(result.Reason.rfind("There is not enough memory to read it: it unpacks to 98 KB, and ", 0), 0u)
          << result.Reason;
    }
  }
}

TEST(BankFileLayers, BrokenArchivesFailWith65127) {
  std::string zip = ZipOf(kXml);
  // Flip a CRC byte (local header offset 14).
  std::string badCrc = zip;
  badCrc[14] ^= 0x55;
  // No entry at all: the signature and nothing else.
  std::string noEntry("PK\x03\x04", 4);
  // An entry that claims 4 GiB from a few bytes.
  std::string huge = zip;
  huge[22] = huge[23] = huge[24] = huge[25] = '\xFF';
  // An empty entry.
  std::string empty = ZipOf("");
  // "PK" then junk that is no cipher layer either.
  std::string pkJunk = "PKjunk-not-a-zip";
  for (const std::string& bytes : {badCrc, noEntry, huge, empty, pkJunk, zip.substr(0, 40)}) {
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    EXPECT_FALSE(DecodeBankLayers(bytes, ctx, result));
    EXPECT_EQ(rec.ids, std::vector<int>{SCouldNotDecompressBank});
    EXPECT_EQ(rec.prompts, 0);
  }
}

TEST(BankFileLayers, CipherFailures) {
  // Cancelled prompt.
  {
    Recorder rec;
    rec.cancel = true;
    auto ctx = rec.Context();
    TBankReadResult result;
    EXPECT_FALSE(DecodeBankLayers(Encode(kXml, "pw", false), ctx, result));
    EXPECT_EQ(rec.ids, std::vector<int>{SCouldNotDecypherBank});
    EXPECT_EQ(ctx.Password, "");
  }
  // A known password is used without asking; a wrong one decodes to bytes that are not the text.
  {
    Recorder rec;
    auto ctx = rec.Context("wrong");
    TBankReadResult result;
    EXPECT_TRUE(DecodeBankLayers(Encode(kXml, "pw", false), ctx, result));
    EXPECT_EQ(rec.prompts, 0);
    EXPECT_NE(result.XML, kXml);
  }
}

TEST(BankFileLayers, RandomBytesNeverCrash) {
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    std::string bytes(rng() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    if (i % 3 == 0 && bytes.size() >= 4) std::memcpy(bytes.data(), "PK\x03\x04", 4);
    Recorder rec;
    auto ctx = rec.Context();
    TBankReadResult result;
    if (!DecodeBankLayers(bytes, ctx, result)) {
      EXPECT_EQ(rec.ids.size() + !result.Reason.empty(), 1u);
    }
  }
}

TEST(BankFileLayers, EncodeFailuresShowTheirLayer) {
  std::vector<int> ids;
  auto show = [&](int id, const std::string&) { ids.push_back(id); };
  std::string out = "untouched";
  // A password without Windows-1252 bytes cannot be a key.
  EXPECT_FALSE(EncodeBankLayers(kXml, TBankWriteLayers{"\xE2\x82\xAC\xF0\x9F\x98\x80", false, ""}, show, out));
  EXPECT_EQ(ids, std::vector<int>{SCouldNotCypherBank});
  EXPECT_EQ(out, "untouched");
  ids.clear();
  // An entry name longer than a zip header can hold.
  EXPECT_FALSE(EncodeBankLayers(kXml, TBankWriteLayers{"", true, std::string(70000, 'n')}, show, out));
  EXPECT_EQ(ids, std::vector<int>{SCouldNotCompressBank});
}

TEST(BankFileLayers, ZipOfCipherHoldsExactlyTheCipherLayer) {
  const std::string both = Encode(kXml, "pw", true, "bank.xdb2");
  TMemoryStream s(both);
  TZipFile zip;
  ASSERT_TRUE(zip.LoadFromStream(s));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.GetFileName(0), "bank.xdb2");
  EXPECT_EQ(zip.GetUncompressed(0), Encode(kXml, "pw", false));
  // One local header, one central header, the end record: 98 + 2 * name + deflated size.
  EXPECT_EQ(both.size(), 98 + 2 * 9 + zip.LocalFiles()[0].CompressedData.size());
}

namespace {
// The archive's DOS time in its local and central headers, which differs between two writes a second
// apart.
std::string WithoutZipTime(std::string file) {
  if (!TZipFile::HasZipSignature(file)) return file;
  std::memset(file.data() + 10, 0, 4);
  const size_t central = file.rfind(std::string("PK\x01\x02", 4));
  if (central != std::string::npos) std::memset(file.data() + central + 12, 0, 4);
  return file;
}
}  // namespace

// Streamed through the layers in pieces of any size, the XML gives the bytes the whole of it gives
// (a save streams a large databank instead of holding it and its layers in memory); failures raise
// their layer's error before anything is written.
TEST(BankFileLayers, StreamedLayersAreTheBytesOfTheWholeText) {
  std::mt19937 rng(5);
  for (size_t size : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{70000}, size_t{3} << 20}) {
    std::string xml(size, ' ');
    // Text that deflates like a databank (repeated words) with random stretches between.
    for (size_t i = 0; i < size; ++i) xml[i] = rng() % 4 ? "<record ID='1'>code</record>\r\n"[i % 30] : char(rng());
    for (bool compress : {false, true})
      for (const std::string password : {"", "pw"}) {
        const std::string whole = Encode(xml, password, compress);
        TMemoryStream stream;
        {
          TBankLayerWriter layers(stream, TBankWriteLayers{password, compress, "e.xdb2"}, xml.size());
          for (size_t at = 0; at < xml.size();) {
            std::string piece = xml.substr(at, 1 + rng() % 100000);
            at += piece.size();
            layers.Write(piece);
          }
          layers.Finish();
        }
        EXPECT_EQ(WithoutZipTime(stream.TakeBytes()), WithoutZipTime(whole))
            << size << " bytes, password '" << password << "', compress " << compress;
      }
  }
  TMemoryStream stream;
  EXPECT_THROW(TBankLayerWriter(stream, TBankWriteLayers{"\xF0\x9F\x98\x80", false, ""}, 10), EAESError);
  EXPECT_THROW(TBankLayerWriter(stream, TBankWriteLayers{"", true, std::string(70000, 'n')}, 10), EZipError);
  EXPECT_THROW(TBankLayerWriter(stream, TBankWriteLayers{"pw", false, ""}, uint64_t{1} << 32), EAESError);
  // Fewer bytes than announced: the cipher's length word would be wrong.
  TBankLayerWriter shortOne(stream, TBankWriteLayers{"pw", true, "e"}, 100);
  std::string piece(50, 'x');
  shortOne.Write(piece);
  EXPECT_THROW(shortOne.Finish(), EAESError);
}

// Shared among threads, the layers wrap the XML into a file that decodes to it: the cipher enciphers
// its blocks where they lie (the same bytes as on one thread), the zip layer deflates pieces that
// join into one stream whose entry holds what one thread's does, for XML ending around every cipher
// block, piece and round of pieces, given in pieces of any size; a large piece has its blocks
// enciphered side by side.
TEST(BankFileLayers, LayersSharedAmongThreadsDecodeToTheXML) {
  constexpr size_t kPiece = 4096;  // rounds of three pieces
  std::mt19937 rng(11);
  std::vector<size_t> sizes{0, 1, 15, 16, 17, size_t{3} << 20};
  for (size_t edge : {kPiece - 4, kPiece, 3 * kPiece - 4, 3 * kPiece, 7 * kPiece + 16})
    for (size_t size : {edge - 1, edge, edge + 1}) sizes.push_back(size);
  for (const size_t size : sizes) {
    std::string xml(size, ' ');
    for (size_t i = 0; i < size; ++i) xml[i] = rng() % 4 ? "<record ID='1'>code</record>\r\n"[i % 30] : char(rng());
    for (const bool compress : {false, true})
      for (const std::string password : {"", "pw"}) {
        SCOPED_TRACE(testing::Message() << size << " bytes, password '" << password << "', compress " << compress);
        TMemoryStream stream;
        {
          TBankLayerWriter layers(stream, TBankWriteLayers{password, compress, "e.xdb2"}, xml.size(),
                                  TDeflateSharing{.Shares = 3, .PieceBytes = kPiece});
          for (size_t at = 0; at < xml.size();) {
            std::string piece = xml.substr(at, size > (size_t{1} << 20) ? xml.size() : 1 + rng() % (5 * kPiece));
            at += piece.size();
            layers.Write(piece);
          }
          layers.Finish();
        }
        // Under the zip layer, the bytes one thread gives: the cipher layer or the XML.
        const std::string file = stream.TakeBytes();
        const std::string inner = Encode(xml, password, false);
        if (!compress) {
          EXPECT_TRUE(file == inner);
          continue;
        }
        TZipFile zip;
        TMemoryStream in(file);
        ASSERT_TRUE(zip.LoadFromStream(in));
        std::string entry;
        ASSERT_EQ(zip.GetUncompressed(0, entry), TZipCheck::zcOk);
        EXPECT_TRUE(entry == inner);
      }
  }
}
