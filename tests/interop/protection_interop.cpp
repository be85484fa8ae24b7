// The protection core against outside tools: unzip and Python's zipfile read our archives and we read
// theirs; md5sum agrees on digests; openssl's AES-128-ECB gives the databank cipher layer's blocks.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"

using namespace testsupport;

namespace {

std::string Text(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"<record ID=\"7\">",
                                "</record>",
                                "int",
                                "return",
                                "x = y;",
                                "\r\n",
                                "  ",
                                "{",
                                "}",
                                "<![CDATA[",
                                "]]>",
                                "caf\xE9",
                                "\x80",
                                "// note",
                                "0",
                                "42",
                                "std::vector<int>"};
  std::string s;
  while (s.size() < n) s += words[rng() % (sizeof words / sizeof *words)];
  s.resize(n);
  return s;
}

std::string Probe() {
  return ProbePath("protectprobe");
}

uint32_t U32(const std::string& s, size_t at) {
  return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t{uint8_t(s[at + 3])} << 24;
}

class ProtectionInterop : public TempDirTest {};

// Also an entry written as a save writes a large one, deflated in pieces side by side (each primed
// with the 32 KB before it, ended on a byte boundary, joined into one stream), for sizes around every
// piece, round of pieces and dictionary boundary.
TEST_F(ProtectionInterop, OurArchivesReadByUnzipAndPython) {
  REQUIRE_TOOL(unzip, "unzip");
  REQUIRE_TOOL(python, "python3");
  struct Case {
    size_t n;
    std::vector<std::string> pack;  // the probe's command before its files
  };
  std::vector<Case> cases;
  for (size_t n : {0, 1, 100, 19280, 300000}) cases.push_back({n, {"zip-pack"}});
  constexpr size_t kPiece = 40000;  // rounds of three pieces
  std::vector<size_t> sizes{0, 1};
  for (size_t edge : {kPiece, 2 * kPiece, 3 * kPiece, 4 * kPiece, 6 * kPiece, size_t{32768}, 3 * kPiece + 32768})
    for (size_t n : {edge - 1, edge, edge + 1}) sizes.push_back(n);
  for (size_t n : sizes) cases.push_back({n, {"zip-pack-shared", "3", std::to_string(kPiece)}});
  for (const Case& c : cases) {
    const size_t n = c.n;
    SCOPED_TRACE(testing::Message() << n << " bytes, " << c.pack.front());
    std::string text = Text(n, static_cast<uint32_t>(n) + 1);
    WriteFile(tmp.File("t.xml"), text);
    std::vector<std::string> pack = c.pack;
    pack.insert(pack.end(), {tmp.File("t.xml"), tmp.File("out.zip"), "bank.xdb2"});
    ProcessResult r = RunProcess(Probe(), pack);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ProcessResult test = RunProcess(unzip, {"-t", tmp.File("out.zip")});
    EXPECT_EQ(test.exitCode, 0) << test.out << test.err;
    EXPECT_NE(test.out.find("No errors detected"), std::string::npos) << test.out;
    ProcessResult info = RunProcess(python, {"-c",
                                             "import sys,zipfile as z;i=z.ZipFile(sys.argv[1]).infolist()[0];"
                                             "print(i.filename,i.compress_type,i.file_size,i.compress_size)",
                                             tmp.File("out.zip")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    std::istringstream fields(info.out);
    std::string name;
    int method = -1;
    size_t size = 0, compressed = 0;
    fields >> name >> method >> size >> compressed;
    EXPECT_EQ(name, "bank.xdb2");
    EXPECT_EQ(method, 8);
    EXPECT_EQ(size, n);
    EXPECT_EQ(ReadFile(tmp.File("out.zip")).size(), 30 + 9 + compressed + 46 + 9 + 22);
    ProcessResult data = RunProcess(unzip, {"-p", tmp.File("out.zip"), "bank.xdb2"});
    EXPECT_EQ(data.exitCode, 0);
    EXPECT_TRUE(data.out == text) << "unzip -p differs for " << n << " bytes";
    ProcessResult py = RunProcess(
        python, {"-c", "import sys,zipfile as z;sys.stdout.buffer.write(z.ZipFile(sys.argv[1]).read('bank.xdb2'))",
                 tmp.File("out.zip")});
    EXPECT_TRUE(py.out == text) << "zipfile differs for " << n << " bytes";
  }
}

TEST_F(ProtectionInterop, ArchivesOfPythonAndZipReadBack) {
  REQUIRE_TOOL(python, "python3");
  std::string text = Text(250000, 9);
  WriteFile(tmp.File("data.xml"), text);
  WriteFile(tmp.File("other.txt"), "second entry");
  ProcessResult made = RunProcess(python, {"-c",
                                           "import sys,zipfile as z\n"
                                           "with z.ZipFile(sys.argv[1],'w',z.ZIP_DEFLATED) as f:\n"
                                           "  f.write(sys.argv[2],'bank.xdb2')\n"
                                           "  f.write(sys.argv[3],'other.txt')\n",
                                           tmp.File("py.zip"), tmp.File("data.xml"), tmp.File("other.txt")});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  ProcessResult r = RunProcess(Probe(), {"zip-unpack", tmp.File("py.zip"), tmp.File("back.xml")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReadFile(tmp.File("back.xml")) == text);
  r = RunProcess(Probe(), {"zip-unpack", tmp.File("py.zip"), tmp.File("second.txt"), "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(tmp.File("second.txt")), "second entry");
  // One flipped byte of the local CRC: the result is empty and the probe says why.
  std::string archive = ReadFile(tmp.File("py.zip"));
  archive[14] = static_cast<char>(archive[14] ^ 0x40);
  WriteFile(tmp.File("bad.zip"), archive);
  r = RunProcess(Probe(), {"zip-unpack", tmp.File("bad.zip"), tmp.File("bad.xml")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("CRC-32"), std::string::npos) << r.err;

  std::string zip = FindTool("zip");
  if (zip.empty()) GTEST_SKIP() << "outside tool 'zip' is not installed";
  ProcessResult z = RunProcess(zip, {"-X", "-q", "-j", tmp.File("zx.zip"), tmp.File("data.xml")});
  ASSERT_EQ(z.exitCode, 0) << z.err;
  r = RunProcess(Probe(), {"zip-unpack", tmp.File("zx.zip"), tmp.File("zx.xml")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReadFile(tmp.File("zx.xml")) == text);
}

TEST_F(ProtectionInterop, DigestsAgreeWithMd5sum) {
  REQUIRE_TOOL(md5sum, "md5sum");
  for (size_t n : {0, 55, 56, 64, 1000, 1 << 20}) {
    WriteFile(tmp.File("f"), Text(n, static_cast<uint32_t>(n)));
    ProcessResult ours = RunProcess(Probe(), {"md5", tmp.File("f")});
    ProcessResult theirs = RunProcess(md5sum, {tmp.File("f")});
    ASSERT_EQ(ours.exitCode, 0);
    EXPECT_EQ(ours.out.substr(0, 32), theirs.out.substr(0, 32)) << n;
  }
}

// For a text T and password P the layer is pack('<I', len(T)) followed by
// openssl enc -aes-128-ecb -nopad -K md5(P's Windows-1252 bytes) of T zero-padded to whole blocks.
TEST_F(ProtectionInterop, CipherLayerEqualsOpensslEcb) {
  REQUIRE_TOOL(openssl, "openssl");
  REQUIRE_TOOL(md5sum, "md5sum");
  std::mt19937 rng(2024);
  const std::vector<std::string> passwords = {"", "secret", "p\xC3\xA4ssw\xC3\xB6rd", "\xE2\x82\xAC uro",
                                              "a b c 1 2 3 !"};
  std::vector<size_t> sizes = {0, 1, 15, 16, 17, 19280, 65537};
  for (int i = 0; i < 6; ++i) sizes.push_back(rng() % 5000);
  for (size_t k = 0; k < sizes.size(); ++k) {
    size_t n = sizes[k];
    std::string password = passwords[k % passwords.size()];
    std::string text = Text(n, static_cast<uint32_t>(1000 + k));
    WriteFile(tmp.File("t"), text);
    ProcessResult r = RunProcess(Probe(), {"encipher", password, tmp.File("t"), tmp.File("t.enc")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string ours = ReadFile(tmp.File("t.enc"));
    ASSERT_EQ(ours.size(), 4 + (n + 15) / 16 * 16);
    EXPECT_EQ(U32(ours, 0), n);
    // The key from md5sum of the password's Windows-1252 bytes.
    WriteFile(tmp.File("pw"), codepage::Utf8ToCp1252(password));
    std::string key = RunProcess(md5sum, {tmp.File("pw")}).out.substr(0, 32);
    WriteFile(tmp.File("padded"), text + std::string((16 - n % 16) % 16, '\0'));
    ProcessResult enc = RunProcess(
        openssl, {"enc", "-aes-128-ecb", "-nopad", "-K", key, "-in", tmp.File("padded"), "-out", tmp.File("o.enc")});
    ASSERT_EQ(enc.exitCode, 0) << enc.err;
    std::string theirs = ReadFile(tmp.File("o.enc"));
    EXPECT_TRUE(ours.substr(4) == theirs) << "size " << n << " password " << password;
    // openssl's blocks with our length in front decipher back to the text.
    WriteFile(tmp.File("o.layer"), ours.substr(0, 4) + theirs);
    r = RunProcess(Probe(), {"decipher", password, tmp.File("o.layer"), tmp.File("o.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(tmp.File("o.txt")) == text) << n;
  }
  // FIPS-197 C.1 through openssl, for the record.
  WriteFile(tmp.File("block"), std::string("\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\xcc\xdd\xee\xff", 16));
  ProcessResult c1 = RunProcess(openssl, {"enc", "-aes-128-ecb", "-nopad", "-K", "000102030405060708090a0b0c0d0e0f",
                                          "-in", tmp.File("block"), "-out", tmp.File("block.enc")});
  ASSERT_EQ(c1.exitCode, 0);
  EXPECT_EQ(ReadFile(tmp.File("block.enc")),
            std::string("\x69\xc4\xe0\xd8\x6a\x7b\x04\x30\xd8\xcd\xb7\x80\x70\xb4\xc5\x5a", 16));
}

// A databank with a password and compression: the archive's single entry holds the cipher layer.
TEST_F(ProtectionInterop, StackedLayersUnwrapWithOutsideTools) {
  REQUIRE_TOOL(unzip, "unzip");
  REQUIRE_TOOL(openssl, "openssl");
  REQUIRE_TOOL(md5sum, "md5sum");
  std::string text = ReadFile(std::string(TESSARYN_SOURCE_DIR) + "/tests/protection/data/pk_collision_19280.xml");
  ASSERT_EQ(text.size(), 19280u);
  WriteFile(tmp.File("bank.xml"), text);
  ASSERT_EQ(RunProcess(Probe(), {"encipher", "s\xC3\xA9same", tmp.File("bank.xml"), tmp.File("bank.enc")}).exitCode, 0);
  ASSERT_EQ(RunProcess(Probe(), {"zip-pack", tmp.File("bank.enc"), tmp.File("bank.xdb2"), "bank.xdb2"}).exitCode, 0);
  ProcessResult entry = RunProcess(unzip, {"-p", tmp.File("bank.xdb2"), "bank.xdb2"});
  ASSERT_EQ(entry.exitCode, 0);
  ASSERT_EQ(entry.out.size(), 4u + 19280u);
  EXPECT_EQ(entry.out.substr(0, 2), "PK");  // the plain length 19280 spells "PK"
  EXPECT_EQ(U32(entry.out, 0), 19280u);
  WriteFile(tmp.File("blocks"), entry.out.substr(4));
  WriteFile(tmp.File("pw"), "s\xE9same");
  std::string key = RunProcess(md5sum, {tmp.File("pw")}).out.substr(0, 32);
  ProcessResult dec = RunProcess(openssl, {"enc", "-d", "-aes-128-ecb", "-nopad", "-K", key, "-in", tmp.File("blocks"),
                                           "-out", tmp.File("plain")});
  ASSERT_EQ(dec.exitCode, 0) << dec.err;
  EXPECT_TRUE(ReadFile(tmp.File("plain")) == text);  // 19280 is a whole number of blocks: no padding
}

TEST_F(ProtectionInterop, ProbeErrorsAndUsage) {
  WriteFile(tmp.File("odd"), std::string(24, '\0'));
  ProcessResult r = RunProcess(Probe(), {"decipher", "pw", tmp.File("odd"), tmp.File("x")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Invalid buffer size for decryption"), std::string::npos) << r.err;
  r = RunProcess(Probe(), {"encipher", "\xE5\xAF\x86", tmp.File("odd"), tmp.File("x")});
  EXPECT_EQ(r.exitCode, 1);
  r = RunProcess(Probe(), {"zip-unpack", tmp.File("odd"), tmp.File("x")});
  EXPECT_EQ(r.exitCode, 1);
  r = RunProcess(Probe(), {"md5", tmp.File("missing")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(RunProcess(Probe(), {}).exitCode, 2);
  EXPECT_EQ(RunProcess(Probe(), {"zip-unpack", tmp.File("odd"), tmp.File("x"), "-1"}).exitCode, 2);
  EXPECT_EQ(RunProcess(Probe(), {"md5"}).exitCode, 2);
}

// Truncated and random archives through the probe: each ends within a second with 0 or 1, and no
// sanitizer report (the probe is built with the sanitizers in the test build).
TEST_F(ProtectionInterop, DamagedArchivesNeverCrashOrHang) {
  std::string text = Text(20000, 5);
  WriteFile(tmp.File("t"), text);
  ASSERT_EQ(RunProcess(Probe(), {"zip-pack", tmp.File("t"), tmp.File("good.zip"), "bank.xdb2"}).exitCode, 0);
  const std::string good = ReadFile(tmp.File("good.zip"));
  std::mt19937 rng(77);
  for (int i = 0; i < 1000; ++i) {
    std::string bytes;
    switch (i % 4) {
      case 0:
        bytes = good.substr(0, rng() % good.size());
        break;
      case 1:
        bytes = good;
        for (int k = 0; k < 1 + static_cast<int>(rng() % 8); ++k)
          bytes[rng() % bytes.size()] = static_cast<char>(rng());
        break;
      case 2:
        bytes.resize(rng() % 4096);
        for (char& c : bytes) c = static_cast<char>(rng());
        if (bytes.size() >= 4) bytes.replace(0, 4, "PK\x03\x04");
        break;
      default:
        bytes = good;
        // Hostile sizes in the local header.
        for (int k = 18; k < 30; ++k)
          if (rng() % 2) bytes[k] = '\xFF';
        break;
    }
    WriteFile(tmp.File("in.zip"), bytes);
    ProcessResult r = RunProcess(Probe(), {"zip-unpack", tmp.File("in.zip"), tmp.File("out")}, "", 1);
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << "case " << i << " exit " << r.exitCode << "\n" << r.err;
    ASSERT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    if (i % 5 != 0) continue;
    r = RunProcess(Probe(), {"decipher", "pw", tmp.File("in.zip"), tmp.File("out")}, "", 1);
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << "case " << i << " exit " << r.exitCode << "\n" << r.err;
  }
}

}  // namespace
