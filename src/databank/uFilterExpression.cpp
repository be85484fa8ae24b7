#include "databank/uFilterExpression.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/WideChar.h"

namespace filterexpr {

namespace {

// The foldings of the code page's bytes and each one's representative, and the characters
// outside the code page that fold as one of them.
struct TCaseTables {
  std::array<unsigned char, 256> map{};
  std::vector<std::pair<char32_t, unsigned char>> folds;  // folding -> representative, sorted
  std::vector<char32_t> foreign;                          // sorted
  TCaseTables() {
    for (unsigned b = 256; b-- > 0;) {  // downwards: the first byte of each folding is kept
      const char32_t f = widechar::FoldCodePoint(codepage::Cp1252ToChar(static_cast<unsigned char>(b)));
      auto at = std::find_if(folds.begin(), folds.end(), [&](const auto& e) { return e.first == f; });
      if (at == folds.end())
        folds.emplace_back(f, static_cast<unsigned char>(b));
      else
        at->second = static_cast<unsigned char>(b);
    }
    std::sort(folds.begin(), folds.end());
    for (unsigned b = 0; b < 256; ++b)
      map[b] = Representative(widechar::FoldCodePoint(codepage::Cp1252ToChar(static_cast<unsigned char>(b))));
    for (const auto& [f, rep] : folds)
      for (char32_t v : widechar::CaseVariants(f))
        if (codepage::CharToCp1252(v) < 0) foreign.push_back(v);
    std::sort(foreign.begin(), foreign.end());
  }
  int Representative(char32_t folding) const {
    auto at = std::lower_bound(folds.begin(), folds.end(), std::make_pair(folding, static_cast<unsigned char>(0)));
    return at != folds.end() && at->first == folding ? at->second : -1;
  }
};

const TCaseTables& Tables() {
  static const TCaseTables tables;
  return tables;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;

// 'a'..'z' of eight ASCII bytes upper-cased (see uTextSearchUtils.cpp).
std::uint64_t UpperAZWord(std::uint64_t w) {
  const std::uint64_t low = w & ~kHigh;
  const std::uint64_t lower = (low + kOnes * (0x80 - 'a')) & ~(low + kOnes * (0x80 - 'z' - 1)) & ~w & kHigh;
  return w ^ (lower >> 2);
}

// Decodes the well-formed UTF-8 character at p[i] (not ASCII); 0 when there is none there.
std::size_t DecodeAt(const unsigned char* p, std::size_t n, std::size_t i, char32_t& c) {
  auto cont = [&](std::size_t k) { return i + k < n && (p[i + k] & 0xC0) == 0x80; };
  const unsigned b = p[i];
  if (b >= 0xC2 && b <= 0xDF && cont(1)) {
    c = char32_t(b & 0x1F) << 6 | (p[i + 1] & 0x3F);
    return 2;
  }
  if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
    c = char32_t(b & 0x0F) << 12 | char32_t(p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
    return c < 0x800 || (c >= 0xD800 && c <= 0xDFFF) ? 0 : 3;
  }
  if (b >= 0xF0 && b <= 0xF4 && cont(1) && cont(2) && cont(3)) {
    c = char32_t(b & 0x07) << 18 | char32_t(p[i + 1] & 0x3F) << 12 | char32_t(p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F);
    return c < 0x10000 || c > 0x10FFFF ? 0 : 4;
  }
  return 0;
}

}  // namespace

const std::array<unsigned char, 256>& CaseMap() {
  return Tables().map;
}

int FoldedByte(char32_t c) {
  return Tables().Representative(widechar::FoldCodePoint(c));
}

bool HoldsAsciiFolding(std::string_view utf8) {
  // The UTF-8 of each such character, found by its first byte.
  static const std::vector<std::string> sequences = [] {
    std::vector<std::string> out;
    for (char32_t c : Tables().foreign)
      if (FoldedByte(c) >= 0 && FoldedByte(c) < 0x80)
        out.push_back(codepage::Utf16ToUtf8(std::u16string(1, char16_t(c))));
    return out;
  }();
  for (const std::string& seq : sequences)
    for (std::size_t at = utf8.find(seq[0]); at != std::string_view::npos; at = utf8.find(seq[0], at + 1))
      if (utf8.compare(at, seq.size(), seq) == 0) return true;
  return false;
}

void AppendEngineBytes(std::string& out, std::string_view utf8, bool caseSensitive, unsigned char standIn) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t w = out.size();
  out.resize(w + n);  // every character takes at most as many bytes here
  char* o = out.data();
  const std::array<unsigned char, 256>& map = CaseMap();
  for (std::size_t i = 0; i < n;) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (!(word & kHigh)) {
        if (!caseSensitive) word = UpperAZWord(word);
        std::memcpy(o + w, &word, 8);
        i += 8;
        w += 8;
        continue;
      }
    }
    const unsigned b = p[i];
    if (b < 0x80) {
      o[w++] = static_cast<char>(caseSensitive ? b : map[b]);
      ++i;
      continue;
    }
    if ((b == 0xC2 || b == 0xC3) && i + 1 < n && (p[i + 1] & 0xC0) == 0x80 && (b == 0xC3 || p[i + 1] >= 0xA0)) {
      // U+00A0..U+00FF, the code page's bytes of the same value: the common accented letters.
      const unsigned byte = (b & 0x03) << 6 | (p[i + 1] & 0x3F);
      o[w++] = static_cast<char>(caseSensitive ? byte : map[byte]);
      i += 2;
      continue;
    }
    char32_t c = 0;
    const std::size_t len = DecodeAt(p, n, i, c);
    if (len == 0) {
      o[w++] = static_cast<char>(standIn);
      ++i;
      continue;
    }
    i += len;
    int byte = codepage::CharToCp1252(c);
    if (byte >= 0 && !caseSensitive) byte = map[static_cast<unsigned>(byte)];
    if (byte < 0 && !caseSensitive) byte = FoldedByte(c);
    o[w++] = static_cast<char>(byte >= 0 ? byte : standIn);
  }
  out.resize(w);
}

