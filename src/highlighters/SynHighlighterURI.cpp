#include "highlighters/SynHighlighterURI.h"

#include "platform/WideChar.h"

namespace {

struct PrefixSlot {
  std::u16string_view Text;
  int Kind;
};

// Indexed by the prefix hash; the empty slots always give other text.
constexpr PrefixSlot kPrefixes[16] = {
    {u"", TSynURISyn::tkUnknown},
    {u"http://", TSynURISyn::tkHttpLink},
    {u"", TSynURISyn::tkUnknown},
    {u"https://", TSynURISyn::tkHttpsLink},
    {u"news:", TSynURISyn::tkNewsLink},
    {u"gopher://", TSynURISyn::tkGopherLink},
    {u"", TSynURISyn::tkUnknown},
    {u"prospero://", TSynURISyn::tkProspero},
    {u"news://", TSynURISyn::tkNewsLink},
    {u"www", TSynURISyn::tkWebLink},
    {u"nntp://", TSynURISyn::tkNntpLink},
    {u"ftp://", TSynURISyn::tkFtpLink},
    {u"wais://", TSynURISyn::tkWaisLink},
    {u"", TSynURISyn::tkUnknown},
    {u"telnet://", TSynURISyn::tkTelnetLink},
    {u"mailto:", TSynURISyn::tkMailtoLink},
};

bool IsAlphaNum(char16_t c) {
  return widechar::IsLetterOrDigit(c);
}

bool IsMark(char16_t c) {
  switch (c) {
    case u'-':
    case u'.':
    case u'_':
    case u'~':
    case u'!':
    case u'\'':
    case u'(':
    case u')':
    case u'*':
      return true;
    default:
      return false;
  }
}

bool IsReserved(char16_t c) {
  switch (c) {
    case u'#':
    case u'$':
    case u'%':
    case u'&':
    case u'+':
    case u',':
    case u'/':
    case u':':
    case u';':
    case u'=':
    case u'?':
    case u'@':
      return true;
    default:
      return false;
  }
}

bool IsURIChar(char16_t c) {
  return IsReserved(c) || IsAlphaNum(c) || IsMark(c);
}

// Marks other than the apostrophe and reserved characters other than '/' and '$'.
bool IsNeverAtEnd(char16_t c) {
  return (IsMark(c) && c != u'\'') || (IsReserved(c) && c != u'/' && c != u'$');
}

bool IsMailChar(char16_t c) {
  return IsAlphaNum(c) || c == u'-' || c == u'.' || c == u'@' || c == u'_';
}

// One step of the prefix hash.
unsigned HashStep(unsigned h, char16_t c) {
  return (h * 3 + c / 9) % 16;
}

using K = TSynURISyn;

// The attributes, each with the token kinds shown in it.
constexpr TSynAttrRow<K> kAttributes[] = {
    {-1, "URI", &K::URIAttri, syn::fsUnderline, 0xFF0000},
    {-1, "Visited URI", &K::VisitedURIAttri, syn::fsUnderline, 0x800080},
};

}  // namespace

TSynURISyn::TSynURISyn() : TSynFamilyHighlighter("TSynURISyn") {
  fSpaceAttri = std::make_unique<TSynHighlighterAttributes>("Space", u"Space");
  fIdentifierAttri = std::make_unique<TSynHighlighterAttributes>("Identifier", u"Identifier");
  CreateAttributes(*this, kAttributes);
  SetCommonKinds(tkNullChar, tkSpace, tkUnknown);
  FinishCreate(0);
}

TSynURISyn::~TSynURISyn() = default;

std::u16string_view TSynURISyn::PrefixOfSlot(int Slot) {
  return Slot >= 0 && Slot < 16 ? kPrefixes[Slot].Text : u"";
}

TSynHighlighterAttributes* TSynURISyn::GetDefaultAttribute(int Index) const {
  switch (Index) {
    case SYN_ATTR_IDENTIFIER:
      return fIdentifierAttri.get();
    case SYN_ATTR_WHITESPACE:
      return fSpaceAttri.get();
    case 6:
      return URIAttri;
    case 7:
      return VisitedURIAttri;
    default:
      return nullptr;
  }
}

TSynHighlighterAttributes* TSynURISyn::GetTokenAttribute() const {
  const int kind = GetTokenKind();
  if (kind == tkSpace) return fSpaceAttri.get();
  if (kind >= tkFtpLink && kind <= tkWebLink) {
    if (fAlreadyVisitedURI &&
        fAlreadyVisitedURI(CasedLine().substr(static_cast<size_t>(fTokenPos), static_cast<size_t>(Run - fTokenPos))))
      return VisitedURIAttri;
    return URIAttri;
  }
  if (kind == tkUnknown) return fIdentifierAttri.get();
  return nullptr;
}

std::u16string TSynURISyn::GetSampleSource() const {
  return u"Links found in plain text:\r\n"
         u"Web page: http://www.example.org/index.html\r\n"
         u"Files: ftp://ftp.example.org/pub/\r\n"
         u"Bare address: www.example.org\r\n"
         u"Mail link: mailto:someone@example.org\r\n"
         u"E-mail: someone@example.org\r\n"
         u"News: news:comp.lang.misc";
}

