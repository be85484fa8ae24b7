#include "highlighters/SynHighlighterHtml.h"

namespace {

// The tag-name hash also runs over "!" and "/".
bool IsTagHashChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'!' ||
         c == u'/';
}

const TSynHashKeywordTable& HtmlTags() {
  static const TSynHashKeywordTable table(
      932, 46, 1543, IsTagHashChar,
      SynKeywordWords(
          {
              u"!doctype",   u"/a",       u"/abbr",     u"/acronym",    u"/address",  u"/applet",   u"/b",
              u"/bdo",       u"/big",     u"/blink",    u"/blockquote", u"/body",     u"/button",   u"/caption",
              u"/center",    u"/cite",    u"/code",     u"/colgroup",   u"/comment",  u"/dd",       u"/del",
              u"/dfn",       u"/dir",     u"/div",      u"/dl",         u"/dt",       u"/em",       u"/embed",
              u"/fieldset",  u"/font",    u"/form",     u"/frameset",   u"/h1",       u"/h2",       u"/h3",
              u"/h4",        u"/h5",      u"/h6",       u"/head",       u"/html",     u"/i",        u"/iframe",
              u"/ilayer",    u"/ins",     u"/kbd",      u"/label",      u"/layer",    u"/legend",   u"/li",
              u"/listing",   u"/map",     u"/marquee",  u"/menu",       u"/multicol", u"/nobr",     u"/noembed",
              u"/noframes",  u"/nolayer", u"/noscript", u"/object",     u"/ol",       u"/optgroup", u"/option",
              u"/p",         u"/pre",     u"/q",        u"/s",          u"/samp",     u"/script",   u"/select",
              u"/server",    u"/small",   u"/span",     u"/strike",     u"/strong",   u"/style",    u"/sub",
              u"/sup",       u"/table",   u"/tbody",    u"/td",         u"/textarea", u"/tfoot",    u"/th",
              u"/thead",     u"/title",   u"/tr",       u"/tt",         u"/u",        u"/ul",       u"/var",
              u"/xmp",       u"a",        u"abbr",      u"acronym",     u"address",   u"applet",    u"area",
              u"b",          u"base",     u"basefont",  u"bdo",         u"bgsound",   u"big",       u"blink",
              u"blockquote", u"body",     u"br",        u"button",      u"caption",   u"center",    u"cite",
              u"code",       u"col",      u"colgroup",  u"comment",     u"dd",        u"del",       u"dfn",
              u"dir",        u"div",      u"dl",        u"dt",          u"em",        u"embed",     u"fieldset",
              u"font",       u"form",     u"frame",     u"frameset",    u"h1",        u"h2",        u"h3",
              u"h4",         u"h5",       u"h6",        u"head",        u"hr",        u"html",      u"i",
              u"iframe",     u"ilayer",   u"img",       u"input",       u"ins",       u"isindex",   u"kbd",
              u"keygen",     u"label",    u"layer",     u"legend",      u"li",        u"link",      u"listing",
              u"map",        u"marquee",  u"menu",      u"meta",        u"multicol",  u"nextid",    u"nobr",
              u"noembed",    u"noframes", u"nolayer",   u"noscript",    u"object",    u"ol",        u"optgroup",
              u"option",     u"p",        u"param",     u"plaintext",   u"pre",       u"q",         u"s",
              u"samp",       u"script",   u"select",    u"server",      u"small",     u"spacer",    u"span",
              u"strike",     u"strong",   u"style",     u"sub",         u"sup",       u"table",     u"tbody",
              u"td",         u"textarea", u"tfoot",     u"th",          u"thead",     u"title",     u"tr",
              u"tt",         u"u",        u"ul",        u"var",         u"wbr",       u"xmp",
          },
          0));
  return table;
}

}  // namespace

