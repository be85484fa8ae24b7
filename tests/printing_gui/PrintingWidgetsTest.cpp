// The preview control, the preview window and the page-setup dialog, offscreen: rendered to PNG
// (build-test/artifacts/) with pixel checks, and driven through their controls with scripted
// dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <tuple>

#include "FakePrinter.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"
#include "printing/gui/SynLineFontEdit.h"
#include "printing/gui/SynPadPrintPreview.h"
#include "printing/gui/SynPageSetupDialog.h"
#include "printing/gui/SynPrintPreviewDialog.h"

namespace {

std::string Artifact(const std::string& name) {
  return testsupport::ArtifactDir() + "/" + name;
}

QImage Render(QWidget& w, const std::string& name) {
  QApplication::processEvents();
  const QImage img = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  img.save(QString::fromStdString(Artifact(name)));
  return img;
}

class PrintingWidgets : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono"); }
  void TearDown() override { platform::SetFontSubstitutes("", ""); }
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices scopedUI{ui};
  platform::FakePrinter printer{300};
  platform::ScopedPrinter scopedPrinter{printer};
};

TSynPadPrint* NewPrint(int lines) {
  auto* print = new TSynPadPrint;
  std::vector<std::u16string> text;
  for (int i = 1; i <= lines; ++i)
    text.push_back(u"for (int i = 0; i < " + std::u16string(1, u'0' + i % 10) + u"; ++i) x();");
  print->SetLines(text);
  print->SetLineNumbers(true);
  print->Header().Add(u"Page $PAGENUM$ of $PAGECOUNT$", nullptr, hfaRight, 1);
  return print;
}

TEST_F(PrintingWidgets, PreviewRendersTheSheetAtEveryScale) {
  std::unique_ptr<TSynPadPrint> print(NewPrint(130));
  TSynPadPrintPreview preview;
  preview.resize(640, 480);
  preview.SetSynPadPrint(print.get());
  preview.show();
  preview.UpdatePreview();
  const QColor workspace = platform::ToQColor(syn::clAppWorkSpace);
  const struct {
    const char* name;
    TSynPreviewScale mode;
    int percent;
  } scales[] = {{"whole-page", pscWholePage, 100},
                {"page-width", pscPageWidth, 100},
                {"100", pscUserScaled, 100},
                {"400", pscUserScaled, 400}};
  for (const auto& s : scales) {
    if (s.mode == pscUserScaled)
      preview.SetScalePercent(s.percent);
    else
      preview.SetScaleMode(s.mode);
    QApplication::processEvents();
    const QImage img = Render(*preview.viewport(), std::string("preview-") + s.name + ".png");
    const platform::TCanvasRect sheet = preview.Model().SheetRect();
    // Work space at the top left corner, paper inside the sheet's edge, ink somewhere on the paper.
    EXPECT_EQ(img.pixelColor(2, 2), workspace) << s.name;
    const int px = std::clamp(sheet.Left + 3, 0, img.width() - 1), py = std::clamp(sheet.Top + 3, 0, img.height() - 1);
    EXPECT_EQ(img.pixelColor(px, py), QColor(Qt::white)) << s.name;
    int ink = 0;
    for (int y = std::max(0, sheet.Top); y < std::min(img.height(), sheet.Bottom); ++y)
      for (int x = std::max(0, sheet.Left); x < std::min(img.width(), sheet.Right); ++x)
        ink += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(ink, 20) << s.name;
  }
  // The whole page fits the window: the vertical bar picks the pages.
  preview.SetScaleMode(pscWholePage);
  QApplication::processEvents();
  EXPECT_FALSE(preview.horizontalScrollBar()->isVisible());
  EXPECT_EQ(preview.verticalScrollBar()->maximum(), 3);
  preview.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(preview.PageNumber(), 2);
  EXPECT_EQ(preview.verticalScrollBar()->value(), 2);
  preview.verticalScrollBar()->setSliderDown(true);
  preview.verticalScrollBar()->setSliderPosition(3);
  EXPECT_EQ(preview.PageNumber(), 3);
  ASSERT_TRUE(TSynPadPrintPreview::HintWindow());
  EXPECT_EQ(TSynPadPrintPreview::HintWindow()->text(), "Page: 3");
  preview.verticalScrollBar()->setSliderDown(false);
  EXPECT_FALSE(TSynPadPrintPreview::HintWindow()->isVisible());
}

