// The databank window on the offscreen platform as its suites open it: scripted UI services, an
// in-memory clipboard, settings in a temporary file, and a small databank.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <random>
#include <regex>

#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "WidgetPng.h"
#include "databank/gui/TreeImages.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "platform/Clipboard.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtColors.h"
#include "xml/uGlobalSettings.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

inline const char* const kBank =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot>"
    "<settings><NextNodeID>20</NextNodeID></settings>"
    "<folder ID=\"1\" expanded=\"1\">Alpha<record ID=\"2\">One<data>x</data></record>"
    "<folder ID=\"3\">Inner<record ID=\"4\">Two</record><record ID=\"8\">Three</record></folder>"
    "<record ID=\"5\">Four</record></folder>"
    "<record ID=\"6\">Top</record><folder ID=\"7\">Beta</folder></dataroot>";

class TreeForm : public testsupport::TempDirTest {
 protected:
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices useUi{ui};
  platform::MemoryClipboard clipboard;
  std::unique_ptr<TGlobalSettingsScope> settings;
  platform::Owned<TXMLTreeForm> form;

  TreeForm() { platform::SetUseBundledIconsOnly(true); }
  ~TreeForm() override {
    form.reset();
    settings.reset();
  }
  std::string SettingsFile() const { return tmp.File("settings.xdb"); }
  void Open(const std::string& settingsXML = "") {
    if (!settingsXML.empty()) testsupport::WriteFile(SettingsFile(), settingsXML);
    settings = std::make_unique<TGlobalSettingsScope>(SettingsFile());
    const std::string bank = tmp.File("bank.xdb2");
    if (!std::filesystem::exists(bank)) testsupport::WriteFile(bank, kBank);
    form.reset(platform::Construct<TXMLTreeForm>(nullptr, bank));
    QApplication::processEvents();
    ASSERT_EQ(form->Session().FileName(), bank);
  }
  TTreeItem* Item(int id) { return form->ItemOf(form->FindNodeByID(id)); }
  QTreeWidgetItem* QItem(int id) { return TTreeWidget::ItemOf(Item(id)); }
  void Select(int id) {
    form->Tree->setFocus();
    form->Tree->Select(Item(id));
  }
  QLineEdit* LabelEditor() {
    if (!form->Tree->IsEditing()) return nullptr;
    // An editor closed before waits hidden for its deletion.
    for (QLineEdit* editor : form->Tree->viewport()->findChildren<QLineEdit*>())
      if (!editor->isHidden()) return editor;
    return nullptr;
  }
  void Key(QWidget* to, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(to, &press);
    QApplication::processEvents();
  }
  void Click(Qt::MouseButton button, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, form->Tree->viewport()->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(form->Tree->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, form->Tree->viewport()->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(form->Tree->viewport(), &release);
  }
  // The widget's items equal a fresh build from the document.
  void ExpectTreeMatchesDocument() {
    const auto specs = BuildTreeSpecs(form->Bank()->Root(), form->Images);
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(form->Tree); *it; ++it) items.push_back(*it);
    ASSERT_EQ(items.size(), specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      TTreeItem* item = TTreeWidget::Handle(items[i]);
      ASSERT_EQ(form->Tree->NodeOf(item), specs[i].Node) << i;
      EXPECT_EQ(items[i]->text(0).toStdString(), specs[i].Text);
      EXPECT_EQ(form->Tree->ImageOf(item), specs[i].Image);
      EXPECT_EQ(items[i]->font(0).bold(), specs[i].Bold) << i;
      if (specs[i].Folder) {
        EXPECT_EQ(items[i]->isExpanded(), specs[i].Expanded) << specs[i].Node->GetAttribute("ID");
      }
      EXPECT_EQ(form->ItemOf(specs[i].Node), item);
    }
  }
  void SavePng(const std::string& name, QWidget* w, qreal ratio = 1) { testsupport::SaveWidgetPng(name, w, ratio); }
};