const std::vector<std::u16string_view>& TSynHTMLSyn::Entities() {
  static const std::vector<std::u16string_view> entities = {
      u"&Alpha;",  u"&Beta;",     u"&Gamma;",  u"&Delta;",   u"&Epsilon;", u"&Zeta;",   u"&Eta;",     u"&Theta;",
      u"&Iota;",   u"&Kappa;",    u"&Lambda;", u"&Mu;",      u"&Nu;",      u"&Xi;",     u"&Omicron;", u"&Pi;",
      u"&Rho;",    u"&Sigma;",    u"&Tau;",    u"&Upsilon;", u"&Phi;",     u"&Chi;",    u"&Psi;",     u"&Omega;",
      u"&alpha;",  u"&beta;",     u"&gamma;",  u"&delta;",   u"&epsilon;", u"&zeta;",   u"&eta;",     u"&theta;",
      u"&iota;",   u"&kappa;",    u"&lambda;", u"&mu;",      u"&nu;",      u"&xi;",     u"&omicron;", u"&pi;",
      u"&rho;",    u"&sigmaf;",   u"&sigma;",  u"&tau;",     u"&upsilon;", u"&phi;",    u"&chi;",     u"&psi;",
      u"&omega;",  u"&thetasym;", u"&upsih;",  u"&piv;",     u"&bull;",    u"&hellip;", u"&prime;",   u"&Prime;",
      u"&oline;",  u"&frasl;",    u"&weierp;", u"&image;",   u"&real;",    u"&trade;",  u"&alefsym;", u"&larr;",
      u"&uarr;",   u"&rarr;",     u"&darr;",   u"&harr;",    u"&crarr;",   u"&lArr;",   u"&uArr;",    u"&rArr;",
      u"&dArr;",   u"&hArr;",     u"&forall;", u"&part;",    u"&exist;",   u"&empty;",  u"&nabla;",   u"&isin;",
      u"&notin;",  u"&ni;",       u"&prod;",   u"&sum;",     u"&minus;",   u"&lowast;", u"&radic;",   u"&prop;",
      u"&infin;",  u"&ang;",      u"&and;",    u"&or;",      u"&cap;",     u"&cup;",    u"&int;",     u"&there4;",
      u"&sim;",    u"&cong;",     u"&asymp;",  u"&ne;",      u"&equiv;",   u"&le;",     u"&ge;",      u"&sub;",
      u"&sup;",    u"&nsub;",     u"&sube;",   u"&supe;",    u"&oplus;",   u"&otimes;", u"&perp;",    u"&sdot;",
      u"&lceil;",  u"&rceil;",    u"&lfloor;", u"&rfloor;",  u"&lang;",    u"&rang;",   u"&loz;",     u"&spades;",
      u"&clubs;",  u"&hearts;",   u"&diams;",  u"&lsquo;",   u"&rsquo;",   u"&sbquo;",  u"&ldquo;",   u"&rdquo;",
      u"&bdquo;",  u"&dagger;",   u"&Dagger;", u"&permil;",  u"&lsaquo;",  u"&rsaquo;", u"&quot;",    u"&amp;",
      u"&lt;",     u"&gt;",       u"&ndash;",  u"&mdash;",   u"&nbsp;",    u"&thinsp;", u"&ensp;",    u"&emsp;",
      u"&iexcl;",  u"&cent;",     u"&pound;",  u"&curren;",  u"&yen;",     u"&brvbar;", u"&brkbar;",  u"&sect;",
      u"&uml;",    u"&die;",      u"&copy;",   u"&ordf;",    u"&laquo;",   u"&not;",    u"&shy;",     u"&reg;",
      u"&macr;",   u"&hibar;",    u"&deg;",    u"&plusmn;",  u"&sup2;",    u"&sup3;",   u"&acute;",   u"&micro;",
      u"&para;",   u"&middot;",   u"&cedil;",  u"&sup1;",    u"&ordm;",    u"&raquo;",  u"&frac14;",  u"&frac12;",
      u"&frac34;", u"&iquest;",   u"&Agrave;", u"&Aacute;",  u"&Acirc;",   u"&Atilde;", u"&Auml;",    u"&Aring;",
      u"&AElig;",  u"&Ccedil;",   u"&Egrave;", u"&Eacute;",  u"&Ecirc;",   u"&Euml;",   u"&Igrave;",  u"&Iacute;",
      u"&Icirc;",  u"&Iuml;",     u"&ETH;",    u"&Ntilde;",  u"&Ograve;",  u"&Oacute;", u"&Ocirc;",   u"&Otilde;",
      u"&Ouml;",   u"&times;",    u"&Oslash;", u"&Ugrave;",  u"&Uacute;",  u"&Ucirc;",  u"&Uuml;",    u"&Yacute;",
      u"&THORN;",  u"&szlig;",    u"&agrave;", u"&aacute;",  u"&acirc;",   u"&atilde;", u"&auml;",    u"&aring;",
      u"&aelig;",  u"&ccedil;",   u"&egrave;", u"&eacute;",  u"&ecirc;",   u"&euml;",   u"&igrave;",  u"&iacute;",
      u"&icirc;",  u"&iuml;",     u"&eth;",    u"&ntilde;",  u"&ograve;",  u"&oacute;", u"&ocirc;",   u"&otilde;",
      u"&ouml;",   u"&divide;",   u"&oslash;", u"&ugrave;",  u"&uacute;",  u"&ucirc;",  u"&uuml;",    u"&yacute;",
      u"&thorn;",  u"&yuml;",     u"&euro;",   u"&OElig;",   u"&oelig;",   u"&scaron;", u"&Scaron;",  u"&fnof;",
      u"&circ;",
  };
  return entities;
}

