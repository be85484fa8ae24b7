#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <filesystem>

#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/UIServices.h"
#include "platform/Version.h"
#include "ui/uAboutDialog.h"
#include "ui/uShellShortcut.h"
#include "ui/uVersionInfo.h"

using namespace platform;
namespace fs = std::filesystem;

// ---- version ----

TEST(VersionInfo, ProgramVersionInLongAndShortFormOtherFilesHaveNone) {
  unsigned n[4];
  ASSERT_TRUE(ParseVersionNumbers(ProgramVersion(), n));
  const std::string longForm = GetFileVersion("", false);
  EXPECT_EQ(longForm, std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." +
                          std::to_string(n[3]));
  EXPECT_EQ(std::count(longForm.begin(), longForm.end(), '.'), 3);
  EXPECT_EQ(GetFileVersion("", true), std::to_string(n[0]) + "." + std::to_string(n[1]));
  EXPECT_EQ(GetFileVersion(ExecutablePath(), true), GetFileVersion("", true));
  EXPECT_EQ(GetFileVersion("/no/such/file"), "");
  EXPECT_EQ(GetFileVersion("/bin/sh"), "");

  EXPECT_TRUE(ParseVersionNumbers("1.2.3", n));
  EXPECT_EQ(n[2], 3u);
  EXPECT_EQ(n[3], 0u);
  EXPECT_TRUE(ParseVersionNumbers("7", n));
  EXPECT_EQ(n[1], 0u);
  EXPECT_FALSE(ParseVersionNumbers("", n));
  EXPECT_FALSE(ParseVersionNumbers("v1", n));
  EXPECT_TRUE(ParseVersionNumbers("1.99999", n));
  EXPECT_EQ(n[1], 65535u);
}

// ---- licence and mail link ----

TEST(AboutBox, LicenceCarriesTheTitleFourTimesQuoted) {
  const std::string& t = LicenseTemplate();
  std::size_t count = 0;
  for (std::size_t p = t.find("\"<%APPTITLE%>\""); p != std::string::npos; p = t.find("\"<%APPTITLE%>\"", p + 1))
    ++count;
  EXPECT_EQ(count, 4u);
  const std::string text = GetLicenseText("Tessaryn");
  EXPECT_EQ(text.find("<%APPTITLE%>"), std::string::npos);
  EXPECT_NE(text.find("\"Tessaryn\" is free software under the MIT License."), std::string::npos);
  EXPECT_NE(text.find("Permission is hereby granted, free of charge"), std::string::npos);
  // A title that itself holds the placeholder is not substituted again.
  const std::string odd = GetLicenseText("<%APPTITLE%>x");
  EXPECT_NE(odd.find("\"<%APPTITLE%>x\""), std::string::npos);
}

TEST(AboutBox, MailtoIsPercentEncoded) {
  const std::string url = MailtoUrl("dev@example.org", "Tessaryn", "0.1.0.0");
  EXPECT_EQ(url, "mailto:dev@example.org?subject=%22About%20Tessaryn%20v.%200.1.0.0%22");
  QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
  ASSERT_TRUE(parsed.isValid());
  EXPECT_EQ(parsed.scheme(), "mailto");
  EXPECT_EQ(parsed.path(), "dev@example.org");
  EXPECT_EQ(QUrlQuery(parsed).queryItemValue("subject", QUrl::FullyDecoded), "\"About Tessaryn v. 0.1.0.0\"");
  // Reserved characters of a title cannot break the link.
  const std::string tricky = MailtoUrl("a@b", "T&x=1?#é", "1");
  QUrl p2(QString::fromStdString(tricky), QUrl::StrictMode);
  ASSERT_TRUE(p2.isValid());
  EXPECT_EQ(QUrlQuery(p2).queryItemValue("subject", QUrl::FullyDecoded), QString::fromUtf8("\"About T&x=1?#é v. 1\""));
}

