// Changing the password: the old one and the new one twice. OK only when the old entry is not
// empty, the new one is not empty and both new entries are equal; a changed password is never
// empty (removing the password is its own command).
#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/UYNForm.h"

// String 65151, shown by the password commands when a check fails.
inline constexpr int kInvalidPasswordId = 65151;
inline constexpr const char* kInvalidPassword = "Invalid Password";

inline bool ChangePasswordOkEnabled(const QString& oldPass, const QString& pass, const QString& repass) {
  return !oldPass.isEmpty() && !pass.isEmpty() && pass == repass;
}

class TfrmChangePass : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmChangePass(QWidget* owner = nullptr);

  QLabel* lOldPass;
  QLabel* lPass;
  QLabel* lRePass;
  QLabel* imgKey;
  QLineEdit* eOldPass;
  QLineEdit* ePass;
  QLineEdit* eRePass;

  virtual void UpdateOkButton();

 protected:
  void FormCreate() override;
  void FormShow() override;

 private:
  void OkClicked();
};