namespace {

using K = TSynHTMLSyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {K::tkAmpersand, "Escape Ampersand", &K::AndAttri, syn::fsBold, 0x00FF00},  // green 255
    {K::tkComment, "Comment", &K::CommentAttri},
    {K::tkIdentifier, "Identifier", &K::IdentifierAttri, syn::fsBold},
    {K::tkKey, "Reserved Word", &K::KeyAttri, syn::fsBold, 0xFF0080},  // red 128, green 0, blue 255
    {K::tkSpace, "Space", &K::SpaceAttri},
    {K::tkSymbol, "Symbol", &K::SymbolAttri, syn::fsBold},
    {K::tkText, "Text", &K::TextAttri},
    {K::tkUndef, "Unknown Word", &K::UndefKeyAttri, syn::fsBold, 0x0000FF},  // red 255
    {K::tkValue, "Value", &K::ValueAttri, 0, 0xFF8000},                      // red 0, green 128, blue 255
};

}  // namespace

TSynHTMLSyn::TSynHTMLSyn() : TSynFamilyHighlighter("TSynHTMLSyn") {
  CreateAttributes(*this, kAttributes);
  SetDefaultAttributes(CommentAttri, IdentifierAttri, KeyAttri, nullptr, SpaceAttri, SymbolAttri);
  SetCommonKinds(tkNull, tkSpace, tkText);
  HtmlTags();
  Entities();
  FinishCreate(rsText);
}

const TSynHashKeywordTable* TSynHTMLSyn::KeywordTable() const {
  return &HtmlTags();
}

std::u16string TSynHTMLSyn::GetSampleSource() const {
  return u"<!-- Syntax highlighting -->\n"
         u"<html>\n"
         u"<body bgcolor=\"red\">\n"
         u"  <form name=\"frmLogin\" action=\"doSomething.asp\">\n"
         u"    <input name=\"user\" value=\"\"></input>\n"
         u"  </form>\n"
         u"  <invalid>Sample&nbsp;&amp;&#169;</invalid>\n"
         u"</body>\n"
         u"</html>";
}

void TSynHTMLSyn::Next() {
  // An empty token (text stopping at an entity, a tag name of no name characters) changed the
  // range, so running again makes progress; the guard only caps a state that could not.
  for (int pass = 0;; ++pass) {
    fTokenPos = Run;
    switch (fRange) {
      case rsComment:
        CommentProc();
        break;
      case rsText:
        TextProc();
        break;
      case rsQuoteValue:
      case rsDoubleQuoteValue:
        if (IsEndChar(At(Run)))
          CharProc();
        else
          QuoteProc();
        break;
      default:
        CharProc();
    }
    if (Run != fTokenPos || GetEol()) break;
    if (pass >= 3) {
      UnknownProc();
      break;
    }
  }
  TSynFamilyHighlighter::Next();
}

void TSynHTMLSyn::CharProc() {
  const char16_t c = At(Run);
  switch (c) {
    case 0:
      NullProc();
      break;
    case 10:
      LFProc();
      break;
    case 13:
      CRProc();
      break;
    case u'<':
      BraceOpenProc();
      break;
    case u'>':
      fTokenId = tkSymbol;
      fRange = rsText;
      ++Run;
      break;
    case u'=':
      fTokenId = tkSymbol;
      fRange = rsValue;
      ++Run;
      break;
    case u'&':
      AmpersandProc();
      break;
    case u'"':
    case u'\'':
      if (fRange == rsValue || fRange == rsQuoteValue || fRange == rsDoubleQuoteValue)
        QuoteProc();
      else
        WordProc();
      break;
    default:
      if (c <= 32)
        HtmlSpaceProc();
      else
        WordProc();
  }
}

void TSynHTMLSyn::HtmlSpaceProc() {
  fTokenId = tkSpace;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (c > 32 || c == 0 || c == 9 || c == 10 || c == 13) return;
    ++Run;
  }
}

