// Shared fixtures of the program's tests: the main window over a databank file with its own settings
// file and highlighter set, a recording record editor, reading files back with xmllint, and PNGs of
// widgets under the artifacts folder.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <memory>
#include <string>

#include "RecordingEditor.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "WidgetPng.h"
#include "app/UMain.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "recordeditor/UHighlighters.h"
#include "xml/uGlobalSettings.h"

namespace apptest {

// xmllint --xpath EXPR FILE, its output without the final line break; "" when xmllint fails.
inline std::string XPath(const std::string& file, const std::string& expression) {
  const std::string xmllint = testsupport::FindTool("xmllint");
  if (xmllint.empty()) {
    ADD_FAILURE() << "xmllint is not installed (scripts/ensure-deps should install it)";
    return "";
  }
  return testsupport::XPathQuery(xmllint, file, expression).out;
}

class MainWindowTest : public testsupport::TempDirTest {
 protected:
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices useUi{ui};
  std::unique_ptr<TGlobalSettingsScope> settings;
  std::unique_ptr<TdmHighLighters> highlighters;
  platform::Owned<TfrmMain> form;
  RecordingEditor editor;

  MainWindowTest() { platform::SetUseBundledIconsOnly(true); }
  ~MainWindowTest() override { Close(); }

  std::string SettingsFile() const { return tmp.File("settings.xdb"); }
  std::string BankFile() const { return tmp.File("bank.xdb2"); }
  TSettings* settingsSection() { return form->GetSettings(); }

  // The window over the databank text, with an existing settings file (not the first run).
  void Open(const std::string& bankXML, const std::string& settingsXML = "<?xml version=\"1.0\"?>\r\n<dataroot/>") {
    Close();
    testsupport::WriteFile(BankFile(), bankXML);
    if (!std::filesystem::exists(SettingsFile())) testsupport::WriteFile(SettingsFile(), settingsXML);
    settings = std::make_unique<TGlobalSettingsScope>(SettingsFile());
    highlighters = std::make_unique<TdmHighLighters>(THighlighterSetRole::Primary, tmp.File("no-plugins"));
    form.reset(platform::Construct<TfrmMain>(nullptr, BankFile()));
    QApplication::processEvents();
    ASSERT_EQ(form->Session().FileName(), BankFile());
  }
  // The window goes (saving with the default auto-save), then the set, then the settings file is written.
  void Close() {
    form.reset();
    highlighters.reset();
    settings.reset();
  }
  void Select(int id) {
    form->Tree->setFocus();
    form->Tree->Select(form->ItemOf(form->FindNodeByID(id)));
    QApplication::processEvents();
  }
  void SavePng(const std::string& name, QWidget* w, qreal ratio = 1) { testsupport::SaveWidgetPng(name, w, ratio); }
  // A click of the mouse on a widget's middle.
  static void ClickOn(QWidget* w) {
    const QPoint at = w->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    QApplication::processEvents();
  }
};

}  // namespace apptest
