// The record filter's regular expressions on the two engines. An expression is written in the
// single-byte engine's syntax and names characters; it matches a record only where the record
// holds what it names, ignoring case by simple case folding when the filter does.
//
// An expression whose characters all have a Windows-1252 byte runs on the single-byte engine over
// the record's text taken to that code page (EngineBytes). A character of the text the code page
// lacks becomes a stand-in: a byte the expression names nowhere (no literal, no set, no letter or
// digit), which only the dot, negated sets and the negated classes match, as they match that
// character. Ignoring case, every byte is taken to the first byte of the code page with its
// folding (an upper-case letter), and a character outside the code page that folds as one inside
// it (the Kelvin sign as K, the long s as S, Greek mu as the micro sign) to that byte.
//
// Any other expression, holding a character outside the code page, runs on the wide engine over
// the record's characters, written in that engine's syntax by WideExpression with the same meaning.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace filterexpr {

// Ignoring case: each byte's representative, the first byte of the code page with its folding
// (so 'a'..'z' become 'A'..'Z' and é becomes É).
const std::array<unsigned char, 256>& CaseMap();
// The representative of the byte whose folding c has (c outside the code page), or -1 when no
// byte has it.
int FoldedByte(char32_t c);
// Whether the UTF-8 text holds a character beyond ASCII that folds as an ASCII letter (the Kelvin
// sign as k, the long s as s): the only ones that can stand where an ASCII letter is looked for.
bool HoldsAsciiFolding(std::string_view utf8);

// Appends the UTF-8 text as the single-byte engine takes it: Windows-1252 bytes (taken through
// CaseMap unless caseSensitive), a character without a byte (or a byte that is no well-formed
// UTF-8) as standIn, except that ignoring case one that folds as a byte of the code page (FoldedByte)
// becomes that byte. Every character gives one byte.
void AppendEngineBytes(std::string& out, std::string_view utf8, bool caseSensitive, unsigned char standIn);

// The expression (UTF-8, the single-byte engine's syntax, which the single-byte engine accepts:
// its syntax errors are its own) written for the wide engine with the same meaning: escapes the
// single-byte engine reads as the character itself stay that character, "{" is a literal, a set
// holds the members and ranges it writes (ranges by code point, a surrogate pair one character);
// \w is to be read with the word characters A-Z, a-z and "_" (WideWordChars). False, with the
// single-byte engine's message in error, for a range whose start comes after its end.
bool WideExpression(std::string_view expression, std::u16string& out, std::string& error);
inline constexpr std::u16string_view WideWordChars = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";

}  // namespace filterexpr
