#include "databank/uTextSearchUtils.h"

#include <algorithm>
#include <cstring>

#include "databank/uDataBankContent.h"
#include "databank/uFilterExpression.h"
#include "databank/uMRUList.h"
#include "databank/words.h"
#include "platform/CodePage.h"
#include "platform/WideChar.h"
#include "xml/xevXMLParser2.h"

namespace {

std::string g_lastRegExprError;

// The bound of the running TMatchRun (active while one lives).
struct TRunBudget {
  bool Active = false;
  std::int64_t Remaining = 0;
};
TRunBudget g_run;

char UpperAZ(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;

// 'a'..'z' of eight bytes upper-cased: added to, each byte's low seven bits stay in their byte,
// and the high bit says ">= 'a'" and "> 'z'"; bytes from 0x80 up are no letters.
std::uint64_t UpperAZWord(std::uint64_t w) {
  const std::uint64_t low = w & ~kHigh;
  const std::uint64_t lower = (low + kOnes * (0x80 - 'a')) & ~(low + kOnes * (0x80 - 'z' - 1)) & ~w & kHigh;
  return w ^ (lower >> 2);
}

void UpperAZInPlace(std::string& s, std::size_t from = 0) {
  char* p = s.data();
  const std::size_t n = s.size();
  std::size_t i = from;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    w = UpperAZWord(w);
    std::memcpy(p + i, &w, 8);
  }
  for (; i < n; ++i) p[i] = UpperAZ(p[i]);
}

// out := text with 'a'..'z' upper-cased, as far as it is ASCII; returns how far that is (out then
// holds just those bytes).
std::size_t UpperAsciiInto(std::string& out, std::string_view text) {
  const std::size_t n = text.size();
  out.resize(n);
  char* o = out.data();
  const char* p = text.data();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & kHigh) break;
    w = UpperAZWord(w);
    std::memcpy(o + i, &w, 8);
  }
  for (; i < n && static_cast<unsigned char>(p[i]) < 0x80; ++i) o[i] = UpperAZ(p[i]);
  out.resize(i);
  return i;
}

bool IsUpperAZ(unsigned char c) {
  return c >= 'A' && c <= 'Z';
}

// Whether an engine byte of a literal is one character of the UTF-8 subject: 1 one UTF-8
// sequence (the byte's character), 2 an ASCII letter in either case, 0 neither (the stand-in, and
// ignoring case a byte beyond ASCII more characters fold as: É for é, ...). Ignoring case K and S
// stand for the Kelvin sign and the long s too, which the requirement's check looks for apart
// (TRequirement::FoldsIntoAscii).
int SingleCharacter(unsigned char c, bool caseSensitive, unsigned char standIn) {
  if (c == standIn) return 0;
  if (caseSensitive) return 1;
  if (c < 0x80) return IsUpperAZ(c) || (c >= 'a' && c <= 'z') ? 2 : 1;
  return widechar::CaseVariants(widechar::FoldCodePoint(codepage::Cp1252ToChar(c))).size() == 1 ? 1 : 0;
}

