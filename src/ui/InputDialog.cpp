#include "ui/InputDialog.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtUIServices.h"
#include "ui/StoredText.h"

using namespace platform;

QString CutInputValue(const QString& text) {
  int chars = 0;
  qsizetype i = 0;
  while (i < text.size() && chars < kInputDialogMaxChars) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
      i += 2;
    else
      i += 1;
    ++chars;
  }
  return text.left(i);
}

TInputDialog::TInputDialog(QWidget* parent, const QString& caption, const QString& prompt, const QString& value)
    : QDialog(parent) {
  setObjectName(QStringLiteral("InputDialog"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QFont f = MapFont("MS Sans Serif");
  setFont(f);
  auto px = [&](int x, int y, int w, int h) { return DluToPixels(f, QRect(x, y, w, h)); };

  lblPrompt = new QLabel(this);
  lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
  lblPrompt->setTextFormat(Qt::PlainText);
  edValue = new QLineEdit(this);
  edValue->setObjectName(QStringLiteral("edValue"));
  LiftLengthLimit(edValue);
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);

  QRect rPrompt = px(7, 8, 172, 9), rEdit = px(7, 17, 172, 14), rOk = px(73, 40, 50, 14), rCancel = px(129, 40, 50, 14);
  QRect client = px(0, 0, 186, 60);
  // Nothing may be clipped: a prompt wider than its place widens the box; a prompt, an edit or
  // buttons that need more height than the table gives push what follows down.
  lblPrompt->setText(prompt);
  const int grow = std::max(0, lblPrompt->sizeHint().width() - rPrompt.width());
  rPrompt.setWidth(rPrompt.width() + grow);
  rEdit.setWidth(rEdit.width() + grow);
  client.setWidth(client.width() + grow);
  rOk.translate(grow, 0);
  rCancel.translate(grow, 0);
  // A prompt of several lines takes the height of its lines.
  const int promptGrow = std::max(0, lblPrompt->sizeHint().height() - rPrompt.height());
  rPrompt.setHeight(rPrompt.height() + promptGrow);
  rEdit.translate(0, promptGrow);
  const int editGrow = std::max(0, edValue->sizeHint().height() - rEdit.height());
  rEdit.setHeight(rEdit.height() + editGrow);
  const int buttonGrow =
      std::max(0, std::max(btnOk->sizeHint().height(), btnCancel->sizeHint().height()) - rOk.height());
  for (QRect* r : {&rOk, &rCancel}) {
    r->translate(0, promptGrow + editGrow);
    r->setHeight(r->height() + buttonGrow);
  }
  client.setHeight(client.height() + promptGrow + editGrow + buttonGrow);
  lblPrompt->setGeometry(rPrompt);
  edValue->setGeometry(rEdit);
  btnOk->setGeometry(rOk);
  btnCancel->setGeometry(rCancel);
  setFixedSize(client.size());

  setWindowTitle(caption);
  edValue->setText(value);
  connect(edValue, &QLineEdit::textChanged, this, [this] { UpdateOkButton(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
  UpdateOkButton();
  edValue->setFocus();
}

void TInputDialog::UpdateOkButton() {
  const bool enable = InputDialogOkEnabled(edValue->text());
  if (btnOk->isEnabled() != enable) btnOk->setEnabled(enable);
}

void CentreDialogOver(QWidget* dialog, QWidget* owner) {
  QRect area;
  if (owner && owner->window()->isVisible())
    area = owner->window()->frameGeometry();
  else if (QScreen* s = QGuiApplication::primaryScreen())
    area = s->availableGeometry();
  else
    return;
  dialog->move(area.left() + (area.width() - dialog->width()) / 2, area.top() + (area.height() - dialog->height()) / 2);
}

void TInputDialog::CentreOver(QWidget* parent) {
  CentreDialogOver(this, parent);
}

bool InputDialogExecute(QWidget* parentWindow, const std::string& caption, const std::string& prompt,
                        std::string& value) {
  const QString shown = QString::fromStdString(value);
  TInputDialog dlg(parentWindow, QString::fromStdString(caption), QString::fromStdString(prompt), shown);
  dlg.CentreOver(parentWindow);
  dlg.setWindowModality(Qt::ApplicationModal);
  if (dlg.exec() != mrOk) return false;
  // A value given and left as it was comes back as it was (a stored name longer than what can be
  // typed is not cut by being shown).
  if (dlg.edValue->text() != shown) value = dlg.Value().toStdString();
  return true;
}

void InstallInputDialog(QtUIServices& services) {
  services.InputPrompt = [](const std::string& caption, const std::string& prompt, std::string& value, QWidget* owner) {
    // Asked without an owner (as the commands ask), the box stands on the window in front.
    return InputDialogExecute(DefaultOwner(owner), caption, prompt, value);
  };
}
