#include "highlighters/SynHighlighterCSS.h"

#include <cstdint>
#include <memory>

namespace {

bool IsCssIdent(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'-';
}

// The property names, separators as they stand (some items hold blanks).
constexpr std::u16string_view kProperties =
    // BEGIN GENERATED CSS
    u"azimuth, background, background-attachment, background-color, background-image, "
    u"background-position, background-repeat, border, border-collapse, border-color, border-spacing, "
    u"border-style, border-top border-right border-bottom border-left, "
    u"border-top-color border-right-color border-bottom-color border-left-color, "
    u"border-top-style border-right-style border-bottom-style border-left-style, "
    u"border-top-width border-right-width border-bottom-width border-left-width, border-width, bottom, "
    u"caption-side, clear, clip, color, content, counter-increment, counter-reset, cue, cue-after, "
    u"cue-before, cursor, direction, display, elevation, empty-cells, float, font, font-family, "
    u"font-size, font-size-adjust, font-stretch, font-style, font-variant, font-weight, height, left, "
    u"letter-spacing, line-height, list-style, list-style-image, list-style-position, list-style-type, "
    u"margin, margin-top margin-right margin-bottom margin-left, marker-offset, marks, max-height, "
    u"max-width, min-height, min-width, orphans, outline, outline-color, outline-style, outline-width, "
    u"overflow, padding, padding-top, padding-right, padding-bottom padding-left, page, page-break-after, "
    u"page-break-before, page-break-inside, pause, pause-after, pause-before, pitch, pitch-range, "
    u"play-during, position, quotes, richness, right, size, speak, speak-header, speak-numeral, "
    u"speak-punctuation, speech-rate, stress, table-layout, text-align, text-decoration, text-indent, "
    u"text-shadow, text-transform, top, unicode-bidi, vertical-align, visibility, voice-family, volume, "
    u"white-space, widows, width, word-spacing, z-index"
    // END GENERATED CSS
    ;

}  // namespace

const TSynHashEntryList& TSynCssSyn::Keywords() {
  static const std::unique_ptr<TSynHashEntryList> list = [] {
    auto l = std::make_unique<TSynHashEntryList>();
    EnumerateKeywords(tkKey, kProperties, IsCssIdent, [&l](const std::u16string& keyword, int kind) {
      int length = 0;
      l->SetItems(HashKey(keyword.c_str(), length), std::make_unique<TSynHashEntry>(keyword, kind));
    });
    return l;
  }();
  return *list;
}

int TSynCssSyn::HashKey(const char16_t* start, int& length) {
  // The text is NUL-terminated, so the walks stop at its end. A sum beyond every bucket (only a
  // very long run gives one) is -1: no bucket, no keyword.
  std::int64_t h = 0;
  const char16_t* p = start;
  for (;; ++p) {
    const char16_t c = *p;
    if (c >= u'a' && c <= u'z')
      h += c - u'a' + 1;
    else if (c >= u'A' && c <= u'Z')
      h += c - u'A' + 1;
    else if (c == u'_')
      h += 27;
    else if (c != u'-')
      break;
  }
  length = static_cast<int>(p - start);
  for (; SynIsDigit(*p); ++p) h += *p - u'0';
  return h > (1 << 20) ? -1 : static_cast<int>(h);
}

namespace {

using K = TSynCssSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkComment, "Comment", &K::CommentAttri},
    {K::tkKey, "Property", &K::PropertyAttri, syn::fsBold},
    {K::tkSelector, "Reserved Word", &K::KeyAttri, syn::fsBold, 0xFF0080},
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkString, "String", &K::StringAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri},
    {K::tkText, "Text", &K::TextAttri},
    {K::tkUndefProperty, "Undefined Property", &K::UndefPropertyAttri, syn::fsBold, 0xFF0080},
    {K::tkValue, "Value", &K::ValueAttri, 0, 0xFF8000},
    {K::tkColor, "Color Value", &K::ColorAttri},
    {K::tkNumber, "Number", &K::NumberAttri},
};

}  // namespace

TSynCssSyn::TSynCssSyn() : TSynFamilyHighlighter("TSynCssSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, nullptr, KeyAttri, StringAttri, SpaceAttri, nullptr);
  SetCommonKinds(tkNull, tkSpace, tkSymbol);
  Keywords();
  FinishCreate(rsUnknown);
}

std::u16string TSynCssSyn::GetSampleSource() const {
  return u"/* Syntax highlighting */\n"
         u"body\n"
         u"{\n"
         u"  font-family: \"Arial\", sans-serif;\n"
         u"  font-size: 10pt;\n"
         u"  color: #000080;\n"
         u"}\n"
         u"h1 { made-up-property: 1.5; margin-top: -2px }";
}

