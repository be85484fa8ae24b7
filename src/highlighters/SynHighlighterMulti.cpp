#include "highlighters/SynHighlighterMulti.h"

#include <cstdio>

#include "editor/SynUnicode.h"
#include "platform/CodePage.h"
#include "regex/SynRegExpr.h"

using synregexpr::ERegExpr;
using synregexpr::TRegExpr;

namespace {

constexpr const char* kOwnDefaultHighlighter = "A SynMultiSyn cannot be its own DefaultHighlighter.";

[[noreturn]] void AssertionFailure() {
  throw EAssertionFailed("Assertion failure");
}

// Compiles the expression with a fresh engine; a compile error gets the message users see.
void CheckExpression(const std::u16string& Expr) {
  TRegExpr re;
  re.SetExpression(Expr);
  try {
    re.Compile();
  } catch (const ERegExpr& e) {
    if (e.ErrorCode >= 1000) throw;
    const std::string engine = re.ErrorMsg(e.ErrorCode);
    // The engine's text after "TRegExpr(comp):", its leading blank included.
    const std::string tail = engine.size() > 15 ? engine.substr(15) : std::string();
    throw ERegExpr("\"" + codepage::Utf16ToUtf8(Expr) + "\" is not a valid Regular Expression.\rError (pos " +
                       std::to_string(e.CompilerErrorPos) + "): " + tail,
                   e.ErrorCode, e.CompilerErrorPos);
  }
}

bool LooksBehind(const std::u16string& Expr) {
  for (size_t i = 0; i < Expr.size(); ++i) {
    if (Expr[i] == u'^') return true;
    if (Expr[i] == u'\\' && i + 1 < Expr.size()) {
      if (Expr[i + 1] == u'b' || Expr[i + 1] == u'B' || Expr[i + 1] == u'A') return true;
      ++i;
    }
  }
  return false;
}

void SetExpr(TRegExpr& RE, const std::u16string& Expr) {
  RE.SetExpression(Expr);
  if (!Expr.empty()) RE.Compile();
}

}  // namespace

// ---- TScheme ----

TScheme::TScheme(TSchemes* Collection)
    : fCollection(Collection),
      fMarkerAttri(std::make_unique<TSynHighlighterAttributes>("Marker", u"Marker")),
      fStartRE(std::make_unique<TRegExpr>()),
      fEndRE(std::make_unique<TRegExpr>()) {
  fMarkerAttri->SetBackground(0x00FFFF);
  fMarkerAttri->SetStyle(syn::fsBold);
  fMarkerAttri->SaveDefaults();
  fMarkerAttri->OnChange = [this](TSynPersistent*) { Changed(false); };
  ApplyCase();
}

TScheme::~TScheme() {
  fMarkerAttri->OnChange = nullptr;
  Unhook();
}

void TScheme::Hook() {
  if (fHighlighter && fCollection && fCollection->Owner()) fCollection->Owner()->HookHighlighter(fHighlighter, this);
}

void TScheme::Unhook() {
  if (fHighlighter && fCollection && fCollection->Owner()) fCollection->Owner()->UnhookHighlighter(fHighlighter, this);
}

void TScheme::Changed(bool AllItems) {
  if (fCollection) fCollection->Update(AllItems ? nullptr : this);
}

void TScheme::ApplyCase() {
  fStartRE->SetModifier(synregexpr::ModifierI, !fCaseSensitive);
  fEndRE->SetModifier(synregexpr::ModifierI, !fCaseSensitive);
  // Compiled now, once, rather than on the first line scanned.
  if (!fStartExpr.empty()) fStartRE->Compile();
  if (!fEndExpr.empty()) fEndRE->Compile();
}

void TScheme::SetCaseSensitive(bool Value) {
  if (Value == fCaseSensitive) return;
  fCaseSensitive = Value;
  ApplyCase();
  Changed(true);
}

void TScheme::SetStartExpr(const std::u16string& Value) {
  if (Value == fStartExpr) return;
  if (!Value.empty()) CheckExpression(Value);
  const std::u16string old = fStartExpr;
  fStartExpr = Value;
  SetExpr(*fStartRE, fStartExpr);
  fStartOnRest = LooksBehind(fStartExpr);
  if (fCaseSensitive ? old != Value : WideUpperCase(old) != WideUpperCase(Value)) Changed(true);
}