TEST_F(PrintingWidgets, PreviewWindowZoomsByClickAndShowsThePage) {
  std::unique_ptr<TSynPadPrint> print(NewPrint(130));
  platform::Owned<TdlgPrintPreview> dlg(platform::Construct<TdlgPrintPreview>());
  dlg->SynPadPrintPreview->SetSynPadPrint(print.get());
  dlg->resize(900, 700);
  dlg->show();
  QApplication::processEvents();
  EXPECT_EQ(dlg->StatusPanel1->text(), " Page Number: 1");
  EXPECT_EQ(dlg->PrintCmd->statusTip(), "Print the document on Fake Printer");
  dlg->NextCmd->trigger();
  EXPECT_EQ(dlg->StatusPanel1->text(), " Page Number: 2");
  EXPECT_EQ(dlg->SynPadPrintPreview->ScaleMode(), pscPageWidth);
  dlg->SynPadPrintPreview->OnMouseDown(Qt::LeftButton);
  EXPECT_EQ(dlg->SynPadPrintPreview->ScalePercent(), 200);
  dlg->SynPadPrintPreview->OnMouseDown(Qt::RightButton);
  dlg->SynPadPrintPreview->OnMouseDown(Qt::RightButton);
  dlg->SynPadPrintPreview->OnMouseDown(Qt::RightButton);
  EXPECT_EQ(dlg->SynPadPrintPreview->ScalePercent(), 25);
  dlg->ZoomCmd->trigger();
  EXPECT_EQ(dlg->SynPadPrintPreview->ScaleMode(), pscWholePage);
  Render(*dlg, "preview-window.png");

  // Printing through the dialog: three copies of page 2, then the preview is laid out again.
  ui.PushPrint([](platform::PrintDialogOptions& o) {
    o.range = platform::PrintDialogOptions::Range::Pages;
    o.fromPage = o.toPage = 2;
    o.copies = 3;
  });
  dlg->PrintCmd->trigger();
  EXPECT_EQ(printer.PageCount(), 3);
  EXPECT_TRUE(printer.ended);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(dlg->SynPadPrintPreview->Model().PageNumber(), 2);
  EXPECT_EQ(ui.Unscripted(), 0u);

  // A layout that fails when printing is told once, not again by the preview laid out after it.
  print->Margins().SetLeft(300);
  ui.PushPrint([](platform::PrintDialogOptions&) {});
  dlg->PrintCmd->trigger();
  const auto errors = ui.CallsOf(platform::ScriptedUIServices::Kind::Exception);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].text.find("Nothing fits between the margins"), std::string::npos) << errors[0].text;
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Escape closes the preview.
  ASSERT_TRUE(dlg->isVisible());
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(dlg->SynPadPrintPreview, &escape);
  QApplication::processEvents();
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(PrintingWidgets, PageSetupShowsEveryUnitAndMapsHeaderLines) {
  std::unique_ptr<TSynPadPrint> print(NewPrint(10));
  print->Footer().Add(u"$TITLE$", nullptr, hfaCenter, 2);
  platform::Owned<TdlgPageSetup> dlg(platform::Construct<TdlgPageSetup>());
  dlg->SetValues(*print);
  dlg->show();
  QApplication::setActiveWindow(dlg.get());
  static const char* kUnits[] = {"mm", "cm", "in", "thou"};
  static const char* kLeft[] = {"25", "2.5", "0.9843", "984.3"};
  for (int u = 0; u < 4; ++u) {
    dlg->CBUnits->setCurrentIndex(u);
    EXPECT_EQ(dlg->MarginEdits[0]->text().toStdString(), kLeft[u]);
    Render(*dlg, std::string("page-setup-") + kUnits[u] + ".png");
  }
  // The first tab's groups fill it: its lowest box ends in the lower fifth of the tab.
  QWidget* marginsTab = dlg->PageControl->widget(0);
  const int lowest = dlg->CBWrap->mapTo(marginsTab, QPoint(0, dlg->CBWrap->height())).y();
  EXPECT_GT(lowest, marginsTab->height() * 4 / 5) << lowest << " of " << marginsTab->height();
  EXPECT_EQ(dlg->REHeaderRight->Lines().at(0).Text, u"Page $PAGENUM$ of $PAGECOUNT$");
  // The six header and footer editors show several lines each, and every line fits their width,
  // so a right-aligned text ends in view.
  dlg->PageControl->setCurrentIndex(1);
  QApplication::processEvents();
  for (TLineFontEdit* edit : {dlg->REHeaderLeft, dlg->REHeaderCenter, dlg->REHeaderRight, dlg->REFooterLeft,
                              dlg->REFooterCenter, dlg->REFooterRight}) {
    EXPECT_GE(edit->viewport()->height(), 3 * edit->Row(0)->height()) << edit->objectName().toStdString();
    EXPECT_LE(edit->Row(0)->mapTo(edit->viewport(), QPoint(edit->Row(0)->width(), 0)).x(), edit->viewport()->width())
        << edit->objectName().toStdString();
  }
  // A header of ordinary length fits its editor whole.
  QLineEdit* right = dlg->REHeaderRight->Row(0);
  EXPECT_LE(right->fontMetrics().horizontalAdvance(right->text()) + 8, right->contentsRect().width());
  dlg->PageControl->setCurrentIndex(0);
  EXPECT_EQ(dlg->REFooterCenter->Lines().at(0).Text, u"$TITLE$");

  // A bad number stops a unit change: the unit stays, the message comes.
  dlg->MarginEdits[1]->setText("abc");
  dlg->CBUnits->setCurrentIndex(0);
  EXPECT_EQ(dlg->CBUnits->currentIndex(), 3);
  EXPECT_EQ(ui.LastCall().text, "Invalid number!");
  dlg->MarginEdits[1]->setText("590.551181102362");  // 15 mm in thousandths of an inch

  // Typing into the left header editor: two lines, the second bold via the action.
  dlg->PageControl->setCurrentIndex(1);
  dlg->REHeaderLeft->Row(0)->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(dlg->CurrentEdit(), dlg->REHeaderLeft);
  dlg->REHeaderLeft->Row(0)->setText("first");
  dlg->REHeaderLeft->Row(0)->setCursorPosition(5);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(dlg->REHeaderLeft->Row(0), &enter);
  ASSERT_EQ(dlg->REHeaderLeft->LineCount(), 2);
  EXPECT_EQ(dlg->REHeaderLeft->CaretLine(), 1);
  dlg->PageNumCmd->trigger();
  dlg->BoldCmd->trigger();
  ui.PushFont(platform::FontChoice{"DejaVu Serif", 14, 0, syn::clNavy});
  dlg->REHeaderLeft->Row(0)->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(dlg->REHeaderLeft->CaretLine(), 0);
  dlg->FontCmd->trigger();
  // Leaving the editors disables the header and footer actions.
  dlg->CBHeaderMirror->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(dlg->BoldCmd->isEnabled());
  Render(*dlg, "page-setup-header-footer.png");

  ui.PushMessageResult(platform::mrOk);
  dlg->GetValues(*print);
  EXPECT_EQ(print->Margins().UnitSystem(), muThousandthsOfInches);
  EXPECT_NEAR(print->Margins().Millimetres(mvRight), 15, 1e-9);
  THeader& h = print->Header();
  ASSERT_EQ(h.Count(), 3);
  EXPECT_EQ(h.Get(0).Text, u"first");
  EXPECT_EQ(h.Get(0).Font.Name(), "DejaVu Serif");
  EXPECT_EQ(h.Get(0).Font.Size(), 14);
  EXPECT_EQ(h.Get(1).Text, u"$PAGENUM$");
  EXPECT_EQ(h.Get(1).LineNumber, 2);
  EXPECT_TRUE(h.Get(1).Font.Style() & syn::fsBold);
  EXPECT_EQ(h.Get(2).Alignment, hfaRight);
  EXPECT_EQ(h.Get(2).LineNumber, 1);
  // The lone footer item on line 2 comes back on line 1.
  ASSERT_EQ(print->Footer().Count(), 1);
  EXPECT_EQ(print->Footer().Get(0).LineNumber, 1);
}

