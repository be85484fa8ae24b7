#include "recordeditor/UHighlighters.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterMulti.h"
#include "highlighters/SynHighlighterPas.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "highlighters/SynHighlighterUNIXShellScript.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynHighlighterWebScripting.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "recordeditor/UHighlighterPlugins.h"
#include "xml/uSettingsXML.h"
#include "xml/uXMLTools2.h"

using namespace platform;

TdmHighLighters* dmHighLighters = nullptr;

// ---------------------------------------------------------------------------------------------
// Run-time registrations

void THighlighterList::Add(std::string name, TSynCustomHighlighter* highlighter, int tag) {
  entries_.push_back(TLanguageEntry{std::move(name), highlighter, tag});
}

int THighlighterList::Remove(const TSynCustomHighlighter* highlighter) {
  const auto before = entries_.size();
  std::erase_if(entries_, [&](const TLanguageEntry& e) { return e.Highlighter == highlighter; });
  return static_cast<int>(before - entries_.size());
}

THighlighterList& HighlighterList() {
  static THighlighterList list;
  return list;
}

void RegisterHighlighter(std::string_view name, TSynCustomHighlighter* highlighter, int tag) {
  if (!highlighter) return;
  // At most 255 bytes, never ending inside a UTF-8 sequence.
  size_t length = std::min<size_t>(name.size(), 255);
  if (length < name.size())
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  HighlighterList().Add(std::string(name.substr(0, length)), highlighter, tag);
}

// ---------------------------------------------------------------------------------------------
// The components and the colours the program gives them

namespace {

TSynHighlighterAttributes* AttributeNamed(const TSynCustomHighlighter& h, std::string_view name) {
  for (int i = 0; i < h.GetAttribCount(); ++i)
    if (TSynHighlighterAttributes* a = h.GetAttribute(i); a && a->Name() == name) return a;
  return nullptr;
}

void ApplySettings(TSynCustomHighlighter& h, std::initializer_list<TSynAttrSetting> settings) {
  for (const TSynAttrSetting& s : settings) {
    TSynHighlighterAttributes* a = AttributeNamed(h, s.Attribute);
    if (!a) throw std::logic_error(h.ClassName() + " has no attribute " + s.Attribute);
    if (s.Foreground != clNone) a->SetForeground(s.Foreground);
    if (s.Style != TSynAttrSetting::KeepStyle) a->SetStyle(static_cast<TFontStyles>(s.Style));
  }
}

const TSynLanguageInfo* RowOfComponent(int index) {
  for (const TSynLanguageInfo& row : SynLanguageTable)
    if (row.ComponentIndex == index) return &row;
  return nullptr;
}

}  // namespace

template <class T>
T* TdmHighLighters::ComponentAs(std::string_view name) const {
  const TdmComponent* c = FindComponent(name);
  return c ? dynamic_cast<T*>(c->Highlighter) : nullptr;
}

void TdmHighLighters::CreateComponents() {
  auto addSearch = [this](const char* name, auto engine) {
    auto* raw = engine.get();
    components_.push_back(TdmComponent{name, 0, nullptr, raw});
    owned_.push_back(std::move(engine));
    return raw;
  };
  // The language table guarantees that every other place is a row's.
  for (int index = 0; index < SynComponentCount; ++index) {
    if (index == SynSearchComponentIndex) {
      SynPadSearch = addSearch("SynPadSearch", std::make_unique<TSynPadSearch>());
    } else if (index == SynRegexSearchComponentIndex) {
      SynPadRegexSearch = addSearch("SynPadRegexSearch", std::make_unique<TSynPadRegexSearch>());
    } else {
      const TSynLanguageInfo& row = *RowOfComponent(index);
      std::unique_ptr<TSynCustomHighlighter> h = row.Create();
      if (row.ProgramFilter) h->SetDefaultFilter(row.ProgramFilter);
      ApplySettings(*h, row.ProgramColors);
      components_.push_back(TdmComponent{row.Component, row.Tag, h.get(), nullptr});
      owned_.push_back(std::move(h));
    }
  }

  SynCppSyn = ComponentAs<TSynCppSyn>("SynCppSyn");
  SynPasSyn = ComponentAs<TSynPasSyn>("SynPasSyn");
  SynURISyn = ComponentAs<TSynURISyn>("SynURISyn");
  SynUNIXShellScriptSyn = ComponentAs<TSynUNIXShellScriptSyn>("SynUNIXShellScriptSyn");
  SynCGISyn = ComponentAs<TSynMultiSyn>("SynCGISyn");
  ConfigureWebScripting(*SynCGISyn, FindComponent("SynHTMLSyn")->Highlighter,
                        FindComponent("SynVBScriptSyn")->Highlighter, FindComponent("SynJScriptSyn")->Highlighter,
                        FindComponent("SynPHPSyn")->Highlighter, FindComponent("SynCssSyn")->Highlighter);
}

