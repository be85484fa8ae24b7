#include "protection/uZipFile.h"

#include <zlib.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <ctime>

#include "platform/SharedWork.h"
#include "platform/Streams.h"
#include "protection/ByteOrder.h"

namespace {

// ---- CRC-32: slicing by 16 over tables built at compile time ------------------------------------

using CrcTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr CrcTables MakeCrcTables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 16; ++k)
    for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 255];
  return t;
}

constexpr CrcTables kCrc = MakeCrcTables();

using byteorder::LoadLE32;

// ---- little-endian record fields ----------------------------------------------------------------

class FieldWriter {
 public:
  explicit FieldWriter(uint8_t* p) : p_(p) {}
  void U16(uint16_t v) {
    p_[0] = static_cast<uint8_t>(v);
    p_[1] = static_cast<uint8_t>(v >> 8);
    p_ += 2;
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }

 private:
  uint8_t* p_;
};

class FieldReader {
 public:
  explicit FieldReader(const uint8_t* p) : p_(p) {}
  uint16_t U16() {
    uint16_t v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    p_ += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (uint32_t{U16()} << 16);
  }

 private:
  const uint8_t* p_;
};

// The 26 bytes from "version needed" to "extra field length", shared by both header kinds.
struct Common26 {
  uint16_t VersionNeeded, Flags, Method;
  uint32_t DateTime, CRC32, CompressedSize, UncompressedSize;
  uint16_t FileNameLength, ExtraFieldLength;
};

Common26 ReadCommon(FieldReader& r) {
  Common26 c{};
  c.VersionNeeded = r.U16();
  c.Flags = r.U16();
  c.Method = r.U16();
  c.DateTime = r.U32();
  c.CRC32 = r.U32();
  c.CompressedSize = r.U32();
  c.UncompressedSize = r.U32();
  c.FileNameLength = r.U16();
  c.ExtraFieldLength = r.U16();
  return c;
}

template <class Rec>
void WriteCommon(FieldWriter& w, const Rec& c) {
  w.U16(c.VersionNeeded);
  w.U16(c.Flags);
  w.U16(c.Method);
  w.U32(c.DateTime);
  w.U32(c.CRC32);
  w.U32(c.CompressedSize);
  w.U32(c.UncompressedSize);
  w.U16(c.FileNameLength);
  w.U16(c.ExtraFieldLength);
}

// From the parsed fields, or from the other header kind: both carry the 26 bytes under these names.
template <class Rec, class Src>
void AssignCommon(Rec& rec, const Src& c) {
  rec.VersionNeeded = c.VersionNeeded;
  rec.Flags = c.Flags;
  rec.Method = c.Method;
  rec.DateTime = c.DateTime;
  rec.CRC32 = c.CRC32;
  rec.CompressedSize = c.CompressedSize;
  rec.UncompressedSize = c.UncompressedSize;
  rec.FileNameLength = c.FileNameLength;
  rec.ExtraFieldLength = c.ExtraFieldLength;
}

// Reads a stream through a buffer and never hands out more than the stream holds, so that no length
// taken from the archive makes us allocate beyond the data.
class BoundedReader {
 public:
  explicit BoundedReader(TStream& stream)
      : stream_(stream), start_(stream.Position()), streamLeft_(std::max<int64_t>(0, stream.Size() - start_)) {}

  int64_t Left() const { return static_cast<int64_t>(len_ - pos_) + streamLeft_; }

  bool Read(void* dst, size_t n) {
    if (static_cast<int64_t>(n) > Left()) return false;
    uint8_t* out = static_cast<uint8_t*>(dst);
    size_t fromBuf = std::min(n, len_ - pos_);
    if (fromBuf > 0) std::memcpy(out, buf_.data() + pos_, fromBuf);
    pos_ += fromBuf;
    consumed_ += static_cast<int64_t>(fromBuf);
    n -= fromBuf;
    out += fromBuf;
    if (n == 0) return true;
    if (n >= kBuf) {  // large blocks go straight from the stream
      stream_.ReadBuffer(out, static_cast<int64_t>(n));
      streamLeft_ -= static_cast<int64_t>(n);
      consumed_ += static_cast<int64_t>(n);
      return true;
    }
    Refill();
    std::memcpy(out, buf_.data(), n);
    pos_ = n;
    consumed_ += static_cast<int64_t>(n);
    return true;
  }

  bool ReadString(std::string& s, size_t n) {
    if (static_cast<int64_t>(n) > Left()) return false;
    s.resize(n);
    return n == 0 || Read(s.data(), n);
  }