// Each option box shows its own option and gives it back; the options the dialog has no box for
// come back as they were.
TEST_F(PrintingWidgets, PageSetupOptionBoxesCarryTheirOwnOptions) {
  using O = TSynPadPrintOptions;
  using D = TdlgPageSetup;
  const std::tuple<const char*, QCheckBox * D::*, bool O::*> boxes[] = {
      {"CBLineNumbers", &D::CBLineNumbers, &O::LineNumbers},
      {"CBLineNumbersInMargin", &D::CBLineNumbersInMargin, &O::LineNumbersInMargin},
      {"CBHighlight", &D::CBHighlight, &O::Highlight},
      {"CBColors", &D::CBColors, &O::Colors},
      {"CBWrap", &D::CBWrap, &O::Wrap}};
  for (const auto& [name, box, option] : boxes) {
    TSynPadPrint print;
    O start = print.Options();
    start.Copies = 3;
    start.Title = u"Title";
    start.DocTitle = u"Job";
    start.SelectedOnly = true;
    start.LineOffset = 7;
    start.PageOffset = -2;
    start.Color = syn::clYellow;
    start.*option = !(start.*option);
    print.SetOptions(start);
    platform::Owned<TdlgPageSetup> dlg(platform::Construct<TdlgPageSetup>());
    dlg->SetValues(print);
    for (const auto& [otherName, otherBox, otherOption] : boxes) {
      ASSERT_EQ(dlg->findChild<QCheckBox*>(otherName), (*dlg).*otherBox) << otherName;
      EXPECT_EQ(((*dlg).*otherBox)->isChecked(), start.*otherOption) << name << " shown in " << otherName;
    }
    ((*dlg).*box)->click();
    dlg->GetValues(print);
    O expected = start;
    expected.*option = !(start.*option);
    EXPECT_TRUE(print.Options() == expected) << name;
  }
}

