#include "printing/SynExportHTML.h"

#include <cstdio>

#include "editor/SynPadMiscProcs.h"
#include "platform/CodePage.h"

namespace {

std::u16string Wide(std::string_view ascii) {
  return codepage::Utf8ToUtf16(ascii);
}

const char* CharsetName(TSynEncoding Encoding) {
  switch (Encoding) {
    case seUTF8:
      return "UTF-8";
    case seUTF16LE:
    case seUTF16BE:
      return "UTF-16";
    case seAnsi:
      return "ANSI is Unsupported";
  }
  return "";
}

std::string Narrow(std::u16string_view text) {
  return codepage::Utf16ToUtf8(text);
}

constexpr const char* kStartFragment = "<!--StartFragment--><pre><code>";
constexpr const char* kEndFragment = "</code></pre><!--EndFragment-->";
constexpr const char* kDocumentEnd = "</body>\r\n</html>";
constexpr int kDescriptionLength = 105;

}  // namespace

std::string HtmlClassName(std::string_view UniqueAttributeName) {
  std::string out;
  out.reserve(UniqueAttributeName.size());
  for (char c : UniqueAttributeName) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c == '.' || c == '_') c = '-';
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') out += c;
  }
  return out;
}

std::string HtmlColor(TColor Color) {
  const TColor rgb = platform::ColorToRGB(Color);
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", platform::GetRValue(rgb), platform::GetGValue(rgb),
                platform::GetBValue(rgb));
  return text;
}

TSynExporterHTML::TSynExporterHTML() {
  fClipboardFormat = "text/html";
  SetDefaultFilter("HTML Documents (*.htm;*.html)|*.htm;*.html");
  SetEncoding(seUTF8);
}

std::string TSynExporterHTML::ClassOf(TSynHighlighterAttributes* Attribute) {
  if (fClassNamesOf != Highlighter() || fClassNames.empty()) {
    fClassNames.clear();
    fClassNamesOf = Highlighter();
    EnumHighlighterAttributes(
        Highlighter(), true,
        [this](TSynCustomHighlighter*, TSynHighlighterAttributes* a, const std::string& name, void*) {
          fClassNames.emplace(a, HtmlClassName(name));
          return true;
        },
        nullptr);
  }
  const auto it = fClassNames.find(Attribute);
  // An attribute the highlighter does not list still gets a class: its own name.
  return it != fClassNames.end() ? it->second : HtmlClassName(Attribute->Name());
}

void TSynExporterHTML::WriteOpenSpan() {
  TSynHighlighterAttributes* a = CurrentAttribute();
  WriteToken(Wide("<span class=\"" + (a ? ClassOf(a) : std::string()) + "\">"));
}

void TSynExporterHTML::CloseAttributeSpan(bool, bool, TFontStyles) {
  WriteToken(u"</span>");
}
void TSynExporterHTML::OpenAttributeSpan(bool, bool, TFontStyles) {
  WriteOpenSpan();
}
void TSynExporterHTML::AfterLastAttribute() {
  WriteToken(u"</span>");
}
void TSynExporterHTML::BeforeFirstAttribute(bool, bool, TFontStyles) {
  WriteOpenSpan();
}
void TSynExporterHTML::WriteNewLine() {
  WriteToken(u"\r\n");
}

std::u16string TSynExporterHTML::EscapeChar(char16_t C) const {
  switch (C) {
    case u'"':
      return u"&quot;";
    case u'&':
      return u"&amp;";
    case u'<':
      return u"&lt;";
    case u'>':
      return u"&gt;";
    default:
      return {};
  }
}

bool TSynExporterHTML::NeedsByteOrderMark() const {
  return Encoding() == seUTF16LE || Encoding() == seUTF16BE;
}

TSynEncodings TSynExporterHTML::SupportedEncodings() const {
  return EncodingBit(seUTF8) | EncodingBit(seUTF16LE) | EncodingBit(seUTF16BE);
}

