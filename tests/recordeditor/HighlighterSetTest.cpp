// The highlighter set: its components and their colours, the language table and the choice of a
// record's language, run-time registration between a primary and a secondary set, and plug-ins
// (a scripted loader for every way a load can fail, and a real plug-in loaded with dlopen).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "RecordEditorTestSupport.h"
#include "ScriptedUIServices.h"
#include "highlighters/SynHighlighterFamily.h"
#include "highlighters/SynHighlighterMulti.h"
#include "highlighters/SynHighlighterPas.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "highlighters/SynHighlighterUNIXShellScript.h"
#include "highlighters/SynHighlighterURI.h"
#include "platform/Exceptions.h"
#include "platform/ModuleLoader.h"
#include "platform/UIServices.h"
#include "recordeditor/SynHighlighterPlugin.h"
#include "recordeditor/UHighlighterPlugins.h"
#include "recordeditor/UHighlighters.h"

using namespace platform;
using recordeditortest::ListedLanguageCount;
using testsupport::TempDirTest;

namespace {

TSynHighlighterAttributes* Attr(const TdmHighLighters& set, const char* component, const char* attribute) {
  const TSynCustomHighlighter* h = set.FindComponent(component)->Highlighter;
  for (int i = 0; i < h->GetAttribCount(); ++i)
    if (h->GetAttribute(i)->Name() == attribute) return h->GetAttribute(i);
  ADD_FAILURE() << component << " has no " << attribute;
  return nullptr;
}

// An empty plug-in folder, so the suite never picks up plug-ins lying beside the test program.
class HighlighterSet : public TempDirTest {
 protected:
  std::string NoPlugins() { return tmp.File("none"); }
};

}  // namespace

TEST_F(HighlighterSet, ComponentsInCreationOrderWithTheProgramsColours) {
  TdmHighLighters set(THighlighterSetRole::Primary, NoPlugins());
  const std::vector<std::pair<std::string, int>> expected = {
      {"SynJScriptSyn", 11},    {"SynJavaSyn", 6},      {"SynPythonSyn", 9},
      {"SynVBSyn", 7},          {"SynXMLSyn", 2},       {"SynPerlSyn", 8},
      {"SynHTMLSyn", 0},        {"SynVBScriptSyn", 12}, {"SynCppSyn", 4},
      {"SynPasSyn", 5},         {"SynCssSyn", 10},      {"SynPHPSyn", 0},
      {"SynSQLSyn", 3},         {"SynPadSearch", 0},    {"SynURISyn", 0},
      {"SynPadRegexSearch", 0}, {"SynCGISyn", 1},       {"SynUNIXShellScriptSyn", 14},
      {"SynTclTkSyn", 13}};
  // A row of the language table each, and the two search engines.
  ASSERT_EQ(set.Components().size(), SynLanguageCount + 2u);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(set.Components()[i].Name, expected[i].first);
    EXPECT_EQ(set.Components()[i].Tag, expected[i].second) << expected[i].first;
  }

  struct Row {
    const char* component;
    const char* attribute;
    TColor fg;
    int style;
  };
  const Row rows[] = {
      {"SynJavaSyn", "Reserved Word", clPurple, syn::fsBold},  // "as JavaScript": colour only
      {"SynPerlSyn", "Symbol", clBlue, 0},
      {"SynXMLSyn", "Comment", clRed, syn::fsBold | syn::fsItalic},
      {"SynHTMLSyn", "Comment", clGray, syn::fsItalic},
      {"SynHTMLSyn", "Unknown Word", 7798903, syn::fsBold},
      {"SynHTMLSyn", "Escape Ampersand", clMaroon, syn::fsBold},
      {"SynVBScriptSyn", "String", clTeal, 0},
      {"SynCppSyn", "Symbol", clNavy, syn::fsBold},
      {"SynCppSyn", "Octal", clGreen, 0},
      {"SynCppSyn", "Assembler", clOlive, 0},
      {"SynPasSyn", "Reserved Word", 7405681, syn::fsBold},
      {"SynPasSyn", "Preprocessor", clRed, syn::fsItalic},
      {"SynCssSyn", "Number", clTeal, 0},
      {"SynPHPSyn", "Variable", 12615808, syn::fsBold},
      {"SynSQLSyn", "Reserved Word", 13369344, syn::fsBold},
      {"SynSQLSyn", "Number", 3566592, 0},
      {"SynSQLSyn", "String", 6316128, 0},
      {"SynSQLSyn", "Table Name", 6973952, 0},
      {"SynURISyn", "URI", clBlue, 0},
  };
  for (const Row& r : rows) {
    const TSynHighlighterAttributes* a = Attr(set, r.component, r.attribute);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Foreground(), r.fg) << r.component << " " << r.attribute;
    EXPECT_EQ(a->Style(), r.style) << r.component << " " << r.attribute;
  }
  EXPECT_EQ(set.FindComponent("SynCppSyn")->Highlighter->DefaultFilter(),
            "C++ Files (*.c,*.cpp,*.h,*.hpp)|*.c;*.cpp;*.h;*.hpp");
  EXPECT_EQ(set.FindComponent("SynJavaSyn")->Highlighter->DefaultFilter(), "Java Files (*.java)|*.java");

  // The web page highlighter uses the set's own highlighters.
  TSynMultiSyn& cgi = *set.SynCGISyn;
  EXPECT_EQ(cgi.DefaultHighlighter(), set.FindComponent("SynHTMLSyn")->Highlighter);
  EXPECT_EQ(cgi.DefaultLanguageName(), u"Web Scripting");
  ASSERT_EQ(cgi.Schemes().Count(), 6);
  EXPECT_EQ(cgi.Schemes().Items(2)->SchemeName(), u"PHP");
  EXPECT_EQ(cgi.Schemes().Items(2)->Highlighter(), set.FindComponent("SynPHPSyn")->Highlighter);
  EXPECT_EQ(cgi.Schemes().Items(5)->Highlighter(), set.FindComponent("SynCssSyn")->Highlighter);
}