  bool ReadU32(uint32_t& v) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    v = FieldReader(b).U32();
    return true;
  }

  // Leaves the stream just after the last byte handed out.
  void Finish() { stream_.SetPosition(start_ + consumed_); }

 private:
  static constexpr size_t kBuf = 1 << 16;

  void Refill() {
    size_t want = static_cast<size_t>(std::min<int64_t>(streamLeft_, static_cast<int64_t>(kBuf)));
    buf_.resize(kBuf);
    stream_.ReadBuffer(buf_.data(), static_cast<int64_t>(want));
    streamLeft_ -= static_cast<int64_t>(want);
    len_ = want;
    pos_ = 0;
  }

  TStream& stream_;
  int64_t start_;
  int64_t streamLeft_;
  int64_t consumed_ = 0;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, len_ = 0;
};

// The largest value a 32-bit size or offset field may take; 0xFFFFFFFF marks ZIP64 to readers.
constexpr uint64_t kMax32 = 0xFFFFFFFEull;
constexpr size_t kMaxEntries = 0xFFFE;
// Deflate cannot expand data by more than 1032 to 1, so no more than this is reserved ahead of output.
constexpr uint64_t kMaxDeflateRatio = 1032;
// Inflated output is checked in windows small enough to stay in the cache for the CRC pass.
constexpr size_t kInflateWindow = 256 * 1024;
// Output room reserved before any output arrives; beyond it the buffer doubles as data comes.
constexpr uint64_t kInitialInflateRoom = 64ull * 1024 * 1024;

// A local record's header: its fixed part, the file name and the extra field (the data follows).
std::string LocalHeader(const TLocalFile& local) {
  uint8_t head[30];
  FieldWriter w(head);
  w.U32(local.Signature);
  WriteCommon(w, local);
  std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
  bytes += local.FileName;
  bytes += local.ExtraField;
  return bytes;
}

// Bytes a record takes on disk: the fixed header and its variable parts.
uint64_t RecordSize(const TLocalFile& local) {
  return 30 + local.FileName.size() + local.ExtraField.size() + local.CompressedData.size();
}
uint64_t RecordSize(const TFileHeader& central) {
  return 46 + central.FileName.size() + central.ExtraField.size() + central.FileComment.size();
}

void FillCentralFromLocal(TFileHeader& central, const TLocalFile& local) {
  central = TFileHeader{};
  central.VersionMadeBy = 20;
  AssignCommon(central, local);
  central.FileName = local.FileName;
  central.ExtraField = local.ExtraField;
}

// Raw deflate at the default level, window 15, memory level 8: the same bytes as the zlib stream
// format without its 2-byte header and 4-byte trailer. Every entry this program writes, whole or
// streamed, is started here, so both give the same bytes.
bool StartDeflate(z_stream& z) {
  return deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

bool Deflate(std::string_view data, std::string& out) {
  z_stream z{};
  if (!StartDeflate(z)) return false;
  out.resize(static_cast<size_t>(deflateBound(&z, static_cast<uLong>(data.size()))));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  size_t inLeft = data.size(), outLeft = out.size();
  int ret = Z_OK;
  while (ret == Z_OK) {
    // avail_in/avail_out are 32-bit; feed and drain in pieces.
    uInt in = static_cast<uInt>(std::min<size_t>(inLeft, UINT_MAX));
    uInt outAvail = static_cast<uInt>(std::min<size_t>(outLeft, UINT_MAX));
    z.avail_in = in;
    z.avail_out = outAvail;
    ret = deflate(&z, in == inLeft ? Z_FINISH : Z_NO_FLUSH);
    inLeft -= in - z.avail_in;
    outLeft -= outAvail - z.avail_out;
    if (ret == Z_BUF_ERROR && outLeft > 0 && inLeft > 0) ret = Z_OK;
  }
  bool ok = ret == Z_STREAM_END;
  deflateEnd(&z);
  if (!ok) return false;
  out.resize(out.size() - outLeft);
  out.shrink_to_fit();
  return true;
}

}  // namespace

