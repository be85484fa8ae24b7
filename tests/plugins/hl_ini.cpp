// A highlighter plug-in built by the tests: INI files (sections, keys, values, comments), language
// number 100. It writes "get" and "finalize" lines to the file named by HL_TEST_PLUGIN_LOG, so a
// test can see that the program called it.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "recordeditor/SynHighlighterPlugin.h"

namespace {

class TSynIniSyn final : public TSynCustomHighlighter {
 public:
  enum TKind { tkNull, tkComment, tkSection, tkKey, tkValue, tkSymbol, tkSpace };

  TSynIniSyn() {
    fAttr[tkComment] = AddAttribute("Comment", u"Comment");
    fAttr[tkSection] = AddAttribute("Section", u"Section");
    fAttr[tkKey] = AddAttribute("Key", u"Key");
    fAttr[tkValue] = AddAttribute("Value", u"Value");
    fAttr[tkSymbol] = AddAttribute("Symbol", u"Symbol");
    fAttr[tkSpace] = AddAttribute("Space", u"Space");
    fAttr[tkComment]->SetForeground(0x808080);
    fAttr[tkSection]->SetStyle(syn::fsBold);
    SetAttributesOnChange([this](TSynPersistent* sender) { AttributeChanged(sender); });
  }

  std::string ClassName() const override { return "TSynIniSyn"; }
  std::u16string GetLanguageName() const override { return u"INI"; }
  std::u16string GetSampleSource() const override { return u"; settings\r\n[window]\r\nwidth=640"; }
  TSynHighlighterAttributes* GetDefaultAttribute(int index) const override {
    static const TKind roles[] = {tkComment, tkKey, tkSection, tkValue, tkSpace, tkSymbol};
    return index >= 0 && index < 6 ? fAttr[roles[index]] : nullptr;
  }
  bool GetEol() const override { return Run > fLineLen; }
  int GetTokenKind() const override { return fKind; }
  TSynHighlighterAttributes* GetTokenAttribute() const override { return fAttr[fKind]; }
  void DoSetLine(std::u16string_view value, int lineNumber) override {
    TSynCustomHighlighter::DoSetLine(value, lineNumber);
    fAfterEquals = false;
  }
  void Next() override {
    fTokenPos = Run;
    if (Run >= fLineLen) {
      fKind = tkNull;
      Run = fLineLen + 1;
    } else if (fLine[Run] <= 32) {
      fKind = tkSpace;
      while (Run < fLineLen && fLine[Run] <= 32) ++Run;
    } else if (fLine[Run] == u';' || fLine[Run] == u'#') {
      fKind = tkComment;
      Run = fLineLen;
    } else if (fLine[Run] == u'[') {
      fKind = tkSection;
      while (Run < fLineLen && fLine[Run] != u']') ++Run;
      if (Run < fLineLen) ++Run;
    } else if (fLine[Run] == u'=' && !fAfterEquals) {
      fKind = tkSymbol;
      fAfterEquals = true;
      ++Run;
    } else {
      fKind = fAfterEquals ? tkValue : tkKey;
      while (Run < fLineLen && (fAfterEquals || fLine[Run] != u'=')) ++Run;
    }
    TSynCustomHighlighter::Next();
  }

 private:
  TSynHighlighterAttributes* fAttr[7] = {};
  TKind fKind = tkNull;
  bool fAfterEquals = false;
};

std::unique_ptr<TSynIniSyn> g_highlighter;

void Log(const char* line) {
  if (const char* path = std::getenv("HL_TEST_PLUGIN_LOG")) {
    if (FILE* f = std::fopen(path, "a")) {
      std::fprintf(f, "%s\n", line);
      std::fclose(f);
    }
  }
}

}  // namespace

TESSARYN_HIGHLIGHTER_PLUGIN_ABI_EXPORT

TESSARYN_PLUGIN_EXPORT void GetHighlighter(TRegisterHighlighterProc registerHighlighter) {
  Log("get");
  g_highlighter = std::make_unique<TSynIniSyn>();
  registerHighlighter("INI Files", g_highlighter.get(), 100);
}

TESSARYN_PLUGIN_EXPORT void FinalizePlugin() {
  Log("finalize");
  g_highlighter.reset();
}
