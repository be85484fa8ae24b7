#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace codepage {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Code point to byte, for the two ranges that hold every character of the code page beyond ASCII:
// U+0080..U+07FF (Latin-1 and the letters of 0x8A..0x9F) and U+2000..U+213F (dashes, quotes, euro,
// trade mark). 0 means the code page has no byte for it (no character beyond ASCII maps to 0).
constexpr char32_t kPunctuationBase = 0x2000;
struct TFromUnicode {
  std::array<unsigned char, 0x800> low{};
  std::array<unsigned char, 0x140> punctuation{};
  constexpr TFromUnicode() {
    for (int b = 0xA0; b <= 0xFF; ++b) low[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
    for (int k = 0; k < 32; ++k) {
      const char32_t ch = kHigh[k];
      if (ch < 0x800)
        low[ch] = static_cast<unsigned char>(0x80 + k);
      else
        punctuation[ch - kPunctuationBase] = static_cast<unsigned char>(0x80 + k);
    }
  }
};
constexpr TFromUnicode kFromUnicode;

// The byte of a code point beyond ASCII, 0 when there is none.
inline unsigned char HighByteOf(char32_t ch) {
  if (ch < 0x800) return kFromUnicode.low[ch];
  if (ch - kPunctuationBase < kFromUnicode.punctuation.size()) return kFromUnicode.punctuation[ch - kPunctuationBase];
  return 0;
}

// The UTF-8 of each byte beyond ASCII: its two or three bytes (first in the lowest byte, as they are
// stored on this little-endian machine) and their count.
struct TToUtf8 {
  std::array<uint32_t, 128> bytes{};
  std::array<unsigned char, 128> length{};
  constexpr TToUtf8() {
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char32_t ch = b < 0xA0 ? kHigh[b - 0x80] : static_cast<char32_t>(b);
      const size_t k = static_cast<size_t>(b - 0x80);
      if (ch < 0x800) {
        bytes[k] = (0xC0 | (ch >> 6)) | (0x80 | (ch & 0x3F)) << 8;
        length[k] = 2;
      } else {
        bytes[k] = (0xE0 | (ch >> 12)) | (0x80 | ((ch >> 6) & 0x3F)) << 8 | (0x80 | (ch & 0x3F)) << 16;
        length[k] = 3;
      }
    }
  }
};
constexpr TToUtf8 kToUtf8;
static_assert(std::endian::native == std::endian::little);

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// The end of the run of ASCII bytes starting at i.
inline size_t AsciiRunEnd(const char* p, size_t i, size_t n) {
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & kHighBits) break;
  }
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

// Decodes one code point from UTF-8 at i (advancing i); bad sequences give U+FFFD and advance one byte.
char32_t DecodeUtf8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<size_t>(len) > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<size_t>(len);
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one code point from UTF-16 at i; a lone surrogate gives U+FFFD.
char32_t DecodeUtf16(std::u16string_view s, size_t& i) {
  char16_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i] - 0xDC00);
    ++i;
    return cp;
  }
  if (c >= 0xD800 && c <= 0xDFFF) return 0xFFFD;
  return c;
}

}  // namespace

char16_t Cp1252ToChar(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

int CharToCp1252(char32_t ch) {
  if (ch < 0x80) return static_cast<int>(ch);
  const unsigned char b = HighByteOf(ch);
  return b ? b : -1;
}

std::u16string Cp1252ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char b : bytes) out += Cp1252ToChar(static_cast<unsigned char>(b));
  return out;
}

std::string Utf16ToCp1252(std::u16string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    int b = CharToCp1252(DecodeUtf16(text, i));
    out += b < 0 ? replacement : static_cast<char>(b);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = DecodeUtf8(utf8, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, DecodeUtf16(text, i));
  return out;
}