namespace {

uint32_t CrcTablesUpdate(uint32_t c, const uint8_t* p, size_t size) {
  if constexpr (std::endian::native == std::endian::little) {
    while (size >= 16) {
      uint32_t a = LoadLE32(p) ^ c, b = LoadLE32(p + 4), d = LoadLE32(p + 8), e = LoadLE32(p + 12);
      c = kCrc[15][a & 255] ^ kCrc[14][(a >> 8) & 255] ^ kCrc[13][(a >> 16) & 255] ^ kCrc[12][a >> 24] ^
          kCrc[11][b & 255] ^ kCrc[10][(b >> 8) & 255] ^ kCrc[9][(b >> 16) & 255] ^ kCrc[8][b >> 24] ^
          kCrc[7][d & 255] ^ kCrc[6][(d >> 8) & 255] ^ kCrc[5][(d >> 16) & 255] ^ kCrc[4][d >> 24] ^ kCrc[3][e & 255] ^
          kCrc[2][(e >> 8) & 255] ^ kCrc[1][(e >> 16) & 255] ^ kCrc[0][e >> 24];
      p += 16;
      size -= 16;
    }
  }
  while (size-- > 0) c = kCrc[0][(c ^ *p++) & 255] ^ (c >> 8);
  return c;
}

#if defined(__x86_64__) && defined(__GNUC__)

// Folding with carry-less multiplication: 64 bytes at a time are folded forward by multiplying with
// x^n mod P, then reduced to 32 bits (Barrett). The constants are derived here from the polynomial
// in the bit-reflected domain the zip CRC works in.
constexpr uint64_t kCrcPoly = 0x104C11DB7ull;

constexpr uint64_t Reflect(uint64_t v, int bits) {
  uint64_t r = 0;
  for (int i = 0; i < bits; ++i)
    if (v & (uint64_t{1} << i)) r |= uint64_t{1} << (bits - 1 - i);
  return r;
}

// x^n mod P, reflected and shifted as the folding multiplications need it.
constexpr uint64_t FoldConstant(int n) {
  uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (uint64_t{1} << 32)) r ^= kCrcPoly;
  }
  return Reflect(r, 32) << 1;
}

// floor(x^64 / P), reflected: the Barrett constant.
constexpr uint64_t BarrettMu() {
  __uint128_t num = __uint128_t{1} << 64;
  uint64_t q = 0;
  for (int i = 64; i >= 32; --i) {
    if ((num >> i) & 1) {
      q |= uint64_t{1} << (i - 32);
      num ^= __uint128_t{kCrcPoly} << (i - 32);
    }
  }
  return Reflect(q, 33);
}

alignas(16) constexpr uint64_t kFold4[2] = {FoldConstant(4 * 128 + 32), FoldConstant(4 * 128 - 32)};
alignas(16) constexpr uint64_t kFold1[2] = {FoldConstant(128 + 32), FoldConstant(128 - 32)};
alignas(16) constexpr uint64_t kFold64[2] = {FoldConstant(64), 0};
alignas(16) constexpr uint64_t kBarrett[2] = {Reflect(kCrcPoly, 33), BarrettMu()};
static_assert(kFold4[0] == 0x154442bd4ull && kFold1[1] == 0xccaa009eull && kBarrett[1] == 0x1f7011641ull);

#define TESSARYN_CLMUL __attribute__((target("pclmul,sse4.1"), always_inline)) inline

TESSARYN_CLMUL __m128i load(const uint8_t* q) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// acc * x^n mod P, added to the next 128 bits.
TESSARYN_CLMUL __m128i fold(__m128i acc, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(acc, k, 0x00), _mm_clmulepi64_si128(acc, k, 0x11)), next);
}

// size >= 64 and a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) uint32_t CrcFoldUpdate(uint32_t c, const uint8_t* p, size_t size) {
  __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
  __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
  p += 64;
  size -= 64;
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
  while (size >= 64) {
    x1 = fold(x1, k, load(p));
    x2 = fold(x2, k, load(p + 16));
    x3 = fold(x3, k, load(p + 32));
    x4 = fold(x4, k, load(p + 48));
    p += 64;
    size -= 64;
  }
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
  x1 = fold(x1, k, x2);
  x1 = fold(x1, k, x3);
  x1 = fold(x1, k, x4);
  while (size >= 16) {
    x1 = fold(x1, k, load(p));
    p += 16;
    size -= 16;
  }
  // 128 -> 64 bits.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), _mm_srli_si128(x1, 4));
  // Barrett reduction to 32 bits.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), k, 0x00);
  return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

bool HaveCarrylessMultiply() {
  static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return have;
}

#endif

}  // namespace

uint32_t ZipCRC32Update(uint32_t crc, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~crc;
#if defined(__x86_64__) && defined(__GNUC__)
  if (size >= 64 && HaveCarrylessMultiply()) {
    size_t whole = size & ~size_t{15};
    c = CrcFoldUpdate(c, p, whole);
    p += whole;
    size -= whole;
  }
#endif
  return ~CrcTablesUpdate(c, p, size);
}

uint32_t ZipCRC32(std::string_view data) {
  return ZipCRC32Update(0, data.data(), data.size());
}

uint32_t ZipDateTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  int year = std::clamp(tm.tm_year + 1900, 1980, 2107);
  uint32_t time = static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (std::min(tm.tm_sec, 59) / 2));
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  return time | (date << 16);
}

const char* ZipCheckText(TZipCheck check) {
  switch (check) {
    case TZipCheck::zcOk:
      return "OK";
    case TZipCheck::zcNoEntry:
      return "The archive has no such entry";
    case TZipCheck::zcCorruptData:
      return "The compressed data of the entry is corrupt";
    case TZipCheck::zcSizeMismatch:
      return "The entry's data does not have its stored size";
    case TZipCheck::zcCRCMismatch:
      return "The entry's data does not match its stored CRC-32";
    case TZipCheck::zcDataDescriptor:
      return "The entry's sizes follow its data (a data descriptor), which is not supported";
  }
  return "Unknown zip error";
}