std::intptr_t TSynCssSyn::GetRange() const {
  if (fRange == rsComment) return rsCommentBase + fCommentReturn;
  return fRange;
}

void TSynCssSyn::SetRange(std::intptr_t Value) {
  const auto v = static_cast<std::uint8_t>(Value);
  if (v >= rsCommentBase) {
    fRange = rsComment;
    const int back = v - rsCommentBase;
    fCommentReturn = back >= rsCurlyBraces && back <= rsParam ? static_cast<std::uint8_t>(back)
                                                              : static_cast<std::uint8_t>(rsUnknown);
  } else if (v >= rsCurlyBraces && v <= rsParam) {
    fRange = v;
  } else {
    // 0 or 1 alone name no state this highlighter stores: start over outside braces.
    fRange = rsUnknown;
  }
}

void TSynCssSyn::ResetRange() {
  fRange = rsUnknown;
  fCommentReturn = rsUnknown;
}

bool TSynCssSyn::IsIdentChar(char16_t AChar) const {
  return IsCssIdent(AChar);
}

void TSynCssSyn::Next() {
  fTokenPos = Run;
  if (fRange == rsComment)
    CommentProc();
  else if (fRange == rsUnknown)
    SelectorProc();
  else
    Dispatch();
  TSynFamilyHighlighter::Next();
}

void TSynCssSyn::SelectorProc() {
  // Blanks stay out of the selector, so "h1 {" gives the selector, a space and the brace.
  const char16_t c = At(Run);
  if (c <= 32 || c == u'/' || c == u'{') {
    Dispatch();
    return;
  }
  fTokenId = tkSelector;
  do ++Run;
  while (At(Run) > 32 && At(Run) != u'/' && At(Run) != u'{');
}

void TSynCssSyn::Dispatch() {
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
    case u'"':
      StringProc();
      return;
    case u'#':
      ColorProc();
      return;
    case u'{':
      SymbolProc(rsCurlyBraces);
      return;
    case u'}':
      SymbolProc(rsUnknown);
      return;
    case u';':
      SymbolProc(rsAfterSemicolon);
      return;
    case u':':
    case u',':
      SymbolProc(rsParam);
      return;
    case u'/':
      if (At(Run + 1) == u'*') {
        fCommentReturn = fRange;
        fRange = rsComment;
        fTokenId = tkComment;
        Run += 2;
        // The search for "*/" starts after "/*", so "/*/" stays open.
        if (!IsEndChar(At(Run))) CommentProc();
      } else {
        SymbolProc(fRange);
      }
      return;
    default:
      break;
  }
  if (c <= 32)
    SpaceProc();
  else if (SynIsDigit(c) || c == u'.' || (c == u'-' && SynIsDigit(At(Run + 1))))
    NumberProc();
  else
    IdentProc();
}

void TSynCssSyn::SymbolProc(std::uint8_t newRange) {
  fTokenId = tkSymbol;
  fRange = newRange;
  ++Run;
}

void TSynCssSyn::CommentProc() {
  if (Run == fTokenPos && LineEndProc()) return;
  fTokenId = tkComment;
  if (!SkipPast(u'*', u'/')) return;
  fRange = fCommentReturn;
}

void TSynCssSyn::StringProc() {
  fTokenId = tkString;
  ++Run;
  while (!IsEndChar(At(Run)) && At(Run) != u'"') ++Run;
  if (At(Run) == u'"') ++Run;
}

void TSynCssSyn::ColorProc() {
  fTokenId = tkColor;
  ++Run;
  while (SynIsHexDigit(At(Run))) ++Run;
}

void TSynCssSyn::NumberProc() {
  fTokenId = tkNumber;
  ++Run;
  for (;;) {
    const char16_t c = At(Run);
    if (c == u'.') {
      if (At(Run + 1) == u'.') break;
    } else if (!SynIsDigit(c)) {
      break;
    }
    ++Run;
  }
}

void TSynCssSyn::IdentProc() {
  if (fRange == rsParam) {
    // A value: to the next ",", ";" or "}" (blanks included).
    fRange = rsCurlyBraces;
    fTokenId = tkValue;
    do ++Run;
    while (!IsEndChar(At(Run)) && At(Run) != u',' && At(Run) != u';' && At(Run) != u'}');
    return;
  }
  int length = 0;
  const int h = HashKey(fLine + Run, length);
  fToIdent = fLine + Run;
  fStringLen = length;
  fTokenId = FindHashEntry(Keywords(), h, std::u16string_view(fLine + Run, static_cast<size_t>(length)))
                 ? tkKey
                 : tkUndefProperty;
  do ++Run;
  while (At(Run) > 32 && At(Run) != u'"' && At(Run) != u':' && At(Run) != u';' && At(Run) != u'}');
}
