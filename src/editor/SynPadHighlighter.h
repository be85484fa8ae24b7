// What every syntax highlighter is: a list of named colour/style attributes and a line scanner that
// splits one line at a time into tokens, each with a kind number and an attribute. The editor, the
// print engine, the exporter and the multi-language highlighter drive it only through the virtual
// operations below, always in this order:
//   1. ResetRange() for the first line, else SetRange(value GetRange() gave after the line before);
//   2. SetLine(text, lineNumber) or SetLineExpanded(text, expanded, lineNumber) (scans the first token);
//   3. while !GetEol(): GetTokenPos(), GetToken() (or the expanded forms), GetTokenAttribute(),
//      GetTokenKind(); then Next();
//   4. GetRange() gives the state to keep for the next line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadMiscClasses.h"
#include "editor/SynPadTypes.h"
#include "editor/SynUnicode.h"

// Standard attribute roles (argument of GetDefaultAttribute).
inline constexpr int SYN_ATTR_COMMENT = 0;
inline constexpr int SYN_ATTR_IDENTIFIER = 1;
inline constexpr int SYN_ATTR_KEYWORD = 2;
inline constexpr int SYN_ATTR_STRING = 3;
inline constexpr int SYN_ATTR_WHITESPACE = 4;
inline constexpr int SYN_ATTR_SYMBOL = 5;

// Fills the cells after the first one of a wide glyph in an expanded line. Fillers stand in front
// of their glyph, and are never counted as characters of the line.
inline constexpr char16_t SYN_FILLER_CHAR = 0xE000;

// Capability bits of a highlighter class (GetCapabilities).
inline constexpr int hcUserSettings = 1;  // bit 0
inline constexpr int hcRegistry = 2;      // bit 1

// The word-break set shared by the highlighters, the editor's word commands and the whole-word
// search: U+0000-002F, 003A-0040, 005B-005E, 0060, 007B-007E, 00A7, 00B0, 00B4.
constexpr bool IsSynWordBreakChar(char16_t AChar) {
  return AChar <= 0x2F || (AChar >= 0x3A && AChar <= 0x40) || (AChar >= 0x5B && AChar <= 0x5E) || AChar == 0x60 ||
         (AChar >= 0x7B && AChar <= 0x7E) || AChar == 0xA7 || AChar == 0xB0 || AChar == 0xB4;
}

// One token style: storage name, display name, colours and font style.
class TSynHighlighterAttributes : public TSynPersistent {
 public:
  TSynHighlighterAttributes(std::string AName, std::u16string AFriendlyName);
  ~TSynHighlighterAttributes() override = default;

  // From another attribute: its Name, then AssignColorAndStyle.
  virtual void Assign(const TSynHighlighterAttributes& Source);
  // Copies background, foreground and style; fires OnChange once when any of them differed.
  void AssignColorAndStyle(const TSynHighlighterAttributes& Source);
  // Records the current colours and style as the defaults.
  void SaveDefaults();

  // Storage name: the key under which the highlighter and the colour schemes file the attribute.
  const std::string& Name() const { return fName; }

  TColor Background() const { return fBackground; }
  TColor Foreground() const { return fForeground; }
  TFontStyles Style() const { return fStyle; }
  void SetBackground(TColor Value);
  void SetForeground(TColor Value);
  void SetStyle(TFontStyles Value);

  TColor DefaultBackground() const { return fBackgroundDefault; }
  // A property is written to a stored form only when it differs from its default.
  bool IsBackgroundStored() const { return fBackground != fBackgroundDefault; }
  bool IsStyleStored() const { return fStyle != fStyleDefault; }

  // Fired with the attribute itself as sender when colour or style really changes.
  TSynNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  TColor fBackground = syn::clNone;
  TColor fBackgroundDefault = syn::clNone;
  TColor fForeground = syn::clNone;
  TColor fForegroundDefault = syn::clNone;
  std::u16string fFriendlyName;
  std::string fName;
  TFontStyles fStyle = 0;
  TFontStyles fStyleDefault = 0;
};