void TZipFile::Clear() {
  localFiles_.clear();
  centralFiles_.clear();
  endOfCentralDir_ = TEndOfCentralDir{};
  comment_.clear();
}

void TZipFile::AddFile(std::string_view fileName) {
  if (fileName.size() > 0xFFFF) throw EZipError("The file name is too long for a zip entry");
  if (localFiles_.size() >= kMaxEntries) throw EZipError("The zip archive cannot hold more entries");
  TLocalFile local;
  local.VersionNeeded = 20;
  local.Flags = 0;
  local.Method = 8;
  local.DateTime = ZipDateTimeNow();
  local.FileNameLength = static_cast<uint16_t>(fileName.size());
  local.FileName = std::string(fileName);
  TFileHeader central;
  FillCentralFromLocal(central, local);
  // The central array may be longer than the local one after a load; entry i pairs the two at i.
  if (centralFiles_.size() < localFiles_.size() + 1) centralFiles_.resize(localFiles_.size() + 1);
  centralFiles_[localFiles_.size()] = std::move(central);
  localFiles_.push_back(std::move(local));
}

bool TZipFile::SetUncompressed(int index, std::string_view data) {
  if (index < 0 || index >= Count()) return false;
  if (data.size() > kMax32) return false;
  std::string compressed;
  if (!Deflate(data, compressed) || compressed.size() > kMax32) return false;
  TLocalFile& local = localFiles_[static_cast<size_t>(index)];
  local.VersionNeeded = 20;
  local.Flags = 0;
  local.Method = 8;
  local.DateTime = ZipDateTimeNow();
  local.CRC32 = ZipCRC32(data);
  local.CompressedSize = static_cast<uint32_t>(compressed.size());
  local.UncompressedSize = static_cast<uint32_t>(data.size());
  local.FileNameLength = static_cast<uint16_t>(local.FileName.size());
  local.ExtraFieldLength = static_cast<uint16_t>(local.ExtraField.size());
  local.CompressedData = std::move(compressed);
  FillCentralFromLocal(centralFiles_[static_cast<size_t>(index)], local);
  return true;
}

TZipCheck TZipFile::GetUncompressed(int index, std::string& data) const {
  data.clear();
  if (index < 0 || index >= Count()) return TZipCheck::zcNoEntry;
  const TLocalFile& local = localFiles_[static_cast<size_t>(index)];
  // Flag bit 3 with a compressed size of 0: the real sizes and CRC come after data the load did not
  // take, so inflating nothing would pass every check and hand back a wrong empty text.
  if ((local.Flags & 0x0008) != 0 && local.CompressedSize == 0) return TZipCheck::zcDataDescriptor;
  const std::string& in = local.CompressedData;
  const uint64_t declared = local.UncompressedSize;

  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return TZipCheck::zcCorruptData;
  // Room for the declared size (one byte more, to notice output beyond it), but never more than the
  // compressed bytes can justify, and at first no more than kInitialInflateRoom: a small hostile
  // archive that declares gigabytes gets memory only as its output actually arrives.
  uint64_t justified = static_cast<uint64_t>(in.size()) * kMaxDeflateRatio + 1024;
  std::string out;
  out.resize(static_cast<size_t>(std::min({declared + 1, justified, kInitialInflateRoom})));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());  // at most 0xFFFFFFFF: the size field is 32 bits
  size_t produced = 0;
  uint32_t crc = 0;
  TZipCheck result = TZipCheck::zcOk;
  for (;;) {
    if (produced == out.size()) {
      if (out.size() > declared) {  // already one byte past the declared size
        result = TZipCheck::zcSizeMismatch;
        break;
      }
      out.resize(static_cast<size_t>(std::min<uint64_t>(declared + 1, static_cast<uint64_t>(out.size()) * 2 + 1)));
    }
    size_t window = std::min(out.size() - produced, kInflateWindow);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = static_cast<uInt>(window);
    int ret = inflate(&z, Z_NO_FLUSH);
    size_t got = window - z.avail_out;
    crc = ZipCRC32Update(crc, out.data() + produced,
                         std::min<uint64_t>(got, declared > produced ? declared - produced : 0));
    produced += got;
    if (ret == Z_STREAM_END) break;
    if (ret == Z_OK) continue;
    if (ret == Z_BUF_ERROR && z.avail_in == 0) {
      // The data ends without an end block. The bytes count only if every one of them arrived.
      if (produced != declared) result = TZipCheck::zcCorruptData;
      break;
    }
    // Z_DATA_ERROR, Z_MEM_ERROR, Z_NEED_DICT; Z_BUF_ERROR cannot come with input and room left, so
    // this also guarantees the loop ends.
    result = TZipCheck::zcCorruptData;
    break;
  }
  inflateEnd(&z);
  if (result != TZipCheck::zcOk) return result;
  if (produced != declared) return TZipCheck::zcSizeMismatch;
  if (crc != local.CRC32) return TZipCheck::zcCRCMismatch;
  out.resize(produced);
  data = std::move(out);
  return TZipCheck::zcOk;
}

