// The features of the databank window on the offscreen platform: the filter through its dialog and
// the results view, the bookmark manager, the selection dialogs, the settings dialog with its pages
// and the information dialog; each rendered to a PNG.
#include <gtest/gtest.h>

#include <QStyle>
#include <QTabBar>

#include "OnModal.h"
#include "TreeFormFixture.h"
#include "databank/gui/uBankInfo.h"
#include "databank/gui/uSearchForRec.h"
#include "databank/gui/uSelectNodesForExport.h"
#include "databank/gui/uXMLBookmarkManager.h"
#include "databank/uTextSearchUtils.h"

namespace {

void Png(const std::string& name, QWidget* w) {
  QApplication::processEvents();  // pending layouts first
  const std::string path = testsupport::ArtifactDir() + "/" + name;
  EXPECT_TRUE(w->grab().save(QString::fromStdString(path))) << path;
}

std::vector<std::string> Items(QTreeWidget* tree) {
  std::vector<std::string> out;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) out.push_back((*it)->text(0).toStdString());
  return out;
}

}  // namespace

TEST_F(TreeForm, FilterThroughTheDialogAndTheResultsView) {
  Open();
  Select(2);  // "One", open: no result of the filter below
  ASSERT_FALSE(form->pnlCurtain->isVisible());
  OnModal<TfrmSearchForRec>([](TfrmSearchForRec* d) {
    EXPECT_EQ(d->windowTitle(), "Filter Records");
    EXPECT_EQ(d->grpWords->title(), " Search As ");
    EXPECT_EQ(d->grpWhere->title(), " Search In: ");
    EXPECT_TRUE(d->Words->button(0)->isChecked());
    EXPECT_TRUE(d->chTitle->isChecked() && d->chData->isChecked() && d->chKeywords->isChecked());
    EXPECT_FALSE(d->btnOK->isEnabled());  // no text yet
    d->Edit->setEditText("T");
    EXPECT_TRUE(d->btnOK->isEnabled());
    d->chCaseSensitive->setChecked(true);
    d->chData->setChecked(false);
    Png("filter-dialog.png", d);
    d->btnOK->click();
  });
  form->Action(TTreeAction::FilterTree)->trigger();
  // "Two", "Three" and "Top" hold a capital T; their folders come along, all open.
  EXPECT_EQ(Items(form->FindTree), (std::vector<std::string>{"Alpha", "Inner", "Two", "Three", "Top"}));
  for (QTreeWidgetItemIterator it(form->FindTree); *it; ++it)
    EXPECT_TRUE((*it)->childCount() == 0 || (*it)->isExpanded());
  EXPECT_TRUE(form->TreePageControl->isVisible());
  EXPECT_EQ(form->TreePageControl->currentWidget(), form->FindTreePage);
  EXPECT_EQ(form->TreeView->parentWidget(), form->TreePage);
  EXPECT_EQ(form->lFilterText->text(), "\"T\"");
  EXPECT_EQ(form->lFilterType->text(), " Phrase");
  EXPECT_FALSE(form->lCaseSensitive->isHidden());
  EXPECT_TRUE(form->lWordWrap->isHidden());
  EXPECT_EQ(form->lCaseSensitive->toolTip(), "Case Sensitive");
  // No result is selected, so no record is open: the Record View says so.
  EXPECT_EQ(form->FindTree->Selected(), nullptr);
  EXPECT_EQ(form->SelectedNode(), nullptr);
  EXPECT_EQ(form->CurrentRecord, nullptr);
  EXPECT_TRUE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->pnlCurtain->text(), "No record selected!");
  // At the pane's default width every caption fits its tab whole (none is shortened with "...").
  QTabBar* tabs = form->TreePageControl->tabBar();
  const int padding = tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
  for (int i = 0; i < tabs->count(); ++i)
    EXPECT_GE(tabs->tabRect(i).width() - padding, tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)))
        << tabs->tabText(i).toStdString() << " in " << tabs->width();
  Png("filtered-tree.png", form.get());

  QTreeWidgetItem* three = nullptr;
  for (QTreeWidgetItemIterator it(form->FindTree); *it; ++it)
    if ((*it)->text(0) == "Three") three = *it;
  ASSERT_NE(three, nullptr);
  form->FindTree->setCurrentItem(three);
  EXPECT_EQ(bank::NodeID(form->SelectedNode()), 8);

  // The history keeps the text; the stored parameters come back in the dialog.
  OnModal<TfrmSearchForRec>([](TfrmSearchForRec* d) {
    EXPECT_EQ(d->Edit->currentText(), "T");
    EXPECT_EQ(d->Edit->count(), 1);
    EXPECT_TRUE(d->chCaseSensitive->isChecked());
    EXPECT_FALSE(d->chData->isChecked());
    d->btnCancel->click();
  });
  form->Action(TTreeAction::FilterTree)->trigger();
  EXPECT_TRUE(form->TreePageControl->isVisible());  // Cancel changes nothing

  form->TreePageControl->setCurrentWidget(form->CloseTreePage);  // "Clear Filter"
  EXPECT_FALSE(form->TreePageControl->isVisible());
  EXPECT_EQ(form->TreeView->parentWidget(), form->TreePanel);
  EXPECT_EQ(form->FindTree->topLevelItemCount(), 0);
}