TdmHighLighters::TdmHighLighters(THighlighterSetRole role, std::string pluginFolder, IModuleLoader* loader)
    : role_(role) {
  if (role_ == THighlighterSetRole::Primary && dmHighLighters)
    throw Exception("A primary highlighter set exists already");
  CreateComponents();
  if (role_ != THighlighterSetRole::Primary) return;
  dmHighLighters = this;
  // The class list is there before any plug-in looks for the built-in classes.
  RegisterSynHighlighters();
  for (const TSynLanguageInfo& row : SynLanguageTable)
    if (row.Listing == TSynListing::Registered)
      RegisterHighlighter(row.ListName, FindComponent(row.Component)->Highlighter, row.Tag);
  plugins_ = std::make_unique<THighlighterPlugins>(loader ? *loader : SystemModuleLoader());
  plugins_->LoadFolders(pluginFolder.empty() ? DefaultHighlighterPluginFolders()
                                             : std::vector<std::string>{pluginFolder});
}

TdmHighLighters::~TdmHighLighters() {
  if (role_ == THighlighterSetRole::Primary) {
    for (const TSynLanguageInfo& row : SynLanguageTable)
      if (row.Listing == TSynListing::Registered) HighlighterList().Remove(FindComponent(row.Component)->Highlighter);
    plugins_.reset();
    if (dmHighLighters == this) dmHighLighters = nullptr;
  }
  // Last created first: the multi-language highlighter lets go of the highlighters it uses before
  // they go.
  while (!owned_.empty()) owned_.pop_back();
}

const TdmComponent* TdmHighLighters::FindComponent(std::string_view name) const {
  for (const TdmComponent& c : components_)
    if (c.Name == name) return &c;
  return nullptr;
}

std::vector<std::string> TdmHighLighters::PluginFileNames() const {
  std::vector<std::string> names;
  if (plugins_)
    for (const auto& m : plugins_->Modules()) names.push_back(m.FileName);
  return names;
}

// ---------------------------------------------------------------------------------------------
// Languages

void TdmHighLighters::BuildLanguageList(TLanguageList& list) const {
  list.clear();
  std::vector<const TSynLanguageInfo*> builtIn;
  for (const TSynLanguageInfo& row : SynLanguageTable)
    if (row.Listing == TSynListing::BuiltIn) builtIn.push_back(&row);
  std::ranges::stable_sort(builtIn, {}, &TSynLanguageInfo::Tag);
  for (const TSynLanguageInfo* row : builtIn)
    list.push_back(TLanguageEntry{row->ListName, FindComponent(row->Component)->Highlighter, row->Tag});
  const TLanguageList& registered = HighlighterList().Entries();
  list.insert(list.end(), registered.begin(), registered.end());
}

TSynCustomHighlighter* TdmHighLighters::FindHighlighterByTag(int tag, const TLanguageList* list) const {
  TLanguageList temporary;
  if (!list) {
    BuildLanguageList(temporary);
    list = &temporary;
  }
  for (const TLanguageEntry& e : *list)
    if (e.Tag == tag) return e.Highlighter;
  return nullptr;
}

int LanguageNumberFromText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return 0;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : -1;
    if (base == 16 && digit < 0) {
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    }
    if (digit < 0) return 0;
    value = value * base + digit;
    if (value > (base == 16 ? std::int64_t(0xFFFFFFFF) : std::int64_t(2147483648))) return 0;
  }
  if (base == 16) value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  if (negative) value = -value;
  if (value > 2147483647 || value < -2147483648LL) return 0;
  return static_cast<int>(value);
}

TLanguageChoice ChooseLanguage(int number, const TLanguageList& list) {
  for (const TLanguageEntry& e : list)
    if (e.Tag == number) return TLanguageChoice{number, &e};
  if (number < 0) return TLanguageChoice{number, nullptr};
  for (const TLanguageEntry& e : list)
    if (e.Tag == 0) return TLanguageChoice{0, &e};
  return TLanguageChoice{0, nullptr};
}

// ---------------------------------------------------------------------------------------------
// Colour schemes

std::string SchemeColorToText(TColor color) {
  if (color == clNone) return "FFFFFF";
  if (IsSysColor(color)) color = ColorToRGB(color);
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : {GetRValue(color), GetGValue(color), GetBValue(color)}) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

