#include "ui/uAboutDialog.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "ui/uVersionInfo.h"

using namespace platform;

const std::string& LicenseTemplate() {
  static const std::string text =
      "\"<%APPTITLE%>\" is free software under the MIT License.\n"
      "\n"
      "Copyright (c) 2026 Tessaryn contributors\n"
      "\n"
      "Permission is hereby granted, free of charge, to any person obtaining a copy of \"<%APPTITLE%>\" "
      "and associated documentation files (the \"Software\"), to deal in the Software without restriction, "
      "including without limitation the rights to use, copy, modify, merge, publish, distribute, "
      "sublicense, and/or sell copies of the Software, and to permit persons to whom the Software is "
      "furnished to do so, subject to the following conditions:\n"
      "\n"
      "The above copyright notice and this permission notice shall be included in all copies or "
      "substantial portions of \"<%APPTITLE%>\".\n"
      "\n"
      "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING BUT "
      "NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND "
      "NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, "
      "DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT "
      "OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.\n"
      "\n"
      "Thank you for using \"<%APPTITLE%>\".\n";
  return text;
}

std::string GetLicenseText(const std::string& title) {
  const std::string& t = LicenseTemplate();
  const std::string ph = kTitlePlaceholder;
  std::string out;
  out.reserve(t.size() + 4 * title.size());
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = t.find(ph, pos);
    if (hit == std::string::npos) break;
    out.append(t, pos, hit - pos);
    out += title;
    pos = hit + ph.size();
  }
  out.append(t, pos, std::string::npos);
  return out;
}