bool TSynURISyn::IsIdentChar(char16_t AChar) const {
  return IsAlphaNum(AChar);
}

void TSynURISyn::DoSetLine(std::u16string_view Value, int LineNumber) {
  TSynFamilyHighlighter::DoSetLine(Value, LineNumber);
  fNoMailFrom = fNoMailTo = -1;
}

void TSynURISyn::NullProc() {
  // The terminating NUL (or a NUL inside the line) is one character; past the line it is kind 0.
  fTokenId = Run <= fLineLen ? tkNullChar : tkNull;
  ++Run;
}

void TSynURISyn::CRProc() {
  fTokenId = tkSpace;
  ++Run;
  if (At(Run) == 10) ++Run;
}

void TSynURISyn::LFProc() {
  fTokenId = tkSpace;
  ++Run;
}

void TSynURISyn::SpaceProc() {
  fTokenId = tkSpace;
  ++Run;
  while (Run < fLineLen) {
    const char16_t c = fLine[Run];
    if (c < 1 || c > 32 || c == 10 || c == 13) break;
    ++Run;
  }
}

void TSynURISyn::UnknownProc() {
  fTokenId = tkUnknown;
  ++Run;
}

bool TSynURISyn::MailAddress() {
  const int start = Run;
  if (start >= fNoMailFrom && start < fNoMailTo) return false;
  int p = start;
  while (p < fLineLen) {
    const char16_t c = fLine[p];
    if (!IsMailChar(c)) break;
    if (c == u'.' && (p == start || fLine[p - 1] == u'.')) break;
    ++p;
  }
  const int scanEnd = p;
  int end = scanEnd;
  while (end > start && (fLine[end - 1] == u'.' || fLine[end - 1] == u'@')) --end;
  int lastAt = -1;
  int lastDot = -1;
  for (int i = end - 1; i >= start && lastAt < 0; --i) {
    if (fLine[i] == u'@')
      lastAt = i;
    else if (fLine[i] == u'.' && lastDot < 0)
      lastDot = i;
  }
  if (lastAt > start && lastAt <= end - 3 && lastDot >= lastAt + 2) {
    Run = end;
    return true;
  }
  // Every start inside this run reaches the same end and sees no more: remember the failure.
  fNoMailFrom = start;
  fNoMailTo = scanEnd;
  return false;
}

bool TSynURISyn::LinkTest(int PrefixEnd, bool WebLink) {
  int p = PrefixEnd;
  while (p < fLineLen && IsURIChar(fLine[p])) {
    if (fLine[p] == u'.' && p > PrefixEnd && fLine[p - 1] == u'.') {
      // "/../" and "\..\" may stay inside a link; any other ".." ends it.
      const char16_t before = At(p - 2);
      const char16_t after = At(p + 1);
      if (!((before == u'/' && after == u'/') || (before == u'\\' && after == u'\\'))) break;
    }
    ++p;
  }
  // Never below the prefix end: "news:" and "mailto:" themselves end in such a character.
  while (p > PrefixEnd && IsNeverAtEnd(fLine[p - 1])) --p;
  if (p <= PrefixEnd) return false;
  if (WebLink) {
    if (fLine[PrefixEnd] != u'.') return false;
    int second = -1;
    for (int i = PrefixEnd + 1; i < p; ++i) {
      if (fLine[i] == u'.') {
        second = i;
        break;
      }
    }
    if (second < PrefixEnd + 2 || second + 1 >= p) return false;
  }
  Run = p;
  return true;
}

void TSynURISyn::AlphaProc() {
  if (MailAddress()) {
    fTokenId = tkMailtoLink;
    return;
  }
  const int start = Run;
  unsigned h = 0;
  while (Run < fLineLen && widechar::IsLetter(fLine[Run])) h = HashStep(h, fLine[Run++]);
  if (At(Run) == u':') h = HashStep(h, fLine[Run++]);
  for (int slashes = 0; slashes < 2 && At(Run) == u'/'; ++slashes) h = HashStep(h, fLine[Run++]);
  fTokenId = tkUnknown;
  const std::u16string_view prefix = kPrefixes[h].Text;
  if (prefix.empty() || std::u16string_view(fLine + start, static_cast<size_t>(Run - start)) != prefix) return;
  const int kind = kPrefixes[h].Kind;
  if (LinkTest(Run, kind == tkWebLink)) fTokenId = static_cast<std::uint8_t>(kind);
}

void TSynURISyn::Next() {
  fTokenPos = Run;
  if (Run >= fLineLen) {
    NullProc();
  } else {
    const char16_t c = fLine[Run];
    if (c == 0)
      NullProc();
    else if (c == 13)
      CRProc();
    else if (c == 10)
      LFProc();
    else if (c <= 32)
      SpaceProc();
    else if (widechar::IsLetter(c))
      AlphaProc();
    else
      UnknownProc();
  }
  TSynFamilyHighlighter::Next();
}
