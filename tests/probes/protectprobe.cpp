// Command-line probe over the protection core, for comparisons with unzip, Python's zipfile and
// openssl:
//   protectprobe zip-pack IN OUT NAME       one entry NAME holding the bytes of IN, saved to OUT
//   protectprobe zip-pack-shared SHARES PIECE IN OUT NAME
//                                           the same written as a save writes it: deflated in pieces of
//                                           about PIECE bytes, SHARES at a time side by side, the bytes
//                                           given in writes of 1 to 3 * PIECE bytes
//   protectprobe zip-unpack IN OUT [INDEX]  entry INDEX (default 0) of archive IN, written to OUT
//   protectprobe encipher PASSWORD IN OUT   the databank cipher layer (PASSWORD in UTF-8)
//   protectprobe decipher PASSWORD IN OUT
//   protectprobe md5 FILE                   lowercase hex digest
// Exit 0 on success, 1 with the error on a failure, 2 on a usage error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"
#include "protection/umd5.h"

namespace {

int Usage() {
  std::fputs(
      "usage: protectprobe zip-pack IN OUT NAME\n"
      "       protectprobe zip-pack-shared SHARES PIECE IN OUT NAME\n"
      "       protectprobe zip-unpack IN OUT [INDEX]\n"
      "       protectprobe encipher PASSWORD IN OUT\n"
      "       protectprobe decipher PASSWORD IN OUT\n"
      "       protectprobe md5 FILE\n",
      stderr);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "protectprobe: %s\n", message.c_str());
  return 1;
}

std::string ReadAll(const std::string& path) {
  TMemoryStream m;
  m.LoadFromFile(path);
  return m.TakeBytes();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  TFileStream out(path, fmCreate);
  out.WriteString(bytes);
}

bool ParseIndex(const std::string& text, int& index) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  index = std::atoi(text.c_str());
  return true;
}

int Run(const std::vector<std::string>& a) {
  if (a.empty()) return Usage();
  const std::string& cmd = a[0];
  if (cmd == "zip-pack" && a.size() == 4) {
    std::string data = ReadAll(a[1]);
    TZipFile zip;
    zip.AddFile(a[3]);
    if (!zip.SetUncompressed(0, data)) return Fail("Could not compress the data");
    TFileStream out(a[2], fmCreate);
    zip.SaveToStream(out);
    return 0;
  }
  if (cmd == "zip-pack-shared" && a.size() == 6) {
    int shares = 0, piece = 0;
    if (!ParseIndex(a[1], shares) || !ParseIndex(a[2], piece) || shares < 1 || piece < 1) return Usage();
    const std::string data = ReadAll(a[3]);
    TFileStream out(a[4], fmCreate);
    TZipEntryWriter writer(
        out, a[5], TDeflateSharing{.Shares = static_cast<size_t>(shares), .PieceBytes = static_cast<size_t>(piece)});
    std::minstd_rand rng(static_cast<unsigned>(data.size()));
    for (size_t at = 0; at < data.size();) {
      const size_t n = std::min(data.size() - at, size_t{1} + rng() % (3 * static_cast<size_t>(piece)));
      writer.Write(std::string_view(data).substr(at, n));
      at += n;
    }
    writer.Finish();
    return 0;
  }
  if (cmd == "zip-unpack" && (a.size() == 3 || a.size() == 4)) {
    int index = 0;
    if (a.size() == 4 && !ParseIndex(a[3], index)) return Usage();
    TZipFile zip;
    TFileStream in(a[1], fmOpenRead);
    if (!zip.LoadFromStream(in)) return Fail("The archive is unreadable");
    std::string data;
    TZipCheck check = zip.GetUncompressed(index, data);
    if (check != TZipCheck::zcOk) return Fail(ZipCheckText(check));
    WriteAll(a[2], data);
    return 0;
  }
  if ((cmd == "encipher" || cmd == "decipher") && a.size() == 4) {
    std::string data = ReadAll(a[2]);
    std::string out = cmd == "encipher" ? EncipherDataBank(data, std::string_view(a[1]))
                                        : DecipherDataBank(std::move(data), DataBankKey(a[1]));
    WriteAll(a[3], out);
    return 0;
  }
  if (cmd == "md5" && a.size() == 2) {
    TFileStream in(a[1], fmOpenRead);
    TMD5Context ctx;
    MD5Init(ctx);
    std::vector<char> buf(1 << 20);
    for (;;) {
      int64_t got = in.Read(buf.data(), static_cast<int64_t>(buf.size()));
      if (got <= 0) break;
      MD5Update(ctx, buf.data(), static_cast<size_t>(got));
    }
    TMD5Digest digest;
    MD5Final(ctx, digest);
    std::printf("%s\n", MD5DigestToStr(digest).c_str());
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return Run(args);
  } catch (const Exception& e) {
    return Fail(e.Message());
  } catch (const std::bad_alloc&) {
    return Fail("Out of memory");
  }
}
