#include "editor/SynPadHighlighter.h"

#include <algorithm>

#include "platform/CodePage.h"

// ---------------------------------------------------------------------------------------------
// TSynHighlighterAttributes

TSynHighlighterAttributes::TSynHighlighterAttributes(std::string AName, std::u16string AFriendlyName)
    : fFriendlyName(std::move(AFriendlyName)), fName(std::move(AName)) {}

void TSynHighlighterAttributes::Assign(const TSynHighlighterAttributes& Source) {
  if (&Source == this) return;
  fName = Source.fName;
  AssignColorAndStyle(Source);
}

void TSynHighlighterAttributes::AssignColorAndStyle(const TSynHighlighterAttributes& Source) {
  bool changed = false;
  if (fBackground != Source.fBackground) {
    fBackground = Source.fBackground;
    changed = true;
  }
  if (fForeground != Source.fForeground) {
    fForeground = Source.fForeground;
    changed = true;
  }
  if (fStyle != Source.fStyle) {
    fStyle = Source.fStyle;
    changed = true;
  }
  if (changed) Changed();
}

void TSynHighlighterAttributes::SaveDefaults() {
  fBackgroundDefault = fBackground;
  fForegroundDefault = fForeground;
  fStyleDefault = fStyle;
}

void TSynHighlighterAttributes::SetBackground(TColor Value) {
  if (fBackground == Value) return;
  fBackground = Value;
  Changed();
}

void TSynHighlighterAttributes::SetForeground(TColor Value) {
  if (fForeground == Value) return;
  fForeground = Value;
  Changed();
}

void TSynHighlighterAttributes::SetStyle(TFontStyles Value) {
  if (fStyle == Value) return;
  fStyle = Value;
  Changed();
}

void TSynHighlighterAttributes::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// TSynCustomHighlighter

namespace {

int CompareNames(const std::string& a, const std::string& b) {
  return WideCompareText(codepage::Cp1252ToUtf16(a), codepage::Cp1252ToUtf16(b));
}

}  // namespace

TSynCustomHighlighter::TSynCustomHighlighter() : fAttrChangeHooks(TSynNotifyEventChain::CreateWithSender(this)) {}

TSynCustomHighlighter::~TSynCustomHighlighter() {
  fFreeNotifications.Fire();
  // Attributes go last first, as they were filed.
  while (!fAttributes.empty()) fAttributes.pop_back();
}

void TSynCustomHighlighter::Assign(const TSynCustomHighlighter& Source) {
  if (&Source == this) return;
  for (const auto& own : fAttributes) {
    for (int j = 0; j < Source.GetAttribCount(); ++j) {
      const TSynHighlighterAttributes* src = Source.GetAttribute(j);
      if (src && src->Name() == own->Name()) {
        own->Assign(*src);
        break;
      }
    }
  }
  if (Source.ClassName() == ClassName()) SetSampleSource(Source.GetSampleSource());
  SetDefaultFilter(Source.GetDefaultFilter());
  SetEnabled(Source.Enabled());
}

void TSynCustomHighlighter::Loaded() {
  fLoading = false;
  AttributeChanged(nullptr);
}

int TSynCustomHighlighter::GetAttribCount() const {
  return static_cast<int>(fAttributes.size());
}

TSynHighlighterAttributes* TSynCustomHighlighter::GetAttribute(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(fAttributes.size())) return nullptr;
  return fAttributes[Index].get();
}

std::string TSynCustomHighlighter::GetDefaultFilter() const {
  return fDefaultFilter;
}

std::u16string TSynCustomHighlighter::GetSampleSource() const {
  return {};
}

void TSynCustomHighlighter::DoSetLine(std::u16string_view Value, int LineNumber) {
  if (fCaseSensitive) {
    fLineStr.assign(Value);
    fCasedLineStr.clear();
    fLine = fLineStr.c_str();
    fCasedLine = fLine;
  } else {
    fCasedLineStr.assign(Value);
    // Lower-cased per code unit, so positions match the given line; the buffer keeps its capacity
    // from line to line, so scanning a text allocates nothing per line.
    fLineStr.assign(Value);
    WideBufferToLower(fLineStr.data(), fLineStr.size());
    fLine = fLineStr.c_str();
    fCasedLine = fCasedLineStr.c_str();
  }
  fLineLen = static_cast<int>(Value.size());
  Run = 0;
  ExpandedRun = 0;
  fOldRun = 0;
  fTokenPos = 0;
  fExpandedTokenPos = 0;
  fLineNumber = LineNumber;
}