TEST_F(HighlighterSet, LanguageTableAndTheChoiceOfARecordsLanguage) {
  TdmHighLighters set(THighlighterSetRole::Primary, NoPlugins());
  TLanguageList list;
  set.BuildLanguageList(list);
  const std::vector<std::string> names = {"Memo",
                                          "HTML-multi (ASP, PHP, JavaScript, VBScript, CSS)",
                                          "XML",
                                          "SQL",
                                          "C/C++",
                                          "Pascal (Delphi)",
                                          "Java",
                                          "Visual Basic",
                                          "Perl",
                                          "Python",
                                          "CSS",
                                          "JavaScript",
                                          "VBScript",
                                          "TCL/TK",
                                          "UNIX Shell Script"};
  ASSERT_EQ(list.size(), ListedLanguageCount());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(list[i].Name, names[i]);
    EXPECT_EQ(list[i].Tag, int(i));
  }
  EXPECT_EQ(list[0].Highlighter, static_cast<TSynCustomHighlighter*>(set.SynURISyn));
  EXPECT_EQ(set.FindHighlighterByTag(5), static_cast<TSynCustomHighlighter*>(set.SynPasSyn));
  EXPECT_EQ(set.FindHighlighterByTag(99, &list), nullptr);

  // Stored "HighLight" texts, without and with a registered language of a large number.
  struct Case {
    const char* text;
    const char* language;  // nullptr: no highlighter
  };
  const Case cases[] = {{"abc", "Memo"},
                        {"15", "Memo"},
                        {"99", "Memo"},
                        {"-1", nullptr},
                        {"5", "Pascal (Delphi)"},
                        {"12abc", "Memo"},
                        {" $E", "UNIX Shell Script"}};
  for (const Case& c : cases) {
    const TLanguageChoice choice = ChooseLanguage(LanguageNumberFromText(c.text), list);
    EXPECT_EQ(choice.Entry ? choice.Entry->Name : "(plain)", c.language ? c.language : "(plain)") << c.text;
  }
  TSynUNIXShellScriptSyn* shell = set.SynUNIXShellScriptSyn;
  RegisterHighlighter("Far", shell, 100);
  RegisterHighlighter("Negative", shell, -7);
  set.BuildLanguageList(list);
  EXPECT_EQ(ChooseLanguage(100, list).Entry->Name, "Far");
  EXPECT_EQ(ChooseLanguage(-7, list).Entry->Name, "Negative");
  EXPECT_EQ(ChooseLanguage(101, list).Entry->Name, "Memo");
  RegisterHighlighter(std::string(254, 'a') + "\xC3\xA9", shell, 101);  // a 255-byte cut would split the "é"
  EXPECT_EQ(HighlighterList().Entries().back().Name, std::string(254, 'a'));
  HighlighterList().Remove(shell);

  for (const auto& [text, number] : std::map<std::string, int>{{"", 0},
                                                               {"+5", 5},
                                                               {"0x10", 16},
                                                               {"$ff", 255},
                                                               {"2147483647", 2147483647},
                                                               {"2147483648", 0},
                                                               {"-2147483648", -2147483647 - 1},
                                                               {"1 ", 0},
                                                               {"$", 0}})
    EXPECT_EQ(LanguageNumberFromText(text), number) << '"' << text << '"';
}

