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

constexpr TSynLanguageInfo SynLanguageTable[SynLanguageCount] = {
    {.ClassName = "TSynURISyn", .UnitName = "SynHighlighterURI", .LanguageName = u"URI", .Mechanism = Kw::Prefix,
     .FilterId = 65157, .Filter = "All Files (*.*)|*.*",
     .Component = "SynURISyn", .ComponentIndex = 14, .Tag = 0, .Listing = L::BuiltIn, .ListName = "Memo",
     .Create = Make<TSynURISyn>, .Register = RegisterHighlighterClass<TSynURISyn>},
    {.ClassName = "TSynPerlSyn", .UnitName = "SynHighlighterPerl", .LanguageName = u"Perl", .Mechanism = Kw::Hash,
     .A = 975, .B = 515, .M = 2423, .KeywordCount = 282, .CaseSensitive = 1,
     .FilterId = 65177, .Filter = "Perl Files (*.pl;*.pm;*.cgi)|*.pl;*.pm;*.cgi",
     .Component = "SynPerlSyn", .ComponentIndex = 5, .Tag = 8, .Listing = L::BuiltIn, .ListName = "Perl",
     .ProgramFilter = "Perl Files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi",
     .Create = Make<TSynPerlSyn>, .Register = RegisterHighlighterClass<TSynPerlSyn>},
    {.ClassName = "TSynXMLSyn", .UnitName = "SynHighlighterXML", .LanguageName = u"XML",
     .HasRanges = true, .CaseSensitive = 1,
     .FilterId = 65155, .Filter = "XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd",
     .Component = "SynXMLSyn", .ComponentIndex = 4, .Tag = 2, .Listing = L::BuiltIn, .ListName = "XML",
     .ProgramFilter = "XML Document (*.xml,*.xsd,*.xsl,*.xslt)|*.xml;*.xsd;*.xsl;*.xslt",
     .Create = Make<TSynXMLSyn>, .Register = RegisterHighlighterClass<TSynXMLSyn>},
    {.ClassName = "TSynCssSyn", .UnitName = "SynHighlighterCSS", .LanguageName = u"Cascading Style Sheet",
     .Mechanism = Kw::HashEntries, .HasRanges = true,
     .FilterId = 65153, .Filter = "Cascading Stylesheets (*.css)|*.css",
     .Component = "SynCssSyn", .ComponentIndex = 10, .Tag = 10, .Listing = L::BuiltIn, .ListName = "CSS",
     .Create = Make<TSynCssSyn>, .Register = RegisterHighlighterClass<TSynCssSyn>},
    {.ClassName = "TSynVBSyn", .UnitName = "SynHighlighterVB", .LanguageName = u"Visual Basic", .Mechanism = Kw::Hash,
     .A = 251, .B = 749, .M = 1423,
     .FilterId = 65183, .Filter = "Visual Basic Files (*.bas)|*.bas",
     .Component = "SynVBSyn", .ComponentIndex = 3, .Tag = 7, .Listing = L::BuiltIn, .ListName = "Visual Basic",
     .Create = Make<TSynVBSyn>, .Register = RegisterHighlighterClass<TSynVBSyn>},
    {.ClassName = "TSynVBScriptSyn", .UnitName = "SynHighlighterVBScript", .LanguageName = u"MS VBScript",
     .Mechanism = Kw::Hash, .A = 713, .B = 134, .M = 269,
     .FilterId = 65179, .Filter = "VBScript Files (*.vbs)|*.vbs",
     .Component = "SynVBScriptSyn", .ComponentIndex = 7, .Tag = 12, .Listing = L::BuiltIn, .ListName = "VBScript",
     .Create = Make<TSynVBScriptSyn>, .Register = RegisterHighlighterClass<TSynVBScriptSyn>},
    {.ClassName = "TSynPythonSyn", .UnitName = "SynHighlighterPython", .LanguageName = u"Python",
     .Mechanism = Kw::SortedList, .HasRanges = true, .CaseSensitive = 1,
     .FilterId = 65180, .Filter = "Python Files (*.py)|*.py",
     .Component = "SynPythonSyn", .ComponentIndex = 2, .Tag = 9, .Listing = L::BuiltIn, .ListName = "Python",
     .Create = Make<TSynPythonSyn>, .Register = RegisterHighlighterClass<TSynPythonSyn>},
    {.ClassName = "TSynSQLSyn", .UnitName = "SynHighlighterSQL", .LanguageName = u"SQL", .Mechanism = Kw::HashEntries,
     .HasRanges = true,
     .FilterId = 65181, .Filter = "SQL Files (*.sql)|*.sql",
     .Component = "SynSQLSyn", .ComponentIndex = 12, .Tag = 3, .Listing = L::BuiltIn, .ListName = "SQL",
     .Create = Make<TSynSQLSyn>, .Register = RegisterHighlighterClass<TSynSQLSyn>},
    // PHP and HTML serve inside the web page highlighter.
    {.ClassName = "TSynPHPSyn", .UnitName = "SynHighlighterPHP", .LanguageName = u"PHP", .Mechanism = Kw::Hash,
     .A = 596, .B = 413, .M = 137, .KeywordCount = 56, .HasRanges = true,
     .FilterId = 65152, .Filter = "PHP Files (*.php;*.php3;*.phtml;*.inc)|*.php;*.php3;*.phtml;*.inc",
     .Component = "SynPHPSyn", .ComponentIndex = 11,
     .ProgramFilter = "PHP Files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc",
     .Create = Make<TSynPHPSyn>, .Register = RegisterHighlighterClass<TSynPHPSyn>},
    {.ClassName = "TSynPasSyn", .UnitName = "SynHighlighterPas", .LanguageName = u"Object Pascal", .Mechanism = Kw::Hash,
     .A = 812, .B = 76, .M = 389, .KeywordCount = 111, .HasRanges = true,
     .FilterId = 65174, .Filter = "Pascal Files (*.pas;*.pp;*.dpr;*.dpk;*.inc)|*.pas;*.pp;*.dpr;*.dpk;*.inc",
     .Component = "SynPasSyn", .ComponentIndex = 9, .Tag = 5, .Listing = L::BuiltIn, .ListName = "Pascal (Delphi)",
     .Create = Make<TSynPasSyn>, .Register = RegisterHighlighterClass<TSynPasSyn>},
    {.ClassName = "TSynJavaSyn", .UnitName = "SynHighlighterJava", .LanguageName = u"Java", .Mechanism = Kw::Hash,
     .A = 598, .B = 349, .M = 113, .KeywordCount = 52, .HasRanges = true, .CaseSensitive = 1,
     .FilterId = 65176, .Filter = "Java Files (*.java)|*.java",
     .Component = "SynJavaSyn", .ComponentIndex = 1, .Tag = 6, .Listing = L::BuiltIn, .ListName = "Java",
     .Create = Make<TSynJavaSyn>, .Register = RegisterHighlighterClass<TSynJavaSyn>},
    {.ClassName = "TSynJScriptSyn", .UnitName = "SynHighlighterJScript", .LanguageName = u"JavaScript",
     .Mechanism = Kw::Hash, .A = 751, .B = 148, .M = 5153, .KeywordCount = 399, .HasRanges = true, .CaseSensitive = 1,
     .FilterId = 65154, .Filter = "Javascript Files (*.js)|*.js",
     .Component = "SynJScriptSyn", .ComponentIndex = 0, .Tag = 11, .Listing = L::BuiltIn, .ListName = "JavaScript",
     .Create = Make<TSynJScriptSyn>, .Register = RegisterHighlighterClass<TSynJScriptSyn>},
    {.ClassName = "TSynHTMLSyn", .UnitName = "SynHighlighterHtml", .LanguageName = u"HTML", .Mechanism = Kw::Hash,
     .A = 932, .B = 46, .M = 1543, .KeywordCount = 202, .HasRanges = true,
     .FilterId = 65178, .Filter = "HTML Documents (*.htm;*.html)|*.htm;*.html",
     .Component = "SynHTMLSyn", .ComponentIndex = 6,
     .ProgramFilter = "HTML Document (*.htm,*.html)|*.htm;*.html",
     .Create = Make<TSynHTMLSyn>, .Register = RegisterHighlighterClass<TSynHTMLSyn>},
    {.ClassName = "TSynCppSyn", .UnitName = "SynHighlighterCpp", .LanguageName = u"C/C++", .Mechanism = Kw::Hash,
     .A = 179, .B = 44, .M = 343, .KeywordCount = 95, .HasRanges = true, .CaseSensitive = 1,
     .FilterId = 65175, .Filter = "C/C++ Files (*.c;*.cpp;*.h;*.hpp)|*.c;*.cpp;*.h;*.hpp",
     .Component = "SynCppSyn", .ComponentIndex = 8, .Tag = 4, .Listing = L::BuiltIn, .ListName = "C/C++",
     .ProgramFilter = "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp",
     .Create = Make<TSynCppSyn>, .Register = RegisterHighlighterClass<TSynCppSyn>},
    {.ClassName = "TSynUNIXShellScriptSyn", .UnitName = "SynHighlighterUNIXShellScript",
     .LanguageName = u"UNIX Shell Script", .Mechanism = Kw::SortedList, .KeywordCount = 110, .SecondKeywordCount = 23,
     .FilterId = 65156, .Filter = "UNIX Shell Scripts (*.sh)|*.sh",
     .Component = "SynUNIXShellScriptSyn", .ComponentIndex = 17, .Tag = 14, .Listing = L::Registered,
     .ListName = "UNIX Shell Script",
     .Create = Make<TSynUNIXShellScriptSyn>, .Register = RegisterHighlighterClass<TSynUNIXShellScriptSyn>},
    {.ClassName = "TSynTclTkSyn", .UnitName = "SynHighlighterTclTk", .LanguageName = u"Tcl/Tk",
     .Mechanism = Kw::SortedList, .KeywordCount = 147,
     .FilterId = 65182, .Filter = "Tcl/Tk Files (*.tcl)|*.tcl",
     .Component = "SynTclTkSyn", .ComponentIndex = 18, .Tag = 13, .Listing = L::BuiltIn, .ListName = "TCL/TK",
     .Create = Make<TSynTclTkSyn>, .Register = RegisterHighlighterClass<TSynTclTkSyn>},
    // The multi-language highlighter states its own filter. The set's component is a bare one that
    // the set configures with its own highlighters; the placeable class owns its five.
    {.ClassName = "TSynMultiSyn", .UnitName = "SynHighlighterMulti", .LanguageName = u"General Multi-Highlighter",
     .Mechanism = Kw::Schemes, .HasRanges = true, .CaseSensitive = -1,
     .Component = "SynCGISyn", .ComponentIndex = 16, .Tag = 1, .Listing = L::BuiltIn,
     .ListName = "HTML-multi (ASP, PHP, JavaScript, VBScript, CSS)",
     .Create = Make<TSynMultiSyn>, .Register = RegisterHighlighterClass<TSynWebScriptingSyn>},
};
// Fewer rows than SynLanguageCount would leave empty ones at the end.
static_assert(SynLanguageTable[SynLanguageCount - 1].ClassName[0] != 0);

const TSynLanguageInfo* FindSynLanguage(std::string_view className) {
  for (const auto& row : SynLanguageTable)
    if (className == row.ClassName) return &row;
  return nullptr;
}

void RegisterSynHighlighters() {
  for (const auto& row : SynLanguageTable) row.Register();
}
