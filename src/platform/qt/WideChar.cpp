// Character services over Qt's Unicode tables, with ASCII answered without a call into Qt.
#include "platform/WideChar.h"

#include <QChar>

namespace widechar {

char16_t ToUpper(char16_t c) {
  if (c < 0x80) return AsciiToUpper(c);
  if (QChar::isSurrogate(c)) return c;
  char32_t m = QChar::toUpper(char32_t(c));
  return m > 0xFFFF ? c : char16_t(m);
}

char16_t ToLower(char16_t c) {
  if (c < 0x80) return AsciiToLower(c);
  if (QChar::isSurrogate(c)) return c;
  char32_t m = QChar::toLower(char32_t(c));
  return m > 0xFFFF ? c : char16_t(m);
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
  return !QChar::isSurrogate(c) && QChar::isLetter(char32_t(c));
}

bool IsDigit(char16_t c) {
  if (c < 0x80) return c >= u'0' && c <= u'9';
  return !QChar::isSurrogate(c) && QChar::isDigit(char32_t(c));
}

bool IsLetterOrDigit(char16_t c) { return IsLetter(c) || IsDigit(c); }

bool IsUpper(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z';
  return !QChar::isSurrogate(c) && (QChar::isUpper(char32_t(c)) || QChar::isTitleCase(char32_t(c)));
}

bool IsLower(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z';
  return !QChar::isSurrogate(c) && QChar::isLower(char32_t(c));
}

bool IsSpace(char16_t c) {
  if (c < 0x80) return c == u' ' || (c >= 0x09 && c <= 0x0D);
  return !QChar::isSurrogate(c) && QChar::isSpace(char32_t(c));
}

bool IsPunctuation(char16_t c) {
  if (QChar::isSurrogate(c)) return false;
  return QChar::isPunct(char32_t(c));
}

}  // namespace widechar
