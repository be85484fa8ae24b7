// What the editor family needs of the window system, as plain C++: per-code-unit case mapping and
// character classes, and clipboard text. Implemented over Qt in platform/qt/EditorServices.cpp.
#pragma once

#include <string>
#include <string_view>

namespace editorservices {

// Simple case mapping of one UTF-16 code unit; the result is always one code unit (a unit whose
// mapping would leave the Basic Multilingual Plane, and every surrogate, is returned unchanged).
char16_t UpperUnit(char16_t ch);
char16_t LowerUnit(char16_t ch);
// Simple case folding of one code unit, with the same one-unit guarantee.
char16_t FoldUnit(char16_t ch);

// Letter and letter-or-digit tests of one code unit; surrogates are neither.
bool IsLetterUnit(char16_t ch);
bool IsLetterOrNumberUnit(char16_t ch);

// Clipboard text. Without a running GUI application the clipboard is empty and writes are ignored.
bool ClipboardHasText();
std::u16string ReadClipboardText();
void WriteClipboardText(std::u16string_view text);

}  // namespace editorservices
