#include "printing/SynPadExport.h"

#include "platform/CodePage.h"

namespace {
constexpr const char16_t* kUntitled = u"Untitled";
}

const char* EncodingName(TSynEncoding Encoding) {
  switch (Encoding) {
    case seUTF8:
      return "UTF-8";
    case seUTF16LE:
      return "UTF-16 Little Endian";
    case seUTF16BE:
      return "UTF-16 Big Endian";
    case seAnsi:
      return "ANSI";
  }
  return "";
}

TSynCustomExporter::TSynCustomExporter() : fColor(syn::clWindow), fTitle(kUntitled) {
  fFont.SetColor(syn::clWindowText);
  ClearBuffer();
}

TSynCustomExporter::~TSynCustomExporter() = default;

std::string TSynCustomExporter::Encode(std::u16string_view Text) const {
  std::string out;
  switch (fEncoding) {
    case seUTF8:
      out = codepage::Utf16ToUtf8(Text);
      break;
    case seUTF16LE:
    case seUTF16BE: {
      out.resize(Text.size() * 2);
      const bool big = fEncoding == seUTF16BE;
      for (size_t i = 0; i < Text.size(); ++i) {
        const char lo = static_cast<char>(Text[i] & 0xFF), hi = static_cast<char>(Text[i] >> 8);
        out[2 * i] = big ? hi : lo;
        out[2 * i + 1] = big ? lo : hi;
      }
      break;
    }
    case seAnsi:
      out = WideToAnsi(Text);
      break;
  }
  return out;
}

void TSynCustomExporter::WriteToken(std::u16string_view Token) {
  if (Token.empty()) return;
  fBuffer += Encode(Token);
}

void TSynCustomExporter::ClearBuffer() {
  fBuffer.clear();
  fFirstAttribute = true;
  fCurrentAttribute = nullptr;
  fLastStyle = 0;
  fLastBG = platform::ColorToRGB(syn::clWindow);
  fLastFG = platform::ColorToRGB(syn::clWindowText);
}

void TSynCustomExporter::SetEncoding(TSynEncoding Value) {
  if (!(SupportedEncodings() & EncodingBit(Value))) {
    throw ESynEncoding(std::string(EncodingName(Value)) + " encoding is not supported by " + FormatName() +
                       "-exporter");
  }
  fEncoding = Value;
  fCharSize = (Value == seUTF16LE || Value == seUTF16BE) ? 2 : 1;
}

void TSynCustomExporter::SetHighlighter(TSynCustomHighlighter* Value) {
  fHighlighter = Value;
}

void TSynCustomExporter::SetTitle(std::u16string Value) {
  fTitle = Value.empty() ? kUntitled : std::move(Value);
}

TColor TSynCustomExporter::ResolvedBackground(const TSynHighlighterAttributes& Attribute) const {
  const TColor c = Attribute.Background();
  return platform::ColorToRGB(c == syn::clNone ? fColor : c);
}

TColor TSynCustomExporter::ResolvedForeground(const TSynHighlighterAttributes& Attribute) const {
  const TColor c = Attribute.Foreground();
  return platform::ColorToRGB(c == syn::clNone ? fFont.Color() : c);
}

void TSynCustomExporter::ApplyTokenAttribute(TSynHighlighterAttributes* Attribute) {
  if (!Attribute) return;
  const TColor bg = ResolvedBackground(*Attribute);
  const TColor fg = ResolvedForeground(*Attribute);
  const TFontStyles style = Attribute->Style();
  if (fFirstAttribute) {
    // Changes are counted against the defaults the buffer was cleared with.
    const bool bgChanged = fUseBackground && bg != fLastBG;
    const bool fgChanged = fg != fLastFG;
    fFirstAttribute = false;
    fLastBG = bg;
    fLastFG = fg;
    fLastStyle = style;
    fCurrentAttribute = Attribute;
    BeforeFirstAttribute(bgChanged, fgChanged, style);
    return;
  }
  const bool bgChanged = fUseBackground && bg != fLastBG;
  const bool fgChanged = fg != fLastFG;
  if (!bgChanged && !fgChanged && style == fLastStyle) return;
  CloseAttributeSpan(bgChanged, fgChanged, static_cast<TFontStyles>(fLastStyle & ~style));
  const TFontStyles added = static_cast<TFontStyles>(style & ~fLastStyle);
  fLastBG = bg;
  fLastFG = fg;
  fLastStyle = style;
  fCurrentAttribute = Attribute;
  OpenAttributeSpan(bgChanged, fgChanged, added);
}