// The engine's requirement as the UTF-8 subject holds it. A byte beyond ASCII is the UTF-8 of its
// character there, and a letter of an upper-cased subject was either case. A byte that stands for
// more than one character (SingleCharacter 0) cuts a literal, whose longest piece is kept (so does a
// position of a set or a dot), cannot anchor, and in a set takes every byte beyond ASCII.
TSearchRegExpr::TRequirement RawRequirement(const regexpr::TRegExpr& engine, bool caseSensitive,
                                            unsigned char standIn) {
  TSearchRegExpr::TRequirement raw;
  raw.CaseSensitive = caseSensitive;
  raw.FoldsIntoAscii = !caseSensitive && (engine.TakenBytes().Has('K') || engine.TakenBytes().Has('S'));
  auto letter = [](unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
  auto single = [&](unsigned char c) { return SingleCharacter(c, caseSensitive, standIn); };
  const regexscan::Literal<unsigned char>& lit = engine.RequiredLiteral();
  // An exact byte, or a letter in either case; not a position of a set or of any byte (a dot).
  auto exactAt = [&](std::size_t i) { return lit.fold[i] == 0 || (lit.fold[i] == 0x20 && letter(lit.want[i])); };
  regexscan::Literal<unsigned char> piece;
  std::size_t pieceStart = 0;
  for (std::size_t i = 0; i <= lit.Size(); ++i) {
    const unsigned char c = i < lit.Size() ? (lit.want[i] & ~lit.fold[i]) : 0;
    if (i < lit.Size() && exactAt(i) && single(c)) {
      if (c < 0x80)
        piece.Add(c, lit.fold[i] != 0 || single(c) == 2);
      else
        for (char u : codepage::Cp1252ToUtf8(std::string(1, char(c)))) piece.Add(static_cast<unsigned char>(u), false);
      continue;
    }
    if (piece.Size() > raw.Literal.Size()) {
      raw.Literal = piece;
      raw.From = engine.RequiredOffset() + pieceStart;
    }
    piece.Clear();
    pieceStart = i + 1;
  }
  // A literal with sets or dots in it is looked for whole in the ASCII stretches of the subject,
  // from its rarest exact ASCII position that no character beyond ASCII becomes.
  std::size_t anchor = lit.Size();
  bool gapped = false;
  for (std::size_t i = 0; i < lit.Size(); ++i) {
    const bool exact = exactAt(i);
    gapped = gapped || !exact;
    const unsigned char c = lit.want[i] & ~lit.fold[i];
    if (exact && c < 0x80 && single(c) && (anchor == lit.Size() || lit.Commonness(i) < lit.Commonness(anchor)))
      anchor = i;
  }
  const std::vector<regexscan::StartSet>& run = engine.PlainRun();
  unsigned runCommonness = 0;
  for (std::size_t i = 0; i < run.size(); ++i) {
    // The raw ASCII bytes the position takes, once the subject's case rule made them the engine's.
    // Only a position whose bytes are all ASCII that no character beyond ASCII becomes can anchor.
    bool ascii = true;
    for (unsigned c = 0x80; c < 256 && ascii; ++c) ascii = !run[i].Has(c);
    for (unsigned c = 0; c < 0x80 && ascii; ++c) ascii = !run[i].Has(c) || single(static_cast<unsigned char>(c));
    if (!ascii) continue;
    int members = 0;
    unsigned bytes[2] = {}, commonness = 0;
    for (unsigned c = 0; c < 0x80; ++c) {
      const unsigned seen = caseSensitive ? c : static_cast<unsigned char>(UpperAZ(static_cast<char>(c)));
      if (!run[i].Has(seen)) continue;
      if (members < 2) bytes[members] = c;
      ++members;
      commonness += regexscan::ByteCommonness(c);
    }
    const bool exact = members == 1 || (members == 2 && regexscan::IsCasePair(bytes[0], bytes[1]));
    if (!exact) continue;
    if (raw.Run.empty() || commonness < runCommonness) {
      raw.Run = run;
      raw.RunAnchor = i;
      raw.RunAnchorByte.Clear();
      raw.RunAnchorByte.Add(static_cast<unsigned char>(bytes[0]), members == 2);
      runCommonness = commonness;
    }
  }
  raw.EndRun = engine.EndRun();
  if (gapped && anchor < lit.Size()) {
    raw.Gapped = lit;
    raw.GappedFrom = engine.RequiredOffset();
    raw.Anchor = anchor;
    const unsigned char c = lit.want[anchor] & ~lit.fold[anchor];
    raw.AnchorByte.Add(c, lit.fold[anchor] != 0 || single(c) == 2);
  }
  if (!raw.Literal.Empty()) {
    raw.Literal.ScanRarest();
    return raw;
  }
  const regexscan::StartSet* bytes = engine.RequiredBytes();
  if (!bytes) return raw;
  raw.HasBytes = true;
  for (unsigned c = 0; c < 256; ++c) {
    if (!bytes->Has(c)) continue;
    if (!single(static_cast<unsigned char>(c)) || (c >= 0x80 && !caseSensitive))
      for (unsigned high = 0x80; high < 256; ++high) raw.Bytes.Add(high);
    if (c < 0x80) {
      raw.Bytes.Add(c);
      if (!caseSensitive && letter(static_cast<unsigned char>(c))) raw.Bytes.Add(c ^ 0x20);
    } else {
      raw.Bytes.Add(static_cast<unsigned char>(codepage::Cp1252ToUtf8(std::string(1, char(c)))[0]));
    }
  }
  raw.Bytes.Finish();
  return raw;
}

std::vector<std::string> PatternWords(std::string_view pattern) {
  TWords words;
  words.Split(pattern, WordDelimiters());
  return std::move(words.Items);
}

// All words: the first word not found ends the search; any word: the first one found.
template <class Found>
bool WordsMatch(size_t count, int mode, Found&& found) {
  bool result = false;
  for (size_t i = 0; i < count; ++i) {
    result = found(i);
    if (mode == stAllWords ? !result : result) break;
  }
  return result;
}

TSearchRegExpr& PlainRegExpr(std::string_view expression, bool caseSensitive) {
  static TSearchRegExpr regExpr;
  static std::string last;
  static bool set = false, lastCase = false;
  if (!set || last != expression || lastCase != caseSensitive) {
    last.assign(expression);
    lastCase = caseSensitive;
    set = true;
    regExpr.SetExpression(expression, caseSensitive);
  }
  return regExpr;
}

// Whether the text holds needle, both folded unless caseSensitive.
bool HoldsText(std::string_view text, std::string_view needle, bool caseSensitive) {
  if (caseSensitive) return text.find(needle) != std::string_view::npos;
  return widechar::FoldUtf8(text).find(widechar::FoldUtf8(needle)) != std::string::npos;
}

}  // namespace