std::string TZipFile::GetUncompressed(int index) const {
  std::string data;
  GetUncompressed(index, data);
  return data;
}

std::string TZipFile::GetFileName(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  return localFiles_[static_cast<size_t>(index)].FileName;
}

bool TZipFile::LoadFromStream(TStream& stream) {
  Clear();
  try {
    BoundedReader in(stream);
    bool ok = false;
    uint32_t word = 0;
    // 1. Find the first local header, four bytes at a time.
    for (;;) {
      if (!in.ReadU32(word)) break;
      if (word == ZipLocalSignature) {
        ok = true;
        break;
      }
    }
    // 2. Local records.
    while (ok && word == ZipLocalSignature) {
      uint8_t head[26];
      TLocalFile local;
      if (!in.Read(head, sizeof head)) {
        ok = false;
        break;
      }
      FieldReader r(head);
      AssignCommon(local, ReadCommon(r));
      if (!in.ReadString(local.FileName, local.FileNameLength) ||
          !in.ReadString(local.ExtraField, local.ExtraFieldLength) ||
          !in.ReadString(local.CompressedData, local.CompressedSize)) {
        ok = false;
        break;
      }
      localFiles_.push_back(std::move(local));
      centralFiles_.emplace_back();
      if (!in.ReadU32(word)) ok = false;
    }
    // 3. Central records, paired with the local ones by position.
    size_t k = 0;
    while (ok && word == ZipCentralSignature) {
      uint8_t head[42];
      TFileHeader central;
      if (!in.Read(head, sizeof head)) {
        ok = false;
        break;
      }
      FieldReader r(head);
      central.VersionMadeBy = r.U16();
      AssignCommon(central, ReadCommon(r));
      central.FileCommentLength = r.U16();
      central.DiskNumberStart = r.U16();
      central.InternalAttributes = r.U16();
      central.ExternalAttributes = r.U32();
      central.LocalHeaderOffset = r.U32();
      if (!in.ReadString(central.FileName, central.FileNameLength) ||
          !in.ReadString(central.ExtraField, central.ExtraFieldLength) ||
          !in.ReadString(central.FileComment, central.FileCommentLength)) {
        ok = false;
        break;
      }
      if (k < centralFiles_.size())
        centralFiles_[k] = std::move(central);
      else
        centralFiles_.push_back(std::move(central));
      ++k;
      if (!in.ReadU32(word)) ok = false;
    }
    // 4. The end record; anything else ends the load here.
    if (ok && word == ZipEndSignature) {
      uint8_t head[18];
      if (in.Read(head, sizeof head)) {
        FieldReader r(head);
        endOfCentralDir_.ThisDisk = r.U16();
        endOfCentralDir_.CentralDirDisk = r.U16();
        endOfCentralDir_.EntriesOnDisk = r.U16();
        endOfCentralDir_.TotalEntries = r.U16();
        endOfCentralDir_.CentralDirSize = r.U32();
        endOfCentralDir_.CentralDirOffset = r.U32();
        endOfCentralDir_.CommentLength = r.U16();
        if (!in.ReadString(comment_, endOfCentralDir_.CommentLength)) ok = false;
      } else {
        ok = false;
      }
    }
    in.Finish();
    return ok;
  } catch (const EStreamError&) {
    // The stream delivered less than its size promised.
    return false;
  }
}

void TZipFile::SaveToStream(TStream& stream) {
  // Check every offset, size and count before the first byte goes out.
  const uint64_t start = static_cast<uint64_t>(stream.Position());
  uint64_t pos = start;
  for (const TLocalFile& local : localFiles_) {
    if (pos > kMax32) throw EZipError("The zip archive is too large");
    pos += RecordSize(local);
  }
  const uint64_t centralStart = pos;
  for (const TFileHeader& central : centralFiles_) pos += RecordSize(central);
  if (centralStart > kMax32 || pos - centralStart > kMax32) throw EZipError("The zip archive is too large");
  if (localFiles_.size() > kMaxEntries || comment_.size() > 0xFFFF)
    throw EZipError("The zip archive cannot hold so many entries");

  // 1. Local records.
  pos = start;
  for (size_t i = 0; i < localFiles_.size(); ++i) {
    const TLocalFile& local = localFiles_[i];
    centralFiles_[i].LocalHeaderOffset = static_cast<uint32_t>(pos);
    const std::string head = LocalHeader(local);
    stream.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
    // The compressed data goes out as it is, without another copy.
    stream.WriteBuffer(local.CompressedData.data(), static_cast<int64_t>(local.CompressedData.size()));
    pos += RecordSize(local);
  }
  SaveDirectoryToStream(stream, pos);
}