TEST_F(HighlighterSet, OnlyThePrimarySetRegistersAndTheSecondBorrows) {
  EXPECT_EQ(HighlighterList().Count(), 0);
  {
    TdmHighLighters primary(THighlighterSetRole::Primary, NoPlugins());
    EXPECT_EQ(dmHighLighters, &primary);
    EXPECT_THROW(TdmHighLighters(THighlighterSetRole::Primary, NoPlugins()), Exception);
    {
      TdmHighLighters secondary(THighlighterSetRole::Secondary);
      TLanguageList list;
      secondary.BuildLanguageList(list);
      ASSERT_EQ(list.size(), ListedLanguageCount());
      EXPECT_EQ(list.back().Highlighter, static_cast<TSynCustomHighlighter*>(primary.SynUNIXShellScriptSyn));
      EXPECT_EQ(dmHighLighters, &primary);
    }
    EXPECT_EQ(HighlighterList().Count(), 1);
  }
  EXPECT_EQ(HighlighterList().Count(), 0);
  EXPECT_EQ(dmHighLighters, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Plug-ins through a scripted loader

namespace {

struct FakeModule;
std::vector<std::string> g_events;
FakeModule* g_current = nullptr;

struct FakeModule {
  std::string name;
  bool loads = true;
  int abi = TESSARYN_HIGHLIGHTER_PLUGIN_ABI;  // 0: no version export
  bool hasGet = true;
  bool getThrows = false;
  bool hasFinalize = true;
  int tag = 0;
  std::string builtInClass;  // registers a highlighter of this class from the class list, not its own
  std::unique_ptr<TSynCustomHighlighter> highlighter;
};

extern "C" int FakeAbi() {
  return g_current->abi;
}
extern "C" void FakeGet(TRegisterHighlighterProc reg) {
  g_events.push_back("get " + g_current->name);
  if (g_current->builtInClass.empty()) {
    g_current->highlighter = std::make_unique<TSynURISyn>();
  } else {
    for (const TSynHighlighterClass& c : GetPlaceableHighlighters())
      if (c.ClassName == g_current->builtInClass) g_current->highlighter = c.Create();
    if (!g_current->highlighter) return;
  }
  reg(g_current->name.c_str(), g_current->highlighter.get(), g_current->tag);
  if (g_current->getThrows) throw Exception("broken");
}
extern "C" void FakeFinalize() {
  g_events.push_back("finalize " + g_current->name);
}

class FakeLoader : public IModuleLoader {
 public:
  std::map<std::string, FakeModule> modules;
  Handle Load(const std::string& path, std::string& error) override {
    FakeModule& m = modules[std::filesystem::path(path).filename().string()];
    g_events.push_back("load " + m.name);
    if (!m.loads) {
      error = "not a library";
      return nullptr;
    }
    g_current = &m;
    return &m;
  }
  void* Symbol(Handle h, const char* name) override {
    auto* m = static_cast<FakeModule*>(h);
    g_current = m;
    const std::string n = name;
    if (n == "HighlighterPluginAbi") return m->abi ? reinterpret_cast<void*>(&FakeAbi) : nullptr;
    if (n == "GetHighlighter") return m->hasGet ? reinterpret_cast<void*>(&FakeGet) : nullptr;
    if (n == "FinalizePlugin") return m->hasFinalize ? reinterpret_cast<void*>(&FakeFinalize) : nullptr;
    return nullptr;
  }
  bool Unload(Handle h) override {
    g_events.push_back("unload " + static_cast<FakeModule*>(h)->name);
    return true;
  }
};

}  // namespace

TEST_F(HighlighterSet, PluginsLoadInNameOrderAndEveryFailureIsReportedOnce) {
  const std::string folder = tmp.File("highlighters");
  std::filesystem::create_directory(folder);
  FakeLoader loader;
  auto add = [&](const std::string& name, auto setup) {
    testsupport::WriteFile(folder + "/" + name, "x");
    FakeModule& m = loader.modules[name];
    m.name = name;
    setup(m);
  };
  add("hl_f_ok.so", [](FakeModule& m) { m.tag = 200; });
  add("hl_a_noload.bpl", [](FakeModule& m) { m.loads = false; });
  add("hl_b_oldabi.so", [](FakeModule& m) { m.abi = 0; });
  add("hl_c_noget.so", [](FakeModule& m) { m.hasGet = false; });
  add("hl_d_throws.bpl", [](FakeModule& m) {
    m.getThrows = true;
    m.tag = 300;
  });
  add("hl_e_nofinal.so", [](FakeModule& m) {
    m.hasFinalize = false;
    m.tag = 400;
  });
  testsupport::WriteFile(folder + "/hl_readme.txt", "not a plug-in");
  testsupport::WriteFile(folder + "/x_hl_g.so", "not a plug-in");
  std::filesystem::create_directory(folder + "/hl_dir.so");

  ScriptedUIServices ui;
  ScopedUIServices scope(ui);
  g_events.clear();
  {
    TdmHighLighters set(THighlighterSetRole::Primary, folder, &loader);
    EXPECT_EQ(set.PluginFileNames(), (std::vector<std::string>{"hl_b_oldabi.so", "hl_c_noget.so", "hl_d_throws.bpl",
                                                               "hl_e_nofinal.so", "hl_f_ok.so"}));
    // One box with OK alone for each, naming the file by its full path, and on the next line why:
    // the loader's own reason, or what the plug-in lacks or threw.
    std::vector<std::string> boxes;
    for (const auto& c : ui.CallsOf(ScriptedUIServices::Kind::Message)) {
      EXPECT_EQ(c.caption, "Error!");
      EXPECT_EQ(c.buttons, MsgButtons::Ok);
      boxes.push_back(c.text);
    }
    ASSERT_EQ(boxes.size(), 4u);
    const std::pair<const char*, const char*> told[] = {{"hl_a_noload.bpl", "not a library"},
                                                        {"hl_b_oldabi.so", "HighlighterPluginAbi"},
                                                        {"hl_c_noget.so", "GetHighlighter"},
                                                        {"hl_d_throws.bpl", "broken"}};
    for (size_t i = 0; i < 4; ++i) {
      const std::string head = "Error loading plugin: [" + folder + "/" + told[i].first + "]\n";
      EXPECT_EQ(boxes[i].substr(0, head.size()), head) << boxes[i];
      EXPECT_NE(boxes[i].find(told[i].second, head.size()), std::string::npos) << boxes[i];
    }
    // What a failing plug-in registered before failing stays until it is unloaded.
    TLanguageList list;
    set.BuildLanguageList(list);
    const size_t builtIn = ListedLanguageCount();
    ASSERT_EQ(list.size(), builtIn + 3);
    EXPECT_EQ(list[builtIn].Tag, 300);
    EXPECT_EQ(list[builtIn + 1].Tag, 400);
    EXPECT_EQ(list[builtIn + 2].Name, "hl_f_ok.so");
    EXPECT_EQ(set.FindHighlighterByTag(200, &list), loader.modules["hl_f_ok.so"].highlighter.get());
    g_events.clear();
  }
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"unload hl_b_oldabi.so", "finalize hl_c_noget.so", "unload hl_c_noget.so",
                                      "finalize hl_d_throws.bpl", "unload hl_d_throws.bpl", "unload hl_e_nofinal.so",
                                      "finalize hl_f_ok.so", "unload hl_f_ok.so"}));
  EXPECT_EQ(HighlighterList().Count(), 0);
}

