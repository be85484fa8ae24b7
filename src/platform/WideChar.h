// Character services for UTF-16 code units: case mapping and character classes.
// A unit is one char16_t; there is no surrogate-pair logic here (a surrogate is neither letter,
// digit nor space and maps to itself), which is what per-unit editor and regex routines expect.
// The non-ASCII answers come from the platform's own Unicode tables (UnicodeTables.h), which
// agree with the desktop's for every unit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace widechar {

// ASCII-only case mapping: 'a'..'z' <-> 'A'..'Z', every other unit unchanged. This is the
// single-byte case mapping of the ASCII letters, usable where folding must stay ASCII.
constexpr char16_t AsciiToUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}
constexpr char16_t AsciiToLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Simple (one unit to one unit) case mapping by the Unicode tables. A unit whose mapping is not a
// single BMP unit is returned unchanged, so mapped text always keeps its length.
char16_t ToUpper(char16_t c);
char16_t ToLower(char16_t c);

// Map n units in place.
void BufferToUpper(char16_t* p, std::size_t n);
void BufferToLower(char16_t* p, std::size_t n);

// Mapped copies (unit by unit; the empty string stays empty).
std::u16string UpperCase(std::u16string_view s);
std::u16string LowerCase(std::u16string_view s);

// Simple case folding, the one rule of every search that ignores letter case: two characters are
// the same letter in any case when their foldings are equal (Σ, σ and ς; K, k and the Kelvin sign).
// A unit whose folding would leave the Basic Multilingual Plane, and every surrogate, folds to itself;
// FoldCodePoint also folds the characters beyond U+FFFF.
char16_t Fold(char16_t c);
char32_t FoldCodePoint(char32_t c);
// Every character whose folding is folded (folded itself among them when it folds to itself), in
// increasing order; at most a handful. folded is a folding (FoldCodePoint gives it back unchanged).
std::u32string CaseVariants(char32_t folded);
// The foldings of those characters first..last beyond U+FFFF that fold to another, as ranges.
std::vector<std::pair<char32_t, char32_t>> FoldedRanges(char32_t first, char32_t last);
// Folded copies, character by character (a surrogate pair as one character, the length kept;
// bytes of UTF-8 that are not well formed are kept as they are).
std::u16string FoldUtf16(std::u16string_view s);
std::string FoldUtf8(std::string_view s);

// Character classes of one unit.
bool IsLetter(char16_t c);         // any Unicode letter category (L*)
bool IsDigit(char16_t c);          // decimal digit (Nd), not only '0'..'9'
bool IsLetterOrDigit(char16_t c);  // IsLetter || IsDigit
bool IsUpper(char16_t c);          // upper-case or title-case letter
bool IsLower(char16_t c);          // lower-case letter
bool IsSpace(char16_t c);          // white space: TAB..CR, space, NEL, NBSP and the Unicode separators
bool IsPunctuation(char16_t c);    // Unicode punctuation (P*)

}  // namespace widechar