void TZipFile::SaveDirectoryToStream(TStream& stream, uint64_t centralStart) {
  std::string buf;
  auto put = [&](std::string_view bytes) { buf.append(bytes); };
  uint64_t pos = centralStart;
  // 2. and 3. Central records.
  endOfCentralDir_.CentralDirOffset = static_cast<uint32_t>(pos);
  for (const TFileHeader& central : centralFiles_) {
    uint8_t head[46];
    FieldWriter w(head);
    w.U32(central.Signature);
    w.U16(central.VersionMadeBy);
    WriteCommon(w, central);
    w.U16(static_cast<uint16_t>(central.FileComment.size()));
    w.U16(central.DiskNumberStart);
    w.U16(central.InternalAttributes);
    w.U32(central.ExternalAttributes);
    w.U32(central.LocalHeaderOffset);
    put(std::string_view(reinterpret_cast<char*>(head), sizeof head));
    put(central.FileName);
    put(central.ExtraField);
    put(central.FileComment);
    pos += RecordSize(central);
  }
  // 4. End record.
  endOfCentralDir_.Signature = ZipEndSignature;
  endOfCentralDir_.ThisDisk = 0;
  endOfCentralDir_.CentralDirDisk = 0;
  endOfCentralDir_.EntriesOnDisk = static_cast<uint16_t>(localFiles_.size());
  endOfCentralDir_.TotalEntries = static_cast<uint16_t>(localFiles_.size());
  endOfCentralDir_.CentralDirSize = static_cast<uint32_t>(pos - endOfCentralDir_.CentralDirOffset);
  endOfCentralDir_.CommentLength = static_cast<uint16_t>(comment_.size());
  uint8_t end[22];
  FieldWriter w(end);
  w.U32(endOfCentralDir_.Signature);
  w.U16(endOfCentralDir_.ThisDisk);
  w.U16(endOfCentralDir_.CentralDirDisk);
  w.U16(endOfCentralDir_.EntriesOnDisk);
  w.U16(endOfCentralDir_.TotalEntries);
  w.U32(endOfCentralDir_.CentralDirSize);
  w.U32(endOfCentralDir_.CentralDirOffset);
  w.U16(endOfCentralDir_.CommentLength);
  put(std::string_view(reinterpret_cast<char*>(end), sizeof end));
  put(comment_);
  stream.WriteBuffer(buf.data(), static_cast<int64_t>(buf.size()));
}

bool TZipFile::HasZipSignature(std::string_view head) {
  return head.size() >= 4 && head.substr(0, 4) == std::string_view("PK\x03\x04", 4);
}

bool TZipFile::HasZipSignature(TStream& stream) {
  int64_t saved = stream.Position();
  char head[4];
  stream.SetPosition(0);
  int64_t got = stream.Read(head, 4);
  stream.SetPosition(saved);
  return got == 4 && HasZipSignature(std::string_view(head, 4));
}

// ---------------------------------------------------------------------------------------------------
// TZipEntryWriter

namespace {

// The most of the bytes before a piece that deflate can refer back to.
constexpr size_t kDictionaryBytes = size_t{1} << MAX_WBITS;

// One piece of a shared entry: its bytes, the bytes before it, what it deflates to and its CRC-32.
// Its buffers are kept from one round to the next.
struct TDeflatePiece {
  std::string_view data;
  std::string_view dictionary;
  std::string dataCopy, dictionaryCopy;  // the bytes when they do not lie in one place
  std::string out;
  size_t produced = 0;
  uint32_t crc = 0;
};

// Deflates a piece on its own, primed with its dictionary, ending it on a byte boundary (a sync
// flush), or with the stream's last block when last.
void DeflatePiece(TDeflatePiece& piece, bool last) {
  z_stream z{};
  if (!StartDeflate(z)) throw EZipError("The data cannot be compressed");
  struct TEnd {
    z_stream& z;
    ~TEnd() { deflateEnd(&z); }
  } end{z};
  if (!piece.dictionary.empty() && deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(piece.dictionary.data()),
                                                        static_cast<uInt>(piece.dictionary.size())) != Z_OK)
    throw EZipError("The data cannot be compressed");
  // A piece is far below 4 GiB: its counts fit zlib's.
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data.data()));
  z.avail_in = static_cast<uInt>(piece.data.size());
  piece.produced = 0;
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  for (;;) {
    if (piece.produced == piece.out.size()) piece.out.resize(std::max<size_t>(4096, piece.out.size() * 2));
    z.next_out = reinterpret_cast<Bytef*>(piece.out.data() + piece.produced);
    z.avail_out = static_cast<uInt>(piece.out.size() - piece.produced);
    const int ret = deflate(&z, flush);
    if (ret == Z_STREAM_ERROR) throw EZipError("The data cannot be compressed");
    piece.produced = piece.out.size() - z.avail_out;
    // Done once the stream's end is out, or (a sync flush) once all went in and room was left over.
    if (last ? ret == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0) break;
  }
  piece.crc = ZipCRC32Update(0, piece.data.data(), piece.data.size());
}

}  // namespace

