#include "highlighters/SynHighlighterFamily.h"

#include <algorithm>

#include "editor/SynUnicode.h"
#include "platform/CodePage.h"

// ---- TSynHashKeywordTable ----

TSynHashKeywordTable::TSynHashKeywordTable(std::uint32_t A, std::uint32_t B, std::uint32_t M,
                                           bool (*isHashChar)(char16_t), std::vector<Word> words)
    : fA(A), fB(B), fM(M), fWords(std::move(words)), fIndex(M, -1) {
  for (unsigned c = 0; c < 256; ++c) fHashChar[c] = isHashChar(static_cast<char16_t>(c));
  for (size_t i = 0; i < fWords.size(); ++i) {
    const std::uint32_t h = SlotOf(fWords[i].Text);
    if (fIndex[h] >= 0)
      fClashes.push_back(fWords[i].Text);
    else
      fIndex[h] = static_cast<std::int32_t>(i);
  }
}

std::uint32_t TSynHashKeywordTable::SlotOf(std::u16string_view text) const {
  std::uint32_t h = 0;
  for (char16_t c : text) h = h * fA + static_cast<std::uint32_t>(c) * fB;
  return h % fM;
}

std::vector<TSynHashKeywordTable::Word> SynKeywordWords(std::initializer_list<std::u16string_view> texts,
                                                        std::uint8_t group) {
  std::vector<TSynHashKeywordTable::Word> out;
  out.reserve(texts.size());
  for (auto t : texts) out.push_back({t, group});
  return out;
}

void SynSetKeywordGroup(std::vector<TSynHashKeywordTable::Word>& words,
                        std::initializer_list<std::u16string_view> texts, std::uint8_t group) {
  for (auto& w : words)
    for (auto t : texts)
      if (w.Text == t) w.Group = group;
}

// ---- Sorted lists ----