void TScheme::SetEndExpr(const std::u16string& Value) {
  if (Value == fEndExpr) return;
  if (!Value.empty()) CheckExpression(Value);
  const std::u16string old = fEndExpr;
  fEndExpr = Value;
  SetExpr(*fEndRE, fEndExpr);
  fEndOnRest = LooksBehind(fEndExpr);
  if (fCaseSensitive ? old != Value : WideUpperCase(old) != WideUpperCase(Value)) Changed(true);
}

void TScheme::SetHighlighter(TSynCustomHighlighter* Value) {
  if (Value == fHighlighter) return;
  TSynMultiSyn* owner = fCollection ? fCollection->Owner() : nullptr;
  // Scanning would re-enter the multi-highlighter's own line cutting.
  if (owner && Value == owner) throw Exception(kOwnDefaultHighlighter);
  Unhook();
  fHighlighter = Value;
  Hook();
  if (owner) {
    const auto before = owner->fRangeProc;
    owner->ChooseRangeProc();
    if (owner->fRangeProc == before) Changed(false);
  } else {
    Changed(false);
  }
}

void TScheme::SetMarkerAttri(const TSynHighlighterAttributes& Value) {
  fMarkerAttri->Assign(Value);
}

int TScheme::Index() const {
  return fCollection ? fCollection->IndexOf(this) : -1;
}

void TScheme::Assign(const TScheme& Source) {
  SetCaseSensitive(Source.fCaseSensitive);
  SetStartExpr(Source.fStartExpr);
  SetEndExpr(Source.fEndExpr);
  SetHighlighter(Source.fHighlighter);
  fMarkerAttri->AssignColorAndStyle(*Source.fMarkerAttri);
  SetSchemeName(Source.fSchemeName);
  OnCheckStartMarker = Source.OnCheckStartMarker;
  OnCheckEndMarker = Source.OnCheckEndMarker;
}

// ---- TSchemes ----

TSchemes::TSchemes(TSynMultiSyn* Owner) : fOwner(Owner) {}

TSchemes::~TSchemes() {
  fItems.clear();
}

TScheme* TSchemes::Add() {
  fItems.push_back(std::make_unique<TScheme>(this));
  Update(nullptr);
  return fItems.back().get();
}

void TSchemes::Delete(int Index) {
  Items(Index);  // range check
  fItems.erase(fItems.begin() + Index);
  if (fOwner) fOwner->ChooseRangeProc();
  Update(nullptr);
}

void TSchemes::Clear() {
  if (fItems.empty()) return;
  fItems.clear();
  if (fOwner) fOwner->ChooseRangeProc();
  Update(nullptr);
}

TScheme* TSchemes::Items(int Index) const {
  if (Index < 0 || Index >= Count()) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, SListIndexError, Index);
    throw EStringListError(buffer);
  }
  return fItems[static_cast<size_t>(Index)].get();
}

int TSchemes::IndexOf(const TScheme* Item) const {
  for (size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].get() == Item) return static_cast<int>(i);
  return -1;
}

void TSchemes::Assign(const TSchemes& Source) {
  if (&Source == this) return;
  fItems.clear();
  for (int i = 0; i < Source.Count(); ++i) {
    fItems.push_back(std::make_unique<TScheme>(this));
    fItems.back()->Assign(*Source.Items(i));
  }
  if (fOwner) fOwner->ChooseRangeProc();
  Update(nullptr);
}

void TSchemes::Update(TScheme* Item) {
  if (fOwner)
    fOwner->AttributeChanged(Item ? static_cast<TSynPersistent*>(Item) : static_cast<TSynPersistent*>(fOwner));
}

// ---- TSynMultiSyn ----

TSynMultiSyn::TSynMultiSyn() : fSchemes(std::make_unique<TSchemes>(this)) {
  // The line is kept as given; each sub-highlighter folds its own part.
  fCaseSensitive = true;
}

TSynMultiSyn::~TSynMultiSyn() {
  // Nobody hears changes made while going away.
  ++fUpdateCount;
  fMarkers.clear();
  fSchemes->Clear();
  if (fDefaultHighlighter) UnhookHighlighter(fDefaultHighlighter, this);
  fDefaultHighlighter = nullptr;
}