void TSynHTMLSyn::BraceOpenProc() {
  ++Run;
  if (At(Run) == u'!' && At(Run + 1) == u'-' && At(Run + 2) == u'-') {
    Run += 3;
    fTokenId = tkComment;
    fRange = rsComment;
  } else {
    fTokenId = tkSymbol;
    fRange = rsKey;
  }
}

void TSynHTMLSyn::WordProc() {
  if (fRange == rsKey) {
    fRange = rsParam;
    fTokenId = HashLookup(HtmlTags()) >= 0 ? tkKey : tkUndef;
    Run += fStringLen;  // may be 0 (a stray quote after "<"): Next runs again in range Tag
    return;
  }
  // The first code unit is always taken, so a stray quote inside a tag is consumed.
  if (fRange == rsValue) {
    fRange = rsParam;
    fTokenId = tkValue;
    ++Run;
    while (true) {
      const char16_t c = At(Run);
      if (c < 33 || c == u'>') return;
      ++Run;
    }
  }
  fTokenId = tkIdentifier;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    if (c < 33 || c == u'=' || c == u'"' || c == u'>') return;
    ++Run;
  }
}

void TSynHTMLSyn::QuoteProc() {
  fTokenId = tkValue;
  char16_t quote;
  if (fRange == rsValue) {
    quote = At(Run);
    fRange = quote == u'"' ? rsDoubleQuoteValue : rsQuoteValue;
    ++Run;
  } else {
    quote = fRange == rsDoubleQuoteValue ? u'"' : u'\'';
  }
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    if (c == quote) {
      fRange = rsParam;
      return;
    }
  }
}

void TSynHTMLSyn::CommentProc() {
  if (IsEndChar(At(Run))) {
    CharProc();
    return;
  }
  fTokenId = tkComment;
  while (true) {
    const char16_t c = At(Run);
    if (IsEndChar(c)) return;
    ++Run;
    // Only "--" within this line counts (At gives 0 before the line start).
    if (c == u'>' && At(Run - 2) == u'-' && At(Run - 3) == u'-') {
      fRange = rsText;
      return;
    }
  }
}

int TSynHTMLSyn::NumericEntityEnd(int pos) const {
  if (At(pos) == u'x' || At(pos) == u'X') {
    ++pos;
    while (SynIsHexDigit(At(pos))) ++pos;
  } else {
    while (SynIsDigit(At(pos))) ++pos;
  }
  return pos;
}

void TSynHTMLSyn::TextProc() {
  const char16_t first = At(Run);
  if (first < 32 || first == u'<') {
    CharProc();
    return;
  }
  fTokenId = tkText;
  const auto& entities = Entities();
  while (true) {
    const char16_t c = At(Run);
    if (c < 32 || c == u'<') return;
    if (c != u'&') {
      ++Run;
      continue;
    }
    if (At(Run + 1) == u'#') {
      const int end = NumericEntityEnd(Run + 2);
      if (At(end) == u';') {
        // The text token ends before the "&"; the entity is the next token.
        fAndCode = -1;
        fRange = rsAmpersand;
      } else {
        Run = end;
      }
      return;
    }
    const std::u16string_view rest(fLine + Run, static_cast<size_t>(fLineLen - Run));
    for (size_t i = 0; i < entities.size(); ++i) {
      if (rest.size() >= entities[i].size() && rest[1] == entities[i][1] &&
          rest.substr(0, entities[i].size()) == entities[i]) {
        fAndCode = static_cast<int>(i);
        fRange = rsAmpersand;
        return;
      }
    }
    ++Run;  // no entity: the "&" is text
  }
}

void TSynHTMLSyn::AmpersandProc() {
  if (fRange == rsAmpersand) {
    const auto& entities = Entities();
    const std::u16string_view rest(fLine + Run, static_cast<size_t>(fLineLen - Run));
    if (fAndCode >= 0 && fAndCode < static_cast<int>(entities.size()) &&
        rest.substr(0, entities[static_cast<size_t>(fAndCode)].size()) == entities[static_cast<size_t>(fAndCode)]) {
      fTokenId = tkAmpersand;
      Run += static_cast<int>(entities[static_cast<size_t>(fAndCode)].size());
    } else {
      ++Run;  // the "&"
      if (At(Run) == u'#') ++Run;
      Run = NumericEntityEnd(Run);
      if (At(Run) == u';') {
        ++Run;
        fTokenId = tkAmpersand;
      } else {
        fTokenId = tkText;
      }
    }
    fAndCode = -1;
    fRange = rsText;
    return;
  }
  if (fRange == rsKey) {
    ++Run;
    fTokenId = tkText;
    fRange = rsText;
    return;
  }
  WordProc();
}
