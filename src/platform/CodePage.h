// The program's single-byte code page is Windows-1252, with our own table in both directions. Runs
// of ASCII, the bulk of any text, are passed on eight bytes at a time.
// The five bytes the code page leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 control of
// the same value, so every byte survives a round trip through UTF-16.
// UTF-8 that is not well formed decodes each bad byte as U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace codepage {

// The UTF-16 unit of a Windows-1252 byte.
char16_t Cp1252ToChar(unsigned char byte);
// The UTF-16 unit of an OEM (code page 437) byte, the table keyboard codes without a leading zero use.
char16_t Cp437ToChar(unsigned char byte);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int CharToCp1252(char32_t ch);

std::u16string Cp1252ToUtf16(std::string_view bytes);
// Characters without a Windows-1252 byte become replacement (one byte per code point).
std::string Utf16ToCp1252(std::u16string_view text, char replacement = '?');

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

// Whether any byte of bytes is beyond ASCII (0x80 and up); eight bytes a step.
bool HasHighByte(std::string_view bytes);
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');
// Turns the UTF-8 of text from position from on into Windows-1252 in place (it can only shrink).
// False when a character there has no byte in the code page or the UTF-8 is not well formed: text
// is then left half converted, and the caller must build it again.
bool NarrowUtf8ToCp1252(std::string& text, size_t from = 0);

// Text said to be UTF-8 made so: each byte that is not part of a well-formed sequence (a stray
// continuation byte, a cut or overlong sequence, a surrogate, a code point beyond U+10FFFF, the bytes
// C0, C1, F5-FF) is replaced by U+FFFD, as decoding reads it. A text that is well formed stays as it
// is, untouched (only its bytes beyond ASCII are looked at closely). When bytes were replaced and
// original is given, it receives the text as it was.
struct TUtf8Repair {
  size_t Replaced = 0;               // bytes replaced
  size_t First = std::string::npos;  // the offset of the first of them
};
TUtf8Repair RepairUtf8(std::string& text, std::string* original = nullptr);

// True when every character of the UTF-8 text has a Windows-1252 byte (a pure-ASCII text is
// answered without decoding).
bool IsCp1252Representable(std::string_view utf8);
bool IsCp1252Representable(std::u16string_view text);

}  // namespace codepage
