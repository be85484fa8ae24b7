#include "highlighters/SynHighlighterRegistry.h"

#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterPHP.h"
#include "highlighters/SynHighlighterPas.h"
#include "highlighters/SynHighlighterPerl.h"
#include "highlighters/SynHighlighterPython.h"
#include "highlighters/SynHighlighterSQL.h"
#include "highlighters/SynHighlighterTclTk.h"
#include "highlighters/SynHighlighterUNIXShellScript.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynHighlighterVB.h"
#include "highlighters/SynHighlighterVBScript.h"
#include "highlighters/SynHighlighterWebScripting.h"
#include "highlighters/SynHighlighterXML.h"

void RegisterSynHighlighters() {
  // Language-table order.
  RegisterHighlighterClass<TSynURISyn>();
  RegisterHighlighterClass<TSynPerlSyn>();
  RegisterHighlighterClass<TSynXMLSyn>();
  RegisterHighlighterClass<TSynCssSyn>();
  RegisterHighlighterClass<TSynVBSyn>();
  RegisterHighlighterClass<TSynVBScriptSyn>();
  RegisterHighlighterClass<TSynPythonSyn>();
  RegisterHighlighterClass<TSynSQLSyn>();
  RegisterHighlighterClass<TSynPHPSyn>();
  RegisterHighlighterClass<TSynPasSyn>();
  RegisterHighlighterClass<TSynJavaSyn>();
  RegisterHighlighterClass<TSynJScriptSyn>();
  RegisterHighlighterClass<TSynHTMLSyn>();
  RegisterHighlighterClass<TSynCppSyn>();
  RegisterHighlighterClass<TSynUNIXShellScriptSyn>();
  RegisterHighlighterClass<TSynTclTkSyn>();
  RegisterHighlighterClass<TSynWebScriptingSyn>();
}