namespace {

// Every byte's UTF-8 (first byte lowest) with its length in the top byte; ASCII stands for itself.
struct TByteToUtf8 {
  std::array<uint32_t, 256> entry{};
  constexpr TByteToUtf8() {
    for (uint32_t b = 0; b < 0x80; ++b) entry[b] = b | 1u << 24;
    for (size_t k = 0; k < 128; ++k) entry[0x80 + k] = kToUtf8.bytes[k] | uint32_t{kToUtf8.length[k]} << 24;
  }
};
constexpr TByteToUtf8 kByteToUtf8;

inline uint32_t EntryOf(char c) {
  return kByteToUtf8.entry[static_cast<unsigned char>(c)];
}

// The length of the UTF-8 of n Windows-1252 bytes.
size_t Utf8SizeOf(const char* p, size_t n) {
  size_t size = n;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    const uint64_t high = word & kHighBits;
    if (!high) continue;
    size += static_cast<size_t>(std::popcount(high));  // one more for each byte beyond ASCII
    // Only 0x80..0x9F may take three: the bytes whose top three bits are 100 (exact per byte, no
    // carry crosses a byte).
    const uint64_t x = (word & 0xE0E0E0E0E0E0E0E0ULL) ^ kHighBits;
    for (uint64_t c1 = ~(((x & 0x7F7F7F7F7F7F7F7FULL) + 0x7F7F7F7F7F7F7F7FULL) | x) & kHighBits; c1; c1 &= c1 - 1)
      size += (EntryOf(p[i + (std::countr_zero(c1) >> 3)]) >> 24) - 2u;
  }
  for (; i < n; ++i) size += (EntryOf(p[i]) >> 24) - 1u;
  return size;
}

// Writes the UTF-8 of the eight bytes at p to o and moves o past it. Each byte's four table bytes
// are stored whole, so up to three bytes beyond the result may be written: the caller leaves room.
// A word beyond ASCII takes no branch per byte (such bytes are too frequent in real texts for
// branches to be guessed well).
inline void WidenWord(const char* p, char*& o) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  if (!(word & kHighBits)) {
    std::memcpy(o, &word, 8);
    o += 8;
    return;
  }
  for (unsigned j = 0; j < 64; j += 8) {
    const uint32_t e = kByteToUtf8.entry[(word >> j) & 0xFF];
    std::memcpy(o, &e, 4);
    o += e >> 24;
  }
}

// Writes the UTF-8 of n bytes to o, exactly Utf8SizeOf(p, n) bytes and not one beyond.
void Cp1252ToUtf8Into(const char* p, size_t n, char* o) {
  size_t i = 0;
  // At least as many output bytes remain as input bytes, and 9 input bytes at least follow each byte
  // of a word here: a whole word, or a byte's four table bytes, may be stored; what follows the bytes
  // that count is overwritten next.
  for (; i + 16 <= n; i += 8) WidenWord(p + i, o);
  for (; i < n; ++i) {
    const uint32_t e = EntryOf(p[i]);
    for (unsigned k = 0; k < (e >> 24); ++k) *o++ = static_cast<char>(e >> (8 * k));
  }
}

}  // namespace

TUtf8Repair RepairUtf8(std::string& text, std::string* original) {
  TUtf8Repair result;
  const std::string_view s = text;
  const size_t n = s.size();
  std::string repaired;  // begun at the first bad byte
  size_t kept = 0;       // s up to here is in repaired
  for (size_t i = AsciiRunEnd(s.data(), 0, n); i < n; i = AsciiRunEnd(s.data(), i, n)) {
    const size_t at = i;
    // A bad byte decodes alone as U+FFFD; a U+FFFD written in the text takes its three bytes.
    if (DecodeUtf8(s, i) != 0xFFFD || i != at + 1) continue;
    if (result.Replaced++ == 0) {
      result.First = at;
      repaired.reserve(n + 64);
    }
    repaired.append(s.substr(kept, at - kept));
    repaired += "\xEF\xBF\xBD";
    kept = i;
  }
  if (result.Replaced == 0) return result;
  repaired.append(s.substr(kept));
  if (original) original->swap(text);
  text = std::move(repaired);
  return result;
}

