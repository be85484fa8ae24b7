#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QTimer>

#include "OnModal.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Lifecycle.h"
#include "platform/UIServices.h"
#include "platform/qt/QtUIServices.h"
#include "protection/gui/PasswordDialogs.h"
#include "protection/gui/PasswordEdit.h"
#include "protection/gui/uAskPass.h"
#include "protection/gui/uChangePass.h"
#include "protection/gui/uEnterFilePass.h"
#include "protection/gui/uSetPassword.h"

using namespace platform;

TEST(PasswordDialogs, OkRules) {
  EXPECT_TRUE(SetPasswordOkEnabled("a", "a"));
  EXPECT_FALSE(SetPasswordOkEnabled("a", "A"));
  EXPECT_FALSE(SetPasswordOkEnabled("", ""));
  EXPECT_FALSE(SetPasswordOkEnabled("ab", "a"));
  EXPECT_TRUE(ChangePasswordOkEnabled("old", "n", "n"));
  EXPECT_FALSE(ChangePasswordOkEnabled("", "n", "n"));
  EXPECT_FALSE(ChangePasswordOkEnabled("old", "", ""));
  EXPECT_FALSE(ChangePasswordOkEnabled("old", "n", "N"));
  EXPECT_STREQ(kInvalidPassword, "Invalid Password");
  EXPECT_EQ(kInvalidPasswordId, 65151);
}

TEST(PasswordDialogs, EnterPassFormAndFlags) {
  auto dlg = MakeOwned<TfrmEnterPass>(nullptr);
  EXPECT_EQ(dlg->windowTitle(), "Enter Password");
  EXPECT_EQ(dlg->lPass->text(), "password");
  EXPECT_EQ(dlg->ePass->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dlg->ePass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dlg->ePass), '*');
  EXPECT_FALSE(dlg->StorePosition);
  EXPECT_FALSE(dlg->StoreSize);
  EXPECT_TRUE(dlg->btnOk->isEnabled());  // an empty password can be confirmed
  OnModal<TfrmEnterPass>([](TfrmEnterPass* d) { d->btnOk->click(); });
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_GE(dlg->width(), 224);
  EXPECT_GE(dlg->height(), 101);
  dlg->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/enter-password.png"));
}

TEST(PasswordDialogs, SetPasswordRuleFollowsEveryChange) {
  auto dlg = MakeOwned<TfrmSetPassword>(nullptr);
  EXPECT_FALSE(dlg->btnOk->isEnabled());  // evaluated at creation
  EXPECT_EQ(dlg->lRePass->text(), "type again");
  dlg->ePass->setText("x");
  EXPECT_FALSE(dlg->btnOk->isEnabled());
  dlg->eRePass->setText("x");
  EXPECT_TRUE(dlg->btnOk->isEnabled());
  dlg->eRePass->setText("X");
  EXPECT_FALSE(dlg->btnOk->isEnabled());
  dlg->eRePass->setText("x");
  dlg->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/set-password.png"));
}

TEST(PasswordDialogs, ChangePassStartsDisabledAndNeedsTheOldOne) {
  auto dlg = MakeOwned<TfrmChangePass>(nullptr);
  EXPECT_EQ(dlg->windowTitle(), "Change Password");
  EXPECT_FALSE(dlg->btnOk->isEnabled());
  EXPECT_EQ(dlg->lOldPass->text(), "Old Password");
  EXPECT_EQ(dlg->lPass->text(), "New Password");
  EXPECT_EQ(dlg->lRePass->text(), "Repeat");
  for (QLineEdit* e : {dlg->eOldPass, dlg->ePass, dlg->eRePass}) EXPECT_EQ(e->echoMode(), QLineEdit::Password);
  dlg->ePass->setText("new");
  dlg->eRePass->setText("new");
  EXPECT_FALSE(dlg->btnOk->isEnabled());  // the old one is empty
  dlg->eOldPass->setText("old");
  EXPECT_TRUE(dlg->btnOk->isEnabled());
  EXPECT_FALSE(dlg->StorePosition);
  dlg->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/change-password.png"));
}

// Each dialog is wide enough for its caption in bold beside its frame's icon and three buttons (a
// window manager shortens a caption that does not fit: "Change…ssword").
TEST(PasswordDialogs, WideEnoughForTheirCaptions) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  auto check = [&](TfrmBaseForm& dialog) {
    dialog.show();
    QApplication::processEvents();
    EXPECT_GE(dialog.width(), metrics.horizontalAdvance(dialog.windowTitle()) + 100)
        << dialog.windowTitle().toStdString();
    dialog.hide();
  };
  check(*MakeOwned<TfrmChangePass>(nullptr));
  check(*MakeOwned<TfrmSetPassword>(nullptr));
  check(*MakeOwned<TfrmEnterPass>(nullptr));
  check(*MakeOwned<TfrmEnterFilePass>(nullptr));
}

