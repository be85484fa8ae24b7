#include "highlighters/SynHighlighterXML.h"

namespace {

using K = TSynXMLSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkAposAttrValue, "Attribute Value", &K::AttributeValueAttri, syn::fsBold, 0x800000},
    {K::tkAposEntityRef, "Entity Reference", &K::EntityRefAttri, syn::fsBold, 0xFF0000},
    {K::tkAttribute, "Attribute Name", &K::AttributeAttri, 0, 0x000080},
    {K::tkCDATA, "CDATA Section", &K::CDATAAttri, syn::fsItalic, 0x008080},
    {K::tkComment, "Comment", &K::CommentAttri, syn::fsBold | syn::fsItalic, 0x808080, 0xC0C0C0},
    {K::tkElement, "Element Name", &K::ElementAttri, syn::fsBold, 0x000080},
    {K::tkEntityRef, "Entity Reference", &K::EntityRefAttri},
    {K::tkEqual, "Symbol", &K::SymbolAttri, 0, 0xFF0000},
    {K::tkProcessingInstruction, "Processing Instruction", &K::ProcessingInstructionAttri, 0, 0xFF0000},
    {K::tkQuoteAttrValue, "Attribute Value", &K::AttributeValueAttri},
    {K::tkQuoteEntityRef, "Entity Reference", &K::EntityRefAttri},
    {K::tkSpace, "Whitespace", &K::SpaceAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkText, "Text", &K::TextAttri, syn::fsBold, 0x000000},
    {K::tknsAposAttrValue, "Namespace Attribute Value", &K::NamespaceAttributeValueAttri, syn::fsBold, 0x0000FF},
    {K::tknsAposEntityRef, "Entity Reference", &K::EntityRefAttri},
    {K::tknsAttribute, "Namespace Attribute Name", &K::NamespaceAttributeAttri, 0, 0x0000FF},
    {K::tknsEqual, "Symbol", &K::SymbolAttri},
    {K::tknsQuoteAttrValue, "Namespace Attribute Value", &K::NamespaceAttributeValueAttri},
    {K::tknsQuoteEntityRef, "Entity Reference", &K::EntityRefAttri},
    {K::tkDocType, "DOCTYPE Section", &K::DocTypeAttri, syn::fsItalic, 0xFF0000},
};

}  // namespace

TSynXMLSyn::TSynXMLSyn() : TSynFamilyHighlighter("TSynXMLSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, AttributeAttri, ElementAttri, nullptr, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkSymbol);
  FinishCreate(rsText);
}

std::u16string TSynXMLSyn::GetSampleSource() const {
  return u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
         u"<!DOCTYPE root [\n"
         u"  <!ENTITY company \"Sample\">\n"
         u"]>\n"
         u"<!-- a comment -->\n"
         u"<root xmlns:x=\"urn:sample\" name=\"&company;\">\n"
         u"  <x:item id='1'>Text &amp; more</x:item>\n"
         u"  <![CDATA[ if (a < b) return; ]]>\n"
         u"</root>";
}

bool TSynXMLSyn::IsNameChar(char16_t AChar) const {
  return (AChar >= u'A' && AChar <= u'Z') || (AChar >= u'a' && AChar <= u'z') || (AChar >= u'0' && AChar <= u'9') ||
         AChar == u'_' || AChar == u'-' || AChar == u'.' || AChar == u':' || AChar >= 0xC1;
}

bool TSynXMLSyn::Follows(int pos, std::u16string_view text) const {
  for (size_t i = 0; i < text.size(); ++i)
    if (At(pos + static_cast<int>(i)) != text[i]) return false;
  return true;
}

