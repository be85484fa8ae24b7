// The program's multi-language configuration for web pages, "Web Scripting": HTML by default, with
// ASP (VBScript), JavaScript, PHP and CSS regions and the two forms of style attribute.
#pragma once

#include <memory>

#include "highlighters/SynHighlighterMulti.h"

class TSynHTMLSyn;
class TSynVBScriptSyn;
class TSynJScriptSyn;
class TSynPHPSyn;
class TSynCssSyn;

// Sets DefaultHighlighter, DefaultLanguageName and the six schemes of Multi (its old schemes are
// dropped). The highlighters stay owned by the caller, which destroys Multi before them.
void ConfigureWebScripting(TSynMultiSyn& Multi, TSynCustomHighlighter* Html, TSynCustomHighlighter* VBScript,
                           TSynCustomHighlighter* JScript, TSynCustomHighlighter* PHP, TSynCustomHighlighter* Css);

// A "Web Scripting" multi-highlighter that owns its five highlighters (for the token probe, the
// tests and anywhere no highlighter set is at hand).
class TSynWebScriptingSyn : public TSynMultiSyn {
 public:
  TSynWebScriptingSyn();
  ~TSynWebScriptingSyn() override;

  TSynHTMLSyn& Html() { return *fHtml; }
  TSynVBScriptSyn& VBScript() { return *fVBScript; }
  TSynJScriptSyn& JScript() { return *fJScript; }
  TSynPHPSyn& PHP() { return *fPHP; }
  TSynCssSyn& Css() { return *fCss; }

 private:
  std::unique_ptr<TSynHTMLSyn> fHtml;
  std::unique_ptr<TSynVBScriptSyn> fVBScript;
  std::unique_ptr<TSynJScriptSyn> fJScript;
  std::unique_ptr<TSynPHPSyn> fPHP;
  std::unique_ptr<TSynCssSyn> fCss;
};