void SortKeywordList(std::vector<std::u16string>& list) {
  for (auto& s : list) s = WideUpperCase(s);
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

bool SortedKeywordListHas(const std::vector<std::u16string>& list, std::u16string_view upperToken) {
  int first = 0;
  int last = static_cast<int>(list.size()) - 1;
  while (first <= last) {
    const int middle = first + (last - first) / 2;
    const int c = std::u16string_view(list[static_cast<size_t>(middle)]).compare(upperToken);
    if (c == 0) return true;
    if (c < 0)
      first = middle + 1;
    else
      last = middle - 1;
  }
  return false;
}

TSynKeywordList MakeKeywordList(std::vector<std::u16string> words) {
  SortKeywordList(words);
  return std::make_shared<const std::vector<std::u16string>>(std::move(words));
}

TSynKeywordList MakeKeywordList(const TWideStrings& words) {
  std::vector<std::u16string> list;
  list.reserve(static_cast<size_t>(words.Count()));
  for (int i = 0; i < words.Count(); ++i) list.push_back(words.Strings(i));
  return MakeKeywordList(std::move(list));
}

// ---- TSynFamilyHighlighter ----

TSynFamilyHighlighter::TSynFamilyHighlighter(const char* className) : fLanguage(FindSynLanguage(className)) {
  // Every language of the family has a row; a missing one is a programming error caught at once.
  if (!fLanguage) throw Exception(std::string("No language table row for ") + className);
  fCaseSensitive = fLanguage->CaseSensitive == 1;
}

TSynFamilyHighlighter::~TSynFamilyHighlighter() = default;

std::string TSynFamilyHighlighter::ClassName() const {
  return fLanguage->ClassName;
}

std::u16string TSynFamilyHighlighter::GetLanguageCaption() const {
  return fLanguage->LanguageName;
}

std::u16string TSynFamilyHighlighter::GetLanguageName() const {
  return fLanguage->LanguageName;
}

bool TSynFamilyHighlighter::IsFilterStored() const {
  return DefaultFilter() != fLanguage->Filter;
}

TSynHighlighterAttributes* TSynFamilyHighlighter::GetTokenAttribute() const {
  return AttributeOfKind(GetTokenKind());
}

TSynHighlighterAttributes* TSynFamilyHighlighter::NewAttr(const char* storageName, TFontStyles style, TColor foreground,
                                                          TColor background) {
  std::u16string friendly;
  for (const char* p = storageName; *p; ++p) friendly.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  TSynHighlighterAttributes* a = AddAttribute(storageName, std::move(friendly));
  a->SetStyle(style);
  a->SetForeground(foreground);
  a->SetBackground(background);
  return a;
}

void TSynFamilyHighlighter::CheckSameAttribute(const TSynHighlighterAttributes& attr, const char* storageName,
                                               TFontStyles style, TColor foreground, TColor background) {
  const bool plain = style == 0 && foreground == syn::clNone && background == syn::clNone;
  const bool same = style == attr.Style() && foreground == attr.Foreground() && background == attr.Background();
  if (attr.Name() != storageName || !(plain || same))
    throw Exception("attribute table: " + attr.Name() + " is given again as " + storageName);
}

void TSynFamilyHighlighter::MapKind(int kind, TSynHighlighterAttributes* attr) {
  if (kind >= 0 && kind < static_cast<int>(fKindAttr.size())) fKindAttr[static_cast<size_t>(kind)] = attr;
}

void TSynFamilyHighlighter::SetCommonKinds(std::uint8_t nullKind, std::uint8_t spaceKind, std::uint8_t illegalKind) {
  fNullKind = nullKind;
  fSpaceKind = spaceKind;
  fIllegalKind = illegalKind;
}

void TSynFamilyHighlighter::FinishCreate(std::uint8_t initialRange) {
  SetAttributesOnChange([this](TSynPersistent* sender) { AttributeChanged(sender); });
  SetDefaultFilter(fLanguage->Filter);
  fInitialRange = initialRange;
  fRange = initialRange;
}

void TSynFamilyHighlighter::NullProc() {
  fTokenId = fNullKind;
  ++Run;
}

void TSynFamilyHighlighter::CRProc() {
  fTokenId = fSpaceKind;
  ++Run;
  if (At(Run) == 10) ++Run;
}

void TSynFamilyHighlighter::LFProc() {
  fTokenId = fSpaceKind;
  ++Run;
}

void TSynFamilyHighlighter::SpaceProc() {
  fTokenId = fSpaceKind;
  ++Run;
  while (Run < fLineLen) {
    const char16_t c = fLine[Run];
    if (c > 32 || c == 10 || c == 13) break;
    ++Run;
  }
}

void TSynFamilyHighlighter::UnknownProc() {
  ++Run;
  fTokenId = fIllegalKind;
}

bool TSynFamilyHighlighter::LineEndProc() {
  switch (At(Run)) {
    case 0:
      NullProc();
      return true;
    case 10:
      LFProc();
      return true;
    case 13:
      CRProc();
      return true;
    default:
      return false;
  }
}

int TSynFamilyHighlighter::OperatorLength(char16_t c, unsigned extras) const {
  const char16_t n = At(Run + 1);
  switch (c) {
    case u'&':
    case u'|':
    case u'+':
      return n == c || n == u'=' ? 2 : 1;
    case u'-':
      return n == u'-' || n == u'=' || (n == u'>' && (extras & soArrow)) ? 2 : 1;
    case u'<':
      if (n == u'<') return At(Run + 2) == u'=' ? 3 : 2;
      return n == u'=' ? 2 : 1;
    case u'>':
      if (n == u'>') {
        if ((extras & soUnsignedShift) && At(Run + 2) == u'>') return At(Run + 3) == u'=' ? 4 : 3;
        return At(Run + 2) == u'=' ? 3 : 2;
      }
      return n == u'=' ? 2 : 1;
    case u':':
      return n == u':' && (extras & soScope) ? 2 : 1;
    default:  // * % ^ ! =
      return n == u'=' ? 2 : 1;
  }
}

void TSynFamilyHighlighter::SimpleNumberProc(std::uint8_t kind) {
  fTokenId = kind;
  ++Run;
  for (;;) {
    const char16_t c = At(Run);
    if (c == u'.' && At(Run + 1) == u'.') break;
    // The line is scanned lower-cased: "E" arrives as "e".
    if (!(SynIsDigit(c) || c == u'.' || c == u'e')) break;
    ++Run;
  }
}

void TSynFamilyHighlighter::CStyleNumberProc(std::uint8_t kind) {
  fTokenId = kind;
  ++Run;
  while (true) {
    const char16_t c = At(Run);
    const bool numberChar =
        SynIsHexDigit(c) || c == u'L' || c == u'l' || c == u'X' || c == u'x' || c == u'-' || c == u'.';
    if (!numberChar) return;
    if (c == u'.' && At(Run + 1) == u'.') return;
    ++Run;
  }
}

int TSynFamilyHighlighter::HashLookup(const TSynHashKeywordTable& table) {
  // The line is NUL-terminated and 0 is never a hash character, so the walk stops at the line end.
  const char16_t* start = fLine + Run;
  const char16_t* p = start;
  std::uint32_t h = 0;
  const std::uint32_t a = table.A(), b = table.B();
  while (table.IsHashChar(*p)) {
    h = h * a + static_cast<std::uint32_t>(*p) * b;
    ++p;
  }
  fToIdent = start;
  fStringLen = static_cast<int>(p - start);
  const int index = table.IndexOfSlot(h % table.M());
  if (index < 0) return -1;
  const std::u16string_view word = table.At(index).Text;
  if (static_cast<int>(word.size()) != fStringLen || std::u16string_view(start, word.size()) != word) return -1;
  return index;
}

// ---- Token dump ----

namespace {

void AppendEscaped(std::string& out, std::u16string_view text) {
  for (char ch : codepage::Utf16ToUtf8(text)) {
    if (ch == '\\')
      out += "\\\\";
    else if (ch == '\t')
      out += "\\t";
    else if (ch == '\n')
      out += "\\n";
    else
      out += ch;
  }
}

}  // namespace

bool SynDumpTokens(TSynCustomHighlighter& highlighter, const std::vector<std::u16string>& lines, std::string& out) {
  std::intptr_t range = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    if (i == 0)
      highlighter.ResetRange();
    else
      highlighter.SetRange(range);
    const std::u16string& line = lines[i];
    highlighter.SetLine(line, static_cast<int>(i));
    const long long limit = 4LL * static_cast<long long>(line.size()) + 16;
    long long calls = 0;
    while (!highlighter.GetEol()) {
      if (++calls > limit) {
        out += number + "\tHANG\n";
        return false;
      }
      const std::u16string token = highlighter.GetToken();
      const TSynHighlighterAttributes* attr = highlighter.GetTokenAttribute();
      out += number + '\t' + std::to_string(highlighter.GetTokenPos()) + '\t' + std::to_string(token.size()) + '\t' +
             (attr ? attr->Name() : std::string("-")) + '\t' + std::to_string(highlighter.GetTokenKind()) + '\t';
      AppendEscaped(out, token);
      out += '\n';
      highlighter.Next();
    }
    range = highlighter.GetRange();
    out += number + "\tEOL\t" + std::to_string(range) + '\n';
  }
  return true;
}