std::string TSynExporterHTML::AttributeRule(const std::string& ClassName,
                                            const TSynHighlighterAttributes& Attribute) const {
  std::string rule = "." + ClassName + " { ";
  if (UseBackground() && Attribute.Background() != syn::clNone)
    rule += "background-color: " + HtmlColor(Attribute.Background()) + "; ";
  if (Attribute.Foreground() != syn::clNone) rule += "color: " + HtmlColor(Attribute.Foreground()) + "; ";
  const TFontStyles s = Attribute.Style();
  if (s & syn::fsBold) rule += "font-weight: bold; ";
  if (s & syn::fsItalic) rule += "font-style: italic; ";
  if (s & syn::fsUnderline) rule += "text-decoration: underline; ";
  if (s & syn::fsStrikeOut) rule += "text-decoration: line-through; ";
  return rule + "}";
}

std::string TSynExporterHTML::StyleSheet() {
  std::string sheet;
  EnumHighlighterAttributes(
      Highlighter(), true,
      [&](TSynCustomHighlighter*, TSynHighlighterAttributes* a, const std::string& name, void*) {
        sheet += AttributeRule(HtmlClassName(name), *a) + "\r\n";
        return true;
      },
      nullptr);
  return sheet;
}

std::string TSynExporterHTML::DocumentHead() {
  const std::string charset = CharsetName(Encoding());
  // The title is text of the user's; escaped so the head stays well formed.
  std::u16string title;
  for (char16_t c : Title()) {
    const std::u16string e = EscapeChar(c);
    if (e.empty())
      title += c;
    else
      title += e;
  }
  std::string head;
  head += "<?xml version=\"1.0\" encoding=\"" + charset + "\"?>\r\n";
  head +=
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\r\n";
  head += "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n";
  head += "<head>\r\n";
  head += "<title>" + Narrow(title) + "</title>\r\n";
  head += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset + "\" />\r\n";
  head += "<meta name=\"generator\" content=\"SynPad HTML exporter\" />\r\n";
  head += "<style type=\"text/css\">\r\n";
  head += "<!--\r\n";
  head += "body { color: " + HtmlColor(Font().Color()) + "; background-color: " + HtmlColor(Color()) + "; }\r\n";
  head += StyleSheet();
  head += "-->\r\n";
  head += "</style>\r\n";
  head += "</head>\r\n";
  head += "<body>\r\n";
  return head;
}

std::u16string TSynExporterHTML::BuildHeader() {
  if (AsDocument()) {
    std::string text = CreateHTMLFragment() ? std::string() : DocumentHead();
    text += "<pre>\r\n<code><span style=\"font: " + std::to_string(Font().Size()) + "pt " + Font().Name() + ";\">";
    return Wide(text);
  }
  // The clipboard description: offsets count the single-byte head in characters and the body in
  // bytes, which agree for UTF-8, the only encoding the clipboard format takes.
  const std::string head = DocumentHead();
  const long long headLen = static_cast<long long>(head.size());
  const long long body = static_cast<long long>(BufferSize());
  const long long startHtml = kDescriptionLength;
  const long long startFragment = kDescriptionLength + headLen;
  const long long endFragment = startFragment + 31 + body + 31;
  const long long endHtml = startFragment + 31 + body + 47;
  char description[160];
  std::snprintf(
      description, sizeof description,
      "Version:0.9\r\nStartHTML:%.10lld\r\nEndHTML:%.10lld\r\nStartFragment:%.10lld\r\nEndFragment:%.10lld\r\n",
      startHtml, endHtml, startFragment, endFragment);
  return Wide(std::string(description) + head + kStartFragment);
}

std::u16string TSynExporterHTML::BuildFooter() {
  std::string text = AsDocument() ? "</span>\r\n</code></pre>\r\n" : kEndFragment;
  if (!(CreateHTMLFragment() && AsDocument())) text += kDocumentEnd;
  return Wide(text);
}