namespace {

// Pixels of image inside rect that differ from the colour at its top-left corner (the background).
int InkIn(const QImage& image, const QRect& rect) {
  const QRect r = rect.intersected(image.rect());
  if (r.isEmpty()) return 0;
  const QRgb background = image.pixel(r.topLeft());
  int ink = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ink += image.pixel(x, y) != background;
  return ink;
}

}  // namespace

// A long filter text is shortened in its middle so that the way it was searched for stays in the
// pane, with the whole line as the tool tip; a filter that finds nothing says so where the results
// would be. Measured on pictures of the pane at its default width.
TEST_F(TreeForm, FilterStatusKeepsItsModeAndAnEmptyResultSaysSo) {
  Open();
  auto filter = [&](const QString& text, int type) {
    OnModal<TfrmSearchForRec>([text, type](TfrmSearchForRec* d) {
      d->Edit->setEditText(text);
      d->Words->button(type)->setChecked(true);
      d->chCaseSensitive->setChecked(true);
      d->btnOK->click();
    });
    form->Action(TTreeAction::FilterTree)->trigger();
    QApplication::processEvents();
  };
  const QString pattern = QStringLiteral("value_1[0-9][0-9] = computed_total_of_every_line");
  filter(pattern, stRegExpr);
  EXPECT_TRUE(form->TreePageControl->isVisible());
  EXPECT_EQ(form->TreePageControl->currentWidget(), form->FindTreePage);
  EXPECT_EQ(form->FindTree->topLevelItemCount(), 0);
  // The words where the results would be: ink in the top of the empty tree, none before the text.
  const QImage results = form->FindTree->viewport()->grab().toImage();
  EXPECT_GT(InkIn(results, QRect(0, 0, results.width(), 40)), 30);
  EXPECT_EQ(InkIn(results, QRect(0, 60, results.width(), results.height() - 60)), 0);
  Png("filter-no-records-match.png", form->TreePanel);

  // The mode and the case mark lie inside the status line and are drawn there; the text is cut in
  // its middle, both quotes kept.
  const QImage line = form->FilterStatus->grab().toImage();
  for (QLabel* mark : {static_cast<QLabel*>(form->lFilterType), form->lCaseSensitive}) {
    SCOPED_TRACE(mark->objectName().toStdString());
    EXPECT_LE(mark->geometry().right(), form->FilterStatus->width() - 1);
    EXPECT_GT(InkIn(line, mark->geometry()), 10);
  }
  const QString shown = form->lFilterText->ShownText();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("\"val")) && shown.endsWith(QStringLiteral("line\"")))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
  const QString whole = QStringLiteral("Filter: \"") + pattern + QStringLiteral("\" as: RegExp C");
  EXPECT_EQ(form->FilterStatus->toolTip(), whole);
  EXPECT_EQ(form->lFilterText->toolTip(), whole);
  EXPECT_EQ(form->lCaseSensitive->toolTip(), "Case Sensitive");
  // No result is selected, so no record is open: the Record View says so.
  EXPECT_EQ(form->FindTree->Selected(), nullptr);
  EXPECT_EQ(form->SelectedNode(), nullptr);
  EXPECT_EQ(form->CurrentRecord, nullptr);
  EXPECT_TRUE(form->pnlCurtain->isVisible());
  EXPECT_EQ(form->pnlCurtain->text(), "No record selected!");

  // A short text fits whole.
  filter(QStringLiteral("T"), stPhrase);
  EXPECT_EQ(form->lFilterText->ShownText(), "\"T\"");
  EXPECT_GT(form->FindTree->topLevelItemCount(), 0);
}

