#include "highlighters/SynHighlighterWebScripting.h"

#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterVBScript.h"

namespace {

struct SchemeRow {
  const char16_t* Name;
  const char16_t* StartExpr;
  const char16_t* EndExpr;
  int Highlighter;  // 0 VBScript, 1 JavaScript, 2 PHP, 3 CSS
  bool CaseSensitive;
  bool DefaultMarker;  // yellow background, bold (the scheme's own defaults)
  TColor Foreground;   // of the markers otherwise (no background colour, bold)
};

// Configuration data: the greedy ".*>" of the script and style starts is kept as it stands.
const SchemeRow kSchemes[] = {
    {u"ASP", u"<%", u"%>", 0, true, true, syn::clNone},
    {u"JavaScript", u"<script[ ]?.*>", u"</script>", 1, false, false, syn::clNone},
    {u"PHP", u"<\\?(php)?", u"(php)?\\?>", 2, false, false, 0x0000FF},
    {u"CSS", u"<style[ ]?.*>", u"</style>", 3, false, false, syn::clNone},
    {u"style attr1", u"[ ]style=\"", u"\"", 3, false, false, syn::clNone},
    {u"CSSInline", u"[ ]style='", u"'", 3, false, false, syn::clNone},
};

}  // namespace

void ConfigureWebScripting(TSynMultiSyn& Multi, TSynCustomHighlighter* Html, TSynCustomHighlighter* VBScript,
                           TSynCustomHighlighter* JScript, TSynCustomHighlighter* PHP, TSynCustomHighlighter* Css) {
  TSynCustomHighlighter* const byIndex[] = {VBScript, JScript, PHP, Css};
  Multi.Schemes().Clear();
  Multi.SetDefaultHighlighter(Html);
  Multi.SetDefaultLanguageName(u"Web Scripting");
  for (const SchemeRow& row : kSchemes) {
    TScheme* s = Multi.Schemes().Add();
    s->SetSchemeName(row.Name);
    s->SetCaseSensitive(row.CaseSensitive);
    s->SetStartExpr(row.StartExpr);
    s->SetEndExpr(row.EndExpr);
    s->SetHighlighter(byIndex[row.Highlighter]);
    if (!row.DefaultMarker) {
      s->MarkerAttri()->SetBackground(syn::clNone);
      s->MarkerAttri()->SetForeground(row.Foreground);
      s->MarkerAttri()->SetStyle(syn::fsBold);
    }
  }
}

TSynWebScriptingSyn::TSynWebScriptingSyn()
    : fHtml(std::make_unique<TSynHTMLSyn>()),
      fVBScript(std::make_unique<TSynVBScriptSyn>()),
      fJScript(std::make_unique<TSynJScriptSyn>()),
      fPHP(std::make_unique<TSynPHPSyn>()),
      fCss(std::make_unique<TSynCssSyn>()) {
  ConfigureWebScripting(*this, fHtml.get(), fVBScript.get(), fJScript.get(), fPHP.get(), fCss.get());
}

TSynWebScriptingSyn::~TSynWebScriptingSyn() {
  // Let go of the highlighters while they still exist, telling nobody.
  ++fUpdateCount;
  Schemes().Clear();
  SetDefaultHighlighter(nullptr);
}
