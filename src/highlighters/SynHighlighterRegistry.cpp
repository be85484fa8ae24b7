#include "highlighters/SynHighlighterRegistry.h"

#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterHtml.h"
#include "highlighters/SynHighlighterJScript.h"
#include "highlighters/SynHighlighterJava.h"
#include "highlighters/SynHighlighterMulti.h"
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

namespace {

using L = TSynListing;
using namespace platform;

template <class T>
std::unique_ptr<TSynCustomHighlighter> Make() {
  return std::make_unique<T>();
}

constexpr int kBold = syn::fsBold;
constexpr int kItalic = syn::fsItalic;

// The colours the program gives its script highlighters.
constexpr std::initializer_list<TSynAttrSetting> kScriptColors = {{"Comment", clRed},          {"Identifier", clBlack},
                                                                  {"Reserved Word", clPurple}, {"Number", clMaroon},
                                                                  {"String", clGreen},         {"Symbol", clBlue}};

}  // namespace

// A row's lines group its fields by what they describe.
// clang-format off
constexpr TSynLanguageInfo SynLanguageTable[SynLanguageCount] = {
    {.ClassName = "TSynURISyn", .LanguageName = u"URI", .Create = Make<TSynURISyn>,
     .ProgramColors = {{"URI", clNone, 0}},
     .Component = "SynURISyn", .ComponentIndex = 14, .Listing = L::BuiltIn, .ListName = "Memo",
     .Filter = "All Files (*.*)|*.*"},
    {.ClassName = "TSynPerlSyn", .LanguageName = u"Perl", .CaseSensitive = 1, .Create = Make<TSynPerlSyn>,
     .ProgramFilter = "Perl Files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi", .ProgramColors = kScriptColors,
     .Component = "SynPerlSyn", .ComponentIndex = 5, .Tag = 8, .Listing = L::BuiltIn, .ListName = "Perl",
     .Filter = "Perl Files (*.pl;*.pm;*.cgi)|*.pl;*.pm;*.cgi"},
    {.ClassName = "TSynXMLSyn", .LanguageName = u"XML", .CaseSensitive = 1, .Create = Make<TSynXMLSyn>,
     .ProgramFilter = "XML Document (*.xml,*.xsd,*.xsl,*.xslt)|*.xml;*.xsd;*.xsl;*.xslt",
     .ProgramColors = {{"Comment", clRed}},
     .Component = "SynXMLSyn", .ComponentIndex = 4, .Tag = 2, .Listing = L::BuiltIn, .ListName = "XML",
     .Filter = "XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd"},
    {.ClassName = "TSynCssSyn", .LanguageName = u"Cascading Style Sheet", .Create = Make<TSynCssSyn>,
     .ProgramColors = {{"Comment", clGray}, {"Number", clTeal}, {"Reserved Word", clPurple}, {"String", clGreen},
                       {"Symbol", clNavy, kBold}},
     .Component = "SynCssSyn", .ComponentIndex = 10, .Tag = 10, .Listing = L::BuiltIn, .ListName = "CSS",
     .Filter = "Cascading Stylesheets (*.css)|*.css"},
    {.ClassName = "TSynVBSyn", .LanguageName = u"Visual Basic", .Create = Make<TSynVBSyn>,
     .ProgramColors = kScriptColors,
     .Component = "SynVBSyn", .ComponentIndex = 3, .Tag = 7, .Listing = L::BuiltIn, .ListName = "Visual Basic",
     .Filter = "Visual Basic Files (*.bas)|*.bas"},
    {.ClassName = "TSynVBScriptSyn", .LanguageName = u"MS VBScript", .Create = Make<TSynVBScriptSyn>,
     .ProgramColors = {{"Comment", clGray}, {"Identifier", clBlack}, {"Reserved Word", clNavy}, {"Number", clGreen},
                       {"String", clTeal}, {"Symbol", clNavy}},
     .Component = "SynVBScriptSyn", .ComponentIndex = 7, .Tag = 12, .Listing = L::BuiltIn, .ListName = "VBScript",
     .Filter = "VBScript Files (*.vbs)|*.vbs"},
    {.ClassName = "TSynPythonSyn", .LanguageName = u"Python", .CaseSensitive = 1, .Create = Make<TSynPythonSyn>,
     .ProgramColors = kScriptColors,
     .Component = "SynPythonSyn", .ComponentIndex = 2, .Tag = 9, .Listing = L::BuiltIn, .ListName = "Python",
     .Filter = "Python Files (*.py)|*.py"},
    {.ClassName = "TSynSQLSyn", .LanguageName = u"SQL", .Create = Make<TSynSQLSyn>,
     .ProgramColors = {{"Comment", clGray}, {"Data Type", clBlue}, {"Function", clPurple}, {"Reserved Word", 13369344},
                       {"Number", 3566592}, {"String", 6316128}, {"Symbol", clNavy, kBold}, {"Table Name", 6973952}},
     .Component = "SynSQLSyn", .ComponentIndex = 12, .Tag = 3, .Listing = L::BuiltIn, .ListName = "SQL",
     .Filter = "SQL Files (*.sql)|*.sql"},
    // PHP and HTML serve inside the web page highlighter and are not listed.
    {.ClassName = "TSynPHPSyn", .LanguageName = u"PHP", .Create = Make<TSynPHPSyn>,
     .ProgramFilter = "PHP Files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc",
     .ProgramColors = {{"Comment", clGray}, {"Identifier", clBlack}, {"Reserved Word", clNavy}, {"Number", clGreen},
                       {"String", clTeal}, {"Symbol", clNavy, kBold}, {"Variable", 12615808, kBold}},
     .Component = "SynPHPSyn", .ComponentIndex = 11,
     .Filter = "PHP Files (*.php;*.php3;*.phtml;*.inc)|*.php;*.php3;*.phtml;*.inc"},
    {.ClassName = "TSynPasSyn", .LanguageName = u"Object Pascal", .Create = Make<TSynPasSyn>,
     .ProgramColors = {{"Assembler", clOlive}, {"Comment", clGray}, {"Preprocessor", clRed}, {"Identifier", clBlack},
                       {"Reserved Word", 7405681}, {"Number", clGreen}, {"Float", clGreen}, {"Hexadecimal", clGreen},
                       {"String", clTeal}, {"Character", clTeal}, {"Symbol", clNavy, kBold}},
     .Component = "SynPasSyn", .ComponentIndex = 9, .Tag = 5, .Listing = L::BuiltIn, .ListName = "Pascal (Delphi)",
     .Filter = "Pascal Files (*.pas;*.pp;*.dpr;*.dpk;*.inc)|*.pas;*.pp;*.dpr;*.dpk;*.inc"},
    {.ClassName = "TSynJavaSyn", .LanguageName = u"Java", .CaseSensitive = 1, .Create = Make<TSynJavaSyn>,
     .ProgramColors = kScriptColors,
     .Component = "SynJavaSyn", .ComponentIndex = 1, .Tag = 6, .Listing = L::BuiltIn, .ListName = "Java",
     .Filter = "Java Files (*.java)|*.java"},
    {.ClassName = "TSynJScriptSyn", .LanguageName = u"JavaScript", .CaseSensitive = 1, .Create = Make<TSynJScriptSyn>,
     .ProgramColors = kScriptColors,
     .Component = "SynJScriptSyn", .ComponentIndex = 0, .Tag = 11, .Listing = L::BuiltIn, .ListName = "JavaScript",
     .Filter = "Javascript Files (*.js)|*.js"},
    {.ClassName = "TSynHTMLSyn", .LanguageName = u"HTML", .Create = Make<TSynHTMLSyn>,
     .ProgramFilter = "HTML Document (*.htm,*.html)|*.htm;*.html",
     .ProgramColors = {{"Escape Ampersand", clMaroon}, {"Comment", clGray, kItalic}, {"Symbol", clNavy},
                       {"Unknown Word", 7798903}},
     .Component = "SynHTMLSyn", .ComponentIndex = 6,
     .Filter = "HTML Documents (*.htm;*.html)|*.htm;*.html"},
    {.ClassName = "TSynCppSyn", .LanguageName = u"C/C++", .CaseSensitive = 1, .Create = Make<TSynCppSyn>,
     .ProgramFilter = "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp",
     .ProgramColors = {{"Assembler", clOlive}, {"Comment", clGray}, {"Preprocessor", clRed}, {"Identifier", clBlack},
                       {"Reserved Word", clNavy}, {"Number", clGreen}, {"Float", clGreen}, {"Hexadecimal", clGreen},
                       {"Octal", clGreen}, {"String", clTeal}, {"Character", clTeal}, {"Symbol", clNavy, kBold}},
     .Component = "SynCppSyn", .ComponentIndex = 8, .Tag = 4, .Listing = L::BuiltIn, .ListName = "C/C++",
     .Filter = "C/C++ Files (*.c;*.cpp;*.h;*.hpp)|*.c;*.cpp;*.h;*.hpp"},
    {.ClassName = "TSynUNIXShellScriptSyn", .LanguageName = u"UNIX Shell Script",
     .Create = Make<TSynUNIXShellScriptSyn>,
     .Component = "SynUNIXShellScriptSyn", .ComponentIndex = 17, .Tag = 14, .Listing = L::Registered,
     .ListName = "UNIX Shell Script",
     .Filter = "UNIX Shell Scripts (*.sh)|*.sh"},
    {.ClassName = "TSynTclTkSyn", .LanguageName = u"Tcl/Tk", .Create = Make<TSynTclTkSyn>,
     .Component = "SynTclTkSyn", .ComponentIndex = 18, .Tag = 13, .Listing = L::BuiltIn, .ListName = "TCL/TK",
     .Filter = "Tcl/Tk Files (*.tcl)|*.tcl"},
    // The multi-language highlighter states its own filter. The set's component is a bare one that the set
    // configures with its own highlighters; the registered class owns its five.
    {.ClassName = "TSynMultiSyn", .LanguageName = u"General Multi-Highlighter", .CaseSensitive = -1,
     .Create = Make<TSynMultiSyn>, .Placeable = Make<TSynWebScriptingSyn>,
     .Component = "SynCGISyn", .ComponentIndex = 16, .Tag = 1, .Listing = L::BuiltIn,
     .ListName = "HTML-multi (ASP, PHP, JavaScript, VBScript, CSS)"},
};
// clang-format on