class TSynCustomHighlighter;

// A registered highlighter class: its class-level answers and a way to create one.
struct TSynHighlighterClass {
  std::string ClassName;           // e.g. "TSynCppSyn"; identifies the class
  std::u16string LanguageName;     // GetLanguageName
  std::u16string LanguageCaption;  // GetLanguageCaption
  int Capabilities = hcRegistry;   // GetCapabilities
  std::function<std::unique_ptr<TSynCustomHighlighter>()> Create;
};

class TSynCustomHighlighter : public TSynPersistent {
 public:
  TSynCustomHighlighter();
  ~TSynCustomHighlighter() override;
  TSynCustomHighlighter(const TSynCustomHighlighter&) = delete;
  TSynCustomHighlighter& operator=(const TSynCustomHighlighter&) = delete;

  // ---- Class-level answers (virtual here; each language returns its own) ----
  // The class name, e.g. "TSynCppSyn" (used for unique attribute names and plug-in identity).
  virtual std::string ClassName() const { return "TSynCustomHighlighter"; }
  virtual int GetCapabilities() const { return hcRegistry; }
  virtual std::u16string GetLanguageCaption() const { return u"<Unknown>"; }
  virtual std::u16string GetLanguageName() const { return u"<Unknown>"; }

  // ---- Virtual operations ----
  // Takes attribute colours and styles (by storage name, exact comparison), the sample source
  // when the source is of the same class, the default filter and Enabled.
  virtual void Assign(const TSynCustomHighlighter& Source);
  // Called once the owner has finished setting properties up; announces a general change.
  virtual void Loaded();
  // Marks the highlighter as being set up by its owner: attribute changes announce nothing until
  // Loaded.
  void BeginLoading() { fLoading = true; }
  bool Loading() const { return fLoading; }
  virtual int GetAttribCount() const;
  // Attribute at Index in storage-name order; nullptr outside 0 .. count-1.
  virtual TSynHighlighterAttributes* GetAttribute(int Index) const;
  virtual TSynHighlighterAttributes* GetDefaultAttribute(int Index) const = 0;
  virtual std::string GetDefaultFilter() const;
  virtual std::u16string GetSampleSource() const;
  virtual void DoSetLine(std::u16string_view Value, int LineNumber);
  virtual bool IsCurrentToken(std::u16string_view Token) const;
  virtual bool IsFilterStored() const;
  virtual bool IsLineEnd(int AIndex) const;
  virtual void SetDefaultFilter(const std::string& Value);
  virtual void SetSampleSource(const std::u16string& Value);
  virtual bool GetEol() const = 0;
  virtual std::u16string GetExpandedToken() const;
  virtual int GetExpandedTokenPos() const;
  // Only the SQL highlighter supplies keyword texts; the base raises.
  virtual std::u16string GetKeywords(int TokenKind) const;
  // The multi-line state after the current token (pointer-sized).
  virtual std::intptr_t GetRange() const;
  virtual std::u16string GetToken() const;
  virtual TSynHighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual int GetTokenPos() const;
  virtual bool IsKeyword(std::u16string_view AKeyword) const;
  // Each language overrides Next and calls this base part last.
  virtual void Next();
  virtual void SetLineExpanded(std::u16string_view NewValue, std::u16string_view ExpandedLine, int LineNumber);
  virtual void SetLine(std::u16string_view NewValue, int LineNumber);
  virtual void SetRange(std::intptr_t Value);
  virtual void ResetRange();
  virtual bool UseUserSettings(int SettingIndex);
  virtual void EnumUserSettings(TWideStrings& Settings);
  virtual bool IsIdentChar(char16_t AChar) const;
  virtual bool IsWhiteChar(char16_t AChar) const;
  virtual bool IsWordBreakChar(char16_t AChar) const;

