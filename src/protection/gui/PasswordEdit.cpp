#include "protection/gui/PasswordEdit.h"

#include <QProxyStyle>

#include "platform/CodePage.h"

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
}

bool PasswordRepresentable(const QString& text) {
  return codepage::IsCp1252Representable(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                             std::size_t(text.size())));
}
