// The About box: the title in bold, "version: " and the program's version, the author line, the
// licence text with the title put in, and the web and mail links (opened with the desktop's
// default handlers; a link whose address is empty is not shown). Laid out from its table in
// dialog units.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <string>

// The program's constants for the box.
inline constexpr const char* kAboutAuthorLine = "Tessaryn contributors";
inline constexpr const char* kAboutWebAddress = "";
inline constexpr const char* kAboutMailAddress = "";
inline constexpr const char* kTitlePlaceholder = "<%APPTITLE%>";

// The licence text with every "<%APPTITLE%>" replaced by title.
std::string GetLicenseText(const std::string& title);
// The text before substitution.
const std::string& LicenseTemplate();
// Percent-encoding of UTF-8 bytes; unreserved characters (letters, digits, - . _ ~) and the bytes
// of `keep` stay as they are.
std::string PercentEncode(const std::string& text, const std::string& keep = "");
// "mailto:" + address + "?subject=" + "\"About " + title + " v. " + version + "\"", properly encoded.
std::string MailtoUrl(const std::string& address, const std::string& title, const std::string& version);

class TAboutDialog : public QDialog {
  Q_OBJECT

 public:
  TAboutDialog(const std::string& title, QWidget* parent, const std::string& author = kAboutAuthorLine,
               const std::string& web = kAboutWebAddress, const std::string& mail = kAboutMailAddress);

  QLabel* lblTitle;    // 1005
  QLabel* lblVersion;  // 1002
  QLabel* lblBy;
  QLabel* lblAuthor;   // 1031, the mail link
  QLabel* memLicense;  // 1000, in a scroll area
  QScrollArea* scrLicense;
  QLabel* lblVisit;
  QLabel* lblWeb;         // 1030
  QPushButton* btnClose;  // 1

  std::string MailUrl() const;
  void OpenWeb();
  void OpenMail();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string title_, web_, mail_;
};

// Runs the box modally, owned by parentWindow.
void ShowAboutDialog(const std::string& title, QWidget* parentWindow);