void TSynMultiSyn::HookHighlighter(TSynCustomHighlighter* H, const void* Tag) {
  H->AddAttrChangeHandler(NotifyMethod(
      this, [this](TSynPersistent* Sender) { AttributeChanged(Sender); }, reinterpret_cast<std::uintptr_t>(Tag)));
}

void TSynMultiSyn::UnhookHighlighter(TSynCustomHighlighter* H, const void* Tag) {
  H->RemoveAttrChangeHandler(NotifyMethod(
      this, [](TSynPersistent*) {}, reinterpret_cast<std::uintptr_t>(Tag)));
}

void TSynMultiSyn::SetDefaultHighlighter(TSynCustomHighlighter* Value) {
  if (Value == fDefaultHighlighter) return;
  if (Value == this) throw Exception(kOwnDefaultHighlighter);
  if (fDefaultHighlighter) UnhookHighlighter(fDefaultHighlighter, this);
  fDefaultHighlighter = Value;
  if (fDefaultHighlighter) HookHighlighter(fDefaultHighlighter, this);
  AttributeChanged(nullptr);
}

void TSynMultiSyn::SetOnCustomRange(TCustomRangeEvent Value) {
  const bool had = static_cast<bool>(fOnCustomRange);
  fOnCustomRange = std::move(Value);
  if (had || fOnCustomRange) ChooseRangeProc();
}

void TSynMultiSyn::ChooseRangeProc() {
  const TRangeProcKind old = fRangeProc;
  if (fOnCustomRange) {
    fRangeProc = rpCustom;
  } else {
    bool nested = false;
    for (int i = 0; i < fSchemes->Count() && !nested; ++i)
      nested = dynamic_cast<TSynMultiSyn*>(fSchemes->Items(i)->Highlighter()) != nullptr;
    fRangeProc = nested ? rpNested : rpStandard;
  }
  if (fRangeProc != old) AttributeChanged(nullptr);
}

void TSynMultiSyn::Notification(TSynCustomHighlighter* Removed) {
  if (!Removed) return;
  if (Removed == fDefaultHighlighter) SetDefaultHighlighter(nullptr);
  for (int i = 0; i < fSchemes->Count(); ++i)
    if (fSchemes->Items(i)->Highlighter() == Removed) fSchemes->Items(i)->SetHighlighter(nullptr);
}

void TSynMultiSyn::Loaded() {
  TSynCustomHighlighter::Loaded();
  AttributeChanged(nullptr);
}

int TSynMultiSyn::GetAttribCount() const {
  int count = fSchemes->Count();
  if (fDefaultHighlighter) count += fDefaultHighlighter->GetAttribCount();
  for (int i = 0; i < fSchemes->Count(); ++i)
    if (auto* h = fSchemes->Items(i)->Highlighter()) count += h->GetAttribCount();
  return count;
}

TSynHighlighterAttributes* TSynMultiSyn::GetAttribute(int Index) const {
  if (Index < 0) return nullptr;
  if (Index < fSchemes->Count()) return fSchemes->Items(Index)->MarkerAttri();
  Index -= fSchemes->Count();
  if (fDefaultHighlighter) {
    if (Index < fDefaultHighlighter->GetAttribCount()) return fDefaultHighlighter->GetAttribute(Index);
    Index -= fDefaultHighlighter->GetAttribCount();
  }
  for (int i = 0; i < fSchemes->Count(); ++i) {
    if (auto* h = fSchemes->Items(i)->Highlighter()) {
      if (Index < h->GetAttribCount()) return h->GetAttribute(Index);
      Index -= h->GetAttribCount();
    }
  }
  return nullptr;
}

TScheme* TSynMultiSyn::OpenScheme() const {
  if (fCurrScheme < 0 || fCurrScheme >= fSchemes->Count()) return nullptr;
  TScheme* s = fSchemes->Items(fCurrScheme);
  return s->Highlighter() ? s : nullptr;
}

TSynCustomHighlighter* TSynMultiSyn::ActiveHighlighter() const {
  if (TScheme* s = OpenScheme()) return s->Highlighter();
  return fDefaultHighlighter;
}

