// Character tests the compilers of both regex engines share.
#pragma once

namespace regexchars {

// The value of a hexadecimal digit, -1 for any other character.
inline int HexDigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace regexchars