namespace {

// Every place among the set's components is taken once: by a row or by a search engine.
consteval bool ComponentPlacesTakenOnce() {
  for (int index = 0; index < SynComponentCount; ++index) {
    int takers = (index == SynSearchComponentIndex) + (index == SynRegexSearchComponentIndex);
    for (const TSynLanguageInfo& row : SynLanguageTable) takers += row.ComponentIndex == index;
    if (takers != 1) return false;
  }
  return true;
}

}  // namespace

// Fewer rows than SynLanguageCount would leave empty ones at the end.
static_assert(SynLanguageTable[SynLanguageCount - 1].ClassName[0] != 0);
static_assert(ComponentPlacesTakenOnce(), "a row's ComponentIndex is taken twice, by a search engine, or out of range");

const TSynLanguageInfo* FindSynLanguage(std::string_view className) {
  for (const auto& row : SynLanguageTable)
    if (className == row.ClassName) return &row;
  return nullptr;
}

void RegisterSynHighlighters() {
  for (const auto& row : SynLanguageTable) {
    const TSynHighlighterMaker make = row.Placeable ? row.Placeable : row.Create;
    const std::unique_ptr<TSynCustomHighlighter> probe = make();
    RegisterHighlighterClass(TSynHighlighterClass{probe->ClassName(), probe->GetLanguageName(),
                                                  probe->GetLanguageCaption(), probe->GetCapabilities(), make});
  }
}