TSynHighlighterAttributes* TSynMultiSyn::GetDefaultAttribute(int Index) const {
  TSynCustomHighlighter* h = ActiveHighlighter();
  return h ? h->GetDefaultAttribute(Index) : nullptr;
}

bool TSynMultiSyn::IsIdentChar(char16_t AChar) const {
  if (TSynCustomHighlighter* h = ActiveHighlighter()) return h->IsIdentChar(AChar);
  return TSynCustomHighlighter::IsIdentChar(AChar);
}

bool TSynMultiSyn::FindMatch(TRegExpr& RE, bool OnRest, TExprSearch& S, std::u16string_view Line, int Offset, int& Pos,
                             int& Len) {
  try {
    if (OnRest) {
      S.subjectSet = false;
      if (!RE.Exec(Line.substr(static_cast<size_t>(Offset)))) return false;
      Pos = RE.MatchPos(0) - 1 + Offset;
      Len = RE.MatchLen(0);
      return true;
    }
    // The expressions look only forward, so the first match at or after an offset stays the answer
    // for every later offset up to its start.
    if (!(S.cached && S.from <= Offset && (!S.found || S.pos >= Offset))) {
      bool found;
      if (!S.subjectSet) {
        found = RE.Exec(Line);
        S.subjectSet = true;
        S.from = 0;
        if (found && RE.MatchPos(0) - 1 < Offset) {
          found = RE.ExecPos(Offset + 1);
          S.from = Offset;
        }
      } else {
        found = RE.ExecPos(Offset + 1);
        S.from = Offset;
      }
      S.cached = true;
      S.found = found;
      if (found) {
        S.pos = RE.MatchPos(0) - 1;
        S.len = RE.MatchLen(0);
      }
    }
    Pos = S.pos;
    Len = S.len;
    return S.found;
  } catch (const ERegExpr&) {
    // A search that ran into the engine's limits finds nothing; the region simply does not open
    // or close on this line.
    S.cached = true;
    S.from = Offset;
    S.found = false;
    return false;
  }
}

void TSynMultiSyn::AddMarker(int SchemeIndex, int StartPos, int MarkerLen, std::u16string MarkerText, bool IsOpen) {
  TScheme* s = fSchemes->Items(SchemeIndex);
  const TOnCheckMarker& check = IsOpen ? s->OnCheckStartMarker : s->OnCheckEndMarker;
  if (check) {
    check(this, StartPos, MarkerLen, MarkerText, fLineNumber);
    // A handler may move a marker anywhere: keep the markers in order, apart and inside the line.
    const int minStart = fMarkers.empty() ? 1 : fMarkers.back().fStartPos + fMarkers.back().fMarkerLen;
    if (StartPos < minStart) {
      MarkerLen -= minStart - StartPos;
      StartPos = minStart;
    }
    if (StartPos + MarkerLen - 1 > fLineLen) MarkerLen = fLineLen - StartPos + 1;
  }
  if (MarkerText.empty() || MarkerLen < 1) return;
  fMarkers.push_back(TMarker{SchemeIndex, StartPos, MarkerLen, std::move(MarkerText), IsOpen});
}