struct TZipEntryWriter::TState {
  TZipFile zip;  // the one entry's records, filled in as SetUncompressed fills them
  z_stream z{};
  bool deflating = false;
  int64_t start = 0;
  uint64_t in = 0, out = 0;
  uint32_t crc = 0;
  std::vector<uint8_t> buffer;
  // Shared: the bytes held for the next round of pieces (fewer than a round), the last bytes
  // deflated before them (the next piece's dictionary), and the pieces with their buffers.
  TDeflateSharing sharing;
  std::string pending;
  std::string window;
  std::vector<TDeflatePiece> pieces;
  size_t Round() const { return sharing.Shares * sharing.PieceBytes; }
  ~TState() {
    if (deflating) deflateEnd(&z);
  }
};

TZipEntryWriter::TZipEntryWriter(TStream& stream, std::string_view fileName, TDeflateSharing sharing)
    : stream_(stream), state_(std::make_unique<TState>()) {
  TState& s = *state_;
  s.zip.AddFile(fileName);
  s.start = stream.Position();
  if (static_cast<uint64_t>(s.start) > kMax32) throw EZipError("The zip archive is too large");
  s.sharing = sharing;
  s.sharing.PieceBytes = std::clamp<size_t>(s.sharing.PieceBytes, 1, size_t{1} << 30);
  if (s.sharing.Shares > 1) {
    s.pending.reserve(s.Round());
  } else {
    if (!StartDeflate(s.z)) throw EZipError("The data cannot be compressed");
    s.deflating = true;
    s.buffer.resize(256 * 1024);
  }
  // The header as it will be, its CRC-32 and sizes still open.
  const std::string head = LocalHeader(s.zip.localFiles_[0]);
  stream.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
}

TZipEntryWriter::~TZipEntryWriter() = default;

void TZipEntryWriter::Deflate(const void* data, size_t size, int flush) {
  TState& s = *state_;
  s.z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  for (;;) {
    // avail_in is 32-bit: large data goes in pieces.
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    s.z.avail_in = piece;
    s.z.next_out = s.buffer.data();
    s.z.avail_out = static_cast<uInt>(s.buffer.size());
    const int last = piece == size ? flush : Z_NO_FLUSH;
    const int ret = deflate(&s.z, last);
    if (ret == Z_STREAM_ERROR) throw EZipError("The data cannot be compressed");
    size -= piece - s.z.avail_in;
    const size_t produced = s.buffer.size() - s.z.avail_out;
    s.out += produced;
    if (s.out > kMax32) throw EZipError("The compressed data is too large for a zip entry");
    if (produced > 0) stream_.WriteBuffer(s.buffer.data(), static_cast<int64_t>(produced));
    if (last == Z_FINISH ? ret == Z_STREAM_END : size == 0 && s.z.avail_out != 0) return;
  }
}

void TZipEntryWriter::Write(std::string_view data) {
  TState& s = *state_;
  if (data.empty()) return;
  s.in += data.size();
  if (s.in > kMax32) throw EZipError("The data is too large for a zip entry");
  if (s.sharing.Shares <= 1) {
    s.crc = ZipCRC32Update(s.crc, data.data(), data.size());
    Deflate(data.data(), data.size(), Z_NO_FLUSH);
    return;
  }
  // Whole rounds are deflated from where the bytes lie; what is held is joined to the first one.
  const size_t round = s.Round();
  if (s.pending.size() + data.size() < round) {
    s.pending.append(data);
    return;
  }
  const size_t first = round - s.pending.size();
  DeflateShared(data.substr(0, first), false);
  data.remove_prefix(first);
  for (; data.size() >= round; data.remove_prefix(round)) DeflateShared(data.substr(0, round), false);
  s.pending.assign(data);
}