// A plug-in may build on the built-in classes: the primary set fills the class list before it loads
// plug-ins, every row of the language table in table order, the multi-language row with a web page
// highlighter that brings its own highlighters.
TEST_F(HighlighterSet, PluginsFindTheBuiltInClassesInTheClassList) {
  const std::string folder = tmp.File("highlighters");
  std::filesystem::create_directory(folder);
  testsupport::WriteFile(folder + "/hl_web.so", "x");
  FakeLoader loader;
  FakeModule& web = loader.modules["hl_web.so"];
  web.name = "hl_web.so";
  web.tag = 500;
  web.builtInClass = "TSynMultiSyn";
  {
    TdmHighLighters set(THighlighterSetRole::Primary, folder, &loader);
    auto* multi = dynamic_cast<TSynMultiSyn*>(set.FindHighlighterByTag(500));
    ASSERT_NE(multi, nullptr) << "the plug-in found no TSynMultiSyn in the class list";
    EXPECT_EQ(multi->Schemes().Count(), 6);
    ASSERT_NE(multi->DefaultHighlighter(), nullptr);
    EXPECT_EQ(multi->DefaultHighlighter()->ClassName(), "TSynHTMLSyn");
    std::vector<std::string> classes, rows;
    for (const TSynHighlighterClass& c : GetPlaceableHighlighters())
      if (FindSynLanguage(c.ClassName)) classes.push_back(c.ClassName);
    for (const TSynLanguageInfo& row : SynLanguageTable) rows.push_back(row.ClassName);
    EXPECT_EQ(classes, rows);
  }
  EXPECT_EQ(HighlighterList().Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// A real plug-in

TEST_F(HighlighterSet, RealPluginLoadsRegistersHighlightsAndUnloads) {
  const std::string folder = tmp.File("highlighters");
  std::filesystem::create_directory(folder);
  const std::string plugin = folder + "/hl_ini.so";
  std::filesystem::copy_file(recordeditortest::TestPluginPath("hl_ini.so"), plugin);
  testsupport::WriteFile(folder + "/hl_bad.bpl", "junk\n");
  const std::string log = tmp.File("plugin.log");
  setenv("HL_TEST_PLUGIN_LOG", log.c_str(), 1);

  ScriptedUIServices ui;
  ScopedUIServices scope(ui);
  {
    TdmHighLighters set(THighlighterSetRole::Primary, folder);
    ASSERT_EQ(ui.Calls().size(), 1u);
    // The loader's reason after the full path (dlopen says the file is no library it can map).
    const std::string head = "Error loading plugin: [" + folder + "/hl_bad.bpl]\n" + folder + "/hl_bad.bpl: ";
    EXPECT_EQ(ui.LastCall().text.substr(0, head.size()), head) << ui.LastCall().text;
    EXPECT_GT(ui.LastCall().text.size(), head.size());
    EXPECT_EQ(ui.LastCall().caption, "Error!");
    EXPECT_EQ(ui.LastCall().buttons, MsgButtons::Ok);
    TLanguageList list;
    set.BuildLanguageList(list);
    ASSERT_EQ(list.size(), ListedLanguageCount() + 1);
    EXPECT_EQ(list.back().Name, "INI Files");
    TSynCustomHighlighter* ini = ChooseLanguage(LanguageNumberFromText("100"), list).Highlighter();
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->ClassName(), "TSynIniSyn");
    std::string tokens;
    ASSERT_TRUE(SynDumpTokens(*ini, {u"[main]", u"key=a=b"}, tokens));
    EXPECT_EQ(tokens,
              "1\t0\t6\tSection\t2\t[main]\n1\tEOL\t0\n"
              "2\t0\t3\tKey\t3\tkey\n2\t3\t1\tSymbol\t5\t=\n2\t4\t3\tValue\t4\ta=b\n2\tEOL\t0\n");
    void* loaded = dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(loaded, nullptr);
    if (loaded) dlclose(loaded);  // the reference just taken
  }
  unsetenv("HL_TEST_PLUGIN_LOG");
  EXPECT_EQ(testsupport::ReadFile(log), "get\nfinalize\n");
  EXPECT_EQ(dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
  EXPECT_EQ(HighlighterList().Count(), 0);

  // The probe lists the same table, from the plug-in folder it is given.
  auto r = testsupport::RunProcess(testsupport::ProbePath("tokenprobe"), {"--languages", "--plugins", folder});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.rfind("Error!: Error loading plugin: [" + folder + "/hl_bad.bpl]\n", 0), 0u) << r.err;
  EXPECT_NE(r.out.find("\n14\tUNIX Shell Script\tTSynUNIXShellScriptSyn\n100\tINI Files\tTSynIniSyn\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), ListedLanguageCount() + 1);

  // Without a folder named, the program's own folder is read and then the user's: an installed
  // program's folder is not the user's to write.
  const std::string data = tmp.File("data");
  std::filesystem::create_directories(data + "/tessaryn/highlighters");
  std::filesystem::copy_file(plugin, data + "/tessaryn/highlighters/hl_ini.so");
  testsupport::ScopedEnv dataHome("XDG_DATA_HOME", data.c_str());
  r = testsupport::RunProcess(testsupport::ProbePath("tokenprobe"), {"--languages"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("\n100\tINI Files\tTSynIniSyn\n"), std::string::npos) << r.out;
}

// A plug-in in the user's folder replaces the program's copy of the same file: it is loaded once,
// from the user's folder, after the program's other plug-ins.
TEST(HighlighterPluginFiles, TheUsersCopyReplacesTheProgramsOne) {
  testsupport::TempDir tmp;
  const std::string program = tmp.File("program"), user = tmp.File("user");
  for (const std::string& folder : {program, user}) std::filesystem::create_directory(folder);
  for (const char* name : {"hl_ini.so", "hl_a.so", "hl_z.bpl"}) testsupport::WriteFile(program + "/" + name, "x");
  for (const char* name : {"hl_ini.so", "hl_b.so"}) testsupport::WriteFile(user + "/" + name, "x");
  EXPECT_EQ(
      HighlighterPluginFiles({program, user}),
      (std::vector<std::string>{program + "/hl_a.so", program + "/hl_z.bpl", user + "/hl_b.so", user + "/hl_ini.so"}));
  EXPECT_EQ(HighlighterPluginFiles({program}),
            (std::vector<std::string>{program + "/hl_a.so", program + "/hl_ini.so", program + "/hl_z.bpl"}));
}
