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

using Kw = TSynKeywordMechanism;
using L = TSynListing;

template <class T>
std::unique_ptr<TSynCustomHighlighter> Make() {
  return std::make_unique<T>();
}

}  // namespace

// A row's lines group its fields by what they describe.
// clang-format off
constexpr TSynLanguageInfo SynLanguageTable[SynLanguageCount] = {
    {.ClassName = "TSynURISyn", .UnitName = "SynHighlighterURI", .LanguageName = u"URI", .Create = Make<TSynURISyn>,
     .Component = "SynURISyn", .ComponentIndex = 14, .Listing = L::BuiltIn, .ListName = "Memo",
     .FilterId = 65157, .Filter = "All Files (*.*)|*.*",
     .Mechanism = Kw::Prefix},
    {.ClassName = "TSynPerlSyn", .UnitName = "SynHighlighterPerl", .LanguageName = u"Perl", .CaseSensitive = 1,
     .Create = Make<TSynPerlSyn>,
     .ProgramFilter = "Perl Files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi",
     .Component = "SynPerlSyn", .ComponentIndex = 5, .Tag = 8, .Listing = L::BuiltIn, .ListName = "Perl",
     .FilterId = 65177, .Filter = "Perl Files (*.pl;*.pm;*.cgi)|*.pl;*.pm;*.cgi",
     .Mechanism = Kw::Hash, .A = 975, .B = 515, .M = 2423, .KeywordCount = 282},
    {.ClassName = "TSynXMLSyn", .UnitName = "SynHighlighterXML", .LanguageName = u"XML", .CaseSensitive = 1,
     .Create = Make<TSynXMLSyn>,
     .ProgramFilter = "XML Document (*.xml,*.xsd,*.xsl,*.xslt)|*.xml;*.xsd;*.xsl;*.xslt",
     .Component = "SynXMLSyn", .ComponentIndex = 4, .Tag = 2, .Listing = L::BuiltIn, .ListName = "XML",
     .FilterId = 65155, .Filter = "XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd",
     .HasRanges = true},
    {.ClassName = "TSynCssSyn", .UnitName = "SynHighlighterCSS", .LanguageName = u"Cascading Style Sheet",
     .Create = Make<TSynCssSyn>,
     .Component = "SynCssSyn", .ComponentIndex = 10, .Tag = 10, .Listing = L::BuiltIn, .ListName = "CSS",
     .FilterId = 65153, .Filter = "Cascading Stylesheets (*.css)|*.css",
     .Mechanism = Kw::HashEntries, .HasRanges = true},
    {.ClassName = "TSynVBSyn", .UnitName = "SynHighlighterVB", .LanguageName = u"Visual Basic",
     .Create = Make<TSynVBSyn>,
     .Component = "SynVBSyn", .ComponentIndex = 3, .Tag = 7, .Listing = L::BuiltIn, .ListName = "Visual Basic",
     .FilterId = 65183, .Filter = "Visual Basic Files (*.bas)|*.bas",
     .Mechanism = Kw::Hash, .A = 251, .B = 749, .M = 1423},
    {.ClassName = "TSynVBScriptSyn", .UnitName = "SynHighlighterVBScript", .LanguageName = u"MS VBScript",
     .Create = Make<TSynVBScriptSyn>,
     .Component = "SynVBScriptSyn", .ComponentIndex = 7, .Tag = 12, .Listing = L::BuiltIn, .ListName = "VBScript",
     .FilterId = 65179, .Filter = "VBScript Files (*.vbs)|*.vbs",
     .Mechanism = Kw::Hash, .A = 713, .B = 134, .M = 269},
    {.ClassName = "TSynPythonSyn", .UnitName = "SynHighlighterPython", .LanguageName = u"Python", .CaseSensitive = 1,
     .Create = Make<TSynPythonSyn>,
     .Component = "SynPythonSyn", .ComponentIndex = 2, .Tag = 9, .Listing = L::BuiltIn, .ListName = "Python",
     .FilterId = 65180, .Filter = "Python Files (*.py)|*.py",
     .Mechanism = Kw::SortedList, .HasRanges = true},
    {.ClassName = "TSynSQLSyn", .UnitName = "SynHighlighterSQL", .LanguageName = u"SQL", .Create = Make<TSynSQLSyn>,
     .Component = "SynSQLSyn", .ComponentIndex = 12, .Tag = 3, .Listing = L::BuiltIn, .ListName = "SQL",
     .FilterId = 65181, .Filter = "SQL Files (*.sql)|*.sql",
     .Mechanism = Kw::HashEntries, .HasRanges = true},
    // PHP and HTML serve inside the web page highlighter and are not listed.
    {.ClassName = "TSynPHPSyn", .UnitName = "SynHighlighterPHP", .LanguageName = u"PHP", .Create = Make<TSynPHPSyn>,
     .ProgramFilter = "PHP Files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc",
     .Component = "SynPHPSyn", .ComponentIndex = 11,
     .FilterId = 65152, .Filter = "PHP Files (*.php;*.php3;*.phtml;*.inc)|*.php;*.php3;*.phtml;*.inc",
     .Mechanism = Kw::Hash, .A = 596, .B = 413, .M = 137, .KeywordCount = 56, .HasRanges = true},
    {.ClassName = "TSynPasSyn", .UnitName = "SynHighlighterPas", .LanguageName = u"Object Pascal",
     .Create = Make<TSynPasSyn>,
     .Component = "SynPasSyn", .ComponentIndex = 9, .Tag = 5, .Listing = L::BuiltIn, .ListName = "Pascal (Delphi)",
     .FilterId = 65174, .Filter = "Pascal Files (*.pas;*.pp;*.dpr;*.dpk;*.inc)|*.pas;*.pp;*.dpr;*.dpk;*.inc",
     .Mechanism = Kw::Hash, .A = 812, .B = 76, .M = 389, .KeywordCount = 111, .HasRanges = true},
    {.ClassName = "TSynJavaSyn", .UnitName = "SynHighlighterJava", .LanguageName = u"Java", .CaseSensitive = 1,
     .Create = Make<TSynJavaSyn>,
     .Component = "SynJavaSyn", .ComponentIndex = 1, .Tag = 6, .Listing = L::BuiltIn, .ListName = "Java",
     .FilterId = 65176, .Filter = "Java Files (*.java)|*.java",
     .Mechanism = Kw::Hash, .A = 598, .B = 349, .M = 113, .KeywordCount = 52, .HasRanges = true},
    {.ClassName = "TSynJScriptSyn", .UnitName = "SynHighlighterJScript", .LanguageName = u"JavaScript",
     .CaseSensitive = 1, .Create = Make<TSynJScriptSyn>,
     .Component = "SynJScriptSyn", .ComponentIndex = 0, .Tag = 11, .Listing = L::BuiltIn, .ListName = "JavaScript",
     .FilterId = 65154, .Filter = "Javascript Files (*.js)|*.js",
     .Mechanism = Kw::Hash, .A = 751, .B = 148, .M = 5153, .KeywordCount = 399, .HasRanges = true},
    {.ClassName = "TSynHTMLSyn", .UnitName = "SynHighlighterHtml", .LanguageName = u"HTML", .Create = Make<TSynHTMLSyn>,
     .ProgramFilter = "HTML Document (*.htm,*.html)|*.htm;*.html",
     .Component = "SynHTMLSyn", .ComponentIndex = 6,
     .FilterId = 65178, .Filter = "HTML Documents (*.htm;*.html)|*.htm;*.html",
     .Mechanism = Kw::Hash, .A = 932, .B = 46, .M = 1543, .KeywordCount = 202, .HasRanges = true},
    {.ClassName = "TSynCppSyn", .UnitName = "SynHighlighterCpp", .LanguageName = u"C/C++", .CaseSensitive = 1,
     .Create = Make<TSynCppSyn>,
     .ProgramFilter = "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp",
     .Component = "SynCppSyn", .ComponentIndex = 8, .Tag = 4, .Listing = L::BuiltIn, .ListName = "C/C++",
     .FilterId = 65175, .Filter = "C/C++ Files (*.c;*.cpp;*.h;*.hpp)|*.c;*.cpp;*.h;*.hpp",
     .Mechanism = Kw::Hash, .A = 179, .B = 44, .M = 343, .KeywordCount = 95, .HasRanges = true},
    {.ClassName = "TSynUNIXShellScriptSyn", .UnitName = "SynHighlighterUNIXShellScript",
     .LanguageName = u"UNIX Shell Script", .Create = Make<TSynUNIXShellScriptSyn>,
     .Component = "SynUNIXShellScriptSyn", .ComponentIndex = 17, .Tag = 14, .Listing = L::Registered,
     .ListName = "UNIX Shell Script",
     .FilterId = 65156, .Filter = "UNIX Shell Scripts (*.sh)|*.sh",
     .Mechanism = Kw::SortedList, .KeywordCount = 110, .SecondKeywordCount = 23},
    {.ClassName = "TSynTclTkSyn", .UnitName = "SynHighlighterTclTk", .LanguageName = u"Tcl/Tk",
     .Create = Make<TSynTclTkSyn>,
     .Component = "SynTclTkSyn", .ComponentIndex = 18, .Tag = 13, .Listing = L::BuiltIn, .ListName = "TCL/TK",
     .FilterId = 65182, .Filter = "Tcl/Tk Files (*.tcl)|*.tcl",
     .Mechanism = Kw::SortedList, .KeywordCount = 147},
    // The multi-language highlighter states its own filter. The set's component is a bare one that the set
    // configures with its own highlighters; the registered class owns its five.
    {.ClassName = "TSynMultiSyn", .UnitName = "SynHighlighterMulti", .LanguageName = u"General Multi-Highlighter",
     .CaseSensitive = -1, .Create = Make<TSynMultiSyn>, .Placeable = Make<TSynWebScriptingSyn>,
     .Component = "SynCGISyn", .ComponentIndex = 16, .Tag = 1, .Listing = L::BuiltIn,
     .ListName = "HTML-multi (ASP, PHP, JavaScript, VBScript, CSS)",
     .Mechanism = Kw::Schemes, .HasRanges = true},
};
// clang-format on
// Fewer rows than SynLanguageCount would leave empty ones at the end.
static_assert(SynLanguageTable[SynLanguageCount - 1].ClassName[0] != 0);

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