TColor SchemeTextToColor(std::string_view text) {
  auto hexValue = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::uint8_t bytes[3] = {0, 0, 0};
  size_t i = 0;
  for (std::uint8_t& byte : bytes) {
    int digits = 0;
    int value = 0;
    while (digits < 2 && i < text.size() && hexValue(text[i]) >= 0) {
      value = value * 16 + hexValue(text[i++]);
      ++digits;
    }
    byte = static_cast<std::uint8_t>(value);
    if (digits < 2) break;
  }
  return RGB(bytes[0], bytes[1], bytes[2]);
}

namespace {

std::string SchemeLanguageName(const TSynCustomHighlighter& h) {
  return MakeXMLName(codepage::Utf16ToUtf8(h.GetLanguageName()));
}

TxevXMLNode2* ChildNamed(TxevXMLNode2* parent, const std::string& name, bool create) {
  if (!parent) return nullptr;
  if (TxevXMLNode2* child = parent->FindNode(name, false)) return child;
  return create ? parent->AddChild(name) : nullptr;
}

struct TStyleFlag {
  const char* Key;
  TFontStyles Bit;
};
const TStyleFlag kStyleFlags[] = {
    {"b", syn::fsBold}, {"i", syn::fsItalic}, {"u", syn::fsUnderline}, {"s", syn::fsStrikeOut}};

}  // namespace

void TdmHighLighters::SetSchemes(TSettings* settings) {
  if (!settings) {
    schemes_ = nullptr;
    return;
  }
  auto* xml = dynamic_cast<TXMLSettings*>(settings);
  if (!xml) throw Exception("Colour schemes need a settings section of the settings file");
  schemes_ = xml;
  ApplySchemes();
}

void TdmHighLighters::ApplySchemes() {
  for (const TdmComponent& c : components_)
    if (c.Highlighter && c.Highlighter != SynCGISyn) LoadScheme(*c.Highlighter);
}

void TdmHighLighters::LoadScheme(TSynCustomHighlighter& highlighter) {
  TxevXMLNode2* language = ChildNamed(schemes_ ? schemes_->Node() : nullptr, SchemeLanguageName(highlighter), false);
  if (!language) return;
  for (int i = 0; i < highlighter.GetAttribCount(); ++i) {
    TSynHighlighterAttributes* a = highlighter.GetAttribute(i);
    TxevXMLNode2* element = ChildNamed(language, MakeXMLName(a->Name()), true);
    // A colour the file does not give keeps the attribute's own value: going through the colour
    // text would turn "no colour" into white.
    if (const std::string bg = XMLGetAttrDef(element, "bg", ""); !bg.empty()) a->SetBackground(SchemeTextToColor(bg));
    if (const std::string fg = XMLGetAttrDef(element, "fg", ""); !fg.empty()) a->SetForeground(SchemeTextToColor(fg));
    TFontStyles style = 0;
    for (const TStyleFlag& f : kStyleFlags)
      if (XMLGetAttrBool(element, f.Key, (a->Style() & f.Bit) != 0)) style |= f.Bit;
    a->SetStyle(style);
  }
}

void TdmHighLighters::SaveScheme(const TSynCustomHighlighter& highlighter) {
  TxevXMLNode2* language = ChildNamed(schemes_ ? schemes_->Node() : nullptr, SchemeLanguageName(highlighter), true);
  if (!language) return;
  for (int i = 0; i < highlighter.GetAttribCount(); ++i) {
    const TSynHighlighterAttributes* a = highlighter.GetAttribute(i);
    TxevXMLNode2* element = ChildNamed(language, MakeXMLName(a->Name()), true);
    XMLSetAttr(element, "bg", SchemeColorToText(a->Background()));
    XMLSetAttr(element, "fg", SchemeColorToText(a->Foreground()));
    for (const TStyleFlag& f : kStyleFlags) XMLSetAttrBool(element, f.Key, (a->Style() & f.Bit) != 0);
  }
}

bool TdmHighLighters::SchemeEquals(const TSynCustomHighlighter& highlighter, std::string_view componentName) const {
  const TSynCustomHighlighter* own = nullptr;
  for (const TdmComponent& c : components_) {
    if (!c.Highlighter || c.Highlighter->ClassName() != highlighter.ClassName()) continue;
    if (!own) own = c.Highlighter;
    if (!componentName.empty() && c.Name == componentName) {
      own = c.Highlighter;
      break;
    }
  }
  if (!own || own->GetAttribCount() != highlighter.GetAttribCount()) return false;
  for (int i = 0; i < own->GetAttribCount(); ++i) {
    const TSynHighlighterAttributes* a = own->GetAttribute(i);
    const TSynHighlighterAttributes* b = highlighter.GetAttribute(i);
    if (a->Background() != b->Background() || a->Foreground() != b->Foreground() || a->Style() != b->Style())
      return false;
  }
  return true;
}
