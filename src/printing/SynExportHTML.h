// The HTML exporter: XHTML 1.0 Strict with one CSS class per highlighter attribute, either as a
// whole document or as the clipboard's HTML fragment with its offset description.
#pragma once

#include <string>
#include <unordered_map>

#include "printing/SynPadExport.h"

// The CSS class of an attribute's unique name: lower case, "." and "_" as "-", only a-z, digits and
// "-" kept.
std::string HtmlClassName(std::string_view UniqueAttributeName);
// "#RRGGBB" of a colour (system colours resolved first).
std::string HtmlColor(TColor Color);

class TSynExporterHTML : public TSynCustomExporter {
 public:
  TSynExporterHTML();

  void CloseAttributeSpan(bool BackgroundChanged, bool ForegroundChanged, TFontStyles StylesRemoved) override;
  void OpenAttributeSpan(bool BackgroundChanged, bool ForegroundChanged, TFontStyles StylesAdded) override;
  void AfterLastAttribute() override;
  void BeforeFirstAttribute(bool BackgroundChanged, bool ForegroundChanged, TFontStyles Style) override;
  void WriteNewLine() override;
  std::u16string BuildFooter() override;
  std::string FormatName() const override { return "HTML"; }
  // Call after the body is in the buffer: the clipboard description counts the buffer's size.
  std::u16string BuildHeader() override;
  std::u16string EscapeChar(char16_t C) const override;
  bool NeedsByteOrderMark() const override;
  TSynEncodings SupportedEncodings() const override;

  // One rule per attribute of the highlighter, each ending in CR LF.
  std::string StyleSheet();
  // The rule of one attribute under its class name.
  std::string AttributeRule(const std::string& ClassName, const TSynHighlighterAttributes& Attribute) const;

 private:
  std::string ClassOf(TSynHighlighterAttributes* Attribute);
  void WriteOpenSpan();
  std::string DocumentHead();

  // Attribute -> class name, built from the highlighter's enumeration on first use.
  std::unordered_map<const TSynHighlighterAttributes*, std::string> fClassNames;
  const TSynCustomHighlighter* fClassNamesOf = nullptr;
};