TEST_F(PrintingWidgets, LineFontEditJoinsAndSplitsLines) {
  TLineFontEdit edit(Qt::AlignLeft);
  edit.show();
  edit.AppendLine({u"ab", TSynFont("Arial", 10)});
  edit.AppendLine({u"cd", TSynFont("Arial", 12)});
  ASSERT_EQ(edit.LineCount(), 2);
  edit.Row(1)->setFocus();
  edit.Row(1)->setCursorPosition(0);
  QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(edit.Row(1), &back);
  QApplication::processEvents();
  ASSERT_EQ(edit.LineCount(), 1);
  EXPECT_EQ(edit.Lines()[0].Text, u"abcd");
  EXPECT_EQ(edit.CaretColumn(), 2);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier);
  QApplication::sendEvent(edit.Row(0), &enter);
  ASSERT_EQ(edit.LineCount(), 2);
  EXPECT_EQ(edit.Lines()[1].Text, u"cd");
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  edit.Row(0)->setCursorPosition(2);
  QApplication::sendEvent(edit.Row(0), &del);
  EXPECT_EQ(edit.LineCount(), 1);
  edit.Clear();
  EXPECT_EQ(edit.Lines().size(), 1u);
  EXPECT_TRUE(edit.Lines()[0].Text.empty());
}

}  // namespace