bool TSynCustomHighlighter::IsCurrentToken(std::u16string_view Token) const {
  if (static_cast<int>(Token.size()) != fStringLen || !fToIdent) return false;
  for (int i = 0; i < fStringLen; ++i)
    if (fToIdent[i] != Token[i]) return false;
  return true;
}

bool TSynCustomHighlighter::IsFilterStored() const {
  return true;
}

bool TSynCustomHighlighter::IsLineEnd(int AIndex) const {
  return AIndex >= fLineLen || fLine[AIndex] == 10 || fLine[AIndex] == 13;
}

void TSynCustomHighlighter::SetDefaultFilter(const std::string& Value) {
  fDefaultFilter = Value;
}

void TSynCustomHighlighter::SetSampleSource(const std::u16string&) {}

std::u16string TSynCustomHighlighter::GetExpandedToken() const {
  if (!fExpandedLine) return GetToken();
  const int len = ExpandedRun - fExpandedTokenPos;
  if (len <= 0) return {};
  return std::u16string(fExpandedLine + fExpandedTokenPos, static_cast<size_t>(len));
}

int TSynCustomHighlighter::GetExpandedTokenPos() const {
  return fExpandedLine ? fExpandedTokenPos : fTokenPos;
}

std::u16string TSynCustomHighlighter::GetKeywords(int) const {
  throw Exception("Abstract error: " + ClassName() + ".GetKeywords");
}

std::intptr_t TSynCustomHighlighter::GetRange() const {
  return 0;
}

std::u16string TSynCustomHighlighter::GetToken() const {
  // The Null token sits one past the line end; never read beyond the line.
  const int end = std::min(Run, fLineLen);
  const int len = end - fTokenPos;
  if (len <= 0) return {};
  return std::u16string(fCasedLine + fTokenPos, static_cast<size_t>(len));
}

int TSynCustomHighlighter::GetTokenPos() const {
  return fTokenPos;
}

bool TSynCustomHighlighter::IsKeyword(std::u16string_view) const {
  return false;
}

void TSynCustomHighlighter::Next() {
  if (Run == fOldRun) return;
  fExpandedTokenPos = ExpandedRun;
  if (fExpandedLine) {
    int delta = Run - fOldRun;
    while (delta > 0 && ExpandedRun < fExpandedLineLen) {
      // Fillers stand in front of their glyph: step over them without counting.
      while (ExpandedRun < fExpandedLineLen && fExpandedLine[ExpandedRun] == SYN_FILLER_CHAR) ++ExpandedRun;
      if (ExpandedRun < fExpandedLineLen) ++ExpandedRun;
      --delta;
    }
    // Past the line end (the Null token) the expanded position moves on one to one.
    ExpandedRun += delta;
  }
  fOldRun = Run;
}

void TSynCustomHighlighter::SetLineExpanded(std::u16string_view NewValue, std::u16string_view ExpandedLine,
                                            int LineNumber) {
  fExpandedLineStr.assign(ExpandedLine);
  fExpandedLine = fExpandedLineStr.c_str();
  fExpandedLineLen = static_cast<int>(fExpandedLineStr.size());
  DoSetLine(NewValue, LineNumber);
  Next();
}

void TSynCustomHighlighter::SetLine(std::u16string_view NewValue, int LineNumber) {
  fExpandedLineStr.clear();
  fExpandedLine = nullptr;
  fExpandedLineLen = 0;
  DoSetLine(NewValue, LineNumber);
  Next();
}

void TSynCustomHighlighter::SetRange(std::intptr_t) {}

void TSynCustomHighlighter::ResetRange() {}

bool TSynCustomHighlighter::UseUserSettings(int) {
  return false;
}

