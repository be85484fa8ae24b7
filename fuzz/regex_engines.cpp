// Fuzz target over both regex engines: compile an expression, then search a subject with every
// operation (Exec, ExecNext, Substitute, Replace). Any exception of the engines is an answer; a
// crash, a sanitizer report or a hang is a fault. With the byte engine, the record filter's
// expression also runs on the subject taken as UTF-8 and must answer as the engine does on the
// subject converted first (a difference is a fault too).
// Input: byte 0 chooses the engine and the wide engine's modifiers (for the byte engine: bit 1 the
// filter's check, bit 2 case-sensitive); the rest is expression and subject separated by the first
// 0x01 byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "databank/uFilterExpression.h"
#include "databank/uTextSearchUtils.h"
#include "platform/CodePage.h"
#include "regex/RegExpr.h"
#include "regex/SynRegExpr.h"

namespace {

// Bytes to UTF-16 units; a few high bytes stand for units worth reaching (separators, Cyrillic,
// a lone surrogate, NUL).
std::u16string Widen(const uint8_t* p, size_t n) {
  static const char16_t special[] = {0x2028, 0x2029, 0x0085, 0x0430, 0x044F, 0x0451, 0x0410, 0xD800, 0x0000, 0xFFFF};
  std::u16string out;
  for (size_t i = 0; i < n; ++i) {
    uint8_t b = p[i];
    out += b >= 0xF6 ? special[b - 0xF6] : char16_t(b);
  }
  return out;
}

void RunWide(uint8_t flags, const uint8_t* e, size_t en, const uint8_t* s, size_t sn) {
  synregexpr::TRegExpr re;
  re.SetBacktrackLimit(20000);
  try {
    re.SetModifier(synregexpr::ModifierI, flags & 2);
    re.SetModifier(synregexpr::ModifierS, !(flags & 4));
    re.SetModifier(synregexpr::ModifierG, !(flags & 8));
    re.SetModifier(synregexpr::ModifierM, flags & 16);
    re.SetModifier(synregexpr::ModifierX, flags & 32);
    re.SetModifier(synregexpr::ModifierR, !(flags & 64));
    if (flags & 128) re.SetLinePairedSeparator(u"");
    re.SetExpression(Widen(e, en));
    std::u16string subject = Widen(s, sn);
    int n = 0;
    if (re.Exec(subject)) {
      do {
        int pos = re.MatchPos(0), len = re.MatchLen(0);
        if (pos < 1 || len < 0 || pos - 1 + len > int(subject.size())) __builtin_trap();
        for (int g = 1; g < synregexpr::NSUBEXP; ++g)
          if (re.MatchPos(g) > 0 && re.MatchPos(g) - 1 + re.MatchLen(g) > int(subject.size())) __builtin_trap();
        re.Substitute(u"<$1|${2}|$&|\\$>");
      } while (++n < 64 && re.ExecNext());
    }
    re.Replace(subject, u"[$&]", true);
  } catch (const synregexpr::ERegExpr&) {
  }
}

void RunByte(const uint8_t* e, size_t en, const uint8_t* s, size_t sn) {
  regexpr::TRegExpr re;
  re.SetBacktrackLimit(20000);
  try {
    re.SetExpression(std::string(reinterpret_cast<const char*>(e), en));
    re.Exec(std::string(reinterpret_cast<const char*>(s), sn));
  } catch (const regexpr::ERegExpr&) {
  }
}

// The filter's road (what the expression requires looked for in the UTF-8 text, the text handed
// over unconverted where the expression allows it) against converting every text first: the same
// compile error, answer, error and steps. The expression's bytes are Windows-1252, as the filter
// takes them from its UTF-8; the engine reads them as the filter's does (no Windows-1251 option,
// ignoring case through the filter's case map).
void RunFilter(bool caseSensitive, const uint8_t* e, size_t en, const uint8_t* s, size_t sn) {
  const std::string bytes(reinterpret_cast<const char*>(e), en);
  const std::string text(reinterpret_cast<const char*>(s), sn);
  regexpr::TRegExpr engine;
  engine.SetWindows1251(false);
  if (!caseSensitive) engine.SetCaseMap(filterexpr::CaseMap());
  std::string error;
  try {
    engine.SetExpression(bytes);
  } catch (const regexpr::ERegExpr& x) {
    error = x.Message();
  }
  TSearchRegExpr filter;
  if (filter.SetExpression(codepage::Cp1252ToUtf8(bytes), caseSensitive) != error.empty() || filter.Error() != error)
    __builtin_trap();
  if (!error.empty() || filter.Wide()) return;
  constexpr std::int64_t kBudget = 20000;
  TMatchRun run(kBudget);
  const bool got = filter.Exec(text);
  const std::string subject = filter.EngineBytes(text);
  engine.SetBacktrackLimit(kBudget);
  bool want = false;
  try {
    want = engine.Exec(subject);
  } catch (const regexpr::ERegExpr& x) {
    error = x.Message().rfind("Exec: backtrack", 0) == 0 ? SRegExprTooComplex : x.Message();
  }
  if (got != want || filter.Error() != error || run.StepsSpent() != engine.Steps()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  uint8_t flags = data[0];
  const uint8_t* rest = data + 1;
  size_t n = size - 1;
  size_t sep = 0;
  while (sep < n && rest[sep] != 0x01) ++sep;
  const uint8_t* subj = sep < n ? rest + sep + 1 : rest + n;
  size_t sn = sep < n ? n - sep - 1 : 0;
  if (flags & 1) {
    RunByte(rest, sep, subj, sn);
    if (flags & 2) RunFilter(flags & 4, rest, sep, subj, sn);
  } else
    RunWide(flags, rest, sep, subj, sn);
  return 0;
}