void TZipEntryWriter::DeflateShared(std::string_view fresh, bool last) {
  TState& s = *state_;
  const std::string_view held = s.pending;
  // The round's bytes are held + fresh, after the window: position 0 is where held begins.
  const ptrdiff_t heldEnd = static_cast<ptrdiff_t>(held.size());
  const ptrdiff_t total = heldEnd + static_cast<ptrdiff_t>(fresh.size());
  // Bytes [a, b) of window + held + fresh: where they lie, or copied into scratch when they lie in
  // more than one place.
  auto span = [&](ptrdiff_t a, ptrdiff_t b, std::string& scratch) -> std::string_view {
    const std::string_view parts[] = {s.window, held, fresh};
    const ptrdiff_t starts[] = {-static_cast<ptrdiff_t>(s.window.size()), 0, heldEnd};
    for (int i = 0; i < 3; ++i)
      if (a >= starts[i] && b <= starts[i] + static_cast<ptrdiff_t>(parts[i].size()))
        return parts[i].substr(static_cast<size_t>(a - starts[i]), static_cast<size_t>(b - a));
    scratch.clear();
    for (int i = 0; i < 3; ++i) {
      const ptrdiff_t from = std::max(a, starts[i]),
                      to = std::min(b, starts[i] + static_cast<ptrdiff_t>(parts[i].size()));
      if (from < to)
        scratch.append(parts[i].substr(static_cast<size_t>(from - starts[i]), static_cast<size_t>(to - from)));
    }
    return scratch;
  };
  // Pieces of about PieceBytes each (the last round may be one empty piece: the stream's end).
  const size_t count = std::max<size_t>(1, static_cast<size_t>(total) / s.sharing.PieceBytes);
  if (s.pieces.size() < count) s.pieces.resize(count);
  for (size_t k = 0; k < count; ++k) {
    TDeflatePiece& piece = s.pieces[k];
    const ptrdiff_t from = total * static_cast<ptrdiff_t>(k) / static_cast<ptrdiff_t>(count);
    const ptrdiff_t to = total * static_cast<ptrdiff_t>(k + 1) / static_cast<ptrdiff_t>(count);
    piece.data = span(from, to, piece.dataCopy);
    // The bytes right before the piece, as far back as deflate can look.
    const ptrdiff_t back =
        std::max(from - static_cast<ptrdiff_t>(kDictionaryBytes), -static_cast<ptrdiff_t>(s.window.size()));
    piece.dictionary = span(back, from, piece.dictionaryCopy);
    // Room for what the piece deflates to, made here so that it is kept for the next round.
    const size_t bound = piece.data.size() + (piece.data.size() >> 12) + (piece.data.size() >> 14) + 64;
    if (piece.out.size() < bound) piece.out.resize(bound);
  }
  platform::RunShared(count, [&](size_t k) { DeflatePiece(s.pieces[k], last && k + 1 == count); });
  // In order: the pieces' bytes, their CRC-32 joined to the entry's.
  for (size_t k = 0; k < count; ++k) {
    const TDeflatePiece& piece = s.pieces[k];
    s.crc = static_cast<uint32_t>(crc32_combine(s.crc, piece.crc, static_cast<z_off_t>(piece.data.size())));
    s.out += piece.produced;
    if (s.out > kMax32) throw EZipError("The compressed data is too large for a zip entry");
    stream_.WriteBuffer(piece.out.data(), static_cast<int64_t>(piece.produced));
  }
  // The next round's first dictionary: the last bytes deflated so far.
  std::string scratch;
  const std::string_view tail =
      span(std::max(total - static_cast<ptrdiff_t>(kDictionaryBytes), -static_cast<ptrdiff_t>(s.window.size())), total,
           scratch);
  std::string next(tail);
  s.window.swap(next);
  s.pending.clear();
}

void TZipEntryWriter::Finish() {
  TState& s = *state_;
  if (s.sharing.Shares > 1) {
    DeflateShared({}, true);
  } else {
    Deflate(nullptr, 0, Z_FINISH);
    deflateEnd(&s.z);
    s.deflating = false;
  }
  TLocalFile& local = s.zip.localFiles_[0];
  local.CRC32 = s.crc;
  local.CompressedSize = static_cast<uint32_t>(s.out);
  local.UncompressedSize = static_cast<uint32_t>(s.in);
  FillCentralFromLocal(s.zip.centralFiles_[0], local);
  s.zip.centralFiles_[0].LocalHeaderOffset = static_cast<uint32_t>(s.start);
  const uint64_t centralStart = static_cast<uint64_t>(s.start) + RecordSize(local) + s.out;
  if (centralStart > kMax32) throw EZipError("The zip archive is too large");
  // The header's CRC-32 and sizes, now known.
  uint8_t fields[12];
  FieldWriter w(fields);
  w.U32(local.CRC32);
  w.U32(local.CompressedSize);
  w.U32(local.UncompressedSize);
  stream_.SetPosition(s.start + 14);
  stream_.WriteBuffer(fields, sizeof fields);
  stream_.SetPosition(static_cast<int64_t>(centralStart));
  s.zip.SaveDirectoryToStream(stream_, centralStart);
}