void TSynXMLSyn::Next() {
  fTokenPos = Run;
  // An empty token (a scanner that only changed the state) is never reported: scan again. Every
  // state change on an empty token leads to a state that takes a character, so a few rounds suffice;
  // the bound only guards against a state the machine does not know.
  for (int round = 0;; ++round) {
    Step();
    if (Run > fTokenPos || GetEol()) break;
    if (round >= 8) {
      fTokenId = tkSymbol;
      ++Run;
      break;
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynXMLSyn::Step() {
  switch (fRange) {
    case rsCDATA:
      CDATAProc();
      break;
    case rsComment:
      CommentProc();
      break;
    case rsProcessingInstruction:
      ProcessingInstructionProc();
      break;
    case rsText:
      TextProc();
      break;
    case rsDocType:
    case rsDocTypeSquareBraces:
      DocTypeProc();
      break;
    default:
      Dispatch();
  }
}

void TSynXMLSyn::Dispatch() {
  const char16_t c = At(Run);
  switch (c) {
    case 0:
      NullProc();
      return;
    case 13:
      CRProc();
      return;
    case 10:
      LFProc();
      return;
    case u'<':
      LessThanProc();
      return;
    case u'>':
      fTokenId = tkSymbol;
      fRange = rsText;
      ++Run;
      return;
    default:
      break;
  }
  if (c <= 32) {
    // Whitespace continues over blanks and control characters, but not over NUL, TAB, LF or CR.
    fTokenId = tkSpace;
    ++Run;
    for (;;) {
      const char16_t n = At(Run);
      if (n > 32 || n == 0 || n == 9 || n == 10 || n == 13) break;
      ++Run;
    }
    return;
  }
  switch (fRange) {
    case rsElement:
      ElementProc();
      break;
    case rsAttribute:
      AttributeProc();
      break;
    case rsEqual:
    case rsnsEqual:
      EqualProc();
      break;
    case rsQuoteAttrValue:
    case rsnsQuoteAttrValue:
      ValueProc(u'"');
      break;
    case rsAposAttrValue:
    case rsnsAposAttrValue:
      ValueProc(u'\'');
      break;
    case rsQuoteEntityRef:
    case rsnsQuoteEntityRef:
    case rsAPosEntityRef:
    case rsnsAPosEntityRef:
    case rsEntityRef:
      EntityProc();
      break;
    default:
      // A range the machine does not name (only SetRange can give one): the character as a symbol.
      fTokenId = tkSymbol;
      ++Run;
  }
}

void TSynXMLSyn::LessThanProc() {
  ++Run;
  if (At(Run) == u'/') ++Run;
  if (At(Run) == u'!') {
    if (Follows(Run + 1, u"--")) {
      fTokenId = tkSymbol;
      fRange = rsComment;
      Run += 3;
    } else if (Follows(Run + 1, u"DOCTYPE")) {
      // The run stops on the keyword's last character, which begins the next token of the same kind.
      fTokenId = tkDocType;
      fRange = rsDocType;
      Run += 7;
    } else if (Follows(Run + 1, u"[CDATA[")) {
      fTokenId = tkCDATA;
      fRange = rsCDATA;
      Run += 7;
    } else {
      fTokenId = tkSymbol;
      fRange = rsElement;
      ++Run;
    }
  } else if (At(Run) == u'?') {
    fTokenId = tkProcessingInstruction;
    fRange = rsProcessingInstruction;
    ++Run;
  } else {
    fTokenId = tkSymbol;
    fRange = rsElement;
  }
}

void TSynXMLSyn::ElementProc() {
  if (At(Run) == u'/') ++Run;
  while (IsNameChar(At(Run))) ++Run;
  fTokenId = tkElement;
  fRange = rsAttribute;
}

void TSynXMLSyn::AttributeProc() {
  const char16_t c = At(Run);
  if (c == u'"' || c == u'\'') {
    fTokenId = tkSymbol;
    ++Run;
    return;
  }
  while (IsNameChar(At(Run))) ++Run;
  const std::u16string_view name(fLine + fTokenPos, static_cast<size_t>(Run - fTokenPos));
  if (name.find(u"xmlns") != std::u16string_view::npos) {
    fTokenId = tknsAttribute;
    fRange = rsnsEqual;
  } else {
    fTokenId = tkAttribute;
    fRange = rsEqual;
  }
}

void TSynXMLSyn::EqualProc() {
  const bool ns = fRange == rsnsEqual;
  fTokenId = ns ? tknsEqual : tkEqual;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    if (c == u'/') {
      if (Run == fTokenPos) {
        // The slash of "/>" stands alone and ends the tag part.
        fTokenId = tkSymbol;
        fRange = rsElement;
        ++Run;
      }
      return;
    }
    ++Run;
    if (c == u'"') {
      fRange = ns ? rsnsQuoteAttrValue : rsQuoteAttrValue;
      return;
    }
    if (c == u'\'') {
      fRange = ns ? rsnsAposAttrValue : rsAposAttrValue;
      return;
    }
  }
}

void TSynXMLSyn::ValueProc(char16_t quote) {
  const bool ns = fRange == rsnsQuoteAttrValue || fRange == rsnsAposAttrValue;
  if (quote == u'"')
    fTokenId = ns ? tknsQuoteAttrValue : tkQuoteAttrValue;
  else
    fTokenId = ns ? tknsAposAttrValue : tkAposAttrValue;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;  // still open: the range carries the value into the next line
    if (c == u'&') {
      if (quote == u'"')
        fRange = ns ? rsnsQuoteEntityRef : rsQuoteEntityRef;
      else
        fRange = ns ? rsnsAPosEntityRef : rsAPosEntityRef;
      return;
    }
    if (c == quote) {
      fRange = rsAttribute;  // the closing quote is then a symbol of the tag
      return;
    }
    ++Run;
  }
}

void TSynXMLSyn::EntityProc() {
  std::uint8_t back;
  switch (fRange) {
    case rsQuoteEntityRef:
      fTokenId = tkQuoteEntityRef;
      back = rsQuoteAttrValue;
      break;
    case rsnsQuoteEntityRef:
      fTokenId = tknsQuoteEntityRef;
      back = rsnsQuoteAttrValue;
      break;
    case rsAPosEntityRef:
      fTokenId = tkAposEntityRef;
      back = rsAposAttrValue;
      break;
    case rsnsAPosEntityRef:
      fTokenId = tknsAposEntityRef;
      back = rsnsAposAttrValue;
      break;
    default:
      fTokenId = tkEntityRef;
      back = rsText;
  }
  for (;;) {
    const char16_t c = At(Run);
    if (c < u'!') break;
    ++Run;
    if (c == u';') break;
  }
  fRange = back;
}

void TSynXMLSyn::TextProc() {
  const char16_t c = At(Run);
  if (c < u' ' || c == u'<') {
    Dispatch();
    return;
  }
  if (c == u'&') {
    fRange = rsEntityRef;
    EntityProc();
    return;
  }
  fTokenId = tkText;
  for (;;) {
    const char16_t n = At(Run);
    if (n < u' ' || n == u'<') return;
    if (n == u'&') {
      fRange = rsEntityRef;
      return;
    }
    ++Run;
  }
}

void TSynXMLSyn::CommentProc() {
  if (Follows(Run, u"-->")) {
    fTokenId = tkSymbol;
    fRange = rsText;
    Run += 3;
    return;
  }
  if (LineEndProc()) return;
  fTokenId = tkComment;
  while (!IsEndChar(At(Run)) && !Follows(Run, u"-->")) ++Run;
}

void TSynXMLSyn::ProcessingInstructionProc() {
  if (LineEndProc()) return;
  fTokenId = tkProcessingInstruction;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'>' && At(Run - 2) == u'?') {
      fRange = rsText;
      return;
    }
  }
}

void TSynXMLSyn::CDATAProc() {
  if (LineEndProc()) return;
  fTokenId = tkCDATA;
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'>' && At(Run - 2) == u']') {
      fRange = rsText;
      return;
    }
  }
}

void TSynXMLSyn::DocTypeProc() {
  if (LineEndProc()) return;
  fTokenId = tkDocType;
  if (fRange == rsDocTypeSquareBraces) {
    for (;;) {
      const char16_t c = At(Run);
      if (IsEndChar(c)) return;
      ++Run;
      if (c == u']') {
        fRange = rsDocType;
        return;
      }
    }
  }
  for (;;) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == u'>') {
      fRange = rsAttribute;
      return;
    }
    if (c == u'[') {
      // The internal subset: to its first "]" on this line, or on into the next lines.
      for (;;) {
        const char16_t s = At(Run);
        if (IsEndChar(s)) {
          fRange = rsDocTypeSquareBraces;
          return;
        }
        ++Run;
        if (s == u']') return;
      }
    }
  }
}
