// A highlighter that colours a text with a default highlighter and hands embedded regions to other
// highlighters. Each region kind is a scheme: a start and an end expression (wide regular
// expressions), the highlighter used between them and an attribute for the markers themselves.
// Each line is cut into markers and sub-lines; each sub-line goes to the right highlighter, whose
// token positions are moved onto the whole line. The range packs the open scheme and the
// sub-highlighters' own ranges, so regions can span lines.
//
// Highlighters are referenced, not owned. Whoever destroys a highlighter that a multi-highlighter
// uses calls Notification(highlighter) first (or destroys the multi-highlighter first).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadHighlighter.h"

namespace synregexpr {
class TRegExpr;
}

class TSynMultiSyn;
class TSchemes;

// One start or end marker found in the current line.
struct TMarker {
  int fScheme = 0;
  int fStartPos = 0;  // 1-based character position in the line
  int fMarkerLen = 0;
  std::u16string fMarkerText;
  bool fIsOpenMarker = false;
};

// Called for each marker found before it is recorded; may move, resize or re-text it.
using TOnCheckMarker =
    std::function<void(TSynMultiSyn* Sender, int& StartPos, int& MarkerLen, std::u16string& MarkerText, int Line)>;

enum TRangeOperation { roGet, roSet };
using TCustomRangeEvent = std::function<void(TSynMultiSyn* Sender, TRangeOperation Operation, std::intptr_t& Range)>;

class TScheme : public TSynPersistent {
 public:
  explicit TScheme(TSchemes* Collection);
  ~TScheme() override;
  TScheme(const TScheme&) = delete;
  TScheme& operator=(const TScheme&) = delete;

  // Takes the expressions, case flag, highlighter, marker attribute colours, name and events.
  void Assign(const TScheme& Source);

  bool CaseSensitive() const { return fCaseSensitive; }
  void SetCaseSensitive(bool Value);
  const std::u16string& StartExpr() const { return fStartExpr; }
  const std::u16string& EndExpr() const { return fEndExpr; }
  // A non-empty expression is compiled first; an invalid one raises ERegExpr with the message
  // "\"<expr>\" is not a valid Regular Expression.\rError (pos n):  <engine text>" and the old
  // expression stays.
  void SetStartExpr(const std::u16string& Value);
  void SetEndExpr(const std::u16string& Value);
  TSynCustomHighlighter* Highlighter() const { return fHighlighter; }
  // The owning multi-highlighter itself is refused ("A SynMultiSyn cannot be its own
  // DefaultHighlighter.").
  void SetHighlighter(TSynCustomHighlighter* Value);
  TSynHighlighterAttributes* MarkerAttri() const { return fMarkerAttri.get(); }
  void SetMarkerAttri(const TSynHighlighterAttributes& Value);
  const std::u16string& SchemeName() const { return fSchemeName; }
  void SetSchemeName(const std::u16string& Value) { fSchemeName = Value; }

  int Index() const;
  TSchemes* Collection() const { return fCollection; }

  TOnCheckMarker OnCheckStartMarker;
  TOnCheckMarker OnCheckEndMarker;

 private:
  friend class TSynMultiSyn;
  friend class TSchemes;

  // Reports a change to the collection: of this item only, or of everything.
  void Changed(bool AllItems);
  void ApplyCase();
  void Hook();
  void Unhook();

  TSchemes* fCollection;
  bool fCaseSensitive = true;
  std::u16string fStartExpr;
  std::u16string fEndExpr;
  TSynCustomHighlighter* fHighlighter = nullptr;
  std::unique_ptr<TSynHighlighterAttributes> fMarkerAttri;
  std::u16string fSchemeName;
  // Compiled once when set; the search state of the current line lives in the multi-highlighter.
  std::unique_ptr<synregexpr::TRegExpr> fStartRE;
  std::unique_ptr<synregexpr::TRegExpr> fEndRE;
  // Expressions that look at the text before their match ("^", "\b", "\B") run on the rest of the
  // line as a copy; all others search the whole line from an offset, which finds the same matches.
  bool fStartOnRest = false;
  bool fEndOnRest = false;
};

class TSchemes : public TSynPersistent {
 public:
  explicit TSchemes(TSynMultiSyn* Owner);
  ~TSchemes() override;

  TScheme* Add();
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  // Raises EStringListError ("List index out of bounds (n)") outside the collection.
  TScheme* Items(int Index) const;
  // Replaces the items by copies of Source's.
  void Assign(const TSchemes& Source);
  TSynMultiSyn* Owner() const { return fOwner; }
  int IndexOf(const TScheme* Item) const;