std::string PercentEncode(const std::string& text, const std::string& keep) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved || (c < 0x80 && keep.find(char(c)) != std::string::npos)) {
      out += char(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string MailtoUrl(const std::string& address, const std::string& title, const std::string& version) {
  const std::string subject = "\"About " + title + " v. " + version + "\"";
  return "mailto:" + PercentEncode(address, "@+") + "?subject=" + PercentEncode(subject);
}

namespace {

void MakeLink(QLabel* label) {
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 255));  // $FF0000 in 0x00BBGGRR
  label->setPalette(pal);
  label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

TAboutDialog::TAboutDialog(const std::string& title, QWidget* parent, const std::string& author, const std::string& web,
                           const std::string& mail)
    : QDialog(parent), title_(title), web_(web), mail_(mail) {
  setObjectName(QStringLiteral("AboutDialog"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QFont f = MapFont("MS Sans Serif");
  setFont(f);
  auto px = [&](int x, int y, int w, int h) { return DluToPixels(f, QRect(x, y, w, h)); };
  const QString qtitle = QString::fromStdString(title);
  setWindowTitle(QStringLiteral("About ") + qtitle);

  lblTitle = new QLabel(qtitle, this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  lblTitle->setTextFormat(Qt::PlainText);
  QFont bold = f;
  bold.setPixelSize(16);
  bold.setWeight(QFont::Bold);
  lblTitle->setFont(bold);
  QRect rTitle = px(7, 6, 282, 12);
  rTitle.setHeight(std::max(rTitle.height(), lblTitle->sizeHint().height()));
  lblTitle->setGeometry(rTitle);
  const int shift = rTitle.bottom() + 1 - (px(7, 6, 282, 12).bottom() + 1);  // a tall title pushes the rest down

  lblVersion = new QLabel(QStringLiteral("version: ") + QString::fromStdString(GetFileVersion("", false)), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setTextFormat(Qt::PlainText);
  QRect rVersion = px(7, 19, 85, 8).translated(0, shift);
  rVersion.setWidth(std::max(rVersion.width(), lblVersion->sizeHint().width()));
  rVersion.setHeight(std::max(rVersion.height(), lblVersion->sizeHint().height()));
  lblVersion->setGeometry(rVersion);

  lblBy = new QLabel(QStringLiteral("by: "), this);
  lblBy->setObjectName(QStringLiteral("lblBy"));
  QRect rBy = px(7, 29, 12, 8).translated(0, shift);
  rBy.setWidth(std::max(rBy.width(), lblBy->sizeHint().width()));
  rBy.setHeight(std::max(rBy.height(), lblBy->sizeHint().height()));
  lblBy->setGeometry(rBy);

  lblAuthor = new QLabel(QString::fromStdString(author), this);
  lblAuthor->setObjectName(QStringLiteral("lblAuthor"));
  lblAuthor->setTextFormat(Qt::PlainText);
  lblAuthor->setGeometry(QRect(rBy.right() + 1, rBy.top(), lblAuthor->sizeHint().width(), rBy.height()));
  if (!mail_.empty()) {
    MakeLink(lblAuthor);
    lblAuthor->installEventFilter(this);
  }

  scrLicense = new QScrollArea(this);
  scrLicense->setObjectName(QStringLiteral("scrLicense"));
  scrLicense->setFrameShape(QFrame::StyledPanel);
  scrLicense->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scrLicense->setWidgetResizable(true);
  memLicense = new QLabel(QString::fromStdString(GetLicenseText(title)));
  memLicense->setObjectName(QStringLiteral("memLicense"));
  memLicense->setTextFormat(Qt::PlainText);
  memLicense->setWordWrap(true);
  memLicense->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  memLicense->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  memLicense->setBackgroundRole(QPalette::Base);
  memLicense->setAutoFillBackground(true);
  memLicense->setContentsMargins(3, 3, 3, 3);
  scrLicense->setWidget(memLicense);
  const int yLicense = std::max(px(7, 41, 282, 167).top() + shift, rBy.bottom() + 4);
  QRect rLicense = px(7, 41, 282, 167);
  rLicense.moveTop(yLicense);
  scrLicense->setGeometry(rLicense);
  const int shift2 = yLicense - px(7, 41, 282, 167).top();

  lblVisit = new QLabel(QStringLiteral("For more information and updates visit: "), this);
  lblVisit->setObjectName(QStringLiteral("lblVisit"));
  QRect rVisit = px(7, 216, 126, 8).translated(0, shift2);
  rVisit.setWidth(std::max(rVisit.width(), lblVisit->sizeHint().width()));
  rVisit.setHeight(std::max(rVisit.height(), lblVisit->sizeHint().height()));
  lblVisit->setGeometry(rVisit);
  lblWeb = new QLabel(QString::fromStdString(web), this);
  lblWeb->setObjectName(QStringLiteral("lblWeb"));
  lblWeb->setTextFormat(Qt::PlainText);
  QRect rWeb = px(133, 216, 100, 8).translated(0, shift2);
  rWeb.setLeft(std::max(rWeb.left(), rVisit.right() + 1));
  rWeb.setWidth(lblWeb->sizeHint().width());
  rWeb.setHeight(rVisit.height());
  lblWeb->setGeometry(rWeb);
  MakeLink(lblWeb);
  lblWeb->installEventFilter(this);
  if (web_.empty()) {
    lblWeb->hide();
    lblVisit->hide();
  }

  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  QRect rClose = px(239, 212, 50, 14).translated(0, shift2);
  rClose.setHeight(std::max(rClose.height(), btnClose->sizeHint().height()));
  rClose.setWidth(std::max(rClose.width(), btnClose->sizeHint().width()));
  if (!web_.empty() && rWeb.right() + 8 > rClose.left()) rClose.moveLeft(rWeb.right() + 8);  // no overlap
  btnClose->setGeometry(rClose);
  connect(btnClose, &QPushButton::clicked, this, [this] { done(mrOk); });

  QSize client = px(0, 0, 296, 231).size();
  client.setHeight(std::max(client.height() + shift2, rClose.bottom() + 1 + 4));
  client.setWidth(std::max({client.width(), rWeb.right() + 8, rClose.right() + 8, rVisit.right() + 8,
                            lblAuthor->geometry().right() + 8, rVersion.right() + 8}));
  setFixedSize(client);
}

std::string TAboutDialog::MailUrl() const {
  return mail_.empty() ? std::string() : MailtoUrl(mail_, title_, GetFileVersion("", false));
}

void TAboutDialog::OpenWeb() {
  if (!web_.empty()) UI().OpenUrl(web_);
}

void TAboutDialog::OpenMail() {
  if (!mail_.empty()) UI().OpenUrl(MailUrl());
}

bool TAboutDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* me = static_cast<QMouseEvent*>(event);
    auto* label = qobject_cast<QLabel*>(watched);
    if (me->button() == Qt::LeftButton && label && label->rect().contains(me->position().toPoint())) {
      if (watched == lblWeb) RunGuarded([this] { OpenWeb(); });
      if (watched == lblAuthor) RunGuarded([this] { OpenMail(); });
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowAboutDialog(const std::string& title, QWidget* parentWindow) {
  TAboutDialog dlg(title, parentWindow);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect area = s->availableGeometry();
    dlg.move(area.left() + (area.width() - dlg.width()) / 2, area.top() + (area.height() - dlg.height()) / 2);
  }
  dlg.setWindowModality(Qt::ApplicationModal);
  dlg.show();
  dlg.raise();
  dlg.activateWindow();
  dlg.exec();
}
