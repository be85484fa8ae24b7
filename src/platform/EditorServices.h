// What the editor family needs of the window system, as plain C++, beyond the character services of
// WideChar.h: per-code-unit case folding and clipboard text. Implemented over Qt in
// platform/qt/EditorServices.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace editorservices {

// Simple case folding of one UTF-16 code unit; the result is always one code unit (a unit whose
// folding would leave the Basic Multilingual Plane, and every surrogate, is returned unchanged).
char16_t FoldUnit(char16_t ch);

// Clipboard text. Without a running GUI application the clipboard is empty and writes are ignored.
bool ClipboardHasText();
std::u16string ReadClipboardText();
void WriteClipboardText(std::u16string_view text);
// The text with a private format beside it (its MIME type and bytes), written in one step; without a
// clipboard service that carries private formats only the text is written.
void WriteClipboardTextWithData(std::u16string_view text, const std::string& mime, const std::string& data);
// The bytes of a private format on the clipboard; false when it offers none.
bool ReadClipboardData(const std::string& mime, std::string& data);

// Loads the editor's bitmap resource Name (drawn at 100% and 200%) as 0xAARRGGBB pixels. Scale 0 takes
// the screen's device pixel ratio (2 from 1.5 up); Scale receives the scale loaded. False when the
// resource is missing.
bool LoadEditorBitmap(const std::string& Name, int& Scale, int& Width, int& Height, std::vector<std::uint32_t>& Pixels);

}  // namespace editorservices
