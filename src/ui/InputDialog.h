// The one-line input box: a prompt, an edit preset with the value, OK (enabled only while the edit
// is not empty) and Cancel. Laid out from its table in dialog units, so it scales with the font.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

namespace platform {
class QtUIServices;
}

// At most this many characters come back from the box.
inline constexpr int kInputDialogMaxChars = 3999;

// OK is enabled exactly while the text is not empty.
inline bool InputDialogOkEnabled(const QString& text) {
  return !text.isEmpty();
}
// The first kInputDialogMaxChars characters (code points; a surrogate pair is never split).
QString CutInputValue(const QString& text);

class TInputDialog : public QDialog {
  Q_OBJECT

 public:
  TInputDialog(QWidget* parent, const QString& caption, const QString& prompt, const QString& value);

  QLabel* lblPrompt;       // 102
  QLineEdit* edValue;      // 101
  QPushButton* btnOk;      // 1
  QPushButton* btnCancel;  // 2

  // The edited value as OK returns it (cut).
  QString Value() const { return CutInputValue(edValue->text()); }
  // Centres over the parent window's frame, or over the work area without a parent.
  void CentreOver(QWidget* parent);

 private:
  void UpdateOkButton();
};

// Centres a dialog built from a template over its owner's window frame, or over the work area
// when there is no visible owner (the classic rule of such dialogs).
void CentreDialogOver(QWidget* dialog, QWidget* owner);

// Runs the box modally. True after OK, with value set to the (cut) text; false on Cancel or when
// the box is closed, value unchanged. Texts are UTF-8.
bool InputDialogExecute(QWidget* parentWindow, const std::string& caption, const std::string& prompt,
                        std::string& value);

// Plugs the box into the program's UI services.
void InstallInputDialog(platform::QtUIServices& services);