  // ---- Non-virtual operations ----
  // Files the attribute under its Name and takes ownership; a duplicate name raises
  // EStringListError ("String list does not allow duplicates") and the attribute is freed.
  TSynHighlighterAttributes* AddAttribute(std::unique_ptr<TSynHighlighterAttributes> AAttrib);
  // Convenience: creates, files and returns an attribute.
  TSynHighlighterAttributes* AddAttribute(std::string AName, std::u16string AFriendlyName);
  // For every attribute, last to first: OnChange := handler, then SaveDefaults.
  void SetAttributesOnChange(const TSynNotifyEvent& AEvent);
  // Language constructors hand this to SetAttributesOnChange.
  void AttributeChanged(TSynPersistent* Sender);
  void AddAttrChangeHandler(const TSynNotifyMethod& AHandler);
  void RemoveAttrChangeHandler(const TSynNotifyMethod& AHandler);
  // Told when the highlighter is destroyed, so that users drop their reference to it.
  void AddFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Add(AHandler); }
  void RemoveFreeNotification(const TSynNotifyMethod& AHandler) { fFreeNotifications.Remove(AHandler); }
  std::u16string LanguageName() const { return GetLanguageName(); }
  void NextToEol();
  int PosToExpandedPos(int Pos) const;

  std::string DefaultFilter() const { return GetDefaultFilter(); }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  // The current line as given (not lower-cased), NUL-terminated at its length.
  std::u16string_view CasedLine() const { return std::u16string_view(fCasedLine, fLineLen); }
  int LineNumber() const { return fLineNumber; }
  bool CaseSensitive() const { return fCaseSensitive; }

 protected:
  // Scan state, for the language scanners. fLine is the scan line (lower-cased unless the language
  // is case-sensitive) and fCasedLine the same line as given; both are NUL-terminated at fLineLen,
  // so fLine[Run] is 0 exactly at the line end.
  const char16_t* fLine = u"";
  const char16_t* fCasedLine = u"";
  int fLineLen = 0;
  int fLineNumber = 0;
  int Run = 0;
  int fTokenPos = 0;
  int fOldRun = 0;
  // Identifier start (into fLine) and length, compared by IsCurrentToken.
  const char16_t* fToIdent = nullptr;
  int fStringLen = 0;
  bool fCaseSensitive = false;
  // Expanded line (tabs and wide glyphs expanded, fillers before each wide glyph); empty when
  // none was given.
  const char16_t* fExpandedLine = nullptr;
  int fExpandedLineLen = 0;
  int fExpandedTokenPos = 0;
  int ExpandedRun = 0;

  // The attribute-change chain's updates are held while this is above 0.
  int fUpdateCount = 0;
  bool fUpdateChange = false;
  // True while the owner is still setting the highlighter up; no change notifications then.
  bool fLoading = false;

 private:
  // Kept in storage-name order: case-folded, then ordinal (WideCompareText).
  std::vector<std::unique_ptr<TSynHighlighterAttributes>> fAttributes;
  std::unique_ptr<TSynNotifyEventChain> fAttrChangeHooks;
  TSynNotifyEventChain fFreeNotifications{this};
  std::string fDefaultFilter;
  bool fEnabled = true;
  std::u16string fLineStr;       // holds the scan line
  std::u16string fCasedLineStr;  // holds the given-case line when the scan line is lower-cased
  std::u16string fExpandedLineStr;
};

// The global list of highlighter classes that each language registers.
// Adds the class unless one of the same ClassName is there; returns its index.
int RegisterHighlighterClass(const TSynHighlighterClass& AClass);
// Builds the class entry from a temporary instance of T.
template <class T>
int RegisterHighlighterClass() {
  T probe;
  return RegisterHighlighterClass(TSynHighlighterClass{
      probe.ClassName(), probe.GetLanguageName(), probe.GetLanguageCaption(), probe.GetCapabilities(),
      []() -> std::unique_ptr<TSynCustomHighlighter> { return std::make_unique<T>(); }});
}
const std::vector<TSynHighlighterClass>& GetPlaceableHighlighters();
