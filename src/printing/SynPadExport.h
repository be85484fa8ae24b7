// The base of the exporters that turn highlighted text into a document in a memory buffer. It owns
// the buffer, the output encoding, the font and the default colours, and tracks the attribute of the
// token last written, so a derived format supplies only its formatting hooks.
//
// A caller exporting text walks the tokens of each line itself: ApplyTokenAttribute(attribute), then
// WriteToken(text, with EscapeChar applied per character), WriteNewLine at each line end, and
// AfterLastAttribute once when at least one attribute was applied; BuildHeader and BuildFooter give
// the text that goes before and after the buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "editor/SynPadHighlighter.h"
#include "editor/SynPadMiscClasses.h"
#include "editor/SynUnicode.h"
#include "platform/Exceptions.h"

class ESynEncoding : public Exception {
 public:
  using Exception::Exception;
};

using TSynEncodings = unsigned;  // bit (1 << TSynEncoding)
inline constexpr TSynEncodings EncodingBit(TSynEncoding e) {
  return 1u << static_cast<unsigned>(e);
}

// "UTF-8", "UTF-16 Little Endian", "UTF-16 Big Endian", "ANSI".
const char* EncodingName(TSynEncoding Encoding);

class TSynCustomExporter : public TSynPersistent {
 public:
  TSynCustomExporter();
  ~TSynCustomExporter() override;
  TSynCustomExporter(const TSynCustomExporter&) = delete;
  TSynCustomExporter& operator=(const TSynCustomExporter&) = delete;

  // ---- formatting hooks ----
  virtual void CloseAttributeSpan(bool BackgroundChanged, bool ForegroundChanged, TFontStyles StylesRemoved) = 0;
  virtual void OpenAttributeSpan(bool BackgroundChanged, bool ForegroundChanged, TFontStyles StylesAdded) = 0;
  virtual void AfterLastAttribute() = 0;
  virtual void BeforeFirstAttribute(bool BackgroundChanged, bool ForegroundChanged, TFontStyles Style) = 0;
  // Writes the text into the buffer in the current encoding; empty text writes nothing.
  virtual void WriteToken(std::u16string_view Token);
  virtual void WriteNewLine() = 0;
  // The clipboard format the result is offered in, as the desktop names it (a MIME type).
  virtual std::string ClipboardFormatId() const { return fClipboardFormat; }
  virtual std::u16string BuildFooter() = 0;
  virtual std::string FormatName() const { return {}; }
  virtual std::u16string BuildHeader() = 0;
  // The replacement of a reserved character, or empty text when the character stays as it is.
  virtual std::u16string EscapeChar(char16_t C) const = 0;
  // Opens, closes or keeps the attribute span as the attribute's colours and style require.
  virtual void ApplyTokenAttribute(TSynHighlighterAttributes* Attribute);
  virtual bool NeedsByteOrderMark() const = 0;
  // Empties the buffer and forgets the last attribute written.
  virtual void ClearBuffer();
  virtual TSynEncodings SupportedEncodings() const = 0;

  // ---- data ----
  const std::string& Buffer() const { return fBuffer; }
  std::size_t BufferSize() const { return fBuffer.size(); }
  // Text in the current encoding (the bytes WriteToken would append).
  std::string Encode(std::u16string_view Text) const;

  TColor Color() const { return fColor; }
  void SetColor(TColor Value) { fColor = Value; }
  const std::string& DefaultFilter() const { return fDefaultFilter; }
  void SetDefaultFilter(std::string Value) { fDefaultFilter = std::move(Value); }
  TSynEncoding Encoding() const { return fEncoding; }
  // Raises ESynEncoding for an encoding this format does not support.
  void SetEncoding(TSynEncoding Value);
  bool AsDocument() const { return fAsDocument; }
  void SetAsDocument(bool Value) { fAsDocument = Value; }
  TSynFont& Font() { return fFont; }
  const TSynFont& Font() const { return fFont; }
  // Not owned; the caller clears it before the highlighter goes away.
  TSynCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TSynCustomHighlighter* Value);
  const std::u16string& Title() const { return fTitle; }
  // An empty title restores "Untitled".
  void SetTitle(std::u16string Value);
  bool UseBackground() const { return fUseBackground; }
  void SetUseBackground(bool Value) { fUseBackground = Value; }
  bool CreateHTMLFragment() const { return fCreateHTMLFragment; }
  void SetCreateHTMLFragment(bool Value) { fCreateHTMLFragment = Value; }

 protected:
  // The attribute's colours with "none" replaced by the defaults, resolved to RGB.
  TColor ResolvedBackground(const TSynHighlighterAttributes& Attribute) const;
  TColor ResolvedForeground(const TSynHighlighterAttributes& Attribute) const;
  TSynHighlighterAttributes* CurrentAttribute() const { return fCurrentAttribute; }

  std::string fClipboardFormat = "text/plain";

 private:
  std::string fBuffer;
  int fCharSize = 1;
  bool fFirstAttribute = true;
  TColor fColor;
  std::string fDefaultFilter;
  TSynEncoding fEncoding = seUTF8;
  bool fAsDocument = false;
  TSynFont fFont{"Courier New", 10};
  TSynCustomHighlighter* fHighlighter = nullptr;
  TColor fLastBG = 0;
  TColor fLastFG = 0;
  TFontStyles fLastStyle = 0;
  std::u16string fTitle;
  bool fUseBackground = false;
  bool fCreateHTMLFragment = false;
  TSynHighlighterAttributes* fCurrentAttribute = nullptr;
};
