// Character services over the platform's Unicode tables, with ASCII answered without a lookup.
#include "platform/WideChar.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/UnicodeTables.h"

namespace widechar {

namespace {
bool Has(char16_t c, std::uint8_t flag) {
  return (unicodetables::Props(c).flags & flag) != 0;
}
}  // namespace

char16_t ToUpper(char16_t c) {
  if (c < 0x80) return AsciiToUpper(c);
  return char16_t(c + unicodetables::Props(c).upper);
}

char16_t ToLower(char16_t c) {
  if (c < 0x80) return AsciiToLower(c);
  return char16_t(c + unicodetables::Props(c).lower);
}

void BufferToUpper(char16_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = ToUpper(p[i]);
}

void BufferToLower(char16_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = ToLower(p[i]);
}

std::u16string UpperCase(std::u16string_view s) {
  std::u16string r(s);
  BufferToUpper(r.data(), r.size());
  return r;
}

std::u16string LowerCase(std::u16string_view s) {
  std::u16string r(s);
  BufferToLower(r.data(), r.size());
  return r;
}

char16_t Fold(char16_t c) {
  if (c < 0x80) return AsciiToLower(c);
  return char16_t(c + unicodetables::Props(c).fold);
}

char32_t FoldCodePoint(char32_t c) {
  if (c < 0x10000) return Fold(char16_t(c));
  const unicodetables::TFoldRun* runs = unicodetables::kSupplementaryFolds;
  const unicodetables::TFoldRun* end = runs + unicodetables::kSupplementaryFoldCount;
  const auto* run = std::upper_bound(runs, end, c, [](char32_t v, const auto& r) { return v < r.first; });
  if (run == runs || c > (run - 1)->last) return c;
  return char32_t(std::int64_t(c) + (run - 1)->delta);
}

namespace {
// The units of each folding, grouped by it: those of f are units[offset[f] .. offset[f + 1]).
struct TFoldGroups {
  std::vector<std::uint32_t> offset;
  std::vector<char16_t> units;
  TFoldGroups() : offset(0x10001, 0), units(0x10000) {
    for (std::uint32_t u = 0; u < 0x10000; ++u) ++offset[Fold(char16_t(u)) + 1];
    for (std::uint32_t f = 0; f < 0x10000; ++f) offset[f + 1] += offset[f];
    std::vector<std::uint32_t> at(offset.begin(), offset.end() - 1);
    for (std::uint32_t u = 0; u < 0x10000; ++u) units[at[Fold(char16_t(u))]++] = char16_t(u);
  }
};
}  // namespace

std::u32string CaseVariants(char32_t folded) {
  std::u32string out;
  if (folded < 0x10000) {
    static const std::unique_ptr<TFoldGroups> groups = std::make_unique<TFoldGroups>();
    for (std::uint32_t i = groups->offset[folded]; i < groups->offset[folded + 1]; ++i) out += groups->units[i];
    return out;
  }
  if (FoldCodePoint(folded) == folded) out += folded;
  for (std::size_t i = 0; i < unicodetables::kSupplementaryFoldCount; ++i) {
    const unicodetables::TFoldRun& r = unicodetables::kSupplementaryFolds[i];
    const std::int64_t from = std::int64_t(folded) - r.delta;
    if (from >= std::int64_t(r.first) && from <= std::int64_t(r.last)) out += char32_t(from);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::pair<char32_t, char32_t>> FoldedRanges(char32_t first, char32_t last) {
  std::vector<std::pair<char32_t, char32_t>> out;
  for (std::size_t k = 0; k < unicodetables::kSupplementaryFoldCount; ++k) {
    const unicodetables::TFoldRun& run = unicodetables::kSupplementaryFolds[k];
    const char32_t from = std::max(first, run.first), to = std::min(last, run.last);
    if (from <= to) out.emplace_back(char32_t(std::int64_t(from) + run.delta), char32_t(std::int64_t(to) + run.delta));
  }
  return out;
}

std::u16string FoldUtf16(std::u16string_view s) {
  std::u16string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char16_t c = out[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (out[i + 1] - 0xDC00);
      const char32_t f = FoldCodePoint(cp);
      out[i] = char16_t(0xD800 + ((f - 0x10000) >> 10));
      out[i + 1] = char16_t(0xDC00 + ((f - 0x10000) & 0x3FF));
      ++i;
      continue;
    }
    out[i] = Fold(c);
  }
  return out;
}

std::string FoldUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  auto continuation = [&](std::size_t i) { return i < n && (p[i] & 0xC0) == 0x80; };
  for (std::size_t i = 0; i < n;) {
    const unsigned b = p[i];
    if (b < 0x80) {
      out += char(b >= 'A' && b <= 'Z' ? b + 32 : b);
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF && continuation(i + 1)) {
      len = 2;
      cp = char32_t(b & 0x1F) << 6 | (p[i + 1] & 0x3F);
    } else if (b >= 0xE0 && b <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
      len = 3;
      cp = char32_t(b & 0x0F) << 12 | char32_t(p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) len = 0;
    } else if (b >= 0xF0 && b <= 0xF4 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
      len = 4;
      cp = char32_t(b & 0x07) << 18 | char32_t(p[i + 1] & 0x3F) << 12 | char32_t(p[i + 2] & 0x3F) << 6 |
           (p[i + 3] & 0x3F);
      if (cp < 0x10000 || cp > 0x10FFFF) len = 0;
    }
    if (len == 0) {  // not well formed: kept as it is
      out += char(b);
      ++i;
      continue;
    }
    i += len;
    const char32_t f = FoldCodePoint(cp);
    if (f < 0x80) {  // the Kelvin sign and the long s fold as ASCII letters
      out += char(f);
    } else if (f < 0x800) {
      out += char(0xC0 | (f >> 6));
      out += char(0x80 | (f & 0x3F));
    } else if (f < 0x10000) {
      out += char(0xE0 | (f >> 12));
      out += char(0x80 | ((f >> 6) & 0x3F));
      out += char(0x80 | (f & 0x3F));
    } else {
      out += char(0xF0 | (f >> 18));
      out += char(0x80 | ((f >> 12) & 0x3F));
      out += char(0x80 | ((f >> 6) & 0x3F));
      out += char(0x80 | (f & 0x3F));
    }
  }
  return out;
}

bool IsLetter(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  return Has(c, unicodetables::kLetter);
}

bool IsDigit(char16_t c) {
  if (c < 0x80) return c >= u'0' && c <= u'9';
  return Has(c, unicodetables::kDigit);
}

bool IsLetterOrDigit(char16_t c) {
  return IsLetter(c) || IsDigit(c);
}

bool IsUpper(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z';
  return Has(c, unicodetables::kUpper);
}

bool IsLower(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z';
  return Has(c, unicodetables::kLower);
}

bool IsSpace(char16_t c) {
  if (c < 0x80) return c == u' ' || (c >= 0x09 && c <= 0x0D);
  return Has(c, unicodetables::kSpace);
}

bool IsPunctuation(char16_t c) {
  return Has(c, unicodetables::kPunct);
}

}  // namespace widechar