void TSynMultiSyn::DoSetLine(std::u16string_view Value, int LineNumber) {
  fMarkers.clear();
  TSynCustomHighlighter::DoSetLine(Value, LineNumber);
  fMarker = -1;
  fNextMarker = 0;
  // A restored scheme whose highlighter has gone counts as closed.
  if (fCurrScheme >= 0 && !OpenScheme()) fCurrScheme = -1;
  // Without a default highlighter the line is one token: nothing to cut.
  if (!fDefaultHighlighter) return;
  const std::u16string_view line(fLine, static_cast<size_t>(fLineLen));
  const int n = fSchemes->Count();
  fStartSearch.assign(static_cast<size_t>(n), TExprSearch{});
  fEndSearch.assign(static_cast<size_t>(n), TExprSearch{});
  int open = fCurrScheme;
  int eaten = 0;
  while (eaten < fLineLen) {
    int pos = 0, len = 0;
    if (open < 0) {
      int winner = -1;
      for (int i = 0; i < n; ++i) {
        TScheme* s = fSchemes->Items(i);
        if (s->fStartExpr.empty() || s->fEndExpr.empty() || !s->fHighlighter || !s->fHighlighter->Enabled()) continue;
        if (FindMatch(*s->fStartRE, s->fStartOnRest, fStartSearch[static_cast<size_t>(i)], line, eaten, pos, len)) {
          winner = i;
          break;
        }
      }
      if (winner < 0) break;
      // An empty match at the start of the rest would never advance.
      if (len == 0 && pos == eaten) break;
      AddMarker(winner, pos + 1, len, std::u16string(line.substr(static_cast<size_t>(pos), static_cast<size_t>(len))),
                true);
      open = winner;
    } else {
      TScheme* s = fSchemes->Items(open);
      if (s->fEndExpr.empty() ||
          !FindMatch(*s->fEndRE, s->fEndOnRest, fEndSearch[static_cast<size_t>(open)], line, eaten, pos, len))
        break;
      if (len == 0 && pos == eaten) break;
      AddMarker(open, pos + 1, len, std::u16string(line.substr(static_cast<size_t>(pos), static_cast<size_t>(len))),
                false);
      open = -1;
    }
    eaten = pos + len;
  }
}

void TSynMultiSyn::GiveSubLine(TSynCustomHighlighter* H) {
  int end = fNextMarker < static_cast<int>(fMarkers.size()) ? fMarkers[static_cast<size_t>(fNextMarker)].fStartPos - 1
                                                            : fLineLen;
  if (end > fLineLen) end = fLineLen;
  if (end < Run) end = Run;
  H->SetLine(std::u16string_view(fCasedLine + Run, static_cast<size_t>(end - Run)), fLineNumber);
}

void TSynMultiSyn::Next() {
  if (!fDefaultHighlighter) {
    fTokenPos = 0;
    Run = Run == 0 ? fLineLen + 1 : Run + 1;
    TSynCustomHighlighter::Next();
    return;
  }
  if (fNextMarker < static_cast<int>(fMarkers.size()) &&
      Run + 1 >= fMarkers[static_cast<size_t>(fNextMarker)].fStartPos) {
    const TMarker& m = fMarkers[static_cast<size_t>(fNextMarker)];
    fMarker = fNextMarker;
    if (m.fIsOpenMarker) {
      fCurrScheme = m.fScheme;
      fTmpRange = fDefaultHighlighter->GetRange();
      if (TScheme* s = OpenScheme()) s->Highlighter()->ResetRange();
    }
    ++fNextMarker;
    fTokenPos = Run;
    Run += m.fMarkerLen;
    TSynCustomHighlighter::Next();
    return;
  }
  TSynCustomHighlighter* active;
  if (Run == 0) {
    active = ActiveHighlighter();
    GiveSubLine(active);
  } else if (fMarker >= 0) {
    if (!fMarkers[static_cast<size_t>(fMarker)].fIsOpenMarker) {
      fCurrScheme = -1;
      fDefaultHighlighter->SetRange(fTmpRange);
    }
    fMarker = -1;
    active = ActiveHighlighter();
    GiveSubLine(active);
  } else {
    active = ActiveHighlighter();
    active->Next();
  }
  fTokenPos = active->GetTokenPos();
  if (fNextMarker > 0) {
    const TMarker& last = fMarkers[static_cast<size_t>(fNextMarker - 1)];
    fTokenPos += last.fStartPos + last.fMarkerLen - 1;
  }
  Run = fTokenPos + static_cast<int>(active->GetToken().size());
  TSynCustomHighlighter::Next();
}

bool TSynMultiSyn::GetEol() const {
  if (!fDefaultHighlighter) return fLineLen == 0 ? Run > 0 : Run > fLineLen + 1;
  if (fMarker >= 0) return false;
  return ActiveHighlighter()->GetEol();
}

std::u16string TSynMultiSyn::GetToken() const {
  if (fDefaultHighlighter) return TSynCustomHighlighter::GetToken();
  return std::u16string(CasedLine());
}

std::u16string TSynMultiSyn::GetExpandedToken() const {
  if (fDefaultHighlighter) return TSynCustomHighlighter::GetExpandedToken();
  if (fExpandedLine) return std::u16string(fExpandedLine, static_cast<size_t>(fExpandedLineLen));
  return std::u16string(CasedLine());
}

