#include "highlighters/SynHighlighterRegistry.h"

#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterPas.h"

void RegisterSynHighlighters() {
  // Language-table order. Languages built elsewhere join this list at their place in the table.
  RegisterHighlighterClass<TSynPHPSyn>();
  RegisterHighlighterClass<TSynPasSyn>();
  RegisterHighlighterClass<TSynJavaSyn>();
  RegisterHighlighterClass<TSynJScriptSyn>();
  RegisterHighlighterClass<TSynHTMLSyn>();
  RegisterHighlighterClass<TSynCppSyn>();
}
