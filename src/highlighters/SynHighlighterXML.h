// XML documents: a state machine whose state (one range byte) carries comments, CDATA sections,
// processing instructions, DOCTYPE declarations, open tags and quoted attribute values across lines.
// Namespace declarations (attribute names containing "xmlns") are told from ordinary attributes.
#pragma once

#include "highlighters/SynHighlighterFamily.h"

class TSynXMLSyn : public TSynFamilyHighlighter {
 public:
  enum TtkTokenKind : std::uint8_t {
    tkAposAttrValue,
    tkAposEntityRef,
    tkAttribute,
    tkCDATA,
    tkComment,
    tkElement,
    tkEntityRef,
    tkEqual,
    tkNull,
    tkProcessingInstruction,
    tkQuoteAttrValue,
    tkQuoteEntityRef,
    tkSpace,
    tkSymbol,
    tkText,
    tknsAposAttrValue,
    tknsAposEntityRef,
    tknsAttribute,
    tknsEqual,
    tknsQuoteAttrValue,
    tknsQuoteEntityRef,
    tkDocType
  };
  enum TRangeState : std::uint8_t {
    rsAposAttrValue = 0,
    rsAPosEntityRef = 1,
    rsAttribute = 2,
    rsCDATA = 3,
    rsComment = 4,
    rsElement = 5,
    rsEntityRef = 6,
    rsEqual = 7,
    rsProcessingInstruction = 8,
    rsQuoteAttrValue = 9,
    rsQuoteEntityRef = 10,
    rsText = 11,
    rsnsAposAttrValue = 12,
    rsnsAPosEntityRef = 13,
    rsnsEqual = 14,
    rsnsQuoteAttrValue = 15,
    rsnsQuoteEntityRef = 16,
    rsDocType = 17,
    rsDocTypeSquareBraces = 18
  };

  TSynXMLSyn();

  std::u16string GetSampleSource() const override;
  void Next() override;
  // ASCII letters and digits, "_", "-", ".", ":" and every character from U+00C1 up.
  virtual bool IsNameChar(char16_t AChar) const;

  TSynHighlighterAttributes* ElementAttri = nullptr;
  TSynHighlighterAttributes* TextAttri = nullptr;
  TSynHighlighterAttributes* SpaceAttri = nullptr;
  TSynHighlighterAttributes* EntityRefAttri = nullptr;
  TSynHighlighterAttributes* ProcessingInstructionAttri = nullptr;
  TSynHighlighterAttributes* CDATAAttri = nullptr;
  TSynHighlighterAttributes* CommentAttri = nullptr;
  TSynHighlighterAttributes* DocTypeAttri = nullptr;
  TSynHighlighterAttributes* AttributeAttri = nullptr;
  TSynHighlighterAttributes* NamespaceAttributeAttri = nullptr;
  TSynHighlighterAttributes* AttributeValueAttri = nullptr;
  TSynHighlighterAttributes* NamespaceAttributeValueAttri = nullptr;
  TSynHighlighterAttributes* SymbolAttri = nullptr;

 private:
  // One scan step; may leave an empty token, after which Next scans again.
  void Step();
  void Dispatch();
  void LessThanProc();
  void ElementProc();
  void AttributeProc();
  void EqualProc();
  void ValueProc(char16_t quote);
  void EntityProc();
  void TextProc();
  void CommentProc();
  void ProcessingInstructionProc();
  void CDATAProc();
  void DocTypeProc();
  bool Follows(int pos, std::u16string_view text) const;
};
