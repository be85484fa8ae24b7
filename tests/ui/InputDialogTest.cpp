#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "TestSupport.h"
#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtUIServices.h"
#include "ui/InputDialog.h"

using namespace platform;

TEST(InputDialog, OkFollowsTheTextAlsoWhenOpenedEmpty) {
  TInputDialog empty(nullptr, "Caption", "Name:", "");
  EXPECT_FALSE(empty.btnOk->isEnabled());
  empty.edValue->setText("a");
  EXPECT_TRUE(empty.btnOk->isEnabled());
  empty.edValue->clear();
  EXPECT_FALSE(empty.btnOk->isEnabled());

  TInputDialog preset(nullptr, "Rename", "New name", "old");
  EXPECT_TRUE(preset.btnOk->isEnabled());
  EXPECT_EQ(preset.windowTitle(), "Rename");
  EXPECT_EQ(preset.lblPrompt->text(), "New name");
  EXPECT_EQ(preset.edValue->text(), "old");
  EXPECT_TRUE(preset.btnOk->isDefault());
}

TEST(InputDialog, LaidOutInDialogUnitsOfItsFont) {
  TInputDialog dlg(nullptr, "c", "p", "v");
  const QFont f = dlg.font();
  EXPECT_EQ(dlg.lblPrompt->geometry().topLeft(), DluToPixels(f, QRect(7, 8, 1, 1)).topLeft());
  EXPECT_EQ(dlg.edValue->x(), DluToPixels(f, QRect(7, 17, 1, 1)).x());
  EXPECT_EQ(dlg.btnOk->x(), DluToPixels(f, QRect(73, 40, 1, 1)).x());
  EXPECT_EQ(dlg.btnCancel->x(), DluToPixels(f, QRect(129, 40, 1, 1)).x());
  EXPECT_GE(dlg.width(), DluToPixels(f, QRect(0, 0, 186, 60)).width());
  // Every control lies inside the box.
  for (QWidget* w : {static_cast<QWidget*>(dlg.lblPrompt), static_cast<QWidget*>(dlg.edValue),
                     static_cast<QWidget*>(dlg.btnOk), static_cast<QWidget*>(dlg.btnCancel)})
    EXPECT_TRUE(dlg.rect().contains(w->geometry())) << w->objectName().toStdString();
  dlg.grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/input-dialog.png"));

  TInputDialog wide(nullptr, "c", QString(120, u'W'), "");
  EXPECT_GE(wide.lblPrompt->width(), wide.lblPrompt->sizeHint().width());
  EXPECT_TRUE(wide.rect().contains(wide.btnCancel->geometry()));

  // A prompt of several lines is as tall as its lines; the edit and the buttons move down.
  TInputDialog tall(nullptr, "c", "first line\nsecond line\nthird line", "");
  EXPECT_GE(tall.lblPrompt->height(), tall.lblPrompt->sizeHint().height());
  EXPECT_LE(tall.lblPrompt->geometry().bottom(), tall.edValue->geometry().top());
  EXPECT_LE(tall.edValue->geometry().bottom(), tall.btnOk->geometry().top());
  for (QWidget* w : {static_cast<QWidget*>(tall.lblPrompt), static_cast<QWidget*>(tall.edValue),
                     static_cast<QWidget*>(tall.btnOk), static_cast<QWidget*>(tall.btnCancel)})
    EXPECT_TRUE(tall.rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST(InputDialog, ResultIsCutTo3999Characters) {
  EXPECT_EQ(CutInputValue(QString(5000, u'x')).size(), 3999);
  EXPECT_EQ(CutInputValue(QString(3999, u'x')).size(), 3999);
  EXPECT_EQ(CutInputValue("abc"), "abc");
  // A character outside the basic plane counts once and is never split.
  QString astral = QString(3998, u'a') + QString::fromUcs4(U"\U0001F600") + "b";
  QString cut = CutInputValue(astral);
  EXPECT_EQ(cut.size(), 4000);
  EXPECT_TRUE(cut.endsWith(QString::fromUcs4(U"\U0001F600")));
}

TEST(InputDialog, ExecuteReturnsTheValueOnOkAndKeepsItOnCancel) {
  std::string value = "keep";
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<TInputDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    dlg->btnCancel->click();
  });
  EXPECT_FALSE(InputDialogExecute(nullptr, "c", "p", value));
  EXPECT_EQ(value, "keep");

  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<TInputDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    dlg->edValue->setText(QString(4100, u'z'));
    dlg->btnOk->click();
  });
  EXPECT_TRUE(InputDialogExecute(nullptr, "c", "p", value));
  EXPECT_EQ(value, std::string(3999, 'z'));

  // A value given (a stored bookmark's name) and left as it was comes back as it was, however long:
  // what is typed is cut, what is only shown is not.
  for (const std::string& stored : {std::string(5000, 'n'), std::string(40000, 'n') + " \r\n end  "}) {
    value = stored;
    QTimer::singleShot(0, [] { qobject_cast<TInputDialog*>(QApplication::activeModalWidget())->btnOk->click(); });
    EXPECT_TRUE(InputDialogExecute(nullptr, "c", "p", value));
    EXPECT_TRUE(value == stored) << value.size();
  }

  // Through the UI services, closing the box counts as Cancel.
  QtUIServices services;
  InstallInputDialog(services);
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  std::string v2 = "x";
  EXPECT_FALSE(services.InputBox("c", "p", v2));
  EXPECT_EQ(v2, "x");
}

TEST(InputDialog, LargeDesktopFontClipsNothing) {
  const QFont saved = QApplication::font();
  QApplication::setFont(QFont("DejaVu Sans", 18));
  {
    TInputDialog dlg(nullptr, "Caption", "A prompt of some length:", "value");
    for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      EXPECT_TRUE(dlg.rect().contains(w->geometry())) << w->objectName().toStdString();
      EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
      EXPECT_GE(w->height(), w->minimumSizeHint().height()) << w->objectName().toStdString();
    }
    EXPECT_GE(dlg.lblPrompt->width(), dlg.lblPrompt->sizeHint().width());
    EXPECT_LE(dlg.btnOk->geometry().right(), dlg.btnCancel->geometry().left());
    EXPECT_LE(dlg.edValue->geometry().bottom(), dlg.btnOk->geometry().top());
    dlg.grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/input-dialog-large-font.png"));
  }
  QApplication::setFont(saved);
}