TEST(PasswordDialogs, FilePasswordShowsTheNameAndKeepsThePasswordOnCancel) {
  EXPECT_EQ(FileNameWithoutFolder("/data/bank.xdb2"), "bank.xdb2");
  EXPECT_EQ(FileNameWithoutFolder("C:\\data\\bank.xdb2"), "bank.xdb2");
  EXPECT_EQ(FileNameWithoutFolder("bank.xdb2"), "bank.xdb2");
  std::string pw = "unchanged";
  OnModal<TfrmEnterFilePass>([](TfrmEnterFilePass* d) {
    EXPECT_EQ(d->eFileName->text(), "bank.xdb2");
    EXPECT_FALSE(d->eFileName->isEnabled());
    EXPECT_EQ(d->eFileName->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(d->lFileName->text(), "DataBank file");
    EXPECT_FALSE(d->lNote->isVisible());
    d->ePass->setText("typed");
    d->btnCancel->click();
  });
  EXPECT_FALSE(AskFilePassword("C:\\data\\bank.xdb2", pw));
  EXPECT_EQ(pw, "unchanged");
  OnModal<TfrmEnterFilePass>([](TfrmEnterFilePass* d) {
    d->ePass->setText("s3cret");
    d->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/file-password.png"));
    d->btnOk->click();
  });
  EXPECT_TRUE(AskFilePassword("/home/u/bank.xdb2", pw));
  EXPECT_EQ(pw, "s3cret");
  // Back after a wrong password, it says so under the file name, in room of its own.
  int firstHeight = 0;
  OnModal<TfrmEnterFilePass>([&](TfrmEnterFilePass* d) {
    firstHeight = d->height();
    d->btnCancel->click();
  });
  AskFilePassword("/home/u/bank.xdb2", pw);
  OnModal<TfrmEnterFilePass>([&](TfrmEnterFilePass* d) {
    EXPECT_TRUE(d->lNote->isVisible());
    EXPECT_EQ(d->lNote->text(), "The password is wrong. Try again.");
    EXPECT_EQ(d->eFileName->text(), "bank.xdb2");
    EXPECT_GT(d->height(), firstHeight);
    EXPECT_GE(d->lNote->geometry().top(), d->eFileName->geometry().bottom());
    d->ePass->setText("again");
    d->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/file-password-again.png"));
    d->btnOk->click();
  });
  EXPECT_TRUE(AskFilePassword("/home/u/bank.xdb2", pw, "The password is wrong. Try again."));
  EXPECT_EQ(pw, "again");
}

TEST(PasswordDialogs, CharactersOutsideTheCodePageAreRefusedWithAMessage) {
  EXPECT_TRUE(PasswordRepresentable(QString::fromUtf8("Grüße€")));
  EXPECT_FALSE(PasswordRepresentable(QString::fromUtf8("пароль")));
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  std::string pw = "old";
  OnModal<TfrmEnterFilePass>([](TfrmEnterFilePass* d) {
    d->ePass->setText(QString::fromUtf8("密码"));
    d->btnOk->click();  // refused: the dialog stays
    EXPECT_TRUE(d->isVisible());
    d->ePass->setText(QString::fromUtf8("Grüße"));
    d->btnOk->click();
  });
  EXPECT_TRUE(AskFilePassword("/b.xdb2", pw));
  EXPECT_EQ(pw, "Grüße");  // UTF-8; every character has a Windows-1252 byte
  auto msgs = ui.CallsOf(ScriptedUIServices::Kind::Message);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].text, kPasswordCharsetMessage);
  EXPECT_EQ(msgs[0].icon, MsgIcon::Error);
}

TEST(PasswordDialogs, UiServicesHooks) {
  QtUIServices services;
  InstallPasswordDialogs(services);
  SetPasswordAnswer set;
  OnModal<TfrmSetPassword>([](TfrmSetPassword* d) {
    d->ePass->setText("abc");
    d->eRePass->setText("abc");
    d->btnOk->click();
  });
  ASSERT_TRUE(services.AskSetPassword(set));
  EXPECT_EQ(set.password, "abc");
  EXPECT_EQ(set.repeated, "abc");
  ChangePasswordAnswer change{"keep", "keep", "keep"};
  OnModal<TfrmChangePass>([](TfrmChangePass* d) { d->close(); });
  EXPECT_FALSE(services.AskChangePassword(change));
  EXPECT_EQ(change.oldPassword, "keep");
  std::string plain = "x";
  OnModal<TfrmEnterPass>([](TfrmEnterPass* d) {
    d->ePass->clear();
    d->btnOk->click();
  });
  EXPECT_TRUE(services.AskPassword(plain));
  EXPECT_EQ(plain, "");
}