TEST_F(TreeForm, BookmarkManagerAndSelectionDialogs) {
  Open();
  TXMLDataBase2 db;
  TxevXMLNode2* list = BookmarksElement(db);
  for (const char* name : {"First & one", "Second", "Third"}) AppendBookmark(list, name, "2");
  TBookmarkWork work(list);
  platform::Owned<TfrmXMLBookmarkManager> manager(platform::Construct<TfrmXMLBookmarkManager>(form.get()));
  manager->Images = form->ToolImages;
  manager->ImageIndex = TXMLTreeForm::timBookmarks;
  manager->SetWork(&work);
  EXPECT_EQ(manager->windowTitle(), "Manage Favourites");
  EXPECT_EQ(manager->List->headerItem()->text(0), "Favourites");
  EXPECT_EQ(manager->List->columnWidth(0), 240);
  EXPECT_EQ(manager->actnMoveDn->text(), "Move Dn");
  for (QAction* a :
       {manager->actnNew, manager->actnEdit, manager->actnDelete, manager->actnMoveUp, manager->actnMoveDn})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  manager->SelectIndex(0);
  EXPECT_FALSE(manager->actnMoveUp->isEnabled());
  EXPECT_TRUE(manager->actnMoveDn->isEnabled() && manager->actnEdit->isEnabled());
  EXPECT_FALSE(manager->actnNew->isEnabled());  // no handler for new items
  manager->actnMoveDn->trigger();
  EXPECT_EQ(Items(manager->List), (std::vector<std::string>{"Second", "First & one", "Third"}));
  EXPECT_EQ(manager->SelectedIndex(), 1);
  manager->show();
  Png("bookmark-manager.png", manager.get());
  manager.reset();

  TExportChoice choice;
  for (int id : {2, 3, 5}) {
    TxevXMLNode2* node = form->FindNodeByID(id);
    choice.Items.push_back({node, node->Text(), form->Images.NodeImage(node, false), id == 3});
  }
  choice.Selected = 1;
  choice.Lock = true;
  platform::Owned<TfrmSelectExport> dialog(platform::Construct<TfrmSelectExport>(form.get()));
  dialog->Fill(choice, form->TreeImageList);
  EXPECT_EQ(dialog->windowTitle(), "Select nodes to export");
  EXPECT_EQ(dialog->btnDeselectAll->text(), "Select None");
  EXPECT_TRUE(dialog->chCurrentPass->isEnabled());
  EXPECT_FALSE(dialog->ePassword->isEnabled());
  EXPECT_TRUE(dialog->btnOk->isEnabled());
  dialog->chCurrentPass->click();
  EXPECT_TRUE(dialog->ePassword->isEnabled());
  EXPECT_FALSE(dialog->btnOk->isEnabled());  // a lock asks for a password
  dialog->ePassword->setText("pw");
  EXPECT_TRUE(dialog->btnOk->isEnabled());
  EXPECT_EQ(dialog->ePassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dialog->ePassword),
            '*');
  dialog->btnSelectAll->click();
  dialog->show();
  Png("select-export.png", dialog.get());
  dialog->chLock->click();
  EXPECT_FALSE(dialog->chCurrentPass->isEnabled());
  EXPECT_FALSE(dialog->ePassword->isEnabled());
  dialog->btnDeselectAll->click();
  dialog->Store(choice);
  EXPECT_FALSE(choice.Lock || choice.Items[0].Checked || choice.Items[1].Checked || choice.Items[2].Checked);
  dialog.reset();

  platform::Owned<TfrmSelection> plain(platform::Construct<TfrmSelection>(form.get()));
  plain->AddItem("Alpha", form->TreeImageList->Icon(0), true);
  plain->AddItem("Beta", form->TreeImageList->Icon(16), false);
  EXPECT_EQ(plain->btnSelectAll->toolTip(), "Select All");
  EXPECT_EQ(plain->btnDeselectAll->toolTip(), "Deselect All");
  plain->show();
  Png("selection.png", plain.get());
}

namespace {
struct ExtraPage : QLabel {
  ExtraPage() : QLabel("extra") {}
};
}  // namespace