namespace {

// The expression's characters, a surrogate pair as one.
struct TReader {
  std::u32string text;
  std::size_t at = 0;
  bool AtEnd() const { return at >= text.size(); }
  char32_t Cur() const { return at < text.size() ? text[at] : 0; }
  char32_t Peek(std::size_t k) const { return at + k < text.size() ? text[at + k] : 0; }
};

int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return int(c - '0');
  if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
  return -1;
}

// The character of a one-byte escape (the reader at the byte after "\"; left at its last byte):
// "\n", "\r", "\t", "\e", "\x" and two hexadecimal digits (a byte of the code page), any other
// character itself. The single-byte engine has accepted the expression, so the digits are there.
char32_t EscapedChar(TReader& r) {
  switch (r.Cur()) {
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'e':
      return 27;
    case 'x': {
      const int v = HexValue(r.Peek(1)) * 16 + HexValue(r.Peek(2));
      r.at += 2;
      return codepage::Cp1252ToChar(static_cast<unsigned char>(v));
    }
    default:
      return r.Cur();
  }
}

// One character as a literal of the wide engine's syntax, whatever its meaning there.
void AppendLiteral(std::u16string& out, char32_t c) {
  const bool plain = (c >= 0x80 && !(c >= 0xD800 && c <= 0xDFFF)) || c == ' ' || c == '_' || (c >= '0' && c <= '9') ||
                     (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (c >= 0x10000) {
    out += char16_t(0xD800 + ((c - 0x10000) >> 10));
    out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else if (plain && !(c >= '0' && c <= '9')) {
    out += char16_t(c);
  } else {
    static const char kHex[] = "0123456789ABCDEF";
    out += u"\\x{";
    for (int shift = 12; shift >= 0; shift -= 4) out += char16_t(kHex[(c >> shift) & 15]);
    out += u'}';
  }
}

// A set, the reader after its "[": its members and ranges as written, ranges by code point.
bool AppendSet(TReader& r, std::u16string& out, std::string& error) {
  out += u'[';
  if (r.Cur() == '^') {
    out += u'^';
    ++r.at;
  }
  std::int64_t last = -1;  // the character a "-" after it starts a range from; -1: none
  auto member = [&](char32_t c) {
    AppendLiteral(out, c);
    last = c;
  };
  if (r.Cur() == ']' || r.Cur() == '-') {
    member(r.Cur());
    ++r.at;
  }
  while (!r.AtEnd() && r.Cur() != ']') {
    const char32_t c = r.Cur();
    if (c == '-') {
      ++r.at;
      const bool classNext = r.Cur() == '\\' && (r.Peek(1) == 'd' || r.Peek(1) == 'w');
      if (r.AtEnd() || r.Cur() == ']' || last < 0 || classNext) {
        member('-');
        continue;
      }
      char32_t end = r.Cur();
      if (end == '\\') {
        ++r.at;
        end = EscapedChar(r);
      }
      if (char32_t(last) > end) {
        error = "Invalid [] range";
        return false;
      }
      out += u'-';
      AppendLiteral(out, end);
      last = -1;
      ++r.at;
    } else if (c == '\\') {
      ++r.at;
      if (r.Cur() == 'd' || r.Cur() == 'w') {
        out += r.Cur() == 'd' ? u"\\d" : u"\\w";
        last = -1;
      } else {
        member(EscapedChar(r));
      }
      ++r.at;
    } else {
      member(c);
      ++r.at;
    }
  }
  out += u']';
  ++r.at;
  return true;
}

}  // namespace

bool WideExpression(std::string_view expression, std::u16string& out, std::string& error) {
  out.clear();
  TReader r;
  {
    const std::u16string units = codepage::Utf8ToUtf16(expression.substr(0, expression.find('\0')));
    for (std::size_t i = 0; i < units.size(); ++i) {
      const char16_t u = units[i];
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
        r.text += 0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
      } else {
        r.text += u;
      }
    }
  }
  while (!r.AtEnd()) {
    const char32_t c = r.Cur();
    switch (c) {
      case '\\': {
        ++r.at;
        const char32_t e = r.Cur();
        if (e == 'd' || e == 'D' || e == 'w' || e == 'W' || e == 'n' || e == 'r' || e == 't' || e == 'e') {
          out += u'\\';
          out += char16_t(e);
        } else {
          AppendLiteral(out, EscapedChar(r));
        }
        ++r.at;
        break;
      }
      case '[':
        ++r.at;
        if (!AppendSet(r, out, error)) return false;
        break;
      case '^':
      case '$':
      case '.':
      case '(':
      case ')':
      case '|':
      case '?':
      case '+':
      case '*':
        out += char16_t(c);
        ++r.at;
        break;
      default:
        AppendLiteral(out, c);
        ++r.at;
    }
  }
  return true;
}

}  // namespace filterexpr