void TSynCustomHighlighter::EnumUserSettings(TWideStrings& Settings) {
  Settings.Clear();
}

bool TSynCustomHighlighter::IsIdentChar(char16_t AChar) const {
  return (AChar >= u'0' && AChar <= u'9') || (AChar >= u'A' && AChar <= u'Z') || (AChar >= u'a' && AChar <= u'z') ||
         AChar == u'_';
}

bool TSynCustomHighlighter::IsWhiteChar(char16_t AChar) const {
  if (AChar < 33) return true;
  return !IsIdentChar(AChar) && !IsWordBreakChar(AChar);
}

bool TSynCustomHighlighter::IsWordBreakChar(char16_t AChar) const {
  return IsSynWordBreakChar(AChar);
}

TSynHighlighterAttributes* TSynCustomHighlighter::AddAttribute(std::unique_ptr<TSynHighlighterAttributes> AAttrib) {
  if (!AAttrib) throw EAssertionFailed("Assertion failed (SynPadHighlighter): AddAttribute without an attribute");
  auto pos = std::lower_bound(fAttributes.begin(), fAttributes.end(), AAttrib->Name(),
                              [](const std::unique_ptr<TSynHighlighterAttributes>& a, const std::string& name) {
                                return CompareNames(a->Name(), name) < 0;
                              });
  if (pos != fAttributes.end() && CompareNames((*pos)->Name(), AAttrib->Name()) == 0)
    throw EStringListError(SDuplicateString);
  TSynHighlighterAttributes* result = AAttrib.get();
  fAttributes.insert(pos, std::move(AAttrib));
  return result;
}

TSynHighlighterAttributes* TSynCustomHighlighter::AddAttribute(std::string AName, std::u16string AFriendlyName) {
  return AddAttribute(std::make_unique<TSynHighlighterAttributes>(std::move(AName), std::move(AFriendlyName)));
}

void TSynCustomHighlighter::SetAttributesOnChange(const TSynNotifyEvent& AEvent) {
  for (auto it = fAttributes.rbegin(); it != fAttributes.rend(); ++it) {
    (*it)->OnChange = AEvent;
    (*it)->SaveDefaults();
  }
}

void TSynCustomHighlighter::AttributeChanged(TSynPersistent* Sender) {
  if (fUpdateCount > 0) {
    fUpdateChange = true;
    return;
  }
  if (fLoading) return;
  fAttrChangeHooks->SetSender(Sender);
  fAttrChangeHooks->Fire();
}

void TSynCustomHighlighter::AddAttrChangeHandler(const TSynNotifyMethod& AHandler) {
  fAttrChangeHooks->Add(AHandler);
}

void TSynCustomHighlighter::RemoveAttrChangeHandler(const TSynNotifyMethod& AHandler) {
  fAttrChangeHooks->Remove(AHandler);
}

void TSynCustomHighlighter::NextToEol() {
  while (!GetEol()) Next();
}

int TSynCustomHighlighter::PosToExpandedPos(int Pos) const {
  if (!fExpandedLine) return Pos;
  if (Pos < 1) return 0;
  int counted = 0;
  int i = 0;
  while (i < fExpandedLineLen) {
    if (fExpandedLine[i] != SYN_FILLER_CHAR) {
      ++counted;
      if (counted == Pos) return i + 1;
    }
    ++i;
  }
  // Beyond the expanded line every further position is one cell.
  return fExpandedLineLen + (Pos - counted);
}

void TSynCustomHighlighter::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  AttributeChanged(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Highlighter class registry

namespace {

std::vector<TSynHighlighterClass>& HighlighterClasses() {
  static std::vector<TSynHighlighterClass> classes;
  return classes;
}

}  // namespace

int RegisterHighlighterClass(const TSynHighlighterClass& AClass) {
  auto& classes = HighlighterClasses();
  for (size_t i = 0; i < classes.size(); ++i)
    if (classes[i].ClassName == AClass.ClassName) return static_cast<int>(i);
  classes.push_back(AClass);
  return static_cast<int>(classes.size() - 1);
}

const std::vector<TSynHighlighterClass>& GetPlaceableHighlighters() {
  return HighlighterClasses();
}