bool HasHighByte(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & kHighBits) return true;
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) >= 0x80) return true;
  return false;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  // A text of a few kilobytes (most texts of a databank) is written to the stack at once, with room
  // for the longest result, and copied out: no pass to count its size first.
  constexpr size_t kOnStack = 8192;
  if (n <= kOnStack) {
    char scratch[3 * kOnStack + 16];
    char* o = scratch;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) WidenWord(p + i, o);
    for (; i < n; ++i) {
      const uint32_t e = EntryOf(p[i]);
      std::memcpy(o, &e, 4);
      o += e >> 24;
    }
    return std::string(scratch, static_cast<size_t>(o - scratch));
  }
  std::string out(Utf8SizeOf(p, n), '\0');
  Cp1252ToUtf8Into(p, n, out.data());
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8, char replacement) {
  const char* p = utf8.data();
  const size_t n = utf8.size();
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n;) {
    const size_t end = AsciiRunEnd(p, i, n);
    out.append(p + i, end - i);
    i = end;
    if (i < n) {
      int b = CharToCp1252(DecodeUtf8(utf8, i));
      out += b < 0 ? replacement : static_cast<char>(b);
    }
  }
  return out;
}

bool NarrowUtf8ToCp1252(std::string& text, size_t from) {
  char* p = text.data();
  const size_t n = text.size();
  auto continuation = [p](size_t i) { return (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80; };
  size_t r = std::min(from, n);
  size_t w = r;
  // The write position never passes the read position: a word is read before it is written, and a
  // character beyond ASCII becomes one byte out of two or three.
  while (r < n) {
    size_t ascii;  // ASCII bytes before the next byte beyond it
    if (r + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, p + r, 8);
      const uint64_t high = word & kHighBits;
      if (!high) {
        std::memcpy(p + w, &word, 8);
        r += 8;
        w += 8;
        continue;
      }
      ascii = static_cast<size_t>(std::countr_zero(high) >> 3);
      if (r - w >= 8) {
        std::memcpy(p + w, &word, 8);  // the bytes after the ASCII ones are overwritten next
      } else {
        for (size_t k = 0; k < ascii; ++k) p[w + k] = p[r + k];  // forward: w <= r
      }
    } else {
      ascii = AsciiRunEnd(p, r, n) - r;
      for (size_t k = 0; k < ascii; ++k) p[w + k] = p[r + k];
    }
    r += ascii;
    w += ascii;
    if (r == n) break;
    // Every character of the code page takes two or three bytes; anything else (four bytes,
    // overlong or broken sequences) has no byte.
    const unsigned char c = static_cast<unsigned char>(p[r]);
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF && r + 1 < n && continuation(r + 1)) {
      cp = (char32_t(c & 0x1F) << 6) | (static_cast<unsigned char>(p[r + 1]) & 0x3F);
      r += 2;
    } else if (c >= 0xE0 && c <= 0xEF && r + 2 < n && continuation(r + 1) && continuation(r + 2)) {
      cp = (char32_t(c & 0x0F) << 12) | (char32_t(static_cast<unsigned char>(p[r + 1]) & 0x3F) << 6) |
           (static_cast<unsigned char>(p[r + 2]) & 0x3F);
      if (cp < 0x800) return false;
      r += 3;
    } else {
      return false;
    }
    const unsigned char b = HighByteOf(cp);
    if (!b) return false;
    p[w++] = static_cast<char>(b);
  }
  text.resize(w);
  return true;
}

bool IsCp1252Representable(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      i = AsciiRunEnd(utf8.data(), i, utf8.size());
      continue;
    }
    size_t before = i;
    char32_t cp = DecodeUtf8(utf8, i);
    // A malformed byte decodes as U+FFFD, which the code page cannot hold either.
    if (cp == 0xFFFD && i == before + 1) return false;
    if (CharToCp1252(cp) < 0) return false;
  }
  return true;
}

bool IsCp1252Representable(std::u16string_view text) {
  for (size_t i = 0; i < text.size();)
    if (CharToCp1252(DecodeUtf16(text, i)) < 0) return false;
  return true;
}

char16_t Cp437ToChar(unsigned char byte) {
  static constexpr char16_t kHigh[128] = {
      0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
      0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
      0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
      0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
      0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
      0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
      0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
      0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
      0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
      0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
  };
  return byte < 0x80 ? static_cast<char16_t>(byte) : kHigh[byte - 0x80];
}

}  // namespace codepage
