// Throughput of the databank protection layers on 64 MB of databank-like text: AES-128 ECB both ways,
// MD5, CRC-32, and zip pack/unpack as a ratio to calling zlib directly on the same bytes. When the
// system's libcrypto can be loaded, its AES-128-ECB and MD5 are measured in the same run for
// comparison (loaded at run time, so nothing links against it).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "platform/Streams.h"
#include "protection/uAES.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"
#include "protection/umd5.h"

namespace {

constexpr size_t kSize = 64u << 20;

const std::string& Text() {
  static const std::string text = [] {
    std::mt19937 rng(64);
    static const char* words[] = {"int",   "return", "void",  "for",    "while", "if",     "else",  "std::string",
                                  "value", "count",  "index", "buffer", "node",  "x",      "y",     "0",
                                  "1",     "42",     "(",     ")",      "{",     "}",      ";",     "=",
                                  "+",     "<",      ">",     "//",     "TODO",  "record", "begin", "end;"};
    std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot>";
    s.reserve(kSize + 4096);
    int id = 1;
    while (s.size() < kSize) {
      s += "<record ID=\"" + std::to_string(id) + "\">Snippet " + std::to_string(id) + "<data><![CDATA[";
      ++id;
      int len = 20 + static_cast<int>(rng() % 300);
      for (int i = 0; i < len; ++i) {
        s += words[rng() % (sizeof words / sizeof *words)];
        s += (rng() % 9 == 0) ? "\r\n  " : " ";
      }
      s += "]]></data></record>\r\n";
    }
    s.resize(kSize);
    return s;
  }();
  return text;
}

const TAESKey128 kKey = DataBankKey("benchmark password");

// One direction of ECB over the whole text in place, with its key schedule.
void AESThroughput(benchmark::State& state, void (*expand)(const TAESKey128&, TAESExpandedKey128&),
                   void (*ecb)(uint8_t*, size_t, const TAESExpandedKey128&)) {
  std::string buf = Text();
  TAESExpandedKey128 key;
  expand(kKey, key);
  for (auto _ : state) {
    ecb(reinterpret_cast<uint8_t*>(buf.data()), buf.size(), key);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buf.size()));
}

void BM_AESEncrypt(benchmark::State& state) {
  AESThroughput(state, AESExpandKeyForEncryption, AESEncryptECB);
}
void BM_AESDecrypt(benchmark::State& state) {
  AESThroughput(state, AESExpandKeyForDecryption, AESDecryptECB);
}

// The same with the processor's AES instructions switched off: the portable table-driven path.
void BM_AESEncrypt_tables(benchmark::State& state) {
  AESSetHardwareAllowed(false);
  BM_AESEncrypt(state);
  AESSetHardwareAllowed(true);
}

void BM_AESDecrypt_tables(benchmark::State& state) {
  AESSetHardwareAllowed(false);
  BM_AESDecrypt(state);
  AESSetHardwareAllowed(true);
}

