#include "protection/gui/PasswordEdit.h"

#include <QProxyStyle>

#include "platform/Application.h"
#include "platform/CodePage.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtUIServices.h"
#include "ui/StoredText.h"

const char* const kPasswordCharsetMessage =
    "The password holds characters that cannot be used. Use only letters, digits and the signs of "
    "the Western European (Windows-1252) character set.";

namespace {

class TStarPasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

void MakePasswordEdit(QLineEdit* edit) {
  if (!edit) return;
  auto* style = new TStarPasswordStyle;
  style->setParent(edit);
  edit->setStyle(style);
  edit->setEchoMode(QLineEdit::Password);
  LiftLengthLimit(edit);
}

bool PasswordRepresentable(const QString& text) {
  return codepage::IsCp1252Representable(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())));
}

QLabel* NewKeyImage(QWidget* parent) {
  auto* img = new QLabel(parent);
  img->setObjectName(QStringLiteral("imgKey"));
  img->setPixmap(platform::ThemeIcon(QStringLiteral("dialog-password")).pixmap(32, 32));
  img->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  return img;
}

void AddPasswordRow(QGridLayout* grid, QWidget* parent, int row, const QString& caption, const QString& labelName,
                    const QString& editName, QLabel*& label, QLineEdit*& edit) {
  label = new QLabel(caption, parent);
  label->setObjectName(labelName);
  edit = new QLineEdit(parent);
  edit->setObjectName(editName);
  MakePasswordEdit(edit);
  label->setBuddy(edit);
  grid->addWidget(label, row, 1);
  grid->addWidget(edit, row + 1, 1);
}

void ShowPasswordCharsetError(QWidget* owner) {
  platform::UI().MessageBox(kPasswordCharsetMessage, platform::Application().Title, platform::MsgButtons::Ok,
                            platform::MsgIcon::Error, platform::HandleOf(owner));
}