bool IsAsciiText(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  std::uint64_t acc = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    acc |= w;
  }
  for (; n > 0; ++p, --n) acc |= static_cast<unsigned char>(*p);
  return (acc & 0x8080808080808080ull) == 0;
}

std::string PrepareCase(std::string_view text, bool caseSensitive) {
  std::string out(text);
  if (!caseSensitive) UpperAZInPlace(out);
  return out;
}

std::string PrepareRegExprCase(std::string_view expression, bool caseSensitive) {
  std::string out(expression);
  if (caseSensitive) return out;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\\') {
      ++i;  // the escaped character keeps its case
      continue;
    }
    out[i] = UpperAZ(out[i]);
  }
  return out;
}

std::string PrepareSearchText(std::string_view text, bool caseSensitive, int mode) {
  return mode == stRegExpr ? PrepareRegExprCase(text, caseSensitive) : PrepareCase(text, caseSensitive);
}

const std::string& LastRegExprError() {
  return g_lastRegExprError;
}

bool MatchText(std::string_view text, std::string_view pattern, bool wholeWords, int mode, bool caseSensitive) {
  g_lastRegExprError.clear();
  switch (mode) {
    case stPhrase:
      return !pattern.empty() && HoldsText(text, pattern, caseSensitive);
    case stAllWords:
    case stAnyWord: {
      const std::vector<std::string> words = PatternWords(pattern);
      std::vector<std::string> textWords;
      if (wholeWords) textWords = PatternWords(text);
      return WordsMatch(words.size(), mode, [&](size_t i) {
        if (!wholeWords) return HoldsText(text, words[i], caseSensitive);
        return std::any_of(textWords.begin(), textWords.end(),
                           [&](const std::string& w) { return SameTextIgnoreCase(w, words[i]); });
      });
    }
    case stRegExpr: {
      TSearchRegExpr& regExpr = PlainRegExpr(pattern, caseSensitive);
      const bool found = regExpr.Exec(text);
      g_lastRegExprError = regExpr.Error();
      return found;
    }
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// TSearchRegExpr

namespace {
bool HasByteBeyondAscii(const unsigned char* s, std::size_t from, std::size_t to) {
  for (std::size_t k = from; k < to; ++k)
    if (s[k] >= 0x80) return true;
  return false;
}
}  // namespace

// Where the text is ASCII its bytes are the engine's (but for the case) and stand where the
// engine's do counted from any ASCII byte: each character beyond ASCII takes two to four bytes
// here and one there (a bad byte becomes one "?"), and an ASCII byte is always one of its own. So
// an occurrence of a literal with the anchor at a given ASCII byte lies where it lies here unless a
// byte beyond ASCII stands between its start and that byte (the literal would begin further back
// there); from such a byte on, nothing can be told.
TSearchRegExpr::TVerdict TSearchRegExpr::TRequirement::Check(std::string_view subject) const {
  const TVerdict verdict = CheckLetters(subject);
  // The Kelvin sign and the long s are K and S to the engine where nothing here looked for them.
  if (verdict == TVerdict::NoMatch && FoldsIntoAscii && filterexpr::HoldsAsciiFolding(subject))
    return TVerdict::Unknown;
  return verdict;
}

TSearchRegExpr::TVerdict TSearchRegExpr::TRequirement::CheckLetters(std::string_view subject) const {
  const auto* s = reinterpret_cast<const unsigned char*>(subject.data());
  const std::size_t n = subject.size();
  auto engineByte = [this](unsigned char r) {
    return CaseSensitive ? r : static_cast<unsigned char>(UpperAZ(static_cast<char>(r)));
  };
  if (!EndRun.empty() && !std::memchr(s, 0, n)) {
    // The engine's subject ends with as many bytes as characters end this one, and no longer
    // than it is; its last bytes are these where they are ASCII.
    const std::size_t w = EndRun.size();
    if (n < w) return TVerdict::NoMatch;
    if (HasByteBeyondAscii(s, n - w, n)) return TVerdict::Unknown;
    for (std::size_t i = 0; i < w; ++i)
      if (!EndRun[i].Has(engineByte(s[n - w + i]))) return TVerdict::NoMatch;
    return TVerdict::Match;
  }
  if (!Run.empty()) {
    // Every occurrence the engine could find has its anchor byte here; one whole in an ASCII
    // stretch answers Match, and where none is, only those with a byte beyond ASCII in their way
    // leave the answer to the engine.
    bool unsure = false;
    for (std::size_t at = RunAnchor;; ++at) {
      at = regexscan::Find(RunAnchorByte, s, at, n);
      if (at >= n) return unsure ? TVerdict::Unknown : TVerdict::NoMatch;
      const std::size_t start = at - RunAnchor;
      if (HasByteBeyondAscii(s, start, at)) {
        unsure = true;
        continue;
      }
      std::size_t i = 0;
      for (; i < Run.size() && start + i < n; ++i) {
        const unsigned char r = s[start + i];
        if (r >= 0x80) {
          unsure = true;
          break;
        }
        if (!Run[i].Has(engineByte(r))) break;
      }
      if (i == Run.size()) return TVerdict::Match;
    }
  }
  if (!Gapped.Empty()) {
    bool found = false;
    for (std::size_t at = GappedFrom + Anchor; !found; ++at) {
      at = regexscan::Find(AnchorByte, s, at, n);
      if (at >= n) return TVerdict::NoMatch;
      const std::size_t start = at - Anchor;
      if (HasByteBeyondAscii(s, start, at)) break;
      found = true;
      for (std::size_t i = 0; i < Gapped.Size() && found; ++i) {
        if (start + i >= n) {
          found = false;
          break;
        }
        const unsigned char r = s[start + i];
        if (r >= 0x80) return TVerdict::Unknown;
        found = static_cast<unsigned char>(engineByte(r) | Gapped.fold[i]) == Gapped.want[i];
      }
    }
  }
  if (!Literal.Empty()) return regexscan::Find(Literal, s, From, n) < n ? TVerdict::Unknown : TVerdict::NoMatch;
  return !HasBytes || regexscan::FindStart(Bytes, s, 0, n) < n ? TVerdict::Unknown : TVerdict::NoMatch;
}

namespace {
// Stand-ins to try first: bytes a record seldom holds (controls, DEL, the code page's five
// undefined bytes).
constexpr unsigned char kStandIns[] = {0x7F, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0E, 0x0F,
                                       0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A,
                                       0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x81, 0x8D, 0x8F, 0x90, 0x9D};

bool WordByte(unsigned c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_';
}

// A byte the program names nowhere that no class takes either; -1 when there is none.
int ChooseStandIn(const regexscan::StartSet& named) {
  for (unsigned char c : kStandIns)
    if (!named.Has(c)) return c;
  for (unsigned c = 1; c < 256; ++c)
    if (!named.Has(c) && !WordByte(c)) return int(c);
  return -1;
}

bool WideLimitMessage(int code) {
  return code == synregexpr::reeBacktrackLimitExceeded || code == synregexpr::reeBacktrackStackExceeded;
}
}  // namespace

TSearchRegExpr::TSearchRegExpr() {
  engine_.SetWindows1251(false);  // the bytes are Windows-1252 text: ö is a letter, not \d
}

TSearchRegExpr::~TSearchRegExpr() = default;

bool TSearchRegExpr::SetExpression(std::string_view expression, bool caseSensitive) {
  caseSensitive_ = caseSensitive;
  error_.clear();
  compiled_ = false;
  wide_.reset();
  wideNeedsBeyondAscii_ = false;
  required_ = TRequirement();
  takesUtf8_ = foldsIntoAscii_ = false;
  standIn_ = 0x7F;
  const bool fits = codepage::IsCp1252Representable(expression);
  // The expression's syntax is the single-byte engine's, and so are its messages: one beyond the
  // code page is checked there with its characters outside it as a plain letter.
  std::string bytes;
  if (fits) {
    bytes = codepage::Utf8ToCp1252(expression);
  } else {
    bytes = codepage::Utf8ToCp1252(expression, 'X');
  }
  if (caseSensitive)
    engine_.ClearCaseMap();
  else
    engine_.SetCaseMap(filterexpr::CaseMap());
  try {
    engine_.SetExpression(bytes);
    compiled_ = true;
  } catch (const std::exception& e) {
    error_ = e.what();
    return false;
  }
  const int standIn = fits ? ChooseStandIn(engine_.NamedBytes()) : -1;
  if (standIn >= 0) {
    standIn_ = static_cast<unsigned char>(standIn);
    required_ = RawRequirement(engine_, caseSensitive, standIn_);
    const regexscan::StartSet& taken = engine_.TakenBytes();
    takesUtf8_ = engine_.TriesOnlyFoundStarts() && !taken.Has(standIn_);
    for (unsigned c = 0x80; c < 0x100 && takesUtf8_; ++c) takesUtf8_ = !taken.Has(c);
    foldsIntoAscii_ = !caseSensitive && (taken.Has('K') || taken.Has('S'));
    return true;
  }
  // Over the characters themselves, on the wide engine.
  std::u16string wideExpression;
  if (!filterexpr::WideExpression(expression, wideExpression, error_)) {
    compiled_ = false;
    return false;
  }
  wide_ = std::make_unique<synregexpr::TRegExpr>();
  wide_->SetModifierStr(caseSensitive ? u"sg-irmx" : u"isg-rmx");
  wide_->SetWordChars(filterexpr::WideWordChars);
  wide_->SetExpression(wideExpression);
  try {
    wide_->Compile();
  } catch (const std::exception& e) {
    error_ = e.what();
    compiled_ = false;
    wide_.reset();
    return false;
  }
  const regexscan::Literal<char16_t>& lit = wide_->RequiredLiteral();
  for (std::size_t i = 0; i < lit.Size(); ++i)
    if (lit.fold[i] == 0 && lit.want[i] >= 0x80) wideNeedsBeyondAscii_ = true;
  return true;
}

std::string TSearchRegExpr::EngineBytes(std::string_view subject) const {
  std::string out;
  filterexpr::AppendEngineBytes(out, subject, caseSensitive_, standIn_);
  return out;
}

bool TSearchRegExpr::Exec(std::string_view subject) {
  if (!compiled_) return false;  // Error() keeps the compile error
  error_.clear();
  std::int64_t limit = regexpr::TRegExpr::DefaultBacktrackLimit;
  if (log_) {
    log_->Calls.emplace_back();
    limit = log_->Limit;
  } else if (g_run.Active) {
    if (g_run.Remaining <= 0) {
      error_ = SRegExprTooComplex;
      return false;
    }
    limit = std::min(limit, g_run.Remaining);
  }
  bool found = false;
  const std::int64_t steps = Run(subject, limit, found) ? (wide_ ? wide_->Steps() : engine_.Steps()) : 0;
  if (log_) {
    TRegExprCallLog::TCall& call = log_->Calls.back();
    call.Steps = steps;
    call.Failed = !error_.empty();
    call.Error = error_;
  } else if (g_run.Active) {
    g_run.Remaining -= steps;
  }
  return found;
}

// Runs the engine on subject unless the subject alone answers (false then: no step was taken).
bool TSearchRegExpr::Run(std::string_view subject, std::int64_t limit, bool& found) {
  if (wide_) {
    if (wideNeedsBeyondAscii_ && IsAsciiText(subject)) return false;
    wideSubject_ = codepage::Utf8ToUtf16(subject);
    wide_->SetBacktrackLimit(limit);
    try {
      found = wide_->Exec(wideSubject_);
    } catch (const synregexpr::ERegExpr& e) {
      error_ = WideLimitMessage(e.ErrorCode) ? std::string(SRegExprTooComplex) : e.Message();
    }
    return true;
  }
  // The engine's answer where the subject tells it, no step taken.
  const TVerdict verdict = required_.Check(subject);
  if (verdict != TVerdict::Unknown) {
    found = verdict == TVerdict::Match;
    return false;
  }
  std::string_view bytes = subject;
  if (caseSensitive_) {
    if (!takesUtf8_ && !IsAsciiText(subject)) {
      scratch_.clear();
      filterexpr::AppendEngineBytes(scratch_, subject, true, standIn_);
      bytes = scratch_;
    }
  } else {
    // Copied and upper-cased word by word up to the first byte beyond ASCII; the rest, if any, is
    // taken to the code page, or kept as UTF-8 (upper-cased) where the expression takes no byte
    // beyond ASCII and nothing there folds as a letter it takes.
    const std::size_t ascii = UpperAsciiInto(scratch_, subject);
    if (ascii < subject.size()) {
      const std::string_view rest = subject.substr(ascii);
      if (takesUtf8_ && !(foldsIntoAscii_ && filterexpr::HoldsAsciiFolding(rest))) {
        scratch_.append(rest);
        UpperAZInPlace(scratch_, ascii);
      } else {
        filterexpr::AppendEngineBytes(scratch_, rest, false, standIn_);
      }
    }
    bytes = scratch_;
  }
  engine_.SetBacktrackLimit(limit);
  try {
    found = engine_.Exec(bytes);
  } catch (const std::exception& e) {
    const std::string message = e.what();
    // The engine's own limits: the expression backtracks without end on this text.
    if (message == "Exec: backtrack limit exceeded" || message == "Exec: backtrack stack exceeded")
      error_ = SRegExprTooComplex;
    else
      error_ = message;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// TTextMatcher

TTextMatcher::TTextMatcher(std::string pattern, int mode, bool caseSensitive)
    : pattern_(std::move(pattern)), mode_(mode), caseSensitive_(caseSensitive) {
  if (mode_ == stRegExpr) {
    regExpr_ = std::make_unique<TSearchRegExpr>();
    if (!regExpr_->SetExpression(pattern_, caseSensitive_)) error_ = regExpr_->Error();
    return;
  }
  std::vector<std::string> texts;
  if (mode_ == stPhrase) {
    if (!pattern_.empty()) texts.push_back(pattern_);
  } else if (mode_ == stAllWords || mode_ == stAnyWord) {
    texts = PatternWords(pattern_);
  }
  for (std::string& text : texts) {
    TWordPattern w;
    w.Folded = widechar::FoldUtf8(text);
    w.Ascii = IsAsciiText(w.Folded);
    w.FoldsIntoAscii = w.Ascii && w.Folded.find_first_of("ks") != std::string::npos;
    if (caseSensitive_)
      for (unsigned char c : text) w.Substring.Add(c, false);
    if (w.Ascii) {
      for (unsigned char c : w.Folded) {
        if (!caseSensitive_) w.Substring.Add(c, true);
        w.Whole.Add(c, true);
      }
    }
    w.Substring.ScanRarest();
    w.Whole.ScanRarest();
    w.Text = std::move(text);
    words_.push_back(std::move(w));
  }
}

bool TTextMatcher::Contains(std::string_view text, const TLiteral& literal) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  return regexscan::Find(literal, s, 0, text.size()) < text.size();
}

bool TTextMatcher::HasWholeWord(std::string_view text, const TWordPattern& word) {
  const TCharSet& delimiters = WordDelimiters();
  if (word.Ascii) {
    // A text word equal to an ASCII word folded is ASCII too, but where a character beyond ASCII
    // folds as k or s: the occurrences of the word, taken in either case, that stand between
    // delimiters are then exactly the equal words.
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size(), m = word.Whole.Size();
    for (size_t at = 0; (at = regexscan::Find(word.Whole, s, at, n)) < n; ++at)
      if ((at == 0 || delimiters.Has(text[at - 1])) && (at + m == n || delimiters.Has(text[at + m]))) return true;
    if (!word.FoldsIntoAscii || !filterexpr::HoldsAsciiFolding(text)) return false;
  }
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !delimiters.Has(text[i])) continue;
    if (i > start && SameTextIgnoreCase(text.substr(start, i - start), word.Text)) return true;
    start = i + 1;
  }
  return false;
}

bool TTextMatcher::WordFound(std::string_view text, const TWordPattern& word, bool wholeWords) const {
  if (wholeWords) return HasWholeWord(text, word);
  if (caseSensitive_) return Contains(text, word.Substring);
  if (word.Ascii) {
    if (Contains(text, word.Substring)) return true;
    if (!word.FoldsIntoAscii || !filterexpr::HoldsAsciiFolding(text)) return false;
  } else if (IsAsciiText(text)) {
    return false;  // no ASCII character folds as one beyond it
  }
  return widechar::FoldUtf8(text).find(word.Folded) != std::string::npos;
}

bool TTextMatcher::Match(std::string_view text, bool wholeWords) {
  switch (mode_) {
    case stPhrase:
      return !words_.empty() && WordFound(text, words_.front(), false);
    case stAllWords:
    case stAnyWord:
      return WordsMatch(words_.size(), mode_, [&](size_t i) { return WordFound(text, words_[i], wholeWords); });
    case stRegExpr: {
      const bool found = regExpr_->Exec(text);
      lastError_ = regExpr_->Error();
      return found;
    }
    default:
      return false;
  }
}

bool TTextMatcher::Matches(std::string_view text, bool wholeWords) {
  g_lastRegExprError.clear();
  const bool found = Match(text, wholeWords);
  if (mode_ == stRegExpr) g_lastRegExprError = lastError_;
  return found;
}

TTextMatcher& SearchMatcher(const TSearchForRec& search) {
  static std::unique_ptr<TTextMatcher> matcher;
  if (!matcher || matcher->Pattern() != search.Text || matcher->Mode() != search.SearchType ||
      matcher->CaseSensitive() != search.CaseSensitive)
    matcher = std::make_unique<TTextMatcher>(search.Text, search.SearchType, search.CaseSensitive);
  return *matcher;
}

bool RecordContentMatches(const TxevXMLNode2* node, const TSearchForRec& search) {
  if (!node || bank::IsFolder(node)) return false;
  const TxevXMLNode2* data = node->FindNode(bank::xnData);
  if (!data) return false;
  return SearchMatcher(search).Matches(data->Text(), search.WholeWords);
}

bool RecordContentMatch(const TxevXMLNode2* node, TTextMatcher& matcher, bool wholeWords) {
  if (!node || bank::IsFolder(node)) return false;
  const TxevXMLNode2* data = node->FindNode(bank::xnData);
  return data && matcher.Match(data->Text(), wholeWords);
}

// ---------------------------------------------------------------------------------------------
// TMatchRun

TMatchRun::TMatchRun(std::int64_t budget) : budget_(budget) {
  g_lastRegExprError.clear();
  g_run.Active = true;
  g_run.Remaining = budget;
}

TMatchRun::~TMatchRun() {
  g_run = TRunBudget();
}

std::int64_t TMatchRun::StepsSpent() const {
  return budget_ - g_run.Remaining;
}

std::int64_t RegExprCallLimit() {
  const std::int64_t limit = regexpr::TRegExpr::DefaultBacktrackLimit;
  return g_run.Active ? std::min(limit, std::max<std::int64_t>(g_run.Remaining, 0)) : limit;
}

bool TakeRegExprCalls(const TRegExprCallLog& log) {
  for (const TRegExprCallLog::TCall& call : log.Calls) {
    if (!g_run.Active) {
      if (call.Failed) {
        g_lastRegExprError = call.Error;
        return false;
      }
      continue;
    }
    // What the call would have met here: a spent budget, or a bound it would have gone past (its
    // run took the same steps up to any lower bound, so one it stayed within changes nothing; one
    // it went past stops it a step beyond).
    if (g_run.Remaining <= 0) {
      g_lastRegExprError = SRegExprTooComplex;
      return false;
    }
    const std::int64_t limit = RegExprCallLimit();
    g_run.Remaining -= std::min(call.Steps, limit + 1);
    if (call.Steps > limit) {
      g_lastRegExprError = SRegExprTooComplex;
      return false;
    }
    if (call.Failed) {
      g_lastRegExprError = call.Error;
      return false;
    }
  }
  return true;
}