// The whole databank layer, as a save and a load run it (length word, padding, copies).
void BM_DataBankEncipher(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(EncipherDataBank(Text(), kKey));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_DataBankDecipher(benchmark::State& state) {
  const std::string enc = EncipherDataBank(Text(), kKey);
  for (auto _ : state) {
    std::string copy = enc;  // the load hands over a buffer it owns
    benchmark::DoNotOptimize(DecipherDataBank(std::move(copy), kKey));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_MD5(benchmark::State& state) {
  TMD5Digest d;
  for (auto _ : state) {
    MD5Buffer(Text().data(), Text().size(), d);
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_CRC32(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ZipCRC32(Text()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_CRC32_zlib(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0, reinterpret_cast<const Bytef*>(Text().data()), static_cast<uInt>(kSize)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

// ---- zip against zlib called directly ------------------------------------------------------------

// What a program calling zlib itself would do for one entry: raw deflate at the default level into a
// buffer of the bound's size, and the CRC-32 the entry needs.
std::string ZlibPack(const std::string& data, uint32_t& crc) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  return out;
}

// Raw inflate into an output of the known size, and the CRC-32 check.
std::string ZlibUnpack(const std::string& compressed, size_t size, uint32_t& crc) {
  std::string out(size, '\0');
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  inflate(&z, Z_FINISH);
  inflateEnd(&z);
  crc = crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
  return out;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Each iteration times ours and zlib's on the same bytes, so the ratio is measured in one run.
template <class Ours, class Zlib>
void TimeAgainstZlib(benchmark::State& state, Ours& runOurs, Zlib& runZlib) {
  double ours = 0, direct = 0;
  bool oursFirst = true;
  for (auto _ : state) {
    // The order alternates so that neither side always runs on a warmer cache.
    auto t0 = std::chrono::steady_clock::now();
    oursFirst ? runOurs() : runZlib();
    auto t1 = std::chrono::steady_clock::now();
    oursFirst ? runZlib() : runOurs();
    auto t2 = std::chrono::steady_clock::now();
    ours += oursFirst ? Seconds(t0, t1) : Seconds(t1, t2);
    direct += oursFirst ? Seconds(t1, t2) : Seconds(t0, t1);
    oursFirst = !oursFirst;
  }
  double n = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = 1000 * ours / n;
  state.counters["zlib_ms"] = 1000 * direct / n;
  state.counters["ratio"] = ours / direct;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize) * 2);
}

void BM_ZipPackRatio(benchmark::State& state) {
  auto runOurs = [] {
    TZipFile zip;
    zip.AddFile("bank.xdb2");
    zip.SetUncompressed(0, Text());
    TMemoryStream out;
    zip.SaveToStream(out);
    benchmark::DoNotOptimize(out.Memory());
  };
  auto runZlib = [] {
    uint32_t crc;
    std::string raw = ZlibPack(Text(), crc);
    benchmark::DoNotOptimize(raw.data());
  };
  TimeAgainstZlib(state, runOurs, runZlib);
}

void BM_ZipUnpackRatio(benchmark::State& state) {
  TZipFile zip;
  zip.AddFile("bank.xdb2");
  zip.SetUncompressed(0, Text());
  TMemoryStream archive;
  zip.SaveToStream(archive);
  const std::string raw = zip.LocalFiles()[0].CompressedData;
  bool failed = false;
  auto runOurs = [&] {
    archive.SetPosition(0);
    TZipFile in;
    in.LoadFromStream(archive);
    std::string data = in.GetUncompressed(0);
    benchmark::DoNotOptimize(data.data());
    failed |= data.size() != kSize;
  };
  auto runZlib = [&] {
    uint32_t crc;
    std::string plain = ZlibUnpack(raw, kSize, crc);
    benchmark::DoNotOptimize(plain.data());
    failed |= crc != zip.LocalFiles()[0].CRC32;
  };
  TimeAgainstZlib(state, runOurs, runZlib);
  if (failed) state.SkipWithError("round trip failed");
}

// ---- the system's libcrypto, for comparison ------------------------------------------------------

struct Crypto {
  void* lib = nullptr;
  void* (*CipherCtxNew)() = nullptr;
  void (*CipherCtxFree)(void*) = nullptr;
  const void* (*Aes128Ecb)() = nullptr;
  int (*EncryptInit)(void*, const void*, void*, const unsigned char*, const unsigned char*) = nullptr;
  int (*DecryptInit)(void*, const void*, void*, const unsigned char*, const unsigned char*) = nullptr;
  int (*SetPadding)(void*, int) = nullptr;
  int (*EncryptUpdate)(void*, unsigned char*, int*, const unsigned char*, int) = nullptr;
  int (*DecryptUpdate)(void*, unsigned char*, int*, const unsigned char*, int) = nullptr;
  const void* (*Md5)() = nullptr;
  int (*Digest)(const void*, size_t, unsigned char*, unsigned int*, const void*, void*) = nullptr;

  Crypto() {
    lib = dlopen("libcrypto.so.3", RTLD_NOW);
    if (!lib) return;
    auto sym = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
    };
    sym(CipherCtxNew, "EVP_CIPHER_CTX_new");
    sym(CipherCtxFree, "EVP_CIPHER_CTX_free");
    sym(Aes128Ecb, "EVP_aes_128_ecb");
    sym(EncryptInit, "EVP_EncryptInit_ex");
    sym(DecryptInit, "EVP_DecryptInit_ex");
    sym(SetPadding, "EVP_CIPHER_CTX_set_padding");
    sym(EncryptUpdate, "EVP_EncryptUpdate");
    sym(DecryptUpdate, "EVP_DecryptUpdate");
    sym(Md5, "EVP_md5");
    sym(Digest, "EVP_Digest");
  }
  bool Ok() const { return lib && CipherCtxNew && EncryptUpdate && DecryptUpdate && Digest && Md5; }
};

const Crypto& Lib() {
  static const Crypto crypto;
  return crypto;
}

void AesLibcrypto(benchmark::State& state, bool encrypt) {
  const Crypto& c = Lib();
  if (!c.Ok()) {
    state.SkipWithError("libcrypto.so.3 not available");
    return;
  }
  std::string in = Text(), out(kSize, '\0');
  void* ctx = c.CipherCtxNew();
  if (encrypt)
    c.EncryptInit(ctx, c.Aes128Ecb(), nullptr, kKey.data(), nullptr);
  else
    c.DecryptInit(ctx, c.Aes128Ecb(), nullptr, kKey.data(), nullptr);
  c.SetPadding(ctx, 0);
  for (auto _ : state) {
    int len = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    auto* i = reinterpret_cast<const unsigned char*>(in.data());
    if (encrypt)
      c.EncryptUpdate(ctx, o, &len, i, static_cast<int>(in.size()));
    else
      c.DecryptUpdate(ctx, o, &len, i, static_cast<int>(in.size()));
    benchmark::DoNotOptimize(out.data());
  }
  c.CipherCtxFree(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_AESEncrypt_libcrypto(benchmark::State& state) {
  AesLibcrypto(state, true);
}
void BM_AESDecrypt_libcrypto(benchmark::State& state) {
  AesLibcrypto(state, false);
}

void BM_MD5_libcrypto(benchmark::State& state) {
  const Crypto& c = Lib();
  if (!c.Ok()) {
    state.SkipWithError("libcrypto.so.3 not available");
    return;
  }
  unsigned char md[16];
  unsigned int len = 0;
  for (auto _ : state) {
    c.Digest(Text().data(), Text().size(), md, &len, c.Md5(), nullptr);
    benchmark::DoNotOptimize(md);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

}  // namespace

BENCHMARK(BM_AESEncrypt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AESDecrypt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AESEncrypt_tables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AESDecrypt_tables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AESEncrypt_libcrypto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AESDecrypt_libcrypto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataBankEncipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataBankDecipher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MD5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MD5_libcrypto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CRC32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CRC32_zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipPackRatio)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_ZipUnpackRatio)->Unit(benchmark::kMillisecond)->Iterations(10);
