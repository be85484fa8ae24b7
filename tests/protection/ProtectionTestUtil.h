// Helpers shared by the protection suites: hex conversion and streams that misbehave on purpose.
#pragma once

#include <random>
#include <string>

#include "platform/Streams.h"

namespace protecttest {

inline std::string FromHex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

inline std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

inline std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Databank-like text: XML records with code in CDATA, as a user's file holds.
inline std::string DataBankText(size_t n, uint32_t seed = 1) {
  std::mt19937 rng(seed);
  static const char* words[] = {"int",   "return", "void",  "for",    "while", "if",    "else", "std::string",
                                "value", "count",  "index", "buffer", "node",  "x",     "y",    "0",
                                "1",     "42",     "(",     ")",      "{",     "}",     ";",    "=",
                                "+",     "<",      ">",     "//",     "TODO",  "record"};
  std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot>\r\n";
  int id = 1;
  while (s.size() < n) {
    s += "<record id=\"" + std::to_string(id) + "\"><title>Snippet " + std::to_string(id) + "</title><code><![CDATA[";
    ++id;
    int len = 20 + static_cast<int>(rng() % 200);
    for (int i = 0; i < len; ++i) {
      s += words[rng() % (sizeof words / sizeof *words)];
      s += (rng() % 9 == 0) ? "\r\n  " : " ";
    }
    s += "]]></code></record>\r\n";
  }
  s.resize(n);
  return s;
}

// A memory stream that takes at most `limit` bytes in all, then refuses more.
class ShortWriteStream : public TMemoryStream {
 public:
  explicit ShortWriteStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t n = std::min(count, limit_);
    limit_ -= n;
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

 private:
  int64_t limit_;
};

// A stream that claims a larger size than it can deliver (a file cut while it is read).
class LyingSizeStream : public TStream {
 public:
  LyingSizeStream(std::string bytes, int64_t extra) : inner_(std::move(bytes)), extra_(extra) {}
  int64_t Read(void* buffer, int64_t count) override { return inner_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return inner_.Write(buffer, count); }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (origin == TSeekOrigin::soEnd) return inner_.Seek(offset + extra_, origin);
    return inner_.Seek(offset, origin);
  }
  int64_t Size() const override { return inner_.Size() + extra_; }
  void SetSize(int64_t size) override { inner_.SetSize(size); }

 private:
  TMemoryStream inner_;
  int64_t extra_;
};

}  // namespace protecttest