TSynHighlighterAttributes* TSynMultiSyn::GetTokenAttribute() const {
  if (!fDefaultHighlighter) return nullptr;
  if (fMarker >= 0) {
    const int scheme = fMarkers[static_cast<size_t>(fMarker)].fScheme;
    return scheme < fSchemes->Count() ? fSchemes->Items(scheme)->MarkerAttri() : nullptr;
  }
  return ActiveHighlighter()->GetTokenAttribute();
}

int TSynMultiSyn::GetTokenKind() const {
  if (!fDefaultHighlighter || fMarker >= 0) return 0;
  return ActiveHighlighter()->GetTokenKind();
}

// ---- Ranges ----

std::intptr_t TSynMultiSyn::GetRange() const {
  return RangeGet();
}

void TSynMultiSyn::SetRange(std::intptr_t Value) {
  RangeSet(Value);
}

void TSynMultiSyn::ResetRange() {
  fCurrScheme = -1;
  if (fDefaultHighlighter) {
    fDefaultHighlighter->ResetRange();
    fTmpRange = fDefaultHighlighter->GetRange();
  }
}

std::intptr_t TSynMultiSyn::RangeGet() const {
  switch (fRangeProc) {
    case rpCustom: {
      std::intptr_t range = 0;
      if (fOnCustomRange) fOnCustomRange(const_cast<TSynMultiSyn*>(this), roGet, range);
      return range;
    }
    case rpNested: {
      TScheme* open = OpenScheme();
      const int index = open ? fCurrScheme : -1;
      if (index + 2 > 15) AssertionFailure();
      TSynCustomHighlighter* active = ActiveHighlighter();
      const std::intptr_t sub = active ? active->GetRange() : 0;
      if (sub < 0 || sub >= (std::intptr_t(1) << 28)) AssertionFailure();
      if (active && !dynamic_cast<TSynMultiSyn*>(active) && sub >= 256) AssertionFailure();
      return static_cast<std::intptr_t>(index + 2) | (sub << 4);
    }
    case rpStandard:
    default: {
      std::intptr_t value = fDefaultHighlighter ? fDefaultHighlighter->GetRange() : 0;
      TScheme* open = OpenScheme();
      const int index = open ? fCurrScheme : -1;
      if (open) {
        const std::intptr_t sub = open->Highlighter()->GetRange();
        if (sub < 0 || sub > 15) AssertionFailure();
        value = value * 16 + sub;
      }
      if (index > 6) AssertionFailure();  // index + 1 must fit in 3 bits
      return value * 8 + (index + 1);
    }
  }
}

void TSynMultiSyn::RangeSet(std::intptr_t Value) {
  switch (fRangeProc) {
    case rpCustom:
      if (fOnCustomRange) fOnCustomRange(this, roSet, Value);
      fTmpRange = fDefaultHighlighter ? fDefaultHighlighter->GetRange() : 0;
      return;
    case rpNested: {
      if (Value == 0) return;
      const auto v = static_cast<std::uintptr_t>(Value);
      fCurrScheme = static_cast<int>(v & 15) - 2;
      const auto sub = static_cast<std::intptr_t>(v >> 4);
      if (TScheme* s = OpenScheme()) {
        s->Highlighter()->SetRange(sub);
      } else {
        fCurrScheme = -1;
        if (fDefaultHighlighter) fDefaultHighlighter->SetRange(sub);
      }
      return;
    }
    case rpStandard:
    default: {
      auto v = static_cast<std::uintptr_t>(Value);
      fCurrScheme = static_cast<int>(v & 7) - 1;
      v >>= 3;
      if (fCurrScheme >= 0) {
        if (TScheme* s = OpenScheme())
          s->Highlighter()->SetRange(static_cast<std::intptr_t>(v & 15));
        else
          fCurrScheme = -1;  // a range from another set of schemes: the region counts as closed
        v >>= 4;
      }
      fTmpRange = static_cast<std::intptr_t>(v);
      if (fDefaultHighlighter) fDefaultHighlighter->SetRange(fTmpRange);
      return;
    }
  }
}
