#include "platform/EditorServices.h"

#include "platform/Clipboard.h"
#include "platform/SystemServices.h"
#include "platform/WideChar.h"

namespace editorservices {

char16_t FoldUnit(char16_t ch) {
  return widechar::Fold(ch);
}

bool ClipboardHasText() {
  auto hook = platform::SystemServices().ClipboardHasText;
  return hook && hook();
}

std::u16string ReadClipboardText() {
  auto hook = platform::SystemServices().ReadClipboardText;
  return hook ? hook() : std::u16string();
}

void WriteClipboardText(std::u16string_view text) {
  if (auto hook = platform::SystemServices().WriteClipboardText) hook(text);
}

void WriteClipboardTextWithData(std::u16string_view text, const std::string& mime, const std::string& data) {
  const platform::TSystemServices& services = platform::SystemServices();
  if (services.WriteClipboardTextAndData)
    services.WriteClipboardTextAndData(text, {{mime, data}});
  else if (services.WriteClipboardText)
    services.WriteClipboardText(text);
}

bool ReadClipboardData(const std::string& mime, std::string& data) {
  const std::optional<std::string> block = platform::Clipboard().Read(mime);
  if (!block) return false;
  data = *block;
  return true;
}

bool LoadEditorBitmap(const std::string& Name, int& Scale, int& Width, int& Height,
                      std::vector<std::uint32_t>& Pixels) {
  auto hook = platform::SystemServices().LoadEditorBitmap;
  return hook && hook(Name, Scale, Width, Height, Pixels);
}

}  // namespace editorservices
