// Character services over the platform's Unicode tables, with ASCII answered without a lookup.
#include "platform/WideChar.h"

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