  // A change of an item (or of the whole collection when Item is null) reaches the owner.
  void Update(TScheme* Item);

 private:
  TSynMultiSyn* fOwner;
  std::vector<std::unique_ptr<TScheme>> fItems;
};

class TSynMultiSyn : public TSynCustomHighlighter {
 public:
  TSynMultiSyn();
  ~TSynMultiSyn() override;

  std::string ClassName() const override { return "TSynMultiSyn"; }
  std::u16string GetLanguageCaption() const override { return u"General Multi-Highlighter"; }
  std::u16string GetLanguageName() const override { return u"General Multi-Highlighter"; }

  void Loaded() override;
  int GetAttribCount() const override;
  TSynHighlighterAttributes* GetAttribute(int Index) const override;
  TSynHighlighterAttributes* GetDefaultAttribute(int Index) const override;
  std::u16string GetSampleSource() const override { return fSampleSource; }
  void SetSampleSource(const std::u16string& Value) override { fSampleSource = Value; }
  void DoSetLine(std::u16string_view Value, int LineNumber) override;
  bool GetEol() const override;
  std::u16string GetExpandedToken() const override;
  std::intptr_t GetRange() const override;
  std::u16string GetToken() const override;
  TSynHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override;
  void Next() override;
  void SetRange(std::intptr_t Value) override;
  void ResetRange() override;
  bool IsIdentChar(char16_t AChar) const override;

  TSchemes& Schemes() { return *fSchemes; }
  const TSchemes& Schemes() const { return *fSchemes; }
  void SetSchemes(const TSchemes& Value) { fSchemes->Assign(Value); }
  TSynCustomHighlighter* DefaultHighlighter() const { return fDefaultHighlighter; }
  // The component itself raises "A SynMultiSyn cannot be its own DefaultHighlighter.".
  void SetDefaultHighlighter(TSynCustomHighlighter* Value);
  const std::u16string& DefaultLanguageName() const { return fDefaultLanguageName; }
  void SetDefaultLanguageName(const std::u16string& Value) { fDefaultLanguageName = Value; }
  const TCustomRangeEvent& OnCustomRange() const { return fOnCustomRange; }
  void SetOnCustomRange(TCustomRangeEvent Value);

  // A highlighter is going away: it is dropped as the default and from every scheme.
  void Notification(TSynCustomHighlighter* Removed);

  // The markers of the current line and the current scheme (-1: the default highlighter).
  int MarkerCount() const { return static_cast<int>(fMarkers.size()); }
  const TMarker& Markers(int Index) const { return fMarkers[static_cast<size_t>(Index)]; }
  int CurrScheme() const { return fCurrScheme; }

  enum TRangeProcKind { rpStandard, rpNested, rpCustom };
  TRangeProcKind RangeProcKind() const { return fRangeProc; }

 private:
  friend class TScheme;
  friend class TSchemes;

  // Search state of one expression over the current line.
  struct TExprSearch {
    bool subjectSet = false;  // the engine holds the current line
    bool cached = false;
    int from = 0;  // the cached answer is the first match at or after this offset
    bool found = false;
    int pos = 0;  // 0-based start and length of the cached match
    int len = 0;
  };

  TSynCustomHighlighter* ActiveHighlighter() const;
  TScheme* OpenScheme() const;
  void ChooseRangeProc();
  std::intptr_t RangeGet() const;
  void RangeSet(std::intptr_t Value);
  void HookHighlighter(TSynCustomHighlighter* H, const void* Tag);
  void UnhookHighlighter(TSynCustomHighlighter* H, const void* Tag);
  bool FindMatch(synregexpr::TRegExpr& RE, bool OnRest, TExprSearch& S, std::u16string_view Line, int Offset, int& Pos,
                 int& Len);
  void AddMarker(int SchemeIndex, int StartPos, int MarkerLen, std::u16string MarkerText, bool IsOpen);
  void GiveSubLine(TSynCustomHighlighter* H);

  std::unique_ptr<TSchemes> fSchemes;
  TSynCustomHighlighter* fDefaultHighlighter = nullptr;
  std::u16string fDefaultLanguageName;
  TCustomRangeEvent fOnCustomRange;
  TRangeProcKind fRangeProc = rpStandard;
  std::vector<TMarker> fMarkers;
  int fMarker = -1;  // the marker being returned as the token, or -1
  int fNextMarker = 0;
  int fCurrScheme = -1;
  std::intptr_t fTmpRange = 0;  // the default highlighter's range at the opening of the region
  std::u16string fSampleSource;
  std::vector<TExprSearch> fStartSearch, fEndSearch;
};
