// The find dialog and the highlighters page as windows: what they show, what they give back, how
// they look (PNGs under artifacts/), and the colour change reaching the sample.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "TestSupport.h"
#include "highlighters/SynHighlighterCpp.h"
#include "recordeditor/UHighlighters.h"
#include "recordeditor/gui/FindDialog.h"
#include "recordeditor/gui/uSynOptions.h"
#include "ui/uColorPopup.h"
#include "xml/uSettingsXML.h"

using namespace platform;
using testsupport::TempDirTest;

namespace {

void SaveArtifact(const QImage& image, const std::string& name) {
  ASSERT_TRUE(image.save(QString::fromStdString(testsupport::ArtifactDir() + "/" + name))) << name;
}

// Pixels of the area close to the colour (text is anti-aliased; its cores are the colour).
int PixelsNear(const QImage& image, const QRect& area, TColor color) {
  const QColor c(GetRValue(color), GetGValue(color), GetBValue(color));
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor p = image.pixelColor(x, y);
      if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 &&
          std::abs(p.blue() - c.blue()) < 40)
        ++n;
    }
  return n;
}

}  // namespace

TEST(FindDialogWindow, ShowsTheTemplateAndGivesBackTheControls) {
  const auto state = TFindDialogState::FromOptions("alpha", "beta\r\ngamma", true, ssoMatchCase | ssoEntireScope);
  TFindDialog dlg(nullptr, state);
  EXPECT_EQ(dlg.windowTitle(), "Find");
  for (const TFindDialogControl& c : kFindDialogTemplate) {
    if (c.Id < 0 || c.Kind == TFindControlKind::Combo) continue;
    auto* button = qobject_cast<QAbstractButton*>(dlg.Control(c.Id));
    ASSERT_TRUE(button) << c.Id;
    EXPECT_EQ(button->text().toStdString(), c.Text);
    // Nothing of a caption is cut off, and every control lies inside the dialog.
    EXPECT_LE(button->sizeHint().width(), button->width()) << c.Text;
    EXPECT_TRUE(dlg.rect().contains(button->geometry())) << c.Text;
  }
  EXPECT_EQ(dlg.cbFindText->currentText(), "alpha");
  EXPECT_EQ(dlg.cbFindText->count(), 2);
  EXPECT_EQ(dlg.cbFindText->lineEdit()->maxLength(), 3999);
  EXPECT_TRUE(dlg.chCaseSensitive->isChecked());
  EXPECT_TRUE(dlg.chRegularExpressions->isChecked());
  EXPECT_FALSE(dlg.chFromCursor->isChecked()) << "entire scope is From Cursor unchecked";
  EXPECT_TRUE(dlg.rbForward->isChecked());
  EXPECT_TRUE(dlg.rbGlobal->isChecked());
  dlg.show();
  SaveArtifact(dlg.grab().toImage(), "find_dialog.png");

  dlg.chFromCursor->setChecked(true);
  dlg.rbBackward->setChecked(true);
  dlg.rbSelection->setChecked(true);
  EXPECT_TRUE(dlg.rbGlobal->isChecked() == false && dlg.rbForward->isChecked() == false);
  EXPECT_EQ(dlg.State().Options(), ssoMatchCase | ssoBackwards | ssoSelectedOnly);
}

TEST(FindDialogWindow, RunsModallyThroughTheInstalledRunner) {
  InstallFindDialog();
  std::string text = "first";
  bool regex = false;
  TSynSearchOptions options = ssoEntireScope;
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<TFindDialog*>(QApplication::activeModalWidget());
    ASSERT_TRUE(dlg);
    dlg->cbFindText->setEditText("second");
    dlg->chWholeWord->setChecked(true);
    dlg->btnOk->click();
  });
  EXPECT_TRUE(FindDialogExecute(NoWindow, text, "", regex, options));
  EXPECT_EQ(text, "second");
  EXPECT_EQ(options, ssoWholeWord | ssoEntireScope);

  QTimer::singleShot(0, [] {
    QWidget* dlg = QApplication::activeModalWidget();
    ASSERT_TRUE(dlg);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dlg, &escape);
  });
  EXPECT_FALSE(FindDialogExecute(NoWindow, text, "", regex, options));
  EXPECT_EQ(text, "second");
  SetFindDialogRunner(nullptr);
}

class HighlightersPage : public TempDirTest {};

TEST_F(HighlightersPage, AColourChangeShowsInTheSampleAndReachesTheLiveHighlighterOnOk) {
  TXMLSettings settings;
  settings.SetFileName(tmp.File("tessaryn.xdb"));
  settings.Open();
  auto schemes = settings.OpenSection("schemes");
  TdmHighLighters main(THighlighterSetRole::Primary, tmp.File("none"));
  main.SetSchemes(schemes.get());

  TSynOptionsFrame page(nullptr, main);
  EXPECT_TRUE(ShowSystemColors);
  page.resize(560, 420);
  page.show();
  page.cbHighLighters->setCurrentIndex(page.cbHighLighters->findText("C/C++"));
  ASSERT_EQ(page.lbElement->item(0)->text(), "Assembler") << "storage names, in attribute order";
  page.lbElement->setCurrentRow(
      int(std::find(page.Model().Elements().begin(), page.Model().Elements().end(), "Reserved Word") -
          page.Model().Elements().begin()));
  EXPECT_EQ(page.pFontColor->Color(), clNavy);
  EXPECT_TRUE(page.chBold->isChecked());

  const QRect sample = page.SynPadDemo->geometry();
  const QImage before = page.grab().toImage();
  QPoint askedAt;
  page.ChooseColor = [&](TColor& color, QPoint at) {
    askedAt = at;
    color = clFuchsia;
    return true;
  };
  page.pFontColor->OnClick();
  EXPECT_EQ(askedAt, page.pFore->mapToGlobal(QPoint(0, page.pFore->height() + 1)));
  const QImage after = page.grab().toImage();
  SaveArtifact(after, "highlighters_page.png");

  const QRect panel = page.pFontColor->geometry().translated(page.pFontColor->parentWidget()->mapTo(&page, QPoint()));
  EXPECT_EQ(after.pixelColor(panel.center()), QColor(255, 0, 255));
  EXPECT_EQ(PixelsNear(before, sample, clFuchsia), 0);
  EXPECT_GT(PixelsNear(after, sample, clFuchsia), 20) << "the keywords take the new colour";
  EXPECT_LT(PixelsNear(after, sample, clNavy), PixelsNear(before, sample, clNavy));

  EXPECT_EQ(main.SynCppSyn->KeyAttri->Foreground(), clNavy);
  EXPECT_EQ(page.StoreSchemes(main), 1);
  EXPECT_EQ(main.SynCppSyn->KeyAttri->Foreground(), clFuchsia);
}
