// The program's start and end sequence on the offscreen platform: what exists and what is on disk
// at each step, observed from a highlighter plug-in's finalisation; starting minimised.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "AppTestSupport.h"
#include "ScriptedUIServices.h"
#include "app/uProgramEntry.h"
#include "platform/Application.h"
#include "platform/ModuleLoader.h"
#include "recordeditor/SynHighlighterPlugin.h"
#include "ui/TrayIcon.h"

namespace {

// What a plug-in sees when it is finalised.
struct Seen {
  bool finalized = false;
  bool windowGone = false;
  bool valuesInMemory = false;  // the window's values are in the settings document
  bool valuesOnDisk = false;    // ... and already in the settings file
} g_seen;
std::string g_settingsFile;

void FakeGet(TRegisterHighlighterProc) {}
void FakeFinalize() {
  g_seen.finalized = true;
  g_seen.windowGone = true;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<TfrmMain*>(w)) g_seen.windowGone = false;
  g_seen.valuesInMemory = GlobalSettings() && GlobalSettings()->ValueExists("ShowEditorToolbar");
  g_seen.valuesOnDisk = testsupport::ReadFile(g_settingsFile).find("ShowEditorToolbar") != std::string::npos;
}
int FakeAbi() {
  return TESSARYN_HIGHLIGHTER_PLUGIN_ABI;
}

class FakeLoader : public platform::IModuleLoader {
 public:
  Handle Load(const std::string&, std::string&) override { return this; }
  void* Symbol(Handle, const char* name) override {
    const std::string n = name;
    if (n == "HighlighterPluginAbi") return reinterpret_cast<void*>(&FakeAbi);
    if (n == "GetHighlighter") return reinterpret_cast<void*>(&FakeGet);
    if (n == "FinalizePlugin") return reinterpret_cast<void*>(&FakeFinalize);
    return nullptr;
  }
  bool Unload(Handle) override { return true; }
};

class ProgramEntry : public testsupport::TempDirTest {
 protected:
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices useUi{ui};
  FakeLoader loader;

  ProgramEntry() { platform::SetUseBundledIconsOnly(true); }
  TProgramOptions Options(const std::string& settingsXML) {
    g_settingsFile = tmp.File("settings.xdb");
    testsupport::WriteFile(g_settingsFile, settingsXML);
    testsupport::WriteFile(tmp.File("bank.xdb2"),
                           "<?xml version=\"1.0\"?>\r\n<dataroot><folder ID=\"1\">F</folder></dataroot>");
    std::filesystem::create_directory(tmp.File("plugins"));
    testsupport::WriteFile(tmp.File("plugins/hl_probe.so"), "");
    TProgramOptions o;
    o.SettingsFile = g_settingsFile;
    o.CommandLineFile = tmp.File("bank.xdb2");
    o.PluginFolder = tmp.File("plugins");
    o.PluginLoader = &loader;
    return o;
  }
};

}  // namespace

TEST_F(ProgramEntry, EndsWithTheSettingsFileAfterTheWindowAndThePlugins) {
  g_seen = Seen();
  TProgramEntry entry(Options("<?xml version=\"1.0\"?>\r\n<dataroot/>"));
  entry.InitializeUnits();
  entry.InitializeApplication();
  entry.CreateHighlighters();
  ASSERT_EQ(entry.HighLighters(), dmHighLighters);
  entry.CreateMainForm();
  entry.ShowMainForm();
  ASSERT_NE(entry.MainForm(), nullptr);
  EXPECT_TRUE(entry.MainForm()->isVisible());
  EXPECT_EQ(entry.MainForm()->Session().FileName(), tmp.File("bank.xdb2"));
  EXPECT_EQ(entry.MainForm()->windowTitle(), "Tessaryn - unnamed");

  QTimer::singleShot(0, entry.MainForm(), [&] { entry.MainForm()->actnExit->trigger(); });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  guard.start(20000);
  EXPECT_EQ(entry.Run(), 0);
  entry.Finish();

  ASSERT_TRUE(g_seen.finalized);
  EXPECT_TRUE(g_seen.windowGone);
  EXPECT_TRUE(g_seen.valuesInMemory);
  EXPECT_FALSE(g_seen.valuesOnDisk);
  EXPECT_EQ(dmHighLighters, nullptr);
  EXPECT_EQ(GlobalSettings(), nullptr);
  EXPECT_EQ(apptest::XPath(g_settingsFile, "string(/dataroot/ShowEditorToolbar)"), "1");
  EXPECT_NE(apptest::XPath(g_settingsFile, "string(/dataroot/LastOpened)"), "");
}

TEST_F(ProgramEntry, StartsMinimisedWithTheDatabankOpenWhereThereIsNoNotificationArea) {
  TProgramEntry entry(Options("<?xml version=\"1.0\"?>\r\n<dataroot><StartMinimized>1</StartMinimized></dataroot>"));
  entry.InitializeUnits();
  EXPECT_TRUE(StartMinimized);
  entry.InitializeApplication();
  entry.CreateHighlighters();
  entry.CreateMainForm();
  entry.ShowMainForm();
  QApplication::processEvents();
  EXPECT_FALSE(platform::Application().ShowMainForm);
  EXPECT_TRUE(entry.MainForm()->isMinimized());
  EXPECT_FALSE(entry.MainForm()->InTray);
  EXPECT_EQ(entry.MainForm()->Session().FileName(), tmp.File("bank.xdb2"));
  entry.Finish();
  StartMinimized = false;
  platform::Application().ShowMainForm = true;
  platform::Application().NotifyRestored();
}