TEST_F(TreeForm, SettingsDialogStoresEveryValueAndTakesEffect) {
  REQUIRE_TOOL(xmllint, "xmllint");
  Open();
  EXPECT_FALSE(form->WindowSettings.AutoExpandTree);
  const int recent = form->Session().RecentFiles().Count();
  OnModal<TfrmConfig>([](TfrmConfig* d) {
    EXPECT_EQ(d->windowTitle(), "Program Configuration");
    EXPECT_EQ(d->PageControl->currentWidget(), d->tabGeneral);
    EXPECT_FALSE(d->PageControl->isTabVisible(d->PageControl->indexOf(d->tsSecurity)));
    // No key reaches the hidden page: Ctrl+Tab and Ctrl+Shift+Tab round the pages, the tab bar's
    // arrows, Home and End.
    const struct {
      QWidget* to;
      int key;
      Qt::KeyboardModifiers modifiers;
    } keys[] = {{d->PageControl, Qt::Key_Tab, Qt::ControlModifier},
                {d->PageControl, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
                {d->PageControl->tabBar(), Qt::Key_Right, Qt::NoModifier},
                {d->PageControl->tabBar(), Qt::Key_Left, Qt::NoModifier},
                {d->PageControl->tabBar(), Qt::Key_End, Qt::NoModifier},
                {d->PageControl->tabBar(), Qt::Key_Home, Qt::NoModifier}};
    for (const auto& k : keys)
      for (int i = 0; i < 2 * d->PageControl->count(); ++i) {
        QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers);
        QApplication::sendEvent(k.to, &press);
        EXPECT_NE(d->PageControl->currentWidget(), d->tsSecurity) << k.key << " " << i;
      }
    d->PageControl->setCurrentWidget(d->tabGeneral);
    EXPECT_EQ(d->chAutoSave->text(), "AutoSave     every");
    EXPECT_EQ(d->eAutoSaveDelay->text(), "300");
    d->eAutoSaveDelay->setText("abc");
    EXPECT_FALSE(d->btnOk->isEnabled());
    EXPECT_EQ(d->eAutoSaveDelay->palette().color(QPalette::Base), QColor(0xFF, 0xF0, 0xF0));
    const QImage pixels = d->eAutoSaveDelay->grab().toImage();
    EXPECT_EQ(pixels.pixelColor(pixels.width() - 4, pixels.height() / 2), QColor(0xFF, 0xF0, 0xF0));
    // The range allowed is said below the field (drawn there) and in its tool tip.
    const QString range = QStringLiteral("A whole number of seconds from 1 to 86400 (one day).");
    EXPECT_EQ(d->lDelayRange->text(), range);
    EXPECT_EQ(d->eAutoSaveDelay->toolTip(), range);
    QApplication::processEvents();
    EXPECT_GT(InkIn(d->tabGeneral->grab().toImage(), d->lDelayRange->geometry()), 100);
    Png("settings-dialog-bad-delay.png", d);
    d->eAutoSaveDelay->setText("60");
    EXPECT_TRUE(d->lDelayRange->isHidden());
    EXPECT_TRUE(d->btnOk->isEnabled());
    EXPECT_NE(d->eAutoSaveDelay->palette().color(QPalette::Base), QColor(0xFF, 0xF0, 0xF0));
    for (const TConfigFlag& f : ConfigFlags()) d->FlagBox(f.Control)->setChecked(!f.Default);
    auto* page = new ExtraPage;
    AddPage(d, page, "Extra");
    EXPECT_EQ(FindPageFrame<ExtraPage>(d), page);
    EXPECT_EQ(FindPageFrame<QTabWidget>(d), nullptr);
    Png("settings-dialog.png", d);
    d->btnOk->click();
  });
  form->Action(TTreeAction::Settings)->trigger();
  EXPECT_TRUE(form->WindowSettings.AutoExpandTree);          // at once
  EXPECT_FALSE(form->MinimizeOnClose);                       // "HardQuit" off
  EXPECT_EQ(form->Session().RecentFiles().Count(), recent);  // the open file is not listed as recent
  form.reset();
  settings.reset();
  for (const TConfigFlag& f : ConfigFlags()) {
    const auto r =
        testsupport::RunProcess(xmllint, {"--xpath", std::string("string(/dataroot/") + f.Key + ")", SettingsFile()});
    EXPECT_EQ(r.out.substr(0, 1), f.Default ? "0" : "1") << f.Key << " " << r.err;
  }
  const auto period = testsupport::RunProcess(xmllint, {"--xpath", "string(/dataroot/AutoSavePeriod)", SettingsFile()});
  EXPECT_EQ(period.out.substr(0, 2), "60");
  Open();  // and the dialog reads them back
  OnModal<TfrmConfig>([](TfrmConfig* d) {
    EXPECT_EQ(d->eAutoSaveDelay->text(), "60");
    for (const TConfigFlag& f : ConfigFlags()) EXPECT_EQ(d->FlagBox(f.Control)->isChecked(), !f.Default) << f.Key;
    d->btnCancel->click();
  });
  form->Action(TTreeAction::Settings)->trigger();
}

TEST_F(TreeForm, BankInfoDialog) {
  Open();
  OnModal<TfrmBankInfo>([this](TfrmBankInfo* d) {
    EXPECT_EQ(d->windowTitle(), "Bank Info");
    EXPECT_EQ(d->grpStorage->title(), " Storage Info ");
    EXPECT_EQ(d->eFileName->text().toStdString(), tmp.File("bank.xdb2"));
    EXPECT_EQ(d->eFoldersNum->text(), "3");
    EXPECT_EQ(d->eRecordsNum->text(), "5");
    EXPECT_EQ(d->eFileSize->text().toStdString(), FormatDataSize(std::int64_t(std::string(kBank).size())));
    EXPECT_FALSE(d->eSize->isEnabled());
    EXPECT_EQ(d->chEncrypted->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(d->StorePosition || d->StoreSize);
    // The whole path is in view.
    EXPECT_GE(d->eFileName->width(), d->eFileName->fontMetrics().horizontalAdvance(d->eFileName->text()) + 8);
    Png("bank-info.png", d);
    d->btnOk->click();
  });
  form->Action(TTreeAction::BankInfo)->trigger();
}