TEST(AboutBox, DialogShowsTitleVersionAndHidesEmptyLinks) {
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  TAboutDialog dlg("Tessaryn", nullptr);
  EXPECT_EQ(dlg.windowTitle(), "About Tessaryn");
  EXPECT_EQ(dlg.lblTitle->text(), "Tessaryn");
  EXPECT_TRUE(dlg.lblTitle->font().bold());
  EXPECT_EQ(dlg.lblTitle->font().pixelSize(), 16);
  EXPECT_EQ(dlg.lblVersion->text().toStdString(), "version: " + GetFileVersion("", false));
  EXPECT_EQ(dlg.lblAuthor->text(), "Tessaryn contributors");
  EXPECT_EQ(dlg.memLicense->text().toStdString(), GetLicenseText("Tessaryn"));
  // The web and mail addresses are empty: no web link, the author line is no link.
  EXPECT_TRUE(dlg.lblWeb->isHidden());
  EXPECT_TRUE(dlg.lblVisit->isHidden());
  EXPECT_EQ(dlg.MailUrl(), "");
  dlg.OpenMail();
  dlg.OpenWeb();
  EXPECT_TRUE(ui.CallsOf(ScriptedUIServices::Kind::OpenUrl).empty());
  for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w->isHidden()) continue;
    EXPECT_TRUE(dlg.rect().contains(w->geometry())) << w->objectName().toStdString();
  }
  dlg.grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/about-box.png"));
  // The title is drawn in black bold, the links in pure blue.
  EXPECT_EQ(dlg.lblWeb->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST(AboutBox, LinksOpenThroughTheUiServices) {
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  TAboutDialog dlg("Tessaryn", nullptr, "Someone <dev@example.org>", "https://example.org/tessaryn", "dev@example.org");
  EXPECT_FALSE(dlg.lblWeb->isHidden());
  EXPECT_EQ(dlg.lblWeb->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(dlg.lblAuthor->cursor().shape(), Qt::PointingHandCursor);
  auto click = [](QWidget* w) {
    QPointF c(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, c, w->mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent rel(QEvent::MouseButtonRelease, c, w->mapToGlobal(c), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &rel);
  };
  click(dlg.lblWeb);
  click(dlg.lblAuthor);
  auto urls = ui.CallsOf(ScriptedUIServices::Kind::OpenUrl);
  ASSERT_EQ(urls.size(), 2u);
  EXPECT_EQ(urls[0].text, "https://example.org/tessaryn");
  EXPECT_EQ(urls[1].text, MailtoUrl("dev@example.org", "Tessaryn", GetFileVersion("", false)));
  dlg.grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/about-box-links.png"));
  QTimer::singleShot(0, [] {
    if (auto* w = qobject_cast<TAboutDialog*>(QApplication::activeModalWidget())) w->btnClose->click();
  });
  ShowAboutDialog("Tessaryn", nullptr);
}

// ---- desktop shortcuts ----

TEST(ShellShortcut, NamesAreMadeSafe) {
  EXPECT_EQ(SanitizeShortcutName("My Bank"), "My Bank");
  EXPECT_EQ(SanitizeShortcutName("../../.config/autostart/x"), ".._.._.config_autostart_x");
  EXPECT_EQ(SanitizeShortcutName("..\\..\\Start Menu\\x"), ".._.._Start Menu_x");
  EXPECT_EQ(SanitizeShortcutName(std::string("a\0b\nc", 5)), "a_b_c");
  EXPECT_FALSE(SanitizeShortcutName(""));
  EXPECT_FALSE(SanitizeShortcutName("."));
  EXPECT_FALSE(SanitizeShortcutName(".."));
  EXPECT_EQ(SanitizeShortcutName("..."), "...");
  EXPECT_EQ(SanitizeShortcutName("/"), "_");
  // Too long for a file name: cut at a character boundary so "<name>.desktop" fits in 255 bytes.
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "é";
  auto cut = SanitizeShortcutName(longName);
  ASSERT_TRUE(cut);
  EXPECT_LE(cut->size() + 8, 255u);
  EXPECT_EQ(cut->size() % 2, 0u);
}

TEST(ShellShortcut, DesktopEntryEscaping) {
  EXPECT_EQ(DesktopEntryQuoteArg("/usr/bin/tessaryn"), "/usr/bin/tessaryn");
  EXPECT_EQ(DesktopEntryQuoteArg("/a b/c.xdb2"), "\"/a b/c.xdb2\"");
  EXPECT_EQ(DesktopEntryQuoteArg("/a/$x`\"\\"), "\"/a/\\$x\\`\\\"\\\\\"");
  EXPECT_EQ(DesktopEntryQuoteArg("100%.xdb2"), "100%%.xdb2");
  EXPECT_EQ(DesktopEntryEscapeString("a\\b\nc"), "a\\\\b\\nc");
  EXPECT_EQ(DesktopEntryEscapeString(" lead"), "\\slead");
  EXPECT_EQ(ShortcutWorkingDir("/home/u/banks/a.xdb2"), "/home/u/banks/");
  EXPECT_EQ(ShortcutWorkingDir("a.xdb2"), "");
  const std::string text = DesktopEntryText("My Bank", "/opt/t/tessaryn", "/home/u/My Banks/$a.xdb2", "/i/t.svg");
  EXPECT_EQ(text,
            "[Desktop Entry]\nType=Application\nVersion=1.0\nName=My Bank\n"
            "Exec=/opt/t/tessaryn \"/home/u/My Banks/\\\\$a.xdb2\"\n"
            "Path=/home/u/My Banks/\nIcon=/i/t.svg\nTerminal=false\n");
}

using ShellShortcutFiles = testsupport::TempDirTest;

TEST_F(ShellShortcutFiles, WrittenOnlyInsideTheFolderAndReplaced) {
  const std::string folder = tmp.Path().string() + "/Desktop";
  fs::create_directories(folder);
  const std::string target = tmp.Path().string() + "/bank.xdb2";
  ASSERT_TRUE(CreateShellShortcut("My Bank", target, folder, 0, "/icons/x.svg"));
  const std::string file = folder + "/My Bank.desktop";
  ASSERT_TRUE(fs::exists(file));
  std::string text = testsupport::ReadFile(file);
  EXPECT_NE(text.find("Icon=/icons/x.svg\n"), std::string::npos);
  EXPECT_NE(text.find("Exec="), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  // Again with the same name: replaced.
  ASSERT_TRUE(CreateShellShortcut("My Bank", target + "2", folder));
  text = testsupport::ReadFile(file);
  EXPECT_NE(text.find("bank.xdb22"), std::string::npos);
  EXPECT_EQ(text.find("Icon="), std::string::npos);
  // A traversing name stays inside the folder.
  ASSERT_TRUE(CreateShellShortcut("../escape", target, folder));
  EXPECT_TRUE(fs::exists(folder + "/.._escape.desktop"));
  EXPECT_FALSE(fs::exists(tmp.Path().string() + "/escape.desktop"));
  // Refused names and a missing folder fail and write nothing.
  EXPECT_FALSE(CreateShellShortcut("..", target, folder));
  EXPECT_FALSE(CreateShellShortcut("x", target, tmp.Path().string() + "/missing"));
  // A link of that name is replaced, not written through.
  const std::string outside = tmp.Path().string() + "/outside.desktop";
  testsupport::WriteFile(outside, "keep");
  fs::create_symlink(outside, folder + "/linked.desktop");
  ASSERT_TRUE(CreateShellShortcut("linked", target, folder));
  EXPECT_EQ(testsupport::ReadFile(outside), "keep");
  EXPECT_FALSE(fs::is_symlink(folder + "/linked.desktop"));
  // No temporary file is left behind.
  int files = 0;
  for (auto& e : fs::directory_iterator(folder)) {
    ++files;
    EXPECT_EQ(e.path().extension(), ".desktop");
  }
  EXPECT_EQ(files, 3);
}

TEST(ShellShortcut, ParsesAsADesktopEntryWhenToolsAreThere) {
  REQUIRE_TOOL(validator, "desktop-file-validate");
  testsupport::TempDir dir;
  ASSERT_TRUE(CreateShellShortcut("Check", "/tmp/some bank.xdb2", dir.Path().string()));
  auto r = testsupport::RunProcess(validator, {dir.Path().string() + "/Check.desktop"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}
